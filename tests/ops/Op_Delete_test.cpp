// The delete operation and the range selection it stands on, driven as a
// user drives them: palette button, clicks and drags at pixel positions,
// Shift, the sub-menu buttons, Esc, undo. The view shows one drawing unit
// per pixel with y up; the basic scale is 100, so chains join ends closer
// than 10 units and the cleanup's tolerance is 5.
#include "ops/Op_Delete.h"

#include <algorithm>
#include <numbers>
#include <tuple>
#include <string>
#include <vector>

#include "OpTest.h"
#include "app/ApInput.h"
#include "app/ApMouse.h"
#include "app/ApUndo.h"
#include "app/GC_View.h"
#include "files/fLoad_VLD.h"
#include "model/GC_DB.h"
#include "model/PVC.h"
#include "render/GC_Tenkai.h"
#include "render/Z_Graph.h"

namespace {

// On the operations' fixture, with positions as drawing points (the view
// shows about one unit per pixel): the helpers below take drawing units.
class OpDeleteTest : public OpTest {
protected:
  // The pixel of a drawing point.
  static TPointD Px(double x, double y) {
    TPointD p;
    G_ToPixel(CurrentView(), x, y, p.x, p.y);
    return p;
  }
  void Left(double x, double y, unsigned mods = 0) {
    const TPointD p = Px(x, y);
    ui.LeftClick(p.x, p.y, mods);
  }
  void Right(double x, double y, unsigned mods = 0) {
    const TPointD p = Px(x, y);
    ui.RightClick(p.x, p.y, mods);
  }
  // A range from (x1, y1) to (x2, y2), ended with the left button (it waits
  // in the adjusting step) or the right (deleted at once).
  void Range(double x1, double y1, double x2, double y2, bool right = false) {
    Left(x1, y1);
    if (right) {
      Right(x2, y2);
    } else {
      Left(x2, y2);
    }
  }

  static int Line(double x1, double y1, double x2, double y2, std::uint16_t pen = 0x11, std::uint8_t layer = 0) {
    return GcellAddLine(layer, pen, x1, y1, x2, y2);
  }
  static int Live(int kind = 0) {
    int n = 0;
    for (int i = 1; i <= StoreUsed(); ++i) n += GcellLive(i) && (kind == 0 || GcellRef(i).kind == kind);
    return n;
  }
  // The live lines as (x1, x2) pairs along y = 0, sorted.
  static std::vector<std::pair<double, double>> Spans() {
    std::vector<std::pair<double, double>> out;
    for (int i = 1; i <= StoreUsed(); ++i) {
      if (!GcellLive(i) || GcellRef(i).kind != GK_LINE) continue;
      const TLineGeom l = LineOf(GcellRef(i));
      out.push_back({std::min(l.a.x, l.b.x), std::max(l.a.x, l.b.x)});
    }
    std::sort(out.begin(), out.end());
    return out;
  }
  static bool Selected(int i) { return (GcellRef(i).pen & PEN_SELECTED) != 0; }
  std::string LastMessage() { return platform().messages().empty() ? "" : platform().messages().back().text; }
  // The range mode of the operation with the first range fixed (left).
  void StartRange() {
    ui.Choose(OpBtn_Delete);
    ui.SubMenu(1);
  }
};

// ---- Range selection -------------------------------------------------------------

TEST_F(OpDeleteTest, RangeExcludeConfirmAndUndo) {
  for (int k = 0; k < 5; ++k) Line(100 + 100 * k, 100, 150 + 100 * k, 200);
  GcellCommit();
  StartRange();
  EXPECT_EQ(Prompt(), "削除：「始点指示(L)");
  Range(80, 80, 370, 250);  // lines 1 to 3
  EXPECT_EQ(Prompt(), "除外,追加データ指示,線(L),文字/塗潰/画像(R)");
  EXPECT_EQ(CountSelected(), 3);
  Left(325, 150);  // line 3 excluded
  EXPECT_EQ(CountSelected(), 2);
  EXPECT_FALSE(Selected(3));
  ui.SubMenu(1);
  EXPECT_EQ(Live(), 3);
  EXPECT_FALSE(GcellLive(1) || GcellLive(2));
  EXPECT_EQ(Prompt(), "削除：「始点指示(L)");
  ui.Key('U');
  EXPECT_EQ(Live(), 5);
  ui.Key('U');
  EXPECT_EQ(Live(), 3);
  EXPECT_FALSE(GcellLive(1) || GcellLive(2));
}

// A selected cell is drawn even when its layer is hidden meanwhile; ending
// the selection must not leave its selected image behind.
TEST_F(OpDeleteTest, EndingASelectionOnAHiddenLayerLeavesNoImage) {
  Line(100, 100, 300, 200, 0x11, 0x03);
  Line(100, 300, 300, 300);
  GcellCommit();
  StartRange();
  Range(80, 80, 320, 250);
  ASSERT_EQ(CountSelected(), 1);
  CurPVC().groups[0].layers[3].visible = false;
  ViewRedraw(1);  // the selected line stays on the screen
  ui.Choose(OpBtn_Line);
  const std::vector<std::uint32_t> shown = ViewBuffer().Image().pixels;
  ViewRedraw(1);
  EXPECT_TRUE(shown == ViewBuffer().Image().pixels);
}

// A selected line under the range's edge is drawn again when Esc ends the
// selection: the rectangle's XOR image must not be spoilt by it, or taking
// the rectangle away leaves dots behind.
TEST_F(OpDeleteTest, EscInTheAdjustingStepLeavesTheRectangleWhole) {
  const TPointD a = Px(100, 100), b = Px(300, 200);
  TPointD wa, wb;
  G_ToWorld(CurrentView(), a.x, a.y, wa.x, wa.y);
  G_ToWorld(CurrentView(), b.x, b.y, wb.x, wb.y);
  Line(wa.x, wa.y, wb.x, wa.y);  // along the rectangle's bottom edge
  GcellCommit();
  ViewRedraw(1);
  const std::vector<std::uint32_t> before = ViewBuffer().Image().pixels;
  StartRange();
  ui.LeftClick(a.x, a.y);
  ui.Move(b.x, b.y);
  ui.LeftClick(b.x, b.y);
  ASSERT_EQ(CountSelected(), 1);
  ui.Esc();  // the selection ends, the rectangle follows the pointer again
  ui.Esc();  // the rectangle goes
  ui.Esc();  // and the crosshair
  EXPECT_TRUE(before == ViewBuffer().Image().pixels);
}

TEST_F(OpDeleteTest, RightEndDeletesAtOnceLeftWaits) {
  Line(100, 100, 200, 100);
  Line(100, 300, 200, 300);
  StartRange();
  Range(50, 50, 250, 150);
  EXPECT_EQ(Live(), 2);
  ui.Esc();  // the selection ends, the rectangle follows the pointer again
  EXPECT_EQ(CountSelected(), 0);
  EXPECT_EQ(Prompt(), "削除：終点指示(L)」、確定指示(R)");
  ui.Esc();
  Range(50, 250, 250, 350, true);
  EXPECT_EQ(Live(), 1);
  EXPECT_TRUE(GcellLive(1));
}

TEST_F(OpDeleteTest, AddedRangeAndOutsideDelete) {
  const int a = Line(100, 100, 200, 100);
  const int b = Line(100, 300, 200, 300);
  const int c = Line(400, 300, 500, 300);
  const int hidden = Line(600, 100, 700, 100, 0x11, 0x01);  // layer 1, hidden below
  StartRange();
  Range(50, 50, 250, 150);
  ui.SubMenu(2);  // ②追加範囲
  EXPECT_EQ(Prompt(), "削除：「始点指示(L)");
  Range(50, 250, 250, 350);
  EXPECT_TRUE(Selected(a) && Selected(b));
  EXPECT_FALSE(Selected(c));
  CurPVC().groups[0].layers[1].visible = false;
  ui.SubMenu(4);  // everything shown outside goes
  EXPECT_TRUE(GcellLive(a) && GcellLive(b));
  EXPECT_FALSE(GcellLive(c));
  EXPECT_TRUE(GcellLive(hidden)) << "a hidden cell is never taken";
}

TEST_F(OpDeleteTest, OutsideDeleteWithNothingSelectedTakesEverythingShown) {
  Line(100, 100, 200, 100);
  Line(100, 300, 200, 300);
  StartRange();
  Range(600, 500, 700, 550);
  EXPECT_EQ(CountSelected(), 0);
  ui.SubMenu(4);
  EXPECT_EQ(Live(), 0);
}

TEST_F(OpDeleteTest, FilteredRange) {
  const int pen1 = Line(100, 100, 200, 100, 0x11);
  const int pen2 = Line(100, 150, 200, 150, 0x12);
  const int dotted1 = Line(100, 200, 200, 200, 0x21);
  const int t3 = GcellAddText(0, 3, 0, "AB", 0, 0, 100, 250);
  const int t4 = GcellAddText(0, 4, 0, "AB", 0, 0, 100, 350);
  CurPVC().writePen = 0x11;
  CurPVC().textSize = 3;
  struct Case {
    bool pen, size;
    std::vector<int> taken;
  };
  const std::vector<Case> cases = {
      {true, false, {pen1}},
      {false, true, {t3}},
      {true, true, {pen1, t3}},
      {false, false, {pen1, pen2, dotted1, t3, t4}},
  };
  for (const Case& k : cases) {
    StartRange();
    if (k.pen) ui.SubMenu(1);
    if (k.size) ui.SubMenu(2);
    EXPECT_EQ(SubOption(1).on, k.pen);
    EXPECT_EQ(SubOption(2).on, k.size);
    if (k.pen) {
      EXPECT_NE(Prompt().find("線種指定は書き込みペンで"), std::string::npos);
    }
    EXPECT_TRUE(g_form1.PvMojiNo.visible);
    Range(50, 50, 700, 500);
    std::vector<int> taken;
    for (int i : {pen1, pen2, dotted1, t3, t4})
      if (Selected(i)) taken.push_back(i);
    EXPECT_EQ(taken, k.taken) << "pen " << k.pen << " size " << k.size;
    ui.Choose(OpBtn_Line);
    EXPECT_EQ(CountSelected(), 0);
  }
}

// Where a cell lies against a rectangle from (0, 0) to (100, 100).
TEST_F(OpDeleteTest, RectangleTest) {
  TGcell rect = MakeRangeRect({100, 100}, kRangePenMoving);
  rect.p[2] = rect.p[3] = -100;  // the far corner below and left
  auto line = [](double x1, double y1, double x2, double y2) { return MakeLine({x1, y1}, {x2, y2}); };
  TGcell text = MakeText("ABCD", {10, 50}, 0);
  text.kind = GK_TEXT;
  text.size = 0;
  text.p[2] = 10, text.p[3] = 10, text.p[4] = 0;  // characters 10 wide, 10 high
  TGcell longText = text;
  longText.text = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";  // runs out of the rectangle
  struct Case {
    const char* what;
    TGcell cell;
    int expect;
  };
  const std::vector<Case> cases = {
      {"inside", line(10, 10, 90, 90), RT_INSIDE},
      {"on the sides", line(0, 0, 100, 0), RT_INSIDE},
      {"half inside", line(50, 50, 150, 50), RT_CROSSING},
      {"across, no end inside", line(-50, 50, 150, 50), RT_CROSSING},
      {"outside", line(150, 0, 150, 100), RT_OUTSIDE},
      {"enclosing circle, centre inside", MakeCircle({50, 50}, 200), RT_CROSSING},
      {"arc through a corner, no point inside",
       MakeArc({200, 200, 150, 1, 0, 190 * std::numbers::pi / 180, 260 * std::numbers::pi / 180}), RT_OUTSIDE},
      {"small circle inside", MakeCircle({50, 50}, 10), RT_INSIDE},
      {"text inside", text, RT_INSIDE},
      {"text running out", longText, RT_CROSSING},
  };
  for (const Case& k : cases) EXPECT_EQ(RangeRectTest(rect, k.cell), k.expect) << k.what;
}

TEST_F(OpDeleteTest, HalfInsideLineOnlyWithTouching) {
  const int half = Line(50, 50, 150, 50);
  TGcell rect = MakeRangeRect({0, 0}, kRangePenMoving);
  rect.p[2] = rect.p[3] = 100;
  EXPECT_EQ(RangeSelect(rect, -1, -1, false), 0);
  EXPECT_FALSE(Selected(half));
  EXPECT_EQ(RangeSelect(rect, -1, -1, true), 1);
  EXPECT_TRUE(Selected(half));
}

// ---- Chains ------------------------------------------------------------------------

TEST_F(OpDeleteTest, ShiftPickDeletesAClosedChainOfOnePen) {
  // A rectangle of four lines stored in a scattered order, a line of
  // another pen touching a corner, and a chain of another pen elsewhere.
  const int r1 = Line(100, 100, 300, 100);
  const int other = Line(300, 100, 400, 50, 0x12);
  const int r3 = Line(300, 300, 100, 300);
  const int r2 = Line(300, 100, 300, 300);
  const int r4 = Line(100, 100, 100, 300);
  const int far = Line(500, 400, 600, 400);
  GcellCommit();
  ui.Choose(OpBtn_Delete);
  Left(200, 100, ssShift);
  for (int i : {r1, r2, r3, r4}) EXPECT_FALSE(GcellLive(i)) << i;
  EXPECT_TRUE(GcellLive(other));
  EXPECT_TRUE(GcellLive(far));
  ui.Key('U');
  EXPECT_EQ(Live(), 6);
}

TEST_F(OpDeleteTest, ShiftClickInAdjustTogglesTheChain) {
  const int r1 = Line(100, 100, 300, 100);
  const int r2 = Line(300, 100, 300, 300);
  const int r3 = Line(300, 300, 100, 300);
  const int r4 = Line(100, 100, 100, 300);
  const int other = Line(300, 300, 400, 400, 0x12);
  StartRange();
  Range(600, 500, 700, 550);  // nothing
  Left(200, 300, ssShift);
  for (int i : {r1, r2, r3, r4}) EXPECT_TRUE(Selected(i)) << i;
  EXPECT_FALSE(Selected(other));
  Left(100, 200, ssCtrl);  // and out again
  EXPECT_EQ(CountSelected(), 0);
}

TEST_F(OpDeleteTest, ChainToleranceIsStrict) {
  struct Case {
    double gap;
    bool chained;
  };
  for (const Case k : {Case{10, false}, Case{9, true}}) {
    VelmoReset();
    SetUp();
    const int a = Line(100, 100, 200, 100);
    const int b = Line(200 + k.gap, 100, 300, 100);
    ui.Choose(OpBtn_Delete);
    Left(120, 100, ssShift);
    EXPECT_FALSE(GcellLive(a));
    EXPECT_EQ(GcellLive(b), !k.chained) << "gap " << k.gap;
  }
}

TEST_F(OpDeleteTest, ChainFollowsTheTrueEndsOfAnEllipticArc) {
  // A half ellipse, 100 wide and 50 high (flatness 0.5), turned a quarter:
  // its ends lie at (200, 0) and (200, 200) only with flatness and tilt.
  ArcParams arc{200, 100, 100, 0.5, std::numbers::pi / 2, 0, std::numbers::pi};
  TGcell e = MakeArc(arc);
  e.pen = 0x11;
  const int ell = GcellAdd(e);
  const int line = Line(200, 200, 400, 200);
  ui.Choose(OpBtn_Delete);
  Left(300, 200, ssShift);
  EXPECT_FALSE(GcellLive(line));
  EXPECT_FALSE(GcellLive(ell));
}

// ---- Single picks -------------------------------------------------------------------

TEST_F(OpDeleteTest, PickSurvivesTheCompactionOfTheStep) {
  // Enough cells deleted in the open step that closing it compacts the
  // store: the picked line moves, and it, not what comes to its slot, goes.
  for (int k = 0; k < 700; ++k) Line(10, 10 + k * 0.1, 20, 10 + k * 0.1);
  const int target = Line(300, 300, 400, 300);
  const int next = Line(300, 400, 400, 400);
  for (int k = 1; k <= 700; ++k) GcellDelete(k);
  ui.Choose(OpBtn_Delete);
  Left(350, 300);
  ASSERT_LT(StoreUsed(), target) << "the step was compacted";
  EXPECT_EQ(Live(), 1);
  const int left = [] {
    for (int i = 1; i <= StoreUsed(); ++i)
      if (GcellLive(i)) return i;
    return 0;
  }();
  EXPECT_DOUBLE_EQ(LineOf(GcellRef(left)).a.y, 400);
  (void)next;
}

TEST_F(OpDeleteTest, RightPickTakesTextsAndNothingBeeps) {
  const int t = GcellAddText(0, 3, 0, "ABC", 0, 0, 300, 300);
  ui.Choose(OpBtn_Delete);
  EXPECT_EQ(Prompt(), "削除：線/円(L), 文字や塗潰面(R), 連続線(Shift+L)");
  Right(700, 50);  // nothing there
  EXPECT_TRUE(GcellLive(t));
  Right(305, 305);
  EXPECT_FALSE(GcellLive(t));
}

TEST_F(OpDeleteTest, LeftDragStartsARange) {
  Line(100, 100, 200, 100);
  ui.Choose(OpBtn_Delete);
  const TPointD a = Px(50, 50), b = Px(250, 150);
  ui.Press(ssLeft, a.x, a.y);
  ui.Move(a.x + 40, a.y - 5);
  ui.Move(b.x, b.y);
  ui.Release(ssLeft, b.x, b.y);
  EXPECT_EQ(Prompt(), "削除：終点指示(L)」、確定指示(R)");
  ui.RightClick(b.x, b.y);
  EXPECT_EQ(Live(), 0);
}

// ---- The end of the operation ------------------------------------------------

TEST_F(OpDeleteTest, EndKeepsTheLastSelectionMarkAndLeavesNoGhost) {
  const int a = Line(100, 100, 200, 100);
  ViewRedraw(1);
  const auto before = ViewBuffer().Image().pixels;
  StartRange();
  Range(50, 50, 250, 150);
  EXPECT_TRUE(Selected(a));
  ui.Choose(OpBtn_Line);
  EXPECT_FALSE(Selected(a));
  EXPECT_TRUE(GcellRef(a).pen & PEN_SELMARK);
  EXPECT_EQ(ViewBuffer().Image().pixels, before);
  // A new range clears the mark everywhere.
  StartRange();
  Range(600, 500, 700, 550);
  EXPECT_FALSE(GcellRef(a).pen & PEN_SELMARK);
}

TEST_F(OpDeleteTest, UndoInTheMiddleOfARangeLeavesNoGhost) {
  Line(100, 100, 200, 100);
  GcellCommit();
  ViewRedraw(1);
  const auto before = ViewBuffer().Image().pixels;
  StartRange();
  const TPointD p = Px(300, 300);
  ui.Move(p.x, p.y);    // crosshair
  Left(50, 50);
  ui.Move(p.x, p.y);    // rectangle
  ui.Key('U');          // undo ends and restarts the operation
  ui.Choose(OpBtn_Line);
  ViewRedraw(0);
  EXPECT_EQ(ViewBuffer().Image().pixels, before);
}

// ---- The clipboard -----------------------------------------------------------

TEST_F(OpDeleteTest, ClipboardCopyReadsBackAsADrawing) {
  Line(100, 100, 200, 100, 0x23);
  GcellAddText(0, 3, 0, "文字", 0, 0, 120, 120);
  Line(600, 500, 700, 500);  // not selected
  StartRange();
  Range(50, 50, 300, 200);
  ui.SubMenu(3);
  EXPECT_EQ(LastMessage(), "選択データをクリップボードにコピーしました。");
  const std::string text = platform().ClipboardText();
  ASSERT_FALSE(text.empty());
  SwitchWindow(2);
  ASSERT_TRUE(VldLoadText(text, 0, 0, "clipboard"));
  ASSERT_EQ(Live(), 2);
  EXPECT_EQ(GcellRef(1).kind, GK_LINE);
  EXPECT_EQ(GcellRef(1).pen & 0xFF, 0x23);
  EXPECT_FALSE(GcellRef(1).pen & PEN_SELECTED) << "read back without the selection";
  EXPECT_DOUBLE_EQ(LineOf(GcellRef(1)).b.x, 200);
  EXPECT_EQ(GcellRef(2).text.str(), "文字");
}

// ---- Duplicate cleanup -------------------------------------------------------

class DuplicateCleanupTest : public OpDeleteTest {
protected:
  void SetUp() override {
    OpDeleteTest::SetUp();
    for (int p = 1; p <= 10; ++p) CurPVC().pens[p].printWidth = p;  // pen n is n wide
  }
  // Every live cell selected, then the cleanup, as the menu command does it.
  void Clean() {
    GcellCommit();
    for (int i = 1; i <= StoreUsed(); ++i)
      if (GcellLive(i)) GcellSelect(i);
    DuplicateCleanup();
  }
};

TEST_F(DuplicateCleanupTest, TwoIdenticalLinesLeaveOne) {
  Line(0, 0, 100, 0);
  Line(0, 0, 100, 0);
  Clean();
  EXPECT_EQ(LastMessage(), "完了： 2 ---> 1 (50.0%)");
  EXPECT_EQ(Live(), 1);
  EXPECT_EQ(CountSelected(), 0);
  EXPECT_FALSE(g_form1.progress.visible);
  EXPECT_GT(platform().showNowCalls(), 0);
}

TEST_F(DuplicateCleanupTest, LinesAlongOneAnother) {
  struct Case {
    const char* what;
    std::vector<std::tuple<double, double, std::uint16_t>> lines;  // x1, x2, pen
    std::vector<std::pair<double, double>> left;
  };
  const std::vector<Case> cases = {
      {"same pen, overlapping, merge", {{0, 60, 0x11}, {40, 100, 0x11}}, {{0, 100}}},
      {"same pen, touching within tolerance", {{0, 50, 0x11}, {54, 100, 0x11}}, {{0, 100}}},
      {"same pen, apart", {{0, 50, 0x11}, {60, 100, 0x11}}, {{0, 50}, {60, 100}}},
      {"a merged piece carries the line on", {{0, 40, 0x11}, {30, 90, 0x11}, {80, 120, 0x11}},
       {{0, 120}}},
      {"dotted under a thicker line inside it", {{0, 100, 0x21}, {30, 60, 0x13}}, {{0, 30}, {30, 60}, {60, 100}}},
      {"thicker first: both stay whole", {{30, 60, 0x13}, {0, 100, 0x21}}, {{0, 100}, {30, 60}}},
      {"thin wholly covered", {{10, 90, 0x11}, {0, 100, 0x13}}, {{0, 100}}},
      {"overlap by float noise keeps the rest", {{0, 100, 0x11}, {1e-9, 50, 0x13}}, {{1e-9, 50}, {50, 100}}},
      {"two thick pieces inside one thin line", {{0, 100, 0x11}, {20, 30, 0x13}, {60, 70, 0x13}},
       {{0, 20}, {20, 30}, {30, 60}, {60, 70}, {70, 100}}},
      {"solid over dotted of one width", {{0, 100, 0x21}, {0, 50, 0x11}}, {{0, 50}, {50, 100}}},
  };
  for (const Case& k : cases) {
    VelmoReset();
    SetUp();
    for (auto [a, b, pen] : k.lines) Line(a, 0, b, 0, pen);
    Clean();
    const auto spans = Spans();
    ASSERT_EQ(spans.size(), k.left.size()) << k.what;
    for (std::size_t i = 0; i < spans.size(); ++i) {
      EXPECT_NEAR(spans[i].first, k.left[i].first, 1e-6) << k.what;
      EXPECT_NEAR(spans[i].second, k.left[i].second, 1e-6) << k.what;
    }
  }
}

TEST_F(DuplicateCleanupTest, RepeatedCurvesAndTextsAndUndo) {
  GcellAddCircle(0, 0x11, 100, 100, 50, 1, 0);
  GcellAddCircle(0, 0x11, 102, 100, 52, 1, 0);  // within 5
  GcellAddCircle(0, 0x12, 100, 100, 50, 1, 0);  // another pen
  GcellAddArc(0, 0x11, 100, 100, 50, 1, 0, 0, 1);
  GcellAddText(0, 3, 0, "AB", 0, 0, 300, 300);
  GcellAddText(0, 3, 0, "AB", 0, 0, 301, 300);
  GcellAddText(0, 3, 0, "AC", 0, 0, 300, 300);
  Clean();
  EXPECT_EQ(LastMessage(), "完了： 7 ---> 5 (71.4%)");
  EXPECT_EQ(Live(GK_CIRCLE), 2);
  EXPECT_EQ(Live(GK_ARC), 1);
  EXPECT_EQ(Live(GK_TEXT), 2);
  UndoCommand();
  EXPECT_EQ(Live(), 7);
}

TEST_F(DuplicateCleanupTest, FewerThanTwoSelectedSaysNothing) {
  Line(0, 0, 100, 0);
  GcellCommit();
  GcellSelect(1);
  DuplicateCleanup();
  EXPECT_TRUE(platform().messages().empty());
}

TEST_F(DuplicateCleanupTest, CleanupModeOfTheOperation) {
  Line(100, 100, 300, 100);
  Line(100, 100, 300, 100);
  Line(100, 400, 300, 400);
  Line(100, 400, 300, 400);
  ui.Choose(OpBtn_Delete);
  ui.SubMenu(2);
  EXPECT_EQ(Prompt(), "重複消去：「始点指示(L)");
  EXPECT_FALSE(SubOption(1).enabled);
  EXPECT_FALSE(SubOption(2).enabled);
  Range(50, 50, 350, 150, true);
  EXPECT_EQ(LastMessage(), "完了： 2 ---> 1 (50.0%)");
  EXPECT_EQ(Live(), 3);
  EXPECT_EQ(Prompt(), "重複消去：「始点指示(L)");
}

TEST_F(DuplicateCleanupTest, MenuCommandAsksAndCleansTheWholeWindow) {
  ui.Choose(OpBtn_Line);
  InputMenu("LineParge");
  EXPECT_EQ(LastMessage(), "データはありません．");
  Line(0, 0, 100, 0);
  Line(0, 0, 100, 0);
  GcellCommit();
  platform().ScriptAnswer(MsgAnswer::Cancel);
  InputMenu("LineParge");
  EXPECT_EQ(Live(), 2);
  platform().ScriptAnswer(MsgAnswer::Ok);
  InputMenu("LineParge");
  EXPECT_EQ(LastMessage(), "完了： 2 ---> 1 (50.0%)");
  EXPECT_EQ(Live(), 1);
}

}  // namespace

namespace {

TEST_F(OpDeleteTest, GivingUpAnAddedRangeLeavesNoHiddenRectangle) {
  Line(100, 100, 200, 100);
  Line(400, 400, 450, 400);
  StartRange();
  Range(50, 50, 250, 150);
  ui.SubMenu(2);  // ②追加範囲
  ui.Esc();       // back to the adjusting step
  ui.Esc();       // the selection ends
  EXPECT_EQ(Prompt(), "削除：「始点指示(L)") << "no rectangle to finish";
  Right(500, 500);
  EXPECT_EQ(Live(), 2) << "a right click starts nothing and deletes nothing";
}

TEST_F(DuplicateCleanupTest, OneSelectedCellEndsSelectedNoMore) {
  Line(100, 100, 300, 100);
  ui.Choose(OpBtn_Delete);
  ui.SubMenu(2);
  Range(50, 50, 350, 150, true);
  EXPECT_EQ(CountSelected(), 0);
  EXPECT_TRUE(platform().messages().empty());
}

}  // namespace
