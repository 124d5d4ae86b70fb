// The tool window's topmost state, and the window services behind it.
#include "addin/mod_form_setting.h"

#include "host/report.h"
#include "host/ui.h"

namespace qlx {

bool RecordingWindowService::SetWindowPos(WindowHandle window, WindowHandle insert_after, int x, int y, int cx,
                                          int cy, std::uint32_t flags) {
  if (fail_with) throw *fail_with;
  calls.push_back(Call{window, insert_after, x, y, cx, cy, flags});
  return true;
}

void ModFormSetting::SetWindowTop(WindowHandle& window) {
  Guarded(ui_, ReportForm::kError, u"SetWindowTop", [&] {
    // The platform's answer is not looked at, as with any declared API call.
    windows_.SetWindowPos(window, kHwndTopmost, 0, 0, 0, 0, kSwpNoSize);
  });
}

}  // namespace qlx
