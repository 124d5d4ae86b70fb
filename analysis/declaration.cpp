#include "analysis/declaration.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "analysis/count_words.h"
#include "analysis/vba_literals.h"
#include "host/ui.h"
#include "host/vberror.h"

namespace qlx {

const DeclarationRules kRecordRules{
    u"ClsProcInf.",
    ReportForm::kErrorNumber,
    {u"Sub", u"Function", u"Property", u"Property", u"Property"},
    false,
    false,
    u"InputParam Error 原因を探してください",
    u"DEBUGMODE",
    false,
    u"I",
};

// No title of its own for the word-count box: the box shows the add-in's
// title.
const DeclarationRules kTableRules{
    u"",
    ReportForm::kError,
    {u"Sub", u"Fnc", u"PrL", u"PrS", u"PrG"},
    true,
    true,
    u"InputParam Error",
    u"",
    true,
    u"",
};

namespace {

long long Len(TextView s) { return static_cast<long long>(s.size()); }

// The word at index k; a missing word is VB's subscript error.
const Text& Word(const std::vector<Text>& words, std::size_t k) {
  if (k >= words.size()) throw VbError(vberr::kSubscript);
  return words[k];
}

Text Bracket(const Text& s) { return u"[" + s + u"]"; }
Text DefaultNote(const Text& value) { return u"[Def=" + value + u"]"; }

// VB's Replace: every non-overlapping occurrence, left to right.
void ReplaceAll(Text& s, const Text& from, const Text& to) {
  if (from.empty()) return;
  for (std::size_t at = s.find(from); at != Text::npos; at = s.find(from, at + to.size())) {
    s.replace(at, from.size(), to);
  }
}

bool IsJoinPunctuation(const Text& ch) { return ch == u"," || ch == u"."; }

}  // namespace

DeclarationParser::DeclarationParser(UiService& ui, const DeclarationRules& rules) : ui_(ui), rules_(rules) {}

Text DeclarationParser::Title(const char16_t* operation) const { return Text(rules_.title_prefix) + operation; }

Text DeclarationParser::JoinDeclaration(const LineReader& line_at, Row first, Row& last) {
  Text joined;
  Text last_char;
  for (Row r = first;; ++r) {
    last = r;
    Text piece = StripComment(Trim(line_at(r)));
    const Text statement = DeclarationStatement(piece);
    const bool continued = statement == piece && EndsWith(piece, u" _");
    piece = statement;
    if (continued) piece = Left(piece, Len(piece) - 2);
    // joined starts with a word, so LTrim below leaves this space alone.
    if (!IsJoinPunctuation(Left(piece, 1)) && !last_char.empty() && !IsJoinPunctuation(last_char)) {
      joined += u" ";
    }
    if (!continued) return LTrim(joined) + piece;
    joined += piece;
    last_char = Right(joined, 1);
  }
}

DeclarationParser::Kind DeclarationParser::TypeOfProc(TextView text, ProcKind kind) {
  Kind result;
  Guarded(ui_, rules_.report_form, Title(u"TypeOfProc"), [&] {
    std::int32_t code = 0;
    switch (kind) {
      case kProcKindLet:
        code = 2;
        break;
      case kProcKindSet:
        code = 3;
        break;
      case kProcKindGet:
        code = 4;
        break;
      default: {
        const Text s = StripComment(text);
        // The last window tested ends two characters before the end of s.
        for (long long i = 1; i <= Len(s) - 10; ++i) {
          if (Mid(s, i, 9) != u"Function ") continue;
          // "myFunction " is a name, not the keyword.
          if (i == 1 || Mid(s, i - 1, 1) == u" ") code = 1;
          break;
        }
        break;
      }
    }
    result = {rules_.kind_texts[code], code};
  });
  return result;
}

bool DeclarationParser::IsInnerDec(TextView line) {
  // Read in place: it is asked of every row of every procedure, and
  // nothing here can fail.
  const std::size_t start = std::min(line.find_first_not_of(u' '), line.size());
  const TextView s = line.substr(start);
  if (s.size() < 5) return false;
  return s.starts_with(u"Static ") || s.starts_with(u"Const ") || s.starts_with(u"Dim ");
}

Text DeclarationParser::StripComment(TextView line) {
  Text result;
  Guarded(ui_, rules_.report_form, Title(u"StripComment"), [&] {
    // An apostrophe inside a string literal ("it's") does not start a comment.
    const long long apostrophe = InStrOutsideQuotes(line, u'\'');
    result = apostrophe > 0 ? Trim(Left(line, apostrophe - 1)) : Text(line);
  });
  return result;
}

Text DeclarationParser::GetRetType(TextView declaration) {
  Text result;
  Guarded(ui_, rules_.report_form, Title(u"GetRetType"), [&] {
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
  });
  return result;
}

DeclarationParser::ParamList DeclarationParser::GetParamList(TextView declaration) {
  ParamList result;
  Guarded(ui_, rules_.report_form, Title(u"GetParamList"), [&] {
    const TextView d = declaration;
    const long long open = InStr(d, u"(");
    if (Mid(d, open + 1, 1) == u")") {
      result.items = {u"Void"};
      if (rules_.lists_end_with_empty) result.items.emplace_back();
      return;
    }
    // The list ends at the ")" before " As" when a return type follows (an
    // array return type ends in "()" too), else at the final ")".
    long long end = Len(d);
    if (!EndsWith(d, u")") || EndsWith(d, u"()")) end = InStrRev(d, u") As");
    const Text list = Mid(d, open + 1, end - open - 1);
    // A comma inside a quoted default value ("a,b") does not end a parameter.
    std::vector<Text> pieces = SplitOutsideQuotes(list, u',');
    if (pieces.size() > static_cast<std::size_t>(INT16_MAX)) throw VbError(vberr::kOverflow);
    for (Text& piece : pieces) piece = rules_.keep_trailing_spaces ? LTrim(piece) : Trim(piece);
    result.count = static_cast<Short>(pieces.size());
    if (rules_.lists_end_with_empty) pieces.emplace_back();
    result.items = std::move(pieces);
  });
  return result;
}

std::vector<Text> DeclarationParser::GetWordList(TextView param) {
  std::vector<Text> words;
  Guarded(ui_, rules_.report_form, Title(u"GetWordList"), [&] {
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
      if (rules_.lists_end_with_empty) words.emplace_back();
      return;
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
    if (rules_.lists_end_with_empty) words.emplace_back();
  });
  return words;
}

void DeclarationParser::InputParam(const std::vector<Text>& words, ParamInf* entry, const RefTest& check_ref) {
  Guarded(ui_, rules_.report_form, Title(u"InputParam"), [&] {
    if (entry == nullptr || words.empty()) throw VbError(vberr::kSubscript);
    ParamInf& e = *entry;
    const std::size_t word_count = words.size() - (rules_.lists_end_with_empty ? 1 : 0);
    auto w = [&words](std::size_t k) -> const Text& { return Word(words, k); };
    auto put = [&e](Text key1, Text key2, Text name, Text type) {
      e.KeyWord1 = std::move(key1);
      e.KeyWord2 = std::move(key2);
      e.VarName = std::move(name);
      e.VarType = std::move(type);
    };

    if (w(0) == u"ParamArray") {
      put(u"ParamArray", u"Void", w(1), u"Variant");
      e.RefIO = u"SPC";
      return;
    }
    // Only the listed words are tested: for 2 and 4 words any first word but
    // "ByRef" and "Optional" counts as ByVal, and "As" or "=" is assumed
    // wherever it is not tested.
    switch (word_count) {
      case 1:
        if (w(0) == u"Void") {
          put(u"", u"", u"Void", u"N/A");
          e.RefIO = u"N/A";
        } else {
          put(u"", u"ByRef", w(0), u"Variant");
          e.RefIO = check_ref(w(0));
        }
        break;
      case 2:
        if (w(0) == u"Optional") {
          put(u"[Def=0]", u"ByRef", Bracket(w(1)), u"[Variant]");
          e.RefIO = check_ref(w(1));
        } else if (w(0) == u"ByRef") {
          put(u"", u"ByRef", w(1), u"Variant");
          e.RefIO = check_ref(w(1));
        } else {
          put(u"", u"ByVal", w(1), u"Variant");
          e.RefIO = u"I";
        }
        break;
      case 3:
        if (w(0) != u"Optional") {
          put(u"", u"ByRef", w(0), w(2));
          e.RefIO = check_ref(w(0));
        } else if (w(1) == u"ByRef") {
          put(u"[Def=0]", u"ByRef", Bracket(w(2)), u"[Variant]");
          e.RefIO = check_ref(w(2));
        } else {
          put(u"[Def=0]", u"ByVal", Bracket(w(2)), u"[Variant]");
          e.RefIO = u"I";
        }
        break;
      case 4:
        if (w(0) == u"Optional" && w(2) == u"As") {
          put(u"[Def=0]", u"ByRef", Bracket(w(1)), Bracket(w(3)));
          e.RefIO = check_ref(w(1));
        } else if (w(0) == u"Optional") {
          put(DefaultNote(w(3)), u"ByRef", Bracket(w(1)), u"[Variant]");
          e.RefIO = check_ref(w(1));
        } else if (w(0) == u"ByRef") {
          put(u"", u"ByRef", w(1), w(3));
          e.RefIO = check_ref(w(1));
        } else {
          put(u"", u"ByVal", w(1), w(3));
          e.RefIO = u"I";
        }
        break;
      case 5:
        if (w(1) == u"ByRef" && w(3) == u"As") {
          put(u"[Def=0]", u"ByRef", Bracket(w(2)), Bracket(w(4)));
          e.RefIO = check_ref(w(2));
        } else if (w(1) == u"ByRef") {
          put(DefaultNote(w(4)), u"ByRef", Bracket(w(2)), u"[Variant]");
          e.RefIO = check_ref(w(2));
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
        e.RefIO = check_ref(w(1));
        break;
      case 7:
        if (w(1) == u"ByRef") {
          put(DefaultNote(w(6)), u"ByRef", Bracket(w(2)), Bracket(w(4)));
          e.RefIO = check_ref(w(2));
        } else {
          put(DefaultNote(w(6)), u"ByVal", Bracket(w(2)), Bracket(w(4)));
          e.RefIO = u"I";
        }
        break;
      default:
        // A default value written as an expression with spaces (= 1 + 2).
        ui_.MsgBox(rules_.too_many_words_text, Buttons::kOk, rules_.too_many_words_title);
        break;
    }
  });
}

Text DeclarationParser::CheckRef(TextView name, Row first, Row last,
                                 const LineReader& trimmed_line) {
  Text result = rules_.ref_when_failed;
  Guarded(ui_, rules_.report_form, Title(u"CheckRef"), [&] {
    const bool is_array = EndsWith(name, u"()");
    // For `arr()`: "arr(", which begins each of its elements.
    const Text element_prefix = is_array ? Left(name, Len(name) - 1) : Text();
    // Every assignment below begins with this: a row that does not is passed
    // over at once (it is asked of every body row for every parameter). Not
    // when it holds a wildcard of Like (a type character such as x#).
    const TextView lead = is_array ? TextView(element_prefix) : name;
    const bool literal_lead = lead.find_first_of(u"*?#[") == TextView::npos;
    const auto cannot_assign = [&](TextView t) { return literal_lead && !t.starts_with(lead); };
    if (rules_.ref_needs_name_space_equals) {
      // Only a line that begins with the name, a space and "=" assigns
      // (`b = 0`; for `arr()`, `arr(i) = 0`); `b=0`, `b.Value = 0` and
      // `Set b = x` do not.
      const Text pattern = Text(name) + u" =";
      const Text head_pattern = element_prefix + u"*";
      const Text element_pattern = element_prefix + u"*) =";
      for (Row r = first; r <= last; ++r) {
        const Text t = trimmed_line(r);
        if (cannot_assign(t)) continue;
        bool hit = false;
        if (is_array) {
          const Text head = CountWords(t, u" ", ui_);
          hit = Like(head, head_pattern) && Like(Left(t, Len(head) + 2), element_pattern);
        } else {
          hit = Like(TextView(t).substr(0, name.size() + 2), pattern);
        }
        if (hit) {
          result = Text(u"I/O");
          return;
        }
      }
    } else {
      // An assignment is a body row whose first word is the parameter, one
      // of its members, or (for an array) one of its elements, with an "="
      // on it.
      const Text member_prefix = Text(name) + u".";
      for (Row r = first; r <= last; ++r) {
        const Text t = trimmed_line(r);
        if (cannot_assign(t)) continue;
        const Text head = CountWords(t, u" ", ui_);
        const bool names_param =
            is_array ? StartsWith(head, element_prefix) : head == name || StartsWith(head, member_prefix);
        if (names_param && InStr(t, u"=") > 0) {
          result = Text(u"I/O");
          return;
        }
      }
    }
    // Moved in whole: assigning the literal made MinGW's 32-bit GCC 12 report
    // a false overlap (-Wrestrict).
    result = Text(u"I");
  });
  return result;
}

}  // namespace qlx
