// The group and layer panels on the main window: the widgets show the
// core's panel state, and presses on them reach the core.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <memory>

#include "VelmoTest.h"
#include "app/ApGrpLay.h"
#include "kernel/SjisConv.h"
#include "model/PVC.h"
#include "platform/qt/TForm1.h"

namespace {

QString Q(const char* utf8) { return QString::fromUtf8(utf8); }
QColor Rgb(std::uint32_t rgb) { return QColor(static_cast<int>(rgb >> 16), (rgb >> 8) & 255, rgb & 255); }

class LayerPanelsTest : public VelmoTest {
protected:
  void SetUp() override {
    VelmoTest::SetUp();
    form_ = std::make_unique<TForm1>();
    form_->resize(1280, 800);
    form_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
  }
  void TearDown() override {
    form_.reset();
    VelmoTest::TearDown();
  }
  QLabel* Find(const QString& name) {
    auto* w = form_->findChild<QLabel*>(name);
    EXPECT_NE(w, nullptr) << name.toStdString();
    return w;
  }
  static QColor Background(QWidget* w) { return w->palette().color(QPalette::Window); }

  std::unique_ptr<TForm1> form_;
};

TEST_F(LayerPanelsTest, ButtonsShowTheCoresCaptionsAndColours) {
  QLabel* g0 = Find(QStringLiteral("PnlGrp0"));
  QLabel* gF = Find(QStringLiteral("PnlGrp15"));
  ASSERT_TRUE(g0 && gF);
  EXPECT_EQ(g0->text(), Q("0"));
  EXPECT_EQ(gF->text(), Q("F"));
  EXPECT_EQ(Background(g0), Rgb(clPanelYellow));  // the write group
  EXPECT_EQ(Background(gF), Rgb(clGroupShown));
  EXPECT_EQ(gF->toolTip(), Q("Ｌで表示/非表示の切替、Ｒで書込指定"));
  EXPECT_TRUE(g0->isVisible());
  EXPECT_EQ(Find(QStringLiteral("lbScale"))->text(), Q("S=1/100"));
  EXPECT_EQ(Find(QStringLiteral("PnlLayLbl"))->text(), Q("ﾚｲﾔｰ"));
  EXPECT_EQ(Find(QStringLiteral("BtnLayerSyncChange"))->text(), Q("一括"));
  EXPECT_EQ(Background(Find(QStringLiteral("DspLine"))), Rgb(clDspOn));
  EXPECT_EQ(Find(QStringLiteral("FixZoom"))->palette().color(QPalette::WindowText), Rgb(clFixZoomOff));

  // A change made in the core shows at the next refresh.
  CurPVC().groups[2].name = Utf8ToSjis("一階");
  GroupPanelPress(15, ssLeft);
  GroupPanelPress(2, ssRight);
  form_->SyncFromCore();
  EXPECT_EQ(Background(gF), Rgb(clGroupHidden));
  EXPECT_EQ(Background(Find(QStringLiteral("PnlGrp2"))), Rgb(clPanelYellow));
  EXPECT_EQ(Background(g0), Rgb(clGroupShown));
  EXPECT_EQ(Find(QStringLiteral("PnlGrpNam"))->text(), Q("一階"));
}

TEST_F(LayerPanelsTest, GroupsInOneRowLayersInTwoColumnsSwitchesInOneColumn) {
  const auto at = [this](const QString& name) {
    QLabel* w = Find(name);
    return w ? w->mapTo(form_.get(), QPoint(0, 0)) : QPoint(-1, -1);
  };
  for (int k = 1; k < 16; ++k) {
    EXPECT_EQ(at(QStringLiteral("PnlGrp%1").arg(k)).y(), at(QStringLiteral("PnlGrp0")).y()) << k;
    EXPECT_GT(at(QStringLiteral("PnlGrp%1").arg(k)).x(), at(QStringLiteral("PnlGrp%1").arg(k - 1)).x()) << k;
  }
  for (int j = 0; j < 16; ++j) {
    const QPoint p = at(QStringLiteral("PnlLay%1").arg(j)), top = at(QStringLiteral("PnlLay%1").arg(j / 8 * 8));
    EXPECT_EQ(p.x(), top.x()) << j;
    if (j % 8) {
      EXPECT_GT(p.y(), at(QStringLiteral("PnlLay%1").arg(j - 1)).y()) << j;
    }
  }
  EXPECT_GT(at(QStringLiteral("PnlLay8")).x(), at(QStringLiteral("PnlLay0")).x());
  // In the order 表示 点 線 文字 塗面 画像 補助 方眼.
  const char* const dsp[] = {"DspMode",    "DspPoint",   "DspLine",   "DspMoji",
                             "DspPolygon", "DspPicture", "DspAssist", "DspGrid"};
  for (int i = 1; i < 8; ++i) {
    const QPoint p = at(QString::fromLatin1(dsp[i])), prev = at(QString::fromLatin1(dsp[i - 1]));
    EXPECT_EQ(p.x(), prev.x()) << dsp[i];
    EXPECT_GT(p.y(), prev.y()) << dsp[i];
  }
  EXPECT_EQ(Find(QStringLiteral("DspPoint"))->text(), Q("点"));
}

TEST_F(LayerPanelsTest, PressesOnLayerButtonsReachTheCore) {
  QLabel* l5 = Find(QStringLiteral("PnlLay5"));
  QLabel* l9 = Find(QStringLiteral("PnlLay9"));
  ASSERT_TRUE(l5 && l9);
  EXPECT_EQ(l9->text(), Q("9"));
  // The right button makes it the write layer.
  QTest::mousePress(l5, Qt::RightButton);
  QTest::mouseRelease(l5, Qt::RightButton);
  EXPECT_EQ(CurPVC().writeLayer, 0x05);
  EXPECT_EQ(Background(l5), Rgb(clPanelYellow));
  EXPECT_EQ(Background(Find(QStringLiteral("PnlLay0"))), Rgb(clLayerShown));
  // The left button hides another layer.
  QTest::mouseClick(l9, Qt::LeftButton);
  EXPECT_FALSE(CurPVC().groups[0].layers[9].visible);
  EXPECT_EQ(Background(l9), Rgb(clLayerHidden));
  // A group button with the right button changes the write group.
  QTest::mouseClick(Find(QStringLiteral("PnlGrp4")), Qt::RightButton);
  EXPECT_EQ(CurPVC().writeLayer, 0x40);
  EXPECT_EQ(Background(l5), Rgb(clLayerShown));  // the layers of group 4 now
  EXPECT_EQ(Background(Find(QStringLiteral("PnlLay0"))), Rgb(clPanelYellow));
}

TEST_F(LayerPanelsTest, SwitchesRangeMemoryAndPensReachTheCore) {
  QLabel* line = Find(QStringLiteral("DspLine"));
  ASSERT_TRUE(line);
  QTest::mouseClick(line, Qt::LeftButton);
  EXPECT_FALSE(CurPVC().show.lines);
  EXPECT_EQ(Background(line), Rgb(clPanelGrey));
  QTest::mouseClick(Find(QStringLiteral("FixZoom")), Qt::LeftButton);
  EXPECT_TRUE(CurPVC().rangeRemembered);
  EXPECT_EQ(Find(QStringLiteral("FixZoom"))->palette().color(QPalette::WindowText), Rgb(clPanelYellow));

  QLabel* presetC = Find(QStringLiteral("ImPenHst3"));
  ASSERT_TRUE(presetC);
  EXPECT_EQ(presetC->toolTip(), Q("クイックペン変更"));
  QTest::mouseClick(presetC, Qt::LeftButton);
  EXPECT_EQ(CurPVC().writePen, 0x25);
  // The write pen's menu registers it as a preset.
  auto* menu = form_->findChild<QMenu*>(QStringLiteral("PenHistMenu"));
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(menu->actions().size(), 5);
  EXPECT_EQ(menu->actions()[0]->text(), Q("[ A ] に登録"));
  QTest::mouseClick(Find(QStringLiteral("ImagePen")), Qt::RightButton);
  EXPECT_TRUE(menu->isVisible());
  menu->actions()[4]->trigger();
  menu->hide();
  EXPECT_EQ(CurPVC().penPresets[5], 0x25);
}

}  // namespace
