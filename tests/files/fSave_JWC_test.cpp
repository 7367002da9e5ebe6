#include "files/fSave_JWC.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "StoreCells.h"
#include "VelmoTest.h"
#include "VldFixture.h"
#include "app/GC_PointSearch.h"
#include "files/FileProc.h"
#include "files/fLoad_JWC.h"
#include "kernel/Z_Basic.h"
#include "model/GC_DB.h"
#include "model/PVC.h"

namespace {

namespace fs = std::filesystem;
constexpr double kPi = 3.14159265358979323846;

fs::path Golden(const char* name) { return fs::path(VELMO_TESTS_DIR) / "files" / "data" / "jwc" / name; }

// The fields of the n-th text block.
TFields BlockFields(const std::string& bytes, int n) {
  TFields f;
  const std::string b = bytes.substr(static_cast<std::size_t>(n) * 200, 200);
  SplitFields(b.substr(0, b.find('\0')), f, 0);
  return f;
}

std::int32_t I32At(const std::string& b, std::size_t at) {
  std::int32_t v;
  std::memcpy(&v, &b[at], 4);
  return v;
}

int Add(TGcell c, std::uint16_t pen, std::uint8_t layer) {
  c.pen = pen;
  c.layer = layer;
  return GcellAdd(std::move(c));
}

class JwcWriteTest : public VelmoTest {
protected:
  // The drawing make_jwc_golden.py describes for writer.jwc.
  void GoldenDrawing() {
    TPVC& p = CurPVC();
    p.basicScale = 1;
    p.jwcTitles = {"plan-A", ""};
    p.textSizes[0] = {0, 0, 0, 1};
    for (int n = 1; n <= 10; ++n) p.textSizes[n] = {2.0 * n, 1.5 * n, 0.5, std::min(n, 6)};
    for (int g = 0; g < kGroupCount; ++g) {
      TGroupEntry& e = p.groups[g];
      e.visible = g != 2;
      e.scaleX = e.scaleY = g == 1 ? 2.5 : 1;
      e.lastLayer = g == 5 ? 7 : 0;
      e.name.clear();
      for (int l = 0; l < kLayerCount; ++l) {
        e.layers[l].visible = !(g == 0 && l == 3);
        e.layers[l].name.clear();
      }
    }
    p.groups[0].layers[0].name = "kiso";
    p.groups[1].layers[2].name = "平面図";
    p.groups[1].name = "detail";
    p.writeLayer = 0x12;
    p.dimExtGap = 1.5;
    p.dimTextGap = 0.25;
    p.dimArrowLength = 3;
    p.dimArrowAngle = 15;
    p.dimUnit = DIM_CM;
    p.dimDecimals = 1;

    Add(MakeLine({0, 0}, {300, 100}), 0x11, 0x12);
    Add(MakeQuad({0, 0}, {40, 0}, {20, 30}, {20, 30}), 0x32, 0x01);  // a triangle fill
    Add(MakeArc({100, 100, 50, 1, 0, 0, kPi / 2}), 0x23, 0);
    Add(MakeCircle({200, 50}, 20), 0x15, 0);
    Add(MakeArc({150, 150, 40, 0.5, kPi / 6, kPi / 18, kPi * 100 / 180}), 0x11, 0);
    Add(MakePoint({5, 6}), 0x12, 0);
    Add(MakePoint({70, 80}), 0x17, 0);
    Add(MakePoint({71, 81}), 0x17, 0x21);
    Add(MakeLine({0, 10}, {10, 10}), 0x57, 0);
    TGcell t = MakeText("AB", {10, 20}, 0);
    t.size = 3;
    Add(t, 1, 0x04);
    t = MakeText("X^u2", {30, 40}, kPi / 2);
    t.size = 2;
    Add(t, 1, 0x04);
    t = MakeText("own", {60, 20}, 0);
    t.size = 0;
    t.p[2] = 3;
    t.p[3] = 4.1;
    t.p[4] = 0.25;
    Add(t, 1, 0x04);
    TGcell polygon;  // no JWC record: left out
    polygon.kind = GK_POLYGON;
    polygon.text = "$FF0000,0,0,10,0,10,10";
    polygon.p[2] = polygon.p[3] = 10;
    Add(polygon, 1, 0);
  }
};

// The whole file, byte for byte, against the independently made golden one.
TEST_F(JwcWriteTest, MatchesTheGoldenFile) {
  GoldenDrawing();
  TJwcWriteReport report;
  const std::string bytes = JwcBytes(GcellExtents(), &report);
  const std::string golden = vldtest::ReadFile(Golden("writer.jwc"));
  ASSERT_EQ(bytes.size(), golden.size());
  const auto diff = std::mismatch(bytes.begin(), bytes.end(), golden.begin());
  EXPECT_EQ(diff.first, bytes.end()) << "first difference at byte " << (diff.first - bytes.begin());
  EXPECT_EQ(report.areas, 1);

  // What the layout fixes, read out: paper A4 for x up to 300 at 1/1, and
  // the arc from 0 to a quarter turn.
  const TFields counts = BlockFields(bytes, 1);
  EXPECT_EQ(counts[11], "4");
  EXPECT_EQ(counts[0], "8");  // a line, the triangle's 3 sides and 3 medians, an auxiliary-pen line
  const std::size_t arcs = 800 + 909 + 88 + 64 + 560 + 8 * 22;
  EXPECT_EQ(I32At(bytes, arcs + 14), 0);
  EXPECT_EQ(I32At(bytes, arcs + 18), 5898240);
}

// Written and read back: the same cells (an ellipse keeps its flatness)
// and the same write layer, scales, names and visibility.
TEST_F(JwcWriteTest, ReadsBackAsWritten) {
  GoldenDrawing();
  const std::string bytes = JwcBytes(GcellExtents());
  const TPVC written = CurPVC();
  VelmoReset();
  TJwcReadReport r;
  ASSERT_TRUE(JwcLoadBytes(bytes, false, 0, 0, &r));
  EXPECT_FALSE(r.damaged);
  const TPVC& p = CurPVC();
  EXPECT_EQ(p.writeLayer, 0x12);
  EXPECT_EQ(p.groups[5].lastLayer, 7);
  EXPECT_EQ(p.groups[1].scaleX, 2.5);
  EXPECT_FALSE(p.groups[2].visible);
  EXPECT_FALSE(p.groups[0].layers[3].visible);
  EXPECT_EQ(p.groups[1].layers[2].name, "平面図");
  EXPECT_EQ(p.groups[1].name, "detail");
  EXPECT_EQ(p.jwcTitles[0], "plan-A");
  EXPECT_EQ(p.dimUnit, DIM_MM);  // centimetres go as millimetres, one decimal more
  EXPECT_EQ(p.dimDecimals, 2);
  EXPECT_EQ(p.dimTextGap, 0.25);
  for (int n = 1; n <= 10; ++n) EXPECT_DOUBLE_EQ(p.textSizes[n].height, written.textSizes[n].height) << n;

  const std::vector<TGcell> lines = StoreCells(GK_LINE);
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_NEAR(LineOf(lines[0]).b.x, 300, 1e-4);
  EXPECT_EQ(lines[0].layer, 0x12);
  EXPECT_EQ(lines[1].pen, 0x32);
  EXPECT_EQ(lines[7].pen, 0x57);
  const std::vector<TGcell> arcs = StoreCells(GK_ARC);
  ASSERT_EQ(arcs.size(), 2u);
  EXPECT_NEAR(ArcOf(arcs[0]).e, kPi / 2, 1e-6);
  const ArcParams e = ArcOf(arcs[1]);
  EXPECT_DOUBLE_EQ(e.f, 0.5);
  EXPECT_NEAR(e.t, kPi / 6, 1e-6);
  EXPECT_NEAR(e.s, kPi / 18, 1e-6);
  EXPECT_NEAR(e.r, 40, 1e-4);
  const std::vector<TGcell> texts = StoreCells(GK_TEXT);
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[1].text, "X^u2");
  EXPECT_NEAR(TextOf(texts[1]).angle, kPi / 2, 1e-6);
  EXPECT_NEAR(TextOf(texts[1]).at.y, 40, 1e-4);
  EXPECT_EQ(texts[2].size, 2);  // its own 4.1 mm: size 2 (4 mm) is the nearest below
  const std::vector<TGcell> points = StoreCells(GK_POINT);
  ASSERT_EQ(points.size(), 3u);
  EXPECT_EQ(points[0].pen, 0x17);
  EXPECT_EQ(points[1].layer, 0x21);
  EXPECT_NEAR(PointOf(points[2]).x, 5, 1e-5);
  EXPECT_EQ(points[2].pen, 0x12);  // its colour
}

TEST_F(JwcWriteTest, ScalesPiecesAndLimits) {
  // The basic scale: whole numbers as they are, others with two decimals.
  for (const auto& [scale, field] : {std::pair{50.0, "50"}, {2.5, "2.50"}}) {
    VelmoReset();
    CurPVC().basicScale = scale;
    EXPECT_EQ(BlockFields(JwcBytes({}), 1)[9], field);
  }

  // A text with other codes goes as its pieces, one with only raised and
  // lowered characters as itself.
  VelmoReset();
  TGcell t = MakeText("A^t2", {0, 0}, 0);
  t.size = 1;
  Add(t, 1, 0);
  t.text = "A^u2";
  Add(t, 1, 0);
  EXPECT_EQ(BlockFields(JwcBytes({}), 1)[2], "3");

  // Auxiliary points: the arrays take 100; more are reported.
  VelmoReset();
  for (int i = 0; i < 101; ++i) Add(MakePoint({double(i), 0}), 0x17, 0);
  TJwcWriteReport report;
  EXPECT_EQ(BlockFields(JwcBytes({}, &report), 1)[4], "100");
  EXPECT_EQ(report.auxiliary, 1);

  // Texts stop where their offsets would pass what a reader takes.
  VelmoReset();
  const std::string long100(99, 'x');
  for (int i = 0; i < 400; ++i) Add(MakeText(long100, {0, double(i)}, 0), 1, 0);
  const std::string bytes = JwcBytes({}, &report);
  const long long written = std::stoll(BlockFields(bytes, 1)[2]);
  EXPECT_EQ(written, 328);  // offsets 0, 100, ... 32 700
  EXPECT_EQ(report.texts, 400 - written);
  VelmoReset();
  TJwcReadReport r;
  ASSERT_TRUE(JwcLoadBytes(bytes, false, 0, 0, &r));
  EXPECT_FALSE(r.damaged);
  EXPECT_EQ(StoreCells(GK_TEXT).size(), 328u);
}

// The save command: the file is written through a temporary one, with a
// message naming what the format could not take; a failed write leaves the
// old file.
TEST_F(JwcWriteTest, SaveCommandWritesAndKeepsTheOldFileOnFailure) {
  const fs::path dir = fs::path(testing::TempDir()) / "jwc_save";
  fs::remove_all(dir);
  fs::create_directories(dir);
  const fs::path file = dir / "a.jwc";
  Add(MakeLine({0, 0}, {100, 0}), 0x11, 0);
  TGcell polygon;
  polygon.kind = GK_POLYGON;
  polygon.text = "$FF0000,0,0,10,0,10,10";
  polygon.p[2] = polygon.p[3] = 10;
  Add(polygon, 1, 0);
  ASSERT_TRUE(SaveByExtension(file));
  ASSERT_EQ(platform().messages().size(), 1u);
  EXPECT_NE(platform().messages()[0].text.find("多角形・円の塗り潰し 1 個"), std::string::npos);
  const std::string first = vldtest::ReadFile(file);
  EXPECT_EQ(BlockFields(first, 1)[0], "1");

  fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
  if (::access(dir.c_str(), W_OK) != 0) {  // not as root
    Add(MakeLine({0, 0}, {0, 100}), 0x11, 0);
    EXPECT_FALSE(JwcSave(file, GcellExtents()));
    EXPECT_EQ(vldtest::ReadFile(file), first);
  }
  fs::permissions(dir, fs::perms::owner_all);
  fs::remove_all(dir);
}

}  // namespace
