// The regional date and time with ICU, for the locale the environment names.
#include <unicode/datefmt.h>
#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <ctime>
#include <memory>
#include <mutex>

#include "host/clock.h"
#include "host/vberror.h"

namespace qlx {
namespace {

Text FromIcu(const icu::UnicodeString& s) { return Text(s.getBuffer(), static_cast<std::size_t>(s.length())); }

std::unique_ptr<icu::DateFormat> MakeFormat(const std::string& locale_name, bool date, bool fixed) {
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
  if (!format || U_FAILURE(status)) return nullptr;
  // A fixed local time is shown as it was given, whatever the time zone
  // (and its daylight-saving gaps), so both sides use GMT.
  if (fixed) format->setTimeZone(*icu::TimeZone::getGMT());
  return format;
}

UDate FixedTime(const LocalDateTime& fixed) {
  UErrorCode status = U_ZERO_ERROR;
  icu::GregorianCalendar calendar(icu::TimeZone::getGMT()->clone(), status);
  calendar.clear();
  calendar.set(fixed.year, fixed.month - 1, fixed.day, fixed.hour, fixed.minute, fixed.second);
  const UDate when = calendar.getTime(status);
  if (U_FAILURE(status)) throw VbError(vberr::kInvalidCall, u"The fixed time QLX_NOW cannot be shown");
  return when;
}

}  // namespace

LocalDateTime MachineNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return LocalDateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                       local.tm_hour,        local.tm_min,     local.tm_sec};
}

// The date and time formats, made once; the fixed time's texts, once. A
// DateFormat is not safe to share between threads, hence the lock.
struct RegionalClock::Formatters {
  std::mutex mutex;
  bool made[2] = {false, false};  // [date]
  std::unique_ptr<icu::DateFormat> format[2];
  std::optional<Text> fixed_text[2];
};

RegionalClock RegionalClock::ForPlatform(std::string_view posix_locale, std::optional<LocalDateTime> fixed_now) {
  RegionalClock clock(std::string(posix_locale), fixed_now);
  // Made here, so that the copies of the clock share the formats.
  clock.formatters_ = std::make_shared<Formatters>();
  return clock;
}

std::optional<Text> RegionalClock::Format(bool date) const {
  if (!formatters_) formatters_ = std::make_shared<Formatters>();
  Formatters& f = *formatters_;
  const std::lock_guard<std::mutex> hold(f.mutex);
  if (!f.made[date]) {
    f.format[date] = MakeFormat(icu_locale_, date, fixed_now_.has_value());
    if (f.format[date] && fixed_now_) {
      icu::UnicodeString out;
      f.format[date]->format(FixedTime(*fixed_now_), out);
      f.fixed_text[date] = FromIcu(out);
    }
    f.made[date] = true;
  }
  if (!f.format[date]) return std::nullopt;
  if (f.fixed_text[date]) return f.fixed_text[date];
  icu::UnicodeString out;
  f.format[date]->format(icu::Calendar::getNow(), out);
  return FromIcu(out);
}

}  // namespace qlx
