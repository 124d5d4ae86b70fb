#include "cli/check_command.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>
#include <memory>
#include <optional>
#include <stdexcept>
#include <thread>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "check/module_check.h"
#include "cli/command_support.h"
#include "cli/commands.h"
#include "cli/file_set.h"
#include "cli/lsp_server.h"
#include "cli/names.h"
#include "cli/numbers.h"
#include "cli/office_files.h"
#include "host/module_file.h"
#include "office/office_document.h"
#include "office/ovba_compression.h"
#include "office/project_modules.h"
#include "host/text.h"

namespace qlx::cli {

namespace fs = std::filesystem;

namespace {

struct Reported {
  std::string file;
  long line;
  int column;
  std::string rule;
  std::string message;
  std::string procedure;
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

}  // namespace

int RunCheck(const CheckCommandOptions& options) {
  if (options.format != "text" && options.format != "json" && options.format != "github") {
    std::fprintf(stderr, "qlx: --format must be text, json or github, not '%s'\n", options.format.c_str());
    return kExitUsage;
  }
  try {
    check::RuleSet().Apply(options.select, options.ignore);
  } catch (const std::invalid_argument& e) {
    std::fprintf(stderr, "qlx: %s\n", e.what());
    return kExitUsage;
  }
  const FileSet set = CollectFiles(options.paths, options.excludes, options.no_ignore);
  const std::vector<fs::path>& files = set.files;
  // What the walk could not read is a file error; the files it found are still checked.
  for (const std::string& error : set.errors) Say(error);
  for (const std::string& link : set.left_out) Say(link);

  // Files are checked side by side, each in its own editor; the results are
  // printed in the order of the files.
  struct FileResult {
    std::vector<Reported> findings;
    std::string error;
  };
  std::vector<FileResult> results(files.size());

  // The rules of each file, from the settings file found for it (read once
  // per settings file). A file whose settings are refused is not checked;
  // each refusal is said once.
  std::map<fs::path, std::optional<check::CheckOptions>> by_settings;
  std::vector<const check::CheckOptions*> file_options(files.size(), nullptr);
  std::set<std::string> said;
  bool settings_error = false;
  for (std::size_t i = 0; i < files.size(); ++i) {
    try {
      const fs::path settings = CheckedSettings(options.ini, files[i].string(), options.encoding);
      const auto [it, added] = by_settings.try_emplace(settings);
      if (added) {
        check::CheckOptions found;
        found.rules = CheckRules(settings, options.select, options.ignore);
        it->second = std::move(found);
      }
      if (it->second) file_options[i] = &*it->second;
    } catch (const std::exception& e) {
      if (said.insert(e.what()).second) results[i].error = e.what();
    }
    if (file_options[i] == nullptr) settings_error = true;
  }
  LoadOptions load;
  load.encoding = options.encoding;
  std::atomic<std::size_t> next{0};
  auto work = [&] {
    for (std::size_t i = next++; i < files.size(); i = next++) {
      const fs::path& path = files[i];
      if (file_options[i] == nullptr) continue;
      const check::CheckOptions& check_options = *file_options[i];
      auto check_file = [&](const ModuleFile& file, const std::string& name) {
        for (const check::Finding& f : check::CheckModule(*file.Module(), check_options)) {
          results[i].findings.push_back({name, file.FileLineOfRow(f.row), f.column,
                                         std::string(check::RuleId(f.rule)), ToUtf8(f.message), ToUtf8(f.procedure)});
        }
      };
      try {
        std::error_code ec;
        if (!fs::exists(path, ec)) throw std::runtime_error(path.string() + ": no such file or folder");
        if (office::OfficeDocument::IsOfficePath(path)) {
          // Each module of the document's project, named Book.xlsm:Module1,
          // its lines counted in the module's source.
          FileStamp stamp;
          office::OfficeDocument doc = LoadDocument(path, stamp);
          office::ProjectModules modules(doc, options.module);
          for (std::size_t k = 0; k < modules.Files().size(); ++k) {
            check_file(modules.Files()[k], path.string() + ":" + modules.Names()[k]);
          }
        } else {
          check_file(ModuleFile::Load(path, load), path.string());
        }
      } catch (const std::exception& e) {
        results[i].error = e.what();
      }
    }
  };
  const std::size_t threads = std::min<std::size_t>({std::max(1u, std::thread::hardware_concurrency()), 8, files.size()});
  std::vector<std::thread> pool;
  for (std::size_t t = 1; t < threads; ++t) pool.emplace_back(work);
  work();
  for (std::thread& t : pool) t.join();

  bool file_error = false;
  std::vector<Reported> reported;
  for (FileResult& r : results) {
    if (!r.error.empty()) {
      // The other files are still checked; the run ends as a file error.
      Say(r.error);
      file_error = true;
    }
    for (Reported& f : r.findings) reported.push_back(std::move(f));
  }

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
      array.push_back(std::move(entry));
    }
    std::printf("%s\n", array.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace).c_str());
  } else {
    for (const Reported& r : reported) {
      if (options.format == "github") {
        std::printf("::error file=%s,line=%ld,col=%d,title=%s::%s\n", Shown(GithubEscape(r.file, true)).c_str(), r.line,
                    r.column, GithubEscape(r.rule, true).c_str(), Shown(GithubEscape(r.message, false)).c_str());
      } else {
        std::printf("%s:%ld:%d: %s: %s\n", Shown(r.file).c_str(), r.line, r.column, r.rule.c_str(),
                    Shown(r.message).c_str());
      }
    }
  }
  std::fflush(stdout);
  if (file_error || settings_error || !set.errors.empty()) return kExitUsage;
  return reported.empty() ? kExitOk : kExitReported;
}

void AddCheckCommands(CLI::App& app, std::function<int()>& chosen) {
  auto options = std::make_shared<CheckCommandOptions>();
  auto* check = app.add_subcommand("check", "Report stale or missing headers, handlers and 'deb markers; writes nothing");
  check->add_option("PATH", options->paths, "Module files, or folders walked for .bas, .cls and .frm")->required();
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
  check->footer(
      "PATH may be an Office document (.xlsm .xls .docm ...): each module of its VBA project is\n"
      "checked and named FILE:MODULE, its lines counted in the module's source.\n"
      "Rules: missing-header, stale-header, stale-module-header, deb-marker, duplicate-handler,\n"
      "missing-handler (off unless selected). The settings file's [Check] Select and Ignore\n"
      "(rule lists, as --select and --ignore) choose rules too; the options are applied after\n"
      "them. LINE is a line of the file. --format json prints an array of {\"file\", \"line\",\n"
      "\"column\", \"rule\", \"message\", \"procedure\"}; --format github prints workflow-command\n"
      "annotations. Exit 0 clean, 1 findings, 2 usage or file error.");
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
