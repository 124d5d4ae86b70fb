#include "analysis/proc_rows.h"

#include <vector>

#include "analysis/vba_literals.h"
#include "host/memory/statements.h"

namespace qlx {

namespace {

using memory::StatementKind;

// The logical line that starts at row r (its continued rows joined); last
// gets its final row.
memory::Statement StatementAt(const LineReader& line_at, Row line_count, Row r, Row& last) {
  std::vector<Text> lines{line_at(r)};
  last = r;
  while (memory::ContinuesOnNextLine(lines.back()) && last < line_count) lines.push_back(line_at(++last));
  std::vector<TextView> views(lines.begin(), lines.end());
  return memory::ReadStatement(memory::JoinContinuedLines(views.data(), views.size()));
}

// The directive's keyword: "if", "elseif", "else" or "end" (for #End If and
// #EndIf); empty for any other line.
Text DirectiveWord(TextView line) {
  std::size_t i = 0;
  while (i < line.size() && (line[i] == u' ' || line[i] == u'\t')) ++i;
  if (i >= line.size() || line[i] != u'#') return Text();
  ++i;
  while (i < line.size() && (line[i] == u' ' || line[i] == u'\t')) ++i;
  Text word;
  while (i < line.size() && ((line[i] >= u'a' && line[i] <= u'z') || (line[i] >= u'A' && line[i] <= u'Z'))) {
    word += AsciiLower(line[i++]);
  }
  if (word == u"endif") return u"end";
  return word;
}

}  // namespace

ProcSpan LocateProc(CodeModule& module, Row row, ProcKind& kind) {
  const Text name = module.ProcOfLine(row, kind);
  return LocateProc(module, row, name, kind);
}

ProcSpan LocateProc(CodeModule& module, Row row, const Text& name, ProcKind kind, bool row_starts_region) {
  ProcSpan span;
  span.name = name;
  if (row_starts_region) {
    span.count = module.ProcCountLines(span.name, kind);
    span.body = module.ProcBodyLine(span.name, kind);
    span.start = row;
    if (span.body >= row) return span;
  }
  span.start = module.ProcStartLine(span.name, kind);
  span.count = module.ProcCountLines(span.name, kind);
  span.body = module.ProcBodyLine(span.name, kind);
  if (row < span.start + span.count) return span;

  // A later procedure of the same name: each region after the first begins
  // right after the End line of the one before, and reaches to its own End
  // line, or to the module's end for the last procedure.
  const Row line_count = module.CountOfLines();
  const LineReader line_at = [&module](Row r) { return module.Lines(r, 1); };
  Row start = span.start + span.count;
  while (start <= line_count) {
    Row body = 0;
    Row end = 0;
    for (Row r = start, last = 0; r <= line_count; r = last + 1) {
      const memory::Statement statement = StatementAt(line_at, line_count, r, last);
      if (body == 0) {
        if (statement.kind != StatementKind::kProcStart) continue;
        body = r;
        if (!statement.ends_procedure) continue;
      } else if (statement.kind != StatementKind::kProcEnd &&
                 !(statement.kind == StatementKind::kProcStart && statement.ends_procedure)) {
        // A declaration met before the End belongs to the open procedure;
        // a one-line procedure's End closes it.
        continue;
      }
      end = last;
      break;
    }
    if (body == 0) break;
    Row region_last = end == 0 ? line_count : end;
    if (end != 0) {
      bool another = false;
      for (Row r = end + 1, last = 0; r <= line_count && !another; r = last + 1) {
        another = StatementAt(line_at, line_count, r, last).kind == StatementKind::kProcStart;
      }
      if (!another) region_last = line_count;
    }
    if (row <= region_last) return {span.name, start, body, region_last - start + 1};
    start = region_last + 1;
  }
  return span;
}

DeclarationBlock FindDeclarationBlock(const LineReader& line_at, Row line_count, Row body, Row def_end) {
  const DeclarationBlock plain{body, def_end};
  if (body <= 1 || DirectiveWord(line_at(body - 1)) != u"if") return plain;
  bool other_branch = false;
  for (Row r = def_end + 1, last = 0; r <= line_count; r = last + 1) {
    const Text word = DirectiveWord(line_at(r));
    last = r;
    if (word == u"else" || word == u"elseif") {
      other_branch = true;
      continue;
    }
    if (word == u"end") return other_branch ? DeclarationBlock{body - 1, r} : plain;
    if (!word.empty()) return plain;  // a nested #If
    const memory::Statement statement = StatementAt(line_at, line_count, r, last);
    if (statement.kind != StatementKind::kProcStart && statement.kind != StatementKind::kBlank &&
        statement.kind != StatementKind::kComment) {
      return plain;
    }
  }
  return plain;
}

Row LeadingStartRow(const LineReader& line_at, Row proc_start, Row block_top) {
  if (block_top >= proc_start) return proc_start;
  Row first = block_top;
  while (first > 1 && memory::IsTrivia(memory::ReadStatement(line_at(first - 1)).kind)) --first;
  return first;
}

bool EndsProcedure(TextView line) {
  const Text head = Left(LTrim(line), 7);
  if (head == u"End Fun" || head == u"End Sub" || head == u"End Pro") return true;
  const memory::Statement statement = memory::ReadStatement(line);
  return statement.kind == StatementKind::kProcEnd ||
         (statement.kind == StatementKind::kProcStart && statement.ends_procedure);
}

Text DeclarationStatement(TextView text) {
  const long long colon = InStrOutsideQuotes(text, u':');
  if (colon == 0) return Text(text);
  return RTrim(Left(text, colon - 1));
}

}  // namespace qlx
