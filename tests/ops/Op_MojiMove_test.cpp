// The text move operation: locked moves, typed and measured angles, a right
// pick landing the text offset from the clicked point, the placement after
// the store compacts, and the alignment of texts in their frame.
#include "ops/Op_MojiMove.h"

#include <cmath>
#include <string>
#include <vector>

#include "OpTest.h"
#include "StoreCells.h"
#include "render/GC_Tenkai.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

class MojiMoveTest : public CentredOpTest {
protected:
  int AddText(TPointD at, double angle, const std::string& s = "ABC") {
    TGcell t = MakeText(s, at, angle);
    t.size = 1;
    t.pen = 1;
    const int i = GcellAdd(t);
    GcellCommit();
    ViewRedraw(1);
    return i;
  }
  // A point inside a text's box, for picking it.
  static TPointD Inside(const TGcell& t) {
    return TextOf(t).at + Rotated({TextExtent(t) / 2, TextMetrics(t).height / 2}, TextOf(t).angle);
  }
  void MoveTo(TPointD p) { ui.Move(Pixel(p).x, Pixel(p).y); }
};

TEST_F(MojiMoveTest, LockedMovesAlongOrAcrossTheText) {
  for (const double angle : {0.0, kPi / 2}) {
    SCOPED_TRACE(angle);
    GcellClearWindow(StoreWindow());
    ui.Choose(OpBtn_Line);
    ui.Choose(OpBtn_MojiMove);
    ui.SubMenu(1);
    EXPECT_EQ(SubOption(1).raw, "①方向(左右)");
    AddText({0, 0}, angle);
    const TGcell before = StoreCells(GK_TEXT).at(0);
    const TPointD p = At(Inside(before));
    L(p);
    EXPECT_EQ(Prompt(), "移動位置を指示(L)or(R)");
    L(p + TPointD{30, 40});
    const TGcell after = StoreCells(GK_TEXT).at(0);
    const TPointD moved = TextOf(after).at - TextOf(before).at;
    const TPointD want = angle == 0 ? TPointD{30, 0} : TPointD{0, 40};
    EXPECT_NEAR(moved.x, want.x, 1e-6);
    EXPECT_NEAR(moved.y, want.y, 1e-6);
    EXPECT_EQ(StoreCells(GK_TEXT).size(), 1u);
  }
}

TEST_F(MojiMoveTest, TypedAndMeasuredAngles) {
  ui.Choose(OpBtn_MojiMove);
  AddText({0, 0}, 0);
  Value(2, "30");
  EXPECT_EQ(SubOption(2).raw, "②角度=30");
  L(At(Inside(StoreCells(GK_TEXT).at(0))));
  ASSERT_EQ(g_mojiMoveOp.run.preview.Cells().size(), 1u);
  EXPECT_NEAR(BoxOf(g_mojiMoveOp.run.preview.Cells()[0]).angle, kPi / 6, 1e-12);
  L({100, 100});
  EXPECT_NEAR(TextOf(StoreCells(GK_TEXT).at(0)).angle, kPi / 6, 1e-12);

  ui.SubMenu(3);
  EXPECT_EQ(Prompt(), "角度始点(原点)を指示(L)or(R)");
  L(At({0, 0}));
  EXPECT_EQ(Prompt(), "角度終点を指示(L)or(R)");
  L(At({100, 100}));
  EXPECT_EQ(SubOption(2).raw, "②角度=45.00");
  EXPECT_EQ(Prompt(), "移動する文字を指示(L)or(R)");
}

// A right pick placed on a snapped corner: the reference point lands the
// text offset along and across the text's direction from it.
TEST_F(MojiMoveTest, RightPickLandsTheOffsetFromTheCorner) {
  CurPVC().textOffset = 2;
  GcellAddLine(0, 0x11, 0, 0, 0, -50);  // a corner to snap to at (0, 0)
  for (const double angle : {0.0, kPi / 2}) {
    SCOPED_TRACE(angle);
    ui.Choose(OpBtn_Line);
    ui.Choose(OpBtn_MojiMove);
    const int i = AddText({150, 120}, angle);
    R(At(Inside(GcellRef(i))));
    R({0, 0});
    const std::vector<TGcell> texts = StoreCells(GK_TEXT);
    const TPointD at = TextOf(texts.back()).at;
    const TPointD want = angle == 0 ? TPointD{200, 200} : TPointD{-200, 200};
    EXPECT_NEAR(at.x, want.x, 1e-9);
    EXPECT_NEAR(at.y, want.y, 1e-9);
    GcellClearWindow(StoreWindow());
    GcellAddLine(0, 0x11, 0, 0, 0, -50);
  }
}

TEST_F(MojiMoveTest, PlacementAfterTheStoreCompacts) {
  for (int i = 0; i < 700; ++i) GcellAddLine(0, 0x11, 200, 100 + i * 0.1, 210, 100 + i * 0.1);
  GcellCommit();
  ui.Choose(OpBtn_MojiMove);
  AddText({0, 0}, 0, "X");
  AddText({0, -100}, 0, "Y");
  L(At(Inside(StoreCells(GK_TEXT).at(0))));
  for (int i = 1; i <= 700; ++i) GcellDelete(i);  // deleted before the placement's commit compacts
  L({50, 50});
  const std::vector<TGcell> texts = StoreCells(GK_TEXT);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(StoreCells(GK_LINE).size(), 0u);
  bool movedX = false, keptY = false;
  for (const TGcell& t : texts) {
    if (t.text == "X") movedX = TextOf(t).at.y > 10;
    if (t.text == "Y") keptY = TextOf(t).at.y == -100;
  }
  EXPECT_TRUE(movedX);
  EXPECT_TRUE(keptY);
}

TEST_F(MojiMoveTest, AlignmentInTheFrame) {
  TPVC& p = CurPVC();
  p.textOffset = 1;  // r = 100
  for (int n = 1; n <= 10; ++n) p.textSizes[n] = {n + 1.0, n + 1.0, 0, std::min(n, 6), 0};  // no spacing
  struct Case {
    int vertical, horizontal;  // presses of ① and ② from "①上下(・・)", "②$左寄せ"
    bool frameLeft;
    double x, y;  // expected, with L and H added below (NaN: unchanged)
  };
  const auto run = [&](int vPresses, int hPresses, bool frameLeft) {
    GcellClearWindow(StoreWindow());
    if (frameLeft) GcellAddLine(0, 0x11, 0, -100, 0, 600);
    GcellAddLine(0, 0x11, 1000, -100, 1000, 600);
    GcellAddLine(0, 0x11, -100, 0, 1100, 0);
    GcellAddLine(0, 0x11, -100, 500, 1100, 500);
    const int i = AddText({300, 200}, 0, "ABC");
    const TGcell t = GcellRef(i);
    ui.Choose(OpBtn_Line);
    g_mojiMoveOp.options = {};
    ui.Choose(OpBtn_MojiMove);
    ui.SubMenu(5);
    for (int k = 0; k < vPresses; ++k) ui.SubMenu(1);
    for (int k = 0; k < hPresses; ++k) ui.SubMenu(2);
    L({-50, -50});
    L({1050, 550});
    EXPECT_EQ(Prompt(), "文字寄せ範囲：始点指示(L)");
    return std::pair{t, StoreCells(GK_TEXT).at(0)};
  };
  const auto [t0, left] = run(0, 0, true);
  const double len = TextExtent(t0), h = TextMetrics(t0).height;
  EXPECT_NEAR(TextOf(left).at.x, 100, 1e-6);  // "②$左寄せ"
  EXPECT_NEAR(TextOf(left).at.y, 200, 1e-6);
  EXPECT_NEAR(TextOf(run(0, 2, true).second).at.x, 900 - len, 1e-6);        // "②$右寄せ"
  EXPECT_NEAR(TextOf(run(0, 1, true).second).at.x, 500 - len / 2, 1e-6);    // "②$左右中央"
  EXPECT_NEAR(TextOf(run(1, 3, true).second).at.y, 400 - h, 1e-6);          // "①$上寄せ", "②左右(・・)"
  EXPECT_NEAR(TextOf(run(3, 3, true).second).at.y, 100, 1e-6);              // "①$下寄せ"
  EXPECT_NEAR(TextOf(run(0, 0, false).second).at.x, 300, 1e-6);             // no line on the left
  const TGcell still = run(0, 3, true).second;                              // both "(・・)"
  EXPECT_NEAR(TextOf(still).at.x, 300, 1e-6);
  EXPECT_NEAR(TextOf(still).at.y, 200, 1e-6);
}

}  // namespace
