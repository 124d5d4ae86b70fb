// Loading a module file: whatever the bytes, qlx refuses them with a
// FileError or loads them so that the rows and hidden lines account for
// every line and an unchanged module saves back byte for byte.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::optional<qlx::ModuleFile> file = qlx::fuzz::LoadModule(bytes);
  if (file) qlx::fuzz::CheckLoadedUnchanged(*file, bytes);
  return 0;
}
