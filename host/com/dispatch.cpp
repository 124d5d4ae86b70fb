#include "host/com/dispatch.h"

namespace qlx::com {
namespace {

// The value itself when v is a reference (VT_BYREF or a VARIANT by reference).
Variant Dereferenced(const Variant& v) {
  Variant out;
  Check(VariantCopyInd(out.get(), const_cast<VARIANT*>(v.get())));
  return out;
}

Variant Converted(const Variant& v, VARTYPE type) {
  Variant source = Dereferenced(v);
  if (source.type() == VT_NULL) throw VbError(vberr::kInvalidUseOfNull);
  Variant out;
  const HRESULT hr = VariantChangeType(out.get(), source.get(), 0, type);
  if (hr == DISP_E_OVERFLOW) throw VbError(vberr::kOverflow);
  if (FAILED(hr)) throw VbError(vberr::kTypeMismatch);
  return out;
}

}  // namespace

Dispatcher::Dispatcher(ComPtr<IDispatch> object) : object_(std::move(object)) {
  if (!object_) throw VbError(vberr::kObjectNotSet);
}

DISPID Dispatcher::IdOf(const wchar_t* name) {
  for (const auto& [known, id] : ids_) {
    if (known == name) return id;
  }
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  Check(object_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
  ids_.emplace_back(name, id);
  return id;
}

Variant Dispatcher::Invoke(DISPID id, WORD flags, std::vector<Variant>& args) {
  // IDispatch takes the arguments last first; the VARIANTs stay owned by args.
  std::vector<VARIANT> reversed;
  reversed.reserve(args.size());
  for (auto it = args.rbegin(); it != args.rend(); ++it) reversed.push_back(*it->get());
  DISPPARAMS params{};
  params.rgvarg = reversed.empty() ? nullptr : reversed.data();
  params.cArgs = static_cast<UINT>(reversed.size());
  DISPID put_id = DISPID_PROPERTYPUT;
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    params.rgdispidNamedArgs = &put_id;
    params.cNamedArgs = 1;
  }
  Variant result;
  ExcepInfo excepinfo;
  UINT arg_error = 0;
  const HRESULT hr =
      object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result.get(), excepinfo.get(), &arg_error);
  Check(hr, excepinfo.get());
  return result;
}

Variant Dispatcher::Get(const wchar_t* name, std::vector<Variant> args) {
  return Invoke(IdOf(name), DISPATCH_METHOD | DISPATCH_PROPERTYGET, args);
}

Variant Dispatcher::Call(const wchar_t* name, std::vector<Variant> args) {
  return Invoke(IdOf(name), DISPATCH_METHOD, args);
}

void Dispatcher::Put(const wchar_t* name, Variant value, std::vector<Variant> args) {
  // The value travels as the last argument, which IDispatch sees first.
  args.push_back(std::move(value));
  Invoke(IdOf(name), DISPATCH_PROPERTYPUT, args);
}

Variant Dispatcher::GetDefault(std::vector<Variant> args) {
  return Invoke(DISPID_VALUE, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args);
}

Text ToText(const Variant& value) {
  Variant s = Converted(value, VT_BSTR);
  return Bstr::TextOf(V_BSTR(s.get()));
}

std::int32_t ToInt32(const Variant& value) {
  Variant n = Converted(value, VT_I4);
  return V_I4(n.get());
}

bool ToBool(const Variant& value) {
  Variant b = Converted(value, VT_BOOL);
  return V_BOOL(b.get()) != VARIANT_FALSE;
}

ComPtr<IDispatch> ToDispatch(const Variant& value) {
  Variant v = Dereferenced(value);
  switch (v.type()) {
    case VT_EMPTY:
      return {};
    case VT_DISPATCH:
      return ComPtr<IDispatch>(V_DISPATCH(v.get()));
    case VT_UNKNOWN: {
      IUnknown* unknown = V_UNKNOWN(v.get());
      if (!unknown) return {};
      ComPtr<IDispatch> object;
      Check(unknown->QueryInterface(IID_IDispatch, object.put_void()));
      return object;
    }
    default:
      throw VbError(vberr::kTypeMismatch);
  }
}

}  // namespace qlx::com
