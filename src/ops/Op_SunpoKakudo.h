// The angle dimension ("角度寸法線"): the angle between two picked lines,
// inner or outer by the side the mouse is on, as an arc with arrows about
// their intersection and the angle's text along it, turned to read upright.
#pragma once

#include <vector>

#include "model/GC_DB.h"
#include "ops/OpKit.h"

enum class AngleState { Idle = 0, Line1 = 1, Line2 = 2, Place = 3 };

struct SunpoKakudoRun {
  AngleState state = AngleState::Idle;
  TGcell line1;             // the first line picked
  TPointD f1, f2, v;        // the feet on the two lines and their intersection
  double start = 0, end = 0, rho = 0;  // the span and the radius
  std::uint8_t layer = 0;
  TFeedback preview;
};
struct SunpoKakudoOpState {
  SunpoKakudoRun run;
};
extern SunpoKakudoOpState g_sunpoKakudoOp;
void Op_SunpoKakudo_Reset();

void Op_SunpoKakudo(TGContext& view, int code, double x, double y);

// The span and radius for the point m (the inner angle when m lies in it,
// else the outer one); then the pieces of the dimension.
void ComputeAngleSpan(TPointD m);
std::vector<TGcell> BuildAngle();
