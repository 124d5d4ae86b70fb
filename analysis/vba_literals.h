// Double-quoted string literals in VBA source text: finding and splitting at
// characters that stand outside them, so a default value such as "it's, ok"
// is never mistaken for a comment start or a parameter separator.
#pragma once

#include <vector>

#include "host/text.h"

namespace qlx {

// 1-based position of the first `c` outside a double-quoted literal, 0 when
// none. A "" inside a literal is an escaped quote and keeps the literal open.
// For the apostrophe, x = "it's" ' note gives 12 and x = "a""'b" gives 0.
long long InStrOutsideQuotes(TextView s, char16_t c);

// Splits s at every `separator` outside double-quoted literals; n separators
// give n + 1 pieces, untrimmed ("" gives one empty piece).
std::vector<Text> SplitOutsideQuotes(TextView s, char16_t separator);

}  // namespace qlx
