// Offset entry: with the offset mode on, a click that the current operation
// lets take an offset opens the entry box "オフセット(X,Y)" instead of reaching
// the operation. The two lengths typed there are real lengths at the write
// group's scale; on Enter the click is delivered displaced by them (Esc
// delivers it as it was). The operation adds the pending offset to the point
// it takes from the delivered click.
//
// The mode, the permissions and the pending offset live in the drawing
// settings (CurPVC().offsetMode, offsetLeft/Right, offsetDx/Dy). The
// dispatcher consults this unit as its click interceptor through the hooks
// of g_wiring, which the assembly points at the functions below.
#pragma once

#include "app/ApManager.h"
#include "model/PVC.h"

// edCommon.tag while an offset entry is open, for a left and a right click.
constexpr int kOffsetTagLeft = -1, kOffsetTagRight = -2;

struct OffsetState {
  // The intercepted click's point in drawing units (a right click already
  // snapped), so that zooming or panning while the offset is typed does not
  // move it. Valid while an offset entry is open.
  double x = 0, y = 0;
};
extern OffsetState g_offset;
void Ap_Offset_Reset();

// --- for operations
// Whether the next left (free) and right (snapped) click may take an offset.
// Called after each state change of an operation; the permissions are
// cleared when an operation starts or is switched.
void SetOffsetAllow(bool left, bool right);
// The pending displacement of the click being delivered, stored units; zero
// at any other time.
inline double OffsetDx() { return CurPVC().offsetDx; }
inline double OffsetDy() { return CurPVC().offsetDy; }
// Adds the pending displacement to a point taken from a delivered click.
inline void AddOffset(double& x, double& y) {
  x += OffsetDx();
  y += OffsetDy();
}

// --- the dispatcher's side
// True while an offset entry is open.
bool OffsetEntryOpen();
// Whether the offset entry claims the event; may intercept a click (opening
// the entry) and consumes digit codes (set to 0) while the entry is open,
// since those are being typed into the box.
bool OffsetCheck(int& code);
// A claimed Enter or Esc completes the open entry and becomes the replayed
// click (code, x, y: pixels of the intercepted point in the view as it is
// now); a claimed click is consumed (code 0).
void OffsetFinish(int& code, double& x, double& y);
// Another operation is chosen: no permissions, and an open entry is
// cancelled as by Esc, without replaying the click.
void OffsetOperationChanged();
// After each routed event: no pending displacement.
void OffsetClearPending();

// --- the panel OffsetMode
// A click on it steps the mode off -> once -> always -> off.
void OffsetModeClick();
// Colours the panel by the current mode and shows it while an offset is
// allowed for either click.
void OffsetModeShow();
