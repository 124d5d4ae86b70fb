// The in-memory editor: a stand-in for the VBA editor that answers every host
// call as the real one does, counts calls by kind and can be told to fail the
// N-th call of a kind. Used by the tests and by the qlx program.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "host/commandbars.h"
#include "host/host.h"
#include "host/vberror.h"

namespace qlx {

enum class HostCall {
  kName,
  kLines,
  kCountOfLines,
  kCountOfDeclarationLines,
  kInsertLines,
  kDeleteLines,
  kReplaceLine,
  kProcOfLine,
  kProcStartLine,
  kProcCountLines,
  kProcBodyLine,
  kFind,
  kActiveCodePane,
  kCodeModule,
  kGetSelection,
  kCaption,
  kFindWindow,
  kLockWindowUpdate,
  kCommandBars,
  kCommandBarItem,
  kControlsAdd,
  kControlCaption,
  kControlDelete,
  kEvents,
  kCommandBarEvents,
};

// The editor's member a call kind stands for ("Lines", "ActiveCodePane");
// the desktop calls are named FindWindow and LockWindowUpdate.
const char* HostCallName(HostCall call);
// The kinds that are members of the editor's objects, in the order above.
inline constexpr HostCall kEditorMemberCalls[] = {
    HostCall::kName,          HostCall::kLines,           HostCall::kCountOfLines,
    HostCall::kCountOfDeclarationLines, HostCall::kInsertLines, HostCall::kDeleteLines,
    HostCall::kReplaceLine,   HostCall::kProcOfLine,      HostCall::kProcStartLine,
    HostCall::kProcCountLines, HostCall::kProcBodyLine,   HostCall::kFind,
    HostCall::kActiveCodePane, HostCall::kCodeModule,     HostCall::kGetSelection,
    HostCall::kCaption,
};

// Counts host calls and injects failures; shared by the objects of one editor.
class CallLog {
 public:
  // Throws the scheduled error when this call is the one to fail.
  void Count(HostCall call);
  int Calls(HostCall call) const;
  // The nth call (1-based, counted from now on) of this kind throws error.
  void FailOn(HostCall call, int nth, VbError error);
  void ResetCounts();

 private:
  std::map<HostCall, int> counts_;
  struct Failure {
    int at;
    VbError error;
  };
  std::map<HostCall, std::vector<Failure>> failures_;
};

class MemoryCodeModule : public CodeModule {
 public:
  MemoryCodeModule(Text name, std::vector<Text> lines, std::shared_ptr<CallLog> log = nullptr);
  // The same from `count` lines that next() gives one at a time, so that a
  // large module is not also held as a list of lines while it is made; it
  // keeps room for edits to grow it in place.
  MemoryCodeModule(Text name, std::size_t count, const std::function<Text()>& next,
                   std::shared_ptr<CallLog> log = nullptr);
  ~MemoryCodeModule() override;

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

  // Uncounted access for tests, loaders and savers.
  const Text& Line(Row row) const;  // 1-based; error 9 outside the module
  Row LineCount() const;
  std::vector<Text> AllLines() const;
  void SetName(Text name);
  const Text& UncountedName() const;
  CallLog& Log() { return *log_; }
  std::shared_ptr<CallLog> SharedLog() { return log_; }
  // Uncounted: whether the procedures as read now lean on a reading no real
  // editor has confirmed (a procedure start inside an open procedure, a
  // procedure without End, declarations ending on an #If line, two
  // procedures of one name and kind), so that another editor may answer
  // the procedure calls differently.
  bool ReadsUnconfirmed();

  // Told of every edit, for savers that keep hidden lines and original
  // bytes: at row, `removed` lines went and `inserted` new lines took their
  // place (InsertLines: removed 0; DeleteLines: inserted 0; ReplaceLine:
  // removed 1).
  using EditListener = std::function<void(Row row, Row removed, Row inserted)>;
  void OnEdit(EditListener listener);

  // Uncounted, for a store that follows a text kept elsewhere (an editor's
  // buffer): replaces `removed` rows from row on by lines kept exactly as
  // given, where InsertLines would render statements as the editor does.
  // A line given with line breaks becomes several. Error 9 outside the
  // module, as DeleteLines.
  void SpliceLines(Row row, Row removed, std::vector<Text> lines);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  std::shared_ptr<CallLog> log_;
};

class MemoryWindow : public Window {
 public:
  MemoryWindow(Text caption, std::shared_ptr<CallLog> log) : caption_(std::move(caption)), log_(std::move(log)) {}
  Text Caption() override;

 private:
  Text caption_;
  std::shared_ptr<CallLog> log_;
};

class MemoryVBE;
class MemoryCommandBars;
class MemoryEvents;

class MemoryCodePane : public CodePane {
 public:
  MemoryCodePane(MemoryVBE& vbe, std::shared_ptr<MemoryCodeModule> module);
  std::shared_ptr<qlx::CodeModule> CodeModule() override;
  void GetSelection(Row& start_line, std::int32_t& start_column, Row& end_line,
                    std::int32_t& end_column) override;
  std::shared_ptr<qlx::Window> Window() override;

  // Puts the caret at (row, column), an empty selection.
  void SetCaret(Row row, std::int32_t column = 1);
  void SetSelection(Row start_line, std::int32_t start_column, Row end_line,
                    std::int32_t end_column);
  std::shared_ptr<MemoryCodeModule> Module() { return module_; }
  // "<project> - <module> (Code)", uncounted.
  Text WindowCaption() const;

 private:
  MemoryVBE& vbe_;
  std::shared_ptr<MemoryCodeModule> module_;
  Row sel_[4] = {1, 1, 1, 1};
};

// An editor with one project of code modules, each with its pane.
class MemoryVBE : public VBE {
 public:
  explicit MemoryVBE(Text project_name = u"VBAProject");
  // Panes keep a reference to their editor.
  MemoryVBE(const MemoryVBE&) = delete;
  MemoryVBE& operator=(const MemoryVBE&) = delete;

  std::shared_ptr<CodePane> ActiveCodePane() override;

  // Adds a module (its pane is not activated).
  std::shared_ptr<MemoryCodeModule> AddModule(Text name, std::vector<Text> lines);
  // Adds a module made elsewhere (a loaded file); it keeps its own call log.
  std::shared_ptr<MemoryCodeModule> AddModule(std::shared_ptr<MemoryCodeModule> module);
  // The pane of a module; asking for it makes it the active one.
  std::shared_ptr<MemoryCodePane> Pane(const Text& module_name);
  std::shared_ptr<MemoryCodePane> ActivePane() { return active_; }
  std::shared_ptr<MemoryCodeModule> Module(const Text& module_name);
  const std::vector<std::shared_ptr<MemoryCodePane>>& Panes() const { return panes_; }
  const Text& ProjectName() const { return project_name_; }
  CallLog& Log() { return *log_; }
  std::shared_ptr<CallLog> SharedLog() { return log_; }

  std::shared_ptr<qlx::CommandBars> CommandBars() override;
  std::shared_ptr<qlx::Events> Events() override;
  // Uncounted access to the command bars ("Menu Bar", "Standard" and
  // "Add-Ins" at first), for tests and the qlx session.
  MemoryCommandBars& Bars();

 private:
  Text project_name_;
  std::shared_ptr<CallLog> log_;
  std::vector<std::shared_ptr<MemoryCodePane>> panes_;
  std::shared_ptr<MemoryCodePane> active_;
  std::shared_ptr<MemoryCommandBars> bars_;  // made on first use
  std::shared_ptr<MemoryEvents> events_;     // made on first use
};

// The desktop of the in-memory editor: the editor's window chain exists when
// the VBE has an active pane, and every LockWindowUpdate call is recorded.
class MemoryDesktop : public Desktop {
 public:
  explicit MemoryDesktop(MemoryVBE* vbe = nullptr, std::shared_ptr<CallLog> log = nullptr);
  WindowHandle FindWindowA(const Text& class_name, const Text* title) override;
  WindowHandle FindWindowExA(WindowHandle parent, WindowHandle child_after,
                             const Text& class_name, const Text* title) override;
  bool LockWindowUpdate(WindowHandle window) override;

  std::vector<WindowHandle> lock_calls;  // every argument, in order
  // True when drawing is not stopped (no lock, or the last call released it).
  bool Unlocked() const { return lock_calls.empty() || lock_calls.back() == 0; }

  static constexpr WindowHandle kMainWindow = 0x100;
  static constexpr WindowHandle kMdiClient = 0x200;
  static constexpr WindowHandle kCodeWindow = 0x300;

 private:
  MemoryVBE* vbe_;
  std::shared_ptr<CallLog> log_;
};

}  // namespace qlx

// ---------------------------------------------------------------------------
// Command bars and click events of the in-memory editor.

namespace qlx {

class MemoryCommandBar;
class MemoryCommandBarEvents;

class MemoryCommandBarControl : public CommandBarControl,
                                public std::enable_shared_from_this<MemoryCommandBarControl> {
  friend class MemoryCommandBar;

 public:
  MemoryCommandBarControl(std::weak_ptr<MemoryCommandBar> bar, std::int32_t type, std::shared_ptr<CallLog> log);

  // [I] marks an answer that neither the editor's documentation nor what was
  // seen of the real editor settles: our choice, to revisit when checked.
  // Caption, SetCaption and Delete of a deleted control throw error 5 [I].
  Text Caption() override;
  void SetCaption(const Text& caption) override;
  void Delete() override;

  // Uncounted access for tests.
  std::int32_t Type() const { return type_; }
  bool Temporary() const { return temporary_; }
  const Text& UncountedCaption() const { return caption_; }
  bool Deleted() const { return deleted_; }
  // A user's click: each event source still kept for this control gets it,
  // in the order the sources were made. A deleted control cannot be clicked.
  // Returns the number of handlers reached.
  int Click();

 private:
  friend class MemoryEvents;

  std::weak_ptr<MemoryCommandBar> bar_;
  std::int32_t type_;
  std::shared_ptr<CallLog> log_;
  Text caption_;
  bool deleted_ = false;
  bool temporary_ = false;
  std::vector<std::weak_ptr<MemoryCommandBarEvents>> sources_;
};

// A bar is also its own Controls collection.
class MemoryCommandBar : public CommandBar,
                         public CommandBarControls,
                         public std::enable_shared_from_this<MemoryCommandBar> {
 public:
  MemoryCommandBar(Text name, std::shared_ptr<CallLog> log);

  Text Name() override { return name_; }
  std::shared_ptr<CommandBarControls> Controls() override;
  std::int32_t Count() override;
  std::shared_ptr<CommandBarControl> Item(std::int32_t index) override;
  // Types 1 (button) and 10 (popup) are accepted; others throw error 5 [I].
  std::shared_ptr<CommandBarControl> Add(std::int32_t type = kControlButton, bool temporary = false) override;

  // Uncounted access for tests.
  const std::vector<std::shared_ptr<MemoryCommandBarControl>>& AllControls() const { return controls_; }
  std::vector<Text> Captions() const;
  // The first control with that caption; nullptr when none has it.
  std::shared_ptr<MemoryCommandBarControl> Find(const Text& caption) const;

 private:
  friend class MemoryCommandBarControl;

  Text name_;
  std::shared_ptr<CallLog> log_;
  std::vector<std::shared_ptr<MemoryCommandBarControl>> controls_;
};

class MemoryCommandBars : public CommandBars {
 public:
  explicit MemoryCommandBars(std::shared_ptr<CallLog> log);

  // Names compare ignoring ASCII case [I]; a missing bar throws error 5.
  std::shared_ptr<CommandBar> Item(const Text& name) override;

  // Uncounted access for tests: the bar of that name, or nullptr.
  std::shared_ptr<MemoryCommandBar> Bar(const Text& name) const;
  std::shared_ptr<MemoryCommandBar> AddBar(Text name);
  void RemoveBar(const Text& name);

 private:
  std::shared_ptr<CallLog> log_;
  std::vector<std::shared_ptr<MemoryCommandBar>> bars_;
};

class MemoryCommandBarEvents : public CommandBarEvents {
 public:
  void SetClickHandler(ClickHandler handler) override { handler_ = std::move(handler); }
  bool Connected() const { return static_cast<bool>(handler_); }

 private:
  friend class MemoryCommandBarControl;
  ClickHandler handler_;
};

class MemoryEvents : public Events {
 public:
  explicit MemoryEvents(std::shared_ptr<CallLog> log) : log_(std::move(log)) {}
  // Error 424 for no control, 13 for a control of another editor.
  std::shared_ptr<qlx::CommandBarEvents> CommandBarEvents(
      const std::shared_ptr<CommandBarControl>& control) override;

 private:
  std::shared_ptr<CallLog> log_;
};

}  // namespace qlx
