// What the xdotool-driven window programs share: a check that prints and
// counts, letting the window take queued X events, and xdotool steps that
// wait for the window to catch up.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QPoint>
#include <QProcess>
#include <QStringList>
#include <QThread>
#include <cstdio>
#include <string>

inline int g_failures = 0;

inline void Check(bool ok, const std::string& what) {
  std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
  std::fflush(stdout);
  if (!ok) ++g_failures;
}

// Lets the window handle what the X server has queued for it.
inline void Pump(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) {
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
}

// Runs one xdotool command, then lets the window take its events.
inline bool Xdo(const QStringList& args) {
  const int rc = QProcess::execute(QStringLiteral("xdotool"), args);
  Pump(150);
  return rc == 0;
}

inline bool MoveTo(QPoint g) {
  return Xdo({"mousemove", "--sync", QString::number(g.x()), QString::number(g.y())});
}

inline bool ClickAt(QPoint g, int button) { return MoveTo(g) && Xdo({"click", QString::number(button)}); }

// Shows the main window at the top left, 1280 x 800, the platform's dialogs
// and ticks going to it, and waits until its drawing area has painted.
template <class Window, class Platform>
void ShowWindow(Window& window, Platform& platform) {
  platform.SetMainWindow(&window);
  platform.SetAfterTick([&window] { window.SyncFromCore(); });
  window.move(0, 0);
  window.resize(1280, 800);
  window.show();
  QElapsedTimer t;
  t.start();
  while (!window.paintBox()->painted() && t.elapsed() < 10000) Pump(50);
  Pump(300);
}
