// Lines inserted into the in-memory editor are stored as the VBA editor shows
// them: statements rendered from their tokens, comments and blanks as given.
#include "host/memory/statement_render.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "host/memory/editor.h"
#include "support/editor.h"
#include "support/text.h"

namespace qlx {
namespace {

using memory::LinePlace;
using memory::RenderStatementLine;
using qlx::testing::Lines;
using qlx::testing::U8;

struct Rendering {
  const char16_t* given;
  const char16_t* stored;
};

void PrintTo(const Rendering& r, std::ostream* os) { *os << "\"" << U8(r.given) << "\""; }

// One line inserted into a module of one statement line, read back.
Text StoredAfterInsert(const Text& line) {
  MemoryCodeModule module(u"Module1", {u"Option Explicit"});
  module.InsertLines(2, line);
  return module.Line(2);
}

class InsertedLine : public ::testing::TestWithParam<Rendering> {};

TEST_P(InsertedLine, IsStoredRendered) {
  const Rendering& r = GetParam();
  EXPECT_EQ(U8(StoredAfterInsert(r.given)), U8(r.stored));
  // Rendering what the editor shows changes nothing more.
  EXPECT_EQ(U8(StoredAfterInsert(r.stored)), U8(r.stored));
}

// The lines the commands insert, as the editor shows them.
INSTANTIATE_TEST_SUITE_P(
    CommandLines, InsertedLine,
    ::testing::Values(
        Rendering{u"ON ERROR GOTO PROC_ERR", u"On Error GoTo PROC_ERR"},
        Rendering{uR"(    "Module1"  & "." & "Sample")", uR"(    "Module1" & "." & "Sample")"},
        Rendering{uR"(    MsgBox "Error_Number: " & Err.Number & ".  : " & Err.Description, , _)",
                  uR"(    MsgBox "Error_Number: " & Err.Number & ".  : " & Err.Description, , _)"},
        Rendering{uR"(    Debug.Print  "total = " ;total)", uR"(    Debug.Print "total = "; total)"},
        Rendering{u"    For deb = LBound(arr) To UBound(arr) ",
                  u"    For deb = LBound(arr) To UBound(arr)"},
        Rendering{uR"(        Debug.Print  "arr" & "("  & deb   & ") = " ;arr(deb))",
                  uR"(        Debug.Print "arr" & "(" & deb & ") = "; arr(deb))"},
        Rendering{uR"(    Debug.Print  "a(1,2) = " ;a(1,2))", uR"(    Debug.Print "a(1,2) = "; a(1, 2))"},
        Rendering{u"PROC_EXIT:", u"PROC_EXIT:"},
        Rendering{u"    Exit Sub", u"    Exit Sub"},
        Rendering{u"    Exit Property", u"    Exit Property"},
        Rendering{u"PROC_ERR:", u"PROC_ERR:"},
        Rendering{u"    Resume PROC_EXIT", u"    Resume PROC_EXIT"},
        Rendering{u"    Next deb", u"    Next deb"},
        // A module or procedure name in the title keeps its own text.
        Rendering{uR"(    "モジュール1"  & "." & "集計")", uR"(    "モジュール1" & "." & "集計")"},
        Rendering{uR"(    Debug.Print  "合計 = " ;合計)", uR"(    Debug.Print "合計 = "; 合計)"}));

// The spacing and case rules, one case each.
INSTANTIATE_TEST_SUITE_P(
    Rules, InsertedLine,
    ::testing::Values(
        // Keywords and the library's names in canonical case; user names as written.
        Rendering{u"dim myValue as long", u"Dim myValue As Long"},
        Rendering{u"if x then exit function", u"If x Then Exit Function"},
        Rendering{u"x = lbound(arr) + ubound(ARR)", u"x = LBound(arr) + UBound(ARR)"},
        Rendering{u"debug.print err.number, err.description", u"Debug.Print Err.Number, Err.Description"},
        Rendering{u"s = left$(s, 1) & trim(t)", u"s = Left$(s, 1) & Trim(t)"},
        Rendering{u"set o = nothing", u"Set o = Nothing"},
        // One space between tokens, none inside parentheses.
        Rendering{u"x   =   ( a+b )*c", u"x = (a + b) * c"},
        Rendering{u"x=a<>b", u"x = a <> b"},
        Rendering{u"x = a >=b", u"x = a >= b"},
        Rendering{u"x = a=<b", u"x = a <= b"},
        Rendering{u"x = a Mod b\\c^2", u"x = a Mod b \\ c ^ 2"},
        Rendering{u"y = f( 1 , 2 ,3 )", u"y = f(1, 2, 3)"},
        Rendering{u"y = a(1)(2)", u"y = a(1)(2)"},
        // Empty arguments.
        Rendering{u"MsgBox \"a\",,\"t\"", u"MsgBox \"a\", , \"t\""},
        Rendering{u"Debug.Print a;b;", u"Debug.Print a; b;"},
        // Named arguments.
        Rendering{u"MsgBox prompt := \"a\" , title:=\"t\"", u"MsgBox prompt:=\"a\", title:=\"t\""},
        // "(" after a name keeps whether a space stood before it.
        Rendering{u"MsgBox (x)", u"MsgBox (x)"},
        Rendering{u"Call Foo (1)", u"Call Foo(1)"},
        Rendering{u"y = f (1)", u"y = f(1)"},
        Rendering{u"Debug.Print (x)", u"Debug.Print (x)"},
        Rendering{u"Private Sub Foo (ByVal a As Long)", u"Private Sub Foo(ByVal a As Long)"},
        Rendering{u"If(a) Then", u"If (a) Then"},
        // Statements separated by colons; labels.
        Rendering{u"a = 1 :b = 2", u"a = 1: b = 2"},
        Rendering{u"Done :  Exit Sub", u"Done: Exit Sub"},
        Rendering{u"100   x = 1", u"100 x = 1"},
        // Signs.
        Rendering{u"x = - 1", u"x = -1"},
        Rendering{u"x = a -1", u"x = a - 1"},
        Rendering{u"x = f(-1, - y)", u"x = f(-1, -y)"},
        Rendering{u"For i = 10 To 1 Step - 1", u"For i = 10 To 1 Step -1"},
        Rendering{u"x = Not -a", u"x = Not -a"},
        Rendering{u"Debug.Print -1", u"Debug.Print -1"},
        Rendering{u"Debug.Print - 1", u"Debug.Print - 1"},
        Rendering{u"Foo -x, - y", u"Foo -x, -y"},
        Rendering{u"Debug.Print n - 1", u"Debug.Print n - 1"},
        Rendering{u"Debug.Print n -1", u"Debug.Print n - 1"},
        // Members, bang, With.
        Rendering{u"x = Me . Name", u"x = Me.Name"},
        Rendering{u"  .Value = 1", u"  .Value = 1"},
        Rendering{u"With o: .a = .b: End With", u"With o: .a = .b: End With"},
        Rendering{u"x = rs!Field", u"x = rs!Field"},
        // File numbers, directives, dates.
        Rendering{u"print #1, x", u"Print #1, x"},
        Rendering{u"Close #1: Close #2", u"Close #1: Close #2"},
        Rendering{u"#if vba7 then", u"#If vba7 Then"},
        Rendering{u"#end if", u"#End If"},
        Rendering{u"d = #1/2/2003#", u"d = #1/2/2003#"},
        Rendering{u"d = #12:30:00 PM#+1", u"d = #12:30:00 PM# + 1"},
        // Type suffixes and number forms.
        Rendering{u"Dim n&, s$, d#", u"Dim n&, s$, d#"},
        Rendering{u"x = a&b", u"x = a & b"},
        Rendering{u"x = n&+1", u"x = n& + 1"},
        Rendering{u"x = &hff + &o17", u"x = &HFF + &O17"},
        Rendering{u"x = 1.5E+3*.5", u"x = 1.5E+3 * .5"},
        Rendering{u"x = [my name]+1", u"x = [my name] + 1"},
        // String literals keep their text, doubled quotes included.
        Rendering{uR"(s = "on error goto"&"  ""x""  ")", uR"(s = "on error goto" & "  ""x""  ")"},
        // A trailing comment keeps its column, or stands one space after the code.
        Rendering{u"x = 1      ' note", u"x = 1      ' note"},
        Rendering{u"x  =  1    ' note  ", u"x = 1      ' note  "},
        Rendering{u"x = 1'note", u"x = 1 'note"},
        Rendering{u"x=a+b ' n", u"x = a + b ' n"},
        Rendering{u"a = 1: rem  NOTE  ", u"a = 1: rem  NOTE  "},
        // Indentation kept, trailing blanks dropped, a final " _" kept.
        Rendering{u"\tx = 1\t ", u"\tx = 1"},
        Rendering{u"    x = a +   _", u"    x = a + _"},
        // Whole statements as a module holds them.
        Rendering{u"private declare ptrsafe function GetTickCount lib \"kernel32\"() as long",
                  u"Private Declare PtrSafe Function GetTickCount Lib \"kernel32\" () As Long"},
        Rendering{u"Dim buf(1 to 10) as string*8", u"Dim buf(1 To 10) As String * 8"},
        Rendering{u"redim preserve a(ubound(a)+1)", u"ReDim Preserve a(UBound(a) + 1)"},
        Rendering{u"#const DEBUG_=1", u"#Const DEBUG_ = 1"},
        Rendering{u"If Not o Is Nothing And n>=0 Then", u"If Not o Is Nothing And n >= 0 Then"},
        Rendering{u"select case x: case 1,2: case else: end select",
                  u"Select Case x: Case 1, 2: Case Else: End Select"},
        // Blank and comment lines are never changed.
        Rendering{u"", u""},
        Rendering{u"    ", u"    "},
        Rendering{u"  'deb  x  ", u"  'deb  x  "},
        Rendering{u"REM   ON ERROR", u"REM   ON ERROR"},
        Rendering{u"'|概  要|:x   =   1", u"'|概  要|:x   =   1"},
        Rendering{u"'|No.1  |Sub|A              |:", u"'|No.1  |Sub|A              |:"},
        Rendering{u"'| No.1 | a                   |I  | Long                |:",
                  u"'| No.1 | a                   |I  | Long                |:"}));

TEST(InsertedLines, ContinuedStatementLinesAreRenderedAndContinuedCommentsAreNot) {
  MemoryCodeModule module(u"Module1", {u"Sub A()", u"End Sub"});
  module.InsertLines(2, u"    x = f(a,  _" + Text(kCrLf) + u"          -b)  ' see  _" + Text(kCrLf) +
                            u"    ON ERROR   stays" + Text(kCrLf) + u"    y  =  1");
  EXPECT_EQ(module.AllLines(), Lines(uR"(
Sub A()
    x = f(a, _
          -b)  ' see  _
    ON ERROR   stays
    y = 1
End Sub
)"));
}

TEST(InsertedLines, ALineInsertedBelowAContinuedCommentIsComment) {
  MemoryCodeModule module(u"Module1", {u"' note _", u"x  =  1 ' more _", u"  and  more"});
  module.InsertLines(2, u"on error goto 0");
  module.InsertLines(4, u"x  =  2");
  module.InsertLines(5, u"x  =  3");
  EXPECT_EQ(module.AllLines(), Lines(uR"(
' note _
on error goto 0
x  =  1 ' more _
x  =  2
x = 3
  and  more
)"));
}

TEST(InsertedLines, ReplaceLineRendersToo) {
  MemoryCodeModule module(u"Module1", {u"Sub A()", u"    x=1", u"End Sub"});
  module.ReplaceLine(2, u"    on error resume next" + Text(kCrLf) + u"    x=1");
  EXPECT_EQ(module.AllLines(), Lines(uR"(
Sub A()
    On Error Resume Next
    x = 1
End Sub
)"));
}

TEST(InsertedLines, LinesGivenAtLoadAreKeptAsWritten) {
  const std::vector<Text> loaded = Lines(uR"(
Sub A()
    ON ERROR GOTO PROC_ERR
    Debug.Print  "total = " ;total
End Sub
)");
  testing::MemoryEditor e = testing::EditorWith(u"Module1", loaded);
  EXPECT_EQ(e.Module(), loaded);
  e.module->InsertLines(4, u"");
  EXPECT_EQ(e.module->Line(3), u"    Debug.Print  \"total = \" ;total");
}

TEST(InsertedLines, RenderedTextIsWhatFindAndProceduresSee) {
  MemoryCodeModule module(u"Module1", {u"Option Explicit"});
  module.InsertLines(2, u"PUBLIC  SUB   Foo ( )" + Text(kCrLf) + u"END   SUB");
  EXPECT_EQ(module.AllLines(), Lines(uR"(
Option Explicit
Public Sub Foo()
End Sub
)"));
  EXPECT_EQ(module.ProcBodyLine(u"foo", kProcKindProc), 2);
  Row sl = 0, el = 0;
  std::int32_t sc = 0, ec = 0;
  EXPECT_TRUE(module.Find(u"Sub Foo", sl, sc, el, ec, false, true));
  EXPECT_EQ(sc, 8);
}

TEST(RenderStatementLine, TellsWhereTheNextLineStands) {
  EXPECT_EQ(RenderStatementLine(u"x = 1", LinePlace::kStart).next, LinePlace::kStart);
  EXPECT_EQ(RenderStatementLine(u"x = a + _", LinePlace::kStart).next, LinePlace::kContinuedStatement);
  EXPECT_EQ(RenderStatementLine(u"x = 1 ' a _", LinePlace::kStart).next, LinePlace::kContinuedComment);
  EXPECT_EQ(RenderStatementLine(u"' a _", LinePlace::kStart).next, LinePlace::kContinuedComment);
  EXPECT_EQ(RenderStatementLine(u"b _", LinePlace::kContinuedComment).next, LinePlace::kContinuedComment);
  EXPECT_EQ(RenderStatementLine(u"b", LinePlace::kContinuedComment).next, LinePlace::kStart);
  // "_" glued to a name is part of the name.
  EXPECT_EQ(RenderStatementLine(u"x = a_", LinePlace::kStart).next, LinePlace::kStart);
}

// Lines put together at random from pieces of VBA with random blanks: the
// stored form renders to itself, keeps every string literal and comment,
// and ends without blanks unless a comment or an unclosed literal ends it.
TEST(RenderStatementLine, IsStableAndKeepsLiteralsOnRandomLines) {
  const std::vector<Text> pieces = {
      u"x", u"Foo", u"Debug", u".", u"Print", u"(", u")", u",", u";", u":", u":=", u"=", u"-",
      u"+", u"*", u"&", u"<", u">", u"<>", u"#", u"1", u"1.5", u"&H1f", u"#1/2/2003#", u"!",
      u"n&", u"s$", u"If", u"Then", u"Not", u"To", u"Step", u"[a b]", u"\"a  \"\"b\"",
      u"合計", u"_", u"Rem", u"\t", u"on", u"error", u"goto"};
  std::uint32_t seed = 12345;
  auto next = [&seed](std::uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % n;
  };
  for (int round = 0; round < 5000; ++round) {
    Text line(next(3), u' ');
    const std::uint32_t count = 1 + next(10);
    for (std::uint32_t k = 0; k < count; ++k) {
      line += pieces[next(static_cast<std::uint32_t>(pieces.size()))];
      line += Text(next(3), u' ');
    }
    if (next(4) == 0) line += u"' c  _";
    SCOPED_TRACE(U8(line));
    const Text once = RenderStatementLine(line, LinePlace::kStart).text;
    EXPECT_EQ(U8(RenderStatementLine(once, LinePlace::kStart).text), U8(once));
    const std::size_t literal = line.find(u"\"a  \"\"b\"");
    if (literal != Text::npos && line.find(u'\'') > literal) {
      EXPECT_NE(once.find(u"\"a  \"\"b\""), Text::npos);
    }
    if (line.find(u"' c  _") != Text::npos && line.find(u'"') == Text::npos) {
      EXPECT_TRUE(EndsWith(once, u"' c  _"));
    }
  }
}

}  // namespace
}  // namespace qlx
