// How much a full procedure scan costs next to reading and decoding the same
// module file: 300 procedures, about 65,000 lines.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "analysis/mod_get_procs_data.h"
#include "bench/module_gen.h"
#include "host/files/module_file.h"
#include "host/memory/editor.h"
#include "host/ui.h"
#include "support/editor.h"

namespace {

using Clock = std::chrono::steady_clock;

template <typename F>
double MedianSeconds(int runs, F&& f) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    auto start = Clock::now();
    f();
    times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int main() {
  namespace fs = std::filesystem;
  const fs::path path = fs::temp_directory_path() / "qlx_scan_bench.bas";
  {
    std::ofstream out(path, std::ios::binary);
    out << qlx::bench::MakeModule(300, 8, 65000);
  }

  const int runs = 5;
  const double load = MedianSeconds(runs, [&] { qlx::ModuleFile::Load(path); });
  qlx::Short count = 0;
  const double scan = MedianSeconds(runs, [&] {
    qlx::ModuleFile file = qlx::ModuleFile::Load(path);
    const std::shared_ptr<qlx::MemoryVBE> vbe = qlx::testing::EditorWith(file.Module()).Build();
    qlx::RecordingUi ui;
    qlx::ModGetProcsData scanner(ui);
    scanner.SetVBInstance(vbe);
    scanner.GetProcsData(count);
  });
  fs::remove(path);

  std::printf("module: 300 procedures, %d found, about 65,000 lines\n", count);
  std::printf("read + decode:           %8.2f ms\n", load * 1e3);
  std::printf("read + decode + scan --full: %8.2f ms\n", scan * 1e3);
  std::printf("ratio (scan --full / read + decode): %.2f\n", scan / load);
  return count == 300 ? 0 : 1;
}
