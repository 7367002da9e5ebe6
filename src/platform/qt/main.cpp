// velmo: the drafting program's window, and its command line.
#include <QApplication>
#include <QMainWindow>
#include <QStatusBar>
#include <cstdio>
#include <cstring>

#include "Velmo.h"
#include "kernel/ProgramDir.h"
#include "platform/qt/QtPlatform.h"

namespace {

const char kHelp[] =
    "使い方: velmo [オプション] [図面ファイル]\n"
    "\n"
    "  --help      この説明を表示して終了します。\n"
    "  --version   版を表示して終了します。\n";

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) {
      std::fputs(kHelp, stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::puts("Velmo Ver 2020.11.26");
      return 0;
    }
  }

  QApplication app(argc, argv);
  VelmoReset();
  ProgramDir_Init();

  QtPlatform platform;
  SetPlatform(&platform);

  // The main window proper (palette, sub-menu bar, drawing area, panels)
  // comes with the dispatcher; until then an empty frame with the caption.
  QMainWindow window;
  platform.SetMainWindow(&window);
  window.setWindowTitle(QString::fromUtf8("【Velmo Ver 2020.11.26】"));
  window.statusBar()->showMessage(QString::fromUtf8("準備完了"));
  window.resize(1024, 768);
  window.show();
  const int rc = app.exec();
  SetPlatform(nullptr);
  return rc;
}
