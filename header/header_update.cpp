// The WRITE command of header mode: finding, saving, replacing, inserting and
// taking back a procedure header.
#include <algorithm>
#include <optional>

#include "header/mod_insert_header.h"
#include "host/memory/line_cache.h"
#include "host/report.h"
#include "host/ui.h"
#include "host/vberror.h"

namespace qlx {

namespace {

constexpr TextView kTitle = u"QLX";
constexpr TextView kAskUpdate = u"ヘッダが存在します。更新しますか?";
constexpr TextView kConfirmUpdate =
    u"これ以後、元に戻せなくなります。\r\n更新してもよろしいですか？";
constexpr TextView kNoSeparator = u"セパレータ'>>>>>>*が見つかりません";
constexpr TextView kCannotCreate = u"ヘッダを作成できませんでした";
// The pattern that finds the separator has five ">", the message shows six.

// The hand-written note of a return line or parameter row: the text after
// the line's last colon; nothing when the colon is missing or ends the line.
std::optional<Text> NoteAfterLastColon(TextView line) {
  const long long p = InStrRev(line, u":");
  if (p == 0 || p == static_cast<long long>(line.size())) return std::nullopt;
  return Mid(line, p + 1);
}

// The text after a label, when the line has more than the label.
std::optional<Text> TextAfterLabel(TextView line, TextView label) {
  if (line.size() <= label.size()) return std::nullopt;
  return Mid(line, static_cast<long long>(label.size()) + 1);
}

}  // namespace

// What every way out of WriteHeaderProc releases: the record (after
// detaching it from the editor), the code module and the saved parameter
// notes. Drawing is restarted by the DrawingLock declared after it.
class ModInsertHeader::CommandScope {
 public:
  explicit CommandScope(ModInsertHeader& owner) : owner_(owner) {}
  CommandScope(const CommandScope&) = delete;
  CommandScope& operator=(const CommandScope&) = delete;
  ~CommandScope() {
    if (owner_.proc_inf_) owner_.proc_inf_->VBInstanceC(nullptr);
    owner_.proc_inf_.reset();
    owner_.module_.reset();
    owner_.hwnd_ = 0;
    owner_.SavedHeader.ClearParams();
  }

 private:
  ModInsertHeader& owner_;
};

ModInsertHeader::ModInsertHeader(UiService& ui, Desktop& desktop) : ui_(ui), desktop_(desktop) {}

ModInsertHeader::~ModInsertHeader() = default;

void ModInsertHeader::SetVBInstance(std::shared_ptr<VBE> vbe) { vbe_ = std::move(vbe); }

void ModInsertHeader::WriteHeaderProc(Row row) {
  CommandScope scope(*this);
  DrawingLock drawing(desktop_);
  Guarded(ui_, ReportForm::kError, u"WriteHeaderProc", [&] {
    proc_inf_ = std::make_unique<ClsProcInf>(ui_);
    proc_inf_->VBInstanceC(vbe_);
    module_ = ActiveModule();
    hwnd_ = GetVbaHwnd(vbe_.get(), desktop_, ui_);
    drawing.Lock(hwnd_);

    if (!proc_inf_->GetProcInf(row)) return;

    bool updated = false;
    Row old_start = 0;
    std::vector<Text> old_lines;
    if (SearchHeader(Text(kAuthorLabel) + u"*") == 0) {
      InsertHeaderProc(false);
    } else {
      bool update = true;
      if (IgnoreMode == 0) {
        update = ui_.MsgBox(Text(kAskUpdate), Buttons::kYesNo, Text(kTitle)) == Answer::kYes;
      }
      SaveHeader();
      if (update) {
        old_start = SaveBeforeDelete(old_lines);
        const Row body = proc_inf_->BodyStartRow();
        const Row removed = old_start == 0 ? 0 : static_cast<Row>(HeaderOwnRows(old_start).size());
        if (!DeleteHeader()) return;
        // The declaration row itself is found again: a row above it may now
        // lie outside the procedure (in the declaration section).
        proc_inf_->ResetBodyPos(body - removed);
        // A header that could not be built has already been replaced by the
        // old one: there is nothing to confirm.
        updated = InsertHeaderProc(true, old_start, &old_lines);
      }
    }

    desktop_.LockWindowUpdate(0);
    if (UnUndoMode == 0 && updated) {
      // The platform's wait takes a negative time as "forever", and a huge
      // setting would hang the editor for days: the wait is kept in bounds.
      ui_.Sleep(std::clamp<std::int32_t>(SleepTime, 0, kMaxSleepTime));
      if (ui_.MsgBox(Text(kConfirmUpdate), Buttons::kYesNo, Text(kTitle)) != Answer::kYes) {
        proc_inf_->ResetBodyPos(proc_inf_->BodyStartRow() + inserted_rows_);
        TryUndo(old_start, old_lines);
      }
    }
  });
}

Row ModInsertHeader::SearchHeader(TextView pattern) {
  Row found = 0;
  Guarded(ui_, ReportForm::kError, u"SearchHeader", [&] {
    ClsProcInf& record = ProcInf();
    for (Row row = record.BodyStartRow() - 1; row >= record.LeadingStartRow(); --row) {
      if (Like(GetTrimLine(row), pattern)) {
        found = row;
        break;
      }
    }
  });
  return found;
}

void ModInsertHeader::SaveHeader() {
  Guarded(ui_, ReportForm::kError, u"SaveHeader", [&] {
    SavedHeader.Clear();
    int param_row = 0;
    ClsProcInf& record = ProcInf();
    const Row last = record.BodyStartRow() - 1;
    // From the header's own separator: a header stacked above it, or a
    // banner, is not read.
    const Row separator = FindSeparator();
    for (Row row = separator != 0 ? separator : record.LeadingStartRow(); row <= last; ++row) {
      const Text line = GetTrimLine(row);
      if (StartsWith(line, kSummaryLabel)) {
        if (auto text = TextAfterLabel(line, kSummaryLabel)) SavedHeader.summary = *text;
      } else if (StartsWith(line, kReturnLabel)) {
        if (auto note = NoteAfterLastColon(line)) SavedHeader.return_note = *note;
      } else if (StartsWith(line, kParamRowLabel)) {
        if (param_row >= SavedHeaderParts::kParamRows) throw VbError(vberr::kSubscript);
        SavedParamNote& saved = SavedHeader.params[static_cast<std::size_t>(param_row)];
        saved.name = Trim(Mid(line, 11, kParamCellWidth));
        saved.io = Trim(Mid(line, 32, kIoCellWidth));
        if (auto note = NoteAfterLastColon(line)) saved.note = *note;
        ++param_row;
      } else if (StartsWith(line, kDependencyLabel)) {
        if (auto text = TextAfterLabel(line, kDependencyLabel)) SavedHeader.dependency = *text;
      } else if (StartsWith(line, kExplanationLabel)) {
        if (auto text = TextAfterLabel(line, kExplanationLabel)) SavedHeader.explanation = *text;
      } else if (StartsWith(line, kContinuationLabel)) {
        // Each continuation line replaces the one before: the last one wins.
        if (auto text = TextAfterLabel(line, kContinuationLabel)) {
          SavedHeader.continuation = *text;
        }
      } else if (StartsWith(line, kAuthorLabel)) {
        // Keep the author and creation date up to the last "更新:"; what
        // follows becomes the time of this update.
        const long long p = InStrRev(line, kUpdatedMark);
        if (p > 0) {
          const long long from = static_cast<long long>(kAuthorLabel.size()) + 1;
          const long long to = p + static_cast<long long>(kUpdatedMark.size()) - 1;
          SavedHeader.author_tail =
              Mid(line, from, to - from + 1) + HeaderDate() + u" " + HeaderTime();
        }
        break;
      }
    }
  });
}

Row ModInsertHeader::SaveBeforeDelete(std::vector<Text>& lines) {
  Row start = 0;
  Guarded(ui_, ReportForm::kError, u"SaveBeforeDelete", [&] {
    const Row separator = FindSeparator();
    if (separator != 0) {
      const Row body = ProcInf().BodyStartRow();
      std::vector<Text> copy;
      for (Row row = separator; row < body; ++row) copy.push_back(GetTrimLine(row));
      lines = std::move(copy);
      start = separator;
    }
  });
  return start;
}

bool ModInsertHeader::DeleteHeader() {
  bool deleted = false;
  Guarded(ui_, ReportForm::kError, u"DeleteHeader", [&] {
    const Row separator = FindSeparator();
    if (separator == 0) {
      ui_.MsgBox(Text(kNoSeparator), Buttons::kOk, Text(kTitle));
    } else {
      // Only the header's own lines go; the user's lines among them stay,
      // in their order, and end up between the new header and the
      // declaration.
      const std::vector<Row> own = HeaderOwnRows(separator);
      EditBlock block(Module());
      // From the bottom up, each run of adjacent rows in one call.
      for (std::size_t end = own.size(); end > 0;) {
        std::size_t begin = end - 1;
        while (begin > 0 && own[begin - 1] + 1 == own[begin]) --begin;
        Module().DeleteLines(own[begin], static_cast<Row>(end - begin));
        end = begin;
      }
      block.Send();
      deleted = true;
    }
  });
  return deleted;
}

bool ModInsertHeader::InsertHeaderProc(bool update, Row old_start,
                                       const std::vector<Text>* old_lines) {
  bool built = false;
  Guarded(ui_, ReportForm::kError, u"InsertHeaderProc", [&] {
    // A new header goes above the declaration (above its #If when it has
    // one per build); an update where the old one began.
    const Row at = update && old_start != 0 ? old_start : ProcInf().DeclarationTopRow();
    inserted_rows_ = 0;
    Short count = 0;
    const std::vector<Text> lines = CreateHeaderProc(update, count);
    if (count != 0) {
      built = true;
      EditBlock block(Module());
      for (Short i = 0; i < count; ++i) {
        Module().InsertLines(at + i, lines.at(static_cast<std::size_t>(i)));
        ++inserted_rows_;
      }
      block.Send();
    } else {
      // An update has already deleted the old header: never leave the
      // procedure without one.
      if (old_lines != nullptr) {
        // The user's lines it kept stand where the old header began.
        const Row body = ProcInf().BodyStartRow();
        if (body > old_start) Module().DeleteLines(old_start, body - old_start);
        PutBack(old_start, *old_lines);
      }
      ui_.MsgBox(Text(kCannotCreate), Buttons::kOk, Text(kTitle));
    }
  });
  return built;
}

void ModInsertHeader::TryUndo(Row start, const std::vector<Text>& lines) {
  Guarded(ui_, ReportForm::kError, u"TryUndo", [&] {
    const Row body = ProcInf().BodyStartRow();
    // No line of the new header may have got in; deleting none is no edit.
    if (body != start) Module().DeleteLines(start, body - start);
    PutBack(start, lines);
  });
}

Text ModInsertHeader::GetTrimLine(Row row) { return Trim(Module().Lines(row, 1)); }

void ModInsertHeader::PutBack(Row start, const std::vector<Text>& lines) {
  EditBlock block(Module());
  for (std::size_t j = 0; j < lines.size(); ++j) {
    Module().InsertLines(start + static_cast<Row>(j), lines[j]);
  }
  block.Send();
}

Row ModInsertHeader::FindSeparator() {
  ClsProcInf& record = ProcInf();
  const Row last = record.BodyStartRow() - 1;
  const Row first = record.LeadingStartRow();
  // The separator nearest above the header's author line, never higher: a
  // section banner of separator-like lines above a header is the user's.
  for (Row author = last; author >= first; --author) {
    if (!Like(GetTrimLine(author), Text(kAuthorLabel) + u"*")) continue;
    for (Row row = author - 1; row >= first; --row) {
      if (Like(GetTrimLine(row), kSeparatorPattern)) return row;
    }
    return 0;
  }
  for (Row row = first; row <= last; ++row) {
    if (Like(GetTrimLine(row), kSeparatorPattern)) return row;
  }
  return 0;
}

std::vector<Row> ModInsertHeader::HeaderOwnRows(Row separator) {
  std::vector<Row> own{separator};
  const Row last = ProcInf().BodyStartRow() - 1;
  for (Row row = separator + 1; row <= last; ++row) {
    const Text line = GetTrimLine(row);
    if (!IsHeaderFieldLine(line)) continue;
    own.push_back(row);
    // Nothing below the author line is the header's.
    if (StartsWith(line, kAuthorLabel)) break;
  }
  return own;
}

std::shared_ptr<CodeModule> ModInsertHeader::ActiveModule() { return ActiveCodeModule(vbe_.get()); }

ClsProcInf& ModInsertHeader::ProcInf() {
  if (!proc_inf_) throw VbError(vberr::kObjectNotSet);
  return *proc_inf_;
}

CodeModule& ModInsertHeader::Module() {
  if (!module_) throw VbError(vberr::kObjectNotSet);
  return *module_;
}

}  // namespace qlx
