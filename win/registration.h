// Per-user registration of the add-in: its two classes, the type library,
// and its entry in the editor's add-in list. No administrator rights needed.
#pragma once

#include "host/text.h"

namespace qlx::win {

// The editor's add-in list this build belongs in: 64-bit Office reads
// Addins64, 32-bit Office Addins.
#ifdef _WIN64
inline constexpr wchar_t kAddinsKey[] = L"Software\\Microsoft\\VBA\\VBE\\6.0\\Addins64";
inline constexpr wchar_t kTypeLibPlatform[] = L"win64";
inline constexpr wchar_t kOtherTypeLibPlatform[] = L"win32";
#else
inline constexpr wchar_t kAddinsKey[] = L"Software\\Microsoft\\VBA\\VBE\\6.0\\Addins";
inline constexpr wchar_t kTypeLibPlatform[] = L"win32";
inline constexpr wchar_t kOtherTypeLibPlatform[] = L"win64";
#endif

// The add-in list's texts; the menu item carries the same caption.
inline constexpr char16_t kFriendlyName[] =
    u"QLX\uFF8D\uFF6F\uFF80\uFF9E/\uFF74\uFF97\uFF70\uFF8A\uFF9D\uFF84\uFF9E\uFF97\u633F\u5165";
inline constexpr char16_t kDescription[] =
    u"\uFF71\uFF84\uFF9E\uFF72\uFF9D \uFF8C\uFF9F\uFF9B\uFF7C\uFF9E\uFF6A\uFF78\uFF84 \uFF83\uFF9D\uFF8C\uFF9F\uFF9A\uFF70\uFF84";

// Writes every key below HKEY_CURRENT_USER for the DLL at dll_path.
// Throws VbError when the registry refuses a key.
void RegisterServer(const Text& dll_path);
// Removes what RegisterServer wrote, and the containers it may have created
// when they are left empty. Keys shared by the 32- and 64-bit builds (the
// ProgIDs, the interface and the type library's common part) stay while the
// other build is still registered.
void UnregisterServer();

}  // namespace qlx::win
