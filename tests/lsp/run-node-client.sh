#!/usr/bin/env bash
# The Node.js client test: installs its pinned npm packages (package-lock.json)
# into a folder of the build, then drives qlx lsp. Exit 77 (skipped) without
# Node.js and npm.
set -euo pipefail
qlx=$1
build=$2
here=$(cd "$(dirname "$0")/node" && pwd)
command -v node >/dev/null && command -v npm >/dev/null || { echo "node/npm not installed: skipped"; exit 77; }
mkdir -p "$build"
if ! cmp -s "$here/package-lock.json" "$build/package-lock.json" || [ ! -d "$build/node_modules" ]; then
  cp "$here/package.json" "$here/package-lock.json" "$build/"
  (cd "$build" && npm ci --no-audit --no-fund --loglevel=error)
fi
cp "$here/client_test.js" "$build/"
exec node "$build/client_test.js" "$qlx"
