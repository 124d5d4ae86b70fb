// UTF-8 through the platform's converter. An unpaired surrogate becomes
// U+FFFD on the way out, and malformed UTF-8 is refused on the way in, as
// with ICU elsewhere.
#include <climits>

#include "host/text.h"
#include "host/vberror.h"
#include "host/win32/windows_api.h"

namespace qlx {

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

}  // namespace qlx
