#!/usr/bin/env bash
# Builds the VS Code extension into OUT.vsix: copies this folder into WORK
# (a build folder), installs the pinned npm packages there (package-lock.json;
# again only when the lock changed), type-checks the extension and packs it
# (package-vsix.mjs) with the given version.
#   editors/vscode/build.sh WORK OUT.vsix VERSION
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: $0 WORK OUT.vsix VERSION" >&2; exit 2; }
work=$1
out=$(realpath -m "$2")
version=$3
src=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$work"
if ! cmp -s "$src/package-lock.json" "$work/package-lock.json" || [ ! -d "$work/node_modules" ]; then
  cp "$src/package.json" "$src/package-lock.json" "$work/"
  (cd "$work" && npm ci --no-audit --no-fund --loglevel=error)
fi
# The sources as they are now, the licence link followed.
rm -rf "$work/src" "$work/out"
tar -C "$src" --exclude=./node_modules --exclude=./out -ch . | tar -C "$work" -x
cd "$work"
npx --no-install tsc -p . --noEmit
node package-vsix.mjs "$out" "$version"
