// A drawing of 100 000 lines and 10 000 texts written as DXF into memory.
#include <benchmark/benchmark.h>

#include <string>

#include "Velmo.h"
#include "files/fSave_DXF.h"
#include "model/GC_DB.h"

namespace {

void BM_DxfSaveLines(benchmark::State& state) {
  VelmoReset();
  const int lines = static_cast<int>(state.range(0));
  for (int i = 0; i < lines; ++i) GcellAddLine(0, 0x11, i % 1000, i / 1000, i % 1000 + 5, i / 1000 + 3);
  for (int i = 0; i < lines / 10; ++i) GcellAddText(0, 3, 1, "寸法 1234", 0, 0, i % 100 * 10.0, i / 100 * 10.0);
  std::size_t size = 0;
  for (auto _ : state) size = DxfText(1, false).size();
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(size));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_DxfSaveLines)->Arg(100'000)->Unit(benchmark::kMillisecond);

}  // namespace
