// Office documents: export and all-headers over a workbook of 170 modules,
// against reading the same project (unzip, compound file, decompressing every
// module), measured in the same run.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "analysis/mod_get_procs_data.h"
#include "bench/module_gen.h"
#include "header/mod_insert_header.h"
#include "host/files/encoding.h"
#include "host/memory/editor.h"
#include "host/ui.h"
#include "office/module_export.h"
#include "office/office_document.h"
#include "office/project_builder.h"
#include "office/project_modules.h"
#include "support/editor.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace office = qlx::office;

constexpr int kModules = 170;

std::string Workbook(long& lines) {
  qlx::Converter utf8(qlx::Encoding{qlx::Encoding::Kind::kUtf8, "CP932"});
  qlx::Converter cp932(qlx::Encoding{qlx::Encoding::Kind::kCodePage, "CP932"});
  std::vector<office::testing::TestModule> modules;
  lines = 0;
  for (int m = 0; m < kModules; ++m) {
    const std::string name = "Module" + std::to_string(m + 1);
    std::string text = qlx::bench::MakeModule(12, 6, 600);
    text.replace(text.find("\"Big\""), 5, "\"" + name + "\"");
    lines += static_cast<long>(std::count(text.begin(), text.end(), '\n'));
    modules.push_back({name, 'M', cp932.Encode(*utf8.Decode(text))});
  }
  return office::testing::Xlsm(office::WriteCompoundFile(*office::testing::ProjectTree(932, modules)));
}

template <typename Work>
double Median(Work work) {
  std::vector<double> times;
  for (int run = 0; run < 5; ++run) {
    const auto start = Clock::now();
    work();
    times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int main() {
  long lines = 0;
  const std::string bytes = Workbook(lines);
  const auto dir = std::filesystem::temp_directory_path() / "qlx-office-bench";

  const double read = Median([&] {
    office::OfficeDocument doc = office::OfficeDocument::FromBytes(bytes, "Book.xlsm");
    for (std::size_t i = 0; i < doc.Project().Modules().size(); ++i) doc.Project().Source(i);
  });
  const double exported = Median([&] {
    office::OfficeDocument doc = office::OfficeDocument::FromBytes(bytes, "Book.xlsm");
    std::filesystem::create_directories(dir);
    for (std::size_t i = 0; i < doc.Project().Modules().size(); ++i) {
      const office::VbaModule& m = doc.Project().Modules()[i];
      std::ofstream(dir / (m.name + office::ExportExtension(m.type)), std::ios::binary)
          << office::ExportText(m, doc.Project().Source(i));
    }
  });
  std::size_t written = 0, after = 0;
  int changed = 0;
  const double all_headers = Median([&] {
    office::OfficeDocument doc = office::OfficeDocument::FromBytes(bytes, "Book.xlsm");
    office::ProjectModules modules(doc);
    qlx::RecordingUi ui;
    for (qlx::ModuleFile& file : modules.Files()) {
      qlx::testing::MemoryEditor editor = qlx::testing::EditorWith(file.Module());
      qlx::ModGetProcsData procs(ui);
      procs.SetVBInstance(editor.vbe);
      qlx::ModInsertHeader header(ui, editor.desktop);
      header.SetVBInstance(editor.vbe);
      header.SetProcsData(&procs);
      header.InsertHeaderAll();
    }
    changed = modules.StoreChanges();
    const std::string out = doc.Render();
    written = out.size();
    after = office::OfficeDocument::FromBytes(out, "Book.xlsm").Project().Source(0).size();
  });
  std::filesystem::remove_all(dir);

  std::printf("workbook: %d modules, %ld lines, %zu bytes; all-headers changed %d modules, %zu bytes, first module %zu bytes of source\n",
              kModules, lines, bytes.size(), changed, written, after);
  std::printf("%-28s %10s %8s\n", "step", "seconds", "ratio");
  std::printf("%-28s %10.3f %8.2f\n", "read project (baseline)", read, 1.0);
  std::printf("%-28s %10.3f %8.2f\n", "export to files", exported, exported / read);
  std::printf("%-28s %10.3f %8.2f\n", "all-headers, every module", all_headers, all_headers / read);
  return 0;
}
