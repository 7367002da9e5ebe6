#include "render/ZL_Cliping.h"

#include <algorithm>
#include <cmath>
#include <utility>

thread_local ClipState g_clip;

void ZL_Cliping_Reset() { g_clip = ClipState{}; }

void G_SetClip(double x1, double y1, double x2, double y2) {
  g_clip.xmin = std::min(x1, x2);
  g_clip.xmax = std::max(x1, x2);
  g_clip.ymin = std::min(y1, y2);
  g_clip.ymax = std::max(y1, y2);
}

// Liang-Barsky: the segment is P(t) = P1 + t (P2 - P1), 0 <= t <= 1; each
// edge narrows [t0, t1]. Ends moved to an edge are put exactly on it. A
// segment passing outside a corner empties the range instead of leaving
// ends extrapolated beyond the rectangle.
bool G_ClipLine(double& x1, double& y1, double& x2, double& y2) {
  if (!(std::isfinite(x1) && std::isfinite(y1) && std::isfinite(x2) && std::isfinite(y2))) return false;
  if (x1 == x2 && y1 == y2) return false;
  const ClipState& c = g_clip;
  const double dx = x2 - x1, dy = y2 - y1;
  enum Edge { None, Left, Right, Top, Bottom };
  double t0 = 0, t1 = 1;
  Edge e0 = None, e1 = None;
  // The part of the segment with p t <= q.
  const auto narrow = [&](double p, double q, Edge edge) {
    if (p == 0) return q >= 0;
    const double r = q / p;
    if (p < 0) {
      if (r > t1) return false;
      if (r > t0) t0 = r, e0 = edge;
    } else {
      if (r < t0) return false;
      if (r < t1) t1 = r, e1 = edge;
    }
    return true;
  };
  if (!narrow(-dx, x1 - c.xmin, Left) || !narrow(dx, c.xmax - x1, Right) || !narrow(-dy, y1 - c.ymin, Top) ||
      !narrow(dy, c.ymax - y1, Bottom))
    return false;

  const auto at = [&](double t, Edge e, double& x, double& y) {
    x = x1 + t * dx;
    y = y1 + t * dy;
    if (e == Left) x = c.xmin;
    if (e == Right) x = c.xmax;
    if (e == Top) y = c.ymin;
    if (e == Bottom) y = c.ymax;
  };
  double ax = x1, ay = y1, bx = x2, by = y2;
  if (e0 != None) at(t0, e0, ax, ay);
  if (e1 != None) at(t1, e1, bx, by);
  if ((bx - ax) * (bx - ax) + (by - ay) * (by - ay) < 0.001 * 0.001) return false;
  if (ay > by || (ay == by && ax > bx)) {
    std::swap(ax, bx);
    std::swap(ay, by);
  }
  x1 = ax, y1 = ay, x2 = bx, y2 = by;
  return true;
}
