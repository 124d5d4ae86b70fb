// The declaration parser: from the lines of a procedure's declaration to its
// kind, return type and parameter table, and the I/O test of a parameter.
// The procedure record and the module procedure table both use it; where
// they differ, a DeclarationRules says how.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "analysis/param_inf.h"
#include "analysis/proc_rows.h"
#include "host/host.h"
#include "host/report.h"
#include "host/text.h"

namespace qlx {

class UiService;

// How a user of the parser differs from the other.
struct DeclarationRules {
  // Reports: title prefix before the operation's name ("ClsProcInf.") and form.
  const char16_t* title_prefix;
  ReportForm report_form;
  // Kind texts by type code: Sub, Function, Property Let, Set, Get.
  const char16_t* kind_texts[5];
  // Parameter texts keep their trailing spaces, which GetWordList then
  // turns into an extra empty word.
  bool keep_trailing_spaces;
  // Lists run from 0 to their count, as VB arrays dimensioned by count:
  // one empty element follows the last parameter text and the last word,
  // and InputParam's word count is the highest index.
  bool lists_end_with_empty;
  // The box for a parameter of more than seven words.
  const char16_t* too_many_words_text;
  const char16_t* too_many_words_title;
  // The I/O test: true for "the first word is the name, then ' ='" over the
  // procedure's span; false for "the first word is the name, a member or an
  // element, and an '=' anywhere" over the body.
  bool ref_needs_name_space_equals;
  // What the I/O test gives when reading the body fails.
  const char16_t* ref_when_failed;
};

// The procedure record's rules.
extern const DeclarationRules kRecordRules;
// The module procedure table's rules.
extern const DeclarationRules kTableRules;

// The I/O test of a parameter by its bare name: "I" or "I/O".
using RefTest = std::function<Text(const Text& name)>;

class DeclarationParser {
 public:
  DeclarationParser(UiService& ui, const DeclarationRules& rules);

  struct Kind {
    Text text;
    std::int32_t code = 0;  // 0 Sub, 1 Function, 2 Let, 3 Set, 4 Get
  };
  struct ParamList {
    std::vector<Text> items;  // 0..count-1, or {"Void"} for "()"; then "" by the rules
    Short count = 0;
  };

  // Joins the declaration from row `first` down over its " _" continuations,
  // each line trimmed and without its comment; `last` gets the final row.
  // Pieces are joined with one space, none after a piece ending in "," or
  // "." nor before one starting with them: "Function F(a As Long," and
  // "b As Long) As Long" give "Function F(a As Long,b As Long) As Long".
  // The declaration ends at a ":" statement separator outside string
  // literals: a one-line procedure's body is not part of it.
  // Failures of the editor go to the caller.
  Text JoinDeclaration(const LineReader& line_at, Row first, Row& last);
  // Host kinds 1/2/3 are Property Let/Set/Get; otherwise Function when
  // "Function " stands at the start or after a space (the search stops two
  // characters before the end), else Sub. An empty text after a failure.
  Kind TypeOfProc(TextView text, ProcKind kind);
  // A local declaration: the line, left-trimmed, has 5 characters or more
  // and begins with "Static ", "Const " or "Dim ".
  bool IsInnerDec(TextView line);
  // The text before the first apostrophe outside a string literal, trimmed;
  // the text unchanged when it has no comment.
  Text StripComment(TextView line);
  // The text after the last ") As " ("Long", "String()"), or "N/A".
  Text GetRetType(TextView declaration);
  // The parameter texts, split at commas outside string literals.
  ParamList GetParamList(TextView declaration);
  // The words of a parameter text, split at spaces; a double-quoted part is
  // kept whole in the last word (`= "a b"`). Consecutive spaces give empty words.
  std::vector<Text> GetWordList(TextView param);
  // Fills entry from the words of one parameter (nullptr: the index is out
  // of range, VB's error 9). More than seven words show the rules' box and
  // leave the entry as it was.
  void InputParam(const std::vector<Text>& words, ParamInf* entry, const RefTest& check_ref);
  // The I/O test over rows first..last, read in ascending order: the first
  // hit ends the reading with "I/O"; none gives "I".
  Text CheckRef(TextView name, Row first, Row last, const LineReader& trimmed_line);

 private:
  Text Title(const char16_t* operation) const;

  UiService& ui_;
  const DeclarationRules& rules_;
};

}  // namespace qlx
