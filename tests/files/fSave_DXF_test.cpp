#include "files/fSave_DXF.h"

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "StoreCells.h"
#include "VelmoTest.h"
#include "VldFixture.h"
#include "files/FileProc.h"
#include "files/fLoad_DXF.h"
#include "model/GC_DB.h"
#include "model/PVC.h"

namespace {

namespace fs = std::filesystem;
constexpr double kPi = 3.14159265358979323846;

// The (code, value) pairs of a DXF text, values as written.
std::vector<std::pair<int, std::string>> Pairs(const std::string& text) {
  std::vector<std::pair<int, std::string>> out;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t e1 = text.find("\r\n", at), e2 = text.find("\r\n", e1 + 2);
    if (e1 == std::string::npos || e2 == std::string::npos) break;
    out.emplace_back(std::stoi(text.substr(at, e1 - at)), text.substr(e1 + 2, e2 - e1 - 2));
    at = e2 + 2;
  }
  return out;
}

// The entities: each its type and its pairs after the type.
struct TEntity {
  std::string type;
  std::vector<std::pair<int, std::string>> pairs;
  std::string Get(int code, int nth = 0) const {
    for (const auto& [c, v] : pairs)
      if (c == code && nth-- == 0) return v;
    return "<none>";
  }
};
std::vector<TEntity> Entities(const std::string& text) {
  std::vector<TEntity> out;
  bool inside = false;
  for (const auto& [code, value] : Pairs(text)) {
    if (code == 2 && value == "ENTITIES") inside = true;
    if (!inside) continue;
    if (code == 0) {
      if (value == "ENDSEC") break;
      out.push_back({value, {}});
    } else if (!out.empty()) {
      out.back().pairs.emplace_back(code, value);
    }
  }
  return out;
}

double Num(const std::string& v) { return std::stod(v); }

int Add(TGcell c, std::uint16_t pen, std::uint8_t layer = 0) {
  c.pen = pen;
  c.layer = layer;
  return GcellAdd(std::move(c));
}

class DxfWriteTest : public VelmoTest {
protected:
  void SetUp() override {
    VelmoTest::SetUp();
    for (TGroupEntry& g : CurPVC().groups)
      for (TLayerEntry& l : g.layers) l.name.clear();
  }
};

// The head and tables, whole, against the golden text made from the layout.
TEST_F(DxfWriteTest, HeadAndTablesMatchTheGoldenText) {
  CurPVC().basicScale = 1;
  const std::string text = DxfText(1, false);
  const std::string golden = vldtest::ReadFile(fs::path(VELMO_TESTS_DIR) / "files" / "data" / "dxf" / "head_tables.txt");
  ASSERT_FALSE(golden.empty());
  const std::size_t end = text.find("ENTITIES\r\n");
  ASSERT_NE(end, std::string::npos);
  EXPECT_EQ(text.substr(0, end + 10), golden);

  // $TEXTSIZE is three times the whole part of the scale (at least 1).
  for (const auto& [scale, size] : {std::pair{1.0, "3.00"}, {2.5, "6.00"}, {0.5, "3.00"}, {100.0, "300.00"}}) {
    const auto pairs = Pairs(DxfText(scale, false));
    for (std::size_t i = 0; i + 1 < pairs.size(); ++i)
      if (pairs[i].second == "$TEXTSIZE") EXPECT_EQ(pairs[i + 1].second, size) << scale;
  }
}

TEST_F(DxfWriteTest, LayerNamesAreDeclaredAndDistinct) {
  TPVC& p = CurPVC();
  p.groups[1].layers[10].name.clear();
  p.groups[0].layers[1].name = "壁の線を描くための長いレイヤ名";  // cut at 16 bytes
  p.groups[0].layers[2].name = "壁の線を描くための別の名";      // the same 16 bytes
  p.groups[0].layers[3].name = "a/b";
  p.groups[0].layers[4].name = "　 ";  // blanks only
  const std::array<std::string, 256> names = DxfLayerNames();
  EXPECT_EQ(names[0x1A], "Layer1A");
  EXPECT_EQ(names[0x01], "壁の線を描くため");
  EXPECT_EQ(names[0x02], "壁の線を描くため_2");
  EXPECT_EQ(names[0x03], "a b");
  EXPECT_EQ(names[0x04], "Layer04");
  // Every code, 255 too, has its entry in the LAYER table.
  Add(MakeLine({0, 0}, {1, 1}), 0x11, 0xFF);
  int declared = 0;
  for (const auto& [code, value] : Pairs(DxfText(1, false)))
    if (code == 0 && value == "LAYER") ++declared;
  EXPECT_EQ(declared, 256);
  const std::vector<TEntity> e = Entities(DxfText(1, false));
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].Get(8), "LayerFF");
}

TEST_F(DxfWriteTest, CurvesFillsAndPens) {
  Add(MakeCircle({10, 20}, 5, 0.5, 0), 0x12);             // ellipse
  Add(MakeCircle({0, 0}, 5, 2, 0), 0x12);                 // taller than wide
  Add(MakeArc({0, 0, 7, 1, 0, 1.0, 1.0}), 0x23);          // start = end: a circle
  Add(MakeArc({0, 0, 7, 1, 0, 0, kPi / 2}), 0x23);        // an arc
  Add(MakeQuad({0, 0}, {10, 0}, {10, 5}, {0, 5}), 0x31);  // a fill
  Add(MakeLine({0, 0}, {1, 1}), 0x00);                    // pen 0
  TGcell polygon;
  polygon.kind = GK_POLYGON;
  polygon.text = "$FF0000,0,0,10,0,10,10";
  polygon.p[2] = polygon.p[3] = 10;
  Add(polygon, 1);
  TDxfWriteReport report;
  const std::vector<TEntity> e = Entities(DxfText(1, false, &report));
  ASSERT_EQ(e.size(), 6u);
  EXPECT_EQ(report.areas, 1);

  EXPECT_EQ(e[0].type, "ELLIPSE");
  EXPECT_EQ(e[0].Get(11), "   5.000");
  EXPECT_EQ(e[0].Get(21), "   0.000");
  EXPECT_EQ(e[0].Get(40), "   0.500");
  EXPECT_EQ(e[0].Get(41), "   0.000");
  EXPECT_EQ(e[0].Get(42), "   6.283");
  EXPECT_EQ(e[0].Get(62), "    2");
  EXPECT_EQ(e[0].Get(6), "CONTINUOUS");
  EXPECT_EQ(e[1].Get(11), "   0.000");
  EXPECT_EQ(e[1].Get(21), "  10.000");
  EXPECT_EQ(e[1].Get(40), "   0.500");
  EXPECT_NE(e[0].Get(5), e[1].Get(5));  // handles

  EXPECT_EQ(e[2].type, "CIRCLE");
  EXPECT_EQ(e[2].Get(40), "   7.000");
  EXPECT_EQ(e[3].type, "ARC");
  EXPECT_EQ(e[3].Get(6), "DASHED2");
  EXPECT_NEAR(Num(e[3].Get(51)), 90, 1e-6);

  // SOLID lists its corners 1, 2, 4, 3.
  EXPECT_EQ(e[4].type, "SOLID");
  EXPECT_EQ(e[4].Get(12), "   0.000");
  EXPECT_EQ(e[4].Get(22), "   5.000");
  EXPECT_EQ(e[4].Get(13), "  10.000");
  EXPECT_EQ(e[4].Get(23), "   5.000");
  EXPECT_EQ(e[4].Get(6), "DASHED");

  EXPECT_EQ(e[5].Get(62), "    0");
  EXPECT_EQ(e[5].Get(6), "CONTINUOUS");  // line type 0 as 1
}

TEST_F(DxfWriteTest, EllipsesAsLines) {
  struct Case {
    double r, scale;
    int lines;
  };
  for (const Case& c : {Case{100, 1, 70}, {10, 1, 22}, {1, 1, 7}, {50, 100, 7}}) {
    EXPECT_EQ(DxfEllipseLineCount(c.r, 2 * kPi, c.scale), c.lines) << c.r << " at " << c.scale;
  }
  Add(MakeCircle({0, 0}, 100, 0.5, 0), 0x11);
  Add(MakeArc({0, 0, 10, 0.5, 0.3, 0, kPi}), 0x11);
  const std::vector<TEntity> e = Entities(DxfText(1, true));
  ASSERT_EQ(e.size(), 70u + DxfEllipseLineCount(10, kPi, 1));
  for (const TEntity& l : e) EXPECT_EQ(l.type, "LINE");
  // The first line starts on the major axis, the last one closes the ellipse.
  EXPECT_EQ(e[0].Get(10), " 100.000");
  EXPECT_EQ(e[69].Get(11), " 100.000");
  EXPECT_EQ(e[69].Get(21), "   0.000");
}

TEST_F(DxfWriteTest, TextsPieceByPiece) {
  TPVC& p = CurPVC();
  p.basicScale = 1;
  p.textSizes[3] = {4, 3, 1, 2};  // height 4, width 3, spacing 1, pen 2
  const auto text = [&](const std::string& s, bool vertical = false) {
    TGcell t = MakeText(s, {10, 20}, 0);
    t.size = 3;
    t.vertical = vertical;
    Add(t, 1);
  };
  struct Case {
    std::string text;
    bool vertical;
    std::vector<std::string> written;
    std::vector<double> heights, xs, ys, angles;
  };
  const std::vector<Case> cases = {
      {"AB", false, {"AB"}, {4}, {10}, {20}, {0}},
      {"X^u2", false, {"X", "2"}, {4, 2}, {10, 11.5}, {20, 22}, {0, 0}},  // after the run: W/2
      {"a^^b", false, {"a", "^", "b"}, {4, 4, 4}, {10, 12, 14}, {20, 20, 20}, {0, 0, 0}},
      {"a^^u2", false, {"a", "２"}, {4, 2}, {10, 12}, {20, 22}, {0, 0}},
      {"（注）", true, {"（", "注", "）"}, {4, 3, 4}, {10, 17, 18}, {20, 20, 20}, {0, 90, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    VelmoReset();
    CurPVC().basicScale = 1;
    CurPVC().textSizes[3] = {4, 3, 1, 2};
    text(c.text, c.vertical);
    const std::vector<TEntity> e = Entities(DxfText(1, false));
    ASSERT_EQ(e.size(), c.written.size());
    for (std::size_t i = 0; i < e.size(); ++i) {
      EXPECT_EQ(e[i].type, "TEXT");
      EXPECT_EQ(e[i].Get(1), c.written[i]) << i;
      EXPECT_NEAR(Num(e[i].Get(40)), c.heights[i], 1e-9) << i;
      EXPECT_NEAR(Num(e[i].Get(10)), c.xs[i], 1e-9) << i;
      EXPECT_NEAR(Num(e[i].Get(20)), c.ys[i], 1e-9) << i;
      EXPECT_NEAR(Num(e[i].Get(50)), c.angles[i], 1e-9) << i;
      EXPECT_EQ(e[i].Get(62), "    2");  // the size's pen
    }
  }
}

// Saved, the drawing reads back with the same elements; the ellipse
// question is asked once; a failed write keeps the old file.
TEST_F(DxfWriteTest, SaveReadsBackAndAsksAboutEllipses) {
  const fs::path dir = fs::path(testing::TempDir()) / "dxf_save";
  fs::remove_all(dir);
  fs::create_directories(dir);
  const fs::path file = dir / "plan.dxf";
  CurPVC().basicScale = 1;
  Add(MakeLine({0, 0}, {100, 50}), 0x11, 0x12);
  Add(MakeCircle({50, 50}, 20), 0x23);
  Add(MakeCircle({150, 50}, 20, 0.5, 0.2), 0x11);
  Add(MakeArc({0, 0, 30, 1, 0, 0.5, 2}), 0x11);
  Add(MakeQuad({0, 0}, {10, 0}, {10, 5}, {0, 5}), 0x31);
  TGcell t = MakeText("平面図", {10, 20}, 0);
  t.size = 3;
  Add(t, 1);
  platform().ScriptAnswer(MsgAnswer::No);
  ASSERT_TRUE(SaveByExtension(file));
  EXPECT_EQ(platform().messages().size(), 1u);
  EXPECT_EQ(platform().messages()[0].text, "楕円を直線列に変換しますか？");

  VelmoReset();
  ASSERT_TRUE(DxfLoad(file, TDxfOptions{}));
  EXPECT_EQ(StoreCells(GK_LINE).size(), 1u);
  EXPECT_EQ(StoreCells(GK_CIRCLE).size(), 2u);
  EXPECT_EQ(StoreCells(GK_ARC).size(), 1u);
  EXPECT_EQ(StoreCells(GK_FILL4K).size(), 1u);
  ASSERT_EQ(StoreCells(GK_TEXT).size(), 1u);
  EXPECT_EQ(StoreCells(GK_TEXT)[0].text, "平面図");
  const std::vector<TGcell> circles = StoreCells(GK_CIRCLE);
  EXPECT_NEAR(FlatnessOf(circles[1]), 0.5, 1e-3);
  EXPECT_NEAR(ArcOf(circles[1]).t, 0.2, 1e-3);
  const TQuadGeom q = QuadOf(StoreCells(GK_FILL4K)[0]);
  EXPECT_NEAR(q.corner[2].x, 10, 1e-9);  // the same outline, not crossed
  EXPECT_NEAR(q.corner[2].y, 5, 1e-9);
  EXPECT_EQ(StoreCells(GK_LINE)[0].layer, 0x12);

  const std::string first = vldtest::ReadFile(file);
  fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
  if (::access(dir.c_str(), W_OK) != 0) {  // not as root
    Add(MakeLine({0, 0}, {0, 100}), 0x11);
    EXPECT_FALSE(DxfSave(file, 1));
    EXPECT_EQ(vldtest::ReadFile(file), first);
  }
  fs::permissions(dir, fs::perms::owner_all);
  fs::remove_all(dir);
}

}  // namespace
