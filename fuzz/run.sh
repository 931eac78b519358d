#!/bin/sh
# Builds the header-probe fuzzer with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs it from the seed corpus.
#
#   fuzz/run.sh [SECONDS] [extra libFuzzer options...]
#
# SECONDS defaults to 60. New inputs go to a scratch corpus under the build folder; the committed
# seeds in fuzz/corpus/ are only read. Crashes are written to fuzz/build/.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
out="$here/build"
seconds=${1:-60}
[ $# -gt 0 ] && shift
mkdir -p "$out/corpus"

CXX=${CXX:-clang++-14}
command -v "$CXX" >/dev/null 2>&1 || CXX=clang++

# Qt is built with -mno-direct-extern-access / reduce-relocations, so the code must be PIC.
"$CXX" -std=c++20 -g -O1 -fPIC \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -DQT_NO_CAST_FROM_ASCII -DQT_NO_KEYWORDS \
    $(pkg-config --cflags Qt6Core) -I"$root/src" \
    "$here/probefuzzer.cpp" "$root/src/imaging/probeimageheader.cpp" \
    $(pkg-config --libs Qt6Core) \
    -o "$out/probefuzzer"

cd "$out"
exec ./probefuzzer -max_total_time="$seconds" -print_final_stats=1 -max_len=4096 "$@" corpus "$here/corpus"
