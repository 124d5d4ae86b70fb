// An Office document with a VBA project: a zip (.xlsm .xlam .xltm .docm
// .dotm .pptm .ppam) holding vbaProject.bin, or a compound file (.xls .xla
// .doc .dot) holding the project in a storage. Read whole into memory; the
// project's changes are rendered into new document bytes.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "office/compound_file.h"
#include "office/vba_project.h"

namespace qlx::office {

// Above this a document is refused before it is read: reading, changing and
// writing one holds it in memory several times over, and a run stays under
// 1 GiB.
inline constexpr std::size_t kMaxDocumentSize = std::size_t{128} << 20;
// Above these a zip's vbaProject.bin and a relationships part are refused
// before they are expanded.
inline constexpr std::size_t kMaxProjectFileSize = std::size_t{64} << 20;
inline constexpr std::size_t kMaxRelationshipsSize = std::size_t{16} << 20;

class OfficeDocument {
 public:
  // True for the file names of Office documents that may hold a project.
  static bool IsOfficePath(const std::filesystem::path& path);

  // Throws OfficeError (naming the file) when it cannot be read, is not an
  // Office document, holds no project or a project that must not be changed.
  static OfficeDocument Load(const std::filesystem::path& path);
  static OfficeDocument FromBytes(std::string bytes, const std::filesystem::path& path);

  OfficeDocument(OfficeDocument&&) noexcept;
  OfficeDocument& operator=(OfficeDocument&&) noexcept;
  ~OfficeDocument();

  const std::filesystem::path& Path() const { return path_; }
  const std::string& OriginalBytes() const { return bytes_; }
  VbaProject& Project() { return *project_; }
  const VbaProject& Project() const { return *project_; }

  // The document with the project's changes written in; everything but the
  // project's changed streams is kept.
  std::string Render();

 private:
  OfficeDocument() = default;
  void Open();

  std::filesystem::path path_;
  std::string bytes_;
  std::string zip_entry_;                // the project's entry in a zip, else empty
  std::unique_ptr<CompoundEntry> root_;  // vbaProject.bin, or the whole .xls/.doc
  std::unique_ptr<VbaProject> project_;
};

}  // namespace qlx::office
