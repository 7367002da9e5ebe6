// The centre line and the brackets: middle lines of points, crossing and
// parallel lines and of a line and a point against sympy's; the segment
// projected onto it, Esc stepping back, one undo; brackets of the four kinds
// standing and lying, opening either way, and nothing under a pixel.
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "OpTest.h"
#include "StoreCells.h"
#include "app/ApUndo.h"
#include "app/Ap_Unit1.h"
#include "ops/Op_CenterLine.h"
#include "ops/Op_Kakko.h"
#include "render/Z_Graph.h"

namespace {

#include "data/center_bracket_reference.inc"

constexpr double kPi = std::numbers::pi;

class CenterLineTest : public CentredOpTest {};

TCenterRef PointRef(const double* v) {
  TCenterRef r;
  r.kind = GK_POINT;
  r.at = {v[0], v[1]};
  return r;
}
TCenterRef LineRef(const double* v) {
  TCenterRef r;
  r.kind = GK_LINE;
  r.line = MakeLine({v[0], v[1]}, {v[2], v[3]});
  r.at = {v[4], v[5]};
  return r;
}

TEST_F(CenterLineTest, MiddleLinesMatchTheReference) {
  for (const TCenterReference& c : kCenterReferences) {
    SCOPED_TRACE(c.name);
    const TCenterRef a = c.kind == 0 ? PointRef(c.ref[0]) : LineRef(c.ref[0]);
    const TCenterRef b = c.kind == 1 ? LineRef(c.ref[1]) : PointRef(c.ref[1]);
    // In either order for a line and a point.
    for (bool swapped : {false, true}) {
      if (swapped && c.kind != 2) continue;
      TPointD at;
      double r = 0;
      ASSERT_TRUE(swapped ? MiddleLine(b, a, at, r) : MiddleLine(a, b, at, r));
      // Parallel to the reference and through its point.
      EXPECT_NEAR(std::cos(r) * c.dy - std::sin(r) * c.dx, 0, 1e-12);
      EXPECT_NEAR((at.x - c.px) * c.dy - (at.y - c.py) * c.dx, 0, 1e-9);
    }
  }
  // The same point twice gives no middle line.
  const double p[6] = {5, 5};
  TPointD at;
  double r = 0;
  EXPECT_FALSE(MiddleLine(PointRef(p), PointRef(p), at, r));
}

TEST_F(CenterLineTest, TwoPointsThenTheSegmentProjectedOntoTheMiddleLine) {
  AddLine(0, 0, 100, 0);
  ViewRedraw(1);
  ui.Choose(OpBtn_CenterLine);
  EXPECT_EQ(Prompt(), "中心線：線１(L),1点目(R)、指示");
  EXPECT_EQ(g_form1.drawCursor, CursorShape::Point1);
  R({0, 0});
  EXPECT_EQ(Prompt(), "中心線：線２(L),1点目(R)、指示");
  EXPECT_EQ(g_form1.drawCursor, CursorShape::Point2);
  // The same point again: a beep, no middle line.
  const int beeps = platform().beeps();
  R({0, 0});
  EXPECT_EQ(platform().beeps(), beeps + 1);
  EXPECT_EQ(g_centerLineOp.run.state, CenterState::Ref2);
  R({100, 0});
  EXPECT_EQ(Prompt(), "中心線：始点(L)or(R)");
  // The whole middle line crosses the view.
  ASSERT_EQ(g_centerLineOp.run.preview.Cells().size(), 1u);
  const TLineGeom whole = LineOf(g_centerLineOp.run.preview.Cells()[0]);
  EXPECT_NEAR(whole.a.x, 50, 1e-9);
  EXPECT_GT(std::fabs(whole.b.y - whole.a.y), 600);
  L({10, 30});
  EXPECT_EQ(Prompt(), "中心線：終点(L)or(R)");
  L({70, -20});
  const std::vector<TLineGeom> lines = Lines();
  ASSERT_EQ(lines.size(), 2u);
  ExpectLine(lines[1], {50, At({10, 30}).y}, {50, At({70, -20}).y});
  EXPECT_EQ(Live(GK_LINE)[1].pen, CurPVC().writePen);
  EXPECT_EQ(Prompt(), "中心線：線１(L),1点目(R)、指示");
  EXPECT_TRUE(g_centerLineOp.run.refShown[0].Cells().empty());
  // One undo removes the segment.
  Btn_UndoClick();
  EXPECT_EQ(Lines().size(), 1u);
}

TEST_F(CenterLineTest, PickedLinesAndEscSteppingBack) {
  AddLine(-100, 0, 100, 0);
  AddLine(0, -100, 0, 100);
  AddLine(-200, 40, 200, 40);
  ViewRedraw(1);
  ui.Choose(OpBtn_CenterLine);
  // Nothing under a left click: no reference.
  L({150, -150});
  EXPECT_EQ(g_centerLineOp.run.state, CenterState::Ref1);
  L({60, 0});
  ASSERT_EQ(g_centerLineOp.run.refShown[0].Cells().size(), 1u);
  EXPECT_TRUE(g_centerLineOp.run.refShown[0].Cells()[0].pen & PEN_SELECTED);
  ui.Esc();
  EXPECT_EQ(g_centerLineOp.run.state, CenterState::Ref1);
  EXPECT_TRUE(g_centerLineOp.run.refShown[0].Cells().empty());
  // Picked on -x and +y: the middle line at 135 degrees.
  L({-60, 0});
  L({0, 70});
  EXPECT_EQ(g_centerLineOp.run.state, CenterState::Start);
  L({-50, 50});
  ui.Esc();  // back to the whole line
  EXPECT_EQ(g_centerLineOp.run.state, CenterState::Start);
  L({-30, 30});
  L({30, -30});
  const TPointD s = At({-30, 30}), e = At({30, -30});
  ExpectLine(Lines().back(), {(s.x - s.y) / 2, (s.y - s.x) / 2}, {(e.x - e.y) / 2, (e.y - e.x) / 2});
  // Parallels y = 0 and y = 40: the middle line y = 20; Esc in the start
  // step lets the second reference go.
  L({60, 0});
  L({0, 70});
  ui.Esc();
  EXPECT_EQ(g_centerLineOp.run.state, CenterState::Ref2);
  L({150, 40});
  L({-150, 0});
  L({150, 0});
  ExpectLine(Lines().back(), {At({-150, 0}).x, 20}, {At({150, 0}).x, 20});
  // A line and a point: y = 0 and (0, 40) give y = 20 as well.
  L({60, 0});
  R({200, 40});
  L({-10, 5});
  L({10, 5});
  ExpectLine(Lines().back(), {At({-10, 5}).x, 20}, {At({10, 5}).x, 20});
  EXPECT_EQ(Lines().size(), 6u);
}

// ---- Brackets ----------------------------------------------------------------

std::vector<TGcell> Bracket(int kind, TPointD s, TPointD e, double p = 0.5) {
  TGcell pattern;
  pattern.layer = 0x23;
  pattern.pen = 0x15;
  return BuildBracket(kind, s, e, p, pattern);
}

void ExpectLines(const std::vector<TGcell>& cells, std::vector<std::pair<TPointD, TPointD>> want) {
  ASSERT_EQ(cells.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) {
    SCOPED_TRACE(i);
    ASSERT_EQ(cells[i].kind, GK_LINE);
    const TLineGeom l = LineOf(cells[i]);
    EXPECT_NEAR(l.a.x, want[i].first.x, 1e-9);
    EXPECT_NEAR(l.a.y, want[i].first.y, 1e-9);
    EXPECT_NEAR(l.b.x, want[i].second.x, 1e-9);
    EXPECT_NEAR(l.b.y, want[i].second.y, 1e-9);
  }
}

TEST_F(CenterLineTest, SquareAndTortoiseShellBrackets) {
  // Standing, closing; the points reversed give the opening one.
  ExpectLines(Bracket(4, {0, 0}, {20, 100}), {{{0, 100}, {20, 100}}, {{20, 100}, {20, 0}}, {{20, 0}, {0, 0}}});
  ExpectLines(Bracket(4, {20, 100}, {0, 0}), {{{20, 0}, {0, 0}}, {{0, 0}, {0, 100}}, {{0, 100}, {20, 100}}});
  // Lying, dragged upwards: bulging upwards.
  ExpectLines(Bracket(4, {0, 0}, {100, 20}), {{{0, 0}, {0, 20}}, {{0, 20}, {100, 20}}, {{100, 20}, {100, 0}}});
  ExpectLines(Bracket(3, {0, 0}, {20, 100}), {{{0, 100}, {20, 90}}, {{20, 90}, {20, 10}}, {{20, 10}, {0, 0}}});
  for (const TGcell& c : Bracket(3, {0, 0}, {20, 100})) {
    EXPECT_EQ(c.layer, 0x23);
    EXPECT_EQ(c.pen, 0x15);
  }
}

TEST_F(CenterLineTest, Parentheses) {
  // Wide enough: a half circle about the middle of the left side.
  std::vector<TGcell> c = Bracket(1, {0, 0}, {60, 100});
  ASSERT_EQ(c.size(), 1u);
  ArcParams a = ArcOf(c[0]);
  EXPECT_NEAR(a.cx, 0, 1e-9);
  EXPECT_NEAR(a.cy, 50, 1e-9);
  EXPECT_NEAR(a.r, 50, 1e-9);
  EXPECT_NEAR(std::fmod(a.e - a.s + 4 * kPi, 2 * kPi), kPi, 1e-9);
  // Narrower: the arc through the left corners and the right side's middle.
  for (const TParenReference& ref : kParenReferences) {
    SCOPED_TRACE(ref.w);
    c = Bracket(1, {0, 0}, {ref.w, ref.h}, 0.1);
    ASSERT_EQ(c.size(), 1u);
    a = ArcOf(c[0]);
    EXPECT_NEAR(a.cx, ref.cx, 1e-6);
    EXPECT_NEAR(a.cy, ref.cy, 1e-6);
    EXPECT_NEAR(a.r, ref.r, 1e-6);
  }
  c = Bracket(1, {0, 0}, {40, 100});
  a = ArcOf(c[0]);
  const double half = std::asin(50 / 51.25);
  EXPECT_NEAR(a.s, -half, 1e-9);
  EXPECT_NEAR(a.e, half, 1e-9);
  EXPECT_NEAR(half * 180 / kPi, 77.32, 0.01);
  // Under a pixel wide: a straight line from corner to corner.
  c = Bracket(1, {0, 0}, {0.2, 100});
  ASSERT_EQ(c.size(), 1u);
  EXPECT_EQ(c[0].kind, GK_LINE);
  // Under a pixel both ways: nothing.
  EXPECT_TRUE(Bracket(1, {0, 0}, {0.3, 0.4}).empty());
  EXPECT_TRUE(Bracket(2, {5, 5}, {5, 5}).empty());
}

TEST_F(CenterLineTest, CurlyBraceJoinsEndToEnd) {
  const std::vector<TGcell> c = Bracket(2, {0, 0}, {80, 100});
  ASSERT_EQ(c.size(), 6u);
  EXPECT_NEAR(ArcOf(c[0]).r, 24.5, 1e-9);
  // The pieces' ends in drawing order: each starts where the last ended.
  std::vector<std::pair<TPointD, TPointD>> ends;
  for (const TGcell& cell : c) {
    if (cell.kind == GK_LINE) {
      const TLineGeom l = LineOf(cell);
      ends.push_back({l.a, l.b});
    } else {
      const ArcParams a = ArcOf(cell);
      ends.push_back({{a.cx + a.r * std::cos(a.s), a.cy + a.r * std::sin(a.s)},
                      {a.cx + a.r * std::cos(a.e), a.cy + a.r * std::sin(a.e)}});
    }
  }
  // Every joint is shared by two pieces (either end), the tips at the box's
  // left corners and the point at the middle of the right side.
  auto near = [](TPointD p, TPointD q) { return std::hypot(p.x - q.x, p.y - q.y) < 1e-9; };
  int tips = 0, point = 0;
  for (std::size_t i = 0; i < ends.size(); ++i)
    for (TPointD p : {ends[i].first, ends[i].second}) {
      int shared = 0;
      for (std::size_t j = 0; j < ends.size(); ++j)
        if (j != i && (near(p, ends[j].first) || near(p, ends[j].second))) ++shared;
      if (shared == 0) {
        EXPECT_TRUE(near(p, {0, 100}) || near(p, {0, 0})) << p.x << "," << p.y;
        ++tips;
      }
      if (near(p, {49, 50})) ++point;
    }
  EXPECT_EQ(tips, 2);
  EXPECT_EQ(point, 2);
}

TEST_F(CenterLineTest, TheOperationKeepsItsKindAndStoresOneStep) {
  ui.Choose(OpBtn_Kakko);
  EXPECT_EQ(Prompt(), "・括弧の始点指示(L)or(R)");
  EXPECT_EQ(SubOption(1).raw, "①$（　）");
  ui.SubMenu(4);
  EXPECT_EQ(SubOption(4).raw, "④$［　］");
  EXPECT_EQ(SubOption(1).raw, "①（　）");
  L({0, 0});
  EXPECT_EQ(Prompt(), "◆括弧の終点指示(L)or(R)");
  ui.Move(Pixel({20, 100}).x, Pixel({20, 100}).y);
  EXPECT_EQ(g_kakkoOp.run.preview.Cells().size(), 3u);
  ui.SubMenu(2);  // the preview follows the kind
  EXPECT_EQ(g_kakkoOp.run.preview.Cells().size(), 6u);
  ui.SubMenu(4);
  L({20, 100});
  const TPointD s = At({0, 0}), e = At({20, 100});
  ExpectLine(Lines()[0], {s.x, e.y}, e);
  EXPECT_EQ(Lines().size(), 3u);
  // A click under a pixel from the start stores nothing.
  L({50, 50});
  L({50, 50});
  EXPECT_EQ(Lines().size(), 3u);
  // The kind stays for the next time; one undo takes the bracket away.
  ui.Choose(OpBtn_Line);
  ui.Choose(OpBtn_Kakko);
  EXPECT_EQ(SubOption(4).raw, "④$［　］");
  Btn_UndoClick();
  EXPECT_TRUE(Lines().empty());
}

}  // namespace
