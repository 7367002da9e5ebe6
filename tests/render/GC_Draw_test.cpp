// Drawing cells: visibility and dimming, the fast paths' thresholds, fills,
// pictures and their cache, the grid, and the layering order of a full
// drawing with its counts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <sstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "VelmoTest.h"
#include "kernel/Wiring.h"
#include "model/GC_DB.h"
#include "model/PVC.h"
#include "render/ApPenSet.h"
#include "render/GC_Draw.h"
#include "render/GC_Tenkai.h"
#include "render/RasterCanvas.h"
#include "render/RecordCanvas.h"
#include "render/Z_Graph.h"

namespace {

constexpr double kPi = std::numbers::pi;

TGcell Cell(std::int8_t kind, std::uint16_t pen = 0x11, std::uint8_t layer = 0x00) {
  TGcell c;
  c.window = 1;
  c.kind = kind;
  c.pen = pen;
  c.layer = layer;
  return c;
}

TGcell Line(double x1, double y1, double x2, double y2, std::uint16_t pen = 0x11, std::uint8_t layer = 0) {
  TGcell c = Cell(GK_LINE, pen, layer);
  c.p[0] = x1, c.p[1] = y1, c.p[2] = x2, c.p[3] = y2;
  return c;
}

// The log's lines that start with the word.
std::vector<std::string> Calls(const RecordCanvas& rc, const std::string& word) {
  std::vector<std::string> out;
  for (const std::string& s : rc.Log())
    if (s.rfind(word + " ", 0) == 0 || s == word) out.push_back(s);
  return out;
}

bool Has(const RecordCanvas& rc, const std::string& line) {
  return std::find(rc.Log().begin(), rc.Log().end(), line) != rc.Log().end();
}

// The index of the first log line satisfying pred; -1 when none.
int FirstIndex(const RecordCanvas& rc, const std::function<bool(const std::string&)>& pred) {
  for (std::size_t i = 0; i < rc.Log().size(); ++i)
    if (pred(rc.Log()[i])) return static_cast<int>(i);
  return -1;
}

std::vector<int> Ints(const std::string& line) {
  std::istringstream in(line);
  std::string word;
  in >> word;
  std::vector<int> v;
  for (int x; in >> x;) v.push_back(x);
  return v;
}

// A 201 x 101 pixel view of 200 x 100 units, one drawing unit per pixel, y up; basic scale 1.
class DrawTest : public VelmoTest {
protected:
  void SetUp() override {
    VelmoTest::SetUp();
    CurPVC().basicScale = 1;
    BuildPenColours();
    Bind(rec);
  }
  void Bind(ICanvas& canvas, double x1 = 0, double y1 = 0, double x2 = 200, double y2 = 100) {
    G_Begin(g, TTargetKind::PaintBox, &canvas);
    G_SetWindow(g, x1, y1, x2, y2);
  }
  RecordCanvas rec{201, 101};
  TGContext g;
};

// ---- visibility ------------------------------------------------------------

TEST_F(DrawTest, VisibilityFollowsGroupsLayersFlagsAndClassSwitches) {
  TPVC& pvc = CurPVC();
  pvc.groups[2].visible = false;
  pvc.groups[3].layers[4].visible = false;
  TGcell text = Cell(GK_TEXT, 0x01);
  text.size = 1;  // size 1 draws in pen 1
  TGcell auxText = text;
  pvc.textSizes[2].pen = 7;
  auxText.size = 2;
  struct Case {
    const char* what;
    TGcell cell;
    std::function<void(TDisplaySwitches&)> sw;
    bool shown;
  } cases[] = {
      {"live line", Line(0, 0, 1, 1), {}, true},
      {"dead slot", Cell(0), {}, false},
      {"deleted", Cell(-GK_LINE), {}, false},
      {"hidden group", Line(0, 0, 1, 1, 0x11, 0x21), {}, false},
      {"hidden layer", Line(0, 0, 1, 1, 0x11, 0x34), {}, false},
      {"other layer of that group", Line(0, 0, 1, 1, 0x11, 0x35), {}, true},
      {"selected on a hidden layer", Line(0, 0, 1, 1, 0x8011, 0x34), {}, true},
      {"highlighted in a hidden group", Line(0, 0, 1, 1, 0x4011, 0x21), {}, true},
      {"lines off", Line(0, 0, 1, 1), [](TDisplaySwitches& s) { s.lines = false; }, false},
      {"arcs follow the line switch", Cell(GK_ARC), [](TDisplaySwitches& s) { s.lines = false; }, false},
      {"arcs ignore the text switch", Cell(GK_ARC), [](TDisplaySwitches& s) { s.texts = false; }, true},
      {"texts off", text, [](TDisplaySwitches& s) { s.texts = false; }, false},
      {"fills off", Cell(GK_FILL4K), [](TDisplaySwitches& s) { s.fills = false; }, false},
      {"polygons off", Cell(GK_POLYGON), [](TDisplaySwitches& s) { s.fills = false; }, false},
      {"pictures off", Cell(GK_PICTURE), [](TDisplaySwitches& s) { s.pictures = false; }, false},
      {"points off", Cell(GK_POINT), [](TDisplaySwitches& s) { s.points = false; }, false},
      {"aux line, aux off", Line(0, 0, 1, 1, 0x57), [](TDisplaySwitches& s) { s.auxiliary = false; }, false},
      {"aux line ignores lines off", Line(0, 0, 1, 1, 0x57), [](TDisplaySwitches& s) { s.lines = false; }, true},
      {"text in an aux size, aux off", auxText, [](TDisplaySwitches& s) { s.auxiliary = false; }, false},
      {"text in an aux size, texts off", auxText, [](TDisplaySwitches& s) { s.texts = false; }, true},
  };
  const TDisplaySwitches base = pvc.show;
  for (const Case& c : cases) {
    pvc.show = base;
    if (c.sw) c.sw(pvc.show);
    EXPECT_EQ(IsCellShown(c.cell), c.shown) << c.what;
  }
}

TEST_F(DrawTest, HiddenGroupLineIsOmittedOrDimmed) {
  RasterCanvas rc(201, 101);
  Bind(rc);
  CurPVC().groups[1].visible = false;
  const TGcell hidden = Line(20, 50, 120, 50, 0x11, 0x10);
  DrawCell(g, hidden);
  EXPECT_EQ(rc.PixelColor(60, 50), BackgroundColor());
  CurPVC().show.dimHidden = true;
  DrawCell(g, hidden);
  EXPECT_EQ(rc.PixelColor(60, 50), PaletteColor(8));
  // An auxiliary cell with its switch off is not dimmed in.
  CurPVC().show.auxiliary = false;
  DrawCell(g, Line(20, 30, 120, 30, 0x17, 0x10));
  EXPECT_EQ(rc.PixelColor(60, 30), BackgroundColor());
}

TEST_F(DrawTest, SelectedCellOfHiddenLayerIsDrawnInSelectionColour) {
  RasterCanvas rc(201, 101);
  Bind(rc);
  CurPVC().groups[0].layers[5].visible = false;
  DrawCell(g, Line(20, 50, 120, 51, 0x8011, 0x05));
  EXPECT_EQ(rc.PixelColor(20, 50), XorColour(g));
  EXPECT_NE(XorColour(g), BackgroundColor());
}

// ---- fast paths -----------------------------------------------------------

TEST_F(DrawTest, ShortDashedLineIsSolidLongOneKeepsItsPattern) {
  // Oblique, so no line strip takes them.
  DrawCell(g, Line(10, 10, 15, 14, 0x31));
  EXPECT_TRUE(Has(rec, "MoveTo 10 90"));
  EXPECT_TRUE(Has(rec, "LineTo 15 86"));
  EXPECT_TRUE(Calls(rec, "SetPixelFast").empty());
  rec.Clear();
  DrawCell(g, Line(10, 10, 30, 24, 0x31));
  EXPECT_FALSE(Has(rec, "LineTo 30 76"));
  const auto dots = Calls(rec, "SetPixelFast");
  EXPECT_GT(dots.size(), 3u);
  EXPECT_LT(dots.size(), 20u);  // the pattern leaves gaps
}

TEST_F(DrawTest, StripsTakeHorizontalAndVerticalDashedLinesInCopyModeOnly) {
  struct Case {
    TGcell line;
    bool strip;
  } cases[] = {
      {Line(10, 50, 150, 50, 0x21), true},    // horizontal, dotted
      {Line(10, 50, 150, 50, 0x11), false},   // horizontal, solid: a plain line
      {Line(50, 10, 50, 90, 0x31), true},     // vertical, type 3
      {Line(50, 10, 50, 90, 0x21), false},    // vertical dotted: laid, not copied
      {Line(10, 10, 150, 90, 0x31), false},   // oblique
      {Line(-10, 50, 40, 50, 0x31), false},   // not wholly inside: the general path lays it
  };
  for (const Case& c : cases) {
    rec.Clear();
    DrawCell(g, c.line);
    EXPECT_EQ(!Calls(rec, "CopyRect").empty(), c.strip) << c.line.p[0] << "," << c.line.p[1] << " pen " << c.line.pen;
  }
  // In XOR mode, and with varied widths, nothing is copied.
  rec.Clear();
  XorCell(g, Line(10, 50, 150, 50, 0x21));
  EXPECT_TRUE(Calls(rec, "CopyRect").empty());
  CurPVC().varyWidths = true;
  CurPVC().pens[2].screenWidth = 3;
  rec.Clear();
  DrawCell(g, Line(10, 50, 150, 50, 0x22));
  EXPECT_TRUE(Calls(rec, "CopyRect").empty());
  rec.Clear();
  DrawCell(g, Line(10, 50, 150, 50, 0x12));  // solid: the fast path in the pen's width
  EXPECT_TRUE(Has(rec, "PenWidth 3"));
  EXPECT_TRUE(Has(rec, "LineTo 150 50"));
}

TEST_F(DrawTest, LineEndsAreRoundedAndADotLineGetsOnePixel) {
  DrawCell(g, Line(10.4, 10.4, 10.6, 10.4));
  // Both ends round to different pixels only after the second moves right.
  EXPECT_TRUE(Has(rec, "MoveTo 10 90"));
  EXPECT_TRUE(Has(rec, "LineTo 11 90"));
}

TEST_F(DrawTest, FastLineLandsOnThePixelsOfThePointConversion) {
  // An odd bottom row: halves round the same way as the conversion's.
  RecordCanvas odd(201, 100);
  Bind(odd, 0, 0, 200, 99);
  ASSERT_EQ(g.devBottom, 99);
  for (double y : {2.5, 3.5, 10.5, 50.0, 97.5}) {
    odd.Clear();
    DrawCell(g, Line(10.5, y, 150.5, y));
    int x1, y1, x2, y2;
    G_ToPixelInt(g, 10.5, y, x1, y1);
    G_ToPixelInt(g, 150.5, y, x2, y2);
    EXPECT_TRUE(Has(odd, "MoveTo " + std::to_string(x1) + " " + std::to_string(y1))) << y;
    EXPECT_TRUE(Has(odd, "LineTo " + std::to_string(x2) + " " + std::to_string(y2))) << y;
  }
}

TEST_F(DrawTest, LineCrossingTheWindowEdgeIsClippedByTheGeneralPath) {
  DrawCell(g, Line(-50, 50, 100, 50, 0x11));
  ASSERT_FALSE(Calls(rec, "LineTo").empty());
  for (const std::string& s : rec.Log())
    if (s.rfind("MoveTo", 0) == 0 || s.rfind("LineTo", 0) == 0) {
      EXPECT_GE(Ints(s)[0], 0) << s;
    }
  rec.Clear();
  DrawCell(g, Line(-50, -50, -10, -10, 0x11));  // wholly outside
  EXPECT_TRUE(Calls(rec, "LineTo").empty());
}

TEST_F(DrawTest, FlatArcIsALineAndARoundOneAnArc) {
  TGcell arc = Cell(GK_ARC);
  arc.p[0] = 100, arc.p[1] = 50, arc.p[4] = 40, arc.p[5] = 1;
  arc.p[7] = 0, arc.p[8] = 10 * kPi / 180;  // sagitta 40 (1 - cos 5 deg) = 0.15 pixel
  DrawCell(g, arc);
  EXPECT_TRUE(Calls(rec, "Arc").empty());
  EXPECT_TRUE(Has(rec, "MoveTo 140 50"));
  EXPECT_TRUE(Has(rec, "LineTo 139 43"));
  rec.Clear();
  arc.p[8] = 60 * kPi / 180;
  DrawCell(g, arc);
  EXPECT_FALSE(Calls(rec, "Arc").empty() && Calls(rec, "Polyline").empty());
  EXPECT_FALSE(Has(rec, "LineTo 120 15"));  // not the chord
}

TEST_F(DrawTest, CircleInsideIsOnePlatformArcEllipseAndDashedGoGeneral) {
  TGcell c = Cell(GK_CIRCLE);
  c.p[0] = 100, c.p[1] = 50, c.p[4] = 20, c.p[5] = 1;
  DrawCell(g, c);
  EXPECT_EQ(Calls(rec, "Arc"), std::vector<std::string>{"Arc 80 30 120 70 120 50 120 50"});
  // A circle under a pixel: one pixel above the centre's.
  rec.Clear();
  c.p[4] = 0.8;
  DrawCell(g, c);
  EXPECT_TRUE(Has(rec, "MoveTo 100 49"));
  EXPECT_TRUE(Has(rec, "LineTo 100 50"));
  // An ellipse is never drawn as the platform's circle.
  rec.Clear();
  c.p[4] = 20, c.p[5] = 0.5;
  DrawCell(g, c);
  EXPECT_NE(Calls(rec, "Arc"), std::vector<std::string>{"Arc 80 30 120 70 120 50 120 50"});
}

TEST_F(DrawTest, SmallTextIsABoxLargerTextIsText) {
  TPVC& pvc = CurPVC();
  TGcell t = Cell(GK_TEXT, 0x01);
  t.size = 0;
  t.text = "ABCD";
  t.p[0] = 50, t.p[1] = 40;
  t.p[2] = 4, t.p[3] = 5, t.p[4] = 1;  // width 4, height 5, gap 1
  (void)pvc;
  DrawCell(g, t);
  EXPECT_TRUE(Calls(rec, "TextOut").empty());
  // b = trunc(0.8 * 5) = 4 high, L = trunc(4 * (4 + 1) / 2) = 10 long.
  EXPECT_TRUE(Has(rec, "MoveTo 50 60"));
  EXPECT_TRUE(Has(rec, "LineTo 60 60"));
  EXPECT_TRUE(Has(rec, "LineTo 60 56"));
  EXPECT_TRUE(Has(rec, "LineTo 50 56"));
  // Upward text: the box stands to the left of its line.
  rec.Clear();
  t.p[6] = kPi / 2;
  DrawCell(g, t);
  EXPECT_TRUE(Has(rec, "LineTo 50 50"));
  EXPECT_TRUE(Has(rec, "LineTo 46 50"));
  rec.Clear();
  t.p[6] = 0;
  t.p[3] = 8;
  DrawCell(g, t);
  EXPECT_FALSE(Calls(rec, "TextOut").empty());
  // A small text with codes is laid out, not boxed.
  rec.Clear();
  t.p[3] = 5;
  t.text = "X^u2";
  DrawCell(g, t);
  EXPECT_FALSE(Has(rec, "LineTo 60 56"));
}

TEST_F(DrawTest, DraggingBoxesTextUpTo16Pixels) {
  TGcell t = Cell(GK_TEXT, 0x01);
  t.text = "AB";
  t.p[0] = 50, t.p[1] = 40, t.p[2] = 10, t.p[3] = 15, t.p[4] = 0;
  g_draw.dragging = true;
  DrawCell(g, t);
  EXPECT_TRUE(Calls(rec, "TextOut").empty());
  g_draw.dragging = false;
  DrawCell(g, t);
  EXPECT_FALSE(Calls(rec, "TextOut").empty());
}

// ---- fills ---------------------------------------------------------------

TEST_F(DrawTest, FillColourFromTextPenAndFlags) {
  RasterCanvas rc(201, 101);
  Bind(rc);
  TGcell f = Cell(GK_FILL4K, 0x11);
  SetPen(g, 0x11);
  const TColor pen1 = rc.PenColor();
  struct Case {
    const char* text;
    std::uint16_t pen;
    TColor want;
  } cases[] = {
      {"$000000FF", 0x11, 0x0000FF},       // red in the low byte
      {"$00ff8040", 0x11, 0xFF8040},
      {"", 0x11, pen1},                    // the pen's colour
      {"0", 0x11, pen1},
      {"$zz", 0x11, pen1},                 // unreadable: the pen's colour
      {"$123456789", 0x11, pen1},          // too many digits
      {"$00000000", 0x11, PaletteColor(7)},  // the background becomes the contrast colour
      {"$000000FF", 0x2011, PaletteColor(8)},
      {"$000000FF", 0x4011, PaletteColor(0)},
      {"$000000FF", 0x10, PaletteColor(0)},
  };
  for (const Case& c : cases) {
    f.text = c.text;
    f.pen = c.pen;
    EXPECT_EQ(FillColour(g, f), c.want) << c.text << " pen " << c.pen;
  }
  f.pen = 0x8011;
  EXPECT_EQ(FillColour(g, f), XorColour(g));
}

TEST_F(DrawTest, MonochromeOnWhiteFillsInGrey) {
  SetWhiteBackground(true);
  CurPVC().monochrome = true;
  TGcell f = Cell(GK_FILL4K, 0x11);
  f.text = "$00306090";  // r 0x90, g 0x60, b 0x30: grey (144 + 96 + 48) / 3 = 96
  EXPECT_EQ(FillColour(g, f), Rgb(96, 96, 96));
}

TEST_F(DrawTest, PolygonVerticesTable) {
  std::vector<double> xs, ys;
  struct Case {
    const char* text;
    int count;
  } cases[] = {
      {"$00FF0000,0,0,10,0,10,10", 3}, {"0,1.5,2,3,4,5,-6,7,8", 4}, {"0, 1 ,2 ,3,4,5,6", 3},
      {"0,0,0,1,x,2,2", 0},        // not a number
      {"0,0,0,1,1,nan,2", 0},      // not finite
      {"0,1e400,0,1,1,2,2", 0},    // out of range
      {"0,0,0,1,1,", 2},           // the field after the last pair is not read
      {"0,0,0,1,1,x", 2},          {"0,0,0,1", 1},  // one vertex and a stray field
      {"0,0,0,5,5", 2},            // two vertices: counted, no area
      {"0,", 0},                   {"$FF", 0},      {"", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PolygonGetVertices(c.text, xs, ys), c.count) << c.text;
    if (c.count) {
      ASSERT_EQ(xs.size(), static_cast<std::size_t>(c.count + 1)) << c.text;
      EXPECT_EQ(xs.back(), xs.front());
      EXPECT_EQ(ys.back(), ys.front());
    } else {
      EXPECT_TRUE(xs.empty() && ys.empty()) << c.text;
    }
  }
  PolygonGetVertices("0,1.5,2,3,4,5,-6,7,8", xs, ys);
  EXPECT_EQ(xs, (std::vector<double>{1.5, 3, 5, 7, 1.5}));
  EXPECT_EQ(ys, (std::vector<double>{2, 4, -6, 8, 2}));
}

TEST_F(DrawTest, PolygonSetVerticesKeepsColourAndSetsBox) {
  TGcell c = Cell(GK_POLYGON);
  c.text = "$000000FF,9,9,9,9,9,9";
  const double xs[] = {1, 5.25, -3}, ys[] = {2, 8, 4};
  PolygonSetVertices(c, xs, ys, 3);
  EXPECT_EQ(c.text, "$000000FF,1.00,2.00,5.25,8.00,-3.00,4.00");
  EXPECT_EQ(c.p[0], -3);
  EXPECT_EQ(c.p[1], 2);
  EXPECT_EQ(c.p[2], 5.25);
  EXPECT_EQ(c.p[3], 8);
  std::vector<double> rx, ry;
  EXPECT_EQ(PolygonGetVertices(c.text, rx, ry), 3);
  EXPECT_EQ(rx, (std::vector<double>{1, 5.25, -3, 1}));
  // Without a "$" colour the token is "0".
  for (const char* text : {"", "abc,1,2", "7"}) {
    c.text = text;
    PolygonSetVertices(c, xs, ys, 3);
    EXPECT_EQ(c.text.substr(0, 7), "0,1.00,") << text;
  }
  c.text = "$00FF0000";
  PolygonSetVertices(c, xs, ys, 1);
  EXPECT_EQ(c.text, "$00FF0000,1.00,2.00");
  EXPECT_EQ(PolygonGetVertices(c.text, rx, ry), 1);
}

TEST_F(DrawTest, PolygonFillInsideAndClippedAndUnreadable) {
  TGcell p = Cell(GK_POLYGON);
  p.text = "$000000FF,10,10,50,10,30,40";
  p.p[0] = 10, p.p[1] = 10, p.p[2] = 50, p.p[3] = 40;
  DrawCell(g, p);
  EXPECT_EQ(Calls(rec, "Polygon"), std::vector<std::string>{"Polygon 10 90 50 90 30 60 10 90"});
  EXPECT_TRUE(Has(rec, "BrushColor 255"));
  // Partly outside: clipped to the window widened by a tenth of its height.
  rec.Clear();
  p.text = "0,-500,10,50,10,30,40";
  p.p[0] = -500;
  DrawCell(g, p);
  const auto polys = Calls(rec, "Polygon");
  ASSERT_EQ(polys.size(), 1u);
  const std::vector<int> v = Ints(polys[0]);
  for (std::size_t i = 0; i < v.size(); i += 2) EXPECT_GE(v[i], -10);
  // Unreadable vertices: nothing filled, nothing thrown.
  rec.Clear();
  p.text = "0,10,10,50,oops,30,40";
  DrawCell(g, p);
  EXPECT_TRUE(Calls(rec, "Polygon").empty());
}

TEST_F(DrawTest, SectorFillAppliesTiltAndFlatness) {
  RasterCanvas rc(201, 101);
  Bind(rc);
  TGcell s = Cell(GK_POLYARC);
  s.text = "$0000FF00";
  s.p[0] = 100, s.p[1] = 50, s.p[4] = 40, s.p[5] = 0.25, s.p[6] = kPi / 2;  // a tall ellipse
  DrawCell(g, s);
  EXPECT_EQ(rc.PixelColor(100, 50 - 35), 0x00FF00u);  // along the tilted long axis
  EXPECT_EQ(rc.PixelColor(100 + 35, 50), BackgroundColor());
  // A half: from 0 to pi about the centre (untilted) fills the upper half.
  rc.Clear(BackgroundColor());
  s.p[5] = 1, s.p[6] = 0, s.p[4] = 30, s.p[7] = 0, s.p[8] = kPi;
  DrawCell(g, s);
  EXPECT_EQ(rc.PixelColor(100, 50 - 20), 0x00FF00u);
  EXPECT_EQ(rc.PixelColor(100, 50 + 20), BackgroundColor());
}

TEST_F(DrawTest, FullCircleFillInsideIsAPie) {
  TGcell s = Cell(GK_POLYARC);
  s.p[0] = 100, s.p[1] = 50, s.p[4] = 20, s.p[5] = 1;
  DrawCell(g, s);
  EXPECT_EQ(Calls(rec, "Pie"), std::vector<std::string>{"Pie 80 30 120 70 120 50 120 50"});
}

// ---- pictures -------------------------------------------------------------

int g_loads = 0;
bool TwoPixelLoader(const std::string& name, TRasterImage& image) {
  ++g_loads;
  if (name != "two.bmp") return false;
  image.width = 2;
  image.height = 1;
  image.pixels = {ColorToPixel(0x0000FF), ColorToPixel(0xFF0000)};  // red, blue
  return true;
}

TGcell Picture(const std::string& name, double x, double y, double w, double h) {
  TGcell p = Cell(GK_PICTURE, 0x11);
  p.text = name;
  p.p[0] = x, p.p[1] = y, p.p[2] = w, p.p[3] = h;
  return p;
}

TEST_F(DrawTest, PictureDrawnTwiceIsReadOnce) {
  g_wiring.loadPicture = TwoPixelLoader;
  g_loads = 0;
  DrawCell(g, Picture("two.bmp", 10, 10, 40, 20));
  DrawCell(g, Picture("two.bmp", 60, 10, 40, 20));
  EXPECT_EQ(g_loads, 1);
  EXPECT_EQ(Calls(rec, "StretchDraw").size(), 2u);
  EXPECT_TRUE(Has(rec, "StretchDraw 10 70 50 90 2 1"));
}

TEST_F(DrawTest, MissingPictureIsFilledAndCrossed) {
  g_wiring.loadPicture = TwoPixelLoader;
  RasterCanvas rc(201, 101);
  Bind(rc);
  g_loads = 0;
  const TGcell p = Picture("gone.jpg", 10, 10, 80, 40);
  DrawCell(g, p);
  DrawCell(g, p);
  EXPECT_EQ(g_loads, 1);  // a failure is remembered too
  const TColor ground = BackgroundColor() ^ 0x606060;
  EXPECT_EQ(rc.PixelColor(50, 60), ground);  // inside, off the diagonals
  const TColor frame = FillColour(g, p);
  EXPECT_EQ(rc.PixelColor(50, 70), frame);  // where the diagonals cross
  EXPECT_EQ(rc.PixelColor(30, 80), frame);  // on one of them
  EXPECT_EQ(rc.PixelColor(10, 75), frame);  // the frame
}

TEST_F(DrawTest, PictureAtHighZoomKeepsItsProportions) {
  g_wiring.loadPicture = TwoPixelLoader;
  RasterCanvas rc(201, 101);
  // 10000 pixels per unit: the picture reaches far past the canvas on both
  // sides, unevenly; x = 1, where red meets blue, is pixel 50.
  Bind(rc, 0.995, 0.4, 1.015, 0.41);
  DrawCell(g, Picture("two.bmp", 0, 0, 2, 1));
  EXPECT_EQ(rc.PixelColor(40, 50), 0x0000FFu);
  EXPECT_EQ(rc.PixelColor(60, 50), 0xFF0000u);
  EXPECT_EQ(rc.PixelColor(90, 50), 0xFF0000u);
}

TEST_F(DrawTest, SelectedOrDimmedPicturesAreNotLoaded) {
  g_wiring.loadPicture = TwoPixelLoader;
  g_loads = 0;
  TGcell p = Picture("two.bmp", 10, 10, 40, 20);
  p.pen = 0x8011;
  DrawCell(g, p);
  p.pen = 0x2011;
  DrawCell(g, p);
  EXPECT_EQ(g_loads, 0);
  EXPECT_TRUE(Calls(rec, "StretchDraw").empty());
}

// ---- XOR and erase -------------------------------------------------------

TEST_F(DrawTest, XorTwiceRestoresAndEraseLeavesBackground) {
  RasterCanvas rc(201, 101);
  Bind(rc);
  DrawCell(g, Line(0, 20, 200, 80, 0x12));
  const TRasterImage before = rc.Image();
  TGcell c = Cell(GK_CIRCLE, 0x13);
  c.p[0] = 100, c.p[1] = 50, c.p[4] = 30, c.p[5] = 1;
  XorCell(g, c);
  EXPECT_NE(rc.Image().pixels, before.pixels);
  XorCell(g, c);
  EXPECT_EQ(rc.Image().pixels, before.pixels);
  const TGcell line = Line(0, 20, 200, 80, 0x12);
  EraseCell(g, line);
  for (std::uint32_t px : rc.Image().pixels) ASSERT_EQ(PixelToColor(px), BackgroundColor());
}

// A point drawn as one dot (too small to show more) and highlighted as the
// ring of its marker: erasing it takes the dot too.
TEST_F(DrawTest, ErasingAPointDrawnAsADotLeavesBackground) {
  RasterCanvas rc(201, 101);
  Bind(rc);
  CurPVC().basicScale = 0.5;
  TGcell pt = Cell(GK_POINT);
  pt.p[0] = 100, pt.p[1] = 50;
  DrawCell(g, pt);
  ASSERT_NE(PixelToColor(rc.Image().pixels[50 * 201 + 100]), BackgroundColor());
  EraseCell(g, pt);
  for (std::uint32_t px : rc.Image().pixels) ASSERT_EQ(PixelToColor(px), BackgroundColor());
}

// ---- points ----------------------------------------------------------------

TEST_F(DrawTest, PointIsDotMarkerOrRingsBySize) {
  TGcell pt = Cell(GK_POINT);
  pt.p[0] = 100, pt.p[1] = 50;
  CurPVC().basicScale = 0.5;  // d = 0.15 unit, under a quarter pixel
  DrawCell(g, pt);
  EXPECT_TRUE(Has(rec, "MoveTo 100 50"));
  EXPECT_TRUE(Has(rec, "LineTo 101 50"));  // one pixel
  EXPECT_TRUE(Calls(rec, "Polyline").empty());
  rec.Clear();
  CurPVC().basicScale = 2;  // d = 0.6: a marker
  DrawCell(g, pt);
  EXPECT_EQ(Calls(rec, "Polyline").size(), 1u);
  rec.Clear();
  CurPVC().basicScale = 50;  // d = 15 pixels: rings 3 apart, up to 15
  DrawCell(g, pt);
  EXPECT_EQ(Calls(rec, "Arc").size(), 5u);
}

TEST_F(DrawTest, TemporaryRectangleDrawsItsFourSides) {
  RasterCanvas rc(201, 101);
  Bind(rc);
  TGcell r = Cell(GK_RECT, 0x11);
  r.p[0] = 20, r.p[1] = 20, r.p[2] = 60, r.p[3] = 30;
  DrawCell(g, r);
  const TColor pen = ScreenPenColor(g, 0x11);
  EXPECT_EQ(rc.PixelColor(50, 80), pen);  // bottom side (y = 20)
  EXPECT_EQ(rc.PixelColor(50, 50), pen);  // top side (y = 50)
  EXPECT_EQ(rc.PixelColor(20, 65), pen);  // left
  EXPECT_EQ(rc.PixelColor(80, 65), pen);  // right
  EXPECT_EQ(rc.PixelColor(50, 65), BackgroundColor());
  // Turned a quarter: x from -10 to 20, y from 20 to 80.
  rc.Clear(BackgroundColor());
  r.p[6] = kPi / 2;
  DrawCell(g, r);
  EXPECT_EQ(rc.PixelColor(20, 50), pen);  // the long side up from the corner
  EXPECT_EQ(rc.PixelColor(5, 20), pen);   // the far short side (y = 80)
  EXPECT_EQ(rc.PixelColor(5, 80), pen);   // the near short side (y = 20)
  EXPECT_EQ(rc.PixelColor(5, 50), BackgroundColor());
  EXPECT_EQ(rc.PixelColor(50, 50), BackgroundColor());
}

TEST_F(DrawTest, PrinterSkipsDimmedPointsAndFastPaths) {
  RecordCanvas printer(2000, 1500, 600);
  ASSERT_TRUE(G_Begin(g, TTargetKind::Printer, &printer));
  G_SetWindow(g, 0, 0, 200, 100);
  TGcell pt = Cell(GK_POINT, 0x2011);
  pt.p[0] = 100, pt.p[1] = 50;
  DrawCell(g, pt);
  EXPECT_TRUE(Calls(printer, "Arc").empty());
  EXPECT_TRUE(Calls(printer, "Polyline").empty());
  pt.pen = 0x11;
  CurPVC().basicScale = 50;
  DrawCell(g, pt);
  EXPECT_FALSE(Calls(printer, "Arc").empty() && Calls(printer, "Polyline").empty());
  // No line strips and no screen colours on paper: lines go through the pen.
  printer.Clear();
  DrawCell(g, Line(10, 50, 190, 50, 0x31));
  EXPECT_TRUE(Calls(printer, "CopyRect").empty());
  EXPECT_FALSE(Calls(printer, "LineTo").empty());
}

// ---- the whole view -------------------------------------------------------

TEST_F(DrawTest, FullDrawingOrderAndCounts) {
  TPVC& pvc = CurPVC();
  pvc.groups[5].visible = false;
  // Store order is deliberately the reverse of the layering.
  TGcell pt = Cell(GK_POINT);
  pt.p[0] = 150, pt.p[1] = 80;
  GcellAdd(pt);
  GcellAdd(Line(100, 10, 190, 10, 0x11));           // solid
  GcellAdd(Line(10, 20, 40, 45, 0x31));             // dashed
  GcellAdd(Line(10, 60, 40, 85, 0x57));             // auxiliary
  TGcell t = Cell(GK_TEXT, 0x01);
  t.text = "AB";
  t.p[0] = 120, t.p[1] = 50, t.p[2] = 10, t.p[3] = 10;
  GcellAdd(t);
  TGcell fill = Cell(GK_FILL4K);
  fill.text = "$000000FF";
  fill.p[0] = 60, fill.p[1] = 60, fill.p[2] = 10, fill.p[4] = 10, fill.p[5] = 10, fill.p[8] = 10;
  GcellAdd(fill);
  GcellAdd(Line(0, 0, 1, 1, 0x11, 0x50));          // hidden group: counted, not drawn
  GcellAdd(Line(-500, 10, -400, 10, 0x11));        // outside: counted, not drawn
  SetStoreWindow(2);
  GcellAdd(Line(100, 30, 190, 30, 0x11));          // the other window
  SetStoreWindow(1);
  DrawAllCells(g);

  const int iFill = FirstIndex(rec, [](const std::string& s) { return s.rfind("Polygon", 0) == 0; });
  const int iAux = FirstIndex(rec, [](const std::string& s) {
    const auto v = Ints(s);
    return s.rfind("SetPixelFast", 0) == 0 && v.size() >= 2 && v[1] < 45;
  });
  const int iDash = FirstIndex(rec, [](const std::string& s) {
    const auto v = Ints(s);
    return s.rfind("SetPixelFast", 0) == 0 && v.size() >= 2 && v[1] > 50;
  });
  const int iSolid = FirstIndex(rec, [](const std::string& s) { return s == "MoveTo 100 90"; });
  const int iText = FirstIndex(rec, [](const std::string& s) { return s.rfind("TextOut", 0) == 0; });
  const int iPoint = FirstIndex(rec, [](const std::string& s) { return s.rfind("Polyline", 0) == 0; });
  ASSERT_GE(iFill, 0);
  ASSERT_GE(iAux, 0);
  ASSERT_GE(iDash, 0);
  ASSERT_GE(iSolid, 0);
  ASSERT_GE(iText, 0);
  ASSERT_GE(iPoint, 0);
  EXPECT_LT(iFill, iAux);
  EXPECT_LT(iAux, iDash);
  EXPECT_LT(iDash, iSolid);
  EXPECT_LT(iDash, iText);
  EXPECT_LT(iSolid, iPoint);
  EXPECT_LT(iText, iPoint);
  EXPECT_FALSE(Has(rec, "MoveTo 100 70"));  // the other window's line

  EXPECT_EQ(pvc.lineCount, 7);
  EXPECT_EQ(pvc.textCount, 1);
  EXPECT_EQ(pvc.groups[5].layers[0].count, 1);
  EXPECT_EQ(pvc.groups[0].layers[0].count, 7);
}

TEST_F(DrawTest, DimmedHiddenCellsComeFirstInStoreOrder) {
  TPVC& pvc = CurPVC();
  pvc.show.dimHidden = true;
  pvc.groups[1].visible = false;
  GcellAdd(Line(100, 10, 190, 10, 0x11));        // shown, solid: drawn later
  GcellAdd(Line(100, 20, 190, 20, 0x11, 0x10));  // hidden: dimmed, at once
  DrawAllCells(g);
  const int iHidden = FirstIndex(rec, [](const std::string& s) { return s == "MoveTo 100 80"; });
  const int iShown = FirstIndex(rec, [](const std::string& s) { return s == "MoveTo 100 90"; });
  ASSERT_GE(iHidden, 0);
  ASSERT_GE(iShown, 0);
  EXPECT_LT(iHidden, iShown);
  const int colour = FirstIndex(rec, [](const std::string& s) {
    return s == "PenColor " + std::to_string(PaletteColor(8));
  });
  EXPECT_GE(colour, 0);
  EXPECT_LT(colour, iHidden);
}

TEST_F(DrawTest, GridSpacingAndDensityCutOff) {
  TPVC& pvc = CurPVC();
  pvc.gridShown = true;
  pvc.basicScale = 2;
  // 5 mm is 10 pixels: solid lines 10 apart, the spacing kept for snapping.
  DrawGrid(g);
  EXPECT_EQ(pvc.gridDrawn, 10);
  EXPECT_TRUE(Has(rec, "MoveTo 10 0"));
  EXPECT_TRUE(Has(rec, "MoveTo 20 0"));
  EXPECT_TRUE(Has(rec, "PenColor " + std::to_string(Rgb(51, 51, 51))));
  // A colour fill of the background came first.
  const int fillAt = FirstIndex(rec, [](const std::string& s) { return s.rfind("FillRect", 0) == 0; });
  EXPECT_GE(fillAt, 0);
  EXPECT_LT(fillAt, FirstIndex(rec, [](const std::string& s) { return s.rfind("MoveTo", 0) == 0; }));
  // 5 mm is 4 pixels: dotted lines 64 pixels apart, no spacing to snap to.
  rec.Clear();
  pvc.basicScale = 1;
  G_SetWindow(g, 0, 0, 250, 125);  // 0.8 pixel per unit: 5 units are 4 pixels
  DrawGrid(g);
  EXPECT_EQ(pvc.gridDrawn, 0);
  EXPECT_TRUE(Has(rec, "PenStyle Dot"));
  std::vector<int> xs;
  for (const std::string& s : Calls(rec, "MoveTo"))
    if (Ints(s)[1] == 0) xs.push_back(Ints(s)[0]);
  ASSERT_GE(xs.size(), 3u);
  EXPECT_EQ(xs[1] - xs[0], 64);
  EXPECT_EQ(xs[2] - xs[1], 64);
  // Grid off: nothing drawn and nothing to snap to.
  pvc.gridShown = false;
  pvc.gridDrawn = 7;
  rec.Clear();
  DrawGrid(g);
  EXPECT_EQ(pvc.gridDrawn, 0);
  EXPECT_TRUE(Calls(rec, "MoveTo").empty());
}

TEST_F(DrawTest, GridSubDotsAndWhiteBackgroundColours) {
  SetWhiteBackground(true);
  TPVC& pvc = CurPVC();
  pvc.gridShown = true;
  pvc.realGrid = true;
  pvc.realGridSpacing = 50;  // 50 pixels: dots every 10 (50 / 5 > 8, 50 / 10 < 16)
  DrawGrid(g);
  EXPECT_EQ(pvc.gridDrawn, 50);
  EXPECT_TRUE(Has(rec, "PenColor " + std::to_string(Rgb(204, 204, 204))));
  EXPECT_TRUE(Has(rec, "SetPixel 10 90 " + std::to_string(Rgb(128, 128, 128))));
  EXPECT_FALSE(Has(rec, "SetPixel 5 90 " + std::to_string(Rgb(128, 128, 128))));
  // 200 pixels: dots every 20 (200 / 10 > 16).
  rec.Clear();
  pvc.realGridSpacing = 200;
  DrawGrid(g);
  EXPECT_TRUE(Has(rec, "SetPixel 20 80 " + std::to_string(Rgb(128, 128, 128))));
  EXPECT_FALSE(Has(rec, "SetPixel 40 90 " + std::to_string(Rgb(128, 128, 128))));
  // The axes through the origin, dotted, in teal.
  EXPECT_TRUE(Has(rec, "PenColor " + std::to_string(Rgb(0, 128, 128))));
}

}  // namespace

namespace {

// A drawing large enough to be drawn in two bands by two threads: every
// pixel as one pass draws it, the counts and the canvas's pen the same.
TEST_F(DrawTest, TwoBandsDrawWhatOnePassDraws) {
  std::mt19937 rng(3);
  std::uniform_real_distribution<double> x(-20, 220), y(-20, 120), d(-60, 60);
  static const std::uint16_t kPens[] = {0x11, 0x12, 0x21, 0x31, 0x52, 0x57, 0x16, 0x41};
  for (int i = 0; i < 24000; ++i) {
    const double px = x(rng), py = y(rng);
    switch (i % 8) {
      case 0: GcellAddArc(0, kPens[i % 7], px, py, std::fabs(d(rng)) + 1, i % 16 ? 1 : 0.5, 0.4, 0.3, 4); break;
      case 1: GcellAddCircle(0, kPens[i % 5], px, py, std::fabs(d(rng)) / 4 + 0.5, 1, 0); break;
      case 2: GcellAddPoint(0, 0x11, px, py); break;
      case 3: GcellAddText(0, 1, 0x11, "AB", 0, 0, px, py); break;
      default: GcellAddLine(static_cast<std::uint8_t>(i % 3), kPens[i % 8], px, py, px + d(rng), py + (i % 4 ? d(rng) : 0)); break;
    }
  }
  const auto draw = [&](bool bands) {
    RasterCanvas rc(201, 101);
    Bind(rc);
    g_draw.bands = bands;
    DrawGrid(g);
    DrawAllCells(g);
    return std::pair{rc.Image().pixels, std::pair{CurPVC().lineCount, rc.PenColor()}};
  };
  const auto one = draw(false);
  const int banded = g_draw.bandedDraws;
  const auto two = draw(true);
  if (std::thread::hardware_concurrency() >= 2) {
    EXPECT_EQ(g_draw.bandedDraws, banded + 1);
  }
  EXPECT_EQ(two.second, one.second);
  ASSERT_EQ(two.first.size(), one.first.size());
  for (std::size_t i = 0; i < one.first.size(); ++i) ASSERT_EQ(two.first[i], one.first[i]) << i % 201 << "," << i / 201;
}

}  // namespace
