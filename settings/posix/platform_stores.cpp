// The settings stores off Windows: profile files in the ANSI code page, and
// the per-user settings in one file per application.
#include <memory>

#include "host/vberror.h"
#include "settings/ini_file.h"
#include "settings/user_settings.h"

namespace qlx {

const char16_t kPathSeparator = u'/';

std::unique_ptr<ProfileStore> PlatformProfileStore() { return std::make_unique<PortableProfileStore>(); }

std::unique_ptr<UserSettingsStore> PlatformUserSettingsStore(const std::filesystem::path& directory) {
  if (directory.empty()) {
    throw VbError(vberr::kPathFileAccess, u"Path/File access error: no directory for user settings");
  }
  return std::make_unique<FileUserSettingsStore>(directory);
}

}  // namespace qlx
