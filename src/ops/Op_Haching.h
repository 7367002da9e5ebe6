// Hatching and solid fills: a closed outline of clicked points (up to 99)
// or a picked circle (for the solid fill also an arc) is covered with hatch
// lines at +45 degrees, -45 degrees or both (the pattern panel's buttons 1
// to 3), the pitch typed as paper millimetres (②), or filled solid in a
// colour from the colour dialog (button 4). "①前範囲" offers the last outline
// again. Each commit is one undo step.
#pragma once

#include <vector>

#include "model/GC_DB.h"
#include "model/GContext.h"
#include "ops/OpKit.h"

// Scan lines beyond this many make a pitch too fine for the outline: refused.
constexpr long long kMaxHatchLines = 100'000;

// What lasts while the program runs: the last outline hatched.
struct HatchOptions {
  std::vector<TPointD> saved;  // its fixed points
};

// The data of one run, made afresh at EV_START.
struct HatchRun {
  bool active = false;
  std::vector<TPointD> points;  // the fixed outline points
  TPointD trailing;             // the point that follows the pointer (closing once three are fixed)
  bool started = false;         // a first point was given
  TFeedback outline;
};

struct HatchOpState {
  HatchOptions options;
  HatchRun run;
};
extern HatchOpState g_hatchOp;
void Op_Haching_Reset();

void Op_Haching(TGContext& view, int code, double x, double y);

// ---- The hatch lines (stored units) ----------------------------------------------

// The hatch segments of the closed polygon: scan lines in direction angle,
// pitch apart perpendicular to it (its magnitude), starting one pitch above
// the outline's lowest point less one unit; each paired off between its
// crossings with the outline. False (nothing) when the pitch would make
// more than kMaxHatchLines scan lines, or is 0.
bool HatchPolygon(const std::vector<TPointD>& polygon, double pitch, double angle, std::vector<TLineGeom>& out);
// The hatch chords of a circle or ellipse: pitch apart (at least 1 unit),
// symmetric about the centre and none through it, each ending on the curve.
bool HatchCurve(const ArcParams& curve, double pitch, double angle, std::vector<TLineGeom>& out);
