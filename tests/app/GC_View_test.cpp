// The main view's back buffer: the drawing area's size, black, and the view
// bound to it with one unit per pixel.
#include <gtest/gtest.h>

#include "VelmoTest.h"
#include "app/ApManager.h"
#include "app/Ap_Unit1.h"
#include "app/GC_View.h"
#include "render/Z_Graph.h"

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

}  // namespace
