#include "cli/commands.h"

#include <cstdio>
#include <iostream>
#include <memory>
#include <stdexcept>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "analysis/cls_proc_inf.h"
#include "analysis/mod_get_procs_data.h"
#include "cli/console_ui.h"
#include "host/encoding.h"
#include "host/clock.h"
#include "host/vberror.h"
#include "host/memory.h"
#include "host/module_file.h"

namespace qlx::cli {

namespace {

// Fields keep the order in which they are named, as the help text lists them.
using json = nlohmann::ordered_json;

// A usage or file error: reported as "qlx: ..." with exit status 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::string U8(const Text& t) { return ToUtf8(t); }

json ParamJson(const ParamInf& p) {
  return json{{"KeyWord1", U8(p.KeyWord1)},
              {"KeyWord2", U8(p.KeyWord2)},
              {"VarName", U8(p.VarName)},
              {"VarType", U8(p.VarType)},
              {"RefIO", U8(p.RefIO)}};
}

// Module files loaded into one in-memory editor, first one active.
struct Workspace {
  std::vector<ModuleFile> files;
  std::shared_ptr<MemoryVBE> vbe = std::make_shared<MemoryVBE>();
  MemoryDesktop desktop{vbe.get()};

  explicit Workspace(const std::vector<std::string>& paths, const CommonOptions& common) {
    LoadOptions options;
    options.encoding = common.encoding;
    for (const std::string& path : paths) {
      try {
        files.push_back(ModuleFile::Load(path, options));
      } catch (const std::exception& e) {
        throw UsageError(e.what());
      }
      vbe->AddModule(files.back().Module());
    }
    if (!files.empty()) vbe->Pane(files.front().Module()->UncountedName());
  }

  ModuleFile& First() { return files.front(); }
};

// The code-module row that --row or --line names; refuses one outside the module.
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

int RunProc(const std::string& path, const Target& target, const CommonOptions& common) {
  Workspace ws({path}, common);
  const Row row = ResolveRow(target, ws.First());
  auto ui = MakeUi(common, "");

  ClsProcInf record(*ui);
  record.VBInstanceC(ws.vbe);
  const bool ok = record.GetProcInf(row);
  record.VBInstanceC(nullptr);

  json params = json::array();
  const Short shown = std::max<Short>(record.ParamCount(), 1);
  for (Short i = 0; i < shown && i < ClsProcInf::kMaxParams; ++i) {
    params.push_back(ParamJson(ParamInf{record.KeyWord1(i), record.KeyWord2(i), record.VarName(i),
                                        record.VarType(i), record.RefIO(i)}));
  }
  PrintJson(json{{"ok", ok},
                 {"ModuleName", U8(record.ModuleName())},
                 {"ProcName", U8(record.ProcName())},
                 {"ProcType", U8(record.ProcType())},
                 {"ProcTypeStr", U8(record.ProcTypeStr())},
                 {"TotalRowsCount", record.TotalRowsCount()},
                 {"ProcStartRow", record.ProcStartRow()},
                 {"BodyStartRow", record.BodyStartRow()},
                 {"BodyDefEndRow", record.BodyDefEndRow()},
                 {"InnerDecStartRow", record.InnerDecStartRow()},
                 {"InnerDecEndRow", record.InnerDecEndRow()},
                 {"BodyEndRow", record.BodyEndRow()},
                 {"RetType", U8(record.RetType())},
                 {"ParamCount", record.ParamCount()},
                 {"Params", params}});
  return (!ok || ui->ShowedOkBox()) ? kExitReported : kExitOk;
}

int RunScan(const std::string& path, bool full, const CommonOptions& common) {
  Workspace ws({path}, common);
  auto ui = MakeUi(common, "");

  ModGetProcsData scanner(*ui);
  scanner.SetVBInstance(ws.vbe);
  Short count = 0;
  std::vector<ProcData> table = full ? scanner.GetProcsData(count) : scanner.GetProcsDataH(count);

  json procs = json::array();
  for (Short n = 0; n < count && n < static_cast<Short>(table.size()); ++n) {
    const ProcData& p = table[n];
    json entry{{"ProcStartRow", p.ProcStartRow},   {"BodyStartRow", p.BodyStartRow},
               {"BodyDefEndRow", p.BodyDefEndRow}, {"TotalRowsCount", p.TotalRowsCount},
               {"ProcType", p.ProcType},           {"ProcKnd", U8(p.ProcKnd)},
               {"ProcName", U8(p.ProcName)}};
    if (full) {
      entry["ParamCount"] = p.ParamCount;
      entry["RetType"] = U8(p.RetType);
      json params = json::array();
      const int shown = std::max<int>(p.ParamCount, 1);
      for (int i = 0; i < shown && i < kProcParamSlots; ++i) params.push_back(ParamJson(p.Params[i]));
      entry["Params"] = params;
    }
    procs.push_back(entry);
  }
  PrintJson(json{{"count", count}, {"procs", procs}});
  return ui->ShowedOkBox() ? kExitReported : kExitOk;
}

void AddCommon(CLI::App* command, CommonOptions& common) {
  command->add_flag("--json-messages", common.json_messages,
                    "Print each message box on stderr as one JSON line");
  command->add_option("--encoding", common.encoding,
                      "Code page of files that are not UTF-8 (an iconv name)")
      ->capture_default_str();
}

void AddTarget(CLI::App* command, Target& target) {
  auto* row = command->add_option("--row", target.row,
                                  "Row of the code module (hidden lines not counted)");
  auto* line = command->add_option("--line", target.line, "Line of the file, as a text editor counts");
  row->excludes(line);
  line->excludes(row);
}

}  // namespace

Registry::Registry(CLI::App& app) {
  auto* proc = app.add_subcommand("proc", "Print the record of the procedure at a row as JSON; writes nothing");
  proc->add_option("FILE", file_, "Exported module file")->required();
  AddTarget(proc, target_);
  AddCommon(proc, common_);
  proc->footer(
      "Prints {\"ok\", \"ModuleName\", \"ProcName\", \"ProcType\", \"ProcTypeStr\", \"TotalRowsCount\",\n"
      "\"ProcStartRow\", \"BodyStartRow\", \"BodyDefEndRow\", \"InnerDecStartRow\", \"InnerDecEndRow\",\n"
      "\"BodyEndRow\", \"RetType\", \"ParamCount\", \"Params\": [{\"KeyWord1\", \"KeyWord2\", \"VarName\",\n"
      "\"VarType\", \"RefIO\"}]}. Rows are code-module rows. Exit 1 when the record could not be filled.");
  proc->final_callback([this] { chosen_ = [this] { return RunProc(file_, target_, common_); }; });

  auto* scan = app.add_subcommand("scan", "Print the module's procedure table as JSON; writes nothing");
  scan->add_option("FILE", file_, "Exported module file")->required();
  scan->add_flag("--full", full_, "Also parse return types and parameters");
  AddCommon(scan, common_);
  scan->footer(
      "Prints {\"count\": N, \"procs\": [{\"ProcStartRow\", \"BodyStartRow\", \"BodyDefEndRow\",\n"
      "\"TotalRowsCount\", \"ProcType\", \"ProcKnd\", \"ProcName\"}]}; with --full each entry also has\n"
      "\"ParamCount\", \"RetType\" and \"Params\". count is 0 for no procedure, -1 for more than 300,\n"
      "-2 (--full) for a procedure with more than 30 parameters.");
  scan->final_callback([this] { chosen_ = [this] { return RunScan(file_, full_, common_); }; });
}

int Registry::Run() {
  if (!chosen_) throw UsageError("no command given; run 'qlx --help'");
  try {
    return chosen_();
  } catch (const UsageError& e) {
    std::fprintf(stderr, "qlx: %s\n", e.what());
    return kExitUsage;
  }
}

}  // namespace qlx::cli
