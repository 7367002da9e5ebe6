// The sample drawing rendered through the Qt raster helper into a raster
// canvas the size of a large drawing area: written to draw_sample.png beside
// the test program for a look, and checked at pixels whose colour the
// drawing fixes (fills, the picture's colour bands, pens, text ink).
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <cstdlib>
#include <string>

#include "VelmoTest.h"
#include "app/ApManager.h"
#include "app/GC_View.h"
#include "platform/qt/TForm1.h"
#include "model/GC_DB.h"
#include "model/PVC.h"
#include "output/SampleDrawing.h"
#include "platform/qt/QtPaint.h"
#include "render/ApPenSet.h"
#include "render/GC_Draw.h"
#include "render/RasterCanvas.h"
#include "render/Z_Graph.h"

namespace {

constexpr int kW = 1200, kH = 850;

class DrawSampleTest : public VelmoTest {
protected:
  void SetUp() override {
    VelmoTest::SetUp();
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(BuildSampleDrawing(dir.filePath(QStringLiteral("sample.jpg")).toStdString()));
    G_Begin(g, TTargetKind::Bitmap, &canvas);
    const double b = CurPVC().basicScale;
    G_SetWindow(g, -205 * b, -145 * b, 205 * b, 145 * b);
  }
  // The colour at a sheet position in millimetres.
  TColor At(double x, double y) {
    const double b = CurPVC().basicScale;
    int px, py;
    G_ToPixelInt(g, x * b, y * b, px, py);
    return canvas.PixelColor(px, py);
  }
  // Pixels of another colour than the background in a box of millimetres.
  int Ink(double x0, double y0, double x1, double y1) {
    const double b = CurPVC().basicScale;
    int l, t, r, bo, n = 0;
    G_ToPixelInt(g, x0 * b, y1 * b, l, t);
    G_ToPixelInt(g, x1 * b, y0 * b, r, bo);
    for (int y = t; y <= bo; ++y)
      for (int x = l; x <= r; ++x) n += canvas.PixelColor(x, y) != BackgroundColor();
    return n;
  }
  QTemporaryDir dir;
  RasterCanvas canvas{kW, kH};
  TGContext g;
};

int Red(TColor c) { return static_cast<int>(c & 0xFF); }
int Blue(TColor c) { return static_cast<int>((c >> 16) & 0xFF); }

TEST_F(DrawSampleTest, RendersEveryKindWhereItBelongs) {
  CurPVC().gridShown = true;
  DrawGrid(g);
  DrawAllCells(g);
  const QString path = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("draw_sample.png"));
  EXPECT_TRUE(WrapRaster(canvas.Image()).save(path)) << path.toStdString();

  EXPECT_EQ(CurPVC().textCount, 2 + 8 + 4);
  EXPECT_GT(CurPVC().lineCount, 20);
  // The polygon in its own colour, the half-ellipse in its, the
  // quadrilateral in pen 4's.
  EXPECT_EQ(At(140, 75), 0x40A0F0u);
  EXPECT_EQ(At(-150, -70), 0xF0A040u);
  EXPECT_EQ(At(-148, -93), BackgroundColor());  // the lower half is not filled
  EXPECT_EQ(At(-50, -88), ScreenPenColor(g, 0x14));
  // The picture: red band at the top, blue at the bottom (JPEG: roughly).
  const TColor top = At(20, -58), bottom = At(60, -96);
  EXPECT_GT(Red(top), 150) << std::hex << top;
  EXPECT_LT(Blue(top), 100) << std::hex << top;
  EXPECT_GT(Blue(bottom), 150) << std::hex << bottom;
  EXPECT_LT(Red(bottom), 100) << std::hex << bottom;
  EXPECT_EQ(g_draw.pictureLoads, 1);
  // Pens: the frame in pen 2, a solid oblique line of pen 5.
  EXPECT_EQ(At(0, 140), ScreenPenColor(g, 0x12));
  // Texts put ink in their boxes; the large one plenty.
  EXPECT_GT(Ink(-60, 20, 0, 28), 200);
  EXPECT_GT(Ink(-60, 5, -30, 10), 40);
  // A dashed line has ink and gaps along it.
  int ink = 0, gap = 0;
  const double b = CurPVC().basicScale;
  int x0, y, x1, yy;
  G_ToPixelInt(g, -190 * b, (120 - 4 * 8) * b, x0, y);  // line type 4
  G_ToPixelInt(g, -110 * b, (120 - 4 * 8) * b, x1, yy);
  for (int x = x0; x < x1; ++x) (canvas.PixelColor(x, y) == BackgroundColor() ? gap : ink)++;
  EXPECT_GT(ink, (x1 - x0) / 3);
  EXPECT_GT(gap, (x1 - x0) / 8);
  // A second repaint reads no file again.
  DrawAllCells(g);
  EXPECT_EQ(g_draw.pictureLoads, 1);
}

// The main window's drawing area shows the drawing after its first paint,
// fitted: the window is written to window_sample.png.
TEST_F(DrawSampleTest, MainWindowShowsTheDrawing) {
  auto form = std::make_unique<TForm1>();
  form->resize(1280, 800);
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  QTest::qWait(50);
  ASSERT_TRUE(g_viewBuffer.windowSet);
  form->SyncFromCore();
  QCoreApplication::processEvents();
  const QImage shot = form->grab().toImage();
  const QString path = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("window_sample.png"));
  EXPECT_TRUE(shot.save(path)) << path.toStdString();
  // The polygon's colour in the back buffer and on the widget.
  const double b = CurPVC().basicScale;
  int px, py;
  G_ToPixelInt(CurrentView(), 140 * b, 75 * b, px, py);
  EXPECT_EQ(ViewBuffer().PixelColor(px, py), 0x40A0F0u);
  const QPoint at = form->paintBox()->mapTo(form.get(), QPoint(px, py));
  EXPECT_EQ(shot.pixelColor(at).rgb() & 0xFFFFFFu, 0xF0A040u);  // 0xRRGGBB on the widget
  EXPECT_EQ(CurPVC().textCount, 14);
  form.reset();
}

}  // namespace
