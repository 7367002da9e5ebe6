// The program's life in the real main window on a real X server (Xvfb),
// with xdotool's pointer events, each run in a process of its own started
// the way `velmo` starts it (RunMainWindow) in the program folder
// $VELMO_HOME:
//   draw     four lines in layers 0 and 1 of group 0 and layers 0 and 2 of
//            group 1, layer 0 of group 1 hidden with its panel button,
//            saved as plan.vlz, the window closed;
//   reopen   plan.vlz on the command line: the lines, their layers and the
//            hidden layer as they were, on the screen too;
//   crash    plan.vlz again, a fifth line, left unsaved: the backup writes
//            a snapshot, and the run is killed (SIGKILL);
//   recover  a plain start: window 1 holds the five lines, modified;
//            closing asks, "No" closes, and nothing of either run is left.
// Without a phase the program runs all four in order (under xvfb-run).
//
// usage: gui_startup_xdotool [draw|reopen|crash|recover]
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "app/ApManager.h"
#include "files/FileProc.h"
#include "model/GC_DB.h"
#include "model/PVC.h"
#include "platform/qt/MainWindowRun.h"
#include "platform/qt/TForm1.h"
#include "render/ApPenSet.h"
#include "render/Z_Graph.h"
#include "XdoSteps.h"

namespace fs = std::filesystem;

namespace {

fs::path Home() { return fs::path(std::getenv("VELMO_HOME")); }

std::string ReadAll(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

std::vector<std::string> RunFiles() {
  std::vector<std::string> v;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(Home(), ec))
    if (e.path().filename().string().rfind("#TMP", 0) == 0) v.push_back(e.path().filename().string());
  return v;
}

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
  return n;
}

bool ClickWidget(QWidget* w, int button) { return w && ClickAt(w->mapToGlobal(w->rect().center()), button); }

struct Line {
  QPoint a, b;
  int layer;  // the layer code it is drawn in
};
// Drawing-area pixels, apart from each other.
const Line kLines[] = {{{100, 100}, {300, 100}, 0x00},
                       {{100, 220}, {300, 260}, 0x01},
                       {{420, 100}, {620, 150}, 0x10},
                       {{420, 260}, {620, 300}, 0x12}};
const Line kFifth{{150, 380}, {350, 380}, 0x00};

struct Stored {
  double x1, y1, x2, y2;
  int layer;
};

std::vector<Stored> Lines() {
  std::vector<Stored> out;
  for (int i = 1; i <= StoreUsed(); ++i)
    if (GcellLive(i) && GcellRef(i).kind == GK_LINE) {
      const TGcell& c = GcellRef(i);
      out.push_back({c.p[0], c.p[1], c.p[2], c.p[3], c.layer});
    }
  return out;
}

bool HasLayers(const std::vector<Stored>& lines, std::vector<int> want) {
  std::vector<int> got;
  for (const Stored& s : lines) got.push_back(s.layer);
  std::sort(got.begin(), got.end());
  std::sort(want.begin(), want.end());
  return got == want;
}

// Pixels around a line's middle on the screen that are not the background.
int InkAtMiddle(TForm1& window, const Stored& s) {
  TPaintBox* box = window.paintBox();
  double px, py;
  G_ToPixel(CurrentView(), (s.x1 + s.x2) / 2, (s.y1 + s.y2) / 2, px, py);
  const QPoint o = box->mapToGlobal(QPoint(0, 0));
  const QImage img =
      QGuiApplication::primaryScreen()->grabWindow(0, o.x(), o.y(), box->width(), box->height()).toImage();
  const QRgb bg = 0xFF000000u | ((BackgroundColor() & 0xFF) << 16) | (BackgroundColor() & 0xFF00) |
                  ((BackgroundColor() >> 16) & 0xFF);
  int n = 0;
  for (int j = -2; j <= 2; ++j)
    for (int i = -2; i <= 2; ++i) {
      const int x = static_cast<int>(px) + i, y = static_cast<int>(py) + j;
      if (img.valid(x, y) && (img.pixel(x, y) | 0xFF000000u) != bg) ++n;
    }
  return n;
}

bool WaitPainted(TForm1& window) {
  QElapsedTimer t;
  t.start();
  while (!window.paintBox()->painted() && t.elapsed() < 10000) Pump(50);
  Pump(300);
  return window.paintBox()->painted();
}

void DrawLine(TForm1& window, const Line& l) {
  const QPoint o = window.paintBox()->mapToGlobal(QPoint(0, 0));
  ClickAt(o + l.a, 1);
  ClickAt(o + l.b, 1);
}

QWidget* Panel(TForm1& window, const char* name) { return window.findChild<QWidget*>(QString::fromLatin1(name)); }

// Closes the window as the user does; answer, when given, is pressed in
// the question that comes up.
void CloseWindow(TForm1& window, QMessageBox::StandardButton answer = QMessageBox::NoButton) {
  if (answer != QMessageBox::NoButton) {
    QTimer::singleShot(400, [answer] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      Check(box != nullptr, "closing asks about the modified drawing");
      if (box) Check(ClickWidget(box->button(answer), 1), "xdotool answers the question");
    });
  }
  window.close();
}

void PhaseDraw(TForm1& window) {
  Check(WaitPainted(window), "the window painted its drawing area");
  Check(fs::exists(Home() / "VELMO.INI"), "the first start wrote VELMO.INI");
  Check(ClickWidget(window.speedButton(OpBtn_Line), 1), "xdotool clicks the line button");
  DrawLine(window, kLines[0]);
  ClickWidget(Panel(window, "PnlLay1"), 3);  // write layer 1
  DrawLine(window, kLines[1]);
  ClickWidget(Panel(window, "PnlGrp1"), 3);  // write group 1, its layer 0
  DrawLine(window, kLines[2]);
  ClickWidget(Panel(window, "PnlLay2"), 3);
  DrawLine(window, kLines[3]);
  ClickWidget(Panel(window, "PnlLay0"), 1);  // hides layer 0 of group 1
  const auto lines = Lines();
  Check(HasLayers(lines, {0x00, 0x01, 0x10, 0x12}), "four lines in layers 00, 01, 10, 12");
  Check(!CurPVC().groups[1].layers[0].visible && CurPVC().groups[1].layers[2].visible,
        "layer 0 of group 1 is hidden");
  // No menu yet: the command the "save as" menu item runs.
  Check(SaveToFile(Home() / "plan.vlz"), "saved as plan.vlz");
  Check(ReadAll(Home() / "plan.vlz").rfind("CMP-VLD", 0) == 0, "in the compressed form");
  CloseWindow(window);
}

void PhaseReopen(TForm1& window) {
  Check(WaitPainted(window), "the window painted its drawing area");
  Check(CurPVC().fileName == (Home() / "plan.vlz").string(), "window 1 is plan.vlz");
  Check(CurPVC().modified == 0, "unmodified");
  const auto lines = Lines();
  Check(HasLayers(lines, {0x00, 0x01, 0x10, 0x12}), "the four lines in their layers");
  Check(!CurPVC().groups[1].layers[0].visible, "layer 0 of group 1 is still hidden");
  for (int g = 0; g < 2; ++g)
    for (int l = 0; l < 16; ++l)
      if (!(g == 1 && l == 0) && !CurPVC().groups[g].layers[l].visible)
        Check(false, "layer " + std::to_string(g) + "/" + std::to_string(l) + " is shown");
  for (const Stored& s : lines)
    Check((InkAtMiddle(window, s) > 0) == (s.layer != 0x10),
          "the line of layer " + std::to_string(s.layer) + (s.layer == 0x10 ? " is not drawn" : " is drawn"));
  Check(Count(ReadAll(Home() / "Operation.hst"), "plan.vlz") >= 1, "plan.vlz is in the recent files");
  CloseWindow(window);
}

void PhaseCrash(TForm1& window) {
  Check(WaitPainted(window), "the window painted its drawing area");
  ClickWidget(window.speedButton(OpBtn_Line), 1);
  DrawLine(window, kFifth);
  Check(Lines().size() == 5 && CurPVC().modified != 0, "a fifth line, unsaved");
  // What the status label shows while the snapshot is written, for the
  // parent to check (this run does not end by itself).
  g_fileProc.backupShown = [shown = g_fileProc.backupShown, &window] {
    shown();
    const QLabel* label = window.findChild<QLabel*>(QStringLiteral("lbDataCount"));
    std::ofstream(Home() / "backup-label.txt")
        << label->text().toStdString() << ' ' << label->palette().color(QPalette::WindowText).name().toStdString();
  };
  // The parent kills this run once the snapshot is there.
  Pump(60000);
  Check(false, "the run was killed");
  window.close();
}

void PhaseRecover(TForm1& window) {
  Check(WaitPainted(window), "the window painted its drawing area");
  Check(StoreWindow() == 1 && Lines().size() == 5, "window 1 holds the five lines of the killed run");
  Check(CurPVC().modified != 0 && CurPVC().fileName.empty(), "recovered as modified and untitled");
  Check(!CurPVC().groups[1].layers[0].visible, "with the layer that was hidden");
  CloseWindow(window, QMessageBox::No);
}

int RunPhase(const std::string& phase) {
  int argc = 1;
  char name[] = "velmo";
  char* argv[] = {name, nullptr};
  QApplication app(argc, argv);
  TMainRun run;
  run.maximized = false;
  run.width = 1100;
  run.height = 750;
  if (phase == "reopen" || phase == "crash") run.drawing = (Home() / "plan.vlz").string();
  if (phase == "crash") run.backupIntervalMs = 20;  // 180 ticks in under 4 s
  run.started = [phase](TForm1& window) {
    window.move(0, 0);
    QTimer::singleShot(0, &window, [phase, &window] {
      if (phase == "draw") PhaseDraw(window);
      if (phase == "reopen") PhaseReopen(window);
      if (phase == "crash") PhaseCrash(window);
      if (phase == "recover") PhaseRecover(window);
    });
  };
  const int rc = RunMainWindow(run);
  Check(rc == 0, phase + ": the program ended normally");
  return g_failures ? 1 : 0;
}

pid_t Spawn(const char* self, const char* phase) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::execl(self, self, phase, static_cast<char*>(nullptr));
    ::_exit(127);
  }
  return pid;
}

int Wait(pid_t pid) {
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid) return -1;
  return status;
}

bool Exited0(int status) { return WIFEXITED(status) && WEXITSTATUS(status) == 0; }

// The run's snapshot of window 1 once it holds n lines.
bool SnapshotWithLines(int n) {
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(Home(), ec)) {
    const std::string f = e.path().filename().string();
    if (f.size() >= 13 && f.rfind("#TMP", 0) == 0 && f.substr(f.size() - 6) == "#1.V$D" &&
        Count(ReadAll(e.path()), "\nLINE,") == n)
      return true;
  }
  return false;
}

int RunAll(const char* self) {
  if (!std::getenv("VELMO_HOME")) {
    std::fputs("gui_startup_xdotool: VELMO_HOME must name an empty folder\n", stderr);
    return 2;
  }
  Check(Exited0(Wait(Spawn(self, "draw"))), "draw: passed");
  Check(RunFiles().empty(), "the closed run left no temporary files");
  Check(Exited0(Wait(Spawn(self, "reopen"))), "reopen: passed");

  const pid_t crash = Spawn(self, "crash");
  QElapsedTimer t;
  t.start();
  while (!SnapshotWithLines(5) && t.elapsed() < 30000) QThread::msleep(50);
  Check(SnapshotWithLines(5), "the backup wrote a snapshot of the five lines");
  ::kill(crash, SIGKILL);
  const int status = Wait(crash);
  Check(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL, "crash: killed");
  Check(!RunFiles().empty(), "the killed run's files are left");
  Check(ReadAll(Home() / "backup-label.txt") == "..バックアップ保存中！ #ff00ff",
        "while the snapshot was written the status label said so in magenta");

  Check(Exited0(Wait(Spawn(self, "recover"))), "recover: passed");
  Check(RunFiles().empty(), "nothing of either run is left");
  std::printf("%s\n", g_failures ? "FAILED" : "PASSED");
  return g_failures ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) return RunPhase(argv[1]);
  return RunAll("/proc/self/exe");
}
