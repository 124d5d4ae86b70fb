// The Windows settings stores over the profile functions and the registry.
#include "settings/win32/win_settings.h"

#include <climits>

#include "host/win32/windows_api.h"

#include "host/win32/ansi.h"
#include "host/vberror.h"

namespace qlx {
namespace {

const wchar_t* Wide(const Text& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

// The text as the ANSI code page gives it back: what the ANSI functions
// would have stored of it.
Text InAnsi(const Text& text) { return FromAnsi(ToAnsi(text)); }

class RegKey {
 public:
  RegKey() = default;
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  ~RegKey() {
    if (key_) RegCloseKey(key_);
  }
  HKEY* out() { return &key_; }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

VbError RegistryError(LSTATUS status, const Text& path) {
  return VbError(vberr::kPathFileAccess, u"Path/File access error: registry key HKEY_CURRENT_USER\\" + path + u" (code " +
                         Str(status) + u")");
}

// Keeps a DBCS lead byte at the end from being read without its trail byte.
std::string WholeCharacters(std::string bytes) {
  std::size_t i = 0;
  std::size_t whole = 0;
  while (i < bytes.size()) {
    const std::size_t n = IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(bytes[i])) ? 2 : 1;
    if (i + n > bytes.size()) break;
    i += n;
    whole = i;
  }
  bytes.resize(whole);
  return bytes;
}

}  // namespace

// The wide-character profile functions take the path whole, so a folder
// whose name lies outside the ANSI code page keeps its settings; the file
// itself stays in the ANSI code page (the system converts what it reads and
// writes), and names and values pass through that code page as before.
std::int32_t Win32ProfileStore::GetInt(const Text& section, const Text& key, std::int32_t default_value,
                                       const Text& path) {
  const UINT value = GetPrivateProfileIntW(Wide(InAnsi(section)), Wide(InAnsi(key)), default_value, Wide(path));
  return static_cast<std::int32_t>(value);
}

Text Win32ProfileStore::GetString(const Text& section, const Text& key, const Text& default_value,
                                  std::size_t buffer_size, const Text& path) {
  if (buffer_size == 0) return Text();
  // Each ANSI byte gives at most one wide character.
  std::wstring buffer(buffer_size + 1, L'\0');
  const DWORD length = GetPrivateProfileStringW(Wide(InAnsi(section)), Wide(InAnsi(key)),
                                                Wide(InAnsi(default_value)), buffer.data(),
                                                static_cast<DWORD>(buffer.size()), Wide(path));
  buffer.resize(std::min<std::size_t>(length, buffer.size() - 1));
  buffer.resize(std::min(buffer.find(L'\0'), buffer.size()));
  // The ANSI buffer of buffer_size bytes held at most buffer_size - 1 of them.
  std::string bytes = ToAnsi(Text(reinterpret_cast<const char16_t*>(buffer.c_str())));
  if (bytes.size() > buffer_size - 1) bytes.resize(buffer_size - 1);
  return FromAnsi(WholeCharacters(bytes));
}

bool Win32ProfileStore::Write(const Text& section, const Text& key, const Text& value, const Text& path) {
  return WritePrivateProfileStringW(Wide(InAnsi(section)), Wide(InAnsi(key)), Wide(InAnsi(value)), Wide(path)) != 0;
}

RegistryUserSettingsStore::RegistryUserSettingsStore(Text root) : root_(std::move(root)) {}

Text RegistryUserSettingsStore::KeyPath(const Text& app_name, const Text& section) const {
  if (app_name.empty() || section.empty()) {
    throw VbError(vberr::kInvalidCall, u"An application setting needs an application and a section name");
  }
  return root_ + u"\\" + app_name + u"\\" + section;
}

void RegistryUserSettingsStore::SaveSetting(const Text& app_name, const Text& section, const Text& key,
                                            const Text& setting) {
  const Text path = KeyPath(app_name, section);
  RegKey k;
  LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, Wide(path), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                                   nullptr, k.out(), nullptr);
  if (status != ERROR_SUCCESS) throw RegistryError(status, path);
  const DWORD bytes = static_cast<DWORD>((setting.size() + 1) * sizeof(char16_t));
  status = RegSetValueExW(k.get(), Wide(key), 0, REG_SZ, reinterpret_cast<const BYTE*>(setting.c_str()), bytes);
  if (status != ERROR_SUCCESS) throw RegistryError(status, path);
}

Text RegistryUserSettingsStore::GetSetting(const Text& app_name, const Text& section, const Text& key,
                                           const Text& default_value) {
  const Text path = KeyPath(app_name, section);
  RegKey k;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, Wide(path), 0, KEY_QUERY_VALUE, k.out()) != ERROR_SUCCESS) {
    return default_value;
  }
  DWORD type = 0;
  DWORD bytes = 0;
  if (RegQueryValueExW(k.get(), Wide(key), nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ)) {
    return default_value;
  }
  Text value(bytes / sizeof(char16_t) + 1, u'\0');
  bytes = static_cast<DWORD>(value.size() * sizeof(char16_t));
  const LSTATUS status =
      RegQueryValueExW(k.get(), Wide(key), nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &bytes);
  if (status != ERROR_SUCCESS) throw RegistryError(status, path);
  value.resize(std::min(value.find(u'\0'), static_cast<std::size_t>(bytes / sizeof(char16_t))));
  return value;
}

}  // namespace qlx
