// The stretch operation: one end of a line or arc moved by a typed offset
// (①), to a typed length (②) or to a point; lines and arcs extended or
// trimmed to a boundary line, arc or circle (with Shift, dragged across many
// at once: one undo step), the boundary line itself cut; a corner of a
// filled quadrilateral moved; and the window stretch (③): every selected
// cell with a point in a rectangle is stretched along a picked line's
// direction, line ends and fill corners inside the rectangle moving, other
// cells moving whole. Typed lengths are real millimetres of the write group.
#pragma once

#include <string>
#include <vector>

#include "model/GC_DB.h"
#include "model/GContext.h"
#include "ops/OpKit.h"
#include "ops/OpRange.h"

enum class StretchState {
  Idle,
  StrPick,
  StrPoint,
  Boundary,
  FillCorner,
  FillTarget,
  WinStart,
  WinEnd,
  WinAdjust,
  WinDirection,
  WinBase,
  WinTarget,
};

// What lasts while the program runs: ① and ② as typed, so that an undo or
// another operation in between does not lose them. "①ｵﾌｾｯﾄ=10" carries an
// offset of 10 real millimetres; at most one of them carries a value.
struct StretchOptions {
  std::string offsetCaption = "①ｵﾌｾｯﾄ", lengthCaption = "②長さ";
};

// The data of one run, made afresh at EV_START.
struct StretchRun {
  StretchState state = StretchState::Idle;
  TCellRef target;       // the line or arc being stretched to a point
  TPointD clickPoint;    // where it was picked
  TGcell boundary;       // the boundary's geometry
  TCellRef boundaryRef;  // the boundary's cell, when it is one
  TFeedback boundaryShown;
  std::vector<TCellRef> dragList;  // cells stretched in the current drag
  bool dragCommitted = false;
  TCellRef fill;  // the filled quadrilateral whose corner moves
  int corner = 0;
  TFeedback fillShown;
  TFeedback marker;  // where the boundary was cut
  TRangeScreen screen;
  double direction = 0;
  TPointD base, goal;
  TFeedback preview;
};

struct StretchOpState {
  StretchOptions options;
  StretchRun run;
};
extern StretchOpState g_stretchOp;
void Op_LineStretch_Reset();

void Op_LineStretch(TGContext& view, int code, double x, double y);

// ---- The geometry (stored units; lengths real millimetres) ------------------

// The line with its end nearer to click moved by offset real millimetres
// along its direction (negative: shorter), or, when length is not 0, placed
// length from the other end. Directions and lengths are taken in real space
// (f: real millimetres per unit along x and y).
TGcell StretchLineEnd(const TGcell& line, TPointD click, double offset, double length, TScaleFactors f);
// The line's end nearer to click moved to the foot of p on the line, then
// offset further; the arc's end nearer to click turned to p's direction. An
// arc whose ends meet becomes a circle.
TGcell StretchToPoint(const TGcell& cell, TPointD click, TPointD p, double offset, TScaleFactors f);
// A line or arc extended or trimmed to the boundary (a line, arc or circle);
// the part on click's side stays. False when they do not meet.
bool StretchToBoundary(const TGcell& cell, const TGcell& boundary, TPointD click, double offset, TScaleFactors f,
                       TGcell& out);
// The window stretch of one cell by d with the window [lo, hi].
TGcell WindowStretch(const TGcell& cell, TPointD d, TPointD lo, TPointD hi);
