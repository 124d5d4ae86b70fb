#include "cli/command_support.h"

#include <cstdio>
#include <filesystem>

#include "addin/ini_file.h"
#include "cli/settings_path.h"
#include "host/clock.h"
#include "host/vberror.h"

namespace qlx::cli {

std::string U8(const Text& t) { return ToUtf8(t); }

Workspace Load(const std::vector<std::string>& paths, const CommonOptions& common, bool lock) {
  try {
    return Workspace(paths, common.encoding, lock);
  } catch (const std::exception& e) {
    throw UsageError(e.what());
  }
}

Row ResolveRow(const Target& target, ModuleFile& file) {
  if (!target.row && !target.line) throw UsageError("give the procedure's place with --row N or --line N");
  const Row count = file.Module()->LineCount();
  if (target.row) {
    if (*target.row < 1 || *target.row > count) {
      throw UsageError("row " + std::to_string(*target.row) + " is outside the module, which has " +
                       std::to_string(count) + " rows");
    }
    return static_cast<Row>(*target.row);
  }
  const long long line = *target.line;
  const long long file_lines = count + file.HiddenLineCount();
  if (line < 1 || line > file_lines) {
    throw UsageError("line " + std::to_string(line) + " is outside the file, which has " +
                     std::to_string(file_lines) + " lines");
  }
  const Row row = file.RowOfFileLine(static_cast<long>(line));
  if (row == 0) {
    throw UsageError("line " + std::to_string(line) +
                     " is one the editor hides (the VERSION/BEGIN block or an Attribute line)");
  }
  return row;
}

std::unique_ptr<ConsoleUi> MakeUi(const CommonOptions& common, const std::string& answers) {
  ConsoleUi::Options options;
  options.json = common.json_messages;
  try {
    options.answers = ParseAnswers(answers);
  } catch (const std::invalid_argument& e) {
    throw UsageError(e.what());
  }
  options.ask = AskOnTerminal;
  try {
    options.clock = RegionalClock::FromEnvironment();
  } catch (const VbError& e) {
    throw UsageError(ToUtf8(e.Description()));
  }
  return std::make_unique<ConsoleUi>(options);
}

void PrintJson(const json& value) {
  std::printf("%s\n", value.dump(2).c_str());
  std::fflush(stdout);
}

void PrintHostCalls(Workspace& ws, const CommonOptions& common) {
  if (!common.host_calls) return;
  std::fflush(stdout);
  std::fprintf(stderr, "%s\n", ws.HostCallsJson().c_str());
  std::fflush(stderr);
}

Settings LoadSettings(UiService& ui, const WriteOptions& write) {
  const std::filesystem::path path = SettingsPath(write.ini);
  std::error_code ec;
  if (std::filesystem::exists(path, ec) && !std::filesystem::is_regular_file(path, ec)) {
    throw UsageError(path.string() + ": the settings file is not a regular file");
  }
  const Text file = FromUtf8(path.string());
  ModINIFile ini(ui, file);
  Settings s;
  s.author = ini.INIGetSettingString(u"Author", u"Name", file, u"");
  s.ignore_mode = ini.INIGetSettingInteger(u"Mode", u"IgnoreMode", file, 0);
  s.un_undo_mode = ini.INIGetSettingInteger(u"Mode", u"UnUndoMode", file, 0);
  s.sleep_time = ini.INIGetSettingInteger(u"Mode", u"SleepTime", file, 0);
  s.err_insert_pos = ini.INIGetSettingInteger(u"Mode", u"ErrInsertPos", file, 0);
  if (write.author) s.author = FromUtf8(*write.author);
  return s;
}

void Finish(ModuleFile& file, const WriteOptions& write) {
  std::vector<std::string> warnings;
  try {
    if (write.to_stdout) {
      warnings = file.Warnings();
      const std::string bytes = file.Render();
      std::fwrite(bytes.data(), 1, bytes.size(), stdout);
      std::fflush(stdout);
    } else if (file.Changed()) {
      warnings = file.Save(file.Path());
    }
  } catch (const std::exception& e) {
    throw UsageError(e.what());
  }
  for (const std::string& w : warnings) std::fprintf(stderr, "qlx: warning: %s\n", w.c_str());
}

}  // namespace qlx::cli
