// The drawing the repaint benchmarks share: lines (a third of them exactly
// horizontal, a third vertical), arcs and circles, and texts, spread over
// an A3 sheet at 1:100 (0..42000 x 0..29700) in a fresh program.
#pragma once

void FillStore(int lines, int arcs, int texts);
