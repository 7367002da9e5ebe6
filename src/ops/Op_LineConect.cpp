#include "ops/Op_LineConect.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

#include "app/ApInit.h"
#include "app/GC_PointSearch.h"
#include "app/GC_View.h"
#include "kernel/Platform.h"
#include "kernel/Z_Basic.h"
#include "model/ComHst.h"
#include "render/GC_Draw.h"

namespace {

constexpr double kPi = std::numbers::pi;
// The store drops a line whose ends are this close in both axes, and an arc
// shorter than this.
constexpr double kStoreEps = 0.001;
// Directions closer than this (modulo pi) count as parallel.
constexpr double kParallelAngle = 0.0001;
// Parallel lines merge when line 2 lies this close to line 1's line.
constexpr double kCollinearOffset = 0.001;
// A chamfer value counts when above this.
constexpr double kSetValue = 0.001;
// Below this |sin(theta/2)| the face chamfer uses its length as the cut-back.
constexpr double kFaceSinMin = 0.001;
// Pen number, line type and the bits above them, without the flags.
constexpr std::uint16_t kPenCompareMask = 0x0FFF;

using Vec = TPointD;
double Direction(Vec a) { return std::atan2(a.y, a.x); }
// Two points the store would not keep apart as a line.
bool TooClose(Vec a, Vec b) { return std::fabs(a.x - b.x) < kStoreEps && std::fabs(a.y - b.y) < kStoreEps; }

Vec Start(const TGcell& c) { return LineOf(c).a; }
Vec End(const TGcell& c) { return LineOf(c).b; }

TGcell CornerCell(const TJoinParams& params, std::int8_t kind) {
  TGcell c;
  c.kind = kind;
  c.layer = params.cornerLayer;
  c.pen = params.cornerPen;
  return c;
}

// An arc from `start` counter-clockwise by `span` (0 < span < 2 pi), or
// nothing when the store would drop it as too short.
bool MakeArc(TGcell& out, const TJoinParams& params, Vec centre, double r, double start, double span) {
  if (!(span * r >= kStoreEps) || !IsFinite(centre) || !std::isfinite(start)) return false;
  start = std::remainder(start, 2 * kPi);
  out = ::MakeArc({centre.x, centre.y, r, 1, 0, start, start + span});
  out.kind = GK_ARC;  // an arc even where start + span rounds back to start
  out.p[7] = start;
  out.p[8] = start + span;
  out.layer = params.cornerLayer;
  out.pen = params.cornerPen;
  return true;
}

// Real millimetres per stored unit along direction d.
double RealPerUnit(double d, const TScaleFactors& f) { return std::hypot(std::cos(d) * f.x, std::sin(d) * f.y); }

// One line of the corner, running from its kept end K towards the crossing.
struct Leg {
  Vec keep;       // K
  double dir;     // direction from the crossing back to K
  double length;  // |K - crossing|
  double back;    // how far the corner's end moves back from the crossing, stored units
};

TJoinResult Fail(JoinStatus s) {
  TJoinResult r;
  r.status = s;
  return r;
}

// Collinear lines of one pen become line 1 stretched over both; line 2 goes.
TJoinResult Merge(const TGcell& line1, const TGcell& line2, Vec a1, Vec u1, double len1) {
  const double s3 = Dot(Start(line2) - a1, u1);
  const double s4 = Dot(End(line2) - a1, u1);
  const double lo = std::min({0.0, len1, s3, s4});
  const double hi = std::max({0.0, len1, s3, s4});
  TJoinResult r;
  r.status = JoinStatus::Ok;
  r.line1 = line1;
  r.line2 = line2;
  SetLine(r.line1, a1 + lo * u1, a1 + hi * u1);
  r.keep1 = true;
  r.keep2 = false;
  return r;
}

}  // namespace

TJoinParams JoinParamsFor(const TPVC& pvc, const TChamfer& chamfer) {
  TJoinParams p;
  p.chamfer = chamfer;
  p.factors = GroupFactors(pvc, kWriteLayerCode);
  p.cornerLayer = static_cast<std::uint8_t>(pvc.writeLayer);
  p.cornerPen = static_cast<std::uint16_t>(pvc.writePen);
  return p;
}

namespace {

TJoinResult Join(const TGcell& line1, const TGcell& line2, TPointD click1, TPointD click2,
                 const TJoinParams& params, bool mergeCollinear) {
  if (line1.kind != GK_LINE || line2.kind != GK_LINE) return Fail(JoinStatus::NotLines);
  const TScaleFactors& f = params.factors;
  if (!(f.x > 0) || !(f.y > 0) || !std::isfinite(f.x) || !std::isfinite(f.y)) return Fail(JoinStatus::NotLines);

  const Vec a[2] = {Start(line1), Start(line2)};
  const Vec b[2] = {End(line1), End(line2)};
  const Vec click[2] = {{click1.x, click1.y}, {click2.x, click2.y}};
  for (int i = 0; i < 2; ++i)
    if (!IsFinite(a[i]) || !IsFinite(b[i]) || !IsFinite(click[i])) return Fail(JoinStatus::NotLines);
  if (TooClose(a[0], b[0]) || TooClose(a[1], b[1])) return Fail(JoinStatus::ZeroLength);

  double len[2];
  Vec u[2];
  for (int i = 0; i < 2; ++i) {
    len[i] = Length(b[i] - a[i]);
    u[i] = (1 / len[i]) * (b[i] - a[i]);
  }
  if (!std::isfinite(len[0]) || !std::isfinite(len[1])) return Fail(JoinStatus::NotLines);

  // Parallel: directions equal modulo pi. Collinear when both ends of line 2
  // lie on line 1's line; then the pens decide whether they merge.
  const double turn = std::remainder(Direction(u[1]) - Direction(u[0]), kPi);
  if (std::fabs(turn) < kParallelAngle) {
    const double v3 = Cross(u[0], a[1] - a[0]);
    const double v4 = Cross(u[0], b[1] - a[0]);
    if (std::max(std::fabs(v3), std::fabs(v4)) >= kCollinearOffset) return Fail(JoinStatus::Parallel);
    if (!mergeCollinear) return Fail(JoinStatus::Parallel);
    if ((line1.pen & kPenCompareMask) != (line2.pen & kPenCompareMask)) return Fail(JoinStatus::PenMismatch);
    return Merge(line1, line2, a[0], u[0], len[0]);
  }

  // The crossing X of the two infinite lines.
  const double t = Cross(a[1] - a[0], u[1]) / Cross(u[0], u[1]);
  const Vec X = a[0] + t * u[0];
  if (!IsFinite(X)) return Fail(JoinStatus::NoCrossing);

  // Each line keeps the end on its click's side of X. The click is taken
  // within the segment, so a click past the line's end that X also passes
  // does not reduce the line to the gap between its end and X. When the
  // kept part would be too short to store (the click on an end that X
  // already touches), the line keeps its other part.
  Leg leg[2];
  for (int i = 0; i < 2; ++i) {
    const double tX = Dot(X - a[i], u[i]);
    const double tC = std::clamp(Dot(click[i] - a[i], u[i]), 0.0, len[i]);
    const bool keepFirst = tX >= 0 && tX >= tC;
    Vec k = keepFirst ? a[i] : b[i];
    if (TooClose(k, X)) {
      k = keepFirst ? b[i] : a[i];
      if (TooClose(k, X)) return Fail(JoinStatus::ZeroLength);
    }
    leg[i].keep = k;
    leg[i].dir = Direction(k - X);
    leg[i].length = Length(k - X);
    leg[i].back = 0;
  }

  // Signed angle from leg 1 to leg 2 at the corner, |delta| in (0, pi).
  const double delta = std::remainder(leg[1].dir - leg[0].dir, 2 * kPi);
  const double theta = std::fabs(delta);
  const TChamfer& ch = params.chamfer;
  enum { None, Chamfer, Fillet, Concave } piece = None;
  double radius = 0;  // stored units, for the arcs

  if (ch.side > kSetValue) {
    // Each end moves back by the stored distance that measures `side` real
    // millimetres along its own line, so it stays on the line at any x/y
    // scale ratio.
    piece = Chamfer;
    for (Leg& l : leg) l.back = ch.side / RealPerUnit(l.dir, f);
  } else if (ch.face > kSetValue) {
    // Equal real distances along both lines whose chord is `face` long; the
    // angle is the one seen at the real scale.
    piece = Chamfer;
    const double r0 = std::atan2(std::sin(leg[0].dir) * f.y, std::cos(leg[0].dir) * f.x);
    const double r1 = std::atan2(std::sin(leg[1].dir) * f.y, std::cos(leg[1].dir) * f.x);
    const double half = std::fabs(std::sin(std::remainder(r1 - r0, 2 * kPi) / 2));
    const double along = half > kFaceSinMin ? ch.face / (2 * half) : ch.face;
    for (Leg& l : leg) l.back = along / RealPerUnit(l.dir, f);
  } else if (ch.radius > kSetValue) {
    // A circle of radius R (x factor on both axes) tangent to both lines:
    // the tangent points lie R / tan(theta/2) from X.
    piece = Fillet;
    radius = ch.radius / f.x;
    for (Leg& l : leg) l.back = std::fabs(radius / std::tan(theta / 2));
  } else if (ch.concave > kSetValue) {
    piece = Concave;
    radius = ch.concave / f.x;
    for (Leg& l : leg) l.back = radius;
  }

  TJoinResult r;
  r.line1 = line1;
  r.line2 = line2;
  Vec cornerEnd[2];
  bool keep[2];
  for (int i = 0; i < 2; ++i) {
    const Leg& l = leg[i];
    if (!std::isfinite(l.back) || l.back > l.length + kStoreEps) return Fail(JoinStatus::TooLarge);
    Vec e = X + l.back * UnitVector(l.dir);
    keep[i] = true;
    if (l.back >= l.length || TooClose(e, l.keep)) {
      e = l.keep;  // the corner piece uses the whole line
      keep[i] = false;
    }
    if (!IsFinite(e)) return Fail(JoinStatus::NoCrossing);
    cornerEnd[i] = e;
    SetLine(i == 0 ? r.line1 : r.line2, l.keep, e);
  }
  r.keep1 = keep[0];
  r.keep2 = keep[1];

  switch (piece) {
    case None:
      break;
    case Chamfer:
      if (!TooClose(cornerEnd[0], cornerEnd[1])) {
        r.corner = CornerCell(params, GK_LINE);
        SetLine(r.corner, cornerEnd[0], cornerEnd[1]);
        r.hasCorner = true;
      }
      break;
    case Fillet: {
      // Centre on the bisector, R / sin(theta/2) from X; the arc runs between
      // the tangent points, perpendicular to each line, the short way round.
      const Vec c = X + std::fabs(radius / std::sin(theta / 2)) * UnitVector(leg[0].dir + delta / 2);
      const double side = delta > 0 ? kPi / 2 : -kPi / 2;
      const double s0 = leg[0].dir - side;  // towards the tangent point on line 1
      const double s1 = leg[1].dir + side;  // towards the tangent point on line 2
      const double span = std::remainder(s1 - s0, 2 * kPi);
      r.hasCorner = span >= 0 ? MakeArc(r.corner, params, c, radius, s0, span)
                              : MakeArc(r.corner, params, c, radius, s1, -span);
      break;
    }
    case Concave:
      r.hasCorner = delta > 0 ? MakeArc(r.corner, params, X, radius, leg[0].dir, delta)
                              : MakeArc(r.corner, params, X, radius, leg[1].dir, -delta);
      break;
  }
  r.status = JoinStatus::Ok;
  return r;
}

}  // namespace

TJoinResult JoinLines(const TGcell& line1, const TGcell& line2, TPointD click1, TPointD click2,
                      const TJoinParams& params) {
  return Join(line1, line2, click1, click2, params, true);
}

TJoinResult RoundCorner(const TGcell& line1, const TGcell& line2, double radius) {
  TJoinParams p;
  p.chamfer.radius = radius;
  p.factors = {1, 1};
  p.cornerLayer = line1.layer;
  p.cornerPen = line1.pen;
  // A straight continuation has no corner: collinear segments are refused
  // rather than merged, so the chain keeps both.
  TJoinResult r = Join(line1, line2, Start(line1), End(line2), p, false);
  // The construction puts each line's kept end first; a chain keeps its
  // direction instead, so each line runs the way its source ran.
  if (r.ok()) {
    const std::pair<TGcell*, const TGcell*> lines[2] = {{&r.line1, &line1}, {&r.line2, &line2}};
    for (auto [out, src] : lines)
      if (Dot(End(*out) - Start(*out), End(*src) - Start(*src)) < 0) SetLine(*out, End(*out), Start(*out));
  }
  return r;
}

JoinStatus JoinStoredLines(int index1, int index2, TPointD click1, TPointD click2,
                           const TJoinParams& params, TJoinAdded* added) {
  if (added) *added = {};
  if (index1 == index2 || !GcellLive(index1) || !GcellLive(index2)) return JoinStatus::NotLines;
  const TJoinResult r = JoinLines(GcellGet(index1), GcellGet(index2), click1, click2, params);
  if (!r.ok()) return r.status;

  const TCellRef ref1 = GcellRefOf(index1);
  const TCellRef ref2 = GcellRefOf(index2);
  GcellCommit();  // may compact the store and move both cells
  const int i1 = GcellResolve(ref1);
  const int i2 = GcellResolve(ref2);
  if (i1 > 0) GcellDelete(i1);
  if (i2 > 0) GcellDelete(i2);
  TJoinAdded a;
  if (r.keep1) a.line1 = GcellAdd(r.line1);
  if (r.keep2) a.line2 = GcellAdd(r.line2);
  if (r.hasCorner) a.corner = GcellAdd(r.corner);
  if (added) *added = a;
  return JoinStatus::Ok;
}

// ---- The fillet weld and the envelope ------------------------------------------------

namespace {

// The crossing of two segments when it lies on both.
bool CrossOnBoth(const TLineGeom& a, const TLineGeom& b, Vec& x) {
  if (LineCross(x.x, x.y, a.a.x, a.a.y, a.b.x, a.b.y, b.a.x, b.a.y, b.b.x, b.b.y) != kOnBoth) return false;
  const double t = Dot(x - b.a, b.b - b.a), len2 = Dot(b.b - b.a, b.b - b.a);
  return t >= -1e-9 * len2 && t <= len2 * (1 + 1e-9);
}

// The direction of a line (real space) towards the side of p, seen from x.
double TowardsClick(const TLineGeom& l, Vec x, Vec p, const TScaleFactors& f) {
  Vec d{(l.b.x - l.a.x) * f.x, (l.b.y - l.a.y) * f.y};
  const Vec toClick{(p.x - x.x) * f.x, (p.y - x.y) * f.y};
  if (Dot(d, toClick) < 0) d = Vec{-d.x, -d.y};
  return Direction(d);
}

// Position of p along l from its first point, in units of l's length.
double Param(const TLineGeom& l, Vec p) {
  const Vec d = l.b - l.a;
  const double len2 = Dot(d, d);
  return len2 > 0 ? Dot(p - l.a, d) / len2 : 0;
}
Vec At(const TLineGeom& l, double t) { return l.a + (l.b - l.a) * t; }

// Directions within 0.1 radians, modulo a half turn.
bool NearlyParallel(const TLineGeom& a, const TLineGeom& b) {
  const double d = std::remainder(Direction(a.b - a.a) - Direction(b.b - b.a), kPi);
  return std::fabs(d) < 0.1;
}

// The crossing of the infinite lines; false for parallels.
bool Crossing(const TLineGeom& a, const TLineGeom& b, Vec& x) {
  return LineCross(x.x, x.y, a.a.x, a.a.y, a.b.x, a.b.y, b.a.x, b.a.y, b.b.x, b.b.y) != 0;
}

}  // namespace

bool WeldFill(const TGcell& line1, const TGcell& line2, TPointD click1, TPointD click2, double thickness,
              TScaleFactors f, TGcell& fill) {
  const TLineGeom l1 = LineOf(line1), l2 = LineOf(line2);
  Vec x;
  if (thickness == 0 || !std::isfinite(thickness) || !CrossOnBoth(l1, l2, x)) return false;
  // In real space, where the thickness is measured.
  double p = TowardsClick(l1, x, click1, f), q = TowardsClick(l2, x, click2, f);
  q = p + std::remainder(q - p, 2 * kPi);
  if (q < p) std::swap(p, q);
  const double m = (p + q) / 2, k = (q - p) / 4;
  const auto corner = [&](double scale, double dir) {
    return Vec{x.x + thickness * scale * std::cos(dir) / f.x, x.y + thickness * scale * std::sin(dir) / f.y};
  };
  const Vec c[4] = {x, corner(1, q), corner(2 * std::cos(k) - 1, m), corner(1, p)};
  fill = MakeQuad(c[0], c[1], c[2], c[3]);
  return true;
}

TEnvelope Envelope(const std::vector<std::pair<int, TGcell>>& lines, TPointD lo, TPointD hi, double mergeTol) {
  TEnvelope out;
  const auto inside = [&](Vec p) { return p.x >= lo.x && p.x <= hi.x && p.y >= lo.y && p.y <= hi.y; };
  struct TTaken {
    int slot;
    TGcell cell;
    TLineGeom l;  // the inside end last when there is exactly one
    int ends;     // ends inside
  };
  std::vector<TTaken> taken;
  const TLineGeom sides[4] = {{lo, {hi.x, lo.y}}, {{hi.x, lo.y}, hi}, {hi, {lo.x, hi.y}}, {{lo.x, hi.y}, lo}};
  for (const auto& [slot, cell] : lines) {
    if (cell.kind != GK_LINE) continue;
    TLineGeom l = LineOf(cell);
    if (std::max(l.a.x, l.b.x) < lo.x || std::min(l.a.x, l.b.x) > hi.x || std::max(l.a.y, l.b.y) < lo.y ||
        std::min(l.a.y, l.b.y) > hi.y)
      continue;
    const bool inA = inside(l.a), inB = inside(l.b);
    bool crosses = false;
    for (const TLineGeom& s : sides) {
      Vec x;
      crosses = crosses || CrossOnBoth(l, s, x);
    }
    if (!inA && !inB && !crosses) continue;
    if (inA && !inB) std::swap(l.a, l.b);
    taken.push_back({slot, cell, l, int(inA) + int(inB)});
  }
  // Two lines each with one end inside: a corner.
  if (taken.size() == 2 && taken[0].ends == 1 && taken[1].ends == 1) {
    const TLineGeom a = LineOf(taken[0].cell), b = LineOf(taken[1].cell);
    TJoinParams params;
    params.factors = {1, 1};
    const TJoinResult r = JoinLines(taken[0].cell, taken[1].cell, (a.a + a.b) * 0.5, (b.a + b.b) * 0.5, params);
    if (!r.ok()) return out;
    out.removed = {taken[0].slot, taken[1].slot};
    if (r.keep1) out.added.push_back(r.line1);
    if (r.keep2) out.added.push_back(r.line2);
    return out;
  }
  struct TNew {
    TGcell cell;
    bool extend;
  };
  std::vector<TNew> made;
  const auto piece = [&](const TTaken& t, Vec a, Vec b, bool extend) {
    TGcell c = t.cell;
    SetLine(c, a, b);
    made.push_back({c, extend});
  };
  for (std::size_t i = 0; i < taken.size(); ++i) {
    const TTaken& t = taken[i];
    double tmin = INFINITY, tmax = -INFINITY, smin = INFINITY, smax = -INFINITY;
    for (std::size_t j = 0; j < taken.size(); ++j) {
      if (j == i || NearlyParallel(t.l, taken[j].l)) continue;
      Vec x;
      if (!Crossing(t.l, taken[j].l, x) || !inside(x)) continue;
      const double s = Param(t.l, x);
      tmin = std::min(tmin, s);
      tmax = std::max(tmax, s);
      const double u = Param(taken[j].l, x);
      if (u >= -1e-9 && u <= 1 + 1e-9) {
        smin = std::min(smin, s);
        smax = std::max(smax, s);
      }
    }
    if (!(tmin <= tmax)) continue;  // nothing crosses it in the window
    if (t.ends == 1) {
      piece(t, t.l.a, At(t.l, tmin), true);
    } else if (t.ends == 2) {
      if (smin < smax) piece(t, At(t.l, smin), At(t.l, smax), false);
      else continue;
    } else {
      if (!(smin < smax)) continue;
      piece(t, t.l.a, At(t.l, smin), true);
      piece(t, At(t.l, smax), t.l.b, true);
    }
    out.removed.push_back(t.slot);
  }
  // Lines that meet nothing reach the farthest crossing inside the window.
  for (std::size_t i = 0; i < made.size(); ++i) {
    if (!made[i].extend) continue;
    const TLineGeom l = LineOf(made[i].cell);
    bool meets = false;
    double far = 0;
    for (std::size_t j = 0; j < made.size(); ++j) {
      const TLineGeom o = LineOf(made[j].cell);
      Vec x;
      if (j == i || NearlyParallel(l, o) || !Crossing(l, o, x) || !inside(x)) continue;
      const double s = Param(l, x), u = Param(o, x);
      if (s >= -1e-9 && s <= 1 + 1e-9 && u >= -1e-9 && u <= 1 + 1e-9) meets = true;
      far = std::max(far, s);
    }
    if (!meets && far > 0) SetLine(made[i].cell, l.a, At(l, far));
  }
  // Collinear pieces of one pen that overlap or touch become one.
  std::vector<bool> gone(made.size(), false);
  for (std::size_t i = 0; i < made.size(); ++i) {
    if (gone[i]) continue;
    for (std::size_t j = i + 1; j < made.size(); ++j) {
      if (gone[j] || made[i].cell.pen != made[j].cell.pen) continue;
      const TLineGeom a = LineOf(made[i].cell), b = LineOf(made[j].cell);
      const double len = Dist(a.a, a.b);
      if (len == 0 || std::fabs(Cross(a.b - a.a, b.a - a.a)) / len > mergeTol ||
          std::fabs(Cross(a.b - a.a, b.b - a.a)) / len > mergeTol)
        continue;
      const double s0 = Param(a, b.a), s1 = Param(a, b.b);
      const double from = std::min({0.0, s0, s1}), to = std::max({1.0, s0, s1});
      if (std::max(s0, s1) < -1e-9 || std::min(s0, s1) > 1 + 1e-9) continue;  // apart
      SetLine(made[i].cell, At(a, from), At(a, to));
      gone[j] = true;
    }
  }
  for (std::size_t i = 0; i < made.size(); ++i)
    if (!gone[i]) out.added.push_back(made[i].cell);
  return out;
}

// ---- The join operation ---------------------------------------------------------------

JoinOpState g_joinOp;

void Op_LineConect_Reset() { g_joinOp = JoinOpState{}; }

namespace {

constexpr int kSub1 = EV_SUB1, kSub6 = EV_SUB1 + 5, kSub7 = EV_SUB1 + 6;
// A left drag further than this (pixels) from its press is a rectangle.
constexpr double kDragRange = 32;

const char* const kChamferNames[4] = {"①面取(辺)", "②面取(Ｃ)", "③面取(Ｒ)", "④面取(凹Ｒ)"};
const char* const kChamferPrompts[4] = {"面取(辺)・１辺の長さ(mm)", "面取(Ｃ)・面の長さ(mm)", "面取(Ｒ)・半径(mm)",
                                        "面取(凹Ｒ)・半径(mm)"};

JoinRun& S() { return g_joinOp.run; }
void Enter(JoinState s) { S().state = s; }
bool Welding(JoinState s) { return s == JoinState::WeldFirst || s == JoinState::WeldSecond; }
bool Joining(JoinState s) { return s == JoinState::JoinFirst || s == JoinState::JoinSecond; }

double& ChamferValue(int n) {
  TChamfer& c = S().chamfer;
  return n == 0 ? c.side : n == 1 ? c.face : n == 2 ? c.radius : c.concave;
}

std::string Number(double v) { return Format("%s", {v}); }

void JoinButtons() {
  ClearSubBtns();
  for (int n = 0; n < 4; ++n) {
    const double v = ChamferValue(n);
    SetSubBtn(v != 0 ? kChamferNames[n] + std::string("=") + Number(v) : kChamferNames[n], true);
  }
  SetSubBtn("⑥隅肉盛り", true);
  SetSubBtn("⑦包絡処理", true);
}

void WeldButtons() {
  ClearSubBtns();
  SetSubBtn("①肉盛厚(mm)=" + AppOptions().SumiNik, true);
}

void ShowState() {
  std::string prompt;
  CursorShape cursor = CursorShape::Arrow;
  switch (S().state) {
    case JoinState::JoinFirst:
      prompt = "線の結合：線１指示(L),線切(R)";
      cursor = CursorShape::Point1;
      break;
    case JoinState::JoinSecond:
      prompt = "線の結合：線２指示(L),線切(R)";
      cursor = CursorShape::Point2;
      break;
    case JoinState::WeldFirst:
      prompt = "隅肉盛り：線１指示(L),線切(R)";
      cursor = CursorShape::Point1;
      break;
    case JoinState::WeldSecond:
      prompt = "隅肉盛り：線２指示(L),線切(R)";
      cursor = CursorShape::Point2;
      break;
    case JoinState::EnvStart:
      prompt = "包絡処理：始点指示(L),線切(R)";
      cursor = CursorShape::Drag;
      break;
    case JoinState::EnvEnd:
      prompt = "包絡処理：終点指示(L),線切(R)";
      cursor = CursorShape::Drag;
      break;
    case JoinState::Idle: break;
  }
  ShowStep(prompt, cursor, false, false);
}

void ShowMarks(TGContext& view) {
  std::vector<TGcell> cells;
  for (const TCutMark& m : S().marks) cells.push_back(MarkAt(m.at));
  S().marksShown.Show(view, std::move(cells));
}

void ClearValues() { S().chamfer = {}; }

// The line under a click, or 0.
int PickLineAt(TGContext& view, TPointD p) {
  const int i = PickNearest(view, false, p.x, p.y);
  return i > 0 && GcellRef(i).kind == GK_LINE ? i : 0;
}

// ---- Cut marks and cuts --------------------------------------------------------------

void AddMark(TGContext& view, int code) {
  const TPointD p = ToWorld(view, PressPixel(code));
  const int i = PickLineAt(view, p);
  if (i == 0) return;
  const TLineGeom l = LineOf(GcellRef(i));
  TPointD foot;
  PerpendicularFoot(foot.x, foot.y, p.x, p.y, l.a.x, l.a.y, l.b.x, l.b.y);
  std::vector<TCutMark>& marks = S().marks;
  marks.insert(marks.begin(), TCutMark{GcellRefOf(i), foot});
  if (marks.size() > 2) marks.pop_back();
  ShowMarks(view);
}

// The envelope states cut a line at once.
void CutNow(TGContext& view, int code) {
  const TPointD p = ToWorld(view, PressPixel(code));
  const int i = PickLineAt(view, p);
  TPointD foot;
  if (i > 0 && SplitLineAt(view, i, p, foot)) S().cutShown.Show(view, MarkAt(foot));
}

// ---- Switching modes -----------------------------------------------------------------

void ToJoin(TGContext& view) {
  JoinRun& r = S();
  r.line1Shown.Clear(view);
  r.screen.End(view);
  ClearValues();
  JoinButtons();
  Enter(JoinState::JoinFirst);
}

void ToWeld(TGContext& view) {
  S().line1Shown.Clear(view);
  ClearValues();
  WeldButtons();
  Enter(JoinState::WeldFirst);
}

void ToEnvelope(TGContext& view) {
  JoinRun& r = S();
  r.line1Shown.Clear(view);
  ClearValues();
  ClearSubBtns();
  r.screen.ShowCross(view, g_manager.lastMousePos);
  Enter(JoinState::EnvStart);
}

// ---- Join and weld --------------------------------------------------------------------

void OnFirst(TGContext& view, int code, double x, double y) {
  JoinRun& r = S();
  const bool weld = Welding(r.state);
  switch (code) {
    case EV_ESC:
      if (weld) ToJoin(view);
      break;
    case kSub6: ToWeld(view); break;
    case kSub7: ToEnvelope(view); break;
    case EV_RCLICK: AddMark(view, code); break;
    case EV_MOVE: {
      // A left drag away from the press is the envelope's rectangle.
      const TPointD press = g_manager.leftPressPos;
      if (g_manager.leftHeld && (std::fabs(x - press.x) > kDragRange || std::fabs(y - press.y) > kDragRange)) {
        ClearValues();
        ClearSubBtns();
        r.screen.Begin(view, ToWorld(view, press));
        r.screen.Stretch(view, ToWorld(view, {x, y}));
        Enter(JoinState::EnvEnd);
      }
      break;
    }
    case EV_LCLICK: {
      const TPointD p = ToWorld(view, g_manager.leftPressPos);
      const int i = PickLineAt(view, p);
      if (i == 0) break;
      r.line1 = GcellRefOf(i);
      r.click1 = p;
      r.line1Shown.Show(view, Highlighted(GcellRef(i)));
      Enter(weld ? JoinState::WeldSecond : JoinState::JoinSecond);
      break;
    }
    default: break;
  }
}

// After a join: a marked source line gives back its part beyond the mark.
// owners: for each mark, the joined line (0, 1) it lies on, or -1.
void KeepMarkedParts(TGContext& view, const TGcell* sources, const std::vector<int>& owners, const TPointD* clicks) {
  std::vector<TCutMark> left;
  for (std::size_t n = 0; n < S().marks.size(); ++n) {
    const TCutMark& m = S().marks[n];
    const int k = owners[n];
    if (k < 0) {
      left.push_back(m);
      continue;
    }
    const TLineGeom l = LineOf(sources[k]);
    const double tm = Param(l, m.at), tc = Param(l, clicks[k]);
    const TLineGeom part = tc < tm ? TLineGeom{m.at, l.b} : TLineGeom{l.a, m.at};
    if (Dist(part.a, part.b) <= kStoreEps) continue;
    TGcell piece = sources[k];
    piece.pen &= static_cast<std::uint16_t>(~PEN_SELECTED);
    SetLine(piece, part.a, part.b);
    StoreCell(view, piece);
  }
  S().marks = left;
}

void OnSecond(TGContext& view, int code) {
  JoinRun& r = S();
  const bool weld = Welding(r.state);
  switch (code) {
    case EV_ESC:
      r.line1Shown.Clear(view);
      Enter(weld ? JoinState::WeldFirst : JoinState::JoinFirst);
      return;
    case kSub6: ToWeld(view); return;
    case kSub7: ToEnvelope(view); return;
    case EV_RCLICK: AddMark(view, code); return;
    case EV_LCLICK: break;
    default: return;
  }
  const TPointD p = ToWorld(view, PressPixel(code));
  const int i2 = PickLineAt(view, p);
  const int i1 = GcellResolve(r.line1);
  if (i2 == 0 || i1 == 0 || i2 == i1) return;
  r.marksShown.Clear(view);
  r.cutShown.Clear(view);
  r.line1Shown.Clear(view);
  Enter(weld ? JoinState::WeldFirst : JoinState::JoinFirst);
  const TGcell c1 = GcellRef(i1), c2 = GcellRef(i2);
  if (weld) {
    TGcell fill;
    if (!WeldFill(c1, c2, r.click1, p, ParseReal(AppOptions().SumiNik), WriteScale(), fill)) {
      Platform().Beep();
      ShowMarks(view);
      return;
    }
    GcellCommit();
    StoreOnWrite(view, fill);
    ShowMarks(view);
    ShowDataCount();
    return;
  }
  std::vector<int> owners;
  for (const TCutMark& m : r.marks) {
    const int i = GcellResolve(m.line);
    owners.push_back(i == i1 ? 0 : i == i2 ? 1 : -1);
  }
  TJoinAdded added;
  const JoinStatus status = JoinStoredLines(i1, i2, r.click1, p, JoinParamsFor(CurPVC(), r.chamfer), &added);
  if (status != JoinStatus::Ok) {
    Platform().Beep();  // nothing changed: both lines stay as they are on the screen
    ShowMarks(view);
    return;
  }
  EraseCell(view, c1);
  EraseCell(view, c2);
  for (int i : {added.line1, added.line2, added.corner})
    if (i > 0) DrawCell(view, GcellRef(i));
  const TGcell sources[2] = {c1, c2};
  const TPointD clicks[2] = {r.click1, p};
  KeepMarkedParts(view, sources, owners, clicks);
  ShowMarks(view);
  ShowDataCount();
}

// ---- The envelope ------------------------------------------------------------------

void RunEnvelope(TGContext& view, TPointD corner) {
  JoinRun& r = S();
  const TGcell& rect = r.screen.Rect();
  const TPointD a{rect.p[0], rect.p[1]};
  const TPointD lo{std::min(a.x, corner.x), std::min(a.y, corner.y)};
  const TPointD hi{std::max(a.x, corner.x), std::max(a.y, corner.y)};
  r.screen.Drop(view);
  r.cutShown.Clear(view);
  std::vector<std::pair<int, TGcell>> lines;
  const int w = StoreWindow();
  for (int i = 1, n = StoreUsed(); i <= n; ++i) {
    const TGcell& c = GcellRef(i);
    if (c.window == w && c.kind == GK_LINE && IsCellShown(c)) lines.emplace_back(i, c);
  }
  const TEnvelope e = Envelope(lines, lo, hi, CurPVC().basicScale * 0.000001);
  if (!e.removed.empty()) {
    // The slots are those of before the commit: held as references across it.
    std::vector<TCellRef> refs;
    for (int i : e.removed) refs.push_back(GcellRefOf(i));
    ++CurPVC().modified;
    GcellCommit();
    for (const TCellRef& ref : refs)
      if (const int i = GcellResolve(ref); i > 0) GcellDelete(i);
    for (const TGcell& c : e.added) GcellAdd(c);
    ViewRedraw(1);
    ShowDataCount();
  }
  r.screen.ShowCross(view, g_manager.lastMousePos);
  Enter(JoinState::EnvStart);
}

void OnEnvelope(TGContext& view, int code, double x, double y) {
  JoinRun& r = S();
  if (code == EV_RCLICK) {
    CutNow(view, code);
    return;
  }
  if (r.state == JoinState::EnvStart) {
    if (code == EV_ESC) {
      ToJoin(view);
    } else if (code == EV_MOVE) {
      r.screen.ShowCross(view, {x, y});
    } else if (code == EV_LCLICK) {
      r.screen.Begin(view, ToWorld(view, PressPixel(code)));
      Enter(JoinState::EnvEnd);
    }
    return;
  }
  if (code == EV_ESC) {
    r.screen.Drop(view);
    r.screen.ShowCross(view, g_manager.lastMousePos);
    Enter(JoinState::EnvStart);
  } else if (code == EV_MOVE) {
    r.screen.Stretch(view, ToWorld(view, {x, y}));
  } else if (code == EV_LCLICK) {
    RunEnvelope(view, ToWorld(view, PressPixel(code)));
  }
}

// ---- Entry boxes ----------------------------------------------------------------------

void OpenEntry(int n) {
  if (Welding(S().state)) {
    if (n == 1) OpenValueEntry(1, "隅肉の厚さ(mm)", HstList::Corner);
    return;
  }
  if (n >= 1 && n <= 4) OpenValueEntry(n, kChamferPrompts[n - 1], HstList::Corner);
}

void TakeEntry(int code) {
  const int n = ValueEntryButton();
  const std::string text = TakeValueEntry(code);
  if (code != EV_ENTER) return;
  if (Welding(S().state)) {
    if (!text.empty()) AppOptions().SumiNik = text;
    WeldButtons();
    return;
  }
  const double v = ParseReal(text);
  ClearValues();
  if (std::isfinite(v) && v > 0) ChamferValue(n - 1) = v;
  JoinButtons();
}

}  // namespace

void Op_LineConect(TGContext& view, int code, double x, double y) {
  JoinRun& r = S();
  if (code == EV_START) {
    g_joinOp.run = JoinRun{};
    if (AppOptions().SumiNik.empty()) AppOptions().SumiNik = "5";
    JoinButtons();
    Enter(JoinState::JoinFirst);
    ShowState();
    return;
  }
  if (code == EV_END) {
    r.line1Shown.Clear(view);
    r.marksShown.Clear(view);
    r.cutShown.Clear(view);
    r.screen.End(view);
    r.marks.clear();
    Enter(JoinState::Idle);
    return;
  }
  if (code == EV_REDRAW) {
    r.screen.Redraw(view);
    return;
  }
  if (r.state == JoinState::Idle) return;
  if (ValueEntryButton() != 0) {
    if (code == EV_ENTER || code == EV_ESC) TakeEntry(code);
    ShowState();
    return;
  }
  if (code >= kSub1 && code <= kSub7 && !SubOption(code - EV_SUB1 + 1).enabled) return;
  if (code >= kSub1 && code <= kSub1 + 3 && (Joining(r.state) || Welding(r.state))) {
    OpenEntry(code - EV_SUB1 + 1);
    return;
  }
  switch (r.state) {
    case JoinState::JoinFirst:
    case JoinState::WeldFirst: OnFirst(view, code, x, y); break;
    case JoinState::JoinSecond:
    case JoinState::WeldSecond: OnSecond(view, code); break;
    case JoinState::EnvStart:
    case JoinState::EnvEnd: OnEnvelope(view, code, x, y); break;
    case JoinState::Idle: break;
  }
  ShowState();
}
