// A module whose code page cannot hold what a writer would write (a header's
// Japanese labels in a Windows-1252 module) is refused on its own: nothing
// of it is written, never a '?', and the other files of the run are done.
#include <gtest/gtest.h>

#include "cli/cli_support.h"

namespace qlx::testing {
namespace {

namespace fs = std::filesystem;

const std::string kNow = "QLX_NOW=2026-12-08T09:05:03 LANG=ja_JP.UTF-8";

// Windows-1252 (é is E9), so it is read as the code page given.
const std::string kWestern =
    "Attribute VB_Name = \"Western\"\r\n"
    "Option Explicit\r\n"
    "' Caf\xe9 prices\r\n"
    "Public Function Price(ByVal n As Long) As Long\r\n"
    "    Price = n\r\n"
    "End Function\r\n";
// UTF-8, which holds any header.
const std::string kUnicode =
    "Attribute VB_Name = \"Unicode\"\r\n"
    "' \xe5\x90\x88\xe8\xa8\x88\r\n"
    "Public Sub Total()\r\n"
    "End Sub\r\n";

class CodePageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(dir_ / "Western.bas", kWestern);
    WriteFile(dir_ / "Unicode.bas", kUnicode);
    WriteFile(dir_ / "QLX.ini", "[Author]\r\nName=Tester\r\n");
  }
  std::string PathOf(const char* name) const { return (dir_ / name).string(); }

  TempDir dir_;
};

TEST_F(CodePageTest, TheFileThatCannotHoldTheHeaderIsRefusedAndTheOthersAreDone) {
  for (const char* writer : {"headers", "all-headers"}) {
    SCOPED_TRACE(writer);
    const RunResult r = RunQlx({writer, dir_.path().string(), "--encoding", "CP1252"}, kNow);
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_NE(r.err.find(PathOf("Western.bas") +
                         ": line 5 (row 4): holds characters that the file's code page CP1252 cannot hold; nothing "
                         "was written"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(ReadFile(dir_ / "Western.bas"), kWestern);
    EXPECT_NE(ReadFile(dir_ / "Unicode.bas").find("'|\xe6\xa6\x82  \xe8\xa6\x81|:"), std::string::npos)
        << "the UTF-8 module got its header";
    EXPECT_EQ(ReadFile(dir_ / "Unicode.bas").find('?'), std::string::npos);
  }
  // Run again: the refused file is refused again, never given a second set of headers.
  const RunResult again = RunQlx({"headers", dir_.path().string(), "--encoding", "CP1252"}, kNow);
  EXPECT_EQ(again.status, 2);
  EXPECT_NE(again.err.find("qlx: 0 files changed, 1 unchanged, 1 refused"), std::string::npos) << again.err;
  EXPECT_EQ(ReadFile(dir_ / "Western.bas"), kWestern);
}

TEST_F(CodePageTest, StandardInputPrintsNothingRatherThanQuestionMarks) {
  const RunResult r =
      RunQlx({"headers", "-", "--encoding", "CP1252", "--ini", PathOf("QLX.ini")}, kNow, kWestern);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("-: line 5 (row 4): holds characters that the file's code page CP1252 cannot hold"),
            std::string::npos)
      << r.err;
}

TEST_F(CodePageTest, ASessionWritesTheFilesThatHoldTheirHeadersAndSaysWhichItCannot) {
  // WRITE in each module: Western's header cannot be saved, Unicode's can.
  const RunResult r = RunQlx({"session", PathOf("Western.bas"), PathOf("Unicode.bas"), "--ini", PathOf("QLX.ini"),
                              "--encoding", "CP1252"},
                             kNow + " QLX_CONFIG_DIR=" + Quote((dir_ / "user").string()),
                             "menu\nclick 3\nget\nwrite\nopen Unicode\nclick 2\nget\nwrite\n");
  EXPECT_EQ(r.status, 2) << r.err;
  EXPECT_NE(r.err.find("qlx: " + PathOf("Western.bas") + ": line 5 (row 4): holds characters that the file's code "
                       "page CP1252 cannot hold; nothing was written"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(ReadFile(dir_ / "Western.bas"), kWestern);
  EXPECT_NE(ReadFile(dir_ / "Unicode.bas").find("'|\xe6\xa6\x82  \xe8\xa6\x81|:"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace qlx::testing
