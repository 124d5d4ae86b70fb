// Calls that reach the editor per command, straight and through the line
// cache, at 1x, 4x and 16x module size (16x: 65,000 lines, 300 procedures of
// 30 parameters). Per 1,000 lines the counts should stay flat (linear
// growth); all-headers should edit with about one call per procedure; deb's
// searches should make the editor scan each row a few times at most. Then one
// procedure of 16,000 lines with 30 ByRef parameters, for one header.
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "analysis/mod_get_procs_data.h"
#include "bench/module_gen.h"
#include "debugexp/mod_add_debug_vbe.h"
#include "errtrap/mod_insert_err_trap.h"
#include "header/mod_insert_header.h"
#include "host/files/module_file.h"
#include "host/memory/editor.h"
#include "host/memory/line_cache.h"
#include "host/ui.h"

namespace {

using qlx::Row;
using qlx::Text;

// The editor's module as a COM caller sees it: every call counted, and the
// rows each Find makes the editor look at (from its start to the match, or
// to the end of its range, as an editor without our bookkeeping scans).
class CountingModule : public qlx::CodeModule {
 public:
  explicit CountingModule(std::shared_ptr<qlx::MemoryCodeModule> inner) : inner_(std::move(inner)) {}

  Text Name() override { return ++calls["Name"], inner_->Name(); }
  Text Lines(Row s, Row c) override { return ++calls["Lines"], inner_->Lines(s, c); }
  Row CountOfLines() override { return ++calls["CountOfLines"], inner_->CountOfLines(); }
  Row CountOfDeclarationLines() override {
    return ++calls["CountOfDeclarationLines"], inner_->CountOfDeclarationLines();
  }
  void InsertLines(Row r, const Text& t) override { ++calls["InsertLines"], inner_->InsertLines(r, t); }
  void DeleteLines(Row s, Row c) override { ++calls["DeleteLines"], inner_->DeleteLines(s, c); }
  void ReplaceLine(Row r, const Text& t) override { ++calls["ReplaceLine"], inner_->ReplaceLine(r, t); }
  Text ProcOfLine(Row r, qlx::ProcKind& k) override { return ++calls["ProcOfLine"], inner_->ProcOfLine(r, k); }
  Row ProcStartLine(const Text& n, qlx::ProcKind k) override {
    return ++calls["ProcStartLine"], inner_->ProcStartLine(n, k);
  }
  Row ProcCountLines(const Text& n, qlx::ProcKind k) override {
    return ++calls["ProcCountLines"], inner_->ProcCountLines(n, k);
  }
  Row ProcBodyLine(const Text& n, qlx::ProcKind k) override {
    return ++calls["ProcBodyLine"], inner_->ProcBodyLine(n, k);
  }
  bool Find(const Text& target, Row& sl, std::int32_t& sc, Row& el, std::int32_t& ec, bool whole, bool match_case,
            bool pattern) override {
    ++calls["Find"];
    const Row n = inner_->LineCount();
    const Row from = sl <= 0 ? 1 : sl;
    // An end at or before the start means the whole module.
    Row to = el <= 0 || el > n || el < from || (el == from && ec <= sc) ? n : el;
    const bool found = inner_->Find(target, sl, sc, el, ec, whole, match_case, pattern);
    if (found) to = sl;
    rows_scanned += to >= from ? to - from + 1 : 0;
    return found;
  }

  long long Total() const {
    long long total = 0;
    for (const auto& [kind, n] : calls) total += n;
    return total;
  }
  long long Edits() const {
    auto at = [this](const char* kind) {
      auto found = calls.find(kind);
      return found == calls.end() ? 0LL : found->second;
    };
    return at("InsertLines") + at("DeleteLines") + at("ReplaceLine");
  }

  std::map<std::string, long long> calls;
  long long rows_scanned = 0;

 private:
  std::shared_ptr<qlx::MemoryCodeModule> inner_;
};

class BenchWindow : public qlx::Window {
 public:
  Text Caption() override { return u"VBAProject - Big (Code)"; }
};

class BenchPane : public qlx::CodePane {
 public:
  explicit BenchPane(std::shared_ptr<CountingModule> module) : module_(std::move(module)) {}
  std::shared_ptr<qlx::CodeModule> CodeModule() override { return module_; }
  void GetSelection(Row& sl, std::int32_t& sc, Row& el, std::int32_t& ec) override { sl = sc = el = ec = 1; }
  std::shared_ptr<qlx::Window> Window() override { return std::make_shared<BenchWindow>(); }

 private:
  std::shared_ptr<CountingModule> module_;
};

class BenchVBE : public qlx::VBE {
 public:
  explicit BenchVBE(std::shared_ptr<CountingModule> module)
      : pane_(std::make_shared<BenchPane>(std::move(module))) {}
  std::shared_ptr<qlx::CodePane> ActiveCodePane() override { return pane_; }

 private:
  std::shared_ptr<BenchPane> pane_;
};

struct Editor {
  Editor(const std::string& bytes, bool cached) : file(qlx::ModuleFile::FromBytes(bytes, "Big.bas")) {
    module = std::make_shared<CountingModule>(file.Module());
    vbe = std::make_shared<BenchVBE>(module);
    vbe->UseLineCache(cached);
  }
  qlx::ModuleFile file;
  std::shared_ptr<CountingModule> module;
  std::shared_ptr<BenchVBE> vbe;
  qlx::MemoryDesktop desktop;
  qlx::RecordingUi ui;
};

// A row inside the middle procedure's body.
Row MiddleRow(Editor& e) {
  auto inner = e.file.Module();
  qlx::ProcKind kind = 0;
  const Row n = inner->LineCount();
  Row row = n / 2;
  while (row < n && inner->Line(row).rfind(u"    total", 0) != 0) ++row;
  inner->ProcOfLine(row, kind);
  return row;
}

using Command = void (*)(Editor&);

void Header(Editor& e) {
  qlx::ModInsertHeader header(e.ui, e.desktop);
  header.SetVBInstance(e.vbe);
  header.AuthorName = u"bench";
  header.WriteHeaderProc(MiddleRow(e));
}

void ErrTrap(Editor& e) {
  qlx::ModInsertErrTrap errtrap(e.ui, e.desktop);
  errtrap.SetVBInstance(e.vbe);
  errtrap.WriteErrTrapProc(MiddleRow(e));
}

void Deb(Editor& e) {
  qlx::ModAddDebugVBE deb(e.ui, e.desktop);
  deb.SetVBInstance(e.vbe);
  deb.ReplaceDeb();
}

template <bool kAll>
void Headers(Editor& e) {
  qlx::ModGetProcsData procs(e.ui);
  procs.SetVBInstance(e.vbe);
  qlx::ModInsertHeader header(e.ui, e.desktop);
  header.SetVBInstance(e.vbe);
  header.SetProcsData(&procs);
  header.AuthorName = u"bench";
  // One operation, as one click of WRITE holds its module throughout.
  const auto held = qlx::ActiveCodeModule(e.vbe.get());
  if (kAll) {
    header.InsertHeaderAll();
  } else {
    header.InsertModuleHeader();
  }
}

template <bool kFull>
void Scan(Editor& e) {
  qlx::ModGetProcsData procs(e.ui);
  procs.SetVBInstance(e.vbe);
  qlx::Short count = 0;
  if (kFull) {
    procs.GetProcsData(count);
  } else {
    procs.GetProcsDataH(count);
  }
}

struct Measured {
  long long calls = 0;
  long long edits = 0;
  long long scanned = 0;
  std::string module;
  std::size_t boxes = 0;
};

Measured Measure(const std::string& bytes, Command command, bool cached) {
  Editor e(bytes, cached);
  command(e);
  return Measured{e.module->Total(), e.module->Edits(), e.module->rows_scanned, e.file.Render(), e.ui.boxes.size()};
}

// 16,000 lines in one procedure whose 30 parameters are all ByRef.
std::string OneLongProcedure() {
  std::string out = "Attribute VB_Name = \"Big\"\r\nOption Explicit\r\n\r\nPublic Sub Long30(";
  for (int i = 0; i < 30; ++i) out += (i ? ", _\r\n        ByRef p" : "ByRef p") + std::to_string(i) + " As Long";
  out += ")\r\n    Dim total As Long\r\n";
  for (int k = 0; k < 16000 - 33; ++k) out += "    total = total + " + std::to_string(k) + "\r\n";
  out += "End Sub\r\n";
  return out;
}

}  // namespace

int main() {
  const std::pair<const char*, Command> commands[] = {
      {"header", &Header},           {"errtrap", &ErrTrap},          {"deb", &Deb},
      {"module-header", &Headers<false>}, {"all-headers", &Headers<true>}, {"scan", &Scan<false>},
      {"scan --full", &Scan<true>},
  };
  bool same = true;
  std::printf("%-14s %5s %7s %6s | %10s %10s | %9s %9s | %7s\n", "command", "size", "lines", "procs", "calls",
              "cached", "per kLine", "cached", "ratio");
  for (const auto& [name, command] : commands) {
    for (int scale : {1, 4, 16}) {
      const int lines = 65000 * scale / 16;
      const int procs = 300 * scale / 16;
      const std::string bytes = qlx::bench::MakeModule(procs, 30, lines);
      const Measured straight = Measure(bytes, command, false);
      const Measured cached = Measure(bytes, command, true);
      same = same && straight.module == cached.module && straight.boxes == cached.boxes;
      std::printf("%-14s %4dx %7d %6d | %10lld %10lld | %9.1f %9.1f | %6.1fx\n", name, scale, lines, procs,
                  straight.calls, cached.calls, straight.calls * 1000.0 / lines, cached.calls * 1000.0 / lines,
                  static_cast<double>(straight.calls) / static_cast<double>(cached.calls));
      if (std::string(name) == "all-headers") {
        std::printf("%-14s %28s edit calls per procedure: %.2f straight, %.2f cached\n", "", "",
                    static_cast<double>(straight.edits) / procs, static_cast<double>(cached.edits) / procs);
      }
      if (std::string(name) == "deb") {
        std::printf("%-14s %28s rows the editor's Find scans per module row: %.1f straight, %.1f cached\n", "",
                    "", static_cast<double>(straight.scanned) / lines, static_cast<double>(cached.scanned) / lines);
      }
    }
  }
  const std::string one = OneLongProcedure();
  const Measured straight = Measure(one, &Header, false);
  const Measured cached = Measure(one, &Header, true);
  same = same && straight.module == cached.module && straight.boxes == cached.boxes;
  std::printf("header, one procedure of 16,000 lines with 30 ByRef parameters: %lld calls straight, %lld cached\n",
              straight.calls, cached.calls);
  std::printf("modules and boxes the same with and without the cache: %s\n", same ? "yes" : "NO");
  return same ? 0 : 1;
}
