// Mouse input and view navigation in the drawing area.
//
// Presses, moves and releases become the event codes of the dispatcher
// (clicks within 44 pixels of their press) or one of the view gestures:
// - both buttons held: the zoom box, whose direction picks re-centre, zoom
//   to box, cancel, fit all or previous view; while it runs it is the
//   dispatcher's gesture filter and the operation sees nothing;
// - a right drag beyond 44 pixels pans (at double speed past 50 pixels with
//   RScrSpd);
// - a mostly vertical left drag (without Shift) zooms about the centre;
// - the wheel zooms about the pointer (with Ctrl, or always with WheelZm)
//   or scrolls (sideways with Shift).
// Drags repaint quickly (ViewRedraw(9)) and fully once they end.
//
// Every step that changes the view first keeps the view it replaces as the
// previous view (GC_View: ViewStorePrevious), which the zoom box's previous
// view class brings back.
//
// Also here: the pointer position and title on the status displays, and
// the switch between drawing windows 1 and 2.
#pragma once

#include <string>

#include "app/ApManager.h"

enum TDragMode : int { dmNone = 0, dmZoomBox = 1, dmPan = 2, dmDragZoom = 3 };

// The zoom box's classes (ZoomBoxAction).
enum : int { zbCentre = 0, zbFitAll = 1, zbPrevious = 2, zbCancel = 3, zbZoomBox = 4 };

constexpr int kPanStart = 44;        // pixels a right drag goes before it pans
constexpr int kDragZoomStart = 24;   // vertical pixels before a left drag zooms
constexpr int kZoomBoxTolerance = 6; // pixels: a zoom box this small re-centres
constexpr int kZoomBoxMark = 30;     // pixels: side of the gesture's square mark

struct MouseNavState {
  TDragMode DragMode = dmNone;
  int ZoomBoxAction = zbCentre;
  // Zoom box: start and current corner in drawing units; the mark on the
  // view, as drawn (its class and corners), so it can be erased exactly.
  TPointD boxStart, boxCur;
  bool markDrawn = false;
  int markClass = zbCentre;
  TPointD markStart, markCur;
  // Pan: the view when it began, the captured image (PanImage) and the
  // steps so far (odd steps show the image shifted, even ones redraw).
  TGContext panView;
  int panSteps = 0;
  // Drag zoom: the ordinate between enlarging and shrinking, the view when
  // it began.
  double dragZoomRef = 0;
  TGContext dragZoomView;
  // Options ("右(or左)ボタン移動を倍速にする。", "マウス、ｺﾛｺﾛを常に表示の
  // 拡大縮小とする。(2014.18)"), both on by default.
  bool RScrSpd = true;
  bool WheelZm = true;
  // The window switch: the window number the button's glyph shows, the
  // ticked item of the window menu and its captions (fname1, fname2).
  // Buttons (ssLeft, ssRight) still held when their gesture was cancelled:
  // their release is no click.
  unsigned cancelledButtons = 0;
  int Btn_ChangeGlyph = 1;
  int windowChecked = 1;
  std::string fname1, fname2;  // CP932
};
extern MouseNavState g_mouseNav;
// No gesture, options on, window 1 shown.
void ApMouse_Reset();

// The gesture filter while DragMode is dmZoomBox: every event comes here.
void ZoomBoxEvent(int code, double x, double y);

// A command that acts beside the dispatcher (undo, the window switch,
// choosing an operation, a menu command) while a view gesture runs: the
// gesture ends where it is, without acting (the zoom box's mark is erased,
// a drag is repainted in full), and the buttons still held are let go
// without a click. The operation then sees the command as it would without
// the gesture. Other keys (Esc, digits) still go to the gesture alone.
void CancelViewGesture();

// The wheel turned by delta (> 0 forward) with the pointer at (x, y) in the
// drawing area; shift: the shift-state bits (ssCtrl zooms).
void Wheel(int delta, unsigned shift, double x, double y);

// The pointer position again as a move (after the view changed), with the
// buttons still held and the last modifiers.
void ReplayMouseMove();

// pnMouse := the pointer position in drawing units, "%s : %s".
void ShowMousePos();
// One coordinate as ShowMousePos shows it: thousands separators and four
// decimals, then shortened by its last character while it is 8 or more
// characters long and still has its decimal point.
std::string MousePosText(double v);
// The window caption and lbFileName from the current window's number and
// file name.
void ShowTitle();

// Makes drawing window n (1 or 2) current: its settings become the working
// copy, its cells the store's, its view the view; the operation ends
// (block copy goes on, it copies between the windows); then it is redrawn.
void SwitchWindow(int n);
// The button Btn_Change: the other window.
void btnFigChangeClick();
// Opening the window menu: fname1 and fname2 show each window's file name.
void Window1Click();

// The view buttons (and the keys that stand for them): fit all (with Ctrl
// held pnMouse shows the milliseconds of its steps, "%d+%d+%d = %d"), zoom
// out and in by 2, and moves by a quarter of the view.
enum class TViewButton { BtnZM0, BtnZM1, BtnZM2, Btn_L, Btn_R, Btn_U, Btn_D };
void Btn_ViewClick(TViewButton b);
