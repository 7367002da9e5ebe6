#include "render/GC_Draw.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>
#include <thread>

#include "kernel/Common.h"
#include "kernel/Z_Basic.h"
#include "kernel/Z_Math.h"
#include "render/ApPenSet.h"
#include "render/GC_Tenkai.h"
#include "render/RasterCanvas.h"
#include "render/Z_Graph.h"

GC_DrawState g_draw;

void GC_Draw_Reset() { g_draw = GC_DrawState{}; }

namespace {

constexpr TColor kYellow = 0xFFFF;
constexpr double kPi = std::numbers::pi;

bool Ready(const TGContext& g) { return g.canvas != nullptr && g.targetKind != TTargetKind::None; }
double WinXMin(const TGContext& g) { return std::min(g.wx1, g.wx2); }
double WinXMax(const TGContext& g) { return std::max(g.wx1, g.wx2); }
double WinYMin(const TGContext& g) { return std::min(g.wy1, g.wy2); }
double WinYMax(const TGContext& g) { return std::max(g.wy1, g.wy2); }
bool InWindow(const TGContext& g, double x, double y) {
  return x >= WinXMin(g) && x <= WinXMax(g) && y >= WinYMin(g) && y <= WinYMax(g);
}
bool BoxMissesWindow(const TGContext& g, double x1, double y1, double x2, double y2) {
  return std::max(x1, x2) < WinXMin(g) || std::min(x1, x2) > WinXMax(g) || std::max(y1, y2) < WinYMin(g) ||
         std::min(y1, y2) > WinYMax(g);
}
double WindowDistance(const TGContext& g, double x, double y) {
  const double dx = std::max({WinXMin(g) - x, 0.0, x - WinXMax(g)});
  const double dy = std::max({WinYMin(g) - y, 0.0, y - WinYMax(g)});
  return std::hypot(dx, dy);
}

// The pixel of a drawing point for the fast paths: the screen's point
// conversion (G_ToPixelInt) without the printer's offsets, so a cell lands on
// the same pixels whichever path draws it.
TPixelPoint FastPixel(const TGContext& g, double x, double y) {
  return {RoundInt((x - g.wx1) * g.sx + g.devLeft), RoundInt(g.devBottom - (y - g.wy1) * g.sy)};
}

// A pixel position clamped into the int range the canvas works in.
int ClampPixel(double v) { return static_cast<int>(std::clamp(std::round(v), -1e9, 1e9)); }

// Reused by every expansion, so a repaint allocates nothing once grown.
TCellPieces& Pieces() {
  thread_local TCellPieces pieces;
  return pieces;
}

bool IsGrey(TColor c) { return (c & 0xFF) == ((c >> 8) & 0xFF) && (c & 0xFF) == ((c >> 16) & 0xFF); }

// "$" and hexadecimal digits; false for anything else.
bool ParseColourText(std::string_view text, TColor& colour) {
  if (text.empty() || text[0] != '$') return false;
  std::string_view digits = text.substr(1);
  const std::size_t comma = digits.find(',');
  if (comma != std::string_view::npos) digits = digits.substr(0, comma);
  while (!digits.empty() && digits.back() == ' ') digits.remove_suffix(1);
  if (digits.empty() || digits.size() > 8) return false;
  std::uint32_t v = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v, 16);
  if (ec != std::errc() || end != digits.data() + digits.size()) return false;
  colour = v & 0xFFFFFF;
  return true;
}

// Fills the closed outline xs, ys (n points, the first repeated at the end)
// in the current pen and brush: whole when it lies inside the window, else
// clipped to the window enlarged by a tenth of its smaller side.
void FillOutline(TGContext& g, const double* xs, const double* ys, int n) {
  if (n < 3) return;
  thread_local std::vector<TPixelPoint> pts;
  thread_local std::vector<double> cx, cy;
  pts.clear();
  bool inside = true;
  for (int i = 0; i < n && inside; ++i) inside = InWindow(g, xs[i], ys[i]);
  const double* px = xs;
  const double* py = ys;
  int m = n;
  if (!inside) {
    const double w = WinXMax(g) - WinXMin(g), h = WinYMax(g) - WinYMin(g);
    const double d = std::min(w, h) / 10;
    m = ClipPolygon(xs, ys, n, WinXMin(g) - d, WinYMin(g) - d, WinXMax(g) + d, WinYMax(g) + d, cx, cy);
    if (m <= 3) return;
    px = cx.data();
    py = cy.data();
  }
  pts.reserve(static_cast<std::size_t>(m));
  for (int i = 0; i < m; ++i) {
    double x, y;
    G_ToPixel(g, px[i], py[i], x, y);
    pts.push_back({ClampPixel(x), ClampPixel(y)});
  }
  g.canvas->Polygon(pts.data(), m);
}

// Pen and brush in the fill colour; solid one-pixel pen.
void FillPen(TGContext& g, const TGcell& cell) {
  const TColor c = FillColour(g, cell);
  g.canvas->SetPenStyle(TPenStyle::Solid);
  g.canvas->SetPenWidth(1);
  G_PenColor(g, c);
  g.canvas->SetBrushColor(c);
}

void EndFill(TGContext& g) {
  if (!g.printing) g.canvas->SetBrushColor(BackgroundColor());
}

void DrawPolygonFill(TGContext& g, const TGcell& cell) {
  thread_local std::vector<double> xs, ys;
  const TBoundsGeom box = BoundsOf(cell);
  if (BoxMissesWindow(g, box.min.x, box.min.y, box.max.x, box.max.y)) return;
  const int n = PolygonGetVertices(cell.text, xs, ys);
  if (n < 3) return;  // unreadable vertices: nothing to fill
  FillPen(g, cell);
  FillOutline(g, xs.data(), ys.data(), n + 1);
  EndFill(g);
}

void DrawQuadFill(TGContext& g, const TGcell& cell) {
  const TQuadGeom q = QuadOf(cell);
  const double xs[5] = {q.corner[0].x, q.corner[1].x, q.corner[2].x, q.corner[3].x, q.corner[0].x};
  const double ys[5] = {q.corner[0].y, q.corner[1].y, q.corner[2].y, q.corner[3].y, q.corner[0].y};
  if (BoxMissesWindow(g, *std::min_element(xs, xs + 4), *std::min_element(ys, ys + 4), *std::max_element(xs, xs + 4),
                      *std::max_element(ys, ys + 4)))
    return;
  FillPen(g, cell);
  FillOutline(g, xs, ys, 5);
  EndFill(g);
}

// A filled ellipse, elliptic sector or sector, turned by its tilt.
void DrawSectorFill(TGContext& g, const TGcell& cell) {
  const ArcParams arc = ArcOf(cell);
  const double cxw = arc.cx, cyw = arc.cy, r = std::fabs(arc.r);
  double f = arc.f;
  if (!(f > 0.001)) f = 1;
  const double t = f == 1 ? 0 : arc.t;
  double s = arc.s, e = arc.e;
  const double reach = r * std::max(f, 1.0);
  if (!(r > 0) || !std::isfinite(reach) || BoxMissesWindow(g, cxw - reach, cyw - reach, cxw + reach, cyw + reach))
    return;
  FillPen(g, cell);
  const bool full = s == e;
  const double diag = std::hypot(WinXMax(g) - WinXMin(g), WinYMax(g) - WinYMin(g));
  if (full && f == 1 && r < diag && InWindow(g, cxw - r, cyw - r) && InWindow(g, cxw + r, cyw + r)) {
    double px, py;
    G_ToPixel(g, cxw, cyw, px, py);
    const int R = RoundInt(r * std::fabs(g.sx)), cx = RoundInt(px), cy = RoundInt(py);
    g.canvas->Pie({cx - R, cy - R, cx + R, cy + R}, {cx + R, cy}, {cx + R, cy});
    EndFill(g);
    return;
  }
  if (e <= s) e += 2 * kPi;
  constexpr int kSteps = 120;
  double xs[kSteps + 3], ys[kSteps + 3];
  const double ct = std::cos(t), st = std::sin(t);
  int n = 0;
  for (int i = 0; i <= kSteps; ++i) {
    const double th = s + (e - s) * i / kSteps;
    const double u = r * std::cos(th), v = r * f * std::sin(th);
    xs[n] = cxw + u * ct - v * st;
    ys[n] = cyw + u * st + v * ct;
    ++n;
  }
  if (!full) xs[n] = cxw, ys[n] = cyw, ++n;
  xs[n] = xs[0], ys[n] = ys[0], ++n;
  FillOutline(g, xs, ys, n);
  EndFill(g);
}

void PixelBox(ICanvas& c, int l, int t, int r, int b) {
  c.MoveTo(l, t);
  c.LineTo(r, t);
  c.LineTo(r, b);
  c.LineTo(l, b);
  c.LineTo(l, t);
}

void PixelCross(ICanvas& c, int l, int t, int r, int b) {
  c.MoveTo(l, t);
  c.LineTo(r, b);
  c.MoveTo(r, t);
  c.LineTo(l, b);
}

void DrawPicture(TGContext& g, const TGcell& cell) {
  const TBoxGeom box = BoxOf(cell);
  const double x1 = box.corner.x, y1 = box.corner.y, x2 = x1 + box.width, y2 = y1 + box.height;
  if (!std::isfinite(x2) || !std::isfinite(y2) || BoxMissesWindow(g, x1, y1, x2, y2)) return;
  double ax, ay, bx, by;
  G_ToPixel(g, x1, y1, ax, ay);
  G_ToPixel(g, x2, y2, bx, by);
  // The whole rectangle in pixels, and the part of it that is drawn: the
  // clip rectangle widened nine times on each side (the frame must stay a
  // frame, and the diagonals keep their slope).
  const double L = std::min(ax, bx), R = std::max(ax, bx), T = std::min(ay, by), B = std::max(ay, by);
  const TPixelRect clip = g.canvas->ClipRect();
  const double lim[4] = {-9.0 * clip.right, -9.0 * clip.bottom, 10.0 * clip.right, 10.0 * clip.bottom};
  const double cl = std::max(L, lim[0]), ct = std::max(T, lim[1]), cr = std::min(R, lim[2]),
               cb = std::min(B, lim[3]);
  const int l = ClampPixel(cl), t = ClampPixel(ct), r = ClampPixel(cr), b = ClampPixel(cb);
  ICanvas& c = *g.canvas;
  SetPen(g, cell.pen);
  G_LineStyle(g, 0);
  c.SetPenStyle(TPenStyle::Solid);
  G_PenWidth(g, 2);
  const TColor frame = FillColour(g, cell);
  G_PenColor(g, frame);
  const bool cropped = cl != L || ct != T || cr != R || cb != B;
  // The diagonals of the whole rectangle, as far as they are drawn.
  const auto diagonals = [&] {
    if (!cropped) {
      PixelCross(c, l, t, r, b);
      return;
    }
    G_Line(g, x1, y1, x2, y2);
    G_Line(g, x1, y2, x2, y1);
  };
  const int pen = cell.pen & PEN_NUMBER_MASK;
  if ((cell.pen & PEN_SELECTED) || c.PenMode() == TPenMode::Xor) {
    PixelBox(c, l, t, r, b);
    diagonals();
  } else if (pen == 0 || (cell.pen & (PEN_DIM | PEN_HILITE))) {
    c.SetBrushColor(frame);
    c.FillRect({l, t, r + 1, b + 1});
    PixelBox(c, l, t, r, b);
  } else {
    c.SetBrushColor(BackgroundColor() ^ 0x606060);
    c.FillRect({l, t, r + 1, b + 1});
    diagonals();
    const TRasterImage* img = R > L && B > T ? CachedPicture(cell.text) : nullptr;
    if (img && img->width > 0 && img->height > 0) {
      if (!cropped) {
        c.StretchDraw({l, t, r, b}, *img);
      } else {
        // Only the visible part of the source, in proportion: the image
        // keeps its scale however far the rectangle reaches past the clip.
        const double sxs = img->width / (R - L), sys = img->height / (B - T);
        const int s0 = std::clamp(static_cast<int>(std::floor((cl - L) * sxs)), 0, img->width - 1);
        const int s1 = std::clamp(static_cast<int>(std::ceil((cr - L) * sxs)), s0 + 1, img->width);
        const int t0 = std::clamp(static_cast<int>(std::floor((ct - T) * sys)), 0, img->height - 1);
        const int t1 = std::clamp(static_cast<int>(std::ceil((cb - T) * sys)), t0 + 1, img->height);
        TRasterImage part;
        part.width = s1 - s0;
        part.height = t1 - t0;
        part.pixels.resize(static_cast<std::size_t>(part.width) * part.height);
        for (int y = t0; y < t1; ++y)
          std::copy_n(img->pixels.begin() + static_cast<std::ptrdiff_t>(y) * img->width + s0, part.width,
                      part.pixels.begin() + static_cast<std::ptrdiff_t>(y - t0) * part.width);
        const TPixelRect dst{ClampPixel(L + s0 / sxs), ClampPixel(T + t0 / sys), ClampPixel(L + s1 / sxs),
                             ClampPixel(T + t1 / sys)};
        c.StretchDraw(dst, part);
      }
    }
    PixelBox(c, l, t, r, b);
  }
  if (!g.printing) c.SetBrushColor(BackgroundColor());
  G_PenWidth(g, 1);
}

void DrawPoint(TGContext& g, const TGcell& cell) {
  const double x = PointOf(cell).x, y = PointOf(cell).y;
  const double d = 0.3 * CurPVC().basicScale;
  if (WindowDistance(g, x, y) > d) return;
  SetPen(g, cell.pen);
  if (g.printing) {
    if (!(cell.pen & PEN_DIM)) G_Marker(g, x, y);
    return;
  }
  const double p = std::fabs(G_PixelSize(g));
  if (d < p / 4 && !(cell.pen & (PEN_HILITE | PEN_SELECTED))) {
    G_Dot(g, x, y);
  } else if (d >= 5 * p) {
    const double q = std::min(d, 3 * p), top = std::min(d, 20 * q);
    for (double rad = q; rad <= top * (1 + 1e-9); rad += q) G_Arc(g, x, y, rad, 1, 0, 0, 0);
  } else {
    G_Marker(g, x, y);
  }
}

// Small text on the screen as its outline box; false when the text must be
// drawn in full.
bool TextBox(TGContext& g, const TGcell& cell, const TTextMetrics& m) {
  const double h = m.height * std::fabs(g.sx);
  const bool small = g_draw.dragging ? h <= 16 : (h <= 6 && cell.text.find('^') == std::string::npos);
  if (!small || cell.vertical) return false;
  const double a = TextOf(cell).angle, ca = std::cos(a), sa = std::sin(a);
  int dir;  // 0 right, 1 up, 2 left, 3 down (the text's direction on paper)
  if (ca > 0.995) dir = 0;
  else if (sa > 0.995) dir = 1;
  else if (ca < -0.995) dir = 2;
  else if (sa < -0.995) dir = 3;
  else return false;
  const double sx = std::fabs(g.sx);
  const int n = static_cast<int>(cell.text.size());
  const int b = static_cast<int>(0.8 * m.height * sx);
  const int L = static_cast<int>(n * (m.width + m.gap) * sx / 2);
  if (CurPVC().varyWidths) G_PenWidth(g, 1);
  G_PenColor(g, TextColour(g, cell));
  ICanvas& c = *g.canvas;
  c.SetPenStyle(TPenStyle::Solid);
  const TPixelPoint o = FastPixel(g, TextOf(cell).at.x, TextOf(cell).at.y);
  // Along the text (screen y down) and across it towards the characters' tops.
  static constexpr int kAlong[4][2] = {{1, 0}, {0, -1}, {-1, 0}, {0, 1}};
  static constexpr int kAcross[4][2] = {{0, -1}, {-1, 0}, {0, 1}, {1, 0}};
  const int ex = o.x + kAlong[dir][0] * L, ey = o.y + kAlong[dir][1] * L;
  if (b == 0) {
    c.MoveTo(o.x, o.y);
    c.LineTo(ex, ey);
    return true;
  }
  const int ux = kAcross[dir][0] * b, uy = kAcross[dir][1] * b;
  c.MoveTo(o.x, o.y);
  c.LineTo(ex, ey);
  c.LineTo(ex + ux, ey + uy);
  c.LineTo(o.x + ux, o.y + uy);
  c.LineTo(o.x, o.y);
  return true;
}

// The line fast path; false when the general path must draw it.
bool FastLine(TGContext& g, const TGcell& cell, double x1, double y1, double x2, double y2) {
  if (!InWindow(g, x1, y1) || !InWindow(g, x2, y2)) return false;
  TPixelPoint a = FastPixel(g, x1, y1), b = FastPixel(g, x2, y2);
  const int type = LineTypeOf(cell.pen);
  const TPVC& pvc = CurPVC();
  if (g_draw.useStrips) {
    if (((a.y == b.y && a.x != b.x && type != 1) || (a.x == b.x && a.y != b.y && type >= 3)) &&
        StripLine(g, a.x, a.y, b.x, b.y, cell.pen))
      return true;
  } else if (pvc.varyWidths) {
    G_PenWidth(g, pvc.pens[PenNumberOf(cell.pen)].screenWidth);
  }
  if (type != 1 && (std::abs(b.x - a.x) > 7 || std::abs(b.y - a.y) > 7)) return false;
  ICanvas& c = *g.canvas;
  G_PenColor(g, ScreenPenColor(g, cell.pen));
  c.SetPenStyle(TPenStyle::Solid);
  if (a == b) ++b.x;
  c.MoveTo(a.x, a.y);
  c.LineTo(b.x, b.y);
  return true;
}

// The circle fast path (also takes circular arcs, and leaves them to the
// general path unless under a pixel); false when the general path must draw.
bool FastCircle(TGContext& g, const TGcell& k, double p) {
  const ArcParams a = ArcOf(k);
  if (!(a.f <= 0.001 || a.f == 1)) return false;  // ellipses
  const TPVC& pvc = CurPVC();
  if (pvc.varyWidths) G_PenWidth(g, pvc.pens[PenNumberOf(k.pen)].screenWidth);
  const double r = std::fabs(a.r), cx = a.cx, cy = a.cy;
  if (BoxMissesWindow(g, cx - r, cy - r, cx + r, cy + r)) return true;
  const TPixelPoint o = FastPixel(g, cx, cy);
  ICanvas& cv = *g.canvas;
  if (r <= p) {
    G_PenColor(g, ScreenPenColor(g, k.pen));
    cv.SetPenStyle(TPenStyle::Solid);
    cv.MoveTo(o.x, o.y - 1);
    cv.LineTo(o.x, o.y);
    return true;
  }
  const bool arc = k.kind == GK_ARC && a.s != a.e;
  if (LineTypeOf(k.pen) != 1 || arc) return false;
  if (4 * p >= r || !InWindow(g, cx - r, cy - r) || !InWindow(g, cx + r, cy + r)) return false;
  const int R = RoundInt(r / p);
  G_PenColor(g, ScreenPenColor(g, k.pen));
  cv.SetPenStyle(TPenStyle::Solid);
  cv.Arc({o.x - R, o.y - R, o.x + R, o.y + R}, {o.x + R, o.y}, {o.x + R, o.y});
  return true;
}

}  // namespace

// ---- Visibility --------------------------------------------------------

bool IsAuxCell(const TGcell& cell) {
  const int pen = cell.kind == GK_TEXT ? TextPen(cell) : (cell.pen & PEN_NUMBER_MASK);
  return pen == kAuxPen;
}

bool IsCellShown(const TGcell& cell) {
  if (cell.kind <= 0) return false;
  if (cell.pen & (PEN_HILITE | PEN_SELECTED)) return true;
  const TPVC& pvc = CurPVC();
  const TGroupEntry& grp = pvc.groups[cell.layer >> 4];
  if (!grp.visible || !grp.layers[cell.layer & 15].visible) return false;
  const TDisplaySwitches& sw = pvc.show;
  if (IsAuxCell(cell)) return sw.auxiliary;
  switch (cell.kind) {
    case GK_LINE: return sw.lines;
    case GK_TEXT: return sw.texts;
    case GK_POLYGON:
    case GK_POLYARC:
    case GK_FILL4K: return sw.fills;
    case GK_PICTURE: return sw.pictures;
    case GK_POINT: return sw.points;
    default: return sw.lines;
  }
}

// ---- Single cells --------------------------------------------------------

void PrepareCellDrawing(TGContext& g) {
  if (!Ready(g)) return;
  g_draw.useStrips = !g.printing && !CurPVC().varyWidths && g.canvas->PenMode() == TPenMode::Copy;
  G_PenWidth(g, 1);
  G_LineStyle(g, 0);
  g.canvas->SetPenStyle(TPenStyle::Solid);
  G_PenColor(g, kYellow);
}

void DrawCell(TGContext& g, const TGcell& cell) {
  PrepareCellDrawing(g);
  DrawCellFast(g, cell, false);
}

void DrawCellFast(TGContext& g, const TGcell& cell, bool force) {
  if (!Ready(g) || cell.kind <= 0) return;
  if (!force && !IsCellShown(cell)) {
    const TDisplaySwitches& sw = CurPVC().show;
    if (!sw.dimHidden || (IsAuxCell(cell) && !sw.auxiliary)) return;
    TGcell dimmed = cell;
    dimmed.pen |= PEN_DIM;
    DrawCellFast(g, dimmed, true);
    return;
  }
  const TGcell* c = &cell;
  if (g.printing) {
    DrawCellGeneral(g, *c, true);
    return;
  }
  g.canvas->SetBrushColor(BackgroundColor());
  const double p = std::fabs(G_PixelSize(g));
  const TGcell& k = *c;
  switch (k.kind) {
    case GK_ARC:
    case GK_LINE: {
      double x1 = k.p[0], y1 = k.p[1], x2 = k.p[2], y2 = k.p[3];
      if (k.kind == GK_ARC) {
        const double f = k.p[5], r = std::fabs(k.p[4]);
        const bool circular = f <= 0.001 || f == 1;
        if (!circular) break;  // elliptic arcs: the general path
        double sweep = k.p[8] - k.p[7];
        if (sweep < 0) sweep += 2 * kPi;
        if (!(sweep > 0 && sweep < kPi / 2 && (1 - std::cos(sweep / 2)) * r < p)) {
          if (FastCircle(g, k, p)) return;
          break;
        }
        x1 = k.p[0] + r * std::cos(k.p[7]), y1 = k.p[1] + r * std::sin(k.p[7]);
        x2 = k.p[0] + r * std::cos(k.p[8]), y2 = k.p[1] + r * std::sin(k.p[8]);
      }
      if (BoxMissesWindow(g, x1, y1, x2, y2)) return;
      if (FastLine(g, k, x1, y1, x2, y2)) return;
      if (k.kind == GK_ARC) {  // a flat arc, too long for the fast path
        TGcell line = k;
        line.kind = GK_LINE;
        line.p[0] = x1, line.p[1] = y1, line.p[2] = x2, line.p[3] = y2;
        DrawCellGeneral(g, line, true);
        return;
      }
      break;
    }
    case GK_CIRCLE:
      if (FastCircle(g, k, p)) return;
      break;
    case GK_TEXT: {
      const TTextMetrics m = TextMetrics(k);
      if (WindowDistance(g, k.p[0], k.p[1]) > TextExtent(k)) return;
      if (TextBox(g, k, m)) return;
      break;
    }
    default: break;
  }
  DrawCellGeneral(g, k, true);
}

void DrawCellGeneral(TGContext& g, const TGcell& cell, bool force) {
  if (!Ready(g)) return;
  if (!g.printing) g.canvas->SetBrushColor(BackgroundColor());
  if (!force && !IsCellShown(cell)) return;
  if (cell.kind == GK_TEXT || cell.kind == GK_RECT) {
    TCellPieces& pieces = Pieces();
    ExpandCell(cell, pieces);
    for (const TGcell& piece : pieces) DrawSimpleCell(g, piece);
  } else {
    DrawSimpleCell(g, cell);
  }
  G_PenWidth(g, 1);
  G_LineStyle(g, 0);
  g.canvas->SetPenStyle(TPenStyle::Solid);
}

void DrawSimpleCell(TGContext& g, const TGcell& c) {
  if (!Ready(g)) return;
  switch (c.kind) {
    case GK_POINT: DrawPoint(g, c); break;
    case GK_DOT:
      SetPen(g, c.pen);
      G_Dot(g, PointOf(c).x, PointOf(c).y);
      break;
    case GK_MARKER:
      SetPen(g, c.pen);
      G_Marker(g, PointOf(c).x, PointOf(c).y);
      break;
    case GK_LINE: {
      const TLineGeom l = LineOf(c);
      if (BoxMissesWindow(g, l.a.x, l.a.y, l.b.x, l.b.y)) return;
      SetPen(g, c.pen);
      G_Line(g, l.a.x, l.a.y, l.b.x, l.b.y);
      break;
    }
    case GK_ARC:
    case GK_CIRCLE: {
      const ArcParams a = ArcOf(c);
      SetPen(g, c.pen);
      if (c.kind == GK_CIRCLE)
        G_Arc(g, a.cx, a.cy, a.r, a.f, a.t, 0, 0);  // the whole curve
      else
        G_Arc(g, a.cx, a.cy, a.r, a.f, a.t, a.s, a.e);
      break;
    }
    case GK_POLYGON: DrawPolygonFill(g, c); break;
    case GK_POLYARC: DrawSectorFill(g, c); break;
    case GK_FILL4K: DrawQuadFill(g, c); break;
    case GK_PICTURE: DrawPicture(g, c); break;
    case GK_TEXT: DrawTextCell(g, c); break;
    case GK_RECT: {
      const TBoxGeom box = BoxOf(c);
      SetPen(g, c.pen);
      G_RotBox(g, box.corner.x, box.corner.y, box.width, box.height, box.angle);
      break;
    }
    default: break;
  }
}

void XorCell(TGContext& g, const TGcell& cell) {
  if (!Ready(g)) return;
  G_PenMode(g, TPenMode::Xor);
  DrawCell(g, cell);
  G_PenMode(g, TPenMode::Copy);
}

void EraseCell(TGContext& g, const TGcell& cell) {
  if (!Ready(g)) return;
  G_PenMode(g, TPenMode::Copy);
  TGcell c = cell;
  c.pen = static_cast<std::uint16_t>((c.pen & ~PEN_SELECTED) | PEN_HILITE);
  DrawCell(g, c);
  // A point far too small to show is drawn as one dot, but highlighted as
  // its marker, a ring around that dot: the dot goes too.
  if (c.kind == GK_POINT && IsCellShown(c)) {
    SetPen(g, c.pen);
    G_Dot(g, PointOf(c).x, PointOf(c).y);
  }
}

void DrawSelected(const TGContext& g, const TGcell& cell) {
  TGContext copy = g;
  DrawCell(copy, cell);
}

TColor FillColour(TGContext& g, const TGcell& cell) {
  TColor c;
  if (!ParseColourText(cell.text, c)) {
    SetPen(g, cell.pen);
    c = g.canvas ? g.canvas->PenColor() : 0;
  }
  if (g.printing) return c;
  const std::uint16_t w = cell.pen;
  if (w & PEN_SELECTED) return XorColour(g);
  if (c == PaletteColor(0)) c = PaletteColor(7);
  if (WhiteBackground() && CurPVC().monochrome && !IsGrey(c)) {
    const int v = std::min(255, static_cast<int>(((c & 0xFF) + ((c >> 8) & 0xFF) + ((c >> 16) & 0xFF)) / 3));
    c = Rgb(v, v, v);
  }
  if (w & PEN_DIM) c = PaletteColor(8);
  if (w & PEN_HILITE) c = PaletteColor(0);
  if ((w & PEN_NUMBER_MASK) == 0) c = PaletteColor(0);
  return c;
}

// ---- Polygon vertices -----------------------------------------------------

int PolygonGetVertices(std::string_view text, std::vector<double>& xs, std::vector<double>& ys) {
  xs.clear();
  ys.clear();
  // One vertex per two commas; a field after the last whole pair is not read.
  const int count = static_cast<int>(std::count(text.begin(), text.end(), ',') / 2);
  if (count == 0) return 0;
  xs.reserve(static_cast<std::size_t>(count) + 1);
  ys.reserve(static_cast<std::size_t>(count) + 1);
  std::size_t pos = text.find(',');
  for (int field = 0; field < 2 * count; ++field) {
    const std::size_t next = text.find(',', pos + 1);
    std::string_view f = text.substr(pos + 1, next == std::string_view::npos ? std::string_view::npos : next - pos - 1);
    while (!f.empty() && f.front() == ' ') f.remove_prefix(1);
    while (!f.empty() && (f.back() == ' ' || f.back() == '\r' || f.back() == '\n')) f.remove_suffix(1);
    if (!f.empty() && f.front() == '+') f.remove_prefix(1);
    double v = 0;
    const auto [end, ec] = std::from_chars(f.data(), f.data() + f.size(), v);
    if (f.empty() || ec != std::errc() || end != f.data() + f.size() || !std::isfinite(v)) {
      // Unreadable vertices: no polygon at all rather than a distorted one.
      xs.clear();
      ys.clear();
      return 0;
    }
    (field % 2 == 0 ? xs : ys).push_back(v);
    pos = next;
  }
  xs.push_back(xs[0]);
  ys.push_back(ys[0]);
  return count;
}

void PolygonSetVertices(TGcell& cell, const double* xs, const double* ys, int n) {
  // The colour token: "$" and its digits, else "0" (the pen's colour).
  std::string text = cell.text.starts_with('$') ? cell.text.substr(0, cell.text.find(',')) : std::string(1, '0');
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  for (int i = 0; i < n; ++i) {
    text += Format(",%f,%f", {xs[i], ys[i]});
    if (i == 0) {
      x0 = x1 = xs[0];
      y0 = y1 = ys[0];
    } else {
      x0 = std::min(x0, xs[i]), x1 = std::max(x1, xs[i]);
      y0 = std::min(y0, ys[i]), y1 = std::max(y1, ys[i]);
    }
  }
  cell.text = std::move(text);
  cell.p[0] = x0, cell.p[1] = y0, cell.p[2] = x1, cell.p[3] = y1;
}

// ---- Pictures -----------------------------------------------------------

const TRasterImage* CachedPicture(const std::string& name) {
  for (const TPictureEntry& e : g_draw.pictures)
    if (e.name == name) return e.loaded ? &e.image : nullptr;
  TPictureEntry entry;
  entry.name = name;
  if (g_wiring.loadPicture) {
    ++g_draw.pictureLoads;
    entry.loaded = g_wiring.loadPicture(name, entry.image) && (entry.image.width > 0 || entry.image.height > 0);
  }
  if (static_cast<int>(g_draw.pictures.size()) >= kPictureCacheSize) {
    // No room: this picture is drawn from a one-off copy.
    static TRasterImage spare;
    spare = std::move(entry.image);
    return entry.loaded ? &spare : nullptr;
  }
  g_draw.pictures.push_back(std::move(entry));
  return g_draw.pictures.back().loaded ? &g_draw.pictures.back().image : nullptr;
}

// ---- The whole view -------------------------------------------------------

void DrawGrid(TGContext& g, bool keepBackground) {
  if (!Ready(g)) return;
  ICanvas& c = *g.canvas;
  TPVC& pvc = CurPVC();
  if (!keepBackground) {
    c.SetBrushColor(BackgroundColor());
    c.FillRect(c.ClipRect());
  }
  pvc.gridDrawn = 0;
  if (!pvc.gridShown) return;
  const double sx = std::fabs(g.sx);
  if (!(sx > 0)) return;
  double step = pvc.realGrid && pvc.realGridSpacing != 0 ? std::fabs(pvc.realGridSpacing) : 5 * pvc.basicScale;
  if (!(step > 0) || !std::isfinite(step)) return;
  const bool thinned = step * sx <= 6;
  if (thinned) {
    step = 64 / sx;
  } else {
    pvc.gridDrawn = step;
  }
  const double x0 = WinXMin(g), x1 = WinXMax(g), y0 = WinYMin(g), y1 = WinYMax(g);
  const int top = RoundInt(g.devTop), bottom = RoundInt(g.devBottom), left = RoundInt(g.devLeft),
            right = RoundInt(g.devRight);
  c.SetPenWidth(1);
  c.SetPenStyle(thinned ? TPenStyle::Dot : TPenStyle::Solid);
  c.SetPenColor(WhiteBackground() ? Rgb(204, 204, 204) : Rgb(51, 51, 51));
  constexpr int kMaxLines = 100000;
  const double fx = std::trunc(x0 / step) - 2, fy = std::trunc(y0 / step) - 2;
  for (int i = 0; i < kMaxLines; ++i) {
    const double x = (fx + i) * step;
    if (x > x1) break;
    if (x < x0) continue;
    const int px = FastPixel(g, x, y0).x;
    c.MoveTo(px, top);
    c.LineTo(px, bottom);
  }
  for (int i = 0; i < kMaxLines; ++i) {
    const double y = (fy + i) * step;
    if (y > y1) break;
    if (y < y0) continue;
    const int py = FastPixel(g, x0, y).y;
    c.MoveTo(left, py);
    c.LineTo(right, py);
  }
  if (!thinned) {
    int k = 0;
    if (step / 10 * sx > 16) k = 10;
    else if (step / 5 * sx > 8) k = 5;
    if (k) {
      const double d = step / k;
      const TColor grey = Rgb(128, 128, 128);
      const double gx = std::trunc(x0 / step) * k - 2 * k, gy = std::trunc(y0 / step) * k - 2 * k;
      for (int j = 0; j < kMaxLines; ++j) {
        const double y = (gy + j) * d;
        if (y > y1) break;
        if (y < y0) continue;
        const bool onRow = std::fmod(gy + j, k) == 0;
        const int py = FastPixel(g, x0, y).y;
        for (int i = 0; i < kMaxLines; ++i) {
          const double x = (gx + i) * d;
          if (x > x1) break;
          if (x < x0 || onRow || std::fmod(gx + i, k) == 0) continue;  // the grid lines stay whole
          c.SetPixel(FastPixel(g, x, y0).x, py, grey);
        }
      }
    }
  }
  // The axes.
  c.SetPenStyle(TPenStyle::Dot);
  c.SetPenColor(Rgb(0, 128, 128));
  if (x0 <= 0 && 0 <= x1) {
    const int px = FastPixel(g, 0, y0).x;
    c.MoveTo(px, top);
    c.LineTo(px, bottom);
  }
  if (y0 <= 0 && 0 <= y1) {
    const int py = FastPixel(g, x0, 0).y;
    c.MoveTo(left, py);
    c.LineTo(right, py);
  }
  c.SetPenStyle(TPenStyle::Solid);
}

namespace {

// Lists of cells this long are drawn by two threads, each in its own band
// of the picture.
constexpr std::size_t kBandCells = 20000;

// A line whose pixels lie wholly above row top or below row bottom - 1 (with
// two rows to spare for rounding); other kinds are never said to.
bool LineMissesRows(const TGContext& g, const TGcell& c, int top, int bottom) {
  if (c.kind != GK_LINE) return false;
  const TLineGeom l = LineOf(c);
  const double y1 = g.devBottom - (l.a.y - g.wy1) * g.sy, y2 = g.devBottom - (l.b.y - g.wy1) * g.sy;
  return std::max(y1, y2) < top - 2 || std::min(y1, y2) > bottom + 2;
}

// The cells drawn after the first pass, in drawing order: auxiliary cells,
// dashed lines, the rest, points; each list in store order.
struct TDrawLists {
  std::vector<int> list[4];
  void clear() {
    for (std::vector<int>& l : list) l.clear();
  }
};

// The cells of the lists, list after list.
void DrawLists(TGContext& g, const TDrawLists& lists) {
  // Drawing a cell takes long enough for the memory's own read-ahead to
  // lose the thread: the cells a few places on are asked for in time.
  constexpr std::size_t kAhead = 16;
  for (const std::vector<int>& q : lists.list) {
    const std::size_t m = q.size();
    for (std::size_t k = 0; k < m; ++k) {
      if (k + kAhead < m) GcellPrefetch(q[k + kAhead]);
      DrawCellFast(g, GcellRef(q[k]), true);
    }
  }
}

}  // namespace

void DrawAllCells(TGContext& g) {
  TPVC& pvc = CurPVC();
  ResetLayerCounts(pvc);
  if (!Ready(g)) {
    const int w = StoreWindow();
    for (int i = 1, n = StoreUsed(); i <= n; ++i)
      if (const TGcell& c = GcellRef(i); c.window == w) CountCell(pvc, c);
    return;
  }
  // A large picture is drawn by two threads, each into its own band of it:
  // each list then in two, the upper band's and the lower band's, a line
  // in the one it reaches or in both, any other cell in both.
  auto* raster = dynamic_cast<RasterCanvas*>(g.canvas);
  const bool banded = raster && g_draw.bands && !g.printing && raster->PenMode() == TPenMode::Copy &&
                      StoreUsed() >= static_cast<int>(kBandCells) && raster->Height() >= 2 &&
                      RasterHelpersThreadSafe() && std::thread::hardware_concurrency() >= 2;
  const int mid = raster ? raster->Height() / 2 : 0, height = raster ? raster->Height() : 0;
  thread_local TDrawLists bands[2];
  bands[0].clear();
  bands[1].clear();
  int last[4] = {};  // each list's last cell: the last one drawn closes the pass
  PrepareCellDrawing(g);
  const bool dim = pvc.show.dimHidden;
  const int w = StoreWindow();
  const double xmin = WinXMin(g), xmax = WinXMax(g), ymin = WinYMin(g), ymax = WinYMax(g);
  for (int i = 1, n = StoreUsed(); i <= n; ++i) {
    const TGcell& c = GcellRef(i);
    if (c.window != w || c.kind <= 0) continue;
    CountCell(pvc, c);
    if (!IsCellShown(c)) {
      if (dim) DrawCellFast(g, c, false);  // dimmed
      continue;
    }
    const int kind = c.kind;
    if (kind >= GK_POLYGON && kind <= GK_PICTURE) {
      DrawCellFast(g, c, true);
      continue;
    }
    if (kind == GK_LINE && (std::max(c.p[0], c.p[2]) < xmin || std::min(c.p[0], c.p[2]) > xmax ||
                            std::max(c.p[1], c.p[3]) < ymin || std::min(c.p[1], c.p[3]) > ymax))
      continue;
    const int list = IsAuxCell(c) ? 0 : kind == GK_LINE && LineTypeOf(c.pen) != 1 ? 1 : kind == GK_POINT ? 3 : 2;
    last[list] = i;
    if (!banded || !LineMissesRows(g, c, 0, mid)) bands[0].list[list].push_back(i);
    if (banded && !LineMissesRows(g, c, mid, height)) bands[1].list[list].push_back(i);
  }
  if (banded) {
    ++g_draw.bandedDraws;
    // Two bands of the picture at once, each pixel exactly as one pass
    // would draw it.
    if (g_draw.useStrips) PrepareStripLines(*raster);
    RasterCanvas upper(*raster, 0, mid), lower(*raster, mid, height);
    TGContext gu = g, gl = g;
    gu.canvas = &upper;
    gl.canvas = &lower;
    const TDrawLists& lowerLists = bands[1];  // this thread's: the worker has its own thread_local
    std::thread worker([&] { DrawLists(gl, lowerLists); });
    DrawLists(gu, bands[0]);
    worker.join();
    raster->TakeBand(lower);
    raster->TakeBand(upper);
    // A band has only the lines that reach it, so neither may have drawn
    // the last cell: drawn once more into no rows at all, it leaves the pen
    // and the view as one pass would.
    RasterCanvas none(upper, 0, 0);
    TGContext gn = gu;
    gn.canvas = &none;
    for (int k = 3; k >= 0; --k)
      if (last[k]) {
        DrawCellFast(gn, GcellRef(last[k]), true);
        break;
      }
    raster->TakeBand(none);
    ICanvas* const canvas = g.canvas;
    g = gn;
    g.canvas = canvas;
  } else {
    DrawLists(g, bands[0]);
  }
  G_PenWidth(g, 1);
  g.canvas->SetPenStyle(TPenStyle::Solid);
}
