#include "app/GC_View.h"

#include <time.h>

#include <algorithm>
#include <cmath>

#include "app/ApManager.h"
#include "app/Ap_Unit1.h"
#include "app/GC_PointSearch.h"
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
  g_viewBuffer.windowSet = false;
  g_viewBuffer.lastRedrawMs = 0;
  g_viewBuffer.lastFast = false;
  g_viewBuffer.countsShown = nullptr;
}

void ViewAttach(int width, int height) {
  RasterCanvas& b = g_viewBuffer.buffer;
  TGContext& view = CurrentView();
  // A set window keeps its centre and scale: the area shows more or less.
  const double cx = (view.wx1 + view.wx2) / 2, cy = (view.wy1 + view.wy2) / 2, scale = std::fabs(view.sx);
  if (b.Width() != width || b.Height() != height) b.SetSize(width, height);
  b.Clear(BackgroundColor());
  G_Begin(view, TTargetKind::PaintBox, &b, 1.0);
  if (g_viewBuffer.windowSet && scale > 0) {
    const double hw = std::max(width - 1, 1) / scale / 2, hh = std::max(height - 1, 1) / scale / 2;
    G_SetWindow(view, cx - hw, cy - hh, cx + hw, cy + hh);
  }
}

namespace {

double NowMs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Paper sizes A0..A4 in millimetres, portrait (width, height).
constexpr double kPaper[5][2] = {{841, 1189}, {594, 841}, {420, 594}, {297, 420}, {210, 297}};

}  // namespace

void ViewInitialWindow() {
  TGContext& view = CurrentView();
  const TExtents e = GcellExtents();
  const bool empty = e.xmin == 0 && e.ymin == 0 && e.xmax == 0 && e.ymax == 0;
  double x1, y1, x2, y2;
  if (!empty) {
    const double mx = std::max(e.xmax - e.xmin, e.ymax - e.ymin) * 0.02 + 1e-3;
    x1 = e.xmin - mx, y1 = e.ymin - mx, x2 = e.xmax + mx, y2 = e.ymax + mx;
  } else {
    const TPVC& pvc = CurPVC();
    const int paper = pvc.paperSize >= PAPER_A0 && pvc.paperSize <= PAPER_A4 ? pvc.paperSize : PAPER_A3;
    double w = kPaper[paper][0], h = kPaper[paper][1];
    if (pvc.paperOrientation == 1) std::swap(w, h);
    const double b = pvc.basicScale > 0 ? pvc.basicScale : 1;
    x1 = -w / 2 * b, y1 = -h / 2 * b, x2 = w / 2 * b, y2 = h / 2 * b;
  }
  G_ResetDevice(view);
  G_SetWindow(view, x1, y1, x2, y2);
  g_viewBuffer.windowSet = true;
}

void ViewRedraw(int mode) {
  TGContext& view = CurrentView();
  if (!view.canvas) return;
  const bool busy = g_form1.drawCursor != CursorShape::SizeAll;
  if (busy) Platform().SetScreenCursor(CursorShape::Hourglass);
  TGContext g = view;
  g_viewBuffer.lastFast = mode == 9;
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
    const double start = NowMs();
    G_PenMode(g, TPenMode::Copy);
    if (mode == 0) {
      DrawGrid(g, true);
    } else {
      DrawGrid(g);
    }
    DrawAllCells(g);
    g_viewBuffer.lastRedrawMs = NowMs() - start;
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
  if (g_viewBuffer.countsShown) g_viewBuffer.countsShown();
}
