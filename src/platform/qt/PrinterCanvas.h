// The printer as a canvas: QPainter over a paged device (QPrinter, or
// QPdfWriter to print into a PDF file). Sizes are device pixels of the
// printable page; PrinterDpi gives the vertical resolution, from which the
// view works in paper millimetres. Raster modes do not apply on paper.
#pragma once

#include <QPagedPaintDevice>
#include <QPainter>

#include "render/RasterCanvas.h"

class PrinterCanvas final : public ICanvas {
public:
  // The device must outlive the canvas.
  explicit PrinterCanvas(QPagedPaintDevice* device);
  ~PrinterCanvas() override;

  int Width() const override;
  int Height() const override;
  TPixelRect ClipRect() const override { return {0, 0, Width(), Height()}; }

  void SetPenColor(TColor c) override { st_.penColor = c; }
  TColor PenColor() const override { return st_.penColor; }
  void SetPenWidth(int w) override { st_.penWidth = w; }
  int PenWidth() const override { return st_.penWidth; }
  void SetPenStyle(TPenStyle s) override { st_.penStyle = s; }
  TPenStyle PenStyle() const override { return st_.penStyle; }
  void SetPenMode(TPenMode m) override { st_.penMode = m; }
  TPenMode PenMode() const override { return st_.penMode; }
  void SetBrushColor(TColor c) override {
    st_.brushColor = c;
    st_.brushStyle = TBrushStyle::Solid;
  }
  TColor BrushColor() const override { return st_.brushColor; }
  void SetBrushStyle(TBrushStyle s) override { st_.brushStyle = s; }
  TBrushStyle BrushStyle() const override { return st_.brushStyle; }
  void SetFont(const TFontDesc& f) override { st_.font = f; }
  const TFontDesc& Font() const override { return st_.font; }
  void SetFontColor(TColor c) override { st_.fontColor = c; }
  TColor FontColor() const override { return st_.fontColor; }

  void MoveTo(int x, int y) override { pos_ = {x, y}; }
  void LineTo(int x, int y) override;
  void Polyline(const TPixelPoint* pts, int n) override;
  void Arc(const TPixelRect& box, TPixelPoint start, TPixelPoint end) override;
  void Polygon(const TPixelPoint* pts, int n) override;
  void Pie(const TPixelRect& box, TPixelPoint start, TPixelPoint end) override;
  void FillRect(const TPixelRect& r) override;
  void SetPixel(int x, int y, TColor c) override;
  void SetPixelFast(int x, int y, TColor c) override { SetPixel(x, y, c); }
  void CopyRect(const TPixelRect& dst, const ICanvas& src, const TPixelRect& srcRect) override;
  void StretchDraw(const TPixelRect& dst, const TRasterImage& image) override;
  void TextOut(int x, int y, const std::string& text) override;

  double PrinterDpi() const override;
  // Starts the job (and its first page); false when the device refuses.
  bool BeginDoc() override;
  void EndDoc() override;
  // The next sheet of the job.
  void NewPage();
  bool Printing() const { return painter_.isActive(); }

private:
  bool Ready();

  QPagedPaintDevice* device_;
  QPainter painter_;
  TRasterState st_;
  TPixelPoint pos_;
};
