// The canvas: the few drawing operations the view primitives (Z_Graph) need
// of a target. Implementations: RasterCanvas (a pixel buffer in the core:
// the screen's back buffer, bitmaps, picture export), RecordCanvas (a log of
// the calls, for tests) and the printer canvas of the Qt layer.
//
// Coordinates are device pixels, x right, y down. Colours are TColor
// (0x00BBGGRR). The conventions follow the classic desktop canvas the
// drawing code was written against: a line excludes its end pixel, a pen of
// width 0 draws one pixel wide, setting a brush colour makes a clear brush
// solid, the pen's raster mode applies to lines, arcs and filled shapes but
// not to pixels set directly, rectangle fills or copies.
#pragma once

#include <string>

#include "kernel/Platform.h"
#include "model/GContext.h"

struct TPixelPoint {
  int x = 0, y = 0;
  friend bool operator==(const TPixelPoint&, const TPixelPoint&) = default;
};

// A rectangle of pixels; right and bottom are exclusive.
struct TPixelRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool Empty() const { return right <= left || bottom <= top; }
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  friend bool operator==(const TPixelRect&, const TPixelRect&) = default;
};

// The smallest rectangle holding both (an empty one adds nothing).
TPixelRect UnionRect(const TPixelRect& a, const TPixelRect& b);
TPixelRect IntersectRect(const TPixelRect& a, const TPixelRect& b);

// Cosmetic dash styles of one-pixel pens; Clear draws nothing.
enum class TPenStyle : unsigned char { Solid, Dash, Dot, DashDot, DashDotDot, Clear };
enum class TBrushStyle : unsigned char { Solid, Clear };
const char* PenStyleName(TPenStyle s);  // "Solid", "Dash", ...

class ICanvas {
public:
  virtual ~ICanvas() = default;

  // Size in pixels. For a printer, the printable page.
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // Where drawing can reach.
  virtual TPixelRect ClipRect() const = 0;

  // --- pen, brush, font
  virtual void SetPenColor(TColor c) = 0;
  virtual TColor PenColor() const = 0;
  virtual void SetPenWidth(int w) = 0;  // pixels
  virtual int PenWidth() const = 0;
  virtual void SetPenStyle(TPenStyle s) = 0;
  virtual TPenStyle PenStyle() const = 0;
  virtual void SetPenMode(TPenMode m) = 0;
  virtual TPenMode PenMode() const = 0;
  // A clear brush becomes solid when its colour is set.
  virtual void SetBrushColor(TColor c) = 0;
  virtual TColor BrushColor() const = 0;
  virtual void SetBrushStyle(TBrushStyle s) = 0;
  virtual TBrushStyle BrushStyle() const = 0;
  virtual void SetFont(const TFontDesc& f) = 0;
  virtual const TFontDesc& Font() const = 0;
  virtual void SetFontColor(TColor c) = 0;
  virtual TColor FontColor() const = 0;

  // --- drawing in the pen
  virtual void MoveTo(int x, int y) = 0;
  // A line from the current position to (x, y), which becomes the current
  // position; the pixel at (x, y) is not drawn.
  virtual void LineTo(int x, int y) = 0;
  // Lines through the points, each excluding its end: the last point is not
  // drawn. The current position is left alone.
  virtual void Polyline(const TPixelPoint* pts, int n) = 0;
  // The ellipse through the pixel centres of the box's edges (centre at the
  // box's middle, half-axes half its width and height; right and bottom are
  // inclusive here), counter-clockwise on the screen from the ray through
  // `start` to the ray through `end`; the whole ellipse when start == end.
  virtual void Arc(const TPixelRect& box, TPixelPoint start, TPixelPoint end) = 0;

  // --- filled shapes: brush inside, pen outline
  virtual void Polygon(const TPixelPoint* pts, int n) = 0;
  // The sector of the Arc ellipse between the two rays; the whole ellipse
  // when start == end.
  virtual void Pie(const TPixelRect& box, TPixelPoint start, TPixelPoint end) = 0;
  // The rectangle in the brush colour, whatever the brush style and mode.
  virtual void FillRect(const TPixelRect& r) = 0;

  // --- pixels and pictures
  virtual void SetPixel(int x, int y, TColor c) = 0;
  // The same without reading anything back; for pattern laying.
  virtual void SetPixelFast(int x, int y, TColor c) = 0;
  // SetPixelFast for each of n points, in one call (a dashed line's ink).
  virtual void SetPixels(const TPixelPoint* pts, int n, TColor c) {
    for (int i = 0; i < n; ++i) SetPixelFast(pts[i].x, pts[i].y, c);
  }
  // src's srcRect into dst, stretched when the sizes differ.
  virtual void CopyRect(const TPixelRect& dst, const ICanvas& src, const TPixelRect& srcRect) = 0;
  virtual void StretchDraw(const TPixelRect& dst, const TRasterImage& image) = 0;
  // The pixels of a canvas that has them in memory (a copy source), else null.
  virtual const TRasterImage* Pixels() const { return nullptr; }

  // --- text: CP932, in the font and font colour, the character cell's
  // top-left corner at (x, y) before the font's escapement turns it.
  virtual void TextOut(int x, int y, const std::string& text) = 0;

  // --- printer: vertical dots per inch (0 when the canvas is not a
  // printer); a print job around the drawing of the pages.
  virtual double PrinterDpi() const { return 0; }
  virtual bool BeginDoc() { return false; }
  virtual void EndDoc() {}
};
