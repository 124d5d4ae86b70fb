#include "windows_add_in.h"

#include "settings/ini_file.h"

namespace qlx::win {

WindowsAddIn::WindowsAddIn(const Text& settings_directory)
    : windows_(PlatformWindowService()) {
  connect_ = std::make_unique<Connect>(
      AddInServices{ui_, desktop_, *windows_, user_settings_, SettingsFilePath(settings_directory)});
  connect_->SetFormView(&view_);
  // The boxes belong to the tool window while it exists.
  ui_.SetOwner([this] { return view_.Handle(); });
}

void WindowsAddIn::SetComObject(IUnknown* object) {
  // Not a reference of its own: taken only while a handler runs.
  connect_->Handlers().SetHooks([object] { object->AddRef(); }, [object] { object->Release(); });
}

WindowsAddIn::~WindowsAddIn() = default;

void WindowsAddIn::OnConnection(std::shared_ptr<VBE> vbe, std::int32_t mode) {
  connect_->OnConnection(std::move(vbe), mode);
}

void WindowsAddIn::OnDisconnection(std::int32_t mode) { connect_->OnDisconnection(mode); }

}  // namespace qlx::win
