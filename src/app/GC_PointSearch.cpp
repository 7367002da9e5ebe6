#include "app/GC_PointSearch.h"

#include <algorithm>
#include <cmath>
#include <numbers>

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
    case GK_CIRCLE: {
      add(p[0], p[1]);
      static constexpr double kAngles[8] = {0,           std::numbers::pi,     kQuarter,
                                            -kQuarter,   kQuarter / 2,         3 * kQuarter / 2,
                                            -3 * kQuarter / 2, -kQuarter / 2};
      for (double a : kAngles) {
        double x, y;
        CurvePoint(c, a, x, y);
        add(x, y);
      }
      break;
    }
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
