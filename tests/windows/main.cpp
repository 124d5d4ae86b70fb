// The fake editor: loads qlx.dll as the VBA editor would and runs the
// scenarios against it. Usage:
//   fake_editor PATH\qlx.dll [--hold-window MS]   every scenario
//   fake_editor PATH\qlx.dll --dpi DPI            the window's scenarios at that DPI
//   fake_editor --installed                       the add-in install.cmd left
//   fake_editor --registry-snapshot FILE          HKCU\Software, for comparison
// Prints one line per scenario and ends with "RESULT: PASS" or "RESULT: FAIL".
#include <algorithm>
#include <cstdio>
#include <cwchar>

#include "windows/harness.h"

namespace qlx::fake {
namespace {

bool UnderWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

int Run(int argc, wchar_t** argv) {
  if (argc == 3 && std::wcscmp(argv[1], L"--registry-snapshot") == 0) return WriteRegistrySnapshot(argv[2]) ? 0 : 1;
  const bool installed = argc == 2 && std::wcscmp(argv[1], L"--installed") == 0;
  const bool hold = argc == 4 && std::wcscmp(argv[2], L"--hold-window") == 0;
  const bool dpi_only = argc == 4 && std::wcscmp(argv[2], L"--dpi") == 0;
  if (argc != 2 && !hold && !dpi_only) {
    std::fputs("usage: fake_editor PATH\\qlx.dll [--hold-window MS | --dpi DPI] | --installed | --registry-snapshot FILE\n",
               stderr);
    return 2;
  }
  // As the Office applications are: the screen's DPI is seen as it is.
  SetProcessDPIAware();
  com::ComApartment apartment;
  BoxWatcher boxes;
  Harness h;
  if (installed) {
    h.under_wine = UnderWine();
    h.boxes = &boxes;
    std::printf("fake editor, installed add-in (%d-bit)\n", static_cast<int>(sizeof(void*) * 8));
    RunInstalledScenarios(h);
    return TheChecks().Finish() ? 0 : 1;
  }
  wchar_t full[MAX_PATH * 2] = {};
  if (!GetFullPathNameW(argv[1], MAX_PATH * 2, full, nullptr)) {
    std::fputs("cannot resolve the DLL's path\n", stderr);
    return 2;
  }
  h.dll_path = full;
  if (hold) h.hold_window_ms = std::max(0, _wtoi(argv[3]));
  h.under_wine = UnderWine();
  h.boxes = &boxes;
  std::printf("fake editor (%s, %d-bit)\n", h.under_wine ? "Wine" : "Windows", static_cast<int>(sizeof(void*) * 8));

  if (dpi_only) {
    // Loaded directly: this run only looks at the window.
    h.dll = LoadLibraryW(h.dll_path.c_str());
    RunDpiScenarios(h, _wtoi(argv[3]));
    return TheChecks().Finish() ? 0 : 1;
  }
  RunPortabilityScenarios(h);
  RunHostScenarios(h);
  RunRegistrationScenarios(h);
  RunConnectScenarios(h);
  RunWindowScenarios(h);
  RunWorkflowScenarios(h);
  RunClsProcInfScenarios(h);
  RunRuntimeScenarios(h);
  RunHostCallScenarios(h);
  RunUnloadScenarios(h);
  return TheChecks().Finish() ? 0 : 1;
}

}  // namespace
}  // namespace qlx::fake

int wmain(int argc, wchar_t** argv) {
  try {
    return qlx::fake::Run(argc, argv);
  } catch (...) {
    std::fputs("fake editor: unexpected failure outside the scenarios\nRESULT: FAIL\n", stdout);
    return 1;
  }
}
