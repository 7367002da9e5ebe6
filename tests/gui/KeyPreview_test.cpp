// Real Qt key events through the main window's key preview: the core's key
// routing sees them as virtual-key codes, a key it leaves reaches the widget
// with the focus, and the keys held come from the presses and releases.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <memory>
#include <vector>

#include "VelmoTest.h"
#include "app/ApKeyEvent.h"
#include "app/ApManager.h"
#include "app/Ap_Unit1.h"
#include "kernel/SjisConv.h"
#include "model/ComHst.h"
#include "platform/qt/QtKeyPreview.h"
#include "platform/qt/QtPlatform.h"
#include "platform/qt/TForm1.h"

namespace {

std::string S(const char* utf8) { return Utf8ToSjis(utf8); }
QString Q(const char* utf8) { return QString::fromUtf8(utf8); }

std::vector<int> g_codes;

void Recorder(TGContext&, int code, double, double) {
  if (code != EV_MOVE) g_codes.push_back(code);
}

// Asks for a length on ①.
void ValueOp(TGContext&, int code, double, double) {
  if (code != EV_MOVE) g_codes.push_back(code);
  switch (code) {
    case EV_START: SetSubBtn(S("①長さ"), true); break;
    case EV_SUB1: EntryOpen(1, S("長さ"), HistoryList(10)); break;
    case EV_ENTER:
    case EV_ESC:
      if (!EntryIsOpen()) break;
      if (code == EV_ENTER) SetSubBtn(S("①長さ=") + g_form1.edCommon.text, true);
      EntryClose();
      g_form1.PvBtns.visible = true;
      break;
  }
}

class KeyPreviewTest : public VelmoTest {
protected:
  void SetUp() override {
    VelmoTest::SetUp();
    g_codes.clear();
    for (TOpButton b : {OpBtn_Circle, OpBtn_Moji, OpBtn_ClipRead}) SetOpHandler(b, Recorder);
    SetOpHandler(OpBtn_Line, ValueOp);
    form_ = std::make_unique<TForm1>();
    form_->resize(1280, 800);
    form_->show();
    form_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
    QTRY_VERIFY(form_->paintBox()->painted());
  }
  void TearDown() override {
    form_.reset();
    VelmoTest::TearDown();
  }
  // Where the window system sends a key: the widget with the focus.
  QWidget* Target() {
    QWidget* w = QApplication::focusWidget();
    return w ? w : form_.get();
  }
  QLineEdit* OpenEntry() {
    Op_ButtonClick(OpBtn_Line);
    OpSubMenuClick(1);
    form_->SyncFromCore();
    auto* ed = form_->findChild<QLineEdit*>(QStringLiteral("edCommon"));
    EXPECT_TRUE(ed && ed->hasFocus());
    g_codes.clear();
    return ed;
  }
  static double Width() { return CurrentView().wx2 - CurrentView().wx1; }
  static double Left() { return CurrentView().wx1; }

  std::unique_ptr<TForm1> form_;
};

TEST_F(KeyPreviewTest, KeysReachTheRoutingAsVirtualKeyCodes) {
  QTest::keyClick(Target(), Qt::Key_E);
  EXPECT_EQ(CurOpButton(), OpBtn_Circle);
  g_codes.clear();
  QTest::keyClick(Target(), Qt::Key_3, Qt::KeypadModifier);
  QTest::keyClick(Target(), Qt::Key_0, Qt::KeypadModifier);
  QTest::keyClick(Target(), Qt::Key_7);
  EXPECT_EQ(g_codes, (std::vector<int>{EV_SUB1 + 2, EV_DIGIT0, EV_SUB1 + 6}));

  QTest::keyClick(Target(), Qt::Key_F2);
  EXPECT_EQ(CurOpButton(), OpBtn_Moji);
  QTest::keyClick(Target(), Qt::Key_X);
  EXPECT_EQ(CurOpButton(), OpBtn_Moji) << "letters belong to text input";
  QTest::keyClick(Target(), Qt::Key_N);
  EXPECT_EQ(CurOpButton(), OpBtn_Moji);
  QTest::keyClick(Target(), Qt::Key_Escape);
  EXPECT_EQ(g_codes.back(), EV_ESC);

  const double w = Width();
  QTest::keyClick(Target(), Qt::Key_PageUp);
  EXPECT_NEAR(Width(), w / 2, w * 1e-9);
}

TEST_F(KeyPreviewTest, TypingIntoTheEntryBoxKeepsLettersAndEnterConfirms) {
  QLineEdit* ed = OpenEntry();
  ASSERT_NE(ed, nullptr);
  QTest::keyClicks(ed, "1.5E+3");
  EXPECT_EQ(CurOpButton(), OpBtn_Line);
  EXPECT_EQ(ed->text(), Q("1.5E+3"));
  EXPECT_EQ(g_form1.edCommon.text, "1.5E+3");
  g_codes.clear();
  QTest::keyClick(ed, Qt::Key_Return);
  EXPECT_EQ(g_codes, std::vector<int>{EV_ENTER});
  EXPECT_EQ(g_form1.PvBtn[0].raw, S("①長さ=1.5E+3"));
  EXPECT_EQ(HistoryList(10)->entries[1], "1.5E+3");
}

TEST_F(KeyPreviewTest, AcceleratorWinsOverTheFocusedEntryBox) {
  QLineEdit* ed = OpenEntry();
  ASSERT_NE(ed, nullptr);
  QTest::keyClicks(ed, "12");
  g_codes.clear();
  QTest::keyClick(ed, Qt::Key_R, Qt::ControlModifier);
  EXPECT_EQ(CurOpButton(), OpBtn_ClipRead);
  EXPECT_EQ(g_codes, (std::vector<int>{EV_END, EV_START}));
  EXPECT_EQ(HistoryCount(*HistoryList(10)), 0) << "the box never confirmed";
}

TEST_F(KeyPreviewTest, HeldKeysFollowPressesAndReleasesNotRepeats) {
  QtPlatform qt;
  EXPECT_FALSE(qt.IsKeyDown(PhysKey::Left));
  QTest::keyPress(Target(), Qt::Key_Left);
  EXPECT_TRUE(qt.IsKeyDown(PhysKey::Left));
  EXPECT_TRUE(QtKeyHeld(37));
  EXPECT_FALSE(qt.IsKeyDown(PhysKey::Right));
  QTest::keyRelease(Target(), Qt::Key_Left);
  EXPECT_FALSE(qt.IsKeyDown(PhysKey::Left));

  // With the Qt platform asked: a real press scrolls, a repeat that arrives
  // after the release does not.
  SetPlatform(&qt);
  const double left = Left(), w = Width();
  QTest::keyPress(Target(), Qt::Key_Left);
  EXPECT_NEAR(Left(), left - w / 8, w * 1e-9);
  QTest::keyRelease(Target(), Qt::Key_Left);
  QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier, QString(), true);
  QApplication::sendEvent(Target(), &repeat);
  EXPECT_NEAR(Left(), left - w / 8, w * 1e-9);
  EXPECT_FALSE(QtKeyHeld(37));
  SetPlatform(&Headless());
}

TEST_F(KeyPreviewTest, CaptionedPaletteTakesTheCoresPlacesAndCaptions) {
  TSpeedButton* box = form_->speedButton(OpBtn_Box);
  ASSERT_NE(box, nullptr);
  const QRect built = box->geometry();
  const QString caption = box->text();
  SetTextButtons(true);
  form_->SyncFromCore();
  EXPECT_EQ(box->geometry(), QRect(66, 145, 52, 26));
  EXPECT_EQ(box->text(), Q(" □　b"));
  EXPECT_EQ(form_->speedButton(OpBtn_HyoMove)->geometry(), QRect(1, 37, 64, 26));
  SetTextButtons(false);
  form_->SyncFromCore();
  EXPECT_EQ(box->geometry(), built);
  EXPECT_EQ(box->text(), caption);
}

}  // namespace
