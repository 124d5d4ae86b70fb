#include "cli/workspace.h"

namespace qlx::cli {

Workspace::Workspace(const std::vector<std::string>& paths, const std::string& encoding, bool lock) {
  LoadOptions options;
  options.encoding = encoding;
  options.lock = lock;
  for (const std::string& path : paths) {
    files.push_back(ModuleFile::Load(path, options));
    vbe->AddModule(files.back().Module());
  }
  if (!files.empty()) vbe->Pane(files.front().Module()->UncountedName());
}

}  // namespace qlx::cli
