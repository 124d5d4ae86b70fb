// The module header writer on a fuzzed module: lines are inserted, and a
// rewrite replaces only the old module header (found by its table title
// above the first procedure's declaration, or, without procedures, from its
// banner down to its end mark).
#include <algorithm>

#include "header/module_header.h"
#include "writer_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace qlx;
  fuzz::RunWriter(
      data, size, "module-header",
      [](const std::vector<Text>& before, fuzz::WriterRun& run) {
        std::vector<bool> marked(before.size() + 1, false);
        const Row rows = static_cast<Row>(before.size());
        auto line = [&](Row row) -> const Text& { return before.at(static_cast<std::size_t>(row - 1)); };
        RecordingUi quiet;
        Operations scanner(quiet, run.desktop);
        scanner.SetVBInstance(run.vbe);
        Short count = 0;
        const std::vector<ProcData> table = scanner.ProcedureTable(count);
        Row first = 0, last = 0;
        if (count > 0) {
          // Above the first procedure, or among its leading comments down to
          // its declaration.
          const ProcData& proc = table.at(0);
          const Row search_end = std::max(proc.ProcStartRow, proc.BodyStartRow - 1);
          Row title = 0;
          for (Row row = 1; row <= search_end && row <= rows && title == 0; ++row) {
            if (StartsWith(line(row), kModuleTableTitle)) title = row;
          }
          if (title > 5) {
            first = title - 5;
            last = title;
            const Row table_end = title < proc.ProcStartRow ? proc.ProcStartRow - 1 : proc.BodyStartRow - 1;
            for (Row row = table_end; row > title; --row) {
              if (StartsWith(line(row), kModuleProcRowLabel)) {
                last = row;
                break;
              }
            }
          }
        } else if (count == 0) {
          for (Row row = 1; row <= rows && first == 0; ++row) {
            if (Like(Trim(line(row)), kModuleBannerPattern)) first = row;
          }
          for (Row row = rows; first != 0 && row >= first && last == 0; --row) {
            if (StartsWith(line(row), kModuleEndMark)) last = row;
          }
        }
        for (Row row = first; first != 0 && row <= last; ++row) marked.at(static_cast<std::size_t>(row)) = true;
        return marked;
      },
      [](fuzz::WriterRun& run) {
        run.ops.SetVBInstance(run.vbe);
        run.ops.Run(OperationId::kModuleHeader);
        run.ops.SetVBInstance(nullptr);
      });
  return 0;
}
