// The tool window on Win32: a topmost window owned by the editor's main
// window that draws the window model (frmAddIn) and hands the user's clicks,
// keys, double-clicks, moves and close requests back to it. Positions and
// sizes come from the model in twips and are converted with the DPI of the
// monitor the window is on (pixels = twips * dpi / 1440).
#pragma once

#include <array>

#include "addin/frm_add_in.h"
#include "host/com/com_holders.h"

namespace qlx::win {

// The window class of the tool window, for FindWindowW.
inline constexpr wchar_t kToolWindowClass[] = L"QLX_frmAddIn";

class FrmAddInWindow : public FrmAddInView {
 public:
  FrmAddInWindow() = default;
  // Destroys a window the model never unloaded, without calling the model.
  ~FrmAddInWindow() override;
  FrmAddInWindow(const FrmAddInWindow&) = delete;
  FrmAddInWindow& operator=(const FrmAddInWindow&) = delete;

  WindowHandle Create(frmAddIn& form) override;
  void Refresh(frmAddIn& form) override;
  void Destroy(frmAddIn& form) override;

  HWND Handle() const { return window_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  // Hands the tool window's keys to IsDialogMessageW before the host's own
  // loop sees them, so the host's accelerators do not fire there.
  static LRESULT CALLBACK KeyboardHook(int code, WPARAM wparam, LPARAM lparam);
  LRESULT OnMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  // True when the key was the window's own (it is then used up).
  bool OnKey(MSG& msg);
  int ToPixels(double twips) const;
  // Client size and control rectangles for the current DPI, and the font.
  void Layout();
  // Hides the window while the editor's main window is hidden or
  // minimised, and shows it again with it.
  void FollowOwner();
  // Gives the focus to a control: the one that had it, or the first.
  void FocusControl();
  void DestroyWindowOnly();

  frmAddIn* form_ = nullptr;
  HWND window_ = nullptr;
  HWND owner_ = nullptr;
  HFONT font_ = nullptr;
  HHOOK hook_ = nullptr;
  HWND focus_ = nullptr;  // the control that had the focus when the window was left
  bool hidden_with_owner_ = false;
  int dpi_ = 96;
  std::array<HWND, 9> controls_{};  // in the model's tab order
};

}  // namespace qlx::win
