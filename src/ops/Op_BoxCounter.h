// The box counter ("矩形（Box）の集計...", the tools mode's): within a range,
// the rectangles of two given sizes formed by lines of the write pen are
// counted, and on request marked with a fill.
#pragma once

#include "kernel/Platform.h"
#include "model/GC_DB.h"
#include "ops/OpKit.h"

struct BoxCounterRun {
  int state = 0;  // 0 idle, 1 the first corner, 2 dragging
  TPointD from, to, pointer;
  TFeedback rubber;
  TCrosshair crosshair;
};
struct BoxCounterOpState {
  BoxCounterRun run;
  TBoxCounterForm form;  // the dialog's fields, kept for the program's life (and in VELMO.INI)
};
extern BoxCounterOpState g_boxCounterOp;
void Op_BoxCounter_Reset();

void Op_BoxCounter(TGContext& view, int code, double x, double y);

// Counts the boxes of the form's two sizes (drawing units) formed by
// write-pen lines in the range; the result labels say how many. With colour
// every box found gets a fill ("$A0A060,BOX", "$60A0A0,BOX") in one undo
// step; the fills of an earlier count go first.
void CountBoxes(TPointD a, TPointD b, bool colour);
