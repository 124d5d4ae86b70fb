// Builds the extension's .vsix: esbuild bundles the extension and its
// language client into out/extension.js, and the files that .vscodeignore
// lets through go into the zip VS Code installs, under extension/, beside
// the two files a .vsix holds at its top ([Content_Types].xml and
// extension.vsixmanifest) and the licences of the bundled packages.
//
//   node package-vsix.mjs OUT.vsix VERSION
//
// Run in the extension's folder after `npm ci`. VERSION is written into the
// packaged package.json, so the extension carries the release's version.
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import * as esbuild from 'esbuild';
import minimatch from 'minimatch';

const here = path.dirname(fileURLToPath(import.meta.url));
const [out, version] = process.argv.slice(2);
if (!out || !/^\d+\.\d+\.\d+$/.test(version ?? '')) {
  console.error('usage: node package-vsix.mjs OUT.vsix MAJOR.MINOR.PATCH');
  process.exit(2);
}
const manifest = JSON.parse(fs.readFileSync(path.join(here, 'package.json'), 'utf8'));
manifest.version = version;

const built = await esbuild.build({
  absWorkingDir: here,
  entryPoints: ['src/extension.ts'],
  outfile: 'out/extension.js',
  bundle: true,
  platform: 'node',
  target: 'node18',
  format: 'cjs',
  external: ['vscode'],
  minify: true,
  legalComments: 'none',
  metafile: true,
  logLevel: 'warning',
});

// The files .vscodeignore lets through; as for vsce, the last pattern that
// matches a path decides, and a leading ! lets it through again.
const ignore = fs
  .readFileSync(path.join(here, '.vscodeignore'), 'utf8')
  .split('\n')
  .map((line) => line.trim())
  .filter((line) => line && !line.startsWith('#'));
function shipped(relative) {
  let keep = true;
  for (const pattern of ignore) {
    const negated = pattern.startsWith('!');
    if (minimatch(relative, negated ? pattern.slice(1) : pattern, { dot: true })) keep = negated;
  }
  return keep;
}
function walk(folder, prefix = '') {
  const files = [];
  for (const entry of fs.readdirSync(folder, { withFileTypes: true })) {
    const relative = prefix + entry.name;
    const full = path.join(folder, entry.name);
    if (entry.name === 'node_modules' || entry.name === '.git') continue;
    if (fs.statSync(full).isDirectory()) files.push(...walk(full, relative + '/'));
    else if (shipped(relative)) files.push(relative);
  }
  return files;
}
const files = walk(here).sort();

// The licences of the packages bundled into out/extension.js, one after the other.
const packages = new Map();
for (const input of Object.keys(built.metafile.inputs)) {
  const match = /^(.*node_modules\/(?:@[^/]+\/)?[^/]+)\//.exec(input);
  if (match) packages.set(match[1], true);
}
let notices = '';
for (const folder of [...packages.keys()].sort()) {
  const info = JSON.parse(fs.readFileSync(path.join(here, folder, 'package.json'), 'utf8'));
  const licence = fs.readdirSync(path.join(here, folder)).find((name) => /^licen[cs]e/i.test(name));
  if (!licence) throw new Error(`${info.name} has no licence file to ship`);
  notices += `${info.name} ${info.version} (${info.license})\n\n`;
  notices += fs.readFileSync(path.join(here, folder, licence), 'utf8').trim() + '\n\n';
}

const stage = fs.mkdtempSync(path.join(os.tmpdir(), 'qlx-vsix.'));
try {
  const packed = new Map(); // name in the .vsix -> content or source file
  for (const file of files) {
    // vsce's names: the licence as LICENSE.txt, the readme as readme.md
    let name = file === 'LICENSE' ? 'LICENSE.txt' : file === 'README.md' ? 'readme.md' : file;
    packed.set('extension/' + name, file === 'package.json' ? JSON.stringify(manifest, null, 2) + '\n' : { file });
  }
  for (const needed of ['extension/package.json', 'extension/out/extension.js', 'extension/LICENSE.txt']) {
    if (!packed.has(needed)) throw new Error(`.vscodeignore leaves out ${needed}`);
  }
  packed.set('extension/THIRD-PARTY-NOTICES.txt', notices);

  const escape = (text) =>
    String(text).replace(/[&<>"]/g, (c) => ({ '&': '&amp;', '<': '&lt;', '>': '&gt;', '"': '&quot;' })[c]);
  const repository = typeof manifest.repository === 'string' ? manifest.repository : manifest.repository.url;
  const source = repository.replace(/\.git$/, '');
  const assets = [
    ['Microsoft.VisualStudio.Code.Manifest', 'extension/package.json'],
    ['Microsoft.VisualStudio.Services.Content.Details', 'extension/readme.md'],
    ['Microsoft.VisualStudio.Services.Content.License', 'extension/LICENSE.txt'],
  ].filter(([, file]) => packed.has(file));
  packed.set(
    'extension.vsixmanifest',
    `<?xml version="1.0" encoding="utf-8"?>
<PackageManifest Version="2.0.0" xmlns="http://schemas.microsoft.com/developer/vsx-schema/2011" xmlns:d="http://schemas.microsoft.com/developer/vsx-schema-design/2011">
  <Metadata>
    <Identity Language="en-US" Id="${escape(manifest.name)}" Version="${escape(version)}" Publisher="${escape(manifest.publisher)}" />
    <DisplayName>${escape(manifest.displayName)}</DisplayName>
    <Description xml:space="preserve">${escape(manifest.description)}</Description>
    <Tags>${escape((manifest.keywords ?? []).join(','))}</Tags>
    <Categories>${escape(manifest.categories.join(','))}</Categories>
    <GalleryFlags>Public</GalleryFlags>
    <Properties>
      <Property Id="Microsoft.VisualStudio.Code.Engine" Value="${escape(manifest.engines.vscode)}" />
      <Property Id="Microsoft.VisualStudio.Code.ExtensionDependencies" Value="" />
      <Property Id="Microsoft.VisualStudio.Code.ExtensionPack" Value="" />
      <Property Id="Microsoft.VisualStudio.Code.ExtensionKind" Value="workspace" />
      <Property Id="Microsoft.VisualStudio.Code.LocalizedLanguages" Value="" />
      <Property Id="Microsoft.VisualStudio.Services.Links.Source" Value="${escape(source)}" />
      <Property Id="Microsoft.VisualStudio.Services.Links.GitHub" Value="${escape(source)}" />
      <Property Id="Microsoft.VisualStudio.Services.GitHubFlavoredMarkdown" Value="true" />
      <Property Id="Microsoft.VisualStudio.Services.Content.Pricing" Value="Free" />
    </Properties>
    <License>extension/LICENSE.txt</License>
  </Metadata>
  <Installation>
    <InstallationTarget Id="Microsoft.VisualStudio.Code" />
  </Installation>
  <Dependencies />
  <Assets>
${assets.map(([type, file]) => `    <Asset Type="${type}" Path="${file}" Addressable="true" />`).join('\n')}
  </Assets>
</PackageManifest>
`,
  );
  const types = { '.json': 'application/json', '.js': 'application/javascript', '.md': 'text/markdown',
                   '.txt': 'text/plain', '.vsixmanifest': 'text/xml' };
  const extensions = [...new Set([...packed.keys()].map((name) => path.extname(name)))].sort();
  for (const extension of extensions) {
    if (!types[extension]) throw new Error(`no content type for ${extension} files`);
  }
  packed.set(
    '[Content_Types].xml',
    `<?xml version="1.0" encoding="utf-8"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">
${extensions.map((e) => `  <Default Extension="${e}" ContentType="${types[e]}" />`).join('\n')}
</Types>
`,
  );

  for (const [name, content] of packed) {
    const target = path.join(stage, name);
    fs.mkdirSync(path.dirname(target), { recursive: true });
    if (typeof content === 'string') fs.writeFileSync(target, content);
    else fs.copyFileSync(path.join(here, content.file), target);
  }
  const target = path.resolve(out);
  fs.rmSync(target, { force: true });
  // -nw: [Content_Types].xml is a name, not a pattern.
  execFileSync('zip', ['-q', '-X', '-nw', '-9', target, ...[...packed.keys()].sort()], { cwd: stage, stdio: 'inherit' });
} finally {
  fs.rmSync(stage, { recursive: true, force: true });
}
console.log(`package-vsix: ${out}`);
