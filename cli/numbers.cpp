#include "cli/numbers.h"

namespace qlx::cli {

std::int64_t ParseDecimal(std::string_view text, std::string_view what, std::int64_t max) {
  std::string quoted = "\"";
  quoted += text;
  quoted += '"';
  if (text.empty()) throw NumberError(std::string(what) + " needs a decimal number, got \"\"");
  std::int64_t value = 0;
  bool too_large = false;
  for (char c : text) {
    if (c < '0' || c > '9') {
      throw NumberError(std::string(what) + " takes decimal digits only (0-9), got " + quoted);
    }
    // Keep reading after an overflow so that a bad character still says so.
    if (!too_large) {
      const int digit = c - '0';
      if (value > (max - digit) / 10) {
        too_large = true;
      } else {
        value = value * 10 + digit;
      }
    }
  }
  if (too_large) {
    throw NumberError(std::string(what) + " " + quoted + " is too large (at most " + std::to_string(max) + ")");
  }
  return value;
}

}  // namespace qlx::cli
