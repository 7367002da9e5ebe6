#include "render/RasterCanvas.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

TRasterHelperFactory g_helperFactory = nullptr;
bool g_helpersThreadSafe = false;

using i64 = long long;
using i128 = __int128;

i128 FloorDiv(i128 p, i128 q) {  // q > 0
  return p >= 0 ? p / q : -((-p + q - 1) / q);
}
i128 CeilDiv(i128 p, i128 q) {  // q > 0
  return p >= 0 ? (p + q - 1) / q : -((-p) / q);
}

// The pixels of a line from (x0, y0) to (x1, y1) without its end, as the
// integer Bresenham walk gives them: pixel k (0 <= k < n, n the longer
// extent) lies k steps along the major axis and
// floor((2 k a + n) / (2 n)) steps along the minor one, a the shorter
// extent. Only the pixels inside [0, w) x [0, h) are walked, each exactly
// where the whole line has it, so a line clipped by the canvas edge keeps
// its pixels.
struct LineRun {
  int x = 0, y = 0;       // the first pixel inside
  int majX = 0, majY = 0;  // one step along the major axis
  int minX = 0, minY = 0;  // one step along the minor axis
  i64 k0 = 0, count = 0;  // index of the first pixel, number of pixels inside
  i64 r = 0, a2 = 0, n2 = 0;  // error term: a step along the minor axis when r reaches n2
};

bool PrepareLine(int x0, int y0, int x1, int y1, int w, int h, LineRun& L) {
  const i64 dx = i64(x1) - x0, dy = i64(y1) - y0;
  if (dx == 0 && dy == 0) return false;
  const bool xMajor = std::llabs(dx) >= std::llabs(dy);
  const i64 n = xMajor ? std::llabs(dx) : std::llabs(dy);
  const i64 a = xMajor ? std::llabs(dy) : std::llabs(dx);
  const i64 m0 = xMajor ? x0 : y0, q0 = xMajor ? y0 : x0;
  const i64 wm = xMajor ? w : h, wq = xMajor ? h : w;
  const int sMaj = (xMajor ? dx : dy) > 0 ? 1 : -1;
  const int sMin = (xMajor ? dy : dx) >= 0 ? 1 : -1;

  if (x0 >= 0 && y0 >= 0 && x0 < w && y0 < h && x1 >= 0 && y1 >= 0 && x1 < w && y1 < h) {
    // Wholly on the canvas (the common case): no clipping arithmetic.
    L.k0 = 0;
    L.count = n;
    L.r = n;
    L.a2 = 2 * a;
    L.n2 = 2 * n;
    L.x = x0, L.y = y0;
    L.majX = xMajor ? sMaj : 0, L.majY = xMajor ? 0 : sMaj;
    L.minX = xMajor ? 0 : sMin, L.minY = xMajor ? sMin : 0;
    return true;
  }
  i128 kmin = 0, kmax = n - 1;
  if (sMaj > 0) {
    kmin = std::max<i128>(kmin, -m0);
    kmax = std::min<i128>(kmax, wm - 1 - m0);
  } else {
    kmin = std::max<i128>(kmin, m0 - (wm - 1));
    kmax = std::min<i128>(kmax, m0);
  }
  // Bounds on the minor offset: lo <= off(k) <= hi.
  const i128 lo = sMin > 0 ? -q0 : q0 - (wq - 1);
  const i128 hi = sMin > 0 ? wq - 1 - q0 : q0;
  if (a == 0) {
    if (lo > 0 || hi < 0) return false;
  } else {
    kmin = std::max(kmin, CeilDiv(2 * i128(n) * lo - n, 2 * i128(a)));
    kmax = std::min(kmax, CeilDiv(2 * i128(n) * (hi + 1) - n, 2 * i128(a)) - 1);
  }
  if (kmin > kmax) return false;

  const i128 num = 2 * kmin * a + n;
  const i128 off = FloorDiv(num, 2 * i128(n));
  L.k0 = static_cast<i64>(kmin);
  L.count = static_cast<i64>(kmax - kmin + 1);
  L.r = static_cast<i64>(num - off * 2 * n);
  L.a2 = 2 * a;
  L.n2 = 2 * n;
  const i64 maj = m0 + sMaj * static_cast<i64>(kmin), mnr = q0 + sMin * static_cast<i64>(off);
  if (xMajor) {
    L.x = static_cast<int>(maj), L.y = static_cast<int>(mnr);
    L.majX = sMaj, L.minY = sMin;
  } else {
    L.y = static_cast<int>(maj), L.x = static_cast<int>(mnr);
    L.majY = sMaj, L.minX = sMin;
  }
  return true;
}

// The last pixel of a prepared run.
TPixelPoint LastPixel(const LineRun& L) {
  const i64 steps = L.count - 1;
  const i64 minorSteps = steps < (i64(1) << 28) && L.a2 < (i64(1) << 34)
                             ? (L.r + steps * L.a2) / L.n2
                             : static_cast<i64>((i128(L.r) + i128(steps) * L.a2) / L.n2);
  return {static_cast<int>(L.x + L.majX * steps + L.minX * minorSteps),
          static_cast<int>(L.y + L.majY * steps + L.minY * minorSteps)};
}

TPixelRect RunBounds(const LineRun& L) {
  const TPixelPoint e = LastPixel(L);
  return {std::min(L.x, e.x), std::min(L.y, e.y), std::max(L.x, e.x) + 1, std::max(L.y, e.y) + 1};
}

// Walks a prepared run: fn(x, y, k), k the pixel's index along the whole line.
template <class Fn>
void WalkRun(const LineRun& L, Fn&& fn) {
  int x = L.x, y = L.y;
  i64 r = L.r;
  for (i64 i = 0; i < L.count; ++i) {
    fn(x, y, L.k0 + i);
    x += L.majX, y += L.majY;
    r += L.a2;
    if (r >= L.n2) {
      r -= L.n2;
      x += L.minX, y += L.minY;
    }
  }
}

// The fast walk of a solid one-pixel line.
template <bool Xor>
void RunSolid(std::uint32_t* p, std::ptrdiff_t dMaj, std::ptrdiff_t dMin, i64 count, i64 r, i64 a2, i64 n2,
              std::uint32_t c) {
  for (; count > 0; --count) {
    if constexpr (Xor)
      *p ^= c;
    else
      *p = c;
    p += dMaj;
    r += a2;
    if (r >= n2) {
      r -= n2;
      p += dMin;
    }
  }
}

// The same walk in 32.32 fixed point, without the branch: z >> 32 is the
// number of minor steps taken. With z and step rounded up from the exact
// values, the fixed-point offset stays within 1/(2n) above the exact one and
// so floors to the same pixel while 2 n (count + 1) <= 2^32.
template <bool Xor>
void RunFixed(std::uint32_t* p, std::ptrdiff_t dMaj, std::ptrdiff_t dMin, i64 count, std::uint64_t z,
              std::uint64_t step, std::uint32_t c) {
#pragma GCC unroll 4
  for (; count > 0; --count) {
    std::uint32_t* q = p + static_cast<std::ptrdiff_t>(z >> 32) * dMin;
    if constexpr (Xor)
      *q ^= c;
    else
      *q = c;
    p += dMaj;
    z += step;
  }
}

// The cosmetic dash styles: lengths of ink and gap, alternating, in pixels.
struct DashStyle {
  int len[6];
  int count;
};
constexpr DashStyle kDash{{18, 6}, 2};
constexpr DashStyle kDot{{3, 3}, 2};
constexpr DashStyle kDashDot{{9, 6, 3, 6}, 4};
constexpr DashStyle kDashDotDot{{9, 3, 3, 3, 3, 3}, 6};

// Ink mask of one period of a style, and the period's length.
int StyleMask(TPenStyle s, bool mask[64]) {
  const DashStyle* d = s == TPenStyle::Dash      ? &kDash
                       : s == TPenStyle::Dot     ? &kDot
                       : s == TPenStyle::DashDot ? &kDashDot
                                                 : &kDashDotDot;
  int n = 0;
  for (int i = 0; i < d->count; ++i)
    for (int j = 0; j < d->len[i]; ++j) mask[n++] = (i % 2) == 0;
  return n;
}

// Where drawing lands on a mask of a rectangle: 1 brush, 2 pen.
struct Coverage {
  TPixelRect r;
  std::vector<std::uint8_t> m;
  explicit Coverage(const TPixelRect& rect)
      : r(rect), m(static_cast<std::size_t>(rect.Width()) * static_cast<std::size_t>(rect.Height()), 0) {}
  std::uint8_t& at(int x, int y) {
    return m[static_cast<std::size_t>(y - r.top) * static_cast<std::size_t>(r.Width()) +
             static_cast<std::size_t>(x - r.left)];
  }
};

// The radial angle (y up) of screen point p seen from (cx, cy), in [0, 2 pi).
double RadialAngle(double cx, double cy, double x, double y) {
  double a = std::atan2(cy - y, x - cx);
  if (a < 0) a += 2 * std::numbers::pi;
  return a;
}

// The angular range of a pie: the rays through start and end.
struct Sweep {
  bool full = true;
  double from = 0, span = 0;  // counter-clockwise from `from`, span in (0, 2 pi]
  Sweep(double cx, double cy, TPixelPoint s, TPixelPoint e) {
    if (s == e) return;
    from = RadialAngle(cx, cy, s.x, s.y);
    const double to = RadialAngle(cx, cy, e.x, e.y);
    span = to - from;
    if (span <= 0) span += 2 * std::numbers::pi;
    if (span >= 2 * std::numbers::pi) return;
    full = false;
  }
};

// Ellipses wider than this are drawn as chords.
constexpr double kMaxPixelArc = 20000;

struct Ellipse {
  double cx, cy, a, b;
  explicit Ellipse(const TPixelRect& box) {
    const int l = std::min(box.left, box.right), r = std::max(box.left, box.right);
    const int t = std::min(box.top, box.bottom), bt = std::max(box.top, box.bottom);
    cx = (double(l) + r) / 2, cy = (double(t) + bt) / 2;
    a = (double(r) - l) / 2, b = (double(bt) - t) / 2;
  }
};

// Whether a direction (y up, from the centre) lies on the counter-clockwise
// sweep from ray s to ray e; cross products only, no angles.
struct RaySweep {
  bool full = true;
  double sx = 1, sy = 0, ex = 1, ey = 0, turn = 0;  // turn: cross(s, e)
  RaySweep(double cx, double cy, TPixelPoint s, TPixelPoint e) {
    if (s == e) return;
    sx = s.x - cx, sy = cy - s.y, ex = e.x - cx, ey = cy - e.y;
    if (sx == 0 && sy == 0) sx = 1;
    if (ex == 0 && ey == 0) ex = 1;
    turn = sx * ey - sy * ex;
    full = turn == 0 && sx * ex + sy * ey > 0;  // both on one ray
  }
  bool Holds(double x, double y) const {
    if (full || (x == 0 && y == 0)) return true;
    const double fromS = sx * y - sy * x, toE = x * ey - y * ex;
    if (turn > 0) return fromS >= 0 && toE >= 0;  // under half a turn
    if (turn < 0) return !((ex * y - ey * x) > 0 && (x * sy - y * sx) > 0);  // over half: not between e and s
    return fromS >= 0;                                                        // exactly half a turn
  }
};

// Visits the outline pixels of an ellipse within the clip and the sweep,
// each once, as a thin 8-connected curve: one quadrant is sampled finely
// enough that successive samples fall on neighbouring pixels (a tie rounds
// towards the centre), the corners of L-shaped steps are dropped, and the
// quadrant is mirrored, so the figure is symmetric.
template <class Fn>
void ForEachArcPixel(const TPixelRect& box, TPixelPoint start, TPixelPoint end, const TPixelRect& clip, Fn&& fn) {
  const Ellipse el(box);
  const RaySweep sw(el.cx, el.cy, start, end);
  const auto visit = [&](int x, int y) {
    if (x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom && sw.Holds(x - el.cx, el.cy - y))
      fn(x, y);
  };
  if (el.a <= 0.5 || el.b <= 0.5) {  // one or two pixels across: the box itself
    const double cl = clip.left - 1, cr = clip.right, ct = clip.top - 1, cb = clip.bottom;
    for (double y = std::max(std::floor(el.cy - el.b), ct); y <= std::min(std::ceil(el.cy + el.b), cb); ++y)
      for (double x = std::max(std::floor(el.cx - el.a), cl); x <= std::min(std::ceil(el.cx + el.a), cr); ++x)
        visit(static_cast<int>(x), static_cast<int>(y));
    return;
  }
  // The quadrant right of and above the centre, from its right end to its
  // top; the samples turn by a fixed rotation.
  thread_local std::vector<TPixelPoint> q;
  q.clear();
  const int n = static_cast<int>(std::ceil(std::numbers::pi / 2 * std::max(el.a, el.b) / 0.5));
  const double cd = std::cos(std::numbers::pi / 2 / n), sd = std::sin(std::numbers::pi / 2 / n);
  const int xmin = static_cast<int>(std::ceil(el.cx)), ymax = static_cast<int>(std::floor(el.cy));
  double c = 1, sn = 0;
  for (int i = 0; i <= n; ++i) {
    if (i == n) c = 0, sn = 1;
    const TPixelPoint p{std::max(xmin, static_cast<int>(std::ceil(el.cx + el.a * c - 0.5))),
                        std::min(ymax, static_cast<int>(std::floor(el.cy - el.b * sn + 0.5)))};
    const double c2 = c * cd - sn * sd;
    sn = sn * cd + c * sd;
    c = c2;
    if (!q.empty() && q.back() == p) continue;
    // An L-shaped step: its corner pixel goes, the step becomes diagonal.
    if (q.size() >= 2 && std::abs(q[q.size() - 2].x - p.x) <= 1 && std::abs(q[q.size() - 2].y - p.y) <= 1)
      q.pop_back();
    q.push_back(p);
  }
  const int mx = static_cast<int>(std::lround(2 * el.cx)), my = static_cast<int>(std::lround(2 * el.cy));
  for (const TPixelPoint& p : q) {
    const int x2 = mx - p.x, y2 = my - p.y;  // the mirror images; on an axis a pixel is its own image
    visit(p.x, p.y);
    if (x2 != p.x) visit(x2, p.y);
    if (y2 != p.y) visit(p.x, y2);
    if (x2 != p.x && y2 != p.y) visit(x2, y2);
  }
}

// The outline of a pie: the centre and the curve, or the whole curve.
void PieOutline(const TPixelRect& box, TPixelPoint start, TPixelPoint end, std::vector<double>& xs,
                std::vector<double>& ys) {
  const Ellipse el(box);
  const Sweep sw(el.cx, el.cy, start, end);
  const double from = sw.full ? 0 : sw.from, span = sw.full ? 2 * std::numbers::pi : sw.span;
  const int steps = std::clamp(static_cast<int>(std::ceil(span * std::max(el.a, el.b) / 1.5)), 8, 20000);
  xs.clear(), ys.clear();
  if (!sw.full) xs.push_back(el.cx), ys.push_back(el.cy);
  for (int i = 0; i <= steps; ++i) {
    if (sw.full && i == steps) break;
    const double phi = from + span * i / steps;
    const double c = std::cos(phi), s = std::sin(phi);
    const double den = std::hypot(el.b * c, el.a * s);
    const double rho = den > 0 ? el.a * el.b / den : 0;
    xs.push_back(el.cx + rho * c);
    ys.push_back(el.cy - rho * s);
  }
}

}  // namespace

void SetRasterHelperFactory(TRasterHelperFactory factory, bool threadSafe) {
  g_helperFactory = factory;
  g_helpersThreadSafe = threadSafe;
}

bool RasterHelpersThreadSafe() { return !g_helperFactory || g_helpersThreadSafe; }

RasterCanvas::RasterCanvas(int width, int height) { SetSize(width, height); }

RasterCanvas::RasterCanvas(RasterCanvas& whole, int top, int bottom)
    : img_(whole.img_), banded_(true), bandTop_(top), bandBottom_(bottom), st_(whole.st_), pos_(whole.pos_) {}

RasterCanvas::~RasterCanvas() = default;

void RasterCanvas::SetSize(int width, int height) {
  if (banded_) return;  // the whole canvas's size is not a band's to change
  helper_.reset();
  helperTried_ = false;
  img_->width = std::max(0, width);
  img_->height = std::max(0, height);
  img_->pixels.assign(static_cast<std::size_t>(img_->width) * static_cast<std::size_t>(img_->height),
                       0xFF000000u);
  img_->pixels.shrink_to_fit();
  dirty_ = ClipRect();
}

void RasterCanvas::Clear(TColor c) {
  const TPixelRect wr = Writable();
  const std::size_t w = static_cast<std::size_t>(img_->width);
  std::fill(img_->pixels.begin() + static_cast<std::ptrdiff_t>(wr.top * w),
            img_->pixels.begin() + static_cast<std::ptrdiff_t>(wr.bottom * w), ColorToPixel(c));
  dirty_ = wr;
}

void RasterCanvas::TakeImage(TRasterImage& out) {
  if (banded_) return;
  helper_.reset();
  helperTried_ = false;
  out = std::move(own_);
  own_ = TRasterImage{};
  dirty_ = {};
}

TColor RasterCanvas::PixelColor(int x, int y) const {
  if (x < 0 || y < 0 || x >= img_->width || y >= img_->height) return 0;
  return PixelToColor(img_->pixels[static_cast<std::size_t>(y) * img_->width + x]);
}

TPixelRect RasterCanvas::TakeDirty() {
  const TPixelRect d = dirty_;
  dirty_ = {};
  return d;
}

IRasterHelper* RasterCanvas::Helper() {
  if (!helperTried_) {
    helperTried_ = true;
    if (g_helperFactory && !img_->pixels.empty()) helper_ = g_helperFactory(*img_, Writable());
  }
  return helper_.get();
}

void RasterCanvas::Line1(int x0, int y0, int x1, int y1) {
  if (st_.penStyle == TPenStyle::Clear) return;
  LineRun L;
  const TPixelRect wr = Writable();
  if (!PrepareLine(x0 - wr.left, y0 - wr.top, x1 - wr.left, y1 - wr.top, wr.Width(), wr.Height(), L)) return;
  L.x += wr.left, L.y += wr.top;
  Touch(RunBounds(L));
  const bool xorMode = st_.penMode == TPenMode::Xor;
  std::uint32_t* const base = img_->pixels.data();
  const std::ptrdiff_t w = img_->width;
  if (st_.penStyle == TPenStyle::Solid) {
    std::uint32_t* p = base + L.y * w + L.x;
    const std::ptrdiff_t dMaj = L.majY * w + L.majX, dMin = L.minY * w + L.minX;
    const std::uint32_t c = xorMode ? ColorToPixel(st_.penColor) & 0xFFFFFFu : ColorToPixel(st_.penColor);
    if (L.a2 == 0 && !xorMode && dMaj == 1) {  // horizontal, left to right
      std::fill(p, p + L.count, c);
    } else if (L.a2 == 0 && !xorMode && dMaj == -1) {
      std::fill(p - (L.count - 1), p + 1, c);
    } else if (L.n2 <= (i64(1) << 32) / (L.count + 1)) {
      // Here n < 2^31 and r < 2 n, so the products fit in 64 bits.
      const std::uint64_t n = static_cast<std::uint64_t>(L.n2 / 2);
      const std::uint64_t z = ((static_cast<std::uint64_t>(L.r) << 31) + n - 1) / n;
      const std::uint64_t step = ((static_cast<std::uint64_t>(L.a2 / 2) << 32) + n - 1) / n;
      if (xorMode)
        RunFixed<true>(p, dMaj, dMin, L.count, z, step, c);
      else
        RunFixed<false>(p, dMaj, dMin, L.count, z, step, c);
    } else if (xorMode) {
      RunSolid<true>(p, dMaj, dMin, L.count, L.r, L.a2, L.n2, c);
    } else {
      RunSolid<false>(p, dMaj, dMin, L.count, L.r, L.a2, L.n2, c);
    }
    return;
  }
  bool mask[64];
  const int period = StyleMask(st_.penStyle, mask);
  const std::uint32_t c = ColorToPixel(st_.penColor);
  WalkRun(L, [&](int x, int y, i64 k) {
    if (!mask[k % period]) return;
    std::uint32_t& px = base[y * w + x];
    px = xorMode ? px ^ (c & 0xFFFFFFu) : c;
  });
}

void RasterCanvas::LineTo(int x, int y) {
  if (WidePen()) {
    if (IRasterHelper* h = Helper()) {
      const TPixelPoint pts[2] = {pos_, {x, y}};
      Touch(h->Polyline(st_, pts, 2));
      pos_ = {x, y};
      return;
    }
  }
  Line1(pos_.x, pos_.y, x, y);
  pos_ = {x, y};
}

void RasterCanvas::Polyline(const TPixelPoint* pts, int n) {
  if (n < 2) return;
  if (WidePen()) {
    if (IRasterHelper* h = Helper()) {
      Touch(h->Polyline(st_, pts, n));
      return;
    }
  }
  for (int i = 1; i < n; ++i) Line1(pts[i - 1].x, pts[i - 1].y, pts[i].x, pts[i].y);
}

void RasterCanvas::Arc(const TPixelRect& box, TPixelPoint start, TPixelPoint end) {
  if (st_.penStyle == TPenStyle::Clear) return;
  if (WidePen()) {
    if (IRasterHelper* h = Helper()) {
      Touch(h->Arc(st_, box, start, end));
      return;
    }
  }
  const Ellipse el(box);
  if (std::max(el.a, el.b) > kMaxPixelArc) {
    // Too big to sample pixel by pixel: fine chords, each clipped to the canvas.
    const Sweep sw(el.cx, el.cy, start, end);
    const double from = sw.full ? 0 : sw.from, span = sw.full ? 2 * std::numbers::pi : sw.span;
    const int n = static_cast<int>(std::min(1e6, std::ceil(span * std::max(el.a, el.b) / 2)));
    const auto at = [&](int i) {
      const double phi = from + span * i / n, c = std::cos(phi), s = std::sin(phi);
      const double rho = el.a * el.b / std::hypot(el.b * c, el.a * s);
      return TPixelPoint{static_cast<int>(std::clamp(std::round(el.cx + rho * c), -2e9, 2e9)),
                         static_cast<int>(std::clamp(std::round(el.cy - rho * s), -2e9, 2e9))};
    };
    TPixelPoint prev = at(0);
    for (int i = 1; i <= n; ++i) {
      const TPixelPoint next = at(i);
      Line1(prev.x, prev.y, next.x, next.y);
      prev = next;
    }
    return;
  }
  const bool xorMode = st_.penMode == TPenMode::Xor;
  const std::uint32_t c = xorMode ? ColorToPixel(st_.penColor) & 0xFFFFFFu : ColorToPixel(st_.penColor);
  std::uint32_t* const base = img_->pixels.data();
  const std::size_t w = static_cast<std::size_t>(img_->width);
  int l = img_->width, t = img_->height, r = -1, b = -1;
  ForEachArcPixel(box, start, end, Writable(), [&](int x, int y) {
    std::uint32_t& d = base[static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x)];
    d = xorMode ? d ^ c : c;
    l = std::min(l, x), r = std::max(r, x), t = std::min(t, y), b = std::max(b, y);
  });
  if (r >= 0) Touch({l, t, r + 1, b + 1});
}

// Fills the outline (xs, ys) by the even-odd rule, sampling pixel centres
// with the left and top edges in and the right and bottom edges out, and
// draws the closed pixel outline in the pen. Each pixel is painted once, the
// pen's pixels in the pen colour, so XOR toggles it once.
void RasterCanvas::Fill(const double* xs, const double* ys, int n, const TPixelPoint* outline, int outlineN) {
  if (n < 2) return;
  const bool brush = st_.brushStyle == TBrushStyle::Solid && n >= 3;
  const bool pen = st_.penStyle != TPenStyle::Clear && outlineN >= 2;
  double x0 = xs[0], x1 = xs[0], y0 = ys[0], y1 = ys[0];
  for (int i = 1; i < n; ++i) {
    x0 = std::min(x0, xs[i]), x1 = std::max(x1, xs[i]);
    y0 = std::min(y0, ys[i]), y1 = std::max(y1, ys[i]);
  }
  const auto clampi = [](double v) { return static_cast<int>(std::clamp(v, -1e9, 1e9)); };
  const TPixelRect area = IntersectRect({clampi(std::floor(x0)) - 1, clampi(std::floor(y0)) - 1,
                                         clampi(std::ceil(x1)) + 2, clampi(std::ceil(y1)) + 2},
                                        Writable());
  if (area.Empty()) return;
  Coverage cov(area);

  if (brush) {
    struct Edge {
      double ya, yb, xa, slope;
    };
    std::vector<Edge> edges;
    for (int i = 0; i < n; ++i) {
      const int j = (i + 1) % n;
      if (ys[i] == ys[j]) continue;
      const bool down = ys[i] < ys[j];
      const double ya = down ? ys[i] : ys[j], yb = down ? ys[j] : ys[i];
      const double xa = down ? xs[i] : xs[j], xb = down ? xs[j] : xs[i];
      edges.push_back({ya, yb, xa, (xb - xa) / (yb - ya)});
    }
    std::sort(edges.begin(), edges.end(), [](const Edge& p, const Edge& q) { return p.ya < q.ya; });
    std::vector<const Edge*> active;
    std::vector<double> cross;
    std::size_t next = 0;
    for (int y = area.top; y < area.bottom; ++y) {
      while (next < edges.size() && edges[next].ya <= y) active.push_back(&edges[next++]);
      std::erase_if(active, [y](const Edge* e) { return e->yb <= y; });
      cross.clear();
      for (const Edge* e : active)
        if (e->ya <= y) cross.push_back(e->xa + (y - e->ya) * e->slope);
      std::sort(cross.begin(), cross.end());
      for (std::size_t i = 0; i + 1 < cross.size(); i += 2) {
        const int from = std::max(area.left, clampi(std::ceil(cross[i])));
        const int to = std::min(area.right, clampi(std::ceil(cross[i + 1])));
        for (int x = from; x < to; ++x) cov.at(x, y) = 1;
      }
    }
  }
  if (pen) {
    bool mask[64];
    const int period = st_.penStyle == TPenStyle::Solid ? 0 : StyleMask(st_.penStyle, mask);
    for (int i = 0; i < outlineN; ++i) {
      const TPixelPoint a = outline[i], b = outline[(i + 1) % outlineN];
      LineRun L;
      if (!PrepareLine(a.x - area.left, a.y - area.top, b.x - area.left, b.y - area.top, area.Width(),
                       area.Height(), L))
        continue;
      WalkRun(L, [&](int x, int y, i64 k) {
        if (period == 0 || mask[k % period]) cov.at(x + area.left, y + area.top) = 2;
      });
    }
  }

  const bool xorMode = st_.penMode == TPenMode::Xor;
  const std::uint32_t colors[3] = {0, ColorToPixel(st_.brushColor), ColorToPixel(st_.penColor)};
  int tl = area.right, tt = area.bottom, tr = area.left, tb = area.top;
  for (int y = area.top; y < area.bottom; ++y) {
    std::uint32_t* row = img_->pixels.data() + static_cast<std::size_t>(y) * img_->width;
    for (int x = area.left; x < area.right; ++x) {
      const std::uint8_t m = cov.at(x, y);
      if (!m) continue;
      row[x] = xorMode ? row[x] ^ (colors[m] & 0xFFFFFFu) : colors[m];
      tl = std::min(tl, x), tr = std::max(tr, x + 1), tt = std::min(tt, y), tb = std::max(tb, y + 1);
    }
  }
  Touch({tl, tt, tr, tb});
}

void RasterCanvas::Polygon(const TPixelPoint* pts, int n) {
  if (n < 2) return;
  if (WidePen() && st_.penStyle != TPenStyle::Clear) {
    if (IRasterHelper* h = Helper()) {
      Touch(h->Polygon(st_, pts, n));
      return;
    }
  }
  std::vector<double> xs(static_cast<std::size_t>(n)), ys(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) xs[i] = pts[i].x, ys[i] = pts[i].y;
  Fill(xs.data(), ys.data(), n, pts, n);
}

void RasterCanvas::Pie(const TPixelRect& box, TPixelPoint start, TPixelPoint end) {
  if (WidePen() && st_.penStyle != TPenStyle::Clear) {
    if (IRasterHelper* h = Helper()) {
      Touch(h->Pie(st_, box, start, end));
      return;
    }
  }
  std::vector<double> xs, ys;
  PieOutline(box, start, end, xs, ys);
  std::vector<TPixelPoint> outline;
  for (std::size_t i = 0; i < xs.size(); ++i) {
    const TPixelPoint p{static_cast<int>(std::lround(xs[i])), static_cast<int>(std::lround(ys[i]))};
    if (outline.empty() || !(outline.back() == p)) outline.push_back(p);
  }
  while (outline.size() > 1 && outline.back() == outline.front()) outline.pop_back();
  Fill(xs.data(), ys.data(), static_cast<int>(xs.size()), outline.data(), static_cast<int>(outline.size()));
}

void RasterCanvas::FillRect(const TPixelRect& r) {
  const TPixelRect c = IntersectRect(r, Writable());
  if (c.Empty()) return;
  const std::uint32_t v = ColorToPixel(st_.brushColor);
  for (int y = c.top; y < c.bottom; ++y) {
    std::uint32_t* row = img_->pixels.data() + static_cast<std::size_t>(y) * img_->width;
    std::fill(row + c.left, row + c.right, v);
  }
  Touch(c);
}

void RasterCanvas::SetPixel(int x, int y, TColor c) { SetPixelFast(x, y, c); }

void RasterCanvas::SetPixelFast(int x, int y, TColor c) {
  const TPixelRect wr = Writable();
  if (x < wr.left || y < wr.top || x >= wr.right || y >= wr.bottom) return;
  img_->pixels[static_cast<std::size_t>(y) * img_->width + x] = ColorToPixel(c);
  Touch({x, y, x + 1, y + 1});
}

void RasterCanvas::SetPixels(const TPixelPoint* pts, int n, TColor c) {
  const std::uint32_t v = ColorToPixel(c);
  const TPixelRect wr = Writable();
  const unsigned w = static_cast<unsigned>(img_->width), rows = static_cast<unsigned>(wr.Height());
  int l = img_->width, t = img_->height, r = -1, b = -1;
  for (int i = 0; i < n; ++i) {
    const int x = pts[i].x, y = pts[i].y;
    if (static_cast<unsigned>(x) >= w || static_cast<unsigned>(y - wr.top) >= rows) continue;
    img_->pixels[static_cast<std::size_t>(y) * w + static_cast<unsigned>(x)] = v;
    l = std::min(l, x), r = std::max(r, x), t = std::min(t, y), b = std::max(b, y);
  }
  if (r >= 0) Touch({l, t, r + 1, b + 1});
}

// Copies src's srcRect into dst, nearest pixel when the sizes differ; the
// copied pixels are made opaque.
void RasterCanvas::Blit(const TPixelRect& dst, const TRasterImage& src, const TPixelRect& srcRect) {
  const TPixelRect sr = srcRect;
  if (dst.Empty() || sr.Empty()) return;
  const TPixelRect d = IntersectRect(dst, Writable());
  if (d.Empty()) return;
  const TPixelRect srcBounds{0, 0, src.width, src.height};
  std::vector<std::uint32_t> copy;
  const std::uint32_t* sp = src.pixels.data();
  if (&src == img_) {  // copying within the canvas: read from a snapshot
    copy = src.pixels;
    sp = copy.data();
  }
  if (dst.Width() == sr.Width() && dst.Height() == sr.Height()) {
    // One to one (the line strips, scrolling): whole runs of a row at a time.
    const int dx = sr.left - dst.left, dy = sr.top - dst.top;
    const int x0 = std::max(d.left, -dx), x1 = std::min(d.right, src.width - dx);
    for (int y = d.top; y < d.bottom && x0 < x1; ++y) {
      const int syy = y + dy;
      if (syy < 0 || syy >= src.height) continue;
      const std::uint32_t* srow = sp + static_cast<std::size_t>(syy) * src.width + dx;
      std::uint32_t* drow = img_->pixels.data() + static_cast<std::size_t>(y) * img_->width;
      for (int x = x0; x < x1; ++x) drow[x] = srow[x] | 0xFF000000u;
    }
    Touch(d);
    return;
  }
  std::vector<int> cols(static_cast<std::size_t>(d.Width()));
  for (int x = d.left; x < d.right; ++x)
    cols[x - d.left] = sr.left + static_cast<int>(i64(x - dst.left) * sr.Width() / dst.Width());
  for (int y = d.top; y < d.bottom; ++y) {
    const int syy = sr.top + static_cast<int>(i64(y - dst.top) * sr.Height() / dst.Height());
    if (syy < srcBounds.top || syy >= srcBounds.bottom) continue;
    const std::uint32_t* srow = sp + static_cast<std::size_t>(syy) * src.width;
    std::uint32_t* drow = img_->pixels.data() + static_cast<std::size_t>(y) * img_->width;
    for (int x = d.left; x < d.right; ++x) {
      const int sx = cols[x - d.left];
      if (sx < 0 || sx >= src.width) continue;
      drow[x] = srow[sx] | 0xFF000000u;
    }
  }
  Touch(d);
}

void RasterCanvas::CopyRect(const TPixelRect& dst, const ICanvas& src, const TPixelRect& srcRect) {
  if (const TRasterImage* img = src.Pixels()) Blit(dst, *img, srcRect);
}

void RasterCanvas::StretchDraw(const TPixelRect& dst, const TRasterImage& image) {
  Blit(dst, image, {0, 0, image.width, image.height});
}

void RasterCanvas::TextOut(int x, int y, const std::string& text) {
  if (text.empty()) return;
  if (IRasterHelper* h = Helper()) Touch(h->Text(st_, x, y, text));
}
