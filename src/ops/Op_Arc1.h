// The arc operation: circular arcs by centre, start and a swept end; arcs
// through three points (①); the tangent from a point to a circle or ellipse
// (②); the common tangents of two circles, outer or crossed (③). Every
// stored arc or set of tangents is one undo step.
#pragma once

#include <vector>

#include "model/GC_DB.h"
#include "model/GContext.h"
#include "ops/OpKit.h"

enum class ArcState { Idle, ArcCentre, ArcStart, ArcEnd, ThreeFirst, ThreeSecond, ThreeThrough, TanPoint, TanCircle, TwoFirst, TwoSecond };

// What lasts while the program runs.
struct ArcOptions {
  bool crossed = false;  // two-circle tangents cross between the circles
};

// The data of one run, made afresh at EV_START.
struct ArcRun {
  ArcState state = ArcState::Idle;
  TPointD p1, p2;
  double start = 0, end = 0;  // the swept arc's angles
  TFeedback line;             // centre (or tangent start) to the pointer
  TFeedback arc;              // the arc being swept, or through three points
  TGcell picked;              // the first circle of two
  TFeedback pickedShown;
};

struct ArcOpState {
  ArcOptions options;
  ArcRun run;
};
extern ArcOpState g_arcOp;
void Op_Arc1_Reset();

void Op_Arc1(TGContext& view, int code, double x, double y);

// ---- The geometry, for tests and the brackets -------------------------------------

// The end angle following the pointer at p about centre c, continuing from
// previousEnd, at most a full turn from start either way.
double TrackEnd(TPointD c, TPointD p, double previousEnd, double start);
// The arc from p1 to p2 through p3 (flatness 1, tilt 0), or a LINE from p1
// to p2 when the three points are (nearly) on one line or coincide.
TGcell ArcThroughThree(TPointD p1, TPointD p2, TPointD p3);
// The point where the tangent from p touches the circle or ellipse (taken
// whole), on the side of click; false when p lies on or inside the curve.
bool TangentPoint(TPointD p, const ArcParams& curve, TPointD click, TPointD& at);
// The common tangents of two circles, outer or crossed, as lines; none when
// the circles leave no such tangent.
std::vector<TGcell> TwoCircleTangents(const ArcParams& a, const ArcParams& b, bool crossed);
