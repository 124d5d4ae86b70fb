// What the qlx commands share: loading the files, finding the row, the
// message boxes, the settings and writing back.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "cli/console_ui.h"
#include "cli/workspace.h"
#include "host/host.h"
#include "host/module_file.h"
#include "host/text.h"

namespace qlx::cli {

// Fields keep the order in which they are named, as the help text lists them.
using json = nlohmann::ordered_json;

// A usage or file error: reported as "qlx: ..." with exit status 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::string U8(const Text& t);

// The files of a command in the in-memory editor; a file qlx refuses is a
// usage error. A command that writes locks them for its whole run.
Workspace Load(const std::vector<std::string>& paths, const CommonOptions& common, bool lock = false);

// The code-module row that --row or --line names; refuses one outside the module.
Row ResolveRow(const Target& target, ModuleFile& file);

std::unique_ptr<ConsoleUi> MakeUi(const CommonOptions& common, const std::string& answers);

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

// The settings a command reads, as the tool window reads them when it loads.
struct Settings {
  Text author;
  std::int32_t ignore_mode = 0;
  std::int32_t un_undo_mode = 0;
  std::int32_t sleep_time = 0;
  std::int32_t err_insert_pos = 0;
};

Settings LoadSettings(UiService& ui, const WriteOptions& write);

// Writes the module back when the operation changed it, or prints it with
// --stdout; warnings about characters the encoding cannot hold go to stderr.
void Finish(ModuleFile& file, const WriteOptions& write);

// The commands, one function each; each returns the exit status and throws
// UsageError.
int RunProc(const std::string& path, const Target& target, const CommonOptions& common);
int RunScan(const std::string& path, bool full, const CommonOptions& common);
int RunHeader(const std::string& path, const Target& target, const CommonOptions& common,
              const WriteOptions& write);
int RunErrTrap(const std::string& path, const Target& target, const CommonOptions& common,
               const WriteOptions& write);
int RunDeb(const std::string& path, const CommonOptions& common, const WriteOptions& write);
int RunModuleHeader(const std::string& path, const CommonOptions& common, const WriteOptions& write);
int RunAllHeaders(const std::string& path, const CommonOptions& common, const WriteOptions& write);

}  // namespace qlx::cli
