// qlx check over a generated project of 200 modules (150,000 lines): the
// time to load and check every module, in lines per second, beside the time
// to load and scan the same modules (what qlx scan does), and their ratio.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "analysis/mod_get_procs_data.h"
#include "check/module_check.h"
#include "host/module_file.h"
#include "host/ui.h"
#include "module_gen.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

}  // namespace

int main() {
  constexpr int kModules = 200;
  constexpr int kLinesPerModule = 750;
  std::vector<std::string> modules;
  for (int m = 0; m < kModules; ++m) modules.push_back(qlx::bench::MakeModule(25, 3, kLinesPerModule));

  long lines = 0;
  long findings = 0;
  double check_best = 1e9;
  double scan_best = 1e9;
  for (int round = 0; round < 3; ++round) {
    auto start = Clock::now();
    lines = 0;
    findings = 0;
    for (int m = 0; m < kModules; ++m) {
      const qlx::ModuleFile file = qlx::ModuleFile::FromBytes(modules[m], "Module" + std::to_string(m) + ".bas");
      lines += file.Module()->LineCount();
      findings += static_cast<long>(qlx::check::CheckModule(*file.Module()).size());
    }
    check_best = std::min(check_best, Seconds(start));

    start = Clock::now();
    for (int m = 0; m < kModules; ++m) {
      const qlx::ModuleFile file = qlx::ModuleFile::FromBytes(modules[m], "Module" + std::to_string(m) + ".bas");
      auto vbe = std::make_shared<qlx::MemoryVBE>();
      vbe->AddModule(file.Module());
      vbe->Pane(file.Module()->UncountedName());
      qlx::RecordingUi ui;
      qlx::ModGetProcsData procs(ui);
      procs.SetVBInstance(vbe);
      qlx::Short count = 0;
      procs.GetProcsDataH(count);
    }
    scan_best = std::min(scan_best, Seconds(start));
  }
  std::printf("check: %d modules, %ld lines, %ld findings: %.3f s, %.0f lines/s\n", kModules, lines, findings,
              check_best, lines / check_best);
  std::printf("scan:  the same modules: %.3f s, %.0f lines/s\n", scan_best, lines / scan_best);
  std::printf("ratio check/scan: %.2f\n", check_best / scan_best);
  return 0;
}
