// The settings file: reading as the platform's profile functions read,
// writing in place, CP932 storage, and the failure reports.
#include "settings/ini_file.h"
#include "settings/profile_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <climits>
#include <filesystem>

#include "host/ui.h"
#include "host/vberror.h"
#include "support/files.h"
#include "support/text.h"

namespace qlx {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

class IniFileTest : public ::testing::Test {
 protected:
  Text Path() const { return (dir_ / "QLX.ini").u16string(); }
  std::string Bytes() const { return ReadFile(dir_ / "QLX.ini"); }
  void Store(const std::string& bytes) const { WriteFile(dir_ / "QLX.ini", bytes); }

  Text Read(const Text& section, const Text& key, const Text& fallback = u"") {
    return ini_.INIGetSettingString(section, key, Path(), fallback);
  }
  bool Write(const Text& section, const Text& key, const Text& value) {
    return ini_.INIWriteSetting(section, key, value, Path());
  }

  TempDir dir_;
  RecordingUi ui_;
  ModINIFile ini_{ui_, Path()};
};

struct ReadCase {
  const char* what;
  std::string file;  // CP932 bytes
  Text section;
  Text key;
  Text expected;     // with the default "dflt"
};

class IniReadTest : public IniFileTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(IniReadTest, ReadsLikeTheProfileFunctions) {
  const ReadCase& c = GetParam();
  SCOPED_TRACE(c.what);
  Store(c.file);
  EXPECT_EQ(Read(c.section, c.key, u"dflt"), c.expected);
  EXPECT_TRUE(ui_.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, IniReadTest,
    ::testing::Values(
        ReadCase{"plain", "[Author]\r\nName=Yamada\r\n", u"Author", u"Name", u"Yamada"},
        ReadCase{"names ignore case", "[aUTHOR]\r\nNAME=x\r\n", u"Author", u"name", u"x"},
        ReadCase{"blanks around names and value", " [ Author ]\t\r\n\t Name \t=  Taro Yamada \t\r\n", u"Author",
                 u"Name", u"Taro Yamada"},
        ReadCase{"double quotes stripped", "[A]\r\nk=\"  x  \"\r\n", u"A", u"k", u"  x  "},
        ReadCase{"single quotes stripped", "[A]\r\nk='x'\r\n", u"A", u"k", u"x"},
        ReadCase{"unmatched quotes kept", "[A]\r\nk=\"x'\r\n", u"A", u"k", u"\"x'"},
        ReadCase{"equals sign in value", "[A]\r\nk=a=b\r\n", u"A", u"k", u"a=b"},
        ReadCase{"first key wins", "[A]\r\nk=first\r\nK=second\r\n", u"A", u"k", u"first"},
        ReadCase{"only the first section of a name is searched", "[A]\r\nother=1\r\n[a]\r\nk=2\r\n", u"A", u"k",
                 u"dflt"},
        ReadCase{"key of another section", "[Mode]\r\nName=x\r\n[Author]\r\n", u"Author", u"Name", u"dflt"},
        ReadCase{"key before any section", "Name=x\r\n[Author]\r\n", u"Author", u"Name", u"dflt"},
        ReadCase{"comment", "[Author]\r\n;Name=x\r\n", u"Author", u"Name", u"dflt"},
        ReadCase{"key without equals sign reads empty", "[Author]\r\nName\r\n", u"Author", u"Name", u""},
        ReadCase{"empty value", "[Author]\r\nName=\r\n", u"Author", u"Name", u""},
        ReadCase{"missing section", "[Mode]\r\nSleepTime=1\r\n", u"Author", u"Name", u"dflt"},
        ReadCase{"LF line ends", "[A]\nx=1\nk=v\n", u"A", u"k", u"v"},
        ReadCase{"CR line ends", "[A]\rx=1\rk=v", u"A", u"k", u"v"},
        ReadCase{"text after the closing bracket", "[Author] ; who\r\nName=x\r\n", u"Author", u"Name", u"x"},
        ReadCase{"unclosed bracket is no section", "[Author\r\nName=x\r\n", u"Author", u"Name", u"dflt"},
        ReadCase{"value ends at a null byte", std::string("[A]\r\nk=ab\0cd\r\n", 14), u"A", u"k", u"ab"},
        ReadCase{"CP932 names with '[' and ']' as trail bytes", "[\x83\x5d\x81\x5b\x83\x93]\r\n\x96\xbc=\x95\x5c\r\n",
                 u"ゾーン", u"名", u"表"}),
    [](const auto& info) { return std::to_string(info.index); });

TEST_F(IniFileTest, MissingFileGivesTheDefaultsWithoutTrailingSpaces) {
  EXPECT_EQ(Read(u"Author", u"Name", u"dflt  "), u"dflt");
  EXPECT_EQ(Read(u"Author", u"Name", u"  "), u"");
  EXPECT_EQ(ini_.INIGetSettingInteger(u"Mode", u"SleepTime", Path(), 42), 42);
  EXPECT_TRUE(ui_.boxes.empty());
  EXPECT_FALSE(std::filesystem::exists(dir_ / "QLX.ini"));
}

struct IntegerCase {
  Text value;
  std::int32_t expected;
};

class ProfileIntegerTest : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(ProfileIntegerTest, ReadsAsThePlatformDoes) {
  SCOPED_TRACE(testing::U8(GetParam().value));
  EXPECT_EQ(ParseProfileInteger(GetParam().value), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ProfileIntegerTest,
    ::testing::Values(IntegerCase{u"+5", 5}, IntegerCase{u"-3", -3}, IntegerCase{u"12abc", 12},
                      IntegerCase{u"abc", 0}, IntegerCase{u"- 3", 0}, IntegerCase{u"\t 7", 7},
                      IntegerCase{u"0x1Fg", 31}, IntegerCase{u"-0x10", -16}, IntegerCase{u"0X1F", 0},
                      IntegerCase{u"0x", 0}, IntegerCase{u"0b101", 5}, IntegerCase{u"0o17", 15},
                      IntegerCase{u"１２", 0}, IntegerCase{u"2147483648", INT_MIN}, IntegerCase{u"4294967295", -1},
                      IntegerCase{u"4294967301", 5},
                      IntegerCase{u"-2147483648", INT_MIN}));

TEST_F(IniFileTest, IntegerKeysOfTheFile) {
  Store("[Mode]\r\nIgnoreMode=1\r\nUnUndoMode=\r\nSleepTime=abc\r\nErrInsertPos=-3\r\n[WindowPos]\r\nTop=0x10\r\n");
  const auto get = [&](const Text& section, const Text& key) {
    return ini_.INIGetSettingInteger(section, key, Path(), 9);
  };
  EXPECT_EQ(get(u"Mode", u"IgnoreMode"), 1);
  EXPECT_EQ(get(u"Mode", u"UnUndoMode"), 9) << "an empty value gives the default";
  EXPECT_EQ(get(u"Mode", u"SleepTime"), 0) << "letters read as 0";
  EXPECT_EQ(get(u"Mode", u"ErrInsertPos"), -3);
  EXPECT_EQ(get(u"WindowPos", u"Top"), 16);
  EXPECT_EQ(get(u"WindowPos", u"Left"), 9);
  EXPECT_TRUE(ui_.boxes.empty());
}

TEST_F(IniFileTest, ValuesAreCutTo255BytesWithoutSplittingACharacter) {
  const Text a300(300, u'a');
  const Text kana300(300, u'ｱ');  // half-width: one byte each
  const Text full128(128, u'あ');  // two bytes each
  struct Case {
    const char* what;
    Text value;
    Text expected;
  } cases[] = {
      {"ASCII", a300, Text(255, u'a')},
      {"half-width katakana", kana300, Text(255, u'ｱ')},
      {"full-width: 127 whole characters", full128, Text(127, u'あ')},
      {"one byte and 127 full-width fill 255 exactly", Text(u"a").append(127, u'あ'), Text(u"a").append(127, u'あ')},
      {"the 128th would need bytes 256 and 257", Text(u"ab").append(127, u'あ'), Text(u"ab").append(126, u'あ')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(Write(u"Author", u"Name", c.value));
    EXPECT_EQ(Read(u"Author", u"Name"), c.expected);
    EXPECT_EQ(Read(u"Author", u"Missing", c.value), c.expected) << "the default is cut the same way";
  }
  ASSERT_TRUE(Write(u"Author", u"Name", full128));
  EXPECT_EQ(Bytes().size(), std::string("[Author]\r\nName=\r\n").size() + 256) << "the file keeps all of it";
  EXPECT_TRUE(ui_.boxes.empty());
}

TEST_F(IniFileTest, FirstCloseCreatesAuthorThenWindowPos) {
  EXPECT_TRUE(Write(u"Author", u"Name", u"DefaultUser"));
  EXPECT_TRUE(Write(u"WindowPos", u"Top", u"1440"));
  EXPECT_TRUE(Write(u"WindowPos", u"Left", u"0"));
  EXPECT_EQ(Bytes(), "[Author]\r\nName=DefaultUser\r\n[WindowPos]\r\nTop=1440\r\nLeft=0\r\n");
  EXPECT_TRUE(Write(u"Author", u"Name", u"DefaultUser"));
  EXPECT_EQ(Bytes(), "[Author]\r\nName=DefaultUser\r\n[WindowPos]\r\nTop=1440\r\nLeft=0\r\n")
      << "writing the same values again changes nothing";
  EXPECT_TRUE(ui_.boxes.empty());
}

TEST_F(IniFileTest, WritingKeepsEveryOtherLineAsItWas) {
  struct Case {
    const char* what;
    std::string before;
    Text section, key, value;
    std::string after;
  } cases[] = {
      {"replaced in place, the key keeps its spelling",
       "; QLX\n[author]\n  name = old  \n\xff junk \x81\n\n[Mode]\r\nSleepTime=5\r\n", u"Author", u"Name", u"new",
       "; QLX\n[author]\nname=new\n\xff junk \x81\n\n[Mode]\r\nSleepTime=5\r\n"},
      {"first of two keys replaced", "[A]\r\nk=1\r\nk=2\r\n", u"A", u"K", u"3", "[A]\r\nk=3\r\nk=2\r\n"},
      {"first of two sections", "[A]\r\n[A]\r\nk=2\r\n", u"A", u"k", u"1", "[A]\r\nk=1\r\n[A]\r\nk=2\r\n"},
      {"added after the section's last line, before the blank line", "[A]\nx=1\n\n[B]\ny=2\n", u"A", u"k", u"v",
       "[A]\nx=1\nk=v\n\n[B]\ny=2\n"},
      {"added to the last section without a final line end", "[A]\r\nx=1", u"A", u"k", u"v",
       "[A]\r\nx=1\r\nk=v"},
      {"section appended with the file's line end", "[A]\nx=1\n", u"B", u"k", u"v", "[A]\nx=1\n[B]\nk=v\n"},
      {"section appended after a last line without line end", "[A]\nx=1", u"B", u"k", u"v",
       "[A]\nx=1\n[B]\nk=v"},
      {"blanks around the given names dropped", "[A]\r\nk=1\r\n", u" A ", u"\tk ", u"2", "[A]\r\nk=2\r\n"},
      {"a value is written as given", "", u"A", u"k", u" \"q\" ", "[A]\r\nk= \"q\" \r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Store(c.before);
    EXPECT_TRUE(Write(c.section, c.key, c.value));
    EXPECT_EQ(Bytes(), c.after);
  }
  EXPECT_TRUE(ui_.boxes.empty());
}

TEST_F(IniFileTest, JapaneseTextIsStoredInCp932) {
  ASSERT_TRUE(Write(u"Author", u"Name", u"山田太郎"));
  ASSERT_TRUE(Write(u"ゾーン", u"表示", u"ソフト"));
  EXPECT_EQ(Bytes(),
            "[Author]\r\nName=\x8e\x52\x93\x63\x91\xbe\x98\x59\r\n"
            "[\x83\x5d\x81\x5b\x83\x93]\r\n\x95\x5c\x8e\xa6=\x83\x5c\x83\x74\x83\x67\r\n");
  EXPECT_EQ(Read(u"Author", u"Name"), u"山田太郎");
  EXPECT_EQ(Read(u"ゾーン", u"表示"), u"ソフト");
  ASSERT_TRUE(Write(u"ゾーン", u"表示", u"表"));
  EXPECT_EQ(Read(u"ゾーン", u"表示"), u"表") << "the section was found, not added again";
  EXPECT_EQ(Bytes().find("[\x83\x5d\x81\x5b\x83\x93]"), Bytes().rfind("[\x83\x5d\x81\x5b\x83\x93]"));
}

TEST_F(IniFileTest, CharactersOutsideCp932BecomeQuestionMarks) {
  ASSERT_TRUE(Write(u"Author", u"Name", u"Ann 😀 Lee"));
  EXPECT_EQ(Bytes(), "[Author]\r\nName=Ann ? Lee\r\n");
  EXPECT_EQ(Read(u"Author", u"Name"), u"Ann ? Lee");
}

TEST_F(IniFileTest, Utf8FileWithByteOrderMarkStaysUtf8) {
  Store("\xEF\xBB\xBF[Author]\nName=\xE5\xB1\xB1\xE7\x94\xB0 \xF0\x9F\x98\x80\n");
  EXPECT_EQ(Read(u"Author", u"Name"), u"山田 ?") << "handed back through the ANSI code page";
  ASSERT_TRUE(Write(u"Author", u"Name", u"太郎"));
  EXPECT_EQ(Bytes(), "\xEF\xBB\xBF[Author]\nName=\xE5\xA4\xAA\xE9\x83\x8E\n");
}

TEST_F(IniFileTest, BadValuesAreRefusedAndLeaveTheFileAlone) {
  const std::string before = "[Author]\r\nName=old\r\n";
  struct Case {
    Text section, key, value;
  } cases[] = {
      {u"Author", u"Name", u"two\r\nlines"}, {u"Author", u"Name", u"x\n[Mode]"}, {u"Author", u"Na\rme", u"x"},
      {u"Author", u"", u"x"},                {u" ", u"Name", u"x"},             {u"Author", u"a=b", u"x"},
      {u"Author", u";Name", u"x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::U8(c.section + u"|" + c.key + u"|" + c.value));
    Store(before);
    ui_.boxes.clear();
    EXPECT_FALSE(Write(c.section, c.key, c.value));
    EXPECT_EQ(Bytes(), before);
    ASSERT_EQ(ui_.boxes.size(), 1u);
    EXPECT_EQ(ui_.boxes[0].title, u"INIWriteSetting");
    EXPECT_TRUE(StartsWith(ui_.boxes[0].text, u"Error: 5. ")) << testing::U8(ui_.boxes[0].text);
  }
}

TEST_F(IniFileTest, ReadOnlyPlacesLeaveSettingsUnsavedWithoutNotice) {
  namespace fs = std::filesystem;
  Store("[Author]\r\nName=old\r\n");
  fs::permissions(dir_ / "QLX.ini", fs::perms::owner_read | fs::perms::group_read, fs::perm_options::replace);
  EXPECT_FALSE(Write(u"Author", u"Name", u"new"));
  EXPECT_EQ(Read(u"Author", u"Name"), u"old");

  fs::remove(dir_ / "QLX.ini");
  fs::permissions(dir_.path(), fs::perms::owner_read | fs::perms::owner_exec, fs::perm_options::replace);
  EXPECT_FALSE(Write(u"Author", u"Name", u"new"));
  fs::permissions(dir_.path(), fs::perms::owner_all, fs::perm_options::replace);
  EXPECT_FALSE(fs::exists(dir_ / "QLX.ini"));
  EXPECT_FALSE(ini_.INIWriteSetting(u"Author", u"Name", u"x", (dir_ / "no" / "QLX.ini").u16string()));
  EXPECT_TRUE(ui_.boxes.empty());
}

TEST_F(IniFileTest, UnreadableFilesAreReportedByEachFunction) {
  const std::string utf16 = std::string("\xFF\xFE[\0A\0]\0", 8);
  const Text quoted = u"'" + Path() + u"'";
  // A FIFO would hold a reader that waits for its writer; a file far larger
  // than settings ever are is refused before it is read.
  enum class Kind { kBytes, kDirectory, kFifo, kHuge };
  struct Case {
    const char* what;
    Kind kind;
    std::string bytes;
    Text description_start;
  } cases[] = {
      {"a directory", Kind::kDirectory, "", u"Error: 75. Path/File access error: "},
      {"a FIFO", Kind::kFifo, "", u"Error: 75. Path/File access error: cannot read " + quoted + u" (it is not a regular file)"},
      {"too large", Kind::kHuge, "[A]\r\nk=1\r\n",
       u"Error: 75. Path/File access error: cannot read " + quoted + u" (it is larger than the 1 MiB a settings file may hold)"},
      {"UTF-16", Kind::kBytes, utf16, u"Error: 5. "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(dir_ / "QLX.ini");
    if (c.kind == Kind::kDirectory) {
      std::filesystem::create_directory(dir_ / "QLX.ini");
    } else if (c.kind == Kind::kFifo) {
      ASSERT_EQ(::mkfifo((dir_ / "QLX.ini").c_str(), 0644), 0);
    } else {
      Store(c.bytes);
      if (c.kind == Kind::kHuge) std::filesystem::resize_file(dir_ / "QLX.ini", kMaxSettingsFileSize + 1);
    }
    ui_.boxes.clear();
    EXPECT_EQ(ini_.INIGetSettingInteger(u"A", u"k", Path(), 7), 0);
    EXPECT_EQ(ini_.INIGetSettingString(u"A", u"k", Path(), u"dflt"), u"");
    const bool written = ini_.INIWriteSetting(u"A", u"k", u"v", Path());
    EXPECT_FALSE(written);
    if (c.kind == Kind::kBytes) {
      EXPECT_EQ(Bytes(), c.bytes);
    } else if (c.kind == Kind::kHuge) {
      EXPECT_EQ(std::filesystem::file_size(dir_ / "QLX.ini"), kMaxSettingsFileSize + 1);
    }
    // A file that cannot be read is not written either, without a report of its own.
    const std::size_t expected_boxes = c.kind == Kind::kBytes ? 3 : 2;
    ASSERT_EQ(ui_.boxes.size(), expected_boxes);
    const Text titles[] = {u"INIGetSettingInteger", u"INIGetSettingString", u"INIWriteSetting"};
    for (std::size_t i = 0; i < expected_boxes; ++i) {
      EXPECT_EQ(ui_.boxes[i].title, titles[i]);
      EXPECT_EQ(ui_.boxes[i].buttons, Buttons::kOk);
      EXPECT_TRUE(StartsWith(ui_.boxes[i].text, c.description_start)) << testing::U8(ui_.boxes[i].text);
    }
  }
}

// A store that records its calls and fails as told.
class FakeStore : public ProfileStore {
 public:
  std::int32_t GetInt(const Text& section, const Text& key, std::int32_t default_value, const Text& path) override {
    calls.push_back(section + u"|" + key + u"|" + Str(default_value) + u"|" + path);
    Fail();
    return 5;
  }
  Text GetString(const Text& section, const Text& key, const Text& default_value, std::size_t buffer_size,
                 const Text& path) override {
    calls.push_back(section + u"|" + key + u"|" + default_value + u"|" + Str(static_cast<long long>(buffer_size)) +
                    u"|" + path);
    Fail();
    return u"value";
  }
  bool Write(const Text& section, const Text& key, const Text& value, const Text& path) override {
    calls.push_back(section + u"|" + key + u"|" + value + u"|" + path);
    Fail();
    return true;
  }
  void Fail() {
    if (failure == 1) throw VbError(53);
    if (failure == 2) throw std::runtime_error("disk on fire");
  }

  int failure = 0;
  std::vector<Text> calls;
};

TEST(ModINIFileTest, PassesArgumentsOnAndReportsFailures) {
  for (int failure : {0, 1, 2}) {
    SCOPED_TRACE(failure);
    RecordingUi ui;
    auto owned = std::make_unique<FakeStore>();
    FakeStore& store = *owned;
    store.failure = failure;
    ModINIFile ini(ui, u"/cfg/QLX.ini", std::move(owned));
    EXPECT_EQ(ini.SettingsPath(), u"/cfg/QLX.ini");

    const std::int32_t number = ini.INIGetSettingInteger(u"Mode", u"SleepTime", u"/p", 4);
    const Text text = ini.INIGetSettingString(u"Author", u"Name", u"/p", u"d");
    const bool written = ini.INIWriteSetting(u"WindowPos", u"Top", u"1440", u"/p");

    EXPECT_EQ(store.calls, (std::vector<Text>{u"Mode|SleepTime|4|/p", u"Author|Name|d|256|/p",
                                             u"WindowPos|Top|1440|/p"}));
    if (failure == 0) {
      EXPECT_EQ(number, 5);
      EXPECT_EQ(text, u"value");
      EXPECT_TRUE(written);
      EXPECT_TRUE(ui.boxes.empty());
      continue;
    }
    EXPECT_EQ(number, 0);
    EXPECT_EQ(text, u"");
    EXPECT_FALSE(written);
    const Text report = failure == 1 ? u"Error: 53. File not found" : u"Error: 5. Invalid procedure call or argument";
    EXPECT_EQ(ui.boxes, (std::vector<RecordedBox>{{u"INIGetSettingInteger", report},
                                                  {u"INIGetSettingString", report},
                                                  {u"INIWriteSetting", report}}));
  }
}

TEST(SettingsFilePathTest, JoinsTheDirectoryAndQlxIni) {
  EXPECT_EQ(SettingsFilePath(u"/opt/qlx"), u"/opt/qlx/QLX.ini");
  EXPECT_EQ(SettingsFilePath(u"/opt/qlx/"), u"/opt/qlx/QLX.ini");
}

}  // namespace
}  // namespace qlx
