#include "windows/harness.h"

#include <algorithm>
#include <utility>

#include "win32_ui.h"

namespace qlx::fake {
namespace {

constexpr DWORD kPollMs = 20;

Text WindowText(HWND hwnd) {
  const int length = GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(copied, 0)));
  return com::FromWide(text.c_str());
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return name;
}

BOOL CALLBACK CollectStaticText(HWND child, LPARAM out) {
  if (CompareStringOrdinal(ClassOf(child).c_str(), -1, L"Static", -1, TRUE) == CSTR_EQUAL) {
    Text text = WindowText(child);
    if (!text.empty()) *reinterpret_cast<Text*>(out) += text;
  }
  return TRUE;
}

struct Found {
  std::vector<HWND> boxes;
  std::vector<HWND> inputs;
};

BOOL CALLBACK CollectBoxes(HWND hwnd, LPARAM out) {
  DWORD process = 0;
  GetWindowThreadProcessId(hwnd, &process);
  if (process == GetCurrentProcessId() && IsWindowVisible(hwnd)) {
    const std::wstring name = ClassOf(hwnd);
    if (name == L"#32770") reinterpret_cast<Found*>(out)->boxes.push_back(hwnd);
    if (name == win::kInputBoxClass) reinterpret_cast<Found*>(out)->inputs.push_back(hwnd);
  }
  return TRUE;
}

BOOL CALLBACK FindEdit(HWND child, LPARAM out) {
  if (CompareStringOrdinal(ClassOf(child).c_str(), -1, L"Edit", -1, TRUE) == CSTR_EQUAL) {
    *reinterpret_cast<HWND*>(out) = child;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

BoxWatcher::BoxWatcher() {
  InitializeCriticalSection(&lock_);
  stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  thread_ = CreateThread(nullptr, 0, &BoxWatcher::Run, this, 0, nullptr);
}

BoxWatcher::~BoxWatcher() {
  SetEvent(stop_);
  if (thread_) {
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
  }
  CloseHandle(stop_);
  DeleteCriticalSection(&lock_);
}

DWORD WINAPI BoxWatcher::Run(void* self) {
  auto* watcher = static_cast<BoxWatcher*>(self);
  while (WaitForSingleObject(watcher->stop_, kPollMs) == WAIT_TIMEOUT) watcher->Poll();
  return 0;
}

void BoxWatcher::ActInsideNextBox(HWND target, UINT message) {
  EnterCriticalSection(&lock_);
  act_target_ = target;
  act_message_ = message;
  LeaveCriticalSection(&lock_);
}

// Posts the action, once, instead of the answer; true when it did.
bool BoxWatcher::ActInstead(HWND box, bool input) {
  EnterCriticalSection(&lock_);
  HWND target = std::exchange(act_target_, nullptr);
  const UINT message = act_message_;
  if (target) to_answer_.push_back({box, input});
  LeaveCriticalSection(&lock_);
  if (target) PostMessageW(target, message, 0, 0);
  return target != nullptr;
}

void BoxWatcher::Poll() {
  // Boxes acted inside that are still open get their answer now.
  std::vector<std::pair<HWND, bool>> late;
  EnterCriticalSection(&lock_);
  late.swap(to_answer_);
  LeaveCriticalSection(&lock_);
  for (const auto& [box, input] : late) {
    if (IsWindow(box)) PostMessageW(box, WM_COMMAND, MAKEWPARAM(input ? IDCANCEL : (GetDlgItem(box, IDNO) ? IDNO : IDOK), BN_CLICKED), 0);
  }
  Found found;
  EnumWindows(CollectBoxes, reinterpret_cast<LPARAM>(&found));
  // Forget boxes that are gone, so a new window with a reused handle counts.
  std::erase_if(handled_, [](HWND h) { return !IsWindow(h); });
  for (HWND box : found.boxes) {
    if (std::find(handled_.begin(), handled_.end(), box) != handled_.end()) continue;
    SeenBox seen;
    seen.title = WindowText(box);
    GetWindowRect(box, &seen.place);
    EnumChildWindows(box, CollectStaticText, reinterpret_cast<LPARAM>(&seen.text));
    seen.yes_no = GetDlgItem(box, IDNO) != nullptr;
    {
      EnterCriticalSection(&lock_);
      seen_.push_back(seen);
      LeaveCriticalSection(&lock_);
    }
    handled_.push_back(box);
    if (ActInstead(box, false)) continue;
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(seen.yes_no ? IDNO : IDOK, BN_CLICKED), 0);
  }
  for (HWND box : found.inputs) {
    if (std::find(handled_.begin(), handled_.end(), box) != handled_.end()) continue;
    SeenBox seen;
    seen.input = true;
    seen.title = WindowText(box);
    GetWindowRect(box, &seen.place);
    EnumChildWindows(box, CollectStaticText, reinterpret_cast<LPARAM>(&seen.text));
    HWND edit = nullptr;
    EnumChildWindows(box, FindEdit, reinterpret_cast<LPARAM>(&edit));
    if (edit) seen.default_text = WindowText(edit);
    EnterCriticalSection(&lock_);
    seen_.push_back(seen);
    const std::optional<Text> answer = input_text_;
    LeaveCriticalSection(&lock_);
    handled_.push_back(box);
    if (ActInstead(box, true)) continue;
    // The box's thread is waiting in its own message loop, so the text is set at once.
    if (answer && edit) SendMessageTimeoutW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(com::Wide(*answer)),
                                            SMTO_BLOCK, 5000, nullptr);
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer ? IDOK : IDCANCEL, BN_CLICKED), 0);
  }
}

void BoxWatcher::TypeIntoInputBoxes(std::optional<Text> text) {
  EnterCriticalSection(&lock_);
  input_text_ = std::move(text);
  LeaveCriticalSection(&lock_);
}

std::vector<SeenBox> BoxWatcher::Take() {
  EnterCriticalSection(&lock_);
  std::vector<SeenBox> out;
  out.swap(seen_);
  LeaveCriticalSection(&lock_);
  return out;
}

std::string Show(const SeenBox& box) {
  return "[" + Show(box.title) + "] " + Show(box.text) + (box.yes_no ? " (Yes/No)" : "") +
         (box.input ? " (input: " + Show(box.default_text) + ")" : "");
}

std::vector<Text> SampleModule() {
  return {
      u"Option Explicit",                                                  // 1
      u"",                                                                 // 2
      u"' Adds numbers",                                                   // 3
      u"Public Function Calc(ByVal a As Long, _",                          // 4
      u"                     Optional ByRef b As String = \"x\", _",       // 5
      u"                     ParamArray rest() As Variant) As Long",       // 6
      u"    Dim t As Long",                                                // 7
      u"    b = \"y\"",                                                    // 8
      u"    Const K = 1",                                                  // 9
      u"    Calc = a + K",                                                 // 10
      u"End Function",                                                     // 11
      u"' trailing comment",                                               // 12
      u"",                                                                 // 13
      u"Private Sub NoParams()",                                           // 14
      u"End Sub",                                                          // 15
      u"",                                                                 // 16
      u"Property Get Value() As Integer",                                  // 17
      u"    Value = 1",                                                    // 18
      u"End Property",                                                     // 19
      u"",                                                                 // 20
      u"Property Let Value(ByVal v As Integer)",                           // 21
      u"End Property",                                                     // 22
      u"",                                                                 // 23
      u"Function \u8A08\u7B97(\u5024 As Long) As Long ' \u30B3\u30E1\u30F3\u30C8",  // 24
      u"    \u5024 = \u5024 + 1",                                          // 25
      u"    \u8A08\u7B97 = \u5024",                                        // 26
      u"End Function",                                                     // 27
      u"",                                                                 // 28
      u"Sub Broken()",                                                     // 29
      u"    Debug.Print 1",                                                // 30
  };
}

}  // namespace qlx::fake
