// The check rules, each fired and not fired, on raw-string modules.
#include "check/module_check.h"

#include <gtest/gtest.h>

#include "support/editor.h"
#include "support/text.h"

namespace qlx::check {
namespace {


// A header as `header` writes it for a Sub without parameters.
constexpr char16_t kHeaderA[] = uR"(
'>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>
'|概  要|:
'|依  存|:
'|解  説|:
'|      |:
'|作  者|:山田: 作成日:2026/12/08: 更新:未更新)";

struct Fired {
  std::string rule;
  Row row;
  int column;
  std::string procedure;
  bool operator==(const Fired&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Fired& f) {
  return os << f.rule << "@" << f.row << ":" << f.column << "(" << f.procedure << ")";
}

std::vector<Fired> CheckText(const std::u16string& text, std::string select = "", std::string ignore = "") {
  const testing::MemoryEditor editor = testing::EditorWith(text);
  MemoryCodeModule& module = *editor.module;
  CheckOptions options;
  options.rules.Apply(select, ignore);
  const std::vector<Text> before = module.AllLines();
  std::vector<Fired> out;
  const std::vector<Finding> found = CheckModule(module, options);
  for (const Finding& f : found) {
    out.push_back({std::string(RuleId(f.rule)), f.row, f.column, ToUtf8(f.procedure)});
  }
  EXPECT_EQ(module.AllLines(), before) << "the check changed the module";
  // Read in place, the same module gives the same findings, messages too,
  // and is left as it was.
  const testing::MemoryEditor in_place = testing::EditorWith(text);
  EXPECT_EQ(CheckModule(in_place.module, options), found) << "the check in place differs";
  EXPECT_EQ(in_place.Module(), before) << "the check in place changed the module";
  return out;
}

struct RuleCase {
  const char* name;
  std::u16string module;
  std::string select;
  std::vector<Fired> expected;
};

class RuleTest : public ::testing::TestWithParam<RuleCase> {};

TEST_P(RuleTest, FiresWhereExpected) {
  const RuleCase& c = GetParam();
  EXPECT_EQ(CheckText(c.module, c.select), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, RuleTest,
    ::testing::Values(
        RuleCase{"MissingHeaderFires", uR"(
Option Explicit

Sub A()
End Sub
)",
                 "missing-header", {{"missing-header", 3, 1, "A"}}},
        RuleCase{"MissingHeaderQuietWithHeader", Text(u"Option Explicit\n") + kHeaderA + u"\nSub A()\nEnd Sub",
                 "missing-header", {}},
        RuleCase{"MissingHeaderIndentedDeclaration", u"Option Explicit\n  Sub A()\n  End Sub", "missing-header",
                 {{"missing-header", 2, 3, "A"}}},
        RuleCase{"DebMarkerFires", uR"(
Sub A()
    Dim x As Long
    'deb x
        'DEB x for
End Sub
)",
                 "deb-marker", {{"deb-marker", 3, 5, "A"}, {"deb-marker", 4, 9, "A"}}},
        RuleCase{"DebMarkerNeedsTheSpace", u"Sub A()\n    'debug x\n    'deb\nEnd Sub", "deb-marker", {}},
        RuleCase{"DebMarkersNamedByTheirOwnProcedure",
                 u"Sub A()\n    'deb a\nEnd Sub\nSub B()\nEnd Sub\n' note\nSub C()\n    'deb c\nEnd Sub", "deb-marker",
                 {{"deb-marker", 2, 5, "A"}, {"deb-marker", 8, 5, "C"}}},
        RuleCase{"DebMarkerInTheSecondOfTwoOfOneName", u"Sub A()\nEnd Sub\nSub A()\n    'deb a\nEnd Sub", "deb-marker",
                 {{"deb-marker", 4, 5, "A"}}},
        RuleCase{"DebMarkerInDeclarations", u"'deb x\nSub A()\nEnd Sub", "deb-marker", {{"deb-marker", 1, 1, ""}}},
        RuleCase{"DuplicateHandlerFires", uR"(
Sub A()
    On Error GoTo PROC_ERR
PROC_EXIT:
    Exit Sub
PROC_ERR:
    Resume PROC_EXIT
PROC_ERR:
    Resume PROC_EXIT
End Sub
)",
                 "duplicate-handler", {{"duplicate-handler", 7, 1, "A"}}},
        RuleCase{"OneHandlerPerProcedureIsFine", uR"(
Sub A()
PROC_ERR:
End Sub
Sub B()
PROC_ERR:
End Sub
)",
                 "duplicate-handler", {}},
        RuleCase{"MissingHandlerFires", uR"(
Sub A()
    x = 1 ' On Error GoTo 0 is only a comment here
End Sub
Sub B()
    on error resume next
End Sub
Function C() As Long
        On Error Resume Next
End Function
)",
                 "missing-handler", {{"missing-handler", 1, 1, "A"}, {"missing-handler", 4, 1, "B"}}},
        RuleCase{"MissingHandlerOffByDefault", u"Sub A()\nEnd Sub", "", {{"missing-header", 1, 1, "A"}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RuleSetTest, SelectReplacesAndIgnoreRemoves) {
  RuleSet set = RuleSet::Default();
  EXPECT_TRUE(set.Has(Rule::kStaleHeader));
  EXPECT_FALSE(set.Has(Rule::kMissingHandler));
  set.Apply(" missing-handler , deb-marker", "deb-marker");
  EXPECT_TRUE(set.Has(Rule::kMissingHandler));
  EXPECT_FALSE(set.Has(Rule::kDebMarker));
  EXPECT_FALSE(set.Has(Rule::kMissingHeader));
}

TEST(RuleSetTest, UnknownRuleNamed) {
  RuleSet set = RuleSet::Default();
  try {
    set.Apply("", "missing-header,no-such-rule");
    FAIL() << "accepted an unknown rule";
  } catch (const std::invalid_argument& e) {
    EXPECT_STREQ(e.what(), "unknown rule 'no-such-rule'");
  }
}

TEST(RuleSetTest, IdsRoundTrip) {
  for (int i = 0; i < kRuleCount; ++i) {
    EXPECT_EQ(RuleFromId(RuleId(static_cast<Rule>(i))), static_cast<Rule>(i));
  }
  EXPECT_EQ(RuleFromId("Missing-Header"), std::nullopt);
}

// A module header as module-header writes it for Module1 with A and B.
constexpr char16_t kModuleHeader[] = uR"(
'====================================Module1====================================
'|USAGE |:hand-written
'|  OF  |:
'| THIS |:
'|MODULE|:
'|Number|Knd|Procedure Name |:-----Summary Description-----
'|No.1  |Sub|A              |:
'|No.2  |Sub|B              |:
Option Explicit
Sub A()
End Sub
Sub B()
End Sub
)";

TEST(StaleModuleHeaderTest, CurrentTableIsQuietWhateverTheDescription) {
  EXPECT_EQ(CheckText(kModuleHeader, "stale-module-header"), std::vector<Fired>{});
}

TEST(StaleModuleHeaderTest, RenamedProcedureFiresAtItsRow) {
  std::u16string text = kModuleHeader;
  text.replace(text.find(u"Sub B()"), 7, u"Sub Bee()");
  const testing::MemoryEditor editor = testing::EditorWith(text);
  MemoryCodeModule& module = *editor.module;
  CheckOptions options;
  options.rules.Apply("stale-module-header", "");
  const auto found = CheckModule(module, options);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].row, 8);
  EXPECT_EQ(ToUtf8(found[0].message),
            "the module header's procedure table is not what module-header writes: expected "
            "\"'|No.2  |Sub|Bee            |:\", found \"'|No.2  |Sub|B              |:\"");
}

TEST(StaleModuleHeaderTest, AddedProcedureFires) {
  std::u16string text = std::u16string(kModuleHeader) + u"Sub C()\nEnd Sub\n";
  EXPECT_EQ(CheckText(text, "stale-module-header"), (std::vector<Fired>{{"stale-module-header", 9, 1, ""}}));
}

TEST(StaleModuleHeaderTest, ModuleWithoutHeaderIsQuiet) {
  EXPECT_EQ(CheckText(u"Option Explicit\nSub A()\nEnd Sub", "stale-module-header"), std::vector<Fired>{});
}

// "' qlx-ignore: RULE[, RULE]" on the declaration line or the line above it
// silences those rules for that procedure only.
INSTANTIATE_TEST_SUITE_P(
    Suppression, RuleTest,
    ::testing::Values(
        RuleCase{"LineAbove", u"' qlx-ignore: missing-header\nSub A()\n    'deb x\nEnd Sub\nSub B()\nEnd Sub", "",
                 {{"deb-marker", 3, 5, "A"}, {"missing-header", 5, 1, "B"}}},
        RuleCase{"DeclarationLineTwoRules", u"Sub A() ' qlx-ignore: deb-marker, missing-header\n    'deb x\nEnd Sub", "",
                 {}},
        RuleCase{"CaseOfTheMarkerAndSpacing", u"Sub A() 'QLX-Ignore:deb-marker ,missing-header \n    'deb x\nEnd Sub",
                 "", {}},
        RuleCase{"TwoLinesAboveIsTooFar", u"' qlx-ignore: missing-header\n\nSub A()\nEnd Sub", "",
                 {{"missing-header", 3, 1, "A"}}},
        RuleCase{"UnknownNamePassedOver", u"' qlx-ignore: no-such-rule, missing-header\nSub A()\nEnd Sub", "", {}},
        RuleCase{"ApostropheInAString",
                 u"Sub A(Optional s As String = \"it's\") ' qlx-ignore: missing-header\nEnd Sub", "", {}},
        RuleCase{"MarkerInsideAStringIsNoComment",
                 u"Sub A(Optional s As String = \"' qlx-ignore: missing-header\")\nEnd Sub", "",
                 {{"missing-header", 1, 1, "A"}}},
        RuleCase{"OtherWordsAreNoMarker", u"Sub A() ' ignore: missing-header\nEnd Sub", "",
                 {{"missing-header", 1, 1, "A"}}},
        RuleCase{"HandlersToo", uR"(
Sub A() ' qlx-ignore: missing-handler, duplicate-handler
PROC_ERR:
PROC_ERR:
End Sub
)",
                 "missing-handler,duplicate-handler", {}},
        RuleCase{"MarkerInTheDeclarationsIsNotForTheModule", u"'deb x\n' qlx-ignore: deb-marker\nSub A()\nEnd Sub",
                 "deb-marker", {{"deb-marker", 1, 1, ""}}}),
    [](const auto& info) { return std::string(info.param.name); });

// A header as an update of Add would write it now, notes typed by hand.
constexpr char16_t kAddHeader[] = uR"(
Option Explicit
'>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>
'|概  要|:足し算
'|戻り値|:型 Long :和
'|ﾊﾟﾗﾒｰﾀ| 仮引数名            |I/O| 型                  | 説明
'| No.1 | a                   |I  | Long                |:左
'| No.2 | b                   |I*O| String              |:右
'|依  存|:
'|解  説|:
'|      |:
'|作  者|:山田: 作成日:2026/12/08: 更新:2026/12/09 10:00:00
Public Function Add(ByVal a As Long, b As String) As Long
    Add = a
End Function
)";

struct StaleCase {
  const char* name;
  std::u16string from;  // replaced in kAddHeader
  std::u16string to;
  Row row;              // 0: no finding
  std::string message;  // after "the header of Add is out of date: "
};

class StaleHeaderTest : public ::testing::TestWithParam<StaleCase> {};

TEST_P(StaleHeaderTest, NamesTheFirstDifference) {
  const StaleCase& c = GetParam();
  std::u16string text = kAddHeader;
  if (!c.from.empty()) {
    const auto at = text.find(c.from);
    ASSERT_NE(at, std::u16string::npos) << ToUtf8(c.from);
    text.replace(at, c.from.size(), c.to);
  }
  const testing::MemoryEditor editor = testing::EditorWith(text);
  MemoryCodeModule& module = *editor.module;
  CheckOptions options;
  options.rules.Apply("stale-header,missing-header", "");
  const auto found = CheckModule(module, options);
  if (c.row == 0) {
    EXPECT_TRUE(found.empty()) << ToUtf8(found[0].message);
    return;
  }
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(RuleId(found[0].rule), "stale-header");
  EXPECT_EQ(found[0].row, c.row);
  EXPECT_EQ(ToUtf8(found[0].procedure), "Add");
  EXPECT_EQ(ToUtf8(found[0].message), "the header of Add is out of date: " + c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, StaleHeaderTest,
    ::testing::Values(
        StaleCase{"CurrentWhateverTheUpdateTime", u"", u"", 0, ""},
        StaleCase{"IgnoreCommentChangesNothing", u") As Long\n", u") As Long ' qlx-ignore: deb-marker\n", 0, ""},
        StaleCase{"IgnoredOnTheDeclaration", u"b As String) As Long",
                  u"b As String, c As Long) As Long ' qlx-ignore: stale-header", 0, ""},
        StaleCase{"OtherUpdateTimeStillCurrent", u"2026/12/09 10:00:00", u"昨日", 0, ""},
        StaleCase{"ParameterAdded", u"b As String)", u"b As String, c As Long)", 8,
                  "parameter row 3 should read \"'| No.3 | c                   |I  | Long                |:\", not "
                  "\"'|依  存|:\""},
        StaleCase{"ParameterRemoved", u"(ByVal a As Long, b As String)", u"(ByVal a As Long)", 7,
                  "the dependency line should read \"'|依  存|:\", not "
                  "\"'| No.2 | b                   |I*O| String              |:右\""},
        StaleCase{"ParameterRenamed", u"ByVal a As Long", u"ByVal x As Long", 6,
                  "parameter row 1 should read \"'| No.1 | x                   |I  | Long                |:\", not "
                  "\"'| No.1 | a                   |I  | Long                |:左\""},
        StaleCase{"ParameterRetyped", u"b As String)", u"b As Variant)", 7,
                  "parameter row 2 should read \"'| No.2 | b                   |I*O| Variant             |:右\", not "
                  "\"'| No.2 | b                   |I*O| String              |:右\""},
        StaleCase{"MarkNotKept", u"|I*O|", u"|O  |", 7,
                  "parameter row 2 should read \"'| No.2 | b                   |I  | String              |:右\", not "
                  "\"'| No.2 | b                   |O  | String              |:右\""},
        StaleCase{"ReturnTypeChanged", u") As Long\n    Add", u") As Double\n    Add", 4,
                  "the return line should read \"'|戻り値|:型 Double :和\", not \"'|戻り値|:型 Long :和\""},
        StaleCase{"FunctionBecameSub", u"Public Function Add(ByVal a As Long, b As String) As Long\n    Add = a\nEnd Function",
                  u"Public Sub Add(ByVal a As Long, b As String)\nEnd Sub", 4,
                  "the parameter title line should read \"'|ﾊﾟﾗﾒｰﾀ| 仮引数名            |I/O| 型                  | 説明\", "
                  "not \"'|戻り値|:型 Long :和\""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(StaleHeaderTest2, AuthorLineWithoutSeparatorCannotBeUpdated) {
  const testing::MemoryEditor editor = testing::EditorWith(uR"(
Option Explicit
'|作  者|:山田: 作成日:2026/12/08: 更新:未更新
Sub A()
End Sub
)");
  MemoryCodeModule& module = *editor.module;
  const auto found = CheckModule(module);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(RuleId(found[0].rule), "stale-header");
  EXPECT_EQ(found[0].row, 3);
}

// A module header lists at most 300 procedures, but the rules look at all
// of them: the 301st procedure's markers and handlers are found too.
TEST(ManyProceduresTest, RulesReachPastThe300th) {
  std::u16string text;
  for (int i = 1; i <= 301; ++i) {
    text += u"Sub P" + FromUtf8(std::to_string(i)) + u"()\nEnd Sub\n";
  }
  text += u"Sub Last()\nPROC_ERR:\n    'deb x\nPROC_ERR:\nEnd Sub\n";
  const std::vector<Fired> found = CheckText(text);
  ASSERT_EQ(found.size(), 302u + 2u);
  EXPECT_EQ(found[300], (Fired{"missing-header", 601, 1, "P301"}));
  EXPECT_EQ(found[301], (Fired{"missing-header", 603, 1, "Last"}));
  EXPECT_EQ(found[302], (Fired{"deb-marker", 605, 5, "Last"}));
  EXPECT_EQ(found[303], (Fired{"duplicate-handler", 606, 1, "Last"}));
}

}  // namespace
}  // namespace qlx::check
