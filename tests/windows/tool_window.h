// What the tool window's scenarios share: the controls as libqlx's window
// model designs them, reading the real window, the add-in's settings file
// next to the DLL, and running the window's pending messages.
#pragma once

#include <string>
#include <vector>

#include "addin/frm_add_in.h"
#include "windows/harness.h"

namespace qlx::fake {

struct DesignedControl {
  Text name;
  Text caption;
  ControlKind kind;
  int left, top, width, height;
};

// The nine controls in tab order, read from a window model of its own.
std::vector<DesignedControl> DesignedControls();
// The position of the control of that name in tab order; -1 when none has it.
int TabIndexOf(const std::vector<DesignedControl>& controls, const Text& name);

Text TextOf(HWND window);
std::wstring ClassOf(HWND window);
// The child windows in creation (and so tab) order.
std::vector<HWND> Children(HWND parent);
// Runs the pending messages of this thread's windows.
void Pump();

// QLX.ini next to the DLL: removed for the scenarios, its bytes put back afterwards.
class SettingsFileGuard {
 public:
  explicit SettingsFileGuard(const std::wstring& dll_path);
  SettingsFileGuard(const SettingsFileGuard&) = delete;
  SettingsFileGuard& operator=(const SettingsFileGuard&) = delete;
  ~SettingsFileGuard();
  const std::wstring& Path() const { return path_; }
  // A value of the file; "<none>" when it has none.
  Text Read(const wchar_t* section, const wchar_t* key) const;

 private:
  std::wstring path_;
  bool existed_ = false;
  std::string before_;
};

}  // namespace qlx::fake
