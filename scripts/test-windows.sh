#!/usr/bin/env bash
# Builds the Windows add-in qlx.dll (x64 and x86) and the fake editor with
# MinGW-w64, checks that each DLL exports exactly its four entry points and
# needs no MinGW runtime DLL, and runs the fake editor's scenarios under Wine
# on an Xvfb display, in a fresh prefix with a Japanese locale. Passes only
# when every harness that ran printed its own final "RESULT: PASS".
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

"$root/scripts/windows-deps.sh"

jobs=$(nproc)
failures=0
fail() {
  echo "test-windows: FAIL: $*" >&2
  failures=$((failures + 1))
}

expected_exports="DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer"
# System DLLs only: the MinGW runtime (libstdc++, libgcc, winpthread) is linked in.
allowed_imports="advapi32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll oleaut32.dll user32.dll"

declare -A build_dir=([x64]=build-win64 [x86]=build-win32)
declare -A toolchain=([x64]=x86_64 [x86]=i686)

for arch in x64 x86; do
  dir=$root/${build_dir[$arch]}
  prefix=${toolchain[$arch]}-w64-mingw32
  cmake -S win -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-${toolchain[$arch]}.cmake" >/dev/null
  cmake --build "$dir" -j"$jobs"

  dump=$("$prefix-objdump" -p "$dir/qlx.dll")
  exports=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" | awk 'NR > 1 && NF { print $NF }' | sort | xargs)
  if [ "$exports" != "$expected_exports" ]; then
    fail "$arch qlx.dll exports [$exports], expected [$expected_exports]"
  fi
  imports=$(awk '/DLL Name:/ { print tolower($3) }' <<<"$dump" | sort -u | xargs)
  for dll in $imports; do
    [[ " $allowed_imports " == *" $dll "* ]] || fail "$arch qlx.dll imports $dll"
  done
  echo "test-windows: $arch qlx.dll exports: $exports; imports: $imports"
done

# Wine in a scratch directory: prefix, locale, display; all removed on exit.
work=$(mktemp -d /tmp/qlx-wine.XXXXXX)
xvfb_pid=""
cleanup() {
  WINEPREFIX=$work/prefix timeout 20 wineserver -k >/dev/null 2>&1 || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
  mkdir -p "$work/locale"
  localedef -i ja_JP -f UTF-8 "$work/locale/ja_JP.UTF-8"
  export LOCPATH=$work/locale
fi
# Set for the programs started from here; this shell itself need not switch.
{ export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8; } 2>/dev/null
export WINEPREFIX=$work/prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

display=""
for n in $(seq 90 120); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    sleep 0.1
  done
  if [ -e "/tmp/.X11-unix/X$n" ]; then
    display=":$n"
    break
  fi
  kill "$xvfb_pid" 2>/dev/null || true
  xvfb_pid=""
done
[ -n "$display" ] || { echo "test-windows: no X display could be started" >&2; exit 1; }
export DISPLAY=$display

start=$SECONDS
timeout 180 wineboot -i >/dev/null 2>&1 || { echo "test-windows: the Wine prefix could not be made" >&2; exit 1; }
# Without a window manager Wine waits on every DestroyWindow unless unmanaged.
timeout 60 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
# The tool window asks for the face of Japanese forms; Wine has none by that name.
timeout 60 wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'MS UI Gothic' /d IPAPGothic /f >/dev/null 2>&1
echo "test-windows: Wine prefix ready in $((SECONDS - start)) s"

windows_path() { printf 'Z:%s' "${1//\//\\}"; }

wine32_available() { dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "ok installed"; }

declare -A addins_key=([x64]='Addins64' [x86]='Addins')
for arch in x64 x86; do
  if [ "$arch" = x86 ] && ! wine32_available; then
    echo "test-windows: x86 scenarios: NOT RUN (wine32:i386 is not installed); the x86 DLL was built and checked"
    continue
  fi
  dir=$root/${build_dir[$arch]}
  dll=$(windows_path "$dir/qlx.dll")
  key="HKCU\\Software\\Microsoft\\VBA\\VBE\\6.0\\${addins_key[$arch]}\\QLX_Project.Connect"

  # The standard way in: regsvr32 registers and unregisters per user.
  timeout 120 wine regsvr32 /s "$dll" >/dev/null 2>&1 || fail "$arch regsvr32 /s exited $?"
  timeout 60 wine reg query "$key" /v LoadBehavior >/dev/null 2>&1 || fail "$arch regsvr32 left no add-in entry"
  timeout 120 wine regsvr32 /u /s "$dll" >/dev/null 2>&1 || fail "$arch regsvr32 /u /s exited $?"
  if timeout 60 wine reg query "$key" >/dev/null 2>&1; then fail "$arch regsvr32 /u left the add-in entry"; fi

  echo "test-windows: $arch scenarios"
  log=$work/$arch.log
  status=0
  timeout 300 wine "$dir/fake_editor.exe" "$dll" >"$log" 2>&1 || status=$?
  tr -d '\r' <"$log" | sed 's/^/  /'
  if ! tr -d '\r' <"$log" | grep -v '^$' | tail -n 1 | grep -qx 'RESULT: PASS'; then
    fail "$arch scenarios did not end with RESULT: PASS (exit status $status)"
  fi

  # The tool window on a 144 DPI screen (Wine reads LogPixels when a program starts).
  echo "test-windows: $arch scenarios at 144 DPI"
  timeout 60 wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
  log=$work/$arch-dpi.log
  status=0
  timeout 120 wine "$dir/fake_editor.exe" "$dll" --dpi 144 >"$log" 2>&1 || status=$?
  timeout 60 wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
  tr -d '\r' <"$log" | sed 's/^/  /'
  if ! tr -d '\r' <"$log" | grep -v '^$' | tail -n 1 | grep -qx 'RESULT: PASS'; then
    fail "$arch scenarios at 144 DPI did not end with RESULT: PASS (exit status $status)"
  fi
done
echo "test-windows: Wine part took $((SECONDS - start)) s"

# QLX_SCREENSHOT=file.png: a picture of the tool window (64-bit run), for people.
if [ -n "${QLX_SCREENSHOT:-}" ]; then
  { command -v import && command -v xwininfo; } >/dev/null || apt-get install -y --no-install-recommends imagemagick x11-utils >/dev/null
  dir=$root/${build_dir[x64]}
  timeout 120 wine "$dir/fake_editor.exe" "$(windows_path "$dir/qlx.dll")" --hold-window 8000 >/dev/null 2>&1 &
  shot_pid=$!
  geometry=""
  for _ in $(seq 100); do
    geometry=$(xwininfo -root -tree 2>/dev/null | grep '"Accumulate": ("fake_editor.exe"' | grep -o '[0-9]*x[0-9]*+[0-9]*+[0-9]*' | head -n 1 || true)
    [ -n "$geometry" ] && break
    sleep 0.1
  done
  sleep 1
  if [ -n "$geometry" ] && import -window root -crop "$geometry" +repage "$QLX_SCREENSHOT"; then
    echo "test-windows: screenshot of the tool window in $QLX_SCREENSHOT"
  else
    echo "test-windows: no screenshot could be taken" >&2
  fi
  wait "$shot_pid" || true
fi

if ((failures)); then
  echo "test-windows: $failures failure(s)"
  exit 1
fi
echo "test-windows: PASS"
