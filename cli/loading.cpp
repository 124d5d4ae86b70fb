#include "cli/loading.h"

#include <iostream>
#include <iterator>

#include "cli/errors.h"
#include "cli/office_files.h"

namespace qlx::cli {

ModuleFile LoadModuleFile(const std::string& path, const std::string& encoding, const std::string& stdin_name,
                          bool lock, std::shared_ptr<DebrisSweep> sweep) {
  LoadOptions options;
  options.encoding = encoding;
  options.lock = lock;
  if (sweep) options.sweep = std::move(sweep);
  if (path != kStdin) return ModuleFile::Load(path, options);
  std::string bytes((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
  ModuleFile file = ModuleFile::FromBytes(std::move(bytes), stdin_name.empty() ? kStdin : stdin_name, options);
  if (file.Module()->UncountedName() == u"-") {
    throw UsageError("the module read from stdin has no VB_Name attribute; name it with --stdin-name NAME");
  }
  return file;
}

bool IsDocument(const std::string& path) { return path != kStdin && office::OfficeDocument::IsOfficePath(path); }

OpenedDocument::OpenedDocument(const std::string& path, const std::optional<std::string>& module, bool single) {
  document.emplace(LoadDocument(path, stamp));
  modules.emplace(*document, module);
  if (single && modules->Files().size() != 1) {
    std::string names;
    for (const std::string& name : modules->Names()) names += (names.empty() ? "" : ", ") + name;
    throw UsageError(path + ": name the module with --module NAME (the VBA project has " + names + ")");
  }
}

OpenedDocument::~OpenedDocument() = default;

Workspace LoadOne(const std::string& path, const CommonOptions& common) {
  if (!IsDocument(path)) return Load({path}, common);
  OpenedDocument opened(path, common.module, true);
  return Workspace(std::move(opened.modules->Files()));
}

Workspace Load(const std::vector<std::string>& paths, const CommonOptions& common, const std::string& stdin_name) {
  std::vector<ModuleFile> loaded;
  for (const std::string& path : paths) loaded.push_back(LoadModuleFile(path, common.encoding, stdin_name));
  return Workspace(std::move(loaded));
}

}  // namespace qlx::cli
