// The declaration parser on its own: each step under the procedure record's
// rules, the documented differences of the module table's rules, and the
// I/O test, whose first hit ends the reading of the body.
#include "analysis/declaration.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>
#include <vector>

#include "host/ui.h"
#include "host/vberror.h"
#include "support/text.h"

namespace qlx {
namespace {

using testing::Lines;
using testing::U8;

std::pair<Text, int> KindOf(const DeclarationParser::Kind& k) { return {k.text, k.code}; }
std::pair<std::vector<Text>, Short> ListOf(const DeclarationParser::ParamList& l) { return {l.items, l.count}; }

// The lines of a raw-string module by row; a row outside it is VB's error 9,
// as the editor answers.
LineReader ReaderOf(std::vector<Text> lines, std::vector<Row>* read = nullptr) {
  return [lines = std::move(lines), read](Row r) -> Text {
    if (read) read->push_back(r);
    if (r < 1 || r > static_cast<Row>(lines.size())) throw VbError(vberr::kSubscript);
    return lines[static_cast<std::size_t>(r - 1)];
  };
}

TEST(RecordRulesTest, JoinDeclaration) {
  RecordingUi ui;
  DeclarationParser r(ui, kRecordRules);
  struct Case {
    const char16_t* module;
    const char16_t* joined;
    Row def_end;
  } cases[] = {
      {u"Public Function F(a As Long, _\n    b As String, _\n    c As Long) As Boolean\nEnd Function",
       u"Public Function F(a As Long,b As String,c As Long) As Boolean", 3},
      {u"Public Function F() _\nAs Long\nEnd Function", u"Public Function F() As Long", 2},
      {u"Sub S(a _\n, b)\nEnd Sub", u"Sub S(a, b)", 2},
      {u"Sub S(a) ' note\nEnd Sub", u"Sub S(a)", 1},
      {u"Sub Greet(Optional s As String = \"it's\") ' hi\nEnd Sub",
       u"Sub Greet(Optional s As String = \"it's\")", 1},
      {u"Public Function S(a As Long, _\n                  b As Long) As Long ' sum\nEnd Function",
       u"Public Function S(a As Long,b As Long) As Long", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.module));
    Row last = 0;
    EXPECT_EQ(r.JoinDeclaration(ReaderOf(Lines(c.module)), 1, last), c.joined);
    EXPECT_EQ(last, c.def_end);
  }
  EXPECT_TRUE(ui.boxes.empty());
}

TEST(RecordRulesTest, JoinDeclarationLeavesEditorFailuresToTheCaller) {
  RecordingUi ui;
  DeclarationParser r(ui, kRecordRules);
  Row last = 0;
  EXPECT_THROW(r.JoinDeclaration(ReaderOf(Lines(u"Sub S(a, _")), 1, last), VbError);
  EXPECT_EQ(last, 2);  // the row that failed
  EXPECT_TRUE(ui.boxes.empty());
}

TEST(RecordRulesTest, StripComment) {
  RecordingUi ui;
  DeclarationParser r(ui, kRecordRules);
  struct Case {
    const char16_t* line;
    const char16_t* stripped;
  } cases[] = {
      {u"Sub S() ' note", u"Sub S()"},
      {u"  Sub S()  ' note", u"Sub S()"},
      {u"  Sub S()  ", u"  Sub S()  "},  // no comment: left as it is
      {u"' whole line", u""},
      {u"Sub G(Optional s = \"it's\")", u"Sub G(Optional s = \"it's\")"},
      {u"Sub G(Optional s = \"it's\") ' hi", u"Sub G(Optional s = \"it's\")"},
      {u"x = \"say \"\"it's\"\" ok\" ' c", u"x = \"say \"\"it's\"\" ok\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.line));
    EXPECT_EQ(r.StripComment(c.line), c.stripped);
  }
}

TEST(RecordRulesTest, TypeOfProc) {
  RecordingUi ui;
  DeclarationParser r(ui, kRecordRules);
  struct Case {
    const char16_t* line;
    ProcKind kind;
    const char16_t* type;
    int code;
  } cases[] = {
      {u"Public Function F() As Long", 0, u"Function", 1},
      {u"Private Sub G()", 0, u"Sub", 0},
      {u"Function F()", 0, u"Function", 1},
      {u"Function F", 0, u"Sub", 0},  // the window stops two characters short
      {u"Sub S(ByVal xFunction As Long)", 0, u"Sub", 0},
      {u"Sub S() ' calls Function Foo", 0, u"Sub", 0},
      {u"Property Let P(ByVal v)", 1, u"Property", 2},
      {u"Property Set P(ByVal v)", 2, u"Property", 3},
      {u"Function Odd()", 3, u"Property", 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.line));
    EXPECT_EQ(KindOf(r.TypeOfProc(c.line, c.kind)), std::make_pair(Text(c.type), c.code));
  }
}

TEST(RecordRulesTest, IsInnerDec) {
  RecordingUi ui;
  DeclarationParser r(ui, kRecordRules);
  struct Case {
    const char16_t* line;
    bool dec;
  } cases[] = {
      {u"Dim x", true},          {u"    Dim x As Long", true}, {u"Const X = 1", true},
      {u"Static n As Long", true}, {u"\tDim x", false},       {u"ReDim a(5)", false},
      {u"Private Const X = 1", false}, {u"Dim", false},       {u"Dimension = 1", false},
      {u"' Dim x", false},       {u"Static", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.line));
    EXPECT_EQ(r.IsInnerDec(c.line), c.dec);
  }
}

TEST(RecordRulesTest, GetRetType) {
  RecordingUi ui;
  DeclarationParser r(ui, kRecordRules);
  struct Case {
    const char16_t* declaration;
    const char16_t* type;
  } cases[] = {
      {u"Sub A()", u"N/A"},
      {u"Function F() As Long", u"Long"},
      {u"Function F(x) As String()", u"String()"},
      {u"Function F() As String()", u"String()"},
      {u"Function F(x)", u"N/A"},
      {u"Property Let P(ByVal v As Long)", u"N/A"},
      {u"Public Function F(ByVal a As Long,Optional b As Long = 5) As Boolean", u"Boolean"},
      {u"Sub G(Optional s As String = \"it's\")", u"N/A"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.declaration));
    EXPECT_EQ(r.GetRetType(c.declaration), c.type);
  }
  EXPECT_TRUE(ui.boxes.empty());
}

TEST(RecordRulesTest, GetParamList) {
  RecordingUi ui;
  DeclarationParser r(ui, kRecordRules);
  struct Case {
    const char16_t* declaration;
    std::vector<Text> items;
    Short count;
  } cases[] = {
      {u"Sub A()", {u"Void"}, 0},
      {u"Function F() As String()", {u"Void"}, 0},
      {u"Function F(x) As String()", {u"x"}, 1},
      {u"Function F(a As Long,b As String) As Boolean", {u"a As Long", u"b As String"}, 2},
      {u"Sub S(a, b)", {u"a", u"b"}, 2},
      {u"Sub S(Optional s = \"a,b\", n)", {u"Optional s = \"a,b\"", u"n"}, 2},
      {u"Sub S(Optional s = \"x \"\",\"\" y\",n)", {u"Optional s = \"x \"\",\"\" y\"", u"n"}, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.declaration));
    EXPECT_EQ(ListOf(r.GetParamList(c.declaration)), std::make_pair(c.items, c.count));
  }
  EXPECT_TRUE(ui.boxes.empty());

  // No ") As" where the return type should start: the list's end is unknown.
  EXPECT_EQ(r.GetParamList(u"Function F(x)As Long").items, std::vector<Text>{});
  EXPECT_EQ(ui.boxes, (std::vector<RecordedBox>{{u"ClsProcInf.GetParamList",
                                                 ErrorNumberReport(VbError(5))}}));
}

TEST(RecordRulesTest, GetWordList) {
  RecordingUi ui;
  DeclarationParser r(ui, kRecordRules);
  struct Case {
    const char16_t* param;
    std::vector<Text> words;
  } cases[] = {
      {u"x", {u"x"}},
      {u"ByVal x As Long", {u"ByVal", u"x", u"As", u"Long"}},
      {u"a  b", {u"a", u"", u"b"}},
      {u"\"a b\"", {u"\"a b\""}},
      {u"Optional ByVal s As String = \"a b\"",
       {u"Optional", u"ByVal", u"s", u"As", u"String", u"=", u"\"a b\""}},
      {u"Optional s = \"x\" & \"y z\"", {u"Optional", u"s", u"=", u"\"x\" & \"y z\""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.param));
    EXPECT_EQ(r.GetWordList(c.param), c.words);
  }
}


// The same input under both rules: each row is one documented difference.
struct RulesCase {
  const char* what;
  std::vector<Text> record;
  std::vector<Text> table;
  std::vector<Text> (*run)(DeclarationParser&);
};

class RulesDifferTest : public ::testing::TestWithParam<RulesCase> {};

TEST_P(RulesDifferTest, AsDocumented) {
  RecordingUi record_ui;
  RecordingUi table_ui;
  DeclarationParser record(record_ui, kRecordRules);
  DeclarationParser table(table_ui, kTableRules);
  EXPECT_EQ(GetParam().run(record), GetParam().record);
  EXPECT_EQ(GetParam().run(table), GetParam().table);
}

ParamInf FilledFrom(DeclarationParser& p, std::vector<Text> words) {
  ParamInf e{u"k1", u"k2", u"name", u"type", u"io"};
  p.InputParam(words, &e, [](const Text&) { return Text(u"I/O"); });
  return e;
}

std::vector<Text> Fields(const ParamInf& e) { return {e.KeyWord1, e.KeyWord2, e.VarName, e.VarType, e.RefIO}; }

INSTANTIATE_TEST_SUITE_P(
    Rules, RulesDifferTest,
    ::testing::Values(
        RulesCase{"kind texts",
                  {u"Function", u"Property", u"Property", u"Property"},
                  {u"Fnc", u"PrL", u"PrS", u"PrG"},
                  [](DeclarationParser& p) {
                    std::vector<Text> texts;
                    for (ProcKind k = 0; k <= 3; ++k) texts.push_back(p.TypeOfProc(u"Function F() As Long", k).text);
                    return texts;
                  }},
        RulesCase{"parameter texts keep trailing spaces; one empty element after the last",
                  {u"a", u"b"},
                  {u"a ", u"b", u""},
                  [](DeclarationParser& p) { return p.GetParamList(u"Sub S(a , b)").items; }},
        RulesCase{"an empty list",
                  {u"Void"},
                  {u"Void", u""},
                  [](DeclarationParser& p) { return p.GetParamList(u"Sub S()").items; }},
        RulesCase{"one empty element after the last word",
                  {u"ByVal", u"x"},
                  {u"ByVal", u"x", u""},
                  [](DeclarationParser& p) { return p.GetWordList(u"ByVal x"); }},
        RulesCase{"the word count of InputParam",
                  {u"", u"ByVal", u"", u"Variant", u"I"},
                  {u"", u"ByRef", u"x", u"Variant", u"I/O"},
                  [](DeclarationParser& p) { return Fields(FilledFrom(p, {u"x", u""})); }}),
    [](const ::testing::TestParamInfo<RulesCase>& info) { return "Case" + std::to_string(info.index); });

struct WordLimitCase {
  const DeclarationRules* rules;
  RecordedBox box;
};

class WordLimitTest : public ::testing::TestWithParam<WordLimitCase> {};

TEST_P(WordLimitTest, EightWordsShowTheRulesBoxAndLeaveTheEntry) {
  RecordingUi ui;
  DeclarationParser p(ui, *GetParam().rules);
  std::vector<Text> words = {u"Optional", u"n", u"As", u"Long", u"=", u"1", u"+", u"2"};
  if (GetParam().rules->lists_end_with_empty) words.emplace_back();
  EXPECT_EQ(Fields(FilledFrom(p, words)), (std::vector<Text>{u"k1", u"k2", u"name", u"type", u"io"}));
  EXPECT_EQ(ui.boxes, std::vector<RecordedBox>{GetParam().box});
}

INSTANTIATE_TEST_SUITE_P(
    Rules, WordLimitTest,
    ::testing::Values(WordLimitCase{&kRecordRules, {u"DEBUGMODE", u"InputParam Error 原因を探してください"}},
                      WordLimitCase{&kTableRules, {u"Plumewrighter", u"InputParam Error"}}));

// The I/O test reads the rows in ascending order and stops at the first hit,
// so rows past a hit are never read, and a range that runs past the end of
// the module still finds a hit inside it.
struct FirstHitCase {
  const DeclarationRules* rules;
  const char16_t* name;
  const char16_t* failed_result;
};

class FirstHitTest : public ::testing::TestWithParam<FirstHitCase> {};

TEST_P(FirstHitTest, StopsReadingAtTheFirstHit) {
  RecordingUi ui;
  DeclarationParser p(ui, *GetParam().rules);
  const Text name = GetParam().name;
  const Text assignment = name == u"arr()" ? Text(u"arr(i) = 1") : name + u" = 1";
  std::vector<Row> read;
  // Rows 1..2 exist; the range asks for 1..5.
  EXPECT_EQ(p.CheckRef(name, 1, 5, ReaderOf({u"x = 0", assignment}, &read)), u"I/O");
  EXPECT_EQ(read, (std::vector<Row>{1, 2}));
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_P(FirstHitTest, WithoutAHitAFailedReadIsReported) {
  RecordingUi ui;
  DeclarationParser p(ui, *GetParam().rules);
  EXPECT_EQ(p.CheckRef(GetParam().name, 1, 5, ReaderOf({u"x = 0", u"y = 1"})), GetParam().failed_result);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].title, Text(GetParam().rules->title_prefix) + u"CheckRef");
}

// Rows that cannot begin an assignment are passed over without the full
// test; a name whose text Like reads as a pattern (a type character such as
// x#) still gets that test on every row.
struct AssignmentCase {
  const DeclarationRules* rules;
  const char16_t* name;
  const char16_t* row;
  const char16_t* ref_io;
  friend void PrintTo(const AssignmentCase& c, std::ostream* os) {
    *os << (c.rules == &kRecordRules ? "record " : "table ") << U8(c.name) << " / " << U8(c.row);
  }
};

class AssignmentTest : public ::testing::TestWithParam<AssignmentCase> {};

TEST_P(AssignmentTest, IsFoundAsTheRulesFindIt) {
  RecordingUi ui;
  DeclarationParser p(ui, *GetParam().rules);
  EXPECT_EQ(p.CheckRef(GetParam().name, 1, 2, ReaderOf({u"y = 0", GetParam().row})), GetParam().ref_io);
  EXPECT_TRUE(ui.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AssignmentTest,
    ::testing::Values(AssignmentCase{&kRecordRules, u"x#", u"x# = 1", u"I/O"},
                      AssignmentCase{&kRecordRules, u"x#", u"x1 = 1", u"I"},
                      AssignmentCase{&kTableRules, u"x#", u"x1 = 1", u"I/O"},
                      AssignmentCase{&kTableRules, u"a?", u"ab = 1", u"I/O"},
                      AssignmentCase{&kRecordRules, u"b", u"bb = 1", u"I"},
                      AssignmentCase{&kRecordRules, u"b", u"B = 1", u"I"},
                      AssignmentCase{&kRecordRules, u"b", u"b.Item(1) = 2", u"I/O"},
                      AssignmentCase{&kTableRules, u"b", u"b = 1", u"I/O"},
                      AssignmentCase{&kTableRules, u"b", u"ab = 1", u"I"},
                      AssignmentCase{&kRecordRules, u"arr()", u"arr(1) = 2", u"I/O"},
                      AssignmentCase{&kRecordRules, u"arr()", u"ar(1) = 2", u"I"},
                      AssignmentCase{&kTableRules, u"arr()", u"arr(i) = 2", u"I/O"},
                      AssignmentCase{&kTableRules, u"arr()", u"xarr(i) = 2", u"I"}));

INSTANTIATE_TEST_SUITE_P(Rules, FirstHitTest,
                         ::testing::Values(FirstHitCase{&kRecordRules, u"b", u"I"},
                                           FirstHitCase{&kRecordRules, u"arr()", u"I"},
                                           FirstHitCase{&kTableRules, u"b", u""},
                                           FirstHitCase{&kTableRules, u"arr()", u""}));

}  // namespace
}  // namespace qlx
