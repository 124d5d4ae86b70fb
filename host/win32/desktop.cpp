#include "host/win32/desktop.h"

#include <optional>
#include <string>

#include "host/win32/windows_api.h"

#include "host/win32/ansi.h"

namespace qlx {
namespace {

HWND ToHwnd(WindowHandle h) { return reinterpret_cast<HWND>(h); }
WindowHandle FromHwnd(HWND h) { return reinterpret_cast<WindowHandle>(h); }

std::optional<std::string> AnsiOrNull(const Text* text) {
  if (!text) return std::nullopt;
  return ToAnsi(*text);
}

const char* Pointer(const std::optional<std::string>& s) { return s ? s->c_str() : nullptr; }

}  // namespace

WindowHandle Win32Desktop::FindWindowA(const Text& class_name, const Text* title) {
  const std::string cls = ToAnsi(class_name);
  const std::optional<std::string> caption = AnsiOrNull(title);
  return FromHwnd(::FindWindowA(cls.c_str(), Pointer(caption)));
}

WindowHandle Win32Desktop::FindWindowExA(WindowHandle parent, WindowHandle child_after, const Text& class_name,
                                         const Text* title) {
  const std::string cls = ToAnsi(class_name);
  const std::optional<std::string> caption = AnsiOrNull(title);
  return FromHwnd(::FindWindowExA(ToHwnd(parent), ToHwnd(child_after), cls.c_str(), Pointer(caption)));
}

bool Win32Desktop::LockWindowUpdate(WindowHandle window) { return ::LockWindowUpdate(ToHwnd(window)) != 0; }

}  // namespace qlx
