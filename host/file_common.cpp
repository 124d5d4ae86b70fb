// The parts of safe file writing that every platform shares.
#include "host/file_io.h"
#include "host/module_file.h"

namespace qlx {

std::uint64_t ContentHash(std::string_view bytes) {
  std::uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : bytes) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  return hash;
}

void WriteFileReplacing(const std::filesystem::path& path, std::string_view bytes) {
  WriteFileReplacing(path, bytes, nullptr, nullptr);
}

}  // namespace qlx
