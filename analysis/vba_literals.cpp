#include "analysis/vba_literals.h"

namespace qlx {

namespace {
constexpr char16_t kQuote = u'"';
}  // namespace

// Toggling on every quote also handles "": it closes the literal and at once
// reopens it.
long long InStrOutsideQuotes(TextView s, char16_t c) {
  bool in_literal = false;
  long long position = 0;
  for (char16_t ch : s) {
    ++position;
    if (ch == kQuote) {
      in_literal = !in_literal;
    } else if (ch == c && !in_literal) {
      return position;
    }
  }
  return 0;
}

std::vector<Text> SplitOutsideQuotes(TextView s, char16_t separator) {
  std::vector<Text> pieces(1);
  bool in_literal = false;
  for (char16_t ch : s) {
    if (ch == kQuote) in_literal = !in_literal;
    if (ch == separator && !in_literal) {
      pieces.emplace_back();
    } else {
      pieces.back().push_back(ch);
    }
  }
  return pieces;
}

}  // namespace qlx
