#!/usr/bin/env bash
# Builds the VS Code extension's .vsix in a build folder (editors/vscode/build.sh,
# pinned npm packages) and checks it against this build's qlx (check-vsix.sh).
# Exit 77 (skipped) without Node.js and npm.
#   tests/packaging/run-vsix.sh QLX WORK VERSION
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: $0 QLX WORK VERSION" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
command -v node >/dev/null && command -v npm >/dev/null || { echo "node/npm not installed: skipped"; exit 77; }
"$here/../../editors/vscode/build.sh" "$2" "$2/qlx-vba-$3.vsix" "$3"
"$here/check-vsix.sh" "$2/qlx-vba-$3.vsix" "$1" "$3"
