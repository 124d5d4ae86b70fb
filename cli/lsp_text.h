// The editor's buffer as the language server keeps it: UTF-16 text changed
// by ranges of UTF-16 positions, and the smallest line edit between two texts.
#pragma once

#include <string>
#include <vector>

#include "host/text.h"

namespace qlx::cli::lsp {

struct Position {
  long line = 0;
  long character = 0;  // UTF-16 code units
  bool operator==(const Position&) const = default;
};

// The offset of a position in text; lines end at CR LF, LF or CR. A position
// past its line's end is the end of the line; past the last line, the end
// of the text.
std::size_t OffsetOf(const Text& text, Position position);

// Replaces the text between two positions.
void ApplyChange(Text& text, Position start, Position end, const Text& replacement);

// The text's lines, each with its line end.
std::vector<Text> SplitKeepingEnds(const Text& text);

// Replacements of whole lines turning before into after, in order, not
// overlapping, each range a range of before (as one LSP text edit list);
// lines that stay the same are left out; none when the texts are equal.
struct LineEdit {
  Position start;
  Position end;
  Text new_text;
};
std::vector<LineEdit> DiffLines(const Text& before, const Text& after);

}  // namespace qlx::cli::lsp
