// The add-in or its window going away while a handler waits in one of its
// boxes: the handler ends at the box, its remaining steps skipped, nothing
// more is shown, and the objects it runs on live until it has returned.
#include <gtest/gtest.h>

#include "addin/addin_test_support.h"
#include "addin/handler_ui.h"

namespace qlx {
namespace {

using testing::AddInHarness;
using testing::kBar;
using testing::kFoo;
using testing::HeaderAbove;
using testing::RowOf;

const Text kAskUpdate = u"ヘッダが存在します。更新しますか?";

// What goes away inside the box.
enum class Going { kAddIn, kWindow };

struct BoxCase {
  const char* what;
  // Brings the window to the point where the next user event shows a box.
  std::function<void(AddInHarness&, frmAddIn&)> prepare;
  // The user's event that shows the box.
  std::function<bool(frmAddIn&)> event;
  // The box that was open when it went.
  RecordedBox box;
};

class GoneInsideABox : public ::testing::TestWithParam<std::tuple<BoxCase, Going>> {};

TEST_P(GoneInsideABox, EndsTheHandlerThereAndShowsNothingMore) {
  const auto& [c, going] = GetParam();
  SCOPED_TRACE(std::string(c.what) + (going == Going::kAddIn ? ", add-in disconnected" : ", window closed"));
  AddInHarness harness;
  frmAddIn& form = harness.Open();
  c.prepare(harness, form);
  harness.ui.boxes.clear();
  harness.ini_log.clear();
  const std::vector<Text> before = harness.ModuleLines();
  const Text author = harness.connect->Header().AuthorName;
  int holds = 0;
  int releases = 0;
  harness.connect->Handlers().SetHooks([&] { ++holds; }, [&] { ++releases; });

  bool busy_inside = false;
  harness.ui.while_next_box_open = [&] {
    busy_inside = harness.connect->Handlers().Busy();
    if (going == Going::kAddIn) {
      harness.connect->OnDisconnection(1);
      // The window object the handler runs on is kept until it returns.
      EXPECT_EQ(harness.connect->Form(), nullptr);
    } else {
      EXPECT_TRUE(form.UserClose());
    }
  };
  EXPECT_THROW(c.event(form), HandlerAborted);

  EXPECT_TRUE(busy_inside);
  EXPECT_EQ(harness.ui.boxes, std::vector<RecordedBox>{c.box});  // no failure report after it
  EXPECT_EQ(harness.ModuleLines(), before);                       // nothing after the box was done
  EXPECT_EQ(harness.connect->Header().AuthorName, author.empty() ? Text(u"DefaultUser") : author);
  EXPECT_FALSE(form.Loaded());
  EXPECT_EQ(harness.ini_log, (std::vector<std::string>{"put Author/Name=DefaultUser", "put WindowPos/Top=0",
                                                       "put WindowPos/Left=0"}));
  EXPECT_EQ(holds, 1);
  EXPECT_EQ(releases, 1);
  EXPECT_FALSE(harness.connect->Handlers().Busy());
  EXPECT_FALSE(harness.connect->Handlers().Abandoned());

  if (going == Going::kAddIn) {
    // Every reference to the editor is given back once the handler has returned.
    EXPECT_EQ(harness.vbe.use_count(), 1);
    harness.connect->OnConnection(harness.vbe, ext_cm_AfterStartup);
    harness.connect->OnDisconnection(1);
    EXPECT_EQ(harness.vbe.use_count(), 1);
    EXPECT_TRUE(harness.Menu().empty());
  } else {
    // Shown again, the window works and shows its boxes as before.
    ASSERT_TRUE(harness.ClickMenu());
    harness.OpenModule(u"Module1");
    harness.ClickRow(RowOf(harness.ModuleLines(), kFoo) + 1);
    EXPECT_TRUE(form.UserClick(form.cmdGet));
    harness.OpenModule(u"Module2");
    EXPECT_TRUE(form.UserClick(form.cmdWrite));
    EXPECT_EQ(harness.ui.boxes.size(), 2u);
  }
}

const BoxCase kBoxCases[] = {
    {"the header update question",
     [](AddInHarness& h, frmAddIn& form) {
       h.ClickRow(RowOf(h.ModuleLines(), kFoo) + 1);
       form.UserClick(form.cmdGet);
       form.UserClick(form.cmdWrite);  // a new header, no question
       h.ClickRow(RowOf(h.ModuleLines(), kFoo) + 1);
       form.UserClick(form.cmdGet);
     },
     [](frmAddIn& form) { return form.UserClick(form.cmdWrite); },
     {u"QLX", kAskUpdate, Buttons::kYesNo, Answer::kNo}},
    {"the error handler question",
     [](AddInHarness& h, frmAddIn& form) {
       const Row bar = RowOf(h.ModuleLines(), kBar);
       h.vbe->Module(u"Module1")->InsertLines(bar + 1, u"    On Error Resume Next");
       form.UserClick(form.optError);
       h.ClickRow(bar + 1);
       form.UserClick(form.cmdGet);
     },
     [](frmAddIn& form) { return form.UserClick(form.cmdWrite); },
     {u"QLX", u"On Error ステートメントが既に存在します。\r\n新しい汎用エラーハンドラを挿入しますか？",
      Buttons::kYesNo, Answer::kNo}},
    {"the module-changed message",
     [](AddInHarness& h, frmAddIn& form) {
       h.ClickRow(RowOf(h.ModuleLines(), kFoo) + 1);
       form.UserClick(form.cmdGet);
       h.OpenModule(u"Module2");
     },
     [](frmAddIn& form) { return form.UserClick(form.cmdWrite); },
     {u"QLX", u"ターゲットモジュールが変更されました。\r\nQLXは取得したプロシージャ情報を破棄します。", Buttons::kOk,
      Answer::kOk}},
};

INSTANTIATE_TEST_SUITE_P(Boxes, GoneInsideABox,
                         ::testing::Combine(::testing::ValuesIn(kBoxCases),
                                            ::testing::Values(Going::kAddIn, Going::kWindow)));

class GoneInsideTheInputBox : public ::testing::TestWithParam<Going> {};

TEST_P(GoneInsideTheInputBox, KeepsTheOldAuthorName) {
  AddInHarness harness;
  frmAddIn& form = harness.Open();
  harness.ini_log.clear();
  harness.ui.queued_inputs = {Text(u"Yamada")};
  harness.ui.while_next_box_open = [&] {
    if (GetParam() == Going::kAddIn) {
      harness.connect->OnDisconnection(1);
    } else {
      form.UserClose();
    }
  };
  EXPECT_THROW(form.UserDblClick(), HandlerAborted);
  // The typed name came back after the window had gone: it is not taken.
  EXPECT_EQ(harness.connect->Header().AuthorName, u"DefaultUser");
  EXPECT_EQ(harness.ini_log.front(), "put Author/Name=DefaultUser");
  EXPECT_TRUE(harness.ui.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(Going, GoneInsideTheInputBox, ::testing::Values(Going::kAddIn, Going::kWindow));

TEST(Reentry, DisconnectingOutsideAnyHandlerReleasesTheWindowAtOnce) {
  AddInHarness harness;
  harness.Open();
  int releases = 0;
  harness.connect->Handlers().SetHooks([] {}, [&] { ++releases; });
  harness.connect->OnDisconnection(1);
  EXPECT_FALSE(harness.connect->Handlers().Abandoned());
  EXPECT_EQ(releases, 0);
  EXPECT_EQ(harness.vbe.use_count(), 1);
  // Connected again, the boxes show as before.
  harness.connect->OnConnection(harness.vbe, ext_cm_AfterStartup);
  ASSERT_TRUE(harness.ClickMenu());
  harness.ClickRow(3);
  EXPECT_TRUE(harness.Form().UserClick(harness.Form().cmdGet));
  harness.OpenModule(u"Module2");
  EXPECT_TRUE(harness.Form().UserClick(harness.Form().cmdWrite));
  EXPECT_EQ(harness.ui.boxes.size(), 1u);
}

}  // namespace
}  // namespace qlx
