#include "cli/lsp_text.h"

#include <algorithm>

#include "host/files/encoding.h"

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

long LineLengths::Of(long line) {
  const auto end_of = [this](std::size_t from) {
    while (from < text_.size() && text_[from] != u'\n' && text_[from] != u'\r') ++from;
    return from;
  };
  if (line < line_) {
    line_ = 0;
    at_ = 0;
  }
  while (line_ < line && at_ < text_.size()) {
    std::size_t end = end_of(at_);
    if (end < text_.size() && text_[end] == u'\r' && end + 1 < text_.size() && text_[end + 1] == u'\n') ++end;
    at_ = std::min(end + 1, text_.size());
    ++line_;
  }
  if (line_ != line) return 0;
  return static_cast<long>(end_of(at_) - at_);
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

std::optional<long> MisreadCp932Line(const Text& text) {
  std::string bytes;
  bytes.reserve(text.size());
  std::optional<long> first;
  long line = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c > 0xFF) return std::nullopt;
    if (c == u'\n' || (c == u'\r' && (i + 1 == text.size() || text[i + 1] != u'\n'))) ++line;
    // A lead byte of CP932's symbols, kana and first-level kanji, with a trail byte after it.
    if (!first && c >= 0x81 && c <= 0x9F && i + 1 < text.size() && text[i + 1] >= 0x40 && text[i + 1] <= 0xFC &&
        text[i + 1] != 0x7F) {
      first = line;
    }
    bytes += static_cast<char>(c);
  }
  if (!first) return std::nullopt;
  Converter cp932(Encoding{Encoding::Kind::kCodePage, kDefaultCodePage});
  if (!cp932.Decode(bytes)) return std::nullopt;
  return first;
}

}  // namespace qlx::cli::lsp
