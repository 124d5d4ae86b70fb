// Running a writing command a second time on its own output: the error
// handler it wrote is found again and asked about, the module header it
// wrote is found again and rewritten to the same bytes.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/cli_support.h"

namespace qlx::testing {
namespace {

using nlohmann::json;

const std::string kNow = "QLX_NOW=2026-12-08T09:05:03 LANG=ja_JP.UTF-8";

class RerunTest : public ::testing::Test {
 protected:
  void SetUp() override { WriteFile(dir_ / "QLX.ini", "[Author]\r\nName=Tester\r\n"); }
  std::string Path() const { return (dir_ / "Calc.bas").string(); }
  std::string Ini() const { return (dir_ / "QLX.ini").string(); }
  std::string File() const { return ReadFile(dir_ / "Calc.bas"); }

  TempDir dir_;
};

TEST_F(RerunTest, ErrTrapTwiceAsksAndAnsweredNoLeavesTheBytes) {
  WriteFile(dir_ / "Calc.bas",
            "Attribute VB_Name = \"Calc\"\r\n"
            "Option Explicit\r\n"
            "\r\n"
            "Public Function Add(ByVal a As Long, ByVal b As Long) As Long\r\n"
            "    Dim t As Long ' 合計\r\n"
            "    t = a + b\r\n"
            "    Add = t\r\n"
            "End Function\r\n");
  RunResult first = RunQlx({"errtrap", Path(), "--row", "4", "--ini", Ini()}, kNow);
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(first.err, "qlx: wrote " + Path() + "\n");
  // The handler as the editor stores it.
  const std::string once =
      "Attribute VB_Name = \"Calc\"\r\n"
      "Option Explicit\r\n"
      "\r\n"
      "Public Function Add(ByVal a As Long, ByVal b As Long) As Long\r\n"
      "    Dim t As Long ' 合計\r\n"
      "\r\n"
      "On Error GoTo PROC_ERR\r\n"
      "\r\n"
      "    t = a + b\r\n"
      "    Add = t\r\n"
      "\r\n"
      "PROC_EXIT:\r\n"
      "    Exit Function\r\n"
      "\r\n"
      "PROC_ERR:\r\n"
      "    MsgBox \"Error_Number: \" & Err.Number & \".  : \" & Err.Description, , _\r\n"
      "    \"Calc\" & \".\" & \"Add\"\r\n"
      "    Resume PROC_EXIT\r\n"
      "\r\n"
      "End Function\r\n";
  ASSERT_EQ(File(), once);

  RunResult second =
      RunQlx({"errtrap", Path(), "--row", "4", "--ini", Ini(), "--answers", "n", "--json-messages"}, kNow);
  EXPECT_EQ(second.status, 0) << second.err;
  ASSERT_FALSE(second.err.empty());
  const json box = json::parse(second.err.substr(0, second.err.find('\n')));
  EXPECT_EQ(box["title"], "QLX");
  EXPECT_EQ(box["text"], "On Error ステートメントが既に存在します。\r\n新しい汎用エラーハンドラを挿入しますか？");
  EXPECT_EQ(box["buttons"], "yesno");
  EXPECT_EQ(box["answer"], "no");
  EXPECT_EQ(File(), once);
}

TEST_F(RerunTest, ModuleHeaderTwiceWithoutADeclarationLineGivesTheSameBytes) {
  const std::string module =
      "Attribute VB_Name = \"Calc\"\r\n"
      "' 道具\r\n"
      "Sub A()\r\n"
      "End Sub\r\n"
      "\r\n"
      "Function B() As Long\r\n"
      "End Function\r\n";
  WriteFile(dir_ / "Calc.bas", module);
  RunResult first = RunQlx({"module-header", Path(), "--ini", Ini()}, kNow);
  ASSERT_EQ(first.status, 0) << first.err;
  const std::string once = File();
  EXPECT_EQ(once,
            "Attribute VB_Name = \"Calc\"\r\n"
            "'" + std::string(38, '=') + "Calc" + std::string(37, '=') + "\r\n"
            "'|USAGE |:\r\n"
            "'|  OF  |:\r\n"
            "'| THIS |:\r\n"
            "'|MODULE|:\r\n"
            "'|Number|Knd|Procedure Name |:-----Summary Description-----\r\n"
            "'|No.1  |Sub|A              |:\r\n"
            "'|No.2  |Fnc|B              |:\r\n" +
                module.substr(module.find("' 道具")));

  RunResult second = RunQlx({"module-header", Path(), "--ini", Ini()}, kNow);
  ASSERT_EQ(second.status, 0) << second.err;
  EXPECT_EQ(second.err, "");
  EXPECT_EQ(File(), once);
}

}  // namespace
}  // namespace qlx::testing
