// The error-handler writer at a fuzzed row: it only inserts lines.
#include "errtrap/mod_insert_err_trap.h"
#include "writer_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace qlx;
  fuzz::RunWriter(data, size, "errtrap", nullptr, [](fuzz::WriterRun& run) {
    ModInsertErrTrap errtrap(run.ui, run.desktop);
    errtrap.SetVBInstance(run.vbe);
    errtrap.ErrInsertPos = run.Flag(0);
    errtrap.WriteErrTrapProc(run.PickRow());
    errtrap.SetVBInstance(nullptr);
  });
  return 0;
}
