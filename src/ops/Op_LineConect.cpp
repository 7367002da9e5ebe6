#include "ops/Op_LineConect.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

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
