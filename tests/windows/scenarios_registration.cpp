// Registration through DllRegisterServer and DllUnregisterServer: exactly the
// add-in's keys and values appear, and unregistration takes exactly them
// away again.
#include "windows/harness.h"
#include "guids.h"
#include "registration.h"
#include "registry.h"

namespace qlx::fake {
namespace {

using win::GuidString;

const std::wstring kClasses = L"Software\\Classes\\";

std::wstring Directory(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\')); }

void Key(RegistrySnapshot& s, const std::wstring& key) { s[key] = L""; }
void Value(RegistrySnapshot& s, const std::wstring& key, const std::wstring& name, const std::wstring& data) {
  Key(s, key);
  s[key + L"\\:" + name] = data;
}

// Every key and value registration must write, written out by hand.
RegistrySnapshot ExpectedRegistration(const std::wstring& dll) {
  RegistrySnapshot s;
  const std::wstring libid = GuidString(win::kLibid);
  for (const auto& [clsid, prog_id] : {std::pair{win::kClsidConnect, L"QLX_Project.Connect"},
                                       std::pair{win::kClsidClsProcInf, L"QLX_Project.ClsProcInf"}}) {
    const std::wstring key = kClasses + L"CLSID\\" + GuidString(clsid);
    Value(s, key, L"", std::wstring(L"sz:") + prog_id);
    Value(s, key + L"\\InprocServer32", L"", L"sz:" + dll);
    Value(s, key + L"\\InprocServer32", L"ThreadingModel", L"sz:Apartment");
    Value(s, key + L"\\ProgID", L"", std::wstring(L"sz:") + prog_id);
    Value(s, kClasses + prog_id, L"", std::wstring(L"sz:") + prog_id);
    Value(s, kClasses + prog_id + L"\\CLSID", L"", L"sz:" + GuidString(clsid));
  }
  const std::wstring procinf = kClasses + L"CLSID\\" + GuidString(win::kClsidClsProcInf);
  Value(s, procinf + L"\\TypeLib", L"", L"sz:" + libid);
  Value(s, procinf + L"\\Version", L"", L"sz:1.0");
  const std::wstring lib = kClasses + L"TypeLib\\" + libid;
  Key(s, lib);
  Value(s, lib + L"\\1.0", L"", L"sz:QLX_Project");
  Key(s, lib + L"\\1.0\\0");
  Value(s, lib + L"\\1.0\\0\\" + win::kTypeLibPlatform, L"", L"sz:" + dll);
  Value(s, lib + L"\\1.0\\FLAGS", L"", L"sz:0");
  Value(s, lib + L"\\1.0\\HELPDIR", L"", L"sz:" + Directory(dll));
  const std::wstring iface = kClasses + L"Interface\\" + GuidString(win::kIidClsProcInf);
  Value(s, iface, L"", L"sz:_ClsProcInf");
  Value(s, iface + L"\\ProxyStubClsid", L"", L"sz:{00020424-0000-0000-C000-000000000046}");
  Value(s, iface + L"\\ProxyStubClsid32", L"", L"sz:{00020424-0000-0000-C000-000000000046}");
  Value(s, iface + L"\\TypeLib", L"", L"sz:" + libid);
  Value(s, iface + L"\\TypeLib", L"Version", L"sz:1.0");
  const std::wstring addin = std::wstring(win::kAddinsKey) + L"\\QLX_Project.Connect";
  Value(s, addin, L"FriendlyName",
        L"sz:QLX\uFF8D\uFF6F\uFF80\uFF9E/\uFF74\uFF97\uFF70\uFF8A\uFF9D\uFF84\uFF9E\uFF97\u633F\u5165");
  Value(s, addin, L"Description",
        L"sz:\uFF71\uFF84\uFF9E\uFF72\uFF9D \uFF8C\uFF9F\uFF9B\uFF7C\uFF9E\uFF6A\uFF78\uFF84 "
        L"\uFF83\uFF9D\uFF8C\uFF9F\uFF9A\uFF70\uFF84");
  Value(s, addin, L"LoadBehavior", L"dword:0");
  Value(s, addin, L"CommandLineSafe", L"dword:0");
  // Containers that a first registration creates.
  for (std::wstring key = win::kAddinsKey; key != L"Software\\Microsoft"; key = Directory(key)) Key(s, key);
  for (const wchar_t* container : {L"Software", L"Software\\Classes", L"Software\\Classes\\CLSID",
                                   L"Software\\Classes\\TypeLib", L"Software\\Classes\\Interface",
                                   L"Software\\Microsoft"}) {
    Key(s, container);
  }
  return s;
}

void CheckNoDifference(const RegistrySnapshot& actual, const RegistrySnapshot& expected, const char* what) {
  const std::vector<std::wstring> lines = Difference(expected, actual);
  std::string detail;
  for (std::size_t i = 0; i < lines.size() && i < 12; ++i) detail += "\n      " + Show(lines[i]);
  CHECK_MSG(lines.empty(), std::string(what) + ":" + detail);
}

void CheckHResult(HRESULT hr, const char* what) { CHECK_MSG(hr == S_OK, std::string(what) + " " + ShowHResult(hr)); }

std::vector<std::wstring> MirroredKeys() {
  return {L"CLSID\\" + GuidString(win::kClsidConnect), L"CLSID\\" + GuidString(win::kClsidClsProcInf),
          L"QLX_Project.Connect", L"QLX_Project.ClsProcInf"};
}

}  // namespace

RegistrySnapshot UserSoftware() {
  RegistrySnapshot s = TakeSnapshot(HKEY_CURRENT_USER, L"Software");
  std::erase_if(s, [](const auto& entry) { return entry.first.rfind(L"Software\\Wine", 0) == 0; });
  return s;
}

void RunRegistrationScenarios(Harness& h) {
  Checks& t = TheChecks();
  h.initial_registry = UserSoftware();

  t.Scenario("the DLL loads and has the four entry points", [&] {
    h.dll = LoadLibraryW(h.dll_path.c_str());
    CHECK_MSG(h.dll != nullptr, "LoadLibrary error " + std::to_string(GetLastError()));
    for (const char* name : {"DllGetClassObject", "DllCanUnloadNow", "DllRegisterServer", "DllUnregisterServer"}) {
      CHECK_MSG(EntryPoint<void()>(h, name) != nullptr, name);
    }
  });
  auto* register_server = EntryPoint<HRESULT STDAPICALLTYPE()>(h, "DllRegisterServer");
  auto* unregister_server = EntryPoint<HRESULT STDAPICALLTYPE()>(h, "DllUnregisterServer");
  if (!register_server || !unregister_server) return;

  t.Scenario("DllRegisterServer writes exactly the add-in's keys, per user", [&] {
    RegistrySnapshot expected = h.initial_registry;
    for (const auto& [entry, data] : ExpectedRegistration(h.dll_path)) expected[entry] = data;
    CheckHResult(register_server(), "DllRegisterServer");
    CheckNoDifference(UserSoftware(), expected, "after registration");
    CheckHResult(register_server(), "DllRegisterServer again");
    CheckNoDifference(UserSoftware(), expected, "after registering twice");
  });

  t.Scenario("DllUnregisterServer removes exactly what registration wrote", [&] {
    CheckHResult(unregister_server(), "DllUnregisterServer");
    CheckNoDifference(UserSoftware(), h.initial_registry, "after unregistration");
    CheckHResult(unregister_server(), "DllUnregisterServer when not registered");
    CheckNoDifference(UserSoftware(), h.initial_registry, "after unregistering twice");
  });

  t.Scenario("unregistration keeps the keys the other build still needs", [&] {
    const std::wstring lib = kClasses + L"TypeLib\\" + GuidString(win::kLibid) + L"\\1.0\\0\\";
    win::RegKey::Create(HKEY_CURRENT_USER, lib + win::kOtherTypeLibPlatform).SetString(L"", L"other.dll");
    CheckHResult(register_server(), "DllRegisterServer");
    CheckHResult(unregister_server(), "DllUnregisterServer");
    CHECK(win::KeyExists(HKEY_CURRENT_USER, lib + win::kOtherTypeLibPlatform));
    CHECK(win::KeyExists(HKEY_CURRENT_USER, kClasses + L"QLX_Project.Connect\\CLSID"));
    CHECK(win::KeyExists(HKEY_CURRENT_USER, kClasses + L"Interface\\" + GuidString(win::kIidClsProcInf)));
    CHECK(!win::KeyExists(HKEY_CURRENT_USER, lib + win::kTypeLibPlatform));
    CHECK(!win::KeyExists(HKEY_CURRENT_USER, kClasses + L"CLSID\\" + GuidString(win::kClsidConnect)));
    CHECK(!win::KeyExists(HKEY_CURRENT_USER, std::wstring(win::kAddinsKey) + L"\\QLX_Project.Connect"));
    // Once the other build is gone too, everything goes.
    win::DeleteTree(HKEY_CURRENT_USER, lib + win::kOtherTypeLibPlatform);
    CheckHResult(unregister_server(), "DllUnregisterServer");
    CheckNoDifference(UserSoftware(), h.initial_registry, "after both builds are unregistered");
  });

  t.Scenario("registered for the editor to load", [&] {
    CheckHResult(register_server(), "DllRegisterServer");
    if (h.under_wine) MirrorClasses(h);
    CLSID clsid{};
    CHECK_HR(CLSIDFromProgID(L"QLX_Project.Connect", &clsid));
    CHECK(clsid == win::kClsidConnect);
    CHECK_HR(CLSIDFromProgID(L"QLX_Project.ClsProcInf", &clsid));
    CHECK(clsid == win::kClsidClsProcInf);
  });
}

void MirrorClasses(Harness& h) {
  for (const std::wstring& key : MirroredKeys()) CopyTree(HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, kClasses + key);
  h.mirrored = true;
}

void RemoveMirror(Harness& h) {
  if (!h.mirrored) return;
  for (const std::wstring& key : MirroredKeys()) win::DeleteTree(HKEY_LOCAL_MACHINE, kClasses + key);
  h.mirrored = false;
}

}  // namespace qlx::fake
