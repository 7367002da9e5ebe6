#include "app/GC_View.h"

#include "app/ApManager.h"
#include "render/Z_Graph.h"

ViewBufferState g_viewBuffer;

void GC_View_Reset() {
  g_viewBuffer.buffer.SetSize(0, 0);
  g_viewBuffer.buffer.TakeDirty();
}

void ViewAttach(int width, int height) {
  RasterCanvas& b = g_viewBuffer.buffer;
  if (b.Width() != width || b.Height() != height) b.SetSize(width, height);
  b.Clear(0);
  G_Begin(CurrentView(), TTargetKind::PaintBox, &b, 1.0);
}
