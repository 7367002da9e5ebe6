// The raster canvas: exact one-pixel lines, XOR, fills, arcs, copies and
// the rectangle it reports as touched. No platform helper is installed here.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "VelmoTest.h"
#include "render/RasterCanvas.h"

namespace {

using Pixels = std::set<std::pair<int, int>>;

// The pixels whose colour differs from the background.
Pixels Drawn(const RasterCanvas& c, TColor background = 0) {
  Pixels out;
  for (int y = 0; y < c.Height(); ++y)
    for (int x = 0; x < c.Width(); ++x)
      if (c.PixelColor(x, y) != background) out.insert({x, y});
  return out;
}

void FillNoise(RasterCanvas& c, unsigned seed) {
  std::mt19937 rng(seed);
  c.Clear(0);
  for (int y = 0; y < c.Height(); ++y)
    for (int x = 0; x < c.Width(); ++x) c.SetPixel(x, y, rng() & 0xFFFFFF);
}

class RasterCanvasTest : public VelmoTest {};

TEST_F(RasterCanvasTest, ColoursAreStoredAsOpaqueRgbWords) {
  RasterCanvas c(4, 4);
  EXPECT_EQ(c.Image().pixels[0], 0xFF000000u);  // a new canvas is black
  c.SetPixel(1, 1, 0x0000FF);  // red in the drawing's byte order
  c.SetPixel(2, 1, 0xFF0000);  // blue
  EXPECT_EQ(c.Image().pixels[1 * 4 + 1], 0xFFFF0000u);
  EXPECT_EQ(c.Image().pixels[1 * 4 + 2], 0xFF0000FFu);
  EXPECT_EQ(c.PixelColor(1, 1), 0x0000FFu);
  c.SetPixel(9, 9, 0xFFFFFF);  // outside: ignored
  EXPECT_EQ(c.PixelColor(9, 9), 0u);
}

TEST_F(RasterCanvasTest, LineExcludesItsEndPixel) {
  RasterCanvas c(20, 20);
  c.SetPenColor(0xFFFFFF);
  c.MoveTo(2, 3);
  c.LineTo(7, 3);
  EXPECT_EQ(Drawn(c), (Pixels{{2, 3}, {3, 3}, {4, 3}, {5, 3}, {6, 3}}));
  // The next line starts at the current position and draws it.
  c.LineTo(7, 6);
  EXPECT_EQ(Drawn(c).size(), 8u);
  EXPECT_TRUE(Drawn(c).count({7, 3}));
  EXPECT_FALSE(Drawn(c).count({7, 6}));
}

TEST_F(RasterCanvasTest, LinesTakeOnePixelPerStepWithinHalfAPixelOfTheTrueLine) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> coord(0, 99);
  for (int i = 0; i < 300; ++i) {
    RasterCanvas c(100, 100);
    c.SetPenColor(0xFFFFFF);
    const int x0 = coord(rng), y0 = coord(rng), x1 = coord(rng), y1 = coord(rng);
    c.MoveTo(x0, y0);
    c.LineTo(x1, y1);
    const Pixels px = Drawn(c);
    const int n = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
    ASSERT_EQ(static_cast<int>(px.size()), n) << x0 << "," << y0 << " " << x1 << "," << y1;
    if (n == 0) continue;
    EXPECT_TRUE(px.count({x0, y0}));
    const double len = std::hypot(x1 - x0, y1 - y0);
    for (const auto& [x, y] : px) {
      // Distance along the minor axis from the true line at this pixel.
      const double cross = std::fabs((x - x0) * double(y1 - y0) - (y - y0) * double(x1 - x0)) / len;
      EXPECT_LE(cross * len / n, 0.5 + 1e-9) << x << "," << y;  // as an offset along the minor axis
    }
  }
}

// A line partly off the canvas keeps exactly the pixels it has on a canvas
// big enough for all of it.
TEST_F(RasterCanvasTest, EdgeClippingKeepsThePixelsOfTheWholeLine) {
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> coord(-250, 450);
  constexpr int kOff = 300;
  RasterCanvas small(200, 150), big(800, 800);
  for (RasterCanvas* c : {&small, &big}) c->SetPenColor(0x00FF00);
  for (int i = 0; i < 200; ++i) {
    const int x0 = coord(rng), y0 = coord(rng), x1 = coord(rng), y1 = coord(rng);
    small.Clear(0);
    big.Clear(0);
    small.MoveTo(x0, y0);
    small.LineTo(x1, y1);
    big.MoveTo(x0 + kOff, y0 + kOff);
    big.LineTo(x1 + kOff, y1 + kOff);
    Pixels expected;
    for (int y = 0; y < 150; ++y)
      for (int x = 0; x < 200; ++x)
        if (big.PixelColor(x + kOff, y + kOff)) expected.insert({x, y});
    ASSERT_EQ(Drawn(small), expected) << x0 << "," << y0 << " -> " << x1 << "," << y1;
  }
}

// A very long line takes the canvas's exact integer walk on a wide canvas
// and its fixed-point walk on a narrow one; both must round the same way,
// ties included: slopes 1/6, 5/12 and 1/2 put a pixel exactly half way
// between two rows every few steps.
TEST_F(RasterCanvasTest, LongAndShortWalksRoundAlike) {
  for (auto [dx, dy] : {std::pair{3'000'000, 500'000}, {2'400'000, -1'000'000}, {-3'000'000, 1'500'000},
                        {500'000, 3'000'000}, {1'500'001, 3'000'000}}) {
    RasterCanvas wide(1000, 1000), narrow(100, 100);
    for (RasterCanvas* c : {&wide, &narrow}) {
      const int off = c->Width() / 2;
      c->SetPenColor(0xFFFFFF);
      c->MoveTo(off - dx, off - dy);
      c->LineTo(off + dx, off + dy);
    }
    Pixels expected;
    for (int y = 0; y < 100; ++y)
      for (int x = 0; x < 100; ++x)
        if (wide.PixelColor(x + 450, y + 450)) expected.insert({x, y});
    EXPECT_GT(expected.size(), 40u);
    EXPECT_EQ(Drawn(narrow), expected) << dx << "," << dy;
  }
}

TEST_F(RasterCanvasTest, LinesFarOutsideTheIntegerRangeStayOnTheCanvas) {
  RasterCanvas c(50, 50);
  c.SetPenColor(0xFFFFFF);
  c.MoveTo(-2000000000, 25);
  c.LineTo(2000000000, 25);
  EXPECT_EQ(Drawn(c).size(), 50u);
  c.MoveTo(-2147483647, -2147483647);
  c.LineTo(2147483647, 2147483647);  // the diagonal
  EXPECT_TRUE(Drawn(c).count({10, 10}));
  EXPECT_EQ(c.PixelColor(49, 49), 0xFFFFFFu);
}

TEST_F(RasterCanvasTest, DashStylesStartAtTheLinesFirstPixel) {
  struct Case {
    TPenStyle style;
    const char* ink;  // the first 24 pixels of a long line
  };
  const Case cases[] = {
      {TPenStyle::Dot, "@@@...@@@...@@@...@@@..."},
      {TPenStyle::Dash, "@@@@@@@@@@@@@@@@@@......"},
      {TPenStyle::DashDot, "@@@@@@@@@......@@@......"},
      {TPenStyle::DashDotDot, "@@@@@@@@@...@@@...@@@..."},
      {TPenStyle::Clear, "........................"},
  };
  for (const Case& k : cases) {
    RasterCanvas c(40, 3);
    c.SetPenColor(0xFFFFFF);
    c.SetPenStyle(k.style);
    c.MoveTo(0, 1);
    c.LineTo(30, 1);
    std::string got;
    for (int x = 0; x < 24; ++x) got += c.PixelColor(x, 1) ? '@' : '.';
    EXPECT_EQ(got, k.ink) << PenStyleName(k.style);
  }
  // Clipped on the left, the dashes stay where the whole line puts them.
  RasterCanvas c(40, 3);
  c.SetPenColor(0xFFFFFF);
  c.SetPenStyle(TPenStyle::Dot);
  c.MoveTo(-4, 1);
  c.LineTo(30, 1);
  std::string got;
  for (int x = 0; x < 8; ++x) got += c.PixelColor(x, 1) ? '@' : '.';
  EXPECT_EQ(got, "..@@@...");
}

TEST_F(RasterCanvasTest, FillsUseTheBrushWhatEverTheMode) {
  RasterCanvas c(10, 10);
  c.SetBrushColor(0x123456);
  c.SetPenMode(TPenMode::Xor);
  c.FillRect({-5, 2, 3, 4});
  EXPECT_EQ(Drawn(c), (Pixels{{0, 2}, {1, 2}, {2, 2}, {0, 3}, {1, 3}, {2, 3}}));
  EXPECT_EQ(c.PixelColor(1, 3), 0x123456u);
  // A clear brush becomes solid again when it gets a colour.
  c.SetBrushStyle(TBrushStyle::Clear);
  c.SetBrushColor(0x00FF00);
  EXPECT_EQ(c.BrushStyle(), TBrushStyle::Solid);
}

TEST_F(RasterCanvasTest, PolygonFillsPixelCentresAndOutlinesInThePen) {
  const TPixelPoint square[] = {{10, 10}, {20, 10}, {20, 20}, {10, 20}};
  RasterCanvas c(40, 40);
  c.SetBrushColor(0x0000FF);
  c.SetPenStyle(TPenStyle::Clear);
  c.Polygon(square, 4);
  Pixels inside = Drawn(c);
  EXPECT_EQ(inside.size(), 100u);  // left and top edges in, right and bottom out
  EXPECT_TRUE(inside.count({10, 10}) && inside.count({19, 19}) && !inside.count({20, 15}));

  c.Clear(0);
  c.SetPenStyle(TPenStyle::Solid);
  c.SetPenColor(0x00FF00);
  c.Polygon(square, 4);
  EXPECT_EQ(Drawn(c).size(), 121u);
  EXPECT_EQ(c.PixelColor(20, 20), 0x00FF00u);  // outline
  EXPECT_EQ(c.PixelColor(15, 15), 0x0000FFu);  // inside

  // Even-odd: the middle of a doubly wound outline stays empty.
  const TPixelPoint twice[] = {{0, 0}, {30, 0}, {30, 30}, {0, 30}, {0, 0}, {10, 10}, {20, 10}, {20, 20}, {10, 20}, {10, 10}};
  c.Clear(0);
  c.SetPenStyle(TPenStyle::Clear);
  c.Polygon(twice, 10);
  EXPECT_EQ(c.PixelColor(15, 15), 0u);
  EXPECT_EQ(c.PixelColor(5, 5), 0x0000FFu);
}

TEST_F(RasterCanvasTest, PieCoversItsShareOfTheEllipse) {
  RasterCanvas c(220, 220);
  c.SetBrushColor(0xFFFFFF);
  c.SetPenColor(0xFFFFFF);
  const TPixelRect box{10, 10, 210, 210};  // radius 100 about (110, 110)
  c.Pie(box, {0, 0}, {0, 0});
  const double full = static_cast<double>(Drawn(c).size());
  EXPECT_NEAR(full, 3.14159 * 100 * 100, 400);
  c.Clear(0);
  c.Pie(box, {210, 110}, {110, 10});  // from east to north, counter-clockwise
  const Pixels quarter = Drawn(c);
  EXPECT_NEAR(static_cast<double>(quarter.size()), full / 4, 250);
  for (const auto& [x, y] : quarter) ASSERT_TRUE(x >= 109 && y <= 111) << x << "," << y;
}

// A circle's outline: every pixel near the true circle, each with a
// neighbour on both sides (no gaps), symmetric about both axes.
TEST_F(RasterCanvasTest, ArcOutlinesAreClosedAndSymmetric) {
  for (int d : {2, 3, 4, 5, 9, 10, 41, 200}) {
    RasterCanvas c(260, 260);
    c.SetPenColor(0xFFFFFF);
    const TPixelRect box{20, 20, 20 + d, 20 + d};
    c.Arc(box, {20, 20}, {20, 20});
    const Pixels px = Drawn(c);
    const double cx = 20 + d / 2.0, cy = cx, r = d / 2.0;
    ASSERT_FALSE(px.empty()) << d;
    for (const auto& [x, y] : px) {
      EXPECT_LE(std::fabs(std::hypot(x - cx, y - cy) - r), 0.75) << "d=" << d << " at " << x << "," << y;
      EXPECT_TRUE(px.count({static_cast<int>(2 * cx) - x, y})) << "mirror x, d=" << d;
      EXPECT_TRUE(px.count({x, static_cast<int>(2 * cy) - y})) << "mirror y, d=" << d;
      int neighbours = 0;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) neighbours += (dx || dy) && px.count({x + dx, y + dy});
      EXPECT_GE(neighbours, 2) << "gap at " << x << "," << y << " d=" << d;
    }
  }
}

TEST_F(RasterCanvasTest, ArcKeepsToItsRays) {
  RasterCanvas c(100, 100);
  c.SetPenColor(0xFFFFFF);
  // A quarter from the east ray to the north ray, counter-clockwise on screen.
  c.Arc({10, 10, 90, 90}, {90, 50}, {50, 10});
  const Pixels q = Drawn(c);
  ASSERT_GT(q.size(), 50u);
  for (const auto& [x, y] : q) EXPECT_TRUE(x >= 50 && y <= 50) << x << "," << y;
  // From north to east goes the long way round: three quarters.
  c.Clear(0);
  c.Arc({10, 10, 90, 90}, {50, 10}, {90, 50});
  EXPECT_NEAR(static_cast<double>(Drawn(c).size()), 3.0 * q.size(), 8);
  // East to west is exactly half a turn: the upper half.
  c.Clear(0);
  c.Arc({10, 10, 90, 90}, {90, 50}, {10, 50});
  const Pixels half = Drawn(c);
  EXPECT_NEAR(static_cast<double>(half.size()), 2.0 * q.size(), 4);
  for (const auto& [x, y] : half) EXPECT_LE(y, 50) << x << "," << y;
}

TEST_F(RasterCanvasTest, XorTogglesEveryCoveredPixelOnce) {
  struct Figure {
    const char* name;
    void (*draw)(RasterCanvas&);
  };
  static const TPixelPoint star[] = {{50, 5}, {80, 90}, {5, 35}, {95, 35}, {20, 90}};
  const Figure figures[] = {
      {"line", [](RasterCanvas& c) { c.MoveTo(3, 7); c.LineTo(150, 90); }},
      {"dotted line", [](RasterCanvas& c) { c.SetPenStyle(TPenStyle::DashDot); c.MoveTo(150, 3); c.LineTo(3, 97); }},
      {"polyline", [](RasterCanvas& c) {
         const TPixelPoint p[] = {{10, 10}, {90, 10}, {90, 50}, {10, 50}, {10, 11}};
         c.Polyline(p, 5);
       }},
      {"arc", [](RasterCanvas& c) { c.Arc({20, 20, 80, 70}, {80, 20}, {20, 70}); }},
      {"circle", [](RasterCanvas& c) { c.Arc({30, 30, 61, 61}, {0, 0}, {0, 0}); }},
      {"star polygon", [](RasterCanvas& c) { c.SetBrushColor(0x808000); c.Polygon(star, 5); }},
      {"pie", [](RasterCanvas& c) { c.SetBrushColor(0x8000FF); c.Pie({10, 10, 90, 90}, {90, 0}, {0, 90}); }},
  };
  for (const Figure& f : figures) {
    RasterCanvas c(160, 100);
    FillNoise(c, 3);
    const std::vector<std::uint32_t> before = c.Image().pixels;
    c.SetPenColor(0x5A3CF0);
    c.SetPenMode(TPenMode::Xor);
    f.draw(c);
    const std::vector<std::uint32_t> once = c.Image().pixels;
    EXPECT_NE(once, before) << f.name;
    for (std::uint32_t p : once) ASSERT_EQ(p >> 24, 0xFFu) << f.name;  // alpha untouched
    f.draw(c);
    EXPECT_EQ(c.Image().pixels, before) << f.name;
    // Each pixel is toggled once: none changed by pen and brush cancelling out.
    RasterCanvas copyMode(160, 100);
    copyMode.SetPenColor(0x5A3CF0);
    f.draw(copyMode);
    std::size_t changed = 0;
    for (std::size_t i = 0; i < once.size(); ++i) changed += once[i] != before[i];
    EXPECT_EQ(changed, Drawn(copyMode).size()) << f.name;
  }
}

TEST_F(RasterCanvasTest, CopyAndStretch) {
  RasterCanvas src(4, 2);
  for (int x = 0; x < 4; ++x) src.SetPixel(x, 0, 0x10 * (x + 1)), src.SetPixel(x, 1, 0x1000 * (x + 1));
  RasterCanvas dst(10, 10);
  dst.CopyRect({5, 5, 9, 7}, src, {0, 0, 4, 2});
  EXPECT_EQ(dst.PixelColor(5, 5), 0x10u);
  EXPECT_EQ(dst.PixelColor(8, 6), 0x4000u);
  // Twice the size: each source pixel becomes a 2 x 2 block; off the canvas is cut.
  dst.Clear(0);
  dst.CopyRect({2, 2, 10, 6}, src, {0, 0, 4, 2});
  EXPECT_EQ(dst.PixelColor(2, 2), 0x10u);
  EXPECT_EQ(dst.PixelColor(3, 3), 0x10u);
  EXPECT_EQ(dst.PixelColor(9, 5), 0x4000u);
  // A picture with transparency lands opaque.
  TRasterImage pic{1, 1, {0x00123456u}};
  dst.StretchDraw({0, 0, 2, 2}, pic);
  EXPECT_EQ(dst.Image().pixels[11], 0xFF123456u);
  // Within one canvas, overlapping: the source is read before it is overwritten.
  RasterCanvas row(6, 1);
  for (int x = 0; x < 6; ++x) row.SetPixel(x, 0, x + 1);
  row.CopyRect({1, 0, 6, 1}, row, {0, 0, 5, 1});
  for (int x = 1; x < 6; ++x) EXPECT_EQ(row.PixelColor(x, 0), static_cast<TColor>(x)) << x;
  // One to one with the source rectangle reaching past the source: only the
  // pixels that exist are copied, each to its own place.
  dst.Clear(0x777777);
  dst.CopyRect({0, 0, 6, 3}, src, {-1, -1, 5, 2});
  EXPECT_EQ(dst.PixelColor(0, 0), 0x777777u);
  EXPECT_EQ(dst.PixelColor(1, 1), 0x10u);
  EXPECT_EQ(dst.PixelColor(4, 2), 0x4000u);
  EXPECT_EQ(dst.PixelColor(5, 1), 0x777777u);
  EXPECT_EQ(dst.PixelColor(1, 0), 0x777777u);
  // And a destination partly off the canvas.
  dst.Clear(0);
  dst.CopyRect({-2, 8, 2, 10}, src, {0, 0, 4, 2});
  EXPECT_EQ(dst.PixelColor(0, 8), 0x30u);
  EXPECT_EQ(dst.PixelColor(1, 9), 0x4000u);
}

TEST_F(RasterCanvasTest, DirtyRectangleCoversWhatWasDrawn) {
  RasterCanvas c(100, 100);
  EXPECT_EQ(c.TakeDirty(), (TPixelRect{0, 0, 100, 100}));  // a new buffer is all dirty
  EXPECT_TRUE(c.TakeDirty().Empty());
  c.MoveTo(10, 20);
  c.LineTo(30, 25);
  EXPECT_EQ(c.Dirty(), (TPixelRect{10, 20, 30, 26}));
  c.Arc({50, 50, 60, 70}, {0, 0}, {0, 0});
  EXPECT_EQ(c.TakeDirty(), (TPixelRect{10, 20, 61, 71}));
  c.MoveTo(-50, -50);
  c.LineTo(-10, -10);  // off the canvas
  c.FillRect({200, 0, 300, 10});
  EXPECT_TRUE(c.TakeDirty().Empty());
}

}  // namespace

namespace {

// Everything a canvas draws, at random, in every mode: drawn whole, and
// drawn band by band into the same pixels, the pictures are the same pixel
// for pixel, and each band's dirty rectangle lies in its band.
TEST_F(RasterCanvasTest, BandsDrawExactlyWhatTheWholeCanvasDraws) {
  constexpr int kW = 173, kH = 131;
  RasterCanvas strip(64, 1);
  for (int x = 0; x < 64; ++x) strip.SetPixel(x, 0, x % 3 ? 0x00FF00 : 0xFF0000);
  const auto draw = [&](ICanvas& c) {
    std::mt19937 rng(12);
    const auto coord = [&](int extent) { return static_cast<int>(rng() % (extent + 80)) - 40; };
    for (int i = 0; i < 400; ++i) {
      c.SetPenColor(rng() & 0xFFFFFF);
      c.SetBrushColor(rng() & 0xFFFFFF);
      c.SetPenMode(rng() % 4 == 0 ? TPenMode::Xor : TPenMode::Copy);
      c.SetPenStyle(static_cast<TPenStyle>(rng() % 4));
      const TPixelPoint a{coord(kW), coord(kH)}, b{coord(kW), coord(kH)};
      switch (rng() % 7) {
        case 0:
        case 1:
          c.MoveTo(a.x, a.y);
          c.LineTo(b.x, b.y);
          break;
        case 2: c.Arc({a.x, a.y, a.x + 5 + static_cast<int>(rng() % 90), a.y + 5 + static_cast<int>(rng() % 70)}, b, a); break;
        case 3: {
          const TPixelPoint pts[4] = {a, b, {coord(kW), coord(kH)}, {coord(kW), coord(kH)}};
          c.Polygon(pts, 4);
          break;
        }
        case 4: c.FillRect({a.x, a.y, a.x + static_cast<int>(rng() % 50), a.y + static_cast<int>(rng() % 30)}); break;
        case 5: {
          const TPixelPoint pts[3] = {a, b, {coord(kW), coord(kH)}};
          c.SetPixels(pts, 3, rng() & 0xFFFFFF);
          break;
        }
        default: c.CopyRect({a.x, a.y, a.x + 40, a.y + 1}, strip, {0, 0, 40, 1}); break;
      }
    }
  };
  RasterCanvas whole(kW, kH);
  draw(whole);
  RasterCanvas banded(kW, kH);
  for (const auto& [top, bottom] : {std::pair{0, 37}, std::pair{37, 38}, std::pair{38, 100}, std::pair{100, kH}}) {
    RasterCanvas band(banded, top, bottom);
    EXPECT_EQ(band.Width(), kW);
    EXPECT_EQ(band.ClipRect().bottom, kH) << "a band decides as the whole canvas does";
    draw(band);
    const TPixelRect d = band.Dirty();
    EXPECT_TRUE(d.Empty() || (d.top >= top && d.bottom <= bottom)) << top << ".." << bottom;
  }
  ASSERT_EQ(banded.Image().pixels.size(), whole.Image().pixels.size());
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) ASSERT_EQ(banded.PixelColor(x, y), whole.PixelColor(x, y)) << x << "," << y;
}

}  // namespace
