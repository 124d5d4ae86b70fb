// The pieces of the project commands: which files a folder gives, and the
// unified diff they print.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/cli_support.h"
#include "cli/file_set.h"
#include "cli/unified_diff.h"

namespace qlx::testing {
namespace {

namespace fs = std::filesystem;
using cli::CollectFiles;
using cli::GlobMatch;
using cli::UnifiedDiff;

TEST(CollectFiles, WalksFoldersForModulesSortedAndSkipsHiddenFolders) {
  TempDir dir;
  for (const char* name : {"b/Z.bas", "b/a.CLS", "A.frm", "A.frx", "x.txt", ".git/H.bas", "skip/S.bas"}) {
    fs::create_directories((dir / name).parent_path());
    WriteFile(dir / name, "");
  }
  const cli::FileSet set = CollectFiles({dir.path().string(), (dir / "x.txt").string(), (dir / "A.frm").string()},
                                        {"skip"});
  std::vector<std::string> names;
  for (const fs::path& p : set.files) names.push_back(fs::relative(p, dir.path()).generic_string());
  // A file named again is not done twice; a file named directly is taken whatever its extension.
  EXPECT_EQ(names, (std::vector<std::string>{"A.frm", "b/Z.bas", "b/a.CLS", "x.txt"}));
  EXPECT_TRUE(set.walked_folder);
  EXPECT_EQ(CollectFiles({(dir / "missing").string()}, {}).files, std::vector<fs::path>{dir / "missing"});
  EXPECT_EQ(CollectFiles({"-"}, {}).files, std::vector<fs::path>{"-"});
}

struct GlobCase {
  const char* pattern;
  const char* text;
  bool matches;
};

class Glob : public ::testing::TestWithParam<GlobCase> {};

TEST_P(Glob, MatchesAsTheShellDoes) {
  EXPECT_EQ(GlobMatch(GetParam().pattern, GetParam().text), GetParam().matches);
}

INSTANTIATE_TEST_SUITE_P(Cases, Glob,
                         ::testing::Values(GlobCase{"*.cls", "A.cls", true}, GlobCase{"*.cls", "d/A.cls", false},
                                           GlobCase{"**/*.cls", "d/e/A.cls", true},
                                           GlobCase{"Mod?.bas", "Mod1.bas", true},
                                           GlobCase{"[AB]*", "Cx", false}, GlobCase{"[!A]*", "Bx", true},
                                           GlobCase{"[!A]*", "Ax", false}, GlobCase{"M[0-9].bas", "M7.bas", true},
                                           GlobCase{"M[0-9].bas", "Mx.bas", false}, GlobCase{"*Test*", "MyTests.bas", true},
                                           GlobCase{"a*b*c", "axxbyyc", true}, GlobCase{"a*b*c", "axxbyy", false},
                                           GlobCase{"\\*x", "*x", true}, GlobCase{"\\*x", "ax", false},
                                           GlobCase{"[a-", "[a-", true}, GlobCase{"*", "", true},
                                           GlobCase{"?", "/", false}, GlobCase{"src/*", "src/a/b", false},
                                           GlobCase{"**", "src/a/b", true}, GlobCase{"*.bas", "a.basx", false}));

struct DiffCase {
  const char* name;
  std::string before;
  std::string after;
  std::string hunks;  // the diff without its two header lines
};

class Diff : public ::testing::TestWithParam<DiffCase> {};

TEST_P(Diff, PrintsHunksWithThreeLinesOfContext) {
  const std::string diff = UnifiedDiff(GetParam().before, GetParam().after, "M.bas");
  if (GetParam().hunks.empty()) {
    EXPECT_EQ(diff, "");
  } else {
    EXPECT_EQ(diff, "--- a/M.bas\n+++ b/M.bas\n" + GetParam().hunks);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Diff,
    ::testing::Values(
        DiffCase{"Equal", "a\nb\n", "a\nb\n", ""},
        DiffCase{"InsertAtTop", "a\nb\nc\nd\ne\n", "x\na\nb\nc\nd\ne\n", "@@ -1,3 +1,4 @@\n+x\n a\n b\n c\n"},
        DiffCase{"ReplaceInMiddleCrLf", "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n",
                 "1\r\n2\r\n3\r\n4\r\nV\r\n6\r\n7\r\n8\r\n9\r\n",
                 "@@ -2,7 +2,7 @@\n 2\n 3\n 4\n-5\n+V\n 6\n 7\n 8\n"},
        DiffCase{"TwoFarApartChanges", "1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12\n",
                 "0\n1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12\n13\n",
                 "@@ -1,3 +1,4 @@\n+0\n 1\n 2\n 3\n@@ -10,3 +11,4 @@\n 10\n 11\n 12\n+13\n"},
        DiffCase{"DeleteAll", "a\nb\n", "", "@@ -1,2 +0,0 @@\n-a\n-b\n"},
        DiffCase{"FromEmpty", "", "a\n", "@@ -0,0 +1 @@\n+a\n"},
        DiffCase{"NewlineAtEndAdded", "a\nb", "a\nb\n",
                 "@@ -1,2 +1,2 @@\n a\n-b\n\\ No newline at end of file\n+b\n"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qlx::testing
