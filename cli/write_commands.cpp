// The writing commands: header and errtrap on one procedure, deb,
// module-header, all-headers and headers on whole modules.
#include "cli/command_support.h"

namespace qlx::cli {

int RunHeader(const std::string& path, const Target& target, const CommonOptions& common,
              const WriteOptions& write) {
  return RunOnFiles({path}, common, write, [&target](Workspace& ws, UiService& ui, Tools& tools) {
    tools.header.WriteHeaderProc(ProcedureRow(target, ws, ui));
  }, false);
}

int RunErrTrap(const std::string& path, const Target& target, const CommonOptions& common,
               const WriteOptions& write) {
  return RunOnFiles({path}, common, write, [&target](Workspace& ws, UiService& ui, Tools& tools) {
    tools.errtrap.WriteErrTrapProc(ProcedureRow(target, ws, ui));
  }, false);
}

int RunDeb(const std::vector<std::string>& paths, const CommonOptions& common, const WriteOptions& write) {
  return RunOnFiles(paths, common, write, [](Workspace&, UiService&, Tools& tools) { tools.deb.ReplaceDeb(); });
}

int RunModuleHeader(const std::vector<std::string>& paths, const CommonOptions& common, const WriteOptions& write) {
  return RunOnFiles(paths, common, write,
                    [](Workspace&, UiService&, Tools& tools) { tools.header.InsertModuleHeader(); });
}

int RunAllHeaders(const std::vector<std::string>& paths, const CommonOptions& common, const WriteOptions& write) {
  return RunOnFiles(paths, common, write,
                    [](Workspace&, UiService&, Tools& tools) { tools.header.InsertHeaderAll(); });
}

int RunHeaders(const std::vector<std::string>& paths, const CommonOptions& common, const WriteOptions& write) {
  return RunOnFiles(paths, common, write,
                    [](Workspace&, UiService&, Tools& tools) { tools.header.RefreshHeaders(); });
}

}  // namespace qlx::cli
