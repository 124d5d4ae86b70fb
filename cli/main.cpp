// qlx: runs the add-in's operations on exported VBA module files.
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "cli/names.h"
#include "cli/platform.h"
#include "qlx_version.h"

namespace {

constexpr const char* kDescription =
    "qlx writes and reads the procedure headers, error handlers and module tables of\n"
    "VBA modules exported as files (.bas, .cls, .frm; Shift-JIS (CP932) or UTF-8).\n"
    "\n"
    "Rows: --row N is a row of the code module as the VBA editor numbers it (the\n"
    "hidden VERSION/BEGIN block and Attribute lines are not counted); --line N is a\n"
    "line of the file as a text editor numbers it.\n"
    "\n"
    "Message boxes go to stderr, as [TITLE] TEXT or, with --json-messages, as one\n"
    "JSON object per box: {\"title\", \"text\", \"buttons\": \"ok\"|\"yesno\", \"answer\"}.\n"
    "\n"
    "Exit status: 0 the operation ran and showed no OK-only box; 1 it showed one (a\n"
    "failure report or a refusal) or proc's result was false; 2 usage or file error\n"
    "(nothing run, nothing written).";

// A first word that names no command (a misspelt one) said as such, with the
// nearest commands, rather than as the parser's complaint about a missing one.
std::optional<std::string> UnknownCommand(CLI::App& app, const std::vector<std::string>& args) {
  if (args.size() < 2 || args[1].empty() || args[1][0] == '-') return std::nullopt;
  std::vector<std::string> commands;
  for (const CLI::App* command : app.get_subcommands({})) {
    if (command->get_name() == args[1]) return std::nullopt;
    commands.push_back(command->get_name());
  }
  std::string message = "'" + args[1] + "' is not a qlx command";
  const std::vector<std::string> near = qlx::cli::NearestCommands(args[1], commands);
  for (std::size_t i = 0; i < near.size(); ++i) message += (i == 0 ? "; the nearest: " : ", ") + near[i];
  return message;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    qlx::cli::PrepareConsole();
    std::vector<std::string> args = qlx::cli::Utf8Arguments(argc, argv);
    std::vector<char*> arg_pointers;
    for (std::string& arg : args) arg_pointers.push_back(arg.data());
    CLI::App app(kDescription, "qlx");
    app.require_subcommand(1);
    app.set_help_all_flag("--help-all", "Show help for every command");
    app.set_version_flag("--version", QLX_VERSION, "Print the version and exit");
    qlx::cli::Registry registry(app);
    try {
      app.parse(static_cast<int>(arg_pointers.size()), arg_pointers.data());
    } catch (const CLI::CallForHelp&) {
      std::printf("%s", app.help().c_str());
      return 0;
    } catch (const CLI::CallForAllHelp&) {
      std::printf("%s", app.help("", CLI::AppFormatMode::All).c_str());
      return 0;
    } catch (const CLI::ParseError& e) {
      if (e.get_exit_code() == 0) {
        app.exit(e);
        return 0;
      }
      qlx::cli::Say(UnknownCommand(app, args).value_or(e.what()));
      std::fprintf(stderr, "Run 'qlx --help' for usage.\n");
      return qlx::cli::kExitUsage;
    }
    return registry.Run();
  } catch (const std::exception& e) {
    qlx::cli::Say(e.what());
  } catch (...) {
    std::fprintf(stderr, "qlx: unexpected failure\n");
  }
  return qlx::cli::kExitUsage;
}
