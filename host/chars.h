// The character classes the editor's rules need, answered by the platform's
// character tables (ICU, or Win32 on Windows).
#pragma once

namespace qlx {

// A letter of any script (what the editor accepts in an identifier).
bool IsLetterChar(char32_t c);
// A decimal digit of any script.
bool IsDigitChar(char32_t c);
// The simple upper case of c, or c.
char32_t UpperChar(char32_t c);
// The simple case folding of c (for case-insensitive comparison), or c.
char32_t FoldChar(char32_t c);
// East Asian Width "W" or "F": the character takes two columns.
bool IsWideChar(char32_t c);

}  // namespace qlx
