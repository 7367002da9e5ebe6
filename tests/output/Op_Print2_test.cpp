// Printing on the headless platform's recording printer (600 dpi, a
// printable page of 190 x 277 mm): the frame of the scaled print, the
// print factors, what is printed and in which order, the text sizes.
#include "output/Op_Print2.h"

#include <cmath>
#include <string>

#include "OpTest.h"
#include "app/ApInput.h"
#include "render/RecordCanvas.h"

namespace {

class OpPrintTest : public OpTest {
protected:
  void SetUp() override {
    OpTest::SetUp();
    G_SetWindow(CurrentView(), -5000, -5000, 60000, 45000);
    ViewRedraw(1);
  }
  // The menu item of a scaled print with the print dialog accepted.
  void Start(const char* item) {
    platform().ScriptPrint(true);
    InputMenu(item);
  }
  RecordCanvas* Printer() { return static_cast<RecordCanvas*>(platform().Printer()); }
  void ClickAt(unsigned button, double x, double y) {
    double px, py;
    G_ToPixel(CurrentView(), x, y, px, py);
    ui.Click(button, px, py);
  }
};

TEST_F(OpPrintTest, FrameOfTheScaledPrint) {
  Start("OpBtn_Print00");
  ASSERT_EQ(CurOpButton(), OpBtn_Print00);
  EXPECT_EQ(g_print.state, 1);
  EXPECT_EQ(Prompt(), "印刷位置(範囲)を指示(L)or(R)");
  const auto& frame = g_print.frame.Cells();
  ASSERT_EQ(frame.size(), 2u) << "the printable area and the paper outline";
  EXPECT_NEAR(frame[0].p[2], 18900, 2);  // 190 mm less one, at k = 100
  EXPECT_NEAR(frame[0].p[3], 27600, 2);
  EXPECT_NEAR(frame[1].p[2], (190 + 2 * 4) * 100, 2) << "paper = printable + 2% margins";
}

TEST_F(OpPrintTest, FactorsOfTheModes) {
  CurPVC().groups[0].scaleX = CurPVC().groups[0].scaleY = 50;  // write group 1:50
  struct Case {
    const char* item;
    double k;
  };
  for (const Case c : {Case{"OpBtn_Print00", 100}, Case{"OpBtn_Print72", 141.42135623730951},
                       Case{"OpBtn_Print50", 200}, Case{"OpBtn_Print11", 2}}) {
    Start(c.item);
    EXPECT_NEAR(g_print.k, c.k, 1e-9) << c.item;
    ui.Choose(OpBtn_Line);
  }
}

TEST_F(OpPrintTest, TwoClicksPrintFillsFirstAndNoAuxiliaryCells) {
  GcellAddLine(0, 0x11, 1000, 1000, 5000, 1000);
  GcellAddLine(0, 0x57, 1000, 2000, 5000, 2000);  // auxiliary
  TGcell fill;
  fill.kind = GK_FILL4K;
  fill.pen = 0x12;
  fill.p[0] = 1000, fill.p[1] = 3000, fill.p[2] = 1000, fill.p[4] = 1000, fill.p[5] = 1000, fill.p[8] = 1000;
  GcellAdd(fill);
  GcellCommit();
  Start("OpBtn_Print00");
  ClickAt(ssLeft, 0, 0);
  EXPECT_EQ(g_print.state, 3);
  EXPECT_EQ(Prompt(), "印刷を実行してよろしいですか？ Yes:(L)  No:(R)");
  const auto sizesBefore = CurPVC().textSizes;
  platform().ScriptAnswer(MsgAnswer::No);  // "続けて印刷しますか？"
  ClickAt(ssLeft, 0, 0);
  const std::string log = Printer()->Text();
  EXPECT_NE(log.find("BeginDoc"), std::string::npos);
  const std::size_t polygon = log.find("Polygon"), line = log.find("LineTo");
  ASSERT_NE(polygon, std::string::npos);
  ASSERT_NE(line, std::string::npos);
  EXPECT_LT(polygon, line) << "the fill under the lines";
  // One solid line printed: the auxiliary one stays off the paper.
  int lines = 0;
  for (std::size_t at = log.find("LineTo"); at != std::string::npos; at = log.find("LineTo", at + 1)) ++lines;
  EXPECT_EQ(lines, 1);
  for (int n = 1; n <= 10; ++n) {
    EXPECT_EQ(CurPVC().textSizes[n].height, sizesBefore[n].height) << n;
    EXPECT_EQ(CurPVC().textSizes[n].width, sizesBefore[n].width) << n;
    EXPECT_EQ(CurPVC().textSizes[n].spacing, sizesBefore[n].spacing) << n;
  }
  EXPECT_EQ(CurOpButton(), OpBtn_Dummy) << "no more prints: the operation ended";
}

TEST_F(OpPrintTest, AuxiliaryCellsWithTheMenuItem) {
  GcellAddLine(0, 0x57, 1000, 2000, 5000, 2000);
  GcellCommit();
  InputMenu("PrintAL");
  EXPECT_TRUE(g_print.printAux);
  Start("OpBtn_Print00");
  ClickAt(ssLeft, 0, 0);
  platform().ScriptAnswer(MsgAnswer::No);
  ClickAt(ssLeft, 0, 0);
  EXPECT_NE(Printer()->Text().find("LineTo"), std::string::npos);
}

TEST_F(OpPrintTest, DrawingTheFrameAsLines) {
  Start("OpBtn_Print00");
  ui.SubMenu(1);
  EXPECT_EQ(Prompt(), "作図位置を指示(L)or(R)");
  ClickAt(ssLeft, 0, 0);
  EXPECT_EQ(Live(GK_LINE).size(), 8u) << "the printable area and the paper";
  ui.Esc();
  EXPECT_EQ(g_print.state, 1);
}

TEST_F(OpPrintTest, ACancelledDialogEndsTheOperation) {
  platform().ScriptPrint(false);
  InputMenu("OpBtn_Print50");
  EXPECT_EQ(CurOpButton(), OpBtn_Dummy);
  EXPECT_FALSE(g_print.frame.Visible());
}

TEST_F(OpPrintTest, DisplayedAreaFitsThePage) {
  GcellAddLine(0, 0x11, 1000, 1000, 5000, 1000);
  GcellCommit();
  platform().ScriptAnswer(MsgAnswer::Ok);
  platform().ScriptPrint(true);
  InputMenu("OpBtn_Print1");
  ASSERT_NE(Printer(), nullptr);
  EXPECT_NE(Printer()->Text().find("LineTo"), std::string::npos);
}

}  // namespace
