// The regional date and time from the platform: the user's regional
// settings, or a named locale's.
#include <string>

#include "host/clock.h"
#include "host/win32/windows_api.h"

namespace qlx {
namespace {

SYSTEMTIME SystemTimeOf(const std::optional<LocalDateTime>& fixed) {
  SYSTEMTIME time{};
  if (fixed) {
    time.wYear = static_cast<WORD>(fixed->year);
    time.wMonth = static_cast<WORD>(fixed->month);
    time.wDay = static_cast<WORD>(fixed->day);
    time.wHour = static_cast<WORD>(fixed->hour);
    time.wMinute = static_cast<WORD>(fixed->minute);
    time.wSecond = static_cast<WORD>(fixed->second);
  } else {
    GetLocalTime(&time);
  }
  return time;
}

std::optional<Text> FromBuffer(const wchar_t* buffer, int length) {
  if (length <= 0) return std::nullopt;
  return Text(reinterpret_cast<const char16_t*>(buffer), static_cast<std::size_t>(length - 1));
}

std::optional<Text> FormatUserDefault(bool date, const std::optional<LocalDateTime>& fixed) {
  const SYSTEMTIME time = SystemTimeOf(fixed);
  wchar_t buffer[128];
  return FromBuffer(buffer, date ? GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, buffer, 128)
                                 : GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &time, nullptr, buffer, 128));
}

// A clock made for a named locale, on Windows: Japanese and the root locale
// keep their fixed pictures; other locales take the platform's short date
// and long time for that locale name ("de_DE" as "de-DE").
std::optional<Text> FormatForLocale(const std::string& locale_name, bool date, const std::optional<LocalDateTime>& fixed) {
  const SYSTEMTIME time = SystemTimeOf(fixed);
  const std::string language = locale_name.substr(0, locale_name.find('_'));
  const wchar_t* picture = nullptr;
  if (language == "ja") picture = date ? L"yyyy'/'MM'/'dd" : L"H':'mm':'ss";
  if (locale_name.empty()) picture = date ? L"yyyy'-'MM'-'dd" : L"HH':'mm':'ss";
  std::wstring name(locale_name.begin(), locale_name.end());
  for (wchar_t& c : name) {
    if (c == L'_') c = L'-';
  }
  const wchar_t* locale = locale_name.empty() ? LOCALE_NAME_INVARIANT : name.c_str();
  wchar_t buffer[128];
  const int length = date ? GetDateFormatEx(locale, picture ? 0 : DATE_SHORTDATE, &time, picture, buffer, 128,
                                            nullptr)
                          : GetTimeFormatEx(locale, 0, &time, picture, buffer, 128);
  return FromBuffer(buffer, length);
}
}  // namespace

LocalDateTime MachineNow() {
  SYSTEMTIME time{};
  GetLocalTime(&time);
  return LocalDateTime{time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond};
}

// Windows keeps the user's regional settings outside the environment.
RegionalClock RegionalClock::ForPlatform(std::string_view /*posix_locale*/, std::optional<LocalDateTime> fixed_now) {
  RegionalClock clock(std::string(), fixed_now);
  clock.user_default_ = true;
  return clock;
}

std::optional<Text> RegionalClock::Format(bool date) const {
  if (user_default_) return FormatUserDefault(date, fixed_now_);
  return FormatForLocale(icu_locale_, date, fixed_now_);
}

}  // namespace qlx
