#!/usr/bin/env bash
# Builds the Windows side of the root project with MinGW-w64 for x64 and x86
# (the add-in qlx.dll, its fake editor, and qlx.exe), checks that each DLL
# exports exactly its four entry points and needs no MinGW runtime DLL, and
# builds the release zip (scripts/package.sh). Then, under Wine on an Xvfb
# display, in a fresh prefix with a Japanese locale: the fake editor's
# scenarios against each DLL; install.cmd and uninstall.cmd from the zip for
# each Office bitness; and qlx.exe against the Linux qlx on the CP932 sample.
# Passes only when every harness that ran printed its own final
# "RESULT: PASS" and every comparison matched.
#
# Wine runs through its 64-bit loader (the prefix, the x64 scenarios, the
# installs, qlx.exe); the 32-bit loader only runs the x86 programs, and only
# where a tiny x86 program runs under it, found once per run. Elsewhere the
# x86 scenarios and install say they were not run and why. QLX_NO_32BIT=1
# puts a 32-bit loader that fails in its place ("Exec format error"), so a
# machine that runs 32-bit programs can prove the other path.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
# shellcheck source=windows-common.sh
. "$root/scripts/windows-common.sh"

"$root/scripts/windows-deps.sh"
# Once is enough: scripts/package.sh, run below, would check them again.
export QLX_WINDOWS_DEPS_CHECKED=1

jobs=$(nproc)
failures=0
fail() {
  echo "test-windows: FAIL: $*" >&2
  failures=$((failures + 1))
}

for arch in x64 x86; do
  build_start=$SECONDS
  configure_windows "$root" "$arch"
  # qlx.exe is released for x64 only.
  targets=()
  [ "$arch" = x86 ] && targets=(--target qlx_dll --target fake_editor)
  cmake --build "$root/${qlx_build_dir[$arch]}" -j"$jobs" "${targets[@]}"
  dll_file=$root/${qlx_build_dir[$arch]}/win/qlx.dll
  check_pe "$dll_file" "${qlx_mingw[$arch]}" "$qlx_dll_exports" || fail "$arch qlx.dll"
  # About 4 MB with its runtime linked in: far less is a broken link, far
  # more a build that carries debug data.
  dll_size=$(stat -c %s "$dll_file")
  echo "test-windows: $arch qlx.dll is $dll_size bytes"
  ((dll_size >= 512 * 1024 && dll_size <= 16 * 1024 * 1024)) || fail "$arch qlx.dll is $dll_size bytes, not 512 KiB to 16 MiB"
  echo "test-windows: $arch build took $((SECONDS - build_start)) s"
done
# The Linux qlx, which qlx.exe must match byte for byte.
cmake -S "$root" -B "$root/build" -DQLX_BENCH=OFF >/dev/null
cmake --build "$root/build" -j"$jobs" --target qlx_cli --target office_write_documents
linux_qlx=$root/build/cli/qlx
# The tests' project builder, which writes the zip documents qlx.exe is run on.
linux_write_documents=$root/build/tests/office_write_documents

package_start=$SECONDS
"$root/scripts/package.sh" windows
zip_file=$root/dist/qlx-$(qlx_version "$root")-windows.zip
echo "test-windows: package took $((SECONDS - package_start)) s"

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

# Wine's 64-bit loader runs everything but the x86 programs; Debian keeps it
# beside the 32-bit one, which /usr/bin/wine prefers even where it cannot run.
wine64=/usr/lib/wine/wine64
[ -x "$wine64" ] || wine64=$(command -v wine64) || { echo "test-windows: no 64-bit Wine loader" >&2; exit 1; }
wine32=/usr/lib/wine/wine
if [ "${QLX_NO_32BIT:-0}" = 1 ]; then
  # What a kernel without 32-bit programs answers.
  wine32=$work/no-32bit/wine
  mkdir -p "$work/no-32bit"
  printf '#!/bin/sh\necho "$0: cannot execute binary file: Exec format error" >&2\nexit 126\n' >"$wine32"
  chmod +x "$wine32"
fi

start=$SECONDS
# One wineserver for the whole run. Debian's wineserver quits the moment its
# last program ends (-p0), so each short program (reg, cmd) would start a new
# one while the last may still be writing the registry out: a change could
# then fail or be lost. A server that stays until the cleanup has no such gap.
wineserver=/usr/lib/wine/wineserver64
[ -x "$wineserver" ] || wineserver=$(command -v wineserver) || { echo "test-windows: no wineserver" >&2; exit 1; }
mkdir -p "$WINEPREFIX"
timeout 20 "$wineserver" -p >/dev/null 2>&1 || { echo "test-windows: the wineserver could not be started" >&2; exit 1; }
timeout 540 "$wine64" wineboot -i >/dev/null 2>&1 || { echo "test-windows: the Wine prefix could not be made" >&2; exit 1; }
# Without a window manager Wine waits on every DestroyWindow unless unmanaged.
timeout 60 "$wine64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
# Japanese Windows' regional defaults, which Wine's own locale data lacks
# (its short date is yyyy/M/d): the date and time qlx.exe writes must be the
# Linux qlx's.
timeout 60 "$wine64" reg add 'HKCU\Control Panel\International' /v sShortDate /d yyyy/MM/dd /f >/dev/null 2>&1
timeout 60 "$wine64" reg add 'HKCU\Control Panel\International' /v sTimeFormat /d H:mm:ss /f >/dev/null 2>&1
# The tool window asks for the face of Japanese forms; Wine has none by that name.
timeout 60 "$wine64" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'MS UI Gothic' /d IPAPGothic /f >/dev/null 2>&1
echo "test-windows: Wine prefix ready in $((SECONDS - start)) s"

windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# A registry change the run depends on: reg's own words when it fails.
reg_change() {
  local said
  said=$(timeout 60 "$wine64" reg "$@" 2>&1 </dev/null) && return 0
  echo "test-windows: reg $* said: $(tr -d '\r' <<<"$said" | tail -n 2)" >&2
  return 1
}

# Whether 32-bit programs run here, found once: the 32-bit loader starts,
# and a tiny x86 program runs in the prefix and says so.
no_32bit=""
if [ ! -x "$wine32" ]; then
  no_32bit="there is no 32-bit Wine loader $wine32 (wine32:i386 is not installed)"
elif ! loader_says=$("$wine32" --version 2>&1); then
  no_32bit="the 32-bit Wine loader does not start: $(tail -n 1 <<<"$loader_says")"
else
  printf '#include <stdio.h>\nint main(void) { puts("32-bit program ran"); return 0; }\n' >"$work/probe32.c"
  i686-w64-mingw32-gcc -s -o "$work/probe32.exe" "$work/probe32.c"
  probe_says=$(timeout 180 "$wine32" "$work/probe32.exe" 2>&1) || true
  if [[ "$probe_says" != *"32-bit program ran"* ]]; then
    no_32bit="a tiny x86 program does not run under the 32-bit Wine loader: $(tail -n 1 <<<"$probe_says")"
  fi
fi
if [ -z "$no_32bit" ]; then
  echo "test-windows: 32-bit programs run here ($loader_says): the x86 scenarios and install run"
else
  [ "${QLX_NO_32BIT:-0}" != 1 ] || no_32bit+=" (QLX_NO_32BIT=1)"
  echo "test-windows: 32-bit programs cannot run here: $no_32bit"
fi
declare -A wine_for=([x64]=$wine64 [x86]=$wine32)

declare -A addins_key=([x64]='Addins64' [x86]='Addins')
for arch in x64 x86; do
  if [ "$arch" = x86 ] && [ -n "$no_32bit" ]; then
    echo "test-windows: x86 scenarios: NOT RUN, 32-bit programs cannot run here; the x86 DLL was built and checked"
    continue
  fi
  dir=$root/${qlx_build_dir[$arch]}/win
  dll=$(windows_path "$dir/qlx.dll")
  fake=$root/${qlx_build_dir[$arch]}/tests/windows/fake_editor.exe
  key="HKCU\\Software\\Microsoft\\VBA\\VBE\\6.0\\${addins_key[$arch]}\\QLX_Project.Connect"

  # The standard way in: regsvr32 registers and unregisters per user.
  timeout 120 "${wine_for[$arch]}" regsvr32 /s "$dll" >/dev/null 2>&1 || fail "$arch regsvr32 /s exited $?"
  timeout 60 "$wine64" reg query "$key" /v LoadBehavior >/dev/null 2>&1 || fail "$arch regsvr32 left no add-in entry"
  timeout 120 "${wine_for[$arch]}" regsvr32 /u /s "$dll" >/dev/null 2>&1 || fail "$arch regsvr32 /u /s exited $?"
  if timeout 60 "$wine64" reg query "$key" >/dev/null 2>&1; then fail "$arch regsvr32 /u left the add-in entry"; fi

  echo "test-windows: $arch scenarios"
  log=$work/$arch.log
  status=0
  timeout 300 "${wine_for[$arch]}" "$fake" "$dll" >"$log" 2>&1 || status=$?
  tr -d '\r' <"$log" | sed 's/^/  /'
  if ! tr -d '\r' <"$log" | grep -v '^$' | tail -n 1 | grep -qx 'RESULT: PASS'; then
    fail "$arch scenarios did not end with RESULT: PASS (exit status $status)"
  fi

  # The tool window on a 144 DPI screen (Wine reads LogPixels when a program starts).
  echo "test-windows: $arch scenarios at 144 DPI"
  timeout 60 "$wine64" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
  log=$work/$arch-dpi.log
  status=0
  timeout 120 "${wine_for[$arch]}" "$fake" "$dll" --dpi 144 >"$log" 2>&1 || status=$?
  timeout 60 "$wine64" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
  tr -d '\r' <"$log" | sed 's/^/  /'
  if ! tr -d '\r' <"$log" | grep -v '^$' | tail -n 1 | grep -qx 'RESULT: PASS'; then
    fail "$arch scenarios at 144 DPI did not end with RESULT: PASS (exit status $status)"
  fi
done

# The release as a user installs it: install.cmd finds the Office bitness
# that a fake Office value says, the editor of that bitness loads the add-in
# through its add-in list, and uninstall.cmd leaves HKCU\Software and the
# per-user folder as they were. x64 as Click-to-Run reports it, x86 as an MSI
# Office on 64-bit Windows does. The key where the VB runtime keeps per-user
# settings is absent before the x64 install, and there but empty before the
# x86 one: uninstall.cmd removes it only in the first case. Reruns: the x64
# round installs twice, the x86 round uninstalls twice.
vb_settings='HKCU\Software\VB and VBA Program Settings'
release=$work/release
unzip -q "$zip_file" -d "$release"
local_app_data=$(timeout 60 "$wine64" winepath -u "$(timeout 60 "$wine64" cmd /c 'echo %LOCALAPPDATA%' | tr -d '\r')")
declare -A office_key=([x64]='HKLM\SOFTWARE\Microsoft\Office\ClickToRun\Configuration' [x86]='HKLM\SOFTWARE\Microsoft\Office\16.0\Outlook')
declare -A office_value=([x64]='Platform' [x86]='Bitness')
declare -A office_view=([x64]=64 [x86]=32)
for arch in x64 x86; do
  if [ "$arch" = x86 ] && [ -n "$no_32bit" ]; then
    echo "test-windows: x86 install: NOT RUN, 32-bit programs cannot run here"
    continue
  fi
  echo "test-windows: $arch install from the zip"
  fake=$root/${qlx_build_dir[$arch]}/tests/windows/fake_editor.exe
  if [ "$arch" = x86 ]; then
    # An empty key: made through a subkey, since reg add alone may give it a value.
    reg_change add "$vb_settings\\QLX probe" /f && reg_change delete "$vb_settings\\QLX probe" /f ||
      fail "the empty settings key could not be made"
  fi
  timeout 60 "${wine_for[$arch]}" "$fake" --registry-snapshot "$(windows_path "$work/before-$arch.txt")" >/dev/null 2>&1 ||
    fail "$arch registry snapshot before the install"
  folder_before=$([ -e "$local_app_data/QLX" ] && echo present || echo absent)
  reg_change add "${office_key[$arch]}" /v "${office_value[$arch]}" /d "$arch" /f "/reg:${office_view[$arch]}" ||
    fail "$arch fake Office value could not be set"
  status=0
  (cd "$release" && timeout 120 "$wine64" cmd /c install.cmd </dev/null >"$work/install-$arch.log" 2>&1) || status=$?
  [ "$status" -eq 0 ] || fail "$arch install.cmd exited $status"
  cmp -s "$local_app_data/QLX/qlx.dll" "$release/$arch/qlx.dll" || fail "$arch install.cmd did not copy $arch/qlx.dll"
  log=$work/installed-$arch.log
  status=0
  timeout 120 "${wine_for[$arch]}" "$fake" --installed >"$log" 2>&1 || status=$?
  tr -d '\r' <"$log" | sed 's/^/  /'
  if ! tr -d '\r' <"$log" | grep -v '^$' | tail -n 1 | grep -qx 'RESULT: PASS'; then
    fail "$arch installed add-in scenarios did not end with RESULT: PASS (exit status $status)"
  fi
  if [ "$arch" = x64 ]; then
    # Run again, after the add-in has stored its setting: the first install's
    # record of what was there still decides what uninstall.cmd removes.
    status=0
    (cd "$release" && timeout 120 "$wine64" cmd /c install.cmd </dev/null >"$work/install-again-$arch.log" 2>&1) ||
      status=$?
    [ "$status" -eq 0 ] || fail "$arch install.cmd run again exited $status"
  fi
  status=0
  (cd "$release" && timeout 120 "$wine64" cmd /c uninstall.cmd </dev/null >"$work/uninstall-$arch.log" 2>&1) || status=$?
  [ "$status" -eq 0 ] || fail "$arch uninstall.cmd exited $status"
  if [ "$arch" = x86 ]; then
    # Run again, with nothing left to remove: it changes nothing.
    status=0
    (cd "$release" && timeout 120 "$wine64" cmd /c uninstall.cmd </dev/null >"$work/uninstall-again-$arch.log" 2>&1) ||
      status=$?
    [ "$status" -eq 0 ] || fail "$arch uninstall.cmd run again exited $status"
  fi
  timeout 60 "$wine64" reg delete "${office_key[$arch]}" /v "${office_value[$arch]}" /f "/reg:${office_view[$arch]}" \
    >/dev/null 2>&1 || true
  timeout 60 "${wine_for[$arch]}" "$fake" --registry-snapshot "$(windows_path "$work/after-$arch.txt")" >/dev/null 2>&1 ||
    fail "$arch registry snapshot after the uninstall"
  if ! diff "$work/before-$arch.txt" "$work/after-$arch.txt" >"$work/registry-$arch.diff"; then
    fail "$arch uninstall.cmd left the registry changed:"
    sed 's/^/  /' "$work/registry-$arch.diff" >&2
  fi
  folder_after=$([ -e "$local_app_data/QLX" ] && echo present || echo absent)
  [ "$folder_before" = "$folder_after" ] || fail "$arch the per-user folder was $folder_before and is $folder_after"
  if [ "$arch" = x86 ]; then timeout 60 "$wine64" reg delete "$vb_settings" /f >/dev/null 2>&1 || true; fi
done

# qlx.exe gives the same bytes as the Linux qlx: each command on the CP932
# sample at a fixed time, its output and the file it leaves.
export QLX_NOW=2026-12-08T09:05:03
commands=("scan" "header --line 14 --author QLX" "errtrap --line 24" "deb" "module-header")
for side in linux windows; do
  mkdir -p "$work/$side"
  cp "$root/examples/Sample.bas" "$work/$side/Sample.bas"
done
exe=$release/qlx.exe
for command in "${commands[@]}"; do
  read -ra args <<<"$command"
  linux_status=0
  windows_status=0
  (cd "$work/linux" && QLX_INI=QLX.ini "$linux_qlx" "${args[0]}" Sample.bas "${args[@]:1}" >out.txt 2>err.txt) ||
    linux_status=$?
  (cd "$work/windows" && QLX_INI=QLX.ini timeout 60 "$wine64" "$exe" "${args[0]}" Sample.bas "${args[@]:1}" >out.txt \
    2>err.txt) || windows_status=$?
  same=1
  [ "$linux_status" = "$windows_status" ] || same=0
  cmp -s "$work/linux/out.txt" "$work/windows/out.txt" || same=0
  cmp -s "$work/linux/Sample.bas" "$work/windows/Sample.bas" || same=0
  if ((same)); then
    echo "test-windows: qlx.exe $command: same bytes as qlx (exit status $linux_status)"
  else
    fail "qlx.exe $command differs from qlx (exit status $windows_status, qlx $linux_status)"
    diff "$work/linux/out.txt" "$work/windows/out.txt" | head -n 20 >&2 || true
    cat "$work/windows/err.txt" >&2
  fi
done
cmp -s "$work/linux/Sample.bas" "$root/examples/Sample.bas" && fail "the qlx commands changed nothing in the sample"
# qlx.exe on zip documents against the Linux qlx on copies of the same
# document: the workbook and the Word document that the tests' project
# builder writes (CP932 projects), and the workbook Excel saved where
# ../shared/office has it. Each command gives the same output and exit
# status, and leaves a document whose modules, as the Linux qlx exports
# them, are the same (the zip's bytes may differ by its entries' times).
"$linux_write_documents" "$work/documents" >/dev/null
documents=("$work/documents/built.xlsm" "$work/documents/built.docm")
if [ -f "$root/../shared/office/testBuilder.xlsm" ]; then
  documents+=("$root/../shared/office/testBuilder.xlsm")
else
  echo "test-windows: qlx.exe on the workbook Excel saved: NOT RUN (no ../shared/office/testBuilder.xlsm)"
fi
commands=("scan" "check" "export src" "headers --module Module1 --no-backup" "module-header --module Module1 --no-backup")
for document in "${documents[@]}"; do
  name=$(basename "$document")
  for side in linux windows; do
    rm -rf "$work/$side-zip"
    mkdir -p "$work/$side-zip"
    cp "$document" "$work/$side-zip/$name"
    chmod u+w "$work/$side-zip/$name"
  done
  for command in "${commands[@]}"; do
    read -ra args <<<"$command"
    linux_status=0
    windows_status=0
    (cd "$work/linux-zip" && QLX_INI=QLX.ini "$linux_qlx" "${args[0]}" "$name" "${args[@]:1}" >out.txt 2>err.txt) ||
      linux_status=$?
    (cd "$work/windows-zip" && QLX_INI=QLX.ini timeout 60 "$wine64" "$exe" "${args[0]}" "$name" "${args[@]:1}" >out.txt \
      2>err.txt) || windows_status=$?
    for side in linux windows; do
      rm -rf "$work/$side-zip/modules"
      "$linux_qlx" export "$work/$side-zip/$name" "$work/$side-zip/modules" -q >/dev/null 2>&1 ||
        fail "$name after qlx.exe $command: the Linux qlx cannot export the $side side's document"
    done
    same=1
    [ "$linux_status" = "$windows_status" ] || same=0
    cmp -s "$work/linux-zip/out.txt" "$work/windows-zip/out.txt" || same=0
    diff -r "$work/linux-zip/modules" "$work/windows-zip/modules" >/dev/null || same=0
    if [ "${args[0]}" = export ]; then diff -r "$work/linux-zip/src" "$work/windows-zip/src" >/dev/null || same=0; fi
    if ((same)); then
      echo "test-windows: qlx.exe $command on $name: same output and modules as qlx (exit status $linux_status)"
    else
      fail "qlx.exe $command on $name differs from qlx (exit status $windows_status, qlx $linux_status)"
      diff "$work/linux-zip/out.txt" "$work/windows-zip/out.txt" | head -n 20 >&2 || true
      diff -r "$work/linux-zip/modules" "$work/windows-zip/modules" | head -n 20 >&2 || true
      tr -d '\r' <"$work/windows-zip/err.txt" >&2
    fi
  done
  diff -r "$work/linux-zip/modules" "$work/linux-zip/src" >/dev/null &&
    fail "the qlx commands changed no module of $name"
done
version=$(timeout 60 "$wine64" "$exe" --version 2>/dev/null | tr -d '\r')
[ "$version" = "$(qlx_version "$root")" ] || fail "qlx.exe --version says [$version]"
unset QLX_NOW

echo "test-windows: Wine part took $((SECONDS - start)) s"

# QLX_SCREENSHOT=file.png: a picture of the tool window (64-bit run), for people.
if [ -n "${QLX_SCREENSHOT:-}" ]; then
  { command -v import && command -v xwininfo; } >/dev/null || apt-get install -y --no-install-recommends imagemagick x11-utils >/dev/null
  dir=$root/${qlx_build_dir[x64]}
  timeout 120 "$wine64" "$dir/tests/windows/fake_editor.exe" "$(windows_path "$dir/win/qlx.dll")" --hold-window 8000 >/dev/null 2>&1 &
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

echo "test-windows: took $SECONDS s in all"
if ((failures)); then
  echo "test-windows: $failures failure(s)"
  exit 1
fi
echo "test-windows: PASS"
