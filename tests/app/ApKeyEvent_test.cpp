// Keys: which belong to the drawing and which to an open field, the view
// keys, the letter shortcuts, the menu accelerators and the captioned palette.
#include "app/ApKeyEvent.h"

#include <string>
#include <vector>

#include "Harness.h"
#include "LengthEntry.h"
#include "VelmoTest.h"
#include "app/ApMainMenu.h"
#include "app/GC_View.h"
#include "kernel/Wiring.h"
#include "kernel/Z_Basic.h"
#include "model/ComHst.h"
#include "model/GC_DB.h"
#include "model/PVC.h"
#include "render/Z_Graph.h"

namespace {

struct Received {
  TOpButton op;
  int code;
};
std::vector<Received> g_log;

std::vector<int> Codes(TOpButton op) {
  std::vector<int> out;
  for (const Received& r : g_log)
    if (r.op == op) out.push_back(r.code);
  return out;
}
int Count(TOpButton op, int code) {
  int n = 0;
  for (const Received& r : g_log) n += r.op == op && r.code == code;
  return n;
}

template <TOpButton B>
void RecordingOp(TGContext&, int code, double, double) {
  g_log.push_back({B, code});
}

// Asks for a length on ① as every operation does.
void ValueOp(TGContext&, int code, double, double) {
  g_log.push_back({OpBtn_Line, code});
  LengthEntryStep(code);
}

struct Window {
  double x1, y1, x2, y2;
};
Window ViewWindow() {
  const TGContext& v = CurrentView();
  return {v.wx1, v.wy1, v.wx2, v.wy2};
}

class KeyTest : public VelmoTest {
protected:
  void SetUp() override {
    VelmoTest::SetUp();
    g_log.clear();
    for (int b = OpBtn_PenChange; b < OpBtn_Count; ++b) SetOpHandler(static_cast<TOpButton>(b), Record);
    SetOpHandler(OpBtn_Line, ValueOp);
    SetOpHandler(OpBtn_ClipRead, RecordingOp<OpBtn_ClipRead>);
    // The device is 800 x 600 pixels, so this window fits it exactly.
    PaintBox1Resize(801, 601);
    G_SetWindow(CurrentView(), 0, 0, 800, 600);
  }
  static void Record(TGContext&, int code, double, double) { g_log.push_back({CurOpButton(), code}); }

  void OpenEntry() {
    ui.Choose(OpBtn_Line);
    ui.SubMenu(1);
    ASSERT_TRUE(EntryIsOpen());
    g_log.clear();
  }

  Harness ui;
};

TEST_F(KeyTest, EnterInTheEditableBoxConfirmsThroughTheBoxOnce) {
  OpenEntry();
  ui.Type("25");
  ui.Enter();
  EXPECT_EQ(Count(OpBtn_Line, EV_ENTER), 1);
  EXPECT_EQ(HistoryList(10)->entries[1], "25") << "the box pushed its text";
  EXPECT_EQ(g_form1.PvBtn[0].raw, "①長さ=25");
}

TEST_F(KeyTest, CtrlEnterIsTheWindowsEvenWithTheBoxOpen) {
  OpenEntry();
  ui.Type("25");
  ui.Key(13, ssCtrl);
  EXPECT_EQ(Count(OpBtn_Line, EV_ENTER), 1);
  EXPECT_EQ(g_form1.PvBtn[0].raw, "①長さ=25");
  EXPECT_EQ(HistoryCount(*HistoryList(10)), 0) << "the box never saw the key";
}

TEST_F(KeyTest, ArrowsBelongToAnEditableBoxAndScrollPastAReadOnlyOne) {
  OpenEntry();
  ui.Key(37);
  EXPECT_DOUBLE_EQ(ViewWindow().x1, 0) << "editable: the arrow is the box's";
  g_form1.edCommon.readOnly = true;
  ui.Key(37);
  EXPECT_DOUBLE_EQ(ViewWindow().x1, -100);
  EXPECT_DOUBLE_EQ(ViewWindow().x2, 700);
  ui.Key(13);
  EXPECT_EQ(Count(OpBtn_Line, EV_ENTER), 1) << "Enter is the window's past a read-only box";
}

TEST_F(KeyTest, PageUpAndPageDownZoomByTwoAboutTheCentre) {
  struct Case {
    int key;
    Window want;
  };
  const Case cases[] = {{33, {200, 150, 600, 450}}, {34, {-400, -300, 1200, 900}}};
  for (const Case& c : cases) {
    G_SetWindow(CurrentView(), 0, 0, 800, 600);
    g_log.clear();
    ui.Key(c.key);
    const Window w = ViewWindow();
    EXPECT_DOUBLE_EQ(w.x1, c.want.x1) << c.key;
    EXPECT_DOUBLE_EQ(w.y1, c.want.y1) << c.key;
    EXPECT_DOUBLE_EQ(w.x2, c.want.x2) << c.key;
    EXPECT_DOUBLE_EQ(w.y2, c.want.y2) << c.key;
    EXPECT_DOUBLE_EQ(CurPVC().prevView.wx2, 800) << "the view before is the previous view";
    EXPECT_FALSE(g_viewBuffer.lastRedrawFast);
  }
}

TEST_F(KeyTest, ArrowStepsAndDirections) {
  struct Case {
    int key;
    double dx, dy;
  };
  // An eighth of the width, a sixth of the height; the window moves with the key.
  const Case cases[] = {{37, -100, 0}, {39, 100, 0}, {38, 0, 100}, {40, 0, -100}};
  for (const Case& c : cases) {
    G_SetWindow(CurrentView(), 0, 0, 800, 600);
    ui.Key(c.key);
    EXPECT_NEAR(ViewWindow().x1, c.dx, 1e-9) << c.key;
    EXPECT_NEAR(ViewWindow().y1, c.dy, 1e-9) << c.key;
    EXPECT_NEAR(ViewWindow().x2 - ViewWindow().x1, 800, 1e-9) << c.key;
  }
}

TEST_F(KeyTest, CtrlLeftMovesOnePixelQuicklyAndTheReleaseRepaintsFully) {
  ui.Choose(OpBtn_Circle);
  g_log.clear();
  ui.KeyDown(37, ssCtrl);
  EXPECT_NEAR(ViewWindow().x1, -0.9999, 1e-9);
  EXPECT_TRUE(g_viewBuffer.lastRedrawFast);
  EXPECT_EQ(Count(OpBtn_Circle, EV_REDRAW), 0) << "a quick repaint asks for no feedback";
  ui.KeyUp(37, ssCtrl);
  EXPECT_FALSE(g_viewBuffer.lastRedrawFast);
  EXPECT_EQ(Count(OpBtn_Circle, EV_REDRAW), 1);
  EXPECT_EQ(Codes(OpBtn_Circle).back(), EV_MOVE);

  // Without Ctrl the release has nothing to repaint.
  g_log.clear();
  ui.Key(37);
  EXPECT_EQ(Count(OpBtn_Circle, EV_REDRAW), 1);
}

TEST_F(KeyTest, ArrowRepeatsQueuedAfterTheReleaseDoNothing) {
  FormKeyDown(37, 0);  // the key is no longer held
  EXPECT_DOUBLE_EQ(ViewWindow().x1, 0);
  EXPECT_DOUBLE_EQ(CurPVC().prevView.wx2, 0) << "not a navigation step";
}

TEST_F(KeyTest, DigitsKeypadDigitsAndFunctionKeysFold) {
  struct Case {
    int key;
    int code;
  };
  const Case cases[] = {{'3', EV_SUB1 + 2}, {96 + 3, EV_SUB1 + 2}, {96, EV_DIGIT0}, {105, EV_DIGIT9}};
  ui.Choose(OpBtn_Circle);
  for (const Case& c : cases) {
    g_log.clear();
    ui.Key(c.key);
    EXPECT_EQ(Codes(OpBtn_Circle), (std::vector<int>{c.code, EV_MOVE, EV_MOVE})) << c.key;
  }
}

TEST_F(KeyTest, LettersChooseTheirOperations) {
  struct Case {
    int key;
    TOpButton op;
  };
  const Case cases[] = {
      {'A', OpBtn_Moji},        {'B', OpBtn_Box},         {'C', OpBtn_BlockCopy},  {'D', OpBtn_Delete},
      {'E', OpBtn_Circle},      {'F', OpBtn_Fukusen},     {'H', OpBtn_Haching},    {'I', OpBtn_CenterLine},
      {'K', OpBtn_LineCut},     {'M', OpBtn_BlockMove},   {'N', OpBtn_Dummy},      {'P', OpBtn_PenChange},
      {'Q', OpBtn_SokuteiL},    {'R', OpBtn_Arc1},        {'S', OpBtn_Sunpo},      {'T', OpBtn_LineStretch},
      {'V', OpBtn_LineConect},  {'X', OpBtn_Line},        {'Y', OpBtn_ArrowSet},   {'Z', OpBtn_MojiMove},
      {112 + 1, OpBtn_Moji},    {112 + 2, OpBtn_Box},     {112 + 4, OpBtn_Delete}, {112 + 11, OpBtn_LineCut},
  };
  for (const Case& c : cases) {
    ui.Choose(OpBtn_HyoMove);  // no letter of its own
    ui.Key(c.key);
    EXPECT_EQ(CurOpButton(), c.op) << c.key;
    EXPECT_EQ(g_manager.downButton, c.op) << c.key;
  }
  for (int key : {int{'G'}, int{'J'}, int{'L'}, int{'O'}, 112 /* F1 */}) {
    ui.Choose(OpBtn_HyoMove);
    ui.Key(key);
    EXPECT_EQ(CurOpButton(), OpBtn_HyoMove) << key;
  }
  EXPECT_EQ(StoreWindow(), 1);
}

TEST_F(KeyTest, NoShortcutsWithCtrlOrAltHeldOrDuringTextInput) {
  ui.Choose(OpBtn_HyoMove);
  g_log.clear();
  ui.Key('E', ssAlt);
  ui.Key('E', ssCtrl);
  ui.Key('U', ssCtrl);
  ui.Key('W', ssAlt);
  EXPECT_EQ(CurOpButton(), OpBtn_HyoMove);
  EXPECT_EQ(Count(OpBtn_HyoMove, EV_END), 0) << "no undo";
  EXPECT_EQ(StoreWindow(), 1);
  for (TOpButton op : {OpBtn_Moji, OpBtn_JwcExt}) {
    ui.Choose(op);
    g_log.clear();
    ui.Key('E');
    ui.Key(112 + 2);  // F3, the letter B
    ui.Key('U');
    ui.Key('W');
    EXPECT_EQ(CurOpButton(), op) << OpInfo(op).name;
    EXPECT_EQ(Count(op, EV_END), 0) << OpInfo(op).name;
  }
  EXPECT_EQ(StoreWindow(), 1);
}

// Letters typed into an open editable entry box are part of the value:
// "1.5E+3" must not start the circle operation on its "E" and lose the value.
TEST_F(KeyTest, LettersTypedIntoTheEditableBoxStayThere) {
  OpenEntry();
  ui.Keys("1.5E+3");
  EXPECT_EQ(CurOpButton(), OpBtn_Line);
  EXPECT_EQ(g_form1.edCommon.text, "1.5E+3");
  const Window before = ViewWindow();
  ui.Keys(" U W  ");
  EXPECT_EQ(Count(OpBtn_Line, EV_END), 0) << "no undo";
  EXPECT_EQ(StoreWindow(), 1);
  EXPECT_DOUBLE_EQ(ViewWindow().x1, before.x1) << "no fit";
  EXPECT_EQ(g_form1.edCommon.text, "1.5E+3 U W  ");
  ui.Type("1.5E+3");
  ui.Enter();
  EXPECT_EQ(g_form1.PvBtn[0].raw, "①長さ=1.5E+3");

  // A read-only box takes no typing: letters are commands again.
  ui.SubMenu(1);
  g_form1.edCommon.readOnly = true;
  ui.Key('E');
  EXPECT_EQ(CurOpButton(), OpBtn_Circle);
}

TEST_F(KeyTest, TwoSpacesFitAllAThirdDoesNot) {
  struct Case {
    const char* what;
    std::string keys;  // ' ' a space, 'c' a click in the drawing area, 'x' a key without a shortcut, 'e' Esc
    int fits;
  };
  const Case cases[] = {
      {"two spaces", "  ", 1},
      {"a third space starts afresh", "   ", 1},
      {"four spaces fit twice", "    ", 2},
      {"a click between", " c ", 0},
      {"another key between", " x ", 0},
      {"Esc between", " e ", 0},
  };
  ui.Choose(OpBtn_Circle);
  for (const Case& c : cases) {
    g_manager.lastKey = 0;
    g_log.clear();
    for (char k : c.keys) {
      if (k == 'c')
        ui.LeftClick(400, 300);
      else if (k == 'e')
        ui.Esc();
      else
        ui.Key(k == 'x' ? 'G' : ' ');
    }
    // Each fit repaints and asks the operation for its feedback.
    EXPECT_EQ(Count(OpBtn_Circle, EV_REDRAW), c.fits) << c.what;
  }
  // The fit is the view's fit all; the view before it is the previous view.
  ViewFitAll();
  const Window fitted = ViewWindow();
  for (int key : {int{' '}, 36 /* Home */}) {
    G_SetWindow(CurrentView(), 0, 0, 800, 600);
    ui.Key(key);
    if (key == ' ') ui.Key(key);
    EXPECT_DOUBLE_EQ(ViewWindow().x1, fitted.x1) << key;
    EXPECT_DOUBLE_EQ(ViewWindow().y2, fitted.y2) << key;
    EXPECT_DOUBLE_EQ(CurPVC().prevView.wx2, 800) << key;
  }
  EXPECT_EQ(CurOpButton(), OpBtn_Circle) << "the operation goes on";
}

TEST_F(KeyTest, UUndoesTheStepAndRestartsTheOperationWSwitchesTheWindow) {
  ui.Choose(OpBtn_Circle);
  GcellCommit();
  GcellAddLine(0, 1, 0, 0, 100, 100);
  ASSERT_TRUE(GcellLive(1));
  g_log.clear();
  ui.Key('U');
  EXPECT_FALSE(GcellLive(1));
  EXPECT_EQ(CurOpButton(), OpBtn_Circle);
  EXPECT_EQ(Count(OpBtn_Circle, EV_END), 1);
  EXPECT_EQ(Count(OpBtn_Circle, EV_START), 1);
  ui.Key('W');
  EXPECT_EQ(StoreWindow(), 2);
  EXPECT_EQ(CurOpButton(), OpBtn_Dummy) << "switching ends the operation";
  ui.Key('W');
  EXPECT_EQ(StoreWindow(), 1);
}

TEST_F(KeyTest, EscGoesToTheOperationAndTakesTheFocusFromTheBox) {
  OpenEntry();
  ui.Type("99");
  ui.Esc();
  EXPECT_EQ(Codes(OpBtn_Line), (std::vector<int>{EV_ESC, EV_MOVE, EV_MOVE}));
  EXPECT_FALSE(g_form1.edCommon.focused);
  EXPECT_EQ(HistoryCount(*HistoryList(10)), 0) << "consumed by the window: nothing reached the box";
}

TEST_F(KeyTest, EscWhilePastingEndsThePaste) {
  ui.Choose(OpBtn_ClipRead);
  g_log.clear();
  ui.Esc();
  EXPECT_EQ(CurOpButton(), OpBtn_Dummy);
  EXPECT_EQ(g_manager.downButton, OpBtn_Dummy);
  EXPECT_EQ(Codes(OpBtn_ClipRead), std::vector<int>{EV_END});
}

TEST_F(KeyTest, AKeyFreesAConfinedPointer) {
  g_form1.pointerConfined = true;
  ui.Key('G');
  EXPECT_FALSE(g_form1.pointerConfined);
}

TEST_F(KeyTest, ModifierKeysAreHeldUntilReleased) {
  ui.KeyDown(16);
  ui.KeyDown(17);
  EXPECT_TRUE(g_manager.shiftHeld);
  EXPECT_TRUE(g_manager.ctrlHeld);
  EXPECT_FALSE(g_manager.altHeld);
  ui.KeyUp(16);
  EXPECT_FALSE(g_manager.shiftHeld);
  EXPECT_TRUE(g_manager.ctrlHeld);
  ui.KeyUp(17);
  EXPECT_FALSE(g_manager.ctrlHeld);
}

TEST_F(KeyTest, UpAndDownBrowseTheHistoryOfTheBoxWithoutScrolling) {
  THistrylist& h = *HistoryList(10);
  for (const char* t : {"30", "20"}) HistoryPush(h, t);
  OpenEntry();
  ui.Key(38);
  ui.Key(38);
  EXPECT_EQ(g_form1.edCommon.text, "30");
  ui.Key(40);
  EXPECT_EQ(g_form1.edCommon.text, "20");
  EXPECT_DOUBLE_EQ(ViewWindow().y1, 0);
  ui.Enter();
  EXPECT_EQ(g_form1.PvBtn[0].raw, "①長さ=20");
}

TEST_F(KeyTest, TextInputFieldsBrowseTheirHistoriesAndConfirmWithEnter) {
  std::vector<std::pair<TEditField, int>> seen;
  static std::vector<std::pair<TEditField, int>>* s_seen;
  s_seen = &seen;
  g_wiring.textKeyPress = [](TEditField f, char ch) { s_seen->push_back({f, ch}); };
  g_wiring.textArrowKey = [](TEditField f, int key) { s_seen->push_back({f, key}); };
  ui.Choose(OpBtn_Moji);
  g_form1.PvMoji.visible = true;
  HistoryPush(*HistoryList(kTextHistory), "ABC");
  HistoryPush(*HistoryList(kAngleHistory), "45");

  EditClick(TEditField::EbMojiA);
  EXPECT_EQ(g_manager.activeHistory, HistoryList(kAngleHistory));
  EXPECT_TRUE(EditKeyDown(TEditField::EbMojiA, 38));
  EXPECT_EQ(g_form1.EbMojiA.text, "45");
  EditClick(TEditField::EbMojiT);
  EXPECT_EQ(g_manager.activeHistory, HistoryList(kTextHistory));
  EXPECT_EQ(HistoryList(kTextHistory)->browse, 0);
  EXPECT_TRUE(EditKeyDown(TEditField::EbMojiT, 38));
  EXPECT_EQ(g_form1.EbMojiT.text, "ABC");
  EXPECT_FALSE(EditKeyDown(TEditField::EbMojiT, 37)) << "the caret moves in the field too";

  g_log.clear();
  EXPECT_FALSE(FormKeyDown(13, 0)) << "Enter is the field's";
  EditKeyPress(TEditField::EbMojiT, 'D');
  EditKeyPress(TEditField::EbMojiT, '\r');
  EXPECT_EQ(Codes(OpBtn_Moji), std::vector<int>{EV_ENTER});
  EXPECT_EQ(HistoryList(kTextHistory)->entries[1], "ABCD");
  const std::vector<std::pair<TEditField, int>> want = {{TEditField::EbMojiT, 37}, {TEditField::EbMojiT, '\r'}};
  EXPECT_EQ(seen, want);
  g_wiring.textKeyPress = nullptr;
  g_wiring.textArrowKey = nullptr;
}

TEST_F(KeyTest, MenuAcceleratorsWinOverAFocusedBox) {
  OpenEntry();
  ui.Type("12");
  ui.Key('R', ssCtrl);
  EXPECT_EQ(CurOpButton(), OpBtn_ClipRead);
  EXPECT_EQ(Codes(OpBtn_Line), std::vector<int>{EV_END});
  EXPECT_EQ(HistoryCount(*HistoryList(10)), 0);

  struct Case {
    int key;
    unsigned shift;
    TOpButton op;
  };
  const Case cases[] = {{113, ssShift, OpBtn_Kakko},    // not text input, as F2 alone
                        {114, ssShift, OpBtn_LineKey},
                        {'G', ssCtrl, OpBtn_BmpSave},
                        {'P', ssCtrl, OpBtn_Print00}};
  for (const Case& c : cases) {
    ui.Choose(OpBtn_Circle);
    g_log.clear();
    ui.Key(c.key, c.shift);
    EXPECT_EQ(CurOpButton(), c.op) << c.key;
    EXPECT_EQ(Codes(OpBtn_Circle), std::vector<int>{EV_END}) << c.key;
  }
  EXPECT_EQ(Count(OpBtn_Print00, EV_START), 1);

  // Ctrl+Z undoes after ending the operation; Ctrl+W copies without ending it.
  ui.Choose(OpBtn_Circle);
  GcellCommit();
  GcellAddLine(0, 1, 0, 0, 100, 100);
  ui.Key('Z', ssCtrl);
  EXPECT_FALSE(GcellLive(1));
  EXPECT_EQ(CurOpButton(), OpBtn_Dummy);
  ui.Choose(OpBtn_Circle);
  g_log.clear();
  ui.Key('W', ssCtrl);
  EXPECT_EQ(CurOpButton(), OpBtn_Circle);
  EXPECT_EQ(Count(OpBtn_Circle, EV_END), 0);
  EXPECT_EQ(StoreWindow(), 1);
}

TEST_F(KeyTest, CtrlSSavesAnUntitledDrawingUnderANameAsked) {
  platform().ScriptFile({false, ""});
  ui.Key('S', ssCtrl);
  EXPECT_EQ(platform().fileDialogs().size(), 1u);
  EXPECT_EQ(CurOpButton(), OpBtn_Dummy);
}

TEST_F(KeyTest, AcceleratorTable) {
  struct Want {
    int key;
    unsigned shift;
    const char* item;
    const char* caption;
  };
  const Want want[] = {
      {'S', ssCtrl, "Save1", "上書き保存(&S)"},
      {'G', ssCtrl, "OpBtn_BmpSave", "画像ﾌｧｲﾙに保存"},
      {'P', ssCtrl, "OpBtn_Print00", "印刷 100 % "},
      {'Z', ssCtrl, "UNDO1", "やり直し"},
      {'W', ssCtrl, "ClipCopy", "選択部コピー"},
      {'R', ssCtrl, "OpBtn_ClipRead", "貼り付け"},
      {'B', ssCtrl, "BmpCopy1", "ＢＭＰ　コピー"},
      {'D', ssCtrl, "BmpCopy2", "BMP コピー(倍)"},
      {113, ssShift, "OpBtn_Kakko", "括弧 [{(-)}] の作図 "},
      {114, ssShift, "OpBtn_LineKey", "数値で作図(一筆書き)"},
  };
  // In menu order: the registry's commands that have a key.
  std::vector<const TMenuCommand*> keyed;
  for (const TMenuCommand& c : MenuCommands())
    if (c.key) keyed.push_back(&c);
  ASSERT_EQ(keyed.size(), std::size(want));
  for (std::size_t i = 0; i < keyed.size(); ++i) {
    const TMenuCommand& c = *keyed[i];
    EXPECT_EQ(c.key, want[i].key) << i;
    EXPECT_EQ(c.shift, want[i].shift) << i;
    EXPECT_EQ(c.name, want[i].item) << i;
    EXPECT_EQ(c.caption, want[i].caption) << i;
    EXPECT_EQ(FindAccelerator(want[i].key, want[i].shift | ssLeft), &c) << "mouse buttons do not matter";
    EXPECT_EQ(FindAccelerator(want[i].key, want[i].shift | ssAlt), nullptr) << i;
    // Operation entries name their controls.
    if (c.name.rfind("OpBtn_", 0) == 0) {
      EXPECT_STREQ(OpInfo(OpButtonByName(c.name)).hint, c.caption.c_str()) << c.name;
    }
  }
}

TEST_F(KeyTest, TextButtonsShowCaptionsInTwoColumnsAndOffRestores) {
  const TPaletteButton line = g_form1.palette[OpBtn_Line];
  EXPECT_EQ(line.left, 81);
  EXPECT_EQ(line.top, 80);
  EXPECT_TRUE(line.glyph);
  const unsigned revision = g_form1.revision;
  SetTextButtons(true);
  EXPECT_TRUE(g_form1.textButtons);
  EXPECT_NE(g_form1.revision, revision);
  struct Want {
    TOpButton op;
    int left, top, width;
    const char* caption;
  };
  const Want want[] = {
      {OpBtn_HyoMove, 1, 37, 64, "表枠移動"},  {OpBtn_BlockMove, 66, 37, 52, "移 動m"},
      {OpBtn_Box, 66, 145, 52, " □　b"},      {OpBtn_Arc1, 66, 307, 52, "円弧＼"},
      {OpBtn_SokuteiA, 1, 334, 64, "面積測定"}, {OpBtn_Moji, 66, 334, 52, "文 字a"},
  };
  for (const Want& w : want) {
    const TPaletteButton& b = g_form1.palette[w.op];
    EXPECT_EQ(b.left, w.left) << OpInfo(w.op).name;
    EXPECT_EQ(b.top, w.top) << OpInfo(w.op).name;
    EXPECT_EQ(b.width, w.width) << OpInfo(w.op).name;
    EXPECT_EQ(b.height, 26) << OpInfo(w.op).name;
    EXPECT_EQ(b.caption, w.caption) << OpInfo(w.op).name;
    EXPECT_FALSE(b.glyph);
    EXPECT_FALSE(b.flat);
  }
  // Every palette button but the idle one is captioned.
  for (int b = OpBtn_PenChange; b < OpBtn_Count; ++b) {
    const TOpInfo& op = OpInfo(static_cast<TOpButton>(b));
    EXPECT_EQ(g_form1.palette[b].caption.empty(), !op.speedButton) << op.name;
  }
  EXPECT_TRUE(g_form1.palette[OpBtn_Dummy].glyph);

  SetTextButtons(false);
  SetTextButtons(false);
  EXPECT_FALSE(g_form1.textButtons);
  const TPaletteButton& back = g_form1.palette[OpBtn_Line];
  EXPECT_EQ(back.left, line.left);
  EXPECT_EQ(back.top, line.top);
  EXPECT_EQ(back.width, line.width);
  EXPECT_TRUE(back.glyph);
  EXPECT_TRUE(back.flat);
  EXPECT_TRUE(back.caption.empty());
}

}  // namespace
