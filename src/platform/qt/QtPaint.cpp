#include "platform/qt/QtPaint.h"

#include <QFontMetricsF>
#include <QPolygonF>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "platform/qt/QtText.h"

namespace {

// Half the stroke plus a pixel: how far a figure's pixels reach past its points.
int Reach(const TRasterState& st) { return std::max(st.penWidth, 1) / 2 + 2; }

QRect Around(int l, int t, int r, int b, int reach) {
  return QRect(QPoint(l - reach, t - reach), QPoint(r + reach, b + reach));
}

// The parameter angle (Qt's arc angles are parametric) of the ray from the
// ellipse's centre through p, in degrees.
double ParamDegrees(double cx, double cy, double a, double b, TPixelPoint p) {
  const double dx = p.x - cx, dy = cy - p.y;  // y up
  const double th = a > 0 && b > 0 ? std::atan2(dy / b, dx / a) : std::atan2(dy, dx);
  return th * 180 / std::numbers::pi;
}

}  // namespace

QColor QtColor(TColor c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

QFont QtFont(const TFontDesc& f) {
  const std::string face(f.face, strnlen(f.face, sizeof f.face));
  const QString name = FromSjis(face);
  const bool mincho = name.contains(QString::fromUtf8("明朝"));
  QFont font;
  font.setFamilies({name, mincho ? QStringLiteral("IPAMincho") : QStringLiteral("IPAGothic")});
  const int px = f.height > 0 ? f.height : f.height < 0 ? -f.height : 16;
  font.setPixelSize(std::max(px, 1));
  if (f.width > 0) font.setStretch(std::clamp(static_cast<int>(std::lround(200.0 * f.width / px)), 1, 4000));
  font.setWeight(static_cast<QFont::Weight>(std::clamp(f.weight > 0 ? f.weight : 400, 100, 900)));
  font.setItalic(f.italic);
  font.setUnderline(f.underline);
  font.setStrikeOut(f.strikeOut);
  font.setStyleStrategy(QFont::NoAntialias);
  return font;
}

QPen QtPen(const TRasterState& st) {
  if (st.penStyle == TPenStyle::Clear) return QPen(Qt::NoPen);
  QPen pen(QtColor(st.penColor));
  if (st.penWidth > 1) {
    pen.setWidth(st.penWidth);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
  }
  pen.setWidth(0);  // cosmetic: one device pixel
  switch (st.penStyle) {
    case TPenStyle::Dash: pen.setDashPattern({18, 6}); break;
    case TPenStyle::Dot: pen.setDashPattern({3, 3}); break;
    case TPenStyle::DashDot: pen.setDashPattern({9, 6, 3, 6}); break;
    case TPenStyle::DashDotDot: pen.setDashPattern({9, 3, 3, 3, 3, 3}); break;
    default: break;
  }
  return pen;
}

QBrush QtBrush(const TRasterState& st) {
  return st.brushStyle == TBrushStyle::Solid ? QBrush(QtColor(st.brushColor)) : QBrush(Qt::NoBrush);
}

void BeginCorePainting(QPainter& p) {
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setRenderHint(QPainter::TextAntialiasing, false);
  p.setRenderHint(QPainter::SmoothPixmapTransform, false);
  p.translate(0.5, 0.5);
}

void ApplyState(QPainter& p, const TRasterState& st, bool allowXor) {
  p.setPen(QtPen(st));
  p.setBrush(QtBrush(st));
  p.setCompositionMode(allowXor && st.penMode == TPenMode::Xor ? QPainter::RasterOp_SourceXorDestination
                                                                : QPainter::CompositionMode_SourceOver);
}

QRect PaintArc(QPainter& p, const TRasterState& st, const TPixelRect& box, TPixelPoint start, TPixelPoint end,
               bool pie) {
  const int l = std::min(box.left, box.right), r = std::max(box.left, box.right);
  const int t = std::min(box.top, box.bottom), b = std::max(box.top, box.bottom);
  const QRectF rect(l, t, r - l, b - t);
  const double cx = (l + r) / 2.0, cy = (t + b) / 2.0, a = (r - l) / 2.0, bb = (b - t) / 2.0;
  int from16 = 0, span16 = 360 * 16;
  if (!(start == end)) {
    const double s = ParamDegrees(cx, cy, a, bb, start), e = ParamDegrees(cx, cy, a, bb, end);
    double span = e - s;
    while (span <= 0) span += 360;
    from16 = static_cast<int>(std::lround(s * 16));
    span16 = static_cast<int>(std::lround(span * 16));
  }
  if (pie) {
    if (span16 >= 360 * 16)
      p.drawEllipse(rect);
    else
      p.drawPie(rect, from16, span16);
  } else {
    p.drawArc(rect, from16, span16);
  }
  return Around(l, t, r, b, Reach(st));
}

QRect PaintPolyline(QPainter& p, const TRasterState& st, const TPixelPoint* pts, int n, bool polygon) {
  if (n <= 0) return {};
  QPolygonF poly;
  poly.reserve(n);
  int l = pts[0].x, r = pts[0].x, t = pts[0].y, b = pts[0].y;
  for (int i = 0; i < n; ++i) {
    poly << QPointF(pts[i].x, pts[i].y);
    l = std::min(l, pts[i].x), r = std::max(r, pts[i].x);
    t = std::min(t, pts[i].y), b = std::max(b, pts[i].y);
  }
  if (polygon)
    p.drawPolygon(poly, Qt::OddEvenFill);
  else
    p.drawPolyline(poly);
  return Around(l, t, r, b, Reach(st));
}

namespace {

// Text goes out one character at a time: the font and its metrics are made
// once per font, not per character.
struct FontCache {
  TFontDesc desc;
  bool valid = false;
  QFont font;
  double ascent = 0, height = 0;
};

const FontCache& CachedFont(const TFontDesc& f) {
  thread_local FontCache cache;
  if (!cache.valid || std::memcmp(&cache.desc, &f, sizeof f) != 0) {
    cache.desc = f;
    cache.font = QtFont(f);
    const QFontMetricsF fm(cache.font);
    cache.ascent = fm.ascent();
    cache.height = fm.height();
    cache.valid = true;
  }
  return cache;
}

}  // namespace

QRect PaintText(QPainter& p, const TRasterState& st, int x, int y, const std::string& sjis) {
  const QString text = FromSjis(sjis);
  const FontCache& fc = CachedFont(st.font);
  const QFontMetricsF fm(fc.font);
  const QRectF cell(0, 0, fm.horizontalAdvance(text), fc.height);
  p.save();
  p.translate(x - 0.5, y - 0.5);  // text is laid on pixel edges
  p.rotate(-st.font.escapement / 10.0);
  if (st.brushStyle == TBrushStyle::Solid) p.fillRect(cell, QtColor(st.brushColor));
  p.setFont(fc.font);
  p.setPen(QtColor(st.fontColor));
  p.drawText(QPointF(0, fc.ascent), text);
  const QRect touched = p.transform().mapRect(cell).toAlignedRect().adjusted(-2, -2, 2, 2);
  p.restore();
  return touched;
}

QImage WrapRaster(TRasterImage& image) {
  if (image.width <= 0 || image.height <= 0) return {};
  return QImage(reinterpret_cast<uchar*>(image.pixels.data()), image.width, image.height, image.width * 4,
                QImage::Format_RGB32);
}

QImage WrapRaster(const TRasterImage& image) {
  if (image.width <= 0 || image.height <= 0) return {};
  return QImage(reinterpret_cast<const uchar*>(image.pixels.data()), image.width, image.height, image.width * 4,
                QImage::Format_RGB32);
}
