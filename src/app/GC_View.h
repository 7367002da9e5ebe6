// The main view's back buffer: a raster canvas the size of the drawing area.
// The current view (CurrentView()) is bound to it, so everything drawn on the
// view lands here; the Qt drawing area shows the buffer and repaints the
// rectangle that drawing touched (ViewTakeDirty).
//
// The whole view is drawn by ViewRedraw (background, grid, every cell in
// layering order); after a step that changed only a few cells ViewRepaintStep
// draws just those. Both count the cells for the status line (ShowDataCount).
#pragma once

#include "render/RasterCanvas.h"

struct ViewBufferState {
  RasterCanvas buffer;
  // The quick redraws (mode 9) draw here and copy the result in one step.
  RasterCanvas offscreen;
  // The drawing area as a pan found it, shown shifted while it goes on.
  RasterCanvas captured;
  // The view's window has been set (by the first paint); until then a
  // resize binds the view one unit per pixel.
  bool windowSet = false;
  // The last window the view showed with y up (x1, y1, x2, y2), so an area
  // squeezed to a line, which cannot show it, gives it back when it grows.
  bool hasShown = false;
  double shown[4] = {};
  // Cleared for a moment while the settings dialog closes: paint requests
  // then draw nothing.
  bool paintingEnabled = true;
  bool lastRedrawFast = false;  // the last redraw was a quick one (mode 9)
  // Grows whenever the whole buffer is painted afresh (a resize, a redraw
  // in modes 1, 2 and 9, a pan step), taking every XOR mark with it: XOR
  // feedback drawn under an older count is no longer on the screen.
  unsigned long wipes = 0;
  double lastRedrawMs = 0;  // the last full redraw straight to the view
};
extern ViewBufferState g_viewBuffer;
// An empty buffer; the view is left unbound.
void GC_View_Reset();

inline RasterCanvas& ViewBuffer() { return g_viewBuffer.buffer; }

// The drawing area is width x height pixels: the buffer takes that size,
// cleared to the background colour, and the view is bound to it. A view
// whose window was set keeps showing that window, widened to the area's
// shape (the scale follows the new size); else the window is the device
// (one unit per pixel, y down).
void ViewAttach(int width, int height);

// The part of the buffer drawn since the last call (empty when none).
inline TPixelRect ViewTakeDirty() { return g_viewBuffer.buffer.TakeDirty(); }

// Fit all: the view shows the remembered range ("範囲記憶") when one is
// set; else the extents of the current window's cells, or, for an empty
// drawing (minimum equal to maximum in both axes), (0, 0) to the drawing
// area's size in pixels times the basic scale (a pixel taken as a paper
// millimetre); widened on all four sides by the larger of 2% of the width
// and 2% of the height. Nothing happens while the view is unbound.
void ViewFitAll();
// Fit all as a view step: the view it replaces becomes the previous view,
// unless fitting left the window as it was.
void ViewFitAllStep();

// The view D drawing units across the drawing area about the same centre
// (the previous view := the view it replaces), redrawn.
void ViewSetWidth(double d);
// The previous view (the settings' prevView) := the current view.
void ViewStorePrevious();
// The current and the previous view change places (the previous view's
// window shown on the current drawing area). Nothing without a previous
// view.
void ViewExchangePrevious();
// The view shows the window of v (made isotropic for the drawing area).
void ViewShowWindowOf(const TGContext& v);
// True when both views show the same window.
bool SameWindow(const TGContext& a, const TGContext& b);

// Redraws the main view. Mode 0: the cells over what is there; 1 and 2:
// background, grid and cells; 9: the same into the offscreen image, copied
// to the view in one step (drags and key scrolling: the current operation
// is not asked to redraw its feedback). Modes 1 and 2 then send EV_REDRAW to
// the current operation. The counts are shown. lastRedrawFast tells
// whether this was mode 9.
void ViewRedraw(int mode);

// Draws only what the current undo step changed: deleted cells in the
// background colour, added ones normally; the cells are counted afresh.
void ViewRepaintStep();

// Milliseconds of a steady clock (for the durations the status shows).
double MonotonicMs();

// "線=%4d,字=%4d" of the last count into the status label, then the group
// and layer panels refreshed (RefreshLayerPanels), then countsShown.
void ShowDataCount();
