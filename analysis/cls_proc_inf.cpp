#include "analysis/cls_proc_inf.h"

#include "analysis/count_words.h"
#include "analysis/vba_literals.h"
#include "host/report.h"
#include "host/ui.h"
#include "host/vberror.h"

namespace qlx {

namespace {

// How often a procedure-not-found error may restart the lookup with the next
// procedure kind. The editor may overwrite the kind on each lookup, so an
// unbounded retry could spin for ever.
constexpr int kMaxKindRestarts = 3;

// Clears the held code module on every way out of the scope.
class ModuleHold {
 public:
  explicit ModuleHold(std::shared_ptr<CodeModule>& slot) : slot_(slot) {}
  ModuleHold(const ModuleHold&) = delete;
  ModuleHold& operator=(const ModuleHold&) = delete;
  ~ModuleHold() { slot_.reset(); }

 private:
  std::shared_ptr<CodeModule>& slot_;
};

long long Len(TextView s) { return static_cast<long long>(s.size()); }

// The word at index k; a missing word is VB's subscript error.
const Text& Word(const std::vector<Text>& words, std::size_t k) {
  if (k >= words.size()) throw VbError(vberr::kSubscript);
  return words[k];
}

Text Bracket(const Text& s) { return u"[" + s + u"]"; }
Text DefaultNote(const Text& value) { return u"[Def=" + value + u"]"; }

void ReplaceAll(Text& s, const Text& from, const Text& to) {
  if (from.empty()) return;
  for (std::size_t at = s.find(from); at != Text::npos; at = s.find(from, at + to.size())) {
    s.replace(at, from.size(), to);
  }
}

bool IsJoinPunctuation(const Text& ch) { return ch == u"," || ch == u"."; }

}  // namespace

ClsProcInf::ClsProcInf(UiService& ui) : ui_(ui) {}

Text ClsProcInf::ProcType() const { return Str(proc_type_); }

const ParamInf& ClsProcInf::Entry(Short i) const {
  if (i < 0 || i >= kMaxParams) throw VbError(vberr::kSubscript);
  return params_[static_cast<std::size_t>(i)];
}

void ClsProcInf::Report(const char16_t* operation) const {
  ReportCaught(ui_, ReportForm::kErrorNumber, Text(u"ClsProcInf.") + operation);
}

std::shared_ptr<CodeModule> ClsProcInf::ActiveModule() const { return ActiveCodeModule(vbe_.get()); }

Text ClsProcInf::LineAt(Row row) const {
  if (!module_) throw VbError(vberr::kObjectNotSet);
  return module_->Lines(row, 1);
}

bool ClsProcInf::GetProcInf(Row lngRow) {
  bool result = false;
  try {
    // Row 0 is the declaration section or no target at all.
    if (lngRow == 0) return false;
    result = MakeProcInf(lngRow);
  } catch (...) {
    ReportCaught(ui_, ReportForm::kErrorNumberWithLine, u"ClsProcInf.GetProcInf");
  }
  return result;
}

bool ClsProcInf::MakeProcInf(Row row) {
  if (row == 0) return false;
  ModuleHold hold(module_);
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
  proc_name_ = module_->ProcOfLine(row, kind);
  proc_start_row_ = module_->ProcStartLine(proc_name_, kind);
  total_rows_count_ = module_->ProcCountLines(proc_name_, kind);
  body_start_row_ = module_->ProcBodyLine(proc_name_, kind);

  const ProcTypeInf type = TypeOfProc(LineAt(body_start_row_), kind);
  proc_type_str_ = type.type_str;
  proc_type_ = type.type_code;

  // Join the declaration over its " _" continuations. Pieces are joined with
  // one space, except around a "," or "." at the seam:
  // "Function F(a As Long," + "b As Long) As Long" gives
  // "Function F(a As Long,b As Long) As Long".
  Text joined;
  Text last_char;
  for (body_def_end_row_ = body_start_row_;; ++body_def_end_row_) {
    Text piece = StripComment(Trim(LineAt(body_def_end_row_)));
    const bool continued = EndsWith(piece, u" _");
    if (continued) piece = Left(piece, Len(piece) - 2);
    if (!IsJoinPunctuation(Left(piece, 1)) && !last_char.empty() && !IsJoinPunctuation(last_char)) {
      piece = u" " + piece;
    }
    if (!continued) {
      joined = LTrim(joined) + piece;
      break;
    }
    joined += piece;
    last_char = Right(joined, 1);
  }
  declaration_ = joined;

  body_end_row_ = CheckEnd(proc_start_row_ + total_rows_count_ - 1, body_start_row_);
  if (body_end_row_ == 0) {
    ui_.MsgBox(u"CheckEnd: プロシージャのEnd句が見つかりません", Buttons::kOk, u"QLX");
    return false;
  }

  inner_dec_start_row_ = body_def_end_row_ + 1;
  inner_dec_end_row_ = body_def_end_row_ + 1;
  bool first = true;
  const Row end_row = body_end_row_;
  for (Row r = body_def_end_row_ + 1; r <= end_row; ++r) {
    if (!IsInnerDec(LineAt(r))) continue;
    if (first) {
      inner_dec_start_row_ = r;
      first = false;
    }
    inner_dec_end_row_ = r + 1;
  }
  --inner_dec_end_row_;

  ret_type_ = GetRetType(joined);

  const ParamList list = GetParamList(joined);
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
    InputParam(GetWordList(Word(list.items, static_cast<std::size_t>(i))), i);
    ++i;
  } while (i < list.count);
  return true;
}

Row ClsProcInf::CheckEnd(Row last_row, Row body_start_row) {
  Row result = 0;
  try {
    // Walks up from the block's last row: the editor counts comment and
    // blank rows after the End line into the block.
    // The first row is examined before the bound is tested.
    for (Row r = last_row;;) {
      const Text head = Left(LTrim(LineAt(r)), 7);
      if (head == u"End Fun" || head == u"End Sub" || head == u"End Pro") {
        result = r;
        break;
      }
      if (--r < body_start_row) break;
    }
  } catch (...) {
    Report(u"CheckEnd");
  }
  return result;
}

ClsProcInf::ProcTypeInf ClsProcInf::TypeOfProc(TextView line, ProcKind kind) {
  ProcTypeInf result;
  try {
    switch (kind) {
      case kProcKindLet:
        return {u"Property", 2};
      case kProcKindSet:
        return {u"Property", 3};
      case kProcKindGet:
        return {u"Property", 4};
      default:
        break;
    }
    const Text s = StripComment(line);
    result = {u"Sub", 0};
    // The last window tested ends two characters before the end of s.
    for (long long i = 1; i <= Len(s) - 10; ++i) {
      if (Mid(s, i, 9) != u"Function ") continue;
      if (i == 1 || Mid(s, i - 1, 1) == u" ") result = {u"Function", 1};
      break;
    }
  } catch (...) {
    Report(u"TypeOfProc");
  }
  return result;
}

bool ClsProcInf::IsInnerDec(TextView line) {
  bool result = false;
  try {
    const Text s = LTrim(line);
    if (Len(s) < 5) return false;
    result = Left(s, 7) == u"Static " || Left(s, 6) == u"Const " || Left(s, 4) == u"Dim ";
  } catch (...) {
    Report(u"IsInnerDec");
  }
  return result;
}

Text ClsProcInf::StripComment(TextView line) {
  Text result;
  try {
    // An apostrophe inside a string literal ("it's") does not start a comment.
    const long long apostrophe = InStrOutsideQuotes(line, u'\'');
    result = apostrophe > 0 ? Trim(Left(line, apostrophe - 1)) : Text(line);
  } catch (...) {
    Report(u"StripComment");
  }
  return result;
}

Text ClsProcInf::GetRetType(TextView declaration) {
  Text result;
  try {
    const TextView d = declaration;
    const long long last_close = InStrRev(d, u")");
    if (last_close == Len(d)) {
      if (last_close == InStr(d, u"(") + 1) {
        result = u"N/A";
      } else if (EndsWith(d, u"()")) {
        result = Mid(d, InStrRev(d, u") As") + 5);
      } else {
        // A Sub, a Property Let or Set, or a Function without "As".
        result = u"N/A";
      }
    } else {
      result = Mid(d, InStrRev(d, u") As") + 5);
    }
  } catch (...) {
    Report(u"GetRetType");
  }
  return result;
}

ClsProcInf::ParamList ClsProcInf::GetParamList(TextView declaration) {
  ParamList result;
  try {
    const TextView d = declaration;
    const long long open = InStr(d, u"(");
    if (Mid(d, open + 1, 1) == u")") {
      result.items = {u"Void"};
      return result;
    }
    // The list ends at the ")" before " As" when a return type follows (an
    // array return type ends in "()" too), else at the final ")".
    long long end = Len(d);
    if (!EndsWith(d, u")") || EndsWith(d, u"()")) end = InStrRev(d, u") As");
    const Text list = Mid(d, open + 1, end - open - 1);
    // A comma inside a quoted default value ("a,b") does not end a parameter.
    std::vector<Text> pieces = SplitOutsideQuotes(list, u',');
    if (pieces.size() > static_cast<std::size_t>(INT16_MAX)) throw VbError(vberr::kOverflow);
    for (Text& piece : pieces) piece = Trim(piece);
    result.count = static_cast<Short>(pieces.size());
    result.items = std::move(pieces);
  } catch (...) {
    Report(u"GetParamList");
  }
  return result;
}

std::vector<Text> ClsProcInf::GetWordList(TextView param) {
  std::vector<Text> words;
  try {
    // Mask the quoted span of a default value so that its spaces do not
    // split it; it comes back whole as the last word.
    Text t(param);
    Text span;
    Text mask;
    const long long first_quote = InStr(t, u"\"");
    if (first_quote > 0) {
      const long long last_quote = InStrRev(t, u"\"");
      span = Mid(t, first_quote, last_quote - first_quote + 1);
      mask = Text(span.size(), u'@');
      ReplaceAll(t, span, mask);
    }
    long long count = 1;
    for (char16_t ch : t) {
      if (ch == u' ') ++count;
    }
    if (count == 1) {
      words.push_back(Text(param));
      return words;
    }
    t += u" ";
    long long pos = 1;
    for (long long k = 0; k + 1 < count; ++k) {
      const long long space = InStr(pos, t, u" ");
      words.push_back(Mid(t, pos, space - pos));
      pos = space + 1;
    }
    // The last word runs to the appended space; unmasked, its own spaces
    // come back with it.
    if (!span.empty()) ReplaceAll(t, mask, span);
    words.push_back(Mid(t, pos, Len(t) - pos));
  } catch (...) {
    Report(u"GetWordList");
  }
  return words;
}

void ClsProcInf::InputParam(const std::vector<Text>& words, Short i) {
  try {
    if (i < 0 || i >= kMaxParams) throw VbError(vberr::kSubscript);
    ParamInf& e = params_[static_cast<std::size_t>(i)];
    auto w = [&words](std::size_t k) -> const Text& { return Word(words, k); };
    auto put = [&e](Text key1, Text key2, Text name, Text type) {
      e.KeyWord1 = std::move(key1);
      e.KeyWord2 = std::move(key2);
      e.VarName = std::move(name);
      e.VarType = std::move(type);
    };

    if (w(0) == u"ParamArray") {
      e.KeyWord1 = u"ParamArray";
      e.KeyWord2 = u"Void";
      e.VarName = w(1);
      e.VarType = u"Variant";
      e.RefIO = u"SPC";
      return;
    }
    // Only the listed words are tested: for 2 and 4 words any first word but
    // "ByRef" and "Optional" counts as ByVal, and "As" or "=" is assumed
    // wherever it is not tested.
    switch (words.size()) {
      case 1:
        if (w(0) == u"Void") {
          put(u"", u"", u"Void", u"N/A");
          e.RefIO = u"N/A";
        } else {
          put(u"", u"ByRef", w(0), u"Variant");
          e.RefIO = CheckRef(w(0));
        }
        break;
      case 2:
        if (w(0) == u"Optional") {
          put(u"[Def=0]", u"ByRef", Bracket(w(1)), u"[Variant]");
          e.RefIO = CheckRef(w(1));
        } else if (w(0) == u"ByRef") {
          put(u"", u"ByRef", w(1), u"Variant");
          e.RefIO = CheckRef(w(1));
        } else {
          put(u"", u"ByVal", w(1), u"Variant");
          e.RefIO = u"I";
        }
        break;
      case 3:
        if (w(0) != u"Optional") {
          put(u"", u"ByRef", w(0), w(2));
          e.RefIO = CheckRef(w(0));
        } else if (w(1) == u"ByRef") {
          put(u"[Def=0]", u"ByRef", Bracket(w(2)), u"[Variant]");
          e.RefIO = CheckRef(w(2));
        } else {
          put(u"[Def=0]", u"ByVal", Bracket(w(2)), u"[Variant]");
          e.RefIO = u"I";
        }
        break;
      case 4:
        if (w(0) == u"Optional" && w(2) == u"As") {
          put(u"[Def=0]", u"ByRef", Bracket(w(1)), Bracket(w(3)));
          e.RefIO = CheckRef(w(1));
        } else if (w(0) == u"Optional") {
          put(DefaultNote(w(3)), u"ByRef", Bracket(w(1)), u"[Variant]");
          e.RefIO = CheckRef(w(1));
        } else if (w(0) == u"ByRef") {
          put(u"", u"ByRef", w(1), w(3));
          e.RefIO = CheckRef(w(1));
        } else {
          put(u"", u"ByVal", w(1), w(3));
          e.RefIO = u"I";
        }
        break;
      case 5:
        if (w(1) == u"ByRef" && w(3) == u"As") {
          put(u"[Def=0]", u"ByRef", Bracket(w(2)), Bracket(w(4)));
          e.RefIO = CheckRef(w(2));
        } else if (w(1) == u"ByRef") {
          put(DefaultNote(w(4)), u"ByRef", Bracket(w(2)), u"[Variant]");
          e.RefIO = CheckRef(w(2));
        } else if (w(3) == u"As") {
          put(u"[Def=0]", u"ByVal", Bracket(w(2)), Bracket(w(4)));
          e.RefIO = u"I";
        } else {
          put(DefaultNote(w(4)), u"ByVal", Bracket(w(2)), u"[Variant]");
          e.RefIO = u"I";
        }
        break;
      case 6:
        put(DefaultNote(w(5)), u"ByRef", Bracket(w(1)), Bracket(w(3)));
        e.RefIO = CheckRef(w(1));
        break;
      case 7:
        if (w(1) == u"ByRef") {
          put(DefaultNote(w(6)), u"ByRef", Bracket(w(2)), Bracket(w(4)));
          e.RefIO = CheckRef(w(2));
        } else {
          put(DefaultNote(w(6)), u"ByVal", Bracket(w(2)), Bracket(w(4)));
          e.RefIO = u"I";
        }
        break;
      default:
        // A default value written as an expression with spaces (= 1 + 2).
        ui_.MsgBox(u"InputParam Error 原因を探してください", Buttons::kOk, u"DEBUGMODE");
        break;
    }
  } catch (...) {
    Report(u"InputParam");
  }
}

Text ClsProcInf::CheckRef(TextView name) {
  Text result = u"I";
  try {
    // An assignment is a body row whose first word is the parameter, one of
    // its members, or (for an array) one of its elements, with an "=" on it.
    const bool is_array = EndsWith(name, u"()");
    const Text element_prefix = is_array ? Left(name, Len(name) - 1) : Text();
    const Text member_prefix = Text(name) + u".";
    for (Row r = body_def_end_row_ + 1; r <= body_end_row_ - 1; ++r) {
      const Text t = Trim(LineAt(r));
      const Text head = CountWords(t, u" ", ui_);
      const bool names_param = is_array ? StartsWith(head, element_prefix)
                                        : head == name || StartsWith(head, member_prefix);
      if (names_param && InStr(t, u"=") > 0) {
        result = u"I/O";
        break;
      }
    }
  } catch (...) {
    Report(u"CheckRef");
  }
  return result;
}

void ClsProcInf::ResetBodyPos(Row lngProcStartRow) {
  try {
    ModuleHold hold(module_);
    module_ = ActiveModule();
    ProcKind kind = kProcKindProc;
    proc_name_ = module_->ProcOfLine(lngProcStartRow, kind);
    const Row old_body_start_row = body_start_row_;
    body_start_row_ = module_->ProcBodyLine(proc_name_, kind);
    const Row shift = body_start_row_ - old_body_start_row;
    body_def_end_row_ += shift;
    inner_dec_start_row_ += shift;
    inner_dec_end_row_ += shift;
    body_end_row_ += shift;
  } catch (...) {
    ReportCaught(ui_, ReportForm::kErrorNumberWithLine, u"ClsProcInf.ResetBodyPos");
  }
}

}  // namespace qlx
