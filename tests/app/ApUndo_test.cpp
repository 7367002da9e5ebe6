// The user's undo: one step toggled back and forth, the operation restarted
// around it, the drawing counted as changed.
#include "app/ApUndo.h"

#include <vector>

#include "Harness.h"
#include "VelmoTest.h"
#include "app/GC_View.h"
#include "model/GC_DB.h"
#include "model/PVC.h"
#include "render/Z_Graph.h"

namespace {

std::vector<int> g_codes;

// A line from the press to the release, each one editing step.
void LineOp(TGContext& view, int code, double x, double y) {
  g_codes.push_back(code);
  if (code != EV_LCLICK) return;
  double x1, y1, x2, y2;
  G_ToWorld(view, g_manager.leftPressPos.x, g_manager.leftPressPos.y, x1, y1);
  G_ToWorld(view, x + 30, y, x2, y2);
  GcellCommit();
  GcellAddLine(0, 0x11, x1, y1, x2, y2);
  ViewRepaintStep();
}

class UndoTest : public VelmoTest {
protected:
  void SetUp() override {
    VelmoTest::SetUp();
    g_codes.clear();
    SetOpHandler(OpBtn_Line, LineOp);
    PaintBox1Paint();
    ui.Choose(OpBtn_Line);
  }
  static bool Shown(double px, double py) { return ViewBuffer().PixelColor(static_cast<int>(px), static_cast<int>(py)) != 0; }
  Harness ui{400, 300};
};

TEST_F(UndoTest, UndoTakesTheLastStepAndGivesItBack) {
  ui.LeftClick(50, 100);
  ui.LeftClick(50, 200);
  ASSERT_EQ(StoreUsed(), 2);
  ASSERT_TRUE(Shown(65, 200));
  g_codes.clear();
  UndoCommand();
  EXPECT_TRUE(GcellLive(1));
  EXPECT_FALSE(GcellLive(2));
  EXPECT_TRUE(Shown(65, 100));
  EXPECT_FALSE(Shown(65, 200)) << "the whole view was repainted";
  EXPECT_EQ(g_form1.lbDataCount.caption, "線=   1,字=   0");
  EXPECT_EQ(CurPVC().groups[0].layers[0].count, 1);
  // The operation was ended and started afresh around it.
  EXPECT_EQ(g_codes, (std::vector<int>{EV_END, EV_REDRAW, EV_START}));
  EXPECT_EQ(CurOpButton(), OpBtn_Line);
  UndoCommand();  // again: the step comes back
  EXPECT_TRUE(GcellLive(2));
  EXPECT_TRUE(Shown(65, 200));
  EXPECT_EQ(g_form1.lbDataCount.caption, "線=   2,字=   0");
  // A new step: undo takes only that one.
  ui.LeftClick(50, 250);
  UndoCommand();
  EXPECT_TRUE(GcellLive(1));
  EXPECT_TRUE(GcellLive(2));
  EXPECT_FALSE(GcellLive(3));
}

TEST_F(UndoTest, UndoIsAChangeOfTheDrawing) {
  ui.LeftClick(50, 100);
  CurPVC().modified = 0;  // as a save leaves it
  UndoCommand();
  EXPECT_NE(CurPVC().modified, 0) << "closing must still ask to save";
  // With no step to toggle nothing changes.
  GcellCommit();
  CurPVC().modified = 0;
  UndoCommand();
  EXPECT_EQ(CurPVC().modified, 0);
}

TEST_F(UndoTest, MenuUndoRestartsTheIdleOperation) {
  ui.LeftClick(50, 100);
  g_codes.clear();
  UNDO1Click();
  EXPECT_FALSE(GcellLive(1));
  EXPECT_EQ(CurOpButton(), OpBtn_Dummy);
  EXPECT_EQ(g_codes, std::vector<int>{EV_END});
}

TEST_F(UndoTest, UndoDuringAZoomBoxEndsTheGesture) {
  ui.LeftClick(50, 100);
  ui.Press(ssLeft, 200, 150);
  ui.Press(ssRight, 200, 150);
  ui.Move(300, 250);
  UndoCommand();
  EXPECT_EQ(g_manager.gestureFilter, nullptr);
  EXPECT_FALSE(g_form1.pointerConfined);
  EXPECT_FALSE(GcellLive(1));
}

}  // namespace
