// The DLL's own state, which COM requires: its module handle and the count
// of server locks that DllCanUnloadNow reports with the live objects
// (com::LiveObjects, counted by every object's base).
#pragma once

#include "host/com/com_holders.h"

namespace qlx::win {

// The DLL's module handle (set once in DllMain).
HMODULE ThisModule();
// Full path of the DLL file.
Text ModulePath();
// Directory of the DLL file, without a trailing separator.
Text ModuleDirectory();

// IClassFactory::LockServer.
void LockModule();
void UnlockModule();
// Server locks or live objects (the click sink handed to the editor among
// them) keep the DLL loaded.
bool ModuleInUse();

}  // namespace qlx::win
