// Small helpers shared by the tests: modules written as raw strings.
#pragma once

#include <string>
#include <vector>

#include "host/text.h"

namespace qlx::testing {

// Splits a raw-string module into lines at "\n". A leading newline (right
// after R"( ) is dropped, and so is the one final newline, so
//   Lines(R"(
// Sub A()
// End Sub
// )") is {"Sub A()", "End Sub"}.
inline std::vector<Text> Lines(const std::u16string& text) {
  std::u16string s = text;
  if (!s.empty() && s.front() == u'\n') s.erase(0, 1);
  if (!s.empty() && s.back() == u'\n') s.pop_back();
  std::vector<Text> lines;
  if (s.empty()) return lines;
  std::size_t start = 0;
  for (;;) {
    std::size_t nl = s.find(u'\n', start);
    if (nl == std::u16string::npos) {
      lines.push_back(s.substr(start));
      break;
    }
    lines.push_back(s.substr(start, nl - start));
    start = nl + 1;
  }
  return lines;
}

// UTF-8 for readable failure messages.
inline std::string U8(const Text& t) {
  std::string out;
  for (std::size_t i = 0; i < t.size(); ++i) {
    char32_t c = t[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < t.size()) {
      c = 0x10000 + ((c - 0xD800) << 10) + (t[++i] - 0xDC00);
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

}  // namespace qlx::testing
