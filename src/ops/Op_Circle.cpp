#include "ops/Op_Circle.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "app/ApManager.h"
#include "app/Ap_Unit1.h"
#include "app/GC_View.h"
#include "kernel/Platform.h"
#include "kernel/Z_Basic.h"
#include "kernel/Z_Math.h"
#include "model/ComHst.h"
#include "model/GC_DB.h"
#include "model/PVC.h"
#include "render/GC_Draw.h"

CircleOpState g_circleOp;

void Op_Circle_Reset() { g_circleOp = CircleOpState{}; }

namespace {

constexpr double kPi = std::numbers::pi;
constexpr int kSub1 = EV_SUB1, kSub2 = EV_SUB1 + 1, kSub3 = EV_SUB1 + 2, kSub4 = EV_SUB1 + 3, kSub5 = EV_SUB1 + 4;
// The box previews' pen: pen 1, dotted, selected.
constexpr std::uint16_t kBoxPen = 0x8021;
// More lines than this in one sine wave are drawn by one repaint.
constexpr std::size_t kDrawOneByOne = 2000;

CircleRun& S() { return g_circleOp.run; }
bool Diameter() { return g_circleOp.options.diameter; }

bool CircleStates(CircleState s) { return s >= CircleState::CirFirst && s <= CircleState::CirPlace; }
bool EllipseStates(CircleState s) { return s >= CircleState::EllFirst && s <= CircleState::EllPlace; }
bool BoxStates(CircleState s) { return s == CircleState::BoxStart || s == CircleState::BoxEnd; }
bool SineStates(CircleState s) { return s == CircleState::SineStart || s == CircleState::SineEnd; }

const char* PromptOf(CircleState s) {
  const bool d = Diameter();
  switch (s) {
    case CircleState::CirFirst: return d ? "円周１を指示(L)or(R)" : "円中心を指示(L)or(R)";
    case CircleState::CirSecond: return d ? "円周２を指示(L)or(R)" : "円周を指示(L)or(R)";
    case CircleState::EllFirst: return d ? "楕円周１を指示(L)or(R)" : "楕円中心を指示(L)or(R)";
    case CircleState::EllSecond: return d ? "楕円周２を指示(L)or(R)" : "楕円周を指示(L)or(R)";
    case CircleState::CirPlace: return "円位置を指示(L)or(R)";
    case CircleState::EllPlace: return "惰円位置を指示(L)or(R)";
    case CircleState::BoxStart: return "楕円の「始点指示(L)or(R)";
    case CircleState::BoxEnd: return "楕円の終点指示(L)or(R)」";
    case CircleState::SineStart: return "正弦波「始点指示(L)or(R)";
    case CircleState::SineEnd: return "正弦波終点指示(L)or(R)」";
    case CircleState::Idle: break;
  }
  return "";
}

void Enter(CircleState s) { S().state = s; }

// ---- Buttons --------------------------------------------------------------------

const char* ModeCaption() { return Diameter() ? "①$直径指示" : "①$半径指示"; }

void CircleButtons() {
  ClearSubBtns();
  SetSubBtn(ModeCaption(), true);
  SetSubBtn(S().sizeCaption, true);
  SetSubBtn("③楕円", true);
  SetSubBtn("④□楕円", true);
  SetSubBtn("⑤□SIN", true);
}

void EllipseButtons() {
  ClearSubBtns();
  SetSubBtn(ModeCaption(), true);
  SetSubBtn(S().sizeCaption, true);
  SetSubBtn(S().flatCaption, true);
  SetSubBtn(S().tiltCaption, true);
}

void BoxButtons() {
  ClearSubBtns();
  SetSubBtn(S().circumscribed ? "①矩形の<外接>楕円" : "①矩形の<内接>楕円", true);
}

void SineButtons() {
  ClearSubBtns();
  SetSubBtn(S().divisionsCaption, true);
  SetSubBtn(S().cyclesCaption, true);
}

// ---- Parameters ----------------------------------------------------------------

double ValueOf(const std::string& caption) {
  const std::size_t e = caption.find('=');
  return e == std::string::npos ? 0 : ParseReal(ToHalfWidth(caption.substr(e + 1), false));
}

// The typed size in stored units (0: none).
double Size() { return ValueOf(S().sizeCaption) / WriteScale().x; }

ArcParams CurveAt(TPointD p) {
  const bool ellipse = EllipseStates(S().state);
  return ComputeCircle(S().first, p, Diameter(), Size(), ellipse ? ValueOf(S().flatCaption) : 0,
                       ellipse ? DegToRad(ValueOf(S().tiltCaption)) : 0);
}

TGcell WithPen(TGcell c, bool selected) {
  c.layer = WriteLayer();
  c.pen = static_cast<std::uint16_t>(WritePen() | (selected ? PEN_SELECTED : 0));
  return c;
}

void ShowCurve(TGContext& view, TPointD p) { S().preview.Show(view, WithPen(MakeArc(CurveAt(p)), true)); }

void ShowBox(TGContext& view, TPointD b) {
  TGcell r = MakeRect(S().first, b.x - S().first.x, b.y - S().first.y);
  r.pen = kBoxPen;
  S().box.Show(view, r);
  if (BoxStates(S().state)) S().preview.Show(view, WithPen(MakeArc(BoxEllipse(S().first, b, S().circumscribed)), true));
}

void HidePreviews(TGContext& view) {
  S().preview.Clear(view);
  S().box.Clear(view);
}

// ---- Storing ----------------------------------------------------------------------

void StoreCurve(TGContext& view, const ArcParams& a) {
  // A flatness below 0.001 would draw as a circle of the ellipse's radius:
  // refused, as a curve without a radius is.
  if (!(a.f >= 0.001) || !std::isfinite(a.r) || !std::isfinite(a.f)) {
    Platform().Beep();
    return;
  }
  GcellCommit();
  StoreCell(view, WithPen(MakeArc(a), false));
  ShowDataCount();
}

void StoreSine(TGContext& view, TPointD b) {
  GcellCommit();
  const std::vector<TPointD> pts = SineWave(S().first, b, ValueOf(S().cyclesCaption), ValueOf(S().divisionsCaption));
  const bool oneByOne = pts.size() <= kDrawOneByOne;
  for (std::size_t i = 1; i < pts.size(); ++i) {
    const TGcell c = WithPen(MakeLine(pts[i - 1], pts[i]), false);
    if (oneByOne)
      StoreCell(view, c);
    else
      GcellAdd(c);
  }
  if (!oneByOne) ViewRedraw(0);
  ShowDataCount();
}

// ---- Value entry -----------------------------------------------------------------

void OpenEntry(int n) {
  const CircleState s = S().state;
  if (SineStates(s)) {
    if (n == 1) OpenValueEntry(1, "90ﾟの分割点数", HstList::CircleDivisions);
    if (n == 2) OpenValueEntry(2, "作成サイクル数", HstList::SineCycles);
    return;
  }
  if (n == 2)
    OpenValueEntry(2, Diameter() ? "円の直径(mm)" : "円の半径(mm)",
                   Diameter() ? HstList::CircleDiameter : HstList::CircleRadius);
  if (n == 3) OpenValueEntry(3, "楕円の扁平率(%)", HstList::EllipseFlatness);
  if (n == 4) OpenValueEntry(4, "楕円の傾き(ﾟ)", HstList::Angle);
}

std::string Named(const std::string& caption, const std::string& value) {
  return caption.substr(0, caption.find('=')) + "=" + value;
}

void TakeEntry(TGContext& view, int code) {
  CircleRun& r = S();
  const int n = ValueEntryButton();
  const std::string text = TakeValueEntry(code);
  std::string* caption = nullptr;
  if (SineStates(r.state)) {
    caption = n == 1 ? &r.divisionsCaption : n == 2 ? &r.cyclesCaption : nullptr;
  } else {
    caption = n == 2 ? &r.sizeCaption : n == 3 ? &r.flatCaption : n == 4 ? &r.tiltCaption : nullptr;
  }
  if (caption && !text.empty()) {
    *caption = Named(*caption, text);
    SetSubBtn(*caption, true);
  }
  if (!CircleStates(r.state) && !EllipseStates(r.state)) return;
  const bool ellipse = EllipseStates(r.state);
  if (!r.preview.Visible() && Size() != 0) {
    Enter(ellipse ? CircleState::EllPlace : CircleState::CirPlace);
    ShowCurve(view, r.pointer);
  } else if (r.preview.Visible() && Size() == 0 &&
             (r.state == CircleState::CirPlace || r.state == CircleState::EllPlace)) {
    r.preview.Clear(view);
    Enter(ellipse ? CircleState::EllFirst : CircleState::CirFirst);
  }
}

// ---- Events ----------------------------------------------------------------------

void ToCircles(TGContext& view) {
  HidePreviews(view);
  S().cross.Hide(view);
  CircleButtons();
  Enter(CircleState::CirFirst);
}

void OnCurve(TGContext& view, int code, double x, double y) {
  CircleRun& r = S();
  const CircleState s = r.state;
  const bool ellipse = EllipseStates(s);
  const bool first = s == CircleState::CirFirst || s == CircleState::EllFirst;
  switch (code) {
    case EV_ESC:
      if (first) {
        ToCircles(view);
      } else {
        r.preview.Clear(view);
        Enter(ellipse ? CircleState::EllFirst : CircleState::CirFirst);
      }
      return;
    case kSub1:
      g_circleOp.options.diameter = !Diameter();
      SetSubBtn(ModeCaption(), true);
      return;
    case kSub3:
      if (!ellipse) {
        Enter(s == CircleState::CirFirst ? CircleState::EllFirst
                                         : s == CircleState::CirSecond ? CircleState::EllSecond : CircleState::EllPlace);
        EllipseButtons();
        if (r.preview.Visible()) ShowCurve(view, r.pointer);
      } else {
        OpenEntry(3);
      }
      return;
    case kSub4:
      if (!ellipse) {
        r.preview.Clear(view);
        r.circumscribed = true;
        BoxButtons();
        r.cross.Show(view, g_manager.lastMousePos);
        Enter(CircleState::BoxStart);
      } else {
        OpenEntry(4);
      }
      return;
    case kSub5:
      if (!ellipse) {
        r.preview.Clear(view);
        SineButtons();
        r.cross.Show(view, g_manager.lastMousePos);
        Enter(CircleState::SineStart);
      }
      return;
    case EV_MOVE:
    case EV_RDOWN:
      r.pointer = PointerPoint(view, code, x, y);
      if (!first) ShowCurve(view, r.pointer);
      return;
    case EV_LCLICK:
    case EV_RCLICK: {
      TPointD p;
      if (!ClickPoint(view, code, p)) return;
      if (first) {
        r.first = p;
        ShowCurve(view, p);
        Enter(ellipse ? CircleState::EllSecond : CircleState::CirSecond);
        return;
      }
      r.preview.Clear(view);
      StoreCurve(view, CurveAt(p));
      if (s == CircleState::CirPlace || s == CircleState::EllPlace) {
        ShowCurve(view, r.pointer);
      } else {
        Enter(ellipse ? CircleState::EllFirst : CircleState::CirFirst);
      }
      return;
    }
    default: return;
  }
}

void OnBoxOrSine(TGContext& view, int code, double x, double y) {
  CircleRun& r = S();
  const CircleState s = r.state;
  const bool box = BoxStates(s);
  const bool start = s == CircleState::BoxStart || s == CircleState::SineStart;
  switch (code) {
    case EV_ESC:
      if (start) {
        ToCircles(view);
      } else {
        HidePreviews(view);
        r.cross.Show(view, g_manager.lastMousePos);
        Enter(box ? CircleState::BoxStart : CircleState::SineStart);
      }
      return;
    case kSub1:
      if (box) {
        r.circumscribed = !r.circumscribed;
        BoxButtons();
        if (!start) ShowBox(view, r.pointer);
      }
      return;
    case EV_MOVE:
    case EV_RDOWN:
      r.pointer = PointerPoint(view, code, x, y);
      if (start)
        r.cross.Show(view, {x, y});
      else
        ShowBox(view, r.pointer);
      return;
    case EV_LCLICK:
    case EV_RCLICK: {
      TPointD p;
      if (!ClickPoint(view, code, p)) return;
      if (start) {
        r.cross.Hide(view);
        r.first = p;
        Enter(box ? CircleState::BoxEnd : CircleState::SineEnd);
        ShowBox(view, p);
        return;
      }
      HidePreviews(view);
      if (box)
        StoreCurve(view, BoxEllipse(r.first, p, r.circumscribed));
      else
        StoreSine(view, p);
      r.cross.Show(view, g_manager.lastMousePos);
      Enter(box ? CircleState::BoxStart : CircleState::SineStart);
      return;
    }
    default: return;
  }
}

}  // namespace

ArcParams ComputeCircle(TPointD first, TPointD point, bool diameter, double size, double flatnessPercent,
                        double tiltRad) {
  const double f = flatnessPercent != 0 && flatnessPercent != 1 ? flatnessPercent / 100 : 1;
  ArcParams a{0, 0, 0, f, tiltRad, 0, 0};
  if (size != 0) {
    a.cx = point.x;
    a.cy = point.y;
    a.r = size / (diameter ? 2 : 1);
    return a;
  }
  const TPointD c = diameter ? (first + point) / 2 : first;
  const TPointD d = diameter ? (first - point) / 2 : first - point;
  double u = 0, v = 0;
  RotatePoint(u, v, d.x, d.y, -tiltRad);
  a.cx = c.x;
  a.cy = c.y;
  a.r = std::hypot(u, v / f);
  return a;
}

ArcParams BoxEllipse(TPointD a, TPointD b, bool circumscribed) {
  const double dx = std::fabs(b.x - a.x), dy = std::fabs(b.y - a.y);
  const double w = std::max(dx, 0.001);
  const TPointD c = (a + b) / 2;
  return {c.x, c.y, w / 2 * (circumscribed ? std::numbers::sqrt2 : 1), dy / w, 0, 0, 0};
}

std::vector<TPointD> SineWave(TPointD a, TPointD b, double cycles, double divisions) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double total = 2 * kPi * std::max(0.1, std::min(cycles, 628.3185307179587));
  const double step = (kPi / 2) / std::max(1.0, std::min(divisions, 100.0));
  std::vector<TPointD> pts{{a.x, a.y + dy / 2}};
  for (double t = 0; t < total - 0.000001;) {
    t = std::min(t + step, total);
    pts.push_back({a.x + dx * t / total, a.y + (1 - std::sin(t)) * dy / 2});
  }
  return pts;
}

void Op_Circle(TGContext& view, int code, double x, double y) {
  CircleRun& r = S();
  if (code == EV_START) {
    g_circleOp.run = CircleRun{};
    r.pointer = ToWorld(view, g_manager.lastMousePos);
    CircleButtons();
    Enter(CircleState::CirFirst);
  } else if (code == EV_END) {
    HidePreviews(view);
    r.cross.Hide(view);
    Enter(CircleState::Idle);
    return;
  } else if (code == EV_REDRAW) {
    r.cross.Redraw(view);
    return;
  } else if (r.state == CircleState::Idle) {
    return;
  } else if (ValueEntryButton() != 0) {
    if (code == EV_ENTER || code == EV_ESC) TakeEntry(view, code);
  } else if (code >= kSub1 && code <= EV_SUB7 && !SubOption(code - EV_SUB1 + 1).enabled) {
    return;
  } else if ((code == kSub2 && !BoxStates(r.state)) || (code == kSub1 && SineStates(r.state))) {
    OpenEntry(code - EV_SUB1 + 1);
    return;
  } else if (CircleStates(r.state) || EllipseStates(r.state)) {
    OnCurve(view, code, x, y);
  } else {
    OnBoxOrSine(view, code, x, y);
  }
  ShowStep(PromptOf(r.state), CursorShape::Arrow, true, true);
}
