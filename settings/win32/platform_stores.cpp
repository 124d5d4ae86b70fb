// The settings stores on Windows: the profile functions, and the registry
// branch of SaveSetting; the per-user store needs no directory there.
#include <memory>

#include "settings/ini_file.h"
#include "settings/user_settings.h"
#include "settings/win32/win_settings.h"

namespace qlx {

const char16_t kPathSeparator = u'\\';

std::unique_ptr<ProfileStore> PlatformProfileStore() { return std::make_unique<Win32ProfileStore>(); }

std::unique_ptr<UserSettingsStore> PlatformUserSettingsStore(const std::filesystem::path&) {
  return std::make_unique<RegistryUserSettingsStore>();
}

}  // namespace qlx
