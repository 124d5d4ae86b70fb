#!/usr/bin/env bash
# Checks the VS Code extension's .vsix as VS Code would take it: exactly the
# files of a bundled extension, under 100 KB, an MIT licence and a repository
# in its manifest, the release's version; then runs the packed extension under
# Node against qlx lsp (extension_host.js, a stand-in for VS Code).
#   tests/packaging/check-vsix.sh FILE.vsix QLX VERSION
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: $0 FILE.vsix QLX VERSION" >&2; exit 2; }
vsix=$1
qlx=$2
version=$3
here=$(cd "$(dirname "$0")" && pwd)
fail() {
  echo "check-vsix: $vsix: $*" >&2
  exit 1
}

expected='[Content_Types].xml extension.vsixmanifest extension/LICENSE.txt extension/THIRD-PARTY-NOTICES.txt extension/out/extension.js extension/package.json extension/readme.md'
listed=$(unzip -Z1 "$vsix" | LC_ALL=C sort | xargs)
[ "$listed" = "$expected" ] || fail "holds [$listed], expected [$expected]"
size=$(stat -c %s "$vsix")
((size < 100 * 1024)) || fail "is $size bytes, more than 100 KB"

work=$(mktemp -d "${TMPDIR:-/tmp}/qlx-check-vsix.XXXXXX")
trap 'rm -rf "$work"' EXIT
unzip -q "$vsix" -d "$work"
node -e '
  const [file, version] = process.argv.slice(1);
  const m = JSON.parse(require("fs").readFileSync(file, "utf8"));
  const problems = [];
  if (m.license !== "MIT") problems.push(`license ${m.license}`);
  if (!m.repository || !(m.repository.url || m.repository)) problems.push("no repository");
  if (m.version !== version) problems.push(`version ${m.version}, not ${version}`);
  if (m.main !== "./out/extension.js") problems.push(`main ${m.main}`);
  if (m.dependencies && Object.keys(m.dependencies).length) problems.push("dependencies left unbundled");
  if (problems.length) { console.error(problems.join("; ")); process.exit(1); }
' "$work/extension/package.json" "$version" || fail "extension/package.json is not as released"
grep -q "<Identity Language=\"en-US\" Id=\"qlx-vba\" Version=\"$version\" Publisher=\"qlx\" />" \
  "$work/extension.vsixmanifest" || fail "extension.vsixmanifest does not name qlx-vba $version"
grep -q '^MIT License' "$work/extension/LICENSE.txt" || fail "extension/LICENSE.txt is not the MIT licence"
grep -q '^vscode-languageclient ' "$work/extension/THIRD-PARTY-NOTICES.txt" ||
  fail "THIRD-PARTY-NOTICES.txt lacks the language client's licence"
# The bundle stands alone: the only module it asks for that Node lacks is vscode.
node -e '
  const source = require("fs").readFileSync(process.argv[1], "utf8");
  const wanted = new Set([...source.matchAll(/require\("([^"]+)"\)/g)].map((m) => m[1]));
  const builtin = new Set(require("module").builtinModules);
  const outside = [...wanted].filter((n) => n !== "vscode" && !builtin.has(n.replace(/^node:/, "")));
  if (outside.length) { console.error(outside.join(", ")); process.exit(1); }
' "$work/extension/out/extension.js" || fail "out/extension.js asks for modules it does not hold"

node "$here/extension_host.js" "$work/extension" "$qlx"
echo "check-vsix: $vsix: $(unzip -Z1 "$vsix" | wc -l) files, $size bytes, runs against qlx lsp"
