// The main view's back buffer: a raster canvas the size of the drawing area.
// The current view (CurrentView()) is bound to it, so everything drawn on the
// view lands here; the Qt drawing area shows the buffer and repaints the
// rectangle that drawing touched (ViewTakeDirty).
#pragma once

#include "render/RasterCanvas.h"

struct ViewBufferState {
  RasterCanvas buffer;
};
extern ViewBufferState g_viewBuffer;
// An empty buffer; the view is left unbound.
void GC_View_Reset();

inline RasterCanvas& ViewBuffer() { return g_viewBuffer.buffer; }

// The drawing area is width x height pixels: the buffer takes that size,
// cleared to black, and the view is bound to it with the window on the
// device (one unit per pixel, y down).
void ViewAttach(int width, int height);

// The part of the buffer drawn since the last call (empty when none).
inline TPixelRect ViewTakeDirty() { return g_viewBuffer.buffer.TakeDirty(); }
