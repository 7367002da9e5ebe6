#include "platform/qt/QtLayerPanels.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QMenu>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <string>
#include <utility>

#include "app/ApInput.h"
#include "app/ApManager.h"
#include "platform/qt/QtConvert.h"
#include "platform/qt/QtText.h"

namespace {

constexpr int kGroupWidth = 10;   // one of sixteen group buttons in a row
constexpr int kButtonHeight = 18;

QHBoxLayout* Row(QBoxLayout* parent, int spacing = 1) {
  auto* row = new QHBoxLayout;
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(spacing);
  parent->addLayout(row);
  return row;
}

}  // namespace

// --- one panel

TPanelLabel::TPanelLabel(QWidget* parent, const QString& name) : QLabel(parent) {
  setObjectName(name);
  setFrameStyle(QFrame::Panel | QFrame::Raised);
  setLineWidth(1);
  setAlignment(Qt::AlignCenter);
  setMargin(0);
  setFixedHeight(kButtonHeight);
  setAutoFillBackground(true);
  setFocusPolicy(Qt::NoFocus);
}

void TPanelLabel::Show(const TControl& c) {
  TPanelButton b;
  static_cast<TControl&>(b) = c;
  b.fontColor = palette().color(QPalette::WindowText).rgb() & 0xFFFFFF;
  b.bold = font().bold();
  b.underline = font().underline();
  Show(b);
}

void TPanelLabel::Show(const TPanelButton& c) {
  // Shown again on every refresh of the window: only what changed is set.
  if (shown_ && c.caption == seen_.caption && c.hint == seen_.hint && c.color == seen_.color &&
      c.fontColor == seen_.fontColor && c.bold == seen_.bold && c.underline == seen_.underline &&
      c.visible == seen_.visible && c.enabled == seen_.enabled)
    return;
  shown_ = true;
  seen_ = c;
  setText(FromSjis(c.caption));
  setToolTip(FromSjis(c.hint));
  QPalette p = palette();
  p.setColor(QPalette::Window, Rgb(c.color));
  p.setColor(QPalette::WindowText, Rgb(c.fontColor));
  setPalette(p);
  QFont f = font();
  f.setBold(c.bold);
  f.setUnderline(c.underline);
  setFont(f);
  setVisible(c.visible);
  setEnabled(c.enabled);
}

void TPanelLabel::mousePressEvent(QMouseEvent* e) {
  const unsigned button = ButtonBit(e->button());
  if (button && onPress) onPress(button, ShiftBits(e->modifiers(), e->buttons()));
}

void TPanelLabel::mouseDoubleClickEvent(QMouseEvent* e) { mousePressEvent(e); }

void TPanelLabel::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton && onClick && rect().contains(e->position().toPoint())) onClick();
}

// --- the panels

TLayerPanels::TLayerPanels(QWidget* parent, std::function<void()> afterInput)
    : QFrame(parent), afterInput_(std::move(afterInput)) {
  setObjectName(QStringLiteral("PnlGrpLay"));
  setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  auto* col = new QVBoxLayout(this);
  col->setContentsMargins(2, 2, 2, 2);
  col->setSpacing(2);

  // Groups: the label and "ALL", one row of sixteen, the write group's
  // name and scale.
  QHBoxLayout* head = Row(col);
  lbGroup = Make(this, QStringLiteral("lbGroup"));
  lbGroup->setFrameStyle(QFrame::NoFrame);
  head->addWidget(lbGroup, 1);
  PnlGrpAll = Make(this, QStringLiteral("PnlGrpAll"));
  PnlGrpAll->setFixedWidth(34);
  head->addWidget(PnlGrpAll);
  QHBoxLayout* groups = Row(col, 0);
  for (int k = 0; k < 16; ++k) {
    PnlGrp[k] = Make(this, QStringLiteral("PnlGrp%1").arg(k));
    PnlGrp[k]->setFixedWidth(kGroupWidth);
    QFont f = PnlGrp[k]->font();
    f.setPixelSize(10);
    PnlGrp[k]->setFont(f);
    groups->addWidget(PnlGrp[k]);
  }
  PnlGrpNam = Make(this, QStringLiteral("PnlGrpNam"));
  PnlGrpNam->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  col->addWidget(PnlGrpNam);
  lbScale = Make(this, QStringLiteral("lbScale"));
  lbScale->setFrameStyle(QFrame::NoFrame);
  col->addWidget(lbScale);

  // Layers: the label, "ALL" and "一括", two columns of eight, the write
  // layer's name.
  QHBoxLayout* lhead = Row(col);
  PnlLayLbl = Make(this, QStringLiteral("PnlLayLbl"));
  PnlLayLbl->setFrameStyle(QFrame::NoFrame);
  lhead->addWidget(PnlLayLbl, 1);
  PnlLayAll = Make(this, QStringLiteral("PnlLayAll"));
  PnlLayAll->setFixedWidth(34);
  lhead->addWidget(PnlLayAll);
  BtnLayerSyncChange = Make(this, QStringLiteral("BtnLayerSyncChange"));
  BtnLayerSyncChange->setFixedWidth(34);
  lhead->addWidget(BtnLayerSyncChange);
  auto* layers = new QGridLayout;
  layers->setContentsMargins(0, 0, 0, 0);
  layers->setSpacing(1);
  for (int j = 0; j < 16; ++j) {
    PnlLay[j] = Make(this, QStringLiteral("PnlLay%1").arg(j));
    layers->addWidget(PnlLay[j], j % 8, j / 8);
  }
  col->addLayout(layers);
  PnlLayNam = Make(this, QStringLiteral("PnlLayNam"));
  PnlLayNam->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  col->addWidget(PnlLayNam);
  col->addStretch(1);

  // The display switches, one column.
  static constexpr const char* kDspNames[Dsp_Count] = {"DspMode",    "DspPoint",  "DspLine",   "DspMoji",
                                                       "DspPolygon", "DspPicture", "DspAssist", "DspGrid"};
  auto* dsp = new QVBoxLayout;
  dsp->setContentsMargins(0, 0, 0, 0);
  dsp->setSpacing(1);
  for (int i = 0; i < Dsp_Count; ++i) {
    Dsp[i] = Make(this, QString::fromLatin1(kDspNames[i]));
    dsp->addWidget(Dsp[i]);
  }
  col->addLayout(dsp);
  Sync();
}

TPanelLabel* TLayerPanels::MakeFixZoom(QWidget* parent) {
  FixZoom = Make(parent, QStringLiteral("FixZoom"));
  FixZoom->setMinimumWidth(64);
  FixZoom->Show(g_grpLay.FixZoom);
  return FixZoom;
}

TPanelLabel* TLayerPanels::Make(QWidget* parent, const QString& name) {
  auto* l = new TPanelLabel(parent, name);
  const std::string control = name.toStdString();
  const TNamedControl* c = FindControl(control);
  if (c && c->press) {
    l->onPress = [this, control](unsigned button, unsigned shift) {
      InputControlPress(control, button, shift);
      afterInput_();
    };
  }
  if (c && c->click) {
    l->onClick = [this, control] {
      InputControlClick(control);
      afterInput_();
    };
  }
  return l;
}

void TLayerPanels::AttachPens(QLabel* writePen, QLabel* const presets[5]) {
  ImagePen = writePen;
  ImagePen->setObjectName(QStringLiteral("ImagePen"));
  ImagePen->installEventFilter(this);
  penMenu_ = new QMenu(this);
  penMenu_->setObjectName(QStringLiteral("PenHistMenu"));
  for (int i = 0; i < 5; ++i) {
    QAction* a = penMenu_->addAction(FromSjis(g_grpLay.penHistMenu[i]));
    connect(a, &QAction::triggered, this, [this, i] {
      InputControlClick("PenHist" + std::to_string(i + 1));
      afterInput_();
    });
    ImPenHst[i] = presets[i];
    ImPenHst[i]->setObjectName(QStringLiteral("ImPenHst%1").arg(i + 1));
    ImPenHst[i]->installEventFilter(this);
  }
  Sync();
}

bool TLayerPanels::eventFilter(QObject* obj, QEvent* e) {
  if (e->type() != QEvent::MouseButtonPress && e->type() != QEvent::MouseButtonRelease) return false;
  auto* me = static_cast<QMouseEvent*>(e);
  if (obj == ImagePen && ImagePen && e->type() == QEvent::MouseButtonPress && me->button() == Qt::RightButton) {
    penMenu_->popup(me->globalPosition().toPoint());
    return true;
  }
  for (int i = 0; i < 5; ++i) {
    if (obj != ImPenHst[i] || !ImPenHst[i]) continue;
    if (e->type() == QEvent::MouseButtonRelease && me->button() == Qt::LeftButton &&
        ImPenHst[i]->rect().contains(me->position().toPoint())) {
      InputControlClick("ImPenHst" + std::to_string(i + 1));
      afterInput_();
    }
    return true;
  }
  return false;
}

void TLayerPanels::Sync() {
  const GrpLayState& s = g_grpLay;
  lbGroup->Show(s.lbGroup);
  PnlGrpAll->Show(s.PnlGrpAll);
  for (int k = 0; k < 16; ++k) PnlGrp[k]->Show(s.PnlGrp[k]);
  PnlGrpNam->Show(s.PnlGrpNam);
  lbScale->Show(s.lbScale);
  PnlLayLbl->Show(s.PnlLayLbl);
  PnlLayAll->Show(s.PnlLayAll);
  BtnLayerSyncChange->Show(s.BtnLayerSyncChange);
  for (int j = 0; j < 16; ++j) PnlLay[j]->Show(s.PnlLay[j]);
  PnlLayNam->Show(s.PnlLayNam);
  for (int i = 0; i < Dsp_Count; ++i) Dsp[i]->Show(s.Dsp[i]);
  if (FixZoom) FixZoom->Show(s.FixZoom);
  if (ImagePen) ImagePen->setToolTip(FromSjis(s.ImagePen.hint));
  for (int i = 0; i < 5; ++i)
    if (ImPenHst[i]) ImPenHst[i]->setToolTip(FromSjis(s.ImPenHst[i].hint));
}
