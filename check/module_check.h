// Findings about a module's headers, handlers and markers, found without
// changing it: what `qlx check` prints and the language server publishes.
#pragma once

#include <bitset>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/memory/editor.h"
#include "host/text.h"

namespace qlx::check {

enum class Rule {
  kMissingHeader,
  kStaleHeader,
  kStaleModuleHeader,
  kDebMarker,
  kDuplicateHandler,
  kMissingHandler,
};
inline constexpr int kRuleCount = 6;

// The rule's id as users write it: "missing-header", "stale-header", ...
std::string_view RuleId(Rule rule);
std::optional<Rule> RuleFromId(std::string_view id);

// Which rules run. Every rule but missing-handler runs unless told otherwise.
class RuleSet {
 public:
  static RuleSet Default();
  bool Has(Rule rule) const { return bits_[static_cast<int>(rule)]; }
  void Set(Rule rule, bool on) { bits_[static_cast<int>(rule)] = on; }
  // select replaces the set when given (non-empty); ignore then removes.
  // Both are comma-separated ids; an unknown id throws std::invalid_argument
  // naming it.
  void Apply(std::string_view select, std::string_view ignore);

 private:
  std::bitset<kRuleCount> bits_;
};

struct Finding {
  Rule rule;
  Row row = 0;     // row of the code module (the caller maps it to its own lines)
  int column = 1;  // 1-based, in characters of the row's text
  Text message;
  Text procedure;  // empty for findings about the module as a whole

  bool operator==(const Finding&) const = default;
};

struct CheckOptions {
  RuleSet rules = RuleSet::Default();
  // The rules whose findings are warnings rather than errors (none by default).
  RuleSet warnings;
  // The author name and date picture the headers would be written with;
  // only the text after "更新:" is ignored, so these never make a finding.
  Text author;
};

// The rules a "' qlx-ignore: RULE[, RULE]" comment in line names (ASCII
// case ignored in "qlx-ignore"; names that are no rule are passed over);
// none when the line has no such comment.
std::vector<Rule> IgnoredRules(TextView line);

// Every finding of the selected rules in the module, ordered by row. The
// module is not changed: the operations that decide a finding run on a copy.
// A procedure whose declaration line, or the line above it, has a
// qlx-ignore comment gives no finding of the rules it names.
std::vector<Finding> CheckModule(const MemoryCodeModule& module, const CheckOptions& options = {});
// The same findings, read from the module in place rather than from a copy
// (which a large module pays for in time and memory); the module is left as
// it was, and no one else may edit it meanwhile.
std::vector<Finding> CheckModule(const std::shared_ptr<MemoryCodeModule>& module, const CheckOptions& options = {});

}  // namespace qlx::check
