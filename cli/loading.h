// Loading what a command reads: a module file, standard input, or the
// modules of an Office document, into the in-memory editor.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/options.h"
#include "cli/workspace.h"
#include "host/files/file_io.h"
#include "host/files/module_file.h"
#include "office/office_document.h"
#include "office/project_modules.h"

namespace qlx::cli {

// The path that stands for standard input.
inline constexpr char kStdin[] = "-";

// One module file read for a command: path, or for "-" standard input, then
// named by stdin_name when it has no VB_Name (refused without either). lock:
// the file stays locked against other qlx runs while the result lives.
// sweep: the run's folders cleared of a killed run's files, when it reads
// many. A file qlx refuses is a usage error.
ModuleFile LoadModuleFile(const std::string& path, const std::string& encoding, const std::string& stdin_name,
                          bool lock = false, std::shared_ptr<DebrisSweep> sweep = nullptr);

// The files of a command in the in-memory editor ("-" reads stdin, named by
// stdin_name when it has no VB_Name); a file qlx refuses is a usage error.
Workspace Load(const std::vector<std::string>& paths, const CommonOptions& common,
               const std::string& stdin_name = "");

// Whether path names an Office document (by its extension).
bool IsDocument(const std::string& path);

// An Office document read for a command, with its modules as module files
// named "Book.xlsm:Module1": every module, or only module's (ASCII case
// ignored). single: exactly one module must be chosen (--module, or a project
// of one module). Refusals are usage errors.
struct OpenedDocument {
  OpenedDocument(const std::string& path, const std::optional<std::string>& module, bool single);
  ~OpenedDocument();
  OpenedDocument(const OpenedDocument&) = delete;
  OpenedDocument& operator=(const OpenedDocument&) = delete;

  FileStamp stamp;  // of the bytes read, so that a save refuses a file changed since
  std::optional<office::OfficeDocument> document;
  std::optional<office::ProjectModules> modules;
};

// A read command's module: the module file, or the one module of an Office
// document (see OpenedDocument).
Workspace LoadOne(const std::string& path, const CommonOptions& common);

}  // namespace qlx::cli
