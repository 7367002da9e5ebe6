#include "files/fLoad_JWC.h"

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
#include "model/GC_DB.h"
#include "model/PVC.h"

namespace {

namespace fs = std::filesystem;
constexpr double kPi = 3.14159265358979323846;

fs::path Golden(const char* name) { return fs::path(VELMO_TESTS_DIR) / "files" / "data" / "jwc" / name; }

double DegRad(double d) { return d * kPi / 180; }

using JwcReadTest = VelmoTest;

// Both forms of the golden drawing: float group scales, field 30 = 518 and
// the packed write layer; 16-bit scales, field 30 = 259 (read as 518) and
// the write layer as a layer code.
TEST_F(JwcReadTest, GoldenDrawingInBothForms) {
  for (const char* name : {"reader.jwc", "reader_i16.jwc"}) {
    SCOPED_TRACE(name);
    VelmoReset();
    TJwcReadReport report;
    ASSERT_TRUE(JwcLoadBytes(vldtest::ReadFile(Golden(name)), false, 0, 0, &report));
    EXPECT_FALSE(report.damaged) << report.reason;
    EXPECT_EQ(report.skipped, 2);  // a line and a text beyond the limit
    const double k = 420.0 / 518;  // paper A3 over 518 units, basic scale 1

    const TPVC& p = CurPVC();
    EXPECT_EQ(p.basicScale, 1);
    EXPECT_EQ(p.paperSize, PAPER_A3);
    EXPECT_EQ(p.jwcTitles[0], "TITLE-ONE");
    EXPECT_EQ(p.jwcTitles[1], "第二");
    EXPECT_DOUBLE_EQ(p.dimTextGap, 0.9);  // field 10 over field 0
    EXPECT_DOUBLE_EQ(p.dimExtGap, 1.5);
    EXPECT_DOUBLE_EQ(p.dimExtOvershoot, 1.5);
    EXPECT_DOUBLE_EQ(p.dimArrowLength, 3.0);
    EXPECT_DOUBLE_EQ(p.dimArrowAngle, 15.0);
    EXPECT_EQ(p.dimUnit, DIM_M);  // 1 in the file is metres
    EXPECT_EQ(p.dimDecimals, 2);
    EXPECT_EQ(p.textSizes[3].pen, 3);
    EXPECT_DOUBLE_EQ(p.textSizes[3].width, 3.5);
    EXPECT_DOUBLE_EQ(p.textSizes[3].height, 4.0);
    EXPECT_DOUBLE_EQ(p.textSizes[3].spacing, 0.3);
    EXPECT_EQ(p.textSizes[4].pen, 7);  // pen 9 in the file
    EXPECT_EQ(p.groups[1].scaleX, 50);
    EXPECT_EQ(p.groups[1].scaleY, 50);
    EXPECT_EQ(p.groups[2].scaleX, 1);  // 0 in the file: the basic scale
    EXPECT_FALSE(p.groups[2].visible);
    EXPECT_TRUE(p.groups[3].visible);
    EXPECT_FALSE(p.groups[1].layers[3].visible);
    EXPECT_TRUE(p.groups[1].layers[4].visible);
    EXPECT_EQ(p.writeLayer, 0x35);
    EXPECT_EQ(p.groups[1].lastLayer, 4);
    EXPECT_EQ(p.groups[0].layers[0].name, "kiso");
    EXPECT_EQ(p.groups[3].layers[5].name, "壁");
    EXPECT_EQ(p.groups[3].name, "詳細図");
    EXPECT_EQ(p.groups[0].name, "first");

    const std::vector<TGcell> lines = StoreCells(GK_LINE);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NEAR(LineOf(lines[0]).b.x, 420, 1e-4);
    EXPECT_EQ(lines[0].pen, 0x11);
    EXPECT_NEAR(LineOf(lines[1]).a.y, 20 * k, 1e-5);
    EXPECT_EQ(lines[1].pen, 0x23);
    EXPECT_EQ(lines[1].layer, 0x35);
    EXPECT_EQ(lines[2].pen, 0x57);  // line type 9: the auxiliary pen

    const std::vector<TGcell> arcs = StoreCells(GK_ARC);
    ASSERT_EQ(arcs.size(), 2u);
    ArcParams a = ArcOf(arcs[0]);  // w = 10001: circular, turned by c = 45 degrees
    EXPECT_NEAR(a.cx, 100 * k, 1e-5);
    EXPECT_NEAR(a.r, 50 * k, 1e-5);
    EXPECT_NEAR(a.s, DegRad(45), 1e-9);
    EXPECT_NEAR(a.e, DegRad(135), 1e-9);
    EXPECT_DOUBLE_EQ(FlatnessOf(arcs[0]), 1);
    EXPECT_EQ(arcs[0].pen, 0x12);
    EXPECT_EQ(arcs[0].layer, 0x10);
    a = ArcOf(arcs[1]);  // w = 5000: an elliptic arc with its own tilt
    EXPECT_DOUBLE_EQ(a.f, 0.5);
    EXPECT_NEAR(a.t, DegRad(30), 1e-9);
    EXPECT_NEAR(a.s, DegRad(10), 1e-9);
    EXPECT_NEAR(a.e, DegRad(80), 1e-9);
    const std::vector<TGcell> circles = StoreCells(GK_CIRCLE);
    ASSERT_EQ(circles.size(), 1u);  // a whole ellipse
    EXPECT_DOUBLE_EQ(ArcOf(circles[0]).f, 0.5);
    EXPECT_NEAR(ArcOf(circles[0]).t, DegRad(30), 1e-9);

    const std::vector<TGcell> texts = StoreCells(GK_TEXT);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].text, "ABC");
    EXPECT_EQ(texts[0].size, 3);
    EXPECT_EQ(texts[0].layer, 0x22);
    EXPECT_NEAR(TextOf(texts[0]).at.x, 50 * k, 1e-5);
    EXPECT_NEAR(TextOf(texts[0]).angle, 0, 1e-12);
    EXPECT_FALSE(texts[0].vertical);
    EXPECT_EQ(texts[1].text, "平面図");
    EXPECT_EQ(texts[1].size, 10);  // 12 in the file
    EXPECT_TRUE(texts[1].vertical);
    EXPECT_NEAR(TextOf(texts[1]).angle, kPi / 2, 1e-12);

    // One point of the drawing, two auxiliary points (not scaled).
    const std::vector<TGcell> points = StoreCells(GK_POINT);
    ASSERT_EQ(points.size(), 3u);
    EXPECT_EQ(points[0].pen, 0x17);
    EXPECT_EQ(PointOf(points[0]).x, 1.5);
    EXPECT_EQ(points[0].layer, 0x02);
    EXPECT_EQ(PointOf(points[1]).y, 4.0);
    EXPECT_EQ(points[1].layer, 0x13);
    EXPECT_EQ(points[2].pen, 0x11);
    EXPECT_NEAR(PointOf(points[2]).x, 7 * k, 1e-5);
    EXPECT_EQ(points[2].layer, 0x31);
  }
}

TEST_F(JwcReadTest, PartLinesArcAndItsReferencePoint) {
  const TPVC before = CurPVC();
  TJwcReadReport report;
  ASSERT_TRUE(JwcLoadBytes(vldtest::ReadFile(Golden("part.jwk")), true, 1000, -10, &report));
  EXPECT_FALSE(report.damaged);
  EXPECT_EQ(report.cells, 4);
  const std::vector<TGcell> points = StoreCells(GK_POINT);
  ASSERT_EQ(points.size(), 1u);
  EXPECT_EQ(points[0].pen, 0x17);
  EXPECT_EQ(points[0].layer, 0);
  EXPECT_EQ(PointOf(points[0]).x, 1100);
  EXPECT_EQ(PointOf(points[0]).y, 40);
  const std::vector<TGcell> lines = StoreCells(GK_LINE);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(LineOf(lines[0]).b.x, 1200);  // k = 1
  EXPECT_EQ(lines[1].pen, 0x24);
  EXPECT_EQ(lines[1].layer, 0x03);
  ASSERT_EQ(StoreCells(GK_CIRCLE).size(), 1u);
  EXPECT_EQ(ArcOf(StoreCells(GK_CIRCLE)[0]).r, 20);
  // A part leaves the window's settings alone.
  EXPECT_EQ(CurPVC().basicScale, before.basicScale);
  EXPECT_EQ(CurPVC().writeLayer, before.writeLayer);
}

// Field offsets of the golden drawing's parts, for patching it.
struct TGoldenLayout {
  std::size_t textRecords, textArea, auxArrays = 800;
};
TGoldenLayout ReaderLayout() {
  const std::size_t flags = 800 + 404 + 404 + 101 + 88 + 64;
  const std::size_t lines = flags + 16 + 256 + 16 + 256 + 16;
  const std::size_t texts = lines + 4 * 22 + 3 * 32;
  return {texts, texts + 3 * 24};
}

void PutBlockText(std::string& bytes, std::size_t block, const std::string& text) {
  std::string b = text;
  b += '\0';
  b.resize(199, ' ');
  b += '\n';
  bytes.replace(block * 200, 200, b);
}

TEST_F(JwcReadTest, DamagedAndOddFieldsAreBoundedAndReported) {
  const std::string golden = vldtest::ReadFile(Golden("reader.jwc"));
  const TGoldenLayout at = ReaderLayout();

  // A text whose offset points past the text area, and one at its very end
  // without a NUL: the first is lost and reported, the second read to the
  // area's end.
  {
    std::string b = golden;
    const std::int32_t past = 40, last = 14;  // the area holds "ABC\0" "平面図\0" "skip\0": 16 bytes
    std::memcpy(&b[at.textRecords + 16], &past, 4);
    std::memcpy(&b[at.textRecords + 24 + 16], &last, 4);
    b[at.textArea + 15] = 'x';  // the last NUL gone
    VelmoReset();
    TJwcReadReport r;
    ASSERT_TRUE(JwcLoadBytes(b, false, 0, 0, &r));
    EXPECT_TRUE(r.damaged);
    EXPECT_NE(r.reason.find("文字"), std::string::npos);
    const std::vector<TGcell> texts = StoreCells(GK_TEXT);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, "px");
    EXPECT_EQ(StoreCells(GK_LINE).size(), 3u);  // the rest is read
    EXPECT_EQ(StoreCells(GK_POINT).size(), 3u);
  }

  // Counts: more auxiliary points than the arrays hold are clamped to them;
  // negative counts read as none; a size number of 0, a negative paper code
  // and a NaN group scale are brought into range.
  {
    std::string b = golden;
    PutBlockText(b, 1, "-4,0,0,0,500,2,2,2,2,1,3,-2,6,9,4.87,9.74,5,10,23270,0,0,0,1,2,3,5,5,0,0,0,518,0");
    const float nan = std::nanf("");
    std::memcpy(&b[800 + 909 + 88 + 4], &nan, 4);  // group 1's scale
    VelmoReset();
    TJwcReadReport r;
    ASSERT_TRUE(JwcLoadBytes(b, false, 0, 0, &r));
    EXPECT_EQ(StoreCells(GK_POINT).size(), 101u);
    EXPECT_TRUE(StoreCells(GK_LINE).empty());
    EXPECT_EQ(CurPVC().paperSize, PAPER_A0);
    EXPECT_EQ(CurPVC().groups[1].scaleX, 1);
  }

  // Cut anywhere: reported, and the cells before the cut stay, so a longer
  // piece never gives fewer.
  std::size_t before = 0;
  for (std::size_t cut = 800; cut < golden.size(); cut += 97) {
    VelmoReset();
    TJwcReadReport r;
    ASSERT_TRUE(JwcLoadBytes(golden.substr(0, cut), false, 0, 0, &r)) << cut;
    EXPECT_TRUE(r.damaged) << cut;
    EXPECT_GE(StoreCells().size(), before) << cut;
    before = StoreCells().size();
  }
  EXPECT_EQ(before, 11u);  // all but the names

  // A part whose reference point lies beyond the limit: the point is left
  // out, its lines read.
  {
    std::string part = vldtest::ReadFile(Golden("part.jwk"));
    PutBlockText(part, 1, "2,1," + std::string(90, '1') + ",50");
    VelmoReset();
    TJwcReadReport r;
    ASSERT_TRUE(JwcLoadBytes(part, true, 0, 0, &r));
    EXPECT_EQ(r.skipped, 1);
    EXPECT_TRUE(StoreCells(GK_POINT).empty());
    EXPECT_EQ(StoreCells(GK_LINE).size(), 2u);
  }

  // Too short for the blocks: no drawing, a message.
  VelmoReset();
  Headless().Reset();
  EXPECT_FALSE(JwcLoadBytes(golden.substr(0, 500), false, 0, 0));
  ASSERT_EQ(platform().messages().size(), 1u);
  EXPECT_EQ(platform().messages()[0].text, "ＪＷＣデータではありません.");
  EXPECT_TRUE(StoreCells().empty());
}

// Lines beyond 10^8 units after scaling are not read.
TEST_F(JwcReadTest, CoordinateLimitAfterScaling) {
  std::string b = vldtest::ReadFile(Golden("reader.jwc"));
  // Basic scale 1 000 000: k = 810 810, so the line to 518 lands at 4.2e8.
  PutBlockText(b, 1, "4,3,3,1,2,2,2,2,2,1000000,3,3,6,9,4.87,9.74,5,10,23270,0,0,0,1,2,3,5,5,0,0,0,518,0");
  TJwcReadReport r;
  ASSERT_TRUE(JwcLoadBytes(b, false, 0, 0, &r));
  for (const TGcell& c : StoreCells(GK_LINE)) EXPECT_LE(std::fabs(LineOf(c).b.x), 1e8);
  EXPECT_EQ(StoreCells(GK_LINE).size(), 2u);  // (10,20)-(30,40) and (1,1)-(2,2) stay within
}

}  // namespace
