// The procedure record on every row of a fuzzed module: it reports failures
// through message boxes, never throws, and a filled record's rows are in
// order, inside the module, and hold the row it was asked for, also when two
// procedures share name and kind (the editor, asked by name, gives the
// first; the record finds the later one by its rows).
#include <string>

#include "analysis/cls_proc_inf.h"
#include "fuzz_support.h"
#include "host/ui.h"
#include "support/editor.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using qlx::fuzz::Check;
  std::optional<qlx::ModuleFile> file =
      qlx::fuzz::LoadModule(std::string(reinterpret_cast<const char*>(data), size));
  if (!file) return 0;
  const std::shared_ptr<qlx::MemoryVBE> vbe = qlx::testing::EditorWith(file->Module()).Build();
  const qlx::Row rows = file->Module()->LineCount();

  qlx::RecordingUi ui;
  qlx::ClsProcInf record(ui);
  record.VBInstanceC(vbe);
  for (qlx::Row row = 1; row <= rows; ++row) {
    if (!record.GetProcInf(row)) continue;
    const std::string at = "row " + std::to_string(row) + " " + qlx::fuzz::Quote(record.ProcName()) + ": ";
    const qlx::Row start = record.ProcStartRow();
    const qlx::Row end = start + record.TotalRowsCount() - 1;
    Check(start >= 1 && start <= row && row <= end && end <= rows,
          at + "span " + std::to_string(start) + ".." + std::to_string(end) + " of " + std::to_string(rows));
    Check(start <= record.BodyStartRow() && record.BodyStartRow() <= record.BodyDefEndRow() &&
              record.BodyDefEndRow() <= record.BodyEndRow() && record.BodyEndRow() <= end,
          at + "rows out of order: " + std::to_string(record.BodyStartRow()) + " " +
              std::to_string(record.BodyDefEndRow()) + " " + std::to_string(record.BodyEndRow()));
    Check(record.ParamCount() >= 0 && record.ParamCount() <= qlx::ClsProcInf::kMaxParams, at + "parameter count");
    Check(record.InnerDecStartRow() > record.BodyDefEndRow() && record.InnerDecEndRow() <= record.BodyEndRow(),
          at + "local declarations " + std::to_string(record.InnerDecStartRow()) + ".." +
              std::to_string(record.InnerDecEndRow()) + " outside the body");
  }
  record.VBInstanceC(nullptr);
  Check(!file->Rendered().Changed(), "the record changed the module");
  return 0;
}
