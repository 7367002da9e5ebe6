// The main window on a real X server (xvfb-run), typed at by xdotool: the
// keys the X server sends, auto-repeats included, reach the core's key
// routing as the virtual-key codes it expects.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "VelmoTest.h"
#include "app/ApManager.h"
#include "app/Ap_Unit1.h"
#include "app/GC_View.h"
#include "model/ComHst.h"
#include "platform/qt/QtKeyPreview.h"
#include "platform/qt/QtPlatform.h"
#include "platform/qt/TForm1.h"
#include "render/Z_Graph.h"

namespace {

std::vector<int> g_codes;

// Records every code but the moves; ① asks for a length.
void LengthOp(TGContext&, int code, double, double) {
  if (code != EV_MOVE) g_codes.push_back(code);
  if (code == EV_START) SetSubBtn("\x87\x40", true);  // ①
  if (code == EV_SUB1) EntryOpen(1, "", HistoryList(10));
  if ((code == EV_ENTER || code == EV_ESC) && EntryIsOpen()) EntryClose();
}

class XKeysTest : public VelmoTest {
protected:
  void SetUp() override {
    VelmoTest::SetUp();
    if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "needs an X server";
    ASSERT_FALSE(QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        << "xdotool is missing (Debian package xdotool; scripts/install-deps.sh installs it)";
    g_codes.clear();
    for (TOpButton b : {OpBtn_Line, OpBtn_Circle, OpBtn_Moji}) SetOpHandler(b, LengthOp);
    // The arrows are asked of the X server's keys as Qt reported them.
    SetPlatform(&qt_);
    form_ = std::make_unique<TForm1>();
    form_->resize(1100, 800);
    form_->show();
    form_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
    ASSERT_TRUE(QTest::qWaitFor([this] { return form_->paintBox()->painted(); }, 5000));
  }
  void TearDown() override {
    form_.reset();
    SetPlatform(&Headless());
    VelmoTest::TearDown();
  }

  // Runs xdotool while the event loop goes on, then lets the window take
  // the events until done() (a loaded machine may lag).
  void Xdo(const QStringList& args, const std::function<bool()>& done) {
    QProcess xdo;
    xdo.start(QStringLiteral("xdotool"), args);
    ASSERT_TRUE(xdo.waitForStarted(5000));
    ASSERT_TRUE(QTest::qWaitFor([&xdo] { return xdo.state() == QProcess::NotRunning; }, 15000));
    ASSERT_EQ(xdo.exitCode(), 0) << xdo.readAllStandardError().toStdString();
    EXPECT_TRUE(QTest::qWaitFor(done, 5000)) << "the window took the keys";
    QTest::qWait(50);
  }

  QtPlatform qt_;
  std::unique_ptr<TForm1> form_;
};

TEST_F(XKeysTest, LettersFunctionKeysAndKeypadDigits) {
  Xdo({"key", "e"}, [] { return CurOpButton() == OpBtn_Circle; });
  EXPECT_EQ(CurOpButton(), OpBtn_Circle);
  g_codes.clear();
  Xdo({"key", "KP_3"}, [] { return !g_codes.empty(); });
  EXPECT_EQ(g_codes, std::vector<int>{EV_SUB1 + 2});
  Xdo({"key", "F2"}, [] { return CurOpButton() == OpBtn_Moji; });
  EXPECT_EQ(CurOpButton(), OpBtn_Moji);
}

TEST_F(XKeysTest, TypedValueStaysInTheEntryBox) {
  Xdo({"key", "x"}, [] { return CurOpButton() == OpBtn_Line; });
  OpSubMenuClick(1);
  form_->SyncFromCore();
  auto* ed = form_->findChild<QLineEdit*>(QStringLiteral("edCommon"));
  ASSERT_TRUE(ed && ed->hasFocus());
  Xdo({"type", "--delay", "30", "1.5E+3"}, [] { return g_form1.edCommon.text.size() >= 6; });
  EXPECT_EQ(g_form1.edCommon.text, "1.5E+3");
  EXPECT_EQ(CurOpButton(), OpBtn_Line);
  g_codes.clear();
  Xdo({"key", "Return"}, [] { return !EntryIsOpen(); });
  EXPECT_EQ(g_codes.back(), EV_ENTER);
  EXPECT_EQ(HistoryList(10)->entries[1], "1.5E+3");
}

TEST_F(XKeysTest, HeldArrowScrollsUntilReleased) {
  const double left = CurrentView().wx1, w = CurrentView().wx2 - CurrentView().wx1;
  // Held past the X server's auto-repeat delay: several steps of an eighth.
  Xdo({"keydown", "Left", "sleep", "1", "keyup", "Left"}, [] { return !QtKeyHeld(37); });
  const double moved = left - CurrentView().wx1;
  EXPECT_GE(moved, w / 8 * 2 - w * 1e-9);
  EXPECT_NEAR(moved / (w / 8), std::round(moved / (w / 8)), 1e-6);
  EXPECT_FALSE(qt_.IsKeyDown(PhysKey::Left));
  // Nothing more once the key is up.
  QTest::qWait(200);
  EXPECT_DOUBLE_EQ(left - CurrentView().wx1, moved);

  // With Ctrl held on the keyboard: one pixel, and in full once released.
  // (Held for a while: a press handled after the release does nothing.)
  const double before = CurrentView().wx1, pixel = G_PixelSize(CurrentView());
  // Both keys are read from the server when Left arrives: held on past it,
  // as a hand does (short of the auto-repeat delay).
  Xdo({"keydown", "ctrl+Left", "sleep", "0.5", "keyup", "ctrl+Left"},
      [before] { return CurrentView().wx1 != before && !g_viewBuffer.lastRedrawFast; });
  EXPECT_NEAR(before - CurrentView().wx1, pixel * 0.9999, pixel * 1e-6);
  EXPECT_FALSE(g_viewBuffer.lastRedrawFast);
}

// Counts the presses of Left that reach the widget with the focus.
class LeftPresses : public QObject {
public:
  explicit LeftPresses(QWidget* window) : window_(window) { qApp->installEventFilter(this); }
  ~LeftPresses() override { qApp->removeEventFilter(this); }
  int count = 0;

protected:
  bool eventFilter(QObject* obj, QEvent* e) override {
    QWidget* target = QApplication::focusWidget();
    if (e->type() == QEvent::KeyPress && obj == (target ? target : window_) &&
        static_cast<QKeyEvent*>(e)->key() == Qt::Key_Left)
      ++count;
    return false;
  }

private:
  QWidget* window_;
};

TEST_F(XKeysTest, RepeatsQueuedWhileBusyDoNothingOnceTheKeyIsUp) {
  const double left = CurrentView().wx1;
  LeftPresses presses(form_.get());
  // The window is busy (its event loop waits for xdotool) while Left is held
  // past the auto-repeat delay and released: the press and its repeats are
  // still queued when the key is already up.
  QProcess xdo;
  xdo.start(QStringLiteral("xdotool"), {"keydown", "Left", "sleep", "1", "keyup", "Left"});
  ASSERT_TRUE(xdo.waitForFinished(15000));
  ASSERT_EQ(xdo.exitCode(), 0) << xdo.readAllStandardError().toStdString();
  EXPECT_TRUE(QTest::qWaitFor([&presses] { return presses.count >= 3; }, 5000)) << "the repeats arrived";
  QTest::qWait(200);
  EXPECT_DOUBLE_EQ(CurrentView().wx1, left) << presses.count << " presses";
}

}  // namespace
