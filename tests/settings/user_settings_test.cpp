// The per-user store: where it lives, "DisplayOnConnect", and settings that
// come back exactly as they were saved.
#include "settings/user_settings.h"

#include <gtest/gtest.h>

#include "host/vberror.h"
#include "support/environment.h"
#include "support/files.h"
#include "support/text.h"

namespace qlx {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::ScopedEnv;
using testing::TempDir;

TEST(UserConfigDirectoryTest, FollowsTheEnvironmentValuesInOrder) {
  struct Case {
    const char* what;
    UserConfigPlaces places;
    std::string expected;
  } cases[] = {
      {"QLX_CONFIG_DIR first", {"/q", "/x", "/h"}, "/q"},
      {"then XDG_CONFIG_HOME", {"", "/x", "/h"}, "/x/qlx"},
      {"relative XDG_CONFIG_HOME is ignored", {"", "rel", "/h"}, "/h/.config/qlx"},
      {"then HOME", {"", "", "/h"}, "/h/.config/qlx"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(UserConfigDirectory(c.places), fs::path(c.expected));
  }
  EXPECT_THROW(UserConfigDirectory(UserConfigPlaces{}), VbError);
}

TEST(UserConfigDirectoryTest, TheCoreReadsNoEnvironment) {
  ScopedEnv qlx("QLX_CONFIG_DIR", "/from/env"), home("HOME", "/home/env");
  EXPECT_EQ(UserConfigDirectory(UserConfigPlaces{"", "", "/h"}), fs::path("/h/.config/qlx"));
  EXPECT_THROW(PlatformUserSettingsStore(), VbError);
}

TEST(DisplayOnConnectTest, IsStoredPerUserAndReplacedInPlace) {
  TempDir dir;
  const fs::path config = dir / "deep" / "qlx";
  std::unique_ptr<UserSettingsStore> store = PlatformUserSettingsStore(config);
  EXPECT_EQ(GetDisplayOnConnect(*store), u"");
  EXPECT_FALSE(fs::exists(config)) << "reading creates nothing";

  SaveDisplayOnConnect(*store, true);
  EXPECT_EQ(ReadFile(config / "Plumewrighter.ini"), "[Settings]\nDisplayOnConnect=1\n");
  EXPECT_EQ(fs::status(config).permissions(), fs::perms::owner_all);
  SaveDisplayOnConnect(*store, false);
  EXPECT_EQ(ReadFile(config / "Plumewrighter.ini"), "[Settings]\nDisplayOnConnect=0\n");
  EXPECT_EQ(GetDisplayOnConnect(*store), u"0");
  EXPECT_EQ(store->GetSetting(u"Plumewrighter", u"SETTINGS", u"displayonconnect", u"?"), u"0");
}

TEST(FileUserSettingsStoreTest, SettingsComeBackAsSaved) {
  TempDir dir;
  FileUserSettingsStore store(dir.path());
  for (const Text& value : {Text(u"  spaced  "), Text(u"\"quoted\""), Text(u"'x'"), Text(u"日本語 😀"), Text(u""),
                            Text(u"a=b;c"), Text(u"\"")}) {
    SCOPED_TRACE(testing::U8(value));
    store.SaveSetting(u"App", u"Section", u"Key", value);
    EXPECT_EQ(store.GetSetting(u"App", u"Section", u"Key", u"dflt"), value);
  }
  EXPECT_EQ(store.GetSetting(u"App", u"Section", u"Other", u"dflt"), u"dflt");
  EXPECT_EQ(store.GetSetting(u"Other", u"Section", u"Key", u"dflt"), u"dflt");
}

TEST(FileUserSettingsStoreTest, RefusesWhatItCannotStore) {
  TempDir dir;
  FileUserSettingsStore store(dir.path());
  store.SaveSetting(u"App", u"S", u"K", u"kept");
  const std::string before = ReadFile(dir / "App.ini");
  EXPECT_THROW(store.SaveSetting(u"App", u"S", u"K", u"two\nlines"), VbError);
  EXPECT_EQ(ReadFile(dir / "App.ini"), before);
  for (const Text& app : {Text(u""), Text(u".."), Text(u"a/b"), Text(u"a\\b")}) {
    SCOPED_TRACE(testing::U8(app));
    EXPECT_THROW(store.SaveSetting(app, u"S", u"K", u"v"), VbError);
  }
  fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec, fs::perm_options::replace);
  EXPECT_THROW(store.SaveSetting(u"App", u"S", u"K", u"new"), VbError);
  fs::permissions(dir.path(), fs::perms::owner_all, fs::perm_options::replace);
  EXPECT_EQ(ReadFile(dir / "App.ini"), before);
}

}  // namespace
}  // namespace qlx
