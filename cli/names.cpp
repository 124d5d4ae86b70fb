#include "cli/names.h"

#include <cstdio>

#include "host/text.h"

namespace qlx::cli {

std::string Shown(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  char escape[8];
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0u;
    if (c < 0x20 || c == 0x7F) {
      std::snprintf(escape, sizeof escape, "\\x%02x", c);
      out += escape;
    } else if (c == 0xC2 && next >= 0x80 && next <= 0x9F) {
      std::snprintf(escape, sizeof escape, "\\u%04x", next);
      out += escape;
      ++i;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

void Say(std::string_view message) {
  const std::string line = "qlx: " + Shown(message) + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

void PutName(nlohmann::ordered_json& object, const std::string& key, std::string_view name) {
  if (IsValidUtf8(name)) {
    object[key] = std::string(name);
    return;
  }
  // The library's own replacement, one U+FFFD for each byte that is not UTF-8.
  const std::string replaced = nlohmann::json(std::string(name)).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  object[key] = nlohmann::json::parse(replaced).get<std::string>();
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (const char c : name) {
    hex += kDigits[static_cast<unsigned char>(c) >> 4];
    hex += kDigits[static_cast<unsigned char>(c) & 0xF];
  }
  object[key + "_hex"] = std::move(hex);
}

}  // namespace qlx::cli
