#include "platform/qt/MainWindowRun.h"

#include <QApplication>
#include <QFont>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QScreen>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "Velmo.h"
#include "VelmoRecord.h"
#include "app/GC_View.h"
#include "files/FileProc.h"
#include "kernel/ProgramDir.h"
#include "kernel/Wiring.h"
#include "kernel/SjisConv.h"
#include "model/PVC.h"
#include "output/SampleDrawing.h"
#include "platform/qt/QtIcon.h"
#include "platform/qt/QtPlatform.h"
#include "platform/qt/QtRasterHelper.h"
#include "platform/qt/TForm1.h"

int RunMainWindow(const TMainRun& run) {
  VelmoReset();
  if (!ProgramDir_Init()) std::fputs("velmo: プログラムフォルダを作成できません。\n", stderr);
  QtPlatform platform;
  SetPlatform(&platform);
  InstallQtRasterHelper();
  // Recording: every input through the recorder, every platform service too
  // (it notes the answers given).
  std::unique_ptr<TScriptRecorder> recorder;
  if (!run.record.empty()) {
    recorder = std::make_unique<TScriptRecorder>(platform);
    if (!recorder->Open(run.record)) {
      std::fprintf(stderr, "velmo: 記録するファイル[%s]を作れません。\n", run.record.c_str());
      SetPlatform(nullptr);
      return 2;
    }
    SetPlatform(recorder.get());
    g_wiring.inputRecorder = recorder.get();
  }

  // Qt's own texts (the file dialog, the message boxes' buttons) in
  // Japanese like the rest of the window, whatever the locale.
  QTranslator qtTexts;
  if (qtTexts.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                   QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QCoreApplication::installTranslator(&qtTexts);
  else
    std::fputs("velmo: Qt の日本語訳 (qtbase_ja.qm) が見つかりません。ダイアログの一部が英語になります。\n", stderr);
  QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));

  // The desktop knows the windows by the entry desktop/velmo.desktop installs.
  QGuiApplication::setDesktopFileName(QStringLiteral("velmo"));
  QApplication::setWindowIcon(VelmoIcon());

  // Latin text in the desktop's font, Japanese in the IPA fonts when the
  // desktop font has none.
  QFont uiFont = QApplication::font();
  uiFont.setFamilies({uiFont.family(), QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic")});
  QApplication::setFont(uiFont);

  int rc = 0;
  std::string sampleFile;
  {
    const QScreen* screen = QGuiApplication::primaryScreen();
    FormCreate(screen ? screen->geometry().height() : 0);
    g_fileProc.backupIntervalMs = run.backupIntervalMs;
    TForm1 window;
    platform.SetMainWindow(&window);
    platform.SetAfterTick([&window] { window.SyncFromCore(); });
    g_fileProc.backupShown = [&window] { window.ShowStatusNow(); };
    platform.SetShowNow([&window] { window.ShowStatusNow(); });
    if (run.maximized) {
      window.showMaximized();
    } else {
      window.resize(run.width, run.height);
      window.show();
    }
    // Shown, the drawing area has its size: the drawings are opened and
    // fitted into it.
    FormShow(run.sample ? std::string() : run.drawing);
    if (run.sample) {
      // The sample's picture is one of this run's temporary files.
      std::error_code ec;
      sampleFile = g_programDir.tempPrefix.empty()
                       ? (std::filesystem::temp_directory_path(ec) / "velmo_sample.jpg").string()
                       : SjisToUtf8(g_programDir.tempPrefix) + "SAMPLE.JPG";
      BuildSampleDrawing(sampleFile);
      CurPVC().modified = 0;  // a demonstration: nothing to save
      ViewFitAll();
      ViewRedraw(1);
    }
    window.SyncFromCore();
    if (recorder) {
      if (run.sample) recorder->Comment("描画見本から始めた操作は再生できません。");
      recorder->Started(CurPVC().fileName);
    }
    if (run.started) run.started(window);
    rc = QApplication::exec();
    // Closing the window has done this; an exit by other means (the
    // screenshot) has not.
    FormClose();
    platform.SetMainWindow(nullptr);
    platform.SetAfterTick({});
    g_fileProc.backupShown = nullptr;
    platform.SetShowNow({});
  }
  if (!sampleFile.empty()) {
    std::error_code ec;
    std::filesystem::remove(sampleFile, ec);
  }
  VelmoReset();  // the back buffer's painter and fonts go while Qt is still up
  SetPlatform(nullptr);
  return rc;
}
