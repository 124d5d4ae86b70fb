// The module header: writing it, rewriting it with the description kept, the
// form for a module without procedures, every message of the whole-module
// commands, and clean-up when the editor fails.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "analysis/mod_get_procs_data.h"
#include "header/header_test_support.h"
#include "header/mod_insert_header.h"
#include "host/memory/editor.h"
#include "host/ui.h"
#include "host/vberror.h"

namespace qlx::header_test {
namespace {

using Action = std::function<void(Editor&)>;

const Action kModuleHeader = [](Editor& e) { e.header.InsertModuleHeader(); };
const Action kAllHeaders = [](Editor& e) { e.header.InsertHeaderAll(); };

// "Option Explicit" and `procs` empty Subs P1, P2, ...
std::u16string ManySubs(int procs) {
  std::u16string text = u"Option Explicit\n";
  for (int i = 1; i <= procs; ++i) text += u"Sub P" + Str(i) + u"()\nEnd Sub\n";
  return text;
}

TEST(ModuleHeader, ThreeProceduresGetNineLinesAboveEverythingElse) {
  Editor e(uR"(
Option Explicit

{SEP}
'|概  要|:合計を求める
'|作  者|:Tester: 作成日:2025/01/01: 更新:未更新
Public Function Calc() As Long
End Function
Private Sub NoHeader()
End Sub

    '|概  要|:字下げした概要は読まない
Property Get Value() As Long
End Property
)");
  std::vector<bool> locked_at_edit;
  e.module->OnEdit([&](Row, Row, Row) { locked_at_edit.push_back(!e.desktop.Unlocked()); });

  e.header.InsertModuleHeader();

  // NoHeader follows Calc directly: Calc's summary lies outside its span.
  EXPECT_EQ(Numbered(e.module->AllLines()), Numbered(ModuleLines(uR"(
'====================================Module1====================================
'|USAGE |:
'|  OF  |:
'| THIS |:
'|MODULE|:
'|Number|Knd|Procedure Name |:-----Summary Description-----
'|No.1  |Fnc|Calc           |:合計を求める
'|No.2  |Sub|NoHeader       |:
'|No.3  |PrG|Value          |:
Option Explicit

{SEP}
'|概  要|:合計を求める
'|作  者|:Tester: 作成日:2025/01/01: 更新:未更新
Public Function Calc() As Long
End Function
Private Sub NoHeader()
End Sub

    '|概  要|:字下げした概要は読まない
Property Get Value() As Long
End Property
)")));
  EXPECT_TRUE(e.ui.boxes.empty());
  EXPECT_EQ(e.desktop.lock_calls, (std::vector<WindowHandle>{MemoryDesktop::kCodeWindow, 0}));
  EXPECT_EQ(locked_at_edit, std::vector<bool>(9, true));
}

struct BannerCase {
  Text name;
  int left;
  int right;
};
void PrintTo(const BannerCase& c, std::ostream* os) { *os << testing::U8(c.name); }

class Banner : public ::testing::TestWithParam<BannerCase> {};

// An exact half goes to the even neighbour, which is not always the lower one.
TEST_P(Banner, CentresTheNameWithHalvesRoundedToEven) {
  const BannerCase& c = GetParam();
  Editor e = testing::EditorWith(c.name, u"Option Explicit");
  e.header.InsertModuleHeader();
  const Text expected = u"'" + Text(c.left, u'=') + c.name + Text(c.right, u'=');
  EXPECT_EQ(e.module->Line(1), expected);
  EXPECT_EQ(e.module->Line(1).size(), 80u);
}

INSTANTIATE_TEST_SUITE_P(Names, Banner,
                         ::testing::Values(BannerCase{u"Calculator", 34, 35},
                                           BannerCase{u"ModCalculate", 34, 33},
                                           BannerCase{u"ModCalculator", 33, 33},
                                           BannerCase{u"M", 39, 39}));

TEST(ModuleHeader, ProcedureRowsNumberNameAndSummaryCells) {
  std::u16string text = ManySubs(100);
  text += uR"(
'|概  要|:一二三四五六七八九十一二三四五六七八九十一二三四五六七八九十
Sub ABCDEFGHIJKLMNO()
End Sub
Sub ABCDEFGHIJKLMNOP()
End Sub
)";
  Editor e(text);
  e.header.InsertModuleHeader();
  const Row rows = 6;  // the procedure rows follow the table title
  EXPECT_EQ(e.module->Line(rows + 9), u"'|No.9  |Sub|P9             |:");
  EXPECT_EQ(e.module->Line(rows + 100), u"'|No.100|Sub|P100           |:");
  // A 30-character summary keeps its first 25 characters, without a mark.
  EXPECT_EQ(e.module->Line(rows + 101),
            u"'|No.101|Sub|ABCDEFGHIJKLMNO|:一二三四五六七八九十一二三四五六七八九十一二三四五");
  EXPECT_EQ(e.module->Line(rows + 102), u"'|No.102|Sub|ABCDEFGHIJKLMN~|:");
}

struct RewriteCase {
  const char* label;
  std::u16string before;
  std::u16string after;
};
void PrintTo(const RewriteCase& c, std::ostream* os) { *os << c.label; }

class Rewrite : public ::testing::TestWithParam<RewriteCase> {};

TEST_P(Rewrite, KeepsTheDescriptionAndReplacesTheRows) {
  SCOPED_TRACE(GetParam().label);
  ExpectModule(GetParam().before, kModuleHeader, GetParam().after, {}, Rerun::Unchanged());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Rewrite,
    ::testing::Values(
        RewriteCase{"two rows become three; the banner takes the current name",
                    uR"(
'================================OldModuleName================================
'|USAGE |:集計の共通処理
'|  OF  |:
'| THIS |:ワークシート関数から呼ぶ
'|MODULE|:2025年版
'|Number|Knd|Procedure Name |:-----Summary Description-----
'|No.1  |Fnc|Calc           |:古い概要
'|No.2  |Sub|Gone           |:
Option Explicit

Public Function Calc() As Long
End Function
Sub Added()
End Sub
Sub Another()
End Sub
)",
                    uR"(
{BANNER}
'|USAGE |:集計の共通処理
'|  OF  |:
'| THIS |:ワークシート関数から呼ぶ
'|MODULE|:2025年版
{MTITLE}
'|No.1  |Fnc|Calc           |:
'|No.2  |Sub|Added          |:
'|No.3  |Sub|Another        |:
Option Explicit

Public Function Calc() As Long
End Function
Sub Added()
End Sub
Sub Another()
End Sub
)"},
        RewriteCase{"three rows become one, below a first line that stays",
                    uR"(
'@Folder("Tools")
{BANNER}
'|USAGE |:使い方
'|  OF  |:
'| THIS |:
'|MODULE|:
{MTITLE}
'|No.1  |Sub|A              |:
'|No.2  |Sub|B              |:
'|No.3  |Sub|C              |:
Option Explicit
Sub A()
End Sub
)",
                    uR"(
'@Folder("Tools")
{BANNER}
'|USAGE |:使い方
'|  OF  |:
'| THIS |:
'|MODULE|:
{MTITLE}
'|No.1  |Sub|A              |:
Option Explicit
Sub A()
End Sub
)"},
        // Only "'|No." rows are procedure rows: the placeholder of a header
        // written without procedures stays below the new rows, every time.
        RewriteCase{"procedures added to a module that had none",
                    uR"(
{BANNER}
'|USAGE |:定数
'|  OF  |:
'| THIS |:
'|MODULE|:
{MTITLE}
'| No.0 |NUL|No Assignment  |:No Assignment
Option Explicit

Sub First()
End Sub
)",
                    uR"(
{BANNER}
'|USAGE |:定数
'|  OF  |:
'| THIS |:
'|MODULE|:
{MTITLE}
'|No.1  |Sub|First          |:
'| No.0 |NUL|No Assignment  |:No Assignment
Option Explicit

Sub First()
End Sub
)"},
        RewriteCase{"the placeholder row stays below the new rows",
                    uR"(
{BANNER}
'|USAGE |:定数
'|  OF  |:
'| THIS |:
'|MODULE|:
{MTITLE}
'|No.1  |Sub|First          |:
'| No.0 |NUL|No Assignment  |:No Assignment
Option Explicit

Sub First()
End Sub
Sub Second()
End Sub
)",
                    uR"(
{BANNER}
'|USAGE |:定数
'|  OF  |:
'| THIS |:
'|MODULE|:
{MTITLE}
'|No.1  |Sub|First          |:
'|No.2  |Sub|Second         |:
'| No.0 |NUL|No Assignment  |:No Assignment
Option Explicit

Sub First()
End Sub
Sub Second()
End Sub
)"},
        // Without a declaration line the header is part of the first
        // procedure's leading comments for the editor; it is still found.
        RewriteCase{"a header right above the first declaration, no declaration line",
                    uR"(
{BANNER}
'|USAGE |:説明
'|  OF  |:
'| THIS |:
'|MODULE|:
{MTITLE}
'|No.1  |Sub|Old            |:
Sub First()
End Sub
Sub Second()
End Sub
)",
                    uR"(
{BANNER}
'|USAGE |:説明
'|  OF  |:
'| THIS |:
'|MODULE|:
{MTITLE}
'|No.1  |Sub|First          |:
'|No.2  |Sub|Second         |:
Sub First()
End Sub
Sub Second()
End Sub
)"},
        RewriteCase{"a header above the first procedure's own header, no declaration line",
                    uR"(
'@Folder("Tools")
{BANNER}
'|USAGE |:
'|  OF  |:集計
'| THIS |:
'|MODULE|:
{MTITLE}
'|No.1  |Fnc|Calc           |:古い概要
'|No.2  |Sub|Gone           |:

'>>>>
'|概  要|:合計する
'| No.1 | a |I  | Long |:
Public Function Calc(a As Long) As Long
End Function
)",
                    uR"(
'@Folder("Tools")
{BANNER}
'|USAGE |:
'|  OF  |:集計
'| THIS |:
'|MODULE|:
{MTITLE}
'|No.1  |Fnc|Calc           |:合計する

'>>>>
'|概  要|:合計する
'| No.1 | a |I  | Long |:
Public Function Calc(a As Long) As Long
End Function
)"}));

// Written once, a module header is found and rewritten to the same lines.
class WrittenTwice : public ::testing::TestWithParam<RewriteCase> {};

TEST_P(WrittenTwice, TheSecondRunChangesNothing) {
  Editor e(GetParam().before);
  e.header.InsertModuleHeader();
  const std::vector<Text> once = e.module->AllLines();
  EXPECT_EQ(Numbered(once), Numbered(ModuleLines(GetParam().after)));
  e.header.InsertModuleHeader();
  EXPECT_EQ(Numbered(e.module->AllLines()), Numbered(once));
  EXPECT_TRUE(e.ui.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Modules, WrittenTwice,
    ::testing::Values(
        RewriteCase{"first line a procedure", uR"(
Sub A()
End Sub
)",
                    uR"(
{BANNER}
'|USAGE |:
'|  OF  |:
'| THIS |:
'|MODULE|:
{MTITLE}
'|No.1  |Sub|A              |:
Sub A()
End Sub
)"},
        RewriteCase{"comments, then procedures", uR"(
' tools

' A
Sub A()
End Sub
Function B() As Long
End Function
)",
                    uR"(
{BANNER}
'|USAGE |:
'|  OF  |:
'| THIS |:
'|MODULE|:
{MTITLE}
'|No.1  |Sub|A              |:
'|No.2  |Fnc|B              |:
' tools

' A
Sub A()
End Sub
Function B() As Long
End Function
)"},
        RewriteCase{"a declaration line", uR"(
Option Explicit
Sub A()
End Sub
)",
                    uR"(
{BANNER}
'|USAGE |:
'|  OF  |:
'| THIS |:
'|MODULE|:
{MTITLE}
'|No.1  |Sub|A              |:
Option Explicit
Sub A()
End Sub
)"}));

class WithoutProcedures : public ::testing::TestWithParam<RewriteCase> {};

TEST_P(WithoutProcedures, WriteTheTableWithThePlaceholderRow) {
  SCOPED_TRACE(GetParam().label);
  Editor e(GetParam().before);
  e.header.InsertModuleHeader();
  EXPECT_EQ(Numbered(e.module->AllLines()), Numbered(ModuleLines(GetParam().after)));
  EXPECT_TRUE(e.ui.boxes.empty());
  // Drawing is stopped once, by the form without procedures.
  EXPECT_EQ(e.desktop.lock_calls, (std::vector<WindowHandle>{MemoryDesktop::kCodeWindow, 0}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WithoutProcedures,
    ::testing::Values(
        RewriteCase{"new", uR"(
Option Explicit
Public Const Rate As Double = 0.1
)",
                    uR"(
{BANNER}
'|USAGE |:
'|  OF  |:
'| THIS |:
'|MODULE|:
{MTITLE}
'| No.0 |NUL|No Assignment  |:No Assignment
Option Explicit
Public Const Rate As Double = 0.1
)"},
        // Found by its banner, indented or not, and rewritten to its end mark.
        RewriteCase{"rewritten", uR"(
Option Explicit
  '================================OldModuleName================================
'|USAGE |:定数だけ
'|  OF  |:
'| THIS |:x
'|MODULE|:
{MTITLE}
'| No.0 |NUL|No Assignment  |:No Assignment
Public Const Rate As Double = 0.1
)",
                    uR"(
Option Explicit
{BANNER}
'|USAGE |:定数だけ
'|  OF  |:
'| THIS |:x
'|MODULE|:
{MTITLE}
'| No.0 |NUL|No Assignment  |:No Assignment
Public Const Rate As Double = 0.1
)"}));

struct MessageCase {
  const char* label;
  std::u16string module;
  Action action;
  RecordedBox box;
};
void PrintTo(const MessageCase& c, std::ostream* os) { *os << c.label; }

class Messages : public ::testing::TestWithParam<MessageCase> {};

// Every message and report of the whole-module commands, word for word; none
// of them comes with a change.
TEST_P(Messages, AreShownWordForWordAndNothingIsWritten) {
  SCOPED_TRACE(GetParam().label);
  ExpectModule(GetParam().module, GetParam().action, GetParam().module, {GetParam().box},
               Rerun::Shows({GetParam().box}));
}

Action Failing(HostCall call, int nth, Action action) {
  return [=](Editor& e) {
    e.vbe->Log().FailOn(call, nth, VbError(vberr::kSubscript));
    action(e);
  };
}

std::u16string ThirtyOneParameters() {
  std::u16string text = u"Sub S(p1";
  for (int i = 2; i <= 31; ++i) text += u", p" + Str(i);
  return text + u")\nEnd Sub\n";
}

const std::u16string kTwoDescriptionsMissing = uR"(
'|USAGE |:
'|  OF  |:
'|Number|Knd|Procedure Name |:-----Summary Description-----
'|No.1  |Sub|A              |:
Option Explicit
Sub A()
End Sub
)";

INSTANTIATE_TEST_SUITE_P(
    Cases, Messages,
    ::testing::Values(
        MessageCase{"301 procedures, module header", ManySubs(301), kModuleHeader,
                    Notice(u"モジュールのプロシージャ数が 300 を超えているため、\r\n"
                           u"ヘッダを作成することができません")},
        MessageCase{"301 procedures, all headers", ManySubs(301), kAllHeaders,
                    Notice(u"モジュールのプロシージャ数が 300 を超えているため、\r\n"
                           u"ヘッダを作成することができません")},
        MessageCase{"31 parameters, all headers", ThirtyOneParameters(), kAllHeaders,
                    Notice(u"プロシージャのパラメータ数が 30 を超えているため、\r\n"
                           u"ヘッダを作成することができません")},
        MessageCase{"no procedures, all headers", u"Option Explicit\n", kAllHeaders,
                    Notice(u"プロシージャが見つかりません")},
        MessageCase{"table title at row 3", kTwoDescriptionsMissing, kModuleHeader,
                    Notice(u"書式が破損しています。")},
        MessageCase{"table title at row 5", u"'\n'" + kTwoDescriptionsMissing, kModuleHeader,
                    Notice(u"書式が破損しています。")},
        MessageCase{"short description line, no procedures",
                    uR"(
{BANNER}
'|USAGE |:
'|  OF
'| THIS |:
'|MODULE|:
{MTITLE}
'| No.0 |NUL|No Assignment  |:No Assignment
Option Explicit
)",
                    kModuleHeader, Notice(u"書式が破損しています。")},
        MessageCase{"banner without end mark, no procedures",
                    uR"(
{BANNER}
'|USAGE |:
'|  OF  |:
'| THIS |:
'|MODULE|:
{MTITLE}
Option Explicit
)",
                    kModuleHeader, Notice(u"エンドマークが無いため、更新できません。")},
        // Reading past its label is what fails on a short description line.
        MessageCase{"short description line above the table title",
                    uR"(
{BANNER}
'|USAGE |:
'|  OF  |:
'| THIS
'|MODULE|:
{MTITLE}
'|No.1  |Sub|A              |:
Option Explicit
Sub A()
End Sub
)",
                    kModuleHeader,
                    {u"ModInsertHeader.InsertModuleHeader",
                     u"Error_Number: 5.  : Invalid procedure call or argument", Buttons::kOk,
                     Answer::kOk}},
        MessageCase{"failure, module header", ManySubs(2),
                    Failing(HostCall::kName, 1, kModuleHeader),
                    {u"ModInsertHeader.InsertModuleHeader",
                     u"Error_Number: 9.  : Subscript out of range", Buttons::kOk, Answer::kOk}},
        MessageCase{"failure, module header without procedures", u"Option Explicit\n",
                    Failing(HostCall::kName, 1, kModuleHeader),
                    {u"ModInsertHeader.InsertModuleHeader0",
                     u"Error_Number: 9.  : Subscript out of range", Buttons::kOk, Answer::kOk}},
        // Nothing is said about procedures when the scan could not look.
        MessageCase{"failed scan, all headers", ManySubs(2),
                    Failing(HostCall::kProcCountLines, 1, kAllHeaders),
                    {u"GetProcsData", u"Error: 9. Subscript out of range", Buttons::kOk,
                     Answer::kOk}},
        MessageCase{"failure, all headers", ManySubs(2),
                    Failing(HostCall::kInsertLines, 1, kAllHeaders),
                    {u"InsertHeaderAll", u"Error: 9. Subscript out of range", Buttons::kOk,
                     Answer::kOk}}));

// One header of all is built inside the command, which has stopped drawing
// already; built on its own it leaves drawing alone.
TEST(Messages, FailureOfOneHeaderOfAllIsShownWordForWordAndNothingIsWritten) {
  Editor e(ManySubs(2));
  testing::CleanUpCheck<Editor> clean_up(e);
  Short count = 7;
  e.header.CreateHeader(0, count);  // nothing scanned yet
  EXPECT_EQ(count, 7);
  EXPECT_EQ(Numbered(e.Module()), Numbered(ModuleLines(ManySubs(2))));
  EXPECT_EQ(e.ui.boxes, (std::vector<RecordedBox>{{u"CreateHeader", u"Error: 9. Subscript out of range",
                                                    Buttons::kOk, Answer::kOk}}));
  EXPECT_TRUE(e.desktop.lock_calls.empty());
  clean_up.VerifyReferences();
}

struct FaultCase {
  const char* label;
  std::u16string before;
  HostCall call;
  int nth;
  std::u16string after;  // what was written before the failure stays
};
void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.label; }

class Faults : public ::testing::TestWithParam<FaultCase> {};

TEST_P(Faults, LeaveWhatWasWrittenRestartDrawingAndReleaseTheEditor) {
  const FaultCase& c = GetParam();
  SCOPED_TRACE(c.label);
  Editor e = EditorOf(c.before).FailOn(c.call, c.nth, VbError(1004, u"Injected"));
  const long vbe_refs = e.vbe.use_count();
  const long module_refs = e.module.use_count();

  e.header.InsertModuleHeader();

  EXPECT_EQ(Numbered(e.module->AllLines()), Numbered(ModuleLines(c.after)));
  ASSERT_EQ(e.ui.boxes.size(), 1u);
  EXPECT_EQ(e.ui.boxes[0].text, u"Error_Number: 1004.  : Injected");
  ASSERT_FALSE(e.desktop.lock_calls.empty());
  EXPECT_EQ(e.desktop.lock_calls.back(), 0);
  EXPECT_EQ(e.vbe.use_count(), vbe_refs);
  EXPECT_EQ(e.module.use_count(), module_refs);
}

const std::u16string kOneSubWithHeader = uR"(
{BANNER}
'|USAGE |:a
'|  OF  |:b
'| THIS |:c
'|MODULE|:d
{MTITLE}
'|No.1  |Sub|A              |:
Option Explicit
Sub A()
End Sub
)";

INSTANTIATE_TEST_SUITE_P(
    Cases, Faults,
    ::testing::Values(
        FaultCase{"third insertion of a new header", u"Option Explicit\nSub A()\nEnd Sub",
                  HostCall::kInsertLines, 3, uR"(
{BANNER}
'|USAGE |:
Option Explicit
Sub A()
End Sub
)"},
        FaultCase{"third one-line deletion of a rewrite", kOneSubWithHeader,
                  HostCall::kDeleteLines, 3, uR"(
'|  OF  |:b
'| THIS |:c
'|MODULE|:d
{MTITLE}
'|No.1  |Sub|A              |:
Option Explicit
Sub A()
End Sub
)"},
        FaultCase{"last insertion without procedures", u"Option Explicit",
                  HostCall::kInsertLines, 7, uR"(
{BANNER}
'|USAGE |:
'|  OF  |:
'| THIS |:
'|MODULE|:
{MTITLE}
Option Explicit
)"},
        FaultCase{"stopping drawing", u"Option Explicit\nSub A()\nEnd Sub",
                  HostCall::kLockWindowUpdate, 1, u"Option Explicit\nSub A()\nEnd Sub"}));

// A scan that fails has said so; going on as if the module had no
// procedures would rewrite it from its banner down to the last parameter row
// of any procedure header.
TEST(ModuleHeader, FailedScanWritesNothing) {
  const std::u16string module = kOneSubWithHeader + uR"(
{SEP}
'|概  要|:
'|ﾊﾟﾗﾒｰﾀ| 仮引数名            |I/O| 型                  | 説明
'| No.1 | x                   |I  | Variant             |:
Sub B(x)
End Sub
)";
  ExpectModule(module, Failing(HostCall::kProcCountLines, 1, kModuleHeader), module,
               {{u"GetProcsDataH", u"Error: 9. Subscript out of range", Buttons::kOk,
                 Answer::kOk}},
               Rerun::NotChecked());
}

// The table the tool window's add-in hands over is the one scanned, and the
// header keeps a copy of what it returned.
TEST(ModuleHeader, ScansWithTheTableItIsGiven) {
  Editor e(ManySubs(3));
  ModGetProcsData procs(e.ui);
  procs.SetVBInstance(e.vbe);
  e.header.SetProcsData(&procs);

  e.header.InsertModuleHeader();

  ASSERT_EQ(e.header.ProcsData().size(), 3u);
  EXPECT_EQ(e.header.ProcsData()[2], procs.Table()[2]);
  EXPECT_EQ(e.header.ProcsData()[2].ProcName, u"P3");
  EXPECT_EQ(e.module->Line(9), u"'|No.3  |Sub|P3             |:");
}

}  // namespace
}  // namespace qlx::header_test
