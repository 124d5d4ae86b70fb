// The tool window's window service on Windows: SetWindowPos of Win32.
#include <memory>

#include "addin/mod_form_setting.h"
#include "host/win32/windows_api.h"

namespace qlx {
namespace {

class Win32WindowService : public WindowService {
 public:
  bool SetWindowPos(WindowHandle window, WindowHandle insert_after, int x, int y, int cx, int cy,
                    std::uint32_t flags) override {
    return ::SetWindowPos(reinterpret_cast<HWND>(window), reinterpret_cast<HWND>(insert_after), x, y, cx, cy,
                          flags) != 0;
  }
};

}  // namespace

std::unique_ptr<WindowService> PlatformWindowService() { return std::make_unique<Win32WindowService>(); }

}  // namespace qlx
