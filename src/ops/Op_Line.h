// The line operation: single lines (free, horizontal/vertical, of a typed
// length or angle, at an angle to a base line, to a typed relative end
// point), chains of lines with Shift, chains of double lines with rounded
// corners, and smooth curves made of short lines.
//
// Options live in the sub-menu captions (①..⑦) and are read back at every
// event. Feedback is drawn in XOR on the view and drawn again after a
// repaint. Every stored line (or chain segment, or curve) is one undo step.
#pragma once

#include <string>
#include <vector>

#include "app/ApManager.h"
#include "model/GC_DB.h"

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

struct LineOpState {
  LineState state = LineState::lsIdle;
  LineState resume = LineState::lsIdle;  // after picking a base line or leaving the mouse angle
  bool hv = false;                       // ① horizontal/vertical lock; kept across restarts

  // Single lines: the start point and the rubber cell.
  TPointD start;
  TGcell rubber;
  bool rubberShown = false;

  // Base line for angles: a copy of a line cell, or two picked points.
  bool baseSet = false;
  bool basePicked = false;  // from two picked points (else a copied cell)
  TGcell base;
  bool baseShown = false;

  // Chain of double lines.
  std::string chainSpacing;  // ⑤ caption, kept across restarts
  std::string chainRadius;   // ⑥ caption, kept
  bool centre = false;       // ⑦ draw the centre line too; kept
  bool hasPrev = false;  // a fixed segment waits for the corner after it
  TChainSegment prev, cur;
  TPointD lastClickPx;  // the last chain click, pixels
  std::vector<TGcell> chainShown;

  // Curve: fixed points, then the moving point when there is one.
  std::vector<TPointD> curve;
  bool curveMoving = false;
  TCellRef marker;  // the temporary point at the first point (its slot moves when the store compacts)
  std::vector<TGcell> curveShown;

  // The sub-menu button whose value the open entry box takes (0 = none).
  int entry = 0;
};
extern LineOpState g_lineOp;
void Op_Line_Reset();

void Op_Line(TGContext& view, int code, double x, double y);

// The curve through the fixed points p (at least 3): each span cut into five,
// then smoothed; the points of the polyline to store.
std::vector<TPointD> SmoothCurve(const std::vector<TPointD>& p);
