// qlx check (findings about headers, handlers and markers, for CI) and
// qlx lsp (the language server for editors).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace qlx::cli {

// Adds the check and lsp commands; the parsed one is put into chosen.
void AddCheckCommands(CLI::App& app, std::function<int()>& chosen);

struct CheckCommandOptions {
  std::vector<std::string> paths;
  std::string format = "text";  // text, json or github
  std::string select;
  std::string ignore;
  std::string encoding = "CP932";
  std::string ini;
  std::optional<std::string> module;  // one module of an Office document
  std::vector<std::string> excludes;  // globs of files and folders left out
  bool no_ignore = false;             // walks do not leave out what git ignores
  std::optional<std::string> baseline;        // report only findings it does not hold
  std::optional<std::string> write_baseline;  // record the findings there instead
  bool strict = false;                        // warnings fail the run too
  std::string stdin_name;                     // the module's name when read from "-"
};

// Exit 0 with no findings (or warnings only, unless strict), 1 with
// findings, 2 for a usage or file error.
int RunCheck(const CheckCommandOptions& options);

}  // namespace qlx::cli
