// The delete operation's whole-store work: the duplicate cleanup of 100 000
// lines of which a tenth repeat another (half exactly, half as a shorter
// piece along it in a thicker pen), and a range selection over a million
// cells.
#include <benchmark/benchmark.h>

#include <random>

#include "BenchStore.h"
#include "Velmo.h"
#include "model/GC_DB.h"
#include "model/PVC.h"
#include "ops/OpRange.h"
#include "ops/Op_Delete.h"

namespace {

// n lines in any direction over an A3 sheet at 1:100; every tenth repeats
// an earlier one.
void FillWithDuplicates(int n) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> x(0, 42000), y(0, 29700), d(-2000, 2000);
  std::uniform_int_distribution<int> pen(1, 6);
  for (int i = 1; i <= n; ++i) {
    if (i % 10 == 0) {
      const TGcell c = GcellGet(i / 2);
      const TLineGeom l = LineOf(c);
      if (i % 20 == 0) {
        GcellAddLine(0, c.pen, l.a.x, l.a.y, l.b.x, l.b.y);
      } else {
        const TPointD m = l.a + 0.5 * (l.b - l.a);
        GcellAddLine(0, static_cast<std::uint16_t>((c.pen & 0xF0) | 6), l.a.x, l.a.y, m.x, m.y);
      }
      continue;
    }
    const double x0 = x(rng), y0 = y(rng);
    GcellAddLine(0, static_cast<std::uint16_t>(0x10 | pen(rng)), x0, y0, x0 + d(rng), y0 + d(rng));
  }
  GcellCommit();
}

void BM_DuplicateCleanup(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    VelmoReset();
    CurPVC().basicScale = 100;
    FillWithDuplicates(n);
    for (int i = 1; i <= n; ++i) GcellSelect(i);
    state.ResumeTiming();
    DuplicateCleanup();
    benchmark::DoNotOptimize(StoreUsed());
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_DuplicateCleanup)->Arg(100'000)->Unit(benchmark::kMillisecond);

void BM_RangeSelectMillion(benchmark::State& state) {
  VelmoReset();
  FillStore(900'000, 60'000, 40'000);
  TGcell rect = MakeRangeRect({10000, 10000}, kRangePenMoving);
  rect.p[2] = 20000;
  rect.p[3] = 10000;
  for (auto _ : state) {
    GcellMaskAll(static_cast<std::uint16_t>(~(PEN_SELECTED | PEN_SELMARK)));
    benchmark::DoNotOptimize(RangeSelect(rect, -1, -1, false));
  }
  state.SetItemsProcessed(state.iterations() * StoreUsed());
}
BENCHMARK(BM_RangeSelectMillion)->Unit(benchmark::kMillisecond);

}  // namespace
