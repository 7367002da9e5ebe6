#include "platform/qt/QtPlatform.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTableWidget>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPageLayout>
#include <QPageSize>
#include <QPrintDialog>
#include <QPrinter>
#include <QEventLoop>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "dialogs/DrawFrame.h"
#include "kernel/SjisConv.h"
#include "kernel/Z_Basic.h"
#include "platform/qt/PrinterCanvas.h"
#include "platform/qt/QtPaint.h"
#include "render/ApPenSet.h"
#include "render/RasterCanvas.h"
#include "platform/qt/QtConvert.h"
#include "platform/qt/QtKeyPreview.h"
#include "platform/qt/QtText.h"

namespace {

QString Utf8(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// The paper sizes of the print settings: 0 A0 .. 4 A4, 5 unspecified.
constexpr QPageSize::PageSizeId kPapers[] = {QPageSize::A0, QPageSize::A1, QPageSize::A2, QPageSize::A3,
                                             QPageSize::A4};

// The index of the filter the dialog says was chosen. With the details
// hidden Qt's own dialog answers with the text it showed, the description
// without the patterns FilterToQt added; a native one answers with the
// filter itself.
int NameFilterIndex(const QStringList& filters, const QString& chosen) {
  if (const qsizetype i = filters.indexOf(chosen); i >= 0) return static_cast<int>(i);
  const QString shown = chosen.trimmed();
  for (qsizetype i = 0; i < filters.size(); ++i) {
    const qsizetype patterns = filters[i].lastIndexOf(QStringLiteral(" ("));
    if (patterns > 0 && filters[i].left(patterns).trimmed() == shown) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

QtPlatform::QtPlatform() = default;

QtPlatform::~QtPlatform() {
  for (auto& [id, t] : timers_) delete t;
  if (overrideCursor_) QGuiApplication::restoreOverrideCursor();
}

void QtPlatform::Beep() { QApplication::beep(); }

MsgAnswer QtPlatform::MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons,
                                 MsgIcon icon) {
  using SB = QMessageBox::StandardButton;
  QMessageBox::StandardButtons set;
  switch (buttons) {
    case MsgButtons::Ok: set = SB::Ok; break;
    case MsgButtons::OkCancel: set = SB::Ok | SB::Cancel; break;
    case MsgButtons::YesNo: set = SB::Yes | SB::No; break;
    case MsgButtons::YesNoCancel: set = SB::Yes | SB::No | SB::Cancel; break;
    case MsgButtons::Abort: set = SB::Abort; break;
    case MsgButtons::AbortRetryIgnore: set = SB::Abort | SB::Retry | SB::Ignore; break;
    case MsgButtons::RetryCancel: set = SB::Retry | SB::Cancel; break;
    case MsgButtons::Yes: set = SB::Yes; break;
  }
  QMessageBox::Icon qicon = QMessageBox::NoIcon;
  switch (icon) {
    case MsgIcon::None: break;
    case MsgIcon::Information: qicon = QMessageBox::Information; break;
    case MsgIcon::Warning: qicon = QMessageBox::Warning; break;
    case MsgIcon::Error: qicon = QMessageBox::Critical; break;
    case MsgIcon::Question: qicon = QMessageBox::Question; break;
  }
  // Behind the box the window shows the state the box speaks of.
  if (afterTick_) afterTick_();
  QMessageBox box(qicon, FromSjis(caption), FromSjis(text), set, main_);
  switch (box.exec()) {
    case SB::Ok: return MsgAnswer::Ok;
    case SB::Yes: return MsgAnswer::Yes;
    case SB::No: return MsgAnswer::No;
    case SB::Abort: return MsgAnswer::Abort;
    case SB::Retry: return MsgAnswer::Retry;
    case SB::Ignore: return MsgAnswer::Ignore;
    default: return MsgAnswer::Cancel;
  }
}

void QtPlatform::SetScreenCursor(CursorShape shape) {
  if (shape == CursorShape::Default) {
    if (overrideCursor_) QGuiApplication::restoreOverrideCursor();
    overrideCursor_ = false;
    return;
  }
  const QCursor c = QtCursor(shape);
  if (overrideCursor_) {
    QGuiApplication::changeOverrideCursor(c);
  } else {
    QGuiApplication::setOverrideCursor(c);
    overrideCursor_ = true;
  }
}

bool QtPlatform::IsKeyDown(PhysKey key) {
  switch (key) {
    case PhysKey::Shift: return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier);
    case PhysKey::Ctrl: return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier);
    case PhysKey::Alt: return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::AltModifier);
    case PhysKey::LeftButton: return QGuiApplication::mouseButtons().testFlag(Qt::LeftButton);
    case PhysKey::RightButton: return QGuiApplication::mouseButtons().testFlag(Qt::RightButton);
    case PhysKey::MiddleButton: return QGuiApplication::mouseButtons().testFlag(Qt::MiddleButton);
    case PhysKey::Left: return QtKeyHeld(37);
    case PhysKey::Up: return QtKeyHeld(38);
    case PhysKey::Right: return QtKeyHeld(39);
    case PhysKey::Down: return QtKeyHeld(40);
  }
  return false;
}

int QtPlatform::StartTimer(int intervalMs, std::function<void()> tick) {
  const int id = nextTimer_++;
  auto* t = new QTimer;
  t->setInterval(intervalMs);
  QObject::connect(t, &QTimer::timeout, [this, tick = std::move(tick)] {
    tick();
    if (afterTick_) afterTick_();
  });
  timers_[id] = t;
  t->start();
  return id;
}

void QtPlatform::StopTimer(int id) {
  auto it = timers_.find(id);
  if (it == timers_.end()) return;
  it->second->stop();
  // A tick may stop its own timer: the timer goes once the tick has returned.
  it->second->deleteLater();
  timers_.erase(it);
}

std::string QtPlatform::ClipboardText() {
  const QByteArray utf8 = QGuiApplication::clipboard()->text().toUtf8();
  return Utf8ToSjis(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())), &clipboardLost_);
}

void QtPlatform::SetClipboardText(const std::string& text) {
  QGuiApplication::clipboard()->setText(FromSjis(text));
}

bool QtPlatform::ClipboardImage(TRasterImage& image) {
  const QImage img = QGuiApplication::clipboard()->image();
  if (img.isNull()) return false;
  image = FromQImage(img);
  return true;
}

void QtPlatform::SetClipboardImage(const TRasterImage& image) {
  QGuiApplication::clipboard()->setImage(ToQImage(image));
}

bool QtPlatform::FileDialog(TFileDialogRequest& request, bool save) {
  QFileDialog dlg(main_, FromSjis(request.title), Utf8(request.initialDir));
  dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dlg.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  // The descriptions already name their patterns.
  dlg.setOption(QFileDialog::HideNameFilterDetails, true);
  if (save && !request.confirmOverwrite) dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
  const QStringList filters = FilterToQt(request.filter);
  if (!filters.isEmpty()) {
    dlg.setNameFilters(filters);
    if (request.filterIndex >= 1 && request.filterIndex <= filters.size()) dlg.selectNameFilter(filters[request.filterIndex - 1]);
  }
  if (!request.defaultExt.empty()) dlg.setDefaultSuffix(Utf8(request.defaultExt));
  if (!request.fileName.empty()) dlg.selectFile(Utf8(request.fileName));
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return false;
  request.fileName = dlg.selectedFiles().first().toStdString();
  const int chosen = NameFilterIndex(filters, dlg.selectedNameFilter());
  if (chosen >= 0) request.filterIndex = chosen + 1;
  return true;
}

bool QtPlatform::OpenFileDialog(TFileDialogRequest& request) { return FileDialog(request, false); }
bool QtPlatform::SaveFileDialog(TFileDialogRequest& request) { return FileDialog(request, true); }

bool QtPlatform::ColorDialog(std::uint32_t& rgb) {
  const QColor c = QColorDialog::getColor(QColor::fromRgb(static_cast<QRgb>(rgb & 0xFFFFFF)), main_);
  if (!c.isValid()) return false;
  rgb = static_cast<std::uint32_t>(c.rgb()) & 0xFFFFFF;
  return true;
}

bool QtPlatform::InputQuery(const std::string& caption, const std::string& prompt, std::string& text) {
  bool ok = false;
  const QString t =
      QInputDialog::getText(main_, FromSjis(caption), FromSjis(prompt), QLineEdit::Normal, FromSjis(text), &ok);
  if (!ok) return false;
  text = ToSjis(t);
  return true;
}

bool QtPlatform::PrintDialog(TPrintSetup& setup) {
  if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
  QPrinter& printer = *printer_;
  if (!setup.printerName.empty()) printer.setPrinterName(FromSjis(setup.printerName));
  printer.setCopyCount(setup.copies > 0 ? setup.copies : 1);
  printer.setPageOrientation(setup.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
  if (setup.paperSize >= 0 && setup.paperSize <= 4) printer.setPageSize(QPageSize(kPapers[setup.paperSize]));
  QPrintDialog dlg(&printer, main_);
  if (dlg.exec() != QDialog::Accepted) return false;
  // The printer's name is shown on screen: CP932 as every text of the core.
  setup.printerName = ToSjis(printer.printerName());
  setup.copies = printer.copyCount();
  setup.landscape = printer.pageLayout().orientation() == QPageLayout::Landscape;
  setup.paperSize = 5;
  const QPageSize::PageSizeId id = printer.pageLayout().pageSize().id();
  for (int i = 0; i <= 4; ++i)
    if (kPapers[i] == id) setup.paperSize = i;
  printerCanvas_ = std::make_unique<PrinterCanvas>(printer_.get());
  return true;
}

ICanvas* QtPlatform::Printer() { return printerCanvas_.get(); }

void QtPlatform::SetPrintJobTitle(const std::string& title) {
  if (printer_) printer_->setDocName(FromSjis(title));
}

void QtPlatform::ShowNow() {
  if (showNow_) showNow_();
}

void QtPlatform::CloseMainWindow() {
  if (!main_) return;
  // From the event loop: the menu that chose it has closed by then.
  QTimer::singleShot(0, main_, [w = main_] { w->close(); });
}

bool QtPlatform::OpenUrl(const std::string& url) { return QDesktopServices::openUrl(QUrl(FromSjis(url))); }

int QtPlatform::RunProgram(const TRunRequest& request) {
  QStringList args;
  for (const std::string& a : request.args) args << Utf8(a);
  if (!request.wait) return QProcess::startDetached(Utf8(request.program), args, Utf8(request.workDir)) ? 0 : -1;
  QProcess p;
  p.setProgram(Utf8(request.program));
  p.setArguments(args);
  if (!request.workDir.empty()) p.setWorkingDirectory(Utf8(request.workDir));
  p.setProcessChannelMode(QProcess::ForwardedChannels);
  if (request.cancellable) {
    // A group of its own, so that stopping it ends what it started too.
    p.setChildProcessModifier([] { ::setpgid(0, 0); });
  }
  p.start();
  if (!p.waitForStarted(-1)) return -1;
  if (!request.cancellable) {
    p.waitForFinished(-1);
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  }
  // The window goes on painting; Esc or the button stops it.
  QProgressDialog wait(QStringLiteral("外部変形を実行中です… (Esc で中止)"), QStringLiteral("中止"), 0, 0, main_);
  wait.setWindowTitle(QStringLiteral("JW_CAD外部変形"));
  wait.setWindowModality(Qt::WindowModal);
  wait.setMinimumDuration(300);
  bool stopped = false;
  QEventLoop loop;
  QObject::connect(&p, &QProcess::finished, &loop, &QEventLoop::quit);
  QObject::connect(&wait, &QProgressDialog::canceled, &loop, [&] {
    stopped = true;
    if (const qint64 pid = p.processId(); pid > 0) ::kill(-static_cast<pid_t>(pid), SIGTERM);
  });
  if (p.state() != QProcess::NotRunning) loop.exec();
  if (p.state() != QProcess::NotRunning) p.waitForFinished(5000);
  wait.reset();
  if (stopped) return -2;
  return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

// The DXF import dialog: the drawing's scale, the text magnification, how
// text sizes are treated, where dimension blocks go.
bool QtPlatform::LoadDxfDialog(TLoadDxfForm& form) {
  QDialog dlg(main_);
  dlg.setWindowTitle(QStringLiteral("AUTO-CADデータの読み込み"));
  auto* layout = new QVBoxLayout(&dlg);
  layout->addWidget(new QLabel(FromSjis(form.fileName), &dlg));
  auto* grid = new QFormLayout;
  auto* scale = new QLineEdit(FromSjis(form.scale), &dlg);
  scale->setObjectName(QStringLiteral("edScale"));
  auto* zoom = new QLineEdit(FromSjis(form.textZoom), &dlg);
  zoom->setObjectName(QStringLiteral("edMojZm"));
  grid->addRow(QStringLiteral("図面の縮尺"), scale);
  grid->addRow(QStringLiteral("文字の倍率"), zoom);
  layout->addLayout(grid);
  auto* sizes = new QGroupBox(QStringLiteral("文字のサイズ"), &dlg);
  sizes->setObjectName(QStringLiteral("rgMojiSize"));
  auto* sizeLayout = new QVBoxLayout(sizes);
  const QString choices[3] = {QStringLiteral("文字テーブルを自動作成しそれに当てはめる"),
                              QStringLiteral("元のサイズを保持する(文字テーブルに当てはめない)"),
                              QStringLiteral("現状の文字テーブルに当てはめる(Ver3互換)")};
  QRadioButton* radio[3];
  for (int i = 0; i < 3; ++i) {
    radio[i] = new QRadioButton(choices[i], sizes);
    sizeLayout->addWidget(radio[i]);
  }
  radio[std::clamp(form.sizeMode, 0, 2)]->setChecked(true);
  layout->addWidget(sizes);
  auto* move = new QCheckBox(QStringLiteral("寸法図形の移動情報を含めて寸法位置を決める"), &dlg);
  move->setObjectName(QStringLiteral("cbxSunpoMove"));
  move->setChecked(form.dimMove);
  layout->addWidget(move);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dlg);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
  layout->addWidget(buttons);
  if (dlg.exec() != QDialog::Accepted) return false;
  form.scale = ToSjis(scale->text());
  form.textZoom = ToSjis(zoom->text());
  for (int i = 0; i < 3; ++i)
    if (radio[i]->isChecked()) form.sizeMode = i;
  form.dimMove = move->isChecked();
  return true;
}

// The box counter's dialog: two sizes, a count per size; its buttons count
// and keep it open, closing it ends the count.
bool QtPlatform::BoxCounterDialog(TBoxCounterForm& form, const std::function<void(bool colour)>& count) {
  QDialog dlg(main_);
  dlg.setWindowTitle(QStringLiteral("矩形集計"));
  dlg.setWindowFlags(dlg.windowFlags() | Qt::WindowStaysOnTopHint);
  auto* layout = new QVBoxLayout(&dlg);
  auto* head = new QHBoxLayout;
  head->addWidget(new QLabel(QStringLiteral("カレントペンの線"), &dlg));
  auto* pen = new QLabel(&dlg);
  pen->setObjectName(QStringLiteral("ImagePen"));
  pen->setToolTip(QStringLiteral("書込ペン変更"));
  if (main_)
    if (const auto* own = main_->findChild<QLabel*>(QStringLiteral("ImagePen")); own && !own->pixmap().isNull())
      pen->setPixmap(own->pixmap().scaled(120, own->pixmap().height()));
  head->addWidget(pen);
  head->addWidget(new QLabel(QStringLiteral("をスキャンして検出・集計します。"), &dlg));
  head->addStretch();
  layout->addLayout(head);
  auto* grid = new QGridLayout;
  std::string* fields[4] = {&form.Edit1w, &form.Edit1h, &form.Edit2w, &form.Edit2h};
  const char* names[4] = {"Edit1w", "Edit1h", "Edit2w", "Edit2h"};
  QLineEdit* edits[4];
  QLabel* counts[2];
  for (int row = 0; row < 2; ++row) {
    grid->addWidget(new QLabel(row == 0 ? QStringLiteral("１）幅") : QStringLiteral("２）幅"), &dlg), row, 0);
    for (int k = 0; k < 2; ++k) {
      const int i = row * 2 + k;
      edits[i] = new QLineEdit(FromSjis(*fields[i]), &dlg);
      edits[i]->setObjectName(QString::fromLatin1(names[i]));
      edits[i]->setAttribute(Qt::WA_InputMethodEnabled, false);
      if (k == 1) grid->addWidget(new QLabel(QStringLiteral("高さ"), &dlg), row, 2);
      grid->addWidget(edits[i], row, 1 + k * 2);
    }
    grid->addWidget(new QLabel(QStringLiteral("(mm)"), &dlg), row, 4);
    counts[row] = new QLabel(FromSjis(row == 0 ? form.lbCnt1 : form.lbCnt2), &dlg);
    counts[row]->setObjectName(row == 0 ? QStringLiteral("lbCnt1") : QStringLiteral("lbCnt2"));
    counts[row]->setMinimumWidth(80);
    grid->addWidget(counts[row], row, 5);
  }
  layout->addLayout(grid);
  // Enter moves on to the next field.
  for (int i = 0; i < 4; ++i)
    QObject::connect(edits[i], &QLineEdit::returnPressed, &dlg, [&edits, i] { edits[(i + 1) % 4]->setFocus(); });
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  const QString captions[2] = {QStringLiteral("集　計"), QStringLiteral("集計＆色塗")};
  for (int b = 0; b < 2; ++b) {
    auto* button = new QPushButton(captions[b], &dlg);
    button->setObjectName(b == 0 ? QStringLiteral("BitBtn1") : QStringLiteral("BitBtn2"));
    button->setAutoDefault(false);
    QObject::connect(button, &QPushButton::clicked, &dlg, [&, b] {
      for (int i = 0; i < 4; ++i) *fields[i] = ToSjis(edits[i]->text());
      count(b == 1);
      counts[0]->setText(FromSjis(form.lbCnt1));
      counts[1]->setText(FromSjis(form.lbCnt2));
      if (showNow_) showNow_();
    });
    buttons->addWidget(button);
  }
  layout->addLayout(buttons);
  dlg.exec();
  for (int i = 0; i < 4; ++i) *fields[i] = ToSjis(edits[i]->text());
  return true;
}

// The attribute change's dialog: which pens, line types and text sizes a
// range takes, and which attributes become the current ones. The boxes are
// the form's own, so they keep their state however it is closed.
bool QtPlatform::PenChangeDialog(TPenChangeForm& form) {
  QDialog dlg(main_);
  dlg.setWindowTitle(QStringLiteral("ペン変更"));
  auto* layout = new QVBoxLayout(&dlg);
  // The pen and line-type samples of the palette.
  RasterCanvas pens[6], aux, types[8];
  TPenPaletteTargets targets;
  for (int i = 0; i < 6; ++i) pens[i].SetSize(70, 18), targets.pens[i] = &pens[i];
  aux.SetSize(70, 18);
  targets.aux = &aux;
  for (int i = 0; i < 8; ++i) types[i].SetSize(70, 18), targets.lineTypes[i] = &types[i];
  PenPaletteBuild(targets);
  auto sample = [&dlg](RasterCanvas& c, const QString& name) {
    auto* l = new QLabel(&dlg);
    l->setObjectName(name);
    l->setPixmap(QPixmap::fromImage(WrapRaster(c.Image()).copy()));
    return l;
  };
  std::vector<std::pair<QCheckBox*, bool*>> boxes;
  auto check = [&](QWidget* parent, const QString& name, const QString& caption, bool* state) {
    auto* b = new QCheckBox(caption, parent);
    b->setObjectName(name);
    b->setChecked(*state);
    QObject::connect(b, &QCheckBox::toggled, &dlg, [state](bool on) { *state = on; });
    boxes.push_back({b, state});
    return b;
  };
  // After an ALL button the boxes show the form again.
  auto refresh = [&boxes] {
    for (auto& [b, state] : boxes) {
      const QSignalBlocker block(b);
      b->setChecked(*state);
    }
  };
  auto row = [&](const QString& title, const QString& allName, int allRow) {
    auto* group = new QGroupBox(title, &dlg);
    auto* grid = new QGridLayout(group);
    auto* all = new QPushButton(QStringLiteral("ALL"), group);
    all->setObjectName(allName);
    all->setAutoDefault(false);
    QObject::connect(all, &QPushButton::clicked, &dlg, [&form, allRow, &refresh] {
      form.All(allRow);
      refresh();
    });
    layout->addWidget(group);
    return std::pair{group, std::pair{grid, all}};
  };
  {
    auto [group, g] = row(QStringLiteral("選択対象ペン番号"), QStringLiteral("btnPenNoAll"), 0);
    for (int i = 0; i < 7; ++i) {
      g.first->addWidget(check(group, QStringLiteral("PenNoCheck%1").arg(i + 1), QString(), &form.PenNoCheck[i]), 0, i);
      g.first->addWidget(sample(i < 6 ? pens[i] : aux, QStringLiteral("ImagePen%1").arg(i + 1)), 1, i);
    }
    g.first->addWidget(g.second, 0, 7);
  }
  layout->addWidget(new QLabel(QStringLiteral("AND"), &dlg), 0, Qt::AlignHCenter);
  {
    auto [group, g] = row(QStringLiteral("選択対象の線種"), QStringLiteral("btnStyleAll"), 1);
    for (int i = 0; i < 8; ++i) {
      g.first->addWidget(check(group, QStringLiteral("StyleCheck%1").arg(i + 1), QString(), &form.StyleCheck[i]), 0, i);
      g.first->addWidget(sample(types[i], QStringLiteral("ImagePenS%1").arg(i + 1)), 1, i);
    }
    g.first->addWidget(g.second, 0, 8);
  }
  {
    auto [group, g] = row(QStringLiteral("選択対象の文字"), QStringLiteral("btnMojiAll"), 2);
    for (int i = 0; i < 10; ++i)
      g.first->addWidget(check(group, QStringLiteral("MojiCheck%1").arg(i + 1), FromSjis(form.MojiCaption[i]),
                               &form.MojiCheck[i]),
                         i / 5, i % 5);
    g.first->addWidget(g.second, 0, 5);
  }
  auto* what = new QHBoxLayout;
  what->addWidget(new QLabel(QStringLiteral("選択データの"), &dlg));
  what->addWidget(check(&dlg, QStringLiteral("cbPenNo"), QStringLiteral("ペン番号"), &form.cbPenNo));
  what->addWidget(check(&dlg, QStringLiteral("cbStyle"), QStringLiteral("線　種"), &form.cbStyle));
  what->addWidget(check(&dlg, QStringLiteral("cbLayer"), QStringLiteral("レイヤー"), &form.cbLayer));
  what->addWidget(check(&dlg, QStringLiteral("cbMoji"), QStringLiteral("文字サイズ"), &form.cbMoji));
  what->addWidget(check(&dlg, QStringLiteral("cbGroup"), QStringLiteral("グループ"), &form.cbGroup));
  what->addWidget(new QLabel(QStringLiteral("をカレントに変更する。"), &dlg));
  layout->addLayout(what);
  auto* ok = new QPushButton(QStringLiteral("確定(&C)"), &dlg);
  ok->setObjectName(QStringLiteral("BitBtn1"));
  ok->setDefault(true);
  QObject::connect(ok, &QPushButton::clicked, &dlg, &QDialog::accept);
  layout->addWidget(ok, 0, Qt::AlignRight);
  return dlg.exec() == QDialog::Accepted;
}

namespace {

// Enter in the number table: from an X cell to the Y cell of its row, from
// a Y cell to the X cell of the next row.
class TEnterNext final : public QObject {
public:
  explicit TEnterNext(QTableWidget* grid) : QObject(grid), grid_(grid) {}

protected:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() != QEvent::KeyPress) return false;
    const int key = static_cast<QKeyEvent*>(e)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
    const int row = grid_->currentRow(), col = grid_->currentColumn();
    if (col == 0)
      grid_->setCurrentCell(row, 1);
    else if (row + 1 < grid_->rowCount())
      grid_->setCurrentCell(row + 1, 0);
    return true;
  }

private:
  QTableWidget* grid_;
};

}  // namespace

// The number table: 30 rows of X and Y over the form's cells (a cell left
// after editing is written in the number format, rows can be dragged by
// their numbers), relative boxes, the unit and the buttons working on the
// form.
bool QtPlatform::NumLinesDialog(TNumLinesForm& form) {
  QDialog dlg(main_);
  dlg.setWindowTitle(QStringLiteral("連続直線の作成"));
  auto* layout = new QHBoxLayout(&dlg);
  auto* grid = new QTableWidget(TNumLinesForm::kRows, 2, &dlg);
  grid->setObjectName(QStringLiteral("StrGrd"));
  grid->setHorizontalHeaderLabels({QStringLiteral("　　Ｘ　　"), QStringLiteral("　　Ｙ　　")});
  grid->verticalHeader()->setSectionsMovable(true);
  grid->setAttribute(Qt::WA_InputMethodEnabled, false);
  grid->installEventFilter(new TEnterNext(grid));
  grid->setMinimumSize(300, 420);
  layout->addWidget(grid);
  bool filling = false;
  auto fill = [&] {
    filling = true;
    for (int r = 0; r < TNumLinesForm::kRows; ++r) {
      grid->setVerticalHeaderItem(r, new QTableWidgetItem(QString::asprintf("%3d", r + 1)));
      grid->setItem(r, 0, new QTableWidgetItem(FromSjis(form.X[r])));
      grid->setItem(r, 1, new QTableWidgetItem(FromSjis(form.Y[r])));
    }
    filling = false;
  };
  QObject::connect(grid, &QTableWidget::itemChanged, &dlg, [&](QTableWidgetItem* item) {
    if (filling) return;
    const int r = item->row();
    (item->column() == 0 ? form.X[r] : form.Y[r]) = ToSjis(item->text());
    form.FormatCell(r, item->column() == 0);
    fill();
  });
  QObject::connect(grid->verticalHeader(), &QHeaderView::sectionMoved, &dlg, [&](int, int from, int to) {
    form.MoveRow(from, to);
    // The header's own order goes back: the rows are renumbered 1 to 30.
    const QSignalBlocker block(grid->verticalHeader());
    grid->verticalHeader()->moveSection(to, from);
    fill();
  });
  auto* side = new QVBoxLayout;
  auto* relX = new QCheckBox(QStringLiteral("Ｘは相対座標"), &dlg);
  relX->setObjectName(QStringLiteral("CheckBoxX"));
  relX->setChecked(form.CheckBoxX);
  auto* relY = new QCheckBox(QStringLiteral("Ｙは相対座標"), &dlg);
  relY->setObjectName(QStringLiteral("CheckBoxY"));
  relY->setChecked(form.CheckBoxY);
  QObject::connect(relX, &QCheckBox::toggled, &dlg, [&form](bool on) { form.CheckBoxX = on; });
  QObject::connect(relY, &QCheckBox::toggled, &dlg, [&form](bool on) { form.CheckBoxY = on; });
  side->addWidget(relX);
  side->addWidget(relY);
  auto* unit = new QGroupBox(QStringLiteral("入力単位"), &dlg);
  unit->setObjectName(QStringLiteral("rgUnit"));
  auto* unitLayout = new QVBoxLayout(unit);
  auto* metres = new QRadioButton(QStringLiteral("ｍ"), unit);
  auto* millimetres = new QRadioButton(QStringLiteral("mm"), unit);
  (form.rgUnit == "mm" ? millimetres : metres)->setChecked(true);
  QObject::connect(millimetres, &QRadioButton::toggled, &dlg, [&form](bool on) { form.rgUnit = on ? "mm" : "ｍ"; });
  unitLayout->addWidget(metres);
  unitLayout->addWidget(millimetres);
  side->addWidget(unit);
  auto button = [&](const char* name, const QString& caption, std::function<void()> act) {
    auto* b = new QPushButton(caption, &dlg);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    QObject::connect(b, &QPushButton::clicked, &dlg, [&, act] {
      grid->setCurrentItem(nullptr);  // an edit under way is committed first
      act();
      fill();
    });
    side->addWidget(b);
  };
  button("btnClear", QStringLiteral("ク リ ア"), [&] { form.Clear(); });
  button("btnTidy", QStringLiteral("表の整理"), [&] { form.Tidy(); });
  button("btnSwap", QStringLiteral("ＸＹ入替"), [&] { form.Swap(); });
  button("btnInvX", QStringLiteral("Ｘ 反転"), [&] { form.Invert(true); });
  button("btnInvY", QStringLiteral("Ｙ 反転"), [&] { form.Invert(false); });
  side->addStretch(1);
  button("btnOK", QStringLiteral("ＯＫ"), [&] {
    if (form.Ok()) dlg.accept();
  });
  auto* cancel = new QPushButton(QStringLiteral("キャンセル"), &dlg);
  cancel->setObjectName(QStringLiteral("btnCancel"));
  cancel->setAutoDefault(false);
  QObject::connect(cancel, &QPushButton::clicked, &dlg, &QDialog::reject);
  side->addWidget(cancel);
  layout->addLayout(side);
  for (int r = 0; r < TNumLinesForm::kRows; ++r) {
    form.FormatCell(r, true);
    form.FormatCell(r, false);
  }
  fill();
  return dlg.exec() == QDialog::Accepted;
}

// The drawing frame: the scale (written as the program shows scales when
// the field is left), the paper and its orientation.
bool QtPlatform::DrawFrameDialog(TDrawFrameForm& form, const std::function<bool()>& ok) {
  QDialog dlg(main_);
  dlg.setWindowTitle(QStringLiteral("作図枠の作成"));
  auto* layout = new QVBoxLayout(&dlg);
  layout->addWidget(new QLabel(QStringLiteral("作図枠(用紙枠)を作成します、用紙と縮尺を指定して下さい。"), &dlg));
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(QStringLiteral("図面の縮尺"), &dlg));
  auto* scale = new QLineEdit(FromSjis(form.edScale), &dlg);
  scale->setObjectName(QStringLiteral("edScale"));
  row->addWidget(scale);
  row->addWidget(new QLabel(QStringLiteral("←入力例   1/1   1/20   1/100   5/1"), &dlg));
  layout->addLayout(row);
  QObject::connect(scale, &QLineEdit::editingFinished, &dlg, [scale] {
    scale->setText(FromSjis(NormalizeScaleField(ToSjis(scale->text()))));
  });
  auto* groups = new QHBoxLayout;
  auto radios = [&](const QString& title, const char* name, const QStringList& items, int current) {
    auto* box = new QGroupBox(title, &dlg);
    box->setObjectName(QString::fromLatin1(name));
    auto* l = new QVBoxLayout(box);
    std::vector<QRadioButton*> out;
    for (int i = 0; i < items.size(); ++i) {
      auto* r = new QRadioButton(items[i], box);
      r->setChecked(i == current);
      l->addWidget(r);
      out.push_back(r);
    }
    groups->addWidget(box);
    return out;
  };
  const auto paper = radios(QStringLiteral("用紙"), "rgPaperSize",
                            {QStringLiteral("Ａ０"), QStringLiteral("Ａ１"), QStringLiteral("Ａ２"), QStringLiteral("Ａ３"), QStringLiteral("Ａ４")},
                            std::clamp(std::atoi(form.rgPaperSize.c_str()), 0, 4));
  const auto orientation = radios(QStringLiteral("向き"), "rgOrientation", {QStringLiteral("縦"), QStringLiteral("横")},
                                  std::clamp(std::atoi(form.rgOrientation.c_str()), 0, 1));
  layout->addLayout(groups);
  layout->addWidget(new QLabel(QStringLiteral("実際に印刷できる範囲はご使用のプリンター、プロッタで多少異なります。"), &dlg));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dlg);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dlg, [&] {
    form.edScale = ToSjis(scale->text());
    for (std::size_t i = 0; i < paper.size(); ++i)
      if (paper[i]->isChecked()) form.rgPaperSize = std::to_string(i);
    for (std::size_t i = 0; i < orientation.size(); ++i)
      if (orientation[i]->isChecked()) form.rgOrientation = std::to_string(i);
    if (!ok || ok()) dlg.accept();
  });
  layout->addWidget(buttons);
  scale->setFocus();
  return dlg.exec() == QDialog::Accepted;
}

// The window size: the drawing area's pixels, presets, the view's width.
bool QtPlatform::SizeDialog(TSizeForm& form) {
  QDialog dlg(main_);
  dlg.setWindowTitle(QStringLiteral("画面サイズ指定"));
  auto* layout = new QVBoxLayout(&dlg);
  layout->addWidget(new QLabel(QStringLiteral("作図枠の大きさを指定してください。"), &dlg));
  auto* grid = new QFormLayout;
  auto field = [&](const char* name, std::string& text, const QString& label) {
    auto* e = new QLineEdit(FromSjis(text), &dlg);
    e->setObjectName(QString::fromLatin1(name));
    QObject::connect(e, &QLineEdit::editingFinished, &dlg, [e] {
      e->setText(FromSjis(FormatReal(80, ParseReal(ToSjis(e->text())))));
    });
    grid->addRow(label, e);
    return e;
  };
  QLineEdit* w = field("edWidth", form.edWidth, QStringLiteral("幅 (ドット)"));
  QLineEdit* h = field("edHeight", form.edHeight, QStringLiteral("高さ (ドット)"));
  QLineEdit* d = field("edWidSize", form.edWidSize, QStringLiteral("表示幅 (図面の単位)"));
  layout->addLayout(grid);
  auto* presets = new QHBoxLayout;
  for (const std::pair<int, int> preset : {std::pair{640, 400}, std::pair{640, 480}, std::pair{800, 600}, std::pair{480, 640}}) {
    const int pw = preset.first, ph = preset.second;
    auto* b = new QPushButton(QStringLiteral("%1 × %2").arg(pw).arg(ph), &dlg);
    b->setObjectName(QStringLiteral("btn%1x%2").arg(pw).arg(ph));
    b->setAutoDefault(false);
    QObject::connect(b, &QPushButton::clicked, &dlg, [=, &form] {
      form.Preset(pw, ph);
      w->setText(FromSjis(form.edWidth));
      h->setText(FromSjis(form.edHeight));
      d->setFocus();
    });
    presets->addWidget(b);
  }
  layout->addLayout(presets);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dlg);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
  auto take = [&](bool whole) {
    form.edWidth = ToSjis(w->text());
    form.edHeight = ToSjis(h->text());
    form.edWidSize = ToSjis(d->text());
    form.wholeWindow = whole;
    dlg.accept();
  };
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dlg, [&] { take(false); });
  if (form.toolsMode) {
    auto* whole = buttons->addButton(QStringLiteral("OK (全体)"), QDialogButtonBox::AcceptRole);
    whole->setObjectName(QStringLiteral("BitBtn3"));
    QObject::disconnect(whole, nullptr, nullptr, nullptr);
    QObject::connect(whole, &QPushButton::clicked, &dlg, [&] { take(true); });
  }
  layout->addWidget(buttons);
  return dlg.exec() == QDialog::Accepted;
}

bool QtPlatform::SetDrawingAreaSize(int width, int height, bool wholeWindow) {
  if (!main_) return false;
  QWidget* area = main_->findChild<QWidget*>(QStringLiteral("PaintBox1"));
  if (!area) return false;
  if (main_->isMaximized() || main_->isFullScreen()) main_->showNormal();
  if (wholeWindow)
    main_->resize(width, height);
  else
    main_->resize(main_->width() + width - area->width(), main_->height() + height - area->height());
  // The layout gives the area its size (and the core hears of it) before
  // the view is set; a window manager may still adjust it afterwards.
  QApplication::processEvents();
  QApplication::processEvents();
  return true;
}

void QtPlatform::ScreenSize(int& width, int& height) {
  const QScreen* s = main_ ? main_->screen() : QGuiApplication::primaryScreen();
  const QRect r = s ? s->geometry() : QRect(0, 0, 1920, 1080);
  width = r.width();
  height = r.height();
}
