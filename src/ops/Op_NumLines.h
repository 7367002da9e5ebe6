// The number-table polyline ("数値表で直線列作図"): up to 30 points typed in
// the dialog "連続直線の作成" (metres or millimetres, X and Y absolute or
// relative), placed at every click as one undo step each.
#pragma once

#include <vector>

#include "kernel/DialogForm.h"
#include "model/GC_DB.h"
#include "ops/OpKit.h"

struct NumLinesOpState {
  TNumLinesForm form;  // kept for the program's life
  int state = 0;       // 0 idle, 1 placing
  TPointD base;
  TFeedback preview;
};
extern NumLinesOpState g_numLinesOp;
void Op_NumLines_Reset();

void Op_NumLines(TGContext& view, int code, double x, double y);

// The polyline's points from base (drawing units): the first is the base,
// then one per row of the table.
std::vector<TPointD> ComputePolyline(const TNumLinesForm& form, TPointD base);
