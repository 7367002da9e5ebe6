// The graphics context: a view of the drawing bound to one target (the
// screen's drawing area, a bitmap, or the printer). A plain, trivially
// copyable value: the drawing settings keep copies of views, and operations
// pass views by reference. The routines that set and use it are in
// render/Z_Graph.
#pragma once

#include <cstdint>
#include <type_traits>

class ICanvas;  // the platform canvas a context draws on (render/Canvas.h)

// A colour as the drawing files store it: 0x00BBGGRR (255 is red).
using TColor = std::uint32_t;

// Raster modes of the pen: copy the colour, or XOR it into the pixel (drawing
// the same figure twice restores the pixels).
enum class TPenMode : unsigned char { Copy, Xor };

// A font as the drawing asks for it. Sizes are pixels; escapement and
// orientation tenths of a degree.
struct TFontDesc {
  int height = 0;  // 0 lets the platform choose
  int width = 0;   // 0 = natural; else the half-width advance
  int escapement = 0;
  int orientation = 0;
  int weight = 400;
  bool italic = false, underline = false, strikeOut = false;
  unsigned char charSet = 128;  // Shift-JIS
  unsigned char precision = 0, clipping = 0, quality = 0, pitch = 0;
  // CP932 "ＭＳ ゴシック", spelt in bytes: the Qt layer, whose literals are
  // UTF-8, includes this header too.
  char face[32] = "\x82\x6C\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4E";
};

// The kinds of target a context can be bound to.
enum class TTargetKind : unsigned char { None, PaintBox, Bitmap, Image, GridCell, Printer };

// Pen, brush and font state live on the canvas (contexts bound to the same
// canvas share them, as views of one window do); the context keeps the
// mapping and the text metrics.
struct TGContext {
  TTargetKind targetKind = TTargetKind::None;  // None: not bound, nothing is drawn
  bool printing = false;
  ICanvas* canvas = nullptr;
  char linePattern[33] = "";  // '@' ink, '.' gap
  TFontDesc font;
  double resolution = 1.0;       // device dots per inch (vertical); 1 on screens
  double pixelsPerUnit = 1.0;    // printer: pixels per paper millimetre
  double textFactor = 1.0;       // 1.1 on the printer
  double printScale = 1.0;
  int pageOffsetX = 0, pageOffsetY = 0;
  int extraOffsetX = 0, extraOffsetY = 0;
  double devLeft = 0, devTop = 0, devRight = 0, devBottom = 0;  // device rectangle, pixels
  double wx1 = 0, wy1 = 0, wx2 = 0, wy2 = 0;                    // window, drawing units
  double wcx = 0, wcy = 0;                                      // window centre
  double cullRadius = 0;
  double pxMinX = 0, pxMinY = 0, pxMaxX = 0, pxMaxY = 0;  // the window in pixels
  double sx = 1, sy = 1;                                   // pixels per drawing unit
  double textAngle = 0;
  double textHeight = 0, textWidth = 0, textGap = 0;
  bool textMarks = false;
};

static_assert(std::is_trivially_copyable_v<TGContext>, "views are copied by value");
