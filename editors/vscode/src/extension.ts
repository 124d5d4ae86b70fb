// Starts `qlx lsp` for VBA modules: its diagnostics are the findings of
// `qlx check`, its code actions write headers, handlers and the module
// header and expand 'deb markers in the open buffer.
import * as vscode from 'vscode';
import { LanguageClient, LanguageClientOptions, ServerOptions, TransportKind } from 'vscode-languageclient/node';

let client: LanguageClient | undefined;

export async function activate(context: vscode.ExtensionContext): Promise<void> {
  const config = vscode.workspace.getConfiguration('qlx');
  // An empty setting means the default: qlx looked up on PATH.
  const command = config.get<string>('path')?.trim() || 'qlx';
  const debounce = config.get<number>('debounce', 300);
  // The stdio transport appends --stdio to the arguments.
  const serverOptions: ServerOptions = {
    command,
    args: ['lsp', '--debounce', String(debounce)],
    transport: TransportKind.stdio,
  };
  const clientOptions: LanguageClientOptions = {
    documentSelector: [
      { scheme: 'file', language: 'vba' },
      // Where another extension claims these files for its own language.
      { scheme: 'file', pattern: '**/*.{bas,cls,frm}' },
    ],
  };
  client = new LanguageClient('qlx', 'QLX', serverOptions, clientOptions);
  context.subscriptions.push({ dispose: () => void client?.stop() });
  try {
    await client.start();
  } catch (e) {
    client = undefined;
    const reason = e instanceof Error ? e.message : String(e);
    void vscode.window.showErrorMessage(
      `QLX: could not start "${command} lsp" (${reason}). Install qlx or set qlx.path to the program.`,
    );
  }
}

export async function deactivate(): Promise<void> {
  if (client) await client.stop();
  client = undefined;
}
