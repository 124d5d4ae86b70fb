// The editor's add-in interface IDTExtensibility2 (a dual interface), as the
// add-in implements it and the fake editor calls it. No virtual destructor:
// the vtable must be exactly IUnknown, IDispatch and these five.
#pragma once

#include "host/com/com_holders.h"

namespace qlx::win {

inline constexpr IID kIidIDTExtensibility2 = {
    0xB65AD801, 0xABAF, 0x11D0, {0xBB, 0x8B, 0x00, 0xA0, 0xC9, 0x0F, 0x27, 0x44}};

// ext_ConnectMode and ext_DisconnectMode.
enum ExtConnectMode : std::int32_t {
  ext_cm_AfterStartup = 0,
  ext_cm_Startup = 1,
  ext_cm_External = 2,
  ext_cm_CommandLine = 3,
};
enum ExtDisconnectMode : std::int32_t {
  ext_dm_HostShutdown = 0,
  ext_dm_UserClosed = 1,
};

// DISPIDs of the interface's members, in vtable order.
inline constexpr DISPID kDispidOnConnection = 1;
inline constexpr DISPID kDispidOnDisconnection = 2;
inline constexpr DISPID kDispidOnAddInsUpdate = 3;
inline constexpr DISPID kDispidOnStartupComplete = 4;
inline constexpr DISPID kDispidOnBeginShutdown = 5;

struct IDTExtensibility2 : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* Application, ExtConnectMode ConnectMode,
                                                 IDispatch* AddInInst, SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnDisconnection(ExtDisconnectMode RemoveMode, SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY** custom) = 0;
};

}  // namespace qlx::win
