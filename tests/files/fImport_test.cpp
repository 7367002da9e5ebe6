// Text, table and map import and the paste operation: tab stops, the text
// lines' spacing, UTF-8 converted with the lost characters counted; the
// table's texts and grid; map polylines, polygons, layer lists and broken
// files; native, table and bitmap pastes.
#include "files/fImport.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "OpTest.h"
#include "StoreCells.h"
#include "files/BmpIo.h"
#include "files/OpPaste.h"
#include "files/fLoad_VLD.h"
#include "files/fSave_VLD.h"
#include "kernel/ProgramDir.h"
#include "kernel/SjisConv.h"
#include "ops/OpRange.h"

namespace {

namespace fs = std::filesystem;

class ImportTest : public CentredOpTest {
protected:
  void SetUp() override {
    CentredOpTest::SetUp();
    dir_ = fs::temp_directory_path() /
           ("velmo-import-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
    CentredOpTest::TearDown();
  }
  fs::path Write(const std::string& name, const std::string& bytes) {
    const fs::path p = dir_ / name;
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
  }
  static void Size(double h, double w, double spacing, int number = 3) {
    CurPVC().textSize = number;
    CurPVC().textSizes[static_cast<std::size_t>(number)] = {h, w, spacing, 1, 0};
  }
  static fs::path Zmp(const char* name) { return fs::path(VELMO_TESTS_DIR) / "files" / "data" / "zmp" / name; }
  fs::path dir_;
};

TEST_F(ImportTest, TextLinesWithTabStops) {
  Size(3.2, 3.2, 0);
  ASSERT_TRUE(ImportText(Write("a.txt", "ab\tc\r\n\tx\n")));
  const std::vector<TGcell> t = StoreCells(GK_TEXT);
  ASSERT_EQ(t.size(), 2u);
  EXPECT_EQ(t[0].text, "ab  c");
  EXPECT_EQ(t[1].text, "    x");
  EXPECT_EQ(t[0].p[0], 1000);
  EXPECT_EQ(t[0].p[1], -1000);
  EXPECT_EQ(t[1].p[1], -1500);
  EXPECT_EQ(t[0].size, 3);
  EXPECT_EQ(t[0].pen, 1);
}

TEST_F(ImportTest, Utf8IsConvertedAndLostCharactersCounted) {
  // UTF-8: "日本語", then an emoji, "と" and another emoji.
  ASSERT_TRUE(ImportText(Write("u.txt", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\n\xF0\x9F\x98\x80\xE3\x81\xA8\xF0\x9F\x8E\x89\n")));
  const std::vector<TGcell> t = StoreCells(GK_TEXT);
  ASSERT_EQ(t.size(), 2u);
  EXPECT_EQ(t[0].text, "日本語");
  EXPECT_EQ(t[1].text, "?と?");
  ASSERT_FALSE(platform().messages().empty());
  EXPECT_NE(platform().messages().back().text.find("2 個"), std::string::npos);
  // CP932 bytes stay as they are.
  GcellClearWindow(StoreWindow());
  ASSERT_TRUE(ImportText(Write("s.txt", "表\n")));
  EXPECT_EQ(StoreCells(GK_TEXT).at(0).text, "表");
  // A file that cannot be read says so.
  EXPECT_FALSE(ImportText(dir_ / "missing.txt"));
}

TEST_F(ImportTest, TableTextsAndGrid) {
  Size(3, 3, 0);
  CurPVC().textOffset = 1;
  TTableSize size;
  ASSERT_TRUE(ImportTable(Write("t.csv", "a,bb\nccc,d\n"), size, 0, 0, 0, true));
  EXPECT_EQ(size.width, 1450);
  EXPECT_EQ(size.height, 1000);
  std::vector<std::pair<double, double>> at;
  for (const TGcell& t : StoreCells(GK_TEXT)) at.push_back({t.p[0], t.p[1]});
  EXPECT_EQ(at, (std::vector<std::pair<double, double>>{{100, 600}, {900, 600}, {100, 100}, {900, 100}}));
  std::vector<TLineGeom> vertical, horizontal;
  for (const TLineGeom& l : Lines()) (l.a.x == l.b.x ? vertical : horizontal).push_back(l);
  ASSERT_EQ(vertical.size(), 3u);
  ExpectLine(vertical[0], {800, 0}, {800, 1000});
  ExpectLine(vertical[1], {1450, 0}, {1450, 1000});
  ExpectLine(vertical[2], {0, 0}, {0, 1000});
  ASSERT_EQ(horizontal.size(), 3u);
  ExpectLine(horizontal[0], {0, 500}, {1450, 500});
  ExpectLine(horizontal[1], {0, 0}, {1450, 0});
  ExpectLine(horizontal[2], {0, 1000}, {1450, 1000});
  // Measuring only adds nothing.
  const int cells = StoreUsed();
  EXPECT_EQ(ImportTableBytes("a,bb\nccc,d\n", 5, 5, 0, false).width, 1450);
  EXPECT_EQ(StoreUsed(), cells);
}

TEST_F(ImportTest, TableColumnsAndLongLines) {
  struct Case {
    std::string text;
    std::size_t verticals;
  };
  std::string wide;
  for (int i = 0; i < 100; ++i) wide += (i ? "," : "") + std::to_string(i);
  for (const Case& c : {Case{"1,2,3\n4\n", 4}, {"x\ty\tz\n", 4}, {wide + "\n" + wide + "\n", 65}}) {
    SCOPED_TRACE(c.text.substr(0, 20));
    GcellClearWindow(StoreWindow());
    ImportTableBytes(c.text, 0, 0, 0, true);
    std::size_t vertical = 0;
    for (const TLineGeom& l : Lines()) vertical += l.a.x == l.b.x;
    EXPECT_EQ(vertical, c.verticals);
  }
}

TEST_F(ImportTest, MapPolylinesPolygonsAndLayerLists) {
  platform().ScriptText(true, "1");
  ASSERT_TRUE(ImportMap(Zmp("basic.zmp")));
  std::vector<TGcell> lines = StoreCells(GK_LINE);
  ASSERT_EQ(lines.size(), 2u);
  ExpectLine(LineOf(lines[0]), {10, -20}, {30, -20});
  ExpectLine(LineOf(lines[1]), {30, -20}, {30, -50});
  EXPECT_EQ(lines[0].layer, 0);
  EXPECT_EQ(lines[0].pen, 17);
  const std::vector<TGcell> polygons = StoreCells(GK_POLYGON);
  ASSERT_EQ(polygons.size(), 1u);
  EXPECT_EQ(polygons[0].text, "$FFFFFF,0,0,100,0,100,-40,0,-40");
  EXPECT_EQ(polygons[0].p[1], -40);

  // "*R": 255 first (seeded colours), then 1 (layer code 1), 9 (code 8); pens
  // turn polyline by polyline and layer by layer.
  GcellClearWindow(StoreWindow());
  platform().ScriptText(true, " *R");
  ASSERT_TRUE(ImportMap(Zmp("layers.zmp")));
  const std::vector<TGcell> coloured = StoreCells(GK_POLYGON);
  ASSERT_EQ(coloured.size(), 2u);
  EXPECT_EQ(coloured[0].text.substr(0, 1), "$");
  EXPECT_NE(coloured[0].text.substr(0, 7), "$FFFFFF");
  EXPECT_NE(coloured[0].text.substr(0, 7), coloured[1].text.substr(0, 7));
  lines = StoreCells(GK_LINE);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].layer, 1);
  EXPECT_EQ(lines[1].layer, 1);
  EXPECT_EQ(lines[2].layer, 9);
  EXPECT_EQ(lines[0].pen, 18);
  EXPECT_EQ(lines[1].pen, 19);
  EXPECT_EQ(lines[2].pen, 22) << "layers 2 to 8, empty, turned the pen too";
  // The same seed gives the same colours.
  const std::string first = coloured[0].text.substr(0, 7);
  GcellClearWindow(StoreWindow());
  platform().ScriptText(true, "*");
  ASSERT_TRUE(ImportMap(Zmp("layers.zmp")));
  EXPECT_EQ(StoreCells(GK_POLYGON).at(0).text.substr(0, 7), first);

  // A record of length 0 ends its layer; a cancelled question reads nothing.
  GcellClearWindow(StoreWindow());
  platform().ScriptText(true, "1");
  ASSERT_TRUE(ImportMap(Zmp("zero.zmp")));
  EXPECT_EQ(StoreCells(GK_LINE).size(), 1u);
  platform().ScriptText(false);
  EXPECT_FALSE(ImportMap(Zmp("zero.zmp")));
}

TEST_F(ImportTest, BrokenMapsEndQuietly) {
  std::string bytes;
  {
    std::ifstream f(Zmp("basic.zmp"), std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(f), {});
  }
  // Cut anywhere, an index past the end, a length beyond the file.
  for (std::size_t cut : {std::size_t{0}, std::size_t{70}, bytes.size() - 30, bytes.size() - 1}) {
    GcellClearWindow(StoreWindow());
    ImportMapBytes(bytes.substr(0, cut), "1");
  }
  std::string far = bytes;
  far[72] = '\x7F', far[73] = '\x7F', far[74] = '\x7F', far[75] = '\x7F';
  ImportMapBytes(far, "1,2,3");
  std::string longer = bytes;
  longer[76] = '\xFF', longer[77] = '\xFF', longer[78] = '\x0F';
  ImportMapBytes(longer, "1");
  SUCCEED() << "no read beyond the bytes (the sanitizers watch)";
  EXPECT_LE(StoreCells(GK_LINE).size(), 4u);
}

// ---- Paste ----------------------------------------------------------------------

TEST_F(ImportTest, NativePasteLandsTheCopiedCornerAtTheClick) {
  AddLine(0, 0, 100, 0);
  GcellSelect(1);
  CopySelectionToClipboard();
  GcellUnselect(1);
  // Settings records in the clipboard are not applied.
  std::string text = platform().ClipboardText();
  const std::size_t window = text.find("CF_WINDOW");
  text.insert(text.find("\r\n", window) + 2, "CF_SCALE,7.0000,7.0000\r\n");
  platform().SetClipboardText(text);
  const double basic = CurPVC().basicScale;
  ui.Choose(OpBtn_ClipRead);
  EXPECT_EQ(Prompt(), "挿入位置（範囲）を指示(LorR)");
  for (int i = 0; i < 5; ++i) ui.Move(Pixel({10.0 * i, 0}).x, Pixel({0, 0}).y);
  ASSERT_EQ(g_pasteOp.run.rect.Cells().size(), 1u);
  EXPECT_NEAR(g_pasteOp.run.rect.Cells()[0].p[2], 102, 1e-9);
  L({200, 200});
  const TPointD at = At({200, 200});
  ASSERT_EQ(Lines().size(), 2u);
  ExpectLine(Lines()[1], {at.x + 1, at.y + 1}, {at.x + 101, at.y + 1});
  EXPECT_EQ(CurPVC().basicScale, basic);
  EXPECT_NE(CurOpButton(), OpBtn_ClipRead) << "the paste is done";
}

TEST_F(ImportTest, TablePasteAndAnEmptyClipboard) {
  Size(3, 3, 0);
  CurPVC().textOffset = 1;
  platform().SetClipboardText("a\tbb\r\nccc\td\r\n");
  ui.Choose(OpBtn_ClipRead);
  L({-100, -200});
  const TPointD at = At({-100, -200});
  std::vector<double> ys;
  for (const TGcell& t : StoreCells(GK_TEXT)) ys.push_back(t.p[1]);
  EXPECT_EQ(ys, (std::vector<double>{at.y + 600, at.y + 600, at.y + 100, at.y + 100}));
  double lowest = 1e9, leftmost = 1e9;
  for (const TLineGeom& l : Lines()) {
    lowest = std::min({lowest, l.a.y, l.b.y});
    leftmost = std::min({leftmost, l.a.x, l.b.x});
  }
  EXPECT_EQ(lowest, at.y);
  EXPECT_EQ(leftmost, at.x);
  platform().SetClipboardText("");
  ui.Choose(OpBtn_ClipRead);
  ASSERT_FALSE(platform().messages().empty());
  EXPECT_EQ(platform().messages().back().text, "クリップボードにデータはありません.");
}

TEST_F(ImportTest, BitmapPasteBecomesAPictureKeptThroughASave) {
  g_programDir.folder = dir_.string() + "/";
  g_programDir.tempPrefix = Utf8ToSjis(dir_.string()) + "/#TMP00000001#";
  platform().SetClipboardText("");
  platform().SetClipboardImage(TRasterImage{400, 300, std::vector<std::uint32_t>(120000, 0xFF336699)});
  ui.Choose(OpBtn_ClipRead);
  EXPECT_EQ(Prompt(), "画像挿入位置を指示(L)or(R)");
  EXPECT_EQ(SubOption(1).raw, "①画像幅=8000");
  Value(1, "0");
  L({0, 0});
  std::vector<TGcell> pictures = StoreCells(GK_PICTURE);
  ASSERT_EQ(pictures.size(), 1u);
  EXPECT_EQ(pictures[0].p[2], 8000);
  EXPECT_EQ(pictures[0].p[3], 6000);
  const std::string file = SjisToUtf8(pictures[0].text.str());
  ASSERT_TRUE(fs::exists(file));
  TRasterImage back;
  std::string bytes;
  {
    std::ifstream f(file, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(f), {});
  }
  ASSERT_TRUE(DecodeBmp(bytes, back));
  EXPECT_EQ(back.width, 400);
  EXPECT_EQ(back.pixels[0] & 0xFFFFFF, 0x336699u) << "24 bits keep the colour";
  const fs::path saved = dir_ / "p.vld";
  ASSERT_TRUE(VldSave(saved, true));
  VelmoReset();
  ASSERT_TRUE(VldLoad(saved, 0, 0));
  pictures = StoreCells(GK_PICTURE);
  ASSERT_EQ(pictures.size(), 1u);
  EXPECT_EQ(pictures[0].p[2], 8000);
}

}  // namespace
