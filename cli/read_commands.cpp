// qlx proc and qlx scan: the procedure record and the procedure table as JSON.
#include "cli/read_commands.h"

#include <algorithm>

#include "analysis/cls_proc_inf.h"
#include "analysis/mod_get_procs_data.h"
#include "cli/command_support.h"
#include "cli/loading.h"
#include "cli/names.h"
#include "cli/target.h"

namespace qlx::cli {

namespace {

json ParamJson(const ParamInf& p) {
  return json{{"KeyWord1", U8(p.KeyWord1)},
              {"KeyWord2", U8(p.KeyWord2)},
              {"VarName", U8(p.VarName)},
              {"VarType", U8(p.VarType)},
              {"RefIO", U8(p.RefIO)}};
}

}  // namespace

int RunProc(const std::string& path, const Target& target, const CommonOptions& common) {
  Workspace ws = LoadOne(path, common);
  auto ui = MakeUi(common, nullptr);
  const Row row = ResolveRow(target, ws, *ui);

  ClsProcInf record(*ui);
  record.VBInstanceC(ws.vbe);
  bool ok = false;
  RunOperation(ws, [&] { ok = record.GetProcInf(row); });
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
  PrintHostCalls(ws, common);
  return (!ok || ui->ShowedOkBox()) ? kExitReported : kExitOk;
}

namespace {

// The procedure table of the workspace's module: {"count", "procs"}.
json ScanJson(Workspace& ws, bool full, UiService& ui) {
  Operations ops(ui, ws.desktop);
  ops.SetVBInstance(ws.vbe);
  Short count = 0;
  std::vector<ProcData> table;
  RunOperation(ws, [&] { table = full ? ops.Procs().GetProcsData(count) : ops.ProcedureTable(count); });

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
  return json{{"count", count}, {"procs", procs}};
}

}  // namespace

int RunScan(const std::string& path, bool full, const CommonOptions& common) {
  auto ui = MakeUi(common, nullptr);
  if (!IsDocument(path)) {
    Workspace ws = Load({path}, common);
    PrintJson(ScanJson(ws, full, *ui));
    PrintHostCalls(ws, common);
    return ui->ShowedOkBox() ? kExitReported : kExitOk;
  }
  // Every module of the document (or --module's), each as its exported file.
  OpenedDocument opened(path, common.module, false);
  json modules = json::array();
  std::vector<long long> calls;
  for (std::size_t k = 0; k < opened.modules->Files().size(); ++k) {
    std::vector<ModuleFile> one;
    one.push_back(std::move(opened.modules->Files()[k]));
    Workspace ws(std::move(one));
    json entry;
    PutName(entry, "module", opened.modules->Names()[k]);
    entry.update(ScanJson(ws, full, *ui));
    modules.push_back(std::move(entry));
    if (common.host_calls) ws.AddHostCalls(calls);
  }
  json document;
  PutName(document, "file", path);
  document["modules"] = std::move(modules);
  PrintJson(document);
  if (common.host_calls) std::fprintf(stderr, "%s\n", Workspace::HostCallsJson(calls).c_str());
  return ui->ShowedOkBox() ? kExitReported : kExitOk;
}

}  // namespace qlx::cli
