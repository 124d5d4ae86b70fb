// Boxes the recording UI kept, printed readably when a comparison fails.
#pragma once

#include <ostream>

#include "host/ui.h"
#include "support/text.h"

namespace qlx {

inline void PrintTo(const RecordedBox& box, std::ostream* os) {
  *os << "{title \"" << testing::U8(box.title) << "\", text \"" << testing::U8(box.text)
      << "\", " << (box.buttons == Buttons::kOk ? "OK" : "YesNo") << ", answer "
      << static_cast<int>(box.answer) << "}";
}

}  // namespace qlx
