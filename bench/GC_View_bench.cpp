// The quick repaint of the main view (ViewRedraw(9), what pans, drag zooms
// and wheel zooms show at each step) with 100 000 lines on a full-HD
// drawing area: the whole drawing fitted, and zoomed in 8 times.
#include <benchmark/benchmark.h>

#include "BenchStore.h"
#include "Velmo.h"
#include "app/ApManager.h"
#include "app/ApMouse.h"
#include "app/Ap_Unit1.h"
#include "app/GC_View.h"

namespace {

void Setup(int lines) {
  FillStore(lines, 0, 0);
  PaintBox1Resize(1920, 1080);
  PaintBox1Paint();
}

void BM_QuickRepaint(benchmark::State& state) {
  Setup(100000);
  for (int i = 0; i < state.range(0); ++i) Btn_ViewClick(TViewButton::BtnZM2);
  for (auto _ : state) {
    ViewRedraw(9);
    benchmark::DoNotOptimize(ViewBuffer().Image().pixels.data());
  }
  VelmoReset();
}
// 0: fitted; 3: zoomed in 8 times about the middle.
BENCHMARK(BM_QuickRepaint)->Arg(0)->Arg(3)->Unit(benchmark::kMillisecond);

}  // namespace
