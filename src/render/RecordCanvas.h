// A canvas that draws nothing and writes down every call, one text line per
// call with its integer arguments ("MoveTo 10 20", "LineTo 30 20",
// "PenColor 255", "Arc 0 0 20 20 20 10 20 10"), so tests can check what the
// drawing code asks of the platform. It keeps the pen, brush and font state
// it was given, and can pose as a printer.
#pragma once

#include <string>
#include <vector>

#include "render/Canvas.h"

class RecordCanvas final : public ICanvas {
public:
  // printerDpi > 0 makes it a printer whose printable page is width x height.
  explicit RecordCanvas(int width = 640, int height = 480, double printerDpi = 0);

  const std::vector<std::string>& Log() const { return log_; }
  void Clear() { log_.clear(); }
  // The log's lines joined by '\n'.
  std::string Text() const;

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  TPixelRect ClipRect() const override { return {0, 0, width_, height_}; }

  void SetPenColor(TColor c) override;
  TColor PenColor() const override { return penColor_; }
  void SetPenWidth(int w) override;
  int PenWidth() const override { return penWidth_; }
  void SetPenStyle(TPenStyle s) override;
  TPenStyle PenStyle() const override { return penStyle_; }
  void SetPenMode(TPenMode m) override;
  TPenMode PenMode() const override { return penMode_; }
  void SetBrushColor(TColor c) override;
  TColor BrushColor() const override { return brushColor_; }
  void SetBrushStyle(TBrushStyle s) override;
  TBrushStyle BrushStyle() const override { return brushStyle_; }
  void SetFont(const TFontDesc& f) override;
  const TFontDesc& Font() const override { return font_; }
  void SetFontColor(TColor c) override;
  TColor FontColor() const override { return fontColor_; }

  void MoveTo(int x, int y) override;
  void LineTo(int x, int y) override;
  void Polyline(const TPixelPoint* pts, int n) override;
  void Arc(const TPixelRect& box, TPixelPoint start, TPixelPoint end) override;
  void Polygon(const TPixelPoint* pts, int n) override;
  void Pie(const TPixelRect& box, TPixelPoint start, TPixelPoint end) override;
  void FillRect(const TPixelRect& r) override;
  void SetPixel(int x, int y, TColor c) override;
  void SetPixelFast(int x, int y, TColor c) override;
  void CopyRect(const TPixelRect& dst, const ICanvas& src, const TPixelRect& srcRect) override;
  void StretchDraw(const TPixelRect& dst, const TRasterImage& image) override;
  void TextOut(int x, int y, const std::string& text) override;

  double PrinterDpi() const override { return dpi_; }
  bool BeginDoc() override;
  void EndDoc() override;

private:
  void Add(const char* name, std::initializer_list<long long> args, const std::string& tail = {});

  int width_, height_;
  double dpi_;
  std::vector<std::string> log_;
  TColor penColor_ = 0, brushColor_ = 0xFFFFFF, fontColor_ = 0;
  int penWidth_ = 1;
  TPenStyle penStyle_ = TPenStyle::Solid;
  TPenMode penMode_ = TPenMode::Copy;
  TBrushStyle brushStyle_ = TBrushStyle::Solid;
  TFontDesc font_;
};
