#include "files/fSave_VLD.h"

#include <sys/resource.h>

#include <clocale>
#include <csignal>
#include <numbers>

#include "VldFixture.h"
#include "files/BmpIo.h"
#include "files/PictureFile.h"
#include "files/fLoad_VLD.h"
#include "model/GC_DB.h"
#include "model/PVC.h"

namespace vldtest {
namespace {

// The settings section of the built-in default settings, as written.
std::string DefaultHeader() {
  std::string s =
      "$BEGIN,HEADER\n"
      "CF_SCALE,100.0000,100.0000\n"
      "CF_ARWSIZE,1.50,15.00\n"
      "CF_SOFFSET,1.00,1,1.00,0.50,1.00\n"
      "CF_S_PITCH,0.00,0,1000.0000\n"
      "CF_S_UNIT,0,0\n"
      "CF_SUNPOKJ,FALSE,0,0\n"
      "CF_TUBOSIZ,3.31\n"
      "CF_PENLAY,17,0,33,35,37,81,83s\n"
      "CF_SUNPOPM,17,2\n"
      "CF_PENCOLOR, 1, 2, 3, 4, 5, 6,14, 8, 9,10, 4\n"
      "CF_PENWIDTH, 1, 2, 3, 4, 5, 6, 1, 8, 9,10\n"
      "CF_BLACKP,0,0,0,0,0,0,0,0,0,0\n"
      "CF_PENWMODE,FALSE,TRUE\n"
      "CF_MJSIZH, 2.0, 3.2, 4.0, 6.0, 8.0,10.0,10.0,10.0,10.0,10.0\n"
      "CF_MJSIZW, 2.1, 3.1, 4.2, 6.5, 9.0,11.0,11.0,11.0,11.0,11.0\n"
      "CF_MJSIZP, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0\n"
      "CF_MJDXFP,   1,   1,   1,   1,   1,   1,   1,   1,   1,   1\n";
  const char* twoDigits[16] = {" 0", " 1", " 2", " 3", " 4", " 5", " 6", " 7",
                               " 8", " 9", "10", "11", "12", "13", "14", "15"};
  for (const char* g : twoDigits) s += std::string("CF_LAYER,") + g + ",,,,,,,,,,,,,,,,,\n";
  for (const char* g : twoDigits) s += std::string("CF_LNAME\t") + g + "\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\n";
  s += "CF_VW_GRP,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1\n";
  for (int g = 0; g < 16; ++g) s += "CF_VW_LAY," + std::to_string(g) + ",1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1\n";
  s += "CF_WRTLAY,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0\n";
  s += "CF_LAYPEN,0,$11,$11,$11,$11,$11,$11,$11,$11,$11,$11,$11,$11,$11,$11,$11,$11\n";
  s += "CF_SCALE1,100.0000\n";
  for (const char* g : twoDigits) s += std::string("CF_SCALE2,") + g + ",100.0000,100.0000\n";
  s +=
      "CF_PLOTER,0\n"
      "CF_PSIZE,3\n"
      "CF_PORNT,1\n"
      "CF_PQLTY,FALSE\n"
      "CF_PLAYER,0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0\n"
      "CF_ETC1,0\n"
      "$ENDS,HEADER\n";
  return s;
}

class VldSaveTest : public VldTest {};

TEST_F(VldSaveTest, EmptyWindowFileIsExact) {
  // Cells of the other window are not part of this one.
  SetStoreWindow(2);
  GcellAddLine(0, 0x11, 0, 0, 500, 500);
  SetStoreWindow(1);
  ASSERT_TRUE(VldSave(Path("empty.vld"), true));
  const std::string want = Crlf("Velmoデータファイル\t5.2\t2020.11.26\n"
                                "CF_WINDOW, -1.00,-1.00,1.00,1.00\n" +
                                DefaultHeader() +
                                "$BEGIN,BLOCKS\n"
                                "$ENDS,BLOCKS\n"
                                "$BEGIN,ENTITIES\n"
                                "$ENDS,ENTITIES\n"
                                "$EOF\n");
  EXPECT_EQ(ReadFile(Path("empty.vld")), want);
  EXPECT_EQ(Names(), std::vector<std::string>{"empty.vld"});  // no temporary file left

  // Reading it back adds nothing and changes no setting.
  const int before = StoreUsed();
  ASSERT_TRUE(VldLoad(Path("empty.vld"), 0, 0));
  EXPECT_EQ(StoreUsed(), before);
  TVldSink again;
  VldWriteSettings(again);
  EXPECT_EQ(again.text(), Crlf(DefaultHeader()));
  EXPECT_TRUE(platform().messages().empty());
}

TEST_F(VldSaveTest, CellRecordsInTheirFormats) {
  auto cell = [](std::int8_t kind, std::uint16_t pen, std::initializer_list<double> p, std::string text = "") {
    TGcell c;
    c.kind = kind;
    c.layer = 0x12;
    c.pen = pen;
    c.text = std::move(text);
    int i = 0;
    for (double v : p) c.p[i++] = v;
    return c;
  };
  TGcell text = cell(GK_TEXT, 1, {1, 2, 4, 3.5, 0.25, 0, 0.5}, "ABC");
  text.size = 3;
  text.vertical = 1;
  struct Case {
    TGcell cell;
    const char* want;
  } cases[] = {
      {cell(GK_POINT, 0x11, {1.23456, -0.00001}), "POINT,0,18,17,1.2346,0.0000"},
      // The pen word as stored, selection flag included.
      {cell(GK_LINE, 0x8011, {0, 0, 100, 50.5}), "LINE,0,18,32785,0.0000,0.0000,100.0000,50.5000,0"},
      {cell(GK_CIRCLE, 0x23, {1, 2, 0, 0, 3, 0.5, 0.25}), "CIRCLE,0,18,35,1.0000,2.0000,3.0000,0.5000,0.2500"},
      {cell(GK_ARC, 0x11, {1, 2, 0, 0, 3, 1, 0.1, 0.5, std::numbers::pi}),
       "ARC,0,18,17,1.0000,2.0000,3.0000,0.500000000,3.141592654,1.0000,0.100000000"},
      {cell(GK_POLYARC, 0x11, {1, 2, 0, 0, 3, 1, 0, 0.5, 1}, "$000000FF"),
       "POLYARC,0,18,17,1.0000,2.0000,3.0000,0.500000000,1.000000000,1.0000,0.000000000,$000000FF"},
      {cell(GK_POLYGON, 0x11, {0, 0, 10, 10}, "0,0.00,0.00,10.00,10.00,0.00,10.00"),
       "POLYGON,0,18,17,0.0000,0.0000,10.0000,10.0000\r\n0,0.00,0.00,10.00,10.00,0.00,10.00"},
      // p6 is not part of a quadrilateral.
      {cell(GK_FILL4K, 0x11, {5, 6, 1, 0, 1, 1, 99, 0, 1}, "$00FF0000"),
       "FILL4K,0,18,17,5.0000,6.0000,1.0000,0.0000,1.0000,1.0000,0.0000,1.0000,$00FF0000"},
      {text, "TEXT,0,18,1,1.0000,2.0000,0.5000,3,1,3.5000,4.0000,0.2500\r\nABC"},
      // Line breaks in a text become blanks; a TAB is harmless in the text line.
      {cell(GK_TEXT, 1, {0, 0}, "a\r\nb\tc"), "TEXT,0,18,1,0.0000,0.0000,0.0000,0,0,0.0000,0.0000,0.0000\r\na  b\tc"},
      // A comma in a fill colour would shift the fields read back.
      {cell(GK_FILL4K, 0x11, {0, 0, 1, 0, 1, 1, 0, 0, 1}, "$1,2"),
       "FILL4K,0,18,17,0.0000,0.0000,1.0000,0.0000,1.0000,1.0000,0.0000,1.0000,$1 2"},
      {cell(GK_PICTURE, 0x11, {0, 0, 1, 1}, "a.jpg"), ""},
      {cell(GK_DOT, 0x11, {0, 0}), ""},
      {cell(GK_RECT, 0x11, {0, 0, 1, 1}), ""},
      {cell(-GK_LINE, 0x11, {0, 0, 1, 1}), ""},
  };
  for (const Case& c : cases) EXPECT_EQ(VldCellLine(c.cell), c.want) << c.want;
}

TEST_F(VldSaveTest, NamesCannotBreakTheirRecords) {
  TPVC& p = CurPVC();
  p.groups[0].name = "a\tb,c";
  p.groups[0].layers[0].name = "x\ny";
  p.groups[0].layers[1].name = "z\x81";  // a lead byte without its trail byte
  TVldSink out;
  VldWriteSettings(out);
  const std::vector<std::string> lines = SplitCrlf(out.text());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "CF_LAYER, 0,a b c,x y,z?,,,,,,,,,,,,,,"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "CF_LNAME\t 0\ta b,c\tx y\tz?\t\t\t\t\t\t\t\t\t\t\t\t\t\t"),
            lines.end());
  // Read back, the comma (kept by the TAB-separated record) survives.
  PVC_Reset();
  ASSERT_TRUE(VldLoadText(Crlf("Velmoデータファイル\t5.2\n") + out.text(), 0, 0, "t"));
  EXPECT_EQ(CurPVC().groups[0].name, "a b,c");
  EXPECT_EQ(CurPVC().groups[0].layers[0].name, "x y");
  EXPECT_EQ(CurPVC().groups[0].layers[1].name, "z?");
  EXPECT_EQ(CurPVC().groups[0].layers[2].name, "");
}

// ---- Pictures

TEST_F(VldSaveTest, PictureDataLines) {
  struct Case {
    std::string bytes;
    std::string want;
  } cases[] = {
      {"", ":0\n"},
      // 0x000000 and 0xFFFFFF: the smallest and largest digits.
      {std::string("\0\0\0\xff\xff\xff", 6), ":60000oooo\n:0\n"},
      // One byte: its group is padded, the count says 1.
      {"A", ":1@@00\n:0\n"},
      // 61 bytes: a full line of 60 (count character "l") and one of 1.
      {std::string(61, 'A'), ":l" + [] {
         std::string g;
         for (int i = 0; i < 20; ++i) g += "@D51";
         return g;
       }() + "\n:1@@00\n:0\n"},
  };
  for (const Case& c : cases) {
    TVldSink out;
    VldWritePictureData(out, c.bytes);
    EXPECT_EQ(out.text(), Crlf(c.want)) << c.want;
  }
}

TEST_F(VldSaveTest, PictureBytesSurviveEmbedding) {
  std::string bytes;
  for (int round = 0; round < 3; ++round)
    for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
  bytes += "xy";  // a last line that is not a multiple of three
  TVldSink out;
  VldWritePictureData(out, bytes);
  out.Line("LINE,0,0,17,0,0,10,10,0");
  TVldLines in(out.text());
  const std::string name = VldExtractPicture(in, ":C:\\pictures\\photo.jpeg");
  EXPECT_EQ(name, g_programDir.tempPrefix + "00000001.JPEG");
  EXPECT_EQ(ReadFile(SjisToUtf8(name)), bytes);
  // The ":0" line was consumed: the next line is the record after it.
  std::string_view next;
  ASSERT_TRUE(in.Next(next));
  EXPECT_EQ(next, "LINE,0,0,17,0,0,10,10,0");
}

TEST_F(VldSaveTest, PictureReferences) {
  const std::string own = g_programDir.tempPrefix + "00000007.PNG";
  WriteFile(SjisToUtf8(own), "abc");
  WriteFile(Path("foreign.png"), "abc");
  auto picture = [](const std::string& name) {
    TGcell c;
    c.kind = GK_PICTURE;
    c.pen = 0x11;
    c.text = name;
    c.p[0] = 1;
    c.p[1] = 2;
    c.p[2] = 30;
    c.p[3] = 20;
    c.p[4] = 4;
    c.p[5] = 5;
    c.p[7] = 7;
    c.p[8] = 8;
    return c;
  };
  const std::string record = "PICTUR,0,0,17,1.0000,2.0000,30.0000,20.0000,4.0000,5.0000,7.0000,8.0000\n";
  struct Case {
    std::string name;
    std::string want;
  } cases[] = {
      // The program's own temporary file: only its extension.
      {own, record + ":Image.PNG\n:3HF9S\n:0\n"},
      {Utf8ToSjis(Path("foreign.png").string()), record + ":" + Utf8ToSjis(Path("foreign.png").string()) +
                                                     "\n:3HF9S\n:0\n"},
      // A file that cannot be read keeps its name, without data.
      {"/no/such/file.jpg", record + "/no/such/file.jpg\n"},
      {":odd", record + " :odd\n"},
  };
  for (const Case& c : cases) {
    TVldSink out;
    VldWritePicture(out, picture(c.name));
    EXPECT_EQ(out.text(), Crlf(c.want)) << c.name;
  }
}

// A small 24-bit bitmap, bottom-up, rows padded to four bytes.
std::string Bitmap24(int w, int h) {
  const int stride = (w * 3 + 3) / 4 * 4;
  const int size = 54 + stride * h;
  std::string b(static_cast<std::size_t>(size), '\0');
  auto put32 = [&](int at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[static_cast<std::size_t>(at + i)] = static_cast<char>(v >> (8 * i));
  };
  b[0] = 'B';
  b[1] = 'M';
  put32(2, static_cast<std::uint32_t>(size));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<std::uint32_t>(w));
  put32(22, static_cast<std::uint32_t>(h));
  b[26] = 1;
  b[28] = 24;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::size_t at = static_cast<std::size_t>(54 + y * stride + x * 3);
      b[at] = static_cast<char>(x * 40);       // blue
      b[at + 1] = static_cast<char>(y * 40);   // green
      b[at + 2] = static_cast<char>(200);      // red
    }
  return b;
}

TEST_F(VldSaveTest, BitmapIsEmbeddedAsJpeg) {
  WriteFile(Path("photo.Bmp"), Bitmap24(5, 3));
  TGcell c;
  c.kind = GK_PICTURE;
  c.pen = 0x11;
  c.text = Utf8ToSjis(Path("photo.Bmp").string());
  c.p[2] = c.p[3] = 10;
  ASSERT_GT(GcellAdd(c), 0);
  ASSERT_TRUE(VldSave(Path("p.vld"), true));
  EXPECT_EQ(GcellRef(1).text, c.text);  // the cell keeps its bitmap

  EXPECT_FALSE(fs::exists(Path("#TMP.JPG")));  // converted in memory, no scratch file
  const std::string file = ReadFile(Path("p.vld"));
  EXPECT_NE(file.find("\r\n:Image.JPG\r\n"), std::string::npos);

  // Reading back extracts the JPEG bytes.
  GcellClearWindow(1);
  ASSERT_TRUE(VldLoad(Path("p.vld"), 0, 0));
  ASSERT_EQ(StoreUsed(), 1);
  EXPECT_EQ(GcellRef(1).text, g_programDir.tempPrefix + "00000001.JPG");
  const std::string jpeg = ReadFile(SjisToUtf8(GcellRef(1).text));
  ASSERT_GE(jpeg.size(), 4u);
  EXPECT_EQ(jpeg.substr(0, 2), "\xff\xd8");  // a JPEG file
  EXPECT_EQ(jpeg.substr(jpeg.size() - 2), "\xff\xd9");
  TRasterImage back;
  ASSERT_TRUE(DecodeJpeg(jpeg, back));
  EXPECT_EQ(back.width, 5);
  EXPECT_EQ(back.height, 3);
}

TEST_F(VldSaveTest, BrokenBitmapIsEmbeddedAsItIs) {
  WriteFile(Path("bad.bmp"), "BM not really");
  TGcell c;
  c.kind = GK_PICTURE;
  c.text = Utf8ToSjis(Path("bad.bmp").string());
  TVldSink out;
  VldWritePicture(out, c);
  EXPECT_NE(out.text().find(":" + c.text + "\r\n"), std::string::npos);
  EXPECT_FALSE(fs::exists(Path("#TMP.JPG")));
}

// ---- Files

TEST_F(VldSaveTest, CompactionDropsDeletedCellsSnapshotsKeepThemAsEmptyLines) {
  GcellAddLine(0, 0x11, 0, 0, 1, 0);
  GcellCommit();
  GcellDelete(1);
  GcellAddLine(0, 0x11, 0, 0, 2, 0);
  ASSERT_TRUE(VldSave(Path("snap.v$d"), false));
  EXPECT_EQ(StoreUsed(), 2);  // the undo step is still there
  EXPECT_NE(ReadFile(Path("snap.v$d")).find("$BEGIN,ENTITIES\r\n\r\nLINE,"), std::string::npos);
  ASSERT_TRUE(VldSave(Path("user.vld"), true));
  EXPECT_EQ(StoreUsed(), 1);
  EXPECT_NE(ReadFile(Path("user.vld")).find("$BEGIN,ENTITIES\r\nLINE,"), std::string::npos);
}

TEST_F(VldSaveTest, FailedSaveKeepsThePreviousFile) {
  WriteFile(Path("d.vld"), "the previous drawing");
  for (int i = 0; i < 200; ++i) GcellAddLine(0, 0x11, i, 0, i, 100);
  // Files may not grow past 4 KB: the write fails half-way.
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool saved = VldSave(Path("d.vld"), true);
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);

  EXPECT_FALSE(saved);
  EXPECT_EQ(ReadFile(Path("d.vld")), "the previous drawing");
  EXPECT_EQ(Names(), std::vector<std::string>{"d.vld"});
  ASSERT_EQ(platform().messages().size(), 1u);
  EXPECT_NE(platform().messages()[0].text.find("に保存できません"), std::string::npos);

  // A folder that does not exist: nothing is created.
  EXPECT_FALSE(VldSave(Path("no/such.vld"), true));
  EXPECT_EQ(Names(), std::vector<std::string>{"d.vld"});
}

TEST_F(VldSaveTest, SaveReplacesTheFileKeepingPermissionsAndLinks) {
  WriteFile(Path("real.vld"), "old");
  fs::permissions(Path("real.vld"), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_symlink("real.vld", Path("link.vld"));
  ASSERT_TRUE(VldSave(Path("link.vld"), true));
  EXPECT_TRUE(fs::is_symlink(Path("link.vld")));
  EXPECT_TRUE(ReadFile(Path("real.vld")).starts_with("Velmo"));
  EXPECT_EQ(fs::status(Path("real.vld")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(Names(), (std::vector<std::string>{"link.vld", "real.vld"}));
}

// ---- Round trip

// A drawing with every kind of cell and every setting off its default.
void MakeDrawing(const std::string& picture) {
  TPVC& p = CurPVC();
  p.basicScale = 50;
  p.dimArrowLength = 2.5;
  p.dimArrowAngle = 30;
  p.dimExtGap = 1.25;
  p.dimExtOvershoot = 2.5;
  p.dimTextGap = 0.75;
  p.textOffset = 1.5;
  p.dimPitch = 8;
  p.realGrid = true;
  p.realGridSpacing = 250.5;
  p.dimUnit = DIM_M;
  p.dimDecimals = 3;
  p.dimFullWidth = true;
  p.dimThousands = true;
  p.dimStripZeros = true;
  p.tuboArea = 3.25;
  p.writePen = 0x35;
  p.writeLayer = 0x2A;
  p.penPresets = {0x35, 0x12, 0x13, 0x14, 0x15, 0x16};
  p.dimPen = 0x42;
  p.dimTextSize = 7;
  for (int k = 1; k <= 10; ++k) {
    p.pens[k].colorIndex = 16 - k;
    p.pens[k].printWidth = 11 - k;
    p.pens[k].printBlack = k % 2 == 0;
    p.pens[k].plotterA = k <= 7 ? 10 + k : 0;
    p.pens[k].plotterB = k <= 7 ? 20 + k : 0;
    p.textSizes[k] = {.height = 1.5 + k, .width = 1.0 + k, .spacing = 0.5, .pen = 1 + k % 6, .screenColor = 0};
  }
  p.selectionColor = 9;
  p.varyWidths = true;
  p.monochrome = true;
  for (int g = 0; g < 16; ++g) {
    p.groups[g].name = "組" + std::to_string(g) + ",名";
    p.groups[g].scaleX = 10 + g;
    p.groups[g].scaleY = 20 + g;
    p.groups[g].visible = g % 3 != 0;
    p.groups[g].lastLayer = 15 - g;
    for (int l = 0; l < 16; ++l) {
      p.groups[g].layers[l].name = "層" + std::to_string(l);
      p.groups[g].layers[l].visible = (g + l) % 2 == 0 || l == 15 - g;
    }
  }
  p.groups[2].visible = true;  // the write group
  p.groups[2].layers[10].visible = true;
  for (int l = 0; l < 16; ++l) p.layerPens[l] = static_cast<std::uint16_t>(0x11 + l % 7);
  p.penPerLayer = true;
  p.printerType = PRINTER_PLOTTER;
  p.paperSize = PAPER_A1;
  p.paperOrientation = 0;
  p.finePrint = true;
  p.playerFlag = 1;
  p.layerSync = true;

  GcellAddPoint(0x01, 0x11, 1.5, -2.25);
  GcellAddLine(0x12, 0x23, 0, 0, 100.125, 50.5);
  GcellAddCircle(0x23, 0x34, 10, 20, 5, 1, 0);
  GcellAddCircle(0x34, 0x45, 10, 20, 5, 0.5, 0.25);
  GcellAddArc(0x45, 0x56, -10, -20, 7.5, 1, 0.125, 0.5, 2.75);
  TGcell c;
  c.kind = GK_POLYARC;
  c.layer = 0x56;
  c.pen = 0x57;
  c.text = "$000000FF";
  c.p[0] = 1;
  c.p[1] = 2;
  c.p[4] = 3;
  c.p[5] = 0.5;
  c.p[6] = 0.25;
  c.p[7] = -1.5;
  c.p[8] = 1.5;
  GcellAdd(c);
  c = {};
  c.kind = GK_POLYGON;
  c.layer = 0x67;
  c.pen = 0x61;
  c.text = "$00FF0000,0.00,0.00,10.00,0.00,10.00,10.00";
  c.p[2] = c.p[3] = 10;
  GcellAdd(c);
  c = {};
  c.kind = GK_FILL4K;
  c.layer = 0x78;
  c.pen = 0x72;
  c.text = "0";
  c.p[0] = 5;
  c.p[1] = 6;
  c.p[2] = 1;
  c.p[4] = 1;
  c.p[5] = 1;
  c.p[8] = 1;
  GcellAdd(c);
  c = {};
  c.kind = GK_PICTURE;
  c.layer = 0x89;
  c.pen = 0x83;
  c.text = picture;
  c.p[0] = 1;
  c.p[1] = 2;
  c.p[2] = 30;
  c.p[3] = 20;
  c.p[4] = 0.5;
  c.p[8] = 0.25;
  GcellAdd(c);
  GcellAddText(0x9A, 4, 1, "文字ABC", 0, 0.5, 3, 4);
  c = {};
  c.kind = GK_TEXT;
  c.layer = 0xFF;
  c.pen = 1;
  c.vertical = 1;
  c.text = "縦書き";
  c.p[0] = -3;
  c.p[1] = -4;
  c.p[2] = 2.5;
  c.p[3] = 3.5;
  c.p[4] = 0.25;
  c.p[6] = 1.25;
  GcellAdd(c);
}

bool SameCell(const TGcell& a, const TGcell& b) {
  if (a.kind != b.kind || a.layer != b.layer || a.pen != b.pen || a.size != b.size || a.vertical != b.vertical)
    return false;
  if (a.kind != GK_PICTURE && a.text != b.text) return false;
  for (int i = 0; i < 9; ++i)
    if (a.p[i] != b.p[i]) return false;
  return true;
}

TEST_F(VldSaveTest, EveryCellAndSettingReloadsIdentically) {
  // A decimal-comma locale must not change the numbers.
  const std::string oldLocale = std::setlocale(LC_ALL, nullptr);
  std::setlocale(LC_ALL, "de_DE.UTF-8");
  const std::string picture = g_programDir.tempPrefix + "00000099.JPG";
  std::string bytes;
  for (int i = 0; i < 200; ++i) bytes += static_cast<char>(i * 7);
  WriteFile(SjisToUtf8(picture), bytes);
  MakeDrawing(picture);
  NormalizePVC(CurPVC());
  const TPVC saved = CurPVC();
  std::vector<TGcell> cells;
  for (int i = 1; i <= StoreUsed(); ++i) cells.push_back(GcellRef(i));
  ASSERT_EQ(cells.size(), 11u);
  ASSERT_TRUE(VldSave(Path("a.vld"), true));
  const std::string first = ReadFile(Path("a.vld"));

  VelmoReset();
  UseProgramFolder();
  ASSERT_TRUE(VldLoad(Path("a.vld"), 0, 0));
  ASSERT_EQ(StoreUsed(), static_cast<int>(cells.size()));
  for (int i = 1; i <= StoreUsed(); ++i) EXPECT_TRUE(SameCell(GcellRef(i), cells[i - 1])) << "cell " << i;
  EXPECT_EQ(ReadFile(SjisToUtf8(GcellRef(9).text)), bytes);
  // Every written setting came back: the second file is the first.
  ASSERT_TRUE(VldSave(Path("b.vld"), true));
  EXPECT_EQ(ReadFile(Path("b.vld")), first);
  const TPVC& p = CurPVC();
  EXPECT_EQ(p.basicScale, saved.basicScale);
  EXPECT_EQ(p.groups[5].name, saved.groups[5].name);
  EXPECT_EQ(p.groups[5].scaleY, 25);
  EXPECT_EQ(p.writeLayer, 0x2A);
  EXPECT_EQ(p.layerPens, saved.layerPens);
  EXPECT_TRUE(p.monochrome);
  EXPECT_TRUE(platform().messages().empty());
  std::setlocale(LC_ALL, oldLocale.c_str());
}

// ---- Clipboard

TEST_F(VldSaveTest, SelectionGoesToTheClipboardAsText) {
  GcellAddLine(0, 0x11, 0, 0, 10, 5);
  GcellAddText(0x12, 0, 1, "T", 0, 0, 20, 30);  // size 0 with height 0: a point-sized box
  TGcell pic;
  pic.kind = GK_PICTURE;
  pic.text = "x.jpg";
  pic.p[0] = -5;
  pic.p[1] = -6;
  pic.p[2] = 1;
  pic.p[3] = 1;
  GcellAdd(pic);
  GcellAddLine(0, 0x11, 1000, 1000, 2000, 2000);  // not selected

  platform().SetClipboardText("before");
  CopySelectionToClipboard();
  EXPECT_EQ(platform().ClipboardText(), "before");  // nothing selected

  GcellSelect(1);
  GcellSelect(2);
  GcellSelect(3);
  CopySelectionToClipboard();
  EXPECT_EQ(platform().ClipboardText(),
            Crlf("Velmoデータファイル\t5.2\n"
                 "CF_WINDOW, -6.00,-7.00,21.00,31.00\n"
                 // The selection flag is cleared; the last-selection mark stays.
                 "LINE,0,0,4113,0.0000,0.0000,10.0000,5.0000,0\n"
                 "TEXT,0,18,4097,20.0000,30.0000,0.0000,0,0,0.0000,0.0000,0.0000\nT\n"
                 "\n"
                 "$EOF\n"));
  EXPECT_TRUE(GcellRef(1).pen & PEN_SELECTED);  // the store keeps its selection
}

}  // namespace
}  // namespace vldtest
