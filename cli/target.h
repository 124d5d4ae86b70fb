// The target of a command that works on one procedure: --row, --line or
// --proc, resolved to a row of the code module.
#pragma once

#include "cli/options.h"
#include "cli/workspace.h"
#include "host/host.h"

namespace qlx::cli {

// The code-module row that --row, --line or --proc names; refuses one
// outside the module and a procedure name the module does not have.
Row ResolveRow(const Target& target, Workspace& ws, UiService& ui);
// The same for a command that writes into the procedure: a row of the
// declaration section is refused before anything runs.
Row ProcedureRow(const Target& target, Workspace& ws, UiService& ui);

}  // namespace qlx::cli
