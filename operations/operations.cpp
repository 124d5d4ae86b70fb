#include "operations/operations.h"

#include <utility>

namespace qlx {

const OperationInfo& InfoOf(OperationId id) {
  for (const OperationInfo& info : kOperationTable) {
    if (info.id == id) return info;
  }
  // Every id has its row; reaching here means the table lost one.
  return kOperationTable[0];
}

const OperationInfo* OperationNamed(std::string_view name) {
  for (const OperationInfo& info : kOperationTable) {
    if (info.name == name) return &info;
  }
  return nullptr;
}

namespace {

struct Accessor {
  TextView kind;  // as the procedure table gives it
  TextView word;
};
constexpr Accessor kAccessors[] = {{u"PrG", u"get"}, {u"PrL", u"let"}, {u"PrS", u"set"}};

}  // namespace

TextView AccessorOf(TextView proc_kind) {
  for (const Accessor& a : kAccessors) {
    if (proc_kind == a.kind) return a.word;
  }
  return {};
}

bool IsAccessor(TextView word) {
  for (const Accessor& a : kAccessors) {
    if (AsciiEqualNoCase(word, a.word)) return true;
  }
  return false;
}

bool ProcedureIs(const ProcData& entry, TextView name, TextView kind) {
  if (!AsciiEqualNoCase(entry.ProcName, name)) return false;
  if (kind.empty()) return true;
  const TextView accessor = AccessorOf(entry.ProcKnd);
  return !accessor.empty() && AsciiEqualNoCase(kind, accessor);
}

Operations::Operations(UiService& ui, Desktop& desktop)
    : procs_(ui), header_(ui, desktop), err_trap_(ui, desktop), deb_(ui, desktop) {
  // The whole-module header commands scan with the same table the readers use.
  header_.SetProcsData(&procs_);
}

void Operations::SetVBInstance(std::shared_ptr<VBE> vbe) {
  procs_.SetVBInstance(vbe);
  header_.SetVBInstance(vbe);
  err_trap_.SetVBInstance(vbe);
  deb_.SetVBInstance(std::move(vbe));
}

void Operations::Apply(const OperationSettings& settings) {
  header_.AuthorName = settings.author_name;
  header_.IgnoreMode = settings.ignore_mode;
  header_.UnUndoMode = settings.un_undo_mode;
  header_.SleepTime = settings.sleep_time;
  err_trap_.ErrInsertPos = settings.err_insert_pos;
  header_.DateFormat = settings.date_format;
}

void Operations::Run(OperationId id, Row row) {
  switch (id) {
    case OperationId::kHeader:
      header_.WriteHeaderProc(row);
      return;
    case OperationId::kErrTrap:
      err_trap_.WriteErrTrapProc(row);
      return;
    case OperationId::kDeb:
      deb_.ReplaceDeb();
      return;
    case OperationId::kModuleHeader:
      header_.InsertModuleHeader();
      return;
    case OperationId::kAllHeaders:
      header_.InsertHeaderAll();
      return;
    case OperationId::kHeaders:
      header_.RefreshHeaders();
      return;
  }
}

std::optional<Row> Operations::RunOn(OperationId id, TextView name, TextView kind) {
  Short count = 0;
  const std::vector<ProcData> table = ProcedureTable(count);
  std::optional<Row> found;
  for (const ProcData& entry : table) {
    if (!ProcedureIs(entry, name, kind)) continue;
    if (found) return std::nullopt;
    found = entry.BodyStartRow;
  }
  if (found) Run(id, *found);
  return found;
}

std::vector<ProcData> Operations::ProcedureTable(Short& count) { return procs_.GetProcsDataH(count); }

std::vector<ProcData> Operations::AllProcedures(Short& count) { return procs_.AllProcSpans(count); }

HeaderCheck Operations::CheckHeader(Row row, std::size_t index, std::optional<std::vector<ProcData>>& table) {
  return header_.CheckHeaderProc(row, index, table);
}

}  // namespace qlx
