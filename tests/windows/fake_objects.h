// The fake editor's objects: VBE, CodePane, CodeModule and Window as
// IDispatch objects over libqlx's in-memory editor, so they answer by the
// editor's rules. Failures reach the caller as DISP_E_EXCEPTION with
// 0x800A0000 | number and the description, as the real editor's do. Every
// object counts itself, so a scenario can check that all were released.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "host/com/com_commandbars.h"
#include "host/com/com_holders.h"
#include "host/com/com_object.h"
#include "host/memory/editor.h"

namespace qlx::fake {

// Objects alive, over all fake objects of one editor.
struct FakeStats {
  long live = 0;
  // When set, every sink advised on a command bar's event source is also
  // kept here, as an editor that is slow to let go of it would.
  bool keep_sinks = false;
  std::vector<com::ComPtr<IDispatch>> kept_sinks;
};

class FakeObject : public com::ComObject<IDispatch> {
 public:
  // Its members by name, DISPID 1, 2, ... in order, and the one DISPID_VALUE
  // stands for.
  struct Members {
    std::vector<const wchar_t*> names;
    DISPID default_member = DISPID_UNKNOWN;
  };

  FakeObject(std::shared_ptr<FakeStats> stats, Members members);

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* excepinfo, UINT* arg_error) override;

  // The arguments of one call, in the caller's order.
  class Args {
   public:
    explicit Args(DISPPARAMS& params) : params_(params) {}
    UINT Count() const { return params_.cArgs; }
    VARIANT& At(UINT n) const { return params_.rgvarg[params_.cArgs - 1 - n]; }
    std::int32_t Int(UINT n) const;
    std::int32_t IntOr(UINT n, std::int32_t missing) const;
    bool BoolOr(UINT n, bool missing) const;
    Text String(UINT n) const;
    // The Long behind a by-reference argument; DISP_E_TYPEMISMATCH otherwise.
    LONG& LongRef(UINT n) const;
    void Expect(UINT least, UINT most) const;

   private:
    DISPPARAMS& params_;
  };

  const std::shared_ptr<FakeStats>& Stats() const { return stats_; }

 protected:
  ~FakeObject() override;
  void* Find(REFIID iid) override { return iid == IID_IDispatch ? static_cast<IDispatch*>(this) : nullptr; }
  // Member id (1-based index into the names) called with args.
  virtual com::Variant Call(DISPID id, WORD flags, const Args& args) = 0;

 private:
  std::shared_ptr<FakeStats> stats_;
  Members members_;
};

// A new fake object as an owned interface pointer.
template <class T, class... A>
com::ComPtr<T> MakeFake(A&&... args) {
  return com::ComPtr<T>::Adopt(new T(std::forward<A>(args)...));
}

// One of the editor's objects over its in-memory counterpart. Kind only
// tells the kinds apart: what each one's members are and how it answers
// them is written once, in fake_objects.cpp.
template <class Kind, class Counterpart>
class FakeOf final : public FakeObject {
 public:
  FakeOf(std::shared_ptr<FakeStats> stats, Counterpart counterpart);
  const Counterpart& Over() const { return counterpart_; }

 private:
  com::Variant Call(DISPID id, WORD flags, const Args& args) override;
  Counterpart counterpart_;
};

using FakeVBE = FakeOf<struct VbeKind, std::reference_wrapper<MemoryVBE>>;
using FakeCodePane = FakeOf<struct CodePaneKind, std::shared_ptr<MemoryCodePane>>;
using FakeCodeModule = FakeOf<struct CodeModuleKind, std::shared_ptr<MemoryCodeModule>>;
using FakeWindow = FakeOf<struct WindowKind, std::shared_ptr<qlx::Window>>;
// Application.CommandBars over the in-memory editor's bars; its default
// member is Item(name).
using FakeCommandBars = FakeOf<struct CommandBarsKind, std::reference_wrapper<MemoryVBE>>;
using FakeCommandBar = FakeOf<struct CommandBarKind, std::shared_ptr<MemoryCommandBar>>;
using FakeCommandBarControls = FakeOf<struct CommandBarControlsKind, std::shared_ptr<MemoryCommandBar>>;
using FakeCommandBarControl = FakeOf<struct CommandBarControlKind, std::shared_ptr<MemoryCommandBarControl>>;
// VBIDE's Events: CommandBarEvents(control) is a property get with the control.
using FakeEvents = FakeOf<struct EventsKind, std::reference_wrapper<MemoryVBE>>;

// One control's event source with a real connection point for the click
// events: a click on the in-memory control (MemoryCommandBarControl::Click)
// reaches every advised sink through IDispatch::Invoke(1, ...), the control
// and the two flags by reference, as the editor fires it.
class FakeCommandBarEvents : public FakeObject, public IConnectionPointContainer, public IConnectionPoint {
 public:
  FakeCommandBarEvents(std::shared_ptr<FakeStats> stats, std::shared_ptr<qlx::CommandBarEvents> source);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    return FakeObject::QueryInterface(iid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return FakeObject::AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return FakeObject::Release(); }

  // IConnectionPointContainer
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** out) override;
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** out) override;
  // IConnectionPoint
  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) override;
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** out) override;

  std::size_t SinkCount() const { return sinks_.size(); }
  HRESULT LastClickResult() const { return last_click_result_; }

 protected:
  ~FakeCommandBarEvents() override;
  void* Find(REFIID iid) override;

 private:
  com::Variant Call(DISPID, WORD, const Args&) override { return {}; }
  void Fire(const std::shared_ptr<CommandBarControl>& control, bool& handled, bool& cancel_default);

  std::shared_ptr<qlx::CommandBarEvents> source_;
  std::vector<std::pair<DWORD, com::ComPtr<IDispatch>>> sinks_;
  DWORD last_cookie_ = 0;
  HRESULT last_click_result_ = S_OK;
};

// The editor's window chain that GetVbaHwnd looks for: a main window of class
// "wndclass_desked_gsk", its "MDIClient", and a "VbaWindow" with the
// caption of a code pane's window. Destroyed with the holder.
class FakeWindowChain {
 public:
  explicit FakeWindowChain(const Text& code_window_caption);
  FakeWindowChain(const FakeWindowChain&) = delete;
  FakeWindowChain& operator=(const FakeWindowChain&) = delete;
  ~FakeWindowChain();

  HWND Main() const { return main_; }
  HWND Client() const { return client_; }
  HWND CodeWindow() const { return code_; }

 private:
  HWND main_ = nullptr;
  HWND client_ = nullptr;
  HWND code_ = nullptr;
};

}  // namespace qlx::fake
