// A code module that stands between one operation and the editor's own and
// saves calls into the editor: it serves reads from a copy of the lines,
// answers the procedure and Find calls from that copy where the in-memory
// editor's rules are known to be the editor's, and sends runs of edits as
// one call. Every call into the editor crosses COM and an edit makes the
// editor re-read the module, so on a large module these calls, not the text
// work, decide how fast an operation is.
//
// The copy is only valid while nothing but the operation changes the module:
// an operation takes one for itself (ActiveCodeModule) and lets it go when
// it ends, as the user may type between two operations.
#pragma once

#include <memory>

#include "host/host.h"

namespace qlx {

class CachedCodeModule final : public CodeModule {
 public:
  // Rows are read from the editor this many at a time at most.
  static constexpr Row kBlockRows = 4096;

  explicit CachedCodeModule(std::shared_ptr<CodeModule> editor);
  // Sends edits still held, quietly (an EditBlock has normally sent them).
  ~CachedCodeModule() override;
  CachedCodeModule(const CachedCodeModule&) = delete;
  CachedCodeModule& operator=(const CachedCodeModule&) = delete;

  Text Name() override;
  Text Lines(Row start, Row count) override;
  Row CountOfLines() override;
  Row CountOfDeclarationLines() override;
  void InsertLines(Row row, const Text& text) override;
  void DeleteLines(Row start, Row count = 1) override;
  void ReplaceLine(Row row, const Text& text) override;
  Text ProcOfLine(Row row, ProcKind& kind) override;
  Row ProcStartLine(const Text& name, ProcKind kind) override;
  Row ProcCountLines(const Text& name, ProcKind kind) override;
  Row ProcBodyLine(const Text& name, ProcKind kind) override;
  bool Find(const Text& target, Row& start_line, std::int32_t& start_column, Row& end_line,
            std::int32_t& end_column, bool whole_word = false, bool match_case = false,
            bool pattern_search = false) override;

  CodeModule& Editor() { return *editor_; }

  // While a block is open, InsertLines at the row right after (or inside)
  // the lines inserted just before, and DeleteLines of the row deleted just
  // before, are held and sent as one call: before any other call, and when
  // the outermost block is sent or closed.
  void OpenBlock();
  // Closes a block; the outermost one sends what is held, quietly when
  // `quietly` (a failure is already on its way out).
  void CloseBlock(bool quietly);
  // Sends the edits held. When the editor refuses a call that joined
  // several edits, the edits are sent again one by one, so the module ends
  // as it would have without joining and the failing edit's error is
  // thrown.
  void SendHeld();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  std::shared_ptr<CodeModule> editor_;
};

// Marks a run of edits an operation makes with nothing in between that could
// look at them (no read, no message box): on a cached module they go to the
// editor as block calls; on any other module nothing changes. Send() at the
// end of the run, inside the operation's error handling, so that a failure
// is reported where the edits were made; leaving the scope otherwise sends
// them quietly.
class EditBlock {
 public:
  explicit EditBlock(CodeModule& module);
  ~EditBlock();
  EditBlock(const EditBlock&) = delete;
  EditBlock& operator=(const EditBlock&) = delete;

  void Send();

 private:
  CachedCodeModule* cached_;
};

// The code module of the editor's active pane. No editor, no active pane or
// no module raises error 91, as an unset object reference does in VB. With
// the line cache on, the module is the running operation's cache: the one
// made at the operation's first call, for as long as it holds it.
std::shared_ptr<CodeModule> ActiveCodeModule(VBE* vbe);

}  // namespace qlx
