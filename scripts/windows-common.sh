# Shared by scripts/test-windows.sh and scripts/package.sh (sourced).

# The two Windows builds of the root project, by architecture.
declare -A qlx_build_dir=([x64]=build-win64 [x86]=build-win32)
declare -A qlx_mingw=([x64]=x86_64-w64-mingw32 [x86]=i686-w64-mingw32)

# configure_windows ROOT ARCH: configures ROOT/build-win64 or build-win32,
# the same way for every script, so no script undoes another's build. The
# libraries cross-built for the target (scripts/build-libzip-mingw.sh) are
# found in ROOT/build-deps/<target>.
configure_windows() {
  local root=$1 arch=$2
  cmake -S "$root" -B "$root/${qlx_build_dir[$arch]}" -DCMAKE_BUILD_TYPE=Release -DQLX_TESTS=ON \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-${qlx_mingw[$arch]%%-*}.cmake" \
    -DCMAKE_PREFIX_PATH="$root/build-deps/${qlx_mingw[$arch]}" >/dev/null
}
#
# check_pe FILE PREFIX [EXPORTS]: prints what FILE (a PE image) imports and
# fails unless it imports system DLLs only (the MinGW runtime, libstdc++,
# libgcc and winpthread, must be linked in) and, when EXPORTS is given,
# exports exactly those names.
check_pe() {
  local file=$1 prefix=$2 expected=${3:-} dump exports imports dll
  dump=$("$prefix-objdump" -p "$file") || { echo "cannot read $file" >&2; return 1; }
  imports=$(awk '/DLL Name:/ { print tolower($3) }' <<<"$dump" | sort -u | xargs)
  for dll in $imports; do
    case " advapi32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll oleaut32.dll user32.dll shell32.dll " in
      *" $dll "*) ;;
      *) echo "$file imports $dll" >&2; return 1 ;;
    esac
  done
  if [ -n "$expected" ]; then
    exports=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" | awk 'NR > 1 && NF { print $NF }' | sort | xargs)
    if [ "$exports" != "$expected" ]; then
      echo "$file exports [$exports], expected [$expected]" >&2
      return 1
    fi
    echo "$file: exports $exports; imports $imports"
  else
    echo "$file: imports $imports"
  fi
}

# The four entry points of the add-in DLL.
qlx_dll_exports="DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer"

# The version of the root CMake project.
qlx_version() {
  sed -n 's/^project(qlx VERSION \([0-9.]*\).*/\1/p' "$1/CMakeLists.txt"
}
