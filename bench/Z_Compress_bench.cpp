// Compressing and decompressing 16 MB of drawing text, the size of a drawing
// of a few hundred thousand cells.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "files/Z_Compress.h"

namespace {

constexpr std::size_t kSize = 16u << 20;

std::string Coord(std::mt19937& rng) {
  const unsigned v = rng() % 100000;
  return std::to_string(v / 100) + "." + std::to_string(v % 100 / 10) + std::to_string(v % 10);
}

const std::vector<unsigned char>& DrawingText() {
  static const std::vector<unsigned char> text = [] {
    std::mt19937 rng(1);
    std::string s;
    s.reserve(kSize + 100);
    while (s.size() < kSize) {
      s += "LINE," + std::to_string(rng() % 16) + "," + std::to_string(rng() % 9) + "," +
           Coord(rng) + "," + Coord(rng) + "," + Coord(rng) + "," + Coord(rng) + "\r\n";
    }
    s.resize(kSize);
    return std::vector<unsigned char>(s.begin(), s.end());
  }();
  return text;
}

void BM_Lh5Encode(benchmark::State& state) {
  const auto& text = DrawingText();
  std::size_t packed = 0;
  for (auto _ : state) {
    const auto stream = Lh5Encode(text);
    packed = stream.size();
    benchmark::DoNotOptimize(stream.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
  state.counters["ratio%"] = 100.0 * static_cast<double>(packed) / static_cast<double>(text.size());
}
BENCHMARK(BM_Lh5Encode)->Unit(benchmark::kMillisecond);

void BM_Lh5Decode(benchmark::State& state) {
  const auto& text = DrawingText();
  const auto stream = Lh5Encode(text);
  std::vector<unsigned char> out;
  for (auto _ : state) {
    const bool ok = Lh5Decode(stream, out);
    benchmark::DoNotOptimize(ok);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_Lh5Decode)->Unit(benchmark::kMillisecond);

}  // namespace
