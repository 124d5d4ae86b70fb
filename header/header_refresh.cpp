// Headers that can be rerun: what an update would write, found without
// writing, and whether that differs from what stands there in more than the
// update's time.
#include <algorithm>
#include <limits>
#include <memory>

#include "header/mod_insert_header.h"
#include "host/memory/line_cache.h"
#include "host/report.h"
#include "host/ui.h"
#include "host/vberror.h"

namespace qlx {

namespace {

// The author line up to and including its last "更新:"; the whole line when
// it is no author line or has no such mark.
TextView WithoutUpdateTime(TextView line) {
  if (!StartsWith(line, kAuthorLabel)) return line;
  const std::size_t at = line.rfind(kUpdatedMark);
  if (at == TextView::npos) return line;
  return line.substr(0, at + kUpdatedMark.size());
}

// Inserts lines at row, row + 1, ... as one run of edits.
void PutLines(CodeModule& module, Row row, const std::vector<Text>& lines) {
  EditBlock block(module);
  for (std::size_t i = 0; i < lines.size(); ++i) module.InsertLines(row + static_cast<Row>(i), lines[i]);
  block.Send();
}

}  // namespace

bool DiffersBeyondUpdateTime(const std::vector<Text>& old_lines, const std::vector<Text>& new_lines) {
  if (old_lines.size() != new_lines.size()) return true;
  for (std::size_t i = 0; i < old_lines.size(); ++i) {
    if (old_lines[i] == new_lines[i]) continue;
    if (WithoutUpdateTime(old_lines[i]) != WithoutUpdateTime(new_lines[i])) return true;
  }
  return false;
}

HeaderCheck ModInsertHeader::CheckHeaderProc(Row row, const ProcData* listed) {
  HeaderCheck check;
  // Released on every way out, as WriteHeaderProc releases them.
  struct Release {
    ModInsertHeader& owner;
    ~Release() {
      if (owner.proc_inf_) owner.proc_inf_->VBInstanceC(nullptr);
      owner.proc_inf_.reset();
      owner.module_.reset();
      owner.SavedHeader.ClearParams();
    }
  } release{*this};
  const bool ran = Guarded(ui_, ReportForm::kError, u"CheckHeaderProc", [&] {
    proc_inf_ = std::make_unique<ClsProcInf>(ui_);
    proc_inf_->VBInstanceC(vbe_);
    module_ = ActiveModule();
    if (!proc_inf_->GetProcInf(row)) return;
    check.proc_name = proc_inf_->ProcName();
    check.body_row = proc_inf_->BodyStartRow();

    Short count = 0;
    if (SearchHeader(Text(kAuthorLabel) + u"*") == 0) {
      check.written = CreateHeaderProc(false, count);
      check.written.resize(static_cast<std::size_t>(count));
      check.state = count == 0 ? HeaderState::kBroken : HeaderState::kMissing;
      check.insert_row = proc_inf_->DeclarationTopRow();
      return;
    }
    check.state = HeaderState::kBroken;
    check.start = FindSeparator();
    const Row above = proc_inf_->ProcStartRow() - 1;
    if (check.start == 0 && above >= 1 && Like(GetTrimLine(above), kSeparatorPattern)) {
      check.start = above;
      check.separator_above = true;
    }
    if (check.start == 0) return;
    SaveHeader();
    for (Row r = check.start; r < check.body_row; ++r) check.lines.push_back(Module().Lines(r, 1));
    // The user's lines among the old header's stay, below the new one.
    std::vector<Text> kept;
    const std::vector<Row> own = HeaderOwnRows(check.start);
    for (Row r = check.start; r < check.body_row; ++r) {
      if (std::find(own.begin(), own.end(), r) == own.end()) {
        kept.push_back(check.lines[static_cast<std::size_t>(r - check.start)]);
      }
    }
    check.written = CreateHeaderProc(true, count);
    if (count == 0) return;
    check.written.resize(static_cast<std::size_t>(count));
    check.written.insert(check.written.end(), kept.begin(), kept.end());
    bool current = !DiffersBeyondUpdateTime(check.lines, check.written);
    // What all-headers writes is current too: the module table decides
    // whether a parameter is assigned to by a rule of its own.
    if (!current && listed != nullptr && listed->ParamCount <= kMaxProcParams) {
      Short listed_count = 0;
      std::vector<Text> alternative =
          BuildProcedureHeader(HeaderProcOf(*listed), &SavedHeader, AuthorName, Text(), listed_count);
      alternative.resize(static_cast<std::size_t>(listed_count));
      alternative.insert(alternative.end(), kept.begin(), kept.end());
      current = !DiffersBeyondUpdateTime(check.lines, alternative);
    }
    check.state = current ? HeaderState::kCurrent : HeaderState::kStale;
  });
  if (!ran) check.state = HeaderState::kNoProcedure;
  return check;
}

HeaderCheck ModInsertHeader::CheckHeaderProc(Row row, std::size_t index,
                                             std::optional<std::vector<ProcData>>& table) {
  HeaderCheck check = CheckHeaderProc(row);
  if (check.state != HeaderState::kStale) return check;
  if (!table) {
    Short count = std::numeric_limits<Short>::min();
    ScanProcs(true, count, false);
    table = count < 0 ? std::vector<ProcData>{} : procs_data_;
  }
  if (index < table->size() && (*table)[index].BodyStartRow == row) return CheckHeaderProc(row, &(*table)[index]);
  return check;
}

HeaderRefreshCount ModInsertHeader::RefreshHeaders() {
  HeaderRefreshCount done;
  const bool ran = Guarded(ui_, ReportForm::kError, u"RefreshHeaders", [&] {
    // A scan that fails has reported itself and left the count as it was.
    // Every procedure, however many: the limit of 300 is the module
    // table's and the module header's.
    Short count = std::numeric_limits<Short>::min();
    ScanProcs(false, count, false);
    if (count < 0) {
      ++done.failed;
      return;
    }
    std::vector<Row> rows;
    for (const ProcData& entry : procs_data_) rows.push_back(entry.BodyStartRow);
    // Scanned when a header is first found stale; its entries above the
    // procedure being done stay right, as every write is below them.
    std::optional<std::vector<ProcData>> table;
    // From the last procedure up, so that a header written below leaves the
    // rows of the procedures above it where they are.
    const std::int32_t ignore = IgnoreMode;
    const std::int32_t un_undo = UnUndoMode;
    for (std::size_t i = rows.size(); i-- > 0;) {
      const Row row = rows[i];
      const HeaderCheck check = CheckHeaderProc(row, i, table);
      switch (check.state) {
        case HeaderState::kCurrent:
          ++done.current;
          break;
        case HeaderState::kStale:
          if (check.separator_above) {
            // The update WriteHeaderProc would make, from the separator on.
            std::shared_ptr<CodeModule> module = ActiveCodeModule(vbe_.get());
            module->DeleteLines(check.start, check.body_row - check.start);
            PutLines(*module, check.start, check.written);
            ++done.written;
            break;
          }
          [[fallthrough]];
        case HeaderState::kMissing:
          if (check.state == HeaderState::kMissing) {
            // What WriteHeaderProc would insert, already built by the check:
            // the procedure is not read a second time.
            DrawingLock drawing(desktop_);
            drawing.Lock(GetVbaHwnd(vbe_.get(), desktop_, ui_));
            Guarded(ui_, ReportForm::kError, u"InsertHeaderProc",
                    [&] { PutLines(*ActiveCodeModule(vbe_.get()), check.insert_row, check.written); });
            ++done.written;
            break;
          }
          [[fallthrough]];
        case HeaderState::kBroken:
          // A broken header is reported by the write, which then changes nothing.
          IgnoreMode = 1;
          UnUndoMode = 1;
          WriteHeaderProc(row);
          IgnoreMode = ignore;
          UnUndoMode = un_undo;
          ++(check.state == HeaderState::kBroken ? done.failed : done.written);
          break;
        case HeaderState::kNoProcedure:
          ++done.failed;
          break;
      }
    }
  });
  if (!ran) ++done.failed;
  return done;
}

}  // namespace qlx
