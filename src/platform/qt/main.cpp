// velmo: the drafting program's window, and its command line.
#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPageSize>
#include <QPdfWriter>
#include <QPixmap>
#include <QTimer>
#include <cstdio>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "Velmo.h"
#include "VelmoScript.h"
#include "files/FileProc.h"
#include "files/PngFile.h"
#include "kernel/ProgramDir.h"
#include "output/Op_Print2.h"
#include "platform/headless/HeadlessPlatform.h"
#include "platform/qt/PrinterCanvas.h"
#include "platform/qt/QtRasterHelper.h"
#include "platform/qt/MainWindowRun.h"
#include "platform/qt/TForm1.h"

namespace {

const char kHelp[] =
    "使い方: velmo [オプション] [図面ファイル]\n"
    "\n"
    "  図面ファイル                 起動時に開く図面 (読み込める形式のとき)。\n"
    "  --help                       この説明を表示して終了します。\n"
    "  --version                    版を表示して終了します。\n"
    "  --screenshot FILE.png [図面ファイル]\n"
    "                               メインウィンドウを 1280x800 で表示し、配置と描画が\n"
    "                               済んだところでウィンドウ全体を PNG に書き出して終了します。\n"
    "  --sample                     図面の代わりに描画見本 (全種類の要素) を表示します。\n"
    "  --convert 入力 出力          ウィンドウを開かずに図面を変換して終了します。形式は拡張子で\n"
    "                               決まります (大文字小文字は問いません): 読み込み .VLD .V$D .VLZ\n"
    "                               .JWW .JWC .JWK .DXF .DWG、書き出し .VLD .V$D .VLZ .JWC .DXF。\n"
    "                               失敗するとその理由を表示し、\n"
    "                               0 以外の終了コードを返します。ディスプレイは不要です。\n"
    "  --render 入力 出力.png [--size 幅x高さ] [--view-width 幅]\n"
    "  --print-pdf 入力 出力.pdf [--scale 100|72|50|11]\n"
    "                               ウィンドウを開かずに図面全体を画面と同じ描き方で PNG に\n"
    "                               書き出して終了します (既定の大きさ 1600x1200)。\n"
    "                               ディスプレイは不要です。\n"
    "  --script スクリプト [--size 幅x高さ]\n"
    "                               ウィンドウを開かずにスクリプト (1 行に 1 コマンドの操作の記録) を\n"
    "                               実行して終了します。描画領域の既定の大きさは 1600x1000。\n"
    "                               終了コード: 0 最後まで実行、1 expect の不一致などの失敗、\n"
    "                               2 スクリプトの誤り。ディスプレイは不要です。\n"
    "  --record スクリプト [図面ファイル]\n"
    "                               ウィンドウで行った操作をスクリプトとして書き出します\n"
    "                               (--script で同じ図面が得られます)。\n"
    "\n"
    "Qt の標準オプション (-platform offscreen など) も使えます。\n"
    "\n"
    "環境変数:\n"
    "  VELMO_HOME                   プログラムフォルダ (既定は $XDG_DATA_HOME/velmo、\n"
    "                               なければ ~/.local/share/velmo)。\n";

constexpr int kShotWidth = 1280;
constexpr int kShotHeight = 800;
constexpr int kPaintWaitMs = 200;      // after the first paint, for the rest of the window
constexpr int kShotTimeoutMs = 30000;  // a window that never paints

void Usage(const char* what, const char* arg) {
  std::fprintf(stderr, "velmo: %s%s\n", what, arg);
  std::fputs("velmo --help で使い方を表示します。\n", stderr);
}

// velmo --convert IN OUT: no window and no display; messages go to
// standard error through the headless platform.
int Convert(const char* in, const char* out) {
  VelmoReset();
  HeadlessPlatform& platform = Headless();
  platform.SetEcho(true);
  platform.SetFailureHandler([](const std::string&) {});  // questions take their first answer
  SetPlatform(&platform);
  if (ProgramDir_Init()) InitTempPrefix();
  const int rc = ConvertDrawing(in, out);
  DeleteRunTempFiles();
  VelmoReset();
  SetPlatform(nullptr);
  return rc;
}

// "1600x1200" as width and height.
bool ParseSize(const char* text, int& width, int& height) {
  char tail = 0;
  return std::sscanf(text, "%dx%d%c", &width, &height, &tail) == 2 && width > 0 && height > 0;
}

// velmo --render IN OUT.png [--size WxH]: Qt only for fonts and wide pens,
// and only when the drawing has them (on its offscreen platform, so no
// display is needed): a drawing of lines starts no application at all.
std::unique_ptr<QGuiApplication> g_renderApp;

void StartRenderToolkit(bool needsRasterHelper) {
  if (!needsRasterHelper || g_renderApp) return;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static int qtArgc = 1;
  static char name[] = "velmo";
  static char* qtArgv[] = {name, nullptr};
  g_renderApp = std::make_unique<QGuiApplication>(qtArgc, qtArgv);
  InstallQtRasterHelper();
}

int Render(int argc, char** argv) {
  const char* usage = "使い方: velmo --render 入力ファイル 出力.png [--size 幅x高さ] [--view-width 幅]";
  if (argc < 4) {
    Usage(usage, "");
    return 2;
  }
  int width = 1600, height = 1200;
  double viewWidth = 0;
  for (int i = 4; i < argc; i += 2) {
    if (i + 1 >= argc) {
      Usage(usage, "");
      return 2;
    }
    if (std::strcmp(argv[i], "--size") == 0) {
      if (!ParseSize(argv[i + 1], width, height)) {
        Usage("--size には 幅x高さ (例 1600x1200) を指定します: ", argv[i + 1]);
        return 2;
      }
    } else if (std::strcmp(argv[i], "--view-width") == 0) {
      const char* text = argv[i + 1];
      const auto r = std::from_chars(text, text + std::strlen(text), viewWidth);
      if (r.ec != std::errc() || *r.ptr != '\0' || !(viewWidth > 0) || viewWidth > 1e9) {
        Usage("--view-width には図面の単位で表示する幅 (0 より大きい数) を指定します: ", text);
        return 2;
      }
    } else {
      Usage(usage, "");
      return 2;
    }
  }
  VelmoReset();
  HeadlessPlatform& platform = Headless();
  platform.SetEcho(true);
  platform.SetFailureHandler([](const std::string&) {});
  SetPlatform(&platform);
  if (ProgramDir_Init()) InitTempPrefix();
  TRasterImage image;
  int rc = RenderDrawing(argv[2], width, height, image, StartRenderToolkit, viewWidth);
  if (rc == 0 && !WritePngFile(argv[3], image)) {
    std::fprintf(stderr, "velmo: 画像を書き込めません: %s\n", argv[3]);
    rc = 1;
  }
  DeleteRunTempFiles();
  VelmoReset();  // the buffer's painter goes while Qt is still up
  SetPlatform(nullptr);
  g_renderApp.reset();
  return rc;
}

// velmo --print-pdf IN OUT.pdf [--scale 100|72|50|11]: the drawing printed
// into a PDF at 600 dpi on the drawing's paper (A4 when it names none):
// fitted to the page, or at the print mode from its lower left corner. The
// PDF is written beside OUT and renamed over it when complete.
int PrintPdf(int argc, char** argv) {
  int mode = 0;
  if (argc == 6 && std::strcmp(argv[4], "--scale") == 0) {
    const std::string s = argv[5];
    mode = s == "100" ? 100 : s == "72" ? 72 : s == "50" ? 50 : s == "11" ? 11 : -1;
  }
  if ((argc != 4 && argc != 6) || mode < 0) {
    Usage("使い方: velmo --print-pdf 入力ファイル 出力.pdf [--scale 100|72|50|11]", "");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  int qtArgc = 1;
  char name[] = "velmo";
  char* qtArgv[] = {name, nullptr};
  QGuiApplication app(qtArgc, qtArgv);
  InstallQtRasterHelper();
  VelmoReset();
  HeadlessPlatform& platform = Headless();
  platform.SetEcho(true);
  platform.SetFailureHandler([](const std::string&) {});
  const std::filesystem::path out = std::filesystem::path(argv[3]);
  const std::filesystem::path part = out.string() + ".part";
  std::unique_ptr<QPdfWriter> writer;
  std::unique_ptr<PrinterCanvas> canvas;
  platform.SetPrinterFactory([&](const TPrintSetup& setup) -> ICanvas* {
    static const QPageSize::PageSizeId kPapers[] = {QPageSize::A0, QPageSize::A1, QPageSize::A2, QPageSize::A3,
                                                    QPageSize::A4};
    writer = std::make_unique<QPdfWriter>(QString::fromStdString(part.string()));
    writer->setResolution(600);
    writer->setPageSize(QPageSize(setup.paperSize >= 0 && setup.paperSize <= 4 ? kPapers[setup.paperSize] : QPageSize::A4));
    writer->setPageOrientation(setup.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    writer->setPageMargins(QMarginsF(0, 0, 0, 0));
    canvas = std::make_unique<PrinterCanvas>(writer.get());
    return canvas.get();
  });
  SetPlatform(&platform);
  if (ProgramDir_Init()) InitTempPrefix();
  int rc = PrintDrawingFile(argv[2], mode);
  VelmoReset();
  platform.SetPrinterFactory({});
  canvas.reset();
  writer.reset();  // the PDF is complete here
  std::error_code ec;
  if (rc == 0) {
    std::filesystem::rename(part, out, ec);
    if (ec) {
      std::fprintf(stderr, "velmo: PDF を書き込めません: %s\n", argv[3]);
      rc = 1;
    }
  }
  if (rc != 0) std::filesystem::remove(part, ec);
  DeleteRunTempFiles();
  SetPlatform(nullptr);
  return rc;
}

// velmo --script FILE [--size WxH]: the script runs on the headless
// platform, before any Qt application exists.
int Script(int argc, char** argv) {
  TScriptRun run;
  if ((argc != 3 && argc != 5) ||
      (argc == 5 && (std::strcmp(argv[3], "--size") != 0 || !ParseSize(argv[4], run.width, run.height)))) {
    Usage("使い方: velmo --script スクリプト [--size 幅x高さ]", "");
    return 2;
  }
  if (run.width > kRenderMaxSide || run.height > kRenderMaxSide) {
    Usage("--size が大きすぎます: ", argv[4]);
    return 2;
  }
  return RunScriptFile(argv[2], run);
}

// Qt's own options that QApplication takes out of the command line, and
// whether each takes a value. "--name" is read as "-name", and "-name=value"
// carries its value.
bool IsQtOption(const char* arg, bool& takesValue) {
  static const char* const kWithValue[] = {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
                                           "qwindowtitle", "qwindowicon", "geometry", "title", "stylesheet", "style",
                                           "session", "display", "name", "visual", "ncols", "cmap", "font", "fn",
                                           "bg", "background", "fg", "foreground", "btn", "button", "qmljsdebugger"};
  static const char* const kAlone[] = {"reverse", "widgetcount", "nograb", "dograb", "sync", "testability"};
  std::string a = arg;
  if (a.rfind("--", 0) == 0) a.erase(0, 1);
  if (a.size() < 2 || a[0] != '-') return false;
  a.erase(0, 1);
  const std::size_t eq = a.find('=');
  const bool hasValue = eq != std::string::npos;
  if (hasValue) a.resize(eq);
  for (const char* o : kWithValue)
    if (a == o) {
      takesValue = !hasValue;
      return true;
    }
  for (const char* o : kAlone)
    if (a == o && !hasValue) {
      takesValue = false;
      return true;
    }
  return false;
}

// The window's command line, checked before the toolkit starts (it may need
// a display to start, and says what is wrong in English): Qt's options are
// let through. 0 when it is sound, else the usage message was given and the
// exit status is 2.
int CheckWindowArguments(int argc, char** argv) {
  int drawings = 0;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    bool takesValue = false;
    if (std::strcmp(a, "--screenshot") == 0 || std::strcmp(a, "--record") == 0) {
      ++i;  // its file (checked above to be there)
    } else if (std::strcmp(a, "--sample") == 0) {
    } else if (IsQtOption(a, takesValue)) {
      if (takesValue && ++i >= argc) {
        Usage("Qt のオプションに値がありません: ", a);
        return 2;
      }
    } else if (a[0] == '-' && a[1] != '\0') {
      Usage("不明なオプションです: ", a);
      return 2;
    } else if (++drawings > 1) {
      Usage("図面ファイルは一つだけ指定できます: ", a);
      return 2;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kHelp, stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::puts("Velmo Ver 2020.11.26");
      return 0;
    }
    if (std::strcmp(argv[i], "--convert") == 0) {
      if (argc != 4 || i != 1) {
        Usage("使い方: velmo --convert 入力ファイル 出力ファイル", "");
        return 2;
      }
      return Convert(argv[2], argv[3]);
    }
    if (std::strcmp(argv[i], "--script") == 0) {
      if (i != 1) {
        Usage("--script は最初に指定します", "");
        return 2;
      }
      return Script(argc, argv);
    }
    if (std::strcmp(argv[i], "--print-pdf") == 0) {
      if (i != 1) {
        Usage("--print-pdf は最初に指定します", "");
        return 2;
      }
      return PrintPdf(argc, argv);
    }
    if (std::strcmp(argv[i], "--render") == 0) {
      if (i != 1) {
        Usage("--render は最初に指定します", "");
        return 2;
      }
      return Render(argc, argv);
    }
    if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 >= argc) {
      Usage("--screenshot には書き出す PNG ファイル名が必要です", "");
      return 2;
    }
    if (std::strcmp(argv[i], "--record") == 0 && i + 1 >= argc) {
      Usage("--record には書き出すスクリプトのファイル名が必要です", "");
      return 2;
    }
  }

  if (const int rc = CheckWindowArguments(argc, argv)) return rc;
  QApplication app(argc, argv);  // takes Qt's own options out of argv

  std::string shotPath, drawing, record;
  bool shot = false, sample = false;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (std::strcmp(a, "--screenshot") == 0) {
      if (i + 1 >= argc) {  // the file name was one of Qt's options
        Usage("--screenshot には書き出す PNG ファイル名が必要です", "");
        return 2;
      }
      shot = true;
      shotPath = argv[++i];
    } else if (std::strcmp(a, "--record") == 0) {
      if (i + 1 >= argc) {
        Usage("--record には書き出すスクリプトのファイル名が必要です", "");
        return 2;
      }
      record = argv[++i];
    } else if (std::strcmp(a, "--sample") == 0) {
      sample = true;
    } else if (a[0] == '-' && a[1] != '\0') {
      Usage("不明なオプションです: ", a);
      return 2;
    } else if (drawing.empty()) {
      drawing = a;
    } else {
      Usage("図面ファイルは一つだけ指定できます: ", a);
      return 2;
    }
  }

  // The program folder becomes the current folder of the file dialogs:
  // the drawing's path is made absolute first.
  if (!drawing.empty()) {
    std::error_code ec;
    const std::filesystem::path p = std::filesystem::absolute(drawing, ec);
    if (!ec) drawing = p.string();
    // A missing file or a folder is said in the window (FormShow).
  }

  TMainRun run;
  run.drawing = drawing;
  run.sample = sample;
  run.record = record;
  if (shot) {
    run.maximized = false;
    run.width = kShotWidth;
    run.height = kShotHeight;
    const QString path = QString::fromUtf8(shotPath.c_str());
    run.started = [path](TForm1& window) {
      auto grab = [&window, path] {
        const QPixmap pixmap = window.grab();
        if (!pixmap.save(path, "PNG")) {
          std::fprintf(stderr, "velmo: 画像を書き込めません: %s\n", path.toUtf8().constData());
          QApplication::exit(1);
          return;
        }
        QApplication::exit(0);
      };
      QObject::connect(window.paintBox(), &TPaintBox::firstPaint, &window,
                       [grab] { QTimer::singleShot(kPaintWaitMs, grab); });
      QTimer::singleShot(kShotTimeoutMs, &window, [] {
        std::fputs("velmo: ウィンドウが描画されないため画像を書き出せません。\n", stderr);
        QApplication::exit(1);
      });
    };
  }
  return RunMainWindow(run);
}
