#include "type_library.h"

#include "module.h"

namespace qlx::win {

com::ComPtr<ITypeInfo> EmbeddedTypeInfo(REFGUID guid) {
  com::ComPtr<ITypeLib> library;
  const Text path = ModulePath();
  // REGKIND_NONE: loading must not register anything.
  com::Check(LoadTypeLibEx(com::Wide(path), REGKIND_NONE, library.put()));
  com::ComPtr<ITypeInfo> info;
  com::Check(library->GetTypeInfoOfGuid(guid, info.put()));
  return info;
}

}  // namespace qlx::win
