// The area measurement ("測定(面積)"): an outline of up to 100 clicked
// points, its area in mm², ㎡ and tsubo with its centroid, in the entry box;
// Enter marks the centroid with a point.
#pragma once

#include <array>
#include <string>

#include "model/GC_DB.h"
#include "ops/OpKit.h"

constexpr int kAreaSlots = 100;

struct SokuteiARun {
  int n = 0;  // slots in use, from 1; 0 when idle
  std::array<TPointD, kAreaSlots + 1> slot{};
  std::uint8_t layer = 0;  // whose group's scales measure
  TPointD centroid;        // drawing units
  TFeedback figure;
};
struct SokuteiAOpState {
  SokuteiARun run;
};
extern SokuteiAOpState g_sokuteiAOp;
void Op_SokuteiA_Reset();

void Op_SokuteiA(TGContext& view, int code, double x, double y);

// The area text of the outline slots 1..n (n > 3), and its centroid.
std::string AreaText();
