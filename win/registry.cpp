#include "registry.h"

#include <algorithm>

namespace qlx::win {
namespace {

VbError RegistryError(LSTATUS status, const std::wstring& what) {
  return VbError(vberr::kPathFileAccess, u"Path/File access error: registry " + com::FromWide(what.c_str()) +
                                             u" (code " + Str(status) + u")");
}

}  // namespace

RegKey& RegKey::operator=(RegKey&& other) noexcept {
  if (this != &other) {
    reset();
    key_ = std::exchange(other.key_, nullptr);
  }
  return *this;
}

void RegKey::reset() {
  if (key_) RegCloseKey(std::exchange(key_, nullptr));
}

RegKey RegKey::Open(HKEY root, const std::wstring& path, REGSAM access) {
  RegKey key;
  if (RegOpenKeyExW(root, path.c_str(), 0, access, key.put()) != ERROR_SUCCESS) key.key_ = nullptr;
  return key;
}

RegKey RegKey::Create(HKEY root, const std::wstring& path) {
  RegKey key;
  const LSTATUS status = RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                         KEY_READ | KEY_WRITE, nullptr, key.put(), nullptr);
  if (status != ERROR_SUCCESS) {
    key.key_ = nullptr;
    throw RegistryError(status, path);
  }
  return key;
}

void RegKey::SetString(const std::wstring& name, const std::wstring& value) {
  const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
  const LSTATUS status =
      RegSetValueExW(key_, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes);
  if (status != ERROR_SUCCESS) throw RegistryError(status, name);
}

void RegKey::SetDword(const std::wstring& name, DWORD value) {
  const LSTATUS status =
      RegSetValueExW(key_, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  if (status != ERROR_SUCCESS) throw RegistryError(status, name);
}

std::optional<std::wstring> RegKey::GetString(const std::wstring& name) const {
  DWORD type = 0;
  DWORD bytes = 0;
  if (RegQueryValueExW(key_, name.c_str(), nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS || type != REG_SZ) {
    return std::nullopt;
  }
  std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
  bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
  if (RegQueryValueExW(key_, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &bytes) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  value.resize(std::min(value.find(L'\0'), static_cast<std::size_t>(bytes / sizeof(wchar_t))));
  return value;
}

std::optional<DWORD> RegKey::GetDword(const std::wstring& name) const {
  DWORD type = 0;
  DWORD value = 0;
  DWORD bytes = sizeof value;
  if (RegQueryValueExW(key_, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &bytes) !=
          ERROR_SUCCESS ||
      type != REG_DWORD) {
    return std::nullopt;
  }
  return value;
}

bool RegKey::HasSubkeys() const {
  DWORD subkeys = 0;
  return RegQueryInfoKeyW(key_, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                          nullptr, nullptr) != ERROR_SUCCESS ||
         subkeys > 0;
}

bool RegKey::HasValues() const {
  DWORD values = 0;
  return RegQueryInfoKeyW(key_, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                          nullptr, nullptr) != ERROR_SUCCESS ||
         values > 0;
}

bool KeyExists(HKEY root, const std::wstring& path) { return static_cast<bool>(RegKey::Open(root, path)); }

bool DeleteTree(HKEY root, const std::wstring& path) {
  if (!KeyExists(root, path)) return true;
  RegDeleteTreeW(root, path.c_str());
  RegDeleteKeyW(root, path.c_str());
  return !KeyExists(root, path);
}

void DeleteIfEmpty(HKEY root, const std::wstring& path) {
  {
    RegKey key = RegKey::Open(root, path);
    if (!key || key.HasSubkeys() || key.HasValues()) return;
  }
  RegDeleteKeyW(root, path.c_str());
}

std::wstring GuidString(REFGUID guid) {
  wchar_t buffer[40] = {};
  StringFromGUID2(guid, buffer, 40);
  return buffer;
}

}  // namespace qlx::win
