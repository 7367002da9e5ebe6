// The dimension operation: dimensions parallel to a picked line, chained
// point after point; arc-length dimensions along a picked arc or circle,
// chained round it; diameter (φ) and radius (R) dimensions of circles.
// Each dimension is stored as plain lines, arcs, points and one text, in
// one undo step.
#pragma once

#include <string>
#include <vector>

#include "model/GContext.h"
#include "ops/OpKit.h"

enum class DimState { Idle, DimRef, DimFirst, DimSecond, DimPlace, DimChain, CircleDim };

// The data of one run, made afresh at EV_START.
struct SunpoRun {
  DimState state = DimState::Idle;
  int circleMode = 0;  // ①: 0 arc length, 1 diameter, 2 radius
  TGcell ref;          // the reference line, arc or circle
  bool arc = false;    // the reference is an arc or circle
  double theta = 0;    // a line reference's direction
  TPointD spanA, spanB;           // the covered span of a linear chain
  double dirA = 0, dirB = 0;      // of an arc chain: covered directions, dirA <= dirB
  double dirNext = 0;             // the new direction
  TPointD next, linePoint;
  bool metres = false;
  bool chain = false;             // a chain has begun: the line position is kept
  double chainLine = 0;           // the line's offset (frame y) or radius of the chain
  std::vector<double> drawnExt;   // where extension lines were drawn (frame x, or directions)
  TFeedback preview;
  TFeedback refShown;
};

struct SunpoOpState {
  SunpoRun run;
};
extern SunpoOpState g_sunpoOp;
void Op_Sunpo_Reset();

void Op_Sunpo(TGContext& view, int code, double x, double y);
