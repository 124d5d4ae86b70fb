// What the fake editor's scenarios share: the DLL under test, whether it runs
// under Wine, the message boxes seen, and the sample code module.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "windows/checks.h"
#include "windows/registry_snapshot.h"
#include "host/com/com_holders.h"

namespace qlx::fake {

struct SeenBox {
  Text title;
  Text text;  // for an input box, its prompt
  bool yes_no = false;
  bool input = false;      // the add-in's input box
  Text default_text;       // what its edit box held when it came up
  RECT place{};            // where it came up, on the screen
  bool operator==(const SeenBox& other) const {
    return title == other.title && text == other.text && yes_no == other.yes_no && input == other.input &&
           default_text == other.default_text;
  }
};

// Watches for message boxes and the add-in's input boxes of this process on
// its own thread, records each one's title and text and closes it (OK, or
// No for a question; an input box gets the text set by TypeIntoInputBoxes
// and OK, or Cancel when none is set), so no scenario can hang on a box.
class BoxWatcher {
 public:
  BoxWatcher();
  BoxWatcher(const BoxWatcher&) = delete;
  BoxWatcher& operator=(const BoxWatcher&) = delete;
  ~BoxWatcher();

  // The boxes seen since the last call.
  std::vector<SeenBox> Take();
  // What the next input boxes are answered with; nullopt cancels them.
  void TypeIntoInputBoxes(std::optional<Text> text);
  // When the next box (of either kind) comes up, posts message to target
  // instead of answering it at once: the box's own message loop runs what
  // target does with it. The box is answered a poll later if still open.
  void ActInsideNextBox(HWND target, UINT message);

 private:
  static DWORD WINAPI Run(void* self);
  void Poll();
  bool ActInstead(HWND box, bool input);

  HANDLE stop_ = nullptr;
  HANDLE thread_ = nullptr;
  CRITICAL_SECTION lock_;
  std::vector<SeenBox> seen_;
  std::vector<HWND> handled_;
  std::optional<Text> input_text_;
  HWND act_target_ = nullptr;
  UINT act_message_ = 0;
  // Boxes acted inside, to be answered at the next poll.
  std::vector<std::pair<HWND, bool>> to_answer_;  // the box, whether it is an input box
};

struct Harness {
  std::wstring dll_path;
  HMODULE dll = nullptr;  // loaded by the registration scenarios
  bool under_wine = false;
  BoxWatcher* boxes = nullptr;
  // HKEY_CURRENT_USER\Software (without Wine's own branch) before the run.
  RegistrySnapshot initial_registry;
  bool mirrored = false;  // class keys copied into HKLM for Wine
  // HKEY_CURRENT_USER\Software\VB and VBA Program Settings existed before the run.
  bool vb_settings_existed = false;
  // --hold-window MS: how long the workflow keeps the tool window on the
  // screen after its first GET, for a screenshot (0: not at all).
  int hold_window_ms = 0;
};

// Whether HKEY_CURRENT_USER\Software\VB and VBA Program Settings exists.
bool VbSettingsExist();
// Removes the add-in's branch of the per-user settings, and the container
// when the run created it.
void RemoveAddInUserSettings(const Harness& h);

// HKEY_CURRENT_USER\Software as the registration scenarios compare it.
RegistrySnapshot UserSoftware();

// A DLL entry point of the loaded add-in, or nullptr.
template <class F>
F* EntryPoint(const Harness& h, const char* name) {
  return h.dll ? reinterpret_cast<F*>(reinterpret_cast<void*>(GetProcAddress(h.dll, name))) : nullptr;
}

// The sample module: procedures of every kind, continued declarations,
// local declarations, Japanese names, and a procedure without an End line.
std::vector<Text> SampleModule();
inline constexpr char16_t kSampleModuleName[] = u"Module\u65E5\u672C";

std::string Show(const SeenBox& box);

void RunPortabilityScenarios(Harness& h);
void RunHostScenarios(Harness& h);
// Leaves the DLL registered for the scenarios that load it.
void RunRegistrationScenarios(Harness& h);
void RunConnectScenarios(Harness& h);
// The tool window, shown from the menu item, and its settings file.
void RunWindowScenarios(Harness& h);
// The whole workflow through the tool window's controls.
void RunWorkflowScenarios(Harness& h);
void RunClsProcInfScenarios(Harness& h);
// Boxes interrupted by disconnection or closing, the keyboard, the owner
// window, an off-screen position, the click sink's lifetime.
void RunRuntimeScenarios(Harness& h);
// The tool window at the screen's DPI, which the run expects to be expected_dpi.
void RunDpiScenarios(Harness& h, int expected_dpi);
// The calls that reach the editor for GET and WRITE on a large module,
// without and with the line cache.
void RunHostCallScenarios(Harness& h);
// Every object released and the DLL unloadable; unregistration leaves the
// registry as it was before the run.
void RunUnloadScenarios(Harness& h);
// Under Wine, copies the per-user class keys into HKLM, where Wine's COM
// reads them; RemoveMirror takes the copies away again.
void MirrorClasses(Harness& h);
void RemoveMirror(Harness& h);

// The add-in as install.cmd left it, loaded through the add-in list.
void RunInstalledScenarios(Harness& h);
// Writes UserSoftware() to file, one entry a line; false when that fails.
bool WriteRegistrySnapshot(const std::wstring& file);

}  // namespace qlx::fake
