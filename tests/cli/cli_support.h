// Runs the qlx program as a user would and captures what it prints.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/files.h"

namespace qlx::testing {

struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
};

inline std::string Quote(const std::string& arg) {
  std::string q = "'";
  for (char c : arg) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Runs qlx with args (and stdin from /dev/null unless input is given);
// env is prefixed to the command, e.g. "QLX_NOW=2026-12-08T09:05:03".
inline RunResult RunQlx(const std::vector<std::string>& args, const std::string& env = "",
                        const std::string& input = "") {
  TempDir dir;
  std::string command = env.empty() ? "" : env + " ";
  command += Quote(QLX_BINARY);
  for (const std::string& a : args) {
    command += ' ';
    command += Quote(a);
  }
  if (input.empty()) {
    command += " </dev/null";
  } else {
    WriteFile(dir / "stdin", input);
    command += " <" + Quote((dir / "stdin").string());
  }
  command += " >" + Quote((dir / "out").string()) + " 2>" + Quote((dir / "err").string());
  RunResult result;
  int raw = std::system(command.c_str());
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.out = ReadFile(dir / "out");
  result.err = ReadFile(dir / "err");
  return result;
}

}  // namespace qlx::testing
