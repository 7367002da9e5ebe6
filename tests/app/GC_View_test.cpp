// The main view's back buffer: the drawing area's size, the background
// colour, and the view bound to it; the first paint showing the whole
// drawing, full redraws in their modes, the repaint of one undo step and the
// counts on the status line.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "Harness.h"
#include "VelmoTest.h"
#include "app/ApManager.h"
#include "app/Ap_Unit1.h"
#include "app/GC_View.h"
#include "kernel/Wiring.h"
#include "model/GC_DB.h"
#include "model/PVC.h"
#include "render/ApPenSet.h"
#include "render/Z_Graph.h"

#include <cmath>
#include <vector>

namespace {

class ViewBufferTest : public VelmoTest {};

TEST_F(ViewBufferTest, ResizeBindsTheViewToABlackBufferOfTheAreasSize) {
  EXPECT_EQ(CurrentView().canvas, nullptr);  // nothing to draw on before the area has a size
  PaintBox1Resize(320, 200);
  RasterCanvas& b = ViewBuffer();
  ASSERT_EQ(b.Width(), 320);
  ASSERT_EQ(b.Height(), 200);
  EXPECT_EQ(CurrentView().canvas, &b);
  EXPECT_EQ(CurrentView().targetKind, TTargetKind::PaintBox);
  EXPECT_EQ(CurrentView().devRight, 319);
  EXPECT_EQ(CurrentView().devBottom, 199);
  for (std::uint32_t p : b.Image().pixels) ASSERT_EQ(p, 0xFF000000u);
  EXPECT_EQ(ViewTakeDirty(), (TPixelRect{0, 0, 320, 200}));  // all of it is new

  // Drawing on the view lands in the buffer and marks only what it touched.
  G_PenColor(CurrentView(), 0xFFFFFF);
  G_Line(CurrentView(), 10, 20, 50, 20);  // the device window: y down
  EXPECT_EQ(b.PixelColor(30, 20), 0xFFFFFFu);
  EXPECT_EQ(ViewTakeDirty(), (TPixelRect{10, 20, 50, 21}));
  EXPECT_TRUE(ViewTakeDirty().Empty());

  // A new size starts afresh.
  PaintBox1Resize(100, 80);
  EXPECT_EQ(b.Width(), 100);
  EXPECT_EQ(CurrentView().devRight, 99);
  EXPECT_EQ(b.PixelColor(30, 20), 0u);
}

TEST_F(ViewBufferTest, BufferStartsInTheBackgroundColour) {
  SetWhiteBackground(true);
  PaintBox1Resize(50, 40);
  for (std::uint32_t p : ViewBuffer().Image().pixels) ASSERT_EQ(p, 0xFFFFFFFFu);
}

// A fixture holding a harness: its members are built before the reset, yet
// the drawing area has the harness's size when the test runs.
class HarnessMemberTest : public VelmoTest {
protected:
  Harness ui{320, 240};
};

TEST_F(HarnessMemberTest, DrawingAreaIsBoundAfterTheReset) {
  ASSERT_NE(CurrentView().canvas, nullptr);
  EXPECT_EQ(ViewBuffer().Width(), 320);
  EXPECT_EQ(ViewBuffer().Height(), 240);
  GcellAddLine(0, 0x11, 0, 0, 1000, 1000);
  PaintBox1Paint();
  EXPECT_NEAR(CurrentView().wy2, 1020, 1e-6);  // fitted: 2% of 1000 above
  // A reset within the test: the next pointer event binds the area again.
  VelmoReset();
  ui.Move(10, 10);
  EXPECT_EQ(ViewBuffer().Width(), 320);
  EXPECT_NE(CurrentView().canvas, nullptr);
}

std::vector<int> g_codes;
void Recorder(TGContext&, int code, double, double) { g_codes.push_back(code); }

class ViewRedrawTest : public VelmoTest {
protected:
  void SetUp() override {
    VelmoTest::SetUp();
    g_codes.clear();
    SetOpHandler(OpBtn_Line, Recorder);
    g_manager.curOp = OpBtn_Line;
  }
  void TearDown() override {
    SetOpHandler(OpBtn_Line, nullptr);
    VelmoTest::TearDown();
  }
  TColor At(double x, double y) {
    int px, py;
    G_ToPixelInt(CurrentView(), x, y, px, py);
    return ViewBuffer().PixelColor(px, py);
  }
};

TEST_F(ViewRedrawTest, FirstPaintShowsTheWholeDrawingAndItsCounts) {
  GcellAddLine(0, 0x11, 1000, 2000, 5000, 2000);
  GcellAddLine(0, 0x12, 1000, 1000, 1000, 4000);
  GcellAddText(0, 1, 0x01, "AB", 0, 0, 3000, 3000);
  int calls = 0;
  static int* counter = &calls;
  g_wiring.countsShown = [] { ++*counter; };
  PaintBox1Resize(400, 300);
  EXPECT_TRUE(g_codes.empty());  // nothing is drawn before the first paint
  PaintBox1Paint();
  const TGContext& v = CurrentView();
  // Extents 1000..5000 x 1000..4000, 2% of 4000 more on each side.
  EXPECT_LE(v.wx1, 920);
  EXPECT_GE(v.wx2, 5080);
  EXPECT_LE(v.wy1, 920);
  EXPECT_GE(v.wy2, 4080);
  EXPECT_LT(v.wx2 - v.wx1, 5000);  // and not much more
  const TColor pen1 = ScreenPenColor(v, 0x11);
  EXPECT_EQ(At(3000, 2000), pen1);
  EXPECT_EQ(At(3000, 2500), BackgroundColor());
  EXPECT_EQ(g_form1.lbDataCount.caption, "線=   2,字=   1");
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(g_codes, std::vector<int>{EV_REDRAW});
  // A second paint only shows the buffer.
  PaintBox1Paint();
  EXPECT_EQ(g_codes.size(), 1u);
  // A resize keeps what is shown (widened to the new shape, about the same
  // centre); the scale follows the size. Each one redraws.
  struct Size {
    int w, h;
    double scale;  // the new scale over the old
  };
  for (const Size& z : {Size{799, 599, 2}, Size{1598, 599, 1}, Size{400, 599, 399.0 / 1597}}) {
    const TGContext old = v;
    PaintBox1Resize(z.w, z.h);
    EXPECT_NEAR((v.wx1 + v.wx2) / 2, (old.wx1 + old.wx2) / 2, 1e-6) << z.w;
    EXPECT_NEAR((v.wy1 + v.wy2) / 2, (old.wy1 + old.wy2) / 2, 1e-6) << z.w;
    EXPECT_LE(v.wx1, old.wx1 + 1e-6) << z.w;
    EXPECT_GE(v.wx2, old.wx2 - 1e-6) << z.w;
    EXPECT_LE(v.wy1, old.wy1 + 1e-6) << z.w;
    EXPECT_GE(v.wy2, old.wy2 - 1e-6) << z.w;
    EXPECT_NEAR(v.sx / old.sx, z.scale, 1e-9) << z.w;
  }
  EXPECT_EQ(At(3000, 2000), pen1);
  EXPECT_EQ(g_codes.size(), 4u);
}

TEST_F(ViewRedrawTest, EmptyDrawingFitsTheAreaInPaperMillimetres) {
  // An empty drawing: the area's pixels as paper millimetres at the basic
  // scale, 2% more on every side; the window widens along x to keep the
  // scale the same on both axes.
  ASSERT_EQ(CurPVC().basicScale, 100);
  PaintBox1Resize(800, 600);
  PaintBox1Paint();
  const TGContext& v = CurrentView();
  EXPECT_NEAR(v.wy1, -1600, 1e-6);
  EXPECT_NEAR(v.wy2, 61600, 1e-6);
  EXPECT_NEAR((v.wx1 + v.wx2) / 2, 40000, 1e-6);
  EXPECT_LE(v.wx1, -1600);
  EXPECT_GE(v.wx2, 81600);
  EXPECT_NEAR(v.sx, std::fabs(v.sy), 1e-12);
  EXPECT_EQ(g_form1.lbDataCount.caption, "線=   0,字=   0");
  // The first paint's view is the previous view too.
  EXPECT_EQ(CurPVC().prevView.wx1, v.wx1);
  EXPECT_EQ(CurPVC().prevView.wy2, v.wy2);
}

TEST_F(ViewRedrawTest, FitAllShowsTheRememberedRangeAsItIs) {
  GcellAddLine(0, 0x11, 0, 0, 1000, 1000);
  PaintBox1Resize(400, 400);
  CurPVC().rangeRemembered = true;
  CurPVC().rememberedRange = {5000, 5000, 6000, 6000};
  ViewFitAll();
  EXPECT_NEAR(CurrentView().wx1, 5000, 1e-6);
  EXPECT_NEAR(CurrentView().wy2, 6000, 1e-6);
  CurPVC().rangeRemembered = false;
  ViewFitAll();
  EXPECT_NEAR(CurrentView().wx1, -20, 1e-6);  // 2% of 1000
  EXPECT_NEAR(CurrentView().wy2, 1020, 1e-6);
}

// A drawing wider than a view may be (2e8 units): fit all keeps the view it
// had, never the area's own pixel mapping (one unit per pixel, upside down).
TEST_F(ViewRedrawTest, FitAllBeyondTheViewsLimitsKeepsTheView) {
  struct Case {
    double x1, y1, x2, y2;
  };
  for (const Case& c : {Case{0, 0, 3e8, 0}, Case{-1e300, 0, 1e300, 0}, Case{0, -1e9, 1, 1e9}}) {
    SCOPED_TRACE(c.x2);
    VelmoReset();
    PaintBox1Resize(400, 300);
    PaintBox1Paint();
    G_SetWindow(CurrentView(), 100, 100, 500, 400);
    const TGContext before = CurrentView();
    GcellAddLine(0, 0x11, c.x1, c.y1, c.x2, c.y2);
    ViewFitAll();
    EXPECT_EQ(CurrentView().wx1, before.wx1);
    EXPECT_EQ(CurrentView().wy1, before.wy1);
    EXPECT_EQ(CurrentView().wx2, before.wx2);
    EXPECT_EQ(CurrentView().wy2, before.wy2);
  }
  // The remembered range too.
  CurPVC().rangeRemembered = true;
  CurPVC().rememberedRange = {0, 0, 5e8, 5e8};
  const TGContext before = CurrentView();
  ViewFitAll();
  EXPECT_EQ(CurrentView().wy2, before.wy2);
  EXPECT_EQ(CurrentView().sy, before.sy);
}

// The window squeezed until the drawing area is one pixel wide or high, then
// grown again: the view shows what it showed before, not the area's own
// pixel mapping.
TEST_F(ViewRedrawTest, AreaSqueezedToALineAndGrownAgainKeepsTheView) {
  GcellAddLine(0, 0x11, 0, 0, 1000, 1000);
  PaintBox1Resize(400, 400);
  PaintBox1Paint();
  const TGContext before = CurrentView();
  for (const auto& [w, h] : {std::pair{1, 400}, std::pair{400, 1}, std::pair{1, 1}}) {
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    PaintBox1Resize(w, h);
    PaintBox1Resize(400, 400);
    EXPECT_NEAR(CurrentView().wx1, before.wx1, 1e-9);
    EXPECT_NEAR(CurrentView().wy1, before.wy1, 1e-9);
    EXPECT_NEAR(CurrentView().wx2, before.wx2, 1e-9);
    EXPECT_NEAR(CurrentView().wy2, before.wy2, 1e-9);
  }
  // Far out, a thin area widens the window beyond what a view may show:
  // grown again, the area shows its middle as far as its narrow side went.
  G_SetWindow(CurrentView(), 0, 0, 1.5e8, 1.5e8);
  PaintBox1Resize(400, 20);
  PaintBox1Resize(400, 400);
  EXPECT_NEAR(CurrentView().wx1, 0, 1);
  EXPECT_NEAR(CurrentView().wx2, 1.5e8, 1);
  EXPECT_NEAR(CurrentView().wy1, 0, 1);
  EXPECT_NEAR(CurrentView().wy2, 1.5e8, 1);
}

TEST_F(ViewRedrawTest, ModesZeroAndNineDoNotAskForFeedbackAndQuickEqualsFull) {
  GcellAddLine(0, 0x11, 0, 0, 100, 100);
  TGcell c;
  c.window = 1;
  c.kind = GK_CIRCLE;
  c.pen = 0x13;
  c.p[0] = 50, c.p[1] = 50, c.p[4] = 30, c.p[5] = 1;
  GcellAdd(c);
  CurPVC().gridShown = true;
  PaintBox1Resize(300, 200);
  PaintBox1Paint();
  const std::vector<std::uint32_t> full = ViewBuffer().Image().pixels;
  g_codes.clear();
  ViewBuffer().Clear(0x123456);
  ViewRedraw(9);
  EXPECT_EQ(ViewBuffer().Image().pixels, full);
  ViewRedraw(0);
  EXPECT_TRUE(g_codes.empty());
  ViewRedraw(2);
  EXPECT_EQ(g_codes, std::vector<int>{EV_REDRAW});
  EXPECT_EQ(ViewBuffer().Image().pixels, full);
}

TEST_F(ViewRedrawTest, RepaintStepErasesDeletedAndDrawsAddedCells) {
  const int old = GcellAddLine(0, 0x11, 100, 100, 900, 100);
  GcellAddLine(0, 0x11, 100, 500, 900, 500);
  PaintBox1Resize(400, 300);
  PaintBox1Paint();
  ASSERT_EQ(At(500, 100), ScreenPenColor(CurrentView(), 0x11));
  GcellCommit();
  GcellDelete(old);
  GcellAddLine(0, 0x12, 100, 310, 900, 310);
  GcellAddText(0, 1, 0x01, "X", 0, 0, 500, 700);
  g_codes.clear();
  ViewRepaintStep();
  EXPECT_EQ(At(500, 100), BackgroundColor());
  EXPECT_EQ(At(500, 310), ScreenPenColor(CurrentView(), 0x12));
  EXPECT_EQ(At(500, 500), ScreenPenColor(CurrentView(), 0x11));  // untouched
  EXPECT_EQ(g_form1.lbDataCount.caption, "線=   2,字=   1");
  EXPECT_EQ(CurPVC().groups[0].layers[0].count, 3);
  EXPECT_TRUE(g_codes.empty());
}

}  // namespace
