#include "cli/file_set.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <set>
#include <stdexcept>

#include "host/text.h"
#include "office/office_document.h"

namespace qlx::cli {

namespace fs = std::filesystem;

namespace {

bool IsModuleFile(const fs::path& path) {
  const std::string ext = AsciiLower(path.extension().string());
  return ext == ".bas" || ext == ".cls" || ext == ".frm";
}

bool Excluded(const fs::path& path, const std::vector<std::string>& excludes) {
  const std::string whole = path.generic_string();
  const std::string name = path.filename().string();
  for (const std::string& pattern : excludes) {
    if (GlobMatch(pattern, whole) || GlobMatch(pattern, name)) return true;
  }
  return false;
}

}  // namespace

namespace {

// The class "[...]" starting at pattern[at] against c: whether it matches,
// and where the pattern goes on; nullopt when the class is not closed (the
// "[" is then an ordinary character).
std::optional<std::pair<bool, std::size_t>> MatchClass(std::string_view pattern, std::size_t at, char c) {
  std::size_t i = at + 1;
  const bool negated = i < pattern.size() && (pattern[i] == '!' || pattern[i] == '^');
  if (negated) ++i;
  bool matched = false;
  for (bool first = true; i < pattern.size() && (first || pattern[i] != ']'); first = false) {
    char low = pattern[i];
    if (low == '\\' && i + 1 < pattern.size()) low = pattern[++i];
    char high = low;
    if (i + 2 < pattern.size() && pattern[i + 1] == '-' && pattern[i + 2] != ']') {
      high = pattern[i + 2];
      if (high == '\\' && i + 3 < pattern.size()) high = pattern[++i + 2];
      i += 2;
    }
    if (low <= c && c <= high) matched = true;
    ++i;
  }
  if (i >= pattern.size()) return std::nullopt;
  return std::pair{matched != negated, i + 1};
}

}  // namespace

bool GlobMatch(std::string_view pattern, std::string_view text) {
  // A pattern with "**" lets every wildcard cross folders; otherwise none
  // matches a "/".
  const bool cross = pattern.find("**") != std::string_view::npos;
  std::size_t p = 0;
  std::size_t t = 0;
  std::size_t star = std::string_view::npos;  // the pattern just after the last "*"
  std::size_t star_text = 0;                   // where that "*" 's match ends so far
  while (t < text.size()) {
    const char c = text[t];
    bool step = false;
    if (p < pattern.size()) {
      const char q = pattern[p];
      if (q == '*') {
        while (p < pattern.size() && pattern[p] == '*') ++p;
        star = p;
        star_text = t;
        continue;
      }
      if (q == '?') {
        step = cross || c != '/';
        if (step) ++p;
      } else if (q == '[') {
        if (const auto klass = MatchClass(pattern, p, c)) {
          step = klass->first && (cross || c != '/');
          if (step) p = klass->second;
        } else {
          step = c == '[';
          if (step) ++p;
        }
      } else {
        const char literal = q == '\\' && p + 1 < pattern.size() ? pattern[p + 1] : q;
        step = c == literal;
        if (step) p += q == '\\' && p + 1 < pattern.size() ? 2 : 1;
      }
    }
    if (step) {
      ++t;
    } else if (star != std::string_view::npos && (cross || text[star_text] != '/')) {
      // Let the last "*" take one more character and try again from there.
      p = star;
      t = ++star_text;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

FileSet CollectFiles(const std::vector<std::string>& paths, const std::vector<std::string>& excludes) {
  FileSet set;
  std::set<fs::path> seen;
  const auto add = [&](const fs::path& file) {
    if (file.string() == "-" || seen.insert(fs::weakly_canonical(file)).second) set.files.push_back(file);
  };
  for (const std::string& given : paths) {
    const fs::path path(given);
    if (given == "-") {
      add(path);
      continue;
    }
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    // A missing file is passed on, so that it is refused as a file, among the others.
    if (status.type() != fs::file_type::directory) {
      if (!Excluded(path, excludes)) add(path);
      continue;
    }
    set.walked_folder = true;
    std::vector<fs::path> found;
    fs::recursive_directory_iterator it(path, fs::directory_options::skip_permission_denied, ec);
    if (ec) throw std::runtime_error(given + ": cannot read the folder (" + ec.message() + ")");
    for (; it != fs::recursive_directory_iterator(); it.increment(ec)) {
      if (ec) throw std::runtime_error(given + ": cannot read the folder (" + ec.message() + ")");
      const fs::path& entry = it->path();
      const std::string name = entry.filename().string();
      std::error_code type_ec;
      if (it->is_directory(type_ec)) {
        const bool hidden = name.size() > 1 && name[0] == '.';
        if (hidden || Excluded(entry, excludes)) it.disable_recursion_pending();
        continue;
      }
      const bool wanted = IsModuleFile(entry) || office::OfficeDocument::IsOfficePath(entry);
      if (it->is_regular_file(type_ec) && wanted && !Excluded(entry, excludes)) {
        found.push_back(entry.lexically_normal());
      }
    }
    std::sort(found.begin(), found.end());
    for (const fs::path& file : found) add(file);
  }
  return set;
}

}  // namespace qlx::cli
