// The file commands in the real main window on a real X server (Xvfb), as a
// user reaches them: xdotool clicks the toolbar's 開く, types a drawing's
// path into the file dialog and confirms; saves it through the menu bar's
// 名前を付けて保存 under a new name as VLD, then, with the VLZ type chosen in
// the dialog's list, as VLZ; draws a line and chooses 新規作成, answering "No"
// to the save question; reopens the VLZ from the recent-file list. Checks
// the store, the files written and the texts the dialogs show.
//
// usage: gui_files_xdotool   (under xdotool_test.sh: a fresh $VELMO_HOME)
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "app/ApMainMenu.h"
#include "app/ApManager.h"
#include "files/FileProc.h"
#include "kernel/SjisConv.h"
#include "model/GC_DB.h"
#include "model/PVC.h"
#include "platform/qt/MainWindowRun.h"
#include "platform/qt/TForm1.h"
#include "XdoSteps.h"

namespace fs = std::filesystem;

namespace {

constexpr int kLines = 12;

fs::path Home() { return fs::path(std::getenv("VELMO_HOME")); }
fs::path Docs() { return Home() / "docs"; }

std::string ReadAll(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

// A drawing of kLines lines, line i from (i, 0) to (i + 10, 5) * 100.
void WritePlan(const fs::path& p) {
  std::ofstream f(p, std::ios::binary);
  f << Utf8ToSjis("Velmoデータファイル\t5.2\t2020.11.26\r\n$BEGIN,ENTITIES\r\n");
  for (int i = 0; i < kLines; ++i)
    f << "LINE,0,0,17," << i * 100 << ",0," << (i + 10) * 100 << ",500,0\r\n";
  f << "$ENDS,ENTITIES\r\n$EOF\r\n";
}

int Lines() {
  int n = 0;
  for (int i = 1; i <= StoreUsed(); ++i)
    if (GcellLive(i) && GcellRef(i).window == StoreWindow() && GcellRef(i).kind == GK_LINE) ++n;
  return n;
}

bool HasJapanese(const QString& s) {
  for (QChar c : s)
    if (c.unicode() >= 0x3000) return true;
  return false;
}

bool ClickWidget(QWidget* w) { return w && ClickAt(w->mapToGlobal(w->rect().center()), 1); }

// Runs step once a modal dialog is up, from the dialog's own event loop.
// It only looks now and then: the click that opens the dialog is still to
// come from the caller.
void WhenModal(std::function<void(QWidget*)> step) {
  auto* poll = new QTimer;
  auto* waited = new QElapsedTimer;
  waited->start();
  poll->setInterval(50);
  QObject::connect(poll, &QTimer::timeout, [poll, waited, step] {
    QWidget* w = QApplication::activeModalWidget();
    const bool up = w && w->isVisible();
    if (!up && waited->elapsed() < 15000) return;
    poll->stop();
    poll->deleteLater();
    delete waited;
    Check(up, "a dialog came up");
    if (!up) return;
    Pump(300);
    step(w);
  });
  poll->start();
}

QMenu* TopMenu(TForm1& window, TMenu m) {
  return window.findChild<QMenu*>(QStringLiteral("Menu") + QString::number(static_cast<int>(m)));
}

// Opens a top-level menu with a click on the menu bar.
QMenu* OpenMenu(TForm1& window, TMenu m) {
  auto* bar = window.findChild<QMenuBar*>(QStringLiteral("MainMenu1"));
  QMenu* menu = TopMenu(window, m);
  if (!bar || !menu) return nullptr;
  ClickAt(bar->mapToGlobal(bar->actionGeometry(menu->menuAction()).center()), 1);
  Pump(300);
  return menu->isVisible() ? menu : nullptr;
}

QAction* Item(QMenu* menu, const char* name) {
  if (!menu) return nullptr;
  for (QAction* a : menu->actions())
    if (a->objectName() == QLatin1String(name)) return a;
  return nullptr;
}

// Clicks an item of an open menu.
bool Choose(QMenu* menu, const char* name) {
  QAction* a = Item(menu, name);
  return a && ClickAt(menu->mapToGlobal(menu->actionGeometry(a).center()), 1);
}

// In the file dialog: the type chosen from its list (1-based, from the
// first), the path typed, Enter.
void TypeIntoFileDialog(QWidget* w, const std::string& path, int type = 0) {
  auto* dlg = qobject_cast<QFileDialog*>(w);
  Check(dlg != nullptr, "the file dialog is up");
  if (!dlg) return;
  Check(HasJapanese(dlg->labelText(QFileDialog::LookIn)) && HasJapanese(dlg->labelText(QFileDialog::FileName)),
        "the file dialog speaks Japanese: " + dlg->labelText(QFileDialog::LookIn).toStdString());
  if (type > 0) {
    auto* types = dlg->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    Check(ClickWidget(types), "xdotool opens the list of file types");
    Pump(300);
    QStringList keys;
    for (int i = types->currentIndex() + 1; i < type; ++i) Xdo({"key", "Down"});
    Xdo({"key", "Return"});
    Check(types->currentIndex() == type - 1, "file type " + std::to_string(type) + " chosen");
  }
  auto* name = dlg->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  ClickWidget(name);
  Xdo({"key", "ctrl+a"});
  Xdo({"type", "--delay", "20", QString::fromStdString(path)});
  Xdo({"key", "Return"});
}

void Session(TForm1& window) {
  QElapsedTimer t;
  t.start();
  while (!window.paintBox()->painted() && t.elapsed() < 10000) Pump(50);
  Pump(300);
  Check(window.paintBox()->painted(), "the window painted its drawing area");

  // A fresh program folder: the recent-file list says it is empty.
  QMenu* file = OpenMenu(window, TMenu::File);
  Check(file != nullptr, "xdotool opens the file menu");
  QAction* none = Item(file, "ReOpen1");
  Check(none && none->text() == QStringLiteral("なし") && !none->isEnabled(), "the recent files read なし");
  Xdo({"key", "Escape"});

  // 開く: the dialog, the path typed.
  const std::string plan = (Docs() / "plan.vld").string();
  WhenModal([plan](QWidget* w) { TypeIntoFileDialog(w, plan); });
  Check(ClickWidget(window.findChild<QToolButton*>(QStringLiteral("BtnOpen1"))), "xdotool clicks 開く");
  Pump(500);
  Check(Lines() == kLines, "開く opened the drawing: " + std::to_string(Lines()) + " lines");
  Check(CurPVC().fileName == plan, "the window is plan.vld");

  // 名前を付けて保存 as VLD.
  const fs::path copy = Docs() / "copy1.VLD";
  file = OpenMenu(window, TMenu::File);
  WhenModal([copy](QWidget* w) { TypeIntoFileDialog(w, (Docs() / "copy1").string()); });
  Check(Choose(file, "SaveAs1"), "xdotool chooses 名前を付けて保存");
  Pump(500);
  Check(fs::exists(copy), "copy1.VLD written");
  Check(ReadAll(copy).rfind(Utf8ToSjis("Velmoデータファイル"), 0) == 0, "as native text");
  Check(CurPVC().fileName == copy.string(), "the window is copy1.VLD");

  // The same with the VLZ type chosen in the dialog.
  const fs::path packed = Docs() / "plan2.VLZ";
  file = OpenMenu(window, TMenu::File);
  WhenModal([](QWidget* w) { TypeIntoFileDialog(w, (Docs() / "plan2").string(), 4); });
  Check(Choose(file, "SaveAs1"), "xdotool chooses 名前を付けて保存 again");
  Pump(500);
  Check(fs::exists(packed), "plan2.VLZ written");
  Check(ReadAll(packed).rfind("CMP-VLD", 0) == 0, "compressed");
  Check(!fs::exists(Docs() / "plan2.VLD"), "and no plan2.VLD");
  Check(CurPVC().fileName == packed.string() && CurPVC().modified == 0, "the window is plan2.VLZ, saved");

  // A line drawn; opening a menu ends the line operation.
  Check(ClickWidget(window.speedButton(OpBtn_Line)), "xdotool clicks the line button");
  const QPoint o = window.paintBox()->mapToGlobal(QPoint(0, 0));
  ClickAt(o + QPoint(100, 100), 1);
  ClickAt(o + QPoint(300, 150), 1);
  Check(Lines() == kLines + 1 && CurPVC().modified != 0, "a line drawn: modified");
  file = OpenMenu(window, TMenu::File);
  Check(CurOpButton() == OpBtn_Dummy, "opening the menu ended the line operation");

  // 新規作成 asks; "No" discards.
  bool asked = false;
  WhenModal([&asked](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    asked = box != nullptr;
    Check(asked, "新規作成 asks about the modified drawing");
    if (!box) return;
    QAbstractButton* no = box->button(QMessageBox::No);
    Check(no && HasJapanese(no->text()), "its buttons speak Japanese: " + (no ? no->text().toStdString() : ""));
    ClickWidget(no);
  });
  Check(Choose(file, "New1"), "xdotool chooses 新規作成");
  Pump(500);
  Check(asked, "the question came");
  Check(Lines() == 0 && CurPVC().fileName.empty() && CurPVC().modified == 0, "新規作成 cleared the window");

  // The recent files: plan2.VLZ first, then copy1.VLD and plan.vld.
  file = OpenMenu(window, TMenu::File);
  QAction* first = Item(file, "ReOpen1");
  QAction* third = Item(file, "ReOpen3");
  Check(first && first->text() == QString::fromStdString(packed.string()), "the newest recent file is plan2.VLZ");
  Check(third && third->text() == QString::fromStdString(plan), "the third is plan.vld");
  Check(Choose(file, "ReOpen1"), "xdotool chooses it");
  Pump(500);
  Check(Lines() == kLines && CurPVC().fileName == packed.string(), "the recent-file item reopened plan2.VLZ");
  Check(ReadAll(Home() / "Operation.hst").find(packed.string()) != std::string::npos,
        "Operation.hst lists it");
  window.close();
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("VELMO_HOME")) {
    std::fputs("gui_files_xdotool: VELMO_HOME must name an empty folder\n", stderr);
    return 2;
  }
  fs::create_directories(Docs());
  WritePlan(Docs() / "plan.vld");
  QApplication app(argc, argv);
  TMainRun run;
  run.maximized = false;
  run.width = 1100;
  run.height = 750;
  run.started = [](TForm1& window) {
    // A dialog nobody answers must fail the test, not hang it.
    QTimer::singleShot(240000, [] {
      Check(false, "the session ended within four minutes");
      std::fflush(stdout);
      std::_Exit(1);
    });
    window.move(0, 0);
    QTimer::singleShot(0, &window, [&window] { Session(window); });
  };
  const int rc = RunMainWindow(run);
  Check(rc == 0, "the program ended normally");
  std::printf("%s\n", g_failures ? "FAILED" : "PASSED");
  return g_failures ? 1 : 0;
}
