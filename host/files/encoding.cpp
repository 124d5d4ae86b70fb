// Encodings of module files, and the parts of the converter that do not
// depend on the platform's converter.
#include "host/files/encoding.h"

#include <algorithm>
#include <functional>
#include <map>
#include <mutex>

namespace qlx {

std::string Encoding::Name() const {
  switch (kind) {
    case Kind::kUtf8:
      return "UTF-8";
    case Kind::kUtf8Bom:
      return "UTF-8 with BOM";
    case Kind::kCodePage:
      break;
  }
  return code_page;
}

bool IsBinary(std::string_view bytes) { return bytes.find('\0') != std::string_view::npos; }

Encoding DetectEncoding(std::string_view bytes, const std::string& code_page) {
  Encoding encoding;
  encoding.code_page = code_page;
  if (bytes.starts_with(kUtf8Bom)) {
    encoding.kind = Encoding::Kind::kUtf8Bom;
  } else if (std::any_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }) &&
             IsValidUtf8(bytes)) {
    encoding.kind = Encoding::Kind::kUtf8;
  }
  return encoding;
}

namespace {

bool IsAscii(std::string_view bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool IsAscii(TextView text) {
  return std::all_of(text.begin(), text.end(), [](char16_t c) { return c < 0x80; });
}

}  // namespace

// What a code page is, found once per run: probing it opens the platform's
// converter both ways and converts a few hundred characters, which cost more
// than decoding a small module, and every file loaded makes a converter of
// the run's code page, a UTF-8 file too.
struct Converter::CodePageFacts {
  bool known = false;             // the platform converts it
  bool ascii_compatible = false;  // DecodesAsciiAsItself
  bool ascii_as_itself = false;
};

Converter::CodePageFacts Converter::Probe(const std::string& name) {
  CodePageFacts facts;
  Converter probe;
  probe.encoding_ = Encoding{Encoding::Kind::kCodePage, name};
  probe.impl_.reset(OpenCodePage(name));
  if (!probe.impl_) return facts;
  facts.known = true;
  facts.ascii_compatible = probe.DecodesAsciiAsItself();
  if (!facts.ascii_compatible) return facts;
  // Some code pages read 0x5C or 0x7E as another character, or write a
  // control character otherwise: those keep the platform's conversion.
  std::string bytes;
  Text text;
  for (int c = 0; c < 0x80; ++c) {
    bytes += static_cast<char>(c);
    text += static_cast<char16_t>(c);
  }
  int replaced = 0;
  bool as_itself = probe.PlatformDecode(bytes) == text && probe.PlatformEncode(text, &replaced) == bytes && replaced == 0;
  // Stateful encodings shift with ASCII bytes (ISO-2022's escapes and SO/SI,
  // HZ's "~{", UTF-7's "+"), which alone may still read as themselves: each
  // shift, with a character after it, must read as its own bytes too.
  for (const std::string_view shift :
       {"\x1b$B0!\x1b(B", "\x1b$)C\x0e" "0!\x0f", "\x1b$)A\x0e" "0!\x0f", "~{0!~}", "+AGE-"}) {
    if (as_itself) as_itself = probe.PlatformDecode(shift) == Text(shift.begin(), shift.end());
  }
  facts.ascii_as_itself = as_itself;
  return facts;
}

Converter::Converter(Encoding encoding) : encoding_(std::move(encoding)) {
  if (encoding_.kind != Encoding::Kind::kCodePage) {
    ascii_as_itself_ = true;
    return;
  }
  const std::string& name = encoding_.code_page;
  if (name.empty()) throw FileError("unknown encoding \"\": the platform cannot convert it");
  CodePageFacts facts;
  {
    // The platform's converters do not change while the program runs.
    static std::mutex mutex;
    static std::map<std::string, CodePageFacts, std::less<>> known;
    const std::lock_guard<std::mutex> hold(mutex);
    auto found = known.find(name);
    if (found == known.end()) found = known.emplace(name, Probe(name)).first;
    facts = found->second;
  }
  if (!facts.known) throw FileError("unknown encoding \"" + name + "\": the platform cannot convert it");
  if (!facts.ascii_compatible) {
    throw FileError("encoding \"" + name + "\" cannot be used for module files: it is not ASCII-compatible");
  }
  ascii_as_itself_ = facts.ascii_as_itself;
}

void Converter::Open() {
  if (impl_ || encoding_.kind != Encoding::Kind::kCodePage) return;
  impl_.reset(OpenCodePage(encoding_.code_page));
  if (!impl_) throw FileError("encoding \"" + encoding_.code_page + "\": the platform's converter cannot be opened");
}

std::optional<Text> Converter::Decode(std::string_view bytes) {
  if (ascii_as_itself_ && IsAscii(bytes)) return Text(bytes.begin(), bytes.end());
  Open();
  return PlatformDecode(bytes);
}

std::string Converter::Encode(TextView text, int* replaced) {
  if (!ascii_as_itself_ || !IsAscii(text)) {
    Open();
    return PlatformEncode(text, replaced);
  }
  std::string bytes(text.size(), '\0');
  std::transform(text.begin(), text.end(), bytes.begin(), [](char16_t c) { return static_cast<char>(c); });
  return bytes;
}

Converter::~Converter() = default;
Converter::Converter(Converter&&) noexcept = default;
Converter& Converter::operator=(Converter&&) noexcept = default;

bool Converter::DecodesAsciiAsItself() {
  // 0x5C and 0x7E are left out: some Shift_JIS tables read them as yen and
  // overline.
  std::string ascii = "\t\r\n";
  Text expected = u"\t\r\n";
  for (char c = 0x20; c < 0x7F; ++c) {
    if (c == 0x5C || c == 0x7E) continue;
    ascii += c;
    expected += static_cast<char16_t>(c);
  }
  std::optional<Text> decoded = Decode(ascii);
  return decoded && *decoded == expected;
}

}  // namespace qlx
