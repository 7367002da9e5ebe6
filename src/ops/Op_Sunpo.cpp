#include "ops/Op_Sunpo.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "app/ApManager.h"
#include "app/Ap_Offset.h"
#include "app/Ap_Unit1.h"
#include "app/GC_PointSearch.h"
#include "app/GC_View.h"
#include "kernel/Platform.h"
#include "kernel/Z_Basic.h"
#include "kernel/Z_Math.h"
#include "model/ComHst.h"
#include "model/GC_DB.h"
#include "model/PVC.h"
#include "ops/OpDim.h"
#include "render/GC_Draw.h"

SunpoOpState g_sunpoOp;

void Op_Sunpo_Reset() { g_sunpoOp = SunpoOpState{}; }

namespace {

constexpr double kPi = std::numbers::pi;
constexpr int kSub1 = EV_SUB1, kSub2 = EV_SUB1 + 1, kSub3 = EV_SUB1 + 2, kSub4 = EV_SUB1 + 3;
const char* const kCircleCaptions[3] = {"①円径寸法", "①$円直径φ", "①$円半径Ｒ"};

SunpoRun& S() { return g_sunpoOp.run; }


double Unit() { return CurPVC().basicScale; }
double Spacing() { return SubBtnValue(3); }
double UnitLength() { return std::clamp(SubBtnValue(4), 0.0, 1e9); }

// The reference's group scales over the basic scale.
TScaleFactors Factors() { return GroupFactors(CurPVC(), S().ref.layer); }

// The pieces go to the reference's group on the write layer, with the write pen.
void Finish(std::vector<TGcell>& cells) { DimFinish(cells, DimByte(S().ref.layer)); }

bool Drawn(double at) {
  for (double d : S().drawnExt)
    if (std::fabs(d - at) < 1e-9 * std::max(1.0, std::fabs(at))) return true;
  return false;
}

// ---- Linear dimensions -------------------------------------------------------------

struct TBuilt {
  std::vector<TGcell> cells;
  std::vector<double> ext;  // extension lines drawn (frame x or directions)
};

TBuilt BuildLinear() {
  SunpoRun& r = S();
  TBuilt b;
  const double u = Unit(), th = r.theta;
  auto toF = [&](TPointD p) { return Rotated(p, -th); };
  auto fromF = [&](TPointD p) { return Rotated(p, th); };
  const TPointD a = toF(r.spanA), c = toF(r.spanB), n = toF(r.next);
  const TPointD p1 = std::fabs(n.x - a.x) <= std::fabs(n.x - c.x) ? a : c;
  double yl = toF(r.linePoint).y;
  const double sp = Spacing();
  if (sp != 0) {
    if (r.chain) {
      yl = r.chainLine;
    } else {
      const double base = std::fabs(p1.y - yl) <= std::fabs(n.y - yl) ? p1.y : n.y;
      const double step = sp * u;
      yl = base + std::nearbyint((yl - base) / step) * step;
    }
  } else if (r.chain) {
    yl = r.chainLine;
  }
  r.chainLine = yl;
  const double lo = std::min(a.x, c.x), hi = std::max(a.x, c.x);
  const double tol = 0.05 * u;
  if (std::fabs(n.x - p1.x) < tol) return b;
  if (hi - lo > tol && n.x > lo - tol && n.x < hi + tol) return b;
  const TPVC& pvc = CurPVC();
  for (const TPointD q : {p1, n}) {
    if (Drawn(q.x)) continue;
    const double d = yl >= q.y ? 1 : -1;
    b.cells.push_back(MakeLine(fromF({q.x, q.y + d * DimPaper(pvc.dimExtGap)}),
                               fromF({q.x, yl + d * DimPaper(pvc.dimExtOvershoot)})));
    b.ext.push_back(q.x);
  }
  const TPointD e1 = fromF({p1.x, yl}), e2 = fromF({n.x, yl});
  b.cells.push_back(MakeLine(e1, e2));
  if (std::fabs(n.x - p1.x) >= 3.5 * u) {
    const TPointD along = (e2 - e1) / Dist(e1, e2);
    DimArrow(b.cells, e1, along);
    DimArrow(b.cells, e2, -along);
  }
  const TScaleFactors k = Factors();
  const double value = std::hypot((e2.x - e1.x) * k.x, (e2.y - e1.y) * k.y);
  b.cells.push_back(DimCentredText(DimValueText(value, r.metres, UnitLength()), (e1 + e2) / 2, DimUprightAngle(th)));
  Finish(b.cells);
  return b;
}

// ---- Arc-length dimensions ---------------------------------------------------------

TBuilt BuildArc() {
  SunpoRun& r = S();
  TBuilt b;
  const ArcParams ref = ArcOf(r.ref);
  const TPointD c{ref.cx, ref.cy};
  const double u = Unit(), rr = ref.r;
  const double a1 = std::fabs(r.dirNext - r.dirA) <= std::fabs(r.dirNext - r.dirB) ? r.dirA : r.dirB;
  const double an = r.dirNext;
  if (std::fabs(an - a1) * rr < 0.05 * u) return b;
  if (r.dirB - r.dirA > 1e-9 && an > r.dirA && an < r.dirB) return b;
  double rho = r.chain ? r.chainLine : Dist(r.linePoint, c);
  const double sp = Spacing();
  if (sp != 0 && !r.chain) {
    const double snapped = rr + std::nearbyint((rho - rr) / (sp * u)) * sp * u;
    if (snapped > 0) rho = snapped;  // a step through the centre is not taken
  }
  if (!(rho > 0)) return b;
  r.chainLine = rho;
  const TPVC& pvc = CurPVC();
  const double out = rho >= rr ? 1 : -1;
  for (double a : {a1, an}) {
    if (Drawn(a)) continue;
    const TPointD d = UnitVector(a);
    b.cells.push_back(MakeLine(c + (rr + out * DimPaper(pvc.dimExtGap)) * d, c + (rho + out * DimPaper(pvc.dimExtOvershoot)) * d));
    b.ext.push_back(a);
  }
  const double s = std::min(a1, an), e = std::max(a1, an);
  b.cells.push_back(MakeArc({c.x, c.y, rho, 1, 0, s, e}));
  DimArrow(b.cells, c + rho * UnitVector(s), UnitVector(s + kPi / 2));
  DimArrow(b.cells, c + rho * UnitVector(e), UnitVector(e - kPi / 2));
  const double value = rr * (e - s) * Factors().x;
  const double am = (s + e) / 2;
  double t = am + kPi / 2;
  if (std::cos(t) < -0.1) t += kPi;
  TGcell text = DimCentredText(DimValueText(value, r.metres, UnitLength()), c + rho * UnitVector(am), t);
  b.cells.push_back(text);
  Finish(b.cells);
  return b;
}

// ---- Diameter and radius --------------------------------------------------------------

TBuilt BuildCircle(TPointD towards) {
  SunpoRun& r = S();
  TBuilt b;
  const ArcParams ref = ArcOf(r.ref);
  const TPointD c{ref.cx, ref.cy};
  const double a = LineAngle(c.x, c.y, towards.x, towards.y);
  const TPointD d = UnitVector(a);
  const TPointD from = r.circleMode == 1 ? c - ref.r * d : c, to = c + ref.r * d;
  b.cells.push_back(MakeLine(from, to));
  if (r.circleMode == 1) DimArrow(b.cells, from, d);
  DimArrow(b.cells, to, -d);
  const TScaleFactors k = Factors();
  const double value = std::hypot((to.x - from.x) * k.x, (to.y - from.y) * k.y);
  const std::string mark = r.circleMode == 1 ? "φ" : "R";
  b.cells.push_back(DimCentredText(mark + DimValueText(value, false, 0), (from + to) / 2, DimUprightAngle(a)));
  Finish(b.cells);
  return b;
}

TBuilt Build() { return S().arc ? BuildArc() : BuildLinear(); }

void ShowPreview(TGContext& view, TBuilt b) {
  for (TGcell& c : b.cells) c.pen |= PEN_SELECTED;
  S().preview.Show(view, std::move(b.cells));
}

bool Store(TGContext& view, TBuilt b) {
  if (b.cells.empty()) return false;
  GcellCommit();
  for (TGcell& c : b.cells) StoreCell(view, c);
  for (double e : b.ext) S().drawnExt.push_back(e);
  ShowDataCount();
  return true;
}

// ---- Buttons and steps -------------------------------------------------------------------

void Captions() {
  ClearSubBtns();
  SetSubBtn(kCircleCaptions[S().circleMode], true);
  SetSubBtn("②" + DimUnitCaption(), true);
  const double pitch = CurPVC().dimPitch;
  SetSubBtn(pitch != 0 ? Format("③間隔ﾐﾘ=%.1f", {pitch}) : std::string("③間隔ﾐﾘ"), true);
  SetSubBtn("④単位長", true);
}

void ShowRef(TGContext& view) {
  S().refShown.Show(view, Highlighted(S().ref));
}

void Enter(DimState s) { S().state = s; }

const char* PromptOf(DimState s) {
  switch (s) {
    case DimState::DimRef: return "寸法線の平行線,円弧を指示(L)";
    case DimState::DimFirst: return "寸法線：1点目指示(R)";
    case DimState::DimSecond: return "寸法線：2点目指示(R)";
    case DimState::DimPlace:
    case DimState::CircleDim: return "寸法線の位置を指示(L)or(R)";
    case DimState::DimChain: return "寸法線：継続点指示(R)";
    case DimState::Idle: break;
  }
  return "";
}

CursorShape CursorOf(DimState s) {
  switch (s) {
    case DimState::DimRef: return CursorShape::HandPoint;
    case DimState::DimFirst: return CursorShape::Point1;
    case DimState::DimSecond: return CursorShape::Point2;
    default: return CursorShape::Arrow;
  }
}

// The direction of p about the reference's centre, within half a turn of previous.
double DirectionNear(TPointD p, double previous) {
  const ArcParams ref = ArcOf(S().ref);
  double a = LineAngle(ref.cx, ref.cy, p.x, p.y);
  if (!std::isfinite(a) || !std::isfinite(previous)) return previous;
  a += std::nearbyint((previous - a) / (2 * kPi)) * 2 * kPi;
  return a;
}

// A right click's point: snapped (false, with nothing changed, when nothing
// is near) plus the pending offset.
bool RightPoint(TGContext& view, int code, TPointD& p) {
  if (code != EV_RCLICK) return false;
  p = ToWorld(view, PressPixel(code));
  if (!SnapPoint(view, p.x, p.y)) return false;
  AddOffset(p.x, p.y);
  return true;
}

void ToRef(TGContext& view) {
  S().preview.Clear(view);
  S().refShown.Clear(view);
  S().chain = false;
  S().drawnExt.clear();
  Captions();
  Enter(DimState::DimRef);
}

// ---- Events ------------------------------------------------------------------------------

void OnEvent(TGContext& view, int code, double x, double y) {
  SunpoRun& r = S();
  const bool move = code == EV_MOVE || code == EV_RDOWN;
  switch (r.state) {
    case DimState::DimRef:
      if (code == kSub1) {
        r.circleMode = (r.circleMode + 1) % 3;
        SetSubBtn(kCircleCaptions[r.circleMode], true);
      } else if (code == EV_LCLICK) {
        const TPointD p = ToWorld(view, PressPixel(code));
        TGcell c = PickPrimitive(view, false, p.x, p.y);
        if (c.kind != GK_LINE && c.kind != GK_ARC && c.kind != GK_CIRCLE) return;
        // Arc lengths and diameters are of circles: an ellipse is refused.
        if (c.kind != GK_LINE && FlatnessOf(c) != 1) {
          Platform().Beep();
          return;
        }
        r.ref = c;
        r.arc = c.kind != GK_LINE;
        r.chain = false;
        r.drawnExt.clear();
        if (!r.arc) {
          TLineGeom l = LineOf(c);
          if (l.b.x < l.a.x) std::swap(l.a, l.b);
          r.theta = LineAngle(l.a.x, l.a.y, l.b.x, l.b.y);
        }
        ShowRef(view);
        if (r.arc && r.circleMode != 0) {
          SetSubBtn("③間隔ﾐﾘ", false);
          SetSubBtn("④単位長", false);
          ShowPreview(view, BuildCircle(p));
          Enter(DimState::CircleDim);
        } else {
          SetSubBtn(kCircleCaptions[r.circleMode], false);
          SetOffsetAllow(false, true);
          Enter(DimState::DimFirst);
        }
      }
      return;
    case DimState::DimFirst: {
      TPointD p;
      if (code == EV_ESC) {
        SetOffsetAllow(false, false);
        ToRef(view);
      } else if (RightPoint(view, code, p)) {
        r.spanA = r.spanB = p;
        if (r.arc) r.dirA = r.dirB = r.dirNext = DirectionNear(p, 0);
        Enter(DimState::DimSecond);
      }
      return;
    }
    case DimState::DimSecond: {
      TPointD p;
      if (code == EV_ESC) {
        Enter(DimState::DimFirst);
      } else if (RightPoint(view, code, p)) {
        r.next = r.linePoint = p;
        if (r.arc) r.dirNext = DirectionNear(p, r.dirNext);
        r.refShown.Clear(view);
        r.metres = (g_manager.shiftAtClick & ssShift) != 0;
        ShowPreview(view, Build());
        SetOffsetAllow(true, true);
        Enter(DimState::DimPlace);
      }
      return;
    }
    case DimState::DimPlace:
    case DimState::DimChain: {
      const bool chain = r.state == DimState::DimChain;
      if (code == EV_ESC) {
        r.preview.Clear(view);
        SetOffsetAllow(false, true);
        if (chain) {
          Captions();
          SetSubBtn(kCircleCaptions[r.circleMode], false);
          r.chain = false;
          r.drawnExt.clear();
          Enter(DimState::DimFirst);
        } else {
          ShowRef(view);
          Enter(DimState::DimSecond);
        }
        return;
      }
      if (move) {
        const TPointD p = PointerPoint(view, code, x, y);
        if (chain) {
          r.next = p;
          if (r.arc) r.dirNext = DirectionNear(p, r.dirNext);
        } else {
          r.linePoint = p;
        }
        ShowPreview(view, Build());
        return;
      }
      if (!IsClick(code)) return;
      TPointD p;
      if (!ClickPoint(view, code, p)) return;
      r.preview.Clear(view);
      if (chain) {
        r.next = p;
        if (r.arc) r.dirNext = DirectionNear(p, r.dirNext);
      } else {
        r.linePoint = p;
      }
      if (!Store(view, Build())) {
        if (chain) ToRef(view);
        return;
      }
      // The covered span takes the new point in.
      if (r.arc) {
        r.dirA = std::min(r.dirA, r.dirNext);
        r.dirB = std::max(r.dirB, r.dirNext);
        if (r.dirB - r.dirA > 2 * kPi - 0.001) {
          ToRef(view);
          return;
        }
      } else {
        const double nx = Rotated(r.next, -r.theta).x;
        const double ax = Rotated(r.spanA, -r.theta).x;
        if (nx < ax) r.spanA = r.next;
        else if (nx > Rotated(r.spanB, -r.theta).x) r.spanB = r.next;
        if (Rotated(r.spanA, -r.theta).x > Rotated(r.spanB, -r.theta).x) std::swap(r.spanA, r.spanB);
      }
      r.chain = true;
      DimRemember();
      SetSubBtn(SubOption(3).raw, false);
      Enter(DimState::DimChain);
      ShowPreview(view, Build());
      return;
    }
    case DimState::CircleDim: {
      if (code == EV_ESC) {
        SetOffsetAllow(false, false);
        ToRef(view);
        return;
      }
      if (code == kSub1) {
        r.circleMode = r.circleMode == 1 ? 2 : 1;
        SetSubBtn(kCircleCaptions[r.circleMode], true);
        r.preview.Clear(view);
        ShowPreview(view, BuildCircle(r.linePoint));
        return;
      }
      if (move) {
        r.linePoint = PointerPoint(view, code, x, y);
        ShowPreview(view, BuildCircle(r.linePoint));
        return;
      }
      if (!IsClick(code)) return;
      TPointD p;
      if (!ClickPoint(view, code, p)) return;
      r.preview.Clear(view);
      r.refShown.Clear(view);
      Store(view, BuildCircle(p));
      ToRef(view);
      return;
    }
    case DimState::Idle: return;
  }
}

}  // namespace

void Op_Sunpo(TGContext& view, int code, double x, double y) {
  SunpoRun& r = S();
  if (code == EV_START) {
    g_sunpoOp.run = SunpoRun{};
    DimOpStart();
    Captions();
    SetOffsetAllow(false, false);
    Enter(DimState::DimRef);
  } else if (code == EV_END) {
    DimOpEnd();
    r.preview.Clear(view);
    r.refShown.Clear(view);
    Enter(DimState::Idle);
    Form1Changed();
    return;
  } else if (code == EV_REDRAW || r.state == DimState::Idle) {
    return;
  } else if (ValueEntryButton() != 0) {
    if (code != EV_ENTER && code != EV_ESC) return;
    const int n = ValueEntryButton();
    const std::string text = TakeValueEntry(code);
    const std::string name = n == 3 ? "③間隔ﾐﾘ" : "④単位長";
    if (!text.empty()) SetSubValue(name, text);
    ShowTextSizeBox(true);
    Form1Changed();
  } else if ((code == kSub3 || code == kSub4) && SubOption(code - EV_SUB1 + 1).enabled) {
    ShowTextSizeBox(false);
    if (code == kSub3) OpenValueEntry(3, "用紙上での間隔[ﾐﾘ]", HstList::DimSpacing);
    else OpenValueEntry(4, "単位長さ(mm)", HstList::DimUnit);
    Form1Changed();
    return;
  } else if (code == kSub2 && SubOption(2).enabled) {
    EditDimensionUnit();
    SetSubBtn("②" + DimUnitCaption(), true);
  } else if (code >= kSub1 && code <= EV_SUB7 && !SubOption(code - EV_SUB1 + 1).enabled) {
    return;
  } else {
    OnEvent(view, code, x, y);
  }
  ShowStep(PromptOf(r.state), CursorOf(r.state), CurPVC().offsetLeft, CurPVC().offsetRight);
}
