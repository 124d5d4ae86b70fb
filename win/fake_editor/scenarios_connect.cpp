// QLX_Project.Connect as the editor drives it: created through its ProgID,
// connected and disconnected through the IDTExtensibility2 vtable and through
// IDispatch, holding the editor exactly while connected, and never letting a
// failure escape.
#include "fake_editor/fake_objects.h"
#include "fake_editor/harness.h"
#include "guids.h"
#include "host/com/dispatch.h"
#include "idtextensibility2.h"

namespace qlx::fake {
namespace {

using win::IDTExtensibility2;

com::ComPtr<IDTExtensibility2> CreateConnect() {
  CLSID clsid{};
  com::Check(CLSIDFromProgID(L"QLX_Project.Connect", &clsid));
  com::ComPtr<IDTExtensibility2> addin;
  com::Check(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, win::kIidIDTExtensibility2, addin.put_void()));
  return addin;
}

// Calls a member by name through IDispatch with arguments in the caller's order.
HRESULT InvokeByName(IDispatch* object, const wchar_t* name, std::vector<com::Variant>& args,
                     com::ExcepInfo& excepinfo) {
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  if (HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id); FAILED(hr)) return hr;
  std::vector<VARIANT> reversed;
  for (auto it = args.rbegin(); it != args.rend(); ++it) reversed.push_back(*it->get());
  DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  com::Variant result;
  UINT arg_error = 0;
  return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result.get(), excepinfo.get(),
                        &arg_error);
}

}  // namespace

void RunConnectScenarios(Harness& /*h*/) {
  Checks& t = TheChecks();
  auto stats = std::make_shared<FakeStats>();
  MemoryVBE editor;
  editor.AddModule(kSampleModuleName, SampleModule());
  editor.Pane(kSampleModuleName);
  com::ComPtr<FakeVBE> vbe = MakeFake<FakeVBE>(stats, editor);
  const ULONG own = vbe->Refs();

  t.Scenario("connect and disconnect through the IDTExtensibility2 vtable", [&] {
    com::ComPtr<IDTExtensibility2> addin = CreateConnect();
    com::SafeArray custom = com::SafeArray::EmptyVariants();
    SAFEARRAY* array = custom.get();
    CHECK_HR(addin->OnConnection(vbe.get(), win::ext_cm_AfterStartup, nullptr, &array));
    CHECK_MSG(vbe->Refs() > own, "the add-in keeps the editor while connected");
    CHECK_HR(addin->OnStartupComplete(&array));
    CHECK_HR(addin->OnAddInsUpdate(&array));
    CHECK_HR(addin->OnBeginShutdown(&array));
    CHECK_HR(addin->OnDisconnection(win::ext_dm_UserClosed, &array));
    CHECK_EQ(static_cast<long long>(vbe->Refs()), static_cast<long long>(own));
    // Connected again in every mode, then released without a disconnection.
    for (auto mode : {win::ext_cm_Startup, win::ext_cm_External, win::ext_cm_CommandLine}) {
      CHECK_HR(addin->OnConnection(vbe.get(), mode, nullptr, &array));
    }
    addin.reset();
    CHECK_EQ(static_cast<long long>(vbe->Refs()), static_cast<long long>(own));
  });

  t.Scenario("connect and disconnect through IDispatch", [&] {
    com::ComPtr<IDispatch> addin = CreateConnect().As<IDispatch>(IID_IDispatch);
    CHECK(addin);
    com::SafeArray custom = com::SafeArray::EmptyVariants();
    SAFEARRAY* array = custom.get();
    DISPID id = 0;
    LPOLESTR lower[] = {const_cast<LPOLESTR>(L"onconnection")};
    CHECK_HR(addin->GetIDsOfNames(IID_NULL, lower, 1, LOCALE_USER_DEFAULT, &id));
    CHECK_EQ(static_cast<long long>(id), 1LL);
    {
      // VB passes a literal mode as VT_I2 and the custom array by reference.
      std::vector<com::Variant> args{com::Variant::Dispatch(vbe.get()), com::Variant::Int16(0),
                                     com::Variant::Dispatch(nullptr),
                                     com::Variant::ByRef(VT_ARRAY | VT_VARIANT, &array)};
      com::ExcepInfo e;
      CHECK_HR(InvokeByName(addin.get(), L"OnConnection", args, e));
    }
    CHECK_MSG(vbe->Refs() > own, "the add-in keeps the editor while connected");
    for (const wchar_t* name : {L"OnStartupComplete", L"OnAddInsUpdate", L"OnBeginShutdown"}) {
      std::vector<com::Variant> args{com::Variant::ByRef(VT_ARRAY | VT_VARIANT, &array)};
      com::ExcepInfo e;
      CHECK_HR(InvokeByName(addin.get(), name, args, e));
    }
    {
      std::vector<com::Variant> args{com::Variant::Int32(1), com::Variant::ByRef(VT_ARRAY | VT_VARIANT, &array)};
      com::ExcepInfo e;
      CHECK_HR(InvokeByName(addin.get(), L"OnDisconnection", args, e));
    }
    CHECK_EQ(static_cast<long long>(vbe->Refs()), static_cast<long long>(own));
    {
      std::vector<com::Variant> args{com::Variant::Int32(1)};
      com::ExcepInfo e;
      CHECK_EQ(ShowHResult(InvokeByName(addin.get(), L"OnDisconnection", args, e)),
               ShowHResult(DISP_E_BADPARAMCOUNT));
      CHECK_EQ(ShowHResult(InvokeByName(addin.get(), L"NoSuchMember", args, e)), ShowHResult(DISP_E_UNKNOWNNAME));
      std::vector<com::Variant> wrong{com::Variant::String(u"x"), com::Variant::Int32(0), com::Variant::Dispatch(nullptr),
                                      com::Variant::ByRef(VT_ARRAY | VT_VARIANT, &array)};
      CHECK_EQ(ShowHResult(InvokeByName(addin.get(), L"OnConnection", wrong, e)), ShowHResult(DISP_E_TYPEMISMATCH));
    }
  });

  t.Scenario("a failing connection is reported, not thrown", [&] {
    com::ComPtr<IDTExtensibility2> addin = CreateConnect();
    com::SafeArray custom = com::SafeArray::EmptyVariants();
    SAFEARRAY* array = custom.get();
    // No editor object: VB's error 91 comes back as an HRESULT.
    CHECK_EQ(ShowHResult(addin->OnConnection(nullptr, win::ext_cm_AfterStartup, nullptr, &array)),
             ShowHResult(static_cast<HRESULT>(0x800A005B)));
    std::vector<com::Variant> args{com::Variant::Dispatch(nullptr), com::Variant::Int32(0),
                                   com::Variant::Dispatch(nullptr), com::Variant::ByRef(VT_ARRAY | VT_VARIANT, &array)};
    com::ExcepInfo e;
    CHECK_EQ(ShowHResult(InvokeByName(addin.get(), L"OnConnection", args, e)), ShowHResult(DISP_E_EXCEPTION));
    CHECK_EQ(ShowHResult(e.get()->scode), ShowHResult(static_cast<HRESULT>(0x800A005B)));
    CHECK_EQ(com::Bstr::TextOf(e.get()->bstrDescription), Text(u"Object variable or With block variable not set"));
  });

  vbe.reset();
  t.Scenario("the fake editor's objects are all released", [&] { CHECK_EQ(static_cast<long long>(stats->live), 0LL); });
}

}  // namespace qlx::fake
