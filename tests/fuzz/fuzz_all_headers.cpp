// New headers above every procedure of a fuzzed module: only inserted lines.
#include "writer_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace qlx;
  fuzz::RunWriter(data, size, "all-headers", nullptr, [](fuzz::WriterRun& run) {
    run.ops.SetVBInstance(run.vbe);
    run.ops.Header().AuthorName = u"山田 太郎";
    run.ops.Run(OperationId::kAllHeaders);
    run.ops.SetVBInstance(nullptr);
  });
  return 0;
}
