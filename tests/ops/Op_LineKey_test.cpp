// Numeric drawing: one-stroke lines by typed displacements and arrow keys
// (in real millimetres of the write group), Esc taking lines back, clicks,
// one undo step for the run, keys never reaching the main window; the
// number table's rows, units, relative columns and placing.
#include "ops/Op_LineKey.h"

#include <string>
#include <vector>

#include "OpTest.h"
#include "StoreCells.h"
#include "app/ApInput.h"
#include "app/ApKeyEvent.h"
#include "app/ApMainMenu.h"
#include "app/ApUndo.h"
#include "ops/Op_NumLines.h"

namespace {

class LineKeyTest : public CentredOpTest {
protected:
  void Command(const std::string& text) {
    ASSERT_TRUE(InputControlText("CmdEdit1", text));
    ui.Key(kVkEnter);
  }
  void Start() {
    MenuItemCommand("OpBtn_LineKey");
    ASSERT_EQ(CurOpButton(), OpBtn_LineKey);
  }
};

TEST_F(LineKeyTest, TypedDisplacementsEscAndClicks) {
  AddLine(0, 0, -100, -100);
  GcellCommit();
  ViewRedraw(1);
  Start();
  EXPECT_TRUE(g_lineKeyOp.form.visible);
  EXPECT_EQ(Prompt(), "始点指示(LorR)、終点指示作図(Shift+LorR)");
  R({0, 0});
  Command("100");
  Command(",50");
  Command("-100,0");
  std::vector<TLineGeom> lines = Lines();
  ASSERT_EQ(lines.size(), 4u);
  ExpectLine(lines[1], {0, 0}, {100, 0});
  ExpectLine(lines[2], {100, 0}, {100, 50});
  ExpectLine(lines[3], {100, 50}, {0, 50});
  EXPECT_EQ(g_lineKeyOp.form.LbBakCmd, "-100,0");
  EXPECT_EQ(g_lineKeyOp.form.CmdEdit1, "");
  ui.Esc();
  ui.Esc();
  EXPECT_EQ(Lines().size(), 2u);
  EXPECT_EQ(g_lineKeyOp.current.x, 100);
  EXPECT_EQ(g_lineKeyOp.current.y, 0);
  // Shift+click draws to the click; a plain click only moves the point.
  L({200, 100}, ssShift);
  ExpectLine(Lines().back(), {100, 0}, At({200, 100}));
  L({-200, 100});
  EXPECT_EQ(Lines().size(), 3u);
  EXPECT_EQ(g_lineKeyOp.current, At({-200, 100}));
  // A right click that snaps to nothing beeps and keeps the point.
  const int beeps = platform().beeps();
  R({-300, 250});
  EXPECT_EQ(platform().beeps(), beeps + 1);
  EXPECT_EQ(g_lineKeyOp.current, At({-200, 100}));
  // Keys go to the command field: a letter never starts an operation.
  ui.Key('L');
  ui.Key('E');
  EXPECT_EQ(CurOpButton(), OpBtn_LineKey);
  // Closing the window ends the operation.
  ASSERT_TRUE(InputControlClick("TfmLineKeyClose"));
  EXPECT_NE(CurOpButton(), OpBtn_LineKey);
  EXPECT_FALSE(g_lineKeyOp.form.visible);
}

TEST_F(LineKeyTest, RealMillimetresOfTheWriteGroupAndTheArrowPitch) {
  CurPVC().groups[0].scaleX = CurPVC().groups[0].scaleY = 50;  // 1:50 at basic 1:100
  Start();
  R({0, 0});
  L({0, 0});
  const TPointD o = g_lineKeyOp.current;
  Command("100");
  ExpectLine(Lines().back(), o, {o.x + 200, o.y});
  ASSERT_TRUE(InputControlClick("CbxCursorMode"));
  EXPECT_EQ(g_lineKeyOp.form.CmdEdit1, " 500.00:←↑↓→キーを押してください.");
  // Typing does nothing in this mode; the field keeps the pitch.
  ASSERT_TRUE(InputControlText("CmdEdit1", "abc"));
  EXPECT_EQ(g_lineKeyOp.form.CmdEdit1, g_lineKeyOp.form.pitchPrompt);
  ui.Key(kVkRight);
  ExpectLine(Lines().back(), {o.x + 200, o.y}, {o.x + 1200, o.y});
  ui.Key(kVkDown);
  ExpectLine(Lines().back(), {o.x + 1200, o.y}, {o.x + 1200, o.y - 1000});
  // A click into the field ends the mode; a typed pitch is taken when the
  // mode starts again.
  ASSERT_TRUE(InputControlPress("CmdEdit1", ssLeft, 0));
  EXPECT_FALSE(g_lineKeyOp.form.CbxCursorMode);
  ASSERT_TRUE(InputControlText("CmdEdit1", "250,9"));
  ASSERT_TRUE(InputControlClick("CbxCursorMode"));
  EXPECT_EQ(g_lineKeyOp.form.CmdEdit1, " 250:←↑↓→キーを押してください.");
  ui.Key(kVkLeft);
  ExpectLine(Lines().back(), {o.x + 1200, o.y - 1000}, {o.x + 700, o.y - 1000});
}

TEST_F(LineKeyTest, EscTakesBackAtMost256AndOneUndoTheRun) {
  // The previous operation's step: a deleted line.
  AddLine(-300, -200, -250, -200);
  GcellCommit();
  GcellDelete(1);
  Start();
  R({0, 0});
  L({0, 0});
  for (int i = 0; i < 300; ++i) Command(i % 2 ? "0,1" : "1");
  EXPECT_EQ(Lines().size(), 300u);
  for (int i = 0; i < 300; ++i) ui.Esc();
  EXPECT_EQ(Lines().size(), 44u);
  Command("50");
  Btn_UndoClick();
  EXPECT_TRUE(Lines().empty()) << "the run's lines go, the deleted line stays deleted";
  EXPECT_EQ(StoreCells(GK_LINE).size(), 0u);
}

TEST_F(LineKeyTest, TheRingShrinksOnATimer) {
  Start();
  EXPECT_EQ(platform().activeTimers(), 1);
  EXPECT_EQ(g_lineKeyOp.ring.Cells().size(), 1u);
  for (int i = 0; i < 20; ++i) platform().FireTimers();
  EXPECT_EQ(platform().activeTimers(), 0);
  EXPECT_TRUE(g_lineKeyOp.ring.Cells().empty());
}

// ---- The number table -------------------------------------------------------

void Rows(std::initializer_list<std::pair<const char*, const char*>> rows) {
  int r = 1;
  for (auto [x, y] : rows) {
    Headless().ScriptDialog("StrGrdX" + std::to_string(r), x, false);
    Headless().ScriptDialog("StrGrdY" + std::to_string(r), y, false);
    ++r;
  }
}

TEST_F(LineKeyTest, NumberTablePlacedAtEachClick) {
  AddLine(10, 10, -50, -50);  // a point to snap to at (10, 10)
  GcellCommit();
  ViewRedraw(1);
  // Absolute metres: (0,0), (2,0), (2,1); a typed (0,0) is a point.
  Rows({{"0", "0"}, {"2", "0"}, {"2", "1"}});
  platform().ScriptDialog("btnOK", "", true);
  MenuItemCommand("OpBtn_NumLines");
  ASSERT_EQ(CurOpButton(), OpBtn_NumLines);
  EXPECT_EQ(Prompt(), "描画位置を指示(L)or(R)");
  EXPECT_EQ(g_numLinesOp.form.count, 3);
  R({10, 10});
  std::vector<TLineGeom> lines = Lines();
  ASSERT_EQ(lines.size(), 3u) << "the zero first line is refused";
  ExpectLine(lines[1], {10, 10}, {2010, 10});
  ExpectLine(lines[2], {2010, 10}, {2010, 1010});
  // Each click one undo step. Undo starts the operation afresh: its dialog
  // comes again (closed here without OK).
  R({10, 10});
  EXPECT_EQ(Lines().size(), 5u);
  platform().ScriptDialogCheck("CheckBoxX", false);
  ui.Key('U');
  EXPECT_EQ(Lines().size(), 3u);

  // Relative: (2,0), (2,1) from the base.
  ui.Choose(OpBtn_Line);
  platform().ScriptDialog("btnClear", "", true);
  Rows({{"2", "0"}, {"2", "1"}});
  platform().ScriptDialogCheck("CheckBoxX", true);
  platform().ScriptDialogCheck("CheckBoxY", true);
  platform().ScriptDialog("btnOK", "", true);
  MenuItemCommand("OpBtn_NumLines");
  R({10, 10});
  lines = Lines();
  ASSERT_EQ(lines.size(), 5u);
  ExpectLine(lines[3], {10, 10}, {2010, 10});
  ExpectLine(lines[4], {2010, 10}, {4010, 1010});
}

TEST_F(LineKeyTest, NumberTableOkNeedsTwoPoints) {
  Rows({{"5", "5"}});
  platform().ScriptDialog("btnOK", "", true);
  MenuItemCommand("OpBtn_NumLines");
  ASSERT_FALSE(platform().messages().empty());
  EXPECT_EQ(platform().messages().back().text, "２点以上入力して下さい．");
  EXPECT_NE(CurOpButton(), OpBtn_NumLines) << "the dialog ran out of actions: cancelled";
}

TEST_F(LineKeyTest, TheTableButtonsAndAnEnlargedGroup) {
  TNumLinesForm f;
  f.X[0] = "2";
  f.Y[0] = "";
  f.X[2] = "1";
  f.Y[2] = "3";
  f.Invert(true);
  EXPECT_EQ(f.X[0], "    -2.000");
  EXPECT_EQ(f.X[1], "") << "a blank cell stays blank";
  f.Swap();
  EXPECT_EQ(f.Y[0], "    -2.000");
  f.Tidy();
  EXPECT_EQ(f.count, 2);
  EXPECT_EQ(f.X[1], "     3.000");
  EXPECT_EQ(f.Y[1], "    -1.000");
  f.MoveRow(1, 0);
  EXPECT_EQ(f.X[0], "     3.000");
  // A relative row (1, 0) in mm in a 2/1 group at basic scale 1: 2 units.
  CurPVC().basicScale = 1;
  CurPVC().groups[0].scaleX = CurPVC().groups[0].scaleY = 0.5;
  TNumLinesForm g;
  g.rgUnit = "mm";
  g.CheckBoxX = g.CheckBoxY = true;
  g.X[0] = "1";
  g.Y[0] = "0";
  g.Tidy();
  const std::vector<TPointD> p = ComputePolyline(g, {0, 0});
  ASSERT_EQ(p.size(), 2u);
  EXPECT_DOUBLE_EQ(p[1].x, 2);
}

}  // namespace
