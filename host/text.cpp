#include "host/text.h"

#include "host/chars.h"
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

std::string AsciiLower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

bool AsciiEqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && AsciiLower(std::string(a)) == AsciiLower(std::string(b));
}

bool AsciiEqualNoCase(TextView a, TextView b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

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

Text Trim(TextView s) { return Text(TrimView(s)); }

TextView TrimView(TextView s) {
  const std::size_t first = s.find_first_not_of(u' ');
  if (first == TextView::npos) return s.substr(s.size());
  return s.substr(first, s.find_last_not_of(u' ') - first + 1);
}

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

int DisplayWidth(TextView s) {
  int width = 0;
  for (std::size_t i = 0; i < s.size();) {
    const CodePoint c = CodePointAt(s, i);
    width += IsWideChar(c.value) ? 2 : 1;
    i += c.length;
  }
  return width;
}

namespace {

char32_t Combine(char32_t high, char32_t low) { return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00); }

}  // namespace

CodePoint CodePointAt(TextView s, std::size_t i) {
  if (i >= s.size()) return {};
  const char32_t c = s[i];
  if (IsHighSurrogate(c) && i + 1 < s.size() && IsLowSurrogate(s[i + 1])) return {Combine(c, s[i + 1]), 2};
  return {c, 1};
}

CodePoint CodePointBefore(TextView s, std::size_t i) {
  if (i == 0 || i > s.size()) return {};
  const char32_t c = s[i - 1];
  if (IsLowSurrogate(c) && i >= 2 && IsHighSurrogate(s[i - 2])) return {Combine(s[i - 2], c), 2};
  return {c, 1};
}

}  // namespace qlx
