// ModGetProcsData: scans every procedure of the active code module into a
// table of rows, kind, name and (full scan) return type and parameters.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "analysis/declaration.h"
#include "analysis/param_inf.h"
#include "host/host.h"
#include "host/text.h"

namespace qlx {

class UiService;

inline constexpr int kMaxProcs = 300;            // procedures per module
inline constexpr int kProcTableSize = kMaxProcs + 1;  // entries 0..300
inline constexpr int kMaxProcParams = 30;         // parameters per procedure
inline constexpr int kProcParamSlots = kMaxProcParams + 1;  // Params 0..30

// One procedure of the scanned module.
struct ProcData {
  Row ProcStartRow = 0;    // row at which the scan met the procedure
  Row BodyStartRow = 0;    // declaration row (ProcBodyLine)
  Row BodyDefEndRow = 0;   // last row of the declaration (continued with " _")
  Row TotalRowsCount = 0;  // rows of the span (ProcCountLines)
  std::int32_t ProcType = 0;  // 0 Sub, 1 Function, 2 Let, 3 Set, 4 Get
  Text ProcKnd;            // "Sub", "Fnc", "PrL", "PrS", "PrG"
  Text ProcName;
  Short ParamCount = 0;    // full scan only
  std::array<ParamInf, kProcParamSlots> Params{};  // full scan only
  Text RetType;            // full scan only; "N/A" when none

  bool operator==(const ProcData&) const = default;
};

// The module procedure table and its scans. The table is never cleared: a
// scan overwrites entries from 0 upwards, and only the fields it writes, so
// callers read entries 0..count-1 and, after GetProcsDataH, only rows, kind
// and name. Every failure is reported through the UiService as
// "Error: N. desc" titled with the bare operation name.
class ModGetProcsData {
 public:
  explicit ModGetProcsData(UiService& ui);
  ~ModGetProcsData();
  ModGetProcsData(const ModGetProcsData&) = delete;
  ModGetProcsData& operator=(const ModGetProcsData&) = delete;

  // The editor to work against; nullptr at disconnection.
  void SetVBInstance(std::shared_ptr<VBE> vbe);

  // Scans rows, kind and name of every procedure. count: 1..300, 0 when
  // the module has none, -1 over 300. Returns the table's entries
  // 0..count-1 or, for counts 0 and -1, nothing. A failure is reported titled
  // "GetProcsDataH", leaves count as it was and returns nothing.
  std::vector<ProcData> GetProcsDataH(Short& count);
  // As GetProcsDataH, also parsing return types and parameters; count -2
  // when a procedure has over 30 parameters. Failures titled "GetProcsData".
  std::vector<ProcData> GetProcsData(Short& count);
  // Rows, kind and name of every procedure, however many (the scans above
  // stop at 300): for checks that look at a whole module. A failure is
  // reported as GetProcsDataH's and gives nothing.
  // count: the number found, left as it was after a failure.
  std::vector<ProcData> AllProcSpans(Short& count);
  // The same procedures as AllProcSpans, each as its rows and name alone:
  // an entry of the table holds 31 parameter slots, which a module of
  // thousands of procedures cannot afford to copy for a check.
  struct ProcPlace {
    Row ProcStartRow = 0;
    Row BodyStartRow = 0;
    Row TotalRowsCount = 0;
    Text ProcName;
  };
  std::vector<ProcPlace> AllProcPlaces(Short& count);
  // As GetProcsData, however many procedures; a procedure of more than 30
  // parameters is kept with its ParamCount and no parameter entries. A
  // failure is reported as GetProcsData's, gives nothing and leaves count.
  std::vector<ProcData> AllProcs(Short& count);

  // The parsers, on the joined declaration text (comments removed,
  // continued rows joined, no leading spaces).

  // Three-letter kind: host kinds 1/2/3 give "PrL"/"PrS"/"PrG" (codes 2/3/4);
  // otherwise "Fnc" (1) when "Function " stands at the start or after a
  // space, "Sub" (0) else. The search stops two characters before the end.
  Text TypeOfProc(TextView declaration, ProcKind kind, std::int32_t& proc_type);
  // The text before the first apostrophe outside a string literal, trimmed;
  // the text unchanged when it has no comment.
  Text StripComment(TextView text);
  // The text after the last ") As " ("Long", "String()"), or "N/A".
  Text GetRetType(TextView declaration);
  // Parameter texts (left-trimmed), split at commas outside string literals,
  // with one empty element after the last: indices 0..count, at least 0..1.
  // An empty list gives count 0 and {"Void", ""}.
  std::vector<Text> GetParamList(TextView declaration, Short& count);
  // Words split at spaces, a double-quoted part kept whole in the last word,
  // with one empty element after the last: the highest index is the word count.
  std::vector<Text> GetWordList(TextView parameter);
  // Fills Params[param_index] of entry table_index from a GetWordList result.
  // Over 7 words shows "InputParam Error" (OK button, no title of its own:
  // the box shows the add-in's title) and leaves the entry as it was.
  // words is a GetWordList result: its last element is not a word.
  void InputParam(const std::vector<Text>& words, int table_index, int param_index);
  // "I/O" when a body row of entry table_index assigns to the parameter
  // (`b = ...`, or `arr(...) = ...` for `arr()`), else "I". Rows are read
  // and tested one by one: the first hit ends the search, so a span that
  // runs past the module's end still finds an assignment inside it.
  Text CheckRef(int table_index, TextView name);
  // The text before the first place where pattern matches (see count_words.h).
  Text CountWords(TextView text, TextView pattern);

  // The table as the last scans left it; an entry no scan has written reads
  // as a fresh one.
  class TableView {
   public:
    explicit TableView(const std::vector<ProcData>& written) : written_(written) {}
    const ProcData& operator[](std::size_t index) const;

   private:
    const std::vector<ProcData>& written_;
  };
  TableView Table() const { return TableView(table_); }

 private:
  // Trimmed body rows of the procedure being parsed, read when first needed.
  struct BodyCache {
    Row first = 0;
    Row last = -1;
    std::vector<Text> rows;
  };
  class ScanScope;

  // places, when given, gets every procedure's rows and name, and the
  // entries past the table are not kept.
  std::vector<ProcData> Scan(bool full, Short& count, const Text& title, bool limited = true,
                             std::vector<ProcPlace>* places = nullptr);
  std::shared_ptr<CodeModule> ActiveModule();
  // CheckRef on an entry, in the table or past it.
  Text CheckRef(const ProcData& proc, TextView name);
  // The trimmed line at row r of the rows first..last that CheckRef reads.
  Text BodyLine(CodeModule& module, Row first, Row last, Row r);

  UiService& ui_;
  DeclarationParser parser_;
  std::shared_ptr<VBE> vbe_;
  // Entry index, made when first written (below kProcTableSize).
  ProcData& Written(int index);

  // The entries written so far: a module uses few of the 301 entries of 31
  // parameters each, and making them all for every scan cost more than the
  // scan of a small module.
  std::vector<ProcData> table_;
  // Held only while a scan runs, so CheckRef reads each body row at most
  // once per procedure however many parameters it checks.
  std::shared_ptr<CodeModule> scan_module_;
  std::optional<BodyCache> body_cache_;
};

}  // namespace qlx
