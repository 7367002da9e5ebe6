// Text laid out character by character on a recording canvas: fonts and
// positions horizontal, rotated and vertical, half-size marks, the printer's
// fonts, and a text cell's marks, filler dots, underline and colour.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

#include "VelmoTest.h"
#include "model/PVC.h"
#include "render/ApPenSet.h"
#include "render/GC_Tenkai.h"
#include "render/RecordCanvas.h"
#include "render/Z_Graph.h"

namespace {

constexpr double kPi = std::numbers::pi;

std::vector<std::string> Lines(const RecordCanvas& c, std::initializer_list<const char*> prefixes) {
  std::vector<std::string> out;
  for (const std::string& s : c.Log())
    for (const char* p : prefixes)
      if (s.rfind(p, 0) == 0) out.push_back(s);
  return out;
}

std::string FontLine(int h, int w, int esc, const char* face = kFaceGothic) {
  return "Font " + std::to_string(h) + " " + std::to_string(w) + " " + std::to_string(esc) + " " + face;
}

class TextLayoutTest : public VelmoTest {
protected:
  // 400 x 400 pixels showing (0, 0)-(399, 399): (x, y) is pixel (x, 399 - y).
  void SetUp() override {
    VelmoTest::SetUp();
    ASSERT_TRUE(G_Begin(g, TTargetKind::PaintBox, &c));
    G_SetWindow(g, 0, 0, 399, 399);
    c.Clear();
  }
  RecordCanvas c{400, 400};
  TGContext g;
};

TEST_F(TextLayoutTest, HorizontalAndRotatedTextAdvancePerCharacter) {
  G_TextSize(g, 20, 16, 4);
  G_Text(g, "AB漢C", false, 100, 299);  // lower-left at pixel (100, 100): top-left (100, 80)
  EXPECT_EQ(Lines(c, {"Font", "TextOut"}),
            (std::vector<std::string>{FontLine(20, 8, 0), "TextOut 100 80 A", "TextOut 110 80 B", "TextOut 120 80 漢",
                                      "TextOut 140 80 C"}));
  // A lone lead byte at the end is a character of its own.
  c.Clear();
  G_Text(g, "A\x82", false, 100, 299);
  EXPECT_EQ(Lines(c, {"TextOut"}), (std::vector<std::string>{"TextOut 100 80 A", "TextOut 110 80 \x82"}));
  // Turned a quarter turn: the text runs up, its cells on the left.
  c.Clear();
  G_TextAngle(g, kPi / 2);
  G_Text(g, "AB", false, 100, 299);
  EXPECT_EQ(Lines(c, {"Font", "TextOut"}),
            (std::vector<std::string>{FontLine(20, 8, 900), "TextOut 80 100 A", "TextOut 80 90 B"}));
}

TEST_F(TextLayoutTest, VerticalTextTurnsBracketsAndMovesMarks) {
  // Running down: the column lies right of the reference point, characters
  // upright (a font W high and H wide), brackets turned with the line.
  G_TextSize(g, 20, 16, 4);
  G_TextAngle(g, -kPi / 2);
  G_Text(g, "（注）ー、A", true, 100, 299);
  EXPECT_EQ(Lines(c, {"Font", "TextOut"}),
            (std::vector<std::string>{
                FontLine(16, 10, 0),
                FontLine(20, 8, -900), "TextOut 120 100 （",  // hung from the column's right side
                FontLine(16, 10, 0), "TextOut 100 120 注",
                FontLine(20, 8, -900), "TextOut 120 140 ）",
                FontLine(16, 10, 0),
                FontLine(20, 8, -900), "TextOut 120 160 ー",
                FontLine(16, 10, 0), "TextOut 110 172 、",  // upright, half a cell right and up
                "TextOut 100 200 A",                        // half-width: half an advance before it
            }));
}

TEST_F(TextLayoutTest, SuperscriptMarksDrawHalfSize) {
  G_TextSize(g, 20, 16, 0);
  g.textMarks = true;
  G_Text(g, "X^u2^d漢", false, 100, 299);
  EXPECT_EQ(Lines(c, {"Font", "TextOut"}),
            (std::vector<std::string>{FontLine(20, 8, 0), "TextOut 100 80 X", FontLine(10, 8, 0), "TextOut 108 80 2",
                                      FontLine(20, 8, 0), FontLine(10, 4, 0), "TextOut 116 89 漢",  // lowered 7H/16
                                      FontLine(20, 8, 0)}));
  // Off, the codes are plain characters.
  g.textMarks = false;
  c.Clear();
  G_Text(g, "^u2", false, 100, 299);
  EXPECT_EQ(Lines(c, {"TextOut"}).size(), 3u);
}

TEST_F(TextLayoutTest, ScreenFontSizesRound) {
  struct Case {
    double h, w;
    int fontH, fontW;
  };
  const Case cases[] = {{7.4, 9, 8, 5}, {9.6, 10.4, 10, 5}, {0.2, 0.2, 2, 1}, {900, 900, 512, 256}};
  for (const Case& k : cases) {
    G_CharFont(g, k.h, k.w, 0);
    EXPECT_EQ(c.Font().height, k.fontH) << k.h;
    EXPECT_EQ(c.Font().width, k.fontW) << k.w;
  }
  // The canvas's font changes only when it differs.
  c.Clear();
  G_CharFont(g, 900, 900, 0);
  EXPECT_TRUE(c.Log().empty());
}

TEST_F(TextLayoutTest, PrinterEnlargesTheFontByTheTextFactor) {
  RecordCanvas paper(5000, 7000, 600);
  TGContext p;
  ASSERT_TRUE(G_Begin(p, TTargetKind::Printer, &paper, 1.0));
  paper.Clear();
  const double px = 600 / 25.4;  // pixels per millimetre
  G_TextSize(p, 100 / px, 60 / px, 0);
  G_Text(p, "A", false, 50, 50);
  ASSERT_EQ(Lines(paper, {"Font"}).size(), 1u);
  EXPECT_EQ(paper.Font().height, 110);
  EXPECT_EQ(paper.Font().width, 33);
  // The printer has no box for small texts and no cut at the page's edge.
  paper.Clear();
  G_TextSize(p, 0.1, 0.1, 0);
  G_Text(p, "AB", false, 50, 50);
  EXPECT_EQ(Lines(paper, {"TextOut"}).size(), 2u);
}

TEST_F(TextLayoutTest, CharactersFarOffTheScreenAreNotOutput) {
  G_TextSize(g, 20, 200, 0);  // 100 pixels per half-width character
  std::string text(30, 'A');
  G_Text(g, text, false, 0, 299);  // from pixel 0 to 2900
  const std::vector<std::string> out = Lines(c, {"TextOut"});
  // Output while the character starts at most 800 pixels right of the
  // device's right edge (399).
  ASSERT_EQ(out.size(), 12u);
  EXPECT_EQ(out.back(), "TextOut 1100 80 A");
}

TEST_F(TextLayoutTest, SmallTextIsItsBox) {
  // 4 pixels high: a box 3 pixels high from half a pixel above the point
  // (the clipper orders each side's ends).
  G_TextSize(g, 4, 4, 0);
  G_Text(g, "AB", false, 100, 299);
  EXPECT_TRUE(Lines(c, {"TextOut"}).empty());
  EXPECT_EQ(Lines(c, {"MoveTo", "LineTo"}),
            (std::vector<std::string>{"MoveTo 100 100", "LineTo 104 100", "MoveTo 104 96", "LineTo 104 100",
                                      "MoveTo 100 96", "LineTo 104 96", "MoveTo 100 96", "LineTo 100 100"}));
}

// --- text cells

class TextCellTest : public TextLayoutTest {
protected:
  void SetUp() override {
    TextLayoutTest::SetUp();
    TPVC& pvc = CurPVC();
    pvc.basicScale = 1;
    pvc.textSizes[3] = {20, 16, 4, 2, 0};
    BuildPenColours();
    c.Clear();
  }
  TGcell Cell(const std::string& text) {
    TGcell t;
    t.kind = GK_TEXT;
    t.size = 3;
    t.pen = 1;
    t.text = text;
    t.p[0] = 100, t.p[1] = 299;
    return t;
  }
  // The x of each character output.
  std::vector<int> Xs() {
    std::vector<int> xs;
    for (const std::string& s : Lines(c, {"TextOut"})) {
      int x = 0, y = 0;
      if (std::sscanf(s.c_str(), "TextOut %d %d", &x, &y) == 2) xs.push_back(x);
    }
    return xs;
  }
};

TEST_F(TextCellTest, FillerDotsWidenTheGapsAndKeepTheLength) {
  struct Case {
    const char* text;
    std::vector<int> xs;
  };
  // W = 16, G = 4: a half-width character advances 10, a full-width one 20.
  const Case cases[] = {
      {"AB･･･", {100, 140}},            // gap + 20 x 3 / 1: B at (16 + 64) / 2
      {"漢字・・", {100, 160}},          // gap + 20 x 4 / 2: 字 at 16 + 44
      {"A漢・･･", {100, 130}},           // both kinds of dots: 4 bytes over 2 gaps
      {"AB･", {100, 110, 120}},         // three bytes or fewer stay
      {"････", {100}},                  // dots only: the first stays
      {"A･B･･", {100, 120, 140}},       // only trailing dots go
  };
  for (const Case& k : cases) {
    c.Clear();
    DrawTextCell(g, Cell(k.text));
    EXPECT_EQ(Xs(), k.xs) << k.text;
  }
  // The laid-out width is the original text's.
  c.Clear();
  DrawTextCell(g, Cell("AB･･･"));
  EXPECT_DOUBLE_EQ(G_TextWidth(g, "AB"), TextRunWidth("AB･･･", 16, 4));
}

TEST_F(TextCellTest, UnderlineIsMeasuredWithTheTextsOwnSize) {
  G_TextSize(g, 5, 5, 5);  // whatever the previous text left
  DrawTextCell(g, Cell("%%u1ABC"));
  EXPECT_EQ(Xs(), (std::vector<int>{100, 110, 120}));
  // H / 8 = 2.5 below the point, 3 W / 2 + 2 G / 2 = 28 long.
  EXPECT_EQ(Lines(c, {"MoveTo", "LineTo"}), (std::vector<std::string>{"MoveTo 100 102", "LineTo 128 102"}));
}

TEST_F(TextCellTest, TildeDrawsInMincho) {
  DrawTextCell(g, Cell("~AB"));
  const std::vector<std::string> fonts = Lines(c, {"Font"});
  ASSERT_GE(fonts.size(), 2u);
  EXPECT_NE(fonts[fonts.size() - 2].find(kFaceMincho), std::string::npos);
  EXPECT_EQ(c.Font().face, std::string(kFaceGothic));  // back afterwards
  EXPECT_EQ(Lines(c, {"TextOut"}), (std::vector<std::string>{"TextOut 100 80 A", "TextOut 110 80 B"}));
}

TEST_F(TextCellTest, SuperscriptPiecesLandAfterTheirBase) {
  TCellPieces pieces;
  ExpandCell(Cell("X^u2^d1"), pieces);
  for (const TGcell& p : pieces) DrawTextCell(g, p);
  // X at the top-left (100, 80); 2 half as high, raised by 10 from the
  // baseline; 1 on the baseline; both 8 pixels (X's width) further on.
  EXPECT_EQ(Lines(c, {"TextOut"}),
            (std::vector<std::string>{"TextOut 100 80 X", "TextOut 108 80 2", "TextOut 108 90 1"}));
  EXPECT_EQ(c.FontColor(), CurPVC().pens[2].screenColor);  // size 3's pen
}

TEST_F(TextCellTest, ColourAndCulling) {
  TGcell t = Cell("AB");
  t.pen = 0x8001;
  DrawTextCell(g, t);
  EXPECT_EQ(c.FontColor(), XorColour(g));
  EXPECT_EQ(c.PenColor(), XorColour(g));
  // Far outside the window: nothing.
  c.Clear();
  t.p[0] = -500;
  DrawTextCell(g, t);
  EXPECT_TRUE(Lines(c, {"TextOut", "LineTo"}).empty());
  // Printers: by the printer type.
  RecordCanvas paper(5000, 7000, 600);
  TGContext p;
  ASSERT_TRUE(G_Begin(p, TTargetKind::Printer, &paper, 1.0));
  TPVC& pvc = CurPVC();
  pvc.pens[2].colorIndex = 9;  // (0, 0, 128)
  for (auto [type, colour] : {std::pair{PRINTER_MONO, TColor(0)}, {PRINTER_COLOR, Rgb(0, 0, 128)},
                               {PRINTER_PLOTTER, Rgb(0, 0, 255)}}) {
    pvc.printerType = type;
    DrawTextCell(p, Cell("AB"));
    EXPECT_EQ(paper.FontColor(), colour) << type;
  }
  EXPECT_EQ(paper.PenWidth(), 0);  // a plotter's text pen
}

}  // namespace
