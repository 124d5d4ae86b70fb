#include "cli/platform.h"

#include <unistd.h>

#include <cstdlib>

namespace qlx::cli {

std::vector<std::string> Utf8Arguments(int argc, char** argv) { return std::vector<std::string>(argv, argv + argc); }

void PrepareConsole() {}

bool StdinIsTerminal() { return isatty(STDIN_FILENO) != 0; }

std::filesystem::path DefaultSettingsPath() {
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg == '/') {
    return std::filesystem::path(xdg) / "qlx" / "QLX.ini";
  }
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home != nullptr ? home : ".") / ".config" / "qlx" / "QLX.ini";
}

std::filesystem::path SettingsFileName(const std::filesystem::path& path) { return path; }

}  // namespace qlx::cli
