// Reading and replacing module files safely: an advisory lock that another
// qlx honours, the identity of the file as it was read, and a replacement
// that leaves the old or the new file, never half of one and never a stray
// temporary file. POSIX in host/files/posix/file.cpp, Win32 in host/files/win32.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "host/files/encoding.h"

namespace qlx {

// What a file was when it was read: enough to tell that another program
// changed it since.
struct FileStamp {
  std::uint64_t size = 0;
  std::int64_t modified_ns = 0;  // modification time, in the platform's units
  std::uint64_t hash = 0;        // of the content
  bool operator==(const FileStamp&) const = default;
};

// A 64-bit hash of bytes, to tell within one run whether a file changed.
std::uint64_t ContentHash(std::string_view bytes);

// How long a command waits for another qlx that holds a module's lock.
inline constexpr std::chrono::milliseconds kLockWait{10000};

// An exclusive advisory lock on one file (a symbolic link is followed), held
// until it is destroyed. Other qlx processes wait for it; other programs are
// not stopped, which is why a write also compares the file's stamp.
class FileLock {
 public:
  // Locks path, waiting up to wait while another process holds it. Throws
  // FileError naming the file when it cannot be opened or stays locked.
  static FileLock Acquire(const std::filesystem::path& path, std::chrono::milliseconds wait = kLockWait);

  FileLock() = default;
  ~FileLock();
  FileLock(FileLock&& other) noexcept;
  FileLock& operator=(FileLock&& other) noexcept;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  bool Held() const { return handle_ != kNone; }
  // The locked file's content, at most max_size bytes (FileError beyond),
  // and its stamp.
  std::string Read(std::uintmax_t max_size, FileStamp& stamp) const;
  // The platform handle; the writer swaps in the new file's after a rename.
  std::intptr_t Handle() const { return handle_; }
  void Adopt(std::intptr_t handle);

 private:
  static constexpr std::intptr_t kNone = -1;
  std::intptr_t handle_ = kNone;
  std::filesystem::path path_;
};

// Removes what a killed qlx left in dir: temporary files that no process
// holds, and the copy of a file's old content kept while it was rewritten in
// place (the old content goes back into the file first, unless the file has
// been changed well after). Failures are ignored: it is tidying. The folder
// is synced only when something was removed or put back. Returns the files
// whose old content was put back.
std::vector<std::filesystem::path> RemoveDebris(const std::filesystem::path& dir);

// The folders one run has cleared of what a killed qlx left: each folder is
// cleared (RemoveDebris) once, before the run first reads a file in it,
// rather than once for every file, which would list the whole folder for
// each file read. Safe to share between threads.
class DebrisSweep {
 public:
  // Clears dir ("" is ".") unless this run already has.
  void Clear(const std::filesystem::path& dir);

 private:
  std::mutex mutex_;
  std::set<std::filesystem::path> done_;
};

// Makes the renames into dir durable: POSIX syncs the folder; Windows
// writes its renames through, so there is nothing left to do. False with
// errno set when the sync fails.
bool SyncFolder(const std::filesystem::path& dir);

// While one lives, a replacing write leaves its folder's sync to it: a run
// that writes many files syncs each folder once, at Finish, rather than
// after every file (a sync waits for the disk). Each file's content is still
// durable before its rename, and the rename itself is atomic, so a crash
// leaves every file whole, old or new; what the folder's sync adds is only
// that the renames stay. One lives at a time, in the thread that writes.
class FolderSyncs {
 public:
  FolderSyncs();
  // Syncs what Finish did not (an exception left the run early).
  ~FolderSyncs();
  FolderSyncs(const FolderSyncs&) = delete;
  FolderSyncs& operator=(const FolderSyncs&) = delete;

  // Syncs each folder a write renamed a file into, once; a message for
  // each that failed, naming the folder. Later writes sync their own.
  std::vector<std::string> Finish();

  // Takes dir's sync when a FolderSyncs lives; false when the writer must
  // sync it now.
  static bool Defer(const std::filesystem::path& dir);

 private:
  std::set<std::filesystem::path> pending_;
  bool finished_ = false;
};

// Reads path whole (at most max_size bytes, FileError beyond) and gives its
// stamp; FileError, naming the file, when it cannot be read.
std::string ReadFileStamped(const std::filesystem::path& path, std::uintmax_t max_size, FileStamp& stamp);

// Replaces path's content so that an interrupted write never leaves half a
// file or a stray file beside it. A symbolic link stays a link to the file it
// names; a file with several hard links keeps them all (its content is
// rewritten in place after a synced copy of the old content was put beside
// it); owner, permission bits and extended attributes are kept. Holds the
// file's lock while it writes: lock, when given and held, is that lock
// (and afterwards holds the new file); else the lock is taken here. With
// expected, the file must still be what was read, or nothing is written and
// FileError says that another program changed it. Throws FileError, leaving
// everything as it was, when the file or its directory is read-only or any
// step fails. Returns the stamp of what was written.
FileStamp WriteFileReplacing(const std::filesystem::path& path, std::string_view bytes,
                             const FileStamp* expected, FileLock* lock);

}  // namespace qlx
