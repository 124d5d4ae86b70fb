// qlx COMMAND --host-calls: the calls that reached the editor, per member, as
// the last line on stderr; the command's own output and file stay as they
// are without the option.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/cli_support.h"

namespace qlx::testing {
namespace {

const std::string kSample = std::string(QLX_SOURCE_DIR) + "/examples/Sample.bas";
const std::string kNow = "QLX_NOW=2026-12-08T09:05:03 LANG=ja_JP.UTF-8";

std::string LastLine(const std::string& text) {
  std::string t = text;
  while (!t.empty() && t.back() == '\n') t.pop_back();
  const std::size_t nl = t.rfind('\n');
  return nl == std::string::npos ? t : t.substr(nl + 1);
}

struct CommandCase {
  std::vector<std::string> args;  // after the command's name and the file
  const char* edited;             // a member the command must have called, or ""
};

class HostCalls : public ::testing::TestWithParam<std::pair<std::string, CommandCase>> {};

TEST_P(HostCalls, AreTheLastLineOnStderrAndChangeNothingElse) {
  const auto& [command, c] = GetParam();
  TempDir dir;
  WriteFile(dir / "QLX.ini", "");
  auto run = [&](const std::string& name, bool counted) {
    WriteFile(dir / name, ReadFile(kSample));
    std::vector<std::string> args{command, (dir / name).string()};
    args.insert(args.end(), c.args.begin(), c.args.end());
    if (command != "proc" && command != "scan") {
      args.insert(args.end(), {"--ini", (dir / "QLX.ini").string(), "--answers", "y,y"});
    }
    if (counted) args.push_back("--host-calls");
    RunResult r = RunQlx(args, kNow);
    r.out += "\n--- file ---\n" + ReadFile(dir / name);
    return r;
  };
  const RunResult plain = run("Plain.bas", false);
  const RunResult counted = run("Counted.bas", true);
  EXPECT_EQ(counted.status, plain.status);
  EXPECT_EQ(counted.out, plain.out);
  const std::string last = LastLine(counted.err);
  // The same messages ("qlx: wrote FILE" names each run's own file), then the calls.
  std::string before = counted.err.substr(0, counted.err.size() - last.size() - 1);
  for (std::size_t at; (at = before.find("Counted.bas")) != std::string::npos;) before.replace(at, 11, "Plain.bas");
  ASSERT_EQ(before, plain.err);
  const nlohmann::json calls = nlohmann::json::parse(last).at("host_calls");
  for (const char* member : {"Lines", "CountOfLines", "InsertLines", "DeleteLines", "ProcOfLine", "Find",
                             "ActiveCodePane", "CodeModule"}) {
    EXPECT_TRUE(calls.contains(member)) << member;
  }
  if (*c.edited != '\0') {
    EXPECT_GE(calls.at(c.edited).get<int>(), 1);
  }
  // The module is read in blocks, not line by line.
  EXPECT_LE(calls.at("Lines").get<int>(), 3);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, HostCalls,
    ::testing::Values(std::pair{std::string("proc"), CommandCase{{"--row", "12"}, ""}},
                      std::pair{std::string("scan"), CommandCase{{"--full"}, ""}},
                      std::pair{std::string("header"), CommandCase{{"--row", "12"}, "InsertLines"}},
                      std::pair{std::string("errtrap"), CommandCase{{"--row", "12"}, "InsertLines"}},
                      std::pair{std::string("deb"), CommandCase{{}, ""}},
                      std::pair{std::string("module-header"), CommandCase{{}, "InsertLines"}},
                      std::pair{std::string("all-headers"), CommandCase{{}, "InsertLines"}}),
    [](const auto& info) {
      std::string name = info.param.first;
      for (char& ch : name) {
        if (ch == '-') ch = '_';
      }
      return name;
    });

}  // namespace
}  // namespace qlx::testing
