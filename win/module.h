// The DLL's own state, which COM requires: its module handle and the count
// of live objects and server locks that DllCanUnloadNow reports.
#pragma once

#include "host/com/com_holders.h"

namespace qlx::win {

// The DLL's module handle (set once in DllMain).
HMODULE ThisModule();
// Full path of the DLL file.
Text ModulePath();
// Directory of the DLL file, without a trailing separator.
Text ModuleDirectory();

void LockModule();
void UnlockModule();
bool ModuleInUse();

// Counts one module lock for the holder's lifetime; every COM object of the
// DLL has one, so the DLL stays loaded while any object lives.
class ModuleLock {
 public:
  ModuleLock() { LockModule(); }
  ModuleLock(const ModuleLock&) { LockModule(); }
  ModuleLock& operator=(const ModuleLock&) = default;
  ~ModuleLock() { UnlockModule(); }
};

}  // namespace qlx::win
