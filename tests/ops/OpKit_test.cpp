// The operation kit: feedback sets on the screen across repaints, undo and
// operation changes; sub-menu options; the value entry box; click points.
#include "ops/OpKit.h"

#include <string>
#include <vector>

#include "Harness.h"
#include "VelmoTest.h"
#include "app/ApMainMenu.h"
#include "app/ApMouse.h"
#include "app/ApUndo.h"
#include "app/GC_View.h"
#include "ops/Op_Line.h"
#include "render/GC_Draw.h"

namespace {

// A test operation: one feedback line from the press to the pointer, and
// a stored line from its first click to its second.
struct ProbeState {
  TFeedback line;
  bool started = false;
  TPointD from;
  int codes = 0;
};
ProbeState g_probe;

void ProbeOp(TGContext& view, int code, double x, double y) {
  ProbeState& st = g_probe;
  ++st.codes;
  TPointD p;
  if (code == EV_MOVE && st.started) {
    TGcell c = MakeLine(st.from, ToWorld(view, {x, y}));
    c.pen = 0x8001;
    st.line.Show(view, c);
  } else if (IsClick(code) && ClickPoint(view, code, p)) {
    if (!st.started) {
      st.from = p;
      st.started = true;
    } else {
      st.line.Clear(view);
      GcellCommit();
      StoreOnWrite(view, MakeLine(st.from, p));
      st.started = false;
    }
  } else if (code == EV_START) {
    st.started = false;
  }
}

class OpKitTest : public VelmoTest {
protected:
  Harness ui{200, 150};
  ProbeState& probe = g_probe;

  void SetUp() override {
    VelmoTest::SetUp();
    g_probe.started = false;
    g_probe.line.Clear(CurrentView());
    SetOpHandler(OpBtn_Circle, ProbeOp);
    PaintBox1Paint();
  }

  static std::vector<std::uint32_t> Pixels() { return ViewBuffer().Image().pixels; }
  // The buffer as a full repaint leaves it, without any feedback.
  static std::vector<std::uint32_t> Clean() {
    const std::vector<std::uint32_t> now = Pixels();
    const unsigned long wipes = g_viewBuffer.wipes;
    TGContext g = CurrentView();
    RasterCanvas fresh;
    fresh.SetSize(ViewBuffer().Width(), ViewBuffer().Height());
    g.canvas = &fresh;
    DrawGrid(g);
    DrawAllCells(g);
    EXPECT_EQ(g_viewBuffer.wipes, wipes);
    EXPECT_EQ(Pixels(), now);
    return fresh.Image().pixels;
  }
  static int Live() {
    int n = 0;
    for (int i = 1; i <= StoreUsed(); ++i) n += GcellLive(i);
    return n;
  }
};

TEST_F(OpKitTest, FeedbackShowsAndHidesExactly) {
  const auto clean = Pixels();
  ASSERT_EQ(clean, Clean());
  ui.Choose(OpBtn_Circle);
  ui.LeftClick(20, 20);
  ui.Move(150, 100);
  EXPECT_TRUE(probe.line.OnScreen());
  EXPECT_NE(Pixels(), clean);
  ui.Move(60, 120);  // replaced: the old line's pixels come back
  ui.LeftClick(60, 120);
  EXPECT_FALSE(probe.line.Visible());
  EXPECT_EQ(Live(), 1);
  EXPECT_EQ(Pixels(), Clean());
}

TEST_F(OpKitTest, ARepaintTakesFeedbackAwayAndTheKitDrawsItAgain) {
  ui.Choose(OpBtn_Circle);
  ui.LeftClick(20, 20);
  ui.Move(150, 100);
  const auto shown = Pixels();
  ViewRedraw(1);  // EV_REDRAW: the kit draws the set again, once
  EXPECT_TRUE(probe.line.OnScreen());
  EXPECT_EQ(Pixels(), shown);
  // A quick repaint (a key scroll) tells no operation; the next event the
  // operation sees puts the set back, and hiding it never XORs a stale image.
  ViewRedraw(9);
  EXPECT_FALSE(probe.line.OnScreen());
  EXPECT_TRUE(probe.line.Visible());
  probe.line.Hide(CurrentView());
  EXPECT_EQ(Pixels(), Clean()) << "hiding an image a repaint took away draws nothing";
  probe.line.Show(CurrentView());
  ui.Key(27);  // any routed event
  EXPECT_EQ(Pixels(), shown);
}

TEST_F(OpKitTest, EndingOrRestartingTheOperationTakesFeedbackOff) {
  struct Case {
    const char* what;
    void (*act)(Harness&);
  };
  const Case cases[] = {
      {"another operation", [](Harness& ui) { ui.Choose(OpBtn_Line); }},
      {"the same again", [](Harness& ui) { ui.Choose(OpBtn_Circle); }},
      {"undo", [](Harness&) { UndoCommand(); }},
      {"window switch", [](Harness&) { btnFigChangeClick(); }},
      {"menu", [](Harness&) { MenuItemCommand("UNDO1"); }},
  };
  for (const Case& c : cases) {
    SwitchWindow(1);
    ui.Choose(OpBtn_Circle);
    ui.LeftClick(20, 20);
    ui.Move(150, 100);
    ASSERT_TRUE(probe.line.OnScreen()) << c.what;
    c.act(ui);
    SwitchWindow(1);
    EXPECT_FALSE(probe.line.Visible()) << c.what;
    EXPECT_EQ(Pixels(), Clean()) << c.what;
  }
}

// U or Ctrl+Z while both buttons hold a zoom box during a line: the box
// ends, no ghost of the rubber line stays, the release is no click, and
// Ctrl+Z reaches the idle operation.
TEST_F(OpKitTest, UndoDuringAZoomBoxLeavesNoGhostAndNoClick) {
  for (const bool ctrlZ : {false, true}) {
    ui.Choose(OpBtn_Line);
    ui.LeftClick(20, 20);
    ui.LeftClick(120, 20);  // one line stored
    ui.LeftClick(30, 60);   // a rubber line from here
    ui.Move(150, 100);
    ASSERT_EQ(g_lineOp.run.state, LineState::lsEnd);
    const int lines = Live();
    ui.Press(ssLeft, 100, 100);
    ui.Press(ssRight, 101, 101);
    ASSERT_EQ(g_mouseNav.DragMode, dmZoomBox);
    ui.Move(140, 130);
    if (ctrlZ)
      ui.Key('Z', ssCtrl);
    else
      ui.Key('U');
    EXPECT_EQ(g_mouseNav.DragMode, dmNone);
    EXPECT_FALSE(g_form1.pointerConfined);
    EXPECT_EQ(Live(), lines - 1) << "the line was undone";
    EXPECT_EQ(CurOpButton(), ctrlZ ? OpBtn_Dummy : OpBtn_Line);
    ui.Release(ssLeft, 140, 130);
    ui.Release(ssRight, 140, 130);
    EXPECT_EQ(Live(), lines - 1);
    if (!ctrlZ) {
      EXPECT_EQ(g_lineOp.run.state, LineState::lsStart) << "the release started no line";
    }
    ui.Choose(OpBtn_Dummy);
    EXPECT_EQ(Pixels(), Clean());
    UndoCommand();  // the line back for the next round
  }
}

TEST_F(OpKitTest, SubOptionReadsTheCaption) {
  struct Case {
    const char* caption;
    bool on, hasValue, hasNumber;
    const char* text;
    double value;
  };
  const Case cases[] = {
      {"④$角度基線", true, false, false, "", 0},
      {"②長さ=25.5", false, true, true, "25.5", 25.5},
      {"③角度=マウス", false, true, false, "マウス", 0},
      {"⑤線間隔=－１２", false, true, true, "－１２", -12},
      {"⑥中心Ｒ= .5", false, true, true, " .5", 0.5},
  };
  for (const Case& c : cases) {
    SetSubBtn(c.caption, true);
    int n = 0;
    for (int i = 1; i <= 7; ++i)
      if (g_form1.PvBtn[i - 1].raw == c.caption) n = i;
    ASSERT_GT(n, 0) << c.caption;
    const TSubOption s = SubOption(n);
    EXPECT_TRUE(s.enabled) << c.caption;
    EXPECT_EQ(s.on, c.on) << c.caption;
    EXPECT_EQ(s.hasValue, c.hasValue) << c.caption;
    EXPECT_EQ(s.hasNumber, c.hasNumber) << c.caption;
    EXPECT_EQ(s.text, c.text) << c.caption;
    EXPECT_DOUBLE_EQ(s.value, c.value) << c.caption;
  }
  SetSubBtn("⑦", false);
  EXPECT_FALSE(SubOption(7).enabled);
  EXPECT_FALSE(SubOption(0).enabled);
  EXPECT_FALSE(SubOption(8).enabled);
}

TEST_F(OpKitTest, ValueEntryGivesTheTextBackAndRestoresThePrompt) {
  SetGuide("・始点指示(L)or(R)");
  SetSubBtn("②長さ", true);
  OpenValueEntry(2, "  線の長さ(mm)", HstList::LineLength);
  EXPECT_EQ(ValueEntryButton(), 2);
  EXPECT_FALSE(g_form1.PvBtns.visible);
  EditChange("１２．５");
  EXPECT_EQ(TakeValueEntry(EV_ENTER), "12.5");
  EXPECT_EQ(ValueEntryButton(), 0);
  EXPECT_TRUE(g_form1.PvBtns.visible);
  EXPECT_EQ(Harness::Prompt(), " ・始点指示(L)or(R) ");

  OpenValueEntry(2, "  線の長さ(mm)", HstList::LineLength);
  EditChange("99");
  EXPECT_EQ(TakeValueEntry(EV_ESC), "") << "Esc keeps the old value";
  EXPECT_EQ(Harness::Prompt(), " ・始点指示(L)or(R) ");
}

TEST_F(OpKitTest, ARightClickSnapsOrBeeps) {
  ui.Choose(OpBtn_Circle);
  GcellAddLine(0, 1, 0, 0, 1000, 0);
  ViewRedraw(1);
  TPointD end;
  G_ToPixel(CurrentView(), 1000, 0, end.x, end.y);
  ui.RightClick(end.x + 3, end.y + 2);
  EXPECT_TRUE(probe.started);
  EXPECT_DOUBLE_EQ(probe.from.x, 1000);
  EXPECT_DOUBLE_EQ(probe.from.y, 0);
  EXPECT_EQ(platform().beeps(), 0);
  probe.started = false;
  ui.RightClick(100, 30);  // nothing near
  EXPECT_FALSE(probe.started);
  EXPECT_EQ(platform().beeps(), 1);
}

}  // namespace
