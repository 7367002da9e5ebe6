// The centre line ("中心線"): the line midway between two references (two
// points, two lines, or a line and a point), previewed across the view;
// two clicks projected onto it give the stored segment.
#pragma once

#include "model/GC_DB.h"
#include "ops/OpKit.h"

enum class CenterState { Idle = 0, Ref1 = 1, Ref2 = 2, Start = 3, End = 4 };

// A reference: a picked line (a copy, with the point it was picked at) or
// a snapped point; absent while kind is 0.
struct TCenterRef {
  int kind = 0;  // 0, GK_LINE or GK_POINT
  TGcell line;
  TPointD at;    // the pick point of a line, the point itself
};

struct CenterLineRun {
  CenterState state = CenterState::Idle;
  TCenterRef ref[2];
  TFeedback refShown[2];
  TPointD c;       // a point of the middle line
  double r = 0;    // its direction (radians)
  TPointD start;   // the stored segment's start
  TFeedback preview;
};
struct CenterLineOpState {
  CenterLineRun run;
};
extern CenterLineOpState g_centerLineOp;
void Op_CenterLine_Reset();

void Op_CenterLine(TGContext& view, int code, double x, double y);

// The middle line of two references as a point and a direction; false when
// they give none (two points at the same spot).
bool MiddleLine(const TCenterRef& a, const TCenterRef& b, TPointD& c, double& r);
// The point of the middle line (c, r) for m: its projection, or the line's
// far end beyond the view's left or right edge.
TPointD CenterProject(const TGContext& view, TPointD c, double r, TPointD m);
