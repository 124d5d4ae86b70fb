#include "office/project_modules.h"

#include <optional>
#include <stdexcept>
#include <string>

#include "host/files/encoding.h"
#include "office/office_error.h"

namespace qlx::office {

ProjectModules::ProjectModules(OfficeDocument& document, const std::optional<std::string>& only) : document_(document) {
  VbaProject& project = document_.Project();
  LoadOptions options;
  options.encoding = project.CodePageName();
  options.code_page_only = true;
  std::optional<Converter> converter;
  try {
    converter.emplace(Encoding{Encoding::Kind::kCodePage, options.encoding});
  } catch (const FileError&) {
    throw OfficeError(document_.Path().string() + ": the VBA project's code page " + options.encoding +
                      " is not one this system can convert");
  }
  Converter& names = *converter;
  std::string known;
  for (std::size_t i = 0; i < project.Modules().size(); ++i) {
    const VbaModule& m = project.Modules()[i];
    const std::optional<Text> decoded = names.Decode(m.name);
    const std::string name = decoded ? ToUtf8(*decoded) : m.name;
    known += (known.empty() ? "" : ", ") + name;
    if (only && project.Find(*only) != &m) continue;
    const std::string where = document_.Path().string() + ":" + name;
    try {
      files_.push_back(ModuleFile::FromBytes(project.Source(i), where, options));
    } catch (const FileError& e) {
      throw OfficeError(e.what());
    }
    indexes_.push_back(i);
    names_.push_back(name);
  }
  if (only && files_.empty()) {
    throw OfficeError(document_.Path().string() + ": the VBA project has no module " + *only + " (it has " + known + ")");
  }
}

int ProjectModules::StoreChanges() {
  std::vector<ModuleFile::Rendering> renderings;
  renderings.reserve(files_.size());
  for (const ModuleFile& file : files_) renderings.push_back(file.Rendered());
  return StoreChanges(renderings);
}

int ProjectModules::StoreChanges(const std::vector<ModuleFile::Rendering>& renderings) {
  if (renderings.size() != files_.size()) {
    throw std::invalid_argument("StoreChanges: " + std::to_string(renderings.size()) + " renderings for " +
                                std::to_string(files_.size()) + " modules");
  }
  std::vector<std::size_t> changed;
  for (std::size_t k = 0; k < files_.size(); ++k) {
    const ModuleFile::Rendering& rendering = renderings[k];
    if (!rendering.Changed()) continue;
    if (rendering.UnheldRow() != 0) {
      throw OfficeError(files_[k].Path().string() + ": line " + std::to_string(rendering.UnheldLine()) + " (row " +
                        std::to_string(rendering.UnheldRow()) + "): holds characters that the VBA project's code page " +
                        document_.Project().CodePageName() + " cannot hold; nothing was written");
    }
    changed.push_back(k);
  }
  for (std::size_t k : changed) document_.Project().SetSource(indexes_[k], renderings[k].Bytes());
  return static_cast<int>(changed.size());
}

}  // namespace qlx::office
