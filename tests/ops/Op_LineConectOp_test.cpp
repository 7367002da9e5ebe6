// The join operation driven as a user drives it: the palette button, clicks
// at drawing points (about one unit per pixel, the origin in the middle,
// basic scale and group scales 100: one real millimetre a unit), the
// sub-menu's chamfers, the weld and the envelope, cut marks, Esc and undo.
#include <cmath>
#include <numbers>
#include <vector>

#include "OpTest.h"
#include "app/GC_View.h"
#include "model/GC_DB.h"
#include "model/PVC.h"
#include "ops/Op_LineConect.h"
#include "render/Z_Graph.h"

namespace {

class JoinOpTest : public CentredOpTest {
protected:
  void SetUp() override {
    CentredOpTest::SetUp();
    ui.Choose(OpBtn_LineConect);
  }
  void Drag(TPointD a, TPointD b) {
    const TPointD pa = Pixel(a), pb = Pixel(b);
    ui.Press(ssLeft, pa.x, pa.y);
    ui.Move(pb.x, pb.y, ssLeft);
    ui.Release(ssLeft, pb.x, pb.y);
  }
  // The same segment, whichever way it runs.
  static bool Same(const TLineGeom& l, TPointD a, TPointD b) {
    const auto near = [](TPointD p, TPointD q) { return Dist(p, q) < 1e-6; };
    return (near(l.a, a) && near(l.b, b)) || (near(l.a, b) && near(l.b, a));
  }
  static int Count(TPointD a, TPointD b) {
    int n = 0;
    for (const TLineGeom& l : Lines()) n += Same(l, a, b);
    return n;
  }
};

// ---- Corners ------------------------------------------------------------------------

TEST_F(JoinOpTest, CornersKeepTheClickedSidesAndMergesNeedOnePen) {
  AddLine(-100, 0, 100, 0);   // crosses the vertical one
  AddLine(50, -100, 50, 100);
  EXPECT_EQ(Prompt(), "線の結合：線１指示(L),線切(R)");
  L({-80, 0});
  EXPECT_EQ(Prompt(), "線の結合：線２指示(L),線切(R)");
  L({50, 80});
  EXPECT_EQ(Count({-100, 0}, {50, 0}), 1);
  EXPECT_EQ(Count({50, 0}, {50, 100}), 1);
  EXPECT_EQ(Lines().size(), 2u);
  ui.Key('U');
  EXPECT_EQ(Count({-100, 0}, {100, 0}), 1);

  // Short of each other: both extended.
  GcellClearWindow(StoreWindow());
  AddLine(-100, -50, -20, -50);
  AddLine(30, 0, 30, 100);
  L({-90, -50});
  L({30, 90});
  EXPECT_EQ(Count({-100, -50}, {30, -50}), 1);
  EXPECT_EQ(Count({30, -50}, {30, 100}), 1);

  // Collinear: one pen merges, two pens are refused and stay on the screen.
  GcellClearWindow(StoreWindow());
  AddLine(-100, 50, -10, 50);
  AddLine(100, 50, 10, 50);  // running the other way: still collinear
  AddLine(-100, 80, -10, 80, 0x11);
  AddLine(10, 80, 100, 80, 0x12);
  L({-50, 50});
  L({50, 50});
  EXPECT_EQ(Count({-100, 50}, {100, 50}), 1);
  const int beeps = platform().beeps();
  L({-50, 80});
  L({50, 80});
  EXPECT_EQ(platform().beeps(), beeps + 1);
  EXPECT_EQ(Count({-100, 80}, {-10, 80}), 1);
  EXPECT_EQ(Count({10, 80}, {100, 80}), 1);
  EXPECT_EQ(Prompt(), "線の結合：線１指示(L),線切(R)");
}

TEST_F(JoinOpTest, ChamferAndFilletInRealMillimetres) {
  AddLine(-100, 0, 0, 0);
  AddLine(0, 0, 0, 100);
  Value(2, "10");
  EXPECT_EQ(g_form1.PvBtn[1].raw, "②面取(Ｃ)=10");
  L({-50, 0});
  L({0, 50});
  const double back = 10 / std::sqrt(2.0);
  EXPECT_EQ(Count({-100, 0}, {-back, 0}), 1);
  EXPECT_EQ(Count({0, back}, {0, 100}), 1);
  EXPECT_EQ(Count({-back, 0}, {0, back}), 1);  // the chamfer line, 10 long

  // A fillet in a group at 1/50 with the basic scale 100: a real radius of 10
  // is 20 units, its centre that far from both lines.
  GcellClearWindow(StoreWindow());
  for (auto& g : CurPVC().groups) g.scaleX = g.scaleY = 50;
  AddLine(-100, 0, 0, 0);
  AddLine(0, 0, 0, 100);
  Value(3, "10");
  EXPECT_EQ(g_form1.PvBtn[1].raw, "②面取(Ｃ)");  // one chamfer at a time
  L({-50, 0});
  L({0, 50});
  const std::vector<TGcell> arcs = Live(GK_ARC);
  ASSERT_EQ(arcs.size(), 1u);
  const ArcParams a = ArcOf(arcs[0]);
  EXPECT_NEAR(a.r, 20, 1e-9);
  EXPECT_NEAR(a.cx, -20, 1e-9);
  EXPECT_NEAR(a.cy, 20, 1e-9);

  // Too large for the lines: refused.
  GcellClearWindow(StoreWindow());
  AddLine(-15, 0, 0, 0);
  AddLine(0, 0, 0, 15);
  const int beeps = platform().beeps();
  L({-10, 0});
  L({0, 10});
  EXPECT_EQ(platform().beeps(), beeps + 1);
  EXPECT_EQ(Lines().size(), 2u);
}

TEST_F(JoinOpTest, ACutMarkKeepsTheFarPartApart) {
  AddLine(-100, 0, 100, 0);
  AddLine(0, -50, 0, 100);
  R({60, 0});   // a mark on the horizontal line
  L({-80, 0});  // its left side is joined
  L({0, 80});
  EXPECT_EQ(Count({-100, 0}, {0, 0}), 1);
  EXPECT_EQ(Count({0, 0}, {0, 100}), 1);
  // The part beyond the mark, away from the click, stays as a line of its own.
  int far = 0;
  for (const TLineGeom& l : Lines())
    if (std::fabs(l.a.y) < 1e-9 && std::fabs(l.b.y) < 1e-9 && std::max(l.a.x, l.b.x) == 100 &&
        std::fabs(std::min(l.a.x, l.b.x) - 60) < 1)
      ++far;
  EXPECT_EQ(far, 1);
  EXPECT_EQ(Lines().size(), 3u);
}

// ---- Weld -----------------------------------------------------------------------------

TEST_F(JoinOpTest, WeldFillsTheCornerOfCrossingLines) {
  for (auto& g : CurPVC().groups) g.scaleX = g.scaleY = 50;  // half a millimetre a unit
  AddLine(-100, 0, 100, 0);
  AddLine(0, -100, 0, 100);
  AddLine(200, 0, 250, 50);  // meets neither on both
  ui.SubMenu(6);
  EXPECT_EQ(g_form1.PvBtn[0].raw, "①肉盛厚(mm)=5");
  EXPECT_EQ(Prompt(), "隅肉盛り：線１指示(L),線切(R)");
  L({50, 0});
  L({0, 50});
  std::vector<TGcell> fills = Live(GK_FILL4K);
  ASSERT_EQ(fills.size(), 1u);
  const TQuadGeom q = QuadOf(fills[0]);
  // Legs of 5 mm, 10 units, along both lines towards the clicks.
  EXPECT_NEAR(q.corner[0].x, 0, 1e-9);
  EXPECT_NEAR(q.corner[0].y, 0, 1e-9);
  const TPointD legs[2] = {q.corner[1], q.corner[3]};
  bool alongX = false, alongY = false;
  for (const TPointD l : legs) {
    alongX = alongX || (std::fabs(l.x - 10) < 1e-9 && std::fabs(l.y) < 1e-9);
    alongY = alongY || (std::fabs(l.y - 10) < 1e-9 && std::fabs(l.x) < 1e-9);
  }
  EXPECT_TRUE(alongX && alongY);
  const int beeps = platform().beeps();
  L({240, 40});
  L({50, 0});
  EXPECT_EQ(platform().beeps(), beeps + 1);
  EXPECT_EQ(Live(GK_FILL4K).size(), 1u);
  ui.Esc();
  EXPECT_EQ(Prompt(), "線の結合：線１指示(L),線切(R)");
}

// ---- Envelope -------------------------------------------------------------------------

TEST_F(JoinOpTest, EnvelopeCleansTheLinesOfARectangle) {
  // A frame whose lines run past each other at the corners.
  AddLine(-110, 0, 110, 0);
  AddLine(-110, 100, 110, 100);
  AddLine(-100, -10, -100, 110);
  AddLine(100, -10, 100, 110);
  ui.SubMenu(7);
  EXPECT_EQ(Prompt(), "包絡処理：始点指示(L),線切(R)");
  L({-150, -50});
  EXPECT_EQ(Prompt(), "包絡処理：終点指示(L),線切(R)");
  L({150, 150});
  EXPECT_EQ(Lines().size(), 4u);
  EXPECT_EQ(Count({-100, 0}, {100, 0}), 1);
  EXPECT_EQ(Count({-100, 100}, {100, 100}), 1);
  EXPECT_EQ(Count({-100, 0}, {-100, 100}), 1);
  EXPECT_EQ(Count({100, 0}, {100, 100}), 1);
  ui.Key('U');
  EXPECT_EQ(Count({-110, 0}, {110, 0}), 1);

  // Two lines with one end each in a dragged rectangle make a corner.
  GcellClearWindow(StoreWindow());
  AddLine(-200, -100, -20, -100);
  AddLine(0, -80, 0, 100);
  Drag({-60, -150}, {60, -60});
  EXPECT_EQ(Prompt(), "包絡処理：終点指示(L),線切(R)");
  L({60, -60});
  EXPECT_EQ(Count({-200, -100}, {0, -100}), 1);
  EXPECT_EQ(Count({0, -100}, {0, 100}), 1);

  // A right click cuts at once.
  R({-100, -100});
  EXPECT_EQ(Lines().size(), 3u);
}

}  // namespace
