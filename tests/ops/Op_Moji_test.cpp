// Text input driven as a user drives it: the text and angle fields of the
// panel, clicks, Enter, Esc, the direction button, the size box, undo.
#include "ops/Op_Moji.h"

#include <cmath>
#include <numbers>
#include <string>

#include "OpTest.h"
#include "app/ApInput.h"
#include "app/Ap_Unit1.h"
#include "model/ComHst.h"

namespace {

constexpr double kPi = std::numbers::pi;

class OpMojiTest : public OpTest {
protected:
  void SetUp() override {
    OpTest::SetUp();
    ui.Choose(OpBtn_Moji);
  }
  static void TypeText(const std::string& t) { InputFieldText(TEditField::EbMojiT, t); }
  static void TypeAngle(const std::string& t) { InputFieldText(TEditField::EbMojiA, t); }
  void Enter() { ui.Key(13); }
  static void Undo() { InputControlPress("Btn_Undo", ssLeft, 0); }
  static std::string TextField() { return g_form1.EbMojiT.text; }
  static std::string AngleField() { return g_form1.EbMojiA.text; }
};

TEST_F(OpMojiTest, TypedThenClickedIsStoredAtOnce) {
  EXPECT_TRUE(g_form1.PvMoji.visible);
  EXPECT_FALSE(g_form1.PvBtns.visible);
  EXPECT_EQ(Prompt(), "文字,文字追加位置指示(L)or(R)");
  CurPVC().textSize = 4;
  CurPVC().writeLayer = 0x23;
  TypeText("abc");
  Left(200, 300);
  const auto texts = Live(GK_TEXT);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text.str(), "abc");
  EXPECT_EQ(PointOf(texts[0]), P(200, 300));
  EXPECT_EQ(texts[0].size, 4);
  EXPECT_EQ(texts[0].layer, 0x23);
  EXPECT_EQ(texts[0].pen, 1);
  EXPECT_EQ(TextField(), "");
  EXPECT_EQ(g_form1.sbMojiV.caption, "縦");
  Undo();  // U would be typed into the field
  EXPECT_TRUE(Live().empty());
}

TEST_F(OpMojiTest, ClickedThenTypedShowsLiveAndEnterStores) {
  Left(200, 300);
  EXPECT_TRUE(g_mojiOp.run.preview.Visible()) << "the empty box";
  TypeText("文字");
  EXPECT_EQ(g_mojiOp.run.pending.text.str(), "文字") << "follows what is typed, without a key";
  EXPECT_TRUE(Live().empty());
  Enter();
  ASSERT_EQ(Live(GK_TEXT).size(), 1u);
  EXPECT_EQ(Live(GK_TEXT)[0].text.str(), "文字");
  EXPECT_FALSE(g_mojiOp.run.preview.Visible());
  EXPECT_EQ(HistoryList(kTextHistory)->entries[1], "文字");
}

TEST_F(OpMojiTest, RightClickOffsetAlongTheTextDirection) {
  CurPVC().textOffset = 2;  // paper millimetres, at basic scale 100
  const TPointD end = P(300, 300);
  Line(P(100, 300), end);
  struct Case {
    const char* angle;
    TPointD shift;
  };
  for (const Case k : {Case{"0", {200, 200}}, Case{"90", {-200, 200}}}) {
    TypeAngle(k.angle);
    TypeText("A");
    Right(300, 300);
    const auto texts = Live(GK_TEXT);
    ASSERT_FALSE(texts.empty());
    const TPointD at = PointOf(texts.back());
    EXPECT_NEAR(at.x, end.x + k.shift.x, 1e-9) << k.angle;
    EXPECT_NEAR(at.y, end.y + k.shift.y, 1e-9) << k.angle;
  }
}

TEST_F(OpMojiTest, AngleFromALine) {
  struct Case {
    TPointD a, b;
    bool left;
    const char* field;
  };
  // Lines through the middle of the area, clicked at their middle.
  const Case cases[] = {
      {{400, 300}, {300, 400}, true, "  -45.00"},
      {{400, 250}, {400, 350}, false, "  -90.00"},
      {{400, 350}, {400, 250}, false, "  -90.00"},
      {{400, 250}, {400, 350}, true, "   90.00"},
      {{400, 350}, {400, 250}, true, "   90.00"},
  };
  for (const Case& k : cases) {
    VelmoReset();
    SetUp();
    Line(P(k.a.x, k.a.y), P(k.b.x, k.b.y));
    InputControlPress("EbMojiA", ssLeft, 0, 0, 0);
    EXPECT_EQ(Prompt(), "文字角度入力、角度指定線指示(L)、垂直線指示で下向き(R)");
    const TPointD mid = (k.a + k.b) / 2;
    if (k.left)
      Left(mid.x, mid.y);
    else
      Right(mid.x, mid.y);
    EXPECT_EQ(AngleField(), k.field);
    EXPECT_TRUE(Live(GK_TEXT).empty());
  }
}

TEST_F(OpMojiTest, ATextOnAnotherReplacesItAndUndoBringsItBack) {
  TypeText("old");
  Left(200, 300);
  // Just below and left of its reference point: outside its box (a click in
  // it would open it), within 1/9 mm.
  TypeText("new");
  Left(196, 296);
  auto texts = Live(GK_TEXT);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text.str(), "new");
  Undo();  // U would be typed into the field
  texts = Live(GK_TEXT);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text.str(), "old");
}

TEST_F(OpMojiTest, ReopeningAndEnterStoresNothing) {
  const TPointD at = P(200, 300);
  GcellAddText(0, 3, 1, "TEXT", 0, 30 * kPi / 180, at.x, at.y);
  GcellAddText(0, 3, 1, "MORE", 0, 0.3, P(200, 100).x, P(200, 100).y);  // an angle with no short form
  GcellCommit();
  const int used = StoreUsed();
  for (const TPointD p : {TPointD{202, 302}, TPointD{202, 102}}) {
    Left(p.x, p.y);
    EXPECT_TRUE(g_form1.EbMojiT.focused);
    EXPECT_EQ(TextField(), p.y > 200 ? "TEXT" : "MORE");
    Enter();
    EXPECT_EQ(StoreUsed(), used) << "nothing stored";
  }
}

TEST_F(OpMojiTest, EditingChangesTheTextInOneStep) {
  const TPointD at = P(200, 300);
  GcellAddText(0, 3, 1, "TEXT", 0, 0, at.x, at.y);
  GcellCommit();
  Left(202, 302);
  TypeText("EDITED");
  Enter();
  auto texts = Live(GK_TEXT);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text.str(), "EDITED");
  EXPECT_EQ(PointOf(texts[0]), at);
  Undo();  // U would be typed into the field
  texts = Live(GK_TEXT);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text.str(), "TEXT");
}

TEST_F(OpMojiTest, EmptiedEditDeletesTheText) {
  const TPointD at = P(200, 300);
  GcellAddText(0, 3, 1, "TEXT", 0, 0, at.x, at.y);
  GcellCommit();
  Left(202, 302);
  TypeText("");
  Enter();
  EXPECT_TRUE(Live(GK_TEXT).empty());
  for (int i = 1; i <= StoreUsed(); ++i)
    EXPECT_FALSE(GcellRef(i).kind == GK_TEXT && GcellRef(i).text.str().empty()) << "no empty text stored";
}

TEST_F(OpMojiTest, EditSurvivesTheCompactionOfTheStep) {
  for (int k = 0; k < 700; ++k) Line(P(10, 10), P(20, 10 + k * 0.01));
  const TPointD at = P(200, 300);
  GcellAddText(0, 3, 1, "TEXT", 0, 0, at.x, at.y);
  const TPointD other = P(400, 300);
  GcellAddText(0, 3, 1, "KEEP", 0, 0, other.x, other.y);
  for (int k = 1; k <= 700; ++k) GcellDelete(k);
  Left(202, 302);
  TypeText("NEW");
  Enter();
  auto texts = Live(GK_TEXT);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].text.str(), "KEEP");
  EXPECT_EQ(texts[1].text.str(), "NEW");
}

TEST_F(OpMojiTest, DirectionButtonMakesAVerticalTextRunningDown) {
  Left(200, 300);
  TypeText("縦書");
  TypeAngle("0");
  InputControlClick("sbMojiV");
  EXPECT_EQ(AngleField(), "-90");
  const auto texts = Live(GK_TEXT);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_NE(texts[0].vertical, 0);
  EXPECT_NEAR(texts[0].p[6], -kPi / 2, 1e-12);
  EXPECT_EQ(g_form1.sbMojiV.caption, "縦") << "each text starts horizontal again";
}

TEST_F(OpMojiTest, EscRestoresTheFieldThenCommits) {
  const TPointD at = P(200, 300);
  GcellAddText(0, 3, 1, "TEXT", 0, 0, at.x, at.y);
  GcellCommit();
  const int used = StoreUsed();
  Left(202, 302);
  TypeText("CHANGED");
  ui.Esc();
  EXPECT_EQ(TextField(), "TEXT");
  ui.Esc();
  EXPECT_EQ(StoreUsed(), used);
  EXPECT_FALSE(g_mojiOp.run.preview.Visible());
  ui.Esc();  // nothing pending: the operation ends
  EXPECT_EQ(CurOpButton(), OpBtn_Dummy);
  EXPECT_FALSE(g_form1.PvMoji.visible);
}

TEST_F(OpMojiTest, LineBreaksNeverEnterAText) {
  Left(200, 300);
  TypeText("a\r\nb\n");
  Enter();
  ASSERT_EQ(Live(GK_TEXT).size(), 1u);
  EXPECT_EQ(Live(GK_TEXT)[0].text.str(), "ab");
}

TEST_F(OpMojiTest, EndLeavesNoGhost) {
  ViewRedraw(1);
  const auto before = ViewBuffer().Image().pixels;
  Left(200, 300);
  TypeText("ghost");
  TypeText("");
  ui.Choose(OpBtn_Line);
  EXPECT_EQ(ViewBuffer().Image().pixels, before);
}

}  // namespace

namespace {

TEST_F(OpMojiTest, HiddenTextsAreNotReplacedAndARefusedEditKeepsTheText) {
  const TPointD at = P(200, 300);
  const int hidden = GcellAddText(0x01, 3, 1, "HIDDEN", 0, 0, at.x, at.y);
  CurPVC().groups[0].layers[1].visible = false;
  TypeText("NEW");
  Left(200, 300);
  EXPECT_TRUE(GcellLive(hidden)) << "a text the user cannot see stays";
  // An edit whose angle is no number: the store refuses it, the old text stays.
  const TPointD p = P(400, 200);
  GcellAddText(0, 3, 1, "KEEP", 0, 0, p.x, p.y);
  GcellCommit();
  Left(402, 202);
  TypeAngle("1E300*1E300");
  Enter();  // the angle field: on to the text
  Enter();
  bool kept = false;
  for (const TGcell& c : Live(GK_TEXT)) kept = kept || c.text.str() == "KEEP";
  EXPECT_TRUE(kept);
}

}  // namespace
