// Where a procedure lies, found by walking the module's rows. The editor's
// by-name calls answer with the first of two procedures of the same name and
// kind (a pair under #If ... #Else ... #End If), so a later one is found from
// the rows themselves, read as the editor reads them.
#pragma once

#include <functional>

#include "host/host.h"
#include "host/text.h"

namespace qlx {

// A line of the module by row; throws as the editor does.
using LineReader = std::function<Text(Row)>;

struct ProcSpan {
  Text name;
  Row start = 0;  // first row of its region (comments above the declaration included)
  Row body = 0;   // first row of its declaration
  Row count = 0;  // rows of its region
};

// The procedure whose region holds row: the editor's answer (ProcOfLine,
// then ProcStartLine, ProcCountLines and ProcBodyLine by name and kind), or,
// when the region the editor gives by name ends above row, the later
// procedure of that name whose region does. kind is set as ProcOfLine sets
// it; failures of the editor go to the caller.
ProcSpan LocateProc(CodeModule& module, Row row, ProcKind& kind);
// The same for a row whose procedure's name and kind ProcOfLine has given.
// A row known to begin its region (a scan from the top) spares the
// ProcStartLine call unless a procedure of the same name stands above.
ProcSpan LocateProc(CodeModule& module, Row row, const Text& name, ProcKind kind, bool row_starts_region = false);

// A declaration written once per build under conditional compilation,
// with one body after it:
//   #If VBA7 Then / Private Function F(ByVal h As LongPtr) As Long /
//   #Else / Private Function F(ByVal h As Long) As Long / #End If
struct DeclarationBlock {
  Row top = 0;     // the #If row, or the first row of the declaration
  Row bottom = 0;  // the #End If row, or the last row of the declaration
};

// The block around the declaration at rows body..def_end: the #If above it
// to the matching #End If when every branch between holds only declarations
// (and comments or blank lines), else just those rows.
DeclarationBlock FindDeclarationBlock(const LineReader& line_at, Row line_count, Row body, Row def_end);

// The first row a procedure's header may stand on: its region's first row,
// or, when its declaration block begins above that row (an #If the editor
// keeps in the declaration section), the first of the comment and blank
// lines directly above the block.
Row LeadingStartRow(const LineReader& line_at, Row proc_start, Row block_top);

// True when the line holds the End of a procedure: it begins with
// "End Sub", "End Function" or "End Property", or, after a label or a
// one-line procedure's declaration, a later statement is one.
bool EndsProcedure(TextView line);

// The declaration's text up to its first ":" statement separator outside
// string literals ("Property Get P() As Long: P = m: End Property" gives
// "Property Get P() As Long"); the text unchanged when it has none.
Text DeclarationStatement(TextView text);

}  // namespace qlx
