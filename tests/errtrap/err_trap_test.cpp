// The generic error handler: where its lines go, the question about an
// existing On Error statement, and clean-up when the editor fails midway.
#include "errtrap/mod_insert_err_trap.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "host/memory/editor.h"
#include "host/ui.h"
#include "host/vberror.h"
#include "support/print.h"
#include "support/editor.h"
#include "support/expect_module.h"
#include "support/text.h"

namespace qlx {
namespace {

using testing::EditorWith;
using testing::ExpectModule;
using testing::Lines;
using testing::Numbered;
using testing::Rerun;
using testing::U8;

const Text kQuestion =
    u"On Error ステートメントが既に存在します。\r\n新しい汎用エラーハンドラを挿入しますか？";

RecordedBox Question(Answer answer) { return {u"QLX", kQuestion, Buttons::kYesNo, answer}; }

// The test editor with the error handler writer on it.
struct Editor : testing::Editor<ModInsertErrTrap> {
  using testing::Editor<ModInsertErrTrap>::Editor;
  ModInsertErrTrap& errtrap = op;
};

// Run again on a procedure it has handled, the command finds the handler's
// On Error statement and asks before adding another.
const Rerun kAsksAgain = Rerun::Shows({Question(Answer::kNo)});

std::function<void(Editor&)> Insert(Row row, std::int32_t setting = 0,
                                    std::vector<Answer> answers = {}) {
  return [=](Editor& e) {
    e.errtrap.ErrInsertPos = setting;
    e.ui.queued_answers = answers;
    e.errtrap.WriteErrTrapProc(row);
  };
}

const std::u16string kSample = uR"(
Option Explicit
Private m_count As Long

Private Sub Helper()
    m_count = m_count + 1
End Sub

' Sample: shows n
'   n: the value
Public Sub Sample(ByVal n As Long)
    Dim i As Long
    Dim s As String
    s = CStr(n)
End Sub
)";

// kSample with its handler. The On Error statement goes below the local
// declarations ({LOCALS}) or right below the declaration line
// ({DECLARATION}), as the setting says; SampleHandled puts it in one place.
const std::u16string kSampleHandled = uR"(
Option Explicit
Private m_count As Long

Private Sub Helper()
    m_count = m_count + 1
End Sub

' Sample: shows n
'   n: the value
Public Sub Sample(ByVal n As Long)
{DECLARATION}
    Dim i As Long
    Dim s As String
{LOCALS}
    s = CStr(n)

PROC_EXIT:
    Exit Sub

PROC_ERR:
    MsgBox "Error_Number: " & Err.Number & ".  : " & Err.Description, , _
    "Module1" & "." & "Sample"
    Resume PROC_EXIT

End Sub
)";

std::u16string SampleHandled(const std::u16string& place) {
  std::u16string text = kSampleHandled;
  testing::ReplaceAll(text, place, u"\nOn Error GoTo PROC_ERR\n");
  testing::ReplaceAll(text, u"{DECLARATION}\n", u"");
  testing::ReplaceAll(text, u"{LOCALS}\n", u"");
  return text;
}

const std::u16string kNoLocals = uR"(
Sub NoLocals()
    Debug.Print 1
End Sub
)";

const std::u16string kNoLocalsHandled = uR"(
Sub NoLocals()

On Error GoTo PROC_ERR

    Debug.Print 1

PROC_EXIT:
    Exit Sub

PROC_ERR:
    MsgBox "Error_Number: " & Err.Number & ".  : " & Err.Description, , _
    "Module1" & "." & "NoLocals"
    Resume PROC_EXIT

End Sub
)";

struct PlacementCase {
  const char* name;
  std::u16string before;
  Row row;
  std::int32_t setting;
  std::u16string after;
};

void PrintTo(const PlacementCase& c, std::ostream* os) { *os << c.name; }

class Placement : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(Placement, InsertsTheTwelveLines) {
  const PlacementCase& c = GetParam();
  ExpectModule(c.before, Insert(c.row, c.setting), c.after, {}, kAsksAgain);
}

const PlacementCase kPlacements[] = {
    {"BelowLocalDeclarations", kSample, 12, 0, SampleHandled(u"{LOCALS}")},
    {"BelowDeclarationLineWithNonZeroSetting", kSample, 12, 1, SampleHandled(u"{DECLARATION}")},
    // A row of the header comment belongs to the procedure below it.
    {"RowInHeaderComment", kSample, 8, -1, SampleHandled(u"{DECLARATION}")},
    {"NoLocalDeclarationsSetting0", kNoLocals, 2, 0, kNoLocalsHandled},
    {"NoLocalDeclarationsSetting1", kNoLocals, 2, 1, kNoLocalsHandled},
    {"ContinuedDeclarationWithNonZeroSetting", uR"(
Public Function Joined(a As Long, _
                       b As String) As Boolean
    Dim ok As Boolean
    Joined = ok
End Function
)", 4, 1, uR"(
Public Function Joined(a As Long, _
                       b As String) As Boolean

On Error GoTo PROC_ERR

    Dim ok As Boolean
    Joined = ok

PROC_EXIT:
    Exit Function

PROC_ERR:
    MsgBox "Error_Number: " & Err.Number & ".  : " & Err.Description, , _
    "Module1" & "." & "Joined"
    Resume PROC_EXIT

End Function
)"},
    {"LastLocalDeclarationBelowStatements", uR"(
Sub Mixed()
    Dim a As Long
    a = 1
    Static b As Long
    b = a
End Sub
)", 3, 0, uR"(
Sub Mixed()
    Dim a As Long
    a = 1
    Static b As Long

On Error GoTo PROC_ERR

    b = a

PROC_EXIT:
    Exit Sub

PROC_ERR:
    MsgBox "Error_Number: " & Err.Number & ".  : " & Err.Description, , _
    "Module1" & "." & "Mixed"
    Resume PROC_EXIT

End Sub
)"},
    // Splitting the continued Dim would leave code that no longer compiles.
    {"BelowAContinuedLocalDeclaration", uR"(
Sub Wide()
    Dim a As Long, _
        b As Long, _
        c As Long
    a = b + c
End Sub
)", 5, 0, uR"(
Sub Wide()
    Dim a As Long, _
        b As Long, _
        c As Long

On Error GoTo PROC_ERR

    a = b + c

PROC_EXIT:
    Exit Sub

PROC_ERR:
    MsgBox "Error_Number: " & Err.Number & ".  : " & Err.Description, , _
    "Module1" & "." & "Wide"
    Resume PROC_EXIT

End Sub
)"},
    // Rows the host counts after the End line stay below the handler.
    {"LastProcedureWithTrailingComment", uR"(
Property Get 合計() As Long
    合計 = 1
End Property

' end of module
)", 2, 0, uR"(
Property Get 合計() As Long

On Error GoTo PROC_ERR

    合計 = 1

PROC_EXIT:
    Exit Property

PROC_ERR:
    MsgBox "Error_Number: " & Err.Number & ".  : " & Err.Description, , _
    "Module1" & "." & "合計"
    Resume PROC_EXIT

End Property

' end of module
)"},
};

INSTANTIATE_TEST_SUITE_P(ErrTrap, Placement, ::testing::ValuesIn(kPlacements),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ErrTrapExit, ExitStatementFollowsTheProcedureKind) {
  struct Case {
    std::u16string declaration;
    std::u16string end;
    Text exit;
  } cases[] = {
      {u"Sub S()", u"End Sub", u"    Exit Sub"},
      {u"Private Function F() As Long", u"End Function", u"    Exit Function"},
      {u"Public Property Get P() As Long", u"End Property", u"    Exit Property"},
      {u"Public Property Let P(ByVal v As Long)", u"End Property", u"    Exit Property"},
      {u"Public Property Set P(ByVal v As Object)", u"End Property", u"    Exit Property"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.declaration));
    Editor editor(c.declaration + u"\n" + c.end);
    editor.errtrap.WriteErrTrapProc(1);
    const std::vector<Text> lines = editor.Module();
    ASSERT_EQ(lines.size(), 14u);
    EXPECT_EQ(lines[5], u"PROC_EXIT:");
    EXPECT_EQ(lines[6], c.exit);
    EXPECT_EQ(lines[13], c.end);
  }
}

// Which lines count as an existing On Error statement.
TEST(ErrTrapExisting, OnlyATrimmedLineStartingWithOnErrorAsks) {
  struct Case {
    std::u16string line;
    bool asks;
  } cases[] = {
      {u"    On Error Resume Next", true},
      {u"On Error GoTo 0", true},
      {u"    On Error GoTo Handler   ", true},
      {u"    x = 1: On Error Resume Next", false},
      {u"    ' On Error Resume Next", false},
      {u"    on error resume next", false},
      {u"    ON ERROR GOTO PROC_ERR", false},
      // Only spaces are trimmed.
      {u"\tOn Error Resume Next", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.line));
    const std::u16string before =
        u"Sub Scan()\n    Dim x As Long\n" + c.line + u"\n    x = 2\nEnd Sub";
    Editor editor(before);
    editor.errtrap.WriteErrTrapProc(4);
    if (c.asks) {
      EXPECT_EQ(editor.ui.boxes, std::vector<RecordedBox>{Question(Answer::kNo)});
      EXPECT_EQ(Numbered(editor.Module()), Numbered(Lines(before)));
    } else {
      EXPECT_TRUE(editor.ui.boxes.empty());
      ASSERT_EQ(editor.Module().size(), 17u);
      EXPECT_EQ(editor.Module()[3], u"On Error GoTo PROC_ERR");
      EXPECT_EQ(editor.Module()[5], c.line);
    }
    EXPECT_TRUE(editor.desktop.Unlocked());
  }
}

const std::u16string kGuarded = uR"(
Sub Before()
    On Error Resume Next
End Sub

Sub Guarded()
    Dim x As Long
    On Error Resume Next
    x = 1
    On Error GoTo 0
End Sub

Sub After()
    On Error GoTo 0
End Sub
)";

TEST(ErrTrapExisting, YesKeepsTheOldStatementAndAddsTheHandler) {
  const auto insert_watching = [](Editor& e) {
    Insert(8, 0, {Answer::kYes})(e);
    EXPECT_EQ(e.ui.locked_while_shown, std::vector<bool>(e.ui.boxes.size(), true));
  };
  ExpectModule<Editor>(kGuarded, insert_watching, uR"(
Sub Before()
    On Error Resume Next
End Sub

Sub Guarded()
    Dim x As Long

On Error GoTo PROC_ERR

    On Error Resume Next
    x = 1
    On Error GoTo 0

PROC_EXIT:
    Exit Sub

PROC_ERR:
    MsgBox "Error_Number: " & Err.Number & ".  : " & Err.Description, , _
    "Module1" & "." & "Guarded"
    Resume PROC_EXIT

End Sub

Sub After()
    On Error GoTo 0
End Sub
)",
               {Question(Answer::kYes)}, kAsksAgain);
}

TEST(ErrTrapExisting, NoChangesNothing) {
  ExpectModule(kGuarded, Insert(8, 0, {Answer::kNo}), kGuarded, {Question(Answer::kNo)}, kAsksAgain);
}

TEST(ErrTrapExisting, StatementsOfOtherProceduresDoNotAsk) {
  const std::u16string before = uR"(
Sub Before()
    On Error Resume Next
End Sub

Sub Plain()
    Beep
End Sub

Sub After()
    On Error GoTo 0
End Sub
)";
  Editor editor(before);
  editor.errtrap.WriteErrTrapProc(7);
  EXPECT_TRUE(editor.ui.boxes.empty());
  EXPECT_EQ(editor.Module().size(), Lines(before).size() + 12);
}

TEST(ErrTrapNothingToDo, RowZeroDoesNothingAtAll) {
  Editor editor(kSample);
  editor.errtrap.WriteErrTrapProc(0);
  EXPECT_EQ(editor.Module(), Lines(kSample));
  EXPECT_TRUE(editor.ui.boxes.empty());
  EXPECT_TRUE(editor.desktop.lock_calls.empty());
  EXPECT_EQ(editor.vbe->Log().Calls(HostCall::kActiveCodePane), 0);
}

// The record may report the failed lookup itself; this module adds nothing.
TEST(ErrTrapNothingToDo, RowInTheDeclarationSectionChangesNothing) {
  Editor editor(kSample);
  const long refs = editor.vbe.use_count();
  editor.errtrap.InsertErrTrap(2);
  EXPECT_EQ(editor.Module(), Lines(kSample));
  for (const RecordedBox& box : editor.ui.boxes) {
    SCOPED_TRACE(U8(box.text));
    EXPECT_TRUE(StartsWith(box.title, u"ClsProcInf."));
  }
  // Drawing is restarted even though it was never stopped.
  EXPECT_EQ(editor.desktop.lock_calls, std::vector<WindowHandle>{0});
  EXPECT_EQ(editor.vbe.use_count(), refs);
}

TEST(ErrTrapNothingToDo, EachCallTakesAFreshRecord) {
  const std::u16string before = uR"(
Sub First()
    Beep
End Sub
Function Second() As Long
    Second = 1
End Function
)";
  Editor editor(before);
  editor.errtrap.WriteErrTrapProc(2);
  editor.errtrap.WriteErrTrapProc(17);
  const std::vector<Text> lines = editor.Module();
  ASSERT_EQ(lines.size(), 30u);
  EXPECT_EQ(lines[22], u"    Exit Function");
  EXPECT_EQ(lines[26], u"    \"Module1\" & \".\" & \"Second\"");
  EXPECT_EQ(lines[29], u"End Function");
}

TEST(ErrTrapFailure, FailedInsertKeepsEarlierLinesAndCleansUp) {
  Editor editor = EditorWith(kSample).FailOn(HostCall::kInsertLines, 5, VbError(7, u"Out of memory"));
  const long refs = editor.vbe.use_count();
  editor.errtrap.WriteErrTrapProc(12);

  EXPECT_EQ(editor.ui.boxes, (std::vector<RecordedBox>{
                                 {u"InsertErrTrap", u"Error: 7. Out of memory", Buttons::kOk,
                                  Answer::kOk}}));
  std::vector<Text> expected = Lines(kSample);
  expected.insert(expected.begin() + 12, {u"", u"On Error GoTo PROC_ERR", u""});
  expected.insert(expected.begin() + 16, u"");
  EXPECT_EQ(Numbered(editor.Module()), Numbered(expected));
  EXPECT_EQ(editor.desktop.lock_calls,
            (std::vector<WindowHandle>{MemoryDesktop::kCodeWindow, 0}));
  EXPECT_EQ(editor.ui.locked_while_shown, std::vector<bool>{true});
  EXPECT_EQ(editor.vbe.use_count(), refs);
}

int CleanRunCalls(HostCall call, Row row) {
  Editor editor(kSample);
  editor.errtrap.WriteErrTrapProc(row);
  return editor.vbe->Log().Calls(call);
}

TEST(ErrTrapFailure, FailureBeforeAnyChangeIsReported) {
  struct Case {
    const char* what;
    HostCall call;
    int nth;
  } cases[] = {
      {"taking the code pane", HostCall::kActiveCodePane, 1},
      {"stopping drawing", HostCall::kLockWindowUpdate, 1},
      // The last line read is the End line, by the On Error scan.
      {"scanning for On Error", HostCall::kLines, CleanRunCalls(HostCall::kLines, 12)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Editor editor = EditorWith(kSample).FailOn(c.call, c.nth, VbError(5, u"Invalid procedure call or argument"));
    const long refs = editor.vbe.use_count();
    editor.errtrap.WriteErrTrapProc(12);
    EXPECT_EQ(editor.ui.boxes,
              (std::vector<RecordedBox>{{u"InsertErrTrap",
                                         u"Error: 5. Invalid procedure call or argument",
                                         Buttons::kOk, Answer::kOk}}));
    EXPECT_EQ(Numbered(editor.Module()), Numbered(Lines(kSample)));
    EXPECT_EQ(editor.desktop.lock_calls.back(), 0);
    EXPECT_EQ(editor.vbe.use_count(), refs);
  }
}

// A window that cannot be found is reported by the lookup itself; the
// insertion goes on without a lock.
TEST(ErrTrapFailure, WindowLookupFailureStillInserts) {
  Editor editor = EditorWith(kSample).FailOn(HostCall::kFindWindow, 1, VbError(53));
  editor.errtrap.WriteErrTrapProc(12);
  EXPECT_EQ(editor.ui.boxes, (std::vector<RecordedBox>{{u"GetVbaHwnd", u"Error: 53. File not found",
                                                        Buttons::kOk, Answer::kOk}}));
  EXPECT_EQ(editor.Module().size(), Lines(kSample).size() + 12);
  EXPECT_EQ(editor.desktop.lock_calls, (std::vector<WindowHandle>{0, 0}));
}

TEST(ErrTrapMessages, TextsAndTitlesAreExact) {
  Editor asked(kGuarded);
  asked.errtrap.WriteErrTrapProc(6);
  ASSERT_EQ(asked.ui.boxes.size(), 1u);
  EXPECT_EQ(asked.ui.boxes[0].title, u"QLX");
  EXPECT_EQ(asked.ui.boxes[0].text,
            u"On Error \u30B9\u30C6\u30FC\u30C8\u30E1\u30F3\u30C8\u304C\u65E2\u306B"
            u"\u5B58\u5728\u3057\u307E\u3059\u3002\r\n"
            u"\u65B0\u3057\u3044\u6C4E\u7528\u30A8\u30E9\u30FC\u30CF\u30F3\u30C9"
            u"\u30E9\u3092\u633F\u5165\u3057\u307E\u3059\u304B\uFF1F");
  EXPECT_EQ(asked.ui.boxes[0].buttons, Buttons::kYesNo);

  Editor failed = EditorWith(kSample).FailOn(HostCall::kInsertLines, 1, VbError(9));
  failed.errtrap.WriteErrTrapProc(12);
  ASSERT_EQ(failed.ui.boxes.size(), 1u);
  EXPECT_EQ(failed.ui.boxes[0].title, u"InsertErrTrap");
  EXPECT_EQ(failed.ui.boxes[0].text, u"Error: 9. Subscript out of range");
  EXPECT_EQ(failed.ui.boxes[0].buttons, Buttons::kOk);
}

// A declaration written once per build: every build runs with the handler,
// so On Error goes below the #End If, whatever ErrInsertPos says.
TEST(ErrTrapRealCode, OnErrorGoesBelowAConditionalDeclaration) {
  const std::u16string before = uR"(
Option Explicit
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
  const std::u16string after = uR"(
Option Explicit
Private Sub First()
End Sub
#If VBA7 Then
Private Function Handle(ByVal h As LongPtr) As Long
#Else
Private Function Handle(ByVal h As Long) As Long
#End If

On Error GoTo PROC_ERR

    Handle = 1

PROC_EXIT:
    Exit Function

PROC_ERR:
    MsgBox "Error_Number: " & Err.Number & ".  : " & Err.Description, , _
    "Module1" & "." & "Handle"
    Resume PROC_EXIT

End Function
)";
  for (std::int32_t setting : {0, 1}) {
    SCOPED_TRACE(setting);
    ExpectModule<Editor>(before, Insert(10, setting), after, {}, kAsksAgain);
  }
}

// Of two procedures of one name under #If ... #Else, the handler goes into
// the one that holds the row.
TEST(ErrTrapRealCode, SecondProcedureOfOneNameGetsTheHandler) {
  const std::u16string before = uR"(
#If Mac Then
Sub Fix()
    x = 1
End Sub
#Else
Sub Fix()
    x = 2
End Sub
#End If
)";
  const std::u16string after = uR"(
#If Mac Then
Sub Fix()
    x = 1
End Sub
#Else
Sub Fix()

On Error GoTo PROC_ERR

    x = 2

PROC_EXIT:
    Exit Sub

PROC_ERR:
    MsgBox "Error_Number: " & Err.Number & ".  : " & Err.Description, , _
    "Module1" & "." & "Fix"
    Resume PROC_EXIT

End Sub
#End If
)";
  ExpectModule<Editor>(before, Insert(7), after, {}, kAsksAgain);
}

// A procedure written on one line has no room for the handler's blocks: it
// is refused, and nothing is split.
TEST(ErrTrapRealCode, OneLineProcedureIsRefused) {
  const std::u16string module = uR"(
Private m As Long
Property Get Typee() As Long: Typee = m: End Property
)";
  const RecordedBox refused{u"QLX", u"1 行で書かれたプロシージャには、エラーハンドラを挿入できません",
                            Buttons::kOk, Answer::kOk};
  ExpectModule<Editor>(module, Insert(2), module, {refused}, Rerun::Shows({refused}));
}

}  // namespace
}  // namespace qlx
