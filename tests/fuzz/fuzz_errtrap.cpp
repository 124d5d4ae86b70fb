// The error-handler writer at a fuzzed row: it only inserts lines.
#include "writer_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace qlx;
  fuzz::RunWriter(data, size, "errtrap", nullptr, [](fuzz::WriterRun& run) {
    run.ops.SetVBInstance(run.vbe);
    run.ops.ErrTrap().ErrInsertPos = run.Flag(0);
    run.ops.Run(OperationId::kErrTrap, run.PickRow());
    run.ops.SetVBInstance(nullptr);
  });
  return 0;
}
