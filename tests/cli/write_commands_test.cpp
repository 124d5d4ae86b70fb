// qlx header and qlx errtrap on files: what they write, what they leave
// byte for byte, how questions are answered, and the settings they read.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/cli_support.h"

namespace qlx::testing {
namespace {

using nlohmann::json;

const std::string kNow = "QLX_NOW=2026-12-08T09:05:03 LANG=ja_JP.UTF-8";
const std::string kLater = "QLX_NOW=2026-12-09T17:30:00 LANG=ja_JP.UTF-8";

// UTF-8, LF endings, a class with hidden lines and a member attribute.
const std::string kModule =
    "VERSION 1.0 CLASS\n"
    "BEGIN\n"
    "  MultiUse = -1  'True\n"
    "END\n"
    "Attribute VB_Name = \"Calc\"\n"
    "Option Explicit\n"
    "' 計算\n"
    "\n"
    "Public Function Add(ByVal a As Long, b As Long) As Long\n"
    "Attribute Add.VB_Description = \"足し算\"\n"
    "    Dim t As Long\n"
    "    b = b + 1\n"
    "    Add = a + b\n"
    "End Function\n";

const std::string kHeader =
    "'>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>\n"
    "'|概  要|:\n"
    "'|戻り値|:型 Long :\n"
    "'|ﾊﾟﾗﾒｰﾀ| 仮引数名            |I/O| 型                  | 説明\n"
    "'| No.1 | a                   |I  | Long                |:\n"
    "'| No.2 | b                   |I/O| Long                |:\n"
    "'|依  存|:\n"
    "'|解  説|:\n"
    "'|      |:\n";

std::string Replace(std::string s, const std::string& from, const std::string& to) {
  std::size_t at = s.find(from);
  if (at != std::string::npos) s.replace(at, from.size(), to);
  return s;
}

class WriteCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(dir_ / "Calc.cls", kModule);
    // The settings file is in the ANSI code page: 山田 in CP932.
    WriteFile(dir_ / "QLX.ini", "[Author]\r\nName=\x8e\x52\x93\x63\r\n");
  }
  std::string Path() const { return (dir_ / "Calc.cls").string(); }
  std::string Ini() const { return (dir_ / "QLX.ini").string(); }
  std::string File() const { return ReadFile(dir_ / "Calc.cls"); }

  TempDir dir_;
};

TEST_F(WriteCommandTest, HeaderTwiceUpdatesTheAuthorLineAndNothingElse) {
  RunResult first = RunQlx({"header", Path(), "--line", "12", "--ini", Ini()}, kNow);
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(first.err, "qlx: wrote " + Path() + "\n");
  const std::string created = "'|作  者|:山田: 作成日:2026/12/08: 更新:未更新\n";
  const std::string once = Replace(kModule, "Public Function", kHeader + created + "Public Function");
  EXPECT_EQ(File(), once);

  RunResult second =
      RunQlx({"header", Path(), "--line", "22", "--ini", Ini(), "--answers", "y,y", "--json-messages"}, kLater);
  ASSERT_EQ(second.status, 0) << second.err;
  const std::string updated = "'|作  者|:山田: 作成日:2026/12/08: 更新:2026/12/09 17:30:00\n";
  EXPECT_EQ(File(), Replace(once, created, updated));

  std::vector<json> boxes;
  std::istringstream lines(second.err);
  for (std::string line; std::getline(lines, line);) boxes.push_back(json::parse(line));
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[2], (json{{"file", Path()}, {"written", true}}));
  EXPECT_EQ(boxes[0]["text"], "ヘッダが存在します。更新しますか?");
  EXPECT_EQ(boxes[0]["answer"], "yes");
  EXPECT_EQ(boxes[1]["text"], "これ以後、元に戻せなくなります。\r\n更新してもよろしいですか？");
  EXPECT_EQ(boxes[1]["answer"], "yes");
}

TEST_F(WriteCommandTest, QuestionsWithoutAnswersAreAnsweredNoAndSaySo) {
  ASSERT_EQ(RunQlx({"header", Path(), "--row", "4", "--ini", Ini()}, kNow).status, 0);
  const std::string once = File();
  RunResult r = RunQlx({"header", Path(), "--row", "4", "--ini", Ini()}, kLater);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "[QLX] ヘッダが存在します。更新しますか? -> No (no answer given; answered No)\n");
  EXPECT_EQ(File(), once);
}

TEST_F(WriteCommandTest, ConfirmationAnsweredNoPutsTheOldHeaderBack) {
  ASSERT_EQ(RunQlx({"header", Path(), "--row", "4", "--ini", Ini()}, kNow).status, 0);
  const std::string once = File();
  RunResult r = RunQlx({"header", Path(), "--row", "4", "--ini", Ini(), "--answers", "y,n"}, kLater);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(File(), once);
}

TEST_F(WriteCommandTest, SettingsAndAuthorOption) {
  WriteFile(dir_ / "QLX.ini", "[Author]\r\nName=\x8e\x52\x93\x63\r\n[Mode]\r\nIgnoreMode=1\r\nUnUndoMode=1\r\n");
  const std::string settings_before = ReadFile(dir_ / "QLX.ini");
  ASSERT_EQ(RunQlx({"header", Path(), "--row", "4", "--ini", Ini(), "--author", "Suzuki"}, kNow).status, 0);
  EXPECT_NE(File().find("'|作  者|:Suzuki: 作成日:2026/12/08"), std::string::npos);
  // IgnoreMode and UnUndoMode: the update asks nothing.
  RunResult r = RunQlx({"header", Path(), "--row", "4", "--ini", Ini()}, kLater);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "qlx: wrote " + Path() + "\n");
  EXPECT_NE(File().find("'|作  者|:Suzuki: 作成日:2026/12/08: 更新:2026/12/09 17:30:00"), std::string::npos);
  EXPECT_EQ(ReadFile(dir_ / "QLX.ini"), settings_before);  // commands never write settings
}

TEST_F(WriteCommandTest, StdoutLeavesTheFileUntouched) {
  RunResult r = RunQlx({"errtrap", Path(), "--row", "4", "--ini", Ini(), "--stdout"}, kNow);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(File(), kModule);
  EXPECT_NE(r.out.find("On Error GoTo PROC_ERR"), std::string::npos);
  EXPECT_NE(r.out.find("    \"Calc\" & \".\" & \"Add\"\n"), std::string::npos);
  // The member attribute still follows the declaration.
  EXPECT_NE(r.out.find("As Long\nAttribute Add.VB_Description = \"足し算\"\n    Dim t As Long\n"),
            std::string::npos);
}

TEST_F(WriteCommandTest, ErrTrapHonoursErrInsertPos) {
  WriteFile(dir_ / "QLX.ini", "[Mode]\r\nErrInsertPos=1\r\n");
  ASSERT_EQ(RunQlx({"errtrap", Path(), "--row", "4", "--ini", Ini()}, kNow).status, 0);
  EXPECT_NE(File().find("\"足し算\"\n\nOn Error GoTo PROC_ERR\n\n    Dim t As Long\n"), std::string::npos)
      << File();
}

TEST_F(WriteCommandTest, RowOfTheDeclarationSectionIsRefusedBeforeAnythingRuns) {
  RunResult r = RunQlx({"errtrap", Path(), "--row", "1", "--ini", Ini()}, kNow);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "qlx: row 1 is in the module's declaration section, not inside a procedure\n");
  EXPECT_EQ(File(), kModule);
}

TEST_F(WriteCommandTest, BadInputIsRefusedAndNothingWritten) {
  RunResult bad_answers = RunQlx({"header", Path(), "--row", "4", "--answers", "y,maybe", "--ini", Ini()}, kNow);
  EXPECT_EQ(bad_answers.status, 2);
  EXPECT_NE(bad_answers.err.find("--answers"), std::string::npos);

  RunResult bad_now = RunQlx({"header", Path(), "--row", "4", "--ini", Ini()}, "QLX_NOW=yesterday");
  EXPECT_EQ(bad_now.status, 2);
  EXPECT_NE(bad_now.err.find("QLX_NOW"), std::string::npos);

  RunResult ini_dir = RunQlx({"header", Path(), "--row", "4", "--ini", dir_.path().string()}, kNow);
  EXPECT_EQ(ini_dir.status, 2);
  EXPECT_EQ(File(), kModule);
}

TEST_F(WriteCommandTest, ReadOnlyFileIsReportedAndLeftAsItWas) {
  std::filesystem::permissions(dir_ / "Calc.cls", std::filesystem::perms::owner_read);
  RunResult r = RunQlx({"header", Path(), "--row", "4", "--ini", Ini()}, kNow);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("Calc.cls"), std::string::npos) << r.err;
  EXPECT_EQ(File(), kModule);
}

}  // namespace
}  // namespace qlx::testing
