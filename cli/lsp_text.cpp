#include "cli/lsp_text.h"

#include <algorithm>

namespace qlx::cli::lsp {

std::size_t OffsetOf(const Text& text, Position position) {
  std::size_t i = 0;
  for (long line = 0; line < position.line; ++line) {
    while (i < text.size() && text[i] != u'\n' && text[i] != u'\r') ++i;
    if (i == text.size()) return i;
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    ++i;
  }
  const std::size_t line_start = i;
  while (i < text.size() && text[i] != u'\n' && text[i] != u'\r') ++i;
  const std::size_t wanted = line_start + static_cast<std::size_t>(std::max(0L, position.character));
  return std::min(wanted, i);
}

void ApplyChange(Text& text, Position start, Position end, const Text& replacement) {
  const std::size_t a = OffsetOf(text, start);
  const std::size_t b = std::max(a, OffsetOf(text, end));
  text.replace(a, b - a, replacement);
}

std::vector<Text> SplitKeepingEnds(const Text& text) {
  std::vector<Text> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    if (text[i] == u'\n' || text[i] == u'\r') {
      lines.push_back(text.substr(start, i + 1 - start));
      start = i + 1;
    }
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

std::vector<LineEdit> DiffLines(const Text& before, const Text& after) {
  const std::vector<Text> a = SplitKeepingEnds(before);
  const std::vector<Text> b = SplitKeepingEnds(after);
  std::size_t prefix = 0;
  while (prefix < a.size() && prefix < b.size() && a[prefix] == b[prefix]) ++prefix;
  if (prefix == a.size() && prefix == b.size()) return {};
  std::size_t suffix = 0;
  while (suffix < a.size() - prefix && suffix < b.size() - prefix &&
         a[a.size() - 1 - suffix] == b[b.size() - 1 - suffix]) {
    ++suffix;
  }
  LineEdit edit;
  edit.start = {static_cast<long>(prefix), 0};
  const std::size_t end_line = a.size() - suffix;
  const bool last_unterminated = !a.empty() && a.back().back() != u'\n' && a.back().back() != u'\r';
  if (end_line == a.size() && last_unterminated) {
    // The replaced lines run to the end of a text without a final line end.
    edit.end = {static_cast<long>(a.size() - 1), static_cast<long>(a.back().size())};
  } else {
    edit.end = {static_cast<long>(end_line), 0};
  }
  for (std::size_t i = prefix; i < b.size() - suffix; ++i) edit.new_text += b[i];
  return {edit};
}

}  // namespace qlx::cli::lsp
