#!/usr/bin/env bash
# The GitHub Action (action.yml and packaging/github-action.sh) on this
# machine: its inputs are the ones its steps use; check prints annotations
# GitHub shows on the lines and fails on findings; install takes the release's
# package from the action's own repository and version, and builds from source
# when that package cannot be had (curl, apt-get, cmake and install are
# stand-ins here: nothing is downloaded or installed).
#   tests/packaging/github_action_test.sh QLX VERSION
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 QLX VERSION" >&2; exit 2; }
qlx=$(realpath "$1")
version=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
action=$root/packaging/github-action.sh
fail() {
  echo "github action test: FAIL: $*" >&2
  exit 1
}

python3 - "$root/action.yml" <<'PY' || fail "action.yml is not as its steps need it"
import re, sys, yaml
action = yaml.safe_load(open(sys.argv[1], encoding="utf-8"))
assert action["runs"]["using"] == "composite", action["runs"]
steps = action["runs"]["steps"]
used = set()
for step in steps:
    assert step.get("shell") == "bash", step
    for value in list(step.get("env", {}).values()) + [step["run"]]:
        used |= set(re.findall(r"\$\{\{\s*inputs\.([\w-]+)\s*\}\}", str(value)))
    assert re.search(r"\$\{\{|\binputs\.", step["run"]) is None, "inputs reach the shell through env only: " + step["run"]
assert used == set(action["inputs"]), (used, set(action["inputs"]))
assert [s["run"].split()[-1] for s in steps] == ["install", "check"], steps
PY

work=$(mktemp -d "${TMPDIR:-/tmp}/qlx-action.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/src"
ln -s "$qlx" "$work/bin/qlx"
export PATH=$work/bin:$PATH RUNNER_TEMP=$work
printf 'Attribute VB_Name = "Orders"\r\nOption Explicit\r\n\r\nPublic Sub Post()\r\nEnd Sub\r\n' >"$work/src/Orders.bas"

status=0
QLX_PATHS="$work/src" QLX_ARGS="--select missing-header" "$action" check >"$work/out.txt" 2>&1 || status=$?
cat "$work/out.txt"
[ "$status" = 1 ] || fail "check exited $status on a finding"
grep -q "^::error file=$work/src/Orders.bas,line=4,col=1,title=missing-header::" "$work/out.txt" ||
  fail "check printed no annotation on the procedure's line"
status=0
QLX_PATHS="$work/src" QLX_ARGS="--select deb-marker" "$action" check >"$work/out.txt" 2>"$work/err.txt" || status=$?
[ "$status" = 0 ] && [ ! -s "$work/out.txt" ] || fail "check exited $status with [$(cat "$work/out.txt")] on no finding"
grep -qx "qlx: 0 findings in 1 file" "$work/err.txt" || fail "check's summary line: [$(cat "$work/err.txt")]"
# On old code, as the README's workflow shows: the findings of the baseline pass.
qlx check --write-baseline "$work/qlx-baseline.json" "$work/src" 2>/dev/null || fail "the baseline was not written"
status=0
QLX_PATHS="$work/src" QLX_ARGS="--baseline $work/qlx-baseline.json" "$action" check >"$work/out.txt" 2>&1 || status=$?
[ "$status" = 0 ] || fail "check exited $status with [$(cat "$work/out.txt")] on findings in the baseline"

# Stand-ins that say what they were asked, and a curl that fails when told to.
for tool in curl apt-get cmake install; do
  cat >"$work/bin/$tool" <<STUB
#!/bin/bash
echo "$tool \$*" >>"$work/calls.txt"
if [ "$tool" = curl ]; then
  [ -z "\${QLX_TEST_NO_RELEASE:-}" ] || exit 22
  while [ \$# -gt 1 ]; do [ "\$1" = -o ] && : >"\$2"; shift; done
fi
exit 0
STUB
  chmod +x "$work/bin/$tool"
done
[ "$(id -u)" -eq 0 ] || { echo "github action test: install part skipped (not root, it would ask sudo)"; exit 0; }

GITHUB_ACTION_PATH=/home/runner/work/_actions/acme/qlx/v1 "$action" install >"$work/out.txt" 2>&1 ||
  fail "install exited $?: $(cat "$work/out.txt")"
deb=qlx_${version}_amd64.deb
grep -q "^curl .* https://github.com/acme/qlx/releases/download/v$version/$deb$" "$work/calls.txt" ||
  fail "install did not fetch the release of the action's repository: $(cat "$work/calls.txt")"
grep -q "^apt-get install .* $work/$deb$" "$work/calls.txt" || fail "install did not install the package"
grep -q "^cmake" "$work/calls.txt" && fail "install built from source although the package was there"

rm -f "$work/calls.txt"
QLX_TEST_NO_RELEASE=1 QLX_REPOSITORY=acme/qlx QLX_VERSION=9.9.9 "$action" install >"$work/out.txt" 2>&1 ||
  fail "install exited $?: $(cat "$work/out.txt")"
grep -q "^curl .*/acme/qlx/releases/download/v9.9.9/qlx_9.9.9_amd64.deb$" "$work/calls.txt" || fail "install ignored the inputs"
grep -q "^::notice title=qlx::.*building qlx from source" "$work/out.txt" || fail "install did not say it builds from source"
grep -q "^cmake -S $root -B $work/qlx-build " "$work/calls.txt" || fail "install did not build the action's source"
grep -q "^install -m 755 $work/qlx-build/cli/qlx /usr/local/bin/qlx$" "$work/calls.txt" || fail "install did not put qlx on PATH"
status=0
QLX_INSTALL=release QLX_TEST_NO_RELEASE=1 QLX_REPOSITORY=acme/qlx "$action" install >"$work/out.txt" 2>&1 || status=$?
[ "$status" != 0 ] || fail "install=release succeeded without the release"

# A bare container (container: debian:12): no curl until install puts it
# there; a PATH of the stand-ins and the few tools the steps run.
mkdir "$work/bare"
for tool in bash dirname sed id; do ln -s "$(command -v "$tool")" "$work/bare/$tool"; done
ln -s "$work/bin/install" "$work/bare/install"
cat >"$work/bare/apt-get" <<STUB
#!/bin/bash
"$work/bin/apt-get" "\$@"
[[ " \$* " = *" curl "* ]] && $(command -v ln) -s "$work/bin/curl" "$work/bare/curl"
exit 0
STUB
chmod +x "$work/bare/apt-get"
rm -f "$work/calls.txt"
QLX_INSTALL=release QLX_REPOSITORY=acme/qlx PATH=$work/bare "$action" install >"$work/out.txt" 2>&1 ||
  fail "install in a bare container exited $?: $(cat "$work/out.txt")"
grep -q "^apt-get install .* curl ca-certificates$" "$work/calls.txt" || fail "install did not install curl where there was none"
grep -q "^curl .*/acme/qlx/releases/download/" "$work/calls.txt" || fail "install did not fetch the release once curl was there"
echo "github action test: PASS"
