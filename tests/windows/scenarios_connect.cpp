// QLX_Project.Connect as the editor drives it: created through its ProgID,
// connected and disconnected through the IDTExtensibility2 vtable and through
// IDispatch, holding the editor exactly while connected, and never letting a
// failure escape.
#include <algorithm>

#include "addin/connect.h"
#include "settings/win32/win_settings.h"
#include "windows/fake_objects.h"
#include "windows/harness.h"
#include "windows/tool_window.h"
#include "support/editor.h"
#include "host/com/dispatch.h"
#include "idtextensibility2.h"

namespace qlx::fake {

using testing::EditorWith;

namespace {

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


// The captions on the editor's "Add-Ins" bar.
std::vector<Text> AddInsCaptions(MemoryVBE& editor) {
  auto bar = editor.Bars().Bar(u"Add-Ins");
  return bar ? bar->Captions() : std::vector<Text>{};
}

long long CountOf(const std::vector<Text>& texts, const Text& text) {
  return static_cast<long long>(std::count(texts.begin(), texts.end(), text));
}

std::string ShowBoxes(const std::vector<SeenBox>& boxes) {
  std::string out;
  for (const SeenBox& box : boxes) out += Show(box) + " ";
  return out;
}

}  // namespace

void RemoveAddInUserSettings(const Harness& h) {
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\VB and VBA Program Settings\\Plumewrighter");
  if (!h.vb_settings_existed) RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\VB and VBA Program Settings");
}

bool VbSettingsExist() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\VB and VBA Program Settings", 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

namespace {

void RunMenuScenarios(Harness& h) {
  Checks& t = TheChecks();
  auto stats = std::make_shared<FakeStats>();
  const std::shared_ptr<MemoryVBE> editor = EditorWith(kSampleModuleName, SampleModule()).Build();
  com::ComPtr<FakeVBE> vbe = MakeFake<FakeVBE>(stats, *editor);
  RegistryUserSettingsStore settings;

  t.Scenario("the menu item: one while connected, none after disconnection, DisplayOnConnect 0", [&] {
    Session s;
    s.addin = CreateConnect();
    if (!s.addin) return;
    for (int round = 0; round < 2; ++round) {
      CHECK_HR(s.addin->OnConnection(vbe.get(), win::ext_cm_AfterStartup, nullptr, &s.array));
      const std::vector<Text> captions = AddInsCaptions(*editor);
      CHECK_EQ(static_cast<long long>(captions.size()), 1LL);
      CHECK_EQ(CountOf(captions, kMenuCaption), 1LL);
      CHECK_HR(s.addin->OnDisconnection(win::ext_dm_UserClosed, &s.array));
      CHECK_EQ(static_cast<long long>(AddInsCaptions(*editor).size()), 0LL);
      CHECK_EQ(GetDisplayOnConnect(settings), Text(u"0"));
    }
    // An external connection puts no item on the bar.
    CHECK_HR(s.addin->OnConnection(vbe.get(), win::ext_cm_External, nullptr, &s.array));
    CHECK_EQ(static_cast<long long>(AddInsCaptions(*editor).size()), 0LL);
    CHECK_HR(s.addin->OnDisconnection(win::ext_dm_HostShutdown, &s.array));
    const std::vector<SeenBox> boxes = h.boxes->Take();
    CHECK_MSG(boxes.empty(), "no message box: " + ShowBoxes(boxes));
  });

  t.Scenario("a click reaches the add-in through the connection point only while connected", [&] {
    Session s;
    if (!s.Connect(CreateConnect(), vbe.get(), *editor, win::ext_cm_Startup)) return;
    s.Disconnect();
    // The add-in's event source is gone, so nothing is listening any more.
    CHECK_EQ(s.item->Click(), 0);
  });

  vbe.reset();
  t.Scenario("the menu scenarios release every fake object", [&] { CHECK_EQ(static_cast<long long>(stats->live), 0LL); });
  RemoveAddInUserSettings(h);
}

}  // namespace

void RunConnectScenarios(Harness& h) {
  h.vb_settings_existed = VbSettingsExist();
  RunMenuScenarios(h);
  Checks& t = TheChecks();
  auto stats = std::make_shared<FakeStats>();
  const std::shared_ptr<MemoryVBE> editor = EditorWith(kSampleModuleName, SampleModule()).Build();
  com::ComPtr<FakeVBE> vbe = MakeFake<FakeVBE>(stats, *editor);
  const ULONG own = vbe->Refs();

  t.Scenario("connect and disconnect through the IDTExtensibility2 vtable", [&] {
    Session s;
    if (!s.Connect(CreateConnect(), vbe.get(), *editor)) return;
    CHECK_MSG(vbe->Refs() > own, "the add-in keeps the editor while connected");
    CHECK_HR(s.addin->OnStartupComplete(&s.array));
    CHECK_HR(s.addin->OnAddInsUpdate(&s.array));
    CHECK_HR(s.addin->OnBeginShutdown(&s.array));
    CHECK_HR(s.addin->OnDisconnection(win::ext_dm_UserClosed, &s.array));
    CHECK_EQ(static_cast<long long>(vbe->Refs()), static_cast<long long>(own));
    // Connected again in every mode, then released without a disconnection.
    for (auto mode : {win::ext_cm_Startup, win::ext_cm_External, win::ext_cm_CommandLine}) {
      CHECK_HR(s.addin->OnConnection(vbe.get(), mode, nullptr, &s.array));
    }
    s.addin.reset();
    CHECK_EQ(static_cast<long long>(vbe->Refs()), static_cast<long long>(own));
  });

  t.Scenario("connect and disconnect through IDispatch", [&] {
    com::ComPtr<IDispatch> addin = CreateConnect().As<IDispatch>(IID_IDispatch);
    if (!CHECK(addin)) return;
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
    Session s;
    s.addin = CreateConnect();
    if (!s.addin) return;
    // No editor object: VB's error 91 comes back as an HRESULT.
    CHECK_EQ(ShowHResult(s.addin->OnConnection(nullptr, win::ext_cm_AfterStartup, nullptr, &s.array)),
             ShowHResult(static_cast<HRESULT>(0x800A005B)));
    std::vector<com::Variant> args{com::Variant::Dispatch(nullptr), com::Variant::Int32(0),
                                   com::Variant::Dispatch(nullptr),
                                   com::Variant::ByRef(VT_ARRAY | VT_VARIANT, &s.array)};
    com::ExcepInfo e;
    CHECK_EQ(ShowHResult(InvokeByName(s.addin.get(), L"OnConnection", args, e)), ShowHResult(DISP_E_EXCEPTION));
    CHECK_EQ(ShowHResult(e.get()->scode), ShowHResult(static_cast<HRESULT>(0x800A005B)));
    CHECK_EQ(com::Bstr::TextOf(e.get()->bstrDescription), Text(u"Object variable or With block variable not set"));
  });

  vbe.reset();
  t.Scenario("the fake editor's objects are all released", [&] { CHECK_EQ(static_cast<long long>(stats->live), 0LL); });
  RemoveAddInUserSettings(h);
}

}  // namespace qlx::fake
