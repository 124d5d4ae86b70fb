// The desktop calls behind the drawing lock, for real: FindWindowA,
// FindWindowExA and LockWindowUpdate, with names in the ANSI code page.
// Windows only.
#pragma once

#include "host/host.h"

namespace qlx {

class Win32Desktop : public Desktop {
 public:
  WindowHandle FindWindowA(const Text& class_name, const Text* title) override;
  WindowHandle FindWindowExA(WindowHandle parent, WindowHandle child_after, const Text& class_name,
                             const Text* title) override;
  bool LockWindowUpdate(WindowHandle window) override;
};

}  // namespace qlx
