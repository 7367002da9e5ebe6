#include "app/Ap_Offset.h"

#include <algorithm>
#include <string>
#include <vector>

#include "Harness.h"
#include "VelmoTest.h"
#include "app/Ap_Unit1.h"
#include "app/GC_PointSearch.h"
#include "kernel/Common.h"
#include "model/ComHst.h"
#include "model/PVC.h"

namespace {

// What the test operation received: the code and, for a click, the drawing
// point it takes (press position through the view, plus the pending offset).
struct Got {
  int code;
  double x, y;
  double dx, dy;  // the pending offset at that moment
  bool snapped = false;  // a right click found its point
  bool operator==(int c) const { return code == c; }
};
std::vector<Got> g_got;
bool g_allowLeft = true, g_allowRight = true;

void TakingOp(TGContext& view, int code, double x, double y) {
  Got g{code, x, y, OffsetDx(), OffsetDy()};
  if (code == EV_LCLICK) {
    G_ToWorld(view, g_manager.leftPressPos.x, g_manager.leftPressPos.y, g.x, g.y);
    AddOffset(g.x, g.y);
  } else if (code == EV_RCLICK) {
    G_ToWorld(view, g_manager.rightPressPos.x, g_manager.rightPressPos.y, g.x, g.y);
    g.snapped = SnapPoint(view, g.x, g.y);
    if (g.snapped)
      AddOffset(g.x, g.y);
    else
      Beep();
  }
  g_got.push_back(g);
  if (code == EV_START || code == EV_LCLICK || code == EV_RCLICK) SetOffsetAllow(g_allowLeft, g_allowRight);
}

std::vector<int> Codes() {
  std::vector<int> out;
  for (const Got& g : g_got) out.push_back(g.code);
  return out;
}

const Got* Last(int code) {
  for (auto it = g_got.rbegin(); it != g_got.rend(); ++it)
    if (it->code == code) return &*it;
  return nullptr;
}

bool Has(int code) { return Last(code) != nullptr; }

// Basic scale 100 with the write group at X 1:50 and Y 1:20: a typed offset
// (10, 5) is (20, 25) stored units. The view shows 2.5 units per pixel.
class OffsetTest : public VelmoTest {
protected:
  void SetUp() override {
    VelmoTest::SetUp();
    g_got.clear();
    g_allowLeft = g_allowRight = true;
    SetOpHandler(OpBtn_Line, TakingOp);
    SetOpHandler(OpBtn_Circle, TakingOp);
    SetOpHandler(OpBtn_Moji, TakingOp);
    SetOpHandler(OpBtn_Sunpo, TakingOp);
    TPVC& pvc = CurPVC();
    pvc.basicScale = 100;
    TGroupEntry& g = pvc.groups[WriteGroup(pvc)];
    g.scaleX = 50;
    g.scaleY = 20;
    G_SetWindow(CurrentView(), -1000, -750, 1000, 750);
  }
  static void Mode(int m) { CurPVC().offsetMode = m; }
  // The pixel where a drawing point lies in the view as it is now.
  static TPointD Pixel(double x, double y) {
    TPointD p;
    G_ToPixel(CurrentView(), x, y, p.x, p.y);
    return p;
  }
  // The drawing point of a press at pixel (px, py) in the view as it is now.
  static TPointD World(double px, double py) {
    TPointD p;
    G_ToWorld(CurrentView(), px, py, p.x, p.y);
    return p;
  }
  // A left click at (px, py) that the offset entry takes.
  void Intercepted(double px, double py) {
    g_got.clear();
    ui.LeftClick(px, py);
    ASSERT_TRUE(OffsetEntryOpen());
    ASSERT_FALSE(Has(EV_LCLICK));
  }
  Harness ui{800, 600};
};

TEST_F(OffsetTest, LeftClickOpensTheEntryAndEnterDeliversItDisplaced) {
  Mode(OFFSET_ONCE);
  ui.Choose(OpBtn_Line);
  const TPointD p = World(100, 200);
  Intercepted(100, 200);
  EXPECT_EQ(g_form1.edCommon.tag, kOffsetTagLeft);
  EXPECT_EQ(Harness::Prompt(), " オフセット(X,Y) ");
  EXPECT_EQ(g_manager.activeHistory, HistoryList(HstList::Offset));
  EXPECT_FALSE(g_form1.PvBtns.visible);
  EXPECT_EQ(g_form1.drawCursor, CursorShape::Help);

  ui.Entry("10,5");
  const Got* c = Last(EV_LCLICK);
  ASSERT_NE(c, nullptr);
  EXPECT_NEAR(c->x, p.x + 20, 1e-9);
  EXPECT_NEAR(c->y, p.y + 25, 1e-9);
  EXPECT_DOUBLE_EQ(c->dx, 20);
  EXPECT_DOUBLE_EQ(c->dy, 25);
  // One shot: the mode is off again, the entry closed, the bar back.
  EXPECT_EQ(CurPVC().offsetMode, OFFSET_OFF);
  EXPECT_EQ(g_form1.OffsetMode.color, clOffsetOff);
  EXPECT_FALSE(EntryIsOpen());
  EXPECT_EQ(g_form1.edCommon.tag, 0);
  EXPECT_TRUE(g_form1.PvBtns.visible);
  EXPECT_EQ(g_form1.drawCursor, CursorShape::Default);
  EXPECT_EQ(HistoryList(HstList::Offset)->entries[1], "10,5");
  // The offset applied to that click only.
  EXPECT_EQ(CurPVC().offsetDx, 0);
  EXPECT_EQ(CurPVC().offsetDy, 0);
  g_got.clear();
  ui.Move(300, 300);
  ui.LeftClick(300, 300);
  ASSERT_TRUE(Has(EV_LCLICK));
  EXPECT_EQ(Last(EV_MOVE)->dx, 0);
  EXPECT_EQ(Last(EV_LCLICK)->dx, 0);
  EXPECT_EQ(Last(EV_LCLICK)->dy, 0);
}

TEST_F(OffsetTest, TypedTextsBecomeStoredUnitsOfTheWriteGroup) {
  const struct {
    const char* typed;
    double dx, dy;
  } cases[] = {
      {"10,5", 20, 25},     {"１０，５", 20, 25},  // full-width
      {"-4,0.5", -8, 2.5},  {"7", 14, 0},        // a missing number is 0
      {"", 0, 0},           {"abc,3", 0, 15},
      {"2*5,10/2", 20, 25},  // as any typed value, a small expression
      {"1.0E+300*1.0E+300,5", 0, 25},  // an overflow is no offset
  };
  Mode(OFFSET_ALWAYS);
  ui.Choose(OpBtn_Line);
  for (const auto& k : cases) {
    SCOPED_TRACE(k.typed);
    const TPointD p = World(400, 300);
    Intercepted(400, 300);
    ui.Entry(k.typed);
    const Got* c = Last(EV_LCLICK);
    ASSERT_NE(c, nullptr);
    EXPECT_NEAR(c->x - p.x, k.dx, 1e-9);
    EXPECT_NEAR(c->y - p.y, k.dy, 1e-9);
  }
  // A group scale of 0 counts as 0.0001 and never divides by zero.
  CurPVC().groups[WriteGroup(CurPVC())].scaleX = 0;
  Intercepted(400, 300);
  ui.Entry("1,0");
  EXPECT_NEAR(Last(EV_LCLICK)->dx, 1e6, 1e-3);
}

TEST_F(OffsetTest, AlwaysModeStaysOnAndEscDeliversTheClickAsItWas) {
  Mode(OFFSET_ALWAYS);
  ui.Choose(OpBtn_Line);
  Intercepted(100, 100);
  ui.Entry("10,5");
  EXPECT_EQ(CurPVC().offsetMode, OFFSET_ALWAYS);
  EXPECT_EQ(g_form1.OffsetMode.color, clOffsetAlways);

  const TPointD p = World(250, 120);
  Intercepted(250, 120);
  ui.Type("7,7");
  ui.Esc();
  const Got* c = Last(EV_LCLICK);
  ASSERT_NE(c, nullptr);
  EXPECT_NEAR(c->x, p.x, 1e-9);
  EXPECT_NEAR(c->y, p.y, 1e-9);
  EXPECT_EQ(c->dx, 0);
  EXPECT_FALSE(EntryIsOpen());
  EXPECT_EQ(CurPVC().offsetMode, OFFSET_ALWAYS);
  EXPECT_EQ(HistoryList(HstList::Offset)->entries[1], "10,5") << "Esc records nothing";

  // Mode once: Esc uses it up as Enter does.
  Mode(OFFSET_ONCE);
  Intercepted(250, 120);
  ui.Esc();
  EXPECT_TRUE(Has(EV_LCLICK));
  EXPECT_EQ(CurPVC().offsetMode, OFFSET_OFF);
}

TEST_F(OffsetTest, ClicksInTheDrawingAreaWhileTypingConfirmOrCancel) {
  Mode(OFFSET_ALWAYS);
  ui.Choose(OpBtn_Line);
  const TPointD p = World(100, 200);
  // A left click elsewhere confirms: the first click is delivered, displaced.
  Intercepted(100, 200);
  ui.Type("10,5");
  ui.LeftClick(500, 500);
  const Got* c = Last(EV_LCLICK);
  ASSERT_NE(c, nullptr);
  EXPECT_NEAR(c->x, p.x + 20, 1e-9);
  EXPECT_NEAR(c->y, p.y + 25, 1e-9);
  EXPECT_EQ(std::count(g_got.begin(), g_got.end(), EV_LCLICK), 1);
  EXPECT_FALSE(Has(EV_ENTER));
  // A right click cancels: the click as it was, no right click delivered.
  Intercepted(100, 200);
  ui.Type("10,5");
  ui.RightClick(500, 500);
  ASSERT_TRUE(Has(EV_LCLICK));
  EXPECT_NEAR(Last(EV_LCLICK)->x, p.x, 1e-9);
  EXPECT_FALSE(Has(EV_RCLICK));
}

TEST_F(OffsetTest, NoInterception) {
  // Shift held, mode off, or the operation not allowing a left offset: the
  // click goes straight to the operation.
  const struct {
    const char* what;
    int mode;
    bool allowLeft;
    unsigned mods;
  } cases[] = {
      {"shift", OFFSET_ALWAYS, true, ssShift},
      {"mode off", OFFSET_OFF, true, 0},
      {"not allowed", OFFSET_ONCE, false, 0},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.what);
    Mode(k.mode);
    g_allowLeft = k.allowLeft;
    ui.Choose(OpBtn_Line);
    g_got.clear();
    ui.LeftClick(100, 100, k.mods);
    EXPECT_TRUE(Has(EV_LCLICK));
    EXPECT_FALSE(EntryIsOpen());
    EXPECT_EQ(CurPVC().offsetMode, k.mode);
  }
}

TEST_F(OffsetTest, ChoosingAnotherOperationCancelsWithoutDeliveringTheClick) {
  Mode(OFFSET_ONCE);
  ui.Choose(OpBtn_Line);
  Intercepted(100, 100);
  ui.Type("10,5");
  g_got.clear();
  ui.Choose(OpBtn_Circle);
  EXPECT_FALSE(Has(EV_LCLICK));
  EXPECT_EQ(Codes(), (std::vector<int>{EV_END, EV_START}));
  EXPECT_FALSE(OffsetEntryOpen());
  EXPECT_FALSE(EntryIsOpen());
  EXPECT_EQ(g_form1.edCommon.tag, 0);
  EXPECT_EQ(CurPVC().offsetDx, 0);
  EXPECT_EQ(CurPVC().offsetMode, OFFSET_OFF) << "cancelled as by Esc";
  // The new operation's clicks are its own.
  g_got.clear();
  ui.LeftClick(100, 100);
  EXPECT_TRUE(Has(EV_LCLICK));
}

TEST_F(OffsetTest, WhileTypingDigitsStayInTheBoxAndMovesReachTheOperation) {
  Mode(OFFSET_ONCE);
  ui.Choose(OpBtn_Line);
  Intercepted(100, 100);
  for (int key : {int{'2'}, int{'5'}, int{'1'}, int{'0'}, 96 + 3 /* keypad 3 */}) ui.Key(key);
  for (int code = EV_DIGIT0; code <= EV_DIGIT9; ++code) EXPECT_FALSE(Has(code)) << code;
  ui.Move(320, 240);
  const Got* m = Last(EV_MOVE);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->x, 320);
  EXPECT_EQ(m->y, 240);
  EXPECT_TRUE(OffsetEntryOpen());
  // Presses reach the operation too; the replay still takes the first click.
  const TPointD p = World(100, 100);
  ui.Type("10,5");
  ui.Press(ssLeft, 600, 400);
  EXPECT_TRUE(Has(EV_LDOWN));
  ui.Release(ssLeft, 600, 400);
  ASSERT_TRUE(Has(EV_LCLICK));
  EXPECT_NEAR(Last(EV_LCLICK)->x, p.x + 20, 1e-9);
  // With the entry closed, digits are the operation's again.
  g_got.clear();
  ui.Key('2');
  EXPECT_TRUE(Has('2'));
}

TEST_F(OffsetTest, ZoomingWhileTypingKeepsTheClickedPoint) {
  Mode(OFFSET_ONCE);
  ui.Choose(OpBtn_Line);
  const TPointD p = World(100, 200);
  Intercepted(100, 200);
  ui.Type("10,5");
  G_SetWindow(CurrentView(), 200, 100, 600, 400);  // zoomed in and panned
  ui.Enter();
  const Got* c = Last(EV_LCLICK);
  ASSERT_NE(c, nullptr);
  EXPECT_NEAR(c->x, p.x + 20, 1e-9);
  EXPECT_NEAR(c->y, p.y + 25, 1e-9);
  // The delivered position is where the point lies in the view now.
  double px, py;
  G_ToPixel(CurrentView(), p.x, p.y, px, py);
  EXPECT_NEAR(g_manager.leftPressPos.x, px - 0.1, 1e-6);
  EXPECT_NEAR(g_manager.leftPressPos.y, py - 0.1, 1e-6);
}

TEST_F(OffsetTest, ThePanelShowsTheModeWhileAnOffsetIsAllowed) {
  EXPECT_FALSE(g_form1.OffsetMode.visible);
  EXPECT_EQ(g_form1.OffsetMode.caption, "ｵﾌｾｯﾄ");
  const std::uint32_t colours[] = {clOffsetOnce, clOffsetAlways, clOffsetOff, clOffsetOnce};
  for (std::uint32_t c : colours) {
    OffsetModeClick();
    EXPECT_EQ(g_form1.OffsetMode.color, c);
  }
  EXPECT_EQ(CurPVC().offsetMode, OFFSET_ONCE);
  ui.Choose(OpBtn_Line);
  EXPECT_TRUE(g_form1.OffsetMode.visible);
  SetOffsetAllow(false, true);
  EXPECT_TRUE(g_form1.OffsetMode.visible);
  SetOffsetAllow(false, false);
  EXPECT_FALSE(g_form1.OffsetMode.visible);
  // A start disallows until the operation allows again.
  g_allowLeft = g_allowRight = false;
  SetOffsetAllow(true, true);
  ui.Choose(OpBtn_Circle);
  EXPECT_FALSE(g_form1.OffsetMode.visible);
  EXPECT_FALSE(CurPVC().offsetLeft);
  EXPECT_FALSE(CurPVC().offsetRight);
}

TEST_F(OffsetTest, RightClickIsSnappedBeforeTheEntryOpens) {
  GcellAddLine(static_cast<std::uint8_t>(CurPVC().writeLayer), 0x11, 500, 250, 900, 250);
  Mode(OFFSET_ALWAYS);
  ui.Choose(OpBtn_Line);
  const TPointD end = Pixel(900, 250);
  g_got.clear();
  ui.RightClick(end.x + 6, end.y - 5);
  ASSERT_TRUE(OffsetEntryOpen());
  EXPECT_EQ(g_form1.edCommon.tag, kOffsetTagRight);
  EXPECT_FALSE(Has(EV_RCLICK));
  // Zooming meanwhile does not move the snapped point.
  G_SetWindow(CurrentView(), 600, 100, 1000, 400);
  ui.Entry("10,5");
  const Got* c = Last(EV_RCLICK);
  ASSERT_NE(c, nullptr);
  EXPECT_TRUE(c->snapped);
  EXPECT_NEAR(c->x, 900 + 20, 1e-9);
  EXPECT_NEAR(c->y, 250 + 25, 1e-9);
  EXPECT_FALSE(Has(EV_LCLICK));
  EXPECT_EQ(platform().beeps(), 0);

  // Esc: the snapped point as it is.
  g_got.clear();
  const TPointD start = Pixel(500, 250);
  ui.RightClick(start.x - 4, start.y + 4);
  ASSERT_TRUE(OffsetEntryOpen());
  ui.Esc();
  ASSERT_NE(Last(EV_RCLICK), nullptr);
  EXPECT_NEAR(Last(EV_RCLICK)->x, 500, 1e-9);
  EXPECT_NEAR(Last(EV_RCLICK)->y, 250, 1e-9);

  // Nothing to snap to: the click goes to the operation, which beeps.
  g_got.clear();
  const TPointD empty = Pixel(700, 350);
  ui.RightClick(empty.x, empty.y);
  EXPECT_FALSE(OffsetEntryOpen());
  ASSERT_NE(Last(EV_RCLICK), nullptr);
  EXPECT_FALSE(Last(EV_RCLICK)->snapped);
  EXPECT_EQ(platform().beeps(), 1);

  // An operation that allows only left offsets gets its right clicks.
  g_allowRight = false;
  ui.Choose(OpBtn_Line);
  g_got.clear();
  ui.RightClick(end.x, end.y);
  EXPECT_FALSE(OffsetEntryOpen());
  EXPECT_TRUE(Has(EV_RCLICK));
}

TEST_F(OffsetTest, TextInputKeepsClicksOnTextsAndGetsItsPanelsBack) {
  const int text = GcellAddText(static_cast<std::uint8_t>(CurPVC().writeLayer), 1, 0x11, "ABCDEF", 0, 0, 100, 100);
  const double tx = 101, ty = 101;  // inside the text's box
  ASSERT_EQ(PickText(false, tx, ty), text);
  Mode(OFFSET_ALWAYS);
  ui.Choose(OpBtn_Moji);
  g_got.clear();
  const TPointD on = Pixel(tx, ty);
  ui.LeftClick(on.x, on.y);
  EXPECT_FALSE(OffsetEntryOpen()) << "a click on a text edits it";
  EXPECT_TRUE(Has(EV_LCLICK));
  // Elsewhere the click is taken; which panels come back depends on the
  // operation.
  const struct {
    TOpButton op;
    bool mojiNo, moji, btns;
  } cases[] = {
      {OpBtn_Moji, true, true, false},
      {OpBtn_Sunpo, true, false, true},
      {OpBtn_Line, false, false, true},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(OpInfo(k.op).name);
    ui.Choose(k.op);
    g_form1.PvMojiNo.visible = g_form1.PvMoji.visible = true;
    g_form1.PvBtns.visible = k.btns;
    Intercepted(on.x - 300, on.y);  // left of the text
    EXPECT_FALSE(g_form1.PvMojiNo.visible);
    EXPECT_FALSE(g_form1.PvMoji.visible);
    EXPECT_FALSE(g_form1.PvBtns.visible);
    ui.Esc();
    EXPECT_TRUE(Has(EV_LCLICK));
    EXPECT_EQ(g_form1.PvMojiNo.visible, k.mojiNo);
    EXPECT_EQ(g_form1.PvMoji.visible, k.moji);
    EXPECT_EQ(g_form1.PvBtns.visible, k.btns);
  }
}

}  // namespace
