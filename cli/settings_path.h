// Where qlx finds QLX.ini.
#pragma once

#include <filesystem>
#include <string>

namespace qlx::cli {

// --ini when given, else $QLX_INI, else qlx/QLX.ini in the user's config
// directory ($XDG_CONFIG_HOME, else ~/.config).
std::filesystem::path SettingsPath(const std::string& ini_option);

}  // namespace qlx::cli
