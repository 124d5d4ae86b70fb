// The add-in's user interface services on Windows: MessageBoxW with the
// exact title and text, a text input box, the user's regional date and time,
// and Sleep.
#pragma once

#include <functional>

#include "host/com/com_holders.h"
#include "host/ui.h"

namespace qlx::win {

// The window class of the input box, for FindWindowW.
inline constexpr wchar_t kInputBoxClass[] = L"QLX_InputBox";

// The editor's main window, as the drawing lock's first look-up finds it
// (class "wndclass_desked_gsk"); nullptr when there is none.
HWND EditorMainWindow();
// The DPI of the monitor the window is on: GetDpiForWindow where the system
// has it (looked up at run time), else the screen's.
int WindowDpi(HWND window);
// The rectangle, moved onto the work area of the nearest monitor when it
// lies outside every monitor; unchanged otherwise.
RECT OntoScreen(const RECT& rect);

// Every box of the add-in is owned by the tool window while it exists (else
// by the active window), and the editor's main window is disabled for the
// box's lifetime and enabled again on every way out: while a box is open the
// user can neither close the editor nor unload the add-in.
class Win32Ui : public UiService {
 public:
  // Where the boxes' owner comes from (the tool window; nullptr for none).
  void SetOwner(std::function<HWND()> owner) { owner_ = std::move(owner); }

  Answer MsgBox(const Text& prompt, Buttons buttons, const Text& title) override;
  // A modal window with the prompt, an edit box holding default_text, and
  // OK and Cancel (class kInputBoxClass); nullopt when cancelled or closed.
  std::optional<Text> InputBox(const Text& prompt, const Text& title, const Text& default_text) override;
  void Sleep(int milliseconds) override;
  Text ShortDate() override;
  Text LongTime() override;
  LocalDateTime Now() override;

 private:
  HWND Owner() const;

  std::function<HWND()> owner_;
};

}  // namespace qlx::win
