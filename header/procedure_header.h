// The procedure header: the comment block written above a procedure's
// declaration, its fixed labels, the parameter rows and the cut rule. Headers
// are read back on update, so every character and column here is a contract
// with headers already written into users' modules.
#pragma once

#include <array>
#include <vector>

#include "analysis/param_inf.h"
#include "host/text.h"

namespace qlx {

// Labels, each at the start of its line. All but the return label are 10
// display columns wide, so the hand-written text starts at column 11.
inline constexpr TextView kSummaryLabel = u"'|概  要|:";
inline constexpr TextView kReturnLabel = u"'|戻り値|:型";
inline constexpr TextView kDependencyLabel = u"'|依  存|:";
inline constexpr TextView kExplanationLabel = u"'|解  説|:";
inline constexpr TextView kContinuationLabel = u"'|      |:";
inline constexpr TextView kAuthorLabel = u"'|作  者|:";
// Start of every parameter row ("'| No." then the number).
inline constexpr TextView kParamRowLabel = u"'| No.";
// Bars at display columns 2, 9, 31, 35 and 57, as in the parameter rows.
inline constexpr TextView kParamTitleLine =
    u"'|ﾊﾟﾗﾒｰﾀ| 仮引数名            |I/O| 型                  | 説明";
// The marks of a new author line: before the creation date, after it.
inline constexpr TextView kCreatedMark = u": 作成日:";
inline constexpr TextView kNotUpdatedMark = u": 更新:未更新";
// What an update keeps of the author line: everything up to this mark.
inline constexpr TextView kUpdatedMark = u"更新:";

// Width of the name and type cells, and of the I/O cell.
inline constexpr int kParamCellWidth = 20;
inline constexpr int kIoCellWidth = 3;
// The line buffer: a header has at most 38 lines (30 parameters).
inline constexpr int kHeaderSlots = 39;

// A header's first line, as it is found: an apostrophe and five ">" at the
// start of the trimmed line.
inline constexpr TextView kSeparatorPattern = u"'>>>>>*";

// True when the trimmed line is one of a header's own format: a separator,
// a labelled field or continuation line, the parameter title or a parameter
// row, or the author line.
bool IsHeaderFieldLine(TextView trimmed);

// The first line: an apostrophe and 78 ">" (79 characters).
Text SeparatorLine();

// The cut rule of the name and type cells: over 20 characters become the
// first 19 and "~"; 20 or fewer stay whole. "abcdefghijklmnopqrstu" (21) gives
// "abcdefghijklmnopqrs~".
Text CutCell(TextView text);

// text followed by spaces up to width characters; a longer text stays whole.
Text PadRight(TextView text, int width);

// "'|戻り値|:型 " + ret_type + " :" + note.
Text ReturnLine(TextView ret_type, TextView note);

// Parameter row k (1-based): "'| No." k (filled to 2) "| " name (to 20) "|"
// io (to 3) "| " type (to 20) "|" keyword1 ":" note. Name and type are
// written as given: apply CutCell first.
Text ParamRow(int k, TextView name_cell, TextView io, TextView type_cell, TextView keyword1,
              TextView note);

// The author line of a new header: label, name, ": 作成日:", date,
// ": 更新:未更新". The name is written as it is, also when empty.
Text NewAuthorLine(TextView author_name, TextView date);

// One parameter-note row read back from an old header.
struct SavedParamNote {
  Text name;  // the name cell, trimmed (after the cut rule, as written)
  Text io;    // the I/O cell, trimmed
  Text note;  // the text after the row's last colon

  bool operator==(const SavedParamNote&) const = default;
};

// The hand-written parts of the header being updated.
struct SavedHeaderParts {
  static constexpr int kParamRows = 31;  // rows 0 to 30

  Text summary;
  Text return_note;
  std::array<SavedParamNote, kParamRows> params{};
  Text dependency;
  Text explanation;
  Text continuation;
  // The old author line from character 9 up to its last "更新:", followed by
  // the date and time of the update; empty when the old line had no "更新:".
  Text author_tail;

  void Clear() { *this = SavedHeaderParts{}; }
  void ClearParams() { params.fill(SavedParamNote{}); }
};

// What a header is built from: the procedure's return type and parameters.
struct HeaderProc {
  Text RetType;
  std::vector<ParamInf> Params;  // ParamCount entries, in parameter order
};

// Builds the header lines into the 39-slot buffer and returns it; count is
// the number of lines written (from slot 0). Without saved the header is new
// (the author line carries author_name and date); with saved it carries the
// hand-written parts of the old header, parameter notes matched by the cut
// name, and only the kept marks "I*O" and "I*" replace the I/O cell. More
// lines than slots throw VbError 9.
std::vector<Text> BuildProcedureHeader(const HeaderProc& proc, const SavedHeaderParts* saved,
                                       TextView author_name, TextView date, Short& count);

}  // namespace qlx
