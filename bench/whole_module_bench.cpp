// Whole-module commands at 1x, 4x and 16x module size, side by side: the time
// per line should stay flat. all-headers: 30 parameters per procedure,
// 300 procedures at 16x; deb: one marker every 50 lines.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "analysis/mod_get_procs_data.h"
#include "bench/module_gen.h"
#include "debugexp/mod_add_debug_vbe.h"
#include "header/mod_insert_header.h"
#include "host/files/module_file.h"
#include "host/memory/editor.h"
#include "host/ui.h"
#include "support/editor.h"

namespace {

using Clock = std::chrono::steady_clock;

// The file and the editor holding its module.
struct Loaded {
  explicit Loaded(const std::string& bytes)
      : file(qlx::ModuleFile::FromBytes(bytes, "Big.bas")), editor(qlx::testing::EditorWith(file.Module())) {}

  qlx::ModuleFile file;
  qlx::testing::MemoryEditor editor;
  std::shared_ptr<qlx::MemoryVBE>& vbe = editor.vbe;
  qlx::MemoryDesktop& desktop = editor.desktop;
  qlx::RecordingUi ui;
};

// Median seconds of load + command + render, as qlx runs it.
template <typename Command>
double Measure(const std::string& bytes, Command command) {
  std::vector<double> times;
  for (int run = 0; run < 5; ++run) {
    auto start = Clock::now();
    Loaded loaded(bytes);
    command(loaded);
    loaded.file.Render();
    times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

void AllHeaders(Loaded& l) {
  qlx::ModGetProcsData procs(l.ui);
  procs.SetVBInstance(l.vbe);
  qlx::ModInsertHeader header(l.ui, l.desktop);
  header.SetVBInstance(l.vbe);
  header.SetProcsData(&procs);
  header.InsertHeaderAll();
}

void Deb(Loaded& l) {
  qlx::ModAddDebugVBE deb(l.ui, l.desktop);
  deb.SetVBInstance(l.vbe);
  deb.ReplaceDeb();
}

}  // namespace

int main() {
  std::printf("%-12s %8s %10s %12s %14s\n", "command", "size", "lines", "time (ms)", "per line (us)");
  for (auto [name, command] : {std::pair{"all-headers", &AllHeaders}, std::pair{"deb", &Deb}}) {
    double first = 0;
    for (int scale : {1, 4, 16}) {
      const int lines = 65000 * scale / 16;
      const std::string bytes = qlx::bench::MakeModule(300 * scale / 16, 30, lines);
      const double seconds = Measure(bytes, command);
      const double per_line = seconds / lines * 1e6;
      if (scale == 1) first = per_line;
      std::printf("%-12s %7dx %10d %12.2f %14.3f   (%.2fx the 1x rate)\n", name, scale, lines, seconds * 1e3,
                  per_line, per_line / first);
    }
  }
  return 0;
}
