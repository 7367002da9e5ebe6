// Repainting whole drawings into a full-HD back buffer: 100 000 lines, 10 000
// arcs and 10 000 texts spread over an A3 sheet at 1:100, fitted to the view
// and zoomed in 20 times about the middle; 100 000 lines alone, and a
// million lines.
// (Without the Qt raster helper large texts lay out their characters but
// put no glyphs; at the fitted view the texts are boxes anyway.)
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "BenchStore.h"
#include "Velmo.h"
#include "model/GC_DB.h"
#include "model/PVC.h"
#include "render/ApPenSet.h"
#include "render/GC_Draw.h"
#include "render/RasterCanvas.h"
#include "render/Z_Graph.h"

namespace {
constexpr int kW = 1920, kH = 1080;
constexpr double kSheetW = 42000, kSheetH = 29700;
}  // namespace

void FillStore(int lines, int arcs, int texts) {
  VelmoReset();
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> ux(0, kSheetW), uy(0, kSheetH), len(-1500, 1500), rad(50, 2000),
      ang(0, 6.283);
  static const std::uint16_t kPens[] = {0x11, 0x12, 0x13, 0x14, 0x21, 0x31, 0x52, 0x57, 0x15, 0x16};
  for (int i = 0; i < lines; ++i) {
    const double x = ux(rng), y = uy(rng);
    // A third of them exactly horizontal or vertical, as drawings have them.
    double dx = len(rng), dy = len(rng);
    if (i % 3 == 1) dy = 0;
    if (i % 3 == 2) dx = 0;
    GcellAddLine(static_cast<std::uint8_t>(i % 16), kPens[i % 10], x, y, x + dx, y + dy);
  }
  for (int i = 0; i < arcs; ++i) {
    const double s = ang(rng);
    if (i % 2)
      GcellAddArc(0, 0x12, ux(rng), uy(rng), rad(rng), 1, 0, s, s + 2);
    else
      GcellAddCircle(0, 0x13, ux(rng), uy(rng), rad(rng), i % 4 ? 1 : 0.5, 0.3);
  }
  for (int i = 0; i < texts; ++i)
    GcellAddText(0, static_cast<std::uint8_t>(1 + i % 5), 0x01, i % 7 ? "寸法 1234.5" : "面積 12.5m^u2", 0,
                 i % 3 ? 0 : 1.5708, ux(rng), uy(rng));
}

namespace {

void Repaint(benchmark::State& state, double zoom) {
  RasterCanvas canvas(kW, kH);
  TGContext g;
  G_Begin(g, TTargetKind::PaintBox, &canvas);
  const double cx = kSheetW / 2, cy = kSheetH / 2, hw = kSheetW / 2 / zoom, hh = kSheetH / 2 / zoom;
  G_SetWindow(g, cx - hw, cy - hh, cx + hw, cy + hh);
  CurPVC().gridShown = true;
  for (auto _ : state) {
    DrawGrid(g);
    DrawAllCells(g);
    benchmark::DoNotOptimize(canvas.Image().pixels.data());
  }
  state.counters["cells"] = StoreUsed();
}

void BM_RepaintFit(benchmark::State& state) {
  FillStore(100'000, 10'000, 10'000);
  Repaint(state, 1);
}
BENCHMARK(BM_RepaintFit)->Unit(benchmark::kMillisecond);

void BM_RepaintZoom20(benchmark::State& state) {
  FillStore(100'000, 10'000, 10'000);
  Repaint(state, 20);
}
BENCHMARK(BM_RepaintZoom20)->Unit(benchmark::kMillisecond);

void BM_RepaintFitLines(benchmark::State& state) {
  FillStore(static_cast<int>(state.range(0)), 0, 0);
  Repaint(state, 1);
}
BENCHMARK(BM_RepaintFitLines)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

}  // namespace
