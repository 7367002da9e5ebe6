// The line operation: single lines (free, horizontal/vertical, of a typed
// length or angle, at an angle to a base line, to a typed relative end
// point), chains of lines with Shift, chains of double lines with rounded
// corners, and smooth curves made of short lines.
//
// Options live in the sub-menu captions (①..⑦) and are read back at every
// event. Feedback is drawn in XOR on the view (the kit's TFeedback sets).
// Every stored line (or chain segment, or curve) is one undo step.
#pragma once

#include <string>
#include <vector>

#include "app/ApManager.h"
#include "model/GC_DB.h"
#include "ops/OpKit.h"

enum class LineState {
  lsIdle,
  lsStart,
  lsEnd,
  lsBasePick,
  lsBaseEnd,
  lsMouseAngle,
  lsChainStart,
  lsChainNext,
  lsCurveStart,
  lsCurveNext,
};

// One segment of a double-line chain. The offset lines and the centre line
// are kept as drawn from the clicked points (untrimmed); the corner with the
// previous segment moves their starts, the corner with the next segment their
// ends. Corners are always rebuilt from the untrimmed lines.
struct TChainSegment {
  TGcell line[3];       // left, right, centre: untrimmed, S -> E
  TPointD start[3];     // where each line begins after the corner before it
  TPointD end[3];       // where each line ends after the corner after it
  bool startCut[3] = {};  // the corner before it used the whole line
  bool endCut[3] = {};
  bool hasArc[3] = {};  // corner arcs joining the previous segment
  TGcell arc[3];
};

// The most points a curve holds, the moving one included.
constexpr int kCurveMaxPoints = 100;

// What lasts across restarts of the operation: the options.
struct LineOptions {
  bool hv = false;           // ① horizontal/vertical lock
  std::string chainSpacing;  // ⑤ caption of the chains' spacing
  std::string chainRadius;   // ⑥ caption of the chains' corner radius
  bool centre = false;       // ⑦ chains draw their centre line too
};

// The data of one run, made afresh at EV_START.
struct LineRun {
  LineState state = LineState::lsIdle;
  LineState resume = LineState::lsIdle;  // after picking a base line or leaving the mouse angle

  // Single lines: the start point and the rubber cell (a line, or a point
  // while the pointer is at the start).
  TPointD start;
  TFeedback rubber;

  // Base line for angles: a copy of a line cell, or two picked points.
  bool baseSet = false;
  bool basePicked = false;  // from two picked points (else a copied cell)
  TGcell base;
  TFeedback baseShown;

  // Chain of double lines.
  bool hasPrev = false;  // a fixed segment waits for the corner after it
  TChainSegment prev, cur;
  TPointD lastClickPx;  // the last chain click, pixels
  TFeedback chainShown;

  // Curve: fixed points, then the moving point when there is one.
  std::vector<TPointD> curve;
  bool curveMoving = false;
  TCellRef marker;  // the temporary point at the first point (its slot moves when the store compacts)
  TFeedback curveShown;
};

struct LineOpState {
  LineOptions options;
  LineRun run;
};
extern LineOpState g_lineOp;
void Op_Line_Reset();

void Op_Line(TGContext& view, int code, double x, double y);

// The curve through the fixed points p (at least 3): each span cut into five,
// then smoothed; the points of the polyline to store.
std::vector<TPointD> SmoothCurve(const std::vector<TPointD>& p);
