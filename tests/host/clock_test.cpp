// The regional date and time: Japanese Windows defaults, the locale variables,
// and the fixed clock of QLX_NOW.
#include "host/clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <unicode/timezone.h>

#include "host/vberror.h"
#include "support/environment.h"
#include "support/files.h"
#include "support/text.h"

namespace qlx {
namespace {

using testing::ScopedEnv;

// The locale variables and QLX_NOW for one case, all others removed.
struct Environment {
  Environment(std::optional<std::string> lc_all, std::optional<std::string> lc_time, std::optional<std::string> lang,
              std::optional<std::string> now)
      : lc_all_("LC_ALL", std::move(lc_all)),
        lc_time_("LC_TIME", std::move(lc_time)),
        lang_("LANG", std::move(lang)),
        now_("QLX_NOW", std::move(now)) {}
  ScopedEnv lc_all_, lc_time_, lang_, now_;
};

TEST(RegionalClockTest, JapaneseLocaleGivesTheWindowsDefaults) {
  const RegionalClock clock = RegionalClock::ForUser("ja_JP.UTF-8", "2026-12-08T09:05:03");
  EXPECT_EQ(clock.ShortDate(), u"2026/12/08");
  EXPECT_EQ(clock.LongTime(), u"9:05:03");
}

TEST(RegionalClockTest, FormatsByLocale) {
  struct Case {
    const char* locale;
    const char* now;
    Text date, time;
  } cases[] = {
      {"ja_JP.UTF-8", "2026-12-08T21:59:00", u"2026/12/08", u"21:59:00"},
      {"ja_JP", "0987-01-02T00:00:00", u"0987/01/02", u"0:00:00"},
      {"ja", "2024-02-29T12:00:59", u"2024/02/29", u"12:00:59"},
      {"C", "2026-12-08T09:05:03", u"2026-12-08", u"09:05:03"},
      {"C.UTF-8", "2026-12-08T09:05:03", u"2026-12-08", u"09:05:03"},
      {"", "2026-12-08T09:05:03", u"2026-12-08", u"09:05:03"},
      {"de_DE.UTF-8@euro", "2026-12-08T09:05:03", u"08.12.26", u"09:05:03"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.locale);
    const RegionalClock clock(c.locale, ParseFixedNow(c.now));
    EXPECT_EQ(clock.ShortDate(), c.date);
    EXPECT_EQ(clock.LongTime(), c.time);
  }
}

TEST(RegionalClockTest, TheCoreReadsNoEnvironment) {
  // The programs hand the locale and the fixed time in; the variables do nothing here.
  Environment env("de_DE.UTF-8", std::nullopt, std::nullopt, "2030-01-01T00:00:00");
  const RegionalClock clock = RegionalClock::ForUser("ja_JP", "2026-12-08T09:05:03");
  EXPECT_EQ(clock.IcuLocale(), "ja_JP");
  EXPECT_EQ(clock.ShortDate(), u"2026/12/08");
  EXPECT_EQ(clock.Now(), (LocalDateTime{2026, 12, 8, 9, 5, 3}));
}

TEST(RegionalClockTest, FixedTimeIgnoresTheTimeZone) {
  // 02:30 does not exist in New York on that day; a fixed time must not move.
  std::unique_ptr<icu::TimeZone> saved(icu::TimeZone::createDefault());
  icu::TimeZone::adoptDefault(icu::TimeZone::createTimeZone("America/New_York"));
  const RegionalClock clock("ja_JP", ParseFixedNow("2026-03-08T02:30:00"));
  const Text date = clock.ShortDate();
  const Text time = clock.LongTime();
  icu::TimeZone::setDefault(*saved);
  EXPECT_EQ(date, u"2026/03/08");
  EXPECT_EQ(time, u"2:30:00");
}

TEST(RegionalClockTest, WithoutQlxNowTheRealClockIsRead) {
  const RegionalClock clock = RegionalClock::ForUser("ja_JP.UTF-8", "");
  EXPECT_TRUE(Like(clock.ShortDate(), u"####/##/##")) << testing::U8(clock.ShortDate());
  EXPECT_TRUE(Like(clock.LongTime(), u"*#:##:##")) << testing::U8(clock.LongTime());
}

// The formats are made once per clock; the time they show is read anew on
// every call.
TEST(RegionalClockTest, TheRealClockKeepsGoingAfterItsFirstText) {
  const RegionalClock clock = RegionalClock::ForUser("ja_JP.UTF-8", "");
  const Text first = clock.LongTime();
  Text later = first;
  for (int i = 0; i < 60 && later == first; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    later = clock.LongTime();
  }
  EXPECT_NE(later, first);
  const RegionalClock copy = clock;
  EXPECT_EQ(copy.ShortDate(), clock.ShortDate());
}

TEST(ParseFixedNowTest, RefusesAnythingButARealLocalTime) {
  EXPECT_EQ(ParseFixedNow("2024-02-29T23:59:59"), (LocalDateTime{2024, 2, 29, 23, 59, 59}));
  for (const char* bad : {"", "2026-12-08", "2026-12-08 09:05:03", "2026-12-8T09:05:03", "2026-12-08T09:05:03Z",
                          "+026-12-08T09:05:03", "2026-13-01T00:00:00", "2026-02-29T00:00:00",
                          "1900-02-29T00:00:00", "2026-04-31T00:00:00", "2026-12-08T24:00:00",
                          "2026-12-08T09:60:00", "0000-01-01T00:00:00"}) {
    SCOPED_TRACE(bad);
    try {
      ParseFixedNow(bad);
      ADD_FAILURE() << "accepted";
    } catch (const VbError& e) {
      EXPECT_EQ(e.Number(), 5);
      EXPECT_TRUE(StartsWith(e.Description(), u"QLX_NOW must be a local date and time in the form "
                                               u"YYYY-MM-DDTHH:MM:SS"));
      EXPECT_NE(e.Description().find(u"\"" + FromUtf8(bad) + u"\""), Text::npos);
    }
  }
  EXPECT_THROW(RegionalClock::ForUser("ja_JP.UTF-8", "tomorrow"), VbError);
}

struct PictureCase {
  const char* picture;
  LocalDateTime when;
  Text expected;
};

class DatePicture : public ::testing::TestWithParam<PictureCase> {};

TEST_P(DatePicture, TokensAreReadLongestFirstAndTheRestStandsForItself) {
  EXPECT_EQ(FormatDatePicture(FromUtf8(GetParam().picture), GetParam().when), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, DatePicture,
    ::testing::Values(PictureCase{"yyyy/mm/dd", {2026, 1, 2, 3, 4, 5}, u"2026/01/02"},
                      PictureCase{"yyyy-m-d", {2026, 1, 2, 3, 4, 5}, u"2026-1-2"},
                      PictureCase{"d.m.yyyy", {987, 12, 31, 0, 0, 0}, u"31.12.0987"},
                      PictureCase{"hh:nn:ss", {2026, 1, 2, 3, 4, 5}, u"03:04:05"},
                      PictureCase{"h:nn", {2026, 1, 2, 23, 59, 0}, u"23:59"},
                      PictureCase{"yyyy年m月d日", {2026, 12, 8, 0, 0, 0}, u"2026年12月8日"},
                      PictureCase{"yy", {2026, 12, 8, 0, 0, 0}, u"yy"}));

TEST(DateFormatTest, SplitsAtTheFirstSpaceAndDefaultsTheTime) {
  EXPECT_EQ(SplitDateFormat(u"yyyy/mm/dd").date, u"yyyy/mm/dd");
  EXPECT_EQ(SplitDateFormat(u"yyyy/mm/dd").time, u"hh:nn:ss");
  EXPECT_EQ(SplitDateFormat(u"yyyy-mm-dd   h:nn").time, u"h:nn");
  EXPECT_EQ(SplitDateFormat(u"yyyy-mm-dd ").time, u"hh:nn:ss");
  EXPECT_TRUE(HasDateToken(u"d/m"));
  EXPECT_FALSE(HasDateToken(u"hh:nn"));
  EXPECT_FALSE(HasDateToken(u"xyz yyyy"));
}

TEST(RegionalClockUiTest, TakesDateAndTimeFromTheClockAndTheRestFromTheInnerUi) {
  RecordingUi inner;
  inner.Answers({Answer::kYes});
  RegionalClockUi ui(inner, RegionalClock("ja_JP.UTF-8", ParseFixedNow("2030-01-31T07:08:09")));
  EXPECT_EQ(ui.ShortDate(), u"2030/01/31");
  EXPECT_EQ(ui.LongTime(), u"7:08:09");
  EXPECT_EQ(ui.MsgBox(u"q", Buttons::kYesNo, u"QLX"), Answer::kYes);
  ui.Sleep(3);
  EXPECT_EQ(inner.boxes.size(), 1u);
  EXPECT_EQ(inner.sleeps, std::vector<int>{3});
}

}  // namespace
}  // namespace qlx
