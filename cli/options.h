// The options the qlx commands take, as parsed from the command line, and
// the exit statuses they end with.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qlx::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitReported = 1;  // an OK-only box was shown, or a false result
inline constexpr int kExitUsage = 2;     // usage or file error: nothing ran, nothing written

// Options that every command takes.
struct CommonOptions {
  bool json_messages = false;
  std::string encoding = "CP932";
  bool host_calls = false;
  std::optional<std::string> module;  // in an Office document, only this module
};

// What a writing command does with its result: --stdout, --diff and --check
// each pick one, and no two can be given together.
enum class Output {
  kWrite,   // write each changed file back
  kStdout,  // print the resulting module; write nothing
  kDiff,    // print a unified diff of each change; write nothing
  kCheck,   // print the name of each file that would change; write nothing
};

// Options of the commands that write.
struct WriteOptions {
  std::string ini;
  std::optional<std::string> author;
  std::string answers;
  Output output = Output::kWrite;
  bool yes = false;     // answer every question Yes
  bool no = false;      // answer every question No
  bool quiet = false;   // no per-file lines, no summary
  bool no_backup = false;  // a changed Office document is not kept as FILE.bak
  std::string stdin_name;             // the module's name when read from "-"
  std::vector<std::string> excludes;  // globs of files and folders to leave out
  bool no_ignore = false;             // walks do not leave out what git ignores

  // Whether the run only shows what would change (--diff, --check).
  bool Previews() const { return output == Output::kDiff || output == Output::kCheck; }
};

// Where the operation applies: --row N, --line N or --proc NAME[:get|let|set].
struct Target {
  std::optional<long long> row;
  std::optional<long long> line;
  std::optional<std::string> proc;
};

// Options of export and import.
struct OfficeOptions {
  bool no_backup = false;
  bool quiet = false;
};

}  // namespace qlx::cli
