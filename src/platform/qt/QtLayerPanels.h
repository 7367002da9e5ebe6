// The group and layer panels on the main window's right column, the
// range-memory button and the pen presets' input. Each widget shows one
// control of the core's panel state (app/ApGrpLay.h: caption, colour,
// hint, bold or underlined caption) and forwards its presses and clicks to
// the core's input (app/ApInput); Sync() brings the widgets up to date.
#pragma once

#include <QFrame>
#include <QLabel>
#include <functional>

#include "app/ApGrpLay.h"

class QMenu;

// A panel with a caption: presses (any button) and left clicks (released
// inside) go to the handlers given.
class TPanelLabel final : public QLabel {
  Q_OBJECT
public:
  TPanelLabel(QWidget* parent, const QString& name);
  std::function<void(unsigned button, unsigned shift)> onPress;
  std::function<void()> onClick;
  // Caption, hint, colour, visible and enabled from the core; a panel
  // button's font too (a plain control keeps the panel's own font).
  void Show(const TControl& c);
  void Show(const TPanelButton& c);

protected:
  void mousePressEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;

private:
  bool shown_ = false;
  TPanelButton seen_;  // what the panel shows
};

class TLayerPanels final : public QFrame {
  Q_OBJECT
public:
  // afterInput runs after every forwarded event (the window's refresh).
  TLayerPanels(QWidget* parent, std::function<void()> afterInput);

  // "範囲記憶", on the window's bottom bar.
  TPanelLabel* MakeFixZoom(QWidget* parent);
  // The write pen's preview takes the presets' pop-up menu ("[ A ] に登録"
  // ...) on a right press; a click on a preset's preview chooses it.
  void AttachPens(QLabel* writePen, QLabel* const presets[5]);
  QMenu* penMenu() const { return penMenu_; }

  void Sync();

protected:
  bool eventFilter(QObject* obj, QEvent* e) override;

private:
  // A panel for the core's named control of that name, forwarding the
  // presses and clicks the control takes (app/ApInput).
  TPanelLabel* Make(QWidget* parent, const QString& name);

  std::function<void()> afterInput_;
  TPanelLabel* lbGroup = nullptr;
  TPanelLabel* PnlGrpAll = nullptr;
  TPanelLabel* PnlGrp[16] = {};
  TPanelLabel* PnlGrpNam = nullptr;
  TPanelLabel* lbScale = nullptr;
  TPanelLabel* PnlLayLbl = nullptr;
  TPanelLabel* PnlLayAll = nullptr;
  TPanelLabel* BtnLayerSyncChange = nullptr;
  TPanelLabel* PnlLay[16] = {};
  TPanelLabel* PnlLayNam = nullptr;
  TPanelLabel* Dsp[Dsp_Count] = {};
  TPanelLabel* FixZoom = nullptr;
  QLabel* ImagePen = nullptr;
  QLabel* ImPenHst[5] = {};
  QMenu* penMenu_ = nullptr;
};
