// The temporary files a write leaves beside a module while it works, named so
// that the next run can tell them from the user's files and clear them:
// ".NAME.XXXXXXXX.qlx-tmp" and ".NAME.XXXXXXXX.qlx-new" for a new file on its
// way in, ".NAME.qlx-old" for the copy of NAME's old content kept while NAME
// is rewritten in place. Shared by the POSIX and Win32 writers.
#pragma once

#include <filesystem>

namespace qlx::temp_files {

enum class Kind {
  kNone,  // not one of ours
  kNew,   // locked before it got its name: once unlocked its writer is gone
  kTmp,   // named first, so only taken for debris when old
  kOld,   // the copy of a module's old content
};

// dir/".NAME.XXXXXXXX<suffix of kind>" for target NAME, with a fresh random
// tag of eight hex digits; kind is kNew or kTmp.
std::filesystem::path FreshName(const std::filesystem::path& dir, const std::filesystem::path& target, Kind kind);

// dir/".NAME.qlx-old" for target NAME.
std::filesystem::path OldCopyName(const std::filesystem::path& dir, const std::filesystem::path& target);

// What a file name found in a folder is. For kOld, module is the name of the
// file whose old content it holds (".a.bas.qlx-old" belongs to "a.bas").
struct Found {
  Kind kind = Kind::kNone;
  std::filesystem::path module;
};
Found Recognise(const std::filesystem::path& file_name);

// Result of one attempt to create a file under a given name.
enum class Attempt { kMade, kNameTaken, kFailed };

// Calls create with fresh names (FreshName) until it makes the file (true),
// fails for another reason than the name being taken, or 100 names were
// taken (false).
template <class Create>
bool CreateFresh(const std::filesystem::path& dir, const std::filesystem::path& target, Kind kind, Create&& create) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    switch (create(FreshName(dir, target, kind))) {
      case Attempt::kMade:
        return true;
      case Attempt::kFailed:
        return false;
      case Attempt::kNameTaken:
        break;
    }
  }
  return false;
}

}  // namespace qlx::temp_files
