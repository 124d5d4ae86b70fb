#include "cli/file_set.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <set>
#include <stdexcept>

#include "cli/platform.h"
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

namespace {

// Whether path lies inside folder (both made whole, links resolved).
bool Inside(const fs::path& path, const fs::path& folder) {
  auto p = path.begin();
  for (auto f = folder.begin(); f != folder.end(); ++f, ++p) {
    if (f->empty()) continue;  // the empty name after a trailing separator
    if (p == path.end() || *p != *f) return false;
  }
  return true;
}

// What git ignores under folder (files, and folders ignored as a whole), as
// paths that start with folder; empty outside a work tree or without git.
// git is asked rather than the ignore files read, so that every source of
// ignores and git's own reading of the patterns apply. A folder git ignores
// as a whole was named by the user, so nothing in it is left out.
std::set<fs::path> GitIgnored(const fs::path& folder) {
  const std::optional<std::string> listed = ProgramOutput(
      {"git", "-C", folder.string(), "ls-files", "-z", "--others", "--ignored", "--exclude-standard", "--directory"});
  std::set<fs::path> ignored;
  if (!listed) return ignored;
  std::size_t pos = 0;
  while (pos < listed->size()) {
    std::size_t end = listed->find('\0', pos);
    if (end == std::string::npos) end = listed->size();
    std::string relative = listed->substr(pos, end - pos);
    pos = end + 1;
    while (!relative.empty() && relative.back() == '/') relative.pop_back();
    if (relative.empty() || relative == ".") return {};
    ignored.insert((folder / fs::path(relative)).lexically_normal());
  }
  return ignored;
}

// Walks one folder given on the command line.
class Walk {
 public:
  Walk(const std::vector<fs::path>& roots, const std::vector<std::string>& excludes, FileSet& set)
      : roots_(roots), excludes_(excludes), set_(set) {}

  // What the walks from now on leave out as ignored (see GitIgnored).
  void Ignore(std::set<fs::path> ignored) { ignored_ = std::move(ignored); }

  // The wanted files under folder, in no particular order.
  void Folder(const fs::path& folder, std::vector<fs::path>& found) {
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
      const fs::path entry = it->path();
      if (!ignored_.empty() && ignored_.count(entry.lexically_normal())) continue;
      std::error_code type_ec;
      const fs::file_status own = it->symlink_status(type_ec);
      if (type_ec) {
        set_.errors.push_back(entry.string() + ": cannot be looked at (" + type_ec.message() + ")");
        continue;
      }
      const std::string name = entry.filename().string();
      const bool hidden = name.size() > 1 && name[0] == '.';
      if (own.type() == fs::file_type::directory) {
        if (!hidden && !Excluded(entry, excludes_)) Folder(entry, found);
        continue;
      }
      if (own.type() == fs::file_type::symlink && fs::is_directory(entry, type_ec)) {
        // Never followed: a folder inside is walked anyway, one outside is said.
        if (!hidden && !Excluded(entry, excludes_)) LinkInside(entry);
        continue;
      }
      if (!IsModuleFile(entry) && !office::OfficeDocument::IsOfficePath(entry)) continue;
      if (Excluded(entry, excludes_)) continue;
      if (own.type() == fs::file_type::symlink && !LinkInside(entry)) continue;
      found.push_back(entry.lexically_normal());
    }
    if (ec) set_.errors.push_back(folder.string() + ": cannot read the folder (" + ec.message() + ")");
  }

 private:
  // Whether a link leads inside the folders given (or nowhere: a missing
  // target is for the loader to say); one that leads outside is said.
  bool LinkInside(const fs::path& link) {
    std::error_code ec;
    const fs::path target = fs::canonical(link, ec);
    if (ec) return true;
    for (const fs::path& root : roots_) {
      if (Inside(target, root)) return true;
    }
    set_.left_out.push_back(link.string() + ": left out: a symbolic link to " + target.string() +
                            ", outside the folders given");
    return false;
  }

  const std::vector<fs::path>& roots_;
  const std::vector<std::string>& excludes_;
  FileSet& set_;
  std::set<fs::path> ignored_;
};

}  // namespace

FileSet CollectFiles(const std::vector<std::string>& paths, const std::vector<std::string>& excludes,
                     bool no_ignore) {
  FileSet set;
  std::set<fs::path> seen;
  const auto add = [&](const fs::path& file) {
    if (file.string() == "-" || seen.insert(fs::weakly_canonical(file)).second) set.files.push_back(file);
  };
  // The folders given, made whole with their links resolved: what a link
  // found in the walk may lead into.
  std::vector<fs::path> roots;
  for (const std::string& given : paths) {
    std::error_code ec;
    if (given == "-" || !fs::is_directory(given, ec)) continue;
    fs::path root = fs::canonical(given, ec);
    if (!ec) roots.push_back(std::move(root));
  }
  Walk walk(roots, excludes, set);
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
    if (!no_ignore) walk.Ignore(GitIgnored(path));
    walk.Folder(path, found);
    std::sort(found.begin(), found.end());
    for (const fs::path& file : found) add(file);
  }
  std::sort(set.errors.begin(), set.errors.end());
  std::sort(set.left_out.begin(), set.left_out.end());
  return set;
}

}  // namespace qlx::cli
