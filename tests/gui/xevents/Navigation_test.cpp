// The main window on a real X server (xvfb-run), driven by real X pointer
// events from xdotool: a zoom box made with both buttons and a wheel notch
// change the view as the core's rules say.
#include <gtest/gtest.h>

#include <QApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <cmath>
#include <functional>
#include <memory>

#include "VelmoTest.h"
#include "app/ApMouse.h"
#include "app/Ap_Unit1.h"
#include "app/GC_View.h"
#include "model/GC_DB.h"
#include "platform/qt/TForm1.h"
#include "render/Z_Graph.h"

namespace {

class XNavigationTest : public VelmoTest {
protected:
  void SetUp() override {
    VelmoTest::SetUp();
    if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "needs an X server";
    ASSERT_FALSE(QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        << "xdotool is missing (Debian package xdotool; scripts/install-deps.sh installs it)";
    GcellAddLine(0, 0x11, 0, 0, 8000, 6000);
    GcellAddLine(0, 0x11, 0, 6000, 8000, 0);
    form_ = std::make_unique<TForm1>();
    form_->resize(1100, 800);
    form_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
    ASSERT_TRUE(QTest::qWaitFor([this] { return form_->paintBox()->painted(); }, 5000));
    QTest::qWait(100);
  }
  void TearDown() override {
    form_.reset();
    VelmoTest::TearDown();
  }

  // Runs xdotool with the pointer positions given in drawing-area pixels
  // (written "@x,y" in args) while the event loop goes on, then lets the
  // window take the events until done() (a loaded machine may lag).
  void Xdotool(const QStringList& steps, const std::function<bool()>& done) {
    const QPoint origin = form_->paintBox()->mapTo(form_.get(), QPoint(0, 0));
    const QString window = QString::number(form_->winId());
    QStringList args;
    for (const QString& s : steps) {
      if (s.startsWith(u'@')) {
        const QStringList xy = s.mid(1).split(u',');
        args << QStringLiteral("mousemove") << QStringLiteral("--window") << window
             << QString::number(origin.x() + xy[0].toInt()) << QString::number(origin.y() + xy[1].toInt())
             << QStringLiteral("sleep") << QStringLiteral("0.05");
      } else {
        args << s.split(u' ');
      }
    }
    QProcess xdo;
    xdo.start(QStringLiteral("xdotool"), args);
    ASSERT_TRUE(xdo.waitForStarted(5000));
    ASSERT_TRUE(QTest::qWaitFor([&xdo] { return xdo.state() == QProcess::NotRunning; }, 15000));
    ASSERT_EQ(xdo.exitCode(), 0) << xdo.readAllStandardError().toStdString();
    EXPECT_TRUE(QTest::qWaitFor(done, 5000)) << "the window took the events";
    QTest::qWait(50);
  }

  static TPointD WorldAt(double px, double py) {
    TPointD p;
    G_ToWorld(CurrentView(), px, py, p.x, p.y);
    return p;
  }

  std::unique_ptr<TForm1> form_;
};

TEST_F(XNavigationTest, ZoomBoxAndWheelNotch) {
  const TPointD a = WorldAt(100, 100), b = WorldAt(400, 250);
  const double fitted = CurrentView().wx2 - CurrentView().wx1;
  Xdotool({QStringLiteral("@100,100"), QStringLiteral("mousedown 1"), QStringLiteral("sleep 0.05"),
           QStringLiteral("mousedown 3"), QStringLiteral("sleep 0.05"), QStringLiteral("@250,180"),
           QStringLiteral("@400,250"), QStringLiteral("mouseup 1"), QStringLiteral("sleep 0.05"),
           QStringLiteral("mouseup 3")},
          [fitted] {
            return !g_manager.leftHeld && !g_manager.rightHeld && g_mouseNav.DragMode == dmNone &&
                   CurrentView().wx2 - CurrentView().wx1 < fitted;
          });
  EXPECT_EQ(g_mouseNav.DragMode, dmNone);
  EXPECT_FALSE(g_form1.pointerConfined);
  EXPECT_FALSE(g_manager.leftHeld || g_manager.rightHeld);
  EXPECT_EQ(g_mouseNav.ZoomBoxAction, zbZoomBox);
  // The box is the view (widened to the area's shape along one axis).
  const TGContext& v = CurrentView();
  const bool alongX = std::fabs(v.wx1 - a.x) < 1e-6;
  EXPECT_TRUE(alongX || std::fabs(v.wy2 - a.y) < 1e-6) << v.wx1 << " " << a.x << " " << v.wy2 << " " << a.y;
  EXPECT_LE(v.wx1, a.x + 1e-6);
  EXPECT_GE(v.wx2, b.x - 1e-6);
  EXPECT_LE(v.wy1, b.y + 1e-6);
  EXPECT_GE(v.wy2, a.y - 1e-6);
  EXPECT_NEAR(v.wcx, (a.x + b.x) / 2, 1e-6);

  // One notch forward: 80% of the width, the point under the pointer stays.
  const double width = v.wx2 - v.wx1;
  const TPointD p = WorldAt(300, 200);
  Xdotool({QStringLiteral("@300,200"), QStringLiteral("click 4")},
          [width] { return CurrentView().wx2 - CurrentView().wx1 < width * 0.9; });
  EXPECT_NEAR(CurrentView().wx2 - CurrentView().wx1, width * 0.8, width * 1e-9);
  const TPointD q = WorldAt(300, 200);
  EXPECT_NEAR(q.x, p.x, width * 1e-9);
  EXPECT_NEAR(q.y, p.y, width * 1e-9);
}

}  // namespace
