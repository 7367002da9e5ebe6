#include "ops/Op_Fukusen.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "app/GC_PointSearch.h"
#include "app/GC_View.h"
#include "kernel/Platform.h"
#include "kernel/Z_Basic.h"
#include "kernel/Z_Math.h"
#include "model/ComHst.h"
#include "model/GC_Cell.h"

FukusenOpState g_fukusenOp;

void Op_Fukusen_Reset() { g_fukusenOp = FukusenOpState{}; }

namespace {

constexpr double kPi = std::numbers::pi;
constexpr int kSub1 = EV_SUB1, kSub2 = EV_SUB1 + 1, kSub3 = EV_SUB1 + 2, kSub4 = EV_SUB1 + 3;
constexpr int kMaxCopies = 100;
const char kMouseCount[] = "②本数=マウス";

FukusenRun& S() { return g_fukusenOp.run; }

TScaleFactors Factors() {
  const TScaleFactors f = WriteScale();
  return {f.x > 0 ? f.x : 1, f.y > 0 ? f.y : 1};
}

// ① as typed: half-width, a leading ";" as "+".
std::string SpacingText() {
  std::string t = ToHalfWidth(SubOption(1).text, false);
  if (t.starts_with(";")) t[0] = '+';
  return t;
}

double ArcRadius(const TGcell& c) { return ArcOf(c).r; }

// The spacing H: real mm (parallel, concentric) or, in fan mode, radians.
double Spacing() {
  const FukusenRun& r = S();
  const std::string t = SpacingText();
  double h = EvalField(t, 1);
  if (!std::isfinite(h)) return 0;
  if (r.fan && h != 0 && r.hasSource && r.source.kind == GK_LINE && r.hasRef) {
    const double radius = ArcRadius(r.ref);
    if (t.starts_with("+")) {
      h = radius <= 1e-9 ? 0 : std::fabs(h) / radius;
    } else if (t.starts_with("-")) {
      h = 2 * std::asin(std::min(std::fabs(h) / std::max(2 * radius, 1e-9), 1.0));
    } else {
      h = DegToRad(std::fabs(h));
      if (h > 2 * kPi) h = 0;
    }
  }
  return h;
}

// The count n: "②本数=マウス" reads 0.
int Count() {
  if (SubOption(2).raw == kMouseCount) return 0;
  return std::clamp(ParseInt(SubOption(2).text), -1, kMaxCopies);
}

// The direction from the reference centre (the source's start) to m, less
// 4π, brought up to within π of the last one.
double RawFanAngle(TPointD m) {
  const FukusenRun& r = S();
  const TPointD c = LineOf(r.source).a;
  double a = std::atan2(m.y - c.y, m.x - c.x) - 4 * kPi;
  while (a < r.fanLastAngle - kPi) a += 2 * kPi;
  return a;
}

double FanAngle(TPointD m) {
  const FukusenRun& r = S();
  return std::clamp(RawFanAngle(m), r.fanStart - 2 * kPi, r.fanStart + 2 * kPi);
}

// Copy q of n at m (fan angle a) with the spacing h; false when there is no
// such copy (a circle shrunk to nothing).
bool Copy(int q, int n, double h, TPointD m, double a, TGcell& out) {
  const FukusenRun& r = S();
  const TScaleFactors f = Factors();
  out = r.source;
  const double part = static_cast<double>(q) / n;
  if (r.source.kind == GK_LINE && !r.fan) {
    const TLineGeom l = LineOf(r.source);
    const double w = std::atan2((l.b.y - l.a.y) * f.y, (l.b.x - l.a.x) * f.x) - kPi / 2;
    const double d = ((m.x - l.a.x) * part * f.x) * std::cos(w) + ((m.y - l.a.y) * part * f.y) * std::sin(w);
    double e = h == 0 ? std::fabs(d) : h * part;
    if (d < 0) e = -e;
    const TPointD move{std::cos(w) * e / f.x, std::sin(w) * e / f.y};
    SetLine(out, l.a + move, l.b + move);
    return true;
  }
  if (r.source.kind == GK_LINE) {  // a fan line
    double v = a;
    while (v + 2 * kPi + 0.001 < r.fanStart) v += 2 * kPi;
    while (v - 2 * kPi - 0.001 > r.fanStart) v -= 2 * kPi;
    v = r.fanStart + part * (v - r.fanStart);
    if (h != 0) v = r.fanStart + (v - r.fanStart >= 0 ? 1 : -1) * h * part;
    const TPointD c = LineOf(r.source).a;
    SetLine(out, c, c + UnitVector(v) * r.fanRadius);
    return true;
  }
  // A concentric copy: both semi-axes move by v, so the copy keeps its
  // distance all round; one with nothing left of either is not made.
  const ArcParams arc = ArcOf(r.source);
  double v = part * (Dist({arc.cx, arc.cy}, m) - arc.r);
  if (h != 0) v = (v >= 0 ? 1 : -1) * (h * part) / f.x;
  const double major = arc.r + v, minor = arc.r * FlatnessOf(r.source) + v;
  if (!(major > 1e-9) || !(minor > 1e-9)) return false;
  out.p[4] = major;
  if (FlatnessOf(r.source) != 1) out.p[5] = minor / major;
  return true;
}

}  // namespace

std::vector<TGcell> ParallelCopies(TPointD m, double a) {
  const FukusenRun& r = S();
  std::vector<TGcell> copies;
  if (!r.hasSource) return copies;
  double h = Spacing();
  int n = Count();
  if (h != 0 && n < 1) {  // the count from the mouse, one spacing each
    const TScaleFactors f = Factors();
    double d;
    if (r.source.kind == GK_LINE && !r.fan) {
      const TLineGeom l = LineOf(r.source);
      const double w = std::atan2((l.b.y - l.a.y) * f.y, (l.b.x - l.a.x) * f.x) - kPi / 2;
      d = (m.x - l.a.x) * f.x * std::cos(w) + (m.y - l.a.y) * f.y * std::sin(w);
    } else if (r.source.kind == GK_LINE) {
      d = std::fabs(RawFanAngle(m) - r.fanStart);
    } else {
      const ArcParams arc = ArcOf(r.source);
      d = std::max(Dist({arc.cx, arc.cy}, m) - arc.r, 0.001 - arc.r) * f.x;
    }
    n = std::max(1, static_cast<int>(std::nearbyint(std::min(std::fabs(d) / std::max(std::fabs(h), 0.001),
                                                             double{kMaxCopies}))));
    h *= n;
  }
  n = std::clamp(n, 1, kMaxCopies);
  for (int q = 1; q <= n; ++q) {
    TGcell c;
    if (Copy(q, n, h, m, a, c)) copies.push_back(c);
  }
  return copies;
}

namespace {

void Buttons() {
  ClearSubBtns();
  SetSubBtn("①間隔", true);
  SetSubBtn("②本数=1", true);
  SetSubBtn("③", false);
  SetSubBtn("④扇線", true);
}

// ② and ③ after the entry box closes, as ① and ② now read.
void CountButtons() {
  const double h = Spacing();
  const int n = Count();
  if (h == 0) {
    if (n < 1) SetSubBtn("②本数=1", true);
    SetSubBtn("③", false);
  } else if (n < 1) {
    SetSubBtn(kMouseCount, true);
    SetSubBtn("③", false);
  } else {
    SetSubBtn("③マウス本数", true);
  }
}

double PointAngle(TPointD m) { return S().fan ? FanAngle(m) : 0; }

void ShowPreview(TGContext& view, TPointD m, double a) {
  FukusenRun& r = S();
  std::vector<TGcell> copies = ParallelCopies(m, a);
  for (TGcell& c : copies) c.pen = static_cast<std::uint16_t>(WritePen() | PEN_SELECTED);
  r.preview.Show(view, std::move(copies));
  if (r.fan) r.fanLastAngle = a;
}

void ReleaseRef(TGContext& view) {
  S().hasRef = false;
  S().refShown.Clear(view);
}

void BackToSource(TGContext& view) {
  FukusenRun& r = S();
  r.preview.Clear(view);
  r.hasSource = false;
  r.fan = false;
  ReleaseRef(view);
  SetSubBtn("④扇線", true);
  r.state = ParallelState::Source;
}

void Commit(TGContext& view, TPointD m) {
  FukusenRun& r = S();
  r.preview.Hide(view);
  const std::vector<TGcell> copies = ParallelCopies(m, PointAngle(m));
  if (copies.empty()) {
    Platform().Beep();
    r.preview.Show(view);
    return;
  }
  GcellCommit();
  for (TGcell c : copies) StoreOnWrite(view, c);
  ShowDataCount();
  BackToSource(view);
}

// The foot of p on the line through the source as it was before its ends changed.
TPointD Projected(TPointD p) {
  const TLineGeom l = LineOf(S().backup);
  const TPointD d = l.b - l.a;
  const double len2 = Dot(d, d);
  if (len2 == 0) return l.a;
  return l.a + d * (Dot(p - l.a, d) / len2);
}

void TakeEntry(int code) {
  const int tag = ValueEntryButton();
  const std::string text = TakeValueEntry(code);
  if (code == EV_ENTER && !text.empty()) SetSubValue(tag == 1 ? "①間隔" : "②本数", text);
  CountButtons();
}

void ShowState() {
  const FukusenRun& r = S();
  switch (r.state) {
    case ParallelState::Source:
      ShowStep(Spacing() != 0 ? "複線：元の線を指示(L)" : "複線：元の線を指示(L)、前回入力と同じ間隔(R)",
               CursorShape::HandPoint, false, false);
      break;
    case ParallelState::FanCircle: ShowStep("扇線の基準円、円弧を指示(L)", CursorShape::HandPoint, false, false); break;
    case ParallelState::FanBase: ShowStep("扇線の基準(開始)点を指示(L)or(R)", CursorShape::Cross, true, true); break;
    case ParallelState::Place: ShowStep("複線：複写位置を指示(L)or(R)", CursorShape::Cross, true, true); break;
    case ParallelState::EndFirst: ShowStep("複線：端点の始点を指示(L)or(R)", CursorShape::Point1, true, true); break;
    case ParallelState::EndSecond: ShowStep("複線：端点の終点を指示(L)or(R)", CursorShape::Point2, true, true); break;
    default: ShowStep("", CursorShape::Default, false, false); break;
  }
}

// A click's point: picking states take the press as it is, the others snap
// a right click (a beep and false when nothing is near).
bool TakenPoint(TGContext& view, int code, TPointD& p) {
  const ParallelState s = S().state;
  if (s == ParallelState::Source || s == ParallelState::FanCircle) {
    p = ToWorld(view, PressPixel(code));
    return true;
  }
  return ClickPoint(view, code, p);
}

void PickSource(TGContext& view, int code, TPointD p) {
  FukusenRun& r = S();
  TGcell c = PickPrimitive(view, false, p.x, p.y);
  if (c.kind != GK_LINE && c.kind != GK_ARC && c.kind != GK_CIRCLE) return;
  c.layer = WriteLayer();
  c.pen = WritePen();
  r.source = c;
  r.hasSource = true;
  if (code == EV_RCLICK) {  // the previous spacing
    const THistrylist* h = HistoryList(HstList::Spacing);
    if (h && !h->entries[1].empty()) SetSubValue("①間隔", h->entries[1]);
  }
  ShowPreview(view, p, 0);
  if (c.kind == GK_LINE)
    SetSubBtn("④端点指示", true);
  else
    SetSubBtn("④", false);
  r.state = ParallelState::Place;
}

}  // namespace

void Op_Fukusen(TGContext& view, int code, double x, double y) {
  FukusenRun& r = S();
  if (code == EV_START) {
    if (r.state != ParallelState::Idle) return;
    r = FukusenRun{};
    Buttons();
    r.state = ParallelState::Source;
    ShowState();
    return;
  }
  if (code == EV_END) {
    r.preview.Clear(view);
    ReleaseRef(view);
    r.hasSource = false;
    r.state = ParallelState::Idle;
    return;
  }
  if (code == EV_REDRAW || r.state == ParallelState::Idle) return;
  if (code == EV_MOVE || code == EV_RDOWN) r.mouse = PointerPoint(view, code, x, y);
  if (ValueEntryButton() != 0) {
    if (code == EV_ENTER || code == EV_ESC) {
      TakeEntry(code);
      if (r.state == ParallelState::Place && r.hasSource) ShowPreview(view, r.mouse, PointAngle(r.mouse));
      ShowState();
    }
    return;
  }
  if (code >= kSub1 && code <= EV_SUB7 && !SubOption(code - EV_SUB1 + 1).enabled) return;
  switch (code) {
    case kSub1:
      if (r.fan)
        OpenValueEntry(1, "角度、[(+)で弧長,(-)弦長(mm)]", HstList::ParallelAngle);
      else
        OpenValueEntry(1, "線の間隔(mm)", HstList::Spacing);
      return;
    case kSub2: OpenValueEntry(2, "　本　数", HstList::ParallelCount); return;
    case kSub3:
      SetSubBtn(kMouseCount, true);
      SetSubBtn("③", false);
      if (r.state == ParallelState::Place) ShowPreview(view, r.mouse, PointAngle(r.mouse));
      ShowState();
      return;
    case kSub4:
      if (r.state == ParallelState::Source) {
        SetSubBtn("④", false);
        r.fan = true;
        r.state = ParallelState::FanCircle;
      } else if (r.state == ParallelState::Place && r.source.kind == GK_LINE && !r.fan) {
        SetSubBtn("④", false);
        r.state = ParallelState::EndFirst;
      }
      ShowState();
      return;
    default: break;
  }

  TPointD p;
  const bool click = IsClick(code);
  if (click && !TakenPoint(view, code, p)) {
    ShowState();
    return;
  }
  switch (r.state) {
    case ParallelState::Source:
      if (click) PickSource(view, code, p);
      break;
    case ParallelState::FanCircle:
      if (code == EV_ESC) {
        SetSubBtn("④扇線", true);
        r.fan = false;
        r.state = ParallelState::Source;
      } else if (click) {
        const TGcell c = PickPrimitive(view, false, p.x, p.y);
        if (c.kind != GK_ARC && c.kind != GK_CIRCLE) break;
        r.ref = c;
        r.hasRef = true;
        r.refShown.Show(view, Highlighted(c));
        r.state = ParallelState::FanBase;
      }
      break;
    case ParallelState::FanBase:
      if (code == EV_ESC) {
        ReleaseRef(view);
        r.state = ParallelState::FanCircle;
      } else if (click) {
        const ArcParams arc = ArcOf(r.ref);
        const TPointD c{arc.cx, arc.cy};
        r.fanStart = r.fanLastAngle = std::atan2(p.y - c.y, p.x - c.x);
        r.fanRadius = Dist(c, p);
        TGcell line = MakeLine(c, p);
        line.layer = WriteLayer();
        line.pen = WritePen();
        r.source = line;
        r.hasSource = true;
        ShowPreview(view, p, r.fanStart);
        r.state = ParallelState::Place;
      }
      break;
    case ParallelState::Place:
      if (code == EV_MOVE || code == EV_RDOWN) {
        ShowPreview(view, r.mouse, PointAngle(r.mouse));
      } else if (code == EV_ESC) {
        r.preview.Clear(view);
        r.hasSource = false;
        if (r.fan) {
          r.state = ParallelState::FanBase;
        } else {
          SetSubBtn("④扇線", true);
          r.state = ParallelState::Source;
        }
      } else if (click) {
        Commit(view, p);
      }
      break;
    case ParallelState::EndFirst:
      if (code == EV_MOVE || code == EV_RDOWN) {
        ShowPreview(view, r.mouse, 0);
      } else if (code == EV_ESC) {
        SetSubBtn("④端点指示", true);
        r.state = ParallelState::Place;
      } else if (click) {
        r.backup = r.source;
        const TPointD f = Projected(p);
        SetLine(r.source, f, f);
        r.state = ParallelState::EndSecond;
      }
      break;
    case ParallelState::EndSecond:
      if (code == EV_MOVE || code == EV_RDOWN) {
        const TPointD e = Projected(r.mouse);
        if (!(e == LineOf(r.source).a)) {
          SetLine(r.source, LineOf(r.source).a, e);
          ShowPreview(view, r.mouse, 0);
        }
      } else if (code == EV_ESC) {
        r.source = r.backup;
        ShowPreview(view, r.mouse, 0);
        r.state = ParallelState::EndFirst;
      } else if (click) {
        const TPointD e = Projected(p);
        if (e == LineOf(r.source).a) {  // no direction left
          Platform().Beep();
          break;
        }
        SetLine(r.source, LineOf(r.source).a, e);
        ShowPreview(view, r.mouse, 0);
        SetSubBtn("④端点指示", true);
        r.state = ParallelState::Place;
      }
      break;
    default: break;
  }
  ShowState();
}
