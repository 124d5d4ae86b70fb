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

namespace {

// One argument as the C runtime's command-line parser reads it back:
// quoted, with the backslashes before a quote doubled.
std::wstring QuotedArgument(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');
  return quoted + L"\"";
}

}  // namespace

std::optional<std::string> ProgramOutput(const std::vector<std::string>& args) {
  if (args.empty()) return std::nullopt;
  std::wstring command;
  for (const std::string& a : args) {
    if (!command.empty()) command += L' ';
    const Text wide = FromUtf8(a);
    command += QuotedArgument(std::wstring(wide.begin(), wide.end()));
  }
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &inherit, 0)) return std::nullopt;
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  HANDLE nul = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                           OPEN_EXISTING, 0, nullptr);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nul;
  startup.hStdOutput = write_end;
  startup.hStdError = nul;
  PROCESS_INFORMATION process{};
  const BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                      nullptr, &startup, &process);
  CloseHandle(write_end);
  if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
  if (!started) {
    CloseHandle(read_end);
    return std::nullopt;
  }
  std::string text;
  char buffer[65536];
  DWORD n = 0;
  while (ReadFile(read_end, buffer, sizeof buffer, &n, nullptr) && n > 0) text.append(buffer, n);
  CloseHandle(read_end);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  if (code != 0) return std::nullopt;
  return text;
}

}  // namespace qlx::cli
