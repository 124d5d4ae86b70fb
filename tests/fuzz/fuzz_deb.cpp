// The 'deb marker expansion on a fuzzed module: lines are inserted, and
// only lines holding a marker are replaced.
#include "writer_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace qlx;
  fuzz::RunWriter(
      data, size, "deb",
      [](const std::vector<Text>& before, fuzz::WriterRun&) {
        std::vector<bool> marked(before.size() + 1, false);
        for (std::size_t i = 0; i < before.size(); ++i) marked[i + 1] = fuzz::ContainsNoCase(before[i], u"'deb ");
        return marked;
      },
      [](fuzz::WriterRun& run) {
        run.ops.SetVBInstance(run.vbe);
        run.ops.Run(OperationId::kDeb);
        run.ops.SetVBInstance(nullptr);
      });
  return 0;
}
