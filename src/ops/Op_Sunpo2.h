// The oblique dimension ("斜め寸法線"): the true distance between two
// snapped points, its dimension line parallel to them, led out along
// extension lines turned to a multiple of 15 degrees; arrows outside when
// the points are close.
#pragma once

#include <vector>

#include "model/GC_DB.h"
#include "ops/OpKit.h"

enum class ObliqueState { Idle = 0, First = 1, Second = 2, Place = 3 };

struct Sunpo2Run {
  ObliqueState state = ObliqueState::Idle;
  TPointD p1, p2, p3;
  std::uint8_t layer = 0;  // the dimension's group/layer byte
  TFeedback preview;
};
struct Sunpo2OpState {
  Sunpo2Run run;
};
extern Sunpo2OpState g_sunpo2Op;
void Op_Sunpo2_Reset();

void Op_Sunpo2(TGContext& view, int code, double x, double y);

// The pieces of the oblique dimension of p1, p2 led out to p3 on the layer
// byte (its group's scales measure).
std::vector<TGcell> BuildOblique(TPointD p1, TPointD p2, TPointD p3, std::uint8_t layer);
