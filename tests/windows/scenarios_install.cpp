// The add-in as install.cmd leaves it: the editor of this bitness finds it in
// its add-in list, its class is registered per user to the DLL in the
// per-user folder, and the editor loads and connects it from there.
#include <cwctype>
#include <fstream>

#include "addin/connect.h"
#include "windows/fake_objects.h"
#include "windows/harness.h"
#include "windows/tool_window.h"
#include "support/editor.h"
#include "guids.h"
#include "idtextensibility2.h"
#include "registration.h"
#include "registry.h"

namespace qlx::fake {

using testing::EditorWith;

namespace {

std::wstring Lower(std::wstring s) {
  for (wchar_t& c : s) c = static_cast<wchar_t>(std::towlower(c));
  return s;
}

std::wstring Expand(const wchar_t* text) {
  wchar_t out[MAX_PATH * 2] = {};
  const DWORD n = ExpandEnvironmentStringsW(text, out, MAX_PATH * 2);
  return n > 0 && n <= MAX_PATH * 2 ? std::wstring(out) : std::wstring();
}

}  // namespace

void RunInstalledScenarios(Harness& h) {
  Checks& t = TheChecks();
  const std::wstring expected_dll = Expand(L"%LOCALAPPDATA%\\QLX\\qlx.dll");
  const std::wstring entry = std::wstring(win::kAddinsKey) + L"\\QLX_Project.Connect";
  const std::wstring classes = L"Software\\Classes\\";
  std::wstring clsid_text;

  t.Scenario("the add-in list of this bitness holds QLX_Project.Connect, not loaded at start-up", [&] {
    win::RegKey key = win::RegKey::Open(HKEY_CURRENT_USER, entry);
    CHECK_MSG(static_cast<bool>(key), "no key HKCU\\" + Show(entry));
    if (key) CHECK_EQ(key.GetDword(L"LoadBehavior").value_or(99), 0UL);
  });

  t.Scenario("its class is registered per user to the DLL in %LOCALAPPDATA%\\QLX", [&] {
    const win::RegKey prog_id = win::RegKey::Open(HKEY_CURRENT_USER, classes + L"QLX_Project.Connect\\CLSID");
    clsid_text = prog_id ? prog_id.GetString(L"").value_or(L"") : L"";
    CHECK_EQ(clsid_text, win::GuidString(win::kClsidConnect));
    const win::RegKey server =
        win::RegKey::Open(HKEY_CURRENT_USER, classes + L"CLSID\\" + clsid_text + L"\\InprocServer32");
    const std::wstring path = server ? server.GetString(L"").value_or(L"") : L"";
    CHECK_MSG(!expected_dll.empty() && Lower(path) == Lower(expected_dll),
              "InprocServer32 is " + Show(path) + ", expected " + Show(expected_dll));
  });

  if (h.under_wine) MirrorClasses(h);
  t.Scenario("the editor loads it from there and it puts its item on the Add-Ins menu", [&] {
    auto stats = std::make_shared<FakeStats>();
    const std::shared_ptr<MemoryVBE> editor = EditorWith(kSampleModuleName, SampleModule()).Build();
    com::ComPtr<FakeVBE> vbe = MakeFake<FakeVBE>(stats, *editor);
    Session s;
    com::ComPtr<win::IDTExtensibility2> addin = CreateConnect();
    if (!addin) return;
    CHECK_MSG(GetModuleHandleW(expected_dll.c_str()) != nullptr, "the DLL in use is " + Show(expected_dll));
    s.Connect(std::move(addin), vbe.get(), *editor);
    s.Disconnect();
    vbe.reset();
    CHECK_EQ(static_cast<long long>(stats->live), 0LL);
    for (const SeenBox& box : h.boxes->Take()) CHECK_MSG(false, "unexpected box " + Show(box));
  });
  CoFreeUnusedLibrariesEx(0, 0);
  RemoveMirror(h);
}

bool WriteRegistrySnapshot(const std::wstring& file) {
  std::ofstream out(file.c_str(), std::ios::binary);
  for (const auto& [entry, data] : UserSoftware()) out << Show(entry) << " = " << Show(data) << "\n";
  return static_cast<bool>(out);
}

}  // namespace qlx::fake
