#include "cli/lsp_text.h"

#include <algorithm>

#include "host/files/encoding.h"

namespace qlx::cli::lsp {

Position PlaceOf(Position position, long line_count, LineEnd last_end, const std::function<long(long)>& length) {
  const long line = std::max(0L, position.line);
  if (line < line_count) return {line, std::clamp(position.character, 0L, length(line))};
  if (line_count == 0 || last_end != LineEnd::kNone) return {line_count, 0};
  return {line_count - 1, length(line_count - 1)};
}

std::size_t OffsetOf(const Text& text, Position position) {
  std::vector<TextView> lines;
  LineEnd last_end = LineEnd::kNone;
  VisitLines(TextView(text), [&](TextView line, LineEnd end) {
    lines.push_back(line);
    last_end = end;
  });
  const long count = static_cast<long>(lines.size());
  const Position at =
      PlaceOf(position, count, last_end, [&](long line) { return static_cast<long>(lines[static_cast<std::size_t>(line)].size()); });
  if (at.line == count) return text.size();
  return static_cast<std::size_t>(lines[static_cast<std::size_t>(at.line)].data() - text.data() + at.character);
}

void ApplyChange(Text& text, Position start, Position end, const Text& replacement) {
  const std::size_t a = OffsetOf(text, start);
  const std::size_t b = std::max(a, OffsetOf(text, end));
  text.replace(a, b - a, replacement);
}

std::vector<Text> SplitKeepingEnds(const Text& text) {
  std::vector<Text> lines;
  VisitLines(TextView(text), [&](TextView line, LineEnd end) { lines.emplace_back(line.data(), line.size() + LineEndLength(end)); });
  return lines;
}

namespace {

// The edit replacing lines [a_from, a_to) of a by lines [b_from, b_to) of b.
LineEdit Hunk(const std::vector<Text>& a, std::size_t a_from, std::size_t a_to, const std::vector<Text>& b,
              std::size_t b_from, std::size_t b_to) {
  LineEdit edit;
  edit.start = {static_cast<long>(a_from), 0};
  const bool last_unterminated = !a.empty() && a.back().back() != u'\n' && a.back().back() != u'\r';
  if (a_to == a.size() && last_unterminated && a_to > a_from) {
    // The replaced lines run to the end of a text without a final line end.
    edit.end = {static_cast<long>(a.size() - 1), static_cast<long>(a.back().size())};
  } else {
    edit.end = {static_cast<long>(a_to), 0};
  }
  for (std::size_t i = b_from; i < b_to; ++i) edit.new_text += b[i];
  return edit;
}

}  // namespace

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
  const std::size_t a_end = a.size() - suffix;
  const std::size_t b_end = b.size() - suffix;

  // The commands insert, delete or replace blocks of lines, so between the
  // common ends the texts fall into runs of equal lines and blocks found by
  // looking a little ahead for the line on the other side. Lines of a
  // trailing text without a line end never pair up with others: the last
  // hunk takes them. Past a work budget one hunk covers the rest.
  constexpr std::size_t kLookAhead = 4096;
  std::size_t budget = 4'000'000;
  std::vector<LineEdit> edits;
  std::size_t i = prefix;
  std::size_t j = prefix;
  std::size_t hunk_a = i, hunk_b = j;
  bool open = false;
  auto close = [&] {
    if (open) edits.push_back(Hunk(a, hunk_a, i, b, hunk_b, j));
    open = false;
  };
  while (i < a_end && j < b_end) {
    if (a[i] == b[j]) {
      close();
      ++i;
      ++j;
      continue;
    }
    if (!open) {
      hunk_a = i;
      hunk_b = j;
      open = true;
    }
    std::size_t inserted = 0, deleted = 0;
    for (std::size_t k = 1; k < kLookAhead && budget > 0; ++k, --budget) {
      if (j + k < b_end && b[j + k] == a[i]) {
        inserted = k;
        break;
      }
      if (i + k < a_end && a[i + k] == b[j]) {
        deleted = k;
        break;
      }
      if (j + k >= b_end && i + k >= a_end) break;
    }
    if (budget == 0) break;
    if (inserted) {
      j += inserted;
    } else if (deleted) {
      i += deleted;
    } else {
      ++i;
      ++j;
    }
  }
  if (i < a_end || j < b_end) {
    if (!open) {
      hunk_a = i;
      hunk_b = j;
    }
    i = a_end;
    j = b_end;
    open = true;
  }
  close();
  return edits;
}

std::optional<long> MisreadCp932Line(const std::function<void(const LineVisitor&)>& each_line) {
  // A first pass finds the line; the bytes are decoded only when there is
  // one, a line at a time: a line end is no trail byte, so no character
  // runs across two lines.
  bool wide = false;
  std::optional<long> first;
  long line = 0;
  each_line([&](TextView content, TextView) {
    for (std::size_t i = 0; i < content.size(); ++i) {
      const char16_t c = content[i];
      if (c > 0xFF) {
        wide = true;
        return false;
      }
      // A lead byte of CP932's symbols, kana and first-level kanji, with a trail byte after it.
      if (!first && c >= 0x81 && c <= 0x9F && i + 1 < content.size() && content[i + 1] >= 0x40 &&
          content[i + 1] <= 0xFC && content[i + 1] != 0x7F) {
        first = line;
      }
    }
    ++line;
    return true;
  });
  if (wide || !first) return std::nullopt;
  Converter cp932(Encoding{Encoding::Kind::kCodePage, kDefaultCodePage});
  bool valid = true;
  std::string bytes;
  each_line([&](TextView content, TextView end) {
    bytes.clear();
    for (char16_t c : content) bytes += static_cast<char>(c);
    for (char16_t c : end) bytes += static_cast<char>(c);
    valid = cp932.Decode(bytes).has_value();
    return valid;
  });
  if (!valid) return std::nullopt;
  return first;
}

std::optional<long> MisreadCp932Line(const Text& text) {
  return MisreadCp932Line([&text](const LineVisitor& visit) {
    VisitLines(TextView(text), [&](TextView line, LineEnd end) { return visit(line, LineEndText<char16_t>(end)); });
  });
}

}  // namespace qlx::cli::lsp
