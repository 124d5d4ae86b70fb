// Office documents from an e-mail: any bytes (a zip, a compound file, a
// project with a damaged dir stream) are opened or refused with an
// OfficeError, and every module of an opened project reads, edits and
// renders without a crash.
#include <cstdint>
#include <string>

#include "host/memory/editor.h"
#include "office/office_document.h"
#include "office/office_error.h"
#include "office/project_modules.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  try {
    qlx::office::OfficeDocument doc = qlx::office::OfficeDocument::FromBytes(std::move(bytes), "Fuzz.xlsm");
    qlx::office::ProjectModules modules(doc);
    for (qlx::ModuleFile& file : modules.Files()) file.Module()->InsertLines(1, u"' fuzz");
    modules.StoreChanges();
    qlx::office::OfficeDocument::FromBytes(doc.Render(), "Fuzz.xlsm");
  } catch (const qlx::office::OfficeError&) {
  }
  return 0;
}
