// New headers above every procedure of a fuzzed module: only inserted lines.
#include "header/mod_insert_header.h"
#include "writer_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace qlx;
  fuzz::RunWriter(data, size, "all-headers", nullptr, [](fuzz::WriterRun& run) {
    ModInsertHeader header(run.ui, run.desktop);
    header.SetVBInstance(run.vbe);
    header.AuthorName = u"山田 太郎";
    header.InsertHeaderAll();
    header.SetVBInstance(nullptr);
  });
  return 0;
}
