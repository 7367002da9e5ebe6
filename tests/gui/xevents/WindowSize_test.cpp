// The window size on a real X server: asking for a drawing area of 640 × 480
// gives exactly that many pixels, and the core hears of the new size.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <memory>

#include "VelmoTest.h"
#include "app/Ap_Unit1.h"
#include "platform/qt/QtPlatform.h"
#include "platform/qt/TForm1.h"

namespace {

class XWindowSizeTest : public VelmoTest {};

TEST_F(XWindowSizeTest, TheDrawingAreaTakesTheSizeAsked) {
  if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "needs an X server";
  QtPlatform qt;
  SetPlatform(&qt);
  {
    auto form = std::make_unique<TForm1>();
    qt.SetMainWindow(form.get());
    form->resize(1100, 800);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    for (auto [w, h] : {std::pair{640, 480}, std::pair{800, 600}, std::pair{480, 640}}) {
      ASSERT_TRUE(qt.SetDrawingAreaSize(w, h, false));
      EXPECT_TRUE(QTest::qWaitFor([&] { return form->paintBox()->width() == w && form->paintBox()->height() == h; }, 3000))
          << form->paintBox()->width() << " x " << form->paintBox()->height();
      EXPECT_EQ(g_form1.drawWidth, w);
      EXPECT_EQ(g_form1.drawHeight, h);
    }
  }
  SetPlatform(&Headless());
}

}  // namespace
