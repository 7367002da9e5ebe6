// Arrowheads on the piece between crossings, their size and angle for one
// click, pens; lengths written into texts, centred on the piece.
#include "ops/Op_SunpoHojyo.h"

#include <cmath>
#include <string>
#include <vector>

#include "OpTest.h"
#include "StoreCells.h"
#include "render/GC_Tenkai.h"

namespace {

class ArrowTest : public CentredOpTest {
protected:
  void SetUp() override {
    CentredOpTest::SetUp();
    CurPVC().dimArrowLength = 0.05;
    CurPVC().dimArrowAngle = 15;
  }
  void Lines(const std::vector<std::vector<double>>& ls) {
    for (const auto& l : ls) GcellAddLine(0, 0x12, l[0], l[1], l[2], l[3]);
    GcellCommit();
    ViewRedraw(1);
  }
};

// The line, then its crossings in either order: the piece is 30..70 and the
// tip at 70 for a click at 60.
TEST_F(ArrowTest, TipAtTheNearestCrossingInEitherOrder) {
  for (bool reversed : {false, true}) {
    SCOPED_TRACE(reversed);
    VelmoReset();
    SetUp();
    if (reversed)
      Lines({{0, 0, 100, 0}, {70, -50, 70, 50}, {30, -50, 30, 50}});
    else
      Lines({{0, 0, 100, 0}, {30, -50, 30, 50}, {70, -50, 70, 50}});
    TPointD a{0, 0}, b{100, 0};
    ClipToCrossings(a, b, {60, 0});
    EXPECT_NEAR(a.x, 30, 1e-9);
    EXPECT_NEAR(b.x, 70, 1e-9);
    const std::vector<TGcell> head = ArrowheadFor(GcellRef(1), {60, 0});
    ASSERT_EQ(head.size(), 2u);
    for (const TGcell& s : head) {
      EXPECT_NEAR(LineOf(s).b.x, 70, 1e-9);
      EXPECT_NEAR(LineOf(s).b.y, 0, 1e-9);
    }
  }
  // A crossing outside the piece found so far does not widen it back: the
  // line crossed at 30, then at 10, clicked at 60 keeps 30..100.
  VelmoReset();
  SetUp();
  Lines({{0, 0, 100, 0}, {30, -50, 30, 50}, {10, -50, 10, 50}});
  TPointD a{0, 0}, b{100, 0};
  ClipToCrossings(a, b, {60, 0});
  EXPECT_NEAR(a.x, 30, 1e-9);
  EXPECT_NEAR(b.x, 100, 1e-9);
}

TEST_F(ArrowTest, SizeAndAngleForOneClickAndPens) {
  Lines({{0, 0, 100, 0}});
  CurPVC().writePen = 0x13;
  ui.Choose(OpBtn_ArrowSet);
  EXPECT_EQ(Prompt(), "矢印を付加する線を指示(L),(R:指定ペン)");
  Value(1, "3");
  Value(2, "30");
  L({90, 0});
  std::vector<TGcell> lines = StoreCells(GK_LINE);
  ASSERT_EQ(lines.size(), 3u);
  for (int k : {1, 2}) {
    const TLineGeom s = LineOf(lines[k]);
    EXPECT_NEAR(Dist(s.a, s.b), 300, 1e-9);  // 3 mm at basic scale 100
    EXPECT_NEAR(std::fabs(std::atan2(s.a.y - s.b.y, s.a.x - s.b.x)), std::acos(-1.0) - std::acos(-1.0) / 6, 1e-9);
    EXPECT_EQ(lines[k].pen, 0x12);  // a left click: the line's own pen
  }
  EXPECT_EQ(CurPVC().dimArrowLength, 0.05);  // the settings stay
  EXPECT_EQ(CurPVC().dimArrowAngle, 15);
  R({10, 0});
  lines = StoreCells(GK_LINE);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[4].pen, 0x13);  // a right click: the write pen
  // Size 0: a point.
  Value(1, "0");
  L({90, 0});
  EXPECT_EQ(StoreCells(GK_POINT).size(), 1u);
}

TEST_F(ArrowTest, CirclesNeedAnEnd) {
  GcellAddCircle(0, 0x11, 0, 0, 50, 1, 0);
  GcellCommit();
  ViewRedraw(1);
  // A whole circle without a crossing: no tip, a beep.
  ui.Choose(OpBtn_ArrowSet);
  const int beeps = platform().beeps();
  L({50, 0});
  EXPECT_EQ(platform().beeps(), beeps + 1);
  EXPECT_EQ(StoreCells().size(), 1u);
  // Crossed by a line at x = 30: the tip where it crosses, nearest the click.
  GcellAddLine(0, 0x11, 30, -100, 30, 100);
  GcellCommit();
  const std::vector<TGcell> head = ArrowheadFor(StoreCells(GK_CIRCLE)[0], {50, 5});
  ASSERT_EQ(head.size(), 2u);
  EXPECT_NEAR(LineOf(head[0]).b.x, 30, 1e-9);
  EXPECT_NEAR(LineOf(head[0]).b.y, 40, 1e-9);
}

class LengthTextTest : public ArrowTest {};

TEST_F(LengthTextTest, LengthsIntoTexts) {
  CurPVC().dimDecimals = 0;
  GcellAddLine(0, 0x11, 0, 0, 1234.6, 0);
  TGcell t = MakeText("?", {100, 70}, 0);
  t.size = 1;
  t.pen = 1;
  GcellAdd(t);
  GcellCommit();
  ViewRedraw(1);
  ui.Choose(OpBtn_LtoMoji);
  EXPECT_EQ(Prompt(), "長さ取得線指示(L)、１点目指示(R)");
  L({600, 0});
  EXPECT_EQ(Prompt(), "長さ取得線指示(L)、長さ値セット文字指示(R)");
  R({102, 74});
  std::vector<TGcell> texts = StoreCells(GK_TEXT);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text, "1235");
  EXPECT_EQ(Prompt(), "長さ取得線指示(L)、１点目指示(R)");
  CurPVC().dimThousands = true;
  L({600, 0});
  R({102, 74});
  EXPECT_EQ(StoreCells(GK_TEXT).at(0).text, "1,235");
  ui.Key('Z', ssCtrl);  // one undo brings the earlier text back
  EXPECT_EQ(StoreCells(GK_TEXT).at(0).text, "1235");
}

TEST_F(LengthTextTest, CentredOnThePiece) {
  // A text at (5, 7) whose new string "100" is 20 wide (full-width
  // characters 40/3 units, half-width 20/3), centred on (0,0)–(100,0).
  CurPVC().textSizes[1] = {0.1, 40.0 / 3 / 100, 0, 1};
  CurPVC().dimDecimals = 0;
  GcellAddLine(0, 0x11, 0, 0, 100, 0);
  GcellAddLine(0, 0x11, 0, 100, 0, 0);
  TGcell t = MakeText("?", {5, 7}, 0.3);
  t.size = 1;
  t.pen = 1;
  GcellAdd(t);
  GcellCommit();
  ViewRedraw(1);
  ui.Choose(OpBtn_LtoMoji);
  R({0, 0});
  R({100, 0});
  EXPECT_EQ(Prompt(), "長さ値セット文字指示(L)or(R)、(R)で文字位置を中心に移動");
  R({5.5, 7.5});
  TGcell moved = StoreCells(GK_TEXT).at(0);
  EXPECT_EQ(moved.text, "100");
  EXPECT_NEAR(TextOf(moved).angle, 0, 1e-12);
  EXPECT_NEAR(TextOf(moved).at.y, 7, 1e-9);
  EXPECT_NEAR(TextExtent(moved), 20, 1e-9);
  EXPECT_NEAR(TextOf(moved).at.x, 40, 1e-9);
  // A piece from (0,100) down to (0,0) reads upwards: 90 degrees.
  R({0, 100});
  R({0, 0});
  const TPointD at = TextOf(moved).at;
  R({at.x + 0.5, at.y + 0.5});
  moved = StoreCells(GK_TEXT).at(0);
  EXPECT_NEAR(TextOf(moved).angle, std::acos(-1.0) / 2, 1e-12);
}

// The text is found again after the store compacts under it.
TEST_F(LengthTextTest, TheTextHeldAcrossACompaction) {
  for (int i = 0; i < 700; ++i) GcellAddLine(0, 0x11, 0, 1000 + i, 10, 1000 + i);
  GcellAddLine(0, 0x11, 0, 0, 100, 0);
  TGcell t = MakeText("?", {10, 20}, 0);
  t.size = 1;
  t.pen = 1;
  GcellAdd(t);
  GcellCommit();
  for (int i = 1; i <= 700; ++i) GcellDelete(i);
  GcellCommit();
  ViewRedraw(1);
  ui.Choose(OpBtn_LtoMoji);
  L({50, 0});
  R({10.5, 20.5});
  const std::vector<TGcell> texts = StoreCells(GK_TEXT);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text, "100");
}

}  // namespace
