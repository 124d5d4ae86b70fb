#include "host/com/com_holders.h"

#include <climits>
#include <new>

namespace qlx::com {
namespace {

constexpr std::uint32_t kVbErrorBase = 0x800A0000u;

// A system message for hr, without its trailing line break.
Text SystemMessage(HRESULT hr) {
  wchar_t* message = nullptr;
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
  Text text = length ? Text(reinterpret_cast<const char16_t*>(message), length) : Text();
  if (message) LocalFree(message);
  while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r' || text.back() == u' ')) text.pop_back();
  return text;
}

}  // namespace

Bstr::Bstr(TextView text) {
  if (text.size() > UINT_MAX / 2) throw VbError(vberr::kOutOfMemory);
  s_ = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), static_cast<UINT>(text.size()));
  if (!s_) throw VbError(vberr::kOutOfMemory);
}

Bstr& Bstr::operator=(Bstr&& other) noexcept {
  if (this != &other) {
    SysFreeString(s_);
    s_ = std::exchange(other.s_, nullptr);
  }
  return *this;
}

Text Bstr::TextOf(BSTR s) {
  if (!s) return Text();
  return Text(reinterpret_cast<const char16_t*>(s), SysStringLen(s));
}

Variant::Variant(const Variant& other) {
  VariantInit(&v_);
  if (FAILED(VariantCopy(&v_, const_cast<VARIANT*>(&other.v_)))) throw VbError(vberr::kOutOfMemory);
}

Variant& Variant::operator=(const Variant& other) {
  if (this != &other) {
    Variant copy(other);
    *this = std::move(copy);
  }
  return *this;
}

Variant::Variant(Variant&& other) noexcept {
  v_ = other.v_;
  VariantInit(&other.v_);
}

Variant& Variant::operator=(Variant&& other) noexcept {
  if (this != &other) {
    VariantClear(&v_);
    v_ = other.v_;
    VariantInit(&other.v_);
  }
  return *this;
}

Variant Variant::Int32(std::int32_t value) {
  Variant v;
  V_VT(&v.v_) = VT_I4;
  V_I4(&v.v_) = value;
  return v;
}

Variant Variant::Int16(std::int16_t value) {
  Variant v;
  V_VT(&v.v_) = VT_I2;
  V_I2(&v.v_) = value;
  return v;
}

Variant Variant::Bool(bool value) {
  Variant v;
  V_VT(&v.v_) = VT_BOOL;
  V_BOOL(&v.v_) = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

Variant Variant::String(TextView text) {
  Variant v;
  Bstr s(text);
  V_VT(&v.v_) = VT_BSTR;
  V_BSTR(&v.v_) = s.detach();
  return v;
}

Variant Variant::Dispatch(IDispatch* object) {
  Variant v;
  V_VT(&v.v_) = VT_DISPATCH;
  V_DISPATCH(&v.v_) = object;
  if (object) object->AddRef();
  return v;
}

Variant Variant::ByRef(VARTYPE type, void* storage) {
  Variant v;
  V_VT(&v.v_) = static_cast<VARTYPE>(type | VT_BYREF);
  V_BYREF(&v.v_) = storage;
  return v;
}

void Variant::Detach(VARIANT* out) {
  *out = v_;
  VariantInit(&v_);
}

SafeArray SafeArray::EmptyVariants() {
  SAFEARRAY* a = SafeArrayCreateVector(VT_VARIANT, 0, 0);
  if (!a) throw VbError(vberr::kOutOfMemory);
  return SafeArray(a);
}

void ExcepInfo::Free() {
  SysFreeString(e_.bstrSource);
  SysFreeString(e_.bstrDescription);
  SysFreeString(e_.bstrHelpFile);
  e_.bstrSource = e_.bstrDescription = e_.bstrHelpFile = nullptr;
}

ComApartment::ComApartment() {
  const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (FAILED(hr)) throw ErrorFromHResult(hr, nullptr);
  initialized_ = true;
}

ComApartment::~ComApartment() {
  if (initialized_) CoUninitialize();
}

VbError ErrorFromHResult(HRESULT hr, EXCEPINFO* excepinfo) {
  if (hr == DISP_E_EXCEPTION && excepinfo) {
    if (excepinfo->pfnDeferredFillIn) excepinfo->pfnDeferredFillIn(excepinfo);
    const auto scode = static_cast<std::uint32_t>(excepinfo->scode);
    int number = 0;
    if ((scode & 0xFFFF0000u) == kVbErrorBase) {
      number = static_cast<int>(scode & 0xFFFFu);
    } else if (excepinfo->wCode != 0) {
      number = excepinfo->wCode;
    } else {
      number = static_cast<int>(excepinfo->scode);
    }
    Text description = Bstr::TextOf(excepinfo->bstrDescription);
    if (description.empty()) description = number > 0 ? StandardDescription(number) : SystemMessage(scode);
    return VbError(number, std::move(description));
  }
  const auto code = static_cast<std::uint32_t>(hr);
  if ((code & 0xFFFF0000u) == kVbErrorBase) return VbError(static_cast<int>(code & 0xFFFFu));
  switch (hr) {
    case DISP_E_MEMBERNOTFOUND:
    case DISP_E_UNKNOWNNAME:
      return VbError(vberr::kNoSuchMember);
    case DISP_E_TYPEMISMATCH:
      return VbError(vberr::kTypeMismatch);
    case DISP_E_BADPARAMCOUNT:
      return VbError(vberr::kWrongArgumentCount);
    case DISP_E_PARAMNOTFOUND:
      return VbError(vberr::kNamedArgumentNotFound);
    case DISP_E_OVERFLOW:
      return VbError(vberr::kOverflow);
    case DISP_E_BADINDEX:
      return VbError(vberr::kSubscript);
    case E_OUTOFMEMORY:
      return VbError(vberr::kOutOfMemory);
    default:
      break;
  }
  Text description = u"Automation error";
  if (Text message = SystemMessage(hr); !message.empty()) description += u"\r\n" + message;
  return VbError(static_cast<int>(hr), std::move(description));
}

void Check(HRESULT hr, EXCEPINFO* excepinfo) {
  if (FAILED(hr)) throw ErrorFromHResult(hr, excepinfo);
}

HRESULT ReportError(const VbError& error, const wchar_t* source, REFIID iid) {
  ComPtr<ICreateErrorInfo> create;
  if (SUCCEEDED(CreateErrorInfo(create.put()))) {
    create->SetGUID(iid);
    create->SetSource(const_cast<LPOLESTR>(source));
    const Text& description = error.Description();
    create->SetDescription(const_cast<LPOLESTR>(Wide(description)));
    if (ComPtr<IErrorInfo> info = create.As<IErrorInfo>(IID_IErrorInfo)) SetErrorInfo(0, info.get());
  }
  const int number = error.Number();
  if (number > 0 && number <= 0xFFFF) return static_cast<HRESULT>(kVbErrorBase | static_cast<std::uint32_t>(number));
  if (number < 0) return static_cast<HRESULT>(number);  // an HRESULT passed through
  return E_FAIL;
}

HRESULT ReportCurrentError(const wchar_t* source, REFIID iid) noexcept {
  try {
    return ReportError(CurrentError(), source, iid);
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT ToBstr(TextView text, BSTR* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (text.size() > UINT_MAX / 2) return E_OUTOFMEMORY;
  *out = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), static_cast<UINT>(text.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace qlx::com
