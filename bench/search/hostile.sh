#!/usr/bin/env bash
# Hostile files against the decoders, side by side with the limits they must keep:
#   - peak memory and time of the bitmap search (duovue-cli dupes) over progressive JPEGs declaring
#     30000 x 30000, JPEGs of 20,000 scans, 3 GiB sparse files, truncated copies (goal: under
#     1 GiB, and only the real pair grouped), and over six 96-megapixel progressive JPEGs with
#     eight workers (the shared budget lets fewer decode at once);
#   - how soon an abort, the search's destruction (the program's exit) and a pane's cancel stop
#     decodes of slow pictures (goal: within 100 ms).
# usage: bench/search/hostile.sh [BUILD_DIR] [FILES_DIR] [ROUNDS]
# The files (about 20 MB on disk, 18 GiB sparse) are made once under /tmp and reused.
set -euo pipefail
here="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$here/build-bench}"
files="${2:-/tmp/duovue-hostile}"
rounds="${3:-5}"

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDUOVUE_CORE_ONLY=ON -DBUILD_TESTING=OFF \
    -DDUOVUE_BENCH=ON >/dev/null
cmake --build "$build" --target duovue-cli hostilebench >/dev/null
cli="$build/src/cli/duovue-cli"
bench="$build/bench/search/hostilebench"

if [ ! -d "$files/hostile/giant" ]; then
    rm -rf "$files"
    "$bench" make "$files/hostile"
fi

measure() { # label command...: wall seconds and peak memory of one run, then the summary line
    local label="$1"
    shift
    /usr/bin/time -f "$label %e s wall, %M KB peak" "$@" 2>/tmp/duovue-hostile-time.$$ | tail -1
    tail -1 /tmp/duovue-hostile-time.$$
}

echo "== bitmap search over hostile files (goal: under 1 GiB peak, one group)"
measure "hostile files, 8 workers   " "$cli" dupes --method bitmap --workers 8 "$files/hostile"
measure "96 MP progressive, 8 workers" "$cli" dupes --method bitmap --workers 8 "$files/hostile/giant"
measure "both, default workers       " "$cli" dupes --method bitmap --subfolders "$files/hostile"

echo "== stopping slow decodes, $rounds rounds"
"$bench" stop "$files/slow" "$rounds" || true
rm -f /tmp/duovue-hostile-time.$$
