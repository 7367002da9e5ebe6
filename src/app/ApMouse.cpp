#include "app/ApMouse.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "app/Ap_Unit1.h"
#include "app/GC_View.h"
#include "kernel/SjisConv.h"
#include "kernel/Wiring.h"
#include "kernel/Z_Basic.h"
#include "model/GC_DB.h"
#include "model/PVC.h"
#include "render/ApPenSet.h"
#include "render/Z_Graph.h"

MouseNavState g_mouseNav;

void ApMouse_Reset() { g_mouseNav = MouseNavState{}; }

namespace {

constexpr double kMinBoxSide = 1e-4;  // drawing units

bool Near(const TPointD& press, double x, double y) {
  return std::fabs(x - press.x) < kClickRange && std::fabs(y - press.y) < kClickRange;
}

TPointD World(double px, double py) {
  TPointD p;
  G_ToWorld(CurrentView(), px, py, p.x, p.y);
  return p;
}

bool HasWindow(const TGContext& v) { return v.canvas && v.wx1 != v.wx2 && v.wy1 != v.wy2; }

// The view's window moved by (dx, dy) drawing units and scaled by f about
// the point (fx, fy). Sides that rounding brings together (far from the
// origin) leave the view as it is: such a window would reset the device.
void SetWindowFrom(const TGContext& v, double dx, double dy, double f, double fx, double fy) {
  const double x1 = fx + (v.wx1 - fx) * f + dx, y1 = fy + (v.wy1 - fy) * f + dy;
  const double x2 = fx + (v.wx2 - fx) * f + dx, y2 = fy + (v.wy2 - fy) * f + dy;
  if (x1 == x2 || y1 == y2) return;
  G_SetWindow(CurrentView(), x1, y1, x2, y2);
}


// ---- the zoom box

int ZoomBoxClass(const TPointD& s, const TPointD& c) {
  const double t = kZoomBoxTolerance * G_PixelSize(CurrentView());
  if (std::fabs(s.x - c.x) < t && std::fabs(s.y - c.y) < t) return zbCentre;
  if (c.y <= s.y) return s.x <= c.x ? zbZoomBox : zbCancel;
  return c.x > s.x + t ? zbFitAll : zbPrevious;
}

// The gesture's mark in XOR; drawing it again erases it.
void XorMark(int cls, const TPointD& s, const TPointD& c) {
  if (cls == zbCentre) return;
  TGContext g = CurrentView();
  if (!g.canvas) return;
  G_PenMode(g, TPenMode::Xor);
  G_Pattern(g, std::string(32, '@'));
  G_PenWidth(g, 1);
  G_PenColor(g, XorColour(g));
  if (cls == zbZoomBox) {
    G_Box(g, s.x, s.y, c.x, c.y);
  } else {
    // A square at the start corner towards the gesture: up-right, up-left
    // or down-left.
    const double d = kZoomBoxMark * G_PixelSize(g);
    const double ex = s.x + (cls == zbFitAll ? d : -d), ey = s.y + (cls == zbCancel ? -d : d);
    G_Box(g, s.x, s.y, ex, ey);
    G_Line(g, s.x, s.y, ex, ey);
    if (cls == zbFitAll) G_Line(g, s.x, ey, ex, s.y);
  }
  G_PenMode(g, TPenMode::Copy);
}

void DrawMark() {
  MouseNavState& m = g_mouseNav;
  m.ZoomBoxAction = ZoomBoxClass(m.boxStart, m.boxCur);
  m.markClass = m.ZoomBoxAction;
  m.markStart = m.boxStart;
  m.markCur = m.boxCur;
  XorMark(m.markClass, m.markStart, m.markCur);
  m.markDrawn = true;
}

void EraseMark() {
  MouseNavState& m = g_mouseNav;
  if (m.markDrawn) XorMark(m.markClass, m.markStart, m.markCur);
  m.markDrawn = false;
}

void ConfinePointer(bool on) {
  if (g_form1.pointerConfined == on) return;
  g_form1.pointerConfined = on;
  Form1Changed();
}

void EndZoomBox() {
  g_mouseNav.DragMode = dmNone;
  g_manager.gestureFilter = nullptr;
  ConfinePointer(false);
}

void ZoomBoxAct(int cls) {
  MouseNavState& m = g_mouseNav;
  TGContext& view = CurrentView();
  const TPointD s = m.boxStart, c = m.boxCur;
  switch (cls) {
    case zbCentre: {
      ViewStorePrevious();
      const TGContext v = view;
      SetWindowFrom(v, c.x - v.wcx, c.y - v.wcy, 1, 0, 0);
      break;
    }
    case zbZoomBox: {
      if (std::fabs(s.x - c.x) > kMinBoxSide && std::fabs(s.y - c.y) > kMinBoxSide) {
        ViewStorePrevious();
        G_SetWindow(view, std::min(s.x, c.x), std::min(s.y, c.y), std::max(s.x, c.x), std::max(s.y, c.y));
      }
      break;
    }
    case zbFitAll: ViewFitAllStep(); break;
    case zbPrevious: ViewExchangePrevious(); break;
    default: break;  // zbCancel
  }
}

void StartZoomBox() {
  g_mouseNav.DragMode = dmZoomBox;
  g_manager.gestureFilter = ZoomBoxEvent;
}

// ---- pan and drag zoom

void PanStep(double x, double y) {
  MouseNavState& m = g_mouseNav;
  double dx = x - g_manager.rightPressPos.x, dy = y - g_manager.rightPressPos.y;
  const double d = std::hypot(dx, dy);
  if (m.RScrSpd && d >= 50) {
    const double k = ((d - 50) * 2 + 50) / d;
    dx *= k;
    dy *= k;
  }
  const TGContext& v = m.panView;
  const double ps = G_PixelSize(v);
  SetWindowFrom(v, -dx * ps, dy * ps, 1, 0, 0);
  if (++m.panSteps % 2 == 1) {
    // The image the pan found, shifted with the pointer.
    RasterCanvas& b = ViewBuffer();
    const RasterCanvas& img = g_viewBuffer.captured;
    const int sx = static_cast<int>(std::lround(dx)), sy = static_cast<int>(std::lround(dy));
    b.SetBrushColor(BackgroundColor());
    b.SetBrushStyle(TBrushStyle::Solid);
    b.FillRect(b.ClipRect());
    ++g_viewBuffer.wipes;
    const TPixelRect dst = IntersectRect({sx, sy, sx + img.Width(), sy + img.Height()}, b.ClipRect());
    if (!dst.Empty())
      b.CopyRect(dst, img, {dst.left - sx, dst.top - sy, dst.right - sx, dst.bottom - sy});
  } else {
    ViewRedraw(9);
  }
}

void StartPan(double x, double y) {
  MouseNavState& m = g_mouseNav;
  ViewStorePrevious();
  RasterCanvas& img = g_viewBuffer.captured;
  const RasterCanvas& b = ViewBuffer();
  if (img.Width() != b.Width() || img.Height() != b.Height()) img.SetSize(b.Width(), b.Height());
  img.CopyRect(img.ClipRect(), b, b.ClipRect());
  m.panView = CurrentView();
  m.panSteps = 0;
  m.DragMode = dmPan;
  Platform().SetScreenCursor(CursorShape::SizeAll);
  PanStep(x, y);
}

void DragZoomStep(double y) {
  MouseNavState& m = g_mouseNav;
  const double g = std::fabs(m.dragZoomRef - y) / 99 + 1;
  const TGContext& v = m.dragZoomView;
  SetWindowFrom(v, 0, 0, y < m.dragZoomRef ? 1 / g : g, v.wcx, v.wcy);
  ViewRedraw(9);
}

void StartDragZoom(double y) {
  MouseNavState& m = g_mouseNav;
  m.DragMode = dmDragZoom;
  ViewStorePrevious();
  m.dragZoomRef = (g_manager.leftPressPos.y + y) / 2;
  m.dragZoomView = CurrentView();
  Platform().SetScreenCursor(CursorShape::SizeNS);
  DragZoomStep(y);
}

// A drag that ends: the default cursor and a full repaint.
void EndDrag() {
  g_mouseNav.DragMode = dmNone;
  Platform().SetScreenCursor(CursorShape::Default);
  ViewRedraw(1);
}

// ---- presses and releases

// A button let go at (x, y): gestures end, or a click is delivered.
void Release(unsigned button, double x, double y) {
  MouseNavState& m = g_mouseNav;
  if (button == ssLeft) {
    g_manager.leftHeld = false;
    if (m.DragMode == dmDragZoom)
      EndDrag();
    else if (m.DragMode == dmZoomBox)
      OpDispatch(OpBtn_None, EV_RCLICK, x, y);  // only the zoom box sees it
    else if (Near(g_manager.leftPressPos, x, y))
      OpDispatch(OpBtn_None, EV_LCLICK, x, y);
  } else if (button == ssRight) {
    g_manager.rightHeld = false;
    if (m.DragMode == dmPan)
      EndDrag();
    else if (m.DragMode == dmZoomBox || Near(g_manager.rightPressPos, x, y))
      OpDispatch(OpBtn_None, EV_RCLICK, x, y);
  }
}

unsigned HeldShift() {
  return (g_manager.shiftAtClick & (ssShift | ssCtrl | ssAlt)) | (g_manager.leftHeld ? ssLeft : 0u) |
         (g_manager.rightHeld ? ssRight : 0u);
}

void ReplaceWindow(const TGContext& v) {
  ViewStorePrevious();
  ViewShowWindowOf(v);
}

}  // namespace

void CancelViewGesture() {
  MouseNavState& m = g_mouseNav;
  if (m.DragMode == dmNone) return;
  if (m.DragMode == dmZoomBox) {
    EraseMark();
    EndZoomBox();
  } else {
    EndDrag();
  }
  if (g_manager.leftHeld) m.cancelledButtons |= ssLeft;
  if (g_manager.rightHeld) m.cancelledButtons |= ssRight;
  g_manager.leftHeld = g_manager.rightHeld = false;
}

void ZoomBoxEvent(int code, double x, double y) {
  MouseNavState& m = g_mouseNav;
  switch (code) {
    case EV_LDOWN:
    case EV_RDOWN: {
      // A button pressed again while the other still holds the box: the
      // box starts afresh, and the mark it had goes first.
      EraseMark();
      const TPointD& first = code == EV_LDOWN ? g_manager.rightPressPos : g_manager.leftPressPos;
      m.boxStart = m.boxCur = World(first.x, first.y);
      DrawMark();
      ConfinePointer(true);
      return;
    }
    case EV_MOVE:
      EraseMark();
      m.boxCur = World(x, y);
      DrawMark();
      return;
    case EV_END:
      EraseMark();
      EndZoomBox();
      return;
    case EV_REDRAW:
      // The repaint took the mark away.
      if (m.markDrawn) {
        m.markDrawn = false;
        DrawMark();
      }
      return;
    default: break;
  }
  // A release (or any other event): the gesture ends when both buttons are up.
  if (g_manager.leftHeld || g_manager.rightHeld) return;
  EraseMark();
  m.boxCur = World(x, y);
  m.ZoomBoxAction = ZoomBoxClass(m.boxStart, m.boxCur);
  EndZoomBox();
  ZoomBoxAct(m.ZoomBoxAction);
  ViewRedraw(2);
  ReplayMouseMove();
  ShowDataCount();
}

void PaintBox1MouseDown(unsigned button, unsigned shift, double x, double y) {
  g_manager.lastKey = 0;
  g_mouseNav.cancelledButtons &= ~button;
  g_manager.shiftAtClick = shift;
  if (button == ssLeft) {
    g_manager.leftHeld = true;
    g_manager.leftPressPos = {x, y};
    if (g_manager.rightHeld && g_mouseNav.DragMode == dmNone) StartZoomBox();
    OpDispatch(OpBtn_None, EV_LDOWN, x, y);
  } else if (button == ssRight) {
    g_manager.rightHeld = true;
    g_manager.rightPressPos = {x, y};
    if (g_manager.leftHeld && g_mouseNav.DragMode == dmNone) StartZoomBox();
    OpDispatch(OpBtn_None, EV_RDOWN, x, y);
  } else {
    return;
  }
  PaintBox1MouseMove(shift | button, x, y);
}

namespace {

// A release, reported or found lost by a move. With the entry box open and
// editable a left release confirms it and a right one cancels it, and
// nothing else follows (true); else gestures end or a click is delivered.
bool ReleaseButton(unsigned button, unsigned shift, double x, double y) {
  g_manager.shiftAtClick = shift;
  if (g_mouseNav.cancelledButtons & button) {  // its gesture was cancelled: no click
    g_mouseNav.cancelledButtons &= ~button;
    return false;
  }
  if (EntryIsOpen() && !g_form1.edCommon.readOnly && g_mouseNav.DragMode == dmNone) {
    if (button == ssLeft) {
      g_manager.leftHeld = false;
      OpDispatch(OpBtn_None, EV_ENTER, 0, 0);
    } else if (button == ssRight) {
      g_manager.rightHeld = false;
      OpDispatch(OpBtn_None, EV_ESC, 0, 0);
    }
    return true;
  }
  Release(button, x, y);
  return false;
}

}  // namespace

void PaintBox1MouseUp(unsigned button, unsigned shift, double x, double y) {
  if (ReleaseButton(button, shift, x, y)) return;
  PaintBox1MouseMove(shift & ~button, x, y);
  IdleCheck();
}

void FormMouseUp(unsigned button, unsigned shift) {
  const bool pending = (button == ssLeft && g_manager.leftHeld) || (button == ssRight && g_manager.rightHeld);
  if (pending) PaintBox1MouseUp(button, shift, g_manager.lastMousePos.x, g_manager.lastMousePos.y);
}

void PaintBox1MouseMove(unsigned shift, double x, double y) {
  MouseNavState& m = g_mouseNav;
  // A release the window never reported: the buttons in the shift state
  // tell. It is taken as a release here, entry box included; the idle check
  // that follows every release comes after this move.
  bool lost = false;
  if (g_manager.leftHeld && !(shift & ssLeft)) lost |= !ReleaseButton(ssLeft, shift, x, y);
  if (g_manager.rightHeld && !(shift & ssRight)) lost |= !ReleaseButton(ssRight, shift, x, y);
  g_manager.shiftAtClick = shift;
  g_manager.lastMousePos = {x, y};
  const bool right = g_manager.rightHeld, left = g_manager.leftHeld;
  if (m.DragMode == dmNone && right && !left &&
      (std::fabs(x - g_manager.rightPressPos.x) > kPanStart || std::fabs(y - g_manager.rightPressPos.y) > kPanStart)) {
    StartPan(x, y);
  } else if (m.DragMode == dmPan) {
    PanStep(x, y);
  } else if (m.DragMode == dmNone && left && !right && !(shift & ssShift) &&
             std::fabs(y - g_manager.leftPressPos.y) > kDragZoomStart &&
             3 * std::fabs(x - g_manager.leftPressPos.x) < std::fabs(y - g_manager.leftPressPos.y)) {
    StartDragZoom(y);
  } else if (m.DragMode == dmDragZoom) {
    DragZoomStep(y);
  } else {
    // While a button is held, operations see no moves, except stretching
    // with Shift, and deleting and joining (a left drag starts a range).
    const TOpButton op = CurOpButton();
    if ((op == OpBtn_LineStretch && !right && (shift & ssShift)) ||
        ((op == OpBtn_Delete || op == OpBtn_LineConect) && !right) ||
        m.DragMode == dmZoomBox || (!left && !right)) {
      OpDispatch(OpBtn_None, EV_MOVE, x, y);
      ShowMousePos();
    }
  }
  if (lost) IdleCheck();
}

void ReplayMouseMove() { PaintBox1MouseMove(HeldShift(), g_manager.lastMousePos.x, g_manager.lastMousePos.y); }

void Wheel(int delta, unsigned shift, double x, double y) {
  TGContext& view = CurrentView();
  if (delta == 0 || !HasWindow(view)) return;
  g_manager.lastMousePos = {x, y};
  ViewStorePrevious();
  const TGContext v = view;
  if ((shift & ssCtrl) || g_mouseNav.WheelZm) {
    // About the point under the pointer: it stays where it is.
    const TPointD p = World(x, y);
    SetWindowFrom(v, 0, 0, delta > 0 ? 0.8 : 1.25, p.x, p.y);
    ViewRedraw(9);
    OpDispatch(OpBtn_None, EV_REDRAW, 0, 0);
  } else {
    const double s = delta > 0 ? 1 : -1;
    if (shift & ssShift)
      SetWindowFrom(v, -s * (v.wx2 - v.wx1) / 8, 0, 1, 0, 0);
    else
      SetWindowFrom(v, 0, s * (v.wy2 - v.wy1) / 4, 1, 0, 0);
    ViewRedraw(1);
  }
  ReplayMouseMove();
}

std::string MousePosText(double v) {
  std::string s = Format("%.4n", {v});
  while (s.size() >= 8 && s.find('.') != std::string::npos) s.pop_back();
  return s;
}

void ShowMousePos() {
  const TPointD p = World(g_manager.lastMousePos.x, g_manager.lastMousePos.y);
  g_form1.pnMouse.caption = Format("%s : %s", {MousePosText(p.x), MousePosText(p.y)});
  Form1Changed();
}

void ShowTitle() {
  const std::string& path = CurPVC().fileName;
  const bool startup = g_wiring.isStartupFile && g_wiring.isStartupFile(path);
  const std::string full = startup ? std::string() : Utf8ToSjis(path);
  const std::string n = "【" + std::to_string(StoreWindow()) + "】";
  g_form1.caption = std::string(kApplicationTitle) + "    " + n + full;
  g_form1.lbFileName.caption = n + (startup ? std::string() : Utf8ToSjis(std::filesystem::path(path).filename().string()));
  g_form1.lbFileName.hint = full;
  Form1Changed();
}

void SwitchWindow(int n) {
  if (n != 1 && n != 2) return;
  CancelViewGesture();
  g_mouseNav.windowChecked = n;
  Form1Changed();
  const int from = StoreWindow();
  if (n == from) return;
  // The operation ends while its own window is current, so it cleans up there.
  if (CurOpButton() != OpBtn_BlockCopy) OpDispatch(OpBtn_Dummy, EV_START, 0, 0);
  CurPVC().view = CurrentView();
  SwapWorkingSettings(from, n);
  SetStoreWindow(n);
  g_mouseNav.Btn_ChangeGlyph = n;
  BuildPenColours();
  if (CurrentView().canvas) {
    if (HasWindow(CurPVC().view) && g_viewBuffer.windowSet) {
      ViewShowWindowOf(CurPVC().view);
    } else {
      ViewFitAll();
      ViewStorePrevious();
    }
    ViewRedraw(1);
  }
  ShowTitle();
  g_form1.CbMojiSize = MakeMojiSizeList(CurPVC());
  Form1Changed();
}

void btnFigChangeClick() { SwitchWindow(StoreWindow() == 1 ? 2 : 1); }

void Window1Click() {
  StoreWorkingSettings(StoreWindow());
  g_mouseNav.fname1 = Format("<1>%s", {Utf8ToSjis(g_pvc.slots[1].fileName)});
  g_mouseNav.fname2 = Format("<2>%s", {Utf8ToSjis(g_pvc.slots[2].fileName)});
  Form1Changed();
}

void Btn_ViewClick(TViewButton b) {
  TGContext& view = CurrentView();
  if (!HasWindow(view)) return;
  const TGContext v = view;
  const double w = v.wx2 - v.wx1, h = v.wy2 - v.wy1;
  switch (b) {
    case TViewButton::BtnZM0: {
      // With Ctrl held the status shows how long each step took.
      const double t0 = MonotonicMs();
      ViewFitAllStep();
      const double t1 = MonotonicMs();
      ViewRedraw(2);
      const double t2 = MonotonicMs();
      ReplayMouseMove();
      const double t3 = MonotonicMs();
      if (Platform().IsKeyDown(PhysKey::Ctrl)) {
        g_form1.pnMouse.caption = Format("%d+%d+%d = %d", {t1 - t0, t2 - t1, t3 - t2, t3 - t0});
        Form1Changed();
      }
      return;
    }
    case TViewButton::BtnZM1: {
      TGContext t = v;
      t.wx1 -= w / 2, t.wx2 += w / 2, t.wy1 -= h / 2, t.wy2 += h / 2;
      ReplaceWindow(t);
      break;
    }
    case TViewButton::BtnZM2: {
      TGContext t = v;
      t.wx1 += w / 4, t.wx2 -= w / 4, t.wy1 += h / 4, t.wy2 -= h / 4;
      ReplaceWindow(t);
      break;
    }
    case TViewButton::Btn_L:
    case TViewButton::Btn_R:
    case TViewButton::Btn_U:
    case TViewButton::Btn_D: {
      const double dx = b == TViewButton::Btn_L ? -w / 4 : b == TViewButton::Btn_R ? w / 4 : 0;
      const double dy = b == TViewButton::Btn_D ? -h / 4 : b == TViewButton::Btn_U ? h / 4 : 0;
      ViewStorePrevious();
      SetWindowFrom(v, dx, dy, 1, 0, 0);
      break;
    }
  }
  ViewRedraw(1);
  ReplayMouseMove();
}
