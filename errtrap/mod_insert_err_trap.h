// ModInsertErrTrap: inserts the generic error handler (ON ERROR GOTO
// PROC_ERR, a PROC_EXIT block and a PROC_ERR block) into one procedure of the
// active code module.
#pragma once

#include <cstdint>
#include <memory>

#include "host/host.h"
#include "host/text.h"

namespace qlx {

class UiService;

class ModInsertErrTrap {
 public:
  ModInsertErrTrap(UiService& ui, Desktop& desktop);
  ModInsertErrTrap(const ModInsertErrTrap&) = delete;
  ModInsertErrTrap& operator=(const ModInsertErrTrap&) = delete;

  // The editor to work against; nullptr at disconnection.
  void SetVBInstance(std::shared_ptr<VBE> vbe);

  // Where the ON ERROR line goes: 0 below the procedure's local
  // declarations, anything else directly below its declaration statement.
  // Loaded by the tool window from the settings file.
  std::int32_t ErrInsertPos = 0;

  // The tool window's entry: row 0 (nothing captured) does nothing.
  void WriteErrTrapProc(Row row);
  // Inserts the handler into the procedure holding row, asking first when it
  // already has an On Error statement. Every failure is reported as
  // "Error: N. desc" titled "InsertErrTrap"; lines already inserted stay.
  void InsertErrTrap(Row row);

  // The tool window's helpers (errtrap/cursor.cpp).
  // The start row of the active pane's selection when it lies below the
  // declaration section, 0 within it, -1 (silently) when the editor cannot
  // be asked, for example with no active pane.
  Row GetCursorRow();
  // The name of the procedure of the active code module that holds row; ""
  // for row 0 without asking the editor. A failure is reported as
  // "Error: N. desc" titled "SendProcName" and gives "".
  Text SendProcName(Row row);

 private:
  std::shared_ptr<CodeModule> ActiveModule() const;

  UiService& ui_;
  Desktop& desktop_;
  std::shared_ptr<VBE> vbe_;
};

}  // namespace qlx
