// The writing commands: header and errtrap at a row, deb, module-header and
// all-headers on a whole module.
#include "analysis/mod_get_procs_data.h"
#include "cli/command_support.h"
#include "debugexp/mod_add_debug_vbe.h"
#include "errtrap/mod_insert_err_trap.h"
#include "header/mod_insert_header.h"

namespace qlx::cli {

namespace {

// One writing command on one module at a row: load, run, write back.
template <typename Operation>
int RunAtRow(const std::string& path, const Target& target, const CommonOptions& common,
             const WriteOptions& write, Operation operation) {
  Workspace ws = Load({path}, common, !write.to_stdout);
  const Row row = ResolveRow(target, ws.First());
  // The editor would report this as an error box after the fact; refuse first.
  if (row <= ws.First().Module()->CountOfDeclarationLines()) {
    const std::string place = target.row ? "row " + std::to_string(row) : "line " + std::to_string(*target.line);
    throw UsageError(place + " is in the module's declaration section, not inside a procedure");
  }
  auto ui = MakeUi(common, write.answers);
  const Settings settings = LoadSettings(*ui, write);
  RunOperation(ws, [&] { operation(ws, *ui, settings, row); });
  Finish(ws.First(), write);
  PrintHostCalls(ws, common);
  return ui->ShowedOkBox() ? kExitReported : kExitOk;
}

// One writing command on a whole module: load, run, write back.
template <typename Operation>
int RunOnModule(const std::string& path, const CommonOptions& common, const WriteOptions& write,
                Operation operation) {
  Workspace ws = Load({path}, common, !write.to_stdout);
  auto ui = MakeUi(common, write.answers);
  const Settings settings = LoadSettings(*ui, write);
  RunOperation(ws, [&] { operation(ws, *ui, settings); });
  Finish(ws.First(), write);
  PrintHostCalls(ws, common);
  return ui->ShowedOkBox() ? kExitReported : kExitOk;
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

}  // namespace

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

int RunDeb(const std::string& path, const CommonOptions& common, const WriteOptions& write) {
  return RunOnModule(path, common, write, [](Workspace& ws, UiService& ui, const Settings&) {
    ModAddDebugVBE deb(ui, ws.desktop);
    deb.SetVBInstance(ws.vbe);
    deb.ReplaceDeb();
  });
}

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

}  // namespace qlx::cli
