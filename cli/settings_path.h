// What qlx takes from its environment, and where it finds QLX.ini.
#pragma once

#include <filesystem>
#include <string>

#include "settings/user_settings.h"

namespace qlx::cli {

// The environment variables qlx reads, read once when it starts; the core
// reads none and is handed what they say.
struct Environment {
  std::string qlx_ini;          // $QLX_INI
  std::string qlx_now;          // $QLX_NOW: a fixed "now"
  std::string locale;           // the first set of $LC_ALL, $LC_TIME, $LANG
  UserConfigPlaces config;      // $QLX_CONFIG_DIR, $XDG_CONFIG_HOME, $HOME

  static Environment FromProcess();
  // The process's environment, read on first use.
  static const Environment& Current();
};

// The settings file for a module file (for "-", the current folder): --ini
// when given; else QLX.ini in the file's folder or the nearest parent folder
// that has one, up to the repository root (the first folder holding .git)
// or the filesystem root; else $QLX_INI; else the platform's default
// (DefaultSettingsPath). Made whole where the platform's settings functions
// need it (SettingsFileName).
std::filesystem::path SettingsPath(const std::string& ini_option, const std::filesystem::path& module_file,
                                   const Environment& env);

// Refuses, with a message naming it, a settings file that is no regular
// file, cannot be read, holds NUL bytes, is in UTF-16 or is neither UTF-8
// nor text of code_page; must_exist also refuses a missing one. Throws
// std::runtime_error.
void CheckSettingsFile(const std::filesystem::path& path, bool must_exist, const std::string& code_page);

}  // namespace qlx::cli
