// The table frame move: a border picked and moved (what lies beyond moves,
// crossing lines stretch, a polygon moves whole), the next border without a
// new selection, a move after the store was compacted, the preview's frames
// spaced by a timer on the operation's clock, one undo per move.
#include "ops/Op_HyoMove.h"

#include <string>
#include <vector>

#include "OpTest.h"
#include "StoreCells.h"
#include "app/ApUndo.h"
#include "app/Ap_Unit1.h"
#include "app/GC_View.h"
#include "render/GC_Draw.h"
#include "render/RasterCanvas.h"

namespace {

class HyoMoveTest : public CentredOpTest {
protected:
  void SetUp() override {
    CentredOpTest::SetUp();
    g_hyoMoveOp.clock = [this] { return now_; };
  }
  // Vertical lines x = 0, 100, 200 (y -150..150), horizontal lines y = -150,
  // -50, 50, 150 (x 0..200), texts at (20, -100) and (120, -100).
  static void Table() {
    for (double x : {0, 100, 200}) AddLine(x, -150, x, 150);
    for (double y : {-150, -50, 50, 150}) AddLine(0, y, 200, y);
    for (double x : {20, 120}) {
      TGcell t = MakeText("T", {x, -100}, 0);
      t.size = 1;
      t.pen = 1;
      GcellAdd(t);
    }
    GcellCommit();
    ViewRedraw(1);
  }
  void SelectAll() {
    ui.Choose(OpBtn_HyoMove);
    L({-50, -200});
    R({250, 200});
  }
  void MovePointer(TPointD p) { ui.Move(Pixel(p).x, Pixel(p).y); }
  // The vertical lines' x and the horizontal lines' right ends.
  static std::vector<double> Xs() {
    std::vector<double> out;
    for (const TLineGeom& l : Lines())
      if (l.a.x == l.b.x) out.push_back(l.a.x);
    return out;
  }
  double now_ = 1000;
};

TEST_F(HyoMoveTest, AVerticalBorderMovedStretchesAndMovesWhatLiesBeyond) {
  Table();
  ui.Choose(OpBtn_HyoMove);
  EXPECT_EQ(Prompt(), "表範囲：「始点指示(L)");
  L({-50, -200});
  EXPECT_EQ(Prompt(), "表範囲：終点指示(L)」、確定指示(R)");
  R({250, 200});
  EXPECT_EQ(Prompt(), "移動する基準線を指示(L)or(R)");
  MovePointer({100, 0});
  EXPECT_EQ(g_form1.drawCursor, CursorShape::SizeWE);
  MovePointer({50, 0});
  EXPECT_EQ(g_form1.drawCursor, CursorShape::Point4);
  // A click away from every table line beeps.
  const int beeps = platform().beeps();
  L({50, 0});
  EXPECT_EQ(platform().beeps(), beeps + 1);
  L({100, 0});
  EXPECT_EQ(Prompt(), "移動位置を位置指示(L)or(R)");
  EXPECT_EQ(g_form1.drawCursor, CursorShape::SplitH);
  L({130, 0});
  const double d = At({130, 0}).x - 100;
  EXPECT_EQ(Xs(), (std::vector<double>{0, 100 + d, 200 + d}));
  for (const TLineGeom& l : Lines())
    if (l.a.y == l.b.y) EXPECT_EQ(std::max(l.a.x, l.b.x), 200 + d);
  const std::vector<TGcell> texts = StoreCells(GK_TEXT);
  EXPECT_EQ(texts[0].p[0], 20);
  EXPECT_EQ(texts[1].p[0], 120 + d);
  // The table stays selected: a horizontal border next, moved down 20.
  EXPECT_EQ(CountSelected(), 9);
  L({50, -50});
  EXPECT_EQ(g_form1.drawCursor, CursorShape::SplitV);
  L({50, -70});
  const double dy = At({50, -70}).y + 50;
  for (const TLineGeom& l : Lines()) {
    if (l.a.x != l.b.x) continue;
    EXPECT_EQ(std::min(l.a.y, l.b.y), -150 + dy) << "lengthened at the lower end";
    EXPECT_EQ(std::max(l.a.y, l.b.y), 150);
  }
  EXPECT_EQ(StoreCells(GK_TEXT)[1].p[1], -100 + dy);
  // One undo per move.
  Btn_UndoClick();
  for (const TLineGeom& l : Lines())
    if (l.a.x == l.b.x) EXPECT_EQ(std::min(l.a.y, l.b.y), -150);
  EXPECT_EQ(Xs(), (std::vector<double>{0, 100 + d, 200 + d}));
}

TEST_F(HyoMoveTest, EndsAtTheBorderMovePolygonsMoveWholeAndShrunkLinesLeave) {
  CurPVC().basicScale = 100;  // tolerance 1
  const double x0 = At({0, 0}).x;
  AddLine(100, -150, 100, 150);  // the border
  AddLine(0, 50, 99.5, 50);      // ends within the tolerance: stretched
  AddLine(0, 60, 98, 60);        // ends before: stays
  AddLine(x0, 70, 100, 70);      // shrinks to nothing when the border goes to x0
  TGcell polygon;
  polygon.kind = GK_POLYGON;
  polygon.pen = 0x11;
  const double xs[] = {150, 180, 180}, ys[] = {100, 100, 140};
  PolygonSetVertices(polygon, xs, ys, 3);
  polygon.text = "$00FF0000" + polygon.text.substr(polygon.text.find(','));
  GcellAdd(polygon);
  GcellCommit();
  ViewRedraw(1);
  SelectAll();
  EXPECT_EQ(CountSelected(), 5);
  L({100, 120});
  const TPointD to = At({130, 120});
  L({130, 120});
  const double d = to.x - 100;
  auto rightEndAt = [](double y) {
    for (const TLineGeom& l : Lines())
      if (l.a.y == y && l.b.y == y) return std::max(l.a.x, l.b.x);
    return -1.0;
  };
  EXPECT_EQ(rightEndAt(50), 99.5 + d);
  EXPECT_EQ(rightEndAt(60), 98);
  EXPECT_EQ(rightEndAt(70), 100 + d);
  std::vector<double> px, py;
  const TGcell moved = StoreCells(GK_POLYGON).at(0);
  ASSERT_EQ(PolygonGetVertices(moved.text, px, py), 3);
  EXPECT_NEAR(px[0], 150 + d, 0.01);
  EXPECT_NEAR(px[2], 180 + d, 0.01);
  EXPECT_NEAR(moved.p[0], 150 + d, 0.01) << "its bounding box with it";
  // The border moved back to x0: the line from x0 shrinks to nothing and
  // leaves the table; the next move works on what is left.
  L({to.x, 120});
  L({0, 120});
  EXPECT_EQ(rightEndAt(70), -1.0);
  EXPECT_EQ(CountSelected(), 4);
  EXPECT_EQ(g_hyoMoveOp.run.cells.size(), 4u);
  L({x0, 140});
  L({20, 140});
  EXPECT_EQ(CountSelected(), 4);
  Btn_UndoClick();
  Btn_UndoClick();  // undo toggles: the same step back again
  EXPECT_EQ(rightEndAt(70), -1.0);
}

TEST_F(HyoMoveTest, TwoMovesAfterACompactionMoveExactlyTheTable) {
  // 700 cells beyond the border, and others that are not part of the table.
  AddLine(0, -200, 0, 200);
  for (int i = 0; i < 700; ++i) AddLine(10, -175 + 0.5 * i, 20, -175 + 0.5 * i);
  for (int i = 0; i < 50; ++i) AddLine(50, -100 + 4 * i, 60, -100 + 4 * i);
  for (int i = 1; i <= 701; ++i) GcellRef(i);
  GcellCommit();
  for (int i = 1; i <= 701; ++i) {
    GcellSelect(i);
    GcellUnselect(i);
  }
  // The table as the previous range: the mark of the last selection.
  for (int i = 1; i <= 701; ++i) g_gcdb.cells[static_cast<std::size_t>(i)].pen |= PEN_SELMARK;
  g_hyoMoveOp.hasPrevious = true;
  ViewRedraw(1);
  ui.Choose(OpBtn_HyoMove);
  EXPECT_EQ(SubOption(1).raw, "①前範囲");
  ui.SubMenu(1);
  EXPECT_EQ(CountSelected(), 701);
  double total = 0;
  for (double step : {20.0, 30.0}) {
    L({total, 190});
    L({total + step, 190});
    ASSERT_EQ(g_hyoMoveOp.run.state, TableState::PickBorder);
    total = LineOf(GcellRef(g_hyoMoveOp.run.cells.at(0))).a.x;
  }
  int table = 0, others = 0;
  for (const TGcell& c : StoreCells(GK_LINE)) {
    const TLineGeom l = LineOf(c);
    if (l.a.x == l.b.x) {
      EXPECT_NEAR(l.a.x, total, 1e-9);
      continue;
    }
    if (c.pen & PEN_SELECTED) {
      ++table;
      EXPECT_NEAR(l.a.x, 10 + total, 1e-9);
    } else {
      ++others;
      EXPECT_EQ(l.a.x, 50) << "not part of the table";
    }
  }
  EXPECT_EQ(table, 700);
  EXPECT_EQ(others, 50);
}

TEST_F(HyoMoveTest, FramesComeFromTheSavedImageAtMost100MsApart) {
  Table();
  const std::vector<std::uint32_t> before = ViewBuffer().Image().pixels;
  SelectAll();
  L({100, 0});
  const std::vector<std::uint32_t> first = ViewBuffer().Image().pixels;
  EXPECT_NE(first, before) << "the first frame at once";
  // A move 10 ms later waits for its timer; the frame it draws is the
  // latest pointer's.
  now_ += 10;
  MovePointer({140, 0});
  EXPECT_EQ(platform().activeTimers(), 1);
  EXPECT_EQ(ViewBuffer().Image().pixels, first);
  now_ += 5;
  MovePointer({150, 0});
  EXPECT_EQ(platform().activeTimers(), 1);
  now_ += 40;
  platform().FireTimers();
  EXPECT_EQ(platform().activeTimers(), 0);
  const std::vector<std::uint32_t> moved = ViewBuffer().Image().pixels;
  EXPECT_NE(moved, first);
  // A move long after draws at once.
  now_ += 500;
  MovePointer({120, 0});
  EXPECT_EQ(platform().activeTimers(), 0);
  EXPECT_NE(ViewBuffer().Image().pixels, moved);
  // Esc puts the saved image back: the table as it was, selected.
  ui.Esc();
  EXPECT_EQ(g_hyoMoveOp.run.state, TableState::PickBorder);
  RasterCanvas fresh;
  fresh.SetSize(ViewBuffer().Width(), ViewBuffer().Height());
  std::vector<std::uint32_t> shown = ViewBuffer().Image().pixels;
  ViewRedraw(1);
  EXPECT_EQ(shown, ViewBuffer().Image().pixels);
  // Ending the operation leaves the table as it is and no timer.
  ui.Choose(OpBtn_Line);
  EXPECT_EQ(platform().activeTimers(), 0);
  EXPECT_EQ(CountSelected(), 0);
  EXPECT_EQ(ViewBuffer().Image().pixels, before);
}

}  // namespace
