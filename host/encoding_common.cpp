// The parts of the converter that do not depend on the platform's converter.
#include "host/encoding.h"

namespace qlx {

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
