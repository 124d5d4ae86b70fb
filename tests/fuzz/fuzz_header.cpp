// The procedure header writer at a fuzzed row, with fuzzed answers and
// settings: it only inserts lines, except that an update replaces the old
// header's own lines, from the separator nearest above its author line down
// to that line; the user's lines among them stay.
#include "analysis/cls_proc_inf.h"
#include "header/mod_insert_header.h"
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
        ModInsertHeader header(run.ui, run.desktop);
        header.SetVBInstance(run.vbe);
        header.AuthorName = u"山田 太郎";
        header.IgnoreMode = run.Flag(0);
        header.UnUndoMode = run.Flag(1);
        header.SleepTime = run.Flag(2) ? 100 : 0;
        header.WriteHeaderProc(run.PickRow());
        header.SetVBInstance(nullptr);
      });
  return 0;
}
