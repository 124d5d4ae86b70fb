#include "office/office_document.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>

#include "host/text.h"
#include "office/ovba_compression.h"
#include "office/zip_archive.h"

namespace qlx::office {

namespace {

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

bool OfficeDocument::IsOfficePath(const std::filesystem::path& path) {
  static const char* const kExtensions[] = {".xlsm", ".xlam", ".xltm", ".docm", ".dotm", ".pptm",
                                            ".ppam", ".xls",  ".xla",  ".doc",  ".dot"};
  const std::string ext = AsciiLower(path.extension().string());
  return std::find(std::begin(kExtensions), std::end(kExtensions), ext) != std::end(kExtensions);
}

OfficeDocument::OfficeDocument(OfficeDocument&&) noexcept = default;
OfficeDocument& OfficeDocument::operator=(OfficeDocument&&) noexcept = default;
OfficeDocument::~OfficeDocument() = default;

OfficeDocument OfficeDocument::Load(const std::filesystem::path& path) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  if (ec) throw OfficeError(path.string() + ": cannot be read: " + ec.message());
  if (size > kMaxDocumentSize) throw OfficeError(path.string() + ": the document is too large");
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) throw OfficeError(path.string() + ": cannot be read");
  return FromBytes(std::move(bytes), path);
}

OfficeDocument OfficeDocument::FromBytes(std::string bytes, const std::filesystem::path& path) {
  OfficeDocument doc;
  doc.path_ = path;
  doc.bytes_ = std::move(bytes);
  try {
    doc.Open();
  } catch (const OfficeError& e) {
    throw OfficeError(path.string() + ": " + e.what());
  }
  return doc;
}

void OfficeDocument::Open() {
  if (IsZipArchive(bytes_)) {
    for (const std::string& name : ZipEntryNames(bytes_)) {
      const std::string lower = AsciiLower(name);
      if (EndsWith(lower, "vbaprojectsignature.bin") || EndsWith(lower, "vbaprojectsignatureagile.bin")) {
        throw OfficeError("the VBA project is digitally signed; changing it would break the signature");
      }
      if (EndsWith(lower, "/vbaproject.bin") && zip_entry_.empty()) zip_entry_ = name;
    }
    if (zip_entry_.empty()) throw OfficeError("the document holds no VBA project");
    root_ = ReadCompoundFile(ReadZipEntry(bytes_, zip_entry_, kMaxCompoundFileSize));
    project_ = std::make_unique<VbaProject>(*root_);
    return;
  }
  if (!IsCompoundFile(bytes_)) throw OfficeError("not an Office document (neither a zip nor a compound file)");
  root_ = ReadCompoundFile(bytes_);
  for (const char16_t* storage : {u"_VBA_PROJECT_CUR", u"Macros"}) {
    if (CompoundEntry* s = root_->Child(storage); s && s->IsStorage()) {
      project_ = std::make_unique<VbaProject>(*s);
      return;
    }
  }
  throw OfficeError("the document holds no VBA project");
}

std::string OfficeDocument::Render() {
  if (!project_->Changed()) return bytes_;
  project_->Commit();
  const std::string compound = WriteCompoundFile(*root_);
  return zip_entry_.empty() ? compound : ReplaceZipEntry(bytes_, zip_entry_, compound);
}

}  // namespace qlx::office
