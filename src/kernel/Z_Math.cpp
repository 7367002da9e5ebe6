#include "kernel/Z_Math.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace {

constexpr long double kPiL = 3.141592653589793238462643383279502884L;
constexpr double kPi = 3.141592653589793238462643383279502884;
constexpr double kTwoPi = 2 * kPi;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Clamp that tolerates lo > hi (gives lo) and passes NaN through.
double ClampTo(double x, double lo, double hi) { return std::max(lo, std::min(x, hi)); }

// A flatness too small to be meant (and NaN) means a circle.
double EffectiveFlatness(double f) { return f >= 0.001 ? f : 1.0; }

double Hypot(double x, double y) { return std::sqrt(x * x + y * y); }

// (-pi, pi]: atan2 gives -pi for a -0 ordinate on the negative axis.
double IntoHalfOpenRange(double a) { return a == -kPi ? kPi : a + 0.0; }

// The frame of segment A->B: unit direction (c, s), length len. A
// zero-length segment points along +x, as LineAngle gives 0 for it.
struct SegFrame {
  double ax, ay, c, s, len;
  SegFrame(double x1, double y1, double x2, double y2) : ax(x1), ay(y1) {
    const double dx = x2 - x1, dy = y2 - y1;
    len = Hypot(dx, dy);
    if (len > 0) {
      c = dx / len;
      s = dy / len;
    } else {
      c = 1;
      s = 0;
    }
  }
  double Along(double x, double y) const { return (x - ax) * c + (y - ay) * s; }
  double Across(double x, double y) const { return (y - ay) * c - (x - ax) * s; }
};

// The circle frame of an ellipse: centre at the origin, r axis along +x,
// the other axis stretched by 1/f so the ellipse becomes a circle of radius r.
struct CircleFrame {
  double cx, cy, c, s, f;
  CircleFrame(double cx_, double cy_, double t, double f_) : cx(cx_), cy(cy_), f(f_) {
    if (f == 1.0) {
      c = 1;
      s = 0;
    } else {
      c = std::cos(t);
      s = std::sin(t);
    }
  }
  void ToCircle(double& x, double& y) const {
    const double dx = x - cx, dy = y - cy;
    x = dx * c + dy * s;
    y = (dy * c - dx * s) / f;
  }
  void FromCircle(double& x, double& y) const {
    const double u = x, v = y * f;
    x = cx + u * c - v * s;
    y = cy + u * s + v * c;
  }
};

// Whether parameter angle a lies on the arc from s to e (s == e: whole
// curve). An arc with a non-finite angle has no range: nothing is on it.
bool InArcRange(double a, double s, double e) {
  if (!std::isfinite(s) || !std::isfinite(e)) return false;
  if (s == e) return true;
  if (s > e) std::swap(s, e);
  return NormalizeAngle(a, s) <= e;  // NaN: outside
}

}  // namespace

double RadToDeg(double a) { return static_cast<double>(a * 180.0L / kPiL); }
double DegToRad(double a) { return static_cast<double>(a * kPiL / 180.0L); }

int SignOf(double x) { return x >= 0 ? 1 : -1; }

void RotatePoint(double& X, double& Y, double x, double y, double a) {
  const double c = std::cos(a), s = std::sin(a);
  X = x * c - y * s;
  Y = x * s + y * c;
}

double LineAngle(double x1, double y1, double x2, double y2) {
  const double dx = x2 - x1, dy = y2 - y1;
  if (dx == 0 && dy == 0) return 0;
  return IntoHalfOpenRange(std::atan2(dy, dx));
}

double RelativeAngle(double x1, double y1, double x2, double y2, double x3, double y3,
                     double x4, double y4) {
  const SegFrame f(x1, y1, x2, y2);
  const double vx = x4 - x3, vy = y4 - y3;
  return IntoHalfOpenRange(std::atan2(vy * f.c - vx * f.s, vx * f.c + vy * f.s));
}

double NormalizeAngle(double a, double start) {
  if (!std::isfinite(a) || !std::isfinite(start)) return kNaN;
  // Whole turns added one at a time, as far as that stays cheap; beyond, one
  // fmod (the loop would take too long for angles of absurd size).
  if (std::fabs(a - start) <= 64 * kTwoPi) {
    while (a > start) a -= kTwoPi;
    while (a < start) a += kTwoPi;
    return a;
  }
  double d = std::fmod(a - start, kTwoPi);
  if (d < 0) d += kTwoPi;
  return start + d;
}

void ArcPoint(double& X, double& Y, const ArcParams& arc, double th) {
  const CircleFrame cf(arc.cx, arc.cy, arc.t, EffectiveFlatness(arc.f));
  X = arc.r * std::cos(th);
  Y = arc.r * std::sin(th);
  cf.FromCircle(X, Y);
}

double PointDistance(double x1, double y1, double x2, double y2) {
  return Hypot(x2 - x1, y2 - y1);
}

double SegmentDistance(double px, double py, double ax, double ay, double bx, double by) {
  const SegFrame f(ax, ay, bx, by);
  const double u = f.Along(px, py), v = f.Across(px, py);
  if (u < 0) return Hypot(u, v);
  if (u <= f.len) return std::fabs(v);
  return Hypot(u - f.len, v);
}

double ArcDistance(double px, double py, const ArcParams& arc) {
  if (!std::isfinite(arc.s) || !std::isfinite(arc.e)) return kNaN;
  const double f = EffectiveFlatness(arc.f);
  double cx = arc.cx, cy = arc.cy;
  if (f != 1.0) {
    CircleFrame(arc.cx, arc.cy, arc.t, f).ToCircle(px, py);
    cx = cy = 0;
  }
  const double dx = px - cx, dy = py - cy;
  const double toCurve = std::fabs(Hypot(dx, dy) - arc.r);
  if (InArcRange(std::atan2(dy, dx), arc.s, arc.e)) return toCurve;
  const double d1 =
      Hypot(px - (cx + arc.r * std::cos(arc.s)), py - (cy + arc.r * std::sin(arc.s)));
  const double d2 =
      Hypot(px - (cx + arc.r * std::cos(arc.e)), py - (cy + arc.r * std::sin(arc.e)));
  return std::isnan(d1) || std::isnan(d2) ? kNaN : std::min(d1, d2);
}

void PerpendicularFoot(double& X, double& Y, double px, double py, double ax, double ay,
                       double bx, double by) {
  const SegFrame f(ax, ay, bx, by);
  const double u = f.Along(px, py);
  X = ax + u * f.c;
  Y = ay + u * f.s;
}

int LineCross(double& X, double& Y, double x1, double y1, double x2, double y2, double x3,
              double y3, double x4, double y4) {
  const SegFrame f(x1, y1, x2, y2);
  const double u3 = f.Along(x3, y3), v3 = f.Across(x3, y3);
  const double u4 = f.Along(x4, y4), v4 = f.Across(x4, y4);
  double xp;  // along-coordinate of the crossing
  int L = 2;
  if (std::fabs(v3 - v4) < 1e-6) {
    if (std::fabs(v3) > 1e-6) return 0;  // distinct parallels
    // Collinear: overlapping segments meet at point 3 (its foot on line 1).
    if ((u3 < 0 && u4 < 0) || (u3 > f.len && u4 > f.len)) return 0;
    xp = u3;
  } else {
    xp = u3 - (u4 - u3) * v3 / (v4 - v3);
    if (v3 < -1e-4 && v4 < -1e-4) L = v3 > v4 ? 1 : 3;
    else if (v3 > 1e-4 && v4 > 1e-4) L = v3 < v4 ? 1 : 3;
  }
  if (!std::isfinite(xp)) return 0;
  int H = 2;
  if (xp < -1e-4) H = 1;
  else if (xp > f.len + 1e-4) H = 3;
  X = x1 + xp * f.c;
  Y = y1 + xp * f.s;
  return 16 * H + L;
}

int LineCircleCross(double& X, double& Y, double rx, double ry, double x1, double y1,
                    double x2, double y2, double cx, double cy, double r, double f,
                    double t) {
  f = EffectiveFlatness(f);
  const CircleFrame cf(cx, cy, t, f);
  if (f != 1.0) {
    cf.ToCircle(rx, ry);
    cf.ToCircle(x1, y1);
    cf.ToCircle(x2, y2);
    cx = cy = 0;
  }
  const SegFrame sf(x1, y1, x2, y2);
  const double cu = sf.Along(cx, cy), cv = sf.Across(cx, cy);
  if (!(std::fabs(r) >= std::fabs(cv))) return 0;  // misses (or NaN)
  const double h = std::sqrt(std::max(r * r - cv * cv, 0.0));
  const double target = sf.Along(rx, ry) - cu;
  const double s = std::fabs(h - target) >= std::fabs(-h - target) ? -h : h;
  int H = 2;
  if (s < -cu - 1e-9) H = 1;
  if (s > sf.len - cu + 1e-9) H = 3;
  double px = x1 + (s + cu) * sf.c, py = y1 + (s + cu) * sf.s;
  if (f != 1.0) cf.FromCircle(px, py);
  X = px;
  Y = py;
  return 16 * H + 2;
}

int LineArcCross(double& X, double& Y, double rx, double ry, double x1, double y1,
                 double x2, double y2, const ArcParams& arc) {
  const double f = EffectiveFlatness(arc.f);
  const CircleFrame cf(arc.cx, arc.cy, arc.t, f);
  double cx = arc.cx, cy = arc.cy;
  if (f != 1.0) {
    cf.ToCircle(rx, ry);
    cf.ToCircle(x1, y1);
    cf.ToCircle(x2, y2);
    cx = cy = 0;
  }
  double px, py;
  int code = LineCircleCross(px, py, rx, ry, x1, y1, x2, y2, cx, cy, arc.r, 1.0, 0.0);
  if (code == 0) return 0;
  if (arc.s != arc.e || !std::isfinite(arc.s)) {  // a full curve needs no angle
    if (!InArcRange(std::atan2(py - cy, px - cx), arc.s, arc.e)) code = code / 16 * 16 + 1;
  }
  if (f != 1.0) cf.FromCircle(px, py);
  X = px;
  Y = py;
  return code;
}

double CurveAngle(double px, double py, const ArcParams& arc) {
  const CircleFrame cf(arc.cx, arc.cy, arc.t, EffectiveFlatness(arc.f));
  cf.ToCircle(px, py);
  return std::atan2(py, px);
}

void ArcNearestPoint(double& X, double& Y, double px, double py, const ArcParams& arc) {
  const double f = EffectiveFlatness(arc.f);
  double ux = px - arc.cx, uy = py - arc.cy;
  const double len = Hypot(ux, uy);
  if (len > 0) {
    ux /= len;
    uy /= len;
  } else {
    ux = 1;
    uy = 0;
  }
  const double k = 1.1 * arc.r * std::max(f, 1.0);
  const double qx = arc.cx + k * ux, qy = arc.cy + k * uy;
  double hx, hy;
  const int code = LineArcCross(hx, hy, qx, qy, arc.cx, arc.cy, qx, qy, arc);
  if (code % 16 == 2) {
    X = hx;
    Y = hy;
    return;
  }
  double sx, sy, ex, ey;
  ArcPoint(sx, sy, arc, arc.s);
  ArcPoint(ex, ey, arc, arc.e);
  if (PointDistance(px, py, sx, sy) < PointDistance(px, py, ex, ey)) {
    X = sx;
    Y = sy;
  } else {
    X = ex;
    Y = ey;
  }
}

namespace {

// Intersection of two curves of which at least one is an ellipse. Curve 1 is
// walked by its parameter th; g(th) = |curve-2 circle frame image|^2 - r2^2
// is a trigonometric polynomial of degree 2, so it has at most four roots.
// Roots are bracketed by sampling, double roots (touching) found as extrema
// of g that come within the distance tolerance of zero.
class CurvePair {
public:
  CurvePair(const ArcParams& a1, const ArcParams& a2)
      : f1_(EffectiveFlatness(a1.f)), f2_(EffectiveFlatness(a2.f)),
        c1_(a1.cx, a1.cy, a1.t, f1_), c2_(a2.cx, a2.cy, a2.t, f2_), r1_(a1.r), r2_(a2.r) {}

  // Roots of g as parameter angles on curve 1 (a touching point may appear
  // twice); empty when the curves do not meet, coincide or are not finite.
  std::vector<double> Roots() const {
    constexpr int kSamples = 96;
    constexpr double kStep = kTwoPi / kSamples;
    double g[kSamples];
    bool allNear = true;
    for (int k = 0; k < kSamples; ++k) {
      g[k] = G(k * kStep);
      if (!(Gap(k * kStep) <= kTouch)) allNear = false;
    }
    std::vector<double> roots;
    if (allNear) return roots;  // the same curve (or a point on the other)
    for (int k = 0; k < kSamples; ++k) {
      const double a = k * kStep, b = a + kStep;
      const double ga = g[k], gb = g[(k + 1) % kSamples];
      const double gp = g[(k + kSamples - 1) % kSamples];
      if (!std::isfinite(ga)) return {};
      if (ga == 0) {
        roots.push_back(a);
      } else if ((ga < 0) != (gb < 0) && gb != 0) {
        roots.push_back(Bisect(a, b, ga));
      } else if ((gp < 0) == (ga < 0) && gp != 0 && std::fabs(ga) <= std::fabs(gp) &&
                 std::fabs(ga) <= std::fabs(gb)) {
        // g comes closest to zero near sample k without changing sign.
        const double sign = ga < 0 ? -1.0 : 1.0;
        const double m = MinimiseAbs(a - kStep, b, sign);
        const double gm = G(m);
        if (gm == 0) {
          roots.push_back(m);
        } else if ((gm < 0) != (ga < 0)) {  // dips through zero: two crossings
          roots.push_back(Bisect(a - kStep, m, gp));
          roots.push_back(Bisect(m, b, gm));
        } else if (Gap(m) <= kTouch) {  // touching within the tolerance
          roots.push_back(m);
        }
      }
    }
    return roots;
  }

  void Point(double& x, double& y, double th) const {
    x = r1_ * std::cos(th);
    y = r1_ * std::sin(th);
    c1_.FromCircle(x, y);
  }

private:
  static constexpr double kTouch = 1e-4;

  double G(double th) const {
    double x, y;
    Point(x, y, th);
    c2_.ToCircle(x, y);
    return x * x + y * y - r2_ * r2_;
  }
  // First-order distance of curve 1's point th from curve 2.
  double Gap(double th) const {
    double x, y;
    Point(x, y, th);
    c2_.ToCircle(x, y);
    const double g = x * x + y * y - r2_ * r2_;
    const double grad = 2 * Hypot(x, y / f2_);
    return grad > 0 ? std::fabs(g) / grad : std::fabs(g) == 0 ? 0 : HUGE_VAL;
  }
  // Root of g in [a, b], g(a) = ga and g(b) of the other sign (or 0).
  double Bisect(double a, double b, double ga) const {
    for (int i = 0; i < 100; ++i) {
      const double m = 0.5 * (a + b);
      if (m <= a || m >= b) break;
      const double gm = G(m);
      if (gm == 0) return m;
      if ((gm < 0) == (ga < 0)) {
        a = m;
        ga = gm;
      } else {
        b = m;
      }
    }
    return 0.5 * (a + b);
  }
  // Minimum of sign * g over [a, b] by golden section.
  double MinimiseAbs(double a, double b, double sign) const {
    const double r = 0.5 * (std::sqrt(5.0) - 1);
    double x1 = b - r * (b - a), x2 = a + r * (b - a);
    double g1 = sign * G(x1), g2 = sign * G(x2);
    for (int i = 0; i < 100 && b - a > 1e-15; ++i) {
      if (g1 < g2) {
        b = x2;
        x2 = x1;
        g2 = g1;
        x1 = b - r * (b - a);
        g1 = sign * G(x1);
      } else {
        a = x1;
        x1 = x2;
        g1 = g2;
        x2 = a + r * (b - a);
        g2 = sign * G(x2);
      }
    }
    return 0.5 * (a + b);
  }

  double f1_, f2_;
  CircleFrame c1_, c2_;
  double r1_, r2_;
};

// Whether the curve point (x, y) lies on the arc, judged by its parameter
// angle; a full curve needs no angle.
bool OnArc(double x, double y, const ArcParams& arc) {
  if (arc.s == arc.e && std::isfinite(arc.s)) return true;
  CircleFrame(arc.cx, arc.cy, arc.t, EffectiveFlatness(arc.f)).ToCircle(x, y);
  return InArcRange(std::atan2(y, x), arc.s, arc.e);
}

}  // namespace

int CircleCross(double& X, double& Y, double rx, double ry, const ArcParams& c1,
                const ArcParams& c2) {
  double px, py;
  if (EffectiveFlatness(c1.f) == 1.0 && EffectiveFlatness(c2.f) == 1.0) {
    const double dx = c2.cx - c1.cx, dy = c2.cy - c1.cy;
    const double D = Hypot(dx, dy);
    const double r1 = std::fabs(c1.r), r2 = std::fabs(c2.r);
    if (!(D >= 1e-4)) return 0;  // concentric (or NaN)
    if (D - 1e-4 > r1 + r2) return 0;
    if (std::min(r1, r2) + D < std::max(r1, r2) - 1e-4) return 0;
    // Along the centre line at a, across at +-h; touching within the
    // tolerance clamps a so the point stays on circle 1.
    const double ex = dx / D, ey = dy / D;
    const double a = ClampTo((D * D + r1 * r1 - r2 * r2) / (2 * D), -r1, r1);
    double h = std::sqrt(std::max(r1 * r1 - a * a, 0.0));
    if ((rx - c1.cx) * -ey + (ry - c1.cy) * ex < 0) h = -h;
    px = c1.cx + a * ex - h * ey;
    py = c1.cy + a * ey + h * ex;
  } else {
    const CurvePair pair(c1, c2);
    double best = HUGE_VAL;
    bool found = false;
    for (double th : pair.Roots()) {
      double x, y;
      pair.Point(x, y, th);
      const double d = Hypot(x - rx, y - ry);
      if (!found || d < best) {
        best = d;
        px = x;
        py = y;
        found = true;
      }
    }
    if (!found) return 0;
  }
  const int H = OnArc(px, py, c1) ? 2 : 1;
  const int L = OnArc(px, py, c2) ? 2 : 1;
  X = px;
  Y = py;
  return 16 * H + L;
}

int ClipSegment(double& x1, double& y1, double& x2, double& y2, double xmin, double ymin,
                double xmax, double ymax) {
  auto clampAll = [&] {
    x1 = ClampTo(x1, xmin, xmax);
    y1 = ClampTo(y1, ymin, ymax);
    x2 = ClampTo(x2, xmin, xmax);
    y2 = ClampTo(y2, ymin, ymax);
  };
  if (std::max(x1, x2) < xmin || std::min(x1, x2) > xmax || std::max(y1, y2) < ymin ||
      std::min(y1, y2) > ymax) {
    clampAll();
    return -1;
  }
  if (std::min(x1, x2) >= xmin && std::max(x1, x2) <= xmax && std::min(y1, y2) >= ymin &&
      std::max(y1, y2) <= ymax)
    return 0;
  int result = 0;
  // Clip the first end against each side the second end is inside of, then
  // the same for the second end; two exchanges restore the order.
  for (int bit = 1; bit <= 2; ++bit) {
    if (x1 < xmin && xmin <= x2) {
      const double k = (xmin - x1) / (x2 - x1);
      x1 = std::max(xmin, x1 + (x2 - x1) * k);
      y1 = y1 + (y2 - y1) * k;
      result |= bit;
    }
    if (x2 <= xmax && xmax < x1) {
      const double k = (xmax - x1) / (x2 - x1);
      x1 = std::min(xmax, x1 + (x2 - x1) * k);
      y1 = y1 + (y2 - y1) * k;
      result |= bit;
    }
    if (y1 < ymin && ymin <= y2) {
      const double k = (ymin - y1) / (y2 - y1);
      x1 = x1 + (x2 - x1) * k;
      y1 = std::max(ymin, y1 + (y2 - y1) * k);
      result |= bit;
    }
    if (y2 <= ymax && ymax < y1) {
      const double k = (ymax - y1) / (y2 - y1);
      x1 = x1 + (x2 - x1) * k;
      y1 = std::min(ymax, y1 + (y2 - y1) * k);
      result |= bit;
    }
    std::swap(x1, x2);
    std::swap(y1, y2);
  }
  if (std::max(x1, x2) >= xmin && std::min(x1, x2) <= xmax && std::max(y1, y2) >= ymin &&
      std::min(y1, y2) <= ymax)
    return result;
  clampAll();
  return -1;
}

namespace {

struct Box {
  double xmin = HUGE_VAL, ymin = HUGE_VAL, xmax = -HUGE_VAL, ymax = -HUGE_VAL;
  Box(const double xs[], const double ys[], int n) {
    for (int i = 0; i < n; ++i) {
      xmin = std::min(xmin, xs[i]);
      xmax = std::max(xmax, xs[i]);
      ymin = std::min(ymin, ys[i]);
      ymax = std::max(ymax, ys[i]);
    }
  }
};

}  // namespace

int ClipPolygon(const double xs[], const double ys[], int n, double xmin, double ymin,
                double xmax, double ymax, std::vector<double>& outX,
                std::vector<double>& outY) {
  outX.clear();
  outY.clear();
  if (n <= 0) return 0;
  const Box b(xs, ys, n);
  if (b.xmax < xmin || b.xmin > xmax || b.ymax < ymin || b.ymin > ymax) return 0;
  if (b.xmin >= xmin && b.xmax <= xmax && b.ymin >= ymin && b.ymax <= ymax) {
    outX.assign(xs, xs + n);
    outY.assign(ys, ys + n);
    return n;
  }
  if (n < 2) return 0;  // only a non-finite single point gets here
  outX.reserve(2 * n);
  outY.reserve(2 * n);
  double x1 = xs[0], y1 = ys[0], x2 = xs[1], y2 = ys[1];
  ClipSegment(x1, y1, x2, y2, xmin, ymin, xmax, ymax);
  outX.push_back(x1);
  outY.push_back(y1);
  for (int i = 1; i < n; ++i) {
    if (xs[i - 1] == xs[i] && ys[i - 1] == ys[i]) continue;
    x1 = xs[i - 1];
    y1 = ys[i - 1];
    x2 = xs[i];
    y2 = ys[i];
    // Whatever the code, the ends are usable: outside, they lie clamped on
    // the border, which the outline then follows.
    ClipSegment(x1, y1, x2, y2, xmin, ymin, xmax, ymax);
    outX.push_back(x1);
    outY.push_back(y1);
    outX.push_back(x2);
    outY.push_back(y2);
  }
  outX.push_back(outX.front());
  outY.push_back(outY.front());
  return static_cast<int>(outX.size());
}

bool PointInPolygon(const double xs[], const double ys[], int n, double px, double py) {
  if (n <= 0) return false;
  const Box b(xs, ys, n);
  if (!(px >= b.xmin && px <= b.xmax && py >= b.ymin && py <= b.ymax)) return false;
  constexpr double kOnEdge = 1e-9;
  bool inside = false;
  for (int i = 0, j = n - 1; i < n; j = i++) {
    const double xa = xs[j], ya = ys[j], xb = xs[i], yb = ys[i];
    // On the outline counts as inside.
    if (px >= std::min(xa, xb) - kOnEdge && px <= std::max(xa, xb) + kOnEdge &&
        py >= std::min(ya, yb) - kOnEdge && py <= std::max(ya, yb) + kOnEdge) {
      const double len = Hypot(xb - xa, yb - ya);
      if (len > 0 && std::fabs((xb - xa) * (py - ya) - (yb - ya) * (px - xa)) <= kOnEdge * len)
        return true;
    }
    // Half-open rule: an edge counts when exactly one end lies above the scan
    // line, so a vertex on the line is counted once and horizontal edges never.
    if ((ya > py) != (yb > py)) {
      const double x = xa + (py - ya) * (xb - xa) / (yb - ya);
      if (x == px) return true;
      if (x < px) inside = !inside;
    }
  }
  return inside;
}

void PolygonMoments(const double xs[], const double ys[], int first, int last, double bx,
                    double by, double& A, double& Mx, double& My) {
  A = Mx = My = 0;
  auto cx = [&](int i) { return ClampTo(xs[i], -1e19, 1e19); };
  auto cy = [&](int i) { return ClampTo(ys[i], -1e19, 1e19); };
  for (int i = first; i <= last; ++i) {
    const int j = i < last ? i + 1 : first;
    const double xi = cx(i), yi = cy(i), xj = cx(j), yj = cy(j);
    const double dx = xj - xi, m = std::min(yi, yj), d = std::fabs(yj - yi);
    const double k = yi > yj ? 1.0 / 3.0 : 2.0 / 3.0;
    A += dx * (yi + yj) / 2;
    Mx += m * dx * ((xi + xj) / 2 - bx) + d * dx * (xi + k * dx - bx) / 2;
    My += (m / 2 - by) * m * dx + d * (d / 3 + m - by) * dx / 2;
  }
}
