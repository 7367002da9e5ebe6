// What the Qt canvases share: the core's pen, brush and font state as
// QPainter state, and arcs and text drawn with QPainter. Coordinates are the
// core's pixel coordinates (a pixel's centre at whole numbers); painters are
// translated by half a pixel to Qt's convention. Antialiasing is off.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QRect>
#include <string>

#include "render/RasterCanvas.h"

QColor QtColor(TColor c);
// The font a TFontDesc asks for, with the IPA fonts standing in for the
// Windows faces ("ＭＳ ゴシック", "ＭＳ 明朝"); glyphs without antialiasing.
QFont QtFont(const TFontDesc& f);
// Solid round pens when wider than one pixel, else a one-pixel pen in the
// dash style; none for a clear pen.
QPen QtPen(const TRasterState& st);
QBrush QtBrush(const TRasterState& st);

// Starts painting on a device the core's way: no antialiasing, pixel
// centres at whole numbers.
void BeginCorePainting(QPainter& p);
// Pen, brush and raster mode for a figure (xor: only where the device
// supports raster operations).
void ApplyState(QPainter& p, const TRasterState& st, bool allowXor);

// ICanvas::Arc and ICanvas::Pie through QPainter. Return the device
// rectangle they may have touched.
QRect PaintArc(QPainter& p, const TRasterState& st, const TPixelRect& box, TPixelPoint start, TPixelPoint end,
               bool pie);
QRect PaintPolyline(QPainter& p, const TRasterState& st, const TPixelPoint* pts, int n, bool polygon);
// ICanvas::TextOut: CP932 text in the font and font colour, the top-left
// of its cell at (x, y), turned by the escapement; a solid brush fills the
// cell first.
QRect PaintText(QPainter& p, const TRasterState& st, int x, int y, const std::string& sjis);

inline TPixelRect ToPixelRect(const QRect& r) {
  return r.isEmpty() ? TPixelRect{} : TPixelRect{r.left(), r.top(), r.right() + 1, r.bottom() + 1};
}

// A QImage on the raster image's own pixels (no copy): RGB32, which keeps
// the words 0xFFRRGGBB.
QImage WrapRaster(TRasterImage& image);
QImage WrapRaster(const TRasterImage& image);
