// The few ICU character functions libqlx uses, for the MinGW build where ICU
// is not available: the platform's character tables answer instead. Only
// code points of the Basic Multilingual Plane are classified; others are
// neither letters nor digits and map to themselves.
#pragma once

#include <cstdint>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

using UChar32 = std::int32_t;

inline constexpr std::uint32_t U_FOLD_CASE_DEFAULT = 0;

namespace qlx_icu_compat {

inline WORD CharType(UChar32 c) {
  if (c < 0 || c > 0xFFFF) return 0;
  const wchar_t ch = static_cast<wchar_t>(c);
  WORD type = 0;
  return GetStringTypeW(CT_CTYPE1, &ch, 1, &type) ? type : 0;
}

inline UChar32 Map(UChar32 c, DWORD flags) {
  if (c < 0 || c > 0xFFFF || (c >= 0xD800 && c <= 0xDFFF)) return c;
  const wchar_t ch = static_cast<wchar_t>(c);
  wchar_t out[4] = {};
  const int n = LCMapStringEx(LOCALE_NAME_INVARIANT, flags, &ch, 1, out, 4, nullptr, nullptr, 0);
  return n == 1 ? static_cast<UChar32>(out[0]) : c;
}

}  // namespace qlx_icu_compat

inline bool u_isalpha(UChar32 c) { return (qlx_icu_compat::CharType(c) & C1_ALPHA) != 0; }
inline bool u_isdigit(UChar32 c) { return (qlx_icu_compat::CharType(c) & C1_DIGIT) != 0; }
inline UChar32 u_toupper(UChar32 c) { return qlx_icu_compat::Map(c, LCMAP_UPPERCASE); }
// Simple case folding, which for the Basic Multilingual Plane is lower case.
inline UChar32 u_foldCase(UChar32 c, std::uint32_t /*options*/) { return qlx_icu_compat::Map(c, LCMAP_LOWERCASE); }
