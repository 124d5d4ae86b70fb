// Compound files: any bytes are read or refused with an OfficeError; what
// was read is written and reads back as the same streams.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "office/compound_file.h"
#include "office/office_error.h"

namespace {

bool Same(const qlx::office::CompoundEntry& a, const qlx::office::CompoundEntry& b) {
  if (a.kind != b.kind || a.data != b.data || a.children.size() != b.children.size()) return false;
  for (std::size_t i = 0; i < a.children.size(); ++i) {
    if (a.children[i]->name != b.children[i]->name || !Same(*a.children[i], *b.children[i])) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::unique_ptr<qlx::office::CompoundEntry> root;
  try {
    root = qlx::office::ReadCompoundFile(bytes);
  } catch (const qlx::office::OfficeError&) {
    return 0;
  }
  std::string written;
  try {
    written = qlx::office::WriteCompoundFile(*root);
  } catch (const qlx::office::OfficeError&) {
    return 0;  // names a writer refuses: too long, or two alike in one storage
  }
  if (!Same(*root, *qlx::office::ReadCompoundFile(written))) {
    std::fprintf(stderr, "fuzz finding: a rewritten compound file reads back differently\n");
    std::abort();
  }
  return 0;
}
