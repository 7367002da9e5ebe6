// The length and area measurements: result lines in real units, the sum of
// the numbers in texts with toggling, areas and centroids, the centroid's
// mark as one undo step, Esc dropping the last point.
#include <string>
#include <vector>

#include "OpTest.h"
#include "StoreCells.h"
#include "app/Ap_Unit1.h"
#include "ops/Op_SokuteiA.h"
#include "ops/Op_SokuteiL.h"

namespace {

class SokuteiTest : public CentredOpTest {
protected:
  static std::string Result() { return g_form1.edCommon.text; }
};

TEST_F(SokuteiTest, FormatLengthShowsTheTrueValue) {
  struct Case {
    double mm;
    const char* text;
  };
  for (const Case& c : {Case{2, "2mm"}, {2.5, "2.5mm"}, {5000, "5000mm"}, {1234.56789, "1234.5679mm"},
                        {2'000'000, "2000ｍ"}, {2'500'500, "2500.5ｍ"}})
    EXPECT_EQ(FormatLength(c.mm), c.text) << c.mm;
}

TEST_F(SokuteiTest, LengthOfEachSegmentInRealUnits) {
  ui.Choose(OpBtn_SokuteiL);
  EXPECT_EQ(Prompt(), "測点を指示(L)or(R)");
  EXPECT_TRUE(g_form1.edCommon.visible);
  EXPECT_TRUE(g_form1.edCommon.readOnly);
  L(At({0, 0}));
  L(At({3, 4}));
  EXPECT_EQ(Result(), " θ= 53.130ﾟ / L= 5mm ( X= 3mm / Y= 4mm )");
  // The write group at 1:50, basic scale 100: a drawn 4 measures 2 mm.
  CurPVC().groups[0].scaleX = CurPVC().groups[0].scaleY = 50;
  L(At({3, 8}));
  EXPECT_EQ(Result(), " θ= 90.000ﾟ / L= 2mm ( X= 0mm / Y= 2mm )");
  ui.Choose(OpBtn_Line);
  EXPECT_FALSE(g_form1.edCommon.readOnly);
  EXPECT_FALSE(g_form1.edCommon.visible);
}

TEST_F(SokuteiTest, SumOfTheNumbersInTexts) {
  const char* const texts[] = {"a=12.5", "8", "@300", "@300=2"};
  for (int i = 0; i < 4; ++i) {
    TGcell t = MakeText(texts[i], {-200.0 + 100 * i, 0}, 0);
    t.size = 1;
    t.pen = 1;
    GcellAdd(t);
  }
  GcellCommit();
  ViewRedraw(1);
  ui.Choose(OpBtn_SokuteiL);
  L({-250, -50}, ssShift);
  EXPECT_EQ(Prompt(), "文字選択範囲を指示 (L)");
  L({250, 50});
  EXPECT_EQ(Prompt(), "除外,追加データ指示(L)or(R)");
  EXPECT_EQ(Result(), "数値合計  22.50　　２２．５０");
  // "8" off again.
  L({-98, 4});
  EXPECT_EQ(Result(), "数値合計  14.50　　１４．５０");
  ui.Esc();
  EXPECT_EQ(Prompt(), "測点を指示(L)or(R)");
  for (const TGcell& t : StoreCells(GK_TEXT)) EXPECT_FALSE(t.pen & PEN_SELECTED);
}

TEST_F(SokuteiTest, AreaAndCentroid) {
  ui.Choose(OpBtn_SokuteiA);
  EXPECT_EQ(Prompt(), "輪郭点指示(L)or(R)");
  const TPointD o = At({0, 0});
  for (TPointD p : {TPointD{0, 0}, {100, 0}, {100, 50}, {0, 50}}) L(o + p);
  EXPECT_EQ(Result(), " 5,000.0000 mm2  [ 重心(mm) X=50.00  Y=25.00 ]");
  // Esc drops the last point: a triangle is left.
  ui.Esc();
  EXPECT_EQ(g_sokuteiAOp.run.n, 4);
  EXPECT_EQ(Result(), " 2,500.0000 mm2  [ 重心(mm) X=66.67  Y=16.67 ]");
}

TEST_F(SokuteiTest, SquareMetresTsuboAndTheCentroidsMark) {
  TGContext& v = CurrentView();
  G_SetWindow(v, -500, -500, 3500, 2500);  // 5 units a pixel
  ViewRedraw(1);
  CurPVC().tuboArea = 3.305785;
  for (bool reversed : {false, true}) {
    SCOPED_TRACE(reversed);
    ui.Choose(OpBtn_Line);
    ui.Choose(OpBtn_SokuteiA);
    std::vector<TPointD> outline{{0, 0}, {3000, 0}, {3000, 1000}, {0, 1000}};
    if (reversed) std::swap(outline[1], outline[3]);
    const TPointD o = At({0, 0});
    for (TPointD p : outline) L(o + p);
    EXPECT_EQ(Result(), " 3.0000㎡ 0.91坪(3.31㎡) [重心(m) X=1.5000 Y=0.5000]");
  }
  ui.Enter();
  const std::vector<TGcell> points = StoreCells(GK_POINT);
  ASSERT_EQ(points.size(), 1u);
  // At the centroid of the outline clicked (its corners a pixel's rounding
  // from the round numbers).
  EXPECT_EQ(PointOf(points[0]).x, g_sokuteiAOp.run.centroid.x);
  EXPECT_EQ(PointOf(points[0]).y, g_sokuteiAOp.run.centroid.y);
  EXPECT_NEAR(PointOf(points[0]).x, 1500, 6);
  EXPECT_NEAR(PointOf(points[0]).y, 500, 6);
  EXPECT_EQ(points[0].pen, 0x57);
  ui.Key('Z', ssCtrl);
  EXPECT_TRUE(StoreCells(GK_POINT).empty());
}

}  // namespace
