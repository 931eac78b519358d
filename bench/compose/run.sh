#!/bin/sh
# Builds the compositing benchmarks in Release and runs them on a generated 4000 x 3000 pair of
# photograph-like pictures (one retouched):
#   - the compose step on a slide step and on a resize step, against the 16 ms of one frame;
#   - saving the 12-megapixel composite as JPEG against cjpeg with the same settings on the same
#     pixels, rounds in turn (the goal: at most 1.2 times cjpeg).
# Usage: bench/compose/run.sh [BUILD_DIR] [ROUNDS]
set -eu
src=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$src/build-bench}
rounds=${2:-7}
cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDUOVUE_CORE_ONLY=ON -DBUILD_TESTING=OFF \
    -DDUOVUE_BENCH=ON >/dev/null
cmake --build "$build" --target composebench >/dev/null
bin="$build/bench/compose/composebench"
export QT_QPA_PLATFORM=offscreen
work=$(mktemp -d "${TMPDIR:-/tmp}/duovue-compose-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
echo "== compose step (4000 x 3000 pair)"
"$bin" compose - 200
echo "== JPEG save of the 12-megapixel composite vs cjpeg, $rounds rounds in turn"
"$bin" save "$work" "$rounds"
