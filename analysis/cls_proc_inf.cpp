#include "analysis/cls_proc_inf.h"

#include "host/memory/line_cache.h"
#include "host/report.h"
#include "host/ui.h"
#include "host/vberror.h"

namespace qlx {

namespace {

// How often a procedure-not-found error may restart the lookup with the next
// procedure kind. The editor may overwrite the kind on each lookup, so an
// unbounded retry could spin for ever.
constexpr int kMaxKindRestarts = 3;

// Clears the held code module (and the body rows read from it) on every
// way out of the scope.
class ModuleHold {
 public:
  explicit ModuleHold(std::shared_ptr<CodeModule>& slot, std::vector<Text>* rows = nullptr) : slot_(slot), rows_(rows) {}
  ModuleHold(const ModuleHold&) = delete;
  ModuleHold& operator=(const ModuleHold&) = delete;
  ~ModuleHold() {
    slot_.reset();
    if (rows_ != nullptr) rows_->clear();
  }

 private:
  std::shared_ptr<CodeModule>& slot_;
  std::vector<Text>* rows_;
};

// The word at index k; a missing word is VB's subscript error.
const Text& Word(const std::vector<Text>& words, std::size_t k) {
  if (k >= words.size()) throw VbError(vberr::kSubscript);
  return words[k];
}

}  // namespace

ClsProcInf::ClsProcInf(UiService& ui) : ui_(ui), parser_(ui, kRecordRules) {}

Text ClsProcInf::ProcType() const { return Str(proc_type_); }

const ParamInf& ClsProcInf::Entry(Short i) const {
  if (i < 0 || i >= kMaxParams) throw VbError(vberr::kSubscript);
  return params_[static_cast<std::size_t>(i)];
}

std::shared_ptr<CodeModule> ClsProcInf::ActiveModule() const { return ActiveCodeModule(vbe_.get()); }

Text ClsProcInf::LineAt(Row row) const {
  if (!module_) throw VbError(vberr::kObjectNotSet);
  return module_->Lines(row, 1);
}

bool ClsProcInf::GetProcInf(Row lngRow) {
  // Row 0 is the declaration section or no target at all.
  if (lngRow == 0) return false;
  bool result = false;
  Guarded(ui_, ReportForm::kErrorNumberWithLine, u"ClsProcInf.GetProcInf", [&] { result = MakeProcInf(lngRow); });
  return result;
}

bool ClsProcInf::MakeProcInf(Row row) {
  if (row == 0) return false;
  ModuleHold hold(module_, &body_rows_);
  ProcKind kind = kProcKindProc;
  int restarts = 0;
  for (;;) {
    try {
      if (!module_) {
        module_ = ActiveModule();
        module_name_ = module_->Name();
        kind = kProcKindProc;
      }
      return LocateAndParse(row, kind);
    } catch (...) {
      const VbError error = CurrentError();
      if (error.Number() != vberr::kSubNotDefined) {
        ShowReport(ui_, ReportForm::kError, error, u"ClsProcInf.MakeProcInf");
        return false;
      }
      // Not found under this kind: try the next one.
      if (kind <= kProcKindSet && restarts < kMaxKindRestarts) {
        ++kind;
        ++restarts;
        continue;
      }
      ShowReport(ui_, ReportForm::kError, error, u"ClsProcInf.GetProcInf");
      return false;
    }
  }
}

bool ClsProcInf::LocateAndParse(Row row, ProcKind& kind) {
  // By rows: of two procedures of one name the editor names the first.
  ui_.SetPlace({Text(), row});
  const ProcSpan span = LocateProc(*module_, row, kind);
  proc_name_ = span.name;
  proc_start_row_ = span.start;
  total_rows_count_ = span.count;
  body_start_row_ = span.body;
  ui_.SetPlace({proc_name_, body_start_row_});

  const DeclarationParser::Kind type = parser_.TypeOfProc(LineAt(body_start_row_), kind);
  proc_type_str_ = type.text;
  proc_type_ = type.code;

  const Text joined =
      parser_.JoinDeclaration([this](Row r) { return LineAt(r); }, body_start_row_, body_def_end_row_);

  const LineReader line_at = [this](Row r) { return LineAt(r); };
  const DeclarationBlock block =
      FindDeclarationBlock(line_at, module_->CountOfLines(), body_start_row_, body_def_end_row_);
  declaration_top_row_ = block.top;
  declaration_bottom_row_ = block.bottom;
  leading_start_row_ = qlx::LeadingStartRow(line_at, proc_start_row_, block.top);

  body_end_row_ = CheckEnd(proc_start_row_ + total_rows_count_ - 1, body_start_row_);
  if (body_end_row_ == 0) {
    ui_.MsgBox(u"CheckEnd: プロシージャのEnd句が見つかりません", Buttons::kOk, u"QLX");
    return false;
  }

  inner_dec_start_row_ = body_def_end_row_ + 1;
  inner_dec_end_row_ = body_def_end_row_ + 1;
  bool first = true;
  const Row end_row = body_end_row_;
  body_rows_.clear();
  if (end_row > body_def_end_row_) body_rows_.reserve(static_cast<std::size_t>(end_row - body_def_end_row_));
  for (Row r = body_def_end_row_ + 1; r <= end_row; ++r) {
    Text& line = body_rows_.emplace_back(LineAt(r));
    const bool inner_dec = parser_.IsInnerDec(line);
    // Trimmed in place, as Trim would, for the assignment scans.
    const std::size_t last = line.find_last_not_of(u' ');
    line.erase(last == Text::npos ? 0 : last + 1);
    line.erase(0, line.find_first_not_of(u' '));
    if (!inner_dec) continue;
    if (first) {
      inner_dec_start_row_ = r;
      first = false;
    }
    inner_dec_end_row_ = r + 1;
  }
  --inner_dec_end_row_;

  ret_type_ = parser_.GetRetType(joined);

  const DeclarationParser::ParamList list = parser_.GetParamList(joined);
  if (list.count > kMaxParams) {
    ui_.MsgBox(u"プロシージャのパラメータ数が " + Str(kMaxParams) +
                   u" を超えているため、\r\nヘッダを作成することができません",
               Buttons::kOk, u"QLX");
    return false;
  }
  param_count_ = list.count;
  // Runs at least once: an empty list still fills entry 0 from "Void".
  Short i = 0;
  do {
    ParamInf* entry = i < kMaxParams ? &params_[static_cast<std::size_t>(i)] : nullptr;
    parser_.InputParam(parser_.GetWordList(Word(list.items, static_cast<std::size_t>(i))), entry,
                       [this](const Text& name) { return CheckRef(name); });
    ++i;
  } while (i < list.count);
  return true;
}

Row ClsProcInf::CheckEnd(Row last_row, Row body_start_row) {
  Row result = 0;
  Guarded(ui_, ReportForm::kErrorNumber, u"ClsProcInf.CheckEnd", [&] {
    // Walks up from the block's last row: the editor counts comment and
    // blank rows after the End line into the block.
    // The first row is examined before the bound is tested.
    for (Row r = last_row;;) {
      // Also "Done: End Sub", and a one-line procedure's own line.
      if (EndsProcedure(LineAt(r))) {
        result = r;
        break;
      }
      if (--r < body_start_row) break;
    }
  });
  return result;
}

Text ClsProcInf::CheckRef(const Text& name) {
  // The rows the local-declaration scan read, not read again per parameter.
  return parser_.CheckRef(name, body_def_end_row_ + 1, body_end_row_ - 1, [this](Row r) {
    return body_rows_[static_cast<std::size_t>(r - body_def_end_row_ - 1)];
  });
}

void ClsProcInf::ResetBodyPos(Row lngProcStartRow) {
  Guarded(ui_, ReportForm::kErrorNumberWithLine, u"ClsProcInf.ResetBodyPos", [&] {
    ModuleHold hold(module_);
    module_ = ActiveModule();
    ProcKind kind = kProcKindProc;
    const ProcSpan span = LocateProc(*module_, lngProcStartRow, kind);
    proc_name_ = span.name;
    const Row old_body_start_row = body_start_row_;
    body_start_row_ = span.body;
    const Row shift = body_start_row_ - old_body_start_row;
    body_def_end_row_ += shift;
    inner_dec_start_row_ += shift;
    inner_dec_end_row_ += shift;
    body_end_row_ += shift;
    declaration_top_row_ += shift;
    declaration_bottom_row_ += shift;
  });
}

}  // namespace qlx
