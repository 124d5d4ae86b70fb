// An in-memory editor with one module in the active pane, wired to one of the
// operations that work on code, for tests that run a command and compare the
// module afterwards.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/memory.h"
#include "host/ui.h"
#include "test_support.h"

namespace qlx::testing {

// Keeps, for every box, whether drawing was stopped while it was shown.
class WatchingUi : public RecordingUi {
 public:
  explicit WatchingUi(const MemoryDesktop& desktop) : desktop_(desktop) {}
  Answer MsgBox(const Text& prompt, Buttons buttons, const Text& title) override {
    locked_while_shown.push_back(!desktop_.Unlocked());
    return RecordingUi::MsgBox(prompt, buttons, title);
  }

  std::vector<bool> locked_while_shown;

 private:
  const MemoryDesktop& desktop_;
};

// Module1, holding module_text, in the active pane; `op` is the operation
// under test, built on the editor's UI and desktop.
template <typename Operation>
struct EditorWith {
  explicit EditorWith(const std::u16string& module_text) {
    vbe->AddModule(u"Module1", Lines(module_text));
    vbe->Pane(u"Module1");
    op.SetVBInstance(vbe);
  }

  std::vector<Text> Module() { return vbe->Module(u"Module1")->AllLines(); }

  std::shared_ptr<MemoryVBE> vbe = std::make_shared<MemoryVBE>();
  MemoryDesktop desktop{vbe.get()};
  WatchingUi ui{desktop};
  Operation op{ui, desktop};
};

// Numbered rows with "|" where each line ends, so a failure shows where lines
// landed and their trailing spaces.
inline std::string Numbered(const std::vector<Text>& lines) {
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    out += std::to_string(i + 1) + "|" + U8(lines[i]) + "|\n";
  }
  return out;
}

}  // namespace qlx::testing
