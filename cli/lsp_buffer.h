// The editor's buffer as the language server keeps it: one decoded copy,
// held as the code module the module reader makes of it (the rows the
// editor shows), the few lines it hides and the end of every line, and
// changed in place as the editor changes it. Its findings are read from
// that module directly.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "check/module_check.h"
#include "cli/lsp_text.h"
#include "host/lines.h"
#include "host/memory/editor.h"

namespace qlx::cli::lsp {

// A finding placed in the buffer: its line and the characters it covers.
struct Diagnostic {
  long line = 0;
  long start = 0;
  long end = 0;
  check::Rule rule = check::Rule::kMissingHeader;
  Text message;
  bool operator==(const Diagnostic&) const = default;
};

class Buffer {
 public:
  // path names the module in messages and gives its name when it has no
  // VB_Name attribute.
  explicit Buffer(std::filesystem::path path);

  // The whole text, as UTF-8 (the protocol's form); released once decoded,
  // before the module is made.
  void Reset(std::string utf8);
  // Replaces the text between two positions, as ApplyChange does on a text.
  void Change(Position start, Position end, const Text& replacement);

  // Why the module reader refuses the buffer (an unclosed BEGIN block, a
  // NUL character), as it says it; nullopt when it reads as a module.
  const std::optional<std::string>& Problem() const { return problem_; }
  // The findings, in the order the check gives them. Only when there is no
  // problem.
  std::vector<Diagnostic> Diagnose(const check::CheckOptions& options) const;

  // The buffer's text, made on demand (for the code actions, which work on
  // a copy).
  Text WholeText() const;
  // Each line's content and end, in order, as MisreadCp932Line reads them.
  void ForEachLine(const LineVisitor& visit) const;
  long LineCount() const { return static_cast<long>(ends_.size()); }
  // The buffer line (0-based) showing row; -1 for no row.
  long LineOfRow(Row row) const;
  const std::shared_ptr<MemoryCodeModule>& Module() const { return module_; }
  // How many changes were made in place, and how many read the whole
  // buffer again: for the tests.
  int InPlaceChanges() const { return in_place_; }

 private:
  struct HiddenLine {
    long line;  // in the buffer
    Text text;
  };

  class Pieces;
  // The index of the first hidden line at or after line.
  std::size_t HiddenFrom(long line) const;
  const Text& Content(long line) const;
  std::string Utf8Lines(long from, long to) const;  // lines [from, to) with their ends

  std::filesystem::path path_;
  std::shared_ptr<MemoryCodeModule> module_;
  std::vector<HiddenLine> hidden_;  // by line
  std::vector<LineEnd> ends_;           // one per line: every line but the last has one
  std::optional<std::string> problem_;
  int in_place_ = 0;
};

}  // namespace qlx::cli::lsp
