// The VBA project of an Office document: its PROJECT and dir streams, the
// list of modules, and each module's source, read and replaced as the
// published project format describes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "office/compound_file.h"

namespace qlx::office {

struct VbaModule {
  enum class Type { kStandard, kClass, kDocument, kForm };
  std::string name;          // in the project's code page, as the dir stream holds it
  std::u16string name_utf16;  // from the dir stream's Unicode record when there is one
  std::string stream_name;   // the stream under VBA/ holding the module
  std::uint32_t text_offset = 0;
  Type type = Type::kStandard;
  // Where, in the decompressed dir stream, this module's text offset lies:
  // a changed module's offset is set to 0 in place, the rest of the stream
  // kept byte for byte.
  std::size_t text_offset_at = 0;
  bool changed = false;
};

// Above these the modules of one project together are refused: a project
// whose modules expand further, or hold more lines, is a decompression bomb,
// not code (the editor holds at most 65,535 lines in one module).
inline constexpr std::size_t kMaxProjectSourceSize = std::size_t{32} << 20;
inline constexpr std::size_t kMaxProjectLines = 500000;

class VbaProject {
 public:
  // Reads the project held by `storage` (the root of vbaProject.bin, or the
  // _VBA_PROJECT_CUR / Macros storage of a .xls / .doc), which must outlive
  // this object. Throws OfficeError naming what is wrong: a missing stream, a
  // malformed dir record, a signed or password-protected project, a module
  // whose source is damaged, or modules that expand past
  // kMaxProjectSourceSize or kMaxProjectLines together.
  explicit VbaProject(CompoundEntry& storage);

  std::uint16_t CodePage() const { return code_page_; }
  // The iconv name of the code page ("CP932", "CP1252", ...).
  std::string CodePageName() const;
  const std::vector<VbaModule>& Modules() const { return modules_; }
  // The module of that name (ASCII case ignored), or nullptr.
  const VbaModule* Find(const std::string& name) const;

  // The source of Modules()[index] as its stream holds it: attribute lines
  // first, no VERSION/BEGIN block, in the project's code page.
  std::string Source(std::size_t index) const;
  // Replaces the source of Modules()[index]: its stream then holds only the
  // compressed source and its text offset becomes 0.
  void SetSource(std::size_t index, const std::string& source);
  bool Changed() const;
  // Writes the changes back into the storage: the dir stream with the
  // changed offsets, `_VBA_PROJECT` in its short form without a cache, and no
  // `__SRP_*` cache streams, so that Office compiles from the source.
  void Commit();

 private:
  void ParseDir();
  void CheckProtection() const;

  CompoundEntry& storage_;
  CompoundEntry* vba_ = nullptr;
  std::string project_text_;
  std::string dir_;
  std::uint16_t code_page_ = 1252;
  std::vector<VbaModule> modules_;
  std::vector<std::string> sources_;  // each module's, expanded once
};

// Decrypts one of the PROJECT stream's hex-encoded protected values (CMG,
// DPB, GC); throws OfficeError when it is malformed.
std::string DecryptProjectValue(const std::string& hex);

}  // namespace qlx::office
