// One small base for every COM object of a module (the add-in DLL or a
// program): the reference count, QueryInterface over the interfaces the
// object names, and the count of live objects that DllCanUnloadNow reports.
// Windows only.
#pragma once

#include <atomic>
#include <new>

#include "host/win32/windows_api.h"
#include <unknwn.h>

namespace qlx::com {

// The objects of this module alive now.
inline std::atomic<long>& LiveObjects() {
  static std::atomic<long> count{0};
  return count;
}

// Primary is the interface IUnknown is answered with. The derived class
// names its other interfaces in Find; an object with more than one
// interface base forwards their IUnknown methods to this one's.
template <class Primary>
class ComObject : public Primary {
 public:
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = iid == IID_IUnknown ? static_cast<Primary*>(this) : Find(iid);
    if (!*out) return E_NOINTERFACE;
    static_cast<IUnknown*>(*out)->AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // References held on this object, by anyone.
  ULONG Refs() const { return static_cast<ULONG>(refs_); }

 protected:
  ComObject() { ++LiveObjects(); }
  // Virtual, but after the interface's slots: the vtable the callers see
  // is the interface's own.
  virtual ~ComObject() { --LiveObjects(); }
  // The interface for iid (IUnknown is answered already), or nullptr.
  virtual void* Find(REFIID iid) = 0;

 private:
  LONG refs_ = 1;
};

// Makes an object with make (which returns it with its first reference)
// and hands out its interface iid; the first reference is given back, so an
// interface the object does not have frees it again. Nothing thrown by make
// reaches the caller.
template <class Make>
HRESULT NewObject(Make make, REFIID iid, void** out) noexcept {
  try {
    auto* object = make();
    const HRESULT hr = object->QueryInterface(iid, out);
    object->Release();
    return hr;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

}  // namespace qlx::com
