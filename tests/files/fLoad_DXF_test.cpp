#include "files/fLoad_DXF.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "StoreCells.h"
#include "VelmoTest.h"
#include "kernel/SjisConv.h"
#include "kernel/Z_Math.h"
#include "model/GC_DB.h"
#include "model/PVC.h"

namespace {

#include "files/data/dxf/dxf_reference.inc"

namespace fs = std::filesystem;
constexpr double kPi = 3.14159265358979323846;

// A DXF of the given entities (each "0\nTYPE\n..." already), with a LAYER
// table and an optional header.
std::string Dxf(const std::string& entities, const std::string& tables = "", const std::string& header = "") {
  std::string s;
  if (!header.empty()) s += "0\nSECTION\n2\nHEADER\n" + header + "0\nENDSEC\n";
  if (!tables.empty()) s += "0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLAYER\n" + tables + "0\nENDTAB\n0\nENDSEC\n";
  return s + "0\nSECTION\n2\nENTITIES\n" + entities + "0\nENDSEC\n0\nEOF\n";
}

class DxfTest : public VelmoTest {
protected:
  bool Load(const std::string& text, TDxfOptions o = {}) { return DxfLoadText(text, o, "t.dxf", &report); }
  TDxfReadReport report;
};

// ---- Against ezdxf ------------------------------------------------------------------

TPointD EllipsePoint(double cx, double cy, double major, double angle, double ratio, double t) {
  const TPointD u = UnitVector(angle), v = UnitVector(angle + kPi / 2);
  return TPointD{cx, cy} + u * (major * std::cos(t)) + v * (major * ratio * std::sin(t));
}

bool Matches(const TDxfReference& r, const TGcell& c) {
  const double tol = 1e-6;
  if (std::strcmp(r.type, "LINE") == 0) {
    if (c.kind != GK_LINE) return false;
    const TLineGeom l = LineOf(c);
    const TPointD a{r.v[0], r.v[1]}, b{r.v[2], r.v[3]};
    return (Dist(l.a, a) < tol && Dist(l.b, b) < tol) || (Dist(l.a, b) < tol && Dist(l.b, a) < tol);
  }
  if (c.kind != GK_ARC && c.kind != GK_CIRCLE) return false;
  const ArcParams a = ArcOf(c);
  TPointD s, e;
  ArcPoint(s.x, s.y, a, a.s);
  ArcPoint(e.x, e.y, a, a.e);
  if (std::strcmp(r.type, "CIRCLE") == 0)
    return c.kind == GK_CIRCLE && std::fabs(a.cx - r.v[0]) < tol && std::fabs(a.cy - r.v[1]) < tol &&
           std::fabs(a.r - r.v[2]) < tol;
  if (std::strcmp(r.type, "ARC") == 0) {
    const ArcParams want{r.v[0], r.v[1], r.v[2], 1, 0, r.v[3], r.v[4]};
    TPointD ws, we;
    ArcPoint(ws.x, ws.y, want, want.s);
    ArcPoint(we.x, we.y, want, want.e);
    return c.kind == GK_ARC && std::fabs(a.cx - r.v[0]) < tol && std::fabs(a.cy - r.v[1]) < tol &&
           std::fabs(a.r - r.v[2]) < tol && Dist(s, ws) < tol && Dist(e, we) < tol;
  }
  // An ellipse: the same centre and axes, and for an arc the same ends.
  const double major = std::max(a.r, a.r * a.f), minor = std::min(a.r, a.r * a.f);
  if (std::fabs(a.cx - r.v[0]) > tol || std::fabs(a.cy - r.v[1]) > tol || std::fabs(major - r.v[2]) > tol ||
      std::fabs(minor - r.v[2] * r.v[4]) > tol)
    return false;
  const bool whole = std::fabs(r.v[6] - r.v[5] - 2 * kPi) < 1e-9;
  if (whole) return c.kind == GK_CIRCLE;
  const TPointD ws = EllipsePoint(r.v[0], r.v[1], r.v[2], r.v[3], r.v[4], r.v[5]);
  const TPointD we = EllipsePoint(r.v[0], r.v[1], r.v[2], r.v[3], r.v[4], r.v[6]);
  return c.kind == GK_ARC && ((Dist(s, ws) < tol && Dist(e, we) < tol) || (Dist(s, we) < tol && Dist(e, ws) < tol));
}

TEST_F(DxfTest, BulgesAndInsertsMatchEzdxfsOwnGeometry) {
  const fs::path file = fs::path(VELMO_TESTS_DIR) / "files" / "data" / "dxf" / "entities.dxf";
  ASSERT_TRUE(DxfLoad(file, {}, &report));
  EXPECT_FALSE(report.damaged) << report.reason;
  const std::vector<TGcell> cells = StoreCells();
  EXPECT_EQ(cells.size(), std::size(kDxfReference));
  for (const TDxfReference& r : kDxfReference) {
    bool found = false;
    for (const TGcell& c : cells) found = found || Matches(r, c);
    EXPECT_TRUE(found) << r.what << " " << r.type << " " << r.v[0] << "," << r.v[1] << "," << r.v[2];
  }
}

// ---- Entities, layers, pens ------------------------------------------------------

TEST_F(DxfTest, ArcsPensAndLayers) {
  const std::string layers =
      "0\nLAYER\n2\n0\n62\n7\n6\nCONTINUOUS\n"
      "0\nLAYER\n2\nWALLS_OF_THE_HOUSE\n62\n3\n6\nDASHED\n"
      "0\nLAYER\n2\nAXES\n62\n-5\n6\nCENTER\n";
  ASSERT_TRUE(Load(Dxf("0\nARC\n8\n0\n10\n1\n20\n2\n40\n5\n50\n350\n51\n10\n"
                       "0\nLINE\n8\nWALLS_OF_THE_HOUSE\n10\n0\n20\n0\n11\n1\n21\n0\n"   // the layer's dashed green
                       "0\nLINE\n8\nWALLS_OF_THE_HOUSE\n62\n256\n10\n0\n20\n1\n11\n1\n21\n1\n"
                       "0\nLINE\n8\nAXES\n62\n0\n6\nHIDDEN2\n10\n0\n20\n2\n11\n1\n21\n2\n"
                       "0\nLINE\n8\nNOWHERE\n62\n7\n10\n0\n20\n3\n11\n1\n21\n3\n",
                       layers)));
  const std::vector<TGcell> arcs = StoreCells(GK_ARC);
  ASSERT_EQ(arcs.size(), 1u);
  EXPECT_NEAR(ArcOf(arcs[0]).s, -10 * kPi / 180, 1e-12);
  EXPECT_NEAR(ArcOf(arcs[0]).e, 10 * kPi / 180, 1e-12);
  EXPECT_EQ(arcs[0].pen, 0x16);  // colour 7: pen 6
  const std::vector<TGcell> lines = StoreCells(GK_LINE);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0].pen, 0x33);
  EXPECT_EQ(lines[0].layer, 1);
  EXPECT_EQ(lines[1].pen, 0x36);  // colour 256: pen 6
  EXPECT_EQ(lines[2].pen, 0x21);  // colour 0: pen 1; the entity's own line type
  EXPECT_EQ(lines[2].layer, 2);
  EXPECT_EQ(lines[3].layer, 0);   // no such layer
  EXPECT_EQ(CurPVC().groups[0].layers[1].name, "WALLS_OF");  // shortened to 8 bytes
  EXPECT_EQ(DxfLineType("DASHDOTX2"), 6);
  EXPECT_EQ(DxfLineType("continuous"), 1);
  EXPECT_EQ(DxfLineType("PHANTOM"), 7);
}

TEST_F(DxfTest, Polylines) {
  const std::string square = "10\n0\n20\n0\n10\n10\n20\n0\n10\n10\n20\n10\n10\n0\n20\n10\n";
  ASSERT_TRUE(Load(Dxf("0\nLWPOLYLINE\n90\n4\n70\n1\n" + square + "0\nLWPOLYLINE\n90\n4\n70\n0\n" + square +
                       "0\nPOLYLINE\n66\n1\n70\n1\n"
                       "0\nVERTEX\n10\n0\n20\n50\n0\nVERTEX\n10\n10\n20\n50\n42\n1\n0\nVERTEX\n10\n10\n20\n60\n"
                       "0\nSEQEND\n")));
  // 4 + 3 from the light polylines; the closed POLYLINE: a line, a half
  // circle (bulge 1), and its closing side.
  EXPECT_EQ(StoreCells(GK_LINE).size(), 4u + 3u + 2u);
  const std::vector<TGcell> arcs = StoreCells(GK_ARC);
  ASSERT_EQ(arcs.size(), 1u);
  EXPECT_NEAR(ArcOf(arcs[0]).r, 5, 1e-12);
  EXPECT_NEAR(ArcOf(arcs[0]).cx, 10, 1e-12);
  EXPECT_NEAR(ArcOf(arcs[0]).cy, 55, 1e-12);
}

TEST_F(DxfTest, TextsAndTheirCodes) {
  struct Case {
    const char* raw;
    const char* text;
    int underline;
  } cases[] = {
      {"%%c50", "φ50", 0},
      {"30%%d", "30°", 0},
      {"100%%%", "100%", 0},
      {"%%U2title", "title", 2},
      {"{\\fArial|b0;bold} rest", "bold rest", 0},
      {"x{\\S1^2;}", "x^t1^b2", 0},
  };
  for (const Case& c : cases) {
    int underline = -1;
    EXPECT_EQ(DxfTextFormat(c.raw, &underline), c.text) << c.raw;
    EXPECT_EQ(underline, c.underline) << c.raw;
  }
  // A TEXT of 2.5 at (5, 5): placed by its lower-left corner; an underline.
  ASSERT_TRUE(Load(Dxf("0\nTEXT\n10\n5\n20\n5\n40\n2.5\n1\n%%c50\n0\nTEXT\n10\n0\n20\n20\n40\n2\n1\n%%U3ab\n")));
  const std::vector<TGcell> texts = StoreCells(GK_TEXT);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].text, "φ50");
  EXPECT_NEAR(TextOf(texts[0]).at.y, 5, 1e-12);
  EXPECT_EQ(texts[1].text, "ab");
  const std::vector<TGcell> under = StoreCells(GK_LINE);
  ASSERT_EQ(under.size(), 1u);
  EXPECT_EQ(under[0].pen & 0xF, 3);
  EXPECT_NEAR(LineOf(under[0]).a.y, 20 - 0.25, 1e-12);
}

TEST_F(DxfTest, MultiLineTextsAndEncodings) {
  // Three lines centred on the point (attachment 5).
  ASSERT_TRUE(Load(Dxf("0\nMTEXT\n10\n0\n20\n0\n40\n4\n71\n5\n1\nabc\\Pde\\Pf\n")));
  std::vector<TGcell> texts = StoreCells(GK_TEXT);
  ASSERT_EQ(texts.size(), 3u);
  const double total = 4 + 2 * 5.0;  // the height and two pitches of 1.25 times it
  // Each line by its lower-left corner: the first one height below the top.
  EXPECT_NEAR(TextOf(texts[0]).at.y, total / 2 - 4, 1e-12);
  EXPECT_NEAR(TextOf(texts[2]).at.y, total / 2 - 4 - 10, 1e-12);
  EXPECT_NEAR(TextOf(texts[0]).at.x, -3 * 4 / 2.0 / 2, 1e-12);  // half the widest line (3 bytes, half a height each)

  // From AutoCAD 2007 on the file is UTF-8; escapes anywhere.
  VelmoReset();
  ASSERT_TRUE(Load(Dxf("0\nTEXT\n10\n0\n20\n0\n40\n1\n1\n" + SjisToUtf8("図面") + "\\U+00B1\n", "",
                       "9\n$ACADVER\n1\nAC1027\n")));
  texts = StoreCells(GK_TEXT);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text, "図面±");
  // Before it, CP932 as it stands.
  VelmoReset();
  ASSERT_TRUE(Load(Dxf("0\nTEXT\n10\n0\n20\n0\n40\n1\n1\n図面\n", "", "9\n$ACADVER\n1\nAC1015\n")));
  EXPECT_EQ(StoreCells(GK_TEXT).at(0).text, "図面");
}

TEST_F(DxfTest, SizeTableAndFitting) {
  std::string texts;
  for (double h : {2.0, 3.5, 5.0})
    texts += "0\nTEXT\n10\n0\n20\n0\n40\n" + std::to_string(h) + "\n1\nx\n";
  TDxfOptions o;
  o.scale = 1;
  ASSERT_TRUE(Load(Dxf(texts), o));
  const TPVC& p = CurPVC();
  EXPECT_EQ(p.textSizes[1].height, 2.0);
  EXPECT_EQ(p.textSizes[2].height, 3.5);
  EXPECT_EQ(p.textSizes[3].height, 5.0);
  EXPECT_EQ(p.textSizes[4].height, 9.0);  // the rest: 4 times the least, plus 1
  const std::vector<TGcell> t = StoreCells(GK_TEXT);
  ASSERT_EQ(t.size(), 3u);
  EXPECT_EQ(t[0].size, 1);
  EXPECT_EQ(t[1].size, 2);
  EXPECT_EQ(t[2].size, 3);
}

// ---- Refusals and damage --------------------------------------------------------

TEST_F(DxfTest, BinaryAndForeignFilesAreRefused) {
  for (const std::string& text :
       {std::string("AutoCAD Binary DXF\r\n\x1a\0\0\0SECTION", 31), std::string("hello, world\nthis is no drawing\n"),
        std::string()}) {
    VelmoReset();
    Headless().Reset();
    EXPECT_FALSE(DxfLoadText(text, {}, "x.dxf"));
    EXPECT_EQ(platform().messages().size(), 1u);
    EXPECT_TRUE(StoreCells().empty());
  }
}

TEST_F(DxfTest, AbsurdNumbersAndRunawayBlocksAreDropped) {
  const std::string blocks =
      "0\nSECTION\n2\nBLOCKS\n"
      "0\nBLOCK\n2\nSELF\n10\n0\n20\n0\n0\nLINE\n10\n0\n20\n0\n11\n1\n21\n0\n0\nINSERT\n2\nSELF\n10\n1\n20\n0\n"
      "0\nENDBLK\n0\nENDSEC\n";
  ASSERT_TRUE(Load(blocks + Dxf("0\nLINE\n10\nnan\n20\n0\n11\n1\n21\n0\n"
                                "0\nLINE\n10\n1e300\n20\n0\n11\n1\n21\n0\n"
                                "0\nINSERT\n2\nSELF\n10\n0\n20\n0\n"
                                "0\nLINE\n10\n0\n20\n9\n11\n1\n21\n9\n")));
  EXPECT_EQ(report.skipped, 3);  // two lines, the block inside itself
  EXPECT_EQ(StoreCells(GK_LINE).size(), 2u);  // the block's own line, and the last one
}

}  // namespace
