// Plane geometry. Expected values in data/z_math_reference.inc come from
// data/z_math_reference.py (exact and 50-digit geometry, not this code).
#include "kernel/Z_Math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct Pt {
  double x, y;
};

struct AngleCase {
  const char* name;
  double x1, y1, x2, y2, x3, y3, x4, y4;
  double lineAngle, relativeAngle;
};
struct FootCase {
  const char* name;
  double px, py, ax, ay, bx, by;
  double footX, footY, distance;
};
struct LineCrossCase {
  const char* name;
  double x1, y1, x2, y2, x3, y3, x4, y4;
  int code;
  double X, Y;
};
struct LineCircleCase {
  const char* name;
  double rx, ry, x1, y1, x2, y2, cx, cy, r, f, t;
  int code;
  double X, Y;
};
struct LineArcCase {
  const char* name;
  double rx, ry, x1, y1, x2, y2, cx, cy, r, f, t, s, e;
  int code;
  double X, Y;
};
struct ArcDistanceCase {
  const char* name;
  double px, py, cx, cy, r, f, t, s, e;
  double distance;
};
struct ArcNearestCase {
  const char* name;
  double px, py, cx, cy, r, f, t, s, e;
  double X, Y;
};
struct CircleCrossCase {
  const char* name;
  double rx, ry;
  ArcParams c1, c2;
  int code;
  double X, Y;
};
struct ClipSegmentCase {
  const char* name;
  double x1, y1, x2, y2;
  int code;
  double X1, Y1, X2, Y2;
};
struct ClipPolygonCase {
  const char* name;
  std::vector<Pt> in, out;
};
struct PointInPolygonCase {
  const char* name;
  std::vector<Pt> polygon;
  double px, py;
  bool inside;
};
struct PolygonMomentsCase {
  const char* name;
  std::vector<Pt> polygon;
  double bx, by;
  double A, Mx, My;
};

#include "kernel/data/z_math_reference.inc"

// Absolute tolerance for small values, relative for large ones.
::testing::AssertionResult Near(double actual, double expected, double tol = 1e-9) {
  if (std::fabs(actual - expected) <= tol * std::max(1.0, std::fabs(expected)))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << actual << " != " << expected;
}

void Split(const std::vector<Pt>& pts, std::vector<double>& xs, std::vector<double>& ys) {
  xs.clear();
  ys.clear();
  for (const Pt& p : pts) {
    xs.push_back(p.x);
    ys.push_back(p.y);
  }
}

ArcParams Arc(double cx, double cy, double r, double f, double t, double s, double e) {
  return ArcParams{cx, cy, r, f, t, s, e};
}

// ------------------------------------------------------------------ angles

TEST(ZMathAngles, ConversionUsesExactPi) {
  EXPECT_EQ(DegToRad(180), kPi);
  EXPECT_EQ(RadToDeg(kPi), 180.0);
  EXPECT_EQ(DegToRad(-90), -kPi / 2);
  EXPECT_DOUBLE_EQ(RadToDeg(1), 57.29577951308232);
  for (double d : {0.1, 33.0, 45.0, 123.456, -271.5}) EXPECT_DOUBLE_EQ(RadToDeg(DegToRad(d)), d);
}

TEST(ZMathAngles, SignOfZeroIsPlus) {
  const struct {
    double x;
    int sign;
  } cases[] = {{0.0, 1}, {-0.0, 1}, {1e-300, 1}, {5, 1}, {-1e-300, -1}, {-3, -1}};
  for (const auto& c : cases) EXPECT_EQ(SignOf(c.x), c.sign) << c.x;
}

TEST(ZMathAngles, RotatePoint) {
  const struct {
    double x, y, a, X, Y;
  } cases[] = {{1, 0, kPi / 2, 0, 1},
               {3, 4, kPi, -3, -4},
               {2, 0, -kPi / 4, std::sqrt(2.0), -std::sqrt(2.0)},
               {0, 0, 1.3, 0, 0}};
  for (const auto& c : cases) {
    double X, Y;
    RotatePoint(X, Y, c.x, c.y, c.a);
    EXPECT_TRUE(Near(X, c.X, 1e-15)) << c.x << "," << c.y << " by " << c.a;
    EXPECT_TRUE(Near(Y, c.Y, 1e-15)) << c.x << "," << c.y << " by " << c.a;
  }
}

TEST(ZMathAngles, ReferenceTable) {
  for (const auto& c : kAngleCases) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(Near(LineAngle(c.x1, c.y1, c.x2, c.y2), c.lineAngle));
    EXPECT_TRUE(Near(RelativeAngle(c.x1, c.y1, c.x2, c.y2, c.x3, c.y3, c.x4, c.y4),
                     c.relativeAngle));
  }
}

TEST(ZMathAngles, ResultsStayInHalfOpenRange) {
  // atan2 answers -pi for a negative zero ordinate; the kernel promises (-pi, pi].
  EXPECT_EQ(LineAngle(0, 0, -1, -0.0), kPi);
  EXPECT_EQ(LineAngle(5, 0, 2, -0.0), kPi);
  EXPECT_EQ(RelativeAngle(0, 0, 1, -0.0, 0, 0, -1, -0.0), kPi);
  EXPECT_FALSE(std::signbit(LineAngle(0, 0, 1, -0.0)));
  // Coincident points have no direction: 0 whatever the zero signs.
  EXPECT_EQ(LineAngle(0, 0, 0, 0), 0.0);
  EXPECT_EQ(LineAngle(0.0, 0.0, -0.0, -0.0), 0.0);
  // A zero-length reference measures from +x.
  EXPECT_TRUE(Near(RelativeAngle(2, 2, 2, 2, 0, 0, 0, 1), kPi / 2));
}

TEST(ZMathAngles, NormalizeAngleIntoOneTurn) {
  const struct {
    double a, start, expected;
  } cases[] = {
      {0.5, 0, 0.5},
      {-0.5, 0, 2 * kPi - 0.5},
      {7, 0, 7 - 2 * kPi},
      {1, 1, 1},                      // the start itself
      {0.2, 5.5, 0.2 + 2 * kPi},      // up one turn
      {100, -1, 100 - 32 * kPi},      // down many turns
      {1e9, 0, std::fmod(1e9, 2 * kPi)},
  };
  for (const auto& c : cases) {
    const double n = NormalizeAngle(c.a, c.start);
    EXPECT_TRUE(Near(n, c.expected, 1e-12)) << c.a << " from " << c.start;
    EXPECT_GE(n, c.start);
    EXPECT_LT(n, c.start + 2 * kPi);
  }
}

TEST(ZMathAngles, NormalizeAngleEndsOnAbsurdInput) {
  // Stepping a turn at a time would never finish for these.
  const double n = NormalizeAngle(0.5, 1e300);
  EXPECT_TRUE(std::isfinite(n));
  EXPECT_GE(n, 1e300);
  EXPECT_TRUE(std::isfinite(NormalizeAngle(-1e200, 3)));
  for (double bad : {kInf, -kInf, kNaN}) {
    EXPECT_TRUE(std::isnan(NormalizeAngle(bad, 0)));
    EXPECT_TRUE(std::isnan(NormalizeAngle(0, bad)));
  }
}

// --------------------------------------------------------------- distances

TEST(ZMathDistances, FootAndSegmentDistance) {
  for (const auto& c : kFootCases) {
    SCOPED_TRACE(c.name);
    double X, Y;
    PerpendicularFoot(X, Y, c.px, c.py, c.ax, c.ay, c.bx, c.by);
    EXPECT_TRUE(Near(X, c.footX));
    EXPECT_TRUE(Near(Y, c.footY));
    EXPECT_TRUE(Near(SegmentDistance(c.px, c.py, c.ax, c.ay, c.bx, c.by), c.distance));
  }
}

TEST(ZMathDistances, DegenerateSegmentIsAPoint) {
  EXPECT_DOUBLE_EQ(PointDistance(1, 2, 4, 6), 5.0);
  EXPECT_DOUBLE_EQ(SegmentDistance(4, 6, 1, 2, 1, 2), 5.0);
  EXPECT_DOUBLE_EQ(SegmentDistance(-2, -2, 1, 2, 1, 2), 5.0);
}

TEST(ZMathDistances, ArcPointFollowsTheCurveFormula) {
  const struct {
    ArcParams arc;
    double th, X, Y;
  } cases[] = {
      {{1, 2, 3, 1, 0.7, 0, 0}, kPi / 2, 1, 5},                 // circle: tilt ignored
      {{1, 2, 3, 0.5, kPi / 2, 0, 0}, 0, 1, 5},                 // r axis turned upright
      {{1, 2, 3, 0.5, kPi / 2, 0, 0}, kPi / 2, 1 - 1.5, 2},     // short axis to the left
      {{0, 0, 2, 0.0001, 1.0, 0, 0}, kPi / 2, 0, 2},            // too flat: a circle
  };
  for (const auto& c : cases) {
    double X, Y;
    ArcPoint(X, Y, c.arc, c.th);
    EXPECT_TRUE(Near(X, c.X, 1e-15) && Near(Y, c.Y, 1e-15)) << X << "," << Y;
  }
}

TEST(ZMathDistances, ArcDistanceTable) {
  for (const auto& c : kArcDistanceCases) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(Near(ArcDistance(c.px, c.py, Arc(c.cx, c.cy, c.r, c.f, c.t, c.s, c.e)),
                     c.distance));
  }
}

TEST(ZMathDistances, ArcDistanceWithAbsurdAngles) {
  // Huge angles end; non-finite ones rank nowhere (NaN compares false).
  EXPECT_TRUE(std::isfinite(ArcDistance(3, 4, Arc(0, 0, 5, 1, 0, 1e300, 1e300 + 1e290))));
  EXPECT_TRUE(std::isnan(ArcDistance(3, 4, Arc(0, 0, 5, 1, 0, 0, kInf))));
  EXPECT_TRUE(std::isnan(ArcDistance(3, 4, Arc(0, 0, 5, 1, 0, -kInf, 1))));
  EXPECT_TRUE(std::isnan(ArcDistance(3, 4, Arc(0, 0, 5, 1, 0, kNaN, 1))));
}

// ------------------------------------------------------------ intersections

TEST(ZMathLineCross, ReferenceTable) {
  for (const auto& c : kLineCrossCases) {
    SCOPED_TRACE(c.name);
    double X = -777, Y = -777;
    EXPECT_EQ(LineCross(X, Y, c.x1, c.y1, c.x2, c.y2, c.x3, c.y3, c.x4, c.y4), c.code);
    if (c.code == 0) {
      EXPECT_EQ(X, -777);  // left alone
      EXPECT_EQ(Y, -777);
    } else {
      EXPECT_TRUE(Near(X, c.X));
      EXPECT_TRUE(Near(Y, c.Y));
    }
  }
}

TEST(ZMathLineCross, NonFiniteInputIsNoIntersection) {
  double X, Y;
  EXPECT_EQ(LineCross(X, Y, 0, 0, 10, 0, kNaN, -5, 5, 5), 0);
  EXPECT_EQ(LineCross(X, Y, 0, 0, kInf, 0, 5, -5, 5, 5), 0);
}

TEST(ZMathLineCircleCross, ReferenceTable) {
  for (const auto& c : kLineCircleCases) {
    SCOPED_TRACE(c.name);
    double X = -777, Y = -777;
    EXPECT_EQ(LineCircleCross(X, Y, c.rx, c.ry, c.x1, c.y1, c.x2, c.y2, c.cx, c.cy, c.r, c.f,
                              c.t),
              c.code);
    if (c.code != 0) {
      EXPECT_TRUE(Near(X, c.X));
      EXPECT_TRUE(Near(Y, c.Y));
    }
  }
}

TEST(ZMathLineCircleCross, NaNRadiusMisses) {
  double X, Y;
  EXPECT_EQ(LineCircleCross(X, Y, 0, 0, -10, 0, 10, 0, 0, 0, kNaN, 1, 0), 0);
}

TEST(ZMathLineArcCross, ReferenceTable) {
  for (const auto& c : kLineArcCases) {
    SCOPED_TRACE(c.name);
    double X = -777, Y = -777;
    EXPECT_EQ(LineArcCross(X, Y, c.rx, c.ry, c.x1, c.y1, c.x2, c.y2,
                           Arc(c.cx, c.cy, c.r, c.f, c.t, c.s, c.e)),
              c.code);
    if (c.code != 0) {
      EXPECT_TRUE(Near(X, c.X));
      EXPECT_TRUE(Near(Y, c.Y));
    }
  }
}

TEST(ZMathLineArcCross, AbsurdArcAnglesEndAsOutside) {
  double X, Y;
  // The crossing itself is still found; the range test cannot hold.
  EXPECT_EQ(LineArcCross(X, Y, 0, 9, 3, -10, 3, 10, Arc(0, 0, 5, 1, 0, 0, kInf)), 33);
  EXPECT_TRUE(Near(X, 3) && Near(Y, 4));
  EXPECT_EQ(LineArcCross(X, Y, 0, 9, 3, -10, 3, 10, Arc(0, 0, 5, 1, 0, -1e300, 1e300)), kOnBoth);
}

TEST(ZMathArcNearestPoint, ReferenceTable) {
  for (const auto& c : kArcNearestCases) {
    SCOPED_TRACE(c.name);
    double X, Y;
    ArcNearestPoint(X, Y, c.px, c.py, Arc(c.cx, c.cy, c.r, c.f, c.t, c.s, c.e));
    EXPECT_TRUE(Near(X, c.X));
    EXPECT_TRUE(Near(Y, c.Y));
  }
}

TEST(ZMathArcNearestPoint, EqualEndsTakeTheEnd) {
  // Quarter arc from (1, 0) to (0, 1); P lies as far from both ends.
  double X, Y;
  ArcNearestPoint(X, Y, -1, -1, Arc(0, 0, 1, 1, 0, 0, kPi / 2));
  EXPECT_TRUE(Near(X, 0) && Near(Y, 1)) << X << "," << Y;
}

TEST(ZMathCircleCross, ReferenceTable) {
  for (const auto& c : kCircleCrossCases) {
    SCOPED_TRACE(c.name);
    double X = -777, Y = -777;
    EXPECT_EQ(CircleCross(X, Y, c.rx, c.ry, c.c1, c.c2), c.code);
    const double tol = (c.c1.f == 1 && c.c2.f == 1) || c.c1.f < 0.001 ? 1e-9 : 1e-6;
    if (c.code != 0) {
      EXPECT_TRUE(Near(X, c.X, tol));
      EXPECT_TRUE(Near(Y, c.Y, tol));
    }
  }
}

// Every radius between touching inside and touching outside: the point found
// lies on both circles, on R's side, wherever round circle 1 it is.
TEST(ZMathCircleCross, FindsEveryCrossingOfTwoCircles) {
  const double D = 1.0, r1 = 1.0;
  for (int k = 0; k <= 100; ++k) {
    const double r2 = std::fabs(D - r1) + 1e-6 + k * (2 * r1 - 2e-6) / 100;
    for (double ry : {2.0, -2.0}) {
      double X, Y;
      ASSERT_EQ(CircleCross(X, Y, 0.3, ry, Arc(0, 0, r1, 1, 0, 0, 0), Arc(D, 0, r2, 1, 0, 0, 0)),
                kOnBoth)
          << "r2 " << r2;
      EXPECT_NEAR(std::hypot(X, Y), r1, 1e-12) << "r2 " << r2;
      EXPECT_NEAR(std::hypot(X - D, Y), r2, 1e-9) << "r2 " << r2;
      EXPECT_GE(Y * ry, 0) << "r2 " << r2;
    }
  }
}

// Ellipses in general position: whatever is found lies on both curves.
TEST(ZMathCircleCross, EllipsePointsLieOnBothCurves) {
  int found = 0;
  for (int i = 0; i < 40; ++i) {
    const ArcParams e1 = Arc(0.1 * i, -0.05 * i, 3 + 0.1 * (i % 7), 0.3 + 0.02 * i, 0.4 * i, 0, 0);
    const ArcParams e2 = Arc(1.5, 0.5, 2 + 0.05 * i, 1.0 - 0.015 * i, -0.3 * i, 0, 0);
    double X, Y;
    const int code = CircleCross(X, Y, 1 - i, 2 + i, e1, e2);
    if (code == 0) continue;
    ++found;
    EXPECT_EQ(code, kOnBoth);
    EXPECT_LT(ArcDistance(X, Y, e1), 1e-6) << i;
    EXPECT_LT(ArcDistance(X, Y, e2), 1e-6) << i;
  }
  EXPECT_GT(found, 30);
}

TEST(ZMathCircleCross, NonFiniteInputIsNoIntersection) {
  double X, Y;
  EXPECT_EQ(CircleCross(X, Y, 0, 0, Arc(kNaN, 0, 1, 1, 0, 0, 0), Arc(1, 0, 1, 1, 0, 0, 0)), 0);
  EXPECT_EQ(CircleCross(X, Y, 0, 0, Arc(0, 0, 1, 0.5, 0, 0, 0), Arc(1, 0, kInf, 1, 0, 0, 0)), 0);
}

// ----------------------------------------------------------------- clipping

TEST(ZMathClipSegment, ReferenceTable) {
  for (const auto& c : kClipSegmentCases) {
    SCOPED_TRACE(c.name);
    double x1 = c.x1, y1 = c.y1, x2 = c.x2, y2 = c.y2;
    EXPECT_EQ(ClipSegment(x1, y1, x2, y2, 0, 0, 10, 5), c.code);
    EXPECT_TRUE(Near(x1, c.X1));
    EXPECT_TRUE(Near(y1, c.Y1));
    EXPECT_TRUE(Near(x2, c.X2));
    EXPECT_TRUE(Near(y2, c.Y2));
  }
}

TEST(ZMathClipSegment, MissAfterClippingEndsOnTheBorder) {
  // The box overlaps the rectangle's corner, the segment passes outside it.
  double x1 = -2, y1 = 4, x2 = 2, y2 = 8;
  EXPECT_EQ(ClipSegment(x1, y1, x2, y2, 0, 0, 10, 5), -1);
  for (auto [x, y] : {Pt{x1, y1}, Pt{x2, y2}}) {
    EXPECT_TRUE(x >= 0 && x <= 10 && y >= 0 && y <= 5) << x << "," << y;
    EXPECT_TRUE(x == 0 || x == 10 || y == 0 || y == 5) << x << "," << y;
  }
}

TEST(ZMathClipPolygon, ReferenceTable) {
  std::vector<double> xs, ys, ox, oy;
  for (const auto& c : kClipPolygonCases) {
    SCOPED_TRACE(c.name);
    Split(c.in, xs, ys);
    const int n = static_cast<int>(xs.size());
    const int count = ClipPolygon(xs.data(), ys.data(), n, 0, 0, 10, 5, ox, oy);
    ASSERT_EQ(count, static_cast<int>(c.out.size()));
    ASSERT_EQ(ox.size(), c.out.size());
    EXPECT_LE(count, 2 * n);
    for (int i = 0; i < count; ++i) {
      EXPECT_TRUE(Near(ox[i], c.out[i].x)) << "point " << i;
      EXPECT_TRUE(Near(oy[i], c.out[i].y)) << "point " << i;
    }
  }
}

TEST(ZMathClipPolygon, EmptyAndSinglePoint) {
  std::vector<double> ox{1}, oy{1};
  const double x[] = {3}, y[] = {3}, nx[] = {kNaN}, ny[] = {1};
  EXPECT_EQ(ClipPolygon(x, y, 0, 0, 0, 10, 5, ox, oy), 0);
  EXPECT_TRUE(ox.empty());
  EXPECT_EQ(ClipPolygon(x, y, 1, 0, 0, 10, 5, ox, oy), 1);
  EXPECT_EQ(ClipPolygon(nx, ny, 1, 0, 0, 10, 5, ox, oy), 0);  // no edge to clip
}

// ------------------------------------------------------------------ polygons

TEST(ZMathPointInPolygon, ReferenceTable) {
  std::vector<double> xs, ys;
  for (const auto& c : kPointInPolygonCases) {
    SCOPED_TRACE(c.name);
    Split(c.polygon, xs, ys);
    EXPECT_EQ(PointInPolygon(xs.data(), ys.data(), static_cast<int>(xs.size()), c.px, c.py),
              c.inside);
  }
}

TEST(ZMathPointInPolygon, DegenerateInput) {
  const double x[] = {1, 3}, y[] = {1, 3};
  EXPECT_FALSE(PointInPolygon(x, y, 0, 1, 1));
  EXPECT_FALSE(PointInPolygon(x, y, 1, 1, 1));    // a lone point encloses nothing
  EXPECT_TRUE(PointInPolygon(x, y, 2, 2, 2));     // on the outline of a flat polygon
  EXPECT_FALSE(PointInPolygon(x, y, 2, 2, 2.5));
  EXPECT_FALSE(PointInPolygon(x, y, 2, kNaN, 2));
}

TEST(ZMathPolygonMoments, ReferenceTable) {
  std::vector<double> xs, ys;
  for (const auto& c : kPolygonMomentsCases) {
    SCOPED_TRACE(c.name);
    Split(c.polygon, xs, ys);
    double A, Mx, My;
    PolygonMoments(xs.data(), ys.data(), 0, static_cast<int>(xs.size()) - 1, c.bx, c.by, A, Mx,
                   My);
    EXPECT_TRUE(Near(A, c.A));
    EXPECT_TRUE(Near(Mx, c.Mx));
    EXPECT_TRUE(Near(My, c.My));
  }
}

TEST(ZMathPolygonMoments, SubrangeAndClamping) {
  // Slots 2..5 of a larger list: the unit square counter-clockwise.
  const double xs[] = {9, 9, 0, 1, 1, 0, 9}, ys[] = {9, 9, 0, 0, 1, 1, 9};
  double A, Mx, My;
  PolygonMoments(xs, ys, 2, 5, 0, 0, A, Mx, My);
  EXPECT_DOUBLE_EQ(A, -1);
  EXPECT_DOUBLE_EQ(Mx / A, 0.5);
  EXPECT_DOUBLE_EQ(My / A, 0.5);
  // An infinite coordinate is clamped, so the sums stay finite.
  const double bx[] = {0, kInf, 0}, by[] = {0, 0, 1};
  PolygonMoments(bx, by, 0, 2, 0, 0, A, Mx, My);
  EXPECT_TRUE(std::isfinite(A));
  EXPECT_DOUBLE_EQ(A, -5e18);
  PolygonMoments(xs, ys, 3, 2, 0, 0, A, Mx, My);  // empty range
  EXPECT_EQ(A, 0);
}

}  // namespace
