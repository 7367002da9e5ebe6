// Hatching and solid fills: the hatch generator against ezdxf's hatching
// (data/hatch_reference.inc, made by hatch_reference.py), and the operation
// driven as a user drives it: outlines of snapped corners, picked circles,
// the pattern buttons, the pitch, "①前範囲", the colour dialog and undo.
#include "ops/Op_Haching.h"

#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "OpTest.h"
#include "app/ApInput.h"
#include "app/Ap_Unit1.h"
#include "files/fLoad_VLD.h"
#include "files/fSave_VLD.h"
#include "model/GC_DB.h"
#include "model/PVC.h"
#include "render/GC_Draw.h"

namespace {

#include "ops/data/hatch_reference.inc"

constexpr double kPi = std::numbers::pi;

const std::vector<TPointD>& Outline(const char* name) {
  static const std::vector<TPointD> u{{0, 0}, {900, 0}, {900, 800}, {600, 800}, {600, 300}, {300, 300}, {300, 800},
                                      {0, 800}};
  static const std::vector<TPointD> quad{{-500, -200}, {700, -350}, {800, 600}, {-300, 450}};
  static const std::vector<TPointD> arrow{{0, 0}, {1000, 500}, {0, 1000}, {350, 500}};
  return std::strcmp(name, "u_shape") == 0 ? u : std::strcmp(name, "quad") == 0 ? quad : arrow;
}

bool SameSegment(const TLineGeom& l, TPointD a, TPointD b, double tol) {
  return (Dist(l.a, a) < tol && Dist(l.b, b) < tol) || (Dist(l.a, b) < tol && Dist(l.b, a) < tol);
}

TEST(HatchPolygon, MatchesEzdxfsHatching) {
  for (const char* name : {"u_shape", "quad", "arrow"})
    for (const double angle : {kPi / 4, -kPi / 4}) {
      std::vector<TLineGeom> ours;
      ASSERT_TRUE(HatchPolygon(Outline(name), kHatchReferencePitch, angle, ours));
      std::size_t expected = 0;
      for (const THatchReference& r : kHatchReference) {
        if (std::strcmp(r.outline, name) != 0 || std::fabs(r.angle - angle) > 1e-12) continue;
        ++expected;
        bool found = false;
        for (const TLineGeom& l : ours) found = found || SameSegment(l, {r.x1, r.y1}, {r.x2, r.y2}, 1e-6);
        EXPECT_TRUE(found) << name << " " << angle << ": (" << r.x1 << "," << r.y1 << ")-(" << r.x2 << "," << r.y2
                           << ")";
      }
      EXPECT_EQ(ours.size(), expected) << name << " " << angle;
    }
}

TEST(HatchPolygon, RefusesPitchesThatWouldNotEnd) {
  const std::vector<TPointD> square{{0, 0}, {1000, 0}, {1000, 1000}, {0, 1000}};
  std::vector<TLineGeom> out;
  EXPECT_FALSE(HatchPolygon(square, 0, kPi / 4, out));
  EXPECT_FALSE(HatchPolygon(square, 1e-3, kPi / 4, out));  // about 1.4 million scan lines
  EXPECT_TRUE(out.empty());
  // A negative pitch is its magnitude.
  std::vector<TLineGeom> plus, minus;
  ASSERT_TRUE(HatchPolygon(square, 250, kPi / 4, plus));
  ASSERT_TRUE(HatchPolygon(square, -250, kPi / 4, minus));
  EXPECT_EQ(plus.size(), minus.size());
  EXPECT_FALSE(plus.empty());
}

TEST(HatchCurve, ChordsOfCirclesAndEllipsesEndOnTheCurve) {
  std::vector<TLineGeom> out;
  ASSERT_TRUE(HatchCurve({0, 0, 1000, 1, 0, 0, 0}, 250, kPi / 4, out));
  ASSERT_EQ(out.size(), 8u);
  const TPointD normal{-std::sin(kPi / 4), std::cos(kPi / 4)};
  for (std::size_t i = 0; i < out.size(); ++i) {
    EXPECT_NEAR(Dot(out[i].a, normal), -875 + 250.0 * static_cast<double>(i), 1e-9);
    EXPECT_NEAR(Length(out[i].a), 1000, 1e-9);
    EXPECT_NEAR(Length(out[i].b), 1000, 1e-9);
  }
  // An ellipse, tilted: every chord ends on it, none reaches past it.
  const ArcParams e{100, 50, 800, 0.4, 0.3, 0, 0};
  ASSERT_TRUE(HatchCurve(e, 100, -kPi / 4, out));
  EXPECT_GT(out.size(), 5u);
  for (const TLineGeom& l : out)
    for (const TPointD p : {l.a, l.b}) {
      const TPointD q = Rotated(p - TPointD{e.cx, e.cy}, -e.t);
      EXPECT_NEAR(q.x * q.x / (e.r * e.r) + q.y * q.y / (e.r * e.f * e.r * e.f), 1, 1e-9);
    }
  EXPECT_FALSE(HatchCurve({0, 0, 1e9, 1, 0, 0, 0}, 1, kPi / 4, out));  // two billion chords
}

// ---- The operation ------------------------------------------------------------------

class HatchTest : public CentredOpTest {
protected:
  void SetUp() override {
    CentredOpTest::SetUp();
    // About 3 units a pixel: a square of 1000 fits.
    TGContext& v = CurrentView();
    G_SetWindow(v, -1200, -900, 1200, 900);
    ViewRedraw(1);
    ui.Choose(OpBtn_Haching);
  }
  // A square of lines with its corners to snap to.
  static void Square(double side) {
    AddLine(0, 0, side, 0);
    AddLine(side, 0, side, side);
    AddLine(side, side, 0, side);
    AddLine(0, side, 0, 0);
  }
  void SquareOutline(double side) {
    R({0, 0});
    R({side, 0});
    R({side, side});
    R({0, side});
  }
  static std::vector<TLineGeom> Hatch() {
    std::vector<TLineGeom> out;
    for (const TLineGeom& l : Lines())
      if (std::fabs(std::fabs(l.b.x - l.a.x) - std::fabs(l.b.y - l.a.y)) < 1e-6) out.push_back(l);
    return out;
  }
};

TEST_F(HatchTest, ASquareAtTheDefaultPitch) {
  Square(1000);
  EXPECT_EQ(Prompt(), "塗りつぶし：始点を指示(L)or(R), 円指示(L)");
  EXPECT_EQ(g_form1.PvBtn[1].raw, "②ピッチ[ﾐﾘ]=2.5");
  EXPECT_TRUE(g_form1.PvHatting.visible);
  SquareOutline(1000);
  EXPECT_EQ(Prompt(), "塗りつぶし：輪郭点指示(L)or(R)");
  EXPECT_EQ(g_form1.PvBtn[0].raw, "①確定");
  ui.SubMenu(1);
  const std::vector<TLineGeom> h = Hatch();
  ASSERT_FALSE(h.empty());
  // +45 degrees, 250 apart across the lines, ending on the outline.
  std::vector<double> offsets;
  for (const TLineGeom& l : h) {
    EXPECT_NEAR((l.b.y - l.a.y) / (l.b.x - l.a.x), 1, 1e-9);
    for (const TPointD p : {l.a, l.b}) {
      const bool onSide = std::fabs(p.x) < 1e-6 || std::fabs(p.x - 1000) < 1e-6 || std::fabs(p.y) < 1e-6 ||
                          std::fabs(p.y - 1000) < 1e-6;
      EXPECT_TRUE(onSide) << p.x << "," << p.y;
    }
    offsets.push_back((l.a.y - l.a.x) / std::sqrt(2.0));
  }
  std::sort(offsets.begin(), offsets.end());
  for (std::size_t i = 1; i < offsets.size(); ++i) EXPECT_NEAR(offsets[i] - offsets[i - 1], 250, 1e-6);
  EXPECT_EQ(h.size(), 5u);  // the diagonal of 1414 across, 250 apart
  EXPECT_EQ(g_form1.PvBtn[0].raw, "①前範囲");

  // The previous outline, cross-hatched: both families in one undo step.
  InputControlClick("BtnHaching3");
  EXPECT_TRUE(g_form1.BtnHaching[2]);
  EXPECT_FALSE(g_form1.BtnHaching[0]);
  ui.SubMenu(1);
  EXPECT_EQ(g_form1.PvBtn[0].raw, "①確定");
  ui.SubMenu(1);
  EXPECT_EQ(Hatch().size(), 5u + 10u);
  ui.Key('U');
  EXPECT_EQ(Hatch().size(), 5u);
}

TEST_F(HatchTest, CirclesThePitchAndEsc) {
  Add(MakeCircle({0, 0}, 1000));
  L({1000, 0});  // picked: hatched at once
  std::vector<TLineGeom> h = Hatch();
  ASSERT_EQ(h.size(), 8u);
  ui.Key('U');

  // A pitch of 5 paper millimetres: 500 units at basic scale 100.
  ui.SubMenu(2);
  EXPECT_EQ(Prompt(), "用紙上での間隔[ﾐﾘ]");
  ui.Entry("5");
  EXPECT_EQ(g_form1.PvBtn[1].raw, "②ピッチ[ﾐﾘ]=5");
  L({1000, 0});
  EXPECT_EQ(Hatch().size(), 4u);
  ui.SubMenu(2);
  ui.Entry("0");
  EXPECT_EQ(g_form1.PvBtn[1].raw, "②ピッチ[ﾐﾘ]=2.5");

  // Points taken back with Esc, down to the empty outline.
  R({1000, 0});
  R({0, 1000});
  ui.Esc();
  EXPECT_EQ(Prompt(), "塗りつぶし：輪郭点指示(L)or(R)");
  ui.Esc();
  EXPECT_EQ(Prompt(), "塗りつぶし：始点を指示(L)or(R), 円指示(L)");
}

TEST_F(HatchTest, SolidFillsKeepTheirColourThroughTheNativeFile) {
  Square(500);
  InputControlClick("BtnHaching4");
  platform().ScriptColor(true, 0x123456);  // red 12, green 34, blue 56
  SquareOutline(500);
  ui.SubMenu(1);
  std::vector<TGcell> fills = Live(GK_POLYGON);
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_EQ(fills[0].text.str().substr(0, 9), "$00563412");
  // A picked circle becomes a whole filled ellipse; a cancelled dialog fills in
  // the pen's colour.
  Add(MakeCircle({-600, -400}, 200));
  platform().ScriptColor(false);
  L({-400, -400});
  const std::vector<TGcell> discs = Live(GK_POLYARC);
  ASSERT_EQ(discs.size(), 1u);
  EXPECT_EQ(discs[0].p[7], 0);
  EXPECT_EQ(discs[0].p[8], 0);
  EXPECT_EQ(discs[0].text.str(), "");

  // Saved and read back.
  TVldSink sink;
  VldWrite(sink);
  const std::string text = sink.text();
  GcellClearWindow(StoreWindow());
  ASSERT_TRUE(VldLoadText(text, 0, 0, "t.vld"));
  fills = Live(GK_POLYGON);
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_EQ(fills[0].text.str().substr(0, 9), "$00563412");
  EXPECT_EQ(Live(GK_POLYARC).size(), 1u);
}

}  // namespace
