#include "connect_object.h"

#include "com_barrier.h"
#include "host/com/com_editor.h"
#include "windows_add_in.h"

namespace qlx::win {
namespace {

constexpr wchar_t kSourceName[] = L"QLX_Project.Connect";
constexpr ErrorSource kSource{kSourceName, kIidIDTExtensibility2};

struct Member {
  const wchar_t* name;
  DISPID id;
  UINT arg_count;
};
constexpr Member kMembers[] = {
    {L"OnConnection", kDispidOnConnection, 4},      {L"OnDisconnection", kDispidOnDisconnection, 2},
    {L"OnAddInsUpdate", kDispidOnAddInsUpdate, 1},  {L"OnStartupComplete", kDispidOnStartupComplete, 1},
    {L"OnBeginShutdown", kDispidOnBeginShutdown, 1},
};

const Member* FindMember(DISPID id) {
  for (const Member& m : kMembers) {
    if (m.id == id) return &m;
  }
  return nullptr;
}

// The parameter names, for callers that pass named arguments' DISPIDs.
struct Parameter {
  DISPID member;
  const wchar_t* name;
  DISPID position;
};
constexpr Parameter kParameters[] = {
    {kDispidOnConnection, L"Application", 0}, {kDispidOnConnection, L"ConnectMode", 1},
    {kDispidOnConnection, L"AddInInst", 2},   {kDispidOnConnection, L"custom", 3},
    {kDispidOnDisconnection, L"RemoveMode", 0}, {kDispidOnDisconnection, L"custom", 1},
    {kDispidOnAddInsUpdate, L"custom", 0},    {kDispidOnStartupComplete, L"custom", 0},
    {kDispidOnBeginShutdown, L"custom", 0},
};

// Argument n in the caller's order; IDispatch stores them last first.
VARIANT& Argument(DISPPARAMS& params, UINT n) { return params.rgvarg[params.cArgs - 1 - n]; }

// An object argument: Nothing, an object, or either by reference.
HRESULT ObjectArgument(const VARIANT& arg, com::ComPtr<IDispatch>& out) {
  com::Variant value;
  if (FAILED(VariantCopyInd(value.get(), const_cast<VARIANT*>(&arg)))) return DISP_E_TYPEMISMATCH;
  return ComGuarded(DISP_E_TYPEMISMATCH, [&] { out = com::ToDispatch(value); });
}

HRESULT IntArgument(const VARIANT& arg, std::int32_t& out) {
  com::Variant value;
  if (FAILED(VariantChangeType(value.get(), const_cast<VARIANT*>(&arg), 0, VT_I4))) return DISP_E_TYPEMISMATCH;
  out = V_I4(value.get());
  return S_OK;
}

// The custom array: by reference as the editor passes it, or by value.
HRESULT ArrayArgument(VARIANT& arg, SAFEARRAY**& out, SAFEARRAY*& by_value) {
  VARIANT* v = &arg;
  if (V_VT(v) == (VT_VARIANT | VT_BYREF)) v = V_VARIANTREF(v);
  if (!v) return DISP_E_TYPEMISMATCH;
  if (V_VT(v) & VT_ARRAY) {
    if (V_VT(v) & VT_BYREF) {
      out = V_ARRAYREF(v);
    } else {
      by_value = V_ARRAY(v);
      out = &by_value;
    }
    return S_OK;
  }
  if (V_VT(v) == VT_EMPTY || V_VT(v) == VT_ERROR) {  // left out by the caller
    by_value = nullptr;
    out = &by_value;
    return S_OK;
  }
  return DISP_E_TYPEMISMATCH;
}

}  // namespace

HRESULT ConnectObject::Create(REFIID iid, void** out) {
  return com::NewObject([] { return new ConnectObject(std::make_unique<WindowsAddIn>(ModuleDirectory())); }, iid,
                        out);
}

ConnectObject::ConnectObject(std::unique_ptr<AddInEvents> events) : events_(std::move(events)) {
  events_->SetComObject(static_cast<IDTExtensibility2*>(this));
}

// The add-in's destructor (events_'s), run when the last reference goes,
// releases whatever it kept of the editor.
void* ConnectObject::Find(REFIID iid) {
  if (iid == IID_IDispatch || iid == kIidIDTExtensibility2) return static_cast<IDTExtensibility2*>(this);
  return nullptr;
}

HRESULT ConnectObject::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT ConnectObject::GetTypeInfo(UINT /*index*/, LCID /*lcid*/, ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  return DISP_E_BADINDEX;
}

HRESULT ConnectObject::GetIDsOfNames(REFIID /*iid*/, LPOLESTR* names, UINT count, LCID /*lcid*/, DISPID* ids) {
  if (!names || !ids || count == 0) return E_INVALIDARG;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  const Member* member = nullptr;
  for (const Member& m : kMembers) {
    if (names[0] && CompareStringOrdinal(names[0], -1, m.name, -1, TRUE) == CSTR_EQUAL) member = &m;
  }
  if (!member) return DISP_E_UNKNOWNNAME;
  ids[0] = member->id;
  HRESULT hr = S_OK;
  for (UINT i = 1; i < count; ++i) {
    for (const Parameter& p : kParameters) {
      if (p.member == member->id && names[i] && CompareStringOrdinal(names[i], -1, p.name, -1, TRUE) == CSTR_EQUAL) {
        ids[i] = p.position;
      }
    }
    if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

HRESULT ConnectObject::Invoke(DISPID id, REFIID iid, LCID /*lcid*/, WORD flags, DISPPARAMS* params,
                              VARIANT* result, EXCEPINFO* excepinfo, UINT* arg_error) {
  return ComGuarded(E_UNEXPECTED, [&]() -> HRESULT {
    if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (!params) return E_INVALIDARG;
    if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
    if (params->cNamedArgs > 0) return DISP_E_NONAMEDARGS;
    if (result) VariantInit(result);
    HRESULT called = S_OK;
    if (const HRESULT hr = InvokeMember(id, *params, arg_error, called); FAILED(hr)) return hr;
    if (SUCCEEDED(called)) return called;
    // The method's own failure, with the description it left in IErrorInfo.
    if (excepinfo) {
      *excepinfo = EXCEPINFO{};
      excepinfo->scode = called;
      excepinfo->bstrSource = SysAllocString(kSourceName);
      com::ComPtr<IErrorInfo> info;
      if (GetErrorInfo(0, info.put()) == S_OK && info) info->GetDescription(&excepinfo->bstrDescription);
    }
    return DISP_E_EXCEPTION;
  });
}

HRESULT ConnectObject::InvokeMember(DISPID id, DISPPARAMS& params, UINT* arg_error, HRESULT& called) {
  const Member* member = FindMember(id);
  if (!member) return DISP_E_MEMBERNOTFOUND;
  if (params.cArgs != member->arg_count) return DISP_E_BADPARAMCOUNT;
  // Checks argument n; on a mismatch tells the caller which one it was.
  const auto check = [&](HRESULT hr, UINT n) {
    if (FAILED(hr) && arg_error) *arg_error = params.cArgs - 1 - n;
    return hr;
  };
  SAFEARRAY** custom = nullptr;
  SAFEARRAY* custom_value = nullptr;
  const UINT custom_at = member->arg_count - 1;
  if (HRESULT hr = check(ArrayArgument(Argument(params, custom_at), custom, custom_value), custom_at); FAILED(hr)) {
    return hr;
  }
  switch (id) {
    case kDispidOnConnection: {
      com::ComPtr<IDispatch> application;
      com::ComPtr<IDispatch> addin_instance;
      std::int32_t mode = 0;
      if (HRESULT hr = check(ObjectArgument(Argument(params, 0), application), 0); FAILED(hr)) return hr;
      if (HRESULT hr = check(IntArgument(Argument(params, 1), mode), 1); FAILED(hr)) return hr;
      if (HRESULT hr = check(ObjectArgument(Argument(params, 2), addin_instance), 2); FAILED(hr)) return hr;
      called = OnConnection(application.get(), static_cast<ExtConnectMode>(mode), addin_instance.get(), custom);
      return S_OK;
    }
    case kDispidOnDisconnection: {
      std::int32_t mode = 0;
      if (HRESULT hr = check(IntArgument(Argument(params, 0), mode), 0); FAILED(hr)) return hr;
      called = OnDisconnection(static_cast<ExtDisconnectMode>(mode), custom);
      return S_OK;
    }
    case kDispidOnAddInsUpdate:
      called = OnAddInsUpdate(custom);
      return S_OK;
    case kDispidOnStartupComplete:
      called = OnStartupComplete(custom);
      return S_OK;
    case kDispidOnBeginShutdown:
      called = OnBeginShutdown(custom);
      return S_OK;
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

HRESULT ConnectObject::OnConnection(IDispatch* Application, ExtConnectMode ConnectMode, IDispatch* /*AddInInst*/,
                                    SAFEARRAY** /*custom*/) {
  return ComGuarded(kSource, [&] {
    auto vbe = std::make_shared<com::ComVBE>(com::ComPtr<IDispatch>(Application));
    events_->OnConnection(std::move(vbe), ConnectMode);
  });
}

HRESULT ConnectObject::OnDisconnection(ExtDisconnectMode RemoveMode, SAFEARRAY** /*custom*/) {
  return ComGuarded(kSource, [&] { events_->OnDisconnection(RemoveMode); });
}

HRESULT ConnectObject::OnAddInsUpdate(SAFEARRAY** /*custom*/) {
  return ComGuarded(kSource, [&] { events_->OnAddInsUpdate(); });
}

HRESULT ConnectObject::OnStartupComplete(SAFEARRAY** /*custom*/) {
  return ComGuarded(kSource, [&] { events_->OnStartupComplete(); });
}

HRESULT ConnectObject::OnBeginShutdown(SAFEARRAY** /*custom*/) {
  return ComGuarded(kSource, [&] { events_->OnBeginShutdown(); });
}

}  // namespace qlx::win
