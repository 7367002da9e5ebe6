// The main window: what it shows of the core's state and where its input
// goes. A recording operation stands in for the real ones.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTest>
#include <functional>
#include <memory>
#include <vector>

#include "VelmoTest.h"
#include "app/ApInit.h"
#include "app/ApManager.h"
#include "app/Ap_Offset.h"
#include "app/Ap_Unit1.h"
#include "kernel/SjisConv.h"
#include "model/ComHst.h"
#include "platform/qt/TForm1.h"

namespace {

// Core text from a UTF-8 literal (this file is compiled as UTF-8).
std::string S(const char* utf8) { return Utf8ToSjis(utf8); }
QString Q(const char* utf8) { return QString::fromUtf8(utf8); }

struct Event {
  int code;
  double x, y;
};
std::vector<Event> g_events;
std::function<void(int code)> g_behaviour;

void Recorder(TGContext&, int code, double x, double y) {
  g_events.push_back({code, x, y});
  if (g_behaviour) g_behaviour(code);
}

std::vector<int> Codes() {
  std::vector<int> out;
  for (const Event& e : g_events) out.push_back(e.code);
  return out;
}

class Form1Test : public VelmoTest {
protected:
  void SetUp() override {
    VelmoTest::SetUp();
    g_events.clear();
    g_behaviour = nullptr;
    SetOpHandler(OpBtn_Line, &Recorder);
    form_ = std::make_unique<TForm1>();
    form_->resize(1280, 800);
    form_->show();
    form_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
  }
  void TearDown() override {
    form_.reset();
    g_behaviour = nullptr;
    VelmoTest::TearDown();
  }

  template <class T>
  T* Find(const char* name) {
    T* w = form_->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  QWidget* SubButton(int n) { return Find<QWidget>(("PvBtn" + std::to_string(n)).c_str()); }
  QString SubCaption(int n) { return Find<QLabel>(("PvBtn" + std::to_string(n) + "Label").c_str())->text(); }
  static QColor Background(QWidget* w) { return w->palette().color(QPalette::Window); }

  void ChooseLine() {
    QTest::mouseClick(form_->speedButton(OpBtn_Line), Qt::LeftButton);
    g_events.clear();
  }
  // Line with a length option that opens the entry box on list 5.
  void ChooseLineWithEntry() {
    g_behaviour = [](int code) {
      if (code == EV_START) {
        SetSubBtn(S("①長さ"), true);
        SetSubBtn(S("②$連続"), true);
      } else if (code == EV_SUB1) {
        EntryOpen(1, S("長さを入力"), HistoryList(5));
      } else if (code == EV_ENTER && EntryIsOpen()) {
        const std::string typed = g_form1.edCommon.text;
        EntryClose();
        g_form1.PvBtns.visible = true;
        if (!typed.empty()) SetSubBtn(S("①長さ=") + typed, true);
      }
    };
    ChooseLine();
  }

  std::unique_ptr<TForm1> form_;
};

TEST_F(Form1Test, StartsIdleWithBlankDisabledSubMenuAndNoPrompt) {
  EXPECT_EQ(form_->windowTitle(), Q("【Velmo Ver 2020.11.26】"));
  for (int b = OpBtn_Dummy; b < OpBtn_Count; ++b) {
    TSpeedButton* btn = form_->speedButton(static_cast<TOpButton>(b));
    if (!OpInfo(static_cast<TOpButton>(b)).speedButton) {
      EXPECT_EQ(btn, nullptr) << OpInfo(static_cast<TOpButton>(b)).name;
      continue;
    }
    ASSERT_NE(btn, nullptr) << OpInfo(static_cast<TOpButton>(b)).name;
    EXPECT_EQ(btn->isChecked(), b == OpBtn_Dummy) << OpInfo(static_cast<TOpButton>(b)).name;
  }
  for (int n = 1; n <= 7; ++n) {
    EXPECT_EQ(SubCaption(n), QString(12, u' ')) << n;
    EXPECT_FALSE(SubButton(n)->isEnabled()) << n;
    EXPECT_EQ(SubButton(n)->width(), 9 * 12 + 4) << n;
    EXPECT_EQ(Background(SubButton(n)), QColor(0xDD, 0xFF, 0xBB)) << n;
  }
  EXPECT_EQ(Find<QLabel>("PvEscLabel")->text(), Q("Esc"));
  EXPECT_FALSE(Find<QLabel>("lbGuid1")->isVisible());
  EXPECT_FALSE(Find<QLineEdit>("edCommon")->isVisible());
  EXPECT_EQ(Find<QWidget>("PvEdit")->width(), 1);
}

TEST_F(Form1Test, PaletteKeepsTheRowsAndColumnsOfTheOperationTable) {
  // Row 3 is HyoMove, Delete, Line; row 4 starts with LineCut.
  const QRect hyo = form_->speedButton(OpBtn_HyoMove)->geometry();
  const QRect del = form_->speedButton(OpBtn_Delete)->geometry();
  const QRect line = form_->speedButton(OpBtn_Line)->geometry();
  const QRect cut = form_->speedButton(OpBtn_LineCut)->geometry();
  EXPECT_EQ(hyo.top(), line.top());
  EXPECT_LT(hyo.right(), del.left());
  EXPECT_LT(del.right(), line.left());
  EXPECT_EQ(cut.left(), hyo.left());
  EXPECT_GT(cut.top(), hyo.bottom());
  EXPECT_EQ(form_->speedButton(OpBtn_Line)->text(), Q("直線"));
}

TEST_F(Form1Test, PaletteClickStartsAndEndsOperationsAndMovesTheDownButton) {
  QTest::mouseClick(form_->speedButton(OpBtn_Line), Qt::LeftButton);
  EXPECT_EQ(Codes(), std::vector<int>{EV_START});
  EXPECT_EQ(CurOpButton(), OpBtn_Line);
  EXPECT_TRUE(form_->speedButton(OpBtn_Line)->isChecked());
  EXPECT_FALSE(form_->speedButton(OpBtn_Dummy)->isChecked());

  // A second click restarts it and leaves it down (Qt would toggle it up).
  QTest::mouseClick(form_->speedButton(OpBtn_Line), Qt::LeftButton);
  EXPECT_EQ(Codes(), (std::vector<int>{EV_START, EV_END, EV_START}));
  EXPECT_TRUE(form_->speedButton(OpBtn_Line)->isChecked());

  QTest::mouseClick(form_->speedButton(OpBtn_Dummy), Qt::LeftButton);
  EXPECT_EQ(g_events.back().code, EV_END);
  EXPECT_TRUE(form_->speedButton(OpBtn_Dummy)->isChecked());
  EXPECT_FALSE(form_->speedButton(OpBtn_Line)->isChecked());
}

TEST_F(Form1Test, SubMenuButtonsShowCaptionsColoursWidthsAndThePrompt) {
  g_behaviour = [](int code) {
    if (code != EV_START) return;
    SetSubBtn(S("④$角度基線"), true);
    SetSubBtn(S("②長さ=25.5"), true);
    SetSubBtn(S("①連続"), true);
    SetGuide(S("・始点指示(L)or(R)"));
  };
  ChooseLine();
  EXPECT_EQ(SubCaption(4), Q("④ 角度基線 "));
  EXPECT_EQ(Background(SubButton(4)), QColor(0xFF, 0xDD, 0xBB));
  EXPECT_EQ(SubCaption(2), Q("②長さ=25.5 "));
  EXPECT_EQ(Background(SubButton(2)), QColor(0xFF, 0xDD, 0xBB));
  EXPECT_EQ(SubCaption(1), Q("① 連続     "));
  EXPECT_EQ(Background(SubButton(1)), QColor(0xDD, 0xFF, 0xBB));
  for (int n : {1, 2, 4}) {
    EXPECT_TRUE(SubButton(n)->isEnabled()) << n;
    EXPECT_EQ(SubButton(n)->width(), g_form1.PvBtn[n - 1].width) << n;
  }
  EXPECT_FALSE(SubButton(3)->isEnabled());
  QLabel* guide = Find<QLabel>("lbGuid1");
  EXPECT_TRUE(guide->isVisible());
  EXPECT_EQ(guide->text(), Q(" ・始点指示(L)or(R) "));
}

TEST_F(Form1Test, SubMenuClickSendsItsCodeAndADisabledOneNothing) {
  g_behaviour = [](int code) {
    if (code == EV_START) SetSubBtn(S("②長さ"), true);
  };
  ChooseLine();
  QTest::mouseClick(SubButton(2), Qt::LeftButton, {}, QPoint(20, 10));
  EXPECT_EQ(Codes(), std::vector<int>{EV_SUB1 + 1});

  // Neither a button press nor, by way of the bar beneath, an Enter.
  g_events.clear();
  QTest::mouseClick(SubButton(3), Qt::LeftButton, {}, QPoint(20, 10));
  EXPECT_TRUE(g_events.empty());
}

TEST_F(Form1Test, BarPressActsAsEnterAndEscPanelAsEsc) {
  ChooseLine();
  QWidget* bar = Find<QWidget>("Pv_Top");
  QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(bar->width() - 10, bar->height() / 2));
  EXPECT_EQ(Codes(), std::vector<int>{EV_ENTER});

  g_events.clear();
  QTest::mousePress(Find<QWidget>("PvEsc"), Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(Codes(), std::vector<int>{EV_ESC});

  // A press on one of the bar's controls is not a press on the bar.
  g_events.clear();
  QWidget* open = Find<QWidget>("BtnOpen1");
  QTest::mousePress(bar, Qt::LeftButton, {}, open->mapTo(bar, QPoint(3, 3)));
  EXPECT_TRUE(g_events.empty());
}

TEST_F(Form1Test, DrawingAreaForwardsButtonsModifiersAndPixels) {
  ChooseLine();
  TPaintBox* box = form_->paintBox();
  EXPECT_EQ(g_form1.drawWidth, box->width());
  EXPECT_EQ(g_form1.drawHeight, box->height());

  QTest::mousePress(box, Qt::RightButton, Qt::ShiftModifier, QPoint(100, 50));
  ASSERT_FALSE(g_events.empty());
  EXPECT_EQ(g_events.front().code, EV_RDOWN);
  EXPECT_EQ(g_events.front().x, 100);
  EXPECT_EQ(g_events.front().y, 50);
  EXPECT_EQ(g_manager.rightPressPos.x, 100);
  EXPECT_EQ(g_manager.rightPressPos.y, 50);
  EXPECT_EQ(g_manager.shiftAtClick & (ssShift | ssRight | ssLeft | ssCtrl), ssShift | ssRight);
  g_events.clear();
  QTest::mouseRelease(box, Qt::RightButton, Qt::ShiftModifier, QPoint(103, 52));
  EXPECT_EQ(g_events.front().code, EV_RCLICK);

  g_events.clear();
  QTest::mouseClick(box, Qt::LeftButton, Qt::ControlModifier, QPoint(200, 120));
  EXPECT_EQ(Codes().front(), EV_LDOWN);
  EXPECT_NE(std::find(Codes().begin(), Codes().end(), EV_LCLICK), Codes().end());
  EXPECT_EQ(g_manager.leftPressPos.x, 200);
  EXPECT_EQ(g_manager.leftPressPos.y, 120);
  EXPECT_TRUE(g_manager.shiftAtClick & ssCtrl);
}

TEST_F(Form1Test, EntryBoxOpensWithFocusAndHistoryBesideIt) {
  THistrylist& h = *HistoryList(5);
  HistoryPush(h, "2");
  HistoryPush(h, "1");
  HistoryPush(h, S("ＡＢＣＤ"));
  ChooseLineWithEntry();
  QTest::mouseClick(SubButton(1), Qt::LeftButton, {}, QPoint(20, 10));

  QLineEdit* ed = Find<QLineEdit>("edCommon");
  QWidget* panel = Find<QWidget>("PvEdit");
  QLabel* hist = Find<QLabel>("lbComHst");
  EXPECT_TRUE(ed->isVisible());
  EXPECT_TRUE(ed->hasFocus());
  EXPECT_EQ(panel->width(), 160);
  EXPECT_EQ(Background(panel), QColor(0xFF, 0xBB, 0xBB));
  EXPECT_FALSE(Find<QWidget>("PvBtns")->isVisible());
  EXPECT_EQ(Find<QLabel>("lbGuid1")->text(), Q(" 長さを入力 "));
  EXPECT_TRUE(hist->isVisible());
  EXPECT_EQ(hist->text(), Q("  ＡＢＣＤ  1  2"));
  EXPECT_EQ(hist->x(), panel->x() + 164);
}

TEST_F(Form1Test, HistoryPickTakesTheEntryUnderThePointer) {
  THistrylist& h = *HistoryList(5);
  HistoryPush(h, "2");
  HistoryPush(h, "1");
  HistoryPush(h, S("ＡＢＣＤ"));
  ChooseLineWithEntry();
  QTest::mouseClick(SubButton(1), Qt::LeftButton, {}, QPoint(20, 10));
  QLabel* hist = Find<QLabel>("lbComHst");
  QLineEdit* ed = Find<QLineEdit>("edCommon");
  const QFontMetrics fm = hist->fontMetrics();
  const int y = hist->height() / 2;
  // The middle of a character: its left edge plus half its width.
  auto middleOf = [&](const char* before, const char* ch) {
    return hist->contentsRect().left() + fm.horizontalAdvance(Q(before)) + fm.horizontalAdvance(Q(ch)) / 2;
  };

  // Full-width characters take two bytes each: the last entry lies further
  // right in bytes than in characters.
  QTest::mousePress(hist, Qt::LeftButton, {}, QPoint(middleOf("  ＡＢＣＤ  1  ", "2"), y));
  EXPECT_EQ(ed->text(), Q("2"));
  EXPECT_EQ(g_form1.edCommon.text, "2");

  QTest::mousePress(hist, Qt::LeftButton, {}, QPoint(middleOf("  ＡＢ", "Ｃ"), y));
  EXPECT_EQ(ed->text(), Q("ＡＢＣＤ"));
  EXPECT_TRUE(g_events.empty() || g_events.back().code != EV_ENTER);

  // The entry already in the box: the pick confirms it.
  g_events.clear();
  QTest::mousePress(hist, Qt::LeftButton, {}, QPoint(middleOf("  Ａ", "Ｂ"), y));
  EXPECT_EQ(Codes(), std::vector<int>{EV_ENTER});
  EXPECT_EQ(SubCaption(1), Q("①長さ=ＡＢＣＤ"));
}

TEST_F(Form1Test, TypingGoesToTheCoreAndEnterConfirmsIt) {
  ChooseLineWithEntry();
  QTest::mouseClick(SubButton(1), Qt::LeftButton, {}, QPoint(20, 10));
  QLineEdit* ed = Find<QLineEdit>("edCommon");
  ASSERT_TRUE(ed->hasFocus());
  QTest::keyClicks(ed, "123");
  EXPECT_EQ(g_form1.edCommon.text, "123");
  // The caret stays where the user put it while the core echoes the text.
  ed->setCursorPosition(1);
  QTest::keyClicks(ed, "98");
  EXPECT_EQ(ed->text(), Q("19823"));
  EXPECT_EQ(g_form1.edCommon.text, "19823");

  g_events.clear();
  QTest::keyClick(ed, Qt::Key_Return);
  EXPECT_EQ(Codes(), std::vector<int>{EV_ENTER});
  EXPECT_EQ(HistoryList(5)->entries[1], "19823");
  EXPECT_FALSE(ed->isVisible());
  EXPECT_FALSE(Find<QLabel>("lbComHst")->isVisible());
  EXPECT_TRUE(Find<QWidget>("PvBtns")->isVisible());
  EXPECT_EQ(SubCaption(1), Q("①長さ=19823"));
  EXPECT_EQ(Background(SubButton(1)), QColor(0xFF, 0xDD, 0xBB));
}

TEST_F(Form1Test, UpAndDownBrowseTheHistoryAndEscCancels) {
  THistrylist& h = *HistoryList(5);
  HistoryPush(h, "30");
  HistoryPush(h, "45");
  ChooseLineWithEntry();
  QTest::mouseClick(SubButton(1), Qt::LeftButton, {}, QPoint(20, 10));
  QLineEdit* ed = Find<QLineEdit>("edCommon");
  ASSERT_TRUE(ed->hasFocus());
  QTest::keyClick(ed, Qt::Key_Up);
  EXPECT_EQ(ed->text(), Q("45"));
  QTest::keyClick(ed, Qt::Key_Up);
  EXPECT_EQ(ed->text(), Q("30"));
  QTest::keyClick(ed, Qt::Key_Down);
  EXPECT_EQ(ed->text(), Q("45"));
  EXPECT_EQ(g_form1.edCommon.text, "45");

  g_events.clear();
  QTest::keyClick(ed, Qt::Key_Escape);
  EXPECT_EQ(Codes().front(), EV_ESC);
  EXPECT_EQ(ed->text(), Q("45"));  // Esc is not typed into the box
  EXPECT_FALSE(ed->hasFocus());
}

TEST_F(Form1Test, OffsetModePanelStepsTheModeAndTypedDigitsStayInTheBox) {
  QWidget* panel = Find<QWidget>("OffsetMode");
  EXPECT_FALSE(panel->isVisible());
  double dx = -1;
  g_behaviour = [&dx](int code) {
    if (code == EV_START) SetOffsetAllow(true, false);
    if (code == EV_LCLICK) dx = OffsetDx();
  };
  ChooseLine();
  ASSERT_TRUE(panel->isVisible());
  EXPECT_EQ(Find<QLabel>("OffsetModeLabel")->text(), Q("ｵﾌｾｯﾄ"));
  EXPECT_EQ(Background(panel), QColor(128, 128, 128));
  QTest::mouseClick(panel, Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(Background(panel), QColor(0, 255, 255));
  QTest::mouseClick(panel, Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(Background(panel), QColor(255, 255, 0));
  QTest::mouseClick(panel, Qt::LeftButton, {}, QPoint(10, 10));
  QTest::mouseClick(panel, Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(CurPVC().offsetMode, OFFSET_ONCE);

  QTest::mouseClick(form_->paintBox(), Qt::LeftButton, {}, QPoint(200, 150));
  QLineEdit* ed = Find<QLineEdit>("edCommon");
  ASSERT_TRUE(ed->hasFocus());
  EXPECT_EQ(Find<QLabel>("lbGuid1")->text(), Q(" オフセット(X,Y) "));
  g_events.clear();
  QTest::keyClicks(ed, QStringLiteral("25,10"));
  EXPECT_EQ(ed->text(), Q("25,10"));
  for (int c : Codes()) EXPECT_TRUE(c < EV_DIGIT0 || c > EV_DIGIT9) << c;
  QTest::keyClick(ed, Qt::Key_Return);
  EXPECT_GT(dx, 0);
  EXPECT_FALSE(ed->isVisible());
  EXPECT_EQ(Background(panel), QColor(128, 128, 128));
}

TEST_F(Form1Test, CompactScreenHasNoBorderNoViewButtonsNoPointerBoxAndAThinBottomBar) {
  EXPECT_TRUE(Find<QWidget>("Pn_View")->isVisible());
  EXPECT_TRUE(Find<QWidget>("pnMouse")->isVisible());
  EXPECT_GT(Find<QWidget>("PnlBottom")->height(), 3);
  form_.reset();
  CheckCompactScreen(kCompactScreenHeight);
  form_ = std::make_unique<TForm1>();
  form_->resize(640, 480);
  form_->show();
  EXPECT_TRUE(form_->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_FALSE(Find<QWidget>("Pn_View")->isVisible());
  EXPECT_FALSE(Find<QWidget>("pnMouse")->isVisible());
  EXPECT_EQ(Find<QWidget>("PnlBottom")->height(), 3);
}

}  // namespace

namespace {

// Text input's panel: typing (or an input method's commit) reaches the
// core's field; a character Shift-JIS cannot hold is refused with a
// message and the field keeps what it had; the caret follows into the core.
TEST_F(Form1Test, TextPanelTakesTypingAndRefusesWhatShiftJisCannotHold) {
  QTest::mouseClick(form_->speedButton(OpBtn_Moji), Qt::LeftButton);
  ASSERT_EQ(CurOpButton(), OpBtn_Moji);
  auto* field = Find<QComboBox>("EbMojiT");
  ASSERT_NE(field, nullptr);
  EXPECT_TRUE(field->isVisible());
  QInputMethodEvent commit;
  commit.setCommitString(Q("図面"));
  QCoreApplication::sendEvent(field->lineEdit(), &commit);
  EXPECT_EQ(g_form1.EbMojiT.text, S("図面"));
  form_->MojiEdited(TEditField::EbMojiT, Q("図面\U0001F600"));
  EXPECT_EQ(g_form1.EbMojiT.text, S("図面"));
  ASSERT_FALSE(platform().messages().empty());
  EXPECT_EQ(platform().messages().back().text, S("Shift-JIS にない文字は入力できません。"));
  EXPECT_EQ(field->lineEdit()->text(), Q("図面"));
  field->lineEdit()->setCursorPosition(1);
  EXPECT_EQ(g_form1.EbMojiT.selStart, 2) << "one full-width character: two bytes";
  auto* angle = Find<QComboBox>("EbMojiA");
  ASSERT_NE(angle, nullptr);
  EXPECT_FALSE(angle->lineEdit()->testAttribute(Qt::WA_InputMethodEnabled)) << "angles take no input method";
}

}  // namespace
