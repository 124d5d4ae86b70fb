// Writing module files back safely: a file another program changed is not
// overwritten, links and identity are kept, and nothing a killed run left
// behind survives the next one.
#include "host/files/file_io.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <vector>
#include <string>

#include "host/files/module_file.h"
#include "host/files/temp_files.h"
#include "support/files.h"

namespace qlx {
namespace {
namespace fs = std::filesystem;

const std::string kModule =
    "Attribute VB_Name = \"M\"\n"
    "Option Explicit\n"
    "\n"
    "Public Sub A()\n"
    "    Debug.Print 1\n"
    "End Sub\n";

using testing::Names;
using testing::ReadFile;
using testing::WriteFile;

void SetModified(const fs::path& path, std::time_t seconds_ago) {
  struct timespec times[2] = {{0, UTIME_OMIT}, {std::time(nullptr) - seconds_ago, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

class FileIoTest : public ::testing::Test {
 protected:
  void SetUp() override { WriteFile(Module(), kModule); }
  fs::path Module() const { return dir_ / "M.bas"; }

  // Loads the module and adds a comment line below the declaration.
  ModuleFile Edited(bool lock = false) {
    LoadOptions options;
    options.lock = lock;
    ModuleFile file = ModuleFile::Load(Module(), options);
    file.Module()->InsertLines(4, u"    ' edited");
    return file;
  }

  std::string SaveError(const ModuleFile& file) {
    try {
      file.Save(Module());
    } catch (const FileError& e) {
      return e.what();
    }
    return "";
  }

  testing::TempDir temp_;
  const fs::path dir_ = temp_.path();
};

const std::string kEdited =
    "Attribute VB_Name = \"M\"\n"
    "Option Explicit\n"
    "\n"
    "Public Sub A()\n"
    "    ' edited\n"
    "    Debug.Print 1\n"
    "End Sub\n";

struct ChangeCase {
  const char* name;
  std::function<void(const fs::path&)> change;
};

class ChangedMeanwhileTest : public FileIoTest, public ::testing::WithParamInterface<ChangeCase> {};

// Another program (an editor) changes the file while qlx works on it: what
// it wrote stays, and qlx says why it wrote nothing.
TEST_P(ChangedMeanwhileTest, NothingIsWrittenAndTheMessageSaysWhy) {
  for (bool lock : {false, true}) {
    SCOPED_TRACE(lock ? "locked" : "not locked");
    WriteFile(Module(), kModule);
    SetModified(Module(), 100);
    ModuleFile file = Edited(lock);
    GetParam().change(Module());
    const std::string after_change = fs::exists(Module()) ? ReadFile(Module()) : "";
    const std::string error = SaveError(file);
    EXPECT_NE(error.find("M.bas: was "), std::string::npos) << error;
    EXPECT_NE(error.find(" by another program since qlx read it; nothing was written"), std::string::npos) << error;
    if (fs::exists(Module())) {
      EXPECT_EQ(ReadFile(Module()), after_change);
    }
    EXPECT_LE(Names(dir_).size(), 1u);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Changes, ChangedMeanwhileTest,
    ::testing::Values(
        ChangeCase{"NewContent", [](const fs::path& p) { WriteFile(p, kModule + "' more\n"); }},
        // Same size and the old time stamp put back: only the content tells.
        ChangeCase{"SameSizeAndTime",
                   [](const fs::path& p) {
                     std::string other = kModule;
                     other[other.find("1\n")] = '2';
                     WriteFile(p, other);
                     SetModified(p, 100);
                   }},
        ChangeCase{"OnlyTouched", [](const fs::path& p) { SetModified(p, 0); }},
        ChangeCase{"ReplacedByRename",
                   [](const fs::path& p) {
                     WriteFile(p.string() + ".new", "Option Explicit\n");
                     fs::rename(p.string() + ".new", p);
                   }},
        ChangeCase{"Removed", [](const fs::path& p) { fs::remove(p); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FileIoTest, SavingTwiceKnowsItsOwnWrite) {
  ModuleFile file = Edited();
  file.Save(Module());
  file.Module()->InsertLines(4, u"    ' again");
  file.Save(Module());
  EXPECT_NE(ReadFile(Module()).find("    ' again\n    ' edited\n"), std::string::npos);
  EXPECT_EQ(Names(dir_), std::vector<std::string>{"M.bas"});
}

TEST_F(FileIoTest, HardLinkedModuleKeepsEveryLink) {
  fs::create_hard_link(Module(), dir_ / "Other.bas");
  fs::create_directory(dir_ / "sub");
  fs::create_hard_link(Module(), dir_ / "sub" / "Third.bas");
  struct stat before {};
  ASSERT_EQ(::stat(Module().c_str(), &before), 0);
  Edited().Save(Module());
  for (const fs::path& name : {Module(), dir_ / "Other.bas", dir_ / "sub" / "Third.bas"}) {
    struct stat now {};
    ASSERT_EQ(::stat(name.c_str(), &now), 0);
    EXPECT_EQ(now.st_ino, before.st_ino) << name;
    EXPECT_EQ(now.st_nlink, 3u);
    EXPECT_EQ(ReadFile(name), kEdited) << name;
  }
  EXPECT_EQ(Names(dir_), (std::vector<std::string>{"M.bas", "Other.bas", "sub"}));
}

TEST_F(FileIoTest, SymbolicLinkStaysALinkToTheWrittenFile) {
  fs::create_directory(dir_ / "real");
  fs::rename(Module(), dir_ / "real" / "M.bas");
  fs::create_symlink("real/M.bas", Module());
  Edited().Save(Module());
  EXPECT_TRUE(fs::is_symlink(Module()));
  EXPECT_EQ(ReadFile(dir_ / "real" / "M.bas"), kEdited);
  EXPECT_EQ(Names(dir_ / "real"), std::vector<std::string>{"M.bas"});
}

TEST_F(FileIoTest, OwnerPermissionBitsAndExtendedAttributesAreKept) {
  ASSERT_EQ(::chmod(Module().c_str(), 0640), 0);
  const bool attributes = ::setxattr(Module().c_str(), "user.origin", "workbook", 8, 0) == 0;
  const bool other_owner = ::geteuid() == 0 && ::chown(Module().c_str(), 12345, 54321) == 0;
  Edited().Save(Module());
  struct stat now {};
  ASSERT_EQ(::stat(Module().c_str(), &now), 0);
  EXPECT_EQ(now.st_mode & 07777, 0640u);
  if (other_owner) {
    EXPECT_EQ(now.st_uid, 12345u);
    EXPECT_EQ(now.st_gid, 54321u);
  }
  if (attributes) {
    char value[32] = {};
    EXPECT_EQ(::getxattr(Module().c_str(), "user.origin", value, sizeof value), 8);
    EXPECT_STREQ(value, "workbook");
  }
  EXPECT_EQ(ReadFile(Module()), kEdited);
  if (!attributes) GTEST_SKIP() << "this file system keeps no user attributes";
}

TEST_F(FileIoTest, ALockHeldByAnotherRunMakesTheLoadWaitThenGiveUp) {
  const int fd = ::open(Module().c_str(), O_RDONLY);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  LoadOptions options;
  options.lock = true;
  options.lock_wait = std::chrono::milliseconds(30);
  std::string error;
  try {
    ModuleFile::Load(Module(), options);
  } catch (const FileError& e) {
    error = e.what();
  }
  ::close(fd);
  EXPECT_EQ(error, Module().string() + ": another qlx is writing this file; nothing was done (try again when it "
                                       "has finished)");
  // Unlocked, it loads.
  EXPECT_NO_THROW(ModuleFile::Load(Module(), options));
}

struct DebrisCase {
  const char* name;
  const char* file;
  std::time_t age;
  bool held;  // a live process holds its lock
  bool removed;
};

class DebrisTest : public FileIoTest, public ::testing::WithParamInterface<DebrisCase> {};

// What a killed run left beside the module goes with the next run on that
// folder, unless a running qlx still holds it.
TEST_P(DebrisTest, TheNextRunRemovesOnlyWhatNoRunHolds) {
  const DebrisCase& c = GetParam();
  const fs::path debris = dir_ / c.file;
  WriteFile(debris, "half a module");
  SetModified(debris, c.age);
  const int fd = ::open(debris.c_str(), O_RDONLY);
  if (c.held) {
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  }
  ModuleFile::Load(Module());
  ::close(fd);
  EXPECT_EQ(fs::exists(debris), !c.removed);
  EXPECT_EQ(ReadFile(Module()), kModule);
}

INSTANTIATE_TEST_SUITE_P(
    Files, DebrisTest,
    ::testing::Values(DebrisCase{"LinkedTemporary", ".M.bas.0a1b2c3d.qlx-new", 0, false, true},
                      DebrisCase{"LinkedTemporaryInUse", ".M.bas.0a1b2c3d.qlx-new", 0, true, false},
                      DebrisCase{"OldNamedTemporary", ".M.bas.0a1b2c3d.qlx-tmp", 120, false, true},
                      DebrisCase{"FreshNamedTemporary", ".M.bas.0a1b2c3d.qlx-tmp", 0, false, false},
                      DebrisCase{"OldNamedTemporaryInUse", ".M.bas.0a1b2c3d.qlx-tmp", 120, true, false},
                      DebrisCase{"SomeoneElsesFile", ".M.bas.swp", 120, false, false},
                      DebrisCase{"OtherModulesTemporary", ".N.bas.0a1b2c3d.qlx-new", 0, false, true},
                      // A name that is a suffix alone was written by someone else.
                      DebrisCase{"BareNewSuffix", ".qlx-new", 0, false, false},
                      DebrisCase{"BareTmpSuffix", ".qlx-tmp", 120, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

// A run that loads many files with one set of options clears each folder
// once, before its first file: listing the folder again for every file
// made a large folder quadratic. Another folder, or another run, is cleared.
TEST_F(FileIoTest, ARunClearsEachFolderOnceBeforeItsFirstFile) {
  const fs::path other = dir_ / "sub";
  fs::create_directories(other);
  WriteFile(other / "N.bas", kModule);
  const LoadOptions run;
  const fs::path debris = dir_ / ".M.bas.0a1b2c3d.qlx-new";
  const fs::path other_debris = other / ".N.bas.0a1b2c3d.qlx-new";
  WriteFile(debris, "half a module");
  ModuleFile::Load(Module(), run);
  EXPECT_FALSE(fs::exists(debris));

  WriteFile(debris, "left by a run killed meanwhile");
  WriteFile(other_debris, "half a module");
  ModuleFile::Load(Module(), run);
  ModuleFile::Load(other / "N.bas", run);
  EXPECT_TRUE(fs::exists(debris));
  EXPECT_FALSE(fs::exists(other_debris));

  ModuleFile::Load(Module(), LoadOptions());
  EXPECT_FALSE(fs::exists(debris));
}

TEST_F(FileIoTest, TheSweepTakesAFolderOnceHoweverItIsSpelled) {
  DebrisSweep sweep;
  const fs::path debris = dir_ / ".M.bas.0a1b2c3d.qlx-new";
  WriteFile(debris, "half a module");
  sweep.Clear(dir_);
  EXPECT_FALSE(fs::exists(debris));
  WriteFile(debris, "half a module");
  sweep.Clear(dir_ / "." / "");
  sweep.Clear(dir_ / "sub" / "..");
  EXPECT_TRUE(fs::exists(debris));
}

// A run that writes many files syncs each folder once, at its end: each file
// is in place as soon as it is written, and a folder that cannot be synced
// then is named, not passed over as written.
TEST_F(FileIoTest, FolderSyncsSyncEachFolderWrittenInOnceAtTheEnd) {
  const fs::path gone = dir_ / "gone";
  fs::create_directories(gone);
  const std::string edited = Edited().Render();
  {
    FolderSyncs syncs;
    WriteFileReplacing(Module(), edited);
    WriteFileReplacing(gone / "N.bas", kModule);
    WriteFileReplacing(gone / "O.bas", kModule);
    EXPECT_EQ(ReadFile(Module()), edited);
    EXPECT_EQ(ReadFile(gone / "N.bas"), kModule);
    fs::remove_all(gone);
    const std::vector<std::string> failed = syncs.Finish();
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0], gone.string() +
                             ": the files written in this folder are in place, but syncing the folder failed: "
                             "No such file or directory");
    EXPECT_TRUE(syncs.Finish().empty());
  }
  // With none living, a write syncs its own folder.
  EXPECT_FALSE(FolderSyncs::Defer(dir_));
  WriteFileReplacing(Module(), kModule);
  EXPECT_EQ(ReadFile(Module()), kModule);
}

TEST_F(FileIoTest, AnInnerFolderSyncsLeavesTheFoldersToTheOuter) {
  FolderSyncs outer;
  {
    FolderSyncs inner;
    EXPECT_TRUE(FolderSyncs::Defer(dir_ / "missing"));
    EXPECT_TRUE(inner.Finish().empty());
  }
  EXPECT_TRUE(FolderSyncs::Defer(dir_));
  EXPECT_EQ(outer.Finish().size(), 1u);
  EXPECT_FALSE(FolderSyncs::Defer(dir_));
}

// A rewrite in place that was killed halfway: the copy of the old content
// beside the file puts it back, once.
TEST_F(FileIoTest, AnInterruptedRewriteInPlaceIsUndoneByTheNextRun) {
  WriteFile(dir_ / ".M.bas.qlx-old", kModule);
  WriteFile(Module(), "Attribute VB_Name = \"M\"\nOption Expl");
  ModuleFile file = ModuleFile::Load(Module());
  EXPECT_EQ(file.OriginalBytes(), kModule);
  EXPECT_EQ(ReadFile(Module()), kModule);
  EXPECT_EQ(Names(dir_), std::vector<std::string>{"M.bas"});
}

// ".qlx-old" is no copy of "qlx-old": nothing is put back into a file the
// user owns.
TEST_F(FileIoTest, ABareOldSuffixIsNobodysCopy) {
  WriteFile(dir_ / "qlx-old", "mine");
  WriteFile(dir_ / ".qlx-old", "someone else's");
  ModuleFile::Load(Module());
  EXPECT_EQ(ReadFile(dir_ / "qlx-old"), "mine");
  EXPECT_EQ(ReadFile(dir_ / ".qlx-old"), "someone else's");
}

// The names a write gives its temporary files are the names the sweep
// takes for its own, whatever the module is called.
TEST(TempFilesTest, TheSweepKnowsEveryNameAWriteGives) {
  using temp_files::Kind;
  for (const char* module : {"M.bas", "a b.cls", "モジュール.frm", "x"}) {
    SCOPED_TRACE(module);
    const fs::path dir = "/some/dir";
    for (const Kind kind : {Kind::kNew, Kind::kTmp}) {
      const fs::path name = temp_files::FreshName(dir, dir / module, kind);
      EXPECT_EQ(name.parent_path(), dir);
      const std::string file = name.filename().string();
      EXPECT_EQ(file.size(), 1 + std::string(module).size() + 1 + 8 + 8) << file;
      EXPECT_EQ(temp_files::Recognise(name.filename()).kind, kind) << file;
    }
    EXPECT_NE(temp_files::FreshName(dir, module, Kind::kTmp), temp_files::FreshName(dir, module, Kind::kTmp));
    const fs::path copy = temp_files::OldCopyName(dir, dir / module);
    EXPECT_EQ(copy, dir / ("." + std::string(module) + ".qlx-old"));
    const temp_files::Found found = temp_files::Recognise(copy.filename());
    EXPECT_EQ(found.kind, Kind::kOld);
    EXPECT_EQ(found.module, fs::path(module));
  }
  for (const char* other : {"", ".", "M.bas", "M.bas.qlx-tmp", ".M.bas.swp", ".qlx-old", "..qlx-old", ".qlx-new"}) {
    EXPECT_EQ(temp_files::Recognise(other).kind, Kind::kNone) << other;
  }
}

TEST_F(FileIoTest, ACopyOlderThanTheFilesLaterChangesIsLeftForAPerson) {
  WriteFile(dir_ / ".M.bas.qlx-old", "Option Explicit\n");
  SetModified(dir_ / ".M.bas.qlx-old", 3600);
  ModuleFile file = ModuleFile::Load(Module());
  EXPECT_EQ(ReadFile(Module()), kModule);
  EXPECT_TRUE(fs::exists(dir_ / ".M.bas.qlx-old"));
  // A hard-linked module cannot then be rewritten: the copy would be lost.
  fs::create_hard_link(Module(), dir_ / "Other.bas");
  file.Module()->InsertLines(4, u"    ' edited");
  std::string error;
  try {
    file.Save(Module());
  } catch (const FileError& e) {
    error = e.what();
  }
  EXPECT_NE(error.find("an interrupted earlier write left the old content in"), std::string::npos) << error;
  EXPECT_EQ(ReadFile(Module()), kModule);
}

}  // namespace
}  // namespace qlx

namespace qlx {
namespace {

struct ReadCase {
  const char* name;
  std::function<void(const fs::path&)> make;
  FileError::Reason reason;
  std::string message;  // after the path
};

class ReadFileTest : public FileIoTest, public ::testing::WithParamInterface<ReadCase> {
 public:
  friend void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }
};

// Only a regular file is read: a FIFO without a writer would block the
// reader, and a device can be endless. A file larger than asked for is
// refused from its size, before it is read.
TEST_P(ReadFileTest, RefusesWhatIsNoRegularFileOrTooLarge) {
  const fs::path path = dir_ / "Named.bas";
  GetParam().make(path);
  for (bool lock : {false, true}) {
    SCOPED_TRACE(lock ? "locked" : "not locked");
    FileStamp stamp;
    try {
      if (lock) {
        FileLock::Acquire(path, std::chrono::milliseconds(0)).Read(1000, stamp);
      } else {
        ReadFileStamped(path, 1000, stamp);
      }
      ADD_FAILURE() << "read";
    } catch (const FileError& e) {
      EXPECT_EQ(e.what(), path.string() + ": " + GetParam().message);
      EXPECT_EQ(e.reason(), GetParam().reason);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ReadFileTest,
    ::testing::Values(
        ReadCase{"Fifo", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0); },
                 FileError::Reason::kNotRegular, "is not a regular file"},
        ReadCase{"LinkToADevice", [](const fs::path& p) { fs::create_symlink("/dev/zero", p); },
                 FileError::Reason::kNotRegular, "is not a regular file"},
        ReadCase{"Folder", [](const fs::path& p) { fs::create_directory(p); }, FileError::Reason::kNotRegular,
                 "is not a regular file"},
        ReadCase{"Missing", [](const fs::path&) {}, FileError::Reason::kNotFound, "file not found"},
        ReadCase{"TooLarge",
                 [](const fs::path& p) {
                   WriteFile(p, kModule);
                   fs::resize_file(p, std::uintmax_t{1} << 40);  // sparse: a terabyte nobody could read
                 },
                 FileError::Reason::kTooLarge, "is too large for a module file"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qlx
