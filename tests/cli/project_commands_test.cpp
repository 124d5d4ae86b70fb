// qlx on a whole project: folders, headers that can be rerun, --diff,
// --check, --yes/--no, -q, procedures by name, stdin, and the settings found
// beside the code.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

#include <nlohmann/json.hpp>

#include "cli/cli_support.h"

namespace qlx::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;


// CP932 with CRLF and declarations; "' 合計" and "' 入口" in CP932.
const std::string kCp932 =
    "Attribute VB_Name = \"Totals\"\r\n"
    "Option Explicit\r\n"
    "Private m As Long\r\n"
    "\r\n"
    "' \x8d\x87\x8c\x76\r\n"
    "Public Function Sum(ByVal a As Long, b As Long) As Long\r\n"
    "    Sum = a + b\r\n"
    "End Function\r\n"
    "\r\n"
    "' \x93\xfc\x8c\xfb\r\n"
    "Sub Start()\r\n"
    "    Debug.Print Sum(1, 2)\r\n"
    "End Sub\r\n";

// UTF-8 with LF and no declaration line at all.
const std::string kUtf8 =
    "Attribute VB_Name = \"Bare\"\n"
    "' 最初の手続き\n"
    "Sub First(x As Variant)\n"
    "End Sub\n"
    "Function Second() As String\n"
    "    Second = \"二\"\n"
    "End Function\n";

// A class with its hidden block, attributes and properties.
const std::string kClass =
    "VERSION 1.0 CLASS\r\n"
    "BEGIN\r\n"
    "  MultiUse = -1  'True\r\n"
    "END\r\n"
    "Attribute VB_Name = \"Account\"\r\n"
    "Attribute VB_GlobalNameSpace = False\r\n"
    "Attribute VB_Creatable = False\r\n"
    "Option Explicit\r\n"
    "Private mBalance As Currency\r\n"
    "Public Property Get Balance() As Currency\r\n"
    "Attribute Balance.VB_Description = \"残高\"\r\n"
    "    Balance = mBalance\r\n"
    "End Property\r\n"
    "Public Property Let Balance(ByVal v As Currency)\r\n"
    "    mBalance = v\r\n"
    "End Property\r\n";

class ProjectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir_ / "src" / "sub");
    fs::create_directories(dir_ / ".git");
    WriteFile(dir_ / "src" / "Totals.bas", kCp932);
    WriteFile(dir_ / "src" / "sub" / "Bare.bas", kUtf8);
    WriteFile(dir_ / "src" / "Account.cls", kClass);
    // The procedure on the first row: its header starts on row 1.
    WriteFile(dir_ / "src" / "Plain.bas", "Attribute VB_Name = \"Plain\"\r\nSub OnlyOne(n)\r\nEnd Sub\r\n");
    WriteFile(dir_ / "src" / "notes.txt", "not a module\n");
    WriteFile(dir_ / "QLX.ini", "[Author]\r\nName=\x8e\x52\x93\x63\r\n");  // 山田 in CP932
  }
  // A home folder of the test's own: qlx may make its per-user settings there.
  std::string Home() const { return " QLX_INI= HOME=" + home_.path().string() + " XDG_CONFIG_HOME="; }
  std::string Now() const { return "QLX_NOW=2026-12-08T09:05:03 LANG=ja_JP.UTF-8" + Home(); }
  std::string Later() const { return "QLX_NOW=2026-12-09T17:30:00 LANG=ja_JP.UTF-8" + Home(); }
  std::string Src() const { return (dir_ / "src").string(); }
  std::string Path(const std::string& name) const { return (dir_ / "src" / name).string(); }
  std::map<std::string, std::string> Snapshot() const { return FileBytes(dir_.path()); }

  TempDir dir_;
  TempDir home_;
};

TEST_F(ProjectTest, HeadersTwiceWritesNothingTheSecondTimeAndCheckAgrees) {
  RunResult first = RunQlx({"headers", Src()}, Now());
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_NE(first.err.find("qlx: wrote " + Path("Totals.bas")), std::string::npos) << first.err;
  EXPECT_NE(first.err.find("qlx: 4 files changed, 0 unchanged, 0 refused\n"), std::string::npos) << first.err;
  // The settings beside the code gave the author, in CP932 like the module.
  EXPECT_NE(ReadFile(Path("Totals.bas")).find("'|\x8d\xec  \x8e\xd2|:\x8e\x52\x93\x63: "), std::string::npos);
  EXPECT_EQ(ReadFile(Path("notes.txt")), "not a module\n");
  const std::string account = ReadFile(Path("Account.cls"));
  EXPECT_EQ(account.substr(0, 160), kClass.substr(0, 160)) << "hidden lines stay in place";
  EXPECT_NE(account.find("Attribute Balance.VB_Description"), std::string::npos);

  const auto once = Snapshot();
  RunResult second = RunQlx({"headers", Src()}, Later());
  ASSERT_EQ(second.status, 0) << second.err;
  EXPECT_EQ(second.err, "qlx: 0 files changed, 4 unchanged, 0 refused\n");
  EXPECT_EQ(Snapshot(), once);

  RunResult check = RunQlx({"headers", "--check", Src()}, Later());
  EXPECT_EQ(check.status, 0) << check.err;
  EXPECT_EQ(check.out, "");

  std::string totals = ReadFile(Path("Totals.bas"));
  totals.replace(totals.find("b As Long) As Long"), 9, "b As Long, c As Long");
  WriteFile(Path("Totals.bas"), totals);
  check = RunQlx({"headers", "--check", Src()}, Later());
  EXPECT_EQ(check.status, 1);
  EXPECT_EQ(check.out, Path("Totals.bas") + "\n");
  EXPECT_EQ(ReadFile(Path("Totals.bas")), totals) << "--check writes nothing";
}

// all-headers stacks no second header on a rerun: the procedures it gave a
// header the first time are left alone the second time.
TEST_F(ProjectTest, AllHeadersTwiceWritesNothingTheSecondTime) {
  RunResult first = RunQlx({"all-headers", Src()}, Now());
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_NE(first.err.find("qlx: 4 files changed, 0 unchanged, 0 refused\n"), std::string::npos) << first.err;
  const auto once = Snapshot();
  RunResult second = RunQlx({"all-headers", Src()}, Later());
  ASSERT_EQ(second.status, 0) << second.err;
  EXPECT_EQ(second.err, "qlx: 0 files changed, 4 unchanged, 0 refused\n");
  EXPECT_EQ(Snapshot(), once);
}

TEST_F(ProjectTest, ARefusedFileDoesNotStopTheOthersAndTheWorstStatusWins) {
  WriteFile(Path("Broken.bas"), std::string("Sub A()\0\0End Sub\n", 17));
  RunResult r = RunQlx({"all-headers", Src()}, Now());
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("Broken.bas"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("qlx: 4 files changed, 0 unchanged, 1 refused\n"), std::string::npos) << r.err;
  EXPECT_NE(ReadFile(Path("Account.cls")), kClass);
}

TEST_F(ProjectTest, ExcludeLeavesOutFilesAndFolders) {
  RunResult r = RunQlx({"deb", Src(), "--exclude", "sub", "--exclude", "*.cls", "-q"}, Now());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  r = RunQlx({"headers", Src(), "--exclude", "sub", "--exclude", "Account.*", "--exclude", "P*.bas"}, Now());
  EXPECT_EQ(r.err, "qlx: wrote " + Path("Totals.bas") + "\nqlx: 1 file changed, 0 unchanged, 0 refused\n");
  EXPECT_EQ(ReadFile(Path("sub/Bare.bas")), kUtf8);
  EXPECT_EQ(ReadFile(Path("Account.cls")), kClass);
}

TEST_F(ProjectTest, DiffShowsTheChangeInUtf8AndWritesNothing) {
  WriteFile(Path("Small.bas"), "Attribute VB_Name = \"Small\"\r\n' \x93\xfc\x8c\xfb\r\nSub Go()\r\nEnd Sub\r\n");
  const auto before = Snapshot();
  RunResult r = RunQlx({"errtrap", Path("Small.bas"), "--proc", "Go", "--diff"}, Now());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Snapshot(), before);
  std::string name = Path("Small.bas").substr(1);
  const std::string expected_head = "--- a/" + name + "\n+++ b/" + name + "\n@@ -1,4 +1,";
  EXPECT_EQ(r.out.substr(0, expected_head.size()), expected_head) << r.out;
  EXPECT_NE(r.out.find(" ' 入口\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\n+PROC_ERR:\n"), std::string::npos) << r.out;
  EXPECT_EQ(r.err, "");
}

struct AnswerCase {
  const char* name;
  std::vector<std::string> options;
  bool updated;
};

class EveryAnswer : public ProjectTest, public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(EveryAnswer, AnswersEveryQuestion) {
  ASSERT_EQ(RunQlx({"header", Path("Totals.bas"), "--proc", "Sum"}, Now()).status, 0);
  const std::string once = ReadFile(Path("Totals.bas"));
  std::vector<std::string> args{"header", Path("Totals.bas"), "--proc", "sum"};
  args.insert(args.end(), GetParam().options.begin(), GetParam().options.end());
  RunResult r = RunQlx(args, Later());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(Path("Totals.bas")) != once, GetParam().updated);
  EXPECT_EQ(r.err.find("no answer given"), std::string::npos) << r.err;
}

INSTANTIATE_TEST_SUITE_P(Cases, EveryAnswer,
                         ::testing::Values(AnswerCase{"Yes", {"--yes"}, true}, AnswerCase{"No", {"--no"}, false},
                                           AnswerCase{"ScriptedFirst", {"--answers", "y", "--no"}, false},
                                           AnswerCase{"YesQuiet", {"--yes", "-q"}, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProjectTest, JsonMessagesEndEachFileWithItsOwnLine) {
  RunResult r = RunQlx({"module-header", Path("Totals.bas"), Path("Account.cls"), "--json-messages"}, Now());
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<json> lines;
  std::istringstream in(r.err);
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with("{")) lines.push_back(json::parse(line));
  }
  ASSERT_EQ(lines.size(), 2u) << r.err;
  EXPECT_EQ(lines[0], (json{{"file", Path("Totals.bas")}, {"written", true}}));
  EXPECT_EQ(lines[1], (json{{"file", Path("Account.cls")}, {"written", true}}));
  r = RunQlx({"module-header", Path("Totals.bas"), "--json-messages"}, Now());
  EXPECT_EQ(r.err, "{\"file\":\"" + Path("Totals.bas") + "\",\"written\":false}\n");
}

struct ProcCase {
  const char* name;
  std::string proc;
  int status;
  std::string message;  // part of stderr, or the record's ProcType
};

class ProcByName : public ProjectTest, public ::testing::WithParamInterface<ProcCase> {};

TEST_P(ProcByName, NamesAProcedureOrListsTheModulesOnes) {
  RunResult r = RunQlx({"proc", Path("Account.cls"), "--proc", GetParam().proc}, Now());
  EXPECT_EQ(r.status, GetParam().status) << r.err;
  if (GetParam().status == 0) {
    EXPECT_EQ(json::parse(r.out)["ProcType"], GetParam().message);
  } else {
    EXPECT_NE(r.err.find(GetParam().message), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProcByName,
    ::testing::Values(
        ProcCase{"Get", "Balance:get", 0, "4"}, ProcCase{"LetAnyCase", "BALANCE:Let", 0, "2"},
        ProcCase{"Unknown", "Nope", 2, "no procedure Nope in Account; its procedures: Balance:get, Balance:let"},
        ProcCase{"Ambiguous", "Balance", 2, "give one of Balance:get, Balance:let"},
        ProcCase{"NoSuchKind", "Balance:set", 2, "no procedure Balance:set"},
        ProcCase{"BadKind", "Balance:put", 2, "get, let or set"},
        ProcCase{"KindNotUtf8", "Balance:g\xffet", 2, "--proc Balance:g\xffet: the part after ':' is get, let or set"},
        ProcCase{"KindIsATableKind", "Balance:PrG", 2, "get, let or set"},
        ProcCase{"SetAnyCase", "Balance:SET", 2, "no procedure Balance:SET in Account; its procedures: Balance:get, "
                                                 "Balance:let"},
        // Bytes that are not UTF-8 name no procedure, and are said back as they came.
        ProcCase{"NotUtf8", "Balance\xff", 2, "no procedure Balance\xff in Account; its procedures: "}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProjectTest, StdinIsReadAndTheResultGoesToStdout) {
  RunResult r = RunQlx({"all-headers", "-", "--ini", (dir_ / "QLX.ini").string()}, Now(), kUtf8);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("'|作  者|:山田: 作成日:2026/12/08: 更新:未更新\nSub First"), std::string::npos) << r.out;
  EXPECT_EQ(r.err, "");

  const std::string unnamed = "Sub A()\nEnd Sub\n";
  r = RunQlx({"module-header", "-"}, Now(), unnamed);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("--stdin-name"), std::string::npos);
  r = RunQlx({"module-header", "-", "--stdin-name", "Tools"}, Now(), unnamed);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, 44), "'" + std::string(37, '=') + "Tools=");
}

TEST_F(ProjectTest, SettingsBesideTheCodeComeFirstUpToTheRepositoryRoot) {
  // $QLX_INI counts only where no QLX.ini is found up to the folder with .git.
  WriteFile(dir_ / "env.ini", "[Author]\r\nName=Env\r\n");
  const std::string env = Now() + " QLX_INI=" + (dir_ / "env.ini").string();
  ASSERT_EQ(RunQlx({"header", Path("sub/Bare.bas"), "--proc", "First"}, env).status, 0);
  EXPECT_NE(ReadFile(Path("sub/Bare.bas")).find("'|作  者|:山田: "), std::string::npos);

  WriteFile(dir_ / "src" / "sub" / "QLX.ini", "[Author]\nName=近く\n");  // UTF-8 without BOM
  ASSERT_EQ(RunQlx({"header", Path("sub/Bare.bas"), "--proc", "Second"}, env).status, 0);
  EXPECT_NE(ReadFile(Path("sub/Bare.bas")).find("'|作  者|:近く: "), std::string::npos);

  fs::remove(dir_ / "QLX.ini");
  ASSERT_EQ(RunQlx({"header", Path("Totals.bas"), "--proc", "Start"}, env).status, 0);
  EXPECT_NE(ReadFile(Path("Totals.bas")).find("'|\x8d\xec  \x8e\xd2|:Env: "), std::string::npos);
}

TEST_F(ProjectTest, DateFormatFixesTheDateAndTimeWhateverTheLocale) {
  WriteFile(dir_ / "QLX.ini", "[Author]\nName=A\n[Mode]\nDateFormat=yyyy.mm.dd h:nn\nIgnoreMode=1\nUnUndoMode=1\n");
  const std::string german = "QLX_NOW=2026-12-08T09:05:03 LANG=de_DE.UTF-8" + Home();
  ASSERT_EQ(RunQlx({"header", Path("sub/Bare.bas"), "--proc", "First"}, german).status, 0);
  EXPECT_NE(ReadFile(Path("sub/Bare.bas")).find("'|作  者|:A: 作成日:2026.12.08: 更新:未更新"), std::string::npos);
  const std::string later = "QLX_NOW=2026-12-09T17:30:00 LANG=C" + Home();
  ASSERT_EQ(RunQlx({"header", Path("sub/Bare.bas"), "--proc", "First"}, later).status, 0);
  EXPECT_NE(ReadFile(Path("sub/Bare.bas")).find("更新:2026.12.09 17:30\n"), std::string::npos);
}

struct SettingsCase {
  const char* name;
  std::string bytes;  // of the settings file; "<missing>" for none
  std::string message;
};

class BadSettings : public ProjectTest, public ::testing::WithParamInterface<SettingsCase> {};

TEST_P(BadSettings, AreOneUsageErrorNamingTheFileAndWriteNothing) {
  const fs::path ini = dir_ / "given.ini";
  if (GetParam().bytes != "<missing>") WriteFile(ini, GetParam().bytes);
  const auto before = Snapshot();
  RunResult r = RunQlx({"header", Path("Totals.bas"), "--proc", "Sum", "--ini", ini.string()}, Now());
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "qlx: " + ini.string() + ": " + GetParam().message + "\n");
  EXPECT_EQ(Snapshot(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadSettings,
    ::testing::Values(
        SettingsCase{"Missing", "<missing>", "no such settings file"},
        SettingsCase{"Binary", std::string("[Author]\0Name=x\n", 16),
                     "the settings file is binary (it holds NUL bytes), not text"},
        SettingsCase{"Undecodable", "[Author]\nName=\x81\x20\x81\n", "the settings file is neither UTF-8 nor CP932 text"},
        SettingsCase{"Utf16", "\xFF\xFE[\0A\0]\0", "the settings file is stored in UTF-16; save it as UTF-8 or CP932"},
        SettingsCase{"DateFormatWithoutDate", "[Mode]\nDateFormat=hh:nn\n",
                     "[Mode] DateFormat \"hh:nn\" has no date in it (yyyy, mm, dd, m or d)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProjectTest, UnreadableSettingsFileIsOneMessage) {
  const std::optional<std::string> as_user = Unprivileged(dir_.path());
  if (!as_user) GTEST_SKIP() << "runs as root and cannot drop privileges (no setpriv): root reads every file";
  const fs::path ini = dir_ / "QLX.ini";
  fs::permissions(ini, fs::perms::none);
  RunResult r = RunQlx({"header", Path("Totals.bas"), "--proc", "Sum"}, Now() + " " + *as_user);
  fs::permissions(ini, fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "qlx: " + ini.string() + ": the settings file cannot be read (Permission denied)\n");
}

struct LocaleCase {
  const char* name;
  std::string env;
  std::string date;
};

class LocaleVariables : public ProjectTest, public ::testing::WithParamInterface<LocaleCase> {};

TEST_P(LocaleVariables, AreReadInTheirOrder) {
  RunResult r = RunQlx({"header", Path("sub/Bare.bas"), "--proc", "First", "--stdout"},
                       "QLX_NOW=2026-12-08T09:05:03 LC_ALL= LC_TIME= LANG=" + Home() + " " + GetParam().env);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("作成日:" + GetParam().date + ":"), std::string::npos) << r.out;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LocaleVariables,
    ::testing::Values(LocaleCase{"LcAllFirst", "LC_ALL=ja_JP.UTF-8 LC_TIME=de_DE.UTF-8 LANG=en_US.UTF-8", "2026/12/08"},
                      LocaleCase{"ThenLcTime", "LC_TIME=de_DE.UTF-8 LANG=ja_JP.UTF-8", "08.12.26"},
                      LocaleCase{"EmptyOnesDoNotCount", "LC_ALL= LC_TIME= LANG=ja_JP.UTF-8", "2026/12/08"},
                      LocaleCase{"NoneIsTheRootLocale", "", "2026-12-08"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qlx::testing
