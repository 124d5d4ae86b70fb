#include "host/host.h"

#include "host/ui.h"
#include "host/vberror.h"

namespace qlx {

std::shared_ptr<CodePane> ActivePane(VBE* vbe) {
  if (vbe == nullptr) throw VbError(vberr::kObjectNotSet);
  std::shared_ptr<CodePane> pane = vbe->ActiveCodePane();
  if (!pane) throw VbError(vberr::kObjectNotSet);
  return pane;
}

std::shared_ptr<CodeModule> ActiveCodeModule(VBE* vbe) {
  std::shared_ptr<CodeModule> module = ActivePane(vbe)->CodeModule();
  if (!module) throw VbError(vberr::kObjectNotSet);
  return module;
}

WindowHandle GetVbaHwnd(VBE* vbe, Desktop& desktop, UiService& ui) {
  try {
    if (vbe == nullptr) throw VbError(vberr::kObjectNotSet);
    WindowHandle main = desktop.FindWindowA(u"wndclass_desked_gsk", nullptr);
    const Text empty;
    WindowHandle client = desktop.FindWindowExA(main, 0, u"mdiclient", &empty);
    std::shared_ptr<CodePane> pane = vbe->ActiveCodePane();
    if (!pane) throw VbError(vberr::kObjectNotSet);
    const Text caption = pane->Window()->Caption();
    return desktop.FindWindowExA(client, 0, u"VbaWindow", &caption);
  } catch (...) {
    ui.MsgBox(ErrorReport(CurrentError()), Buttons::kOk, u"GetVbaHwnd");
  }
  return 0;
}

}  // namespace qlx
