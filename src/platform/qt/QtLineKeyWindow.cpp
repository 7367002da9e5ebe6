#include "platform/qt/QtLineKeyWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QVBoxLayout>

#include "app/ApInput.h"
#include "app/ApKeyEvent.h"
#include "ops/Op_LineKey.h"
#include "platform/qt/QtConvert.h"
#include "platform/qt/QtText.h"

TLineKeyWindow::TLineKeyWindow(QWidget* mainWindow, std::function<void()> afterInput)
    : QWidget(mainWindow, Qt::Tool), main_(mainWindow), afterInput_(std::move(afterInput)) {
  setObjectName(QStringLiteral("TfmLineKey"));
  setWindowTitle(QStringLiteral("数値で直線描画 (一筆書き)"));
  auto* layout = new QVBoxLayout(this);
  LbBakCmd = new QLabel(this);
  LbBakCmd->setObjectName(QStringLiteral("LbBakCmd"));
  layout->addWidget(LbBakCmd);
  CmdEdit1 = new QLineEdit(this);
  CmdEdit1->setObjectName(QStringLiteral("CmdEdit1"));
  CmdEdit1->setAttribute(Qt::WA_InputMethodEnabled, false);
  CmdEdit1->installEventFilter(this);
  layout->addWidget(CmdEdit1);
  CbxCursorMode = new QCheckBox(QStringLiteral("入力値のピッチで矢印キー作図する."), this);
  CbxCursorMode->setObjectName(QStringLiteral("CbxCursorMode"));
  CbxCursorMode->setFocusPolicy(Qt::NoFocus);
  layout->addWidget(CbxCursorMode);
  for (const char* help : {"例", "|123     : 右", "|,-123   : 下", "|123,123 :右上", "数値入力後に<Enter>キーを押してください。"}) {
    auto* l = new QLabel(QString::fromUtf8(help), this);
    l->setFont(QFont(QStringLiteral("monospace")));
    layout->addWidget(l);
  }
  QObject::connect(CmdEdit1, &QLineEdit::textEdited, this, [this](const QString& text) {
    if (syncing_) return;
    InputControlText("CmdEdit1", ToSjis(text));
    afterInput_();
  });
  QObject::connect(CbxCursorMode, &QCheckBox::clicked, this, [this] {
    InputControlClick("CbxCursorMode");
    afterInput_();
    CmdEdit1->setFocus();
  });
}

void TLineKeyWindow::Sync() {
  const TLineKeyForm& f = g_lineKeyOp.form;
  if (!f.visible) {
    if (isVisible()) hide();
    return;
  }
  if (!isVisible()) {
    adjustSize();
    // The main window's top right corner.
    const QRect frame = main_->frameGeometry();
    move(frame.right() - frameGeometry().width() + 1, frame.top());
    show();
    TakeFocus();
  }
  if (seen_ == f.revision) return;
  seen_ = f.revision;
  syncing_ = true;
  LbBakCmd->setText(FromSjis(f.LbBakCmd));
  if (CmdEdit1->text() != FromSjis(f.CmdEdit1)) {
    CmdEdit1->setText(FromSjis(f.CmdEdit1));
    if (f.CbxCursorMode) CmdEdit1->setCursorPosition(0);
  }
  CbxCursorMode->setChecked(f.CbxCursorMode);
  syncing_ = false;
}

void TLineKeyWindow::TakeFocus() {
  if (!isVisible()) return;
  activateWindow();
  raise();
  CmdEdit1->setFocus();
}

bool TLineKeyWindow::eventFilter(QObject* obj, QEvent* e) {
  if (obj != CmdEdit1) return false;
  if (e->type() == QEvent::MouseButtonPress) {
    InputControlPress("CmdEdit1", ssLeft, 0);
    afterInput_();
    return false;
  }
  if (e->type() != QEvent::KeyPress && e->type() != QEvent::KeyRelease) return false;
  auto* ke = static_cast<QKeyEvent*>(e);
  const int vk = QtKeyToVk(ke->key(), ke->modifiers());
  const bool own = vk == kVkEnter || vk == kVkEsc || vk == kVkLeft || vk == kVkRight || vk == kVkUp ||
                   vk == kVkDown || g_lineKeyOp.form.CbxCursorMode;
  if (!own) return false;  // edited by the field, told by textEdited
  if (e->type() == QEvent::KeyPress) {
    InputKeyDown(vk, ShiftBits(ke->modifiers(), Qt::NoButton));
    afterInput_();
  } else if (!ke->isAutoRepeat()) {
    InputKeyUp(vk);
  }
  return true;
}

void TLineKeyWindow::closeEvent(QCloseEvent* e) {
  e->ignore();  // the core hides it when the operation ends
  InputControlClick("TfmLineKeyClose");
  afterInput_();
}

void TLineKeyWindow::mousePressEvent(QMouseEvent* e) {
  QWidget::mousePressEvent(e);
  InputControlPress("TfmLineKey", ssLeft, 0);
  afterInput_();
}
