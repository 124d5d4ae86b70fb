// ModGetProcsData: the module-wide procedure scan and its own copies of the
// declaration parsers, working on the table instead of a procedure record.
#include "analysis/mod_get_procs_data.h"

#include <algorithm>
#include <utility>

#include "analysis/count_words.h"
#include "analysis/vba_literals.h"
#include "host/report.h"
#include "host/ui.h"
#include "host/vberror.h"

namespace qlx {

namespace {

constexpr int kMaxKindRestarts = 3;  // error-35 restarts for one row
constexpr long long kShortMax = 32767;

// Element i of a VB-style array: out of range raises error 9.
template <typename Container>
auto& At(Container& items, long long i) {
  if (i < 0 || i >= static_cast<long long>(items.size())) throw VbError(vberr::kSubscript);
  return items[static_cast<std::size_t>(i)];
}

// VB's Replace: every non-overlapping occurrence, left to right.
Text Replace(TextView s, TextView find, TextView with) {
  Text out;
  std::size_t from = 0;
  for (;;) {
    const std::size_t at = s.find(find, from);
    if (at == TextView::npos || find.empty()) break;
    out.append(s.substr(from, at - from));
    out.append(with);
    from = at + find.size();
  }
  out.append(s.substr(from));
  return out;
}

Text Bracket(const Text& x) { return u"[" + x + u"]"; }
Text Default(const Text& x) { return u"[Def=" + x + u"]"; }

}  // namespace

// Marks a scan as running: CheckRef then reads from the scanned module and
// keeps the body rows of the procedure being parsed.
class ModGetProcsData::ScanScope {
 public:
  ScanScope(ModGetProcsData& owner, std::shared_ptr<CodeModule> module) : owner_(owner) {
    owner_.scan_module_ = std::move(module);
    owner_.body_cache_.reset();
  }
  ScanScope(const ScanScope&) = delete;
  ScanScope& operator=(const ScanScope&) = delete;
  ~ScanScope() {
    owner_.scan_module_.reset();
    owner_.body_cache_.reset();
  }

 private:
  ModGetProcsData& owner_;
};

ModGetProcsData::ModGetProcsData(UiService& ui)
    : ui_(ui), table_(std::make_unique<std::array<ProcData, kProcTableSize>>()) {}

ModGetProcsData::~ModGetProcsData() = default;

void ModGetProcsData::SetVBInstance(std::shared_ptr<VBE> vbe) { vbe_ = std::move(vbe); }

std::vector<ProcData> ModGetProcsData::GetProcsDataH(Short& count) {
  return Scan(false, count, u"GetProcsDataH");
}

std::vector<ProcData> ModGetProcsData::GetProcsData(Short& count) {
  return Scan(true, count, u"GetProcsData");
}

std::shared_ptr<CodeModule> ModGetProcsData::ActiveModule() { return ActiveCodeModule(vbe_.get()); }

// The host's spans follow each other without gaps, so adding a procedure's
// TotalRowsCount to the row where it was met lands on the next procedure.
std::vector<ProcData> ModGetProcsData::Scan(bool full, Short& count, const Text& title) {
  try {
    std::shared_ptr<CodeModule> module = ActiveModule();
    ScanScope scope(*this, module);
    const Row line_count = module->CountOfLines();
    Row row = 1;
    int n = 0;
    bool met = false;
    while (row <= line_count) {
      ProcKind kind = kProcKindProc;
      Text name;
      Row total = 0;
      Row body = 0;
      Row def_end = 0;
      Text declaration;
      int restarts = 0;
      // Error 35 means "no procedure of that name and kind": ask again with
      // the next kind, at most three times for one row.
      for (;;) {
        try {
          name = module->ProcOfLine(row, kind);
          // Leading declaration rows; the test stops short of the last row,
          // so a procedure that starts on it is not found.
          while (!met) {
            if (!name.empty()) {
              met = true;
              break;
            }
            ++row;
            if (row >= line_count) {
              count = 0;
              return {};
            }
            restarts = 0;
            kind = kProcKindProc;
            name = module->ProcOfLine(row, kind);
          }
          total = module->ProcCountLines(name, kind);
          body = module->ProcBodyLine(name, kind);
          declaration = AssembleDeclaration(*module, body, def_end);
          break;
        } catch (const VbError& e) {
          if (e.Number() != vberr::kSubNotDefined || kind > kProcKindSet ||
              restarts >= kMaxKindRestarts) {
            throw;
          }
          ++kind;
          ++restarts;
        }
      }

      std::int32_t proc_type = 0;
      const Text knd = TypeOfProc(declaration, kind, proc_type);
      Short param_count = 0;
      std::vector<Text> params;
      Text ret_type;
      if (full) {
        ret_type = GetRetType(declaration);
        params = GetParamList(declaration, param_count);
        if (param_count > kMaxProcParams) {
          count = -2;
          return {};
        }
      }

      ProcData& entry = At(*table_, n);
      entry.ProcName = name;
      entry.ProcStartRow = row;
      entry.BodyStartRow = body;
      entry.BodyDefEndRow = def_end;
      entry.TotalRowsCount = total;
      entry.ProcType = proc_type;
      entry.ProcKnd = knd;
      if (full) {
        entry.ParamCount = param_count;
        entry.RetType = ret_type;
        // At least once: a procedure without parameters gets the "Void" entry.
        for (int i = 0; i == 0 || i < param_count; ++i) {
          InputParam(GetWordList(At(params, i)), n, i);
        }
      }

      row += total;
      ++n;
      if (n > kMaxProcs) {
        count = -1;
        return {};
      }
    }
    count = static_cast<Short>(n);
    if (n == 0) return {};
    // Callers read entries 0..count-1 only; copying the other entries of
    // 31 parameters each made a small module's scan several times dearer.
    return std::vector<ProcData>(table_->begin(), table_->begin() + n);
  } catch (...) {
    ReportCaught(ui_, ReportForm::kError, title);
    return {};
  }
}

// Joins the declaration from body_row down: each row trimmed and without its
// comment; a row ending in " _" goes on. Pieces are joined with one space,
// none after a piece ending in "," or "." nor before one starting with them.
Text ModGetProcsData::AssembleDeclaration(CodeModule& module, Row body_row, Row& def_end_row) {
  Text joined;
  Text last;
  for (Row r = body_row;; ++r) {
    def_end_row = r;
    Text piece = StripComment(Trim(module.Lines(r, 1)));
    const bool continued = Right(piece, 2) == u" _";
    if (continued) piece = Left(piece, static_cast<long long>(piece.size()) - 2);
    const Text first = Left(piece, 1);
    if (first != u"," && first != u"." && !last.empty() && last != u"," && last != u".") {
      piece.insert(0, u" ");
    }
    if (!continued) return LTrim(joined) + piece;
    joined += piece;
    last = Right(joined, 1);
  }
}

Text ModGetProcsData::TypeOfProc(TextView declaration, ProcKind kind, std::int32_t& proc_type) {
  Text result;
  try {
    switch (kind) {
      case kProcKindLet:
        proc_type = 2;
        return result = u"PrL";
      case kProcKindSet:
        proc_type = 3;
        return result = u"PrS";
      case kProcKindGet:
        proc_type = 4;
        return result = u"PrG";
      default:
        break;
    }
    const Text s = StripComment(declaration);
    // The last window tested ends two characters before the end of s.
    const long long last_start = static_cast<long long>(s.size()) - 10;
    for (long long i = 1; i <= last_start; ++i) {
      if (Mid(s, i, 9) != u"Function ") continue;
      // "myFunction " is a name, not the keyword.
      const bool keyword = i == 1 || Mid(s, i - 1, 1) == u" ";
      proc_type = keyword ? 1 : 0;
      return result = keyword ? u"Fnc" : u"Sub";
    }
    proc_type = 0;
    result = u"Sub";
  } catch (...) {
    ReportCaught(ui_, ReportForm::kError, u"TypeOfProc");
  }
  return result;
}

Text ModGetProcsData::StripComment(TextView text) {
  Text result;
  try {
    // An apostrophe inside a quoted default value ("it's") is no comment.
    const long long at = InStrOutsideQuotes(text, u'\'');
    result = at > 0 ? Trim(Left(text, at - 1)) : Text(text);
  } catch (...) {
    ReportCaught(ui_, ReportForm::kError, u"StripComment");
  }
  return result;
}

Text ModGetProcsData::GetRetType(TextView declaration) {
  Text result;
  try {
    const long long close = InStrRev(declaration, u")");
    if (close == static_cast<long long>(declaration.size())) {
      if (close == InStr(declaration, u"(") + 1) {
        result = u"N/A";
      } else if (EndsWith(declaration, u"()")) {
        result = Mid(declaration, InStrRev(declaration, u") As") + 5);
      } else {
        result = u"N/A";
      }
    } else {
      result = Mid(declaration, InStrRev(declaration, u") As") + 5);
    }
  } catch (...) {
    ReportCaught(ui_, ReportForm::kError, u"GetRetType");
  }
  return result;
}

std::vector<Text> ModGetProcsData::GetParamList(TextView declaration, Short& count) {
  std::vector<Text> list;
  try {
    const long long open = InStr(declaration, u"(");
    if (Mid(declaration, open + 1, 1) == u")") {
      count = 0;
      list = {u"Void", Text()};
      return list;
    }
    // Where the list ends: before ") As" when a return type follows.
    long long end = static_cast<long long>(declaration.size());
    if (!EndsWith(declaration, u")") || EndsWith(declaration, u"()")) {
      end = InStrRev(declaration, u") As");
    }
    const Text inner = Mid(declaration, open + 1, end - open - 1);
    // A comma inside a quoted default value (", ") separates nothing.
    std::vector<Text> pieces = SplitOutsideQuotes(inner, u',');
    if (static_cast<long long>(pieces.size()) > kShortMax) throw VbError(vberr::kOverflow);
    std::vector<Text> out;
    out.reserve(pieces.size() + 1);
    for (const Text& piece : pieces) out.push_back(LTrim(piece));
    out.emplace_back();
    count = static_cast<Short>(pieces.size());
    list = std::move(out);
  } catch (...) {
    ReportCaught(ui_, ReportForm::kError, u"GetParamList");
  }
  return list;
}

// A quoted part is masked with "@" while the words are cut at spaces and put
// back just before the last word is taken, so `= "a b"` stays one word when
// it ends the text.
std::vector<Text> ModGetProcsData::GetWordList(TextView parameter) {
  std::vector<Text> words;
  try {
    Text t(parameter);
    Text span;
    Text mask;
    const long long first_quote = InStr(t, u"\"");
    const bool masked = first_quote > 0;
    if (masked) {
      span = Mid(t, first_quote, InStrRev(t, u"\"") - first_quote + 1);
      mask.assign(span.size(), u'@');
      t = Replace(t, span, mask);
    }
    const long long spaces = std::count(t.begin(), t.end(), u' ');
    if (spaces == 0) {
      words = {Text(parameter), Text()};
      return words;
    }
    t += u' ';
    std::vector<Text> out;
    out.reserve(static_cast<std::size_t>(spaces) + 2);
    long long pos = 1;
    for (long long k = 0; k < spaces; ++k) {
      const long long at = InStr(pos, t, u" ");
      out.push_back(Mid(t, pos, at - pos));
      pos = at + 1;
    }
    if (masked) t = Replace(t, mask, span);
    out.push_back(Mid(t, pos, static_cast<long long>(t.size()) - pos));
    out.emplace_back();
    words = std::move(out);
  } catch (...) {
    ReportCaught(ui_, ReportForm::kError, u"GetWordList");
  }
  return words;
}

void ModGetProcsData::InputParam(const std::vector<Text>& words, int table_index,
                                 int param_index) {
  try {
    if (words.empty()) throw VbError(vberr::kSubscript);
    ParamInf& entry = At(At(*table_, table_index).Params, param_index);
    const auto w = [&words](long long i) -> const Text& { return At(words, i); };
    const auto ref = [&](const Text& name) { return CheckRef(table_index, name); };
    const long long n = static_cast<long long>(words.size()) - 1;

    if (w(0) == u"ParamArray") {
      entry = {u"ParamArray", u"Void", w(1), u"Variant", u"SPC"};
      return;
    }
    switch (n) {
      case 1:
        if (w(0) == u"Void") {
          entry = {u"", u"", u"Void", u"N/A", u"N/A"};
        } else {
          entry = {u"", u"ByRef", w(0), u"Variant", ref(w(0))};
        }
        break;
      case 2:
        if (w(0) == u"Optional") {
          entry = {u"[Def=0]", u"ByRef", Bracket(w(1)), u"[Variant]", ref(w(1))};
        } else if (w(0) == u"ByRef") {
          entry = {u"", u"ByRef", w(1), u"Variant", ref(w(1))};
        } else {
          entry = {u"", u"ByVal", w(1), u"Variant", u"I"};
        }
        break;
      case 3:
        if (w(0) != u"Optional") {
          entry = {u"", u"ByRef", w(0), w(2), ref(w(0))};
        } else if (w(1) == u"ByRef") {
          entry = {u"[Def=0]", u"ByRef", Bracket(w(2)), u"[Variant]", ref(w(2))};
        } else {
          entry = {u"[Def=0]", u"ByVal", Bracket(w(2)), u"[Variant]", u"I"};
        }
        break;
      case 4:
        if (w(0) == u"Optional" && w(2) == u"As") {
          entry = {u"[Def=0]", u"ByRef", Bracket(w(1)), Bracket(w(3)), ref(w(1))};
        } else if (w(0) == u"Optional") {
          entry = {Default(w(3)), u"ByRef", Bracket(w(1)), u"[Variant]", ref(w(1))};
        } else if (w(0) == u"ByRef") {
          entry = {u"", u"ByRef", w(1), w(3), ref(w(1))};
        } else {
          entry = {u"", u"ByVal", w(1), w(3), u"I"};
        }
        break;
      case 5:
        if (w(1) == u"ByRef" && w(3) == u"As") {
          entry = {u"[Def=0]", u"ByRef", Bracket(w(2)), Bracket(w(4)), ref(w(2))};
        } else if (w(1) == u"ByRef") {
          entry = {Default(w(4)), u"ByRef", Bracket(w(2)), u"[Variant]", ref(w(2))};
        } else if (w(3) == u"As") {
          entry = {u"[Def=0]", u"ByVal", Bracket(w(2)), Bracket(w(4)), u"I"};
        } else {
          entry = {Default(w(4)), u"ByVal", Bracket(w(2)), u"[Variant]", u"I"};
        }
        break;
      case 6:
        entry = {Default(w(5)), u"ByRef", Bracket(w(1)), Bracket(w(3)), ref(w(1))};
        break;
      case 7:
        if (w(1) == u"ByRef") {
          entry = {Default(w(6)), u"ByRef", Bracket(w(2)), Bracket(w(4)), ref(w(2))};
        } else {
          entry = {Default(w(6)), u"ByVal", Bracket(w(2)), Bracket(w(4)), u"I"};
        }
        break;
      default:
        // No title of its own: a view shows the application's title.
        ui_.MsgBox(u"InputParam Error", Buttons::kOk, Text());
        break;
    }
  } catch (...) {
    ReportCaught(ui_, ReportForm::kError, u"InputParam");
  }
}

std::vector<ModGetProcsData::BodyRow>& ModGetProcsData::BodyRows(Row first, Row last) {
  if (scan_module_ && body_cache_ && body_cache_->first == first && body_cache_->last == last) {
    return body_cache_->rows;
  }
  std::shared_ptr<CodeModule> module = scan_module_ ? scan_module_ : ActiveModule();
  BodyCache cache;
  cache.first = first;
  cache.last = last;
  for (Row r = first; r <= last; ++r) cache.rows.push_back({Trim(module->Lines(r, 1)), {}});
  body_cache_ = std::move(cache);
  return body_cache_->rows;
}

// The body rows exclude the declaration and the span's last row. Only a line
// that begins with the name, a space and "=" assigns (`b = 0`); `b=0`,
// `b.Value = 0` and `Set b = x` do not.
Text ModGetProcsData::CheckRef(int table_index, TextView name) {
  Text result;
  try {
    const ProcData& proc = At(*table_, table_index);
    std::vector<BodyRow>& rows =
        BodyRows(proc.BodyDefEndRow + 1, proc.ProcStartRow + proc.TotalRowsCount - 2);
    if (EndsWith(name, u"()")) {
      // `arr()` is assigned by `arr(i) = ...`: the first word starts with
      // "arr(" and the line goes on with ") =" right after it.
      const Text stem = Left(name, static_cast<long long>(name.size()) - 1);
      const Text head_pattern = stem + u"*";
      const Text line_pattern = stem + u"*) =";
      for (BodyRow& row : rows) {
        if (!row.head) row.head = CountWords(row.line, u" ");
        if (Like(*row.head, head_pattern) &&
            Like(Left(row.line, static_cast<long long>(row.head->size()) + 2), line_pattern)) {
          return result = u"I/O";
        }
      }
    } else {
      const Text pattern = Text(name) + u" =";
      const long long width = static_cast<long long>(name.size()) + 2;
      for (const BodyRow& row : rows) {
        if (Like(Left(row.line, width), pattern)) return result = u"I/O";
      }
    }
    result = u"I";
  } catch (...) {
    ReportCaught(ui_, ReportForm::kError, u"CheckRef");
  }
  return result;
}

Text ModGetProcsData::CountWords(TextView text, TextView pattern) {
  return qlx::CountWords(text, pattern, ui_);
}

}  // namespace qlx
