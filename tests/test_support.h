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
inline std::string U8(const Text& t) { return ToUtf8(t); }

}  // namespace qlx::testing
