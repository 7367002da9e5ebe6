// The drawing frame and the window size: the sheet's outline and frame for
// each paper and orientation at the typed scale, a scale that is no number
// refused; the drawing area's size and the view's width as typed.
#include "dialogs/DrawFrame.h"

#include <algorithm>
#include <string>
#include <vector>

#include "OpTest.h"
#include "StoreCells.h"
#include "app/ApMainMenu.h"
#include "app/GC_View.h"
#include "dialogs/WindowSize.h"

namespace {

class DrawFrameTest : public OpTest {
protected:
  // The corners of the eight lines' two rectangles: outline and frame.
  static std::pair<TPointD, TPointD> Box(const std::vector<TGcell>& lines, std::size_t first) {
    TPointD lo{1e18, 1e18}, hi{-1e18, -1e18};
    for (std::size_t i = first; i < first + 4; ++i) {
      const TLineGeom l = LineOf(lines[i]);
      for (TPointD p : {l.a, l.b}) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y)};
      }
    }
    return {lo, hi};
  }
};

TEST_F(DrawFrameTest, OutlineAndFrameForEachSheet) {
  struct Case {
    const char *scale, *paper, *orientation;
    double m, outerX, outerY, frameX, frameY, basic;
  };
  for (const Case& c : {Case{"1/100", "3", "1", 500, 41502.14, 29200.00, 41002.14, 28700.00, 100},
                        Case{"1/1", "4", "0", 5, 205.01, 292.00, 200.01, 287.00, 1},
                        Case{" ５/１", "0", "1", 2, 235.6, 166.0086, 233.6, 164.0086, 0.2}}) {
    SCOPED_TRACE(c.scale);
    GcellClearWindow(StoreWindow());
    TDrawFrameForm f;
    f.edScale = c.scale;
    f.rgPaperSize = c.paper;
    f.rgOrientation = c.orientation;
    ASSERT_TRUE(DrawFrameOk(f));
    const std::vector<TGcell> lines = StoreCells(GK_LINE);
    ASSERT_EQ(lines.size(), 8u);
    for (const TGcell& l : lines) {
      EXPECT_EQ(l.layer, 0);
      EXPECT_EQ(l.pen, 0x57);
    }
    const auto outer = Box(lines, 0), frame = Box(lines, 4);
    EXPECT_NEAR(outer.first.x, -c.m, 1e-9);
    EXPECT_NEAR(outer.second.x, c.outerX, 0.01);
    EXPECT_NEAR(outer.second.y, c.outerY, 0.01);
    EXPECT_NEAR(frame.first.x, 0, 1e-9);
    EXPECT_NEAR(frame.second.x, c.frameX, 0.01);
    EXPECT_NEAR(frame.second.y, c.frameY, 0.01);
    EXPECT_DOUBLE_EQ(CurPVC().basicScale, c.basic);
    for (const TGroupEntry& g : CurPVC().groups) EXPECT_DOUBLE_EQ(g.scaleY, c.basic);
  }
  // No number: a beep and nothing changed.
  GcellClearWindow(StoreWindow());
  for (const char* bad : {"0", "", "abc"}) {
    TDrawFrameForm f;
    f.edScale = bad;
    const int beeps = platform().beeps();
    EXPECT_FALSE(DrawFrameOk(f)) << bad;
    EXPECT_EQ(platform().beeps(), beeps + 1);
  }
  EXPECT_TRUE(StoreCells(GK_LINE).empty());
  EXPECT_DOUBLE_EQ(CurPVC().basicScale, 0.2);
  EXPECT_EQ(NormalizeScaleField("１／５０"), " " + ScaleText(50));
}

TEST_F(DrawFrameTest, TheDialogKeepsAScaleItRefusesOpen) {
  // "0" is refused and the dialog stays; "1/50" then makes the frame.
  platform().ScriptDialog("edScale", "0", false);
  platform().ScriptDialog("BitBtn1", "", true);
  platform().ScriptDialog("edScale", "1/50", false);
  platform().ScriptDialog("BitBtn1", "", true);
  MenuItemCommand("DrawFrame");
  EXPECT_EQ(platform().unusedAnswers(), 0u);
  EXPECT_EQ(StoreCells(GK_LINE).size(), 8u);
  EXPECT_DOUBLE_EQ(CurPVC().basicScale, 50);
  // Cancelled (the actions run out): nothing.
  GcellClearWindow(StoreWindow());
  platform().ScriptDialog("edScale", "1/10", false);
  MenuItemCommand("DrawFrame");
  EXPECT_TRUE(StoreCells(GK_LINE).empty());
}

TEST_F(DrawFrameTest, WindowSizeAndViewWidth) {
  TSizeForm f;
  f.edWidth = "10";
  f.edHeight = "99999";
  f.edWidSize = "0";
  const TWindowSize s = WindowSizeOf(f, 1000, 800);
  EXPECT_EQ(s.width, 20);
  EXPECT_EQ(s.height, 3200);
  EXPECT_EQ(s.viewWidth, 10);
  // Through the menu: a preset, a view width; the centre stays.
  const TGContext& v = CurrentView();
  const double cx = (v.wx1 + v.wx2) / 2, cy = (v.wy1 + v.wy2) / 2;
  platform().ScriptDialog("btn640x480", "", true);
  platform().ScriptDialog("edWidSize", "5000", false);
  platform().ScriptDialog("BitBtn1", "", true);
  MenuItemCommand("FixSize");
  EXPECT_EQ(g_form1.drawWidth, 640);
  EXPECT_EQ(g_form1.drawHeight, 480);
  EXPECT_NEAR(v.wx2 - v.wx1, 5000, 1e-6);
  EXPECT_NEAR((v.wx1 + v.wx2) / 2, cx, 1e-6);
  EXPECT_NEAR((v.wy1 + v.wy2) / 2, cy, 1e-6);
  // A very wide area still shows exactly D across.
  PaintBox1Resize(4000, 20);
  ViewSetWidth(1000);
  EXPECT_NEAR(v.wx2 - v.wx1, 1000, 1e-6);
}

}  // namespace
