#include "app/GC_PointSearch.h"

#include <cmath>
#include <numbers>
#include <string>

#include "VelmoTest.h"
#include "model/GC_DB.h"
#include "model/PVC.h"

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

}  // namespace
