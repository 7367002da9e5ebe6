#include "model/GC_Merge.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>
#include <queue>
#include <unordered_map>
#include <vector>

#include "kernel/Z_Math.h"
#include "model/GC_DB.h"
#include "model/PVC.h"

namespace {

constexpr double kPi = std::numbers::pi;
// Lines count as parallel when the sine of the angle between them is at most this.
constexpr double kParallel = 1e-4;
// Directions are hashed in buckets this wide (radians), far wider than
// kParallel, so parallel lines lie in the same bucket or a neighbour.
constexpr double kBucketAngle = 1e-3;
const int kBuckets = static_cast<int>(std::ceil(kPi / kBucketAngle));
// Arc and text angles, flatness and tilt match within this.
constexpr double kAngleTol = 0.001;

// The pen word without the selection and drawing flags.
std::uint16_t PenWord(const TGcell& c) { return static_cast<std::uint16_t>(c.pen & 0x0FFF); }

int PrintWidth(const TGcell& c) {
  const int n = std::min(c.pen & PEN_NUMBER_MASK, kPenTableSize - 1);
  return CurPVC().pens[static_cast<std::size_t>(n)].printWidth;
}

int LineType(const TGcell& c) { return (c.pen & PEN_LTYPE_MASK) >> 4; }

// j's pen wins over i's where they overlap.
bool Dominates(const TGcell& j, const TGcell& i) {
  const int wi = PrintWidth(i), wj = PrintWidth(j);
  return wi < wj || (wi == wj && LineType(i) > LineType(j));
}

bool Selected(int i) {
  if (!GcellLive(i)) return false;
  return (GcellRef(i).pen & PEN_SELECTED) != 0;
}

std::int64_t Cell(double v, double size) {
  const double q = std::floor(v / size);
  constexpr double kLimit = 1e15;
  return static_cast<std::int64_t>(std::clamp(q, -kLimit, kLimit));
}

std::uint64_t Key(std::int64_t a, std::int64_t b) {
  return static_cast<std::uint64_t>(a) * 0x9E3779B97F4A7C15ull ^ static_cast<std::uint64_t>(b);
}

// ---- Lines ---------------------------------------------------------------------

struct TLineEntry {
  int slot = 0;
  TPointD a, b;
  double angle = 0;  // atan2 of b - a
  int bucket = 0;
};

// The lines by direction bucket and by their offset across the bucket's
// own direction, in cells of width w.
class TLineHash {
public:
  TLineHash(const std::vector<TLineEntry>& lines, double tol) : tol_(tol) {
    double longest = 0;
    for (const TLineEntry& l : lines) longest = std::max(longest, Dist(l.a, l.b));
    w_ = std::max({4 * tol, 1e-4 * longest, 1e-9});
    for (int k = 0; k < static_cast<int>(lines.size()); ++k) {
      ForCells(lines[k], lines[k].bucket, 0, [&](std::uint64_t key) { map_[key].push_back(k); });
    }
  }

  // Every line that may run along l (possibly l itself), by its entry.
  template <class F>
  void Near(const TLineEntry& l, F&& take) const {
    for (int d = -1; d <= 1; ++d) {
      const int b = (l.bucket + d + kBuckets) % kBuckets;
      ForCells(l, b, tol_, [&](std::uint64_t key) {
        const auto it = map_.find(key);
        if (it != map_.end())
          for (int k : it->second) take(k);
      });
    }
  }

private:
  template <class F>
  void ForCells(const TLineEntry& l, int bucket, double widen, F&& f) const {
    const double phi = (bucket + 0.5) * kBucketAngle;
    const TPointD n{-std::sin(phi), std::cos(phi)};
    const double d1 = Dot(n, l.a), d2 = Dot(n, l.b);
    const std::int64_t lo = Cell(std::min(d1, d2) - tol_ - widen, w_);
    const std::int64_t hi = Cell(std::max(d1, d2) + tol_ + widen, w_);
    for (std::int64_t c = lo; c <= hi && c - lo < 4096; ++c) f(Key(bucket, c));
  }

  double tol_;
  double w_ = 1;
  std::unordered_map<std::uint64_t, std::vector<int>> map_;
};

int DirectionBucket(double angle) {
  double t = std::fmod(angle, kPi);
  if (t < 0) t += kPi;
  if (!std::isfinite(t)) return 0;
  return std::min(static_cast<int>(t / kBucketAngle), kBuckets - 1);
}

using TPieces = std::vector<std::pair<double, double>>;

// What of [a, e] the cuts leave, each cut taking away what it covers; a
// cut reaching within tol of a piece's end takes that end.
TPieces Remaining(double a, double e, const TPieces& cuts, double tol) {
  TPieces pieces;
  if (e > a) pieces.push_back({a, e});
  for (const auto& [s, t] : cuts) {
    TPieces next;
    for (auto [p, q] : pieces) {
      if (s < p + tol && t + tol > q) continue;  // covered
      if (s < p + tol) {
        p = std::max(p, t);
      } else if (t + tol > q) {
        q = std::min(q, s);
      } else {
        next.push_back({p, s});
        p = t;
      }
      if (q > p) next.push_back({p, q});
    }
    pieces = std::move(next);
  }
  return pieces;
}

void MergeLine(const std::vector<TLineEntry>& lines, const TLineHash& hash, std::vector<int>& stamp, int k,
               double tol) {
  const TLineEntry& li = lines[k];
  const int i = li.slot;
  if (!Selected(i)) return;
  const TGcell ci = GcellGet(i);
  const double len = Dist(li.a, li.b);
  if (len == 0) {
    GcellDelete(i);
    return;
  }
  const TPointD u = (li.b - li.a) / len;
  const TPointD n{-u.y, u.x};
  double A = 0, E = len, offA = 0, offE = 0;
  TPieces cuts;

  // The candidates after i, in store order; a line merged into i brings its
  // own neighbours, so i grows along a run of pieces as a pass over the
  // whole store would let it.
  std::priority_queue<int, std::vector<int>, std::greater<>> next;
  auto offer = [&](const TLineEntry& from) {
    hash.Near(from, [&](int m) {
      if (m > k && stamp[static_cast<std::size_t>(m)] != k + 1) {
        stamp[static_cast<std::size_t>(m)] = k + 1;
        next.push(m);
      }
    });
  };
  offer(li);
  while (!next.empty()) {
    const int m = next.top();
    next.pop();
    const TLineEntry& lj = lines[static_cast<std::size_t>(m)];
    const int j = lj.slot;
    if (!Selected(j) || std::fabs(std::sin(li.angle - lj.angle)) > kParallel) continue;
    double s = Dot(lj.a - li.a, u), e = Dot(lj.b - li.a, u);
    double os = Dot(lj.a - li.a, n), oe = Dot(lj.b - li.a, n);
    if (std::fabs(os) > tol || std::fabs(oe) > tol) continue;
    if (s > e) {
      std::swap(s, e);
      std::swap(os, oe);
    }
    const TGcell& cj = GcellRef(j);
    if (PenWord(cj) == PenWord(ci)) {
      auto within = [](double v, double lo, double hi) { return v > lo && v < hi; };
      if (within(s, A - tol, E + tol) || within(e, A - tol, E + tol) || within(A, s - tol, e + tol) ||
          within(E, s - tol, e + tol)) {
        GcellDelete(j);
        if (s < A) A = s, offA = os;
        if (e > E) E = e, offE = oe;
        offer(lj);
      }
    } else if (Dominates(cj, ci) && e > s) {
      cuts.push_back({s, e});
      if (Remaining(A, E, cuts, tol).empty()) break;  // wholly covered
    }
  }

  const TPieces pieces = Remaining(A, E, cuts, tol);
  if (pieces.size() == 1 && pieces[0].first == 0 && pieces[0].second == len && offA == 0 && offE == 0) return;
  // The pieces first: should the store refuse one, the line stays whole.
  std::vector<int> added;
  for (const auto& [p, q] : pieces) {
    auto at = [&](double t) {
      const double off = offA + (offE - offA) * (t - A) / (E - A);
      return li.a + t * u + off * n;
    };
    TGcell c = ci;
    SetLine(c, at(p), at(q));
    const int slot = GcellAdd(std::move(c));
    if (slot <= 0) {
      for (int a : added) GcellDelete(a);
      return;
    }
    added.push_back(slot);
  }
  GcellDelete(i);
  for (int a : added) GcellSelect(a);
}

// ---- Arcs, circles and texts ---------------------------------------------------

bool SameCurve(const TGcell& a, const TGcell& b, double tol) {
  if (PenWord(a) != PenWord(b)) return false;
  const ArcParams p = ArcOf(a), q = ArcOf(b);
  auto ends = [](const TGcell& c, const ArcParams& arc) {
    return c.kind == GK_CIRCLE ? std::pair<double, double>{0, 0} : std::pair<double, double>{arc.s, arc.e};
  };
  const auto [ps, pe] = ends(a, p);
  const auto [qs, qe] = ends(b, q);
  return Dist({p.cx, p.cy}, {q.cx, q.cy}) <= tol && std::fabs(p.r - q.r) <= tol &&
         std::fabs(p.f - q.f) <= kAngleTol && std::fabs(p.t - q.t) <= kAngleTol && std::fabs(ps - qs) <= kAngleTol &&
         std::fabs(pe - qe) <= kAngleTol;
}

bool SameText(const TGcell& a, const TGcell& b, double tol) {
  const TTextGeom p = TextOf(a), q = TextOf(b);
  return a.size == b.size && Dist(p.at, q.at) <= tol && std::fabs(p.angle - q.angle) <= kAngleTol &&
         a.vertical == b.vertical && a.text.str() == b.text.str();
}

// Cells by the grid square of a point, squares 2 tol wide: a point within
// tol lies in the same square or a neighbour.
class TPointHash {
public:
  explicit TPointHash(double tol) : size_(std::max(2 * tol, 1e-9)) {}
  void Add(TPointD p, int slot) { map_[Key(Cell(p.x, size_), Cell(p.y, size_))].push_back(slot); }
  template <class F>
  void Near(TPointD p, F&& take) const {
    const std::int64_t cx = Cell(p.x, size_), cy = Cell(p.y, size_);
    for (std::int64_t dx = -1; dx <= 1; ++dx)
      for (std::int64_t dy = -1; dy <= 1; ++dy) {
        const auto it = map_.find(Key(cx + dx, cy + dy));
        if (it != map_.end())
          for (int s : it->second) take(s);
      }
  }

private:
  double size_;
  std::unordered_map<std::uint64_t, std::vector<int>> map_;
};

}  // namespace

void GcellMergeDuplicates(double tol, const std::function<void(int, int)>& progress) {
  const int total = StoreUsed();
  const int w = StoreWindow();
  std::vector<TLineEntry> lines;
  TPointHash curves(tol), texts(tol);
  std::vector<int> lineOf(static_cast<std::size_t>(total) + 1, -1);
  for (int i = 1; i <= total; ++i) {
    if (!Selected(i)) continue;
    const TGcell& c = GcellRef(i);
    if (c.window != w) continue;
    if (c.kind == GK_LINE) {
      const TLineGeom g = LineOf(c);
      TLineEntry e{i, g.a, g.b, std::atan2(g.b.y - g.a.y, g.b.x - g.a.x), 0};
      e.bucket = DirectionBucket(e.angle);
      lineOf[static_cast<std::size_t>(i)] = static_cast<int>(lines.size());
      lines.push_back(e);
    } else if (c.kind == GK_ARC || c.kind == GK_CIRCLE) {
      curves.Add(PointOf(c), i);
    } else if (c.kind == GK_TEXT && c.size != 0) {
      texts.Add(PointOf(c), i);
    }
  }
  const TLineHash hash(lines, tol);
  std::vector<int> stamp(lines.size(), 0);

  const int every = total / 50 + 1;
  for (int i = 1; i <= total; ++i) {
    if (progress && i % every == 0) progress(i, total);
    if (!Selected(i)) continue;
    const TGcell& c = GcellRef(i);
    if (c.window != w) continue;
    if (c.kind == GK_LINE) {
      MergeLine(lines, hash, stamp, lineOf[static_cast<std::size_t>(i)], tol);
    } else if (c.kind == GK_ARC || c.kind == GK_CIRCLE) {
      const TGcell ci = c;
      std::vector<int> gone;
      curves.Near(PointOf(ci), [&](int j) {
        if (j != i && Selected(j) && SameCurve(ci, GcellRef(j), tol)) gone.push_back(j);
      });
      for (int j : gone) GcellDelete(j);
    } else if (c.kind == GK_TEXT && c.size != 0) {
      const TGcell ci = c;
      std::vector<int> gone;
      texts.Near(PointOf(ci), [&](int j) {
        if (j != i && Selected(j) && SameText(ci, GcellRef(j), tol)) gone.push_back(j);
      });
      for (int j : gone) GcellDelete(j);
    }
  }
  if (progress) progress(total, total);
}
