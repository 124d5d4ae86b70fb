// The procedure record: locating a procedure's rows, joining its declaration,
// and parsing its return type and parameter table, against the in-memory editor.
#include "analysis/cls_proc_inf.h"

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <utility>
#include <vector>

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

constexpr char16_t kEndLineMessage[] = u"CheckEnd: プロシージャのEnd句が見つかりません";

ParamInf EntryOf(const ClsProcInf& r, Short i) {
  return {r.KeyWord1(i), r.KeyWord2(i), r.VarName(i), r.VarType(i), r.RefIO(i)};
}

class ClsProcInfTest : public ::testing::Test {
 protected:
  // Builds the editor (a module text alone is Module1) and binds the record
  // to it; returns its module.
  std::shared_ptr<MemoryCodeModule> Load(const EditorWith& editor) {
    vbe = editor.Build();
    rec.VBInstanceC(vbe);
    return vbe->ActivePane()->Module();
  }
  // A new record filled for `row` of a new editor holding the module.
  std::unique_ptr<ClsProcInf> Analyse(const Text& module, Row row) {
    Load(module);
    auto r = std::make_unique<ClsProcInf>(ui);
    r->VBInstanceC(vbe);
    EXPECT_TRUE(r->GetProcInf(row));
    return r;
  }
  ParamInf Param(Short i) const { return EntryOf(rec, i); }
  // Entry 0 of `Sub S(<param>)` whose body is the one line `body`.
  ParamInf FirstParam(const Text& param, const Text& body) {
    return EntryOf(*Analyse(u"Sub S(" + param + u")\n" + body + u"\nEnd Sub", 1), 0);
  }

  std::shared_ptr<MemoryVBE> vbe;
  RecordingUi ui;
  ClsProcInf rec{ui};
};

constexpr char16_t kModule[] = uR"(
Option Explicit
Private m As Long

Sub First()
End Sub

' about S
Public Function S(a As Long, _
                  b As Long) As Long ' sum
    ' work
    a = 1
    Dim x As Long
    x = a + b
    ReDim y(5)
    Static n As Long
    S = x
End Function
' trailing

)";

TEST_F(ClsProcInfTest, FillsRowsKindAndParametersOfTheProcedureHoldingTheRow) {
  auto m = Load(kModule);
  const long held_before = m.use_count();
  ASSERT_TRUE(rec.GetProcInf(13));
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_EQ(m.use_count(), held_before) << "the module must be released";

  EXPECT_EQ(rec.ModuleName(), u"Module1");
  EXPECT_EQ(rec.ProcName(), u"S");
  EXPECT_EQ(rec.ProcType(), u"1");
  EXPECT_EQ(rec.ProcTypeStr(), u"Function");
  EXPECT_EQ(rec.ProcStartRow(), 6);
  EXPECT_EQ(rec.TotalRowsCount(), 14);  // trailing comment and blank rows included
  EXPECT_EQ(rec.BodyStartRow(), 8);
  EXPECT_EQ(rec.BodyDefEndRow(), 9);
  EXPECT_EQ(rec.InnerDecStartRow(), 12);  // statements between declarations
  EXPECT_EQ(rec.InnerDecEndRow(), 15);
  EXPECT_EQ(rec.BodyEndRow(), 17);
  EXPECT_EQ(rec.RetType(), u"Long");
  EXPECT_EQ(rec.ParamCount(), 2);
  EXPECT_EQ(Param(0), (ParamInf{u"", u"ByRef", u"a", u"Long", u"I/O"}));
  EXPECT_EQ(Param(1), (ParamInf{u"", u"ByRef", u"b", u"Long", u"I"}));

  ClsProcInf first(ui);
  first.VBInstanceC(vbe);
  ASSERT_TRUE(first.GetProcInf(5));
  EXPECT_EQ(first.ProcTypeStr(), u"Sub");
  EXPECT_EQ(first.BodyDefEndRow(), 4);
  EXPECT_EQ(first.InnerDecStartRow(), 5);  // no local declaration
  EXPECT_EQ(first.InnerDecEndRow(), 4);
  EXPECT_EQ(first.BodyEndRow(), 5);
}

TEST_F(ClsProcInfTest, RowZeroAsksNothing) {
  Load(kModule);
  EXPECT_FALSE(rec.GetProcInf(0));
  EXPECT_EQ(vbe->Log().Calls(HostCall::kActiveCodePane), 0);
  EXPECT_EQ(vbe->Log().Calls(HostCall::kProcOfLine), 0);
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(ClsProcInfTest, ResetBodyPosShiftsBodyRowsOnly) {
  auto m = Load(kModule);
  ASSERT_TRUE(rec.GetProcInf(13));
  m->InsertLines(8, u"'1\r\n'2\r\n'3\r\n'4\r\n'5\r\n'6\r\n'7");
  const long held_before = m.use_count();
  rec.ResetBodyPos(rec.ProcStartRow());
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_EQ(m.use_count(), held_before);
  EXPECT_EQ(rec.BodyStartRow(), 15);
  EXPECT_EQ(rec.BodyDefEndRow(), 16);
  EXPECT_EQ(rec.InnerDecStartRow(), 19);
  EXPECT_EQ(rec.InnerDecEndRow(), 22);
  EXPECT_EQ(rec.BodyEndRow(), 24);
  EXPECT_EQ(rec.ProcStartRow(), 6);
  EXPECT_EQ(rec.TotalRowsCount(), 14);
}

// The joined texts themselves are the parser's (declaration_test.cpp).
TEST_F(ClsProcInfTest, JoinsContinuedDeclarationsWithoutComments) {
  struct Case {
    const char16_t* module;
    Row def_end;
  } cases[] = {
      {u"Public Function F(a As Long, _\n    b As String, _\n    c As Long) As Boolean\nEnd Function", 3},
      {u"Public Function F() _\nAs Long\nEnd Function", 2},
      {u"Sub S(a _\n, b)\nEnd Sub", 2},
      {u"Sub S(a) ' note\nEnd Sub", 1},
      {u"Sub Greet(Optional s As String = \"it's\") ' hi\nEnd Sub", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.module));
    auto r = Analyse(c.module, 1);
    EXPECT_EQ(r->BodyDefEndRow(), c.def_end);
  }
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(ClsProcInfTest, ApostropheInQuotedDefaultIsNotAComment) {
  Load(u"Sub Greet(Optional s As String = \"it's\")\nEnd Sub");
  ASSERT_TRUE(rec.GetProcInf(1));
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_EQ(rec.RetType(), u"N/A");
  EXPECT_EQ(Param(0), (ParamInf{u"[Def=\"it's\"]", u"ByRef", u"[s]", u"[String]", u"I"}));
}

TEST_F(ClsProcInfTest, CommaInQuotedDefaultDoesNotSplitTheParameter) {
  Load(u"Sub S(Optional ByVal s As String = \"a, b\", n As Long)\nEnd Sub");
  ASSERT_TRUE(rec.GetProcInf(1));
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_EQ(rec.ParamCount(), 2);
  EXPECT_EQ(Param(0), (ParamInf{u"[Def=\"a, b\"]", u"ByVal", u"[s]", u"[String]", u"I"}));
  EXPECT_EQ(Param(1), (ParamInf{u"", u"ByRef", u"n", u"Long", u"I"}));
}

TEST_F(ClsProcInfTest, MissingEndLineIsRefused) {
  Load(u"Sub A()\n    x = 1\n' no end");
  EXPECT_FALSE(rec.GetProcInf(2));
  EXPECT_EQ(ui.boxes, (std::vector<RecordedBox>{{u"QLX", kEndLineMessage}}));
  EXPECT_EQ(rec.ProcName(), u"A");
  EXPECT_EQ(rec.BodyEndRow(), 0);
}

TEST_F(ClsProcInfTest, AcceptsThirtyParametersAndRefusesThirtyOne) {
  for (int n : {30, 31}) {
    SCOPED_TRACE(n);
    Text params;
    for (int i = 0; i < n; ++i) params += (i ? u", p" : u"p") + Str(i);
    Load(u"Sub S(" + params + u")\nEnd Sub");
    ClsProcInf r(ui);
    r.VBInstanceC(vbe);
    const bool ok = r.GetProcInf(1);
    if (n == 30) {
      ASSERT_TRUE(ok);
      EXPECT_TRUE(ui.boxes.empty());
      EXPECT_EQ(r.ParamCount(), 30);
      EXPECT_EQ(r.VarName(0), u"p0");
      EXPECT_EQ(r.VarName(29), u"p29");
    } else {
      EXPECT_FALSE(ok);
      EXPECT_EQ(ui.boxes, (std::vector<RecordedBox>{
                              {u"QLX", u"プロシージャのパラメータ数が 30 を超えているため、\r\n"
                                       u"ヘッダを作成することができません"}}));
    }
  }
}

TEST_F(ClsProcInfTest, PropertyKindsComeFromTheEditor) {
  Load(uR"(
Private m As Long
Public Property Get Value() As Long
    Value = m
End Property
Public Property Let Value(ByVal v As Long)
    m = v
End Property)");
  ASSERT_TRUE(rec.GetProcInf(3));
  EXPECT_EQ(rec.ProcType(), u"4");
  EXPECT_EQ(rec.ProcTypeStr(), u"Property");
  EXPECT_EQ(rec.RetType(), u"Long");
  EXPECT_EQ(rec.ParamCount(), 0);
  EXPECT_EQ(Param(0), (ParamInf{u"", u"", u"Void", u"N/A", u"N/A"}));

  ClsProcInf let(ui);
  let.VBInstanceC(vbe);
  ASSERT_TRUE(let.GetProcInf(6));
  EXPECT_EQ(let.ProcType(), u"2");
  EXPECT_EQ(let.RetType(), u"N/A");
  EXPECT_EQ(let.KeyWord2(0), u"ByVal");
  EXPECT_EQ(let.VarType(0), u"Long");
  EXPECT_EQ(let.RefIO(0), u"I");
}

TEST_F(ClsProcInfTest, IndexedPropertiesFailOutsideTheTable) {
  EXPECT_EQ(rec.KeyWord1(29), u"");
  for (Short i : {Short{-1}, Short{30}}) {
    SCOPED_TRACE(i);
    for (auto get : {&ClsProcInf::KeyWord1, &ClsProcInf::KeyWord2, &ClsProcInf::VarName,
                     &ClsProcInf::VarType, &ClsProcInf::RefIO}) {
      try {
        (rec.*get)(i);
        ADD_FAILURE() << "no error";
      } catch (const VbError& e) {
        EXPECT_EQ(e.Number(), 9);
      }
    }
  }
}

TEST_F(ClsProcInfTest, ArrayAndPlainParametersWithTheirBody) {
  Load(u"Sub S(ByRef a() As Long, b)\n    a(i) = 0\n    Debug.Print b\nEnd Sub");
  ASSERT_TRUE(rec.GetProcInf(1));
  EXPECT_EQ(rec.ParamCount(), 2);
  EXPECT_EQ(Param(0), (ParamInf{u"", u"ByRef", u"a()", u"Long", u"I/O"}));
  EXPECT_EQ(Param(1), (ParamInf{u"", u"ByRef", u"b", u"Variant", u"I"}));
}

// One row per written form; every body assigns to x, so by-reference
// parameters come out "I/O" and by-value ones "I" without a body scan.
TEST_F(ClsProcInfTest, InputParamFillsTheEntryByWordCount) {
  struct Case {
    const char16_t* param;
    ParamInf entry;
  } cases[] = {
      {u"x", {u"", u"ByRef", u"x", u"Variant", u"I/O"}},
      {u"Optional x", {u"[Def=0]", u"ByRef", u"[x]", u"[Variant]", u"I/O"}},
      {u"ByRef x", {u"", u"ByRef", u"x", u"Variant", u"I/O"}},
      {u"ByVal x", {u"", u"ByVal", u"x", u"Variant", u"I"}},
      {u"x As Long", {u"", u"ByRef", u"x", u"Long", u"I/O"}},
      {u"Optional ByRef x", {u"[Def=0]", u"ByRef", u"[x]", u"[Variant]", u"I/O"}},
      {u"Optional ByVal x", {u"[Def=0]", u"ByVal", u"[x]", u"[Variant]", u"I"}},
      {u"Optional x As Long", {u"[Def=0]", u"ByRef", u"[x]", u"[Long]", u"I/O"}},
      {u"Optional x = 5", {u"[Def=5]", u"ByRef", u"[x]", u"[Variant]", u"I/O"}},
      {u"ByRef x As Long", {u"", u"ByRef", u"x", u"Long", u"I/O"}},
      {u"ByVal x As Long", {u"", u"ByVal", u"x", u"Long", u"I"}},
      {u"Optional ByRef x As Long", {u"[Def=0]", u"ByRef", u"[x]", u"[Long]", u"I/O"}},
      {u"Optional ByRef x = 5", {u"[Def=5]", u"ByRef", u"[x]", u"[Variant]", u"I/O"}},
      {u"Optional ByVal x As Long", {u"[Def=0]", u"ByVal", u"[x]", u"[Long]", u"I"}},
      {u"Optional ByVal x = 5", {u"[Def=5]", u"ByVal", u"[x]", u"[Variant]", u"I"}},
      {u"Optional x As Long = 5", {u"[Def=5]", u"ByRef", u"[x]", u"[Long]", u"I/O"}},
      {u"Optional ByRef x As Long = 5", {u"[Def=5]", u"ByRef", u"[x]", u"[Long]", u"I/O"}},
      {u"Optional ByVal x As Long = 5", {u"[Def=5]", u"ByVal", u"[x]", u"[Long]", u"I"}},
      {u"Optional ByVal x As String = \"a b\"",
       {u"[Def=\"a b\"]", u"ByVal", u"[x]", u"[String]", u"I"}},
      {u"ParamArray x() As Variant", {u"ParamArray", u"Void", u"x()", u"Variant", u"SPC"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.param));
    auto r = Analyse(Text(u"Sub S(") + c.param + u")\n    x = 1\nEnd Sub", 1);
    EXPECT_EQ(r->ParamCount(), 1);
    EXPECT_EQ(EntryOf(*r, 0), c.entry);
  }
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(ClsProcInfTest, EightWordsLeaveTheEntryWithADebugMessage) {
  EXPECT_EQ(FirstParam(u"Optional n As Long = 1 + 2", u"n = 1"), ParamInf{});
  EXPECT_EQ(ui.boxes, (std::vector<RecordedBox>{
                          {u"DEBUGMODE", u"InputParam Error 原因を探してください"}}));
}

TEST_F(ClsProcInfTest, CheckRefMarksOnlyDirectAssignments) {
  struct Case {
    const char16_t* param;
    const char16_t* body;
    const char16_t* ref_io;
  } cases[] = {
      {u"b", u"b = 0", u"I/O"},
      {u"b", u"    b = 0", u"I/O"},
      {u"b", u"b.Value = 1", u"I/O"},
      {u"arr()", u"arr(i) = 0", u"I/O"},
      {u"arr()", u"arr(i, j) = 0", u"I/O"},
      {u"b", u"Set b = Nothing", u"I"},
      {u"b", u"If b = 1 Then Exit Sub", u"I"},
      {u"b", u"c = b", u"I"},
      {u"b", u"b=0", u"I"},
      {u"b", u"' b = 0", u"I"},
      {u"b", u"b.Add 1", u"I"},
      {u"b", u".Value = 1", u"I"},
      {u"b", u"bb = 1", u"I"},
      {u"arr()", u"arr = Array(1)", u"I"},
      {u"arr()", u"arr(i)=0", u"I"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.param) + " / " + U8(c.body));
    EXPECT_EQ(FirstParam(c.param, c.body).RefIO, c.ref_io);
  }
}

// Failures: each operation reports in its own form and returns what it had.

TEST_F(ClsProcInfTest, NotFoundRetriesWithTheNextKind) {
  Load(EditorWith(u"Sub A()\nEnd Sub").FailOn(HostCall::kProcBodyLine, 1, VbError(35)));
  EXPECT_TRUE(rec.GetProcInf(1));
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_EQ(vbe->Log().Calls(HostCall::kProcOfLine), 2);
}

TEST_F(ClsProcInfTest, NotFoundGivesUpAfterThreeRestarts) {
  EditorWith editor(u"Sub A()\nEnd Sub");
  for (int nth = 1; nth <= 4; ++nth) editor.FailOn(HostCall::kProcBodyLine, nth, VbError(35));
  Load(editor);
  EXPECT_FALSE(rec.GetProcInf(1));
  EXPECT_EQ(vbe->Log().Calls(HostCall::kProcOfLine), 4);
  EXPECT_EQ(ui.boxes, (std::vector<RecordedBox>{
                          {u"ClsProcInf.GetProcInf", u"Error: 35. Sub or Function not defined"}}));
}

TEST_F(ClsProcInfTest, NotFoundAsPropertyGetIsNotRetried) {
  Load(EditorWith(u"Property Get P() As Long\nEnd Property").FailOn(HostCall::kProcBodyLine, 1, VbError(35)));
  EXPECT_FALSE(rec.GetProcInf(1));
  EXPECT_EQ(vbe->Log().Calls(HostCall::kProcOfLine), 1);
  EXPECT_EQ(ui.boxes, (std::vector<RecordedBox>{
                          {u"ClsProcInf.GetProcInf", u"Error: 35. Sub or Function not defined"}}));
}

TEST_F(ClsProcInfTest, OtherHostFailureIsReportedAndReleasesTheModule) {
  auto m = Load(EditorWith(u"Sub A()\nEnd Sub").FailOn(HostCall::kLines, 1, VbError(7)));
  const long held_before = m.use_count();
  EXPECT_FALSE(rec.GetProcInf(1));
  EXPECT_EQ(m.use_count(), held_before);
  EXPECT_EQ(ui.boxes, (std::vector<RecordedBox>{{u"ClsProcInf.MakeProcInf", u"Error: 7. Out of memory"}}));
}

TEST_F(ClsProcInfTest, NoEditorIsReported) {
  EXPECT_FALSE(rec.GetProcInf(1));
  EXPECT_EQ(ui.boxes, (std::vector<RecordedBox>{
                          {u"ClsProcInf.MakeProcInf", ErrorReport(VbError(vberr::kObjectNotSet))}}));
}

TEST_F(ClsProcInfTest, FailedEndSearchReportsThenRefuses) {
  // Lines: the type line, the declaration, the End search.
  Load(EditorWith(u"Sub A()\nEnd Sub").FailOn(HostCall::kLines, 3, VbError(9)));
  EXPECT_FALSE(rec.GetProcInf(1));
  EXPECT_EQ(ui.boxes, (std::vector<RecordedBox>{
                          {u"ClsProcInf.CheckEnd", u"Error_Number: 9.  : Subscript out of range"},
                          {u"QLX", kEndLineMessage}}));
}

TEST_F(ClsProcInfTest, FailedBodyRowReadReportsThenRefuses) {
  // Lines: the type line, the declaration, the End search, then the body
  // rows, each read once: the first of them fails.
  Load(EditorWith(u"Sub A(b)\n    b = 1\nEnd Sub").FailOn(HostCall::kLines, 4, VbError(7)));
  EXPECT_FALSE(rec.GetProcInf(1));
  EXPECT_EQ(ui.boxes, (std::vector<RecordedBox>{{u"ClsProcInf.MakeProcInf", u"Error: 7. Out of memory"}}));
}

// The assignment scans read the rows the local-declaration scan read: the
// editor is asked for each body row once, however many parameters there are.
TEST_F(ClsProcInfTest, BodyRowsAreReadOnceForAllParameters) {
  for (const char16_t* declaration : {u"Sub A()", u"Sub A(a)", u"Sub A(a, b, c, d)"}) {
    SCOPED_TRACE(U8(declaration));
    Load(EditorWith(Text(declaration) + u"\n    Dim x As Long\n    b = 1\n    d.Value = 2\nEnd Sub"));
    ASSERT_TRUE(rec.GetProcInf(1));
    // The type line, the declaration, the End search, four body rows.
    EXPECT_EQ(vbe->Log().Calls(HostCall::kLines), 7);
    EXPECT_EQ(rec.InnerDecStartRow(), 2);
    EXPECT_EQ(rec.InnerDecEndRow(), 2);
    for (Short i = 0; i < rec.ParamCount(); ++i) {
      const Text name = rec.VarName(i);
      EXPECT_EQ(rec.RefIO(i), name == u"b" || name == u"d" ? u"I/O" : u"I") << U8(name);
    }
  }
}

TEST_F(ClsProcInfTest, FailedResetBodyPosKeepsTheRows) {
  auto m = Load(kModule);
  ASSERT_TRUE(rec.GetProcInf(13));
  const long held_before = m.use_count();
  vbe->Log().FailOn(HostCall::kProcBodyLine, 1, VbError(35));
  rec.ResetBodyPos(rec.ProcStartRow());
  EXPECT_EQ(m.use_count(), held_before);
  EXPECT_EQ(rec.BodyStartRow(), 8);
  EXPECT_EQ(rec.BodyEndRow(), 17);
  EXPECT_EQ(ui.boxes, (std::vector<RecordedBox>{
                          {u"ClsProcInf.ResetBodyPos",
                           u"Error_Number: 35.  : Sub or Function not defined\r\n<Erl>  In_Line: 0"}}));
}

// Rows the record reads for real code: each of two procedures of one name
// under #If ... #Else is read from its own rows, a declaration written once
// per build from its first line, and a one-line procedure from its own line.
struct RowsCase {
  const char* name;
  std::u16string module;
  Row row;
  Row proc_start, body, def_end, body_end, top, bottom;
  const char16_t* ret_type;
};

class RealCodeRows : public ClsProcInfTest, public ::testing::WithParamInterface<RowsCase> {};

TEST_P(RealCodeRows, AreTheProcedureHoldingTheRow) {
  const RowsCase& c = GetParam();
  auto r = Analyse(c.module, c.row);
  EXPECT_EQ(r->ProcStartRow(), c.proc_start);
  EXPECT_EQ(r->BodyStartRow(), c.body);
  EXPECT_EQ(r->BodyDefEndRow(), c.def_end);
  EXPECT_EQ(r->BodyEndRow(), c.body_end);
  EXPECT_EQ(r->DeclarationTopRow(), c.top);
  EXPECT_EQ(r->DeclarationBottomRow(), c.bottom);
  EXPECT_EQ(r->RetType(), Text(c.ret_type));
  EXPECT_TRUE(ui.boxes.empty());
}

const std::u16string kSameName = uR"(
Option Explicit
#If Mac Then
Function Fix(ByVal s As String) As String
    Fix = s
End Function
#Else
Function Fix(ByVal s As String) As Long
    Fix = 1
End Function
#End If
Sub After()
End Sub
)";
const std::u16string kConditional = uR"(
Sub First()
End Sub
#If VBA7 Then
Private Function Handle(ByVal h As LongPtr) As Long
#Else
Private Function Handle(ByVal h As Long) As Long
#End If
    Handle = 1
End Function
)";

INSTANTIATE_TEST_SUITE_P(
    Cases, RealCodeRows,
    ::testing::Values(
        RowsCase{"FirstOfOneName", kSameName, 4, 3, 3, 3, 5, 3, 3, u"String"},
        RowsCase{"SecondOfOneName", kSameName, 8, 6, 7, 7, 9, 7, 7, u"Long"},
        RowsCase{"AfterTheSameNamePair", kSameName, 11, 10, 11, 11, 12, 11, 11, u"N/A"},
        RowsCase{"ConditionalDeclaration", kConditional, 8, 3, 4, 4, 9, 3, 7, u"Long"},
        RowsCase{"OneLineProperty", uR"(
Private m As Long
Property Get Typee() As Long: Typee = m: End Property
)", 2, 2, 2, 2, 2, 2, 2, u"Long"},
        RowsCase{"EndAfterALabel", uR"(
Function F() As String
    F = "a:b"
Done: End Function
)", 2, 1, 1, 1, 3, 1, 1, u"String"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qlx
