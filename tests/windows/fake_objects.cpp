#include "windows/fake_objects.h"

#include <new>

#include <olectl.h>

namespace qlx::fake {
namespace {

constexpr std::uint32_t kVbErrorBase = 0x800A0000u;

bool IsGet(WORD flags) { return (flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) != 0; }

// Signals a dispatch failure that is not a VB error (wrong argument types).
struct DispatchFailure {
  HRESULT hr;
};

com::Variant Object(IDispatch* object) {
  com::Variant v = com::Variant::Dispatch(object);
  if (object) object->Release();  // Dispatch took its own reference
  return v;
}

com::Variant Nothing() { return com::Variant::Dispatch(nullptr); }

}  // namespace

FakeObject::FakeObject(std::shared_ptr<FakeStats> stats, Members members)
    : stats_(std::move(stats)), members_(std::move(members)) {
  ++stats_->live;
}

FakeObject::~FakeObject() { --stats_->live; }

HRESULT FakeObject::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT FakeObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return DISP_E_BADINDEX;
}

HRESULT FakeObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!names || !ids || count == 0) return E_INVALIDARG;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  const std::vector<const wchar_t*>& members = members_.names;
  for (std::size_t m = 0; m < members.size(); ++m) {
    if (CompareStringOrdinal(names[0], -1, members[m], -1, TRUE) == CSTR_EQUAL) ids[0] = static_cast<DISPID>(m + 1);
  }
  if (ids[0] == DISPID_UNKNOWN || count > 1) return DISP_E_UNKNOWNNAME;
  return S_OK;
}

HRESULT FakeObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                           EXCEPINFO* excepinfo, UINT*) {
  if (!params) return E_INVALIDARG;
  if (id == DISPID_VALUE && members_.default_member > 0) id = members_.default_member;
  if (id < 1 || static_cast<std::size_t>(id) > members_.names.size()) return DISP_E_MEMBERNOTFOUND;
  // A property put names its value DISPID_PROPERTYPUT; no other named arguments.
  const bool put = (flags & DISPATCH_PROPERTYPUT) != 0;
  if (params->cNamedArgs > (put ? 1u : 0u)) return DISP_E_NONAMEDARGS;
  if (put && (params->cNamedArgs != 1 || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)) {
    return DISP_E_PARAMNOTOPTIONAL;
  }
  try {
    com::Variant value = Call(id, flags, Args(*params));
    if (result) value.Detach(result);
    return S_OK;
  } catch (const DispatchFailure& f) {
    return f.hr;
  } catch (...) {
    const VbError error = CurrentError();
    if (excepinfo) {
      *excepinfo = EXCEPINFO{};
      excepinfo->scode = static_cast<SCODE>(kVbErrorBase | static_cast<std::uint32_t>(error.Number()));
      excepinfo->bstrSource = SysAllocString(L"VBIDE");
      BSTR description = nullptr;
      com::ToBstr(error.Description(), &description);
      excepinfo->bstrDescription = description;
    }
    return DISP_E_EXCEPTION;
  }
}

void FakeObject::Args::Expect(UINT least, UINT most) const {
  if (Count() < least || Count() > most) throw DispatchFailure{DISP_E_BADPARAMCOUNT};
}

std::int32_t FakeObject::Args::Int(UINT n) const {
  com::Variant v;
  if (FAILED(VariantChangeType(v.get(), &At(n), 0, VT_I4))) throw DispatchFailure{DISP_E_TYPEMISMATCH};
  return V_I4(v.get());
}

std::int32_t FakeObject::Args::IntOr(UINT n, std::int32_t missing) const {
  return n < Count() ? Int(n) : missing;
}

bool FakeObject::Args::BoolOr(UINT n, bool missing) const {
  if (n >= Count()) return missing;
  com::Variant v;
  if (FAILED(VariantChangeType(v.get(), &At(n), 0, VT_BOOL))) throw DispatchFailure{DISP_E_TYPEMISMATCH};
  return V_BOOL(v.get()) != VARIANT_FALSE;
}

Text FakeObject::Args::String(UINT n) const {
  com::Variant v;
  if (FAILED(VariantChangeType(v.get(), &At(n), 0, VT_BSTR))) throw DispatchFailure{DISP_E_TYPEMISMATCH};
  return com::Bstr::TextOf(V_BSTR(v.get()));
}

LONG& FakeObject::Args::LongRef(UINT n) const {
  VARIANT* v = &At(n);
  if (V_VT(v) == (VT_VARIANT | VT_BYREF)) v = V_VARIANTREF(v);
  if (v && V_VT(v) == (VT_I4 | VT_BYREF) && V_I4REF(v)) return *V_I4REF(v);
  throw DispatchFailure{DISP_E_TYPEMISMATCH};
}

// ---------------------------------------------------------------------------
// Each kind of the editor's objects: its members, then its answers.

namespace {

FakeObject::Members MembersOf(const FakeVBE*) { return {{L"ActiveCodePane", L"CommandBars", L"Events"}}; }

com::Variant Answer(const FakeVBE& self, DISPID id, WORD flags, const FakeObject::Args& args) {
  MemoryVBE& vbe = self.Over();
  if (!IsGet(flags)) throw DispatchFailure{DISP_E_MEMBERNOTFOUND};
  args.Expect(0, 0);
  if (id == 2) {
    vbe.CommandBars();  // counted as the editor counts it
    return Object(new FakeCommandBars(self.Stats(), vbe));
  }
  if (id == 3) return Object(new FakeEvents(self.Stats(), vbe));
  if (id != 1) throw DispatchFailure{DISP_E_MEMBERNOTFOUND};
  std::shared_ptr<MemoryCodePane> pane = vbe.ActivePane();
  vbe.ActiveCodePane();  // counted as the editor counts it
  if (!pane) return Nothing();
  return Object(new FakeCodePane(self.Stats(), pane));
}

FakeObject::Members MembersOf(const FakeCodePane*) { return {{L"CodeModule", L"Window", L"GetSelection"}}; }

com::Variant Answer(const FakeCodePane& self, DISPID id, WORD flags, const FakeObject::Args& args) {
  MemoryCodePane& pane = *self.Over();
  if (!IsGet(flags)) throw DispatchFailure{DISP_E_MEMBERNOTFOUND};
  switch (id) {
    case 1:
      args.Expect(0, 0);
      pane.CodeModule();
      return Object(new FakeCodeModule(self.Stats(), pane.Module()));
    case 2:
      args.Expect(0, 0);
      return Object(new FakeWindow(self.Stats(), pane.Window()));
    case 3: {
      args.Expect(4, 4);
      Row start_line = 0;
      Row end_line = 0;
      std::int32_t start_column = 0;
      std::int32_t end_column = 0;
      pane.GetSelection(start_line, start_column, end_line, end_column);
      args.LongRef(0) = start_line;
      args.LongRef(1) = start_column;
      args.LongRef(2) = end_line;
      args.LongRef(3) = end_column;
      return {};
    }
    default:
      throw DispatchFailure{DISP_E_MEMBERNOTFOUND};
  }
}

FakeObject::Members MembersOf(const FakeCodeModule*) {
  return {{L"Name", L"Lines", L"CountOfLines", L"CountOfDeclarationLines", L"InsertLines", L"DeleteLines",
           L"ReplaceLine", L"ProcOfLine", L"ProcStartLine", L"ProcCountLines", L"ProcBodyLine", L"Find"}};
}

com::Variant Answer(const FakeCodeModule& self, DISPID id, WORD flags, const FakeObject::Args& args) {
  if (!IsGet(flags)) throw DispatchFailure{DISP_E_MEMBERNOTFOUND};
  MemoryCodeModule& m = *self.Over();
  switch (id) {
    case 1:
      args.Expect(0, 0);
      return com::Variant::String(m.Name());
    case 2:
      args.Expect(2, 2);
      return com::Variant::String(m.Lines(args.Int(0), args.Int(1)));
    case 3:
      args.Expect(0, 0);
      return com::Variant::Int32(m.CountOfLines());
    case 4:
      args.Expect(0, 0);
      return com::Variant::Int32(m.CountOfDeclarationLines());
    case 5:
      args.Expect(2, 2);
      m.InsertLines(args.Int(0), args.String(1));
      return {};
    case 6:
      args.Expect(1, 2);
      m.DeleteLines(args.Int(0), args.IntOr(1, 1));
      return {};
    case 7:
      args.Expect(2, 2);
      m.ReplaceLine(args.Int(0), args.String(1));
      return {};
    case 8: {
      args.Expect(2, 2);
      LONG& kind_out = args.LongRef(1);
      ProcKind kind = kind_out;
      Text name = m.ProcOfLine(args.Int(0), kind);
      kind_out = kind;
      return com::Variant::String(name);
    }
    case 9:
      args.Expect(2, 2);
      return com::Variant::Int32(m.ProcStartLine(args.String(0), args.Int(1)));
    case 10:
      args.Expect(2, 2);
      return com::Variant::Int32(m.ProcCountLines(args.String(0), args.Int(1)));
    case 11:
      args.Expect(2, 2);
      return com::Variant::Int32(m.ProcBodyLine(args.String(0), args.Int(1)));
    case 12: {
      args.Expect(5, 8);
      Row start_line = args.LongRef(1);
      std::int32_t start_column = args.LongRef(2);
      Row end_line = args.LongRef(3);
      std::int32_t end_column = args.LongRef(4);
      const bool found = m.Find(args.String(0), start_line, start_column, end_line, end_column, args.BoolOr(5, false),
                                args.BoolOr(6, false), args.BoolOr(7, false));
      args.LongRef(1) = start_line;
      args.LongRef(2) = start_column;
      args.LongRef(3) = end_line;
      args.LongRef(4) = end_column;
      return com::Variant::Bool(found);
    }
    default:
      throw DispatchFailure{DISP_E_MEMBERNOTFOUND};
  }
}

FakeObject::Members MembersOf(const FakeWindow*) { return {{L"Caption"}}; }

com::Variant Answer(const FakeWindow& self, DISPID id, WORD flags, const FakeObject::Args& args) {
  if (id != 1 || !IsGet(flags)) throw DispatchFailure{DISP_E_MEMBERNOTFOUND};
  args.Expect(0, 0);
  return com::Variant::String(self.Over()->Caption());
}

// Command bars and their events

FakeObject::Members MembersOf(const FakeCommandBars*) { return {{L"Item"}, 1}; }

com::Variant Answer(const FakeCommandBars& self, DISPID id, WORD flags, const FakeObject::Args& args) {
  if (id != 1 || !IsGet(flags)) throw DispatchFailure{DISP_E_MEMBERNOTFOUND};
  args.Expect(1, 1);
  auto bar = std::dynamic_pointer_cast<MemoryCommandBar>(self.Over().get().Bars().Item(args.String(0)));
  if (!bar) return Nothing();
  return Object(new FakeCommandBar(self.Stats(), std::move(bar)));
}

FakeObject::Members MembersOf(const FakeCommandBar*) { return {{L"Name", L"Controls"}}; }

com::Variant Answer(const FakeCommandBar& self, DISPID id, WORD flags, const FakeObject::Args& args) {
  const std::shared_ptr<MemoryCommandBar>& bar = self.Over();
  if (!IsGet(flags)) throw DispatchFailure{DISP_E_MEMBERNOTFOUND};
  args.Expect(0, 0);
  if (id == 1) return com::Variant::String(bar->Name());
  bar->Controls();
  return Object(new FakeCommandBarControls(self.Stats(), bar));
}

FakeObject::Members MembersOf(const FakeCommandBarControls*) { return {{L"Count", L"Item", L"Add"}, 2}; }

com::Variant Answer(const FakeCommandBarControls& self, DISPID id, WORD flags, const FakeObject::Args& args) {
  MemoryCommandBar& bar = *self.Over();
  if (!IsGet(flags)) throw DispatchFailure{DISP_E_MEMBERNOTFOUND};
  std::shared_ptr<CommandBarControl> control;
  switch (id) {
    case 1:
      args.Expect(0, 0);
      return com::Variant::Int32(bar.Count());
    case 2:
      args.Expect(1, 1);
      control = bar.Item(args.Int(0));
      break;
    default:
      // Add(Type, Id, Parameter, Before, Temporary); left-out ones come as VT_ERROR.
      args.Expect(0, 5);
      control = bar.Add(args.IntOr(0, kControlButton),
                        args.Count() > 4 && V_VT(&args.At(4)) != VT_ERROR && args.BoolOr(4, false));
      break;
  }
  auto memory_control = std::dynamic_pointer_cast<MemoryCommandBarControl>(control);
  if (!memory_control) return Nothing();
  return Object(new FakeCommandBarControl(self.Stats(), std::move(memory_control)));
}

FakeObject::Members MembersOf(const FakeCommandBarControl*) { return {{L"Caption", L"Delete"}}; }

com::Variant Answer(const FakeCommandBarControl& self, DISPID id, WORD flags, const FakeObject::Args& args) {
  MemoryCommandBarControl& control = *self.Over();
  if (id == 1 && (flags & DISPATCH_PROPERTYPUT)) {
    args.Expect(1, 1);
    control.SetCaption(args.String(0));
    return {};
  }
  if (!IsGet(flags)) throw DispatchFailure{DISP_E_MEMBERNOTFOUND};
  if (id == 1) {
    args.Expect(0, 0);
    return com::Variant::String(control.Caption());
  }
  args.Expect(0, 1);
  control.Delete();
  return {};
}

FakeObject::Members MembersOf(const FakeEvents*) { return {{L"CommandBarEvents"}}; }

com::Variant Answer(const FakeEvents& self, DISPID id, WORD flags, const FakeObject::Args& args) {
  if (id != 1 || !(flags & DISPATCH_PROPERTYGET)) throw DispatchFailure{DISP_E_MEMBERNOTFOUND};
  args.Expect(1, 1);
  com::Variant value;
  if (FAILED(VariantCopyInd(value.get(), &args.At(0)))) throw DispatchFailure{DISP_E_TYPEMISMATCH};
  std::shared_ptr<CommandBarControl> control;
  if (V_VT(value.get()) == VT_DISPATCH && V_DISPATCH(value.get())) {
    auto* fake = dynamic_cast<FakeCommandBarControl*>(V_DISPATCH(value.get()));
    if (!fake) throw VbError(13);  // type mismatch
    control = fake->Over();
  }
  std::shared_ptr<qlx::CommandBarEvents> source = self.Over().get().Events()->CommandBarEvents(control);
  return Object(new FakeCommandBarEvents(self.Stats(), std::move(source)));
}

}  // namespace

template <class Kind, class Counterpart>
FakeOf<Kind, Counterpart>::FakeOf(std::shared_ptr<FakeStats> stats, Counterpart counterpart)
    : FakeObject(std::move(stats), MembersOf(static_cast<const FakeOf*>(nullptr))),
      counterpart_(std::move(counterpart)) {}

template <class Kind, class Counterpart>
com::Variant FakeOf<Kind, Counterpart>::Call(DISPID id, WORD flags, const Args& args) {
  return Answer(*this, id, flags, args);
}

// Made here, once each, for every kind the header names.
template class FakeOf<VbeKind, std::reference_wrapper<MemoryVBE>>;
template class FakeOf<CodePaneKind, std::shared_ptr<MemoryCodePane>>;
template class FakeOf<CodeModuleKind, std::shared_ptr<MemoryCodeModule>>;
template class FakeOf<WindowKind, std::shared_ptr<qlx::Window>>;
template class FakeOf<CommandBarsKind, std::reference_wrapper<MemoryVBE>>;
template class FakeOf<CommandBarKind, std::shared_ptr<MemoryCommandBar>>;
template class FakeOf<CommandBarControlsKind, std::shared_ptr<MemoryCommandBar>>;
template class FakeOf<CommandBarControlKind, std::shared_ptr<MemoryCommandBarControl>>;
template class FakeOf<EventsKind, std::reference_wrapper<MemoryVBE>>;

FakeCommandBarEvents::FakeCommandBarEvents(std::shared_ptr<FakeStats> stats,
                                           std::shared_ptr<qlx::CommandBarEvents> source)
    : FakeObject(std::move(stats), Members{}), source_(std::move(source)) {
  source_->SetClickHandler(
      [this](const std::shared_ptr<CommandBarControl>& control, bool& handled, bool& cancel_default) {
        Fire(control, handled, cancel_default);
      });
}

FakeCommandBarEvents::~FakeCommandBarEvents() { source_->SetClickHandler(nullptr); }

void* FakeCommandBarEvents::Find(REFIID iid) {
  if (iid == IID_IConnectionPointContainer) return static_cast<IConnectionPointContainer*>(this);
  if (iid == IID_IConnectionPoint) return static_cast<IConnectionPoint*>(this);
  return FakeObject::Find(iid);
}

HRESULT FakeCommandBarEvents::EnumConnectionPoints(IEnumConnectionPoints** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

HRESULT FakeCommandBarEvents::FindConnectionPoint(REFIID iid, IConnectionPoint** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (iid != com::kDiidCommandBarControlEvents) return CONNECT_E_NOCONNECTION;
  *out = static_cast<IConnectionPoint*>(this);
  AddRef();
  return S_OK;
}

HRESULT FakeCommandBarEvents::GetConnectionInterface(IID* iid) {
  if (!iid) return E_POINTER;
  *iid = com::kDiidCommandBarControlEvents;
  return S_OK;
}

HRESULT FakeCommandBarEvents::GetConnectionPointContainer(IConnectionPointContainer** out) {
  if (!out) return E_POINTER;
  *out = static_cast<IConnectionPointContainer*>(this);
  AddRef();
  return S_OK;
}

HRESULT FakeCommandBarEvents::Advise(IUnknown* sink, DWORD* cookie) {
  if (!sink || !cookie) return E_POINTER;
  *cookie = 0;
  // As the editor does: the sink must answer for the event interface.
  com::ComPtr<IDispatch> events;
  if (FAILED(sink->QueryInterface(com::kDiidCommandBarControlEvents, events.put_void())) || !events) {
    return CONNECT_E_CANNOTCONNECT;
  }
  *cookie = ++last_cookie_;
  if (Stats()->keep_sinks) Stats()->kept_sinks.push_back(events);
  sinks_.push_back({*cookie, std::move(events)});
  return S_OK;
}

HRESULT FakeCommandBarEvents::Unadvise(DWORD cookie) {
  for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
    if (it->first == cookie) {
      com::ComPtr<IDispatch> released = std::move(it->second);
      sinks_.erase(it);
      return S_OK;
    }
  }
  return CONNECT_E_NOCONNECTION;
}

HRESULT FakeCommandBarEvents::EnumConnections(IEnumConnections** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

void FakeCommandBarEvents::Fire(const std::shared_ptr<CommandBarControl>& control, bool& handled,
                                bool& cancel_default) {
  auto memory_control = std::dynamic_pointer_cast<MemoryCommandBarControl>(control);
  // A sink may unadvise itself while it runs: fire a copy of the list.
  const auto sinks = sinks_;
  for (const auto& [cookie, sink] : sinks) {
    com::Variant arg_control = Object(new FakeCommandBarControl(Stats(), memory_control));
    VARIANT_BOOL handled_flag = handled ? VARIANT_TRUE : VARIANT_FALSE;
    VARIANT_BOOL cancel_flag = cancel_default ? VARIANT_TRUE : VARIANT_FALSE;
    VARIANT args[3];
    VariantInit(&args[0]);
    VariantInit(&args[1]);
    V_VT(&args[0]) = VT_BOOL | VT_BYREF;  // CancelDefault, the last argument
    V_BOOLREF(&args[0]) = &cancel_flag;
    V_VT(&args[1]) = VT_BOOL | VT_BYREF;  // handled
    V_BOOLREF(&args[1]) = &handled_flag;
    args[2] = *arg_control.get();  // the control, the first argument
    DISPPARAMS params{args, nullptr, 3, 0};
    com::ExcepInfo excepinfo;
    UINT arg_error = 0;
    last_click_result_ = sink->Invoke(com::kDispidClick, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                      nullptr, excepinfo.get(), &arg_error);
    handled = handled_flag != VARIANT_FALSE;
    cancel_default = cancel_flag != VARIANT_FALSE;
  }
}

namespace {

LRESULT CALLBACK PlainWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

void RegisterPlainClass(const wchar_t* name) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = PlainWindowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = name;
  RegisterClassExW(&wc);  // a second registration fails harmlessly
}

}  // namespace

FakeWindowChain::FakeWindowChain(const Text& code_window_caption) {
  RegisterPlainClass(L"wndclass_desked_gsk");
  RegisterPlainClass(L"VbaWindow");
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  main_ = CreateWindowExW(0, L"wndclass_desked_gsk", L"Microsoft Visual Basic for Applications - Fake",
                          WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr, nullptr, instance, nullptr);
  CLIENTCREATESTRUCT client{};
  client.idFirstChild = 1000;
  client_ = CreateWindowExW(0, L"MDICLIENT", L"", WS_CHILD | WS_CLIPCHILDREN | WS_VISIBLE, 0, 0, 640, 480, main_,
                            nullptr, instance, &client);
  code_ = CreateWindowExW(0, L"VbaWindow", com::Wide(code_window_caption), WS_CHILD | WS_VISIBLE, 0, 0, 320, 240,
                          client_, nullptr, instance, nullptr);
  if (!main_ || !client_ || !code_) throw VbError(vberr::kInvalidCall, u"The fake editor's windows cannot be made");
  ShowWindow(main_, SW_SHOWNA);  // the editor is on the screen when its menu is used
}

FakeWindowChain::~FakeWindowChain() {
  if (main_) DestroyWindow(main_);  // its children go with it
}

}  // namespace qlx::fake
