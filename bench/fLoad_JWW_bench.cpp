// Reading the largest real Jw_cad drawing of the tests (Test7.jww, 226 KB,
// 4 207 elements) into the store, from the file and from its bytes; and a
// drawing of 100 000 lines made by Jw_cad's layout. The byte rate is the
// file's size over the time.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "Velmo.h"
#include "files/fLoad_JWW.h"
#include "model/GC_DB.h"

namespace {

namespace fs = std::filesystem;

const fs::path kLargest = fs::path(VELMO_SOURCE_DIR) / "tests" / "files" / "data" / "jww" / "Test7.jww";

std::string Bytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void BM_JwwLoadFile(benchmark::State& state) {
  const auto size = static_cast<std::int64_t>(fs::file_size(kLargest));
  for (auto _ : state) {
    state.PauseTiming();
    VelmoReset();
    state.ResumeTiming();
    benchmark::DoNotOptimize(JwwLoad(kLargest, 0, 0));
  }
  if (StoreUsed() < 4000) state.SkipWithError("the drawing was not read");
  state.SetBytesProcessed(state.iterations() * size);
}
BENCHMARK(BM_JwwLoadFile)->Unit(benchmark::kMillisecond);

// Test7's header and its first line, the line repeated n times with the
// archive's class reference.
std::string ManyLines(int n) {
  const std::string file = Bytes(kLargest);
  const std::size_t at = file.find(std::string("\xFF\xFF\x58\x02\x08\0CDataSen", 14));
  const std::size_t record = 15 + 32;  // common data and two points
  std::string out = file.substr(0, at - 2);
  out += static_cast<char>(0xFF);
  out += static_cast<char>(0xFF);
  for (int i = 0; i < 4; ++i) out += static_cast<char>((static_cast<unsigned>(n) >> (8 * i)) & 0xFF);
  out += file.substr(at, 14 + record);
  for (int i = 1; i < n; ++i) out += std::string("\x01\x80", 2) + file.substr(at + 14, record);
  return out + std::string("\0\0", 2);
}

void BM_JwwLoadLines(benchmark::State& state) {
  const std::string bytes = ManyLines(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    VelmoReset();
    state.ResumeTiming();
    benchmark::DoNotOptimize(JwwLoadBytes(bytes, 0, 0));
  }
  if (StoreUsed() < state.range(0)) state.SkipWithError("the lines were not read");
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_JwwLoadLines)->Arg(100'000)->Unit(benchmark::kMillisecond);

}  // namespace
