// qlx check over files and folders: lines of the file, the three formats,
// the exit statuses, and nothing written.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/cli_support.h"
#include "office/office_document.h"
#include "office/project_builder.h"

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

// The rules come from the settings file found for each file ([Check] Select
// and Ignore), with --select and --ignore applied after them.
struct SettingsCase {
  const char* name;
  std::string ini;  // empty: no settings file
  std::vector<std::string> options;
  std::vector<std::string> rules;  // the rules that fire on Thing.cls, in line order
};

class CheckSettingsTest : public CheckCommandTest, public ::testing::WithParamInterface<SettingsCase> {};

TEST_P(CheckSettingsTest, ChoosesTheRules) {
  if (!GetParam().ini.empty()) WriteFile(dir.path() / "src" / "QLX.ini", GetParam().ini);
  // "@" stands for a settings file elsewhere that ignores deb-marker.
  const std::string elsewhere = (dir.path() / "elsewhere.ini").string();
  WriteFile(elsewhere, "[Check]\r\nIgnore=deb-marker\r\n");
  std::vector<std::string> args = {"check", "--format", "json"};
  for (const std::string& o : GetParam().options) args.push_back(o == "@" ? elsewhere : o);
  args.push_back((dir.path() / "src" / "Thing.cls").string());
  const RunResult r = RunQlx(args);
  ASSERT_EQ(r.status, GetParam().rules.empty() ? 0 : 1) << r.err;
  std::vector<std::string> fired;
  for (const auto& f : nlohmann::json::parse(r.out)) fired.push_back(f["rule"]);
  EXPECT_EQ(fired, GetParam().rules);
}

INSTANTIATE_TEST_SUITE_P(
    Check, CheckSettingsTest,
    ::testing::Values(
        SettingsCase{"NoSettings", "", {}, {"missing-header", "deb-marker"}},
        SettingsCase{"NoCheckSection", "[Author]\r\nName=山田\r\n", {}, {"missing-header", "deb-marker"}},
        SettingsCase{"Ignore", "[Check]\r\nIgnore=deb-marker\r\n", {}, {"missing-header"}},
        SettingsCase{"SelectTurnsOnAnOffRule", "[Check]\r\nSelect=missing-handler\r\n", {}, {"missing-handler"}},
        SettingsCase{"SelectThenIgnore", "[Check]\r\nSelect = missing-handler , deb-marker\r\nIgnore=deb-marker\r\n", {},
                     {"missing-handler"}},
        SettingsCase{"EmptyValuesChangeNothing", "[Check]\r\nSelect=\r\nIgnore=\r\n", {},
                     {"missing-header", "deb-marker"}},
        SettingsCase{"CommandLineSelectWinsOverIgnore", "[Check]\r\nIgnore=deb-marker\r\n", {"--select", "deb-marker"},
                     {"deb-marker"}},
        SettingsCase{"CommandLineIgnoreOnTop", "[Check]\r\nSelect=missing-handler,deb-marker\r\n",
                     {"--ignore", "missing-handler"}, {"deb-marker"}},
        SettingsCase{"IniOption", "", {"--ini", "@"}, {"missing-header"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CheckCommandTest, UnknownRuleInTheSettingsIsSaidOnceAndOtherFilesAreChecked) {
  // src/bad/ has its own settings with a misspelt rule; src/ has none.
  std::filesystem::create_directories(dir.path() / "src" / "bad");
  const std::string bad_ini = (dir.path() / "src" / "bad" / "QLX.ini").string();
  WriteFile(bad_ini, "[Check]\r\nIgnore=deb-marker,stale-headers\r\n");
  WriteFile(dir.path() / "src" / "bad" / "A.bas", kClass);
  WriteFile(dir.path() / "src" / "bad" / "B.bas", kClass);
  const RunResult r = RunQlx({"check", Src()});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "qlx: " + bad_ini +
                       ": [Check] Ignore \"deb-marker,stale-headers\": unknown rule 'stale-headers'\n"
                       "qlx: 2 findings in 2 files, 2 files not read\n");
  EXPECT_EQ(r.out.find("bad/"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Thing.cls:9:5: deb-marker"), std::string::npos) << r.out;
}

TEST_F(CheckCommandTest, SettingsFileGivenWithIniMustExist) {
  const RunResult r = RunQlx({"check", "--ini", (dir.path() / "none.ini").string(), Src()});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "qlx: " + (dir.path() / "none.ini").string() +
                       ": no such settings file\nqlx: 0 findings in 0 files, 2 files not read\n");
  EXPECT_EQ(r.out, "");
}

// A language-server session on stdin: the messages, each with its header.
std::string LspSession(const std::vector<nlohmann::json>& messages) {
  std::string input;
  for (const nlohmann::json& m : messages) {
    const std::string body = m.dump();
    input += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
  }
  return input;
}

// With or without --stdio, which language clients add when they ask for that transport.
TEST_F(CheckCommandTest, LanguageServerDiagnosticsFollowTheCheckSettings) {
  WriteFile(dir.path() / "src" / "QLX.ini", "[Check]\r\nIgnore=missing-header\r\n");
  const std::string uri = "file://" + (dir.path() / "src" / "Thing.cls").string();
  for (const std::vector<std::string>& args : {std::vector<std::string>{"lsp"}, {"lsp", "--stdio"}}) {
    SCOPED_TRACE(args.back());
    const RunResult r = RunQlx(
        args, "",
        LspSession({{{"jsonrpc", "2.0"}, {"id", 1}, {"method", "initialize"}, {"params", {{"capabilities", nlohmann::json::object()}}}},
                    {{"jsonrpc", "2.0"}, {"method", "initialized"}, {"params", nlohmann::json::object()}},
                    {{"jsonrpc", "2.0"},
                     {"method", "textDocument/didOpen"},
                     {"params", {{"textDocument", {{"uri", uri}, {"languageId", "vb"}, {"version", 1}, {"text", kClass}}}}}},
                    {{"jsonrpc", "2.0"}, {"id", 2}, {"method", "shutdown"}},
                    {{"jsonrpc", "2.0"}, {"method", "exit"}}}));
    EXPECT_EQ(r.status, 0) << r.err;
    const std::size_t at = r.out.find("publishDiagnostics");
    ASSERT_NE(at, std::string::npos) << r.out;
    const std::string published = r.out.substr(at, r.out.find("Content-Length", at) - at);
    EXPECT_NE(published.find("\"deb-marker\""), std::string::npos) << published;
    EXPECT_EQ(published.find("\"missing-header\""), std::string::npos) << published;
  }
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

// A refused value comes back as the user typed it, with its control
// characters shown as names are: it cannot recolour the terminal or make a
// line of its own.
class CheckRefusedValueTest : public ::testing::TestWithParam<UsageCase> {};

TEST_P(CheckRefusedValueTest, IsShownWithItsControlCharactersEscaped) {
  const RunResult r = RunQlx(GetParam().args);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "qlx: " + GetParam().message + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Check, CheckRefusedValueTest,
    ::testing::Values(UsageCase{"Format", {"check", "--format", "x\x1b[31m\nqlx: ok", "."},
                                "--format must be text, json or github, not 'x\\x1b[31m\\x0aqlx: ok'"},
                      UsageCase{"Select", {"check", "--select", "stale\x1b]0;t\x07", "."},
                                "unknown rule 'stale\\x1b]0;t\\x07'"},
                      UsageCase{"Ignore", {"check", "--ignore", "a\rb", "."}, "unknown rule 'a\\x0db'"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CheckCommandTest, BinaryFileIsAFileErrorButOthersAreChecked) {
  WriteFile(dir.path() / "src" / "Bad.bas", std::string("\0\1\2\3", 4));
  const RunResult r = RunQlx({"check", Src()});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("Bad.bas"), std::string::npos) << r.err;
  EXPECT_NE(r.out.find("Thing.cls:9:5: deb-marker"), std::string::npos) << r.out;
}

// The last line of stderr sums the run up, in words that count right.
struct SummaryCase {
  const char* name;
  std::vector<std::pair<std::string, std::string>> files;  // under src2/
  std::vector<std::string> options;
  std::string summary;
};

class CheckSummaryTest : public CheckCommandTest, public ::testing::WithParamInterface<SummaryCase> {};

TEST_P(CheckSummaryTest, EndsStderr) {
  std::filesystem::create_directories(dir.path() / "src2");
  for (const auto& [name, text] : GetParam().files) WriteFile(dir.path() / "src2" / name, text);
  std::vector<std::string> args = {"check"};
  args.insert(args.end(), GetParam().options.begin(), GetParam().options.end());
  args.push_back((dir.path() / "src2").string());
  const RunResult r = RunQlx(args);
  const std::string last = "qlx: " + GetParam().summary + "\n";
  ASSERT_GE(r.err.size(), last.size()) << r.err;
  EXPECT_EQ(r.err.substr(r.err.size() - last.size()), last) << r.err;
}

std::string ManyMarkers(int count) {
  std::string text = "Sub A()\r\n";
  for (int i = 0; i < count; ++i) text += "    'deb x\r\n";
  return text + "End Sub\r\n";
}

INSTANTIATE_TEST_SUITE_P(
    Check, CheckSummaryTest,
    ::testing::Values(
        SummaryCase{"OneAndOne", {{"Thing.cls", kClass}}, {"--select", "deb-marker"}, "1 finding in 1 file"},
        SummaryCase{"NoneIsPlural", {{"Clean.bas", kClean}}, {}, "0 findings in 1 file"},
        SummaryCase{"Thousands", {{"A.bas", ManyMarkers(1234)}, {"Clean.bas", kClean}}, {"--select", "deb-marker"},
                    "1,234 findings in 2 files"},
        SummaryCase{"NotRead",
                    {{"Thing.cls", kClass}, {"Bad.bas", std::string("\0\1", 2)}, {"Worse.bas", std::string("\0\2", 2)}},
                    {},
                    "2 findings in 1 file, 2 files not read"},
        SummaryCase{"OneNotRead", {{"Bad.bas", std::string("\0\1", 2)}}, {}, "0 findings in 0 files, 1 file not read"}),
    [](const auto& info) { return std::string(info.param.name); });

// [Check] Warn makes a rule's findings warnings: shown as such in every
// format, and only --strict lets them fail the run.
TEST_F(CheckCommandTest, WarnSettingMakesWarnings) {
  WriteFile(dir.path() / "src" / "QLX.ini", "[Check]\r\nWarn = deb-marker\r\n");
  const std::string thing = (dir.path() / "src" / "Thing.cls").string();

  RunResult r = RunQlx({"check", "--select", "deb-marker", thing});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, thing + ":9:5: deb-marker: warning: 'deb marker left in the code: \"'deb x\"\n");
  EXPECT_EQ(r.err, "qlx: 1 finding (1 warning) in 1 file\n");

  r = RunQlx({"check", "--select", "deb-marker", "--strict", thing});
  EXPECT_EQ(r.status, 1) << r.err;

  r = RunQlx({"check", "--format", "github", thing});
  EXPECT_EQ(r.status, 1) << "missing-header stays an error";
  EXPECT_EQ(r.out, "::error file=" + thing + ",line=8,col=1,title=missing-header::Run has no procedure header\n" +
                       "::warning file=" + thing +
                       ",line=9,col=5,title=deb-marker::'deb marker left in the code: \"'deb x\"\n");

  r = RunQlx({"check", "--format", "json", thing});
  const auto j = nlohmann::json::parse(r.out);
  ASSERT_EQ(j.size(), 2u);
  EXPECT_EQ(j[0]["severity"], "error");
  EXPECT_EQ(j[1]["severity"], "warning");
}

TEST_F(CheckCommandTest, UnknownRuleInWarnIsAUsageError) {
  const std::string ini = (dir.path() / "src" / "QLX.ini").string();
  WriteFile(ini, "[Check]\r\nWarn=missing-headers\r\n");
  const RunResult r = RunQlx({"check", (dir.path() / "src" / "Thing.cls").string()});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find(ini + ": [Check] Warn \"missing-headers\": unknown rule 'missing-headers'"), std::string::npos)
      << r.err;
  EXPECT_EQ(r.out, "");
}

// What GitHub cannot point at a line of: a file that was not read, and a
// finding inside an Office document (shown at the document, the module and
// its line named in the message).
TEST_F(CheckCommandTest, GithubAnnotatesUnreadFilesAndDocuments) {
  const std::string module =
      "Attribute VB_Name = \"Module1\"\r\nOption Explicit\r\nPublic Sub Hello()\r\n    'deb x\r\nEnd Sub\r\n";
  const std::filesystem::path book = dir.path() / "docs" / "Book.xlsm";
  std::filesystem::create_directories(book.parent_path());
  WriteFile(book, office::testing::Xlsm(office::WriteCompoundFile(
                      *office::testing::ProjectTree(932, {{"Module1", 'M', module}}))));
  WriteFile(dir.path() / "docs" / "Bad.bas", std::string("\0\1", 2));
  const RunResult r = RunQlx({"check", "--format", "github", "--select", "deb-marker", book.parent_path().string()});
  EXPECT_EQ(r.status, 2) << r.err;
  const std::string bad = (dir.path() / "docs" / "Bad.bas").string();
  EXPECT_EQ(r.out, "::error file=" + bad + ",title=qlx::" + bad +
                       ": is a binary file (it holds NUL bytes), not a module\n"
                       "::error file=" + book.string() +
                       ",title=deb-marker::Module1, line 4: 'deb marker left in the code: \"'deb x\"\n");
  EXPECT_NE(r.err.find("qlx: 1 finding in 1 file, 1 file not read\n"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace qlx::testing
