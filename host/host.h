// The editor as the operations see it: VBE, CodePane, CodeModule, Window and
// the desktop calls behind the drawing lock. Rows are 1-based; a failing call
// throws VbError (35 for an unknown procedure name or kind, 9 for a bad row).
#pragma once

#include <cstdint>
#include <memory>

#include "host/text.h"

namespace qlx {

class UiService;
class CommandBars;
class Events;

// vbext_ProcKind: 0 Sub or Function, 1 Property Let, 2 Property Set, 3 Property Get.
using ProcKind = std::int32_t;
inline constexpr ProcKind kProcKindProc = 0;
inline constexpr ProcKind kProcKindLet = 1;
inline constexpr ProcKind kProcKindSet = 2;
inline constexpr ProcKind kProcKindGet = 3;

class CodeModule {
 public:
  virtual ~CodeModule() = default;
  virtual Text Name() = 0;
  // Lines s .. s+count-1 joined with CR LF; count past the end is clamped.
  virtual Text Lines(Row start, Row count) = 0;
  virtual Row CountOfLines() = 0;
  virtual Row CountOfDeclarationLines() = 0;
  // Inserts text (split at CR LF, CR or LF) before the line now at row.
  virtual void InsertLines(Row row, const Text& text) = 0;
  virtual void DeleteLines(Row start, Row count = 1) = 0;
  virtual void ReplaceLine(Row row, const Text& text) = 0;
  // Name of the procedure holding row ("" in the declaration section); sets kind.
  virtual Text ProcOfLine(Row row, ProcKind& kind) = 0;
  virtual Row ProcStartLine(const Text& name, ProcKind kind) = 0;
  virtual Row ProcCountLines(const Text& name, ProcKind kind) = 0;
  virtual Row ProcBodyLine(const Text& name, ProcKind kind) = 0;
  // Searches forward; on a hit sets the four positions to the match and
  // returns true, on a miss leaves them.
  virtual bool Find(const Text& target, Row& start_line, std::int32_t& start_column,
                    Row& end_line, std::int32_t& end_column, bool whole_word = false,
                    bool match_case = false, bool pattern_search = false) = 0;
};

class Window {
 public:
  virtual ~Window() = default;
  virtual Text Caption() = 0;
};

class CodePane {
 public:
  virtual ~CodePane() = default;
  virtual std::shared_ptr<qlx::CodeModule> CodeModule() = 0;
  // Start line, start column, end line, end column (end column exclusive).
  virtual void GetSelection(Row& start_line, std::int32_t& start_column, Row& end_line,
                            std::int32_t& end_column) = 0;
  virtual std::shared_ptr<qlx::Window> Window() = 0;
};

class VBE {
 public:
  virtual ~VBE() = default;
  // The pane with the focus; nullptr when no pane has been active.
  virtual std::shared_ptr<CodePane> ActiveCodePane() = 0;
  // The editor's command bars and event sources (host/commandbars.h). An
  // editor without them throws error 438.
  virtual std::shared_ptr<qlx::CommandBars> CommandBars();
  virtual std::shared_ptr<qlx::Events> Events();

  // Whether operations see the active code module through a line cache
  // (host/memory/line_cache.h), one for each operation: the add-in and qlx
  // turn it on; without it every call goes to the editor as the operation
  // makes it.
  void UseLineCache(bool on) { line_cache_ = on; }
  bool UsesLineCache() const { return line_cache_; }

 private:
  friend std::shared_ptr<CodeModule> ActiveCodeModule(VBE* vbe);
  bool line_cache_ = false;
  // The cache of the operation under way: it goes when the operation lets go
  // of its module.
  std::weak_ptr<CodeModule> operation_module_;
};

// The editor's active code pane. No editor or no active pane raises error
// 91, as an unset object reference does in VB. Its module, through the line
// cache when that is on, is ActiveCodeModule (host/memory/line_cache.h).
std::shared_ptr<CodePane> ActivePane(VBE* vbe);

using WindowHandle = std::intptr_t;

// The Win32 calls behind the drawing lock of the editor's code window.
class Desktop {
 public:
  virtual ~Desktop() = default;
  // A null title stands for "any title", as a null pointer does in Win32.
  virtual WindowHandle FindWindowA(const Text& class_name, const Text* title) = 0;
  virtual WindowHandle FindWindowExA(WindowHandle parent, WindowHandle child_after,
                                     const Text& class_name, const Text* title) = 0;
  virtual bool LockWindowUpdate(WindowHandle window) = 0;
};

// The code window of the active pane (0 when none is found). A failure shows
// "Error: N. desc" titled "GetVbaHwnd" and gives 0.
WindowHandle GetVbaHwnd(VBE* vbe, Desktop& desktop, UiService& ui);

// Stops drawing of the editor's code window for its lifetime; restarts it
// (LockWindowUpdate(null)) on every way out, also when locking failed.
class DrawingLock {
 public:
  explicit DrawingLock(Desktop& desktop) : desktop_(desktop) {}
  DrawingLock(const DrawingLock&) = delete;
  DrawingLock& operator=(const DrawingLock&) = delete;
  ~DrawingLock() { Release(); }

  void Lock(WindowHandle window) { desktop_.LockWindowUpdate(window); }
  void Release() noexcept {
    try {
      desktop_.LockWindowUpdate(0);
    } catch (...) {
    }
  }

 private:
  Desktop& desktop_;
};

}  // namespace qlx
