// The command line as a user runs it, each run a process of its own (the
// wall time includes GNU time's start, which reports the peak memory):
// velmo --convert and --render of drawings of 100 000 and a million lines,
// --print-pdf of 100 000
// (time, and peak memory per line cell over an empty drawing's), and the
// whole run of --render for an empty drawing. The velmo beside the
// benchmarks is run; without one these benchmarks say so and skip.
//
// Also in process: opening a drawing and the share of it spent in the
// reorder after loading, for lines of one pen (nothing to move) and of
// several.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "BenchStore.h"
#include "Velmo.h"
#include "files/fLoad_VLD.h"
#include "files/fSave_VLD.h"
#include "model/GC_DB.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

double Now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// A scratch folder for the drawings and pictures, removed at exit.
struct TScratch {
  fs::path dir = fs::temp_directory_path() / ("velmo-cli-bench-" + std::to_string(::getpid()));
  TScratch() { fs::create_directories(dir / "home"); }
  ~TScratch() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
};

const fs::path& Scratch() {
  static const TScratch scratch;
  return scratch.dir;
}

fs::path Velmo() {
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  return self.parent_path() / "velmo";
}

// A drawing of n lines (FillStore's, over an A3 sheet) saved once per size.
fs::path Drawing(int n) {
  static std::map<int, fs::path> made;
  if (auto it = made.find(n); it != made.end()) return it->second;
  const fs::path file = Scratch() / ("lines-" + std::to_string(n) + ".vld");
  FillStore(n, 0, 0);
  VldSave(file, false);
  VelmoReset();
  return made[n] = file;
}

struct TRun {
  int status = -1;
  long peakKb = 0;
  double seconds = 0;
};

// Runs velmo with these arguments in the scratch folder; its exit status,
// peak resident memory and wall time. GNU time starts it and reports its
// peak: a process this one started directly would count this one's memory,
// which it shared until it turned into velmo.
TRun Run(const std::vector<std::string>& args) {
  const std::string peakFile = (Scratch() / "peak.txt").string();
  std::vector<std::string> all{"/usr/bin/time", "-f", "%M", "-o", peakFile, Velmo().string()};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  const std::string home = "VELMO_HOME=" + (Scratch() / "home").string();
  std::vector<std::string> envs{home, "HOME=" + Scratch().string(), "LC_ALL=C.UTF-8"};
  std::vector<char*> envp;
  for (std::string& e : envs) envp.push_back(e.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  TRun r;
  const double start = Now();
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0) {
    int status = 0;
    rusage usage{};
    if (::wait4(pid, &status, 0, &usage) == pid) r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  r.seconds = Now() - start;
  if (std::FILE* f = std::fopen(peakFile.c_str(), "r")) {
    if (std::fscanf(f, "%ld", &r.peakKb) != 1) r.peakKb = 0;
    std::fclose(f);
  }
  posix_spawn_file_actions_destroy(&actions);
  return r;
}

bool HaveVelmo(benchmark::State& state) {
  if (!fs::exists(Velmo())) {
    state.SkipWithError("velmo is not built beside the benchmarks");
    return false;
  }
  if (!fs::exists("/usr/bin/time")) {
    state.SkipWithError("GNU time (/usr/bin/time) is not installed");
    return false;
  }
  return true;
}

// Peak memory of a run over the same run on an empty drawing, per cell.
void PeakPerCell(benchmark::State& state, const char* mode) {
  if (!HaveVelmo(state)) return;
  const int n = static_cast<int>(state.range(0));
  const fs::path in = Drawing(n), empty = Drawing(0);
  const std::string out = (Scratch() / (std::string("out-") + mode + (mode[2] == 'r' ? ".png" : ".vld"))).string();
  const TRun base = Run({mode, empty.string(), out});
  TRun r;
  for (auto _ : state) {
    r = Run({mode, in.string(), out});
    state.SetIterationTime(r.seconds);
  }
  if (r.status != 0 || base.status != 0) state.SkipWithError("velmo failed");
  state.counters["peak_MiB"] = static_cast<double>(r.peakKb) / 1024;
  state.counters["bytes_per_cell"] = static_cast<double>(r.peakKb - base.peakKb) * 1024 / n;
}

void BM_CliConvertPeak(benchmark::State& state) { PeakPerCell(state, "--convert"); }
BENCHMARK(BM_CliConvertPeak)->Arg(100'000)->Arg(1'000'000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_CliRenderPeak(benchmark::State& state) { PeakPerCell(state, "--render"); }
BENCHMARK(BM_CliRenderPeak)->Arg(100'000)->Arg(1'000'000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

// An empty drawing rendered: the whole process, start to PNG written.
void BM_CliRenderEmpty(benchmark::State& state) {
  if (!HaveVelmo(state)) return;
  const fs::path in = Drawing(0);
  const std::string out = (Scratch() / "empty.png").string();
  for (auto _ : state) {
    const TRun r = Run({"--render", in.string(), out});
    if (r.status != 0) state.SkipWithError("velmo failed");
    state.SetIterationTime(r.seconds);
  }
}
BENCHMARK(BM_CliRenderEmpty)->UseManualTime()->Unit(benchmark::kMillisecond);

// velmo --print-pdf of a drawing of 100 000 lines fitted to its page: the
// whole process, start to PDF written (600 dpi).
void BM_CliPrintPdf(benchmark::State& state) {
  if (!HaveVelmo(state)) return;
  const fs::path in = Drawing(static_cast<int>(state.range(0)));
  const std::string out = (Scratch() / "print.pdf").string();
  for (auto _ : state) {
    const TRun r = Run({"--print-pdf", in.string(), out});
    if (r.status != 0) state.SkipWithError("velmo failed");
    state.SetIterationTime(r.seconds);
  }
}
BENCHMARK(BM_CliPrintPdf)->Arg(100'000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

// Opening a drawing of n lines (reading it, then the reorder), and the
// reorder's share of that: lines of one pen (arg 1) are in order already;
// FillStore's ten pens (arg 0) are not.
void BM_OpenReorderShare(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const bool onePen = state.range(1) != 0;
  const fs::path file = Scratch() / ("open-" + std::to_string(n) + (onePen ? "-one" : "-mixed") + ".vld");
  VelmoReset();
  if (onePen) {
    for (int i = 0; i < n; ++i) GcellAddLine(0, 0x11, i % 1000 * 40.0, i / 1000 * 30.0, i % 1000 * 40.0 + 25, i / 1000 * 30.0 + 12);
  } else {
    FillStore(n, 0, 0);
  }
  VldSave(file, false);
  double open = 0, reorder = 0;
  for (auto _ : state) {
    state.PauseTiming();
    VelmoReset();
    state.ResumeTiming();
    // What opening does: read the cells, then put them in drawing order.
    const double t0 = Now();
    benchmark::DoNotOptimize(VldLoad(file, 0, 0));
    const double t1 = Now();
    GcellReorder();
    const double t2 = Now();
    open += t2 - t0;
    reorder += t2 - t1;
  }
  state.counters["reorder_share"] = reorder / open;
}
BENCHMARK(BM_OpenReorderShare)->Args({100'000, 1})->Args({1'000'000, 1})->Args({1'000'000, 0})->Unit(benchmark::kMillisecond);

}  // namespace
