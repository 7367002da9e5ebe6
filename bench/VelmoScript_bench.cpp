// A scripted session of a thousand commands, as a draftsperson's session
// goes: lines with free and snapped points and typed lengths, pointer moves,
// zooms with the wheel, pans, fits and layer changes, run headless by
// velmo --script's runner in a 1600 x 1000 drawing area (the start of the
// window included, a fresh program folder).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "VelmoScript.h"

namespace {

namespace fs = std::filesystem;

std::string Session(int commands) {
  std::string s;
  int n = 0;
  auto add = [&](const std::string& line) {
    if (n++ < commands) s += line + "\n";
  };
  auto at = [](int x, int y) { return std::to_string(x) + "," + std::to_string(y); };
  for (int i = 0; n < commands; ++i) {
    const int x = 20000 + (i % 10) * 12000, y = 15000 + (i / 10 % 7) * 11000;
    add("op OpBtn_Line");
    for (int k = 0; k < 4; ++k) add("move " + at(x + k * 500, y + k * 300));
    add("click L " + at(x, y));
    for (int k = 0; k < 4; ++k) add("move " + at(x + k * 1500, y + 200));
    add("click L " + at(x + 6000, y));
    add("click R " + at(x + 6050, y + 40));
    add("sub 2");
    add("type \"30\"");
    add("key Enter");
    add("move " + at(x + 6000, y + 5000));
    add("click L " + at(x + 6000, y + 5000));
    add("key Esc");
    if (i % 3 == 0) {
      add("wheel 1 " + at(x, y) + " ctrl");
      add("wheel -1 " + at(x, y) + " ctrl");
    }
    if (i % 4 == 0) {
      add("press R " + at(x, y));
      add("move " + at(x + 2000, y + 1000));
      add("move " + at(x + 4000, y + 2000));
      add("release R " + at(x + 4000, y + 2000));
      add("fit");
    }
    if (i % 5 == 0) add("panel write 0 " + std::string(1, "0123456789ABCDEF"[i % 16]));
  }
  return s;
}

void BM_ScriptSession(benchmark::State& state) {
  const fs::path home = fs::temp_directory_path() / ("velmo-bench-script-" + std::to_string(::getpid()));
  ::setenv("VELMO_HOME", home.c_str(), 1);
  const std::string script = Session(static_cast<int>(state.range(0)));
  std::FILE* sink = std::fopen("/dev/null", "w");
  TScriptRun run;
  run.out = run.err = sink;
  for (auto _ : state)
    if (RunScriptText(script, "bench.vsc", run) != kScriptOk) state.SkipWithError("the script failed");
  std::fclose(sink);
  state.SetItemsProcessed(state.iterations() * state.range(0));
  std::error_code ec;
  fs::remove_all(home, ec);
}
BENCHMARK(BM_ScriptSession)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
