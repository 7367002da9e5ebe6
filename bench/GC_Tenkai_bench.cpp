// Expansion and pens at drawing scale: 100 000 cells (lines, arcs, texts
// with and without superscripts, rectangles) expanded into one reused
// buffer; 100 000 random dashed lines laid on a full-HD back buffer; and
// 10 000 horizontal and vertical dashed lines copied from the line strips.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "Velmo.h"
#include "model/GC_DB.h"
#include "render/ApPenSet.h"
#include "render/GC_Tenkai.h"
#include "render/RasterCanvas.h"
#include "render/Z_Graph.h"

namespace {

constexpr int kW = 1920, kH = 1080;
constexpr int kCells = 100'000;

const std::vector<TGcell>& MixedCells() {
  static const std::vector<TGcell> cells = [] {
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> u(0, 1000);
    std::vector<TGcell> v(kCells);
    for (int i = 0; i < kCells; ++i) {
      TGcell& c = v[static_cast<std::size_t>(i)];
      c.layer = 0x12;
      c.pen = 0x11;
      for (double& p : c.p) p = u(rng);
      switch (i % 10) {
        case 0: c.kind = GK_TEXT, c.size = 3, c.text = "寸法 1234.5"; break;
        case 1: c.kind = GK_TEXT, c.size = 2, c.text = "面積 12.5m^u2 (X^d1)"; break;
        case 2: c.kind = GK_RECT; break;
        case 3: c.kind = GK_ARC; break;
        default: c.kind = GK_LINE; break;
      }
    }
    return v;
  }();
  return cells;
}

void BM_ExpandCells(benchmark::State& state) {
  VelmoReset();
  const std::vector<TGcell>& cells = MixedCells();
  TCellPieces pieces;
  long long n = 0;
  for (auto _ : state) {
    for (const TGcell& c : cells) {
      ExpandCell(c, pieces);
      n += pieces.size();
    }
    benchmark::DoNotOptimize(n);
  }
  state.SetItemsProcessed(state.iterations() * kCells);
}
BENCHMARK(BM_ExpandCells)->Unit(benchmark::kMillisecond);

void BM_DashedLines(benchmark::State& state) {
  VelmoReset();
  RasterCanvas c(kW, kH);
  TGContext g;
  G_Begin(g, TTargetKind::PaintBox, &c);
  G_SetWindow(g, 0, 0, kW - 1, kH - 1);
  SetPen(g, 0x51);
  std::mt19937 rng(1);
  std::uniform_real_distribution<double> x(0, kW - 1), y(0, kH - 1);
  std::vector<double> pts(4 * kCells);
  for (double& p : pts) p = (&p - pts.data()) % 2 ? y(rng) : x(rng);
  for (auto _ : state) {
    for (std::size_t i = 0; i < pts.size(); i += 4) G_Line(g, pts[i], pts[i + 1], pts[i + 2], pts[i + 3]);
    benchmark::DoNotOptimize(c.Image().pixels.data());
  }
  state.SetItemsProcessed(state.iterations() * kCells);
}
BENCHMARK(BM_DashedLines)->Unit(benchmark::kMillisecond);

void BM_StripLines(benchmark::State& state) {
  VelmoReset();
  RasterCanvas c(kW, kH);
  TGContext g;
  G_Begin(g, TTargetKind::PaintBox, &c);
  constexpr int kStrips = 10'000;
  std::mt19937 rng(2);
  std::uniform_int_distribution<int> x(0, kW - 1), y(0, kH - 1);
  std::vector<int> pts(4 * kStrips);
  for (std::size_t i = 0; i < pts.size(); i += 4) {
    pts[i] = x(rng), pts[i + 1] = y(rng);
    const bool horizontal = i % 8 == 0;
    pts[i + 2] = horizontal ? x(rng) : pts[i];
    pts[i + 3] = horizontal ? pts[i + 1] : y(rng);
  }
  for (auto _ : state) {
    for (std::size_t i = 0; i < pts.size(); i += 4)
      StripLine(g, pts[i], pts[i + 1], pts[i + 2], pts[i + 3], static_cast<std::uint16_t>(0x31 + (i / 4) % 6));
    benchmark::DoNotOptimize(c.Image().pixels.data());
  }
  state.SetItemsProcessed(state.iterations() * kStrips);
}
BENCHMARK(BM_StripLines)->Unit(benchmark::kMillisecond);

}  // namespace
