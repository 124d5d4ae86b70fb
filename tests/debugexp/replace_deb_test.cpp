// 'deb markers into Debug.Print code: the two expansions, the refusals with
// their rows, markers on continued lines, and clean-up when the editor fails.
#include "debugexp/mod_add_debug_vbe.h"

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

using testing::ExpectModule;
using testing::Lines;
using testing::Rerun;
using testing::U8;

// The refusal for a malformed marker at row.
RecordedBox Refusal(int message, Row row) {
  const Text r = Str(row);
  Text text;
  switch (message) {
    case 1:
      text = u"変数が不正です " + r + u"行\r\nUsage ['deb Variable] Or ['deb Variable for]";
      break;
    case 2:
      text = u"['deb ]の前方に文字列があります " + r +
             u"行\r\n文の途中には挿入できません\r\nUsage ['deb Variable] Or ['deb Variable for]";
      break;
    case 3:
      text = u"['deb ]文の後方に文字列があります " + r +
             u"行\r\n文の途中には挿入できません\r\nUsage ['deb Variable] Or ['deb Variable for]";
      break;
    case 4:
      text = u"['deb ]文に変数がありません " + r +
             u"行\r\nUsage ['deb Variable] Or ['deb Variable for]";
      break;
    case 5:
      text = u"['deb ]文の後方に[for]ではない文字列があります " + r +
             u"行\r\nUsage ['deb Variable] Or ['deb Variable for]";
      break;
  }
  return {u"QLX", text, Buttons::kOk, Answer::kOk};
}

// The test editor with the marker expander on it.
struct Editor : testing::Editor<ModAddDebugVBE> {
  using testing::Editor<ModAddDebugVBE>::Editor;
  ModAddDebugVBE& deb = op;
};

// ReplaceDeb; every refusal is shown while drawing is stopped.
const std::function<void(Editor&)> Replace = [](Editor& e) {
  e.deb.ReplaceDeb();
  for (std::size_t i = 0; i < e.ui.boxes.size() && i < e.ui.locked_while_shown.size(); ++i) {
    if (e.ui.boxes[i].title == u"QLX") {
      EXPECT_TRUE(e.ui.locked_while_shown[i]) << "box " << i;
    }
  }
};

TEST(ReplaceDeb, WorkedExamples) {
  ExpectModule(uR"(
Option Explicit

Public Sub Report(arr() As Long)
    Dim total As Long
    Dim i As Long
    For i = LBound(arr) To UBound(arr)
        total = total + arr(i)
    Next i
    ' the sum

    'deb total
    ' the elements
    i = 0
    i = 1
    i = 2
    i = 3
    i = 4

    'deb arr for
End Sub
)",
               Replace, uR"(
Option Explicit

Public Sub Report(arr() As Long)
    Dim total As Long
    Dim i As Long
    For i = LBound(arr) To UBound(arr)
        total = total + arr(i)
    Next i
    ' the sum

    Debug.Print "total = "; total
    ' the elements
    i = 0
    i = 1
    i = 2
    i = 3
    i = 4

    For deb = LBound(arr) To UBound(arr)
        Debug.Print "arr" & "(" & deb & ") = "; arr(deb)
    Next deb
End Sub
)",
               {}, Rerun::Unchanged());
}

TEST(ReplaceDeb, DrawingIsStoppedOnTheCodeWindowAndRestarted) {
  Editor editor(u"Sub A()\n    'deb x\nEnd Sub");
  editor.deb.ReplaceDeb();
  EXPECT_EQ(editor.desktop.lock_calls,
            (std::vector<WindowHandle>{MemoryDesktop::kCodeWindow, 0}));
}

TEST(ReplaceDeb, IndentationFollowsTheMarkersColumn) {
  ExpectModule(uR"(
'deb a
'deb b for
        'deb c
        'deb d for
)",
               Replace, uR"(
Debug.Print "a = "; a
For deb = LBound(b) To UBound(b)
    Debug.Print "b" & "(" & deb & ") = "; b(deb)
Next deb
        Debug.Print "c = "; c
        For deb = LBound(d) To UBound(d)
            Debug.Print "d" & "(" & deb & ") = "; d(deb)
        Next deb
)",
               {}, Rerun::Unchanged());
}

TEST(ReplaceDeb, ExtraSpacesBetweenAndAfterTheWordsDoNotMatter) {
  ExpectModule(uR"(
Sub A()
    'deb  total
    'deb   arr    for
    'deb x   
End Sub
)",
               Replace, uR"(
Sub A()
    Debug.Print "total = "; total
    For deb = LBound(arr) To UBound(arr)
        Debug.Print "arr" & "(" & deb & ") = "; arr(deb)
    Next deb
    Debug.Print "x = "; x
End Sub
)",
               {}, Rerun::Unchanged());
}

TEST(ReplaceDeb, ModuleWithoutMarkersIsLeftAlone) {
  for (const std::u16string& module : {
           std::u16string(u""),
           std::u16string(uR"(
Sub A()
    ' debug here
    Debug.Print x
    'debx
    'deb
    x = deb
End Sub
)")}) {
    SCOPED_TRACE(U8(module));
    ExpectModule(module, Replace, module, {}, Rerun::Unchanged());
  }
}

struct RefusalCase {
  const char* name;
  std::u16string line;  // at row 3, between two valid markers
  int message;
};

void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

class Refusals : public ::testing::TestWithParam<RefusalCase> {};

// The marker above is expanded, the malformed one and the one below are left.
TEST_P(Refusals, StopAtTheMalformedMarkerWithItsRow) {
  const RefusalCase& c = GetParam();
  ExpectModule(u"Sub A()\n    'deb before\n" + c.line + u"\n    'deb after\nEnd Sub", Replace,
               u"Sub A()\n    Debug.Print \"before = \"; before\n" + c.line +
                   u"\n    'deb after\nEnd Sub",
               {Refusal(c.message, 3)}, Rerun::Shows({Refusal(c.message, 3)}));
}

const RefusalCase kRefusals[] = {
    {"MarkerAlone", u"    'deb ", 1},
    {"MarkerFollowedBySpaces", u"    'deb     ", 1},
    // Length is checked first: code before a bare marker still reads as short.
    {"ShortLineWithCodeBefore", u"    x'deb ", 1},
    {"UpperCaseMarker", u"    'DEB x", 2},
    {"MixedCaseLoopMarker", u"    'Deb arr for", 2},
    {"MarkerAfterCode", u"    x = 1 'deb x", 2},
    {"MarkerInAStringLiteral", u"    s = \"'deb x\"", 2},
    // Only spaces are trimmed.
    {"TabIndentedMarker", u"\t'deb x", 2},
    {"FourWordsAfterTheMarker", u"    'deb x y z w", 3},
    {"ThreeWordsAfterTheMarker", u"    'deb x y z", 3},
    {"ThreeWordsEndingInFor", u"    'deb x y for", 3},
    {"TrailingComment", u"    'deb x ' note", 3},
    {"ForWithoutVariable", u"    'deb for", 4},
    {"ForWithoutVariableExtraSpaces", u"    'deb   for  ", 4},
    {"SecondWordNotFor", u"    'deb x y", 5},
    {"ForIsCaseSensitive", u"    'deb arr For", 5},
    {"ContinuedWithSecondWord", u"    'deb x _", 5},
    // Replacing these would take the next line out of the comment into code.
    {"ContinuedOntoTheNextLine", u"    'deb _", 3},
    {"ContinuedAfterATab", u"    'deb x\t_", 3},
};

INSTANTIATE_TEST_SUITE_P(ReplaceDeb, Refusals, ::testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ReplaceDeb, ReportedRowIsTheRowAfterEarlierExpansions) {
  // The loop above adds two rows, so the bad marker written at row 4 is
  // reported at row 6; the one below it stays untouched.
  ExpectModule(uR"(
Sub A()
    'deb a
    'deb arr for
    'deb x y
    'deb b
End Sub
)",
               Replace, uR"(
Sub A()
    Debug.Print "a = "; a
    For deb = LBound(arr) To UBound(arr)
        Debug.Print "arr" & "(" & deb & ") = "; arr(deb)
    Next deb
    'deb x y
    'deb b
End Sub
)",
               {Refusal(5, 6)}, Rerun::Shows({Refusal(5, 6)}));
}

TEST(ReplaceDeb, ARefusalAtTheTopStopsEverything) {
  const std::u16string module = uR"(
' Use 'DEB name to trace a value.
Sub A()
    'deb a
End Sub
)";
  ExpectModule(module, Replace, module, {Refusal(2, 1)}, Rerun::Shows({Refusal(2, 1)}));
}

TEST(ReplaceDeb, MarkersOnContinuedLinesAreRefused) {
  // The marker lines continue a comment: their code would be commented out,
  // and a loop's For would be parted from its Next.
  ExpectModule(uR"(
Sub A()
    'deb a
    ' the total, _
    'deb total
End Sub
)",
               Replace, uR"(
Sub A()
    Debug.Print "a = "; a
    ' the total, _
    'deb total
End Sub
)",
               {Refusal(2, 4)}, Rerun::Shows({Refusal(2, 4)}));
  ExpectModule(u"' see _\n'deb arr for", Replace, u"' see _\n'deb arr for", {Refusal(2, 2)},
               Rerun::Shows({Refusal(2, 2)}));
  // An underscore without a space before it does not continue the line.
  ExpectModule(u"' see note_\n'deb x_", Replace, u"' see note_\nDebug.Print \"x_ = \"; x_",
               {}, Rerun::Unchanged());
}

TEST(ReplaceDeb, AVariableEndingInTheMarkerStopsAtItsOwnPrintLine) {
  // The print line holds "'deb " again; it is refused instead of expanded
  // round and round.
  ExpectModule(u"Sub A()\n  'deb x'deb\nEnd Sub", Replace,
               u"Sub A()\n  Debug.Print \"x'deb = \"; x 'deb\nEnd Sub", {Refusal(2, 2)},
               Rerun::Shows({Refusal(2, 2)}));
}

TEST(ReplaceDeb, WithoutAnActivePaneNothingHappensAndDrawingIsReleased) {
  testing::MemoryEditor e = testing::EditorWith(u"'deb x").NoActivePane();
  RecordingUi ui;
  ModAddDebugVBE deb(ui, e.desktop);
  deb.ReplaceDeb();  // no editor
  deb.SetVBInstance(e.vbe);
  deb.ReplaceDeb();  // no active pane
  EXPECT_EQ(e.Module(), Lines(u"'deb x"));
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_EQ(e.desktop.lock_calls, (std::vector<WindowHandle>{0, 0}));
}

struct FailureCase {
  const char* name;
  HostCall call;
  int nth;
  std::u16string after;
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class EditorFailure : public ::testing::TestWithParam<FailureCase> {};

const std::u16string kTwoMarkers = uR"(
Sub A()
    'deb a
    'deb arr for
End Sub
)";

// No message; what was changed before the failure stays.
TEST_P(EditorFailure, EndsSilentlyWithDrawingRestarted) {
  const FailureCase& c = GetParam();
  ExpectModule<Editor>(
      kTwoMarkers,
      [&](Editor& e) {
        e.vbe->Log().FailOn(c.call, c.nth, VbError(vberr::kSubscript));
        e.deb.ReplaceDeb();
      },
      c.after, {}, Rerun::NotChecked());
}

const FailureCase kFailures[] = {
    {"FirstFind", HostCall::kFind, 1, kTwoMarkers},
    {"ActiveCodePane", HostCall::kActiveCodePane, 1, kTwoMarkers},
    {"CodeModule", HostCall::kCodeModule, 1, kTwoMarkers},
    {"LockWindowUpdate", HostCall::kLockWindowUpdate, 1, kTwoMarkers},
    {"SecondFind", HostCall::kFind, 2, uR"(
Sub A()
    Debug.Print "a = "; a
    'deb arr for
End Sub
)"},
    {"ThirdLines", HostCall::kLines, 3, uR"(
Sub A()
    Debug.Print "a = "; a
    'deb arr for
End Sub
)"},
    {"FirstDeleteLines", HostCall::kDeleteLines, 1, uR"(
Sub A()
    'deb a
    Debug.Print "a = "; a
    'deb arr for
End Sub
)"},
    {"SecondInsertLines", HostCall::kInsertLines, 2, uR"(
Sub A()
    Debug.Print "a = "; a
    'deb arr for
End Sub
)"},
    {"ThirdInsertLines", HostCall::kInsertLines, 3, uR"(
Sub A()
    Debug.Print "a = "; a
    'deb arr for
    Next deb
End Sub
)"},
    {"SecondDeleteLines", HostCall::kDeleteLines, 2, uR"(
Sub A()
    Debug.Print "a = "; a
    'deb arr for
    For deb = LBound(arr) To UBound(arr)
        Debug.Print "arr" & "(" & deb & ") = "; arr(deb)
    Next deb
End Sub
)"},
};

INSTANTIATE_TEST_SUITE_P(ReplaceDeb, EditorFailure, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ReplaceDeb, ANotFoundCodeWindowIsReportedAndTheWorkGoesOn) {
  ExpectModule<Editor>(
      u"'deb a",
      [](Editor& e) {
        e.vbe->Log().FailOn(HostCall::kFindWindow, 1, VbError(vberr::kInvalidCall));
        e.deb.ReplaceDeb();
      },
      u"Debug.Print \"a = \"; a",
      {{u"GetVbaHwnd", u"Error: 5. Invalid procedure call or argument", Buttons::kOk, Answer::kOk}},
      Rerun::Shows(
          {{u"GetVbaHwnd", u"Error: 5. Invalid procedure call or argument", Buttons::kOk, Answer::kOk}}));
}

TEST(DebCountWords, CountsRunsOfNonSpaces) {
  struct Case {
    std::u16string text;
    std::int32_t words;
  } cases[] = {
      {u"", 0},
      {u"   ", 0},
      {u"'deb", 1},
      {u"'deb x", 2},
      {u"'deb  x  for", 3},
      {u"  a  b  ", 2},
      {u"'deb x ' note", 4},
      // Only the space separates: not a tab, not a full-width space.
      {u"a\tb", 1},
      {u"変数　合計 x", 2},
  };
  RecordingUi ui;
  MemoryDesktop desktop;
  ModAddDebugVBE deb(ui, desktop);
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.text));
    EXPECT_EQ(deb.CountWords(c.text), c.words);
  }
  EXPECT_TRUE(ui.boxes.empty());
}

}  // namespace
}  // namespace qlx
