// Replacing a file's content on Windows: a temporary file in the same
// directory, flushed, then moved over the target in one step.
#include <string>

#include "host/module_file.h"

#include "host/win32/windows_api.h"

namespace qlx {
namespace {

namespace fs = std::filesystem;

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

class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { Close(); }
  HANDLE get() const { return h_; }
  bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
  bool Close() {
    if (!valid()) return true;
    const bool ok = CloseHandle(h_) != 0;
    h_ = INVALID_HANDLE_VALUE;
    return ok;
  }

 private:
  HANDLE h_;
};

// Deletes the temporary file unless it was moved into place.
class TempPath {
 public:
  explicit TempPath(std::wstring path) : path_(std::move(path)) {}
  TempPath(const TempPath&) = delete;
  TempPath& operator=(const TempPath&) = delete;
  ~TempPath() {
    if (!committed_) DeleteFileW(path_.c_str());
  }
  const std::wstring& path() const { return path_; }
  void Commit() { committed_ = true; }

 private:
  std::wstring path_;
  bool committed_ = false;
};

}  // namespace

void WriteFileReplacing(const fs::path& path, std::string_view bytes) {
  const std::string where = path.string() + ": cannot be saved: ";
  const std::wstring target = path.wstring();
  const DWORD attributes = GetFileAttributesW(target.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY)) throw FileError(where + "it is not a regular file");
  if (exists && (attributes & FILE_ATTRIBUTE_READONLY)) throw FileError(where + "the file is read-only");
  fs::path dir = path.parent_path();
  if (dir.empty()) dir = ".";
  const DWORD dir_attributes = GetFileAttributesW(dir.wstring().c_str());
  if (dir_attributes == INVALID_FILE_ATTRIBUTES || !(dir_attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    throw FileError(where + "the directory " + dir.string() + " does not exist");
  }
  if (bytes.size() > 0x7FFFFFFF) throw FileError(where + "the file is too large");

  wchar_t temp_name[MAX_PATH + 1] = {};
  if (!GetTempFileNameW(dir.wstring().c_str(), L"qlx", 0, temp_name)) {
    throw FileError(where + "cannot create a temporary file: " + LastErrorText());
  }
  TempPath temp(temp_name);
  {
    Handle file(CreateFileW(temp.path().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr));
    if (!file.valid()) throw FileError(where + LastErrorText());
    DWORD written = 0;
    if (!bytes.empty() &&
        (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
         written != bytes.size())) {
      throw FileError(where + LastErrorText());
    }
    if (!FlushFileBuffers(file.get()) || !file.Close()) throw FileError(where + LastErrorText());
  }
  if (!MoveFileExW(temp.path().c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    throw FileError(where + LastErrorText());
  }
  temp.Commit();
}

}  // namespace qlx
