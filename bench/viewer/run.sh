#!/bin/sh
# Builds the viewer benchmarks in Release and runs them.
# Usage: bench/viewer/run.sh [BUILD_DIR]
set -eu
src=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$src/build-release}
cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --target duovue-bench-pixelops >/dev/null
"$build/bench/viewer/duovue-bench-pixelops" --rounds 9
