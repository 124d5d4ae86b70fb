// ModFormSetting: keeps the tool window above all other windows, through a
// small window service (SetWindowPos on Windows, a recording one elsewhere).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "host/host.h"
#include "host/vberror.h"

namespace qlx {

class UiService;

inline constexpr WindowHandle kHwndTopmost = -1;
inline constexpr std::uint32_t kSwpNoSize = 0x0001;

// The platform's window calls that the tool window needs.
class WindowService {
 public:
  virtual ~WindowService() = default;
  // Win32 SetWindowPos: true when the platform reports success. Throws
  // VbError when the call cannot be made at all.
  virtual bool SetWindowPos(WindowHandle window, WindowHandle insert_after, int x, int y, int cx, int cy,
                            std::uint32_t flags) = 0;
};

// Keeps every call; fails every call with fail_with when that is set.
class RecordingWindowService : public WindowService {
 public:
  struct Call {
    WindowHandle window = 0;
    WindowHandle insert_after = 0;
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
    std::uint32_t flags = 0;

    bool operator==(const Call&) const = default;
  };

  bool SetWindowPos(WindowHandle window, WindowHandle insert_after, int x, int y, int cx, int cy,
                    std::uint32_t flags) override;

  std::vector<Call> calls;
  std::optional<VbError> fail_with;
};

// SetWindowPos of Win32 on Windows; a RecordingWindowService elsewhere.
std::unique_ptr<WindowService> PlatformWindowService();

class ModFormSetting {
 public:
  ModFormSetting(UiService& ui, WindowService& windows) : ui_(ui), windows_(windows) {}

  // Makes the window topmost. The flags leave out SWP_NOMOVE, so the window
  // also goes to the screen's top-left corner; the caller places it after.
  // A failure is reported as "Error: N. desc" titled "SetWindowTop".
  void SetWindowTop(WindowHandle& window);

 private:
  UiService& ui_;
  WindowService& windows_;
};

}  // namespace qlx
