#include "platform/qt/QtConvert.h"

#include <cstring>
#include <utility>

#include <QCursor>
#include <QPainter>
#include <QPixmap>

#include "app/ApManager.h"
#include "platform/qt/QtText.h"

int QtKeyToVk(int k, Qt::KeyboardModifiers mods) {
  const bool keypad = mods.testFlag(Qt::KeypadModifier);
  if (k >= Qt::Key_0 && k <= Qt::Key_9) return keypad ? 96 + (k - Qt::Key_0) : 48 + (k - Qt::Key_0);
  if (k >= Qt::Key_A && k <= Qt::Key_Z) return 65 + (k - Qt::Key_A);
  if (k >= Qt::Key_F1 && k <= Qt::Key_F12) return 112 + (k - Qt::Key_F1);
  switch (k) {
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return 17;
    case Qt::Key_Alt: return 18;
    case Qt::Key_Pause: return 19;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Space: return 32;
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    case Qt::Key_Asterisk: return keypad ? 106 : 0;
    case Qt::Key_Plus: return keypad ? 107 : 0;
    case Qt::Key_Minus: return keypad ? 109 : 0;
    case Qt::Key_Period: return keypad ? 110 : 0;
    case Qt::Key_Slash: return keypad ? 111 : 0;
    default: return 0;
  }
}

unsigned ShiftBits(Qt::KeyboardModifiers mods, Qt::MouseButtons buttons) {
  unsigned s = 0;
  if (mods.testFlag(Qt::ShiftModifier)) s |= ssShift;
  if (mods.testFlag(Qt::AltModifier)) s |= ssAlt;
  if (mods.testFlag(Qt::ControlModifier)) s |= ssCtrl;
  if (buttons.testFlag(Qt::LeftButton)) s |= ssLeft;
  if (buttons.testFlag(Qt::RightButton)) s |= ssRight;
  if (buttons.testFlag(Qt::MiddleButton)) s |= ssMiddle;
  return s;
}

unsigned ButtonBit(Qt::MouseButton b) {
  switch (b) {
    case Qt::LeftButton: return ssLeft;
    case Qt::RightButton: return ssRight;
    case Qt::MiddleButton: return ssMiddle;
    default: return 0;
  }
}

QColor Rgb(std::uint32_t rgb) { return QColor::fromRgb(static_cast<QRgb>(0xFF000000u | (rgb & 0xFFFFFF))); }

Qt::CursorShape QtCursorShape(CursorShape shape) {
  switch (shape) {
    case CursorShape::Default:
    case CursorShape::Arrow: return Qt::ArrowCursor;
    case CursorShape::Cross: return Qt::CrossCursor;
    case CursorShape::Hourglass: return Qt::WaitCursor;
    case CursorShape::SizeAll: return Qt::SizeAllCursor;
    case CursorShape::SizeNS: return Qt::SizeVerCursor;
    case CursorShape::SizeWE: return Qt::SizeHorCursor;
    case CursorShape::HandPoint: return Qt::PointingHandCursor;
    case CursorShape::IBeam: return Qt::IBeamCursor;
    case CursorShape::No: return Qt::ForbiddenCursor;
    case CursorShape::Help: return Qt::WhatsThisCursor;
    case CursorShape::Drag: return Qt::DragMoveCursor;
    case CursorShape::AddExclude: return Qt::DragCopyCursor;
    case CursorShape::Point1: return Qt::CrossCursor;
    case CursorShape::Point2: return Qt::UpArrowCursor;
    case CursorShape::Point4: return Qt::PointingHandCursor;
    case CursorShape::SplitH: return Qt::SplitHCursor;
    case CursorShape::SplitV: return Qt::SplitVCursor;
  }
  return Qt::ArrowCursor;
}

QCursor QtCursor(CursorShape shape) {
  if (shape != CursorShape::Point1 && shape != CursorShape::Point2) return QCursor(QtCursorShape(shape));
  // A white cross with a black outline, and the digit below right of it.
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  for (const auto& [colour, width] : {std::pair{QColor(Qt::black), 3}, std::pair{QColor(Qt::white), 1}}) {
    p.setPen(QPen(colour, width));
    p.drawLine(15, 2, 15, 28);
    p.drawLine(2, 15, 28, 15);
  }
  QFont font = p.font();
  font.setPixelSize(11);
  font.setBold(true);
  p.setFont(font);
  const QString digit = shape == CursorShape::Point1 ? QStringLiteral("1") : QStringLiteral("2");
  for (int dx = -1; dx <= 1; ++dx)
    for (int dy = -1; dy <= 1; ++dy) {
      p.setPen(Qt::black);
      p.drawText(QRect(18 + dx, 17 + dy, 12, 13), Qt::AlignCenter, digit);
    }
  p.setPen(Qt::white);
  p.drawText(QRect(18, 17, 12, 13), Qt::AlignCenter, digit);
  p.end();
  return QCursor(pixmap, 15, 15);
}

QImage ToQImage(const TRasterImage& image) {
  if (image.width <= 0 || image.height <= 0 ||
      image.pixels.size() < static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height))
    return {};
  QImage out(image.width, image.height, QImage::Format_ARGB32);
  const std::size_t rowBytes = static_cast<std::size_t>(image.width) * 4;
  for (int y = 0; y < image.height; ++y)
    std::memcpy(out.scanLine(y), image.pixels.data() + static_cast<std::size_t>(y) * image.width, rowBytes);
  return out;
}

TRasterImage FromQImage(const QImage& image) {
  TRasterImage out;
  if (image.isNull()) return out;
  const QImage src = image.convertToFormat(QImage::Format_ARGB32);
  out.width = src.width();
  out.height = src.height();
  out.pixels.resize(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height));
  const std::size_t rowBytes = static_cast<std::size_t>(out.width) * 4;
  for (int y = 0; y < out.height; ++y)
    std::memcpy(out.pixels.data() + static_cast<std::size_t>(y) * out.width, src.constScanLine(y), rowBytes);
  return out;
}

QStringList FilterToQt(const std::string& filter) {
  QStringList out;
  const QStringList parts = FromSjis(filter).split(u'|');
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns = parts[i + 1].split(u';', Qt::SkipEmptyParts);
    for (QString& p : patterns) p = p.trimmed();
    out << parts[i].trimmed() + QStringLiteral(" (") + patterns.join(u' ') + u')';
  }
  return out;
}

int ByteIndexAt(const std::string& sjis, const QFontMetrics& fm, int x) {
  if (x < 0) return 0;
  QString shown;
  std::size_t i = 0;
  while (i < sjis.size()) {
    const unsigned char c = static_cast<unsigned char>(sjis[i]);
    const bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    const std::size_t n = lead && i + 1 < sjis.size() ? 2 : 1;
    shown += FromSjis(sjis.substr(i, n));
    // The character ends where the text up to and including it ends.
    if (x < fm.horizontalAdvance(shown)) return static_cast<int>(i);
    i += n;
  }
  return static_cast<int>(sjis.size());
}
