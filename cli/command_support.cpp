#include "cli/command_support.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <tuple>

#include "cli/names.h"
#include "host/clock.h"
#include "settings/ini_file.h"
#include "settings/operation_settings.h"

namespace qlx::cli {

namespace fs = std::filesystem;

std::string U8(const Text& t) { return ToUtf8(t); }

struct SettingsCache::Found {
  // By --ini, code page and the module's folder ("-": standard input's).
  std::map<std::tuple<std::string, std::string, fs::path>, fs::path> paths;
  // By the settings file, code page and whether it must exist.
  std::set<std::tuple<fs::path, std::string, bool>> checked;
  std::map<fs::path, OperationSettings> read;
};

SettingsCache::SettingsCache() : found_(std::make_unique<Found>()) {}
SettingsCache::~SettingsCache() = default;

int FilesRun::Finish(int worst) {
  for (const std::string& failure : syncs_.Finish()) {
    Say(failure);
    worst = std::max(worst, kExitUsage);
  }
  return worst;
}

fs::path CheckedSettings(const std::string& ini_option, const std::string& path, const std::string& code_page,
                         SettingsCache* cache) {
  const bool must_exist = !ini_option.empty();
  std::error_code ec;
  const fs::path folder = path == "-" ? fs::path(path) : fs::absolute(path, ec).parent_path();
  // Without a cache, or for a folder that cannot be named, looked up afresh.
  if (cache == nullptr || ec) {
    const fs::path settings = SettingsPath(ini_option, path, Environment::Current());
    CheckSettingsFile(settings, must_exist, code_page);
    return settings;
  }
  SettingsCache::Found& found = *cache->found_;
  const auto key = std::make_tuple(ini_option, code_page, folder);
  auto known = found.paths.find(key);
  if (known == found.paths.end()) {
    known = found.paths.emplace(key, SettingsPath(ini_option, path, Environment::Current())).first;
  }
  const fs::path& settings = known->second;
  const auto checked = std::make_tuple(settings, code_page, must_exist);
  if (!found.checked.contains(checked)) {
    CheckSettingsFile(settings, must_exist, code_page);
    found.checked.insert(checked);
  }
  return settings;
}

namespace {

OperationSettings ReadOperationSettings(const fs::path& settings, UiService& ui) {
  ModINIFile ini(ui, FromUtf8(settings.string()));
  return LoadOperationSettings(ini, ini.SettingsPath());
}

}  // namespace

void LoadSettings(const fs::path& settings, UiService& ui, Operations& operations, SettingsCache* cache) {
  OperationSettings loaded;
  if (cache == nullptr) {
    loaded = ReadOperationSettings(settings, ui);
  } else if (const auto known = cache->found_->read.find(settings); known != cache->found_->read.end()) {
    loaded = known->second;
  } else {
    // Read quietly first: a file that shows a box (a fault) is not kept,
    // and is read again for this module's own box.
    RecordingUi quiet;
    loaded = ReadOperationSettings(settings, quiet);
    if (quiet.boxes.empty()) {
      cache->found_->read.emplace(settings, loaded);
    } else {
      loaded = ReadOperationSettings(settings, ui);
    }
  }
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
