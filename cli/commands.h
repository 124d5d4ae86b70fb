// The registry of the qlx commands: their options and help on the command
// line, and which command runs.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cli/options.h"

namespace CLI {
class App;
}

namespace qlx {
enum class OperationId;
}

namespace qlx::cli {

// The commands nearest to a word that is none (a misspelling such as
// "heders"), nearest first; those it begins, too ("module" for
// module-header). Empty when none is near.
std::vector<std::string> NearestCommands(const std::string& word, const std::vector<std::string>& commands);

class Registry {
 public:
  explicit Registry(CLI::App& app);
  // Runs the command that was parsed; returns the exit status.
  int Run();

 private:
  void AddOperationCommand(CLI::App& app, OperationId id, const char* summary, const char* footer);
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
