// ModInsertHeader: writes a procedure header above a procedure's declaration,
// or replaces an existing one keeping its hand-written parts, and lets the
// user take an update back.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "analysis/cls_proc_inf.h"
#include "analysis/mod_get_procs_data.h"
#include "header/procedure_header.h"
#include "host/host.h"
#include "host/text.h"

namespace qlx {

class UiService;

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

  // The hand-written parts of the header being updated. Its parameter notes
  // are cleared at the end of every WriteHeaderProc; the texts stay until the
  // next SaveHeader.
  SavedHeader saved_header;

  // The WRITE command in header mode: a new header above the procedure that
  // holds row, or an update of its existing header.
  void WriteHeaderProc(Row row);

  // The header for the procedure of the running command's record: new, or
  // (update) carrying saved_header. On success count is the number of lines
  // (from index 0 of the 39-slot buffer); on failure it is left as it was and
  // the list is empty. Virtual so that a failing build can be simulated.
  virtual std::vector<Text> CreateHeaderProc(bool update, Short& count);

  // The highest row from BodyStartRow - 1 down to ProcStartRow whose trimmed
  // line matches pattern (Like); 0 when none does.
  Row SearchHeader(TextView pattern);
  // Fills saved_header from the header above the declaration, up to and
  // including its first author line.
  void SaveHeader();
  // The trimmed lines from the first separator line to the line above the
  // declaration; returns the separator's row, 0 (lines untouched) when none.
  Row SaveBeforeDelete(std::vector<Text>& lines);
  // Deletes from the first separator line to the line above the declaration;
  // false, after saying so, when there is no separator.
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
  // A new procedure header directly above every procedure's declaration;
  // existing headers are not looked for.
  void InsertHeaderAll();
  // The new header for entry index of the scanned table; count as for
  // CreateHeaderProc (left as it was, and the list empty, on failure).
  std::vector<Text> CreateHeader(Short index, Short& count);
  // The module procedure table as the last scan returned it: 301 entries,
  // or none when the scan returned no table.
  const std::vector<ProcData>& ProcsData() const { return procs_data_; }

 private:
  class CommandScope;

  std::shared_ptr<CodeModule> ActiveModule();
  // The first row from ProcStartRow to BodyStartRow - 1 whose trimmed line
  // begins with "'>>>>>"; 0 when none does.
  Row FindSeparator();
  // Inserts lines[j] at start + j.
  void PutBack(Row start, const std::vector<Text>& lines);
  ClsProcInf& ProcInf();
  CodeModule& Module();
  // Fills procs_data_ with a scan (full: GetProcsData, else GetProcsDataH).
  // A scan that failed has reported itself and left count as it was.
  void ScanProcs(bool full, Short& count);

  UiService& ui_;
  Desktop& desktop_;
  std::shared_ptr<VBE> vbe_;
  // The running command's procedure record, code module and code window;
  // held only while WriteHeaderProc runs.
  std::unique_ptr<ClsProcInf> proc_inf_;
  std::shared_ptr<CodeModule> module_;
  WindowHandle hwnd_ = 0;
  // The table to scan with: the one handed over, else own_procs_data_.
  ModGetProcsData* procs_data_source_ = nullptr;
  std::unique_ptr<ModGetProcsData> own_procs_data_;
  // The copy of the table that the last scan returned.
  std::vector<ProcData> procs_data_;
};

}  // namespace qlx
