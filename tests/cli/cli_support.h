// Runs the qlx program as a user would and captures what it prints.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
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

// The prefix (for RunQlx's env) that runs qlx as a user to whom permission
// bits apply, so that a folder or file made unreadable is unreadable to it:
// as root, which reads everything, the user nobody, to whom dir and all in it
// are handed over first; otherwise the user itself (""). nullopt when root
// cannot drop its privileges here (no setpriv): the caller skips, saying so.
inline std::optional<std::string> Unprivileged(const std::filesystem::path& dir) {
  if (::geteuid() != 0) return "";
  if (std::system("command -v setpriv >/dev/null 2>&1") != 0) return std::nullopt;
  constexpr uid_t kNobody = 65534;
  std::error_code ec;
  if (::lchown(dir.c_str(), kNobody, kNobody) != 0) return std::nullopt;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir, ec)) {
    if (::lchown(entry.path().c_str(), kNobody, kNobody) != 0) return std::nullopt;
  }
  return "setpriv --reuid=65534 --regid=65534 --clear-groups";
}

}  // namespace qlx::testing
