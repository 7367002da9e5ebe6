// The native drawing file with 100 000 and a million line cells: saving it
// and loading it (from the file, and from text in memory as a paste reads
// it). The byte
// rate is the file's size over the time.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "Velmo.h"
#include "files/fLoad_VLD.h"
#include "files/fSave_VLD.h"
#include "model/GC_DB.h"

namespace {

namespace fs = std::filesystem;


// Lines of a grid with coordinates of several digits and decimals, on
// varied layers and pens, as a real drawing has them.
void FillLines(int n) {
  for (int i = 0; i < n; ++i) {
    const double x = (i % 1000) * 123.4567 - 50000;
    const double y = (i / 1000) * 87.6543 - 30000;
    GcellAddLine(static_cast<std::uint8_t>(i % 256), static_cast<std::uint16_t>(0x11 + (i % 6)), x, y, x + 250.125,
                 y + 99.875);
  }
}

fs::path BenchFile() { return fs::temp_directory_path() / ("velmo-bench-" + std::to_string(::getpid()) + ".vld"); }

void BM_VldSave(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  VelmoReset();
  FillLines(n);
  const fs::path file = BenchFile();
  for (auto _ : state) benchmark::DoNotOptimize(VldSave(file, false));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(fs::file_size(file)));
  state.SetItemsProcessed(state.iterations() * n);
  fs::remove(file);
}
BENCHMARK(BM_VldSave)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

void BM_VldLoad(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  VelmoReset();
  FillLines(n);
  const fs::path file = BenchFile();
  VldSave(file, false);
  for (auto _ : state) {
    state.PauseTiming();
    VelmoReset();
    state.ResumeTiming();
    benchmark::DoNotOptimize(VldLoad(file, 0, 0));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(fs::file_size(file)));
  state.SetItemsProcessed(state.iterations() * n);
  fs::remove(file);
}
BENCHMARK(BM_VldLoad)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

void BM_VldLoadText(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  VelmoReset();
  FillLines(n);
  TVldSink sink;
  VldWrite(sink);
  const std::string text = sink.text();
  for (auto _ : state) {
    state.PauseTiming();
    VelmoReset();
    state.ResumeTiming();
    benchmark::DoNotOptimize(VldLoadText(text, 0, 0, "bench"));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_VldLoadText)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

}  // namespace
