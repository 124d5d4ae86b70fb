// What the qlx commands share besides loading and the target: the settings,
// the message boxes, the operations on one file's editor, and JSON output.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "check/module_check.h"
#include "cli/console_ui.h"
#include "cli/errors.h"
#include "cli/options.h"
#include "cli/settings_path.h"
#include "cli/workspace.h"
#include "host/files/file_io.h"
#include "host/host.h"
#include "host/memory/line_cache.h"
#include "host/text.h"
#include "operations/operations.h"

namespace qlx::cli {

// Fields keep the order in which they are named, as the help text lists them.
using json = nlohmann::ordered_json;

std::string U8(const Text& t);

// What a command over many files learns of the settings: each folder's
// settings file found once, and each settings file checked and read once.
// Only what was found, checked or read without a fault is kept, so that a
// faulty file is said with every module it governs, as without a cache.
// Used by one thread.
class SettingsCache {
 public:
  SettingsCache();
  ~SettingsCache();
  SettingsCache(const SettingsCache&) = delete;
  SettingsCache& operator=(const SettingsCache&) = delete;

 private:
  friend std::filesystem::path CheckedSettings(const std::string&, const std::string&, const std::string&,
                                               SettingsCache*);
  friend void LoadSettings(const std::filesystem::path&, UiService&, Operations&, SettingsCache*);
  struct Found;
  std::unique_ptr<Found> found_;
};

// One run of a command over many files: its settings cache, and the folders
// of the files written, synced once each by Finish rather than after every
// file.
class FilesRun {
 public:
  // Syncs the folders written in. A folder that cannot be synced is said,
  // naming it, and makes the run's status at least kExitUsage; else worst.
  int Finish(int worst);

  SettingsCache& Settings() { return settings_; }

 private:
  FolderSyncs syncs_;
  SettingsCache settings_;
};

// The settings file found for a module file (see SettingsPath), checked; an
// --ini file must exist. Its faults are usage errors. cache: a run's, or
// null to look afresh (an editor's file may change between two calls).
std::filesystem::path CheckedSettings(const std::string& ini_option, const std::string& path,
                                      const std::string& code_page, SettingsCache* cache = nullptr);
// The operations' settings from that file, as the tool window loads them;
// a DateFormat without a date is a usage error.
void LoadSettings(const std::filesystem::path& settings, UiService& ui, Operations& operations,
                  SettingsCache* cache = nullptr);

// The rules qlx check runs on a file whose settings file is settings: the
// default rules, then the settings' [Check] Select and Ignore, then select
// and ignore as given on the command line, which so win. Each list means what
// --select and --ignore mean. An unknown rule in the settings is a usage
// error naming the file and key; one on the command line throws
// std::invalid_argument.
// With warnings, also the rules the settings' [Check] Warn makes warnings.
check::RuleSet CheckRules(const std::filesystem::path& settings, const std::string& select,
                          const std::string& ignore, check::RuleSet* warnings = nullptr);

// The message boxes of a command; write gives the answers (null: none).
// clock: the run's clock, when it made one (copies share its formats, which
// cost more to make than a header); else the user's clock is made here.
std::unique_ptr<ConsoleUi> MakeUi(const CommonOptions& common, const WriteOptions* write,
                                  std::function<void()> before_print = {}, const RegionalClock* clock = nullptr);

void PrintJson(const json& value);

// Runs one operation holding the active code module all along, so that the
// whole command reads through one line cache, as one click of the add-in does.
template <typename Operation>
void RunOperation(Workspace& ws, Operation operation) {
  const std::shared_ptr<CodeModule> held = ActiveCodeModule(ws.vbe.get());
  operation();
}

// With --host-calls, the calls that reached the editor, as the last line on
// stderr.
void PrintHostCalls(Workspace& ws, const CommonOptions& common);

}  // namespace qlx::cli
