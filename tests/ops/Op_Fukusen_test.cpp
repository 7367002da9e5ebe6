// The parallel-line operation driven as a user would: parallel copies at a
// typed or mouse distance, counts, the count from the mouse, concentric
// copies, fan lines and the copies' end points.
#include "ops/Op_Fukusen.h"

#include <cmath>
#include <vector>

#include "OpTest.h"
#include "StoreCells.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

double Deg(double d) { return d * kPi / 180; }

class FukusenTest : public CentredOpTest {
protected:
  void SetUp() override {
    CentredOpTest::SetUp();
    GcellAddLine(0, 0x11, 0, 0, 100, 0);
    GcellCommit();
    ViewRedraw(1);
    ui.Choose(OpBtn_Fukusen);
  }
  // The y of every line of the store but the source, in order.
  static std::vector<double> CopyYs() {
    std::vector<double> ys;
    const std::vector<TGcell> lines = StoreCells(GK_LINE);
    for (std::size_t i = 1; i < lines.size(); ++i) ys.push_back(LineOf(lines[i]).a.y);
    return ys;
  }
  // The y of each copy, to the micrometre.
  static std::vector<double> Ys(const std::vector<TGcell>& copies) {
    std::vector<double> ys;
    for (const TGcell& c : copies) ys.push_back(std::round(LineOf(c).a.y * 1000) / 1000);
    return ys;
  }
};

TEST_F(FukusenTest, ParallelCopiesOnTheMousesSide) {
  EXPECT_EQ(Prompt(), "複線：元の線を指示(L)、前回入力と同じ間隔(R)");
  Value(1, "10");
  EXPECT_EQ(Prompt(), "複線：元の線を指示(L)");
  L({50, 0});
  EXPECT_EQ(Prompt(), "複線：複写位置を指示(L)or(R)");
  EXPECT_EQ(SubOption(4).raw, "④端点指示");
  L({50, 20});
  EXPECT_EQ(CopyYs(), (std::vector<double>{10}));
  L({50, 0});
  L({50, -20});
  EXPECT_EQ(CopyYs(), (std::vector<double>{10, -10}));
  EXPECT_EQ(LineOf(StoreCells(GK_LINE)[2]).b.x, 100);

  // ② 4 divides the spacing; the four copies are one undo step.
  GcellClearWindow(StoreWindow());
  GcellAddLine(0, 0x11, 0, 0, 100, 0);
  GcellCommit();
  Value(2, "4");
  EXPECT_EQ(SubOption(3).raw, "③マウス本数");
  L({50, 0});
  L({50, 20});
  EXPECT_EQ(CopyYs(), (std::vector<double>{2.5, 5, 7.5, 10}));
  ui.Key('Z', ssCtrl);
  EXPECT_EQ(StoreCells(GK_LINE).size(), 1u);
}

TEST_F(FukusenTest, CountsFromTheMouseAndWithoutSpacing) {
  Value(1, "10");
  Value(2, "4");
  ui.SubMenu(3);
  EXPECT_EQ(SubOption(2).raw, "②本数=マウス");
  EXPECT_FALSE(SubOption(3).enabled);
  L({50, 0});
  EXPECT_EQ(Ys(ParallelCopies({50, 34}, 0)), (std::vector<double>{10, 20, 30}));
  EXPECT_EQ(ParallelCopies({50, 35}, 0).size(), 4u);  // 3.5: halves to even
  EXPECT_EQ(ParallelCopies({50, 25}, 0).size(), 2u);
  EXPECT_EQ(ParallelCopies({50, 5000}, 0).size(), 100u);
  EXPECT_EQ(Ys(ParallelCopies({50, -34}, 0)), (std::vector<double>{-10, -20, -30}));

  // No spacing, two copies: half and all of the mouse distance.
  ui.Esc();
  Value(1, "0");
  Value(2, "2");
  L({50, 0});
  EXPECT_EQ(Ys(ParallelCopies({50, 30}, 0)), (std::vector<double>{15, 30}));

  // Write group 1:50 at basic scale 100: 10 mm is 20 units.
  ui.Esc();
  CurPVC().groups[0].scaleX = CurPVC().groups[0].scaleY = 50;
  Value(1, "10");
  Value(2, "1");
  L({50, 0});
  EXPECT_EQ(Ys(ParallelCopies({50, 30}, 0)), (std::vector<double>{20}));
}

TEST_F(FukusenTest, ConcentricCopies) {
  GcellAddCircle(0, 0x11, 0, 200, 50, 1, 0);
  GcellAdd([] {
    TGcell e = MakeCircle({0, -200}, 50, 0.5, 0);
    e.pen = 0x11;
    return e;
  }());
  GcellCommit();
  ViewRedraw(1);
  Value(1, "10");
  L({50, 200});
  EXPECT_EQ(ArcOf(ParallelCopies({70, 200}, 0).at(0)).r, 60);
  EXPECT_EQ(ArcOf(ParallelCopies({30, 200}, 0).at(0)).r, 40);
  // A spacing larger than the radius, inside: no copy, a beep.
  ui.Esc();
  Value(1, "60");
  L({50, 200});
  EXPECT_TRUE(ParallelCopies({20, 200}, 0).empty());
  const int beeps = platform().beeps();
  L({20, 200});
  EXPECT_EQ(platform().beeps(), beeps + 1);
  EXPECT_EQ(StoreCells(GK_CIRCLE).size(), 2u);
  // An ellipse keeps the distance on both axes: semi-axes 60 and 35.
  ui.Esc();
  Value(1, "10");
  L({50, -200});
  const ArcParams e = ArcOf(ParallelCopies({100, -200}, 0).at(0));
  EXPECT_DOUBLE_EQ(e.r, 60);
  EXPECT_DOUBLE_EQ(e.r * e.f, 35);
}

TEST_F(FukusenTest, FanLines) {
  GcellAddCircle(0, 0x11, 0, 200, 50, 1, 0);
  GcellCommit();
  ViewRedraw(1);
  struct Case {
    const char* spacing;
    const char* count;
    std::vector<double> turns;  // radians from the base direction
  };
  const std::vector<Case> cases = {
      {"30", "3", {Deg(10), Deg(20), Deg(30)}},
      {"+10", "1", {0.2}},
      {"-10", "1", {2 * std::asin(0.1)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.spacing);
    GcellClearWindow(StoreWindow());
    GcellAddCircle(0, 0x11, 0, 200, 50, 1, 0);
    GcellCommit();
    ViewRedraw(1);
    ui.Choose(OpBtn_Line);
    ui.Choose(OpBtn_Fukusen);
    ui.SubMenu(4);
    EXPECT_EQ(Prompt(), "扇線の基準円、円弧を指示(L)");
    L({0, 250});
    EXPECT_EQ(Prompt(), "扇線の基準(開始)点を指示(L)or(R)");
    L({50, 200});
    const double start = g_fukusenOp.run.fanStart;
    Value(1, c.spacing);
    Value(2, c.count);
    L({50 * std::cos(Deg(40)), 200 + 50 * std::sin(Deg(40))});
    const std::vector<TGcell> lines = StoreCells(GK_LINE);
    ASSERT_EQ(lines.size(), c.turns.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const TLineGeom l = LineOf(lines[i]);
      EXPECT_NEAR(l.a.x, 0, 1e-9);
      EXPECT_NEAR(l.a.y, 200, 1e-9);
      EXPECT_NEAR(std::atan2(l.b.y - 200, l.b.x), start + c.turns[i], 1e-9) << i;
      EXPECT_NEAR(Dist(l.a, l.b), g_fukusenOp.run.fanRadius, 1e-9);
    }
  }
  // "+10" from the base point (50, 0) exactly ends at (49.003, 9.933).
  GcellClearWindow(StoreWindow());
  GcellAddCircle(0, 0x11, 0, 0, 50, 1, 0);
  GcellCommit();
  g_fukusenOp.run.source = MakeLine({0, 0}, {50, 0});
  g_fukusenOp.run.hasSource = true;
  g_fukusenOp.run.fan = true;
  g_fukusenOp.run.fanStart = g_fukusenOp.run.fanLastAngle = 0;
  g_fukusenOp.run.fanRadius = 50;
  g_fukusenOp.run.ref = MakeCircle({0, 0}, 50);
  g_fukusenOp.run.hasRef = true;
  SetSubValue("①間隔", "+10");
  SetSubValue("②本数", "1");
  const TLineGeom l = LineOf(ParallelCopies({40, 30}, std::atan2(30.0, 40.0)).at(0));
  EXPECT_NEAR(l.b.x, 49.003, 5e-4);
  EXPECT_NEAR(l.b.y, 9.933, 5e-4);
  // A spacing above 360 degrees: the line follows the mouse.
  SetSubValue("①間隔", "400");
  const TLineGeom m = LineOf(ParallelCopies({40, 30}, std::atan2(30.0, 40.0)).at(0));
  EXPECT_NEAR(std::atan2(m.b.y, m.b.x), std::atan2(30.0, 40.0), 1e-9);
}

TEST_F(FukusenTest, EndPointsOnTheSource) {
  Value(1, "10");
  L({50, 0});
  ui.SubMenu(4);
  EXPECT_EQ(Prompt(), "複線：端点の始点を指示(L)or(R)");
  L({20, 5});
  EXPECT_EQ(Prompt(), "複線：端点の終点を指示(L)or(R)");
  // The same point again would leave no direction: refused.
  const int beeps = platform().beeps();
  L({20, 5});
  EXPECT_EQ(platform().beeps(), beeps + 1);
  L({70, -5});
  EXPECT_EQ(Prompt(), "複線：複写位置を指示(L)or(R)");
  L({50, 20});
  const std::vector<TGcell> lines = StoreCells(GK_LINE);
  ASSERT_EQ(lines.size(), 2u);
  const TLineGeom c = LineOf(lines[1]);
  EXPECT_NEAR(c.a.x, At({20, 5}).x, 1e-9);
  EXPECT_NEAR(c.b.x, At({70, -5}).x, 1e-9);
  EXPECT_EQ(c.a.y, 10);
}

}  // namespace
