// The parser of --row, --line and a session's click row: decimal digits only
// (leading zeros allowed) up to the limit, else NumberError quoting the text
// as given.
#include <cstdint>
#include <limits>
#include <string>

#include "cli/numbers.h"
#include "fuzz_support.h"

namespace {

// The value of a digit string, or nullopt when it is not one or exceeds max.
std::optional<std::int64_t> Expected(const std::string& text, std::int64_t max) {
  if (text.empty()) return std::nullopt;
  if (text.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
  unsigned __int128 value = 0;
  for (char c : text) {
    value = value * 10 + static_cast<unsigned>(c - '0');
    if (value > static_cast<unsigned __int128>(max)) return std::nullopt;
  }
  return static_cast<std::int64_t>(value);
}

void CheckOne(const std::string& text, std::int64_t max) {
  const std::optional<std::int64_t> expected = Expected(text, max);
  try {
    const std::int64_t value = qlx::cli::ParseDecimal(text, "--row", max);
    qlx::fuzz::Check(expected.has_value(), "\"" + text + "\" read as " + std::to_string(value));
    qlx::fuzz::Check(value == *expected, "\"" + text + "\" read as " + std::to_string(value));
  } catch (const qlx::cli::NumberError& e) {
    qlx::fuzz::Check(!expected.has_value(), "\"" + text + "\" refused: " + e.what());
    // what() ends at a NUL, which no command-line argument holds.
    const std::string message = e.what();
    if (text.find('\0') == std::string::npos) {
      qlx::fuzz::Check(message.find("\"" + text + "\"") != std::string::npos,
                       "the refusal of \"" + text + "\" does not quote it: " + message);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  CheckOne(text, std::numeric_limits<std::int32_t>::max());
  CheckOne(text, std::numeric_limits<std::int64_t>::max());
  return 0;
}
