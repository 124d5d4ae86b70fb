// The commands that read a module and write nothing: proc, the record of one
// procedure, and scan, the procedure table.
#pragma once

#include <string>

#include "cli/options.h"

namespace qlx::cli {

// Each returns the exit status and throws UsageError.
int RunProc(const std::string& path, const Target& target, const CommonOptions& common);
int RunScan(const std::string& path, bool full, const CommonOptions& common);

}  // namespace qlx::cli
