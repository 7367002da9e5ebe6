// The settings dialog's rescaling: 100 000 lines, half of them in group 1,
// whose scale goes from 1/100 to 1/50 (its cells doubled about their
// corner), and the basic scale changed (every cell scaled about the origin).
#include <benchmark/benchmark.h>

#include "Velmo.h"
#include "dialogs/Option.h"
#include "model/GC_DB.h"
#include "model/PVC.h"

namespace {

void Fill() {
  VelmoReset();
  TPVC& p = CurPVC();
  p.basicScale = 100;
  for (auto& g : p.groups) g.scaleX = g.scaleY = 100;
  for (int i = 0; i < 100000; ++i)
    GcellAddLine(static_cast<std::uint8_t>(i % 2 ? 0x10 : 0x00), 0x11, i % 1000 * 10.0, i / 1000 * 10.0,
                 i % 1000 * 10.0 + 8, i / 1000 * 10.0 + 3);
  GcellCommit();
}

void BM_RescaleGroup(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    Fill();
    TPVC old = CurPVC(), now = old;
    if (state.range(0) == 0)
      now.groups[1].scaleX = now.groups[1].scaleY = 50;
    else
      now.basicScale = 50;
    state.ResumeTiming();
    ApplySettingsChange(old, now);
  }
  state.SetItemsProcessed(state.iterations() * 100000);
  VelmoReset();
}
// 0: a group's scale; 1: the basic scale.
BENCHMARK(BM_RescaleGroup)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
