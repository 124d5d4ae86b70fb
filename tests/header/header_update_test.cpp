// Updating an existing procedure header: what is kept, the two questions and
// the two settings behind them, taking an update back, and clean-up when the
// editor fails at any call.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "analysis/cls_proc_inf.h"
#include "header/header_test_support.h"
#include "header/mod_insert_header.h"
#include "host/memory/editor.h"
#include "host/ui.h"
#include "host/vberror.h"

namespace qlx {
namespace {

using header_test::Ask;
using header_test::HeaderEditor;
using testing::CleanUpCheck;
using header_test::Confirm;
using header_test::Editor;
using header_test::EditorOf;
using header_test::ExpectModule;
using header_test::Notice;
using header_test::Rerun;
using header_test::BrokenClockUi;
using header_test::Write;
using header_test::WriteAt;

constexpr Answer kYes = Answer::kYes;
constexpr Answer kNo = Answer::kNo;

// An indented header with every hand-written part, two continuation lines, a
// hand-typed mark on each parameter and a comment below the author line,
// which an update keeps. The parameters have moved since the header was
// written.
const std::u16string kOld = uR"(
Option Explicit

    {SEP}
    '|概  要|:合計を求める
'|戻り値|:型 Long :合計値
{TITLE}
'| No.1 | a                   |I  | Long                |:加算する値
'| No.2 | b                   |I*O| String              |:結果を入れる
'| No.3 | c                   |I* | Variant             |:使わない
'| No.4 | d                   |O  | Long                |:桁数
'|依  存|:なし
'|解  説|:合計を返す
'|      |:続き1
'|      |:続き2
'|作  者|:Tester: 作成日:2025/01/01: 更新:未更新
' 下書き
Public Function Calc(b As String, ByVal a As Long, c, ByVal d As Long) As Long
    Calc = a + d
End Function
)";
constexpr Row kOldRow = 18;
// The line at kOldRow, inside Calc.
const Text kOldRowLine = u"    Calc = a + d";

const std::u16string kUpdated = uR"(
Option Explicit

{SEP}
'|概  要|:合計を求める
'|戻り値|:型 Long :合計値
{TITLE}
'| No.1 | b                   |I*O| String              |:結果を入れる
'| No.2 | a                   |I  | Long                |:加算する値
'| No.3 | c                   |I* | Variant             |:使わない
'| No.4 | d                   |I  | Long                |:桁数
'|依  存|:なし
'|解  説|:合計を返す
'|      |:続き2
'|作  者|:Tester: 作成日:2025/01/01: 更新:2026/12/08 9:05:03
' 下書き
Public Function Calc(b As String, ByVal a As Long, c, ByVal d As Long) As Long
    Calc = a + d
End Function
)";

// kOld as an undo leaves it: every old line back, but trimmed.
const std::u16string kRestored = uR"(
Option Explicit

{SEP}
'|概  要|:合計を求める
'|戻り値|:型 Long :合計値
{TITLE}
'| No.1 | a                   |I  | Long                |:加算する値
'| No.2 | b                   |I*O| String              |:結果を入れる
'| No.3 | c                   |I* | Variant             |:使わない
'| No.4 | d                   |O  | Long                |:桁数
'|依  存|:なし
'|解  説|:合計を返す
'|      |:続き1
'|      |:続き2
'|作  者|:Tester: 作成日:2025/01/01: 更新:未更新
' 下書き
Public Function Calc(b As String, ByVal a As Long, c, ByVal d As Long) As Long
    Calc = a + d
End Function
)";

TEST(Update, KeepsTheHandWrittenPartsAfterConfirmation) {
  Editor editor(kOld);
  CleanUpCheck<Editor> clean_up(editor);
  editor.header.SleepTime = 300;
  editor.ui.Answers({kYes, kYes});

  editor.header.WriteHeaderProc(kOldRow);

  EXPECT_EQ(header_test::Numbered(editor.Module()),
            header_test::Numbered(header_test::ModuleLines(kUpdated)));
  EXPECT_EQ(editor.ui.boxes, (std::vector<RecordedBox>{Ask(kYes), Confirm(kYes)}));
  EXPECT_EQ(editor.ui.sleeps, std::vector<int>{300});
  // Drawing stops before the first edit and restarts before the wait.
  EXPECT_EQ(editor.desktop.lock_calls,
            (std::vector<WindowHandle>{MemoryDesktop::kCodeWindow, 0, 0}));
  // The saved parameter notes do not outlive the command; the texts do.
  EXPECT_EQ(editor.header.SavedHeader.summary, u"合計を求める");
  for (const SavedParamNote& row : editor.header.SavedHeader.params) {
    EXPECT_EQ(row, SavedParamNote{});
  }
  clean_up.Verify();
}

TEST(Update, AnsweringNoAtTheConfirmationPutsTheTrimmedOldLinesBack) {
  Editor editor(kOld);
  CleanUpCheck<Editor> clean_up(editor);
  std::vector<bool> locked_at_edit;
  editor.vbe->Module(u"Module1")->OnEdit(
      [&](Row, Row, Row) { locked_at_edit.push_back(!editor.desktop.Unlocked()); });
  editor.ui.Answers({kYes, kNo});

  editor.header.WriteHeaderProc(kOldRow);

  const std::vector<Text> lines = editor.Module();
  EXPECT_EQ(header_test::Numbered(lines),
            header_test::Numbered(header_test::ModuleLines(kRestored)));
  EXPECT_EQ(lines.at(kOldRow - 2),
            u"Public Function Calc(b As String, ByVal a As Long, c, ByVal d As Long) As Long");
  EXPECT_EQ(editor.ui.boxes, (std::vector<RecordedBox>{Ask(kYes), Confirm(kNo)}));
  // The update (one deletion, 12 lines) runs with drawing stopped, the undo
  // (one deletion, 14 lines) with drawing restarted.
  std::vector<bool> expected(1 + 12, true);
  expected.resize(1 + 12 + 1 + 14, false);
  EXPECT_EQ(locked_at_edit, expected);
  clean_up.Verify();
}

struct ModeCase {
  const char* name;
  std::int32_t ignore_mode;
  std::int32_t un_undo_mode;
  std::vector<Answer> answers;
  std::u16string after;
  std::vector<RecordedBox> boxes;
  // Run again on the result.
  Rerun again;
};

class Modes : public ::testing::TestWithParam<ModeCase> {};

TEST_P(Modes, DecideTheQuestionsAndWhetherTheUpdateStands) {
  const ModeCase& c = GetParam();
  ExpectModule(kOld, WriteAt(kOldRowLine, c.answers, c.ignore_mode, c.un_undo_mode), c.after, c.boxes, c.again);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Modes,
    ::testing::Values(
        ModeCase{"NoAtTheQuestionChangesNothing", 0, 0, {kNo}, kOld, {Ask(kNo)}, Rerun::Shows({Ask(kNo)})},
        ModeCase{"IgnoreModeSkipsTheQuestion", 1, 0, {kYes}, kUpdated, {Confirm(kYes)},
                 Rerun::Shows({Confirm(kNo)})},
        ModeCase{"IgnoreModeThenNoUndoes", 1, 0, {kNo}, kRestored, {Confirm(kNo)}, Rerun::Shows({Confirm(kNo)})},
        ModeCase{"UnUndoModeSkipsTheConfirmation", 0, 1, {kYes}, kUpdated, {Ask(kYes)}, Rerun::Shows({Ask(kNo)})},
        ModeCase{"BothModesAskNothing", 1, 1, {}, kUpdated, {}, Rerun::Unchanged()},
        ModeCase{"AnyAnswerButYesUndoes", 0, 0, {kYes}, kRestored, {Ask(kYes), Confirm(kNo)},
                 Rerun::Shows({Ask(kNo)})}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Update, WaitsSleepTimeBeforeTheConfirmationAndNeverForEver) {
  for (const auto& [sleep_time, waited] : {std::pair{0, 0}, {1500, 1500}, {-1, 0}, {-300, 0}, {10000, 10000}, {10001, 10000}, {999999999, 10000}}) {
    SCOPED_TRACE(sleep_time);
    Editor editor(kOld);
    editor.header.SleepTime = sleep_time;
    editor.header.IgnoreMode = 1;
    editor.ui.Answers({kYes});
    editor.header.WriteHeaderProc(kOldRow);
    EXPECT_EQ(editor.ui.sleeps, std::vector<int>{waited});
  }
  Editor no_confirmation(kOld);
  no_confirmation.header.SleepTime = 1500;
  no_confirmation.header.IgnoreMode = 1;
  no_confirmation.header.UnUndoMode = 1;
  no_confirmation.header.WriteHeaderProc(kOldRow);
  EXPECT_TRUE(no_confirmation.ui.sleeps.empty());
}

struct ReadBackCase {
  const char* name;
  std::u16string before;
  Row row;
  std::u16string after;
};

class ReadBack : public ::testing::TestWithParam<ReadBackCase> {};

TEST_P(ReadBack, RebuildsTheHeaderFromWhatWasRead) {
  const ReadBackCase& c = GetParam();
  ExpectModule(c.before, Write(c.row, {}, 1, 1), c.after, {}, Rerun::Unchanged());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadBack,
    ::testing::Values(
        ReadBackCase{"NotesKeepOnlyTheTextAfterTheirLastColon", uR"(
Option Explicit
{SEP}
'|概  要|:時刻 12:00
'|戻り値|:型 Long :締め 17:00
{TITLE}
'| No.1 | a                   |I  | Long                |:開始 9:30
'|作  者|:T: 作成日:2025/01/01: 更新:未更新
Function F(a As Long) As Long
End Function
)",
                     8, uR"(
Option Explicit
{SEP}
'|概  要|:時刻 12:00
'|戻り値|:型 Long :00
{TITLE}
'| No.1 | a                   |I  | Long                |:30
'|依  存|:
'|解  説|:
'|      |:
'|作  者|:T: 作成日:2025/01/01: 更新:2026/12/08 9:05:03
Function F(a As Long) As Long
End Function
)"},
        ReadBackCase{"SecondUpdateReplacesOnlyTheDateAndTime", uR"(
Option Explicit
{SEP}
'|作  者|:T: 作成日:2025/01/01: 更新:2026/01/02 10:00:00
Sub A()
End Sub
)",
                     4, uR"(
Option Explicit
{SEP}
'|概  要|:
'|依  存|:
'|解  説|:
'|      |:
'|作  者|:T: 作成日:2025/01/01: 更新:2026/12/08 9:05:03
Sub A()
End Sub
)"},
        ReadBackCase{"AuthorLineWithoutUpdateMarkBecomesTheBareLabel", uR"(
Option Explicit
{SEP}
'|作  者|:T 2025/01/01
Sub A()
End Sub
)",
                     4, uR"(
Option Explicit
{SEP}
'|概  要|:
'|依  存|:
'|解  説|:
'|      |:
'|作  者|:
Sub A()
End Sub
)"},
        ReadBackCase{"FunctionTurnedSubLosesItsReturnLine", uR"(
Option Explicit
{SEP}
'|概  要|:旧関数
'|戻り値|:型 Long :戻り
'|作  者|:T: 作成日:2025/01/01: 更新:未更新
Sub A()
End Sub
)",
                     6, uR"(
Option Explicit
{SEP}
'|概  要|:旧関数
'|依  存|:
'|解  説|:
'|      |:
'|作  者|:T: 作成日:2025/01/01: 更新:2026/12/08 9:05:03
Sub A()
End Sub
)"},
        // Deleted from the upper separator down; read up to the first author line.
        // The update starts at the separator nearest above the author line:
        // a header stacked above is left as the user's.
        ReadBackCase{"OfTwoStackedHeadersTheLowerIsUpdatedFromItself", uR"(
Option Explicit
{SEP}
'|概  要|:上
'|作  者|:A: 作成日:2025/01/01: 更新:未更新
{SEP}
'|概  要|:下
'|依  存|:下の依存
'|作  者|:B: 作成日:2025/02/02: 更新:未更新
Sub A()
End Sub
)",
                     9, uR"(
Option Explicit
{SEP}
'|概  要|:上
'|作  者|:A: 作成日:2025/01/01: 更新:未更新
{SEP}
'|概  要|:下
'|依  存|:下の依存
'|解  説|:
'|      |:
'|作  者|:B: 作成日:2025/02/02: 更新:2026/12/08 9:05:03
Sub A()
End Sub
)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Update, AuthorLineWithoutSeparatorLeavesTheModuleAsItWas) {
  const std::u16string module = uR"(
Option Explicit
'|概  要|:x
'|作  者|:A: 作成日:2025/01/01: 更新:未更新
Sub A()
End Sub
)";
  ExpectModule(module, Write(4, {kYes, kYes}), module,
               {Ask(kYes), Notice(u"セパレータ'>>>>>>*が見つかりません")}, Rerun::Shows({Ask(kNo)}));
}

TEST(Update, RowOutsideAnyProcedureDoesNothing) {
  Editor editor(kOld);
  CleanUpCheck<Editor> clean_up(editor);
  editor.header.WriteHeaderProc(0);
  EXPECT_EQ(header_test::Numbered(editor.Module()),
            header_test::Numbered(header_test::ModuleLines(kOld)));
  EXPECT_TRUE(editor.ui.boxes.empty());
  clean_up.Verify();
}

// A 32nd parameter row overflows the saved table: the reading stops there,
// before the author line, and the update goes on with what was read.
TEST(Update, ThirtyTwoParameterRowsStopTheReading) {
  std::u16string before = u"Option Explicit\n{SEP}\n'|概  要|:要約\n";
  for (int k = 1; k <= 32; ++k) before += u"'| No." + Str(k) + u"| p |I  | Long |:n\n";
  before += u"'|作  者|:T: 作成日:2025/01/01: 更新:未更新\nSub A()\nEnd Sub\n";
  ExpectModule(before, WriteAt(u"Sub A()", {}, 1, 1), uR"(
Option Explicit
{SEP}
'|概  要|:要約
'|依  存|:
'|解  説|:
'|      |:
'|作  者|:
Sub A()
End Sub
)",
               {{u"SaveHeader", u"Error: 9. Subscript out of range", Buttons::kOk, Answer::kOk}},
               Rerun::Unchanged());
}

// Builds new headers but fails on every updated one.
class FailingUpdateBuild : public ModInsertHeader {
 public:
  using ModInsertHeader::ModInsertHeader;
  std::vector<Text> CreateHeaderProc(bool update, Short& count) override {
    if (update) return {};
    return ModInsertHeader::CreateHeaderProc(update, count);
  }
};

TEST(Update, HeaderThatCannotBeBuiltGivesTheOldOneBackWithoutConfirmation) {
  using FailingEditor = HeaderEditor<FailingUpdateBuild>;
  for (std::int32_t un_undo_mode : {0, 1}) {
    SCOPED_TRACE(un_undo_mode);
    ExpectModule<FailingEditor>(kOld, WriteAt<FailingEditor>(kOldRowLine, {kYes, kYes}, 0, un_undo_mode),
                                kRestored,
                                {Ask(kYes), Notice(u"ヘッダを作成できませんでした")}, Rerun::Shows({Ask(kNo)}));
  }
}

// ---------------------------------------------------------------------------
// Failures of the editor

// The old header is gone and not one line of the new one got in: taking the
// update back still puts the old lines in place.
TEST(Update, TakingBackAnUpdateThatInsertedNothingRestoresTheOldLines) {
  ExpectModule<Editor>(
      kOld,
      [](Editor& e) {
        e.vbe->Log().FailOn(HostCall::kInsertLines, 1, VbError(1004, u"Injected"));
        e.ui.Answers({kYes, kNo});
        e.header.WriteHeaderProc(kOldRow);
      },
      kRestored,
      {Ask(kYes), {u"InsertHeaderProc", u"Error: 1004. Injected", Buttons::kOk, Answer::kOk},
       Confirm(kNo)},
      Rerun::NotChecked());
}

const VbError kInjected(1004, u"Injected");

struct FaultScenario {
  const char* name;
  std::u16string module;
  std::function<void(Editor&)> action;
};

// Every call of every kind that the command makes fails once, in turn: the
// failure is reported, drawing is restarted and no reference is kept.
TEST(Faults, EveryFailedEditorCallIsReportedAndCleanedUp) {
  const FaultScenario scenarios[] = {
      {"new header", uR"(
Option Explicit
Sub A(x As Long)
    x = 1
End Sub
)",
       Write(2)},
      {"update taken back", kOld, Write(kOldRow, {kYes, kNo})},
      {"update kept", kOld, Write(kOldRow, {kYes}, 1)},
  };
  const HostCall kinds[] = {
      HostCall::kName,          HostCall::kLines,           HostCall::kInsertLines,
      HostCall::kDeleteLines,   HostCall::kProcOfLine,      HostCall::kProcStartLine,
      HostCall::kProcCountLines, HostCall::kProcBodyLine,   HostCall::kActiveCodePane,
      HostCall::kCodeModule,    HostCall::kCaption,         HostCall::kFindWindow,
      HostCall::kLockWindowUpdate,
  };
  int injected = 0;
  for (const FaultScenario& scenario : scenarios) {
    Editor dry_run(scenario.module);
    scenario.action(dry_run);
    for (HostCall kind : kinds) {
      const int calls = dry_run.vbe->Log().Calls(kind);
      for (int nth = 1; nth <= calls; ++nth) {
        SCOPED_TRACE(std::string(scenario.name) + ", call kind " +
                     std::to_string(static_cast<int>(kind)) + " #" + std::to_string(nth));
        Editor editor = EditorOf(scenario.module).FailOn(kind, nth, kInjected);
        CleanUpCheck<Editor> clean_up(editor);
        ++injected;
        scenario.action(editor);
        clean_up.Verify();
        // The restart of drawing on the way out has nobody left to tell.
        if (kind == HostCall::kLockWindowUpdate && nth == calls) continue;
        bool reported = false;
        for (const RecordedBox& box : editor.ui.boxes) {
          if (box.text.find(u"1004") != Text::npos && box.text.find(u"Injected") != Text::npos) {
            reported = true;
          }
        }
        EXPECT_TRUE(reported);
      }
    }
  }
  // The dry runs really made calls to fail (some 200 in all).
  EXPECT_GE(injected, 100);
}

// Runs questions' hook just before a question is shown.
struct HookUi : testing::EditorUi {
  Answer MsgBox(const Text& prompt, Buttons buttons, const Text& title) override {
    if (buttons == Buttons::kYesNo && on_question) {
      auto hook = std::move(on_question);
      on_question = nullptr;
      hook();
    }
    return EditorUi::MsgBox(prompt, buttons, title);
  }
  std::function<void()> on_question;
};

using HookEditor = HeaderEditor<ModInsertHeader, HookUi>;

const std::u16string kSmall = uR"(
Option Explicit
{SEP}
'|作  者|:x
Sub A()
End Sub
)";
const std::u16string kBare = uR"(
Option Explicit
Sub A()
End Sub
)";

RecordedBox ErrorBox(const char16_t* title, const Text& text = u"Error: 1004. Injected") {
  return {title, text, Buttons::kOk, Answer::kOk};
}

// Lines read by the procedure record alone for the procedure at row.
int RecordReads(const std::u16string& module, Row row) {
  Editor editor(module);
  ClsProcInf record(editor.ui);
  record.VBInstanceC(editor.vbe);
  record.GetProcInf(row);
  return editor.vbe->Log().Calls(HostCall::kLines);
}

TEST(Messages, EveryTextAndTitleIsExact) {
  struct Case {
    RecordedBox expected;
    std::function<std::vector<RecordedBox>()> run;
  };
  auto hooked = [](std::vector<Answer> answers, std::function<void(HookEditor&)> setup) {
    return [=]() {
      HookEditor editor(kSmall);
      setup(editor);
      editor.ui.queued_answers = answers;
      editor.header.WriteHeaderProc(4);
      return editor.ui.boxes;
    };
  };
  const Case cases[] = {
      {{u"QLX", u"ヘッダが存在します。更新しますか?", Buttons::kYesNo, kNo},
       hooked({kNo}, [](HookEditor&) {})},
      {{u"QLX", u"これ以後、元に戻せなくなります。\r\n更新してもよろしいですか？", Buttons::kYesNo, kYes},
       hooked({kYes, kYes}, [](HookEditor&) {})},
      {{u"QLX", u"セパレータ'>>>>>>*が見つかりません", Buttons::kOk, Answer::kOk},
       [] {
         Editor editor(u"Option Explicit\n'|作  者|:x\nSub A()\nEnd Sub\n");
         editor.ui.Answers({kYes});
         editor.header.WriteHeaderProc(3);
         return editor.ui.boxes;
       }},
      {{u"QLX", u"ヘッダを作成できませんでした", Buttons::kOk, Answer::kOk},
       [] {
         HeaderEditor<ModInsertHeader, BrokenClockUi> editor(kBare);
         editor.header.WriteHeaderProc(2);
         return editor.ui.boxes;
       }},
      {ErrorBox(u"CreateHeaderProc", u"Error: 5. Invalid procedure call or argument"),
       [] {
         HeaderEditor<ModInsertHeader, BrokenClockUi> editor(kBare);
         editor.header.WriteHeaderProc(2);
         return editor.ui.boxes;
       }},
      {ErrorBox(u"WriteHeaderProc"),
       [] {
         Editor editor = EditorOf(kSmall).FailOn(HostCall::kActiveCodePane, 1, kInjected);
         editor.header.WriteHeaderProc(4);
         return editor.ui.boxes;
       }},
      {ErrorBox(u"SearchHeader"),
       [] {
         Editor editor = EditorOf(kSmall).FailOn(HostCall::kLines, RecordReads(kSmall, 4) + 1, kInjected);
         editor.header.WriteHeaderProc(4);
         return editor.ui.boxes;
       }},
      {ErrorBox(u"SaveHeader"), hooked({kYes, kYes},
                                       [](HookEditor& e) {
                                         e.ui.on_question = [&e] {
                                           e.vbe->Log().FailOn(HostCall::kLines, 1, kInjected);
                                         };
                                       })},
      // SaveHeader finds the separator from the author row up (two reads),
      // then reads both rows; the fifth read is SaveBeforeDelete's.
      {ErrorBox(u"SaveBeforeDelete"), hooked({kYes, kYes},
                                             [](HookEditor& e) {
                                               e.ui.on_question = [&e] {
                                                 e.vbe->Log().FailOn(HostCall::kLines, 5, kInjected);
                                               };
                                             })},
      {ErrorBox(u"DeleteHeader"),
       hooked({kYes}, [](HookEditor& e) { e.vbe->Log().FailOn(HostCall::kDeleteLines, 1, kInjected); })},
      {ErrorBox(u"InsertHeaderProc"),
       [] {
         Editor editor = EditorOf(kBare).FailOn(HostCall::kInsertLines, 1, kInjected);
         editor.header.WriteHeaderProc(2);
         return editor.ui.boxes;
       }},
      {ErrorBox(u"TryUndo"), hooked({kYes, kNo}, [](HookEditor& e) {
         e.vbe->Log().FailOn(HostCall::kDeleteLines, 2, kInjected);
       })},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::U8(c.expected.title + u": " + c.expected.text));
    const std::vector<RecordedBox> boxes = c.run();
    EXPECT_NE(std::find(boxes.begin(), boxes.end(), c.expected), boxes.end())
        << ::testing::PrintToString(boxes);
  }
}

}  // namespace
}  // namespace qlx
