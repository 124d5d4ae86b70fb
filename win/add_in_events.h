// The editor's five add-in events, as the add-in handles them. The COM
// object of QLX_Project.Connect only translates the editor's calls into these.
#pragma once

#include <cstdint>
#include <memory>

#include "host/com/com_holders.h"
#include "host/host.h"

namespace qlx::win {

class AddInEvents {
 public:
  virtual ~AddInEvents() = default;
  // mode is the editor's ext_ConnectMode.
  virtual void OnConnection(std::shared_ptr<VBE> vbe, std::int32_t mode) = 0;
  // mode is the editor's ext_DisconnectMode.
  virtual void OnDisconnection(std::int32_t mode) = 0;
  virtual void OnAddInsUpdate() = 0;
  virtual void OnStartupComplete() = 0;
  virtual void OnBeginShutdown() = 0;
  // The COM object the editor holds: kept alive while one of the add-in's
  // handlers runs, so a release from inside a box frees nothing under it.
  virtual void SetComObject(IUnknown* /*object*/) {}
};

}  // namespace qlx::win
