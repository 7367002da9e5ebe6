// The line operation in the real main window on a real X server (Xvfb),
// driven by real pointer events from xdotool: the palette button, a start
// click, pointer moves (the rubber band must show on the screen), an end
// click; then a second line started by a right click near the first one's
// end (snapped). Checks the store and the screen's pixels.
//
// usage: gui_line_xdotool [SHOT.png]   (run under xvfb-run; exits 0 on success)
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QThread>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "Velmo.h"
#include "app/ApManager.h"
#include "app/Ap_Unit1.h"
#include "kernel/Platform.h"
#include "model/GC_DB.h"
#include "platform/qt/QtPlatform.h"
#include "platform/qt/QtRasterHelper.h"
#include "platform/qt/TForm1.h"
#include "render/Z_Graph.h"
#include "XdoSteps.h"

namespace {

// The drawing area as the X server shows it.
QImage Screen(TPaintBox* box) {
  const QPoint o = box->mapToGlobal(QPoint(0, 0));
  return QGuiApplication::primaryScreen()->grabWindow(0, o.x(), o.y(), box->width(), box->height()).toImage();
}

// Pixels around (x, y) that differ between two grabs.
int Changed(const QImage& a, const QImage& b, int x, int y, int r = 2) {
  int n = 0;
  for (int j = y - r; j <= y + r; ++j)
    for (int i = x - r; i <= x + r; ++i)
      if (a.valid(i, j) && b.valid(i, j) && a.pixel(i, j) != b.pixel(i, j)) ++n;
  return n;
}

std::vector<TGcell> Lines() {
  std::vector<TGcell> out;
  for (int i = 1; i <= StoreUsed(); ++i)
    if (GcellLive(i) && GcellRef(i).kind == GK_LINE) out.push_back(GcellGet(i));
  return out;
}

QPointF ToPixel(double x, double y) {
  double px, py;
  G_ToPixel(CurrentView(), x, y, px, py);
  return {px, py};
}

bool Near(QPointF a, QPoint b, double tol) { return std::hypot(a.x() - b.x(), a.y() - b.y()) <= tol; }

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  VelmoReset();
  QtPlatform platform;
  SetPlatform(&platform);
  InstallQtRasterHelper();
  int rc = 0;
  {
    TForm1 window;
    ShowWindow(window, platform);
    TPaintBox* box = window.paintBox();
    Check(box->painted(), "the window painted its drawing area");

    const QPoint o = box->mapToGlobal(QPoint(0, 0));
    const QPoint a(200, 300), b(600, 450), mid((a.x() + b.x()) / 2, (a.y() + b.y()) / 2);
    const QPoint away(box->width() - 60, 120);  // inside the drawing area, off the lines
    TSpeedButton* lineButton = window.speedButton(OpBtn_Line);
    Check(ClickAt(lineButton->mapToGlobal(lineButton->rect().center()), 1), "xdotool clicks the line button");
    Check(CurOpButton() == OpBtn_Line, "the line operation is current");
    const QImage before = Screen(box);

    ClickAt(o + a, 1);
    for (int i = 1; i <= 4; ++i) MoveTo(o + a + (b - a) * i / 5);
    MoveTo(o + b);
    const QImage rubber = Screen(box);
    Check(Changed(before, rubber, mid.x(), mid.y()) > 0, "the rubber band shows on the screen");
    Check(StoreUsed() == 0, "nothing stored before the end click");

    ClickAt(o + b, 1);
    MoveTo(o + away);  // away, so only the stored line is left at the middle
    auto lines = Lines();
    Check(lines.size() == 1, "one line in the store");
    if (lines.size() == 1) {
      Check(Near(ToPixel(lines[0].p[0], lines[0].p[1]), a, 1.0), "it starts at the first click");
      Check(Near(ToPixel(lines[0].p[2], lines[0].p[3]), b, 1.0), "it ends at the second click");
    }
    const QImage drawn = Screen(box);
    for (int k = 1; k <= 3; ++k) {
      const QPoint p = a + (b - a) * k / 4;
      Check(Changed(before, drawn, p.x(), p.y(), 1) > 0, "the line shows on the screen at " + std::to_string(k) + "/4");
    }

    // A right click 6 pixels off the end point starts the next line there.
    ClickAt(o + b + QPoint(6, -5), 3);
    ClickAt(o + away, 1);
    lines = Lines();
    Check(lines.size() == 2, "a second line after the right click");
    if (lines.size() == 2)
      Check(lines[1].p[0] == lines[0].p[2] && lines[1].p[1] == lines[0].p[3], "it starts on the first line's end");

    if (argc > 1) window.grab().save(QString::fromLocal8Bit(argv[1]), "PNG");
    platform.SetMainWindow(nullptr);
    platform.SetAfterTick({});
  }
  VelmoReset();
  SetPlatform(nullptr);
  rc = g_failures ? 1 : 0;
  std::printf("%s\n", rc ? "FAILED" : "PASSED");
  return rc;
}
