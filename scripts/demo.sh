#!/usr/bin/env bash
# Builds qlx and runs it on the bundled sample module, showing what it found.
set -euo pipefail
cd "$(dirname "$0")/.."

"$(dirname "$0")/install-deps.sh"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQLX_TESTS=OFF -DQLX_BENCH=OFF >/dev/null
cmake --build build -j"$(nproc)" --target qlx_cli

qlx=build/cli/qlx
sample=examples/Sample.bas
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$sample" "$work/"

echo "== qlx scan $sample (the module's procedures)"
"$qlx" scan "$work/Sample.bas"
echo
echo "== qlx proc $sample --line 12 (the procedure at file line 12)"
"$qlx" proc "$work/Sample.bas" --line 12
