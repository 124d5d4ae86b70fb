#include "host/clock.h"

#include "host/vberror.h"

namespace qlx {
namespace {

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

VbError NoFormatFor(const std::string& locale_name) {
  return VbError(vberr::kInvalidCall,
                 u"No regional date and time format for the locale \"" + Printable(locale_name) + u"\"");
}

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

RegionalClock RegionalClock::ForUser(std::string_view posix_locale, std::string_view fixed_now) {
  std::optional<LocalDateTime> fixed;
  if (!fixed_now.empty()) fixed = ParseFixedNow(fixed_now);
  return ForPlatform(posix_locale, fixed);
}

LocalDateTime RegionalClock::Now() const { return fixed_now_ ? *fixed_now_ : MachineNow(); }

namespace {

// The picture's tokens, longest first so that "yyyy" is not read as a literal y.
struct PictureToken {
  TextView text;
  int LocalDateTime::*field;
  int width;
};
constexpr PictureToken kTokens[] = {
    {u"yyyy", &LocalDateTime::year, 4}, {u"mm", &LocalDateTime::month, 2}, {u"dd", &LocalDateTime::day, 2},
    {u"hh", &LocalDateTime::hour, 2},   {u"nn", &LocalDateTime::minute, 2}, {u"ss", &LocalDateTime::second, 2},
    {u"m", &LocalDateTime::month, 1},   {u"d", &LocalDateTime::day, 1},     {u"h", &LocalDateTime::hour, 1},
};

const PictureToken* TokenAt(TextView picture, std::size_t at) {
  for (const PictureToken& token : kTokens) {
    if (picture.substr(at).starts_with(token.text)) return &token;
  }
  return nullptr;
}

}  // namespace

Text FormatDatePicture(TextView picture, const LocalDateTime& when) {
  Text out;
  for (std::size_t at = 0; at < picture.size();) {
    if (const PictureToken* token = TokenAt(picture, at)) {
      std::string digits = std::to_string(when.*(token->field));
      if (digits.size() < static_cast<std::size_t>(token->width)) {
        digits.insert(0, static_cast<std::size_t>(token->width) - digits.size(), '0');
      }
      out += FromUtf8(digits);
      at += token->text.size();
    } else {
      out += picture[at++];
    }
  }
  return out;
}

DatePictures SplitDateFormat(TextView date_format) {
  const std::size_t space = date_format.find(u' ');
  DatePictures pictures{Text(date_format.substr(0, space)), Text(u"hh:nn:ss")};
  if (space != TextView::npos) {
    const std::size_t rest = date_format.find_first_not_of(u' ', space);
    if (rest != TextView::npos) pictures.time = Text(date_format.substr(rest));
  }
  return pictures;
}

bool HasDateToken(TextView date_format) {
  const Text date = SplitDateFormat(date_format).date;
  for (std::size_t at = 0; at < date.size(); ++at) {
    const PictureToken* token = TokenAt(date, at);
    if (token != nullptr && (token->field == &LocalDateTime::year || token->field == &LocalDateTime::month ||
                             token->field == &LocalDateTime::day)) {
      return true;
    }
  }
  return false;
}

RegionalClock::RegionalClock(std::string posix_locale, std::optional<LocalDateTime> fixed_now)
    : icu_locale_(IcuLocaleName(posix_locale)), fixed_now_(fixed_now) {}

Text RegionalClock::ShortDate() const {
  std::optional<Text> text = Format(true);
  if (!text) throw NoFormatFor(icu_locale_);
  return std::move(*text);
}

Text RegionalClock::LongTime() const {
  std::optional<Text> text = Format(false);
  if (!text) throw NoFormatFor(icu_locale_);
  return std::move(*text);
}

}  // namespace qlx
