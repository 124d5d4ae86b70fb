// What the command line does differently per platform (cli/posix,
// cli/win32; CMake picks the folder).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace qlx::cli {

// The program's arguments in UTF-8 (Windows hands main them in the ANSI code
// page, which cannot hold every file name or author).
std::vector<std::string> Utf8Arguments(int argc, char** argv);
// Standard output and error carry qlx's bytes unchanged (a module printed
// with --stdout keeps its line ends), and a console shows them as UTF-8.
void PrepareConsole();
// Whether standard input is a terminal (a person who can answer).
bool StdinIsTerminal();
// The settings file when neither --ini nor QLX_INI names one: on Windows the
// add-in's own, beside its DLL in %LOCALAPPDATA%\QLX; elsewhere
// $XDG_CONFIG_HOME/qlx or ~/.config/qlx.
std::filesystem::path DefaultSettingsPath();
// The settings file as the platform's settings functions must be given it
// (Windows' profile functions look for a relative name in the Windows
// folder, so there it is the whole path).
std::filesystem::path SettingsFileName(const std::filesystem::path& path);

}  // namespace qlx::cli
