// The procedure record on every row of a fuzzed module: it reports failures
// through message boxes, never throws, and a filled record's rows are in
// order, inside the module, and hold the row it was asked for (unless two
// procedures share name and kind, where the editor, asked by name, gives the
// first).
#include <cctype>
#include <set>
#include <string>
#include <string_view>

#include "analysis/cls_proc_inf.h"
#include "fuzz_support.h"
#include "host/ui.h"

namespace {

// Whether a line holds an End line of a procedure: as its first statement,
// after a line number or a label (`100 End Sub`, `Done: End Sub`), or after
// a colon (`Sub A(): End Sub`). A colon inside a string may make it say yes
// wrongly; that only makes the span check below skip more modules.
bool EndsProcedure(std::string line) {
  for (char& c : line) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::size_t at = line.find_first_not_of(" \t");
  if (at == std::string::npos) return false;
  const std::size_t digits = line.find_first_not_of("0123456789", at);
  if (digits != at && digits != std::string::npos) at = line.find_first_not_of(" \t", digits);
  while (at != std::string::npos) {
    at = line.find_first_not_of(" \t", at);
    if (at == std::string::npos) return false;
    const std::string_view rest = std::string_view(line).substr(at);
    if (rest.starts_with("end sub") || rest.starts_with("end function") || rest.starts_with("end property")) return true;
    at = line.find(':', at);
    if (at != std::string::npos) ++at;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using qlx::fuzz::Check;
  std::optional<qlx::ModuleFile> file =
      qlx::fuzz::LoadModule(std::string(reinterpret_cast<const char*>(data), size));
  if (!file) return 0;
  auto vbe = std::make_shared<qlx::MemoryVBE>();
  vbe->AddModule(file->Module());
  vbe->Pane(file->Module()->UncountedName());
  const qlx::Row rows = file->Module()->LineCount();

  qlx::RecordingUi ui;
  // A procedure met again after another one, or after an End line (labelled,
  // numbered or after a colon too), shares name and kind with an earlier one.
  bool names_unique = true;
  {
    std::set<std::string> seen;
    std::string last;
    bool after_end = false;
    for (qlx::Row row = 1; row <= rows && names_unique; ++row) {
      qlx::ProcKind kind = 0;
      const qlx::Text name = file->Module()->ProcOfLine(row, kind);
      std::string key = qlx::ToUtf8(name) + "/" + std::to_string(kind);
      for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (!name.empty() && (key != last || after_end)) names_unique = seen.insert(key).second;
      last = key;
      after_end = EndsProcedure(qlx::ToUtf8(file->Module()->Line(row)));
    }
  }
  qlx::ClsProcInf record(ui);
  record.VBInstanceC(vbe);
  for (qlx::Row row = 1; row <= rows; ++row) {
    if (!record.GetProcInf(row)) continue;
    const std::string at = "row " + std::to_string(row) + " " + qlx::fuzz::Quote(record.ProcName()) + ": ";
    const qlx::Row start = record.ProcStartRow();
    const qlx::Row end = start + record.TotalRowsCount() - 1;
    Check(start >= 1 && (!names_unique || (start <= row && row <= end)) && end <= rows,
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
  Check(!file->Changed(), "the record changed the module");
  return 0;
}
