#include "cli/command_support.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <tuple>

#include "cli/names.h"
#include "host/clock.h"
#include "settings/ini_file.h"
#include "settings/operation_settings.h"

namespace qlx::cli {

namespace fs = std::filesystem;

std::string U8(const Text& t) { return ToUtf8(t); }

// What a FilesRun keeps of the settings: only what was found, checked or
// read without a fault, so that a fault is met, and said, as often as
// before.
struct FilesRun::Settings {
  std::mutex mutex;
  // By --ini, code page and the module's folder ("-": standard input's).
  std::map<std::tuple<std::string, std::string, fs::path>, fs::path> found;
  // By the settings file, code page and whether it must exist.
  std::set<std::tuple<fs::path, std::string, bool>> checked;
  std::map<fs::path, OperationSettings> loaded;
};

namespace {

std::mutex run_mutex;
FilesRun::Settings* run_settings = nullptr;

FilesRun::Settings* RunSettings() {
  const std::lock_guard<std::mutex> hold(run_mutex);
  return run_settings;
}

}  // namespace

FilesRun::FilesRun() : settings_(std::make_unique<Settings>()) {
  const std::lock_guard<std::mutex> hold(run_mutex);
  if (run_settings == nullptr) run_settings = settings_.get();
}

FilesRun::~FilesRun() {
  const std::lock_guard<std::mutex> hold(run_mutex);
  if (run_settings == settings_.get()) run_settings = nullptr;
}

int FilesRun::Finish(int worst) {
  for (const std::string& failure : syncs_.Finish()) {
    Say(failure);
    worst = std::max(worst, kExitUsage);
  }
  return worst;
}

fs::path CheckedSettings(const std::string& ini_option, const std::string& path, const std::string& code_page) {
  FilesRun::Settings* const run = RunSettings();
  if (run == nullptr) {
    const fs::path settings = SettingsPath(ini_option, path, Environment::Current());
    CheckSettingsFile(settings, !ini_option.empty(), code_page);
    return settings;
  }
  std::error_code ec;
  const fs::path folder = path == "-" ? fs::path(path) : fs::absolute(path, ec).parent_path();
  const auto key = std::make_tuple(ini_option, code_page, folder);
  std::optional<fs::path> settings;
  {
    const std::lock_guard<std::mutex> hold(run->mutex);
    if (const auto found = run->found.find(key); found != run->found.end()) settings = found->second;
  }
  if (!settings) {
    settings = SettingsPath(ini_option, path, Environment::Current());
    if (!ec) {
      const std::lock_guard<std::mutex> hold(run->mutex);
      run->found.emplace(key, *settings);
    }
  }
  const auto checked = std::make_tuple(*settings, code_page, !ini_option.empty());
  {
    const std::lock_guard<std::mutex> hold(run->mutex);
    if (run->checked.contains(checked)) return *settings;
  }
  CheckSettingsFile(*settings, !ini_option.empty(), code_page);
  const std::lock_guard<std::mutex> hold(run->mutex);
  run->checked.insert(checked);
  return *settings;
}

namespace {

OperationSettings ReadOperationSettings(const fs::path& settings, UiService& ui) {
  ModINIFile ini(ui, FromUtf8(settings.string()));
  return LoadOperationSettings(ini, ini.SettingsPath());
}

// The settings, read once in a run: a read that showed a box (a fault) is
// read again for this file's own box, and kept by no one.
OperationSettings RunOperationSettings(const fs::path& settings, UiService& ui) {
  FilesRun::Settings* const run = RunSettings();
  if (run == nullptr) return ReadOperationSettings(settings, ui);
  {
    const std::lock_guard<std::mutex> hold(run->mutex);
    if (const auto found = run->loaded.find(settings); found != run->loaded.end()) return found->second;
  }
  RecordingUi quiet;
  const OperationSettings loaded = ReadOperationSettings(settings, quiet);
  if (!quiet.boxes.empty()) return ReadOperationSettings(settings, ui);
  const std::lock_guard<std::mutex> hold(run->mutex);
  run->loaded.emplace(settings, loaded);
  return loaded;
}

}  // namespace

void LoadSettings(const fs::path& settings, UiService& ui, Operations& operations) {
  const OperationSettings loaded = RunOperationSettings(settings, ui);
  if (!loaded.date_format.empty() && !HasDateToken(loaded.date_format)) {
    throw UsageError(settings.string() + ": [Mode] DateFormat \"" + U8(loaded.date_format) +
                     "\" has no date in it (yyyy, mm, dd, m or d)");
  }
  operations.Apply(loaded);
}

check::RuleSet CheckRules(const fs::path& settings, const std::string& select, const std::string& ignore,
                          check::RuleSet* warnings) {
  RecordingUi ui;
  ModINIFile ini(ui, FromUtf8(settings.string()));
  const CheckSettings from_file = LoadCheckSettings(ini, ini.SettingsPath());
  const auto apply = [&](check::RuleSet& rules, const char* key, const Text& list, bool selects) {
    try {
      rules.Apply(selects ? U8(list) : "", selects ? "" : U8(list));
    } catch (const std::invalid_argument& e) {
      throw UsageError(settings.string() + ": [Check] " + key + " \"" + U8(list) + "\": " + e.what());
    }
  };
  check::RuleSet rules = check::RuleSet::Default();
  apply(rules, "Select", from_file.select, true);
  apply(rules, "Ignore", from_file.ignore, false);
  rules.Apply(select, ignore);
  // Warn is read also when not asked for, so that a misspelt rule there is said the same way.
  check::RuleSet warn;
  apply(warn, "Warn", from_file.warn, true);
  if (warnings != nullptr) *warnings = warn;
  return rules;
}

std::unique_ptr<ConsoleUi> MakeUi(const CommonOptions& common, const WriteOptions* write,
                                  std::function<void()> before_print, const RegionalClock* clock) {
  ConsoleUi::Options options;
  options.json = common.json_messages;
  if (write != nullptr) {
    options.answers = ParseAnswers(write->answers);
    if (write->yes) options.every_answer = Answer::kYes;
    if (write->no) options.every_answer = Answer::kNo;
  }
  options.ask = AskOnTerminal;
  options.before_print = std::move(before_print);
  if (clock != nullptr) {
    options.clock = *clock;
  } else {
    options.clock = RegionalClock::ForUser(Environment::Current().locale, Environment::Current().qlx_now);
  }
  return std::make_unique<ConsoleUi>(options);
}

void PrintJson(const json& value) {
  // Names are put in with PutName; anything else that is not UTF-8 is replaced, never fatal.
  std::printf("%s\n", value.dump(2, ' ', false, json::error_handler_t::replace).c_str());
  std::fflush(stdout);
}

void PrintHostCalls(Workspace& ws, const CommonOptions& common) {
  if (!common.host_calls) return;
  std::fflush(stdout);
  std::fprintf(stderr, "%s\n", ws.HostCallsJson().c_str());
  std::fflush(stderr);
}

}  // namespace qlx::cli
