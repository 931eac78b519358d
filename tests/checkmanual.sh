#!/bin/sh
# Checks a copy of the HTML manual against its sources (docs/manual):
#   - every file of the sources is in the copy, byte for byte;
#   - every page is a UTF-8 document in Japanese with a title and one h1, and no id twice;
#   - every link and picture a page names exists in the copy, with its anchor;
#   - no page runs a script or loads anything from elsewhere, and every picture has a text;
#   - every picture of the manual is shown by some page.
# Usage: checkmanual.sh SOURCE_DIR COPY_DIR
set -u
src=$1
copy=$2
status=0

fail() {
    echo "checkmanual: $*" >&2
    status=1
}

if [ ! -f "$copy/index.html" ]; then
    fail "$copy/index.html is missing"
    exit 1
fi

files=$(cd "$src" && find . -type f | sed 's|^\./||' | sort)
for f in $files; do
    if [ ! -f "$copy/$f" ]; then
        fail "$f is not in $copy"
    elif ! cmp -s "$src/$f" "$copy/$f"; then
        fail "$f in $copy differs from the source"
    fi
done

pages=$(cd "$src" && find . -name '*.html' | sed 's|^\./||' | sort)
for page in $pages; do
    p="$src/$page"
    dir=$(dirname "$page")
    if command -v iconv >/dev/null 2>&1 && ! iconv -f UTF-8 -t UTF-8 "$p" >/dev/null 2>&1; then
        fail "$page is not valid UTF-8"
    fi
    grep -q '<html lang="ja">' "$p" || fail "$page: no <html lang=\"ja\">"
    grep -q '<meta charset="utf-8">' "$p" || fail "$page: no <meta charset=\"utf-8\">"
    grep -q '<title>[^<]' "$p" || fail "$page: no title"
    [ "$(grep -c '<h1[ >]' "$p")" -eq 1 ] || fail "$page: not exactly one h1"
    grep -qi '<script' "$p" && fail "$page: runs a script"
    grep -qiE '(href|src)="(https?:)?//' "$p" && fail "$page: names something on another host"
    grep -qiE '<(iframe|object|embed)[ >]' "$p" && fail "$page: embeds another document"
    dupes=$(grep -o ' id="[^"]*"' "$p" | sort | uniq -d)
    [ -z "$dupes" ] || fail "$page: ids used twice:$dupes"
    grep -o '<img [^>]*>' "$p" | grep -v ' alt="[^"]' | while read -r img; do
        echo "checkmanual: $page: picture without a text: $img" >&2
        echo x
    done | grep -q x && status=1

    for target in $(grep -oE '(href|src)="[^"]*"' "$p" | sed -E 's/^(href|src)="(.*)"$/\2/'); do
        case $target in
        *:*)
            fail "$page: link to another scheme or host: $target"
            continue
            ;;
        esac
        path=${target%%#*}
        anchor=
        case $target in *'#'*) anchor=${target#*#} ;; esac
        if [ -z "$path" ]; then
            file="$copy/$page"
        else
            file="$copy/$dir/$path"
        fi
        if [ ! -f "$file" ]; then
            fail "$page: $target names a missing file"
        elif [ -n "$anchor" ] && ! grep -q " id=\"$anchor\"" "$file"; then
            fail "$page: $target names a missing anchor"
        fi
    done
done

for css in $(cd "$src" && find . -name '*.css' | sed 's|^\./||'); do
    grep -qiE '@import|url\(' "$src/$css" && fail "$css loads another resource"
done

for picture in $(cd "$src" && find . -path ./'*.html' -prune -o -type f \( -name '*.png' -o -name '*.jpg' -o -name '*.svg' \) -print | sed 's|^\./||'); do
    found=0
    for page in $pages; do
        if grep -q "src=\"$picture\"" "$src/$page"; then
            found=1
            break
        fi
    done
    [ $found -eq 1 ] || fail "$picture is shown by no page"
done

exit $status
