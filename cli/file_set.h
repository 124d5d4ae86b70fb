// The module files a command runs on: files as given, folders walked.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace qlx::cli {

struct FileSet {
  std::vector<std::filesystem::path> files;
  // A folder the walk could not read (or an entry it could not look at),
  // each a message naming it: the commands report each as a file error and
  // do the other files.
  std::vector<std::string> errors;
  // Symbolic links the walk left out because they lead outside the folders
  // given, each a message naming the link and its target.
  std::vector<std::string> left_out;
  bool walked_folder = false;  // some path was a folder
};

// The files named by paths, in order: a file as given ("-" stays "-", for
// stdin; a symbolic link named here is followed); a folder walked for .bas,
// .cls and .frm files and for Office documents that may hold a VBA project
// (.xlsm, .xls, .docm ...; any case), sorted, skipping hidden folders such as
// .git. The walk follows no link to a folder, and a link to a file only when
// the file lies inside one of the folders given: nothing outside what the
// user named is read or written. An entry with such a name that is no
// regular file (a FIFO, a device) is given back too, for the loader to
// refuse. A path that matches one of the exclude globs (against its path as
// walked, and against its file name) is left out; a pattern with no "/"
// also drops whole folders of that name. Each file comes once; a path that
// does not exist is given back as a file, for the loader to refuse.
// Inside a git work tree (and with git on PATH) the walk also leaves out
// what git ignores (.gitignore, .git/info/exclude, the global excludes),
// unless no_ignore; a path named in paths is never ignored.
FileSet CollectFiles(const std::vector<std::string>& paths, const std::vector<std::string>& excludes,
                     bool no_ignore = false);

// Whether text matches a shell glob (*, ?, [...]); "*" does not cross "/"
// but "**" does.
bool GlobMatch(std::string_view pattern, std::string_view text);

}  // namespace qlx::cli
