// Cell expansion: what every kind of cell stands for, and how texts are cut
// into superscript and subscript pieces; text metrics, pens and colours.
#include <gtest/gtest.h>

#include <cmath>
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

TGcell MakeCell(std::int8_t kind, std::string text = {}) {
  TGcell c;
  c.window = 1;
  c.undo = 1;
  c.kind = kind;
  c.layer = 0x23;
  c.pen = 0x35;
  c.text = std::move(text);
  for (int i = 0; i < 9; ++i) c.p[i] = 10.0 * (i + 1);
  return c;
}

// A text of size 3 at (100, 200); size 3 is 4 high, 2 wide, 0.5 apart, one
// drawing unit per millimetre.
TGcell Text(const std::string& text, double angle = 0) {
  TGcell c = MakeCell(GK_TEXT, text);
  c.size = 3;
  c.pen = 0x0001;
  c.p[0] = 100, c.p[1] = 200, c.p[6] = angle;
  return c;
}

class TenkaiTest : public VelmoTest {
protected:
  void SetUp() override {
    VelmoTest::SetUp();
    TPVC& pvc = CurPVC();
    pvc.basicScale = 1;
    pvc.textSizes[3] = {4, 2, 0.5, 5, 0};
    BuildPenColours();
  }
};

// --- every kind

TEST_F(TenkaiTest, SimpleKindsStandForThemselvesWithNothingElseSet) {
  for (std::int8_t kind : {GK_POINT, GK_LINE, GK_ARC, GK_CIRCLE}) {
    const TGcell cell = MakeCell(kind, "ignored");
    for (bool areas : {true, false}) {
      const TCellPieces out = areas ? ExpandCell(cell) : ExpandCellNoAreas(cell);
      ASSERT_EQ(out.size(), 1) << int(kind);
      const TGcell& p = out[0];
      EXPECT_EQ(p.kind, kind);
      EXPECT_EQ(p.layer, 0x23);
      EXPECT_EQ(p.pen, 0x35);
      for (int i = 0; i < 9; ++i) EXPECT_EQ(p.p[i], cell.p[i]) << int(kind) << " p" << i;
      EXPECT_EQ(p.window, 0);
      EXPECT_EQ(p.undo, 0);
      EXPECT_TRUE(p.text.empty());
    }
  }
}

TEST_F(TenkaiTest, AreasAreCopiedWholeOrLeftOut) {
  for (std::int8_t kind : {GK_POLYGON, GK_POLYARC, GK_FILL4K, GK_PICTURE}) {
    const TGcell cell = MakeCell(kind, "$00FF0000,1.00,2.00,3.00,4.00");
    const TCellPieces out = ExpandCell(cell);
    ASSERT_EQ(out.size(), 1) << int(kind);
    EXPECT_EQ(out[0].text, cell.text);
    EXPECT_EQ(out[0].window, 1);
    EXPECT_EQ(out[0].kind, kind);
    EXPECT_EQ(out[0].p[8], cell.p[8]);
    EXPECT_TRUE(ExpandCellNoAreas(cell).empty()) << int(kind);
  }
}

TEST_F(TenkaiTest, PrimitivesAndDeadCellsExpandToNothing) {
  for (int kind : {int(GK_DOT), int(GK_MARKER), 0, -GK_LINE, 12})
    EXPECT_TRUE(ExpandCell(MakeCell(static_cast<std::int8_t>(kind))).empty()) << kind;
}

TEST_F(TenkaiTest, RectangleBecomesItsSides) {
  struct Case {
    double w, h, angle;
    std::vector<std::array<double, 4>> lines;
  };
  const Case cases[] = {
      {30, 10, 0, {{10, 20, 10, 30}, {10, 30, 40, 30}, {40, 30, 40, 20}, {40, 20, 10, 20}}},
      {30, 10, kPi / 2, {{10, 20, 0, 20}, {0, 20, 0, 50}, {0, 50, 10, 50}, {10, 50, 10, 20}}},
      {30, 0, 0, {{10, 20, 40, 20}}},
      {0, 10, kPi, {{10, 20, 10, 10}}},
      {0, 0, 0, {}},
  };
  for (const Case& k : cases) {
    TGcell cell = MakeCell(GK_RECT);
    cell.p[0] = 10, cell.p[1] = 20, cell.p[2] = k.w, cell.p[3] = k.h, cell.p[6] = k.angle;
    const TCellPieces out = ExpandCell(cell);
    ASSERT_EQ(out.size(), static_cast<int>(k.lines.size())) << k.w << " " << k.h;
    for (int i = 0; i < out.size(); ++i) {
      EXPECT_EQ(out[i].kind, GK_LINE);
      EXPECT_EQ(out[i].layer, 0x23);
      EXPECT_EQ(out[i].pen, 0x35);
      for (int j = 0; j < 4; ++j) EXPECT_NEAR(out[i].p[j], k.lines[i][j], 1e-9) << "side " << i << " slot " << j;
    }
  }
}

TEST_F(TenkaiTest, ErasedCellsPiecesStayErased) {
  TGcell text = Text("X^u2");
  text.pen = 0;
  const TCellPieces out = ExpandCell(text);
  ASSERT_EQ(out.size(), 2);
  for (const TGcell& p : out) EXPECT_EQ(p.pen, 0);
  TGcell rect = MakeCell(GK_RECT);
  rect.pen = 0;
  for (const TGcell& p : ExpandCell(rect)) EXPECT_EQ(p.pen, 0);
}

TEST_F(TenkaiTest, TheCallersBufferIsReused) {
  TCellPieces buf;
  ExpandCell(Text("A^u2^d3^tabc^bdef"), buf);
  ASSERT_EQ(buf.size(), 5);
  const TGcell* slots = buf.begin();
  ExpandCell(MakeCell(GK_LINE), buf);
  ASSERT_EQ(buf.size(), 1);
  EXPECT_EQ(buf.begin(), slots);  // the same storage
  EXPECT_TRUE(buf[0].text.empty());
  EXPECT_EQ(buf[0].size, 0);
}

// --- texts

// Pieces as "text@x,y h w g" with coordinates relative to the reference point.
std::vector<std::string> Pieces(const TGcell& cell) {
  std::vector<std::string> out;
  for (const TGcell& p : ExpandCell(cell)) {
    char buf[160];
    std::snprintf(buf, sizeof buf, "%s@%g,%g %g %g %g", p.text.c_str(), p.p[0] - cell.p[0], p.p[1] - cell.p[1],
                  p.p[3], p.p[2], p.p[4]);
    out.push_back(buf);
  }
  return out;
}

TEST_F(TenkaiTest, SuperscriptAndSubscriptStackAfterTheirRun) {
  // X is 1 wide (a half-width character), so 2 and 1 both start at 1.
  EXPECT_EQ(Pieces(Text("X^u2^d1")), (std::vector<std::string>{"X@0,0 4 2 0.5", "2@1,2 2 2 0.5", "1@1,0 2 2 0.5"}));
  // The next plain run starts after the wider of them.
  EXPECT_EQ(Pieces(Text("AB^u23C")),
            (std::vector<std::string>{"AB@0,0 4 2 0.5", "2@2.25,2 2 2 0.5", "3C@3.25,0 4 2 0.5"}));
  // "^t" and "^b" take the text up to the next code at 3/4 size.
  EXPECT_EQ(Pieces(Text("A^tbc^bd")),
            (std::vector<std::string>{"A@0,0 4 2 0.5", "bc@1,2 3 1.5 0.375", "d@1,-1 3 1.5 0.375"}));
  // Turned with the text.
  const TCellPieces out = ExpandCell(Text("X^u2", kPi / 2));
  ASSERT_EQ(out.size(), 2);
  EXPECT_NEAR(out[1].p[0], 100 - 2, 1e-12);
  EXPECT_NEAR(out[1].p[1], 200 + 1, 1e-12);
  EXPECT_EQ(out[1].p[6], kPi / 2);
}

TEST_F(TenkaiTest, CodesAtTheEdgesOfTheText) {
  struct Case {
    const char* text;
    std::vector<std::string> pieces;
  };
  const Case cases[] = {
      {"A^^B", {"A^B@0,0 4 2 0.5"}},                       // a literal "^"
      {"AB^", {"AB^@0,0 4 2 0.5"}},                        // a "^" at the end stays
      {"A^u", {"A@0,0 4 2 0.5"}},                          // a code with nothing to cover
      {"A^u\x82", {"A@0,0 4 2 0.5", "\x82@1,2 2 2 0.5"}},  // a lone lead byte is one character
      {"^u漢字", {"漢@0,2 2 2 0.5", "字@2,0 4 2 0.5"}},
      {"A^x12^u3", {"A@0,0 4 2 0.5", "12@1,0 4 2 0.5", "3@3.25,2 2 2 0.5"}},  // unknown codes: plain
      {"~X^u2", {"~X@0,0 4 2 0.5", "~2@1,2 2 2 0.5"}},     // the face goes to every piece
      {"%%u1X^u2", {"%%u1X@0,0 4 2 0.5", "2@1,2 2 2 0.5"}},  // the underline to plain runs
  };
  for (const Case& k : cases) EXPECT_EQ(Pieces(Text(k.text)), k.pieces) << k.text;
  // Vertical texts and texts without codes are the cell itself.
  TGcell v = Text("X^u2");
  v.vertical = 1;
  EXPECT_EQ(Pieces(v), std::vector<std::string>{"X^u2@0,0 40 30 50"});  // its own fields, untouched
  EXPECT_EQ(ExpandCell(v)[0].size, 3);
  EXPECT_EQ(Pieces(Text("AB\x82")), std::vector<std::string>{"AB\x82@0,0 40 30 50"});
}

TEST_F(TenkaiTest, NoTextExpandsToMoreThan257Pieces) {
  std::string text;
  for (int i = 0; i < 300; ++i) text += "a^u2";
  const TCellPieces out = ExpandCell(Text(text));
  EXPECT_EQ(out.size(), kMaxPieces);
}

TEST_F(TenkaiTest, PiecesKeepThePenOfTheirText) {
  // A sized text's pieces name its size in their pen bits, flags kept.
  TGcell sized = Text("X^u2");
  sized.pen = 0x8031;
  for (const TGcell& p : ExpandCell(sized)) {
    EXPECT_EQ(p.size, 0);
    EXPECT_EQ(p.pen, 0x8033);
    EXPECT_EQ(TextPen(p), 5);  // size 3's pen
  }
  // A text of its own size keeps its pen (its pen bits already name the
  // size; a 0 there would draw it in the background colour).
  TGcell own = Text("X^u2");
  own.size = 0;
  own.pen = 0x0014;
  own.p[2] = 3, own.p[3] = 6, own.p[4] = 1;
  const TCellPieces out = ExpandCell(own);
  ASSERT_EQ(out.size(), 2);
  for (const TGcell& p : out) EXPECT_EQ(p.pen, 0x0014);
  EXPECT_EQ(out[1].p[3], 3);
  RecordCanvas c(100, 100);
  TGContext g;
  ASSERT_TRUE(G_Begin(g, TTargetKind::PaintBox, &c));
  EXPECT_NE(TextColour(g, out[0]), BackgroundColor());
  EXPECT_EQ(TextColour(g, out[0]), CurPVC().textSizes[4].screenColor);
}

TEST_F(TenkaiTest, MetricsPensAndColours) {
  TPVC& pvc = CurPVC();
  pvc.basicScale = 50;
  pvc.textSizes[2] = {3, 2.5, 0.5, 7, 0};
  pvc.textSizes[4].pen = 2;
  BuildPenColours();
  TGcell t = Text("ABC");
  t.size = 2;
  const TTextMetrics m = TextMetrics(t);
  EXPECT_DOUBLE_EQ(m.height, 150);
  EXPECT_DOUBLE_EQ(m.width, 125);
  EXPECT_DOUBLE_EQ(m.gap, 25);
  t.size = 0, t.p[2] = 7, t.p[3] = 8, t.p[4] = 9;
  const TTextMetrics own = TextMetrics(t);
  EXPECT_EQ(own.height, 8);
  EXPECT_EQ(own.width, 7);
  EXPECT_EQ(own.gap, 9);
  t.size = 14;  // out of the table: the last size
  EXPECT_EQ(TextSizeIndex(t), 10);

  RecordCanvas c(100, 100);
  TGContext g;
  ASSERT_TRUE(G_Begin(g, TTargetKind::PaintBox, &c));
  struct Case {
    std::uint8_t size;
    std::uint16_t pen;
    int textPen;
    TColor colour;
  };
  const TColor aux = PaletteColor(14);
  const Case cases[] = {
      {2, 0x0001, 7, aux},                              // size 2 is an auxiliary text
      {4, 0x0001, 2, pvc.pens[2].screenColor},
      {0, 0x0004, 2, pvc.pens[2].screenColor},          // size 0: the size its pen bits name
      {0, 0x0002, 7, aux},
      {4, 0x2001, 2, PaletteColor(8)},                  // dimmed
      {4, 0x4001, 2, BackgroundColor()},                // erased
      {4, 0x0000, 2, BackgroundColor()},                // pen bits 0
      {4, 0x8001, 2, PaletteColor(4)},                  // selected
  };
  for (const Case& k : cases) {
    TGcell cell = Text("A");
    cell.size = k.size;
    cell.pen = k.pen;
    EXPECT_EQ(TextPen(cell), k.textPen) << int(k.size) << " " << std::hex << k.pen;
    EXPECT_EQ(TextColour(g, cell), k.colour) << int(k.size) << " " << std::hex << k.pen;
  }
  // Monochrome: a text of its own size takes the first size not drawn in
  // the auxiliary pen, whatever its pen bits say.
  pvc.monochrome = true;
  pvc.textSizes[1].pen = 7;
  BuildPenColours();
  TGcell cell = Text("A");
  cell.size = 0;
  cell.pen = 0x0001;
  EXPECT_EQ(TextColour(g, cell), pvc.textSizes[3].screenColor);  // size 2 is auxiliary too
  EXPECT_EQ(TextPen(MakeCell(GK_LINE)), 5);
}

TEST_F(TenkaiTest, ExtentIsTheAdvanceAlongTheText) {
  EXPECT_DOUBLE_EQ(TextExtent(Text("ABCD")), 4.75);  // 4 W / 2 + 3 G / 2
  EXPECT_DOUBLE_EQ(TextExtent(Text("X^u2^d1")), 2);
  EXPECT_DOUBLE_EQ(TextExtent(Text("~%%u1AB")), 2.25);  // the marks take no room
  EXPECT_DOUBLE_EQ(TextExtent(Text("")), 1);            // at least half a character
  TGcell v = Text("漢字AB");
  v.vertical = 1;
  EXPECT_DOUBLE_EQ(TextExtent(v), 6 * 2.5 / 2);
}

}  // namespace
