// The cell store at a million cells: append, a scan as repaint and search do
// it, and compaction after deleting a third.
#include <benchmark/benchmark.h>

#include "Velmo.h"
#include "model/GC_DB.h"

namespace {

constexpr int kCells = 1'000'000;

void FillLines(int n) {
  for (int i = 0; i < n; ++i) GcellAddLine(0x00, 0x11, i, 0, i + 10.0, 5.0);
}

void BM_AppendLines(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    VelmoReset();
    state.ResumeTiming();
    FillLines(static_cast<int>(state.range(0)));
    benchmark::DoNotOptimize(StoreUsed());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_AppendLines)->Arg(kCells)->Unit(benchmark::kMillisecond);

void BM_ScanLive(benchmark::State& state) {
  VelmoReset();
  FillLines(kCells);
  for (auto _ : state) {
    double sum = 0;
    for (int i = 1, n = StoreUsed(); i <= n; ++i) {
      const TGcell& c = GcellRef(i);
      if (c.kind <= 0 || c.window != StoreWindow()) continue;
      sum += c.p[2] - c.p[0];
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kCells);
}
BENCHMARK(BM_ScanLive)->Unit(benchmark::kMillisecond);

void BM_DeleteThirdAndCommit(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    VelmoReset();
    FillLines(kCells);
    GcellCommit();
    state.ResumeTiming();
    for (int i = 1; i <= kCells; i += 3) GcellDelete(i);
    GcellCommit();  // over 30 % dead: compacts
    benchmark::DoNotOptimize(StoreUsed());
  }
}
BENCHMARK(BM_DeleteThirdAndCommit)->Unit(benchmark::kMillisecond);

}  // namespace
