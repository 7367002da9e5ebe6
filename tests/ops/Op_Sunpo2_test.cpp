// The oblique dimension: its lead-out, extension lines, arrows inside or
// outside, the measured value on the group's scales, the layer of every
// piece, and the operation driven by clicks.
#include "ops/Op_Sunpo2.h"

#include <cmath>
#include <vector>

#include "OpTest.h"
#include "StoreCells.h"

namespace {

class ObliqueTest : public CentredOpTest {
protected:
  void SetUp() override {
    CentredOpTest::SetUp();
    TPVC& p = CurPVC();
    p.dimArrowLength = 0.2;
    p.dimArrowAngle = 15;
    p.dimExtOvershoot = 1;
    p.dimTextGap = 0.5;
    p.dimDecimals = 0;
    p.dimTextSize = 1;
  }
  static std::vector<TGcell> Of(const std::vector<TGcell>& cells, int kind) {
    std::vector<TGcell> out;
    for (const TGcell& c : cells)
      if (c.kind == kind) out.push_back(c);
    return out;
  }
};

TEST_F(ObliqueTest, LeadOutsExtensionsAndArrows) {
  // Straight up: the dimension line at y = 52, extension lines to 52 + 1 × 100.
  std::vector<TGcell> cells = BuildOblique({0, 0}, {100, 0}, {100, 52}, 0);
  std::vector<TGcell> lines = Of(cells, GK_LINE);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_NEAR(LineOf(lines[0]).b.y, 152, 1e-9);
  EXPECT_NEAR(LineOf(lines[1]).b.y, 152, 1e-9);
  EXPECT_NEAR(LineOf(lines[2]).a.x, 0, 1e-9);
  EXPECT_NEAR(LineOf(lines[2]).a.y, 52, 1e-9);
  EXPECT_NEAR(LineOf(lines[2]).b.x, 100, 1e-9);
  EXPECT_EQ(lines.size(), 7u);  // and two strokes at each end
  ASSERT_EQ(Of(cells, GK_TEXT).size(), 1u);
  EXPECT_EQ(Of(cells, GK_TEXT)[0].text, "100");

  // 30.96 degrees turns to 30: D1 (50.50, 29.15), D2 (150.50, 29.15).
  lines = Of(BuildOblique({0, 0}, {100, 0}, {150, 30}, 0), GK_LINE);
  EXPECT_NEAR(LineOf(lines[2]).a.x, 50.50, 0.005);
  EXPECT_NEAR(LineOf(lines[2]).a.y, 29.15, 0.005);
  EXPECT_NEAR(LineOf(lines[2]).b.x, 150.50, 0.005);

  // Points three arrow lengths apart or closer: the arrows go outside, the
  // line runs 1.5 arrow lengths beyond each.
  CurPVC().dimArrowLength = 1.5;
  cells = BuildOblique({0, 0}, {300, 0}, {300, 52}, 0x35);
  lines = Of(cells, GK_LINE);
  EXPECT_NEAR(LineOf(lines[2]).a.x, -225, 1e-9);
  EXPECT_NEAR(LineOf(lines[2]).b.x, 525, 1e-9);
  for (const TGcell& c : cells) EXPECT_EQ(c.layer, 0x35);  // the outside line too
}

TEST_F(ObliqueTest, ValueOnTheGroupsScales) {
  CurPVC().groups[3].scaleX = 100;
  CurPVC().groups[3].scaleY = 200;  // FactorY 2
  const std::vector<TGcell> texts = Of(BuildOblique({0, 0}, {30, 20}, {30, 60}, 0x30), GK_TEXT);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text, "50");
}

TEST_F(ObliqueTest, ClicksMakeADimensionOnTheMeasuredGroup) {
  GcellAddLine(0x34, 0x11, 0, 0, 300, 0);
  GcellCommit();
  ViewRedraw(1);
  CurPVC().writeLayer = 0x02;
  ui.Choose(OpBtn_Sunpo2);
  EXPECT_EQ(Prompt(), "斜め寸法線：点1指示(R)");
  R({0, 0});
  EXPECT_EQ(Prompt(), "斜め寸法線：点2指示(R)");
  R({300, 0});
  EXPECT_EQ(Prompt(), "斜め寸法線：引出し位置指示(L)");
  L({300, 100});
  const std::vector<TGcell> cells = StoreCells();
  ASSERT_GT(cells.size(), 4u);
  for (std::size_t i = 1; i < cells.size(); ++i) EXPECT_EQ(cells[i].layer, 0x32) << i;  // group 3, write layer 2
  EXPECT_EQ(Prompt(), "斜め寸法線：点1指示(R)");
  ui.Key('Z', ssCtrl);
  EXPECT_EQ(StoreCells().size(), 1u);
}

}  // namespace
