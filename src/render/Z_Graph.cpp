#include "render/Z_Graph.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <numbers>
#include <string_view>
#include <vector>

#include "kernel/Common.h"
#include "kernel/Platform.h"
#include "kernel/Z_Basic.h"
#include "render/RasterCanvas.h"
#include "render/ZL_Cliping.h"


namespace {

constexpr double kPi = std::numbers::pi;

// One period of a dash pattern, 32 pixels, for fast horizontal and vertical
// dashed lines: a strip 2 pixels high and one 2 pixels wide, one pair per
// thread (views are drawn from two threads at once).
RasterCanvas& DashStrip(bool horizontal) {
  thread_local RasterCanvas h(32, 2), v(2, 32);
  return horizontal ? h : v;
}
TPatternLine g_patternLine = &G_DashLine;

bool Ready(const TGContext& g) { return g.canvas != nullptr && g.targetKind != TTargetKind::None; }

double WinXMin(const TGContext& g) { return std::min(g.wx1, g.wx2); }
double WinXMax(const TGContext& g) { return std::max(g.wx1, g.wx2); }
double WinYMin(const TGContext& g) { return std::min(g.wy1, g.wy2); }
double WinYMax(const TGContext& g) { return std::max(g.wy1, g.wy2); }

bool InWindow(const TGContext& g, double x, double y) {
  return x >= WinXMin(g) && x <= WinXMax(g) && y >= WinYMin(g) && y <= WinYMax(g);
}

int OffsetX(const TGContext& g) { return g.printing ? g.pageOffsetX + g.extraOffsetX : 0; }
int OffsetY(const TGContext& g) { return g.printing ? g.pageOffsetY + g.extraOffsetY : 0; }

// Window centre, cull radius and the window's pixel box.
void DeriveWindow(TGContext& g) {
  g.wcx = (g.wx1 + g.wx2) / 2;
  g.wcy = (g.wy1 + g.wy2) / 2;
  g.cullRadius = 1.2 * std::hypot(g.wx2 - g.wx1, g.wy2 - g.wy1);
  double ax, ay, bx, by;
  G_ToPixel(g, g.wx1, g.wy1, ax, ay);
  G_ToPixel(g, g.wx2, g.wy2, bx, by);
  g.pxMinX = std::min(ax, bx), g.pxMaxX = std::max(ax, bx);
  g.pxMinY = std::min(ay, by), g.pxMaxY = std::max(ay, by);
}

void DefaultFont(TGContext& g) {
  TFontDesc f;  // weight 400, Shift-JIS, "ＭＳ ゴシック"
  f.height = TruncInt(g.resolution * 54 / 300);
  g.canvas->SetFont(f);
  g.canvas->SetFontColor(0);
  g.canvas->SetBrushStyle(TBrushStyle::Clear);
}

// One pixel in the pen's mode: a line to the next pixel on the right.
void PixelDot(ICanvas& c, int x, int y) {
  c.MoveTo(x, y);
  c.LineTo(x + 1, y);
}

// A clipped, rounded segment in the current pen.
void PixelLine(TGContext& g, int x1, int y1, int x2, int y2) {
  ICanvas& c = *g.canvas;
  if (c.PenStyle() != TPenStyle::Solid) {
    g_patternLine(g, x1, y1, x2, y2);
    return;
  }
  c.MoveTo(x1, y1);
  c.LineTo(x2, y2);
  if (g.printing) c.SetPenColor(c.PenColor());  // some printer drivers lose it after a line
}

// Whether chord k is inked: character k mod 32 of the pattern (no pattern: all).
bool PatternInk(const TGContext& g, long long k) {
  const std::size_t len = std::strlen(g.linePattern);
  const auto i = static_cast<std::size_t>(k % 32);
  return len == 0 || (i < len && g.linePattern[i] == '@');
}

// The curve point for parameter th, in drawing units.
void CurveWorld(double cx, double cy, double r, double f, double t, double th, double& x, double& y) {
  const double u = r * std::cos(th), v = r * f * std::sin(th);
  const double ct = std::cos(t), st = std::sin(t);
  x = cx + u * ct - v * st;
  y = cy + u * st + v * ct;
}

// The sub-ranges of [s, e] where the curve lies in the rectangle: the curve
// meets each edge line at most twice a turn, so between those angles it is
// wholly in or wholly out, which a midpoint decides.
std::vector<std::pair<double, double>> VisibleRanges(double cx, double cy, double r, double f, double t, double s,
                                                     double e, double xmin, double ymin, double xmax,
                                                     double ymax) {
  const double ct = std::cos(t), st = std::sin(t);
  // x(th) = cx + A cos th + B sin th; y(th) = cy + C cos th + D sin th
  const double A = r * ct, B = -r * f * st, C = r * st, D = r * f * ct;
  std::vector<double> cuts{s, e};
  const auto addCrossings = [&](double P, double Q, double v) {
    const double m = std::hypot(P, Q);
    if (m == 0 || std::fabs(v) > m) return;
    const double phi = std::atan2(Q, P), d = std::acos(std::clamp(v / m, -1.0, 1.0));
    for (double a : {phi - d, phi + d}) {
      double x = a + 2 * kPi * std::ceil((s - a) / (2 * kPi));
      for (int turns = 0; x < e && turns < 64; ++turns, x += 2 * kPi) cuts.push_back(x);
    }
  };
  addCrossings(A, B, xmin - cx);
  addCrossings(A, B, xmax - cx);
  addCrossings(C, D, ymin - cy);
  addCrossings(C, D, ymax - cy);
  std::sort(cuts.begin(), cuts.end());
  std::vector<std::pair<double, double>> out;
  for (std::size_t i = 0; i + 1 < cuts.size(); ++i) {
    const double a = cuts[i], b = cuts[i + 1];
    if (!(b > a)) continue;
    double x, y;
    CurveWorld(cx, cy, r, f, t, (a + b) / 2, x, y);
    if (x < xmin || x > xmax || y < ymin || y > ymax) continue;
    if (!out.empty() && out.back().second >= a)
      out.back().second = b;
    else
      out.push_back({a, b});
  }
  return out;
}

}  // namespace

void Z_Graph_Reset() {
  ZL_Cliping_Reset();
}

// --- binding and mapping

bool G_Begin(TGContext& g, TTargetKind kind, ICanvas* canvas, double printScale) {
  g.targetKind = kind;
  g.printing = kind == TTargetKind::Printer;
  g.canvas = canvas;
  if (!canvas || kind == TTargetKind::None || (g.printing && !(canvas->PrinterDpi() > 0))) {
    g.canvas = nullptr;
    g.targetKind = TTargetKind::None;
    g.printing = false;
    Platform().MessageBox("G_Begin ﾊﾟﾗﾒｰﾀｰ(2) Error", "Velmo", MsgButtons::Ok, MsgIcon::Error);
    return false;
  }
  g.extraOffsetX = g.extraOffsetY = 0;
  if (g.printing) {
    canvas->BeginDoc();
    g.resolution = canvas->PrinterDpi();
    g.pixelsPerUnit = g.resolution / 25.4;
    g.textFactor = 1.1;
    g.printScale = printScale;
    g.pageOffsetX = TruncInt(10 * g.pixelsPerUnit);
    g.pageOffsetY = TruncInt(1 * g.pixelsPerUnit);
    G_ResetDevice(g);
    DefaultFont(g);
    G_PenColor(g, 0);
    canvas->SetFontColor(0);
    G_TextSize(g, 4.5, 4.5, 0);
    G_TextAngle(g, 0);
    G_Text(g, " ", false, 10, 10);
  } else {
    g.resolution = g.pixelsPerUnit = g.textFactor = g.printScale = 1.0;
    g.pageOffsetX = g.pageOffsetY = 0;
    G_ResetDevice(g);
    DefaultFont(g);
    G_PenColor(g, 255);
    canvas->SetFontColor(255);
    G_TextSize(g, 16, 16, 0);
    G_TextAngle(g, 0);
  }
  return true;
}

void G_End(TGContext& g) {
  if (Ready(g) && g.printing) g.canvas->EndDoc();
}

void G_ResetDevice(TGContext& g) {
  if (!Ready(g)) return;
  const ICanvas& c = *g.canvas;
  if (g.printing)
    G_SetViewport(g, 0, 0, (c.Width() - OffsetX(g)) / g.pixelsPerUnit, (c.Height() - OffsetY(g)) / g.pixelsPerUnit);
  else
    G_SetViewport(g, 0, 0, c.Width() - 1, c.Height() - 1);
}

void G_SetViewport(TGContext& g, double left, double top, double right, double bottom) {
  const double k = g.pixelsPerUnit;
  g.devLeft = left * k, g.devTop = top * k, g.devRight = right * k, g.devBottom = bottom * k;
  // The window (left, bottom, right, top): k pixels per unit, y down. Set
  // directly, so a device without extent gets a finite view.
  g.wx1 = left, g.wy1 = bottom, g.wx2 = right, g.wy2 = top;
  g.sx = k, g.sy = -k;
  DeriveWindow(g);
}

void G_SetWindow(TGContext& g, double x1, double y1, double x2, double y2) {
  if (!(std::isfinite(x1) && std::isfinite(y1) && std::isfinite(x2) && std::isfinite(y2))) return;
  if (x1 == x2 || y1 == y2) {
    G_ResetDevice(g);
    return;
  }
  const double ext = std::max(std::fabs(x1 - x2), std::fabs(y1 - y2));
  if (ext < 1e-4 || ext > 2e8) return;
  const double dw = g.devRight - g.devLeft, dh = g.devBottom - g.devTop;
  // A device one pixel wide or high has no extent: its scale would be 0/0.
  if (!(std::fabs(dw) > 0) || !(std::fabs(dh) > 0)) return;
  double sx = dw / (x2 - x1), sy = dh / (y2 - y1);
  if (std::fabs(sx) >= std::fabs(sy))
    sx = std::copysign(std::fabs(sy), sx);
  else
    sy = std::copysign(std::fabs(sx), sy);
  const double dx = (dw / sx - (x2 - x1)) / 2, dy = (dh / sy - (y2 - y1)) / 2;
  g.wx1 = x1 - dx, g.wx2 = x2 + dx;
  g.wy1 = y1 - dy, g.wy2 = y2 + dy;
  g.sx = sx, g.sy = sy;
  DeriveWindow(g);
}

void G_ToPixel(const TGContext& g, double x, double y, double& px, double& py) {
  px = (x - g.wx1) * g.sx + g.devLeft + OffsetX(g);
  py = g.devBottom - (y - g.wy1) * g.sy + OffsetY(g);
}

void G_ToPixelInt(const TGContext& g, double x, double y, int& px, int& py) {
  double dx, dy;
  G_ToPixel(g, x, y, dx, dy);
  px = RoundInt(dx);
  py = RoundInt(dy);
}

void G_ToWorld(const TGContext& g, double px, double py, double& x, double& y) {
  px -= OffsetX(g);
  py -= OffsetY(g);
  x = g.wx1 + (px + 0.1 - g.devLeft) / g.sx;
  y = (g.devBottom - (py + 0.1)) / g.sy + g.wy1;
}

double G_PixelSize(const TGContext& g) { return 1 / g.sx; }

// --- pen and text state

void G_PenColor(TGContext& g, TColor c) {
  if (Ready(g) && g.canvas->PenColor() != c) g.canvas->SetPenColor(c);
}

void G_TextColor(TGContext& g, TColor c) {
  if (!Ready(g)) return;
  g.canvas->SetFontColor(c);
  g.canvas->SetBrushStyle(TBrushStyle::Clear);
}

void G_PenWidth(TGContext& g, double w) {
  if (!Ready(g)) return;
  if (g.printing) w = std::max(std::sqrt(g.printScale) * (w * 0.2 * g.pixelsPerUnit) * 0.6, w);
  g.canvas->SetPenWidth(TruncInt(w));
}

void G_PenMode(TGContext& g, TPenMode m) {
  if (Ready(g) && !g.printing) g.canvas->SetPenMode(m);
}

void G_Pattern(TGContext& g, const std::string& pattern) {
  std::size_t i = 0;
  for (; i < 32 && i < pattern.size(); ++i) g.linePattern[i] = pattern[i];
  for (; i < 32; ++i) g.linePattern[i] = '.';
  g.linePattern[32] = '\0';
  if (Ready(g))
    g.canvas->SetPenStyle(std::strchr(g.linePattern, '.') ? TPenStyle::Dot : TPenStyle::Solid);
}

void G_LineStyle(TGContext& g, int style) {
  static const char* const kStyles[] = {
      nullptr,
      "@@@@@@@@@.......@@@@@@@@@.......",
      "@@@...@@@...@@@...@@@...@@@....@",
      "@@@@@..@@..@@@@@@@@@@..@@..@@@@@",
      "@@@@..@..@..@@@@@@@@..@..@..@@@@",
  };
  if (style >= 1 && style <= 4) {
    G_Pattern(g, kStyles[style]);
  } else if (style == 0 && Ready(g)) {
    g.canvas->SetPenStyle(TPenStyle::Solid);
  }
}

// --- primitives

void G_Dot(TGContext& g, double x, double y) {
  if (!Ready(g) || !InWindow(g, x, y)) return;
  int px, py;
  G_ToPixelInt(g, x, y, px, py);
  PixelDot(*g.canvas, px, py);
}

void G_Marker(TGContext& g, double x, double y) {
  if (!Ready(g) || !InWindow(g, x, y)) return;
  double dx, dy;
  G_ToPixel(g, x, y, dx, dy);
  const int cx = TruncInt(dx + 1), cy = TruncInt(dy + 1);
  ICanvas& c = *g.canvas;
  if (!g.printing) {
    const TPixelPoint pts[10] = {{cx + 1, cy - 2}, {cx - 1, cy - 2}, {cx - 2, cy - 1}, {cx + 2, cy - 1},
                                 {cx + 2, cy},     {cx - 2, cy},     {cx - 2, cy + 1}, {cx + 2, cy + 1},
                                 {cx + 1, cy + 2}, {cx - 2, cy + 2}};
    c.Polyline(pts, 10);
    return;
  }
  const int w = c.PenWidth();
  c.SetPenWidth(1);
  const double ppmm = g.pixelsPerUnit;
  const int n = RoundInt(std::sqrt(std::sqrt(w / ppmm) * g.printScale) * ppmm * 0.7) / 3;
  for (int k = 3; k <= n; ++k) c.Arc({cx - k, cy - k, cx + k, cy + k}, {cx + k, cy}, {cx + k, cy});
  c.SetPenWidth(w);
}

void G_Line(TGContext& g, double x1, double y1, double x2, double y2) {
  if (!Ready(g)) return;
  if (std::max(x1, x2) < WinXMin(g) || std::min(x1, x2) > WinXMax(g) || std::max(y1, y2) < WinYMin(g) ||
      std::min(y1, y2) > WinYMax(g))
    return;
  // Far from the window's centre: an end within the cull radius settles it
  // without measuring the distance to the whole segment.
  const double r2 = g.cullRadius * g.cullRadius;
  const auto near = [&](double x, double y) { return (x - g.wcx) * (x - g.wcx) + (y - g.wcy) * (y - g.wcy) <= r2; };
  if (!near(x1, y1) && !near(x2, y2) && SegmentDistance(g.wcx, g.wcy, x1, y1, x2, y2) > g.cullRadius) return;
  double px1, py1, px2, py2;
  G_ToPixel(g, x1, y1, px1, py1);
  G_ToPixel(g, x2, y2, px2, py2);
  G_SetClip(g.pxMinX, g.pxMinY, g.pxMaxX, g.pxMaxY);
  if (!G_ClipLine(px1, py1, px2, py2)) return;
  PixelLine(g, RoundInt(px1), RoundInt(py1), RoundInt(px2), RoundInt(py2));
}

void G_Box(TGContext& g, double x1, double y1, double x2, double y2) {
  G_Line(g, x1, y1, x2, y1);
  G_Line(g, x2, y1, x2, y2);
  G_Line(g, x2, y2, x1, y2);
  G_Line(g, x1, y2, x1, y1);
}

void G_RotBox(TGContext& g, double x, double y, double w, double h, double angle) {
  if (w == 0 && h == 0) return;
  double ax, ay, bx, by, cx, cy;
  RotatePoint(ax, ay, w, 0, angle);
  RotatePoint(bx, by, w, h, angle);
  RotatePoint(cx, cy, 0, h, angle);
  const double p1x = x + ax, p1y = y + ay, p2x = x + bx, p2y = y + by, p3x = x + cx, p3y = y + cy;
  if (w != 0 && h != 0) {
    G_Line(g, x, y, p3x, p3y);
    G_Line(g, p3x, p3y, p2x, p2y);
    G_Line(g, p2x, p2y, p1x, p1y);
    G_Line(g, p1x, p1y, x, y);
  } else {
    G_Line(g, x, y, p2x, p2y);
  }
}

void G_Arc(TGContext& g, double cx, double cy, double r, double f, double t, double s, double e) {
  if (!Ready(g)) return;
  if (!(f >= 0.001)) f = 1;  // a flatness below 0.001 means a circle
  const double p = std::fabs(G_PixelSize(g));
  if (std::fabs(s) < 1e-9 && std::fabs(e) < 1e-9) s = e = 0;
  const double gap = std::fabs(s - e);
  if (gap > 1e-9 && gap < 1e-4) return;
  if (!(std::isfinite(cx) && std::isfinite(cy) && std::isfinite(r) && std::isfinite(t) && std::isfinite(s) &&
        std::isfinite(e)))
    return;
  r = std::fabs(r);

  // Cull: the curve's box misses the window, or the window lies inside the curve.
  const double half = std::max(f, 1.0) * r;
  if (cx + half < WinXMin(g) || cx - half > WinXMax(g) || cy + half < WinYMin(g) || cy - half > WinYMax(g))
    return;
  const double inner = std::min(f, 1.0) * r;
  if (PointDistance(cx, cy, g.wx1, g.wy1) < inner && PointDistance(cx, cy, g.wx2, g.wy1) < inner &&
      PointDistance(cx, cy, g.wx1, g.wy2) < inner && PointDistance(cx, cy, g.wx2, g.wy2) < inner)
    return;

  ICanvas& c = *g.canvas;
  double cxp, cyp;
  G_ToPixel(g, cx, cy, cxp, cyp);
  if (r < p) {  // under a pixel: the centre pixel, drawn in the pen's mode
    if (std::fabs(cxp) < 32767 && std::fabs(cyp) < 32767) PixelDot(c, RoundInt(cxp), RoundInt(cyp));
    return;
  }

  const bool full = s == e;
  if (s > e) std::swap(s, e);
  if (full) s = 0, e = 2 * kPi;
  const double R = r / p;
  const double winMax = std::max(WinXMax(g) - WinXMin(g), WinYMax(g) - WinYMin(g));
  const bool huge = r > 2 * winMax;
  const int w = std::max(c.PenWidth(), 1);
  const bool thick = 2.0 * w >= R;
  const TPenStyle saved = c.PenStyle();
  const bool solid = saved == TPenStyle::Solid;
  // The pixel point of parameter th. Usually y is up in the window and down
  // on the device; the signs of the scales keep any other orientation right.
  const double kx = g.sx > 0 ? 1 : -1, ky = g.sy > 0 ? 1 : -1;
  const double ct = std::cos(t), st = std::sin(t);
  const auto pixelAt = [&](double th, double& x, double& y) {
    const double u = R * std::cos(th), v = R * f * std::sin(th);
    x = cxp + kx * (u * ct - v * st);
    y = cyp - ky * (u * st + v * ct);
  };

  if (!(g.printing || huge || !solid || thick || r >= 2 * winMax || f != 1 || t != 0)) {
    // The platform's arc: a circle through the box's edge pixels.
    const int l = RoundInt(cxp - R), tp = RoundInt(cyp - R), rt = RoundInt(cxp + R), bt = RoundInt(cyp + R);
    double ax, ay, bx, by;
    pixelAt(s, ax, ay);
    pixelAt(e, bx, by);
    TPixelPoint a{RoundInt(ax), RoundInt(ay)}, b{RoundInt(bx), RoundInt(by)};
    if (kx * ky < 0) std::swap(a, b);  // a mirrored view turns the arc the other way round
    // Ends on the same pixel would mean the whole circle to the platform:
    // an arc that short is left to the chords below.
    if (full || !(a == b)) {
      c.Arc({l, tp, rt, bt}, a, full ? a : b);
      return;
    }
  }

  c.SetPenStyle(TPenStyle::Solid);
  if (!thick || huge || g.printing) {
    double step;
    if (!solid)
      step = (g.printing ? std::max(0.4 * g.pixelsPerUnit * g.printScale, 5.0) : 1.5) / R;
    else if (g.printing)
      step = std::acos(std::max(1 - std::max(1, w) / R, 0.99));
    else
      step = std::max(std::acos(std::max(1 - w / R, 0.5)), 1.5 / R);
    const double count = std::ceil((e - s) / step);
    const long long n = static_cast<long long>(std::max(1.0, count));
    const auto thetaAt = [&](long long k) { return std::min(s + static_cast<double>(k) * step, e); };

    if (huge) {
      // Chords in drawing units through G_Line, which clips them. Only the
      // chords near the window are visited (a big circle at deep zoom has
      // billions of them); their indices, and so the pattern, still count
      // from the start angle.
      const double sag = R * (1 - std::cos(std::min(step, kPi) / 2));
      const double margin = (sag + 2 * w + 2) * p;
      const auto ranges = VisibleRanges(cx, cy, r, f, t, s, e, WinXMin(g) - margin, WinYMin(g) - margin,
                                        WinXMax(g) + margin, WinYMax(g) + margin);
      long long next = 0;
      for (const auto& [a, b] : ranges) {
        long long k0 = static_cast<long long>(std::floor((a - s) / step)) - 1;
        long long k1 = static_cast<long long>(std::ceil((b - s) / step)) + 1;
        k0 = std::max({k0, next, 0LL});
        k1 = std::min(k1, n - 1);
        for (long long k = k0; k <= k1; ++k) {
          if (!solid && !PatternInk(g, k)) continue;
          double x0, y0, x1, y1;
          CurveWorld(cx, cy, r, f, t, thetaAt(k), x0, y0);
          CurveWorld(cx, cy, r, f, t, thetaAt(k + 1), x1, y1);
          G_Line(g, x0, y0, x1, y1);
        }
        next = std::max(next, k1 + 1);
      }
    } else {
      for (long long k = 0; k < n; ++k) {
        if (!solid && !PatternInk(g, k)) continue;
        double x0, y0, x1, y1;
        pixelAt(thetaAt(k), x0, y0);
        pixelAt(thetaAt(k + 1), x1, y1);
        int ix0 = RoundInt(x0), iy0 = RoundInt(y0);
        const int ix1 = RoundInt(x1), iy1 = RoundInt(y1);
        if (ix0 == ix1 && iy0 == iy1) --iy0;
        if (!solid || k == 0) c.MoveTo(ix0, iy0);
        c.LineTo(ix1, iy1);
      }
    }
  } else if (full) {
    // A wide pen over a tiny circle: a blob of the pen. (The size test is in
    // pixels, so the figure does not depend on the drawing's units.)
    const int x = RoundInt(cxp), y = RoundInt(cyp);
    if (4 * R > 2) {
      PixelDot(c, x - 1, y);
      PixelDot(c, x + 1, y);
      PixelDot(c, x, y - 1);
      PixelDot(c, x, y + 1);
    } else {
      PixelDot(c, x, y);
    }
  } else {
    TPixelPoint pts[5];
    for (int i = 0; i <= 4; ++i) {
      const double th = s + (e - s) * i / 4;
      pts[i] = {RoundInt(cxp + kx * R * std::cos(th)), RoundInt(cyp - ky * R * std::sin(th))};
    }
    c.Polyline(pts, 5);
  }
  c.SetPenStyle(saved);
}

// --- text

void G_FontName(TGContext& g, const std::string& face) {
  if (!Ready(g)) return;
  TFontDesc f = g.canvas->Font();
  std::memset(f.face, 0, sizeof f.face);
  std::memcpy(f.face, face.data(), std::min(face.size(), sizeof f.face - 1));
  g.canvas->SetFont(f);
}

void G_TextSize(TGContext& g, double height, double width, double gap) {
  g.textHeight = height;
  g.textWidth = width;
  g.textGap = gap;
}

void G_TextAngle(TGContext& g, double angle) { g.textAngle = angle; }

namespace {

// Full-width brackets, dashes and long marks that vertical text turns with
// the line, then the half-width ones.
constexpr char kTurnedWide[] = "（）＜＞－＝ー＿｜｛｝［］〔〕〈〉《》「」『』【】≪≫";
constexpr char kTurnedNarrow[] = "()<>[]{}-=ｰ_|｢｣";
// Commas and full stops, which vertical text moves to the upper right.
constexpr char kVerticalMarks[] = "、。，．";

bool InPairs(const char* list, std::string_view ch) {
  for (const char* p = list; p[0] && p[1]; p += 2)
    if (ch[0] == p[0] && ch[1] == p[1]) return true;
  return false;
}


bool VerticalMark(std::string_view ch) { return ch.size() == 2 && InPairs(kVerticalMarks, ch); }

}  // namespace

bool TurnedInVertical(std::string_view ch) {
  if (ch.size() == 2) return InPairs(kTurnedWide, ch);
  return ch.size() == 1 && ch[0] != '\0' && std::strchr(kTurnedNarrow, ch[0]) != nullptr;
}

const char kFaceGothic[] = "ＭＳ ゴシック";
const char kFaceMincho[] = "ＭＳ 明朝";

void G_CharFont(TGContext& g, double h, double w, double angle) {
  if (!Ready(g)) return;
  TFontDesc f = g.canvas->Font();
  int fh, fw;
  if (g.printing) {
    fh = RoundInt(std::clamp(g.textFactor * h, 1.0, 5120.0));
    fw = RoundInt(std::clamp(g.textFactor * w / 2, 1.0, 5120.0));
  } else {
    fh = 2 * ((RoundInt(std::clamp(h, 1.0, 512.0)) + 1) / 2);
    fw = (RoundInt(std::clamp(w, 1.0, 512.0)) + 1) / 2;
  }
  const int esc = TruncInt(RadToDeg(angle) * 10);
  if (f.height == fh && f.width == fw && f.escapement == esc && f.orientation == esc) return;
  f.height = fh;
  f.width = fw;
  f.escapement = f.orientation = esc;
  g.canvas->SetFont(f);
}

void G_Text(TGContext& g, std::string_view text, bool vertical, double x, double y) {
  if (!Ready(g)) return;
  const double H = g.textHeight, W = g.textWidth, G = g.textGap, a = g.textAngle;
  const double ca = std::cos(a), sa = std::sin(a);
  // Texts along an axis that start past the window's far side cannot show.
  if ((std::fabs(a) < 0.01 && x > WinXMax(g)) || (std::fabs(a - kPi / 2) < 0.01 && y > WinYMax(g)) ||
      (std::fabs(a + kPi / 2) < 0.01 && y < WinYMin(g)))
    return;
  const double k = std::fabs(g.sx);
  const double hp = H * k, wp = W * k, gp = G * k;
  ICanvas& c = *g.canvas;
  if (!g.printing && (hp < 6 || text.empty() || c.PenMode() == TPenMode::Xor)) {
    const double n = std::max<double>(1, static_cast<double>(text.size()));
    const double len = n * W / 2 + (n - 1) * G / 2;
    const double bx = x - sa * H / 8, by = y + ca * H / 8;
    if (a == 0)
      G_Box(g, bx, by, bx + len, by + 6 * H / 8);
    else
      G_RotBox(g, bx, by, len, 6 * H / 8, a);
    return;
  }
  // On the device: u along the text, n up from its baseline (the device's
  // y runs down).
  const double ux = ca, uy = -sa, nx = -sa, ny = -ca;
  double px, py;
  G_ToPixel(g, x, y, px, py);
  // Horizontal text is placed by the top-left corner of its first cell;
  // a vertical column starts at the reference point and lies on the up side.
  if (!vertical) px += hp * nx, py += hp * ny;
  if (std::max(std::fabs(px), std::fabs(py)) > 1e6) return;
  const double upright = a + kPi / 2;
  const auto lineFont = [&] {
    if (vertical)
      G_CharFont(g, wp, hp, upright);
    else
      G_CharFont(g, hp, wp, a);
  };
  lineFont();
  const auto out = [&](double ox, double oy, const std::string& ch) { c.TextOut(RoundInt(ox), RoundInt(oy), ch); };
  const double full = wp + gp, half = full / 2;
  const double right = g.devRight + 800, bottom = g.devBottom + 800;
  std::string ch;
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n;) {
    bool small = false, lowered = false;
    if (g.textMarks && !vertical && text[i] == '^' && i + 2 < n && (text[i + 1] == 'u' || text[i + 1] == 'd')) {
      small = true;
      lowered = text[i + 1] == 'd';
      i += 2;
    }
    const std::size_t len = IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < n ? 2 : 1;
    ch.assign(text.data() + i, len);
    i += len;
    const bool shown = g.printing || (px >= -799 && px <= right && py >= -799 && py <= bottom);
    if (shown) {
      if (small) {
        // Half height; a full-width character half as wide too.
        G_CharFont(g, hp / 2, len == 2 ? wp / 2 : wp, a);
        const double drop = lowered ? 7 * hp / 16 : 0;
        out(px - drop * nx, py - drop * ny, ch);
        lineFont();
      } else if (vertical && TurnedInVertical(ch)) {
        // Turned with the line: its cell hangs from the up side of the column.
        G_CharFont(g, hp, wp, a);
        out(px + hp * nx, py + hp * ny, ch);
        lineFont();
      } else if (vertical && VerticalMark(ch)) {
        // Upright, moved from the lower left of its cell to the upper right.
        out(px + hp / 2 * nx - wp / 2 * ux, py + hp / 2 * ny - wp / 2 * uy, ch);
      } else {
        out(px, py, ch);
      }
    }
    const double adv = small || len == 1 ? half : full;
    px += adv * ux;
    py += adv * uy;
  }
}

// Every character is as wide as it is drawn: a lone half-width character
// is half a full-width one (not a whole one, which would put an underline
// or a superscript after it half a character too far).
double TextRunWidth(std::string_view text, double width, double gap) {
  const std::size_t n = text.size();
  if (n == 0) return 0;
  const std::size_t first = IsLeadByte(static_cast<unsigned char>(text[0])) && n >= 2 ? 2 : 1;
  return static_cast<double>(n) * width / 2 + static_cast<double>(n - first) * gap / 2;
}

double G_TextWidth(const TGContext& g, std::string_view text) { return TextRunWidth(text, g.textWidth, g.textGap); }

// --- the hand-over of patterned lines

namespace {

constexpr char kDotPattern[] = "@@@...@@@...@@@...@@@...@@@....@";        // line type 2
constexpr char kDashPattern3[] = "@@@@@@@@@.......@@@@@@@@@.......";      // line type 3
constexpr char kDashPattern4[] = "@@@@@@@@@...@@@@@@@@@@@@@...@@@@";      // line type 4

// A segment in a canvas dash style, the canvas's style restored after.
void StyledLine(ICanvas& c, TPenStyle style, int x1, int y1, int x2, int y2) {
  const TPenStyle saved = c.PenStyle();
  c.SetPenStyle(style);
  c.MoveTo(x1, y1);
  c.LineTo(x2, y2);
  c.SetPenStyle(saved);
}

// A pixel segment ordered along its major axis, and the point of step k.
struct Steps {
  int x0 = 0, y0 = 0;  // the first end
  int n = 0;           // whole steps along the major axis
  int ex = 0, ey = 0;  // the second end
  bool xMajor = true;
  double slope = 0;  // minor advance per step
  void At(double k, double& x, double& y) const {
    if (xMajor)
      x = x0 + k, y = y0 + k * slope;
    else
      y = y0 + k, x = x0 + k * slope;
  }
};

Steps Order(int x1, int y1, int x2, int y2) {
  Steps s;
  s.xMajor = std::abs(x2 - x1) > std::abs(y2 - y1);
  if ((s.xMajor && x1 > x2) || (!s.xMajor && y1 > y2)) std::swap(x1, x2), std::swap(y1, y2);
  s.x0 = x1, s.y0 = y1, s.ex = x2, s.ey = y2;
  s.n = s.xMajor ? x2 - x1 : y2 - y1;
  s.slope = s.n ? static_cast<double>(s.xMajor ? y2 - y1 : x2 - x1) / s.n : 0;
  return s;
}

// The pattern's ink as bits: bit k set when character k is '@' (no
// pattern: all ink).
std::uint32_t InkMask(const TGContext& g) {
  if (g.linePattern[0] == '\0') return ~0u;
  std::uint32_t m = 0;
  for (int k = 0; k < 32 && g.linePattern[k]; ++k)
    if (g.linePattern[k] == '@') m |= 1u << k;
  return m;
}

inline bool Inked(std::uint32_t mask, long long k) { return (mask >> (k & 31)) & 1u; }

// The runs of ink along `count` pattern characters: fn(first, end), the
// run covering characters first..end-1.
template <class Fn>
void ForEachInkRun(std::uint32_t mask, long long count, Fn&& fn) {
  long long start = -1;
  for (long long k = 0; k < count; ++k) {
    const bool ink = Inked(mask, k);
    if (ink && start < 0) start = k;
    if (!ink && start >= 0) fn(start, k), start = -1;
  }
  if (start >= 0) fn(start, count);
}

// A pixel coordinate on the canvas, rounded half to even (the current
// rounding mode); segments reaching here are clipped to the view.
inline int PixelRound(double v) { return static_cast<int>(std::nearbyint(v)); }

}  // namespace

void G_DashLine(TGContext& g, int x1, int y1, int x2, int y2) {
  if (!Ready(g)) return;
  ICanvas& c = *g.canvas;
  const bool thin = c.PenWidth() <= 1;
  const std::string_view pattern(g.linePattern);
  if (!g.printing && thin) {
    if (pattern == kDotPattern) {
      StyledLine(c, TPenStyle::Dot, x1, y1, x2, y2);
      return;
    }
    if (c.PenMode() == TPenMode::Xor) {
      // Feedback: the canvas's styles, which XOR exactly.
      const bool dash = pattern == kDashPattern3 || pattern == kDashPattern4;
      StyledLine(c, dash ? TPenStyle::Dash : TPenStyle::DashDot, x1, y1, x2, y2);
      return;
    }
  }
  if (std::abs(x2 - x1) + std::abs(y2 - y1) <= 1) return;
  const Steps s = Order(x1, y1, x2, y2);
  const TPenStyle saved = c.PenStyle();
  const std::uint32_t mask = InkMask(g);

  if (g.printing) {
    // One pattern character spans u pixels; each run of ink is one line,
    // ending at the line's end at the latest.
    const int u = RoundInt(std::max(0.4 * g.pixelsPerUnit * g.printScale, 5.0));
    const int count = RoundInt(static_cast<double>(s.n) / u);
    c.SetPenStyle(TPenStyle::Solid);
    const auto point = [&](long long k, int& x, int& y) {
      double fx, fy;
      s.At(std::min(static_cast<double>(k) * u, static_cast<double>(s.n)), fx, fy);
      x = RoundInt(fx), y = RoundInt(fy);
    };
    if (count == 0) {
      // Shorter than half a character: all of it when that character inks.
      if (Inked(mask, 0)) {
        c.MoveTo(s.x0, s.y0);
        c.LineTo(s.ex, s.ey);
      }
    } else {
      ForEachInkRun(mask, count, [&](long long a, long long b) {
        int ax, ay, bx, by;
        point(a, ax, ay);
        point(b, bx, by);
        c.MoveTo(ax, ay);
        c.LineTo(bx, by);
      });
    }
    c.SetPenStyle(saved);
    c.SetPenColor(c.PenColor());
    return;
  }

  if (!thin || c.PenMode() != TPenMode::Copy) {
    // Wide pens and other raster modes: each run of ink steps is one line in
    // the pen, to the pixel after the run.
    c.SetPenStyle(TPenStyle::Solid);
    ForEachInkRun(mask, static_cast<long long>(s.n) + 1, [&](long long a, long long b) {
      double ax, ay, bx, by;
      s.At(static_cast<double>(a), ax, ay);
      s.At(static_cast<double>(b), bx, by);
      c.MoveTo(RoundInt(ax), RoundInt(ay));
      c.LineTo(RoundInt(bx), RoundInt(by));
    });
    c.SetPenStyle(saved);
    return;
  }

  const TColor pen = c.PenColor();
  const bool horizontal = s.y0 == s.ey, vertical = s.x0 == s.ex;
  if ((horizontal || vertical) && s.n > 64) {
    // One period into the pattern strip, copied along in blocks of 32; the
    // strip is 32 pixels long, so a block never reads past it.
    if (RasterCanvas* strip = &DashStrip(horizontal)) {
      const TColor gap = c.BrushColor();
      for (int i = 0; i < 32; ++i) {
        const TColor v = Inked(mask, i) ? pen : gap;
        if (horizontal)
          strip->SetPixelFast(i, 0, v);
        else
          strip->SetPixelFast(0, i, v);
      }
      for (int off = 0; off <= s.n; off += 32) {
        const int len = std::min(32, s.n + 1 - off);
        if (horizontal)
          c.CopyRect({s.x0 + off, s.y0, s.x0 + off + len, s.y0 + 1}, *strip, {0, 0, len, 1});
        else
          c.CopyRect({s.x0, s.y0 + off, s.x0 + 1, s.y0 + off + len}, *strip, {0, 0, 1, len});
      }
      return;
    }
  }
  // Ink pixels in batches, without reading back.
  constexpr int kBatch = 256;
  TPixelPoint batch[kBatch];
  int used = 0;
  for (int k = 0; k <= s.n; ++k) {
    if (!Inked(mask, k)) continue;
    double x, y;
    s.At(k, x, y);
    batch[used++] = {PixelRound(x), PixelRound(y)};
    if (used == kBatch) c.SetPixels(batch, used, pen), used = 0;
  }
  if (used) c.SetPixels(batch, used, pen);
}

TPatternLine G_SetPatternLine(TPatternLine fn) {
  const TPatternLine old = g_patternLine;
  g_patternLine = fn ? fn : &G_DashLine;
  return old;
}
