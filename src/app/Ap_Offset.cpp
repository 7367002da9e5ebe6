#include "app/Ap_Offset.h"

#include <cmath>

#include "app/Ap_Unit1.h"
#include "app/GC_PointSearch.h"
#include "kernel/Z_Basic.h"
#include "model/ComHst.h"

OffsetState g_offset;

namespace {

bool ShiftHeld() { return (g_manager.shiftAtClick & ssShift) || g_manager.shiftHeld; }

// The drawing point of a press position, and the press position that reads
// as a drawing point in the view as it is now (G_ToWorld reads a pixel a
// tenth of a pixel in from its corner, so that tenth is taken off).
void PressToWorld(const TPointD& p, double& x, double& y) { G_ToWorld(CurrentView(), p.x, p.y, x, y); }
TPointD WorldToPress(double x, double y) {
  TPointD p;
  G_ToPixel(CurrentView(), x, y, p.x, p.y);
  p.x -= 0.1;
  p.y -= 0.1;
  return p;
}

void Intercept(int tag, double x, double y) {
  g_offset.x = x;
  g_offset.y = y;
  g_form1.PvMojiNo.visible = false;
  g_form1.PvMoji.visible = false;
  EntryOpen(tag, "オフセット(X,Y)", HistoryList(HstList::Offset));
  g_form1.drawCursor = CursorShape::Help;
  Form1Changed();
}

// An offset that overflowed counts as none: it would carry the click off to
// infinity and into the cells drawn from it.
double Finite(double v) { return std::isfinite(v) ? v : 0; }

// Closes the open entry, Enter taking the typed offset and Esc none, and
// gives back the entry's tag.
int CloseEntry(bool enter) {
  TPVC& pvc = CurPVC();
  pvc.offsetDx = pvc.offsetDy = 0;
  if (enter) {
    const std::string text = ToHalfWidth(g_form1.edCommon.text, false);
    pvc.offsetDx = Finite(RealToUnitsX(pvc, kWriteLayerCode, EvalField(text, 1)));
    pvc.offsetDy = Finite(RealToUnitsY(pvc, kWriteLayerCode, EvalField(text, 2)));
  }
  EntryClose();
  // The panels the entry hid.
  const TOpButton op = CurOpButton();
  if (op == OpBtn_Moji) {
    g_form1.PvMojiNo.visible = true;
    g_form1.PvMoji.visible = true;
  } else {
    if (op == OpBtn_Sunpo || op == OpBtn_Sunpo2) g_form1.PvMojiNo.visible = true;
    g_form1.PvBtns.visible = true;
  }
  if (pvc.offsetMode == OFFSET_ONCE) pvc.offsetMode = OFFSET_OFF;
  const int tag = g_form1.edCommon.tag;
  g_form1.edCommon.tag = 0;
  g_form1.drawCursor = CursorShape::Default;
  OffsetModeShow();
  return tag;
}

}  // namespace

void Ap_Offset_Reset() { g_offset = OffsetState{}; }


void SetOffsetAllow(bool left, bool right) {
  TPVC& pvc = CurPVC();
  pvc.offsetLeft = left;
  pvc.offsetRight = right;
  OffsetModeShow();
}

bool OffsetEntryOpen() { return g_form1.edCommon.tag < 0 && EntryIsOpen(); }

bool OffsetCheck(int& code) {
  if (OffsetEntryOpen()) {
    g_form1.drawCursor = CursorShape::Help;
    Form1Changed();
    // Digits typed into the box are not the operation's sub-menu presses.
    if (code >= EV_DIGIT0 && code <= EV_DIGIT9) code = EV_NONE;
    return true;
  }
  const TPVC& pvc = CurPVC();
  if (pvc.offsetMode == OFFSET_OFF || ShiftHeld()) return false;
  double x = 0, y = 0;
  if (code == EV_LCLICK && pvc.offsetLeft) {
    PressToWorld(g_manager.leftPressPos, x, y);
    // In text input a click on a text picks it for editing.
    if (CurOpButton() == OpBtn_Moji && PickText(false, x, y) != 0) return false;
    Intercept(kOffsetTagLeft, x, y);
    return true;
  }
  if (code == EV_RCLICK && pvc.offsetRight) {
    PressToWorld(g_manager.rightPressPos, x, y);
    // A snap that finds nothing is the operation's to report.
    if (!SnapPoint(CurrentView(), x, y)) return false;
    Intercept(kOffsetTagRight, x, y);
    return true;
  }
  return false;
}

void OffsetFinish(int& code, double& x, double& y) {
  if (!OffsetEntryOpen()) return;
  if (code != EV_ENTER && code != EV_ESC) {
    code = EV_NONE;  // the intercepted click, or another while the offset is typed
    return;
  }
  const int tag = CloseEntry(code == EV_ENTER);
  const TPointD p = WorldToPress(g_offset.x, g_offset.y);
  if (tag == kOffsetTagRight) {
    g_manager.rightPressPos = p;
    code = EV_RCLICK;
  } else {
    g_manager.leftPressPos = p;
    code = EV_LCLICK;
  }
  x = p.x;
  y = p.y;
}

void OffsetOperationChanged() {
  TPVC& pvc = CurPVC();
  pvc.offsetLeft = pvc.offsetRight = false;
  if (OffsetEntryOpen()) CloseEntry(false);
  OffsetModeShow();
}

void OffsetClearPending() {
  TPVC& pvc = CurPVC();
  pvc.offsetDx = pvc.offsetDy = 0;
}

void OffsetModeClick() {
  TPVC& pvc = CurPVC();
  pvc.offsetMode = pvc.offsetMode == OFFSET_OFF    ? OFFSET_ONCE
                   : pvc.offsetMode == OFFSET_ONCE ? OFFSET_ALWAYS
                                                   : OFFSET_OFF;
  OffsetModeShow();
}

void OffsetModeShow() {
  const TPVC& pvc = CurPVC();
  TControl& panel = g_form1.OffsetMode;
  panel.color = pvc.offsetMode == OFFSET_ONCE     ? clOffsetOnce
                : pvc.offsetMode == OFFSET_ALWAYS ? clOffsetAlways
                                                  : clOffsetOff;
  panel.visible = pvc.offsetLeft || pvc.offsetRight;
  Form1Changed();
}
