// The arc operation driven as a user drives it, and its geometry against
// sympy (data/arc_reference.inc, made by arc_reference.py).
#include "ops/Op_Arc1.h"

#include <cmath>
#include <numbers>

#include "OpTest.h"
#include "kernel/Z_Math.h"

namespace {

constexpr double kPi = std::numbers::pi;

struct TThree {
  TPointD p1, p2, p3, centre;
  double r, toP1, toP2;  // angles from the centre
};
const TThree kThree[] = {
#include "ops/data/arc_reference.inc"
    ARC_THROUGH_THREE};
struct TTangent {
  TPointD p;
  double curve[5];  // cx, cy, r, f, tilt
  TPointD lower, upper;
};
const TTangent kTangents[] = {TANGENT_POINTS};

class OpArcTest : public OpTest {};

// Whether two angles name the same direction.
bool SameDirection(double a, double b) { return std::fabs(std::remainder(a - b, 2 * kPi)) < 1e-9; }

TEST_F(OpArcTest, ArcThroughThreeAsSympy) {
  for (const TThree& k : kThree) {
    const TGcell c = ArcThroughThree(k.p1, k.p2, k.p3);
    ASSERT_EQ(c.kind, GK_ARC);
    const ArcParams a = ArcOf(c);
    EXPECT_NEAR(a.cx, k.centre.x, 1e-9);
    EXPECT_NEAR(a.cy, k.centre.y, 1e-9);
    EXPECT_NEAR(a.r, k.r, 1e-9);
    EXPECT_LT(a.s, a.e);
    // The arc runs between P1 and P2 and passes through P3.
    const bool forward = SameDirection(a.s, k.toP1);
    EXPECT_TRUE(SameDirection(forward ? a.s : a.e, k.toP1));
    EXPECT_TRUE(SameDirection(forward ? a.e : a.s, k.toP2));
    const double t3 = NormalizeAngle(LineAngle(a.cx, a.cy, k.p3.x, k.p3.y), a.s);
    EXPECT_LE(t3, a.e);
  }
  // The two cases of the upper and lower half.
  EXPECT_NEAR(ArcOf(ArcThroughThree({0, 0}, {2, 0}, {1, 1})).s, 0, 1e-12);
  EXPECT_NEAR(ArcOf(ArcThroughThree({0, 0}, {2, 0}, {1, 1})).e, kPi, 1e-12);
  EXPECT_NEAR(ArcOf(ArcThroughThree({0, 0}, {2, 0}, {1, -1})).s, kPi, 1e-12);
  EXPECT_NEAR(ArcOf(ArcThroughThree({0, 0}, {2, 0}, {1, -1})).e, 2 * kPi, 1e-12);
}

TEST_F(OpArcTest, DegenerateThreePointsGiveTheLine) {
  const TPointD cases[] = {{4, 0}, {-1, 0}, {0, 0}, {2, 0}, {1, 1e-12}};
  for (const TPointD p3 : cases) {
    const TGcell c = ArcThroughThree({0, 0}, {2, 0}, p3);
    EXPECT_EQ(c.kind, GK_LINE) << p3.x << "," << p3.y;
    EXPECT_EQ(LineOf(c).b, TPointD(2, 0));
  }
}

TEST_F(OpArcTest, TangentPointsAsSympy) {
  for (const TTangent& k : kTangents) {
    const ArcParams c{k.curve[0], k.curve[1], k.curve[2], k.curve[3], k.curve[4], 0, 0};
    // A click on either side of the line from the point to the centre.
    const TPointD toCentre = TPointD{c.cx, c.cy} - k.p;
    const TPointD side{-toCentre.y, toCentre.x};
    TPointD a, b;
    ASSERT_TRUE(TangentPoint(k.p, c, k.p + toCentre + side, a));
    ASSERT_TRUE(TangentPoint(k.p, c, k.p + toCentre - side, b));
    const bool aLower = a.y < b.y;
    const TPointD lo = aLower ? a : b, hi = aLower ? b : a;
    EXPECT_NEAR(lo.x, k.lower.x, 1e-9);
    EXPECT_NEAR(lo.y, k.lower.y, 1e-9);
    EXPECT_NEAR(hi.x, k.upper.x, 1e-9);
    EXPECT_NEAR(hi.y, k.upper.y, 1e-9);
  }
}

TEST_F(OpArcTest, NoTangentFromInsideAnEllipse) {
  // Outside the circle of the long axis' radius but inside the flat ellipse
  // drawn across it: no tangent.
  const ArcParams tall{0, 0, 5, 3, 0, 0, 0};  // 5 wide, 15 high
  TPointD at;
  EXPECT_FALSE(TangentPoint({0, 10}, tall, {1, 0}, at));
  EXPECT_FALSE(TangentPoint({1, 1}, {0, 0, 5, 1, 0, 0, 0}, {1, 0}, at));
  EXPECT_TRUE(TangentPoint({0, 20}, tall, {1, 0}, at));
}

TEST_F(OpArcTest, CommonTangentsOfTwoCircles) {
  auto touches = [](const TGcell& l, const ArcParams& c) {
    const TLineGeom g = LineOf(l);
    TPointD f;
    PerpendicularFoot(f.x, f.y, c.cx, c.cy, g.a.x, g.a.y, g.b.x, g.b.y);
    return std::fabs(Dist(f, {c.cx, c.cy}) - c.r) < 1e-9;
  };
  const ArcParams big{0, 0, 10, 1, 0, 0, 0}, small{30, 0, 5, 1, 0, 0, 0};
  const auto crossed = TwoCircleTangents(big, small, true);
  ASSERT_EQ(crossed.size(), 2u);
  for (const TGcell& l : crossed) {
    EXPECT_TRUE(touches(l, big) && touches(l, small));
    const TLineGeom g = LineOf(l);
    EXPECT_NEAR(std::fabs(std::atan2(g.a.y, g.a.x)), kPi / 3, 1e-12) << "touches the big circle at 60 degrees";
  }
  const auto outer = TwoCircleTangents(small, big, false);
  ASSERT_EQ(outer.size(), 2u);
  for (const TGcell& l : outer) EXPECT_TRUE(touches(l, big) && touches(l, small));
  const auto equal = TwoCircleTangents({0, 0, 5, 1, 0, 0, 0}, {20, 10, 5, 1, 0, 0, 0}, false);
  ASSERT_EQ(equal.size(), 2u);
  for (const TGcell& l : equal) {
    const TLineGeom g = LineOf(l);
    EXPECT_NEAR(Cross(g.b - g.a, {20, 10}), 0, 1e-9) << "parallel to the centres' line";
  }
  EXPECT_TRUE(TwoCircleTangents(big, {12, 0, 5, 1, 0, 0, 0}, true).empty()) << "overlapping: none crossed";
}

TEST_F(OpArcTest, TrackEndSweepsBothWaysUpToATurn) {
  const TPointD c{0, 0};
  double end = TrackEnd(c, {1, 0}, 0, 0);
  EXPECT_GT(end, 0);
  // Round counter-clockwise through a quarter, half and three quarters.
  for (double a : {0.5, 1.5, 3.0, 4.5, 6.0}) end = TrackEnd(c, {std::cos(a), std::sin(a)}, end, 0);
  EXPECT_NEAR(end, 6.0, 1e-12);
  end = TrackEnd(c, {1, -0.1}, end, 0);
  EXPECT_LE(end, 2 * kPi) << "never more than a full turn";
  // The other way from the start.
  double back = TrackEnd(c, {1, 0}, 0, 0);
  for (double a : {-0.5, -2.0, -4.0}) back = TrackEnd(c, {std::cos(a), std::sin(a)}, back, 0);
  EXPECT_NEAR(back, -4.0, 1e-12);
  EXPECT_EQ(TrackEnd(c, {NAN, 0}, 1.5, 0), 1.5);
}

TEST_F(OpArcTest, ArcByCentreStartAndSweep) {
  ui.Choose(OpBtn_Arc1);
  EXPECT_EQ(Prompt(), "円弧の中心を指示(L)or(R)");
  Left(200, 200);
  Left(300, 200);
  EXPECT_EQ(Prompt(), "円弧の終点を指示(L)or(R)");
  MoveTo(260, 260);
  MoveTo(200, 300);
  Left(200, 300);
  auto arcs = Live(GK_ARC);
  ASSERT_EQ(arcs.size(), 1u);
  EXPECT_NEAR(ArcOf(arcs[0]).s, 0, 1e-9);
  EXPECT_NEAR(ArcOf(arcs[0]).e, kPi / 2, 1e-9);
  // The other way round: from (300, 200) clockwise to (200, 100).
  Left(200, 200);
  Left(300, 200);
  MoveTo(260, 140);
  MoveTo(200, 100);
  Left(200, 100);
  arcs = Live(GK_ARC);
  ASSERT_EQ(arcs.size(), 2u);
  EXPECT_NEAR(ArcOf(arcs[1]).s, -kPi / 2, 1e-9);
  EXPECT_NEAR(ArcOf(arcs[1]).e, 0, 1e-9);
}

TEST_F(OpArcTest, ThreePointsTangentAndTwoCirclesThroughTheOperation) {
  ui.Choose(OpBtn_Arc1);
  ui.SubMenu(1);
  Left(100, 100);
  Left(300, 100);
  MoveTo(100, 100);  // the pointer on P1: a line, and no hang
  Left(200, 200);
  ASSERT_EQ(Live(GK_ARC).size(), 1u);
  // A tangent to a circle.
  const TPointD c = P(500, 300);
  GcellAddCircle(0, 0x11, c.x, c.y, 50, 1, 0);
  ui.Key('2');  // from any state, the blank button's key
  EXPECT_EQ(Prompt(), "円(楕円)接線の始点を指示(L)or(R)");
  Left(300, 300);
  Left(500, 350);  // on the circle's top
  const auto lines = Live(GK_LINE);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_GT(LineOf(lines[0]).b.y, c.y);
  // Two circles.
  const TPointD d = P(500, 100);
  GcellAddCircle(0, 0x11, d.x, d.y, 30, 1, 0);
  ui.Key('3');
  EXPECT_NE(Harness::SubCaption(1).find("○＝○"), std::string::npos);
  Left(550, 300);
  EXPECT_EQ(Prompt(), "２円の接線：円２指示(L)or(R)");
  Left(530, 100);
  EXPECT_EQ(Live(GK_LINE).size(), 3u);
  ui.Key('U');
  EXPECT_EQ(Live(GK_LINE).size(), 1u) << "both tangents are one step";
}

}  // namespace

namespace {

TEST_F(OpArcTest, OverlappingCirclesHaveOuterTangents) {
  const ArcParams big{0, 0, 10, 1, 0, 0, 0}, small{8, 0, 5, 1, 0, 0, 0};
  EXPECT_EQ(TwoCircleTangents(big, small, false).size(), 2u);
  EXPECT_TRUE(TwoCircleTangents(big, {2, 0, 5, 1, 0, 0, 0}, false).empty()) << "one inside the other";
}

}  // namespace
