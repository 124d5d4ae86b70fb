#include "host/clock.h"

#ifndef _WIN32
#include <unicode/datefmt.h>
#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#endif

#include <cstdlib>
#include <memory>

#include "host/vberror.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

namespace qlx {
namespace {

const char* Environment(const char* name) {
  const char* value = std::getenv(name);
  return value && *value ? value : nullptr;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

Text Printable(std::string_view text) {
  if (IsValidUtf8(text)) return FromUtf8(text);
  Text out;
  for (char c : text) out += static_cast<unsigned char>(c) < 0x80 ? static_cast<char16_t>(c) : u'\uFFFD';
  return out;
}

#ifndef _WIN32
Text FromIcu(const icu::UnicodeString& s) { return Text(s.getBuffer(), static_cast<std::size_t>(s.length())); }

Text FormatWithIcu(const std::string& locale_name, bool date, const std::optional<LocalDateTime>& fixed) {
  const icu::Locale locale = locale_name.empty() ? icu::Locale::getRoot() : icu::Locale(locale_name.c_str());
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::DateFormat> format;
  if (std::string_view(locale.getLanguage()) == "ja") {
    // The Japanese Windows defaults; ICU's own Japanese short date leaves
    // years before 1000 unpadded.
    format = std::make_unique<icu::SimpleDateFormat>(icu::UnicodeString(date ? u"yyyy/MM/dd" : u"H:mm:ss"),
                                                     locale, status);
  } else {
    format.reset(date ? icu::DateFormat::createDateInstance(icu::DateFormat::kShort, locale)
                      : icu::DateFormat::createTimeInstance(icu::DateFormat::kMedium, locale));
  }
  if (!format || U_FAILURE(status)) {
    throw VbError(vberr::kInvalidCall, u"No regional date and time format for the locale \"" +
                                           Printable(locale_name) + u"\"");
  }
  UDate when = icu::Calendar::getNow();
  if (fixed) {
    // A fixed local time is shown as it was given, whatever the time zone
    // (and its daylight-saving gaps), so both sides use GMT.
    icu::GregorianCalendar calendar(icu::TimeZone::getGMT()->clone(), status);
    calendar.clear();
    calendar.set(fixed->year, fixed->month - 1, fixed->day, fixed->hour, fixed->minute, fixed->second);
    when = calendar.getTime(status);
    format->setTimeZone(*icu::TimeZone::getGMT());
  }
  if (U_FAILURE(status)) throw VbError(vberr::kInvalidCall, u"The fixed time QLX_NOW cannot be shown");
  icu::UnicodeString out;
  format->format(when, out);
  return FromIcu(out);
}
#endif

#ifdef _WIN32
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

Text FromBuffer(const wchar_t* buffer, int length) {
  if (length <= 0) throw VbError(vberr::kInvalidCall, u"The regional date and time format cannot be read");
  return Text(reinterpret_cast<const char16_t*>(buffer), static_cast<std::size_t>(length - 1));
}

Text FormatUserDefault(bool date, const std::optional<LocalDateTime>& fixed) {
  const SYSTEMTIME time = SystemTimeOf(fixed);
  wchar_t buffer[128];
  return FromBuffer(buffer, date ? GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, buffer, 128)
                                 : GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &time, nullptr, buffer, 128));
}

// A clock made for a named locale, on Windows: Japanese and the root locale
// keep their fixed pictures; other locales take the platform's short date
// and long time for that locale name ("de_DE" as "de-DE").
Text FormatForLocale(const std::string& locale_name, bool date, const std::optional<LocalDateTime>& fixed) {
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
  if (length <= 0) {
    throw VbError(vberr::kInvalidCall, u"No regional date and time format for the locale \"" +
                                           Printable(locale_name) + u"\"");
  }
  return FromBuffer(buffer, length);
}
#endif

}  // namespace

LocalDateTime ParseFixedNow(std::string_view text) {
  const auto fail = [&]() -> LocalDateTime {
    throw VbError(vberr::kInvalidCall,
                  u"QLX_NOW must be a local date and time in the form YYYY-MM-DDTHH:MM:SS "
                  u"(for example 2026-12-08T09:05:03), not \"" +
                      Printable(text) + u"\"");
  };
  static constexpr std::string_view kShape = "dddd-dd-ddTdd:dd:dd";
  if (text.size() != kShape.size()) return fail();
  for (std::size_t i = 0; i < kShape.size(); ++i) {
    if (kShape[i] == 'd' ? !IsDigit(text[i]) : text[i] != kShape[i]) return fail();
  }
  const auto number = [&](std::size_t at, std::size_t length) {
    int value = 0;
    for (std::size_t i = at; i < at + length; ++i) value = value * 10 + (text[i] - '0');
    return value;
  };
  LocalDateTime t{number(0, 4), number(5, 2), number(8, 2), number(11, 2), number(14, 2), number(17, 2)};
  if (t.year < 1 || t.month < 1 || t.month > 12 || t.day < 1 || t.day > DaysInMonth(t.year, t.month) ||
      t.hour > 23 || t.minute > 59 || t.second > 59) {
    return fail();
  }
  return t;
}

std::string IcuLocaleName(std::string_view posix_locale) {
  std::string name(posix_locale.substr(0, posix_locale.find_first_of(".@")));
  if (name == "C" || name == "POSIX") return std::string();
  return name;
}

RegionalClock RegionalClock::FromEnvironment() {
  std::optional<LocalDateTime> fixed;
  if (const char* now = Environment("QLX_NOW")) fixed = ParseFixedNow(now);
#ifdef _WIN32
  RegionalClock clock(std::string(), fixed);
  clock.user_default_ = true;
  return clock;
#else
  const char* locale = Environment("LC_ALL");
  if (!locale) locale = Environment("LC_TIME");
  if (!locale) locale = Environment("LANG");
  return RegionalClock(locale ? locale : "", fixed);
#endif
}

RegionalClock::RegionalClock(std::string posix_locale, std::optional<LocalDateTime> fixed_now)
    : icu_locale_(IcuLocaleName(posix_locale)), fixed_now_(fixed_now) {}

Text RegionalClock::ShortDate() const {
#ifdef _WIN32
  if (user_default_) return FormatUserDefault(true, fixed_now_);
  return FormatForLocale(icu_locale_, true, fixed_now_);
#else
  return FormatWithIcu(icu_locale_, true, fixed_now_);
#endif
}

Text RegionalClock::LongTime() const {
#ifdef _WIN32
  if (user_default_) return FormatUserDefault(false, fixed_now_);
  return FormatForLocale(icu_locale_, false, fixed_now_);
#else
  return FormatWithIcu(icu_locale_, false, fixed_now_);
#endif
}

}  // namespace qlx
