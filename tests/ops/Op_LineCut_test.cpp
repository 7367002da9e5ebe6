// The line cut operation driven as a user drives it: the palette button,
// clicks at drawing points (about one unit per pixel, the origin in the
// middle; basic scale 100, so the tolerance is 1 unit), the area mode's
// buttons, Esc and undo.
#include "ops/Op_LineCut.h"

#include <cmath>
#include <numbers>
#include <vector>

#include "OpTest.h"
#include "app/GC_View.h"
#include "model/GC_DB.h"
#include "model/PVC.h"
#include "render/Z_Graph.h"

namespace {

constexpr double kPi = std::numbers::pi;

class LineCutTest : public CentredOpTest {
protected:
  void SetUp() override {
    CentredOpTest::SetUp();
    ui.Choose(OpBtn_LineCut);
  }
};

// ---- Two points ---------------------------------------------------------------

TEST_F(LineCutTest, TwoPointsTakeTheRunBetweenThemOutOfALine) {
  AddLine(-100, 0, 200, 0);
  EXPECT_EQ(Prompt(), "線の切断：　切断線を指示(L)");
  L({0, 0});
  EXPECT_EQ(Prompt(), "線の切断：　切断位置１を指示(L)or(R)");
  L({150, 5});  // the far point first: the order does not count
  EXPECT_EQ(Prompt(), "線の切断：　切断位置２を指示(L)or(R)");
  L({20, -3});
  std::vector<TLineGeom> l = Lines();
  ASSERT_EQ(l.size(), 2u);
  ExpectLine(l[0], {-100, 0}, {At({20, -3}).x, 0});
  ExpectLine(l[1], {At({150, 5}).x, 0}, {200, 0});
  ui.Key('U');
  EXPECT_EQ(Lines().size(), 1u);

  // Two equal points split it.
  L({0, 0});
  R({-100, 0});  // the first point may not lie beyond an end, but at it
  L({260, 0});   // beyond the end: refused with a beep
  EXPECT_EQ(platform().beeps(), 1);
  EXPECT_EQ(Prompt(), "線の切断：　切断位置２を指示(L)or(R)");
  ui.Esc();
  ui.Esc();
  L({0, 0});
  L({50, 0});
  L({50, 0});
  l = Lines();
  ASSERT_EQ(l.size(), 2u);
  ExpectLine(l[0], {-100, 0}, {At({50, 0}).x, 0});
  ExpectLine(l[1], {At({50, 0}).x, 0}, {200, 0});
}

TEST_F(LineCutTest, ACircleLosesTheRunItWasPickedOn) {
  for (bool top : {true, false}) {
    GcellClearWindow(StoreWindow());
    Add(MakeCircle({0, 0}, 100));
    L({0, top ? 100.0 : -100.0});
    R({100, 0});   // snapped: the quadrant points
    R({-100, 0});
    const std::vector<TGcell> arcs = Live(GK_ARC);
    ASSERT_EQ(arcs.size(), 1u) << top;
    const ArcParams a = ArcOf(arcs[0]);
    // What is left runs through the other side.
    TPointD mid;
    ArcPoint(mid.x, mid.y, a, (a.s + a.e) / 2);
    EXPECT_NEAR(mid.y, top ? -100 : 100, 1e-6) << top;
    EXPECT_NEAR(a.e - a.s, kPi, 1e-9) << top;
  }
}

TEST_F(LineCutTest, ArcsKeepSmallRemnants) {
  // In a 1/100 drawing the tolerance is one unit: a 10-degree remnant of a
  // radius of 100 is 17 units long and stays.
  Add(MakeArc({0, 0, 100, 1, 0, 0, kPi / 2}));
  L({70.7, 70.7});
  const TPointD p1{100 * std::cos(DegToRad(10)), 100 * std::sin(DegToRad(10))};
  L(p1);
  L({-50, 120});  // beyond the end: the rest of the arc goes
  const std::vector<TGcell> arcs = Live(GK_ARC);
  ASSERT_EQ(arcs.size(), 1u);
  EXPECT_NEAR(ArcOf(arcs[0]).s, 0, 1e-12);
  EXPECT_NEAR(ArcOf(arcs[0]).e, DegToRad(10), 0.01);  // where the pixel of the click lies
}

// ---- Areas ------------------------------------------------------------------------

TEST_F(LineCutTest, ARectangleCutsOnlyStraightLinesInsideIt) {
  AddLine(-200, 0, 200, 0);      // crosses twice: both outer pieces stay
  AddLine(-20, 20, 20, 20);      // inside: goes
  AddLine(-50, -50, 50, -50);    // along a side: not taken
  AddLine(0, 100, 150, 100);     // outside: stays
  AddLine(20, -10, 120, -10);    // one end inside: its outer part stays
  Add(MakeCircle({0, 0}, 10));   // arcs and circles are never cut
  ui.SubMenu(1);
  EXPECT_EQ(Prompt(), "切断領域の輪郭点を指示(L)or(R)、円指示(L)《切断するのは直線だけです》");
  R({-50, -50});  // snapped to the side line's end
  L({50, 50});
  ui.SubMenu(1);
  EXPECT_EQ(Prompt(), "線の切断：　除外,追加データ指示(L)or(R)");
  ui.SubMenu(1);
  const std::vector<TLineGeom> l = Lines();
  ASSERT_EQ(l.size(), 5u);
  ExpectLine(l[0], {-50, -50}, {50, -50});
  ExpectLine(l[1], {0, 100}, {150, 100});
  ExpectLine(l[2], {-200, 0}, {-50, 0});
  ExpectLine(l[3], {At({50, 50}).x, 0}, {200, 0});
  ExpectLine(l[4], {At({50, 50}).x, -10}, {120, -10});
  EXPECT_EQ(Live(GK_CIRCLE).size(), 1u);
  EXPECT_EQ(Prompt(), "切断領域の輪郭点を指示(L)or(R)、円指示(L)《切断するのは直線だけです》");
  ui.Key('U');
  EXPECT_EQ(Lines().size(), 5u);
  EXPECT_EQ(Live(GK_LINE).size(), 5u);
  ExpectLine(Lines()[0], {-200, 0}, {200, 0});

  // The previous area, on the drawing as it is now.
  ui.SubMenu(1);
  ui.SubMenu(1);
  ui.SubMenu(1);
  EXPECT_EQ(Lines().size(), 5u);
  EXPECT_NEAR(Lines()[2].b.x, -50, 1e-9);
}

TEST_F(LineCutTest, PolygonsCirclesAndTheirRefusals) {
  // A triangle through points snapped at its corners.
  for (const TPointD v : {TPointD{0, 100}, TPointD{100, -50}, TPointD{-100, -50}}) GcellAddPoint(0, 0x11, v.x, v.y);
  AddLine(-200, 10, 200, 10);
  ui.SubMenu(1);
  R({0, 100});
  R({100, -50});
  R({-100, -50});
  ui.SubMenu(1);
  ui.SubMenu(1);
  std::vector<TLineGeom> l = Lines();
  ASSERT_EQ(l.size(), 2u);
  ExpectLine(l[0], {-200, 10}, {-60, 10});
  ExpectLine(l[1], {60, 10}, {200, 10});

  // A picked circle; an ellipse is refused.
  GcellClearWindow(StoreWindow());
  AddLine(-200, 0, 200, 0);
  AddLine(-5, -5, 5, 5);
  Add(MakeCircle({0, 0}, 50, 0.5));
  Add(MakeCircle({0, 0}, 100));
  const int beeps = platform().beeps();
  L({0, 25});
  EXPECT_EQ(platform().beeps(), beeps + 1);
  L({0, 100});
  EXPECT_EQ(Prompt(), "線の切断：　除外,追加データ指示(L)or(R)");
  ui.SubMenu(1);
  l = Lines();
  ASSERT_EQ(l.size(), 2u);
  ExpectLine(l[0], {-200, 0}, {-100, 0});
  ExpectLine(l[1], {100, 0}, {200, 0});
}

TEST_F(LineCutTest, ThePenFilterAndExclusions) {
  AddLine(-200, 0, 200, 0, 0x11);
  AddLine(-200, 10, 200, 10, 0x23);
  AddLine(-200, 20, 200, 20, 0x23);
  CurPVC().writePen = 0x23;
  ui.SubMenu(1);
  ui.SubMenu(2);
  EXPECT_EQ(g_form1.PvBtn[1].raw, "②$線種指定");
  L({-50, -50});
  L({50, 50});
  ui.SubMenu(1);
  L({150, 20});  // excluded
  ui.SubMenu(1);
  const std::vector<TLineGeom> l = Lines();
  ASSERT_EQ(l.size(), 4u);
  ExpectLine(l[0], {-200, 0}, {200, 0});
  ExpectLine(l[1], {-200, 20}, {200, 20});
}

}  // namespace
