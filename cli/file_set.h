// The module files a command runs on: files as given, folders walked.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace qlx::cli {

struct FileSet {
  std::vector<std::filesystem::path> files;
  bool walked_folder = false;  // some path was a folder
};

// The files named by paths, in order: a file as given ("-" stays "-", for
// stdin); a folder walked (symbolic links to folders not followed) for .bas,
// .cls and .frm files and for Office documents that may hold a VBA project
// (.xlsm, .xls, .docm ...; any case), sorted, skipping hidden folders such as
// .git. A path that matches one of the exclude globs (against its path as
// walked, and against its file name) is left out; a pattern with no "/"
// also drops whole folders of that name. Each file comes once; a path that
// does not exist is given back as a file, for the loader to refuse. Throws
// std::runtime_error when a folder cannot be read.
FileSet CollectFiles(const std::vector<std::string>& paths, const std::vector<std::string>& excludes);

// Whether text matches a shell glob (*, ?, [...]); "*" does not cross "/"
// but "**" does.
bool GlobMatch(std::string_view pattern, std::string_view text);

}  // namespace qlx::cli
