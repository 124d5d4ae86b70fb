#!/usr/bin/env bash
# Builds the release into dist/ and checks each part as its users get it:
#
#   qlx-<version>-windows.zip  the add-in for 64- and 32-bit Office (stripped,
#       with its version resource), qlx.exe for 64-bit Windows, the per-user
#       install and uninstall scripts, README.txt in Japanese and English, and
#       the licence; built in build-win64 and build-win32 (the root project
#       cross-built with cmake/mingw-w64-*.cmake); checked: exactly the listed
#       files, the DLLs' four exports, no MinGW runtime DLL needed, the version
#       inside.
#   qlx_<version>_amd64.deb  qlx, its man page and shell completions for
#       Debian (CPack over the Linux build in build/); checked by
#       tests/packaging/check-deb.sh.
#   qlx-vba-<version>.vsix  the VS Code extension (editors/vscode); checked by
#       tests/packaging/check-vsix.sh, which runs it against qlx lsp.
#
# scripts/package.sh [windows] [deb] [vsix]: only the parts named; all three
# without an argument.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
# shellcheck source=windows-common.sh
. "$root/scripts/windows-common.sh"

parts=("$@")
[ ${#parts[@]} -gt 0 ] || parts=(windows deb vsix)
for part in "${parts[@]}"; do
  case $part in
    windows | deb | vsix) ;;
    *) echo "usage: scripts/package.sh [windows] [deb] [vsix]" >&2; exit 2 ;;
  esac
done
wants() { [[ " ${parts[*]} " == *" $1 "* ]]; }

version=$(qlx_version "$root")
[ -n "$version" ] || { echo "package: no version in CMakeLists.txt" >&2; exit 1; }
jobs=$(nproc)
mkdir -p "$root/dist"

package_windows() {
  "$root/scripts/windows-deps.sh"
  name=qlx-$version-windows
  zip_file=$root/dist/$name.zip

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
}

# The Linux qlx of build/, configured as scripts/test.sh and
# scripts/test-windows.sh configure it, with its man page and completions.
build_linux() {
  cmake -S "$root" -B "$root/build" -DQLX_BENCH=OFF >/dev/null
  cmake --build "$root/build" -j"$jobs" --target qlx_cli --target qlx_help_files
}

package_deb() {
  build_linux
  local deb_stage deb
  deb_stage=$(mktemp -d "${TMPDIR:-/tmp}/qlx-deb.XXXXXX")
  deb=qlx_${version}_$(dpkg --print-architecture).deb
  cpack --config "$root/build/CPackConfig.cmake" -B "$deb_stage" >/dev/null &&
    mv "$deb_stage/$deb" "$root/dist/$deb" || { rm -rf "$deb_stage"; exit 1; }
  rm -rf "$deb_stage"
  "$root/tests/packaging/check-deb.sh" "$root/dist/$deb" "$version"
  echo "package: $root/dist/$deb"
}

package_vsix() {
  build_linux
  local vsix=$root/dist/qlx-vba-$version.vsix
  # The folder the build's test of the extension uses: its npm packages are installed once.
  "$root/editors/vscode/build.sh" "$root/build/tests/vscode-extension" "$vsix" "$version"
  "$root/tests/packaging/check-vsix.sh" "$vsix" "$root/build/cli/qlx" "$version"
  echo "package: $vsix"
}

if wants deb || wants vsix; then "$root/scripts/install-deps.sh"; fi
for part in windows deb vsix; do
  wants "$part" || continue
  start=$SECONDS
  "package_$part"
  echo "package: $part took $((SECONDS - start)) s"
done
