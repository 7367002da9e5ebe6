// Importing a table of 100 000 rows of four fields (a 3.3 MB CSV) into a
// fresh drawing: measured, then laid out as 400 000 texts and 100 005
// lines.
#include <benchmark/benchmark.h>

#include <string>

#include "Velmo.h"
#include "files/fImport.h"
#include "model/GC_DB.h"

namespace {

void BM_ImportCsv(benchmark::State& state) {
  std::string csv;
  for (int i = 0; i < 100000; ++i)
    csv += "R" + std::to_string(i) + "," + std::to_string(i * 7 % 1000) + ",12.5,メモ\n";
  for (auto _ : state) {
    state.PauseTiming();
    VelmoReset();
    state.ResumeTiming();
    const TTableSize size = ImportTableBytes(csv, 0, 0, 0, true);
    benchmark::DoNotOptimize(size.width);
  }
  state.counters["cells"] = StoreUsed();
  state.SetBytesProcessed(state.iterations() * static_cast<long long>(csv.size()));
  VelmoReset();
}
BENCHMARK(BM_ImportCsv)->Unit(benchmark::kMillisecond);

}  // namespace
