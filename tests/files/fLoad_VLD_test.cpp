#include "files/fLoad_VLD.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "VldFixture.h"
#include "files/fSave_VLD.h"
#include "kernel/Z_Basic.h"
#include "model/GC_DB.h"
#include "model/PVC.h"

namespace vldtest {
namespace {

const std::string kHead = "Velmoデータファイル\t5.2\t2020.11.26\n";

bool Load(const std::string& lfText, double dx = 0, double dy = 0) {
  return VldLoadText(Crlf(lfText), dx, dy, "t.vld");
}

class VldLoadTest : public VldTest {};

// Element records, one per case: the cell they give.
TEST_F(VldLoadTest, ElementRecords) {
  struct Case {
    const char* what;
    std::string lines;
    std::int8_t kind;
    int layer, pen, size;
    std::vector<double> p;  // p0.. as far as given
    std::string text;
  } cases[] = {
      {"pen 0 gives 0x11", "LINE,0,0,0,0,0,10,10,0", GK_LINE, 0, 0x11, 0, {0, 0, 10, 10}, ""},
      {"pen nibble 7 carries line type 5", "LINE,0,0,39,0,0,10,10,0", GK_LINE, 0, 0x57, 0, {}, ""},
      {"selection flag dropped", "LINE,0,0,32785,0,0,10,10,0", GK_LINE, 0, 0x11, 0, {}, ""},
      {"nibbles clamped", "LINE,0,0,$93,0,0,10,10,0", GK_LINE, 0, 0x83, 0, {}, ""},
      {"layer clamped high", "LINE,0,300,17,0,0,10,10,0", GK_LINE, 255, 0x11, 0, {}, ""},
      {"layer clamped low", "LINE,0,-5,17,0,0,10,10,0", GK_LINE, 0, 0x11, 0, {}, ""},
      {"lenient numbers", "LINE,0, 18,17, 5s,,7.5e+1,-2", GK_LINE, 18, 0x11, 0, {5, 0, 75, -2}, ""},
      {"map line: y before x", "MAPL,0,0,17,0,1,2,3,4", GK_LINE, 0, 0x11, 0, {2, 1, 4, 3}, ""},
      {"point", "POINT,0,1,18,1.5,2.5", GK_POINT, 1, 0x12, 0, {1.5, 2.5}, ""},
      {"flatness 0 reads 1", "CIRCLE,0,0,17,1,2,3,0,0.5", GK_CIRCLE, 0, 0x11, 0, {1, 2, 0, 0, 3, 1, 0.5}, ""},
      {"arc", "ARC,0,0,17,1,2,3,0.5,2,0,0.25", GK_ARC, 0, 0x11, 0, {1, 2, 0, 0, 3, 1, 0.25, 0.5, 2}, ""},
      {"filled arc and its colour", "POLYARC,0,0,17,1,2,3,0.5,2,0.5,0,$000000FF", GK_POLYARC, 0, 0x11, 0,
       {1, 2, 0, 0, 3, 0.5, 0, 0.5, 2}, "$000000FF"},
      {"polygon and its point list", "POLYGON,0,0,17,0,0,10,10\n$00FF0000,0.00,0.00,10.00,10.00", GK_POLYGON, 0,
       0x11, 0, {0, 0, 10, 10}, "$00FF0000,0.00,0.00,10.00,10.00"},
      {"quadrilateral", "FILL4K,0,0,17,1,2,3,4,5,6,7,8,0", GK_FILL4K, 0, 0x11, 0, {1, 2, 3, 4, 5, 6, 0, 7, 8}, "0"},
      {"plain picture reference", "PICTUR,0,0,17,1,2,3,4,5,6,7,8\n/pics/a.jpg", GK_PICTURE, 0, 0x11, 0,
       {1, 2, 3, 4, 5, 6, 0, 7, 8}, "/pics/a.jpg"},
      // Texts: the pen word is always 1.
      {"text", "TEXT,0,0,35,1,2,0.5,3,1,4,5,6\n文字", GK_TEXT, 0, 1, 3, {1, 2, 5, 4, 6, 0, 0.5}, "文字"},
      {"size 0 and height 0: size from the pen field", "TEXT,0,0,5,1,2,0,0,0,0,0,0\nold", GK_TEXT, 0, 1, 5, {},
       "old"},
      {"size 0 with its own height stays 0", "TEXT,0,0,5,1,2,0,0,0,3,0,0\nown", GK_TEXT, 0, 1, 0, {}, "own"},
      {"size above 10 clamped", "TEXT,0,0,1,1,2,0,200,0,0,0,0\nbig", GK_TEXT, 0, 1, 10, {}, "big"},
      {"a CR left in a text", "TEXT,0,0,1,1,2,0,1,0,0,0,0\na\rb", GK_TEXT, 0, 1, 1, {}, "a b"},
      // Older files: packed numbers.
      {"packed line", std::string("*") + "\x3b\x48\xd2\xe6\xd3\xe6\xd2\x31\xd3\x31", GK_LINE, 0, 0x11, 0,
       {1.5, 2.5, 100, 200}, ""},
      {"packed line ending in a lone character", std::string("*") + "\x3b\x48\xd1\xd1\xd1\xd2\x30", GK_LINE, 0,
       0x11, 0, {0, 0, 0, 10}, ""},
      {"packed text", std::string("T*") + "\x3b\x4b\x41\xd3\x3b\x3b\x60\nold", GK_TEXT, 0, 1, 3, {10, 20}, "old"},
  };
  for (const Case& c : cases) {
    GC_DB_Reset();
    ASSERT_TRUE(Load(kHead + c.lines + "\n")) << c.what;
    ASSERT_EQ(StoreUsed(), 1) << c.what;
    const TGcell& cell = GcellRef(1);
    EXPECT_EQ(cell.kind, c.kind) << c.what;
    EXPECT_EQ(cell.layer, c.layer) << c.what;
    EXPECT_EQ(cell.pen, c.pen) << c.what;
    EXPECT_EQ(cell.size, c.size) << c.what;
    for (std::size_t i = 0; i < c.p.size(); ++i) EXPECT_EQ(cell.p[i], c.p[i]) << c.what << " p" << i;
    EXPECT_EQ(cell.text, c.text) << c.what;
  }
  EXPECT_TRUE(platform().messages().empty());
}

TEST_F(VldLoadTest, LineEndsAndSectionsAndTheEnd) {
  // LF alone, CR LF, empty lines and section lines; nothing after $EOF.
  const std::string text = "Velmoデータファイル\t5.2\nLINE,0,0,17,0,0,1,1,0\r\n\r\n$BEGIN,ENTITIES\n"
                           "LINE,0,0,17,0,0,2,2,0\n$EOFX\nLINE,0,0,17,0,0,3,3,0\n";
  TVldReadReport report;
  ASSERT_TRUE(VldLoadText(text, 0, 0, "t", &report));
  EXPECT_EQ(StoreUsed(), 2);
  EXPECT_EQ(report.cells, 2);
  EXPECT_FALSE(report.cutShort);
  // "$EOF" may end the text without a line end.
  GC_DB_Reset();
  ASSERT_TRUE(VldLoadText("Velmoデータファイル\nPOINT,0,0,17,1,2\n$EOF", 0, 0, "t", &report));
  EXPECT_EQ(StoreUsed(), 1);
  EXPECT_FALSE(report.cutShort);
}

// A text that ends before "$EOF" was cut short: the records that are whole
// are read, one that lost a line or the end of a line is not, and the caller
// is told. Nothing is said by the reader itself.
TEST_F(VldLoadTest, ATextCutShortGivesItsWholeRecords) {
  const std::string whole = Crlf(kHead + "LINE,0,0,17,0,0,10,10,0\nPOINT,0,0,17,1,2\n");
  struct Case {
    const char* what;
    std::string tail;  // after the two whole records
    int cells;         // all read
  } cases[] = {
      {"ends after a whole line", "", 2},
      {"cut inside a record's line", "LINE,0,0,17,0,0,12.5", 2},
      {"cut before a text's line", "TEXT,0,0,1,1,2,0,1,0,0,0,0\r\n", 2},
      {"cut inside a text's line", "TEXT,0,0,1,1,2,0,1,0,0,0,0\r\n文字の一", 2},
      {"cut inside a polygon's point list", "POLYGON,0,0,17,0,0,10,10\r\n$00FF0000,0.00,0.0", 2},
      {"cut inside a picture's data", "PICTUR,0,0,17,1,2,3,4,0,0,0,0\r\n:Image.jpg\r\n:3ABCD\r\n", 2},
      {"cut inside $EOF", "$EO", 2},
      {"a whole text, then the cut", "TEXT,0,0,1,1,2,0,1,0,0,0,0\r\n文字\r\nLINE,0,0", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    VelmoReset();
    UseProgramFolder();
    platform().Reset();
    TVldReadReport report;
    ASSERT_TRUE(VldLoadText(whole + c.tail, 0, 0, "cut.vld", &report));
    EXPECT_EQ(StoreUsed(), c.cells);
    EXPECT_EQ(report.cells, c.cells);
    EXPECT_TRUE(report.cutShort);
    EXPECT_EQ(GcellRef(1).p[2], 10);
    EXPECT_EQ(GcellRef(2).p[1], 2);
    EXPECT_TRUE(platform().messages().empty());
    // No picture file is left for a picture that was not read.
    EXPECT_EQ(Names(), std::vector<std::string>{});
  }
}

// Lines ending in CR alone (as some old Mac editors wrote them) are lines,
// in memory and streamed in any chunk size; a CR LF among them is one line end.
TEST_F(VldLoadTest, LinesEndingInCrAloneAreRead) {
  const std::string text = "Velmoデータファイル\t5.2\rLINE,0,0,17,0,0,10,10,0\r\rTEXT,0,0,1,1,2,0,1,0,0,0,0\r"
                           "文字\r\nPOINT,0,0,17,3,4\r$EOF\r";
  TVldReadReport report;
  ASSERT_TRUE(VldLoadText(text, 0, 0, "cr.vld", &report));
  ASSERT_EQ(StoreUsed(), 3);
  EXPECT_FALSE(report.cutShort);
  EXPECT_EQ(GcellRef(2).text, "文字");
  EXPECT_EQ(GcellRef(3).p[1], 4);
  for (std::size_t chunk : {1, 2, 3, 5, 64}) {
    std::string copy = text;
    std::FILE* f = fmemopen(copy.data(), copy.size(), "rb");
    ASSERT_NE(f, nullptr);
    TVldLines lines(f, chunk);
    std::vector<std::string> got;
    for (std::string_view line; lines.Next(line);) got.push_back(std::string(line));
    std::fclose(f);
    EXPECT_EQ(got, (std::vector<std::string>{"Velmoデータファイル\t5.2", "LINE,0,0,17,0,0,10,10,0", "",
                                             "TEXT,0,0,1,1,2,0,1,0,0,0,0", "文字", "POINT,0,0,17,3,4", "$EOF"}))
        << "chunk " << chunk;
  }
  // A file of them opens as one with CR LF does.
  WriteFile(Path("cr.vld"), text);
  GC_DB_Reset();
  ASSERT_TRUE(VldLoad(Path("cr.vld"), 0, 0, &report));
  EXPECT_EQ(report.cells, 3);
}

TEST_F(VldLoadTest, DegenerateAndAbsurdCellsAreNotAdded) {
  ASSERT_TRUE(Load(kHead +
                   "LINE,0,0,17,5,5,5,5,0\n"            // zero length
                   "CIRCLE,0,0,17,0,0,0,1,0\n"          // zero radius
                   "LINE,0,0,17,0,0,1.0E+99,1,0\n"      // absurd
                   "POINT,0,0,17,-2.0E+12,0\n"            // beyond the limit
                   "TEXT,0,0,1,0,0,0,0,0,1.0E+50,1,1\nx\n"
                   "LINE,0,0,17,0,0,1.0E+999,1,0\n"     // too large to read: 0
                   "POINT,0,0,17,1.0E+12,0\n"));        // at the limit
  ASSERT_EQ(StoreUsed(), 2);
  EXPECT_EQ(GcellRef(1).p[2], 0);
  EXPECT_EQ(GcellRef(2).p[0], 1e12);
  // Those beyond the limit are counted for the caller's warning.
  TVldReadReport report;
  GC_DB_Reset();
  ASSERT_TRUE(VldLoadText(Crlf(kHead + "LINE,0,0,17,0,0,1.0E+99,1,0\nPOINT,0,0,17,-2.0E+12,0\n"
                                       "POINT,0,0,17,1,1\n$EOF\n"),
                          0, 0, "t", &report));
  EXPECT_EQ(report.skipped, 2);
  EXPECT_EQ(report.cells, 1);
}

TEST_F(VldLoadTest, PastingMovesAbsolutePointsOnly) {
  ASSERT_TRUE(Load("Velmoデータファイル\t5.2\n"
                   "CF_WINDOW, -1.00,-1.00,11.00,11.00\n"
                   "LINE,0,0,17,0,0,10,5,0\n"
                   "MAPL,0,0,17,0,1,2,3,4\n"
                   "CIRCLE,0,0,17,1,2,3,1,0\n"
                   "POLYGON,0,0,17,0,0,10,10\n$00FF0000,0.00,0.00,10.00,0.00,10.00,10.00\n"
                   "POLYGON,0,0,17,0,0,1,1\nx,1,1\n"
                   "FILL4K,0,0,17,1,2,3,4,5,6,7,8,0\n"
                   "PICTUR,0,0,17,1,2,3,4,0,0,0,0\nx.jpg\n"
                   "TEXT,0,0,1,1,2,0,1,0,0,0,0\nt\n"
                   "$EOF\n",
                   100, -50));
  ASSERT_EQ(StoreUsed(), 8);
  auto p = [](int i, int k) { return GcellRef(i).p[k]; };
  EXPECT_EQ((std::vector<double>{p(1, 0), p(1, 1), p(1, 2), p(1, 3)}), (std::vector<double>{100, -50, 110, -45}));
  EXPECT_EQ((std::vector<double>{p(2, 0), p(2, 1), p(2, 2), p(2, 3)}), (std::vector<double>{102, -49, 104, -47}));
  EXPECT_EQ((std::vector<double>{p(3, 0), p(3, 1), p(3, 4)}), (std::vector<double>{101, -48, 3}));
  EXPECT_EQ((std::vector<double>{p(4, 0), p(4, 1), p(4, 2), p(4, 3)}), (std::vector<double>{100, -50, 110, -40}));
  EXPECT_EQ(GcellRef(4).text, "$00FF0000,100.00,-50.00,110.00,-50.00,110.00,-40.00");
  EXPECT_EQ(GcellRef(5).text, "0,101.00,-49.00");  // a colour not starting with "$" is the pen's
  EXPECT_EQ((std::vector<double>{p(6, 0), p(6, 1), p(6, 2), p(6, 3), p(6, 7), p(6, 8)}),
            (std::vector<double>{101, -48, 3, 4, 7, 8}));
  EXPECT_EQ((std::vector<double>{p(7, 0), p(7, 1), p(7, 2), p(7, 3)}), (std::vector<double>{101, -48, 3, 4}));
  EXPECT_EQ((std::vector<double>{p(8, 0), p(8, 1)}), (std::vector<double>{101, -48}));
}

// ---- Settings

TEST_F(VldLoadTest, SettingRecords) {
  struct Case {
    const char* what;
    std::string lines;
    std::function<bool(const TPVC&)> check;
  } cases[] = {
      {"PENLAY: seven numbers, the last followed by s", "CF_PENLAY,35,42,33,0,37,81,83s",
       [](const TPVC& p) {
         return p.writePen == 0x23 && p.writeLayer == 42 && p.penPresets[1] == 33 && p.penPresets[2] == 0x23 &&
                p.penPresets[3] == 37 && p.penPresets[5] == 83;
       }},
      {"PENLAY: write layer clamped", "CF_PENLAY,17,999", [](const TPVC& p) { return p.writeLayer == 255; }},
      {"LNAME keeps a comma that LAYER split",
       "CF_LAYER, 3,a,b,c\nCF_LNAME\t 3\ta,b\tc",
       [](const TPVC& p) { return p.groups[3].name == "a,b" && p.groups[3].layers[0].name == "c"; }},
      {"LAYER cuts names to 32 and 16 bytes, never inside a character",
       "CF_LAYER, 1," + std::string(40, 'g') + ",あいうえおかきくけ",
       [](const TPVC& p) {
         return p.groups[1].name == std::string(32, 'g') && p.groups[1].layers[0].name == "あいうえおかきく";
       }},
      {"version 4.3 switches the width settings off",
       "CF_PENWMODE,TRUE,FALSE", [](const TPVC& p) { return !p.varyWidths && !p.monochrome; }},
      {"SUNPOPM: empty nibbles become 1, size clamped", "CF_SUNPOPM,0,99",
       [](const TPVC& p) { return p.dimPen == 0x11 && p.dimTextSize == 10; }},
      {"SUNPOPM: pen 0x40 gets pen 1", "CF_SUNPOPM,64,3", [](const TPVC& p) { return p.dimPen == 0x41; }},
      {"PENCOLOR: clamped; no eleventh field gives 4", "CF_PENCOLOR,0,16,3,3,3,3,3,3,3,3",
       [](const TPVC& p) {
         return p.pens[1].colorIndex == 1 && p.pens[2].colorIndex == 15 && p.selectionColor == 4;
       }},
      {"PENWIDTH clamped", "CF_PENWIDTH,0,11", [](const TPVC& p) { return p.pens[1].printWidth == 1 && p.pens[2].printWidth == 10; }},
      {"MJDXFP clamped", "CF_MJDXFP,0,7", [](const TPVC& p) { return p.textSizes[1].pen == 1 && p.textSizes[2].pen == 6; }},
      {"ARWSIZE: angle clamped", "CF_ARWSIZE,2,5", [](const TPVC& p) { return p.dimArrowLength == 2 && p.dimArrowAngle == 15; }},
      {"SOFFSET without the flag", "CF_SOFFSET,2,0,9,9,9",
       [](const TPVC& p) { return p.dimExtGap == 2 && p.dimExtOvershoot == 2 && p.dimTextGap == 0 && p.textOffset == 1; }},
      {"SOFFSET: a sixth field overrides the overshoot", "CF_SOFFSET,2,1,3,4,5,1,7",
       [](const TPVC& p) { return p.dimExtOvershoot == 7 && p.dimTextGap == 4 && p.textOffset == 5; }},
      {"S_UNIT clamped", "CF_S_UNIT,7,-1", [](const TPVC& p) { return p.dimUnit == 2 && p.dimDecimals == 0; }},
      {"WRTLAY: clamped and made visible", "CF_VW_LAY,4,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0\nCF_WRTLAY,0,0,0,0,99",
       [](const TPVC& p) { return p.groups[4].lastLayer == 15 && p.groups[4].layers[15].visible && !p.groups[4].layers[14].visible; }},
      {"PSIZE, PORNT, PLOTER clamped; TRUE is the plotter", "CF_PSIZE,9\nCF_PORNT,-3\nCF_PLOTER,TRUE",
       [](const TPVC& p) { return p.paperSize == 5 && p.paperOrientation == 0 && p.printerType == 2; }},
      {"scales of 0 or less become 0.001", "CF_SCALE1,0\nCF_SCALE2, 2,-5,1.0E+300",
       [](const TPVC& p) { return p.basicScale == 0.001 && p.groups[2].scaleX == 0.001 && p.groups[2].scaleY == 1e9; }},
      {"SCALE: every group, dimension pen and size", "CF_SCALE,20,30",
       [](const TPVC& p) {
         return p.basicScale == 20 && p.groups[15].scaleX == 20 && p.groups[15].scaleY == 30 && p.dimPen == 1 &&
                p.dimTextSize == 2;
       }},
      {"legacy MJSIZE", "CF_MJSIZE,0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16",
       [](const TPVC& p) {
         return p.textSizes[1].height == 1 && p.textSizes[1].width == 2 && p.textSizes[8].height == 15 &&
                p.textSizes[10].width == 16 && p.textSizes[10].height == 15 && p.textSizes[3].spacing == 0 &&
                p.textSizes[3].pen == 1;
       }},
      {"LAYPEN: hexadecimal words", "CF_LAYPEN,1,$23,$A5",
       [](const TPVC& p) { return p.penPerLayer && p.layerPens[0] == 0x23 && p.layerPens[1] == 0x85; }},
      {"other CF_ records are ignored", "CF_WINDOW,1,2,3,4\nCF_UNKNOWN,1\ncf_SCALE1,5",
       [](const TPVC& p) { return p.basicScale == 100; }},
  };
  for (const Case& c : cases) {
    PVC_Reset();
    const std::string version = std::string(c.what).starts_with("version") ? "4.3" : "5.2";
    ASSERT_TRUE(Load("Velmoデータファイル\t" + version + "\n" + c.lines + "\n")) << c.what;
    EXPECT_TRUE(c.check(CurPVC())) << c.what;
  }
  // From version 4.4 on the record is read as written.
  PVC_Reset();
  ASSERT_TRUE(Load("Velmoデータファイル\t4.4\nCF_PENWMODE,TRUE,FALSE\n"));
  EXPECT_TRUE(CurPVC().varyWidths);
  EXPECT_TRUE(CurPVC().monochrome);
  // The older identification reads as version 3.
  PVC_Reset();
  ASSERT_TRUE(VldLoadText(" Velmo３データファイル 　\r\nCF_PENWMODE,TRUE,TRUE\r\n", 0, 0, "t"));
  EXPECT_FALSE(CurPVC().varyWidths);
}

TEST_F(VldLoadTest, BasicScaleFallsBackToGroupZeroOnlyForDrawings) {
  // A drawing without CF_SCALE1: group 0's scale.
  ASSERT_TRUE(Load(kHead + "CF_SCALE2, 0,40,40\n"));
  EXPECT_EQ(CurPVC().basicScale, 40);
  // Pasted cells carry no settings: the basic scale stays.
  CurPVC().basicScale = 100;
  ASSERT_TRUE(Load("Velmoデータファイル\t5.2\nCF_WINDOW, -1.00,-1.00,1.00,1.00\nPOINT,0,0,17,0,0\n$EOF\n"));
  EXPECT_EQ(CurPVC().basicScale, 100);
  // CF_SCALE1 wins over the group.
  ASSERT_TRUE(Load(kHead + "CF_SCALE2, 0,40,40\nCF_SCALE1,70\n"));
  EXPECT_EQ(CurPVC().basicScale, 70);
}

TEST_F(VldLoadTest, OutOfRangeValuesStopTheRead) {
  struct Case {
    const char* line;
  } cases[] = {
      {"CF_LAYER,16,g"},  {"CF_LNAME\t-1\tg"}, {"CF_VW_LAY,20,1"},        {"CF_SCALE2,99,1,1"},
      {"CF_LAYPEN,0,$11,70000"}, {"CF_SUNPOPM,70000,1"}, {"CF_SUNPOPM,17,256"},
      {"TEXT,0,0,1,0,0,0,256,0,0,0,0"},
  };
  for (const Case& c : cases) {
    VelmoReset();
    platform().Reset();
    ASSERT_FALSE(Load(kHead + "CF_SCALE1,70\nPOINT,0,0,17,1,1\n" + c.line + "\nPOINT,0,0,17,2,2\nCF_SCALE1,80\n"))
        << c.line;
    // What came before stays, nothing after is read.
    EXPECT_EQ(StoreUsed(), 1) << c.line;
    EXPECT_EQ(CurPVC().basicScale, 70) << c.line;
    ASSERT_EQ(platform().messages().size(), 1u) << c.line;
    EXPECT_EQ(platform().messages()[0].text, "ファイル<t.vld>の4行目の値が範囲外のため、読み込みを中止しました.")
        << c.line;
  }
}

// ---- Failures

TEST_F(VldLoadTest, NotADrawingChangesNothing) {
  for (const std::string text : {"", "\n", "Velmo\n", "Velmoデータ\tファイル\n", "LINE,0,0,17,0,0,1,1,0\n"}) {
    platform().Reset();
    EXPECT_FALSE(VldLoadText(text + "CF_SCALE1,5\nPOINT,0,0,17,0,0\n", 0, 0, "x.vld")) << text;
    ASSERT_EQ(platform().messages().size(), 1u);
    EXPECT_EQ(platform().messages()[0].text, "ファイル<x.vld<は読み込めません.");
    EXPECT_EQ(platform().messages()[0].buttons, MsgButtons::Abort);
  }
  EXPECT_EQ(StoreUsed(), 0);
  EXPECT_EQ(CurPVC().basicScale, 100);

  platform().Reset();
  EXPECT_FALSE(VldLoad(Path("missing.vld"), 0, 0));
  ASSERT_EQ(platform().messages().size(), 1u);
  EXPECT_NE(platform().messages()[0].text.find("を開けません"), std::string::npos);
  // A folder cannot be read.
  platform().Reset();
  fs::create_directory(Path("folder.vld"));
  EXPECT_FALSE(VldLoad(Path("folder.vld"), 0, 0));
  EXPECT_EQ(platform().messages().size(), 1u);
}

TEST_F(VldLoadTest, TooLongLineStopsTheRead) {
  std::string text = Crlf(kHead + "POINT,0,0,17,1,1\n");
  text += "TEXT,0,0,1,0,0,0,1,0,0,0,0\r\n" + std::string(kVldMaxLine + 1, 'x');
  text += Crlf("\nPOINT,0,0,17,2,2\n");
  // Streamed from a file as well as from memory.
  WriteFile(Path("long.vld"), text);
  for (int round = 0; round < 2; ++round) {
    VelmoReset();
    UseProgramFolder();
    platform().Reset();
    EXPECT_FALSE(round == 0 ? VldLoadText(text, 0, 0, "long.vld") : VldLoad(Path("long.vld"), 0, 0));
    EXPECT_EQ(StoreUsed(), 1);
    ASSERT_EQ(platform().messages().size(), 1u);
    EXPECT_NE(platform().messages()[0].text.find("の4行目が長すぎる"), std::string::npos)
        << SjisToUtf8(platform().messages()[0].text);
  }
}

TEST_F(VldLoadTest, FileIsReadInChunksAcrossLineBoundaries) {
  // Several megabytes, so lines straddle the reader's chunks.
  std::string text = Crlf(kHead);
  const int n = 120000;
  for (int i = 0; i < n; ++i) text += Format("LINE,0,0,17,%d,0,%d,1,0\r\n", {i, i});
  text += "TEXT,0,0,1,0,0,0,1,0,0,0,0\r\n" + std::string(3 << 20, 'y') + "\r\n$EOF\r\n";
  WriteFile(Path("big.vld"), text);
  ASSERT_TRUE(VldLoad(Path("big.vld"), 0, 0));
  ASSERT_EQ(StoreUsed(), n + 1);
  EXPECT_EQ(GcellRef(n).p[0], n - 1);
  EXPECT_EQ(GcellRef(n + 1).text.size(), 3u << 20);
}

TEST_F(VldLoadTest, LinesAreTheSameInAnyChunkSize) {
  const std::string text = "a\r\nbc\n\r\n\n" + std::string(50, 'x') + "\r\r\nlast";
  std::vector<std::string> want;
  TVldLines memory(text);
  for (std::string_view line; memory.Next(line);) want.push_back(std::string(line));
  EXPECT_EQ(want, (std::vector<std::string>{"a", "bc", "", "", std::string(50, 'x') + "\r", "last"}));
  for (std::size_t chunk : {1, 2, 3, 7, 64}) {
    std::string copy = text;
    std::FILE* f = fmemopen(copy.data(), copy.size(), "rb");
    ASSERT_NE(f, nullptr);
    TVldLines lines(f, chunk);
    std::vector<std::string> got;
    for (std::string_view line; lines.Next(line);) {
      got.push_back(std::string(line));
      if (got.size() == 2) {  // a line put back comes again
        lines.PutBack();
        ASSERT_TRUE(lines.Next(line));
        EXPECT_EQ(line, "bc");
      }
    }
    std::fclose(f);
    EXPECT_EQ(got, want) << "chunk " << chunk;
    EXPECT_EQ(lines.error(), TVldLines::Error::None);
    EXPECT_EQ(lines.lineNumber(), 6);
  }
}

// ---- Pictures

TEST_F(VldLoadTest, PictureExtensions) {
  const std::pair<const char*, const char*> cases[] = {
      {":Image.jpg", ".JPG"},        {":/pics/a.b/photo.Jpeg", ".JPEG"}, {":Image./../x", ".BIN"},
      {":Image", ".BIN"},            {":a.tiffs", ".BIN"},               {":a.", ".BIN"},
      {":a.b\\c", ".BIN"},           {":a.\x83\x40", ".BIN"},
  };
  for (const auto& [ref, want] : cases) EXPECT_EQ(VldPictureExtension(ref), want) << ref;
}

TEST_F(VldLoadTest, PictureDataEndsAtANonDataLine) {
  // The ":0" line is missing: the records after the data are still read.
  ASSERT_TRUE(Load(kHead +
                   "PICTUR,0,0,17,0,0,1,1,0,0,0,0\n:Image.jpg\n:3HF9S\n"
                   "LINE,0,0,17,0,0,1,1,0\n"
                   "PICTUR,0,0,17,0,0,1,1,0,0,0,0\n:Image.png\n"
                   // A count larger than the line holds, one below 1, odd characters.
                   ":o@@00\n:/zzzz\n:3~~~~\n:0\n"
                   "POINT,0,0,17,0,0\n"));
  ASSERT_EQ(StoreUsed(), 4);
  EXPECT_EQ(ReadFile(SjisToUtf8(GcellRef(1).text)), "abc");
  EXPECT_EQ(GcellRef(1).text, g_programDir.tempPrefix + "00000001.JPG");
  EXPECT_EQ(GcellRef(2).kind, GK_LINE);
  EXPECT_EQ(GcellRef(3).text, g_programDir.tempPrefix + "00000002.PNG");
  EXPECT_EQ(ReadFile(SjisToUtf8(GcellRef(3).text)).size(), 6u);  // 3 of "o", 0 of "/", 3 of "3"
  EXPECT_EQ(GcellRef(4).kind, GK_POINT);
}

TEST_F(VldLoadTest, PictureThatCannotBeWrittenStopsTheRead) {
  g_programDir.tempPrefix = Utf8ToSjis(Path("no/such/folder/#TMP").string());
  EXPECT_FALSE(Load(kHead + "POINT,0,0,17,0,0\nPICTUR,0,0,17,0,0,1,1,0,0,0,0\n:Image.jpg\n:3HF9S\n:0\n"
                            "POINT,0,0,17,1,1\n"));
  EXPECT_EQ(StoreUsed(), 1);
  ASSERT_EQ(platform().messages().size(), 1u);
}

TEST_F(VldLoadTest, RefusedPictureCellLeavesNoFile) {
  ASSERT_TRUE(Load(kHead + "PICTUR,0,0,17,1.0E+13,0,1,1,0,0,0,0\n:Image.jpg\n:3HF9S\n:0\n"));
  EXPECT_EQ(StoreUsed(), 0);
  EXPECT_EQ(Names(), std::vector<std::string>{});
}

// ---- Inputs that once broke the reader, and hostile ones

TEST_F(VldLoadTest, SavedCrashInputsReadSafely) {
  const fs::path dir = fs::path(VELMO_TESTS_DIR) / "files" / "data" / "crashes";
  ASSERT_TRUE(fs::is_directory(dir)) << dir;
  int files = 0;
  for (const auto& entry : fs::directory_iterator(dir)) {
    VelmoReset();
    UseProgramFolder();
    platform().Reset();
    const std::string bytes = ReadFile(entry.path());
    VldLoadText(bytes, 0, 0, "crash");
    VldLoadText(bytes, 12.5, -3, "crash");
    // Whatever was added is a cell the rest of the program can trust.
    for (int i = 1; i <= StoreUsed(); ++i) {
      const TGcell& c = GcellRef(i);
      SCOPED_TRACE(entry.path().filename().string() + " cell " + std::to_string(i));
      for (double v : c.p) EXPECT_LE(std::fabs(v), kVldMaxCoord);
      EXPECT_LE(c.size, 10);
      EXPECT_GE(c.pen & 15, 1);
      EXPECT_LE(c.pen & 15, 7);
      EXPECT_EQ(c.pen & 0xFF00, 0);
    }
    const TPVC& p = CurPVC();
    EXPECT_GE(p.basicScale, 0.001);
    EXPECT_LE(p.dimTextSize, 10);
    EXPECT_LE(p.writeLayer, 255);
    ++files;
  }
  EXPECT_GT(files, 0);
}

}  // namespace
}  // namespace vldtest

namespace vldtest {
namespace {

// LINE records read straight from their line give the cells the long way
// gives, whatever the spelling: signs, zeros, exponents, blanks, missing
// and extra fields, tabs, two-byte characters, offsets.
TEST_F(VldLoadTest, QuickLinesReadAsTheLongWay) {
  std::mt19937 rng(21);
  static const char* const kNumbers[] = {"0", "-0", "-0.0000", "1010.6976", "-50000.25", "5.", ".5", "-.5",
                                         "+5", " 5", "1.5E+003", "1e3", "7s", "", "999999999", "1234567890",
                                         "00012.500", "-", ".", "1.2.3", "12345678901234567890.5"};
  std::string text = kHead;
  for (int i = 0; i < 3000; ++i) {
    std::string line = "LINE,0";
    const int fields = 5 + static_cast<int>(rng() % 6);
    for (int k = 2; k <= fields; ++k) {
      line += rng() % 40 == 0 ? '\t' : ',';
      line += kNumbers[rng() % std::size(kNumbers)];
      if (k == 8 && rng() % 10 == 0) line += "\x83\x5C";
    }
    text += line + "\n";
  }
  text += "$EOF\n";
  const auto cells = [] {
    std::vector<TGcell> out;
    for (int i = 1; i <= StoreUsed(); ++i)
      if (GcellLive(i)) out.push_back(GcellGet(i));
    return out;
  };
  for (const double offset : {0.0, 12.5}) {
    GcellClearWindow(StoreWindow());
    g_fLoadVld.quickLines = false;
    ASSERT_TRUE(Load(text, offset, -offset));
    const std::vector<TGcell> longWay = cells();
    GcellClearWindow(StoreWindow());
    g_fLoadVld.quickLines = true;
    ASSERT_TRUE(Load(text, offset, -offset));
    const std::vector<TGcell> quick = cells();
    ASSERT_EQ(quick.size(), longWay.size());
    ASSERT_GT(quick.size(), 500u);
    for (std::size_t i = 0; i < quick.size(); ++i) {
      EXPECT_EQ(quick[i].layer, longWay[i].layer) << i;
      EXPECT_EQ(quick[i].pen, longWay[i].pen) << i;
      ASSERT_EQ(std::memcmp(quick[i].p, longWay[i].p, sizeof quick[i].p), 0) << "cell " << i;
    }
  }
}

}  // namespace
}  // namespace vldtest
