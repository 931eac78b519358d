#!/bin/sh
# Shows that checklayers.sh catches what it is there for: each case injects one violation into a
# copy of SRC, and the check must fail on it with its message. The copy as it is must pass.
#
#   checklayerstest.sh CHECK SRC
set -eu
check=${1:?usage: checklayerstest.sh CHECK SRC}
src=${2:?usage: checklayerstest.sh CHECK SRC}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fresh() {
    rm -rf "$work/src"
    cp -R "$src" "$work/src"
}

# case NAME EXPECTED-MESSAGE SHELL-COMMAND (run in the copy)
case_() {
    fresh
    (cd "$work/src" && sh -c "$3")
    if out=$(sh "$check" "$work/src" 2>&1); then
        echo "FAIL $1: the check passed"
        failures=$((failures + 1))
    elif ! printf '%s\n' "$out" | grep -qF "$2"; then
        echo "FAIL $1: no \"$2\" in:"
        printf '%s\n' "$out"
        failures=$((failures + 1))
    else
        echo "PASS $1"
    fi
}

fresh
if ! sh "$check" "$work/src" >/dev/null; then
    echo "FAIL the unchanged copy does not pass"
    failures=$((failures + 1))
fi

case_ "angle-bracket upward include" "include reaches a higher layer: core/settingsstore.cpp" \
    'echo "#include <document/cduovuedoc.h>" >>core/settingsstore.cpp'
case_ "model logic includes the document" "include reaches a higher layer: search/checkrules.cpp" \
    'echo "#include \"document/cduovuedoc.h\"" >>search/checkrules.cpp'
case_ "stray file includes a widget header" "not listed in any CMakeLists.txt: imaging/stray.cpp" \
    'echo "#include \"viewer/cimgview.h\"" >imaging/stray.cpp'
case_ "new component cycle" "cycle" \
    'echo "#include \"search/checkrules.h\"" >>lists/listedits.cpp'
case_ "include of a missing header" "include not found: compose/compositor.cpp -> document/gone.h" \
    'echo "#include <document/gone.h>" >>compose/compositor.cpp'
case_ "ground logic includes the model" "include reaches a higher layer: core/appsettings.cpp" \
    'echo "#include \"lists/textformats.h\"" >>core/appsettings.cpp'

[ "$failures" -eq 0 ] && echo "all cases caught"
exit "$failures"
