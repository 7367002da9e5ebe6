#include "ops/Op_CenterLine.h"

#include <cmath>
#include <numbers>

#include "app/GC_PointSearch.h"
#include "app/GC_View.h"
#include "kernel/Platform.h"
#include "kernel/Z_Math.h"

CenterLineOpState g_centerLineOp;

void Op_CenterLine_Reset() { g_centerLineOp = CenterLineOpState{}; }

namespace {

constexpr double kPi = std::numbers::pi;

CenterLineRun& S() { return g_centerLineOp.run; }

double Direction(TPointD from, TPointD to) { return std::atan2(to.y - from.y, to.x - from.x); }

double ViewDiagonal(const TGContext& view) { return std::hypot(view.wx2 - view.wx1, view.wy2 - view.wy1); }

void ShowState() {
  switch (S().state) {
    case CenterState::Ref1: ShowStep("中心線：線１(L),1点目(R)、指示", CursorShape::Point1, false, false); break;
    case CenterState::Ref2: ShowStep("中心線：線２(L),1点目(R)、指示", CursorShape::Point2, false, false); break;
    case CenterState::Start: ShowStep("中心線：始点(L)or(R)", CursorShape::Cross, true, true); break;
    case CenterState::End: ShowStep("中心線：終点(L)or(R)", CursorShape::Cross, true, true); break;
    default: break;
  }
}

// A reference on the screen: a line highlighted, a point as a mark.
void ShowRef(TGContext& view, int k) {
  const TCenterRef& ref = S().ref[k];
  if (ref.kind == GK_LINE) {
    S().refShown[k].Show(view, Highlighted(ref.line));
  } else {
    TGcell p = MakePoint(ref.at);
    p.pen = 0x8011;
    S().refShown[k].Show(view, p);
  }
}

void Release(TGContext& view, int k) {
  S().ref[k] = TCenterRef{};
  S().refShown[k].Clear(view);
}

// The whole middle line across the view.
void ShowWholeLine(TGContext& view) {
  CenterLineRun& r = S();
  const double d = ViewDiagonal(view);
  TPointD p = CenterProject(view, r.c, r.r, {view.wx1, view.wy1});
  TPointD q = CenterProject(view, r.c, r.r, {view.wx1, view.wy2});
  if (Dist(p, q) < d / 9) q = CenterProject(view, r.c, r.r, {view.wx2, view.wy1});
  const double len = Dist(p, q);
  const TPointD e = len > 0 ? (q - p) * (1 / len) : UnitVector(r.r);
  TGcell line = MakeLine(p - e * d, p + e * d);
  line.pen = 0x8001;
  r.preview.Show(view, line);
}

void ShowSegment(TGContext& view, TPointD end) {
  TGcell line = MakeLine(S().start, end);
  line.pen = static_cast<std::uint16_t>((WritePen() & 0xFF) | PEN_SELECTED);
  S().preview.Show(view, line);
}

// A reference from a click: the line under a left click, the snapped point
// of a right click. False when there is none.
bool TakeRef(TGContext& view, int code, TCenterRef& ref) {
  const TPointD press = ToWorld(view, PressPixel(code));
  if (code == EV_LCLICK) {
    const TGcell c = PickPrimitive(view, false, press.x, press.y);
    if (c.kind != GK_LINE) return false;
    ref.kind = GK_LINE;
    ref.line = c;
    ref.at = press;
    return true;
  }
  TPointD p = press;
  if (!SnapPoint(view, p.x, p.y)) return false;
  ref.kind = GK_POINT;
  ref.at = p;
  return true;
}

}  // namespace

bool MiddleLine(const TCenterRef& a, const TCenterRef& b, TPointD& c, double& r) {
  if (a.kind == GK_POINT && b.kind == GK_POINT) {
    if (Dist(a.at, b.at) < 1e-9) return false;
    c = (a.at + b.at) * 0.5;
    r = Direction(a.at, b.at) + kPi / 2;
    return true;
  }
  if (a.kind == GK_LINE && b.kind == GK_LINE) {
    const TLineGeom l1 = LineOf(a.line), l2 = LineOf(b.line);
    TPointD x;
    if (LineCross(x.x, x.y, l1.a.x, l1.a.y, l1.b.x, l1.b.y, l2.a.x, l2.a.y, l2.b.x, l2.b.y) != 0) {
      // Each direction points from the crossing towards the picked half.
      auto towardsPick = [&x](const TLineGeom& l, TPointD pick) {
        double d = Direction(l.a, l.b);
        if ((pick.x - x.x) * std::cos(d) + (pick.y - x.y) * std::sin(d) < 0) d += kPi;
        return d;
      };
      c = x;
      r = (towardsPick(l1, a.at) + towardsPick(l2, b.at)) / 2;
      return true;
    }
    r = Direction(l1.a, l1.b);
    const double h = ((-std::sin(r)) * (l2.a.x - l1.a.x) + std::cos(r) * (l2.a.y - l1.a.y)) / 2;
    c = l1.a + UnitVector(r + kPi / 2) * h;
    return true;
  }
  const TCenterRef& line = a.kind == GK_LINE ? a : b;
  const TCenterRef& point = a.kind == GK_LINE ? b : a;
  const TLineGeom l = LineOf(line.line);
  TPointD foot;
  PerpendicularFoot(foot.x, foot.y, point.at.x, point.at.y, l.a.x, l.a.y, l.b.x, l.b.y);
  r = Direction(l.a, l.b);
  c = (point.at + foot) * 0.5;
  return true;
}

TPointD CenterProject(const TGContext& view, TPointD c, double r, TPointD m) {
  const double d = ViewDiagonal(view);
  double t;
  if (m.x <= view.wx1 - 1)
    t = -d;
  else if (m.x >= view.wx2 + 1)
    t = d;
  else
    t = (m.x - c.x) * std::cos(r) + (m.y - c.y) * std::sin(r);
  return c + UnitVector(r) * t;
}

void Op_CenterLine(TGContext& view, int code, double x, double y) {
  CenterLineRun& r = S();
  if (code == EV_START) {
    r = CenterLineRun{};
    ClearSubBtns();
    r.state = CenterState::Ref1;
    ShowState();
    return;
  }
  if (code == EV_END) {
    r.preview.Clear(view);
    Release(view, 0);
    Release(view, 1);
    r.state = CenterState::Idle;
    return;
  }
  if (r.state == CenterState::Idle) return;
  if (code == EV_REDRAW) {
    // The whole line follows the view (its ends lie beyond the window).
    if (r.state == CenterState::Start) ShowWholeLine(view);
    return;
  }
  switch (r.state) {
    case CenterState::Ref1:
    case CenterState::Ref2: {
      const int k = r.state == CenterState::Ref1 ? 0 : 1;
      if (code == EV_ESC && k == 1) {
        Release(view, 0);
        r.state = CenterState::Ref1;
        break;
      }
      if (!IsClick(code)) break;
      TCenterRef ref;
      if (!TakeRef(view, code, ref)) break;
      if (k == 1) {
        TPointD c;
        double dir = 0;
        if (!MiddleLine(r.ref[0], ref, c, dir)) {
          Platform().Beep();  // the same point twice: no middle line
          break;
        }
        r.c = c;
        r.r = dir;
      }
      r.ref[k] = ref;
      ShowRef(view, k);
      if (k == 0) {
        r.state = CenterState::Ref2;
      } else {
        ShowWholeLine(view);
        r.state = CenterState::Start;
      }
      break;
    }
    case CenterState::Start: {
      if (code == EV_ESC) {
        r.preview.Clear(view);
        Release(view, 1);
        r.state = CenterState::Ref2;
        break;
      }
      TPointD p;
      if (!IsClick(code) || !ClickPoint(view, code, p)) break;
      r.start = CenterProject(view, r.c, r.r, p);
      ShowSegment(view, r.start);
      r.state = CenterState::End;
      break;
    }
    case CenterState::End: {
      if (code == EV_ESC) {
        const double d = ViewDiagonal(view);
        const TPointD e = UnitVector(r.r);
        TGcell line = MakeLine(r.c - e * d, r.c + e * d);
        line.pen = 0x8001;
        r.preview.Show(view, line);
        r.state = CenterState::Start;
        break;
      }
      if (code == EV_MOVE || code == EV_RDOWN) {
        ShowSegment(view, CenterProject(view, r.c, r.r, PointerPoint(view, code, x, y)));
        break;
      }
      TPointD p;
      if (!IsClick(code) || !ClickPoint(view, code, p)) break;
      const TPointD end = CenterProject(view, r.c, r.r, p);
      r.preview.Clear(view);
      Release(view, 0);
      Release(view, 1);
      GcellCommit();
      StoreOnWrite(view, MakeLine(r.start, end));
      ShowDataCount();
      r.state = CenterState::Ref1;
      break;
    }
    default: break;
  }
  ShowState();
}
