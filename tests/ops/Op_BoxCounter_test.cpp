// The box counter: rectangles of two real sizes formed by write-pen lines in
// a range, counted and marked with fills in one undo step; its dialog driven
// as the window's would be.
#include <string>
#include <vector>

#include "OpTest.h"
#include "StoreCells.h"
#include "app/ApInit.h"
#include "ops/Op_BoxCounter.h"

namespace {

class BoxCounterTest : public CentredOpTest {
protected:
  void SetUp() override {
    CentredOpTest::SetUp();
    CurPVC().writePen = 0x12;
  }
  // A rectangle of four lines, lower-left corner (x, y).
  static void Box(double x, double y, double w, double h, std::uint16_t pen = 0x12) {
    AddLine(x, y, x + w, y, pen);
    AddLine(x + w, y, x + w, y + h, pen);
    AddLine(x + w, y + h, x, y + h, pen);
    AddLine(x, y + h, x, y, pen);
  }
  static void Sizes(const char* w1, const char* h1, const char* w2 = "0", const char* h2 = "0") {
    g_boxCounterOp.form = {w1, h1, w2, h2, "", ""};
  }
  static std::pair<std::string, std::string> Count(bool colour = false, TPointD a = {-5000, -5000},
                                                   TPointD b = {5000, 5000}) {
    GcellCommit();
    CountBoxes(a, b, colour);
    return {g_boxCounterOp.form.lbCnt1, g_boxCounterOp.form.lbCnt2};
  }
};

TEST_F(BoxCounterTest, CountsRectanglesOfBothSizes) {
  struct Case {
    const char* what;
    void (*draw)();
    const char *cnt1, *cnt2;
  };
  const Case cases[] = {
      {"one box", [] { Box(0, 0, 1000, 500); }, "    1 個", "    0 個"},
      {"split by a full-height line: two 500 x 500 boxes",
       [] {
         Box(0, 0, 1000, 500);
         AddLine(500, 0, 500, 500, 0x12);
       },
       "    0 個", "    2 個"},
      {"a line only part of the height inside does not split",
       [] {
         Box(0, 0, 1000, 500);
         AddLine(500, 0, 500, 300, 0x12);
       },
       "    1 個", "    0 個"},
      {"another pen", [] { Box(0, 0, 1000, 500, 0x13); }, "    0 個", "    0 個"},
      {"sides in pieces are joined",
       [] {
         AddLine(0, 0, 400, 0, 0x12);
         AddLine(400, 0, 1000, 0, 0x12);
         AddLine(1000, 0, 1000, 500, 0x12);
         AddLine(1000, 500, 0, 500, 0x12);
         AddLine(0, 500, 0, 200, 0x12);
         AddLine(0, 200, 0, 0, 0x12);
       },
       "    1 個", "    0 個"},
      {"an open corner",
       [] {
         AddLine(0, 0, 1000, 0, 0x12);
         AddLine(1000, 0, 1000, 500, 0x12);
         AddLine(1000, 500, 0, 500, 0x12);
         AddLine(0, 500, 0, 100, 0x12);
       },
       "    0 個", "    0 個"},
      {"a grid of 3 x 2 boxes sharing their sides",
       [] {
         for (int i = 0; i <= 3; ++i) AddLine(i * 1000, 0, i * 1000, 1000, 0x12);
         for (int j = 0; j <= 2; ++j) AddLine(0, j * 500, 3000, j * 500, 0x12);
       },
       "    6 個", "    0 個"},
      {"standing the other way", [] { Box(0, 0, 500, 1000); }, "    0 個", "    0 個"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    GcellClearWindow(StoreWindow());
    c.draw();
    Sizes("1000", "500", "500", "500");
    const auto counted = Count();
    EXPECT_EQ(counted.first, c.cnt1);
    EXPECT_EQ(counted.second, c.cnt2);
    EXPECT_TRUE(StoreCells(GK_FILL4K).empty());
  }
}

TEST_F(BoxCounterTest, TheRangeSizesAndScaleDecide) {
  Box(0, 0, 1000, 500);
  Box(3000, 0, 1000, 500);
  Sizes("1000", "500");
  // Only the lines inside the range count.
  EXPECT_EQ(Count(false, {-100, -100}, {1500, 1500}).first, "    1 個");
  EXPECT_EQ(Count(false, {4100, -100}, {-100, 1500}).first, "    2 個");
  // Sizes of 0, negative or not numbers count nothing.
  for (const char* bad : {"0", "-1000", "abc", ""}) {
    Sizes(bad, "500");
    EXPECT_EQ(Count().first, "    0 個") << bad;
  }
  // The sizes are real millimetres of the write group: at 1:50 on a basic
  // scale of 1:100 a 1000 x 500 box is drawn 2000 x 1000.
  CurPVC().groups[0].scaleX = CurPVC().groups[0].scaleY = 50;
  Sizes("500", "250");
  EXPECT_EQ(Count().first, "    2 個");
  Sizes("1000", "500");
  EXPECT_EQ(Count().first, "    0 個");
}

TEST_F(BoxCounterTest, MarksReplaceTheLastCountsAndAreOneUndoStep) {
  Box(0, 0, 1000, 500);
  Box(2000, 0, 500, 500);
  Sizes("1000", "500", "500", "500");
  Count(true);
  std::vector<TGcell> fills = StoreCells(GK_FILL4K);
  ASSERT_EQ(fills.size(), 2u);
  EXPECT_EQ(fills[0].text, "$A0A060,BOX");
  EXPECT_EQ(fills[1].text, "$60A0A0,BOX");
  EXPECT_EQ(fills[0].pen & 0xFF, 0x12);
  const TLineGeom base = LineOf(fills[0]);
  EXPECT_DOUBLE_EQ(base.a.x, 0);
  EXPECT_DOUBLE_EQ(base.a.y, 0);
  // Counting again, with or without colour, first removes the old marks.
  Count(true);
  EXPECT_EQ(StoreCells(GK_FILL4K).size(), 2u);
  Count(false);
  EXPECT_TRUE(StoreCells(GK_FILL4K).empty());
  // Undo gives back the marks the last count removed and takes them away
  // again; the drawn boxes stay.
  GcellUndo();
  EXPECT_EQ(StoreCells(GK_FILL4K).size(), 2u);
  EXPECT_EQ(StoreCells(GK_LINE).size(), 8u);
  GcellUndo();
  EXPECT_TRUE(StoreCells(GK_FILL4K).empty());
  // After a colouring, undo removes just its marks.
  Count(true);
  GcellUndo();
  EXPECT_TRUE(StoreCells(GK_FILL4K).empty());
  EXPECT_EQ(StoreCells(GK_LINE).size(), 8u);
}

TEST_F(BoxCounterTest, TheRangeOpensTheDialogWhoseButtonsCount) {
  AppOptions().Edit1BW = "1000";
  AppOptions().Edit1BH = "500";
  AppOptions().Edit2BW = "";
  AppOptions().Edit2BH = "";
  // At 1:500 on a basic scale of 1:100 the 1000 x 500 box is drawn 200 x 100.
  CurPVC().groups[0].scaleX = CurPVC().groups[0].scaleY = 500;
  Box(-150, -100, 200, 100);
  ViewRedraw(1);
  ui.Choose(OpBtn_BoxCounter);
  EXPECT_EQ(Prompt(), "矩形集計範囲の「始点指示(L)");
  L({-200, -200});
  EXPECT_EQ(Prompt(), "矩形集計範囲の終点指示」(L)or(R)");
  platform().ScriptDialog("BitBtn1", "", true);
  platform().ScriptDialog("Edit2w", "500", false);
  platform().ScriptDialog("Edit2h", "500", false);
  platform().ScriptDialog("BitBtn2", "", true);
  R({200, 200});
  EXPECT_EQ(platform().unusedAnswers(), 0u);
  EXPECT_EQ(g_boxCounterOp.form.lbCnt1, "    1 個");
  EXPECT_EQ(g_boxCounterOp.form.lbCnt2, "    0 個");
  EXPECT_EQ(StoreCells(GK_FILL4K).size(), 1u) << "the second press colours";
  EXPECT_EQ(AppOptions().Edit2BW, "500") << "the sizes are kept for the next time";
  EXPECT_EQ(Prompt(), "矩形集計範囲の「始点指示(L)");
  // The labels are emptied when the dialog opens again; Esc takes back the
  // first corner.
  L({-200, -200});
  ui.Esc();
  EXPECT_EQ(Prompt(), "矩形集計範囲の「始点指示(L)");
  L({-200, -200});
  platform().ScriptDialog("Edit1w", "1000", false);
  R({200, 200});
  EXPECT_EQ(g_boxCounterOp.form.lbCnt1, "");
}

}  // namespace
