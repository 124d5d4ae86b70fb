// A unified diff of two texts, as `diff -u` and git print it.
#pragma once

#include <string>
#include <string_view>

namespace qlx::cli {

// The diff of before and after (UTF-8 text, split at "\n"; a "\r" before it
// belongs to the line) with three lines of context, headed "--- a/NAME" and
// "+++ b/NAME"; "" when they are equal.
std::string UnifiedDiff(std::string_view before, std::string_view after, const std::string& name);

}  // namespace qlx::cli
