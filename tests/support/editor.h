// The one way tests build an in-memory editor: a chain that says what the
// test needs (its modules, the selection, the call that fails), the editor
// it builds, and that editor wired to one of the operations on code.
//   Editor<ModInsertErrTrap> e = EditorWith(u"Module1", kModule).Selection(12);
// It needs libqlx alone, no test framework: the Windows fake editor's
// scenarios build their editors with it too, and keep them as Build()'s
// shared editor for the fake COM objects that answer over it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/memory/editor.h"
#include "host/ui.h"
#include "host/vberror.h"
#include "support/text.h"

namespace qlx::testing {

// What a test's editor holds. Modules are added in the order given and the
// first one's pane is the active one (unless NoActivePane); the selection is
// that pane's; failures count the editor's calls from the moment it is built.
class EditorWith {
 public:
  // A module named Module1 holding the module written as a raw string.
  EditorWith(const std::u16string& module_text) : EditorWith(u"Module1", Lines(module_text)) {}  // NOLINT
  EditorWith(const char16_t* module_text) : EditorWith(std::u16string(module_text)) {}              // NOLINT
  EditorWith(Text name, const std::u16string& module_text) : EditorWith(std::move(name), Lines(module_text)) {}
  EditorWith(Text name, std::vector<Text> lines) { modules_.push_back({std::move(name), std::move(lines), nullptr}); }
  // A module made elsewhere (a loaded file); it keeps its own call log, so
  // FailOn does not reach its calls.
  explicit EditorWith(std::shared_ptr<MemoryCodeModule> loaded) {
    modules_.push_back({loaded->UncountedName(), {}, std::move(loaded)});
  }

  // An editor without modules, and so without a pane.
  static EditorWith Empty() { return EditorWith(); }

  // One more module, its pane not active.
  EditorWith& AndModule(Text name, const std::u16string& module_text) {
    modules_.push_back({std::move(name), Lines(module_text), nullptr});
    return *this;
  }
  EditorWith& Project(Text name) {
    project_ = std::move(name);
    return *this;
  }
  // The caret at (row, column), as a click leaves it.
  EditorWith& Selection(Row row, std::int32_t column = 1) {
    selection_ = {row, column, 0, 0};
    return *this;
  }
  EditorWith& Selection(Row start_line, std::int32_t start_column, Row end_line, std::int32_t end_column) {
    selection_ = {start_line, start_column, end_line, end_column};
    return *this;
  }
  // The modules are there, but no code pane is open.
  EditorWith& NoActivePane() {
    active_pane_ = false;
    return *this;
  }
  // Operations read the module through the line cache, as the add-in and
  // qlx do.
  EditorWith& LineCache(bool on = true) {
    line_cache_ = on;
    return *this;
  }
  // The nth call (1-based) of this kind throws error; several may be given.
  EditorWith& FailOn(HostCall call, int nth, VbError error) {
    failures_.push_back({call, nth, std::move(error)});
    return *this;
  }

  std::shared_ptr<MemoryVBE> Build() const {
    auto vbe = std::make_shared<MemoryVBE>(project_);
    for (const ModuleSpec& m : modules_) {
      if (m.loaded) {
        vbe->AddModule(m.loaded);
      } else {
        vbe->AddModule(m.name, m.lines);
      }
    }
    if (active_pane_ && !modules_.empty()) {
      auto pane = vbe->Pane(modules_.front().name);
      if (selection_.end_line != 0) {
        pane->SetSelection(selection_.start_line, selection_.start_column, selection_.end_line, selection_.end_column);
      } else if (selection_.start_line != 0) {
        pane->SetCaret(selection_.start_line, selection_.start_column);
      }
    }
    vbe->UseLineCache(line_cache_);
    for (const Failure& f : failures_) vbe->Log().FailOn(f.call, f.nth, f.error);
    return vbe;
  }
 private:
  EditorWith() = default;

  struct ModuleSpec {
    Text name;
    std::vector<Text> lines;
    std::shared_ptr<MemoryCodeModule> loaded;
  };
  struct Failure {
    HostCall call;
    int nth;
    VbError error;
  };
  std::vector<ModuleSpec> modules_;
  Text project_ = u"VBAProject";
  bool active_pane_ = true;
  struct {
    Row start_line = 0;  // 0: as a new pane has it
    std::int32_t start_column = 0;
    Row end_line = 0;  // 0: a caret
    std::int32_t end_column = 0;
  } selection_;
  bool line_cache_ = false;
  std::vector<Failure> failures_;
};

// A built editor: the VBE, the desktop over it and its first module (null
// when it has none).
struct MemoryEditor {
  MemoryEditor(const EditorWith& with)  // NOLINT: built from the chain, as in `MemoryEditor e = EditorWith(...)`
      : vbe(with.Build()), module(vbe->Panes().empty() ? nullptr : vbe->Panes().front()->Module()) {}
  MemoryEditor(const MemoryEditor&) = delete;
  MemoryEditor& operator=(const MemoryEditor&) = delete;

  std::vector<Text> Module() const { return module->AllLines(); }

  std::shared_ptr<MemoryVBE> vbe;
  MemoryDesktop desktop{vbe.get()};
  std::shared_ptr<MemoryCodeModule> module;
};

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

template <class E>
class CleanUpCheck;

// The built editor with `op`, the operation under test, on its UI and
// desktop. Tests that write modules with placeholders derive from it and
// give their own Expand.
template <class Operation, class Ui = EditorUi>
struct Editor : MemoryEditor {
  Editor(const EditorWith& with) : MemoryEditor(with) {  // NOLINT: as MemoryEditor
    ui.Watch(desktop);
    op.SetVBInstance(vbe);
  }

  // What ExpectModule checks on every way out.
  using CleanUp = CleanUpCheck<Editor>;
  // The lines a module written as a raw string stands for.
  static std::vector<Text> Expand(const std::u16string& module_text) { return Lines(module_text); }

  Ui ui;
  Operation op{ui, desktop};
};

}  // namespace qlx::testing
