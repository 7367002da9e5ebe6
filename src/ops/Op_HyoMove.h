// The table frame move ("表枠の移動"): a table of lines and texts selected
// as a range, one of its horizontal or vertical border lines picked and
// dragged; what lies beyond the border moves with it and lines crossing it
// stretch. The table stays selected for the next border. While dragging,
// the saved view image with the table dimmed and its moved copy is shown,
// redrawn 50 to 100 ms apart by a timer.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "model/GC_DB.h"
#include "ops/OpKit.h"
#include "ops/OpRange.h"

class RasterCanvas;

enum class TableState { Idle = 0, RangeStart = 1, RangeEnd = 2, Adjust = 3, PickBorder = 4, Move = 5 };

struct HyoMoveRun {
  TableState state = TableState::Idle;
  TRangeScreen screen;
  std::vector<int> cells;  // the table: its cells' slots, rebuilt from the selection after each commit
  int border = 0;          // the border line under the pointer
  bool vertical = false;   // a vertical border moves along x
  TPointD borderStart, moveTo;
  // The preview: the view as it was when the border was picked, the frame
  // composed over it, and the spacing of the frames.
  std::shared_ptr<RasterCanvas> saved, frame;
  bool previewShown = false;
  double lastFrame = -1e18, nextFrame = 0;
  int timer = 0;
};
struct HyoMoveOpState {
  bool hasPrevious = false;  // a table was selected before: ①前範囲
  // Milliseconds of a steady clock (null: the system's); tests set their own.
  std::function<double()> clock;
  HyoMoveRun run;
};
extern HyoMoveOpState g_hyoMoveOp;
void Op_HyoMove_Reset();

void Op_HyoMove(TGContext& view, int code, double x, double y);

// The cell as the move of the border (through b, vertical or not) by d
// along its axis leaves it, tolerance t; false when it stays as it is.
bool AdjustTableCell(TGcell& c, TPointD b, bool vertical, double d, double t);
