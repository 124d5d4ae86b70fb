// The identities of the add-in: its classes, type library and interfaces.
#pragma once

#include "host/com/com_holders.h"

namespace qlx::win {

// QLX_Project.Connect
inline constexpr CLSID kClsidConnect = {0x3620B285, 0xDF0C, 0x4CFB, {0xAC, 0xD7, 0x74, 0x53, 0x58, 0x28, 0x6B, 0xD8}};
// QLX_Project.ClsProcInf
inline constexpr CLSID kClsidClsProcInf = {
    0x427302E4, 0x9C54, 0x49E2, {0xB6, 0x43, 0xA3, 0x6C, 0xB7, 0x24, 0x36, 0xC6}};
// The type library QLX_Project 1.0 and ClsProcInf's dual interface in it.
inline constexpr GUID kLibid = {0xA27A358E, 0x3AB0, 0x421E, {0x94, 0x34, 0x4F, 0x7C, 0x72, 0x2D, 0xEB, 0xEE}};
inline constexpr IID kIidClsProcInf = {0xE273DC4A, 0x0D82, 0x4060, {0x97, 0x10, 0xBA, 0x11, 0x44, 0xD0, 0x3B, 0x31}};

inline constexpr wchar_t kProgIdConnect[] = L"QLX_Project.Connect";
inline constexpr wchar_t kProgIdClsProcInf[] = L"QLX_Project.ClsProcInf";

}  // namespace qlx::win
