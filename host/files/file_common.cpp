// The parts of safe file writing that every platform shares.
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <random>
#include <string>
#include <string_view>
#include <system_error>

#include "host/files/file_io.h"
#include "host/files/module_file.h"
#include "host/files/temp_files.h"

namespace qlx {
namespace temp_files {
namespace {

constexpr std::string_view kNewSuffix = ".qlx-new";
constexpr std::string_view kTmpSuffix = ".qlx-tmp";
constexpr std::string_view kOldSuffix = ".qlx-old";

std::string RandomTag() {
  static std::random_device random;
  char hex[9];
  std::snprintf(hex, sizeof hex, "%08x", static_cast<unsigned>(random()));
  return hex;
}

// Whether s ends with the ASCII suffix, in the platform's own characters.
bool EndsWithAscii(const std::filesystem::path::string_type& s, std::string_view suffix) {
  if (s.size() < suffix.size()) return false;
  const std::size_t from = s.size() - suffix.size();
  for (std::size_t i = 0; i < suffix.size(); ++i) {
    if (s[from + i] != static_cast<std::filesystem::path::value_type>(suffix[i])) return false;
  }
  return true;
}

}  // namespace

std::filesystem::path FreshName(const std::filesystem::path& dir, const std::filesystem::path& target, Kind kind) {
  std::filesystem::path name(".");
  name += target.filename();
  name += ".";
  name += RandomTag();
  name += std::string(kind == Kind::kNew ? kNewSuffix : kTmpSuffix);
  return dir / name;
}

std::filesystem::path OldCopyName(const std::filesystem::path& dir, const std::filesystem::path& target) {
  std::filesystem::path name(".");
  name += target.filename();
  name += std::string(kOldSuffix);
  return dir / name;
}

Found Recognise(const std::filesystem::path& file_name) {
  const auto& s = file_name.native();
  // A name that is the suffix alone is nobody's temporary file.
  if (s.empty() || s[0] != '.') return {};
  for (const auto& [kind, suffix] : {std::pair{Kind::kNew, kNewSuffix}, std::pair{Kind::kTmp, kTmpSuffix}}) {
    if (s.size() > suffix.size() && EndsWithAscii(s, suffix)) return {kind, {}};
  }
  if (s.size() > 1 + kOldSuffix.size() && EndsWithAscii(s, kOldSuffix)) {
    return {Kind::kOld, std::filesystem::path(s.substr(1, s.size() - 1 - kOldSuffix.size()))};
  }
  return {};
}

}  // namespace temp_files

std::uint64_t ContentHash(std::string_view bytes) {
  // Eight bytes a step: a file written is hashed three times (as read, as it
  // stands before the write, as written): byte by byte, that cost as much as
  // rendering it.
  constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
  std::uint64_t hash = 14695981039346656037ull ^ bytes.size();
  std::size_t i = 0;
  for (; i + 8 <= bytes.size(); i += 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, bytes.data() + i, 8);
    hash = std::rotl(hash ^ word, 29) * kMultiplier;
  }
  for (; i < bytes.size(); ++i) hash = std::rotl(hash ^ static_cast<unsigned char>(bytes[i]), 29) * kMultiplier;
  hash ^= hash >> 32;
  return hash * kMultiplier;
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

namespace {

// The FolderSyncs that writes hand their folders to, if any.
std::mutex syncs_mutex;
FolderSyncs* current_syncs = nullptr;

}  // namespace

FolderSyncs::FolderSyncs() {
  const std::lock_guard<std::mutex> hold(syncs_mutex);
  if (current_syncs == nullptr) current_syncs = this;
}

FolderSyncs::~FolderSyncs() {
  if (!finished_) Finish();
}

std::vector<std::string> FolderSyncs::Finish() {
  {
    const std::lock_guard<std::mutex> hold(syncs_mutex);
    if (current_syncs == this) current_syncs = nullptr;
  }
  finished_ = true;
  std::vector<std::string> failed;
  for (const std::filesystem::path& dir : pending_) {
    if (!SyncFolder(dir)) {
      failed.push_back(dir.string() + ": the files written in this folder are in place, but syncing the folder failed: " +
                       std::error_code(errno, std::generic_category()).message());
    }
  }
  pending_.clear();
  return failed;
}

bool FolderSyncs::Defer(const std::filesystem::path& dir) {
  const std::lock_guard<std::mutex> hold(syncs_mutex);
  if (current_syncs == nullptr) return false;
  current_syncs->pending_.insert(dir);
  return true;
}

void WriteFileReplacing(const std::filesystem::path& path, std::string_view bytes) {
  WriteFileReplacing(path, bytes, nullptr, nullptr);
}

}  // namespace qlx
