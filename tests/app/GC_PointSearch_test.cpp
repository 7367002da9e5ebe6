#include "app/GC_PointSearch.h"

#include <cmath>
#include <numbers>
#include <string>

#include "VelmoTest.h"
#include "model/GC_DB.h"
#include "model/PVC.h"
#include "render/Z_Graph.h"

namespace {

constexpr double kPi = std::numbers::pi;

TGcell Cell(std::int8_t kind, std::initializer_list<double> p, std::string text = "", std::uint8_t size = 0) {
  TGcell c;
  c.kind = kind;
  c.pen = 0x11;
  c.size = size;
  c.text = std::move(text);
  int i = 0;
  for (double v : p) c.p[i++] = v;
  return c;
}

class PointSearchTest : public VelmoTest {};

TEST_F(PointSearchTest, EmptyWindowHasZeroExtents) {
  const TExtents e = GcellExtents();
  EXPECT_EQ(e.xmin, 0);
  EXPECT_EQ(e.ymin, 0);
  EXPECT_EQ(e.xmax, 0);
  EXPECT_EQ(e.ymax, 0);
}

// One cell alone: its extents are those of its characteristic points.
TEST_F(PointSearchTest, ExtentsOfEachKind) {
  struct Case {
    const char* what;
    TGcell cell;
    TExtents want;
  } cases[] = {
      {"point", Cell(GK_POINT, {3, -4}), {3, -4, 3, -4}},
      {"line", Cell(GK_LINE, {5, 1, -2, 7}), {-2, 1, 5, 7}},
      {"circle", Cell(GK_CIRCLE, {1, 2, 0, 0, 10, 1, 0}), {-9, -8, 11, 12}},
      // Quarter point at pi/2 lies inside (0.5, 3): the top counts.
      {"arc over the top",
       Cell(GK_ARC, {0, 0, 0, 0, 10, 1, 0, 0.5, 3}),
       {10 * std::cos(3.0), 10 * std::sin(3.0), 10 * std::cos(0.5), 10}},
      // No quarter point strictly inside (0, pi/2): only the ends.
      {"quarter arc", Cell(GK_ARC, {0, 0, 0, 0, 10, 1, 0, 0, kPi / 2}), {0, 0, 10, 10}},
      // Ellipse: across-axis points shrink by the flatness.
      {"ellipse", Cell(GK_CIRCLE, {0, 0, 0, 0, 10, 0.5, 0}), {-10, -5, 10, 5}},
      // Turned a quarter: the long axis runs along y.
      {"tilted ellipse", Cell(GK_CIRCLE, {0, 0, 0, 0, 10, 0.5, kPi / 2}), {-5, -10, 5, 10}},
      {"filled arc", Cell(GK_POLYARC, {0, 0, 0, 0, 10, 1, 0, -kPi / 2, 0}), {0, -10, 10, 0}},
      // Equal angles: a whole filled circle (or ellipse), not one rim point.
      {"filled circle", Cell(GK_POLYARC, {1, 2, 0, 0, 10, 1, 0, 0, 0}), {-9, -8, 11, 12}},
      {"filled ellipse", Cell(GK_POLYARC, {0, 0, 0, 0, 10, 0.5, 0, 1, 1}), {-10, -5, 10, 5}},
      {"polygon", Cell(GK_POLYGON, {-1, -2, 3, 4}, "0,-1,-2,3,4,0,4"), {-1, -2, 3, 4}},
      // Corners are offsets from the base point.
      {"fill4k", Cell(GK_FILL4K, {10, 10, 5, 0, 5, 5, 99, -3, 8}), {7, 10, 15, 18}},
      {"picture", Cell(GK_PICTURE, {1, 2, 30, 20}), {1, 2, 31, 22}},
      // Own size: height 10, width 4, gap 2; "AB" is 2*4/2 + 1*2/2 = 5 long.
      {"text of own size", Cell(GK_TEXT, {100, 50, 4, 10, 2}, "AB"), {100, 50, 105, 60}},
      // Turned a quarter: length runs up, height to the left.
      {"turned text", Cell(GK_TEXT, {0, 0, 4, 10, 2, 0, kPi / 2}, "AB"), {-10, 0, 0, 5}},
      // One full-width character is one width long, a half-width one half.
      {"one double-byte character", Cell(GK_TEXT, {0, 0, 4, 10, 2}, "\x82\xa0"), {0, 0, 4, 10}},
      {"one single-byte character", Cell(GK_TEXT, {0, 0, 4, 10, 2}, "A"), {0, 0, 2, 10}},
      // A superscript is a half-height piece after "X": 2 wide, 5 high.
      {"superscript", Cell(GK_TEXT, {0, 0, 4, 10, 0}, "X^u2"), {0, 0, 4, 10}},
      {"subscript below a superscript stays inside", Cell(GK_TEXT, {0, 0, 4, 10, 0}, "X^u2^d1"), {0, 0, 4, 10}},
      // Rectangle: its sides, turned by its angle.
      {"rectangle", Cell(GK_RECT, {0, 0, 4, 2, 0, 0, kPi / 2}), {-2, 0, 0, 4}},
  };
  for (const Case& c : cases) {
    GC_DB_Reset();
    TGcell cell = c.cell;
    ASSERT_GT(GcellAdd(cell), 0) << c.what;
    const TExtents e = GcellExtents();
    EXPECT_NEAR(e.xmin, c.want.xmin, 1e-9) << c.what;
    EXPECT_NEAR(e.ymin, c.want.ymin, 1e-9) << c.what;
    EXPECT_NEAR(e.xmax, c.want.xmax, 1e-9) << c.what;
    EXPECT_NEAR(e.ymax, c.want.ymax, 1e-9) << c.what;
  }
}

TEST_F(PointSearchTest, NumberedTextSizeComesFromSettingsTimesBasicScale) {
  CurPVC().basicScale = 50;
  CurPVC().textSizes[3] = {.height = 2, .width = 1, .spacing = 0.5, .pen = 1, .screenColor = 0};
  // Three half-width bytes: 3*W/2 + 2*G/2 = 3*25 + 25 = 100 long, 100 high.
  GcellAdd(Cell(GK_TEXT, {0, 0}, "ABC", 3));
  const TExtents e = GcellExtents();
  EXPECT_DOUBLE_EQ(e.xmax, 100);
  EXPECT_DOUBLE_EQ(e.ymax, 100);
}

TEST_F(PointSearchTest, OnlyLiveCellsOfTheCurrentWindowCount) {
  GcellAddLine(0, 0x11, 0, 0, 1, 1);
  const int gone = GcellAddLine(0, 0x11, -50, -50, 0, 0);
  GcellDelete(gone);
  SetStoreWindow(2);
  GcellAddLine(0, 0x11, 100, 100, 200, 200);
  SetStoreWindow(1);
  const TExtents e = GcellExtents();
  EXPECT_EQ(e.xmin, 0);
  EXPECT_EQ(e.ymin, 0);
  EXPECT_EQ(e.xmax, 1);
  EXPECT_EQ(e.ymax, 1);
}

// ---- Snapping ---------------------------------------------------------------

// A view of 800 x 600 pixels over (0, 0)-(1600, 1200): two drawing units per
// pixel, so 4 pixels are 8 units and 16 pixels 32 units. Cells sit around
// (1000, 1000), far from the paper origin.
class SnapTest : public VelmoTest {
protected:
  void SetUp() override {
    VelmoTest::SetUp();
    G_SetViewport(view, 0, 0, 800, 600);
    G_SetWindow(view, 0, 0, 1600, 1200);
    ASSERT_DOUBLE_EQ(G_PixelSize(view), 2);
  }
  // Snaps (x, y); the result and the point it leaves.
  struct Snap {
    bool ok;
    double x, y;
  };
  Snap At(double x, double y) {
    Snap s{false, x, y};
    s.ok = SnapPoint(view, s.x, s.y);
    return s;
  }
  TGContext view;
};

constexpr double kPx = 2;  // drawing units per pixel of SnapTest's view

#define EXPECT_SNAPS(snap, wx, wy, what)   \
  do {                                     \
    const auto s_ = (snap);                \
    EXPECT_TRUE(s_.ok) << what;            \
    EXPECT_NEAR(s_.x, wx, 1e-6) << what;   \
    EXPECT_NEAR(s_.y, wy, 1e-6) << what;   \
  } while (0)

TEST_F(SnapTest, EndPointWithinSixteenPixelsElseTheClickFails) {
  GcellAddLine(0, 0x11, 1000, 1000, 1400, 1000);
  struct Case {
    const char* what;
    double x, y;
    bool ok;
  } cases[] = {
      {"10 px beyond the start", 1000 - 10 * kPx, 1000, true},
      {"10 px off the start, across and along", 1000 - 6 * kPx, 1000 + 8 * kPx, true},
      {"10 px beside the end", 1400, 1000 - 10 * kPx, true},
      {"16 px beyond the end", 1400 + 16 * kPx, 1000, true},
      {"20 px beyond the start", 1000 - 20 * kPx, 1000, false},
      {"20 px off the start, across", 1000, 1000 + 20 * kPx, false},
      // Near the line's middle but 100 px from both ends.
      {"on the middle", 1200, 1000 + 2 * kPx, false},
  };
  for (const Case& c : cases) {
    const Snap s = At(c.x, c.y);
    EXPECT_EQ(s.ok, c.ok) << c.what;
    if (c.ok) {
      const double end = c.x < 1200 ? 1000 : 1400;
      EXPECT_EQ(s.x, end) << c.what;
      EXPECT_EQ(s.y, 1000) << c.what;
    } else {
      EXPECT_EQ(s.x, c.x) << c.what << ": a failed snap leaves the point";
      EXPECT_EQ(s.y, c.y) << c.what;
    }
  }
  EXPECT_EQ(platform().beeps(), 0) << "the caller beeps, not the search";
}

TEST_F(SnapTest, PaperOriginWithinEightPixelsWhenNothingElseIsNear) {
  GcellAddLine(0, 0x11, 1000, 1000, 1400, 1000);
  EXPECT_SNAPS(At(5 * kPx, -5 * kPx), 0, 0, "7 px from the origin");
  EXPECT_SNAPS(At(0, 8 * kPx), 0, 0, "8 px from the origin");
  EXPECT_FALSE(At(0, 9 * kPx).ok);
  EXPECT_FALSE(At(7 * kPx, 7 * kPx).ok) << "9.9 px from the origin";
  // A cell point within 16 pixels wins over the origin.
  GcellAddPoint(0, 0x11, 0, 12 * kPx);
  EXPECT_SNAPS(At(0, 6 * kPx), 0, 12 * kPx, "point 6 px away, origin 6 px away too");
}

TEST_F(SnapTest, CrossingAgainstEndPointsWhicheverIsNearer) {
  // A long horizontal line crossed at (1030, 1000) by a short vertical one
  // whose upper end is 20 units (10 px) above the crossing.
  GcellAddLine(0, 0x11, 800, 1000, 1300, 1000);
  GcellAddLine(0, 0x11, 1030, 900, 1030, 1020);
  struct Case {
    const char* what;
    double x, y, wx, wy;
  } cases[] = {
      {"6 px from the crossing, ends far", 1030 + 6 * kPx, 1000, 1030, 1000},
      {"6 px from the crossing, 4 px past it", 1030, 1000 - 6 * kPx, 1030, 1000},
      {"3 px from the crossing, 7 px from the end", 1030 + 3 * kPx, 1000 + 2 * kPx, 1030, 1000},
      {"end 3 px, crossing 7 px", 1030, 1000 + 7 * kPx, 1030, 1020},
      {"end 1 px, crossing 9 px", 1030 + kPx, 1000 + 10 * kPx, 1030, 1020},
  };
  for (const Case& c : cases) EXPECT_SNAPS(At(c.x, c.y), c.wx, c.wy, c.what);
}

TEST_F(SnapTest, TheNearestOfSeveralCrossingsWins) {
  // A horizontal line crossed by slanted lines 3 and 1 px to the right of the
  // click and one 2 px to its left, in that order.
  GcellAddLine(0, 0x11, 800, 1000, 1300, 1000);
  for (double at : {3.0, 1.0, -2.0})
    GcellAddLine(0, 0x11, 1000 + at * kPx - 100, 800, 1000 + at * kPx + 100, 1200);
  EXPECT_SNAPS(At(1000, 1000 + 0.5 * kPx), 1000 + kPx, 1000, "the crossing 1 px away");
  // The two slanted lines are parallel: no crossing between them.
  EXPECT_SNAPS(At(1000 - 1.5 * kPx, 1000 + 0.5 * kPx), 1000 - 2 * kPx, 1000, "the crossing 2 px left");
}

TEST_F(SnapTest, CrossingOfALineAndACircleOnTheClicksSide) {
  GcellAddCircle(0, 0x11, 1000, 1000, 100, 1, 0);
  GcellAddLine(0, 0x11, 700, 1050, 1300, 1050);
  const double h = std::sqrt(100.0 * 100 - 50 * 50);
  EXPECT_SNAPS(At(1000 + h + 3 * kPx, 1050 + 2 * kPx), 1000 + h, 1050, "right crossing");
  EXPECT_SNAPS(At(1000 - h - 3 * kPx, 1050 - 2 * kPx), 1000 - h, 1050, "left crossing");
  // Two circles crossing: the crossing on the click's side of the centres.
  GC_DB_Reset();
  GcellAddCircle(0, 0x11, 1000, 1000, 100, 1, 0);
  GcellAddCircle(0, 0x11, 1100, 1000, 100, 1, 0);
  const Snap up = At(1050 + 2 * kPx, 1000 + h - 3 * kPx);
  EXPECT_TRUE(up.ok);
  EXPECT_NEAR(up.x, 1050, 0.05);
  EXPECT_NEAR(up.y, 1000 + h, 0.05);
}

TEST_F(SnapTest, CirclePointsAndATinyCircleOffersOnlyItsCentre) {
  // Radius 3 px: the right-hand point (1006, 1000) would be nearer than the
  // centre.
  GcellAddCircle(0, 0x11, 1000, 1000, 3 * kPx, 1, 0);
  EXPECT_SNAPS(At(1000 + 5 * kPx, 1000 + kPx), 1000, 1000, "tiny circle");
  // Radius 20 px: its quadrant point, its diagonal point and its centre.
  GC_DB_Reset();
  const double r = 20 * kPx;
  GcellAddCircle(0, 0x11, 1000, 1000, r, 1, 0);
  EXPECT_SNAPS(At(1000 + r + 2 * kPx, 1000 + kPx), 1000 + r, 1000, "quadrant point");
  EXPECT_SNAPS(At(1000 + r / std::sqrt(2.0) + kPx, 1000 + r / std::sqrt(2.0)), 1000 + r / std::sqrt(2.0),
               1000 + r / std::sqrt(2.0), "diagonal point");
  EXPECT_SNAPS(At(1000 + 3 * kPx, 1000 - 3 * kPx), 1000, 1000, "centre");
  // An arc's centre too, and its ends.
  GC_DB_Reset();
  GcellAddArc(0, 0x11, 1000, 1000, r, 1, 0, 0.3, 1.2);
  EXPECT_SNAPS(At(1000 - 2 * kPx, 1000 + kPx), 1000, 1000, "arc centre");
  EXPECT_SNAPS(At(1000 + r * std::cos(1.2), 1000 + r * std::sin(1.2) + 3 * kPx), 1000 + r * std::cos(1.2),
               1000 + r * std::sin(1.2), "arc end");
}

TEST_F(SnapTest, GridPoints) {
  TPVC& pvc = CurPVC();
  pvc.gridShown = true;
  pvc.gridDrawn = 100;  // 50 px apart
  struct Case {
    const char* what;
    double x, y;
    bool ok;
    double wx, wy;
  } cases[] = {
      {"7 px from a grid point", 1090, 1210, true, 1100, 1200},
      {"negative quadrant", -1090, -1210, true, -1100, -1200},
      {"half way rounds away from zero", 1050, 1000, false, 0, 0},  // 25 px from both
      {"28 px from every grid point", 1040, 1040, false, 0, 0},
  };
  for (const Case& c : cases) {
    const Snap s = At(c.x, c.y);
    EXPECT_EQ(s.ok, c.ok) << c.what;
    if (c.ok) {
      EXPECT_EQ(s.x, c.wx) << c.what;
      EXPECT_EQ(s.y, c.wy) << c.what;
    }
  }
  // An end point nearer than the grid point wins; farther, the grid wins.
  GcellAddLine(0, 0x11, 1094, 1206, 1500, 1500);
  EXPECT_SNAPS(At(1092, 1207), 1094, 1206, "end 1 px, grid 5 px");
  EXPECT_SNAPS(At(1100, 1199), 1100, 1200, "grid 0.5 px, end 4 px");
  // Hidden or too dense to draw: no grid.
  pvc.gridDrawn = 0;
  EXPECT_FALSE(At(1040, 1190).ok);
  pvc.gridDrawn = 100;
  pvc.gridShown = false;
  EXPECT_FALSE(At(1040, 1190).ok);
}

TEST_F(SnapTest, TextsNeverAttract) {
  // Own size: 20 units high, "AB" 15 units long; reference point (1000, 1000).
  TGcell t = Cell(GK_TEXT, {1000, 1000, 10, 20, 10}, "AB");
  t.pen = 0x11;
  ASSERT_GT(GcellAdd(t), 0);
  ASSERT_GT(GcellAddText(0, 3, 0x11, "ABC", 0, 0, 1100, 1000), 0);
  for (auto [x, y] : {std::pair{1000.0, 1000.0}, {1001.0, 1001.0}, {1015.0, 1020.0}, {1100.0, 1000.0}})
    EXPECT_FALSE(At(x, y).ok) << x << "," << y;
}

TEST_F(SnapTest, HiddenCellsAndShortLinesOfferNothing) {
  // Layer 1 of group 0 hidden.
  CurPVC().groups[0].layers[1].visible = false;
  GcellAddLine(0x01, 0x11, 1000, 1000, 1400, 1000);
  EXPECT_FALSE(At(1000 - 2 * kPx, 1000).ok);
  // Shorter than 5 pixels: its ends are not offered, not even its start as
  // a "crossing" of the line with itself.
  GcellAddLine(0x00, 0x11, 1000, 1100, 1000 + 4 * kPx, 1100);
  EXPECT_FALSE(At(1000 - 2 * kPx, 1100).ok);
  GcellAddLine(0x00, 0x11, 1000, 1200, 1000 + 5 * kPx, 1200);
  EXPECT_SNAPS(At(1000 - 2 * kPx, 1200), 1000, 1200, "5 px long");
}

TEST_F(SnapTest, WiderPensAreSearchedFirstAndAPointWithinFourPixelsEndsTheSearch) {
  TPVC& pvc = CurPVC();
  for (int p = 1; p <= 6; ++p) pvc.pens[p].printWidth = 1;
  pvc.pens[3].printWidth = 5;
  // Pen 1's end 1 px from the click, pen 3's 3 px: pen 3 is searched first
  // and already within 4 px.
  GcellAddLine(0, 0x11, 1000 + kPx, 1000, 1000 + 200, 1000);
  GcellAddLine(0, 0x13, 1000, 1000 + 3 * kPx, 1000, 1200);
  EXPECT_SNAPS(At(1000, 1000), 1000, 1000 + 3 * kPx, "the wider pen's end");
  // 5 px away the wider pen's end does not stop the search.
  GC_DB_Reset();
  GcellAddLine(0, 0x11, 1000 + kPx, 1000, 1000 + 200, 1000);
  GcellAddLine(0, 0x13, 1000, 1000 + 5 * kPx, 1000, 1200);
  EXPECT_SNAPS(At(1000, 1000), 1000 + kPx, 1000, "the nearer end");
  // The auxiliary pen comes last even when widest.
  GC_DB_Reset();
  pvc.pens[7].printWidth = 10;
  GcellAddLine(0, 0x11, 1000, 1000 + 3 * kPx, 1000, 1200);
  GcellAddLine(0, 0x17, 1000 + kPx, 1000, 1000 + 200, 1000);
  EXPECT_SNAPS(At(1000, 1000), 1000, 1000 + 3 * kPx, "pen 1 before the auxiliary pen");
}

TEST_F(SnapTest, ManyFillsElsewhereDoNotCrowdOutALine) {
  // 1,200 filled quadrilaterals covering the view, their corners far from
  // the click, stored before the line.
  for (int i = 0; i < 1200; ++i) {
    TGcell f = Cell(GK_FILL4K, {-100.0 - i, -100, 2000, 0, 2000, 1500, 0, 0, 1500}, "$00FF0000");
    ASSERT_GT(GcellAdd(f), 0);
  }
  GcellAddLine(0, 0x11, 1000, 1000, 1400, 1000);
  EXPECT_SNAPS(At(1000 - 5 * kPx, 1000 + 5 * kPx), 1000, 1000, "line end");
  // A fill's own corner near the click still counts, and so does a picture's.
  TGcell near = Cell(GK_FILL4K, {600, 600, 100, 0, 100, 100, 0, 0, 100}, "$00FF0000");
  ASSERT_GT(GcellAdd(near), 0);
  EXPECT_SNAPS(At(700 + 3 * kPx, 700 - 3 * kPx), 700, 700, "fill corner");
  TGcell pic = Cell(GK_PICTURE, {300, 300, 100, 50}, "a.bmp");
  ASSERT_GT(GcellAdd(pic), 0);
  EXPECT_SNAPS(At(300 + 3 * kPx, 350 + 3 * kPx), 300, 350, "picture corner");
}

// Lines 3 px below the click, with far ends: they count as near but offer
// nothing. After 500 of them the window narrows to 4 px; at 1000 the search
// takes no more cells.
TEST_F(SnapTest, CandidateWindowNarrowsAfter500AndStopsAt1000) {
  struct Case {
    const char* what;
    int fillers;
    double x1;  // start of the line on the click's row, its end at x 1400
    bool ok;
  } cases[] = {
      {"499 before: 10 px away still near", 499, 1000 + 10 * kPx, true},
      {"500 before: 10 px away no longer", 500, 1000 + 10 * kPx, false},
      {"500 before: 3 px away", 500, 1000 + 3 * kPx, true},
      {"999 before: 3 px away", 999, 1000 + 3 * kPx, true},
      {"1000 before: the list is full", 1000, 1000 + 3 * kPx, false},
  };
  for (const Case& c : cases) {
    GC_DB_Reset();
    for (int i = 0; i < c.fillers; ++i) ASSERT_GT(GcellAddLine(0, 0x11, 0, 1000 - 3 * kPx, 1600, 1000 - 3 * kPx), 0);
    GcellAddLine(0, 0x11, c.x1, 1000, 1400, 1000);
    const Snap s = At(1000, 1000);
    EXPECT_EQ(s.ok, c.ok) << c.what;
    if (c.ok) {
      EXPECT_EQ(s.x, c.x1) << c.what;
    }
  }
}

TEST_F(SnapTest, PolygonsAndFilledArcsOfferNoPoint) {
  TGcell poly = Cell(GK_POLYGON, {1000, 1000, 1100, 1100}, "0,1000,1000,1100,1000,1100,1100");
  ASSERT_GT(GcellAdd(poly), 0);
  TGcell arc = Cell(GK_POLYARC, {1300, 1000, 0, 0, 50, 1, 0, 0, 1});
  ASSERT_GT(GcellAdd(arc), 0);
  EXPECT_FALSE(At(1000 + kPx, 1000 + kPx).ok) << "polygon corner";
  EXPECT_FALSE(At(1300 + kPx, 1000).ok) << "filled arc centre";
}

// ---- Picking ----------------------------------------------------------------

TEST_F(SnapTest, PickTextByItsBox) {
  // Own size: height 20, width 10, gap 10; "AB" is 2*5 + 5 = 15 long.
  TGcell a = Cell(GK_TEXT, {1000, 1000, 10, 20, 10}, "AB");
  TGcell turned = Cell(GK_TEXT, {500, 500, 10, 20, 10, 0, kPi / 2}, "AB");
  const int ia = GcellAdd(a), it = GcellAdd(turned);
  // A second text over the first: the first in store order wins.
  const int ib = GcellAdd(Cell(GK_TEXT, {1010, 1000, 10, 20, 10}, "AB"));
  struct Case {
    const char* what;
    double x, y;
    int want;
  } cases[] = {
      {"lower-left corner", 1000, 1000, ia}, {"upper-right corner", 1015, 1020, ia},
      {"overlap", 1012, 1010, ia},           {"second only", 1020, 1010, ib},
      {"left of it", 999.9, 1010, 0},        {"above it", 1005, 1020.1, 0},
      {"turned: along runs up", 490, 510, it}, {"turned: right of reference", 501, 505, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(PickText(false, c.x, c.y), c.want) << c.what;
  CurPVC().show.texts = false;
  EXPECT_EQ(PickText(false, 1005, 1010), 0) << "texts switched off";
  EXPECT_EQ(PickText(true, 1005, 1010), ia);
}

TEST_F(SnapTest, PickNearestPrefersPointsThenTheNearestCurve) {
  const int line = GcellAddLine(0, 0x11, 900, 1000, 1100, 1000);
  const int circle = GcellAddCircle(0, 0x11, 1000, 1100, 90, 1, 0);  // bottom at y 1010
  EXPECT_EQ(PickNearest(view, false, 1000, 1003), line);
  EXPECT_EQ(PickNearest(view, false, 1000, 1007), circle);
  EXPECT_EQ(PickNearest(view, false, 1000, 1000 - 11.9 * kPx), line);
  EXPECT_EQ(PickNearest(view, false, 1000, 1000 - 12 * kPx), 0);
  // A point within 12 px wins over a line on which the click lies.
  const int point = GcellAddPoint(0, 0x11, 1000 + 11 * kPx, 1000);
  EXPECT_EQ(PickNearest(view, false, 1000, 1000), point);
  EXPECT_EQ(PickNearest(view, false, 1000 - kPx, 1000), line) << "point 12 px away";
  // An arc is measured to its ends outside its range.
  GC_DB_Reset();
  const int arc = GcellAddArc(0, 0x11, 1000, 1000, 100, 1, 0, 0, kPi / 2);
  EXPECT_EQ(PickNearest(view, false, 1000, 1100 + 5 * kPx), arc);
  EXPECT_EQ(PickNearest(view, false, 1000, 900), 0) << "on the circle, outside the arc";
  CurPVC().show.lines = false;
  EXPECT_EQ(PickNearest(view, false, 1000, 1100), 0);
  EXPECT_EQ(PickNearest(view, true, 1000, 1100), arc);
}

TEST_F(SnapTest, PickPrimitiveCopiesTheNearestLineArcOrCircle) {
  GcellAddLine(0, 0x12, 900, 1000, 1100, 1000);
  GcellAddCircle(0, 0x13, 1000, 1100, 90, 1, 0);
  TGcell fill = Cell(GK_FILL4K, {900, 990, 200, 0, 200, 20, 0, 0, 20}, "$00FF0000");
  ASSERT_GT(GcellAdd(fill), 0);
  TGcell got = PickPrimitive(view, false, 1000, 1003);
  EXPECT_EQ(got.kind, GK_LINE);
  EXPECT_EQ(got.pen, 0x12);
  EXPECT_EQ(got.p[2], 1100);
  got = PickPrimitive(view, false, 1000, 1007);
  EXPECT_EQ(got.kind, GK_CIRCLE);
  EXPECT_EQ(got.p[4], 90);
  EXPECT_EQ(PickPrimitive(view, false, 1000, 1000 - 13 * kPx).kind, 0) << "the fill is no primitive";
}

TEST_F(SnapTest, PickAreaReturnsTheTopmostArea) {
  TGcell under = Cell(GK_FILL4K, {0, 0, 100, 0, 100, 100, 0, 0, 100}, "$00FF0000");
  TGcell over = Cell(GK_FILL4K, {50, 50, 100, 0, 100, 100, 0, 0, 100}, "$0000FF00");
  const int iu = GcellAdd(under), io = GcellAdd(over);
  TGcell poly = Cell(GK_POLYGON, {300, 0, 400, 100}, "0,300,0,400,0,350,100");
  const int ip = GcellAdd(poly);
  TGcell pic = Cell(GK_PICTURE, {500, 0, 100, 50}, "a.bmp");
  const int ipic = GcellAdd(pic);
  TGcell slice = Cell(GK_POLYARC, {800, 0, 0, 0, 100, 1, 0, 0, kPi / 2});
  const int is = GcellAdd(slice);
  TGcell disc = Cell(GK_POLYARC, {1100, 0, 0, 0, 100, 1, 0, 0, 0});
  const int id = GcellAdd(disc);
  // A flat ellipse 200 x 60 turned upright, and an elliptic sector 200 x 100
  // from parameter 0 to pi/4 (its edge runs at about 26.6 degrees).
  TGcell oval = Cell(GK_POLYARC, {1500, 0, 0, 0, 100, 0.3, kPi / 2, 0, 0});
  const int io2 = GcellAdd(oval);
  TGcell wedge = Cell(GK_POLYARC, {1800, 0, 0, 0, 100, 0.5, 0, 0, kPi / 4});
  const int iw = GcellAdd(wedge);
  struct Case {
    const char* what;
    double x, y;
    int want;
  } cases[] = {
      {"under only", 20, 20, iu},        {"overlap: the later", 75, 75, io},
      {"over only", 140, 140, io},       {"on the edge", 0, 50, iu},
      {"outside both", 120, 20, 0},      {"polygon", 350, 50, ip},
      {"beside the polygon's tip", 320, 90, 0}, {"picture", 550, 25, ipic},
      {"above the picture", 550, 55, 0}, {"slice", 830, 30, is},
      {"outside the slice's angles", 770, 30, 0}, {"beyond the slice's radius", 880, 80, 0},
      {"disc", 1030, -60, id},
      {"ellipse, along its long axis", 1500, 80, io2}, {"ellipse, across", 1520, 0, io2},
      {"beside the ellipse", 1550, 0, 0},          {"elliptic sector", 1880, 20, iw},
      {"above the elliptic sector's edge", 1850, 30, 0},
  };
  GcellAdd(Cell(GK_POLYGON, {2000, 0, 2100, 100}, "0,2000,0,2100,100"));  // two vertices: no area
  for (const Case& c : cases) EXPECT_EQ(PickArea(false, c.x, c.y), c.want) << c.what;
  EXPECT_EQ(PickArea(false, 2050, 50), 0) << "on a two-vertex polygon";
  CurPVC().show.fills = false;
  EXPECT_EQ(PickArea(false, 350, 50), 0) << "fills switched off";
  EXPECT_EQ(PickArea(true, 350, 50), ip);
  EXPECT_EQ(PickArea(false, 550, 25), ipic) << "pictures have their own switch";
}

}  // namespace
