// The DLL's entry points. Each one is an exception barrier (ComGuarded):
// nothing thrown inside reaches the caller.
#include <atomic>

#include <olectl.h>

#include "class_factory.h"
#include "com_barrier.h"
#include "host/com/com_object.h"
#include "cls_proc_inf_com.h"
#include "connect_object.h"
#include "guids.h"
#include "module.h"
#include "registration.h"

namespace qlx::win {
namespace {

// What COM requires of a DLL server and nothing more: its own handle and
// the count of objects and locks that keep it loaded.
HMODULE g_module = nullptr;
std::atomic<long> g_locks{0};

}  // namespace

HMODULE ThisModule() { return g_module; }

Text ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(g_module, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) throw com::ErrorFromHResult(HRESULT_FROM_WIN32(GetLastError()), nullptr);
    if (length < path.size()) {
      path.resize(length);
      return com::FromWide(path.c_str());
    }
    path.resize(path.size() * 2);
  }
}

Text ModuleDirectory() {
  Text path = ModulePath();
  const std::size_t slash = path.find_last_of(u"\\/");
  return slash == Text::npos ? Text() : path.substr(0, slash);
}

void LockModule() { ++g_locks; }
void UnlockModule() { --g_locks; }
bool ModuleInUse() { return g_locks.load() != 0 || com::LiveObjects().load() != 0; }

}  // namespace qlx::win

using namespace qlx::win;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
  }
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  using qlx::com::NewObject;
  if (clsid == kClsidConnect) return NewObject([] { return new ClassFactory<ConnectObject>(); }, iid, out);
  if (clsid == kClsidClsProcInf) return NewObject([] { return new ClassFactory<ClsProcInfObject>(); }, iid, out);
  return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return ModuleInUse() ? S_FALSE : S_OK; }

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  const HRESULT hr = ComGuarded(SELFREG_E_CLASS, [] { RegisterServer(ModulePath()); });
  // Leave nothing half registered.
  if (FAILED(hr)) ComGuarded(SELFREG_E_CLASS, [] { UnregisterServer(); });
  return hr;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
  return ComGuarded(SELFREG_E_CLASS, [] { UnregisterServer(); });
}
