#include "files/fLoad_JWW.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <vector>

#include "JwwFixture.h"
#include "StoreCells.h"
#include "VelmoTest.h"
#include "VldFixture.h"
#include "model/GC_DB.h"
#include "model/PVC.h"

namespace {

namespace fs = std::filesystem;
using jwwtest::TBase;
using jwwtest::TJwwWriter;

constexpr double kPi = 3.14159265358979323846;

fs::path Samples() { return fs::path(VELMO_TESTS_DIR) / "files" / "data" / "jww"; }

std::vector<fs::path> SampleFiles() {
  std::vector<fs::path> out;
  for (const fs::path& dir : {Samples(), Samples() / "blocks"})
    for (const auto& e : fs::directory_iterator(dir))
      if (e.path().extension() == ".jww") out.push_back(e.path());
  std::sort(out.begin(), out.end());
  return out;
}

class JwwTest : public VelmoTest {
protected:
  bool Load(TJwwWriter& w, TJwwReadReport* report = nullptr, double ox = 0, double oy = 0) {
    return JwwLoadBytes(w.Bytes(), ox, oy, report);
  }
};

// ---- Signature, version and header --------------------------------------------

TEST_F(JwwTest, OldVersionsAndOtherFilesAreRefusedWithTheirMessage) {
  struct Case {
    std::string bytes;
    bool read;
    const char* message;
  } cases[] = {
      {TJwwWriter(229).Line({}, 0, 0, 1, 1).Bytes(), false, "旧のＪＷＷデータは読めません."},
      {TJwwWriter(230).Line({}, 0, 0, 1, 1).Bytes(), true, nullptr},
      {"JwwData.", false, "旧のＪＷＷデータは読めません."},
      {"JwcData.xxxxxxxxxxxx", false, "ＪＷＷデータではありません."},
      {"Jww", false, "ＪＷＷデータではありません."},
  };
  for (const Case& c : cases) {
    VelmoReset();
    Headless().Reset();
    const double scale = CurPVC().basicScale;
    EXPECT_EQ(JwwLoadBytes(c.bytes, 0, 0), c.read) << c.bytes.size();
    if (c.message) {
      ASSERT_EQ(platform().messages().size(), 1u);
      EXPECT_EQ(platform().messages()[0].text, c.message);
      EXPECT_EQ(CurPVC().basicScale, scale);  // the window's settings untouched
      EXPECT_TRUE(StoreCells().empty());
    } else {
      EXPECT_TRUE(platform().messages().empty());
      EXPECT_EQ(StoreCells().size(), 1u);
    }
  }
}

TEST_F(JwwTest, HeaderSettingsBecomeTheWindowsSettings) {
  TJwwWriter w(600);
  w.paper = 8;  // 2A: no paper of ours
  w.scales[0] = 50;
  w.scales[3] = 200;
  w.groupState[2] = 0;
  w.layerState[3][7] = 0;
  w.writeGroup = 3;
  w.writeLayer[3] = 9;
  w.layerNames[3 * 16 + 7] = "通り芯レイヤの長い名前です";
  w.groupNames[3] = "配置図";
  w.sizes[4] = {3.5, 4.5, 0.5, 9};
  w.Line({}, 0, 0, 1, 1);
  ASSERT_TRUE(Load(w));
  const TPVC& p = CurPVC();
  EXPECT_EQ(p.paperSize, PAPER_NONE);
  EXPECT_EQ(p.basicScale, 50);
  EXPECT_EQ(p.groups[3].scaleX, 200);
  EXPECT_EQ(p.groups[3].scaleY, 200);
  EXPECT_FALSE(p.groups[2].visible);
  EXPECT_TRUE(p.groups[3].visible);
  EXPECT_FALSE(p.groups[3].layers[7].visible);
  EXPECT_TRUE(p.groups[3].layers[6].visible);
  EXPECT_EQ(p.writeLayer, 0x39);
  EXPECT_EQ(p.groups[3].layers[7].name, "通り芯レイヤの長");  // 16 bytes, never half a character
  EXPECT_EQ(p.groups[3].name, "配置図");
  EXPECT_EQ(p.textSizes[4].width, 3.5);
  EXPECT_EQ(p.textSizes[4].height, 4.5);
  EXPECT_EQ(p.textSizes[4].spacing, 0.5);
  EXPECT_EQ(p.textSizes[4].pen, 6);  // colour clamped to 1..6
  // A line of paper millimetres stores them times group 0's scale.
  EXPECT_EQ(LineOf(StoreCells().at(0)).b.x, 50);
}

// Every version from 230 lays its header and records out its own way; the
// same drawing reads the same from each.
TEST_F(JwwTest, EveryVersionReadsTheSameDrawing) {
  std::vector<TGcell> first;
  for (std::uint32_t version : {230u, 300u, 351u, 420u, 600u, 700u}) {
    VelmoReset();
    TJwwWriter w(version);
    w.wideNames = version == 700;
    w.layerNames[5] = "layer";
    w.Line({2, 3, 1, 0}, 1, 2, 3, 4)
        .Arc({1, 2}, 5, 5, 2, 0.5, 1.0)
        .Point({100, 4}, 7, 8)
        .Text({0, 5}, 10, 20, 3, 3.5, 4, 0.75, 0, "文字")
        .Solid({1, 10}, 0, 0, 4, 0, 4, 3, 0, 3, 0x00123456)
        .Dimension({1, 1}, 0, -10, 40, -10, "40")
        .Line({}, 9, 9, 10, 10);
    TJwwReadReport r;
    ASSERT_TRUE(Load(w, &r)) << version;
    EXPECT_FALSE(r.damaged) << version << " " << r.reason;
    EXPECT_EQ(CurPVC().groups[0].layers[5].name, "layer") << version;
    const std::vector<TGcell> cells = StoreCells();
    ASSERT_EQ(cells.size(), 8u) << version;
    if (first.empty()) {
      first = cells;
      continue;
    }
    for (std::size_t i = 0; i < cells.size(); ++i) {
      EXPECT_EQ(cells[i].kind, first[i].kind) << version << " cell " << i;
      EXPECT_EQ(cells[i].pen, first[i].pen) << version << " cell " << i;
      EXPECT_EQ(cells[i].text, first[i].text) << version << " cell " << i;
      for (int k = 0; k < 9; ++k) EXPECT_EQ(cells[i].p[k], first[i].p[k]) << version << " cell " << i;
    }
  }
}

// ---- Entities -----------------------------------------------------------------

TEST_F(JwwTest, PenWords) {
  struct Case {
    int colour, style, pen;
  } cases[] = {{3, 2, 0x23}, {1, 1, 0x11}, {6, 8, 0x86}, {7, 1, 0x57}, {9, 2, 0x57},
               {3, 0, 0x57}, {3, 9, 0x57}, {0, 1, 0x57}, {10, 1, 0x57}};
  for (const Case& c : cases) EXPECT_EQ(JwwPenWord(c.colour, c.style), c.pen) << c.colour << "," << c.style;

  // Lines take their style as the line type; texts and points, whose style
  // byte means something else, the solid line type.
  TJwwWriter w;
  w.Line({2, 3}, 0, 0, 1, 0).Text({0, 3}, 0, 0, 1, 1.5, 2, 0.25, 0, "t").Point({100, 5}, 1, 1).Point({1, 5}, 2, 2, true);
  ASSERT_TRUE(Load(w));
  const std::vector<TGcell> c = StoreCells();
  ASSERT_EQ(c.size(), 4u);
  EXPECT_EQ(c[0].pen, 0x23);
  EXPECT_EQ(c[1].pen, 0x13);
  EXPECT_EQ(c[2].pen, 0x15);
  EXPECT_EQ(c[3].pen, 0x57);  // a temporary point is not printed
}

TEST_F(JwwTest, ArcsAndCircles) {
  TJwwWriter w;
  w.scales[0] = 10;
  w.Arc({}, 1, 2, 3, 0.5, 1.0)
      .Arc({}, 0, 0, 1, 2.0, -1.5)             // a negative sweep runs backwards
      .Arc({}, 0, 0, 2, -0.8, 2 * kPi, 0.3, 0.5, true)
      .Arc({}, 0, 0, 2, 1.0, 0);                // nothing swept: no cell
  ASSERT_TRUE(Load(w));
  const std::vector<TGcell> arcs = StoreCells(GK_ARC), circles = StoreCells(GK_CIRCLE);
  ASSERT_EQ(arcs.size(), 2u);
  ASSERT_EQ(circles.size(), 1u);
  const ArcParams a = ArcOf(arcs[0]);
  EXPECT_DOUBLE_EQ(a.cx, 10);
  EXPECT_DOUBLE_EQ(a.cy, 20);
  EXPECT_DOUBLE_EQ(a.r, 30);
  EXPECT_DOUBLE_EQ(a.s, 0.5);
  EXPECT_DOUBLE_EQ(a.e, 1.5);
  EXPECT_DOUBLE_EQ(ArcOf(arcs[1]).s, 0.5);
  EXPECT_DOUBLE_EQ(ArcOf(arcs[1]).e, 2.0);
  const ArcParams e = ArcOf(circles[0]);
  EXPECT_DOUBLE_EQ(e.r, 20);
  EXPECT_DOUBLE_EQ(e.f, 0.5);
  EXPECT_DOUBLE_EQ(e.t, 0.3);
}

TEST_F(JwwTest, TextsTakeTheirSizeNumberOrTheirOwnSize) {
  TJwwWriter w;
  w.scales[0] = 100;
  const auto size = [&](int n) { return w.sizes[static_cast<std::size_t>(n)]; };
  struct Case {
    std::uint32_t type;
    double width, height, spacing;
    int size;
  } cases[] = {
      {10005, size(5).width, size(5).height, size(5).spacing, 5},  // bold: the type's thousands
      {0, size(1).width, size(1).height, size(1).spacing, 1},
      {12, size(10).width, size(10).height, size(10).spacing, 10},
      {3, 7.0, 8.0, 0.5, 0},  // measures of no size: its own
  };
  for (const Case& c : cases) w.Text({}, 10, 20, c.type, c.width, c.height, c.spacing, 90, "寸法");
  ASSERT_TRUE(Load(w));
  const std::vector<TGcell> texts = StoreCells(GK_TEXT);
  ASSERT_EQ(texts.size(), std::size(cases));
  for (std::size_t i = 0; i < texts.size(); ++i) {
    const Case& c = cases[i];
    const TGcell& t = texts[i];
    EXPECT_EQ(t.size, c.size) << c.type;
    EXPECT_EQ(t.text, "寸法");
    const TTextGeom g = TextOf(t);
    EXPECT_DOUBLE_EQ(g.angle, kPi / 2);
    EXPECT_DOUBLE_EQ(g.height, c.height * 100);
    EXPECT_DOUBLE_EQ(g.width, c.width * 100);
    EXPECT_DOUBLE_EQ(g.gap, c.spacing * 100);
    // The file's lower-left corner is the cell's reference point.
    EXPECT_NEAR(g.at.x, 1000, 1e-9);
    EXPECT_NEAR(g.at.y, 2000, 1e-9);
  }
}

TEST_F(JwwTest, FilledQuadrilateralsAndCircles) {
  TJwwWriter w;
  w.scales[0] = 2;
  w.Solid({1, 10}, 0, 0, 4, 0, 5, 3, -1, 3, 0x00FF8000)
      .Solid({1, 3}, 0, 0, 1, 0, 1, 1, 0, 1)
      .CircleSolid({101, 10}, 1, 1, 2, 0, 0, 100, 0x000000FF)  // a whole disc
      .CircleSolid({101, 4}, 1, 1, 2, 0.25, 1.0, 0)          // a sector
      .CircleSolid({105, 4}, 1, 1, 2, 0, 0, 1);              // a ring: no such cell
  TJwwReadReport r;
  ASSERT_TRUE(Load(w, &r));
  EXPECT_EQ(r.unsupported, 1);
  const std::vector<TGcell> quads = StoreCells(GK_FILL4K), discs = StoreCells(GK_POLYARC);
  ASSERT_EQ(quads.size(), 2u);
  const TQuadGeom q = QuadOf(quads[0]);
  const TPointD want[] = {{0, 0}, {8, 0}, {10, 6}, {-2, 6}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_DOUBLE_EQ(q.corner[i].x, want[i].x) << i;
    EXPECT_DOUBLE_EQ(q.corner[i].y, want[i].y) << i;
  }
  EXPECT_EQ(quads[0].text, "$00FF8000");
  EXPECT_EQ(quads[1].text, "");
  EXPECT_EQ(quads[1].pen, 0x13);
  ASSERT_EQ(discs.size(), 2u);
  EXPECT_EQ(discs[0].text, "$000000FF");
  EXPECT_EQ(ArcOf(discs[0]).s, ArcOf(discs[0]).e);  // whole
  EXPECT_DOUBLE_EQ(ArcOf(discs[0]).r, 4);
  EXPECT_DOUBLE_EQ(ArcOf(discs[1]).s, 0.25);
  EXPECT_DOUBLE_EQ(ArcOf(discs[1]).e, 1.25);
}

TEST_F(JwwTest, DimensionsGiveTheirLineAndText) {
  for (std::uint32_t version : {300u, 600u}) {
    VelmoReset();
    TJwwWriter w(version);
    w.Dimension({2, 1, 4, 1}, 0, -10, 40, -10, "4,000").Line({}, 0, 0, 5, 5);
    ASSERT_TRUE(Load(w)) << version;
    const std::vector<TGcell> c = StoreCells();
    ASSERT_EQ(c.size(), 3u) << version;
    EXPECT_EQ(c[0].kind, GK_LINE);
    EXPECT_EQ(c[0].layer, 0x14);
    EXPECT_EQ(c[0].pen, 0x21);
    EXPECT_EQ(LineOf(c[0]).b.x, 40);
    EXPECT_EQ(c[1].kind, GK_TEXT);
    EXPECT_EQ(c[1].text, "4,000");
    EXPECT_EQ(c[1].layer, 0x14);
    EXPECT_EQ(c[2].kind, GK_LINE);  // what follows a dimension is read
  }
}

TEST_F(JwwTest, EntitiesKeepTheirGroupAndLayer) {
  TJwwWriter w;
  w.scales[3] = 50;
  w.Line({1, 1, 5, 3}, 0, 0, 1, 1).Text({1, 1, 15, 15}, 0, 0, 1, 1.5, 2, 0.25, 0, "x").Line({1, 1, 99, 2}, 0, 0, 1, 1);
  ASSERT_TRUE(Load(w));
  const std::vector<TGcell> c = StoreCells();
  ASSERT_EQ(c.size(), 3u);
  EXPECT_EQ(c[0].layer, 0x35);
  EXPECT_EQ(c[1].layer, 0xFF);
  EXPECT_EQ(c[2].layer, 0x2F);  // a layer beyond 15 taken as the last
}

// ---- Blocks -------------------------------------------------------------------

TEST_F(JwwTest, BlockReferencesAreExpandedWithTheirPlacement) {
  TJwwWriter w;
  w.scales[0] = 10;
  w.Block({1, 1, 2, 1}, 100, 0, 1, 1, kPi / 2, 7)
      .Block({1, 1, 3, 1}, 0, 100, 2, 2, 0, 7)
      .Block({1, 1, 0, 0}, 0, 0, 1, 1, 0, 99);  // no such block
  w.BeginDefinition(7, "door").Line({2, 1}, 0, 0, 10, 0).Text({}, 0, 0, 2, 2.5, 3, 0.5, 0, "D").EndDefinition();
  TJwwReadReport r;
  ASSERT_TRUE(Load(w, &r));
  EXPECT_FALSE(r.damaged);
  EXPECT_EQ(r.unsupported, 1);
  const std::vector<TGcell> lines = StoreCells(GK_LINE), texts = StoreCells(GK_TEXT);
  ASSERT_EQ(lines.size(), 2u);
  ASSERT_EQ(texts.size(), 2u);
  // Turned a quarter about (100, 0), on the reference's layer.
  EXPECT_NEAR(LineOf(lines[0]).a.x, 1000, 1e-9);
  EXPECT_NEAR(LineOf(lines[0]).b.x, 1000, 1e-9);
  EXPECT_NEAR(LineOf(lines[0]).b.y, 100, 1e-9);
  EXPECT_EQ(lines[0].layer, 0x12);
  EXPECT_EQ(lines[0].pen, 0x21);  // its own pen
  EXPECT_NEAR(TextOf(texts[0]).angle, kPi / 2, 1e-12);
  EXPECT_EQ(texts[0].size, 2);
  // Doubled at (0, 100): twice as long, the text twice as large (its own size then).
  EXPECT_NEAR(LineOf(lines[1]).b.x, 200, 1e-9);
  EXPECT_NEAR(LineOf(lines[1]).a.y, 1000, 1e-9);
  EXPECT_EQ(lines[1].layer, 0x13);
  EXPECT_EQ(texts[1].size, 0);
  EXPECT_NEAR(TextOf(texts[1]).height, 60, 1e-9);
}

TEST_F(JwwTest, NestedBlocksAndBlocksThatContainThemselves) {
  TJwwWriter w;
  w.Block({}, 10, 0, 2, 2, 0, 1).Block({}, 0, 0, 1, 1, 0, 3);
  w.BeginDefinition(1, "outer").Block({}, 0, 5, 1, 1, kPi / 2, 2).Line({}, 0, 0, 1, 0).EndDefinition();
  w.BeginDefinition(2, "inner").Line({}, 0, 0, 0, 1).EndDefinition();
  w.BeginDefinition(3, "loop").Line({}, 0, 0, 2, 0).Block({}, 1, 1, 1, 1, 0, 3).EndDefinition();
  TJwwReadReport r;
  ASSERT_TRUE(Load(w, &r));
  const std::vector<TGcell> lines = StoreCells(GK_LINE);
  ASSERT_EQ(lines.size(), 3u);
  // Inner: turned and moved by its own placement, then doubled and moved by the outer one.
  EXPECT_NEAR(LineOf(lines[0]).a.x, 10, 1e-9);
  EXPECT_NEAR(LineOf(lines[0]).a.y, 10, 1e-9);
  EXPECT_NEAR(LineOf(lines[0]).b.x, 8, 1e-9);
  EXPECT_NEAR(LineOf(lines[0]).b.y, 10, 1e-9);
  EXPECT_NEAR(LineOf(lines[1]).b.x, 12, 1e-9);  // outer's own line
  EXPECT_NEAR(LineOf(lines[2]).b.x, 2, 1e-9);   // the loop's line, once
  EXPECT_EQ(r.unsupported, 1);                  // the loop's reference to itself
}

TEST_F(JwwTest, DefinitionsNestedWithoutEndAreDamage) {
  // Each definition's list opening another definition, far deeper than any
  // drawing: the read stops instead of exhausting the stack.
  std::string nested;
  // A definition: its tag (class 3, after the line's class and object), its
  // common data, number, flag, time and empty name (28 bytes), one child.
  for (int i = 0; i < 5000; ++i)
    nested += (i == 0 ? std::string("\xFF\xFF\x58\x02\x09\0CDataList", 15) : std::string("\x03\x80", 2)) +
              std::string(28, '\0') + std::string("\x01\0", 2);
  TJwwWriter w;
  w.Line({}, 0, 0, 1, 0).RawObject(nested);
  TJwwReadReport r;
  ASSERT_TRUE(Load(w, &r));
  EXPECT_TRUE(r.damaged);
  EXPECT_EQ(r.reason, "図形データの並びが壊れています.");
  EXPECT_EQ(StoreCells(GK_LINE).size(), 1u);
}

TEST_F(JwwTest, ExpansionThatRunsAwayStopsTheRead) {
  // 30 definitions, each placing the next twice: a billion lines, or with no
  // line at the bottom as many empty placements. Either stops at the limit.
  for (bool withLine : {true, false}) {
    VelmoReset();
    g_fLoadJww.maxExpanded = 10'000;
    TJwwWriter w;
    w.Line({}, 0, 0, 1, 0).Block({}, 0, 0, 1, 1, 0, 0);
    for (std::uint32_t n = 0; n < 30; ++n) {
      w.BeginDefinition(n, "b").Block({}, 1, 0, 1, 1, 0, n + 1).Block({}, 0, 1, 1, 1, 0, n + 1).EndDefinition();
    }
    w.BeginDefinition(30, "end");
    if (withLine) w.Line({}, 0, 0, 0, 1);
    w.EndDefinition();
    TJwwReadReport r;
    ASSERT_TRUE(Load(w, &r));
    EXPECT_TRUE(r.damaged);
    EXPECT_EQ(r.reason, "ブロックの展開が多すぎます.");
    EXPECT_LE(StoreCells(GK_LINE).size(), 10'001u);
    EXPECT_GE(StoreCells(GK_LINE).size(), 1u);
  }
}

// ---- Archive tags and strings ------------------------------------------------

TEST_F(JwwTest, LongClassTagsNullObjectsAndRepeatedObjects) {
  TJwwWriter w;
  w.bigTags = true;
  w.Line({}, 0, 0, 1, 0).Line({}, 0, 0, 2, 0);
  w.RawObject(std::string("\0\0", 2));      // no object
  w.RawObject(std::string("\x02\0", 2));    // the first line again
  w.Line({}, 0, 0, 3, 0);
  TJwwReadReport r;
  ASSERT_TRUE(Load(w, &r));
  EXPECT_FALSE(r.damaged) << r.reason;
  const std::vector<TGcell> lines = StoreCells(GK_LINE);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(LineOf(lines[2]).b.x, 3);
}

TEST_F(JwwTest, DamageStopsTheReadAndKeepsWhatCameBefore) {
  struct Case {
    const char* what;
    std::string object;
    const char* reason;
  } cases[] = {
      {"unknown class", std::string("\xFF\xFF\x58\x02\x09\0CDataXxxx", 15), "読み込めない図形(CDataXxxx)があります."},
      {"class index past the classes", std::string("\x09\x80", 2), "図形データの並びが壊れています."},
      {"class index naming an object", std::string("\x02\x80", 2), "図形データの並びが壊れています."},
      {"object index past the objects", std::string("\x40\x00", 2), "図形データの並びが壊れています."},
      {"class name too long", std::string("\xFF\xFF\x58\x02\x40\0", 6) + std::string(64, 'C'),
       "図形データの並びが壊れています."},
      {"cut inside a record", std::string("\x01\x80\0\0", 4), "ファイルが途中で終わっています."},
  };
  for (const Case& c : cases) {
    VelmoReset();
    TJwwWriter w;
    w.Line({}, 0, 0, 1, 0).RawObject(c.object);
    // The record cut short ends the file (the blocks' empty count is read as its first bytes).
    if (std::string(c.what) != "cut inside a record") w.Line({}, 0, 0, 2, 0);
    TJwwReadReport r;
    EXPECT_TRUE(JwwLoadBytes(w.Bytes(), 0, 0, &r)) << c.what;
    EXPECT_TRUE(r.damaged) << c.what;
    EXPECT_EQ(r.reason, c.reason) << c.what;
    EXPECT_EQ(StoreCells(GK_LINE).size(), 1u) << c.what;
    EXPECT_EQ(r.cells, 1) << c.what;
  }
}

TEST_F(JwwTest, CountsAndLengthsBeyondTheFileAreDamageNotAllocations) {
  TJwwWriter w;
  w.Line({}, 0, 0, 1, 0);
  const std::string bytes = w.Bytes();
  const std::size_t header = TJwwWriter().Bytes().size() - 4;  // before the two empty lists' counts
  const std::string ff(6, '\xFF');

  // A memo whose length claims four gigabytes.
  TJwwReadReport r;
  EXPECT_TRUE(JwwLoadBytes(bytes.substr(0, 12) + ff + std::string(1, '\xFF') + bytes.substr(13), 0, 0, &r));
  EXPECT_TRUE(r.damaged);
  EXPECT_EQ(r.reason, "ファイルが途中で終わっています.");
  EXPECT_TRUE(StoreCells().empty());

  // A list that claims four billion objects: its one line, then the end.
  VelmoReset();
  EXPECT_TRUE(JwwLoadBytes(bytes.substr(0, header) + ff + bytes.substr(header + 2), 0, 0, &r));
  EXPECT_TRUE(r.damaged);
  EXPECT_EQ(StoreCells(GK_LINE).size(), 1u);
}

// ---- Real drawings ------------------------------------------------------------

TEST_F(JwwTest, RealDrawingsReadWhole) {
  // Counted from the files' own objects by a separate reading of the format:
  // block references expanded into their definitions' elements.
  struct Case {
    const char* file;
    std::size_t lines, curves, points, texts, layers;
  } cases[] = {
      {"Test1.jww", 1642, 4, 4, 36, 5},   {"Test2.jww", 38, 4, 6, 23, 4},
      {"Test3.jww", 104, 6, 33, 56, 4},   {"Test4.jww", 72, 1, 18, 21, 2},
      {"Test5.jww", 46, 0, 0, 43, 8},     {"Test6.jww", 1641, 67, 19, 235, 44},
      {"Test7.jww", 4083, 5, 26, 93, 15}, {"blocks/2-circles-blocks.jww", 4, 2, 0, 6, 1},
      {"blocks/2blocks.jww", 2, 2, 0, 6, 1}, {"blocks/3blocks.jww", 4, 2, 0, 6, 1},
      {"blocks/copy-block.jww", 8, 0, 0, 6, 1}, {"blocks/non_block.jww", 4, 2, 0, 6, 1},
      {"blocks/out1_in2.jww", 3, 0, 0, 6, 1}, {"blocks/sqr-circle-blocks.jww", 4, 2, 0, 6, 1},
  };
  for (const Case& c : cases) {
    VelmoReset();
    TJwwReadReport r;
    ASSERT_TRUE(JwwLoad(Samples() / c.file, 0, 0, &r)) << c.file;
    EXPECT_FALSE(r.damaged) << c.file << ": " << r.reason;
    EXPECT_TRUE(platform().messages().empty()) << c.file;
    EXPECT_EQ(StoreCells(GK_LINE).size(), c.lines) << c.file;
    EXPECT_EQ(StoreCells(GK_ARC).size() + StoreCells(GK_CIRCLE).size(), c.curves) << c.file;
    EXPECT_EQ(StoreCells(GK_POINT).size(), c.points) << c.file;
    EXPECT_EQ(StoreCells(GK_TEXT).size(), c.texts) << c.file;
    std::set<int> layers;
    for (const TGcell& cell : StoreCells()) layers.insert(cell.layer);
    EXPECT_EQ(layers.size(), c.layers) << c.file;
    // On the paper: within twice the largest paper (A0) about its centre.
    const double k = CurPVC().basicScale;
    for (const TGcell& cell : StoreCells(GK_LINE)) {
      const TLineGeom l = LineOf(cell);
      ASSERT_LT(std::max({std::fabs(l.a.x), std::fabs(l.b.x), std::fabs(l.a.y), std::fabs(l.b.y)}), 1189 * k)
          << c.file;
    }
  }
}

TEST_F(JwwTest, CutCopiesOfRealDrawingsGiveWhatCameBefore) {
  for (const fs::path& file : SampleFiles()) {
    const std::string bytes = vldtest::ReadFile(file);
    VelmoReset();
    ASSERT_TRUE(JwwLoadBytes(bytes, 0, 0)) << file;
    const std::size_t whole = StoreCells().size();
    for (int cut = 0; cut < 100; ++cut) {
      VelmoReset();
      Headless().Reset();
      const std::size_t n = bytes.size() * static_cast<std::size_t>(cut) / 100;
      TJwwReadReport r;
      const bool ok = JwwLoadBytes(std::string_view(bytes).substr(0, n), 0, 0, &r);
      EXPECT_EQ(ok, n >= 12) << file << " cut at " << n;
      if (!ok) continue;
      EXPECT_TRUE(r.damaged) << file << " cut at " << n;
      EXPECT_LE(StoreCells().size(), whole) << file << " cut at " << n;
    }
  }
}

}  // namespace
