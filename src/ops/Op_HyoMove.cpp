#include "ops/Op_HyoMove.h"

#include <algorithm>
#include <cmath>

#include "app/ApMouse.h"
#include "app/Ap_Offset.h"
#include "app/GC_PointSearch.h"
#include "app/GC_View.h"
#include "kernel/Platform.h"
#include "kernel/Z_Math.h"
#include "model/PVC.h"
#include "render/GC_Draw.h"
#include "render/GC_Transform.h"
#include "render/RasterCanvas.h"
#include "render/Z_Graph.h"

HyoMoveOpState g_hyoMoveOp;

void Op_HyoMove_Reset() {
  if (g_hyoMoveOp.run.timer) Platform().StopTimer(g_hyoMoveOp.run.timer);
  g_hyoMoveOp = HyoMoveOpState{};
}

namespace {

HyoMoveRun& S() { return g_hyoMoveOp.run; }

double Now() { return g_hyoMoveOp.clock ? g_hyoMoveOp.clock() : MonotonicMs(); }

double Tolerance() { return CurPVC().basicScale / 100; }

void ShowState() {
  switch (S().state) {
    case TableState::RangeStart: ShowStep("表範囲：「始点指示(L)", CursorShape::Drag, false, false); break;
    case TableState::RangeEnd: ShowStep("表範囲：終点指示(L)」、確定指示(R)", CursorShape::Drag, false, false); break;
    case TableState::Adjust:
      ShowStep("除外,追加データ指示,線(L),文字/塗潰/画像(R)", CursorShape::AddExclude, false, false);
      break;
    case TableState::PickBorder:
      ShowStep("移動する基準線を指示(L)or(R)",
               S().border == 0 ? CursorShape::Point4 : S().vertical ? CursorShape::SizeWE : CursorShape::SizeNS, false,
               false);
      break;
    case TableState::Move:
      ShowStep("移動位置を位置指示(L)or(R)", S().vertical ? CursorShape::SplitH : CursorShape::SplitV, true, true);
      break;
    default: break;
  }
}

void RangeButtons() {
  ClearSubBtns();
  if (g_hyoMoveOp.hasPrevious) SetSubBtn("①前範囲", true);
}

// The table: the selected live cells of the window, in store order.
void CollectTable() {
  HyoMoveRun& r = S();
  r.cells.clear();
  const int w = StoreWindow();
  for (int i = 1, n = StoreUsed(); i <= n; ++i) {
    const TGcell& c = GcellRef(i);
    if (c.window == w && c.kind > 0 && (c.pen & PEN_SELECTED)) r.cells.push_back(i);
  }
}

void ToBorderPick() {
  ClearSubBtns();
  S().border = 0;
  S().state = TableState::PickBorder;
}

// The border line near the pointer: the first horizontal or vertical line
// of the table within 2.1 pixels.
void FindBorder(TGContext& view, TPointD p) {
  HyoMoveRun& r = S();
  r.border = 0;
  const double reach = 2.1 * G_PixelSize(view);
  for (int i : r.cells) {
    const TGcell& c = GcellRef(i);
    if (c.kind != GK_LINE) continue;
    const TLineGeom l = LineOf(c);
    const double d = std::atan2(l.b.y - l.a.y, l.b.x - l.a.x);
    const bool horizontal = std::fabs(std::sin(d)) < 0.01, vertical = std::fabs(std::cos(d)) < 0.01;
    if ((!horizontal && !vertical) || SegmentDistance(p.x, p.y, l.a.x, l.a.y, l.b.x, l.b.y) >= reach) continue;
    r.border = i;
    r.vertical = vertical;
    return;
  }
}

double Shift() {
  const HyoMoveRun& r = S();
  return r.vertical ? r.moveTo.x - r.borderStart.x : r.moveTo.y - r.borderStart.y;
}

// ---- The preview ----------------------------------------------------------------

void SaveView() {
  HyoMoveRun& r = S();
  const RasterCanvas& view = ViewBuffer();
  if (!r.saved) r.saved = std::make_shared<RasterCanvas>();
  if (r.saved->Width() != view.Width() || r.saved->Height() != view.Height())
    r.saved->SetSize(view.Width(), view.Height());
  r.saved->CopyRect(r.saved->ClipRect(), view, view.ClipRect());
}

// The saved image back on the view.
void RemovePreview() {
  HyoMoveRun& r = S();
  if (!r.previewShown || !r.saved) return;
  RasterCanvas& view = ViewBuffer();
  view.CopyRect(view.ClipRect(), *r.saved, r.saved->ClipRect());
  r.previewShown = false;
}

// One frame: the saved image, the table dimmed (fills, pictures and texts
// painted out), the moved table selected; composed off the screen and put
// on the view in one copy.
void DrawFrame(TGContext& view) {
  HyoMoveRun& r = S();
  if (!r.saved) return;
  if (!r.frame) r.frame = std::make_shared<RasterCanvas>();
  RasterCanvas& frame = *r.frame;
  if (frame.Width() != r.saved->Width() || frame.Height() != r.saved->Height())
    frame.SetSize(r.saved->Width(), r.saved->Height());
  frame.CopyRect(frame.ClipRect(), *r.saved, r.saved->ClipRect());
  TGContext g = view;
  g.canvas = &frame;
  const double d = Shift(), t = Tolerance();
  for (int i : r.cells) {
    TGcell c = GcellRef(i);
    const bool area = c.kind >= GK_POLYGON && c.kind <= GK_TEXT;
    c.pen = static_cast<std::uint16_t>((c.pen & 0x0FFF) | (area ? PEN_HILITE : PEN_DIM));
    DrawCell(g, c);
  }
  for (int i : r.cells) {
    TGcell c = GcellRef(i);
    AdjustTableCell(c, r.borderStart, r.vertical, d, t);
    c.pen = static_cast<std::uint16_t>((c.pen & 0x0FFF) | PEN_SELECTED);
    DrawCell(g, c);
  }
  RasterCanvas& screen = ViewBuffer();
  screen.CopyRect(screen.ClipRect(), frame, frame.ClipRect());
  r.previewShown = true;
  r.lastFrame = Now();
}

void StopFrameTimer() {
  HyoMoveRun& r = S();
  if (r.timer) Platform().StopTimer(r.timer);
  r.timer = 0;
}

// The next frame when its time has come, else by a timer at that time; the
// frames are 50 to 100 ms apart, closer when moves come fast.
void RequestFrame(TGContext& view) {
  HyoMoveRun& r = S();
  const double now = Now();
  if (now >= r.nextFrame) {
    StopFrameTimer();
    const double e = std::max(0.0, now - r.lastFrame);
    r.nextFrame = now + std::max(50.0, std::min(e, 100.0));
    DrawFrame(view);
    return;
  }
  if (r.timer) return;  // the frame due takes the latest point
  r.timer = Platform().StartTimer(static_cast<int>(std::ceil(r.nextFrame - now)), [] {
    StopFrameTimer();
    if (S().state != TableState::Move) return;
    TGContext& v = CurrentView();
    S().nextFrame = 0;
    RequestFrame(v);
  });
  if (!r.timer) {  // no timers here: draw at once
    r.nextFrame = 0;
    RequestFrame(view);
  }
}

// ---- The move ---------------------------------------------------------------------

void MoveBorder(TGContext& view, TPointD p) {
  HyoMoveRun& r = S();
  StopFrameTimer();
  RemovePreview();
  // The offset's first value along the moving axis.
  if (r.vertical)
    p.x += OffsetDx();
  else
    p.y += OffsetDx();
  r.moveTo = p;
  Platform().SetScreenCursor(CursorShape::Hourglass);
  ++CurPVC().modified;
  GcellCommit();
  CollectTable();  // the commit may have compacted the store
  const double d = Shift(), t = Tolerance();
  std::vector<int> moved;
  moved.reserve(r.cells.size());
  for (int i : r.cells) {
    TGcell c = GcellRef(i);
    if (!AdjustTableCell(c, r.borderStart, r.vertical, d, t)) {
      moved.push_back(i);
      continue;
    }
    GcellDelete(i);
    // A line a move shrinks to nothing is refused: it leaves the table.
    if (const int j = GcellAdd(c); j > 0) moved.push_back(j);
  }
  r.cells = std::move(moved);
  for (int i : r.cells) GcellSelect(i);
  r.border = 0;
  r.state = TableState::PickBorder;
  ViewRedraw(1);
  ShowDataCount();
  Platform().SetScreenCursor(CursorShape::Default);
}

void OnRangeStart(TGContext& view, int code, double x, double y) {
  HyoMoveRun& r = S();
  switch (code) {
    case EV_MOVE: r.screen.ShowCross(view, {x, y}); break;
    case EV_SUB1:
      if (!g_hyoMoveOp.hasPrevious) break;
      r.screen.HideCross(view);
      SelectPrevious();
      RedrawSelected(view);
      ShowDataCount();
      CollectTable();
      ToBorderPick();
      break;
    case EV_LCLICK:
      r.screen.Begin(view, ToWorld(view, g_manager.leftPressPos));
      ClearSubBtns();
      r.state = TableState::RangeEnd;
      break;
    default: break;
  }
}

void OnRangeEnd(TGContext& view, int code, double x, double y) {
  HyoMoveRun& r = S();
  switch (code) {
    case EV_ESC:
      r.screen.Drop(view);
      RangeButtons();
      r.screen.ShowCross(view, g_manager.lastMousePos);
      r.state = TableState::RangeStart;
      break;
    case EV_MOVE: r.screen.Stretch(view, ToWorld(view, {x, y})); break;
    case EV_LCLICK:
    case EV_RCLICK:
      r.screen.Finish(view, ToWorld(view, PressPixel(code)), false, {});
      r.screen.HideRect(view);  // shown again if Esc takes the selection back
      SetSubBtn("① 確 定 ", true);
      g_hyoMoveOp.hasPrevious = true;
      r.state = TableState::Adjust;
      if (code == EV_RCLICK) {
        r.screen.Drop(view);
        CollectTable();
        ToBorderPick();
      }
      break;
    default: break;
  }
}

void OnAdjust(TGContext& view, int code) {
  HyoMoveRun& r = S();
  switch (code) {
    case EV_ESC:
      r.screen.Unselect(view);
      ShowDataCount();
      ClearSubBtns();
      r.screen.Stretch(view, ToWorld(view, g_manager.lastMousePos));
      r.state = TableState::RangeEnd;
      break;
    case EV_LCLICK:
    case EV_RCLICK: r.screen.Toggle(view, code); break;
    case EV_SUB1:
      r.screen.Drop(view);
      CollectTable();
      ToBorderPick();
      break;
    default: break;
  }
}

void OnPickBorder(TGContext& view, int code, double x, double y) {
  HyoMoveRun& r = S();
  switch (code) {
    case EV_ESC:
      ClearSubBtns();
      SetSubBtn("① 確 定 ", true);
      r.state = TableState::Adjust;
      break;
    case EV_MOVE: FindBorder(view, ToWorld(view, {x, y})); break;
    case EV_LCLICK:
    case EV_RCLICK: {
      FindBorder(view, ToWorld(view, PressPixel(code)));
      if (r.border == 0) {
        Platform().Beep();
        break;
      }
      SaveView();
      r.borderStart = LineOf(GcellRef(r.border)).a;
      r.moveTo = ToWorld(view, PressPixel(code));
      r.lastFrame = -1e18;
      r.nextFrame = 0;
      r.state = TableState::Move;
      RequestFrame(view);
      break;
    }
    default: break;
  }
}

void OnMove(TGContext& view, int code, double x, double y) {
  HyoMoveRun& r = S();
  switch (code) {
    case EV_ESC:
      StopFrameTimer();
      RemovePreview();
      r.border = 0;
      r.state = TableState::PickBorder;
      break;
    case EV_MOVE:
    case EV_RDOWN:
      if (g_mouseNav.DragMode != dmNone) break;
      r.moveTo = PointerPoint(view, code, x, y);
      RequestFrame(view);
      break;
    case EV_LCLICK:
    case EV_RCLICK: {
      if (g_manager.leftHeld || g_manager.rightHeld) break;
      TPointD p = ToWorld(view, PressPixel(code));
      if (code == EV_RCLICK && !SnapPoint(view, p.x, p.y)) {
        Platform().Beep();
        break;
      }
      MoveBorder(view, p);
      break;
    }
    default: break;
  }
}

}  // namespace

bool AdjustTableCell(TGcell& c, TPointD b, bool vertical, double d, double t) {
  if (c.kind == GK_LINE) {
    TLineGeom l = LineOf(c);
    bool changed = false;
    if (vertical) {
      if (std::max(l.a.x, l.b.x) < b.x - t) return false;
      for (TPointD* e : {&l.a, &l.b})
        if (e->x > b.x - t) e->x += d, changed = true;
    } else {
      if (std::min(l.a.y, l.b.y) > b.y + t) return false;
      for (TPointD* e : {&l.a, &l.b})
        if (e->y < b.y + t) e->y += d, changed = true;
    }
    c.p[0] = l.a.x, c.p[1] = l.a.y, c.p[2] = l.b.x, c.p[3] = l.b.y;
    return changed;
  }
  const bool beyond = vertical ? c.p[0] >= b.x - t : c.p[1] <= b.y + t;
  if (!beyond) return false;
  const TPointD shift = vertical ? TPointD{d, 0} : TPointD{0, d};
  if (c.kind == GK_POLYGON) {
    // A polygon's vertices are in its text: it moves whole.
    TCellTransform m;
    m.target = shift;
    TransformCell(c, m);
    return true;
  }
  c.p[0] += shift.x;
  c.p[1] += shift.y;
  return true;
}

void Op_HyoMove(TGContext& view, int code, double x, double y) {
  HyoMoveRun& r = S();
  if (code == EV_START) {
    StopFrameTimer();
    r = HyoMoveRun{};
    RangeButtons();
    r.screen.ShowCross(view, g_manager.lastMousePos);
    r.state = TableState::RangeStart;
    ShowState();
    return;
  }
  if (code == EV_END) {
    StopFrameTimer();
    if (r.state == TableState::Move) RemovePreview();
    r.screen.End(view);
    r.cells.clear();
    r.state = TableState::Idle;
    return;
  }
  if (code == EV_REDRAW) {
    r.screen.Redraw(view);
    if (r.state == TableState::Move) {
      // The view was painted afresh: that is the image the frames go on.
      StopFrameTimer();
      r.previewShown = false;
      SaveView();
      r.moveTo = ToWorld(view, g_manager.lastMousePos);
    }
    return;
  }
  switch (r.state) {
    case TableState::RangeStart: OnRangeStart(view, code, x, y); break;
    case TableState::RangeEnd: OnRangeEnd(view, code, x, y); break;
    case TableState::Adjust: OnAdjust(view, code); break;
    case TableState::PickBorder: OnPickBorder(view, code, x, y); break;
    case TableState::Move: OnMove(view, code, x, y); break;
    default: return;
  }
  ShowState();
}
