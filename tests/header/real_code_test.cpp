// Headers on code as people write it: section banners and doc comments around
// a header, comments between a header and its declaration, declarations
// written once per build under #If, one-line procedures, procedures of one
// name under #If ... #Else, and modules of more than 300 procedures. Every
// writer keeps the user's lines, and a second run changes nothing.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "check/module_check.h"
#include "header/header_test_support.h"
#include "header/mod_insert_header.h"
#include "host/ui.h"

namespace qlx {
namespace {

using header_test::Editor;
using header_test::ExpectModule;
using header_test::ModuleLines;
using header_test::Numbered;
using header_test::Rerun;
using header_test::Write;
using header_test::WriteAt;

const auto kRefresh = [](Editor& e) { e.header.RefreshHeaders(); };
const auto kAllHeaders = [](Editor& e) { e.header.InsertHeaderAll(); };

// The header of `Check(ByVal b As Boolean)` once it is current; {OLD} is an
// out-of-date header of the same procedure (its parameter row is missing).
const std::u16string kCurrentCheck = uR"({SEP}
'|概  要|:確かめる
{TITLE}
'| No.1 | b                   |I  | Boolean             |:
'|依  存|:
'|解  説|:
'|      |:
'|作  者|:Tester: 作成日:2025/01/01: 更新:2026/12/08 9:05:03)";
const std::u16string kOldCheck = uR"({SEP}
'|概  要|:確かめる
'|依  存|:
'|解  説|:
'|      |:
'|作  者|:Tester: 作成日:2025/01/01: 更新:未更新)";

std::u16string With(std::u16string text) {
  testing::ReplaceAll(text, u"{OLD}", kOldCheck);
  testing::ReplaceAll(text, u"{NEW}", kCurrentCheck);
  return text;
}

struct KeptCase {
  const char* name;
  std::u16string before;
  std::u16string after;
};

class KeptLines : public ::testing::TestWithParam<KeptCase> {};

// The update starts at the header's own separator, never higher, and keeps
// every line of the user's between it and the declaration, below the new
// header, in order: in the one-procedure command and in `headers`.
TEST_P(KeptLines, UpdateKeepsEveryLineTheUserWrote) {
  const KeptCase& c = GetParam();
  {
    SCOPED_TRACE("header");
    ExpectModule<Editor>(With(c.before), WriteAt(u"Public Sub Check(ByVal b As Boolean)", {}, 1, 1),
                         With(c.after), {}, Rerun::Unchanged());
  }
  {
    SCOPED_TRACE("headers");
    ExpectModule<Editor>(With(c.before), kRefresh, With(c.after), {}, Rerun::Unchanged());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeptLines,
    ::testing::Values(
        KeptCase{"SectionBannerAndDocCommentAboveTheHeader", uR"(
Option Explicit

'>>>>>>>>>>
'Assert helpers
'>>>>>>>>>>

'Raises an error when b is False
{OLD}
Public Sub Check(ByVal b As Boolean)
End Sub
)",
                 uR"(
Option Explicit

'>>>>>>>>>>
'Assert helpers
'>>>>>>>>>>

'Raises an error when b is False
{NEW}
Public Sub Check(ByVal b As Boolean)
End Sub
)"},
        KeptCase{"CommentsBetweenTheHeaderAndTheDeclaration", uR"(
Option Explicit
{OLD}
'@Description("Checks b")

    ' indented note
Public Sub Check(ByVal b As Boolean)
End Sub
)",
                 uR"(
Option Explicit
{NEW}
'@Description("Checks b")

    ' indented note
Public Sub Check(ByVal b As Boolean)
End Sub
)"},
        KeptCase{"ACommentInsideTheHeaderMovesBelowIt", uR"(
Option Explicit
{SEP}
'|概  要|:確かめる
' TODO: say what b is
'|依  存|:
'|解  説|:
'|      |:
'|作  者|:Tester: 作成日:2025/01/01: 更新:未更新
Public Sub Check(ByVal b As Boolean)
End Sub
)",
                 uR"(
Option Explicit
{SEP}
'|概  要|:確かめる
{TITLE}
'| No.1 | b                   |I  | Boolean             |:
'|依  存|:
'|解  説|:
'|      |:
'|作  者|:Tester: 作成日:2025/01/01: 更新:2026/12/08 9:05:03
' TODO: say what b is
Public Sub Check(ByVal b As Boolean)
End Sub
)"}),
    [](const auto& info) { return std::string(info.param.name); });

// Taking the update back at the confirmation puts the old lines back once:
// the user's lines it kept are not doubled.
TEST(KeptLines, TakingTheUpdateBackRestoresTheLinesOnce) {
  const std::u16string before = With(uR"(
Option Explicit
'>>>>>>>>>>
'Raises an error when b is False
{OLD}
' below the header
Public Sub Check(ByVal b As Boolean)
End Sub
)");
  Editor e(before);
  e.ui.Answers({Answer::kYes, Answer::kNo});
  e.header.WriteHeaderProc(11);
  EXPECT_EQ(Numbered(e.Module()), Numbered(ModuleLines(before)));
}

// One body, one declaration per build: the header goes above the #If, every
// directive line stays, and the update leaves them where they are.
const std::u16string kConditional = uR"(
Option Explicit
Private m As Long

Private Sub First()
End Sub

#If VBA7 Then
Private Function Handle(ByVal h As LongPtr) As Long
#Else
Private Function Handle(ByVal h As Long) As Long
#End If
    Handle = 1
End Function
)";
const std::u16string kConditionalWritten = uR"(
Option Explicit
Private m As Long

{SEP}
'|概  要|:
{TITLE}
'|依  存|:
'|解  説|:
'|      |:
'|作  者|:Tester: 作成日:2026/12/08: 更新:未更新
Private Sub First()
End Sub

{SEP}
'|概  要|:
'|戻り値|:型 Long :
{TITLE}
'| No.1 | h                   |I  | LongPtr             |:
'|依  存|:
'|解  説|:
'|      |:
'|作  者|:Tester: 作成日:2026/12/08: 更新:未更新
#If VBA7 Then
Private Function Handle(ByVal h As LongPtr) As Long
#Else
Private Function Handle(ByVal h As Long) As Long
#End If
    Handle = 1
End Function
)";

// The header's parameter title line is not written for a Sub without
// parameters: the placeholder goes.
std::u16string WithoutTitleAboveFirst(std::u16string text) {
  const std::u16string first = u"'|概  要|:\n{TITLE}\n'|依  存|:";
  testing::ReplaceAll(text, first, u"'|概  要|:\n'|依  存|:");
  return text;
}

TEST(ConditionalDeclaration, HeadersGoAboveTheIfAndARerunChangesNothing) {
  const std::u16string written = WithoutTitleAboveFirst(kConditionalWritten);
  ExpectModule<Editor>(kConditional, kRefresh, written, {}, Rerun::Unchanged());
  ExpectModule<Editor>(kConditional, kAllHeaders, written, {}, Rerun::Unchanged());
  ExpectModule<Editor>(kConditional, WriteAt(u"    Handle = 1"),
                       WithoutTitleAboveFirst(uR"(
Option Explicit
Private m As Long

Private Sub First()
End Sub

{SEP}
'|概  要|:
'|戻り値|:型 Long :
{TITLE}
'| No.1 | h                   |I  | LongPtr             |:
'|依  存|:
'|解  説|:
'|      |:
'|作  者|:Tester: 作成日:2026/12/08: 更新:未更新
#If VBA7 Then
Private Function Handle(ByVal h As LongPtr) As Long
#Else
Private Function Handle(ByVal h As Long) As Long
#End If
    Handle = 1
End Function
)"),
                       {}, Rerun::Shows({header_test::Ask(Answer::kNo)}));
}

TEST(ConditionalDeclaration, AnUpdateKeepsEveryDirectiveLine) {
  // The header lists no parameter: the update adds it.
  const std::u16string stale = uR"(
Option Explicit
{SEP}
'|概  要|:ハンドル
'|戻り値|:型 Long :
'|依  存|:
'|解  説|:
'|      |:
'|作  者|:Tester: 作成日:2025/01/01: 更新:未更新
#If VBA7 Then
Private Function Handle(ByVal h As LongPtr) As Long
#Else
Private Function Handle(ByVal h As Long) As Long
#End If
    Handle = 1
End Function
)";
  const std::u16string updated = uR"(
Option Explicit
{SEP}
'|概  要|:ハンドル
'|戻り値|:型 Long :
{TITLE}
'| No.1 | h                   |I  | LongPtr             |:
'|依  存|:
'|解  説|:
'|      |:
'|作  者|:Tester: 作成日:2025/01/01: 更新:2026/12/08 9:05:03
#If VBA7 Then
Private Function Handle(ByVal h As LongPtr) As Long
#Else
Private Function Handle(ByVal h As Long) As Long
#End If
    Handle = 1
End Function
)";
  ExpectModule<Editor>(stale, WriteAt(u"    Handle = 1", {}, 1, 1), updated, {}, Rerun::Unchanged());
  ExpectModule<Editor>(stale, kRefresh, updated, {}, Rerun::Unchanged());
}

// The first procedure's #If stands in the declaration section (the editor
// keeps directive lines there): its header is still found above the #If.
TEST(ConditionalDeclaration, FirstProcedureHeaderAboveTheIfIsFoundAgain) {
  const std::u16string module = uR"(
Option Explicit
#If VBA7 Then
Private Function Handle(ByVal h As LongPtr) As Long
#Else
Private Function Handle(ByVal h As Long) As Long
#End If
    Handle = 1
End Function
)";
  const std::u16string written = uR"(
Option Explicit
{SEP}
'|概  要|:
'|戻り値|:型 Long :
{TITLE}
'| No.1 | h                   |I  | LongPtr             |:
'|依  存|:
'|解  説|:
'|      |:
'|作  者|:Tester: 作成日:2026/12/08: 更新:未更新
#If VBA7 Then
Private Function Handle(ByVal h As LongPtr) As Long
#Else
Private Function Handle(ByVal h As Long) As Long
#End If
    Handle = 1
End Function
)";
  ExpectModule<Editor>(module, kRefresh, written, {}, Rerun::Unchanged());
  ExpectModule<Editor>(module, kAllHeaders, written, {}, Rerun::Unchanged());
}

// A one-line procedure: its declaration ends at the ":", its End is on the
// same line, and no command reports it.
TEST(OneLineProcedure, GetsItsHeaderWithTheDeclaredReturnType) {
  const std::u16string module = uR"(
Option Explicit
Private m As Long
Property Get Typee() As Long: Typee = m: End Property
Public Sub Tick(): m = m + 1: End Sub
)";
  const std::u16string written = uR"(
Option Explicit
Private m As Long
{SEP}
'|概  要|:
'|戻り値|:型 Long :
'|依  存|:
'|解  説|:
'|      |:
'|作  者|:Tester: 作成日:2026/12/08: 更新:未更新
Property Get Typee() As Long: Typee = m: End Property
{SEP}
'|概  要|:
'|依  存|:
'|解  説|:
'|      |:
'|作  者|:Tester: 作成日:2026/12/08: 更新:未更新
Public Sub Tick(): m = m + 1: End Sub
)";
  ExpectModule<Editor>(module, kRefresh, written, {}, Rerun::Unchanged());
  ExpectModule<Editor>(module, kAllHeaders, written, {}, Rerun::Unchanged());
}

// Two procedures of one name under #If ... #Else: each is found once, in
// file order, and the procedure after them too, on the first run.
TEST(SameNameUnderIf, EveryProcedureGetsItsHeaderOnTheFirstRun) {
  const std::u16string module = uR"(
Option Explicit

#If Mac Then
Public Function FixName(ByVal s As String) As String
    FixName = s
End Function
#Else
Public Function FixName(ByVal s As String) As String
    FixName = Replace(s, "/", "\")
End Function
#End If

Public Sub After()
End Sub
)";
  const std::u16string written = uR"(
Option Explicit

#If Mac Then
{SEP}
'|概  要|:
'|戻り値|:型 String :
{TITLE}
'| No.1 | s                   |I  | String              |:
'|依  存|:
'|解  説|:
'|      |:
'|作  者|:Tester: 作成日:2026/12/08: 更新:未更新
Public Function FixName(ByVal s As String) As String
    FixName = s
End Function
#Else
{SEP}
'|概  要|:
'|戻り値|:型 String :
{TITLE}
'| No.1 | s                   |I  | String              |:
'|依  存|:
'|解  説|:
'|      |:
'|作  者|:Tester: 作成日:2026/12/08: 更新:未更新
Public Function FixName(ByVal s As String) As String
    FixName = Replace(s, "/", "\")
End Function
#End If

{SEP}
'|概  要|:
'|依  存|:
'|解  説|:
'|      |:
'|作  者|:Tester: 作成日:2026/12/08: 更新:未更新
Public Sub After()
End Sub
)";
  ExpectModule<Editor>(module, kRefresh, written, {}, Rerun::Unchanged());
  ExpectModule<Editor>(module, kAllHeaders, written, {}, Rerun::Unchanged());
}

// What check finds right after a writer.
std::vector<std::string> Findings(const std::vector<Text>& lines) {
  MemoryCodeModule module(u"Module1", lines);
  check::CheckOptions options;
  options.author = u"Tester";
  std::vector<std::string> out;
  for (const check::Finding& f : check::CheckModule(module, options)) {
    out.push_back(std::string(check::RuleId(f.rule)) + "@" + std::to_string(f.row) + " " + ToUtf8(f.message));
  }
  return out;
}

// The module table and the procedure record decide whether a parameter is
// assigned to by rules of their own; a header either would write is current.
TEST(CommandsAgree, CheckFindsNothingRightAfterAllHeadersOrHeaders) {
  const std::u16string module = uR"(
Option Explicit
Public Sub Fill(Destination As Range, ByVal v As Variant)
    Destination.Cells(1, 1).Resize(2, 2) = v
End Sub
)";
  for (const auto& [name, writer] :
       std::vector<std::pair<std::string, std::function<void(Editor&)>>>{{"all-headers", kAllHeaders},
                                                                       {"headers", kRefresh}}) {
    SCOPED_TRACE(name);
    Editor e(module);
    writer(e);
    EXPECT_EQ(Findings(e.Module()), std::vector<std::string>{});
    // And headers, run after either, leaves what it finds current alone.
    const std::vector<Text> once = e.Module();
    e.ui.long_time = u"23:59:59";
    e.header.RefreshHeaders();
    EXPECT_EQ(Numbered(e.Module()), Numbered(once));
  }
}

// `headers` gives every procedure a header however many the module has; the
// limit of 300 is the module header's and all-headers'.
TEST(CommandsAgree, HeadersWritesEveryHeaderOfAModuleOfMoreThan300Procedures) {
  std::u16string module = u"Option Explicit\n";
  for (int i = 1; i <= 302; ++i) {
    module += u"Sub P" + Str(i) + u"()\nEnd Sub\n";
  }
  Editor e(module);
  const HeaderRefreshCount done = e.header.RefreshHeaders();
  EXPECT_EQ(done.written, 302);
  EXPECT_EQ(done.failed, 0);
  EXPECT_TRUE(e.ui.boxes.empty());
  EXPECT_EQ(Findings(e.Module()), std::vector<std::string>{});
  const std::vector<Text> once = e.Module();
  e.header.RefreshHeaders();
  EXPECT_EQ(e.Module(), once);
}

}  // namespace
}  // namespace qlx
