#include "ops/Op_SunpoHojyo.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "app/GC_PointSearch.h"
#include "app/GC_View.h"
#include "kernel/Platform.h"
#include "kernel/Z_Basic.h"
#include "kernel/Z_Math.h"
#include "model/ComHst.h"
#include "model/PVC.h"
#include "ops/OpDim.h"
#include "render/GC_Draw.h"
#include "render/GC_Tenkai.h"

SunpoHojyoOpState g_sunpoHojyoOp;

void Op_SunpoHojyo_Reset() { g_sunpoHojyoOp = SunpoHojyoOpState{}; }

namespace {

constexpr double kPi = std::numbers::pi;

SunpoHojyoRun& S() { return g_sunpoHojyoOp.run; }

ArcParams WholeTurn(const TGcell& c) {
  ArcParams a = ArcOf(c);
  if (c.kind == GK_CIRCLE || a.s == a.e) {
    a.s = 0;
    a.e = 2 * kPi;
  }
  return a;
}

}  // namespace

void ClipToCrossings(TPointD& a, TPointD& b, TPointD m) {
  const int w = StoreWindow();
  const TPointD dir = b - a;
  const double len2 = Dot(dir, dir);
  if (len2 == 0) return;
  // Positions along a → b: the piece is [lo, hi] about the click's.
  const auto along = [&](TPointD p) { return Dot(p - a, dir) / len2; };
  const double at = along(m);
  double lo = 0, hi = 1;
  const TPointD a0 = a, b0 = b;
  for (int i = 1, n = StoreUsed(); i <= n; ++i) {
    const TGcell& c = GcellRef(i);
    if (c.window != w || (c.kind != GK_LINE && c.kind != GK_ARC && c.kind != GK_CIRCLE)) continue;
    TPointD x;
    int code;
    if (c.kind == GK_LINE) {
      const TLineGeom l = LineOf(c);
      code = LineCross(x.x, x.y, a0.x, a0.y, b0.x, b0.y, l.a.x, l.a.y, l.b.x, l.b.y);
    } else {
      code = LineArcCross(x.x, x.y, m.x, m.y, a0.x, a0.y, b0.x, b0.y, WholeTurn(c));
    }
    if (code != kOnBoth) continue;
    // Only crossings inside the current piece narrow it.
    const double t = along(x);
    if (t <= lo || t >= hi) continue;
    if (t <= at)
      lo = t;
    else
      hi = t;
  }
  a = a0 + dir * lo;
  b = a0 + dir * hi;
}

std::vector<TGcell> ArrowheadFor(const TGcell& c, TPointD m) {
  std::vector<TGcell> out;
  if (c.kind == GK_LINE) {
    TPointD p1 = LineOf(c).a, p2 = LineOf(c).b;
    ClipToCrossings(p1, p2, m);
    if (p1 == p2) return out;
    const bool atEnd = Dist(m, p1) >= Dist(m, p2);
    const TPointD tip = atEnd ? p2 : p1, other = atEnd ? p1 : p2;
    DimArrow(out, tip, (other - tip) * (1 / Dist(other, tip)));
    return out;
  }
  if (c.kind != GK_ARC && c.kind != GK_CIRCLE) return out;
  // An ellipse's head would sit off the curve: refused.
  if (FlatnessOf(c) != 1) return out;
  const ArcParams arc = WholeTurn(c);
  const TPointD centre{arc.cx, arc.cy};
  const bool whole = arc.e - arc.s >= 2 * kPi - 1e-12;
  bool found = false;
  TPointD tip;
  if (!whole) {
    const TPointD s = centre + UnitVector(arc.s) * arc.r, e = centre + UnitVector(arc.e) * arc.r;
    tip = Dist(m, s) <= Dist(m, e) ? s : e;
    found = true;
  }
  const int w = StoreWindow();
  for (int i = 1, n = StoreUsed(); i <= n; ++i) {
    const TGcell& l = GcellRef(i);
    if (l.window != w || l.kind != GK_LINE || !IsCellShown(l)) continue;
    const TLineGeom g = LineOf(l);
    TPointD x;
    if (LineArcCross(x.x, x.y, m.x, m.y, g.a.x, g.a.y, g.b.x, g.b.y, arc) != kOnBoth) continue;
    if (!found || Dist(x, m) < Dist(tip, m)) {
      tip = x;
      found = true;
    }
  }
  if (!found) return out;  // a whole circle without a crossing has no end
  const double dm = std::atan2(m.y - centre.y, m.x - centre.x), dt = std::atan2(tip.y - centre.y, tip.x - centre.x);
  const double delta = std::remainder(dt - dm, 2 * kPi);
  // The strokes go back along the arc towards the click.
  DimArrow(out, tip, UnitVector(dt + (delta > 0 ? -kPi / 2 : kPi / 2)));
  return out;
}

namespace {

// The dimension's arrow size and angle for as long as it lives.
class TArrowSettings {
public:
  TArrowSettings(double length, double angle)
      : length_(CurPVC().dimArrowLength), angle_(CurPVC().dimArrowAngle) {
    CurPVC().dimArrowLength = length;
    CurPVC().dimArrowAngle = angle;
  }
  ~TArrowSettings() {
    CurPVC().dimArrowLength = length_;
    CurPVC().dimArrowAngle = angle_;
  }
  TArrowSettings(const TArrowSettings&) = delete;
  TArrowSettings& operator=(const TArrowSettings&) = delete;

private:
  const double length_, angle_;
};

void ArrowCaptions() {
  ClearSubBtns();
  SetSubBtn(Format("①サイズ[ﾐﾘ]=%.1f", {CurPVC().dimArrowLength}), true);
  SetSubBtn(Format("②角度(ﾟ)=%.1f", {CurPVC().dimArrowAngle}), true);
}

}  // namespace

void Op_ArrowSet(TGContext& view, int code, double x, double y) {
  (void)x;
  (void)y;
  if (code == EV_START) {
    ArrowCaptions();
  } else if (code == EV_END || code == EV_REDRAW) {
    return;
  } else if (ValueEntryButton() != 0) {
    if (code != EV_ENTER && code != EV_ESC) return;
    const int n = ValueEntryButton();
    const std::string text = TakeValueEntry(code);
    if (code == EV_ENTER && !text.empty()) SetSubValue(n == 1 ? "①サイズ[ﾐﾘ]" : "②角度(ﾟ)", text);
    return;
  } else if (code == EV_SUB1) {
    OpenValueEntry(1, "矢印のサイズ[ﾐﾘ]", HstList::ArrowSize);
    return;
  } else if (code == EV_SUB1 + 1) {
    OpenValueEntry(2, "矢印の角度(ﾟ)", HstList::ArrowAngle);
    return;
  } else if (IsClick(code)) {
    const TPointD m = ToWorld(view, PressPixel(code));
    const int i = PickNearest(view, false, m.x, m.y);
    if (i > 0) {
      const TGcell c = GcellRef(i);
      const TArrowSettings settings(ParseReal(SubOption(1).text), ParseReal(SubOption(2).text));
      std::vector<TGcell> head = ArrowheadFor(c, m);
      if ((c.kind == GK_LINE || c.kind == GK_ARC || c.kind == GK_CIRCLE) && head.empty()) {
        Platform().Beep();
      } else if (!head.empty()) {
        const std::uint16_t pen = code == EV_LCLICK ? static_cast<std::uint16_t>(c.pen & ~PEN_SELECTED) : WritePen();
        GcellCommit();
        for (TGcell& h : head) {
          h.layer = WriteLayer();
          h.pen = pen;
          StoreCell(view, h);
        }
        ShowDataCount();
      }
    }
  }
  ShowStep("矢印を付加する線を指示(L),(R:指定ペン)", CursorShape::Arrow, false, false);
}

// ---- Length to text ------------------------------------------------------------

namespace {

void ShowPiece(TGContext& view) {
  const SunpoHojyoRun& r = S();
  TGcell l = MakeLine(r.start, r.end);
  l.pen = static_cast<std::uint16_t>(0x11 | PEN_SELECTED);
  S().piece.Show(view, l);
}

double PieceLength() {
  const SunpoHojyoRun& r = S();
  const TScaleFactors f = GroupFactors(CurPVC(), r.layer);
  return std::hypot(std::fabs(r.start.x - r.end.x) * f.x, std::fabs(r.start.y - r.end.y) * f.y);
}

// The text i (held across the commit) takes the length; centred on the
// piece when asked, reading upright along it.
void SetLengthText(TGContext& view, int index, bool centre) {
  SunpoHojyoRun& r = S();
  r.piece.Clear(view);
  const TCellRef ref = GcellRefOf(index);
  GcellCommit();
  const int i = GcellResolve(ref);
  if (i <= 0) return;
  TGcell t = GcellGet(i);
  EraseCell(view, t);
  GcellDelete(i);
  t.text = DimValueText(PieceLength(), false, 0);
  if (centre) {
    TPointD a = r.start, b = r.end;
    const double c = std::cos(std::atan2(b.y - a.y, b.x - a.x));
    if (std::fabs(c) < 0.01 ? a.y > b.y : c < 0) std::swap(a, b);
    const double d = std::atan2(b.y - a.y, b.x - a.x);
    const TPointD along = UnitVector(d), across{-along.y, along.x};
    const double side = Dot(TextOf(t).at - a, across);
    t.p[6] = d;
    const double width = TextExtent(t);
    const TPointD at = a + along * (Dist(a, b) / 2 - width / 2) + across * side;
    t.p[0] = at.x;
    t.p[1] = at.y;
  }
  StoreCell(view, t);
  ShowDataCount();
  r.state = LengthState::Line;
}

void PickPiece(TGContext& view, TPointD p) {
  SunpoHojyoRun& r = S();
  const TGcell c = PickPrimitive(view, false, p.x, p.y);
  if (c.kind != GK_LINE) return;
  r.start = LineOf(c).a;
  r.end = LineOf(c).b;
  ClipToCrossings(r.start, r.end, p);
  r.layer = c.layer;
  ShowPiece(view);
  r.state = LengthState::LinePicked;
}

void LengthPrompt() {
  switch (S().state) {
    case LengthState::Line: ShowStep("長さ取得線指示(L)、１点目指示(R)", CursorShape::Point1, false, false); break;
    case LengthState::LinePicked:
      ShowStep("長さ取得線指示(L)、長さ値セット文字指示(R)", CursorShape::Cross, false, false);
      break;
    case LengthState::SecondPoint: ShowStep("２点目指示(R)", CursorShape::Point2, false, false); break;
    case LengthState::Picked:
      ShowStep("長さ値セット文字指示(L)or(R)、(R)で文字位置を中心に移動", CursorShape::Cross, false, false);
      break;
    default: break;
  }
}

// A right click snapped: false after a beep when nothing is near.
bool Snapped(TGContext& view, int code, TPointD& p) {
  p = ToWorld(view, PressPixel(code));
  if (SnapPoint(view, p.x, p.y)) return true;
  Platform().Beep();
  return false;
}

}  // namespace

void Op_LtoMoji(TGContext& view, int code, double x, double y) {
  (void)x;
  (void)y;
  SunpoHojyoRun& r = S();
  if (code == EV_START) {
    r = SunpoHojyoRun{};
    ClearSubBtns();
    SetSubBtn("①" + DimUnitCaption(), true);
    r.state = LengthState::Line;
    LengthPrompt();
    return;
  }
  if (code == EV_END) {
    r.piece.Clear(view);
    r.state = LengthState::Idle;
    return;
  }
  if (code == EV_REDRAW || r.state == LengthState::Idle) return;
  if (code == EV_SUB1) {
    EditDimensionUnit();
    SetSubBtn("①" + DimUnitCaption(), true);
    LengthPrompt();
    return;
  }
  const TPointD press = IsClick(code) ? ToWorld(view, PressPixel(code)) : TPointD{};
  TPointD p;
  switch (r.state) {
    case LengthState::Line:
      if (code == EV_LCLICK) {
        PickPiece(view, press);
      } else if (code == EV_RCLICK && Snapped(view, code, p)) {
        r.start = p;
        const TGcell c = PickPrimitive(view, false, p.x, p.y);
        r.layer = c.kind != 0 ? c.layer : static_cast<std::uint8_t>(CurPVC().writeLayer);
        r.state = LengthState::SecondPoint;
      }
      break;
    case LengthState::LinePicked:
      if (code == EV_ESC) {
        r.piece.Clear(view);
        r.state = LengthState::Line;
      } else if (code == EV_LCLICK) {
        PickPiece(view, press);
      } else if (code == EV_RCLICK) {
        const int t = PickText(false, press.x, press.y);
        if (t > 0) SetLengthText(view, t, false);
      }
      break;
    case LengthState::SecondPoint:
      if (code == EV_ESC) {
        r.state = LengthState::Line;
      } else if (code == EV_RCLICK && Snapped(view, code, p)) {
        r.end = p;
        const TPointD mid = (r.start + r.end) * 0.5;
        const TGcell c = PickPrimitive(view, false, mid.x, mid.y);
        if (c.kind != 0) r.layer = c.layer;
        ShowPiece(view);
        r.state = LengthState::Picked;
      }
      break;
    case LengthState::Picked:
      if (code == EV_ESC) {
        r.piece.Clear(view);
        r.state = LengthState::SecondPoint;
      } else if (IsClick(code)) {
        const int t = PickText(false, press.x, press.y);
        if (t > 0) SetLengthText(view, t, code == EV_RCLICK);
      }
      break;
    default: break;
  }
  LengthPrompt();
}
