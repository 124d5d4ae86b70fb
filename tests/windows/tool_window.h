// What the tool window's scenarios share: the add-in created, connected and
// its window shown from the menu item, the controls as libqlx's window model
// designs them, reading the real window, the add-in's settings file next to
// the DLL, and running the window's pending messages.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "addin/frm_add_in.h"
#include "host/com/com_holders.h"
#include "host/memory/editor.h"
#include "idtextensibility2.h"
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

// QLX_Project.Connect as the editor creates it, through its ProgID; empty,
// with a failed check, when it cannot be made.
com::ComPtr<win::IDTExtensibility2> CreateConnect();
// The same object from the loaded DLL's class object, for a run that has
// registered nothing.
com::ComPtr<win::IDTExtensibility2> CreateConnect(const Harness& h);

// One add-in connected to the fake editor, its menu item, and its tool
// window once the item has been clicked.
struct Session {
  Session() = default;
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Connects created in mode and, unless the mode is external, finds its
  // item on the "Add-Ins" bar; false, with a failed check, when either is
  // missing.
  bool Connect(com::ComPtr<win::IDTExtensibility2> created, IDispatch* vbe, MemoryVBE& editor,
               win::ExtConnectMode mode = win::ext_cm_AfterStartup);
  // Clicks the menu item (it reaches the add-in's one sink) and finds the
  // tool window with its nine controls.
  bool ShowWindow();
  // Both: the add-in connected after start-up, its window shown.
  bool Open(com::ComPtr<win::IDTExtensibility2> created, IDispatch* vbe, MemoryVBE& editor);
  // The control of that name, by its place in tab order; null when none.
  HWND Control(const std::vector<DesignedControl>& designed, const char16_t* name) const;
  // The editor disconnects the add-in and lets go of it.
  void Disconnect();

  com::ComPtr<win::IDTExtensibility2> addin;
  com::SafeArray custom = com::SafeArray::EmptyVariants();
  SAFEARRAY* array = custom.get();
  std::shared_ptr<MemoryCommandBarControl> item;
  HWND window = nullptr;
  std::vector<HWND> controls;  // in tab order
};

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
