#include "platform/qt/PrinterCanvas.h"

#include "platform/qt/QtPaint.h"

PrinterCanvas::PrinterCanvas(QPagedPaintDevice* device) : device_(device) {}

PrinterCanvas::~PrinterCanvas() {
  if (painter_.isActive()) painter_.end();
}

int PrinterCanvas::Width() const { return device_ ? device_->width() : 0; }
int PrinterCanvas::Height() const { return device_ ? device_->height() : 0; }
double PrinterCanvas::PrinterDpi() const { return device_ ? device_->logicalDpiY() : 0; }

bool PrinterCanvas::BeginDoc() {
  if (!device_ || painter_.isActive()) return painter_.isActive();
  if (!painter_.begin(device_)) return false;
  BeginCorePainting(painter_);
  return true;
}

void PrinterCanvas::EndDoc() {
  if (painter_.isActive()) painter_.end();
}

void PrinterCanvas::NewPage() {
  if (painter_.isActive()) device_->newPage();
}

bool PrinterCanvas::Ready() {
  if (!painter_.isActive()) return false;
  ApplyState(painter_, st_, false);
  return true;
}

void PrinterCanvas::LineTo(int x, int y) {
  if (Ready()) painter_.drawLine(QPointF(pos_.x, pos_.y), QPointF(x, y));
  pos_ = {x, y};
}

void PrinterCanvas::Polyline(const TPixelPoint* pts, int n) {
  if (Ready()) PaintPolyline(painter_, st_, pts, n, false);
}

void PrinterCanvas::Arc(const TPixelRect& box, TPixelPoint start, TPixelPoint end) {
  if (Ready()) PaintArc(painter_, st_, box, start, end, false);
}

void PrinterCanvas::Polygon(const TPixelPoint* pts, int n) {
  if (Ready()) PaintPolyline(painter_, st_, pts, n, true);
}

void PrinterCanvas::Pie(const TPixelRect& box, TPixelPoint start, TPixelPoint end) {
  if (Ready()) PaintArc(painter_, st_, box, start, end, true);
}

void PrinterCanvas::FillRect(const TPixelRect& r) {
  if (!painter_.isActive() || r.Empty()) return;
  painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter_.fillRect(QRectF(r.left - 0.5, r.top - 0.5, r.Width(), r.Height()), QtColor(st_.brushColor));
}

void PrinterCanvas::SetPixel(int x, int y, TColor c) {
  if (!painter_.isActive()) return;
  painter_.fillRect(QRectF(x - 0.5, y - 0.5, 1, 1), QtColor(c));
}

void PrinterCanvas::CopyRect(const TPixelRect& dst, const ICanvas& src, const TPixelRect& srcRect) {
  const TRasterImage* img = src.Pixels();
  if (!painter_.isActive() || !img || dst.Empty() || srcRect.Empty()) return;
  painter_.drawImage(QRectF(dst.left - 0.5, dst.top - 0.5, dst.Width(), dst.Height()), WrapRaster(*img),
                     QRectF(srcRect.left, srcRect.top, srcRect.Width(), srcRect.Height()));
}

void PrinterCanvas::StretchDraw(const TPixelRect& dst, const TRasterImage& image) {
  if (!painter_.isActive() || dst.Empty()) return;
  const QImage q = WrapRaster(image);
  if (q.isNull()) return;
  painter_.drawImage(QRectF(dst.left - 0.5, dst.top - 0.5, dst.Width(), dst.Height()), q);
}

void PrinterCanvas::TextOut(int x, int y, const std::string& text) {
  if (Ready()) PaintText(painter_, st_, x, y, text);
}
