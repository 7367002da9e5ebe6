// Pens and line types. A cell's pen word (bits 0-3 pen number, 4-7 line
// type, flags above; model/GC_DB.h) becomes the colour, width and dash
// pattern of a view's canvas, on the screen and on the printer.
//
// The working palette is built from a fixed table of 16 colours and the
// background colour (black, or white with "背景を白にする"); entry 0 is the
// background, 7 the contrast colour, 8 the other-group (dimmed) colour, 14
// the auxiliary colour. From it and the drawing's pen table come each pen's
// screen colour and width and each text size's colour (BuildPenColours),
// which the settings record keeps (TPenEntry, TTextSize).
//
// The line strips are two prepared bitmaps holding, for every line type and
// colour slot, a line across the whole strip; an exactly horizontal or
// vertical cell line on the screen is copied from them (StripLine).
//
// The pen palette's samples (pens, auxiliary pen, line types, the write pen
// and its presets) draw through a view on any canvas.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "model/GC_DB.h"
#include "model/GContext.h"
#include "model/PVC.h"
#include "render/RasterCanvas.h"

constexpr int kPaletteSize = 16;
constexpr int kLineTypeCount = 9;  // types 0..8
constexpr int kAuxPen = 7;
constexpr std::uint16_t kAuxPenWord = 0x57;  // pen 7, line type 5

// RGB as a TColor (0x00BBGGRR).
constexpr TColor Rgb(int r, int g, int b) {
  return static_cast<TColor>(r) | (static_cast<TColor>(g) << 8) | (static_cast<TColor>(b) << 16);
}

struct PenSetState {
  bool whiteBackground = false;  // "背景を白にする"
  std::array<TColor, kPaletteSize> palette{};
  TColor auxColor = 0;
  TColor greyThin = 0;   // monochrome display: print widths 1-2
  TColor greyThick = 0;  // monochrome display: print widths 3-4
  TColor inkColor = 0;   // monochrome display: the other widths
  // The line strips: row (column) 16 t + slot holds line type t in the
  // colour of the slot (see StripLine). Built when first needed, again after
  // the colours change, and wider when a wider canvas asks.
  std::unique_ptr<RasterCanvas> hLines, vLines;
  bool linesStale = true;
};
extern PenSetState g_penSet;
// Black background; the colours of every settings slot rebuilt.
void ApPenSet_Reset();

// ---- Palette and background ----------------------------------------------

// Entry i (0..15) of the working palette; other indices give entry 0.
TColor PaletteColor(int i);
inline TColor BackgroundColor() { return g_penSet.palette[0]; }
inline bool WhiteBackground() { return g_penSet.whiteBackground; }
// White or black background; the colours are rebuilt (BuildPenColours).
void SetWhiteBackground(bool white);

// Rebuilds the working palette, then the screen colours and widths of pens
// 1..7 and the colours of text sizes 1..10 of the record (the working copy
// when none is given) from its pen table, its display switches ("表示の線幅
// も変える。", "白黒表示とする。") and the background; the line strips follow.
void BuildPenColours(TPVC& pvc);
void BuildPenColours();

// ---- Pen words -----------------------------------------------------------

// The pen a word draws with: 1..7 (0 and values above 7 draw as 1 and 7).
int PenNumberOf(std::uint16_t word);
// Its line type: 0..8 (above 8 draws as 8).
int LineTypeOf(std::uint16_t word);
// The 32-character pattern of a line type ('@' ink, '.' gap); clamped.
const char* LineTypePattern(int type);
// The palette caption of line types 1..8 ("実 線", "点 線", "1点鎖", "2点鎖").
const char* LineTypeLabel(int type);

// The colour of selected cells and of XOR feedback: the selection colour,
// or its complement when the background is white and the view's canvas is
// in XOR mode (so XOR onto white shows the colour itself).
TColor XorColour(const TGContext& g);
// The colour a word draws in on the screen: the selection colour (bit 15),
// else the pen's screen colour, the other-group colour (bit 13), the
// background (bit 14, or pen bits 0).
TColor ScreenPenColor(const TGContext& g, std::uint16_t word);
// The colour pen p (1..7) prints in by the printer type: black on a
// monochrome printer; on a colour printer its palette colour, black for
// colour 7 or a print-black pen; on a plotter its colour cut to 8 colours.
TColor PrintPenColor(const TPVC& pvc, int pen);
// Each channel 255 when at least 128, else 0.
TColor EightColors(TColor c);

// The view's pen for a word: colour, width and dash pattern. On the screen
// the pen's screen colour and width; on the printer the print width in
// tenths of a millimetre scaled by the print scale, and the colour by the
// printer type.
void SetPen(TGContext& g, std::uint16_t word);

// ---- Line strips ---------------------------------------------------------

// Copies an exactly horizontal or vertical line from pixel (x1, y1) to
// (x2, y2), end pixel excluded, from the line strips: the pattern starts at
// its left (upper) end. Only on the screen, in copy mode, with displayed
// widths not varied, and only when the line fits the strip; false (nothing
// drawn) otherwise, and the caller draws it the general way.
bool StripLine(TGContext& g, int x1, int y1, int x2, int y2, std::uint16_t word);
// Builds the strips StripLine needs for a canvas now, as its first use would
// (before two threads draw with them).
void PrepareStripLines(const ICanvas& c);

// ---- Pen palette ---------------------------------------------------------

enum class TPenSample : unsigned char {
  Pen,       // pens 1..6
  Aux,       // the auxiliary pen
  LineType,  // line types 1..8
};

// One sample filling the view's canvas: a pen sample shows a line in the
// pen's screen colour and width and "Pen.n" in "ＭＳ 明朝"; the auxiliary
// sample "補助線" and its dash-dot line; a line-type sample its label and
// line on a grey ground. A bad index draws nothing.
void PenSampleDraw(TGContext& g, TPenSample kind, int index);
// A sample line through the middle of the view's canvas in the word's pen.
void PenPreviewDraw(TGContext& g, std::int32_t word);

// The canvases the palette paints; any may be null.
struct TPenPaletteTargets {
  ICanvas* pens[6] = {};
  ICanvas* aux = nullptr;
  ICanvas* lineTypes[8] = {};
  ICanvas* writePen = nullptr;  // the current write pen
  ICanvas* presets[5] = {};     // presets A..E
};
// Paints every sample, then the previews (PenPreviewsDraw).
void PenPaletteBuild(const TPenPaletteTargets& t);
// The write pen (0 becomes 0x11) and the presets (empty ones get their
// standard pens) of the working copy, then their previews.
void PenPreviewsDraw(const TPenPaletteTargets& t);
// A pick on a sample sets the write pen: pen n with line type 1, line type n
// with the current pen number, or the auxiliary pen 0x57. Returns the new
// write pen; a bad index changes nothing and returns the old one.
std::int32_t PenPaletteClick(TPenSample kind, int index);
