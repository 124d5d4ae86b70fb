// Starts `qlx lsp` for VBA modules: its diagnostics are the findings of
// `qlx check`, its code actions write headers, handlers and the module
// header and expand 'deb markers in the open buffer.
import * as vscode from 'vscode';
import { LanguageClient, LanguageClientOptions, ServerOptions, TransportKind } from 'vscode-languageclient/node';

let client: LanguageClient | undefined;

export async function activate(context: vscode.ExtensionContext): Promise<void> {
  const config = vscode.workspace.getConfiguration('qlx');
  const command = config.get<string>('path', 'qlx');
  const debounce = config.get<number>('debounce', 300);
  const serverOptions: ServerOptions = {
    command,
    args: ['lsp', '--debounce', String(debounce)],
    transport: TransportKind.stdio,
  };
  const clientOptions: LanguageClientOptions = {
    documentSelector: [
      { scheme: 'file', language: 'vba' },
      { scheme: 'file', language: 'vb' },
      { scheme: 'file', pattern: '**/*.{bas,cls,frm}' },
    ],
  };
  client = new LanguageClient('qlx', 'QLX', serverOptions, clientOptions);
  context.subscriptions.push({ dispose: () => void client?.stop() });
  await client.start();
}

export async function deactivate(): Promise<void> {
  if (client) await client.stop();
}
