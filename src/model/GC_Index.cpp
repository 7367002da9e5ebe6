#include "model/GC_Index.h"

#include <algorithm>
#include <cmath>

#include "model/GC_DB.h"

GC_IndexState g_index;

void GC_Index_Reset() { g_index = GC_IndexState{}; }

void GcellIndexDirty(int w) {
  if (w >= 1 && w <= 2) g_index.window[w].built = false;
}

namespace {

enum class TBoxKind { Box, Text, Aside };

struct TBox {
  double x1, y1, x2, y2;
};

// The box a cell covers, from its geometry alone.
TBoxKind BoxOfCell(const TGcell& c, TBox& b) {
  const auto span = [&](std::initializer_list<TPointD> pts) {
    b = {1e300, 1e300, -1e300, -1e300};
    for (const TPointD& p : pts) {
      b.x1 = std::min(b.x1, p.x), b.y1 = std::min(b.y1, p.y);
      b.x2 = std::max(b.x2, p.x), b.y2 = std::max(b.y2, p.y);
    }
  };
  switch (std::abs(c.kind)) {
    case GK_POINT:
    case GK_DOT:
    case GK_MARKER: span({PointOf(c)}); break;
    case GK_LINE: span({LineOf(c).a, LineOf(c).b}); break;
    case GK_ARC:
    case GK_CIRCLE:
    case GK_POLYARC: {
      const ArcParams a = ArcOf(c);
      const double r = std::fabs(a.r) * std::max(FlatnessOf(c), 1.0);
      span({{a.cx - r, a.cy - r}, {a.cx + r, a.cy + r}});
      break;
    }
    case GK_POLYGON: span({BoundsOf(c).min, BoundsOf(c).max}); break;
    case GK_FILL4K: {
      const TQuadGeom q = QuadOf(c);
      span({q.corner[0], q.corner[1], q.corner[2], q.corner[3]});
      break;
    }
    case GK_PICTURE: {
      const TBoxGeom p = BoxOf(c);
      span({p.corner, p.corner + TPointD{p.width, p.height}});
      break;
    }
    case GK_TEXT: return TBoxKind::Text;
    default: return TBoxKind::Aside;
  }
  if (!std::isfinite(b.x1) || !std::isfinite(b.y1) || !std::isfinite(b.x2) || !std::isfinite(b.y2))
    return TBoxKind::Aside;
  return TBoxKind::Box;
}

// How far past a bucket's side a cell may reach and still sit in one.
constexpr double kMaxReach = 4;

void Build(TCellIndex& ix, int w) {
  ix = TCellIndex{};
  const int used = StoreUsed();
  double ex1 = 1e300, ey1 = 1e300, ex2 = -1e300, ey2 = -1e300;
  std::vector<float> reach;  // each boxed cell's larger half side
  TBox b;
  for (int i = 1; i <= used; ++i) {
    const TGcell& c = GcellRef(i);
    if (c.window != w || c.kind == 0 || BoxOfCell(c, b) != TBoxKind::Box) continue;
    const double cx = (b.x1 + b.x2) / 2, cy = (b.y1 + b.y2) / 2;
    ex1 = std::min(ex1, cx), ey1 = std::min(ey1, cy), ex2 = std::max(ex2, cx), ey2 = std::max(ey2, cy);
    reach.push_back(static_cast<float>(std::max(b.x2 - b.x1, b.y2 - b.y1) / 2));
  }
  const int boxed = static_cast<int>(reach.size());
  // About eight cells to a bucket, at most four million buckets; a bucket
  // no smaller than a quarter of what 999 cells in 1000 reach, so that only
  // the largest few are kept aside.
  const double width = std::max(ex2 - ex1, 0.0), height = std::max(ey2 - ey1, 0.0);
  const double buckets = std::clamp(boxed / 8.0, 1.0, 4e6);
  double size = std::sqrt(width * height / buckets);
  if (!(size > 0)) size = std::max(width, height) / buckets;
  if (!reach.empty()) {
    const auto q = reach.begin() + static_cast<std::ptrdiff_t>(reach.size() * 999 / 1000);
    std::nth_element(reach.begin(), q, reach.end());
    size = std::max(size, static_cast<double>(*q) / kMaxReach);
  }
  std::vector<float>().swap(reach);
  if (!(size > 0) || !std::isfinite(size)) size = 1;
  ix.x0 = boxed ? ex1 : 0;
  ix.y0 = boxed ? ey1 : 0;
  ix.size = size;
  ix.nx = static_cast<int>(std::min(width / size, 4e6)) + 1;
  ix.ny = static_cast<int>(std::min(height / size, 4e6 / ix.nx)) + 1;
  const auto bucket = [&](double cx, double cy) {
    const int bx = std::clamp(static_cast<int>((cx - ix.x0) / size), 0, ix.nx - 1);
    const int by = std::clamp(static_cast<int>((cy - ix.y0) / size), 0, ix.ny - 1);
    return by * ix.nx + bx;
  };

  // Each cell's bucket, or aside; then the buckets' cells in store order.
  std::vector<int> of(static_cast<std::size_t>(used) + 1, -1);
  ix.start.assign(static_cast<std::size_t>(ix.nx) * ix.ny + 1, 0);
  for (int i = 1; i <= used; ++i) {
    const TGcell& c = GcellRef(i);
    if (c.window != w || c.kind == 0) continue;
    switch (BoxOfCell(c, b)) {
      case TBoxKind::Text: ix.texts.push_back(i); continue;
      case TBoxKind::Aside: ix.aside.push_back(i); continue;
      case TBoxKind::Box: break;
    }
    const double rx = (b.x2 - b.x1) / 2, ry = (b.y2 - b.y1) / 2;
    if (rx > kMaxReach * size || ry > kMaxReach * size) {
      ix.aside.push_back(i);
      continue;
    }
    ix.reachX = std::max(ix.reachX, rx);
    ix.reachY = std::max(ix.reachY, ry);
    of[i] = bucket(b.x1 + rx, b.y1 + ry);
    ++ix.start[static_cast<std::size_t>(of[i]) + 1];
  }
  for (std::size_t k = 1; k < ix.start.size(); ++k) ix.start[k] += ix.start[k - 1];
  ix.slots.resize(static_cast<std::size_t>(ix.start.back()));
  std::vector<int> fill(ix.start.begin(), ix.start.end() - 1);
  for (int i = 1; i <= used; ++i)
    if (of[i] >= 0) ix.slots[static_cast<std::size_t>(fill[static_cast<std::size_t>(of[i])]++)] = i;
  ix.usedAtBuild = used;
  ix.generation = GcellGeneration();
  ix.built = true;
  ++g_index.builds;
}

}  // namespace

bool GcellNear(double xmin, double ymin, double xmax, double ymax, bool withTexts, std::vector<int>& out) {
  out.clear();
  const int used = StoreUsed(), w = StoreWindow();
  if (used < kIndexMinCells || (w != 1 && w != 2) || g_index.off) return false;
  TCellIndex& ix = g_index.window[w];
  // Rebuilt after the cells moved, a geometry changed, or when the cells
  // appended since make up a good part of the store.
  if (!ix.built || ix.generation != GcellGeneration() || ix.usedAtBuild > used ||
      used - ix.usedAtBuild > std::max(kIndexMinCells, ix.usedAtBuild / 4))
    Build(ix, w);

  const double s = ix.size;
  const auto index = [&](double v, double origin, int n) {
    const double k = std::floor((v - origin) / s);
    return static_cast<int>(std::clamp(k, 0.0, static_cast<double>(n - 1)));
  };
  if (std::isfinite(xmin) && std::isfinite(ymin) && std::isfinite(xmax) && std::isfinite(ymax) &&
      !(xmax + ix.reachX < ix.x0 || ymax + ix.reachY < ix.y0 || xmin - ix.reachX > ix.x0 + ix.nx * s ||
        ymin - ix.reachY > ix.y0 + ix.ny * s)) {
    const int bx0 = index(xmin - ix.reachX, ix.x0, ix.nx), bx1 = index(xmax + ix.reachX, ix.x0, ix.nx);
    const int by0 = index(ymin - ix.reachY, ix.y0, ix.ny), by1 = index(ymax + ix.reachY, ix.y0, ix.ny);
    // Crowded near the rectangle: a pass over the store, which may stop
    // early, does better than gathering and sorting most of it.
    std::size_t n = ix.aside.size() + (withTexts ? ix.texts.size() : 0) + (used - ix.usedAtBuild);
    for (int by = by0; by <= by1; ++by) {
      const std::size_t row = static_cast<std::size_t>(by) * ix.nx;
      n += ix.start[row + bx1 + 1] - ix.start[row + bx0];
    }
    if (n > static_cast<std::size_t>(used) / 8) return false;
    for (int by = by0; by <= by1; ++by)
      for (int bx = bx0; bx <= bx1; ++bx) {
        const std::size_t b = static_cast<std::size_t>(by) * ix.nx + bx;
        out.insert(out.end(), ix.slots.begin() + ix.start[b], ix.slots.begin() + ix.start[b + 1]);
      }
  }
  out.insert(out.end(), ix.aside.begin(), ix.aside.end());
  if (withTexts) out.insert(out.end(), ix.texts.begin(), ix.texts.end());
  std::sort(out.begin(), out.end());
  for (int i = ix.usedAtBuild + 1; i <= used; ++i) {
    const TGcell& c = GcellRef(i);
    if (c.window == w && c.kind != 0) out.push_back(i);
  }
  return true;
}
