// Drives `qlx lsp` with vscode-jsonrpc / vscode-languageserver-protocol, the
// libraries VS Code's own client is built on, and checks every answer
// against what the qlx command line writes into a file.
// Usage: node client_test.js QLX_BINARY
'use strict';

const assert = require('assert/strict');
const cp = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const rpc = require('vscode-jsonrpc/node');
const proto = require('vscode-languageserver-protocol');

const qlx = process.argv[2];
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'qlx-lsp-node-'));
const ini = path.join(work, 'QLX.ini');
fs.writeFileSync(ini, '\ufeff[Author]\r\nName=山田\r\n');
const env = { ...process.env, QLX_NOW: '2026-12-08T09:05:03', QLX_INI: ini, LC_ALL: 'ja_JP.UTF-8' };
const file = path.join(work, 'Module1.bas');
const uri = 'file://' + file;

const original = [
  'Attribute VB_Name = "Module1"',
  'Option Explicit',
  "' 合計を求める",
  'Public Function Add(ByVal a As Long, ByVal b As Long) As Long',
  "    'deb a",
  '    Add = a + b',
  'End Function',
  '',
].join('\r\n');

// Text edits at UTF-16 positions (JavaScript strings count the same units).
function offsetOf(text, pos) {
  let i = 0;
  for (let line = 0; line < pos.line; line++) {
    while (i < text.length && text[i] !== '\n' && text[i] !== '\r') i++;
    if (i === text.length) return i;
    if (text[i] === '\r' && text[i + 1] === '\n') i++;
    i++;
  }
  let end = i;
  while (end < text.length && text[end] !== '\n' && text[end] !== '\r') end++;
  return Math.min(i + pos.character, end);
}
function applyEdits(text, edits) {
  const sorted = [...edits].sort((a, b) => offsetOf(text, b.range.start) - offsetOf(text, a.range.start));
  for (const e of sorted) {
    text = text.slice(0, offsetOf(text, e.range.start)) + e.newText + text.slice(offsetOf(text, e.range.end));
  }
  return text;
}
function editsOf(workspaceEdit) {
  assert.equal(workspaceEdit.documentChanges.length, 1);
  assert.equal(workspaceEdit.documentChanges[0].textDocument.uri, uri);
  return workspaceEdit.documentChanges[0].edits;
}

// What the command line writes into a file holding text.
function cliResult(text, args, answers) {
  const copy = path.join(work, 'cli', 'Module1.bas');
  fs.mkdirSync(path.dirname(copy), { recursive: true });
  fs.writeFileSync(copy, text);
  const full = [...args, copy];
  if (answers) full.push('--answers', answers);
  cp.execFileSync(qlx, full, { env, stdio: ['ignore', 'ignore', 'pipe'] });
  return fs.readFileSync(copy, 'utf8');
}

async function main() {
  const server = cp.spawn(qlx, ['lsp', '--debounce', '100'], { env, stdio: ['pipe', 'pipe', 'pipe'] });
  let stderr = '';
  server.stderr.on('data', (d) => (stderr += d));
  const exited = new Promise((resolve) => server.on('exit', (code) => resolve(code)));
  const conn = rpc.createMessageConnection(new rpc.StreamMessageReader(server.stdout), new rpc.StreamMessageWriter(server.stdin));

  const diagnostics = [];
  let diagnosticsWaiter = null;
  conn.onNotification(proto.PublishDiagnosticsNotification.type, (p) => {
    diagnostics.push(p);
    if (diagnosticsWaiter) diagnosticsWaiter();
  });
  const waitDiagnostics = (version) =>
    new Promise((resolve, reject) => {
      // A guard against a hang only: on a loaded machine, in a sanitizer
      // build, an answer can take seconds.
      const timer = setTimeout(() => reject(new Error('no diagnostics for version ' + version)), 60000);
      const check = () => {
        const found = diagnostics.find((d) => d.version === version);
        if (found) {
          clearTimeout(timer);
          diagnosticsWaiter = null;
          resolve(found);
        }
      };
      diagnosticsWaiter = check;
      check();
    });

  const answers = [];
  const questions = [];
  conn.onRequest(proto.ShowMessageRequest.type, (p) => {
    questions.push(p.message);
    assert.deepEqual(p.actions.map((a) => a.title), ['Yes', 'No']);
    assert.ok(answers.length > 0, 'a question nobody expected: ' + p.message);
    return { title: answers.shift() };
  });
  const messages = [];
  conn.onNotification(proto.ShowMessageNotification.type, (p) => messages.push(p.message));
  let text = original;
  let version = 1;
  const applied = [];
  conn.onRequest(proto.ApplyWorkspaceEditRequest.type, (p) => {
    applied.push(p.edit);
    return { applied: true };
  });
  conn.listen();

  const init = await conn.sendRequest(proto.InitializeRequest.type, { processId: process.pid, rootUri: 'file://' + work, capabilities: {} });
  assert.equal(init.capabilities.textDocumentSync.change, proto.TextDocumentSyncKind.Incremental);
  await conn.sendNotification(proto.InitializedNotification.type, {});

  // Open: the findings of qlx check, at lines of the buffer.
  await conn.sendNotification(proto.DidOpenTextDocumentNotification.type, {
    textDocument: { uri, languageId: 'vb', version, text },
  });
  let diags = await waitDiagnostics(1);
  assert.deepEqual(
    diags.diagnostics.map((d) => [d.code, d.range.start.line, d.range.start.character]),
    [['missing-header', 3, 0], ['deb-marker', 4, 4]],
  );

  // Incremental changes: a third parameter, and 'deb b added, in one notification.
  const close = original.split('\r\n')[3].indexOf(') As Long');
  const changes = [
    { range: { start: { line: 3, character: close }, end: { line: 3, character: close } }, text: ', Optional c As String = "合"' },
    { range: { start: { line: 4, character: 10 }, end: { line: 4, character: 10 } }, text: '\r\n    \'deb b' },
  ];
  for (const c of changes) text = applyEdits(text, [{ range: c.range, newText: c.text }]);
  assert.match(text, /ByVal b As Long, Optional c As String = "合"\) As Long\r\n    'deb a\r\n    'deb b\r\n/);
  version = 2;
  await conn.sendNotification(proto.DidChangeTextDocumentNotification.type, { textDocument: { uri, version }, contentChanges: changes });
  diags = await waitDiagnostics(2);
  assert.deepEqual(
    diags.diagnostics.map((d) => [d.code, d.range.start.line]),
    [['missing-header', 3], ['deb-marker', 4], ['deb-marker', 5]],
  );
  // A full-text change is taken as well.
  version = 3;
  await conn.sendNotification(proto.DidChangeTextDocumentNotification.type, { textDocument: { uri, version }, contentChanges: [{ text }] });
  await waitDiagnostics(3);

  // Every code action at the procedure's row, each checked against the command line.
  const range = { start: { line: 3, character: 5 }, end: { line: 3, character: 5 } };
  let actions = await conn.sendRequest(proto.CodeActionRequest.type, {
    textDocument: { uri }, range, context: { diagnostics: diags.diagnostics.filter((d) => d.range.start.line === 3) },
  });
  assert.deepEqual(actions.map((a) => a.title), [
    'Write or update the procedure header',
    'Insert the error handler',
    "Expand the 'deb markers",
    'Write the module header',
    'Write headers for all procedures',
  ]);
  assert.equal(actions[0].kind, 'quickfix');
  assert.equal(actions[0].diagnostics[0].code, 'missing-header');
  const cli = {
    'Write or update the procedure header': ['header', '--line', '4'],
    'Insert the error handler': ['errtrap', '--line', '4'],
    "Expand the 'deb markers": ['deb'],
    'Write the module header': ['module-header'],
    'Write headers for all procedures': ['all-headers'],
  };
  const lineCount = text.split('\r\n').length;
  for (const a of actions) {
    assert.ok(a.edit, a.title + ' asks nothing, so it comes as an edit');
    const edits = editsOf(a.edit);
    for (const e of edits) {
      assert.ok(e.range.start.line > 0 || e.range.end.line < lineCount - 1, a.title + ' replaced the whole buffer');
    }
    assert.equal(applyEdits(text, edits), cliResult(text, cli[a.title]), a.title);
  }

  // Apply the header as an editor does, then ask again: the header exists, so
  // the update asks, and the action is a command run on request.
  text = applyEdits(text, editsOf(actions[0].edit));
  version = 4;
  await conn.sendNotification(proto.DidChangeTextDocumentNotification.type, { textDocument: { uri, version }, contentChanges: [{ text }] });
  diags = await waitDiagnostics(4);
  assert.ok(!diags.diagnostics.some((d) => d.code === 'missing-header'), 'the header was written');
  const declLine = text.split('\r\n').findIndex((l) => l.startsWith('Public Function Add'));
  actions = await conn.sendRequest(proto.CodeActionRequest.type, {
    textDocument: { uri }, range: { start: { line: declLine, character: 0 }, end: { line: declLine, character: 0 } }, context: { diagnostics: [] },
  });
  const header = actions.find((a) => a.title === 'Write or update the procedure header');
  assert.ok(header.command, 'an update asks first, so it runs as a command');

  // Answered No: nothing changes.
  answers.push('No');
  await conn.sendRequest(proto.ExecuteCommandRequest.type, header.command);
  assert.equal(questions.length, 1);
  assert.equal(answers.length, 0);
  assert.equal(applied.length, 0, 'No changed the buffer');

  // Answered Yes (update, then keep it): the edit the command line makes.
  answers.push('Yes', 'Yes');
  await conn.sendRequest(proto.ExecuteCommandRequest.type, header.command);
  assert.equal(questions.length, 3);
  assert.equal(applied.length, 1);
  const updated = applyEdits(text, editsOf(applied[0]));
  assert.equal(updated, cliResult(text, ['header', '--line', String(declLine + 1)], 'y,y'));
  assert.match(updated, /更新:2026\/12\/08 9:05:03/);

  // A command on a buffer that changed since it was offered is refused.
  version = 5;
  text = updated;
  await conn.sendNotification(proto.DidChangeTextDocumentNotification.type, { textDocument: { uri, version }, contentChanges: [{ text }] });
  await conn.sendRequest(proto.ExecuteCommandRequest.type, header.command);
  assert.equal(applied.length, 1);
  assert.match(messages[messages.length - 1], /changed since/);

  await conn.sendRequest(proto.ShutdownRequest.type);
  await conn.sendNotification(proto.ExitNotification.type);
  assert.equal(await exited, 0);
  assert.equal(stderr, '');
  fs.rmSync(work, { recursive: true, force: true });
  console.log('node client: all checks passed');
}

const watchdog = setTimeout(() => {
  console.error('node client: timed out');
  process.exit(1);
}, 240000); // within ctest's 300 s for this test
main().then(
  () => {
    clearTimeout(watchdog);
    process.exit(0);
  },
  (e) => {
    console.error('node client: FAILED\n' + (e.stack || e));
    process.exit(1);
  },
);
