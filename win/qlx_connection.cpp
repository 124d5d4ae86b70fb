#include "qlx_connection.h"

#include "addin/ini_file.h"

namespace qlx::win {

QlxConnection::QlxConnection(const Text& settings_directory)
    : windows_(PlatformWindowService()) {
  connect_ = std::make_unique<Connect>(
      AddInServices{ui_, desktop_, *windows_, user_settings_, SettingsFilePath(settings_directory)});
  connect_->SetFormView(&view_);
}

QlxConnection::~QlxConnection() = default;

void QlxConnection::OnConnection(std::shared_ptr<VBE> vbe, std::int32_t mode) {
  connect_->OnConnection(std::move(vbe), mode);
}

void QlxConnection::OnDisconnection(std::int32_t mode) { connect_->OnDisconnection(mode); }

}  // namespace qlx::win
