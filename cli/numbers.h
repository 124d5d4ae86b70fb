// Numbers given to qlx (--row, --line, a session's click row): decimal digits
// only, so that a zero-padded number from a script means what it says.
#pragma once

#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>

namespace qlx::cli {

// A number qlx does not take; the message quotes the text as it was given.
class NumberError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

// The value of text made of the digits 0-9 only (leading zeros allowed; no
// sign, spaces, prefix or exponent), at most max. what names the number in
// the message, e.g. "--row". Throws NumberError otherwise.
std::int64_t ParseDecimal(std::string_view text, std::string_view what,
                          std::int64_t max = std::numeric_limits<std::int32_t>::max());

}  // namespace qlx::cli
