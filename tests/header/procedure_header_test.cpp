// The procedure header as it is written: the lines of a new header, the
// parameter rows with their numbering, cuts and padding, and what an updated
// header carries over from the old one.
#include "header/procedure_header.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "header/header_test_support.h"
#include "header/mod_insert_header.h"
#include "host/memory/editor.h"
#include "host/ui.h"
#include "host/vberror.h"

namespace qlx {
namespace {

using header_test::Editor;
using header_test::ExpectModule;
using header_test::kTitleLine;
using header_test::Notice;
using header_test::Numbered;
using header_test::Rerun;
using header_test::Ask;
using header_test::BrokenClockUi;
using header_test::Write;

struct NewHeaderCase {
  const char* name;
  std::u16string before;
  Row row;
  std::u16string after;
};

class NewHeader : public ::testing::TestWithParam<NewHeaderCase> {};

TEST_P(NewHeader, IsWrittenAboveTheDeclarationWithoutAQuestion) {
  const NewHeaderCase& c = GetParam();
  ExpectModule(c.before, Write(c.row), c.after, {}, Rerun::Shows({Ask(Answer::kNo)}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NewHeader,
    ::testing::Values(
        NewHeaderCase{"SubWithoutParametersHasSixLines", uR"(
Option Explicit

Public Sub Run()
End Sub
)",
                      4, uR"(
Option Explicit

{SEP}
'|概  要|:
'|依  存|:
'|解  説|:
'|      |:
'|作  者|:Tester: 作成日:2026/12/08: 更新:未更新
Public Sub Run()
End Sub
)"},
        NewHeaderCase{"FunctionWithReturnLineAndParameterTable", uR"(
Option Explicit

Public Function Calc(ByVal a As Long, b As String, Optional n As Integer = 5, ParamArray rest() As Variant) As Long
    b = "x"
End Function
)",
                      4, uR"(
Option Explicit

{SEP}
'|概  要|:
'|戻り値|:型 Long :
'|ﾊﾟﾗﾒｰﾀ| 仮引数名            |I/O| 型                  | 説明
'| No.1 | a                   |I  | Long                |:
'| No.2 | b                   |I/O| String              |:
'| No.3 | [n]                 |I  | [Integer]           |[Def=5]:
'| No.4 | rest()              |SPC| Variant             |ParamArray:
'|依  存|:
'|解  説|:
'|      |:
'|作  者|:Tester: 作成日:2026/12/08: 更新:未更新
Public Function Calc(ByVal a As Long, b As String, Optional n As Integer = 5, ParamArray rest() As Variant) As Long
    b = "x"
End Function
)"},
        // Other comments of the block stay above; a separator without an
        // author line is no header.
        NewHeaderCase{"GoesBelowOtherCommentsAndALoneSeparator", uR"(
Option Explicit
' note about Get
    {SEP}
'|概  要|:old
Property Get Value() As String
End Property
)",
                      6, uR"(
Option Explicit
' note about Get
    {SEP}
'|概  要|:old
{SEP}
'|概  要|:
'|戻り値|:型 String :
'|依  存|:
'|解  説|:
'|      |:
'|作  者|:Tester: 作成日:2026/12/08: 更新:未更新
Property Get Value() As String
End Property
)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NewHeader, EmptyAuthorNameIsWrittenAsNothing) {
  ExpectModule<Editor>(uR"(
Option Explicit
Sub A()
End Sub
)",
                       [](Editor& e) {
                         e.header.AuthorName = u"";
                         e.header.WriteHeaderProc(2);
                       },
                       uR"(
Option Explicit
{SEP}
'|概  要|:
'|依  存|:
'|解  説|:
'|      |:
'|作  者|:: 作成日:2026/12/08: 更新:未更新
Sub A()
End Sub
)",
                       {}, Rerun::Shows({Ask(Answer::kNo)}));
}

// 30 parameters, the most a procedure may have: 38 lines, and numbers of two
// digits close up to the bar.
TEST(NewHeader, ThirtyParametersGiveThirtyEightLines) {
  std::u16string declaration = u"Public Function Many(";
  for (int k = 1; k <= 30; ++k) {
    if (k > 1) declaration += u", ";
    declaration += u"p" + Str(k) + u" As Long";
  }
  declaration += u") As Long";
  Editor editor(u"Option Explicit\n" + declaration + u"\nEnd Function\n");

  editor.header.WriteHeaderProc(2);

  const std::vector<Text> lines = editor.Module();
  ASSERT_EQ(lines.size(), 1u + 38u + 2u) << Numbered(lines);
  EXPECT_EQ(lines[39], declaration);
  EXPECT_EQ(lines[4], kTitleLine);
  EXPECT_EQ(lines[5], u"'| No.1 | p1                  |I  | Long                |:");
  EXPECT_EQ(lines[13], u"'| No.9 | p9                  |I  | Long                |:");
  EXPECT_EQ(lines[14], u"'| No.10| p10                 |I  | Long                |:");
  EXPECT_EQ(lines[34], u"'| No.30| p30                 |I  | Long                |:");
  EXPECT_EQ(lines[35], u"'|依  存|:");
  EXPECT_TRUE(editor.ui.boxes.empty());
}

HeaderProc OneParam(Text name, Text type, Text io = u"I", Text keyword1 = u"") {
  ParamInf param;
  param.VarName = std::move(name);
  param.VarType = std::move(type);
  param.RefIO = std::move(io);
  param.KeyWord1 = std::move(keyword1);
  return HeaderProc{u"N/A", {param}};
}

// The parameter row of a new header for one parameter.
Text RowOf(const HeaderProc& proc) {
  Short count = 0;
  std::vector<Text> lines = BuildProcedureHeader(proc, nullptr, u"x", u"d", count);
  EXPECT_EQ(count, 8);
  return lines.at(3);
}

TEST(ParamRow, NameAndTypeAreCutAtTwentyOneCharacters) {
  struct Case {
    Text name, type, row;
  };
  const Case cases[] = {
      {u"abcdefghijklmnopqrs", u"Long",
       u"'| No.1 | abcdefghijklmnopqrs |I  | Long                |:"},
      {u"abcdefghijklmnopqrst", u"Long",
       u"'| No.1 | abcdefghijklmnopqrst|I  | Long                |:"},
      {u"abcdefghijklmnopqrstu", u"Long",
       u"'| No.1 | abcdefghijklmnopqrs~|I  | Long                |:"},
      {u"x", u"ABCDEFGHIJKLMNOPQRST",
       u"'| No.1 | x                   |I  | ABCDEFGHIJKLMNOPQRST|:"},
      {u"x", u"ABCDEFGHIJKLMNOPQRSTU",
       u"'| No.1 | x                   |I  | ABCDEFGHIJKLMNOPQRS~|:"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::U8(c.name + u" / " + c.type));
    EXPECT_EQ(RowOf(OneParam(c.name, c.type)), c.row);
  }
}

// Display columns of the bars of a line.
std::vector<int> BarColumns(const Text& line) {
  std::vector<int> columns;
  for (long long i = 1; i <= static_cast<long long>(line.size()); ++i) {
    if (Mid(line, i, 1) == u"|") columns.push_back(DisplayWidth(Left(line, i)));
  }
  return columns;
}

// Cells are padded by characters: one-column text lines the bars up with the
// title's, full-width text pushes the later bars to the right on screen.
TEST(ParamRow, CellsArePaddedByCharacterCount) {
  const std::vector<int> title_bars = {2, 9, 31, 35, 57};
  EXPECT_EQ(BarColumns(kTitleLine), title_bars);
  EXPECT_EQ(BarColumns(RowOf(OneParam(u"count", u"Long"))), title_bars);

  const Text row = RowOf(OneParam(u"数量", u"整数型"));
  EXPECT_EQ(row, u"'| No.1 | 数量                  |I  | 整数型                 |:");
  EXPECT_EQ(BarColumns(row), (std::vector<int>{2, 9, 33, 37, 62}));
}

SavedHeaderParts OldHeader() {
  SavedHeaderParts saved;
  saved.summary = u"合計";
  saved.return_note = u"件数";
  saved.params[0] = {u"first", u"I*O", u"一つ目"};
  saved.params[1] = {u"second", u"I*", u"二つ目"};
  saved.params[2] = {u"old", u"I", u"改名前"};
  saved.params[3] = {u"lone", u"O", u"印は消える"};
  saved.params[4] = {u"abcdefghijklmnopqrs~", u"I/O", u"長い名前"};
  saved.params[5] = {u"typed", u"I/O", u"手書き"};
  saved.dependency = u"なし";
  saved.explanation = u"説明";
  saved.continuation = u"続き";
  saved.author_tail = u"Tester: 作成日:2025/01/01: 更新:2026/12/08 9:05:03";
  return saved;
}

ParamInf Param(Text name, Text io) {
  ParamInf param;
  param.VarName = std::move(name);
  param.VarType = u"Long";
  param.RefIO = std::move(io);
  return param;
}

TEST(UpdatedHeader, NotesFollowTheNameAndOnlyStarredMarksSurvive) {
  const HeaderProc proc{u"Long",
                        {Param(u"second", u"I/O"), Param(u"first", u"I"), Param(u"renamed", u"I"),
                         Param(u"lone", u"I/O"), Param(u"abcdefghijklmnopqrstuvw", u"I"),
                         Param(u"typed", u"I"), Param(u"fresh", u"I")}};
  const SavedHeaderParts saved = OldHeader();
  Short count = 0;
  std::vector<Text> lines = BuildProcedureHeader(proc, &saved, u"ignored", u"ignored", count);
  ASSERT_EQ(count, 15);
  lines.resize(15);

  const std::vector<Text> expected = {
      header_test::kSeparator,
      u"'|概  要|:合計",
      u"'|戻り値|:型 Long :件数",
      kTitleLine,
      u"'| No.1 | second              |I* | Long                |:二つ目",
      u"'| No.2 | first               |I*O| Long                |:一つ目",
      u"'| No.3 | renamed             |I  | Long                |:",
      u"'| No.4 | lone                |I/O| Long                |:印は消える",
      u"'| No.5 | abcdefghijklmnopqrs~|I  | Long                |:長い名前",
      u"'| No.6 | typed               |I  | Long                |:手書き",
      u"'| No.7 | fresh               |I  | Long                |:",
      u"'|依  存|:なし",
      u"'|解  説|:説明",
      u"'|      |:続き",
      u"'|作  者|:Tester: 作成日:2025/01/01: 更新:2026/12/08 9:05:03",
  };
  EXPECT_EQ(Numbered(lines), Numbered(expected));
}

TEST(NewHeader, BuildFailureIsReportedAndNothingIsInserted) {
  using BrokenEditor = header_test::HeaderEditor<ModInsertHeader, BrokenClockUi>;
  ExpectModule<BrokenEditor>(
      uR"(
Option Explicit
Sub A()
End Sub
)",
      Write<BrokenEditor>(2),
      uR"(
Option Explicit
Sub A()
End Sub
)",
      {{u"CreateHeaderProc", u"Error: 5. Invalid procedure call or argument", Buttons::kOk,
        Answer::kOk},
       Notice(u"ヘッダを作成できませんでした")},
      Rerun::Shows({{u"CreateHeaderProc", u"Error: 5. Invalid procedure call or argument", Buttons::kOk,
                     Answer::kOk},
                    Notice(u"ヘッダを作成できませんでした")}));
}

}  // namespace
}  // namespace qlx
