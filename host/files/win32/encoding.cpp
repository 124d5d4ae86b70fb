// Text encodings on Windows: the platform's MultiByteToWideChar and
// WideCharToMultiByte stand in for iconv behind host/files/encoding.h.
#include "host/files/encoding.h"

#include <cctype>
#include <climits>

#include "host/win32/windows_api.h"

#include "host/vberror.h"

namespace qlx {
namespace {

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// The Windows code page of an iconv-style name: "CP932", "SHIFT_JIS",
// "WINDOWS-1252", "UTF-8", or a bare number. 0 when unknown.
UINT CodePageNumber(const std::string& name) {
  const std::string upper = Upper(name);
  if (upper == "SHIFT_JIS" || upper == "SHIFT-JIS" || upper == "SJIS" || upper == "MS932") return 932;
  if (upper == "UTF-8" || upper == "UTF8") return CP_UTF8;
  std::string digits = upper;
  for (const char* prefix : {"CP", "WINDOWS-", "IBM"}) {
    if (digits.rfind(prefix, 0) == 0) {
      digits = digits.substr(std::char_traits<char>::length(prefix));
      break;
    }
  }
  if (digits.empty() || digits.size() > 5) return 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return 0;
  }
  const UINT number = static_cast<UINT>(std::stoul(digits));
  return IsValidCodePage(number) ? number : 0;
}

}  // namespace

struct Converter::Impl {
  UINT code_page = 0;
};


Converter::Impl* Converter::OpenCodePage(const std::string& name) {
  const UINT code_page = CodePageNumber(name);
  if (code_page == 0) return nullptr;
  return new Impl{code_page};
}

void Converter::ImplDeleter::operator()(Impl* impl) const { delete impl; }

std::optional<Text> Converter::PlatformDecode(std::string_view bytes) {
  const UINT code_page = impl_ ? impl_->code_page : CP_UTF8;
  if (bytes.empty()) return Text();
  if (bytes.size() > INT_MAX) return std::nullopt;
  const int in = static_cast<int>(bytes.size());
  const int size = MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, bytes.data(), in, nullptr, 0);
  if (size <= 0) return std::nullopt;
  Text text(static_cast<std::size_t>(size), u'\0');
  MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, bytes.data(), in, reinterpret_cast<wchar_t*>(text.data()),
                      size);
  return text;
}

std::string Converter::PlatformEncode(TextView text, int* replaced) {
  const UINT code_page = impl_ ? impl_->code_page : CP_UTF8;
  const bool utf8 = code_page == CP_UTF8;
  // Converts one piece; *lost tells whether a character had no equivalent.
  const auto convert = [&](TextView piece, BOOL* lost) {
    std::string out;
    if (piece.empty()) return out;
    const auto* wide = reinterpret_cast<const wchar_t*>(piece.data());
    const int in = static_cast<int>(piece.size());
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL* used_default = utf8 ? nullptr : lost;
    const int size = WideCharToMultiByte(code_page, flags, wide, in, nullptr, 0, "?", used_default);
    if (size <= 0) throw VbError(vberr::kInvalidCall, u"The text cannot be converted to the code page");
    out.resize(static_cast<std::size_t>(size));
    WideCharToMultiByte(code_page, flags, wide, in, out.data(), size, "?", used_default);
    return out;
  };
  if (text.size() > INT_MAX / 4) throw VbError(vberr::kOutOfMemory);
  int count = 0;
  std::string out;
  // Unpaired surrogates cannot be written in any encoding: each is one '?'.
  Text clean(text);
  for (std::size_t i = 0; i < clean.size();) {
    const CodePoint c = CodePointAt(clean, i);
    if (IsSurrogate(c.value)) {
      clean[i] = u'?';
      ++count;
    }
    i += c.length;
  }
  BOOL lost = FALSE;
  out = convert(clean, &lost);
  if (lost) {
    // Count the characters that became '?', a surrogate pair as one.
    out.clear();
    for (std::size_t i = 0; i < clean.size();) {
      const std::size_t n = CodePointAt(clean, i).length;
      BOOL piece_lost = FALSE;
      const std::string piece = convert(TextView(clean).substr(i, n), &piece_lost);
      if (piece_lost) {
        out += '?';
        ++count;
      } else {
        out += piece;
      }
      i += n;
    }
  }
  if (replaced) *replaced += count;
  return out;
}

}  // namespace qlx
