// Character classes from ICU. ASCII, most of any module, is answered here:
// a call into ICU's tables per character of every identifier and keyword
// costs far more than the comparison.
#include "host/chars.h"

#include <unicode/uchar.h>

namespace qlx {
namespace {

constexpr bool IsAsciiLetter(char32_t c) { return (c | 0x20) >= U'a' && (c | 0x20) <= U'z'; }

}  // namespace

bool IsLetterChar(char32_t c) {
  if (c < 0x80) return IsAsciiLetter(c);
  return u_isalpha(static_cast<UChar32>(c));
}

bool IsDigitChar(char32_t c) {
  if (c < 0x80) return c >= U'0' && c <= U'9';
  return u_isdigit(static_cast<UChar32>(c));
}

char32_t UpperChar(char32_t c) {
  if (c < 0x80) return c >= U'a' && c <= U'z' ? c - 0x20 : c;
  return static_cast<char32_t>(u_toupper(static_cast<UChar32>(c)));
}

char32_t FoldChar(char32_t c) {
  if (c < 0x80) return c >= U'A' && c <= U'Z' ? c + 0x20 : c;
  return static_cast<char32_t>(u_foldCase(static_cast<UChar32>(c), U_FOLD_CASE_DEFAULT));
}

bool IsWideChar(char32_t c) {
  // Every ASCII character is narrow or neutral.
  if (c < 0x80) return false;
  const int width = u_getIntPropertyValue(static_cast<UChar32>(c), UCHAR_EAST_ASIAN_WIDTH);
  return width == U_EA_FULLWIDTH || width == U_EA_WIDE;
}

}  // namespace qlx
