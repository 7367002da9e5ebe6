// The group and layer panels: what their buttons show for each state of the
// settings working copy, and what each press does to visibility, the write
// layer and the write pen, and whether the view is redrawn.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Harness.h"
#include "VelmoTest.h"
#include "app/ApGrpLay.h"
#include "app/ApManager.h"
#include "app/ApMouse.h"
#include "app/GC_View.h"
#include "kernel/Wiring.h"
#include "model/GC_DB.h"
#include "model/PVC.h"
#include "render/ApPenSet.h"
#include "render/Z_Graph.h"

namespace {

// What the view saw: EV_REDRAW reaching the current operation, and the
// counts shown at the end of every redraw.
constexpr int kCountsShown = -1;
std::vector<int> g_seen;
void Recorder(TGContext&, int code, double, double) { g_seen.push_back(code); }

// Visibility as a string of '1' (shown) and '0', index 0 first.
std::string GroupMask() {
  std::string s;
  for (const TGroupEntry& g : CurPVC().groups) s += g.visible ? '1' : '0';
  return s;
}
std::string LayerMask(int group) {
  std::string s;
  for (const TLayerEntry& l : CurPVC().groups[group].layers) s += l.visible ? '1' : '0';
  return s;
}
void SetGroups(const std::string& mask) {
  for (int k = 0; k < 16; ++k) CurPVC().groups[k].visible = mask[k] == '1';
}
void SetLayers(int group, const std::string& mask) {
  for (int j = 0; j < 16; ++j) CurPVC().groups[group].layers[j].visible = mask[j] == '1';
}

class GrpLayTest : public VelmoTest {
protected:
  void SetUp() override {
    VelmoTest::SetUp();
    Start();
  }
  // A fresh program with a painted view, a recording operation current.
  static void Start() {
    VelmoReset();
    Harness ui(400, 300);
    PaintBox1Paint();
    g_seen.clear();
    SetOpHandler(OpBtn_Line, Recorder);
    g_manager.curOp = OpBtn_Line;
    g_wiring.countsShown = [] { g_seen.push_back(kCountsShown); };
  }
  void TearDown() override {
    SetOpHandler(OpBtn_Line, nullptr);
    VelmoTest::TearDown();
  }
  // The modes of the redraws since the last call: 1 when the operation was
  // asked to redraw its feedback (erase and repaint), 0 when not.
  static std::vector<int> Redraws() {
    std::vector<int> modes;
    bool redraw = false;
    for (int c : g_seen) {
      if (c == EV_REDRAW) redraw = true;
      if (c == kCountsShown) {
        modes.push_back(redraw ? 1 : 0);
        redraw = false;
      }
    }
    g_seen.clear();
    return modes;
  }
};

// ---- Group buttons ----------------------------------------------------------

struct GroupPressCase {
  const char* what;
  const char* before;  // group visibility
  int writeLayer;
  bool dimHidden;
  int group;
  unsigned button;
  const char* after;
  int writeLayerAfter;
  std::vector<int> redraws;
};

TEST_F(GrpLayTest, GroupPressesChangeVisibilityAndWriteGroup) {
  const GroupPressCase cases[] = {
      {"left hides a shown group", "1111111111111111", 0x00, false, 3, ssLeft, "1110111111111111", 0x00, {1}},
      {"left shows a hidden group", "1000000000000000", 0x00, false, 3, ssLeft, "1001000000000000", 0x00, {1}},
      {"left on the write group changes nothing", "1100000000000000", 0x14, false, 1, ssLeft,
       "1100000000000000", 0x14, {}},
      {"with dimmed display the redraw paints over", "1111111111111111", 0x00, true, 3, ssLeft,
       "1110111111111111", 0x00, {0}},
      {"right with only the write group shown moves the view along", "1000000000000000", 0x00, false, 3, ssRight,
       "0001000000000000", 0x35, {1}},
      {"right with two groups shown keeps the old one", "1100000000000000", 0x00, false, 3, ssRight,
       "1101000000000000", 0x35, {1}},
      {"right on a shown group changes no visibility", "1001000000000000", 0x00, false, 3, ssRight,
       "1001000000000000", 0x35, {}},
      {"middle acts as right", "1000000000000000", 0x00, false, 3, ssMiddle, "0001000000000000", 0x35, {1}},
      {"right on group F from E", "0000000000000010", 0xE2, false, 15, ssRight, "0000000000000001", 0xF5, {1}},
  };
  for (const GroupPressCase& c : cases) {
    SCOPED_TRACE(c.what);
    Start();
    SetGroups(c.before);
    CurPVC().writeLayer = c.writeLayer;
    CurPVC().show.dimHidden = c.dimHidden;
    for (TGroupEntry& g : CurPVC().groups) g.lastLayer = 5;
    RefreshLayerPanels();
    g_seen.clear();
    GroupPanelPress(c.group, c.button);
    EXPECT_EQ(GroupMask(), c.after);
    EXPECT_EQ(CurPVC().writeLayer, c.writeLayerAfter);
    EXPECT_EQ(Redraws(), c.redraws);
    EXPECT_EQ(g_grpLay.PnlGrp[c.writeLayerAfter >> 4].color, clPanelYellow);
  }
}

TEST_F(GrpLayTest, RightPressOnTheWriteGroupOpensTheGroupViewOnly) {
  static int opened = 0;
  opened = 0;
  g_wiring.openGroupView = [] { ++opened; };
  SetGroups("1000000000000000");
  GroupPanelPress(0, ssRight);
  EXPECT_EQ(opened, 1);
  EXPECT_EQ(GroupMask(), "1000000000000000");
  EXPECT_EQ(CurPVC().writeLayer, 0);
  EXPECT_TRUE(Redraws().empty());
  GroupPanelPress(0, ssLeft);
  EXPECT_EQ(opened, 1);
  // Without a group view nothing happens.
  g_wiring.openGroupView = nullptr;
  GroupPanelPress(0, ssRight);
  EXPECT_EQ(CurPVC().writeLayer, 0);
}

TEST_F(GrpLayTest, PressesOutsideTheSixteenAreIgnored) {
  for (int k : {-1, 16, 255}) {
    GroupPanelPress(k, ssRight);
    LayerPanelPress(k, ssRight);
    GroupPanelPress(k, ssLeft);
  }
  EXPECT_EQ(GroupMask(), std::string(16, '1'));
  EXPECT_EQ(CurPVC().writeLayer, 0);
  EXPECT_TRUE(Redraws().empty());
}


// ---- Layer buttons ----------------------------------------------------------

struct LayerPressCase {
  const char* what;
  const char* before;  // layer visibility of the write group 2
  int writeLayer;
  int layer;
  unsigned button;
  const char* after;
  int writeLayerAfter;
  std::vector<int> redraws;
};

TEST_F(GrpLayTest, LayerPressesChangeVisibilityAndWriteLayer) {
  const LayerPressCase cases[] = {
      {"left hides a shown layer", "1111111111111111", 0x20, 6, ssLeft, "1111110111111111", 0x20, {1}},
      {"left shows a hidden layer", "0010000000000000", 0x22, 15, ssLeft, "0010000000000001", 0x22, {1}},
      {"left on the write layer changes nothing", "0010000000000000", 0x22, 2, ssLeft, "0010000000000000", 0x22,
       {}},
      {"right with only the write layer shown moves the view along", "0010000000000000", 0x22, 9, ssRight,
       "0000000001000000", 0x29, {1}},
      {"right with more layers shown keeps the old one", "0011000000000000", 0x22, 9, ssRight,
       "0011000001000000", 0x29, {1}},
      {"right on a shown layer changes no visibility", "1010000000000000", 0x22, 0, ssRight, "1010000000000000",
       0x20, {}},
  };
  for (const LayerPressCase& c : cases) {
    SCOPED_TRACE(c.what);
    Start();
    CurPVC().writeLayer = c.writeLayer;
    SetLayers(2, c.before);
    RefreshLayerPanels();
    g_seen.clear();
    LayerPanelPress(c.layer, c.button);
    EXPECT_EQ(LayerMask(2), c.after);
    EXPECT_EQ(CurPVC().writeLayer, c.writeLayerAfter);
    EXPECT_EQ(Redraws(), c.redraws);
    EXPECT_EQ(GroupMask(), std::string(16, '1'));  // other groups untouched
    EXPECT_EQ(LayerMask(3), std::string(16, '1'));
    for (int j = 0; j < 16; ++j)
      EXPECT_EQ(g_grpLay.PnlLay[j].color,
                j == (c.writeLayerAfter & 15) ? clPanelYellow : c.after[j] == '1' ? clLayerShown : clLayerHidden)
          << j;
  }
}

TEST_F(GrpLayTest, RightPressOnTheWriteLayerOpensTheLayerViewOnly) {
  static int opened = 0;
  opened = 0;
  g_wiring.openLayerView = [] { ++opened; };
  CurPVC().writeLayer = 0x34;
  LayerPanelPress(4, ssRight);
  EXPECT_EQ(opened, 1);
  EXPECT_EQ(CurPVC().writeLayer, 0x34);
  EXPECT_TRUE(Redraws().empty());
}

// ---- Remembered layers and pens ---------------------------------------------

TEST_F(GrpLayTest, GroupsRememberTheirLayerAndLayersTheirPen) {
  TPVC& p = CurPVC();
  p.writeLayer = 0x03;
  p.writePen = 0x25;
  GroupPanelPress(1, ssRight);
  EXPECT_EQ(p.groups[0].lastLayer, 3);
  EXPECT_EQ(p.layerPens[3], 0x25);
  EXPECT_EQ(p.writeLayer, 0x10);  // group 1's remembered layer
  EXPECT_EQ(p.writePen, 0x25);    // pen per layer is off
  LayerPanelPress(7, ssRight);
  EXPECT_EQ(p.writeLayer, 0x17);
  GroupPanelPress(0, ssRight);
  EXPECT_EQ(p.writeLayer, 0x03);
  EXPECT_EQ(p.groups[1].lastLayer, 7);
  GroupPanelPress(1, ssRight);
  EXPECT_EQ(p.writeLayer, 0x17);
}

TEST_F(GrpLayTest, PenPerLayerBringsBackEachLayersPen) {
  TPVC& p = CurPVC();
  p.penPerLayer = true;
  p.writeLayer = 0x01;
  p.writePen = 0x21;
  LayerPanelPress(2, ssRight);
  EXPECT_EQ(p.writePen, 0x11);  // layer 2's pen as the start-up settings have it
  EXPECT_EQ(p.penPresets[0], 0x11);
  p.writePen = 0x43;
  LayerPanelPress(1, ssRight);
  EXPECT_EQ(p.writePen, 0x21);
  LayerPanelPress(2, ssRight);
  EXPECT_EQ(p.writePen, 0x43);
  // Across groups the pens go by layer number.
  StepWriteGroup(ssRight, 0);  // isolates group 0
  StepWriteGroup(ssRight, 0);  // group 1, its layer 0
  EXPECT_EQ(p.writeLayer, 0x10);
  EXPECT_EQ(p.writePen, 0x11);
  LayerPanelPress(2, ssRight);
  EXPECT_EQ(p.writePen, 0x43);
  // A layer without a pen gives the standard pen.
  p.layerPens[9] = 0;
  LayerPanelPress(9, ssRight);
  EXPECT_EQ(p.writePen, 0x11);
}

TEST_F(GrpLayTest, AHiddenRememberedLayerIsShownWhenItsGroupIsChosen) {
  // A drawing may keep a hidden layer as a group's last one.
  TPVC& p = CurPVC();
  p.groups[4].lastLayer = 6;
  p.groups[4].layers[6].visible = false;
  GroupPanelPress(4, ssRight);
  EXPECT_EQ(p.writeLayer, 0x46);
  EXPECT_TRUE(p.groups[4].layers[6].visible);
  EXPECT_EQ(Redraws(), std::vector<int>{1});
}

// ---- Layer synchronisation --------------------------------------------------

TEST_F(GrpLayTest, SynchronisedLayersFollowTheWriteGroup) {
  TPVC& p = CurPVC();
  EXPECT_EQ(g_grpLay.BtnLayerSyncChange.color, clPanelGrey);
  SetLayers(0, "1111111111111110");
  ToggleLayerSync();
  EXPECT_TRUE(p.layerSync);
  EXPECT_EQ(g_grpLay.BtnLayerSyncChange.color, clPanelYellow);
  EXPECT_EQ(Redraws(), std::vector<int>{1});
  for (int k = 0; k < 16; ++k) EXPECT_EQ(LayerMask(k), "1111111111111110") << k;

  LayerPanelPress(5, ssRight);
  for (int k = 0; k < 16; ++k) EXPECT_EQ(p.groups[k].lastLayer, 5) << k;
  LayerPanelPress(2, ssLeft);
  for (int k = 0; k < 16; ++k) EXPECT_EQ(LayerMask(k), "1101111111111110") << k;
  Redraws();
  // Another group keeps the layer choice.
  GroupPanelPress(7, ssRight);
  EXPECT_EQ(p.writeLayer, 0x75);

  ToggleLayerSync();
  EXPECT_FALSE(p.layerSync);
  EXPECT_EQ(g_grpLay.BtnLayerSyncChange.color, clPanelGrey);
  EXPECT_TRUE(Redraws().empty());  // turning it off changes nothing on the screen
  LayerPanelPress(3, ssLeft);
  EXPECT_EQ(LayerMask(7), "1100111111111110");
  EXPECT_EQ(LayerMask(0), "1101111111111110");
}

// ---- "ALL" and the step labels ------------------------------------------------

TEST_F(GrpLayTest, AllButtonsFlipEveryOtherGroupOrLayer) {
  struct Case {
    const char* before;
    int writeLayer;
    const char* after;
  } cases[] = {
      {"1111111111111111", 0x00, "1000000000000000"},  // the next one shown: all others hidden
      {"1011111111111111", 0x00, "1111111111111111"},  // the next one hidden: all shown
      {"1100000000000001", 0xF0, "0000000000000001"},  // after F comes 0
      {"0000000000000001", 0xF0, "1111111111111111"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.before);
    Start();
    CurPVC().writeLayer = c.writeLayer;
    SetGroups(c.before);
    GroupAllClick();
    EXPECT_EQ(GroupMask(), c.after);
    EXPECT_EQ(Redraws(), std::vector<int>{1});
    // The same on the layers of the write group, with layer number = group.
    Start();
    CurPVC().writeLayer = 0x50 | (c.writeLayer >> 4);
    SetLayers(5, c.before);
    LayerAllClick();
    EXPECT_EQ(LayerMask(5), c.after);
    EXPECT_EQ(Redraws(), std::vector<int>{1});
  }
}

TEST_F(GrpLayTest, StepsIsolateTheWriteGroupThenWalk) {
  struct Case {
    const char* before;
    int writeLayer;
    unsigned button, shift;
    const char* after;
    int writeLayerAfter;
  } cases[] = {
      {"1111000000000000", 0x12, ssLeft, 0, "0100000000000000", 0x12},   // several shown: isolate
      {"1000000000000000", 0x00, ssLeft, 0, "0000000000000001", 0xF4},   // left steps down
      {"1000000000000000", 0x00, ssRight, 0, "0100000000000000", 0x14},  // right steps up
      {"1000000000000000", 0x00, ssLeft, ssShift, "0100000000000000", 0x14},
      {"1000000000000000", 0x00, ssRight, ssShift, "0000000000000001", 0xF4},
      {"0000000000000001", 0xF1, ssRight, 0, "1000000000000000", 0x04},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.before) + " button " + std::to_string(c.button) + " shift " +
                 std::to_string(c.shift));
    Start();
    for (TGroupEntry& g : CurPVC().groups) g.lastLayer = 4;
    CurPVC().writeLayer = c.writeLayer;
    SetGroups(c.before);
    StepWriteGroup(c.button, c.shift);
    EXPECT_EQ(GroupMask(), c.after);
    EXPECT_EQ(CurPVC().writeLayer, c.writeLayerAfter);
    EXPECT_EQ(Redraws(), std::vector<int>{1});

    // The layers of write group 6, the layer numbers being the groups above.
    Start();
    CurPVC().writeLayer = 0x60 | (c.writeLayer >> 4);
    SetLayers(6, c.before);
    StepWriteLayer(c.button, c.shift);
    EXPECT_EQ(LayerMask(6), c.after);
    EXPECT_EQ(CurPVC().writeLayer, 0x60 | (c.writeLayerAfter >> 4));
    EXPECT_EQ(GroupMask(), std::string(16, '1'));
  }
}

TEST_F(GrpLayTest, WindowHandlersPickTheButtonsThatAct) {
  // "ALL": the left click flips, the right press steps; middle does nothing.
  PnlGrpAllMouseDown(ssLeft, 0);
  PnlGrpAllMouseDown(ssMiddle, 0);
  EXPECT_EQ(GroupMask(), std::string(16, '1'));
  PnlGrpAllMouseDown(ssRight, 0);
  EXPECT_EQ(GroupMask(), "1000000000000000");
  PnlGrpAllMouseDown(ssRight, 0);
  EXPECT_EQ(GroupMask(), "0100000000000000");
  // The labels step with either button.
  LbGroupMouseDown(ssLeft, 0);
  EXPECT_EQ(GroupMask(), "1000000000000000");
  LbGroupMouseDown(ssMiddle, 0);
  EXPECT_EQ(GroupMask(), "1000000000000000");
  PnlLayAllMouseDown(ssLeft, 0);
  EXPECT_EQ(LayerMask(0), std::string(16, '1'));
  PnlLayAllMouseDown(ssRight, 0);
  EXPECT_EQ(LayerMask(0), "1000000000000000");
  PnlLayLblMouseDown(ssLeft, 0);
  EXPECT_EQ(LayerMask(0), "0000000000000001");
  EXPECT_EQ(CurPVC().writeLayer, 0x0F);
  BtnLayerMouseDown(3, ssRight, 0);
  EXPECT_EQ(CurPVC().writeLayer, 0x03);
  BtnGroupMouseDown(2, ssRight, 0);
  EXPECT_EQ(CurPVC().writeLayer, 0x20);
  BtnLayerSyncChangeMouseDown();
  EXPECT_TRUE(CurPVC().layerSync);
}

// ---- What the panels show -----------------------------------------------------

TEST_F(GrpLayTest, ButtonsShowVisibilityCountsNamesAndScale) {
  TPVC& p = CurPVC();
  p.writeLayer = 0x23;
  SetGroups("1010111111111110");
  SetLayers(2, "0111111111111101");
  GcellAddLine(0x41, 0x11, 0, 0, 10, 0);  // group 4, layer 1
  GcellAddLine(0x25, 0x11, 0, 0, 10, 0);  // the write group, layer 5
  p.groups[2].name = "一階平面";
  p.groups[2].layers[3].name = "壁";
  p.groups[2].scaleX = 100;
  p.groups[2].scaleY = 50;
  RefreshLayerPanels();
  const GrpLayState& s = g_grpLay;
  for (int k = 0; k < 16; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(s.PnlGrp[k].caption, std::string(1, "0123456789ABCDEF"[k]));
    EXPECT_EQ(s.PnlGrp[k].hint, "Ｌで表示/非表示の切替、Ｒで書込指定");
    EXPECT_EQ(s.PnlGrp[k].color, k == 2 ? clPanelYellow : k == 1 || k == 3 || k == 15 ? clGroupHidden : clGroupShown);
    EXPECT_TRUE(s.PnlGrp[k].bold);
    EXPECT_EQ(s.PnlGrp[k].underline, k == 2 || k == 4);
    EXPECT_EQ(s.PnlLay[k].caption, std::string(1, "0123456789ABCDEF"[k]));
    EXPECT_EQ(s.PnlLay[k].color, k == 3 ? clPanelYellow : k == 0 || k == 14 ? clLayerHidden : clLayerShown);
    EXPECT_EQ(s.PnlLay[k].underline, k == 5);
  }
  EXPECT_EQ(p.groups[4].count, 1);
  EXPECT_EQ(s.PnlGrpNam.caption, "一階平面");
  EXPECT_EQ(s.PnlLayNam.caption, "壁");
  EXPECT_EQ(s.lbScale.caption, "X=1/100,Y=1/50");
  EXPECT_EQ(s.lbScale.hint, "書き込みｸﾞﾙｰﾌﾟの縮尺");
  EXPECT_EQ(s.PnlLayLbl.caption, "ﾚｲﾔｰ");
  EXPECT_EQ(s.BtnLayerSyncChange.caption, "一括");
  EXPECT_EQ(s.penHistMenu[4], "[ E ] に登録");
}

TEST_F(GrpLayTest, ScaleLabelOfTheWriteGroup) {
  const struct {
    double sx, sy;
    const char* label;
  } cases[] = {
      {100, 100, "S=1/100"}, {100, 50, "X=1/100,Y=1/50"}, {0.5, 0.5, "S=2/1"},
      {0.4, 0.4, "S=2.5/1"}, {0.1, 0.1, "S=10/1"},       {1, 2, "X=1/1,Y=1/2"},
  };
  for (const auto& c : cases) {
    CurPVC().groups[9].scaleX = c.sx;
    CurPVC().groups[9].scaleY = c.sy;
    GroupPanelPress(9, ssRight);
    EXPECT_EQ(g_grpLay.lbScale.caption, c.label) << c.sx << "," << c.sy;
    GroupPanelPress(0, ssRight);
    EXPECT_EQ(g_grpLay.lbScale.caption, "S=1/100");
  }
}

TEST_F(GrpLayTest, RepaintRefreshesTheCountsOnTheButtons) {
  EXPECT_FALSE(g_grpLay.PnlGrp[3].underline);
  GcellAddLine(0x3A, 0x11, 0, 0, 10, 0);
  ViewRedraw(1);
  EXPECT_TRUE(g_grpLay.PnlGrp[3].underline);
  EXPECT_EQ(CurPVC().groups[3].count, 1);
  GroupPanelPress(3, ssRight);
  LayerPanelPress(10, ssRight);
  EXPECT_TRUE(g_grpLay.PnlLay[10].underline);
  EXPECT_FALSE(g_grpLay.PnlLay[9].underline);
  // Undone: the step's repaint counts afresh.
  GcellUndo();
  ViewRepaintStep();
  EXPECT_FALSE(g_grpLay.PnlGrp[3].underline);
  EXPECT_FALSE(g_grpLay.PnlLay[10].underline);
}

TEST_F(GrpLayTest, OffsetAndRangeMemoryShowTheirState) {
  struct Case {
    bool left, right;
    int mode;
    bool visible;
    std::uint32_t color;
  } cases[] = {
      {false, false, OFFSET_ONCE, false, clOffsetOnce}, {true, false, OFFSET_OFF, true, clOffsetOff},
      {false, true, OFFSET_ONCE, true, clOffsetOnce},   {true, true, OFFSET_ALWAYS, true, clOffsetAlways},
  };
  for (const Case& c : cases) {
    CurPVC().offsetLeft = c.left;
    CurPVC().offsetRight = c.right;
    CurPVC().offsetMode = c.mode;
    RefreshLayerPanels();
    EXPECT_EQ(g_form1.OffsetMode.visible, c.visible);
    EXPECT_EQ(g_form1.OffsetMode.color, c.color);
  }
  EXPECT_EQ(g_grpLay.FixZoom.fontColor, clFixZoomOff);
  FixZoomMouseDown(ssLeft);
  EXPECT_EQ(g_grpLay.FixZoom.fontColor, clPanelYellow);
}

// ---- Display switches -----------------------------------------------------------

TEST_F(GrpLayTest, DisplaySwitchesTurnOverAndRedrawAsFarAsNeeded) {
  struct Case {
    TDspSwitch which;
    bool dimHidden;     // "表示" before the click
    bool nowOn;         // the switch after the click
    std::uint32_t color;
    int mode;
  } cases[] = {
      {Dsp_Mode, false, true, clDspDimOn, 0},
      {Dsp_Mode, true, false, clPanelGrey, 1},
      {Dsp_Point, false, false, clPanelGrey, 1},
      {Dsp_Line, false, false, clPanelGrey, 1},
      {Dsp_Line, true, false, clDspOffDimmed, 0},
      {Dsp_Moji, true, false, clDspOffDimmed, 0},
      {Dsp_Polygon, false, false, clPanelGrey, 1},
      {Dsp_Picture, true, false, clDspOffDimmed, 0},
      {Dsp_Assist, true, false, clPanelGrey, 1},
      {Dsp_Grid, false, true, clDspGridOn, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.which));
    Start();
    CurPVC().show.dimHidden = c.dimHidden;
    DspMaskClick(c.which);
    const TDisplaySwitches& d = CurPVC().show;
    const bool state[Dsp_Count] = {d.dimHidden, d.points,   d.lines,     d.texts,
                                   d.fills,     d.pictures, d.auxiliary, CurPVC().gridShown};
    EXPECT_EQ(state[c.which], c.nowOn);
    EXPECT_EQ(g_grpLay.Dsp[c.which].color, c.color);
    EXPECT_EQ(Redraws(), std::vector<int>{c.mode});
    // A second click turns it back.
    DspMaskClick(c.which);
    const bool again[Dsp_Count] = {d.dimHidden, d.points,   d.lines,     d.texts,
                                   d.fills,     d.pictures, d.auxiliary, CurPVC().gridShown};
    EXPECT_EQ(again[c.which], !c.nowOn);
  }
  // Points shown again: painted over.
  Start();
  DspMaskClick(Dsp_Point);
  Redraws();
  DspMaskClick(Dsp_Point);
  EXPECT_EQ(Redraws(), std::vector<int>{0});
  EXPECT_EQ(g_grpLay.Dsp[Dsp_Point].color, clDspOn);
  EXPECT_EQ(g_grpLay.Dsp[Dsp_Grid].color, clPanelGrey);
  EXPECT_EQ(g_grpLay.Dsp[Dsp_Grid].hint, "方眼線の表示ON/OFF");
  // No such switch: nothing changes, nothing is redrawn.
  DspMaskClick(Dsp_Count);
  DspMaskClick(static_cast<TDspSwitch>(-1));
  EXPECT_TRUE(Redraws().empty());
}

TEST_F(GrpLayTest, HidingAGroupRemovesItsCellsFromTheView) {
  // Pixels of the view in a colour.
  const auto count = [](TColor c) {
    int n = 0;
    const RasterCanvas& b = ViewBuffer();
    for (int y = 0; y < b.Height(); ++y)
      for (int x = 0; x < b.Width(); ++x) n += b.PixelColor(x, y) == c;
    return n;
  };
  GcellAddLine(0x10, 0x11, -5000, 0, 5000, 0);
  ViewRedraw(1);
  const TColor pen = ScreenPenColor(CurrentView(), 0x11), dimmed = PaletteColor(8);
  ASSERT_NE(pen, dimmed);
  const int line = count(pen);
  EXPECT_GT(line, 50);
  GroupPanelPress(1, ssLeft);
  EXPECT_EQ(count(pen), 0);
  EXPECT_EQ(count(dimmed), 0);
  DspMaskClick(Dsp_Mode);  // hidden cells dimmed
  EXPECT_EQ(count(dimmed), line);
  GroupPanelPress(1, ssLeft);
  EXPECT_EQ(count(pen), line);
}

// ---- Range memory ----------------------------------------------------------------

TEST_F(GrpLayTest, RangeMemoryKeepsTheWindowAndTheRightButtonFitsAll) {
  GcellAddLine(0, 0x11, 0, 0, 1000, 500);
  TGContext& v = CurrentView();
  G_SetWindow(v, -300, -300, 300, 300);
  g_manager.lastMousePos = {33, 44};
  ShowMousePos();
  FixZoomMouseDown(ssLeft);
  EXPECT_TRUE(CurPVC().rangeRemembered);
  const auto r = CurPVC().rememberedRange;
  EXPECT_DOUBLE_EQ(r[0], v.wx1);
  EXPECT_DOUBLE_EQ(r[1], v.wy1);
  EXPECT_DOUBLE_EQ(r[2], v.wx2);
  EXPECT_DOUBLE_EQ(r[3], v.wy2);
  EXPECT_TRUE(Redraws().empty());

  const TGContext kept = v;
  FixZoomMouseDown(ssRight);
  EXPECT_FALSE(CurPVC().rangeRemembered);
  // The whole drawing, not the remembered range, with 2% about it.
  EXPECT_LE(v.wx1, -20);
  EXPECT_GE(v.wx2, 1020);
  EXPECT_LT(v.wx2 - v.wx1, 1200);
  EXPECT_DOUBLE_EQ(CurPVC().prevView.wx1, kept.wx1);
  EXPECT_DOUBLE_EQ(CurPVC().prevView.wx2, kept.wx2);
  // Redrawn, then the pointer's move replayed.
  EXPECT_EQ(g_seen, (std::vector<int>{EV_REDRAW, kCountsShown, EV_MOVE}));
  g_seen.clear();
  // The pointer position shown is that of the new view.
  const std::string shown = g_form1.pnMouse.caption;
  ShowMousePos();
  EXPECT_EQ(shown, g_form1.pnMouse.caption);
  // A fit that does not move the view leaves the previous view alone.
  CurPVC().prevView.wx1 = 12345;
  FixZoomMouseDown(ssRight);
  EXPECT_EQ(CurPVC().prevView.wx1, 12345);
  EXPECT_EQ(g_grpLay.FixZoom.fontColor, clFixZoomOff);
}

TEST_F(GrpLayTest, RangeMemoryIgnoresAViewWithoutWindow) {
  CurrentView() = TGContext{};
  FixZoomMouseDown(ssLeft);
  EXPECT_FALSE(CurPVC().rangeRemembered);
  EXPECT_EQ(g_grpLay.FixZoom.fontColor, clFixZoomOff);
}

// ---- Pen presets --------------------------------------------------------------------

TEST_F(GrpLayTest, PresetsBecomeTheWritePenAndTakeIt) {
  TPVC& p = CurPVC();
  ImPenHstClick(3);
  EXPECT_EQ(p.writePen, 0x25);
  EXPECT_EQ(p.penPresets[0], 0x25);
  p.writePen = 0x74;
  PenHistClick(2);
  EXPECT_EQ(p.penPresets[2], 0x74);
  ImPenHstClick(1);
  EXPECT_EQ(p.writePen, 0x21);
  ImPenHstClick(2);
  EXPECT_EQ(p.writePen, 0x74);
  // Empty presets get their standard pens first.
  p.penPresets[4] = p.penPresets[5] = 0;
  ImPenHstClick(5);
  EXPECT_EQ(p.writePen, 0x53);
  EXPECT_EQ(p.penPresets[4], 0x51);
  ImPenHstClick(0);
  ImPenHstClick(6);
  PenHistClick(9);
  EXPECT_EQ(p.writePen, 0x53);
  EXPECT_EQ(g_grpLay.ImPenHst[0].hint, "クイックペン変更");
}

// ---- The settings dialog from the names -------------------------------------------

TEST_F(GrpLayTest, NamesOpenTheSettingsOnTheirPageAndRedrawAfterOk) {
  static std::vector<std::string> pages;
  static bool ok = false;
  pages.clear();
  g_wiring.openSettings = [](const std::string& page) {
    pages.push_back(page);
    return ok;
  };
  PnlGrpNamClick();
  EXPECT_TRUE(Redraws().empty());  // cancelled
  ok = true;
  LbScaleClick();
  EXPECT_EQ(Redraws(), std::vector<int>{1});
  PnlLayNamClick();
  EXPECT_EQ(Redraws(), std::vector<int>{1});
  EXPECT_EQ(pages, (std::vector<std::string>{"ｸﾞﾙｰﾌﾟと縮尺", "ｸﾞﾙｰﾌﾟと縮尺", "ﾚｲﾔｰ名"}));
}

TEST_F(GrpLayTest, ShowAllShowsEveryGroupAndLayer) {
  SetGroups("1000000000000001");
  SetLayers(7, "0000000000000000");
  RefreshLayerPanels();
  EXPECT_EQ(g_grpLay.PnlGrp[7].color, clGroupHidden);
  ShowAllGroupsLayers();
  EXPECT_EQ(GroupMask(), std::string(16, '1'));
  EXPECT_EQ(LayerMask(7), std::string(16, '1'));
  EXPECT_EQ(g_grpLay.PnlGrp[7].color, clGroupShown);
}

}  // namespace
