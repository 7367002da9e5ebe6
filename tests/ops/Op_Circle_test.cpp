// The circle operation driven as a user drives it, and its geometry.
#include "ops/Op_Circle.h"

#include <cmath>
#include <numbers>

#include "OpTest.h"

namespace {

constexpr double kPi = std::numbers::pi;

class OpCircleTest : public OpTest {};

TEST_F(OpCircleTest, CentreAndPoint) {
  ui.Choose(OpBtn_Circle);
  EXPECT_EQ(Prompt(), "円中心を指示(L)or(R)");
  Left(100, 100);
  EXPECT_EQ(Prompt(), "円周を指示(L)or(R)");
  MoveTo(200, 200);
  EXPECT_TRUE(g_circleOp.run.preview.Visible());
  Left(130, 140);
  const auto circles = Live(GK_CIRCLE);
  ASSERT_EQ(circles.size(), 1u);
  const ArcParams a = ArcOf(circles[0]);
  EXPECT_EQ(TPointD(a.cx, a.cy), P(100, 100));
  EXPECT_NEAR(a.r, Dist(P(100, 100), P(130, 140)), 1e-9);
  EXPECT_EQ(circles[0].pen, CurPVC().writePen);
  EXPECT_FALSE(g_circleOp.run.preview.Visible());
  ui.Key('U');
  EXPECT_TRUE(Live().empty());
}

TEST_F(OpCircleTest, TypedDiameterPlacesCircleAfterCircle) {
  ui.Choose(OpBtn_Circle);
  ui.SubMenu(1);
  EXPECT_NE(Harness::SubCaption(1).find("直径指示"), std::string::npos);
  ui.SubMenu(2);
  ui.Entry("10");
  EXPECT_EQ(Prompt(), "円位置を指示(L)or(R)");
  Left(100, 100);
  Left(300, 100);
  const auto circles = Live(GK_CIRCLE);
  ASSERT_EQ(circles.size(), 2u);
  for (const TGcell& c : circles) EXPECT_DOUBLE_EQ(ArcOf(c).r, 5);
  EXPECT_EQ(TPointD(circles[1].p[0], circles[1].p[1]), P(300, 100));
  // The size taken away: back to two points.
  ui.SubMenu(2);
  ui.Type("");
  ui.Entry("0");
  EXPECT_EQ(Prompt(), "円周１を指示(L)or(R)");
}

TEST_F(OpCircleTest, EllipseOfTypedFlatnessAndTilt) {
  ui.Choose(OpBtn_Circle);
  ui.SubMenu(3);
  EXPECT_EQ(Prompt(), "楕円中心を指示(L)or(R)");
  ui.SubMenu(3);
  ui.Entry("50");
  ui.SubMenu(4);
  ui.Entry("90");
  Left(100, 100);
  Left(100, 140);  // on the tilted long axis
  const auto circles = Live(GK_CIRCLE);
  ASSERT_EQ(circles.size(), 1u);
  const ArcParams a = ArcOf(circles[0]);
  EXPECT_DOUBLE_EQ(a.f, 0.5);
  EXPECT_NEAR(a.t, kPi / 2, 1e-12);
  EXPECT_NEAR(a.r, Dist(P(100, 100), P(100, 140)), 1e-9);
}

TEST_F(OpCircleTest, ComputeCircleTable) {
  struct Case {
    const char* what;
    TPointD first, point;
    bool diameter;
    double size, flat, tilt;
    ArcParams want;
  };
  const Case cases[] = {
      {"centre and point", {0, 0}, {30, 40}, false, 0, 0, 0, {0, 0, 50, 1, 0, 0, 0}},
      {"diameter", {0, 0}, {30, 40}, true, 0, 0, 0, {15, 20, 25, 1, 0, 0, 0}},
      {"flatness 1 per cent is a circle", {0, 0}, {3, 4}, false, 0, 1, 0, {0, 0, 5, 1, 0, 0, 0}},
      {"flatness 50: the point on the short axis", {0, 0}, {0, 10}, false, 0, 50, 0, {0, 0, 20, 0.5, 0, 0, 0}},
      {"typed radius", {9, 9}, {5, 6}, false, 7, 0, 0, {5, 6, 7, 1, 0, 0, 0}},
      {"typed diameter", {9, 9}, {5, 6}, true, 10, 0, 0, {5, 6, 5, 1, 0, 0, 0}},
  };
  for (const Case& k : cases) {
    const ArcParams a = ComputeCircle(k.first, k.point, k.diameter, k.size, k.flat, k.tilt);
    EXPECT_NEAR(a.cx, k.want.cx, 1e-12) << k.what;
    EXPECT_NEAR(a.cy, k.want.cy, 1e-12) << k.what;
    EXPECT_NEAR(a.r, k.want.r, 1e-12) << k.what;
    EXPECT_DOUBLE_EQ(a.f, k.want.f) << k.what;
  }
}

TEST_F(OpCircleTest, BoxEllipses) {
  const ArcParams out = BoxEllipse({0, 0}, {20, 10}, true);
  EXPECT_NEAR(out.r, 10 * std::numbers::sqrt2, 1e-12);
  EXPECT_DOUBLE_EQ(out.f, 0.5);
  EXPECT_DOUBLE_EQ(out.cx, 10);
  const ArcParams in = BoxEllipse({0, 0}, {20, 10}, false);
  EXPECT_DOUBLE_EQ(in.r, 10);
  // Through the operation: a zero-width box stores nothing.
  ui.Choose(OpBtn_Circle);
  ui.SubMenu(4);
  EXPECT_EQ(Prompt(), "楕円の「始点指示(L)or(R)");
  ui.SubMenu(1);
  EXPECT_NE(Harness::SubCaption(1).find("内接"), std::string::npos);
  Left(100, 100);
  Left(100, 200);
  EXPECT_TRUE(Live().empty());
  Left(100, 100);
  Left(300, 200);
  const auto circles = Live(GK_CIRCLE);
  ASSERT_EQ(circles.size(), 1u);
  EXPECT_NEAR(ArcOf(circles[0]).r, (P(300, 0).x - P(100, 0).x) / 2, 1e-9);
  EXPECT_FALSE(circles[0].pen & PEN_SELECTED);
}

TEST_F(OpCircleTest, SineWave) {
  const auto pts = SineWave({0, 0}, {360, 100}, 1, 9);
  ASSERT_EQ(pts.size(), 37u);  // 36 lines
  auto near = [&](TPointD p) {
    for (const TPointD& q : pts)
      if (Dist(p, q) < 1e-9) return true;
    return false;
  };
  EXPECT_TRUE(near({90, 0}));
  EXPECT_TRUE(near({270, 100}));
  EXPECT_NEAR(pts.back().x, 360, 1e-9);
  EXPECT_NEAR(pts.back().y, 50, 1e-9);
  EXPECT_EQ(SineWave({0, 0}, {1, 1}, 1, 250).size(), 401u) << "at most 100 points a quarter";
  // Through the operation.
  ui.Choose(OpBtn_Circle);
  ui.SubMenu(5);
  EXPECT_EQ(Harness::SubCaption(1).find("分割点数(/90ﾟ)=9") != std::string::npos, true);
  Left(100, 100);
  Left(460, 200);
  EXPECT_EQ(Live(GK_LINE).size(), 36u);
  ui.Key('U');
  EXPECT_TRUE(Live().empty()) << "one undo step";
}

TEST_F(OpCircleTest, EndLeavesNoGhost) {
  ViewRedraw(1);
  const auto before = ViewBuffer().Image().pixels;
  ui.Choose(OpBtn_Circle);
  Left(100, 100);
  MoveTo(200, 200);
  ui.SubMenu(5);
  MoveTo(250, 250);
  ui.Choose(OpBtn_Line);
  EXPECT_EQ(ViewBuffer().Image().pixels, before);
}

}  // namespace

namespace {

TEST_F(OpCircleTest, AFlatBoxIsRefused) {
  ui.Choose(OpBtn_Circle);
  ui.SubMenu(4);
  Left(100, 100);
  Left(700, 100);  // no height: a flatness of 0 would draw as a circle
  EXPECT_TRUE(Live().empty());
  EXPECT_EQ(platform().beeps(), 1);
}

}  // namespace
