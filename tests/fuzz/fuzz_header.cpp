// The procedure header writer at a fuzzed row, with fuzzed answers and
// settings: it only inserts lines, except that an update replaces the old
// header's own lines, from the separator nearest above its author line down
// to that line; the user's lines among them stay.
#include "analysis/cls_proc_inf.h"
#include "tests/support/invariants.h"
#include "writer_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace qlx;
  fuzz::RunWriter(
      data, size, "header",
      [](const std::vector<Text>& before, fuzz::WriterRun& run) {
        return testing::Replaceable("header", before, testing::ListProcs(run.vbe));
      },
      [](fuzz::WriterRun& run) {
        OperationSettings settings;
        settings.author_name = u"山田 太郎";
        settings.ignore_mode = run.Flag(0);
        settings.un_undo_mode = run.Flag(1);
        settings.sleep_time = run.Flag(2) ? 100 : 0;
        run.ops.SetVBInstance(run.vbe);
        run.ops.Apply(settings);
        run.ops.Run(OperationId::kHeader, run.PickRow());
        run.ops.SetVBInstance(nullptr);
      });
  return 0;
}
