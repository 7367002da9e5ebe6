#include "ops/Op_Haching.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "app/ApManager.h"
#include "app/Ap_Unit1.h"
#include "app/GC_PointSearch.h"
#include "app/GC_View.h"
#include "kernel/Platform.h"
#include "kernel/Z_Basic.h"
#include "kernel/Z_Math.h"
#include "model/ComHst.h"
#include "model/PVC.h"
#include "render/ApPenSet.h"
#include "render/GC_Draw.h"

HatchOpState g_hatchOp;

void Op_Haching_Reset() { g_hatchOp = HatchOpState{}; }

// ---- The hatch lines ------------------------------------------------------------

bool HatchPolygon(const std::vector<TPointD>& polygon, double pitch, double angle, std::vector<TLineGeom>& out) {
  out.clear();
  pitch = std::fabs(pitch);
  const std::size_t n = polygon.size();
  if (n < 3 || !(pitch > 0)) return false;
  // In the frame of the hatch direction, about the first point.
  const TPointD origin = polygon[0];
  std::vector<TPointD> uv(n);
  double vmin = INFINITY, vmax = -INFINITY;
  for (std::size_t i = 0; i < n; ++i) {
    uv[i] = Rotated(polygon[i] - origin, -angle);
    vmin = std::min(vmin, uv[i].y);
    vmax = std::max(vmax, uv[i].y);
  }
  vmin -= 1;
  vmax += 1;
  if (!std::isfinite(vmin) || !std::isfinite(vmax) || (vmax - vmin) / pitch > kMaxHatchLines) return false;
  std::vector<double> crossings;
  for (long long k = 1;; ++k) {
    const double v = vmin + static_cast<double>(k) * pitch;
    if (!(v < vmax)) break;
    crossings.clear();
    for (std::size_t i = 0; i < n; ++i) {
      const TPointD a = uv[i], b = uv[(i + 1) % n];
      // Half-open in v: a scan line through a corner counts it once.
      if ((a.y > v) == (b.y > v)) continue;
      crossings.push_back(a.x + (v - a.y) * (b.x - a.x) / (b.y - a.y));
    }
    std::sort(crossings.begin(), crossings.end());
    for (std::size_t i = 0; i + 1 < crossings.size(); i += 2) {
      if (crossings[i + 1] - crossings[i] <= 0) continue;
      out.push_back({origin + Rotated({crossings[i], v}, angle), origin + Rotated({crossings[i + 1], v}, angle)});
    }
  }
  return true;
}

bool HatchCurve(const ArcParams& c, double pitch, double angle, std::vector<TLineGeom>& out) {
  out.clear();
  const double step = std::max(std::fabs(pitch), 1.0);
  const double a = std::fabs(c.r), b = a * (c.f >= 0.001 ? c.f : 1.0), tilt = c.f >= 0.001 && c.f != 1 ? c.t : 0;
  if (!(a > 0) || !(b > 0)) return false;
  // The curve's half extent across the hatch direction.
  const double across = angle + 1.5707963267948966 - tilt;
  const double reach = std::hypot(a * std::cos(across), b * std::sin(across));
  if (!std::isfinite(reach) || 2 * reach / step > kMaxHatchLines) return false;
  const TPointD centre{c.cx, c.cy}, dir = UnitVector(angle), normal = UnitVector(angle + 1.5707963267948966);
  // In the curve's own frame the chord is q + s e; it meets x^2/a^2 + y^2/b^2 = 1.
  const TPointD e = Rotated(dir, -tilt);
  const double A = e.x * e.x / (a * a) + e.y * e.y / (b * b);
  for (long long k = static_cast<long long>(std::floor((-reach - step / 2) / step));; ++k) {
    const double h = step / 2 + static_cast<double>(k) * step;
    if (h >= reach) break;
    if (h <= -reach) continue;
    const TPointD q = Rotated(normal * h, -tilt);
    const double B = 2 * (q.x * e.x / (a * a) + q.y * e.y / (b * b));
    const double C = q.x * q.x / (a * a) + q.y * q.y / (b * b) - 1;
    const double disc = B * B - 4 * A * C;
    if (!(disc > 0)) continue;
    const double s1 = (-B - std::sqrt(disc)) / (2 * A), s2 = (-B + std::sqrt(disc)) / (2 * A);
    const TPointD foot = centre + normal * h;
    out.push_back({foot + dir * s1, foot + dir * s2});
  }
  return true;
}

// ---- The operation -------------------------------------------------------------

namespace {

constexpr int kSub1 = EV_SUB1, kSub2 = EV_SUB1 + 1;
constexpr double kHalfPi = 1.5707963267948966;
// Fixed outline points at most; a further click replaces the last.
constexpr std::size_t kMaxPoints = 99;
const char kPitchName[] = "②ピッチ[ﾐﾘ]";

HatchRun& S() { return g_hatchOp.run; }
std::vector<TPointD>& Saved() { return g_hatchOp.options.saved; }

// 1 +45 degrees, 2 -45 degrees, 3 both, 4 solid: the last button down wins.
int Pattern() {
  int p = 1;
  for (int k = 1; k < 4; ++k)
    if (g_form1.BtnHaching[k]) p = k + 1;
  return p;
}

// The pitch in stored units: paper millimetres times the basic scale, 2.5 mm
// when none is typed.
double Pitch() {
  const double b = CurPVC().basicScale;
  const double p = std::fabs(SubOption(2).value) * b;
  return p > 0 ? p : 2.5 * b;
}

void FirstButton() {
  if (S().started && S().points.size() >= 3)
    SetSubBtn("①確定", true);
  else if (!S().started && Saved().size() >= 3)
    SetSubBtn("①前範囲", true);
  else
    SetSubBtn("①", false);
}

void ShowState() {
  ShowStep(S().started ? "塗りつぶし：輪郭点指示(L)or(R)" : "塗りつぶし：始点を指示(L)or(R), 円指示(L)",
           CursorShape::Arrow, S().started, S().started);
}

// The outline: fixed edges, and the last edge to the trailing point.
void ShowOutline(TGContext& view) {
  const HatchRun& r = S();
  std::vector<TGcell> cells;
  const auto edge = [&](TPointD a, TPointD b, std::uint16_t pen) {
    TGcell c = MakeLine(a, b);
    c.pen = pen;
    cells.push_back(c);
  };
  for (std::size_t i = 0; i + 1 < r.points.size(); ++i) edge(r.points[i], r.points[i + 1], 0x8011);
  if (!r.points.empty()) edge(r.points.back(), r.trailing, 0x8021);
  S().outline.Show(view, std::move(cells));
}

void Reset(TGContext& view) {
  HatchRun& r = S();
  r.outline.Clear(view);
  r.points.clear();
  r.started = false;
  FirstButton();
}

// Adds the hatch lines or the fill; false (a beep) when the pitch is too
// fine for the area.
bool Commit(TGContext& view, const std::vector<TPointD>* polygon, const TGcell* curve) {
  const int pattern = Pattern();
  GcellCommit();
  if (pattern == 4) {
    TGcell c;
    if (polygon) {
      c.kind = GK_POLYGON;
      c.text = FillColourText();
      std::vector<double> xs, ys;
      for (const TPointD p : *polygon) {
        xs.push_back(p.x);
        ys.push_back(p.y);
      }
      PolygonSetVertices(c, xs.data(), ys.data(), static_cast<int>(xs.size()));
    } else {
      c = *curve;
      c.text = FillColourText();
      if (c.kind == GK_CIRCLE) c.p[7] = c.p[8] = 0;
      c.kind = GK_POLYARC;
    }
    StoreOnWrite(view, c);
  } else {
    std::vector<TLineGeom> lines, family;
    for (const double angle : {kHalfPi / 2, -kHalfPi / 2}) {
      if ((pattern == 1 && angle < 0) || (pattern == 2 && angle > 0)) continue;
      const bool ok = polygon ? HatchPolygon(*polygon, Pitch(), angle, family)
                              : HatchCurve(ArcOf(*curve), Pitch(), angle, family);
      if (!ok) {
        Platform().Beep();
        return false;
      }
      lines.insert(lines.end(), family.begin(), family.end());
    }
    for (const TLineGeom& l : lines) {
      TGcell c = MakeLine(l.a, l.b);
      c.layer = WriteLayer();
      c.pen = WritePen();
      GcellAdd(c);
    }
  }
  ViewRedraw(1);
  ShowDataCount();
  return true;
}

void OnEmpty(TGContext& view, int code) {
  HatchRun& r = S();
  if (code == kSub1) {
    if (Saved().size() < 3) return;
    r.points = Saved();
    r.trailing = r.points.front();
    r.started = true;
    ShowOutline(view);
    FirstButton();
    return;
  }
  if (!IsClick(code)) return;
  if (code == EV_LCLICK) {
    const TPointD p = ToWorld(view, PressPixel(code));
    const TGcell c = PickPrimitive(view, false, p.x, p.y);
    if (c.kind == GK_CIRCLE || (c.kind == GK_ARC && Pattern() == 4)) {
      if (Commit(view, nullptr, &c)) Saved().clear();
      FirstButton();
      return;
    }
  }
  TPointD p;
  if (!ClickPoint(view, code, p)) return;
  r.points = {p};
  r.trailing = p;
  r.started = true;
  ShowOutline(view);
  FirstButton();
}

void OnOutline(TGContext& view, int code, double x, double y) {
  HatchRun& r = S();
  const bool closed = r.points.size() >= 3;
  switch (code) {
    case EV_ESC:
      r.points.pop_back();
      if (r.points.empty()) {
        Reset(view);
        return;
      }
      r.trailing = r.points.size() >= 3 ? r.points.front() : ToWorld(view, g_manager.lastMousePos);
      ShowOutline(view);
      FirstButton();
      return;
    case EV_MOVE:
    case EV_RDOWN:
      if (closed) return;
      r.trailing = PointerPoint(view, code, x, y);
      ShowOutline(view);
      return;
    case EV_LCLICK:
    case EV_RCLICK: {
      TPointD p;
      if (!ClickPoint(view, code, p)) return;
      if (r.points.size() >= kMaxPoints)
        r.points.back() = p;
      else
        r.points.push_back(p);
      r.trailing = r.points.front();
      ShowOutline(view);
      FirstButton();
      return;
    }
    case kSub1: {
      if (!closed) return;
      const std::vector<TPointD> polygon = r.points;
      r.outline.Clear(view);
      if (Commit(view, &polygon, nullptr)) Saved() = polygon;
      r.points.clear();
      r.started = false;
      FirstButton();
      return;
    }
    default: return;
  }
}

// Enter: the typed pitch, or 2.5 for nothing or 0.
void TakeEntry(int code) {
  const std::string text = TakeValueEntry(code);
  if (code != EV_ENTER) return;
  SetSubBtn(std::string(kPitchName) + "=" + (text.empty() || ParseReal(text) == 0 ? std::string("2.5") : text), true);
}

void ShowPanel(bool hatching) {
  for (int k = 3; k < 7; ++k) g_form1.PvBtn[k].visible = !hatching;
  g_form1.PvHatting.visible = hatching;
  Form1Changed();
}

}  // namespace

void Op_Haching(TGContext& view, int code, double x, double y) {
  HatchRun& r = S();
  if (code == EV_START) {
    g_hatchOp.run = HatchRun{};
    S().active = true;
    ClearSubBtns();
    const THistrylist* h = HistoryList(HstList::HatchSpacing);
    std::string pitch = h ? h->entries[1] : std::string();
    if (pitch.empty() || ParseReal(ToHalfWidth(pitch, false)) == 0) pitch = "2.5";
    SetSubBtn(std::string(kPitchName) + "=" + pitch, true);
    FirstButton();
    ShowPanel(true);
    ShowState();
    return;
  }
  if (code == EV_END) {
    r.outline.Clear(view);
    ShowPanel(false);
    r = HatchRun{};
    return;
  }
  if (code == EV_REDRAW || !r.active) return;
  if (ValueEntryButton() != 0) {
    if (code == EV_ENTER || code == EV_ESC) TakeEntry(code);
    ShowState();
    return;
  }
  if (code == kSub2) {
    OpenValueEntry(2, "用紙上での間隔[ﾐﾘ]", HstList::HatchSpacing);
    return;
  }
  if (code >= kSub1 && code <= EV_SUB7 && !SubOption(code - EV_SUB1 + 1).enabled) return;
  if (r.started)
    OnOutline(view, code, x, y);
  else
    OnEmpty(view, code);
  ShowState();
}
