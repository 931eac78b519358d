#!/bin/sh
# Builds the viewer benchmarks in Release and runs them: the transforms against a buffer copy, the
# brightness preview update, and a step to the next 24-megapixel JPEG against a bare decode (with
# and without prefetch). Extra arguments go to the step bench (JPEG files to step through).
# Usage: bench/viewer/run.sh [BUILD_DIR] [FILE...]
set -eu
src=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$src/build-release}
[ $# -gt 0 ] && shift
cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --target duovue-bench-pixelops duovue-bench-viewerstep >/dev/null
"$build/bench/viewer/duovue-bench-pixelops" --rounds 9
"$build/bench/viewer/duovue-bench-viewerstep" --rounds 7 "$@"
"$build/bench/viewer/duovue-bench-viewerstep" --rounds 7 --fit "$@"
