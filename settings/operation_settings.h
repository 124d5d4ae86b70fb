// The settings the operations work with, read from the settings file as the
// tool window reads them when it loads; Operations::Apply hands them to the
// modules that use them. The tool window and the command line both load them
// here, so a new key is added in one place.
#pragma once

#include "host/text.h"
#include "operations/operations.h"

namespace qlx {

class ModINIFile;

// Reads, in this order, "Author"/"Name", "Mode"/"IgnoreMode", "UnUndoMode",
// "SleepTime", "ErrInsertPos" and "DateFormat" from settings_path.
OperationSettings LoadOperationSettings(ModINIFile& ini, const Text& settings_path);

// The rules qlx check runs, as the settings file's section "Check" names
// them: "Select" (only these) and "Ignore" (not these), each a
// comma-separated list of rule ids; empty when the key is missing. "Warn"
// lists the rules whose findings are warnings rather than errors.
struct CheckSettings {
  Text select;
  Text ignore;
  Text warn;
};
CheckSettings LoadCheckSettings(ModINIFile& ini, const Text& settings_path);

}  // namespace qlx
