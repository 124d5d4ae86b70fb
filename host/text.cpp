#include "host/text.h"

#ifdef _WIN32
#include <algorithm>
#include <climits>
#include <iterator>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <unicode/ustring.h>
#include <unicode/utf16.h>
#include <unicode/uchar.h>
#endif

#include "host/vberror.h"

namespace qlx {

namespace {

std::size_t ToIndex(long long position) { return static_cast<std::size_t>(position - 1); }

// The list "[...]" whose contents start at pattern[p] (just after '['):
// whether it matches c, with p moved past its ']'. valid is false for an
// unclosed list, which then stands for a literal '['.
bool MatchList(TextView pattern, std::size_t& p, char16_t c, bool& valid) {
  std::size_t q = p;
  bool negate = false;
  if (q < pattern.size() && pattern[q] == u'!') {
    negate = true;
    ++q;
  }
  bool found = false;
  while (q < pattern.size() && pattern[q] != u']') {
    char16_t lo = pattern[q];
    if (q + 2 < pattern.size() && pattern[q + 1] == u'-' && pattern[q + 2] != u']') {
      if (lo <= c && c <= pattern[q + 2]) found = true;
      q += 3;
    } else {
      if (lo == c) found = true;
      ++q;
    }
  }
  valid = q < pattern.size();
  if (!valid) return false;
  p = q + 1;
  return found != negate;
}

bool LikeFrom(TextView text, std::size_t t, TextView pattern, std::size_t p) {
  while (p < pattern.size()) {
    char16_t pc = pattern[p];
    if (pc == u'*') {
      while (p < pattern.size() && pattern[p] == u'*') ++p;
      if (p == pattern.size()) return true;
      for (std::size_t k = t; k <= text.size(); ++k) {
        if (LikeFrom(text, k, pattern, p)) return true;
      }
      return false;
    }
    if (t >= text.size()) return false;
    char16_t c = text[t];
    if (pc == u'?') {
      ++p;
    } else if (pc == u'#') {
      if (c < u'0' || c > u'9') return false;
      ++p;
    } else if (pc == u'[') {
      std::size_t q = p + 1;
      bool valid = false;
      bool ok = MatchList(pattern, q, c, valid);
      if (!valid) {
        if (c != u'[') return false;
        ++p;
      } else {
        if (!ok) return false;
        p = q;
      }
    } else {
      if (c != pc) return false;
      ++p;
    }
    ++t;
  }
  return t == text.size();
}

}  // namespace

#ifdef _WIN32

// MinGW has no ICU: the platform's UTF-8 converter does the same work. An
// unpaired surrogate becomes U+FFFD on the way out, and malformed UTF-8 is
// refused on the way in, as with ICU.

std::string ToUtf8(TextView text) {
  if (text.empty()) return std::string();
  if (text.size() > INT_MAX / 3) throw VbError(vberr::kOutOfMemory);
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int length = static_cast<int>(text.size());
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide, length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, length, out.data(), size, nullptr, nullptr);
  return out;
}

namespace {

// UTF-16 length of well-formed UTF-8, or -1.
int Utf16Length(std::string_view utf8) {
  if (utf8.size() > INT_MAX) return -1;
  const int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()),
                                       nullptr, 0);
  return size > 0 ? size : -1;
}

}  // namespace

Text FromUtf8(std::string_view utf8) {
  if (utf8.empty()) return Text();
  const int size = Utf16Length(utf8);
  if (size < 0) throw VbError(vberr::kInvalidCall, u"Invalid UTF-8 text");
  Text out(static_cast<std::size_t>(size), u'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()),
                      reinterpret_cast<wchar_t*>(out.data()), size);
  return out;
}

bool IsValidUtf8(std::string_view bytes) { return bytes.empty() || Utf16Length(bytes) >= 0; }

#else

std::string ToUtf8(TextView text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    UChar32 c;
    U16_NEXT(text.data(), i, text.size(), c);
    if (U_IS_SURROGATE(c)) c = 0xFFFD;  // a lone surrogate cannot be written
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

Text FromUtf8(std::string_view utf8) {
  if (utf8.empty()) return Text();
  UErrorCode status = U_ZERO_ERROR;
  int32_t length = 0;
  u_strFromUTF8(nullptr, 0, &length, utf8.data(), static_cast<int32_t>(utf8.size()), &status);
  if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) {
    throw VbError(vberr::kInvalidCall, u"Invalid UTF-8 text");
  }
  Text out(static_cast<std::size_t>(length), u'\0');
  status = U_ZERO_ERROR;
  u_strFromUTF8(reinterpret_cast<UChar*>(out.data()), length, nullptr, utf8.data(),
                static_cast<int32_t>(utf8.size()), &status);
  if (U_FAILURE(status)) throw VbError(vberr::kInvalidCall, u"Invalid UTF-8 text");
  return out;
}

bool IsValidUtf8(std::string_view bytes) {
  if (bytes.empty()) return true;
  UErrorCode status = U_ZERO_ERROR;
  int32_t length = 0;
  u_strFromUTF8(nullptr, 0, &length, bytes.data(), static_cast<int32_t>(bytes.size()), &status);
  return status == U_BUFFER_OVERFLOW_ERROR || U_SUCCESS(status);
}

#endif

Text Str(long long value) {
  std::string s = std::to_string(value);
  return Text(s.begin(), s.end());
}

Text Mid(TextView s, long long start) {
  if (start < 1) throw VbError(vberr::kInvalidCall);
  if (start > static_cast<long long>(s.size())) return Text();
  return Text(s.substr(ToIndex(start)));
}

Text Mid(TextView s, long long start, long long length) {
  if (start < 1 || length < 0) throw VbError(vberr::kInvalidCall);
  if (start > static_cast<long long>(s.size())) return Text();
  return Text(s.substr(ToIndex(start), static_cast<std::size_t>(length)));
}

Text Left(TextView s, long long count) {
  if (count < 0) throw VbError(vberr::kInvalidCall);
  return Text(s.substr(0, static_cast<std::size_t>(count)));
}

Text Right(TextView s, long long count) {
  if (count < 0) throw VbError(vberr::kInvalidCall);
  if (count >= static_cast<long long>(s.size())) return Text(s);
  return Text(s.substr(s.size() - static_cast<std::size_t>(count)));
}

long long InStr(long long start, TextView s, TextView find) {
  if (start < 1) throw VbError(vberr::kInvalidCall);
  if (start > static_cast<long long>(s.size())) return 0;
  if (find.empty()) return start;
  std::size_t at = s.find(find, ToIndex(start));
  return at == TextView::npos ? 0 : static_cast<long long>(at) + 1;
}

long long InStrRev(TextView s, TextView find, long long start) {
  if (start == 0 || start < -1) throw VbError(vberr::kInvalidCall);
  const long long len = static_cast<long long>(s.size());
  if (start == -1) start = len;
  if (start > len) return 0;
  if (find.empty()) return start;
  // The match must lie wholly within the first `start` characters.
  if (static_cast<long long>(find.size()) > start) return 0;
  std::size_t at = s.substr(0, static_cast<std::size_t>(start)).rfind(find);
  return at == TextView::npos ? 0 : static_cast<long long>(at) + 1;
}

Text Trim(TextView s) { return RTrim(LTrim(s)); }

Text LTrim(TextView s) {
  std::size_t i = s.find_first_not_of(u' ');
  return i == TextView::npos ? Text() : Text(s.substr(i));
}

Text RTrim(TextView s) {
  std::size_t i = s.find_last_not_of(u' ');
  return i == TextView::npos ? Text() : Text(s.substr(0, i + 1));
}

bool Like(TextView text, TextView pattern) { return LikeFrom(text, 0, pattern, 0); }

bool StartsWith(TextView s, TextView prefix) { return s.substr(0, prefix.size()) == prefix; }

bool EndsWith(TextView s, TextView suffix) {
  return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

#ifdef _WIN32

namespace {

// East Asian Width "W" and "F" (Unicode 15, as ICU 72 reports them), sorted.
struct WideRange {
  char32_t first;
  char32_t last;
};
constexpr WideRange kWideRanges[] = {
    {0x1100, 0x115F}, {0x231A, 0x231B}, {0x2329, 0x232A}, {0x23E9, 0x23EC},
    {0x23F0, 0x23F0}, {0x23F3, 0x23F3}, {0x25FD, 0x25FE}, {0x2614, 0x2615},
    {0x2648, 0x2653}, {0x267F, 0x267F}, {0x2693, 0x2693}, {0x26A1, 0x26A1},
    {0x26AA, 0x26AB}, {0x26BD, 0x26BE}, {0x26C4, 0x26C5}, {0x26CE, 0x26CE},
    {0x26D4, 0x26D4}, {0x26EA, 0x26EA}, {0x26F2, 0x26F3}, {0x26F5, 0x26F5},
    {0x26FA, 0x26FA}, {0x26FD, 0x26FD}, {0x2705, 0x2705}, {0x270A, 0x270B},
    {0x2728, 0x2728}, {0x274C, 0x274C}, {0x274E, 0x274E}, {0x2753, 0x2755},
    {0x2757, 0x2757}, {0x2795, 0x2797}, {0x27B0, 0x27B0}, {0x27BF, 0x27BF},
    {0x2B1B, 0x2B1C}, {0x2B50, 0x2B50}, {0x2B55, 0x2B55}, {0x2E80, 0x2E99},
    {0x2E9B, 0x2EF3}, {0x2F00, 0x2FD5}, {0x2FF0, 0x2FFB}, {0x3000, 0x303E},
    {0x3041, 0x3096}, {0x3099, 0x30FF}, {0x3105, 0x312F}, {0x3131, 0x318E},
    {0x3190, 0x31E3}, {0x31F0, 0x321E}, {0x3220, 0x3247}, {0x3250, 0x4DBF},
    {0x4E00, 0xA48C}, {0xA490, 0xA4C6}, {0xA960, 0xA97C}, {0xAC00, 0xD7A3},
    {0xF900, 0xFAFF}, {0xFE10, 0xFE19}, {0xFE30, 0xFE52}, {0xFE54, 0xFE66},
    {0xFE68, 0xFE6B}, {0xFF01, 0xFF60}, {0xFFE0, 0xFFE6}, {0x16FE0, 0x16FE4},
    {0x16FF0, 0x16FF1}, {0x17000, 0x187F7}, {0x18800, 0x18CD5}, {0x18D00, 0x18D08},
    {0x1AFF0, 0x1AFF3}, {0x1AFF5, 0x1AFFB}, {0x1AFFD, 0x1AFFE}, {0x1B000, 0x1B122},
    {0x1B132, 0x1B132}, {0x1B150, 0x1B152}, {0x1B155, 0x1B155}, {0x1B164, 0x1B167},
    {0x1B170, 0x1B2FB}, {0x1F004, 0x1F004}, {0x1F0CF, 0x1F0CF}, {0x1F18E, 0x1F18E},
    {0x1F191, 0x1F19A}, {0x1F200, 0x1F202}, {0x1F210, 0x1F23B}, {0x1F240, 0x1F248},
    {0x1F250, 0x1F251}, {0x1F260, 0x1F265}, {0x1F300, 0x1F320}, {0x1F32D, 0x1F335},
    {0x1F337, 0x1F37C}, {0x1F37E, 0x1F393}, {0x1F3A0, 0x1F3CA}, {0x1F3CF, 0x1F3D3},
    {0x1F3E0, 0x1F3F0}, {0x1F3F4, 0x1F3F4}, {0x1F3F8, 0x1F43E}, {0x1F440, 0x1F440},
    {0x1F442, 0x1F4FC}, {0x1F4FF, 0x1F53D}, {0x1F54B, 0x1F54E}, {0x1F550, 0x1F567},
    {0x1F57A, 0x1F57A}, {0x1F595, 0x1F596}, {0x1F5A4, 0x1F5A4}, {0x1F5FB, 0x1F64F},
    {0x1F680, 0x1F6C5}, {0x1F6CC, 0x1F6CC}, {0x1F6D0, 0x1F6D2}, {0x1F6D5, 0x1F6D7},
    {0x1F6DC, 0x1F6DF}, {0x1F6EB, 0x1F6EC}, {0x1F6F4, 0x1F6FC}, {0x1F7E0, 0x1F7EB},
    {0x1F7F0, 0x1F7F0}, {0x1F90C, 0x1F93A}, {0x1F93C, 0x1F945}, {0x1F947, 0x1F9FF},
    {0x1FA70, 0x1FA7C}, {0x1FA80, 0x1FA88}, {0x1FA90, 0x1FABD}, {0x1FABF, 0x1FAC5},
    {0x1FACE, 0x1FADB}, {0x1FAE0, 0x1FAE8}, {0x1FAF0, 0x1FAF8}, {0x20000, 0x2FFFD},
    {0x30000, 0x3FFFD},
};

bool IsWide(char32_t c) {
  const auto* it = std::upper_bound(std::begin(kWideRanges), std::end(kWideRanges), c,
                                    [](char32_t value, const WideRange& r) { return value < r.first; });
  return it != std::begin(kWideRanges) && c <= std::prev(it)->last;
}

}  // namespace

int DisplayWidth(TextView s) {
  int width = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    char32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    }
    width += IsWide(c) ? 2 : 1;
  }
  return width;
}

#else

int DisplayWidth(TextView s) {
  int width = 0;
  for (std::size_t i = 0; i < s.size();) {
    UChar32 c;
    U16_NEXT(s.data(), i, s.size(), c);
    int ea = u_getIntPropertyValue(c, UCHAR_EAST_ASIAN_WIDTH);
    width += (ea == U_EA_FULLWIDTH || ea == U_EA_WIDE) ? 2 : 1;
  }
  return width;
}

#endif

}  // namespace qlx
