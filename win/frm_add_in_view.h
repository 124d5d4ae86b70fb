// The tool window on Win32: a topmost window that draws the window model
// (frmAddIn) and hands the user's clicks, double-clicks, moves and close
// requests back to it. Positions and sizes come from the model in twips and
// are converted with the screen's DPI (pixels = twips * dpi / 1440).
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
  LRESULT OnMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  int ToPixels(double twips) const;
  void DestroyWindowOnly();

  frmAddIn* form_ = nullptr;
  HWND window_ = nullptr;
  HFONT font_ = nullptr;
  int dpi_ = 96;
  std::array<HWND, 9> controls_{};  // in the model's tab order
};

}  // namespace qlx::win
