// Random sequences of the operations on generated modules, once straight on
// the editor and once through the line cache: the modules, the boxes and
// what the reading operations return must be the same after every step.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "analysis/cls_proc_inf.h"
#include "analysis/mod_get_procs_data.h"
#include "debugexp/mod_add_debug_vbe.h"
#include "errtrap/mod_insert_err_trap.h"
#include "header/mod_insert_header.h"
#include "host/memory/editor.h"
#include "host/ui.h"
#include "support/editor.h"
#include "support/text.h"

namespace qlx {
namespace {

using testing::Numbered;
using testing::U8;

class ModuleMaker {
 public:
  explicit ModuleMaker(unsigned seed) : rng_(seed) {}

  std::vector<Text> Make() {
    std::vector<Text> lines{u"Option Explicit"};
    if (Chance(4)) lines.push_back(u"' module note");
    if (Chance(8)) {
      lines.push_back(u"#If VBA7 Then");
      lines.push_back(u"Private Declare PtrSafe Sub Nap Lib \"kernel32\" (ByVal ms As Long)");
      lines.push_back(u"#End If");
    }
    lines.push_back(u"Private total As Long");
    const int procs = Pick(1, 10);
    for (int p = 0; p < procs; ++p) Procedure(lines, p, p + 1 == procs);
    if (Chance(3)) lines.push_back(u"");
    return lines;
  }

 private:
  bool Chance(int one_in) { return Pick(1, one_in) == 1; }
  int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

  void Procedure(std::vector<Text>& lines, int p, bool last) {
    if (Chance(2)) lines.push_back(u"");
    if (Chance(3)) lines.push_back(u"' about P" + Str(p));
    const int kind = Pick(0, 3);
    const Text name = u"P" + Str(p);
    std::vector<Text> params;
    const int count = kind == 3 ? 0 : Pick(kind == 0 ? 0 : 1, 4);
    for (int i = 0; i < count; ++i) {
      const Text v = u"a" + Str(i);
      switch (Pick(0, 3)) {
        case 0: params.push_back(u"ByVal " + v + u" As Long"); break;
        case 1: params.push_back(u"ByRef " + v + u" As String"); break;
        case 2: params.push_back(v); break;
        default: params.push_back(u"Optional " + v + u" As Long = 3"); break;
      }
    }
    Text head;
    const Text scope = Chance(2) ? u"Public " : u"Private ";
    Text end;
    switch (kind) {
      case 0: head = scope + u"Sub "; end = u"End Sub"; break;
      case 1: head = scope + u"Function "; end = u"End Function"; break;
      case 2: head = scope + u"Property Let "; end = u"End Property"; break;
      default: head = scope + u"Property Get "; end = u"End Property"; break;
    }
    Text decl = head + name + u"(";
    const bool continued = params.size() > 1 && Chance(3);
    for (std::size_t i = 0; i < params.size(); ++i) {
      if (i > 0) {
        if (continued) {
          lines.push_back(decl + u", _");
          decl = u"        ";
        } else {
          decl += u", ";
        }
      }
      decl += params[i];
    }
    decl += u")";
    if (kind == 1 || kind == 3) decl += u" As Long";
    lines.push_back(decl);
    if (Chance(2)) lines.push_back(u"    Dim n As Long");
    const int body = Pick(0, 8);
    for (int k = 0; k < body; ++k) {
      switch (Pick(0, 9)) {
        case 0: lines.push_back(u"    'deb n"); break;
        case 1: lines.push_back(u"    'deb arr for"); break;
        case 2: lines.push_back(Chance(3) ? u"    'deb" : u"    n = 1 'deb n"); break;
        case 3: lines.push_back(u"    On Error Resume Next"); break;
        case 4: lines.push_back(count > 0 ? u"    a0 = n + 1" : u"    n = n + 1"); break;
        case 5: lines.push_back(u"    ' comment"); break;
        case 6: lines.push_back(u""); break;
        case 7: lines.push_back(u"    Debug.Print  \"n = \" ;n"); break;
        default: lines.push_back(u"    total = total + " + Str(k)); break;
      }
    }
    // Now and then the last procedure has no End line.
    if (!(last && Chance(10))) lines.push_back(end);
  }

  std::mt19937 rng_;
};

// The test editor with every operation wired to it, as the add-in wires them.
struct Run : testing::Editor<ModInsertHeader> {
  explicit Run(const std::vector<Text>& lines, bool cached)
      : Editor(testing::EditorWith(u"Module1", lines).LineCache(cached)) {
    procs.SetVBInstance(vbe);
    header.SetProcsData(&procs);
    header.AuthorName = u"someone";
    errtrap.SetVBInstance(vbe);
    deb.SetVBInstance(vbe);
  }

  // Runs step `op` with argument `arg`; returns what a reading operation gave.
  std::string Step(int op, int arg) {
    const Row n = vbe->Module(u"Module1")->LineCount();
    const Row row = n == 0 ? 1 : 1 + arg % n;
    switch (op) {
      case 0:
        header.IgnoreMode = arg % 2;
        header.UnUndoMode = arg % 3 == 0 ? 1 : 0;
        ui.Answers({arg % 5 == 0 ? Answer::kNo : Answer::kYes, arg % 7 == 0 ? Answer::kNo : Answer::kYes});
        header.WriteHeaderProc(row);
        break;
      case 1:
        errtrap.ErrInsertPos = arg % 2;
        ui.Answers({arg % 3 == 0 ? Answer::kNo : Answer::kYes});
        errtrap.WriteErrTrapProc(row);
        break;
      case 2:
        deb.ReplaceDeb();
        break;
      case 3:
        header.InsertModuleHeader();
        break;
      case 4:
        header.InsertHeaderAll();
        break;
      case 5: {
        Short count = 0;
        std::string out;
        for (const ProcData& p : procs.GetProcsData(count)) {
          out += U8(p.ProcName) + " " + std::to_string(p.ProcStartRow) + " " + std::to_string(p.BodyStartRow) +
                 " " + std::to_string(p.TotalRowsCount) + " " + U8(p.RetType) + "\n";
        }
        return "scan " + std::to_string(count) + "\n" + out;
      }
      default: {
        ClsProcInf record(ui);
        record.VBInstanceC(vbe);
        const bool ok = record.GetProcInf(row);
        return "record " + std::to_string(ok) + " " + U8(record.ProcName()) + " " +
               std::to_string(record.BodyStartRow()) + " " + std::to_string(record.BodyEndRow()) + " " +
               std::to_string(record.InnerDecEndRow()) + " " + U8(record.RetType());
      }
    }
    ui.queued_answers.clear();
    return {};
  }

  ModInsertHeader& header = op;
  ModGetProcsData procs{ui};
  ModInsertErrTrap errtrap{ui, desktop};
  ModAddDebugVBE deb{ui, desktop};
};

std::string Boxes(const RecordingUi& ui) {
  std::string out;
  for (const RecordedBox& box : ui.boxes) out += U8(box.title) + ": " + U8(box.text) + "\n";
  return out;
}

void Compare(unsigned seed);

class WithAndWithoutTheCache : public ::testing::TestWithParam<unsigned> {};

// Ten generated modules per case.
TEST_P(WithAndWithoutTheCache, OperationsLeaveTheSameModulesAndBoxes) {
  for (unsigned seed = GetParam() * 10; seed < GetParam() * 10 + 10; ++seed) Compare(seed);
}

void Compare(unsigned seed) {
  const std::vector<Text> lines = ModuleMaker(seed).Make();
  Run plain(lines, false);
  Run cached(lines, true);
  std::mt19937 rng(seed * 7919u + 1);
  const int steps = std::uniform_int_distribution<int>(1, 8)(rng);
  for (int s = 0; s < steps; ++s) {
    const int op = std::uniform_int_distribution<int>(0, 6)(rng);
    const int arg = std::uniform_int_distribution<int>(0, 1000)(rng);
    SCOPED_TRACE("seed " + std::to_string(seed) + ", step " + std::to_string(s) + ", operation " +
                 std::to_string(op) + "(" + std::to_string(arg) + ")\n" +
                 Numbered(plain.vbe->Module(u"Module1")->AllLines()));
    const std::string expected = plain.Step(op, arg);
    EXPECT_EQ(cached.Step(op, arg), expected);
    ASSERT_EQ(Numbered(cached.vbe->Module(u"Module1")->AllLines()),
              Numbered(plain.vbe->Module(u"Module1")->AllLines()));
    ASSERT_EQ(Boxes(cached.ui), Boxes(plain.ui));
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, WithAndWithoutTheCache, ::testing::Range(0u, 30u));

}  // namespace
}  // namespace qlx
