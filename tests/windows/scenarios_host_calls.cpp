// How many calls reach the editor for GET and WRITE of one procedure header
// on a large module: before (libqlx's window model with the line cache off,
// in this process) and after (the add-in through COM, which reads through its
// line cache). Both must leave the same module; the counts are printed.
#include <cstdio>
#include <map>
#include <string>

#include "addin/connect.h"
#include "bench/module_gen.h"
#include "settings/win32/win_settings.h"
#include "windows/fake_objects.h"
#include "windows/harness.h"
#include "windows/tool_window.h"
#include "support/editor.h"
#include "host/ui.h"

namespace qlx::fake {

using testing::EditorWith;

namespace {

// The benchmarks' module at full size: 65,000 lines, 300 procedures of 30
// parameters, as the editor shows it (without its Attribute line).
std::vector<Text> LargeModule() {
  const std::string bytes = bench::MakeModule(300, 30, 65000);
  std::vector<Text> lines;
  std::size_t begin = bytes.find("\r\n") + 2;  // past "Attribute VB_Name"
  for (std::size_t at = bytes.find("\r\n", begin); at != std::string::npos; at = bytes.find("\r\n", begin)) {
    lines.push_back(FromUtf8(std::string_view(bytes).substr(begin, at - begin)));
    begin = at + 2;
  }
  return lines;
}

// A body row of the procedure in the middle.
Row MiddleRow(const std::vector<Text>& lines) {
  Row row = static_cast<Row>(lines.size()) / 2;
  while (row < static_cast<Row>(lines.size()) && !lines[static_cast<std::size_t>(row - 1)].starts_with(u"    total")) {
    ++row;
  }
  return row;
}

struct Counted {
  std::map<HostCall, int> calls;
  int total = 0;
  std::vector<Text> module;
};

Counted Count(MemoryVBE& editor) {
  Counted out;
  for (HostCall call : kEditorMemberCalls) {
    const int n = editor.Log().Calls(call);
    if (n != 0) out.calls[call] = n;
    out.total += n;
  }
  out.module = editor.Module(u"Big")->AllLines();
  return out;
}

std::string ShowCounts(const Counted& c) {
  std::string out = std::to_string(c.total) + " (";
  bool first = true;
  for (const auto& [call, n] : c.calls) {
    out += (first ? "" : ", ") + std::string(HostCallName(call)) + " " + std::to_string(n);
    first = false;
  }
  return out + ")";
}

// GET and WRITE through libqlx's window model on the in-memory editor.
Counted ModelRun(const std::vector<Text>& lines, bool cached, const std::wstring& scratch_ini) {
  RecordingUi ui;
  MemoryDesktop desktop;
  RecordingWindowService windows;
  RegistryUserSettingsStore unused(u"Software\\QLX fake editor twin");
  const std::shared_ptr<MemoryVBE> editor = EditorWith(u"Big", lines).Selection(MiddleRow(lines)).Build();
  Connect twin(AddInServices{ui, desktop, windows, unused, com::FromWide(scratch_ini.c_str())});
  twin.OnConnection(editor, ext_cm_External);
  editor->UseLineCache(cached);
  twin.Show();
  editor->Log().ResetCounts();
  frmAddIn& form = *twin.Form();
  form.UserClick(form.cmdGet);
  form.UserClick(form.cmdWrite);
  // Not disconnected: that would store DisplayOnConnect under the twin's key.
  return Count(*editor);
}

}  // namespace

void RunHostCallScenarios(Harness& h) {
  Checks& t = TheChecks();
  SettingsFileGuard ini(h.dll_path);
  const std::vector<Text> lines = LargeModule();
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring twin_ini = std::wstring(temp) + L"qlx-host-calls-twin.ini";
  const Counted before = ModelRun(lines, false, twin_ini);
  const Counted model_cached = ModelRun(lines, true, twin_ini);
  DeleteFileW(twin_ini.c_str());
  h.boxes->Take();

  auto stats = std::make_shared<FakeStats>();
  const std::shared_ptr<MemoryVBE> editor = EditorWith(u"Big", lines).Build();
  std::shared_ptr<MemoryCodePane> pane = editor->ActivePane();
  FakeWindowChain chain(pane->Window()->Caption());
  com::ComPtr<FakeVBE> vbe = MakeFake<FakeVBE>(stats, *editor);

  t.Scenario("GET and WRITE of a header on a 65,000-line module: the calls that reach the editor", [&] {
    Session s;
    if (!s.Open(CreateConnect(), vbe.get(), *editor)) return;
    const std::vector<DesignedControl> designed = DesignedControls();
    const auto control = [&](const char16_t* name) { return s.Control(designed, name); };
    HWND get = control(u"cmdGet");
    HWND write = control(u"cmdWrite");
    if (!CHECK(get && write)) return;

    pane->SetSelection(MiddleRow(lines), 1, MiddleRow(lines), 1);
    editor->Log().ResetCounts();
    SendMessageW(get, BM_CLICK, 0, 0);
    Pump();
    SendMessageW(write, BM_CLICK, 0, 0);
    Pump();
    const Counted after = Count(*editor);
    std::printf("  host calls for GET + WRITE, straight: %s\n", ShowCounts(before).c_str());
    std::printf("  host calls for GET + WRITE, through the line cache: %s\n", ShowCounts(after).c_str());
    std::fflush(stdout);
    CHECK_MSG(model_cached.module == before.module, "the window model writes the same lines with the cache");
    // The add-in's header carries today's date and the settings' author, the model's fixed ones.
    std::size_t differing = 0;
    std::string first_difference;
    for (std::size_t i = 0; i < after.module.size() && i < before.module.size(); ++i) {
      if (after.module[i] == before.module[i]) continue;
      if (differing++ == 0) first_difference = Show(after.module[i]) + " / " + Show(before.module[i]);
    }
    CHECK_MSG(after.module.size() == before.module.size() && differing <= 2,
              "the add-in writes what the window model writes, but for the author line: " +
                  std::to_string(differing) + " lines differ, first " + first_difference);
    CHECK_MSG(after.module.size() > lines.size(), "the header was written");
    CHECK_MSG(after.calls == model_cached.calls,
              "the add-in makes the calls the window model makes: " + ShowCounts(model_cached));
    // Through the cache the module is read in one call and the header
    // written in one; straight, every row looked at is a call, and every
    // line written.
    const auto calls_of = [](const Counted& c, HostCall call) {
      const auto found = c.calls.find(call);
      return found == c.calls.end() ? 0 : found->second;
    };
    CHECK_MSG(calls_of(after, HostCall::kLines) == 1 && calls_of(after, HostCall::kInsertLines) == 1,
              "the line cache reads the module and writes the header in one call each");
    CHECK_MSG(after.total * 5 < before.total, "the line cache saves most calls");
    const std::vector<SeenBox> boxes = h.boxes->Take();
    CHECK_MSG(boxes.empty(), "no message box");

    SendMessageW(s.window, WM_CLOSE, 0, 0);
    Pump();
    s.Disconnect();
  });

  pane.reset();
  vbe.reset();
  t.Scenario("after the large module every fake object is released", [&] {
    CHECK_EQ(static_cast<long long>(stats->live), 0LL);
  });
  RemoveAddInUserSettings(h);
}

}  // namespace qlx::fake
