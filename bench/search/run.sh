#!/usr/bin/env bash
# Benchmark of the similar-image search on a generated corpus, each figure side by side with its
# yardstick in one run:
#   - CRC-32 throughput against zlib's crc32 on the same buffers;
#   - the hash method against `jdupes -r` on the same tree, warm cache;
#   - the bitmap method against `djpeg` decoding the same JPEGs at full size one after another
#     (the goal: at most 1.2 x half of that on two cores);
#   - peak memory of the bitmap method on small and on large pictures.
# usage: bench/search/run.sh [BUILD_DIR] [CORPUS_DIR] [ROUNDS]
# The corpus (about 2 GB) is made once under /tmp and reused; it is never part of the sources.
set -euo pipefail
here="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$here/build-bench}"
corpus="${2:-/tmp/duovue-search-corpus}"
rounds="${3:-3}"

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDUOVUE_CORE_ONLY=ON -DBUILD_TESTING=OFF \
    -DDUOVUE_BENCH=ON >/dev/null
cmake --build "$build" --target duovue-cli makecorpus crcbench >/dev/null
cli="$build/src/cli/duovue-cli"

if [ ! -f "$corpus/.complete" ]; then
    echo "== making the corpus in $corpus"
    rm -rf "$corpus"
    "$build/bench/search/makecorpus" "$corpus/jpeg" 1000 1
    # BMP and GIF copies of some of the smaller pictures, made from their full decode.
    mkdir -p "$corpus/other"
    mapfile -t small < <(find "$corpus/jpeg" -regex '.*/d0[0-9]/img[0-9]*\.jpg' -size -1200k | sort)
    for f in "${small[@]:0:30}"; do
        b="$(basename "$f" .jpg)"
        case "$b" in
        *[02468]) djpeg -bmp -outfile "$corpus/other/$b.bmp" "$f" ;;
        *) djpeg -gif -colors 256 -outfile "$corpus/other/$b.gif" "$f" ;;
        esac
    done
    # Small and large pictures apart, for the memory comparison: the smallest and the largest
    # baseline files (the generator makes every third picture, index divisible by 3, progressive),
    # and the largest progressive ones.
    mkdir -p "$corpus/mem/small" "$corpus/mem/large" "$corpus/mem/large-progressive"
    find "$corpus/jpeg" -regex '.*/d[0-9]*/img[0-9]*\.jpg' -printf '%s %p\n' | sort -n >"$corpus/mem/list"
    pick() { # progressive(0/1) first|last target: 20 of the kind from the list ordered by size
        local chosen=()
        while read -r _ f; do
            n="$(basename "$f" .jpg)"
            n="$((10#${n#img}))"
            if [ $((n % 3 == 0)) -eq "$1" ]; then chosen+=("$f"); fi
        done <"$corpus/mem/list"
        if [ "$2" = first ]; then
            cp "${chosen[@]:0:20}" "$3/"
        else
            cp "${chosen[@]: -20}" "$3/"
        fi
    }
    pick 0 first "$corpus/mem/small"
    pick 0 last "$corpus/mem/large"
    pick 1 last "$corpus/mem/large-progressive"
    rm -f "$corpus/mem/list"
    touch "$corpus/.complete"
fi

jpegs="$(find "$corpus/jpeg" -name '*.jpg' | wc -l)"
others="$(find "$corpus/other" -type f | wc -l)"
bytes="$(du -sb "$corpus/jpeg" | cut -f1)"
echo "== corpus: $jpegs JPEGs ($((bytes / 1048576)) MiB) in $corpus/jpeg, $others BMP/GIF copies in $corpus/other"
find "$corpus" -type f -exec cat {} + >/dev/null # warm the page cache

measure() { # label command...: wall seconds and peak memory of one run
    local label="$1"
    shift
    /usr/bin/time -f "$label %e s wall, %U s user, %S s sys, %M KB peak" "$@" >/dev/null 2>/tmp/duovue-bench-time.$$ || true
    tail -1 /tmp/duovue-bench-time.$$
}

echo "== CRC-32 throughput"
"$build/bench/search/crcbench" 256

echo "== hash method vs jdupes -r (warm cache), $rounds rounds in turn"
for _ in $(seq "$rounds"); do
    measure "duovue hash  " "$cli" dupes --method hash --subfolders "$corpus"
    measure "jdupes -r    " jdupes -r -q "$corpus"
done

echo "== bitmap method vs djpeg, JPEGs only ($jpegs files), $rounds rounds in turn"
for _ in $(seq "$rounds"); do
    measure "duovue bitmap" "$cli" dupes --no-cache --method bitmap --subfolders "$corpus/jpeg"
    measure "djpeg serial " sh -c "find '$corpus/jpeg' -name '*.jpg' -print0 | xargs -0 -n1 djpeg -outfile /dev/null"
done
echo "   goal: duovue bitmap wall <= 1.2 x djpeg serial wall / 2"

echo "== bitmap method over the whole corpus (BMP and GIF copies included)"
"$cli" dupes --no-cache --method bitmap --subfolders "$corpus" | tail -1

echo "== peak memory of the bitmap method: 20 small, 20 large baseline, 20 large progressive JPEGs"
for set in small large large-progressive; do
    measure "$set" "$cli" dupes --no-cache --method bitmap "$corpus/mem/$set"
    measure "$set, djpeg" sh -c "for f in '$corpus/mem/$set'/*.jpg; do djpeg -outfile /dev/null \"\$f\"; done"
done
rm -f /tmp/duovue-bench-time.$$
