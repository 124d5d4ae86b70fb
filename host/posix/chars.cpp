// Character classes from ICU.
#include "host/chars.h"

#include <unicode/uchar.h>

namespace qlx {

bool IsLetterChar(char32_t c) { return u_isalpha(static_cast<UChar32>(c)); }

bool IsDigitChar(char32_t c) { return u_isdigit(static_cast<UChar32>(c)); }

char32_t UpperChar(char32_t c) { return static_cast<char32_t>(u_toupper(static_cast<UChar32>(c))); }

char32_t FoldChar(char32_t c) {
  return static_cast<char32_t>(u_foldCase(static_cast<UChar32>(c), U_FOLD_CASE_DEFAULT));
}

bool IsWideChar(char32_t c) {
  const int width = u_getIntPropertyValue(static_cast<UChar32>(c), UCHAR_EAST_ASIAN_WIDTH);
  return width == U_EA_FULLWIDTH || width == U_EA_WIDE;
}

}  // namespace qlx
