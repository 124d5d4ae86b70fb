#include "addin_connection.h"

namespace qlx::win {

void EditorHoldingConnection::OnConnection(std::shared_ptr<VBE> vbe, std::int32_t /*mode*/) { vbe_ = std::move(vbe); }

void EditorHoldingConnection::OnDisconnection(std::int32_t /*mode*/) { vbe_.reset(); }

}  // namespace qlx::win
