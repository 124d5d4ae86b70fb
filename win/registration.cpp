#include "registration.h"

#include <string>

#include "guids.h"
#include "registry.h"

namespace qlx::win {
namespace {

const std::wstring kClasses = L"Software\\Classes\\";
// The automation marshaler, which serves dual interfaces from the type library.
constexpr wchar_t kPSOAInterface[] = L"{00020424-0000-0000-C000-000000000046}";
constexpr wchar_t kTypeLibVersion[] = L"1.0";
constexpr wchar_t kLibraryName[] = L"QLX_Project";

std::wstring ClassKey(REFCLSID clsid) { return kClasses + L"CLSID\\" + GuidString(clsid); }
std::wstring TypeLibKey() { return kClasses + L"TypeLib\\" + GuidString(kLibid); }
std::wstring InterfaceKey() { return kClasses + L"Interface\\" + GuidString(kIidClsProcInf); }
std::wstring AddinKey() { return std::wstring(kAddinsKey) + L"\\" + kProgIdConnect; }

std::wstring DirectoryOf(const std::wstring& path) {
  const std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

void RegisterClass(REFCLSID clsid, const wchar_t* prog_id, const std::wstring& dll_path, bool in_type_library) {
  const std::wstring key = ClassKey(clsid);
  RegKey::Create(HKEY_CURRENT_USER, key).SetString(L"", prog_id);
  RegKey server = RegKey::Create(HKEY_CURRENT_USER, key + L"\\InprocServer32");
  server.SetString(L"", dll_path);
  server.SetString(L"ThreadingModel", L"Apartment");
  RegKey::Create(HKEY_CURRENT_USER, key + L"\\ProgID").SetString(L"", prog_id);
  if (in_type_library) {
    RegKey::Create(HKEY_CURRENT_USER, key + L"\\TypeLib").SetString(L"", GuidString(kLibid));
    RegKey::Create(HKEY_CURRENT_USER, key + L"\\Version").SetString(L"", kTypeLibVersion);
  }
  RegKey::Create(HKEY_CURRENT_USER, kClasses + prog_id).SetString(L"", prog_id);
  RegKey::Create(HKEY_CURRENT_USER, kClasses + prog_id + L"\\CLSID").SetString(L"", GuidString(clsid));
}

void RegisterTypeLibrary(const std::wstring& dll_path) {
  const std::wstring version = TypeLibKey() + L"\\" + kTypeLibVersion;
  RegKey::Create(HKEY_CURRENT_USER, version).SetString(L"", kLibraryName);
  RegKey::Create(HKEY_CURRENT_USER, version + L"\\0\\" + kTypeLibPlatform).SetString(L"", dll_path);
  RegKey::Create(HKEY_CURRENT_USER, version + L"\\FLAGS").SetString(L"", L"0");
  RegKey::Create(HKEY_CURRENT_USER, version + L"\\HELPDIR").SetString(L"", DirectoryOf(dll_path));

  const std::wstring iface = InterfaceKey();
  RegKey::Create(HKEY_CURRENT_USER, iface).SetString(L"", L"_ClsProcInf");
  RegKey::Create(HKEY_CURRENT_USER, iface + L"\\ProxyStubClsid").SetString(L"", kPSOAInterface);
  RegKey::Create(HKEY_CURRENT_USER, iface + L"\\ProxyStubClsid32").SetString(L"", kPSOAInterface);
  RegKey lib = RegKey::Create(HKEY_CURRENT_USER, iface + L"\\TypeLib");
  lib.SetString(L"", GuidString(kLibid));
  lib.SetString(L"Version", kTypeLibVersion);
}

void RegisterAddin() {
  RegKey addin = RegKey::Create(HKEY_CURRENT_USER, AddinKey());
  // Through the wide-character functions: the texts arrive whole whatever
  // the system's code page, and ANSI readers get them in theirs.
  addin.SetString(L"FriendlyName", com::Wide(kFriendlyName));
  addin.SetString(L"Description", com::Wide(kDescription));
  // Not loaded at the editor's start-up; the user loads it in the add-in manager.
  addin.SetDword(L"LoadBehavior", 0);
  addin.SetDword(L"CommandLineSafe", 0);
}

}  // namespace

void RegisterServer(const Text& dll_path) {
  const std::wstring path(com::Wide(dll_path));
  RegisterClass(kClsidConnect, kProgIdConnect, path, false);
  RegisterClass(kClsidClsProcInf, kProgIdClsProcInf, path, true);
  RegisterTypeLibrary(path);
  RegisterAddin();
}

void UnregisterServer() {
  const HKEY user = HKEY_CURRENT_USER;
  DeleteTree(user, AddinKey());
  DeleteTree(user, ClassKey(kClsidConnect));
  DeleteTree(user, ClassKey(kClsidClsProcInf));

  const std::wstring version = TypeLibKey() + L"\\" + kTypeLibVersion;
  DeleteTree(user, version + L"\\0\\" + kTypeLibPlatform);
  if (!KeyExists(user, version + L"\\0\\" + kOtherTypeLibPlatform)) {
    DeleteTree(user, TypeLibKey());
    DeleteTree(user, InterfaceKey());
    DeleteTree(user, kClasses + kProgIdConnect);
    DeleteTree(user, kClasses + kProgIdClsProcInf);
  }

  // Containers a first registration created, when nothing else is in them.
  const std::wstring addins(kAddinsKey);
  for (const std::wstring& container :
       {addins, DirectoryOf(addins), DirectoryOf(DirectoryOf(addins)), DirectoryOf(DirectoryOf(DirectoryOf(addins))),
        kClasses + L"CLSID", kClasses + L"TypeLib", kClasses + L"Interface", std::wstring(L"Software\\Classes")}) {
    DeleteIfEmpty(user, container);
  }
}

}  // namespace qlx::win
