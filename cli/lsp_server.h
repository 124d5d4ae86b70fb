// qlx lsp: a language server (JSON-RPC over stdin and stdout) whose
// diagnostics are the check findings and whose code actions are the
// add-in's commands, run by the engine on the editor's buffer.
#pragma once

#include <iosfwd>
#include <string>

namespace qlx::cli {

struct LspOptions {
  std::string encoding = "CP932";  // for settings files, as the other commands read them
  int debounce_ms = 300;           // between the last change and its diagnostics
};

// Serves until exit; returns 0 after shutdown then exit, 1 for an exit (or
// the end of input) without shutdown.
int RunLsp(const LspOptions& options, std::istream& in, std::ostream& out);

}  // namespace qlx::cli
