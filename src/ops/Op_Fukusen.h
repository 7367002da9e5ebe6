// The parallel-line operation ("複線", key F): copies of a picked line at a
// typed or mouse-following distance, concentric copies of an arc or
// circle, and fan lines from the centre of a reference circle or arc spaced
// by degrees, an arc length ("+") or a chord ("-"). A count gives several
// copies at once (they divide the spacing), or follows the mouse ("②本数=
// マウス": one spacing each); "④端点指示" gives the copies new ends on the
// source line. Distances are real millimetres of the write group.
#pragma once

#include <vector>

#include "model/GC_DB.h"
#include "ops/OpKit.h"

enum class ParallelState { Idle = 0, Source = 1, FanCircle = 2, FanBase = 3, Place = 4, EndFirst = 5, EndSecond = 6 };

struct FukusenRun {
  ParallelState state = ParallelState::Idle;
  bool fan = false;
  bool hasSource = false;
  TGcell source, backup;  // the source (in fan mode the line from the centre to the base point)
  bool hasRef = false;
  TGcell ref;              // the fan's reference circle or arc
  double fanStart = 0, fanRadius = 0, fanLastAngle = 0;
  TPointD mouse;
  TFeedback preview, refShown;
};

struct FukusenOpState {
  FukusenRun run;
};
extern FukusenOpState g_fukusenOp;
void Op_Fukusen_Reset();

void Op_Fukusen(TGContext& view, int code, double x, double y);

// The copies at the point m (fan angle a) as the captions say: the source
// copied 1..n times. Copies of a circle or arc that would have no radius
// left are not made.
std::vector<TGcell> ParallelCopies(TPointD m, double a);
