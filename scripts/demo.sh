#!/usr/bin/env bash
# Builds qlx and runs it on the bundled sample module, showing what it wrote.
set -euo pipefail
cd "$(dirname "$0")/.."

# Only what building and running qlx needs; the tests' packages (LibreOffice,
# Neovim, Node.js, GoogleTest...) are scripts/test.sh's. The build folder is
# its own, so that the tests' build in build/ keeps its tests.
scripts/install-deps.sh --build
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build-demo -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQLX_TESTS=OFF -DQLX_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build build-demo -j"$(nproc)"   # qlx, its man page and completions

qlx=build-demo/cli/qlx
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp examples/Sample.bas "$work/Sample.bas"
export QLX_INI="$work/QLX.ini"   # leave the user's own settings alone
module="$work/Sample.bas"
show() { iconv -f CP932 -t UTF-8 "$1"; }   # the sample is Shift-JIS, as the VBA editor exports it

echo "== qlx scan examples/Sample.bas: the module's procedures"
"$qlx" scan "$module" | grep -E '"(count|ProcName|ProcKnd)"'

echo
echo "== qlx header --line 14: a header above 集計"
"$qlx" header "$module" --line 14 --author "山田 太郎"
echo
echo "== qlx errtrap --line 24: the error handler into 集計"
"$qlx" errtrap "$module" --line 24
echo
echo "== qlx deb: the 'deb marker into Debug.Print code"
"$qlx" deb "$module"
echo
echo "== qlx module-header: a banner and a table of every procedure at the top"
"$qlx" module-header "$module"
echo
echo "== What changed (diff of the sample, shown as UTF-8)"
diff -u <(show examples/Sample.bas) <(show "$module") | tail -n +3 || true
