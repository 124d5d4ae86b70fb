// An in-memory editor with one module in the active pane, wired to one of the
// operations that work on code, for tests that run a command and compare the
// module afterwards.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/memory/editor.h"
#include "host/ui.h"
#include "support/text.h"

namespace qlx::testing {

// The editor's UI: keeps, for every box, whether drawing was stopped while it
// was shown, and can be told to answer No to every question.
class EditorUi : public RecordingUi {
 public:
  void Watch(const MemoryDesktop& desktop) { desktop_ = &desktop; }

  Answer MsgBox(const Text& prompt, Buttons buttons, const Text& title) override {
    if (desktop_) locked_while_shown.push_back(!desktop_->Unlocked());
    if (answer_no) queued_answers.clear();
    return RecordingUi::MsgBox(prompt, buttons, title);
  }

  std::vector<bool> locked_while_shown;
  // Every question answered No, whatever was queued.
  bool answer_no = false;

 private:
  const MemoryDesktop* desktop_ = nullptr;
};

// A module named `name` (Module1 unless given), holding the lines, in the
// active pane; `op` is the operation under test, built on the editor's UI
// and desktop. Tests that write modules with placeholders derive from it and
// give their own Expand.
template <class Operation, class Ui = EditorUi>
struct Editor {
  explicit Editor(const std::u16string& module_text, const Text& name = u"Module1")
      : Editor(Lines(module_text), name) {}
  Editor(const std::vector<Text>& lines, const Text& name) {
    module = vbe->AddModule(name, lines);
    vbe->Pane(name);
    ui.Watch(desktop);
    op.SetVBInstance(vbe);
  }
  Editor(const Editor&) = delete;
  Editor& operator=(const Editor&) = delete;

  // The lines a module written as a raw string stands for.
  static std::vector<Text> Expand(const std::u16string& module_text) { return Lines(module_text); }

  std::vector<Text> Module() const { return module->AllLines(); }

  std::shared_ptr<MemoryVBE> vbe = std::make_shared<MemoryVBE>();
  MemoryDesktop desktop{vbe.get()};
  Ui ui;
  Operation op{ui, desktop};
  std::shared_ptr<MemoryCodeModule> module;
};

}  // namespace qlx::testing
