// What the qlx commands share: loading the files, finding the procedure, the
// message boxes, the settings, and writing back many files one by one.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "analysis/mod_get_procs_data.h"
#include "check/module_check.h"
#include "cli/console_ui.h"
#include "cli/errors.h"
#include "cli/options.h"
#include "cli/settings_path.h"
#include "cli/workspace.h"
#include "debugexp/mod_add_debug_vbe.h"
#include "errtrap/mod_insert_err_trap.h"
#include "header/mod_insert_header.h"
#include "host/file_io.h"
#include "host/host.h"
#include "host/module_file.h"
#include "host/text.h"
#include "office/office_document.h"
#include "office/project_modules.h"
#include "operations/operations.h"

namespace qlx::cli {

// Fields keep the order in which they are named, as the help text lists them.
using json = nlohmann::ordered_json;

std::string U8(const Text& t);

// The path that stands for standard input.
inline constexpr char kStdin[] = "-";

// One module file read for a command: path, or for "-" standard input, then
// named by stdin_name when it has no VB_Name (refused without either). lock:
// the file stays locked against other qlx runs while the result lives.
// sweep: the run's folders cleared of a killed run's files, when it reads
// many. A file qlx refuses is a usage error.
ModuleFile LoadModuleFile(const std::string& path, const std::string& encoding, const std::string& stdin_name,
                          bool lock = false, std::shared_ptr<DebrisSweep> sweep = nullptr);

// The files of a command in the in-memory editor ("-" reads stdin, named by
// stdin_name when it has no VB_Name); a file qlx refuses is a usage error.
Workspace Load(const std::vector<std::string>& paths, const CommonOptions& common,
               const std::string& stdin_name = "");

// Whether path names an Office document (by its extension).
bool IsDocument(const std::string& path);

// An Office document read for a command, with its modules as module files
// named "Book.xlsm:Module1": every module, or only module's (ASCII case
// ignored). single: exactly one module must be chosen (--module, or a project
// of one module). Refusals are usage errors.
struct OpenedDocument {
  OpenedDocument(const std::string& path, const std::optional<std::string>& module, bool single);
  ~OpenedDocument();
  OpenedDocument(const OpenedDocument&) = delete;
  OpenedDocument& operator=(const OpenedDocument&) = delete;

  FileStamp stamp;  // of the bytes read, so that a save refuses a file changed since
  std::optional<office::OfficeDocument> document;
  std::optional<office::ProjectModules> modules;
};

// A read command's module: the module file, or the one module of an Office
// document (see OpenedDocument).
Workspace LoadOne(const std::string& path, const CommonOptions& common);

// The code-module row that --row, --line or --proc names; refuses one
// outside the module and a procedure name the module does not have.
Row ResolveRow(const Target& target, Workspace& ws, UiService& ui);
// The same for a command that writes into the procedure: a row of the
// declaration section is refused before anything runs.
Row ProcedureRow(const Target& target, Workspace& ws, UiService& ui);

// The settings file found for a module file (see SettingsPath), checked; an
// --ini file must exist. Its faults are usage errors.
std::filesystem::path CheckedSettings(const std::string& ini_option, const std::string& path,
                                      const std::string& code_page);
// The operations' settings from that file, as the tool window loads them;
// a DateFormat without a date is a usage error.
void LoadSettings(const std::filesystem::path& settings, UiService& ui, Operations& operations);

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

// One writing command's work on one file's editor, through the operations
// bound to that editor with the settings loaded as the tool window loads them.
using Operation = std::function<void(Workspace&, UiService&, Operations&)>;

// The writing command that runs id: at the procedure target names, for a
// procedure operation; on the whole module otherwise.
Operation RunOperationAt(OperationId id, const Target& target = {});

// Runs operation on each file of paths (folders walked) on its own: a file
// that is refused or fails does not stop the others. Writes, or with --diff,
// --check, --stdout and for "-" prints, each result; says what it wrote and
// sums up on stderr. Returns the worst exit status.
// walk: folders are walked (the PATH... commands); otherwise each path is
// one module file.
int RunOnFiles(const std::vector<std::string>& paths, const CommonOptions& common, const WriteOptions& write,
               const Operation& operation, bool walk = true);

// The commands, one function each; each returns the exit status and throws
// UsageError.
int RunProc(const std::string& path, const Target& target, const CommonOptions& common);
int RunScan(const std::string& path, bool full, const CommonOptions& common);
int RunHeader(const std::string& path, const Target& target, const CommonOptions& common,
              const WriteOptions& write);
int RunErrTrap(const std::string& path, const Target& target, const CommonOptions& common,
               const WriteOptions& write);
int RunDeb(const std::vector<std::string>& paths, const CommonOptions& common, const WriteOptions& write);
int RunModuleHeader(const std::vector<std::string>& paths, const CommonOptions& common, const WriteOptions& write);
int RunAllHeaders(const std::vector<std::string>& paths, const CommonOptions& common, const WriteOptions& write);
int RunHeaders(const std::vector<std::string>& paths, const CommonOptions& common, const WriteOptions& write);

}  // namespace qlx::cli
