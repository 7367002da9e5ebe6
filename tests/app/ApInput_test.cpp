// The user's input as it enters the core: the named controls reach their
// handlers, a recorder hears of each input once and before the core
// handles it, and a user driven from code holds keys as a person does.
#include "app/ApInput.h"

#include <set>
#include <string>
#include <vector>

#include "VelmoTest.h"
#include "app/ApGrpLay.h"
#include "app/ApKeyEvent.h"
#include "app/ApMouse.h"
#include "app/Ap_Offset.h"
#include "app/GC_View.h"
#include "kernel/Wiring.h"
#include "model/GC_DB.h"
#include "model/PVC.h"

namespace {

class InputTest : public VelmoTest {
protected:
  void SetUp() override {
    VelmoTest::SetUp();
    PaintBox1Paint();
  }
  Harness ui{800, 600};
};

TEST_F(InputTest, EveryNamedControlReachesItsOwnHandler) {
  std::set<std::string> names;
  for (const TNamedControl& c : NamedControls()) {
    EXPECT_TRUE(names.insert(c.name).second) << "twice: " << c.name;
    EXPECT_TRUE(c.press || c.click || c.setText) << c.name << " does nothing";
    EXPECT_EQ(FindControl(c.name), &c);
  }
  EXPECT_EQ(FindControl("PnlGrp16"), nullptr);

  // One press or text per control kind, and what it changes.
  struct Case {
    const char* name;
    unsigned button;    // 0: a text instead
    const char* text;
    bool (*done)();
  } cases[] = {
      {"PnlGrp3", ssRight, "", [] { return CurPVC().writeLayer >> 4 == 3; }},
      {"PnlLay12", ssRight, "", [] { return (CurPVC().writeLayer & 15) == 12; }},
      {"PnlLay7", ssLeft, "", [] { return !CurPVC().groups[0].layers[7].visible; }},
      {"PnlGrpAll", ssLeft, "", [] { return !CurPVC().groups[1].visible && CurPVC().groups[0].visible; }},
      {"DspLine", ssLeft, "", [] { return !CurPVC().show.lines; }},
      {"DspGrid", ssLeft, "", [] { return !CurPVC().gridShown; }},
      {"FixZoom", ssLeft, "", [] { return CurPVC().rangeRemembered; }},
      {"BtnZM2", ssLeft, "", [] { return CurrentView().wx2 - CurrentView().wx1 < 50000; }},
      {"Btn_Change", ssLeft, "", [] { return StoreWindow() == 2; }},
      {"LineType3", ssLeft, "", [] { return CurPVC().writePen == 0x31; }},
      {"Pen5", ssLeft, "", [] { return CurPVC().writePen == 0x15; }},
      {"ImPenHst2", ssLeft, "", [] { return CurPVC().writePen == CurPVC().penPresets[2]; }},
      {"CbMojiSize", 0, "7", [] { return CurPVC().textSize == 7 && g_form1.CbMojiSize.index == 7; }},
      {"edCommon", 0, "12.5", [] { return g_form1.edCommon.text == "12.5"; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VelmoReset();
    Harness::AfterReset();
    PaintBox1Paint();
    CurPVC().gridShown = true;
    CurPVC().penPresets[2] = 0x46;
    const double width = CurrentView().wx2 - CurrentView().wx1;
    ASSERT_GT(width, 50000);
    ASSERT_FALSE(c.done());
    if (c.button) {
      ASSERT_TRUE(InputControlPress(c.name, c.button, c.button));
      if (c.button == ssLeft && FindControl(c.name)->click) {
        ASSERT_TRUE(InputControlClick(c.name));
      }
    } else {
      ASSERT_TRUE(InputControlText(c.name, c.text));
    }
    EXPECT_TRUE(c.done());
  }
  EXPECT_FALSE(InputControlText("BtnZM0", "1")) << "a button takes no text";
}

// Writes down what it hears, with the view's left edge at each time.
struct TLog final : IInputRecorder {
  std::vector<std::string> seen;
  void Begin(const TInputEvent& e) override { seen.push_back("begin " + Name(e) + " " + Left()); }
  void End(const TInputEvent& e) override { seen.push_back("end " + Name(e) + " " + Left()); }
  static std::string Left() { return std::to_string(static_cast<long long>(CurrentView().wx1)); }
  static std::string Name(const TInputEvent& e) {
    switch (e.kind) {
      case TInputKind::Wheel: return "wheel";
      case TInputKind::KeyDown: return "keydown " + std::to_string(e.value);
      case TInputKind::KeyUp: return "keyup " + std::to_string(e.value);
      case TInputKind::FieldKey: return "fieldkey";
      case TInputKind::Control: return "control " + e.name;
      case TInputKind::MouseDown: return "down";
      case TInputKind::MouseUp: return "up";
      default: return "other";
    }
  }
};

TEST_F(InputTest, ARecorderHearsEachInputOnceBeforeTheCoreHandlesIt) {
  TLog log;
  g_wiring.inputRecorder = &log;
  const std::string before = TLog::Left();
  ui.Wheel(120, 100, 100, ssCtrl);  // zooms: the view moves under it
  const std::string after = TLog::Left();
  ui.Key('X');                      // chooses an operation from within the key
  InputControlPress("PnlGrpAll", ssLeft, ssLeft);  // its left button acts through the click
  InputControlClick("PnlGrpAll");
  InputControlPress("PnlGrpAll", ssRight, ssRight);
  g_wiring.inputRecorder = nullptr;
  ASSERT_NE(before, after);
  EXPECT_EQ(log.seen, (std::vector<std::string>{
                          "begin wheel " + before, "end wheel " + after,
                          "begin keydown 88 " + after, "end keydown 88 " + after,
                          "begin keyup 88 " + after, "end keyup 88 " + after,
                          "begin control PnlGrpAll " + after, "end control PnlGrpAll " + after,
                          "begin control PnlGrpAll " + after, "end control PnlGrpAll " + after,
                      }));
  EXPECT_EQ(CurOpButton(), OpBtn_Line);
}

TEST_F(InputTest, AKeysModifiersGoUpWithItUnlessTheirOwnKeyIsStillDown) {
  HeadlessPlatform& p = platform();
  // Ctrl brought by the key alone: up with it.
  ui.KeyDown(kVkLeft, ssCtrl);
  EXPECT_TRUE(p.IsKeyDown(PhysKey::Ctrl));
  EXPECT_TRUE(p.IsKeyDown(PhysKey::Left));
  ui.KeyUp(kVkLeft);
  EXPECT_FALSE(p.IsKeyDown(PhysKey::Ctrl));
  EXPECT_FALSE(p.IsKeyDown(PhysKey::Left));
  // Ctrl held by its own key stays down across Ctrl+S.
  ui.KeyDown(kVkCtrl);
  ui.KeyDown('G', ssCtrl | ssShift);
  ui.KeyUp('G');
  EXPECT_TRUE(p.IsKeyDown(PhysKey::Ctrl));
  EXPECT_FALSE(p.IsKeyDown(PhysKey::Shift));
  EXPECT_TRUE(g_manager.ctrlHeld);
  ui.KeyUp(kVkCtrl);
  EXPECT_FALSE(p.IsKeyDown(PhysKey::Ctrl));
  EXPECT_FALSE(g_manager.ctrlHeld);
}

TEST_F(InputTest, TypingReplacesTheSelectionAndLeavesTheCaretAfterIt) {
  ui.Choose(OpBtn_Line);
  ui.SubMenu(2);
  UserType(TEditField::edCommon, "2");  // the box opens with nothing to select
  UserType(TEditField::edCommon, "5");
  EXPECT_EQ(g_form1.edCommon.text, "25");
  g_form1.edCommon.selStart = 0;
  g_form1.edCommon.selLength = 1;
  UserType(TEditField::edCommon, "1.");
  EXPECT_EQ(g_form1.edCommon.text, "1.5");
  EXPECT_EQ(g_form1.edCommon.selStart, 2);
  TEditField f = TEditField::EbMojiT;
  ASSERT_TRUE(FocusedField(f));
  EXPECT_EQ(f, TEditField::edCommon);
  ui.Esc();
  EXPECT_FALSE(FocusedField(f));
}

}  // namespace
