// The host interface over IDispatch (host/com) against the fake editor: every
// answer, out value, edit and error must be what the in-memory editor gives
// when asked directly; GetVbaHwnd finds the code window through Win32.
#include "windows/fake_objects.h"
#include "windows/harness.h"
#include "support/editor.h"
#include "host/com/com_editor.h"
#include "host/win32/desktop.h"
#include "host/ui.h"

namespace qlx::fake {

using testing::EditorWith;

namespace {

struct Outcome {
  Text value;
  int error = 0;
  Text description;
  bool operator==(const Outcome&) const = default;
};

std::string ShowOutcome(const Outcome& o) {
  return o.error ? "error " + std::to_string(o.error) + " " + Show(o.description) : Show(o.value);
}

template <class F>
Outcome Capture(F f) {
  try {
    return Outcome{f(), 0, {}};
  } catch (const VbError& e) {
    return Outcome{{}, e.Number(), e.Description()};
  }
}

#define CHECK_SAME(expression_on)                                                                       \
  do {                                                                                                  \
    const Outcome com_outcome = Capture([&] { return expression_on(*via_com); });                       \
    const Outcome direct_outcome = Capture([&] { return expression_on(*direct); });                     \
    TheChecks().Check(com_outcome == direct_outcome, #expression_on, __FILE__, __LINE__,                \
                      "through COM " + ShowOutcome(com_outcome) + ", directly " + ShowOutcome(direct_outcome)); \
  } while (0)

}  // namespace

void RunHostScenarios(Harness& /*h*/) {
  Checks& t = TheChecks();

  t.Scenario("host calls over IDispatch answer as the editor does", [] {
    auto stats = std::make_shared<FakeStats>();
    const std::shared_ptr<MemoryVBE> editor =
        EditorWith(kSampleModuleName, SampleModule()).Selection(24, 3, 25, 7).Build();
    std::shared_ptr<MemoryCodePane> pane = editor->ActivePane();
    {
      com::ComPtr<FakeVBE> fake = MakeFake<FakeVBE>(stats, *editor);
      com::ComVBE vbe(com::ComPtr<IDispatch>(fake.get()));
      std::shared_ptr<CodePane> com_pane = vbe.ActiveCodePane();
      CHECK(com_pane != nullptr);
      std::shared_ptr<CodeModule> via_com = com_pane->CodeModule();
      std::shared_ptr<CodeModule> direct = pane->Module();

      const auto name = [](CodeModule& m) { return m.Name(); };
      CHECK_SAME(name);
      const auto counts = [](CodeModule& m) {
        return Str(m.CountOfLines()) + u"/" + Str(m.CountOfDeclarationLines());
      };
      CHECK_SAME(counts);
      for (Row row = 0; row <= 31; ++row) {
        const auto line = [row](CodeModule& m) { return m.Lines(row, 1); };
        CHECK_SAME(line);
        const auto proc = [row](CodeModule& m) {
          ProcKind kind = 0;
          Text name = m.ProcOfLine(row, kind);
          return name + u"/" + Str(kind);
        };
        CHECK_SAME(proc);
      }
      const auto two_lines = [](CodeModule& m) { return m.Lines(4, 3); };
      CHECK_SAME(two_lines);
      for (ProcKind kind = 0; kind <= 3; ++kind) {
        for (const Text& proc : {Text(u"Calc"), Text(u"Value"), Text(u"\u8A08\u7B97"), Text(u"NoSuch")}) {
          const auto rows = [&](CodeModule& m) {
            return Str(m.ProcStartLine(proc, kind)) + u"/" + Str(m.ProcCountLines(proc, kind)) + u"/" +
                   Str(m.ProcBodyLine(proc, kind));
          };
          CHECK_SAME(rows);
        }
      }
      const auto find = [](CodeModule& m) {
        Row sl = 5, el = 30;
        std::int32_t sc = 1, ec = 1;
        const bool found = m.Find(u"value", sl, sc, el, ec, false, false, false);
        return Str(found) + u" " + Str(sl) + u"," + Str(sc) + u"-" + Str(el) + u"," + Str(ec);
      };
      CHECK_SAME(find);
      const auto find_case = [](CodeModule& m) {
        Row sl = 1, el = 30;
        std::int32_t sc = 1, ec = 1;
        const bool found = m.Find(u"VALUE", sl, sc, el, ec, true, true, false);
        return Str(found) + u" " + Str(sl) + u"," + Str(sc) + u"-" + Str(el) + u"," + Str(ec);
      };
      CHECK_SAME(find_case);

      Row sl = 0, el = 0;
      std::int32_t sc = 0, ec = 0;
      com_pane->GetSelection(sl, sc, el, ec);
      CHECK_EQ(Str(sl) + u"," + Str(sc) + u"-" + Str(el) + u"," + Str(ec), Text(u"24,3-25,7"));
      CHECK_EQ(com_pane->Window()->Caption(), pane->WindowCaption());

      // Edits through COM land in the editor's module.
      via_com->InsertLines(3, u"' one\r\n' two");
      via_com->ReplaceLine(4, u"' TWO");
      via_com->DeleteLines(3, 1);
      CHECK_EQ(pane->Module()->Line(3), Text(u"' TWO"));
      CHECK_EQ(pane->Module()->Line(4), Text(u"' Adds numbers"));
      via_com->DeleteLines(3);
      CHECK(pane->Module()->AllLines() == SampleModule());
      const auto bad_row = [](CodeModule& m) {
        m.DeleteLines(0, 1);
        return Text();
      };
      CHECK_SAME(bad_row);
    }
    CHECK_EQ(static_cast<long long>(stats->live), 0LL);
  });

  t.Scenario("an editor without an active pane answers Nothing", [] {
    auto stats = std::make_shared<FakeStats>();
    const std::shared_ptr<MemoryVBE> editor = EditorWith::Empty().Build();
    {
      com::ComPtr<FakeVBE> fake = MakeFake<FakeVBE>(stats, *editor);
      com::ComVBE vbe(com::ComPtr<IDispatch>(fake.get()));
      CHECK(vbe.ActiveCodePane() == nullptr);
    }
    CHECK_EQ(static_cast<long long>(stats->live), 0LL);
  });

  t.Scenario("GetVbaHwnd finds the code window and LockWindowUpdate stops its drawing", [] {
    auto stats = std::make_shared<FakeStats>();
    const std::shared_ptr<MemoryVBE> editor = EditorWith(kSampleModuleName, SampleModule()).Build();
    std::shared_ptr<MemoryCodePane> pane = editor->ActivePane();
    com::ComPtr<FakeVBE> fake = MakeFake<FakeVBE>(stats, *editor);
    com::ComVBE vbe(com::ComPtr<IDispatch>(fake.get()));
    Win32Desktop desktop;
    RecordingUi ui;
    CHECK_EQ(GetVbaHwnd(&vbe, desktop, ui), WindowHandle{0});
    {
      FakeWindowChain windows(pane->WindowCaption());
      const WindowHandle found = GetVbaHwnd(&vbe, desktop, ui);
      CHECK_EQ(found, reinterpret_cast<WindowHandle>(windows.CodeWindow()));
      {
        DrawingLock lock(desktop);
        lock.Lock(found);
        // Only one window may be locked at a time: a second lock is refused.
        CHECK(!LockWindowUpdate(windows.Main()));
      }
      CHECK(LockWindowUpdate(windows.Main()));
      LockWindowUpdate(nullptr);
      // Another pane's caption finds no window.
      editor->AddModule(u"Other", {u"Option Explicit"});
      editor->Pane(u"Other");
      CHECK_EQ(GetVbaHwnd(&vbe, desktop, ui), WindowHandle{0});
    }
    CHECK(ui.boxes.empty());
    CHECK(GetVbaHwnd(nullptr, desktop, ui) == 0);
    CHECK(ui.boxes.size() == 1 && ui.boxes[0].title == u"GetVbaHwnd" &&
          ui.boxes[0].text == u"Error: 91. Object variable or With block variable not set");
  });
}

}  // namespace qlx::fake
