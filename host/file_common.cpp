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

void DebrisSweep::Clear(const std::filesystem::path& dir) {
  std::filesystem::path key = dir.empty() ? std::filesystem::path(".") : dir.lexically_normal();
  // "dir/" is "dir".
  if (!key.has_filename() && key.has_parent_path()) key = key.parent_path();
  // Held while the folder is cleared: another thread's file in it waits.
  const std::lock_guard<std::mutex> hold(mutex_);
  if (!done_.insert(key).second) return;
  RemoveDebris(key);
}

void WriteFileReplacing(const std::filesystem::path& path, std::string_view bytes) {
  WriteFileReplacing(path, bytes, nullptr, nullptr);
}

}  // namespace qlx
