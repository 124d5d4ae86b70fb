#include "cli/target.h"

#include <optional>
#include <string>
#include <vector>

#include "analysis/mod_get_procs_data.h"
#include "cli/errors.h"
#include "host/text.h"
#include "operations/operations.h"

namespace qlx::cli {

namespace {

// "Prop:get" for properties, the bare name otherwise.
std::string ProcLabel(const ProcData& p) {
  const TextView accessor = AccessorOf(p.ProcKnd);
  return accessor.empty() ? ToUtf8(p.ProcName) : ToUtf8(p.ProcName) + ":" + ToUtf8(accessor);
}

Row RowOfProc(const std::string& wanted, Workspace& ws, UiService& ui) {
  Operations ops(ui, ws.desktop);
  ops.SetVBInstance(ws.vbe);
  Short count = 0;
  const std::vector<ProcData> table = ops.ProcedureTable(count);
  ops.SetVBInstance(nullptr);
  const std::size_t colon = wanted.rfind(':');
  const std::string name = wanted.substr(0, colon);
  const std::string kind = colon == std::string::npos ? "" : AsciiLower(wanted.substr(colon + 1));
  // Bytes that are not UTF-8 are no accessor, and are said back as they came.
  const Text kind_text = IsValidUtf8(kind) ? FromUtf8(kind) : u"?";
  if (!kind.empty() && !IsAccessor(kind_text)) {
    throw UsageError("--proc " + wanted + ": the part after ':' is get, let or set");
  }
  // Names come from the module as text; bytes that are not UTF-8 name none of them.
  const std::optional<Text> name_text = IsValidUtf8(name) ? std::optional(FromUtf8(name)) : std::nullopt;
  std::vector<const ProcData*> found;
  std::string names;
  for (Short i = 0; i < count && i < static_cast<Short>(table.size()); ++i) {
    const ProcData& p = table[static_cast<std::size_t>(i)];
    names += (names.empty() ? "" : ", ") + ProcLabel(p);
    if (name_text && ProcedureIs(p, *name_text, kind_text)) found.push_back(&p);
  }
  const std::string module = ToUtf8(ws.First().Module()->UncountedName());
  if (found.size() == 1) return found.front()->BodyStartRow;
  if (found.empty()) {
    throw UsageError("no procedure " + wanted + " in " + module + "; its procedures: " +
                     (names.empty() ? "(none)" : names));
  }
  std::string choices;
  for (const ProcData* p : found) choices += (choices.empty() ? "" : ", ") + ProcLabel(*p);
  throw UsageError("--proc " + wanted + " names more than one procedure of " + module + "; give one of " + choices);
}

}  // namespace

Row ResolveRow(const Target& target, Workspace& ws, UiService& ui) {
  ModuleFile& file = ws.First();
  if (target.proc) return RowOfProc(*target.proc, ws, ui);
  if (!target.row && !target.line) {
    throw UsageError("give the procedure's place with --row N or --line N (or --proc NAME)");
  }
  const Row count = file.Module()->LineCount();
  if (target.row) {
    if (*target.row < 1 || *target.row > count) {
      throw UsageError("row " + std::to_string(*target.row) + " is outside the module, which has " +
                       std::to_string(count) + " rows");
    }
    return static_cast<Row>(*target.row);
  }
  const long long line = *target.line;
  const long long file_lines = count + file.HiddenLineCount();
  if (line < 1 || line > file_lines) {
    throw UsageError("line " + std::to_string(line) + " is outside the file, which has " +
                     std::to_string(file_lines) + " lines");
  }
  const Row row = file.RowOfFileLine(static_cast<long>(line));
  if (row == 0) {
    throw UsageError("line " + std::to_string(line) +
                     " is one the editor hides (the VERSION/BEGIN block or an Attribute line)");
  }
  return row;
}

Row ProcedureRow(const Target& target, Workspace& ws, UiService& ui) {
  const Row row = ResolveRow(target, ws, ui);
  // The editor would report this as an error box after the fact; refuse first.
  if (row <= ws.First().Module()->CountOfDeclarationLines()) {
    const std::string place = target.row    ? "row " + std::to_string(row)
                              : target.line ? "line " + std::to_string(*target.line)
                                            : "--proc " + *target.proc;
    throw UsageError(place + " is in the module's declaration section, not inside a procedure");
  }
  return row;
}

}  // namespace qlx::cli
