// The attribute change ("属性変更", key P): cells take the write pen, the
// current text size, the write group and layer. A left click changes a
// point, line, arc or circle (with Shift or Ctrl its chain); a right click
// re-colours a fill, re-chooses a picture's file, gives a text the current
// size or (with Alt) toggles its "~" face marker; ① a range filtered by the
// dialog "ペン変更", ② a range filtered by the write pen and text size.
// Every change replaces cells (deleted and appended) in one undo step.
#pragma once

#include "kernel/DialogForm.h"
#include "model/GC_DB.h"
#include "ops/OpKit.h"
#include "ops/OpRange.h"

enum class PenChangeState { Idle = 0, Pick = 1, RangeStart = 2, RangeEnd = 3, Adjust = 4 };

struct PenChangeRun {
  PenChangeState state = PenChangeState::Idle;
  bool penSpecMode = false;  // the range came from ② (filtered by the write pen and text size)
  TRangeScreen screen;
};
struct PenChangeOpState {
  TPenChangeForm form;  // the dialog's boxes, kept for the program's life
  PenChangeRun run;
};
extern PenChangeOpState g_penChangeOp;
void Op_PenChange_Reset();

void Op_PenChange(TGContext& view, int code, double x, double y);

// Whether a cell qualifies for a range of ① (the dialog's boxes) or of ②.
bool PenChangeDialogTakes(const TPenChangeForm& form, const TGcell& c);
bool PenChangePenTakes(const TGcell& c);
// The cell with the current attributes: for ② the write pen or the text
// size; for ① those the dialog's boxes choose.
TGcell PenChangeApply(const TPenChangeForm& form, bool penSpecMode, TGcell c);
