#include "debugexp/mod_add_debug_vbe.h"

#include <utility>

#include "host/memory/line_cache.h"
#include "host/report.h"
#include "host/ui.h"
#include "host/vberror.h"

namespace qlx {
namespace {

constexpr char16_t kMarker[] = u"'deb ";
constexpr char16_t kUsage[] = u"Usage ['deb Variable] Or ['deb Variable for]";

// What a marker line asks for: one of the two expansions, or the refusal
// shown for it.
enum class Marker {
  kPrint,
  kLoop,
  kBadVariable,  // too short to hold a variable
  kTextBefore,   // not at the start of its statement
  kTextAfter,    // more than the variable and "for"
  kNoVariable,   // "for" only
  kNotFor,       // a second word that is not "for"
};

// The marker rules, first match wins; T is the line trimmed of spaces and
// all comparisons are case-sensitive, so "'DEB x" is found but refused.
Marker ReadMarker(TextView t, std::int32_t words) {
  if (t.size() < 6) return Marker::kBadVariable;
  if (Left(t, 5) != kMarker) return Marker::kTextBefore;
  if (words > 3) return Marker::kTextAfter;
  const bool loop = Right(t, 4) == u" for";
  if (loop && words == 2) return Marker::kNoVariable;
  if (loop) return Marker::kLoop;
  if (words != 2) return Marker::kNotFor;
  return Marker::kPrint;
}

// True when the line goes on onto the next one (a space or tab and "_" at
// its end); comment lines continue the same way.
bool ContinuesOnNextLine(TextView line) {
  const Text tail = Right(RTrim(line), 2);
  return tail == u" _" || tail == u"\t_";
}

Text MarkerMessage(Marker marker, Row row) {
  Text at = u" ";
  at += Str(row);
  at += u"行";
  at += kCrLf;
  const Text mid_statement = Text(u"文の途中には挿入できません") + kCrLf;
  switch (marker) {
    case Marker::kBadVariable:
      return u"変数が不正です" + at + kUsage;
    case Marker::kTextBefore:
      return u"['deb ]の前方に文字列があります" + at + mid_statement + kUsage;
    case Marker::kTextAfter:
      return u"['deb ]文の後方に文字列があります" + at + mid_statement + kUsage;
    case Marker::kNoVariable:
      return u"['deb ]文に変数がありません" + at + kUsage;
    case Marker::kNotFor:
      return u"['deb ]文の後方に[for]ではない文字列があります" + at + kUsage;
    case Marker::kPrint:
    case Marker::kLoop:
      break;
  }
  return Text();
}

// The procedure holding a refused marker, for the box about it; none in the
// declaration section or when the editor cannot say, which must not keep the
// box from being shown.
Text MarkerProcedure(CodeModule& module, Row row) {
  try {
    ProcKind kind = kProcKindProc;
    return module.ProcOfLine(row, kind);
  } catch (...) {
    return Text();
  }
}

Text Spaces(std::int32_t count) {
  return count > 0 ? Text(static_cast<std::size_t>(count), u' ') : Text();
}

// "Debug.Print  "total = " ;total"
Text PrintLine(const Text& v) {
  return u"Debug.Print  \"" + v + u" = " + u"\" " + u";" + v;
}

// "Debug.Print  "arr" & "("  & deb   & ") = " ;arr(deb)"
Text LoopPrintLine(const Text& v) {
  return u"Debug.Print  \"" + v + u"\" & \"" + u"(" + u"\"" + u"  & deb   & \") = " + u"\" " +
         u";" + v + u"(deb)";
}

// "For deb = LBound(arr) To UBound(arr) ", with its final space.
Text ForLine(const Text& v) {
  return u"For deb = " + (u"LBound(" + v) + u") To " + (u"UBound(" + v) + u") ";
}

}  // namespace

ModAddDebugVBE::ModAddDebugVBE(UiService& ui, Desktop& desktop) : ui_(ui), desktop_(desktop) {}

void ModAddDebugVBE::SetVBInstance(std::shared_ptr<VBE> vbe) { vbe_ = std::move(vbe); }

void ModAddDebugVBE::ReplaceDeb() {
  // Declared outside the try block so that a refusal is shown while drawing
  // is still stopped, and the module goes before drawing restarts (also when
  // it never stopped).
  DrawingLock drawing(desktop_);
  std::shared_ptr<CodeModule> module;
  try {
    module = ActiveCodeModule(vbe_.get());
    drawing.Lock(GetVbaHwnd(vbe_.get(), desktop_, ui_));

    // (0,0,0,0) and, after each expansion, (1,1,1,1) both make the editor
    // search the whole module from its first line, so every search finds the
    // topmost marker left.
    Row start_line = 0;
    std::int32_t start_column = 0;
    Row end_line = 0;
    std::int32_t end_column = 0;
    while (module->Find(kMarker, start_line, start_column, end_line, end_column, false, false,
                        false)) {
      const Row row = start_line;
      const std::int32_t column = start_column;
      const Text t = Trim(module->Lines(row, 1));
      Marker marker = ReadMarker(t, CountWords(t));
      if (marker == Marker::kPrint || marker == Marker::kLoop) {
        // A marker on a continued line belongs to the statement or comment it
        // continues, or takes the next line into itself ("'deb _"): replacing
        // it would move that line in or out of a comment, or part a For from
        // its Next.
        if (row > 1 && ContinuesOnNextLine(module->Lines(row - 1, 1))) {
          marker = Marker::kTextBefore;
        } else if (ContinuesOnNextLine(t)) {
          marker = Marker::kTextAfter;
        }
      }

      const Text indent = Spaces(column - 1);
      switch (marker) {
        case Marker::kPrint:
          module->InsertLines(row + 1, indent + PrintLine(Trim(Mid(t, 5))));
          break;
        case Marker::kLoop: {
          const Text v = Trim(Mid(t, 5, static_cast<long long>(t.size()) - 8));
          // Each goes in at the same row, so they end up in reverse order.
          EditBlock block(*module);
          module->InsertLines(row + 1, indent + u"Next deb");
          module->InsertLines(row + 1, Spaces(column + 3) + LoopPrintLine(v));
          module->InsertLines(row + 1, indent + ForLine(v));
          block.Send();
          break;
        }
        default:
          ui_.SetPlace({MarkerProcedure(*module, row), row});
          ui_.MsgBox(MarkerMessage(marker, row), Buttons::kOk, u"QLX");
          return;
      }
      module->DeleteLines(row, 1);
      start_line = 1;
      start_column = 1;
      end_line = 1;
      end_column = 1;
    }
  } catch (...) {
    // A failing editor call ends the command without a word; what was
    // already changed stays.
  }
}

std::int32_t ModAddDebugVBE::CountWords(TextView text) {
  std::int32_t count = 0;
  const bool counted = Guarded(ui_, ReportForm::kError, u"CountWords", [&] {
    bool after_space = true;
    for (char16_t c : text) {
      if (c == u' ') {
        after_space = true;
      } else if (after_space) {
        after_space = false;
        ++count;
      }
    }
  });
  return counted ? count : 0;
}

}  // namespace qlx
