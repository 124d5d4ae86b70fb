// The qlx commands: each loads module files into the in-memory editor, runs
// one operation of libqlx on them and writes back what changed.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace CLI {
class App;
}

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

// Options of the commands that write.
struct WriteOptions {
  std::string ini;
  std::optional<std::string> author;
  std::string answers;
  bool to_stdout = false;
  bool diff = false;    // print a unified diff, write nothing
  bool check = false;   // name the files that would change, write nothing
  bool yes = false;     // answer every question Yes
  bool no = false;      // answer every question No
  bool quiet = false;   // no per-file lines, no summary
  bool no_backup = false;  // a changed Office document is not kept as FILE.bak
  std::string stdin_name;             // the module's name when read from "-"
  std::vector<std::string> excludes;  // globs of files and folders to leave out
  bool no_ignore = false;             // walks do not leave out what git ignores
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

class Registry {
 public:
  explicit Registry(CLI::App& app);
  // Runs the command that was parsed; returns the exit status.
  int Run();

 private:
  using ModuleCommand = int (*)(const std::vector<std::string>&, const CommonOptions&, const WriteOptions&);
  void AddModuleCommand(CLI::App& app, const char* name, const char* description, const char* footer,
                        ModuleCommand run);
  void RefuseModuleOnFiles() const;
  std::function<int()> chosen_;
  CommonOptions common_;
  WriteOptions write_;
  Target target_;
  std::string file_;
  std::vector<std::string> files_;
  bool full_ = false;
  std::string dir_;
  OfficeOptions office_;
};

}  // namespace qlx::cli
