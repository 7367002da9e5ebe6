// One-pixel drawing on a full-HD back buffer: 100 000 random lines straight
// on the canvas (copy and XOR) and through the view (cull, clip, round), and
// 10 000 circles.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "Velmo.h"
#include "render/RasterCanvas.h"
#include "render/Z_Graph.h"

namespace {

constexpr int kW = 1920, kH = 1080;
constexpr int kLines = 100'000;

struct Seg {
  int x1, y1, x2, y2;
};

const std::vector<Seg>& RandomSegments() {
  static const std::vector<Seg> segs = [] {
    std::mt19937 rng(1);
    std::uniform_int_distribution<int> x(0, kW - 1), y(0, kH - 1);
    std::vector<Seg> v(kLines);
    for (Seg& s : v) s = {x(rng), y(rng), x(rng), y(rng)};
    return v;
  }();
  return segs;
}

void BM_CanvasLines(benchmark::State& state) {
  RasterCanvas c(kW, kH);
  c.SetPenColor(0x00FFFF);
  c.SetPenMode(state.range(0) ? TPenMode::Xor : TPenMode::Copy);
  const std::vector<Seg>& segs = RandomSegments();
  long long pixels = 0;
  for (const Seg& s : segs) pixels += std::max(std::abs(s.x2 - s.x1), std::abs(s.y2 - s.y1));
  for (auto _ : state) {
    for (const Seg& s : segs) {
      c.MoveTo(s.x1, s.y1);
      c.LineTo(s.x2, s.y2);
    }
    benchmark::DoNotOptimize(c.Image().pixels.data());
  }
  state.SetItemsProcessed(state.iterations() * kLines);
  state.counters["pixels/line"] = static_cast<double>(pixels) / kLines;
}
BENCHMARK(BM_CanvasLines)->ArgName("xor")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ViewLines(benchmark::State& state) {
  VelmoReset();
  RasterCanvas c(kW, kH);
  TGContext g;
  G_Begin(g, TTargetKind::PaintBox, &c);
  G_SetWindow(g, 0, 0, 19200, 10800);  // 10 units a pixel, y up
  const std::vector<Seg>& segs = RandomSegments();
  for (auto _ : state) {
    for (const Seg& s : segs) G_Line(g, s.x1 * 10.0, s.y1 * 10.0, s.x2 * 10.0, s.y2 * 10.0);
    benchmark::DoNotOptimize(c.Image().pixels.data());
  }
  state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_ViewLines)->Unit(benchmark::kMillisecond);

void BM_ViewCircles(benchmark::State& state) {
  VelmoReset();
  RasterCanvas c(kW, kH);
  TGContext g;
  G_Begin(g, TTargetKind::PaintBox, &c);
  G_SetWindow(g, 0, 0, kW, kH);
  std::mt19937 rng(2);
  std::uniform_real_distribution<double> x(0, kW), y(0, kH), r(1, 200);
  std::vector<ArcParams> circles(10'000);
  for (ArcParams& a : circles) a = {x(rng), y(rng), r(rng), 1, 0, 0, 0};
  for (auto _ : state) {
    for (const ArcParams& a : circles) G_Arc(g, a);
    benchmark::DoNotOptimize(c.Image().pixels.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<long long>(circles.size()));
}
BENCHMARK(BM_ViewCircles)->Unit(benchmark::kMillisecond);

}  // namespace
