// The engine's values as a failed comparison prints them.
#pragma once

#include <ostream>

#include "analysis/param_inf.h"
#include "host/ui.h"
#include "support/text.h"

namespace qlx {

inline void PrintTo(const RecordedBox& box, std::ostream* os) {
  *os << "{title \"" << testing::U8(box.title) << "\", text \"" << testing::U8(box.text)
      << "\", " << (box.buttons == Buttons::kOk ? "OK" : "YesNo") << ", answer "
      << static_cast<int>(box.answer) << "}";
}

inline void PrintTo(const ParamInf& p, std::ostream* os) {
  *os << "{" << testing::U8(p.KeyWord1) << ", " << testing::U8(p.KeyWord2) << ", " << testing::U8(p.VarName)
      << ", " << testing::U8(p.VarType) << ", " << testing::U8(p.RefIO) << "}";
}

}  // namespace qlx
