// The add-in inside a real host's life: disconnected or closed while one of
// its boxes is open, driven by the keyboard from a host loop that knows
// nothing of dialogs, following the editor's main window, a settings file
// from another screen, the click sink's lifetime and the screen's DPI.
#include <algorithm>
#include <functional>

#include "addin/connect.h"
#include "windows/fake_objects.h"
#include "windows/harness.h"
#include "windows/tool_window.h"
#include "support/editor.h"
#include "frm_add_in_view.h"
#include "win32_ui.h"

namespace qlx::fake {

using testing::EditorWith;

namespace {

constexpr UINT kAct = WM_APP + 40;
constexpr wchar_t kActionClass[] = L"QLX_FakeEditorAction";
constexpr WORD kRunCommand = 5001;  // the fake editor's accelerator for F5

const Text kModuleChanged = u"ターゲットモジュールが変更されました。\r\nQLXは取得したプロシージャ情報を破棄します。";

// A message-only window of this thread: what a box's message loop delivers
// to it runs the action (inside the box), and the accelerator's commands
// are counted.
class ActionWindow {
 public:
  ActionWindow() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kActionClass;
    RegisterClassExW(&wc);
    window_ = CreateWindowExW(0, kActionClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ActionWindow(const ActionWindow&) = delete;
  ActionWindow& operator=(const ActionWindow&) = delete;
  ~ActionWindow() { DestroyWindow(window_); }
  HWND get() const { return window_; }

  std::function<void()> action;
  int commands = 0;

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<ActionWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && message == kAct) {
      if (std::function<void()> run = std::exchange(self->action, nullptr)) run();
      return 0;
    }
    if (self && message == WM_COMMAND && LOWORD(wparam) == kRunCommand) {
      ++self->commands;
      return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
  }
  HWND window_ = nullptr;
};

// The editor's own loop: its accelerators first, never IsDialogMessage.
void HostLoop(HACCEL accelerators, HWND accelerator_target) {
  MSG msg{};
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (accelerators && TranslateAcceleratorW(accelerator_target, accelerators, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void PumpFor(DWORD ms) {
  const DWORD start = GetTickCount();
  do {
    Pump();
    Sleep(10);
  } while (GetTickCount() - start < ms);
  Pump();
}

// The DPI the system reports for a window, or the screen's for none.
int DpiOf(HWND window) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  const auto get = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (get && window) return static_cast<int>(get(window));
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi;
}

SeenBox OkBox(Text title, Text text) {
  SeenBox box;
  box.title = std::move(title);
  box.text = std::move(text);
  return box;
}

int Pixels(int twips, int dpi) { return static_cast<int>((static_cast<long long>(twips) * dpi + 720) / 1440); }

void Key(UINT message, WPARAM key) {
  HWND to = GetFocus();
  const bool up = message == WM_KEYUP || message == WM_SYSKEYUP;
  LPARAM lparam = 1 | (static_cast<LPARAM>(MapVirtualKeyW(static_cast<UINT>(key), MAPVK_VK_TO_VSC)) << 16);
  if (message == WM_SYSKEYDOWN || message == WM_SYSKEYUP) lparam |= 1 << 29;  // Alt held
  if (up) lparam |= static_cast<LPARAM>(3u) << 30;
  PostMessageW(to, message, key, lparam);
}

void SetShift(bool down) {
  BYTE state[256] = {};
  GetKeyboardState(state);
  state[VK_SHIFT] = down ? 0x80 : 0;
  state[VK_LSHIFT] = down ? 0x80 : 0;
  SetKeyboardState(state);
}

}  // namespace

void RunRuntimeScenarios(Harness& h) {
  Checks& t = TheChecks();
  auto* can_unload = EntryPoint<HRESULT STDAPICALLTYPE()>(h, "DllCanUnloadNow");
  if (!can_unload) {
    t.Scenario("the DLL was loaded for the runtime scenarios", [] { CHECK(false); });
    return;
  }
  auto stats = std::make_shared<FakeStats>();
  const std::shared_ptr<MemoryVBE> editor =
      EditorWith(kSampleModuleName, SampleModule()).AndModule(u"Module2", u"Option Explicit").Build();
  std::shared_ptr<MemoryCodePane> pane = editor->ActivePane();
  FakeWindowChain chain(pane->Window()->Caption());
  com::ComPtr<FakeVBE> vbe = MakeFake<FakeVBE>(stats, *editor);
  SettingsFileGuard ini(h.dll_path);
  const std::vector<DesignedControl> designed = DesignedControls();
  ActionWindow action;
  const std::vector<Text> sample = SampleModule();
  h.boxes->Take();

  // GET on NoParams, then another module: WRITE shows the module-changed box.
  const auto ready_for_box = [&](Session& s) {
    editor->Pane(kSampleModuleName);
    pane = editor->ActivePane();
    pane->SetSelection(14, 1, 14, 1);
    SendMessageW(s.Control(designed, u"cmdGet"), BM_CLICK, 0, 0);
    Pump();
    CHECK_EQ(TextOf(s.window), Text(u"NoParams"));
    editor->Pane(u"Module2");
  };
  const auto expect_only = [&](const SeenBox& expected) {
    const std::vector<SeenBox> boxes = h.boxes->Take();
    CHECK_EQ(boxes.size(), std::size_t{1});
    if (!boxes.empty()) CHECK_MSG(boxes[0] == expected, "seen " + Show(boxes[0]));
    for (std::size_t i = 1; i < boxes.size(); ++i) CHECK_MSG(false, "stray box " + Show(boxes[i]));
  };

  t.Scenario("disconnected inside a message box: alive until the handler ends, no stray box, all released", [&] {
    Session s;
    if (!s.Open(CreateConnect(h), vbe.get(), *editor)) return;
    ready_for_box(s);
    bool editor_enabled_inside = true;
    bool window_alive_inside = false;
    HRESULT unload_inside = S_OK;
    action.action = [&] {
      editor_enabled_inside = IsWindowEnabled(chain.Main()) != FALSE;
      window_alive_inside = IsWindow(s.window) != FALSE;
      s.Disconnect();  // the editor disconnects and lets go of the add-in
      unload_inside = can_unload();
    };
    h.boxes->ActInsideNextBox(action.get(), kAct);
    SendMessageW(s.Control(designed, u"cmdWrite"), BM_CLICK, 0, 0);
    Pump();
    CHECK(!action.action);  // it ran
    expect_only(OkBox(u"QLX", kModuleChanged));
    CHECK(window_alive_inside);
    CHECK_MSG(!editor_enabled_inside, "the editor's main window is disabled while the box is open");
    // The add-in keeps itself alive until the handler in the box has returned.
    CHECK_EQ(ShowHResult(unload_inside), ShowHResult(S_FALSE));
    CHECK(IsWindowEnabled(chain.Main()));
    CHECK(!IsWindow(s.window));
    CHECK(FindWindowW(win::kToolWindowClass, nullptr) == nullptr);
    CHECK(editor->Bars().Bar(u"Add-Ins")->Captions().empty());
    CHECK(editor->Module(kSampleModuleName)->AllLines() == sample);
    CHECK_EQ(ShowHResult(can_unload()), ShowHResult(S_OK));
    CHECK_EQ(ini.Read(L"Author", L"Name"), Text(u"DefaultUser"));  // the unloading saved
  });

  t.Scenario("disconnected inside the input box: alive until then, no name taken, no stray box, all released", [&] {
    Session s;
    if (!s.Open(CreateConnect(h), vbe.get(), *editor)) return;
    SetWindowPos(s.window, nullptr, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT tool{};
    GetWindowRect(s.window, &tool);
    h.boxes->TypeIntoInputBoxes(Text(u"Suzuki"));
    bool editor_enabled_inside = true;
    HRESULT unload_inside = S_OK;
    action.action = [&] {
      editor_enabled_inside = IsWindowEnabled(chain.Main()) != FALSE;
      s.Disconnect();
      unload_inside = can_unload();
    };
    h.boxes->ActInsideNextBox(action.get(), kAct);
    SendMessageW(s.window, WM_LBUTTONDBLCLK, 0, MAKELPARAM(4, 4));
    Pump();
    h.boxes->TypeIntoInputBoxes(std::nullopt);
    const std::vector<SeenBox> boxes = h.boxes->Take();
    CHECK_EQ(boxes.size(), std::size_t{1});
    if (!boxes.empty()) {
      CHECK(boxes[0].input);
      // Centred on the tool window, its owner.
      const RECT& box = boxes[0].place;
      CHECK_MSG(std::abs((box.left + box.right) - (tool.left + tool.right)) <= 2 &&
                    std::abs((box.top + box.bottom) - (tool.top + tool.bottom)) <= 2,
                "box at " + std::to_string(box.left) + "," + std::to_string(box.top) + ", window at " +
                    std::to_string(tool.left) + "," + std::to_string(tool.top));
    }
    for (std::size_t i = 1; i < boxes.size(); ++i) CHECK_MSG(false, "stray box " + Show(boxes[i]));
    CHECK(!editor_enabled_inside);
    CHECK_EQ(ShowHResult(unload_inside), ShowHResult(S_FALSE));
    CHECK(IsWindowEnabled(chain.Main()));
    CHECK(!IsWindow(s.window));
    CHECK(FindWindowW(win::kInputBoxClass, nullptr) == nullptr);
    CHECK_EQ(ini.Read(L"Author", L"Name"), Text(u"DefaultUser"));
    CHECK_EQ(ShowHResult(can_unload()), ShowHResult(S_OK));
  });

  t.Scenario("the tool window closed inside a box: the handler ends there, the window comes back working", [&] {
    Session s;
    if (!s.Open(CreateConnect(h), vbe.get(), *editor)) return;
    ready_for_box(s);
    action.action = [&] { SendMessageW(s.window, WM_CLOSE, 0, 0); };
    h.boxes->ActInsideNextBox(action.get(), kAct);
    SendMessageW(s.Control(designed, u"cmdWrite"), BM_CLICK, 0, 0);
    Pump();
    expect_only(OkBox(u"QLX", kModuleChanged));
    CHECK(!IsWindow(s.window));
    CHECK(IsWindowEnabled(chain.Main()));
    // Shown again: loaded afresh, and it works.
    editor->Pane(kSampleModuleName);
    s.item->Click();
    Pump();
    s.window = FindWindowW(win::kToolWindowClass, nullptr);
    if (!CHECK(s.window)) return;
    s.controls = Children(s.window);
    ready_for_box(s);
    SendMessageW(s.Control(designed, u"cmdWrite"), BM_CLICK, 0, 0);
    Pump();
    expect_only(OkBox(u"QLX", kModuleChanged));
    s.Disconnect();
    CHECK_EQ(ShowHResult(can_unload()), ShowHResult(S_OK));
  });

  t.Scenario("keys in a host loop without IsDialogMessage: Tab order, Space, Enter, arrows, Alt+F4", [&] {
    editor->Pane(kSampleModuleName);
    pane = editor->ActivePane();
    Session s;
    if (!s.Open(CreateConnect(h), vbe.get(), *editor)) return;
    ACCEL f5{FVIRTKEY, VK_F5, kRunCommand};
    HACCEL accelerators = CreateAcceleratorTableW(&f5, 1);
    const auto loop = [&] { HostLoop(accelerators, action.get()); };
    SetForegroundWindow(s.window);
    SetActiveWindow(s.window);
    loop();
    const auto name_of = [&](HWND w) {
      for (std::size_t i = 0; i < s.controls.size() && i < designed.size(); ++i) {
        if (s.controls[i] == w) return designed[i].name;
      }
      return Text(u"(not a control)");
    };
    CHECK_EQ(name_of(GetFocus()), Text(u"cmdWrite"));  // the first in tab order
    std::vector<Text> order;
    for (int i = 0; i < 5; ++i) {
      Key(WM_KEYDOWN, VK_TAB);
      Key(WM_KEYUP, VK_TAB);
      loop();
      order.push_back(name_of(GetFocus()));
    }
    CHECK(order == (std::vector<Text>{u"cmdGet", u"chkAllProcs", u"optHeader", u"cmdRepDebug", u"cmdWrite"}));
    order.clear();
    SetShift(true);
    for (int i = 0; i < 3; ++i) {
      Key(WM_KEYDOWN, VK_TAB);
      Key(WM_KEYUP, VK_TAB);
      loop();
      order.push_back(name_of(GetFocus()));
    }
    SetShift(false);
    CHECK(order == (std::vector<Text>{u"cmdRepDebug", u"optHeader", u"chkAllProcs"}));

    // Space on GET captures the procedure at the cursor.
    pane->SetSelection(14, 1, 14, 1);
    SetFocus(s.Control(designed, u"cmdGet"));
    Key(WM_KEYDOWN, VK_SPACE);
    Key(WM_KEYUP, VK_SPACE);
    loop();
    CHECK_EQ(TextOf(s.window), Text(u"NoParams"));
    // Enter on the check box ticks it; GET is disabled then.
    SetFocus(s.Control(designed, u"chkAllProcs"));
    Key(WM_KEYDOWN, VK_RETURN);
    Key(WM_KEYUP, VK_RETURN);
    loop();
    CHECK_EQ(SendMessageW(s.Control(designed, u"chkAllProcs"), BM_GETCHECK, 0, 0), LRESULT{BST_CHECKED});
    CHECK_EQ(TextOf(s.window), Text(u"All Procedures"));
    CHECK(!IsWindowEnabled(s.Control(designed, u"cmdGet")));
    // An arrow on the header option selects the error option: the check box goes.
    SetFocus(s.Control(designed, u"optHeader"));
    Key(WM_KEYDOWN, VK_RIGHT);
    Key(WM_KEYUP, VK_RIGHT);
    loop();
    CHECK_EQ(SendMessageW(s.Control(designed, u"optError"), BM_GETCHECK, 0, 0), LRESULT{BST_CHECKED});
    CHECK_EQ(SendMessageW(s.Control(designed, u"optHeader"), BM_GETCHECK, 0, 0), LRESULT{BST_UNCHECKED});
    CHECK(!IsWindowVisible(s.Control(designed, u"chkAllProcs")));
    CHECK_EQ(name_of(GetFocus()), Text(u"optError"));
    // The editor's accelerator does not fire while the tool window has the
    // focus; elsewhere it does.
    Key(WM_KEYDOWN, VK_F5);
    Key(WM_KEYUP, VK_F5);
    loop();
    CHECK_EQ(action.commands, 0);
    PostMessageW(action.get(), WM_KEYDOWN, VK_F5, 1);
    loop();
    CHECK_EQ(action.commands, 1);
    // Alt+F4 closes it as the close box does: the settings are saved.
    DeleteFileW(ini.Path().c_str());
    Key(WM_SYSKEYDOWN, VK_F4);
    Key(WM_SYSKEYUP, VK_F4);
    loop();
    CHECK(!IsWindow(s.window));
    CHECK_EQ(ini.Read(L"Author", L"Name"), Text(u"DefaultUser"));
    DestroyAcceleratorTable(accelerators);
    s.Disconnect();
    for (const SeenBox& box : h.boxes->Take()) CHECK_MSG(false, "unexpected box " + Show(box));
  });

  t.Scenario("the tool window belongs to the editor's main window: hidden, minimised and shown with it", [&] {
    Session s;
    if (!s.Open(CreateConnect(h), vbe.get(), *editor)) return;
    CHECK(GetWindow(s.window, GW_OWNER) == chain.Main());
    CHECK(GetWindowLongW(s.window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    CHECK(IsWindowVisible(s.window));
    ShowWindow(chain.Main(), SW_HIDE);
    PumpFor(500);
    CHECK_MSG(!IsWindowVisible(s.window), "hidden with the editor");
    ShowWindow(chain.Main(), SW_SHOWNA);
    PumpFor(500);
    CHECK_MSG(IsWindowVisible(s.window), "shown with the editor");
    ShowWindow(chain.Main(), SW_SHOWMINNOACTIVE);
    PumpFor(500);
    CHECK_MSG(!IsWindowVisible(s.window), "hidden while the editor is minimised");
    ShowWindow(chain.Main(), SW_RESTORE);
    PumpFor(500);
    CHECK_MSG(IsWindowVisible(s.window), "back with the restored editor");
    CHECK(GetWindowLongW(s.window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    s.Disconnect();
  });

  t.Scenario("a saved position outside every monitor comes back onto the screen", [&] {
    WritePrivateProfileStringW(L"WindowPos", L"Top", L"-60000", ini.Path().c_str());
    WritePrivateProfileStringW(L"WindowPos", L"Left", L"400000", ini.Path().c_str());
    Session s;
    if (!s.Open(CreateConnect(h), vbe.get(), *editor)) return;
    RECT r{};
    GetWindowRect(s.window, &r);
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    CHECK_MSG(r.left >= work.left && r.top >= work.top && r.right <= work.right && r.bottom <= work.bottom,
              "window at " + std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) +
                  "," + std::to_string(r.bottom));
    SendMessageW(s.window, WM_CLOSE, 0, 0);
    Pump();
    // Where it was shown is what the settings keep.
    const int dpi = DpiOf(nullptr);
    CHECK_EQ(Pixels(_wtoi(com::Wide(ini.Read(L"WindowPos", L"Left"))), dpi), static_cast<int>(r.left));
    CHECK_EQ(Pixels(_wtoi(com::Wide(ini.Read(L"WindowPos", L"Top"))), dpi), static_cast<int>(r.top));
    s.Disconnect();
  });

  t.Scenario("DllCanUnloadNow answers S_FALSE while the editor still holds the click sink", [&] {
    stats->keep_sinks = true;
    Session s;
    if (!s.Connect(CreateConnect(h), vbe.get(), *editor)) return;
    stats->keep_sinks = false;
    CHECK_MSG(s.item->Temporary(), "the menu item is a temporary control");
    s.Disconnect();
    CHECK_EQ(stats->kept_sinks.size(), std::size_t{1});
    CHECK_EQ(ShowHResult(can_unload()), ShowHResult(S_FALSE));
    stats->kept_sinks.clear();
    CHECK_EQ(ShowHResult(can_unload()), ShowHResult(S_OK));
  });

  vbe.reset();
  t.Scenario("the runtime scenarios release every fake object", [&] {
    CHECK_EQ(static_cast<long long>(stats->live), 0LL);
    for (const SeenBox& box : h.boxes->Take()) CHECK_MSG(false, "unexpected box " + Show(box));
  });
  RemoveAddInUserSettings(h);
}

void RunDpiScenarios(Harness& h, int expected_dpi) {
  Checks& t = TheChecks();
  auto stats = std::make_shared<FakeStats>();
  const std::shared_ptr<MemoryVBE> editor = EditorWith(kSampleModuleName, SampleModule()).Build();
  std::shared_ptr<MemoryCodePane> pane = editor->ActivePane();
  FakeWindowChain chain(pane->Window()->Caption());
  com::ComPtr<FakeVBE> vbe = MakeFake<FakeVBE>(stats, *editor);
  SettingsFileGuard ini(h.dll_path);
  const std::vector<DesignedControl> designed = DesignedControls();

  t.Scenario("the screen's DPI scales the tool window and every control", [&] {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    if (!CHECK_EQ(dpi, expected_dpi)) return;
    Session s;
    if (!s.Open(CreateConnect(h), vbe.get(), *editor)) return;
    CHECK_EQ(DpiOf(s.window), expected_dpi);
    RECT client{};
    GetClientRect(s.window, &client);
    CHECK_EQ(static_cast<int>(client.right), Pixels(frmAddIn::kClientWidth, dpi));
    CHECK_EQ(static_cast<int>(client.bottom), Pixels(frmAddIn::kClientHeight, dpi));
    for (std::size_t i = 0; i < std::min(s.controls.size(), designed.size()); ++i) {
      const DesignedControl& e = designed[i];
      RECT r{};
      GetWindowRect(s.controls[i], &r);
      MapWindowPoints(nullptr, s.window, reinterpret_cast<POINT*>(&r), 2);
      CHECK_EQ(static_cast<int>(r.left), Pixels(e.left, dpi));
      CHECK_EQ(static_cast<int>(r.top), Pixels(e.top, dpi));
      CHECK_EQ(static_cast<int>(r.right - r.left), Pixels(e.width, dpi));
      CHECK_EQ(static_cast<int>(r.bottom - r.top), Pixels(e.height, dpi));
    }
    s.Disconnect();
  });
  vbe.reset();
  RemoveAddInUserSettings(h);
}

}  // namespace qlx::fake
