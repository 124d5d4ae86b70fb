#!/usr/bin/env bash
# Cross-builds a static libzip for 64-bit Windows (MinGW-w64), which qlx.exe
# opens zip documents (.xlsm, .docm, ...) with: Debian ships libzip for
# Linux only. Built from Debian's own source package, of the version of the
# Linux build's libzip-dev, with Debian's patches, over Debian's MinGW zlib
# (libz-mingw-w64-dev); every optional codec and crypto library is left out,
# so zlib is all it needs. Installs into build-deps/x86_64-w64-mingw32, which
# scripts/windows-common.sh hands to the x64 configure, and does nothing when
# that prefix already holds this version. Fetches the source through a
# private apt configuration: the system's apt sources stay as they are.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
host=x86_64-w64-mingw32
deps=$root/build-deps
prefix=$deps/$host
stamp=$prefix/share/qlx-libzip-version

# The Linux build's version, so both builds read zip documents alike.
# The source package's version (a binary rebuild adds +bN to the binary's).
version=$(dpkg-query -W -f='${source:Version}' libzip-dev 2>/dev/null || true)
if [ -z "$version" ]; then
  version=$(apt-cache show --no-all-versions libzip-dev 2>/dev/null |
    sed -n 's/^Source: libzip (\(.*\))$/\1/p; s/^Version: //p' | head -n 1)
fi
[ -n "$version" ] || { echo "build-libzip-mingw: apt knows no libzip-dev" >&2; exit 1; }
if [ -f "$prefix/lib/libzip.a" ] && [ "$(cat "$stamp" 2>/dev/null)" = "$version" ]; then
  echo "build-libzip-mingw: libzip $version for $host already in $prefix"
  exit 0
fi

start=$SECONDS
work=$deps/libzip-build
rm -rf "$work" "$prefix"
mkdir -p "$work/apt/lists/partial" "$work/apt/cache"
. /etc/os-release
cat >"$work/apt/debian-src.sources" <<EOF
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: $VERSION_CODENAME
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
apt_private=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$work/apt"
             -o Dir::State::Lists="$work/apt/lists" -o Dir::Cache="$work/apt/cache" -o APT::Sandbox::User=root)
# Each step's output goes to its log, shown when the step fails: libzip's
# own warnings are not this project's.
step() {
  local log=$work/$1.log
  shift
  "$@" >"$log" 2>&1 || { cat "$log" >&2; echo "build-libzip-mingw: $* failed" >&2; exit 1; }
}
step update apt-get "${apt_private[@]}" update
cd "$work"
step source apt-get "${apt_private[@]}" source --download-only "libzip=$version"
# dpkg-source checks the files against the checksums of the signed index
# apt fetched, and applies Debian's patches.
step unpack dpkg-source -x "$work"/libzip_*.dsc "$work/src"
fetched=$SECONDS
step configure cmake -S "$work/src" -B "$work/build" -G "Unix Makefiles" --no-warn-unused-cli -Wno-dev \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF \
  -DZLIB_INCLUDE_DIR="/usr/$host/include" -DZLIB_LIBRARY="/usr/$host/lib/libz.a" \
  -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF -DENABLE_ZSTD=OFF \
  -DENABLE_COMMONCRYPTO=OFF -DENABLE_GNUTLS=OFF -DENABLE_MBEDTLS=OFF -DENABLE_OPENSSL=OFF \
  -DENABLE_WINDOWS_CRYPTO=OFF \
  -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF
step build cmake --build "$work/build" -j"$(nproc)"
step install cmake --install "$work/build"
mkdir -p "$(dirname "$stamp")"
printf '%s\n' "$version" >"$stamp"
cd "$root"
rm -rf "$work"
echo "build-libzip-mingw: libzip $version for $host built into $prefix in $((SECONDS - start)) s ($((fetched - start)) s fetching the source)"
