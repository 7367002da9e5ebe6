// The Qt side of drawing: the raster canvas's helper (wide pens, text) on
// the canvas's own pixels, the printer canvas printing into a PDF, and the
// drawing area showing the view's back buffer.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPaintEvent>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "VelmoTest.h"
#include "app/ApManager.h"
#include "app/GC_View.h"
#include "kernel/SjisConv.h"
#include "platform/qt/PrinterCanvas.h"
#include "platform/qt/TForm1.h"
#include "render/RasterCanvas.h"
#include "render/Z_Graph.h"

namespace {

void FillNoise(RasterCanvas& c) {
  std::mt19937 rng(9);
  for (int y = 0; y < c.Height(); ++y)
    for (int x = 0; x < c.Width(); ++x) c.SetPixel(x, y, rng() & 0xFFFFFF);
}

std::size_t CountColor(const RasterCanvas& c, TColor color, const TPixelRect& in) {
  std::size_t n = 0;
  for (int y = in.top; y < in.bottom; ++y)
    for (int x = in.left; x < in.right; ++x) n += c.PixelColor(x, y) == color;
  return n;
}

class QtCanvasTest : public VelmoTest {};

TEST_F(QtCanvasTest, WidePenCoversItsWidthAboutTheLine) {
  RasterCanvas c(100, 80);
  c.SetPenColor(0xFFFFFF);
  c.SetPenWidth(5);
  c.TakeDirty();
  c.MoveTo(10, 40);
  c.LineTo(90, 40);
  for (int y : {38, 39, 40, 41, 42}) EXPECT_EQ(c.PixelColor(50, y), 0xFFFFFFu) << y;
  EXPECT_EQ(c.PixelColor(50, 36), 0u);
  EXPECT_EQ(c.PixelColor(50, 44), 0u);
  const TPixelRect d = c.TakeDirty();
  EXPECT_TRUE(d.left <= 8 && d.top <= 38 && d.right >= 92 && d.bottom >= 43)
      << d.left << " " << d.top << " " << d.right << " " << d.bottom;
  // One-pixel drawing by the core and wide drawing by Qt share the pixels.
  c.SetPenWidth(1);
  c.SetPenColor(0x0000FF);
  c.MoveTo(50, 0);
  c.LineTo(50, 80);
  EXPECT_EQ(c.PixelColor(50, 40), 0x0000FFu);
  c.SetPenWidth(3);
  c.SetPenColor(0x00FF00);
  c.MoveTo(0, 10);
  c.LineTo(99, 10);
  EXPECT_EQ(c.PixelColor(50, 10), 0x00FF00u);
  EXPECT_EQ(c.PixelColor(50, 20), 0x0000FFu);
  for (std::uint32_t p : c.Image().pixels) ASSERT_EQ(p >> 24, 0xFFu);
}

TEST_F(QtCanvasTest, WideFiguresAndTextInXorRestoreTheBuffer) {
  struct Figure {
    const char* name;
    void (*draw)(RasterCanvas&);
  };
  static const TPixelPoint zigzag[] = {{10, 10}, {60, 70}, {110, 10}, {150, 70}};
  const Figure figures[] = {
      {"wide line", [](RasterCanvas& c) { c.MoveTo(5, 5); c.LineTo(150, 90); }},
      {"wide polyline", [](RasterCanvas& c) { c.Polyline(zigzag, 4); }},
      {"wide arc", [](RasterCanvas& c) { c.Arc({30, 10, 130, 90}, {130, 50}, {30, 50}); }},
      {"wide circle", [](RasterCanvas& c) { c.Arc({40, 20, 100, 80}, {0, 0}, {0, 0}); }},
      {"polygon", [](RasterCanvas& c) { c.SetBrushColor(0x804020); c.Polygon(zigzag, 4); }},
      {"pie", [](RasterCanvas& c) { c.SetBrushColor(0x208040); c.Pie({20, 10, 120, 90}, {120, 50}, {70, 10}); }},
      {"text", [](RasterCanvas& c) {
         TFontDesc f;
         f.height = 24;
         c.SetFont(f);
         c.SetFontColor(0x00FFFF);
         c.TextOut(20, 30, Utf8ToSjis("図面 ABC"));
       }},
  };
  for (const Figure& fig : figures) {
    RasterCanvas c(160, 100);
    FillNoise(c);
    const std::vector<std::uint32_t> before = c.Image().pixels;
    c.SetPenColor(0x5A3CF0);
    c.SetPenWidth(4);
    c.SetPenMode(TPenMode::Xor);
    c.SetBrushStyle(TBrushStyle::Clear);
    fig.draw(c);
    EXPECT_NE(c.Image().pixels, before) << fig.name << " drew nothing";
    for (std::uint32_t p : c.Image().pixels) ASSERT_EQ(p >> 24, 0xFFu) << fig.name;
    fig.draw(c);
    EXPECT_EQ(c.Image().pixels, before) << fig.name;
  }
}

TEST_F(QtCanvasTest, TextLandsBelowAndRightOfItsTopLeftInTheFontColour) {
  RasterCanvas c(200, 100);
  TFontDesc f;
  f.height = 30;
  c.SetFont(f);
  c.SetFontColor(0x00FF00);
  c.TakeDirty();
  c.TextOut(40, 20, Utf8ToSjis("漢字"));
  const TPixelRect d = c.TakeDirty();
  ASSERT_FALSE(d.Empty());
  EXPECT_GT(CountColor(c, 0x00FF00, {40, 20, 110, 52}), 50u);
  EXPECT_EQ(CountColor(c, 0x00FF00, {0, 0, 200, 18}), 0u);   // nothing above the cell
  EXPECT_EQ(CountColor(c, 0x00FF00, {0, 0, 38, 100}), 0u);   // nor left of it
  // Turned a quarter turn counter-clockwise, the text runs upward from (x, y).
  RasterCanvas up(100, 200);
  f.escapement = 900;
  up.SetFont(f);
  up.SetFontColor(0x00FF00);
  up.TextOut(30, 150, Utf8ToSjis("漢字"));
  EXPECT_GT(CountColor(up, 0x00FF00, {30, 80, 62, 152}), 50u);
  EXPECT_EQ(CountColor(up, 0x00FF00, {0, 152, 100, 200}), 0u);
}

TEST_F(QtCanvasTest, PrintsPrimitivesIntoAPdf) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath(QStringLiteral("page.pdf"));
  {
    QPdfWriter writer(path);
    writer.setResolution(300);
    writer.setPageSize(QPageSize(QPageSize::A4));
    PrinterCanvas paper(&writer);
    EXPECT_EQ(paper.PrinterDpi(), 300);
    EXPECT_GT(paper.Width(), 2000);  // about 190 mm at 300 dpi
    TGContext g;
    ASSERT_TRUE(G_Begin(g, TTargetKind::Printer, &paper, 1.0));
    EXPECT_TRUE(paper.Printing());
    EXPECT_DOUBLE_EQ(g.pixelsPerUnit, 300 / 25.4);
    // A 100 mm frame with its diagonals, a circle, a marker and a caption.
    G_PenWidth(g, 2);
    G_Box(g, 20, 20, 120, 120);
    G_Line(g, 20, 20, 120, 120);
    G_Line(g, 20, 120, 120, 20);
    G_Arc(g, 70, 70, 40, 1, 0, 0, 0);
    G_Marker(g, 70, 70);
    G_TextSize(g, 5, 5, 0.5);
    G_Text(g, Utf8ToSjis("図面 Velmo"), false, 20, 130);
    const TPixelPoint tri[] = {{600, 1800}, {900, 1800}, {750, 2000}};
    paper.SetBrushColor(0x0000FF);
    paper.Polygon(tri, 3);
    G_End(g);
    EXPECT_FALSE(paper.Printing());
  }
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray pdf = f.readAll();
  EXPECT_TRUE(pdf.startsWith("%PDF-"));
  EXPECT_TRUE(pdf.trimmed().endsWith("%%EOF"));
  EXPECT_GT(pdf.size(), 2000);
  EXPECT_TRUE(pdf.contains("/Type /Page") || pdf.contains("/Type/Page"));
}

// The drawing area shows the back buffer and repaints only what drawing
// touched.
class DrawingAreaTest : public VelmoTest {
protected:
  void SetUp() override {
    VelmoTest::SetUp();
    form_ = std::make_unique<TForm1>();
    form_->resize(1000, 700);
    form_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
    form_->SyncFromCore();
    QTest::qWait(50);
  }
  void TearDown() override {
    form_.reset();
    VelmoTest::TearDown();
  }
  std::unique_ptr<TForm1> form_;
};

class PaintSpy : public QObject {
public:
  QRegion painted;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(e)->region();
    return false;
  }
};

TEST_F(DrawingAreaTest, ShowsTheViewAndRepaintsTheTouchedRectangle) {
  TPaintBox* box = form_->paintBox();
  ASSERT_EQ(ViewBuffer().Width(), box->width());
  ASSERT_EQ(ViewBuffer().Height(), box->height());
  TGContext& view = CurrentView();
  ASSERT_EQ(view.canvas, &ViewBuffer());
  EXPECT_EQ(view.devRight, box->width() - 1);

  // The first paint fitted the view to the sheet; draw in device units.
  G_ResetDevice(view);
  PaintSpy spy;
  box->installEventFilter(&spy);
  G_PenColor(view, 0xFFFFFF);
  G_PenMode(view, TPenMode::Xor);
  G_Line(view, 100, 200, 160, 200);  // y down on the device window
  form_->SyncFromCore();
  QTest::qWait(50);
  box->removeEventFilter(&spy);
  const QRect r = spy.painted.boundingRect();
  EXPECT_TRUE(r.contains(QRect(100, 200, 60, 1))) << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
  EXPECT_LE(r.width() * r.height(), 2000);  // the line's rectangle, not the whole area

  const QImage shot = box->grab().toImage();
  EXPECT_EQ(shot.pixelColor(130, 200), QColor(255, 255, 255));
  EXPECT_EQ(shot.pixelColor(130, 210), QColor(0, 0, 0));
  // Drawn again in XOR, the line is gone from the screen too.
  G_Line(view, 100, 200, 160, 200);
  form_->SyncFromCore();
  QTest::qWait(50);
  EXPECT_EQ(box->grab().toImage().pixelColor(130, 200), QColor(0, 0, 0));
}

}  // namespace
