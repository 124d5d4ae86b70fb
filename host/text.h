// The editor's text type and the VB-style string helpers every layer uses.
// Lengths and positions count UTF-16 code units; positions start at 1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qlx {

using Text = std::u16string;
using TextView = std::u16string_view;
using Row = std::int32_t;    // 1-based line number of a code module; 0 = none
using Short = std::int16_t;  // counts of parameters and procedures

// UTF-16 code points. A high surrogate followed by a low one is one code
// point; a surrogate without its partner stands for itself.
constexpr bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
constexpr bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
constexpr bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

struct CodePoint {
  char32_t value = 0;
  std::size_t length = 0;  // in UTF-16 units: 1 or 2, 0 when there is none
};
// The code point that starts at index i (0-based): {0, 0} past the end. At
// the low half of a pair it is that half alone.
CodePoint CodePointAt(TextView s, std::size_t i);
// The code point that ends just before index i: {0, 0} at the start or past
// the end.
CodePoint CodePointBefore(TextView s, std::size_t i);

// UTF-8 <-> UTF-16. FromUtf8 throws VbError 5 on malformed input.
std::string ToUtf8(TextView text);
Text FromUtf8(std::string_view utf8);
// True when the bytes are well-formed UTF-8.
bool IsValidUtf8(std::string_view bytes);

// ASCII letters lowered, every other byte kept: file extensions, option
// words and the project's ASCII names, whatever the process's locale.
std::string AsciiLower(std::string s);
bool AsciiEqualNoCase(std::string_view a, std::string_view b);
// The same for the editor's text: keywords and the editor's own names.
constexpr char16_t AsciiLower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }
constexpr char16_t AsciiUpper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }
bool AsciiEqualNoCase(TextView a, TextView b);

// The unit at index i (0-based), NUL past the end: a scanner looks ahead
// without checking the length at every step.
constexpr char16_t CharAt(TextView s, std::size_t i) { return i < s.size() ? s[i] : u'\0'; }

// Decimal text of a number, as VB's CStr gives it ("-3", "12").
Text Str(long long value);

// Mid(s, start[, length]): start < 1 or length < 0 raise error 5; past the end
// gives what is there ("" when start is beyond the text).
Text Mid(TextView s, long long start);
Text Mid(TextView s, long long start, long long length);
// Left/Right: a negative count raises error 5; a count past the length gives s.
Text Left(TextView s, long long count);
Text Right(TextView s, long long count);
// InStr(start, s, find): 1-based position of the first match at or after
// start, 0 when none. start < 1 raises error 5. An empty find gives start
// when start <= Len(s), else 0.
long long InStr(long long start, TextView s, TextView find);
inline long long InStr(TextView s, TextView find) { return InStr(1, s, find); }
// InStrRev(s, find[, start]): position of the last match that begins at or
// before start (-1 = end of s), 0 when none. start 0 or < -1 raises error 5.
long long InStrRev(TextView s, TextView find, long long start = -1);

// Trimming removes spaces only, never tabs.
Text Trim(TextView s);
// What Trim gives, as a view into s (no copy): for scans over every row.
TextView TrimView(TextView s);
Text LTrim(TextView s);
Text RTrim(TextView s);

// Whole-text wildcard match, case-sensitive: * ? # [list] [!list], ranges a-z.
bool Like(TextView text, TextView pattern);

bool StartsWith(TextView s, TextView prefix);
bool EndsWith(TextView s, TextView suffix);

// Display columns: full-width characters count two, all others (half-width
// katakana included) one.
int DisplayWidth(TextView s);

}  // namespace qlx
