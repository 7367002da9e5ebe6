// The view: a graphics context (TGContext, model/GContext.h) bound to a
// canvas, mapping drawing units to device pixels, and the primitives every
// drawing goes through (dot, marker, line, box, rotated box, arc, text).
// Primitives take drawing units, cull against the window, clip in pixel
// space and round to whole pixels (halves to even). The same code draws on
// the screen, on bitmaps and on the printer; the printer differs in units
// (paper millimetres), pen widths and a fixed page offset.
//
// Order of calls: G_Begin, optionally G_ResetDevice or G_SetViewport, then
// G_SetWindow, drawing, G_End (which matters only for the printer).
//
// Mapping: px = (x - wx1) sx + left, py = bottom - (y - wy1) sy (plus the
// page and extra offsets on the printer). With wy2 > wy1 y points up.
#pragma once

#include <string>
#include <string_view>

#include "kernel/Z_Math.h"
#include "model/GContext.h"
#include "render/Canvas.h"

class RasterCanvas;

// Nothing to reset: the strips that fast dashed lines copy one period of
// their pattern from belong to the thread that draws (see G_DashLine).
void Z_Graph_Reset();

// Binds the context to a canvas of the given kind and sets the device to the
// whole canvas, the default font and colours. A printer canvas starts its
// print job here. Without a canvas (or a printer kind on a canvas that is
// not a printer) it shows "G_Begin ﾊﾟﾗﾒｰﾀｰ(2) Error", leaves the context
// unbound (every primitive then draws nothing) and returns false.
bool G_Begin(TGContext& g, TTargetKind kind, ICanvas* canvas, double printScale = 1.0);
// Ends the print job of a printing context.
void G_End(TGContext& g);
// Device := the whole canvas (printer: the printable page less the page and
// extra offsets, in millimetres), then G_SetViewport.
void G_ResetDevice(TGContext& g);
// The device rectangle in device units (pixels; printer millimetres); the
// window becomes (left, bottom, right, top): one drawing unit per device
// unit, y down.
void G_SetViewport(TGContext& g, double left, double top, double right, double bottom);
// The world window, widened along one axis so both axes get the same scale
// and centred on the device. A window with x1 = x2 or y1 = y2 resets the
// device. Ignored: a window under 1e-4 in both directions or over 2e8 in
// either, non-finite corners, and a device without width or height.
void G_SetWindow(TGContext& g, double x1, double y1, double x2, double y2);

void G_ToPixel(const TGContext& g, double x, double y, double& px, double& py);
void G_ToPixelInt(const TGContext& g, double x, double y, int& px, int& py);
// The drawing position of a pixel position; the pixel is taken 0.1 pixel
// right of and below the given position.
void G_ToWorld(const TGContext& g, double px, double py, double& x, double& y);
// Drawing units per pixel (1 / sx).
double G_PixelSize(const TGContext& g);

// Pen colour (set only when it differs).
void G_PenColor(TGContext& g, TColor c);
// Font colour, and a clear brush so text leaves its background alone.
void G_TextColor(TGContext& g, TColor c);
// Screen: w pixels (truncated). Printer: max(sqrt(print scale) w 0.2
// pixels/mm 0.6, w).
void G_PenWidth(TGContext& g, double w);
// Raster mode; printing contexts keep copy mode.
void G_PenMode(TGContext& g, TPenMode m);
// A dash pattern, '@' ink and '.' gap, padded with '.' and cut to 32
// characters. The pen becomes solid, or dotted when the pattern has a gap;
// the primitives take a dotted pen as "lay the pattern".
void G_Pattern(TGContext& g, const std::string& pattern);
// Built-in styles for feedback: 0 solid (the pattern stays), 1 dash, 2 dot,
// 3 dash-dot, 4 dash-dot-dot.
void G_LineStyle(TGContext& g, int style);

// One pixel at the point when it lies in the window, in the pen's mode.
void G_Dot(TGContext& g, double x, double y);
// A 5 x 5 pixel blob (printer: rings sized by the pen width).
void G_Marker(TGContext& g, double x, double y);
void G_Line(TGContext& g, double x1, double y1, double x2, double y2);
void G_Box(TGContext& g, double x1, double y1, double x2, double y2);
// A w x h rectangle with a corner at (x, y), turned by angle about it; one
// line when w or h is 0, nothing when both are.
void G_RotBox(TGContext& g, double x, double y, double w, double h, double angle);
// A circle, ellipse, arc or elliptic arc (ArcParams, kernel/Z_Math.h).
void G_Arc(TGContext& g, double cx, double cy, double r, double f, double t, double s, double e);
inline void G_Arc(TGContext& g, const ArcParams& a) { G_Arc(g, a.cx, a.cy, a.r, a.f, a.t, a.s, a.e); }

// The two faces texts use (CP932): "ＭＳ ゴシック", the default, and "ＭＳ 明朝".
extern const char kFaceGothic[];
extern const char kFaceMincho[];

// Text state: face (CP932), character height, full-width width and gap in
// drawing units, direction in radians.
void G_FontName(TGContext& g, const std::string& face);
void G_TextSize(TGContext& g, double height, double width, double gap);
void G_TextAngle(TGContext& g, double angle);
// The glyph cell of the next characters: h high and w wide (a full-width
// character; the font's width is the half-width advance) in pixels, turned
// by angle. The screen rounds the height to even pixels; the printer
// enlarges by the text factor. The canvas's font changes only when it
// differs.
void G_CharFont(TGContext& g, double h, double w, double angle);
// The text with its lower-left corner at (x, y), character by character: a
// full-width character advances width + gap along the text direction, a
// half-width one half of that. Vertical text runs along the direction with
// its characters upright (turned a quarter turn back), the column on the
// left of the direction; brackets, dashes and long marks turn with the line
// and the marks 、。，． move to the upper right of their cell. With text
// marks on, "^u" and "^d" before a character draw it half size, raised or
// lowered. On the screen, texts under 6 pixels high, empty texts and texts
// in XOR mode are drawn as their outline box.
void G_Text(TGContext& g, std::string_view text, bool vertical, double x, double y);
// Whether a character (its one or two CP932 bytes) of a vertical text turns
// with the line (brackets, dashes, long marks) rather than standing upright.
bool TurnedInVertical(std::string_view ch);
// n w / 2 + (n - f) gap / 2 for a text of n bytes whose first character has
// f bytes: a full-width character alone gives w, a half-width one w / 2, an
// empty text 0.
double G_TextWidth(const TGContext& g, std::string_view text);
// The same with the given width and gap.
double TextRunWidth(std::string_view text, double width, double gap);

// Lines in a pen that is not solid: G_Line hands the culled, clipped and
// rounded pixel segment to the pattern routine, G_DashLine unless a test
// installs another. nullptr restores G_DashLine. Returns the previous one.
using TPatternLine = void (*)(TGContext& g, int x1, int y1, int x2, int y2);
TPatternLine G_SetPatternLine(TPatternLine fn);
// Lays the context's dash pattern along a pixel segment; character k of the
// pattern (k mod 32) falls on step k from the left end (upper end of a
// steep line). Screen, one-pixel pen: the dot pattern of line type 2 uses
// the canvas's dot style; in XOR mode the canvas's dash (line types 3, 4)
// or dash-dot style. Otherwise, in copy mode, the ink pixels are set one by
// one, and a horizontal or vertical line over 64 pixels copies one period
// from the pattern strip in blocks of 32 (gaps in the brush colour). Wider
// pens and XOR draw each run of ink as a line. Printer: one character per
// max(0.4 pixels/mm print scale, 5) pixels, runs of ink as lines.
void G_DashLine(TGContext& g, int x1, int y1, int x2, int y2);
