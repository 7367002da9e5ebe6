// The settings dialog's core: OK's limits, the rescaling that keeps real
// sizes when scales change (one undo step), Cancel restoring everything,
// layer clicks, and OK without changes counting nothing.
#include "dialogs/Option.h"

#include <string>
#include <vector>

#include "OpTest.h"
#include "StoreCells.h"
#include "app/ApMainMenu.h"
#include "app/ApUndo.h"

namespace {

class OptionTest : public CentredOpTest {
protected:
  void Ok() { platform().ScriptDialog("BitBtn1", "", true); }
  void Run() { MenuItemCommand("Option1"); }
  static std::vector<TLineGeom> LinesOf(int group) {
    std::vector<TLineGeom> out;
    for (const TGcell& c : StoreCells(GK_LINE))
      if ((c.layer >> 4) == group) out.push_back(LineOf(c));
    return out;
  }
};

TEST_F(OptionTest, AGroupScaleRescalesItsCellsAboutTheirCorner) {
  GcellAddLine(0x30, 0x11, 100, 100, 200, 100);
  GcellAddLine(0x30, 0x11, 100, 150, 150, 150);
  GcellAddLine(0x00, 0x11, 100, 100, 200, 100);
  GcellCommit();
  const int modified = CurPVC().modified;
  platform().ScriptDialog("StringGrid1[4,2]", "1/50", false);
  Ok();
  Run();
  std::vector<TLineGeom> g3 = LinesOf(3);
  ASSERT_EQ(g3.size(), 2u);
  ExpectLine(g3[0], {100, 100}, {300, 100});
  ExpectLine(g3[1], {100, 200}, {200, 200});
  ExpectLine(LinesOf(0).at(0), {100, 100}, {200, 100});
  EXPECT_EQ(CurPVC().modified, modified + 1);
  EXPECT_DOUBLE_EQ(CurPVC().groups[3].scaleX, 50);
  // OK without changes counts nothing and rescales nothing.
  Ok();
  Run();
  EXPECT_EQ(CurPVC().modified, modified + 1);
  ExpectLine(LinesOf(3).at(0), {100, 100}, {300, 100});
}

TEST_F(OptionTest, TheBasicScaleScalesEverythingAboutTheOrigin) {
  GcellAddLine(0x00, 0x11, 100, 100, 200, 100);
  GcellAddLine(0x20, 0x11, -100, 40, 100, 40);
  GcellCommit();
  // 1/50 with every group at the basic scale too: the geometry stays.
  platform().ScriptDialog("edScale", "1/50", false);
  platform().ScriptDialog("ScaleSame", "", true);
  Ok();
  Run();
  EXPECT_DOUBLE_EQ(CurPVC().basicScale, 50);
  EXPECT_DOUBLE_EQ(CurPVC().groups[2].scaleX, 50);
  ExpectLine(LinesOf(0).at(0), {100, 100}, {200, 100});
  // The basic scale alone (1/50 to 1/25): every cell halves about the origin.
  platform().ScriptDialog("edScale", "1/25", false);
  Ok();
  Run();
  ExpectLine(LinesOf(0).at(0), {50, 50}, {100, 50});
  ExpectLine(LinesOf(2).at(0), {-50, 20}, {50, 20});
  // "0" is refused: a beep, the dialog stays (then cancelled), nothing changed.
  const int beeps = platform().beeps();
  platform().ScriptDialog("edScale", "0", false);
  Ok();
  Run();
  EXPECT_EQ(platform().beeps(), beeps + 1);
  EXPECT_DOUBLE_EQ(CurPVC().basicScale, 25);
  ExpectLine(LinesOf(0).at(0), {50, 50}, {100, 50});
}

TEST_F(OptionTest, LimitsOfOk) {
  platform().ScriptDialog("EdArrowKakudo", "90", false);
  platform().ScriptDialog("StrGrd1[2,4]", "9", false);
  platform().ScriptDialog("StrGrd1[3,4]", "0", false);
  platform().ScriptDialog("StrGrd1[4,1]", "-3", false);
  platform().ScriptDialog("StringGrid1[1,1]", "あいうえおかきくけこ", false);
  Ok();
  Run();
  const TPVC& p = CurPVC();
  EXPECT_EQ(p.dimArrowAngle, 75);
  EXPECT_EQ(p.textSizes[2].pen, 7);
  EXPECT_EQ(p.textSizes[3].pen, 1);
  EXPECT_GT(p.textSizes[4].height, 0);
  EXPECT_EQ(p.groups[0].name, "あいうえおかきく");
  platform().ScriptDialog("EdArrowKakudo", "10", false);
  Ok();
  Run();
  EXPECT_EQ(CurPVC().dimArrowAngle, 15);
}

TEST_F(OptionTest, CancelRestoresLayerClicksExactly) {
  TPVC& p = CurPVC();
  p.writeLayer = 0x00;
  const TPVC before = p;
  platform().ScriptDialog("LayerClick[1,5]", "", true);
  platform().ScriptDialog("LayerShiftClick[1,7]", "", true);
  platform().ScriptDialog("TrackBar1", "7", false);
  Run();  // no OK: cancelled
  EXPECT_FALSE(SettingsDiffer(before, CurPVC()));
  // With OK: layer 5 is group 0's last layer and, as the write group, the write layer.
  const bool visible7 = CurPVC().groups[0].layers[6].visible;
  platform().ScriptDialog("LayerClick[1,5]", "", true);
  platform().ScriptDialog("LayerShiftClick[1,7]", "", true);
  Ok();
  Run();
  EXPECT_EQ(CurPVC().groups[0].lastLayer, 4);
  EXPECT_EQ(CurPVC().writeLayer, 0x04);
  EXPECT_NE(CurPVC().groups[0].layers[6].visible, visible7);
}

TEST_F(OptionTest, UndoAfterARescaleLeavesNoCellAtTheOldScale) {
  GcellAddLine(0x10, 0x11, 0, 0, 100, 0);
  GcellAddLine(0x10, 0x11, 0, 50, 100, 50);
  GcellCommit();
  // A line moved (deleted and appended) in the step before.
  const TGcell moved = GcellGet(2);
  GcellDelete(2);
  TGcell copy = moved;
  copy.p[1] = copy.p[3] = 80;
  GcellAdd(copy);
  platform().ScriptDialog("StringGrid1[2,2]", "1/50", false);
  Ok();
  Run();
  // The rescale closed the step of the move: undo brings back no cell at
  // the old scale (neither the moved line's old place nor its new one).
  Btn_UndoClick();
  const std::vector<TLineGeom> lines = LinesOf(1);
  ASSERT_EQ(lines.size(), 2u);
  for (const TLineGeom& l : lines) EXPECT_EQ(l.b.x - l.a.x, 200) << "a cell at the old scale came back";
}

}  // namespace
