#include "cli/commands.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <stdexcept>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "analysis/cls_proc_inf.h"
#include "addin/ini_file.h"
#include "analysis/mod_get_procs_data.h"
#include "cli/console_ui.h"
#include "cli/session.h"
#include "cli/settings_path.h"
#include "cli/workspace.h"
#include "debugexp/mod_add_debug_vbe.h"
#include "errtrap/mod_insert_err_trap.h"
#include "header/mod_insert_header.h"
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

// The files of a command in the in-memory editor; a file qlx refuses is a
// usage error.
Workspace Load(const std::vector<std::string>& paths, const CommonOptions& common) {
  try {
    return Workspace(paths, common.encoding);
  } catch (const std::exception& e) {
    throw UsageError(e.what());
  }
}

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
  Workspace ws = Load({path}, common);
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
  Workspace ws = Load({path}, common);
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

// The settings a command reads, as the tool window reads them when it loads.
struct Settings {
  Text author;
  std::int32_t ignore_mode = 0;
  std::int32_t un_undo_mode = 0;
  std::int32_t sleep_time = 0;
  std::int32_t err_insert_pos = 0;
};

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

// Writes the module back when the operation changed it, or prints it with
// --stdout; warnings about characters the encoding cannot hold go to stderr.
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

// One writing command on one module at a row: load, run, write back.
template <typename Operation>
int RunAtRow(const std::string& path, const Target& target, const CommonOptions& common,
             const WriteOptions& write, Operation operation) {
  Workspace ws = Load({path}, common);
  const Row row = ResolveRow(target, ws.First());
  auto ui = MakeUi(common, write.answers);
  const Settings settings = LoadSettings(*ui, write);
  operation(ws, *ui, settings, row);
  Finish(ws.First(), write);
  return ui->ShowedOkBox() ? kExitReported : kExitOk;
}

int RunHeader(const std::string& path, const Target& target, const CommonOptions& common,
              const WriteOptions& write) {
  return RunAtRow(path, target, common, write,
                  [](Workspace& ws, UiService& ui, const Settings& settings, Row row) {
                    ModInsertHeader header(ui, ws.desktop);
                    header.SetVBInstance(ws.vbe);
                    header.AuthorName = settings.author;
                    header.IgnoreMode = settings.ignore_mode;
                    header.UnUndoMode = settings.un_undo_mode;
                    header.SleepTime = settings.sleep_time;
                    header.WriteHeaderProc(row);
                  });
}

int RunErrTrap(const std::string& path, const Target& target, const CommonOptions& common,
               const WriteOptions& write) {
  return RunAtRow(path, target, common, write,
                  [](Workspace& ws, UiService& ui, const Settings& settings, Row row) {
                    ModInsertErrTrap errtrap(ui, ws.desktop);
                    errtrap.SetVBInstance(ws.vbe);
                    errtrap.ErrInsertPos = settings.err_insert_pos;
                    errtrap.WriteErrTrapProc(row);
                  });
}

// One writing command on a whole module: load, run, write back.
template <typename Operation>
int RunOnModule(const std::string& path, const CommonOptions& common, const WriteOptions& write,
                Operation operation) {
  Workspace ws = Load({path}, common);
  auto ui = MakeUi(common, write.answers);
  const Settings settings = LoadSettings(*ui, write);
  operation(ws, *ui, settings);
  Finish(ws.First(), write);
  return ui->ShowedOkBox() ? kExitReported : kExitOk;
}

int RunDeb(const std::string& path, const CommonOptions& common, const WriteOptions& write) {
  return RunOnModule(path, common, write, [](Workspace& ws, UiService& ui, const Settings&) {
    ModAddDebugVBE deb(ui, ws.desktop);
    deb.SetVBInstance(ws.vbe);
    deb.ReplaceDeb();
  });
}

// The header writer with the settings the tool window would give it.
struct HeaderWriter {
  ModGetProcsData procs;
  ModInsertHeader header;

  HeaderWriter(Workspace& ws, UiService& ui, const Settings& settings) : procs(ui), header(ui, ws.desktop) {
    procs.SetVBInstance(ws.vbe);
    header.SetVBInstance(ws.vbe);
    header.SetProcsData(&procs);
    header.AuthorName = settings.author;
    header.IgnoreMode = settings.ignore_mode;
    header.UnUndoMode = settings.un_undo_mode;
    header.SleepTime = settings.sleep_time;
  }
};

int RunModuleHeader(const std::string& path, const CommonOptions& common, const WriteOptions& write) {
  return RunOnModule(path, common, write, [](Workspace& ws, UiService& ui, const Settings& settings) {
    HeaderWriter(ws, ui, settings).header.InsertModuleHeader();
  });
}

int RunAllHeaders(const std::string& path, const CommonOptions& common, const WriteOptions& write) {
  return RunOnModule(path, common, write, [](Workspace& ws, UiService& ui, const Settings& settings) {
    HeaderWriter(ws, ui, settings).header.InsertHeaderAll();
  });
}

void AddWrite(CLI::App* command, WriteOptions& write) {
  command->add_option("--ini", write.ini,
                      "Settings file (default: $QLX_INI, else ~/.config/qlx/QLX.ini); never written");
  command->add_option("--author", write.author, "Author name for this run, in place of the settings' one");
  command->add_option("--answers", write.answers,
                      "Answers to the Yes/No questions, in order, e.g. y,n; then the terminal, else No");
  command->add_flag("--stdout", write.to_stdout, "Print the resulting module to stdout; leave FILE untouched");
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

  auto* header = app.add_subcommand("header", "Write or update the header of the procedure at a row");
  header->add_option("FILE", file_, "Exported module file")->required();
  AddTarget(header, target_);
  AddWrite(header, write_);
  AddCommon(header, common_);
  header->footer(
      "Writes a new header above the procedure's declaration, or updates an existing one after\n"
      "asking (settings Mode/IgnoreMode), keeping its hand-written parts; after an update asks\n"
      "for confirmation (unless Mode/UnUndoMode) and puts the old header back on No.\n"
      "The file is written only when it changed.");
  header->final_callback([this] { chosen_ = [this] { return RunHeader(file_, target_, common_, write_); }; });

  auto* errtrap = app.add_subcommand("errtrap", "Insert the generic error handler into the procedure at a row");
  errtrap->add_option("FILE", file_, "Exported module file")->required();
  AddTarget(errtrap, target_);
  AddWrite(errtrap, write_);
  AddCommon(errtrap, common_);
  errtrap->footer(
      "Inserts ON ERROR GOTO PROC_ERR below the local declarations (or below the declaration\n"
      "with Mode/ErrInsertPos non-zero) and the PROC_EXIT/PROC_ERR blocks above the End line;\n"
      "asks first when the procedure already has an On Error statement.");
  errtrap->final_callback([this] { chosen_ = [this] { return RunErrTrap(file_, target_, common_, write_); }; });

  auto* deb = app.add_subcommand("deb", "Expand the 'deb markers into Debug.Print code");
  deb->add_option("FILE", file_, "Exported module file")->required();
  AddWrite(deb, write_);
  AddCommon(deb, common_);
  deb->footer(
      "Replaces every marker line 'deb Variable by a Debug.Print line and every 'deb Variable for\n"
      "by a For deb = LBound(...) To UBound(...) loop, from the top; stops with a message at the\n"
      "first malformed marker, keeping the markers expanded before it.");
  deb->final_callback([this] { chosen_ = [this] { return RunDeb(file_, common_, write_); }; });

  auto* module_header = app.add_subcommand("module-header", "Write or rewrite the module header");
  module_header->add_option("FILE", file_, "Exported module file")->required();
  AddWrite(module_header, write_);
  AddCommon(module_header, common_);
  module_header->footer(
      "Writes a banner with the module's name, four description lines and a table of every\n"
      "procedure (number, kind, name, the start of its summary) at the top of the module; a\n"
      "rewrite keeps the four description lines. At most 300 procedures.");
  module_header->final_callback([this] { chosen_ = [this] { return RunModuleHeader(file_, common_, write_); }; });

  auto* all_headers = app.add_subcommand("all-headers", "Write a new header above every procedure");
  all_headers->add_option("FILE", file_, "Exported module file")->required();
  AddWrite(all_headers, write_);
  AddCommon(all_headers, common_);
  all_headers->footer(
      "Writes a new procedure header directly above every procedure's declaration (existing\n"
      "headers are not looked at). At most 300 procedures of at most 30 parameters; a procedure\n"
      "whose header cannot be built is reported and skipped, and the others are written.");
  all_headers->final_callback([this] { chosen_ = [this] { return RunAllHeaders(file_, common_, write_); }; });

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
