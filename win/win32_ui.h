// The add-in's user interface services on Windows: MessageBoxW with the
// exact title and text, a text input box, the user's regional date and time,
// and Sleep.
#pragma once

#include "host/ui.h"

namespace qlx::win {

// The window class of the input box, for FindWindowW.
inline constexpr wchar_t kInputBoxClass[] = L"QLX_InputBox";

class Win32Ui : public UiService {
 public:
  Answer MsgBox(const Text& prompt, Buttons buttons, const Text& title) override;
  // A modal window with the prompt, an edit box holding default_text, and
  // OK and Cancel (class kInputBoxClass); nullopt when cancelled or closed.
  std::optional<Text> InputBox(const Text& prompt, const Text& title, const Text& default_text) override;
  void Sleep(int milliseconds) override;
  Text ShortDate() override;
  Text LongTime() override;
};

}  // namespace qlx::win
