// qlx on files and folders as they are on real disks: links leading out of
// the folders given, folders it cannot read, FIFOs and devices named like
// modules or settings files, settings files too large to be any, and names
// that are not UTF-8 or hold control characters.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <sstream>

#include <nlohmann/json.hpp>

#include "cli/cli_support.h"
#include "office/project_builder.h"

namespace qlx::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const std::string kModule =
    "Attribute VB_Name = \"Orders\"\r\n"
    "Option Explicit\r\n"
    "Sub Post(ByVal n As Long)\r\n"
    "    'deb n\r\n"
    "End Sub\r\n";

std::string Module(const std::string& name) {
  std::string text = kModule;
  text.replace(text.find("Orders"), 6, name);
  return text;
}

class RealFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir_ / "repo" / ".git");
    fs::create_directories(dir_ / "repo" / "src");
    fs::create_directories(dir_ / "outside");
    WriteFile(dir_ / "repo" / "src" / "Orders.bas", kModule);
  }
  fs::path Src() const { return dir_ / "repo" / "src"; }

  // The environment of a run (a home folder of its own, without settings),
  // with more variables and the prefix that runs it as another user. A FIFO
  // that nobody writes would hold a reading qlx for ever: the guard ends such
  // a run (as a failure) instead of the test program.
  std::string Env(const std::string& more = "", const std::string& as_user = "") const {
    return "QLX_NOW=2026-12-08T09:05:03 LANG=ja_JP.UTF-8 QLX_INI= XDG_CONFIG_HOME= HOME=" + (dir_ / "nohome").string() +
           " " + more + " timeout -s KILL 120 " + as_user;
  }

  TempDir dir_;
};

// ---- links out of the folders given -----------------------------------------

TEST_F(RealFilesTest, AWalkLeavesOutLinksLeadingOutsideTheFoldersGivenAndSaysSo) {
  const std::string script = "#!/bin/sh\necho deployed\n";
  WriteFile(dir_ / "outside" / "deploy.sh", script);
  fs::create_directories(dir_ / "outside" / "shared");
  WriteFile(dir_ / "outside" / "shared" / "Shared.bas", Module("Shared"));
  fs::create_symlink("../../outside/deploy.sh", Src() / "Script.bas");
  fs::create_symlink("../../outside/shared", Src() / "Shared");
  fs::create_symlink("Orders.bas", Src() / "Alias.bas");  // inside: the same file, done once

  const RunResult r = RunQlx({"module-header", Src().string()}, Env());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(dir_ / "outside" / "deploy.sh"), script);
  EXPECT_EQ(ReadFile(dir_ / "outside" / "shared" / "Shared.bas"), Module("Shared"));
  EXPECT_NE(ReadFile(Src() / "Orders.bas"), kModule);
  const fs::path outside = fs::canonical(dir_ / "outside");
  EXPECT_NE(r.err.find("qlx: " + (Src() / "Script.bas").string() + ": left out: a symbolic link to " +
                       (outside / "deploy.sh").string() + ", outside the folders given\n"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find((Src() / "Shared").string() + ": left out: a symbolic link to " + (outside / "shared").string()),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("qlx: 1 file changed, 0 unchanged, 0 refused\n"), std::string::npos) << r.err;
}

TEST_F(RealFilesTest, ALinkIntoAnotherFolderGivenOrNamedItselfIsFollowed) {
  WriteFile(dir_ / "outside" / "Shared.bas", Module("Shared"));
  fs::create_symlink("../../outside/Shared.bas", Src() / "Shared.bas");
  RunResult r = RunQlx({"deb", Src().string(), (dir_ / "outside").string(), "--check"}, Env());
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(r.out, (Src() / "Orders.bas").string() + "\n" + (Src() / "Shared.bas").string() + "\n");
  EXPECT_EQ(r.err.find("left out"), std::string::npos) << r.err;

  r = RunQlx({"deb", (Src() / "Shared.bas").string()}, Env());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::is_symlink(Src() / "Shared.bas"));
  EXPECT_NE(ReadFile(dir_ / "outside" / "Shared.bas").find("Debug.Print"), std::string::npos);
}

// ---- what the walk cannot read -------------------------------------------------

struct LockedCase {
  const char* name;
  std::vector<std::string> args;  // the folder follows
  int status;
  std::string done;  // a part of what the readable file's run prints
  friend void PrintTo(const LockedCase& c, std::ostream* os) { *os << c.name; }
};

class LockedFolder : public RealFilesTest, public ::testing::WithParamInterface<LockedCase> {};

TEST_P(LockedFolder, IsAFileErrorNamingItAndTheOtherFilesAreDone) {
  fs::create_directories(Src() / "locked");
  WriteFile(Src() / "locked" / "Hidden.bas", Module("Hidden"));
  const std::optional<std::string> as_user = Unprivileged(dir_.path());
  if (!as_user) GTEST_SKIP() << "runs as root and cannot drop privileges (no setpriv): root reads 0000 folders";
  fs::permissions(Src() / "locked", fs::perms::none);

  std::vector<std::string> args = GetParam().args;
  args.push_back(Src().string());
  const RunResult r = RunQlx(args, Env("", *as_user));
  fs::permissions(Src() / "locked", fs::perms::owner_all);
  EXPECT_EQ(r.status, GetParam().status) << r.err;
  EXPECT_NE(r.err.find("qlx: " + (Src() / "locked").string() + ": cannot read the folder (Permission denied)\n"),
            std::string::npos)
      << r.err;
  EXPECT_NE((r.out + r.err).find(GetParam().done), std::string::npos) << r.out << r.err;
  EXPECT_EQ(ReadFile(Src() / "locked" / "Hidden.bas"), Module("Hidden"));
}

INSTANTIATE_TEST_SUITE_P(
    Commands, LockedFolder,
    ::testing::Values(LockedCase{"Check", {"check"}, 2, "Orders.bas:4:5: deb-marker"},
                      LockedCase{"CheckJson", {"check", "--format", "json"}, 2, "\"deb-marker\""},
                      LockedCase{"Deb", {"deb"}, 2, "qlx: 1 file changed, 0 unchanged, 1 refused"},
                      LockedCase{"HeadersCheck", {"headers", "--check"}, 2, "Orders.bas\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- FIFOs and devices ---------------------------------------------------------

struct FifoCase {
  const char* name;
  std::string fifo;               // its name in src
  std::vector<std::string> args;  // "@" is the FIFO's path, "@src" the folder
  std::string message;
  friend void PrintTo(const FifoCase& c, std::ostream* os) { *os << c.name; }
};

class NotARegularFile : public RealFilesTest, public ::testing::WithParamInterface<FifoCase> {};

TEST_P(NotARegularFile, IsRefusedWithoutWaitingForAWriter) {
  const fs::path fifo = Src() / GetParam().fifo;
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  std::vector<std::string> args = GetParam().args;
  for (std::string& a : args) {
    if (a == "@") a = fifo.string();
    if (a == "@src") a = Src().string();
    if (a == "@out") a = (dir_ / "out").string();
  }
  const RunResult r = RunQlx(args, Env());
  EXPECT_EQ(r.status, 2) << r.err;
  EXPECT_NE(r.err.find("qlx: " + fifo.string() + ": " + GetParam().message), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(dir_ / "out" / "Orders.bas"));
}

INSTANTIATE_TEST_SUITE_P(
    Commands, NotARegularFile,
    ::testing::Values(FifoCase{"ScanModule", "M.bas", {"scan", "@"}, "is not a regular file"},
                      FifoCase{"ScanDocument", "Book.xlsm", {"scan", "@"}, "is not a regular file"},
                      FifoCase{"HeadersDocument", "Book.xlsm", {"headers", "@"}, "is not a regular file"},
                      FifoCase{"ExportDocument", "Book.xlsm", {"export", "@", "@out"}, "is not a regular file"},
                      FifoCase{"CheckDocument", "Book.xlsm", {"check", "@"}, "is not a regular file"},
                      FifoCase{"InAWalk", "M.bas", {"headers", "@src"}, "is not a regular file"},
                      FifoCase{"InACheckedWalk", "Book.xls", {"check", "@src"}, "is not a regular file"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- settings files ------------------------------------------------------------

struct SettingsKindCase {
  const char* name;
  void (*make)(const fs::path& path);
  friend void PrintTo(const SettingsKindCase& c, std::ostream* os) { *os << c.name; }
};

class SettingsNotAFile : public RealFilesTest, public ::testing::WithParamInterface<SettingsKindCase> {};

// The parent folder's settings would give another author: they must not
// stand in for the file beside the module.
TEST_P(SettingsNotAFile, BesideTheModuleIsRefusedNotPassedOver) {
  WriteFile(dir_ / "repo" / "QLX.ini", "[Author]\r\nName=Parent\r\n");
  const fs::path ini = Src() / "QLX.ini";
  GetParam().make(ini);
  const RunResult r = RunQlx({"headers", (Src() / "Orders.bas").string()}, Env());
  EXPECT_EQ(r.status, 2) << r.err;
  EXPECT_NE(r.err.find("qlx: " + ini.string() + ": the settings file is not a regular file\n"), std::string::npos)
      << r.err;
  EXPECT_EQ(ReadFile(Src() / "Orders.bas"), kModule);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, SettingsNotAFile,
    ::testing::Values(SettingsKindCase{"Folder", [](const fs::path& p) { fs::create_directory(p); }},
                      SettingsKindCase{"Fifo", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0); }},
                      SettingsKindCase{"Device", [](const fs::path& p) { fs::create_symlink("/dev/null", p); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RealFilesTest, ASettingsFileTooLargeIsRefusedBeforeItIsRead) {
  const fs::path ini = Src() / "QLX.ini";
  WriteFile(ini, "[Author]\r\nName=x\r\n");
  fs::resize_file(ini, std::uintmax_t{64} << 20);
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"headers", (Src() / "Orders.bas").string()}, {"check", Src().string()}}) {
    const RunResult r = RunQlx(args, Env());
    EXPECT_EQ(r.status, 2) << r.err;
    // check then sums up on a line of its own.
    EXPECT_EQ(r.err.substr(0, r.err.find('\n') + 1),
              "qlx: " + ini.string() +
                  ": the settings file is too large (67108864 bytes; a settings file holds at most 1 MiB)\n");
  }
  EXPECT_EQ(ReadFile(Src() / "Orders.bas"), kModule);
}

// Whether the user has a settings file in a home folder it cannot search is
// unknown: said as such, not taken for a file of the wrong kind.
TEST_F(RealFilesTest, AHomeFolderThatCannotBeSearchedIsSaidAsUnreadable) {
  fs::create_directories(dir_ / "home");
  const std::optional<std::string> as_user = Unprivileged(dir_.path());
  if (!as_user) GTEST_SKIP() << "runs as root and cannot drop privileges (no setpriv): root searches every folder";
  fs::permissions(dir_ / "home", fs::perms::none);
  const RunResult r =
      RunQlx({"headers", (Src() / "Orders.bas").string()}, Env("HOME=" + (dir_ / "home").string(), *as_user));
  fs::permissions(dir_ / "home", fs::perms::owner_all);
  EXPECT_EQ(r.status, 2) << r.err;
  EXPECT_EQ(r.err, "qlx: " + (dir_ / "home" / ".config" / "qlx" / "QLX.ini").string() +
                       ": the settings file cannot be read (Permission denied)\n");
  EXPECT_EQ(ReadFile(Src() / "Orders.bas"), kModule);
}

// ---- names that are not UTF-8 or hold control characters -----------------------

std::vector<json> JsonLines(const std::string& text) {
  std::vector<json> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with("{")) lines.push_back(json::parse(line));
  }
  return lines;
}

std::string Hex(const std::string& bytes) {
  std::string hex;
  char two[3];
  for (unsigned char c : bytes) {
    std::snprintf(two, sizeof two, "%02x", c);
    hex += two;
  }
  return hex;
}

class OddNames : public RealFilesTest {
 protected:
  void SetUp() override {
    RealFilesTest::SetUp();
    WriteFile(Src() / "Bad\xff.bas", Module("Bad"));
    WriteFile(Src() / "Esc\x1b[31m.bas", Module("Esc"));
  }
  std::string Bad() const { return (Src() / "Bad\xff.bas").string(); }
  std::string Escape() const { return (Src() / "Esc\x1b[31m.bas").string(); }
};

TEST_F(OddNames, JsonCarriesEveryNameWholeAndTheRunGoesOn) {
  RunResult r = RunQlx({"check", "--format", "json", Src().string()}, Env());
  EXPECT_EQ(r.status, 1) << r.err;
  const json findings = json::parse(r.out);
  std::set<std::string> files;
  for (const json& f : findings) {
    const std::string file = f.at("file").get<std::string>();
    files.insert(file);
    if (f.contains("file_hex")) {
      EXPECT_EQ(f["file_hex"], Hex(Bad()));
      EXPECT_EQ(file, (Src() / "Bad\xef\xbf\xbd.bas").string());
    }
  }
  EXPECT_EQ(files, (std::set<std::string>{(Src() / "Bad\xef\xbf\xbd.bas").string(), Escape(),
                                          (Src() / "Orders.bas").string()}));

  r = RunQlx({"deb", "--json-messages", "--check", Src().string()}, Env());
  EXPECT_EQ(r.status, 1) << r.err;
  const std::vector<json> lines = JsonLines(r.err);
  ASSERT_EQ(lines.size(), 3u) << r.err;
  EXPECT_EQ(lines[0], (json{{"file", (Src() / "Bad\xef\xbf\xbd.bas").string()}, {"file_hex", Hex(Bad())}, {"written", false}}));
  EXPECT_EQ(lines[1], (json{{"file", Escape()}, {"written", false}}));
  EXPECT_EQ(lines[2], (json{{"file", (Src() / "Orders.bas").string()}, {"written", false}}));
}

TEST_F(OddNames, TextShowsControlCharactersEscaped) {
  const std::string shown = (Src() / "Esc\\x1b[31m.bas").string();
  RunResult r = RunQlx({"check", Src().string()}, Env());
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(r.out.find('\x1b'), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(shown + ":4:5: deb-marker"), std::string::npos) << r.out;

  r = RunQlx({"deb", "--check", Src().string()}, Env());
  EXPECT_NE(r.out.find(shown + "\n"), std::string::npos) << r.out;
  r = RunQlx({"deb", Src().string()}, Env());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err.find('\x1b'), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("qlx: wrote " + shown + "\n"), std::string::npos) << r.err;
}

TEST_F(RealFilesTest, AModuleNamedWithTerminalCodesIsShownEscapedAndCarriedInJson) {
  const std::string evil = "Evil\x1b]0;pwned\x07";
  const std::string source = "Attribute VB_Name = \"" + evil + "\"\r\nSub Go()\r\n    'deb x\r\nEnd Sub\r\n";
  const fs::path book = dir_ / "Book.xlsm";
  WriteFile(book, office::testing::Xlsm(office::WriteCompoundFile(*office::testing::ProjectTree(932, {{evil, 'M', source}}))));

  RunResult r = RunQlx({"check", book.string()}, Env());
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(r.out.find('\x1b'), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(book.string() + ":Evil\\x1b]0;pwned\\x07:3:5: deb-marker"), std::string::npos) << r.out;

  r = RunQlx({"check", "--format", "json", book.string()}, Env());
  EXPECT_EQ(json::parse(r.out).at(0).at("file"), book.string() + ":" + evil) << r.out;
  r = RunQlx({"scan", book.string()}, Env());
  EXPECT_EQ(json::parse(r.out).at("modules").at(0).at("module"), evil) << r.out;
  r = RunQlx({"deb", "--check", book.string()}, Env());
  EXPECT_EQ(r.out, book.string() + ":Evil\\x1b]0;pwned\\x07\n");
}

}  // namespace
}  // namespace qlx::testing
