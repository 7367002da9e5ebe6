#include "platform/qt/TForm1.h"

#include <QApplication>
#include <QCursor>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QProgressBar>
#include <QTimer>
#include <QRegion>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <utility>

#include "app/ApInit.h"
#include "app/ApInput.h"
#include "app/ApKeyEvent.h"
#include "app/ApMainMenu.h"
#include "app/ApMouse.h"
#include "app/ApUndo.h"
#include "app/Ap_Offset.h"
#include "app/Ap_Unit1.h"
#include "app/GC_View.h"
#include "files/FileProc.h"
#include "kernel/Platform.h"
#include "kernel/SjisConv.h"
#include "model/ComHst.h"
#include "platform/qt/QtConvert.h"
#include "platform/qt/QtLayerPanels.h"
#include "platform/qt/QtKeyPreview.h"
#include "platform/qt/QtLineKeyWindow.h"
#include "platform/qt/QtPaint.h"
#include "platform/qt/QtText.h"
#include "render/ApPenSet.h"

namespace {

// The palette keeps the table's rows and columns; columns are spread wider
// so that the text captions can be read until the buttons get glyphs.
constexpr int kPaletteXScale = 2;
constexpr int kSpeedWidth = 39 * kPaletteXScale - 2;
constexpr int kSpeedHeight = 34;
constexpr int kPaletteMargin = 3;

constexpr int kBarHeight = 34;     // the operation bar
constexpr int kSubHeight = 26;     // a sub-menu button
constexpr int kRightWidth = 176;   // the right column: sixteen group buttons in a row

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

void SetPanelColor(QWidget* w, std::uint32_t rgb) {
  QPalette p = w->palette();
  p.setColor(QPalette::Window, Rgb(rgb));
  w->setPalette(p);
  w->setAutoFillBackground(true);
}

void ShowControl(QWidget* w, const TControl& c) {
  w->setVisible(c.visible);
  w->setEnabled(c.enabled);
  w->setToolTip(FromSjis(c.hint));
}

// The sub-menu buttons and the history label are laid out by bytes: a
// fixed-pitch Japanese font whose half-width characters are half as wide as
// the full-width ones.
QFont ByteFont() {
  QFont f(QStringLiteral("IPAGothic"));
  f.setStyleHint(QFont::TypeWriter);
  f.setFixedPitch(true);
  f.setPixelSize(16);
  return f;
}

QToolButton* ToolButton(QWidget* parent, const char* name, const QString& caption) {
  auto* b = new QToolButton(parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setText(caption);
  b->setFocusPolicy(Qt::NoFocus);
  b->setToolButtonStyle(Qt::ToolButtonTextOnly);
  return b;
}

QFrame* Panel(QWidget* parent, const char* name, QFrame::Shape shape = QFrame::NoFrame,
              QFrame::Shadow shadow = QFrame::Plain) {
  auto* f = new QFrame(parent);
  f->setObjectName(QString::fromLatin1(name));
  f->setFrameShape(shape);
  f->setFrameShadow(shadow);
  return f;
}

QLabel* Label(QWidget* parent, const char* name) {
  auto* l = new QLabel(parent);
  l->setObjectName(QString::fromLatin1(name));
  return l;
}

// A menu accelerator as the menu shows it: "Ctrl+S", "Shift+F2".
QString ShortcutText(int key, unsigned shift) {
  QString s;
  if (shift & ssCtrl) s += QStringLiteral("Ctrl+");
  if (shift & ssShift) s += QStringLiteral("Shift+");
  if (shift & ssAlt) s += QStringLiteral("Alt+");
  if (key >= kVkF1 && key < kVkF1 + 12) return s + u'F' + QString::number(key - kVkF1 + 1);
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return s + QChar(key);
  return {};
}

// The number of UTF-16 units that the first `bytes` bytes of a CP932 text
// become on the screen.
int ScreenIndex(const std::string& sjis, int bytes) {
  bytes = std::clamp(bytes, 0, static_cast<int>(sjis.size()));
  return static_cast<int>(FromSjis(sjis.substr(0, static_cast<std::size_t>(bytes))).size());
}

}  // namespace

// --- the drawing area

TPaintBox::TPaintBox(QWidget* parent, std::function<void()> afterInput)
    : QWidget(parent), afterInput_(std::move(afterInput)) {
  setObjectName(QStringLiteral("PaintBox1"));
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::NoFocus);
  setMinimumSize(1, 1);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void TPaintBox::paintEvent(QPaintEvent* e) {
  if (!painted_) {
    // The core draws the whole view the first time; the window then shows
    // the rest of what changed (the counts) once this paint is over.
    PaintBox1Paint();
    QTimer::singleShot(0, this, afterInput_);
  }
  QPainter p(this);
  const QImage view = WrapRaster(std::as_const(ViewBuffer()).Image());
  const QRect area = e->rect();
  if (view.isNull()) {
    p.fillRect(area, Qt::black);
  } else {
    p.drawImage(area.topLeft(), view, area);
    // Beyond the buffer (a resize on its way): black.
    const QRegion rest = QRegion(area) - QRegion(view.rect());
    for (const QRect& r : rest) p.fillRect(r, Qt::black);
  }
  if (!painted_) {
    painted_ = true;
    Q_EMIT firstPaint();
  }
}

void TPaintBox::mousePressEvent(QMouseEvent* e) {
  const unsigned button = ButtonBit(e->button());
  if (!button) return;
  InputMouseDown(button, ShiftBits(e->modifiers(), e->buttons()), e->position().x(), e->position().y());
  afterInput_();
}

void TPaintBox::mouseDoubleClickEvent(QMouseEvent* e) {
  // The second press of a double click.
  const unsigned button = ButtonBit(e->button());
  if (!button) return;
  InputMouseDown(button, ShiftBits(e->modifiers(), e->buttons()) | ssDouble, e->position().x(),
                 e->position().y());
  afterInput_();
}

void TPaintBox::mouseMoveEvent(QMouseEvent* e) {
  QPointF pos = e->position();
  if (confined_ && !rect().contains(pos.toPoint())) {
    // Back inside: the pointer may not leave the area while the zoom box runs.
    const QPoint in(std::clamp(static_cast<int>(pos.x()), 0, width() - 1),
                    std::clamp(static_cast<int>(pos.y()), 0, height() - 1));
    if (QGuiApplication::platformName() == QLatin1String("xcb")) QCursor::setPos(mapToGlobal(in));
    pos = in;
  }
  InputMouseMove(ShiftBits(e->modifiers(), e->buttons()), pos.x(), pos.y());
  afterInput_();
}

void TPaintBox::wheelEvent(QWheelEvent* e) {
  const QPoint d = e->angleDelta();
  wheelRest_ += d.y() != 0 ? d.y() : d.x();
  const unsigned shift = ShiftBits(e->modifiers(), e->buttons());
  // One step per notch (120); a finer wheel's parts add up first.
  while (wheelRest_ >= 120 || wheelRest_ <= -120) {
    const int step = wheelRest_ > 0 ? 120 : -120;
    wheelRest_ -= step;
    InputWheel(step, shift, e->position().x(), e->position().y());
  }
  e->accept();
  afterInput_();
}

void TPaintBox::Confine(bool on) {
  if (on == confined_) return;
  confined_ = on;
  // Where the display server refuses a grab (Wayland) this does nothing.
  if (on)
    grabMouse();
  else
    releaseMouse();
}

void TPaintBox::mouseReleaseEvent(QMouseEvent* e) {
  const unsigned button = ButtonBit(e->button());
  if (!button) return;
  InputMouseUp(button, ShiftBits(e->modifiers(), e->buttons()), e->position().x(), e->position().y());
  afterInput_();
  // One-stroke drawing: typing goes on in its command window.
  if (auto* w = window()->findChild<TLineKeyWindow*>(); w && w->isVisible()) w->TakeFocus();
}

void TPaintBox::resizeEvent(QResizeEvent*) {
  InputResize(width(), height());
  afterInput_();
}

// --- palette buttons

TSpeedButton::TSpeedButton(TOpButton id, const QString& caption, QWidget* parent)
    : QPushButton(caption, parent), id_(id) {
  setObjectName(QString::fromLatin1(OpInfo(id).name));
  setCheckable(true);
  setFocusPolicy(Qt::NoFocus);
  QFont f = font();
  f.setPixelSize(11);
  setFont(f);
}

void TSpeedButton::paintEvent(QPaintEvent*) {
  QStylePainter p(this);
  QStyleOptionButton opt;
  initStyleOption(&opt);
  opt.text.clear();
  if (isChecked()) opt.palette.setColor(QPalette::Button, opt.palette.color(QPalette::Button).darker(125));
  p.drawControl(QStyle::CE_PushButtonBevel, opt);
  const int shift = isChecked() || isDown() ? 1 : 0;
  p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
  p.drawText(rect().adjusted(3 + shift, 2 + shift, -3 + shift, -2 + shift), Qt::AlignCenter | Qt::TextWordWrap,
             text());
}

// --- text input's fields

namespace {

// An editable list whose items are a history of the core, read afresh each
// time the list opens; it tells when its field takes the focus.
class THistoryCombo final : public QComboBox {
public:
  THistoryCombo(QWidget* parent, int history) : QComboBox(parent), history_(history) {}
  void OnFocus(std::function<void()> f) {
    onFocus_ = std::move(f);
    if (lineEdit()) lineEdit()->installEventFilter(this);
  }
  void showPopup() override {
    const QString typed = lineEdit() ? lineEdit()->text() : QString();
    clear();
    if (const THistrylist* h = HistoryList(history_))
      for (int i = 1; i <= kHistoryDepth && !h->entries[static_cast<std::size_t>(i)].empty(); ++i)
        addItem(FromSjis(h->entries[static_cast<std::size_t>(i)]));
    if (lineEdit()) lineEdit()->setText(typed);
    QComboBox::showPopup();
  }

protected:
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::FocusIn && onFocus_) onFocus_();
    return QComboBox::eventFilter(o, e);
  }

private:
  int history_;
  std::function<void()> onFocus_;
};

}  // namespace

// --- the entry box

TEntryEdit::TEntryEdit(QWidget* parent, std::function<void()> afterInput)
    : QLineEdit(parent), afterInput_(std::move(afterInput)) {
  setObjectName(QStringLiteral("edCommon"));
  setFrame(false);
}

void TEntryEdit::keyPressEvent(QKeyEvent* e) {
  const int vk = QtKeyToVk(e->key(), e->modifiers());
  if (vk && InputFieldKeyDown(TEditField::edCommon, vk)) {
    afterInput_();
    return;
  }
  if (vk == 13 || vk == 27) {
    InputFieldKeyPress(TEditField::edCommon, static_cast<char>(vk));
    afterInput_();
    return;
  }
  QLineEdit::keyPressEvent(e);
}

// --- the main window

TForm1::TForm1(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Form1"));
  setMinimumSize(kMinWindowSize, kMinWindowSize);

  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(0, 0, 0, 0);
  root->setSpacing(0);

  BuildMenuBar();
  root->setMenuBar(MainMenu1);
  BuildTopBar(this);
  root->addWidget(PnTopBtns);
  BuildOperationBar(this);
  root->addWidget(Pv_Top);

  PnlGuid = Panel(this, "PnlGuid", QFrame::StyledPanel, QFrame::Sunken);
  PnlGuid->setFixedHeight(24);
  auto* guid = new QHBoxLayout(PnlGuid);
  guid->setContentsMargins(2, 1, 2, 1);
  lbGuid1 = Label(PnlGuid, "lbGuid1");
  lbGuid1->setAutoFillBackground(true);
  guid->addWidget(lbGuid1);
  guid->addStretch(1);
  root->addWidget(PnlGuid);

  auto* middle = new QHBoxLayout;
  middle->setContentsMargins(0, 0, 0, 0);
  middle->setSpacing(0);
  middle->addWidget(BuildLeft(this));
  QFrame* PnlImage1 = Panel(this, "PnlImage1", QFrame::StyledPanel, QFrame::Sunken);
  auto* image = new QVBoxLayout(PnlImage1);
  image->setContentsMargins(1, 1, 1, 1);
  PaintBox1 = new TPaintBox(PnlImage1, [this] { SyncFromCore(); });
  image->addWidget(PaintBox1);
  progressPanel_ = new QFrame(PaintBox1);
  progressPanel_->setFrameShape(QFrame::Panel);
  progressPanel_->setFrameShadow(QFrame::Raised);
  progressPanel_->setAutoFillBackground(true);
  {
    auto* box = new QVBoxLayout(progressPanel_);
    progressLabel_ = new QLabel(progressPanel_);
    progressBar_ = new QProgressBar(progressPanel_);
    progressBar_->setTextVisible(false);
    box->addWidget(progressLabel_);
    box->addWidget(progressBar_);
  }
  progressPanel_->setFixedSize(320, 72);
  progressPanel_->hide();
  middle->addWidget(PnlImage1, 1);
  middle->addWidget(BuildRight(this));
  root->addLayout(middle, 1);

  QWidget* bottom = BuildBottom(this);
  root->addWidget(bottom);
  if (g_apInit.compactScreen) {
    setWindowFlag(Qt::FramelessWindowHint);
    findChild<QWidget*>(QStringLiteral("Pn_View"))->hide();
    bottom->setFixedHeight(3);
  }
  layerPanels_->AttachPens(wrtPenLabel_, quickPenLabels_);

  setAcceptDrops(true);
  // The clicks on the bar's panels; the keys, the menu's accelerators among
  // them (Ctrl+Z), go to the core's key routing.
  qApp->installEventFilter(this);
  new TKeyPreview(this, [this] { SyncFromCore(); });
  lineKeyWindow_ = new TLineKeyWindow(this, [this] { SyncFromCore(); });
  SyncFromCore();
}

TForm1::~TForm1() { qApp->removeEventFilter(this); }

void TForm1::BuildMenuBar() {
  MainMenu1 = new QMenuBar(this);
  MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
  // The desktop's global menu would take the bar out of the window.
  MainMenu1->setNativeMenuBar(false);
  for (int m = static_cast<int>(TMenu::File); m < static_cast<int>(TMenu::Count); ++m) {
    QMenu* menu = MainMenu1->addMenu(FromSjis(MenuCaption(static_cast<TMenu>(m))));
    menu->setObjectName(QStringLiteral("Menu") + QString::number(m));
    // Opening a menu ends the current operation; the items then show the
    // state they have after that.
    connect(menu, &QMenu::aboutToShow, this, [this, menu, m] {
      InputMenuOpen(m);
      FillMenu(menu, m);
      SyncFromCore();
    });
    FillMenu(menu, m);
  }
}

void TForm1::FillMenu(QMenu* menu, int top) {
  menu->clear();
  for (const TMenuCommand& c : MenuCommands()) {
    if (static_cast<int>(c.menu) != top || !MenuCommandShown(c)) continue;
    if (c.separatorBefore && !menu->isEmpty()) menu->addSeparator();
    QString caption = FromSjis(MenuCommandCaption(c));
    // A file name is no mnemonic.
    if (c.captionNow) caption.replace(u'&', QStringLiteral("&&"));
    // After a tab the menu shows the accelerator; the key itself goes to the
    // core's key routing (MenuAccelerator), never to a Qt shortcut.
    const QString keys = ShortcutText(c.key, c.shift);
    QAction* a = menu->addAction(keys.isEmpty() ? caption : caption + u'\t' + keys);
    a->setObjectName(QString::fromStdString(c.name));
    a->setEnabled(MenuCommandEnabled(c));
    if (c.checked) {
      a->setCheckable(true);
      a->setChecked(c.checked());
    }
    connect(a, &QAction::triggered, this, [this, name = c.name] {
      InputMenu(name);
      SyncFromCore();
    });
  }
}

void TForm1::BuildTopBar(QWidget* parent) {
  PnTopBtns = Panel(parent, "PnTopBtns", QFrame::StyledPanel, QFrame::Raised);
  auto* row = new QHBoxLayout(PnTopBtns);
  row->setContentsMargins(4, 1, 4, 1);
  row->setSpacing(2);
  lbFileName = Label(PnTopBtns, "lbFileName");
  row->addWidget(lbFileName, 1);
  // The print buttons carry the captions of their menu entries.
  const struct {
    const char* name;
    TOpButton op;
  } prints[] = {{"BtnPrint00", OpBtn_Print00}, {"BtnPrint72", OpBtn_Print72}, {"BtnPrint50", OpBtn_Print50},
                {"BtnPrint11", OpBtn_Print11}};
  for (const auto& p : prints) {
    QToolButton* b = ToolButton(PnTopBtns, p.name, FromSjis(OpInfo(p.op).hint).trimmed());
    // The button stands for its menu item.
    connect(b, &QToolButton::clicked, this, [this, item = std::string(OpInfo(p.op).name)] {
      InputMenu(item);
      SyncFromCore();
    });
    row->addWidget(b);
  }
}

void TForm1::BuildOperationBar(QWidget* parent) {
  Pv_Top = Panel(parent, "Pv_Top", QFrame::StyledPanel, QFrame::Raised);
  Pv_Top->setFixedHeight(kBarHeight);
  auto* row = new QHBoxLayout(Pv_Top);
  row->setContentsMargins(3, 2, 3, 2);
  row->setSpacing(3);

  QFrame* PvLeftTop = Panel(Pv_Top, "PvLeftTop");
  auto* left = new QHBoxLayout(PvLeftTop);
  left->setContentsMargins(0, 0, 0, 0);
  left->setSpacing(1);
  // Each button stands for its menu item.
  const struct {
    const char* name;
    const char* caption;
    const char* item;
  } top[] = {{"BtnOpen1", "開く", "Open1"}, {"BtnSave1", "保存", "Save1"}, {"BtnPrint1", "印刷", "OpBtn_Print1"}};
  for (const auto& t : top) {
    QToolButton* b = ToolButton(PvLeftTop, t.name, U(t.caption));
    if (const TMenuCommand* c = FindMenuCommand(t.item)) b->setToolTip(FromSjis(c->caption).remove(QStringLiteral("(&")));
    connect(b, &QToolButton::clicked, this, [this, item = std::string(t.item)] {
      InputMenu(item);
      SyncFromCore();
    });
    left->addWidget(b);
  }
  row->addWidget(PvLeftTop);

  PvMojiNo = Panel(Pv_Top, "PvMojiNo");
  auto* moji = new QHBoxLayout(PvMojiNo);
  moji->setContentsMargins(0, 0, 0, 0);
  CbMojiSize = new QComboBox(PvMojiNo);
  CbMojiSize->setObjectName(QStringLiteral("CbMojiSize"));
  CbMojiSize->setFixedWidth(56);
  CbMojiSize->setFocusPolicy(Qt::NoFocus);
  connect(CbMojiSize, QOverload<int>::of(&QComboBox::activated), this, [this](int index) {
    InputControlText("CbMojiSize", std::to_string(index));
    SyncFromCore();
  });
  moji->addWidget(CbMojiSize);
  row->addWidget(PvMojiNo);

  PvMoji = Panel(Pv_Top, "PvMoji");
  PvMoji->setFixedHeight(kSubHeight);
  {
    auto* box = new QHBoxLayout(PvMoji);
    box->setContentsMargins(2, 0, 2, 0);
    box->addWidget(Label(PvMoji, "lbMojiA"));
    static_cast<QLabel*>(box->itemAt(0)->widget())->setText(U("角度"));
    // Each field is an editable list: the field, and the history below it,
    // filled afresh whenever it opens.
    auto field = [this](const char* name, TEditField which, int history, int width) {
      auto* cb = new THistoryCombo(PvMoji, history);
      cb->setObjectName(QString::fromLatin1(name));
      cb->setEditable(true);
      cb->setInsertPolicy(QComboBox::NoInsert);
      cb->setFixedWidth(width);
      cb->lineEdit()->setFont(ByteFont());
      connect(cb->lineEdit(), &QLineEdit::textEdited, this, [this, which](const QString& t) { MojiEdited(which, t); });
      // The caret and selection, in bytes, follow into the core (the
      // preview shows the caret there).
      connect(cb->lineEdit(), &QLineEdit::cursorPositionChanged, this, [this, cb, which](int, int) {
        QLineEdit* line = cb->lineEdit();
        const QString t = line->text();
        const int start = line->hasSelectedText() ? line->selectionStart() : line->cursorPosition();
        const int length = line->hasSelectedText() ? line->selectedText().size() : 0;
        const int bytes = static_cast<int>(ToSjis(t.left(start)).size());
        const int count = static_cast<int>(ToSjis(t.mid(start, length)).size());
        EditSelect(which, bytes, count);
        SyncFromCore();
      });
      connect(cb->lineEdit(), &QLineEdit::returnPressed, this, [this, which] {
        InputFieldKeyPress(which, '\r');
        SyncFromCore();
      });
      connect(cb, QOverload<int>::of(&QComboBox::activated), this, [this, cb, which](int index) {
        MojiEdited(which, cb->itemText(index));
        InputFieldKeyPress(which, '\r');
        SyncFromCore();
      });
      cb->OnFocus([this, which] {
        InputControlPress(which == TEditField::EbMojiA ? "EbMojiA" : "EbMojiT", ssLeft, 0);
        SyncFromCore();
      });
      return cb;
    };
    cbMojiA = field("EbMojiA", TEditField::EbMojiA, kAngleHistory, 80);
    // Angles are numbers: no input method there.
    cbMojiA->lineEdit()->setAttribute(Qt::WA_InputMethodEnabled, false);
    box->addWidget(cbMojiA);
    auto* sep = new QLineEdit(QStringLiteral(">"), PvMoji);
    sep->setEnabled(false);
    sep->setFixedWidth(14);
    box->addWidget(sep);
    cbMojiT = field("EbMojiT", TEditField::EbMojiT, kTextHistory, 320);
    cbMojiT->lineEdit()->setAttribute(Qt::WA_InputMethodEnabled, true);
    box->addWidget(cbMojiT, 1);
    sbMojiV = new QPushButton(PvMoji);
    sbMojiV->setObjectName(QStringLiteral("sbMojiV"));
    sbMojiV->setFixedWidth(32);
    sbMojiV->setFocusPolicy(Qt::NoFocus);
    connect(sbMojiV, &QPushButton::clicked, this, [this] {
      InputControlClick("sbMojiV");
      SyncFromCore();
    });
    box->addWidget(sbMojiV);
  }
  row->addWidget(PvMoji, 1);

  PvEsc = Panel(Pv_Top, "PvEsc", QFrame::Panel, QFrame::Raised);
  PvEsc->setFixedSize(40, kSubHeight);
  auto* esc = new QHBoxLayout(PvEsc);
  esc->setContentsMargins(0, 0, 0, 0);
  PvEscLabel = Label(PvEsc, "PvEscLabel");
  PvEscLabel->setAlignment(Qt::AlignCenter);
  PvEscLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
  esc->addWidget(PvEscLabel);
  row->addWidget(PvEsc);

  // The entry box's panel has no layout: its width is the core's, down to
  // one pixel while the box is closed, and the box is placed inside it.
  PvEdit = Panel(Pv_Top, "PvEdit");
  PvEdit->setFixedHeight(kSubHeight);
  edCommon = new TEntryEdit(PvEdit, [this] { SyncFromCore(); });
  edCommon->setFont(ByteFont());
  connect(edCommon, &QLineEdit::textEdited, this, &TForm1::EntryEdited);
  row->addWidget(PvEdit);

  PvBtns = Panel(Pv_Top, "PvBtns");
  auto* btns = new QHBoxLayout(PvBtns);
  btns->setContentsMargins(0, 0, 0, 0);
  btns->setSpacing(2);
  for (int i = 0; i < 7; ++i) {
    const QByteArray name = "PvBtn" + QByteArray::number(i + 1);
    PvBtn[i] = Panel(PvBtns, name.constData(), QFrame::Panel, QFrame::Raised);
    PvBtn[i]->setFixedHeight(kSubHeight);
    auto* in = new QHBoxLayout(PvBtn[i]);
    in->setContentsMargins(2, 0, 0, 0);
    PvBtnLabel[i] = Label(PvBtn[i], (name + "Label").constData());
    PvBtnLabel[i]->setFont(ByteFont());
    PvBtnLabel[i]->setAttribute(Qt::WA_TransparentForMouseEvents);
    QPalette lp = PvBtnLabel[i]->palette();
    lp.setColor(QPalette::WindowText, Qt::black);
    PvBtnLabel[i]->setPalette(lp);
    in->addWidget(PvBtnLabel[i]);
    btns->addWidget(PvBtn[i]);
  }
  row->addWidget(PvBtns);

  // Hatching's patterns, in place of sub-menu buttons ④ to ⑦ while it runs.
  PvHatting = Panel(Pv_Top, "PvHatting", QFrame::Panel, QFrame::Raised);
  PvHatting->setFixedHeight(kSubHeight);
  {
    auto* box = new QHBoxLayout(PvHatting);
    box->setContentsMargins(4, 0, 2, 0);
    box->setSpacing(2);
    QLabel* label = Label(PvHatting, "PvHattingLabel");
    label->setText(QStringLiteral("ﾊﾟﾀｰﾝ"));
    box->addWidget(label);
    const QString glyphs[4] = {QStringLiteral("／"), QStringLiteral("＼"), QStringLiteral("×"), QStringLiteral("■")};
    for (int k = 0; k < 4; ++k) {
      const QByteArray name = "BtnHaching" + QByteArray::number(k + 1);
      BtnHaching[k] = new QToolButton(PvHatting);
      BtnHaching[k]->setObjectName(QString::fromLatin1(name));
      BtnHaching[k]->setText(glyphs[k]);
      BtnHaching[k]->setCheckable(true);
      BtnHaching[k]->setFocusPolicy(Qt::NoFocus);
      BtnHaching[k]->setFixedSize(kSubHeight + 6, kSubHeight - 2);
      connect(BtnHaching[k], &QToolButton::clicked, this, [this, name] {
        InputControlClick(name.toStdString());
        SyncFromCore();
      });
      box->addWidget(BtnHaching[k]);
    }
  }
  row->addWidget(PvHatting);
  row->addStretch(1);

  // Placed by hand, a few pixels right of the entry box's panel.
  lbComHst = Label(Pv_Top, "lbComHst");
  lbComHst->setFont(ByteFont());
  lbComHst->setMargin(0);
  lbComHst->setIndent(0);
  lbComHst->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  lbComHst->setCursor(Qt::PointingHandCursor);
}

QWidget* TForm1::BuildLeft(QWidget* parent) {
  QFrame* PnlLeft = Panel(parent, "PnlLeft", QFrame::StyledPanel, QFrame::Raised);
  auto* col = new QVBoxLayout(PnlLeft);
  col->setContentsMargins(0, 0, 0, 2);
  col->setSpacing(2);

  QFrame* Pn_GTool = Panel(PnlLeft, "Pn_GTool");
  int right = 0, bottom = 0;
  for (int b = OpBtn_None + 1; b < OpBtn_Count; ++b) {
    const TOpInfo& op = OpInfo(static_cast<TOpButton>(b));
    if (!op.speedButton) continue;
    // The idle operation has no hint: the pointer arrow stands for it.
    const QString caption = op.hint[0] ? FromSjis(op.hint) : U("↖");
    auto* btn = new TSpeedButton(op.id, caption, Pn_GTool);
    if (!op.hint[0]) {
      QFont f = btn->font();
      f.setPixelSize(22);
      btn->setFont(f);
    }
    QString tip = FromSjis(op.hint);
    if (op.key) tip += (tip.isEmpty() ? QString() : QStringLiteral(" ")) + u'[' + QChar::fromLatin1(op.key) + u']';
    btn->setToolTip(tip);
    const int x = kPaletteMargin + (op.paletteX - kPaletteMargin) * kPaletteXScale;
    btn->setGeometry(x, op.paletteY, kSpeedWidth, kSpeedHeight);
    btn->glyphGeometry = btn->geometry();
    btn->glyphCaption = caption;
    right = std::max(right, x + kSpeedWidth);
    bottom = std::max(bottom, op.paletteY + kSpeedHeight);
    connect(btn, &QPushButton::clicked, this, [this, id = op.id] {
      InputOperation(id);
      SyncFromCore();
    });
    opButtons_[b] = btn;
  }
  Pn_GTool->setFixedSize(right + kPaletteMargin, bottom + 4);
  col->addWidget(Pn_GTool);
  col->addStretch(1);

  QFrame* Pn_LBtm = Panel(PnlLeft, "Pn_LBtm");
  auto* lbtm = new QVBoxLayout(Pn_LBtm);
  lbtm->setContentsMargins(3, 0, 3, 0);
  lbtm->setSpacing(2);
  // The pen panels: previews of the write pen and of presets A..E.
  QFrame* PnlWrtPen = Panel(Pn_LBtm, "PnlWrtPen", QFrame::Panel, QFrame::Sunken);
  PnlWrtPen->setFixedHeight(26);
  auto* wrt = new QHBoxLayout(PnlWrtPen);
  wrt->setContentsMargins(2, 2, 2, 2);
  wrtPenLabel_ = Label(PnlWrtPen, "ImgWrtPen");
  wrtPenLabel_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
  wrt->addWidget(wrtPenLabel_);
  lbtm->addWidget(PnlWrtPen);
  QFrame* PnlQuickPen = Panel(Pn_LBtm, "PnlQuickPen", QFrame::Panel, QFrame::Sunken);
  PnlQuickPen->setFixedHeight(26);
  auto* quick = new QHBoxLayout(PnlQuickPen);
  quick->setContentsMargins(2, 2, 2, 2);
  quick->setSpacing(2);
  for (int i = 0; i < 5; ++i) {
    quickPenLabels_[i] = Label(PnlQuickPen, "ImgQuickPen");
    quickPenLabels_[i]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    quick->addWidget(quickPenLabels_[i]);
  }
  lbtm->addWidget(PnlQuickPen);

  QFrame* Pn_View = Panel(Pn_LBtm, "Pn_View");
  auto* view = new QGridLayout(Pn_View);
  view->setContentsMargins(0, 0, 0, 0);
  view->setSpacing(1);
  auto wide = [](QToolButton* b) {
    b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return b;
  };
  // A button of the core's named controls (app/ApInput): its click is a left press.
  auto pressed = [this](QToolButton* btn, const char* name) {
    connect(btn, &QToolButton::clicked, this, [this, name] {
      InputControlPress(name, ssLeft, 0);
      SyncFromCore();
    });
    return btn;
  };
  auto viewButton = [&](const char* name, const char* caption) {
    return pressed(wide(ToolButton(Pn_View, name, U(caption))), name);
  };
  view->addWidget(viewButton("BtnZM0", "全体表示"), 0, 0, 1, 6);
  view->addWidget(viewButton("BtnZM1", "縮小表示"), 1, 0, 1, 3);
  view->addWidget(viewButton("BtnZM2", "拡大表示"), 1, 3, 1, 3);
  view->addWidget(viewButton("Btn_U", "↑"), 2, 2, 1, 2);
  view->addWidget(viewButton("Btn_L", "←"), 3, 0, 1, 2);
  view->addWidget(viewButton("Btn_D", "↓"), 3, 2, 1, 2);
  view->addWidget(viewButton("Btn_R", "→"), 3, 4, 1, 2);
  lbtm->addWidget(Pn_View);
  col->addWidget(Pn_LBtm);

  QFrame* Panel14 = Panel(PnlLeft, "Panel14");
  auto* p14 = new QHBoxLayout(Panel14);
  p14->setContentsMargins(3, 0, 3, 0);
  p14->setSpacing(1);
  Btn_Change = wide(ToolButton(Panel14, "Btn_Change", U("ウィンドウ切替")));
  Btn_Change->setToolTip(U("ウィンドウ切替"));
  pressed(Btn_Change, "Btn_Change");
  p14->addWidget(Btn_Change);
  QToolButton* undo = wide(ToolButton(Panel14, "Btn_Undo", U("やり直し")));
  undo->setToolTip(U("やり直し"));
  pressed(undo, "Btn_Undo");
  p14->addWidget(undo);
  col->addWidget(Panel14);
  return PnlLeft;
}

QWidget* TForm1::BuildRight(QWidget* parent) {
  QFrame* PnlRight = Panel(parent, "PnlRight", QFrame::StyledPanel, QFrame::Raised);
  PnlRight->setFixedWidth(kRightWidth);
  auto* col = new QVBoxLayout(PnlRight);
  col->setContentsMargins(3, 3, 3, 3);
  col->setSpacing(3);
  layerPanels_ = new TLayerPanels(PnlRight, [this] { SyncFromCore(); });
  col->addWidget(layerPanels_, 1);

  OffsetMode = Panel(PnlRight, "OffsetMode", QFrame::Panel, QFrame::Raised);
  OffsetMode->setFixedHeight(24);
  auto* off = new QHBoxLayout(OffsetMode);
  off->setContentsMargins(0, 0, 0, 0);
  OffsetModeLabel = Label(OffsetMode, "OffsetModeLabel");
  OffsetModeLabel->setAlignment(Qt::AlignCenter);
  OffsetModeLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
  off->addWidget(OffsetModeLabel);
  col->addWidget(OffsetMode);
  return PnlRight;
}

QWidget* TForm1::BuildBottom(QWidget* parent) {
  QFrame* PnlBottom = Panel(parent, "PnlBottom", QFrame::StyledPanel, QFrame::Raised);
  auto* row = new QHBoxLayout(PnlBottom);
  row->setContentsMargins(2, 1, 2, 1);
  row->setSpacing(3);
  pnMouse = Label(PnlBottom, "pnMouse");
  pnMouse->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  pnMouse->setMinimumWidth(220);
  row->addWidget(pnMouse);
  row->addWidget(layerPanels_->MakeFixZoom(PnlBottom));
  lbDataCount = Label(PnlBottom, "lbDataCount");
  lbDataCount->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  row->addWidget(lbDataCount, 1);
  return PnlBottom;
}

TSpeedButton* TForm1::speedButton(TOpButton b) const {
  return b > OpBtn_None && b < OpBtn_Count ? opButtons_[b] : nullptr;
}

// --- showing the core's state

// Redraws the pen previews when the pens they show, their colours, the
// background or the labels' sizes changed.
void TForm1::SyncPenPreviews() {
  const TPVC& pvc = CurPVC();
  std::array<std::uint32_t, 24> now{};
  std::size_t k = 0;
  now[k++] = static_cast<std::uint32_t>(pvc.writePen == 0 ? 0x11 : pvc.writePen);
  for (int i = 1; i < 6; ++i) now[k++] = static_cast<std::uint32_t>(pvc.penPresets[i]);
  for (int p = 1; p <= 7; ++p)
    now[k++] = pvc.pens[p].screenColor ^ (static_cast<std::uint32_t>(pvc.pens[p].screenWidth) << 24);
  now[k++] = BackgroundColor();
  now[k++] = static_cast<std::uint32_t>(wrtPenLabel_->width()) << 16 | static_cast<std::uint32_t>(wrtPenLabel_->height());
  now[k++] = static_cast<std::uint32_t>(quickPenLabels_[0]->width()) << 16 |
             static_cast<std::uint32_t>(quickPenLabels_[0]->height());
  if (now == seenPens_) return;
  seenPens_ = now;
  const auto size = [](RasterCanvas& c, QLabel* l) {
    const int w = std::max(l->width(), 8), h = std::max(l->height(), 8);
    if (c.Width() != w || c.Height() != h) c.SetSize(w, h);
  };
  TPenPaletteTargets t;
  size(wrtPenCanvas_, wrtPenLabel_);
  t.writePen = &wrtPenCanvas_;
  for (int i = 0; i < 5; ++i) {
    size(quickPenCanvas_[i], quickPenLabels_[i]);
    t.presets[i] = &quickPenCanvas_[i];
  }
  PenPreviewsDraw(t);
  wrtPenLabel_->setPixmap(QPixmap::fromImage(WrapRaster(wrtPenCanvas_.Image()).copy()));
  for (int i = 0; i < 5; ++i)
    quickPenLabels_[i]->setPixmap(QPixmap::fromImage(WrapRaster(quickPenCanvas_[i].Image()).copy()));
}

void TForm1::SyncFromCore() {
  // The part of the view's back buffer that drawing touched.
  const TPixelRect dirty = ViewTakeDirty();
  if (!dirty.Empty()) PaintBox1->update(QRect(dirty.left, dirty.top, dirty.Width(), dirty.Height()));
  PaintBox1->Confine(g_form1.pointerConfined);
  for (TSpeedButton* b : opButtons_)
    if (b) b->setChecked(b->id() == g_manager.downButton);
  SyncPenPreviews();
  if (lineKeyWindow_) lineKeyWindow_->Sync();
  if (synced_ && g_form1.revision == seenRevision_) return;
  synced_ = true;
  seenRevision_ = g_form1.revision;
  layerPanels_->Sync();

  setWindowTitle(FromSjis(g_form1.caption));
  lbFileName->setText(FromSjis(g_form1.lbFileName.caption));
  ShowControl(lbFileName, g_form1.lbFileName);

  PvEscLabel->setText(FromSjis(g_form1.PvEsc.caption));
  SetPanelColor(PvEsc, g_form1.PvEsc.color);
  ShowControl(PvEsc, g_form1.PvEsc);

  for (int i = 0; i < 7; ++i) {
    const TControl& c = g_form1.PvBtn[i];
    PvBtnLabel[i]->setText(FromSjis(c.caption));
    SetPanelColor(PvBtn[i], c.color);
    PvBtn[i]->setFixedWidth(std::max(c.width, 1));
    ShowControl(PvBtn[i], c);
  }
  ShowControl(PvBtns, g_form1.PvBtns);

  SetPanelColor(PvEdit, g_form1.PvEdit.color);
  PvEdit->setFixedWidth(std::max(g_form1.PvEdit.width, 1));
  ShowControl(PvEdit, g_form1.PvEdit);
  SyncEntry();

  lbComHst->setText(FromSjis(g_form1.lbComHst.caption));
  ShowControl(lbComHst, g_form1.lbComHst);

  ShowControl(PvMojiNo, g_form1.PvMojiNo);
  ShowControl(PvHatting, g_form1.PvHatting);
  for (int k = 0; k < 4; ++k) BtnHaching[k]->setChecked(g_form1.BtnHaching[k]);
  {
    QStringList sizes;
    for (const std::string& item : g_form1.CbMojiSize.items) sizes << FromSjis(item);
    QStringList shown;
    for (int i = 0; i < CbMojiSize->count(); ++i) shown << CbMojiSize->itemText(i);
    if (shown != sizes) {
      CbMojiSize->clear();
      CbMojiSize->addItems(sizes);
    }
    CbMojiSize->setCurrentIndex(g_form1.CbMojiSize.index);
  }
  OffsetModeLabel->setText(FromSjis(g_form1.OffsetMode.caption));
  SetPanelColor(OffsetMode, g_form1.OffsetMode.color);
  ShowControl(OffsetMode, g_form1.OffsetMode);

  SetPanelColor(PnlGuid, g_form1.PnlGuid.color);
  lbGuid1->setText(FromSjis(g_form1.lbGuid1.caption));
  ShowControl(lbGuid1, g_form1.lbGuid1);

  pnMouse->setText(FromSjis(g_form1.pnMouse.caption));
  ShowControl(pnMouse, g_form1.pnMouse);
  lbDataCount->setText(FromSjis(g_form1.lbDataCount.caption));
  QPalette countPalette = lbDataCount->palette();
  countPalette.setColor(QPalette::WindowText, Rgb(g_form1.lbDataCount.fontColor));
  lbDataCount->setPalette(countPalette);
  ShowControl(lbDataCount, g_form1.lbDataCount);

  PaintBox1->setCursor(QtCursor(g_form1.drawCursor));
  SyncProgress();
  SyncMoji();
  Btn_Change->setText(U("ウィンドウ切替 ") + QString::number(g_mouseNav.Btn_ChangeGlyph));
  SyncPalette();

  Pv_Top->layout()->activate();
  PlaceHistory();
}

// The captioned palette takes the core's places and captions; otherwise each
// button is as built.
void TForm1::SyncPalette() {
  for (TSpeedButton* b : opButtons_) {
    if (!b) continue;
    const TPaletteButton& p = g_form1.palette[b->id()];
    if (!p.glyph) {
      b->setGeometry(p.left, p.top, p.width, p.height);
      b->setText(FromSjis(p.caption));
    } else {
      b->setGeometry(b->glyphGeometry);
      b->setText(b->glyphCaption);
    }
  }
}

void TForm1::SyncEntry() {
  const TEntryBox& ed = g_form1.edCommon;
  const bool open = EntryIsOpen();
  edCommon->setGeometry(PvEdit->contentsRect().adjusted(2, 2, -2, -2));
  edCommon->setReadOnly(ed.readOnly);
  edCommon->setVisible(ed.visible && open);

  const QString shown = FromSjis(ed.text);
  const bool textChanged = edCommon->text() != shown;
  if (textChanged) edCommon->setText(shown);
  // The caret and selection are the core's only when it changed them.
  if (textChanged || ed.text != seenText_ || ed.selStart != seenSelStart_ || ed.selLength != seenSelLength_) {
    const int start = ScreenIndex(ed.text, ed.selStart);
    const int end = ScreenIndex(ed.text, ed.selStart + ed.selLength);
    if (end > start)
      edCommon->setSelection(start, end - start);
    else
      edCommon->setCursorPosition(start);
  }
  if (ed.focused && !seenFocused_ && edCommon->isVisibleTo(this)) {
    edCommon->setFocus(Qt::OtherFocusReason);
  } else if (!ed.focused && seenFocused_ && edCommon->hasFocus()) {
    setFocus(Qt::OtherFocusReason);
  }
  seenText_ = ed.text;
  seenSelStart_ = ed.selStart;
  seenSelLength_ = ed.selLength;
  seenFocused_ = ed.focused;
}

void TForm1::PlaceHistory() {
  lbComHst->adjustSize();
  const int x = PvEdit->x() + g_form1.lbComHstLeft;
  lbComHst->move(x, (Pv_Top->height() - lbComHst->height()) / 2);
  lbComHst->raise();
}

void TForm1::EntryEdited(const QString& text) {
  const std::string sjis = ToSjis(text);
  InputFieldText(TEditField::edCommon, sjis);
  // The box already shows the user's text and caret: what the core took
  // from it needs no echo.
  const TEntryBox& ed = g_form1.edCommon;
  if (ed.text == sjis) {
    seenText_ = ed.text;
    seenSelStart_ = ed.selStart;
    seenSelLength_ = ed.selLength;
  }
  SyncFromCore();
}

void TForm1::SyncMoji() {
  ShowControl(PvMoji, g_form1.PvMoji);
  sbMojiV->setText(FromSjis(g_form1.sbMojiV.caption));
  const std::pair<QComboBox*, const TEntryBox*> fields[] = {{cbMojiA, &g_form1.EbMojiA}, {cbMojiT, &g_form1.EbMojiT}};
  for (auto [cb, ed] : fields) {
    QLineEdit* line = cb->lineEdit();
    const QString shown = FromSjis(ed->text);
    if (line->text() != shown) line->setText(shown);
    if (ed->focused && PvMoji->isVisible() && !line->hasFocus()) {
      line->setFocus(Qt::OtherFocusReason);
      const int start = ScreenIndex(ed->text, ed->selStart);
      const int end = ScreenIndex(ed->text, ed->selStart + ed->selLength);
      if (end > start) line->setSelection(start, end - start);
    }
  }
}

void TForm1::MojiEdited(TEditField field, const QString& text) {
  int refused = 0;
  const std::string sjis = Utf8ToSjis(text.toStdString(), &refused);
  if (refused > 0) {
    // The field goes back to what the drawing can hold.
    QComboBox* cb = field == TEditField::EbMojiA ? cbMojiA : cbMojiT;
    cb->lineEdit()->setText(FromSjis(EditField(field).text));
    // Texts the core shows are CP932; this file is UTF-8.
    Platform().MessageBox(Utf8ToSjis("Shift-JIS にない文字は入力できません。"), kApplicationTitle, MsgButtons::Ok,
                          MsgIcon::Warning);
    return;
  }
  InputFieldText(field, sjis);
  SyncFromCore();
}

void TForm1::SyncProgress() {
  const TProgressPanel& p = g_form1.progress;
  if (p.visible) {
    progressLabel_->setText(FromSjis(p.caption));
    progressBar_->setRange(0, std::max(p.max, 1));
    progressBar_->setValue(std::clamp(p.position, 0, std::max(p.max, 1)));
    progressPanel_->move((PaintBox1->width() - progressPanel_->width()) / 2,
                         (PaintBox1->height() - progressPanel_->height()) / 2);
    progressPanel_->raise();
  }
  progressPanel_->setVisible(p.visible);
}

void TForm1::ShowStatusNow() {
  SyncFromCore();
  if (progressPanel_->isVisible()) progressPanel_->repaint();
  lbDataCount->repaint();
  PnlGuid->repaint();
}

// --- closing and dropped files

void TForm1::closeEvent(QCloseEvent* e) {
  if (!InputClose()) {
    SyncFromCore();
    e->ignore();
    return;
  }
  FormClose();
  e->accept();
}

void TForm1::dragEnterEvent(QDragEnterEvent* e) {
  if (e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* e) {
  std::vector<std::string> files;
  for (const QUrl& url : e->mimeData()->urls())
    if (url.isLocalFile()) files.push_back(url.toLocalFile().toStdString());
  if (files.empty()) return;
  e->acceptProposedAction();
  raise();
  activateWindow();
  // After the drop has finished: opening may ask questions.
  QTimer::singleShot(0, this, [this, files] {
    InputDrop(files);
    SyncFromCore();
  });
}

// --- input

bool TForm1::eventFilter(QObject* obj, QEvent* e) {
  switch (e->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
      auto* me = static_cast<QMouseEvent*>(e);
      if (me->button() != Qt::LeftButton) return false;
      const QPoint pos = me->position().toPoint();
      if (obj == PvEsc) {
        InputControlPress("PvEsc", ssLeft, ShiftBits(me->modifiers(), me->buttons()));
        SyncFromCore();
        return true;
      }
      if (obj == OffsetMode) {
        InputControlPress("OffsetMode", ssLeft, ShiftBits(me->modifiers(), me->buttons()));
        SyncFromCore();
        return true;
      }
      if (obj == lbComHst) {
        // The core picks by byte: x / 10 is the byte under the pointer.
        const int byte = ByteIndexAt(g_form1.lbComHst.caption, lbComHst->fontMetrics(),
                                     pos.x() - lbComHst->contentsRect().left());
        InputControlPress("lbComHst", ssLeft, ShiftBits(me->modifiers(), me->buttons()), byte * 10 + 5, pos.y(),
                          true);
        SyncFromCore();
        return true;
      }
      for (QFrame* b : PvBtn)
        if (obj == b) return true;  // the click comes with the release
      if (obj == Pv_Top && !Pv_Top->childAt(pos)) {
        InputControlPress("Pv_Top", ssLeft, ShiftBits(me->modifiers(), me->buttons()));
        SyncFromCore();
        return true;
      }
      return false;
    }
    case QEvent::MouseButtonRelease: {
      auto* me = static_cast<QMouseEvent*>(e);
      if (me->button() != Qt::LeftButton) return false;
      for (int i = 0; i < 7; ++i) {
        if (obj != PvBtn[i]) continue;
        if (PvBtn[i]->rect().contains(me->position().toPoint())) {
          InputSubMenu(i + 1);
          SyncFromCore();
        }
        return true;
      }
      return false;
    }
    case QEvent::Resize:
    case QEvent::Move:
      if (obj == PvEdit || obj == Pv_Top) {
        edCommon->setGeometry(PvEdit->contentsRect().adjusted(2, 2, -2, -2));
        PlaceHistory();
      }
      return false;
    default: return false;
  }
}
