// The angle dimension: the inner or outer angle by the mouse's side, its
// text, the radius, parallel lines and a click on the vertex.
#include "ops/Op_SunpoKakudo.h"

#include <cmath>
#include <string>
#include <vector>

#include "OpTest.h"
#include "StoreCells.h"
#include "ops/OpDim.h"

namespace {

class AngleDimTest : public CentredOpTest {
protected:
  void SetUp() override {
    CentredOpTest::SetUp();
    CurPVC().dimArrowLength = 0.02;
    CurPVC().dimArrowAngle = 15;
    GcellAddLine(0, 0x11, 0, 0, 100, 0);
    GcellAddLine(0, 0x11, 0, 0, 0, 100);
    GcellCommit();
    ViewRedraw(1);
    ui.Choose(OpBtn_SunpoKakudo);
  }
  static std::string Text() {
    for (const TGcell& c : g_sunpoKakudoOp.run.preview.Cells())
      if (c.kind == GK_TEXT) return c.text;
    return "";
  }
};

TEST_F(AngleDimTest, InnerOrOuterByTheMouse) {
  EXPECT_EQ(Prompt(), "角度寸法：線１指示(L)");
  L({50, 0});
  EXPECT_EQ(Prompt(), "角度寸法：線２指示(L)");
  L({0, 50});
  EXPECT_EQ(Prompt(), "角度寸法：寸法線の位置を指示(LorR)");
  ui.Move(Pixel({30, 30}).x, Pixel({30, 30}).y);
  EXPECT_EQ(Text(), "90ﾟ");
  EXPECT_NEAR(g_sunpoKakudoOp.run.rho, std::hypot(30, 30), 0.2);
  ui.Move(Pixel({-30, -30}).x, Pixel({-30, -30}).y);
  EXPECT_EQ(Text(), "270ﾟ");
  L({30, 30});
  ASSERT_EQ(StoreCells(GK_ARC).size(), 1u);
  EXPECT_NEAR(ArcOf(StoreCells(GK_ARC)[0]).r, 42.43, 0.2);
  EXPECT_EQ(StoreCells(GK_TEXT).at(0).text, "90ﾟ");
  EXPECT_EQ(Prompt(), "角度寸法：線１指示(L)");
}

TEST_F(AngleDimTest, TextsParallelsAndTheVertex) {
  EXPECT_EQ(AngleText(12.5), "12.5ﾟ");
  EXPECT_EQ(AngleText(12.0001), "12ﾟ");
  EXPECT_EQ(AngleText(45), "45ﾟ");
  EXPECT_EQ(AngleText(30.25), "30.25ﾟ");

  // Parallel lines: the second pick is not taken.
  GcellAddLine(0, 0x11, 0, 50, 100, 50);
  GcellCommit();
  ViewRedraw(1);
  L({50, 0});
  L({70, 50});
  EXPECT_EQ(Prompt(), "角度寸法：線２指示(L)");
  // A right click snapping onto the vertex leaves no radius: a beep.
  L({0, 70});
  EXPECT_EQ(Prompt(), "角度寸法：寸法線の位置を指示(LorR)");
  const int beeps = platform().beeps();
  R({0, 0});
  EXPECT_EQ(platform().beeps(), beeps + 1);
  EXPECT_TRUE(StoreCells(GK_ARC).empty());
}

}  // namespace
