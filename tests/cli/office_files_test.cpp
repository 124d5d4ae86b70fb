// Office documents as files on a real disk: a write a kill cut off is undone
// by the next run, the backup is a file of its own with the document's
// permissions, and a refused save leaves every file as it was.
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "cli/cli_support.h"
#include "office/office_document.h"
#include "office/project_builder.h"

namespace qlx::testing {
namespace {

namespace fs = std::filesystem;
using office::testing::TestModule;

constexpr char kNow[] = "QLX_NOW=2026-12-08T09:05:03 LC_ALL=ja_JP.UTF-8";

const std::vector<TestModule> kModules = {
    {"Module1", 'M', "Attribute VB_Name = \"Module1\"\r\nPublic Sub Hello(ByVal s As String)\r\n    MsgBox s\r\nEnd Sub\r\n"},
    {"Module2", 'M', "Attribute VB_Name = \"Module2\"\r\nSub Other()\r\nEnd Sub\r\n"}};

std::string Workbook(const std::vector<TestModule>& modules = kModules) {
  return office::testing::Xlsm(office::WriteCompoundFile(*office::testing::ProjectTree(932, modules)));
}

mode_t Mode(const fs::path& path) {
  struct stat st {};
  EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
  return st.st_mode & 07777;
}

// Hidden files the writer left beside the document.
std::vector<std::string> Leftovers(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    if (name[0] == '.') names.push_back(name);
  }
  return names;
}

class OfficeFiles : public ::testing::Test {
 protected:
  void SetUp() override { WriteFile(dir / "QLX.ini", "[Author]\r\nName=yamada\r\n"); }
  RunResult Qlx(std::vector<std::string> args) const {
    if (args.front() != "scan" && args.front() != "export") args.insert(args.end(), {"--ini", (dir / "QLX.ini").string()});
    return RunQlx(args, kNow);
  }
  fs::path Book() const { return dir / "Book.xlsm"; }
  TempDir dir;
};

// A kill during a rewrite in place (a document with a second hard link)
// leaves it half new, half old, with its old content in .Book.xlsm.qlx-old:
// the next run, reading or writing, puts the old content back and says so.
TEST_F(OfficeFiles, NextRunUndoesAWriteThatAKillCutOff) {
  const std::string old_bytes = Workbook();
  const std::string new_bytes = Workbook({{"Module1", 'M', kModules[0].source + "' changed\r\n"}, kModules[1]});
  for (const std::string command : {"scan", "headers", "export"}) {
    SCOPED_TRACE(command);
    fs::remove_all(dir / "out");
    fs::remove(dir / "Book.xlsm.bak");
    WriteFile(dir / ".Book.xlsm.qlx-old", old_bytes);
    WriteFile(Book(), new_bytes.substr(0, new_bytes.size() / 2) + old_bytes.substr(new_bytes.size() / 2));
    std::vector<std::string> args = {command, Book().string()};
    if (command == "export") args.push_back((dir / "out").string());
    const RunResult r = Qlx(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("qlx: " + Book().string() +
                         ": a write to it was cut off; its content from before that write is back\n"),
              std::string::npos)
        << r.err;
    EXPECT_FALSE(fs::exists(dir / ".Book.xlsm.qlx-old"));
    if (command == "headers") {
      EXPECT_EQ(ReadFile(dir / "Book.xlsm.bak"), old_bytes);
      EXPECT_NE(ReadFile(Book()), old_bytes);
    } else {
      EXPECT_EQ(ReadFile(Book()), old_bytes);
    }
  }
}

// The backup is a new file: a link named Book.xlsm.bak is replaced, its
// target left alone; it has the document's permission bits.
TEST_F(OfficeFiles, BackupReplacesALinkAndKeepsThePermissions) {
  const std::string old_bytes = Workbook();
  for (const mode_t mode : {0600, 0640, 0664}) {
    SCOPED_TRACE(mode);
    WriteFile(Book(), old_bytes);
    fs::permissions(Book(), static_cast<fs::perms>(mode));
    WriteFile(dir / "elsewhere.sh", "#!/bin/sh\necho hello\n");
    fs::remove(dir / "Book.xlsm.bak");
    fs::create_symlink(dir / "elsewhere.sh", dir / "Book.xlsm.bak");
    const RunResult r = Qlx({"headers", Book().string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(dir / "elsewhere.sh"), "#!/bin/sh\necho hello\n");
    EXPECT_FALSE(fs::is_symlink(dir / "Book.xlsm.bak"));
    EXPECT_EQ(ReadFile(dir / "Book.xlsm.bak"), old_bytes);
    EXPECT_EQ(Mode(dir / "Book.xlsm.bak"), mode);
    EXPECT_EQ(Mode(Book()), mode);
    EXPECT_EQ(Leftovers(dir.path()), std::vector<std::string>{});
  }
}

// A save that is refused leaves the backup of an earlier run as it was, and
// no file beside it.
TEST_F(OfficeFiles, RefusedSaveTouchesNoBackup) {
  const std::string old_bytes = Workbook();
  WriteFile(Book(), old_bytes);
  WriteFile(dir / "Book.xlsm.bak", "an earlier backup");
  fs::permissions(Book(), fs::perms::owner_read | fs::perms::group_read);
  const RunResult r = Qlx({"headers", Book().string()});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("Book.xlsm: cannot be saved: the file is read-only"), std::string::npos) << r.err;
  EXPECT_EQ(ReadFile(dir / "Book.xlsm.bak"), "an earlier backup");
  EXPECT_EQ(ReadFile(Book()), old_bytes);
  EXPECT_EQ(Leftovers(dir.path()), std::vector<std::string>{});
}

TEST_F(OfficeFiles, BackupThatIsAFolderRefusesTheSave) {
  const std::string old_bytes = Workbook();
  WriteFile(Book(), old_bytes);
  fs::create_directory(dir / "Book.xlsm.bak");
  const RunResult r = Qlx({"headers", Book().string()});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("Book.xlsm.bak: cannot be saved: it is not a regular file"), std::string::npos) << r.err;
  EXPECT_EQ(ReadFile(Book()), old_bytes);
  EXPECT_EQ(Leftovers(dir.path()), std::vector<std::string>{});
}

// Two files naming one module: neither edit is dropped silently; the
// import is refused naming both, and the count says "module" for one.
TEST_F(OfficeFiles, ImportOfTwoFilesNamingOneModuleIsRefused) {
  const std::string bytes = Workbook();
  WriteFile(Book(), bytes);
  ASSERT_EQ(Qlx({"export", Book().string(), (dir / "src").string(), "-q"}).status, 0);
  const std::string module2 = ReadFile(dir / "src" / "Module2.bas");
  WriteFile(dir / "src" / "Module2 - Copy.bas", module2 + "' the copy's edit\r\n");
  const RunResult r = RunQlx({"import", (dir / "src").string(), Book().string()});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find((dir / "src" / "Module2 - Copy.bas").string() + " and " + (dir / "src" / "Module2.bas").string() +
                       " both name the module Module2 (Attribute VB_Name); keep one of them; nothing was written"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(ReadFile(Book()), bytes);
  EXPECT_FALSE(fs::exists(dir / "Book.xlsm.bak"));

  fs::remove(dir / "src" / "Module2 - Copy.bas");
  WriteFile(dir / "src" / "Module2.bas", module2 + "' one edit\r\n");
  const RunResult one = RunQlx({"import", (dir / "src").string(), Book().string()});
  EXPECT_EQ(one.status, 0) << one.err;
  EXPECT_NE(one.err.find("1 module changed, 1 unchanged"), std::string::npos) << one.err;
}

// Two modules of one name (in any case) would be exported to one file, the
// second over the first: refused naming them, before any file or folder is
// made.
TEST_F(OfficeFiles, ExportOfTwoModulesOfOneNameIsRefused) {
  WriteFile(Book(), Workbook({kModules[0], {"MODULE1", 'M', "Attribute VB_Name = \"MODULE1\"\r\nSub Other()\r\nEnd Sub\r\n", "Other"}}));
  const RunResult r = RunQlx({"export", Book().string(), (dir / "src").string()});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "qlx: " + Book().string() +
                       ": the VBA project has two modules named Module1 and MODULE1; they would be exported to one file, "
                       "so nothing was exported\n");
  EXPECT_FALSE(fs::exists(dir / "src"));
}

// Hostile and damaged documents are refused with a message before anything
// is read past the limits; export writes no file, headers leaves the
// document as it was and makes no backup.
struct Hostile {
  const char* name;
  const char* file;
  std::string (*make)();
  const char* says;
};

class HostileDocument : public ::testing::TestWithParam<Hostile> {};

TEST_P(HostileDocument, IsRefusedAndLeftAsItWas) {
  TempDir dir;
  WriteFile(dir / "QLX.ini", "");
  const fs::path book = dir / GetParam().file;
  const std::string bytes = GetParam().make();
  WriteFile(book, bytes);
  for (const std::string command : {"export", "headers", "check"}) {
    SCOPED_TRACE(command);
    std::vector<std::string> args = {command, book.string()};
    if (command == "export") args.push_back((dir / "out").string());
    if (command != "export") args.insert(args.end(), {"--ini", (dir / "QLX.ini").string()});
    const RunResult r = RunQlx(args, kNow);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(book.string() + ": " + GetParam().says), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(book), bytes);
    std::vector<std::string> names = {"QLX.ini", GetParam().file};
    std::sort(names.begin(), names.end());
    EXPECT_EQ(dir.Names(), names);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HostileDocument,
    ::testing::Values(
        Hostile{"CutOffModule", "Book.xlsm", [] { return office::testing::XlsmWithCutOffModule(kModules, 2); },
                "the source of module Module1 is damaged: compressed data is cut off inside a chunk"},
        Hostile{"ModulesOfOneBombStream", "Book.xlsm", [] { return office::testing::XlsmOfOneBombStream(64, 2 << 20); },
                "the modules of the VBA project expand past 32 MiB together (module Module17 goes past it)"},
        Hostile{"MillionsOfLines", "Book.xlsm",
                [] {
                  std::string lines = "Attribute VB_Name = \"Module1\"\r\n";
                  lines.append(600000, '\n');
                  return Workbook({{"Module1", 'M', lines}});
                },
                "the modules of the VBA project hold more than 500000 lines together (module Module1 goes past it)"},
        Hostile{"EntriesSharingOneChain", "Book.xls", [] { return office::testing::XlsWithSharedChain(kModules, 100, 16 << 10); },
                "the compound file's streams together are larger than the file: its directory entries share sectors"},
        Hostile{"ProjectFileBomb", "Book.xlsm",
                [] {
                  auto tree = office::testing::ProjectTree(932, kModules);
                  tree->PutStream(u"Big", std::string((64 << 20) + 1, '\0'));
                  return office::testing::Xlsm(office::WriteCompoundFile(*tree));
                },
                "the entry xl/vbaProject.bin expands past the size limit"}),
    [](const auto& info) { return std::string(info.param.name); });

// A document larger than qlx reads is refused from its size.
TEST_F(OfficeFiles, TooLargeDocumentIsRefusedFromItsSize) {
  {
    std::ofstream out(Book(), std::ios::binary);
    out << Workbook();
  }
  fs::resize_file(Book(), (std::uintmax_t{128} << 20) + 1);
  const RunResult r = Qlx({"scan", Book().string()});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "qlx: " + Book().string() +
                       ": the document is too large (134217729 bytes; qlx reads documents of at most 128 MiB)\n");
}

}  // namespace
}  // namespace qlx::testing
