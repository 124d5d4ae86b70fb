// The module procedure table: both scans on a fuzzed module report their
// failures through message boxes, never throw, and give a table whose rows
// lie inside the module, in order (also where two procedures share name and
// kind), and agree with each other.
#include <string>

#include "operations/operations.h"
#include "fuzz_support.h"
#include "host/ui.h"
#include "support/editor.h"

namespace {

using qlx::fuzz::Check;

void CheckTable(const std::vector<qlx::ProcData>& table, qlx::Short count, qlx::Row rows) {
  if (count <= 0) return;
  Check(count <= qlx::kMaxProcs && table.size() == static_cast<std::size_t>(count), "table size");
  qlx::Row previous_end = 0;
  for (qlx::Short i = 0; i < count; ++i) {
    const qlx::ProcData& p = table[static_cast<std::size_t>(i)];
    const std::string at = "procedure " + std::to_string(i) + " " + qlx::fuzz::Quote(p.ProcName) + ": ";
    const qlx::Row end = p.ProcStartRow + p.TotalRowsCount - 1;
    Check(p.ProcStartRow > previous_end, at + "starts at " + std::to_string(p.ProcStartRow) +
                                             " inside the one before, which ends at " + std::to_string(previous_end));
    Check(p.ProcStartRow <= p.BodyStartRow && p.BodyStartRow <= p.BodyDefEndRow && p.BodyDefEndRow <= end &&
              end <= rows,
          at + "rows out of order: " + std::to_string(p.ProcStartRow) + " " + std::to_string(p.BodyStartRow) + " " +
              std::to_string(p.BodyDefEndRow) + " " + std::to_string(end) + " of " + std::to_string(rows));
    Check(p.ProcType >= 0 && p.ProcType <= 4, at + "type " + std::to_string(p.ProcType));
    previous_end = end;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::optional<qlx::ModuleFile> file =
      qlx::fuzz::LoadModule(std::string(reinterpret_cast<const char*>(data), size));
  if (!file) return 0;
  qlx::testing::MemoryEditor editor = qlx::testing::EditorWith(file->Module());
  const qlx::Row rows = file->Module()->LineCount();

  qlx::RecordingUi ui;
  qlx::Operations scanner(ui, editor.desktop);
  scanner.SetVBInstance(editor.vbe);
  qlx::Short brief_count = 0;
  const std::vector<qlx::ProcData> brief = scanner.ProcedureTable(brief_count);
  CheckTable(brief, brief_count, rows);
  qlx::Short full_count = 0;
  const std::vector<qlx::ProcData> full = scanner.Procs().GetProcsData(full_count);
  CheckTable(full, full_count, rows);
  if (ui.boxes.empty() && full_count != -2) {
    Check(brief_count == full_count, "the scans count " + std::to_string(brief_count) + " and " +
                                         std::to_string(full_count) + " procedures");
    for (qlx::Short i = 0; i < brief_count; ++i) {
      const qlx::ProcData& b = brief[static_cast<std::size_t>(i)];
      const qlx::ProcData& f = full[static_cast<std::size_t>(i)];
      Check(b.ProcStartRow == f.ProcStartRow && b.BodyStartRow == f.BodyStartRow &&
                b.BodyDefEndRow == f.BodyDefEndRow && b.TotalRowsCount == f.TotalRowsCount &&
                b.ProcType == f.ProcType && b.ProcName == f.ProcName,
            "the scans disagree on procedure " + std::to_string(i));
      Check(f.ParamCount >= 0 && f.ParamCount <= qlx::kMaxProcParams, "parameter count");
    }
  }
  Check(file->Module()->AllLines().size() == static_cast<std::size_t>(rows), "a scan changed the module");
  Check(!file->Rendered().Changed(), "a scan changed the module");
  return 0;
}
