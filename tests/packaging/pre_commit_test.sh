#!/usr/bin/env bash
# The hooks of .pre-commit-hooks.yaml as a team uses them, through Debian's
# pre-commit (pre-commit try-repo, no network: the hooks are system hooks) on
# a small repository of exported modules: qlx-check fails on a procedure
# without a header, qlx-headers writes it and fails because it changed the
# file, and once that is added both pass and a second qlx-headers changes
# nothing. The hooks installed as the README says, on real commits, are the
# README's walk-through (walkthrough_test.sh).
# Exit 77 (skipped) without pre-commit or git.
#   tests/packaging/pre_commit_test.sh QLX
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 QLX" >&2; exit 2; }
qlx=$(realpath "$1")
root=$(cd "$(dirname "$0")/../.." && pwd)
command -v pre-commit >/dev/null && command -v git >/dev/null || { echo "pre-commit or git not installed: skipped"; exit 77; }
fail() {
  echo "pre-commit test: FAIL: $*" >&2
  exit 1
}

work=$(mktemp -d "${TMPDIR:-/tmp}/qlx-pre-commit.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/repo/src"
ln -s "$qlx" "$work/bin/qlx"
export PATH=$work/bin:$PATH PRE_COMMIT_HOME=$work/cache QLX_NOW=2026-12-08T09:05:03
export GIT_CONFIG_GLOBAL=$work/gitconfig GIT_AUTHOR_NAME=qlx GIT_AUTHOR_EMAIL=qlx@example.invalid
export GIT_COMMITTER_NAME=qlx GIT_COMMITTER_EMAIL=qlx@example.invalid
git config --global init.defaultBranch main
git config --global --add safe.directory '*'

cd "$work/repo"
git init -q
printf '[Author]\r\nName=QLX\r\n[Mode]\r\nDateFormat=yyyy/mm/dd\r\n' >QLX.ini
printf 'Attribute VB_Name = "Orders"\r\nOption Explicit\r\n\r\nPublic Function Total(ByVal a As Long, ByVal b As Long) As Long\r\n    Total = a + b\r\nEnd Function\r\n' >src/Orders.bas
printf 'README\n' >README.txt
git add -A
git commit -q -m "modules"

# Runs one hook from this repository's working tree on every file.
hook() {
  local status=0
  pre-commit try-repo "$root" "$1" --all-files >"$work/out.txt" 2>&1 || status=$?
  sed 's/^/  /' "$work/out.txt"
  return "$status"
}
if hook qlx-check; then fail "qlx-check passed a procedure without a header"; fi
grep -q 'src/Orders.bas:4:1: missing-header' "$work/out.txt" || fail "qlx-check did not name the procedure"

before=$(cat src/Orders.bas)
if hook qlx-headers; then fail "qlx-headers passed although it wrote a header"; fi
grep -q 'files were modified by this hook' "$work/out.txt" || fail "pre-commit did not see the change"
# An ASCII module stays in the ANSI code page (CP932), as the editor exports it.
iconv -f CP932 -t UTF-8 src/Orders.bas | grep -q "'|作  者|:QLX: 作成日:2026/12/08" || fail "qlx-headers wrote no header"
# Nothing the user wrote is gone: the old lines are all still there, in order.
diff <(printf '%s\n' "$before") src/Orders.bas | grep -q '^<' && fail "qlx-headers lost a line"
cmp -s README.txt <(printf 'README\n') || fail "qlx-headers touched a file that is no module"

git add -A
hook qlx-headers || fail "qlx-headers changed the file a second time"
hook qlx-check || fail "qlx-check finds something in what qlx-headers wrote"
git commit -q -m "headers" || fail "the commit failed"

echo "pre-commit test: PASS"
