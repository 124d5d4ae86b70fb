// Zip documents where libzip is not available (the Windows build): every
// call says so; compound-file documents (.xls, .doc) still work.
#include "office/zip_archive.h"

#include "office/ovba_compression.h"

namespace qlx::office {

namespace {
[[noreturn]] void Unsupported() {
  throw OfficeError("this build of qlx cannot open zip documents (.xlsm, .docm, ...); use .xls/.doc or the Linux build");
}
}  // namespace

bool IsZipArchive(std::string_view bytes) { return bytes.size() >= 4 && bytes.substr(0, 4) == std::string_view("PK\x03\x04", 4); }
std::vector<std::string> ZipEntryNames(const std::string&) { Unsupported(); }
std::string ReadZipEntry(const std::string&, const std::string&, std::size_t) { Unsupported(); }
std::string ReplaceZipEntry(const std::string&, const std::string&, const std::string&) { Unsupported(); }
std::string MakeZipArchive(const std::vector<std::pair<std::string, std::string>>&) { Unsupported(); }

}  // namespace qlx::office
