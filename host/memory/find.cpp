// Find for the in-memory editor: positions, case folding, whole words and
// Like patterns within one line.
#include "host/memory/find.h"

#include <algorithm>

#include "host/chars.h"

namespace qlx::memory {

Text FoldCase(TextView s) {
  Text folded(s);
  for (char16_t& c : folded) {
    if (IsSurrogate(c)) continue;
    const char32_t f = FoldChar(c);
    if (f <= 0xFFFF) c = static_cast<char16_t>(f);
  }
  return folded;
}

std::optional<SearchRange> ReadSearchRange(Row line_count, Row start_line,
                                           std::int32_t start_column, Row end_line,
                                           std::int32_t end_column) {
  if (line_count <= 0) return std::nullopt;
  SearchRange range;
  // A start of 0 means the top of the module.
  if (start_line <= 0) {
    start_line = 1;
    start_column = 1;
  }
  if (start_line > line_count) return std::nullopt;
  range.first_line = start_line;
  range.first_column = std::max<std::int32_t>(start_column, 1);
  // An end line of 0 or -1 means the last line; an end column of 0 or -1 the
  // end of the end line.
  bool to_end_of_line = end_column <= 0;
  if (end_line <= 0 || end_line > line_count) {
    to_end_of_line = to_end_of_line || end_line > line_count;
    end_line = line_count;
  }
  // Not confirmed on a real editor: an end that is not after the start, such
  // as (1,1,1,1), means the end of the module, so that a search started over
  // from the top covers everything.
  if (end_line < start_line ||
      (end_line == start_line && !to_end_of_line && end_column <= range.first_column)) {
    end_line = line_count;
    to_end_of_line = true;
  }
  range.last_line = end_line;
  range.last_column = to_end_of_line ? kEndOfLine : end_column;
  return range;
}

// Not confirmed on a real editor: letters of any script, digits and "_" make
// up words; everything else separates them.
bool IsFindWordChar(char32_t c) {
  return c == U'_' || IsLetterChar(c) || IsDigitChar(c);
}

LineSearch::LineSearch(TextView target, FindOptions options)
    : target_(options.match_case ? Text(target) : FoldCase(target)), options_(options) {
  if (options_.pattern_search) anywhere_pattern_ = u"*" + target_ + u"*";
}

bool LineSearch::StandsAsWord(TextView line, std::size_t start, std::size_t length) const {
  if (!options_.whole_word) return true;
  return !IsFindWordChar(CodePointBefore(line, start).value) &&
         !IsFindWordChar(CodePointAt(line, start + length).value);
}

std::optional<LineMatch> LineSearch::First(TextView line, std::int32_t from,
                                           std::int32_t to) const {
  if (target_.empty() || from < 1 || to < from) return std::nullopt;
  auto first = static_cast<std::size_t>(from - 1);
  std::size_t limit = std::min(static_cast<std::size_t>(to), line.size());  // exclusive end
  if (first >= limit) return std::nullopt;
  return options_.pattern_search ? FirstPattern(line, first, limit) : FirstPlain(line, first, limit);
}

std::optional<LineMatch> LineSearch::FirstPlain(TextView line, std::size_t from,
                                                std::size_t limit) const {
  Text folded;
  TextView hay = line;
  if (!options_.match_case) {
    folded = FoldCase(line.substr(0, limit));
    hay = folded;
  }
  for (std::size_t pos = from;;) {
    std::size_t hit = hay.find(target_, pos);
    if (hit == TextView::npos || hit + target_.size() > limit) return std::nullopt;
    if (StandsAsWord(line, hit, target_.size())) {
      return LineMatch{static_cast<std::int32_t>(hit + 1), static_cast<std::int32_t>(target_.size())};
    }
    pos = hit + 1;
  }
}

// Not confirmed on a real editor: among the matches of the pattern, the one
// that starts first wins, and of those the longest.
std::optional<LineMatch> LineSearch::FirstPattern(TextView line, std::size_t from,
                                                  std::size_t limit) const {
  Text segment = FoldCase(line.substr(from, limit - from));
  if (!Like(segment, anywhere_pattern_)) return std::nullopt;
  for (std::size_t start = 0; start < segment.size(); ++start) {
    for (std::size_t end = segment.size(); end > start; --end) {
      TextView piece = TextView(segment).substr(start, end - start);
      if (Like(piece, target_) && StandsAsWord(line, from + start, end - start)) {
        return LineMatch{static_cast<std::int32_t>(from + start + 1),
                         static_cast<std::int32_t>(end - start)};
      }
    }
  }
  return std::nullopt;
}

}  // namespace qlx::memory
