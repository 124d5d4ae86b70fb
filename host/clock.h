// The user's regional short date and long time of "now", as headers show
// them. The environment variable QLX_NOW (YYYY-MM-DDTHH:MM:SS, local time)
// fixes "now" so that output can be reproduced.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "host/text.h"
#include "host/ui.h"

namespace qlx {

struct LocalDateTime {
  int year = 0;
  int month = 0;  // 1-12
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;

  bool operator==(const LocalDateTime&) const = default;
};

// "2026-12-08T09:05:03" read as a local date and time. Throws VbError 5 with a
// message naming QLX_NOW when the text is not in that form or names no real
// date or time.
LocalDateTime ParseFixedNow(std::string_view text);

// ICU's name for a POSIX locale name: "ja_JP.UTF-8" and "ja_JP@x" give
// "ja_JP"; "", "C" and "POSIX" give "" (ICU's root locale).
std::string IcuLocaleName(std::string_view posix_locale);

class RegionalClock {
 public:
  // The user's locale (on Linux the first set of LC_ALL, LC_TIME and LANG; on
  // Windows the user's regional settings) and QLX_NOW when it is set and not
  // empty. Throws VbError 5 when QLX_NOW is malformed.
  static RegionalClock FromEnvironment();

  // posix_locale as in LC_TIME; fixed_now replaces the real clock.
  explicit RegionalClock(std::string posix_locale, std::optional<LocalDateTime> fixed_now = std::nullopt);

  // Japanese locales give the Windows defaults "yyyy/MM/dd" and "H:mm:ss"
  // (2026/12/08, 9:05:03); others ICU's short date and medium time (the one
  // with seconds); the root locale gives 2026-12-08 and 09:05:03.
  Text ShortDate() const;
  Text LongTime() const;

  const std::string& IcuLocale() const { return icu_locale_; }

 private:
  // The platform's half (host/posix, host/win32). The user's clock, given
  // the POSIX locale the environment names (or null).
  static RegionalClock ForUser(const char* posix_locale, std::optional<LocalDateTime> fixed_now);
  // The short date (date) or long time of "now"; nullopt when the locale has
  // no regional format.
  std::optional<Text> Format(bool date) const;

  std::string icu_locale_;
  std::optional<LocalDateTime> fixed_now_;
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

 private:
  UiService& inner_;
  RegionalClock clock_;
};

}  // namespace qlx
