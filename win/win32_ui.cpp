#include "win32_ui.h"

#include <algorithm>
#include <cstdlib>

#include "com_barrier.h"
#include "host/clock.h"
#include "host/com/com_holders.h"
#include "module.h"

namespace qlx::win {

HWND EditorMainWindow() { return FindWindowW(L"wndclass_desked_gsk", nullptr); }

int WindowDpi(HWND window) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto get_dpi_for_window = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (get_dpi_for_window && window) {
    const UINT dpi = get_dpi_for_window(window);
    if (dpi > 0) return static_cast<int>(dpi);
  }
  HDC screen = GetDC(nullptr);
  if (!screen) return USER_DEFAULT_SCREEN_DPI;
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : USER_DEFAULT_SCREEN_DPI;
}

RECT OntoScreen(const RECT& rect) {
  if (MonitorFromRect(&rect, MONITOR_DEFAULTTONULL)) return rect;
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoW(MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST), &info)) return rect;
  const RECT& work = info.rcWork;
  const LONG width = rect.right - rect.left;
  const LONG height = rect.bottom - rect.top;
  LONG left = std::min(std::max(rect.left, work.left), work.right - width);
  LONG top = std::min(std::max(rect.top, work.top), work.bottom - height);
  left = std::max(left, work.left);  // wider than the work area: its left edge shows
  top = std::max(top, work.top);
  return RECT{left, top, left + width, top + height};
}

namespace {

// Disables a window for the holder's lifetime and enables it again on every
// way out, unless it was disabled already (an outer box keeps it).
class DisabledWindow {
 public:
  explicit DisabledWindow(HWND window) : window_(window && IsWindowEnabled(window) ? window : nullptr) {
    if (window_) EnableWindow(window_, FALSE);
  }
  DisabledWindow(const DisabledWindow&) = delete;
  DisabledWindow& operator=(const DisabledWindow&) = delete;
  ~DisabledWindow() {
    if (window_ && IsWindow(window_)) EnableWindow(window_, TRUE);
  }

 private:
  HWND window_;
};

}  // namespace

HWND Win32Ui::Owner() const {
  HWND owner = owner_ ? owner_() : nullptr;
  return owner && IsWindow(owner) ? owner : GetActiveWindow();
}

Answer Win32Ui::MsgBox(const Text& prompt, Buttons buttons, const Text& title) {
  const UINT type = buttons == Buttons::kYesNo ? MB_YESNO : MB_OK;
  HWND owner = Owner();
  HWND editor = EditorMainWindow();
  // The box disables its owner itself; the editor's main window is ours to disable.
  const DisabledWindow disabled(editor != owner ? editor : nullptr);
  const int pressed =
      MessageBoxW(owner, com::Wide(prompt), com::Wide(DisplayedTitle(title)), type | MB_SETFOREGROUND);
  if (pressed == 0) {
    // A box whose owner went away while it was open ends without an answer.
    if (owner && !IsWindow(owner)) return buttons == Buttons::kOk ? Answer::kOk : Answer::kNo;
    throw com::ErrorFromHResult(HRESULT_FROM_WIN32(GetLastError()), nullptr);
  }
  if (buttons == Buttons::kOk) return Answer::kOk;
  return pressed == IDYES ? Answer::kYes : Answer::kNo;
}

namespace {

constexpr int kEditId = 1000;

// The state of one input box, reached from its window procedure.
struct InputBoxState {
  HWND edit = nullptr;
  bool done = false;
  bool destroyed = false;  // with its owner, while it was open
  std::optional<Text> answer;
};

Text WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
  const int copied = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return com::FromWide(text.c_str());
}

LRESULT CALLBACK InputBoxProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return ComGuarded(LRESULT{0}, [&]() -> LRESULT {
    if (message == WM_NCCREATE) {
      const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* state = reinterpret_cast<InputBoxState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (state) {
      if (message == WM_COMMAND && HIWORD(wparam) == BN_CLICKED && (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL)) {
        if (LOWORD(wparam) == IDOK) state->answer = WindowText(state->edit);
        state->done = true;
        return 0;
      }
      if (message == WM_CLOSE) {
        state->done = true;
        return 0;
      }
      if (message == WM_DESTROY) {
        state->done = true;
        state->destroyed = true;
      }
    }
    return DefWindowProcW(window, message, wparam, lparam);
  });
}

// A window destroyed when the holder goes, unless it went before.
class OwnedWindow {
 public:
  OwnedWindow(HWND window, const bool& destroyed) : window_(window), destroyed_(destroyed) {}
  OwnedWindow(const OwnedWindow&) = delete;
  OwnedWindow& operator=(const OwnedWindow&) = delete;
  ~OwnedWindow() {
    if (window_ && !destroyed_) DestroyWindow(window_);
  }
  HWND get() const { return window_; }

 private:
  HWND window_;
  const bool& destroyed_;
};

// Unregisters the window class when the box goes: a class left registered
// would outlive the DLL and point at code that is gone once it unloads.
class RegisteredClass {
 public:
  explicit RegisteredClass(const WNDCLASSEXW& wc) : name_(wc.lpszClassName), instance_(wc.hInstance) { RegisterClassExW(&wc); }
  RegisteredClass(const RegisteredClass&) = delete;
  RegisteredClass& operator=(const RegisteredClass&) = delete;
  ~RegisteredClass() { UnregisterClassW(name_, instance_); }

 private:
  const wchar_t* name_;
  HINSTANCE instance_;
};

}  // namespace

std::optional<Text> Win32Ui::InputBox(const Text& prompt, const Text& title, const Text& default_text) {
  HINSTANCE instance = ThisModule();
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = InputBoxProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kInputBoxClass;
  const RegisteredClass registered(wc);

  HWND owner = Owner();
  const int dpi = WindowDpi(owner);
  const auto px = [dpi](int at96) { return MulDiv(at96, dpi, USER_DEFAULT_SCREEN_DPI); };
  InputBoxState state;
  constexpr DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  constexpr DWORD ex_style = WS_EX_DLGMODALFRAME | WS_EX_TOPMOST;
  RECT frame{0, 0, px(360), px(130)};
  AdjustWindowRectEx(&frame, style, FALSE, ex_style);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  // Centred on its owner (on the screen without one), and on a monitor.
  RECT around{};
  if (!owner || !GetWindowRect(owner, &around)) {
    around = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  }
  const LONG left = around.left + (around.right - around.left - width) / 2;
  const LONG top = around.top + (around.bottom - around.top - height) / 2;
  const RECT placed = OntoScreen(RECT{left, top, left + width, top + height});
  OwnedWindow box(CreateWindowExW(ex_style, kInputBoxClass, com::Wide(DisplayedTitle(title)), style, placed.left,
                                  placed.top, width, height, owner, nullptr, instance, &state),
                  state.destroyed);
  if (!box.get()) throw com::ErrorFromHResult(HRESULT_FROM_WIN32(GetLastError()), nullptr);
  LOGFONTW face{};
  face.lfHeight = -MulDiv(9, dpi, 72);
  face.lfWeight = FW_NORMAL;
  face.lfCharSet = SHIFTJIS_CHARSET;
  lstrcpynW(face.lfFaceName, L"MS UI Gothic", LF_FACESIZE);
  HFONT own_font = CreateFontIndirectW(&face);
  HFONT font = own_font ? own_font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  struct FontHolder {
    HFONT font;
    ~FontHolder() {
      if (font) DeleteObject(font);
    }
  } font_holder{own_font};
  const auto child = [&](const wchar_t* cls, const Text& text, DWORD child_style, int x, int y, int w, int h, int id,
                         DWORD child_ex_style = 0) {
    HWND made = CreateWindowExW(child_ex_style, cls, com::Wide(text), WS_CHILD | WS_VISIBLE | child_style, px(x),
                                px(y), px(w), px(h), box.get(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                instance, nullptr);
    if (!made) throw com::ErrorFromHResult(HRESULT_FROM_WIN32(GetLastError()), nullptr);
    SendMessageW(made, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return made;
  };
  child(L"STATIC", prompt, SS_LEFT, 10, 10, 250, 60, -1);
  child(L"BUTTON", u"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 270, 10, 80, 24, IDOK);
  child(L"BUTTON", u"Cancel", BS_PUSHBUTTON | WS_TABSTOP, 270, 40, 80, 24, IDCANCEL);
  state.edit = child(L"EDIT", default_text, ES_AUTOHSCROLL | WS_TABSTOP, 10, 95, 340, 22, kEditId, WS_EX_CLIENTEDGE);

  // Modal: its owner and the editor's main window take no input until it
  // goes, however it goes.
  HWND editor = EditorMainWindow();
  const DisabledWindow disabled_owner(owner);
  const DisabledWindow disabled_editor(editor != owner ? editor : nullptr);
  ShowWindow(box.get(), SW_SHOW);
  SetForegroundWindow(box.get());
  SetFocus(state.edit);
  SendMessageW(state.edit, EM_SETSEL, 0, -1);
  MSG msg{};
  while (!state.done) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // the application is ending: hand the quit on
      break;
    }
    if (got < 0) break;
    // Enter is OK and Esc is Cancel wherever the focus is in the box.
    if (msg.message == WM_KEYDOWN && (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE) &&
        (msg.hwnd == box.get() || IsChild(box.get(), msg.hwnd))) {
      HWND focus = GetFocus();
      const bool on_cancel = focus && GetDlgCtrlID(focus) == IDCANCEL && IsChild(box.get(), focus);
      if (msg.wParam == VK_RETURN && !on_cancel) state.answer = WindowText(state.edit);
      state.done = true;
      continue;
    }
    if (IsDialogMessageW(box.get(), &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (state.destroyed) return std::nullopt;  // gone with its owner: no answer
  return state.answer;
}

void Win32Ui::Sleep(int milliseconds) { ::Sleep(milliseconds > 0 ? static_cast<DWORD>(milliseconds) : 0); }

namespace {

// The user's regional settings; QLX_NOW fixes "now" for the scenarios.
RegionalClock UserClock() {
  const char* now = std::getenv("QLX_NOW");
  return RegionalClock::ForUser("", now != nullptr ? now : "");
}

}  // namespace

Text Win32Ui::ShortDate() { return UserClock().ShortDate(); }

Text Win32Ui::LongTime() { return UserClock().LongTime(); }

LocalDateTime Win32Ui::Now() { return UserClock().Now(); }

}  // namespace qlx::win
