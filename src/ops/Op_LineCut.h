// The line cut operation: the run of one line, arc or circle between two
// points taken out (two equal points split a line or arc in two); and, in
// its area mode (①), the parts of every straight line inside a polygon, an
// axis-parallel rectangle (two points) or a picked circle taken out, the
// lines refined by clicks before the cut, optionally only lines of the
// write pen (②); "①前範囲" repeats the last area. Each cut is one undo step.
#pragma once

#include <vector>

#include "model/GC_DB.h"
#include "model/GContext.h"
#include "ops/OpKit.h"

enum class CutState { Idle, CutPick, CutFirst, CutSecond, AreaPoints, AreaAdjust };

// An area to cut by: a closed polygon (two points: the rectangle they span),
// or a circle.
struct TCutArea {
  std::vector<TPointD> points;
  bool isCircle = false;
  TPointD centre;
  double radius = 0;
};

// What lasts while the program runs.
struct LineCutOptions {
  bool penFilter = false;  // ② only lines of the write pen and line type
  bool hasPrevious = false;
  TCutArea previous;
};

// The data of one run, made afresh at EV_START.
struct LineCutRun {
  CutState state = CutState::Idle;
  TCellRef cell;      // the line, arc or circle being cut
  TPointD pickPoint;  // where it was picked: a circle loses the run there
  TFeedback cellShown;
  TPointD first;
  TFeedback marker;
  std::vector<TPointD> points;
  TCutArea area;  // while adjusting
  TFeedback outline;
};

struct LineCutOpState {
  LineCutOptions options;
  LineCutRun run;
};
extern LineCutOpState g_lineCutOp;
void Op_LineCut_Reset();

void Op_LineCut(TGContext& view, int code, double x, double y);

// ---- The geometry (stored units) ----------------------------------------------

// The pieces left of a line, arc or circle when the run between p1 and p2
// goes. A line keeps what lies before the nearer and after the farther
// point; an arc what lies outside the two points along it; a circle loses
// the run between them that holds pick (a circle given one point twice
// stays whole). Pieces no longer than tol are dropped; angles take tol over
// the radius.
std::vector<TGcell> CutTwoPoints(const TGcell& cell, TPointD p1, TPointD p2, TPointD pick, double tol);

// The area as the cut takes it: two points become their rectangle.
TCutArea AreaOf(std::vector<TPointD> points);
// Whether a line is taken by the area: an end inside or a side crossed (a
// line running along a side is not).
bool AreaTakes(const TCutArea& area, const TGcell& line, double tol);
// The line's pieces outside the area; false when it stays as it is.
bool CutByArea(const TCutArea& area, const TGcell& line, double tol, std::vector<TGcell>& pieces);
