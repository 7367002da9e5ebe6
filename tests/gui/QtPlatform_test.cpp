// The Qt platform services and the conversions at the Qt boundary.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QTest>

#include "kernel/SjisConv.h"
#include "platform/qt/QtConvert.h"
#include "platform/qt/QtPlatform.h"

namespace {

std::string S(const char* utf8) { return Utf8ToSjis(utf8); }
QString Q(const char* utf8) { return QString::fromUtf8(utf8); }

TEST(QtConvertTest, FilterPairsBecomeQtFilters) {
  const QStringList f = FilterToQt(S("図面ファイル|*.vld;*.VLD|すべて|*"));
  ASSERT_EQ(f.size(), 2);
  EXPECT_EQ(f[0], Q("図面ファイル (*.vld *.VLD)"));
  EXPECT_EQ(f[1], Q("すべて (*)"));
  EXPECT_TRUE(FilterToQt("").isEmpty());
}

TEST(QtConvertTest, ImagesKeepEveryChannelBothWays) {
  TRasterImage img;
  img.width = 3;
  img.height = 2;
  img.pixels = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0x80123456u, 0x00000000u, 0xFFFFFFFFu};
  const QImage q = ToQImage(img);
  ASSERT_EQ(q.size(), QSize(3, 2));
  EXPECT_EQ(q.pixel(0, 0), 0xFFFF0000u);  // red
  EXPECT_EQ(q.pixel(2, 0), 0xFF0000FFu);  // blue
  EXPECT_EQ(q.pixel(0, 1), 0x80123456u);  // alpha kept, not premultiplied
  const TRasterImage back = FromQImage(q);
  EXPECT_EQ(back.width, 3);
  EXPECT_EQ(back.height, 2);
  EXPECT_EQ(back.pixels, img.pixels);
  // Any format comes back as 0xAARRGGBB words.
  QImage rgb(1, 1, QImage::Format_RGB888);
  rgb.setPixel(0, 0, qRgb(1, 2, 3));
  EXPECT_EQ(FromQImage(rgb).pixels, std::vector<std::uint32_t>{0xFF010203u});
}

TEST(QtConvertTest, ByteIndexCountsTwoBytesForFullWidthCharacters) {
  QFont f(QStringLiteral("IPAGothic"));
  f.setPixelSize(16);
  const QFontMetrics fm(f);
  const std::string text = S("aＢc");  // bytes: a 0, Ｂ 1-2, c 3
  const int a = fm.horizontalAdvance(Q("a"));
  const int ab = fm.horizontalAdvance(Q("aＢ"));
  const int abc = fm.horizontalAdvance(Q("aＢc"));
  EXPECT_EQ(ByteIndexAt(text, fm, a / 2), 0);
  EXPECT_EQ(ByteIndexAt(text, fm, (a + ab) / 2), 1);
  EXPECT_EQ(ByteIndexAt(text, fm, (ab + abc) / 2), 3);
  EXPECT_EQ(ByteIndexAt(text, fm, abc + 20), 4);
  EXPECT_EQ(ByteIndexAt(text, fm, -5), 0);
}

TEST(QtConvertTest, KeypadDigitsAndModifiersKeepTheirOwnCodes) {
  EXPECT_EQ(QtKeyToVk(Qt::Key_5, Qt::NoModifier), 53);
  EXPECT_EQ(QtKeyToVk(Qt::Key_5, Qt::KeypadModifier), 101);
  EXPECT_EQ(QtKeyToVk(Qt::Key_Enter, Qt::KeypadModifier), 13);
  EXPECT_EQ(QtKeyToVk(Qt::Key_Z, Qt::ShiftModifier), 90);
  EXPECT_EQ(QtKeyToVk(Qt::Key_F2, Qt::NoModifier), 113);
  EXPECT_EQ(QtKeyToVk(Qt::Key_Control, Qt::ControlModifier), 17);
  EXPECT_EQ(QtKeyToVk(Qt::Key_Eacute, Qt::NoModifier), 0);
}

TEST(QtPlatformTest, ClipboardTextIsCp932InTheCore) {
  QtPlatform p;
  p.SetClipboardText(S("寸法 ①"));
  EXPECT_EQ(QGuiApplication::clipboard()->text(), Q("寸法 ①"));
  QGuiApplication::clipboard()->setText(Q("角度 45ﾟ"));
  EXPECT_EQ(p.ClipboardText(), S("角度 45ﾟ"));
}

TEST(QtPlatformTest, ClipboardImageRoundTrip) {
  QtPlatform p;
  TRasterImage img;
  img.width = 2;
  img.height = 1;
  img.pixels = {0xFF102030u, 0xFFA0B0C0u};
  p.SetClipboardImage(img);
  TRasterImage back;
  ASSERT_TRUE(p.ClipboardImage(back));
  EXPECT_EQ(back.pixels, img.pixels);
  QGuiApplication::clipboard()->clear();
  EXPECT_FALSE(p.ClipboardImage(back));
}

TEST(QtPlatformTest, TimersTickUntilStoppedEvenFromTheirOwnTick) {
  QtPlatform p;
  int ticks = 0, after = 0;
  p.SetAfterTick([&] { ++after; });
  int id = 0;
  id = p.StartTimer(5, [&] {
    if (++ticks == 3) p.StopTimer(id);
  });
  EXPECT_GT(id, 0);
  for (int i = 0; i < 500 && ticks < 3; ++i) QTest::qWait(10);
  QTest::qWait(50);  // time for ticks that should not come
  EXPECT_EQ(ticks, 3);
  EXPECT_EQ(after, 3);
  const int other = p.StartTimer(5, [&] { ++ticks; });
  EXPECT_NE(other, id);
  p.StopTimer(other);
  QTest::qWait(50);
  EXPECT_EQ(ticks, 3);
}

TEST(QtPlatformTest, RunProgramWaitsAndReportsTheExitCode) {
  QtPlatform p;
  TRunRequest run;
  run.program = "sh";
  run.args = {"-c", "exit 3"};
  EXPECT_EQ(p.RunProgram(run), 3);
  run.args = {"-c", "test \"$(pwd)\" = /tmp"};
  run.workDir = "/tmp";
  EXPECT_EQ(p.RunProgram(run), 0);
  run.program = "/nonexistent/velmo-no-such-program";
  run.args = {};
  EXPECT_EQ(p.RunProgram(run), -1);
  run.wait = false;
  EXPECT_EQ(p.RunProgram(run), -1);
}

TEST(QtPlatformTest, ScreenCursorIsSetAndRestored) {
  QtPlatform p;
  p.SetScreenCursor(CursorShape::Hourglass);
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
  p.SetScreenCursor(CursorShape::Cross);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::CrossCursor);
  p.SetScreenCursor(CursorShape::Default);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

// The user picks a file type in the save dialog and types a name: the core
// learns the type's index in its filter list, whatever the dialog shows.
TEST(QtPlatformTest, TheFileTypeChosenInTheDialogComesBack) {
  const QString dir = QDir::tempPath();
  const std::string filter = S("Velmoﾃﾞｰﾀﾌｧｲﾙ(*.VLD)|*.VLD|JW_CADﾃﾞｰﾀﾌｧｲﾙ(*.JWC)|*.JWC|DXFﾌｧｲﾙ(*.DXF)|*.DXF|"
                               "圧縮形式のVelmoﾌｧｲﾙ(*.VLZ)|*.VLZ");
  for (int chosen : {4, 2, 1}) {
    SCOPED_TRACE(chosen);
    QtPlatform p;
    TFileDialogRequest r;
    r.title = "t";
    r.filter = filter;
    r.filterIndex = 1;
    r.initialDir = dir.toStdString();
    r.confirmOverwrite = false;
    bool seen = false;
    QTimer::singleShot(100, [&] {
      auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dlg, nullptr);
      auto* types = dlg->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
      auto* name = dlg->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      ASSERT_NE(types, nullptr);
      ASSERT_NE(name, nullptr);
      ASSERT_EQ(types->count(), 4);
      // As a user does: the item chosen in the list, then the name typed.
      types->setCurrentIndex(chosen - 1);
      QMetaObject::invokeMethod(types, "activated", Q_ARG(int, chosen - 1));
      name->setText(QStringLiteral("plan2"));
      seen = true;
      static_cast<QDialog*>(dlg)->accept();  // QFileDialog::accept, as the save button
    });
    ASSERT_TRUE(p.SaveFileDialog(r));
    EXPECT_TRUE(seen);
    EXPECT_EQ(r.filterIndex, chosen);
    EXPECT_EQ(QFileInfo(QString::fromStdString(r.fileName)).fileName().left(5), QStringLiteral("plan2"));
  }
}

}  // namespace
