// What the command line does differently per platform (cli/posix,
// cli/win32; CMake picks the folder).
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "settings/user_settings.h"

namespace qlx::cli {

// The program's arguments in UTF-8 (Windows hands main them in the ANSI code
// page, which cannot hold every file name or author).
std::vector<std::string> Utf8Arguments(int argc, char** argv);
// Standard output and error carry qlx's bytes unchanged (a module printed
// with --stdout keeps its line ends), and a console shows them as UTF-8.
void PrepareConsole();
// Whether standard input, or standard error, is a terminal (a person who can
// answer, or watch the progress).
bool StdinIsTerminal();
bool StderrIsTerminal();
// The settings file when nothing nearer names one: on Windows the add-in's
// own, beside its DLL in %LOCALAPPDATA%\QLX; elsewhere qlx/QLX.ini in the
// user's config folder (places.xdg_config_home when absolute, else
// places.home/.config).
std::filesystem::path DefaultSettingsPath(const UserConfigPlaces& places);
// The settings file as the platform's settings functions must be given it
// (Windows' profile functions look for a relative name in the Windows
// folder, so there it is the whole path).
std::filesystem::path SettingsFileName(const std::filesystem::path& path);
// What a program found on PATH prints on standard output when run with args
// (args[0] is the program), its standard input empty and its errors
// discarded; nullopt when it cannot be started or does not exit with 0.
std::optional<std::string> ProgramOutput(const std::vector<std::string>& args);

}  // namespace qlx::cli
