// The settings file "QLX.ini" and the three functions that read and write it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "host/files/encoding.h"
#include "host/text.h"

namespace qlx {

class UiService;

// The platform's profile functions, as the settings use them. On Windows they
// stand for GetPrivateProfileIntA, GetPrivateProfileStringA and
// WritePrivateProfileStringA; PortableProfileStore does the same elsewhere.
class ProfileStore {
 public:
  virtual ~ProfileStore() = default;
  // The key's value read by ParseProfileInteger; default_value when the file,
  // the section or the key is missing, or the value is empty.
  virtual std::int32_t GetInt(const Text& section, const Text& key, std::int32_t default_value,
                              const Text& path) = 0;
  // The key's value, else default_value without its trailing spaces; either
  // cut to buffer_size - 1 bytes of the ANSI code page (CutToAnsiBytes).
  virtual Text GetString(const Text& section, const Text& key, const Text& default_value,
                         std::size_t buffer_size, const Text& path) = 0;
  // Sets the key, creating the file and the section as needed. False when the
  // file system refuses (a read-only file or directory, an unreadable file).
  virtual bool Write(const Text& section, const Text& key, const Text& value, const Text& path) = 0;
};

// Profile files stored in an ANSI code page (CP932 by default), read and
// written with the behaviour of ProfileFile. A file that starts with a UTF-8
// byte-order mark stays UTF-8.
class PortableProfileStore : public ProfileStore {
 public:
  explicit PortableProfileStore(std::string code_page = kDefaultCodePage);

  std::int32_t GetInt(const Text& section, const Text& key, std::int32_t default_value,
                      const Text& path) override;
  Text GetString(const Text& section, const Text& key, const Text& default_value, std::size_t buffer_size,
                 const Text& path) override;
  bool Write(const Text& section, const Text& key, const Text& value, const Text& path) override;

 private:
  Encoding encoding_;
};

// The profile store of the platform the program runs on.
std::unique_ptr<ProfileStore> PlatformProfileStore();

// A profile integer as the platform reads it: leading blanks and control
// characters skipped, one optional sign, a base prefix "0x", "0o" or "0b"
// (lower case), then digits of that base up to the first other character; no
// digit gives 0. Taken modulo 2^32 and read as signed, so "-3" is -3 and
// "4294967295" is -1. "12abc" is 12, "0x1F" is 31, "abc" and "0X1F" are 0.
std::int32_t ParseProfileInteger(TextView value);

// text as it comes back through a buffer of max_bytes bytes in the ANSI code
// page: characters the code page cannot hold become "?", and the cut falls
// before the first character that does not fit whole, so a double-byte
// character is never split.
Text CutToAnsiBytes(TextView text, std::size_t max_bytes, Converter& ansi);

// The settings file's path: directory, a separator unless it ends in one, and "QLX.ini".
Text SettingsFilePath(const Text& directory);
// The platform's separator of folders in a path: a backslash on Windows, "/" elsewhere.
extern const char16_t kPathSeparator;

// `ModINIFile`: the three profile functions of the settings. Each reports an
// unexpected failure as "Error: N. desc" titled with its name, and then gives
// 0, "" or false.
class ModINIFile {
 public:
  // settings_path is the settings file the callers pass to the functions.
  ModINIFile(UiService& ui, Text settings_path, std::unique_ptr<ProfileStore> store = PlatformProfileStore());

  const Text& SettingsPath() const { return settings_path_; }

  // The key's value as an integer; default_value when the file, the section
  // or the key is missing.
  std::int32_t INIGetSettingInteger(const Text& section, const Text& key, const Text& file_path,
                                    std::int32_t default_value);
  // The key's value, at most 255 bytes of the ANSI code page; default_value
  // when the file, the section or the key is missing.
  Text INIGetSettingString(const Text& section, const Text& key, const Text& file_path,
                           const Text& default_value);
  // True when the value was written.
  bool INIWriteSetting(const Text& section, const Text& key, const Text& value, const Text& file_path);

 private:
  UiService& ui_;
  Text settings_path_;
  std::unique_ptr<ProfileStore> store_;
};

}  // namespace qlx
