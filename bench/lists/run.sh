#!/bin/sh
# Builds the list benchmarks in Release and runs them: a subfolder fill of 100,000 files in
# 1,000 folders against a bare `find -printf` of the same tree, the 100,000-row sorts, and the
# removal of 10,000 scattered selected rows from a shown list.
# Usage: bench/lists/run.sh [BUILD_DIR] [TREE_DIR]
set -eu
src=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$src/build-release}
tree=${2:-${TMPDIR:-/tmp}/duovue-bench-tree}
cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DDUOVUE_BENCH=ON >/dev/null
cmake --build "$build" --target duovue-bench-lists >/dev/null
bin="$build/bench/lists/duovue-bench-lists"
if [ ! -d "$tree" ]; then
    "$bin" fill "$tree" --make 100000 1000 --rounds 7
else
    "$bin" fill "$tree" --rounds 7
fi
"$bin" sort --rows 100000 --rounds 7
cmake --build "$build" --target duovue-bench-listremove >/dev/null
QT_QPA_PLATFORM=offscreen "$build/bench/lists/duovue-bench-listremove" --rows 20000 --rounds 5
