// The dimension operation and its kit: value texts, a dimension parallel to
// a reference line with its exact cells, chains, metres, a chain round a
// circle, diameters.
#include "ops/Op_Sunpo.h"

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "OpTest.h"
#include "ops/OpDim.h"
#include "render/Z_Graph.h"

namespace {

class OpSunpoTest : public OpTest {
protected:
  void SetUp() override {
    OpTest::SetUp();
    TGContext& v = CurrentView();
    G_SetWindow(v, -300, -300, 2300, 1650);
    ViewRedraw(1);
    TPVC& p = CurPVC();
    p.dimArrowLength = 2;
    p.dimArrowAngle = 15;
    p.dimExtGap = 1;
    p.dimExtOvershoot = 1.5;
    p.dimTextGap = 0.5;
    p.dimPitch = 8;
    p.dimDecimals = 0;
    p.dimTextSize = 3;
  }
  // Clicks at drawing points (the right button snaps).
  void At(unsigned button, double x, double y, unsigned mods = 0) {
    double px, py;
    G_ToPixel(CurrentView(), x, y, px, py);
    ui.Click(button, px, py, mods);
  }
  void MoveAt(double x, double y) {
    double px, py;
    G_ToPixel(CurrentView(), x, y, px, py);
    ui.Move(px, py);
  }
  static std::vector<TGcell> Since(int used) {
    std::vector<TGcell> out;
    for (int i = used + 1; i <= StoreUsed(); ++i)
      if (GcellLive(i)) out.push_back(GcellGet(i));
    return out;
  }
  // The reference line (0,0)-(2000,0) with a point at 1000, the operation
  // chosen and the line picked.
  void Reference() {
    GcellAddLine(0, 0x11, 0, 0, 2000, 0);
    GcellAddPoint(0, 0x11, 1000, 0);
    GcellCommit();
    ui.Choose(OpBtn_Sunpo);
    At(ssLeft, 500, 0);
    EXPECT_EQ(Prompt(), "寸法線：1点目指示(R)");
  }
};

TEST_F(OpSunpoTest, ValueTexts) {
  TPVC& p = CurPVC();
  struct Case {
    int unit, decimals;
    bool thousands, strip;
    double unitLength, value;
    const char* text;
  };
  const Case cases[] = {
      {DIM_MM, 2, false, true, 0, 1500, "1500"},
      {DIM_MM, 2, false, true, 0, 1500.5, "1500.5"},
      {DIM_MM, 2, false, false, 0, 1500.5, "1500.50"},
      {DIM_CM, 1, false, false, 0, 1234, "123.4"},
      {DIM_CM, 0, false, false, 0, 1234, "123"},
      {DIM_MM, 1, true, false, 0, 1234.6, "1,234.6"},
      {DIM_MM, 0, false, false, 300, 1500, "5@300=1500"},
      {DIM_MM, 0, false, false, 300, 1550, "1550"},
      {DIM_MM, 0, false, false, 300, 300, "300"},
  };
  for (const Case& k : cases) {
    p.dimUnit = k.unit;
    p.dimDecimals = k.decimals;
    p.dimThousands = k.thousands;
    p.dimStripZeros = k.strip;
    EXPECT_EQ(DimValueText(k.value, false, k.unitLength), k.text) << k.value;
  }
  EXPECT_EQ(DimValueText(1000, true, 0), "1.000");
  p.dimFullWidth = true;
  p.dimUnit = DIM_MM;
  p.dimDecimals = 0;
  EXPECT_EQ(DimValueText(12, false, 0), "１２");
}

TEST_F(OpSunpoTest, ADimensionParallelToALineIsItsExactCells) {
  Reference();
  const int used = StoreUsed();
  At(ssRight, 0, 0);
  At(ssRight, 1000, 0);
  EXPECT_EQ(Prompt(), "寸法線の位置を指示(L)or(R)");
  At(ssLeft, 500, 780);  // snapped to 8 mm (800 units) from the measured points
  const auto cells = Since(used);
  ASSERT_EQ(cells.size(), 8u);
  auto line = [](const TGcell& c, TPointD a, TPointD b) {
    if (c.kind != GK_LINE) return false;
    const TLineGeom l = LineOf(c);
    auto near = [](TPointD p, TPointD q) { return Dist(p, q) < 1e-6; };
    return (near(l.a, a) && near(l.b, b)) || (near(l.a, b) && near(l.b, a));
  };
  int ext = 0, dim = 0, strokes = 0, texts = 0;
  for (const TGcell& c : cells) {
    if (line(c, {0, 100}, {0, 950}) || line(c, {1000, 100}, {1000, 950})) ++ext;
    if (line(c, {0, 800}, {1000, 800})) ++dim;
    if (c.kind == GK_LINE && std::fabs(Dist(LineOf(c).a, LineOf(c).b) - 200) < 1e-6) ++strokes;
    if (c.kind == GK_TEXT) {
      ++texts;
      EXPECT_EQ(c.text.str(), "1000");
      EXPECT_EQ(c.size, 3);
      EXPECT_NEAR(TextOf(c).at.y, 850, 1e-6) << "the text gap above the line";
    }
    if (c.kind != GK_TEXT) {
      EXPECT_EQ(c.pen, CurPVC().writePen);
    }
  }
  EXPECT_EQ(ext, 2);
  EXPECT_EQ(dim, 1);
  EXPECT_EQ(strokes, 4);
  EXPECT_EQ(texts, 1);
  InputControlPress("Btn_Undo", ssLeft, 0);
  EXPECT_TRUE(Since(used).empty()) << "one undo takes the whole dimension";
}

TEST_F(OpSunpoTest, AChainDrawsNoExtensionLineTwice) {
  Reference();
  At(ssRight, 0, 0);
  At(ssRight, 1000, 0);
  At(ssLeft, 500, 780);
  EXPECT_EQ(Prompt(), "寸法線：継続点指示(R)");
  const int used = StoreUsed();
  At(ssRight, 2000, 0);
  const auto cells = Since(used);
  int extensions = 0;
  for (const TGcell& c : cells) {
    if (c.kind != GK_LINE) continue;
    const TLineGeom l = LineOf(c);
    if (l.a.x == l.b.x && std::fabs(l.a.y - l.b.y) > 500) {
      ++extensions;
      EXPECT_DOUBLE_EQ(l.a.x, 2000) << "none again at 1000";
    }
  }
  EXPECT_EQ(extensions, 1);
}

TEST_F(OpSunpoTest, ShiftGivesMetres) {
  Reference();
  At(ssRight, 0, 0);
  At(ssRight, 1000, 0, ssShift);
  At(ssLeft, 500, 780);
  bool found = false;
  for (int i = 1; i <= StoreUsed(); ++i)
    found = found || (GcellLive(i) && GcellRef(i).kind == GK_TEXT && GcellRef(i).text.str() == "1.000");
  EXPECT_TRUE(found);
}

TEST_F(OpSunpoTest, AChainRoundACircleEndsAfterAFullTurn) {
  GcellAddCircle(0, 0x11, 1000, 700, 500, 1, 0);
  GcellCommit();
  ui.Choose(OpBtn_Sunpo);
  At(ssLeft, 1500, 700);
  At(ssRight, 1500, 700);   // 0 degrees
  At(ssRight, 1000, 1200);  // 90
  At(ssLeft, 1700, 900);    // the dimension arc outside
  EXPECT_EQ(g_sunpoOp.run.state, DimState::DimChain);
  At(ssRight, 500, 700);   // 180
  At(ssRight, 1000, 200);  // 270
  EXPECT_EQ(g_sunpoOp.run.state, DimState::DimChain);
  At(ssRight, 1500, 700);  // back at 0: the full turn
  EXPECT_EQ(g_sunpoOp.run.state, DimState::DimRef);
  int arcs = 0;
  for (int i = 1; i <= StoreUsed(); ++i) arcs += GcellLive(i) && GcellRef(i).kind == GK_ARC;
  EXPECT_EQ(arcs, 4);
}

TEST_F(OpSunpoTest, DiameterAndRadius) {
  GcellAddCircle(0, 0x11, 1000, 700, 500, 1, 0);
  GcellCommit();
  ui.Choose(OpBtn_Sunpo);
  ui.SubMenu(1);
  EXPECT_NE(Harness::SubCaption(1).find("円直径φ"), std::string::npos);
  At(ssLeft, 1500, 700);
  EXPECT_EQ(g_sunpoOp.run.state, DimState::CircleDim);
  At(ssLeft, 1500, 700);
  bool diameter = false;
  for (int i = 1; i <= StoreUsed(); ++i)
    diameter = diameter || (GcellLive(i) && GcellRef(i).kind == GK_TEXT && GcellRef(i).text.str() == "φ1000");
  EXPECT_TRUE(diameter);
  ui.SubMenu(1);  // radius
  At(ssLeft, 1500, 700);
  At(ssLeft, 1000, 1200);
  bool radius = false;
  for (int i = 1; i <= StoreUsed(); ++i)
    radius = radius || (GcellLive(i) && GcellRef(i).kind == GK_TEXT && GcellRef(i).text.str() == "R500");
  EXPECT_TRUE(radius);
}

}  // namespace
