// Safe module-file writes on Windows: LockFileEx on a byte range far beyond
// any file's end for the advisory lock (it stops no reader), the file's
// stamp checked under the lock, a hidden temporary file flushed and put in
// place with ReplaceFileW (which keeps the file's security, attributes and
// streams) or MoveFileExW with write-through; a file with several hard links
// is rewritten in place behind a flushed copy of its old content.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <thread>

#include "host/files/file_io.h"
#include "host/files/module_file.h"
#include "host/files/temp_files.h"
#include "host/win32/windows_api.h"

namespace qlx {
namespace {

namespace fs = std::filesystem;

constexpr std::int64_t kDebrisAge = 60LL * 10000000;  // one minute in FILETIME units
// The locked range: one byte at an offset no file reaches.
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;

std::string LastErrorText() {
  const DWORD code = GetLastError();
  char* message = nullptr;
  const DWORD length =
      FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, code, 0, reinterpret_cast<char*>(&message), 0, nullptr);
  std::string text = length ? std::string(message, length) : "error " + std::to_string(code);
  if (message) LocalFree(message);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  return text;
}

class WinHandle {
 public:
  explicit WinHandle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
  WinHandle(const WinHandle&) = delete;
  WinHandle& operator=(const WinHandle&) = delete;
  ~WinHandle() { Close(); }
  HANDLE get() const { return h_; }
  bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
  void Reset(HANDLE h) {
    Close();
    h_ = h;
  }
  HANDLE Release() {
    HANDLE h = h_;
    h_ = INVALID_HANDLE_VALUE;
    return h;
  }
  bool Close() {
    if (!valid()) return true;
    const bool ok = CloseHandle(h_) != 0;
    h_ = INVALID_HANDLE_VALUE;
    return ok;
  }

 private:
  HANDLE h_;
};

HANDLE OpenShared(const fs::path& path, DWORD access) {
  return CreateFileW(path.wstring().c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool TryLock(HANDLE h) {
  OVERLAPPED at{};
  at.OffsetHigh = kLockOffsetHigh;
  return LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at) != 0;
}

std::int64_t Ticks(const FILETIME& t) {
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
}

// Reads h from its start; false on failure, with *too_large set when it
// holds more than max_size bytes.
bool ReadAll(HANDLE h, std::uintmax_t max_size, std::string& bytes, FileStamp& stamp, bool* too_large) {
  *too_large = false;
  LARGE_INTEGER start{};
  if (!SetFilePointerEx(h, start, nullptr, FILE_BEGIN)) return false;
  bytes.clear();
  char buffer[65536];
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(h, buffer, sizeof buffer, &read, nullptr)) return false;
    if (read == 0) break;
    bytes.append(buffer, read);
    if (bytes.size() > max_size) {
      *too_large = true;
      return false;
    }
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h, &info)) return false;
  stamp.size = bytes.size();
  stamp.modified_ns = Ticks(info.ftLastWriteTime);
  stamp.hash = ContentHash(bytes);
  return true;
}

bool WriteAll(HANDLE h, std::string_view bytes) {
  LARGE_INTEGER start{};
  if (!SetFilePointerEx(h, start, nullptr, FILE_BEGIN)) return false;
  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    if (!WriteFile(h, bytes.data(), chunk, &written, nullptr)) return false;
    bytes.remove_prefix(written);
  }
  return SetEndOfFile(h) && FlushFileBuffers(h);
}

bool SameFile(HANDLE a, HANDLE b) {
  BY_HANDLE_FILE_INFORMATION x{}, y{};
  return GetFileInformationByHandle(a, &x) && GetFileInformationByHandle(b, &y) &&
         x.dwVolumeSerialNumber == y.dwVolumeSerialNumber && x.nFileIndexHigh == y.nFileIndexHigh &&
         x.nFileIndexLow == y.nFileIndexLow;
}

// A hidden new file beside the target, open only to this process until it
// is closed, removed unless committed.
class TempFile {
 public:
  TempFile() = default;
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile() {
    file_.Close();
    if (!committed_ && !path_.empty()) DeleteFileW(path_.c_str());
  }
  // A fresh hidden name beside target.
  bool Create(const fs::path& dir, const fs::path& target) {
    return temp_files::CreateFresh(dir, target, temp_files::Kind::kTmp, [&](const fs::path& candidate) {
      if (CreateAt(candidate)) return temp_files::Attempt::kMade;
      return GetLastError() == ERROR_FILE_EXISTS ? temp_files::Attempt::kNameTaken : temp_files::Attempt::kFailed;
    });
  }
  // Exactly the name given; false when it exists.
  bool CreateAt(const fs::path& name) {
    std::wstring candidate = name.wstring();
    HANDLE h = CreateFileW(candidate.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    file_.Reset(h);
    path_ = std::move(candidate);
    return true;
  }
  HANDLE get() const { return file_.get(); }
  bool Close() { return file_.Close(); }
  const std::wstring& path() const { return path_; }
  void Commit() { committed_ = true; }

 private:
  WinHandle file_;
  std::wstring path_;
  bool committed_ = false;
};

// Rewrites target in place behind a flushed copy of its old content, so that
// its hard links stay; the copy goes once the new content is whole.
void WriteInPlace(const fs::path& target, const fs::path& dir, std::string_view old_bytes, std::string_view bytes,
                  const std::string& where) {
  const fs::path copy_path = temp_files::OldCopyName(dir, target);
  if (GetFileAttributesW(copy_path.wstring().c_str()) != INVALID_FILE_ATTRIBUTES) {
    throw FileError(where + "an interrupted earlier write left the old content in " + copy_path.string() +
                    "; compare it with the file and remove it");
  }
  TempFile copy;
  if (!copy.CreateAt(copy_path) || !WriteAll(copy.get(), old_bytes)) {
    throw FileError(where + "cannot keep a copy of the old content: " + LastErrorText());
  }
  WinHandle file(OpenShared(target, GENERIC_READ | GENERIC_WRITE));
  if (!file.valid()) throw FileError(where + LastErrorText());
  if (!WriteAll(file.get(), bytes)) {
    const std::string error = LastErrorText();
    if (!WriteAll(file.get(), old_bytes)) {
      copy.Commit();
      throw FileError(where + error + "; the old content is kept in " + copy_path.string());
    }
    throw FileError(where + error);
  }
}

// Puts back the old content of a rewrite in place that did not finish; true
// when it was put back.
bool RecoverFromCopy(HANDLE copy, const fs::path& copy_path, const fs::path& module) {
  WinHandle file(OpenShared(module, GENERIC_READ | GENERIC_WRITE));
  if (!file.valid() || !TryLock(file.get())) return false;
  std::string old_bytes, now_bytes;
  FileStamp old_stamp, now_stamp;
  bool too_large = false;
  if (!ReadAll(copy, UINTMAX_MAX, old_bytes, old_stamp, &too_large) ||
      !ReadAll(file.get(), UINTMAX_MAX, now_bytes, now_stamp, &too_large)) {
    return false;
  }
  const bool put_back = old_bytes != now_bytes;
  if (put_back) {
    if (now_stamp.modified_ns > old_stamp.modified_ns + kDebrisAge) return false;
    if (!WriteAll(file.get(), old_bytes)) return false;
  }
  CloseHandle(copy);
  DeleteFileW(copy_path.wstring().c_str());
  return put_back;
}

}  // namespace

std::vector<fs::path> RemoveDebris(const fs::path& dir) {
  std::vector<fs::path> put_back;
  std::error_code ec;
  fs::directory_iterator it(dir, ec);
  if (ec) return put_back;
  FILETIME now_time{};
  GetSystemTimeAsFileTime(&now_time);
  const std::int64_t now = Ticks(now_time);
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) return put_back;
    const temp_files::Found found = temp_files::Recognise(it->path().filename());
    const bool is_tmp = found.kind == temp_files::Kind::kTmp;
    const bool is_old = found.kind == temp_files::Kind::kOld;
    if (!is_tmp && !is_old) continue;
    // A file still open in a running qlx cannot be opened without sharing.
    HANDLE h = CreateFileW(it->path().wstring().c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) continue;
    BY_HANDLE_FILE_INFORMATION info{};
    if (is_tmp) {
      const bool old = GetFileInformationByHandle(h, &info) && now - Ticks(info.ftLastWriteTime) > kDebrisAge;
      CloseHandle(h);
      if (old) DeleteFileW(it->path().wstring().c_str());
    } else {
      WinHandle copy(h);
      if (RecoverFromCopy(copy.Release(), it->path(), dir / found.module)) put_back.push_back(dir / found.module);
    }
  }
  return put_back;
}

FileLock FileLock::Acquire(const fs::path& path, std::chrono::milliseconds wait) {
  const auto deadline = std::chrono::steady_clock::now() + wait;
  for (;;) {
    WinHandle h(OpenShared(path, GENERIC_READ));
    if (!h.valid()) {
      const DWORD code = GetLastError();
      if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) {
        throw FileError(path.string() + ": file not found");
      }
      throw FileError(path.string() + ": cannot be read: " + LastErrorText());
    }
    while (!TryLock(h.get())) {
      if (GetLastError() != ERROR_LOCK_VIOLATION && GetLastError() != ERROR_IO_PENDING) {
        throw FileError(path.string() + ": cannot be locked: " + LastErrorText());
      }
      if (std::chrono::steady_clock::now() >= deadline) {
        throw FileError(path.string() +
                        ": another qlx is writing this file; nothing was done (try again when it has finished)");
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // A writer that held the lock may have put a new file in place: lock that.
    WinHandle named(OpenShared(path, 0));
    if (named.valid() && SameFile(h.get(), named.get())) {
      FileLock lock;
      lock.handle_ = reinterpret_cast<std::intptr_t>(h.Release());
      lock.path_ = path;
      return lock;
    }
  }
}

FileLock::~FileLock() {
  if (handle_ != kNone) CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

FileLock::FileLock(FileLock&& other) noexcept : handle_(other.handle_), path_(std::move(other.path_)) {
  other.handle_ = kNone;
}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
  if (this != &other) {
    if (handle_ != kNone) CloseHandle(reinterpret_cast<HANDLE>(handle_));
    handle_ = other.handle_;
    path_ = std::move(other.path_);
    other.handle_ = kNone;
  }
  return *this;
}

void FileLock::Adopt(std::intptr_t handle) {
  if (handle_ != kNone) CloseHandle(reinterpret_cast<HANDLE>(handle_));
  handle_ = handle;
}

std::string FileLock::Read(std::uintmax_t max_size, FileStamp& stamp) const {
  std::string bytes;
  bool too_large = false;
  if (!ReadAll(reinterpret_cast<HANDLE>(handle_), max_size, bytes, stamp, &too_large)) {
    throw FileError(path_.string() + (too_large ? ": is too large for a module file"
                                                : ": cannot be read: " + LastErrorText()));
  }
  return bytes;
}

std::string ReadFileStamped(const fs::path& path, std::uintmax_t max_size, FileStamp& stamp) {
  WinHandle h(OpenShared(path, GENERIC_READ));
  if (!h.valid()) {
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) throw FileError(path.string() + ": file not found");
    throw FileError(path.string() + ": cannot be read: " + LastErrorText());
  }
  std::string bytes;
  bool too_large = false;
  if (!ReadAll(h.get(), max_size, bytes, stamp, &too_large)) {
    throw FileError(path.string() + (too_large ? ": is too large for a module file"
                                               : ": cannot be read: " + LastErrorText()));
  }
  return bytes;
}

FileStamp WriteFileReplacing(const fs::path& path, std::string_view bytes, const FileStamp* expected,
                             FileLock* lock) {
  const std::string where = path.string() + ": cannot be saved: ";
  const std::wstring target = path.wstring();
  const DWORD attributes = GetFileAttributesW(target.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY)) throw FileError(where + "it is not a regular file");
  if (exists && (attributes & FILE_ATTRIBUTE_READONLY)) throw FileError(where + "the file is read-only");
  if (!exists && expected != nullptr) {
    throw FileError(path.string() + ": was removed by another program since qlx read it; nothing was written");
  }
  fs::path dir = path.parent_path();
  if (dir.empty()) dir = ".";
  const DWORD dir_attributes = GetFileAttributesW(dir.wstring().c_str());
  if (dir_attributes == INVALID_FILE_ATTRIBUTES || !(dir_attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    throw FileError(where + "the directory " + dir.string() + " does not exist");
  }
  if (bytes.size() > 0x7FFFFFFF) throw FileError(where + "the file is too large");

  const bool held = lock != nullptr && lock->Held();
  FileLock own;
  std::string old_bytes;
  bool several_links = false;
  if (exists) {
    if (!held) {
      RemoveDebris(dir);
      own = FileLock::Acquire(path);
    }
    FileStamp now;
    old_bytes = ReadFileStamped(path, UINTMAX_MAX, now);
    if (expected != nullptr && now != *expected) {
      throw FileError(path.string() + ": was changed by another program since qlx read it; nothing was written");
    }
    WinHandle h(OpenShared(path, 0));
    BY_HANDLE_FILE_INFORMATION info{};
    several_links = h.valid() && GetFileInformationByHandle(h.get(), &info) && info.nNumberOfLinks > 1;
  }
  if (several_links) {
    WriteInPlace(path, dir, old_bytes, bytes, where);
  } else {
    TempFile temp;
    if (!temp.Create(dir, path)) throw FileError(where + "cannot create a temporary file: " + LastErrorText());
    if (!WriteAll(temp.get(), bytes) || !temp.Close()) throw FileError(where + LastErrorText());
    if (exists) {
      // The file cannot be replaced while qlx itself holds it open: the lock
      // is let go for the moment of the replacement. A run that slips in
      // then reads the old content and is refused at its own write, as the
      // file it read is gone.
      if (held) lock->Adopt(-1);
      own = FileLock();
      SetFileAttributesW(temp.path().c_str(), FILE_ATTRIBUTE_NORMAL);
      const bool replaced = ReplaceFileW(target.c_str(), temp.path().c_str(), nullptr,
                                         REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) ||
                            MoveFileExW(temp.path().c_str(), target.c_str(),
                                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
      if (!replaced) throw FileError(where + LastErrorText());
      if (held) *lock = FileLock::Acquire(path);
    } else {
      SetFileAttributesW(temp.path().c_str(), FILE_ATTRIBUTE_NORMAL);
      if (!MoveFileExW(temp.path().c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) {
        throw FileError(where + LastErrorText());
      }
    }
    temp.Commit();
  }
  WinHandle h(OpenShared(path, GENERIC_READ));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!h.valid() || !GetFileInformationByHandle(h.get(), &info)) throw FileError(where + LastErrorText());
  return FileStamp{bytes.size(), Ticks(info.ftLastWriteTime), ContentHash(bytes)};
}

// Renames are written through (MOVEFILE_WRITE_THROUGH, ReplaceFileW), so a
// folder holds nothing more to sync.
bool SyncFolder(const fs::path&) { return true; }

}  // namespace qlx
