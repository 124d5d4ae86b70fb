// The findings a team accepts as they are, so that qlx check on old code
// reports only what is new: a count per file, module, rule and procedure,
// kept in a JSON file (no line numbers, so unrelated edits leave it valid).
#pragma once

#include <compare>
#include <filesystem>
#include <map>
#include <string>

namespace qlx::cli {

struct BaselineKey {
  std::string file;       // relative to the baseline file's folder, with "/"
  std::string module;     // the module inside an Office document; empty for a module file
  std::string rule;
  std::string procedure;  // empty for findings about the module as a whole
  auto operator<=>(const BaselineKey&) const = default;
};

class Baseline {
 public:
  // Reads the baseline file; a file that cannot be read, or is not a
  // baseline, throws UsageError saying what is wrong.
  static Baseline Read(const std::filesystem::path& path);
  // The file's text: {"version": 1, "findings": [{"file", "module" (only in
  // a document), "rule", "procedure", "count"}, ...]}, sorted.
  std::string Json() const;
  // Writes Json() through a temporary file and a rename.
  void Write(const std::filesystem::path& path) const;

  std::map<BaselineKey, long long> counts;
};

// How a baseline kept at baseline names file: relative to its folder, with
// "/" between folders (absolute where no relative path leads there).
std::string BaselineFileName(const std::filesystem::path& file, const std::filesystem::path& baseline);

}  // namespace qlx::cli
