// The class object of one class: creates instances, counts server locks.
#pragma once

#include "host/com/com_object.h"
#include "module.h"

namespace qlx::win {

// T provides static HRESULT Create(REFIID iid, void** out).
template <class T>
class ClassFactory final : public com::ComObject<IClassFactory> {
 public:
  ClassFactory() = default;
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return T::Create(iid, out);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) {
      LockModule();
    } else {
      UnlockModule();
    }
    return S_OK;
  }

 private:
  void* Find(REFIID iid) override { return iid == IID_IClassFactory ? static_cast<IClassFactory*>(this) : nullptr; }
};

}  // namespace qlx::win
