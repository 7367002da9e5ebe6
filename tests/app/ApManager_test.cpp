#include "app/ApMainMenu.h"
#include "app/ApManager.h"

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "Harness.h"
#include "LengthEntry.h"
#include "VelmoTest.h"
#include "app/Ap_Unit1.h"
#include "kernel/Z_Basic.h"
#include "model/GC_DB.h"

namespace {

// A test operation: records what it receives, and reacts as a test asks.
struct Received {
  TOpButton op;
  int code;
  double x, y;
  bool operator==(const Received&) const = default;
};
std::vector<Received> g_log;
std::function<void(TOpButton, int)> g_react;

template <TOpButton B>
void RecordingOp(TGContext&, int code, double x, double y) {
  g_log.push_back({B, code, x, y});
  if (g_react) g_react(B, code);
}

std::vector<int> Codes(TOpButton op) {
  std::vector<int> out;
  for (const Received& r : g_log)
    if (r.op == op) out.push_back(r.code);
  return out;
}

class ManagerTest : public VelmoTest {
protected:
  void SetUp() override {
    VelmoTest::SetUp();
    g_log.clear();
    g_react = nullptr;
    SetOpHandler(OpBtn_Line, RecordingOp<OpBtn_Line>);
    SetOpHandler(OpBtn_Circle, RecordingOp<OpBtn_Circle>);
    SetOpHandler(OpBtn_Delete, RecordingOp<OpBtn_Delete>);
    SetOpHandler(OpBtn_BoxCounter, RecordingOp<OpBtn_BoxCounter>);
  }
  void TearDown() override {
    g_react = nullptr;
    VelmoTest::TearDown();
  }
  Harness ui;
};

TEST_F(ManagerTest, StartsIdle) {
  EXPECT_EQ(CurOpButton(), OpBtn_Dummy);
  EXPECT_EQ(g_manager.downButton, OpBtn_Dummy);
  EXPECT_FALSE(EntryIsOpen());
  EXPECT_EQ(g_form1.caption, "【Velmo Ver 2020.11.26】");
}

TEST_F(ManagerTest, ChoosingOperationsEndsTheOldAndStartsTheNew) {
  ui.Choose(OpBtn_Line);
  EXPECT_EQ(CurOpButton(), OpBtn_Line);
  EXPECT_EQ(g_manager.downButton, OpBtn_Line);
  ui.Choose(OpBtn_Line);  // the same button again restarts it
  ui.Choose(OpBtn_Circle);
  ui.Choose(OpBtn_BoxCounter);  // a menu entry: no palette button stays down
  const std::vector<Received> want = {
      {OpBtn_Line, EV_START, 0, 0}, {OpBtn_Line, EV_END, 0, 0},     {OpBtn_Line, EV_START, 0, 0},
      {OpBtn_Line, EV_END, 0, 0},   {OpBtn_Circle, EV_START, 0, 0}, {OpBtn_Circle, EV_END, 0, 0},
      {OpBtn_BoxCounter, EV_START, 0, 0},
  };
  EXPECT_EQ(g_log, want);
  EXPECT_EQ(CurOpButton(), OpBtn_BoxCounter);
  EXPECT_EQ(g_manager.downButton, OpBtn_None);
}

TEST_F(ManagerTest, StartResetsTheBarAndThePrompt) {
  g_react = [](TOpButton, int code) {
    if (code == EV_START) {
      SetSubBtn("①始点", true);
      SetGuide("・始点指示(L)or(R)");
    }
    if (code == EV_SUB1) EntryOpen(1, "長さ", HistoryList(10));
  };
  ui.Choose(OpBtn_Line);
  ui.SubMenu(1);
  ASSERT_TRUE(EntryIsOpen());
  g_react = nullptr;
  ui.Choose(OpBtn_Circle);
  EXPECT_FALSE(EntryIsOpen());
  EXPECT_FALSE(g_form1.edCommon.visible);
  EXPECT_EQ(g_manager.activeHistory, nullptr);
  EXPECT_FALSE(g_form1.lbGuid1.visible);
  for (int n = 1; n <= 7; ++n) {
    EXPECT_FALSE(g_form1.PvBtn[n - 1].enabled) << n;
    EXPECT_EQ(Harness::SubCaption(n), std::string(12, ' ')) << n;
  }
  EXPECT_EQ(g_form1.drawCursor, CursorShape::Arrow);
}

TEST_F(ManagerTest, GestureFilterSwallowsEveryEvent) {
  ui.Choose(OpBtn_Line);
  static std::vector<int> filtered;
  filtered.clear();
  g_manager.gestureFilter = [](int code, double, double) { filtered.push_back(code); };
  g_log.clear();
  ui.LeftClick(10, 10);
  ui.Move(20, 20);
  ui.Esc();
  ui.Choose(OpBtn_Circle);
  EXPECT_TRUE(g_log.empty()) << "no operation hears anything while a gesture runs";
  ASSERT_FALSE(filtered.empty());
  EXPECT_EQ(filtered.front(), EV_LDOWN);
  EXPECT_EQ(CurOpButton(), OpBtn_Line);
  g_manager.gestureFilter = nullptr;
}

TEST_F(ManagerTest, OperationEndingItselfWhileStartingLeavesIdleCurrent) {
  g_react = [](TOpButton, int code) {
    if (code == EV_START) OpEndSelf();
  };
  ui.Choose(OpBtn_BoxCounter);
  EXPECT_EQ(CurOpButton(), OpBtn_Dummy);
  EXPECT_EQ(Codes(OpBtn_BoxCounter), (std::vector<int>{EV_START, EV_END}));
}

TEST_F(ManagerTest, IdleCheckRunsAfterTheRelease) {
  g_react = [](TOpButton, int code) {
    if (code == EV_LCLICK) OpEndSelf();
  };
  ui.Choose(OpBtn_Line);
  ui.LeftClick(100, 100);
  EXPECT_EQ(CurOpButton(), OpBtn_Dummy);
  EXPECT_EQ(Codes(OpBtn_Line), (std::vector<int>{EV_START, EV_LDOWN, EV_LCLICK, EV_MOVE, EV_END}));
}

TEST_F(ManagerTest, IdleCheckRunsAfterEscOnItsPanelAndAfterKeys) {
  g_react = [](TOpButton, int code) {
    if (code == EV_ESC) OpEndSelf();
  };
  ui.Choose(OpBtn_Line);
  PvEscMouseDown();
  EXPECT_EQ(CurOpButton(), OpBtn_Dummy);
  ui.Choose(OpBtn_Circle);
  ui.Esc();
  EXPECT_EQ(CurOpButton(), OpBtn_Dummy);
}

TEST_F(ManagerTest, NearlyFullStoreIsCompactedBeforeAnOperationStarts) {
  struct Case {
    const char* what;
    int live, dead;
    TOpButton chosen, current;
    bool full;
  };
  const Case cases[] = {
      {"dead cells make room", 1985, 10, OpBtn_Line, OpBtn_Line, false},
      {"still full", 1995, 0, OpBtn_Line, OpBtn_Dummy, true},
      {"deleting is always allowed", 1995, 0, OpBtn_Delete, OpBtn_Delete, false},
      {"compaction grows a full store", 1995, 0, OpBtn_Line, OpBtn_Line, false},
  };
  for (const Case& c : cases) {
    VelmoReset();
    platform().Reset();
    SetOpHandler(OpBtn_Line, RecordingOp<OpBtn_Line>);
    SetOpHandler(OpBtn_Delete, RecordingOp<OpBtn_Delete>);
    for (int i = 0; i < c.live + c.dead; ++i) GcellAddPoint(0, 0x11, i, 0);
    if (c.full) g_gcdb.allocLimit = 2002;  // memory runs out: compaction cannot grow the store
    GcellCommit();
    for (int i = 1; i <= c.dead; ++i) GcellErase(i);
    ASSERT_GT(StoreUsed(), StoreCapacity() - 10) << c.what;
    ui.Choose(c.chosen);
    EXPECT_EQ(CurOpButton(), c.current) << c.what;
    const auto& msgs = platform().messages();
    ASSERT_EQ(msgs.size(), c.full ? 2u : 0u) << c.what;
    if (c.full) {
      EXPECT_EQ(msgs[0].text, "メモリー不足、データが満杯です.") << c.what;
      EXPECT_EQ(msgs[1].text, "データが満杯です") << c.what;
    }
    if (c.dead) {
      EXPECT_EQ(StoreUsed(), c.live) << c.what;
    }
  }
}

TEST_F(ManagerTest, SubMenuCaptions) {
  struct Case {
    std::string set;
    bool enabled;
    int button;
    std::string shown;
    std::uint32_t color;
  };
  const Case cases[] = {
      {"④$角度基線", true, 4, "④ 角度基線 ", clSubOrange},
      {"②長さ=25.5", true, 2, "②長さ=25.5 ", clSubOrange},
      {"③角度", true, 3, "③ 角度     ", clSubGreen},
      {"①", true, 1, "①", clSubGreen},
      {"⑤水平・垂直線", true, 5, "⑤水平・垂直線", clSubGreen},
      {"⑥", false, 6, "            ", clSubGreen},
      {"⑦$連続=3", false, 7, "            ", clSubGreen},
  };
  for (const Case& c : cases) {
    SetSubBtn(c.set, c.enabled);
    const TControl& b = g_form1.PvBtn[c.button - 1];
    EXPECT_EQ(b.caption, c.shown) << c.set;
    EXPECT_EQ(b.raw, c.set) << c.set;
    EXPECT_EQ(b.color, c.color) << c.set;
    EXPECT_EQ(b.enabled, c.enabled) << c.set;
    EXPECT_EQ(b.width, 9 * static_cast<int>(c.shown.size()) + 4) << c.set;
  }
  const std::string before = g_form1.PvBtn[0].caption;
  SetSubBtn("X線", true);  // no circled digit: ignored
  EXPECT_EQ(g_form1.PvBtn[0].caption, before);
}

TEST_F(ManagerTest, SubMenuValues) {
  SetSubBtn("②長さ=25.5", true);
  SetSubBtn("③間隔=２５．５", true);
  SetSubBtn("④$角度基線", true);
  SetSubBtn("⑤倍率=1.5=2", true);
  EXPECT_DOUBLE_EQ(SubBtnValue(2), 25.5);
  EXPECT_DOUBLE_EQ(SubBtnValue(3), 25.5) << "full-width digits are read";
  EXPECT_DOUBLE_EQ(SubBtnValue(4), 0) << "no value";
  EXPECT_DOUBLE_EQ(SubBtnValue(5), 1.5) << "everything after the first '='";
  EXPECT_DOUBLE_EQ(SubBtnValue(0), 0);
  EXPECT_DOUBLE_EQ(SubBtnValue(8), 0);
}

TEST_F(ManagerTest, DisabledSubMenuButtonDoesNotReact) {
  g_react = [](TOpButton, int code) {
    if (code == EV_START) SetSubBtn("①始点", true);
  };
  ui.Choose(OpBtn_Line);
  ui.SubMenu(2);
  ui.SubMenu(1);
  EXPECT_EQ(Codes(OpBtn_Line), (std::vector<int>{EV_START, EV_SUB1}));
}

// An operation that asks for a value on ① the way every operation does.
void ValueOp(TGContext&, int code, double, double) {
  g_log.push_back({OpBtn_Line, code, 0, 0});
  LengthEntryStep(code);
}

TEST_F(ManagerTest, EntryBoxProtocol) {
  SetOpHandler(OpBtn_Line, ValueOp);
  ui.Choose(OpBtn_Line);
  ui.SubMenu(1);
  ASSERT_TRUE(EntryIsOpen());
  EXPECT_EQ(g_form1.PvEdit.color, clEntryPink);
  EXPECT_EQ(g_form1.PvEdit.width, 160);
  EXPECT_FALSE(g_form1.PvBtns.visible);
  EXPECT_TRUE(g_form1.edCommon.focused);
  EXPECT_EQ(g_form1.edCommon.tag, 1);
  EXPECT_EQ(Harness::Prompt(), " 線の長さ(mm) ");
  EXPECT_EQ(g_form1.lbComHstLeft, 164);
  ui.Entry("２５．５");
  EXPECT_FALSE(EntryIsOpen());
  EXPECT_EQ(g_form1.PvEdit.width, 1);
  EXPECT_EQ(g_form1.PvBtn[0].raw, "①長さ=25.5");
  EXPECT_DOUBLE_EQ(SubBtnValue(1), 25.5);
  EXPECT_EQ(HistoryList(10)->entries[1], "２５．５") << "the history keeps the text as typed";

  ui.SubMenu(1);
  ui.Type("99");
  ui.Esc();
  EXPECT_FALSE(EntryIsOpen());
  EXPECT_EQ(g_form1.PvBtn[0].raw, "①長さ=25.5") << "Esc keeps the old value";
  EXPECT_EQ(HistoryCount(*HistoryList(10)), 1);
}

TEST_F(ManagerTest, ClicksInTheDrawingAreaConfirmOrCancelAnOpenEntry) {
  SetOpHandler(OpBtn_Line, ValueOp);
  ui.Choose(OpBtn_Line);
  ui.SubMenu(1);
  ui.Type("10");
  g_log.clear();
  ui.LeftClick(50, 50);
  EXPECT_EQ(Codes(OpBtn_Line), (std::vector<int>{EV_LDOWN, EV_ENTER}));
  EXPECT_DOUBLE_EQ(SubBtnValue(1), 10);
  ui.SubMenu(1);
  ui.Type("20");
  g_log.clear();
  ui.RightClick(50, 50);
  EXPECT_EQ(Codes(OpBtn_Line), (std::vector<int>{EV_RDOWN, EV_ESC}));
  EXPECT_DOUBLE_EQ(SubBtnValue(1), 10);
}

TEST_F(ManagerTest, ReadOnlyEntryIsConfirmedByTheWindow) {
  SetOpHandler(OpBtn_Line, ValueOp);
  ui.Choose(OpBtn_Line);
  ui.SubMenu(1);
  g_form1.edCommon.readOnly = true;
  g_log.clear();
  ui.Enter();
  EXPECT_EQ(Codes(OpBtn_Line), (std::vector<int>{EV_ENTER, EV_MOVE, EV_MOVE})) << "key down and key up";
}

TEST_F(ManagerTest, HistoryPushOrderAndLimits) {
  struct Case {
    const char* what;
    std::vector<std::string> before;
    std::string pushed;
    std::vector<std::string> after;
  };
  std::vector<std::string> twenty, twentyAfter;
  for (int i = 1; i <= 20; ++i) twenty.push_back(std::to_string(i));
  twentyAfter.push_back("new");
  for (int i = 1; i <= 19; ++i) twentyAfter.push_back(std::to_string(i));
  const Case cases[] = {
      {"newest first", {"50", "20"}, "7", {"7", "50", "20"}},
      {"an equal entry moves to the front", {"50", "100", "20"}, "100", {"100", "50", "20"}},
      {"the last entry moves to the front", {"50", "100", "20"}, "20", {"20", "50", "100"}},
      {"a full list drops the oldest", twenty, "new", twentyAfter},
      {"blanks are removed", {"5"}, " 1 0　0 ", {"100", "5"}},
      {"nothing but blanks records nothing", {"5"}, " 　 ", {"5"}},
  };
  for (const Case& c : cases) {
    THistrylist& h = *HistoryList(10);
    h = THistrylist{};
    for (int i = 0; i < static_cast<int>(c.before.size()); ++i) h.entries[i + 1] = c.before[i];
    g_manager.activeHistory = &h;
    ComHstPush(c.pushed);
    EXPECT_EQ(g_manager.activeHistory, nullptr) << c.what;
    std::vector<std::string> got;
    for (int i = 1; i <= HistoryCount(h); ++i) got.push_back(h.entries[i]);
    EXPECT_EQ(got, c.after) << c.what;
    EXPECT_TRUE(h.entries[21].empty()) << c.what;
  }
}

TEST_F(ManagerTest, SecondEnterRecordsNothing) {
  EntryOpen(1, "長さ", HistoryList(10));
  ui.Type("100");
  EditKeyPress('\r');
  ui.Type("200");
  EditKeyPress('\r');
  EXPECT_EQ(HistoryCount(*HistoryList(10)), 1);
  EXPECT_EQ(HistoryList(10)->entries[1], "100");
}

TEST_F(ManagerTest, AngleHistoryAlwaysOffersThePresets) {
  HistoryPush(*HistoryList(kAngleHistory), "15");
  EntryOpen(2, "       角度(ﾟ)", HistoryList(kAngleHistory));
  const THistrylist& h = *HistoryList(kAngleHistory);
  ASSERT_EQ(HistoryCount(h), 5);
  EXPECT_EQ(h.entries[1], "90ﾟ");
  EXPECT_EQ(h.entries[2], "-90ﾟ");
  EXPECT_EQ(h.entries[3], "45ﾟ");
  EXPECT_EQ(h.entries[4], "30ﾟ");
  EXPECT_EQ(h.entries[5], "15");
  EXPECT_EQ(g_form1.lbComHst.caption, "  90ﾟ  -90ﾟ  45ﾟ  30ﾟ  15");
  EXPECT_TRUE(g_form1.lbComHst.visible);
}

TEST_F(ManagerTest, EmptyHistoryHidesTheLabel) {
  EntryOpen(1, "長さ", HistoryList(10));
  EXPECT_FALSE(g_form1.lbComHst.visible);
  EntryOpen(1, "長さ", nullptr);
  EXPECT_FALSE(g_form1.lbComHst.visible);
}

TEST_F(ManagerTest, UpAndDownBrowseTheHistory) {
  THistrylist& h = *HistoryList(10);
  for (const char* t : {"30", "20", "10"}) HistoryPush(h, t);  // 10, 20, 30
  EntryOpen(1, "長さ", &h);
  struct Step {
    int key;
    std::string text;
  };
  const Step steps[] = {{38, "10"}, {38, "20"}, {38, "30"}, {38, "30"}, {40, "20"}, {40, "10"}, {40, "10"}};
  for (const Step& s : steps) {
    ui.Key(s.key);
    EXPECT_EQ(g_form1.edCommon.text, s.text) << s.key;
    EXPECT_EQ(g_form1.edCommon.selStart, static_cast<int>(s.text.size()));
  }
}

TEST_F(ManagerTest, HistoryLabelPicksTheWordUnderThePointer) {
  SetOpHandler(OpBtn_Line, ValueOp);
  ui.Choose(OpBtn_Line);
  for (const char* t : {"1.5", "300", "25"}) HistoryPush(*HistoryList(10), t);
  ui.SubMenu(1);
  ASSERT_EQ(g_form1.lbComHst.caption, "  25  300  1.5");
  struct Case {
    double x;
    std::string word;
  };
  // Characters: 1-2 blanks, 3-4 "25", 5-6 blanks, 7-9 "300", 10-11 blanks, 12-14 "1.5".
  const Case cases[] = {{25, "25"}, {30, "25"}, {70, "300"}, {85, "300"}, {120, "1.5"}, {500, "1.5"}};
  for (const Case& c : cases) {
    ui.Type("");
    LbComHstMouseDown(c.x, 5);
    EXPECT_EQ(g_form1.edCommon.text, c.word) << c.x;
    EXPECT_TRUE(EntryIsOpen()) << c.x;
  }
  g_log.clear();
  LbComHstMouseDown(125, 5);  // the same word again acts as Enter
  EXPECT_FALSE(EntryIsOpen());
  EXPECT_DOUBLE_EQ(SubBtnValue(1), 1.5);
  EXPECT_EQ(HistoryList(10)->entries[1], "1.5");
}

TEST_F(ManagerTest, ClicksCountOnlyNearTheirPress) {
  ui.Choose(OpBtn_Line);
  g_log.clear();
  ui.Press(ssLeft, 100, 100);
  ui.Move(130, 100);
  ui.Release(ssLeft, 130, 100);
  ui.Press(ssRight, 100, 100);
  ui.Release(ssRight, 100, 144);  // 44 pixels away: no click
  ui.Press(ssRight, 200, 200);
  ui.Release(ssRight, 243, 157);
  const std::vector<Received> want = {
      {OpBtn_Line, EV_LDOWN, 100, 100},  {OpBtn_Line, EV_LCLICK, 130, 100}, {OpBtn_Line, EV_MOVE, 130, 100},
      {OpBtn_Line, EV_RDOWN, 100, 100},  {OpBtn_Line, EV_MOVE, 100, 144},   {OpBtn_Line, EV_RDOWN, 200, 200},
      {OpBtn_Line, EV_RCLICK, 243, 157}, {OpBtn_Line, EV_MOVE, 243, 157},
  };
  EXPECT_EQ(g_log, want);
  EXPECT_EQ(g_manager.leftPressPos.x, 100);
  EXPECT_EQ(g_manager.rightPressPos.y, 200);
}

TEST_F(ManagerTest, MovesReachTheOperationOnlyWithoutButtons) {
  ui.Choose(OpBtn_Line);
  g_log.clear();
  ui.Move(5, 5);
  ui.Press(ssLeft, 5, 5);
  ui.Move(6, 6);
  ui.Release(ssLeft, 6, 6);
  EXPECT_EQ(Codes(OpBtn_Line), (std::vector<int>{EV_MOVE, EV_LDOWN, EV_LCLICK, EV_MOVE}));
  EXPECT_EQ(g_manager.lastMousePos.x, 6);

  ui.Choose(OpBtn_Delete);  // deleting follows the pointer with the left button held
  g_log.clear();
  ui.Press(ssLeft, 5, 5);
  ui.Move(60, 60);
  ui.Release(ssLeft, 60, 60);
  EXPECT_EQ(Codes(OpBtn_Delete), (std::vector<int>{EV_LDOWN, EV_MOVE, EV_MOVE, EV_MOVE}));
}

TEST_F(ManagerTest, LostReleaseIsProcessedAtTheNextMove) {
  ui.Choose(OpBtn_Line);
  PaintBox1MouseDown(ssLeft, ssLeft, 10, 10);
  g_log.clear();
  PaintBox1MouseMove(0, 12, 12);  // the left button is up, though no release came
  EXPECT_FALSE(g_manager.leftHeld);
  EXPECT_EQ(Codes(OpBtn_Line), (std::vector<int>{EV_LCLICK, EV_MOVE}));
}

TEST_F(ManagerTest, KeysBecomeEventCodes) {
  ui.Choose(OpBtn_Line);
  g_log.clear();
  ui.Key(27);
  ui.Key('5');
  ui.Key(99);  // keypad 3
  ui.Key(13);
  EXPECT_EQ(Codes(OpBtn_Line), (std::vector<int>{EV_ESC, EV_MOVE, EV_MOVE, '5', EV_MOVE, EV_MOVE, '3', EV_MOVE,
                                                  EV_MOVE, EV_ENTER, EV_MOVE, EV_MOVE}));
}

TEST_F(ManagerTest, PromptLine) {
  struct Case {
    std::string text;
    bool visible;
    std::string caption;
  };
  const Case cases[] = {
      {"・始点指示(L)or(R)", true, " ・始点指示(L)or(R) "},
      {"  終点  ", true, " 終点 "},
      {"", false, "  "},
      {" \t ", false, "  "},
  };
  for (const Case& c : cases) {
    SetGuide(c.text);
    EXPECT_EQ(g_form1.lbGuid1.visible, c.visible) << c.text;
    EXPECT_EQ(g_form1.lbGuid1.caption, c.caption) << c.text;
  }
}

TEST_F(ManagerTest, OperationTable) {
  EXPECT_EQ(OpButtonByName("OpBtn_Line"), OpBtn_Line);
  EXPECT_EQ(OpButtonByName("OpBtn_Nothing"), OpBtn_None);
  EXPECT_STREQ(OpInfo(OpBtn_Line).hint, "直線");
  EXPECT_EQ(OpInfo(OpBtn_Line).key, 'X');
  int speed = 0;
  for (int b = OpBtn_None + 1; b < OpBtn_Count; ++b) {
    const TOpInfo& op = OpInfo(static_cast<TOpButton>(b));
    EXPECT_EQ(op.id, b) << op.name;
    if (op.speedButton) ++speed;
  }
  EXPECT_EQ(speed, 25) << "24 operation buttons and the idle one";
  SetOpHandler(OpBtn_Dummy, RecordingOp<OpBtn_Line>);
  EXPECT_EQ(OpHandler(OpBtn_Dummy), nullptr) << "the idle operation has no handler";
}

}  // namespace

namespace {

// Palette buttons, letter keys and menu commands of operations not built
// yet: the prompt says so, a beep, and the running operation goes on.
TEST_F(ManagerTest, ControlsOfOperationsNotBuiltSaySo) {
  struct Case {
    const char* what;
    void (*act)(Harness&);
    bool menu;  // a menu entry ends the operation before it finds nothing to run
  };
  const Case cases[] = {
      {"menu command", [](Harness&) { MenuItemCommand("Contents1"); }, true},
  };
  int beeps = 0;
  for (const Case& c : cases) {
    ui.Choose(OpBtn_Line);
    g_log.clear();
    c.act(ui);
    EXPECT_EQ(Harness::Prompt(), std::string(" ") + kNotBuilt + " ") << c.what;
    EXPECT_EQ(platform().beeps(), ++beeps) << c.what;
    EXPECT_EQ(g_manager.downButton, CurOpButton()) << c.what;
    EXPECT_EQ(CurOpButton(), c.menu ? OpBtn_Dummy : OpBtn_Line) << c.what;
    const std::vector<int> codes = Codes(OpBtn_Line);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), EV_START), 0) << c.what;
    EXPECT_EQ(std::count(codes.begin(), codes.end(), EV_END), c.menu ? 1 : 0) << c.what;
  }
}

TEST_F(ManagerTest, MenuCommandsByNameOrCaption) {
  const TMenuCommand* save = FindMenuCommand("Save1");
  ASSERT_NE(save, nullptr);
  EXPECT_EQ(FindMenuCommand("上書き保存(&S)"), save);
  EXPECT_EQ(FindMenuCommand("上書き保存"), save) << "without the mnemonic";
  EXPECT_EQ(FindMenuCommand("印刷 100 %"), FindMenuCommand("OpBtn_Print00")) << "without trailing blanks";
  EXPECT_EQ(FindMenuCommand("保存"), nullptr);
  EXPECT_EQ(FindMenuCommand(""), nullptr);
  EXPECT_FALSE(MenuItemCommand("NoSuchItem"));

  // Every command has a unique name; the menu bar's ones a caption.
  std::vector<std::string> names;
  for (const TMenuCommand& c : MenuCommands()) {
    EXPECT_EQ(std::count(names.begin(), names.end(), c.name), 0) << c.name;
    names.push_back(c.name);
    if (c.name.rfind("ReOpen", 0) != 0 && c.name.rfind("fname", 0) != 0) {
      EXPECT_FALSE(c.caption.empty()) << c.name;
    }
  }

  // A menu command ends the operation first; "選択部コピー" keeps it.
  ui.Choose(OpBtn_Line);
  MenuItemCommand("BtnZM2");
  EXPECT_EQ(CurOpButton(), OpBtn_Dummy);
  ui.Choose(OpBtn_Line);
  g_log.clear();
  MenuItemCommand("ClipCopy");
  EXPECT_EQ(CurOpButton(), OpBtn_Line);
  EXPECT_TRUE(Codes(OpBtn_Line).empty());
}

}  // namespace
