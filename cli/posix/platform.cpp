#include "cli/platform.h"

#include <unistd.h>

namespace qlx::cli {

std::vector<std::string> Utf8Arguments(int argc, char** argv) { return std::vector<std::string>(argv, argv + argc); }

void PrepareConsole() {}

bool StdinIsTerminal() { return isatty(STDIN_FILENO) != 0; }

bool StderrIsTerminal() { return isatty(STDERR_FILENO) != 0; }

std::filesystem::path DefaultSettingsPath(const UserConfigPlaces& places) {
  const std::string& xdg = places.xdg_config_home;
  if (!xdg.empty() && xdg.front() == '/') return std::filesystem::path(xdg) / "qlx" / "QLX.ini";
  return std::filesystem::path(places.home.empty() ? "." : places.home) / ".config" / "qlx" / "QLX.ini";
}

std::filesystem::path SettingsFileName(const std::filesystem::path& path) { return path; }

}  // namespace qlx::cli
