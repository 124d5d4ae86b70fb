#include "host/host.h"

#include "host/ui.h"
#include "host/vberror.h"

namespace qlx {

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
