// Block copy and move driven as a user drives them: a range, the base
// point, the target, the parameters typed into ② ③ ④, key 8, repeats,
// destination and mirror lines, cut-out, group and layer move, undo and
// the window switch. The view shows one drawing unit per pixel with y up.
#include "ops/Op_BlockCopy.h"

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "OpTest.h"
#include "app/ApMouse.h"
#include "app/GC_View.h"
#include "model/GC_DB.h"
#include "model/PVC.h"
#include "render/Z_Graph.h"

namespace {

constexpr double kPi = std::numbers::pi;

class OpBlockCopyTest : public OpTest {
protected:
  // The operation chosen and a range from (x1, y1) to (x2, y2) confirmed
  // with a right click: the base point is asked next.
  void Select(TOpButton op, double x1, double y1, double x2, double y2) {
    ui.Choose(op);
    Left(x1, y1);
    Right(x2, y2);
  }
};

TEST_F(OpBlockCopyTest, CopyWithBaseAndTargetIsOneUndoStep) {
  Line(P(100, 100), P(200, 100));
  GcellCommit();
  Select(OpBtn_BlockCopy, 50, 50, 250, 150);
  EXPECT_EQ(Prompt(), "複写：基準点指示(L)or(R)");
  Left(100, 100);
  EXPECT_EQ(Prompt(), "複写：複写位置指示(L)or(R)");
  MoveTo(300, 300);
  EXPECT_TRUE(g_blockOp.run.preview.Visible());
  Left(300, 400);
  auto lines = Live(GK_LINE);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(LineOf(lines[1]).a, P(300, 400));
  EXPECT_FALSE(lines[1].pen & (PEN_SELECTED | PEN_SELMARK)) << "the copy carries no marks";
  EXPECT_NE(Harness::SubCaption(1).find("等間隔の継続複写"), std::string::npos);
  ui.Key('U');
  EXPECT_EQ(Live(GK_LINE).size(), 1u);
}

TEST_F(OpBlockCopyTest, MoveAndScaleTwoOneMakesAnEllipse) {
  const TPointD c = P(100, 100);
  GcellAddCircle(0, 0x11, c.x, c.y, 10, 1, 0);
  Select(OpBtn_BlockMove, 50, 50, 150, 150);
  ui.SubMenu(2);
  ui.Entry("2,1");
  EXPECT_NE(Harness::SubCaption(2).find("拡大率=2,1"), std::string::npos);
  Left(100, 100);
  Left(400, 300);
  const auto circles = Live(GK_CIRCLE);
  ASSERT_EQ(circles.size(), 1u);
  const ArcParams a = ArcOf(circles[0]);
  EXPECT_EQ(TPointD(a.cx, a.cy), P(400, 300));
  EXPECT_DOUBLE_EQ(a.r, 20);
  EXPECT_DOUBLE_EQ(a.f, 0.5);
  EXPECT_EQ(Prompt(), "移動：「始点指示(L)");
}

TEST_F(OpBlockCopyTest, NegativeScaleKeepsArcsAndReflectsThem) {
  const TPointD c = P(100, 100), d = P(150, 100);
  GcellAddArc(0, 0x11, c.x, c.y, 20, 1, 0, 0, kPi / 2);  // the quarter towards +x, +y
  GcellAddCircle(0, 0x11, d.x, d.y, 10, 1, 0);
  Select(OpBtn_BlockMove, 50, 50, 200, 150);
  ui.SubMenu(2);
  ui.Entry("-1,1");
  Left(100, 100);
  Left(100, 100);
  const auto arcs = Live(GK_ARC);
  ASSERT_EQ(arcs.size(), 1u) << "an arc is never lost to a negative radius";
  ASSERT_EQ(Live(GK_CIRCLE).size(), 1u);
  const ArcParams a = ArcOf(arcs[0]);
  EXPECT_DOUBLE_EQ(a.r, 20);
  // Mirrored about its own vertical: the quarter towards -x, +y.
  EXPECT_NEAR(a.s, kPi / 2, 1e-12);
  EXPECT_NEAR(a.e, kPi, 1e-12);
  EXPECT_NEAR(ArcOf(Live(GK_CIRCLE)[0]).cx, 2 * c.x - d.x, 1e-9);
}

TEST_F(OpBlockCopyTest, AMoveTheStoreRefusesKeepsTheOriginal) {
  Line(P(100, 100), P(200, 100));
  Select(OpBtn_BlockMove, 50, 50, 250, 150);
  ui.SubMenu(2);
  ui.Entry("0.000000001");  // the moved line would have no length
  Left(100, 100);
  Left(300, 300);
  const auto lines = Live(GK_LINE);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(LineOf(lines[0]).a, P(100, 100));
  EXPECT_EQ(platform().beeps(), 1);
}

TEST_F(OpBlockCopyTest, RepeatedCopiesStepAndTurn) {
  const TPointD a = P(100, 100), b = P(120, 100);
  Line(a, b);
  Select(OpBtn_BlockCopy, 50, 50, 150, 150);
  ui.SubMenu(3);
  ui.Entry("30");
  Left(100, 100);
  Left(150, 120);
  ui.SubMenu(1);
  ui.SubMenu(1);
  const TPointD step = P(150, 120) - a;
  const auto lines = Live(GK_LINE);
  ASSERT_EQ(lines.size(), 4u);
  for (int k = 1; k <= 3; ++k) {
    const TLineGeom l = LineOf(lines[static_cast<std::size_t>(k)]);
    EXPECT_NEAR(l.a.x, a.x + k * step.x, 1e-9) << k;
    EXPECT_NEAR(l.a.y, a.y + k * step.y, 1e-9) << k;
    EXPECT_NEAR(std::atan2(l.b.y - l.a.y, l.b.x - l.a.x), k * kPi / 6, 1e-9) << k;
  }
  EXPECT_EQ(Prompt(), "複写：継続複写指示");
  ui.Key('U');
  EXPECT_EQ(Live(GK_LINE).size(), 3u) << "each copy is its own step";
}

TEST_F(OpBlockCopyTest, ElevationTextsFollowTheMove) {
  struct Case {
    const char* text;
    const char* moved;
  };
  for (const Case k : {Case{"▽10.000", "▽10.500"}, Case{"▽1,234.500", "▽1,235.000"}}) {
    VelmoReset();
    SetUp();
    const TPointD at = P(100, 100);
    GcellAddText(0, 3, 0, k.text, 0, 0, at.x, at.y);
    platform().ScriptAnswer(MsgAnswer::Yes);  // "標高値(▽123.45)を自動変換しますか？"
    Select(OpBtn_BlockMove, 50, 50, 300, 150);
    EXPECT_NE(platform().messages().back().text.find("標高値"), std::string::npos);
    ui.SubMenu(4);
    ui.Entry("0,500");  // 500 units up at scales 100/100
    const auto texts = Live(GK_TEXT);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text.str(), k.moved) << k.text;
  }
}

TEST_F(OpBlockCopyTest, NumericMoveAtTheGroupScale) {
  CurPVC().groups[0].scaleX = CurPVC().groups[0].scaleY = 50;
  const TPointD p = P(100, 100);
  GcellAddPoint(0, 0x11, p.x, p.y);
  Select(OpBtn_BlockMove, 50, 50, 150, 150);
  ui.SubMenu(4);
  ui.Entry("10,5");
  const auto points = Live(GK_POINT);
  ASSERT_EQ(points.size(), 1u);
  EXPECT_DOUBLE_EQ(PointOf(points[0]).x, p.x + 20);
  EXPECT_DOUBLE_EQ(PointOf(points[0]).y, p.y + 10);
}

TEST_F(OpBlockCopyTest, HorizontalLockAndKeyEightMirror) {
  const TPointD a = P(100, 100), b = P(120, 110);
  Line(a, b);
  Select(OpBtn_BlockCopy, 50, 50, 150, 150);
  ui.SubMenu(1);
  EXPECT_NE(Harness::SubCaption(1).find("左右"), std::string::npos);
  Left(100, 100);
  MoveTo(300, 250);
  ui.Key('8');
  Left(300, 250);
  const TLineGeom l = LineOf(Live(GK_LINE)[1]);
  const TPointD t = P(300, 250);
  EXPECT_DOUBLE_EQ(l.a.y, a.y) << "horizontal only";
  EXPECT_DOUBLE_EQ(l.a.x, t.x);
  EXPECT_NEAR(l.b.x, t.x - (b.x - a.x), 1e-9) << "mirrored about the target's vertical";
  EXPECT_NEAR(l.b.y, b.y, 1e-9);
}

TEST_F(OpBlockCopyTest, MirrorAboutALineKeepsTextsReadable) {
  const TPointD at = P(100, 100);
  GcellAddText(0, 3, 0, "AB", 0, 0, at.x, at.y);
  Line(P(300, 0), P(300, 500));  // the axis
  Select(OpBtn_BlockMove, 50, 50, 250, 150);
  ui.SubMenu(5);
  EXPECT_EQ(Prompt(), "反転：反転基準線指示(L)");
  Left(300, 400);
  const auto texts = Live(GK_TEXT);
  ASSERT_EQ(texts.size(), 1u);
  const TTextGeom t = TextOf(texts[0]);
  EXPECT_NEAR(std::cos(t.angle), 1, 1e-12) << "still reads left to right";
  EXPECT_NEAR(t.at.x, 2 * P(300, 0).x - (at.x + 10), 1e-9) << "its far end mirrored";
}

TEST_F(OpBlockCopyTest, CopyFromOneWindowIntoTheOther) {
  Line(P(100, 100), P(200, 100));
  Select(OpBtn_BlockCopy, 50, 50, 250, 150);
  Left(100, 100);
  SwitchWindow(2);
  EXPECT_EQ(CurOpButton(), OpBtn_BlockCopy);
  Left(300, 300);
  ASSERT_EQ(Live(GK_LINE).size(), 1u);
  EXPECT_EQ(Live(GK_LINE)[0].window, 2);
  EXPECT_EQ(LineOf(Live(GK_LINE)[0]).a, P(300, 300));
  SwitchWindow(1);
  EXPECT_EQ(Live(GK_LINE).size(), 1u) << "the original stays";
}

TEST_F(OpBlockCopyTest, CutOutClipsLinesAtTheRange) {
  Line(P(0, 100), P(400, 100));
  ui.Choose(OpBtn_BlockCopy);
  ui.SubMenu(4);
  EXPECT_EQ(Prompt(), "切出：「始点指示(L)");
  Left(100, 50);
  Right(200, 150);
  Left(100, 100);
  Left(100, 300);
  const auto lines = Live(GK_LINE);
  ASSERT_EQ(lines.size(), 2u);
  const TLineGeom l = LineOf(lines[1]);
  EXPECT_NEAR(std::min(l.a.x, l.b.x), P(100, 0).x, 1e-9);
  EXPECT_NEAR(std::max(l.a.x, l.b.x), P(200, 0).x, 1e-9);
  EXPECT_NEAR(l.a.y, P(0, 300).y, 1e-9);
}

TEST_F(OpBlockCopyTest, PreviousRangeRecallsTheMovedCells) {
  Line(P(100, 100), P(200, 100));
  Line(P(100, 400), P(200, 400));
  Select(OpBtn_BlockMove, 50, 50, 250, 150);
  Left(100, 100);
  Left(100, 200);
  ui.SubMenu(3);  // ③前範囲
  EXPECT_EQ(Prompt(), "除外,追加データ指示,線(L),文字/塗潰/画像(R)");
  ui.SubMenu(1);
  Left(100, 200);
  Left(100, 250);
  const auto lines = Live(GK_LINE);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(LineOf(lines[0]).a, P(100, 400)) << "the other line never moved";
  EXPECT_EQ(LineOf(lines[1]).a, P(100, 250));
}

TEST_F(OpBlockCopyTest, MirrorEachAfterARightClickOnALine) {
  Line(P(300, 0), P(300, 500));
  const TPointD p = P(250, 100);
  GcellAddPoint(0, 0x11, p.x, p.y);
  ui.Choose(OpBtn_BlockCopy);
  Right(300, 250);
  EXPECT_EQ(Prompt(), "反転：線円(L)、文字(R)");
  Left(250, 100);
  const auto points = Live(GK_POINT);
  ASSERT_EQ(points.size(), 2u);
  EXPECT_NEAR(PointOf(points[1]).x, 2 * P(300, 0).x - p.x, 1e-9);
  Right(700, 50);  // nothing there
  EXPECT_EQ(platform().beeps(), 1);
}

TEST_F(OpBlockCopyTest, AlignToADestinationLine) {
  const TPointD a = P(100, 100), b = P(150, 100);
  Line(a, b);
  Line(P(400, 100), P(400, 500));  // vertical destination
  Select(OpBtn_BlockCopy, 50, 50, 200, 150);
  Left(100, 100);
  MoveTo(300, 300);
  ui.SubMenu(5);
  EXPECT_EQ(Prompt(), "複写先の基準線指示(L)or(R)");
  Left(400, 300);
  MoveTo(380, 200);
  Left(380, 200);  // the foot on the line
  const auto lines = Live(GK_LINE);
  ASSERT_EQ(lines.size(), 3u);
  const TLineGeom l = LineOf(lines[2]);
  EXPECT_NEAR(l.a.x, P(400, 0).x, 1e-9);
  EXPECT_NEAR(l.a.y, P(0, 200).y, 1e-9);
  EXPECT_NEAR(l.b.x, l.a.x, 1e-9);
  EXPECT_NEAR(l.b.y, l.a.y + (b.x - a.x), 1e-9) << "turned onto the line's direction";
}

TEST_F(OpBlockCopyTest, GroupMoveRescalesOnYes) {
  CurPVC().groups[1].scaleX = CurPVC().groups[1].scaleY = 50;
  CurPVC().writeLayer = 0x00;  // write group 0 at 1/100
  const TPointD a = P(100, 100), b = P(200, 100);
  Line(a, b, 0x10);                   // group 1 at 1/50
  Line(P(100, 300), P(200, 300), 0x03);  // already in group 0
  ui.Choose(OpBtn_BlockMove);
  ui.SubMenu(4);
  EXPECT_EQ(Prompt(), "ｸﾞﾙｰﾌﾟ移動：「始点指示(L)");
  platform().ScriptAnswer(MsgAnswer::Yes);
  Left(50, 50);
  Right(250, 350);
  const auto lines = Live(GK_LINE);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].layer, 0x03) << "a cell in the write group stays";
  EXPECT_EQ(lines[1].layer, 0x00);
  EXPECT_EQ(LineOf(lines[1]).a, a);
  EXPECT_NEAR(LineOf(lines[1]).b.x, a.x + (b.x - a.x) / 2, 1e-9) << "halved about the selection's lower left";
}

TEST_F(OpBlockCopyTest, GroupMoveWithoutRescalingAndTheModeKept) {
  CurPVC().groups[1].scaleX = CurPVC().groups[1].scaleY = 50;
  CurPVC().writeLayer = 0x02;
  const TPointD a = P(100, 100), b = P(200, 100);
  Line(a, b, 0x13);
  Line(P(100, 300), P(200, 300), 0x05);
  GcellCommit();
  ui.Choose(OpBtn_BlockMove);
  ui.SubMenu(4);
  // No: the group changes, the size stays; one undo step.
  platform().ScriptAnswer(MsgAnswer::No);
  Left(50, 50);
  Right(250, 150);
  auto lines = Live(GK_LINE);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1].layer, 0x03);
  EXPECT_EQ(LineOf(lines[1]).b, b);
  EXPECT_EQ(Prompt(), "ｸﾞﾙｰﾌﾟ移動：「始点指示(L)") << "the mode stays for the next range";
  ui.Key('U');
  lines = Live(GK_LINE);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].layer, 0x13) << "one undo takes the move back";
  ui.Key('U');
  // A selection in the write group already asks nothing and changes nothing.
  ui.SubMenu(4);
  Left(50, 250);
  Right(250, 350);
  lines = Live(GK_LINE);
  EXPECT_EQ(lines[0].layer, 0x05);
  EXPECT_EQ(lines[1].layer, 0x03);
}

TEST_F(OpBlockCopyTest, AGroupMoveTheStoreRefusesKeepsTheOriginalAndBeeps) {
  // A line under a unit long in a 1/1 group, rescaled into a 1/1000 one.
  CurPVC().groups[1].scaleX = CurPVC().groups[1].scaleY = 1;
  CurPVC().groups[0].scaleX = CurPVC().groups[0].scaleY = 1000;
  CurPVC().writeLayer = 0x00;
  const TPointD a = P(100, 100);
  Line(a, {a.x + 0.5, a.y}, 0x10);
  GcellCommit();
  ui.Choose(OpBtn_BlockMove);
  ui.SubMenu(4);
  platform().ScriptAnswer(MsgAnswer::Yes);
  const int beeps = platform().beeps();
  Left(50, 50);
  Right(250, 150);
  EXPECT_EQ(platform().beeps(), beeps + 1);
  const auto lines = Live(GK_LINE);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].layer, 0x10);
}

TEST_F(OpBlockCopyTest, LayerMoveKeepsTheGroup) {
  CurPVC().writeLayer = 0x25;
  Line(P(100, 100), P(200, 100), 0x31);
  ui.Choose(OpBtn_BlockMove);
  ui.SubMenu(5);
  Left(50, 50);
  Right(250, 150);
  ASSERT_EQ(Live(GK_LINE).size(), 1u);
  EXPECT_EQ(Live(GK_LINE)[0].layer, 0x35);
}

TEST_F(OpBlockCopyTest, EndLeavesNoGhost) {
  Line(P(100, 100), P(200, 100));
  GcellCommit();
  ViewRedraw(1);
  const auto before = ViewBuffer().Image().pixels;
  Select(OpBtn_BlockCopy, 50, 50, 250, 150);
  Left(100, 100);
  MoveTo(300, 300);
  ui.Choose(OpBtn_Line);
  EXPECT_EQ(ViewBuffer().Image().pixels, before);
}

}  // namespace
