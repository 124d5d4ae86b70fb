// What qlx does with the command line itself: which output options go
// together, each operation's command, what a run over many files prints and
// sums up, standard input for check, misspelt commands and the help that
// names what a command reads.
#include <algorithm>
#include <filesystem>
#include <map>

#include <gtest/gtest.h>

#include "cli/cli_support.h"
#include "cli/commands.h"
#include "operations/operations.h"

namespace qlx::testing {
namespace {

namespace fs = std::filesystem;

const std::string kNow = "QLX_NOW=2026-12-08T09:05:03 LANG=ja_JP.UTF-8";

// A procedure without a header and a 'deb marker: every writer changes it.
std::string Module(const std::string& name) {
  return "Attribute VB_Name = \"" + name + "\"\nOption Explicit\n\nPublic Sub Go(ByVal s As String)\n"
         "    'deb s\nEnd Sub\n";
}

class CommandLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir_ / "src");
    WriteFile(dir_ / "src" / "One.bas", Module("One"));
    WriteFile(dir_ / "src" / "Two.bas", Module("Two"));
    WriteFile(dir_ / "QLX.ini", "[Author]\nName=yamada\n");
  }
  std::string Src() const { return (dir_ / "src").string(); }
  std::string Path(const std::string& name) const { return (dir_ / "src" / name).string(); }
  std::string Ini() const { return (dir_ / "QLX.ini").string(); }
  std::map<std::string, std::string> Snapshot() const { return FileBytes(dir_.path()); }

  TempDir dir_;
};

// Two outputs at once would print one and drop the other; each pair is
// refused before anything runs.
class OutputPairTest : public CommandLineTest,
                       public ::testing::WithParamInterface<std::pair<const char*, const char*>> {};

TEST_P(OutputPairTest, IsRefusedAndNothingIsPrintedOrWritten) {
  const auto before = Snapshot();
  for (const std::string command : {"deb", "header"}) {
    SCOPED_TRACE(command);
    std::vector<std::string> args = {command, Path("One.bas"), GetParam().first, GetParam().second, "--ini", Ini()};
    if (command == "header") args.insert(args.end(), {"--proc", "Go"});
    const RunResult r = RunQlx(args, kNow);
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_EQ(r.out, "");
    // Said in the order the options are defined: "--stdout excludes --diff".
    EXPECT_NE(r.err.find(" excludes "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(GetParam().first), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(GetParam().second), std::string::npos) << r.err;
    EXPECT_EQ(Snapshot(), before);
  }
}

INSTANTIATE_TEST_SUITE_P(Pairs, OutputPairTest,
                         ::testing::Values(std::pair{"--stdout", "--diff"}, std::pair{"--diff", "--stdout"},
                                           std::pair{"--stdout", "--check"}, std::pair{"--check", "--diff"}));

// Every operation is a command: one for a procedure takes one file and the
// procedure, one for whole modules takes files and walks folders; each runs
// its own operation.
class OperationCommandTest : public CommandLineTest, public ::testing::WithParamInterface<OperationInfo> {};

TEST_P(OperationCommandTest, TakesWhatItsScopeNamesAndRunsItsOperation) {
  const std::string name(GetParam().name);
  const bool one_procedure = GetParam().scope == OperationScope::kProcedure;
  const auto before = Snapshot();
  std::vector<std::string> args = {name, "--check", "--ini", Ini()};
  if (one_procedure) {
    args.insert(args.end(), {Path("One.bas"), "--proc", "Go"});
  } else {
    args.push_back(Src());
  }
  const RunResult r = RunQlx(args, kNow);
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(r.out, one_procedure ? Path("One.bas") + "\n" : Path("One.bas") + "\n" + Path("Two.bas") + "\n");
  EXPECT_EQ(Snapshot(), before);
  // The other scope's way of naming what to change is refused.
  const std::vector<std::string> other = one_procedure
                                             ? std::vector<std::string>{name, Path("One.bas"), Path("Two.bas")}
                                             : std::vector<std::string>{name, Path("One.bas"), "--proc", "Go"};
  const RunResult refused = RunQlx(other, kNow);
  EXPECT_EQ(refused.status, 2) << refused.err;
  EXPECT_EQ(Snapshot(), before);
}

INSTANTIATE_TEST_SUITE_P(Operations, OperationCommandTest, ::testing::ValuesIn(kOperationTable),
                         [](const auto& info) {
                           std::string name(info.param.name);
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

// The summary of a run over a folder says what happened to the files: a
// preview wrote nothing, so its files would change.
struct SummaryCase {
  const char* name;
  std::vector<std::string> options;
  int status;
  const char* summary;
  bool writes;
};

class SummaryTest : public CommandLineTest, public ::testing::WithParamInterface<SummaryCase> {};

TEST_P(SummaryTest, SaysWhetherTheFilesChangedOrWouldChange) {
  const auto before = Snapshot();
  std::vector<std::string> args = {"deb", Src(), "--ini", Ini()};
  args.insert(args.end(), GetParam().options.begin(), GetParam().options.end());
  const RunResult r = RunQlx(args, kNow);
  EXPECT_EQ(r.status, GetParam().status) << r.err;
  EXPECT_NE(r.err.find(GetParam().summary), std::string::npos) << r.err;
  EXPECT_EQ(Snapshot() != before, GetParam().writes);
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, SummaryTest,
    ::testing::Values(SummaryCase{"Write", {}, 0, "qlx: 2 files changed, 0 unchanged, 0 refused\n", true},
                      SummaryCase{"Check", {"--check"}, 1, "qlx: 2 files would change, 0 unchanged, 0 refused\n", false},
                      SummaryCase{"Diff", {"--diff"}, 0, "qlx: 2 files would change, 0 unchanged, 0 refused\n", false}),
    [](const auto& info) { return info.param.name; });

TEST_F(CommandLineTest, StdoutOverSeveralFilesIsRefusedBeforeAnythingRuns) {
  const auto before = Snapshot();
  for (const std::vector<std::string>& paths : std::vector<std::vector<std::string>>{
           {Src()}, {Path("One.bas"), Path("Two.bas")}}) {
    std::vector<std::string> args = {"deb", "--stdout", "--ini", Ini()};
    args.insert(args.end(), paths.begin(), paths.end());
    const RunResult r = RunQlx(args, kNow);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "") << "no module is printed";
    EXPECT_EQ(r.err, "qlx: --stdout prints one module, and this run has 2 files; name one file, or see every change "
                     "with --diff\n");
    EXPECT_EQ(Snapshot(), before);
  }
  // A folder that holds one module prints it.
  fs::remove(Path("Two.bas"));
  const RunResult one = RunQlx({"deb", "--stdout", Src(), "--ini", Ini()}, kNow);
  EXPECT_EQ(one.status, 0) << one.err;
  EXPECT_NE(one.out.find("Debug.Print \"s = \"; s"), std::string::npos) << one.out;
  EXPECT_EQ(ReadFile(Path("One.bas")), Module("One"));
}

TEST_F(CommandLineTest, CheckReadsStandardInput) {
  const RunResult r = RunQlx({"check", "-", "--ini", Ini()}, kNow, Module("Piped"));
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.out.find("-:4:1: missing-header: "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("-:5:"), std::string::npos) << "the 'deb marker: " << r.out;
  EXPECT_NE(r.err.find(" in 1 file\n"), std::string::npos) << r.err;
}

TEST_F(CommandLineTest, CheckNamesAModuleWithoutVbNameFromStandardInputAsTheWritersDo) {
  const std::string bare = "Sub Go()\nEnd Sub\n";
  const RunResult unnamed = RunQlx({"check", "-", "--ini", Ini()}, kNow, bare);
  EXPECT_EQ(unnamed.status, 2);
  EXPECT_NE(unnamed.err.find("qlx: the module read from stdin has no VB_Name attribute; name it with --stdin-name "
                             "NAME\n"),
            std::string::npos)
      << unnamed.err;
  const RunResult named = RunQlx({"check", "-", "--stdin-name", "Piped", "--ini", Ini()}, kNow, bare);
  EXPECT_EQ(named.status, 1) << named.err;
  EXPECT_NE(named.out.find("-:1:1: missing-header: "), std::string::npos) << named.out;
}

// --stdin-name gives the module its name, not a file: every format names
// the findings of standard input `-`, as the text format always has.
class CheckStdinFormatTest : public CommandLineTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(CheckStdinFormatTest, NamesTheFindingsOfStandardInputDash) {
  const RunResult r =
      RunQlx({"check", "-", "--stdin-name", "Piped", "--ini", Ini(), "--format", GetParam()}, kNow, "Sub Go()\nEnd Sub\n");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(r.out.find("Piped"), std::string::npos) << r.out;
  const std::string format = GetParam();
  const std::string named = format == "json" ? "\"file\": \"-\"" : format == "github" ? "file=-,line=1," : "-:1:1: ";
  EXPECT_NE(r.out.find(named), std::string::npos) << r.out;
}

INSTANTIATE_TEST_SUITE_P(Formats, CheckStdinFormatTest, ::testing::Values("text", "json", "github"));

TEST_F(CommandLineTest, DecodeErrorNamesTheOptionThatNamesTheEncoding) {
  WriteFile(Path("One.bas"), "Attribute VB_Name = \"One\"\n' \xEF\xBB\n");
  for (const std::string command : {"scan", "deb", "check"}) {
    SCOPED_TRACE(command);
    std::vector<std::string> args = {command, Path("One.bas"), "--encoding", "UTF-8"};
    if (command != "scan") args.insert(args.end(), {"--ini", Ini()});
    const RunResult r = RunQlx(args, kNow);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("line 2 cannot be decoded as UTF-8; name the file's encoding with --encoding NAME"),
              std::string::npos)
        << r.err;
  }
}

struct MisspeltCase {
  const char* word;
  std::vector<std::string> nearest;
};

class MisspeltCommandTest : public ::testing::TestWithParam<MisspeltCase> {};

TEST_P(MisspeltCommandTest, NamesTheNearestCommands) {
  const std::vector<std::string> commands = {"proc",    "scan",        "header", "errtrap", "deb",
                                             "module-header", "all-headers", "headers", "export",  "import",
                                             "session", "check",       "lsp"};
  EXPECT_EQ(cli::NearestCommands(GetParam().word, commands), GetParam().nearest);
}

INSTANTIATE_TEST_SUITE_P(
    Words, MisspeltCommandTest,
    ::testing::Values(MisspeltCase{"heders", {"headers", "header"}}, MisspeltCase{"hedaer", {"header", "headers"}},
                      MisspeltCase{"chek", {"check"}}, MisspeltCase{"Scan", {"scan"}},
                      MisspeltCase{"module", {"module-header"}}, MisspeltCase{"errtarp", {"errtrap"}},
                      MisspeltCase{"xyzzy", {}}, MisspeltCase{"lps", {"lsp"}}));

TEST(CommandLine, AMisspeltCommandIsSaidWithTheNearestOnes) {
  const RunResult r = RunQlx({"heders", "Module1.bas"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "qlx: 'heders' is not a qlx command; the nearest: headers, header\nRun 'qlx --help' for usage.\n");
  const RunResult far = RunQlx({"xyzzy"});
  EXPECT_EQ(far.status, 2);
  EXPECT_EQ(far.err, "qlx: 'xyzzy' is not a qlx command\nRun 'qlx --help' for usage.\n");
  // A command rightly named keeps the parser's own message about its options.
  const RunResult known = RunQlx({"headers"});
  EXPECT_EQ(known.status, 2);
  EXPECT_EQ(known.err.find("is not a qlx command"), std::string::npos) << known.err;
}

TEST(CommandLine, CheckHelpNamesDocumentsAndStandardInput) {
  const RunResult r = RunQlx({"check", "--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Office documents"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("- is stdin"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("--stdin-name"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace qlx::testing
