#!/usr/bin/env bash
# Installs the Debian packages the build and tests need, and only those that are missing.
set -euo pipefail

packages=(cmake ninja-build g++ make libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev
          qt6-base-dev fonts-liberation2 xvfb clang libclang-rt-dev
          lld                        # links several times faster than ld
          desktop-file-utils man-db  # the install test validates the desktop entry and renders the man pages
          clang-format               # the format test
          ser2net                    # the network port tests put it in front of the virtual processor
          libpipewire-0.3-dev libfftw3-dev pkg-config  # the virtual processor's sound; the measurement's deconvolution
          pipewire wireplumber pipewire-bin dbus-daemon dbus-user-session)  # the private sound server of the tests
# `scripts/install-deps.sh package`: also what `make package` and its check need (dpkg-shlibdeps,
# file to find the programs, lintian).
if [ "${1:-}" = package ]; then
  packages+=(dpkg-dev file lintian)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  sudo=()
elif command -v sudo >/dev/null 2>&1; then
  sudo=(sudo)
else
  echo "These packages are missing and there is neither root nor sudo: ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
