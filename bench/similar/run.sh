#!/usr/bin/env bash
# Benchmark of the similar method, each figure side by side with its yardstick in one run:
#   - pair precision and pair recall per kind against the corpus's truth (score.py), without and
#     with grey copies asked for, and the bitmap method's on the same tree;
#   - wall time of the similar method against the bitmap method on the same tree, warm cache,
#     rounds in turn (the goal: at most 1.05 times);
#   - the matching step alone on synthetic descriptors: time and memory (matchbench).
# usage: bench/similar/run.sh [BUILD_DIR] [CORPUS_DIR] [ROUNDS] [SYNTHETIC_COUNT]
# The corpus (about 1.5 GB: 60 photo-like pictures of 1 to 12 megapixels with 13 copies each, their
# look-alikes, and flat, dark and gradient pictures) is made once and reused; it is never part of
# the sources. Making it takes ImageMagick's convert and libjpeg's cjpeg, djpeg and jpegtran.
set -euo pipefail
here="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$here/build-bench}"
corpus="${2:-/tmp/duovue-similar-corpus}"
rounds="${3:-3}"
synthetic="${4:-1000000}"

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDUOVUE_CORE_ONLY=ON -DBUILD_TESTING=OFF \
    -DDUOVUE_BENCH=ON >/dev/null
cmake --build "$build" --target duovue-cli makephoto matchbench >/dev/null
cli="$build/src/cli/duovue-cli"

if [ ! -f "$corpus/truth.tsv" ]; then
    echo "== making the corpus in $corpus"
    python3 "$here/bench/similar/makecorpus.py" "$build/bench/similar/makephoto" "$corpus"
fi
files="$(grep -vc '^#' "$corpus/truth.tsv")"
bytes="$(du -sb "$corpus" | cut -f1)"
echo "== corpus: $files files ($((bytes / 1048576)) MiB) in $corpus"
find "$corpus" -type f -exec cat {} + >/dev/null # warm the page cache

out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
measure() { # label output command...: wall and processor seconds of one run, its rows kept in output
    local label="$1" result="$2"
    shift 2
    /usr/bin/time -f "%e %U %S" -o "$out/time" "$@" >"$result"
    read -r wall user sys <"$out/time"
    echo "$label $wall s wall, $(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }') s processor"
    echo "$wall" >>"$out/$label.wall"
    awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }' >>"$out/$label.cpu"
}
median() { sort -n "$1" | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
least() { sort -n "$1" | head -1; }

echo "== bitmap and similar method on the same tree (warm cache), $rounds rounds in turn"
for round in $(seq "$rounds"); do
    # Each method goes first in every other round, so that neither always meets the other's wake.
    if [ $((round % 2)) -eq 1 ]; then order="bitmap similar"; else order="similar bitmap"; fi
    for method in $order; do
        measure "$method" "$out/$method.txt" "$cli" dupes --no-cache --method "$method" --subfolders "$corpus"
    done
done
# On a shared machine the wall times also carry the others' load: the least of each is the run
# least disturbed, and the processor time does not depend on it.
for kind in wall cpu; do
    for stat in median least; do
        b="$("$stat" "$out/bitmap.$kind")"
        s="$("$stat" "$out/similar.$kind")"
        echo "   $stat $kind: bitmap $b s, similar $s s, ratio $(awk -v s="$s" -v b="$b" 'BEGIN { printf "%.3f", s / b }')"
    done
done
echo "   goal: similar wall <= 1.05 x bitmap wall"

echo "== similar method, default strictness"
tail -1 "$out/similar.txt"
python3 "$here/bench/similar/score.py" "$corpus" "$out/similar.txt"

echo "== similar method with grey copies"
"$cli" dupes --no-cache --method similar --grey-copies --subfolders "$corpus" >"$out/grey.txt"
tail -1 "$out/grey.txt"
python3 "$here/bench/similar/score.py" "$corpus" "$out/grey.txt" --grey-copies

echo "== bitmap method, for comparison"
tail -1 "$out/bitmap.txt"
python3 "$here/bench/similar/score.py" "$corpus" "$out/bitmap.txt"

echo "== the matching step alone, $synthetic synthetic descriptors"
"$build/bench/similar/matchbench" "$synthetic"
