#!/bin/sh
# Builds a fuzzer through CMake with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer;
# option DUOVUE_FUZZ) and runs it from its seed corpus.
#
#   fuzz/run.sh [probe|document|markers] [SECONDS] [extra libFuzzer options...]
#
# probe (the default) fuzzes the image header probe, document the comparison document reader,
# markers the JPEG marker scan. SECONDS defaults to 60. New inputs go to a scratch corpus under the
# build folder; the committed seeds (fuzz/corpus/ for the probe and the marker scan, whose first
# byte only sets the piece size, fuzz/documentcorpus/ for documents) are only read. Crashes are
# written to fuzz/build/.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
out="$here/build"
target=probe
case "${1:-}" in
probe | document | markers)
    target=$1
    shift
    ;;
esac
seconds=${1:-60}
[ $# -gt 0 ] && shift

case "$target" in
probe)
    seeds="$here/corpus"
    scratch=corpus
    max_len=4096
    ;;
document)
    seeds="$here/documentcorpus"
    scratch=documentcorpus
    max_len=8192
    ;;
markers)
    seeds="$here/corpus"
    scratch=markerscorpus
    max_len=16384
    ;;
esac
mkdir -p "$out/$scratch"

CXX=${CXX:-clang++-14}
command -v "$CXX" >/dev/null 2>&1 || CXX=clang++
launcher=
command -v ccache >/dev/null 2>&1 && launcher=-DCMAKE_CXX_COMPILER_LAUNCHER=ccache

cmake -S "$root" -B "$out/cmake" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER="$CXX" $launcher \
    -DDUOVUE_FUZZ=ON -DDUOVUE_CORE_ONLY=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build "$out/cmake" --target "${target}fuzzer" >/dev/null

cd "$out"
exec "$out/cmake/fuzz/${target}fuzzer" -max_total_time="$seconds" -print_final_stats=1 -max_len="$max_len" "$@" \
    "$scratch" "$seeds"
