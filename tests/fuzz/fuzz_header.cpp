// The procedure header writer at a fuzzed row, with fuzzed answers and
// settings: it only inserts lines, except that an update replaces the old
// header from its separator line down to the declaration.
#include "analysis/cls_proc_inf.h"
#include "header/mod_insert_header.h"
#include "writer_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace qlx;
  fuzz::RunWriter(
      data, size, "header",
      [](const std::vector<Text>& before, fuzz::WriterRun& run) {
        std::vector<bool> marked(before.size() + 1, false);
        RecordingUi quiet;
        ClsProcInf record(quiet);
        record.VBInstanceC(run.vbe);
        if (record.GetProcInf(run.PickRow())) {
          const Row declaration = record.BodyStartRow();
          Row separator = 0;
          for (Row row = record.ProcStartRow(); row < declaration && separator == 0; ++row) {
            if (Like(Trim(before.at(static_cast<std::size_t>(row - 1))), u"'>>>>>*")) separator = row;
          }
          for (Row row = separator; separator != 0 && row < declaration; ++row) marked.at(static_cast<std::size_t>(row)) = true;
        }
        return marked;
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
