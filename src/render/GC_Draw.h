// Drawing cells on a view: visibility from the group and layer states and
// the display switches, fast paths for the common cases on the screen, the
// per-kind drawing through the view primitives otherwise, the grid, and the
// whole drawing in its layering order (fills and pictures, auxiliary cells,
// dashed lines, the rest, points).
//
// The same routines draw on the screen, on bitmaps and on the printer.
// Pictures are decoded by a loader the assembly installs
// (g_wiring.loadPicture; the decoders live with the file formats) and kept in a cache by file name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "kernel/Platform.h"
#include "kernel/Wiring.h"
#include "model/GC_DB.h"
#include "model/GContext.h"
#include "model/PVC.h"

constexpr int kPictureCacheSize = 100;

struct TPictureEntry {
  std::string name;    // the cell's text
  bool loaded = false; // false: the file could not be read (drawn crossed)
  TRasterImage image;
};

struct GC_DrawState {
  std::vector<TPictureEntry> pictures;  // at most kPictureCacheSize
  int pictureLoads = 0;                 // calls of the loader (tests)
  // Set while the view is zoomed or panned by dragging: text up to 16
  // pixels high is drawn as its box.
  bool dragging = false;
  // Horizontal and vertical lines are copied from the line strips (set by
  // PrepareCellDrawing: screen, copy mode, widths not varied).
  bool useStrips = false;
  // A large view is drawn in two bands by two threads (tests turn it off to
  // compare with one pass).
  bool bands = true;
  int bandedDraws = 0;  // how often (tests)
};
extern GC_DrawState g_draw;
// An empty picture cache.
void GC_Draw_Reset();


// ---- Visibility --------------------------------------------------------

// True for cells drawn in the auxiliary pen (a text: the pen of its size).
bool IsAuxCell(const TGcell& cell);
// Live kind, and either selected or highlighted, or on a shown group and
// layer with its class of cells switched on.
bool IsCellShown(const TGcell& cell);

// ---- Single cells --------------------------------------------------------

// Line strips only when widths are not varied and the mode is copy; pen
// width 1, solid, yellow.
void PrepareCellDrawing(TGContext& g);
// PrepareCellDrawing, then DrawCellFast.
void DrawCell(TGContext& g, const TGcell& cell);
// The screen's fast paths, else DrawCellGeneral. force skips the
// visibility test.
void DrawCellFast(TGContext& g, const TGcell& cell, bool force = false);
// Visibility (unless forced), then the cell or each piece of its expansion
// by DrawSimpleCell; afterwards pen width 1, solid.
void DrawCellGeneral(TGContext& g, const TGcell& cell, bool force = false);
// One simple cell by kind.
void DrawSimpleCell(TGContext& g, const TGcell& cell);
// In XOR mode: drawing the same cell twice restores the pixels.
void XorCell(TGContext& g, const TGcell& cell);
// The cell painted in the background colour.
void EraseCell(TGContext& g, const TGcell& cell);
// The cell again, on a copy of the view (after its selection changed).
void DrawSelected(const TGContext& g, const TGcell& cell);

// The colour of a fill or of a picture's frame: "$" and hexadecimal digits
// in the cell's text (red in the low byte), else (and for unreadable digits)
// the pen's colour; on the screen adjusted for selection, XOR, dimming,
// erasing, background and monochrome display.
TColor FillColour(TGContext& g, const TGcell& cell);

// ---- Polygon vertices -----------------------------------------------------

// The vertices of a polygon cell's text: a colour token, then ",x,y" per
// vertex. The count is the number of commas / 2 (a field after the last
// whole pair is not read); xs and ys receive count + 1 entries, the first
// vertex repeated to close the outline. No vertex (count 0), or a field that
// is not a finite number, gives 0 with xs and ys empty. Callers that need an
// area check for at least 3 vertices.
int PolygonGetVertices(std::string_view text, std::vector<double>& xs, std::vector<double>& ys);
// The text := its colour token (the part before the first comma when it
// starts with "$", else "0") + ",x,y" per vertex (two decimals); p0..p3 :=
// the vertices' bounding box.
void PolygonSetVertices(TGcell& cell, const double* xs, const double* ys, int n);

// ---- Pictures -----------------------------------------------------------

// The image of a picture cell's file name: from the cache, else through the
// loader (cached whether it succeeds or not, while the cache has room).
// nullptr when it cannot be read.
const TRasterImage* CachedPicture(const std::string& name);

// ---- The whole view -------------------------------------------------------

// Background (unless keepBackground) and grid. Sets the drawn grid spacing
// of the working settings (0 when too dense to draw).
void DrawGrid(TGContext& g, bool keepBackground = false);
// Every live cell of the current window in layering order; the layer, line
// and text counts of the working settings are counted afresh.
void DrawAllCells(TGContext& g);
