#include "app/GC_View.h"

#include <time.h>

#include <algorithm>
#include <cmath>

#include "app/ApGrpLay.h"
#include "app/ApManager.h"
#include "app/ApMouse.h"
#include "app/Ap_Unit1.h"
#include "app/GC_PointSearch.h"
#include "kernel/Wiring.h"
#include "kernel/Z_Basic.h"
#include "model/GC_DB.h"
#include "model/PVC.h"
#include "render/ApPenSet.h"
#include "render/GC_Draw.h"
#include "render/Z_Graph.h"

ViewBufferState g_viewBuffer;

void GC_View_Reset() {
  g_viewBuffer.buffer.SetSize(0, 0);
  g_viewBuffer.buffer.TakeDirty();
  g_viewBuffer.offscreen.SetSize(0, 0);
  g_viewBuffer.captured.SetSize(0, 0);
  g_viewBuffer.windowSet = false;
  g_viewBuffer.hasShown = false;
  g_viewBuffer.paintingEnabled = true;
  g_viewBuffer.lastRedrawFast = false;
  g_viewBuffer.lastRedrawMs = 0;
  ++g_viewBuffer.wipes;
}

void ViewAttach(int width, int height) {
  RasterCanvas& b = g_viewBuffer.buffer;
  TGContext& view = CurrentView();
  // A set window stays what the area shows; the scale follows the new size.
  if (view.wx1 != view.wx2 && view.wy2 > view.wy1) {
    g_viewBuffer.hasShown = true;
    g_viewBuffer.shown[0] = view.wx1, g_viewBuffer.shown[1] = view.wy1;
    g_viewBuffer.shown[2] = view.wx2, g_viewBuffer.shown[3] = view.wy2;
  }
  if (b.Width() != width || b.Height() != height) b.SetSize(width, height);
  b.Clear(BackgroundColor());
  ++g_viewBuffer.wipes;
  G_Begin(view, TTargetKind::PaintBox, &b, 1.0);
  const double* r = g_viewBuffer.shown;
  if (!g_viewBuffer.windowSet || !g_viewBuffer.hasShown) return;
  G_SetWindow(view, r[0], r[1], r[2], r[3]);
  // A window widened for a very thin area may be wider than a view may be:
  // then its middle, as far as its narrow side reaches.
  if (!(view.wy2 > view.wy1)) {
    const double cx = (r[0] + r[2]) / 2, cy = (r[1] + r[3]) / 2;
    const double h = std::min(r[2] - r[0], r[3] - r[1]) / 2;
    G_SetWindow(view, cx - h, cy - h, cx + h, cy + h);
  }
}

double MonotonicMs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

namespace {

// The remembered range, or the drawing's extents with a margin.
void SetFitWindow(TGContext& view) {
  const TPVC& pvc = CurPVC();
  if (pvc.rangeRemembered) {
    const auto& r = pvc.rememberedRange;
    G_SetWindow(view, r[0], r[1], r[2], r[3]);
    return;
  }
  TExtents e = GcellExtents();
  if (e.xmin == e.xmax && e.ymin == e.ymax) {
    const double b = pvc.basicScale > 0 ? pvc.basicScale : 1;
    e = {0, 0, view.canvas->Width() * b, view.canvas->Height() * b};
  }
  const double m = std::max(e.xmax - e.xmin, e.ymax - e.ymin) * 0.02;
  G_SetWindow(view, e.xmin - m, e.ymin - m, e.xmax + m, e.ymax + m);
}

}  // namespace

void ViewFitAll() {
  TGContext& view = CurrentView();
  if (!view.canvas) return;
  const TGContext before = view;
  G_ResetDevice(view);
  g_viewBuffer.windowSet = true;
  SetFitWindow(view);
  // A window beyond the view's limits was refused: the view stays as it
  // was, not the device's own mapping (y down) the reset left.
  if (!(view.wy2 > view.wy1) && before.wy2 > before.wy1) view = before;
}

void ViewFitAllStep() {
  const TGContext before = CurrentView();
  ViewFitAll();
  if (!SameWindow(before, CurrentView())) CurPVC().prevView = before;
}

void ViewStorePrevious() { CurPVC().prevView = CurrentView(); }

bool SameWindow(const TGContext& a, const TGContext& b) {
  return a.wx1 == b.wx1 && a.wy1 == b.wy1 && a.wx2 == b.wx2 && a.wy2 == b.wy2;
}

void ViewShowWindowOf(const TGContext& v) {
  if (v.wx1 == v.wx2 || v.wy1 == v.wy2) return;
  G_SetWindow(CurrentView(), v.wx1, v.wy1, v.wx2, v.wy2);
}

void ViewExchangePrevious() {
  TGContext& prev = CurPVC().prevView;
  if (prev.wx1 == prev.wx2 || prev.wy1 == prev.wy2) return;
  const TGContext before = CurrentView();
  ViewShowWindowOf(prev);
  prev = before;
}

void ViewRedraw(int mode) {
  TGContext& view = CurrentView();
  if (!view.canvas) return;
  // A pan or drag zoom shows its own screen cursor: redraws leave it.
  const bool busy = g_mouseNav.DragMode != dmPan && g_mouseNav.DragMode != dmDragZoom;
  g_viewBuffer.lastRedrawFast = mode == 9;
  if (mode != 0) ++g_viewBuffer.wipes;
  if (busy) Platform().SetScreenCursor(CursorShape::Hourglass);
  TGContext g = view;
  if (mode == 9) {
    RasterCanvas& off = g_viewBuffer.offscreen;
    ICanvas& target = *view.canvas;
    if (off.Width() != target.Width() || off.Height() != target.Height()) off.SetSize(target.Width(), target.Height());
    g.canvas = &off;
    DrawGrid(g);
    DrawAllCells(g);
    G_PenMode(view, TPenMode::Copy);
    target.CopyRect(target.ClipRect(), off, off.ClipRect());
  } else {
    const double start = MonotonicMs();
    G_PenMode(g, TPenMode::Copy);
    if (mode == 0) {
      DrawGrid(g, true);
    } else {
      DrawGrid(g);
    }
    DrawAllCells(g);
    g_viewBuffer.lastRedrawMs = MonotonicMs() - start;
    if (mode != 0) OpDispatch(OpBtn_None, EV_REDRAW, 0, 0);
  }
  ShowDataCount();
  if (busy) Platform().SetScreenCursor(CursorShape::Default);
}

void ViewRepaintStep() {
  TGContext& view = CurrentView();
  Platform().SetScreenCursor(CursorShape::Hourglass);
  TGContext g = view;
  TPVC& pvc = CurPVC();
  const int w = StoreWindow(), n = StoreUsed();
  if (g.canvas) {
    G_PenMode(g, TPenMode::Copy);
    PrepareCellDrawing(g);
    for (int i = 1; i <= n; ++i) {
      const TGcell& c = GcellRef(i);
      if (c.window != w || !c.undo || c.kind >= 0) continue;
      TGcell live = c;
      live.kind = static_cast<std::int8_t>(-live.kind);
      EraseCell(g, live);
    }
    PrepareCellDrawing(g);
  }
  ResetLayerCounts(pvc);
  for (int i = 1; i <= n; ++i) {
    const TGcell& c = GcellRef(i);
    if (c.window != w || c.kind <= 0) continue;
    CountCell(pvc, c);
    if (c.undo && g.canvas) DrawCellFast(g, c, false);
  }
  ShowDataCount();
  Platform().SetScreenCursor(CursorShape::Default);
}

void ShowDataCount() {
  const TPVC& pvc = CurPVC();
  g_form1.lbDataCount.caption = Format("線=%4d,字=%4d", {pvc.lineCount, pvc.textCount});
  Form1Changed();
  RefreshLayerPanels();
  if (g_wiring.countsShown) g_wiring.countsShown();
}

void ViewSetWidth(double d) {
  TGContext& v = CurrentView();
  const double w = v.devRight - v.devLeft, h = v.devBottom - v.devTop;
  if (!(w > 0) || !(h > 0)) return;
  const double cx = (v.wx1 + v.wx2) / 2, cy = (v.wy1 + v.wy2) / 2;
  // The window's height from the area's aspect: D across however wide the area is.
  const double half = d / 2 * h / w;
  ViewStorePrevious();
  G_SetWindow(v, cx - d / 2, cy - half, cx + d / 2, cy + half);
  ViewRedraw(1);
}
