// The compressed stream format: any bytes decompress or are refused with an
// OfficeError; what is compressed comes back unchanged.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "office/ovba_compression.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  try {
    qlx::office::Decompress(bytes, 1 << 20);
  } catch (const qlx::office::OfficeError&) {
  }
  std::string packed;
  try {
    packed = qlx::office::Compress(bytes);
  } catch (const qlx::office::OfficeError&) {
    return 0;  // a short last chunk that does not shrink
  }
  if (qlx::office::Decompress(packed) != bytes) {
    std::fprintf(stderr, "fuzz finding: compressed bytes do not come back unchanged\n");
    std::abort();
  }
  return 0;
}
