#include "app/GC_PointSearch.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>
#include <numbers>

#include "kernel/Z_Math.h"
#include "model/GC_Index.h"
#include "model/PVC.h"
#include "render/GC_Draw.h"
#include "render/Z_Graph.h"

namespace {

constexpr double kQuarter = std::numbers::pi / 2;

// The curve point of an arc or circle at parameter angle th: on the circle,
// or mapped onto the ellipse.
TPointD CurvePoint(const ArcParams& a, double th) {
  double dx = a.r * std::cos(th), dy = a.r * std::sin(th);
  if (a.f > 0.001 && a.f != 1) {
    dy *= a.f;
    const double ct = std::cos(a.t), st = std::sin(a.t);
    const double rx = dx * ct - dy * st;
    dy = dx * st + dy * ct;
    dx = rx;
  }
  return {a.cx + dx, a.cy + dy};
}

void Widen(TExtents& e, double x, double y) {
  e.xmin = std::min(e.xmin, x);
  e.ymin = std::min(e.ymin, y);
  e.xmax = std::max(e.xmax, x);
  e.ymax = std::max(e.ymax, y);
}

void WidenByPoints(TExtents& e, const TGcell& piece) {
  double xs[kMaxCellPoints], ys[kMaxCellPoints];
  const int n = CellPoints(piece, xs, ys);
  for (int i = 0; i < n; ++i) Widen(e, xs[i], ys[i]);
}

}  // namespace

int CellPoints(const TGcell& c, double xs[kMaxCellPoints], double ys[kMaxCellPoints]) {
  int n = 0;
  auto add = [&](TPointD q) {
    if (n < kMaxCellPoints) {
      xs[n] = q.x;
      ys[n] = q.y;
      ++n;
    }
  };
  // Centre, the four axis points, the four diagonal points.
  auto fullCurve = [&](const ArcParams& arc) {
    add({arc.cx, arc.cy});
    static constexpr double kAngles[8] = {0,           std::numbers::pi,     kQuarter,
                                          -kQuarter,   kQuarter / 2,         3 * kQuarter / 2,
                                          -3 * kQuarter / 2, -kQuarter / 2};
    for (double th : kAngles) add(CurvePoint(arc, th));
  };
  switch (c.kind) {
    case GK_POINT:
    case GK_DOT:
    case GK_MARKER: add(PointOf(c)); break;
    case GK_LINE: {
      const TLineGeom l = LineOf(c);
      add(l.a);
      add(l.b);
      break;
    }
    case GK_ARC:
    case GK_POLYARC: {
      const ArcParams arc = ArcOf(c);
      // Equal angles make a whole figure (a filled circle or ellipse): its
      // end points alone would stand for one point of the rim.
      if (arc.s == arc.e) {
        fullCurve(arc);
        break;
      }
      add(CurvePoint(arc, arc.s));
      add(CurvePoint(arc, arc.e));
      if (!std::isfinite(arc.s) || !std::isfinite(arc.e)) break;
      // The quarter points strictly inside (start, end); a stored arc spans
      // less than a turn, so at most four of them.
      double k = std::floor(arc.s / kQuarter) + 1;
      for (int guard = 0; guard < 5 && k * kQuarter < arc.e; ++guard, k += 1) add(CurvePoint(arc, k * kQuarter));
      break;
    }
    case GK_CIRCLE: fullCurve(ArcOf(c)); break;
    case GK_POLYGON: {
      const TBoundsGeom b = BoundsOf(c);
      add(b.min);
      add({b.min.x, b.max.y});
      add(b.max);
      add({b.max.x, b.min.y});
      break;
    }
    case GK_FILL4K:
      for (const TPointD& q : QuadOf(c).corner) add(q);
      break;
    case GK_PICTURE: {
      const TBoxGeom b = BoxOf(c);
      add(b.corner);
      add(b.corner + TPointD{0, b.height});
      add(b.corner + TPointD{b.width, b.height});
      add(b.corner + TPointD{b.width, 0});
      break;
    }
    case GK_TEXT: {
      const TTextMetrics m = TextMetrics(c);
      const double h = m.height;
      const double len = TextRunWidth(c.text, m.width, m.gap);
      const TTextGeom t = TextOf(c);
      const TPointD u = UnitVector(t.angle);  // along the text
      const TPointD up{-u.y, u.x};            // across it, upwards
      add(t.at);
      add(t.at + h * up);
      add(t.at + h * up + len * u);
      add(t.at + len * u);
      break;
    }
    default: break;
  }
  return n;
}

void WidenByCell(TExtents& ext, const TGcell& cell, TCellPieces& pieces) {
  ExpandCell(cell, pieces);
  for (const TGcell& piece : pieces) WidenByPoints(ext, piece);
}

void WidenByCell(TExtents& ext, const TGcell& cell) {
  TCellPieces pieces;
  WidenByCell(ext, cell, pieces);
}

TExtents GcellExtents() {
  TExtents e{1e99, 1e99, -1e99, -1e99};
  const int used = StoreUsed();
  const int window = StoreWindow();
  TCellPieces pieces;
  for (int i = 1; i <= used; ++i) {
    const TGcell& c = GcellRef(i);
    if (c.kind <= 0 || c.window != window) continue;
    if (c.kind == GK_LINE) {
      const TLineGeom l = LineOf(c);
      Widen(e, l.a.x, l.a.y);
      Widen(e, l.b.x, l.b.y);
    } else {
      WidenByCell(e, c, pieces);
    }
  }
  if (e.xmin > e.xmax) return {};
  return e;
}

// ---- Snapping ---------------------------------------------------------------

namespace {

constexpr int kWideCandidates = 500;  // after this many the window narrows
constexpr int kMaxCandidates = 1000;

bool IsCurve(const TGcell& c) { return c.kind == GK_ARC || c.kind == GK_CIRCLE; }

double LineDistance(const TGcell& c, double px, double py) {
  const TLineGeom l = LineOf(c);
  return SegmentDistance(px, py, l.a.x, l.a.y, l.b.x, l.b.y);
}

// The best point so far and its distance from P.
struct TBest {
  double px = 0, py = 0;
  double x = 0, y = 0, d = 1e99;
  void Offer(double qx, double qy) {
    const double dx = qx - px, dy = qy - py;
    const double dist = std::sqrt(dx * dx + dy * dy);
    if (dist < d) x = qx, y = qy, d = dist;
  }
  // Only points within box of P in both axes.
  void OfferNear(double qx, double qy, double box) {
    if (std::fabs(qx - px) <= box && std::fabs(qy - py) <= box) Offer(qx, qy);
  }
};

// The characteristic points a cell offers to the snap, into best. u is the
// size of a pixel, T four pixels.
void OfferCellPoints(const TGcell& c, TBest& best, double u, double T, TCellPieces& pieces) {
  const double box = 4 * T;
  double xs[kMaxCellPoints], ys[kMaxCellPoints];
  if (c.kind == GK_LINE) {
    const TLineGeom l = LineOf(c);
    if (Length(l.b - l.a) >= 5 * u) {
      best.Offer(l.a.x, l.a.y);
      best.Offer(l.b.x, l.b.y);
    }
    return;
  }
  if (c.kind == GK_FILL4K || c.kind == GK_PICTURE) {
    const int n = CellPoints(c, xs, ys);
    for (int i = 0; i < n; ++i) best.OfferNear(xs[i], ys[i], box);
    return;
  }
  auto offer = [&](const TGcell& piece) {
    const ArcParams arc = ArcOf(piece);
    if (piece.kind == GK_CIRCLE && arc.r < T) {
      best.OfferNear(arc.cx, arc.cy, box);
      return;
    }
    const int n = CellPoints(piece, xs, ys);
    for (int i = 0; i < n; ++i) best.OfferNear(xs[i], ys[i], box);
    if (piece.kind == GK_ARC) best.OfferNear(arc.cx, arc.cy, box);
  };
  // Points, arcs and circles are their own only piece.
  if (c.kind == GK_POINT || IsCurve(c)) {
    offer(c);
    return;
  }
  ExpandCellNoAreas(c, pieces);
  for (const TGcell& piece : pieces) offer(piece);
}

// Whether the cell lies within W of P (texts never; kinds without an
// outline of their own when they offer a point to the snap).
bool IsCandidate(const TGcell& c, double px, double py, double W, double u, double T, TCellPieces& pieces) {
  switch (c.kind) {
    case GK_POINT: return Dist({px, py}, PointOf(c)) <= W;
    case GK_LINE: {
      const TLineGeom l = LineOf(c);
      const double dx = l.b.x - l.a.x, dy = l.b.y - l.a.y;
      const double len = std::sqrt(dx * dx + dy * dy);
      const double cx = len > 0 ? dx / len : 1, cy = len > 0 ? dy / len : 0;
      const double qx = px - l.a.x, qy = py - l.a.y;
      const double a = qx * cx + qy * cy, b = qy * cx - qx * cy;
      return std::fabs(b) <= W && a >= -W && a <= len + W;
    }
    case GK_ARC:
    case GK_CIRCLE: {
      const ArcParams arc = ArcOf(c);
      const double d = std::hypot(px - arc.cx, py - arc.cy);
      const double r = arc.r, f = FlatnessOf(c);
      return d <= std::max(f, 1.0) * r + W && (d <= W || d >= std::min(f, 1.0) * r - W);
    }
    case GK_TEXT: return false;
    default: {
      // Polygons, fills, pictures and the rest would otherwise crowd out the
      // cells that matter: taken only when they offer a point near enough.
      TBest near{px, py};
      OfferCellPoints(c, near, u, T, pieces);
      return near.d < 1e99;
    }
  }
}

// The crossing of two pieces (lines, arcs or circles) on P's side; true when
// it lies on both.
bool Cross(const TGcell& a, const TGcell& b, double px, double py, double& X, double& Y) {
  int code;
  const TLineGeom la = LineOf(a), lb = LineOf(b);
  if (a.kind == GK_LINE && b.kind == GK_LINE)
    code = LineCross(X, Y, la.a.x, la.a.y, la.b.x, la.b.y, lb.a.x, lb.a.y, lb.b.x, lb.b.y);
  else if (a.kind == GK_LINE)
    code = LineArcCross(X, Y, px, py, la.a.x, la.a.y, la.b.x, la.b.y, ArcOf(b));
  else if (b.kind == GK_LINE)
    code = LineArcCross(X, Y, px, py, lb.a.x, lb.a.y, lb.b.x, lb.b.y, ArcOf(a));
  else
    code = CircleCross(X, Y, px, py, ArcOf(a), ArcOf(b));
  return code == kOnBoth;
}

// Whether the crossing of the infinite lines through a and b may lie within
// dist of P: a quick test that spares LineCross the many pairs that cross
// farther off. Nearly parallel lines (and non-finite ones) are left to
// LineCross; the margin covers the two computations' rounding.
bool LinesMayCrossWithin(const TGcell& a, const TGcell& b, double px, double py, double dist) {
  const TLineGeom p = LineOf(a), q = LineOf(b);
  const double ax = p.b.x - p.a.x, ay = p.b.y - p.a.y, bx = q.b.x - q.a.x, by = q.b.y - q.a.y;
  const double la = std::sqrt(ax * ax + ay * ay), lb = std::sqrt(bx * bx + by * by);
  const double den = ax * by - ay * bx;
  if (!(std::fabs(den) > 1e-3 * la * lb)) return true;
  const double t = ((q.a.x - p.a.x) * by - (q.a.y - p.a.y) * bx) / den;
  const double dx = p.a.x + t * ax - px, dy = p.a.y + t * ay - py;
  const double limit = dist + 1e-6 * (1 + std::fabs(px) + std::fabs(py) + la + lb);
  return !(dx * dx + dy * dy >= limit * limit);
}

// Pens 1..6 by print width, widest first (an exchange sort, so equal widths
// keep no particular order), then the auxiliary pen.
void PenOrder(int order[7]) {
  const TPVC& pvc = CurPVC();
  for (int i = 0; i < 6; ++i) order[i] = i + 1;
  for (int a = 0; a < 5; ++a)
    for (int b = a + 1; b < 6; ++b)
      if (pvc.pens[order[a]].printWidth < pvc.pens[order[b]].printWidth) std::swap(order[a], order[b]);
  order[6] = 7;
}

}  // namespace

bool SnapPoint(const TGContext& view, double& x, double& y) {
  const double px = x, py = y;
  double u = std::fabs(G_PixelSize(view));
  if (!std::isfinite(u) || !std::isfinite(px) || !std::isfinite(py)) return false;
  const double T = 4 * u;
  static std::vector<int> candidates;
  static TCellPieces pieces;
  candidates.clear();

  // 1. The cells near P, in store order: of a large drawing those the
  // spatial index has near P, a superset of what the pass would take (a
  // line's test reaches up to 4T beyond its end and 4T aside, more than 4T
  // along an axis: twice that is asked for).
  const int used = StoreUsed(), window = StoreWindow();
  const auto consider = [&](int i) {
    const TGcell& c = GcellRef(i);
    if (c.kind <= 0 || c.window != window) return;
    const double W = static_cast<int>(candidates.size()) < kWideCandidates ? 4 * T : T;
    if (IsCandidate(c, px, py, W, u, T, pieces) && IsCellShown(c)) candidates.push_back(i);
  };
  static std::vector<int> near;
  if (GcellNear(px - 8 * T, py - 8 * T, px + 8 * T, py + 8 * T, false, near)) {
    for (std::size_t k = 0; k < near.size() && static_cast<int>(candidates.size()) < kMaxCandidates; ++k)
      consider(near[k]);
  } else {
    for (int i = 1; i <= used && static_cast<int>(candidates.size()) < kMaxCandidates; ++i) consider(i);
  }

  // 2. The grid point.
  TBest best{px, py};
  const TPVC& pvc = CurPVC();
  const double s = pvc.gridDrawn;
  if (pvc.gridShown && s != 0 && std::isfinite(s)) {
    const double gx = SignOf(px) * std::trunc(std::fabs(px) / s + 0.5) * s;
    const double gy = SignOf(py) * std::trunc(std::fabs(py) / s + 0.5) * s;
    best.Offer(gx, gy);
  }

  // 3. Crossings of the lines and curves near P. Lines take part within 2T
  // (first of a pair) or 4T (second); circles smaller than T not at all. A
  // piece is not crossed with itself.
  static std::vector<int> crossing;  // positions in candidates
  crossing.clear();
  for (std::size_t k = 0; k < candidates.size(); ++k) {
    const TGcell& c = GcellRef(candidates[k]);
    if (c.kind == GK_LINE) {
      if (LineDistance(c, px, py) <= 4 * T) crossing.push_back(static_cast<int>(k));
    } else if (c.kind == GK_ARC || (c.kind == GK_CIRCLE && !(ArcOf(c).r < T))) {
      crossing.push_back(static_cast<int>(k));
    }
  }
  for (std::size_t i = 0; i < crossing.size(); ++i) {
    const TGcell& a = GcellRef(candidates[crossing[i]]);
    if (a.kind == GK_LINE && LineDistance(a, px, py) > 2 * T) continue;
    for (std::size_t j = i + 1; j < crossing.size(); ++j) {
      const TGcell& b = GcellRef(candidates[crossing[j]]);
      if (a.kind == GK_LINE && b.kind == GK_LINE && !LinesMayCrossWithin(a, b, px, py, best.d)) continue;
      double X = 0, Y = 0;
      if (Cross(a, b, px, py, X, Y)) best.Offer(X, Y);
    }
  }

  // 4. Characteristic points, pen by pen.
  int order[7];
  PenOrder(order);
  for (int pen : order) {
    for (int i : candidates) {
      const TGcell& c = GcellRef(i);
      if (TextPen(c) == pen) OfferCellPoints(c, best, u, T, pieces);
    }
    if (best.d < T) break;
  }

  // 5. The best point within 4T, else the paper origin within 2T.
  if (best.d <= 4 * T) {
    x = best.x;
    y = best.y;
    return true;
  }
  if (std::hypot(px, py) <= 2 * T) {
    x = 0;
    y = 0;
    return true;
  }
  return false;
}

// ---- Picking ----------------------------------------------------------------

namespace {

bool Pickable(const TGcell& c, int window, bool includeHidden) {
  return c.kind > 0 && c.window == window && (includeHidden || IsCellShown(c));
}

// Distance from P to a line, arc or circle; NaN for other kinds.
double PieceDistance(const TGcell& c, double px, double py) {
  switch (c.kind) {
    case GK_LINE: return LineDistance(c, px, py);
    case GK_ARC: return ArcDistance(px, py, ArcOf(c));
    case GK_CIRCLE: {
      ArcParams a = ArcOf(c);
      a.s = a.e = 0;
      return ArcDistance(px, py, a);
    }
    default: return std::numeric_limits<double>::quiet_NaN();
  }
}

// Tested in the frame of the circle the figure is drawn from (an ellipse
// turned back by its tilt and stretched across by 1 / flatness), where the
// parameter angles are directions: a flat ellipse holds only what is drawn.
bool FilledArcHolds(const TGcell& c, double px, double py) {
  const ArcParams arc = ArcOf(c);
  double dx = px - arc.cx, dy = py - arc.cy;
  if (arc.f > 0.001 && arc.f != 1) {
    const double ct = std::cos(arc.t), st = std::sin(arc.t);
    const double u = dx * ct + dy * st;
    dy = (dy * ct - dx * st) / arc.f;
    dx = u;
  }
  if (!(std::hypot(dx, dy) < arc.r)) return false;
  if (arc.s == arc.e) return true;
  return NormalizeAngle(LineAngle(0, 0, dx, dy), arc.s) <= arc.e;
}

}  // namespace

int PickText(bool includeHidden, double x, double y) {
  const int used = StoreUsed(), window = StoreWindow();
  for (int i = 1; i <= used; ++i) {
    const TGcell& c = GcellRef(i);
    if (c.kind != GK_TEXT || !Pickable(c, window, includeHidden)) continue;
    const TTextMetrics m = TextMetrics(c);
    const double len = TextRunWidth(c.text, m.width, m.gap);
    const TTextGeom t = TextOf(c);
    double qx, qy, rx, ry;
    RotatePoint(qx, qy, x, y, -t.angle);
    RotatePoint(rx, ry, t.at.x, t.at.y, -t.angle);
    if (qx >= rx && qx <= rx + len && qy >= ry && qy <= ry + m.height) return i;
  }
  return 0;
}

int PickNearest(const TGContext& view, bool includeHidden, double x, double y) {
  const double tol = 12 * std::fabs(G_PixelSize(view));
  const int used = StoreUsed(), window = StoreWindow();
  int found = 0;
  double best = 1e99;
  for (int i = 1; i <= used; ++i) {
    const TGcell& c = GcellRef(i);
    if (c.kind != GK_POINT || !Pickable(c, window, includeHidden)) continue;
    const double d = Dist({x, y}, PointOf(c));
    if (d < tol && d < best) found = i, best = d;
  }
  if (found) return found;
  for (int i = 1; i <= used; ++i) {
    const TGcell& c = GcellRef(i);
    if ((c.kind != GK_LINE && !IsCurve(c)) || !Pickable(c, window, includeHidden)) continue;
    const double d = PieceDistance(c, x, y);
    if (d < tol && d < best) found = i, best = d;
  }
  return found;
}

TGcell PickPrimitive(const TGContext& view, bool includeHidden, double x, double y) {
  const double tol = 12 * std::fabs(G_PixelSize(view));
  const int used = StoreUsed(), window = StoreWindow();
  static TCellPieces pieces;
  TGcell found;
  double best = 1e99;
  for (int i = 1; i <= used; ++i) {
    const TGcell& c = GcellRef(i);
    if (!Pickable(c, window, includeHidden)) continue;
    ExpandCellNoAreas(c, pieces);
    for (const TGcell& piece : pieces) {
      const double d = PieceDistance(piece, x, y);
      if (d < tol && d < best) found = piece, best = d;
    }
  }
  return found;
}

int PickArea(bool includeHidden, double x, double y) {
  const int used = StoreUsed(), window = StoreWindow();
  static std::vector<double> xs, ys;
  int found = 0;
  for (int i = 1; i <= used; ++i) {
    const TGcell& c = GcellRef(i);
    if (!Pickable(c, window, includeHidden)) continue;
    bool holds = false;
    switch (c.kind) {
      case GK_FILL4K:
      case GK_PICTURE: {
        double cx[kMaxCellPoints], cy[kMaxCellPoints];
        holds = CellPoints(c, cx, cy) == 4 && PointInPolygon(cx, cy, 4, x, y);
        break;
      }
      case GK_POLYGON: {
        const int n = PolygonGetVertices(c.text, xs, ys);
        holds = n >= 3 && PointInPolygon(xs.data(), ys.data(), n, x, y);
        break;
      }
      case GK_POLYARC: holds = FilledArcHolds(c, x, y); break;
      default: break;
    }
    if (holds) found = i;
  }
  return found;
}
