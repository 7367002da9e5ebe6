#include "platform/qt/QtRasterHelper.h"

#include <QImage>
#include <QPainter>
#include <memory>

#include "platform/qt/QtPaint.h"

namespace {

class QtRasterHelper final : public IRasterHelper {
public:
  QtRasterHelper(TRasterImage& image, const TPixelRect& clip)
      : image_(WrapRaster(image)), clip_(clip.left, clip.top, clip.Width(), clip.Height()) {
    painter_.begin(&image_);
    BeginCorePainting(painter_);
    if (clip_ != image_.rect()) painter_.setClipRect(clip_);
  }
  ~QtRasterHelper() override {
    if (painter_.isActive()) painter_.end();
  }

  TPixelRect Polyline(const TRasterState& st, const TPixelPoint* pts, int n) override {
    if (!Ready(st)) return {};
    return Clip(PaintPolyline(painter_, st, pts, n, false));
  }
  TPixelRect Arc(const TRasterState& st, const TPixelRect& box, TPixelPoint start, TPixelPoint end) override {
    if (!Ready(st)) return {};
    painter_.setBrush(Qt::NoBrush);
    return Clip(PaintArc(painter_, st, box, start, end, false));
  }
  TPixelRect Polygon(const TRasterState& st, const TPixelPoint* pts, int n) override {
    if (!Ready(st)) return {};
    return Clip(PaintPolyline(painter_, st, pts, n, true));
  }
  TPixelRect Pie(const TRasterState& st, const TPixelRect& box, TPixelPoint start, TPixelPoint end) override {
    if (!Ready(st)) return {};
    return Clip(PaintArc(painter_, st, box, start, end, true));
  }
  TPixelRect Text(const TRasterState& st, int x, int y, const std::string& text) override {
    if (!Ready(st)) return {};
    return Clip(PaintText(painter_, st, x, y, text));
  }

private:
  bool Ready(const TRasterState& st) {
    if (!painter_.isActive()) return false;
    ApplyState(painter_, st, true);
    return true;
  }
  TPixelRect Clip(const QRect& r) const { return ToPixelRect(r.intersected(clip_)); }

  QImage image_;
  QRect clip_;  // where it draws: the image, or a band of it
  QPainter painter_;
};

std::unique_ptr<IRasterHelper> MakeHelper(TRasterImage& image, const TPixelRect& clip) {
  if (image.width <= 0 || image.height <= 0) return nullptr;
  return std::make_unique<QtRasterHelper>(image, clip);
}

}  // namespace

// Helpers of one image paint from two threads at once: QPainter on a QImage
// is made for threads, and Qt 6 renders text outside the main thread on
// every platform.
void InstallQtRasterHelper() { SetRasterHelperFactory(&MakeHelper, true); }
