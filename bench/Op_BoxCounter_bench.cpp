// Counting the boxes of a table of 100 × 100 cells of 1000 × 500: drawn as
// 20 200 cell sides (collinear pieces joined first), and as 10 000 boxes
// apart from each other (40 000 lines); without and with colouring, which
// adds 10 000 fills and removes those of the previous run.
#include <benchmark/benchmark.h>

#include "Velmo.h"
#include "model/GC_DB.h"
#include "model/PVC.h"
#include "ops/Op_BoxCounter.h"

namespace {

void Table(bool apart) {
  VelmoReset();
  TPVC& p = CurPVC();
  p.basicScale = 100;
  for (auto& g : p.groups) g.scaleX = g.scaleY = 100;
  p.writePen = 0x11;
  if (apart) {
    for (int i = 0; i < 100; ++i)
      for (int j = 0; j < 100; ++j) {
        const double x = i * 1200.0, y = j * 700.0;
        GcellAddLine(0, 0x11, x, y, x + 1000, y);
        GcellAddLine(0, 0x11, x + 1000, y, x + 1000, y + 500);
        GcellAddLine(0, 0x11, x + 1000, y + 500, x, y + 500);
        GcellAddLine(0, 0x11, x, y + 500, x, y);
      }
  } else {
    for (int k = 0; k <= 100; ++k)
      for (int m = 0; m < 100; ++m) {
        GcellAddLine(0, 0x11, k * 1000.0, m * 500.0, k * 1000.0, (m + 1) * 500.0);
        GcellAddLine(0, 0x11, m * 1000.0, k * 500.0, (m + 1) * 1000.0, k * 500.0);
      }
  }
  GcellCommit();
  g_boxCounterOp.form = {"1000", "500", "500", "500", "", ""};
}

void BM_CountBoxes(benchmark::State& state) {
  const bool apart = state.range(0) != 0, colour = state.range(1) != 0;
  Table(apart);
  for (auto _ : state) CountBoxes({-10, -10}, {130000, 80000}, colour);
  if (g_boxCounterOp.form.lbCnt1.find("10000") == std::string::npos)
    state.SkipWithError("not every box was found");
  state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_CountBoxes)->ArgNames({"apart", "colour"})->Args({0, 0})->Args({0, 1})->Args({1, 0})->Args({1, 1})->Unit(benchmark::kMillisecond);

}  // namespace
