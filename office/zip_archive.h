// Zip archives (the container of .xlsm/.docm/.pptm documents) in memory:
// entry names, one entry's bytes, and a copy with one entry replaced in
// which every other entry keeps its compressed bytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qlx::office {

// True when the bytes start as a zip archive does.
bool IsZipArchive(std::string_view bytes);

// Throw OfficeError when the archive is damaged; an entry larger than
// `limit` once expanded is refused before it is read.
std::vector<std::string> ZipEntryNames(const std::string& archive);
std::string ReadZipEntry(const std::string& archive, const std::string& name, std::size_t limit);
std::string ReplaceZipEntry(const std::string& archive, const std::string& name, const std::string& data);
// A new archive of the entries, in order, deflated, every entry dated the
// same fixed time (the same entries always make the same bytes).
std::string MakeZipArchive(const std::vector<std::pair<std::string, std::string>>& entries);

}  // namespace qlx::office
