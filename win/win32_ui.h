// The add-in's user interface services on Windows: MessageBoxW with the
// exact title and text, the user's regional date and time, and Sleep.
#pragma once

#include "host/ui.h"

namespace qlx::win {

class Win32Ui : public UiService {
 public:
  Answer MsgBox(const Text& prompt, Buttons buttons, const Text& title) override;
  // Not shown yet: the tool window's author entry brings its own dialog.
  std::optional<Text> InputBox(const Text& prompt, const Text& title, const Text& default_text) override;
  void Sleep(int milliseconds) override;
  Text ShortDate() override;
  Text LongTime() override;
};

}  // namespace qlx::win
