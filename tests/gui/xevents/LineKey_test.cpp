// One-stroke drawing's command window on a real X server: what xdotool
// types goes to its command field, a letter never starts an operation of
// the main window, Enter draws the typed displacement.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <functional>
#include <memory>

#include "VelmoTest.h"
#include "app/ApMainMenu.h"
#include "app/ApManager.h"
#include "model/GC_DB.h"
#include "ops/Op_LineKey.h"
#include "platform/qt/QtLineKeyWindow.h"
#include "platform/qt/QtPlatform.h"
#include "platform/qt/TForm1.h"

namespace {

class XLineKeyTest : public VelmoTest {
protected:
  void SetUp() override {
    VelmoTest::SetUp();
    if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "needs an X server";
    ASSERT_FALSE(QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        << "xdotool is missing (Debian package xdotool; scripts/install-deps.sh installs it)";
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

TEST_F(XLineKeyTest, KeysGoToTheCommandFieldOnly) {
  MenuItemCommand("OpBtn_LineKey");
  form_->SyncFromCore();
  auto* window = form_->findChild<TLineKeyWindow*>();
  ASSERT_TRUE(window && window->isVisible());
  auto* field = window->findChild<QLineEdit*>(QStringLiteral("CmdEdit1"));
  ASSERT_TRUE(field);
  ASSERT_TRUE(QTest::qWaitFor([field] { return field->hasFocus(); }, 5000));
  // Letters that are the main window's commands (line, circle) are typed.
  Xdo({"type", "--delay", "30", "le"}, [] { return g_lineKeyOp.form.CmdEdit1 == "le"; });
  EXPECT_EQ(CurOpButton(), OpBtn_LineKey);
  Xdo({"key", "ctrl+a", "BackSpace"}, [] { return g_lineKeyOp.form.CmdEdit1.empty(); });
  Xdo({"type", "--delay", "30", "100"}, [] { return g_lineKeyOp.form.CmdEdit1 == "100"; });
  const int lines = StoreUsed();
  Xdo({"key", "Return"}, [] { return g_lineKeyOp.form.LbBakCmd == "100"; });
  EXPECT_EQ(StoreUsed(), lines + 1);
  EXPECT_EQ(CurOpButton(), OpBtn_LineKey);
  // Esc takes the line back and leaves the operation running.
  Xdo({"key", "Escape"}, [] { return GcellLive(1) == false; });
  EXPECT_EQ(CurOpButton(), OpBtn_LineKey);
}

}  // namespace
