// The module procedure table: scans of in-memory modules, the table's
// lifetime across scans, failure reports, and the module's own parsers.
#include "analysis/mod_get_procs_data.h"

#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <string>
#include <tuple>

#include "host/memory/editor.h"
#include "host/ui.h"
#include "host/vberror.h"
#include "support/editor.h"
#include "support/print.h"
#include "support/text.h"

namespace qlx {
namespace {

using testing::EditorWith;
using testing::U8;

const ParamInf kVoid{u"", u"", u"Void", u"N/A", u"N/A"};

// The procedure table on a built editor; with no editor given, on one
// without modules (for the parsers, which read none).
struct Scanner : testing::MemoryEditor {
  Scanner(const EditorWith& with = EditorWith::Empty()) : MemoryEditor(with) {  // NOLINT: as MemoryEditor
    procs.SetVBInstance(vbe);
  }
  RecordingUi ui;
  ModGetProcsData procs{ui};

  std::vector<ProcData> Scan(bool full, Short& count) {
    return full ? procs.GetProcsData(count) : procs.GetProcsDataH(count);
  }
};

// "Option Explicit" and `procs` empty Subs, or one Sub with `params` parameters.
Text ManyProcs(int procs) {
  Text text = u"Option Explicit\n";
  for (int i = 0; i < procs; ++i) text += u"Sub P" + Str(i) + u"()\nEnd Sub\n";
  return text;
}
Text ManyParams(int params) {
  Text text = u"Sub S(";
  for (int i = 0; i < params; ++i) text += (i ? u", p" : u"p") + Str(i);
  return text + u")\nEnd Sub\n";
}

struct CountCase {
  const char* label;
  Text module;
  bool full;
  Short count;
  const char16_t* last_name = u"";  // of entry count - 1
  Short last_param_count = 0;
};

void PrintTo(const CountCase& c, std::ostream* os) { *os << c.label; }

class ScanCountTest : public ::testing::TestWithParam<CountCase> {};

TEST_P(ScanCountTest, CountsAndReturnsTheTableOnlyForFoundProcedures) {
  const CountCase& c = GetParam();
  Scanner s(c.module);
  Short count = 99;
  const std::vector<ProcData> table = s.Scan(c.full, count);
  EXPECT_EQ(count, c.count);
  EXPECT_EQ(table.size(), c.count > 0 ? static_cast<std::size_t>(c.count) : 0u);
  if (c.count > 0) {
    EXPECT_EQ(table[c.count - 1].ProcName, c.last_name);
    EXPECT_EQ(table[c.count - 1].ParamCount, c.last_param_count);
  }
  EXPECT_TRUE(s.ui.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Limits, ScanCountTest,
    ::testing::Values(
        CountCase{"empty module", u"", true, 0},
        CountCase{"declarations only", u"Option Explicit\nPrivate m As Long\n' note\n", true, 0},
        CountCase{"declarations only, header scan", u"Option Explicit\n' note\n", false, 0},
        // The search for the first procedure stops before the last row.
        CountCase{"procedure only on the last row", u"Option Explicit\nSub A(): End Sub", false, 0},
        CountCase{"procedure on the only row", u"Sub A(): End Sub", false, 1, u"A"},
        CountCase{"300 procedures", ManyProcs(300), true, 300, u"P299"},
        CountCase{"301 procedures", ManyProcs(301), true, -1},
        CountCase{"301 procedures, header scan", ManyProcs(301), false, -1},
        CountCase{"30 parameters", ManyParams(30), true, 1, u"S", 30},
        CountCase{"31 parameters", ManyParams(31), true, -2},
        CountCase{"31 parameters, header scan", ManyParams(31), false, 1, u"S"}),
    [](const auto& info) {
      std::string name = info.param.label;
      for (char& ch : name) ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
      return name;
    });

TEST(ModGetProcsDataTest, EntriesHoldRowsKindAndNameOfEveryProcedure) {
  Scanner s(uR"(
Option Explicit

' about Value
Public Property Get Value() As Object
End Property
Public Property Let Value(ByVal v As Object)
End Property
Public Property Set Value(ByVal v As Object)
End Property
Private Function Bar(ByVal a As Long, _
                     ByVal b As Long) As Long ' sum
End Function
' trailing comment
)");
  Short count = 0;
  const std::vector<ProcData> table = s.procs.GetProcsData(count);
  ASSERT_EQ(count, 4);
  struct Expected {
    Row start, body, def_end, total;
    std::int32_t type;
    const char16_t* knd;
    const char16_t* name;
    const char16_t* ret;
  };
  const Expected expected[] = {{2, 4, 4, 4, 4, u"PrG", u"Value", u"Object"},
                               {6, 6, 6, 2, 2, u"PrL", u"Value", u"N/A"},
                               {8, 8, 8, 2, 3, u"PrS", u"Value", u"N/A"},
                               {10, 10, 11, 4, 1, u"Fnc", u"Bar", u"Long"}};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const ProcData& p = table[i];
    const Expected& e = expected[i];
    EXPECT_EQ(p.ProcStartRow, e.start);
    EXPECT_EQ(p.BodyStartRow, e.body);
    EXPECT_EQ(p.BodyDefEndRow, e.def_end);
    EXPECT_EQ(p.TotalRowsCount, e.total);
    EXPECT_EQ(p.ProcType, e.type);
    EXPECT_EQ(p.ProcKnd, e.knd);
    EXPECT_EQ(p.ProcName, e.name);
    EXPECT_EQ(p.RetType, e.ret);
  }
  EXPECT_EQ(table[3].Params[1], (ParamInf{u"", u"ByVal", u"b", u"Long", u"I"}));
  EXPECT_TRUE(s.ui.boxes.empty());
}

struct DeclCase {
  const char* label;
  Text module;
  const char16_t* knd;
  std::int32_t type;
  const char16_t* ret;
  Short param_count;
  std::vector<ParamInf> params;
};

void PrintTo(const DeclCase& c, std::ostream* os) { *os << c.label; }

class DeclarationTest : public ::testing::TestWithParam<DeclCase> {};

TEST_P(DeclarationTest, ParsesKindReturnTypeAndParameters) {
  const DeclCase& c = GetParam();
  SCOPED_TRACE(c.label);
  Scanner s(c.module);
  Short count = 0;
  const std::vector<ProcData> table = s.procs.GetProcsData(count);
  ASSERT_EQ(count, 1);
  const ProcData& p = table[0];
  EXPECT_EQ(p.ProcKnd, c.knd);
  EXPECT_EQ(p.ProcType, c.type);
  EXPECT_EQ(p.RetType, c.ret);
  EXPECT_EQ(p.ParamCount, c.param_count);
  for (std::size_t i = 0; i < c.params.size(); ++i) EXPECT_EQ(p.Params[i], c.params[i]) << i;
  EXPECT_TRUE(s.ui.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Declarations, DeclarationTest,
    ::testing::Values(
        DeclCase{"no parameters", u"Sub A()\nEnd Sub", u"Sub", 0, u"N/A", 0, {kVoid}},
        DeclCase{"Function after a letter",
                 u"Sub S(ByVal myFunction As Long)\nEnd Sub", u"Sub", 0, u"N/A", 1,
                 {{u"", u"ByVal", u"myFunction", u"Long", u"I"}}},
        DeclCase{"Friend Function", u"Friend Function F()\nEnd Function", u"Fnc", 1, u"N/A", 0,
                 {kVoid}},
        DeclCase{"array return type", u"Public Function F() As String()\nEnd Function", u"Fnc",
                 1, u"String()", 0, {kVoid}},
        DeclCase{"Function without As", u"Function F(x)\n  x = 1\nEnd Function", u"Fnc", 1,
                 u"N/A", 1, {{u"", u"ByRef", u"x", u"Variant", u"I/O"}}},
        DeclCase{"Property Let", u"Property Let P(ByVal v As Long)\nEnd Property", u"PrL", 2,
                 u"N/A", 1, {{u"", u"ByVal", u"v", u"Long", u"I"}}},
        DeclCase{"continued declaration",
                 u"Private Sub Run(Optional n As Integer = 5, _\n        ParamArray rest())\n"
                 u"End Sub",
                 u"Sub", 0, u"N/A", 2,
                 {{u"[Def=5]", u"ByRef", u"[n]", u"[Integer]", u"I"},
                  {u"ParamArray", u"Void", u"rest()", u"Variant", u"SPC"}}},
        DeclCase{"by-ref parameter assigned",
                 u"Public Function Add(ByVal a As Long, b As Long) As Long\n  b = a\n"
                 u"End Function",
                 u"Fnc", 1, u"Long", 2,
                 {{u"", u"ByVal", u"a", u"Long", u"I"}, {u"", u"ByRef", u"b", u"Long", u"I/O"}}},
        DeclCase{"by-ref parameter only read",
                 u"Public Function Add(ByVal a As Long, b As Long) As Long\n  Add = a + b\n"
                 u"End Function",
                 u"Fnc", 1, u"Long", 2,
                 {{u"", u"ByVal", u"a", u"Long", u"I"}, {u"", u"ByRef", u"b", u"Long", u"I"}}},
        DeclCase{"array parameter assigned",
                 u"Sub S(ByRef a() As Long, b)\n  a(i) = b\nEnd Sub", u"Sub", 0, u"N/A", 2,
                 {{u"", u"ByRef", u"a()", u"Long", u"I/O"},
                  {u"", u"ByRef", u"b", u"Variant", u"I"}}},
        DeclCase{"quoted default with a space (6 words)",
                 u"Sub S(Optional s As String = \"a b\")\nEnd Sub", u"Sub", 0, u"N/A", 1,
                 {{u"[Def=\"a b\"]", u"ByRef", u"[s]", u"[String]", u"I"}}},
        DeclCase{"quoted default, by value (7 words)",
                 u"Sub S(Optional ByVal s As String = \"x y\")\nEnd Sub", u"Sub", 0, u"N/A", 1,
                 {{u"[Def=\"x y\"]", u"ByVal", u"[s]", u"[String]", u"I"}}},
        DeclCase{"comment after the declaration", u"Sub S() ' note\nEnd Sub", u"Sub", 0, u"N/A",
                 0, {kVoid}},
        DeclCase{"apostrophe inside a quoted default",
                 u"Sub Greet(Optional s As String = \"it's\") ' hi\nEnd Sub", u"Sub", 0, u"N/A",
                 1, {{u"[Def=\"it's\"]", u"ByRef", u"[s]", u"[String]", u"I"}}},
        DeclCase{"comma inside a quoted default",
                 u"Function Join(Optional sep As String = \", \", ByVal n As Long) As String\n"
                 u"End Function",
                 u"Fnc", 1, u"String", 2,
                 {{u"[Def=\", \"]", u"ByRef", u"[sep]", u"[String]", u"I"},
                  {u"", u"ByVal", u"n", u"Long", u"I"}}}));

// One body line, judged for a plain and for an array parameter.
struct RefCase {
  const char16_t* body;
  const char16_t* plain;
  const char16_t* array;
};

void PrintTo(const RefCase& c, std::ostream* os) { *os << U8(c.body); }

class CheckRefTest : public ::testing::TestWithParam<RefCase> {};

TEST_P(CheckRefTest, OnlyNameSpaceEqualsAssigns) {
  const RefCase& c = GetParam();
  SCOPED_TRACE(U8(c.body));
  Scanner s(u"Sub S(ByRef b As Object, arr())\n" + Text(c.body) + u"\nEnd Sub\n");
  Short count = 0;
  const std::vector<ProcData> table = s.procs.GetProcsData(count);
  ASSERT_EQ(count, 1);
  EXPECT_EQ(table[0].Params[0].RefIO, c.plain);
  EXPECT_EQ(table[0].Params[1].RefIO, c.array);
  EXPECT_EQ(s.procs.CheckRef(0, u"b"), c.plain);
  EXPECT_EQ(s.procs.CheckRef(0, u"arr()"), c.array);
}

INSTANTIATE_TEST_SUITE_P(Patterns, CheckRefTest,
                         ::testing::Values(RefCase{u"    b = 0", u"I/O", u"I"},
                                           RefCase{u"b.Value = 0", u"I", u"I"},
                                           RefCase{u"Set b = x", u"I", u"I"},
                                           RefCase{u"b=0", u"I", u"I"},
                                           RefCase{u"' b = 0", u"I", u"I"},
                                           RefCase{u"bb = 0", u"I", u"I"},
                                           RefCase{u"If b = 1 Then", u"I", u"I"},
                                           RefCase{u"arr(i) = 1", u"I", u"I/O"},
                                           RefCase{u"arr(i).x = 1", u"I", u"I"},
                                           RefCase{u"arr = Array()", u"I", u"I"},
                                           // the first word must end in ")"
                                           RefCase{u"arr(i, j) = 1", u"I", u"I"}));

TEST(ModGetProcsDataTest, CheckRefStaysInsideItsProcedure) {
  Scanner s(uR"(
Sub A(b)
End Sub
Sub B(b)
b = 1
End Sub
)");
  Short count = 0;
  const std::vector<ProcData> table = s.procs.GetProcsData(count);
  ASSERT_EQ(count, 2);
  EXPECT_EQ(table[0].Params[0].RefIO, u"I");
  EXPECT_EQ(table[1].Params[0].RefIO, u"I/O");
}

// Two procedures of one name: the editor answers by name with the first
// one's length; the second is found by rows with its own span, and its
// parameter's assignment with it.
TEST(ModGetProcsDataTest, SecondProcedureOfOneNameHasItsOwnSpan) {
  Scanner s(uR"(
Sub A(b)
    x = 1
    x = 2
    x = 3
    x = 4
End Sub
Sub A(b)
    b = 1
End Sub
)");
  Short count = 0;
  const std::vector<ProcData> table = s.procs.GetProcsData(count);
  ASSERT_EQ(count, 2);
  EXPECT_EQ(table[1].ProcStartRow, 7);
  EXPECT_EQ(table[1].BodyStartRow, 7);
  EXPECT_EQ(table[1].ProcStartRow + table[1].TotalRowsCount - 1, 9) << "to the module's last row";
  EXPECT_EQ(table[0].Params[0].RefIO, u"I");
  EXPECT_EQ(table[1].Params[0].RefIO, u"I/O");
  EXPECT_TRUE(s.ui.boxes.empty());
}

TEST(ModGetProcsDataTest, TableKeepsWhatEarlierScansLeft) {
  Scanner s = EditorWith(u"Module1", u"Function F(x) As Long\nEnd Function\nSub G(y)\nEnd Sub\n")
                  .AndModule(u"Module2", u"Function S(Optional n As Long = 1 + 2) As Integer\nEnd Function\n")
                  .AndModule(u"Module3", u"Sub Z()\nEnd Sub\n");
  Short count = 0;
  const std::vector<ProcData> first = s.procs.GetProcsData(count);
  ASSERT_EQ(count, 2);

  // Eight words: the message, and parameter 0 keeps x from the first scan.
  s.vbe->Pane(u"Module2");
  const std::vector<ProcData> second = s.procs.GetProcsData(count);
  ASSERT_EQ(count, 1);
  EXPECT_EQ(s.ui.boxes, (std::vector<RecordedBox>{{u"Plumewrighter", u"InputParam Error"}}));
  EXPECT_EQ(second[0].ProcName, u"S");
  EXPECT_EQ(second[0].ParamCount, 1);
  EXPECT_EQ(second[0].Params[0], first[0].Params[0]);
  EXPECT_EQ(s.procs.Table()[1], first[1]);

  // The header scan writes no return type and no parameters.
  s.vbe->Pane(u"Module3");
  const std::vector<ProcData> third = s.procs.GetProcsDataH(count);
  ASSERT_EQ(count, 1);
  EXPECT_EQ(third[0].ProcName, u"Z");
  EXPECT_EQ(third[0].RetType, u"Integer");
  EXPECT_EQ(third[0].ParamCount, 1);
  EXPECT_EQ(third[0].Params[0], first[0].Params[0]);
  EXPECT_EQ(s.procs.Table()[1], first[1]);
}

class ScanFailureTest : public ::testing::TestWithParam<bool> {};

TEST_P(ScanFailureTest, ReportsUnderTheScansNameAndLeavesCount) {
  const bool full = GetParam();
  const Text title = full ? u"GetProcsData" : u"GetProcsDataH";
  Scanner s = EditorWith(u"Sub A()\nEnd Sub\n").FailOn(HostCall::kProcBodyLine, 1, VbError(vberr::kInvalidCall));
  Short count = 77;
  EXPECT_TRUE(s.Scan(full, count).empty());
  EXPECT_EQ(count, 77);
  EXPECT_EQ(s.ui.boxes,
            (std::vector<RecordedBox>{{title, u"Error: 5. Invalid procedure call or argument"}}));

  Scanner no_pane = EditorWith::Empty();
  EXPECT_TRUE(no_pane.Scan(full, count).empty());
  EXPECT_EQ(count, 77);
  EXPECT_EQ(no_pane.ui.boxes,
            (std::vector<RecordedBox>{
                {title, u"Error: 91. Object variable or With block variable not set"}}));
}

INSTANTIATE_TEST_SUITE_P(BothScans, ScanFailureTest, ::testing::Bool());

struct RestartCase {
  const char* label;
  Text module;
  int failures;  // consecutive error-35 failures of ProcCountLines
  bool reported;
};

void PrintTo(const RestartCase& c, std::ostream* os) { *os << c.label; }

class KindRestartTest : public ::testing::TestWithParam<RestartCase> {};

TEST_P(KindRestartTest, RetriesErrorThirtyFiveAtMostThreeTimes) {
  const RestartCase& c = GetParam();
  SCOPED_TRACE(c.label);
  EditorWith editor(c.module);
  for (int i = 1; i <= c.failures; ++i) editor.FailOn(HostCall::kProcCountLines, i, VbError(vberr::kSubNotDefined));
  Scanner s(editor);
  Short count = 77;
  const std::vector<ProcData> table = s.procs.GetProcsData(count);
  if (c.reported) {
    EXPECT_EQ(count, 77);
    EXPECT_EQ(s.ui.boxes, (std::vector<RecordedBox>{
                              {u"GetProcsData", u"Error: 35. Sub or Function not defined"}}));
  } else {
    EXPECT_EQ(count, 1);
    EXPECT_EQ(table[0].TotalRowsCount, 2);
    EXPECT_TRUE(s.ui.boxes.empty());
    EXPECT_EQ(s.vbe->Log().Calls(HostCall::kProcOfLine), 1 + c.failures);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Restarts, KindRestartTest,
    ::testing::Values(RestartCase{"one", u"Sub A()\nEnd Sub", 1, false},
                      RestartCase{"three", u"Sub A()\nEnd Sub", 3, false},
                      RestartCase{"four", u"Sub A()\nEnd Sub", 4, true},
                      // the host kind is already 3: nothing left to try
                      RestartCase{"Property Get", u"Property Get P()\nEnd Property", 1, true}));

TEST(ModGetProcsDataTest, ParserFailureIsReportedAndTheScanGoesOn) {
  // Lines call 1 reads the declaration, call 2 the body for CheckRef.
  Scanner s = EditorWith(u"Sub S(b)\nb = 1\nEnd Sub\nSub T()\nEnd Sub\n")
                  .FailOn(HostCall::kLines, 2, VbError(vberr::kSubscript));
  Short count = 0;
  const std::vector<ProcData> table = s.procs.GetProcsData(count);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(s.ui.boxes,
            (std::vector<RecordedBox>{{u"CheckRef", u"Error: 9. Subscript out of range"}}));
  EXPECT_EQ(table[0].Params[0], (ParamInf{u"", u"ByRef", u"b", u"Variant", u""}));
}

TEST(ModGetProcsDataTest, FullScanReadsEachRowAtMostOnce) {
  Text text = u"Option Explicit\n";
  for (int i = 0; i < 50; ++i) {
    text += u"Function F" + Str(i) + u"(a, b() As Long, ByRef c As Long, _\n    d) As Long\n";
    for (int k = 0; k < 20; ++k) text += u"    x = x + " + Str(k) + u"\n";
    text += u"    a = 1\nEnd Function\n\n";
  }
  Scanner s(text);
  Short count = 0;
  const std::vector<ProcData> table = s.procs.GetProcsData(count);
  ASSERT_EQ(count, 50);
  EXPECT_EQ(table[49].Params[0].RefIO, u"I/O");
  EXPECT_EQ(table[49].Params[3].RefIO, u"I");
  EXPECT_LE(s.vbe->Log().Calls(HostCall::kLines), s.module->LineCount());
}

// The parsers on their own.

TEST(ModGetProcsDataParsers, GetParamListEndsWithAnEmptyElement) {
  struct Case {
    const char16_t* declaration;
    Short count;
    std::vector<Text> list;
  };
  const Case cases[] = {
      {u"Sub A()", 0, {u"Void", u""}},
      {u"Sub S(a, b)", 2, {u"a", u"b", u""}},
      {u"Sub S(a , b)", 2, {u"a ", u"b", u""}},  // trailing spaces stay
      {u"Function F(x) As String()", 1, {u"x", u""}},
      {u"Function F(a() As Long) As Long()", 1, {u"a() As Long", u""}},
      {u"Sub S(Optional s = \"a, b\", c)", 2, {u"Optional s = \"a, b\"", u"c", u""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.declaration));
    Scanner s;
    Short count = -9;
    EXPECT_EQ(s.procs.GetParamList(c.declaration, count), c.list);
    EXPECT_EQ(count, c.count);
  }
}

TEST(ModGetProcsDataParsers, GetParamListReportsAnUnfoundEnd) {
  Scanner s;
  Short count = -9;
  EXPECT_TRUE(s.procs.GetParamList(u"Sub A(x): End Sub", count).empty());
  EXPECT_EQ(count, -9);
  EXPECT_EQ(s.ui.boxes, (std::vector<RecordedBox>{
                            {u"GetParamList", u"Error: 5. Invalid procedure call or argument"}}));
}

TEST(ModGetProcsDataParsers, GetWordListHighestIndexIsTheWordCount) {
  struct Case {
    const char16_t* parameter;
    std::vector<Text> words;
  };
  const Case cases[] = {
      {u"x", {u"x", u""}},
      {u"ByVal a As Long", {u"ByVal", u"a", u"As", u"Long", u""}},
      {u"Optional s As String = \"a b\"",
       {u"Optional", u"s", u"As", u"String", u"=", u"\"a b\"", u""}},
      {u"\"a b\"", {u"\"a b\"", u""}},
      {u"a ", {u"a", u"", u""}},
      {u"a  b", {u"a", u"", u"b", u""}},
      // the quoted part is only put back for the last word
      {u"Optional s = \"a b\" ", {u"Optional", u"s", u"=", u"@@@@@", u"", u""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.parameter));
    Scanner s;
    EXPECT_EQ(s.procs.GetWordList(c.parameter), c.words);
  }
}

TEST(ModGetProcsDataParsers, TypeOfProcAndGetRetType) {
  struct Case {
    const char16_t* declaration;
    ProcKind kind;
    const char16_t* knd;
    std::int32_t type;
    const char16_t* ret;
  };
  const Case cases[] = {
      {u"Public Function F() As Long", 0, u"Fnc", 1, u"Long"},
      {u"Function F(x) As Collection", 0, u"Fnc", 1, u"Collection"},
      {u"Function F", 0, u"Sub", 0, nullptr},  // "Function " needs two characters after it
      {u"Sub S(ByVal myFunction As Long)", 0, u"Sub", 0, u"N/A"},
      {u"Sub S() ' Function xy", 0, u"Sub", 0, nullptr},
      {u"Property Let P(v)", 1, u"PrL", 2, u"N/A"},
      {u"Property Set P(v)", 2, u"PrS", 3, u"N/A"},
      {u"Property Get P() As Long()", 3, u"PrG", 4, u"Long()"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.declaration));
    Scanner s;
    std::int32_t type = -1;
    EXPECT_EQ(s.procs.TypeOfProc(c.declaration, c.kind, type), c.knd);
    EXPECT_EQ(type, c.type);
    if (c.ret) {
      EXPECT_EQ(s.procs.GetRetType(c.declaration), c.ret);
    }
  }
}

TEST(ModGetProcsDataParsers, StripCommentSkipsApostrophesInLiterals) {
  const std::pair<const char16_t*, const char16_t*> cases[] = {
      {u"Sub S() ' note", u"Sub S()"},
      {u"  Sub S()  ", u"  Sub S()  "},  // no comment: unchanged
      {u"'all", u""},
      {u"Sub G(Optional s = \"it's\") ' hi", u"Sub G(Optional s = \"it's\")"},
      {u"x = \"a\"\"'b\" ' c", u"x = \"a\"\"'b\""},
  };
  for (const auto& [text, stripped] : cases) {
    SCOPED_TRACE(U8(text));
    Scanner s;
    EXPECT_EQ(s.procs.StripComment(text), stripped);
  }
}

TEST(ModGetProcsDataParsers, InputParamRefusesOtherWordCounts) {
  Scanner s;
  s.procs.InputParam({u"a", u"b", u"c", u"d", u"e", u"f", u"g", u"h", u""}, 0, 0);
  s.procs.InputParam({u"x", u""}, 0, 31);
  EXPECT_EQ(s.ui.boxes,
            (std::vector<RecordedBox>{{u"Plumewrighter", u"InputParam Error"},
                                      {u"InputParam", u"Error: 9. Subscript out of range"}}));
  EXPECT_EQ(s.procs.Table()[0].Params[0], ParamInf{});
}

// Two procedures of one name under #If ... #Else: each is listed once, in
// file order, and the procedures around them too; a declaration written once
// per build and a one-line procedure are one entry each.
TEST(ModGetProcsDataTest, ListsEveryProcedureOnceInFileOrder) {
  Scanner s(uR"(
Option Explicit
Sub Before()
End Sub
#If Mac Then
Function FixFileName(ByVal s As String) As String
    FixFileName = s
End Function
#Else
Function FixFileName(ByVal s As String) As String
    FixFileName = Replace(s, "/", "\")
End Function
#End If
#If VBA7 Then
Private Function Handle(ByVal h As LongPtr) As Long
#Else
Private Function Handle(ByVal h As Long) As Long
#End If
    Handle = 1
End Function
Property Get Typee() As Long: Typee = 1: End Property
Sub After()
End Sub
)");
  for (bool full : {false, true}) {
    SCOPED_TRACE(full);
    Short count = 0;
    const std::vector<ProcData> table = s.Scan(full, count);
    ASSERT_EQ(count, 6);
    std::vector<std::pair<std::string, Row>> listed;
    for (const ProcData& p : table) listed.emplace_back(U8(p.ProcName), p.BodyStartRow);
    EXPECT_EQ(listed, (std::vector<std::pair<std::string, Row>>{
                          {"Before", 2}, {"FixFileName", 5}, {"FixFileName", 9}, {"Handle", 14}, {"Typee", 20},
                          {"After", 21}}));
    if (full) {
      EXPECT_EQ(table[3].RetType, u"Long");
      EXPECT_EQ(table[3].Params[0].VarType, u"LongPtr");
      EXPECT_EQ(table[4].RetType, u"Long");
    }
  }
  EXPECT_TRUE(s.ui.boxes.empty());
}

// A procedure left without End is closed by the next one-line procedure, as
// the editor reads it; a later procedure named like an earlier one is found
// after it, not inside it.
TEST(ModGetProcsDataTest, OneLineProcedureClosesAnOpenOneBeforeASecondOfOneName) {
  Scanner s(uR"(
Property Get P() As Long: P = 1: End Property
Sub Open()
    x = 1
Property Get Q() As Long: Q = 1: End Property
Property Get P() As Long: P = 2: End Property
)");
  Short count = 0;
  const std::vector<ProcData> table = s.procs.GetProcsDataH(count);
  ASSERT_EQ(count, 3);
  std::vector<std::tuple<std::string, Row, Row, Row>> listed;
  for (const ProcData& p : table) listed.emplace_back(U8(p.ProcName), p.ProcStartRow, p.BodyStartRow, p.TotalRowsCount);
  EXPECT_EQ(listed, (std::vector<std::tuple<std::string, Row, Row, Row>>{
                        {"P", 1, 1, 1}, {"Open", 2, 2, 3}, {"P", 5, 5, 1}}));
}

}  // namespace
}  // namespace qlx
