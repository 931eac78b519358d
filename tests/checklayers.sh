#!/bin/sh
# Checks that the includes under SRC only look down the layers:
#
#   ground       core/ and settings/ logic
#   model        the other folders' logic (duovue_core): lists, imaging, search, document, ...
#   widgets      every folder's widgets (duovue_gui)
#   application  app/, main.cpp and the command line (cli/, which links duovue_core only)
#
# A component is a folder's logic or its widgets (the library a file is listed in by its folder's
# CMakeLists.txt). Rules: no logic file includes a widget header; no include reaches a higher
# layer; the components form no cycle; a command header (*command.h) is included by the main
# window only.
#
#   checklayers.sh SRC
set -eu
src=${1:?usage: checklayers.sh SRC}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# "<file> <library>" for every file a folder's CMakeLists.txt lists.
for list in "$src"/*/CMakeLists.txt; do
    dir=$(basename "$(dirname "$list")")
    awk -v dir="$dir" '
        /target_sources\(duovue_gui/ { lib = "gui"; next }
        /target_sources\(duovue_core/ { lib = "core"; next }
        /^[[:space:]]*\)/ { lib = ""; next }
        lib != "" { for (i = 1; i <= NF; i++) print dir "/" $i, lib }
    ' "$list"
done >"$work/libraries"

component() { # path relative to SRC -> "folder:library"
    case $1 in
    main.cpp) echo "app:gui" ;;
    cli/*) echo "cli:core" ;;
    *)
        lib=$(awk -v f="$1" '$1 == f { print $2; exit }' "$work/libraries")
        echo "${1%%/*}:${lib:-core}"
        ;;
    esac
}

layer() { # component -> 0 ground, 1 model, 2 widgets, 3 application
    case $1 in
    core:core | settings:core) echo 0 ;;
    app:* | cli:*) echo 3 ;;
    *:gui) echo 2 ;;
    *) echo 1 ;;
    esac
}

status=0
cd "$src"
for file in $(find . -name '*.cpp' -o -name '*.h' | sed 's|^\./||' | sort); do
    from=$(component "$file")
    for inc in $(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file"); do
        [ -f "$inc" ] || continue
        to=$(component "$inc")
        [ "$from" = "$to" ] && continue
        echo "$from $to" >>"$work/edges"
        if [ "${from#*:}" = core ] && [ "${to#*:}" = gui ]; then
            echo "logic includes a widget header: $file -> $inc"
            status=1
        fi
        if [ "$(layer "$to")" -gt "$(layer "$from")" ]; then
            echo "include reaches a higher layer: $file ($from) -> $inc ($to)"
            status=1
        fi
        case $inc in
        cli/*) ;;
        *command.h)
            case $file in
            mainframe/* | "${inc%.h}.cpp") ;;
            *)
                echo "only the main window runs commands: $file -> $inc"
                status=1
                ;;
            esac
            ;;
        esac
    done
done

if [ -s "$work/edges" ] && ! sort -u "$work/edges" | tsort >/dev/null 2>"$work/loops"; then
    echo "the components include each other in a cycle:"
    cat "$work/loops"
    status=1
fi
[ "$status" -eq 0 ] && echo "layers: ok"
exit "$status"
