// How the in-memory editor reads its lines as statements: physical lines
// joined by " _" continuations, each logical line given one kind.
#pragma once

#include <cstddef>
#include <vector>

#include "host/host.h"
#include "host/text.h"

namespace qlx::memory {

enum class StatementKind {
  kBlank,      // only spaces and tabs
  kComment,    // ' or Rem
  kConstDir,   // #Const
  kDir,        // #If, #ElseIf, #Else, #End If
  kProcStart,  // [Public|Private|Friend] [Static] Sub|Function|Property Get|Let|Set Name
  kProcEnd,    // End Sub|Function|Property, perhaps after a label
  kOther,
};

struct Statement {
  StatementKind kind = StatementKind::kOther;
  Text name;                  // the procedure's name, for kProcStart
  ProcKind proc_kind = 0;     // for kProcStart
  bool ends_procedure = false;  // kProcStart whose line also holds its End ("Sub A(): End Sub")
};

// The lines a text inserted into a module becomes: split at CR LF, CR or LF;
// a trailing line break leaves an empty last piece ("a" CR LF gives "a" and "").
std::vector<Text> SplitLines(TextView text);

// True when the physical line goes on onto the next one: it ends with a
// space or tab followed by "_" (comment lines too).
bool ContinuesOnNextLine(TextView line);

// The logical line made of physical lines that continue onto each other: each
// continued line loses its final "_".
Text JoinContinuedLines(const TextView* lines, std::size_t count);

// Classifies one logical line.
Statement ReadStatement(TextView logical_line);

// Blank, comment and #Const lines; a procedure owns those directly above it.
// #If blocks are not trivia: an #End If closing a block of Declare
// statements stays in the declarations section (not confirmed on a real
// editor; chosen so conditional declarations never move into a procedure).
bool IsTrivia(StatementKind kind);

// Letters of any script, digits and "_": the characters of a VBA identifier.
bool IsIdentifierChar(char32_t c);

}  // namespace qlx::memory
