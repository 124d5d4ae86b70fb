// QLX_Project.ClsProcInf: the procedure record as a public class, for VBA
// code (CreateObject, set VBInstanceC, GetProcInf, read the properties).
// A dual interface described by the embedded type library; each method is
// an exception barrier, and a failure (such as error 9 for KeyWord1(30))
// reaches the caller as the VB error with its description.
#pragma once

#include "analysis/cls_proc_inf.h"
#include "host/com/com_object.h"
#include "module.h"
#include "qlx_h.h"
#include "win32_ui.h"

namespace qlx::win {

class ClsProcInfObject final : public com::ComObject<_ClsProcInf>, public ISupportErrorInfo {
 public:
  static HRESULT Create(REFIID iid, void** out);

  ClsProcInfObject();

  // IUnknown, for both interfaces.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    return ComObject::QueryInterface(iid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ComObject::AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return ComObject::Release(); }

  // IDispatch through the type library.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* excepinfo, UINT* arg_error) override;

  // ISupportErrorInfo
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override;

  // _ClsProcInf, in the order of the record's interface.
  HRESULT STDMETHODCALLTYPE get_VBInstanceC(IDispatch** value) override;
  HRESULT STDMETHODCALLTYPE put_VBInstanceC(IDispatch* value) override;
  HRESULT STDMETHODCALLTYPE putref_VBInstanceC(IDispatch* value) override;
  HRESULT STDMETHODCALLTYPE get_ModuleName(BSTR* value) override;
  HRESULT STDMETHODCALLTYPE get_ProcName(BSTR* value) override;
  HRESULT STDMETHODCALLTYPE get_ProcType(BSTR* value) override;
  HRESULT STDMETHODCALLTYPE get_ProcTypeStr(BSTR* value) override;
  HRESULT STDMETHODCALLTYPE get_TotalRowsCount(LONG* value) override;
  HRESULT STDMETHODCALLTYPE get_ProcStartRow(LONG* value) override;
  HRESULT STDMETHODCALLTYPE get_BodyStartRow(LONG* value) override;
  HRESULT STDMETHODCALLTYPE get_BodyDefEndRow(LONG* value) override;
  HRESULT STDMETHODCALLTYPE get_InnerDecStartRow(LONG* value) override;
  HRESULT STDMETHODCALLTYPE get_InnerDecEndRow(LONG* value) override;
  HRESULT STDMETHODCALLTYPE get_BodyEndRow(LONG* value) override;
  HRESULT STDMETHODCALLTYPE get_RetType(BSTR* value) override;
  HRESULT STDMETHODCALLTYPE get_ParamCount(short* value) override;
  HRESULT STDMETHODCALLTYPE get_KeyWord1(short i, BSTR* value) override;
  HRESULT STDMETHODCALLTYPE get_KeyWord2(short i, BSTR* value) override;
  HRESULT STDMETHODCALLTYPE get_VarName(short i, BSTR* value) override;
  HRESULT STDMETHODCALLTYPE get_VarType(short i, BSTR* value) override;
  HRESULT STDMETHODCALLTYPE get_RefIO(short i, BSTR* value) override;
  HRESULT STDMETHODCALLTYPE GetProcInf(LONG lngRow, VARIANT_BOOL* result) override;
  HRESULT STDMETHODCALLTYPE ResetBodyPos(LONG lngProcStartRow) override;

 private:
  ~ClsProcInfObject() override = default;
  void* Find(REFIID iid) override;
  ITypeInfo* TypeInfo();
  HRESULT SetEditor(IDispatch* value);
  template <class Read>
  HRESULT ReadText(BSTR* value, Read read);
  template <class T, class Read>
  HRESULT ReadNumber(T* value, Read read);

  Win32Ui ui_;
  qlx::ClsProcInf record_{ui_};
  // The editor object as the caller gave it, handed back by get_VBInstanceC.
  com::ComPtr<IDispatch> editor_;
  com::ComPtr<ITypeInfo> type_info_;
};

}  // namespace qlx::win
