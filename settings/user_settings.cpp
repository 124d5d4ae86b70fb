#include "settings/user_settings.h"

#include <system_error>

#include "host/vberror.h"
#include "settings/profile_file.h"

namespace qlx {
namespace {

namespace fs = std::filesystem;

constexpr char16_t kSettingsSection[] = u"Settings";
constexpr char16_t kDisplayOnConnectKey[] = u"DisplayOnConnect";

const Encoding kUtf8{Encoding::Kind::kUtf8, kDefaultCodePage};

// The profile reader drops blanks around a value and one pair of surrounding
// quotes; quoting such a value makes it come back as it was.
Text Protect(const Text& setting) {
  if (setting.empty()) return setting;
  const auto blank = [](char16_t c) { return c == u' ' || c == u'\t'; };
  const bool quoted = setting.size() >= 2 && (setting.front() == u'"' || setting.front() == u'\'') &&
                      setting.back() == setting.front();
  if (blank(setting.front()) || blank(setting.back()) || quoted) return u"\"" + setting + u"\"";
  return setting;
}

}  // namespace

FileUserSettingsStore::FileUserSettingsStore(fs::path directory) : directory_(std::move(directory)) {}

fs::path FileUserSettingsStore::FileOf(const Text& app_name) const {
  if (app_name.empty() || app_name == u"." || app_name == u".." ||
      app_name.find_first_of(u"/\\:") != Text::npos || app_name.find(u'\0') != Text::npos) {
    throw VbError(vberr::kInvalidCall, u"\"" + app_name + u"\" cannot name an application's settings");
  }
  return directory_ / fs::path(app_name + u".ini");
}

void FileUserSettingsStore::SaveSetting(const Text& app_name, const Text& section, const Text& key,
                                        const Text& setting) {
  const fs::path file_path = FileOf(app_name);
  ProfileFile file = ProfileFile::Load(file_path, kUtf8, "\n");
  file.Set(section, key, Protect(setting));
  std::error_code ec;
  if (fs::create_directories(directory_, ec)) {
    fs::permissions(directory_, fs::perms::owner_all, fs::perm_options::replace, ec);
  } else if (ec) {
    throw FileAccessError(vberr::kPathFileAccess, u"Path/File access error: cannot create '" + PathText(directory_) + u"' (" +
                                  PathText(ec.message()) + u")");
  }
  file.Save();
}

Text FileUserSettingsStore::GetSetting(const Text& app_name, const Text& section, const Text& key,
                                       const Text& default_value) {
  std::optional<Text> value = ProfileFile::Load(FileOf(app_name), kUtf8).Find(section, key);
  return value ? *value : default_value;
}

fs::path UserConfigDirectory(const UserConfigPlaces& places) {
  if (!places.qlx_config_dir.empty()) return fs::path(places.qlx_config_dir);
  if (!places.xdg_config_home.empty() && fs::path(places.xdg_config_home).is_absolute()) {
    return fs::path(places.xdg_config_home) / "qlx";
  }
  if (!places.home.empty()) return fs::path(places.home) / ".config" / "qlx";
  throw VbError(vberr::kPathFileAccess, u"Path/File access error: no directory for user settings; set QLX_CONFIG_DIR, "
                    u"XDG_CONFIG_HOME or HOME");
}

void SaveDisplayOnConnect(UserSettingsStore& store, bool window_shown) {
  store.SaveSetting(kAddInTitle, kSettingsSection, kDisplayOnConnectKey, window_shown ? u"1" : u"0");
}

Text GetDisplayOnConnect(UserSettingsStore& store) {
  return store.GetSetting(kAddInTitle, kSettingsSection, kDisplayOnConnectKey, Text());
}

}  // namespace qlx
