// Pens: pen words to colours and widths on both backgrounds and on the
// printer, the palette, monochrome display, dash laying along lines, the
// line strips and the pen palette.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "VelmoTest.h"
#include "model/PVC.h"
#include "render/ApPenSet.h"
#include "render/RasterCanvas.h"
#include "render/RecordCanvas.h"
#include "render/Z_Graph.h"

namespace {

std::vector<std::string> Lines(const RecordCanvas& c, const char* prefix) {
  std::vector<std::string> out;
  for (const std::string& s : c.Log())
    if (s.rfind(prefix, 0) == 0) out.push_back(s);
  return out;
}

constexpr TColor kRed = Rgb(255, 0, 0);
constexpr TColor kWhite = Rgb(255, 255, 255);

class PenSetTest : public VelmoTest {
protected:
  // A screen view on a recording canvas, one pixel per unit, y up.
  void BindScreen(ICanvas& c) {
    ASSERT_TRUE(G_Begin(g, TTargetKind::PaintBox, &c));
    G_SetWindow(g, 0, 0, c.Width() - 1, c.Height() - 1);
  }
  TGContext g;
};

// --- palette and pen words

TEST_F(PenSetTest, PaletteFollowsTheBackground) {
  struct Case {
    int index;
    TColor black, white;
  };
  const Case cases[] = {
      {0, Rgb(0, 0, 0), kWhite},                         // the background
      {1, Rgb(0, 0, 255), Rgb(0, 0, 255)},
      {6, Rgb(255, 221, 0), Rgb(255, 221, 0)},
      {7, kWhite, Rgb(0, 0, 0)},                         // the contrast colour
      {8, Rgb(102, 34, 102), Rgb(238, 204, 238)},        // other groups, dimmed
      {14, Rgb(192, 192, 0), Rgb(224, 224, 128)},        // the auxiliary colour
      {15, Rgb(128, 128, 128), Rgb(128, 128, 128)},
  };
  for (const Case& c : cases) EXPECT_EQ(PaletteColor(c.index), c.black) << c.index;
  SetWhiteBackground(true);
  for (const Case& c : cases) EXPECT_EQ(PaletteColor(c.index), c.white) << c.index;
  EXPECT_EQ(BackgroundColor(), kWhite);
  // The auxiliary pen and its texts follow.
  EXPECT_EQ(CurPVC().pens[7].screenColor, Rgb(224, 224, 128));
  SetWhiteBackground(false);
  EXPECT_EQ(CurPVC().pens[7].screenColor, Rgb(192, 192, 0));
}

TEST_F(PenSetTest, PenWordsOnBothBackgrounds) {
  RecordCanvas c(100, 100);
  BindScreen(c);
  TPVC& pvc = CurPVC();
  pvc.pens[2].colorIndex = 3;
  pvc.selectionColor = 4;  // red
  BuildPenColours();
  for (bool white : {false, true}) {
    SetWhiteBackground(white);
    const TColor bg = white ? kWhite : 0;
    struct Case {
      std::uint16_t word;
      TPenMode mode;
      TColor colour;
    };
    const Case cases[] = {
        {0x0000, TPenMode::Copy, bg},                        // pen 0 erases
        {0x0030, TPenMode::Copy, bg},                        // any line type
        {0x0012, TPenMode::Copy, Rgb(0, 200, 200)},          // pen 2 in colour 3
        {0x0019, TPenMode::Copy, PaletteColor(14)},          // pen 9 draws as the auxiliary pen
        {0x2012, TPenMode::Copy, PaletteColor(8)},           // dimmed
        {0x4012, TPenMode::Copy, bg},                        // erased
        {0x8011, TPenMode::Copy, kRed},                      // selected
        {0x8011, TPenMode::Xor, white ? ~kRed & 0xFFFFFFu : kRed},  // XOR onto white shows red
        {0xC000, TPenMode::Copy, kRed},                      // selection wins over erasing
    };
    for (const Case& k : cases) {
      G_PenMode(g, k.mode);
      SetPen(g, k.word);
      EXPECT_EQ(c.PenColor(), k.colour) << std::hex << k.word << " white " << white;
      EXPECT_EQ(ScreenPenColor(g, k.word), k.colour) << std::hex << k.word;
    }
    G_PenMode(g, TPenMode::Copy);
  }
  EXPECT_EQ(XorColour(g), kRed);
}

TEST_F(PenSetTest, LineTypesSetThePatternAndTheStyle) {
  RecordCanvas c(100, 100);
  BindScreen(c);
  SetPen(g, 0x81);
  EXPECT_STREQ(g.linePattern, "@@@@@@@@@...@@...@@...@@@@@@@@@@");
  EXPECT_EQ(c.PenStyle(), TPenStyle::Dot);  // a pattern with gaps is laid
  SetPen(g, 0xC1);                          // type 12 draws as type 8
  EXPECT_STREQ(g.linePattern, "@@@@@@@@@...@@...@@...@@@@@@@@@@");
  SetPen(g, 0x11);
  EXPECT_EQ(c.PenStyle(), TPenStyle::Solid);
  SetPen(g, 0x01);
  EXPECT_STREQ(g.linePattern, "@...@...@...@...@...@...@...@...");
  EXPECT_STREQ(LineTypeLabel(7), "2点鎖");
  EXPECT_EQ(PenNumberOf(0), 1);
  EXPECT_EQ(LineTypeOf(0xF0), 8);
}

TEST_F(PenSetTest, ScreenWidthsAndMonochromeDisplay) {
  TPVC& pvc = CurPVC();
  const int widths[8] = {0, 1, 2, 3, 4, 5, 6, 1};
  for (int p = 1; p <= 7; ++p) pvc.pens[p].printWidth = widths[p];
  const TColor ink = Rgb(255, 255, 255), thin = Rgb(128, 128, 128), thick = Rgb(192, 192, 192);
  const TColor aux = Rgb(192, 192, 0);
  struct Case {
    bool vary, mono;
    int screenWidth[7];
    TColor colour[7];
  };
  const Case cases[] = {
      {false, false, {1, 1, 1, 1, 1, 1, 1},
       {PaletteColor(1), PaletteColor(2), PaletteColor(3), PaletteColor(4), PaletteColor(5), PaletteColor(6), aux}},
      {true, false, {1, 1, 2, 2, 3, 3, 1},
       {PaletteColor(1), PaletteColor(2), PaletteColor(3), PaletteColor(4), PaletteColor(5), PaletteColor(6), aux}},
      // Widths not varied: greys by print width, the widest pen (6) in ink.
      {false, true, {1, 1, 1, 1, 1, 1, 1}, {thin, thin, thick, thick, ink, ink, aux}},
      // Varied: odd print widths grey, even ones ink.
      {true, true, {1, 1, 2, 2, 3, 3, 1}, {thick, ink, thick, ink, thick, ink, aux}},
  };
  for (const Case& k : cases) {
    pvc.varyWidths = k.vary;
    pvc.monochrome = k.mono;
    BuildPenColours();
    for (int p = 1; p <= 7; ++p) {
      EXPECT_EQ(pvc.pens[p].screenWidth, k.screenWidth[p - 1]) << "pen " << p << " vary " << k.vary;
      EXPECT_EQ(pvc.pens[p].screenColor, k.colour[p - 1]) << "pen " << p << " vary " << k.vary << " mono " << k.mono;
    }
  }
  // The widest pen is inked even when it is thin.
  for (int p = 1; p <= 7; ++p) pvc.pens[p].printWidth = p % 2 + 1;  // 2, 1, 2, ...
  pvc.varyWidths = false;
  BuildPenColours();
  EXPECT_EQ(pvc.pens[1].screenColor, ink);
  EXPECT_EQ(pvc.pens[2].screenColor, thin);
  // On a white background the greys swap and the ink is black.
  SetWhiteBackground(true);
  EXPECT_EQ(pvc.pens[1].screenColor, Rgb(0, 0, 0));
  EXPECT_EQ(pvc.pens[2].screenColor, Rgb(192, 192, 192));
}

TEST_F(PenSetTest, TextSizeColours) {
  TPVC& pvc = CurPVC();
  pvc.textSizes[1].pen = 3;
  pvc.textSizes[2].pen = 7;
  BuildPenColours();
  EXPECT_EQ(pvc.textSizes[1].screenColor, pvc.pens[3].screenColor);
  EXPECT_EQ(pvc.textSizes[2].screenColor, Rgb(192, 192, 0));
  pvc.monochrome = true;
  BuildPenColours();
  EXPECT_EQ(pvc.textSizes[1].screenColor, Rgb(192, 240, 240));
  EXPECT_EQ(pvc.textSizes[2].screenColor, Rgb(192, 192, 0));  // auxiliary texts stay auxiliary
  SetWhiteBackground(true);
  EXPECT_EQ(pvc.textSizes[1].screenColor, Rgb(0, 0, 128));
}

TEST_F(PenSetTest, PrinterWidthsAndColoursByPrinterType) {
  RecordCanvas paper(5000, 7000, 600);
  ASSERT_TRUE(G_Begin(g, TTargetKind::Printer, &paper, 1.0));
  TPVC& pvc = CurPVC();
  pvc.pens[1].colorIndex = 3, pvc.pens[1].printWidth = 3;
  pvc.pens[2].colorIndex = 7, pvc.pens[2].printWidth = 0;
  pvc.pens[3].colorIndex = 9, pvc.pens[3].printBlack = true;
  pvc.pens[4].colorIndex = 6;
  BuildPenColours();
  // Print width in tenths of a millimetre: 3 at 600 dpi is 0.3 x 23.6 = 7 pixels.
  SetPen(g, 0x11);
  EXPECT_EQ(paper.PenWidth(), 7);
  SetPen(g, 0x12);  // width 0 prints as 1 tenth: max(2.4, 1)
  EXPECT_EQ(paper.PenWidth(), 2);
  G_End(g);
  ASSERT_TRUE(G_Begin(g, TTargetKind::Printer, &paper, 4.0));
  SetPen(g, 0x11);  // scaled by the root of the print scale
  EXPECT_EQ(paper.PenWidth(), 14);

  struct Case {
    int type, pen;
    TColor colour;
  };
  const Case cases[] = {
      {PRINTER_MONO, 1, 0},
      {PRINTER_COLOR, 1, Rgb(0, 200, 200)},
      {PRINTER_COLOR, 2, 0},  // colour 7 prints black
      {PRINTER_COLOR, 3, 0},  // print-black pen
      {PRINTER_PLOTTER, 1, Rgb(0, 255, 255)},
      {PRINTER_PLOTTER, 3, Rgb(0, 0, 255)},    // (0, 0, 128) cut to 8 colours
      {PRINTER_PLOTTER, 4, Rgb(255, 255, 0)},  // (255, 221, 0)
  };
  for (const Case& k : cases) {
    pvc.printerType = k.type;
    SetPen(g, static_cast<std::uint16_t>(0x10 | k.pen));
    EXPECT_EQ(paper.PenColor(), k.colour) << "type " << k.type << " pen " << k.pen;
  }
}

// --- dash laying along lines

// The ink pixels a dashed line from (x1, y1) to (x2, y2) leaves on a black
// canvas, and what they should be: pattern character k on the k-th pixel
// from the left (upper) end.
TEST_F(PenSetTest, DashesStartAtTheLeftOrUpperEndBothByStripAndPixelByPixel) {
  for (int length : {100, 60}) {
    for (bool vertical : {false, true}) {
      for (bool reversed : {false, true}) {
        RasterCanvas c(200, 200);
        BindScreen(c);
        c.SetBrushColor(0);
        SetPen(g, 0x31);  // "@@@@@@@@@.......", pen 1
        const TColor ink = c.PenColor();
        int x1 = 20, y1 = 30, x2 = vertical ? 20 : 20 + length, y2 = vertical ? 30 + length : 30;
        if (reversed) std::swap(x1, x2), std::swap(y1, y2);
        // Pixel coordinates: the view has y up, one unit per pixel.
        G_Line(g, x1, 199 - y1, x2, 199 - y2);
        std::string got, want;
        for (int k = -3; k <= length + 3; ++k) {
          const int x = vertical ? 20 : 20 + k, y = vertical ? 30 + k : 30;
          got += c.PixelColor(x, y) == ink ? '@' : '.';
          want += k >= 0 && k <= length && g.linePattern[k % 32] == '@' ? '@' : '.';
        }
        EXPECT_EQ(got, want) << "length " << length << " vertical " << vertical << " reversed " << reversed;
      }
    }
  }
}

TEST_F(PenSetTest, LongAxisLinesCopyThePatternStripShortOnesSetPixels) {
  RecordCanvas c(300, 300);
  BindScreen(c);
  SetPen(g, 0x31);
  c.Clear();
  G_Line(g, 10, 100, 110, 100);  // 101 pixels: blocks of 32 along the line
  EXPECT_EQ(Lines(c, "CopyRect"),
            (std::vector<std::string>{"CopyRect 10 199 42 200 0 0 32 1", "CopyRect 42 199 74 200 0 0 32 1",
                                      "CopyRect 74 199 106 200 0 0 32 1", "CopyRect 106 199 111 200 0 0 5 1"}));
  EXPECT_TRUE(Lines(c, "SetPixel").empty());
  c.Clear();
  G_Line(g, 10, 100, 70, 100);
  EXPECT_TRUE(Lines(c, "CopyRect").empty());
  EXPECT_EQ(Lines(c, "SetPixelFast").size(), 36u);  // steps 0-8, 16-24, 32-40, 48-56 of 0-60
  // The dot pattern of line type 2 in a one-pixel pen: the canvas's dot style.
  SetPen(g, 0x21);
  c.Clear();
  G_Line(g, 0, 299, 4, 297);
  EXPECT_EQ(c.Text(), "PenStyle Dot\nMoveTo 0 0\nLineTo 4 2\nPenStyle Dot");
  // A slanted line walks its major axis; the minor one rounds, halves to even.
  SetPen(g, 0x51);  // "@@@@@..@@..": steps 0-4, 7-8
  c.Clear();
  G_Line(g, 0, 299, 8, 295);  // pixels (0, 0) to (8, 4)
  const std::string ink = " " + std::to_string(PaletteColor(1));
  EXPECT_EQ(Lines(c, "SetPixelFast"),
            (std::vector<std::string>{"SetPixelFast 0 0" + ink, "SetPixelFast 1 0" + ink, "SetPixelFast 2 1" + ink,
                                      "SetPixelFast 3 2" + ink, "SetPixelFast 4 2" + ink, "SetPixelFast 7 4" + ink,
                                      "SetPixelFast 8 4" + ink}));
  // A line of one pixel is not laid at all.
  c.Clear();
  G_Line(g, 0, 299, 1, 299);
  EXPECT_TRUE(c.Log().empty());
}

TEST_F(PenSetTest, FeedbackAndWidePensUseTheCanvas) {
  RecordCanvas c(300, 300);
  BindScreen(c);
  struct Case {
    std::uint16_t word;
    const char* style;
  };
  // XOR feedback in a one-pixel pen: the canvas's own styles.
  const Case cases[] = {{0x31, "Dash"}, {0x41, "Dash"}, {0x51, "DashDot"}, {0x81, "DashDot"}, {0x21, "Dot"}};
  G_PenMode(g, TPenMode::Xor);
  for (const Case& k : cases) {
    SetPen(g, k.word);
    c.Clear();
    G_Line(g, 10, 10, 200, 10);
    EXPECT_EQ(c.Text(), std::string("PenStyle ") + k.style + "\nMoveTo 10 289\nLineTo 200 289\nPenStyle Dot")
        << std::hex << k.word;
  }
  // A wide pen: each run of ink is one solid line, to the pixel after it.
  G_PenMode(g, TPenMode::Copy);
  CurPVC().varyWidths = true;
  CurPVC().pens[3].printWidth = 5;
  BuildPenColours();
  SetPen(g, 0x33);
  ASSERT_EQ(c.PenWidth(), 3);
  c.Clear();
  G_Line(g, 10, 10, 50, 10);
  EXPECT_EQ(Lines(c, "LineTo"), (std::vector<std::string>{"LineTo 19 289", "LineTo 35 289", "LineTo 51 289"}));
  EXPECT_EQ(Lines(c, "MoveTo"), (std::vector<std::string>{"MoveTo 10 289", "MoveTo 26 289", "MoveTo 42 289"}));
}

TEST_F(PenSetTest, PrinterCharacterCoversNinePixelsAt600Dpi) {
  RecordCanvas paper(8000, 8000, 600);
  ASSERT_TRUE(G_Begin(g, TTargetKind::Printer, &paper, 1.0));
  SetPen(g, 0x31);  // "@@@@@@@@@......."
  paper.Clear();
  // From x = 20 mm: pixel 472 + the 236-pixel page offset; 900 pixels long.
  const double mm = 25.4 / 600;
  G_Line(g, 20, 50, 20 + 900 * mm, 50);
  const std::vector<std::string> moves = Lines(paper, "MoveTo"), lines = Lines(paper, "LineTo");
  ASSERT_GE(moves.size(), 2u);
  int x0, y0, x1, y1, x2, y2;
  ASSERT_EQ(std::sscanf(moves[0].c_str(), "MoveTo %d %d", &x0, &y0), 2);
  ASSERT_EQ(std::sscanf(lines[0].c_str(), "LineTo %d %d", &x1, &y1), 2);
  ASSERT_EQ(std::sscanf(moves[1].c_str(), "MoveTo %d %d", &x2, &y2), 2);
  EXPECT_EQ(x1 - x0, 9 * 9);   // nine inked characters of 9 pixels
  EXPECT_EQ(x2 - x0, 16 * 9);  // the next dash after a period of 16
  EXPECT_EQ(y1, y0);
  EXPECT_EQ(moves.size(), 7u);  // 100 characters: dashes at 0, 16, ..., 96
  int xe, ye;
  ASSERT_EQ(std::sscanf(lines.back().c_str(), "LineTo %d %d", &xe, &ye), 2);
  EXPECT_EQ(xe - x0, 900);  // the last dash ends with the line
}

// --- line strips

TEST_F(PenSetTest, StripLinesCopyTheirRowAndRefuseWhatTheyCannotServe) {
  RasterCanvas c(300, 100);
  BindScreen(c);
  CurPVC().selectionColor = 4;
  BuildPenColours();
  const auto row = [&](int y, int from, int to) {
    std::string s;
    for (int x = from; x < to; ++x) s += c.PixelColor(x, y) == 0 ? '.' : c.PixelColor(x, y) == kRed ? 'R' : 'o';
    return s;
  };
  ASSERT_TRUE(StripLine(g, 10, 20, 110, 20, 0x31));
  std::string want;
  for (int k = 0; k < 100; ++k) want += LineTypePattern(3)[k % 32] == '@' ? 'o' : '.';
  EXPECT_EQ(row(20, 10, 110), want);
  EXPECT_EQ(c.PixelColor(110, 20), 0u);  // the end pixel is left out
  // Drawn from its right end, the phase still starts on the left; selected,
  // it is in the selection colour.
  ASSERT_TRUE(StripLine(g, 110, 30, 10, 30, 0x8031));
  std::string selected = want;
  for (char& ch : selected) ch = ch == 'o' ? 'R' : ch;
  EXPECT_EQ(row(30, 10, 110), selected);
  ASSERT_TRUE(StripLine(g, 250, 5, 250, 95, 0x11));  // vertical, solid
  for (int y = 5; y < 95; ++y) ASSERT_NE(c.PixelColor(250, y), 0u) << y;

  // Not for slanted lines, XOR, varied widths or the printer; not past the
  // strip's end (it is at least as long as the canvas is wide, at least 2048).
  EXPECT_FALSE(StripLine(g, 10, 20, 110, 21, 0x31));
  EXPECT_FALSE(StripLine(g, 10, 40, 5000, 40, 0x31));
  EXPECT_EQ(row(40, 0, 240), std::string(240, '.'));
  G_PenMode(g, TPenMode::Xor);
  EXPECT_FALSE(StripLine(g, 10, 50, 110, 50, 0x31));
  G_PenMode(g, TPenMode::Copy);
  CurPVC().varyWidths = true;
  EXPECT_FALSE(StripLine(g, 10, 50, 110, 50, 0x31));
  CurPVC().varyWidths = false;
  RecordCanvas paper(8000, 8000, 600);
  TGContext p;
  ASSERT_TRUE(G_Begin(p, TTargetKind::Printer, &paper, 1.0));
  EXPECT_FALSE(StripLine(p, 10, 50, 110, 50, 0x31));
  // A canvas wider than the strips makes them grow.
  RecordCanvas wide(6000, 50);
  TGContext w;
  ASSERT_TRUE(G_Begin(w, TTargetKind::PaintBox, &wide));
  wide.Clear();
  EXPECT_TRUE(StripLine(w, 0, 10, 5000, 10, 0x31));
  EXPECT_EQ(wide.Text(), "CopyRect 0 10 5000 11 0 49 5000 50");  // row 16 * 3 + 1
}

TEST_F(PenSetTest, StripsFollowTheColours) {
  RasterCanvas c(200, 50);
  BindScreen(c);
  ASSERT_TRUE(StripLine(g, 0, 10, 100, 10, 0x12));
  EXPECT_EQ(c.PixelColor(50, 10), PaletteColor(2));
  CurPVC().pens[2].colorIndex = 5;
  BuildPenColours();
  ASSERT_TRUE(StripLine(g, 0, 10, 100, 10, 0x12));
  EXPECT_EQ(c.PixelColor(50, 10), PaletteColor(5));
  SetWhiteBackground(true);
  ASSERT_TRUE(StripLine(g, 0, 12, 100, 12, 0x32));  // gaps in the background colour
  EXPECT_EQ(c.PixelColor(12, 12), kWhite);
  ASSERT_TRUE(StripLine(g, 0, 14, 100, 14, 0x2012));  // dimmed
  EXPECT_EQ(c.PixelColor(5, 14), Rgb(238, 204, 238));
}

// --- pen palette

TEST_F(PenSetTest, PalettePicksSetTheWritePen) {
  TPVC& pvc = CurPVC();
  pvc.writePen = 0x32;
  EXPECT_EQ(PenPaletteClick(TPenSample::LineType, 5), 0x52);  // type 5, current pen
  EXPECT_EQ(PenPaletteClick(TPenSample::Pen, 4), 0x14);       // pen 4, solid
  EXPECT_EQ(PenPaletteClick(TPenSample::Aux, 7), 0x57);
  EXPECT_EQ(PenPaletteClick(TPenSample::LineType, 2), 0x27);  // keeps the auxiliary pen
  EXPECT_EQ(PenPaletteClick(TPenSample::Pen, 7), 0x27);       // not a pen sample: no change
  EXPECT_EQ(PenPaletteClick(TPenSample::LineType, 9), 0x27);
  EXPECT_EQ(pvc.writePen, 0x27);
  EXPECT_EQ(pvc.penPresets[0], 0x27);
  pvc.writePen = 0x0C;  // pen 12 draws as 7
  EXPECT_EQ(PenPaletteClick(TPenSample::LineType, 3), 0x37);
}

TEST_F(PenSetTest, PalettePaintsSamplesAndPreviews) {
  TPVC& pvc = CurPVC();
  pvc.writePen = 0;
  pvc.penPresets = {0, 0, 0, 0, 0, 0};
  std::vector<std::unique_ptr<RasterCanvas>> own;
  const auto canvas = [&] { return own.emplace_back(std::make_unique<RasterCanvas>(120, 24)).get(); };
  TPenPaletteTargets t;
  for (auto& p : t.pens) p = canvas();
  t.aux = canvas();
  for (auto& p : t.lineTypes) p = canvas();
  t.writePen = canvas();
  for (auto& p : t.presets) p = canvas();
  SetWhiteBackground(true);
  PenPaletteBuild(t);
  EXPECT_EQ(pvc.writePen, 0x11);
  EXPECT_EQ(pvc.penPresets, (std::array<std::int32_t, 6>{0x11, 0x21, 0x23, 0x25, 0x51, 0x53}));
  const auto raster = [](ICanvas* c) { return static_cast<const RasterCanvas*>(c); };
  const auto count = [&](ICanvas* canvas, TColor colour) {
    const RasterCanvas* c = raster(canvas);
    int n = 0;
    for (int y = 0; y < c->Height(); ++y)
      for (int x = 0; x < c->Width(); ++x) n += c->PixelColor(x, y) == colour;
    return n;
  };
  // Pen samples: the pen's line on the background.
  for (int p = 0; p < 6; ++p) {
    EXPECT_EQ(raster(t.pens[p])->PixelColor(1, 1), kWhite);
    EXPECT_GE(count(t.pens[p], pvc.pens[p + 1].screenColor), 60) << p;
  }
  // Line types on grey; type 3 is a dashed line of 9 on, 7 off.
  EXPECT_EQ(raster(t.lineTypes[2])->PixelColor(1, 1), Rgb(192, 192, 192));
  std::string dashes;
  for (int x = 46; x < 78; ++x) dashes += raster(t.lineTypes[2])->PixelColor(x, 12) == 0 ? '@' : '.';
  EXPECT_EQ(dashes, LineTypePattern(3));
  // The previews: the write pen solid, preset D in its dash-dot.
  EXPECT_GE(count(t.writePen, pvc.pens[1].screenColor), 110);
  const int d = count(t.presets[3], pvc.pens[1].screenColor);
  EXPECT_GT(d, 60);
  EXPECT_LT(d, 110);
  // A bad index leaves the canvas alone.
  RasterCanvas spare(20, 20);
  TGContext v;
  ASSERT_TRUE(G_Begin(v, TTargetKind::Image, &spare));
  spare.Clear(0x123456);
  PenSampleDraw(v, TPenSample::Pen, 0);
  EXPECT_EQ(spare.PixelColor(5, 5), 0x123456u);
}

}  // namespace
