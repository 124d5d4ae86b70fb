#include "win32_ui.h"

#include "host/clock.h"
#include "host/com/com_holders.h"

namespace qlx::win {

Answer Win32Ui::MsgBox(const Text& prompt, Buttons buttons, const Text& title) {
  const UINT type = buttons == Buttons::kYesNo ? MB_YESNO : MB_OK;
  // Owned by the editor's active window, as the runtime's own message box is.
  const int pressed = MessageBoxW(GetActiveWindow(), com::Wide(prompt), com::Wide(title), type);
  if (pressed == 0) throw com::ErrorFromHResult(HRESULT_FROM_WIN32(GetLastError()), nullptr);
  if (buttons == Buttons::kOk) return Answer::kOk;
  return pressed == IDYES ? Answer::kYes : Answer::kNo;
}

std::optional<Text> Win32Ui::InputBox(const Text& /*prompt*/, const Text& /*title*/, const Text& /*default_text*/) {
  return std::nullopt;
}

void Win32Ui::Sleep(int milliseconds) { ::Sleep(milliseconds > 0 ? static_cast<DWORD>(milliseconds) : 0); }

Text Win32Ui::ShortDate() { return RegionalClock::FromEnvironment().ShortDate(); }

Text Win32Ui::LongTime() { return RegionalClock::FromEnvironment().LongTime(); }

}  // namespace qlx::win
