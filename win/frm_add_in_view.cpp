#include "frm_add_in_view.h"

#include <cmath>
#include <utility>

#include "module.h"

namespace qlx::win {
namespace {

constexpr int kFirstControlId = 100;
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW;

void RegisterToolWindowClass(WNDPROC procedure) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = procedure;
  wc.hInstance = ThisModule();
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kToolWindowClass;
  RegisterClassExW(&wc);  // already registered by an earlier window: harmless
}

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  if (!screen) return 96;
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

// The face of the editor's own forms on a Japanese system, at 9 points,
// asked for with the Japanese character set so that the font mapper picks
// a face with Japanese glyphs where that one is missing.
HFONT CreateControlFont(int dpi) {
  LOGFONTW font{};
  font.lfHeight = -MulDiv(9, dpi, 72);
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = SHIFTJIS_CHARSET;
  font.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  lstrcpynW(font.lfFaceName, L"MS UI Gothic", LF_FACESIZE);
  return CreateFontIndirectW(&font);
}

// The child window of a control kind, and its style.
const wchar_t* ClassOf(ControlKind kind) { return kind == ControlKind::kLabel ? L"STATIC" : L"BUTTON"; }

DWORD StyleOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::kButton:
      return BS_PUSHBUTTON | WS_TABSTOP;
    case ControlKind::kCheckBox:
      return BS_CHECKBOX | WS_TABSTOP;  // the model ticks it, not the button
    case ControlKind::kOptionButton:
      return BS_RADIOBUTTON | WS_TABSTOP;
    case ControlKind::kLabel:
      return SS_LEFT;
  }
  return 0;
}

}  // namespace

FrmAddInWindow::~FrmAddInWindow() {
  form_ = nullptr;
  DestroyWindowOnly();
}

int FrmAddInWindow::ToPixels(double twips) const { return static_cast<int>(std::lround(twips * dpi_ / 1440.0)); }

WindowHandle FrmAddInWindow::Create(frmAddIn& form) {
  DestroyWindowOnly();
  RegisterToolWindowClass(WindowProc);
  dpi_ = ScreenDpi();
  RECT frame{0, 0, ToPixels(frmAddIn::kClientWidth), ToPixels(frmAddIn::kClientHeight)};
  AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
  HWND window = CreateWindowExW(kExStyle, kToolWindowClass, com::Wide(form.Caption), kStyle, 0, 0,
                                frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, ThisModule(),
                                this);
  if (!window) throw com::ErrorFromHResult(HRESULT_FROM_WIN32(GetLastError()), nullptr);
  window_ = window;
  form_ = &form;
  font_ = CreateControlFont(dpi_);
  const std::array<FormControl*, 9> controls = form.Controls();
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const FormControl& c = *controls[i];
    HWND child = CreateWindowExW(0, ClassOf(c.kind), com::Wide(c.caption), WS_CHILD | StyleOf(c.kind),
                                 ToPixels(c.left), ToPixels(c.top), ToPixels(c.width), ToPixels(c.height), window,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + i)), ThisModule(),
                                 nullptr);
    if (!child) {
      const DWORD error = GetLastError();
      DestroyWindowOnly();
      throw com::ErrorFromHResult(HRESULT_FROM_WIN32(error), nullptr);
    }
    if (font_) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    controls_[i] = child;
  }
  return reinterpret_cast<WindowHandle>(window);
}

void FrmAddInWindow::Refresh(frmAddIn& form) {
  if (!window_ || form_ != &form) return;
  SetWindowTextW(window_, com::Wide(form.Caption));
  const std::array<FormControl*, 9> controls = form.Controls();
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const FormControl& c = *controls[i];
    HWND child = controls_[i];
    SetWindowTextW(child, com::Wide(c.caption));
    EnableWindow(child, c.enabled ? TRUE : FALSE);
    if (c.kind == ControlKind::kCheckBox || c.kind == ControlKind::kOptionButton) {
      SendMessageW(child, BM_SETCHECK, c.value ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    ShowWindow(child, c.visible ? SW_SHOWNA : SW_HIDE);
  }
  RECT now{};
  GetWindowRect(window_, &now);
  const int x = ToPixels(form.Left);
  const int y = ToPixels(form.Top);
  if (now.left != x || now.top != y) {
    SetWindowPos(window_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  const bool shown = IsWindowVisible(window_) != FALSE;
  if (form.Visible() && !shown) ShowWindow(window_, SW_SHOW);
  if (!form.Visible() && shown) ShowWindow(window_, SW_HIDE);
}

void FrmAddInWindow::Destroy(frmAddIn& form) {
  if (form_ != &form) return;
  form_ = nullptr;
  DestroyWindowOnly();
}

void FrmAddInWindow::DestroyWindowOnly() {
  if (HWND window = std::exchange(window_, nullptr)) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    DestroyWindow(window);  // the controls go with it
  }
  controls_.fill(nullptr);
  if (HFONT font = std::exchange(font_, nullptr)) DeleteObject(font);
  // A class left registered would outlive the DLL and point at code that is
  // gone once it unloads.
  UnregisterClassW(kToolWindowClass, ThisModule());
}

LRESULT CALLBACK FrmAddInWindow::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  try {
    if (message == WM_NCCREATE) {
      const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<FrmAddInWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && self->form_ && self->window_ == window) return self->OnMessage(window, message, wparam, lparam);
    return DefWindowProcW(window, message, wparam, lparam);
  } catch (...) {
    // Nothing escapes into the system's dispatcher; the model reports its own failures.
    return 0;
  }
}

LRESULT FrmAddInWindow::OnMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND: {
      const int index = LOWORD(wparam) - kFirstControlId;
      if (HIWORD(wparam) == BN_CLICKED && index >= 0 && index < static_cast<int>(controls_.size())) {
        form_->UserClick(*form_->Controls()[static_cast<std::size_t>(index)]);
        return 0;
      }
      break;
    }
    case WM_LBUTTONDBLCLK:
      form_->UserDblClick();
      return 0;
    case WM_CLOSE:
      // The model decides; its unloading destroys this window through Destroy.
      form_->UserClose();
      return 0;
    case WM_MOVE: {
      RECT now{};
      GetWindowRect(window, &now);
      // Only a real move changes the model: its own position, converted back
      // and forth, would drift by rounding.
      if (ToPixels(form_->Left) != now.left) form_->Left = static_cast<float>(now.left * 1440.0 / dpi_);
      if (ToPixels(form_->Top) != now.top) form_->Top = static_cast<float>(now.top * 1440.0 / dpi_);
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace qlx::win
