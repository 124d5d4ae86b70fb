#include "cli/platform.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <system_error>

#include "host/text.h"
#include "host/win32/windows_api.h"
// After windows.h, which it needs.
#include <shellapi.h>

namespace qlx::cli {

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> args;
  for (int i = 0; i < count; ++i) args.push_back(ToUtf8(reinterpret_cast<const char16_t*>(wide[i])));
  LocalFree(wide);
  return args;
}

namespace {

// The console's code pages before qlx changed them: the console outlives
// qlx, and the programs run in it after qlx expect their own.
UINT saved_output_code_page = 0;
UINT saved_input_code_page = 0;

void RestoreConsole() {
  if (saved_output_code_page) SetConsoleOutputCP(saved_output_code_page);
  if (saved_input_code_page) SetConsoleCP(saved_input_code_page);
}

}  // namespace

void PrepareConsole() {
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  saved_output_code_page = GetConsoleOutputCP();
  saved_input_code_page = GetConsoleCP();
  if (!saved_output_code_page && !saved_input_code_page) return;  // no console
  std::atexit(RestoreConsole);
  SetConsoleOutputCP(CP_UTF8);
  SetConsoleCP(CP_UTF8);
}

bool StdinIsTerminal() { return _isatty(_fileno(stdin)) != 0; }

bool StderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

// Windows keeps the add-in's settings in its own folder, whatever the config
// places say.
std::filesystem::path DefaultSettingsPath(const UserConfigPlaces& /*places*/) {
  const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
  if (local != nullptr && *local != L'\0') return std::filesystem::path(local) / L"QLX" / L"QLX.ini";
  return std::filesystem::path(L".") / L"QLX.ini";
}

std::filesystem::path SettingsFileName(const std::filesystem::path& path) {
  std::error_code ec;
  std::filesystem::path absolute = std::filesystem::absolute(path, ec);
  return ec ? path : absolute;
}

}  // namespace qlx::cli
