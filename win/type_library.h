// The type library embedded in the DLL (resource TYPELIB 1).
#pragma once

#include "host/com/com_holders.h"

namespace qlx::win {

// The type information of one interface or class of the embedded library.
// Throws VbError when the library cannot be loaded.
com::ComPtr<ITypeInfo> EmbeddedTypeInfo(REFGUID guid);

}  // namespace qlx::win
