#include "cli/workspace.h"

#include <nlohmann/json.hpp>

namespace qlx::cli {

Workspace::Workspace(const std::vector<std::string>& paths, const std::string& encoding, bool lock) {
  // Each command runs one operation, through the line cache the add-in uses.
  vbe->UseLineCache(true);
  LoadOptions options;
  options.encoding = encoding;
  options.lock = lock;
  for (const std::string& path : paths) {
    files.push_back(ModuleFile::Load(path, options));
    vbe->AddModule(files.back().Module());
  }
  if (!files.empty()) vbe->Pane(files.front().Module()->UncountedName());
}

Workspace::Workspace(std::vector<ModuleFile> loaded) : files(std::move(loaded)) {
  vbe->UseLineCache(true);
  for (ModuleFile& file : files) vbe->AddModule(file.Module());
  if (!files.empty()) vbe->Pane(files.front().Module()->UncountedName());
}

std::string Workspace::HostCallsJson() {
  // A loaded module keeps its own log; the editor's objects share the VBE's.
  std::vector<CallLog*> logs{&vbe->Log()};
  for (ModuleFile& file : files) {
    if (&file.Module()->Log() != &vbe->Log()) logs.push_back(&file.Module()->Log());
  }
  nlohmann::ordered_json calls = nlohmann::ordered_json::object();
  for (HostCall call : kEditorMemberCalls) {
    long long n = 0;
    for (CallLog* log : logs) n += log->Calls(call);
    calls[HostCallName(call)] = n;
  }
  return nlohmann::ordered_json{{"host_calls", calls}}.dump();
}

}  // namespace qlx::cli
