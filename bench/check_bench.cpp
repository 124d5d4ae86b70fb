// qlx check over a generated project of 200 modules (150,000 lines): the
// time to load and check every module, one after the other, in lines per
// second, beside the time to load and scan the same modules (what qlx scan
// does), and their ratio. (qlx check itself also spreads files over the
// processors.)
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "analysis/mod_get_procs_data.h"
#include "check/module_check.h"
#include "host/files/module_file.h"
#include "host/ui.h"
#include "module_gen.h"
#include "support/editor.h"

namespace {

using Clock = std::chrono::steady_clock;

// Processor time of this process: on a machine shared with other work the
// wall clock says more about the neighbours than about qlx.
struct Stopwatch {
  Clock::time_point wall = Clock::now();
  std::clock_t cpu = std::clock();
  double Wall() const { return std::chrono::duration<double>(Clock::now() - wall).count(); }
  double Cpu() const { return static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC; }
};

}  // namespace

// With a folder argument, also writes the project there, for timing
// `qlx check FOLDER` against `qlx scan` file by file.
int main(int argc, char** argv) {
  constexpr int kModules = 200;
  constexpr int kLinesPerModule = 750;
  std::vector<std::string> modules;
  for (int m = 0; m < kModules; ++m) modules.push_back(qlx::bench::MakeModule(25, 3, kLinesPerModule));
  if (argc > 1) {
    for (int m = 0; m < kModules; ++m) {
      qlx::WriteFileReplacing(std::filesystem::path(argv[1]) / ("Module" + std::to_string(m) + ".bas"), modules[m]);
    }
  }

  long lines = 0;
  long findings = 0;
  double check_best = 1e9, check_wall = 1e9;
  double scan_best = 1e9, scan_wall = 1e9;
  for (int round = 0; round < 3; ++round) {
    Stopwatch start;
    lines = 0;
    findings = 0;
    for (int m = 0; m < kModules; ++m) {
      const qlx::ModuleFile file = qlx::ModuleFile::FromBytes(modules[m], "Module" + std::to_string(m) + ".bas");
      lines += file.Module()->LineCount();
      findings += static_cast<long>(qlx::check::CheckModule(*file.Module()).size());
    }
    check_best = std::min(check_best, start.Cpu());
    check_wall = std::min(check_wall, start.Wall());

    start = Stopwatch();
    for (int m = 0; m < kModules; ++m) {
      const qlx::ModuleFile file = qlx::ModuleFile::FromBytes(modules[m], "Module" + std::to_string(m) + ".bas");
      const std::shared_ptr<qlx::MemoryVBE> vbe = qlx::testing::EditorWith(file.Module()).Build();
      qlx::RecordingUi ui;
      qlx::ModGetProcsData procs(ui);
      procs.SetVBInstance(vbe);
      qlx::Short count = 0;
      procs.GetProcsDataH(count);
    }
    scan_best = std::min(scan_best, start.Cpu());
    scan_wall = std::min(scan_wall, start.Wall());
  }
  std::printf("check: %d modules, %ld lines, %ld findings: %.3f s processor (%.3f s wall), %.0f lines/s\n",
              kModules, lines, findings, check_best, check_wall, lines / check_best);
  std::printf("scan:  the same modules: %.3f s processor (%.3f s wall), %.0f lines/s\n", scan_best, scan_wall,
              lines / scan_best);
  std::printf("ratio check/scan: %.2f\n", check_best / scan_best);
  return 0;
}
