// The whole-module commands of the header writer: the module header at the
// top of a module, and new procedure headers above all procedures at once.
#include "header/module_header.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "header/mod_insert_header.h"
#include "header/procedure_header.h"
#include "host/memory/line_cache.h"
#include "host/report.h"
#include "host/ui.h"
#include "host/vberror.h"

namespace qlx {

namespace {

constexpr TextView kTitle = u"QLX";
constexpr TextView kBrokenFormat = u"書式が破損しています。";
constexpr TextView kNoEndMark = u"エンドマークが無いため、更新できません。";
constexpr TextView kNoProcs = u"プロシージャが見つかりません";

// A scan that fails reports itself and leaves the caller's count as it was:
// starting from a value no scan gives tells that case apart from "no
// procedures", which would otherwise rewrite the header as if the module
// had none.
constexpr Short kNotScanned = std::numeric_limits<Short>::min();
constexpr Short kTooManyProcs = -1;
constexpr Short kTooManyParams = -2;

// Says which limit the scan hit (count -1 or -2).
Text LimitMessage(Short count) {
  const Text what = count == kTooManyParams ? Text(u"プロシージャのパラメータ数が ")
                                            : Text(u"モジュールのプロシージャ数が ");
  const int limit = count == kTooManyParams ? kMaxProcParams : kMaxProcs;
  return what + Str(limit) + u" を超えているため、" + kCrLf + u"ヘッダを作成することができません";
}

// Element i of a VB-style fixed array: out of range raises error 9.
template <typename Container>
const auto& At(const Container& items, long long i) {
  if (i < 0 || i >= static_cast<long long>(items.size())) throw VbError(vberr::kSubscript);
  return items[static_cast<std::size_t>(i)];
}

// The first 25 characters after the summary label of the procedure's own
// header: the nearest line above the declaration, within the procedure's
// span, that begins (untrimmed) with the label. Empty when there is none.
Text ReadSummary(CodeModule& module, const ProcData& proc) {
  const LineReader line_at = [&module](Row r) { return module.Lines(r, 1); };
  const Row top =
      FindDeclarationBlock(line_at, module.CountOfLines(), proc.BodyStartRow, proc.BodyDefEndRow).top;
  const Row first = LeadingStartRow(line_at, proc.ProcStartRow, top);
  for (Row row = proc.BodyStartRow - 1; row >= first; --row) {
    const Text line = module.Lines(row, 1);
    if (StartsWith(line, kSummaryLabel)) {
      return Mid(line, static_cast<long long>(kSummaryLabel.size()) + 1, kModuleSummaryWidth);
    }
  }
  return Text();
}

// Writes the header from row `at` down: banner, the four labels each with
// its kept text, the table title and the table rows.
void WriteModuleHeader(CodeModule& module, Row at, const Text& banner,
                       const std::array<Text, 4>& kept, const std::vector<Text>& rows) {
  EditBlock block(module);
  module.InsertLines(at, banner);
  for (std::size_t j = 0; j < kModuleDescriptionLabels.size(); ++j) {
    module.InsertLines(at + 1 + static_cast<Row>(j), Text(kModuleDescriptionLabels[j]) + kept[j]);
  }
  module.InsertLines(at + 5, Text(kModuleTableTitle));
  for (std::size_t k = 0; k < rows.size(); ++k) {
    module.InsertLines(at + 6 + static_cast<Row>(k), rows[k]);
  }
  block.Send();
}

bool HasAuthorLine(CodeModule& module, Row first, Row declaration) {
  // The same test the header update uses to tell a header from none.
  const Text pattern = Text(kAuthorLabel) + u"*";
  for (Row row = declaration - 1; row >= first; --row) {
    if (Like(Trim(module.Lines(row, 1)), pattern)) return true;
  }
  return false;
}

}  // namespace

Text ModuleBanner(TextView module_name) {
  const long long rest = kModuleBannerWidth - static_cast<long long>(module_name.size());
  // Half of rest, an exact half going to the even neighbour: 69 gives 34,
  // 67 gives 34.
  long long left = rest / 2;
  if (rest % 2 != 0) {
    const long long lower = rest > 0 ? rest / 2 : rest / 2 - 1;
    left = lower % 2 == 0 ? lower : lower + 1;
  }
  const long long right = rest - left;
  if (left < 0 || right < 0) throw VbError(vberr::kInvalidCall);
  Text banner = u"'";
  banner.append(static_cast<std::size_t>(left), u'=');
  banner += module_name;
  banner.append(static_cast<std::size_t>(right), u'=');
  return banner;
}

Text ModuleProcRow(int k, TextView kind, TextView name, TextView summary) {
  Text name_cell(name);
  if (static_cast<long long>(name.size()) > kModuleNameCellWidth) {
    name_cell = Left(name, kModuleNameCellWidth - 1) + u"~";
  }
  Text row(kModuleProcRowLabel);
  row += PadRight(Str(k), 3);
  row += u"|";
  row += kind;
  row += u"|";
  row += PadRight(name_cell, kModuleNameCellWidth);
  row += u"|:";
  row += Left(summary, kModuleSummaryWidth);
  return row;
}

void ModInsertHeader::SetProcsData(ModGetProcsData* procs_data) { procs_data_source_ = procs_data; }

void ModInsertHeader::ScanProcs(bool full, Short& count, bool limited) {
  ModGetProcsData* procs = procs_data_source_;
  ModGetProcsData* own = nullptr;
  if (procs == nullptr) {
    if (!own_procs_data_) own_procs_data_ = std::make_unique<ModGetProcsData>(ui_);
    own = own_procs_data_.get();
    own->SetVBInstance(vbe_);
    procs = own;
  }
  // The own table lets go of the editor after every scan, so that a command
  // keeps no editor reference once it is over.
  struct Detach {
    ModGetProcsData* own;
    ~Detach() {
      if (own != nullptr) own->SetVBInstance(nullptr);
    }
  } detach{own};
  if (limited) {
    procs_data_ = full ? procs->GetProcsData(count) : procs->GetProcsDataH(count);
  } else {
    procs_data_ = full ? procs->AllProcs(count) : procs->AllProcSpans(count);
  }
}

void ModInsertHeader::InsertModuleHeader() {
  Short n = kNotScanned;
  Guarded(ui_, ReportForm::kErrorNumber, u"ModInsertHeader.InsertModuleHeader", [&] {
    ScanProcs(false, n);
  });
  // A module without procedures gets the other form, which stops and
  // restarts drawing itself.
  if (n == 0) {
    InsertModuleHeader0();
    return;
  }

  DrawingLock drawing(desktop_);
  Guarded(ui_, ReportForm::kErrorNumber, u"ModInsertHeader.InsertModuleHeader", [&] {
    if (n == kTooManyProcs || n == kTooManyParams) {
      ui_.MsgBox(LimitMessage(n), Buttons::kOk, Text(kTitle));
      return;
    }
    if (n < 0) return;  // the scan failed and has said so

    std::shared_ptr<CodeModule> module = ActiveModule();
    drawing.Lock(GetVbaHwnd(vbe_.get(), desktop_, ui_));
    std::vector<Text> rows;
    rows.reserve(static_cast<std::size_t>(n));
    for (Short i = 0; i < n; ++i) {
      const ProcData& proc = At(procs_data_, i);
      rows.push_back(ModuleProcRow(i + 1, proc.ProcKnd, proc.ProcName, ReadSummary(*module, proc)));
    }
    const Text banner = ModuleBanner(module->Name());

    // An existing header is the table title above the first procedure, with
    // the banner and the four description lines above it. In a module
    // without declaration lines the header written at the top is part of
    // the first procedure's leading comments (the editor gives those to the
    // procedure), so the search runs down to the line above its declaration:
    // a rewrite must find the header it wrote, not add a second one.
    const ProcData& first = At(procs_data_, 0);
    const Row search_end = std::max(first.ProcStartRow, first.BodyStartRow - 1);
    Row title = 0;
    for (Row row = 1; row <= search_end; ++row) {
      if (StartsWith(module->Lines(row, 1), kModuleTableTitle)) {
        title = row;
        break;
      }
    }

    if (title == 0) {
      WriteModuleHeader(*module, 1, banner, {}, rows);
      return;
    }
    if (title <= 5) {
      ui_.MsgBox(Text(kBrokenFormat), Buttons::kOk, Text(kTitle));
      return;
    }
    std::array<Text, 4> kept;
    for (std::size_t j = 0; j < kept.size(); ++j) {
      // A description line shorter than its label is an error here.
      const Text line = module->Lines(title - 4 + static_cast<Row>(j), 1);
      kept[j] = Right(line, static_cast<long long>(line.size()) - kModuleLabelWidth);
    }
    // The old table ends at its last procedure row ("'|No."); a placeholder
    // row ("'| No.") below it is not part of it and stays. A table among the
    // first procedure's leading comments may run down to its declaration.
    const Row table_end = title < first.ProcStartRow ? first.ProcStartRow - 1 : first.BodyStartRow - 1;
    Row last_row = 0;
    for (Row row = table_end; row >= title; --row) {
      if (StartsWith(module->Lines(row, 1), kModuleProcRowLabel)) {
        last_row = row;
        break;
      }
    }
    const Row removed = last_row != 0 ? last_row - title + 6 : 6;
    EditBlock deletion(*module);
    for (Row i = 0; i < removed; ++i) module->DeleteLines(title - 5, 1);
    deletion.Send();
    WriteModuleHeader(*module, title - 5, banner, kept, rows);
  });
}

void ModInsertHeader::InsertModuleHeader0() {
  DrawingLock drawing(desktop_);
  Guarded(ui_, ReportForm::kErrorNumber, u"ModInsertHeader.InsertModuleHeader0", [&] {
    std::shared_ptr<CodeModule> module = ActiveModule();
    const Row line_count = module->CountOfLines();
    drawing.Lock(GetVbaHwnd(vbe_.get(), desktop_, ui_));

    // This form is found by its banner, anywhere and indented or not.
    Row start = 0;
    for (Row row = 1; row <= line_count; ++row) {
      if (Like(Trim(module->Lines(row, 1)), kModuleBannerPattern)) {
        start = row;
        break;
      }
    }
    const Text banner = ModuleBanner(module->Name());
    const std::vector<Text> placeholder{Text(kModulePlaceholderRow)};
    if (start == 0) {
      WriteModuleHeader(*module, 1, banner, {}, placeholder);
      return;
    }

    Row end = 0;
    for (Row row = line_count; row >= start; --row) {
      if (StartsWith(module->Lines(row, 1), kModuleEndMark)) {
        end = row;
        break;
      }
    }
    if (end == 0) {
      ui_.MsgBox(Text(kNoEndMark), Buttons::kOk, Text(kTitle));
      return;
    }
    std::array<Text, 4> kept;
    for (std::size_t j = 0; j < kept.size(); ++j) {
      const Text line = module->Lines(start + 1 + static_cast<Row>(j), 1);
      if (static_cast<long long>(line.size()) < kModuleLabelWidth) {
        ui_.MsgBox(Text(kBrokenFormat), Buttons::kOk, Text(kTitle));
        return;
      }
      kept[j] = Mid(line, kModuleLabelWidth + 1);
    }
    module->DeleteLines(start, end - start + 1);
    WriteModuleHeader(*module, start, banner, kept, placeholder);
  });
}

void ModInsertHeader::InsertHeaderAll() {
  DrawingLock drawing(desktop_);
  Guarded(ui_, ReportForm::kError, u"InsertHeaderAll", [&] {
    std::shared_ptr<CodeModule> module = ActiveModule();
    Short n = kNotScanned;
    ScanProcs(true, n);
    drawing.Lock(GetVbaHwnd(vbe_.get(), desktop_, ui_));
    if (n == kTooManyProcs || n == kTooManyParams) {
      ui_.MsgBox(LimitMessage(n), Buttons::kOk, Text(kTitle));
      return;
    }
    if (n == 0) {
      ui_.MsgBox(Text(kNoProcs), Buttons::kOk, Text(kTitle));
      return;
    }
    if (n < 0) return;  // the scan failed and has said so

    // The table's rows are those before any insertion: each header shifts
    // the declarations below it by its length.
    Row offset = 0;
    const LineReader line_at = [&module](Row r) { return module->Lines(r, 1); };
    for (Short i = 0; i < n; ++i) {
      const ProcData& entry = At(procs_data_, i);
      const Row body = entry.BodyStartRow + offset;
      ui_.SetPlace({entry.ProcName, body});
      // Above the declaration, or above its #If when it has one per build.
      const Row at =
          FindDeclarationBlock(line_at, module->CountOfLines(), body, entry.BodyDefEndRow + offset).top;
      // A procedure that has a header keeps it alone: a rerun, or a run after
      // some headers were written one by one, must not stack a second one.
      if (HasAuthorLine(*module, LeadingStartRow(line_at, entry.ProcStartRow + offset, at), body)) continue;
      Short count = 0;
      const std::vector<Text> lines = CreateHeader(i, count);
      // A header that could not be built has been reported; the procedure
      // stays without one and the others still get theirs.
      EditBlock block(*module);
      for (Short j = 0; j < count; ++j) module->InsertLines(at + j, At(lines, j));
      block.Send();
      offset += count;
    }
  });
}

HeaderProc HeaderProcOf(const ProcData& entry) {
  HeaderProc proc;
  proc.RetType = entry.RetType;
  for (Short i = 0; i < entry.ParamCount; ++i) proc.Params.push_back(At(entry.Params, i));
  return proc;
}

std::vector<Text> ModInsertHeader::CreateHeader(Short index, Short& count) {
  std::vector<Text> lines;
  Guarded(ui_, ReportForm::kError, u"CreateHeader", [&] {
    const HeaderProc proc = HeaderProcOf(At(procs_data_, index));
    Short built = 0;
    std::vector<Text> built_lines = BuildProcedureHeader(proc, nullptr, AuthorName, HeaderDate(), built);
    count = built;
    lines = std::move(built_lines);
  });
  return lines;
}

}  // namespace qlx
