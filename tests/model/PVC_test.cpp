#include "model/PVC.h"

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "VelmoTest.h"
#include "model/GC_DB.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

class PvcTest : public VelmoTest {};

// ---- Scale texts ----------------------------------------------------------

TEST_F(PvcTest, ScaleTextShowsTheRatioInAFixedWidth) {
  struct Case {
    double scale;
    const char* text;
  };
  const Case cases[] = {
      {100, " 1/ 100"},
      {-100, " 1/ 100"},  // the sign is ignored
      {1, " 1/   1"},
      {12345, " 1/12345"},  // wider than the field, not cut
      {2.5, " 1/   2"},  // halves to even
      {3.5, " 1/   4"},
      // 1:1 to 5:1 to the nearest half; whole ratios lose their ".0"
      {0.999, "    1/1"},
      {0.8, "    1/1"},  // 2 / 0.8 = 2.5 rounds to 2
      {0.5, "    2/1"},
      {0.4, "  2.5/1"},
      {0.3, "  3.5/1"},  // 6.67 rounds to 7
      {0.2, "    5/1"},
      // below 0.2 the whole inverse
      {0.19, "    5/1"},
      {0.1, "   10/1"},
      {0.0075, "  133/1"},
      {0, ""},
      {kNaN, ""},
      // absurd scales stop at the largest integer instead of overflowing
      {1.0e99, " 1/2147483647"},
      {kInf, " 1/2147483647"},
      {1.0e-300, "2147483647/1"},
  };
  for (const Case& c : cases) EXPECT_EQ(ScaleText(c.scale), c.text) << "scale " << c.scale;
}

TEST_F(PvcTest, ScaleLabelJoinsTheTextsWithoutBlanks) {
  EXPECT_EQ(ScaleLabel(100, 50), "X=1/100,Y=1/50");
  EXPECT_EQ(ScaleLabel(100, 100), "S=1/100");
  EXPECT_EQ(ScaleLabel(0.5, 0.5), "S=2/1");
  EXPECT_EQ(ScaleLabel(0.4, 100), "X=2.5/1,Y=1/100");
}

TEST_F(PvcTest, ParseScaleGivesTheScaleAsItWillBeShown) {
  struct Case {
    const char* text;
    double scale;
  };
  const Case cases[] = {
      {"1/100", 100},
      {"2/1", 0.5},
      {"１／５０", 50},  // full-width digits and slash
      {"１００", 100},
      {"1 / 100", 100},
      {"100", 100},
      {"-1/100", 100},
      {"1/3", 3},  // exactly 3, not 1 / (1 / 3)
      {"3/1", 1.0 / 3},
      {"2.5/1", 0.4},
      {"0.45", 0.5},  // shown as 2/1
      {"1/150.6", 151},
      {"100,50", 100},   // only the first field counts
      {"100,2/1", 100},  // a slash in another field does not invert it
      {"1.0E+99", 2147483647},
      {"0", 0},
      {"", 0},
      {"abc", 0},
  };
  for (const Case& c : cases) {
    const double v = ParseScale(c.text);
    EXPECT_EQ(v, c.scale) << c.text;
    // What is shown reads back as the same value.
    EXPECT_EQ(ParseScale(ScaleText(v)), v) << c.text;
  }
}

// ---- Text-size list -------------------------------------------------------

TEST_F(PvcTest, SizeListOfTheBuiltInSettings) {
  const TMojiSizeList list = MakeMojiSizeList(BuiltInSettings());
  const std::vector<std::string> expected = {
      " 0) **.*×**.*", " 1)  2.0× 2.0", " 2)  3.0× 3.0", " 3)  4.0× 4.0",
      " 4)  5.0× 5.0", " 5)  6.0× 6.0", " 6)  7.0× 7.0", " 7)  8.0× 8.0",
      " 8)  9.0× 9.0", " 9) 10.0×10.0", "10) 11.0×11.0",
  };
  EXPECT_EQ(list.items, expected);
  EXPECT_EQ(list.index, 1);
}

TEST_F(PvcTest, SizeListFollowsTheSizesAndTheCurrentSize) {
  TPVC p = DefaultPVC();
  p.textSizes[3] = {.height = 123.45, .width = 0.25, .spacing = 1, .pen = 2};
  p.textSizes[0].height = 7;  // size 0 has no fixed dimensions
  p.textSize = 10;
  TMojiSizeList list = MakeMojiSizeList(p);
  ASSERT_EQ(list.items.size(), 11u);
  EXPECT_EQ(list.items[0], " 0) **.*×**.*");
  EXPECT_EQ(list.items[3], " 3)123.5× 0.2");  // 0.25 halves to even
  EXPECT_EQ(list.index, 10);

  p.textSize = 11;
  EXPECT_EQ(MakeMojiSizeList(p).index, -1);
  p.textSize = -1;
  EXPECT_EQ(MakeMojiSizeList(p).index, -1);
}

// ---- Scales and units -----------------------------------------------------

TEST_F(PvcTest, RealLengthsBecomeStoredUnitsByTheGroupsScale) {
  TPVC p = DefaultPVC();  // basic scale 100
  p.groups[3].scaleX = 50;
  p.groups[3].scaleY = 200;
  p.writeLayer = 0x3A;

  struct Case {
    int code;
    double x, y;  // stored units of 10 real millimetres
  };
  const Case cases[] = {
      {0x3A, 20, 5},             // group 3 at 1:50 and 1:200
      {kWriteLayerCode, 20, 5},  // the write layer is in group 3
      {0x00, 10, 10},            // group 0 at the basic scale
      {0x4F, 10, 10},
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(RealToUnitsX(p, c.code, 10), c.x) << c.code;
    EXPECT_DOUBLE_EQ(RealToUnitsY(p, c.code, 10), c.y) << c.code;
  }
  const TScaleFactors f = GroupFactors(p, kWriteLayerCode);
  EXPECT_DOUBLE_EQ(f.x, 0.5);  // real millimetres per stored unit
  EXPECT_DOUBLE_EQ(f.y, 2.0);
  EXPECT_EQ(GroupScaleX(p, kWriteLayerCode), 50);
  EXPECT_EQ(GroupScaleY(p, 0x35), 200);
}

TEST_F(PvcTest, ScaleDivisorsAreGuarded) {
  TPVC p = DefaultPVC();
  p.groups[1].scaleX = 0;
  p.groups[1].scaleY = -5;
  EXPECT_DOUBLE_EQ(RealToUnitsX(p, 0x10, 1), 100 / 0.0001);
  EXPECT_DOUBLE_EQ(RealToUnitsY(p, 0x10, 1), 100 / 0.0001);
  p.basicScale = 0;
  const TScaleFactors f = GroupFactors(p, 0x00);
  EXPECT_DOUBLE_EQ(f.x, 100 / 0.0001);
  EXPECT_TRUE(std::isfinite(RealToUnitsX(p, 0x10, 1)));
}

TEST_F(PvcTest, GroupScalesOfTheWorkingCopy) {
  CurPVC().groups[15].scaleX = 20;
  CurPVC().groups[15].scaleY = 30;
  CurPVC().writeLayer = 0xF0;
  EXPECT_EQ(GroupScaleX(kWriteLayerCode), 20);
  EXPECT_EQ(GroupScaleY(kWriteLayerCode), 30);
  EXPECT_EQ(GroupScaleX(0x00), 100);
  // Codes outside a byte do not reach past the groups.
  EXPECT_EQ(GroupOfCode(CurPVC(), 4096), 15);
  EXPECT_EQ(GroupOfCode(CurPVC(), -1), 0);
}

// ---- Normalisation --------------------------------------------------------

TEST_F(PvcTest, NormalizeFillsPensAndPresets) {
  TPVC p = DefaultPVC();
  p.writePen = 0;
  p.penPresets = {0, 0, 0x33, 0x34, 0x35, 0x36};
  NormalizePVC(p);
  EXPECT_EQ(p.writePen, 0x11);
  EXPECT_EQ(p.penPresets, (std::array<std::int32_t, 6>{0x11, 0x21, 0x23, 0x25, 0x35, 0x36}));

  p.writePen = 0x42;
  p.penPresets = {0, 0x61, 0x62, 0x63, 0, 0x65};
  NormalizePVC(p);
  EXPECT_EQ(p.writePen, 0x42);
  EXPECT_EQ(p.penPresets, (std::array<std::int32_t, 6>{0x42, 0x61, 0x62, 0x63, 0x51, 0x53}));
}

TEST_F(PvcTest, NormalizeShowsTheWriteGroupAndLayer) {
  TPVC p = DefaultPVC();
  for (TGroupEntry& g : p.groups) {
    g.visible = false;
    for (TLayerEntry& l : g.layers) l.visible = false;
  }
  p.writeLayer = 0x5C;
  NormalizePVC(p);
  for (int g = 0; g < kGroupCount; ++g) {
    EXPECT_EQ(p.groups[g].visible, g == 5) << g;
    for (int l = 0; l < kLayerCount; ++l)
      EXPECT_EQ(p.groups[g].layers[l].visible, g == 5 && l == 0xC) << g << "," << l;
  }
}

TEST_F(PvcTest, NormalizeClampsIndicesIntoRange) {
  struct Case {
    std::int32_t writeLayer, lastLayer, textSize;
    std::uint16_t dimTextSize;
    std::int32_t colour;
    std::int32_t wantLayer, wantLast, wantSize;
    std::uint16_t wantDimSize;
    std::int32_t wantColour;
  };
  const Case cases[] = {
      {0x23, 5, 4, 3, 7, 0x23, 5, 4, 3, 7},  // in range: unchanged
      {300, 16, 11, 65535, 16, 255, 15, 10, 10, 15},
      {-5, -1, -1, 0, 0, 0, 0, 0, 0, 1},
  };
  for (const Case& c : cases) {
    TPVC p = DefaultPVC();
    p.writeLayer = c.writeLayer;
    p.groups[2].lastLayer = c.lastLayer;
    p.textSize = c.textSize;
    p.dimTextSize = c.dimTextSize;
    p.pens[10].colorIndex = c.colour;
    p.selectionColor = c.colour;
    NormalizePVC(p);
    EXPECT_EQ(p.writeLayer, c.wantLayer) << c.writeLayer;
    EXPECT_EQ(p.groups[2].lastLayer, c.wantLast) << c.lastLayer;
    EXPECT_EQ(p.textSize, c.wantSize) << c.textSize;
    EXPECT_EQ(p.dimTextSize, c.wantDimSize) << c.dimTextSize;
    EXPECT_EQ(p.pens[10].colorIndex, c.wantColour) << c.colour;
    EXPECT_EQ(p.selectionColor, c.wantColour) << c.colour;
    EXPECT_TRUE(p.groups[WriteGroup(p)].layers[WriteLayerNumber(p)].visible);
  }
}

TEST_F(PvcTest, DefaultsAreAlreadyNormalAndFillEverySlot) {
  TPVC p = DefaultPVC();
  NormalizePVC(p);
  const TPVC d = DefaultPVC();
  EXPECT_EQ(p.writePen, d.writePen);
  EXPECT_EQ(p.penPresets, d.penPresets);
  EXPECT_EQ(p.writeLayer, d.writeLayer);
  EXPECT_EQ(p.textSize, d.textSize);
  for (int k = 1; k < kPenTableSize; ++k) EXPECT_EQ(p.pens[k].colorIndex, d.pens[k].colorIndex) << k;

  for (const TPVC& slot : g_pvc.slots) {
    EXPECT_EQ(slot.basicScale, d.basicScale);
    EXPECT_EQ(slot.writePen, d.writePen);
    EXPECT_EQ(MakeMojiSizeList(slot).items, MakeMojiSizeList(d).items);
  }
}

// ---- Window slots ---------------------------------------------------------

TEST_F(PvcTest, WindowSwitchExchangesTheSlots) {
  // A path longer than 255 bytes is kept whole.
  const std::string longPath = "/home/user/" + std::string(300, 'd') + "/plan.vld";
  CurPVC().fileName = longPath;
  CurPVC().basicScale = 50;
  CurPVC().view.wx1 = -10;
  CurPVC().prevView.wx2 = 99;
  GcellAddLine(0x12, 0x11, 0, 0, 10, 0);
  ASSERT_EQ(LayerCount(CurPVC(), 0x12), 1);

  ASSERT_TRUE(SwapWorkingSettings(1, 2));
  SetStoreWindow(2);
  EXPECT_EQ(CurPVC().fileName, "");  // window 2 starts from the defaults
  EXPECT_EQ(CurPVC().basicScale, 100);
  EXPECT_EQ(LayerCount(CurPVC(), 0x12), 0);
  CurPVC().fileName = "/tmp/two.vld";
  GcellAddLine(0x12, 0x11, 0, 0, 10, 0);
  GcellAddLine(0x12, 0x11, 0, 5, 10, 5);
  // Window 1's record is a copy, untouched by what window 2 does.
  CurPVC().view.wx1 = 555;
  EXPECT_EQ(g_pvc.slots[1].view.wx1, -10);
  EXPECT_EQ(g_pvc.slots[1].modified, 1);

  ASSERT_TRUE(SwapWorkingSettings(2, 1));
  SetStoreWindow(1);
  EXPECT_EQ(CurPVC().fileName, longPath);
  EXPECT_EQ(CurPVC().basicScale, 50);
  EXPECT_EQ(CurPVC().view.wx1, -10);
  EXPECT_EQ(CurPVC().prevView.wx2, 99);
  EXPECT_EQ(LayerCount(CurPVC(), 0x12), 1);
  EXPECT_EQ(CurPVC().modified, 1);
  EXPECT_EQ(g_pvc.slots[2].fileName, "/tmp/two.vld");
  EXPECT_EQ(g_pvc.slots[2].view.wx1, 555);
  EXPECT_EQ(LayerCount(g_pvc.slots[2], 0x12), 2);
  EXPECT_EQ(g_pvc.slots[2].modified, 2);
}

TEST_F(PvcTest, SwitchToTheSameOrAnUnknownWindowDoesNothing) {
  CurPVC().basicScale = 7;
  g_pvc.slots[1].basicScale = 8;
  g_pvc.slots[2].basicScale = 9;
  const int pairs[][2] = {{1, 1}, {2, 2}, {0, 1}, {1, 3}, {-1, 2}};
  for (const auto& pr : pairs) EXPECT_FALSE(SwapWorkingSettings(pr[0], pr[1])) << pr[0] << "->" << pr[1];
  EXPECT_EQ(CurPVC().basicScale, 7);
  EXPECT_EQ(g_pvc.slots[1].basicScale, 8);
  EXPECT_EQ(g_pvc.slots[2].basicScale, 9);
}

TEST_F(PvcTest, TheLoadedSlotIsNormalized) {
  g_pvc.slots[2].writePen = 0;
  g_pvc.slots[2].writeLayer = 0x71;
  g_pvc.slots[2].groups[7].visible = false;
  ASSERT_TRUE(SwapWorkingSettings(1, 2));
  EXPECT_EQ(CurPVC().writePen, 0x11);
  EXPECT_TRUE(CurPVC().groups[7].visible);
}

// ---- Counters -------------------------------------------------------------

TEST_F(PvcTest, CountingCellsOfARepaint) {
  TPVC& p = CurPVC();
  GcellAddLine(0x21, 0x11, 0, 0, 10, 0);
  GcellAddText(0x21, 1, 0x11, "abc", 0, 0, 0, 0);
  p.groups[2].count = 5;
  p.lineCount = p.textCount = 9;

  ResetLayerCounts(p);
  EXPECT_EQ(LayerCount(p, 0x21), 0);
  EXPECT_EQ(p.groups[2].count, 0);
  EXPECT_EQ(p.lineCount, 0);
  EXPECT_EQ(p.textCount, 0);

  TGcell c;
  c.layer = 0x21;
  const std::int8_t kinds[] = {GK_LINE, GK_TEXT, GK_ARC, GK_POINT, 0, -GK_LINE};
  for (std::int8_t kind : kinds) {
    c.kind = kind;
    CountCell(p, c);
  }
  EXPECT_EQ(LayerCount(p, 0x21), 4);  // dead and deleted cells are not counted
  EXPECT_EQ(p.lineCount, 3);
  EXPECT_EQ(p.textCount, 1);
}

}  // namespace
