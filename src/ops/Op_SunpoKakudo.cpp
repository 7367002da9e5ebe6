#include "ops/Op_SunpoKakudo.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "app/GC_PointSearch.h"
#include "app/GC_View.h"
#include "kernel/Platform.h"
#include "kernel/Z_Math.h"
#include "model/PVC.h"
#include "ops/OpDim.h"
#include "render/GC_Tenkai.h"
#include "render/Z_Graph.h"

SunpoKakudoOpState g_sunpoKakudoOp;

void Op_SunpoKakudo_Reset() { g_sunpoKakudoOp = SunpoKakudoOpState{}; }

namespace {

constexpr double kPi = std::numbers::pi;

SunpoKakudoRun& S() { return g_sunpoKakudoOp.run; }

double Direction(TPointD from, TPointD to) { return std::atan2(to.y - from.y, to.x - from.x); }

}  // namespace

void ComputeAngleSpan(TPointD m) {
  SunpoKakudoRun& r = S();
  double a1 = Direction(r.v, r.f1), a2 = Direction(r.v, r.f2);
  if (a1 > a2) std::swap(a1, a2);
  while (a1 + kPi < a2) a2 -= 2 * kPi;
  if (a1 > a2) std::swap(a1, a2);
  double dm = Direction(r.v, m);
  while (dm < a1) dm += 2 * kPi;
  while (dm >= a1 + 2 * kPi) dm -= 2 * kPi;
  if (dm <= a2) {
    r.start = a1;
    r.end = a2;
  } else {
    r.start = a2;
    r.end = a1 + 2 * kPi;
  }
  r.rho = Dist(r.v, m);
}

std::vector<TGcell> BuildAngle() {
  const SunpoKakudoRun& r = S();
  const TPVC& pvc = CurPVC();
  std::vector<TGcell> out;
  out.push_back(MakeArc({r.v.x, r.v.y, r.rho, 1, 0, r.start, r.end}));
  DimArrow(out, r.v + UnitVector(r.start) * r.rho, UnitVector(r.start + kPi / 2));
  DimArrow(out, r.v + UnitVector(r.end) * r.rho, UnitVector(r.end - kPi / 2));
  // The angle measured on the group's scaled coordinates.
  const TScaleFactors f = GroupFactors(pvc, r.layer);
  const double s = std::atan2(std::sin(r.start) * f.y, std::cos(r.start) * f.x);
  double e = std::atan2(std::sin(r.end) * f.y, std::cos(r.end) * f.x);
  while (e < s) e += 2 * kPi;
  const std::string text = AngleText(RadToDeg(std::fabs(e - s)));
  // Along the arc at its middle, turned to read upright.
  const double mu = (r.start + r.end) / 2;
  const TPointD c = r.v + UnitVector(mu) * r.rho;
  double t = mu - kPi / 2;
  const int size = std::max(1, pvc.textSize);
  const TTextSize& ts = pvc.textSizes[static_cast<std::size_t>(size)];
  const double n = static_cast<double>(text.size());
  double w = pvc.dimFullWidth ? (n - 1) / 2 : (n - 0.5) / 2;
  w = w / 2 * ts.width * pvc.basicScale;
  TPointD at = c - UnitVector(t) * w + UnitVector(mu) * DimPaper(pvc.dimTextGap);
  if (std::cos(t) < -0.1) {
    at = at + Rotated({2 * w, ts.height * pvc.basicScale}, t);
    t = t <= kPi / 2 ? t + kPi : t - kPi;
  }
  TGcell label = MakeText(text, at, t);
  label.size = static_cast<std::uint8_t>(size);
  label.pen = 1;
  out.push_back(label);
  DimFinish(out, r.layer);
  return out;
}

namespace {

void ShowPreview(TGContext& view) {
  std::vector<TGcell> cells = BuildAngle();
  for (TGcell& c : cells) c.pen |= PEN_SELECTED;
  S().preview.Show(view, std::move(cells));
}

void ShowState() {
  switch (S().state) {
    case AngleState::Line1: ShowStep("角度寸法：線１指示(L)", CursorShape::Point1, false, false); break;
    case AngleState::Line2: ShowStep("角度寸法：線２指示(L)", CursorShape::Point2, false, false); break;
    case AngleState::Place: ShowStep("角度寸法：寸法線の位置を指示(LorR)", CursorShape::Cross, false, true); break;
    default: break;
  }
}

// The line under a left click and the foot of the click on it.
bool PickLine(TGContext& view, int code, TPointD& foot, TGcell& line) {
  const TPointD p = ToWorld(view, PressPixel(code));
  line = PickPrimitive(view, false, p.x, p.y);
  if (line.kind != GK_LINE) return false;
  const TLineGeom l = LineOf(line);
  PerpendicularFoot(foot.x, foot.y, p.x, p.y, l.a.x, l.a.y, l.b.x, l.b.y);
  return true;
}

}  // namespace

void Op_SunpoKakudo(TGContext& view, int code, double x, double y) {
  SunpoKakudoRun& r = S();
  if (code == EV_START) {
    r = SunpoKakudoRun{};
    DimOpStart();
    ClearSubBtns();
    r.state = AngleState::Line1;
    ShowState();
    return;
  }
  if (code == EV_END) {
    DimOpEnd();
    r.preview.Clear(view);
    r.state = AngleState::Idle;
    return;
  }
  if (code == EV_REDRAW || r.state == AngleState::Idle) return;
  switch (r.state) {
    case AngleState::Line1: {
      if (code != EV_LCLICK) break;
      TGcell line;
      if (!PickLine(view, code, r.f1, line)) break;
      r.line1 = line;
      r.layer = DimByte(line.layer);
      r.state = AngleState::Line2;
      break;
    }
    case AngleState::Line2: {
      if (code == EV_ESC) {
        r.state = AngleState::Line1;
        break;
      }
      if (code != EV_LCLICK) break;
      TGcell line;
      if (!PickLine(view, code, r.f2, line)) break;
      const TLineGeom a = LineOf(r.line1), b = LineOf(line);
      // The two as infinite lines: a crossing anywhere along them.
      const TPointD da = a.b - a.a, db = b.b - b.a;
      const double den = Cross(da, db);
      if (std::fabs(den) <= 1e-12 * Length(da) * Length(db)) break;  // parallel: wait for another
      r.v = a.a + da * (Cross(b.a - a.a, db) / den);
      if (Dist(r.v, r.f1) < 0.01 || Dist(r.v, r.f2) < 0.01) {
        r.state = AngleState::Line1;
        break;
      }
      ComputeAngleSpan(ToWorld(view, PressPixel(code)));
      ShowPreview(view);
      r.state = AngleState::Place;
      break;
    }
    case AngleState::Place: {
      if (code == EV_ESC) {
        r.preview.Clear(view);
        r.state = AngleState::Line2;
      } else if (code == EV_MOVE || code == EV_RDOWN) {
        ComputeAngleSpan(PointerPoint(view, code, x, y));
        ShowPreview(view);
      } else if (IsClick(code)) {
        TPointD m = ToWorld(view, PressPixel(code));
        if (code == EV_RCLICK) {
          TPointD s = m;
          if (!SnapPoint(view, s.x, s.y)) {
            Platform().Beep();
            break;
          }
          m = r.v + UnitVector(Direction(r.v, m)) * Dist(r.v, s);
        }
        ComputeAngleSpan(m);
        if (r.rho < G_PixelSize(view)) {  // on the vertex: no arc to draw
          Platform().Beep();
          break;
        }
        r.preview.Clear(view);
        GcellCommit();
        for (const TGcell& c : BuildAngle()) StoreCell(view, c);
        ShowDataCount();
        DimRemember();
        r.state = AngleState::Line1;
      }
      break;
    }
    default: break;
  }
  ShowState();
}
