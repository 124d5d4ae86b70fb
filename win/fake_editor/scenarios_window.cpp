// The tool window as the user meets it: the menu item's click shows a
// topmost window with the nine controls where the window model puts them,
// closing it saves the settings next to the DLL, and disconnecting records
// that it was shown.
#include <algorithm>
#include <fstream>
#include <iterator>

#include "addin/connect.h"
#include "addin/win_settings.h"
#include "fake_editor/fake_objects.h"
#include "fake_editor/harness.h"
#include "frm_add_in_view.h"
#include "guids.h"
#include "host/ui.h"
#include "idtextensibility2.h"

namespace qlx::fake {
namespace {

using win::IDTExtensibility2;

// The controls as the window model designs them: read from a model of its own.
struct ExpectedControl {
  Text caption;
  ControlKind kind;
  int left, top, width, height;
};

std::vector<ExpectedControl> DesignedControls() {
  RecordingUi ui;
  MemoryDesktop desktop;
  RecordingWindowService windows;
  ModInsertHeader header(ui, desktop);
  ModGetProcsData procs(ui);
  ModInsertErrTrap err_trap(ui, desktop);
  ModAddDebugVBE debug(ui, desktop);
  ModINIFile ini(ui, u"unused.ini");
  ModFormSetting form_setting(ui, windows);
  frmAddIn model(AddInModules{header, procs, err_trap, debug, ini, form_setting}, ui, u"unused.ini");
  std::vector<ExpectedControl> out;
  for (const FormControl* c : model.Controls()) out.push_back({c->caption, c->kind, c->left, c->top, c->width, c->height});
  return out;
}

Text TextOf(HWND window) {
  wchar_t buffer[512] = {};
  GetWindowTextW(window, buffer, 512);
  return com::FromWide(buffer);
}

std::wstring ClassOf(HWND window) {
  wchar_t buffer[128] = {};
  GetClassNameW(window, buffer, 128);
  return buffer;
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> out;
  for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) out.push_back(c);
  return out;
}

Text Decimal(int n) {
  const std::string s = std::to_string(n);
  return Text(s.begin(), s.end());
}

int Pixels(int twips, int dpi) { return MulDiv(twips, dpi, 1440); }

com::ComPtr<IDTExtensibility2> CreateAddin() {
  CLSID clsid{};
  com::Check(CLSIDFromProgID(L"QLX_Project.Connect", &clsid));
  com::ComPtr<IDTExtensibility2> addin;
  com::Check(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, win::kIidIDTExtensibility2, addin.put_void()));
  return addin;
}

// QLX.ini next to the DLL: its text before the run, put back afterwards.
class SettingsFileGuard {
 public:
  explicit SettingsFileGuard(std::wstring path) : path_(std::move(path)) {
    std::ifstream in(path_.c_str(), std::ios::binary);
    existed_ = static_cast<bool>(in);
    if (existed_) before_.assign(std::istreambuf_iterator<char>(in), {});
  }
  SettingsFileGuard(const SettingsFileGuard&) = delete;
  SettingsFileGuard& operator=(const SettingsFileGuard&) = delete;
  ~SettingsFileGuard() {
    if (existed_) {
      std::ofstream(path_.c_str(), std::ios::binary) << before_;
    } else {
      DeleteFileW(path_.c_str());
    }
  }
  const std::wstring& Path() const { return path_; }
  void Remove() const { DeleteFileW(path_.c_str()); }

 private:
  std::wstring path_;
  bool existed_ = false;
  std::string before_;
};

Text ReadIni(const std::wstring& path, const wchar_t* section, const wchar_t* key) {
  wchar_t buffer[256] = {};
  GetPrivateProfileStringW(section, key, L"<none>", buffer, 256, path.c_str());
  return com::FromWide(buffer);
}

std::wstring SettingsPathFor(const std::wstring& dll_path) {
  const std::size_t slash = dll_path.find_last_of(L"\\/");
  return (slash == std::wstring::npos ? std::wstring() : dll_path.substr(0, slash + 1)) + L"QLX.ini";
}

// Runs the window's pending messages.
void Pump() {
  MSG msg{};
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace

void RunWindowScenarios(Harness& h) {
  Checks& t = TheChecks();
  auto stats = std::make_shared<FakeStats>();
  MemoryVBE editor;
  editor.AddModule(kSampleModuleName, SampleModule());
  editor.Pane(kSampleModuleName);
  com::ComPtr<FakeVBE> vbe = MakeFake<FakeVBE>(stats, editor);
  RegistryUserSettingsStore settings;
  SettingsFileGuard ini(SettingsPathFor(h.dll_path));
  ini.Remove();
  const std::vector<ExpectedControl> designed = DesignedControls();

  t.Scenario("the menu item's click shows the topmost tool window with its nine controls", [&] {
    com::ComPtr<IDTExtensibility2> addin = CreateAddin();
    com::SafeArray custom = com::SafeArray::EmptyVariants();
    SAFEARRAY* array = custom.get();
    CHECK_HR(addin->OnConnection(vbe.get(), win::ext_cm_AfterStartup, nullptr, &array));
    CHECK(FindWindowW(win::kToolWindowClass, nullptr) == nullptr);  // connecting never shows it
    auto bar = editor.Bars().Bar(u"Add-Ins");
    std::shared_ptr<MemoryCommandBarControl> item = bar ? bar->Find(kMenuCaption) : nullptr;
    if (!CHECK(item)) return;
    CHECK_EQ(item->Click(), 1);
    Pump();
    HWND window = FindWindowW(win::kToolWindowClass, nullptr);
    if (!CHECK_MSG(window, "no tool window after the click")) return;
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

    const std::vector<HWND> children = Children(window);
    CHECK_EQ(children.size(), designed.size());
    for (std::size_t i = 0; i < std::min(children.size(), designed.size()); ++i) {
      const ExpectedControl& e = designed[i];
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
    CHECK_EQ(ReadIni(ini.Path(), L"Author", L"Name"), Text(u"DefaultUser"));
    CHECK_EQ(ReadIni(ini.Path(), L"WindowPos", L"Left"), Decimal(96 * 1440 / dpi));
    CHECK_EQ(ReadIni(ini.Path(), L"WindowPos", L"Top"), Decimal(48 * 1440 / dpi));

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
    CHECK_HR(addin->OnDisconnection(win::ext_dm_UserClosed, &array));
    CHECK(FindWindowW(win::kToolWindowClass, nullptr) == nullptr);
    CHECK_EQ(GetDisplayOnConnect(settings), Text(u"1"));
    CHECK_EQ(static_cast<long long>(bar->Captions().size()), 0LL);
    const std::vector<SeenBox> boxes = h.boxes->Take();
    CHECK_EQ(boxes.size(), std::size_t{0});
    for (const SeenBox& box : boxes) CHECK_MSG(false, "unexpected message box " + Show(box));
  });

  t.Scenario("releasing a connected add-in with its window open destroys the window", [&] {
    com::ComPtr<IDTExtensibility2> addin = CreateAddin();
    com::SafeArray custom = com::SafeArray::EmptyVariants();
    SAFEARRAY* array = custom.get();
    CHECK_HR(addin->OnConnection(vbe.get(), win::ext_cm_AfterStartup, nullptr, &array));
    auto bar = editor.Bars().Bar(u"Add-Ins");
    std::shared_ptr<MemoryCommandBarControl> item = bar ? bar->Find(kMenuCaption) : nullptr;
    if (!CHECK(item)) return;
    item->Click();
    Pump();
    CHECK(FindWindowW(win::kToolWindowClass, nullptr) != nullptr);
    addin.reset();
    Pump();
    CHECK(FindWindowW(win::kToolWindowClass, nullptr) == nullptr);
    // The item stays on the bar (nobody removed it) but no longer reaches the add-in.
    CHECK_EQ(item->Click(), 0);
    item->Delete();
  });

  vbe.reset();
  t.Scenario("the window scenarios release every fake object", [&] {
    CHECK_EQ(static_cast<long long>(stats->live), 0LL);
  });
  RemoveAddInUserSettings(h);
}

}  // namespace qlx::fake
