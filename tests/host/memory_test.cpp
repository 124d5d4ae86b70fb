// The in-memory editor answers host calls as the VBA editor does.
#include "host/memory/editor.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "host/chars.h"
#include "host/memory/statements.h"
#include "support/editor.h"
#include "support/text.h"
#include "support/worked_example.h"

namespace qlx {
namespace {

using qlx::testing::Lines;

using qlx::testing::kWorkedExample;

MemoryCodeModule Module(const Text& text) { return MemoryCodeModule(u"Module1", Lines(text)); }

// The error number a call raises, or nullopt.
std::optional<int> ErrorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const VbError& e) {
    return e.Number();
  }
  return std::nullopt;
}

// --- Worked example --------------------------------------------------------

// How one logical line reads, whatever the case of its keywords.
struct StatementCase {
  const char16_t* line;
  memory::StatementKind kind;
  const char16_t* name;
  ProcKind proc_kind;
};

class StatementReading : public ::testing::TestWithParam<StatementCase> {};

TEST_P(StatementReading, KindNameAndProcedureKind) {
  const StatementCase& c = GetParam();
  const memory::Statement read = memory::ReadStatement(c.line);
  EXPECT_EQ(read.kind, c.kind);
  EXPECT_EQ(read.name, c.name);
  if (c.kind == memory::StatementKind::kProcStart) EXPECT_EQ(read.proc_kind, c.proc_kind);
}

using memory::StatementKind;
INSTANTIATE_TEST_SUITE_P(
    Lines, StatementReading,
    ::testing::Values(StatementCase{u"Sub A()", StatementKind::kProcStart, u"A", kProcKindProc},
                      StatementCase{u"  PUBLIC STATIC FUNCTION F_1() As Long", StatementKind::kProcStart, u"F_1",
                                    kProcKindProc},
                      StatementCase{u"\tfriend property let P(v)", StatementKind::kProcStart, u"P", kProcKindLet},
                      StatementCase{u"Private Property Set \u8868\u793a(v)", StatementKind::kProcStart,
                                    u"\u8868\u793a", kProcKindSet},
                      StatementCase{u"Static Sub S(): End Sub", StatementKind::kProcStart, u"S", kProcKindProc},
                      StatementCase{u"Private m As Long", StatementKind::kOther, u"", 0},
                      StatementCase{u"Sub_1 = 3", StatementKind::kOther, u"", 0},
                      StatementCase{u"Set x = Nothing", StatementKind::kOther, u"", 0},
                      StatementCase{u"total = total + 1 ' Sub A()", StatementKind::kOther, u"", 0},
                      StatementCase{u"Done: End Sub", StatementKind::kProcEnd, u"", 0},
                      StatementCase{u"100 end function", StatementKind::kProcEnd, u"", 0},
                      StatementCase{u"x1: End Property", StatementKind::kProcEnd, u"", 0},
                      StatementCase{u"rem Sub A()", StatementKind::kComment, u"", 0},
                      StatementCase{u"  #End If", StatementKind::kDir, u"", 0},
                      StatementCase{u" \t", StatementKind::kBlank, u"", 0}));

// Identifiers are read without the platform's tables for ASCII: the same answers.
TEST(StatementReadingChars, AsciiIdentifierCharactersAreThePlatformsLettersAndDigits) {
  for (char32_t c = 0; c < 0x80; ++c) {
    EXPECT_EQ(memory::IsIdentifierChar(c), c == U'_' || IsLetterChar(c) || IsDigitChar(c)) << static_cast<int>(c);
  }
  EXPECT_TRUE(memory::IsIdentifierChar(U'\u8868'));
  EXPECT_FALSE(memory::IsIdentifierChar(U'\u3000'));
}

TEST(WorkedExample, Counts) {
  MemoryCodeModule m = Module(kWorkedExample);
  EXPECT_EQ(m.CountOfLines(), 27);
  EXPECT_EQ(m.CountOfDeclarationLines(), 7);
  EXPECT_EQ(m.Lines(26, 99), u"' trailing comment\r\n");
}

struct ProcRowsCase {
  Text name;
  ProcKind kind;
  Row start, body, count;
};

class WorkedExampleProcRows : public ::testing::TestWithParam<ProcRowsCase> {};

TEST_P(WorkedExampleProcRows, StartBodyCount) {
  const ProcRowsCase& c = GetParam();
  MemoryCodeModule m = Module(kWorkedExample);
  EXPECT_EQ(m.ProcStartLine(c.name, c.kind), c.start);
  EXPECT_EQ(m.ProcBodyLine(c.name, c.kind), c.body);
  EXPECT_EQ(m.ProcCountLines(c.name, c.kind), c.count);
}

INSTANTIATE_TEST_SUITE_P(Rows, WorkedExampleProcRows,
                         ::testing::Values(ProcRowsCase{u"Foo", 0, 8, 10, 6},
                                           ProcRowsCase{u"Value", 3, 14, 16, 5},
                                           ProcRowsCase{u"Value", 1, 19, 19, 2},
                                           ProcRowsCase{u"Bar", 0, 21, 22, 7},
                                           ProcRowsCase{u"foo", 0, 8, 10, 6},
                                           ProcRowsCase{u"BAR", 0, 21, 22, 7}));

class WorkedExampleNotDefined : public ::testing::TestWithParam<std::tuple<Text, ProcKind>> {};

TEST_P(WorkedExampleNotDefined, Error35) {
  auto [name, kind] = GetParam();
  MemoryCodeModule m = Module(kWorkedExample);
  try {
    m.ProcStartLine(name, kind);
    FAIL() << "no error";
  } catch (const VbError& e) {
    EXPECT_EQ(e.Number(), 35);
    EXPECT_EQ(e.Description(), u"Sub or Function not defined");
  }
  EXPECT_EQ(ErrorOf([&] { m.ProcBodyLine(name, kind); }), 35);
  EXPECT_EQ(ErrorOf([&] { m.ProcCountLines(name, kind); }), 35);
}

INSTANTIATE_TEST_SUITE_P(Names, WorkedExampleNotDefined,
                         ::testing::Values(std::tuple<Text, ProcKind>{u"Value", 0},
                                           std::tuple<Text, ProcKind>{u"Value", 2},
                                           std::tuple<Text, ProcKind>{u"GetTickCount", 0},
                                           std::tuple<Text, ProcKind>{u"Changed", 0},
                                           std::tuple<Text, ProcKind>{u"TPoint", 0}));

TEST(WorkedExample, ProcOfLineEveryRow) {
  MemoryCodeModule m = Module(kWorkedExample);
  for (Row row = 1; row <= 27; ++row) {
    SCOPED_TRACE(row);
    Text name = row <= 7 ? u"" : row <= 13 ? u"Foo" : row <= 20 ? u"Value" : u"Bar";
    ProcKind expected_kind = row >= 14 && row <= 18 ? 3 : row >= 19 && row <= 20 ? 1 : 0;
    ProcKind kind = 99;
    EXPECT_EQ(m.ProcOfLine(row, kind), name);
    EXPECT_EQ(kind, expected_kind);
  }
}

struct FindCase {
  Text target;
  Row sl;
  std::int32_t sc;
  Row el;
  std::int32_t ec;
  bool whole_word, match_case, pattern;
  bool found;
  std::array<std::int32_t, 4> after;  // the four positions after the call
};

void PrintTo(const FindCase& c, std::ostream* os) { *os << qlx::testing::U8(c.target); }

class WorkedExampleFind : public ::testing::TestWithParam<FindCase> {};

TEST_P(WorkedExampleFind, Positions) {
  const FindCase& c = GetParam();
  MemoryCodeModule m = Module(kWorkedExample);
  Row sl = c.sl, el = c.el;
  std::int32_t sc = c.sc, ec = c.ec;
  EXPECT_EQ(m.Find(c.target, sl, sc, el, ec, c.whole_word, c.match_case, c.pattern), c.found);
  EXPECT_EQ((std::array<std::int32_t, 4>{sl, sc, el, ec}), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Table, WorkedExampleFind,
    ::testing::Values(
        FindCase{u"value", 0, 0, 0, 0, false, false, false, true, {15, 9, 15, 14}},
        FindCase{u"value", 1, 1, -1, -1, false, true, false, false, {1, 1, -1, -1}},
        FindCase{u"Val", 1, 1, -1, -1, true, false, false, false, {1, 1, -1, -1}},
        FindCase{u"Val", 1, 1, -1, -1, false, false, false, true, {4, 24, 4, 27}},
        FindCase{u"End", 14, 1, 20, -1, false, false, false, true, {18, 1, 18, 4}},
        FindCase{u"Bar", 1, 1, 1, 1, false, false, false, true, {22, 18, 22, 21}},
        // An input end column is inclusive.
        FindCase{u"End", 18, 1, 18, 3, false, false, false, true, {18, 1, 18, 4}},
        FindCase{u"End", 18, 1, 18, 2, false, false, false, false, {18, 1, 18, 2}},
        // A match must start at or after the start column.
        FindCase{u"End", 18, 2, 18, -1, false, false, false, false, {18, 2, 18, -1}},
        FindCase{u"End", 18, 2, 0, 0, false, false, false, true, {20, 1, 20, 4}},
        // An end before the start means the end of the module.
        FindCase{u"trailing", 20, 1, 3, 5, false, false, false, true, {26, 3, 26, 11}},
        FindCase{u"Value", 16, 21, 16, 21, false, false, false, true, {16, 21, 16, 26}},
        // Whole words, case, patterns.
        FindCase{u"Start", 1, 1, 0, 0, true, true, false, true, {11, 1, 11, 6}},
        FindCase{u"long", 1, 1, 0, 0, true, false, false, true, {3, 68, 3, 72}},
        FindCase{u"B?r", 1, 1, 0, 0, false, false, true, true, {22, 18, 22, 21}},
        FindCase{u"by*long", 1, 1, 0, 0, false, false, true, true, {4, 22, 4, 37}},
        FindCase{u"[xy] as", 1, 1, 0, 0, true, false, true, true, {6, 5, 6, 9}},
        FindCase{u"Option", 0, 5, 0, 0, false, false, false, true, {1, 1, 1, 7}},
        FindCase{u"nothing here", 0, 0, 0, 0, false, false, false, false, {0, 0, 0, 0}}));

TEST(WorkedExample, FindCaseSensitivePatternIsError5) {
  MemoryCodeModule m = Module(kWorkedExample);
  Row sl = 1, el = -1;
  std::int32_t sc = 1, ec = -1;
  EXPECT_EQ(ErrorOf([&] { m.Find(u"x", sl, sc, el, ec, false, true, true); }), 5);
}

TEST(WorkedExample, SelectionOfCaret) {
  const testing::MemoryEditor e = testing::EditorWith(kWorkedExample).Selection(12, 5);
  Row sl = 0, el = 0;
  std::int32_t sc = 0, ec = 0;
  e.vbe->ActiveCodePane()->GetSelection(sl, sc, el, ec);
  EXPECT_EQ((std::array<std::int32_t, 4>{sl, sc, el, ec}), (std::array<std::int32_t, 4>{12, 5, 12, 5}));
}

// --- Small cases -------------------------------------------------------------

struct SmallCase {
  Text module;
  Row n, d;
  Row a_start, a_count;  // ProcStartLine/ProcCountLines of A, 0 when A is absent
};

void PrintTo(const SmallCase& c, std::ostream* os) { *os << qlx::testing::U8(c.module); }

class SmallCases : public ::testing::TestWithParam<SmallCase> {};

TEST_P(SmallCases, CountsAndA) {
  const SmallCase& c = GetParam();
  MemoryCodeModule m = Module(c.module);
  EXPECT_EQ(m.CountOfLines(), c.n);
  EXPECT_EQ(m.CountOfDeclarationLines(), c.d);
  if (c.a_start == 0) {
    EXPECT_EQ(ErrorOf([&] { m.ProcStartLine(u"A", 0); }), 35);
  } else {
    EXPECT_EQ(m.ProcStartLine(u"A", 0), c.a_start);
    EXPECT_EQ(m.ProcCountLines(u"A", 0), c.a_count);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, SmallCases,
    ::testing::Values(
        SmallCase{u"", 0, 0, 0, 0},
        SmallCase{u"Option Explicit\nPrivate m As Long\n' note\n\n", 4, 4, 0, 0},
        SmallCase{u"Option Explicit\n' a\nSub A()\nEnd Sub", 4, 1, 2, 3},
        SmallCase{u"'@Folder(\"X\")\n\nSub A()\nEnd Sub", 4, 1, 2, 3},
        SmallCase{u"' hdr\nSub A()\nEnd Sub", 3, 1, 2, 2},
        SmallCase{u"#If VBA7 Then\nDeclare PtrSafe Sub S Lib \"k\" ()\n#Else\n"
                  u"Declare Sub S Lib \"k\" ()\n#End If\n\nSub A()\nEnd Sub",
                  8, 5, 6, 3},
        SmallCase{u"Sub A(): End Sub", 1, 0, 1, 1},
        SmallCase{u"Sub A()\nEnd Sub\nSub B()\nx = 1", 4, 0, 1, 2},
        // #Const and Rem lines are trivia; a continued comment stays one.
        SmallCase{u"Option Explicit\n#Const DBG = 1\nRem note\n' a _\n  b\nSub A()\nEnd Sub", 7, 1, 2, 6},
        SmallCase{u"Option Explicit\nRemnant = 1\nSub A()\nEnd Sub", 4, 2, 3, 2},
        // A continued Declare is no trivia, on any of its lines.
        SmallCase{u"Option Explicit\nDeclare Sub S Lib \"k\" _\n  ()\nSub A()\nEnd Sub", 5, 3, 4, 2},
        // An End before any procedure belongs to nothing.
        SmallCase{u"Option Explicit\nEnd Sub\nSub A()\nEnd Sub", 4, 2, 3, 2}));

TEST(SmallCases, EmptyModuleHasNoLines) {
  MemoryCodeModule m = Module(u"");
  EXPECT_EQ(ErrorOf([&] { m.Lines(1, 1); }), 9);
  Row sl = 0, el = 0;
  std::int32_t sc = 0, ec = 0;
  EXPECT_FALSE(m.Find(u"x", sl, sc, el, ec));
}

TEST(SmallCases, ProcedureWithoutEndRunsToTheLastLine) {
  MemoryCodeModule m = Module(u"Sub A()\nEnd Sub\nSub B()\nx = 1");
  EXPECT_EQ(m.ProcStartLine(u"B", 0), 3);
  EXPECT_EQ(m.ProcCountLines(u"B", 0), 2);
  ProcKind kind = 5;
  EXPECT_EQ(m.ProcOfLine(4, kind), u"B");
  EXPECT_EQ(kind, 0);
  ProcKind decl_kind = 7;
  MemoryCodeModule plain = Module(u"Option Explicit\nPrivate m As Long\n' note\n\n");
  EXPECT_EQ(plain.ProcOfLine(3, decl_kind), u"");
  EXPECT_EQ(decl_kind, 0);
}

TEST(EditSequence, InsertThenDelete) {
  MemoryCodeModule m = Module(u"Option Explicit");
  m.InsertLines(2, u"Sub A()\r\nEnd Sub\r\n");
  EXPECT_EQ(m.CountOfLines(), 4);
  EXPECT_EQ(m.Line(4), u"");
  EXPECT_EQ(m.CountOfDeclarationLines(), 1);
  EXPECT_EQ(m.ProcStartLine(u"A", 0), 2);
  EXPECT_EQ(m.ProcCountLines(u"A", 0), 3);
  m.DeleteLines(4);
  EXPECT_EQ(m.CountOfLines(), 3);
  EXPECT_EQ(m.ProcCountLines(u"A", 0), 2);
}

// --- Lines and edits ---------------------------------------------------------

TEST(LinesAndEdits, ReadingRules) {
  MemoryCodeModule m = Module(u"a\nb\nc");
  EXPECT_EQ(m.Lines(1, 2), u"a\r\nb");
  EXPECT_EQ(m.Lines(2, 1000), u"b\r\nc");
  EXPECT_EQ(m.Lines(3, 0), u"");
  EXPECT_EQ(m.Lines(3, -1), u"");
  for (Row start : {0, -1, 4}) {
    SCOPED_TRACE(start);
    EXPECT_EQ(ErrorOf([&] { m.Lines(start, 1); }), 9);
    EXPECT_EQ(ErrorOf([&] { m.Lines(start, 0); }), 9);
  }
}

TEST(LinesAndEdits, InsertSplitsAtEveryKindOfBreak) {
  MemoryCodeModule m = Module(u"first\nlast");
  m.InsertLines(2, u"a\r\nb\rc\nd");
  EXPECT_EQ(m.AllLines(), Lines(u"first\na\nb\nc\nd\nlast"));
  m.InsertLines(1, u"");
  EXPECT_EQ(m.Line(1), u"");
  EXPECT_EQ(m.LineCount(), 7);
  m.InsertLines(8, u"x\n");
  EXPECT_EQ(m.LineCount(), 9);
  EXPECT_EQ(m.Line(8), u"x");
  EXPECT_EQ(m.Line(9), u"");
  m.InsertLines(3, u"\r\n\r\n");
  EXPECT_EQ(m.LineCount(), 12);
}

TEST(LinesAndEdits, OutOfRangeEditsRaise9AndChangeNothing) {
  MemoryCodeModule m = Module(u"a\nb\nc");
  std::vector<std::function<void()>> calls = {
      [&] { m.InsertLines(0, u"x"); },    [&] { m.InsertLines(5, u"x"); },
      [&] { m.DeleteLines(0, 1); },       [&] { m.DeleteLines(1, 0); },
      [&] { m.DeleteLines(2, 3); },       [&] { m.DeleteLines(4, 1); },
      [&] { m.DeleteLines(1, 0x7fffffff); }, [&] { m.ReplaceLine(0, u"x"); },
      [&] { m.ReplaceLine(4, u"x"); },
  };
  for (std::size_t i = 0; i < calls.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(ErrorOf(calls[i]), 9);
    EXPECT_EQ(m.AllLines(), Lines(u"a\nb\nc"));
  }
}

TEST(LinesAndEdits, DeleteAndReplace) {
  MemoryCodeModule m = Module(u"a\nb\nc\nd");
  m.DeleteLines(2, 2);
  EXPECT_EQ(m.AllLines(), Lines(u"a\nd"));
  m.ReplaceLine(2, u"x\r\ny");
  EXPECT_EQ(m.AllLines(), Lines(u"a\nx\ny"));
  m.DeleteLines(1, 3);
  EXPECT_EQ(m.CountOfLines(), 0);
  m.InsertLines(1, u"z");
  EXPECT_EQ(m.AllLines(), Lines(u"z"));
}

TEST(LinesAndEdits, OnEditTellsEverySuccessfulEdit) {
  MemoryCodeModule m = Module(u"a\nb\nc");
  std::vector<std::array<Row, 3>> edits;
  m.OnEdit([&](Row row, Row removed, Row inserted) { edits.push_back({row, removed, inserted}); });
  m.InsertLines(2, u"x\r\ny");
  m.DeleteLines(1, 2);
  m.ReplaceLine(2, u"p\nq\nr");
  EXPECT_EQ(ErrorOf([&] { m.DeleteLines(9); }), 9);
  m.Log().FailOn(HostCall::kInsertLines, 1, VbError(7));
  EXPECT_EQ(ErrorOf([&] { m.InsertLines(1, u"never"); }), 7);
  EXPECT_EQ(edits, (std::vector<std::array<Row, 3>>{{2, 0, 2}, {1, 2, 0}, {2, 1, 3}}));
}

// --- Reading statements --------------------------------------------------------

TEST(Statements, DeclarationForms) {
  MemoryCodeModule m = Module(uR"(
Option Explicit
Public Declare PtrSafe Sub Sleep Lib "kernel32" (ByVal ms As Long)
Public Enum Color
    Red
End Enum
Event Done()
Private Static Function PS() As Long
End Function
	friend property set Obj(ByVal o As Object)
100 End Property
Static Sub 集計_1()
Done: End Sub
Property Let Both(ByVal v As Long) ' set
  End Property ' done
Public _
  Sub Split()
End Sub
Function Typed$()
End Function
Sub OneLine(Optional s As String = "a: End Sub"): s = "x"
End Sub
)");
  struct Expect {
    Text name;
    ProcKind kind;
    Row body, last;  // each region here starts at its declaration
  };
  for (const Expect& e : {Expect{u"PS", 0, 7, 8}, Expect{u"Obj", 2, 9, 10}, Expect{u"集計_1", 0, 11, 12},
                          Expect{u"Both", 1, 13, 14}, Expect{u"split", 0, 15, 17},
                          Expect{u"Typed", 0, 18, 19}, Expect{u"OneLine", 0, 20, 21}}) {
    SCOPED_TRACE(qlx::testing::U8(e.name));
    EXPECT_EQ(m.ProcBodyLine(e.name, e.kind), e.body);
    EXPECT_EQ(m.ProcStartLine(e.name, e.kind), e.body);
    EXPECT_EQ(m.ProcStartLine(e.name, e.kind) + m.ProcCountLines(e.name, e.kind) - 1, e.last);
  }
  for (const char16_t* name : {u"Sleep", u"Color", u"Done", u"Red"}) {
    EXPECT_EQ(ErrorOf([&] { m.ProcStartLine(name, 0); }), 35);
  }
  EXPECT_EQ(m.CountOfDeclarationLines(), 6);
}

TEST(Statements, ProcedureStartInsideAnOpenOneBelongsToItsBody) {
  MemoryCodeModule m = Module(u"Sub A()\nSub B()\nEnd Sub\nSub C()\nEnd Sub");
  EXPECT_EQ(m.ProcCountLines(u"A", 0), 3);
  EXPECT_EQ(ErrorOf([&] { m.ProcStartLine(u"B", 0); }), 35);
  EXPECT_EQ(m.ProcStartLine(u"C", 0), 4);

  // The End of a one-line procedure inside an open one closes the open one.
  MemoryCodeModule one = Module(u"Sub A()\nSub B(): End Sub\nSub C()\nEnd Sub");
  EXPECT_EQ(one.ProcCountLines(u"A", 0), 2);
  EXPECT_EQ(one.ProcStartLine(u"C", 0), 3);
}

TEST(Statements, EndInCommentOrStringDoesNotClose) {
  MemoryCodeModule m =
      Module(u"Sub A(Optional s = \"a: End Sub\") ' : End Sub\nx = 1: End Sub\nEnd Sub\nSub B()\nEnd Sub");
  EXPECT_EQ(m.ProcCountLines(u"A", 0), 3);
  EXPECT_EQ(m.ProcStartLine(u"B", 0), 4);
}

TEST(Statements, LookupByKindAndFirstMatch) {
  MemoryCodeModule m = Module(u"Function F()\nEnd Function\nProperty Get F()\nEnd Property\n"
                              u"Sub F()\nEnd Sub");
  EXPECT_EQ(m.ProcBodyLine(u"F", 0), 1);
  EXPECT_EQ(m.ProcBodyLine(u"f", 3), 3);
  for (ProcKind kind : {-1, 4}) {
    SCOPED_TRACE(kind);
    EXPECT_EQ(ErrorOf([&] { m.ProcStartLine(u"F", kind); }), 5);
    EXPECT_EQ(ErrorOf([&] { m.ProcBodyLine(u"Nothing", kind); }), 5);
  }
  ProcKind kind = 0;
  for (Row row : {0, 7}) EXPECT_EQ(ErrorOf([&] { m.ProcOfLine(row, kind); }), 9);
}

// Edits must refresh what was read from the lines they touch, also from the
// lines continuing into them.
TEST(Statements, EditsRereadContinuedLines) {
  MemoryCodeModule m = Module(u"Public _\nSub _\nFoo()\nEnd Sub");
  EXPECT_EQ(m.ProcBodyLine(u"Foo", 0), 1);
  m.ReplaceLine(3, u"Bar()");
  EXPECT_EQ(m.ProcBodyLine(u"Bar", 0), 1);
  EXPECT_EQ(ErrorOf([&] { m.ProcBodyLine(u"Foo", 0); }), 35);

  MemoryCodeModule c = Module(u"Option Explicit\n' c\nSub A()\nEnd Sub");
  EXPECT_EQ(c.ProcStartLine(u"A", 0), 2);
  c.ReplaceLine(2, u"' c _");
  EXPECT_EQ(ErrorOf([&] { c.ProcStartLine(u"A", 0); }), 35);
  EXPECT_EQ(c.CountOfDeclarationLines(), 4);
  c.InsertLines(3, u"");
  EXPECT_EQ(c.ProcBodyLine(u"A", 0), 4);
  c.DeleteLines(3);
  c.ReplaceLine(2, u"' c");
  EXPECT_EQ(c.ProcStartLine(u"A", 0), 2);
  c.InsertLines(1, u"Sub Z()\r\nEnd Sub");
  EXPECT_EQ(c.CountOfDeclarationLines(), 0);
  EXPECT_EQ(c.ProcStartLine(u"A", 0), 3);
}

// Everything the index answers about a module, as text to compare.
std::vector<Text> Survey(MemoryCodeModule& m) {
  std::vector<Text> answers = {u"D " + Str(m.CountOfDeclarationLines())};
  for (Row row = 1; row <= m.LineCount(); ++row) {
    ProcKind kind = 9;
    Text name = m.ProcOfLine(row, kind);
    answers.push_back(Str(row) + u" " + name + u"/" + Str(kind));
  }
  for (const char16_t* name : {u"A", u"B", u"C", u"D", u"E"}) {
    for (ProcKind kind = 0; kind <= 3; ++kind) {
      Text answer = Text(name) + Str(kind) + u":";
      try {
        answer += Str(m.ProcStartLine(name, kind)) + u"," + Str(m.ProcBodyLine(name, kind)) + u"," +
                  Str(m.ProcCountLines(name, kind));
      } catch (const VbError& e) {
        answer += u"error " + Str(e.Number());
      }
      answers.push_back(answer);
    }
  }
  for (const char16_t* target : {u"End", u"note", u"x"}) {
    Row sl = 1, el = 1;
    std::int32_t sc = 1, ec = 1;
    bool found = m.Find(target, sl, sc, el, ec, true);
    answers.push_back(Text(target) + (found ? u" at " + Str(sl) + u"," + Str(sc) : u" none"));
  }
  return answers;
}

// Edits keep readings of unchanged lines and procedures: after any run of
// edits the module must answer as one read afresh from the same lines.
TEST(Index, EditedModuleAnswersLikeAFreshOne) {
  const std::vector<Text> vocabulary = {
      u"Sub A()",        u"Sub B(): End Sub", u"Public Function A() As Long", u"End Sub",
      u"End Function",   u"Property Get C()", u"Property Let C(v)",           u"End Property",
      u"' note",         u"' note _",         u"x = 1 _",                     u"Public _",
      u"",               u"#If X Then",       u"#End If",                     u"Declare Sub D Lib \"k\" ()",
      u"100 End Sub",    u"Dim x",            u"Sub E() ' x: End Sub",        u"Rem note"};
  std::mt19937 random(20261208);
  auto pick = [&](Row count) { return std::uniform_int_distribution<Row>(0, count - 1)(random); };
  auto some_lines = [&] {
    Text text = vocabulary[static_cast<std::size_t>(pick(static_cast<Row>(vocabulary.size())))];
    for (Row extra = pick(3); extra > 0; --extra) {
      text += u"\r\n" + vocabulary[static_cast<std::size_t>(pick(static_cast<Row>(vocabulary.size())))];
    }
    return text;
  };
  auto split = [](Text text) {
    std::vector<Text> pieces;
    for (std::size_t at; (at = text.find(u"\r\n")) != Text::npos; text.erase(0, at + 2)) {
      pieces.push_back(text.substr(0, at));
    }
    pieces.push_back(text);
    return pieces;
  };
  auto at = [](std::vector<Text>& v, Row row) { return v.begin() + (row - 1); };
  MemoryCodeModule m(u"M", {});
  std::vector<Text> model;  // the same edits on a plain list of lines
  for (int step = 0; step < 4000; ++step) {
    Row n = m.LineCount();
    Row op = n < 6 ? 0 : n > 40 ? 1 : pick(3);
    if (op == 0) {
      Row row = 1 + pick(n + 1);
      Text text = some_lines();
      m.InsertLines(row, text);
      auto pieces = split(text);
      model.insert(at(model, row), pieces.begin(), pieces.end());
    } else if (op == 1) {
      Row start = 1 + pick(n);
      Row count = 1 + pick(std::min<Row>(3, n - start + 1));
      m.DeleteLines(start, count);
      model.erase(at(model, start), at(model, start + count));
    } else {
      Row row = 1 + pick(n);
      Text text = some_lines();
      m.ReplaceLine(row, text);
      auto pieces = split(text);
      model.insert(model.erase(at(model, row)), pieces.begin(), pieces.end());
    }
    ASSERT_EQ(m.AllLines(), model) << "step " << step;
    if (pick(3) == 0) continue;  // several edits before the next question
    MemoryCodeModule fresh(u"M", model);
    ASSERT_EQ(Survey(m), Survey(fresh)) << "step " << step;
  }
}

// --- Find --------------------------------------------------------------------

TEST(Find, WordsAndCase) {
  MemoryCodeModule m = Module(u"x = 値段 + Val_1\ny = 値 + ＶＡＬ\nz = val1 + val");
  struct Case {
    Text target;
    bool whole_word, match_case;
    Row line;
    std::int32_t column;
  };
  for (const Case& c : {Case{u"値", true, false, 2, 5}, Case{u"値", false, false, 1, 5},
                        Case{u"val", true, false, 3, 12}, Case{u"ｖａｌ", false, false, 2, 9},
                        Case{u"VAL", false, true, 0, 0}, Case{u"Val_1", true, true, 1, 10}}) {
    SCOPED_TRACE(qlx::testing::U8(c.target));
    Row sl = 1, el = -1;
    std::int32_t sc = 1, ec = -1;
    EXPECT_EQ(m.Find(c.target, sl, sc, el, ec, c.whole_word, c.match_case), c.line != 0);
    if (c.line != 0) {
      EXPECT_EQ(sl, c.line);
      EXPECT_EQ(sc, c.column);
    }
  }
  Row sl = 1, el = -1;
  std::int32_t sc = 1, ec = -1;
  EXPECT_FALSE(m.Find(u"", sl, sc, el, ec));
  sl = 9;
  EXPECT_FALSE(m.Find(u"x", sl, sc, el, ec));
}

TEST(Find, PatternTakesTheLongestMatchAtTheFirstStart) {
  MemoryCodeModule m = Module(u"ab AB ab\nx1 = 22");
  struct Case {
    Text pattern;
    bool whole_word;
    std::array<std::int32_t, 4> hit;
  };
  for (const Case& c : {Case{u"a*b", false, {1, 1, 1, 9}}, Case{u"##", false, {2, 6, 2, 8}},
                        Case{u"[!x]#", true, {2, 6, 2, 8}}, Case{u"[a-z]#", true, {2, 1, 2, 3}}}) {
    SCOPED_TRACE(qlx::testing::U8(c.pattern));
    Row sl = 0, el = 0;
    std::int32_t sc = 0, ec = 0;
    EXPECT_EQ(m.Find(c.pattern, sl, sc, el, ec, c.whole_word, false, true), c.hit[0] != 0);
    EXPECT_EQ((std::array<std::int32_t, 4>{sl, sc, el, ec}), c.hit);
  }
}

TEST(Find, SeesEditsAboveEarlierMisses) {
  MemoryCodeModule m = Module(u"a\nb\nc\nmark\nd");
  auto find_from_top = [&]() -> Row {
    Row sl = 1, el = 1;
    std::int32_t sc = 1, ec = 1;
    return m.Find(u"mark", sl, sc, el, ec) ? sl : 0;
  };
  EXPECT_EQ(find_from_top(), 4);
  // Searches over part of a line say nothing about the rest of it.
  Row sl = 4, el = 0;
  std::int32_t sc = 2, ec = 0;
  EXPECT_FALSE(m.Find(u"mark", sl, sc, el, ec));
  EXPECT_EQ(find_from_top(), 4);
  sl = 1, sc = 1, el = 4, ec = 3;
  EXPECT_FALSE(m.Find(u"mark", sl, sc, el, ec));
  EXPECT_EQ(find_from_top(), 4);
  m.ReplaceLine(2, u"mark");
  EXPECT_EQ(find_from_top(), 2);
  m.DeleteLines(2);
  m.DeleteLines(3);
  EXPECT_EQ(find_from_top(), 0);
  m.InsertLines(1, u"mark");
  EXPECT_EQ(find_from_top(), 1);
}

// The shape of a whole-module command: a big module, edits above hundreds of
// procedures and searches restarted from the top after each edit.
TEST(Find, BigModuleStaysFast) {
  std::vector<Text> lines = {u"Option Explicit"};
  for (int p = 0; p < 300; ++p) {
    lines.push_back(u"Sub P" + Str(p) + u"()");
    for (int k = 0; k < 216; ++k) lines.push_back(k == 100 ? u"    'deb x" : u"    x = x + 1");
    lines.push_back(u"End Sub");
  }
  MemoryCodeModule m(u"Big", lines);
  ASSERT_GE(m.CountOfLines(), 65000);
  for (int p = 0; p < 300; ++p) {
    Text name = u"P";
    name += Str(p);
    m.InsertLines(m.ProcBodyLine(name, 0), u"' header of " + name);
  }
  EXPECT_EQ(m.ProcStartLine(u"P299", 0), m.ProcBodyLine(u"P299", 0) - 1);
  int replaced = 0;
  Row sl = 0, el = 0;
  std::int32_t sc = 0, ec = 0;
  while (m.Find(u"'deb ", sl, sc, el, ec)) {
    m.ReplaceLine(sl, u"    Debug.Print x");
    ++replaced;
    sl = sc = el = ec = 1;
  }
  EXPECT_EQ(replaced, 300);
  EXPECT_EQ(m.CountOfLines(), 1 + 300 * 219);
}

// --- Panes, windows, desktop ---------------------------------------------------

TEST(Panes, ActivePaneCaptionAndSelection) {
  MemoryVBE vbe(u"Book1");
  vbe.AddModule(u"Module1", Lines(u"a\nb"));
  vbe.AddModule(u"Sheet1", {});
  EXPECT_EQ(vbe.ActiveCodePane(), nullptr);
  vbe.Pane(u"Sheet1");
  auto pane = vbe.ActiveCodePane();
  ASSERT_NE(pane, nullptr);
  EXPECT_EQ(pane->CodeModule()->Name(), u"Sheet1");
  EXPECT_EQ(pane->Window()->Caption(), u"Book1 - Sheet1 (Code)");
  vbe.Module(u"Sheet1")->SetName(u"Data");
  EXPECT_EQ(pane->Window()->Caption(), u"Book1 - Data (Code)");
  Row sl = 0, el = 0;
  std::int32_t sc = 0, ec = 0;
  pane->GetSelection(sl, sc, el, ec);
  EXPECT_EQ((std::array<std::int32_t, 4>{sl, sc, el, ec}), (std::array<std::int32_t, 4>{1, 1, 1, 1}));
  vbe.Pane(u"Module1")->SetSelection(1, 1, 3, 1);
  vbe.ActiveCodePane()->GetSelection(sl, sc, el, ec);
  EXPECT_EQ((std::array<std::int32_t, 4>{sl, sc, el, ec}), (std::array<std::int32_t, 4>{1, 1, 3, 1}));
  EXPECT_EQ(MemoryVBE().Pane(u"None"), nullptr);
}

TEST(Desktop, WindowChainFollowsTheActivePane) {
  testing::MemoryEditor e = testing::EditorWith(u"Module1", u"").NoActivePane();
  MemoryVBE& vbe = *e.vbe;
  MemoryDesktop& desktop = e.desktop;
  const Text caption = u"VBAProject - Module1 (Code)";
  const Text empty;
  auto code_window = [&] {
    WindowHandle main = desktop.FindWindowA(u"wndclass_desked_gsk", nullptr);
    WindowHandle client = desktop.FindWindowExA(main, 0, u"mdiclient", &empty);
    return desktop.FindWindowExA(client, 0, u"VbaWindow", &caption);
  };
  EXPECT_EQ(code_window(), 0);
  vbe.Pane(u"Module1");
  EXPECT_EQ(code_window(), MemoryDesktop::kCodeWindow);
  const Text other = u"VBAProject - Module2 (Code)";
  EXPECT_EQ(desktop.FindWindowExA(MemoryDesktop::kMdiClient, 0, u"VbaWindow", &other), 0);
  EXPECT_EQ(desktop.FindWindowA(u"other", nullptr), 0);
  EXPECT_EQ(vbe.Log().Calls(HostCall::kFindWindow), 8);
  EXPECT_EQ(vbe.Log().Calls(HostCall::kCaption), 0);

  EXPECT_TRUE(desktop.Unlocked());
  desktop.LockWindowUpdate(MemoryDesktop::kCodeWindow);
  EXPECT_FALSE(desktop.Unlocked());
  desktop.LockWindowUpdate(0);
  EXPECT_TRUE(desktop.Unlocked());
  EXPECT_EQ(desktop.lock_calls, (std::vector<WindowHandle>{MemoryDesktop::kCodeWindow, 0}));
  EXPECT_EQ(vbe.Log().Calls(HostCall::kLockWindowUpdate), 2);
  EXPECT_EQ(MemoryDesktop().FindWindowExA(MemoryDesktop::kMdiClient, 0, u"VbaWindow", &caption), 0);
}

// --- Counting and injected failures ----------------------------------------------

struct CountedCall {
  HostCall kind;
  std::function<void(MemoryVBE&, MemoryDesktop&, MemoryCodeModule&)> call;
};

TEST(CallLog, EveryCallCountsItselfAndCanBeMadeToFail) {
  Row r1 = 1, r2 = 1;
  std::int32_t c1 = 1, c2 = 1;
  ProcKind kind = 0;
  const std::vector<CountedCall> calls = {
      {HostCall::kName, [](auto&, auto&, auto& m) { m.Name(); }},
      {HostCall::kLines, [](auto&, auto&, auto& m) { m.Lines(1, 1); }},
      {HostCall::kCountOfLines, [](auto&, auto&, auto& m) { m.CountOfLines(); }},
      {HostCall::kCountOfDeclarationLines, [](auto&, auto&, auto& m) { m.CountOfDeclarationLines(); }},
      {HostCall::kInsertLines, [](auto&, auto&, auto& m) { m.InsertLines(1, u"' x"); }},
      {HostCall::kDeleteLines, [](auto&, auto&, auto& m) { m.DeleteLines(1); }},
      {HostCall::kReplaceLine, [](auto&, auto&, auto& m) { m.ReplaceLine(1, u"Option Base 1"); }},
      {HostCall::kProcOfLine, [&](auto&, auto&, auto& m) { m.ProcOfLine(1, kind); }},
      {HostCall::kProcStartLine, [](auto&, auto&, auto& m) { m.ProcStartLine(u"A", 0); }},
      {HostCall::kProcCountLines, [](auto&, auto&, auto& m) { m.ProcCountLines(u"A", 0); }},
      {HostCall::kProcBodyLine, [](auto&, auto&, auto& m) { m.ProcBodyLine(u"A", 0); }},
      {HostCall::kFind, [&](auto&, auto&, auto& m) { m.Find(u"A", r1, c1, r2, c2); }},
      {HostCall::kActiveCodePane, [](auto& v, auto&, auto&) { v.ActiveCodePane(); }},
      {HostCall::kCodeModule, [](auto& v, auto&, auto&) { v.ActiveCodePane()->CodeModule(); }},
      {HostCall::kGetSelection,
       [&](auto& v, auto&, auto&) { v.ActiveCodePane()->GetSelection(r1, c1, r2, c2); }},
      {HostCall::kCaption, [](auto& v, auto&, auto&) { v.ActiveCodePane()->Window()->Caption(); }},
      {HostCall::kFindWindow, [](auto&, auto& d, auto&) { d.FindWindowA(u"x", nullptr); }},
      {HostCall::kLockWindowUpdate, [](auto&, auto& d, auto&) { d.LockWindowUpdate(0); }},
  };
  for (const CountedCall& c : calls) {
    SCOPED_TRACE(static_cast<int>(c.kind));
    testing::MemoryEditor e = testing::EditorWith(u"Option Explicit\nSub A()\nEnd Sub");
    MemoryVBE& vbe = *e.vbe;
    MemoryDesktop& desktop = e.desktop;
    const std::shared_ptr<MemoryCodeModule>& module = e.module;
    CallLog& log = vbe.Log();
    c.call(vbe, desktop, *module);
    EXPECT_EQ(log.Calls(c.kind), 1);
    log.FailOn(c.kind, 2, VbError(91));
    c.call(vbe, desktop, *module);
    std::vector<Text> before = module->AllLines();
    EXPECT_EQ(ErrorOf([&] { c.call(vbe, desktop, *module); }), 91);
    EXPECT_EQ(log.Calls(c.kind), 3);
    EXPECT_EQ(module->AllLines(), before);  // a failing edit changes nothing
    c.call(vbe, desktop, *module);
    EXPECT_EQ(log.Calls(c.kind), 4);
  }
}

TEST(CallLog, UncountedAccessAndReset) {
  MemoryCodeModule m = Module(u"a\nb");
  m.Line(1);
  m.LineCount();
  m.AllLines();
  m.SetName(u"X");
  EXPECT_EQ(m.UncountedName(), u"X");
  for (HostCall kind : {HostCall::kName, HostCall::kLines, HostCall::kCountOfLines}) {
    EXPECT_EQ(m.Log().Calls(kind), 0);
  }
  m.CountOfLines();
  m.Log().FailOn(HostCall::kCountOfLines, 2, VbError(5));
  m.Log().ResetCounts();
  EXPECT_EQ(m.Log().Calls(HostCall::kCountOfLines), 0);
  EXPECT_NO_THROW(m.CountOfLines());
  EXPECT_EQ(ErrorOf([&] { m.CountOfLines(); }), 5);
  EXPECT_NO_THROW(m.CountOfLines());
}

}  // namespace
}  // namespace qlx
