#include "errtrap/mod_insert_err_trap.h"

#include <algorithm>
#include <utility>

#include "analysis/cls_proc_inf.h"
#include "host/memory/line_cache.h"
#include "host/ui.h"
#include "host/vberror.h"

namespace qlx {
namespace {

constexpr char16_t kExistingOnErrorQuestion[] =
    u"On Error ステートメントが既に存在します。\r\n新しい汎用エラーハンドラを挿入しますか？";

constexpr char16_t kOneLineProcedure[] =
    u"1 行で書かれたプロシージャには、エラーハンドラを挿入できません";

// True when the line continues onto the next one (ends with a space or tab
// and "_"); comment lines continue the same way.
bool ContinuesOnNextLine(TextView line) {
  const Text tail = Right(RTrim(line), 2);
  return tail == u" _" || tail == u"\t_";
}

// Clears the record's editor reference before the record goes, as its
// calling order asks.
struct RecordRelease {
  void operator()(ClsProcInf* record) const noexcept {
    record->VBInstanceC(nullptr);
    delete record;
  }
};

}  // namespace

ModInsertErrTrap::ModInsertErrTrap(UiService& ui, Desktop& desktop) : ui_(ui), desktop_(desktop) {}

void ModInsertErrTrap::SetVBInstance(std::shared_ptr<VBE> vbe) { vbe_ = std::move(vbe); }

std::shared_ptr<CodeModule> ModInsertErrTrap::ActiveModule() const { return ActiveCodeModule(vbe_.get()); }

void ModInsertErrTrap::WriteErrTrapProc(Row row) {
  if (row == 0) return;
  InsertErrTrap(row);
}

void ModInsertErrTrap::InsertErrTrap(Row row) {
  // Declared outside the try block so that a failure is reported while
  // drawing is still stopped, and the clean-up runs afterwards in reverse
  // order: module, record, then drawing restarted (also when never stopped).
  DrawingLock drawing(desktop_);
  std::unique_ptr<ClsProcInf, RecordRelease> record;
  std::shared_ptr<CodeModule> module;
  Guarded(ui_, ReportForm::kError, u"InsertErrTrap", [&] {
    record.reset(new ClsProcInf(ui_));
    record->VBInstanceC(vbe_);
    module = ActiveModule();
    if (!record->GetProcInf(row)) return;
    // The handler's blocks go between the declaration and the End line; a
    // procedure written on one line has no room for them.
    if (record->BodyEndRow() <= record->BodyDefEndRow()) {
      ui_.MsgBox(kOneLineProcedure, Buttons::kOk, u"QLX");
      return;
    }

    Row anchor = ErrInsertPos == 0 ? record->InnerDecEndRow() : record->BodyDefEndRow();
    // Below a declaration written once per build (#If ... #End If), so that
    // every build runs with the handler.
    anchor = std::max(anchor, record->DeclarationBottomRow());
    const Row end = record->BodyEndRow();
    // A continued last declaration (Dim a As Long, _ / b As Long) would be
    // split by the upper block, leaving code that no longer compiles.
    while (anchor + 1 < end && ContinuesOnNextLine(module->Lines(anchor, 1))) ++anchor;
    const Row start = anchor + 1;

    drawing.Lock(GetVbaHwnd(vbe_.get(), desktop_, ui_));

    for (Row r = record->ProcStartRow(); r <= end; ++r) {
      if (Like(Trim(module->Lines(r, 1)), u"On Error *")) {
        if (ui_.MsgBox(kExistingOnErrorQuestion, Buttons::kYesNo, u"QLX") != Answer::kYes) return;
        break;
      }
    }

    // Rows computed before any insertion: the first three lines push the End
    // line from `end` to end + 3, and each later line goes directly above it.
    const Text message_line = Text(u"    MsgBox ") + u"\"Error_Number: \"" + u" & Err.Number & " +
                              u"\".  : \"" + u" & Err.Description, , " + u"_";
    const Text title_line = Text(u"    \"") + record->ModuleName() + u"\"  & \".\" & \"" +
                            record->ProcName() + u"\"";
    const std::pair<Row, Text> lines[] = {
        {start, u""},
        {start + 1, u"ON ERROR GOTO PROC_ERR"},
        {start + 2, u""},
        {end + 3, u""},
        {end + 4, u"PROC_EXIT:"},
        {end + 5, u"    Exit " + record->ProcTypeStr()},
        {end + 6, u""},
        {end + 7, u"PROC_ERR:"},
        {end + 8, message_line},
        {end + 9, title_line},
        {end + 10, u"    Resume PROC_EXIT"},
        {end + 11, u""},
    };
    EditBlock block(*module);
    for (const auto& [at, text] : lines) module->InsertLines(at, text);
    block.Send();
  });
}

}  // namespace qlx
