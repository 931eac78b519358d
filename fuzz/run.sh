#!/bin/sh
# Builds a fuzzer with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) and runs it
# from its seed corpus.
#
#   fuzz/run.sh [probe|document] [SECONDS] [extra libFuzzer options...]
#
# probe (the default) fuzzes the image header probe, document the comparison document reader.
# SECONDS defaults to 60. New inputs go to a scratch corpus under the build folder; the committed
# seeds (fuzz/corpus/ for the probe, fuzz/documentcorpus/ for documents) are only read. Crashes are
# written to fuzz/build/.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
out="$here/build"
target=probe
case "${1:-}" in
probe | document)
    target=$1
    shift
    ;;
esac
seconds=${1:-60}
[ $# -gt 0 ] && shift

case "$target" in
probe)
    sources="$here/probefuzzer.cpp $root/src/imaging/probeimageheader.cpp"
    seeds="$here/corpus"
    scratch="$out/corpus"
    max_len=4096
    ;;
document)
    sources="$here/documentfuzzer.cpp $root/src/core/documentfile.cpp $root/src/core/atomicfile.cpp
        $root/src/lists/cmysortstringarray.cpp"
    seeds="$here/documentcorpus"
    scratch="$out/documentcorpus"
    max_len=8192
    ;;
esac
mkdir -p "$scratch"

CXX=${CXX:-clang++-14}
command -v "$CXX" >/dev/null 2>&1 || CXX=clang++

# Qt is built with -mno-direct-extern-access / reduce-relocations, so the code must be PIC.
# shellcheck disable=SC2086 # the source list is split on purpose
"$CXX" -std=c++20 -g -O1 -fPIC \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -DQT_NO_CAST_FROM_ASCII -DQT_NO_KEYWORDS \
    $(pkg-config --cflags Qt6Core) -I"$root/src" \
    $sources \
    $(pkg-config --libs Qt6Core) \
    -o "$out/${target}fuzzer"

cd "$out"
exec "./${target}fuzzer" -max_total_time="$seconds" -print_final_stats=1 -max_len="$max_len" "$@" "$scratch" "$seeds"
