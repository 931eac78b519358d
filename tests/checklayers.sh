#!/bin/sh
# Checks that the includes under SRC only look down the layers docs/architecture.md draws:
#
#   0 ground       core/ logic
#   1 model        the other folders' logic (duovue_core): lists/, imaging/, search/, pairtools/,
#                  viewer/, compose/, update/, resources/
#   2 document     document/ logic
#   3 widgets      every folder's widgets (duovue_gui)
#   4 application  app/, main.cpp and duovue-cli (cli/, which links duovue_core only)
#
# A component is a folder's logic, its widgets or its program: the library (duovue_core,
# duovue_gui) or executable a file is listed in by its folder's CMakeLists.txt. Rules:
#   - every source file is listed in a CMakeLists.txt;
#   - every include of a project header ("dir/file.h", or <dir/file.h> when dir is a folder of
#     SRC) names a file that exists;
#   - no logic file includes a widget header, and no include reaches a higher layer;
#   - the components include each other in no cycle;
#   - a command header (*command.h) is included by the main window only.
#
#   checklayers.sh SRC
set -eu
src=${1:?usage: checklayers.sh SRC}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$src"

# "<file> <library>" for every file a CMakeLists.txt lists: core, gui, or exe for a program.
for list in CMakeLists.txt */CMakeLists.txt; do
    dir=$(dirname "$list")
    awk -v dir="$dir" '
        function files(from,    i, f) {
            for (i = from; i <= NF; i++) {
                f = $i
                gsub(/[()]/, "", f)
                if (f ~ /\.(cpp|h)$/)
                    print (dir == "." ? f : dir "/" f), lib
            }
        }
        /target_sources\(duovue_gui/ { lib = "gui"; files(3); if (/\)/) lib = ""; next }
        /target_sources\(duovue_core/ { lib = "core"; files(3); if (/\)/) lib = ""; next }
        /add_executable\(/ { lib = "exe"; files(2); if (/\)/) lib = ""; next }
        lib != "" && /\)/ { files(1); lib = ""; next }
        lib != "" { files(1) }
    ' "$list"
done >"$work/libraries"

find . \( -name '*.cpp' -o -name '*.h' \) | sed 's|^\./||' | sort >"$work/files"

# "<file> <quote or angle> <included path>" for every include line.
while read -r file; do
    sed -n \
        -e 's|^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*|'"$file"' quote \1|p' \
        -e 's|^[[:space:]]*#[[:space:]]*include[[:space:]]*<\([^>]*\)>.*|'"$file"' angle \1|p' \
        "$file"
done <"$work/files" >"$work/includes"

awk -v edges="$work/edges" '
    FILENAME == ARGV[1] { library[$1] = $2; next }
    FILENAME == ARGV[2] {
        exists[$1] = 1
        if (split($1, part, "/") > 1)
            folder[part[1]] = 1
        next
    }
    function component(path,    f) {
        f = path ~ /\// ? substr(path, 1, index(path, "/") - 1) : "main"
        return f ":" library[path]
    }
    function layer(c) {
        if (c ~ /:exe$/ || c ~ /^app:/) return 4
        if (c ~ /:gui$/) return 3
        if (c == "document:core") return 2
        if (c == "core:core") return 0
        return 1
    }
    function fail(message) { print message; status = 1 }
    {
        file = $1; kind = $2; inc = $3
        if (!(file in library) && !(file in unlisted)) {
            unlisted[file] = 1
            fail("not listed in any CMakeLists.txt: " file)
        }
        if (kind == "angle") {
            # <QWidget>, <sys/stat.h>: not ours unless the first part names a folder of ours.
            if (index(inc, "/") == 0 || !(substr(inc, 1, index(inc, "/") - 1) in folder))
                next
        }
        if (!(inc in exists)) {
            fail("include not found: " file " -> " inc)
            next
        }
        if (!(file in library) || !(inc in library))
            next
        from = component(file); to = component(inc)
        if (from == to)
            next
        print from, to >edges
        if (library[file] == "core" && library[inc] == "gui")
            fail("logic includes a widget header: " file " -> " inc)
        if (layer(to) > layer(from))
            fail("include reaches a higher layer: " file " (" from ") -> " inc " (" to ")")
        if (inc ~ /command\.h$/ && inc !~ /^cli\// && file !~ /^mainframe\// && file != substr(inc, 1, length(inc) - 2) ".cpp")
            fail("only the main window runs commands: " file " -> " inc)
    }
    END {
        for (f in exists) {
            if (!(f in library) && !(f in unlisted))
                fail("not listed in any CMakeLists.txt: " f)
        }
        exit status
    }
' "$work/libraries" "$work/files" "$work/includes" || status=1
status=${status:-0}

touch "$work/edges"
if ! sort -u "$work/edges" | tsort >/dev/null 2>"$work/loops"; then
    echo "the components include each other in a cycle:"
    cat "$work/loops"
    status=1
fi
[ "$status" -eq 0 ] && echo "layers: ok"
exit "$status"
