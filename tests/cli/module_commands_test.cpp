// qlx module-header, all-headers and deb on files: the lines they add, and
// every other line left byte for byte as it was.
#include <gtest/gtest.h>

#include "cli/cli_support.h"

namespace qlx::testing {
namespace {

const std::string kSample = std::string(QLX_SOURCE_DIR) + "/examples/Sample.bas";
const std::string kNow = "QLX_NOW=2026-12-08T09:05:03 LANG=ja_JP.UTF-8";

std::vector<std::string> SplitLines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size() - 1;
    lines.push_back(bytes.substr(start, end - start + 1));
    start = end + 1;
  }
  return lines;
}

// The lines of `after` that are not the original lines in order, or a note
// naming the first original line that did not survive byte for byte.
std::vector<std::string> AddedLines(const std::string& before, const std::string& after) {
  const std::vector<std::string> old_lines = SplitLines(before);
  std::vector<std::string> added;
  std::size_t next = 0;
  for (const std::string& line : SplitLines(after)) {
    if (next < old_lines.size() && line == old_lines[next]) {
      ++next;
    } else {
      added.push_back(line);
    }
  }
  if (next != old_lines.size()) added.push_back("LOST: " + old_lines[next]);
  return added;
}

class ModuleCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    original_ = ReadFile(kSample);
    WriteFile(dir_ / "Sample.bas", original_);
    WriteFile(dir_ / "QLX.ini", "");
  }
  RunResult Run(const std::string& command, std::vector<std::string> extra = {}) {
    std::vector<std::string> args{command, (dir_ / "Sample.bas").string(), "--ini", (dir_ / "QLX.ini").string()};
    args.insert(args.end(), extra.begin(), extra.end());
    return RunQlx(args, kNow);
  }
  std::string File() const { return ReadFile(dir_ / "Sample.bas"); }

  TempDir dir_;
  std::string original_;
};

TEST_F(ModuleCommandTest, ModuleHeaderAddsBannerDescriptionAndOneRowPerProcedure) {
  RunResult r = Run("module-header");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> added = AddedLines(original_, File());
  // Banner, four description lines, the table title, six procedures (CP932, CRLF).
  ASSERT_EQ(added.size(), 12u);
  EXPECT_EQ(added[0], "'====================================Sample=====================================\r\n");
  EXPECT_EQ(added[5].substr(0, 8), "'|Number");
  EXPECT_EQ(added[6].substr(0, 12), "'|No.1  |Fnc");

  // A rewrite changes nothing when nothing changed.
  const std::string once = File();
  ASSERT_EQ(Run("module-header").status, 0);
  EXPECT_EQ(File(), once);
}

TEST_F(ModuleCommandTest, AllHeadersPutsOneHeaderAboveEveryProcedure) {
  RunResult r = Run("all-headers", {"--author", "QA"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> added = AddedLines(original_, File());
  int separators = 0;
  int authors = 0;
  for (const std::string& line : added) {
    if (line.rfind("'>>>>>", 0) == 0) ++separators;
    if (line.find("QA: ") != std::string::npos) ++authors;
    EXPECT_EQ(line.substr(0, 5).find("LOST"), std::string::npos) << line;
  }
  EXPECT_EQ(separators, 6);
  EXPECT_EQ(authors, 6);
}

TEST_F(ModuleCommandTest, DebReplacesTheMarkerLineOnly) {
  RunResult r = Run("deb");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> old_lines = SplitLines(original_);
  const std::vector<std::string> new_lines = SplitLines(File());
  ASSERT_EQ(old_lines.size(), new_lines.size());
  int changed = 0;
  for (std::size_t i = 0; i < old_lines.size(); ++i) {
    if (old_lines[i] != new_lines[i]) {
      ++changed;
      EXPECT_NE(new_lines[i].find("    Debug.Print \""), std::string::npos);
    }
  }
  EXPECT_EQ(changed, 1);
}

TEST_F(ModuleCommandTest, MalformedMarkerStopsWithTheMessageAndExit1) {
  WriteFile(dir_ / "Sample.bas", "Sub A()\r\n    'deb a\r\n    'deb x y\r\n    'deb c\r\nEnd Sub\r\n");
  RunResult r = Run("deb");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "[QLX] ['deb ]文の後方に[for]ではない文字列があります 3行\n"
            "Usage ['deb Variable] Or ['deb Variable for]\n"
            "qlx: wrote " + (dir_ / "Sample.bas").string() + "\n");
  EXPECT_EQ(File(), "Sub A()\r\n    Debug.Print \"a = \"; a\r\n    'deb x y\r\n    'deb c\r\nEnd Sub\r\n");
}

TEST_F(ModuleCommandTest, NothingToDoLeavesTheFileUntouched) {
  WriteFile(dir_ / "Sample.bas", "Option Explicit\r\n");
  const auto mtime = std::filesystem::last_write_time(dir_ / "Sample.bas");
  EXPECT_EQ(Run("deb").status, 0);
  EXPECT_EQ(Run("all-headers").status, 1);  // "no procedure" is a refusal
  EXPECT_EQ(File(), "Option Explicit\r\n");
  EXPECT_EQ(std::filesystem::last_write_time(dir_ / "Sample.bas"), mtime);
}

}  // namespace
}  // namespace qlx::testing
