// QLX_Project.Connect: the add-in object the editor creates and calls through
// IDTExtensibility2, by vtable or by IDispatch. It hands every call on to an
// AddInEvents; each method is an exception barrier (ComGuarded).
#pragma once

#include <memory>

#include "add_in_events.h"
#include "host/com/com_object.h"
#include "idtextensibility2.h"
#include "module.h"

namespace qlx::win {

class ConnectObject final : public com::ComObject<IDTExtensibility2> {
 public:
  static HRESULT Create(REFIID iid, void** out);

  explicit ConnectObject(std::unique_ptr<AddInEvents> events);

  // IDispatch, without a type library: the five members by name and DISPID.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* excepinfo, UINT* arg_error) override;

  // IDTExtensibility2
  HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* Application, ExtConnectMode ConnectMode, IDispatch* AddInInst,
                                         SAFEARRAY** custom) override;
  HRESULT STDMETHODCALLTYPE OnDisconnection(ExtDisconnectMode RemoveMode, SAFEARRAY** custom) override;
  HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY** custom) override;
  HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY** custom) override;
  HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY** custom) override;

 private:
  ~ConnectObject() override = default;
  void* Find(REFIID iid) override;
  // Reads the arguments and calls the member; returns the arguments' verdict
  // and leaves the member's own result in called.
  HRESULT InvokeMember(DISPID id, DISPPARAMS& params, UINT* arg_error, HRESULT& called);

  std::unique_ptr<AddInEvents> events_;
};

}  // namespace qlx::win
