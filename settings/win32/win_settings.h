// The Windows stores of the settings: the profile functions of the platform
// for "QLX.ini", and the registry branch where the VB runtime's SaveSetting
// keeps per-user application settings.
#pragma once

#include "settings/ini_file.h"
#include "settings/user_settings.h"

namespace qlx {

// GetPrivateProfileIntA, GetPrivateProfileStringA and
// WritePrivateProfileStringA; texts go through the ANSI code page.
class Win32ProfileStore : public ProfileStore {
 public:
  std::int32_t GetInt(const Text& section, const Text& key, std::int32_t default_value, const Text& path) override;
  Text GetString(const Text& section, const Text& key, const Text& default_value, std::size_t buffer_size,
                 const Text& path) override;
  bool Write(const Text& section, const Text& key, const Text& value, const Text& path) override;
};

// HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<app>\<section>,
// one REG_SZ value per key, as SaveSetting and GetSetting use it.
class RegistryUserSettingsStore : public UserSettingsStore {
 public:
  // root is the branch below HKEY_CURRENT_USER (tests use a scratch branch).
  explicit RegistryUserSettingsStore(Text root = u"Software\\VB and VBA Program Settings");

  void SaveSetting(const Text& app_name, const Text& section, const Text& key, const Text& setting) override;
  Text GetSetting(const Text& app_name, const Text& section, const Text& key, const Text& default_value) override;

 private:
  Text KeyPath(const Text& app_name, const Text& section) const;
  Text root_;
};

}  // namespace qlx
