// A canvas on a 32-bit pixel buffer in memory: the screen's back buffer,
// bitmaps and picture export. Pixels are 0xFFRRGGBB words (TRasterImage),
// converted from the 0x00BBGGRR colours the drawing uses.
//
// One-pixel work is done here, exactly and fast: lines of every dash style
// (the end pixel excluded), polylines, arcs and ellipses, filled polygons,
// pies and rectangles, pixels, copies and stretched pictures. XOR is exact:
// every pixel a figure covers is toggled once, so drawing a figure twice
// restores the buffer byte for byte. What needs a rasteriser the core does
// not have (pens wider than one pixel, text in a font) goes to an
// IRasterHelper working on the same buffer; the Qt layer installs one. Without
// it wide pens draw one pixel wide and text is not drawn.
//
// The canvas collects the rectangle its drawing touched (Dirty), so a window
// showing it repaints only that part.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "render/Canvas.h"

// The drawing state a helper draws with.
struct TRasterState {
  TColor penColor = 0;
  int penWidth = 1;
  TPenStyle penStyle = TPenStyle::Solid;
  TPenMode penMode = TPenMode::Copy;
  TColor brushColor = 0xFFFFFF;
  TBrushStyle brushStyle = TBrushStyle::Solid;
  TFontDesc font;
  TColor fontColor = 0;
};

// Drawing into a raster canvas's pixels that the core leaves to the
// platform. A helper is made for one pixel buffer and stays valid while the
// buffer keeps its size. Each call returns the rectangle it may have changed.
class IRasterHelper {
public:
  virtual ~IRasterHelper() = default;
  // Lines through the points in a pen wider than one pixel.
  virtual TPixelRect Polyline(const TRasterState& st, const TPixelPoint* pts, int n) = 0;
  // As ICanvas::Arc, in a wide pen.
  virtual TPixelRect Arc(const TRasterState& st, const TPixelRect& box, TPixelPoint start,
                         TPixelPoint end) = 0;
  // As ICanvas::Polygon and ICanvas::Pie, outlined in a wide pen.
  virtual TPixelRect Polygon(const TRasterState& st, const TPixelPoint* pts, int n) = 0;
  virtual TPixelRect Pie(const TRasterState& st, const TPixelRect& box, TPixelPoint start,
                         TPixelPoint end) = 0;
  // As ICanvas::TextOut.
  virtual TPixelRect Text(const TRasterState& st, int x, int y, const std::string& text) = 0;
};

// Makes the helper of a pixel buffer that draws only inside clip. Installed
// once by the platform.
using TRasterHelperFactory = std::unique_ptr<IRasterHelper> (*)(TRasterImage& image, const TPixelRect& clip);
// threadSafe: helpers of one buffer may draw from two threads at once, each
// in its own clip (text rendering outside the main thread included).
void SetRasterHelperFactory(TRasterHelperFactory factory, bool threadSafe = false);
// Whether helpers may draw outside the main thread (none installed: yes,
// there is nothing to draw with).
bool RasterHelpersThreadSafe();

// 0x00BBGGRR -> 0xFFRRGGBB and back.
constexpr std::uint32_t ColorToPixel(TColor c) {
  return 0xFF000000u | ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}
constexpr TColor PixelToColor(std::uint32_t p) {
  return ((p >> 16) & 0xFFu) | (p & 0xFF00u) | ((p & 0xFFu) << 16);
}

class RasterCanvas final : public ICanvas {
public:
  // A black canvas of the size.
  explicit RasterCanvas(int width = 0, int height = 0);
  // A band of another canvas: its pixels, size and decisions, but drawing
  // only into rows top..bottom - 1, so that two threads draw one picture in
  // two bands at once, each pixel exactly as drawing it whole puts it. It
  // starts with the other canvas's pen, brush and font; its dirty
  // rectangle is its own. The other canvas keeps its size meanwhile.
  RasterCanvas(RasterCanvas& whole, int top, int bottom);
  ~RasterCanvas() override;
  RasterCanvas(const RasterCanvas&) = delete;
  RasterCanvas& operator=(const RasterCanvas&) = delete;

  // A new black buffer of the size (the old contents are gone); the whole
  // canvas becomes dirty.
  void SetSize(int width, int height);
  // Every pixel in colour c; the whole canvas becomes dirty.
  void Clear(TColor c);
  const TRasterImage& Image() const { return *img_; }
  // Hands its pixels over without copying them; the canvas is then empty
  // (a band hands nothing over).
  void TakeImage(TRasterImage& out);
  TColor PixelColor(int x, int y) const;  // 0 outside the canvas

  // The rectangle drawing touched since the last TakeDirty.
  TPixelRect Dirty() const { return dirty_; }
  TPixelRect TakeDirty();
  // After drawing in bands: what a band touched counts as touched here, and
  // the pen, brush, font and position are the band's (drawing it all here
  // would have left them so).
  void TakeBand(const RasterCanvas& band) {
    Touch(band.dirty_);
    st_ = band.st_;
    pos_ = band.pos_;
  }

  int Width() const override { return img_->width; }
  int Height() const override { return img_->height; }
  TPixelRect ClipRect() const override { return {0, 0, img_->width, img_->height}; }

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
  void SetPixelFast(int x, int y, TColor c) override;
  void SetPixels(const TPixelPoint* pts, int n, TColor c) override;
  void CopyRect(const TPixelRect& dst, const ICanvas& src, const TPixelRect& srcRect) override;
  void StretchDraw(const TPixelRect& dst, const TRasterImage& image) override;
  const TRasterImage* Pixels() const override { return img_; }
  void TextOut(int x, int y, const std::string& text) override;

private:
  IRasterHelper* Helper();
  bool WidePen() const { return st_.penWidth > 1; }
  // Where this canvas draws: all of it, or its band.
  TPixelRect Writable() const {
    return banded_ ? TPixelRect{0, std::max(0, bandTop_), img_->width, std::min(img_->height, bandBottom_)}
                   : ClipRect();
  }
  void Touch(const TPixelRect& r) { dirty_ = UnionRect(dirty_, IntersectRect(r, Writable())); }
  void Line1(int x0, int y0, int x1, int y1);
  void Fill(const double* xs, const double* ys, int n, const TPixelPoint* outline, int outlineN);
  void Blit(const TPixelRect& dst, const TRasterImage& src, const TPixelRect& srcRect);

  TRasterImage own_;
  TRasterImage* img_ = &own_;  // own_, or a whole canvas's for a band
  bool banded_ = false;
  int bandTop_ = 0, bandBottom_ = 0;
  TRasterState st_;
  TPixelPoint pos_;
  TPixelRect dirty_;
  std::unique_ptr<IRasterHelper> helper_;
  bool helperTried_ = false;
};
