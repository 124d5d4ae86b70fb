#include "host/host.h"

#include "host/report.h"
#include "host/ui.h"
#include "host/vberror.h"

namespace qlx {

std::shared_ptr<CodePane> ActivePane(VBE* vbe) {
  if (vbe == nullptr) throw VbError(vberr::kObjectNotSet);
  std::shared_ptr<CodePane> pane = vbe->ActiveCodePane();
  if (!pane) throw VbError(vberr::kObjectNotSet);
  return pane;
}

WindowHandle GetVbaHwnd(VBE* vbe, Desktop& desktop, UiService& ui) {
  WindowHandle found = 0;
  Guarded(ui, ReportForm::kError, u"GetVbaHwnd", [&] {
    if (vbe == nullptr) throw VbError(vberr::kObjectNotSet);
    WindowHandle main = desktop.FindWindowA(u"wndclass_desked_gsk", nullptr);
    const Text empty;
    WindowHandle client = desktop.FindWindowExA(main, 0, u"mdiclient", &empty);
    std::shared_ptr<CodePane> pane = vbe->ActiveCodePane();
    if (!pane) throw VbError(vberr::kObjectNotSet);
    const Text caption = pane->Window()->Caption();
    found = desktop.FindWindowExA(client, 0, u"VbaWindow", &caption);
  });
  return found;
}

}  // namespace qlx
