#include "cli/check_command.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <set>
#include <optional>
#include <stdexcept>
#include <thread>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "check/module_check.h"
#include "cli/check_baseline.h"
#include "cli/errors.h"
#include "cli/command_support.h"
#include "cli/file_set.h"
#include "cli/loading.h"
#include "cli/lsp_server.h"
#include "cli/names.h"
#include "cli/numbers.h"
#include "cli/options.h"
#include "host/files/module_file.h"
#include "host/text.h"
#include "office/project_modules.h"

namespace qlx::cli {

namespace fs = std::filesystem;

namespace {

struct Reported {
  std::string file;    // as shown: FILE, or FILE:MODULE inside an Office document
  std::size_t index;   // of the file among those walked
  std::string module;  // the module inside a document; empty for a module file
  long line;
  int column;
  std::string rule;
  std::string message;
  std::string procedure;
  bool warning = false;
};

// Workflow-command values: %, CR and LF escaped; properties also : and ,.
std::string GithubEscape(const std::string& text, bool property) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '%': out += "%25"; break;
      case '\r': out += "%0D"; break;
      case '\n': out += "%0A"; break;
      case ':': out += property ? "%3A" : ":"; break;
      case ',': out += property ? "%2C" : ","; break;
      default: out += c;
    }
  }
  return out;
}

// 3555 as "3,555".
std::string Grouped(std::size_t n) {
  std::string digits = std::to_string(n);
  for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
  return digits;
}

// "1 file", "3,555 files".
std::string Counted(std::size_t n, const char* one, const char* many) {
  return Grouped(n) + " " + (n == 1 ? one : many);
}

// One annotation a GitHub workflow shows on the pull request. A finding in
// an Office document is shown at the document (its lines are not the
// module's), the module and line named in the message.
void PrintGithub(const Reported& r, const std::string& path) {
  const char* kind = r.warning ? "warning" : "error";
  if (r.module.empty()) {
    std::printf("::%s file=%s,line=%ld,col=%d,title=%s::%s\n", kind, Shown(GithubEscape(r.file, true)).c_str(),
                r.line, r.column, GithubEscape(r.rule, true).c_str(), Shown(GithubEscape(r.message, false)).c_str());
  } else {
    const std::string message = r.module + ", line " + std::to_string(r.line) + ": " + r.message;
    std::printf("::%s file=%s,title=%s::%s\n", kind, Shown(GithubEscape(path, true)).c_str(),
                GithubEscape(r.rule, true).c_str(), Shown(GithubEscape(message, false)).c_str());
  }
}

// A file or folder that could not be read, annotated at the file when there is one.
void PrintGithubError(const std::string& message, const std::string& path) {
  if (path.empty()) {
    std::printf("::error title=qlx::%s\n", Shown(GithubEscape(message, false)).c_str());
  } else {
    std::printf("::error file=%s,title=qlx::%s\n", Shown(GithubEscape(path, true)).c_str(),
                Shown(GithubEscape(message, false)).c_str());
  }
}

// What one file gave: its findings, the modules checked inside a document,
// or the error that stopped it.
struct FileResult {
  std::vector<Reported> findings;
  std::vector<std::string> modules;
  std::string error;
};

// The rules each file is checked with, from the settings file found for it
// (read once per settings file). A file whose settings are refused has none
// and is not checked; each refusal is said once, as that file's error.
struct FileRules {
  std::map<fs::path, std::optional<check::CheckOptions>> by_settings;
  std::vector<const check::CheckOptions*> of_file;  // null: not checked
  bool refused = false;
};

void FindRules(const CheckCommandOptions& options, const std::vector<fs::path>& files, FileRules& rules,
               std::vector<FileResult>& results) {
  rules.of_file.assign(files.size(), nullptr);
  std::set<std::string> said;
  SettingsCache cache;
  for (std::size_t i = 0; i < files.size(); ++i) {
    try {
      const fs::path settings = CheckedSettings(options.ini, files[i].string(), options.encoding, &cache);
      const auto [it, added] = rules.by_settings.try_emplace(settings);
      if (added) {
        check::CheckOptions found;
        found.rules = CheckRules(settings, options.select, options.ignore, &found.warnings);
        it->second = std::move(found);
      }
      if (it->second) rules.of_file[i] = &*it->second;
    } catch (const std::exception& e) {
      if (said.insert(e.what()).second) results[i].error = e.what();
    }
    if (rules.of_file[i] == nullptr) rules.refused = true;
  }
}

// The findings of one file: a module file, standard input, or each module
// of a document's project, named Book.xlsm:Module1 with its lines counted in
// the module's source.
void CheckOneFile(const CheckCommandOptions& options, std::size_t i, const fs::path& path,
                  const check::CheckOptions& check_options, const std::shared_ptr<DebrisSweep>& sweep,
                  FileResult& result) {
  auto check_file = [&](const ModuleFile& file, const std::string& name, const std::string& module) {
    for (const check::Finding& f : check::CheckModule(*file.Module(), check_options)) {
      result.findings.push_back({name, i, module, file.FileLineOfRow(f.row), f.column,
                                 std::string(check::RuleId(f.rule)), ToUtf8(f.message), ToUtf8(f.procedure),
                                 check_options.warnings.Has(f.rule)});
    }
  };
  try {
    std::error_code ec;
    if (path == kStdin) {
      check_file(LoadModuleFile(kStdin, options.encoding, options.stdin_name), path.string(), "");
    } else if (!fs::exists(path, ec)) {
      throw std::runtime_error(path.string() + ": no such file or folder");
    } else if (IsDocument(path.string())) {
      OpenedDocument opened(path.string(), options.module, false);
      office::ProjectModules& modules = *opened.modules;
      for (std::size_t k = 0; k < modules.Files().size(); ++k) {
        check_file(modules.Files()[k], path.string() + ":" + modules.Names()[k], modules.Names()[k]);
        result.modules.push_back(modules.Names()[k]);
      }
    } else {
      check_file(LoadModuleFile(path.string(), options.encoding, "", false, sweep), path.string(), "");
    }
  } catch (const std::exception& e) {
    result.error = e.what();
    result.findings.clear();
  }
}

// Files are checked side by side, each in its own editor; the results keep
// the order of the files.
void CheckFiles(const CheckCommandOptions& options, const std::vector<fs::path>& files, const FileRules& rules,
                std::vector<FileResult>& results) {
  std::atomic<std::size_t> next{0};
  // Each folder is cleared of a killed run's files once a run: listing it
  // for every file made a folder of many files quadratic.
  const auto sweep = std::make_shared<DebrisSweep>();
  auto work = [&] {
    for (std::size_t i = next++; i < files.size(); i = next++) {
      if (rules.of_file[i] != nullptr) CheckOneFile(options, i, files[i], *rules.of_file[i], sweep, results[i]);
    }
  };
  const std::size_t threads =
      std::min<std::size_t>({std::max(1u, std::thread::hardware_concurrency()), 8, files.size()});
  std::vector<std::thread> pool;
  for (std::size_t t = 1; t < threads; ++t) pool.emplace_back(work);
  work();
  for (std::thread& t : pool) t.join();
}

// What a baseline takes from the findings: the known ones are dropped, and
// the entries no longer met are counted.
struct BaselineMatch {
  std::size_t known = 0;
  std::size_t gone = 0;
};

BaselineMatch DropKnown(const Baseline& baseline, const std::vector<fs::path>& files,
                        const std::vector<FileResult>& results, const FileRules& rules,
                        const std::vector<std::string>& names, std::vector<Reported>& reported) {
  BaselineMatch match;
  const auto key_of = [&](const Reported& r) { return BaselineKey{names[r.index], r.module, r.rule, r.procedure}; };
  // The first findings of a key, up to its count, are the known ones.
  std::map<BaselineKey, long long> used;
  std::erase_if(reported, [&](const Reported& r) {
    const BaselineKey key = key_of(r);
    const auto it = baseline.counts.find(key);
    if (it == baseline.counts.end() || used[key] >= it->second) return false;
    ++used[key];
    ++match.known;
    return true;
  });
  // Entries no longer met, counted only for the files and rules checked
  // now: a run on a few files says nothing about the others.
  std::map<std::string, std::size_t> checked_file;
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (results[i].error.empty() && rules.of_file[i] != nullptr) checked_file.emplace(names[i], i);
  }
  for (const auto& [key, count] : baseline.counts) {
    const auto file = checked_file.find(key.file);
    if (file == checked_file.end()) continue;
    const std::size_t i = file->second;
    const auto rule = check::RuleFromId(key.rule);
    const std::vector<std::string>& modules = results[i].modules;
    const bool module_checked = key.module.empty()
                                    ? modules.empty()
                                    : std::find(modules.begin(), modules.end(), key.module) != modules.end();
    if (!module_checked || (rule && !rules.of_file[i]->rules.Has(*rule))) continue;
    const auto it = used.find(key);
    match.gone += static_cast<std::size_t>(count - (it == used.end() ? 0 : it->second));
  }
  return match;
}

// The findings on stdout, in the format asked for.
void PrintFindings(const CheckCommandOptions& options, const FileSet& set, const std::vector<FileResult>& results,
                   const std::vector<Reported>& reported) {
  const std::vector<fs::path>& files = set.files;
  if (options.format == "json") {
    nlohmann::ordered_json array = nlohmann::ordered_json::array();
    for (const Reported& r : reported) {
      nlohmann::ordered_json entry;
      PutName(entry, "file", r.file);
      entry["line"] = r.line;
      entry["column"] = r.column;
      entry["rule"] = r.rule;
      entry["message"] = r.message;
      entry["procedure"] = r.procedure;
      entry["severity"] = r.warning ? "warning" : "error";
      array.push_back(std::move(entry));
    }
    std::printf("%s\n", array.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace).c_str());
  } else if (options.format == "github") {
    for (const std::string& error : set.errors) PrintGithubError(error, "");
    std::size_t at = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
      if (!results[i].error.empty()) PrintGithubError(results[i].error, files[i].string());
      for (; at < reported.size() && reported[at].index == i; ++at) PrintGithub(reported[at], files[i].string());
    }
  } else {
    for (const Reported& r : reported) {
      std::printf("%s:%ld:%d: %s: %s%s\n", Shown(r.file).c_str(), r.line, r.column, r.rule.c_str(),
                  r.warning ? "warning: " : "", Shown(r.message).c_str());
    }
  }
  std::fflush(stdout);
}

// "3,555 findings (12 warnings) in 69 files, 20 in the baseline, 4 files not
// read", and the baseline entries no longer met, on stderr.
void PrintSummary(const CheckCommandOptions& options, const std::vector<Reported>& reported, std::size_t checked,
                  std::size_t not_read, const std::optional<BaselineMatch>& match) {
  std::size_t warnings = 0;
  for (const Reported& r : reported) warnings += r.warning ? 1 : 0;
  std::string summary = Counted(reported.size(), "finding", "findings");
  if (warnings > 0) summary += " (" + Counted(warnings, "warning", "warnings") + ")";
  summary += " in " + Counted(checked, "file", "files");
  if (match) summary += ", " + Grouped(match->known) + " in the baseline";
  if (not_read > 0) summary += ", " + Counted(not_read, "file", "files") + " not read";
  Say(summary);
  if (match && match->gone > 0) {
    Say(Counted(match->gone, "baseline entry no longer applies", "baseline entries no longer apply") +
        " (qlx check --write-baseline " + *options.baseline + " drops them)");
  }
}

// A usage error of the options, said; nullopt when they can be run.
std::optional<int> RefuseOptions(const CheckCommandOptions& options) {
  if (options.format != "text" && options.format != "json" && options.format != "github") {
    Say("--format must be text, json or github, not '" + options.format + "'");
    return kExitUsage;
  }
  try {
    check::RuleSet().Apply(options.select, options.ignore);
  } catch (const std::invalid_argument& e) {
    Say(e.what());
    return kExitUsage;
  }
  if (options.baseline && options.write_baseline) {
    Say("--baseline and --write-baseline cannot both be given");
    return kExitUsage;
  }
  return std::nullopt;
}

}  // namespace

int RunCheck(const CheckCommandOptions& options) {
  if (const std::optional<int> refused = RefuseOptions(options)) return *refused;
  // A baseline that cannot be used stops the run before anything is checked.
  std::optional<Baseline> baseline;
  if (options.baseline && !Barrier([&] { baseline = Baseline::Read(*options.baseline); })) return kExitUsage;
  const FileSet set = CollectFiles(options.paths, options.excludes, options.no_ignore);
  const std::vector<fs::path>& files = set.files;
  // What the walk could not read is a file error; the files it found are still checked.
  for (const std::string& error : set.errors) Say(error);
  for (const std::string& link : set.left_out) Say(link);

  std::vector<FileResult> results(files.size());
  FileRules rules;
  FindRules(options, files, rules, results);
  CheckFiles(options, files, rules, results);

  bool file_error = false;
  std::size_t not_read = set.errors.size();
  std::vector<Reported> reported;
  for (std::size_t i = 0; i < files.size(); ++i) {
    FileResult& r = results[i];
    if (!r.error.empty()) {
      // The other files are still checked; the run ends as a file error.
      Say(r.error);
      file_error = true;
    }
    if (!r.error.empty() || rules.of_file[i] == nullptr) ++not_read;
    for (Reported& f : r.findings) reported.push_back(std::move(f));
  }
  const std::size_t checked = files.size() - (not_read - set.errors.size());
  const bool failed = file_error || rules.refused || !set.errors.empty();
  // The name of each file as the baseline has it.
  const auto names_for = [&](const fs::path& baseline_path) {
    std::vector<std::string> names(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) names[i] = BaselineFileName(files[i], baseline_path);
    return names;
  };

  if (options.write_baseline) {
    // A baseline without the findings of a file that could not be read would
    // report them all as new once it can be.
    if (failed) {
      Say("nothing was written to " + *options.write_baseline + ": " + Counted(not_read, "file", "files") +
          " not read");
      return kExitUsage;
    }
    const std::vector<std::string> names = names_for(*options.write_baseline);
    Baseline accepted;
    for (const Reported& r : reported) ++accepted.counts[BaselineKey{names[r.index], r.module, r.rule, r.procedure}];
    if (!Barrier([&] { accepted.Write(*options.write_baseline); })) return kExitUsage;
    Say("wrote " + *options.write_baseline + ": " + Counted(reported.size(), "finding", "findings") + " in " +
        Counted(checked, "file", "files"));
    return kExitOk;
  }

  std::optional<BaselineMatch> match;
  if (baseline) match = DropKnown(*baseline, files, results, rules, names_for(*options.baseline), reported);
  PrintFindings(options, set, results, reported);
  PrintSummary(options, reported, checked, not_read, match);
  if (failed) return kExitUsage;
  const bool failing = std::any_of(reported.begin(), reported.end(),
                                   [&](const Reported& r) { return !r.warning || options.strict; });
  return failing ? kExitReported : kExitOk;
}

void AddCheckCommands(CLI::App& app, std::function<int()>& chosen) {
  auto options = std::make_shared<CheckCommandOptions>();
  auto* check = app.add_subcommand("check", "Report stale or missing headers, handlers and 'deb markers; writes nothing");
  check->add_option("PATH", options->paths,
                    "Module files, Office documents (.xlsm .xls .docm ...) and folders (walked for .bas, .cls, "
                    ".frm and documents); - is stdin")
      ->required();
  check->add_option("--stdin-name", options->stdin_name,
                    "Name of the module read from '-' (stdin) when it has no VB_Name attribute");
  check->add_option("--format", options->format, "text (FILE:LINE:COL: RULE: message), json or github")
      ->capture_default_str();
  check->add_option("--select", options->select, "Only these rules, comma-separated");
  check->add_option("--ignore", options->ignore, "Leave out these rules, comma-separated");
  check->add_option("--ini", options->ini, "Settings file; must exist (default: found beside each file)")
      ->type_name("PATH");
  check->add_option("--encoding", options->encoding, "Code page of files that are not UTF-8 (an iconv name)")
      ->capture_default_str();
  check->add_option("--exclude", options->excludes, "Leave out files and folders matching GLOB (repeatable)")
      ->type_name("GLOB");
  check->add_flag("--no-ignore", options->no_ignore, "Walk also what git ignores (.gitignore and the like)");
  check->add_option("--module", options->module, "In an Office document, only this module");
  check->add_option("--baseline", options->baseline, "Report only findings that FILE does not hold")
      ->type_name("FILE");
  check->add_option("--write-baseline", options->write_baseline,
                    "Record today's findings in FILE (replaced) and exit 0; prints none of them")
      ->type_name("FILE");
  check->add_flag("--strict", options->strict, "Warnings too make the exit status 1");
  check->footer(
      "PATH may be an Office document (.xlsm .xls .docm ...): each module of its VBA project is\n"
      "checked and named FILE:MODULE, its lines counted in the module's source.\n"
      "Rules: missing-header, stale-header, stale-module-header, deb-marker, duplicate-handler,\n"
      "missing-handler (off unless selected). The settings file's [Check] Select and Ignore\n"
      "(rule lists, as --select and --ignore) choose rules too; the options are applied after\n"
      "them. [Check] Warn lists rules whose findings are warnings. A comment\n"
      "' qlx-ignore: RULE[, RULE] on a procedure's declaration line or the line above it\n"
      "silences those rules for that procedure. LINE is a line of the file. --format json\n"
      "prints an array of {\"file\", \"line\", \"column\", \"rule\", \"message\", \"procedure\",\n"
      "\"severity\"}; --format github prints workflow-command annotations. A summary line\n"
      "ends stderr. Exit 0 clean (or warnings only, unless --strict), 1 findings, 2 usage or\n"
      "file error (also a baseline that is not one).");
  check->final_callback([options, &chosen] { chosen = [options] { return RunCheck(*options); }; });

  auto lsp = std::make_shared<LspOptions>();
  auto* server = app.add_subcommand("lsp", "Language server for VBA modules over stdin and stdout");
  // Read as text: CLI11 would take 010 as octal and 0x10 as hex.
  server->add_option_function<std::string>(
            "--debounce",
            [lsp](const std::string& text) {
              try {
                lsp->debounce_ms = static_cast<int>(ParseDecimal(text, "--debounce"));
              } catch (const NumberError& e) {
                throw CLI::ValidationError(e.what());
              }
            },
            "Milliseconds from the last change to its diagnostics (default: 300)");
  // Language clients (VS Code's among them) ask for the stdio transport so.
  server->add_flag("--stdio")->description("Talk over stdin and stdout, the only transport (for clients that ask for it)");
  server->footer(
      "Speaks the Language Server Protocol 3.17 over stdin and stdout (nothing else is written\n"
      "there). Diagnostics are the findings of qlx check; code actions write headers, handlers,\n"
      "the module header and expand 'deb markers in the buffer.");
  server->final_callback([lsp, &chosen] { chosen = [lsp] { return RunLsp(*lsp, std::cin, std::cout); }; });

}

}  // namespace qlx::cli
