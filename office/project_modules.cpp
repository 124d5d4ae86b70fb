#include "office/project_modules.h"

#include <cctype>
#include <optional>

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
  std::vector<std::size_t> changed;
  for (std::size_t k = 0; k < files_.size(); ++k) {
    if (!files_[k].Changed()) continue;
    const std::vector<std::string> warnings = files_[k].Warnings();
    if (!warnings.empty()) {
      // "FILE: line N (row M): ..." names the place; the rest speaks of '?'.
      const std::string place = warnings.front().substr(0, warnings.front().find("): ") + 1);
      throw OfficeError(place + ": holds characters that the VBA project's code page " +
                        document_.Project().CodePageName() + " cannot hold; nothing was written");
    }
    changed.push_back(k);
  }
  for (std::size_t k : changed) document_.Project().SetSource(indexes_[k], files_[k].Render());
  return static_cast<int>(changed.size());
}

}  // namespace qlx::office
