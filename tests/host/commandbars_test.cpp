// The in-memory editor's command bars and click events: what the add-in's
// menu item relies on, and the failures it must survive.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/commandbars.h"
#include "host/memory/editor.h"
#include "host/vberror.h"
#include "support/editor.h"

namespace qlx {
namespace {

int ErrorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const VbError& e) {
    return e.Number();
  }
  return 0;
}

TEST(CommandBars, AddInsBarTakesButtonsAtTheEndAndDeletesThem) {
  MemoryVBE vbe;
  std::shared_ptr<CommandBar> bar = vbe.CommandBars()->Item(u"add-ins");
  ASSERT_TRUE(bar);
  EXPECT_EQ(bar->Name(), u"Add-Ins");
  std::shared_ptr<CommandBarControls> controls = bar->Controls();

  std::shared_ptr<CommandBarControl> first = controls->Add();
  first->SetCaption(u"one");
  std::shared_ptr<CommandBarControl> second = controls->Add(kControlButton);
  second->SetCaption(u"two");
  EXPECT_EQ(controls->Count(), 2);
  EXPECT_EQ(controls->Item(2), second);
  EXPECT_EQ(vbe.Bars().Bar(u"Add-Ins")->Captions(), (std::vector<Text>{u"one", u"two"}));

  first->Delete();
  EXPECT_EQ(vbe.Bars().Bar(u"Add-Ins")->Captions(), (std::vector<Text>{u"two"}));
  EXPECT_EQ(ErrorOf([&] { first->Delete(); }), vberr::kInvalidCall);
  EXPECT_EQ(ErrorOf([&] { first->Caption(); }), vberr::kInvalidCall);
  EXPECT_EQ(ErrorOf([&] { controls->Item(2); }), vberr::kInvalidCall);
  EXPECT_EQ(ErrorOf([&] { controls->Item(0); }), vberr::kInvalidCall);
  EXPECT_EQ(ErrorOf([&] { controls->Add(99); }), vberr::kInvalidCall);
}

TEST(CommandBars, MissingBarAndEditorWithoutBarsRaiseErrors) {
  MemoryVBE vbe;
  vbe.Bars().RemoveBar(u"Add-Ins");
  EXPECT_EQ(ErrorOf([&] { vbe.CommandBars()->Item(u"Add-Ins"); }), vberr::kInvalidCall);

  // An editor implementation that has no command bars keeps compiling and
  // answers as an object without the member.
  struct PlainVBE : VBE {
    std::shared_ptr<CodePane> ActiveCodePane() override { return nullptr; }
  } plain;
  EXPECT_EQ(ErrorOf([&] { plain.CommandBars(); }), 438);
  EXPECT_EQ(ErrorOf([&] { plain.Events(); }), 438);
}

TEST(CommandBarEvents, ClicksReachEveryKeptSourceUntilReleasedOrDeleted) {
  MemoryVBE vbe;
  auto item = vbe.CommandBars()->Item(u"Add-Ins")->Controls()->Add();
  auto memory_item = vbe.Bars().Bar(u"Add-Ins")->AllControls().front();

  std::vector<std::string> heard;
  auto first = vbe.Events()->CommandBarEvents(item);
  first->SetClickHandler([&](const std::shared_ptr<CommandBarControl>& control, bool& handled, bool&) {
    EXPECT_EQ(control, item);
    heard.push_back(handled ? "first, handled" : "first");
    handled = true;
  });
  auto second = vbe.Events()->CommandBarEvents(item);
  second->SetClickHandler([&](const std::shared_ptr<CommandBarControl>&, bool& handled, bool&) {
    heard.push_back(handled ? "second, handled" : "second");
  });

  EXPECT_EQ(memory_item->Click(), 2);
  EXPECT_EQ(heard, (std::vector<std::string>{"first", "second, handled"}));

  heard.clear();
  second.reset();                   // released: no more events
  first->SetClickHandler(nullptr);  // disconnected but kept
  EXPECT_EQ(memory_item->Click(), 0);
  EXPECT_TRUE(heard.empty());

  first->SetClickHandler([&](const std::shared_ptr<CommandBarControl>&, bool&, bool&) { heard.push_back("again"); });
  item->Delete();
  EXPECT_EQ(memory_item->Click(), 0);
  EXPECT_TRUE(heard.empty());
}

TEST(CommandBarEvents, NoControlIsRefusedAndFailuresCanBeInjected) {
  const std::shared_ptr<MemoryVBE> vbe =
      testing::EditorWith::Empty().FailOn(HostCall::kControlsAdd, 1, VbError(vberr::kOutOfMemory)).Build();
  EXPECT_EQ(ErrorOf([&] { vbe->Events()->CommandBarEvents(nullptr); }), vberr::kObjectRequired);

  auto controls = vbe->CommandBars()->Item(u"Add-Ins")->Controls();
  EXPECT_EQ(ErrorOf([&] { controls->Add(); }), vberr::kOutOfMemory);
  EXPECT_EQ(controls->Count(), 0);
  EXPECT_EQ(ErrorOf([&] { controls->Add(); }), 0);
  EXPECT_EQ(vbe->Log().Calls(HostCall::kControlsAdd), 2);
}

}  // namespace
}  // namespace qlx
