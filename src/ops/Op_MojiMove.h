// The text move operation ("文字移動", key Z): a picked text follows the
// pointer as a box, locked along or across its direction if asked, turned
// to a typed or measured angle, and is placed by a click (a right pick so
// that it lands the text offset from the clicked point). Its alignment mode
// ("⑤文字寄せ") pushes every text in a range to the left, centre or right
// and the top, middle or bottom of the frame lines around it.
#pragma once

#include "model/GC_DB.h"
#include "ops/OpKit.h"

struct MojiMoveOptions {
  int vertical = 0;    // alignment: 0 none, 1 top, 2 middle, 3 bottom
  int horizontal = 0;  // alignment: 0 none, 1 left, 2 centre, 3 right
};

struct MojiMoveRun {
  int state = 0;  // 0 idle, 1 pick, 2 moving, 3/4 and 5/6 angle by two points, 31/32 alignment range
  TCellRef picked;
  TGcell pending;        // the text being moved, its angle as shown
  TPointD base, current; // where the move is measured from; the constrained pointer
  TPointD d;             // added to the current point (a right pick)
  TPointD pointer;       // the last pointer position
  TPointD from;          // the angle line's start, the range's corner
  TFeedback preview, rubber;
  TCrosshair crosshair;
};

struct MojiMoveOpState {
  MojiMoveOptions options;
  MojiMoveRun run;
};
extern MojiMoveOpState g_mojiMoveOp;
void Op_MojiMove_Reset();

void Op_MojiMove(TGContext& view, int code, double x, double y);

// Selects the lines and texts the range touches (drawn shown).
void SelectTextsInBox(TPointD a, TPointD b);
// Aligns every selected text in the frame of the selected lines around it;
// one undo step is the caller's.
void AlignTexts(TGContext& view);
