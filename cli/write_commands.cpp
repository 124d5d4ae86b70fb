// The writing commands: header and errtrap on one procedure, deb,
// module-header, all-headers and headers on whole modules.
#include "cli/file_runner.h"
#include "cli/module_commands.h"
#include "cli/target.h"

namespace qlx::cli {

int RunHeader(const std::string& path, const Target& target, const CommonOptions& common,
              const WriteOptions& write) {
  return RunOnFiles({path}, common, write, RunOperationAt(OperationId::kHeader, target), false);
}

int RunErrTrap(const std::string& path, const Target& target, const CommonOptions& common,
               const WriteOptions& write) {
  return RunOnFiles({path}, common, write, RunOperationAt(OperationId::kErrTrap, target), false);
}

int RunDeb(const std::vector<std::string>& paths, const CommonOptions& common, const WriteOptions& write) {
  return RunOnFiles(paths, common, write, RunOperationAt(OperationId::kDeb));
}

int RunModuleHeader(const std::vector<std::string>& paths, const CommonOptions& common, const WriteOptions& write) {
  return RunOnFiles(paths, common, write, RunOperationAt(OperationId::kModuleHeader));
}

int RunAllHeaders(const std::vector<std::string>& paths, const CommonOptions& common, const WriteOptions& write) {
  return RunOnFiles(paths, common, write, RunOperationAt(OperationId::kAllHeaders));
}

int RunHeaders(const std::vector<std::string>& paths, const CommonOptions& common, const WriteOptions& write) {
  return RunOnFiles(paths, common, write, RunOperationAt(OperationId::kHeaders));
}

}  // namespace qlx::cli
