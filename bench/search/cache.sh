#!/usr/bin/env bash
# Benchmark of the key cache of the bitmap or the similar method on the generated corpus's
# photographs, each figure beside its yardstick in the same round:
#   - the first search, into an empty cache, against a search with the cache off (goal <= 1.05 x);
#   - a second search of the unchanged tree against the hash method on the same tree (goal <= 3 x;
#     both short, so each is the median of five runs);
#   - a search after 10% of the files changed against the search with the cache off (goal <= 0.15 x);
#   - the cache's size on disk per picture (goal <= 1 KiB);
# and that every search prints the same rows as the one without the cache.
# usage: bench/search/cache.sh [BUILD_DIR] [CORPUS_DIR] [ROUNDS] [bitmap|similar]
# The pictures are hard links into the corpus (made by bench/search/run.sh, or here when missing);
# the cache and the tree live in a temporary folder that is removed at the end.
set -euo pipefail
here="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$here/build-bench}"
corpus="${2:-/tmp/duovue-search-corpus}"
rounds="${3:-3}"
method="${4:-bitmap}"

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDUOVUE_CORE_ONLY=ON -DBUILD_TESTING=OFF \
    -DDUOVUE_BENCH=ON >/dev/null
cmake --build "$build" --target duovue-cli makecorpus >/dev/null
cli="$build/src/cli/duovue-cli"

if [ ! -d "$corpus/jpeg" ]; then
    echo "== making the photographs in $corpus/jpeg"
    "$build/bench/search/makecorpus" "$corpus/jpeg" 1000 1
fi

work="$(mktemp -d /tmp/duovue-cache-bench.XXXXXX)"
trap 'rm -rf "$work"' EXIT
tree="$work/tree"
cp -al "$corpus/jpeg" "$tree"
export DUOVUE_CACHE="$work/keys.db"
mapfile -t pictures < <(find "$tree" -name '*.jpg' | sort)
count="${#pictures[@]}"
echo "== the $method method, $count photographs ($(($(du -sbL "$tree" | cut -f1) / 1048576)) MiB), $rounds rounds, $(nproc) processors"
find "$tree" -type f -exec cat {} + >/dev/null # warm the page cache
sleep 3 # the cache keeps only files unchanged for two seconds

# wall LABEL ARGS...: runs duovue-cli, keeps its rows in $work/LABEL.out, prints the wall seconds;
# the processor seconds (user and system) go to $work/LABEL.cpu. On a machine that others share,
# the processor time says more about the work a search does than its wall time.
wall() {
    local label="$1"
    shift
    local t0="$EPOCHREALTIME"
    /usr/bin/time -f "%U %S" -o "$work/time" "$cli" "$@" >"$work/$label.out" 2>"$work/err" || {
        cat "$work/err" >&2
        exit 1
    }
    awk -v a="$t0" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.3f", b - a }'
    awk '{ printf "%.2f", $1 + $2 }' "$work/time" >"$work/$label.cpu"
}

# fast LABEL ARGS...: the median wall seconds of five runs of a short search.
fast() {
    local label="$1"
    shift
    for _ in 1 2 3 4 5; do
        wall "$label" "$@"
        echo
    done | sort -n | sed -n 3p
}

same=yes
check() { # LABEL: the rows equal those of the search without the cache (but for the times of
    # the replaced copies)
    cmp -s <(cut -f1-3,6- "$work/$1.out") <(cut -f1-3,6- "$work/nocache.out") || same="no ($1)"
}

ratios=()
for round in $(seq "$rounds"); do
    rm -f "$DUOVUE_CACHE" "$DUOVUE_CACHE"-wal "$DUOVUE_CACHE"-shm
    # Alternate which of the two decoding searches runs first.
    if [ $((round % 2)) -eq 1 ]; then
        nocache="$(wall nocache dupes --no-cache --method "$method" --subfolders "$tree")"
        first="$(wall first dupes --method "$method" --subfolders "$tree")"
    else
        first="$(wall first dupes --method "$method" --subfolders "$tree")"
        nocache="$(wall nocache dupes --no-cache --method "$method" --subfolders "$tree")"
    fi
    hash="$(fast hash dupes --method hash --subfolders "$tree")"
    second="$(fast second dupes --method "$method" --subfolders "$tree")"
    # A tenth of the files, another tenth each round, are replaced by copies (new inodes; the
    # corpus itself is left as it is).
    for ((i = round; i < count; i += 10)); do
        cp "${pictures[$i]}" "$work/copy" && mv "$work/copy" "${pictures[$i]}"
    done
    changed="$(wall changed dupes --method "$method" --subfolders "$tree")"
    check first
    check second
    check changed
    cpu() { cat "$work/$1.cpu"; }
    echo "round $round: no cache $nocache s ($(cpu nocache) s cpu), first $first s ($(cpu first) s cpu)," \
        "hash $hash s, second $second s, 10% changed $changed s ($(cpu changed) s cpu)"
    ratios+=("$(awk -v a="$first" -v b="$nocache" -v c="$second" -v d="$hash" -v e="$changed" \
        -v f="$(cpu first)" -v g="$(cpu nocache)" -v h="$(cpu changed)" \
        'BEGIN { printf "%.3f %.3f %.3f %.3f %.3f", a / b, c / d, e / b, f / g, h / g }')")
done

median() { # column of the ratios
    printf '%s\n' "${ratios[@]}" | awk -v c="$1" '{ print $c }' | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}
echo "== medians of the per-round ratios"
echo "first search / cache off:        $(median 1) wall, $(median 4) cpu   (goal <= 1.05)"
echo "second search / hash method:     $(median 2) wall   (goal <= 3)"
echo "10% changed / cache off:         $(median 3) wall, $(median 5) cpu   (goal <= 0.15)"
stats="$("$cli" cache stats)"
bytes="$(printf '%s\n' "$stats" | sed -n 's/^size on disk: \([0-9,]*\) bytes.*/\1/p' | tr -d ,)"
echo "cache size per picture:          $((bytes / count)) bytes   (goal <= 1024)"
echo "rows equal to the search without the cache: $same"
