// Text in the system's ANSI code page (CP932 on Japanese systems), for the
// "A" functions of Win32. Windows only.
#pragma once

#include <string>
#include <string_view>

#include "host/text.h"

namespace qlx {

// Characters the code page cannot hold become the platform's best fit or '?'.
std::string ToAnsi(TextView text);
Text FromAnsi(std::string_view bytes);

}  // namespace qlx
