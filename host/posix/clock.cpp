// The regional date and time with ICU, for the locale the environment names.
#include <unicode/datefmt.h>
#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <ctime>
#include <memory>

#include "host/clock.h"
#include "host/vberror.h"

namespace qlx {
namespace {

Text FromIcu(const icu::UnicodeString& s) { return Text(s.getBuffer(), static_cast<std::size_t>(s.length())); }

std::optional<Text> FormatWithIcu(const std::string& locale_name, bool date,
                                  const std::optional<LocalDateTime>& fixed) {
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
  if (!format || U_FAILURE(status)) return std::nullopt;
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

}  // namespace

LocalDateTime MachineNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return LocalDateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                       local.tm_hour,        local.tm_min,     local.tm_sec};
}

RegionalClock RegionalClock::ForPlatform(std::string_view posix_locale, std::optional<LocalDateTime> fixed_now) {
  return RegionalClock(std::string(posix_locale), fixed_now);
}

std::optional<Text> RegionalClock::Format(bool date) const { return FormatWithIcu(icu_locale_, date, fixed_now_); }

}  // namespace qlx
