#include "frm_add_in_view.h"

#include <cmath>
#include <utility>

#include "com_barrier.h"
#include "module.h"
#include "win32_ui.h"

namespace qlx::win {
namespace {

constexpr int kFirstControlId = 100;
constexpr UINT_PTR kFollowOwnerTimer = 1;
constexpr UINT kFollowOwnerMs = 200;
// Keys the hook took from the host's loop, handled as posted messages so no
// handler (and no box) ever runs inside the hook: Tab (wparam: backwards),
// and a press of the control at index wparam.
constexpr UINT kMsgTab = WM_APP + 1;
constexpr UINT kMsgPress = WM_APP + 2;
// The window got the focus itself: hand it to a control once the system's
// activation is done (it may set the focus again on its way out).
constexpr UINT kMsgFocusControl = WM_APP + 3;
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
  // Owned by the editor's main window: hidden, minimised and shown with it.
  owner_ = EditorMainWindow();
  HWND window = CreateWindowExW(kExStyle, kToolWindowClass, com::Wide(form.Caption), kStyle, 0, 0, 0, 0, owner_,
                                nullptr, ThisModule(), this);
  if (!window) throw com::ErrorFromHResult(HRESULT_FROM_WIN32(GetLastError()), nullptr);
  window_ = window;
  form_ = &form;
  hidden_with_owner_ = false;
  focus_ = nullptr;
  dpi_ = WindowDpi(window);
  const std::array<FormControl*, 9> controls = form.Controls();
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const FormControl& c = *controls[i];
    DWORD style = WS_CHILD | StyleOf(c.kind);
    // The two option buttons are one group: arrows move between them.
    if (c.kind == ControlKind::kOptionButton && (i == 0 || controls[i - 1]->kind != ControlKind::kOptionButton)) {
      style |= WS_GROUP;
    }
    HWND child = CreateWindowExW(0, ClassOf(c.kind), com::Wide(c.caption), style, 0, 0, 0, 0, window,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + i)), ThisModule(),
                                 nullptr);
    if (!child) {
      const DWORD error = GetLastError();
      DestroyWindowOnly();
      throw com::ErrorFromHResult(HRESULT_FROM_WIN32(error), nullptr);
    }
    controls_[i] = child;
  }
  Layout();
  hook_ = SetWindowsHookExW(WH_GETMESSAGE, KeyboardHook, nullptr, GetCurrentThreadId());
  if (owner_) SetTimer(window, kFollowOwnerTimer, kFollowOwnerMs, nullptr);
  return reinterpret_cast<WindowHandle>(window);
}

void FrmAddInWindow::Layout() {
  if (!window_) return;
  RECT frame{0, 0, ToPixels(frmAddIn::kClientWidth), ToPixels(frmAddIn::kClientHeight)};
  AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
  SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  HFONT font = CreateControlFont(dpi_);
  if (form_) {
    const std::array<FormControl*, 9> controls = form_->Controls();
    for (std::size_t i = 0; i < controls.size(); ++i) {
      const FormControl& c = *controls[i];
      MoveWindow(controls_[i], ToPixels(c.left), ToPixels(c.top), ToPixels(c.width), ToPixels(c.height), TRUE);
      if (font) SendMessageW(controls_[i], WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
  }
  if (HFONT old = std::exchange(font_, font)) DeleteObject(old);
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
  // The focus never stays on a control that was disabled or hidden.
  HWND focus = GetFocus();
  if (focus && IsChild(window_, focus) && (!IsWindowEnabled(focus) || !IsWindowVisible(focus))) {
    if (HWND next = GetNextDlgTabItem(window_, focus, FALSE)) SetFocus(next);
  }
  RECT now{};
  GetWindowRect(window_, &now);
  const int x = ToPixels(form.Left);
  const int y = ToPixels(form.Top);
  if (now.left != x || now.top != y) {
    // A saved position outside every monitor comes back onto the nearest one;
    // the move tells the model where the window went.
    const RECT placed = OntoScreen(RECT{x, y, x + (now.right - now.left), y + (now.bottom - now.top)});
    SetWindowPos(window_, nullptr, placed.left, placed.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  const bool shown = IsWindowVisible(window_) != FALSE;
  const bool wanted = form.Visible() && !hidden_with_owner_;
  if (wanted && !shown) ShowWindow(window_, SW_SHOW);
  if (!wanted && shown) ShowWindow(window_, SW_HIDE);
}

void FrmAddInWindow::FollowOwner() {
  if (!owner_ || !form_ || !IsWindow(owner_)) return;
  const bool owner_shown = IsWindowVisible(owner_) && !IsIconic(owner_);
  if (!owner_shown && !hidden_with_owner_ && IsWindowVisible(window_)) {
    hidden_with_owner_ = true;
    ShowWindow(window_, SW_HIDE);
  } else if (owner_shown && hidden_with_owner_) {
    hidden_with_owner_ = false;
    if (form_->Visible()) ShowWindow(window_, SW_SHOWNA);
  }
}

void FrmAddInWindow::Destroy(frmAddIn& form) {
  if (form_ != &form) return;
  form_ = nullptr;
  DestroyWindowOnly();
}

void FrmAddInWindow::DestroyWindowOnly() {
  if (HHOOK hook = std::exchange(hook_, nullptr)) UnhookWindowsHookEx(hook);
  if (HWND window = std::exchange(window_, nullptr)) {
    KillTimer(window, kFollowOwnerTimer);
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    DestroyWindow(window);  // the controls go with it, and any box it owns
  }
  controls_.fill(nullptr);
  focus_ = nullptr;
  if (HFONT font = std::exchange(font_, nullptr)) DeleteObject(font);
  // A class left registered would outlive the DLL and point at code that is
  // gone once it unloads.
  UnregisterClassW(kToolWindowClass, ThisModule());
}

LRESULT CALLBACK FrmAddInWindow::KeyboardHook(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HC_ACTION && wparam == PM_REMOVE) {
    auto* msg = reinterpret_cast<MSG*>(lparam);
    if (msg && msg->hwnd && msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST) {
      HWND root = GetAncestor(msg->hwnd, GA_ROOT);
      wchar_t name[32] = {};
      if (root && GetClassNameW(root, name, 32) &&
          CompareStringOrdinal(name, -1, kToolWindowClass, -1, FALSE) == CSTR_EQUAL) {
        auto* self = reinterpret_cast<FrmAddInWindow*>(GetWindowLongPtrW(root, GWLP_USERDATA));
        // Every key of the tool window is its own: the host's loop gets
        // nothing to translate into an accelerator.
        if (self && self->window_ == root && self->form_) {
          self->OnKey(*msg);
          msg->message = WM_NULL;
        }
      }
    }
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

bool FrmAddInWindow::OnKey(MSG& msg) {
  HWND focus = GetFocus();
  int index = -1;
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    if (controls_[i] == focus) index = static_cast<int>(i);
  }
  const ControlKind kind = index >= 0 ? form_->Controls()[static_cast<std::size_t>(index)]->kind : ControlKind::kLabel;
  if (msg.message == WM_KEYDOWN) {
    switch (msg.wParam) {
      case VK_TAB:
        PostMessageW(window_, kMsgTab, GetKeyState(VK_SHIFT) < 0 ? 1 : 0, 0);
        return true;
      case VK_SPACE:
      case VK_RETURN:
        if (index >= 0 && kind != ControlKind::kLabel) PostMessageW(window_, kMsgPress, index, 0);
        return true;
      case VK_LEFT:
      case VK_RIGHT:
      case VK_UP:
      case VK_DOWN:
        if (kind == ControlKind::kOptionButton) {
          // The group holds two: either arrow goes to the other one.
          const std::array<FormControl*, 9> controls = form_->Controls();
          for (std::size_t i = 0; i < controls.size(); ++i) {
            if (static_cast<int>(i) != index && controls[i]->kind == ControlKind::kOptionButton) {
              PostMessageW(window_, kMsgPress, i, 0);
            }
          }
        }
        return true;
      default:
        return true;
    }
  }
  if (msg.message == WM_SYSKEYDOWN && msg.wParam == VK_F4) {
    PostMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0);  // as the close box
    return true;
  }
  return false;
}

void FrmAddInWindow::FocusControl() {
  // Where it was when the window was left, or the first control in tab
  // order that takes the focus (the window itself may still be hidden).
  const auto takes_focus = [](HWND control) {
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    return control && IsWindow(control) && (style & WS_VISIBLE) && (style & WS_TABSTOP) && !(style & WS_DISABLED);
  };
  HWND to = takes_focus(focus_) ? focus_ : nullptr;
  for (std::size_t i = 0; !to && i < controls_.size(); ++i) {
    if (takes_focus(controls_[i])) to = controls_[i];
  }
  if (to && GetFocus() != to) SetFocus(to);
}

LRESULT CALLBACK FrmAddInWindow::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  // Nothing escapes into the system's dispatcher; the model reports its own
  // failures, and a handler that ended because the window or the add-in went
  // away inside one of its boxes ends here, answering 0.
  return ComGuarded(LRESULT{0}, [&]() -> LRESULT {
    if (message == WM_NCCREATE) {
      const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<FrmAddInWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && self->form_ && self->window_ == window) return self->OnMessage(window, message, wparam, lparam);
    return DefWindowProcW(window, message, wparam, lparam);
  });
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
    case kMsgTab: {
      HWND from = GetFocus();
      if (!from || !IsChild(window, from)) from = nullptr;
      if (HWND next = GetNextDlgTabItem(window, from, wparam != 0)) SetFocus(next);
      return 0;
    }
    case kMsgPress: {
      if (wparam >= controls_.size()) return 0;
      HWND control = controls_[wparam];
      if (!IsWindowEnabled(control) || !IsWindowVisible(control)) return 0;
      SetFocus(control);
      form_->UserClick(*form_->Controls()[wparam]);
      return 0;
    }
    case WM_ACTIVATE:
      if (LOWORD(wparam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(window, focus)) focus_ = focus;
      } else {
        PostMessageW(window, kMsgFocusControl, 0, 0);
      }
      return 0;
    case WM_SETFOCUS:
      PostMessageW(window, kMsgFocusControl, 0, 0);
      return 0;
    case kMsgFocusControl:
      if (GetActiveWindow() == window) FocusControl();
      return 0;
    case WM_TIMER:
      if (wparam == kFollowOwnerTimer) {
        FollowOwner();
        return 0;
      }
      break;
    case WM_DPICHANGED: {
      // Moved to a monitor of another DPI: the system suggests where.
      dpi_ = HIWORD(wparam);
      if (const auto* suggested = reinterpret_cast<const RECT*>(lparam)) {
        SetWindowPos(window, nullptr, suggested->left, suggested->top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
      Layout();
      return 0;
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
