// The tool window's helpers for GET and WRITE: where the cursor is, and
// which procedure holds a row.
#include "errtrap/mod_insert_err_trap.h"

#include "host/report.h"
#include "host/ui.h"
#include "host/vberror.h"

namespace qlx {

Row ModInsertErrTrap::GetCursorRow() {
  try {
    std::shared_ptr<CodePane> pane = ActivePane(vbe_.get());
    Row start_line = 0;
    Row end_line = 0;
    std::int32_t start_column = 0;
    std::int32_t end_column = 0;
    pane->GetSelection(start_line, start_column, end_line, end_column);
    std::shared_ptr<CodeModule> module = pane->CodeModule();
    if (!module) throw VbError(vberr::kObjectNotSet);
    const Row declarations = module->CountOfDeclarationLines();
    return start_line > declarations ? start_line : 0;
  } catch (...) {
    return -1;
  }
}

Text ModInsertErrTrap::SendProcName(Row row) {
  if (row == 0) return Text();
  Text name;
  Guarded(ui_, ReportForm::kError, u"SendProcName", [&] {
    ProcKind kind = kProcKindProc;
    name = ActiveModule()->ProcOfLine(row, kind);
  });
  return name;
}

}  // namespace qlx
