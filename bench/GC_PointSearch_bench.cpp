// A snapped right click (SnapPoint) on a drawing of 100 000 or a million
// lines spread over an A3 sheet at 1:100, fitted to a full-HD view; one
// click per iteration, at 16 places in turn. The worst case: all the lines
// passing within a few pixels of the click, so the candidate list fills up
// and every pair near the click is crossed.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <utility>
#include <vector>

#include "BenchStore.h"
#include "Velmo.h"
#include "app/GC_PointSearch.h"
#include "model/GC_DB.h"
#include "model/GContext.h"
#include "render/Z_Graph.h"

namespace {

constexpr int kW = 1920, kH = 1080;
constexpr double kSheetW = 42000, kSheetH = 29700;
constexpr int kClicks = 16;

TGContext FittedView() {
  TGContext g;
  G_SetViewport(g, 0, 0, kW, kH);
  G_SetWindow(g, 0, 0, kSheetW, kSheetH);
  return g;
}

void SnapSpread(benchmark::State& state) {
  FillStore(static_cast<int>(state.range(0)), 0, 0);
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> ux(0, kSheetW), uy(0, kSheetH);
  const TGContext g = FittedView();
  std::vector<std::pair<double, double>> clicks;
  for (int i = 0; i < kClicks; ++i) clicks.emplace_back(ux(rng), uy(rng));
  int snapped = 0;
  std::size_t k = 0;
  for (auto _ : state) {
    auto [x, y] = clicks[k++ % clicks.size()];
    snapped += SnapPoint(g, x, y);
    benchmark::DoNotOptimize(x);
  }
  state.counters["snapped_share"] = static_cast<double>(snapped) / static_cast<double>(state.iterations());
}
BENCHMARK(SnapSpread)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

void SnapCrowded(benchmark::State& state) {
  VelmoReset();
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> ang(0, 3.14159), off(-100, 100);
  const double cx = kSheetW / 2, cy = kSheetH / 2;
  for (int i = 0, n = static_cast<int>(state.range(0)); i < n; ++i) {
    const double a = ang(rng), ox = off(rng), oy = off(rng);
    GcellAddLine(0, 0x11, cx + ox - 3000 * std::cos(a), cy + oy - 3000 * std::sin(a), cx + ox + 3000 * std::cos(a),
                 cy + oy + 3000 * std::sin(a));
  }
  const TGContext g = FittedView();
  for (auto _ : state) {
    double x = cx + 1, y = cy + 1;
    benchmark::DoNotOptimize(SnapPoint(g, x, y));
  }
}
BENCHMARK(SnapCrowded)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

}  // namespace
