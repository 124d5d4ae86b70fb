// The three promises every writer keeps on a module file, checked on its
// bytes: (a) no line is lost but those of a header or module header it
// replaced (and the 'deb markers deb expands); (b) a second run changes
// nothing (header and errtrap ask again and, answered No, change nothing);
// (c) after headers, check finds no missing or stale header. A file whose
// code page cannot hold what a writer would write counts as refused: it is
// left as it was and only (a) is asked of it.
#pragma once

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "check/module_check.h"
#include "header/module_header.h"
#include "header/procedure_header.h"
#include "host/files/module_file.h"
#include "host/ui.h"
#include "operations/operations.h"
#include "support/editor.h"

namespace qlx::testing {

inline const std::vector<std::string> kWriters = {"headers", "all-headers", "module-header", "deb", "header", "errtrap"};

// One writer's run on a module file's bytes.
struct WriterResult {
  std::string bytes;         // what would be written (the input when refused)
  std::vector<Text> before;  // the rows before
  std::vector<Text> after;   // the rows after
  bool refused = false;      // the code page cannot hold what it wrote
};

// Procedures of the module as the table lists them, every one of them.
inline std::vector<ProcData> ListProcs(const std::shared_ptr<MemoryVBE>& vbe) {
  RecordingUi quiet;
  MemoryDesktop desktop(vbe.get());
  Operations ops(quiet, desktop);
  ops.SetVBInstance(vbe);
  Short count = 0;
  return ops.AllProcedures(count);
}

// Runs writer ("headers", ...) on bytes. `again` is the second run: header
// and errtrap then answer No to every question.
inline WriterResult RunWriterOnBytes(const std::string& writer, const std::string& bytes, const std::string& encoding,
                                     bool again = false) {
  LoadOptions options;
  options.encoding = encoding;
  ModuleFile file = ModuleFile::FromBytes(bytes, "Module.bas", options);
  MemoryEditor editor = EditorWith(file.Module());
  RecordingUi ui;
  WriterResult result;
  result.before = file.Module()->AllLines();
  Operations ops(ui, editor.desktop);
  ops.SetVBInstance(editor.vbe);
  OperationSettings settings;
  settings.author_name = u"山田 太郎";
  settings.date_format = u"yyyy/mm/dd";
  settings.ignore_mode = again ? 0 : 1;
  settings.un_undo_mode = 1;
  ops.Apply(settings);
  const OperationInfo* named = OperationNamed(writer);
  const OperationId id = named != nullptr ? named->id : OperationId::kErrTrap;
  if (InfoOf(id).scope == OperationScope::kModule) {
    ops.Run(id);
  } else {
    // From the last procedure up, so that the rows above stay where they are.
    std::vector<ProcData> procs = ListProcs(editor.vbe);
    for (auto it = procs.rbegin(); it != procs.rend(); ++it) ops.Run(id, it->BodyStartRow);
  }
  result.after = file.Module()->AllLines();
  result.refused = !file.Warnings().empty();
  result.bytes = result.refused ? bytes : file.Render();
  return result;
}

inline bool StartsWithNoCase(TextView text, TextView prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (AsciiLower(text[i]) != AsciiLower(prefix[i])) return false;
  }
  return true;
}

// Rows (1-based) a writer may replace: the lines of each procedure's header,
// from the separator nearest above its author line down to that line, and
// the module header's block; for deb its markers.
inline std::vector<bool> Replaceable(const std::string& writer, const std::vector<Text>& rows,
                                     const std::vector<ProcData>& procs) {
  std::vector<bool> marked(rows.size() + 1, false);
  auto trimmed = [&rows](Row r) { return Trim(rows[static_cast<std::size_t>(r - 1)]); };
  if (writer == "deb") {
    for (Row r = 1; r <= static_cast<Row>(rows.size()); ++r) {
      if (StartsWithNoCase(trimmed(r), u"'deb")) marked[static_cast<std::size_t>(r)] = true;
    }
    return marked;
  }
  Row floor = 1;
  for (const ProcData& p : procs) {
    Row author = 0;
    for (Row r = p.BodyStartRow - 1; r >= floor && author == 0; --r) {
      if (StartsWith(trimmed(r), kAuthorLabel)) author = r;
    }
    Row separator = 0;
    for (Row r = author - 1; author != 0 && r >= floor && separator == 0; --r) {
      if (Like(trimmed(r), kSeparatorPattern)) separator = r;
    }
    if (separator != 0) {
      marked[static_cast<std::size_t>(separator)] = true;
      for (Row r = separator + 1; r <= author; ++r) {
        if (IsHeaderFieldLine(trimmed(r))) marked[static_cast<std::size_t>(r)] = true;
      }
    }
    floor = p.ProcStartRow + p.TotalRowsCount;
  }
  // The module header: its banner and the labelled rows below it.
  const Row first_body = procs.empty() ? static_cast<Row>(rows.size()) : procs.front().BodyStartRow;
  for (Row r = 1; r <= first_body && r <= static_cast<Row>(rows.size()); ++r) {
    if (!Like(trimmed(r), kModuleBannerPattern)) continue;
    marked[static_cast<std::size_t>(r)] = true;
    for (Row k = r + 1; k <= static_cast<Row>(rows.size()) && StartsWith(rows[static_cast<std::size_t>(k - 1)], u"'|");
         ++k) {
      marked[static_cast<std::size_t>(k)] = true;
    }
    break;
  }
  return marked;
}

// What broke, or nothing: the three promises for one writer on one file.
inline std::vector<std::string> CheckInvariants(const std::string& writer, const std::string& bytes,
                                                const std::string& encoding) {
  std::vector<std::string> broken;
  const WriterResult once = RunWriterOnBytes(writer, bytes, encoding);
  {
    LoadOptions options;
    options.encoding = encoding;
    ModuleFile file = ModuleFile::FromBytes(bytes, "Module.bas", options);
    const MemoryEditor editor = EditorWith(file.Module());
    const std::vector<bool> marked = Replaceable(writer, once.before, ListProcs(editor.vbe));
    std::size_t at = 0;
    for (std::size_t i = 0; i < once.before.size(); ++i) {
      if (marked[i + 1]) continue;
      while (at < once.after.size() && once.after[at] != once.before[i]) ++at;
      if (at == once.after.size()) {
        broken.push_back(writer + ": (a) row " + std::to_string(i + 1) + " \"" + ToUtf8(once.before[i]) +
                         "\" was lost or changed");
        break;
      }
      ++at;
    }
  }
  if (once.refused) return broken;
  const WriterResult twice = RunWriterOnBytes(writer, once.bytes, encoding, true);
  if (twice.bytes != once.bytes) {
    std::size_t k = 0;
    while (k < once.after.size() && k < twice.after.size() && once.after[k] == twice.after[k]) ++k;
    broken.push_back(writer + ": (b) a second run changed row " + std::to_string(k + 1) + ": \"" +
                     (k < twice.after.size() ? ToUtf8(twice.after[k]) : std::string("(end)")) + "\"");
  }
  if (writer == "headers") {
    LoadOptions options;
    options.encoding = encoding;
    ModuleFile file = ModuleFile::FromBytes(once.bytes, "Module.bas", options);
    check::CheckOptions check_options;
    check_options.author = u"山田 太郎";
    check_options.rules.Apply("missing-header,stale-header", "");
    for (const check::Finding& f : check::CheckModule(*file.Module(), check_options)) {
      broken.push_back(writer + ": (c) check finds " + std::string(check::RuleId(f.rule)) + " at row " +
                       std::to_string(f.row) + ": " + ToUtf8(f.message));
    }
  }
  return broken;
}

}  // namespace qlx::testing
