// One row of a procedure's parameter table, as the header prints it.
#pragma once

#include "host/text.h"

namespace qlx {

struct ParamInf {
  Text KeyWord1;  // default-value note: "", "[Def=0]", "[Def=...]", "ParamArray"
  Text KeyWord2;  // passing: "ByRef", "ByVal", "Void", ""
  Text VarName;
  Text VarType;
  Text RefIO;     // "I", "I/O", "SPC", "N/A"

  bool operator==(const ParamInf&) const = default;
};

}  // namespace qlx
