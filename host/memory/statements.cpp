// Statement reading for the in-memory editor: a small scanner over one
// logical line, every index checked against the line's length.
#include "host/memory/statements.h"

#include "host/chars.h"
#include "host/lines.h"

namespace qlx::memory {
namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::size_t SkipBlanks(TextView s, std::size_t i) {
  while (i < s.size() && IsBlank(s[i])) ++i;
  return i;
}

// Moves i past one or more blanks; false when there is none.
bool TakeBlanks(TextView s, std::size_t& i) {
  std::size_t j = SkipBlanks(s, i);
  if (j == i) return false;
  i = j;
  return true;
}

// Moves i past the keyword (ASCII, any case) when it stands there as a whole word.
bool TakeKeyword(TextView s, std::size_t& i, TextView keyword) {
  if (i > s.size() || s.size() - i < keyword.size()) return false;
  for (std::size_t k = 0; k < keyword.size(); ++k) {
    if (AsciiLower(s[i + k]) != AsciiLower(keyword[k])) return false;
  }
  std::size_t end = i + keyword.size();
  if (end < s.size() && IsIdentifierChar(CodePointAt(s, end).value)) return false;
  i = end;
  return true;
}

// Moves i past an identifier (a letter, then letters, digits and "_").
bool TakeIdentifier(TextView s, std::size_t& i, Text* name) {
  const CodePoint first = CodePointAt(s, i);
  if (first.value == 0 || !IsLetterChar(first.value)) return false;
  std::size_t end = i + first.length;
  while (end < s.size()) {
    const CodePoint c = CodePointAt(s, end);
    if (!IsIdentifierChar(c.value)) break;
    end += c.length;
  }
  if (name != nullptr) *name = Text(s.substr(i, end - i));
  i = end;
  return true;
}

// Moves i past a leading label and the blanks after it: a line number
// ("100 End Sub", "100: End Sub") or a name with a colon ("Done: End Sub").
void SkipLabel(TextView s, std::size_t& i) {
  std::size_t j = i;
  if (CharAt(s, j) >= u'0' && CharAt(s, j) <= u'9') {
    while (CharAt(s, j) >= u'0' && CharAt(s, j) <= u'9') ++j;
    if (CharAt(s, j) == u':') ++j;
    if (j < s.size() && !IsBlank(s[j])) return;
  } else if (TakeIdentifier(s, j, nullptr)) {
    if (CharAt(s, j) != u':' || CharAt(s, j + 1) == u'=') return;
    ++j;
  } else {
    return;
  }
  i = SkipBlanks(s, j);
}

// "End Sub", "End Function" or "End Property" at i.
bool IsEndStatementAt(TextView s, std::size_t i) {
  if (!TakeKeyword(s, i, u"End") || !TakeBlanks(s, i)) return false;
  return TakeKeyword(s, i, u"Sub") || TakeKeyword(s, i, u"Function") ||
         TakeKeyword(s, i, u"Property");
}

// True when a statement after the first one ("Sub A(): End Sub") is an End
// statement. Colons inside string literals and anything after a comment do
// not count.
bool LaterStatementEnds(TextView s, std::size_t i) {
  bool in_string = false;
  for (; i < s.size(); ++i) {
    char16_t c = s[i];
    if (c == u'"') {
      in_string = !in_string;
    } else if (in_string) {
      continue;
    } else if (c == u'\'') {
      return false;
    } else if (c == u':') {
      std::size_t j = SkipBlanks(s, i + 1);
      std::size_t rem = j;
      if (TakeKeyword(s, rem, u"Rem")) return false;
      if (IsEndStatementAt(s, j)) return true;
    }
  }
  return false;
}

// [Public|Private|Friend] [Static] Sub|Function|Property Get|Let|Set Name.
bool ReadProcStart(TextView s, std::size_t i, Statement* statement) {
  // Every keyword that can start a procedure starts with one of these: most
  // lines are ruled out by their first letter.
  const char16_t first = AsciiLower(CharAt(s, i));
  if (first != u'p' && first != u'f' && first != u's') return false;
  if (TakeKeyword(s, i, u"Public") || TakeKeyword(s, i, u"Private") ||
      TakeKeyword(s, i, u"Friend")) {
    if (!TakeBlanks(s, i)) return false;
  }
  if (TakeKeyword(s, i, u"Static")) {
    if (!TakeBlanks(s, i)) return false;
  }
  ProcKind kind = kProcKindProc;
  if (TakeKeyword(s, i, u"Sub") || TakeKeyword(s, i, u"Function")) {
    kind = kProcKindProc;
  } else if (TakeKeyword(s, i, u"Property")) {
    if (!TakeBlanks(s, i)) return false;
    if (TakeKeyword(s, i, u"Get")) {
      kind = kProcKindGet;
    } else if (TakeKeyword(s, i, u"Let")) {
      kind = kProcKindLet;
    } else if (TakeKeyword(s, i, u"Set")) {
      kind = kProcKindSet;
    } else {
      return false;
    }
  } else {
    return false;
  }
  if (!TakeBlanks(s, i)) return false;
  Text name;
  if (!TakeIdentifier(s, i, &name)) return false;
  statement->kind = StatementKind::kProcStart;
  statement->name = std::move(name);
  statement->proc_kind = kind;
  statement->ends_procedure = LaterStatementEnds(s, i);
  return true;
}

// "#Const", "#If" ...: i is just past the "#".
StatementKind ReadDirective(TextView s, std::size_t i) {
  i = SkipBlanks(s, i);
  if (TakeKeyword(s, i, u"Const")) return StatementKind::kConstDir;
  std::size_t j = i;
  if (TakeKeyword(s, j, u"End")) {
    j = SkipBlanks(s, j);
    return TakeKeyword(s, j, u"If") ? StatementKind::kDir : StatementKind::kOther;
  }
  j = i;
  if (TakeKeyword(s, j, u"If") || TakeKeyword(s, j, u"ElseIf") || TakeKeyword(s, j, u"Else") ||
      TakeKeyword(s, j, u"EndIf")) {
    return StatementKind::kDir;
  }
  return StatementKind::kOther;
}

}  // namespace

bool IsIdentifierChar(char32_t c) {
  // ASCII, most of every module, without the platform's character tables.
  if (c < 0x80) {
    return c == U'_' || (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z') || (c >= U'0' && c <= U'9');
  }
  return IsLetterChar(c) || IsDigitChar(c);
}

bool ContinuesOnNextLine(TextView line) {
  return line.size() >= 2 && line.back() == u'_' && IsBlank(line[line.size() - 2]);
}

Text JoinContinuedLines(const TextView* lines, std::size_t count) {
  Text joined;
  for (std::size_t k = 0; k < count; ++k) {
    TextView line = lines[k];
    if (k + 1 < count && !line.empty()) line.remove_suffix(1);
    joined.append(line);
  }
  return joined;
}

Statement ReadStatement(TextView s) {
  Statement statement;
  std::size_t i = SkipBlanks(s, 0);
  if (i == s.size()) {
    statement.kind = StatementKind::kBlank;
    return statement;
  }
  std::size_t j = i;
  if (s[i] == u'\'' || TakeKeyword(s, j, u"Rem")) {
    statement.kind = StatementKind::kComment;
    return statement;
  }
  if (s[i] == u'#') {
    statement.kind = ReadDirective(s, i + 1);
    return statement;
  }
  if (ReadProcStart(s, i, &statement)) return statement;
  SkipLabel(s, i);
  if (IsEndStatementAt(s, i)) statement.kind = StatementKind::kProcEnd;
  return statement;
}

// Splits at CR LF, CR or LF; a trailing line break leaves an empty last piece
// ("a" CR LF gives "a" and "").
std::vector<Text> SplitLines(TextView text) {
  std::vector<Text> pieces;
  LineEnd last = LineEnd::kCrLf;  // an empty text is one empty piece
  VisitLines(text, [&](TextView line, LineEnd end) {
    pieces.emplace_back(line);
    last = end;
  });
  if (last != LineEnd::kNone) pieces.emplace_back();
  return pieces;
}

bool IsTrivia(StatementKind kind) {
  return kind == StatementKind::kBlank || kind == StatementKind::kComment ||
         kind == StatementKind::kConstDir;
}

}  // namespace qlx::memory
