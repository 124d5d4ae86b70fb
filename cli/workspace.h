// Module files loaded into one in-memory editor, the way every qlx command
// starts.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/files/module_file.h"
#include "host/memory/editor.h"

namespace qlx::cli {

struct Workspace {
  // Loads the files (ANSI code page `encoding` for those that are not UTF-8),
  // one code module each, and makes the first one's pane the active one.
  // Throws what ModuleFile::Load throws for a file it refuses. With lock,
  // each file stays locked against other qlx runs until the workspace goes.
  Workspace(const std::vector<std::string>& paths, const std::string& encoding, bool lock = false);
  // The same for files already loaded.
  explicit Workspace(std::vector<ModuleFile> loaded);

  ModuleFile& First() { return files.front(); }

  // {"host_calls": {"Name": N, "Lines": N, ...}}: the calls per member that
  // reached the editor (the code modules and the editor's own objects).
  std::string HostCallsJson();
  // The same counts added to those of earlier workspaces (one per member of
  // kEditorMemberCalls), for a document whose modules each had their own.
  void AddHostCalls(std::vector<long long>& counts);
  static std::string HostCallsJson(const std::vector<long long>& counts);

  std::vector<ModuleFile> files;
  std::shared_ptr<MemoryVBE> vbe = std::make_shared<MemoryVBE>();
  MemoryDesktop desktop{vbe.get()};
};

}  // namespace qlx::cli
