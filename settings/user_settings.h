// The per-user store of application settings (the runtime's SaveSetting and
// GetSetting), where the add-in records "DisplayOnConnect".
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "host/text.h"
#include "host/ui.h"  // kAddInTitle, which names the add-in in the per-user store

namespace qlx {

class UserSettingsStore {
 public:
  virtual ~UserSettingsStore() = default;
  // Stores setting under application, section and key. Throws VbError on failure.
  virtual void SaveSetting(const Text& app_name, const Text& section, const Text& key, const Text& setting) = 0;
  // The stored setting; default_value when none was stored. Throws VbError on failure.
  virtual Text GetSetting(const Text& app_name, const Text& section, const Text& key,
                          const Text& default_value) = 0;
};

// One UTF-8 profile file per application, "<app_name>.ini" in directory, with
// "[section]" and "key=value" lines. The directory is created (owner only)
// when the first setting is saved. Settings keep surrounding blanks and quotes
// (they are written quoted when they have them); a line break is refused.
class FileUserSettingsStore : public UserSettingsStore {
 public:
  explicit FileUserSettingsStore(std::filesystem::path directory);

  void SaveSetting(const Text& app_name, const Text& section, const Text& key, const Text& setting) override;
  Text GetSetting(const Text& app_name, const Text& section, const Text& key, const Text& default_value) override;

  std::filesystem::path FileOf(const Text& app_name) const;

 private:
  std::filesystem::path directory_;
};

// The environment values that say where the file store keeps its files; the
// program reads them and hands them in.
struct UserConfigPlaces {
  std::string qlx_config_dir;   // $QLX_CONFIG_DIR
  std::string xdg_config_home;  // $XDG_CONFIG_HOME
  std::string home;             // $HOME
};

// Where the file store keeps its files: qlx_config_dir, else
// xdg_config_home/qlx (when absolute), else home/.config/qlx. Throws VbError
// when none of them is set.
std::filesystem::path UserConfigDirectory(const UserConfigPlaces& places);

// The per-user store of the platform the program runs on; off Windows the
// file store in directory.
std::unique_ptr<UserSettingsStore> PlatformUserSettingsStore(const std::filesystem::path& directory = {});

// "DisplayOnConnect" of the add-in: "1" when the tool window was shown while
// the add-in was connected, "0" when it was not.
void SaveDisplayOnConnect(UserSettingsStore& store, bool window_shown);
// The stored value, "" when none was stored.
Text GetDisplayOnConnect(UserSettingsStore& store);

}  // namespace qlx
