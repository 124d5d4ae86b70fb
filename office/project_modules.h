// The modules of an Office document's VBA project as module files, so that
// every operation runs on them exactly as on exported files: each loaded into
// the in-memory editor as the VBA editor shows it, and what an operation
// changed stored back into the project.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "host/files/module_file.h"
#include "office/office_document.h"

namespace qlx::office {

class ProjectModules {
 public:
  // Loads every module of the document's project, or only the one named
  // `only` (ASCII case ignored; OfficeError listing the names when there is
  // none). Each file is named "Book.xlsm:Module1" in messages.
  ProjectModules(OfficeDocument& document, const std::optional<std::string>& only = std::nullopt);

  std::vector<ModuleFile>& Files() { return files_; }
  // The module's name (UTF-8) for each file, in the same order.
  const std::vector<std::string>& Names() const { return names_; }

  // Stores the changed modules' text back into the project. Throws
  // OfficeError, naming the module and its line, when a changed module holds
  // a character the project's code page cannot hold (nothing is stored then).
  // Returns the number of modules that changed.
  int StoreChanges();
  // The same with each file's rendering, taken after its last edit, in the
  // order of Files(), for a caller that shows them too.
  int StoreChanges(const std::vector<ModuleFile::Rendering>& renderings);

 private:
  OfficeDocument& document_;
  std::vector<ModuleFile> files_;
  std::vector<std::size_t> indexes_;
  std::vector<std::string> names_;
};

}  // namespace qlx::office
