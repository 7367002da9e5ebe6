// Japanese text rendered by the Qt helper into a raster canvas: horizontal,
// condensed, rotated, vertical and with superscripts and subscripts, in
// both faces. The picture is written to text_sample.png beside the test
// program for a look; the test checks that each text inks its own box and
// nothing lies far outside the boxes.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "VelmoTest.h"
#include "kernel/SjisConv.h"
#include "model/PVC.h"
#include "platform/qt/QtPaint.h"
#include "render/ApPenSet.h"
#include "render/GC_Tenkai.h"
#include "render/RasterCanvas.h"
#include "render/Z_Graph.h"

namespace {

constexpr double kPi = std::numbers::pi;
constexpr int kW = 900, kH = 620;

struct Sample {
  const char* name;
  const char* utf8;  // the cell's text
  double x, y, h, w, gap, angle;
  bool vertical;
};

// Reference points in drawing units; one unit per pixel, y up, so (x, y)
// is pixel (x, kH - 1 - y).
const Sample kSamples[] = {
    {"gothic", "図面の文字 Velmo 123", 20, 570, 28, 28, 2, 0, false},
    {"mincho", "~明朝の文字 ABC かな", 20, 520, 28, 28, 2, 0, false},
    {"condensed", "縦長の文字", 20, 470, 28, 14, 0, 0, false},
    {"wide", "横長", 200, 470, 20, 40, 0, 0, false},
    {"super and subscript", "面積 X^u2^d1 ｍ^u2 です", 20, 400, 32, 32, 2, 0, false},
    {"mincho subscript", "~Ｈ^d2Ｏ と ｍ^u3", 20, 330, 32, 32, 2, 0, false},
    {"underline and dots", "%%u1下線付き･･･", 20, 270, 24, 24, 2, 0, false},
    {"rotated", "回転した文字３０°", 40, 60, 24, 24, 2, 30 * kPi / 180, false},
    {"vertical", "（注）縦書き、テスト。ー", 720, 590, 28, 28, 2, -kPi / 2, true},
    {"vertical mincho", "~「明朝」の縦書き", 800, 590, 28, 28, 2, -kPi / 2, true},
};

TGcell SampleCell(const Sample& s) {
  TGcell c;
  c.kind = GK_TEXT;
  c.size = 0;
  c.pen = 0x0001;  // size 1's pen and colour
  c.text = Utf8ToSjis(s.utf8);
  c.vertical = s.vertical ? 1 : 0;
  c.p[0] = s.x, c.p[1] = s.y;
  c.p[2] = s.w, c.p[3] = s.h, c.p[4] = s.gap;
  c.p[6] = s.angle;
  return c;
}

// The pixel box a text's glyphs belong in: its cells from the reference
// point along the direction, the height across it (a vertical column: to
// the right of a downward text).
struct Box {
  double x0, y0, x1, y1;
  double area;  // of the text's own (possibly turned) rectangle
  bool Holds(int x, int y, double margin) const {
    return x >= x0 - margin && x <= x1 + margin && y >= y0 - margin && y <= y1 + margin;
  }
};

Box ExpectedBox(const Sample& s) {
  const TGcell cell = SampleCell(s);
  const double len = TextExtent(cell), px = s.x, py = kH - 1 - s.y;
  if (s.vertical) return {px, py, px + s.h, py + len, s.h * len};
  // Corners of the rotated cell (screen y down), then their bounds.
  const double ca = std::cos(s.angle), sa = std::sin(s.angle);
  const double xs[4] = {px, px + len * ca, px - s.h * sa, px + len * ca - s.h * sa};
  const double ys[4] = {py, py - len * sa, py - s.h * ca, py - len * sa - s.h * ca};
  return {*std::min_element(xs, xs + 4), *std::min_element(ys, ys + 4), *std::max_element(xs, xs + 4),
          *std::max_element(ys, ys + 4), s.h * len};
}

class TextSampleTest : public VelmoTest {};

TEST_F(TextSampleTest, RendersJapaneseTextInBothFaces) {
  SetWhiteBackground(true);
  RasterCanvas canvas(kW, kH);
  canvas.Clear(BackgroundColor());
  TGContext g;
  ASSERT_TRUE(G_Begin(g, TTargetKind::Bitmap, &canvas));
  G_SetWindow(g, 0, 0, kW - 1, kH - 1);
  TCellPieces pieces;
  for (const Sample& s : kSamples) {
    ExpandCell(SampleCell(s), pieces);
    for (const TGcell& p : pieces) DrawTextCell(g, p);
  }
  const QString path = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("text_sample.png"));
  EXPECT_TRUE(WrapRaster(canvas.Image()).save(path)) << path.toStdString();

  const TColor paper = BackgroundColor();
  std::vector<Box> boxes;
  for (const Sample& s : kSamples) {
    const Box b = ExpectedBox(s);
    boxes.push_back(b);
    int ink = 0;
    for (int y = static_cast<int>(b.y0); y <= static_cast<int>(b.y1); ++y)
      for (int x = static_cast<int>(b.x0); x <= static_cast<int>(b.x1); ++x) ink += canvas.PixelColor(x, y) != paper;
    EXPECT_GT(ink, b.area * 0.05) << s.name;  // strokes fill a fair part of each cell
  }
  // Nothing far from any text's box.
  int stray = 0;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      if (canvas.PixelColor(x, y) == paper) continue;
      if (std::none_of(boxes.begin(), boxes.end(), [&](const Box& b) { return b.Holds(x, y, 4); })) ++stray;
    }
  EXPECT_EQ(stray, 0);
}

// The font's width is the half-width advance: glyphs are scaled to the
// width asked for, whatever their natural width.
TEST_F(TextSampleTest, GlyphsTakeTheRequestedWidth) {
  for (double width : {12.0, 24.0, 48.0}) {
    RasterCanvas canvas(400, 100);
    canvas.Clear(0xFFFFFF);
    TGContext g;
    ASSERT_TRUE(G_Begin(g, TTargetKind::Bitmap, &canvas));
    G_SetWindow(g, 0, 0, 399, 99);
    G_TextColor(g, 0);
    G_TextSize(g, 24, width, 0);
    G_Text(g, Utf8ToSjis("国国国国"), false, 10, 20);
    int left = 400, right = -1, top = 100, bottom = -1;
    for (int y = 0; y < 100; ++y)
      for (int x = 0; x < 400; ++x)
        if (canvas.PixelColor(x, y) != 0xFFFFFF) {
          left = std::min(left, x), right = std::max(right, x);
          top = std::min(top, y), bottom = std::max(bottom, y);
        }
    ASSERT_GE(right, left) << width;
    const double span = right - left + 1;  // four cells, less the side bearings
    EXPECT_GT(span, 4 * width * 0.8) << width;
    EXPECT_LE(span, 4 * width + 2) << width;
    // The height stays: the cell's 24 pixels from its top-left corner (row 55).
    EXPECT_GE(top, 55) << width;
    EXPECT_LE(bottom, 79) << width;
    EXPECT_GT(bottom - top + 1, 24 * 0.8) << width;
  }
}

}  // namespace
