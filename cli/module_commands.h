// The commands on module files and documents: proc and scan, which read,
// and the writers, one function each.
#pragma once

#include <string>
#include <vector>

#include "cli/options.h"

namespace qlx::cli {

// The commands, one function each; each returns the exit status and throws
// UsageError.
int RunProc(const std::string& path, const Target& target, const CommonOptions& common);
int RunScan(const std::string& path, bool full, const CommonOptions& common);
int RunHeader(const std::string& path, const Target& target, const CommonOptions& common,
              const WriteOptions& write);
int RunErrTrap(const std::string& path, const Target& target, const CommonOptions& common,
               const WriteOptions& write);
int RunDeb(const std::vector<std::string>& paths, const CommonOptions& common, const WriteOptions& write);
int RunModuleHeader(const std::vector<std::string>& paths, const CommonOptions& common, const WriteOptions& write);
int RunAllHeaders(const std::vector<std::string>& paths, const CommonOptions& common, const WriteOptions& write);
int RunHeaders(const std::vector<std::string>& paths, const CommonOptions& common, const WriteOptions& write);

}  // namespace qlx::cli
