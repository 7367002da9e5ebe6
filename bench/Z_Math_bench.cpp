// The intersections point search runs for every candidate pair on a right
// click: a million line-line and line-circle crossings over varied input.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "kernel/Z_Math.h"

namespace {

constexpr int kCalls = 1'000'000;
constexpr int kPool = 4096;  // distinct inputs, cycled

struct Seg {
  double x1, y1, x2, y2;
};

// Deterministic segments scattered over a 1000-unit sheet.
std::vector<Seg> MakeSegments() {
  std::vector<Seg> segs(kPool);
  std::uint32_t s = 12345;
  auto next = [&s] {
    s = s * 1664525u + 1013904223u;
    return (s >> 8) * (1000.0 / 16777216.0);
  };
  for (Seg& g : segs) g = {next(), next(), next(), next()};
  return segs;
}

void BM_LineCross(benchmark::State& state) {
  const std::vector<Seg> segs = MakeSegments();
  for (auto _ : state) {
    int hits = 0;
    double X = 0, Y = 0;
    for (int i = 0; i < kCalls; ++i) {
      const Seg& a = segs[i % kPool];
      const Seg& b = segs[(i * 7 + 1) % kPool];
      hits += LineCross(X, Y, a.x1, a.y1, a.x2, a.y2, b.x1, b.y1, b.x2, b.y2) == kOnBoth;
    }
    benchmark::DoNotOptimize(hits);
    benchmark::DoNotOptimize(X);
  }
  state.SetItemsProcessed(state.iterations() * kCalls);
}
BENCHMARK(BM_LineCross)->Unit(benchmark::kMillisecond);

void BM_LineCircleCross(benchmark::State& state) {
  const std::vector<Seg> segs = MakeSegments();
  for (auto _ : state) {
    int hits = 0;
    double X = 0, Y = 0;
    for (int i = 0; i < kCalls; ++i) {
      const Seg& a = segs[i % kPool];
      const Seg& c = segs[(i * 13 + 5) % kPool];  // centre and reference point
      hits += LineCircleCross(X, Y, c.x2, c.y2, a.x1, a.y1, a.x2, a.y2, c.x1, c.y1, 200, 1, 0) ==
              kOnBoth;
    }
    benchmark::DoNotOptimize(hits);
    benchmark::DoNotOptimize(X);
  }
  state.SetItemsProcessed(state.iterations() * kCalls);
}
BENCHMARK(BM_LineCircleCross)->Unit(benchmark::kMillisecond);

void BM_CircleCross(benchmark::State& state) {
  const std::vector<Seg> segs = MakeSegments();
  for (auto _ : state) {
    int hits = 0;
    double X = 0, Y = 0;
    for (int i = 0; i < kCalls; ++i) {
      const Seg& a = segs[i % kPool];
      const Seg& b = segs[(i * 7 + 1) % kPool];
      hits += CircleCross(X, Y, b.x2, b.y2, ArcParams{a.x1, a.y1, 150, 1, 0, 0, 0},
                          ArcParams{b.x1, b.y1, 100, 1, 0, 0, 0}) == kOnBoth;
    }
    benchmark::DoNotOptimize(hits);
    benchmark::DoNotOptimize(X);
  }
  state.SetItemsProcessed(state.iterations() * kCalls);
}
BENCHMARK(BM_CircleCross)->Unit(benchmark::kMillisecond);

}  // namespace
