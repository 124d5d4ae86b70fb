// Runs the packed VS Code extension under Node against qlx lsp, with a
// stand-in for the `vscode` module (no VS Code can be had here): the
// extension's own bundle and language client, a real qlx server process.
//
//   node extension_host.js EXTENSION_FOLDER QLX
//
// Three activations: with qlx.path naming the program, with qlx.path empty
// and qlx on PATH, and with qlx.path naming no program. The first two must
// start the server, publish the findings of a module without headers as
// diagnostics and stop it again; the third must say what is wrong.
'use strict';
const assert = require('node:assert');
const { execFileSync } = require('node:child_process');
const fs = require('node:fs');
const Module = require('node:module');
const os = require('node:os');
const path = require('node:path');

const [extensionFolder, qlx] = process.argv.slice(2);

// Only what the extension and its language client use.
class Disposable {
  constructor(dispose) {
    this._dispose = dispose;
  }
  static from(...items) {
    return new Disposable(() => items.forEach((item) => item?.dispose?.()));
  }
  dispose() {
    this._dispose?.();
    this._dispose = undefined;
  }
}
class EventEmitter {
  constructor() {
    this.listeners = new Set();
    this.event = (listener, thisArg) => {
      const bound = listener.bind(thisArg);
      this.listeners.add(bound);
      return new Disposable(() => this.listeners.delete(bound));
    };
  }
  fire(value) {
    for (const listener of [...this.listeners]) listener(value);
  }
  dispose() {
    this.listeners.clear();
  }
}
class Uri {
  constructor(scheme, fsPath) {
    this.scheme = scheme;
    this.fsPath = fsPath;
    this.path = fsPath;
    this.authority = '';
    this.query = '';
    this.fragment = '';
  }
  static file(fsPath) {
    return new Uri('file', fsPath);
  }
  static parse(text) {
    const url = new URL(text);
    return new Uri(url.protocol.replace(/:$/, ''), decodeURIComponent(url.pathname));
  }
  toString() {
    return `${this.scheme}://${encodeURI(this.fsPath)}`;
  }
  toJSON() {
    return this.toString();
  }
}
class Position {
  constructor(line, character) {
    this.line = line;
    this.character = character;
  }
}
class Range {
  constructor(start, end, endLine, endCharacter) {
    if (typeof start === 'number') [start, end] = [new Position(start, end), new Position(endLine, endCharacter)];
    this.start = start;
    this.end = end;
  }
}
class Diagnostic {
  constructor(range, message, severity) {
    this.range = range;
    this.message = message;
    this.severity = severity;
  }
}
class CancellationTokenSource {
  constructor() {
    const emitter = new EventEmitter();
    this.token = { isCancellationRequested: false, onCancellationRequested: emitter.event };
    this.cancel = () => {
      this.token.isCancellationRequested = true;
      emitter.fire();
    };
  }
  dispose() {}
}
class CodeActionKind {
  constructor(value) {
    this.value = value;
  }
  append(part) {
    return new CodeActionKind(this.value ? `${this.value}.${part}` : part);
  }
  contains(other) {
    return other.value === this.value || other.value.startsWith(this.value + '.');
  }
}
for (const [name, value] of Object.entries({ Empty: '', QuickFix: 'quickfix', Refactor: 'refactor',
  RefactorExtract: 'refactor.extract', RefactorInline: 'refactor.inline', RefactorRewrite: 'refactor.rewrite',
  Source: 'source', SourceOrganizeImports: 'source.organizeImports', SourceFixAll: 'source.fixAll' })) {
  CodeActionKind[name] = new CodeActionKind(value);
}

const state = { settings: {}, documents: [], diagnostics: new Map(), errors: [], output: [] };
const opened = new EventEmitter();
const closed = new EventEmitter();
function documentSelectorMatches(selector, document) {
  return [].concat(selector).some((filter) => {
    if (typeof filter === 'string') return filter === document.languageId;
    if (filter.scheme && filter.scheme !== document.uri.scheme) return false;
    if (filter.language && filter.language !== document.languageId) return false;
    if (filter.pattern) {
      const extensions = /\{([^}]*)\}$/.exec(String(filter.pattern))?.[1].split(',') ?? [];
      return extensions.some((e) => document.fileName.toLowerCase().endsWith('.' + e));
    }
    return true;
  });
}
const noEvent = () => new Disposable();
const stub = {
  version: '1.82.0',
  Disposable, EventEmitter, Uri, Position, Range, Diagnostic, CancellationTokenSource, CodeActionKind,
  CancellationError: class extends Error {},
  DiagnosticSeverity: { Error: 0, Warning: 1, Information: 2, Hint: 3 },
  DiagnosticTag: { Unnecessary: 1, Deprecated: 2 },
  ProgressLocation: { SourceControl: 1, Window: 10, Notification: 15 },
  TabInputText: class {}, TabInputTextDiff: class {}, TabInputCustom: class {},
  env: { appName: 'stand-in', language: 'en', openExternal: async () => true },
  workspace: {
    getConfiguration: (section) => ({
      get: (key, fallback) => {
        const value = state.settings[section ? `${section}.${key}` : key];
        return value === undefined ? fallback : value;
      },
      has: (key) => `${section}.${key}` in state.settings,
    }),
    get textDocuments() {
      return state.documents;
    },
    workspaceFolders: undefined,
    onDidOpenTextDocument: opened.event,
    onDidCloseTextDocument: closed.event,
    onDidChangeTextDocument: noEvent,
    onDidSaveTextDocument: noEvent,
    onWillSaveTextDocument: noEvent,
    onDidChangeConfiguration: noEvent,
    onDidChangeWorkspaceFolders: noEvent,
    createFileSystemWatcher: () => ({ onDidCreate: noEvent, onDidChange: noEvent, onDidDelete: noEvent, dispose() {} }),
    applyEdit: async () => true,
  },
  window: {
    createOutputChannel: (name) => ({
      name,
      append: (text) => state.output.push(text),
      appendLine: (text) => state.output.push(text + '\n'),
      replace() {}, clear() {}, show() {}, hide() {}, dispose() {},
    }),
    showErrorMessage: async (message) => {
      state.errors.push(message);
      return undefined;
    },
    showWarningMessage: async () => undefined,
    showInformationMessage: async () => undefined,
    showTextDocument: async () => undefined,
    withProgress: async (options, task) => task({ report() {} }, new CancellationTokenSource().token),
    activeTextEditor: undefined,
    visibleTextEditors: [],
    tabGroups: { all: [], onDidChangeTabs: noEvent },
    onDidChangeActiveTextEditor: noEvent,
    onDidChangeVisibleTextEditors: noEvent,
  },
  languages: {
    match: (selector, document) => (documentSelectorMatches(selector, document) ? 10 : 0),
    createDiagnosticCollection: (name) => ({
      name,
      set: (uri, diagnostics) => state.diagnostics.set(uri.toString(), diagnostics ?? []),
      delete: (uri) => state.diagnostics.delete(uri.toString()),
      clear() {}, dispose() {},
    }),
  },
  commands: { registerCommand: () => new Disposable(), executeCommand: async () => undefined },
};
// The client subclasses many of vscode's classes as it loads (CompletionItem,
// CodeLens, ...): any other class is a plain one. Any other namespace member
// is missing, and said so.
const vscode = new Proxy(stub, {
  get(target, name) {
    if (name in target || typeof name === 'symbol' || name.startsWith('__')) return target[name];
    if (/^[A-Z]/.test(name)) {
      target[name] = class {
        constructor(...args) {
          this.args = args;
        }
      };
      return target[name];
    }
    throw new Error(`the vscode stand-in has no ${name}`);
  },
});
stub.languages = new Proxy(stub.languages, {
  get: (target, name) => target[name] ?? (String(name).startsWith('register') ? () => new Disposable() : undefined),
});

const resolve = Module._resolveFilename;
Module._resolveFilename = function (request, ...rest) {
  return request === 'vscode' ? 'vscode' : resolve.call(this, request, ...rest);
};
require.cache.vscode = { id: 'vscode', filename: 'vscode', loaded: true, exports: vscode };

const manifest = JSON.parse(fs.readFileSync(path.join(extensionFolder, 'package.json'), 'utf8'));
const extension = require(path.join(extensionFolder, manifest.main));

// A module whose procedure has no header: the server must find it.
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'qlx-extension.'));
const modulePath = path.join(work, 'Module1.bas');
const moduleText = 'Attribute VB_Name = "Module1"\r\nOption Explicit\r\n\r\nPublic Sub Main()\r\n    Debug.Print 1\r\nEnd Sub\r\n';
fs.writeFileSync(modulePath, moduleText);
const document = {
  uri: Uri.file(modulePath),
  fileName: modulePath,
  languageId: manifest.contributes.languages[0].id,
  version: 1,
  isClosed: false,
  isDirty: false,
  isUntitled: false,
  lineCount: moduleText.split('\r\n').length,
  getText: () => moduleText,
  eol: 2,
};

function qlxChildren() {
  try {
    return execFileSync('ps', ['-o', 'args=', '--ppid', String(process.pid)], { encoding: 'utf8' })
      .split('\n')
      .filter((line) => line.includes(' lsp'));
  } catch {
    return []; // ps exits 1 when no process matches
  }
}
async function until(what, condition) {
  // A guard against hanging only; the server answers in milliseconds.
  for (let waited = 0; waited < 120000; waited += 50) {
    if (condition()) return;
    await new Promise((done) => setTimeout(done, 50));
  }
  throw new Error(`gave up waiting for ${what}`);
}

async function startsAndPublishes(label, settings, env) {
  state.settings = settings;
  state.documents = [document];
  state.diagnostics.clear();
  state.errors = [];
  const savedPath = process.env.PATH;
  if (env.PATH) process.env.PATH = env.PATH;
  const context = { subscriptions: [] };
  try {
    await extension.activate(context);
  } finally {
    process.env.PATH = savedPath;
  }
  assert.deepStrictEqual(state.errors, [], `${label}: ${state.errors.join('; ')}`);
  const server = qlxChildren();
  assert.strictEqual(server.length, 1, `${label}: one qlx lsp process, found ${JSON.stringify(server)}`);
  assert.match(server[0], / lsp --debounce 300 --stdio$/, `${label}: ${server[0]}`);
  await until(`${label}: diagnostics`, () => state.diagnostics.has(document.uri.toString()));
  const found = state.diagnostics.get(document.uri.toString());
  const codes = found.map((d) => (typeof d.code === 'object' ? d.code.value : d.code));
  assert.ok(codes.includes('missing-header'), `${label}: diagnostics ${JSON.stringify(found)}`);
  const missing = found[codes.indexOf('missing-header')];
  assert.strictEqual(missing.range.start.line, 3, `${label}: on the declaration's line`);
  await extension.deactivate();
  for (const item of context.subscriptions) item.dispose();
  await until(`${label}: the server to exit`, () => qlxChildren().length === 0);
  console.log(`extension: ${label}: started qlx lsp --stdio, got ${codes.join(', ')}, stopped it`);
}

async function main() {
  const contributes = manifest.contributes;
  assert.deepStrictEqual(contributes.languages[0].extensions, ['.bas', '.cls', '.frm']);
  assert.deepStrictEqual(contributes.configurationDefaults, { '[vba]': { 'files.encoding': 'shiftjis' } });
  assert.strictEqual(contributes.configuration.properties['qlx.path'].default, 'qlx');

  await startsAndPublishes('qlx.path', { 'qlx.path': path.resolve(qlx) }, {});
  const bin = path.join(work, 'bin');
  fs.mkdirSync(bin);
  fs.symlinkSync(path.resolve(qlx), path.join(bin, 'qlx'));
  await startsAndPublishes('PATH', { 'qlx.path': '' }, { PATH: `${bin}:${process.env.PATH}` });

  state.settings = { 'qlx.path': path.join(work, 'no-such-qlx') };
  state.errors = [];
  const context = { subscriptions: [] };
  await extension.activate(context);
  await until('the missing program to be reported', () => state.errors.some((e) => e.startsWith('QLX:')));
  assert.match(state.errors.find((e) => e.startsWith('QLX:')), /no-such-qlx lsp.*qlx\.path/);
  await extension.deactivate();
  for (const item of context.subscriptions) item.dispose();
  console.log('extension: a qlx.path naming no program is reported');
}

main().then(
  () => {
    fs.rmSync(work, { recursive: true, force: true });
    console.log('extension: PASS');
    process.exit(0);
  },
  (error) => {
    fs.rmSync(work, { recursive: true, force: true });
    console.error(`extension: FAIL: ${error.stack ?? error}`);
    console.error(state.output.join(''));
    process.exit(1);
  },
);
