// Encodings of module files, and the parts of the converter that do not
// depend on the platform's converter.
#include "host/files/encoding.h"

#include <algorithm>

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

Converter::Converter(Encoding encoding) : encoding_(std::move(encoding)) {
  if (encoding_.kind != Encoding::Kind::kCodePage) return;
  const std::string& name = encoding_.code_page;
  impl_.reset(OpenCodePage(name));
  if (!impl_) throw FileError("unknown encoding \"" + name + "\": the platform cannot convert it");
  if (!DecodesAsciiAsItself()) {
    impl_.reset();
    throw FileError("encoding \"" + name + "\" cannot be used for module files: it is not ASCII-compatible");
  }
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
