// Statement rendering for the in-memory editor: a small VBA tokenizer over
// one physical line and the spacing rules the editor shows its code with.
#include "host/memory/statement_render.h"

#include <unordered_map>
#include <vector>

#include "host/memory/statements.h"

namespace qlx::memory {
namespace {

// ---------------------------------------------------------------------------
// Choices nobody has checked against a real editor yet. Every rule of the
// rendering that is a guess lives here, so it can be changed in one place.
namespace guess {

// How a canonical word behaves next to its neighbours. A keyword is a word
// of statement or operator syntax: a "-" after it is a sign ("Step -1") and
// "(" after it always gets a space ("If (a) Then"). Every other word (types,
// True/Nothing/Me, the library's functions, objects, members and constants)
// behaves like a name of the user's.
enum class WordClass { kKeyword, kName };

struct CanonicalWord {
  TextView text;
  WordClass word_class;
};

constexpr WordClass K = WordClass::kKeyword;
constexpr WordClass N = WordClass::kName;

// The words shown in canonical case: the reserved words; the statement words
// a user rarely takes for a name (Alias, Lib, Explicit ...); the types;
// the values; and the library names the inserted code uses or that are in
// common use. Short words a user often declares for their own (Day, Time,
// Val, Text, Name, Line, Number-like date parts ...) are left as written:
// the real editor would give them the case of the user's declaration, which
// this editor does not track.
constexpr CanonicalWord kWords[] = {
    // Reserved words of statements and operators.
    {u"AddressOf", K}, {u"And", K}, {u"As", K}, {u"ByRef", K}, {u"ByVal", K}, {u"Call", K},
    {u"Case", K}, {u"Const", K}, {u"Declare", K}, {u"Dim", K}, {u"Do", K}, {u"Each", K},
    {u"Else", K}, {u"ElseIf", K}, {u"End", K}, {u"Enum", K}, {u"Eqv", K}, {u"Erase", K},
    {u"Event", K}, {u"Exit", K}, {u"For", K}, {u"Friend", K}, {u"Function", K}, {u"Get", K},
    {u"Global", K}, {u"GoSub", K}, {u"GoTo", K}, {u"If", K}, {u"Imp", K}, {u"Implements", K},
    {u"In", K}, {u"Is", K}, {u"Let", K}, {u"Like", K}, {u"Loop", K}, {u"LSet", K}, {u"Mod", K},
    {u"New", K}, {u"Next", K}, {u"Not", K}, {u"On", K}, {u"Open", K}, {u"Option", K},
    {u"Optional", K}, {u"Or", K}, {u"ParamArray", K}, {u"Preserve", K}, {u"Private", K},
    {u"Property", K}, {u"PtrSafe", K}, {u"Public", K}, {u"RaiseEvent", K}, {u"ReDim", K},
    {u"Resume", K}, {u"Return", K}, {u"RSet", K}, {u"Select", K}, {u"Set", K}, {u"Static", K},
    {u"Step", K}, {u"Stop", K}, {u"Sub", K}, {u"Then", K}, {u"To", K}, {u"Type", K},
    {u"TypeOf", K}, {u"Until", K}, {u"Wend", K}, {u"While", K}, {u"With", K},
    {u"WithEvents", K}, {u"Xor", K}, {u"Close", K},
    // Statement words that are seldom a user's name.
    {u"Alias", K}, {u"Lib", K}, {u"Explicit", K}, {u"Compare", K}, {u"Base", K},
    {u"Binary", K}, {u"Append", K}, {u"Output", K}, {u"Random", K},
    // Types.
    {u"Any", N}, {u"Boolean", N}, {u"Byte", N}, {u"Currency", N}, {u"Date", N}, {u"Decimal", N},
    {u"Double", N}, {u"Integer", N}, {u"Long", N}, {u"LongLong", N}, {u"LongPtr", N},
    {u"Object", N}, {u"Single", N}, {u"String", N}, {u"Variant", N}, {u"Collection", N},
    // Values.
    {u"True", N}, {u"False", N}, {u"Nothing", N}, {u"Empty", N}, {u"Null", N}, {u"Me", N},
    // Objects and their members.
    {u"Debug", N}, {u"Print", N}, {u"Assert", N}, {u"Err", N}, {u"Error", N}, {u"Number", N},
    {u"Description", N}, {u"Raise", N}, {u"HelpFile", N}, {u"HelpContext", N},
    {u"LastDllError", N}, {u"VBA", N},
    // Functions and statements of the library.
    {u"MsgBox", N}, {u"InputBox", N}, {u"LBound", N}, {u"UBound", N}, {u"Len", N},
    {u"LenB", N}, {u"Left", N}, {u"LeftB", N}, {u"Right", N}, {u"RightB", N}, {u"Mid", N},
    {u"MidB", N}, {u"Trim", N}, {u"LTrim", N}, {u"RTrim", N}, {u"UCase", N}, {u"LCase", N},
    {u"InStr", N}, {u"InStrRev", N}, {u"StrComp", N}, {u"StrConv", N}, {u"StrReverse", N},
    {u"Chr", N}, {u"ChrW", N}, {u"Asc", N}, {u"AscW", N}, {u"Space", N}, {u"CBool", N},
    {u"CByte", N}, {u"CCur", N}, {u"CDate", N}, {u"CDbl", N}, {u"CDec", N}, {u"CInt", N},
    {u"CLng", N}, {u"CLngLng", N}, {u"CLngPtr", N}, {u"CSng", N}, {u"CStr", N}, {u"CVar", N},
    {u"CVErr", N}, {u"IsArray", N}, {u"IsDate", N}, {u"IsEmpty", N}, {u"IsError", N},
    {u"IsMissing", N}, {u"IsNull", N}, {u"IsNumeric", N}, {u"IsObject", N}, {u"TypeName", N},
    {u"VarType", N}, {u"IIf", N}, {u"DateAdd", N}, {u"DateDiff", N}, {u"DatePart", N},
    {u"DateSerial", N}, {u"DateValue", N}, {u"TimeSerial", N}, {u"TimeValue", N},
    {u"DoEvents", N}, {u"CreateObject", N}, {u"GetObject", N}, {u"CallByName", N},
    {u"FreeFile", N}, {u"Environ", N}, {u"Randomize", N},
    // Constants.
    {u"vbCrLf", N}, {u"vbCr", N}, {u"vbLf", N}, {u"vbNewLine", N}, {u"vbTab", N},
    {u"vbNullString", N}, {u"vbNullChar", N}, {u"vbOKOnly", N}, {u"vbOKCancel", N},
    {u"vbYesNo", N}, {u"vbYesNoCancel", N}, {u"vbYes", N}, {u"vbNo", N}, {u"vbCancel", N},
    {u"vbCritical", N}, {u"vbQuestion", N}, {u"vbExclamation", N}, {u"vbInformation", N},
    {u"vbObjectError", N}, {u"vbBinaryCompare", N}, {u"vbTextCompare", N},
};

// "Rem" starts a comment at the start of a statement only (after a colon too).

// A "-" or "+" is a sign, glued to what follows, at the start of a
// statement or of a continued line and after an operator, "(", ",", ";",
// ":=", "#" or a keyword. After the dotted name a statement starts with
// (a call: "Debug.Print -1", "Foo -x") it is a sign when written with a
// space before it and none after; everywhere else it is the binary operator.
bool SignAfterCallHead(bool space_before, bool space_after) { return space_before && !space_after; }

// A "#" opens a date literal ("#1/2/2003#", "#12:30:00 PM#") when the text
// up to the next "#" holds only digits, spaces, "/", "-", ":", "." and the
// words AM, PM, A, P or an English month name, and at least one digit,
// and neither starts nor ends with a space (a form with a comma, "#Jan 2,
// 2003#", is not taken for one: "Print #1, x#" must not be, nor "#1 #2").
// The literal is kept as written. Any other "#" is glued to
// what follows: a file number ("#1") or a directive ("#If").
bool IsDateLiteralBody(TextView body) {
  static constexpr TextView kDateWords[] = {
      u"am", u"pm", u"a", u"p", u"jan", u"feb", u"mar", u"apr", u"may", u"jun", u"jul", u"aug",
      u"sep", u"oct", u"nov", u"dec", u"january", u"february", u"march", u"april", u"june",
      u"july", u"august", u"september", u"october", u"november", u"december"};
  if (body.empty() || body.front() == u' ' || body.back() == u' ') return false;
  bool digit = false;
  std::size_t i = 0;
  while (i < body.size()) {
    char16_t c = body[i];
    if (c >= u'0' && c <= u'9') {
      digit = true;
      ++i;
    } else if (c == u' ' || c == u'/' || c == u'-' || c == u':' || c == u'.') {
      ++i;
    } else if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')) {
      Text word;
      while (i < body.size() && ((body[i] >= u'a' && body[i] <= u'z') ||
                                 (body[i] >= u'A' && body[i] <= u'Z'))) {
        word += static_cast<char16_t>(body[i] | 0x20);
        ++i;
      }
      bool known = false;
      for (TextView w : kDateWords) known = known || w == word;
      if (!known) return false;
    } else {
      return false;
    }
  }
  return digit;
}

// Type suffixes: "%", "!", "#", "@", "$" and "&" written directly after a
// name or a number ("Left$(s, 1)", "n&", "1#") belong to it, unless what
// follows makes the character something else: a "!" before a name is the
// bang of "rs!Field", a "#" before a digit a file number, a "&" before a
// name, a digit, a string or another "&" the concatenation.
bool IsTypeSuffix(char16_t c, char16_t next, bool next_is_name_char) {
  switch (c) {
    case u'$':
    case u'%':
    case u'@':
      return !next_is_name_char;
    case u'!':
      return !next_is_name_char && next != u'[';
    case u'#':
      return !next_is_name_char && !(next >= u'0' && next <= u'9');
    case u'&':
      return !next_is_name_char && !(next >= u'0' && next <= u'9') && next != u'"' && next != u'&';
    default:
      return false;
  }
}

// Hex and octal literals are shown with "&H"/"&O" and their digits in upper
// case; other numbers are kept as written (the editor's own forms, such as
// "1#" for "1.0", are not produced).
constexpr bool kUpperCaseHexLiterals = true;

// A trailing comment keeps its column while the code before it still ends
// left of that column, else it stands one space after the code; when the
// code before it did not change, the blanks before it are kept as written
// (tabs included). Columns count UTF-16 units, a tab as one.
Text BlanksBeforeComment(bool code_unchanged, TextView written_blanks, std::size_t code_end,
                         std::size_t comment_column) {
  if (code_unchanged && !written_blanks.empty()) return Text(written_blanks);
  return Text(comment_column > code_end ? comment_column - code_end : 1, u' ');
}

// "(" directly after the name a call statement starts with keeps whether a
// space stood before it: for the editor "MsgBox (x)" (a parenthesised
// argument) is not "MsgBox(x)". After any other name ("Sub Foo (", "f (1)")
// the space goes.
bool SpaceBeforeOpenAfterCallHead(bool written_with_space) { return written_with_space; }

// "=<" and "=>" are shown as "<=" and ">=".

}  // namespace guess

// ---------------------------------------------------------------------------
// Tokens

enum class Tok {
  kName,         // identifier, with its type suffix; canonical words included
  kKeyword,      // a canonical word of class kKeyword
  kBracketName,  // [any text]
  kString,
  kNumber,
  kDate,
  kOperator,  // binary operator
  kSign,      // unary - or +
  kColonEquals,
  kColon,
  kComma,
  kSemicolon,
  kOpen,
  kClose,
  kDot,
  kBang,
  kHash,
  kContinuation,
  kComment,  // ' or Rem to the end of the line, verbatim
  kOther,
};

struct Token {
  Tok kind = Tok::kOther;
  Text text;
  std::size_t begin = 0;  // offsets in the physical line
  std::size_t end = 0;
  bool space_before = false;
  // Part of the dotted name a statement starts with ("Debug.Print", "Foo"):
  // the procedure a call statement calls.
  bool call_head = false;
};

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

bool IsAsciiDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

bool IsHexDigit(char16_t c) {
  return IsAsciiDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

bool IsNameCharAt(TextView s, std::size_t i) {
  const CodePoint c = CodePointAt(s, i);
  return c.length != 0 && IsIdentifierChar(c.value);
}

bool IsNameStartAt(TextView s, std::size_t i) {
  return IsNameCharAt(s, i) && !IsAsciiDigit(s[i]) && s[i] != u'_';
}

std::size_t NameEnd(TextView s, std::size_t i) {
  while (i < s.size()) {
    const CodePoint c = CodePointAt(s, i);
    if (!IsIdentifierChar(c.value)) break;
    i += c.length;
  }
  return i;
}

const guess::CanonicalWord* FindCanonical(TextView word) {
  static const std::unordered_map<Text, const guess::CanonicalWord*> table = [] {
    std::unordered_map<Text, const guess::CanonicalWord*> t;
    for (const auto& w : guess::kWords) {
      Text key(w.text);
      for (auto& c : key) c = AsciiLower(c);
      t.emplace(std::move(key), &w);
    }
    return t;
  }();
  Text key;
  key.reserve(word.size());
  for (char16_t c : word) {
    if (c >= 0x80) return nullptr;
    key += AsciiLower(c);
  }
  auto found = table.find(key);
  return found == table.end() ? nullptr : found->second;
}

bool IsRemAt(TextView s, std::size_t i) {
  if (s.size() - i < 3) return false;
  for (std::size_t k = 0; k < 3; ++k) {
    if ((s[i + k] | 0x20) != u"rem"[k]) return false;
  }
  return !IsNameCharAt(s, i + 3);
}

// Offset past a type suffix at i, if one stands there.
std::size_t TakeTypeSuffix(TextView s, std::size_t i) {
  if (i >= s.size()) return i;
  if (guess::IsTypeSuffix(s[i], CharAt(s, i + 1), IsNameCharAt(s, i + 1))) return i + 1;
  return i;
}

bool IsNameLike(const Token& t) { return t.kind == Tok::kName || t.kind == Tok::kBracketName; }

class Scanner {
 public:
  Scanner(TextView s, std::size_t from, LinePlace place) : s_(s), i_(from), place_(place) {}

  std::vector<Token> Run() {
    // A continued line goes on with the statement above: no statement starts
    // here, but a sign may.
    bool statement_start = place_ == LinePlace::kStart;
    while (true) {
      bool space = false;
      while (i_ < s_.size() && IsBlank(s_[i_])) {
        ++i_;
        space = true;
      }
      if (i_ >= s_.size()) break;
      const std::size_t begin = i_;
      Token t = Next(statement_start, space);
      t.begin = begin;
      t.end = i_;
      t.space_before = space;
      if (t.text.empty()) t.text = Text(s_.substr(begin, i_ - begin));
      const Token* p = Prev();
      t.call_head = (IsNameLike(t) && (statement_start || (p != nullptr && p->kind == Tok::kDot && p->call_head))) ||
                    (t.kind == Tok::kDot && p != nullptr && IsNameLike(*p) && p->call_head);
      statement_start = t.kind == Tok::kColon;
      tokens_.push_back(std::move(t));
      if (tokens_.back().kind == Tok::kComment) break;
    }
    return std::move(tokens_);
  }

 private:
  const Token* Prev() const { return tokens_.empty() ? nullptr : &tokens_.back(); }

  bool SignGoesHere(bool space) const {
    const Token* p = Prev();
    if (p == nullptr) return true;
    switch (p->kind) {
      case Tok::kOperator:
      case Tok::kSign:
      case Tok::kOpen:
      case Tok::kComma:
      case Tok::kSemicolon:
      case Tok::kColonEquals:
      case Tok::kColon:
      case Tok::kHash:
      case Tok::kKeyword:
        return true;
      default:
        break;
    }
    if (p->call_head && IsNameLike(*p)) {
      // i_ is already past the sign.
      return guess::SignAfterCallHead(space, i_ < s_.size() && IsBlank(s_[i_]));
    }
    return false;
  }

  Token Next(bool statement_start, bool space) {
    Token t;
    const char16_t c = s_[i_];
    const char16_t next = CharAt(s_, i_ + 1);
    if (c == u'\'' || (statement_start && IsRemAt(s_, i_))) {
      t.kind = Tok::kComment;
      i_ = s_.size();
      return t;
    }
    if (c == u'"') {
      std::size_t j = i_ + 1;
      while (j < s_.size()) {
        if (s_[j] == u'"') {
          if (CharAt(s_, j + 1) == u'"') {
            j += 2;
            continue;
          }
          ++j;
          break;
        }
        ++j;
      }
      t.kind = Tok::kString;
      i_ = j;
      return t;
    }
    if (c == u'[') {
      std::size_t close = s_.find(u']', i_);
      i_ = close == TextView::npos ? s_.size() : close + 1;
      t.kind = Tok::kBracketName;
      return t;
    }
    if (c == u'_' && space && i_ + 1 == s_.size()) {
      t.kind = Tok::kContinuation;
      ++i_;
      return t;
    }
    if (IsNameStartAt(s_, i_) || (c == u'_' && IsNameCharAt(s_, i_ + 1))) {
      const std::size_t end = NameEnd(s_, i_);
      TextView word = s_.substr(i_, end - i_);
      i_ = TakeTypeSuffix(s_, end);
      const guess::CanonicalWord* canonical = FindCanonical(word);
      if (canonical != nullptr) {
        t.text = Text(canonical->text) + Text(s_.substr(end, i_ - end));
        t.kind = canonical->word_class == guess::WordClass::kKeyword && i_ == end ? Tok::kKeyword
                                                                                  : Tok::kName;
      } else {
        t.kind = Tok::kName;
      }
      return t;
    }
    const Token* p = Prev();
    const bool after_name = p != nullptr && (IsNameLike(*p) || p->kind == Tok::kClose);
    if (IsAsciiDigit(c) || (c == u'.' && IsAsciiDigit(next) && !after_name)) {
      std::size_t j = i_;
      while (IsAsciiDigit(CharAt(s_, j))) ++j;
      if (CharAt(s_, j) == u'.') {
        ++j;
        while (IsAsciiDigit(CharAt(s_, j))) ++j;
      }
      const char16_t e = CharAt(s_, j);
      if (e == u'e' || e == u'E' || e == u'd' || e == u'D') {
        std::size_t k = j + 1;
        if (CharAt(s_, k) == u'+' || CharAt(s_, k) == u'-') ++k;
        if (IsAsciiDigit(CharAt(s_, k))) {
          while (IsAsciiDigit(CharAt(s_, k))) ++k;
          j = k;
        }
      }
      i_ = TakeTypeSuffix(s_, j);
      t.kind = Tok::kNumber;
      return t;
    }
    if (c == u'&' && (next == u'H' || next == u'h' || next == u'O' || next == u'o')) {
      const bool hex = next == u'H' || next == u'h';
      std::size_t j = i_ + 2;
      while (j < s_.size() && (hex ? IsHexDigit(s_[j]) : (s_[j] >= u'0' && s_[j] <= u'7'))) ++j;
      if (j > i_ + 2) {
        if (CharAt(s_, j) == u'&' || CharAt(s_, j) == u'^') ++j;
        t.kind = Tok::kNumber;
        t.text = Text(s_.substr(i_, j - i_));
        if (guess::kUpperCaseHexLiterals) {
          for (auto& ch : t.text) ch = AsciiUpper(ch);
        }
        i_ = j;
        return t;
      }
    }
    if (c == u'#') {
      std::size_t close = s_.find(u'#', i_ + 1);
      if (close != TextView::npos && guess::IsDateLiteralBody(s_.substr(i_ + 1, close - i_ - 1))) {
        t.kind = Tok::kDate;
        i_ = close + 1;
        return t;
      }
      t.kind = Tok::kHash;
      ++i_;
      return t;
    }
    if (c == u':') {
      if (next == u'=') {
        t.kind = Tok::kColonEquals;
        i_ += 2;
      } else {
        t.kind = Tok::kColon;
        ++i_;
      }
      return t;
    }
    if (c == u'<' || c == u'>' || c == u'=') {
      t.kind = Tok::kOperator;
      if ((c == u'<' && (next == u'=' || next == u'>')) || (c == u'>' && next == u'=')) {
        i_ += 2;
      } else if (c == u'=' && (next == u'<' || next == u'>')) {
        t.text = next == u'<' ? u"<=" : u">=";
        i_ += 2;
      } else {
        ++i_;
      }
      return t;
    }
    ++i_;
    switch (c) {
      case u'-':
      case u'+':
        t.kind = SignGoesHere(space) ? Tok::kSign : Tok::kOperator;
        break;
      case u'*':
      case u'/':
      case u'\\':
      case u'^':
      case u'&':
        t.kind = Tok::kOperator;
        break;
      case u',':
        t.kind = Tok::kComma;
        break;
      case u';':
        t.kind = Tok::kSemicolon;
        break;
      case u'(':
        t.kind = Tok::kOpen;
        break;
      case u')':
        t.kind = Tok::kClose;
        break;
      case u'.':
        t.kind = Tok::kDot;
        break;
      case u'!':
        t.kind = Tok::kBang;
        break;
      default:
        // Anything else (a stray character, the rest of a surrogate pair)
        // is kept as it is.
        t.kind = Tok::kOther;
        break;
    }
    return t;
  }

  TextView s_;
  std::size_t i_;
  LinePlace place_;
  std::vector<Token> tokens_;
};

// What stands between two tokens of code.
TextView Separator(const Token& p, const Token& t) {
  if (t.kind == Tok::kContinuation) return u" ";
  switch (p.kind) {
    case Tok::kOpen:
    case Tok::kHash:
    case Tok::kSign:
    case Tok::kColonEquals:
      return u"";
    // A member name follows a dot or a bang directly; anything else there
    // is not code the editor would take, and keeps a space.
    case Tok::kDot:
    case Tok::kBang:
      return IsNameLike(t) ? u"" : u" ";
    case Tok::kComma:
    case Tok::kSemicolon:
    case Tok::kColon:
      return u" ";
    default:
      break;
  }
  switch (t.kind) {
    case Tok::kClose:
    case Tok::kComma:
    case Tok::kSemicolon:
    case Tok::kColon:
    case Tok::kColonEquals:
      return u"";
    case Tok::kBang:
      // Written after a space it would not be read as the bang again.
      return (IsNameLike(p) || p.kind == Tok::kClose) && !t.space_before ? u"" : u" ";
    case Tok::kDot:
      return IsNameLike(p) || p.kind == Tok::kClose ? u"" : u" ";
    case Tok::kOpen:
      if (p.kind == Tok::kClose) return u"";
      if (IsNameLike(p) && p.call_head && guess::SpaceBeforeOpenAfterCallHead(t.space_before)) {
        return u" ";
      }
      if (IsNameLike(p)) return u"";
      return u" ";
    default:
      return u" ";
  }
}

LinePlace PlaceAfterComment(TextView line) {
  return ContinuesOnNextLine(line) ? LinePlace::kContinuedComment : LinePlace::kStart;
}

}  // namespace

RenderedLine RenderStatementLine(TextView line, LinePlace place) {
  RenderedLine result;
  if (place == LinePlace::kContinuedComment) {
    result.text = Text(line);
    result.next = PlaceAfterComment(line);
    return result;
  }
  std::size_t indent = 0;
  while (indent < line.size() && IsBlank(line[indent])) ++indent;
  if (indent == line.size()) {
    result.text = Text(line);
    return result;
  }
  if (place == LinePlace::kStart && (line[indent] == u'\'' || IsRemAt(line, indent))) {
    result.text = Text(line);
    result.next = PlaceAfterComment(line);
    return result;
  }

  const std::vector<Token> tokens = Scanner(line, indent, place).Run();
  Text& out = result.text;
  out.assign(line.substr(0, indent));
  const Token* prev = nullptr;
  for (const Token& t : tokens) {
    if (t.kind == Tok::kComment && prev != nullptr) {
      out += guess::BlanksBeforeComment(TextView(out) == line.substr(0, prev->end),
                                        line.substr(prev->end, t.begin - prev->end), out.size(),
                                        t.begin);
    } else if (prev != nullptr) {
      out += Separator(*prev, t);
    }
    out += t.text;
    prev = &t;
  }
  if (prev != nullptr && prev->kind == Tok::kContinuation) {
    result.next = LinePlace::kContinuedStatement;
  } else if (prev != nullptr && prev->kind == Tok::kComment) {
    result.next = PlaceAfterComment(line);
  }
  return result;
}

LinePlace PlaceAfter(TextView line, LinePlace place) { return RenderStatementLine(line, place).next; }

}  // namespace qlx::memory
