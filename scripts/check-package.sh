#!/usr/bin/env bash
# Builds the Debian package with `make package` and checks it without
# installing it: lintian finds no error or warning in it (nor a program
# without hardening), its dependencies (found by dpkg-shlibdeps) can be met
# here, it holds every file, and the programs and pages in it work. With --install
# (on a throw-away machine or container only) it then installs the package
# with dpkg -i, checks what a user would, and removes it again.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BUILD:-build}

make package BUILD="$BUILD"
deb=$(ls -t "$BUILD"/varden_*.deb | head -1)
echo "Checking $deb"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Debian's own rules: any error or warning fails, and so does a program
# built without hardening (lintian tells that at info level only).
command -v lintian >/dev/null || fail "lintian is not installed (scripts/install-deps.sh package)"
report=$(lintian --display-info --tag-display-limit 0 "$deb" 2>&1) || true
[ -z "$report" ] || echo "$report"
grep -q '^[EW]: ' <<<"$report" && fail "lintian reports errors or warnings"
grep -q '^[EWI]: .* hardening-' <<<"$report" && fail "lintian finds programs without hardening"
maintainer=$(dpkg-deb -f "$deb" Maintainer)
echo "Maintainer: $maintainer"

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for dep in libc6 libstdc++6 fonts-liberation2; do
    grep -q "\b$dep\b" <<<"$depends" || fail "no dependency on $dep"
done
contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/vardenctl ./usr/share/applications/varden.desktop \
         ./usr/share/icons/hicolor/scalable/apps/varden.svg ./usr/share/mime/packages/varden.xml \
         ./usr/share/man/man1/varden.1.gz ./usr/share/man/man1/vardenctl.1.gz \
         ./usr/share/doc/varden/copyright ./usr/share/doc/varden/changelog.gz \
         ./usr/share/bash-completion/completions/vardenctl; do
    grep -q " $f\$" <<<"$contents" || fail "$f is not in the package"
done
window=0
if grep -q ' ./usr/bin/varden$' <<<"$contents"; then
    window=1
    grep -q 'libqt6widgets6' <<<"$depends" || fail "the window is packaged without its Qt dependency"
fi

# Every dependency can be met on this machine.
apt-get install --simulate --no-install-recommends "./$deb" >/dev/null || fail "apt cannot install $deb here"

# The unpacked programs run and the pages render.
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
"$root/usr/bin/vardenctl" demo "$root/demo.dia" >/dev/null
"$root/usr/bin/vardenctl" show "$root/demo.dia" | grep -q '^Channel 4' || fail "vardenctl does not run"
for page in varden vardenctl; do
    [ -z "$(man --warnings -l "$root/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)" ] || fail "$page.1 has warnings"
done
if [ "$window" = 1 ]; then
    QT_QPA_PLATFORM=offscreen "$root/usr/bin/varden" --version || fail "varden --version failed"
fi

if [ "${1:-}" = --install ]; then
    dpkg -i "$deb"
    command -v vardenctl | grep -qx /usr/bin/vardenctl || fail "vardenctl is not on the PATH"
    vardenctl --help | grep -q backup || fail "the installed vardenctl does not run"
    man -w vardenctl >/dev/null || fail "man does not find vardenctl"
    man vardenctl 2>/dev/null | grep -q 130 || fail "the installed vardenctl(1) does not render"
    [ "$window" = 0 ] || QT_QPA_PLATFORM=offscreen varden --version || fail "the installed varden does not run"
    # The package's triggers have told the desktop: *.dia is a preset, and
    # presets open with varden.
    grep -q '^[0-9]*:application/x-varden-preset:\*\.dia$' /usr/share/mime/globs2 ||
        fail "the MIME database does not know *.dia presets"
    grep -q '^application/x-varden-preset=.*varden\.desktop' /usr/share/applications/mimeinfo.cache ||
        fail "presets are not associated with varden.desktop"
    dpkg -r varden
fi
echo "The package is good: $deb"
