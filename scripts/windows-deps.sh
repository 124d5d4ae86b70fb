#!/usr/bin/env bash
# Installs what building the Windows add-in and running its Wine scenarios
# need: MinGW-w64 (64- and 32-bit) with widl and zlib, Wine, Xvfb, a Japanese
# font, and zip for the release; then libzip for qlx.exe, cross-built from
# Debian's source (scripts/build-libzip-mingw.sh, once). 32-bit Wine
# (wine32:i386) is tried once; without it the 32-bit DLL is still built and
# checked, and scripts/test-windows.sh reports its scenarios as not run.
# Installs nothing that is already there.
set -euo pipefail

packages=(
  cmake make
  g++-mingw-w64-x86-64 g++-mingw-w64-i686 mingw-w64-tools libz-mingw-w64-dev dpkg-dev
  wine xvfb fonts-ipafont-gothic locales
  zip unzip binutils
)

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "ok installed"; }

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
updated=0
if ((${#missing[@]})); then
  $SUDO apt-get update -qq
  updated=1
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

if ! installed wine32:i386; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
    updated=0
  fi
  ((updated)) || $SUDO apt-get update -qq || true
  if ! $SUDO apt-get install -y -qq --no-install-recommends wine32:i386; then
    echo "windows-deps: wine32:i386 could not be installed; 32-bit scenarios will not run" >&2
  fi
fi

"$(dirname "$0")/build-libzip-mingw.sh"
