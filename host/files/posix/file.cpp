// Safe module-file writes on POSIX systems: flock for the advisory lock,
// O_TMPFILE (linked in at the last moment) or a hidden temporary file, a
// synced folder after the rename (or once, at the end of a run that writes
// many), and in-place rewriting behind a synced copy for files that must keep
// their identity.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <ctime>
#include <system_error>
#include <thread>
#include <vector>

#include "host/files/file_io.h"
#include "host/files/temp_files.h"

namespace qlx {
namespace fs = std::filesystem;
namespace {

constexpr std::time_t kDebrisAge = 60;  // seconds

std::string Describe(const fs::path& path) { return path.string(); }

std::string ErrnoText(int error) { return std::error_code(error, std::generic_category()).message(); }

std::int64_t ModifiedNs(const struct stat& st) {
  return static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

bool WriteAllAt(int fd, std::string_view bytes, off_t offset) {
  while (!bytes.empty()) {
    const ssize_t written = ::pwrite(fd, bytes.data(), bytes.size(), offset);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
    offset += written;
  }
  return true;
}

// Reads fd from its start; false with errno set on failure, or with EFBIG
// when it holds more than max_size bytes.
bool ReadAll(int fd, std::uintmax_t max_size, std::string& bytes, FileStamp& stamp) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return false;
  // Refused before anything is read.
  if (static_cast<std::uintmax_t>(st.st_size) > max_size) {
    errno = EFBIG;
    return false;
  }
  bytes.clear();
  bytes.reserve(static_cast<std::size_t>(st.st_size));
  char buffer[65536];
  off_t offset = 0;
  for (;;) {
    const ssize_t n = ::pread(fd, buffer, sizeof buffer, offset);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
    offset += n;
    if (bytes.size() > max_size) {
      errno = EFBIG;
      return false;
    }
  }
  if (::fstat(fd, &st) != 0) return false;
  stamp.size = bytes.size();
  stamp.modified_ns = ModifiedNs(st);
  stamp.hash = ContentHash(bytes);
  return true;
}

// Opens path for reading without waiting: a FIFO or a device named like a
// module would otherwise block the open, or be read for ever. -1 with errno
// set on failure, ENODEV when it is not a regular file.
int OpenRegular(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return -1;
  struct stat st {};
  const int error = ::fstat(fd, &st) != 0 ? errno : S_ISREG(st.st_mode) ? 0 : ENODEV;
  if (error == 0) return fd;
  ::close(fd);
  errno = error;
  return -1;
}

// The FileError for a file that OpenRegular or ReadAll refused (errno).
FileError ReadError(const fs::path& path) {
  const int error = errno;
  if (error == ENOENT) return FileError(Describe(path) + ": file not found", FileError::Reason::kNotFound);
  if (error == ENODEV) return FileError(Describe(path) + ": is not a regular file", FileError::Reason::kNotRegular);
  if (error == EFBIG) return FileError(Describe(path) + ": is too large for a module file", FileError::Reason::kTooLarge);
  return FileError(Describe(path) + ": cannot be read: " + ErrnoText(error), FileError::Reason::kOther,
                   ErrnoText(error));
}

// Holds back the signals that end a process by request (Ctrl-C, kill,
// hang-up) while a file is being replaced, so that they take effect once it
// is the old or the new file; and turns a file-size limit into a write error
// instead of a kill.
class QuietSignals {
 public:
  QuietSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&set, s);
    ::sigprocmask(SIG_BLOCK, &set, &old_mask_);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &old_xfsz_);
  }
  QuietSignals(const QuietSignals&) = delete;
  QuietSignals& operator=(const QuietSignals&) = delete;
  ~QuietSignals() {
    ::sigaction(SIGXFSZ, &old_xfsz_, nullptr);
    ::sigprocmask(SIG_SETMASK, &old_mask_, nullptr);
  }

 private:
  sigset_t old_mask_{};
  struct sigaction old_xfsz_ {};
};

// A new file in dir, locked from the start, removed unless committed. Where
// the system allows it the file has no name until Name() gives it one.
class TempFile {
 public:
  TempFile() = default;
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile() {
    if (!committed_ && !path_.empty()) ::unlink(path_.c_str());
    if (fd_ >= 0) ::close(fd_);
  }

  // False with errno set on failure.
  bool Create(const fs::path& dir, const fs::path& target, bool unnamed) {
    dir_ = dir;
    target_ = target;
    if (unnamed) {
      fd_ = ::open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
      if (fd_ < 0) return false;
    } else {
      const bool made = temp_files::CreateFresh(dir, target, temp_files::Kind::kTmp, [&](fs::path candidate) {
        fd_ = ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0) path_ = std::move(candidate);
        return fd_ >= 0 ? temp_files::Attempt::kMade
                        : errno == EEXIST ? temp_files::Attempt::kNameTaken : temp_files::Attempt::kFailed;
      });
      if (!made) return false;
    }
    return ::flock(fd_, LOCK_EX) == 0;
  }

  // Gives an unnamed file its hidden name; false with errno set on failure.
  bool Name() {
    if (!path_.empty()) return true;
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    return temp_files::CreateFresh(dir_, target_, temp_files::Kind::kNew, [&](fs::path candidate) {
      if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        path_ = std::move(candidate);
        return temp_files::Attempt::kMade;
      }
      return errno == EEXIST ? temp_files::Attempt::kNameTaken : temp_files::Attempt::kFailed;
    });
  }

  int fd() const { return fd_; }
  const fs::path& path() const { return path_; }
  // The file's descriptor, still locked, for the caller to keep.
  int ReleaseFd() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void Commit() { committed_ = true; }

 private:
  int fd_ = -1;
  fs::path dir_;
  fs::path target_;
  fs::path path_;
  bool committed_ = false;
};

// Copies every extended attribute of from onto fd; false when one cannot be
// copied (the caller then keeps the file itself instead).
bool CopyExtendedAttributes(const fs::path& from, int fd) {
  ssize_t size = ::listxattr(from.c_str(), nullptr, 0);
  if (size < 0) return errno == ENOTSUP;
  if (size == 0) return true;
  std::vector<char> names(static_cast<std::size_t>(size));
  size = ::listxattr(from.c_str(), names.data(), names.size());
  if (size < 0) return false;
  for (std::size_t at = 0; at < static_cast<std::size_t>(size);) {
    const char* name = names.data() + at;
    at += std::char_traits<char>::length(name) + 1;
    ssize_t length = ::getxattr(from.c_str(), name, nullptr, 0);
    if (length < 0) return false;
    std::vector<char> value(static_cast<std::size_t>(length));
    length = ::getxattr(from.c_str(), name, value.data(), value.size());
    if (length < 0) return false;
    if (::fsetxattr(fd, name, value.data(), static_cast<std::size_t>(length), 0) != 0) return false;
  }
  return true;
}

// Puts bytes into the open file fd in place and syncs it.
bool RewriteInPlace(int fd, std::string_view bytes) {
  return WriteAllAt(fd, bytes, 0) && ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 && ::fsync(fd) == 0;
}

// A synced copy of a file's old content left by a rewrite in place that did
// not finish: the old content goes back, unless the file is already that or
// was changed well after the copy was made (then a person decides). True
// when the old content was put back.
bool RecoverFromCopy(int copy_fd, const fs::path& copy, const fs::path& module) {
  Fd module_fd(::open(module.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW));
  if (module_fd.get() < 0 || ::flock(module_fd.get(), LOCK_EX | LOCK_NB) != 0) return false;
  std::string old_bytes, now_bytes;
  FileStamp old_stamp, now_stamp;
  if (!ReadAll(copy_fd, UINTMAX_MAX, old_bytes, old_stamp) ||
      !ReadAll(module_fd.get(), UINTMAX_MAX, now_bytes, now_stamp)) {
    return false;
  }
  const bool put_back = old_bytes != now_bytes;
  if (put_back) {
    if (now_stamp.modified_ns > old_stamp.modified_ns + std::int64_t{kDebrisAge} * 1000000000) return false;
    if (!RewriteInPlace(module_fd.get(), old_bytes)) return false;
  }
  ::unlink(copy.c_str());
  return put_back;
}

}  // namespace

bool SyncFolder(const fs::path& dir) {
  Fd fd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  return fd.get() >= 0 && ::fsync(fd.get()) == 0;
}

std::vector<fs::path> RemoveDebris(const fs::path& dir) {
  std::vector<fs::path> put_back;
  std::error_code ec;
  fs::directory_iterator it(dir, ec);
  if (ec) return put_back;
  const std::time_t now = std::time(nullptr);
  bool changed = false;
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    const temp_files::Found found = temp_files::Recognise(it->path().filename());
    const bool is_new = found.kind == temp_files::Kind::kNew;
    const bool is_tmp = found.kind == temp_files::Kind::kTmp;
    const bool is_old = found.kind == temp_files::Kind::kOld;
    if (!is_new && !is_tmp && !is_old) continue;
    Fd fd(::open(it->path().c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0 || ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) continue;
    // Still the file that was opened, not one made under the same name since.
    struct stat held {}, named {};
    if (::fstat(fd.get(), &held) != 0 || ::lstat(it->path().c_str(), &named) != 0 || held.st_ino != named.st_ino ||
        held.st_dev != named.st_dev || !S_ISREG(held.st_mode)) {
      continue;
    }
    if (is_new || (is_tmp && now - held.st_mtim.tv_sec > kDebrisAge)) {
      changed = ::unlink(it->path().c_str()) == 0 || changed;
    } else if (is_old) {
      const fs::path file = dir / found.module;
      if (RecoverFromCopy(fd.get(), it->path(), file)) put_back.push_back(file);
      changed = true;
    }
  }
  if (changed) SyncFolder(dir);
  return put_back;
}

namespace {

// Fills temp with bytes and the target's permission bits, owner and
// extended attributes; false when the owner or an attribute cannot be
// carried over (the file must then be rewritten in place).
bool Prepare(TempFile& temp, std::string_view bytes, const fs::path& target, const struct stat* existing,
             const std::string& where) {
  if (!WriteAllAt(temp.fd(), bytes, 0)) throw FileError(where + ErrnoText(errno));
  if (existing == nullptr) return true;
  if (::fchmod(temp.fd(), existing->st_mode & 07777) != 0) throw FileError(where + ErrnoText(errno));
  if (::fchown(temp.fd(), existing->st_uid, existing->st_gid) != 0) {
    // Only root may give a file away; the check below decides.
  }
  struct stat made {};
  if (::fstat(temp.fd(), &made) != 0) throw FileError(where + ErrnoText(errno));
  if (made.st_uid != existing->st_uid || made.st_gid != existing->st_gid) return false;
  // fchown may clear set-id bits.
  if ((made.st_mode & 07777) != (existing->st_mode & 07777) && ::fchmod(temp.fd(), existing->st_mode & 07777) != 0) {
    return false;
  }
  return CopyExtendedAttributes(target, temp.fd());
}

// Rewrites target in place, so that every hard link, the owner and all
// attributes stay: first a synced copy of the old content beside it, then
// the new content, then the copy goes.
void WriteInPlace(const fs::path& target, const fs::path& dir, std::string_view old_bytes,
                  std::string_view bytes, const std::string& where) {
  const fs::path copy = temp_files::OldCopyName(dir, target);
  if (::access(copy.c_str(), F_OK) == 0) {
    throw FileError(where + "an interrupted earlier write left the old content in " + Describe(copy) +
                    "; compare it with the file and remove it");
  }
  TempFile temp;
  if (!temp.Create(dir, target, true) && !temp.Create(dir, target, false)) {
    throw FileError(where + "cannot create a temporary file: " + ErrnoText(errno));
  }
  if (!WriteAllAt(temp.fd(), old_bytes, 0) || ::fsync(temp.fd()) != 0) throw FileError(where + ErrnoText(errno));
  if (temp.path().empty()) {
    const std::string self = "/proc/self/fd/" + std::to_string(temp.fd());
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, copy.c_str(), AT_SYMLINK_FOLLOW) != 0) {
      throw FileError(where + ErrnoText(errno));
    }
  } else {
    if (::link(temp.path().c_str(), copy.c_str()) != 0) throw FileError(where + ErrnoText(errno));
    ::unlink(temp.path().c_str());
  }
  temp.Commit();
  // From here the copy is removed only once the file holds whole content.
  auto drop_copy = [&] {
    ::unlink(copy.c_str());
    SyncFolder(dir);
  };
  if (!SyncFolder(dir)) {
    const int error = errno;
    drop_copy();
    throw FileError(where + ErrnoText(error));
  }
  Fd fd(::open(target.c_str(), O_WRONLY | O_CLOEXEC));
  if (fd.get() < 0) {
    const int error = errno;
    drop_copy();
    throw FileError(where + ErrnoText(error));
  }
  if (!RewriteInPlace(fd.get(), bytes)) {
    const int error = errno;
    if (!RewriteInPlace(fd.get(), old_bytes)) {
      throw FileError(where + ErrnoText(error) + "; the old content is kept in " + Describe(copy));
    }
    drop_copy();
    throw FileError(where + ErrnoText(error));
  }
  drop_copy();
}

}  // namespace

FileLock FileLock::Acquire(const fs::path& path, std::chrono::milliseconds wait) {
  const auto deadline = std::chrono::steady_clock::now() + wait;
  for (;;) {
    Fd fd(OpenRegular(path));
    if (fd.get() < 0) throw ReadError(path);
    while (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
      if (errno != EWOULDBLOCK && errno != EINTR) {
        throw FileError(Describe(path) + ": cannot be locked: " + ErrnoText(errno));
      }
      if (std::chrono::steady_clock::now() >= deadline) {
        throw FileError(Describe(path) +
                        ": another qlx is writing this file; nothing was done (try again when it has finished)");
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // A writer that held the lock may have put a new file in place: lock that.
    struct stat held {}, named {};
    if (::fstat(fd.get(), &held) == 0 && ::stat(path.c_str(), &named) == 0 && held.st_ino == named.st_ino &&
        held.st_dev == named.st_dev) {
      FileLock lock;
      lock.handle_ = fd.Release();
      lock.path_ = path;
      return lock;
    }
  }
}

FileLock::~FileLock() {
  if (handle_ != kNone) ::close(static_cast<int>(handle_));
}

FileLock::FileLock(FileLock&& other) noexcept : handle_(other.handle_), path_(std::move(other.path_)) {
  other.handle_ = kNone;
}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
  if (this != &other) {
    if (handle_ != kNone) ::close(static_cast<int>(handle_));
    handle_ = other.handle_;
    path_ = std::move(other.path_);
    other.handle_ = kNone;
  }
  return *this;
}

void FileLock::Adopt(std::intptr_t handle) {
  if (handle_ != kNone) ::close(static_cast<int>(handle_));
  handle_ = handle;
}

std::string FileLock::Read(std::uintmax_t max_size, FileStamp& stamp) const {
  std::string bytes;
  if (!ReadAll(static_cast<int>(handle_), max_size, bytes, stamp)) throw ReadError(path_);
  return bytes;
}

std::string ReadFileStamped(const fs::path& path, std::uintmax_t max_size, FileStamp& stamp) {
  Fd fd(OpenRegular(path));
  std::string bytes;
  if (fd.get() < 0 || !ReadAll(fd.get(), max_size, bytes, stamp)) throw ReadError(path);
  return bytes;
}

FileStamp WriteFileReplacing(const fs::path& path, std::string_view bytes, const FileStamp* expected,
                             FileLock* lock) {
  const std::string where = Describe(path) + ": cannot be saved: ";
  std::error_code ec;
  fs::path target = path;
  if (fs::is_symlink(fs::symlink_status(path, ec))) {
    target = fs::canonical(path, ec);
    if (ec) throw FileError(where + "it is a symbolic link to a missing file");
  }
  struct stat existing {};
  const bool exists = ::stat(target.c_str(), &existing) == 0;
  if (exists && !S_ISREG(existing.st_mode)) throw FileError(where + "it is not a regular file");
  if (!exists && expected != nullptr) {
    throw FileError(Describe(path) + ": was removed by another program since qlx read it; nothing was written");
  }
  fs::path dir = target.parent_path();
  if (dir.empty()) dir = ".";
  const fs::file_status dir_status = fs::status(dir, ec);
  if (ec || !fs::is_directory(dir_status)) throw FileError(where + "the directory " + Describe(dir) + " does not exist");

  // The permission bits decide, also for root, who could write anyway.
  constexpr mode_t kWriteBits = S_IWUSR | S_IWGRP | S_IWOTH;
  if (exists && ((existing.st_mode & kWriteBits) == 0 || ::access(target.c_str(), W_OK) != 0)) {
    throw FileError(where + "the file is read-only");
  }
  constexpr fs::perms kDirWriteBits = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  if ((dir_status.permissions() & kDirWriteBits) == fs::perms::none || ::access(dir.c_str(), W_OK | X_OK) != 0) {
    throw FileError(where + "the directory " + Describe(dir) + " is read-only");
  }

  FileLock own;
  if (exists && (lock == nullptr || !lock->Held())) {
    RemoveDebris(dir);
    own = FileLock::Acquire(target);
    lock = &own;
  }

  std::string old_bytes;
  if (exists) {
    FileStamp now;
    old_bytes = ReadFileStamped(target, UINTMAX_MAX, now);
    if (expected != nullptr && now != *expected) {
      throw FileError(Describe(path) + ": was changed by another program since qlx read it; nothing was written");
    }
    if (::stat(target.c_str(), &existing) != 0) throw FileError(where + ErrnoText(errno));
  }

  QuietSignals quiet;
  bool in_place = exists && existing.st_nlink > 1;
  if (!in_place) {
    auto temp = std::make_unique<TempFile>();
    if (!temp->Create(dir, target, true) && !temp->Create(dir, target, false)) {
      throw FileError(where + "cannot create a temporary file: " + ErrnoText(errno));
    }
    in_place = !Prepare(*temp, bytes, target, exists ? &existing : nullptr, where);
    if (!in_place) {
      if (::fsync(temp->fd()) != 0) throw FileError(where + ErrnoText(errno));
      if (!temp->Name()) {
        // No /proc to link through: the same with a named file.
        auto named = std::make_unique<TempFile>();
        if (!named->Create(dir, target, false)) {
          throw FileError(where + "cannot create a temporary file: " + ErrnoText(errno));
        }
        if (!Prepare(*named, bytes, target, exists ? &existing : nullptr, where) || ::fsync(named->fd()) != 0) {
          throw FileError(where + "cannot create a temporary file: " + ErrnoText(errno));
        }
        temp = std::move(named);
      }
      if (::rename(temp->path().c_str(), target.c_str()) != 0) throw FileError(where + ErrnoText(errno));
      temp->Commit();
      if (!FolderSyncs::Defer(dir) && !SyncFolder(dir)) {
        throw FileError(where + "the new file is in place, but syncing its folder failed: " + ErrnoText(errno));
      }
      // The new file is locked since its creation; the lock moves to it.
      if (lock != nullptr) lock->Adopt(temp->ReleaseFd());
    }
  }
  if (in_place) WriteInPlace(target, dir, old_bytes, bytes, where);

  struct stat written {};
  if (::stat(target.c_str(), &written) != 0) throw FileError(where + ErrnoText(errno));
  return FileStamp{bytes.size(), ModifiedNs(written), ContentHash(bytes)};
}

}  // namespace qlx
