#!/bin/sh
# Checks a copy of the HTML manual against its sources (docs/manual):
#   - every file of the sources is in the copy, byte for byte;
#   - every page is a UTF-8 document with a title and one h1, and no id twice, in Japanese or, in
#     a folder named after a language (en/), in that language;
#   - such a folder holds the same pages as the Japanese manual, with the same ids, and each page
#     and its counterpart link to each other;
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
    lang=ja
    [ "$dir" = . ] || lang=${dir%%/*}
    grep -q "<html lang=\"$lang\">" "$p" || fail "$page: no <html lang=\"$lang\">"
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

top=$(cd "$src" && find . -maxdepth 1 -name '*.html' | sed 's|^\./||' | sort)
for edition in $(cd "$src" && find . -mindepth 2 -maxdepth 2 -name index.html | sed 's|^\./||; s|/index\.html$||'); do
    [ "$(cd "$src/$edition" && find . -maxdepth 1 -name '*.html' | sed 's|^\./||' | sort)" = "$top" ] ||
        fail "$edition/ does not hold the same pages as the manual"
    for page in $top; do
        [ -f "$src/$edition/$page" ] || continue
        [ "$(grep -o ' id="[^"]*"' "$src/$edition/$page" | sort)" = "$(grep -o ' id="[^"]*"' "$src/$page" | sort)" ] ||
            fail "$edition/$page does not have the ids of $page"
        grep -q "href=\"$edition/$page\"" "$src/$page" || fail "$page does not link to $edition/$page"
        grep -q "href=\"\.\./$page\"" "$src/$edition/$page" || fail "$edition/$page does not link to $page"
    done
done

for css in $(cd "$src" && find . -name '*.css' | sed 's|^\./||'); do
    grep -qiE '@import|url\(' "$src/$css" && fail "$css loads another resource"
done

for picture in $(cd "$src" && find . -path ./'*.html' -prune -o -type f \( -name '*.png' -o -name '*.jpg' -o -name '*.svg' \) -print | sed 's|^\./||'); do
    found=0
    for page in $pages; do
        # The picture as the page names it: a page in a folder (en/) names one of that folder
        # without it, and one above it through "..".
        dir=$(dirname "$page")
        if [ "$dir" = . ]; then
            rel=$picture
        else
            case $picture in
            "$dir"/*) rel=${picture#"$dir"/} ;;
            *) rel=../$picture ;;
            esac
        fi
        if grep -q "src=\"$rel\"" "$src/$page"; then
            found=1
            break
        fi
    done
    [ $found -eq 1 ] || fail "$picture is shown by no page"
done

exit $status
