#!/usr/bin/env bash
# Benchmarks of the difference tools, each beside its yardstick:
#   - `duovue-cli diff` against ImageMagick's `compare -metric AE` on the same pair of 24-megapixel
#     JPEGs (decode included), rounds taken in turn: wall time and peak memory, medians; the goals
#     are at most half compare's time and less memory than three decoded pictures (3 x 96 MB);
#   - the viewer's difference mode and flicker (duovue-bench-diffview, offscreen);
#   - the quality estimate of `duovue-cli markers` against the -quality given to cjpeg, 10 to 100,
#     with the standard tables (cjpeg's own default, 16-bit tables where they need them) and with
#     -baseline.
# usage: bench/diff/run.sh [BUILD_DIR] [WORK_DIR] [ROUNDS]
# The pictures are made once under WORK_DIR and reused; they are never part of the sources.
set -euo pipefail
here="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$here/build-bench-gui}"
work="${2:-${TMPDIR:-/tmp}/duovue-bench-diff}"
rounds="${3:-5}"
# The picture maker and the viewer bench need no screen.
export QT_QPA_PLATFORM=offscreen

# A tree that exists keeps its build type (a RelWithDebInfo development tree will do); a new one is
# made in Release.
if [ -f "$build/CMakeCache.txt" ]; then
    cmake -S "$here" -B "$build" -DDUOVUE_BENCH=ON >/dev/null
else
    cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DDUOVUE_BENCH=ON >/dev/null
fi
cmake --build "$build" --target duovue-cli composebench duovue-bench-diffview >/dev/null
cli="$build/src/cli/duovue-cli"

mkdir -p "$work"
if [ ! -f "$work/.complete" ]; then
    echo "== making a 6000 x 4000 photo pair in $work"
    "$build/bench/compose/composebench" photos "$work" 6000 4000 >/dev/null
    convert -size 64x48 gradient:red-blue "$work/small.ppm"
    touch "$work/.complete"
fi
left="$work/left.jpg"
right="$work/right.jpg"
cat "$left" "$right" >/dev/null # warm the page cache

measure() { # command...: prints "seconds peak-KB" of one run
    /usr/bin/time -f "%e %M" "$@" >/dev/null 2>"$work/time.$$" || true
    tail -1 "$work/time.$$"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

echo "== diff vs compare -metric AE, 24-megapixel JPEG pair, $rounds rounds in turn"
"$cli" diff --regions "$left" "$right" | head -4 || true
printf '   compare: %s differing pixels\n' "$(compare -metric AE "$left" "$right" null: 2>&1 || true)"
: >"$work/duovue.txt"
: >"$work/compare.txt"
for _ in $(seq "$rounds"); do
    measure "$cli" diff "$left" "$right" >>"$work/duovue.txt"
    measure compare -metric AE "$left" "$right" null: >>"$work/compare.txt"
done
d="$(cut -d' ' -f1 "$work/duovue.txt" | median)"
c="$(cut -d' ' -f1 "$work/compare.txt" | median)"
dm="$(cut -d' ' -f2 "$work/duovue.txt" | median)"
cm="$(cut -d' ' -f2 "$work/compare.txt" | median)"
echo "   diff:    median $d s, peak $dm KB"
echo "   compare: median $c s, peak $cm KB"
awk -v d="$d" -v c="$c" 'BEGIN { printf "   ratio diff / compare: %.2f (goal <= 0.5); ", d / c }'
awk -v m="$dm" 'BEGIN { printf "peak %.0f MB (goal < 3 decoded pictures, 288 MB)\n", m * 1024 / 1e6 }'

echo "== the viewer: difference mode after a tolerance change, flicker"
# A missed goal is reported by the bench itself; the quality figures still follow.
"$build/bench/diff/duovue-bench-diffview" --rounds 15 "$left" "$right" || echo "   (a goal above was missed)"

echo "== quality estimate against cjpeg -quality 10..100"
for variant in "" "-baseline"; do
    exact=0
    for q in $(seq 10 100); do
        cjpeg $variant -quality "$q" "$work/small.ppm" >"$work/q.jpg" 2>/dev/null
        got="$("$cli" markers "$work/q.jpg" | sed -n 's/.*FFDB .*(品質 \([0-9]*\))$/\1/p' | head -1)"
        if [ "$got" = "$q" ]; then exact=$((exact + 1)); else echo "   cjpeg $variant -quality $q: got '$got'"; fi
    done
    echo "   cjpeg ${variant:-(default)}: $exact of 91 qualities given back exactly (goal 91)"
done
rm -f "$work/time.$$" "$work/q.jpg"
