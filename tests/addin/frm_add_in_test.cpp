// The tool window driven against the in-memory editor: loading and closing
// with the settings file, GET and WRITE with their checks, All Procs, the
// modes, the author entry and the failure reports.
#include "addin/frm_add_in.h"

#include <gtest/gtest.h>

#include "addin/addin_test_support.h"
#include "header/header_test_support.h"
#include "header/module_header.h"
#include "header/procedure_header.h"

namespace qlx {
namespace {

using header_test::Ask;
using testing::AddInHarness;
using testing::EditorWith;
using testing::ExpectModule;
using testing::kBar;
using testing::kFoo;
using testing::HeaderAbove;
using testing::Holds;
using testing::Ok;
using testing::Rerun;
using testing::RowOf;
using testing::U8;

const Text kOnError = u"On Error GoTo PROC_ERR";
const RecordedBox kHandlerQuestion{
    u"QLX", u"On Error ステートメントが既に存在します。\r\n新しい汎用エラーハンドラを挿入しますか？", Buttons::kYesNo,
    Answer::kNo};
// Inserted at row 3 it takes rows 3 to 6, so row 5 is in it.
const Text kOther = u"Sub Other()\r\n    x = 1\r\n    y = 2\r\nEnd Sub";

const Text kModuleChanged = u"ターゲットモジュールが変更されました。\r\nQLXは取得したプロシージャ情報を破棄します。";
const Text kProcedureMoved =
    u"ターゲットプロシージャが移動または削除されました。\r\nQLXは取得したプロシージャ情報を破棄します。";

// The window forgot its target.
void ExpectReset(const frmAddIn& form) {
  EXPECT_EQ(form.TargetModule, u"");
  EXPECT_EQ(form.TargetProc, u"");
  EXPECT_EQ(form.Caption, u"");
  EXPECT_FALSE(form.chkAllProcs.value);
  EXPECT_TRUE(form.cmdGet.enabled);
}

// The user clicks row, then GET.
void GetAt(AddInHarness& harness, Row row) {
  frmAddIn& form = harness.Shown();
  harness.ClickRow(row);
  EXPECT_TRUE(form.UserClick(form.cmdGet));
}

class ToolWindow : public ::testing::Test {
 protected:
  void Open() { form_ = &harness_.Open(); }
  frmAddIn& Form() { return *form_; }
  void Get(Row row) { GetAt(harness_, row); }
  void Write() { EXPECT_TRUE(Form().UserClick(Form().cmdWrite)); }
  void ExpectReset() { qlx::ExpectReset(Form()); }

  AddInHarness harness_;
  frmAddIn* form_ = nullptr;
};

TEST_F(ToolWindow, ControlsFitTheClientAreaInTabOrder) {
  Open();
  int tab = 0;
  for (const FormControl* control : Form().Controls()) {
    SCOPED_TRACE(U8(control->name));
    EXPECT_EQ(control->tab_index, tab++);
    EXPECT_GE(control->left, 0);
    EXPECT_GE(control->top, 0);
    EXPECT_LE(control->left + control->width, frmAddIn::kClientWidth);
    EXPECT_LE(control->top + control->height, frmAddIn::kClientHeight);
  }
}

TEST_F(ToolWindow, LoadingSelectsHeaderModeMakesItTopmostAndReadsEverySettingInOrder) {
  harness_.StoreIni(
      "[Author]\r\nName=\x8e\x52\x93\x63\r\n"  // 山田 in CP932
      "[Mode]\r\nIgnoreMode=1\r\nUnUndoMode=2\r\nSleepTime=abc\r\nErrInsertPos=-1\r\nDateFormat= yyyy-mm-dd \r\n"
      "[WindowPos]\r\nTop=1440\r\nLeft=-300\r\n");
  Open();

  EXPECT_TRUE(Form().optHeader.value);
  EXPECT_FALSE(Form().optError.value);
  EXPECT_TRUE(Form().chkAllProcs.visible && Form().chkAllProcs.enabled && Form().lblAllProcs.visible);
  EXPECT_EQ(Form().Caption, u"");
  EXPECT_EQ(Form().TargetRow, 0);
  ASSERT_EQ(harness_.windows.calls.size(), 1u);
  EXPECT_EQ(harness_.windows.calls[0], (RecordingWindowService::Call{0, kHwndTopmost, 0, 0, 0, 0, kSwpNoSize}));

  ModInsertHeader& header = harness_.connect->Header();
  EXPECT_EQ(header.AuthorName, u"山田");
  EXPECT_EQ(header.IgnoreMode, 1);
  EXPECT_EQ(header.UnUndoMode, 2);
  EXPECT_EQ(header.SleepTime, 0);
  EXPECT_EQ(harness_.connect->ErrTrap().ErrInsertPos, -1);
  EXPECT_EQ(header.DateFormat, u"yyyy-mm-dd");
  EXPECT_EQ(Form().Top, 1440.0f);
  EXPECT_EQ(Form().Left, -300.0f);
  EXPECT_EQ(harness_.ini_log,
            (std::vector<std::string>{"get Author/Name", "int Mode/IgnoreMode", "int Mode/UnUndoMode",
                                      "int Mode/SleepTime", "int Mode/ErrInsertPos", "get Mode/DateFormat",
                                      "int WindowPos/Top", "int WindowPos/Left"}));
  EXPECT_TRUE(harness_.ui.boxes.empty());
}

TEST_F(ToolWindow, WithoutSettingsFileItLoadsEmptyAndTheFirstCloseWritesAuthorThenPosition) {
  Open();
  EXPECT_EQ(harness_.connect->Header().AuthorName, u"");
  EXPECT_EQ(Form().Top, 0.0f);
  EXPECT_EQ(Form().Left, 0.0f);
  harness_.ini_log.clear();

  Form().Top = 1440;
  Form().Left = 720.5f;
  EXPECT_TRUE(Form().UserClose());
  EXPECT_FALSE(Form().Loaded());
  EXPECT_EQ(harness_.ini_log, (std::vector<std::string>{"put Author/Name=DefaultUser", "put WindowPos/Top=1440",
                                                        "put WindowPos/Left=720.5"}));
  EXPECT_EQ(harness_.IniBytes(), "[Author]\r\nName=DefaultUser\r\n[WindowPos]\r\nTop=1440\r\nLeft=720.5\r\n");
  EXPECT_EQ(harness_.connect->Header().AuthorName, u"DefaultUser");
}

TEST_F(ToolWindow, SettingsWithoutWindowPosPutTheWindowAtTheTopLeftCorner) {
  harness_.StoreIni("[Author]\r\nName=x\r\n");
  Open();
  Form().Top = 500;
  Form().Left = 600;
  Form().UserClose();
  harness_.StoreIni("[Author]\r\nName=x\r\n");
  harness_.ClickMenu();
  EXPECT_EQ(Form().Top, 0.0f);
  EXPECT_EQ(Form().Left, 0.0f);
}

TEST_F(ToolWindow, AFileChangedWhileOpenCountsOnlyFromTheNextLoad) {
  Open();
  harness_.StoreIni("[Mode]\r\nIgnoreMode=1\r\n");
  harness_.ClickMenu();  // already shown: not loaded again
  EXPECT_EQ(harness_.connect->Header().IgnoreMode, 0);
  Form().UserClose();
  harness_.ClickMenu();
  EXPECT_EQ(harness_.connect->Header().IgnoreMode, 1);
}

TEST(SingleToText, WritesNumbersAsTheRuntimeDoes) {
  EXPECT_EQ(SingleToText(1440), u"1440");
  EXPECT_EQ(SingleToText(0), u"0");
  EXPECT_EQ(SingleToText(-0.0f), u"0");
  EXPECT_EQ(SingleToText(-15), u"-15");
  EXPECT_EQ(SingleToText(720.5f), u"720.5");
  EXPECT_EQ(SingleToText(1000000), u"1000000");
  EXPECT_EQ(SingleToText(12345678), u"1.234568E+07");
}

struct GetCase {
  const char* what;
  bool error_mode;
  Row row;
  Text title;
  Row target_row;
  Text target_proc;
};

class GetCapture : public ToolWindow, public ::testing::WithParamInterface<GetCase> {};

TEST_P(GetCapture, CapturesModuleRowAndProcedure) {
  const GetCase& c = GetParam();
  SCOPED_TRACE(c.what);
  Open();
  if (c.error_mode) Form().UserClick(Form().optError);
  Get(c.row);
  EXPECT_EQ(Form().Caption, c.title);
  EXPECT_EQ(Form().TargetRow, c.target_row);
  EXPECT_EQ(Form().TargetModule, u"Module1");
  EXPECT_EQ(Form().TargetProc, c.target_proc);
  EXPECT_TRUE(harness_.ui.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GetCapture,
    ::testing::Values(GetCase{"declarations, header mode", false, 2, u"ThisModule", 0, u""},
                      GetCase{"declarations, error mode", true, 1, u"", 0, u""},
                      GetCase{"blank line above a procedure belongs to it", false, 3, u"Foo", 3, u"Foo"},
                      GetCase{"inside a procedure, error mode", true, 9, u"Bar", 9, u"Bar"},
                      GetCase{"last line of the module", false, 10, u"Bar", 10, u"Bar"}));

TEST_F(ToolWindow, GetWithoutAPaneOnlyZeroesTheRow) {
  Open();
  Get(5);
  harness_.vbe->Log().FailOn(HostCall::kActiveCodePane, 1, VbError(vberr::kObjectNotSet));
  Get(5);
  EXPECT_EQ(Form().TargetRow, 0);
  EXPECT_EQ(Form().TargetModule, u"Module1");
  EXPECT_EQ(Form().TargetProc, u"Foo");
  EXPECT_EQ(Form().Caption, u"Foo");
  EXPECT_TRUE(harness_.ui.boxes.empty());

  AddInHarness no_pane(EditorWith(testing::kModule1).NoActivePane());
  frmAddIn& form = no_pane.Open();
  EXPECT_TRUE(form.UserClick(form.cmdGet));
  EXPECT_EQ(form.TargetRow, 0);
  EXPECT_EQ(form.TargetModule, u"");
  EXPECT_TRUE(no_pane.ui.boxes.empty());
}

TEST_F(ToolWindow, WriteRunsTheOperationTheTitleAndModeChoose) {
  harness_.StoreIni("[Author]\r\nName=Yamada\r\n");
  Open();

  Get(5);
  Write();
  auto lines = harness_.ModuleLines();
  EXPECT_TRUE(HeaderAbove(lines, kFoo));
  EXPECT_TRUE(Holds(lines, NewAuthorLine(u"Yamada", harness_.ui.short_date)));
  ExpectReset();
  EXPECT_EQ(Form().TargetRow, 5);  // kept, harmlessly

  Form().UserClick(Form().optError);
  Get(RowOf(lines, kBar) + 1);
  Write();
  lines = harness_.ModuleLines();
  EXPECT_FALSE(HeaderAbove(lines, kBar));
  EXPECT_EQ(RowOf(lines, kOnError), RowOf(lines, kBar) + 2);
  ExpectReset();

  Form().UserClick(Form().optHeader);
  Get(1);
  Write();
  lines = harness_.ModuleLines();
  EXPECT_TRUE(Holds(lines, ModuleBanner(u"Module1")));
  EXPECT_TRUE(harness_.ui.boxes.empty());
}

TEST(ToolWindowWrites, ModuleTitleInErrorModeWritesNothing) {
  ExpectModule<AddInHarness>(
      testing::kModule1,
      [](AddInHarness& h) {
        frmAddIn& form = h.Shown();
        GetAt(h, 1);
        form.UserClick(form.optError);
        GetAt(h, 1);
        EXPECT_EQ(form.TargetModule, u"Module1");
        EXPECT_TRUE(form.UserClick(form.cmdWrite));
        ExpectReset(form);
      },
      testing::kModule1, {}, Rerun::Unchanged());
}

// A procedure that happens to be called ThisModule is a procedure target:
// the module-level meaning of the title needs row 0.
const std::u16string kThisModule = uR"(
Option Explicit

Sub ThisModule()
    Debug.Print 1
End Sub
)";
const std::u16string kThisModuleWithHeader = uR"(
Option Explicit

{SEP}
'|概  要|:
'|依  存|:
'|解  説|:
'|      |:
'|作  者|:: 作成日:2026/12/08: 更新:未更新
Sub ThisModule()
    Debug.Print 1
End Sub
)";

// Header mode with GET inside the procedure, or error mode with GET on its
// declaration, then WRITE.
std::function<void(AddInHarness&)> WriteOnThisModule(bool error_mode) {
  return [=](AddInHarness& h) {
    frmAddIn& form = h.Shown();
    form.UserClick(error_mode ? form.optError : form.optHeader);
    GetAt(h, RowOf(h.Module(), u"Sub ThisModule()") + (error_mode ? 0 : 1));
    EXPECT_EQ(form.Caption, u"ThisModule");
    EXPECT_TRUE(form.UserClick(form.cmdWrite));
  };
}

TEST(ToolWindowWrites, ProcedureNamedThisModuleGetsItsOwnHeader) {
  ExpectModule<AddInHarness>(kThisModule, WriteOnThisModule(false), kThisModuleWithHeader, {},
                             Rerun::Shows({Ask(Answer::kNo)}));
}

TEST(ToolWindowWrites, ProcedureNamedThisModuleGetsItsOwnHandlerBelowItsHeader) {
  ExpectModule<AddInHarness>(kThisModuleWithHeader, WriteOnThisModule(true), uR"(
Option Explicit

{SEP}
'|概  要|:
'|依  存|:
'|解  説|:
'|      |:
'|作  者|:: 作成日:2026/12/08: 更新:未更新
Sub ThisModule()

On Error GoTo PROC_ERR

    Debug.Print 1

PROC_EXIT:
    Exit Sub

PROC_ERR:
    MsgBox "Error_Number: " & Err.Number & ".  : " & Err.Description, , _
    "Module1" & "." & "ThisModule"
    Resume PROC_EXIT

End Sub
)",
                             {}, Rerun::Shows({kHandlerQuestion}));
}

TEST(WriteDispatch, DecidesOnTitleRowModeAndAllProcs) {
  struct Case {
    Text title;
    Row row;
    bool header_mode;
    bool all_procs;
    std::optional<OperationId> expected;
  } cases[] = {
      {u"", 5, true, false, std::nullopt},
      {u"", 0, false, true, std::nullopt},
      {u"ThisModule", 0, true, false, OperationId::kModuleHeader},
      {u"ThisModule", 0, false, false, OperationId::kModuleHeader},
      {u"ThisModule", 0, true, true, OperationId::kModuleHeader},
      {u"ThisModule", 7, true, false, OperationId::kHeader},
      {u"ThisModule", 7, false, false, OperationId::kErrTrap},
      {u"All Procedures", 0, true, true, OperationId::kAllHeaders},
      {u"Foo", 5, true, true, OperationId::kAllHeaders},
      {u"Foo", 5, true, false, OperationId::kHeader},
      {u"Foo", 5, false, true, OperationId::kErrTrap},
      {u"thismodule", 0, true, false, OperationId::kHeader},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.title) + " row " + std::to_string(c.row) + (c.header_mode ? " header" : " error") +
                 (c.all_procs ? " all" : ""));
    EXPECT_EQ(ChooseWriteOperation(c.title, c.row, c.header_mode, c.all_procs), c.expected);
  }
}

TEST_F(ToolWindow, AnotherModuleAtWriteTimeDiscardsTheTarget) {
  Open();
  Get(5);
  harness_.OpenModule(u"Module2");
  Write();
  EXPECT_EQ(harness_.ui.boxes, (std::vector<RecordedBox>{Ok(u"QLX", kModuleChanged)}));
  EXPECT_EQ(harness_.ModuleLines(u"Module1"), testing::Lines(testing::kModule1));
  EXPECT_EQ(harness_.ModuleLines(u"Module2"), testing::Lines(testing::kModule2));
  ExpectReset();
}

struct MovedCase {
  const char* what;
  std::function<void(MemoryCodeModule&)> edit;
  std::vector<RecordedBox> boxes;
  bool written;
};

class MovedTarget : public ToolWindow, public ::testing::WithParamInterface<MovedCase> {};

TEST_P(MovedTarget, WriteChecksTheProcedureName) {
  const MovedCase& c = GetParam();
  SCOPED_TRACE(c.what);
  Open();
  Get(5);  // in Foo
  c.edit(*harness_.vbe->Module(u"Module1"));
  const auto before = harness_.ModuleLines();
  Write();
  EXPECT_EQ(harness_.ui.boxes, c.boxes);
  EXPECT_EQ(HeaderAbove(harness_.ModuleLines(), kFoo), c.written);
  if (!c.written) {
    EXPECT_EQ(harness_.ModuleLines(), before);
  }
  ExpectReset();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MovedTarget,
    ::testing::Values(
        MovedCase{"a line above moves the row, still in Foo",
                  [](MemoryCodeModule& m) { m.InsertLines(1, u"' note"); }, {}, true},
        MovedCase{"another procedure now holds the row", [](MemoryCodeModule& m) { m.InsertLines(3, kOther); },
                  {Ok(u"QLX", kProcedureMoved)}, false},
        MovedCase{"the row is in the declarations now",
                  [](MemoryCodeModule& m) { m.InsertLines(3, u"Private a As Long\r\nPrivate b As Long\r\nPrivate c As Long"); },
                  {Ok(u"QLX", kProcedureMoved)}, false},
        MovedCase{"the row is past the end now", [](MemoryCodeModule& m) { m.DeleteLines(2, 9); },
                  {Ok(u"SendProcName", u"Error: 9. Subscript out of range"), Ok(u"QLX", kProcedureMoved)},
                  false}));

TEST_F(ToolWindow, ModeChangeAfterGetStopsWriteAtTheProcedureCheck) {
  Open();
  Get(5);
  Form().UserClick(Form().optError);
  EXPECT_EQ(Form().Caption, u"");
  EXPECT_EQ(Form().TargetRow, 0);
  EXPECT_EQ(Form().TargetProc, u"Foo");
  Write();
  EXPECT_EQ(harness_.ui.boxes, (std::vector<RecordedBox>{Ok(u"QLX", kProcedureMoved)}));
  EXPECT_EQ(harness_.ModuleLines(), testing::Lines(testing::kModule1));
  ExpectReset();
}

TEST_F(ToolWindow, SecondWriteDoesNothing) {
  Open();
  Get(5);
  Write();
  const auto after_first = harness_.ModuleLines();
  harness_.ui.boxes.clear();
  Write();
  EXPECT_EQ(harness_.ModuleLines(), after_first);
  EXPECT_TRUE(harness_.ui.boxes.empty());
}

TEST_F(ToolWindow, AllProcsTakesThePlaceOfGetAndWritesEveryHeader) {
  Open();
  Get(5);
  EXPECT_TRUE(Form().UserClick(Form().chkAllProcs));
  EXPECT_TRUE(Form().chkAllProcs.value);
  EXPECT_EQ(Form().Caption, u"All Procedures");
  EXPECT_EQ(Form().TargetModule, u"Module1");
  EXPECT_EQ(Form().TargetRow, 5);
  EXPECT_FALSE(Form().cmdGet.enabled);
  EXPECT_FALSE(Form().UserClick(Form().cmdGet));  // a disabled button cannot be pressed

  // The row now lies in another procedure: All Procs skips that check.
  harness_.vbe->Module(u"Module1")->InsertLines(3, kOther);
  Write();
  const auto lines = harness_.ModuleLines();
  EXPECT_TRUE(HeaderAbove(lines, kFoo));
  EXPECT_TRUE(HeaderAbove(lines, kBar));
  EXPECT_TRUE(HeaderAbove(lines, u"Sub Other()"));
  EXPECT_TRUE(harness_.ui.boxes.empty());
  ExpectReset();
}

TEST_F(ToolWindow, AllProcsOffAndErrorModeGoBackToIdle) {
  Open();
  Form().UserClick(Form().chkAllProcs);
  Form().UserClick(Form().chkAllProcs);
  ExpectReset();

  Form().UserClick(Form().chkAllProcs);
  Form().UserClick(Form().optError);
  ExpectReset();
  EXPECT_FALSE(Form().chkAllProcs.visible || Form().chkAllProcs.enabled || Form().lblAllProcs.visible);
  EXPECT_FALSE(Form().UserClick(Form().chkAllProcs));

  Form().UserClick(Form().optHeader);
  EXPECT_TRUE(Form().chkAllProcs.visible && Form().chkAllProcs.enabled && Form().lblAllProcs.visible);
  EXPECT_TRUE(harness_.ui.boxes.empty());
}

TEST_F(ToolWindow, AllProcsInAnotherModuleAtWriteTimeIsRefused) {
  Open();
  Form().UserClick(Form().chkAllProcs);
  harness_.OpenModule(u"Module2");
  Write();
  EXPECT_EQ(harness_.ui.boxes, (std::vector<RecordedBox>{Ok(u"QLX", kModuleChanged)}));
  EXPECT_EQ(harness_.ModuleLines(u"Module2"), testing::Lines(testing::kModule2));
  ExpectReset();
}

TEST_F(ToolWindow, AllProcsWithoutAnEditorStaysTickedButIdle) {
  Open();
  harness_.vbe->Log().FailOn(HostCall::kActiveCodePane, 1, VbError(vberr::kObjectNotSet));
  Form().UserClick(Form().chkAllProcs);
  EXPECT_TRUE(Form().chkAllProcs.value);
  EXPECT_EQ(Form().Caption, u"");
  EXPECT_EQ(Form().TargetModule, u"");
  EXPECT_TRUE(Form().cmdGet.enabled);
  EXPECT_TRUE(harness_.ui.boxes.empty());
}

TEST_F(ToolWindow, AuthorEntryKeepsTheNameOnEmptyOrCancelledInput) {
  harness_.StoreIni("[Author]\r\nName=Yamada\r\n");
  Open();
  ModInsertHeader& header = harness_.connect->Header();
  harness_.ui.queued_inputs = {Text(u" 佐藤 "), Text(u""), std::nullopt};

  Form().UserDblClick();
  EXPECT_EQ(header.AuthorName, u" 佐藤 ");  // as typed
  Form().UserDblClick();
  EXPECT_EQ(header.AuthorName, u" 佐藤 ");
  Form().UserDblClick();
  EXPECT_EQ(header.AuthorName, u" 佐藤 ");
  EXPECT_EQ(harness_.ui.input_defaults, (std::vector<Text>{u"Yamada", u" 佐藤 ", u" 佐藤 "}));

  // Only the close writes the name.
  EXPECT_EQ(harness_.IniBytes(), "[Author]\r\nName=Yamada\r\n");
  Form().UserClose();
  EXPECT_NE(harness_.IniBytes().find("\x8d\xb2\x93\xa1"), std::string::npos) << harness_.IniBytes();
}

TEST_F(ToolWindow, ClosingWithAnEmptyNameStoresDefaultUser) {
  Open();
  harness_.ui.queued_inputs = {Text(u"")};
  Form().UserDblClick();
  Form().UserClose();
  harness_.connect->Header().AuthorName.clear();
  harness_.ClickMenu();
  EXPECT_EQ(harness_.connect->Header().AuthorName, u"DefaultUser");
}

TEST_F(ToolWindow, TargetSurvivesClosingAndShowingAgain) {
  Open();
  Get(5);
  Form().UserClose();
  EXPECT_FALSE(Form().UserClick(Form().cmdWrite));  // nothing to click on a closed window
  harness_.ClickMenu();
  EXPECT_EQ(Form().TargetModule, u"Module1");
  EXPECT_EQ(Form().TargetProc, u"Foo");
  EXPECT_EQ(Form().TargetRow, 0);  // the load selected header mode
  EXPECT_EQ(Form().Caption, u"");
}

// What the user left behind when closing the window; showing it again loads
// it afresh, keeping only the captured target.
struct ReloadCase {
  const char* what;
  std::function<void(AddInHarness&, frmAddIn&)> before_close;
  Row row;
  Text module;
  Text proc;
};

class Reload : public ::testing::TestWithParam<ReloadCase> {};

TEST_P(Reload, BringsTheControlsBackAsDesignedAndKeepsOnlyTheTarget) {
  const ReloadCase& c = GetParam();
  SCOPED_TRACE(c.what);
  AddInHarness harness;
  frmAddIn& form = harness.Open();
  c.before_close(harness, form);
  const Row row = form.TargetRow;
  form.UserClose();

  // The view makes the new window before Form_Load: no option is chosen yet.
  struct AtCreate : FrmAddInView {
    WindowHandle Create(frmAddIn& f) override {
      for (const FormControl* control : f.Controls()) values.push_back(control->value);
      enabled = f.cmdGet.enabled && f.chkAllProcs.enabled;
      caption = f.Caption;
      return 0;
    }
    void Refresh(frmAddIn&) override {}
    void Destroy(frmAddIn&) override {}
    std::vector<bool> values;
    bool enabled = false;
    Text caption = u"unset";
  } view;
  harness.connect->SetFormView(&view);
  ASSERT_TRUE(harness.ClickMenu());
  EXPECT_EQ(view.values, std::vector<bool>(9, false));
  EXPECT_TRUE(view.enabled);
  EXPECT_EQ(view.caption, u"");

  EXPECT_TRUE(form.optHeader.value);
  EXPECT_FALSE(form.optError.value);
  EXPECT_FALSE(form.chkAllProcs.value);
  EXPECT_TRUE(form.chkAllProcs.enabled && form.chkAllProcs.visible && form.lblAllProcs.visible);
  EXPECT_TRUE(form.cmdGet.enabled);
  EXPECT_EQ(form.Caption, u"");
  EXPECT_EQ(row, c.row);  // before the load zeroed it in header mode
  EXPECT_EQ(form.TargetRow, 0);
  EXPECT_EQ(form.TargetModule, c.module);
  EXPECT_EQ(form.TargetProc, c.proc);

  // And it works: GET and WRITE write the header.
  harness.ClickRow(5);
  EXPECT_TRUE(form.UserClick(form.cmdGet));
  EXPECT_TRUE(form.UserClick(form.cmdWrite));
  EXPECT_TRUE(HeaderAbove(harness.ModuleLines(), kFoo));
  EXPECT_TRUE(harness.ui.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Reload,
    ::testing::Values(ReloadCase{"All Procs ticked",
                                 [](AddInHarness&, frmAddIn& f) { f.UserClick(f.chkAllProcs); }, 0, u"Module1", u""},
                      ReloadCase{"error-handler mode after GET",
                                 [](AddInHarness& h, frmAddIn& f) {
                                   f.UserClick(f.optError);
                                   h.ClickRow(9);
                                   f.UserClick(f.cmdGet);
                                 },
                                 9, u"Module1", u"Bar"},
                      ReloadCase{"a procedure captured",
                                 [](AddInHarness& h, frmAddIn& f) {
                                   h.ClickRow(5);
                                   f.UserClick(f.cmdGet);
                                   f.Top = 720;
                                   f.Left = 1440;
                                 },
                                 5, u"Module1", u"Foo"}));

TEST(ToolWindowWrites, ReplaceDebExpandsMarkersAndLeavesTheTargetAlone) {
  ExpectModule<AddInHarness>(uR"(
Sub A()
    Dim total As Long
    'deb total
End Sub
)",
                             [](AddInHarness& h) {
                               frmAddIn& form = h.Shown();
                               GetAt(h, 2);
                               EXPECT_TRUE(form.UserClick(form.cmdRepDebug));
                               EXPECT_EQ(form.Caption, u"A");
                               EXPECT_EQ(form.TargetModule, u"Module1");
                             },
                             uR"(
Sub A()
    Dim total As Long
    Debug.Print "total = "; total
End Sub
)",
                             {}, Rerun::Unchanged());
}

struct FailureCase {
  const char* what;
  HostCall call;
  bool write;
  std::vector<Text> titles;
  Text target_module;  // afterwards
};

class HandlerFailure : public ToolWindow, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(HandlerFailure, IsReportedWithTheHandlersNameAndForgetsTheTarget) {
  const FailureCase& c = GetParam();
  SCOPED_TRACE(c.what);
  Open();
  if (c.write) Get(5);
  harness_.vbe->Log().FailOn(c.call, 1, VbError(vberr::kSubscript));
  if (c.write) {
    Write();
  } else {
    Get(5);
  }
  std::vector<Text> titles;
  for (const RecordedBox& box : harness_.ui.boxes) {
    titles.push_back(box.title);
    EXPECT_EQ(box.buttons, Buttons::kOk);
  }
  EXPECT_EQ(titles, c.titles);
  EXPECT_EQ(harness_.ui.boxes.front().text, u"Error: 9. Subscript out of range");
  EXPECT_EQ(Form().TargetModule, c.target_module);
  EXPECT_EQ(Form().TargetProc, u"");
  EXPECT_EQ(Form().Caption, u"");
  EXPECT_EQ(harness_.ModuleLines(), testing::Lines(testing::kModule1));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HandlerFailure,
    ::testing::Values(FailureCase{"GET cannot read the module's name", HostCall::kName, false, {u"cmdGet_Click"}, u""},
                      FailureCase{"GET cannot find the procedure", HostCall::kProcOfLine, false, {u"SendProcName"},
                                  u"Module1"},
                      FailureCase{"WRITE cannot read the module's name", HostCall::kName, true, {u"cmdWrite_Click"},
                                  u""},
                      FailureCase{"WRITE's check cannot find the procedure", HostCall::kProcOfLine, true,
                                  {u"SendProcName", u"QLX"}, u""}));

TEST_F(ToolWindow, SetWindowTopFailureIsReportedAndTheLoadGoesOn) {
  harness_.windows.fail_with = VbError(vberr::kInvalidCall);
  harness_.StoreIni("[Author]\r\nName=x\r\n[WindowPos]\r\nTop=15\r\n");
  Open();
  EXPECT_EQ(harness_.ui.boxes,
            (std::vector<RecordedBox>{Ok(u"SetWindowTop", u"Error: 5. Invalid procedure call or argument")}));
  EXPECT_EQ(harness_.connect->Header().AuthorName, u"x");
  EXPECT_EQ(Form().Top, 15.0f);
}

// What a platform window relies on: it exists before Form_Load runs (which
// makes it topmost by its handle), is told to redraw after each event, and
// goes when the window is unloaded.
TEST_F(ToolWindow, ViewIsMadeBeforeLoadRedrawnAfterEventsAndDestroyedAtUnload) {
  struct Recorder : FrmAddInView {
    WindowHandle Create(frmAddIn& form) override {
      events.push_back("create, loaded " + std::to_string(form.Loaded()));
      return 0x42;
    }
    void Refresh(frmAddIn& form) override {
      events.push_back("refresh \"" + U8(form.Caption) + "\" visible " + std::to_string(form.Visible()));
    }
    void Destroy(frmAddIn& form) override { events.push_back("destroy, loaded " + std::to_string(form.Loaded())); }
    std::vector<std::string> events;
  } view;
  harness_.connect->SetFormView(&view);
  Open();
  Get(5);
  Form().UserClose();
  EXPECT_EQ(view.events, (std::vector<std::string>{"create, loaded 1", "refresh \"\" visible 1",
                                                    "refresh \"Foo\" visible 1", "destroy, loaded 0"}));
  EXPECT_EQ(harness_.windows.calls.at(0).window, 0x42);
  EXPECT_EQ(Form().hWnd, 0);
}

// What the user reads, word for word.
TEST_F(ToolWindow, MessagesAndTitlesAreExact) {
  Open();
  EXPECT_EQ(Form().lblUsage.caption, u"1st Click Proc");
  EXPECT_EQ(Form().cmdGet.caption, u"2nd GET");
  EXPECT_EQ(Form().cmdWrite.caption, u"3rd WRITE");
  EXPECT_EQ(Form().lblAllProcs.caption, u"All Procs");
  EXPECT_EQ(Form().lblOpt.caption, u"Header  Error");
  EXPECT_EQ(Form().cmdRepDebug.caption, u"ReplaceDeb");
  EXPECT_EQ(harness_.Menu(), (std::vector<Text>{u"QLXﾍｯﾀﾞ/ｴﾗｰﾊﾝﾄﾞﾗ挿入"}));

  Get(1);
  EXPECT_EQ(Form().Caption, u"ThisModule");
  Form().UserClick(Form().chkAllProcs);
  EXPECT_EQ(Form().Caption, u"All Procedures");
  Form().UserClick(Form().chkAllProcs);

  Get(5);
  harness_.OpenModule(u"Module2");
  Write();
  harness_.OpenModule(u"Module1");
  Get(5);
  Form().UserClick(Form().optError);
  Write();
  harness_.ui.queued_inputs = {std::nullopt};
  Form().UserDblClick();

  EXPECT_EQ(harness_.ui.boxes,
            (std::vector<RecordedBox>{
                {u"QLX", u"ターゲットモジュールが変更されました。\r\nQLXは取得したプロシージャ情報を破棄します。",
                 Buttons::kOk, Answer::kOk},
                {u"QLX",
                 u"ターゲットプロシージャが移動または削除されました。\r\nQLXは取得したプロシージャ情報を破棄します。",
                 Buttons::kOk, Answer::kOk}}));
  EXPECT_EQ(harness_.ui.input_prompts, (std::vector<Text>{u"ヘッダに作者名を登録します"}));
  EXPECT_EQ(harness_.ui.input_titles, (std::vector<Text>{u"QLX"}));

  Form().UserClose();
  EXPECT_EQ(harness_.connect->Header().AuthorName, u"DefaultUser");
}

}  // namespace
}  // namespace qlx
