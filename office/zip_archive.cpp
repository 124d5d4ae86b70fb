#include "office/zip_archive.h"

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>

#include <zip.h>

#include "office/office_error.h"

namespace qlx::office {

namespace {

struct ArchiveCloser {
  void operator()(zip_t* z) const { zip_discard(z); }
};
using Archive = std::unique_ptr<zip_t, ArchiveCloser>;

[[noreturn]] void Fail(const std::string& what, zip_error_t* error) {
  const std::string detail = error ? zip_error_strerror(error) : "";
  throw OfficeError("the document's zip container " + what + (detail.empty() ? "" : ": " + detail));
}

// An archive over a copy of the bytes held by a source that outlives
// zip_close, so a changed archive can be read back from it.
struct OpenArchive {
  zip_source_t* source = nullptr;
  Archive archive;

  OpenArchive(const std::string& bytes, bool writable, bool truncate = false) {
    zip_error_t error;
    zip_error_init(&error);
    // The source owns its copy of the bytes (freep 1): when zip_close keeps
    // the unchanged start of the archive (an entry changed past its middle,
    // such as vbaProject.bin behind a picture), libzip hands that buffer to
    // the rewritten archive and frees it with it, whatever it was told.
    void* copy = nullptr;
    if (!bytes.empty()) {
      copy = std::malloc(bytes.size());
      if (!copy) throw OfficeError("the document's zip container cannot be read: out of memory");
      std::memcpy(copy, bytes.data(), bytes.size());
    }
    source = zip_source_buffer_create(copy, bytes.size(), 1, &error);
    if (!source) {
      std::free(copy);
      Fail("cannot be read", &error);
    }
    zip_source_keep(source);
    zip_t* z = zip_open_from_source(source, writable ? (truncate ? ZIP_TRUNCATE : 0) : ZIP_RDONLY, &error);
    if (!z) {
      zip_source_free(source);
      zip_source_free(source);
      Fail("is damaged", &error);
    }
    archive.reset(z);
  }
  ~OpenArchive() {
    archive.reset();
    zip_source_free(source);
  }
  OpenArchive(const OpenArchive&) = delete;
  OpenArchive& operator=(const OpenArchive&) = delete;
};

}  // namespace

bool IsZipArchive(std::string_view bytes) { return bytes.size() >= 4 && bytes.substr(0, 4) == std::string_view("PK\x03\x04", 4); }

std::vector<std::string> ZipEntryNames(const std::string& archive) {
  OpenArchive a(archive, false);
  std::vector<std::string> names;
  const zip_int64_t count = zip_get_num_entries(a.archive.get(), 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    const char* name = zip_get_name(a.archive.get(), static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
    if (name) names.emplace_back(name);
  }
  return names;
}

std::string ReadZipEntry(const std::string& archive, const std::string& name, std::size_t limit) {
  OpenArchive a(archive, false);
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_stat(a.archive.get(), name.c_str(), ZIP_FL_ENC_RAW, &st) != 0 || !(st.valid & ZIP_STAT_SIZE)) {
    throw OfficeError("the document's zip container has no entry " + name);
  }
  if (st.size > limit) throw OfficeError("the entry " + name + " expands past the size limit");
  zip_file_t* file = zip_fopen(a.archive.get(), name.c_str(), ZIP_FL_ENC_RAW);
  if (!file) Fail("entry " + name + " cannot be opened", zip_get_error(a.archive.get()));
  std::string data(static_cast<std::size_t>(st.size), '\0');
  const zip_int64_t got = zip_fread(file, data.data(), data.size());
  zip_error_t* error = zip_file_get_error(file);
  const bool ok = got == static_cast<zip_int64_t>(data.size());
  const std::string detail = ok ? "" : zip_error_strerror(error);
  zip_fclose(file);
  if (!ok) throw OfficeError("the document's zip entry " + name + " is damaged: " + detail);
  return data;
}

namespace {

// Closes the archive, which writes it into the kept source, and reads the
// new bytes back from there.
std::string CloseInto(OpenArchive& a) {
  zip_t* z = a.archive.release();
  if (zip_close(z) != 0) {
    const std::string detail = zip_error_strerror(zip_get_error(z));
    zip_discard(z);
    throw OfficeError("the document's zip container cannot be written: " + detail);
  }
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_source_stat(a.source, &st) != 0 || zip_source_open(a.source) != 0) Fail("cannot be read back", zip_source_error(a.source));
  std::string out(static_cast<std::size_t>(st.size), '\0');
  const zip_int64_t got = zip_source_read(a.source, out.data(), out.size());
  zip_source_close(a.source);
  if (got != static_cast<zip_int64_t>(out.size())) Fail("cannot be read back", zip_source_error(a.source));
  return out;
}

}  // namespace

std::string ReplaceZipEntry(const std::string& archive, const std::string& name, const std::string& data) {
  OpenArchive a(archive, true);
  const zip_int64_t index = zip_name_locate(a.archive.get(), name.c_str(), ZIP_FL_ENC_RAW);
  if (index < 0) throw OfficeError("the document's zip container has no entry " + name);
  zip_source_t* entry = zip_source_buffer(a.archive.get(), data.data(), data.size(), 0);
  if (!entry) Fail("entry cannot be prepared", zip_get_error(a.archive.get()));
  if (zip_file_replace(a.archive.get(), static_cast<zip_uint64_t>(index), entry, ZIP_FL_ENC_RAW) != 0) {
    zip_source_free(entry);
    Fail("entry cannot be replaced", zip_get_error(a.archive.get()));
  }
  return CloseInto(a);
}

namespace {
constexpr time_t kFixedTime = 1767225600;  // 2026-01-01 00:00:00 UTC
}  // namespace

std::string MakeZipArchive(const std::vector<std::pair<std::string, std::string>>& entries) {
  OpenArchive a(std::string(), true, true);
  for (const auto& [name, data] : entries) {
    zip_source_t* entry = zip_source_buffer(a.archive.get(), data.data(), data.size(), 0);
    const zip_int64_t index = entry ? zip_file_add(a.archive.get(), name.c_str(), entry, ZIP_FL_ENC_UTF_8) : -1;
    if (index < 0) {
      if (entry) zip_source_free(entry);
      Fail("entry cannot be added", zip_get_error(a.archive.get()));
    }
    // A fixed time, so that the same entries make the same bytes.
    zip_file_set_mtime(a.archive.get(), static_cast<zip_uint64_t>(index), kFixedTime, 0);
  }
  return CloseInto(a);
}

}  // namespace qlx::office
