#!/usr/bin/env bash
# Installs what building the Windows add-in and running its Wine scenarios
# need: MinGW-w64 (64- and 32-bit) with widl and zlib, Wine, Xvfb, a Japanese
# font, and zip for the release; then libzip for qlx.exe, cross-built from
# Debian's source (scripts/build-libzip-mingw.sh, once). 32-bit Wine
# (wine32:i386) is tried where the kernel runs 32-bit programs; without it
# the 32-bit DLL is still built and checked, and scripts/test-windows.sh
# reports its scenarios as not run. Installs nothing that is already there.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# Set by a script that has just run this one for the scripts it calls.
[ "${QLX_WINDOWS_DEPS_CHECKED:-0}" != 1 ] || exit 0

packages=(
  cmake make
  g++-mingw-w64-x86-64 g++-mingw-w64-i686 mingw-w64-tools libz-mingw-w64-dev dpkg-dev
  wine wine64 xvfb fonts-ipafont-gothic locales
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

# Whether the kernel runs 32-bit x86 programs: a 93-byte i386 program that
# exits with 42. Where it cannot, the i386 packages' own install scripts fail
# ("Exec format error") and would leave dpkg with packages half set up. Made
# in the clone, since /tmp may forbid running programs. QLX_NO_32BIT=1 says
# no, as on such a kernel.
runs_32bit() {
  local probe status=0
  [ "${QLX_NO_32BIT:-0}" != 1 ] || return 1
  mkdir -p "$root/build-deps"
  probe=$(mktemp "$root/build-deps/i386-probe.XXXXXX")
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08'\
'\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00'\
'\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00'\
'\x05\x00\x00\x00\x00\x10\x00\x00\x31\xdb\xb3\x2a\x31\xc0\x40\xcd\x80' >"$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null || status=$?
  rm -f "$probe"
  [ "$status" -eq 42 ]
}

if installed wine32:i386; then
  :
elif ! runs_32bit; then
  echo "windows-deps: this kernel cannot run 32-bit programs$([ "${QLX_NO_32BIT:-0}" != 1 ] || echo " (QLX_NO_32BIT=1)");" \
    "wine32:i386 not tried, 32-bit scenarios will not run" >&2
else
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
    updated=0
  fi
  ((updated)) || $SUDO apt-get update -qq || true
  if ! $SUDO apt-get install -y -qq --no-install-recommends wine32:i386; then
    echo "windows-deps: wine32:i386 could not be installed; 32-bit scenarios will not run" >&2
  fi
fi

"$root/scripts/build-libzip-mingw.sh"
