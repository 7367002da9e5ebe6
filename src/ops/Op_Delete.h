// The delete operation: one cell under the pointer (with Shift or Ctrl its
// chain of touching lines and arcs), every cell in a range (filtered by pen
// or text size, refined by excluding and adding), or everything outside a
// range; the range can instead go to the duplicate cleanup, or be copied to
// the clipboard. Each confirmed deletion is one undo step.
#pragma once

#include "model/GContext.h"
#include "ops/OpRange.h"

enum class DeleteState { Idle, Pick, RangeStart, RangeEnd, Adjust, AddStart, AddEnd };

// The data of one run, made afresh at EV_START. The operation keeps no
// options across runs.
struct DeleteRun {
  DeleteState state = DeleteState::Idle;
  bool cleanup = false;      // the range goes to the duplicate cleanup
  TRangeFilters filters;     // ① pen and line type, ② text size
  TRangeScreen screen;       // crosshair and rectangle
};

struct DeleteOpState {
  DeleteRun run;
};
extern DeleteOpState g_deleteOp;
void Op_Delete_Reset();

void Op_Delete(TGContext& view, int code, double x, double y);

// Merges the duplicates among the selected cells of the current window (at
// least two), with the progress panel, then ends the selection, puts the
// store in drawing order and tells the counts: "完了： 2 ---> 1 (50.0%)".
// The caller commits the step before and redraws after.
void DuplicateCleanup();
