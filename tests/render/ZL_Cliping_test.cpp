// Clipping of pixel segments against the window's pixel box.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <string>

#include "VelmoTest.h"
#include "render/ZL_Cliping.h"

namespace {

struct ClipCase {
  const char* name;
  double x1, y1, x2, y2;
  bool kept;
  double ex1, ey1, ex2, ey2;  // expected ends when kept
};

// The rectangle is (0, 0) - (100, 100).
const ClipCase kCases[] = {
    {"inside, ends ordered by y", 80, 90, 20, 10, true, 20, 10, 80, 90},
    {"horizontal, ordered by x", 70, 40, 30, 40, true, 30, 40, 70, 40},
    {"through, left to right", -50, 50, 150, 50, true, 0, 50, 100, 50},
    {"far outside to the centre", -1e6, 50, 50, 50, true, 0, 50, 50, 50},
    {"across both diagonal corners", -10, -10, 110, 110, true, 0, 0, 100, 100},
    {"cutting off the top-left corner", -20, 30, 30, -20, true, 10, 0, 0, 10},
    {"vertical, through top and bottom", 25, -5, 25, 205, true, 25, 0, 25, 100},
    {"along the top edge", -10, 0, 50, 0, true, 0, 0, 50, 0},
    {"steep, entering from below", 60, 300, 40, 50, true, 40, 50, 44, 100},
    {"huge coordinates", -1e12, 50, 1e12, 50, true, 0, 50, 100, 50},
    {"passing outside the top-left corner", -20, 10, 10, -20, false, 0, 0, 0, 0},
    {"passing outside the bottom-right corner", 90, 130, 130, 90, false, 0, 0, 0, 0},
    {"wholly left", -5, 50, -1, 60, false, 0, 0, 0, 0},
    {"wholly below", 10, 101, 90, 180, false, 0, 0, 0, 0},
    {"zero length inside", 50, 50, 50, 50, false, 0, 0, 0, 0},
    {"zero length outside", 150, 50, 150, 50, false, 0, 0, 0, 0},
    {"less than 0.001 left inside", -1, 50, 0.0005, 50, false, 0, 0, 0, 0},
    {"touching a corner only", -10, 10, 10, -10, false, 0, 0, 0, 0},
};

class ClipTest : public VelmoTest, public ::testing::WithParamInterface<ClipCase> {};

TEST_P(ClipTest, Clips) {
  const ClipCase& c = GetParam();
  G_SetClip(100, 100, 0, 0);  // corners in any order
  double x1 = c.x1, y1 = c.y1, x2 = c.x2, y2 = c.y2;
  ASSERT_EQ(G_ClipLine(x1, y1, x2, y2), c.kept);
  if (!c.kept) return;
  EXPECT_NEAR(x1, c.ex1, 1e-9);
  EXPECT_NEAR(y1, c.ey1, 1e-9);
  EXPECT_NEAR(x2, c.ex2, 1e-9);
  EXPECT_NEAR(y2, c.ey2, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Segments, ClipTest, ::testing::ValuesIn(kCases), [](const auto& info) {
  std::string n;
  for (const char* p = info.param.name; *p; ++p) n += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
  return n;
});

TEST(ClipNaN, NonFiniteEndsAreRefused) {
  G_SetClip(0, 0, 100, 100);
  double x1 = std::nan(""), y1 = 10, x2 = 50, y2 = 50;
  EXPECT_FALSE(G_ClipLine(x1, y1, x2, y2));
  x1 = -INFINITY;
  EXPECT_FALSE(G_ClipLine(x1, y1, x2, y2));
}

}  // namespace
