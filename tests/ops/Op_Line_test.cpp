// The line operation driven as a user drives it: palette button, clicks at
// pixel positions, sub-menu buttons, typed values, Esc and Shift.
//
// The view shows one drawing unit per pixel with y up, so a pixel offset is
// the same offset in drawing units (W converts a pixel position exactly as
// the operation does).
#include "ops/Op_Line.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "Harness.h"
#include "VelmoTest.h"
#include "app/GC_View.h"
#include "kernel/Z_Math.h"
#include "model/PVC.h"

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kTol = 1e-9;

class OpLineTest : public VelmoTest {
protected:
  Harness ui{800, 600};

  void SetUp() override {
    VelmoTest::SetUp();
    ui = Harness{800, 600};
    TGContext& v = CurrentView();
    G_SetWindow(v, 0, 0, v.devRight - v.devLeft, v.devBottom - v.devTop);
    g_viewBuffer.windowSet = true;
    ViewRedraw(1);
  }

  static TPointD W(double px, double py) {
    TPointD p;
    G_ToWorld(CurrentView(), px, py, p.x, p.y);
    return p;
  }

  // Basic scale b, write group (0) at x and y scales sx, sy.
  static void Scales(double b, double sx, double sy) {
    CurPVC().basicScale = b;
    CurPVC().groups[0].scaleX = sx;
    CurPVC().groups[0].scaleY = sy;
  }

  static std::vector<TGcell> Cells(int kind = 0) {
    std::vector<TGcell> out;
    for (int i = 1; i <= StoreUsed(); ++i)
      if (GcellLive(i) && (kind == 0 || GcellRef(i).kind == kind)) out.push_back(GcellGet(i));
    return out;
  }

  static std::vector<std::uint32_t> Pixels() { return ViewBuffer().Image().pixels; }

  // The whole program afresh, as for a new test.
  void Fresh() {
    VelmoReset();
    SetUp();
  }

  // The line operation with its options set (a button with a text has the
  // text typed as its value, one without is pressed), then one line clicked
  // from pixel a to pixel b; the line stored.
  TGcell OneLine(std::initializer_list<std::pair<int, const char*>> options, TPointD a, TPointD b) {
    ui.Choose(OpBtn_Line);
    for (auto [n, text] : options) {
      ui.SubMenu(n);
      if (text) ui.Entry(text);
    }
    ui.LeftClick(a.x, a.y);
    ui.LeftClick(b.x, b.y);
    const auto lines = Cells(GK_LINE);
    EXPECT_EQ(lines.size(), 1u);
    return lines.empty() ? TGcell{} : lines.back();
  }
};

void ExpectPoint(TPointD got, TPointD want, const char* what, double tol = kTol) {
  EXPECT_NEAR(got.x, want.x, tol) << what;
  EXPECT_NEAR(got.y, want.y, tol) << what;
}
TPointD P0(const TGcell& c) { return {c.p[0], c.p[1]}; }
TPointD P1(const TGcell& c) { return {c.p[2], c.p[3]}; }
double Len(const TGcell& c) { return std::hypot(c.p[2] - c.p[0], c.p[3] - c.p[1]); }
double Dir(const TGcell& c) { return LineAngle(c.p[0], c.p[1], c.p[2], c.p[3]); }

// ---- Captions, prompts, histories ------------------------------------------

TEST_F(OpLineTest, StartShowsCaptionsAndPromptOfSingleLines) {
  ui.Choose(OpBtn_Line);
  EXPECT_EQ(ui.Prompt(), " ・始点指示(L)or(R) ");
  const char* raw[7] = {"① ／ ", "②長さ", "③角度", "④角度基線", "⑤", "⑥曲線", "⑦２重連線"};
  const char* shown[7] = {"①  ／      ", "② 長さ     ", "③ 角度     ", "④ 角度基線 ",
                          "            ", "⑥ 曲線     ", "⑦ ２重連線 "};
  for (int i = 0; i < 7; ++i) {
    SCOPED_TRACE(i + 1);
    EXPECT_EQ(g_form1.PvBtn[i].raw, raw[i]);
    EXPECT_EQ(ui.SubCaption(i + 1), shown[i]);
    EXPECT_EQ(g_form1.PvBtn[i].enabled, i != 4);
  }
  // H/V on: ① marked, ③ gone; off again: ③ back without a value.
  ui.SubMenu(1);
  EXPECT_EQ(g_form1.PvBtn[0].raw, "①$ ┼ ");
  EXPECT_EQ(ui.SubCaption(1), "①  ┼      ");
  EXPECT_EQ(g_form1.PvBtn[0].color, clSubOrange);
  EXPECT_FALSE(g_form1.PvBtn[2].enabled);
  ui.SubMenu(1);
  EXPECT_EQ(g_form1.PvBtn[0].raw, "① ／ ");
  EXPECT_EQ(g_form1.PvBtn[2].raw, "③角度");
  EXPECT_TRUE(g_form1.PvBtn[2].enabled);
}

TEST_F(OpLineTest, PromptsAndCaptionsFollowTheStates) {
  ui.Choose(OpBtn_Line);
  ui.LeftClick(100, 100);
  EXPECT_EQ(ui.Prompt(), " ◆終点指示(L)or(R) ");
  EXPECT_EQ(g_form1.PvBtn[4].raw, "⑤終点数値");
  EXPECT_TRUE(g_form1.PvBtn[4].enabled);
  EXPECT_FALSE(g_form1.PvBtn[5].enabled);
  EXPECT_FALSE(g_form1.PvBtn[6].enabled);

  ui.SubMenu(4);  // pick a base line
  EXPECT_EQ(ui.Prompt(), " 基準線(L)、始点(R) ");
  EXPECT_EQ(g_form1.drawCursor, CursorShape::HandPoint);
  EXPECT_FALSE(g_form1.PvBtns.visible);
  ui.Esc();
  EXPECT_EQ(ui.Prompt(), " ◆終点指示(L)or(R) ");
  EXPECT_EQ(g_form1.drawCursor, CursorShape::Arrow);
  EXPECT_TRUE(g_form1.PvBtns.visible);

  ui.Esc();  // back to the start
  ui.SubMenu(7);
  EXPECT_EQ(ui.Prompt(), " ・連線の始点指示(L)or(R) ");
  EXPECT_EQ(g_form1.PvBtn[4].raw, "⑤線間隔");
  EXPECT_EQ(g_form1.PvBtn[5].raw, "⑥中心Ｒ");
  EXPECT_EQ(g_form1.PvBtn[6].raw, "⑦中心作図");
  ui.SubMenu(7);
  EXPECT_EQ(g_form1.PvBtn[6].raw, "⑦$中心作図");
  EXPECT_EQ(ui.SubCaption(7), "⑦ 中心作図 ");
  ui.LeftClick(100, 100);
  EXPECT_EQ(ui.Prompt(), " ◆連線の終点指示(L)or(R)、同一点２度クリックで終了 ");

  ui.Choose(OpBtn_Line);  // restart: the centre flag is kept
  ui.SubMenu(7);
  EXPECT_EQ(g_form1.PvBtn[6].raw, "⑦$中心作図");

  ui.Choose(OpBtn_Line);
  ui.SubMenu(6);
  EXPECT_EQ(ui.Prompt(), " 曲線の始点指示(L)or(R) ");
  for (int i = 0; i < 7; ++i) EXPECT_FALSE(g_form1.PvBtn[i].enabled) << i + 1;
  ui.LeftClick(100, 100);
  EXPECT_EQ(ui.Prompt(), " 曲線の中間点指示(L)or(R) ");
  ui.LeftClick(200, 100);
  EXPECT_FALSE(g_form1.PvBtn[0].enabled);
  ui.LeftClick(300, 150);
  EXPECT_EQ(g_form1.PvBtn[0].raw, "① 確 定 ");
  EXPECT_TRUE(g_form1.PvBtn[0].enabled);
}

// Each typed value: its button, the entry prompt, the history it goes to and
// the caption it leaves.
TEST_F(OpLineTest, TypedValuesUseTheirPromptsHistoriesAndCaptions) {
  struct Case {
    bool chain;
    int button;
    const char* prompt;
    int history;
    const char* text;
    const char* caption;  // empty: the value is used, not shown
  } cases[] = {
      {false, 2, " 線の長さ(mm) ", 10, "25.5", "②長さ=25.5"},
      {false, 3, " 角度(ﾟ) ", 11, "30", "③角度=30"},
      {true, 5, " 　２線の間隔(mm) ", 20, "12", "⑤線間隔=12"},
      {true, 6, " 中心線の半径(mm) ", 13, "7", "⑥中心Ｒ=7"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    ui.Choose(OpBtn_Line);
    if (c.chain) ui.SubMenu(7);
    ui.SubMenu(c.button);
    EXPECT_EQ(ui.Prompt(), c.prompt);
    EXPECT_EQ(g_form1.edCommon.tag, c.button);
    ui.Entry(c.text);
    EXPECT_EQ(HistoryList(c.history)->entries[1], c.text);
    EXPECT_EQ(g_form1.PvBtn[c.button - 1].raw, c.caption);
    EXPECT_TRUE(g_form1.PvBtns.visible);
    EXPECT_FALSE(EntryIsOpen());
  }
  // The angle list offers the four presets.
  EXPECT_EQ(HistoryList(11)->entries[2], "90ﾟ");
  // The relative end point goes to its own list.
  ui.Choose(OpBtn_Line);
  ui.LeftClick(100, 100);
  ui.SubMenu(5);
  EXPECT_EQ(ui.Prompt(), " 終点相対位置(X,Y) ");
  ui.Entry("30,40");
  EXPECT_EQ(HistoryList(12)->entries[1], "30,40");
  // Chain captions are kept when the operation starts again.
  ui.Choose(OpBtn_Line);
  ui.SubMenu(7);
  EXPECT_EQ(g_form1.PvBtn[4].raw, "⑤線間隔=12");
  EXPECT_EQ(g_form1.PvBtn[5].raw, "⑥中心Ｒ=7");
}

TEST_F(OpLineTest, EscInTheEntryKeepsTheCaptionAndEscAtTheStartClearsIt) {
  ui.Choose(OpBtn_Line);
  ui.SubMenu(2);
  ui.Entry("40");
  ui.SubMenu(2);
  ui.Type("99");
  ui.Esc();
  EXPECT_EQ(g_form1.PvBtn[1].raw, "②長さ=40");
  EXPECT_EQ(ui.Prompt(), " ・始点指示(L)or(R) ");
  EXPECT_EQ(StoreUsed(), 0);
  // A line keeps the value for the next; Esc at the start clears it.
  ui.LeftClick(100, 100);
  ui.LeftClick(300, 100);
  EXPECT_EQ(g_form1.PvBtn[1].raw, "②長さ=40");
  ui.Esc();
  EXPECT_EQ(g_form1.PvBtn[1].raw, "②長さ");
}

// ---- Single lines ---------------------------------------------------------------

TEST_F(OpLineTest, FreeLineRunsFromPressToPressAndIsOneUndoStep) {
  CurPVC().writeLayer = 0x23;
  CurPVC().writePen = 0x35;
  ui.Choose(OpBtn_Line);
  ui.LeftClick(100, 300);
  ui.LeftClick(260, 180);
  const auto lines = Cells(GK_LINE);
  ASSERT_EQ(lines.size(), 1u);
  ExpectPoint(P0(lines[0]), W(100, 300), "start");
  ExpectPoint(P1(lines[0]), W(260, 180), "end");
  EXPECT_EQ(lines[0].layer, 0x23);
  EXPECT_EQ(lines[0].pen, 0x35);
  EXPECT_EQ(ui.Prompt(), " ・始点指示(L)or(R) ");
  GcellUndo();
  EXPECT_TRUE(Cells().empty());
}

TEST_F(OpLineTest, HorizontalVerticalLock) {
  struct Case {
    double dx, dy;  // pointer from the start, pixels (y down)
    bool typed;     // ② = 50 at basic scale 100, group scale 100
    double ex, ey;  // expected end - start, units
  } cases[] = {
      {10, -3, false, 10, 0},   // 10 right, 3 up: horizontal to x + 10
      {-3, -10, false, 0, 10},  // more up than across: vertical
      {4, 4, false, 0, -4},     // a tie goes vertical
      {-10, 3, true, -50, 0},   // typed length towards the pointer
      {2, 30, true, 0, -50},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dx * 100 + c.dy);
    Fresh();
    const TGcell line = c.typed ? OneLine({{1, nullptr}, {2, "50"}}, {300, 300}, {300 + c.dx, 300 + c.dy})
                                : OneLine({{1, nullptr}}, {300, 300}, {300 + c.dx, 300 + c.dy});
    const TPointD s = W(300, 300);
    ExpectPoint(P0(line), s, "start");
    ExpectPoint(P1(line), {s.x + c.ex, s.y + c.ey}, "end", 1e-6);
  }
}

TEST_F(OpLineTest, TypedLengthIsARealLengthAtTheWriteGroupsScale) {
  struct Case {
    double basic, sx, sy;
    double dx, dy;    // pointer from the start, pixels (y down)
    double ex, ey;    // expected end - start, units
  } cases[] = {
      {100, 100, 100, 30, -40, 30, 40},    // same scale: 50 along the pointer's direction
      {100, 50, 50, 30, -40, 60, 80},      // group 1:50 on a 1:100 drawing: 100 units
      {100, 200, 200, -40, 0, -25, 0},     // group 1:200: 25 units
      {100, 100, 50, 0, -10, 0, 100},      // vertical length by the y scale
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sx * 1000 + c.sy);
    Fresh();
    Scales(c.basic, c.sx, c.sy);
    const TGcell line = OneLine({{2, "50"}}, {400, 300}, {400 + c.dx, 300 + c.dy});
    const TPointD s = W(400, 300);
    ExpectPoint(P1(line), {s.x + c.ex, s.y + c.ey}, "end", 1e-6);
    // The length stays for the next line.
    EXPECT_EQ(g_form1.PvBtn[1].raw, "②長さ=50");
  }
}

// In a group whose x and y scales differ a free line still ends at the
// pointer, and a typed length is measured on paper along the pointer's
// direction.
TEST_F(OpLineTest, UnequalGroupScalesKeepThePointersDirection) {
  Scales(100, 100, 50);  // 1 mm is 1 unit across, 2 units up
  TGcell line = OneLine({}, {400, 300}, {460, 220});
  ExpectPoint(P1(line), W(460, 220), "free end");
  Fresh();
  Scales(100, 100, 50);
  line = OneLine({{2, "50"}}, {400, 300}, {460, 220});
  const TPointD s = W(400, 300), p = W(460, 220);
  const double a = std::atan2((p.y - s.y) * 0.5, p.x - s.x);  // the direction on paper
  ExpectPoint(P1(line), {s.x + 50 * std::cos(a), s.y + 50 * std::sin(a) / 0.5}, "typed length", 1e-9);
  EXPECT_NEAR(std::remainder(Dir(line) - LineAngle(s.x, s.y, p.x, p.y), 2 * kPi), 0, 1e-12);
}

TEST_F(OpLineTest, TypedAngleFollowsThePointersQuadrant) {
  struct Case {
    const char* angle;
    double dx, dy;  // pointer, pixels (y down)
    bool typed;     // ② = 20
    double want;    // degrees
  } cases[] = {
      {"30", 50, -10, false, 30},   {"30", -50, -10, false, 150}, {"30", -50, 10, false, -150},
      {"30", 50, 10, false, -30},   {"120", 40, -30, true, -120}, {"-30", 50, -5, true, 30},
      {"390", 50, -5, true, 30},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.angle) + " " + std::to_string(c.dx) + "," + std::to_string(c.dy));
    Fresh();
    const TGcell line = c.typed ? OneLine({{3, c.angle}, {2, "20"}}, {400, 300}, {400 + c.dx, 300 + c.dy})
                                : OneLine({{3, c.angle}}, {400, 300}, {400 + c.dx, 300 + c.dy});
    EXPECT_NEAR(std::remainder(Dir(line) - c.want * kPi / 180, 2 * kPi), 0, 1e-9);
    if (c.typed) {
      EXPECT_NEAR(Len(line), 20, 1e-9);
    }
  }
}

TEST_F(OpLineTest, AngleWithoutLengthEndsAtThePointersProjection) {
  // ③ = 120 without a length: the line lies on the 60/240 degree axis at
  // the pointer's projection.
  ui.Choose(OpBtn_Line);
  ui.SubMenu(3);
  ui.Entry("120");
  ui.LeftClick(400, 300);
  ui.LeftClick(440, 270);  // 40 right, 30 up
  const auto lines = Cells(GK_LINE);
  ASSERT_EQ(lines.size(), 1u);
  const double along = 40 * std::cos(kPi / 3) + 30 * std::sin(kPi / 3);
  EXPECT_NEAR(std::remainder(Dir(lines[0]) - kPi / 3, 2 * kPi), 0, 1e-9);
  EXPECT_NEAR(Len(lines[0]), along, 1e-9);
}

TEST_F(OpLineTest, BaseLineTurnsTheAngleAndTheLock) {
  // A line at 30 degrees as the base; with H/V on the new line runs along it.
  const TPointD a = W(100, 500);
  GcellAddLine(0, 0x11, a.x, a.y, a.x + 200 * std::cos(kPi / 6), a.y + 200 * std::sin(kPi / 6));
  ui.Choose(OpBtn_Line);
  ui.SubMenu(1);
  ui.SubMenu(4);
  ui.LeftClick(100 + 100 * std::cos(kPi / 6), 500 - 100 * std::sin(kPi / 6));
  EXPECT_EQ(g_form1.PvBtn[3].raw, "④$角度基線");
  EXPECT_EQ(ui.Prompt(), " ・始点指示(L)or(R) ");
  ui.LeftClick(400, 300);
  ui.LeftClick(500, 280);
  const auto lines = Cells(GK_LINE);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NEAR(Dir(lines[1]), kPi / 6, 1e-9);
  // The base is cleared by the next start; ④ shows it.
  EXPECT_EQ(g_form1.PvBtn[3].raw, "④角度基線");
}

TEST_F(OpLineTest, BaseLineFromTwoSnappedPoints) {
  // Two point cells to snap to; the base runs at 45 degrees between them.
  const TPointD a = W(100, 500), b = W(200, 400);
  GcellAddPoint(0, 0x11, a.x, a.y);
  GcellAddPoint(0, 0x11, b.x, b.y);
  ui.Choose(OpBtn_Line);
  ui.SubMenu(1);  // H/V along the base
  ui.SubMenu(4);
  ui.RightClick(300, 300);  // nothing there: beep, still picking
  EXPECT_EQ(platform().beeps(), 1);
  EXPECT_EQ(ui.Prompt(), " 基準線(L)、始点(R) ");
  ui.RightClick(103, 497);
  EXPECT_EQ(ui.Prompt(), " 基準線終点(L)or(R) ");
  EXPECT_EQ(g_form1.drawCursor, CursorShape::HandPoint);
  ui.Esc();  // drops the first point
  EXPECT_EQ(ui.Prompt(), " 基準線(L)、始点(R) ");
  ui.RightClick(103, 497);
  ui.RightClick(197, 404);
  EXPECT_EQ(g_form1.PvBtn[3].raw, "④$角度基線");
  EXPECT_EQ(ui.Prompt(), " ・始点指示(L)or(R) ");
  ui.LeftClick(400, 300);
  ui.LeftClick(480, 250);
  const auto lines = Cells(GK_LINE);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NEAR(Dir(lines[0]), kPi / 4, 1e-9);
  // ④ again before a line clears the base.
  ui.SubMenu(4);
  ui.RightClick(103, 497);
  ui.RightClick(197, 404);
  ui.SubMenu(4);
  EXPECT_EQ(g_form1.PvBtn[3].raw, "④角度基線");
  EXPECT_FALSE(g_lineOp.run.baseSet);
}

TEST_F(OpLineTest, MouseAngleTakesClicksAndStoresNothing) {
  ui.Choose(OpBtn_Line);
  ui.LeftClick(100, 100);
  ui.SubMenu(3);
  ui.Entry("マウス");
  EXPECT_EQ(ui.Prompt(), " マウス角度、原点指示(L)or(R) ");
  EXPECT_EQ(g_form1.PvBtn[0].raw, "①２点間");
  for (int i = 1; i < 7; ++i) EXPECT_FALSE(g_form1.PvBtn[i].enabled) << i + 1;
  ui.LeftClick(300, 300);
  ui.RightClick(500, 500);  // nothing to snap to
  EXPECT_EQ(platform().beeps(), 1);
  ui.SubMenu(1);
  EXPECT_FALSE(g_form1.PvBtn[0].enabled);
  EXPECT_EQ(StoreUsed(), 0);
  ui.Esc();  // back to the end point of the line begun before
  EXPECT_EQ(ui.Prompt(), " ◆終点指示(L)or(R) ");
  EXPECT_EQ(g_form1.PvBtn[4].raw, "⑤終点数値");
  ui.LeftClick(200, 100);
  ASSERT_EQ(Cells(GK_LINE).size(), 1u);
  ExpectPoint(P0(Cells(GK_LINE)[0]), W(100, 100), "start kept");
}

TEST_F(OpLineTest, ShiftChainsLinesThatShareEndsAndUndoRemovesOnlyTheLast) {
  ui.Choose(OpBtn_Line);
  ui.LeftClick(100, 100);
  ui.LeftClick(300, 120, ssShift);
  EXPECT_EQ(ui.Prompt(), " ◆終点指示(L)or(R) ");
  ui.LeftClick(320, 400, ssShift);
  ui.LeftClick(500, 420);
  EXPECT_EQ(ui.Prompt(), " ・始点指示(L)or(R) ");
  auto lines = Cells(GK_LINE);
  ASSERT_EQ(lines.size(), 3u);
  ExpectPoint(P1(lines[0]), P0(lines[1]), "first joint", 0);
  ExpectPoint(P1(lines[1]), P0(lines[2]), "second joint", 0);
  GcellUndo();
  lines = Cells(GK_LINE);
  ASSERT_EQ(lines.size(), 2u);
  ExpectPoint(P1(lines[1]), W(320, 400), "kept");
}

TEST_F(OpLineTest, UndoThroughTheUndoStepRestartsTheOperation) {
  ui.Choose(OpBtn_Line);
  ui.LeftClick(100, 100);
  ui.LeftClick(300, 100);
  ui.LeftClick(100, 200);
  ui.LeftClick(300, 200);
  OpDispatch(OpBtn_None, EV_END, 0, 0);
  GcellUndo();
  ViewRedraw(1);
  OpDispatch(OpBtn_None, EV_START, 0, 0);
  EXPECT_EQ(Cells(GK_LINE).size(), 1u);
  EXPECT_EQ(ui.Prompt(), " ・始点指示(L)or(R) ");
}

TEST_F(OpLineTest, RelativeEndPoint) {
  Scales(100, 50, 50);  // real lengths: 30, 40 are 60, 80 units
  ui.Choose(OpBtn_Line);
  ui.LeftClick(200, 300);
  ui.SubMenu(5);
  ui.Entry("0,0");  // nothing happens
  EXPECT_EQ(StoreUsed(), 0);
  EXPECT_EQ(ui.Prompt(), " ◆終点指示(L)or(R) ");
  ui.SubMenu(5);
  ui.Entry("=30,40");
  const auto lines = Cells(GK_LINE);
  ASSERT_EQ(lines.size(), 1u);
  const TPointD s = W(200, 300);
  ExpectPoint(P0(lines[0]), s, "start");
  ExpectPoint(P1(lines[0]), {s.x + 60, s.y + 80}, "end");
  EXPECT_EQ(ui.Prompt(), " ・始点指示(L)or(R) ");
}

TEST_F(OpLineTest, ClickOnTheStartStoresAPoint) {
  ui.Choose(OpBtn_Line);
  ui.LeftClick(200, 300);
  ui.LeftClick(200, 300);
  const auto cells = Cells();
  ASSERT_EQ(cells.size(), 1u);
  EXPECT_EQ(cells[0].kind, GK_POINT);
  ExpectPoint(P0(cells[0]), W(200, 300), "point");
}

// ---- Snapped points and offsets -----------------------------------------------

TEST_F(OpLineTest, RightClicksSnapToPointsAndABlankOneBeepsAndIsIgnored) {
  const TPointD a = W(200, 300), b = W(400, 300);
  GcellAddLine(0, 0x11, a.x, a.y, b.x, b.y);
  ui.Choose(OpBtn_Line);
  ui.RightClick(600, 100);  // nothing within reach
  EXPECT_EQ(platform().beeps(), 1);
  EXPECT_EQ(ui.Prompt(), " ・始点指示(L)or(R) ");
  ui.RightClick(407, 294);  // near the end point
  EXPECT_EQ(ui.Prompt(), " ◆終点指示(L)or(R) ");
  // Holding the right button shows the snapped point before the release.
  ui.Press(ssRight, 195, 306);
  ASSERT_EQ(g_lineOp.run.rubber.Cells().size(), 1u);
  EXPECT_EQ(g_lineOp.run.rubber.Cells()[0].kind, GK_LINE);
  ExpectPoint(P1(g_lineOp.run.rubber.Cells()[0]), a, "rubber end");
  ui.Release(ssRight, 195, 306);
  const auto lines = Cells(GK_LINE);
  ASSERT_EQ(lines.size(), 2u);
  ExpectPoint(P0(lines[1]), b, "snapped start", 0);
  ExpectPoint(P1(lines[1]), a, "snapped end", 0);
  EXPECT_EQ(platform().beeps(), 1);
}

TEST_F(OpLineTest, OffsetDisplacesTheClickedPoint) {
  Scales(100, 50, 50);
  CurPVC().offsetMode = OFFSET_ONCE;
  ui.Choose(OpBtn_Line);
  EXPECT_TRUE(CurPVC().offsetLeft && CurPVC().offsetRight);
  ui.LeftClick(200, 300);  // intercepted: the offset is typed first
  EXPECT_EQ(ui.Prompt(), " オフセット(X,Y) ");
  ui.Entry("10,5");
  EXPECT_EQ(ui.Prompt(), " ◆終点指示(L)or(R) ");
  ui.LeftClick(500, 300);
  const auto lines = Cells(GK_LINE);
  ASSERT_EQ(lines.size(), 1u);
  const TPointD s = W(200, 300);
  ExpectPoint(P0(lines[0]), {s.x + 20, s.y + 10}, "displaced start");
  ExpectPoint(P1(lines[0]), W(500, 300), "end as clicked (the offset was used once)");
}

// ---- Feedback -------------------------------------------------------------------

TEST_F(OpLineTest, RubberBandIsDrawnInXorFollowsThePointerAndSurvivesARepaint) {
  const auto clean = Pixels();
  ui.Choose(OpBtn_Line);
  ui.LeftClick(100, 100);
  ui.Move(300, 250);
  const auto withRubber = Pixels();
  EXPECT_NE(withRubber, clean);
  // Around the middle of the band: changed, and back once the band moved on.
  auto middleChanged = [&] {
    const auto now = Pixels();
    for (int y = 172; y <= 178; ++y)
      for (int x = 197; x <= 203; ++x)
        if (now[static_cast<std::size_t>(y) * 800 + x] != clean[static_cast<std::size_t>(y) * 800 + x]) return true;
    return false;
  };
  EXPECT_TRUE(middleChanged());
  ui.Move(500, 100);
  EXPECT_FALSE(middleChanged());
  ui.Move(300, 250);
  EXPECT_EQ(Pixels(), withRubber);  // XOR: the same band again, nothing left over
  ViewRedraw(1);                    // a repaint: the operation draws it again
  EXPECT_EQ(Pixels(), withRubber);
  ui.Esc();
  EXPECT_EQ(Pixels(), clean);
  EXPECT_EQ(StoreUsed(), 0);
}

// After a repaint every kind of feedback is drawn again: the screen is the
// same as before the repaint.
TEST_F(OpLineTest, EveryFeedbackIsDrawnAgainAfterARepaint) {
  const TPointD a = W(100, 550);
  GcellAddLine(0, 0x11, a.x, a.y, a.x + 300, a.y);
  ViewRedraw(1);
  const auto clean = Pixels();
  auto same = [&](const char* what) {
    const auto before = Pixels();
    EXPECT_NE(before, clean) << what << ": nothing shown";
    ViewRedraw(1);
    EXPECT_EQ(Pixels(), before) << what;
  };
  ui.Choose(OpBtn_Line);
  ui.SubMenu(4);
  ui.LeftClick(250, 550);  // the line as base: shown highlighted
  same("base line");
  ui.SubMenu(4);
  ui.SubMenu(7);
  ui.SubMenu(5);
  ui.Entry("10");
  ui.SubMenu(6);
  ui.Entry("20");
  ui.LeftClick(100, 300);
  ui.LeftClick(400, 300);
  ui.Move(400, 100);
  same("chain");
  ui.Esc();
  ui.Esc();
  ui.SubMenu(6);
  ui.LeftClick(100, 300);
  ui.LeftClick(200, 200);
  ui.Move(300, 300);
  same("curve");
  ui.Choose(OpBtn_Dummy);
  EXPECT_EQ(Pixels(), clean);
}

TEST_F(OpLineTest, EndingTheOperationErasesItsFeedback) {
  const auto clean = Pixels();
  ui.Choose(OpBtn_Line);
  ui.SubMenu(6);
  ui.LeftClick(100, 100);
  ui.LeftClick(200, 150);
  ui.Move(300, 100);
  EXPECT_NE(Pixels(), clean);
  ui.Choose(OpBtn_Dummy);
  EXPECT_EQ(Pixels(), clean);
  EXPECT_TRUE(Cells().empty());  // the curve's marker is gone too
}

// ---- Curves ---------------------------------------------------------------------

// A base line picked for single lines has no use in curve mode: switching to
// curves drops it and its highlight.
TEST_F(OpLineTest, CurveModeDropsTheBaseLine) {
  const TPointD a = W(100, 550);
  GcellAddLine(0, 0x11, a.x, a.y, a.x + 300, a.y);
  ViewRedraw(1);
  const auto clean = Pixels();
  ui.Choose(OpBtn_Line);
  ui.SubMenu(4);
  ui.LeftClick(250, 550);
  ASSERT_NE(Pixels(), clean);  // the base shown highlighted
  ui.SubMenu(6);
  EXPECT_EQ(ui.Prompt(), " 曲線の始点指示(L)or(R) ");
  EXPECT_FALSE(g_lineOp.run.baseSet);
  EXPECT_TRUE(Pixels() == clean) << "the base's highlight stayed";
  ViewRedraw(1);
  EXPECT_TRUE(Pixels() == clean) << "the base drawn again by a repaint";
}

TEST_F(OpLineTest, CurveThroughThreePointsIsTenConnectedLinesThroughThem) {
  ui.Choose(OpBtn_Line);
  ui.SubMenu(6);
  ui.LeftClick(100, 400);
  EXPECT_EQ(Cells(GK_POINT).size(), 1u);  // the marker at the first point
  ui.LeftClick(300, 200);
  ui.LeftClick(500, 400);
  ui.SubMenu(1);
  const auto lines = Cells(GK_LINE);
  ASSERT_EQ(lines.size(), 10u);
  EXPECT_TRUE(Cells(GK_POINT).empty());
  ExpectPoint(P0(lines[0]), W(100, 400), "first point");
  ExpectPoint(P1(lines[4]), W(300, 200), "second point");
  ExpectPoint(P1(lines[9]), W(500, 400), "third point");
  for (std::size_t i = 1; i < lines.size(); ++i) ExpectPoint(P1(lines[i - 1]), P0(lines[i]), "joint", 0);
  // Smooth: the polyline's right angle at the middle point is spread out,
  // and the curve bulges outside the clicked polyline.
  for (std::size_t i = 1; i < lines.size(); ++i)
    EXPECT_LT(std::fabs(std::remainder(Dir(lines[i]) - Dir(lines[i - 1]), 2 * kPi)), kPi / 6) << i;
  const TPointD a = W(100, 400), top = W(300, 200);
  for (int i = 1; i < 5; ++i) {
    const TPointD q = P0(lines[i]);
    EXPECT_GT(q.y, a.y + (q.x - a.x) * (top.y - a.y) / (top.x - a.x)) << i;
  }
  EXPECT_EQ(ui.Prompt(), " 曲線の始点指示(L)or(R) ");
  GcellUndo();
  EXPECT_TRUE(Cells().empty());
}

// A store nearly full is compacted when another operation is chosen, before
// the curve ends: its marker moves, and must still be the cell taken away.
TEST_F(OpLineTest, CurveMarkerIsRemovedAfterTheStoreIsCompacted) {
  ui.Choose(OpBtn_Line);
  ui.SubMenu(6);
  for (int i = 0; i < 20; ++i) GcellAddLine(0, 0x11, i, 0, i, 10);
  GcellCommit();
  for (int i = 1; i <= 20; ++i) GcellDelete(i);  // an undo step: dead slots before the marker
  while (StoreUsed() < StoreCapacity() - 8) GcellAddLine(0, 0x11, 0, 0, 5, 5);
  const int lines = static_cast<int>(Cells(GK_LINE).size());
  ui.LeftClick(100, 400);
  ASSERT_EQ(Cells(GK_POINT).size(), 1u);
  ASSERT_GT(StoreUsed(), StoreCapacity() - 10);
  ui.Choose(OpBtn_Line);  // compacts, then ends the line operation and starts it again
  EXPECT_TRUE(Cells(GK_POINT).empty());
  EXPECT_EQ(static_cast<int>(Cells(GK_LINE).size()), lines);
}

// Last point on the first: the smoothing wraps around, so the curve turns
// as little where it closes as anywhere else; one unit off, it does not.
TEST_F(OpLineTest, ClosedCurveWrapsAround) {
  auto closingTurn = [](double lastY) {
    const auto q = SmoothCurve({{0, 0}, {100, 0}, {100, 100}, {0, 100}, {0, lastY}});
    EXPECT_EQ(q.size(), 21u);
    double maxTurn = 0;
    for (std::size_t i = 2; i < q.size(); ++i)
      maxTurn = std::max(maxTurn, std::fabs(RelativeAngle(q[i - 2].x, q[i - 2].y, q[i - 1].x, q[i - 1].y,
                                                          q[i - 1].x, q[i - 1].y, q[i].x, q[i].y)));
    const double closing =
        std::fabs(RelativeAngle(q[19].x, q[19].y, q[20].x, q[20].y, q[0].x, q[0].y, q[1].x, q[1].y));
    return std::pair{closing, maxTurn};
  };
  const auto [closed, closedMax] = closingTurn(0);
  EXPECT_LT(closed, 1.2 * closedMax);
  EXPECT_LT(closedMax, kPi / 8);
  const auto [open, openMax] = closingTurn(1);
  EXPECT_GT(open, kPi / 4);
}

TEST_F(OpLineTest, EscDropsCurvePointsOneByOne) {
  ui.Choose(OpBtn_Line);
  ui.SubMenu(6);
  ui.LeftClick(100, 400);
  ui.LeftClick(200, 300);
  ui.LeftClick(300, 400);
  EXPECT_TRUE(g_form1.PvBtn[0].enabled);
  ui.Esc();
  EXPECT_FALSE(g_form1.PvBtn[0].enabled);
  ui.Esc();
  EXPECT_EQ(Cells(GK_POINT).size(), 1u);
  ui.Esc();
  EXPECT_TRUE(Cells().empty());
  EXPECT_EQ(ui.Prompt(), " 曲線の始点指示(L)or(R) ");
  ui.Esc();
  EXPECT_EQ(ui.Prompt(), " ・始点指示(L)or(R) ");
}

TEST_F(OpLineTest, CurveStopsTakingPointsAtItsLimit) {
  ui.Choose(OpBtn_Line);
  ui.SubMenu(6);
  for (int i = 0; i < kCurveMaxPoints; ++i) ui.LeftClick(50 + 7 * i, 300 + (i % 2) * 40);
  EXPECT_EQ(g_lineOp.run.curve.size(), static_cast<std::size_t>(kCurveMaxPoints));
  const TPointD last = g_lineOp.run.curve.back();
  const auto before = Pixels();
  ui.Move(100, 100);  // nothing follows the pointer any more
  ui.LeftClick(120, 120);
  ExpectPoint(g_lineOp.run.curve.back(), last, "last point", 0);
  EXPECT_EQ(Pixels(), before);
  EXPECT_EQ(platform().beeps(), 1);
  ui.SubMenu(1);
  EXPECT_EQ(Cells(GK_LINE).size(), static_cast<std::size_t>(5 * (kCurveMaxPoints - 1)));
}

// ---- Double-line chains -------------------------------------------------------

struct ChainCase {
  double basic, group;
  bool centre;
};

class OpLineChainTest : public OpLineTest, public ::testing::WithParamInterface<ChainCase> {};

// A chain turning left twice (A -> B -> C -> D), spacing 10 and radius 20
// real millimetres, ended by clicking D twice.
TEST_P(OpLineChainTest, TwoLeftTurnsGiveConcentricTangentArcsAndExactOffsets) {
  const ChainCase c = GetParam();
  Scales(c.basic, c.group, c.group);
  const double k = c.group / c.basic;
  const double w = 10 / k, r = 20 / k;  // stored units
  ui.Choose(OpBtn_Line);
  ui.SubMenu(7);
  if (c.centre) ui.SubMenu(7);
  ui.SubMenu(5);
  ui.Entry("10");
  ui.SubMenu(6);
  ui.Entry("20");
  const TPointD pt[4] = {W(100, 500), W(500, 500), W(500, 150), W(150, 150)};
  ui.LeftClick(100, 500);
  ui.Move(300, 480);
  ui.Move(500, 500);
  ui.LeftClick(500, 500);
  for (int i = 0; i < 5; ++i) ui.Move(500 - 3 * i, 300 - 20 * i);  // wander, then settle
  ui.Move(500, 150);
  ui.LeftClick(500, 150);
  ui.Move(150, 150);
  ui.LeftClick(150, 150);
  ui.LeftClick(151, 150);  // the same point again ends the chain
  EXPECT_EQ(ui.Prompt(), " ・連線の始点指示(L)or(R) ");

  const auto lines = Cells(GK_LINE);
  const auto arcs = Cells(GK_ARC);
  ASSERT_EQ(lines.size(), c.centre ? 9u : 6u);
  ASSERT_EQ(arcs.size(), c.centre ? 6u : 4u);
  // Every line lies w/2 left or right of its segment (or on it: the centre
  // line, pen 87), parallel to it.
  int onCentre = 0;
  for (const TGcell& l : lines) {
    bool found = false;
    for (int s = 0; s < 3 && !found; ++s) {
      const double d = LineAngle(pt[s].x, pt[s].y, pt[s + 1].x, pt[s + 1].y);
      if (std::fabs(std::remainder(Dir(l) - d, 2 * kPi)) > 1e-9) continue;
      const double off = -(l.p[0] - pt[s].x) * std::sin(d) + (l.p[1] - pt[s].y) * std::cos(d);
      const double off2 = -(l.p[2] - pt[s].x) * std::sin(d) + (l.p[3] - pt[s].y) * std::cos(d);
      EXPECT_NEAR(off, off2, 1e-9);
      if (std::fabs(off) < 1e-9) {
        ++onCentre;
        EXPECT_EQ(l.pen, 0x57);
      } else {
        EXPECT_NEAR(std::fabs(off), w / 2, 1e-9);
        EXPECT_EQ(l.pen, CurPVC().writePen);
      }
      found = true;
    }
    EXPECT_TRUE(found) << "a line off every segment";
  }
  EXPECT_EQ(onCentre, c.centre ? 3 : 0);
  // Each corner: arcs concentric, radii r - w/2 (inside), r + w/2 (outside)
  // and r (centre line), centred r from both centre segments, every arc end
  // on a line end (tangent joins, nothing left over).
  for (int corner = 1; corner <= 2; ++corner) {
    const double din = LineAngle(pt[corner - 1].x, pt[corner - 1].y, pt[corner].x, pt[corner].y);
    const TPointD centre{pt[corner].x + r * (std::cos(din + kPi / 2) - std::cos(din)),
                         pt[corner].y + r * (std::sin(din + kPi / 2) - std::sin(din))};
    std::vector<double> radii;
    for (const TGcell& a : arcs)
      if (std::hypot(a.p[0] - centre.x, a.p[1] - centre.y) < 1e-6) radii.push_back(a.p[4]);
    std::sort(radii.begin(), radii.end());
    std::vector<double> want = {r - w / 2, r + w / 2};
    if (c.centre) want.insert(want.begin() + 1, r);
    ASSERT_EQ(radii.size(), want.size()) << "corner " << corner;
    for (std::size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(radii[i], want[i], 1e-9);
  }
  for (const TGcell& a : arcs) {
    for (double ang : {a.p[7], a.p[8]}) {
      const TPointD e{a.p[0] + a.p[4] * std::cos(ang), a.p[1] + a.p[4] * std::sin(ang)};
      bool touches = false;
      for (const TGcell& l : lines) touches |= std::hypot(e.x - l.p[0], e.y - l.p[1]) < 1e-6 ||
                                               std::hypot(e.x - l.p[2], e.y - l.p[3]) < 1e-6;
      EXPECT_TRUE(touches) << "arc end (" << e.x << "," << e.y << ") meets no line";
    }
  }
  // Both lines of the first segment run from the first click to where the
  // corner's arcs begin, r before the corner.
  for (double side : {-w / 2, w / 2}) {
    int n = 0;
    for (const TGcell& l : lines)
      if (std::fabs(l.p[1] - (pt[0].y + side)) < 1e-9) {
        ++n;
        EXPECT_NEAR(l.p[0], pt[0].x, 1e-9);
        EXPECT_NEAR(l.p[2], pt[1].x - r, 1e-9);
      }
    EXPECT_EQ(n, 1) << side;
  }
  // One undo step per segment: the last segment goes first.
  GcellUndo();
  EXPECT_EQ(Cells(GK_LINE).size(), c.centre ? 6u : 4u);
}

INSTANTIATE_TEST_SUITE_P(Scales, OpLineChainTest,
                         ::testing::Values(ChainCase{100, 100, false}, ChainCase{100, 50, false},
                                           ChainCase{50, 200, true}));

// ⑦ pressed while a chain is under way decides for every segment stored
// after it, the one already fixed but not yet stored included.
TEST_F(OpLineTest, CentreLineFlagCountsWhenASegmentIsStored) {
  struct Case {
    bool centreAtStart;
    std::size_t centreLines, centreArcs;  // pen 87
  } cases[] = {
      {false, 2, 1},  // on before the second segment ends: both segments and their corner
      {true, 0, 0},   // off: no centre cells at all
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.centreAtStart);
    Fresh();
    ui.Choose(OpBtn_Line);
    ui.SubMenu(7);
    if (c.centreAtStart != g_lineOp.options.centre) ui.SubMenu(7);
    ui.SubMenu(5);
    ui.Entry("10");
    ui.SubMenu(6);
    ui.Entry("20");
    ui.LeftClick(100, 500);
    ui.LeftClick(500, 500);
    ui.Move(500, 150);
    ui.SubMenu(7);  // the first segment is fixed, not yet stored
    ui.LeftClick(500, 150);
    ui.LeftClick(500, 150);
    std::size_t lines = 0, arcs = 0, sideLines = 0, sideArcs = 0;
    for (const TGcell& cell : Cells()) {
      const bool centre = cell.pen == 0x57;
      if (cell.kind == GK_LINE) ++(centre ? lines : sideLines);
      if (cell.kind == GK_ARC) ++(centre ? arcs : sideArcs);
    }
    EXPECT_EQ(lines, c.centreLines);
    EXPECT_EQ(arcs, c.centreArcs);
    EXPECT_EQ(sideLines, 4u);
    EXPECT_EQ(sideArcs, 2u);
  }
}

TEST_F(OpLineTest, ChainWithoutSpacingOrRadiusIsAPlainPolyline) {
  ui.Choose(OpBtn_Line);
  ui.SubMenu(7);
  ui.LeftClick(100, 500);
  ui.LeftClick(400, 500);
  ui.LeftClick(400, 200);
  ui.LeftClick(400, 200);
  const auto lines = Cells(GK_LINE);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(Cells(GK_ARC).empty());
  ExpectPoint(P0(lines[0]), W(100, 500), "start");
  ExpectPoint(P1(lines[0]), W(400, 500), "corner");
  ExpectPoint(P0(lines[1]), W(400, 500), "corner");
  ExpectPoint(P1(lines[1]), W(400, 200), "end");
}

// With a fixed length a click gives a segment of that length towards the
// pointer; the closing second click on the same point adds no corner.
TEST_F(OpLineTest, ChainWithAFixedLengthEndsWithoutACorner) {
  ui.Choose(OpBtn_Line);
  ui.SubMenu(7);
  ui.SubMenu(2);
  ui.Entry("100");
  ui.SubMenu(6);
  ui.Entry("10");
  ui.LeftClick(300, 400);
  ui.LeftClick(300, 350);
  ui.LeftClick(300, 350);
  EXPECT_EQ(ui.Prompt(), " ・連線の始点指示(L)or(R) ");
  const auto cells = Cells();
  ASSERT_EQ(cells.size(), 1u);
  const TPointD s = W(300, 400);
  ExpectPoint(P0(cells[0]), s, "start");
  ExpectPoint(P1(cells[0]), {s.x, s.y + 100}, "end", 1e-9);
}

// The corner is built afresh from the untrimmed lines at every move, so a
// pointer that wanders through sharp inner corners leaves nothing behind.
TEST_F(OpLineTest, ChainCornersDoNotAccumulateTrimsOverMoves) {
  auto draw = [&](bool wander) {
    Fresh();
    ui.Choose(OpBtn_Line);
    ui.SubMenu(7);
    ui.SubMenu(5);
    ui.Entry("20");
    ui.SubMenu(6);
    ui.Entry("5");
    ui.LeftClick(100, 300);
    ui.LeftClick(400, 300);
    if (wander)
      for (int i = 0; i < 30; ++i) ui.Move(120 + 5 * i, 280 - (i % 3));  // sharp turns back
    ui.Move(400, 100);
    ui.LeftClick(400, 100);
    ui.LeftClick(400, 100);
    return Cells();
  };
  const auto calm = draw(false);
  const auto wandered = draw(true);
  ASSERT_EQ(calm.size(), wandered.size());
  for (std::size_t i = 0; i < calm.size(); ++i)
    for (int j = 0; j < 9; ++j) EXPECT_DOUBLE_EQ(calm[i].p[j], wandered[i].p[j]) << i << "," << j;
}

TEST_F(OpLineTest, EscInAChainDropsWhatIsNotStoredAndErasesItsFeedback) {
  const auto clean = Pixels();
  ui.Choose(OpBtn_Line);
  ui.SubMenu(7);
  ui.SubMenu(5);
  ui.Entry("10");
  ui.LeftClick(100, 500);
  ui.LeftClick(400, 500);
  ui.LeftClick(400, 200);  // stores the first segment
  ui.Move(200, 200);
  ui.Esc();
  EXPECT_EQ(ui.Prompt(), " ・連線の始点指示(L)or(R) ");
  EXPECT_EQ(Cells(GK_LINE).size(), 2u);
  const auto stored = Pixels();
  ViewRedraw(1);
  EXPECT_EQ(Pixels(), stored) << "feedback left on the screen";
  ui.Esc();  // back to single lines
  EXPECT_EQ(ui.Prompt(), " ・始点指示(L)or(R) ");
  EXPECT_EQ(Pixels(), stored);
  EXPECT_NE(stored, clean);
}

// Sides closer than a pixel: XOR would cancel two coincident lines, so the
// feedback shows one of them.
TEST_F(OpLineTest, ChainFeedbackShowsWhenItsSidesShareAPixel) {
  TGContext& v = CurrentView();
  G_SetWindow(v, 0, 0, 50 * (v.devRight - v.devLeft), 50 * (v.devBottom - v.devTop));  // 50 units a pixel
  ViewRedraw(1);
  ui.Choose(OpBtn_Line);
  ui.SubMenu(7);
  ui.SubMenu(5);
  ui.Entry("8");
  const auto clean = Pixels();
  ui.LeftClick(100, 300);
  ui.Move(500, 300);
  int changed = 0;
  const auto now = Pixels();
  for (int x = 150; x < 450; ++x)
    for (int y = 297; y <= 303; ++y) changed += now[static_cast<std::size_t>(y) * 800 + x] != clean[static_cast<std::size_t>(y) * 800 + x];
  EXPECT_GE(changed, 100) << changed;
  ui.Esc();
  EXPECT_EQ(Pixels(), clean);
}

// Huge typed angles are whole turns and more: the line comes at once, at
// the angle they leave over a whole number of turns.
TEST_F(OpLineTest, HugeTypedAngleDrawsAtOnce) {
  for (const char* v : {"3.6E+11", "1E+13", "-7.2E+18", "1E+25"}) {
    SCOPED_TRACE(v);
    Fresh();
    ui.Choose(OpBtn_Line);
    ui.SubMenu(3);
    ui.Entry(v);
    ui.LeftClick(400, 300);
    ui.LeftClick(440, 270);
    const auto lines = Cells(GK_LINE);
    ASSERT_EQ(lines.size(), 1u) << g_form1.PvBtn[2].raw;
    for (double d : lines[0].p) EXPECT_TRUE(std::isfinite(d));
    EXPECT_GT(Len(lines[0]), 0);
  }
}

// Values far beyond any drawing: nothing breaks, nothing unusable is stored.
TEST_F(OpLineTest, ExtremeTypedValuesAreSafe) {
  for (const char* v : {"1E+308", "-1E+300", "1E-300"}) {
    SCOPED_TRACE(v);
    Fresh();
    ui.Choose(OpBtn_Line);
    ui.SubMenu(2);
    ui.Entry(v);
    ui.SubMenu(3);
    ui.Entry(v);
    ui.LeftClick(100, 100);
    ui.Move(300, 200);
    ui.LeftClick(300, 200);
    ui.LeftClick(100, 100);
    ui.SubMenu(5);
    ui.Entry(std::string(v) + "," + v);
    ui.Esc();
    ui.SubMenu(7);
    ui.SubMenu(5);
    ui.Entry(v);
    ui.SubMenu(6);
    ui.Entry(v);
    ui.LeftClick(100, 500);
    ui.Move(400, 500);
    ui.LeftClick(400, 500);
    ui.Move(400, 200);
    ui.LeftClick(400, 200);
    ui.LeftClick(400, 200);
    ViewRedraw(1);
    for (const TGcell& c : Cells())
      for (double d : c.p) EXPECT_TRUE(std::isfinite(d));
  }
}

}  // namespace
