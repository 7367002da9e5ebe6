#include "ops/Op_LineStretch.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "app/ApManager.h"
#include "app/Ap_Offset.h"
#include "app/GC_PointSearch.h"
#include "app/GC_View.h"
#include "kernel/Platform.h"
#include "kernel/Z_Basic.h"
#include "kernel/Z_Math.h"
#include "model/ComHst.h"
#include "model/PVC.h"
#include "render/GC_Draw.h"
#include "render/GC_Transform.h"

StretchOpState g_stretchOp;

void Op_LineStretch_Reset() { g_stretchOp = StretchOpState{}; }

// ---- The geometry -------------------------------------------------------------

namespace {

constexpr double kTwoPi = 6.283185307179586476925286766559;

// The direction from a to b in real space.
double RealDirection(TPointD a, TPointD b, TScaleFactors f) { return std::atan2((b.y - a.y) * f.y, (b.x - a.x) * f.x); }

// p moved by a real length along the real direction z.
TPointD MoveReal(TPointD p, double z, double length, TScaleFactors f) {
  return {p.x + std::cos(z) * length / f.x, p.y + std::sin(z) * length / f.y};
}

// Which end of a line moves: the one nearer to the click.
bool EndMoves(const TLineGeom& l, TPointD click) { return Dist(click, l.b) < Dist(click, l.a); }

// The arc's end nearer to click turned to the parameter angle th, kept on
// the same side of the other end; ends that meet make a circle.
TGcell TurnArcEnd(const TGcell& cell, TPointD click, double th) {
  TGcell c = cell;
  const ArcParams a = ArcOf(cell);
  TPointD s, e;
  ArcPoint(s.x, s.y, a, a.s);
  ArcPoint(e.x, e.y, a, a.e);
  double start = a.s, end = a.e;
  if (Dist(click, e) < Dist(click, s))
    end = NormalizeAngle(th, start);
  else
    start = NormalizeAngle(th, end - kTwoPi);
  const double sweep = end - start;
  if (sweep < 0.001 || std::fabs(sweep - kTwoPi) < 0.001) {
    c.kind = GK_CIRCLE;
    start = end = 0;
  }
  c.p[7] = start;
  c.p[8] = end;
  return c;
}

// A line with its end e (true: the end point) at p.
TGcell WithEnd(const TGcell& line, bool end, TPointD p) {
  TGcell c = line;
  c.p[end ? 2 : 0] = p.x;
  c.p[end ? 3 : 1] = p.y;
  return c;
}

}  // namespace

TGcell StretchLineEnd(const TGcell& line, TPointD click, double offset, double length, TScaleFactors f) {
  const TLineGeom l = LineOf(line);
  const bool end = EndMoves(l, click);
  const TPointD fixed = end ? l.a : l.b, moving = end ? l.b : l.a;
  const double z = RealDirection(fixed, moving, f);
  return WithEnd(line, end, length != 0 ? MoveReal(fixed, z, length, f) : MoveReal(moving, z, offset, f));
}

TGcell StretchToPoint(const TGcell& cell, TPointD click, TPointD p, double offset, TScaleFactors f) {
  if (cell.kind == GK_ARC) return TurnArcEnd(cell, click, CurveAngle(p.x, p.y, ArcOf(cell)));
  const TLineGeom l = LineOf(cell);
  const bool end = EndMoves(l, click);
  const TPointD fixed = end ? l.a : l.b, moving = end ? l.b : l.a;
  TPointD foot;
  PerpendicularFoot(foot.x, foot.y, p.x, p.y, l.a.x, l.a.y, l.b.x, l.b.y);
  return WithEnd(cell, end, MoveReal(foot, RealDirection(fixed, moving, f), offset, f));
}

bool StretchToBoundary(const TGcell& cell, const TGcell& boundary, TPointD click, double offset, TScaleFactors f,
                       TGcell& out) {
  if (cell.kind == GK_ARC) {
    if (boundary.kind != GK_LINE) return false;
    const TLineGeom b = LineOf(boundary);
    TPointD x;
    if (LineArcCross(x.x, x.y, click.x, click.y, b.a.x, b.a.y, b.b.x, b.b.y, ArcOf(cell)) == 0) return false;
    out = TurnArcEnd(cell, click, CurveAngle(x.x, x.y, ArcOf(cell)));
    return true;
  }
  if (cell.kind != GK_LINE) return false;
  const TLineGeom l = LineOf(cell);
  TPointD x;
  int code = 0;
  if (boundary.kind == GK_LINE) {
    const TLineGeom b = LineOf(boundary);
    code = LineCross(x.x, x.y, l.a.x, l.a.y, l.b.x, l.b.y, b.a.x, b.a.y, b.b.x, b.b.y);
  } else if (boundary.kind == GK_CIRCLE) {
    const ArcParams a = ArcOf(boundary);
    code = LineCircleCross(x.x, x.y, click.x, click.y, l.a.x, l.a.y, l.b.x, l.b.y, a.cx, a.cy, a.r, a.f, a.t);
  } else if (boundary.kind == GK_ARC) {
    code = LineArcCross(x.x, x.y, click.x, click.y, l.a.x, l.a.y, l.b.x, l.b.y, ArcOf(boundary));
  }
  if (code == 0) return false;
  const int h = code / 16;
  bool end;
  if (h == 1) {
    end = false;
  } else if (h == 3) {
    end = true;
  } else {
    // Between the ends: the part from the click to the boundary stays.
    const TPointD d = l.b - l.a;
    end = Dot(click - l.a, d) < Dot(x - l.a, d);
  }
  const TPointD fixed = end ? l.a : l.b;
  out = WithEnd(cell, end, MoveReal(x, RealDirection(fixed, x, f), offset, f));
  return true;
}

TGcell WindowStretch(const TGcell& cell, TPointD d, TPointD lo, TPointD hi) {
  const auto inside = [&](TPointD p) { return p.x >= lo.x && p.x <= hi.x && p.y >= lo.y && p.y <= hi.y; };
  TGcell c = cell;
  c.pen &= static_cast<std::uint16_t>(~PEN_SELECTED);
  if (c.kind == GK_LINE) {
    const TLineGeom l = LineOf(c);
    SetLine(c, inside(l.a) ? l.a + d : l.a, inside(l.b) ? l.b + d : l.b);
  } else if (c.kind == GK_FILL4K) {
    TQuadGeom q = QuadOf(c);
    for (TPointD& p : q.corner)
      if (inside(p)) p = p + d;
    const TGcell moved = MakeQuad(q.corner[0], q.corner[1], q.corner[2], q.corner[3]);
    std::copy(std::begin(moved.p), std::end(moved.p), c.p);
  } else {
    TCellTransform t;
    t.target = d;
    TransformCell(c, t);
  }
  return c;
}

// ---- The operation -------------------------------------------------------------

namespace {

constexpr int kSub1 = EV_SUB1, kSub2 = EV_SUB1 + 1, kSub3 = EV_SUB1 + 2;
const char kOffsetName[] = "①ｵﾌｾｯﾄ";
const char kLengthName[] = "②長さ";
const char kWindowName[] = "③ﾊﾟﾗﾒﾄﾘｯｸ変形";

StretchRun& S() { return g_stretchOp.run; }
void Enter(StretchState s) { S().state = s; }

bool WindowState(StretchState s) { return s >= StretchState::WinStart; }

// The number after "=" of a caption, 0 without one.
double CaptionValue(const std::string& caption) {
  const std::size_t e = caption.find('=');
  return e == std::string::npos ? 0 : ParseReal(std::string_view(caption).substr(e + 1));
}
double Offset() { return CaptionValue(g_stretchOp.options.offsetCaption); }
double Length() { return CaptionValue(g_stretchOp.options.lengthCaption); }

// ①, ② (with their values) and ③, each shown or blank.
void MainButtons(bool offset = true, bool length = true, bool window = true) {
  ClearSubBtns();
  SetSubBtn(g_stretchOp.options.offsetCaption, offset);
  SetSubBtn(g_stretchOp.options.lengthCaption, length);
  SetSubBtn(kWindowName, window);
}

void ShowState() {
  std::string prompt;
  CursorShape cursor = CursorShape::Arrow;
  bool offsetLeft = false, offsetRight = false;
  switch (S().state) {
    case StretchState::StrPick: prompt = "伸縮線(L),伸縮先の線や塗潰面(R)"; break;
    case StretchState::StrPoint:
      prompt = "伸縮位置を指示(L)";
      offsetLeft = offsetRight = true;
      break;
    case StretchState::Boundary: prompt = "伸縮線(L),伸縮先の線(R),線切(R)"; break;
    case StretchState::FillCorner:
      prompt = "塗り潰し面の移動する頂点(LorR)";
      cursor = CursorShape::HandPoint;
      break;
    case StretchState::FillTarget:
      prompt = "塗り潰し面、頂点の移動位置(LorR)";
      offsetLeft = offsetRight = true;
      break;
    case StretchState::WinStart:
      prompt = "<ﾊﾟﾗﾒﾄﾘｯｸ>「始点指示(L)";
      cursor = CursorShape::Drag;
      break;
    case StretchState::WinEnd:
      prompt = "<ﾊﾟﾗﾒﾄﾘｯｸ>終点指示(L)」、確定指示(R)";
      cursor = CursorShape::Drag;
      break;
    case StretchState::WinAdjust:
      prompt = "除外,追加データ指示, 線(L), 文字や塗潰面(R)";
      cursor = CursorShape::AddExclude;
      break;
    case StretchState::WinDirection:
      prompt = "<ﾊﾟﾗﾒﾄﾘｯｸ>移動方向の線を指示(L)";
      cursor = CursorShape::HandPoint;
      break;
    case StretchState::WinBase: prompt = "<ﾊﾟﾗﾒﾄﾘｯｸ>基準点指示(L)or(R)"; break;
    case StretchState::WinTarget:
      prompt = "<ﾊﾟﾗﾒﾄﾘｯｸ>変形位置指示(L)or(R)";
      offsetLeft = offsetRight = true;
      break;
    case StretchState::Idle: break;
  }
  ShowStep(prompt, cursor, offsetLeft, offsetRight);
}


// Replaces cell i by c on the screen and in the store; c's new index. A
// change the store refuses (degenerate) beeps and leaves the cell as it was.
int Replace(TGContext& view, int i, TGcell c) {
  c.pen &= static_cast<std::uint16_t>(~PEN_SELECTED);
  const TGcell old = GcellRef(i);
  const int added = GcellAdd(std::move(c));
  if (added == 0) {
    Platform().Beep();
    return 0;
  }
  EraseCell(view, old);
  GcellDelete(i);
  DrawCell(view, GcellRef(added));
  ShowDataCount();
  return added;
}

// Closes the step before a change; i, held across it, comes back resolved.
int CommitHolding(int i) {
  const TCellRef ref = GcellRefOf(i);
  GcellCommit();
  return GcellResolve(ref);
}

// ---- Pick, point and offset/length ---------------------------------------------

void LeaveBoundary(TGContext& view) {
  S().boundaryShown.Clear(view);
  MainButtons();
  Enter(StretchState::StrPick);
}


void SetBoundary(TGContext& view, const TGcell& c, int index) {
  StretchRun& r = S();
  r.boundary = c;
  r.boundaryRef = index > 0 ? GcellRefOf(index) : TCellRef{};
  r.boundaryShown.Show(view, Highlighted(c));
  MainButtons(true, false, false);
  Enter(StretchState::Boundary);
}

void OnPick(TGContext& view, int code) {
  StretchRun& r = S();
  r.marker.Clear(view);
  const TPointD p = ToWorld(view, PressPixel(code));
  if (code == EV_LCLICK) {
    int i = PickNearest(view, false, p.x, p.y);
    if (i == 0) return;
    const TGcell c = GcellRef(i);
    if (c.kind != GK_LINE && c.kind != GK_ARC) return;
    r.clickPoint = p;
    const double offset = Offset(), length = Length();
    if (c.kind == GK_LINE && (offset != 0 || length != 0)) {
      i = CommitHolding(i);
      if (i == 0) return;
      Replace(view, i, StretchLineEnd(GcellRef(i), p, offset, length, WriteScale()));
      return;
    }
    r.target = GcellRefOf(i);
    r.boundaryShown.Show(view, Highlighted(c));
    Enter(StretchState::StrPoint);
    return;
  }
  // Right: a boundary, else a filled quadrilateral.
  const int i = PickNearest(view, false, p.x, p.y);
  if (i > 0 && (GcellRef(i).kind == GK_LINE || GcellRef(i).kind == GK_ARC || GcellRef(i).kind == GK_CIRCLE)) {
    SetBoundary(view, GcellRef(i), i);
    return;
  }
  const TGcell piece = PickPrimitive(view, false, p.x, p.y);
  if (piece.kind == GK_LINE || piece.kind == GK_ARC || piece.kind == GK_CIRCLE) {
    SetBoundary(view, piece, 0);
    return;
  }
  const int fill = PickArea(false, p.x, p.y);
  if (fill > 0 && GcellRef(fill).kind == GK_FILL4K) {
    r.fill = GcellRefOf(fill);
    r.fillShown.Show(view, Highlighted(GcellRef(fill)));
    MainButtons(false, false, false);
    Enter(StretchState::FillCorner);
    return;
  }
  Platform().Beep();
}

void OnPoint(TGContext& view, int code) {
  StretchRun& r = S();
  if (code == EV_ESC) {
    r.boundaryShown.Clear(view);
    Enter(StretchState::StrPick);
    return;
  }
  if (!IsClick(code)) return;
  TPointD p;
  if (!ClickPoint(view, code, p)) return;
  r.boundaryShown.Clear(view);
  Enter(StretchState::StrPick);
  int i = GcellResolve(r.target);
  if (i == 0) return;
  i = CommitHolding(i);
  if (i == 0) return;
  Replace(view, i, StretchToPoint(GcellRef(i), r.clickPoint, p, Offset(), WriteScale()));
}

// ---- Boundary --------------------------------------------------------------------

// The boundary's cell under the right press: at the point, else 3 pixels
// away diagonally.
bool OnBoundaryItself(TGContext& view, int& index) {
  StretchRun& r = S();
  const int b = GcellResolve(r.boundaryRef);
  const TPointD px = PressPixel(EV_RCLICK);
  const TPointD tries[] = {{0, 0}, {3, 3}, {-3, 3}, {3, -3}, {-3, -3}};
  for (const TPointD d : tries) {
    const TPointD p = ToWorld(view, px + d);
    const int i = PickNearest(view, false, p.x, p.y);
    if (i != 0 && i == b) {
      index = i;
      return true;
    }
  }
  return false;
}

void CutBoundary(TGContext& view, int i) {
  StretchRun& r = S();
  r.boundaryShown.Clear(view);
  TPointD foot;
  if (!SplitLineAt(view, i, ToWorld(view, PressPixel(EV_RCLICK)), foot)) return;
  r.marker.Show(view, MarkAt(foot));
  MainButtons();
  Enter(StretchState::StrPick);
}

// One line or arc stretched to the boundary during a click or drag.
void StretchOne(TGContext& view, TPointD p) {
  StretchRun& r = S();
  int i = PickNearest(view, false, p.x, p.y);
  if (i == 0) return;
  const TGcell& c = GcellRef(i);
  if (c.kind != GK_LINE && (c.kind != GK_ARC || c.p[7] == c.p[8])) return;
  for (const TCellRef& done : r.dragList)
    if (GcellResolve(done) == i) return;
  if (GcellResolve(r.boundaryRef) == i) return;
  TGcell out;
  if (!StretchToBoundary(c, r.boundary, p, Offset(), WriteScale(), out)) return;
  if (!r.dragCommitted) {
    i = CommitHolding(i);
    if (i == 0) return;
    r.dragCommitted = true;
  }
  r.boundaryShown.Hide(view);
  const int added = Replace(view, i, out);
  r.boundaryShown.Show(view);
  if (added > 0) r.dragList.push_back(GcellRefOf(added));
}

void OnBoundary(TGContext& view, int code, double x, double y) {
  StretchRun& r = S();
  switch (code) {
    case EV_ESC: LeaveBoundary(view); break;
    case EV_LDOWN:
      r.dragList.clear();
      r.dragCommitted = false;
      break;
    case EV_MOVE:
      // Moves with the left button held reach this operation only with Shift.
      if (g_manager.leftHeld) StretchOne(view, ToWorld(view, {x, y}));
      break;
    case EV_LCLICK: StretchOne(view, ToWorld(view, PressPixel(code))); break;
    case EV_RCLICK: {
      int i = 0;
      if (OnBoundaryItself(view, i)) {
        if (GcellRef(i).kind == GK_LINE) CutBoundary(view, i);
        return;
      }
      const TPointD p = ToWorld(view, PressPixel(code));
      i = PickNearest(view, false, p.x, p.y);
      if (i > 0 && (GcellRef(i).kind == GK_LINE || GcellRef(i).kind == GK_ARC || GcellRef(i).kind == GK_CIRCLE)) {
        SetBoundary(view, GcellRef(i), i);
        return;
      }
      const TGcell piece = PickPrimitive(view, false, p.x, p.y);
      if (piece.kind == GK_LINE || piece.kind == GK_ARC || piece.kind == GK_CIRCLE) SetBoundary(view, piece, 0);
      break;
    }
    default: break;
  }
}

// ---- A filled quadrilateral's corner ------------------------------------------

void LeaveFill(TGContext& view) {
  S().fillShown.Clear(view);
  MainButtons();
  Enter(StretchState::StrPick);
}

void OnFillCorner(TGContext& view, int code) {
  StretchRun& r = S();
  if (code == EV_ESC) {
    LeaveFill(view);
    return;
  }
  if (!IsClick(code)) return;
  TPointD p = ToWorld(view, PressPixel(code));
  const bool snapped = SnapPoint(view, p.x, p.y);
  if (code == EV_RCLICK && !snapped) {
    const int other = PickArea(false, p.x, p.y);
    if (other > 0 && GcellRef(other).kind == GK_FILL4K) {
      r.fill = GcellRefOf(other);
      r.fillShown.Show(view, Highlighted(GcellRef(other)));
    } else {
      Platform().Beep();
    }
    return;
  }
  const int i = GcellResolve(r.fill);
  if (i == 0) return;
  const TQuadGeom q = QuadOf(GcellRef(i));
  const double pixel = G_PixelSize(view);
  for (int k = 0; k < 4; ++k)
    if (Dist(q.corner[k], p) <= pixel) {
      r.corner = k;
      Enter(StretchState::FillTarget);
      return;
    }
  Platform().Beep();
}

void OnFillTarget(TGContext& view, int code) {
  StretchRun& r = S();
  if (code == EV_ESC) {
    Enter(StretchState::FillCorner);
    return;
  }
  if (!IsClick(code)) return;
  TPointD p;
  if (!ClickPoint(view, code, p)) return;
  int i = GcellResolve(r.fill);
  if (i == 0) return;
  i = CommitHolding(i);
  if (i == 0) return;
  const TGcell c = GcellRef(i);
  // The corner moved as a window stretch moves it with a window that holds
  // only this corner.
  const TPointD corner = QuadOf(c).corner[r.corner];
  r.fillShown.Clear(view);
  const int added = Replace(view, i, WindowStretch(c, p - corner, corner, corner));
  if (added > 0) {
    r.fill = GcellRefOf(added);
    r.fillShown.Show(view, Highlighted(GcellRef(added)));
  }
  ViewRedraw(1);
  Enter(StretchState::FillCorner);
}

// ---- The window stretch ----------------------------------------------------------

void StartWindow(TGContext& view) {
  StretchRun& r = S();
  r.boundaryShown.Clear(view);
  r.fillShown.Clear(view);
  r.marker.Clear(view);
  r.preview.Clear(view);
  r.screen.Drop(view);
  UnselectAllRedraw(view);
  MainButtons(false, false, false);
  r.screen.ShowCross(view, g_manager.lastMousePos);
  Enter(StretchState::WinStart);
}

void LeaveWindow(TGContext& view) {
  StretchRun& r = S();
  r.screen.End(view);
  r.preview.Clear(view);
  MainButtons();
  Enter(StretchState::StrPick);
}

TPointD Lo() {
  const TGcell& rc = S().screen.Rect();
  return {std::min(rc.p[0], rc.p[0] + rc.p[2]), std::min(rc.p[1], rc.p[1] + rc.p[3])};
}
TPointD Hi() {
  const TGcell& rc = S().screen.Rect();
  return {std::max(rc.p[0], rc.p[0] + rc.p[2]), std::max(rc.p[1], rc.p[1] + rc.p[3])};
}

// The pointer's position projected onto the direction through the base.
TPointD Projected(TPointD p) {
  const StretchRun& r = S();
  const TPointD u = UnitVector(r.direction);
  return r.base + u * Dot(p - r.base, u);
}

void ShowPreview(TGContext& view) {
  StretchRun& r = S();
  std::vector<TGcell> cells;
  const TPointD d = r.goal - r.base, lo = Lo(), hi = Hi();
  for (int i = 1, n = StoreUsed(); i <= n; ++i) {
    const TGcell& c = GcellRef(i);
    if (c.kind <= 0 || c.window != StoreWindow() || !(c.pen & PEN_SELECTED)) continue;
    // In the auxiliary pen: an XOR image in the selection colour would
    // cancel where it runs over the selected cells themselves.
    TGcell s = WindowStretch(c, d, lo, hi);
    s.pen = static_cast<std::uint16_t>((s.pen & PEN_LTYPE_MASK) | 7);
    cells.push_back(std::move(s));
  }
  r.preview.Show(view, std::move(cells));
}

void CommitWindow(TGContext& view, TPointD p) {
  StretchRun& r = S();
  r.preview.Clear(view);
  r.screen.HideRect(view);
  r.goal = Projected(p);
  const TPointD d = r.goal - r.base, lo = Lo(), hi = Hi();
  Platform().SetScreenCursor(CursorShape::Hourglass);
  ++CurPVC().modified;
  GcellCommit();
  const int n = StoreUsed();
  std::vector<int> chosen;
  for (int i = 1; i <= n; ++i)
    if (GcellLive(i) && (GcellRef(i).pen & PEN_SELECTED)) chosen.push_back(i);
  for (int i : chosen)
    if (GcellAdd(WindowStretch(GcellRef(i), d, lo, hi)) > 0) GcellDelete(i);  // refused: the cell stays
  GcellMaskAll(static_cast<std::uint16_t>(~PEN_SELECTED));
  ViewRedraw(1);
  ShowDataCount();
  Platform().SetScreenCursor(CursorShape::Default);
  r.screen.Drop(view);
  r.screen.ShowCross(view, g_manager.lastMousePos);
  Enter(StretchState::WinStart);
}

void OnWindow(TGContext& view, int code, double x, double y) {
  StretchRun& r = S();
  switch (r.state) {
    case StretchState::WinStart:
      if (code == EV_ESC) {
        LeaveWindow(view);
      } else if (code == EV_MOVE) {
        r.screen.ShowCross(view, {x, y});
      } else if (code == EV_LCLICK) {
        r.screen.Begin(view, ToWorld(view, PressPixel(code)));
        Enter(StretchState::WinEnd);
      }
      break;
    case StretchState::WinEnd:
      if (code == EV_ESC) {
        r.screen.Drop(view);
        r.screen.ShowCross(view, g_manager.lastMousePos);
        Enter(StretchState::WinStart);
      } else if (code == EV_MOVE || code == EV_RDOWN) {
        r.screen.Stretch(view, PointerPoint(view, code, x, y));
      } else if (IsClick(code)) {
        TRangeFilters filters;
        filters.anyPoint = true;
        r.screen.Finish(view, ToWorld(view, PressPixel(code)), false, filters);
        SetSubBtn("①確定", true);
        Enter(StretchState::WinAdjust);
        if (code == EV_RCLICK) {
          SetSubBtn("①確定", false);
          Enter(StretchState::WinDirection);
        }
      }
      break;
    case StretchState::WinAdjust:
      if (code == EV_ESC) {
        r.screen.Unselect(view);
        ShowDataCount();
        SetSubBtn("①確定", false);
        r.screen.Stretch(view, ToWorld(view, g_manager.lastMousePos));
        Enter(StretchState::WinEnd);
      } else if (IsClick(code)) {
        r.screen.Toggle(view, code);
      } else if (code == kSub1) {
        SetSubBtn("①確定", false);
        Enter(StretchState::WinDirection);
      }
      break;
    case StretchState::WinDirection:
      if (code == EV_ESC) {
        SetSubBtn("①確定", true);
        Enter(StretchState::WinAdjust);
      } else if (code == EV_LCLICK) {
        const TPointD p = ToWorld(view, PressPixel(code));
        const TGcell line = PickPrimitive(view, false, p.x, p.y);
        if (line.kind != GK_LINE) {
          Platform().Beep();
          break;
        }
        const TLineGeom l = LineOf(line);
        r.direction = LineAngle(l.a.x, l.a.y, l.b.x, l.b.y);
        Enter(StretchState::WinBase);
      }
      break;
    case StretchState::WinBase:
      if (code == EV_ESC) {
        Enter(StretchState::WinDirection);
      } else if (IsClick(code)) {
        TPointD p;
        if (!ClickPoint(view, code, p)) break;
        r.base = r.goal = p;
        ShowPreview(view);
        Enter(StretchState::WinTarget);
      }
      break;
    case StretchState::WinTarget:
      if (code == EV_ESC) {
        r.preview.Clear(view);
        Enter(StretchState::WinBase);
      } else if (code == EV_MOVE || code == EV_RDOWN) {
        const TPointD goal = Projected(PointerPoint(view, code, x, y));
        if (goal != r.goal) {
          r.goal = goal;
          ShowPreview(view);
        }
      } else if (IsClick(code)) {
        TPointD p;
        if (!ClickPoint(view, code, p)) break;
        CommitWindow(view, p);
      }
      break;
    default: break;
  }
}

// ---- Entry boxes --------------------------------------------------------------------

void OpenEntry(int n) {
  if (n == 1) OpenValueEntry(1, "オフセット(mm)", HstList::StretchOffset);
  if (n == 2) OpenValueEntry(2, "長さ(mm)", HstList::StretchLength);
}

// Enter writes the value into the caption and, when there is one, takes the
// other's away: offset and length are never both in force.
void TakeEntry(int code) {
  StretchOptions& r = g_stretchOp.options;
  const int n = ValueEntryButton();
  const std::string text = TakeValueEntry(code);
  if (code != EV_ENTER) return;
  (n == 1 ? r.offsetCaption : r.lengthCaption) = (n == 1 ? kOffsetName : kLengthName) + std::string("=") + text;
  if (!text.empty()) (n == 1 ? r.lengthCaption : r.offsetCaption) = n == 1 ? kLengthName : kOffsetName;
  SetSubBtn(r.offsetCaption, SubOption(1).enabled);
  SetSubBtn(r.lengthCaption, SubOption(2).enabled);
}

}  // namespace

void Op_LineStretch(TGContext& view, int code, double x, double y) {
  StretchRun& r = S();
  if (code == EV_START) {
    g_stretchOp.run = StretchRun{};
    MainButtons();
    Enter(StretchState::StrPick);
    ShowState();
    return;
  }
  if (code == EV_END) {
    const bool window = WindowState(r.state);
    r.boundaryShown.Clear(view);
    r.fillShown.Clear(view);
    r.marker.Clear(view);
    r.preview.Clear(view);
    r.screen.End(view);
    if (window) ShowDataCount();
    Enter(StretchState::Idle);
    return;
  }
  if (code == EV_REDRAW) {
    r.screen.Redraw(view);
    return;
  }
  if (r.state == StretchState::Idle) return;
  if (ValueEntryButton() != 0) {
    if (code == EV_ENTER || code == EV_ESC) TakeEntry(code);
    ShowState();
    return;
  }
  if (code >= kSub1 && code <= EV_SUB7 && !SubOption(code - EV_SUB1 + 1).enabled) return;
  if (code == kSub3 && !WindowState(r.state)) {
    StartWindow(view);
    ShowState();
    return;
  }
  if ((code == kSub1 || code == kSub2) && !WindowState(r.state)) {
    OpenEntry(code - EV_SUB1 + 1);
    return;
  }
  switch (r.state) {
    case StretchState::StrPick:
      if (IsClick(code)) OnPick(view, code);
      break;
    case StretchState::StrPoint: OnPoint(view, code); break;
    case StretchState::Boundary: OnBoundary(view, code, x, y); break;
    case StretchState::FillCorner: OnFillCorner(view, code); break;
    case StretchState::FillTarget: OnFillTarget(view, code); break;
    default: OnWindow(view, code, x, y); break;
  }
  ShowState();
}
