// The end of the run: with every object released the DLL may unload, and
// unregistration leaves the user's registry as it was before the run.
#include "windows/harness.h"

namespace qlx::fake {

void RunUnloadScenarios(Harness& h) {
  Checks& t = TheChecks();
  auto* can_unload = EntryPoint<HRESULT STDAPICALLTYPE()>(h, "DllCanUnloadNow");
  auto* unregister_server = EntryPoint<HRESULT STDAPICALLTYPE()>(h, "DllUnregisterServer");
  if (!can_unload || !unregister_server) {
    t.Scenario("the DLL was loaded", [] { CHECK(false); });
    return;
  }

  t.Scenario("DllCanUnloadNow answers S_OK once every object is released", [&] {
    CHECK_EQ(ShowHResult(can_unload()), ShowHResult(S_OK));
    // A server lock keeps it loaded.
    com::ComPtr<IClassFactory> factory;
    auto* get_class = EntryPoint<HRESULT STDAPICALLTYPE(REFCLSID, REFIID, void**)>(h, "DllGetClassObject");
    CLSID clsid{};
    CHECK_HR(CLSIDFromProgID(L"QLX_Project.Connect", &clsid));
    CHECK_HR(get_class(clsid, IID_IClassFactory, factory.put_void()));
    if (factory) {
      CHECK_HR(factory->LockServer(TRUE));
      factory.reset();
      CHECK_EQ(ShowHResult(can_unload()), ShowHResult(S_FALSE));
      CHECK_HR(get_class(clsid, IID_IClassFactory, factory.put_void()));
      CHECK_HR(factory->LockServer(FALSE));
      factory.reset();
    }
    CHECK_EQ(ShowHResult(can_unload()), ShowHResult(S_OK));
    IClassFactory* none = nullptr;
    CHECK_EQ(ShowHResult(get_class(IID_IUnknown, IID_IClassFactory, reinterpret_cast<void**>(&none))),
             ShowHResult(CLASS_E_CLASSNOTAVAILABLE));
    CoFreeUnusedLibrariesEx(0, 0);
  });

  t.Scenario("no message box was left unchecked", [&] {
    for (const SeenBox& box : h.boxes->Take()) CHECK_MSG(false, "unexpected box " + Show(box));
  });

  t.Scenario("unregistration leaves the registry as it was before the run", [&] {
    RemoveMirror(h);
    CHECK_EQ(ShowHResult(unregister_server()), ShowHResult(S_OK));
    const std::vector<std::wstring> lines = Difference(h.initial_registry, UserSoftware());
    std::string detail;
    for (std::size_t i = 0; i < lines.size() && i < 12; ++i) detail += "\n      " + Show(lines[i]);
    CHECK_MSG(lines.empty(), detail);
  });
}

}  // namespace qlx::fake
