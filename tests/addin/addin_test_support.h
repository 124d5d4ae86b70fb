// The add-in connected to an in-memory editor, with every service it uses
// recording what it was asked: boxes, input boxes, window calls, settings
// file accesses.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "addin/connect.h"
#include "header/header_test_support.h"
#include "host/memory/editor.h"
#include "host/ui.h"
#include "settings/user_settings.h"
#include "support/editor.h"
#include "support/files.h"
#include "support/print.h"
#include "support/text.h"

namespace qlx {
namespace testing {

// Rows: 1-2 declarations, Foo 3-6 (declared at 4), Bar 7-10 (declared at 8).
inline const std::u16string kModule1 = uR"(
Option Explicit
Private m As Long

Public Sub Foo()
    m = 1
End Sub

Public Function Bar(ByVal a As Long) As Long
    Bar = a
End Function
)";

inline const Text kFoo = u"Public Sub Foo()";
inline const Text kBar = u"Public Function Bar(ByVal a As Long) As Long";

inline const std::u16string kModule2 = uR"(
Sub Other()
End Sub
)";

inline RecordedBox Ok(Text title, Text text) { return {std::move(title), std::move(text), Buttons::kOk, Answer::kOk}; }

// Also keeps the title and default text of every input box, and can run
// something while the next box is open, as the platform's message loop
// inside a box lets the editor do.
class AddInUi : public EditorUi {
 public:
  Answer MsgBox(const Text& prompt, Buttons buttons, const Text& title) override {
    RunWhileOpen();
    return EditorUi::MsgBox(prompt, buttons, title);
  }
  std::optional<Text> InputBox(const Text& prompt, const Text& title, const Text& default_text) override {
    input_titles.push_back(title);
    input_defaults.push_back(default_text);
    RunWhileOpen();
    return RecordingUi::InputBox(prompt, title, default_text);
  }
  std::vector<Text> input_titles;
  std::vector<Text> input_defaults;
  // Runs once, inside the next box.
  std::function<void()> while_next_box_open;

 private:
  void RunWhileOpen() {
    if (std::function<void()> run = std::exchange(while_next_box_open, nullptr)) run();
  }
};

// The settings file as the platform stores it, with every access logged as
// "get Section/Key", "int Section/Key" or "put Section/Key=value".
class LoggingProfileStore : public ProfileStore {
 public:
  explicit LoggingProfileStore(std::vector<std::string>& log) : log_(log) {}
  std::int32_t GetInt(const Text& section, const Text& key, std::int32_t default_value, const Text& path) override {
    log_.push_back("int " + U8(section) + "/" + U8(key));
    return inner_.GetInt(section, key, default_value, path);
  }
  Text GetString(const Text& section, const Text& key, const Text& default_value, std::size_t buffer_size,
                 const Text& path) override {
    log_.push_back("get " + U8(section) + "/" + U8(key));
    return inner_.GetString(section, key, default_value, buffer_size, path);
  }
  bool Write(const Text& section, const Text& key, const Text& value, const Text& path) override {
    log_.push_back("put " + U8(section) + "/" + U8(key) + "=" + U8(value));
    return inner_.Write(section, key, value, path);
  }

 private:
  std::vector<std::string>& log_;
  PortableProfileStore inner_;
};

// The editor most add-in tests run on: Module1, active, and Module2.
inline EditorWith TwoModules() { return EditorWith(u"Module1", kModule1).AndModule(u"Module2", kModule2); }

// The add-in on a built editor. Built from a module text alone (Module1),
// as ExpectModule builds it, the text may use the header tests' placeholders
// ({SEP}, ...); the check on every way out is that drawing was restarted.
class AddInHarness : public MemoryEditor {
 public:
  explicit AddInHarness(const EditorWith& editor = TwoModules()) : MemoryEditor(editor) {
    ui.Watch(desktop);
    Reconnectable();
  }
  explicit AddInHarness(const std::u16string& module_text)
      : AddInHarness(EditorWith(u"Module1", Expand(module_text))) {}

  class CleanUp {
   public:
    explicit CleanUp(const AddInHarness& harness) : harness_(harness) {}
    void Verify() const { EXPECT_TRUE(harness_.desktop.Unlocked()); }

   private:
    const AddInHarness& harness_;
  };
  static std::vector<Text> Expand(const std::u16string& module_text) { return header_test::ModuleLines(module_text); }

  // A new Connect object on the same editor and settings, as when the editor
  // loads the add-in again.
  void Reconnectable() {
    connect = std::make_unique<Connect>(
        AddInServices{ui, desktop, windows, user_settings, IniPath(), std::make_unique<LoggingProfileStore>(ini_log)});
  }

  // Loads the add-in and clicks its menu item.
  frmAddIn& Open() {
    connect->OnConnection(vbe, ext_cm_AfterStartup);
    ClickMenu();
    return Form();
  }
  // The tool window, opened as Open does the first time it is asked for.
  frmAddIn& Shown() { return connect->Form() != nullptr ? *connect->Form() : Open(); }
  frmAddIn& Form() {
    EXPECT_NE(connect->Form(), nullptr);
    return *connect->Form();
  }
  // True when the item was there to click.
  bool ClickMenu() {
    auto item = MenuItem();
    return item && item->Click() > 0;
  }
  std::shared_ptr<MemoryCommandBarControl> MenuItem() {
    auto bar = vbe->Bars().Bar(u"Add-Ins");
    return bar ? bar->Find(kMenuCaption) : nullptr;
  }
  // The captions on the "Add-Ins" menu; none when there is no such menu.
  std::vector<Text> Menu() {
    auto bar = vbe->Bars().Bar(u"Add-Ins");
    return bar ? bar->Captions() : std::vector<Text>{};
  }

  // The cursor of the active pane.
  void ClickRow(Row row) { vbe->ActivePane()->SetCaret(row); }
  void OpenModule(const Text& name) { ASSERT_TRUE(vbe->Pane(name)); }
  std::vector<Text> ModuleLines(const Text& name = u"Module1") { return vbe->Module(name)->AllLines(); }

  Text IniPath() const { return (dir / "QLX.ini").u16string(); }
  std::string IniBytes() const { return ReadFile(dir / "QLX.ini"); }
  void StoreIni(const std::string& bytes) const { WriteFile(dir / "QLX.ini", bytes); }
  Text DisplayOnConnect() { return GetDisplayOnConnect(user_settings); }

  TempDir dir;
  AddInUi ui;
  RecordingWindowService windows;
  FileUserSettingsStore user_settings{dir / "user"};
  std::vector<std::string> ini_log;
  std::unique_ptr<Connect> connect;
};

// The row of the first line equal to text; 0 when there is none.
inline Row RowOf(const std::vector<Text>& lines, const Text& text) {
  auto at = std::find(lines.begin(), lines.end(), text);
  return at == lines.end() ? 0 : static_cast<Row>(at - lines.begin()) + 1;
}

// Whether a procedure header (a comment block opened by "'>>>>>") stands
// directly above the line equal to declaration.
inline bool HeaderAbove(const std::vector<Text>& lines, const Text& declaration) {
  Row row = RowOf(lines, declaration);
  for (Row r = row - 1; r >= 1; --r) {
    const Text& line = lines[static_cast<std::size_t>(r - 1)];
    if (line.rfind(u"'>>>>>", 0) == 0) return true;
    if (line.empty() || line.front() != u'\'') return false;
  }
  return false;
}

inline bool Holds(const std::vector<Text>& lines, const Text& text) { return RowOf(lines, text) != 0; }

}  // namespace testing
}  // namespace qlx
