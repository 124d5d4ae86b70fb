// The host interface over the real editor's objects (VBIDE's VBE, CodePane,
// CodeModule and Window), late bound through IDispatch. Every call goes to
// the editor; a failure arrives as VbError with the editor's number and
// description. Windows only.
#pragma once

#include <memory>

#include "host/com/dispatch.h"
#include "host/host.h"

namespace qlx::com {

class ComCodeModule : public qlx::CodeModule {
 public:
  explicit ComCodeModule(ComPtr<IDispatch> module) : d_(std::move(module)) {}

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

 private:
  Dispatcher d_;
};

class ComWindow : public qlx::Window {
 public:
  explicit ComWindow(ComPtr<IDispatch> window) : d_(std::move(window)) {}
  Text Caption() override;

 private:
  Dispatcher d_;
};

class ComCodePane : public qlx::CodePane {
 public:
  explicit ComCodePane(ComPtr<IDispatch> pane) : d_(std::move(pane)) {}

  std::shared_ptr<qlx::CodeModule> CodeModule() override;
  void GetSelection(Row& start_line, std::int32_t& start_column, Row& end_line,
                    std::int32_t& end_column) override;
  std::shared_ptr<qlx::Window> Window() override;

 private:
  Dispatcher d_;
};

class ComVBE : public qlx::VBE {
 public:
  // Throws VbError 91 for a null editor.
  explicit ComVBE(ComPtr<IDispatch> vbe) : d_(std::move(vbe)) {}

  std::shared_ptr<CodePane> ActiveCodePane() override;
  // Application.CommandBars and Application.Events (host/com/com_commandbars.h).
  std::shared_ptr<qlx::CommandBars> CommandBars() override;
  std::shared_ptr<qlx::Events> Events() override;

  // The editor object itself, for handing it on to COM callers.
  IDispatch* Object() const { return d_.get(); }

 private:
  Dispatcher d_;
};

}  // namespace qlx::com
