#!/usr/bin/env bash
# Builds qlx with its tests and runs every test: first a normal build, then
# the same tests under the address and undefined-behaviour sanitizers, then
# each fuzz target for 30 seconds, then the Windows side under Wine, then
# the Debian package and the VS Code extension. Each stage's time is printed
# as it ends, and all of them with the total at the end, failed or not.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)
started=$SECONDS
stage_lines=()
current=""  # the stage running, if any
windows_log=$(mktemp "${TMPDIR:-/tmp}/qlx-test-windows.XXXXXX")
duration() { printf '%d min %02d s' $(($1 / 60)) $(($1 % 60)); }
# cpu_now: sets cpu to the processor seconds (user and system) of the
# programs this script ran and waited for; over the number of cores, what a
# stage takes on an idle machine. Read in this shell, not in a subshell,
# whose count starts again at zero.
times_file=$(mktemp "${TMPDIR:-/tmp}/qlx-test-times.XXXXXX")
cpu_now() {
  local user system
  times >"$times_file"
  { read -r _ && read -r user system; } <"$times_file"
  cpu=$(awk -v u="$user" -v s="$system" 'function sec(t) { split(t, p, /[ms]/); return p[1] * 60 + p[2] }
    BEGIN { printf "%d", sec(u) + sec(s) }')
}
line() { stage_lines+=("$(printf '%-11s %s' "$1" "$2")"); }
summary() {
  local status=$1
  [ -z "$current" ] || line "$current" "$(duration $((SECONDS - current_start))), FAILED"
  cpu_now
  echo "test.sh: stage times"
  local l
  for l in "${stage_lines[@]}"; do echo "  $l"; done
  echo "  $(printf '%-11s %s' total "$(duration $((SECONDS - started))) (processor time $(duration "$cpu"))")$( ((status == 0)) || echo ", FAILED")"
  rm -f "$windows_log" "$times_file"
}
trap 'summary $?' EXIT
# stage NAME COMMAND...: runs the command as the stage NAME and keeps its time.
stage() {
  current=$1 current_start=$SECONDS
  shift
  echo "test.sh: stage $current"
  local cpu_start took
  cpu_now
  cpu_start=$cpu
  "$@"
  cpu_now
  took="$(duration $((SECONDS - current_start))) (processor time $(duration $((cpu - cpu_start))))"
  line "$current" "$took"
  echo "test.sh: stage $current took $took"
  current=""
}
skipped() {
  line "$1" "not run ($2)"
  echo "test.sh: stage $1 not run ($2)"
}

stage install scripts/install-deps.sh

build() {
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQLX_BENCH=OFF >/dev/null
  cmake --build build -j"$jobs"
}
stage build build
stage ctest ctest --test-dir build -j"$jobs" --output-on-failure

asan_build() {
  cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQLX_SANITIZE=ON -DQLX_BENCH=OFF >/dev/null
  cmake --build build-asan -j"$jobs"
}
stage "asan build" asan_build
asan_ctest() {
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    ctest --test-dir build-asan -j"$jobs" --output-on-failure
}
stage "asan ctest" asan_ctest

# Every fuzz target for 30 seconds (clang, libFuzzer), from the seeds alone
# with a fixed random seed so the stage can be repeated: a finding fails the
# run. One target per core. QLX_SKIP_FUZZ=1 leaves it out.
if [ "${QLX_SKIP_FUZZ:-0}" != "1" ]; then
  stage fuzz env QLX_FUZZ_SEED="${QLX_FUZZ_SEED:-1}" QLX_FUZZ_PARALLEL="${QLX_FUZZ_PARALLEL:-$jobs}" scripts/fuzz.sh 30
else
  skipped fuzz "QLX_SKIP_FUZZ=1"
fi

# The Windows add-in: cross-built with MinGW-w64 and run under Wine against a
# fake editor; the release zip is built and checked there. Where 32-bit
# programs cannot run, its x86 scenarios are left out, which the summary
# repeats. QLX_SKIP_WINDOWS=1 leaves the stage out (for a quick local run).
if [ "${QLX_SKIP_WINDOWS:-0}" != "1" ]; then
  windows() { scripts/test-windows.sh 2>&1 | tee "$windows_log"; }
  stage windows windows
  while IFS= read -r line; do
    stage_lines+=("            ${line#test-windows: }")
  done < <(grep -E '^test-windows: (32-bit programs|.*NOT RUN)' "$windows_log" || true)
else
  skipped windows "QLX_SKIP_WINDOWS=1"
fi

# The Debian package and the VS Code extension, built and checked as their
# users get them.
stage packaging scripts/package.sh deb vsix
