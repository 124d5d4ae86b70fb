// Splitting a text into lines at CR LF, LF or a lone CR, over bytes or
// UTF-16 alike: the module reader, the editor and the language server all
// cut lines the same way, so they all cut them here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <type_traits>

namespace qlx {

enum class LineEnd : std::uint8_t { kNone, kCrLf, kLf, kCr };

constexpr std::size_t LineEndLength(LineEnd end) {
  return end == LineEnd::kCrLf ? 2 : end == LineEnd::kNone ? 0 : 1;
}

template <typename Char>
inline constexpr Char kLineEndChars[] = {Char('\r'), Char('\n')};

template <typename Char>
constexpr std::basic_string_view<Char> LineEndText(LineEnd end) {
  switch (end) {
    case LineEnd::kCrLf: return {kLineEndChars<Char>, 2};
    case LineEnd::kLf: return {kLineEndChars<Char> + 1, 1};
    case LineEnd::kCr: return {kLineEndChars<Char>, 1};
    case LineEnd::kNone: break;
  }
  return {};
}

// The end of the line that starts at from: its content is [from, at) and
// the next line starts at Next(). A line without an end (the last) ends at
// the text's end.
struct LineBreak {
  std::size_t at = 0;
  LineEnd end = LineEnd::kNone;
  constexpr std::size_t Next() const { return at + LineEndLength(end); }
};

template <typename Char>
constexpr LineBreak NextLineBreak(std::basic_string_view<Char> text, std::size_t from) {
  std::size_t i = from;
  while (i < text.size() && text[i] != Char('\n') && text[i] != Char('\r')) ++i;
  if (i >= text.size()) return {text.size(), LineEnd::kNone};
  if (text[i] == Char('\n')) return {i, LineEnd::kLf};
  return {i, i + 1 < text.size() && text[i + 1] == Char('\n') ? LineEnd::kCrLf : LineEnd::kCr};
}

// Calls visit(content, end) for each line in order, content a view into
// text. A text that ends with a line end has no empty line after it; an
// empty text has no line. A visitor that returns bool stops on false.
template <typename Char, typename Visit>
void VisitLines(std::basic_string_view<Char> text, Visit&& visit) {
  for (std::size_t from = 0; from < text.size();) {
    const LineBreak line = NextLineBreak(text, from);
    const std::basic_string_view<Char> content = text.substr(from, line.at - from);
    if constexpr (std::is_same_v<std::invoke_result_t<Visit&, std::basic_string_view<Char>, LineEnd>, bool>) {
      if (!visit(content, line.end)) return;
    } else {
      visit(content, line.end);
    }
    from = line.Next();
  }
}

}  // namespace qlx
