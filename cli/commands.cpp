#include "cli/commands.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <iterator>

#include <CLI/CLI.hpp>

#include "cli/check_command.h"
#include "cli/errors.h"
#include "cli/file_runner.h"
#include "cli/loading.h"
#include "cli/names.h"
#include "cli/numbers.h"
#include "cli/office_files.h"
#include "cli/read_commands.h"
#include "cli/session.h"
#include "host/text.h"
#include "operations/operations.h"

namespace qlx::cli {

namespace fs = std::filesystem;

namespace {

void AddWrite(CLI::App* command, WriteOptions& write) {
  command->add_option("--ini", write.ini,
                      "Settings file, which must exist (default: QLX.ini beside the file or in a parent folder up "
                      "to the repository root, else $QLX_INI, else ~/.config/qlx/QLX.ini); never written");
  command->add_option("--author", write.author, "Author name for this run, in place of the settings' one");
  command->add_option("--answers", write.answers,
                      "Answers to the Yes/No questions, in order, e.g. y,n; then the terminal, else No");
  auto* yes = command->add_flag("--yes", write.yes, "Answer Yes to every question (after --answers)");
  auto* no = command->add_flag("--no", write.no, "Answer No to every question (after --answers)");
  yes->excludes(no);
  no->excludes(yes);
  // Each picks what is done with the result; two of them would ask for two outputs at once.
  auto* to_stdout = command->add_flag_callback(
      "--stdout", [&write] { write.output = Output::kStdout; },
      "Print the resulting module to stdout (one file, or one module of a document); leave FILE untouched");
  auto* diff = command->add_flag_callback(
      "--diff", [&write] { write.output = Output::kDiff; },
      "Print what would change as a unified diff (a/FILE, b/FILE, in UTF-8); write nothing");
  auto* check = command->add_flag_callback(
      "--check", [&write] { write.output = Output::kCheck; },
      "Print the names of the files that would change, exit 1 if any; write nothing");
  to_stdout->excludes(diff)->excludes(check);
  diff->excludes(to_stdout)->excludes(check);
  check->excludes(to_stdout)->excludes(diff);
  command->add_flag("-q,--quiet", write.quiet, "No 'wrote FILE' lines and no summary");
  command->add_option("--stdin-name", write.stdin_name,
                      "Name of the module read from '-' (stdin) when it has no VB_Name attribute");
  command->add_flag("--no-backup", write.no_backup, "Do not keep a changed Office document's old bytes as FILE.bak");
}

// An Office document's module (ASCII case ignored); refused with a module file.
void AddModule(CLI::App* command, CommonOptions& common) {
  command->add_option("--module", common.module, "In an Office document, only this module")->type_name("NAME");
}

// The commands that take many files and folders.
void AddPaths(CLI::App* command, std::vector<std::string>& paths, WriteOptions& write) {
  command->add_option("FILE", paths,
                      "Exported module files, Office documents (.xlsm .xls .docm ...) and folders (walked for "
                      ".bas, .cls, .frm and documents); - is stdin")
      ->required();
  command->add_option("--exclude", write.excludes, "Leave out files and folders matching GLOB (repeatable)")
      ->type_name("GLOB");
  command->add_flag("--no-ignore", write.no_ignore, "Walk also what git ignores (.gitignore and the like)");
}

// The one module file (or document) of the commands that read or change one procedure.
void AddFile(CLI::App* command, std::string& file) {
  command->add_option("FILE", file, "Exported module file, or Office document with --module NAME")->required();
}

void AddCommon(CLI::App* command, CommonOptions& common) {
  command->add_flag("--json-messages", common.json_messages,
                    "Print each message box on stderr as one JSON line");
  command->add_option("--encoding", common.encoding,
                      "Code page of files that are not UTF-8 (an iconv name)")
      ->capture_default_str();
}

void AddHostCalls(CLI::App* command, CommonOptions& common) {
  command->add_flag("--host-calls", common.host_calls,
                    "Print, as the last line on stderr, {\"host_calls\": {...}}: the calls per member\n"
                    "that reached the editor");
}

void AddTarget(CLI::App* command, Target& target) {
  // Read as text: CLI11 would take 020 as octal and 0x14 as hex.
  auto decimal = [](const char* name, std::optional<long long>& into) {
    return [name, &into](const std::string& text) {
      try {
        into = ParseDecimal(text, name);
      } catch (const NumberError& e) {
        throw CLI::ValidationError(e.what());
      }
    };
  };
  auto* row = command->add_option_function<std::string>("--row", decimal("--row", target.row),
                                                        "Row of the code module (hidden lines not counted)");
  auto* line = command->add_option_function<std::string>("--line", decimal("--line", target.line),
                                                         "Line of the file, as a text editor counts");
  auto* proc = command->add_option("--proc", target.proc,
                                   "Procedure by name; NAME:get, NAME:let or NAME:set for a property")
                   ->type_name("NAME");
  row->excludes(line)->excludes(proc);
  line->excludes(row)->excludes(proc);
  proc->excludes(row)->excludes(line);
}

// The command of each operation: its one-line summary and the footer of its
// help. Its name, and whether it works on one procedure (FILE and --row,
// --line or --proc) or on whole modules (files, folders and documents), come
// from the operation's own table.
struct OperationCommand {
  OperationId id;
  const char* summary;
  const char* footer;
};

constexpr OperationCommand kOperationCommands[] = {
    {OperationId::kHeader, "Write or update the header of the procedure at a row",
     "Writes a new header above the procedure's declaration, or updates an existing one after\n"
     "asking (settings Mode/IgnoreMode), keeping its hand-written parts; after an update asks\n"
     "for confirmation (unless Mode/UnUndoMode) and puts the old header back on No.\n"
     "The file is written only when it changed."},
    {OperationId::kErrTrap, "Insert the generic error handler into the procedure at a row",
     "Inserts On Error GoTo PROC_ERR below the local declarations (or below the declaration\n"
     "with Mode/ErrInsertPos non-zero) and the PROC_EXIT/PROC_ERR blocks above the End line;\n"
     "asks first when the procedure already has an On Error statement."},
    {OperationId::kDeb, "Expand the 'deb markers into Debug.Print code",
     "Replaces every marker line 'deb Variable by a Debug.Print line and every 'deb Variable for\n"
     "by a For deb = LBound(...) To UBound(...) loop, from the top; stops with a message at the\n"
     "first malformed marker, keeping the markers expanded before it."},
    {OperationId::kModuleHeader, "Write or rewrite the module header",
     "Writes a banner with the module's name, four description lines and a table of every\n"
     "procedure (number, kind, name, the start of its summary) at the top of the module; a\n"
     "rewrite keeps the four description lines. At most 300 procedures."},
    {OperationId::kAllHeaders, "Write a header above every procedure that has none",
     "Writes a new procedure header directly above the declaration of every procedure that\n"
     "has none (no author line above it); a second run changes nothing. At most 300 procedures\n"
     "of at most 30 parameters; a procedure whose header cannot be built is reported and\n"
     "skipped, and the others are written. To update existing headers too, use headers."},
    {OperationId::kHeaders, "Give every procedure a header, new or brought up to date",
     "Writes a new header above every procedure that has none, and updates an existing one\n"
     "(as header does, answered Yes twice) where the update changes more than the time after\n"
     "\"更新:\"; every other header is left as it is, so a second run changes nothing."},
};

// Every operation has its command, listed in the operations' order as --help lists them.
constexpr bool EveryOperationHasItsCommand() {
  if (std::size(kOperationCommands) != std::size(kOperationTable)) return false;
  for (std::size_t i = 0; i < std::size(kOperationTable); ++i) {
    if (kOperationCommands[i].id != kOperationTable[i].id) return false;
  }
  return true;
}
static_assert(EveryOperationHasItsCommand(), "each row of kOperationTable needs its row in kOperationCommands");

// Edits (insert, delete, replace, swap of two neighbours) that make a into b.
std::size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    for (std::size_t j = 1; j <= b.size(); ++j) {
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  }
  return d[a.size()][b.size()];
}

}  // namespace

std::vector<std::string> NearestCommands(const std::string& word, const std::vector<std::string>& commands) {
  const std::string lower = AsciiLower(word);
  // A third of the word may be wrong, at least one letter, at most three.
  const std::size_t allowed = std::clamp<std::size_t>(lower.size() / 3, 1, 3);
  std::vector<std::pair<std::size_t, std::string>> near;
  for (const std::string& command : commands) {
    std::size_t distance = EditDistance(lower, command);
    if (lower.size() >= 3 && command.rfind(lower, 0) == 0) distance = std::min<std::size_t>(distance, 1);
    if (distance <= allowed) near.emplace_back(distance, command);
  }
  std::stable_sort(near.begin(), near.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string> names;
  for (auto& [distance, command] : near) names.push_back(std::move(command));
  return names;
}

Registry::Registry(CLI::App& app) {
  auto* proc = app.add_subcommand("proc", "Print the record of the procedure at a row as JSON; writes nothing");
  AddFile(proc, file_);
  AddTarget(proc, target_);
  AddCommon(proc, common_);
  AddHostCalls(proc, common_);
  AddModule(proc, common_);
  proc->footer(
      "Prints {\"ok\", \"ModuleName\", \"ProcName\", \"ProcType\", \"ProcTypeStr\", \"TotalRowsCount\",\n"
      "\"ProcStartRow\", \"BodyStartRow\", \"BodyDefEndRow\", \"InnerDecStartRow\", \"InnerDecEndRow\",\n"
      "\"BodyEndRow\", \"RetType\", \"ParamCount\", \"Params\": [{\"KeyWord1\", \"KeyWord2\", \"VarName\",\n"
      "\"VarType\", \"RefIO\"}]}. Rows are code-module rows. Exit 1 when the record could not be filled.");
  proc->final_callback([this] { chosen_ = [this] { return RunProc(file_, target_, common_); }; });

  auto* scan = app.add_subcommand("scan", "Print the module's procedure table as JSON; writes nothing");
  AddFile(scan, file_);
  scan->add_flag("--full", full_, "Also parse return types and parameters");
  AddCommon(scan, common_);
  AddHostCalls(scan, common_);
  AddModule(scan, common_);
  scan->footer(
      "Prints {\"count\": N, \"procs\": [{\"ProcStartRow\", \"BodyStartRow\", \"BodyDefEndRow\",\n"
      "\"TotalRowsCount\", \"ProcType\", \"ProcKnd\", \"ProcName\"}]}; with --full each entry also has\n"
      "\"ParamCount\", \"RetType\" and \"Params\". count is 0 for no procedure, -1 for more than 300,\n"
      "-2 (--full) for a procedure with more than 30 parameters. For an Office document:\n"
      "{\"file\", \"modules\": [{\"module\", \"count\", \"procs\"}]}, every module or --module's.");
  scan->final_callback([this] { chosen_ = [this] { return RunScan(file_, full_, common_); }; });

  for (const OperationCommand& command : kOperationCommands) {
    AddOperationCommand(app, command.id, command.summary, command.footer);
  }

  auto* export_ = app.add_subcommand("export", "Write every module of an Office document's VBA project to files");
  export_->add_option("FILE", file_, "Office document (.xlsm .xlam .xls .docm .doc ...)")->required();
  export_->add_option("DIR", dir_, "Folder for the .bas, .cls and .frm files (made when missing)")->required();
  export_->add_flag("-q,--quiet", office_.quiet, "Print nothing but errors");
  export_->footer(
      "Writes each module as the VBA editor exports it: .bas for standard modules, .cls (with its\n"
      "VERSION/BEGIN block) for class and document modules, .frm for forms (code only: a form's\n"
      "designer and .frx file are not exported), in the project's code page with CR LF.");
  export_->final_callback([this] { chosen_ = [this] { return RunExport(file_, dir_, office_); }; });

  auto* import = app.add_subcommand("import", "Put exported module files back into an Office document's project");
  import->add_option("DIR", dir_, "Folder holding .bas, .cls and .frm files")->required();
  import->add_option("FILE", file_, "Office document to change")->required();
  import->add_flag("--no-backup", office_.no_backup, "Do not keep the old document as FILE.bak");
  import->add_flag("-q,--quiet", office_.quiet, "Print nothing but errors");
  import->footer(
      "Replaces the source of each module named by a file's Attribute VB_Name with the file's code\n"
      "(a form's designer stays as it is). A file naming a module the project does not have, or\n"
      "holding characters the project's code page cannot hold, stops the import: nothing is\n"
      "written. The old document is kept as FILE.bak unless --no-backup.");
  import->final_callback([this] { chosen_ = [this] { return RunImport(dir_, file_, office_); }; });

  auto* session = app.add_subcommand("session", "Drive the whole add-in with tool-window events read from stdin");
  session->add_option("FILE", files_, "Exported module files; the first one is active")->required();
  session->add_option("--ini", write_.ini, "Settings file (default: $QLX_INI, else ~/.config/qlx/QLX.ini)");
  AddCommon(session, common_);
  session->footer(kSessionEventsHelp);
  session->final_callback([this] {
    chosen_ = [this] {
      return RunSession(SessionOptions{files_, write_.ini, common_.json_messages, common_.encoding}, std::cin);
    };
  });

  AddCheckCommands(app, chosen_);
}

// The command of one operation: one file and its procedure, or whole
// modules (many files, folders and documents); both run through the file-set
// runner.
void Registry::AddOperationCommand(CLI::App& app, OperationId id, const char* summary, const char* footer) {
  const OperationInfo& info = InfoOf(id);
  auto* command = app.add_subcommand(std::string(info.name), summary);
  const bool one_procedure = info.scope == OperationScope::kProcedure;
  if (one_procedure) {
    AddFile(command, file_);
    AddTarget(command, target_);
  } else {
    AddPaths(command, files_, write_);
  }
  AddWrite(command, write_);
  AddCommon(command, common_);
  AddHostCalls(command, common_);
  AddModule(command, common_);
  command->footer(footer);
  command->final_callback([this, id, one_procedure] {
    chosen_ = [this, id, one_procedure] {
      return RunOperationCommand(id, one_procedure ? std::vector<std::string>{file_} : files_, target_, common_,
                                 write_);
    };
  });
}

// --module picks a module inside an Office document. On a module file it
// would be ignored, and the user would take the edit for the named module's.
void Registry::RefuseModuleOnFiles() const {
  if (!common_.module) return;
  std::vector<std::string> named = files_;
  if (!file_.empty()) named.push_back(file_);
  for (const std::string& path : named) {
    std::error_code ec;
    if (IsDocument(path) || fs::is_directory(path, ec)) continue;
    throw UsageError((path == kStdin ? "standard input" : path) +
                     ": --module names a module inside an Office document (.xlsm, .docm, .xls, ...), and this is "
                     "a module file");
  }
}

int Registry::Run() {
  if (!chosen_) throw UsageError("no command given; run 'qlx --help'");
  int status = kExitUsage;
  Barrier([&] {
    RefuseModuleOnFiles();
    status = chosen_();
  });
  return status;
}

}  // namespace qlx::cli
