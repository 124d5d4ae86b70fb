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

void Workspace::AddHostCalls(std::vector<long long>& counts) {
  // A loaded module keeps its own log; the editor's objects share the VBE's.
  std::vector<CallLog*> logs{&vbe->Log()};
  for (ModuleFile& file : files) {
    if (&file.Module()->Log() != &vbe->Log()) logs.push_back(&file.Module()->Log());
  }
  counts.resize(std::size(kEditorMemberCalls), 0);
  for (std::size_t k = 0; k < std::size(kEditorMemberCalls); ++k) {
    for (CallLog* log : logs) counts[k] += log->Calls(kEditorMemberCalls[k]);
  }
}

std::string Workspace::HostCallsJson(const std::vector<long long>& counts) {
  nlohmann::ordered_json calls = nlohmann::ordered_json::object();
  for (std::size_t k = 0; k < std::size(kEditorMemberCalls); ++k) {
    calls[HostCallName(kEditorMemberCalls[k])] = k < counts.size() ? counts[k] : 0;
  }
  return nlohmann::ordered_json{{"host_calls", calls}}.dump();
}

std::string Workspace::HostCallsJson() {
  std::vector<long long> counts;
  AddHostCalls(counts);
  return HostCallsJson(counts);
}

}  // namespace qlx::cli
