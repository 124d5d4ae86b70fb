#!/usr/bin/env bash
# Compiles the VS Code extension with its pinned packages (package-lock.json)
# in a folder of the build. Exit 77 (skipped) without Node.js and npm.
set -euo pipefail
build=$1
src=$(cd "$(dirname "$0")/../../editors/vscode" && pwd)
command -v node >/dev/null && command -v npm >/dev/null || { echo "node/npm not installed: skipped"; exit 77; }
mkdir -p "$build"
if ! cmp -s "$src/package-lock.json" "$build/package-lock.json" || [ ! -d "$build/node_modules" ]; then
  cp "$src/package.json" "$src/package-lock.json" "$build/"
  (cd "$build" && npm ci --no-audit --no-fund --loglevel=error)
fi
rm -rf "$build/src" "$build/out"
cp -r "$src/src" "$src/tsconfig.json" "$build/"
cd "$build" && npx --no-install tsc -p .
test -s out/extension.js
echo "vscode extension: compiled"
