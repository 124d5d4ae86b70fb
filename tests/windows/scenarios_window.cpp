// The tool window as the user meets it: the menu item's click shows a
// topmost window with the nine controls where the window model puts them,
// closing it saves the settings next to the DLL, and disconnecting records
// that it was shown.
#include <algorithm>

#include "addin/connect.h"
#include "settings/win32/win_settings.h"
#include "windows/fake_objects.h"
#include "windows/harness.h"
#include "windows/tool_window.h"
#include "support/editor.h"
#include "frm_add_in_view.h"

namespace qlx::fake {

using testing::EditorWith;

namespace {

Text Decimal(int n) {
  const std::string s = std::to_string(n);
  return Text(s.begin(), s.end());
}

int Pixels(int twips, int dpi) { return MulDiv(twips, dpi, 1440); }

}  // namespace

void RunWindowScenarios(Harness& h) {
  Checks& t = TheChecks();
  auto stats = std::make_shared<FakeStats>();
  const std::shared_ptr<MemoryVBE> editor = EditorWith(kSampleModuleName, SampleModule()).Build();
  com::ComPtr<FakeVBE> vbe = MakeFake<FakeVBE>(stats, *editor);
  RegistryUserSettingsStore settings;
  SettingsFileGuard ini(h.dll_path);
  const std::vector<DesignedControl> designed = DesignedControls();

  t.Scenario("the menu item's click shows the topmost tool window with its nine controls", [&] {
    Session s;
    if (!s.Connect(CreateConnect(), vbe.get(), *editor)) return;
    CHECK(FindWindowW(win::kToolWindowClass, nullptr) == nullptr);  // connecting never shows it
    if (!s.ShowWindow()) return;
    HWND window = s.window;
    const std::shared_ptr<MemoryCommandBarControl>& item = s.item;
    CHECK(IsWindowVisible(window));
    CHECK_MSG(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST, "the tool window is topmost");
    CHECK_EQ(TextOf(window), Text());  // idle: an empty title

    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    RECT client{};
    GetClientRect(window, &client);
    CHECK_EQ(static_cast<int>(client.right), Pixels(frmAddIn::kClientWidth, dpi));
    CHECK_EQ(static_cast<int>(client.bottom), Pixels(frmAddIn::kClientHeight, dpi));

    const std::vector<HWND>& children = s.controls;
    CHECK_EQ(children.size(), designed.size());
    for (std::size_t i = 0; i < std::min(children.size(), designed.size()); ++i) {
      const DesignedControl& e = designed[i];
      CHECK_EQ(TextOf(children[i]), e.caption);
      CHECK_EQ(ClassOf(children[i]), std::wstring(e.kind == ControlKind::kLabel ? L"Static" : L"Button"));
      RECT r{};
      GetWindowRect(children[i], &r);
      MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
      CHECK_EQ(static_cast<int>(r.left), Pixels(e.left, dpi));
      CHECK_EQ(static_cast<int>(r.top), Pixels(e.top, dpi));
      CHECK_EQ(static_cast<int>(r.right - r.left), Pixels(e.width, dpi));
      CHECK_EQ(static_cast<int>(r.bottom - r.top), Pixels(e.height, dpi));
      // Buttons and the check box take the focus in tab order, and of the
      // option buttons the selected one (as the system keeps it); labels never.
      const bool tab_stop = (GetWindowLongW(children[i], GWL_STYLE) & WS_TABSTOP) != 0;
      if (e.kind == ControlKind::kOptionButton) {
        CHECK_EQ(tab_stop, SendMessageW(children[i], BM_GETCHECK, 0, 0) == BST_CHECKED);
      } else {
        CHECK_EQ(tab_stop, e.kind != ControlKind::kLabel);
      }
    }
    // Header mode after loading: of the two option buttons (in tab order) the first is selected.
    std::vector<LRESULT> options;
    for (std::size_t i = 0; i < std::min(children.size(), designed.size()); ++i) {
      if (designed[i].kind == ControlKind::kOptionButton) options.push_back(SendMessageW(children[i], BM_GETCHECK, 0, 0));
    }
    CHECK(options == std::vector<LRESULT>({BST_CHECKED, BST_UNCHECKED}));
    // A second click shows the same window rather than another one.
    CHECK_EQ(item->Click(), 1);
    Pump();
    CHECK(FindWindowW(win::kToolWindowClass, nullptr) == window);

    // The user moves the window to (96, 48) pixels and closes it: QLX.ini keeps the author and the position.
    SetWindowPos(window, nullptr, 96, 48, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(window, WM_CLOSE, 0, 0);
    Pump();
    CHECK(!IsWindow(window));
    CHECK_EQ(ini.Read(L"Author", L"Name"), Text(u"DefaultUser"));
    CHECK_EQ(ini.Read(L"WindowPos", L"Left"), Decimal(96 * 1440 / dpi));
    CHECK_EQ(ini.Read(L"WindowPos", L"Top"), Decimal(48 * 1440 / dpi));

    // Shown again, it comes back where it was left.
    CHECK_EQ(item->Click(), 1);
    Pump();
    window = FindWindowW(win::kToolWindowClass, nullptr);
    if (CHECK(window)) {
      RECT r{};
      GetWindowRect(window, &r);
      CHECK_EQ(static_cast<int>(r.left), 96);
      CHECK_EQ(static_cast<int>(r.top), 48);
    }
    s.Disconnect();
    CHECK(FindWindowW(win::kToolWindowClass, nullptr) == nullptr);
    CHECK_EQ(GetDisplayOnConnect(settings), Text(u"1"));
    CHECK(editor->Bars().Bar(u"Add-Ins")->Captions().empty());
    const std::vector<SeenBox> boxes = h.boxes->Take();
    CHECK_EQ(boxes.size(), std::size_t{0});
    for (const SeenBox& box : boxes) CHECK_MSG(false, "unexpected message box " + Show(box));
  });

  t.Scenario("releasing a connected add-in with its window open destroys the window", [&] {
    Session s;
    if (!s.Open(CreateConnect(), vbe.get(), *editor)) return;
    s.addin.reset();
    Pump();
    CHECK(FindWindowW(win::kToolWindowClass, nullptr) == nullptr);
    // The item stays on the bar (nobody removed it) but no longer reaches the add-in.
    CHECK_EQ(s.item->Click(), 0);
    s.item->Delete();
  });

  vbe.reset();
  t.Scenario("the window scenarios release every fake object", [&] {
    CHECK_EQ(static_cast<long long>(stats->live), 0LL);
  });
  RemoveAddInUserSettings(h);
}

}  // namespace qlx::fake
