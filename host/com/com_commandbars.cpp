#include "host/com/com_commandbars.h"

namespace qlx::com {

Text ComCommandBarControl::Caption() { return ToText(d_.Get(L"Caption")); }

void ComCommandBarControl::SetCaption(const Text& caption) { d_.Put(L"Caption", Variant::String(caption)); }

void ComCommandBarControl::Delete() { d_.Call(L"Delete"); }

std::int32_t ComCommandBarControls::Count() { return ToInt32(d_.Get(L"Count")); }

std::shared_ptr<qlx::CommandBarControl> ComCommandBarControls::Item(std::int32_t index) {
  ComPtr<IDispatch> control = ToDispatch(d_.Get(L"Item", {Variant::Int32(index)}));
  if (!control) return nullptr;
  return std::make_shared<ComCommandBarControl>(std::move(control));
}

namespace {

// An optional argument left out, as VB passes it.
Variant Missing() {
  Variant v;
  V_VT(v.get()) = VT_ERROR;
  V_ERROR(v.get()) = DISP_E_PARAMNOTFOUND;
  return v;
}

}  // namespace

std::shared_ptr<qlx::CommandBarControl> ComCommandBarControls::Add(std::int32_t type, bool temporary) {
  ComPtr<IDispatch> control = ToDispatch(
      d_.Call(L"Add", {Variant::Int32(type), Missing(), Missing(), Missing(), Variant::Bool(temporary)}));
  if (!control) return nullptr;
  return std::make_shared<ComCommandBarControl>(std::move(control));
}

Text ComCommandBar::Name() { return ToText(d_.Get(L"Name")); }

std::shared_ptr<qlx::CommandBarControls> ComCommandBar::Controls() {
  ComPtr<IDispatch> controls = ToDispatch(d_.Get(L"Controls"));
  if (!controls) return nullptr;
  return std::make_shared<ComCommandBarControls>(std::move(controls));
}

std::shared_ptr<qlx::CommandBar> ComCommandBars::Item(const Text& name) {
  ComPtr<IDispatch> bar = ToDispatch(d_.GetDefault({Variant::String(name)}));
  if (!bar) return nullptr;
  return std::make_shared<ComCommandBar>(std::move(bar));
}

ComCommandBarEvents::~ComCommandBarEvents() { Unadvise(); }

void ComCommandBarEvents::Unadvise() noexcept {
  if (sink_) sink_->Detach();
  if (point_ && cookie_ != 0) point_->Unadvise(cookie_);
  cookie_ = 0;
  point_.reset();
  sink_.reset();
}

void ComCommandBarEvents::SetClickHandler(ClickHandler handler) {
  Unadvise();
  if (!handler) return;
  ComPtr<IConnectionPointContainer> container =
      source_.As<IConnectionPointContainer>(IID_IConnectionPointContainer);
  if (!container) Check(E_NOINTERFACE);
  ComPtr<IConnectionPoint> point;
  Check(container->FindConnectionPoint(kDiidCommandBarControlEvents, point.put()));
  ComPtr<ClickSink> sink = ComPtr<ClickSink>::Adopt(new ClickSink(std::move(handler)));
  DWORD cookie = 0;
  if (const HRESULT hr = point->Advise(sink.get(), &cookie); FAILED(hr)) {
    sink->Detach();
    Check(hr);
  }
  point_ = std::move(point);
  sink_ = std::move(sink);
  cookie_ = cookie;
}

std::shared_ptr<qlx::CommandBarEvents> ComEvents::CommandBarEvents(
    const std::shared_ptr<qlx::CommandBarControl>& control) {
  const auto* com_control = dynamic_cast<const ComCommandBarControl*>(control.get());
  if (!com_control || !com_control->Object()) throw VbError(vberr::kObjectRequired);
  ComPtr<IDispatch> source = ToDispatch(d_.Get(L"CommandBarEvents", {Variant::Dispatch(com_control->Object())}));
  if (!source) throw VbError(vberr::kObjectNotSet);
  return std::make_shared<ComCommandBarEvents>(std::move(source));
}

// ---------------------------------------------------------------------------
// The sink

void* ClickSink::Find(REFIID iid) {
  // The connection point asks for the event interface itself.
  return iid == IID_IDispatch || iid == kDiidCommandBarControlEvents ? static_cast<IDispatch*>(this) : nullptr;
}

HRESULT ClickSink::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT ClickSink::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return DISP_E_BADINDEX;
}

HRESULT ClickSink::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!names || !ids || count == 0) return E_INVALIDARG;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  if (names[0] && CompareStringOrdinal(names[0], -1, L"Click", -1, TRUE) == CSTR_EQUAL) ids[0] = kDispidClick;
  return ids[0] == DISPID_UNKNOWN || count > 1 ? DISP_E_UNKNOWNNAME : S_OK;
}

namespace {

// A VARIANT_BOOL flag passed by reference (directly or through a VARIANT).
VARIANT_BOOL* FlagRef(VARIANT& arg) {
  VARIANT* v = &arg;
  if (V_VT(v) == (VT_VARIANT | VT_BYREF)) v = V_VARIANTREF(v);
  if (v && V_VT(v) == (VT_BOOL | VT_BYREF)) return V_BOOLREF(v);
  return nullptr;
}

}  // namespace

HRESULT ClickSink::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                          UINT* arg_error) {
  try {
    if (!params) return E_INVALIDARG;
    if (id != kDispidClick) return DISP_E_MEMBERNOTFOUND;
    if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
    if (params->cArgs != 3) return DISP_E_BADPARAMCOUNT;
    if (result) VariantInit(result);
    // rgvarg holds the arguments last first: [2] the control, [1] handled, [0] CancelDefault.
    VARIANT_BOOL* handled = FlagRef(params->rgvarg[1]);
    VARIANT_BOOL* cancel_default = FlagRef(params->rgvarg[0]);
    if (!handled || !cancel_default) {
      if (arg_error) *arg_error = handled ? 0 : 1;
      return DISP_E_TYPEMISMATCH;
    }
    Variant control_value;
    if (FAILED(VariantCopyInd(control_value.get(), &params->rgvarg[2]))) {
      if (arg_error) *arg_error = 2;
      return DISP_E_TYPEMISMATCH;
    }
    ComPtr<IDispatch> control = ToDispatch(control_value);
    if (!handler_) return S_OK;
    // The handler may clear itself (and so this sink's) while it runs.
    const CommandBarEvents::ClickHandler handler = handler_;
    ComPtr<ClickSink> keep(this);
    bool handled_flag = *handled != VARIANT_FALSE;
    bool cancel_flag = *cancel_default != VARIANT_FALSE;
    std::shared_ptr<qlx::CommandBarControl> clicked;
    if (control) clicked = std::make_shared<ComCommandBarControl>(std::move(control));
    handler(clicked, handled_flag, cancel_flag);
    *handled = handled_flag ? VARIANT_TRUE : VARIANT_FALSE;
    *cancel_default = cancel_flag ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

}  // namespace qlx::com
