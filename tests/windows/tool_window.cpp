#include "windows/tool_window.h"

#include <fstream>
#include <iterator>

#include "addin/connect.h"
#include "frm_add_in_view.h"
#include "guids.h"
#include "host/ui.h"

namespace qlx::fake {

std::vector<DesignedControl> DesignedControls() {
  RecordingUi ui;
  MemoryDesktop desktop;
  RecordingWindowService windows;
  Operations operations(ui, desktop);
  ModINIFile ini(ui, u"unused.ini");
  ModFormSetting form_setting(ui, windows);
  frmAddIn model(AddInModules{operations, ini, form_setting}, ui, u"unused.ini");
  std::vector<DesignedControl> out;
  for (const FormControl* c : model.Controls()) {
    out.push_back({c->name, c->caption, c->kind, c->left, c->top, c->width, c->height});
  }
  return out;
}

int TabIndexOf(const std::vector<DesignedControl>& controls, const Text& name) {
  for (std::size_t i = 0; i < controls.size(); ++i) {
    if (controls[i].name == name) return static_cast<int>(i);
  }
  return -1;
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

void Pump() {
  MSG msg{};
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

com::ComPtr<win::IDTExtensibility2> CreateConnect() {
  com::ComPtr<win::IDTExtensibility2> addin;
  CLSID clsid{};
  if (!CHECK_HR(CLSIDFromProgID(L"QLX_Project.Connect", &clsid))) return addin;
  CHECK_HR(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, win::kIidIDTExtensibility2, addin.put_void()));
  return addin;
}

com::ComPtr<win::IDTExtensibility2> CreateConnect(const Harness& h) {
  com::ComPtr<win::IDTExtensibility2> addin;
  auto* get_class = EntryPoint<HRESULT STDAPICALLTYPE(REFCLSID, REFIID, void**)>(h, "DllGetClassObject");
  if (!CHECK_MSG(get_class, "the DLL is loaded")) return addin;
  com::ComPtr<IClassFactory> factory;
  if (!CHECK_HR(get_class(win::kClsidConnect, IID_IClassFactory, factory.put_void()))) return addin;
  CHECK_HR(factory->CreateInstance(nullptr, win::kIidIDTExtensibility2, addin.put_void()));
  return addin;
}

bool Session::Connect(com::ComPtr<win::IDTExtensibility2> created, IDispatch* vbe, MemoryVBE& editor,
                      win::ExtConnectMode mode) {
  addin = std::move(created);
  if (!CHECK(addin)) return false;
  if (!CHECK_HR(addin->OnConnection(vbe, mode, nullptr, &array))) return false;
  auto bar = editor.Bars().Bar(u"Add-Ins");
  item = bar ? bar->Find(kMenuCaption) : nullptr;
  return mode == win::ext_cm_External || CHECK_MSG(item, "no menu item after connecting");
}

bool Session::ShowWindow() {
  if (!CHECK(item) || !CHECK_EQ(item->Click(), 1)) return false;
  Pump();
  window = FindWindowW(win::kToolWindowClass, nullptr);
  if (!CHECK_MSG(window, "no tool window after the click")) return false;
  controls = Children(window);
  return CHECK_EQ(controls.size(), std::size_t{9});
}

bool Session::Open(com::ComPtr<win::IDTExtensibility2> created, IDispatch* vbe, MemoryVBE& editor) {
  return Connect(std::move(created), vbe, editor) && ShowWindow();
}

HWND Session::Control(const std::vector<DesignedControl>& designed, const char16_t* name) const {
  const int at = TabIndexOf(designed, name);
  return at >= 0 && static_cast<std::size_t>(at) < controls.size() ? controls[static_cast<std::size_t>(at)] : HWND{};
}

void Session::Disconnect() {
  if (addin) CHECK_HR(addin->OnDisconnection(win::ext_dm_UserClosed, &array));
  addin.reset();
}

namespace {

std::wstring SettingsPathFor(const std::wstring& dll_path) {
  const std::size_t slash = dll_path.find_last_of(L"\\/");
  return (slash == std::wstring::npos ? std::wstring() : dll_path.substr(0, slash + 1)) + L"QLX.ini";
}

}  // namespace

SettingsFileGuard::SettingsFileGuard(const std::wstring& dll_path) : path_(SettingsPathFor(dll_path)) {
  std::ifstream in(path_.c_str(), std::ios::binary);
  existed_ = static_cast<bool>(in);
  if (existed_) before_.assign(std::istreambuf_iterator<char>(in), {});
  in.close();
  DeleteFileW(path_.c_str());
}

SettingsFileGuard::~SettingsFileGuard() {
  DeleteFileW(path_.c_str());
  if (existed_) std::ofstream(path_.c_str(), std::ios::binary) << before_;
}

Text SettingsFileGuard::Read(const wchar_t* section, const wchar_t* key) const {
  wchar_t buffer[256] = {};
  GetPrivateProfileStringW(section, key, L"<none>", buffer, 256, path_.c_str());
  return com::FromWide(buffer);
}

}  // namespace qlx::fake
