// qlx check on old code: a baseline accepts today's findings, so that only
// new ones are reported, whatever else moves in the files.
#include <gtest/gtest.h>

#include <filesystem>

#include <nlohmann/json.hpp>

#include "cli/check_baseline.h"
#include "cli/cli_support.h"

namespace qlx::testing {
namespace {

namespace fs = std::filesystem;

// Two procedures without headers; A has two 'deb markers.
constexpr char kLegacy[] =
    "Attribute VB_Name = \"Legacy\"\r\n"
    "Option Explicit\r\n"
    "Sub A()\r\n"
    "    'deb x\r\n"
    "    'deb y\r\n"
    "End Sub\r\n"
    "Sub B()\r\n"
    "End Sub\r\n";

class BaselineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir / "src/sub");
    WriteFile(dir / "src/Legacy.bas", kLegacy);
    WriteFile(dir / "src/sub/Other.bas", "Sub C()\r\nEnd Sub\r\n");
  }
  std::string Src() const { return (dir / "src").string(); }
  std::string Base() const { return (dir / "qlx-baseline.json").string(); }
  RunResult Write() const { return RunQlx({"check", "--write-baseline", Base(), Src()}); }
  RunResult Check(const std::string& path = "") const {
    return RunQlx({"check", "--baseline", Base(), path.empty() ? Src() : path});
  }
  // Replaces the first from in Legacy.bas with to.
  void Edit(const std::string& from, const std::string& to) const {
    std::string text = ReadFile(dir / "src/Legacy.bas");
    const std::size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
    WriteFile(dir / "src/Legacy.bas", text);
  }
  TempDir dir;
};

TEST_F(BaselineTest, WritesOneEntryPerFileRuleAndProcedureWithItsCount) {
  const RunResult r = Write();
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "qlx: wrote " + Base() + ": 5 findings in 2 files\n");
  EXPECT_EQ(ReadFile(Base()), R"({
  "version": 1,
  "findings": [
    {
      "file": "src/Legacy.bas",
      "rule": "deb-marker",
      "procedure": "A",
      "count": 2
    },
    {
      "file": "src/Legacy.bas",
      "rule": "missing-header",
      "procedure": "A",
      "count": 1
    },
    {
      "file": "src/Legacy.bas",
      "rule": "missing-header",
      "procedure": "B",
      "count": 1
    },
    {
      "file": "src/sub/Other.bas",
      "rule": "missing-header",
      "procedure": "C",
      "count": 1
    }
  ]
}
)");
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"qlx-baseline.json", "src"})) << "a temporary file was left";
}

TEST_F(BaselineTest, OnlyNewFindingsAreReported) {
  ASSERT_EQ(Write().status, 0);
  RunResult r = Check();
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "qlx: 0 findings in 2 files, 5 in the baseline\n");

  // Lines moved by an unrelated edit change nothing.
  Edit("Option Explicit\r\n", "Option Explicit\r\nPrivate m As Long\r\n\r\n");
  EXPECT_EQ(Check().status, 0);

  // A third marker in A, and a new procedure: only those are new.
  Edit("End Sub\r\nSub B()", "    'deb z\r\nEnd Sub\r\nSub B()");
  Edit("Sub B()\r\nEnd Sub\r\n", "Sub B()\r\nEnd Sub\r\nSub D()\r\nEnd Sub\r\n");
  r = Check();
  EXPECT_EQ(r.status, 1);
  const std::string legacy = (dir / "src/Legacy.bas").string();
  EXPECT_EQ(r.out, legacy + ":8:5: deb-marker: 'deb marker left in the code: \"'deb z\"\n" + legacy +
                       ":12:1: missing-header: D has no procedure header\n");
  EXPECT_EQ(r.err, "qlx: 2 findings in 2 files, 5 in the baseline\n");
}

TEST_F(BaselineTest, SaysHowManyEntriesNoLongerApply) {
  ASSERT_EQ(Write().status, 0);
  Edit("    'deb x\r\n", "");
  Edit("Sub B()\r\nEnd Sub\r\n", "");
  const RunResult r = Check();
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "qlx: 0 findings in 2 files, 3 in the baseline\n"
                   "qlx: 2 baseline entries no longer apply (qlx check --write-baseline " +
                       Base() + " drops them)\n");
}

// A run on some of the files, or with fewer rules, says nothing about the
// entries it did not look at.
TEST_F(BaselineTest, EntriesOfFilesAndRulesNotCheckedStillApply) {
  ASSERT_EQ(Write().status, 0);
  RunResult r = Check((dir / "src/sub/Other.bas").string());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "qlx: 0 findings in 1 file, 1 in the baseline\n");
  r = RunQlx({"check", "--baseline", Base(), "--select", "deb-marker", Src()});
  EXPECT_EQ(r.err, "qlx: 0 findings in 2 files, 2 in the baseline\n");
}

// The files are named relative to the baseline's folder, so that it holds
// wherever qlx runs from and however the folder is named.
TEST_F(BaselineTest, FilesAreNamedRelativeToTheBaseline) {
  ASSERT_EQ(Write().status, 0);
  const RunResult r = RunQlx({"check", "--baseline", Base(), "."}, "cd " + Quote(Src()) + " &&");
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(r.err, "qlx: 0 findings in 2 files, 5 in the baseline\n");
  EXPECT_EQ(cli::BaselineFileName("/a/b/src/M.bas", "/a/b/base.json"), "src/M.bas");
  EXPECT_EQ(cli::BaselineFileName("/a/other/M.bas", "/a/b/base.json"), "../other/M.bas");
  EXPECT_EQ(cli::BaselineFileName("/a/b/./src/../M.bas", "/a/b/c/../base.json"), "M.bas");
}

TEST_F(BaselineTest, AFileThatCannotBeReadWritesNoBaseline) {
  WriteFile(dir / "src/Bad.bas", std::string("\0\1", 2));
  const RunResult r = Write();
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("qlx: nothing was written to " + Base() + ": 1 file not read\n"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(Base()));
}

TEST_F(BaselineTest, BaselineAndWriteBaselineTogetherAreRefused) {
  const RunResult r = RunQlx({"check", "--baseline", Base(), "--write-baseline", Base(), Src()});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("cannot both be given"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(Base()));
}

struct MalformedCase {
  const char* name;
  std::string text;  // "" : no file at all
  std::string message;
};

class MalformedBaselineTest : public BaselineTest, public ::testing::WithParamInterface<MalformedCase> {};

// A baseline that is not one stops the run at once: exit 2, nothing checked,
// the file as it was.
TEST_P(MalformedBaselineTest, IsAClearError) {
  if (!GetParam().text.empty()) WriteFile(Base(), GetParam().text);
  const RunResult r = Check();
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  const std::string where = "qlx: " + Base() + ": not a qlx baseline: ";
  if (GetParam().text.empty()) {
    EXPECT_EQ(r.err.rfind("qlx: the baseline " + Base(), 0), 0u) << r.err;
  } else {
    EXPECT_EQ(r.err, where + GetParam().message + "\n");
    EXPECT_EQ(ReadFile(Base()), GetParam().text);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Check, MalformedBaselineTest,
    ::testing::Values(
        MalformedCase{"Missing", "", ""},
        MalformedCase{"NotJson", "{\"version\": 1,",
                      "parse error at line 1, column 15: syntax error while parsing object key - unexpected end of "
                      "input; expected string literal"},
        MalformedCase{"AnArray", "[]", "it is not a JSON object"},
        MalformedCase{"NoVersion", "{\"findings\": []}", "\"version\" must be 1"},
        MalformedCase{"LaterVersion", "{\"version\": 2, \"findings\": []}", "\"version\" must be 1"},
        MalformedCase{"NoFindings", "{\"version\": 1}", "\"findings\" must be an array"},
        MalformedCase{"EntryNotObject", "{\"version\": 1, \"findings\": [1]}", "entry 1: it is not a JSON object"},
        MalformedCase{"NoRule",
                      "{\"version\": 1, \"findings\": [{\"file\": \"a.bas\", \"procedure\": \"\", \"count\": 1}]}",
                      "entry 1: \"rule\" is missing"},
        MalformedCase{"FileNotText",
                      "{\"version\": 1, \"findings\": [{\"file\": 3, \"rule\": \"x\", \"procedure\": \"\", \"count\": 1}]}",
                      "entry 1: \"file\" must be a string"},
        MalformedCase{"CountZero",
                      "{\"version\": 1, \"findings\": [{\"file\": \"a.bas\", \"rule\": \"x\", \"procedure\": \"\", "
                      "\"count\": 0}]}",
                      "entry 1: \"count\" must be a whole number of at least 1"},
        MalformedCase{"CountText",
                      "{\"version\": 1, \"findings\": [{\"file\": \"a.bas\", \"rule\": \"x\", \"procedure\": \"\", "
                      "\"count\": \"1\"}]}",
                      "entry 1: \"count\" must be a whole number of at least 1"}),
    [](const auto& info) { return std::string(info.param.name); });

// Entries written by hand, or the same key twice, add up.
TEST_F(BaselineTest, ReadBackAddsUpRepeatedKeys) {
  WriteFile(Base(), R"({"version": 1, "findings": [
    {"file": "src/Legacy.bas", "rule": "deb-marker", "procedure": "A", "count": 1},
    {"file": "src/Legacy.bas", "rule": "deb-marker", "procedure": "A", "count": 1},
    {"file": "src/Legacy.bas", "module": "", "rule": "no-such-rule", "procedure": "A", "count": 4}]})");
  const cli::Baseline read = cli::Baseline::Read(Base());
  EXPECT_EQ(read.counts.at({"src/Legacy.bas", "", "deb-marker", "A"}), 2);
  const RunResult r = RunQlx({"check", "--baseline", Base(), "--select", "deb-marker", Src()});
  EXPECT_EQ(r.status, 0) << r.out;
}

}  // namespace
}  // namespace qlx::testing
