// Modules written as raw strings in the tests, and how lines are shown when a
// comparison fails.
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
inline std::string U8(const Text& t) { return ToUtf8(t); }

// Numbered rows with "|" where each line ends, so a failure shows where lines
// landed and their trailing spaces.
inline std::string Numbered(const std::vector<Text>& lines) {
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    out += std::to_string(i + 1) + "|" + U8(lines[i]) + "|\n";
  }
  return out;
}

// Every `from` in s replaced by `to`; placeholders in expected modules.
inline void ReplaceAll(std::u16string& s, const std::u16string& from, const std::u16string& to) {
  for (std::size_t at = s.find(from); at != std::u16string::npos;
       at = s.find(from, at + to.size())) {
    s.replace(at, from.size(), to);
  }
}

}  // namespace qlx::testing
