// Shared by the fuzz targets: loading fuzzed bytes as a module file, the
// checks every writer's output must pass, and choices drawn from the input.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/files/encoding.h"
#include "host/files/module_file.h"
#include "host/lines.h"
#include "host/memory/editor.h"
#include "host/text.h"

namespace qlx::fuzz {

// A finding: says what broke and aborts, so that libFuzzer keeps the input.
[[noreturn]] inline void Fail(const std::string& what) {
  std::fprintf(stderr, "fuzz finding: %s\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}

inline void Check(bool ok, const std::string& what) {
  if (!ok) Fail(what);
}

inline std::string Quote(const Text& text) { return "\"" + ToUtf8(text) + "\""; }

// The bytes as a module file named Fuzz.bas; nullopt when qlx refuses them
// (binary, undecodable, an unclosed BEGIN block), which is no finding.
inline std::optional<ModuleFile> LoadModule(std::string bytes) {
  try {
    return ModuleFile::FromBytes(std::move(bytes), "Fuzz.bas");
  } catch (const FileError&) {
    return std::nullopt;
  }
}

// A 64-bit FNV-1a hash of the input: the row, answers and settings a target
// uses come from it, so that every input picks its own and a seed module
// needs no extra bytes.
inline std::uint64_t Hash(const std::uint8_t* data, std::size_t size) {
  std::uint64_t h = 1469598103934665603ull;
  for (std::size_t i = 0; i < size; ++i) {
    h ^= data[i];
    h *= 1099511628211ull;
  }
  return h;
}

// The file's physical lines without their line ends (the UTF-8 byte-order
// mark is not part of the first), split at CR LF, LF or a lone CR.
inline std::vector<std::string_view> PhysicalLines(std::string_view bytes) {
  if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) bytes.remove_prefix(kUtf8Bom.size());
  std::vector<std::string_view> lines;
  VisitLines(bytes, [&](std::string_view line, LineEnd) { lines.push_back(line); });
  return lines;
}

// The lines of a file just loaded from bytes that the editor does not show,
// in order.
inline std::vector<std::string_view> HiddenLines(const ModuleFile& file, std::string_view bytes) {
  const std::vector<std::string_view> lines = PhysicalLines(bytes);
  std::vector<std::string_view> hidden;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (file.RowOfFileLine(static_cast<long>(i + 1)) == 0) hidden.push_back(lines[i]);
  }
  return hidden;
}

// What every load must give: rows and hidden lines add up to the file's
// lines, rows and file lines map onto each other, and saving an unchanged
// module gives back the very bytes.
inline void CheckLoadedUnchanged(const ModuleFile& file, std::string_view bytes) {
  const std::vector<std::string_view> lines = PhysicalLines(bytes);
  const Row rows = file.Module()->LineCount();
  Check(static_cast<long>(lines.size()) == rows + file.HiddenLineCount(),
        "rows " + std::to_string(rows) + " + hidden " + std::to_string(file.HiddenLineCount()) +
            " != file lines " + std::to_string(lines.size()));
  for (Row row = 1; row <= rows; ++row) {
    const long line = file.FileLineOfRow(row);
    Check(line >= 1 && line <= static_cast<long>(lines.size()), "row " + std::to_string(row) + " has no file line");
    Check(file.RowOfFileLine(line) == row, "row " + std::to_string(row) + " -> line " + std::to_string(line) +
                                               " -> row " + std::to_string(file.RowOfFileLine(line)));
  }
  Check(!file.Rendered().Changed(), "an unchanged module counts as changed");
  Check(file.Render() == bytes, "an unchanged module does not save back byte for byte");
}

// What a writer's output must give: it loads again with the rows the editor
// held and the hidden lines the file had when loaded, and saves back byte
// for byte.
inline void CheckSavedLoadsBack(const ModuleFile& file, const std::vector<std::string_view>& hidden) {
  const std::string rendered = file.Render();
  std::optional<ModuleFile> again = LoadModule(rendered);
  Check(again.has_value(), "the written module cannot be loaded again");
  Check(again->Render() == rendered, "the written module does not load and save back byte for byte");
  if (file.Warnings().empty()) {
    const std::vector<Text> held = file.Module()->AllLines();
    const std::vector<Text> read = again->Module()->AllLines();
    Check(held.size() == read.size(), "the written module loads with " + std::to_string(read.size()) +
                                          " rows, the editor held " + std::to_string(held.size()));
    for (std::size_t i = 0; i < held.size(); ++i) {
      Check(held[i] == read[i], "row " + std::to_string(i + 1) + " loads as " + Quote(read[i]) + ", was " +
                                    Quote(held[i]));
    }
  }
  Check(HiddenLines(*again, rendered) == hidden, "hidden lines changed in the written module");
}

// Every row of before not marked replaceable (rows are 1-based, index 0
// unused) is still in after, unchanged and in the same order; anything else
// in after was inserted.
inline void CheckOnlyInserted(const std::vector<Text>& before, const std::vector<Text>& after,
                              const std::vector<bool>& replaceable, const char* writer) {
  std::size_t at = 0;
  for (std::size_t i = 0; i < before.size(); ++i) {
    if (i + 1 < replaceable.size() && replaceable[i + 1]) continue;
    while (at < after.size() && after[at] != before[i]) ++at;
    Check(at < after.size(), std::string(writer) + ": row " + std::to_string(i + 1) + " " + Quote(before[i]) +
                                 " was lost or changed");
    ++at;
  }
}

inline bool ContainsNoCase(TextView text, TextView needle) {
  if (needle.size() > text.size()) return false;
  for (std::size_t i = 0; i + needle.size() <= text.size(); ++i) {
    std::size_t k = 0;
    while (k < needle.size() && AsciiLower(text[i + k]) == AsciiLower(needle[k])) ++k;
    if (k == needle.size()) return true;
  }
  return false;
}

}  // namespace qlx::fuzz
