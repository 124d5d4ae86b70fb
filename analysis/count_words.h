// The text before the first place where a wildcard pattern matches.
#pragma once

#include "host/text.h"

namespace qlx {

class UiService;

// For each start i = 1 .. Len(text) - Len(pattern) + 1, in order: when the
// Len(pattern) characters from i match pattern (Like), returns the text
// before i. No match gives "". CountWords("Dim x", " ") is "Dim".
// A failure is reported as "Error: N. desc" titled "CountWords" and gives "".
Text CountWords(TextView text, TextView pattern, UiService& ui);

}  // namespace qlx
