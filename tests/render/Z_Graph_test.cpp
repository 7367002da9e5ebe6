// The view: binding, the mapping between drawing units and pixels, and what
// the primitives ask of the canvas and leave on a raster canvas.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "VelmoTest.h"
#include "render/RasterCanvas.h"
#include "render/RecordCanvas.h"
#include "render/Z_Graph.h"

namespace {

constexpr double kPi = std::numbers::pi;

std::vector<std::string> Lines(const RecordCanvas& c, const char* prefix) {
  std::vector<std::string> out;
  for (const std::string& s : c.Log())
    if (s.rfind(prefix, 0) == 0) out.push_back(s);
  return out;
}

std::set<std::pair<int, int>> Changed(const std::vector<std::uint32_t>& before, const RasterCanvas& c) {
  std::set<std::pair<int, int>> out;
  for (int y = 0; y < c.Height(); ++y)
    for (int x = 0; x < c.Width(); ++x)
      if (c.Image().pixels[static_cast<std::size_t>(y) * c.Width() + x] != before[static_cast<std::size_t>(y) * c.Width() + x])
        out.insert({x, y});
  return out;
}

bool SameView(const TGContext& a, const TGContext& b) {
  return std::vector<double>{a.wx1, a.wy1, a.wx2, a.wy2, a.sx, a.sy, a.devLeft, a.devTop, a.devRight, a.devBottom} ==
         std::vector<double>{b.wx1, b.wy1, b.wx2, b.wy2, b.sx, b.sy, b.devLeft, b.devTop, b.devRight, b.devBottom};
}

class GraphTest : public VelmoTest {
protected:
  // A 101 x 101 recording canvas with the window (0, 0)-(100, 100): one
  // pixel per unit, y up, so (x, y) lands on pixel (x, 100 - y).
  void BindRecord() {
    ASSERT_TRUE(G_Begin(g, TTargetKind::Bitmap, &rec));
    G_SetWindow(g, 0, 0, 100, 100);
    rec.Clear();
  }
  RecordCanvas rec{101, 101};
  TGContext g;
};

// --- binding and mapping

TEST_F(GraphTest, ScreenBindingSetsTheDeviceAndDefaults) {
  ASSERT_TRUE(G_Begin(g, TTargetKind::PaintBox, &rec));
  EXPECT_FALSE(g.printing);
  EXPECT_EQ(g.devLeft, 0);
  EXPECT_EQ(g.devRight, 100);
  EXPECT_EQ(g.devBottom, 100);
  EXPECT_EQ(rec.PenColor(), 255u);   // red
  EXPECT_EQ(rec.FontColor(), 255u);
  EXPECT_EQ(rec.BrushStyle(), TBrushStyle::Clear);
  EXPECT_EQ(rec.Font().height, 0);   // the platform chooses
  EXPECT_STREQ(rec.Font().face, "ＭＳ ゴシック");
  EXPECT_EQ(g.textHeight, 16);
  EXPECT_TRUE(Lines(rec, "BeginDoc").empty());
  // The viewport maps units one to one, y down.
  double px, py;
  G_ToPixel(g, 10, 20, px, py);
  EXPECT_DOUBLE_EQ(px, 10);
  EXPECT_DOUBLE_EQ(py, 20);
}

TEST_F(GraphTest, WindowIsWidenedToOneScaleAboutItsCentre) {
  RecordCanvas c(401, 401);  // right - left = bottom - top = 400
  ASSERT_TRUE(G_Begin(g, TTargetKind::Bitmap, &c));
  G_SetWindow(g, 0, 0, 100, 50);
  EXPECT_DOUBLE_EQ(g.sx, 4);
  EXPECT_DOUBLE_EQ(g.sy, 4);
  EXPECT_DOUBLE_EQ(g.wx1, 0);
  EXPECT_DOUBLE_EQ(g.wx2, 100);
  EXPECT_DOUBLE_EQ(g.wy1, -25);
  EXPECT_DOUBLE_EQ(g.wy2, 75);
  EXPECT_DOUBLE_EQ(G_PixelSize(g), 0.25);
  EXPECT_DOUBLE_EQ(g.cullRadius, 1.2 * std::hypot(100, 100));
  EXPECT_EQ((std::vector<double>{g.pxMinX, g.pxMinY, g.pxMaxX, g.pxMaxY}), (std::vector<double>{0, 0, 400, 400}));
  double px, py;
  G_ToPixel(g, 50, 25, px, py);
  EXPECT_DOUBLE_EQ(px, 200);
  EXPECT_DOUBLE_EQ(py, 200);
  G_ToPixel(g, 0, 75, px, py);  // y up: the window's top is pixel row 0
  EXPECT_DOUBLE_EQ(py, 0);
  int ix, iy;
  G_ToPixelInt(g, 50.125, 25, ix, iy);  // 200.5: halves go to the even neighbour
  EXPECT_EQ(ix, 200);
}

TEST_F(GraphTest, PixelToWorldRoundTripShiftsByATenthOfAPixel) {
  RecordCanvas c(401, 301);
  ASSERT_TRUE(G_Begin(g, TTargetKind::Bitmap, &c));
  G_SetWindow(g, -30, 10, 70, 90);
  for (auto [x, y] : {std::pair{0.0, 50.0}, {-12.5, 33.3}, {69.0, 11.0}}) {
    double px, py, wx, wy;
    G_ToPixel(g, x, y, px, py);
    G_ToWorld(g, px, py, wx, wy);
    EXPECT_NEAR(wx, x + 0.1 / g.sx, 1e-9);
    EXPECT_NEAR(wy, y - 0.1 / g.sy, 1e-9);
  }
}

TEST_F(GraphTest, WindowCallsThatCannotMapAreIgnored) {
  ASSERT_TRUE(G_Begin(g, TTargetKind::Bitmap, &rec));
  G_SetWindow(g, 0, 0, 200, 100);
  const TGContext before = g;
  const auto same = [&] { return SameView(before, g); };
  G_SetWindow(g, 0, 0, 5e-5, 5e-5);  // too small both ways
  EXPECT_TRUE(same());
  G_SetWindow(g, 0, 0, 3e8, 1);  // too large one way
  EXPECT_TRUE(same());
  G_SetWindow(g, 0, std::nan(""), 10, 10);
  EXPECT_TRUE(same());
  // A degenerate window puts the device back.
  G_SetWindow(g, 5, 0, 5, 10);
  EXPECT_DOUBLE_EQ(g.wx2, 100);
  EXPECT_DOUBLE_EQ(g.sy, -1);
}

TEST_F(GraphTest, DeviceOnePixelWideKeepsAFiniteView) {
  for (auto [w, h] : {std::pair{1, 100}, {100, 1}, {1, 1}}) {
    RasterCanvas c(w, h);
    TGContext v;
    ASSERT_TRUE(G_Begin(v, TTargetKind::PaintBox, &c));
    const TGContext before = v;
    G_SetWindow(v, 0, 0, 10, 10);
    EXPECT_TRUE(SameView(before, v)) << w << "x" << h;
    for (double d : {v.sx, v.sy, v.wx1, v.wy1, v.wx2, v.wy2, v.pxMinX, v.pxMaxY, v.cullRadius})
      EXPECT_TRUE(std::isfinite(d)) << w << "x" << h;
    G_Line(v, -5, -5, 5, 5);
    G_Arc(v, 0, 0, 3, 1, 0, 0, 0);
  }
}

TEST_F(GraphTest, PrinterBindingWorksInPaperMillimetres) {
  RecordCanvas paper(4960, 7016, 600);  // A4 printable page at 600 dpi
  ASSERT_TRUE(G_Begin(g, TTargetKind::Printer, &paper, 0.5));
  EXPECT_TRUE(g.printing);
  EXPECT_EQ(paper.Log().front(), "BeginDoc");
  const double ppmm = 600 / 25.4;
  EXPECT_DOUBLE_EQ(g.pixelsPerUnit, ppmm);
  EXPECT_EQ(g.pageOffsetX, 236);
  EXPECT_EQ(g.pageOffsetY, 23);
  EXPECT_DOUBLE_EQ(g.textFactor, 1.1);
  EXPECT_EQ(Lines(paper, "Font").front(), std::string("Font 108 0 0 ") + "ＭＳ ゴシック");  // trunc(600 * 54 / 300)
  EXPECT_EQ(paper.PenColor(), 0u);
  EXPECT_EQ(Lines(paper, "TextOut").size(), 1u);  // the space that starts the page
  // The device is the page less the offsets; points land shifted by them.
  EXPECT_NEAR(g.devRight, 4960 - 236, 1e-9);
  double px, py;
  G_ToPixel(g, 10, 20, px, py);
  EXPECT_NEAR(px, 10 * ppmm + 236, 1e-9);
  EXPECT_NEAR(py, 20 * ppmm + 23, 1e-9);
  double x, y;
  G_ToWorld(g, px, py, x, y);
  EXPECT_NEAR(x, 10 + 0.1 / ppmm, 1e-9);
  // Widths grow with the resolution; XOR is not for paper.
  G_PenWidth(g, 3);
  EXPECT_EQ(paper.PenWidth(), 6);  // sqrt(0.5) * 3 * 0.2 * 23.6 * 0.6 = 6.01
  G_PenMode(g, TPenMode::Xor);
  EXPECT_EQ(paper.PenMode(), TPenMode::Copy);
  G_End(g);
  EXPECT_EQ(paper.Log().back(), "EndDoc");
}

TEST_F(GraphTest, BindingWithoutACanvasReportsAndDrawsNothing) {
  EXPECT_FALSE(G_Begin(g, TTargetKind::PaintBox, nullptr));
  ASSERT_EQ(platform().messages().size(), 1u);
  EXPECT_EQ(platform().messages()[0].text, "G_Begin ﾊﾟﾗﾒｰﾀｰ(2) Error");
  // A screen canvas cannot be bound as the printer either.
  EXPECT_FALSE(G_Begin(g, TTargetKind::Printer, &rec));
  EXPECT_EQ(platform().messages().size(), 2u);
  EXPECT_EQ(g.canvas, nullptr);
  G_ResetDevice(g);
  G_SetWindow(g, 0, 0, 10, 10);
  G_PenColor(g, 1);
  G_PenWidth(g, 2);
  G_PenMode(g, TPenMode::Xor);
  G_LineStyle(g, 2);
  G_FontName(g, "ＭＳ 明朝");
  G_Dot(g, 1, 1);
  G_Marker(g, 1, 1);
  G_Line(g, 0, 0, 5, 5);
  G_Box(g, 0, 0, 5, 5);
  G_RotBox(g, 0, 0, 5, 5, 1);
  G_Arc(g, 5, 5, 3, 1, 0, 0, 0);
  G_Text(g, "ABC", false, 1, 1);
  G_End(g);
  EXPECT_TRUE(rec.Log().empty());
}

// --- what the primitives ask of the canvas

TEST_F(GraphTest, RecordedCalls) {
  struct Case {
    const char* name;
    void (*draw)(TGContext&);
    const char* calls;
  };
  const Case cases[] = {
      {"line, ends ordered by y", [](TGContext& v) { G_Line(v, 10, 20, 60, 70); }, "MoveTo 60 30\nLineTo 10 80"},
      {"line from far outside to the centre", [](TGContext& v) { G_Line(v, -1000, 50, 50, 50); },
       "MoveTo 0 50\nLineTo 50 50"},
      {"line wholly outside", [](TGContext& v) { G_Line(v, 200, 200, 300, 300); }, ""},
      {"line passing outside a corner", [](TGContext& v) { G_Line(v, -20, 90, 10, 120); }, ""},
      {"zero-length line", [](TGContext& v) { G_Line(v, 40, 40, 40, 40); }, ""},
      {"dot", [](TGContext& v) { G_Dot(v, 10.4, 20.6); }, "MoveTo 10 79\nLineTo 11 79"},
      {"dot outside", [](TGContext& v) { G_Dot(v, 100.5, 20); }, ""},
      {"marker", [](TGContext& v) { G_Marker(v, 50, 50); },
       "Polyline 52 49 50 49 49 50 53 50 53 51 49 51 49 52 53 52 52 53 49 53"},
      {"box", [](TGContext& v) { G_Box(v, 10, 10, 20, 30); },
       "MoveTo 10 90\nLineTo 20 90\nMoveTo 20 70\nLineTo 20 90\nMoveTo 10 70\nLineTo 20 70\nMoveTo 10 70\nLineTo 10 90"},
      {"rotated box with no height", [](TGContext& v) { G_RotBox(v, 10, 10, 30, 0, kPi / 2); },
       "MoveTo 10 60\nLineTo 10 90"},
      {"rotated box, quarter turn", [](TGContext& v) { G_RotBox(v, 50, 50, 20, 10, kPi / 2); },
       "MoveTo 40 50\nLineTo 50 50\nMoveTo 40 30\nLineTo 40 50\nMoveTo 40 30\nLineTo 50 30\nMoveTo 50 30\nLineTo 50 50"},
      {"circle", [](TGContext& v) { G_Arc(v, 50, 50, 20, 1, 0, 0, 0); }, "Arc 30 30 70 70 70 50 70 50"},
      {"quarter arc", [](TGContext& v) { G_Arc(v, 50, 50, 20, 1, 0, 0, kPi / 2); }, "Arc 30 30 70 70 70 50 50 30"},
      {"arc given end first", [](TGContext& v) { G_Arc(v, 50, 50, 20, 1, 0, kPi / 2, 0); },
       "Arc 30 30 70 70 70 50 50 30"},
      {"arc with ends 5e-5 apart", [](TGContext& v) { G_Arc(v, 50, 50, 20, 1, 0, 1, 1 + 5e-5); }, ""},
      {"circle under a pixel", [](TGContext& v) { G_Arc(v, 50.2, 50, 0.3, 1, 0, 0, 0); }, "MoveTo 50 50\nLineTo 51 50"},
      {"circle around the window", [](TGContext& v) { G_Arc(v, 50, 50, 200, 1, 0, 0, 0); }, ""},
      {"circle beside the window", [](TGContext& v) { G_Arc(v, 150, 50, 20, 1, 0, 0, 0); }, ""},
  };
  for (const Case& k : cases) {
    BindRecord();
    k.draw(g);
    EXPECT_EQ(rec.Text(), k.calls) << k.name;
  }
}

TEST_F(GraphTest, ArcsKeepTheirSideInAViewWithYDown) {
  ASSERT_TRUE(G_Begin(g, TTargetKind::Bitmap, &rec));  // the device window: y down
  rec.Clear();
  G_Arc(g, 50, 50, 20, 1, 0, 0, kPi / 2);  // from east to the point below the centre
  EXPECT_EQ(rec.Text(), "Arc 30 30 70 70 50 70 70 50");
  rec.Clear();
  G_Arc(g, 50, 50, 20, 0.5, 0, 0, kPi / 2);  // as chords
  for (const std::string& s : Lines(rec, "LineTo")) {
    int x = 0, y = 0;
    ASSERT_EQ(std::sscanf(s.c_str(), "LineTo %d %d", &x, &y), 2);
    EXPECT_TRUE(x >= 50 && y >= 50) << s;
  }
}

TEST_F(GraphTest, ArcShorterThanAPixelIsNotTakenForAWholeCircle) {
  // Its ends round to one pixel, which the platform would read as "whole".
  BindRecord();
  G_Arc(g, 50, 50, 40, 1, 0, 0, 0.002);
  EXPECT_TRUE(Lines(rec, "Arc").empty());
  EXPECT_EQ(Lines(rec, "LineTo").size(), 1u);
  RasterCanvas c(101, 101);
  TGContext v;
  ASSERT_TRUE(G_Begin(v, TTargetKind::Bitmap, &c));
  G_SetWindow(v, 0, 0, 100, 100);
  const auto before = c.Image().pixels;
  G_Arc(v, 50, 50, 40, 1, 0, 0, 0.002);
  EXPECT_EQ(Changed(before, c).size(), 1u);
  // A circle of 0.3 pixel is one pixel, at its centre.
  c.Clear(0);
  G_Arc(v, 20, 30, 0.3, 1, 0, 0, 0);
  EXPECT_EQ(Changed(before, c), (std::set<std::pair<int, int>>{{20, 70}}));
  // A whole circle of 40 pixels is a closed ring round the centre.
  c.Clear(0);
  G_Arc(v, 50, 50, 40, 1, 0, 1, 1);
  const auto ring = Changed(before, c);
  EXPECT_NEAR(static_cast<double>(ring.size()), 4 * 40 * std::sqrt(2.0), 12);
  EXPECT_TRUE(ring.count({90, 50}) && ring.count({10, 50}) && ring.count({50, 10}) && ring.count({50, 90}));
}

TEST_F(GraphTest, DashedArcDrawsTheChordsThePatternInks) {
  BindRecord();
  G_LineStyle(g, 2);  // "@@@...@@@...@@@...@@@...@@@....@"
  rec.Clear();
  G_Arc(g, 50, 50, 20, 1, 0, 0, 0);
  // 1.5 pixels of arc per chord: ceil(2 pi 20 / 1.5) = 84 chords, of which
  // 16 + 16 + 11 are ink.
  EXPECT_EQ(Lines(rec, "LineTo").size(), 43u);
  EXPECT_EQ(Lines(rec, "MoveTo").size(), 43u);
  ASSERT_GE(rec.Log().size(), 10u);
  EXPECT_EQ(rec.Log().front(), "PenStyle Solid");
  EXPECT_EQ(rec.Log()[1], "MoveTo 70 50");  // chord 0 starts at the start angle
  EXPECT_EQ(rec.Log()[7], "MoveTo 68 41");  // chord 6 (3 to 5 are gaps) at 0.45 rad
  EXPECT_EQ(rec.Log().back(), "PenStyle Dot");
}

TEST_F(GraphTest, SolidChordsRunAsOnePath) {
  BindRecord();
  G_Arc(g, 50, 50, 30, 0.5, 0.3, 0, 0);  // an ellipse: chords
  const auto moves = Lines(rec, "MoveTo");
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_GT(Lines(rec, "LineTo").size(), 8u);
  EXPECT_TRUE(Lines(rec, "Arc").empty());
}

TEST_F(GraphTest, WidePenOverATinyCircleDrawsABlobSizedInPixels) {
  // 10 pixels per unit: r = 0.2 unit is 2 pixels, so the blob is four
  // pixels round the centre, however small r is in units.
  ASSERT_TRUE(G_Begin(g, TTargetKind::Bitmap, &rec));
  G_SetWindow(g, 0, 0, 10, 10);
  G_PenWidth(g, 5);
  rec.Clear();
  G_Arc(g, 5, 5, 0.2, 1, 0, 0, 0);
  EXPECT_EQ(rec.Text(),
            "PenStyle Solid\nMoveTo 49 50\nLineTo 50 50\nMoveTo 51 50\nLineTo 52 50\n"
            "MoveTo 50 49\nLineTo 51 49\nMoveTo 50 51\nLineTo 51 51\nPenStyle Solid");
  rec.Clear();
  G_Arc(g, 5, 5, 0.2, 1, 0, 0, kPi);  // part of it: four chords
  EXPECT_EQ(Lines(rec, "Polyline"), std::vector<std::string>{"Polyline 52 50 51 49 50 48 49 49 48 50"});
}

TEST_F(GraphTest, PrinterDrawsCirclesAsChordsAndMarkersAsRings) {
  RecordCanvas paper(4960, 7016, 600);
  ASSERT_TRUE(G_Begin(g, TTargetKind::Printer, &paper, 1));
  paper.Clear();
  G_Arc(g, 100, 100, 20, 1, 0, 0, 0);
  EXPECT_TRUE(Lines(paper, "Arc").empty());
  EXPECT_GT(Lines(paper, "LineTo").size(), 40u);
  paper.Clear();
  G_PenWidth(g, 3);  // widened on paper to 8 pixels
  const int w = paper.PenWidth();
  paper.Clear();
  G_Marker(g, 100, 100);
  // n = round(sqrt(sqrt(w / 23.6)) 23.6 0.7) div 3 rings from radius 3 on.
  const int n = static_cast<int>(std::nearbyint(std::sqrt(std::sqrt(w / (600 / 25.4))) * (600 / 25.4) * 0.7)) / 3;
  ASSERT_GE(n, 3);
  EXPECT_EQ(Lines(paper, "Arc").size(), static_cast<std::size_t>(n - 2));
  EXPECT_EQ(paper.Log().front(), "PenWidth 1");
  EXPECT_EQ(paper.Log().back(), "PenWidth " + std::to_string(w));
}

TEST_F(GraphTest, PatternedLinesGoToThePatternRoutine) {
  static std::vector<std::string> handed;
  handed.clear();
  const TPatternLine old = G_SetPatternLine([](TGContext&, int x1, int y1, int x2, int y2) {
    handed.push_back(std::to_string(x1) + " " + std::to_string(y1) + " " + std::to_string(x2) + " " + std::to_string(y2));
  });
  BindRecord();
  G_LineStyle(g, 1);
  EXPECT_STREQ(g.linePattern, "@@@@@@@@@.......@@@@@@@@@.......");
  G_Line(g, -1000, 50, 50, 50);
  EXPECT_EQ(handed, std::vector<std::string>{"0 50 50 50"});
  G_LineStyle(g, 0);  // solid again; the pattern stays for the next dashed use
  G_Line(g, 10, 10, 20, 10);
  EXPECT_EQ(handed.size(), 1u);
  EXPECT_STREQ(g.linePattern, "@@@@@@@@@.......@@@@@@@@@.......");
  G_Pattern(g, "@@.");
  EXPECT_EQ(std::string(g.linePattern), "@@" + std::string(30, '.'));
  G_Pattern(g, std::string(40, '@'));
  EXPECT_EQ(rec.PenStyle(), TPenStyle::Solid);
  G_SetPatternLine(old);
  // Restored, the pattern is laid: the inked steps 0-4 and 7-8 of
  // "@@@@@..@@..", end pixel included.
  G_LineStyle(g, 3);
  rec.Clear();
  G_Line(g, 10, 10, 20, 10);
  EXPECT_EQ(rec.Text(), "SetPixelFast 10 90 255\nSetPixelFast 11 90 255\nSetPixelFast 12 90 255\n"
                        "SetPixelFast 13 90 255\nSetPixelFast 14 90 255\nSetPixelFast 17 90 255\n"
                        "SetPixelFast 18 90 255");
}

// --- a circle so big that only a sliver of it can show

TEST_F(GraphTest, HugeCircleAtDeepZoomVisitsOnlyItsVisibleChords) {
  // 200 pixels show one unit; the circle's radius is 1e7 units, so it has
  // billions of dashed chords, of which a few hundred cross the window.
  RecordCanvas c(201, 201);
  ASSERT_TRUE(G_Begin(g, TTargetKind::PaintBox, &c));
  G_SetWindow(g, 0, 0, 1, 1);
  G_LineStyle(g, 1);
  c.Clear();
  G_Arc(g, 0.5 - 1e7, 0.5, 1e7, 1, 0, 0, 0);
  const std::size_t drawn = Lines(c, "LineTo").size();
  EXPECT_GT(drawn, 50u);
  EXPECT_LT(drawn, 1000u);
  for (const std::string& s : Lines(c, "LineTo")) {
    int x = 0, y = 0;
    ASSERT_EQ(std::sscanf(s.c_str(), "LineTo %d %d", &x, &y), 2);
    EXPECT_TRUE(x >= 99 && x <= 101 && y >= 0 && y <= 200) << s;  // the arc runs down the middle
  }
  // Solid, its chords are long; still only those near the window are drawn.
  G_LineStyle(g, 0);
  c.Clear();
  G_Arc(g, 0.5 - 1e7, 0.5, 1e7, 1, 0, 0, 0);
  EXPECT_GE(Lines(c, "LineTo").size(), 1u);
  EXPECT_LT(Lines(c, "LineTo").size(), 10u);
}

// The chords a huge curve draws in a small window are those it draws in a
// large window over the same area, pattern phase included.
TEST_F(GraphTest, HugeCurveLooksTheSameThroughASmallerWindow) {
  for (int style : {1, 2}) {
    for (auto [f, t] : {std::pair{1.0, 0.0}, {0.8, 0.3}}) {
      RasterCanvas big(1001, 1001), small(201, 201);
      TGContext gb, gs;
      ASSERT_TRUE(G_Begin(gb, TTargetKind::Bitmap, &big));
      ASSERT_TRUE(G_Begin(gs, TTargetKind::Bitmap, &small));
      G_SetWindow(gb, 0, 0, 1000, 1000);  // one pixel per unit in both
      G_SetWindow(gs, 300, 400, 500, 600);
      for (TGContext* v : {&gb, &gs}) {
        G_LineStyle(*v, style);
        G_PenColor(*v, 0xFFFFFF);
        G_Arc(*v, -2100, 500, 2500, f, t, -0.5, 0.7);  // huge for both windows
      }
      std::set<std::pair<int, int>> inBig, inSmall;
      for (int y = 3; y < 198; ++y)
        for (int x = 3; x < 198; ++x) {
          if (small.PixelColor(x, y)) inSmall.insert({x, y});
          if (big.PixelColor(x + 300, y + 400)) inBig.insert({x, y});
        }
      EXPECT_GT(inSmall.size(), 50u) << style << " " << f;
      EXPECT_EQ(inSmall, inBig) << "style " << style << " f " << f;
    }
  }
}

// --- XOR: every primitive drawn twice leaves the buffer as it was

TEST_F(GraphTest, EveryPrimitiveDrawnTwiceInXorRestoresTheBuffer) {
  struct Figure {
    const char* name;
    void (*draw)(TGContext&);
  };
  const Figure figures[] = {
      {"dot", [](TGContext& v) { G_Dot(v, 50, 40); }},
      {"marker", [](TGContext& v) { G_Marker(v, 30, 30); }},
      {"clipped line", [](TGContext& v) { G_Line(v, -50, 10, 150, 60); }},
      {"box", [](TGContext& v) { G_Box(v, 10, 10, 60, 50); }},
      {"rotated box", [](TGContext& v) { G_RotBox(v, 50, 30, 30, 20, 0.5); }},
      {"circle", [](TGContext& v) { G_Arc(v, 50, 37, 20, 1, 0, 0, 0); }},
      {"arc", [](TGContext& v) { G_Arc(v, 50, 37, 20, 1, 0, 0.3, 2.5); }},
      {"tilted ellipse", [](TGContext& v) { G_Arc(v, 50, 37, 30, 0.5, 0.4, 0, 0); }},
      {"dashed circle", [](TGContext& v) { G_LineStyle(v, 4); G_Arc(v, 50, 37, 25, 1, 0, 0, 0); G_LineStyle(v, 0); }},
      {"dashed line", [](TGContext& v) { G_LineStyle(v, 2); G_Line(v, 5, 5, 95, 70); G_LineStyle(v, 0); }},
      {"circle under a pixel", [](TGContext& v) { G_Arc(v, 50, 37, 0.2, 1, 0, 0, 0); }},
      {"wide pen, tiny circle", [](TGContext& v) { G_PenWidth(v, 5); G_Arc(v, 50, 37, 1, 1, 0, 0, 0); G_PenWidth(v, 1); }},
      {"huge arc", [](TGContext& v) { G_Arc(v, -1e6, 37, 1e6 + 50, 1, 0, -0.1, 0.1); }},
      {"text", [](TGContext& v) { G_TextSize(v, 10, 10, 1); G_Text(v, "ABC", false, 20, 20); }},
  };
  for (const Figure& fig : figures) {
    RasterCanvas c(200, 150);
    std::mt19937 rng(5);
    for (auto& p : const_cast<std::vector<std::uint32_t>&>(c.Image().pixels)) p = 0xFF000000u | (rng() & 0xFFFFFF);
    const std::vector<std::uint32_t> before = c.Image().pixels;
    TGContext v;
    ASSERT_TRUE(G_Begin(v, TTargetKind::PaintBox, &c));
    G_SetWindow(v, 0, 0, 100, 75);
    G_PenColor(v, 0x3C9F5A);
    G_PenMode(v, TPenMode::Xor);
    fig.draw(v);
    EXPECT_FALSE(Changed(before, c).empty()) << fig.name << " drew nothing";
    fig.draw(v);
    EXPECT_EQ(c.Image().pixels, before) << fig.name;
  }
}

// --- text

TEST_F(GraphTest, TextWidthCountsBytesAndGaps) {
  G_TextSize(g, 5, 4, 1);
  const std::pair<const char*, double> cases[] = {
      {"", 0}, {"A", 2}, {"漢", 4}, {"AB", 4 + 0.5}, {"漢字", 8 + 1}, {"A漢", 6 + 1}, {"漢A", 6 + 0.5},
  };
  for (auto [text, width] : cases) EXPECT_DOUBLE_EQ(G_TextWidth(g, text), width) << text;
}

TEST_F(GraphTest, TextGoesOutAtItsTopLeftOrAsABoxWhenItCannotBeRead) {
  BindRecord();
  G_TextSize(g, 20, 20, 0);
  G_Text(g, "AB", false, 10, 30);  // lower-left corner at pixel (10, 70)
  // Character by character: a half-width character advances W / 2.
  EXPECT_EQ(Lines(rec, "TextOut"), (std::vector<std::string>{"TextOut 10 50 A", "TextOut 20 50 B"}));
  ASSERT_FALSE(Lines(rec, "Font").empty());
  EXPECT_EQ(Lines(rec, "Font").back(), std::string("Font 20 10 0 ") + "ＭＳ ゴシック");
  // Under 6 pixels high: the outline box, from H/8 above the reference point.
  rec.Clear();
  G_TextSize(g, 4, 4, 0);
  G_Text(g, "AB", false, 10, 30);
  EXPECT_TRUE(Lines(rec, "TextOut").empty());
  EXPECT_EQ(Lines(rec, "LineTo").size(), 4u);
  EXPECT_EQ(rec.Log().front(), "MoveTo 10 70");  // (10, 30.5) rounds to row 70
  // In XOR mode, text of any size is its box.
  rec.Clear();
  G_TextSize(g, 20, 20, 0);
  G_PenMode(g, TPenMode::Xor);
  G_Text(g, "AB", false, 10, 30);
  EXPECT_TRUE(Lines(rec, "TextOut").empty());
  // Text that starts right of the window is not drawn.
  G_PenMode(g, TPenMode::Copy);
  rec.Clear();
  G_Text(g, "AB", false, 101, 30);
  EXPECT_EQ(rec.Text(), "");
}

}  // namespace
