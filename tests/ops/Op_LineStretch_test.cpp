// The stretch operation driven as a user drives it: palette button, clicks
// at drawing points (the view shows about one unit per pixel, basic scale
// and group scales 100, so one real millimetre is one unit), the sub-menu
// and its entry boxes, Shift drags, Esc and undo.
#include "ops/Op_LineStretch.h"

#include <cmath>
#include <numbers>
#include <vector>

#include "OpTest.h"
#include "model/GC_DB.h"
#include "model/PVC.h"
#include "app/GC_View.h"
#include "render/Z_Graph.h"

namespace {

constexpr double kPi = std::numbers::pi;

class StretchTest : public CentredOpTest {
protected:
  void SetUp() override {
    CentredOpTest::SetUp();
    ui.Choose(OpBtn_LineStretch);
  }
};

// ---- Offset, length, point ------------------------------------------------------

TEST_F(StretchTest, OffsetAndLengthMoveTheEndNearerTheClick) {
  AddLine(0, 0, 100, 0);
  EXPECT_EQ(Prompt(), "伸縮線(L),伸縮先の線や塗潰面(R)");
  Value(1, "10");
  EXPECT_EQ(g_form1.PvBtn[0].raw, "①ｵﾌｾｯﾄ=10");
  L({95, 0});
  ASSERT_EQ(Lines().size(), 1u);
  ExpectLine(Lines()[0], {0, 0}, {110, 0});
  L({5, 0});  // the other end, the same offset
  ExpectLine(Lines()[0], {-10, 0}, {110, 0});

  // A length takes the offset's place, measured from the end not clicked.
  Value(2, "100");
  EXPECT_EQ(g_form1.PvBtn[0].raw, "①ｵﾌｾｯﾄ");
  L({100, 0});
  ExpectLine(Lines()[0], {-10, 0}, {90, 0});
  ui.Key('U');
  ExpectLine(Lines()[0], {-10, 0}, {110, 0});
  // The undo started the operation again; the length is still there.
  EXPECT_EQ(g_form1.PvBtn[1].raw, "②長さ=100");
  L({110, 0});
  ExpectLine(Lines()[0], {-10, 0}, {90, 0});
}

TEST_F(StretchTest, TypedLengthsAreRealMillimetresOfTheWriteGroup) {
  struct Case {
    double sx, sy;
    TPointD end;  // where (0,0)-(60,80) ends after an offset of 10
  } cases[] = {
      {100, 100, {66, 88}},  // 1 mm a unit
      {50, 50, {72, 96}},    // half a millimetre a unit: 20 units
      // x at half a millimetre a unit: in real space the line runs (30, 80),
      // 85.44 mm long; 10 mm more along it is (3.511, 9.363) mm.
      {50, 100, {60 + 2 * 30 / std::hypot(30.0, 80.0) * 10, 80 + 80 / std::hypot(30.0, 80.0) * 10}},
  };
  for (const Case& c : cases) {
    GcellClearWindow(StoreWindow());
    CurPVC().groups[0].scaleX = c.sx;
    CurPVC().groups[0].scaleY = c.sy;
    AddLine(0, 0, 60, 80);
    Value(1, "10");
    L({58, 77});
    ASSERT_EQ(Lines().size(), 1u);
    ExpectLine(Lines()[0], {0, 0}, c.end, 1e-9);
  }
}

TEST_F(StretchTest, StretchToAPointAndAnArcAroundToACircle) {
  AddLine(0, 0, 100, 0);
  L({90, 0});
  EXPECT_EQ(Prompt(), "伸縮位置を指示(L)");
  L({150, 40});  // the foot of the point on the line
  ExpectLine(Lines()[0], {0, 0}, {At({150, 40}).x, 0});

  GcellClearWindow(StoreWindow());
  const ArcParams a{0, 0, 50, 1, 0, 0, kPi / 2};
  Add(MakeArc(a));
  L({0, 49.5});  // near the end at 90 degrees
  L({-50, 10});  // to that point's direction
  std::vector<TGcell> arcs = Live(GK_ARC);
  ASSERT_EQ(arcs.size(), 1u);
  EXPECT_NEAR(ArcOf(arcs[0]).s, 0, 1e-9);
  EXPECT_NEAR(ArcOf(arcs[0]).e, std::atan2(At({-50, 10}).y, At({-50, 10}).x), 1e-9);
  L({-49, 9.8});
  R({50, 0});  // snapped onto the other end: a whole circle
  EXPECT_TRUE(Live(GK_ARC).empty());
  EXPECT_EQ(Live(GK_CIRCLE).size(), 1u);
}

// ---- Boundary -----------------------------------------------------------------------

TEST_F(StretchTest, BoundaryExtendsTrimsAndKeepsParallels) {
  const int boundary = AddLine(100, -50, 100, 150);
  AddLine(0, 0, 50, 0);       // short of it: extended
  AddLine(0, 40, 180, 40);    // across it: the clicked side stays
  AddLine(100.5, 80, 150, 80);  // beyond it, start just right of it
  AddLine(90, 100, 90, 140);  // parallel: untouched
  R({100, 120});
  EXPECT_EQ(Prompt(), "伸縮線(L),伸縮先の線(R),線切(R)");
  L({40, 0});
  L({150, 40});
  L({140, 80});
  L({90, 130});
  const std::vector<TLineGeom> l = Lines();
  ASSERT_EQ(l.size(), 5u);
  ExpectLine(l[0], {100, -50}, {100, 150});
  ExpectLine(l[1], {90, 100}, {90, 140});
  ExpectLine(l[2], {0, 0}, {100, 0});
  ExpectLine(l[3], {100, 40}, {180, 40});
  ExpectLine(l[4], {100, 80}, {150, 80});
  (void)boundary;
}

TEST_F(StretchTest, AShiftDragAcrossLinesIsOneUndoStep) {
  AddLine(200, -100, 200, 300);
  for (int i = 0; i < 5; ++i) AddLine(0, 40.0 * i, 100, 40.0 * i);
  AddLine(0, -60, 10, -60);  // stretched by its own click before the drag
  R({200, 250});
  L({5, -60});
  // Press on the first line with Shift, sweep up across the others, release.
  const TPointD a = Pixel({90, 0}), b = Pixel({90, 170});
  ui.Press(ssLeft, a.x, a.y, ssShift);
  for (int k = 0; k <= 17; ++k) ui.Move(a.x, a.y + (b.y - a.y) * k / 17, ssLeft | ssShift);
  ui.Release(ssLeft, b.x, b.y, ssShift);
  int reached = 0;
  for (const TLineGeom& l : Lines())
    if (std::fabs(l.a.y - l.b.y) < 1e-9 && std::fabs(std::max(l.a.x, l.b.x) - 200) < 1e-9) ++reached;
  EXPECT_EQ(reached, 6);
  ui.Key('U');  // the drag goes as one step; the click before stays
  reached = 0;
  for (const TLineGeom& l : Lines())
    if (std::fabs(l.a.y - l.b.y) < 1e-9 && std::fabs(std::max(l.a.x, l.b.x) - 200) < 1e-9) ++reached;
  EXPECT_EQ(reached, 1);
}

TEST_F(StretchTest, CuttingTheBoundaryItselfIsAStepOfItsOwn) {
  AddLine(100, -50, 100, 150);
  AddLine(0, 0, 50, 0);
  R({100, 120});
  L({40, 0});
  R({100, 60});  // on the boundary: cut there
  EXPECT_EQ(Lines().size(), 3u);
  EXPECT_EQ(Prompt(), "伸縮線(L),伸縮先の線や塗潰面(R)");
  ui.Key('U');  // the cut goes, the stretch before it stays
  const std::vector<TLineGeom> l = Lines();
  ASSERT_EQ(l.size(), 2u);
  ExpectLine(l[1], {0, 0}, {100, 0});
}

TEST_F(StretchTest, LinesMeetArcBoundariesAndArcsMeetLines) {
  Add(MakeCircle({0, 0}, 100));
  AddLine(0, 0, 50, 0);
  R({0, 100});
  L({40, 0});
  EXPECT_NEAR(Lines()[0].b.x, 100, 1e-9);
  ui.Esc();
  GcellClearWindow(StoreWindow());
  AddLine(-200, 50, 200, 50);
  Add(MakeArc({0, 0, 100, 1, 0, -kPi / 2, 0}));
  R({-150, 50});
  L({99.9, -5});
  const std::vector<TGcell> arcs = Live(GK_ARC);
  ASSERT_EQ(arcs.size(), 1u);
  EXPECT_NEAR(ArcOf(arcs[0]).e, std::asin(0.5), 1e-9);
}

// ---- Fill corner ------------------------------------------------------------------

TEST_F(StretchTest, AFilledQuadrilateralsCornerMoves) {
  TGcell q;
  q.kind = GK_FILL4K;
  q.pen = 0x11;
  q.p[0] = 0, q.p[1] = 0, q.p[2] = 100, q.p[3] = 0, q.p[4] = 100, q.p[5] = 100, q.p[7] = 0, q.p[8] = 100;
  GcellAdd(q);
  R({50, 50});
  EXPECT_EQ(Prompt(), "塗り潰し面の移動する頂点(LorR)");
  L({100, 100});
  EXPECT_EQ(Prompt(), "塗り潰し面、頂点の移動位置(LorR)");
  L({150, 130});
  const std::vector<TGcell> fills = Live(GK_FILL4K);
  ASSERT_EQ(fills.size(), 1u);
  const TQuadGeom g = QuadOf(fills[0]);
  EXPECT_NEAR(g.corner[2].x, At({150, 130}).x, 1e-9);
  EXPECT_NEAR(g.corner[2].y, At({150, 130}).y, 1e-9);
  EXPECT_NEAR(g.corner[1].x, 100, 1e-9);
  EXPECT_EQ(Prompt(), "塗り潰し面の移動する頂点(LorR)");
}

// ---- Window stretch -----------------------------------------------------------------

TEST_F(StretchTest, WindowStretchMovesStretchesAndKeeps) {
  AddLine(10, 10, 40, 10);                   // both ends inside: moves
  AddLine(-50, 20, 30, 20);                  // one end inside: stretched
  AddLine(-50, 30, -20, 30);                 // outside: kept
  AddLine(-100, -100, -100, 100);            // the direction line: vertical
  Add(MakeCircle({70, 60}, 15));        // a point inside: moves whole
  ui.SubMenu(3);
  EXPECT_EQ(Prompt(), "<ﾊﾟﾗﾒﾄﾘｯｸ>「始点指示(L)");
  L({0, 0});
  R({60, 50});  // right: the range at once
  EXPECT_EQ(Prompt(), "<ﾊﾟﾗﾒﾄﾘｯｸ>移動方向の線を指示(L)");
  L({-100, 0});
  L({0, 0});
  ui.Move(Pixel({40, 25}).x, Pixel({40, 25}).y);  // only the vertical part counts
  L({30, 25});
  const std::vector<TLineGeom> l = Lines();
  ASSERT_EQ(l.size(), 4u);
  ExpectLine(l[0], {-50, 30}, {-20, 30});
  ExpectLine(l[1], {-100, -100}, {-100, 100});
  ExpectLine(l[2], {10, 35}, {40, 35});
  ExpectLine(l[3], {-50, 20}, {30, 45});
  const std::vector<TGcell> circles = Live(GK_CIRCLE);
  ASSERT_EQ(circles.size(), 1u);
  EXPECT_NEAR(ArcOf(circles[0]).cx, 70, 1e-9);
  EXPECT_NEAR(ArcOf(circles[0]).cy, 85, 1e-9);
  EXPECT_EQ(Prompt(), "<ﾊﾟﾗﾒﾄﾘｯｸ>「始点指示(L)");
  ui.Key('U');
  EXPECT_NEAR(ArcOf(Live(GK_CIRCLE)[0]).cy, 60, 1e-9);
}

}  // namespace
