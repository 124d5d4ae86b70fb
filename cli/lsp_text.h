// The editor's buffer as the language server keeps it: UTF-16 text changed
// by ranges of UTF-16 positions, and the smallest line edit between two texts.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "host/lines.h"
#include "host/text.h"

namespace qlx::cli::lsp {

struct Position {
  long line = 0;
  long character = 0;  // UTF-16 code units
  bool operator==(const Position&) const = default;
};

// Where a position falls in a text of line_count lines, the last of them
// ending with last_end; length gives a line's length without its end. A
// position past its line's end is the end of the line; past the last line,
// the end of the text: line line_count, the empty line after a final line
// end, or else the end of the last line.
Position PlaceOf(Position position, long line_count, LineEnd last_end, const std::function<long(long)>& length);

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

// The first line (0-based) of a text that reads as Shift-JIS (CP932) bytes
// decoded as Latin-1, as an editor shows a CP932 file it took for Latin-1;
// nullopt for any other text. Such a text holds no character above U+00FF,
// its characters taken as bytes are valid CP932, and a double-byte
// character among them starts with a byte 0x81-0x9F, which Latin-1 reads as
// a control character that no real Latin-1 text holds ("\x82\xa0" for あ).
std::optional<long> MisreadCp932Line(const Text& text);
// The same over a text given line by line: each_line calls its visitor with
// every line's content and end in order (it may stop when the visitor says
// false).
using LineVisitor = std::function<bool(TextView content, TextView end)>;
std::optional<long> MisreadCp932Line(const std::function<void(const LineVisitor&)>& each_line);

}  // namespace qlx::cli::lsp
