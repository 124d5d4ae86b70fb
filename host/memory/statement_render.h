// How the in-memory editor stores a statement line it is given: the VBA
// editor keeps code as tokens and shows every statement re-rendered from
// them, so a line inserted as "ON ERROR GOTO PROC_ERR" reads back as
// "On Error GoTo PROC_ERR".
#pragma once

#include "host/text.h"

namespace qlx::memory {

// Where a physical line stands within its logical line.
enum class LinePlace {
  kStart,               // the first physical line of a logical line
  kContinuedStatement,  // the line above ends in " _" within code
  kContinuedComment,    // the line above ends in " _" within a comment
};

struct RenderedLine {
  Text text;
  LinePlace next = LinePlace::kStart;  // where the line below stands
};

// The line as the editor stores it. Blank lines, comment lines and the lines
// that continue a comment come back unchanged; in a statement line the
// leading indentation, string literals and a trailing comment are kept as
// they are, everything else is rendered from its tokens.
RenderedLine RenderStatementLine(TextView line, LinePlace place);

// Where the line below `line` stands, when `line` stands at `place`.
LinePlace PlaceAfter(TextView line, LinePlace place);

}  // namespace qlx::memory
