#include "cli/settings_path.h"

#include <cstdlib>

namespace qlx::cli {

std::filesystem::path SettingsPath(const std::string& ini_option) {
  if (!ini_option.empty()) return ini_option;
  if (const char* env = std::getenv("QLX_INI"); env != nullptr && *env != '\0') return env;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg == '/') {
    return std::filesystem::path(xdg) / "qlx" / "QLX.ini";
  }
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home != nullptr ? home : ".") / ".config" / "qlx" / "QLX.ini";
}

}  // namespace qlx::cli
