// The line cache between an operation and the editor's code module.
#include "host/memory/line_cache.h"

#include <algorithm>
#include <exception>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include "host/memory/editor.h"
#include "host/memory/find.h"
#include "host/memory/gap.h"
#include "host/memory/statements.h"
#include "host/vberror.h"

namespace qlx {

namespace {

enum class RowState : std::uint8_t {
  kUnknown,  // not read yet
  kKnown,    // as the editor has it
  kWritten,  // as an edit sent it: the editor may store it re-rendered
};

struct RowEntry {
  Text text;
  RowState state = RowState::kUnknown;
};

// Splits what Lines returns: the editor joins lines with CR LF, and a line
// never holds a line break.
std::vector<Text> SplitJoined(TextView joined) {
  std::vector<Text> lines;
  std::size_t begin = 0;
  for (std::size_t at = joined.find(kCrLf); at != TextView::npos; at = joined.find(kCrLf, begin)) {
    lines.emplace_back(joined.substr(begin, at - begin));
    begin = at + 2;
  }
  lines.emplace_back(joined.substr(begin));
  return lines;
}

Text JoinLines(const std::vector<Text>& lines) {
  Text joined;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) joined += kCrLf;
    joined += lines[i];
  }
  return joined;
}

// Whether the in-memory editor's search finds what the editor finds: plain
// text of printable ASCII. Ignoring case, "k" and "s" are left to the editor
// too, as characters outside ASCII fold onto them (KELVIN SIGN, LONG S) and
// editors differ on that.
bool SearchedAlike(const Text& target, bool whole_word, bool match_case, bool pattern_search) {
  if (whole_word || pattern_search || target.empty()) return false;
  return std::all_of(target.begin(), target.end(), [match_case](char16_t c) {
    if (c < 0x20 || c > 0x7E) return false;
    if (match_case) return true;
    return c != u'k' && c != u'K' && c != u's' && c != u'S';
  });
}

}  // namespace

struct CachedCodeModule::Impl {
  explicit Impl(CodeModule& e) : editor(e) {}

  CodeModule& editor;
  std::optional<Text> name;

  // The copy: CountOfLines rows once the count is known.
  bool count_known = false;
  memory::GapBuffer<RowEntry> rows;
  Row unknown = 0;  // rows still kUnknown
  // Set when the editor answered what the copy cannot explain: from then on
  // every call goes to the editor.
  bool passing_through = false;

  // Procedure regions the editor gave, so a read inside one fills just it.
  struct Range {
    Row first;
    Row last;
  };
  std::vector<Range> ranges;
  struct StartAnswer {
    Text name;
    ProcKind kind;
    Row row;
  };
  std::optional<StartAnswer> last_start;

  // The copy read as the in-memory editor reads a module, for the procedure
  // calls; made once every row is in the copy, kept in step with the edits.
  std::unique_ptr<MemoryCodeModule> reading;
  // Procedure calls that went to the editor because rows were missing: once
  // they are as many as the calls that would fill the copy, it is filled.
  Row structure_calls = 0;

  // Rows 1..clean_rows hold no match of the last Find's target and options.
  Text find_target;
  memory::FindOptions find_options;
  Row clean_rows = 0;

  // Edits held while a block is open.
  int block_depth = 0;
  struct Held {
    bool insert = true;
    Row row = 0;
    std::vector<Text> lines;  // insert: the lines, in order
    Row deleted = 0;          // delete: how many
    Row count_before = 0;     // CountOfLines before the first of them
    struct Call {
      Row row;
      Text text;
      Row count;
    };
    std::vector<Call> calls;  // as the operation made them
  };
  std::optional<Held> held;

  Row Count() const { return static_cast<Row>(rows.size()); }
  RowEntry& At(Row row) { return rows[static_cast<std::size_t>(row - 1)]; }

  void EnsureCount() {
    if (count_known) return;
    const Row n = editor.CountOfLines();
    rows = memory::GapBuffer<RowEntry>(std::vector<RowEntry>(static_cast<std::size_t>(std::max<Row>(n, 0))));
    unknown = Count();
    count_known = true;
  }

  void Forget() {
    count_known = false;
    rows = memory::GapBuffer<RowEntry>();
    unknown = 0;
    ranges.clear();
    last_start.reset();
    reading.reset();
    clean_rows = 0;
  }

  void GiveUp() {
    Forget();
    passing_through = true;
  }

  // The rows a read of `row` fetches at most: the procedure region holding
  // it when the editor gave one, else a block of rows.
  Range Window(Row row) const {
    Row first = 1;
    Row last = Count();
    for (const Range& r : ranges) {
      if (r.first <= row && row <= r.last && r.last <= Count()) {
        first = r.first;
        last = r.last;
        break;
      }
    }
    const Row begin = first + (row - first) / kBlockRows * kBlockRows;
    return Range{begin, std::min(last, begin + kBlockRows - 1)};
  }

  // Reads the run of rows around `row` that are not as the editor has them,
  // within its window, in one call. False when the answer does not fit the
  // copy (then everything goes to the editor from now on).
  bool Fill(Row row) {
    const Range w = Window(row);
    Row lo = row;
    while (lo > w.first && At(lo - 1).state != RowState::kKnown) --lo;
    Row hi = row;
    while (hi < w.last && At(hi + 1).state != RowState::kKnown) ++hi;
    std::vector<Text> lines = SplitJoined(editor.Lines(lo, hi - lo + 1));
    if (static_cast<Row>(lines.size()) != hi - lo + 1) {
      GiveUp();
      return false;
    }
    for (Row r = lo; r <= hi; ++r) {
      RowEntry& e = At(r);
      if (e.state == RowState::kUnknown) --unknown;
      e.text = std::move(lines[static_cast<std::size_t>(r - lo)]);
      e.state = RowState::kKnown;
    }
    return true;
  }

  bool EnsureKnown(Row first, Row last) {
    for (Row r = first; r <= last; ++r) {
      if (At(r).state != RowState::kKnown && !Fill(r)) return false;
    }
    return true;
  }

  // The copy after an edit the editor accepted (or will, for a held one).
  void Apply(Row row, Row removed, const std::vector<Text>& inserted) {
    std::vector<RowEntry> added;
    added.reserve(inserted.size());
    for (const Text& line : inserted) added.push_back(RowEntry{line, RowState::kWritten});
    for (Row r = row; r < row + removed; ++r) {
      if (At(r).state == RowState::kUnknown) --unknown;
    }
    rows.Splice(static_cast<std::size_t>(row - 1), static_cast<std::size_t>(removed), std::move(added));
    ranges.clear();
    last_start.reset();
    clean_rows = std::min(clean_rows, row - 1);
  }

  // The in-memory reading of the copy, when every row is there and the
  // reading is one a real editor is known to share; nullptr otherwise.
  MemoryCodeModule* Reading() {
    if (passing_through) return nullptr;
    if (!reading) {
      if (!count_known || unknown > 0) {
        // Filling costs about a call per block; passing a call through, one.
        ++structure_calls;
        if (structure_calls < 2) return nullptr;
        EnsureCount();
        if (structure_calls <= (unknown + kBlockRows - 1) / kBlockRows) return nullptr;
        if (!EnsureKnown(1, Count())) return nullptr;
      }
      std::vector<Text> lines;
      lines.reserve(static_cast<std::size_t>(Count()));
      for (Row r = 1; r <= Count(); ++r) lines.push_back(At(r).text);
      reading = std::make_unique<MemoryCodeModule>(Text(), std::move(lines));
    }
    return reading->ReadsUnconfirmed() ? nullptr : reading.get();
  }

  void Remember(const Text& proc, ProcKind kind, Row start) { last_start = StartAnswer{proc, kind, start}; }

  void RememberCount(const Text& proc, ProcKind kind, Row count) {
    if (!last_start || last_start->name != proc || last_start->kind != kind || count < 1) return;
    ranges.push_back(Range{last_start->row, last_start->row + count - 1});
  }
};

CachedCodeModule::CachedCodeModule(std::shared_ptr<CodeModule> editor)
    : impl_(std::make_unique<Impl>(*editor)), editor_(std::move(editor)) {}

CachedCodeModule::~CachedCodeModule() {
  try {
    SendHeld();
  } catch (...) {
  }
}

Text CachedCodeModule::Name() {
  // A module is not renamed while an operation runs.
  if (!impl_->name) impl_->name = editor_->Name();
  return *impl_->name;
}

Text CachedCodeModule::Lines(Row start, Row count) {
  SendHeld();
  Impl& m = *impl_;
  if (m.passing_through || count <= 0) return editor_->Lines(start, count);
  m.EnsureCount();
  if (start < 1 || start > m.Count()) return editor_->Lines(start, count);
  const Row last = static_cast<Row>(std::min<long long>(m.Count(), static_cast<long long>(start) + count - 1));
  if (!m.EnsureKnown(start, last)) return editor_->Lines(start, count);
  Text joined;
  for (Row r = start; r <= last; ++r) {
    if (r > start) joined += kCrLf;
    joined += m.At(r).text;
  }
  return joined;
}

Row CachedCodeModule::CountOfLines() {
  SendHeld();
  if (impl_->passing_through) return editor_->CountOfLines();
  impl_->EnsureCount();
  return impl_->Count();
}

Row CachedCodeModule::CountOfDeclarationLines() {
  SendHeld();
  if (MemoryCodeModule* reading = impl_->Reading()) return reading->CountOfDeclarationLines();
  return editor_->CountOfDeclarationLines();
}

void CachedCodeModule::InsertLines(Row row, const Text& text) {
  Impl& m = *impl_;
  if (m.passing_through) {
    SendHeld();
    editor_->InsertLines(row, text);
    return;
  }
  std::vector<Text> lines = memory::SplitLines(text);
  if (m.block_depth > 0 && m.held && m.held->insert && row >= m.held->row &&
      row <= m.held->row + static_cast<Row>(m.held->lines.size())) {
    Impl::Held& h = *m.held;
    h.lines.insert(h.lines.begin() + (row - h.row), lines.begin(), lines.end());
    h.calls.push_back(Impl::Held::Call{row, text, 0});
    m.Apply(row, 0, lines);
    if (m.reading) m.reading->InsertLines(row, text);
    return;
  }
  SendHeld();
  m.EnsureCount();
  if (row < 1 || row > m.Count() + 1) {
    // Out of the module: the editor says how it fails.
    editor_->InsertLines(row, text);
    m.GiveUp();
    return;
  }
  if (m.block_depth > 0) {
    m.held = Impl::Held{true, row, lines, 0, m.Count(), {Impl::Held::Call{row, text, 0}}};
  } else {
    editor_->InsertLines(row, text);
  }
  m.Apply(row, 0, lines);
  if (m.reading) m.reading->InsertLines(row, text);
}

void CachedCodeModule::DeleteLines(Row start, Row count) {
  Impl& m = *impl_;
  if (m.passing_through) {
    SendHeld();
    editor_->DeleteLines(start, count);
    return;
  }
  const bool in_module = m.count_known && start >= 1 && count >= 1 &&
                         static_cast<long long>(start) + count - 1 <= m.Count();
  if (m.block_depth > 0 && m.held && !m.held->insert && start == m.held->row && in_module) {
    m.held->deleted += count;
    m.held->calls.push_back(Impl::Held::Call{start, Text(), count});
    m.Apply(start, count, {});
    if (m.reading) m.reading->DeleteLines(start, count);
    return;
  }
  SendHeld();
  m.EnsureCount();
  if (start < 1 || count < 1 || static_cast<long long>(start) + count - 1 > m.Count()) {
    editor_->DeleteLines(start, count);
    m.GiveUp();
    return;
  }
  if (m.block_depth > 0) {
    m.held = Impl::Held{false, start, {}, count, m.Count(), {Impl::Held::Call{start, Text(), count}}};
  } else {
    editor_->DeleteLines(start, count);
  }
  m.Apply(start, count, {});
  if (m.reading) m.reading->DeleteLines(start, count);
}

void CachedCodeModule::ReplaceLine(Row row, const Text& text) {
  SendHeld();
  Impl& m = *impl_;
  editor_->ReplaceLine(row, text);
  if (m.passing_through || !m.count_known) return;
  if (row < 1 || row > m.Count()) {
    m.GiveUp();
    return;
  }
  m.Apply(row, 1, memory::SplitLines(text));
  if (m.reading) m.reading->ReplaceLine(row, text);
}

Text CachedCodeModule::ProcOfLine(Row row, ProcKind& kind) {
  SendHeld();
  MemoryCodeModule* reading = impl_->Reading();
  if (reading != nullptr && row >= 1 && row <= impl_->Count()) return reading->ProcOfLine(row, kind);
  return editor_->ProcOfLine(row, kind);
}

namespace {

// A procedure the in-memory reading knows; the editor says how a missing
// one, or a kind out of range, fails.
template <typename Ask>
std::optional<Row> AskReading(MemoryCodeModule* reading, ProcKind kind, Ask ask) {
  if (reading == nullptr || kind < kProcKindProc || kind > kProcKindGet) return std::nullopt;
  try {
    return ask(*reading);
  } catch (const VbError&) {
    return std::nullopt;
  }
}

}  // namespace

Row CachedCodeModule::ProcStartLine(const Text& name, ProcKind kind) {
  SendHeld();
  if (auto row = AskReading(impl_->Reading(), kind,
                            [&](MemoryCodeModule& r) { return r.ProcStartLine(name, kind); })) {
    return *row;
  }
  const Row start = editor_->ProcStartLine(name, kind);
  impl_->Remember(name, kind, start);
  return start;
}

Row CachedCodeModule::ProcCountLines(const Text& name, ProcKind kind) {
  SendHeld();
  if (auto rows = AskReading(impl_->Reading(), kind,
                             [&](MemoryCodeModule& r) { return r.ProcCountLines(name, kind); })) {
    return *rows;
  }
  const Row count = editor_->ProcCountLines(name, kind);
  impl_->RememberCount(name, kind, count);
  return count;
}

Row CachedCodeModule::ProcBodyLine(const Text& name, ProcKind kind) {
  SendHeld();
  if (auto row = AskReading(impl_->Reading(), kind,
                            [&](MemoryCodeModule& r) { return r.ProcBodyLine(name, kind); })) {
    return *row;
  }
  return editor_->ProcBodyLine(name, kind);
}

bool CachedCodeModule::Find(const Text& target, Row& start_line, std::int32_t& start_column, Row& end_line,
                            std::int32_t& end_column, bool whole_word, bool match_case, bool pattern_search) {
  SendHeld();
  Impl& m = *impl_;
  auto pass = [&] {
    return editor_->Find(target, start_line, start_column, end_line, end_column, whole_word, match_case,
                         pattern_search);
  };
  if (m.passing_through || !SearchedAlike(target, whole_word, match_case, pattern_search)) return pass();
  m.EnsureCount();
  // The same reading of the four positions as the in-memory editor's, so
  // that a search started over from (1,1,1,1) covers the whole module.
  auto range = memory::ReadSearchRange(m.Count(), start_line, start_column, end_line, end_column);
  if (!range) return false;
  const memory::FindOptions options{whole_word, match_case, pattern_search};
  if (target != m.find_target || options != m.find_options) {
    m.find_target = target;
    m.find_options = options;
    m.clean_rows = 0;
  }
  memory::LineSearch search(target, options);
  for (Row r = std::max(range->first_line, m.clean_rows + 1); r <= range->last_line; ++r) {
    if (m.At(r).state != RowState::kKnown && !m.Fill(r)) return pass();
    const Text& line = m.At(r).text;
    const std::int32_t from = r == range->first_line ? range->first_column : 1;
    const std::int32_t to = r == range->last_line ? range->last_column : memory::kEndOfLine;
    if (auto match = search.First(line, from, to)) {
      start_line = r;
      start_column = match->column;
      end_line = r;
      end_column = match->column + match->length;
      return true;
    }
    const bool whole_line = from == 1 && static_cast<std::size_t>(to) >= line.size();
    if (whole_line && r == m.clean_rows + 1) m.clean_rows = r;
  }
  return false;
}

void CachedCodeModule::OpenBlock() { ++impl_->block_depth; }

void CachedCodeModule::CloseBlock(bool quietly) {
  if (impl_->block_depth > 0 && --impl_->block_depth > 0) return;
  if (!quietly) {
    SendHeld();
    return;
  }
  try {
    SendHeld();
  } catch (...) {
  }
}

void CachedCodeModule::SendHeld() {
  Impl& m = *impl_;
  if (!m.held) return;
  Impl::Held held = std::move(*m.held);
  m.held.reset();
  try {
    if (held.insert) {
      editor_->InsertLines(held.row, JoinLines(held.lines));
    } else {
      editor_->DeleteLines(held.row, held.deleted);
    }
  } catch (...) {
    // The copy already shows the edits: read everything again from now on.
    m.Forget();
    if (held.calls.size() == 1) throw;
    const std::exception_ptr failure = std::current_exception();
    // Only a module the failed call left as it was can take the edits one
    // by one; otherwise what the editor did is unknown.
    bool untouched = false;
    try {
      untouched = editor_->CountOfLines() == held.count_before;
    } catch (...) {
    }
    if (!untouched) std::rethrow_exception(failure);
    for (const Impl::Held::Call& call : held.calls) {
      if (held.insert) {
        editor_->InsertLines(call.row, call.text);
      } else {
        editor_->DeleteLines(call.row, call.count);
      }
    }
  }
}

std::shared_ptr<CodeModule> ActiveCodeModule(VBE* vbe) {
  std::shared_ptr<CodeModule> module = ActivePane(vbe)->CodeModule();
  if (!module) throw VbError(vberr::kObjectNotSet);
  if (!vbe->line_cache_) return module;
  // One thread, one operation at a time, and no operation switches panes:
  // while the operation holds its cache, the active module is that one.
  if (std::shared_ptr<CodeModule> running = vbe->operation_module_.lock()) return running;
  auto cached = std::make_shared<CachedCodeModule>(std::move(module));
  vbe->operation_module_ = cached;
  return cached;
}

EditBlock::EditBlock(CodeModule& module) : cached_(dynamic_cast<CachedCodeModule*>(&module)) {
  if (cached_ != nullptr) cached_->OpenBlock();
}

EditBlock::~EditBlock() {
  if (cached_ != nullptr) cached_->CloseBlock(true);
}

void EditBlock::Send() {
  if (cached_ == nullptr) return;
  CachedCodeModule* cached = cached_;
  cached_ = nullptr;
  cached->CloseBlock(false);
}

}  // namespace qlx
