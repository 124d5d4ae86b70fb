// The in-memory editor: code modules read into statements and procedures the
// way the VBA editor reads them, panes, windows and the desktop calls.
#include "host/memory/editor.h"

#include <algorithm>
#include <iterator>
#include <limits>
#include <unordered_map>
#include <utility>

#include "host/memory/find.h"
#include "host/memory/gap.h"
#include "host/memory/statement_render.h"
#include "host/memory/statements.h"

namespace qlx {

// ---------------------------------------------------------------------------
// CallLog

const char* HostCallName(HostCall call) {
  switch (call) {
    case HostCall::kName: return "Name";
    case HostCall::kLines: return "Lines";
    case HostCall::kCountOfLines: return "CountOfLines";
    case HostCall::kCountOfDeclarationLines: return "CountOfDeclarationLines";
    case HostCall::kInsertLines: return "InsertLines";
    case HostCall::kDeleteLines: return "DeleteLines";
    case HostCall::kReplaceLine: return "ReplaceLine";
    case HostCall::kProcOfLine: return "ProcOfLine";
    case HostCall::kProcStartLine: return "ProcStartLine";
    case HostCall::kProcCountLines: return "ProcCountLines";
    case HostCall::kProcBodyLine: return "ProcBodyLine";
    case HostCall::kFind: return "Find";
    case HostCall::kActiveCodePane: return "ActiveCodePane";
    case HostCall::kCodeModule: return "CodeModule";
    case HostCall::kGetSelection: return "GetSelection";
    case HostCall::kCaption: return "Caption";
    case HostCall::kFindWindow: return "FindWindow";
    case HostCall::kLockWindowUpdate: return "LockWindowUpdate";
    case HostCall::kCommandBars: return "CommandBars";
    case HostCall::kCommandBarItem: return "Item";
    case HostCall::kControlsAdd: return "Add";
    case HostCall::kControlCaption: return "Caption";
    case HostCall::kControlDelete: return "Delete";
    case HostCall::kEvents: return "Events";
    case HostCall::kCommandBarEvents: return "CommandBarEvents";
  }
  return "?";
}

void CallLog::Count(HostCall call) {
  int count = ++counts_[call];
  auto found = failures_.find(call);
  if (found == failures_.end()) return;
  auto& scheduled = found->second;
  auto due = std::find_if(scheduled.begin(), scheduled.end(),
                          [count](const Failure& f) { return f.at == count; });
  if (due == scheduled.end()) return;
  VbError error = due->error;
  scheduled.erase(due);
  throw error;
}

int CallLog::Calls(HostCall call) const {
  auto found = counts_.find(call);
  return found == counts_.end() ? 0 : found->second;
}

void CallLog::FailOn(HostCall call, int nth, VbError error) {
  failures_[call].push_back(Failure{Calls(call) + nth, std::move(error)});
}

void CallLog::ResetCounts() {
  // Scheduled failures keep their distance from now.
  for (auto& [call, scheduled] : failures_) {
    int done = Calls(call);
    for (auto& f : scheduled) f.at -= done;
    std::erase_if(scheduled, [](const Failure& f) { return f.at <= 0; });
  }
  counts_.clear();
}

namespace {

using memory::FindOptions;
using memory::LineSearch;
using memory::Statement;
using memory::StatementKind;

// ---------------------------------------------------------------------------
// Row bounds of the reading and editing calls. None of these is confirmed on
// a real editor: every row or range outside the module raises error 9.

void CheckLinesStart(Row start, Row line_count) {
  if (start < 1 || start > line_count) throw VbError(vberr::kSubscript);
}

void CheckInsertRow(Row row, Row line_count) {
  if (row < 1 || row > line_count + 1) throw VbError(vberr::kSubscript);
}

void CheckDeleteRange(Row start, Row count, Row line_count) {
  if (start < 1 || count < 1 ||
      static_cast<long long>(start) + count - 1 > static_cast<long long>(line_count)) {
    throw VbError(vberr::kSubscript);
  }
}

// ReplaceLine and ProcOfLine.
void CheckExistingRow(Row row, Row line_count) {
  if (row < 1 || row > line_count) throw VbError(vberr::kSubscript);
}

// ---------------------------------------------------------------------------

using memory::SplitLines;

// Whether a line given to the module must be split. A plain loop: the
// standard find_first_of compares each unit with each of the set in turn.
bool HasLineBreak(TextView line) {
  return std::any_of(line.begin(), line.end(), [](char16_t c) { return c == u'\r' || c == u'\n'; });
}

// A line and what the procedure reading keeps of it. A module holds one of
// these per row, so it stays small: a procedure's name, which only a
// procedure start has, is read again when the index needs it.
struct LineEntry {
  LineEntry() = default;
  explicit LineEntry(Text t) : text(std::move(t)), continues(memory::ContinuesOnNextLine(text)) {}

  Text text;
  bool continues = false;
  // The reading of the logical line that starts here (kind, proc_kind,
  // ends_procedure), kept until an edit touches one of its physical lines.
  bool statement_known = false;
  bool ends_procedure = false;
  // Whether this line's logical line is trivia; written whenever the
  // procedures are read.
  bool trivia = false;
  std::uint8_t kind = 0;
  std::int8_t proc_kind = 0;
};

struct Procedure {
  Text name;
  ProcKind kind = kProcKindProc;
  Row body = 0;          // first line of the declaration statement
  Row end = 0;           // last line of its End statement
  bool has_end = false;  // false: no End before the end of the module
  Row start = 0;         // first line of its region
  Row last = 0;          // last line of its region
  // A procedure start was met inside this one's body.
  bool nested_start = false;
};

// Where a row stands after `removed` lines at `row` were replaced by
// `inserted` ones: rows above keep their number, removed rows fold onto
// `row`, rows below move.
Row MoveRow(Row r, Row row, Row removed, Row inserted) {
  if (r < row) return r;
  if (r < row + removed) return row;
  return r + inserted - removed;
}

constexpr Row kNeverStable = std::numeric_limits<Row>::max();

}  // namespace

// ---------------------------------------------------------------------------
// MemoryCodeModule

struct MemoryCodeModule::Impl {
  Text name;
  memory::GapBuffer<LineEntry> lines;
  std::vector<EditListener> listeners;

  // The procedure index, brought up to date on the first question after
  // edits. Edits keep the rows of known procedures current and widen the
  // stretch to read again: from rescan_from (0 when nothing changed) up to
  // stable_from, the first row whose line and the line above it are both
  // unchanged.
  bool index_read = false;
  Row rescan_from = 0;
  Row stable_from = 0;
  std::vector<Procedure> procedures;
  Row declaration_lines = 0;
  std::unordered_map<Text, std::vector<std::size_t>> by_folded_name;
  // The index leans on a reading no real editor has confirmed.
  bool unconfirmed = false;

  // Rows 1..clean_rows hold no match of the last Find's target and options.
  Text find_target;
  FindOptions find_options;
  Row clean_rows = 0;

  Row Count() const { return static_cast<Row>(lines.size()); }
  LineEntry& At(Row row) { return lines[static_cast<std::size_t>(row - 1)]; }

  memory::LinePlace PlaceOf(Row row);
  std::vector<Text> Rendered(Row row, std::vector<Text> pieces);
  void Splice(Row row, Row removed, std::vector<Text> pieces);
  void NoteEdit(Row row, Row removed, Row inserted, Row first_touched);
  Statement ReadLogicalLine(Row first, Row last);
  // The statement of rows first..last, its name left empty.
  Statement StatementAt(Row first, Row last);
  void EnsureIndex();
  void ReadProcedures(Row from, Row stable);
  Row ComputeDeclarationLines();
  const Procedure& Lookup(const Text& name, ProcKind kind);
  bool Search(const Text& target, FindOptions options, Row& start_line,
              std::int32_t& start_column, Row& end_line, std::int32_t& end_column);
  void Notify(Row row, Row removed, Row inserted);
};

// Where a line put at row would stand: after the lines above it that
// continue onto it.
memory::LinePlace MemoryCodeModule::Impl::PlaceOf(Row row) {
  if (row <= 1 || !At(row - 1).continues) return memory::LinePlace::kStart;
  Row first = row - 1;
  while (first > 1 && At(first - 1).continues) --first;
  memory::LinePlace place = memory::LinePlace::kStart;
  for (Row r = first; r < row; ++r) place = memory::PlaceAfter(At(r).text, place);
  return place;
}

// The lines given to InsertLines or ReplaceLine at row as the editor stores
// them: statements rendered from their tokens, comments and blank lines as
// they are.
std::vector<Text> MemoryCodeModule::Impl::Rendered(Row row, std::vector<Text> pieces) {
  memory::LinePlace place = PlaceOf(row);
  for (auto& piece : pieces) {
    memory::RenderedLine rendered = memory::RenderStatementLine(piece, place);
    piece = std::move(rendered.text);
    place = rendered.next;
  }
  return pieces;
}

// Replaces `removed` lines from row on by pieces and forgets what the edit
// may have changed: the readings of the logical lines running into the
// edited rows, the procedures there and Find's clean rows below the edit.
void MemoryCodeModule::Impl::Splice(Row row, Row removed, std::vector<Text> pieces) {
  auto inserted = static_cast<Row>(pieces.size());
  std::vector<LineEntry> added;
  added.reserve(pieces.size());
  for (auto& piece : pieces) added.emplace_back(std::move(piece));
  lines.Splice(static_cast<std::size_t>(row - 1), static_cast<std::size_t>(removed), std::move(added));
  Row first_touched = row;
  while (first_touched > 1 && At(first_touched - 1).continues) {
    --first_touched;
    At(first_touched).statement_known = false;
  }
  NoteEdit(row, removed, inserted, first_touched);
  clean_rows = std::min(clean_rows, row - 1);
}

void MemoryCodeModule::Impl::NoteEdit(Row row, Row removed, Row inserted, Row first_touched) {
  if (!index_read) return;
  for (Procedure& p : procedures) {
    p.body = MoveRow(p.body, row, removed, inserted);
    p.end = MoveRow(p.end, row, removed, inserted);
  }
  Row stable = row + inserted + 1;
  if (rescan_from == 0) {
    rescan_from = first_touched;
    stable_from = stable;
  } else {
    rescan_from = std::min(rescan_from, first_touched);
    stable_from = std::max(MoveRow(stable_from, row, removed, inserted), stable);
  }
}

Statement MemoryCodeModule::Impl::ReadLogicalLine(Row first, Row last) {
  if (first == last) return memory::ReadStatement(At(first).text);
  std::vector<TextView> parts;
  for (Row r = first; r <= last; ++r) parts.emplace_back(At(r).text);
  return memory::ReadStatement(memory::JoinContinuedLines(parts.data(), parts.size()));
}

Statement MemoryCodeModule::Impl::StatementAt(Row first, Row last) {
  LineEntry& entry = At(first);
  if (!entry.statement_known) {
    const Statement read = ReadLogicalLine(first, last);
    entry.kind = static_cast<std::uint8_t>(read.kind);
    entry.proc_kind = static_cast<std::int8_t>(read.proc_kind);
    entry.ends_procedure = read.ends_procedure;
    entry.statement_known = true;
  }
  Statement statement;
  statement.kind = static_cast<StatementKind>(entry.kind);
  statement.proc_kind = entry.proc_kind;
  statement.ends_procedure = entry.ends_procedure;
  return statement;
}

void MemoryCodeModule::Impl::EnsureIndex() {
  if (!index_read) {
    procedures.clear();
    ReadProcedures(1, kNeverStable);
    index_read = true;
  } else if (rescan_from != 0) {
    ReadProcedures(rescan_from, stable_from);
  } else {
    return;
  }
  rescan_from = 0;
  declaration_lines = ComputeDeclarationLines();
  // Regions: the first starts after the declarations, each later one after
  // the End line of the one before; the last runs to the end of the module.
  for (std::size_t i = 0; i < procedures.size(); ++i) {
    Procedure& p = procedures[i];
    p.start = i == 0 ? declaration_lines + 1 : procedures[i - 1].end + 1;
    p.last = i + 1 == procedures.size() ? Count() : p.end;
  }
  by_folded_name.clear();
  for (std::size_t i = 0; i < procedures.size(); ++i) {
    by_folded_name[memory::FoldCase(procedures[i].name)].push_back(i);
  }
  // The declarations ending on an #If line is the other unconfirmed reading.
  unconfirmed = unconfirmed || std::any_of(procedures.begin(), procedures.end(), [](const Procedure& p) {
                  return !p.has_end || p.nested_start;
                });
  for (const auto& [name, indices] : by_folded_name) {
    for (std::size_t a = 0; a < indices.size() && !unconfirmed; ++a) {
      for (std::size_t b = a + 1; b < indices.size(); ++b) {
        if (procedures[indices[a]].kind == procedures[indices[b]].kind) unconfirmed = true;
      }
    }
  }
}

// Reads the procedures, in text order, from the logical line at `from` on,
// keeping those that start above it, and marks each line's trivia. Past
// `stable`, once neither this reading nor the previous one has a procedure
// open, the lines read as before and the previous procedures still hold.
void MemoryCodeModule::Impl::ReadProcedures(Row from, Row stable) {
  auto by_body = [](const Procedure& p, Row r) { return p.body < r; };
  auto split = std::lower_bound(procedures.begin(), procedures.end(), from, by_body);
  std::vector<Procedure> previous(std::make_move_iterator(split), std::make_move_iterator(procedures.end()));
  procedures.erase(split, procedures.end());

  const bool kept_has_end = !procedures.empty() && procedures.back().has_end;
  const Row kept_end = procedures.empty() ? 0 : procedures.back().end;
  auto previously_open_at = [&](Row x) {
    auto next = std::lower_bound(previous.begin(), previous.end(), x, by_body);
    if (next != previous.begin()) return !std::prev(next)->has_end || std::prev(next)->end >= x;
    return !procedures.empty() && (!kept_has_end || kept_end >= x);
  };

  bool is_open = !procedures.empty() && (!kept_has_end || kept_end >= from);
  std::size_t open = procedures.empty() ? 0 : procedures.size() - 1;
  if (is_open) procedures[open].has_end = false;

  const Row n = Count();
  for (Row first = from; first <= n;) {
    if (first >= stable && !is_open && !previously_open_at(first)) {
      auto rest = std::lower_bound(previous.begin(), previous.end(), first, by_body);
      procedures.insert(procedures.end(), std::make_move_iterator(rest),
                        std::make_move_iterator(previous.end()));
      return;
    }
    Row last = first;
    while (last < n && At(last).continues) ++last;
    const Statement statement = StatementAt(first, last);
    bool trivia = memory::IsTrivia(statement.kind);
    for (Row r = first; r <= last; ++r) At(r).trivia = trivia;

    if (!is_open) {
      if (statement.kind == StatementKind::kProcStart) {
        procedures.push_back(Procedure{ReadLogicalLine(first, last).name, statement.proc_kind, first, 0, false, 0, 0});
        if (statement.ends_procedure) {
          procedures.back().end = last;
          procedures.back().has_end = true;
        } else {
          open = procedures.size() - 1;
          is_open = true;
        }
      }
      // An End outside any procedure belongs to nothing.
    } else if (statement.kind == StatementKind::kProcEnd ||
               (statement.kind == StatementKind::kProcStart && statement.ends_procedure)) {
      if (statement.kind == StatementKind::kProcStart) procedures[open].nested_start = true;
      procedures[open].end = last;
      procedures[open].has_end = true;
      is_open = false;
    } else if (statement.kind == StatementKind::kProcStart) {
      procedures[open].nested_start = true;
    }
    // Not confirmed on a real editor: a procedure start met while a
    // procedure is open belongs to that procedure's body (its End, on a
    // one-line procedure, closes the open one).
    first = last + 1;
  }
  // Not confirmed on a real editor: a procedure without End runs to the end
  // of the module, so the End-line search inside it fails as it should.
  if (is_open) procedures[open].end = n;
}

// The declarations end at the last line above the first procedure that is
// not trivia: the procedure owns the comments and blank lines directly above
// it, but never line 1. With no procedure, every line is a declaration line.
Row MemoryCodeModule::Impl::ComputeDeclarationLines() {
  unconfirmed = false;
  if (procedures.empty()) return Count();
  Row j = procedures.front().body - 1;
  while (j >= 2 && At(j).trivia) --j;
  if (j >= 2 && memory::ReadStatement(At(j).text).kind == StatementKind::kDir) unconfirmed = true;
  return j;
}

const Procedure& MemoryCodeModule::Impl::Lookup(const Text& name, ProcKind kind) {
  // Not confirmed on a real editor: a kind outside 0..3 is error 5, and of
  // several procedures with the name and kind the first one answers.
  if (kind < kProcKindProc || kind > kProcKindGet) throw VbError(vberr::kInvalidCall);
  EnsureIndex();
  auto found = by_folded_name.find(memory::FoldCase(name));
  if (found != by_folded_name.end()) {
    for (std::size_t i : found->second) {
      if (procedures[i].kind == kind) return procedures[i];
    }
  }
  throw VbError(vberr::kSubNotDefined);
}

bool MemoryCodeModule::Impl::Search(const Text& target, FindOptions options, Row& start_line,
                                    std::int32_t& start_column, Row& end_line,
                                    std::int32_t& end_column) {
  auto range = memory::ReadSearchRange(Count(), start_line, start_column, end_line, end_column);
  if (!range) return false;
  if (target != find_target || options != find_options) {
    find_target = target;
    find_options = options;
    clean_rows = 0;
  }
  LineSearch search(target, options);
  for (Row r = std::max(range->first_line, clean_rows + 1); r <= range->last_line; ++r) {
    const Text& line = At(r).text;
    std::int32_t from = r == range->first_line ? range->first_column : 1;
    std::int32_t to = r == range->last_line ? range->last_column : memory::kEndOfLine;
    if (auto match = search.First(line, from, to)) {
      start_line = r;
      start_column = match->column;
      end_line = r;
      end_column = match->column + match->length;
      return true;
    }
    bool whole_line = from == 1 && static_cast<std::size_t>(to) >= line.size();
    if (whole_line && r == clean_rows + 1) clean_rows = r;
  }
  return false;
}

void MemoryCodeModule::Impl::Notify(Row row, Row removed, Row inserted) {
  for (const auto& listener : listeners) listener(row, removed, inserted);
}

MemoryCodeModule::MemoryCodeModule(Text name, std::vector<Text> lines, std::shared_ptr<CallLog> log)
    : impl_(std::make_unique<Impl>()), log_(log ? std::move(log) : std::make_shared<CallLog>()) {
  impl_->name = std::move(name);
  std::vector<LineEntry> entries;
  entries.reserve(lines.size());
  // A line never holds a line break: one given with breaks becomes several.
  for (auto& line : lines) {
    if (!HasLineBreak(line)) {
      entries.emplace_back(std::move(line));
    } else {
      for (auto& piece : SplitLines(line)) entries.emplace_back(std::move(piece));
    }
  }
  impl_->lines = memory::GapBuffer<LineEntry>(std::move(entries));
}

MemoryCodeModule::MemoryCodeModule(Text name, std::size_t count, const std::function<Text()>& next,
                                   std::shared_ptr<CallLog> log)
    : impl_(std::make_unique<Impl>()), log_(log ? std::move(log) : std::make_shared<CallLog>()) {
  impl_->name = std::move(name);
  std::vector<LineEntry> entries;
  entries.reserve(count + count / 64 + 64);
  for (std::size_t i = 0; i < count; ++i) {
    Text line = next();
    if (!HasLineBreak(line)) {
      entries.emplace_back(std::move(line));
    } else {
      for (auto& piece : SplitLines(line)) entries.emplace_back(std::move(piece));
    }
  }
  impl_->lines = memory::GapBuffer<LineEntry>(std::move(entries));
}

MemoryCodeModule::~MemoryCodeModule() = default;

Text MemoryCodeModule::Name() {
  log_->Count(HostCall::kName);
  return impl_->name;
}

Text MemoryCodeModule::Lines(Row start, Row count) {
  log_->Count(HostCall::kLines);
  const Row n = impl_->Count();
  CheckLinesStart(start, n);
  if (count <= 0) return Text();
  Row last = static_cast<Row>(std::min<long long>(n, static_cast<long long>(start) + count - 1));
  Text joined;
  for (Row r = start; r <= last; ++r) {
    if (r > start) joined += kCrLf;
    joined += impl_->At(r).text;
  }
  return joined;
}

Row MemoryCodeModule::CountOfLines() {
  log_->Count(HostCall::kCountOfLines);
  return impl_->Count();
}

Row MemoryCodeModule::CountOfDeclarationLines() {
  log_->Count(HostCall::kCountOfDeclarationLines);
  impl_->EnsureIndex();
  return impl_->declaration_lines;
}

void MemoryCodeModule::InsertLines(Row row, const Text& text) {
  log_->Count(HostCall::kInsertLines);
  CheckInsertRow(row, impl_->Count());
  std::vector<Text> pieces = impl_->Rendered(row, SplitLines(text));
  auto inserted = static_cast<Row>(pieces.size());
  impl_->Splice(row, 0, std::move(pieces));
  impl_->Notify(row, 0, inserted);
}

void MemoryCodeModule::DeleteLines(Row start, Row count) {
  log_->Count(HostCall::kDeleteLines);
  CheckDeleteRange(start, count, impl_->Count());
  impl_->Splice(start, count, {});
  impl_->Notify(start, count, 0);
}

void MemoryCodeModule::SpliceLines(Row row, Row removed, std::vector<Text> lines) {
  CheckInsertRow(row, impl_->Count());
  if (removed > 0) CheckDeleteRange(row, removed, impl_->Count());
  std::vector<Text> pieces;
  pieces.reserve(lines.size());
  for (auto& line : lines) {
    if (!HasLineBreak(line)) {
      pieces.push_back(std::move(line));
    } else {
      for (auto& piece : SplitLines(line)) pieces.push_back(std::move(piece));
    }
  }
  const auto inserted = static_cast<Row>(pieces.size());
  impl_->Splice(row, std::max<Row>(removed, 0), std::move(pieces));
  impl_->Notify(row, std::max<Row>(removed, 0), inserted);
}

void MemoryCodeModule::ReplaceLine(Row row, const Text& text) {
  log_->Count(HostCall::kReplaceLine);
  CheckExistingRow(row, impl_->Count());
  std::vector<Text> pieces = impl_->Rendered(row, SplitLines(text));
  auto inserted = static_cast<Row>(pieces.size());
  impl_->Splice(row, 1, std::move(pieces));
  impl_->Notify(row, 1, inserted);
}

Text MemoryCodeModule::ProcOfLine(Row row, ProcKind& kind) {
  log_->Count(HostCall::kProcOfLine);
  CheckExistingRow(row, impl_->Count());
  impl_->EnsureIndex();
  if (row <= impl_->declaration_lines) {
    kind = kProcKindProc;
    return Text();
  }
  // Regions cover every line below the declarations, in order.
  const auto& procs = impl_->procedures;
  auto after = std::upper_bound(procs.begin(), procs.end(), row,
                                [](Row r, const Procedure& p) { return r < p.start; });
  const Procedure& holder = *std::prev(after);
  kind = holder.kind;
  return holder.name;
}

Row MemoryCodeModule::ProcStartLine(const Text& name, ProcKind kind) {
  log_->Count(HostCall::kProcStartLine);
  return impl_->Lookup(name, kind).start;
}

Row MemoryCodeModule::ProcCountLines(const Text& name, ProcKind kind) {
  log_->Count(HostCall::kProcCountLines);
  const Procedure& p = impl_->Lookup(name, kind);
  return p.last - p.start + 1;
}

Row MemoryCodeModule::ProcBodyLine(const Text& name, ProcKind kind) {
  log_->Count(HostCall::kProcBodyLine);
  return impl_->Lookup(name, kind).body;
}

bool MemoryCodeModule::Find(const Text& target, Row& start_line, std::int32_t& start_column,
                            Row& end_line, std::int32_t& end_column, bool whole_word,
                            bool match_case, bool pattern_search) {
  log_->Count(HostCall::kFind);
  // Not confirmed on a real editor: the number of the error for a
  // case-sensitive pattern search.
  if (match_case && pattern_search) throw VbError(vberr::kInvalidCall);
  return impl_->Search(target, FindOptions{whole_word, match_case, pattern_search}, start_line,
                       start_column, end_line, end_column);
}

bool MemoryCodeModule::ReadsUnconfirmed() {
  impl_->EnsureIndex();
  return impl_->unconfirmed;
}

const Text& MemoryCodeModule::Line(Row row) const {
  if (row < 1 || row > impl_->Count()) throw VbError(vberr::kSubscript);
  return impl_->lines[static_cast<std::size_t>(row - 1)].text;
}

Row MemoryCodeModule::LineCount() const { return impl_->Count(); }

std::vector<Text> MemoryCodeModule::AllLines() const {
  std::vector<Text> all;
  all.reserve(impl_->lines.size());
  for (std::size_t i = 0; i < impl_->lines.size(); ++i) all.push_back(impl_->lines[i].text);
  return all;
}

void MemoryCodeModule::SetName(Text name) { impl_->name = std::move(name); }

const Text& MemoryCodeModule::UncountedName() const { return impl_->name; }

void MemoryCodeModule::OnEdit(EditListener listener) {
  impl_->listeners.push_back(std::move(listener));
}

// ---------------------------------------------------------------------------
// Window, pane, editor

Text MemoryWindow::Caption() {
  if (log_) log_->Count(HostCall::kCaption);
  return caption_;
}

MemoryCodePane::MemoryCodePane(MemoryVBE& vbe, std::shared_ptr<MemoryCodeModule> module)
    : vbe_(vbe), module_(std::move(module)) {}

std::shared_ptr<qlx::CodeModule> MemoryCodePane::CodeModule() {
  vbe_.Log().Count(HostCall::kCodeModule);
  return module_;
}

void MemoryCodePane::GetSelection(Row& start_line, std::int32_t& start_column, Row& end_line,
                                  std::int32_t& end_column) {
  vbe_.Log().Count(HostCall::kGetSelection);
  start_line = sel_[0];
  start_column = sel_[1];
  end_line = sel_[2];
  end_column = sel_[3];
}

std::shared_ptr<qlx::Window> MemoryCodePane::Window() {
  return std::make_shared<MemoryWindow>(WindowCaption(), vbe_.SharedLog());
}

Text MemoryCodePane::WindowCaption() const {
  return vbe_.ProjectName() + u" - " + module_->UncountedName() + u" (Code)";
}

void MemoryCodePane::SetCaret(Row row, std::int32_t column) { SetSelection(row, column, row, column); }

void MemoryCodePane::SetSelection(Row start_line, std::int32_t start_column, Row end_line,
                                  std::int32_t end_column) {
  sel_[0] = start_line;
  sel_[1] = start_column;
  sel_[2] = end_line;
  sel_[3] = end_column;
}

MemoryVBE::MemoryVBE(Text project_name)
    : project_name_(std::move(project_name)), log_(std::make_shared<CallLog>()) {}

std::shared_ptr<CodePane> MemoryVBE::ActiveCodePane() {
  log_->Count(HostCall::kActiveCodePane);
  return active_;
}

std::shared_ptr<MemoryCodeModule> MemoryVBE::AddModule(Text name, std::vector<Text> lines) {
  auto module = std::make_shared<MemoryCodeModule>(std::move(name), std::move(lines), log_);
  panes_.push_back(std::make_shared<MemoryCodePane>(*this, module));
  return module;
}

std::shared_ptr<MemoryCodeModule> MemoryVBE::AddModule(std::shared_ptr<MemoryCodeModule> module) {
  panes_.push_back(std::make_shared<MemoryCodePane>(*this, module));
  return module;
}

std::shared_ptr<MemoryCodePane> MemoryVBE::Pane(const Text& module_name) {
  for (const auto& pane : panes_) {
    if (memory::FoldCase(pane->Module()->UncountedName()) == memory::FoldCase(module_name)) {
      active_ = pane;
      return pane;
    }
  }
  return nullptr;
}

std::shared_ptr<MemoryCodeModule> MemoryVBE::Module(const Text& module_name) {
  for (const auto& pane : panes_) {
    if (memory::FoldCase(pane->Module()->UncountedName()) == memory::FoldCase(module_name)) {
      return pane->Module();
    }
  }
  return nullptr;
}

// ---------------------------------------------------------------------------
// MemoryDesktop

MemoryDesktop::MemoryDesktop(MemoryVBE* vbe, std::shared_ptr<CallLog> log)
    : vbe_(vbe),
      log_(log ? std::move(log) : vbe != nullptr ? vbe->SharedLog() : std::make_shared<CallLog>()) {}

WindowHandle MemoryDesktop::FindWindowA(const Text& class_name, const Text* title) {
  log_->Count(HostCall::kFindWindow);
  bool any_title = title == nullptr || title->empty();
  if (AsciiEqualNoCase(class_name, u"wndclass_desked_gsk") && any_title) return kMainWindow;
  return 0;
}

WindowHandle MemoryDesktop::FindWindowExA(WindowHandle parent, WindowHandle child_after,
                                          const Text& class_name, const Text* title) {
  log_->Count(HostCall::kFindWindow);
  if (child_after != 0) return 0;
  if (parent == kMainWindow && AsciiEqualNoCase(class_name, u"mdiclient") &&
      (title == nullptr || title->empty())) {
    return kMdiClient;
  }
  if (parent == kMdiClient && AsciiEqualNoCase(class_name, u"VbaWindow") && title != nullptr &&
      vbe_ != nullptr && vbe_->ActivePane() != nullptr &&
      *title == vbe_->ActivePane()->WindowCaption()) {
    return kCodeWindow;
  }
  return 0;
}

bool MemoryDesktop::LockWindowUpdate(WindowHandle window) {
  log_->Count(HostCall::kLockWindowUpdate);
  lock_calls.push_back(window);
  return true;
}

}  // namespace qlx
