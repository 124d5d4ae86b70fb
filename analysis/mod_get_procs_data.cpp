// ModGetProcsData: the module-wide procedure scan and its own copies of the
// declaration parsers, working on the table instead of a procedure record.
#include "analysis/mod_get_procs_data.h"

#include <algorithm>
#include <iterator>
#include <limits>
#include <utility>

#include "analysis/count_words.h"
#include "analysis/vba_literals.h"
#include "host/memory/line_cache.h"
#include "host/report.h"
#include "host/ui.h"
#include "host/vberror.h"

namespace qlx {

namespace {

constexpr int kMaxKindRestarts = 3;  // error-35 restarts for one row

// Element i of a VB-style array: out of range raises error 9.
template <typename Container>
auto& At(Container& items, long long i) {
  if (i < 0 || i >= static_cast<long long>(items.size())) throw VbError(vberr::kSubscript);
  return items[static_cast<std::size_t>(i)];
}

}  // namespace

// Marks a scan as running: CheckRef then reads from the scanned module and
// keeps the body rows of the procedure being parsed.
class ModGetProcsData::ScanScope {
 public:
  ScanScope(ModGetProcsData& owner, std::shared_ptr<CodeModule> module) : owner_(owner) {
    owner_.scan_module_ = std::move(module);
    owner_.body_cache_.reset();
  }
  ScanScope(const ScanScope&) = delete;
  ScanScope& operator=(const ScanScope&) = delete;
  ~ScanScope() {
    owner_.scan_module_.reset();
    owner_.body_cache_.reset();
  }

 private:
  ModGetProcsData& owner_;
};

ModGetProcsData::ModGetProcsData(UiService& ui) : ui_(ui), parser_(ui, kTableRules) {}

const ProcData& ModGetProcsData::TableView::operator[](std::size_t index) const {
  static const ProcData kFresh;
  return index < written_.size() ? written_[index] : kFresh;
}

ProcData& ModGetProcsData::Written(int index) {
  const auto at = static_cast<std::size_t>(index);
  if (table_.size() <= at) table_.resize(at + 1);
  return table_[at];
}

ModGetProcsData::~ModGetProcsData() = default;

void ModGetProcsData::SetVBInstance(std::shared_ptr<VBE> vbe) { vbe_ = std::move(vbe); }

std::vector<ProcData> ModGetProcsData::GetProcsDataH(Short& count) {
  return Scan(false, count, u"GetProcsDataH");
}

std::vector<ProcData> ModGetProcsData::GetProcsData(Short& count) {
  return Scan(true, count, u"GetProcsData");
}

std::vector<ProcData> ModGetProcsData::AllProcSpans(Short& count) {
  return Scan(false, count, u"GetProcsDataH", false);
}

std::vector<ModGetProcsData::ProcPlace> ModGetProcsData::AllProcPlaces(Short& count) {
  std::vector<ProcPlace> places;
  Scan(false, count, u"GetProcsDataH", false, &places);
  return places;
}

std::vector<ProcData> ModGetProcsData::AllProcs(Short& count) {
  return Scan(true, count, u"GetProcsData", false);
}

std::shared_ptr<CodeModule> ModGetProcsData::ActiveModule() { return ActiveCodeModule(vbe_.get()); }

// The host's spans follow each other without gaps, so adding a procedure's
// TotalRowsCount to the row where it was met lands on the next procedure.
std::vector<ProcData> ModGetProcsData::Scan(bool full, Short& count, const Text& title, bool limited,
                                            std::vector<ProcPlace>* places) {
  if (places != nullptr) places->clear();
  try {
    std::shared_ptr<CodeModule> module = ActiveModule();
    ScanScope scope(*this, module);
    // Each procedure is the place while it is read; a scan that ends well
    // gives the caller its place back (a procedure of too many parameters
    // stays the place, as the caller's box is about it).
    const UiService::Place outer = ui_.CurrentPlace();
    const Row line_count = module->CountOfLines();
    Row row = 1;
    int n = 0;
    bool met = false;
    std::vector<ProcData> beyond;
    ProcData spare;  // the entry past the table when only places are kept
    while (row <= line_count) {
      ProcKind kind = kProcKindProc;
      Text name;
      Row total = 0;
      Row body = 0;
      Row def_end = 0;
      Text declaration;
      int restarts = 0;
      // Error 35 means "no procedure of that name and kind": ask again with
      // the next kind, at most three times for one row.
      for (;;) {
        try {
          name = module->ProcOfLine(row, kind);
          // Leading declaration rows; the test stops short of the last row,
          // so a procedure that starts on it is not found.
          while (!met) {
            if (!name.empty()) {
              met = true;
              break;
            }
            ++row;
            if (row >= line_count) {
              count = 0;
              ui_.SetPlace(outer);
              return {};
            }
            restarts = 0;
            kind = kProcKindProc;
            name = module->ProcOfLine(row, kind);
          }
          // By rows: of two procedures of one name the editor names the first.
          const ProcSpan span = LocateProc(*module, row, name, kind, true);
          total = span.count;
          body = span.body;
          ui_.SetPlace({name, body});
          declaration = parser_.JoinDeclaration([&module](Row r) { return module->Lines(r, 1); }, body, def_end);
          break;
        } catch (const VbError& e) {
          if (e.Number() != vberr::kSubNotDefined || kind > kProcKindSet ||
              restarts >= kMaxKindRestarts) {
            throw;
          }
          ++kind;
          ++restarts;
        }
      }

      std::int32_t proc_type = 0;
      const Text knd = TypeOfProc(declaration, kind, proc_type);
      Short param_count = 0;
      std::vector<Text> params;
      Text ret_type;
      if (full) {
        ret_type = GetRetType(declaration);
        params = GetParamList(declaration, param_count);
        if (limited && param_count > kMaxProcParams) {
          count = -2;
          return {};
        }
      }

      // Past the table (an unlimited scan only), entries go to `beyond`.
      ProcData& entry = n < kProcTableSize ? Written(n) : places != nullptr ? spare : beyond.emplace_back();
      if (places != nullptr) places->push_back({row, body, total, name});
      entry.ProcName = name;
      entry.ProcStartRow = row;
      entry.BodyStartRow = body;
      entry.BodyDefEndRow = def_end;
      entry.TotalRowsCount = total;
      entry.ProcType = proc_type;
      entry.ProcKnd = knd;
      if (full) {
        entry.ParamCount = param_count;
        entry.RetType = ret_type;
        // At least once: a procedure without parameters gets the "Void" entry.
        // An unlimited scan keeps a procedure of too many parameters with
        // its count alone.
        for (int i = 0; param_count <= kMaxProcParams && (i == 0 || i < param_count); ++i) {
          if (n < kProcTableSize) {
            InputParam(GetWordList(At(params, i)), n, i);
          } else {
            parser_.InputParam(GetWordList(At(params, i)), &entry.Params[static_cast<std::size_t>(i)],
                               [&](const Text& name) { return CheckRef(entry, name); });
          }
        }
      }

      row += total;
      ++n;
      if (limited && n > kMaxProcs) {
        count = -1;
        ui_.SetPlace(outer);
        return {};
      }
    }
    ui_.SetPlace(outer);
    count = static_cast<Short>(std::min(n, static_cast<int>(std::numeric_limits<Short>::max())));
    if (n == 0 || places != nullptr) return {};
    // Callers read entries 0..count-1 only; copying the other entries of
    // 31 parameters each made a small module's scan several times dearer.
    // Past the table the entries already stand in `beyond`; the table's go
    // in front of them there, as a second vector of entries of 31
    // parameters each held a large module's scan at twice the memory.
    if (!beyond.empty()) {
      beyond.insert(beyond.begin(), table_.begin(), table_.begin() + kProcTableSize);
      return beyond;
    }
    return std::vector<ProcData>(table_.begin(), table_.begin() + n);
  } catch (...) {
    if (places != nullptr) places->clear();
    ReportCaught(ui_, ReportForm::kError, title);
    return {};
  }
}

Text ModGetProcsData::TypeOfProc(TextView declaration, ProcKind kind, std::int32_t& proc_type) {
  const DeclarationParser::Kind type = parser_.TypeOfProc(declaration, kind);
  // After a failure the kind code stays as it was.
  if (!type.text.empty()) proc_type = type.code;
  return type.text;
}

Text ModGetProcsData::StripComment(TextView text) { return parser_.StripComment(text); }

Text ModGetProcsData::GetRetType(TextView declaration) { return parser_.GetRetType(declaration); }

std::vector<Text> ModGetProcsData::GetParamList(TextView declaration, Short& count) {
  DeclarationParser::ParamList list = parser_.GetParamList(declaration);
  if (!list.items.empty()) count = list.count;  // after a failure count stays
  return std::move(list.items);
}

std::vector<Text> ModGetProcsData::GetWordList(TextView parameter) { return parser_.GetWordList(parameter); }

void ModGetProcsData::InputParam(const std::vector<Text>& words, int table_index, int param_index) {
  ParamInf* entry = nullptr;
  if (table_index >= 0 && table_index < kProcTableSize && param_index >= 0 && param_index < kProcParamSlots) {
    entry = &Written(table_index).Params[static_cast<std::size_t>(param_index)];
  }
  parser_.InputParam(words, entry, [&](const Text& name) { return CheckRef(table_index, name); });
}

Text ModGetProcsData::BodyLine(CodeModule& module, Row first, Row last, Row r) {
  if (!scan_module_) return Trim(module.Lines(r, 1));
  if (!body_cache_ || body_cache_->first != first || body_cache_->last != last) {
    body_cache_ = BodyCache{first, last, {}};
  }
  std::vector<Text>& rows = body_cache_->rows;
  const auto k = static_cast<std::size_t>(r - first);
  while (rows.size() <= k) rows.push_back(Trim(module.Lines(first + static_cast<Row>(rows.size()), 1)));
  return rows[k];
}

// The rows searched are the procedure's span without the declaration and
// the span's last row.
Text ModGetProcsData::CheckRef(int table_index, TextView name) {
  if (table_index < 0 || table_index >= kProcTableSize) {
    ShowReport(ui_, ReportForm::kError, VbError(vberr::kSubscript), u"CheckRef");
    return Text();
  }
  return CheckRef(Table()[static_cast<std::size_t>(table_index)], name);
}

Text ModGetProcsData::CheckRef(const ProcData& proc, TextView name) {
  const Row first = proc.BodyDefEndRow + 1;
  const Row last = proc.ProcStartRow + proc.TotalRowsCount - 2;
  std::shared_ptr<CodeModule> module = scan_module_;
  return parser_.CheckRef(name, first, last, [&](Row r) {
    if (!module) module = ActiveModule();
    return BodyLine(*module, first, last, r);
  });
}

Text ModGetProcsData::CountWords(TextView text, TextView pattern) {
  return qlx::CountWords(text, pattern, ui_);
}

}  // namespace qlx
