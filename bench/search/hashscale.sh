#!/usr/bin/env bash
# The hash method at scale, side by side with `jdupes -r` on the same tree, warm cache: 100,000
# files in 500 folders, 1 to 60 KiB each (3.1 GB; most sizes are shared by chance), a tenth of
# them byte copies and one in a hundred a same-size copy that differs only late in the file.
# Checks first that both find the same sets, then times ROUNDS runs of each in turn and prints the
# medians of wall time and peak memory with their ratios.
# Goals: wall time at most 1.0 x jdupes', peak memory at most 2 x jdupes'.
# usage: bench/search/hashscale.sh [BUILD_DIR] [TREE_DIR] [ROUNDS] [FILES]
# The tree is made once under /tmp and reused; it is never part of the sources.
set -euo pipefail
here="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$here/build-bench}"
tree="${2:-/tmp/duovue-hashscale}"
rounds="${3:-5}"
files="${4:-100000}"
export LC_ALL=C

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDUOVUE_CORE_ONLY=ON -DBUILD_TESTING=OFF \
    -DDUOVUE_BENCH=ON >/dev/null
cmake --build "$build" --target duovue-cli maketree >/dev/null
cli="$build/src/cli/duovue-cli"

if [ ! -f "$tree/.complete-$files" ]; then
    echo "== making the tree in $tree"
    rm -rf "$tree"
    "$build/bench/search/maketree" "$tree" "$files" 500 1
    touch "$tree/.complete-$files"
fi
echo "== tree: $(find "$tree" -type f -name '*.jpg' | wc -l) files, $(($(du -sb "$tree" | cut -f1) / 1000000)) MB"
find "$tree" -type f -print0 | xargs -0 cat >/dev/null # warm the page cache

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Both outputs as "first path of the set <tab> path", one line per file, sorted.
jdupes -r -q "$tree" | awk 'BEGIN { RS = ""; FS = "\n" }
    { m = $1; for (i = 2; i <= NF; i++) if ($i < m) m = $i; for (i = 1; i <= NF; i++) print m "\t" $i }' |
    sort >"$work/jdupes.sets"
"$cli" dupes --method hash --subfolders "$tree" | awk -F '\t' 'NF == 8 {
        p = $3 $2; path[NR] = p; label[NR] = $1; if (!($1 in m) || p < m[$1]) m[$1] = p }
    END { for (k in path) print m[label[k]] "\t" path[k] }' | sort >"$work/duovue.sets"
if cmp -s "$work/jdupes.sets" "$work/duovue.sets"; then
    echo "== same sets: $(cut -f1 "$work/duovue.sets" | uniq | wc -l) sets, $(wc -l <"$work/duovue.sets") files"
else
    echo "== the sets differ:"
    diff "$work/jdupes.sets" "$work/duovue.sets" | head -20
    exit 1
fi

measure() { # file command...: appends "wall-seconds peak-KB" of one run
    local out="$1"
    shift
    /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>&1
    tail -1 "$work/time" >>"$out"
}
median() { # file column
    sort -n -k"$2","$2" "$1" | awk -v c="$2" '{ v[NR] = $c } END { print v[int((NR + 1) / 2)] }'
}

echo "== $rounds rounds in turn"
for _ in $(seq "$rounds"); do
    measure "$work/duovue" "$cli" dupes --method hash --subfolders "$tree"
    measure "$work/jdupes" jdupes -r -q "$tree"
done
dw="$(median "$work/duovue" 1)"
dm="$(median "$work/duovue" 2)"
jw="$(median "$work/jdupes" 1)"
jm="$(median "$work/jdupes" 2)"
printf '%-26s %8s s  %8s KB\n' "duovue dupes --method hash" "$dw" "$dm" "jdupes -r" "$jw" "$jm"
awk -v dw="$dw" -v jw="$jw" -v dm="$dm" -v jm="$jm" 'BEGIN {
    printf "ratio (medians)            %8.2f    %8.2f\n", dw / jw, dm / jm
    print "goal                           <= 1.00       <= 2.00" }'
