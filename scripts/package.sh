#!/usr/bin/env bash
# Builds the Windows release dist/qlx-<version>-windows.zip: the add-in for
# 64- and 32-bit Office (stripped, with its version resource), qlx.exe for
# 64-bit Windows, the per-user install and uninstall scripts, README.txt in
# Japanese and English, and the licence. Builds what is missing in
# build-win64 and build-win32 (the root project cross-built with
# cmake/mingw-w64-*.cmake) and checks the result: exactly the listed files,
# the DLLs' four exports, no MinGW runtime DLL needed, the version inside.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
# shellcheck source=windows-common.sh
. "$root/scripts/windows-common.sh"

"$root/scripts/windows-deps.sh"

version=$(qlx_version "$root")
[ -n "$version" ] || { echo "package: no version in CMakeLists.txt" >&2; exit 1; }
name=qlx-$version-windows
zip_file=$root/dist/$name.zip
jobs=$(nproc)

for arch in x64 x86; do
  configure_windows "$root" "$arch"
  targets=(--target qlx_dll)
  [ "$arch" = x64 ] && targets+=(--target qlx_cli)
  cmake --build "$root/${qlx_build_dir[$arch]}" -j"$jobs" "${targets[@]}"
done

stage=$(mktemp -d "${TMPDIR:-/tmp}/qlx-package.XXXXXX")
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/x64" "$stage/x86"
for arch in x64 x86; do
  "${qlx_mingw[$arch]}-strip" --strip-unneeded -o "$stage/$arch/qlx.dll" "$root/${qlx_build_dir[$arch]}/win/qlx.dll"
done
x86_64-w64-mingw32-strip --strip-unneeded -o "$stage/qlx.exe" "$root/build-win64/cli/qlx.exe"

# Windows text: CRLF; the scripts in the OEM code page of Japanese Windows
# (cmd reads batch files in it), README.txt in UTF-8 with a BOM for Notepad.
crlf() { sed 's/\r$//; s/$/\r/'; }
for script in install.cmd uninstall.cmd; do
  iconv -f UTF-8 -t CP932 "$root/win/release/$script" | crlf >"$stage/$script"
done
{ printf '\xEF\xBB\xBF'; sed "s/@VERSION@/$version/" "$root/win/release/README.txt" | crlf; } >"$stage/README.txt"
crlf <"$root/LICENSE" >"$stage/LICENSE"

mkdir -p "$root/dist"
rm -f "$zip_file"
(cd "$stage" && zip -q -X -r "$zip_file" x64/qlx.dll x86/qlx.dll qlx.exe install.cmd uninstall.cmd README.txt LICENSE)

# The checks: exactly these files, and each binary as a Windows user needs it.
expected="LICENSE README.txt install.cmd qlx.exe uninstall.cmd x64/qlx.dll x86/qlx.dll"
listed=$(unzip -Z1 "$zip_file" | sort | xargs)
if [ "$listed" != "$expected" ]; then
  echo "package: $zip_file holds [$listed], expected [$expected]" >&2
  exit 1
fi
check=$(mktemp -d "$stage/check.XXXXXX")
unzip -q "$zip_file" -d "$check"
for arch in x64 x86; do
  check_pe "$check/$arch/qlx.dll" "${qlx_mingw[$arch]}" "$qlx_dll_exports"
  # The version resource's strings are UTF-16LE.
  if ! strings -e l "$check/$arch/qlx.dll" | grep -qx "$version"; then
    echo "package: $arch/qlx.dll has no version resource holding $version" >&2
    exit 1
  fi
done
check_pe "$check/qlx.exe" x86_64-w64-mingw32
unzip -l "$zip_file"
echo "package: $zip_file"
