// qlx check over files and folders: lines of the file, the three formats,
// the exit statuses, and nothing written.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/cli_support.h"

namespace qlx::testing {
namespace {

constexpr char kClean[] =
    "Attribute VB_Name = \"Clean\"\r\n"
    "Option Explicit\r\n"
    "'>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>\r\n"
    "'|概  要|:\r\n"
    "'|依  存|:\r\n"
    "'|解  説|:\r\n"
    "'|      |:\r\n"
    "'|作  者|:山田: 作成日:2026/12/08: 更新:未更新\r\n"
    "Sub A()\r\n"
    "End Sub\r\n";

// A class: five hidden lines above the code, so row 3 is line 8.
constexpr char kClass[] =
    "VERSION 1.0 CLASS\r\n"
    "BEGIN\r\n"
    "  MultiUse = -1  'True\r\n"
    "END\r\n"
    "Attribute VB_Name = \"Thing\"\r\n"
    "Option Explicit\r\n"
    "\r\n"
    "Public Sub Run(ByVal x As Long)\r\n"
    "    'deb x\r\n"
    "End Sub\r\n";

class CheckCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir.path() / "src" / ".git");
    WriteFile(dir.path() / "src" / "Clean.bas", kClean);
    WriteFile(dir.path() / "src" / "Thing.cls", kClass);
    WriteFile(dir.path() / "src" / "notes.txt", "'deb x\n");
    WriteFile(dir.path() / "src" / ".git" / "Hidden.bas", "Sub H()\nEnd Sub\n");
  }
  std::string Src() const { return (dir.path() / "src").string(); }
  TempDir dir;
};

TEST_F(CheckCommandTest, TextFormatGivesLinesOfTheFile) {
  const RunResult r = RunQlx({"check", Src()});
  EXPECT_EQ(r.status, 1) << r.err;
  const std::string thing = (dir.path() / "src" / "Thing.cls").string();
  EXPECT_EQ(r.out, thing + ":8:1: missing-header: Run has no procedure header\n" + thing +
                       ":9:5: deb-marker: 'deb marker left in the code: \"'deb x\"\n");
  EXPECT_EQ(ReadFile(dir.path() / "src" / "Thing.cls"), kClass) << "check wrote the file";
}

TEST_F(CheckCommandTest, CleanFileExitsZero) {
  const RunResult r = RunQlx({"check", (dir.path() / "src" / "Clean.bas").string()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
}

TEST_F(CheckCommandTest, JsonFormat) {
  const RunResult r = RunQlx({"check", "--format", "json", "--ignore", "missing-header", Src()});
  EXPECT_EQ(r.status, 1) << r.err;
  const auto j = nlohmann::json::parse(r.out);
  ASSERT_EQ(j.size(), 1u);
  EXPECT_EQ(j[0]["file"], (dir.path() / "src" / "Thing.cls").string());
  EXPECT_EQ(j[0]["line"], 9);
  EXPECT_EQ(j[0]["column"], 5);
  EXPECT_EQ(j[0]["rule"], "deb-marker");
  EXPECT_EQ(j[0]["procedure"], "Run");
  EXPECT_EQ(j[0]["message"], "'deb marker left in the code: \"'deb x\"");
}

TEST_F(CheckCommandTest, JsonFormatCleanIsEmptyArray) {
  const RunResult r = RunQlx({"check", "--format", "json", (dir.path() / "src" / "Clean.bas").string()});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(nlohmann::json::parse(r.out), nlohmann::json::array());
}

TEST_F(CheckCommandTest, GithubFormatEscapesProperties) {
  std::filesystem::create_directories(dir.path() / "a,b");
  WriteFile(dir.path() / "a,b" / "M.bas", "Sub A()\n    'deb x\nEnd Sub\n");
  const RunResult r = RunQlx({"check", "--format", "github", "--select", "deb-marker", (dir.path() / "a,b").string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "::error file=" + dir.path().string() +
                       "/a%2Cb/M.bas,line=2,col=5,title=deb-marker::'deb marker left in the code: \"'deb x\"\n");
}

struct UsageCase {
  const char* name;
  std::vector<std::string> args;
  std::string message;
};

class CheckUsageTest : public ::testing::TestWithParam<UsageCase> {};

TEST_P(CheckUsageTest, ExitsTwo) {
  const RunResult r = RunQlx(GetParam().args);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find(GetParam().message), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Check, CheckUsageTest,
    ::testing::Values(UsageCase{"UnknownRule", {"check", "--select", "stale-headers", "."}, "unknown rule 'stale-headers'"},
                      UsageCase{"UnknownFormat", {"check", "--format", "xml", "."}, "--format must be"},
                      UsageCase{"MissingPath", {"check", "/nonexistent/qlx/Module1.bas"}, "no such file or folder"},
                      UsageCase{"NoPath", {"check"}, "PATH is required"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CheckCommandTest, BinaryFileIsAFileErrorButOthersAreChecked) {
  WriteFile(dir.path() / "src" / "Bad.bas", std::string("\0\1\2\3", 4));
  const RunResult r = RunQlx({"check", Src()});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("Bad.bas"), std::string::npos) << r.err;
  EXPECT_NE(r.out.find("Thing.cls:9:5: deb-marker"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace qlx::testing
