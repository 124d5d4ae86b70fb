// The add-in as the DLL runs it: libqlx's Connect with the Windows services
// (message boxes and the input box, the desktop calls, SetWindowPos, the
// registry for "DisplayOnConnect", and QLX.ini next to the DLL), and the
// Win32 tool window as the view of its window model.
#pragma once

#include <memory>

#include "addin/connect.h"
#include "add_in_events.h"
#include "frm_add_in_view.h"
#include "host/win32/desktop.h"
#include "settings/win32/win_settings.h"
#include "win32_ui.h"

namespace qlx::win {

class WindowsAddIn : public AddInEvents {
 public:
  // settings_directory: where QLX.ini lives (the DLL's own directory).
  explicit WindowsAddIn(const Text& settings_directory);
  ~WindowsAddIn() override;
  WindowsAddIn(const WindowsAddIn&) = delete;
  WindowsAddIn& operator=(const WindowsAddIn&) = delete;

  void OnConnection(std::shared_ptr<VBE> vbe, std::int32_t mode) override;
  void OnDisconnection(std::int32_t mode) override;
  void OnAddInsUpdate() override { connect_->OnAddInsUpdate(); }
  void OnStartupComplete() override { connect_->OnStartupComplete(); }
  void OnBeginShutdown() override { connect_->OnBeginShutdown(); }
  void SetComObject(IUnknown* object) override;

 private:
  Win32Ui ui_;
  Win32Desktop desktop_;
  std::unique_ptr<WindowService> windows_;
  RegistryUserSettingsStore user_settings_;
  // Declared before connect_, so it outlives the window model.
  FrmAddInWindow view_;
  std::unique_ptr<Connect> connect_;
};

}  // namespace qlx::win
