#include "host/com/com_editor.h"

#include "host/com/com_commandbars.h"

namespace qlx::com {
namespace {

Variant Long(std::int32_t value) { return Variant::Int32(value); }

}  // namespace

Text ComCodeModule::Name() { return ToText(d_.Get(L"Name")); }

Text ComCodeModule::Lines(Row start, Row count) { return ToText(d_.Get(L"Lines", {Long(start), Long(count)})); }

Row ComCodeModule::CountOfLines() { return ToInt32(d_.Get(L"CountOfLines")); }

Row ComCodeModule::CountOfDeclarationLines() { return ToInt32(d_.Get(L"CountOfDeclarationLines")); }

void ComCodeModule::InsertLines(Row row, const Text& text) {
  d_.Call(L"InsertLines", {Long(row), Variant::String(text)});
}

void ComCodeModule::DeleteLines(Row start, Row count) { d_.Call(L"DeleteLines", {Long(start), Long(count)}); }

void ComCodeModule::ReplaceLine(Row row, const Text& text) {
  d_.Call(L"ReplaceLine", {Long(row), Variant::String(text)});
}

Text ComCodeModule::ProcOfLine(Row row, ProcKind& kind) {
  LONG out_kind = kind;
  Text name = ToText(d_.Get(L"ProcOfLine", {Long(row), Variant::ByRef(VT_I4, &out_kind)}));
  kind = out_kind;
  return name;
}

Row ComCodeModule::ProcStartLine(const Text& name, ProcKind kind) {
  return ToInt32(d_.Get(L"ProcStartLine", {Variant::String(name), Long(kind)}));
}

Row ComCodeModule::ProcCountLines(const Text& name, ProcKind kind) {
  return ToInt32(d_.Get(L"ProcCountLines", {Variant::String(name), Long(kind)}));
}

Row ComCodeModule::ProcBodyLine(const Text& name, ProcKind kind) {
  return ToInt32(d_.Get(L"ProcBodyLine", {Variant::String(name), Long(kind)}));
}

bool ComCodeModule::Find(const Text& target, Row& start_line, std::int32_t& start_column, Row& end_line,
                         std::int32_t& end_column, bool whole_word, bool match_case, bool pattern_search) {
  LONG span[4] = {start_line, start_column, end_line, end_column};
  const bool found = ToBool(d_.Get(
      L"Find", {Variant::String(target), Variant::ByRef(VT_I4, &span[0]), Variant::ByRef(VT_I4, &span[1]),
                Variant::ByRef(VT_I4, &span[2]), Variant::ByRef(VT_I4, &span[3]), Variant::Bool(whole_word),
                Variant::Bool(match_case), Variant::Bool(pattern_search)}));
  start_line = span[0];
  start_column = span[1];
  end_line = span[2];
  end_column = span[3];
  return found;
}

Text ComWindow::Caption() { return ToText(d_.Get(L"Caption")); }

std::shared_ptr<qlx::CodeModule> ComCodePane::CodeModule() {
  ComPtr<IDispatch> module = ToDispatch(d_.Get(L"CodeModule"));
  if (!module) return nullptr;
  return std::make_shared<ComCodeModule>(std::move(module));
}

void ComCodePane::GetSelection(Row& start_line, std::int32_t& start_column, Row& end_line,
                               std::int32_t& end_column) {
  LONG span[4] = {0, 0, 0, 0};
  d_.Call(L"GetSelection", {Variant::ByRef(VT_I4, &span[0]), Variant::ByRef(VT_I4, &span[1]),
                            Variant::ByRef(VT_I4, &span[2]), Variant::ByRef(VT_I4, &span[3])});
  start_line = span[0];
  start_column = span[1];
  end_line = span[2];
  end_column = span[3];
}

std::shared_ptr<qlx::Window> ComCodePane::Window() {
  ComPtr<IDispatch> window = ToDispatch(d_.Get(L"Window"));
  if (!window) return nullptr;
  return std::make_shared<ComWindow>(std::move(window));
}

std::shared_ptr<CodePane> ComVBE::ActiveCodePane() {
  ComPtr<IDispatch> pane = ToDispatch(d_.Get(L"ActiveCodePane"));
  if (!pane) return nullptr;
  return std::make_shared<ComCodePane>(std::move(pane));
}

std::shared_ptr<qlx::CommandBars> ComVBE::CommandBars() {
  ComPtr<IDispatch> bars = ToDispatch(d_.Get(L"CommandBars"));
  if (!bars) return nullptr;
  return std::make_shared<ComCommandBars>(std::move(bars));
}

std::shared_ptr<qlx::Events> ComVBE::Events() {
  ComPtr<IDispatch> events = ToDispatch(d_.Get(L"Events"));
  if (!events) return nullptr;
  return std::make_shared<ComEvents>(std::move(events));
}

}  // namespace qlx::com
