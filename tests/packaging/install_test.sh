#!/usr/bin/env bash
# install_test.sh CHECK BUILD HAS_WINDOW: installs BUILD into a temporary
# prefix and checks one part of what lands there. Exit 77 (skipped) when the
# tool a check needs is missing; scripts/install-deps.sh installs them.
set -euo pipefail
check=$1
build=$2
has_window=$3

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
ctl=$prefix/bin/vardenctl

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
need() {
    command -v "$1" >/dev/null || { echo "skipped: $1 is not installed" >&2; exit 77; }
}
# The commands vardenctl --help lists, and the options of one command's synopsis.
commands() { "$ctl" --help | awk '$1 == "vardenctl" && $2 != "COMMAND" {print $2}'; }
options_of() { "$ctl" "$1" --help | head -1 | grep -o -- '--[a-z]*' || true; }

case $check in
files)
    for f in bin/vardenctl share/applications/varden.desktop share/icons/hicolor/scalable/apps/varden.svg \
             share/mime/packages/varden.xml share/man/man1/varden.1.gz share/man/man1/vardenctl.1.gz \
             share/doc/varden/copyright share/doc/varden/changelog.gz \
             share/bash-completion/completions/vardenctl; do
        [ -f "$prefix/$f" ] || fail "$f is not installed"
    done
    [ -x "$ctl" ] || fail "bin/vardenctl is not executable"
    if [ "$has_window" = 1 ]; then
        [ -x "$prefix/bin/varden" ] || fail "bin/varden is not installed"
        # Help that cannot be written is a failure, not a success.
        if "$prefix/bin/varden" --help >/dev/full 2>/dev/null; then fail "varden --help >/dev/full exits 0"; fi
    fi
    # The installed program runs from its new place.
    "$ctl" demo "$prefix/demo.dia" >/dev/null
    "$ctl" show "$prefix/demo.dia" | grep -q '^Channel 4' || fail "the installed vardenctl does not run"
    # Nothing but the programs and their data: no tests, benchmarks or gallery.
    extra=$(cd "$prefix" && find . -type f ! -name demo.dia | grep -v -e '^./bin/varden$' -e '^./bin/vardenctl$' \
        -e '^./share/applications/' -e '^./share/icons/' -e '^./share/mime/' -e '^./share/man/' \
        -e '^./share/bash-completion/' -e '^./share/doc/varden/' || true)
    [ -z "$extra" ] || fail "unexpected files installed: $extra"
    ;;
desktop)
    need desktop-file-validate
    need update-mime-database
    entry=$prefix/share/applications/varden.desktop
    out=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate: $out"
    [ -z "$out" ] || fail "desktop-file-validate: $out"
    for line in 'Exec=varden %f' 'Icon=varden' 'Categories=AudioVideo;Audio;' 'MimeType=application/x-varden-preset;'; do
        grep -qxF "$line" "$entry" || fail "the desktop entry lacks $line"
    done
    # The shared-mime-info entry builds a database that maps *.dia to presets.
    XDG_DATA_DIRS=$prefix/share update-mime-database "$prefix/share/mime" 2>&1 | (! grep .) ||
        fail "update-mime-database complained"
    [ -f "$prefix/share/mime/application/x-varden-preset.xml" ] || fail "no MIME type application/x-varden-preset"
    grep -q 'application/x-varden-preset:\*\.dia' "$prefix/share/mime/globs2" || fail "*.dia is not in the globs"
    # Under another name a preset is told by its fields, not by its first four bytes.
    if command -v gio >/dev/null; then
        type_of() { XDG_DATA_DIRS=$prefix/share gio info -a standard::content-type "$1" | sed -n 's/.*content-type: //p'; }
        "$ctl" demo "$prefix/p.dia" >/dev/null && mv "$prefix/p.dia" "$prefix/preset.bin"
        printf '\001\000\000\000\377\377\377\377' >"$prefix/other.bin"
        [ "$(type_of "$prefix/preset.bin")" = application/x-varden-preset ] || fail "a preset is not recognised"
        [ "$(type_of "$prefix/other.bin")" != application/x-varden-preset ] || fail "any 01 00 00 00 is taken for a preset"
        rm -f "$prefix/preset.bin" "$prefix/other.bin"
    fi
    # The icon is well-formed SVG of the size the theme folder promises to scale.
    if command -v xmllint >/dev/null; then
        xmllint --noout "$prefix/share/icons/hicolor/scalable/apps/varden.svg" || fail "the icon is not well-formed"
    fi
    grep -q '<svg[^>]*viewBox="0 0 128 128"' "$prefix/share/icons/hicolor/scalable/apps/varden.svg" ||
        fail "the icon has no square view box"
    ;;
man)
    need man
    for page in varden vardenctl; do
        warnings=$(MANWIDTH=80 man --warnings -l "$prefix/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
        [ -z "$warnings" ] || fail "$page.1: $warnings"
    done
    # Every command and option vardenctl knows is in its page.
    text=$(MANWIDTH=200 man -l "$prefix/share/man/man1/vardenctl.1.gz" 2>/dev/null)
    for c in $(commands); do
        grep -qw -- "$c" <<<"$text" || fail "vardenctl.1 does not describe $c"
        for o in $(options_of "$c"); do
            grep -q -- "$o" <<<"$text" || fail "vardenctl.1 does not describe $c $o"
        done
    done
    for section in 'EXIT STATUS' FILES dialout VARDEN_TRACE; do
        grep -q "$section" <<<"$text" || fail "vardenctl.1 lacks $section"
    done
    window=$(MANWIDTH=200 man -l "$prefix/share/man/man1/varden.1.gz" 2>/dev/null)
    for word in --simulate --state --port --help --version /Embedding /Automation MusicFile Bmp/Splsh.bmp \
                Bmp/LOGO.bmp 'EXIT STATUS' dialout; do
        grep -q -- "$word" <<<"$window" || fail "varden.1 lacks $word"
    done
    ;;
completion)
    # shellcheck disable=SC1091
    source "$prefix/share/bash-completion/completions/vardenctl"
    # What Tab offers after the given words (the last one being completed).
    offers() {
        COMP_WORDS=("$ctl" "$@")
        COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
        COMPREPLY=()
        _vardenctl
        printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' '
    }
    expect() {
        local want=$1
        shift
        local got
        got=$(offers "$@")
        [ "$got" = "$want" ] || fail "'vardenctl $*' offers '$got', not '$want'"
    }
    expect "write " wr
    expect "--slot " write --sl
    expect "0 1 2 3 4 5 " write --slot ""
    expect "--slots " restore --port x --sl
    expect "1 2 3 4 " curve a.dia --channel ""
    expect "silent split " sim --fault s
    for c in $(commands); do
        grep -qw -- "$c" <<<"$(offers "")" || fail "Tab does not offer the command $c"
        for o in $(options_of "$c"); do
            grep -q -- "$o" <<<"$(offers "$c" --)" || fail "Tab does not offer $c $o"
        done
    done
    # Presets and folders for file arguments, folders for backups, paths for --port.
    cd "$prefix"
    mkdir -p work/sub && touch work/a.dia work/b.json work/c.txt
    cd work
    expect "a.dia b.json sub " show ""
    expect "sub " backup --port x ""
    # align --measurement takes K=FILE: the channel, then files after the '='
    # (a word of its own as bash breaks words, or one with it).
    expect "1= 2= 3= 4= " align a.dia --measurement ""
    expect "a.dia b.json c.txt sub " align a.dia --measurement 2 =
    expect "c.txt " align a.dia --measurement 2 = c
    expect "c.txt " align a.dia --measurement 2=c
    grep -q /dev/pts <<<"$(offers names --port /dev/pt)" || fail "--port does not complete paths"
    ;;
*)
    fail "unknown check $check"
    ;;
esac
