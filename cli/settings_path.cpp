#include "cli/settings_path.h"

#include <cstdlib>

#include "cli/platform.h"

namespace qlx::cli {

std::filesystem::path SettingsPath(const std::string& ini_option) {
  std::filesystem::path path = DefaultSettingsPath();
  if (!ini_option.empty()) {
    path = ini_option;
  } else if (const char* env = std::getenv("QLX_INI"); env != nullptr && *env != '\0') {
    path = env;
  }
  return SettingsFileName(path);
}

}  // namespace qlx::cli
