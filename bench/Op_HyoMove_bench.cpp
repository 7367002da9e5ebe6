// One preview frame of the table frame move on a full-HD drawing area: a
// table of 60 × 60 cells (7 320 cell sides and 3 600 texts, 10 920 cells)
// dragged by a vertical border. Each pointer move comes 200 ms after the
// last, so every move draws its frame: the saved view image, the table
// dimmed and its moved copy, composed off the screen and put on the view.
#include <benchmark/benchmark.h>

#include "Velmo.h"
#include "app/ApInput.h"
#include "app/ApManager.h"
#include "app/Ap_Unit1.h"
#include "app/GC_View.h"
#include "model/GC_DB.h"
#include "model/PVC.h"
#include "ops/Op_HyoMove.h"
#include "render/Z_Graph.h"

namespace {

TPointD Pixel(double x, double y) {
  TPointD p;
  G_ToPixel(CurrentView(), x, y, p.x, p.y);
  return p;
}

void Click(double x, double y) {
  const TPointD p = Pixel(x, y);
  UserPress(ssLeft, p.x, p.y, 0);
  UserRelease(ssLeft, p.x, p.y, 0);
}

void BM_TablePreviewFrame(benchmark::State& state) {
  VelmoReset();
  PaintBox1Resize(1920, 1080);
  for (int k = 0; k <= 60; ++k)
    for (int m = 0; m < 60; ++m) {
      GcellAddLine(0, 0x11, k * 1000.0, m * 500.0, k * 1000.0, (m + 1) * 500.0);
      GcellAddLine(0, 0x11, m * 1000.0, k * 500.0, (m + 1) * 1000.0, k * 500.0);
    }
  for (int i = 0; i < 60; ++i)
    for (int j = 0; j < 60; ++j) GcellAddText(0, 3, 1, "12,345", 0, 0, i * 1000.0 + 200, j * 500.0 + 150);
  GcellCommit();
  G_SetWindow(CurrentView(), -1000, -1000, 61000, 31000);
  ViewRedraw(1);
  double now = 0;
  g_hyoMoveOp.clock = [&now] { return now; };
  InputOperation(OpBtn_HyoMove);
  Click(-500, -500);
  const TPointD far = Pixel(60500, 30500);
  UserPress(ssRight, far.x, far.y, 0);
  UserRelease(ssRight, far.x, far.y, 0);
  Click(30000, 15250);  // the border x = 30 000
  if (g_hyoMoveOp.run.state != TableState::Move || g_hyoMoveOp.run.cells.size() != 10920) {
    state.SkipWithError("the table was not picked");
    return;
  }
  int step = 0;
  for (auto _ : state) {
    now += 200;
    const TPointD p = Pixel(30000 + 100.0 * (++step % 20), 15250);
    UserMove(p.x, p.y, 0);
    benchmark::DoNotOptimize(ViewBuffer().Image().pixels.data());
  }
  VelmoReset();
}
BENCHMARK(BM_TablePreviewFrame)->Unit(benchmark::kMillisecond);

}  // namespace
