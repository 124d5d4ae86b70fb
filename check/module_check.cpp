#include "check/module_check.h"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "header/module_header.h"
#include "header/procedure_header.h"
#include "host/text.h"
#include "host/ui.h"
#include "operations/operations.h"

namespace qlx::check {

namespace {

constexpr std::array<std::string_view, kRuleCount> kIds = {
    "missing-header", "stale-header", "stale-module-header", "deb-marker", "duplicate-handler", "missing-handler"};

constexpr TextView kDebMarker = u"'deb ";
constexpr TextView kHandlerLabel = u"PROC_ERR:";

// Where `deb` would find a marker in the line: case ignored, as its search does.
std::size_t FindMarker(TextView line) {
  // Only at an apostrophe, which no case folds to or from.
  for (std::size_t i = line.find(kDebMarker[0]); i != TextView::npos && i + kDebMarker.size() <= line.size();
       i = line.find(kDebMarker[0], i + 1)) {
    if (AsciiEqualNoCase(line.substr(i, kDebMarker.size()), kDebMarker)) return i;
  }
  return TextView::npos;
}

int Indent(TextView line) {
  std::size_t i = 0;
  while (i < line.size() && line[i] == u' ') ++i;
  return static_cast<int>(i) + 1;
}

Text Quoted(TextView text) {
  Text quoted = u"\"";
  quoted += text;
  quoted += u'"';
  return quoted;
}

// A copy of the module in an editor of its own, its pane active, so the
// operations can run on it without touching the caller's module.
struct Scratch {
  std::shared_ptr<MemoryVBE> vbe = std::make_shared<MemoryVBE>();
  MemoryDesktop desktop{vbe.get()};
  std::shared_ptr<MemoryCodeModule> module;

  explicit Scratch(const MemoryCodeModule& original) {
    module = vbe->AddModule(original.UncountedName(), original.AllLines());
    vbe->Pane(original.UncountedName());
  }
  // The module itself in the editor, for the operations that only read it.
  explicit Scratch(std::shared_ptr<MemoryCodeModule> shared) {
    module = vbe->AddModule(std::move(shared));
    vbe->Pane(module->UncountedName());
  }
};

// The module's rows by index from 0, read where they are: a copy of a large
// module's lines costs more than the whole check.
class Rows {
 public:
  explicit Rows(const MemoryCodeModule& module) : module_(module), count_(module.LineCount()) {}
  std::size_t size() const { return static_cast<std::size_t>(count_); }
  const Text& operator[](std::size_t index) const { return module_.Line(static_cast<Row>(index + 1)); }

 private:
  const MemoryCodeModule& module_;
  Row count_;
};

struct Proc {
  Row start = 0;  // first row of the span (leading comments)
  Row body = 0;   // declaration row
  Row end = 0;    // last row of the span
  Text name;
};

std::vector<Proc> ScanProcs(Scratch& scratch, UiService& ui) {
  Operations ops(ui, scratch.desktop);
  ops.SetVBInstance(scratch.vbe);
  // Every procedure, also past the 300 a module header can list.
  std::vector<Proc> out;
  Short count = 0;
  for (const ModGetProcsData::ProcPlace& p : ops.Procs().AllProcPlaces(count)) {
    out.push_back({p.ProcStartRow, p.BodyStartRow, p.ProcStartRow + p.TotalRowsCount - 1, p.ProcName});
  }
  return out;
}

// The spans follow each other in row order, so the one holding a row is
// found by halving: a module of many procedures and markers stays linear.
const Proc* ProcOfRow(const std::vector<Proc>& procs, Row row) {
  auto after = std::upper_bound(procs.begin(), procs.end(), row, [](Row r, const Proc& p) { return r < p.start; });
  if (after == procs.begin()) return nullptr;
  const Proc& p = *(after - 1);
  return row <= p.end ? &p : nullptr;
}

void CheckDebMarkers(const Rows& lines, const std::vector<Proc>& procs, std::vector<Finding>& out) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::size_t at = FindMarker(lines[i]);
    if (at == TextView::npos) continue;
    const Row row = static_cast<Row>(i + 1);
    const Proc* p = ProcOfRow(procs, row);
    out.push_back({Rule::kDebMarker, row, static_cast<int>(at) + 1,
                   u"'deb marker left in the code: " + Quoted(Trim(lines[i])), p ? p->name : Text()});
  }
}

void CheckHandlers(const Rows& lines, const std::vector<Proc>& procs, const RuleSet& rules,
                   std::vector<Finding>& out) {
  for (const Proc& p : procs) {
    Row first_label = 0;
    bool on_error = false;
    for (Row row = p.body; row <= p.end && row <= static_cast<Row>(lines.size()); ++row) {
      const Text& line = lines[static_cast<std::size_t>(row - 1)];
      const TextView trimmed = TrimView(line);
      // The statement errtrap looks for before it asks.
      if (Like(trimmed, u"On Error *")) on_error = true;
      if (trimmed.starts_with(kHandlerLabel)) {
        if (first_label == 0) {
          first_label = row;
        } else if (rules.Has(Rule::kDuplicateHandler)) {
          out.push_back({Rule::kDuplicateHandler, row, Indent(line),
                         u"a second PROC_ERR: label in " + p.name,
                         p.name});
        }
      }
    }
    if (!on_error && rules.Has(Rule::kMissingHandler)) {
      out.push_back({Rule::kMissingHandler, p.body, Indent(lines[static_cast<std::size_t>(p.body - 1)]),
                     p.name + u" has no On Error statement", p.name});
    }
  }
}

// What a header line is, by its label, for naming a difference.
std::string LineKind(TextView line, std::size_t index) {
  if (index == 0) return "the separator line";
  if (line.starts_with(kSummaryLabel)) return "the summary line";
  if (line.starts_with(kReturnLabel)) return "the return line";
  if (line == kParamTitleLine) return "the parameter title line";
  if (line.starts_with(kParamRowLabel)) {
    Text number;
    for (std::size_t i = kParamRowLabel.size(); i < line.size() && line[i] >= u'0' && line[i] <= u'9'; ++i) {
      number += line[i];
    }
    return "parameter row " + ToUtf8(number);
  }
  if (line.starts_with(kDependencyLabel)) return "the dependency line";
  if (line.starts_with(kExplanationLabel)) return "the explanation line";
  if (line.starts_with(kContinuationLabel)) return "the continuation line";
  if (line.starts_with(kAuthorLabel)) return "the author line";
  return "header line " + std::to_string(index + 1);
}

// The first line where the header differs from what an update writes, as
// the header comparison itself sees lines (the time after "更新:" aside).
Finding StaleHeader(const HeaderCheck& check) {
  const std::vector<Text>& old_lines = check.lines;
  const std::vector<Text>& new_lines = check.written;
  std::size_t k = 0;
  while (k < old_lines.size() && k < new_lines.size() && !DiffersBeyondUpdateTime({old_lines[k]}, {new_lines[k]})) ++k;
  std::string message = "the header of ";
  message += ToUtf8(check.proc_name);
  message += " is out of date: ";
  if (k < old_lines.size() && k < new_lines.size()) {
    message += LineKind(new_lines[k], k) + " should read \"" + ToUtf8(new_lines[k]) + "\", not \"" +
               ToUtf8(old_lines[k]) + "\"";
  } else if (k < new_lines.size()) {
    message += LineKind(new_lines[k], k) + " \"" + ToUtf8(new_lines[k]) + "\" is missing";
  } else if (k < old_lines.size()) {
    message += '"';
    message += ToUtf8(old_lines[k]);
    message += "\" should not be there";
  } else {
    message += "it cannot be read back";
  }
  const Row last = check.start + static_cast<Row>(old_lines.empty() ? 0 : old_lines.size() - 1);
  const Row row = std::min(check.start + static_cast<Row>(k), last);
  return {Rule::kStaleHeader, row, 1, FromUtf8(message), check.proc_name};
}

void CheckProcedureHeaders(Scratch& scratch, const Rows& lines, const std::vector<Proc>& procs,
                           const CheckOptions& options, std::vector<Finding>& out) {
  const RuleSet& rules = options.rules;
  if (!rules.Has(Rule::kMissingHeader) && !rules.Has(Rule::kStaleHeader)) return;
  RecordingUi ui;
  Operations ops(ui, scratch.desktop);
  ops.SetVBInstance(scratch.vbe);
  ops.Header().AuthorName = options.author;
  std::optional<std::vector<ProcData>> table;
  for (std::size_t i = 0; i < procs.size(); ++i) {
    const Proc& p = procs[i];
    // What the header command would do here with every question answered
    // Yes, or what all-headers would write.
    const HeaderCheck check = ops.CheckHeader(p.body, i, table);
    const int column = Indent(lines[static_cast<std::size_t>(p.body - 1)]);
    switch (check.state) {
      case HeaderState::kMissing:
        if (rules.Has(Rule::kMissingHeader)) {
          out.push_back({Rule::kMissingHeader, p.body, column, p.name + u" has no procedure header", p.name});
        }
        break;
      case HeaderState::kStale:
        if (rules.Has(Rule::kStaleHeader)) out.push_back(StaleHeader(check));
        break;
      case HeaderState::kBroken:
        if (rules.Has(Rule::kStaleHeader)) {
          out.push_back({Rule::kStaleHeader, p.body, column,
                         u"the header of " + p.name + u" cannot be updated (an author line without its separator line)",
                         p.name});
        }
        break;
      case HeaderState::kCurrent:
      case HeaderState::kNoProcedure:
        break;
    }
  }
}

bool IsDescriptionLine(TextView line, TextView& label) {
  for (TextView l : kModuleDescriptionLabels) {
    if (line.starts_with(l)) {
      label = l;
      return true;
    }
  }
  return false;
}

// Lines the same but for the text of the description lines.
bool SameHeaderLine(TextView a, TextView b) {
  if (a == b) return true;
  TextView la, lb;
  return IsDescriptionLine(a, la) && IsDescriptionLine(b, lb) && la == lb;
}

void CheckModuleHeader(const MemoryCodeModule& module, const Rows& lines,
                       const std::vector<Proc>& procs, std::vector<Finding>& out) {
  // Only a module that has a module header can have a stale one: where the
  // rewrite looks for it, above the first declaration.
  const Row search_end = procs.empty() ? static_cast<Row>(lines.size()) : std::max(procs[0].start, procs[0].body - 1);
  bool has_header = false;
  for (Row row = 1; row <= search_end && !has_header; ++row) {
    const Text& line = lines[static_cast<std::size_t>(row - 1)];
    has_header = line.starts_with(kModuleTableTitle) || (procs.empty() && Like(Trim(line), kModuleBannerPattern));
  }
  if (!has_header) return;

  Scratch scratch(module);
  RecordingUi ui;
  Operations ops(ui, scratch.desktop);
  ops.SetVBInstance(scratch.vbe);
  ops.Run(OperationId::kModuleHeader);
  for (const RecordedBox& box : ui.boxes) {
    if (box.buttons == Buttons::kOk) {
      Text text = box.text;
      std::replace(text.begin(), text.end(), u'\r', u' ');
      text.erase(std::remove(text.begin(), text.end(), u'\n'), text.end());
      out.push_back({Rule::kStaleModuleHeader, 1, 1, u"the module header cannot be rewritten: " + text, Text()});
      return;
    }
  }
  const std::vector<Text> rewritten = scratch.module->AllLines();
  std::size_t i = 0;
  while (i < lines.size() && i < rewritten.size() && SameHeaderLine(lines[i], rewritten[i])) ++i;
  if (i == lines.size() && i == rewritten.size()) return;
  const Row row = static_cast<Row>(std::min(i + 1, std::max<std::size_t>(lines.size(), 1)));
  Text message = u"the module header's procedure table is not what module-header writes: ";
  if (i < rewritten.size()) {
    message += u"expected " + Quoted(rewritten[i]);
    if (i < lines.size()) message += u", found " + Quoted(lines[i]);
  } else {
    message += u"unexpected " + Quoted(lines[i]);
  }
  out.push_back({Rule::kStaleModuleHeader, row, 1, message, Text()});
}

// Drops the findings inside a procedure that its qlx-ignore comments name.
void DropIgnored(const Rows& lines, const std::vector<Proc>& procs, std::vector<Finding>& out) {
  std::vector<std::bitset<kRuleCount>> ignored(procs.size());
  bool any = false;
  for (std::size_t i = 0; i < procs.size(); ++i) {
    for (Row row = procs[i].body - 1; row <= procs[i].body; ++row) {
      if (row < 1 || row > static_cast<Row>(lines.size())) continue;
      for (Rule rule : IgnoredRules(lines[static_cast<std::size_t>(row - 1)])) {
        ignored[i].set(static_cast<std::size_t>(rule));
        any = true;
      }
    }
  }
  if (!any) return;
  std::erase_if(out, [&](const Finding& f) {
    const Proc* p = ProcOfRow(procs, f.row);
    return p != nullptr && ignored[static_cast<std::size_t>(p - procs.data())][static_cast<std::size_t>(f.rule)];
  });
}

}  // namespace

std::vector<Rule> IgnoredRules(TextView line) {
  // The comment starts at the first apostrophe outside a string literal.
  bool in_string = false;
  std::size_t at = 0;
  for (; at < line.size(); ++at) {
    if (line[at] == u'"') in_string = !in_string;
    if (line[at] == u'\'' && !in_string) break;
  }
  if (at >= line.size()) return {};
  std::size_t i = at + 1;
  while (i < line.size() && (line[i] == u' ' || line[i] == u'\t')) ++i;
  constexpr TextView kMarker = u"qlx-ignore:";
  if (line.size() - i < kMarker.size() || !AsciiEqualNoCase(line.substr(i, kMarker.size()), kMarker)) return {};
  std::vector<Rule> rules;
  std::string id;
  for (std::size_t k = i + kMarker.size(); k <= line.size(); ++k) {
    const char16_t c = k < line.size() ? line[k] : u',';
    if (c == u',') {
      while (!id.empty() && (id.back() == ' ' || id.back() == '\t')) id.pop_back();
      if (const auto rule = RuleFromId(id)) rules.push_back(*rule);
      id.clear();
    } else if (!id.empty() || (c != u' ' && c != u'\t')) {
      id += c < 0x80 ? static_cast<char>(c) : '?';
    }
  }
  return rules;
}

std::string_view RuleId(Rule rule) { return kIds[static_cast<std::size_t>(rule)]; }

std::optional<Rule> RuleFromId(std::string_view id) {
  for (std::size_t i = 0; i < kIds.size(); ++i) {
    if (kIds[i] == id) return static_cast<Rule>(i);
  }
  return std::nullopt;
}

RuleSet RuleSet::Default() {
  RuleSet set;
  for (int i = 0; i < kRuleCount; ++i) set.bits_[i] = true;
  set.Set(Rule::kMissingHandler, false);
  return set;
}

namespace {

std::vector<Rule> ParseIds(std::string_view list) {
  std::vector<Rule> rules;
  std::size_t pos = 0;
  while (pos <= list.size()) {
    std::size_t comma = list.find(',', pos);
    if (comma == std::string_view::npos) comma = list.size();
    std::string_view id = list.substr(pos, comma - pos);
    while (!id.empty() && (id.front() == ' ' || id.front() == '\t')) id.remove_prefix(1);
    while (!id.empty() && (id.back() == ' ' || id.back() == '\t')) id.remove_suffix(1);
    if (!id.empty()) {
      const auto rule = RuleFromId(id);
      if (!rule) throw std::invalid_argument("unknown rule '" + std::string(id) + "'");
      rules.push_back(*rule);
    }
    pos = comma + 1;
  }
  return rules;
}

}  // namespace

void RuleSet::Apply(std::string_view select, std::string_view ignore) {
  const std::vector<Rule> selected = ParseIds(select);
  const std::vector<Rule> ignored = ParseIds(ignore);
  if (!selected.empty()) {
    bits_.reset();
    for (Rule r : selected) Set(r, true);
  }
  for (Rule r : ignored) Set(r, false);
}

namespace {

std::vector<Finding> CheckIn(Scratch& scratch, const CheckOptions& options) {
  const MemoryCodeModule& module = *scratch.module;
  std::vector<Finding> out;
  const Rows lines(module);
  const RuleSet& rules = options.rules;
  RecordingUi ui;
  const std::vector<Proc> procs = ScanProcs(scratch, ui);

  if (rules.Has(Rule::kDebMarker)) CheckDebMarkers(lines, procs, out);
  CheckHandlers(lines, procs, rules, out);
  CheckProcedureHeaders(scratch, lines, procs, options, out);
  if (rules.Has(Rule::kStaleModuleHeader)) CheckModuleHeader(module, lines, procs, out);
  DropIgnored(lines, procs, out);

  std::stable_sort(out.begin(), out.end(), [](const Finding& a, const Finding& b) {
    return a.row != b.row ? a.row < b.row : a.column < b.column;
  });
  return out;
}

}  // namespace

std::vector<Finding> CheckModule(const MemoryCodeModule& module, const CheckOptions& options) {
  Scratch scratch(module);
  return CheckIn(scratch, options);
}

std::vector<Finding> CheckModule(const std::shared_ptr<MemoryCodeModule>& module, const CheckOptions& options) {
  Scratch scratch(module);
  return CheckIn(scratch, options);
}

}  // namespace qlx::check
