#!/usr/bin/env bash
# The Neovim client test: the header Neovim writes through qlx lsp must be the
# file qlx header writes on a copy. Exit 77 (skipped) without Neovim.
set -euo pipefail
qlx=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
command -v nvim >/dev/null || { echo "neovim not installed: skipped"; exit 77; }

mkdir -p "$work/nvim" "$work/cli"
printf '%s\r\n' 'Attribute VB_Name = "Module1"' 'Option Explicit' "' 合計を求める" \
  'Public Function Add(ByVal a As Long, Optional ByRef b As Variant) As Long' "    'deb a" '    Add = a + b' \
  'End Function' >"$work/nvim/Module1.bas"
cp "$work/nvim/Module1.bas" "$work/cli/Module1.bas"
cp "$work/nvim/Module1.bas" "$work/original.bas"
printf '[Author]\r\nName=Tester\r\n' >"$work/QLX.ini"
# A fixed clock and the Japanese date format, for both; set through env so
# that this shell does not try the locale itself.
run=(env QLX_NOW=2026-12-08T09:05:03 LC_ALL=ja_JP.UTF-8 QLX_INI="$work/QLX.ini")

"${run[@]}" QLX_BINARY="$qlx" QLX_MODULE="$work/nvim/Module1.bas" QLX_ROW_LINE=3 \
  timeout 60 nvim --headless --clean -n -u NONE -i NONE \
  -c "luafile $(dirname "$0")/neovim/client_test.lua" </dev/null >/dev/null
"${run[@]}" "$qlx" header "$work/cli/Module1.bas" --line 4
if ! cmp "$work/nvim/Module1.bas" "$work/cli/Module1.bas"; then
  diff <(cat -A "$work/cli/Module1.bas") <(cat -A "$work/nvim/Module1.bas") || true
  echo "neovim client: FAILED: the file Neovim wrote is not what qlx header writes"
  exit 1
fi
grep -q "^'|作  者|:Tester: 作成日:2026/12/08: 更新:未更新" "$work/nvim/Module1.bas"
echo "neovim client: the header matches qlx header"

# The same module in Shift-JIS. Read as Neovim reads it by default (Latin-1)
# the server says so and offers nothing; read as CP932, as the README tells,
# the header written and saved is the one qlx header writes, in Shift-JIS.
mkdir -p "$work/sjis" "$work/sjis-cli"
iconv -f UTF-8 -t CP932 "$work/original.bas" >"$work/sjis/Module1.bas"
cp "$work/sjis/Module1.bas" "$work/sjis-cli/Module1.bas"
"${run[@]}" QLX_BINARY="$qlx" QLX_MODULE="$work/sjis/Module1.bas" QLX_ROW_LINE=3 \
  timeout 60 nvim --headless --clean -n -u NONE -i NONE \
  -c "luafile $(dirname "$0")/neovim/encoding_test.lua" </dev/null >/dev/null
cmp "$work/sjis/Module1.bas" "$work/sjis-cli/Module1.bas"
"${run[@]}" QLX_BINARY="$qlx" QLX_MODULE="$work/sjis/Module1.bas" QLX_ROW_LINE=3 \
  timeout 60 nvim --headless --clean -n -u NONE -i NONE --cmd 'set fileencodings=ucs-bom,utf-8,cp932,latin1' \
  -c "luafile $(dirname "$0")/neovim/client_test.lua" </dev/null >/dev/null
"${run[@]}" "$qlx" header "$work/sjis-cli/Module1.bas" --line 4
if ! cmp "$work/sjis/Module1.bas" "$work/sjis-cli/Module1.bas"; then
  echo "neovim client: FAILED: the Shift-JIS file Neovim wrote is not what qlx header writes"
  exit 1
fi
echo "neovim client: a Shift-JIS module read as Latin-1 is refused, read as CP932 it gets the header qlx writes"
