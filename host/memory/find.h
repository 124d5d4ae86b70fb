// The search behind the in-memory editor's Find: how the four positions are
// read and how one line is searched.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>

#include "host/text.h"

namespace qlx::memory {

struct FindOptions {
  bool whole_word = false;
  bool match_case = false;
  bool pattern_search = false;

  bool operator==(const FindOptions&) const = default;
};

// Simple case folding that keeps every character where it was (one code unit
// for one), so columns of the folded text are columns of the original.
Text FoldCase(TextView s);

inline constexpr std::int32_t kEndOfLine = std::numeric_limits<std::int32_t>::max();

// Where a Find looks: from (first_line, first_column) to (last_line,
// last_column), the last column inclusive or kEndOfLine.
struct SearchRange {
  Row first_line = 1;
  std::int32_t first_column = 1;
  Row last_line = 1;
  std::int32_t last_column = kEndOfLine;
};

// Reads Find's positions over a module of line_count lines; nullopt when the
// search can find nothing (empty module, start below the last line).
std::optional<SearchRange> ReadSearchRange(Row line_count, Row start_line,
                                           std::int32_t start_column, Row end_line,
                                           std::int32_t end_column);

// The characters a whole-word search treats as part of a word.
bool IsFindWordChar(char32_t c);

struct LineMatch {
  std::int32_t column = 0;  // 1-based start
  std::int32_t length = 0;
};

// One target with its options, ready to be looked for line by line.
class LineSearch {
 public:
  LineSearch(TextView target, FindOptions options);

  // The first match in line that starts at or after column `from` and ends
  // at or before column `to` (inclusive, 1-based; kEndOfLine for the end).
  std::optional<LineMatch> First(TextView line, std::int32_t from, std::int32_t to) const;

 private:
  bool StandsAsWord(TextView line, std::size_t start, std::size_t length) const;
  std::optional<LineMatch> FirstPlain(TextView line, std::size_t from, std::size_t limit) const;
  std::optional<LineMatch> FirstPattern(TextView line, std::size_t from, std::size_t limit) const;

  Text target_;  // folded unless the case must match
  Text anywhere_pattern_;  // "*" target "*", for pattern searches
  FindOptions options_;
};

}  // namespace qlx::memory
