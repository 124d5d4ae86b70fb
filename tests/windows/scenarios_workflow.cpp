// The whole workflow through the real tool window, as a user drives it:
// author entry by double-click, GET and WRITE for a procedure header, an
// error handler and the module header, ReplaceDeb, the module-changed
// message, closing (settings next to the DLL) and disconnecting. Every box
// the add-in shows must be the one libqlx's window model shows for the same
// steps on the in-memory editor.
#include <algorithm>

#include "addin/connect.h"
#include "settings/win32/win_settings.h"
#include "windows/fake_objects.h"
#include "windows/harness.h"
#include "windows/tool_window.h"
#include "support/editor.h"
#include "host/ui.h"

namespace qlx::fake {

using testing::EditorWith;

namespace {

constexpr char16_t kAuthor[] = u"\u5C71\u7530 \u592A\u90CE";  // a name with a blank

std::vector<Text> WorkflowModule() {
  return {
      u"Option Explicit",                          // 1
      u"Private total As Long",                    // 2
      u"",                                         // 3
      u"Public Sub Accumulate(ByVal n As Long)",   // 4
      u"    total = total + n",                    // 5
      u"    'deb total",                           // 6
      u"End Sub",                                  // 7
      u"",                                         // 8
      u"Function Twice(ByVal x As Long) As Long",  // 9
      u"    Twice = x * 2",                        // 10
      u"End Function",                             // 11
      u"",                                         // 12
      u"Sub Careful()",                            // 13
      u"    On Error Resume Next",                 // 14
      u"    total = 0",                            // 15
      u"End Sub",                                  // 16
  };
}

// Records the input box's title and default text as well as its prompt.
class TwinUi : public RecordingUi {
 public:
  std::optional<Text> InputBox(const Text& prompt, const Text& title, const Text& default_text) override {
    inputs.push_back(SeenBox{title, prompt, false, true, default_text});
    return RecordingUi::InputBox(prompt, title, default_text);
  }
  std::vector<SeenBox> inputs;
};

// The boxes libqlx's window model shows for the steps of the scenario, on the
// in-memory editor: the author entry, an error handler for a procedure that
// has an On Error statement, and WRITE after the module changed.
struct TwinBoxes {
  SeenBox author_entry;
  std::vector<SeenBox> existing_handler;  // answered No
  std::vector<SeenBox> module_changed;
};

TwinBoxes ModelBoxes(const std::wstring& scratch_ini) {
  TwinUi ui;
  ui.queued_inputs.push_back(Text(kAuthor));
  MemoryDesktop desktop;
  RecordingWindowService windows;
  RegistryUserSettingsStore unused(u"Software\\QLX fake editor twin");
  const std::shared_ptr<MemoryVBE> editor =
      EditorWith(u"Module1", WorkflowModule()).AndModule(u"Module2", u"Option Explicit").Build();
  Connect twin(AddInServices{ui, desktop, windows, unused, com::FromWide(scratch_ini.c_str())});
  twin.OnConnection(editor, ext_cm_External);
  twin.Show();
  frmAddIn& form = *twin.Form();
  form.UserDblClick();
  // An error handler for a procedure that has an On Error statement: the model asks first.
  form.UserClick(form.optError);
  editor->Pane(u"Module1")->SetSelection(15, 1, 15, 1);
  form.UserClick(form.cmdGet);
  form.UserClick(form.cmdWrite);
  TwinBoxes out;
  for (const RecordedBox& b : ui.boxes) {
    out.existing_handler.push_back(SeenBox{b.title, b.text, b.buttons == Buttons::kYesNo, false, {}});
  }
  ui.boxes.clear();
  form.UserClick(form.optHeader);
  editor->Pane(u"Module1")->SetSelection(5, 1, 5, 1);
  form.UserClick(form.cmdGet);
  editor->Pane(u"Module2");
  form.UserClick(form.cmdWrite);
  if (!ui.inputs.empty()) out.author_entry = ui.inputs.front();
  for (const RecordedBox& b : ui.boxes) out.module_changed.push_back(SeenBox{b.title, b.text, false, false, {}});
  return out;
}

Text Trimmed(const Text& line) {
  const std::size_t first = line.find_first_not_of(u" \t");
  return first == Text::npos ? Text() : line.substr(first);
}

Row RowOf(const std::vector<Text>& lines, const Text& line) {
  const auto it = std::find(lines.begin(), lines.end(), line);
  return it == lines.end() ? 0 : static_cast<Row>(it - lines.begin()) + 1;
}

std::vector<Text> LinesOf(MemoryVBE& editor, const Text& module) {
  std::shared_ptr<MemoryCodeModule> m = editor.Module(module);
  std::vector<Text> out;
  for (Row r = 1; r <= m->CountOfLines(); ++r) out.push_back(m->Lines(r, 1));
  return out;
}

bool AnyLine(const std::vector<Text>& lines, Row from, Row to, const std::function<bool(const Text&)>& test) {
  for (Row r = std::max<Row>(from, 1); r <= to && r <= static_cast<Row>(lines.size()); ++r) {
    if (test(lines[static_cast<std::size_t>(r - 1)])) return true;
  }
  return false;
}

std::string ShowBoxes(const std::vector<SeenBox>& boxes) {
  std::string out;
  for (const SeenBox& box : boxes) out += Show(box) + " ";
  return out.empty() ? "none" : out;
}

}  // namespace

void RunWorkflowScenarios(Harness& h) {
  Checks& t = TheChecks();
  SettingsFileGuard ini(h.dll_path);
  const std::vector<DesignedControl> designed = DesignedControls();
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring twin_ini = std::wstring(temp) + L"qlx-twin.ini";
  const TwinBoxes expected = ModelBoxes(twin_ini);
  DeleteFileW(twin_ini.c_str());
  h.boxes->Take();

  auto stats = std::make_shared<FakeStats>();
  const std::shared_ptr<MemoryVBE> editor =
      EditorWith(u"Module1", WorkflowModule()).AndModule(u"Module2", u"Option Explicit").Build();
  std::shared_ptr<MemoryCodePane> pane = editor->ActivePane();
  FakeWindowChain chain(pane->Window()->Caption());
  com::ComPtr<FakeVBE> vbe = MakeFake<FakeVBE>(stats, *editor);
  RegistryUserSettingsStore settings;

  t.Scenario("the workflow through the tool window: author, GET and WRITE, ReplaceDeb, close, disconnect", [&] {
    Session s;
    if (!s.Open(CreateConnect(), vbe.get(), *editor)) return;
    HWND window = s.window;
    // The controls by the model's names, at their places in tab order.
    const auto control = [&](const char16_t* name) { return s.Control(designed, name); };
    HWND get = control(u"cmdGet");
    HWND write = control(u"cmdWrite");
    HWND replace_deb = control(u"cmdRepDebug");
    HWND header_mode = control(u"optHeader");
    HWND error_mode = control(u"optError");
    if (!CHECK(get && write && replace_deb && header_mode && error_mode)) return;
    const auto press = [&](HWND button) {
      SendMessageW(button, BM_CLICK, 0, 0);
      Pump();
    };
    const auto put_cursor = [&](Row row) { pane->SetSelection(row, 1, row, 1); };

    // Author entry: a double-click on the window brings the input box.
    h.boxes->TypeIntoInputBoxes(Text(kAuthor));
    SendMessageW(window, WM_LBUTTONDBLCLK, 0, MAKELPARAM(4, 4));
    Pump();
    h.boxes->TypeIntoInputBoxes(std::nullopt);
    std::vector<SeenBox> boxes = h.boxes->Take();
    CHECK_MSG(boxes == std::vector<SeenBox>{expected.author_entry},
              "got " + ShowBoxes(boxes) + "expected " + Show(expected.author_entry));
    CHECK_MSG(expected.author_entry.input, "the model asks for the author's name");
    // Asked again, the box offers the name; cancelling keeps it (the settings file shows it at the end).
    SendMessageW(window, WM_LBUTTONDBLCLK, 0, MAKELPARAM(4, 4));
    Pump();
    boxes = h.boxes->Take();
    CHECK_EQ(boxes.size(), std::size_t{1});
    if (boxes.size() == 1) {
      CHECK(boxes.front().input);
      CHECK_EQ(boxes.front().default_text, Text(kAuthor));
    }

    // A procedure header above Accumulate, with the author's name.
    put_cursor(5);
    press(get);
    CHECK_EQ(TextOf(window), Text(u"Accumulate"));
    if (h.hold_window_ms > 0) {
      // Keeps the window drawn for someone to take a picture of it.
      const DWORD until = GetTickCount() + static_cast<DWORD>(h.hold_window_ms);
      while (static_cast<LONG>(until - GetTickCount()) > 0) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        Pump();
      }
    }
    press(write);
    CHECK_EQ(TextOf(window), Text());
    std::vector<Text> lines = LinesOf(*editor, u"Module1");
    Row accumulate = RowOf(lines, u"Public Sub Accumulate(ByVal n As Long)");
    CHECK_MSG(accumulate > 4, "the header stands above the procedure");
    CHECK_MSG(AnyLine(lines, 3, accumulate - 1, [](const Text& l) { return l.find(kAuthor) != Text::npos; }),
              "the header names the author");

    // An error handler in Twice.
    press(error_mode);
    CHECK_EQ(SendMessageW(error_mode, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_CHECKED));
    Row twice = RowOf(lines, u"Function Twice(ByVal x As Long) As Long");
    put_cursor(twice + 1);
    press(get);
    CHECK_EQ(TextOf(window), Text(u"Twice"));
    press(write);
    lines = LinesOf(*editor, u"Module1");
    twice = RowOf(lines, u"Function Twice(ByVal x As Long) As Long");
    Row twice_end = twice;
    while (twice_end < static_cast<Row>(lines.size()) && lines[static_cast<std::size_t>(twice_end - 1)] != u"End Function") {
      ++twice_end;
    }
    CHECK_MSG(AnyLine(lines, twice + 1, twice_end, [](const Text& l) { return l == u"On Error GoTo PROC_ERR"; }),
              "Twice has an error handler, stored as the editor shows it");
    CHECK_MSG(twice_end - twice > 3, "the handler adds lines to Twice");
    CHECK_EQ(TextOf(window), Text());
    // A handler for a procedure with an On Error statement: the question, answered No, leaves the module alone.
    std::vector<SeenBox> boxes_before = h.boxes->Take();
    CHECK_MSG(boxes_before.empty(), "no message box for the first handler: " + ShowBoxes(boxes_before));
    put_cursor(RowOf(lines, u"    total = 0"));
    press(get);
    press(write);
    boxes = h.boxes->Take();
    CHECK_MSG(boxes == expected.existing_handler,
              "got " + ShowBoxes(boxes) + "expected " + ShowBoxes(expected.existing_handler));
    CHECK_MSG(expected.existing_handler.size() == 1 && expected.existing_handler.front().yes_no,
              "the model asks one question before another handler");
    CHECK(LinesOf(*editor, u"Module1") == lines);
    // The handler just written counts as an existing one: a second handler for Twice is asked about too.
    put_cursor(twice + 1);
    press(get);
    CHECK_EQ(TextOf(window), Text(u"Twice"));
    press(write);
    boxes = h.boxes->Take();
    CHECK_MSG(boxes == expected.existing_handler,
              "second handler for Twice: got " + ShowBoxes(boxes) + "expected " + ShowBoxes(expected.existing_handler));
    CHECK(LinesOf(*editor, u"Module1") == lines);

    // The module header, from GET in the declarations in header mode.
    press(header_mode);
    const std::size_t before_module_header = lines.size();
    put_cursor(1);
    press(get);
    CHECK_EQ(TextOf(window), Text(kThisModuleTitle));
    press(write);
    lines = LinesOf(*editor, u"Module1");
    CHECK_MSG(lines.size() > before_module_header, "the module header adds lines");
    const Row option_explicit = RowOf(lines, u"Option Explicit");
    CHECK_MSG(option_explicit > 1 || lines.front() != u"Option Explicit", "the module header comes first");

    // ReplaceDeb expands the marker.
    CHECK(AnyLine(lines, 1, static_cast<Row>(lines.size()), [](const Text& l) { return Trimmed(l).starts_with(u"'deb "); }));
    press(replace_deb);
    lines = LinesOf(*editor, u"Module1");
    CHECK_MSG(!AnyLine(lines, 1, static_cast<Row>(lines.size()),
                       [](const Text& l) { return Trimmed(l).starts_with(u"'deb "); }),
              "no 'deb marker is left");
    CHECK_MSG(AnyLine(lines, 1, static_cast<Row>(lines.size()),
                      [](const Text& l) { return l.find(u"Debug.Print") != Text::npos; }),
              "the marker became a Debug.Print line");
    boxes = h.boxes->Take();
    CHECK_MSG(boxes.empty(), "no message box while writing: " + ShowBoxes(boxes));

    // GET, then another module becomes active: WRITE shows the system's message and writes nothing.
    put_cursor(RowOf(lines, u"    total = total + n"));
    press(get);
    CHECK_EQ(TextOf(window), Text(u"Accumulate"));
    editor->Pane(u"Module2");
    press(write);
    boxes = h.boxes->Take();
    CHECK_MSG(boxes == expected.module_changed,
              "got " + ShowBoxes(boxes) + "expected " + ShowBoxes(expected.module_changed));
    CHECK_MSG(!expected.module_changed.empty(), "the model shows a message for a changed module");
    CHECK(LinesOf(*editor, u"Module1") == lines);
    CHECK(LinesOf(*editor, u"Module2") == std::vector<Text>{u"Option Explicit"});
    CHECK_EQ(TextOf(window), Text());
    pane = editor->Pane(u"Module1");

    // Closing saves the author; disconnecting takes the item away and records the window as shown.
    SendMessageW(window, WM_CLOSE, 0, 0);
    Pump();
    CHECK(!IsWindow(window));
    CHECK_EQ(ini.Read(L"Author", L"Name"), Text(kAuthor));
    CHECK(ini.Read(L"WindowPos", L"Top") != Text(u"<none>"));
    CHECK(ini.Read(L"WindowPos", L"Left") != Text(u"<none>"));
    s.Disconnect();
    CHECK(editor->Bars().Bar(u"Add-Ins")->Captions().empty());
    CHECK_EQ(GetDisplayOnConnect(settings), Text(u"1"));
    boxes = h.boxes->Take();
    CHECK_MSG(boxes.empty(), "no other message box: " + ShowBoxes(boxes));
  });

  pane.reset();
  vbe.reset();
  t.Scenario("after the workflow every fake object is released and the DLL can unload", [&] {
    CHECK_EQ(static_cast<long long>(stats->live), 0LL);
    using CanUnload = HRESULT STDAPICALLTYPE();
    if (auto* can_unload = EntryPoint<CanUnload>(h, "DllCanUnloadNow")) {
      CHECK_EQ(ShowHResult(can_unload()), ShowHResult(S_OK));
    }
  });
  RemoveAddInUserSettings(h);
}

}  // namespace qlx::fake
