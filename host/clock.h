// The user's regional short date and long time of "now", as headers show
// them, and the fixed date pictures of the settings. The programs say which
// locale and which fixed "now" (QLX_NOW, YYYY-MM-DDTHH:MM:SS, local time) to
// use; the core reads no environment.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "host/text.h"
#include "host/ui.h"

namespace qlx {

// "2026-12-08T09:05:03" read as a local date and time. Throws VbError 5 with a
// message naming QLX_NOW when the text is not in that form or names no real
// date or time.
LocalDateTime ParseFixedNow(std::string_view text);

// ICU's name for a POSIX locale name: "ja_JP.UTF-8" and "ja_JP@x" give
// "ja_JP"; "", "C" and "POSIX" give "" (ICU's root locale).
std::string IcuLocaleName(std::string_view posix_locale);

class RegionalClock {
 public:
  // The user's regional settings: on Windows the user's own, elsewhere
  // posix_locale (the first set of LC_ALL, LC_TIME and LANG); fixed_now (the
  // text of QLX_NOW) fixes "now" when not empty. Throws VbError 5 when
  // fixed_now is malformed.
  static RegionalClock ForUser(std::string_view posix_locale, std::string_view fixed_now);

  // posix_locale as in LC_TIME; fixed_now replaces the real clock.
  explicit RegionalClock(std::string posix_locale, std::optional<LocalDateTime> fixed_now = std::nullopt);

  // Japanese locales give the Windows defaults "yyyy/MM/dd" and "H:mm:ss"
  // (2026/12/08, 9:05:03); others ICU's short date and medium time (the one
  // with seconds); the root locale gives 2026-12-08 and 09:05:03.
  Text ShortDate() const;
  Text LongTime() const;
  // "now": the fixed one, else the machine's.
  LocalDateTime Now() const;

  const std::string& IcuLocale() const { return icu_locale_; }

 private:
  // The platform's half of ForUser (host/posix, host/win32).
  static RegionalClock ForPlatform(std::string_view posix_locale, std::optional<LocalDateTime> fixed_now);
  // The short date (date) or long time of "now"; nullopt when the locale has
  // no regional format.
  std::optional<Text> Format(bool date) const;

  std::string icu_locale_;
  std::optional<LocalDateTime> fixed_now_;
  // The platform's formatters for icu_locale_, made at their first use and
  // shared by copies of the clock: making one costs far more than a header.
  struct Formatters;
  mutable std::shared_ptr<Formatters> formatters_;
  bool user_default_ = false;  // Windows: the user's regional settings
};

// A UiService that shows the date and time of a RegionalClock and leaves its
// boxes, input and waits to another one.
class RegionalClockUi : public UiService {
 public:
  RegionalClockUi(UiService& inner, RegionalClock clock) : inner_(inner), clock_(std::move(clock)) {}

  Answer MsgBox(const Text& prompt, Buttons buttons, const Text& title) override {
    return inner_.MsgBox(prompt, buttons, title);
  }
  std::optional<Text> InputBox(const Text& prompt, const Text& title, const Text& default_text) override {
    return inner_.InputBox(prompt, title, default_text);
  }
  void Sleep(int milliseconds) override { inner_.Sleep(milliseconds); }
  Text ShortDate() override { return clock_.ShortDate(); }
  Text LongTime() override { return clock_.LongTime(); }
  LocalDateTime Now() override { return clock_.Now(); }

 private:
  UiService& inner_;
  RegionalClock clock_;
};

// A date or time picture of the settings' DateFormat: yyyy (year, four
// digits), mm and m (month), dd and d (day), hh and h (hour, 0-23), nn
// (minute), ss (second); every other character stands for itself. Tokens are
// read longest first; "mm" is always the month.
Text FormatDatePicture(TextView picture, const LocalDateTime& when);

// DateFormat split into its date picture and time picture: the text up to the
// first space, and the rest after the spaces ("hh:nn:ss" when there is none).
struct DatePictures {
  Text date;
  Text time;
};
DatePictures SplitDateFormat(TextView date_format);

// Whether the date picture of a DateFormat holds a date token (yyyy, mm, dd,
// m or d).
bool HasDateToken(TextView date_format);

}  // namespace qlx
