// Block copy and move (one operation for both palette buttons, told apart
// by the current button): a range selection is fixed, then a base point and
// a target; on the way the selection may be scaled (②), turned (③), kept to
// horizontal or vertical moves (①) and mirrored (key 8). Copies repeat at
// equal steps (① after a copy), align to a picked line (⑤ at the target),
// or mirror about a line (⑤ at the base, or a right click on a line before
// any range: element by element). Copy can cut out what lies in the range,
// lines clipped at its border; move can put the selection into the write
// group or onto the write layer instead. Every commit is one undo step.
#pragma once

#include <string>

#include "model/GContext.h"
#include "ops/OpKit.h"
#include "ops/OpRange.h"

enum class BlockState {
  Idle,
  RangeStart,
  RangeEnd,
  Adjust,
  BasePoint,
  TargetPoint,
  RepeatTarget,
  Repeat,
  AddStart,
  AddEnd,
  MirrorAxis,
  MirrorEach,
  DestLine,
  DestBase,
};

enum class BlockMode { Normal, CutOut, GroupMove, LayerMove };

// What lasts while the program runs: whether a range was selected (③前範囲
// recalls the cells that carry the last-selection mark) and its rectangle.
struct BlockOptions {
  bool hasPreviousRange = false;
  TGcell previousRect;
};

// The data of one run, made afresh at EV_START.
struct BlockRun {
  BlockState state = BlockState::Idle;
  BlockMode mode = BlockMode::Normal;
  TRangeFilters filters;
  TRangeScreen screen;
  // The parameters' captions (② scale, ③ angle): their only store.
  std::string scaleCaption = "②拡大率";
  std::string angleCaption = "③回転角";
  int direction = 0;  // ① 0 free, 1 horizontal, 2 vertical
  bool mirror = false;
  bool convertElevation = false;
  TPointD base, target;
  double angle = 0;  // the turn in use (③, or a destination line's direction)
  bool lineFlip = false;
  TGcell refLine;    // mirror axis or destination line
  TFeedback refShown;
  // The selected cells (in cut-out, their clipped pieces) and the range's
  // rectangle as the preview shows them before the transform.
  std::vector<TGcell> source;
  TFeedback preview;
  TPointD lastPointer;  // drawing units
  double stepX = 0, stepY = 0, stepAngle = 0;
  int copyCount = 0;
  int selectedCount = 0;
};

struct BlockOpState {
  BlockOptions options;
  BlockRun run;
};
extern BlockOpState g_blockOp;
void Op_BlockCopy_Reset();

void Op_BlockCopy(TGContext& view, int code, double x, double y);
