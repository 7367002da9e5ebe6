#include "kernel/Common.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "VelmoTest.h"

namespace {

TEST(CommonTest, TruncAndRoundAreDefinedEverywhere) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    double x;
    int trunc, round;
  };
  const Case cases[] = {
      {-2.7, -2, -3},       {2.7, 2, 3},           {0.99, 0, 1},          {-0.5, 0, 0},
      {2.5, 2, 2},          {3.5, 3, 4},           {-2.5, -2, -2},        {1e12, 2147483647, 2147483647},
      {-1e12, -2147483647, -2147483647},           {inf, 2147483647, 2147483647},
      {-inf, -2147483647, -2147483647},            {nan, 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TruncInt(c.x), c.trunc) << c.x;
    EXPECT_EQ(RoundInt(c.x), c.round) << c.x;
  }
}

TEST(CommonTest, OrderAndSwap) {
  double a = 3, b = 1;
  OrderReals(a, b);
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 3);
  OrderReals(a, b);
  EXPECT_EQ(a, 1);
  int i = 1, j = 2;
  SwapInt(i, j);
  EXPECT_EQ(i, 2);
  EXPECT_EQ(j, 1);
}

TEST(CommonTest, CompareBytesIsUnsigned) {
  const unsigned char a[] = {0x41, 0x82, 0x00};
  const unsigned char b[] = {0x41, 0x7F, 0x00};
  EXPECT_EQ(CompareBytes(a, b, 3), 1);
  EXPECT_EQ(CompareBytes(b, a, 3), -1);
  EXPECT_EQ(CompareBytes(a, a, 3), 0);
  EXPECT_EQ(CompareBytes(a, b, 1), 0);
  unsigned char buf[4] = {1, 2, 3, 4};
  FillBytes(buf, 0xAB, 3);
  EXPECT_EQ(buf[2], 0xAB);
  EXPECT_EQ(buf[3], 4);
}

class BeepTest : public VelmoTest {};

TEST_F(BeepTest, GoesToThePlatform) {
  Beep();
  Beep();
  EXPECT_EQ(platform().beeps(), 2);
}

}  // namespace
