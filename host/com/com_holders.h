// Owners for COM resources (interface pointers, BSTR, VARIANT, SAFEARRAY,
// EXCEPINFO) and the translation between COM errors and VbError. Windows only.
#pragma once

#include "host/win32/windows_api.h"
#include <oaidl.h>
#include <ole2.h>

#include <cstdint>
#include <utility>

#include "host/text.h"
#include "host/vberror.h"

namespace qlx::com {

// An interface pointer that is released when the holder goes.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  // Takes a reference of its own.
  explicit ComPtr(T* p) : p_(p) {
    if (p_) p_->AddRef();
  }
  ComPtr(const ComPtr& other) : ComPtr(other.p_) {}
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }
  ~ComPtr() { reset(); }

  // Takes over a reference the caller already owns.
  static ComPtr Adopt(T* p) {
    ComPtr holder;
    holder.p_ = p;
    return holder;
  }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For out parameters: releases what is held and gives the slot.
  T** put() {
    reset();
    return &p_;
  }
  void** put_void() { return reinterpret_cast<void**>(put()); }
  // Hands the reference to the caller.
  T* detach() { return std::exchange(p_, nullptr); }
  void reset() {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }

  // The object's interface I, or an empty holder when it has none.
  template <class I>
  ComPtr<I> As(REFIID iid) const {
    ComPtr<I> out;
    if (p_) p_->QueryInterface(iid, out.put_void());
    return out;
  }

 private:
  T* p_ = nullptr;
};

// A BSTR that is freed when the holder goes.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(TextView text);
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  Bstr(Bstr&& other) noexcept : s_(std::exchange(other.s_, nullptr)) {}
  Bstr& operator=(Bstr&& other) noexcept;
  ~Bstr() { SysFreeString(s_); }

  static Bstr Adopt(BSTR s) {
    Bstr b;
    b.s_ = s;
    return b;
  }
  BSTR get() const { return s_; }
  BSTR* put() {
    SysFreeString(std::exchange(s_, nullptr));
    return &s_;
  }
  BSTR detach() { return std::exchange(s_, nullptr); }
  Text ToText() const { return TextOf(s_); }

  // A BSTR's text; a null BSTR is the empty text. Keeps embedded nulls.
  static Text TextOf(BSTR s);

 private:
  BSTR s_ = nullptr;
};

// A VARIANT that is cleared when the holder goes.
class Variant {
 public:
  Variant() { VariantInit(&v_); }
  Variant(const Variant& other);
  Variant& operator=(const Variant& other);
  Variant(Variant&& other) noexcept;
  Variant& operator=(Variant&& other) noexcept;
  ~Variant() { VariantClear(&v_); }

  static Variant Int32(std::int32_t value);
  static Variant Int16(std::int16_t value);
  static Variant Bool(bool value);
  static Variant String(TextView text);
  // VT_DISPATCH with its own reference (a null object is allowed).
  static Variant Dispatch(IDispatch* object);
  // VT_BYREF|type pointing at storage the caller keeps alive.
  static Variant ByRef(VARTYPE type, void* storage);

  VARIANT* get() { return &v_; }
  const VARIANT* get() const { return &v_; }
  VARIANT* put() {
    VariantClear(&v_);
    return &v_;
  }
  VARTYPE type() const { return V_VT(&v_); }
  // Moves the value out to a caller-owned VARIANT.
  void Detach(VARIANT* out);

 private:
  VARIANT v_;
};

// A SAFEARRAY that is destroyed when the holder goes.
class SafeArray {
 public:
  SafeArray() = default;
  explicit SafeArray(SAFEARRAY* a) : a_(a) {}
  SafeArray(const SafeArray&) = delete;
  SafeArray& operator=(const SafeArray&) = delete;
  SafeArray(SafeArray&& other) noexcept : a_(std::exchange(other.a_, nullptr)) {}
  ~SafeArray() {
    if (a_) SafeArrayDestroy(a_);
  }
  // An empty one-dimensional array of VARIANT, as an add-in's custom
  // argument arrives.
  static SafeArray EmptyVariants();

  SAFEARRAY* get() const { return a_; }
  SAFEARRAY** put() {
    if (a_) SafeArrayDestroy(std::exchange(a_, nullptr));
    return &a_;
  }

 private:
  SAFEARRAY* a_ = nullptr;
};

// An EXCEPINFO whose three strings are freed when the holder goes.
class ExcepInfo {
 public:
  ExcepInfo() { Clear(); }
  ExcepInfo(const ExcepInfo&) = delete;
  ExcepInfo& operator=(const ExcepInfo&) = delete;
  ~ExcepInfo() { Free(); }
  EXCEPINFO* get() { return &e_; }
  void Clear() {
    Free();
    e_ = EXCEPINFO{};
  }

 private:
  void Free();
  EXCEPINFO e_{};
};

// Initialises COM on this thread for the holder's lifetime (apartment model).
class ComApartment {
 public:
  ComApartment();
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  ~ComApartment();

 private:
  bool initialized_ = false;
};

// The VbError a failed COM call stands for: the editor's own number and
// description for DISP_E_EXCEPTION (0x800A0000 | n, or wCode), VB's numbers
// for the usual dispatch failures (438, 13, 450, 448, 6, 7, 9), and the
// HRESULT itself as "Automation error" otherwise. excepinfo may be null.
VbError ErrorFromHResult(HRESULT hr, EXCEPINFO* excepinfo);

// Throws ErrorFromHResult when hr is a failure.
void Check(HRESULT hr, EXCEPINFO* excepinfo = nullptr);

// The HRESULT that carries a VB error to a COM caller (0x800A0000 | number),
// with an IErrorInfo holding the description and source set on the thread,
// so IDispatch callers get DISP_E_EXCEPTION with both.
HRESULT ReportError(const VbError& error, const wchar_t* source, REFIID iid);

// For a catch block at a COM boundary: the current exception reported as
// ReportError does.
HRESULT ReportCurrentError(const wchar_t* source, REFIID iid) noexcept;

// Text as a caller-owned BSTR for an out parameter; E_OUTOFMEMORY on failure.
HRESULT ToBstr(TextView text, BSTR* out);

// Wide-character text for Win32 calls.
inline const wchar_t* Wide(const Text& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }
inline Text FromWide(const wchar_t* s) { return s ? Text(reinterpret_cast<const char16_t*>(s)) : Text(); }

}  // namespace qlx::com
