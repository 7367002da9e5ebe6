// The quick repaint of the main view (ViewRedraw(9), what pans, drag zooms
// and wheel zooms show at each step) with 100 000 lines on a full-HD
// drawing area: the whole drawing fitted, and zoomed in 8 times.
#include <benchmark/benchmark.h>

#include <random>

#include "Velmo.h"
#include "app/ApManager.h"
#include "app/ApMouse.h"
#include "app/Ap_Unit1.h"
#include "app/GC_View.h"
#include "model/GC_DB.h"

namespace {

void Setup(int lines) {
  VelmoReset();
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> ux(0, 42000), uy(0, 29700), len(-1500, 1500);
  static const std::uint16_t kPens[] = {0x11, 0x12, 0x13, 0x14, 0x21, 0x31, 0x52, 0x57, 0x15, 0x16};
  for (int i = 0; i < lines; ++i) {
    const double x = ux(rng), y = uy(rng);
    double dx = len(rng), dy = len(rng);
    if (i % 3 == 1) dy = 0;
    if (i % 3 == 2) dx = 0;
    GcellAddLine(static_cast<std::uint8_t>(i % 16), kPens[i % 10], x, y, x + dx, y + dy);
  }
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
