// Headers for all procedures at once: where each lands, what a failure for
// one procedure or for the editor leaves behind, and a module of the largest
// size the table holds.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "analysis/mod_get_procs_data.h"
#include "bench/module_gen.h"
#include "header/header_test_support.h"
#include "header/mod_insert_header.h"
#include "header/procedure_header.h"
#include "host/memory/editor.h"
#include "host/ui.h"
#include "host/vberror.h"

namespace qlx {
namespace {

using header_test::Editor;
using header_test::HeaderEditor;
using header_test::ExpectModule;
using header_test::Rerun;

const auto kAllHeaders = [](auto& e) { e.header.InsertHeaderAll(); };

const std::u16string kThree = uR"(
Option Explicit

' 入口
Public Sub Start(Optional ByVal n As Long = 5)
    Dim i As Long
End Sub
Private Function Twice(x As Long) As Long
    x = x * 2
    Twice = x
End Function
{SEP}
'|概  要|:既にある
'|作  者|:Tester: 作成日:2025/01/01: 更新:未更新
Sub Done()
End Sub
)";

// Headers of 8 and 9 lines: each lands directly above its declaration, below
// a comment above it; the procedure that has a header keeps it alone.
const std::u16string kThreeWithHeaders = uR"(
Option Explicit

' 入口
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
'|概  要|:
'|戻り値|:型 Long :
{TITLE}
'| No.1 | x                   |I/O| Long                |:
'|依  存|:
'|解  説|:
'|      |:
'|作  者|:Tester: 作成日:2026/12/08: 更新:未更新
Private Function Twice(x As Long) As Long
    x = x * 2
    Twice = x
End Function
{SEP}
'|概  要|:既にある
'|作  者|:Tester: 作成日:2025/01/01: 更新:未更新
Sub Done()
End Sub
)";

TEST(AllHeaders, EachLandsDirectlyAboveItsDeclaration) {
  ExpectModule<Editor>(kThree, kAllHeaders, kThreeWithHeaders, {}, Rerun::Unchanged());
}

TEST(AllHeaders, DrawingIsStoppedWhileTheHeadersAreInserted) {
  Editor e(kThree);
  std::vector<bool> locked_at_edit;
  e.vbe->Module(u"Module1")->OnEdit(
      [&](Row, Row, Row) { locked_at_edit.push_back(!e.desktop.Unlocked()); });
  e.header.InsertHeaderAll();
  EXPECT_EQ(locked_at_edit, std::vector<bool>(8 + 9, true));
  EXPECT_EQ(e.desktop.lock_calls, (std::vector<WindowHandle>{MemoryDesktop::kCodeWindow, 0}));
}

// A second run, or a run after headers were written one by one, stacks
// nothing: every procedure already has its author line.
TEST(AllHeaders, SecondRunChangesNothing) {
  ExpectModule<Editor>(kThreeWithHeaders, kAllHeaders, kThreeWithHeaders, {}, Rerun::Unchanged());
}

// The author line is what tells a header from a comment, wherever it stands
// between the previous procedure and the declaration, indented or not.
TEST(AllHeaders, OnlyAnAuthorLineCountsAsAHeader) {
  ExpectModule<Editor>(uR"(
' 作者: someone
Sub A()
End Sub
    '|作  者|:Tester

Sub B()
End Sub
)",
                       kAllHeaders, uR"(
' 作者: someone
{SEP}
'|概  要|:
'|依  存|:
'|解  説|:
'|      |:
'|作  者|:Tester: 作成日:2026/12/08: 更新:未更新
Sub A()
End Sub
    '|作  者|:Tester

Sub B()
End Sub
)",
                       {}, Rerun::Unchanged());
}

// The regional date fails once, for the first header built.
struct DateFailsOnceUi : testing::EditorUi {
  Text ShortDate() override {
    if (++date_calls == 1) throw VbError(1004, u"No date");
    return EditorUi::ShortDate();
  }
  int date_calls = 0;
};

// A procedure whose header cannot be built stays without one; the next
// still lands above its own declaration.
TEST(AllHeaders, ProcedureWhoseHeaderFailsIsSkipped) {
  using DateFailsEditor = HeaderEditor<ModInsertHeader, DateFailsOnceUi>;
  ExpectModule<DateFailsEditor>(uR"(
Sub A()
End Sub
Sub B()
End Sub
)",
                                kAllHeaders, uR"(
Sub A()
End Sub
{SEP}
'|概  要|:
'|依  存|:
'|解  説|:
'|      |:
'|作  者|:Tester: 作成日:2026/12/08: 更新:未更新
Sub B()
End Sub
)",
                                {{u"CreateHeader", u"Error: 1004. No date", Buttons::kOk,
                                  Answer::kOk}},
                                Rerun::NotChecked());
}

// The failure ends the command; lines already inserted stay.
TEST(AllHeaders, EditorFailureLeavesWhatWasInserted) {
  ExpectModule<Editor>(
      uR"(
Sub A()
End Sub
Sub B()
End Sub
)",
      [](Editor& e) {
        e.vbe->Log().FailOn(HostCall::kInsertLines, 9, VbError(1004, u"Injected"));
        e.header.InsertHeaderAll();
      },
      uR"(
{SEP}
'|概  要|:
'|依  存|:
'|解  説|:
'|      |:
'|作  者|:Tester: 作成日:2026/12/08: 更新:未更新
Sub A()
End Sub
{SEP}
'|概  要|:
Sub B()
End Sub
)",
      {{u"InsertHeaderAll", u"Error: 1004. Injected", Buttons::kOk, Answer::kOk}}, Rerun::NotChecked());
}

// The bench's module: 300 procedures of 30 parameters, each declaration
// continued over 30 rows, about 65,000 lines.
std::vector<Text> LargestModule() {
  const Text text = FromUtf8(bench::MakeModule(kMaxProcs, kMaxProcParams, 65000));
  std::vector<Text> lines;
  for (std::size_t from = 0; from < text.size();) {
    const std::size_t end = text.find(u"\r\n", from);
    lines.push_back(text.substr(from, end - from));
    from = end + 2;
  }
  lines.erase(lines.begin());  // the Attribute line the editor does not show
  return lines;
}

TEST(AllHeaders, LargestModuleGetsEveryHeaderInItsPlace) {
  testing::Editor<ModInsertHeader> e = testing::EditorWith(u"Big", LargestModule());
  const std::shared_ptr<MemoryCodeModule>& module = e.module;
  const Row before = module->LineCount();

  e.op.InsertHeaderAll();

  EXPECT_TRUE(e.ui.boxes.empty());
  ModGetProcsData procs(e.ui);
  procs.SetVBInstance(e.vbe);
  Short count = 0;
  const std::vector<ProcData> table = procs.GetProcsDataH(count);
  ASSERT_EQ(count, kMaxProcs);
  Row added = 0;
  for (int i = 0; i < kMaxProcs; ++i) {
    SCOPED_TRACE(i);
    const Row body = table[static_cast<std::size_t>(i)].BodyStartRow;
    // A Function's header has a return line: 38 lines, a Sub's 37.
    const Row lines = table[static_cast<std::size_t>(i)].ProcKnd == u"Fnc" ? 38 : 37;
    EXPECT_EQ(module->Line(body - lines), header_test::kSeparator);
    EXPECT_EQ(module->Line(body - 5).substr(0, 8), u"'| No.30");
    EXPECT_TRUE(StartsWith(module->Line(body - 1), kAuthorLabel));
    added += lines;
  }
  EXPECT_EQ(module->LineCount(), before + added);
}

}  // namespace
}  // namespace qlx
