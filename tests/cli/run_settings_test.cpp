// One run over many folders finds, checks and reads each settings file once:
// every file still gets the settings nearest to it, and a settings file qlx
// refuses is refused for each of its files, in the same words.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "cli/cli_support.h"

namespace qlx::testing {
namespace {

namespace fs = std::filesystem;

// In UTF-8 (its comment is not ASCII), so that headers are written in UTF-8.
std::string Module(const std::string& name) {
  return "Attribute VB_Name = \"" + name + "\"\n' 手続き\nSub Go" + name + "()\nEnd Sub\n";
}

void WriteIn(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  WriteFile(path, bytes);
}

// The author a module's header names.
std::string AuthorOf(const fs::path& file) {
  const std::string text = ReadFile(file);
  const std::string mark = "|作  者|:";
  const std::size_t at = text.find(mark);
  if (at == std::string::npos) return "<no header>";
  const std::size_t from = at + mark.size();
  return text.substr(from, text.find(':', from) - from);
}

class RunSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(dir_ / ".git"); }
  std::string Env() const {
    return "QLX_NOW=2026-12-08T09:05:03 LANG=ja_JP.UTF-8 QLX_INI= HOME=" + home_.path().string() + " XDG_CONFIG_HOME=";
  }
  void Put(const std::string& file) { WriteIn(dir_ / file, Module(fs::path(file).stem().string())); }

  TempDir dir_;
  TempDir home_;
};

TEST_F(RunSettingsTest, EachFileGetsTheSettingsNearestItsFolder) {
  WriteIn(dir_ / "QLX.ini", "[Author]\nName=Root\n");
  WriteIn(dir_ / "src" / "a" / "QLX.ini", "[Author]\nName=A\n");
  WriteIn(dir_ / "src" / "c" / "QLX.ini", "[Author]\nName=C\n[Mode]\nDateFormat=yyyy-mm-dd\n");
  // Files of the same name in several folders, folders that share a file and
  // folders between them that have none.
  const std::map<std::string, std::string> expected = {
      {"src/M.bas", "Root"},     {"src/a/M.bas", "A"},      {"src/a/deep/M.bas", "A"}, {"src/a/deep/N.bas", "A"},
      {"src/b/M.bas", "Root"},   {"src/c/M.bas", "C"},      {"src/c/d/M.bas", "C"},    {"src/z/M.bas", "Root"}};
  for (const auto& [file, author] : expected) Put(file);

  const RunResult r = RunQlx({"headers", "-q", (dir_ / "src").string()}, Env());
  ASSERT_EQ(r.status, 0) << r.err;
  for (const auto& [file, author] : expected) EXPECT_EQ(AuthorOf(dir_ / file), author) << file;
  EXPECT_NE(ReadFile(dir_ / "src/c/d/M.bas").find("作成日:2026-12-08:"), std::string::npos);
  EXPECT_NE(ReadFile(dir_ / "src/M.bas").find("作成日:2026/12/08:"), std::string::npos);

  // --ini stands for every folder's own.
  WriteIn(dir_ / "given.ini", "[Author]\nName=Given\n");
  for (const auto& [file, author] : expected) Put(file);
  const RunResult given = RunQlx({"headers", "-q", (dir_ / "src").string(), "--ini", (dir_ / "given.ini").string()}, Env());
  ASSERT_EQ(given.status, 0) << given.err;
  for (const auto& [file, author] : expected) EXPECT_EQ(AuthorOf(dir_ / file), "Given") << file;
}

// check finds each folder's settings once too, and each file keeps its own
// folder's rules; a refused settings file is said once for all its files.
TEST_F(RunSettingsTest, CheckTakesTheRulesNearestEachFile) {
  WriteIn(dir_ / "src" / "a" / "QLX.ini", "[Check]\nIgnore=missing-header\n");
  WriteIn(dir_ / "src" / "bad" / "QLX.ini", "[Check]\nSelect=nonsense\n");
  for (const char* file : {"src/M.bas", "src/a/M.bas", "src/a/deep/N.bas", "src/b/M.bas", "src/bad/B.bas",
                           "src/bad/C.bas"}) {
    Put(file);
  }
  const RunResult r = RunQlx({"check", (dir_ / "src").string()}, Env());
  EXPECT_EQ(r.status, 2) << r.err;
  EXPECT_EQ(r.out, (dir_ / "src/M.bas").string() + ":3:1: missing-header: GoM has no procedure header\n" +
                       (dir_ / "src/b/M.bas").string() + ":3:1: missing-header: GoM has no procedure header\n");
  EXPECT_EQ(r.err, "qlx: " + (dir_ / "src" / "bad" / "QLX.ini").string() +
                       ": [Check] Select \"nonsense\": unknown rule 'nonsense'\n"
                       "qlx: 2 findings in 4 files, 2 files not read\n");
}

struct RefusedCase {
  const char* name;
  std::string bytes;
  std::string message;
};

class RefusedSettingsTest : public RunSettingsTest, public ::testing::WithParamInterface<RefusedCase> {};

// Refused once is not remembered as good: each file of the folder is
// refused with the same message, and the other folders' files are written.
TEST_P(RefusedSettingsTest, AreRefusedForEachOfTheirFiles) {
  WriteIn(dir_ / "QLX.ini", "[Author]\nName=Root\n");
  WriteIn(dir_ / "src" / "bad" / "QLX.ini", GetParam().bytes);
  for (const char* file : {"src/A.bas", "src/bad/B.bas", "src/bad/C.bas", "src/bad/deep/D.bas", "src/z/E.bas"}) {
    Put(file);
  }
  const std::string message = "qlx: " + (dir_ / "src" / "bad" / "QLX.ini").string() + ": " + GetParam().message + "\n";
  const RunResult r = RunQlx({"headers", (dir_ / "src").string()}, Env());
  EXPECT_EQ(r.status, 2) << r.err;
  std::size_t said = 0;
  for (std::size_t at = r.err.find(message); at != std::string::npos; at = r.err.find(message, at + 1)) ++said;
  EXPECT_EQ(said, 3u) << r.err;
  EXPECT_NE(r.err.find("qlx: 2 files changed, 0 unchanged, 3 refused\n"), std::string::npos) << r.err;
  for (const char* file : {"src/bad/B.bas", "src/bad/C.bas", "src/bad/deep/D.bas"}) {
    EXPECT_EQ(ReadFile(dir_ / file), Module(fs::path(file).stem().string())) << file;
  }
  EXPECT_EQ(AuthorOf(dir_ / "src/A.bas"), "Root");
  EXPECT_EQ(AuthorOf(dir_ / "src/z/E.bas"), "Root");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedSettingsTest,
    ::testing::Values(RefusedCase{"Binary", std::string("[Author]\0Name=x\n", 16),
                                  "the settings file is binary (it holds NUL bytes), not text"},
                      RefusedCase{"Undecodable", "[Author]\nName=\x81\x20\x81\n",
                                  "the settings file is neither UTF-8 nor CP932 text"},
                      RefusedCase{"DateFormatWithoutDate", "[Mode]\nDateFormat=hh:nn\n",
                                  "[Mode] DateFormat \"hh:nn\" has no date in it (yyyy, mm, dd, m or d)"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qlx::testing
