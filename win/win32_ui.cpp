#include "win32_ui.h"

#include "host/clock.h"
#include "host/com/com_holders.h"
#include "module.h"

namespace qlx::win {

Answer Win32Ui::MsgBox(const Text& prompt, Buttons buttons, const Text& title) {
  const UINT type = buttons == Buttons::kYesNo ? MB_YESNO : MB_OK;
  // Owned by the editor's active window, as the runtime's own message box is.
  const int pressed = MessageBoxW(GetActiveWindow(), com::Wide(prompt), com::Wide(title), type);
  if (pressed == 0) throw com::ErrorFromHResult(HRESULT_FROM_WIN32(GetLastError()), nullptr);
  if (buttons == Buttons::kOk) return Answer::kOk;
  return pressed == IDYES ? Answer::kYes : Answer::kNo;
}

namespace {

constexpr int kEditId = 1000;

// The state of one input box, reached from its window procedure.
struct InputBoxState {
  HWND edit = nullptr;
  bool done = false;
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
  try {
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
    }
    return DefWindowProcW(window, message, wparam, lparam);
  } catch (...) {
    return 0;
  }
}

// A window destroyed when the holder goes.
class OwnedWindow {
 public:
  explicit OwnedWindow(HWND window) : window_(window) {}
  OwnedWindow(const OwnedWindow&) = delete;
  OwnedWindow& operator=(const OwnedWindow&) = delete;
  ~OwnedWindow() {
    if (window_) DestroyWindow(window_);
  }
  HWND get() const { return window_; }

 private:
  HWND window_;
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

// Re-enables the owner when the modal box goes.
class DisabledOwner {
 public:
  explicit DisabledOwner(HWND owner) : owner_(owner && IsWindowEnabled(owner) ? owner : nullptr) {
    if (owner_) EnableWindow(owner_, FALSE);
  }
  DisabledOwner(const DisabledOwner&) = delete;
  DisabledOwner& operator=(const DisabledOwner&) = delete;
  ~DisabledOwner() {
    if (owner_) EnableWindow(owner_, TRUE);
  }

 private:
  HWND owner_;
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

  HWND owner = GetActiveWindow();
  InputBoxState state;
  constexpr DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  RECT frame{0, 0, 360, 130};
  AdjustWindowRectEx(&frame, style, FALSE, WS_EX_DLGMODALFRAME | WS_EX_TOPMOST);
  OwnedWindow box(CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_TOPMOST, kInputBoxClass, com::Wide(title), style,
                                  CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                                  owner, nullptr, instance, &state));
  if (!box.get()) throw com::ErrorFromHResult(HRESULT_FROM_WIN32(GetLastError()), nullptr);
  HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  const auto child = [&](const wchar_t* cls, const Text& text, DWORD child_style, int x, int y, int w, int h, int id,
                         DWORD ex_style = 0) {
    HWND made = CreateWindowExW(ex_style, cls, com::Wide(text), WS_CHILD | WS_VISIBLE | child_style, x, y, w, h,
                                box.get(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (!made) throw com::ErrorFromHResult(HRESULT_FROM_WIN32(GetLastError()), nullptr);
    SendMessageW(made, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return made;
  };
  child(L"STATIC", prompt, SS_LEFT, 10, 10, 250, 60, -1);
  child(L"BUTTON", u"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 270, 10, 80, 24, IDOK);
  child(L"BUTTON", u"Cancel", BS_PUSHBUTTON | WS_TABSTOP, 270, 40, 80, 24, IDCANCEL);
  state.edit = child(L"EDIT", default_text, ES_AUTOHSCROLL | WS_TABSTOP, 10, 95, 340, 22, kEditId, WS_EX_CLIENTEDGE);

  DisabledOwner disabled(owner);
  ShowWindow(box.get(), SW_SHOW);
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
    if (msg.message == WM_KEYDOWN && msg.hwnd == state.edit && (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE)) {
      if (msg.wParam == VK_RETURN) state.answer = WindowText(state.edit);
      state.done = true;
      continue;
    }
    if (IsDialogMessageW(box.get(), &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return state.answer;
}

void Win32Ui::Sleep(int milliseconds) { ::Sleep(milliseconds > 0 ? static_cast<DWORD>(milliseconds) : 0); }

Text Win32Ui::ShortDate() { return RegionalClock::FromEnvironment().ShortDate(); }

Text Win32Ui::LongTime() { return RegionalClock::FromEnvironment().LongTime(); }

}  // namespace qlx::win
