// libqlx's platform-dependent parts as the add-in runs them on Windows:
// text conversion and display width, the ANSI code page, the settings file
// through the profile functions, the per-user setting in the registry, and
// the regional date and time.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "settings/ini_file.h"
#include "settings/user_settings.h"
#include "settings/win32/win_settings.h"
#include "windows/harness.h"
#include "host/clock.h"
#include "host/files/encoding.h"
#include "host/ui.h"
#include "registry.h"

namespace qlx::fake {
namespace {

bool ThrowsInvalidCall(std::string_view bytes) {
  try {
    FromUtf8(bytes);
  } catch (const VbError& e) {
    return e.Number() == vberr::kInvalidCall;
  }
  return false;
}

std::wstring TempDirectory() {
  wchar_t base[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, base);
  std::wstring dir = std::wstring(base) + L"qlx-fake-" + std::to_wstring(GetCurrentProcessId());
  CreateDirectoryW(dir.c_str(), nullptr);
  return dir;
}

std::string FileBytes(const std::wstring& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

void RunPortabilityScenarios(Harness& /*h*/) {
  Checks& t = TheChecks();

  t.Scenario("a Japanese system: ANSI code page 932, locale 1041", [] {
    CHECK_EQ(static_cast<long long>(GetACP()), 932LL);
    CHECK_EQ(static_cast<long long>(GetUserDefaultLCID()), 0x411LL);
  });

  t.Scenario("text helpers convert and measure as on Linux", [] {
    const Text japanese = u"\uFF8D\uFF6F\uFF80\uFF9E\u633F\u5165 \U0001F600";
    CHECK(FromUtf8(ToUtf8(japanese)) == japanese);
    CHECK_EQ(ToUtf8(u"\uFF8D"), std::string("\xEF\xBE\x8D"));
    // A lone surrogate cannot be written: it becomes U+FFFD.
    CHECK_EQ(ToUtf8(Text(1, u'\xD800')), std::string("\xEF\xBF\xBD"));
    CHECK(ThrowsInvalidCall("\xC3\x28"));      // cut sequence
    CHECK(ThrowsInvalidCall("\xC0\xAF"));      // overlong
    CHECK(ThrowsInvalidCall("\xED\xA0\x80"));  // encoded surrogate
    CHECK(!IsValidUtf8("\xFF"));
    CHECK(IsValidUtf8("\xE6\x8C\xBF"));
    // Half-width katakana and ASCII count one column, full-width forms,
    // kanji and emoji two.
    CHECK_EQ(static_cast<long long>(DisplayWidth(u"\uFF71\uFF72\u6F22\u5B57\uFF41a")), 9LL);
    CHECK_EQ(static_cast<long long>(DisplayWidth(u"\U0001F600\u3000")), 4LL);
  });

  t.Scenario("CP932 conversion through the platform", [] {
    Converter cp932(Encoding{Encoding::Kind::kCodePage, "CP932"});
    const Text text = u"\uFF8D\uFF6F\uFF80\uFF9E\u633F\u5165";
    CHECK_EQ(cp932.Encode(text), std::string("\xCD\xAF\xC0\xDE\x91\x7D\x93\xFC"));
    CHECK(cp932.Decode("\xCD\xAF\xC0\xDE\x91\x7D\x93\xFC") == std::optional<Text>(text));
    int replaced = 0;
    CHECK_EQ(cp932.Encode(u"a\u20ACb\U0001F600", &replaced), std::string("a?b?"));
    CHECK_EQ(static_cast<long long>(replaced), 2LL);
    CHECK(!cp932.Decode("\x81").has_value());  // a lead byte without its trail byte
    bool refused = false;
    try {
      Converter unknown(Encoding{Encoding::Kind::kCodePage, "NO-SUCH-CODEPAGE"});
    } catch (const FileError&) {
      refused = true;
    }
    CHECK(refused);
  });

  t.Scenario("QLX.ini through the profile functions, in the ANSI code page", [] {
    const std::wstring dir = TempDirectory();
    const Text path = SettingsFilePath(com::FromWide(dir.c_str()));
    RecordingUi ui;
    ModINIFile ini(ui, path);
    CHECK_EQ(ini.INIGetSettingString(u"Author", u"Name", path, u""), Text());
    CHECK_EQ(static_cast<long long>(ini.INIGetSettingInteger(u"Mode", u"IgnoreMode", path, 0)), 0LL);
    // 130 full-width characters: 260 bytes in CP932, of which 255 come back,
    // so 127 whole characters survive.
    const Text name(130, u'\u540D');
    CHECK(ini.INIWriteSetting(u"Author", u"Name", name, path));
    CHECK(ini.INIGetSettingString(u"Author", u"Name", path, u"") == Text(127, u'\u540D'));
    CHECK(ini.INIWriteSetting(u"Mode", u"SleepTime", u"abc", path));
    CHECK(ini.INIWriteSetting(u"WindowPos", u"Top", u"1440", path));
    CHECK(ini.INIWriteSetting(u"WindowPos", u"Left", u"12abc", path));
    CHECK_EQ(static_cast<long long>(ini.INIGetSettingInteger(u"Mode", u"SleepTime", path, 0)), 0LL);
    CHECK_EQ(static_cast<long long>(ini.INIGetSettingInteger(u"WindowPos", u"Top", path, 0)), 1440LL);
    CHECK_EQ(static_cast<long long>(ini.INIGetSettingInteger(u"windowpos", u"LEFT", path, 0)), 12LL);
    CHECK_EQ(static_cast<long long>(ini.INIGetSettingInteger(u"Mode", u"Missing", path, 7)), 7LL);
    const std::string bytes = FileBytes(com::Wide(path));
    CHECK_MSG(bytes.rfind("[Author]", 0) == 0, Show(bytes.substr(0, 20)));
    CHECK(bytes.find(std::string(20, '\0')) == std::string::npos);
    CHECK(bytes.find("\x96\xBC\x96\xBC") != std::string::npos);  // the name in CP932
    CHECK(ui.boxes.empty());
    DeleteFileW(com::Wide(path));
    RemoveDirectoryW(dir.c_str());
  });

  t.Scenario("QLX.ini in a folder whose name the ANSI code page cannot hold", [] {
    // "€" and "ä" have no place in code page 932.
    const std::wstring dir = TempDirectory() + L"-\u20AC\u00E4";
    CreateDirectoryW(dir.c_str(), nullptr);
    const Text path = SettingsFilePath(com::FromWide(dir.c_str()));
    RecordingUi ui;
    ModINIFile ini(ui, path);
    CHECK(ini.INIWriteSetting(u"Author", u"Name", u"\u5C71\u7530", path));
    CHECK(ini.INIGetSettingString(u"Author", u"Name", path, u"") == Text(u"\u5C71\u7530"));
    CHECK_EQ(static_cast<long long>(ini.INIGetSettingInteger(u"Mode", u"Missing", path, 3)), 3LL);
    // The file is where the path says, and in the ANSI code page.
    CHECK_EQ(FileBytes(com::Wide(path)), std::string("[Author]\r\nName=\x8e\x52\x93\x63\r\n"));
    CHECK(ui.boxes.empty());
    DeleteFileW(com::Wide(path));
    RemoveDirectoryW(dir.c_str());
    RemoveDirectoryW(TempDirectory().c_str());
  });

  t.Scenario("DisplayOnConnect where SaveSetting keeps it", [] {
    const std::wstring app = L"Software\\VB and VBA Program Settings\\Plumewrighter";
    const bool existed = win::KeyExists(HKEY_CURRENT_USER, app);
    std::unique_ptr<UserSettingsStore> store = PlatformUserSettingsStore();
    SaveDisplayOnConnect(*store, true);
    CHECK_EQ(GetDisplayOnConnect(*store), Text(u"1"));
    win::RegKey key = win::RegKey::Open(HKEY_CURRENT_USER, app + L"\\Settings");
    CHECK(key && key.GetString(L"DisplayOnConnect") == std::optional<std::wstring>(L"1"));
    SaveDisplayOnConnect(*store, false);
    CHECK(key.GetString(L"DisplayOnConnect") == std::optional<std::wstring>(L"0"));
    key.reset();
    RegistryUserSettingsStore scratch(u"Software\\QLX fake editor");
    CHECK_EQ(scratch.GetSetting(u"App", u"Section", u"Key", u"none"), Text(u"none"));
    scratch.SaveSetting(u"App", u"Section", u"Key", u"  \u5024 ");
    CHECK_EQ(scratch.GetSetting(u"App", u"Section", u"Key", u"none"), Text(u"  \u5024 "));
    win::DeleteTree(HKEY_CURRENT_USER, L"Software\\QLX fake editor");
    if (!existed) {
      win::DeleteTree(HKEY_CURRENT_USER, app);
      win::DeleteIfEmpty(HKEY_CURRENT_USER, L"Software\\VB and VBA Program Settings");
    }
  });

  t.Scenario("dates and times from the user's regional settings", [] {
    // The user's own pictures win: first Windows' Japanese defaults, then
    // others; the originals are put back afterwards.
    const auto setting = [](LCTYPE type) {
      wchar_t buffer[80] = {};
      GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, 80);
      return std::wstring(buffer);
    };
    const std::wstring date_picture = setting(LOCALE_SSHORTDATE);
    const std::wstring time_picture = setting(LOCALE_STIMEFORMAT);
    RegionalClock clock = RegionalClock::ForUser("", "2026-12-08T09:05:03");
    CHECK(SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, L"yyyy/MM/dd"));
    CHECK(SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIMEFORMAT, L"H:mm:ss"));
    CHECK_EQ(clock.ShortDate(), Text(u"2026/12/08"));
    CHECK_EQ(clock.LongTime(), Text(u"9:05:03"));
    CHECK(SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, L"dd-MM-yyyy"));
    CHECK(SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIMEFORMAT, L"HH.mm.ss"));
    CHECK_EQ(clock.ShortDate(), Text(u"08-12-2026"));
    CHECK_EQ(clock.LongTime(), Text(u"09.05.03"));
    SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, date_picture.c_str());
    SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIMEFORMAT, time_picture.c_str());
    CHECK_EQ(RegionalClock("", LocalDateTime{2026, 12, 8, 9, 5, 3}).LongTime(), Text(u"09:05:03"));
    CHECK_EQ(RegionalClock("ja_JP.UTF-8", LocalDateTime{2026, 12, 8, 9, 5, 3}).ShortDate(), Text(u"2026/12/08"));
    CHECK(!RegionalClock::ForUser("", "").ShortDate().empty());
  });
}

}  // namespace qlx::fake
