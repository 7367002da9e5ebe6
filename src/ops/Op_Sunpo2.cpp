#include "ops/Op_Sunpo2.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "app/Ap_Offset.h"
#include "app/GC_PointSearch.h"
#include "app/GC_View.h"
#include "kernel/Platform.h"
#include "kernel/Z_Math.h"
#include "model/PVC.h"
#include "ops/OpDim.h"
#include "render/GC_Tenkai.h"

Sunpo2OpState g_sunpo2Op;

void Op_Sunpo2_Reset() { g_sunpo2Op = Sunpo2OpState{}; }

namespace {

constexpr double kPi = std::numbers::pi;

Sunpo2Run& S() { return g_sunpo2Op.run; }

}  // namespace

std::vector<TGcell> BuildOblique(TPointD p1, TPointD p2, TPointD p3, std::uint8_t layer) {
  const TPVC& pvc = CurPVC();
  std::vector<TGcell> out;
  // The lead-out turned to the nearest multiple of 15 degrees.
  const double g = RadToDeg(std::atan2(p3.y - p2.y, p3.x - p2.x));
  const double phi = DegToRad((g < 0 ? -1 : 1) * std::trunc(std::fabs(g) / 15 + 0.5) * 15);
  const double h = Dist(p2, p3);
  const TPointD e = UnitVector(phi);
  const TPointD d1 = p1 + e * h, d2 = p2 + e * h;
  const double over = DimPaper(pvc.dimExtOvershoot);
  out.push_back(MakeLine(p1, p1 + e * (h + over)));
  out.push_back(MakeLine(p2, p2 + e * (h + over)));
  const TPointD d = (p2 - p1) * (1 / std::max(Dist(p1, p2), 1e-12));
  const double arrow = DimPaper(pvc.dimArrowLength);
  if (Dist(p1, p2) <= 3 * arrow) {  // arrows outside, pointing in
    out.push_back(MakeLine(d1 - d * (1.5 * arrow), d2 + d * (1.5 * arrow)));
    DimArrow(out, d1, d * -1);
    DimArrow(out, d2, d);
  } else {
    out.push_back(MakeLine(d1, d2));
    DimArrow(out, d1, d);
    DimArrow(out, d2, d * -1);
  }
  const TScaleFactors f = GroupFactors(pvc, layer);
  const double value = std::hypot(std::fabs(p1.x - p2.x) * f.x, std::fabs(p1.y - p2.y) * f.y);
  // The text reads upright along the dimension line, on the side away from
  // the measured points.
  TPointD a = d1, b = d2;
  const double c = std::cos(std::atan2(b.y - a.y, b.x - a.x));
  if (std::fabs(c) < 0.01 ? a.y > b.y : a.x > b.x) std::swap(a, b);
  const double t = std::atan2(b.y - a.y, b.x - a.x);
  const double v = -std::sin(t) * (p1.x - a.x) + std::cos(t) * (p1.y - a.y);
  TGcell text = DimCentredText(DimValueText(value, false, 0), (a + b) * 0.5, t);
  if (v >= 0) {  // below the line: the gap and a character height the other way
    const TPointD across{-std::sin(t), std::cos(t)};
    const double shift = 2 * DimPaper(pvc.dimTextGap) + TextMetrics(text).height;
    text.p[0] -= across.x * shift;
    text.p[1] -= across.y * shift;
  }
  out.push_back(text);
  DimFinish(out, layer);
  return out;
}

namespace {

void ShowPreview(TGContext& view) {
  Sunpo2Run& r = S();
  std::vector<TGcell> cells = BuildOblique(r.p1, r.p2, r.p3, r.layer);
  for (TGcell& c : cells) c.pen |= PEN_SELECTED;
  r.preview.Show(view, std::move(cells));
}

// A right click's point: snapped (a beep and false when nothing is near),
// plus the pending offset.
bool RightPoint(TGContext& view, int code, TPointD& p) { return code == EV_RCLICK && ClickPoint(view, code, p); }

void ShowState() {
  switch (S().state) {
    case ObliqueState::First: ShowStep("斜め寸法線：点1指示(R)", CursorShape::Point1, false, true); break;
    case ObliqueState::Second: ShowStep("斜め寸法線：点2指示(R)", CursorShape::Point2, false, true); break;
    case ObliqueState::Place: ShowStep("斜め寸法線：引出し位置指示(L)", CursorShape::Cross, true, true); break;
    default: break;
  }
}

}  // namespace

void Op_Sunpo2(TGContext& view, int code, double x, double y) {
  Sunpo2Run& r = S();
  if (code == EV_START) {
    r = Sunpo2Run{};
    DimOpStart();
    ClearSubBtns();
    SetSubBtn("①" + DimUnitCaption(), true);
    r.state = ObliqueState::First;
    ShowState();
    return;
  }
  if (code == EV_END) {
    DimOpEnd();
    r.preview.Clear(view);
    r.state = ObliqueState::Idle;
    return;
  }
  if (code == EV_REDRAW || r.state == ObliqueState::Idle) return;
  if (code == EV_SUB1) {
    EditDimensionUnit();
    SetSubBtn("①" + DimUnitCaption(), true);
    if (r.state == ObliqueState::Place) ShowPreview(view);
    ShowState();
    return;
  }
  TPointD p;
  switch (r.state) {
    case ObliqueState::First:
      if (code == EV_RCLICK && RightPoint(view, code, p)) {
        const TPointD at = ToWorld(view, PressPixel(code));
        const TGcell picked = PickPrimitive(view, false, at.x, at.y);
        r.layer = DimByte(picked.kind != 0 ? picked.layer : static_cast<std::uint8_t>(CurPVC().writeLayer));
        r.p1 = p;
        r.state = ObliqueState::Second;
      }
      break;
    case ObliqueState::Second:
      if (code == EV_ESC) {
        r.state = ObliqueState::First;
      } else if (code == EV_RCLICK && RightPoint(view, code, p) && Dist(r.p1, p) > 1) {
        r.p2 = r.p3 = p;
        ShowPreview(view);
        r.state = ObliqueState::Place;
      }
      break;
    case ObliqueState::Place:
      if (code == EV_ESC) {
        r.preview.Clear(view);
        r.state = ObliqueState::Second;
      } else if (code == EV_MOVE || code == EV_RDOWN) {
        r.p3 = PointerPoint(view, code, x, y);
        ShowPreview(view);
      } else if (IsClick(code) && ClickPoint(view, code, p)) {
        r.preview.Clear(view);
        r.p3 = p;
        GcellCommit();
        for (const TGcell& c : BuildOblique(r.p1, r.p2, r.p3, r.layer)) StoreCell(view, c);
        ShowDataCount();
        DimRemember();
        r.state = ObliqueState::First;
      }
      break;
    default: break;
  }
  ShowState();
}
