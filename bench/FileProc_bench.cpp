// Compressed drawings (".VLZ") with a million line cells: saving and opening
// them through the file commands, and the decompression of their stream by
// our decoder and by Debian's lhasa on the same stream wrapped as an LZH
// member (lhasa's "t" decodes and checks the CRC without writing; its time
// includes starting the process, a few milliseconds). Byte rates are the
// drawing text's size over the time.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Velmo.h"
#include "files/FileProc.h"
#include "files/Z_Compress.h"
#include "kernel/ProgramDir.h"
#include "model/GC_DB.h"

namespace {

namespace fs = std::filesystem;

constexpr int kCells = 1'000'000;

// The same grid of lines as the native file's benchmark.
void FillLines() {
  for (int i = 0; i < kCells; ++i) {
    const double x = (i % 1000) * 123.4567 - 50000;
    const double y = (i / 1000) * 87.6543 - 30000;
    GcellAddLine(static_cast<std::uint8_t>(i % 256), static_cast<std::uint16_t>(0x11 + (i % 6)), x, y, x + 250.125,
                 y + 99.875);
  }
}

fs::path g_folder;

void RemoveFolder() {
  std::error_code ec;
  fs::remove_all(g_folder, ec);
}

// A private folder, removed at exit.
fs::path Folder() {
  if (g_folder.empty()) {
    g_folder = fs::temp_directory_path() / ("velmo-bench-vlz-" + std::to_string(::getpid()));
    fs::create_directories(g_folder);
    std::atexit(RemoveFolder);
  }
  return g_folder;
}

void Fresh() {
  VelmoReset();
  g_programDir.folder = Folder().string() + "/";
  g_programDir.tempPrefix = g_programDir.folder + "#TMP0000BE9C#";
}

// The drawing saved once as ".VLZ"; its text size.
const fs::path& Drawing(std::uint64_t* textSize = nullptr) {
  static const fs::path file = Folder() / "lines.vlz";
  static std::uint64_t size = 0;
  if (size == 0) {
    Fresh();
    FillLines();
    SaveByExtension(Folder() / "lines.vld");
    size = fs::file_size(Folder() / "lines.vld");
    SaveByExtension(file);
  }
  if (textSize) *textSize = size;
  return file;
}

std::vector<unsigned char> ReadAll(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(f), {});
}

void BM_VlzSave(benchmark::State& state) {
  std::uint64_t size = 0;
  Drawing(&size);
  Fresh();
  FillLines();
  const fs::path out = Folder() / "saved.vlz";
  for (auto _ : state) benchmark::DoNotOptimize(SaveByExtension(out));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
  state.counters["vlz_MB"] = static_cast<double>(fs::file_size(out)) / 1e6;
}
BENCHMARK(BM_VlzSave)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_VlzOpen(benchmark::State& state) {
  std::uint64_t size = 0;
  const fs::path& file = Drawing(&size);
  Fresh();
  for (auto _ : state) benchmark::DoNotOptimize(OpenDrawingFile(file));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
  state.counters["cells"] = StoreUsed();
}
BENCHMARK(BM_VlzOpen)->Unit(benchmark::kMillisecond)->Iterations(2);

// The -lh5- stream of the drawing (the file without its header).
const std::vector<unsigned char>& Stream() {
  static const std::vector<unsigned char> s = [] {
    std::vector<unsigned char> f = ReadAll(Drawing());
    return std::vector<unsigned char>(f.begin() + kCompressHeaderSize, f.end());
  }();
  return s;
}

void BM_Lh5DecodeDrawing(benchmark::State& state) {
  std::uint64_t size = 0;
  Drawing(&size);
  std::vector<unsigned char> out;
  for (auto _ : state) benchmark::DoNotOptimize(Lh5Decode(Stream(), out));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
BENCHMARK(BM_Lh5DecodeDrawing)->Unit(benchmark::kMillisecond);

std::uint16_t Crc16(const std::vector<unsigned char>& data) {
  std::uint16_t crc = 0;
  for (unsigned char c : data) {
    crc ^= c;
    for (int k = 0; k < 8; ++k) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
  }
  return crc;
}

void PutLe(std::vector<unsigned char>& b, std::uint32_t v, int n) {
  for (int i = 0; i < n; ++i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

void BM_LhasaDecodeDrawing(benchmark::State& state) {
  if (std::system("command -v lhasa >/dev/null 2>&1") != 0) {
    state.SkipWithError("lhasa is not installed");
    return;
  }
  std::uint64_t size = 0;
  Drawing(&size);
  const std::vector<unsigned char> text = ReadAll(Folder() / "lines.vld");
  // One member, level-0 header, the same stream.
  std::vector<unsigned char> a = {0, 0, '-', 'l', 'h', '5', '-'};
  PutLe(a, static_cast<std::uint32_t>(Stream().size()), 4);
  PutLe(a, static_cast<std::uint32_t>(text.size()), 4);
  PutLe(a, (40u << 25) | (1u << 21) | (1u << 16), 4);
  a.push_back(0x20);
  a.push_back(0);
  const std::string name = "LINES.VLD";
  a.push_back(static_cast<unsigned char>(name.size()));
  a.insert(a.end(), name.begin(), name.end());
  PutLe(a, Crc16(text), 2);
  a[0] = static_cast<unsigned char>(a.size() - 2);
  unsigned sum = 0;
  for (std::size_t i = 2; i < a.size(); ++i) sum += a[i];
  a[1] = static_cast<unsigned char>(sum);
  a.insert(a.end(), Stream().begin(), Stream().end());
  a.push_back(0);
  const fs::path lzh = Folder() / "lines.lzh";
  std::ofstream(lzh, std::ios::binary).write(reinterpret_cast<const char*>(a.data()), static_cast<std::streamsize>(a.size()));
  const std::string command = "lhasa tq '" + lzh.string() + "'";
  for (auto _ : state)
    if (std::system(command.c_str()) != 0) state.SkipWithError("lhasa refused the stream");
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
BENCHMARK(BM_LhasaDecodeDrawing)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
