// The file-set runner: a writing command's operation on many files, folders
// and documents, each on its own, with what is written or shown of each.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "cli/command_support.h"
#include "cli/options.h"
#include "cli/workspace.h"
#include "operations/operations.h"

namespace qlx::cli {

// One writing command's work on one file's editor, through the operations
// bound to that editor with the settings loaded as the tool window loads them.
using Operation = std::function<void(Workspace&, UiService&, Operations&)>;

// Runs operation on each file of paths (folders walked) on its own: a file
// that is refused or fails does not stop the others. Writes, or with --diff,
// --check, --stdout and for "-" prints, each result; says what it wrote and
// sums up on stderr. Returns the worst exit status.
// walk: folders are walked (the PATH... commands); otherwise each path is
// one module file.
int RunOnFiles(const std::vector<std::string>& paths, const CommonOptions& common, const WriteOptions& write,
               const Operation& operation, bool walk = true);

// The command of operation id: a procedure operation at the procedure target
// names in the one file of paths; a whole-module one on each file of paths,
// folders walked.
int RunOperationCommand(OperationId id, const std::vector<std::string>& paths, const Target& target,
                        const CommonOptions& common, const WriteOptions& write);

}  // namespace qlx::cli
