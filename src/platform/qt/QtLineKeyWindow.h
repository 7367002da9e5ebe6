// One-stroke drawing's command window "数値で直線描画 (一筆書き)": a tool
// window at the main window's top right showing the core's form
// (TLineKeyForm). Its keys go to the core's command field handling (Enter,
// Esc, the arrows, every key in arrow-key mode) and its edited text to the
// core; none reaches the main window.
#pragma once

#include <QWidget>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;

class TLineKeyWindow final : public QWidget {
  Q_OBJECT
public:
  TLineKeyWindow(QWidget* mainWindow, std::function<void()> afterInput);
  // Shows, hides and fills the window as the core's form says.
  void Sync();
  // The command field takes the keys again (after a click in the drawing).
  void TakeFocus();

protected:
  bool eventFilter(QObject* obj, QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;

private:
  QWidget* main_;
  std::function<void()> afterInput_;
  QLineEdit* CmdEdit1 = nullptr;
  QLabel* LbBakCmd = nullptr;
  QCheckBox* CbxCursorMode = nullptr;
  unsigned seen_ = ~0u;
  bool syncing_ = false;
};
