// The add-in's connection: the menu item, showing the window from it,
// handing out the editor, and what disconnection stores and cleans up.
#include "addin/connect.h"

#include <gtest/gtest.h>

#include "addin/addin_test_support.h"

namespace qlx {
namespace {

using testing::AddInHarness;
using testing::Ok;

const Text kMenu = u"QLXﾍｯﾀﾞ/ｴﾗｰﾊﾝﾄﾞﾗ挿入";

class ConnectModes : public ::testing::TestWithParam<int> {};

TEST_P(ConnectModes, ConnectingAddsTheMenuItemButNeverShowsTheWindow) {
  AddInHarness harness;
  SaveDisplayOnConnect(harness.user_settings, true);
  harness.connect->OnConnection(harness.vbe, GetParam());
  EXPECT_EQ(harness.connect->VBInstance, harness.vbe);
  EXPECT_EQ(harness.connect->Form(), nullptr);
  EXPECT_FALSE(harness.connect->FormDisplayed);
  if (GetParam() == ext_cm_External) {
    EXPECT_TRUE(harness.Menu().empty());
    EXPECT_FALSE(harness.connect->MenuHandler);
  } else {
    EXPECT_EQ(harness.Menu(), (std::vector<Text>{kMenu}));
    // A button of this session only: a host that crashes keeps no dead item.
    EXPECT_TRUE(harness.MenuItem()->Temporary());
    EXPECT_EQ(harness.MenuItem()->Type(), kControlButton);
  }
  EXPECT_TRUE(harness.ui.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(Modes, ConnectModes,
                         ::testing::Values(ext_cm_AfterStartup, ext_cm_Startup, ext_cm_External, ext_cm_CommandLine));

TEST(Connect, MenuClickShowsTheWindowAndHandsTheEditorToEveryModule) {
  AddInHarness harness;
  harness.connect->OnConnection(harness.vbe, ext_cm_AfterStartup);
  ASSERT_TRUE(harness.ClickMenu());
  frmAddIn* form = harness.connect->Form();
  ASSERT_NE(form, nullptr);
  EXPECT_TRUE(form->Loaded() && form->Visible());
  EXPECT_EQ(form->VBInstance, harness.vbe);
  EXPECT_EQ(form->Connection, harness.connect.get());
  EXPECT_TRUE(harness.connect->FormDisplayed);

  // Each module works on the editor it was handed.
  harness.ClickRow(5);
  EXPECT_EQ(harness.connect->ErrTrap().GetCursorRow(), 5);
  Short count = 0;
  harness.connect->ProcsData().GetProcsDataH(count);
  EXPECT_EQ(count, 2);
  harness.connect->Header().WriteHeaderProc(5);
  harness.connect->Debug().ReplaceDeb();
  EXPECT_TRUE(testing::HeaderAbove(harness.ModuleLines(), u"Public Sub Foo()"));
  EXPECT_TRUE(harness.ui.boxes.empty());
}

TEST(Connect, SecondMenuClickReusesTheWindowAndHandsTheEditorAgain) {
  AddInHarness harness;
  frmAddIn& form = harness.Open();
  harness.ClickRow(5);
  form.UserClick(form.cmdGet);
  harness.connect->ErrTrap().SetVBInstance(nullptr);
  form.VBInstance = nullptr;

  ASSERT_TRUE(harness.ClickMenu());
  EXPECT_EQ(harness.connect->Form(), &form);
  EXPECT_EQ(harness.windows.calls.size(), 1u);  // not loaded again
  EXPECT_EQ(form.Caption, u"Foo");
  EXPECT_EQ(form.VBInstance, harness.vbe);
  EXPECT_EQ(harness.connect->ErrTrap().GetCursorRow(), 5);
}

TEST(Connect, ClosedWindowComesBackLoadedAfresh) {
  AddInHarness harness;
  frmAddIn& form = harness.Open();
  form.UserClose();
  EXPECT_TRUE(harness.connect->FormDisplayed);
  ASSERT_TRUE(harness.ClickMenu());
  EXPECT_EQ(harness.connect->Form(), &form);
  EXPECT_TRUE(form.Visible());
  EXPECT_EQ(harness.windows.calls.size(), 2u);
}

struct DisconnectCase {
  const char* what;
  std::function<void(AddInHarness&)> before;
  Text stored;
  std::vector<std::string> settings_written;  // by the disconnection
};

class Disconnect : public ::testing::TestWithParam<DisconnectCase> {};

TEST_P(Disconnect, RemovesTheItemStoresWhetherTheWindowWasShownAndReleasesEverything) {
  const DisconnectCase& c = GetParam();
  SCOPED_TRACE(c.what);
  AddInHarness harness;
  harness.connect->OnConnection(harness.vbe, ext_cm_AfterStartup);
  c.before(harness);
  const auto item = harness.MenuItem();
  harness.ini_log.clear();

  harness.connect->OnDisconnection();
  EXPECT_TRUE(harness.Menu().empty());
  EXPECT_EQ(harness.DisplayOnConnect(), c.stored);
  EXPECT_FALSE(harness.connect->FormDisplayed);
  EXPECT_EQ(harness.connect->Form(), nullptr);
  EXPECT_EQ(harness.connect->VBInstance, nullptr);
  EXPECT_EQ(harness.connect->MenuHandler, nullptr);
  EXPECT_EQ(harness.connect->MenuItem(), nullptr);
  EXPECT_EQ(harness.connect->ErrTrap().GetCursorRow(), -1);
  EXPECT_EQ(item->Click(), 0);
  EXPECT_EQ(harness.ini_log, c.settings_written);
  EXPECT_TRUE(harness.ui.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Disconnect,
    ::testing::Values(DisconnectCase{"never shown", [](AddInHarness&) {}, u"0", {}},
                      DisconnectCase{"shown and closed again",
                                     [](AddInHarness& h) {
                                       h.ClickMenu();
                                       h.Form().UserClose();
                                     },
                                     u"1", {}},
                      DisconnectCase{"still open",
                                     [](AddInHarness& h) {
                                       h.ClickMenu();
                                       h.ui.queued_inputs = {Text(u"Yamada")};
                                       h.Form().UserDblClick();
                                       h.Form().Top = 1440;
                                       h.Form().Left = 2880;
                                     },
                                     u"1",
                                     {"put Author/Name=Yamada", "put WindowPos/Top=1440", "put WindowPos/Left=2880"}},
                      // Hidden is still loaded: the unloading saves.
                      DisconnectCase{"shown, then hidden",
                                     [](AddInHarness& h) {
                                       h.ClickMenu();
                                       h.connect->Hide();
                                       EXPECT_FALSE(h.Form().Visible());
                                     },
                                     u"0",
                                     {"put Author/Name=DefaultUser", "put WindowPos/Top=0", "put WindowPos/Left=0"}}));

TEST(Connect, LoadingAgainAddsExactlyOneMenuItem) {
  AddInHarness harness;
  harness.Open();
  harness.connect->OnDisconnection();
  harness.connect->OnConnection(harness.vbe, ext_cm_AfterStartup);
  EXPECT_EQ(harness.Menu(), (std::vector<Text>{kMenu}));
  ASSERT_TRUE(harness.ClickMenu());
  EXPECT_TRUE(harness.Form().Visible());

  // The editor makes a new add-in object after unloading the old one.
  harness.connect->OnDisconnection();
  harness.Reconnectable();
  harness.connect->OnConnection(harness.vbe, ext_cm_Startup);
  EXPECT_EQ(harness.Menu(), (std::vector<Text>{kMenu}));
  EXPECT_EQ(harness.MenuItem()->Click(), 1);
}

TEST(Connect, ReleasedAddInHearsNoMoreClicks) {
  AddInHarness harness;
  harness.connect->OnConnection(harness.vbe, ext_cm_AfterStartup);
  auto item = harness.MenuItem();
  harness.connect.reset();  // without disconnection
  EXPECT_EQ(item->Click(), 0);
}

struct ConnectFailure {
  const char* what;
  std::function<void(AddInHarness&)> arrange;
  std::vector<RecordedBox> boxes;
  std::vector<Text> menu;
};

class ConnectFails : public ::testing::TestWithParam<ConnectFailure> {};

TEST_P(ConnectFails, WithTheDescriptionTitledPlumewrighterAndStaysConnected) {
  const ConnectFailure& c = GetParam();
  SCOPED_TRACE(c.what);
  AddInHarness harness;
  c.arrange(harness);
  harness.connect->OnConnection(harness.vbe, ext_cm_AfterStartup);
  EXPECT_EQ(harness.ui.boxes, c.boxes);
  EXPECT_EQ(harness.connect->VBInstance, harness.vbe);
  EXPECT_EQ(harness.Menu(), c.menu);
  // The window can still be shown from outside.
  harness.connect->Show();
  EXPECT_TRUE(harness.Form().Visible());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConnectFails,
    ::testing::Values(
        ConnectFailure{"no Add-Ins menu",
                       [](AddInHarness& h) { h.vbe->Bars().RemoveBar(u"Add-Ins"); },
                       {Ok(u"Plumewrighter", u"Object required")},
                       {}},
        ConnectFailure{"the button cannot be added",
                       [](AddInHarness& h) { h.vbe->Log().FailOn(HostCall::kControlsAdd, 1, VbError(7)); },
                       {Ok(u"Plumewrighter", u"Object required")},
                       {}},
        ConnectFailure{"the event source cannot be had",
                       [](AddInHarness& h) {
                         h.vbe->Log().FailOn(HostCall::kCommandBarEvents, 1, VbError(vberr::kInvalidCall));
                       },
                       {Ok(u"Plumewrighter", u"Invalid procedure call or argument")},
                       {kMenu}}));

TEST(Connect, EditorWithoutCommandBarsIsReportedOnce) {
  struct PlainVBE : VBE {
    std::shared_ptr<CodePane> ActiveCodePane() override { return nullptr; }
  };
  AddInHarness harness;
  auto plain = std::make_shared<PlainVBE>();
  harness.connect->OnConnection(plain, ext_cm_AfterStartup);
  EXPECT_EQ(harness.ui.boxes,
            (std::vector<RecordedBox>{Ok(u"Plumewrighter", u"Object doesn't support this property or method")}));
  EXPECT_EQ(harness.connect->AddToAddInCommandBar(u"x"), nullptr);
  EXPECT_EQ(harness.ui.boxes.size(), 1u);  // that one is silent
}

TEST(Connect, DisconnectionGoesOnPastFailingSteps) {
  struct FailingStore : UserSettingsStore {
    void SaveSetting(const Text&, const Text&, const Text&, const Text&) override { throw VbError(75); }
    Text GetSetting(const Text&, const Text&, const Text&, const Text&) override { throw VbError(75); }
  } failing;
  AddInHarness harness;
  auto connect = std::make_unique<Connect>(
      AddInServices{harness.ui, harness.desktop, harness.windows, failing, harness.IniPath()});
  connect->OnConnection(harness.vbe, ext_cm_AfterStartup);
  connect->Show();
  harness.MenuItem()->Delete();  // the user removed it: deleting it again fails

  connect->OnDisconnection();
  EXPECT_FALSE(connect->FormDisplayed);
  EXPECT_EQ(connect->Form(), nullptr);
  EXPECT_EQ(connect->VBInstance, nullptr);
  EXPECT_NE(harness.IniBytes().find("Name=DefaultUser"), std::string::npos);
  EXPECT_TRUE(harness.ui.boxes.empty());

  connect->Hide();  // no window: skipped
  connect->OnDisconnection();  // nothing left to release
  EXPECT_TRUE(harness.ui.boxes.empty());
}

}  // namespace
}  // namespace qlx
