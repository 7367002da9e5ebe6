// The length measurement ("測定(長さ)", key Q): the angle, length and X/Y of
// each measured segment in real units, written into the read-only, widened
// entry box; a dragged range sums the numbers written in texts instead.
#pragma once

#include <string>

#include "model/GC_DB.h"
#include "ops/OpKit.h"

struct SokuteiLRun {
  int state = 0;  // 0 idle, 1 waiting, 2 measuring, 3 text range, 4 text selection
  TPointD a, b, c;  // the segments a–b and b–c
  TPointD from;     // the range's corner
  TFeedback segments, rubber;
};
struct SokuteiLOpState {
  SokuteiLRun run;
};
extern SokuteiLOpState g_sokuteiLOp;
void Op_SokuteiL_Reset();

void Op_SokuteiL(TGContext& view, int code, double x, double y);

// Real millimetres as the measurement writes them: four decimals without
// trailing zeros, metres ("ｍ") from a kilometre on.
std::string FormatLength(double mm);
// The sum of the numbers in the selected texts, into the entry box.
void SumNumbers();

// The entry box opened read-only and wide for results, and closed (its
// panel back to its width); shared by the measurements.
void OpenResultBox(int historyList);
void CloseResultBox();
