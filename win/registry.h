// Registry keys with RAII, and the few operations registration and the
// test harness need. Paths are relative to a root such as HKEY_CURRENT_USER.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "host/com/com_holders.h"

namespace qlx::win {

class RegKey {
 public:
  RegKey() = default;
  explicit RegKey(HKEY key) : key_(key) {}
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  RegKey(RegKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
  RegKey& operator=(RegKey&& other) noexcept;
  ~RegKey() { reset(); }

  // Opens path for access; an empty key when it does not exist or is refused.
  static RegKey Open(HKEY root, const std::wstring& path, REGSAM access = KEY_READ);
  // Opens or creates path; throws VbError when that fails.
  static RegKey Create(HKEY root, const std::wstring& path);

  HKEY get() const { return key_; }
  HKEY* put() {
    reset();
    return &key_;
  }
  explicit operator bool() const { return key_ != nullptr; }
  void reset();

  // Sets a REG_SZ value ("" names the default value).
  void SetString(const std::wstring& name, const std::wstring& value);
  void SetDword(const std::wstring& name, DWORD value);
  std::optional<std::wstring> GetString(const std::wstring& name) const;
  std::optional<DWORD> GetDword(const std::wstring& name) const;

  bool HasSubkeys() const;
  bool HasValues() const;

 private:
  HKEY key_ = nullptr;
};

bool KeyExists(HKEY root, const std::wstring& path);
// Deletes the key and everything below it; true when it is gone afterwards.
bool DeleteTree(HKEY root, const std::wstring& path);
// Deletes the key when it holds no subkeys and no values.
void DeleteIfEmpty(HKEY root, const std::wstring& path);

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
std::wstring GuidString(REFGUID guid);

}  // namespace qlx::win
