// Building procedure headers: the format pieces and CreateHeaderProc.
#include "header/procedure_header.h"

#include "header/mod_insert_header.h"
#include "host/clock.h"
#include "host/report.h"
#include "host/ui.h"
#include "host/vberror.h"

namespace qlx {

namespace {

// Marks a user typed into the I/O column that an update keeps.
constexpr TextView kKeptIoMarks[] = {u"I*O", u"I*"};

bool IsKeptIoMark(TextView mark) {
  for (TextView kept : kKeptIoMarks) {
    if (mark == kept) return true;
  }
  return false;
}

// The buffer slot for line index; a header that outgrows the buffer is an
// error, not a longer list.
Text& Slot(std::vector<Text>& buffer, int index) {
  if (index < 0 || index >= static_cast<int>(buffer.size())) throw VbError(vberr::kSubscript);
  return buffer[static_cast<std::size_t>(index)];
}

// The first saved row whose name is exactly name (already cut), or nullptr.
const SavedParamNote* FindSavedNote(const SavedHeaderParts& saved, TextView name) {
  for (const SavedParamNote& row : saved.params) {
    if (row.name == name) return &row;
  }
  return nullptr;
}

Text WithSaved(TextView label, const SavedHeaderParts* saved, const Text SavedHeaderParts::*field) {
  Text line(label);
  if (saved != nullptr) line += saved->*field;
  return line;
}

}  // namespace

bool IsHeaderFieldLine(TextView trimmed) {
  if (Like(trimmed, kSeparatorPattern)) return true;
  for (TextView label : {kSummaryLabel, kReturnLabel, kParamRowLabel, kDependencyLabel, kExplanationLabel,
                         kContinuationLabel, kAuthorLabel}) {
    if (StartsWith(trimmed, label)) return true;
  }
  return StartsWith(trimmed, Left(kParamTitleLine, 8));
}

Text SeparatorLine() { return u"'" + Text(78, u'>'); }

Text CutCell(TextView text) {
  if (static_cast<long long>(text.size()) > kParamCellWidth) {
    return Left(text, kParamCellWidth - 1) + u"~";
  }
  return Text(text);
}

Text PadRight(TextView text, int width) {
  Text cell(text);
  const std::size_t wanted = width > 0 ? static_cast<std::size_t>(width) : 0;
  if (cell.size() < wanted) cell.append(wanted - cell.size(), u' ');
  return cell;
}

Text ReturnLine(TextView ret_type, TextView note) {
  return Text(kReturnLabel) + u" " + Text(ret_type) + u" :" + Text(note);
}

Text ParamRow(int k, TextView name_cell, TextView io, TextView type_cell, TextView keyword1,
              TextView note) {
  Text row(kParamRowLabel);
  row += PadRight(Str(k), 2);
  row += u"| ";
  row += PadRight(name_cell, kParamCellWidth);
  row += u"|";
  row += PadRight(io, kIoCellWidth);
  row += u"| ";
  row += PadRight(type_cell, kParamCellWidth);
  row += u"|";
  row += keyword1;
  row += u":";
  row += note;
  return row;
}

Text NewAuthorLine(TextView author_name, TextView date) {
  return Text(kAuthorLabel) + Text(author_name) + Text(kCreatedMark) + Text(date) +
         Text(kNotUpdatedMark);
}

std::vector<Text> BuildProcedureHeader(const HeaderProc& proc, const SavedHeaderParts* saved,
                                       TextView author_name, TextView date, Short& count) {
  std::vector<Text> buffer(kHeaderSlots);
  const int n = static_cast<int>(proc.Params.size());

  Slot(buffer, 0) = SeparatorLine();
  Slot(buffer, 1) = WithSaved(kSummaryLabel, saved, &SavedHeaderParts::summary);
  int c = 1;

  if (proc.RetType != u"N/A") {
    Slot(buffer, 2) = ReturnLine(proc.RetType, saved != nullptr ? saved->return_note : Text());
    c = 2;
  }

  if (n >= 1) {
    Slot(buffer, c + 1) = Text(kParamTitleLine);
    c += 2;
    for (int i = 0; i < n; ++i) {
      const ParamInf& param = proc.Params[static_cast<std::size_t>(i)];
      const Text name = CutCell(param.VarName);
      const Text type = CutCell(param.VarType);
      Text io = param.RefIO;
      Text note;
      if (saved != nullptr) {
        if (const SavedParamNote* row = FindSavedNote(*saved, name)) {
          note = row->note;
          if (IsKeptIoMark(row->io)) io = row->io;
        }
      }
      Slot(buffer, c + i) = ParamRow(i + 1, name, io, type, param.KeyWord1, note);
    }
    c += n - 1;
  }

  Slot(buffer, c + 1) = WithSaved(kDependencyLabel, saved, &SavedHeaderParts::dependency);
  Slot(buffer, c + 2) = WithSaved(kExplanationLabel, saved, &SavedHeaderParts::explanation);
  Slot(buffer, c + 3) = WithSaved(kContinuationLabel, saved, &SavedHeaderParts::continuation);
  Slot(buffer, c + 4) = saved != nullptr ? Text(kAuthorLabel) + saved->author_tail
                                         : NewAuthorLine(author_name, date);
  count = static_cast<Short>(c + 5);
  return buffer;
}

Text ModInsertHeader::HeaderDate() {
  if (DateFormat.empty()) return ui_.ShortDate();
  return FormatDatePicture(SplitDateFormat(DateFormat).date, ui_.Now());
}

Text ModInsertHeader::HeaderTime() {
  if (DateFormat.empty()) return ui_.LongTime();
  return FormatDatePicture(SplitDateFormat(DateFormat).time, ui_.Now());
}

std::vector<Text> ModInsertHeader::CreateHeaderProc(bool update, Short& count) {
  std::vector<Text> lines;
  Guarded(ui_, ReportForm::kError, u"CreateHeaderProc", [&] {
    ClsProcInf& record = ProcInf();
    HeaderProc proc;
    const Short n = record.ParamCount();
    proc.RetType = record.RetType();
    for (Short i = 0; i < n; ++i) {
      ParamInf param;
      param.KeyWord1 = record.KeyWord1(i);
      param.VarName = record.VarName(i);
      param.VarType = record.VarType(i);
      param.RefIO = record.RefIO(i);
      proc.Params.push_back(std::move(param));
    }
    // Only a new header carries the date; an update has it in its author tail.
    const Text date = update ? Text() : HeaderDate();
    Short built = 0;
    std::vector<Text> built_lines =
        BuildProcedureHeader(proc, update ? &SavedHeader : nullptr, AuthorName, date, built);
    count = built;
    lines = std::move(built_lines);
  });
  return lines;
}

}  // namespace qlx
