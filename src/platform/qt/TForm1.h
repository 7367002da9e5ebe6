// The main window. Its widgets show the core's control state (g_form1, the
// palette's down button) and forward every input to the core's handlers
// (Ap_Unit1.h, ApManager.h); after each forwarded event SyncFromCore()
// brings the widgets up to date. No widget decides anything itself.
#pragma once

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/ApManager.h"
#include "render/RasterCanvas.h"

class QComboBox;
class QProgressBar;
class QMenu;
class QMenuBar;
class QToolButton;
class TLayerPanels;

// The drawing area: shows the view's back buffer (app/GC_View.h) and
// forwards the mouse, the wheel and its size to the core. The window
// repaints the part of it that drawing touched at each SyncFromCore; the
// core draws the whole view on the first paint, on a resize and when it
// asks itself. While the core confines the pointer (the zoom box) the area
// grabs the mouse and, on X11, keeps the pointer inside.
class TPaintBox final : public QWidget {
  Q_OBJECT
public:
  explicit TPaintBox(QWidget* parent, std::function<void()> afterInput);
  bool painted() const { return painted_; }
  // Grabs the mouse (and keeps the pointer inside where the display server
  // lets a program move it), or lets go.
  void Confine(bool on);

Q_SIGNALS:
  // Emitted after the first paint.
  void firstPaint();

protected:
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;

private:
  std::function<void()> afterInput_;
  bool painted_ = false;
  bool confined_ = false;
  int wheelRest_ = 0;  // a part of a notch (fine-grained wheels and touchpads)
};

// A palette button: checkable, with its caption wrapped onto two lines
// when it is long (the hint texts stand in for glyphs).
class TSpeedButton final : public QPushButton {
  Q_OBJECT
public:
  TSpeedButton(TOpButton id, const QString& caption, QWidget* parent);
  TOpButton id() const { return id_; }
  // Place and caption as built, shown while the core's palette has pictures.
  QRect glyphGeometry;
  QString glyphCaption;

protected:
  void paintEvent(QPaintEvent* e) override;

private:
  TOpButton id_;
};

// The entry box: Up and Down browse the history, Enter confirms; other keys
// edit the text as usual and the edited text goes to the core.
class TEntryEdit final : public QLineEdit {
  Q_OBJECT
public:
  TEntryEdit(QWidget* parent, std::function<void()> afterInput);

protected:
  void keyPressEvent(QKeyEvent* e) override;

private:
  std::function<void()> afterInput_;
};

class TForm1 final : public QWidget {
  Q_OBJECT
public:
  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;

  // Refreshes every widget from the core's state when it changed since the
  // last call (the palette's down button always).
  void SyncFromCore();
  // The status label and the guide panel shown and painted at once,
  // without the event loop.
  void ShowStatusNow();
  // The progress panel as the core's state says.
  void SyncProgress();
  // Text input's fields as the core holds them.
  void SyncMoji();
  // What the user typed into a field of text input (or an input method
  // committed there); characters without a Shift-JIS form are refused.
  void MojiEdited(TEditField field, const QString& text);

  TPaintBox* paintBox() const { return PaintBox1; }
  // The palette button of an operation, or nullptr.
  TSpeedButton* speedButton(TOpButton b) const;

protected:
  bool eventFilter(QObject* obj, QEvent* e) override;
  // Closing asks the core (save questions) and, when it agrees, lets it
  // write its files.
  void closeEvent(QCloseEvent* e) override;
  // Files dropped from the desktop go to the core.
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dropEvent(QDropEvent* e) override;

private:
  // The menu bar from the core's command registry (app/ApMainMenu): one
  // menu per top-level menu, filled as it opens.
  void BuildMenuBar();
  void FillMenu(QMenu* menu, int top);
  void BuildTopBar(QWidget* parent);
  void BuildOperationBar(QWidget* parent);
  QWidget* BuildLeft(QWidget* parent);
  QWidget* BuildRight(QWidget* parent);
  QWidget* BuildBottom(QWidget* parent);
  void SyncEntry();
  void PlaceHistory();
  void EntryEdited(const QString& text);
  void SyncPalette();
  void SyncPenPreviews();

  QMenuBar* MainMenu1 = nullptr;
  // Top bar
  QFrame* PnTopBtns = nullptr;
  QLabel* lbFileName = nullptr;
  // Operation bar
  QFrame* Pv_Top = nullptr;
  QFrame* PvEsc = nullptr;
  QLabel* PvEscLabel = nullptr;
  QFrame* PvEdit = nullptr;
  TEntryEdit* edCommon = nullptr;
  QFrame* PvBtns = nullptr;
  QFrame* PvBtn[7] = {};
  QLabel* PvBtnLabel[7] = {};
  QLabel* lbComHst = nullptr;
  QFrame* PvMojiNo = nullptr;
  QFrame* PvHatting = nullptr;          // hatching's patterns
  QToolButton* BtnHaching[4] = {};
  QComboBox* CbMojiSize = nullptr;
  // Text input's panel: the angle and text fields over their history lists,
  // and the direction button.
  QFrame* PvMoji = nullptr;
  QComboBox* cbMojiA = nullptr;
  QComboBox* cbMojiT = nullptr;
  QPushButton* sbMojiV = nullptr;
  // Prompt line
  QFrame* PnlGuid = nullptr;
  QLabel* lbGuid1 = nullptr;
  // Drawing area
  TPaintBox* PaintBox1 = nullptr;
  // The progress panel over the drawing area (a long task).
  QFrame* progressPanel_ = nullptr;
  QLabel* progressLabel_ = nullptr;
  QProgressBar* progressBar_ = nullptr;
  // Palette
  TSpeedButton* opButtons_[OpBtn_Count] = {};
  // Pen previews: the write pen and presets A..E, drawn by the core's pen
  // module into canvases these labels show.
  QLabel* wrtPenLabel_ = nullptr;
  QLabel* quickPenLabels_[5] = {};
  RasterCanvas wrtPenCanvas_, quickPenCanvas_[5];
  std::array<std::uint32_t, 24> seenPens_{};  // what the previews show
  // The group and layer panels, display switches, "範囲記憶"
  TLayerPanels* layerPanels_ = nullptr;
  // One-stroke drawing's command window.
  class TLineKeyWindow* lineKeyWindow_ = nullptr;
  // Right column
  QFrame* OffsetMode = nullptr;
  QLabel* OffsetModeLabel = nullptr;
  QToolButton* Btn_Change = nullptr;
  // Status bar
  QLabel* pnMouse = nullptr;
  QLabel* lbDataCount = nullptr;

  bool synced_ = false;
  unsigned seenRevision_ = 0;
  // The entry box as last shown, so the widget's own caret and selection
  // stay while the core leaves them alone.
  std::string seenText_;
  int seenSelStart_ = -1, seenSelLength_ = -1;
  bool seenFocused_ = false;
};
