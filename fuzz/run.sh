#!/bin/sh
# Builds the header-probe fuzzer through CMake with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer; option DUOVUE_FUZZ) and runs it from the seed corpus.
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
launcher=
command -v ccache >/dev/null 2>&1 && launcher=-DCMAKE_CXX_COMPILER_LAUNCHER=ccache

cmake -S "$root" -B "$out/cmake" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER="$CXX" $launcher \
    -DDUOVUE_FUZZ=ON -DDUOVUE_CORE_ONLY=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build "$out/cmake" --target probefuzzer >/dev/null

cd "$out"
exec "$out/cmake/fuzz/probefuzzer" -max_total_time="$seconds" -print_final_stats=1 -max_len=4096 "$@" corpus "$here/corpus"
