#include "cli/settings_path.h"

#include <cstdlib>
#include <system_error>

#include "cli/platform.h"

namespace qlx::cli {

std::filesystem::path SettingsPath(const std::string& ini_option) {
  std::filesystem::path path = DefaultSettingsPath();
  if (!ini_option.empty()) {
    path = ini_option;
  } else if (const char* env = std::getenv("QLX_INI"); env != nullptr && *env != '\0') {
    path = env;
  }
  // Windows' profile functions look for a relative file in the Windows
  // folder, so the file is named by its whole path.
  std::error_code ec;
  std::filesystem::path absolute = std::filesystem::absolute(path, ec);
  return ec ? path : absolute;
}

}  // namespace qlx::cli
