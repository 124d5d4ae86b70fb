#include "cls_proc_inf_com.h"

#include "com_barrier.h"
#include "guids.h"
#include "host/com/com_editor.h"
#include "type_library.h"

namespace qlx::win {
namespace {

constexpr ErrorSource kSource{L"QLX_Project.ClsProcInf", kIidClsProcInf};

}  // namespace

HRESULT ClsProcInfObject::Create(REFIID iid, void** out) {
  return com::NewObject([] { return new ClsProcInfObject(); }, iid, out);
}

ClsProcInfObject::ClsProcInfObject() = default;

void* ClsProcInfObject::Find(REFIID iid) {
  if (iid == IID_IDispatch || iid == kIidClsProcInf) return static_cast<_ClsProcInf*>(this);
  if (iid == IID_ISupportErrorInfo) return static_cast<ISupportErrorInfo*>(this);
  return nullptr;
}

ITypeInfo* ClsProcInfObject::TypeInfo() {
  if (!type_info_) type_info_ = EmbeddedTypeInfo(kIidClsProcInf);
  return type_info_.get();
}

HRESULT ClsProcInfObject::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 1;
  return S_OK;
}

HRESULT ClsProcInfObject::GetTypeInfo(UINT index, LCID /*lcid*/, ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  return ComGuarded(kSource, [&] { *info = com::ComPtr<ITypeInfo>(TypeInfo()).detach(); });
}

HRESULT ClsProcInfObject::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID /*lcid*/, DISPID* ids) {
  if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  return ComGuarded(kSource, [&] { return DispGetIDsOfNames(TypeInfo(), names, count, ids); });
}

HRESULT ClsProcInfObject::Invoke(DISPID id, REFIID iid, LCID /*lcid*/, WORD flags, DISPPARAMS* params,
                                 VARIANT* result, EXCEPINFO* excepinfo, UINT* arg_error) {
  if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  // The type library converts the arguments (VB's literals arrive as
  // VT_I2, by reference or not) and turns a failed member into
  // DISP_E_EXCEPTION with the description it left in IErrorInfo.
  return ComGuarded(kSource, [&] {
    return DispInvoke(static_cast<_ClsProcInf*>(this), TypeInfo(), id, flags, params, result, excepinfo, arg_error);
  });
}

HRESULT ClsProcInfObject::InterfaceSupportsErrorInfo(REFIID iid) {
  return iid == kIidClsProcInf ? S_OK : S_FALSE;
}

HRESULT ClsProcInfObject::get_VBInstanceC(IDispatch** value) {
  if (!value) return E_POINTER;
  *value = com::ComPtr<IDispatch>(editor_).detach();
  return S_OK;
}

HRESULT ClsProcInfObject::SetEditor(IDispatch* value) {
  return ComGuarded(kSource, [&] {
    if (!value) {
      record_.VBInstanceC(nullptr);
      editor_.reset();
      return;
    }
    com::ComPtr<IDispatch> editor(value);
    record_.VBInstanceC(std::make_shared<com::ComVBE>(editor));
    editor_ = std::move(editor);
  });
}

HRESULT ClsProcInfObject::put_VBInstanceC(IDispatch* value) { return SetEditor(value); }

HRESULT ClsProcInfObject::putref_VBInstanceC(IDispatch* value) { return SetEditor(value); }

template <class Read>
HRESULT ClsProcInfObject::ReadText(BSTR* value, Read read) {
  if (!value) return E_POINTER;
  *value = nullptr;
  return ComGuarded(kSource, [&] { return com::ToBstr(read(), value); });
}

template <class T, class Read>
HRESULT ClsProcInfObject::ReadNumber(T* value, Read read) {
  if (!value) return E_POINTER;
  *value = 0;
  return ComGuarded(kSource, [&] { *value = read(); });
}

HRESULT ClsProcInfObject::get_ModuleName(BSTR* value) {
  return ReadText(value, [&] { return record_.ModuleName(); });
}
HRESULT ClsProcInfObject::get_ProcName(BSTR* value) {
  return ReadText(value, [&] { return record_.ProcName(); });
}
HRESULT ClsProcInfObject::get_ProcType(BSTR* value) {
  return ReadText(value, [&] { return record_.ProcType(); });
}
HRESULT ClsProcInfObject::get_ProcTypeStr(BSTR* value) {
  return ReadText(value, [&] { return record_.ProcTypeStr(); });
}
HRESULT ClsProcInfObject::get_TotalRowsCount(LONG* value) {
  return ReadNumber(value, [&] { return record_.TotalRowsCount(); });
}
HRESULT ClsProcInfObject::get_ProcStartRow(LONG* value) {
  return ReadNumber(value, [&] { return record_.ProcStartRow(); });
}
HRESULT ClsProcInfObject::get_BodyStartRow(LONG* value) {
  return ReadNumber(value, [&] { return record_.BodyStartRow(); });
}
HRESULT ClsProcInfObject::get_BodyDefEndRow(LONG* value) {
  return ReadNumber(value, [&] { return record_.BodyDefEndRow(); });
}
HRESULT ClsProcInfObject::get_InnerDecStartRow(LONG* value) {
  return ReadNumber(value, [&] { return record_.InnerDecStartRow(); });
}
HRESULT ClsProcInfObject::get_InnerDecEndRow(LONG* value) {
  return ReadNumber(value, [&] { return record_.InnerDecEndRow(); });
}
HRESULT ClsProcInfObject::get_BodyEndRow(LONG* value) {
  return ReadNumber(value, [&] { return record_.BodyEndRow(); });
}
HRESULT ClsProcInfObject::get_RetType(BSTR* value) {
  return ReadText(value, [&] { return record_.RetType(); });
}
HRESULT ClsProcInfObject::get_ParamCount(short* value) {
  return ReadNumber(value, [&] { return record_.ParamCount(); });
}
HRESULT ClsProcInfObject::get_KeyWord1(short i, BSTR* value) {
  return ReadText(value, [&] { return record_.KeyWord1(i); });
}
HRESULT ClsProcInfObject::get_KeyWord2(short i, BSTR* value) {
  return ReadText(value, [&] { return record_.KeyWord2(i); });
}
HRESULT ClsProcInfObject::get_VarName(short i, BSTR* value) {
  return ReadText(value, [&] { return record_.VarName(i); });
}
HRESULT ClsProcInfObject::get_VarType(short i, BSTR* value) {
  return ReadText(value, [&] { return record_.VarType(i); });
}
HRESULT ClsProcInfObject::get_RefIO(short i, BSTR* value) {
  return ReadText(value, [&] { return record_.RefIO(i); });
}

HRESULT ClsProcInfObject::GetProcInf(LONG lngRow, VARIANT_BOOL* result) {
  if (!result) return E_POINTER;
  *result = VARIANT_FALSE;
  return ComGuarded(kSource, [&] { *result = record_.GetProcInf(lngRow) ? VARIANT_TRUE : VARIANT_FALSE; });
}

HRESULT ClsProcInfObject::ResetBodyPos(LONG lngProcStartRow) {
  return ComGuarded(kSource, [&] { record_.ResetBodyPos(lngProcStartRow); });
}

}  // namespace qlx::win
