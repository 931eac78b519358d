#!/usr/bin/env bash
# Benchmarks of the pair tools, each side by side with its yardstick in one run:
#   - `duovue-cli bindiff` against `cmp` on two 1 GiB files that differ only in their last byte
#     (warm cache): wall time and peak memory, medians of ROUNDS runs taken in turn;
#   - the JPEG marker scan of a 50 MB JPEG against a bare memchr pass for 0xFF over the same bytes.
# usage: bench/pairtools/run.sh [BUILD_DIR] [WORK_DIR] [ROUNDS]
# The files (about 2.1 GB) are made once under WORK_DIR and reused; they are never part of the sources.
set -euo pipefail
here="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$here/build-bench}"
work="${2:-${TMPDIR:-/tmp}/duovue-bench-pairtools}"
rounds="${3:-5}"

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDUOVUE_CORE_ONLY=ON -DBUILD_TESTING=OFF \
    -DDUOVUE_BENCH=ON >/dev/null
cmake --build "$build" --target duovue-cli duovue-bench-pairtools >/dev/null
cli="$build/src/cli/duovue-cli"
bench="$build/bench/pairtools/duovue-bench-pairtools"

mkdir -p "$work"
if [ ! -f "$work/.complete" ]; then
    echo "== making the files in $work"
    head -c 1073741824 /dev/urandom >"$work/left.bin"
    cp "$work/left.bin" "$work/right.bin"
    last="$(tail -c 1 "$work/left.bin" | od -An -tu1 | tr -d ' ')"
    printf "\\$(printf '%03o' $(((last + 1) % 256)))" |
        dd of="$work/right.bin" bs=1 seek=1073741823 conv=notrunc status=none
    "$bench" makejpeg "$work/big.jpg" 8600 5800 97
    touch "$work/.complete"
fi
cat "$work/left.bin" "$work/right.bin" "$work/big.jpg" >/dev/null # warm the page cache

measure() { # command...: prints "seconds peak-KB" of one run
    /usr/bin/time -f "%e %M" "$@" >/dev/null 2>"$work/time.$$" || true
    tail -1 "$work/time.$$"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

echo "== bindiff vs cmp, 1 GiB files differing in the last byte, warm cache, $rounds rounds in turn"
"$cli" bindiff "$work/left.bin" "$work/right.bin" || true
: >"$work/duovue.txt"
: >"$work/cmp.txt"
for _ in $(seq "$rounds"); do
    measure "$cli" bindiff "$work/left.bin" "$work/right.bin" >>"$work/duovue.txt"
    measure cmp "$work/left.bin" "$work/right.bin" >>"$work/cmp.txt"
done
d="$(cut -d' ' -f1 "$work/duovue.txt" | median)"
c="$(cut -d' ' -f1 "$work/cmp.txt" | median)"
dm="$(cut -d' ' -f2 "$work/duovue.txt" | median)"
cm="$(cut -d' ' -f2 "$work/cmp.txt" | median)"
echo "   bindiff: median $d s, peak $dm KB"
echo "   cmp:     median $c s, peak $cm KB"
awk -v d="$d" -v c="$c" 'BEGIN { printf "   ratio bindiff / cmp: %.2f (goal <= 1.3); ", d / c }'
awk -v m="$dm" 'BEGIN { printf "peak %.1f MiB (goal < 64)\n", m / 1024 }'

echo "== marker scan vs memchr"
"$bench" markers "$work/big.jpg" --rounds 21
echo "   goal: scan <= 2 x memchr"
rm -f "$work/time.$$"
