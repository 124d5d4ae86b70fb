// Folder walks inside a git work tree leave out what git ignores, unless
// --no-ignore; what the user names is never left out. Each case builds a
// real repository in a temporary folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "cli/cli_support.h"
#include "cli/file_set.h"

namespace qlx::testing {
namespace {

namespace fs = std::filesystem;

constexpr char kModule[] = "Sub A()\n    'deb x\nEnd Sub\n";

class GitIgnoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(Git("init -q"), 0) << "git is needed for these tests";
    for (const char* name : {"src/A.bas", "src/build/Gen.bas", "src/Scratch.tmp.bas", "src/Kept.tmp.bas",
                             "src/sub/B.cls", "src/sub/Local.bas", "out/O.bas", "vendor/V.bas"}) {
      fs::create_directories((dir / name).parent_path());
      WriteFile(dir / name, kModule);
    }
    WriteFile(dir / ".gitignore", "build/\n*.tmp.bas\n/out\n");
    WriteFile(dir / "src" / "sub" / ".gitignore", "Local.bas\n");
    WriteFile(dir / ".git" / "info" / "exclude", "vendor/\n");
    // A tracked file is never ignored, whatever the patterns say.
    ASSERT_EQ(Git("add -f src/Kept.tmp.bas"), 0);
  }

  int Git(const std::string& args) const {
    return std::system(("GIT_CONFIG_NOSYSTEM=1 git -C " + Quote(dir.path().string()) + " " + args +
                        " >/dev/null 2>&1").c_str());
  }

  // The files a walk of paths gives, relative to the repository.
  std::vector<std::string> Walked(const std::vector<std::string>& paths, bool no_ignore = false) const {
    std::vector<std::string> names;
    for (const fs::path& p : cli::CollectFiles(paths, {}, no_ignore).files) {
      names.push_back(fs::relative(p, dir.path()).generic_string());
    }
    return names;
  }

  std::string At(const std::string& name) const { return (dir / name).string(); }

  TempDir dir;
};

TEST_F(GitIgnoreTest, WalkLeavesOutWhatGitIgnores) {
  EXPECT_EQ(Walked({dir.path().string()}), (std::vector<std::string>{"src/A.bas", "src/Kept.tmp.bas", "src/sub/B.cls"}));
}

TEST_F(GitIgnoreTest, WalkOfASubfolderUsesTheRepositorysPatterns) {
  EXPECT_EQ(Walked({At("src/sub")}), (std::vector<std::string>{"src/sub/B.cls"}));
  EXPECT_EQ(Walked({At("src")}), (std::vector<std::string>{"src/A.bas", "src/Kept.tmp.bas", "src/sub/B.cls"}));
}

TEST_F(GitIgnoreTest, RelativeFolderFromInsideTheRepository) {
  const fs::path before = fs::current_path();
  fs::current_path(dir.path() / "src");
  const std::vector<fs::path> files = cli::CollectFiles({"."}, {}).files;
  fs::current_path(before);
  EXPECT_EQ(files, (std::vector<fs::path>{"A.bas", "Kept.tmp.bas", "sub/B.cls"}));
}

TEST_F(GitIgnoreTest, NoIgnoreWalksEverything) {
  EXPECT_EQ(Walked({dir.path().string()}, true),
            (std::vector<std::string>{"out/O.bas", "src/A.bas", "src/Kept.tmp.bas", "src/Scratch.tmp.bas",
                                      "src/build/Gen.bas", "src/sub/B.cls", "src/sub/Local.bas", "vendor/V.bas"}));
}

TEST_F(GitIgnoreTest, WhatIsNamedIsNeverIgnored) {
  // A file named directly, and a folder git ignores as a whole, walked in full.
  EXPECT_EQ(Walked({At("src/Scratch.tmp.bas"), At("src/build"), At("out")}),
            (std::vector<std::string>{"src/Scratch.tmp.bas", "src/build/Gen.bas", "out/O.bas"}));
}

TEST(GitIgnoreOutsideARepository, NothingIsLeftOut) {
  TempDir dir;
  WriteFile(dir / ".gitignore", "*.bas\n");
  WriteFile(dir / "A.bas", kModule);
  EXPECT_EQ(cli::CollectFiles({dir.path().string()}, {}).files, std::vector<fs::path>{dir / "A.bas"});
}

// Every command that walks folders leaves the ignored files out: check does
// not report them, and a writing command does not touch them.
TEST_F(GitIgnoreTest, CommandsLeaveIgnoredFilesAlone) {
  RunResult r = RunQlx({"check", "--select", "deb-marker", "--format", "json", dir.path().string()});
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(r.out.find("Gen.bas"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("src/A.bas"), std::string::npos) << r.out;

  r = RunQlx({"check", "--select", "deb-marker", "--no-ignore", dir.path().string()});
  EXPECT_NE(r.out.find("src/build/Gen.bas"), std::string::npos) << r.out;

  r = RunQlx({"deb", "--yes", dir.path().string()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(ReadFile(dir / "src/A.bas"), kModule);
  EXPECT_EQ(ReadFile(dir / "src/build/Gen.bas"), kModule);
  EXPECT_EQ(ReadFile(dir / "vendor/V.bas"), kModule);

  r = RunQlx({"deb", "--yes", "--no-ignore", dir.path().string()});
  EXPECT_NE(ReadFile(dir / "src/build/Gen.bas"), kModule);
}

TEST_F(GitIgnoreTest, WithoutGitOnThePathNothingIsLeftOut) {
  const RunResult r =
      RunQlx({"check", "--select", "deb-marker", dir.path().string()}, "PATH=" + Quote(At("no-such-folder")));
  EXPECT_NE(r.out.find("src/build/Gen.bas"), std::string::npos) << r.out << r.err;
}

}  // namespace
}  // namespace qlx::testing
