// A drawing of 100 000 lines and 10 000 texts written as JWC into memory,
// and the same bytes read back into the store.
#include <benchmark/benchmark.h>

#include <string>

#include "Velmo.h"
#include "app/GC_PointSearch.h"
#include "files/fLoad_JWC.h"
#include "files/fSave_JWC.h"
#include "model/GC_DB.h"

namespace {

void Drawing(int lines) {
  VelmoReset();
  for (int i = 0; i < lines; ++i) GcellAddLine(0, 0x11, i % 1000, i / 1000, i % 1000 + 5, i / 1000 + 3);
  for (int i = 0; i < lines / 10; ++i) GcellAddText(0, 3, 1, "寸法 1234", 0, 0, i % 100 * 10.0, i / 100 * 10.0);
}

void BM_JwcSaveLines(benchmark::State& state) {
  Drawing(static_cast<int>(state.range(0)));
  const TExtents e = GcellExtents();
  std::size_t size = 0;
  for (auto _ : state) size = JwcBytes(e).size();
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(size));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_JwcSaveLines)->Arg(100'000)->Unit(benchmark::kMillisecond);

void BM_JwcLoadLines(benchmark::State& state) {
  Drawing(static_cast<int>(state.range(0)));
  const std::string bytes = JwcBytes(GcellExtents());
  for (auto _ : state) {
    state.PauseTiming();
    VelmoReset();
    state.ResumeTiming();
    benchmark::DoNotOptimize(JwcLoadBytes(bytes, false, 0, 0));
  }
  if (StoreUsed() < state.range(0)) state.SkipWithError("the lines were not read");
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_JwcLoadLines)->Arg(100'000)->Unit(benchmark::kMillisecond);

}  // namespace
