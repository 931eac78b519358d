#!/bin/sh
# Installs the build tree BUILD into a scratch prefix and checks what a packager and a desktop see:
# a valid desktop entry and metainfo, the .duov type recognised by its content (a file without the
# extension) through the desktop's own MIME lookup, and the manual pages and bash completion.
#
#   checkinstall.sh BUILD DATADIR MANDIR BINDIR
set -eu
build=$1 datadir=$2 mandir=$3 bindir=$4
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
share=$prefix/$datadir
status=0
fail() {
    echo "checkinstall: $*"
    status=1
}

for program in duovue duovue-cli; do
    [ -x "$prefix/$bindir/$program" ] || fail "$program is not installed"
    page=$prefix/$mandir/man1/$program.1
    if [ ! -s "$page" ]; then
        fail "the manual page $program(1) is missing"
    elif ! grep -q '^\.SH NAME' "$page" || ! grep -q 'help' "$page"; then
        fail "$page does not look like a manual page of $program"
    fi
done
completion=$share/bash-completion/completions/duovue-cli
if [ ! -s "$completion" ]; then
    fail "the bash completion of duovue-cli is missing"
else
    # Every command and option the help names can be completed.
    for word in $("$prefix/$bindir/duovue-cli" --help | sed -n 's/^  \([a-z][a-z]*\) .*/\1/p; s/^  \([a-z][a-z]*\)$/\1/p') \
        $("$prefix/$bindir/duovue-cli" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
        grep -q -- "$word" "$completion" || fail "the completion does not offer $word"
    done
fi

desktop=$(ls "$share"/applications/*.desktop)
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate refuses $desktop"
fi
grep -q '^MimeType=.*application/x-duovue;' "$desktop" || fail "the desktop entry does not list application/x-duovue"
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$share"/metainfo/*.xml >/dev/null || fail "appstreamcli refuses the metainfo"
fi

# The MIME database of the prefix alone, read through xdg-mime as a file manager would.
if command -v update-mime-database >/dev/null && command -v xdg-mime >/dev/null; then
    update-mime-database "$share/mime" >/dev/null 2>&1 || fail "update-mime-database failed"
    printf 'DV\001\001' >"$prefix/document-without-extension"
    head -c 96 /dev/zero >>"$prefix/document-without-extension"
    desktopname=
    command -v gio >/dev/null && desktopname=GNOME
    type=$(XDG_DATA_HOME="$prefix/nohome" XDG_DATA_DIRS="$share" XDG_CURRENT_DESKTOP=$desktopname \
        xdg-mime query filetype "$prefix/document-without-extension" 2>/dev/null || true)
    [ "${type%%;*}" = application/x-duovue ] || fail "xdg-mime takes a document by its content for '$type'"
fi
[ "$status" -eq 0 ] && echo "install: ok"
exit "$status"
