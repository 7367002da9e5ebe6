// One frame of the block copy's preview while the pointer moves: 10 000
// selected cells (lines, arcs, texts) transformed and drawn in XOR, the
// previous frame taken off first, on a full-HD drawing area.
#include <benchmark/benchmark.h>

#include "BenchStore.h"
#include "Velmo.h"
#include "app/ApInput.h"
#include "app/Ap_Unit1.h"
#include "app/GC_View.h"
#include "ops/Op_BlockCopy.h"

namespace {

void Click(unsigned button, double x, double y) {
  InputMouseDown(button, button, x, y);
  InputMouseUp(button, 0, x, y);
}

void BM_BlockCopyPreviewFrame(benchmark::State& state) {
  VelmoReset();
  FillStore(8000, 1000, 1000);
  PaintBox1Resize(1920, 1080);
  PaintBox1Paint();
  InputOperation(OpBtn_BlockCopy);
  Click(ssLeft, 1, 1);
  Click(ssRight, 1918, 1078);  // every cell, confirmed
  Click(ssLeft, 960, 540);     // the base point
  if (g_blockOp.run.state != BlockState::TargetPoint || g_blockOp.run.selectedCount != 10000) {
    state.SkipWithError("the selection did not reach the target step");
    return;
  }
  double x = 900;
  for (auto _ : state) {
    x = x == 900 ? 1000 : 900;
    InputMouseMove(0, x, 600);
    benchmark::DoNotOptimize(ViewBuffer().Image().pixels.data());
  }
  state.SetItemsProcessed(state.iterations() * 10000);
  VelmoReset();
}
BENCHMARK(BM_BlockCopyPreviewFrame)->Unit(benchmark::kMillisecond);

}  // namespace
