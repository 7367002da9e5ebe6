// The rectangle operation driven as a user would: typed sizes placed at base
// points, two corners, bands, turns by an angle base line, the far corner
// typed, fills with their colour, triangles and pictures.
#include "ops/Op_Box.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "OpTest.h"
#include "StoreCells.h"
#include "files/BmpIo.h"
#include "kernel/SjisConv.h"

namespace {

namespace fs = std::filesystem;

struct TSeg {
  double x1, y1, x2, y2;
};

// The lines of the store against want, moved by o (where a click at the
// origin lands: the pixel's world point).
void ExpectLines(const std::vector<TSeg>& want, TPointD o, double tol = 1e-6) {
  const std::vector<TGcell> lines = StoreCells(GK_LINE);
  ASSERT_EQ(lines.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) {
    const TLineGeom l = LineOf(lines[i]);
    EXPECT_NEAR(l.a.x, want[i].x1 + o.x, tol) << i;
    EXPECT_NEAR(l.a.y, want[i].y1 + o.y, tol) << i;
    EXPECT_NEAR(l.b.x, want[i].x2 + o.x, tol) << i;
    EXPECT_NEAR(l.b.y, want[i].y2 + o.y, tol) << i;
  }
}

class BoxTest : public CentredOpTest {
protected:
  void SetUp() override {
    CentredOpTest::SetUp();
    ui.Choose(OpBtn_Box);
  }
};

TEST_F(BoxTest, FixedSizeAtBasePoints) {
  EXPECT_EQ(Prompt(), "・始点指示(L)or(R)");
  Value(2, "100,50");
  EXPECT_EQ(SubOption(5).raw, "⑤基点変更");
  L({0, 0});
  ExpectLines({{-50, -25, -50, 25}, {-50, 25, 50, 25}, {50, 25, 50, -25}, {50, -25, -50, -25}}, At({0, 0}));
  EXPECT_EQ(Prompt(), "作図位置指示(L)or(R)");

  // One ⑤: the click is the corner (−W/2, +H/2).
  GcellClearWindow(StoreWindow());
  ui.SubMenu(5);
  L({0, 0});
  const std::vector<TGcell> lines = StoreCells(GK_LINE);
  ASSERT_EQ(lines.size(), 4u);
  const TPointD o = At({0, 0});
  EXPECT_NEAR(LineOf(lines[0]).a.x, o.x, 1e-9);
  EXPECT_NEAR(LineOf(lines[0]).a.y, o.y - 50, 1e-9);
  EXPECT_NEAR(LineOf(lines[1]).b.x, o.x + 100, 1e-9);
  EXPECT_NEAR(LineOf(lines[1]).b.y, o.y, 1e-9);
  // Eight more: the centre again.
  for (int i = 0; i < 8; ++i) ui.SubMenu(5);
  EXPECT_EQ(g_boxOp.options.basePointIndex, 0);

  // A single value: a square.
  GcellClearWindow(StoreWindow());
  Value(2, "100");
  L({0, 0});
  ExpectLines({{-50, -50, -50, 50}, {-50, 50, 50, 50}, {50, 50, 50, -50}, {50, -50, -50, -50}}, At({0, 0}));
}

TEST_F(BoxTest, BandsCornersAndTheFarCornerTyped) {
  Value(2, "0,10");
  EXPECT_EQ(Prompt(), "・始点指示(L)or(R)");
  L({0, 0});
  L({100, 0});
  ExpectLines({{0, 0, 0, 10}, {0, 10, 100, 10}, {100, 10, 100, 0}, {100, 0, 0, 0}}, At({0, 0}));

  GcellClearWindow(StoreWindow());
  Value(2, "0");
  L({0, 0});
  EXPECT_EQ(SubOption(5).raw, "⑤終点数値");
  Value(5, "30,40");
  ExpectLines({{0, 0, 0, 40}, {0, 40, 30, 40}, {30, 40, 30, 0}, {30, 0, 0, 0}}, At({0, 0}));
  EXPECT_EQ(Prompt(), "・始点指示(L)or(R)");
}

TEST_F(BoxTest, AngleAndBaseLineAndScale) {
  // A base line at 90 degrees picked, ③ 30: the rectangle turns 120 degrees.
  GcellAddLine(0, 0x11, 150, -100, 150, 100);
  GcellCommit();
  ViewRedraw(1);
  ui.SubMenu(4);
  EXPECT_EQ(Prompt(), "基準線(L)、始点(R)");
  L({150, 0});
  EXPECT_EQ(SubOption(4).raw, "④$角度基線");
  Value(3, "30");
  Value(2, "100,50");
  L({0, 0});
  std::vector<TGcell> lines = StoreCells(GK_LINE);
  ASSERT_EQ(lines.size(), 5u);
  const TLineGeom top = LineOf(lines[2]);  // (−50, 25) → (50, 25) turned
  EXPECT_NEAR(std::atan2(top.b.y - top.a.y, top.b.x - top.a.x), 120 * std::acos(-1.0) / 180, 1e-9);

  // Write group 1:50 at basic scale 100: 100 × 50 real mm span 200 × 100 units.
  ui.Choose(OpBtn_Line);
  GcellClearWindow(StoreWindow());
  CurPVC().groups[0].scaleX = CurPVC().groups[0].scaleY = 50;
  ui.Choose(OpBtn_Box);
  Value(2, "100,50");
  L({0, 0});
  ExpectLines({{-100, -50, -100, 50}, {-100, 50, 100, 50}, {100, 50, 100, -50}, {100, -50, -100, -50}}, At({0, 0}));

  // A huge angle is reduced at once (it is no endless loop).
  Value(3, "1e20");
  L({10, 10});
  EXPECT_EQ(StoreCells(GK_LINE).size(), 8u);
}

TEST_F(BoxTest, Triangles) {
  struct Case {
    std::string sides;
    TPointD to;
    std::vector<TSeg> lines;
  };
  const std::vector<Case> cases = {
      {"30,40,50", {70, 0}, {{0, 0, 0, 30}, {0, 0, 40, 0}, {40, 0, 0, 30}}},
      {"500,,500", {600, 0}, {{0, 0, 300, 400}, {600, 0, 300, 400}}},
      {"30,100,30", {70, 0}, {{0, 0, 50, 0}, {0, 0, 100, 0}, {100, 0, 50, 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sides);
    GcellClearWindow(StoreWindow());
    ui.Choose(OpBtn_Line);
    ui.Choose(OpBtn_Box);
    ui.SubMenu(6);
    EXPECT_EQ(Prompt(), "三角形底辺位置(左側)を指示(L)or(R)");
    Value(1, c.sides);
    L({0, 0});
    EXPECT_EQ(Prompt(), "三角形底辺位置(右側)を指示(L)or(R)");
    // The preview's base follows the pointer.
    ui.Move(Pixel(c.to).x, Pixel(c.to).y);
    EXPECT_NEAR(g_boxOp.run.end.x, c.to.x, 1);
    EXPECT_NEAR(g_boxOp.run.end.y, c.to.y, 1);
    EXPECT_FALSE(g_boxOp.run.preview.Cells().empty());
    L(c.to);
    ExpectLines(c.lines, At({0, 0}), 0.5);  // the base's end is a pixel
  }
}

TEST_F(BoxTest, FillsWithTheirColour) {
  ui.SubMenu(1);
  EXPECT_EQ(SubOption(1).raw, "①$塗り潰し");
  Value(2, "100,50");
  platform().ScriptColor(true, 0x010203);
  L({0, 0});
  std::vector<TGcell> fills = StoreCells(GK_FILL4K);
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_EQ(fills[0].text, "$00030201");
  EXPECT_TRUE(StoreCells(GK_LINE).empty());
  platform().ScriptColor(false);
  L({300, 0});
  platform().ScriptColor(true, 0x000000);  // the background's colour: white
  L({-300, 0});
  fills = StoreCells(GK_FILL4K);
  ASSERT_EQ(fills.size(), 3u);
  EXPECT_EQ(fills[1].text, "");
  EXPECT_EQ(fills[2].text, "$00FFFFFF");
  ui.Key('Z', ssCtrl);  // one undo removes the last
  EXPECT_EQ(StoreCells(GK_FILL4K).size(), 2u);
}

TEST_F(BoxTest, PicturesAtTheirShape) {
  const fs::path dir = fs::path(testing::TempDir()) / "box_pictures";
  fs::create_directories(dir);
  const auto bitmap = [&](const char* name, int w, int h) {
    std::string bytes;
    EXPECT_TRUE(EncodeBmp(TRasterImage{w, h, std::vector<std::uint32_t>(static_cast<std::size_t>(w * h), 0xFFFFFFFF)},
                          false, bytes));
    std::ofstream(dir / name, std::ios::binary) << bytes;
    return (dir / name).string();
  };
  struct Case {
    std::string file;
    double w, h;
  };
  for (const Case& c : {Case{bitmap("wide.bmp", 400, 300), 8000, 6000}, {bitmap("tall.bmp", 300, 400), 6000, 8000}}) {
    SCOPED_TRACE(c.file);
    platform().ScriptFile({true, c.file, 1});
    ui.SubMenu(7);
    EXPECT_EQ(SubOption(1).raw, "①画像幅=8000");
    Value(1, "0");
    for (int i = 0; i < 4; ++i) ui.Move(Pixel({0, 0}).x + i, Pixel({0, 0}).y);
    EXPECT_EQ(Prompt(), "画像挿入位置を指示(L)or(R)");
    L({0, 0});
    const std::vector<TGcell> pictures = StoreCells(GK_PICTURE);
    ASSERT_FALSE(pictures.empty());
    EXPECT_NEAR(pictures.back().p[2], c.w, 1e-9);
    EXPECT_NEAR(pictures.back().p[3], c.h, 1e-9);
    EXPECT_EQ(pictures.back().text, Utf8ToSjis(c.file));
    EXPECT_EQ(Prompt(), "・始点指示(L)or(R)");
  }
  // A file that is no picture: said, and the operation starts again.
  { std::ofstream(dir / "notes.txt") << "text"; }
  platform().ScriptFile({true, (dir / "notes.txt").string(), 1});
  ui.SubMenu(7);
  ASSERT_FALSE(platform().messages().empty());
  EXPECT_EQ(platform().messages().back().text, "notes.txtは読み込めません.");
  EXPECT_EQ(Prompt(), "・始点指示(L)or(R)");
  EXPECT_EQ(g_boxOp.options.pictureFolder, dir.string());
  fs::remove_all(dir);
}

}  // namespace
