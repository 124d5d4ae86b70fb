// Headers that can be rerun: a header is written where none is, updated
// where the update changes more than its time, and left alone otherwise; a
// second pass changes nothing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "header/header_test_support.h"
#include "header/mod_insert_header.h"
#include "host/host.h"
#include "host/memory/editor.h"
#include "host/memory/line_cache.h"
#include "host/ui.h"

namespace qlx {
namespace {

using header_test::Editor;
using header_test::ExpectModule;
using header_test::ModuleLines;
using header_test::Notice;
using header_test::Numbered;
using header_test::Rerun;

const auto kRefresh = [](Editor& e) { e.header.RefreshHeaders(); };

// One procedure without a header, one whose header is current (its update
// time differs from the clock's), one whose parameter list grew.
const std::u16string kMixed = uR"(
Option Explicit

Public Sub Start(Optional ByVal n As Long = 5)
    Dim i As Long
End Sub
{SEP}
'|概  要|:倍にする
'|戻り値|:型 Long :結果
{TITLE}
'| No.1 | x                   |I/O| Long                |:入力
'|依  存|:
'|解  説|:
'|      |:
'|作  者|:Tester: 作成日:2025/01/01: 更新:2025/02/03 4:05:06
Private Function Twice(x As Long) As Long
    x = x * 2
    Twice = x
End Function
{SEP}
'|概  要|:足す
{TITLE}
'| No.1 | a                   |I  | Long                |:左
'|依  存|:
'|解  説|:
'|      |:
'|作  者|:Tester: 作成日:2025/01/01: 更新:未更新
Sub Add(a As Long, b As Long)
End Sub
)";

const std::u16string kMixedRefreshed = uR"(
Option Explicit

{SEP}
'|概  要|:
{TITLE}
'| No.1 | [n]                 |I  | [Long]              |[Def=5]:
'|依  存|:
'|解  説|:
'|      |:
'|作  者|:Tester: 作成日:2026/12/08: 更新:未更新
Public Sub Start(Optional ByVal n As Long = 5)
    Dim i As Long
End Sub
{SEP}
'|概  要|:倍にする
'|戻り値|:型 Long :結果
{TITLE}
'| No.1 | x                   |I/O| Long                |:入力
'|依  存|:
'|解  説|:
'|      |:
'|作  者|:Tester: 作成日:2025/01/01: 更新:2025/02/03 4:05:06
Private Function Twice(x As Long) As Long
    x = x * 2
    Twice = x
End Function
{SEP}
'|概  要|:足す
{TITLE}
'| No.1 | a                   |I  | Long                |:左
'| No.2 | b                   |I  | Long                |:
'|依  存|:
'|解  説|:
'|      |:
'|作  者|:Tester: 作成日:2025/01/01: 更新:2026/12/08 9:05:03
Sub Add(a As Long, b As Long)
End Sub
)";

TEST(RefreshHeaders, WritesMissingAndStaleHeadersAndLeavesCurrentOnes) {
  ExpectModule<Editor>(kMixed, kRefresh, kMixedRefreshed, {}, Rerun::Unchanged());
}

TEST(RefreshHeaders, SecondPassChangesNothingEvenAtALaterTime) {
  Editor e(kMixed);
  const HeaderRefreshCount first = e.header.RefreshHeaders();
  EXPECT_EQ(first.written, 2);
  EXPECT_EQ(first.current, 1);
  const std::vector<Text> once = e.Module();
  e.ui.short_date = u"2027/01/02";
  e.ui.long_time = u"23:59:59";
  const HeaderRefreshCount second = e.header.RefreshHeaders();
  EXPECT_EQ(second.written, 0);
  EXPECT_EQ(second.current, 3);
  EXPECT_EQ(Numbered(e.Module()), Numbered(once));
  EXPECT_TRUE(e.ui.boxes.empty());
}

TEST(RefreshHeaders, SettingsThatAskAreNotConsultedAndAreKept) {
  Editor e(kMixed);
  e.header.IgnoreMode = 0;
  e.header.UnUndoMode = 0;
  e.header.RefreshHeaders();
  EXPECT_TRUE(e.ui.boxes.empty());
  EXPECT_EQ(e.header.IgnoreMode, 0);
  EXPECT_EQ(e.header.UnUndoMode, 0);
}

TEST(RefreshHeaders, AuthorLineWithoutSeparatorIsReportedAndLeft) {
  const std::u16string broken = uR"(
'|概  要|:壊れた
'|作  者|:Tester: 作成日:2025/01/01: 更新:未更新
Sub Lonely()
End Sub
)";
  Editor e(broken);
  EXPECT_EQ(e.header.RefreshHeaders().failed, 1);
  EXPECT_EQ(Numbered(e.Module()), Numbered(ModuleLines(broken)));
  EXPECT_EQ(e.ui.boxes, std::vector<RecordedBox>{Notice(u"セパレータ'>>>>>>*が見つかりません")});
}

TEST(RefreshHeaders, ModuleWithoutProceduresIsLeftAlone) {
  Editor e(u"Option Explicit\nDim x As Long\n");
  const HeaderRefreshCount done = e.header.RefreshHeaders();
  EXPECT_EQ(done.written + done.current + done.failed, 0);
  EXPECT_EQ(Numbered(e.Module()), Numbered(ModuleLines(u"Option Explicit\nDim x As Long\n")));
  EXPECT_TRUE(e.ui.boxes.empty());
}

TEST(CheckHeaderProc, ReportsWhatTheUpdateWouldWriteWithoutWriting) {
  Editor e(kMixed);
  const std::vector<Text> before = e.Module();
  const auto row_of = [&](const Text& start) {
    const std::vector<Text> lines = e.Module();
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (lines[i].starts_with(start)) return static_cast<Row>(i + 1);
    }
    return Row{0};
  };
  const HeaderCheck add = e.header.CheckHeaderProc(row_of(u"Sub Add"));
  EXPECT_EQ(add.state, HeaderState::kStale);
  EXPECT_EQ(add.proc_name, u"Add");
  EXPECT_EQ(add.body_row, row_of(u"Sub Add"));
  EXPECT_EQ(add.start, add.body_row - 8);
  EXPECT_EQ(add.lines.size(), 8u);
  EXPECT_EQ(add.written.size(), 9u);
  EXPECT_EQ(add.written.back(), u"'|作  者|:Tester: 作成日:2025/01/01: 更新:2026/12/08 9:05:03");
  EXPECT_EQ(e.header.CheckHeaderProc(row_of(u"Public Sub Start")).state, HeaderState::kMissing);
  EXPECT_EQ(e.header.CheckHeaderProc(row_of(u"Private Function")).state, HeaderState::kCurrent);
  EXPECT_EQ(e.header.CheckHeaderProc(row_of(u"Option")).state, HeaderState::kNoProcedure);
  EXPECT_EQ(Numbered(e.Module()), Numbered(before));
}

struct DiffCase {
  const char* name;
  std::vector<Text> old_lines;
  std::vector<Text> new_lines;
  bool differs;
};

class DiffersBeyondTime : public ::testing::TestWithParam<DiffCase> {};

TEST_P(DiffersBeyondTime, OnlyTheTextAfterTheLastUpdateMarkIsIgnored) {
  EXPECT_EQ(DiffersBeyondUpdateTime(GetParam().old_lines, GetParam().new_lines), GetParam().differs);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DiffersBeyondTime,
    ::testing::Values(
        DiffCase{"Same", {u"'|概  要|:a", u"'|作  者|:X: 作成日:1: 更新:未更新"},
                 {u"'|概  要|:a", u"'|作  者|:X: 作成日:1: 更新:未更新"}, false},
        DiffCase{"TimeOnly", {u"'|作  者|:X: 作成日:1: 更新:未更新"}, {u"'|作  者|:X: 作成日:1: 更新:2026/12/08 9:05:03"},
                 false},
        DiffCase{"CreationDate", {u"'|作  者|:X: 作成日:1: 更新:未更新"}, {u"'|作  者|:X: 作成日:2: 更新:3"}, true},
        DiffCase{"NoMarkInNew", {u"'|作  者|:X: 作成日:1: 更新:未更新"}, {u"'|作  者|:"}, true},
        DiffCase{"Indented", {u"  '|概  要|:a"}, {u"'|概  要|:a"}, true},
        DiffCase{"MarkOutsideAuthorLine", {u"'|解  説|:更新:a"}, {u"'|解  説|:更新:b"}, true},
        DiffCase{"ExtraLine", {u"'|概  要|:a", u"' note"}, {u"'|概  要|:a"}, true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qlx

namespace qlx {
namespace {

// Row 1 of a module without declarations never belongs to the first
// procedure, so its header's separator lies outside the procedure.
TEST(RefreshHeaders, HeaderStartingOnRowOneIsFoundAndUpdatedInPlace) {
  header_test::Editor e(u"Sub A(x As Long)\nEnd Sub\n");
  e.header.RefreshHeaders();
  const std::vector<Text> once = e.Module();
  ASSERT_EQ(once.at(0), header_test::kSeparator);
  EXPECT_EQ(e.header.RefreshHeaders().current, 1);
  EXPECT_EQ(Numbered(e.Module()), Numbered(once));

  e.vbe->Module(u"Module1")->ReplaceLine(9, u"Sub A(x As Long, y As Long)");
  EXPECT_EQ(e.header.RefreshHeaders().written, 1);
  const std::vector<Text> updated = e.Module();
  EXPECT_EQ(updated.at(0), header_test::kSeparator);
  EXPECT_EQ(updated.at(4), u"'| No.2 | y                   |I  | Long                |:");
  EXPECT_EQ(updated.at(8), u"'|作  者|:Tester: 作成日:2026/12/08: 更新:2026/12/08 9:05:03");
  EXPECT_EQ(e.header.RefreshHeaders().current, 1);
  EXPECT_EQ(Numbered(e.Module()), Numbered(updated));
  EXPECT_TRUE(e.ui.boxes.empty());
}

// Through the line cache, as qlx runs it, each header goes to the editor as
// one edit: an update of a header on row 1 as one deletion and one insertion.
TEST(RefreshHeaders, EachHeaderReachesTheEditorAsOneEdit) {
  header_test::Editor e = header_test::EditorOf(u"Sub A(x As Long)\nEnd Sub\n\nSub B()\nEnd Sub\n").LineCache();
  const auto refresh = [&] {
    const std::shared_ptr<CodeModule> held = ActiveCodeModule(e.vbe.get());
    return e.header.RefreshHeaders();
  };
  CallLog& log = e.vbe->Log();
  const int inserts = log.Calls(HostCall::kInsertLines);
  EXPECT_EQ(refresh().written, 2);
  EXPECT_EQ(log.Calls(HostCall::kInsertLines) - inserts, 2);

  e.vbe->Module(u"Module1")->ReplaceLine(9, u"Sub A(x As Long, y As Long)");
  const int deletes = log.Calls(HostCall::kDeleteLines);
  const int inserts_before_update = log.Calls(HostCall::kInsertLines);
  EXPECT_EQ(refresh().written, 1);
  EXPECT_EQ(log.Calls(HostCall::kDeleteLines) - deletes, 1);
  EXPECT_EQ(log.Calls(HostCall::kInsertLines) - inserts_before_update, 1);
  EXPECT_EQ(e.Module().at(4), u"'| No.2 | y                   |I  | Long                |:");
  EXPECT_TRUE(e.ui.boxes.empty());
}

}  // namespace
}  // namespace qlx
