#include "app/ApUndo.h"

#include "app/ApManager.h"
#include "app/ApMouse.h"
#include "app/GC_View.h"
#include "model/GC_DB.h"
#include "model/PVC.h"

namespace {

// True when the current window has an undo step to toggle.
bool HasStep() {
  const int w = StoreWindow();
  for (int i = 1, n = StoreUsed(); i <= n; ++i) {
    const TGcell& c = GcellRef(i);
    if (c.window == w && c.undo == 1 && c.kind != 0) return true;
  }
  return false;
}

}  // namespace

void UndoCommand() {
  CancelViewGesture();
  OpDispatch(OpBtn_None, EV_END, 0, 0);
  if (HasStep()) {
    GcellUndo();
    ++CurPVC().modified;
  }
  ViewRedraw(1);
  ShowDataCount();
  OpDispatch(OpBtn_None, EV_START, 0, 0);
}

void Btn_UndoClick() { UndoCommand(); }

void UNDO1Click() {
  OpDispatch(OpBtn_Dummy, EV_START, 0, 0);
  UndoCommand();
  IdleCheck();
}
