#include "app/GC_PointSearch.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>
#include <numbers>

#include "kernel/Z_Math.h"
#include "model/PVC.h"
#include "render/GC_Draw.h"
#include "render/Z_Graph.h"

namespace {

constexpr double kQuarter = std::numbers::pi / 2;

// The curve point of an arc or circle at parameter angle th: on the circle,
// or mapped onto the ellipse.
void CurvePoint(const TGcell& c, double th, double& x, double& y) {
  const double r = c.p[4], f = c.p[5], tilt = c.p[6];
  double dx = r * std::cos(th), dy = r * std::sin(th);
  if (f > 0.001 && f != 1) {
    dy *= f;
    const double ct = std::cos(tilt), st = std::sin(tilt);
    const double rx = dx * ct - dy * st;
    dy = dx * st + dy * ct;
    dx = rx;
  }
  x = c.p[0] + dx;
  y = c.p[1] + dy;
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
  const double* p = c.p;
  int n = 0;
  auto add = [&](double x, double y) {
    if (n < kMaxCellPoints) {
      xs[n] = x;
      ys[n] = y;
      ++n;
    }
  };
  // Centre, the four axis points, the four diagonal points.
  auto fullCurve = [&] {
    add(p[0], p[1]);
    static constexpr double kAngles[8] = {0,           std::numbers::pi,     kQuarter,
                                          -kQuarter,   kQuarter / 2,         3 * kQuarter / 2,
                                          -3 * kQuarter / 2, -kQuarter / 2};
    for (double a : kAngles) {
      double x, y;
      CurvePoint(c, a, x, y);
      add(x, y);
    }
  };
  switch (c.kind) {
    case GK_POINT:
    case GK_DOT:
    case GK_MARKER: add(p[0], p[1]); break;
    case GK_LINE:
      add(p[0], p[1]);
      add(p[2], p[3]);
      break;
    case GK_ARC:
    case GK_POLYARC: {
      // Equal angles make a whole figure (a filled circle or ellipse): its
      // end points alone would stand for one point of the rim.
      if (p[7] == p[8]) {
        fullCurve();
        break;
      }
      double x, y;
      CurvePoint(c, p[7], x, y);
      add(x, y);
      CurvePoint(c, p[8], x, y);
      add(x, y);
      if (!std::isfinite(p[7]) || !std::isfinite(p[8])) break;
      // The quarter points strictly inside (start, end); a stored arc spans
      // less than a turn, so at most four of them.
      double k = std::floor(p[7] / kQuarter) + 1;
      for (int guard = 0; guard < 5 && k * kQuarter < p[8]; ++guard, k += 1) {
        CurvePoint(c, k * kQuarter, x, y);
        add(x, y);
      }
      break;
    }
    case GK_CIRCLE: fullCurve(); break;
    case GK_POLYGON:
      add(p[0], p[1]);
      add(p[0], p[3]);
      add(p[2], p[3]);
      add(p[2], p[1]);
      break;
    case GK_FILL4K:
      add(p[0], p[1]);
      add(p[0] + p[2], p[1] + p[3]);
      add(p[0] + p[4], p[1] + p[5]);
      add(p[0] + p[7], p[1] + p[8]);
      break;
    case GK_PICTURE:
      add(p[0], p[1]);
      add(p[0], p[1] + p[3]);
      add(p[0] + p[2], p[1] + p[3]);
      add(p[0] + p[2], p[1]);
      break;
    case GK_TEXT: {
      const TTextMetrics m = TextMetrics(c);
      const double h = m.height;
      const double len = TextRunWidth(c.text, m.width, m.gap);
      const double a = p[6];
      const double ux = std::cos(a), uy = std::sin(a);  // along the text
      const double nx = -uy, ny = ux;                   // across it, upwards
      add(p[0], p[1]);
      add(p[0] + h * nx, p[1] + h * ny);
      add(p[0] + h * nx + len * ux, p[1] + h * ny + len * uy);
      add(p[0] + len * ux, p[1] + len * uy);
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
      Widen(e, c.p[0], c.p[1]);
      Widen(e, c.p[2], c.p[3]);
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
constexpr double kTwoPi = 2 * std::numbers::pi;

// A flatness below 0.001 counts as a circle.
double Flatness(const TGcell& c) { return c.p[5] < 0.001 ? 1.0 : c.p[5]; }

ArcParams ArcOf(const TGcell& c) {
  ArcParams a{c.p[0], c.p[1], c.p[4], c.p[5], c.p[6], c.p[7], c.p[8]};
  if (c.kind == GK_CIRCLE) a.s = 0, a.e = kTwoPi;
  return a;
}

bool IsCurve(const TGcell& c) { return c.kind == GK_ARC || c.kind == GK_CIRCLE; }

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
    if (std::hypot(c.p[2] - c.p[0], c.p[3] - c.p[1]) >= 5 * u) {
      best.Offer(c.p[0], c.p[1]);
      best.Offer(c.p[2], c.p[3]);
    }
    return;
  }
  if (c.kind == GK_FILL4K || c.kind == GK_PICTURE) {
    const int n = CellPoints(c, xs, ys);
    for (int i = 0; i < n; ++i) best.OfferNear(xs[i], ys[i], box);
    return;
  }
  auto offer = [&](const TGcell& piece) {
    if (piece.kind == GK_CIRCLE && piece.p[4] < T) {
      best.OfferNear(piece.p[0], piece.p[1], box);
      return;
    }
    const int n = CellPoints(piece, xs, ys);
    for (int i = 0; i < n; ++i) best.OfferNear(xs[i], ys[i], box);
    if (piece.kind == GK_ARC) best.OfferNear(piece.p[0], piece.p[1], box);
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
    case GK_POINT: return std::hypot(px - c.p[0], py - c.p[1]) <= W;
    case GK_LINE: {
      const double dx = c.p[2] - c.p[0], dy = c.p[3] - c.p[1];
      const double len = std::sqrt(dx * dx + dy * dy);
      const double cx = len > 0 ? dx / len : 1, cy = len > 0 ? dy / len : 0;
      const double qx = px - c.p[0], qy = py - c.p[1];
      const double a = qx * cx + qy * cy, b = qy * cx - qx * cy;
      return std::fabs(b) <= W && a >= -W && a <= len + W;
    }
    case GK_ARC:
    case GK_CIRCLE: {
      const double d = std::hypot(px - c.p[0], py - c.p[1]);
      const double r = c.p[4], f = Flatness(c);
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
  if (a.kind == GK_LINE && b.kind == GK_LINE)
    code = LineCross(X, Y, a.p[0], a.p[1], a.p[2], a.p[3], b.p[0], b.p[1], b.p[2], b.p[3]);
  else if (a.kind == GK_LINE)
    code = LineArcCross(X, Y, px, py, a.p[0], a.p[1], a.p[2], a.p[3], ArcOf(b));
  else if (b.kind == GK_LINE)
    code = LineArcCross(X, Y, px, py, b.p[0], b.p[1], b.p[2], b.p[3], ArcOf(a));
  else
    code = CircleCross(X, Y, px, py, ArcOf(a), ArcOf(b));
  return code == kOnBoth;
}

// Whether the crossing of the infinite lines through a and b may lie within
// dist of P: a quick test that spares LineCross the many pairs that cross
// farther off. Nearly parallel lines (and non-finite ones) are left to
// LineCross; the margin covers the two computations' rounding.
bool LinesMayCrossWithin(const TGcell& a, const TGcell& b, double px, double py, double dist) {
  const double ax = a.p[2] - a.p[0], ay = a.p[3] - a.p[1], bx = b.p[2] - b.p[0], by = b.p[3] - b.p[1];
  const double la = std::sqrt(ax * ax + ay * ay), lb = std::sqrt(bx * bx + by * by);
  const double den = ax * by - ay * bx;
  if (!(std::fabs(den) > 1e-3 * la * lb)) return true;
  const double t = ((b.p[0] - a.p[0]) * by - (b.p[1] - a.p[1]) * bx) / den;
  const double dx = a.p[0] + t * ax - px, dy = a.p[1] + t * ay - py;
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

  // 1. The cells near P.
  const int used = StoreUsed(), window = StoreWindow();
  for (int i = 1; i <= used && static_cast<int>(candidates.size()) < kMaxCandidates; ++i) {
    const TGcell& c = GcellRef(i);
    if (c.kind <= 0 || c.window != window) continue;
    const double W = static_cast<int>(candidates.size()) < kWideCandidates ? 4 * T : T;
    if (IsCandidate(c, px, py, W, u, T, pieces) && IsCellShown(c)) candidates.push_back(i);
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
      if (SegmentDistance(px, py, c.p[0], c.p[1], c.p[2], c.p[3]) <= 4 * T) crossing.push_back(static_cast<int>(k));
    } else if (c.kind == GK_ARC || (c.kind == GK_CIRCLE && !(c.p[4] < T))) {
      crossing.push_back(static_cast<int>(k));
    }
  }
  for (std::size_t i = 0; i < crossing.size(); ++i) {
    const TGcell& a = GcellRef(candidates[crossing[i]]);
    if (a.kind == GK_LINE && SegmentDistance(px, py, a.p[0], a.p[1], a.p[2], a.p[3]) > 2 * T) continue;
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
    case GK_LINE: return SegmentDistance(px, py, c.p[0], c.p[1], c.p[2], c.p[3]);
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
  double dx = px - c.p[0], dy = py - c.p[1];
  const double f = c.p[5];
  if (f > 0.001 && f != 1) {
    const double ct = std::cos(c.p[6]), st = std::sin(c.p[6]);
    const double u = dx * ct + dy * st;
    dy = (dy * ct - dx * st) / f;
    dx = u;
  }
  if (!(std::hypot(dx, dy) < c.p[4])) return false;
  const double s = c.p[7], e = c.p[8];
  if (s == e) return true;
  return NormalizeAngle(LineAngle(0, 0, dx, dy), s) <= e;
}

}  // namespace

int PickText(bool includeHidden, double x, double y) {
  const int used = StoreUsed(), window = StoreWindow();
  for (int i = 1; i <= used; ++i) {
    const TGcell& c = GcellRef(i);
    if (c.kind != GK_TEXT || !Pickable(c, window, includeHidden)) continue;
    const TTextMetrics m = TextMetrics(c);
    const double len = TextRunWidth(c.text, m.width, m.gap);
    double qx, qy, rx, ry;
    RotatePoint(qx, qy, x, y, -c.p[6]);
    RotatePoint(rx, ry, c.p[0], c.p[1], -c.p[6]);
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
    const double d = std::hypot(x - c.p[0], y - c.p[1]);
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
