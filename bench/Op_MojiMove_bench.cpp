// Aligning the 10 000 texts of a table of 100 × 100 cells (each 1000 × 500)
// to the left of their cells: the texts and the table's lines selected by a
// range, then aligned (the lines collected once).
#include <benchmark/benchmark.h>

#include "Velmo.h"
#include "app/GC_View.h"
#include "model/GC_DB.h"
#include "model/PVC.h"
#include "ops/Op_MojiMove.h"

namespace {

void Table() {
  VelmoReset();
  TPVC& p = CurPVC();
  p.basicScale = 100;
  p.textOffset = 1;
  for (int k = 0; k <= 100; ++k) {
    GcellAddLine(0, 0x11, k * 1000.0, 0, k * 1000.0, 50000);
    GcellAddLine(0, 0x11, 0, k * 500.0, 100000, k * 500.0);
  }
  for (int i = 0; i < 100; ++i)
    for (int j = 0; j < 100; ++j) GcellAddText(0, 1, 1, "ABC", 0, 0, i * 1000.0 + 300, j * 500.0 + 200);
  GcellCommit();
}

void BM_AlignTableTexts(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    Table();
    g_mojiMoveOp.options.horizontal = 1;
    g_mojiMoveOp.options.vertical = 0;
    state.ResumeTiming();
    SelectTextsInBox({-10, -10}, {100010, 50010});
    AlignTexts(CurrentView());
  }
  state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_AlignTableTexts)->Unit(benchmark::kMillisecond);

}  // namespace
