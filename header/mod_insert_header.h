// ModInsertHeader: writes a procedure header above a procedure's declaration,
// or replaces an existing one keeping its hand-written parts, and lets the
// user take an update back.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "analysis/cls_proc_inf.h"
#include "analysis/mod_get_procs_data.h"
#include "header/procedure_header.h"
#include "host/host.h"
#include "host/text.h"

namespace qlx {

class UiService;

// Where a procedure's header stands against what an update would write.
enum class HeaderState {
  kNoProcedure,  // no procedure holds the row, or its record could not be read (reported)
  kMissing,      // no author line above the declaration: a new header would be written
  kCurrent,      // an update would change only the date and time after "更新:"
  kStale,        // an update would change more than that
  kBroken,       // an author line without a separator, or no header could be built (reported)
};

struct HeaderCheck {
  HeaderState state = HeaderState::kNoProcedure;
  Text proc_name;
  Row body_row = 0;  // the declaration row
  Row start = 0;     // the existing header's separator row; 0 when there is none
  // The separator is the line just above the procedure's first row: row 1 of
  // a module without declarations, which the editor never counts as part of
  // the first procedure, so that WriteHeaderProc does not find it.
  bool separator_above = false;
  // For kMissing: the row a new header goes to (above the declaration's #If
  // when it has one per build).
  Row insert_row = 0;
  // The rows from start to the line above the declaration as they stand, and
  // what an update (or, for kMissing, a new header) puts in their place.
  std::vector<Text> lines;
  std::vector<Text> written;
};

// True when new_lines differ from old_lines in more than the text after the
// last "更新:" of the author line (the time of the update).
bool DiffersBeyondUpdateTime(const std::vector<Text>& old_lines, const std::vector<Text>& new_lines);

// What RefreshHeaders did.
struct HeaderRefreshCount {
  int written = 0;  // new headers and updates
  int current = 0;  // left as they were
  int failed = 0;   // reported and left as they were
};

// What a header is built from, taken from an entry of the module table.
HeaderProc HeaderProcOf(const ProcData& entry);

class ModInsertHeader {
 public:
  // The longest wait before the confirmation, in milliseconds, whatever the
  // settings say.
  static constexpr std::int32_t kMaxSleepTime = 10000;

  ModInsertHeader(UiService& ui, Desktop& desktop);
  virtual ~ModInsertHeader();
  ModInsertHeader(const ModInsertHeader&) = delete;
  ModInsertHeader& operator=(const ModInsertHeader&) = delete;

  // The editor to work against; nullptr at disconnection.
  void SetVBInstance(std::shared_ptr<VBE> vbe);

  // The module procedure table the whole-module commands scan with (not
  // owned; the caller hands it the editor). Without one, an own table is
  // used that holds this editor only while it scans.
  void SetProcsData(ModGetProcsData* procs_data);

  // Settings, loaded by the caller (the tool window or the command line).
  Text AuthorName;
  std::int32_t IgnoreMode = 0;  // non-zero: update an existing header without asking
  std::int32_t UnUndoMode = 0;  // non-zero: no confirmation, no way back after an update
  std::int32_t SleepTime = 0;   // milliseconds before the confirmation; negative counts as 0, at most kMaxSleepTime
  // The date (and, after a space, time) picture of the headers, e.g.
  // "yyyy/mm/dd"; empty: the user's regional short date and long time.
  Text DateFormat;

  // The date and time written into headers, as DateFormat says.
  Text HeaderDate();
  Text HeaderTime();

  // The hand-written parts of the header being updated. Its parameter notes
  // are cleared at the end of every WriteHeaderProc; the texts stay until the
  // next SaveHeader.
  SavedHeaderParts SavedHeader;

  // The WRITE command in header mode: a new header above the procedure that
  // holds row, or an update of its existing header.
  void WriteHeaderProc(Row row);

  // The header for the procedure of the running command's record: new, or
  // (update) carrying SavedHeader. On success count is the number of lines
  // (from index 0 of the 39-slot buffer); on failure it is left as it was and
  // the list is empty. Virtual so that a failing build can be simulated.
  virtual std::vector<Text> CreateHeaderProc(bool update, Short& count);

  // The highest row from BodyStartRow - 1 down to ProcStartRow whose trimmed
  // line matches pattern (Like); 0 when none does.
  Row SearchHeader(TextView pattern);
  // Fills SavedHeader from the header above the declaration, up to and
  // including its first author line.
  void SaveHeader();
  // The trimmed lines from the header's separator line (the one nearest
  // above its author line) to the line above the declaration; returns the
  // separator's row, 0 (lines untouched) when none.
  Row SaveBeforeDelete(std::vector<Text>& lines);
  // Deletes the header's own lines from its separator down to its author
  // line, keeping the user's lines among them; false, after saying so, when
  // there is no separator.
  bool DeleteHeader();
  // Builds a header and inserts it directly above the declaration. False
  // when it could not be built; in an update (old_lines given) the deleted
  // old header is then put back at old_start before the failure is shown.
  bool InsertHeaderProc(bool update, Row old_start = 0,
                        const std::vector<Text>* old_lines = nullptr);
  // Replaces the new header (start to the line above the declaration) by the
  // old lines, as they were saved (trimmed).
  void TryUndo(Row start, const std::vector<Text>& lines);
  // The line at row, trimmed of spaces. Failures go to the caller.
  Text GetTrimLine(Row row);

  // Writes the module header at the top of the active module, or rewrites
  // the one above its first procedure keeping the four description texts.
  void InsertModuleHeader();
  // The same for a module without procedures: the table holds only the
  // placeholder row. Called by InsertModuleHeader.
  void InsertModuleHeader0();
  // A new procedure header directly above the declaration of every
  // procedure that has none (no author line above its declaration).
  void InsertHeaderAll();
  // The new header for entry index of the scanned table; count as for
  // CreateHeaderProc (left as it was, and the list empty, on failure).
  std::vector<Text> CreateHeader(Short index, Short& count);
  // What WriteHeaderProc would do at row with both questions answered Yes,
  // found without changing the module. Failures are reported as the
  // operations report them.
  // A header is current also when it is what all-headers would write from
  // the procedure's entry `listed` of the module table.
  HeaderCheck CheckHeaderProc(Row row, const ProcData* listed = nullptr);
  // CheckHeaderProc for the procedure at place `index` of the module; a
  // header the record finds stale is held against what all-headers would
  // write, from `table`: every procedure's entry, scanned when first
  // needed (a module whose headers are current is never scanned in full).
  HeaderCheck CheckHeaderProc(Row row, std::size_t index, std::optional<std::vector<ProcData>>& table);
  // Every procedure of the active module gets a header: a new one where it
  // has none, an update (no question, no confirmation) where the update
  // would change more than its time; the others are left as they are, so a
  // second run changes nothing.
  HeaderRefreshCount RefreshHeaders();

  // The module procedure table as the last scan returned it: 301 entries,
  // or none when the scan returned no table.
  const std::vector<ProcData>& ProcsData() const { return procs_data_; }

 private:
  class CommandScope;

  std::shared_ptr<CodeModule> ActiveModule();
  // The first row from ProcStartRow to BodyStartRow - 1 whose trimmed line
  // begins with "'>>>>>"; 0 when none does.
  Row FindSeparator();
  // The rows of the header that begins at separator: the separator and,
  // down to its author line, the lines of the header's own format; the
  // other lines between them and the declaration are the user's.
  std::vector<Row> HeaderOwnRows(Row separator);
  // Inserts lines[j] at start + j.
  void PutBack(Row start, const std::vector<Text>& lines);
  ClsProcInf& ProcInf();
  CodeModule& Module();
  // Fills procs_data_ with a scan (full: GetProcsData, else GetProcsDataH;
  // not limited: every procedure, however many). A scan that failed has
  // reported itself and left count as it was.
  void ScanProcs(bool full, Short& count, bool limited = true);

  UiService& ui_;
  Desktop& desktop_;
  std::shared_ptr<VBE> vbe_;
  // The running command's procedure record, code module and code window;
  // held only while WriteHeaderProc runs.
  std::unique_ptr<ClsProcInf> proc_inf_;
  std::shared_ptr<CodeModule> module_;
  WindowHandle hwnd_ = 0;
  // Lines the last InsertHeaderProc inserted.
  Row inserted_rows_ = 0;
  // The table to scan with: the one handed over, else own_procs_data_.
  ModGetProcsData* procs_data_source_ = nullptr;
  std::unique_ptr<ModGetProcsData> own_procs_data_;
  // The copy of the table that the last scan returned.
  std::vector<ProcData> procs_data_;
};

}  // namespace qlx
