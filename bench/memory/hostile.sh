#!/usr/bin/env bash
# Peak memory of duovue-cli on hostile input, each against the goal of 256 MiB:
#   - doc check and doc dump of documents of nothing but line ends (10 MiB and 50 MiB) whose header
#     announces 0xFFFFFFFF entries on each side;
#   - markers on a 256 MiB JPEG that is one marker after another (FF D8, then FF C0 pairs);
#   - markers on two small JPEGs, each followed by a 128 MiB trailer of markers.
# usage: bench/memory/hostile.sh [BUILD_DIR] [WORK_DIR]
# BUILD_DIR defaults to build/ (duovue-cli is built there if needed). The files (about 700 MB) are
# made once under WORK_DIR and reused; they are never part of the sources.
set -euo pipefail
here="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$here/build}"
work="${2:-${TMPDIR:-/tmp}/duovue-bench-memory}"

cmake --build "$build" --target duovue-cli >/dev/null
cli="$build/src/cli/duovue-cli"

mkdir -p "$work"
if [ ! -f "$work/.complete" ]; then
    echo "== making the files in $work"
    python3 - "$work" <<'PY'
import struct, sys
work = sys.argv[1]
chunk = 1 << 20

def document(path, size):
    # Header: magic, version 1.1, left text at 100, right text halfway, both counts 0xFFFFFFFF.
    header = b"DV\x01\x01" + struct.pack("<IIIIii", 100, 100 + size // 2, 0xFFFFFFFF, 0xFFFFFFFF, 0, 0)
    with open(path, "wb") as f:
        f.write(header + b"\0" * (100 - len(header)))
        for _ in range(size // chunk):
            f.write(b"\n" * chunk)

def markers(path, head, size):
    with open(path, "wb") as f:
        f.write(head)
        for _ in range(size // chunk):
            f.write(b"\xff\xc0" * (chunk // 2))

document(f"{work}/empty-lines-10m.duov", 10 * chunk)
document(f"{work}/empty-lines-50m.duov", 50 * chunk)
markers(f"{work}/markers-256m.jpg", b"\xff\xd8", 256 * chunk)
PY
    for side in left right; do
        convert -size 640x480 "plasma:" -quality 90 "$work/$side.jpg"
        python3 -c "import sys; f = open(sys.argv[1], 'ab'); [f.write(b'\xff\xfe' * (1 << 19)) for _ in range(128)]" \
            "$work/$side.jpg"
    done
    touch "$work/.complete"
fi

peak() { # label command...: prints the peak resident size of one run against the goal
    local label="$1"
    shift
    /usr/bin/time -f "%M" -o "$work/time.$$" "$@" >/dev/null 2>&1 || true
    # The last line: a failing command (doc check of a damaged document) adds one before it.
    tail -1 "$work/time.$$" | awk -v l="$label" '{ printf "   %-44s peak %7.1f MiB (goal < 256)\n", l, $1 / 1024 }'
}

echo "== duovue-cli peak memory on hostile input"
for size in 10m 50m; do
    peak "doc check, $size of line ends" "$cli" doc check "$work/empty-lines-$size.duov"
    peak "doc dump, $size of line ends" "$cli" doc dump "$work/empty-lines-$size.duov"
done
peak "markers, 256 MiB of FF C0" "$cli" markers "$work/markers-256m.jpg"
peak "markers, two JPEGs with 128 MiB trailers" "$cli" markers "$work/left.jpg" "$work/right.jpg"
rm -f "$work/time.$$"
