// The circle operation: circles and ellipses by centre and a point of the
// curve, or by two ends of a diameter (①); of a typed size placed click
// after click (②); ellipses of a typed flatness and tilt (③); ellipses
// inscribed in or circumscribed about a rectangle (④); sine waves of lines
// in a rectangle (⑤). Every click that stores is one undo step.
#pragma once

#include <string>
#include <vector>

#include "model/GContext.h"
#include "ops/OpKit.h"

enum class CircleState { Idle, CirFirst, CirSecond, CirPlace, EllFirst, EllSecond, EllPlace, BoxStart, BoxEnd, SineStart, SineEnd };

// What lasts while the program runs.
struct CircleOptions {
  bool diameter = false;  // two points give a diameter
};

// The data of one run, made afresh at EV_START.
struct CircleRun {
  CircleState state = CircleState::Idle;
  bool circumscribed = true;  // the box ellipse passes through the corners
  TPointD first;
  std::string sizeCaption = "②径(mm)";
  std::string flatCaption = "③扁平率(%)";
  std::string tiltCaption = "④傾き(ﾟ)";
  std::string divisionsCaption = "①分割点数(/90ﾟ)=9";
  std::string cyclesCaption = "②サイクル=1";
  TFeedback preview;  // the circle or ellipse
  TFeedback box;      // the rectangle of the box ellipse and the sine wave
  TCrosshair cross;
  TPointD pointer;  // the last pointer position, drawing units
};

struct CircleOpState {
  CircleOptions options;
  CircleRun run;
};
extern CircleOpState g_circleOp;
void Op_Circle_Reset();

void Op_Circle(TGContext& view, int code, double x, double y);

// ---- The geometry, for tests and other operations -------------------------------

// The curve through point: with size (stored units, 0: none) a circle of
// that radius at point; else centred on first (or, as a diameter, between
// first and point) through point, with the flatness and tilt (radians)
// given. flatnessPercent 0 or 1 means a circle.
ArcParams ComputeCircle(TPointD first, TPointD point, bool diameter, double size, double flatnessPercent,
                        double tiltRad);
// The axis-parallel ellipse of the rectangle from a to b.
ArcParams BoxEllipse(TPointD a, TPointD b, bool circumscribed);
// The points of a sine wave in the rectangle from a to b: cycles full
// periods (0.1..100 pi), divisions points per quarter period (1..100).
std::vector<TPointD> SineWave(TPointD a, TPointD b, double cycles, double divisions);
