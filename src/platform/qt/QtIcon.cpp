#include "platform/qt/QtIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

// One size of the icon; the picture is laid out on a 64 x 64 grid.
QPixmap Picture(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 64.0, size / 64.0);
  p.setPen(QPen(QColor(0x5b, 0x8f, 0xd0), 2));
  p.setBrush(QColor(0x10, 0x24, 0x3c));
  p.drawRoundedRect(QRectF(2, 2, 60, 60), 8, 8);
  p.setBrush(Qt::NoBrush);
  const QColor square(0x40, 0xe0, 0xd0);
  p.setPen(QPen(square, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPolygon(QPolygonF({QPointF(12, 52), QPointF(12, 14), QPointF(46, 52)}));
  p.setPen(QPen(square, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPolygon(QPolygonF({QPointF(19, 45), QPointF(19, 31), QPointF(31, 45)}));
  p.setPen(QPen(QColor(0x7c, 0xfc, 0x00), 3));
  p.drawEllipse(QPointF(44, 22), 10, 10);
  p.setPen(QPen(QColor(0xff, 0xd7, 0x00), 3, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(8, 58), QPointF(56, 10));
  return pixmap;
}

}  // namespace

QIcon VelmoIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(Picture(size));
  return icon;
}
