// The line cache between the operations and the editor: the same answers as
// the editor with fewer calls, edits gathered into block calls, rows an edit
// wrote read back as the editor stores them, failures of a block call ending
// as they would have without the cache, and one cache per operation.
#include "host/memory/line_cache.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "errtrap/mod_insert_err_trap.h"
#include "host/memory/editor.h"
#include "host/vberror.h"
#include "support/editor.h"
#include "support/text.h"
#include "support/worked_example.h"

namespace qlx {
namespace {

using testing::Lines;
using testing::Numbered;

using testing::kWorkedExample;

// What one call gave: its result, its out values, or the error it raised.
using Ask = std::function<std::string(CodeModule&)>;

std::string Outcome(CodeModule& module, const Ask& ask) {
  try {
    return ask(module);
  } catch (const VbError& e) {
    return "error " + std::to_string(e.Number());
  }
}

std::string FindOutcome(CodeModule& m, const Text& target, Row sl, std::int32_t sc, Row el, std::int32_t ec,
                        bool whole = false, bool match_case = false, bool pattern = false) {
  const bool found = m.Find(target, sl, sc, el, ec, whole, match_case, pattern);
  return (found ? "True " : "False ") + std::to_string(sl) + "," + std::to_string(sc) + "," +
         std::to_string(el) + "," + std::to_string(ec);
}

struct AskCase {
  const char* what;
  Ask ask;
};

class SameAnswers : public ::testing::TestWithParam<AskCase> {};

// Asked twice (the second time from what the first one read), after a read
// of the whole module, the cache answers as the editor does.
TEST_P(SameAnswers, AsTheEditorDoes) {
  const AskCase& c = GetParam();
  MemoryCodeModule plain(u"Module1", Lines(kWorkedExample));
  const std::string expected = Outcome(plain, c.ask);

  auto editor = std::make_shared<MemoryCodeModule>(u"Module1", Lines(kWorkedExample));
  CachedCodeModule cached(editor);
  EXPECT_EQ(Outcome(cached, c.ask), expected);
  EXPECT_EQ(Outcome(cached, c.ask), expected);
  cached.Lines(1, 1000);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Outcome(cached, c.ask), expected) << i;
}

std::string Procedure(CodeModule& m, const Text& name, ProcKind kind) {
  return std::to_string(m.ProcStartLine(name, kind)) + "/" + std::to_string(m.ProcBodyLine(name, kind)) + "/" +
         std::to_string(m.ProcCountLines(name, kind));
}

std::string Of(CodeModule& m, Row row) {
  ProcKind kind = 7;
  const Text name = m.ProcOfLine(row, kind);
  return testing::U8(name) + ":" + std::to_string(kind);
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExample, SameAnswers,
    ::testing::Values(
        AskCase{"CountOfLines", [](CodeModule& m) { return std::to_string(m.CountOfLines()); }},
        AskCase{"CountOfDeclarationLines", [](CodeModule& m) { return std::to_string(m.CountOfDeclarationLines()); }},
        AskCase{"Lines of one row", [](CodeModule& m) { return testing::U8(m.Lines(12, 1)); }},
        AskCase{"Lines past the end", [](CodeModule& m) { return testing::U8(m.Lines(26, 99)); }},
        AskCase{"Lines of row 0", [](CodeModule& m) { return testing::U8(m.Lines(0, 1)); }},
        AskCase{"Lines below the module", [](CodeModule& m) { return testing::U8(m.Lines(28, 1)); }},
        AskCase{"Lines of no rows", [](CodeModule& m) { return testing::U8(m.Lines(3, 0)); }},
        AskCase{"Foo", [](CodeModule& m) { return Procedure(m, u"Foo", 0); }},
        AskCase{"foo in lower case", [](CodeModule& m) { return Procedure(m, u"foo", 0); }},
        AskCase{"Property Get Value", [](CodeModule& m) { return Procedure(m, u"Value", 3); }},
        AskCase{"Property Let Value", [](CodeModule& m) { return Procedure(m, u"Value", 1); }},
        AskCase{"Bar owns the rows to the end", [](CodeModule& m) { return Procedure(m, u"Bar", 0); }},
        AskCase{"Value as a Sub", [](CodeModule& m) { return Procedure(m, u"Value", 0); }},
        AskCase{"a Declare", [](CodeModule& m) { return Procedure(m, u"GetTickCount", 0); }},
        AskCase{"a kind out of range", [](CodeModule& m) { return Procedure(m, u"Foo", 4); }},
        AskCase{"ProcOfLine in the declarations", [](CodeModule& m) { return Of(m, 7); }},
        AskCase{"ProcOfLine above Foo", [](CodeModule& m) { return Of(m, 8); }},
        AskCase{"ProcOfLine in Value", [](CodeModule& m) { return Of(m, 15); }},
        AskCase{"ProcOfLine at the end", [](CodeModule& m) { return Of(m, 27); }},
        AskCase{"ProcOfLine below the module", [](CodeModule& m) { return Of(m, 28); }},
        AskCase{"Find from the top", [](CodeModule& m) { return FindOutcome(m, u"value", 0, 0, 0, 0); }},
        AskCase{"Find matching case", [](CodeModule& m) { return FindOutcome(m, u"value", 1, 1, -1, -1, false, true); }},
        AskCase{"Find a whole word", [](CodeModule& m) { return FindOutcome(m, u"Val", 1, 1, -1, -1, true); }},
        AskCase{"Find part of a word", [](CodeModule& m) { return FindOutcome(m, u"Val", 1, 1, -1, -1); }},
        AskCase{"Find within rows", [](CodeModule& m) { return FindOutcome(m, u"End", 14, 1, 20, -1); }},
        AskCase{"Find started over", [](CodeModule& m) { return FindOutcome(m, u"Bar", 1, 1, 1, 1); }},
        AskCase{"Find a missing text", [](CodeModule& m) { return FindOutcome(m, u"'deb ", 0, 0, 0, 0); }},
        AskCase{"Find a pattern", [](CodeModule& m) { return FindOutcome(m, u"B?r", 1, 1, -1, -1, false, false, true); }},
        AskCase{"Find a pattern matching case",
                [](CodeModule& m) { return FindOutcome(m, u"x", 1, 1, -1, -1, false, true, true); }}),
    [](const ::testing::TestParamInfo<AskCase>& info) { return "Case" + std::to_string(info.index); });

// A module of `procs` procedures of `body` rows each.
std::vector<Text> BigModule(int procs, int body) {
  std::vector<Text> lines{u"Option Explicit", u""};
  for (int p = 0; p < procs; ++p) {
    lines.push_back(u"' note " + Str(p));
    lines.push_back(u"Public Sub P" + Str(p) + u"(ByRef a As Long)");
    for (int k = 0; k < body; ++k) lines.push_back(k % 10 == 3 ? u"    'deb a" : u"    a = a + " + Str(k));
    lines.push_back(u"End Sub");
  }
  return lines;
}

TEST(LineCache, ReadsInBlocksAndServesTheRestFromTheCopy) {
  auto editor = std::make_shared<MemoryCodeModule>(u"Big", BigModule(100, 100));
  CachedCodeModule cached(editor);
  const Row n = cached.CountOfLines();
  for (Row r = 1; r <= n; ++r) ASSERT_EQ(cached.Lines(r, 1), editor->Line(r)) << r;
  for (Row r = n; r >= 1; --r) ASSERT_EQ(cached.Lines(r, 1), editor->Line(r)) << r;
  // No call reads the whole module: a block at most.
  const int blocks = (n + CachedCodeModule::kBlockRows - 1) / CachedCodeModule::kBlockRows;
  EXPECT_EQ(editor->Log().Calls(HostCall::kLines), blocks);
}

TEST(LineCache, ReadsJustTheProcedureTheEditorNamed) {
  auto editor = std::make_shared<MemoryCodeModule>(u"Big", BigModule(100, 100));
  CachedCodeModule cached(editor);
  const Row start = cached.ProcStartLine(u"P50", 0);
  const Row count = cached.ProcCountLines(u"P50", 0);
  for (int pass = 0; pass < 30; ++pass) {
    for (Row r = start; r < start + count; ++r) ASSERT_EQ(cached.Lines(r, 1), editor->Line(r));
  }
  EXPECT_EQ(editor->Log().Calls(HostCall::kLines), 1);
  // Only the procedure's rows crossed.
  EXPECT_EQ(cached.Lines(start - 1, 1), editor->Line(start - 1));
  EXPECT_EQ(editor->Log().Calls(HostCall::kLines), 2);
}

TEST(LineCache, AnswersProcedureCallsFromTheCopyOnceTheyCostMoreThanReadingIt) {
  auto editor = std::make_shared<MemoryCodeModule>(u"Big", BigModule(300, 20));
  CachedCodeModule cached(editor);
  MemoryCodeModule plain(u"Big", BigModule(300, 20));
  for (int p = 0; p < 300; ++p) {
    Text name = u"P";
    name += Str(p);
    ASSERT_EQ(Procedure(cached, name, 0), Procedure(plain, name, 0)) << p;
  }
  for (Row r = 1; r <= plain.LineCount(); r += 7) ASSERT_EQ(Of(cached, r), Of(plain, r)) << r;
  const int asked = editor->Log().Calls(HostCall::kProcStartLine) + editor->Log().Calls(HostCall::kProcBodyLine) +
                    editor->Log().Calls(HostCall::kProcCountLines) + editor->Log().Calls(HostCall::kProcOfLine);
  EXPECT_LE(asked + editor->Log().Calls(HostCall::kLines), 20);
}

struct UnconfirmedCase {
  const char* what;
  std::u16string module;
};

class UnconfirmedReading : public ::testing::TestWithParam<UnconfirmedCase> {};

// Where the in-memory rules are a guess, the editor itself answers.
TEST_P(UnconfirmedReading, LeavesTheProcedureCallsToTheEditor) {
  auto editor = std::make_shared<MemoryCodeModule>(u"M", Lines(GetParam().module));
  CachedCodeModule cached(editor);
  cached.Lines(1, 100);
  for (int i = 0; i < 5; ++i) {
    ProcKind kind = 0;
    EXPECT_EQ(cached.ProcOfLine(cached.CountOfLines(), kind), editor->ProcOfLine(editor->LineCount(), kind));
    EXPECT_EQ(cached.CountOfDeclarationLines(), editor->CountOfDeclarationLines());
  }
  editor->Log().ResetCounts();
  ProcKind kind = 0;
  cached.ProcOfLine(1, kind);
  cached.CountOfDeclarationLines();
  EXPECT_EQ(editor->Log().Calls(HostCall::kProcOfLine), 1);
  EXPECT_EQ(editor->Log().Calls(HostCall::kCountOfDeclarationLines), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Guesses, UnconfirmedReading,
    ::testing::Values(UnconfirmedCase{"no End", u"Sub A()\nEnd Sub\nSub B()\nx = 1\n"},
                      UnconfirmedCase{"a start inside a procedure", u"Sub A()\nSub B()\nEnd Sub\n"},
                      UnconfirmedCase{"two of one name", u"Sub A()\nEnd Sub\nSub A()\nEnd Sub\n"},
                      UnconfirmedCase{"an #End If above the first procedure",
                                      u"#If VBA7 Then\nDeclare PtrSafe Sub S Lib \"k\" ()\n#End If\nSub A()\nEnd Sub\n"}));

TEST(LineCache, FindScansEachRowOnceForASearchStartedOverAfterEachEdit) {
  auto editor = std::make_shared<MemoryCodeModule>(u"Big", BigModule(50, 100));
  MemoryCodeModule plain(u"Big", BigModule(50, 100));
  CachedCodeModule cached(editor);
  // As deb does: find the topmost marker, replace it, start over.
  int found = 0;
  for (;;) {
    Row sl = 1, el = 1;
    std::int32_t sc = 1, ec = 1;
    Row psl = 1, pel = 1;
    std::int32_t psc = 1, pec = 1;
    const bool hit = cached.Find(u"'deb ", sl, sc, el, ec);
    ASSERT_EQ(hit, plain.Find(u"'deb ", psl, psc, pel, pec));
    if (!hit) break;
    ASSERT_EQ(std::vector<Row>({sl, sc, el, ec}), std::vector<Row>({psl, psc, pel, pec}));
    cached.InsertLines(sl + 1, u"    Debug.Print a");
    cached.DeleteLines(sl, 1);
    plain.InsertLines(sl + 1, u"    Debug.Print a");
    plain.DeleteLines(sl, 1);
    ++found;
  }
  EXPECT_EQ(found, 500);
  EXPECT_EQ(editor->AllLines(), plain.AllLines());
  EXPECT_EQ(editor->Log().Calls(HostCall::kFind), 0);
  // One read of the module, then each written row read back once.
  EXPECT_LE(editor->Log().Calls(HostCall::kLines), 2 + found);
}

// The editor stores an inserted statement as it renders it.
TEST(LineCache, RowsAnEditWroteAreReadBackAsTheEditorStoresThem) {
  auto editor = std::make_shared<MemoryCodeModule>(u"M", Lines(u"Sub A()\nEnd Sub\n"));
  CachedCodeModule cached(editor);
  EXPECT_EQ(cached.Lines(1, 3), u"Sub A()\r\nEnd Sub");
  cached.InsertLines(2, u"    on error goto proc_err\r\n    x=a(1,2)");
  ASSERT_EQ(editor->Line(2), u"    On Error GoTo proc_err");
  ASSERT_EQ(editor->Line(3), u"    x = a(1, 2)");
  EXPECT_EQ(cached.Lines(1, 5), u"Sub A()\r\n    On Error GoTo proc_err\r\n    x = a(1, 2)\r\nEnd Sub");
  EXPECT_EQ(cached.Lines(3, 1), u"    x = a(1, 2)");
  EXPECT_EQ(editor->Log().Calls(HostCall::kLines), 2);
}

TEST(LineCache, ReplaceLineKeepsTheCopyInStep) {
  auto editor = std::make_shared<MemoryCodeModule>(u"M", Lines(u"Sub A()\n    x = 1\nEnd Sub\nSub B()\nEnd Sub"));
  MemoryCodeModule plain(u"M", Lines(u"Sub A()\n    x = 1\nEnd Sub\nSub B()\nEnd Sub"));
  CachedCodeModule cached(editor);
  cached.ReplaceLine(1, u"' before");  // nothing read yet
  plain.ReplaceLine(1, u"' before");
  EXPECT_EQ(cached.Lines(1, 9), plain.Lines(1, 9));
  cached.ReplaceLine(2, u"End Sub\r\nSub C()");
  plain.ReplaceLine(2, u"End Sub\r\nSub C()");
  EXPECT_EQ(cached.Lines(1, 9), plain.Lines(1, 9));
  for (Row r = 1; r <= plain.LineCount(); ++r) {
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Of(cached, r), Of(plain, r)) << r;
  }
  EXPECT_EQ(Outcome(cached, [](CodeModule& m) {
              m.ReplaceLine(9, u"x");
              return std::string("replaced");
            }),
            "error 9");
}

struct BlockCase {
  const char* what;
  std::function<void(CodeModule&)> edits;
  int insert_calls;  // that reach the editor with the cache
  int delete_calls;
};

class BlockEdits : public ::testing::TestWithParam<BlockCase> {};

TEST_P(BlockEdits, GiveTheSameLinesWithFewerCalls) {
  const BlockCase& c = GetParam();
  const std::u16string text = u"L1\nL2\nL3\nL4\nL5\nL6\n";
  MemoryCodeModule plain(u"M", Lines(text));
  c.edits(plain);

  auto editor = std::make_shared<MemoryCodeModule>(u"M", Lines(text));
  CachedCodeModule cached(editor);
  EditBlock block(cached);
  c.edits(cached);
  block.Send();
  EXPECT_EQ(Numbered(editor->AllLines()), Numbered(plain.AllLines()));
  EXPECT_EQ(editor->Log().Calls(HostCall::kInsertLines), c.insert_calls);
  EXPECT_EQ(editor->Log().Calls(HostCall::kDeleteLines), c.delete_calls);
  // And the copy agrees.
  EXPECT_EQ(cached.Lines(1, 100), plain.Lines(1, 100));
}

INSTANTIATE_TEST_SUITE_P(
    Runs, BlockEdits,
    ::testing::Values(
        BlockCase{"consecutive rows",
                  [](CodeModule& m) {
                    for (Row r = 0; r < 5; ++r) m.InsertLines(3 + r, u"new " + Str(r));
                  },
                  1, 0},
        BlockCase{"one row, in reverse order",
                  [](CodeModule& m) {
                    m.InsertLines(2, u"Next deb");
                    m.InsertLines(2, u"    Debug.Print");
                    m.InsertLines(2, u"For deb = 1 To 2");
                  },
                  1, 0},
        BlockCase{"texts of several lines and trailing breaks",
                  [](CodeModule& m) {
                    m.InsertLines(7, u"a\r\nb\r\n");
                    m.InsertLines(9, u"c\rd\ne");
                    m.InsertLines(8, u"");
                  },
                  1, 0},
        BlockCase{"deletes of one row",
                  [](CodeModule& m) {
                    for (int i = 0; i < 3; ++i) m.DeleteLines(2, 1);
                    m.DeleteLines(2, 2);
                  },
                  0, 1},
        BlockCase{"two runs",
                  [](CodeModule& m) {
                    m.InsertLines(1, u"a");
                    m.InsertLines(2, u"b");
                    m.InsertLines(6, u"c");
                    m.InsertLines(7, u"d");
                  },
                  2, 0},
        BlockCase{"a delete ends an insert run",
                  [](CodeModule& m) {
                    m.InsertLines(3, u"a");
                    m.DeleteLines(2, 1);
                    m.InsertLines(3, u"b");
                  },
                  2, 1},
        BlockCase{"a row out of the module is the editor's to refuse",
                  [](CodeModule& m) {
                    m.InsertLines(1, u"a");
                    try {
                      m.InsertLines(99, u"b");
                    } catch (const VbError&) {
                    }
                    m.InsertLines(1, u"c");
                  },
                  3, 0}));

TEST(LineCache, HeldEditsGoOutBeforeAnythingCouldSeeThem) {
  auto editor = std::make_shared<MemoryCodeModule>(u"M", Lines(u"Sub A()\nEnd Sub\n"));
  CachedCodeModule cached(editor);
  EditBlock block(cached);
  cached.InsertLines(1, u"' a");
  cached.InsertLines(2, u"' b");
  EXPECT_EQ(editor->LineCount(), 2);  // held
  EXPECT_EQ(cached.Lines(2, 1), u"' b");
  EXPECT_EQ(editor->LineCount(), 4);
  cached.InsertLines(1, u"' c");
  ProcKind kind = 0;
  EXPECT_EQ(cached.ProcOfLine(1, kind), editor->ProcOfLine(1, kind));
  EXPECT_EQ(editor->LineCount(), 5);
  cached.InsertLines(1, u"' d");
  block.Send();
  EXPECT_EQ(editor->Line(1), u"' d");
}

TEST(LineCache, LeavingABlockOnAFailureStillSendsWhatWasMade) {
  auto editor = std::make_shared<MemoryCodeModule>(u"M", Lines(u"x\n"));
  {
    CachedCodeModule cached(editor);
    try {
      EditBlock block(cached);
      cached.InsertLines(1, u"a");
      cached.InsertLines(2, u"b");
      throw VbError(vberr::kSubscript);
    } catch (const VbError&) {
    }
    EXPECT_EQ(editor->AllLines(), (std::vector<Text>{u"a", u"b", u"x"}));
  }
}

// The editor refuses the m-th of a run of edits. Without the cache that call
// fails; with it, the block call fails and the edits are sent again one by
// one, the m-th failing as before.
class FailingBlock : public ::testing::TestWithParam<int> {};

TEST_P(FailingBlock, EndsAsItWouldWithoutTheCache) {
  const int m = GetParam();
  auto run = [&](MemoryCodeModule& editor, CodeModule& through) {
    std::string error = "none";
    try {
      EditBlock block(through);
      for (Row r = 0; r < 6; ++r) through.InsertLines(2 + r, u"new " + Str(r));
      block.Send();
    } catch (const VbError& e) {
      error = std::to_string(e.Number()) + " " + testing::U8(e.Description());
    }
    return error + "\n" + Numbered(editor.AllLines());
  };
  const std::u16string text = u"L1\nL2\nL3\n";
  MemoryCodeModule plain(u"M", Lines(text));
  plain.Log().FailOn(HostCall::kInsertLines, m, VbError(1004, u"Injected"));
  const std::string expected = run(plain, plain);

  auto editor = std::make_shared<MemoryCodeModule>(u"M", Lines(text));
  CachedCodeModule cached(editor);
  editor->Log().FailOn(HostCall::kInsertLines, 1, VbError(1004, u"Injected"));      // the block call
  editor->Log().FailOn(HostCall::kInsertLines, 1 + m, VbError(1004, u"Injected"));  // the m-th again
  EXPECT_EQ(run(*editor, cached), expected);
  // The copy was dropped and is read again.
  EXPECT_EQ(cached.Lines(1, 100), editor->Lines(1, 100));
}

INSTANTIATE_TEST_SUITE_P(EachEdit, FailingBlock, ::testing::Range(1, 7));

TEST(LineCache, ABlockCallTheEditorPartlyMadeIsReportedAndNotRepeated) {
  // An editor whose block call inserts its first line and then fails.
  class PartialEditor : public MemoryCodeModule {
   public:
    using MemoryCodeModule::MemoryCodeModule;
    void InsertLines(Row row, const Text& text) override {
      if (text.find(u'\n') != Text::npos && !failed_) {
        failed_ = true;
        MemoryCodeModule::InsertLines(row, text.substr(0, text.find(u'\r')));
        throw VbError(7, u"Out of memory");
      }
      MemoryCodeModule::InsertLines(row, text);
    }

   private:
    bool failed_ = false;
  };
  auto editor = std::make_shared<PartialEditor>(u"M", Lines(u"x\n"));
  CachedCodeModule cached(editor);
  EditBlock block(cached);
  cached.InsertLines(1, u"a");
  cached.InsertLines(2, u"b");
  EXPECT_THROW(block.Send(), VbError);
  EXPECT_EQ(editor->AllLines(), (std::vector<Text>{u"a", u"x"}));
  EXPECT_EQ(cached.Lines(1, 9), u"a\r\nx");
}

// ---------------------------------------------------------------------------
// One cache per operation.

TEST(OperationCache, IsSharedWhileHeldAndNewOnceLetGo) {
  testing::MemoryEditor e = testing::EditorWith(u"Sub A()\nEnd Sub\n");
  const std::shared_ptr<MemoryVBE>& vbe = e.vbe;
  const std::shared_ptr<MemoryCodeModule>& module = e.module;
  EXPECT_EQ(ActiveCodeModule(vbe.get()), module);  // off by default
  vbe->UseLineCache(true);
  std::shared_ptr<CodeModule> first = ActiveCodeModule(vbe.get());
  ASSERT_NE(dynamic_cast<CachedCodeModule*>(first.get()), nullptr);
  EXPECT_EQ(ActiveCodeModule(vbe.get()), first);
  EXPECT_EQ(first->Lines(1, 1), u"Sub A()");
  first.reset();
  // The user types between two operations: the next one sees it.
  module->ReplaceLine(1, u"Sub B()");
  std::shared_ptr<CodeModule> second = ActiveCodeModule(vbe.get());
  EXPECT_EQ(second->Lines(1, 1), u"Sub B()");
}

TEST(OperationCache, NoPaneIsStillError91) {
  const std::shared_ptr<MemoryVBE> vbe = testing::EditorWith::Empty().LineCache().Build();
  try {
    ActiveCodeModule(vbe.get());
    FAIL();
  } catch (const VbError& e) {
    EXPECT_EQ(e.Number(), vberr::kObjectNotSet);
  }
}

// An error handler whose m-th line the editor refuses: the same box and the
// same module with and without the cache.
class ErrTrapFailure : public ::testing::TestWithParam<int> {};

TEST_P(ErrTrapFailure, IsReportedAsBeforeAndLeavesTheSameModule) {
  const int m = GetParam();
  const std::u16string text = uR"(Sub A()
    Dim x As Long
    x = 1
End Sub
)";
  testing::Editor<ModInsertErrTrap> plain =
      testing::EditorWith(text).FailOn(HostCall::kInsertLines, m, VbError(1004, u"Injected"));
  plain.op.WriteErrTrapProc(2);

  // Two blocks: the three lines at the top and the nine above End Sub.
  const int block = m <= 3 ? 1 : 2;
  const int again = block + (m <= 3 ? m : m - 3);
  testing::Editor<ModInsertErrTrap> cached = testing::EditorWith(text)
                                                 .LineCache()
                                                 .FailOn(HostCall::kInsertLines, block, VbError(1004, u"Injected"))
                                                 .FailOn(HostCall::kInsertLines, again, VbError(1004, u"Injected"));
  cached.op.WriteErrTrapProc(2);

  EXPECT_EQ(Numbered(cached.Module()), Numbered(plain.Module()));
  EXPECT_EQ(cached.ui.boxes, plain.ui.boxes);
  ASSERT_EQ(plain.ui.boxes.size(), 1u);
  EXPECT_EQ(plain.ui.boxes[0].title, u"InsertErrTrap");
}

INSTANTIATE_TEST_SUITE_P(EachLine, ErrTrapFailure, ::testing::Range(1, 13));

}  // namespace
}  // namespace qlx
