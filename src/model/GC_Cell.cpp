#include "model/GC_Cell.h"

#include <numbers>

ArcParams ArcOf(const TGcell& c) {
  ArcParams a{c.p[0], c.p[1], c.p[4], c.p[5], c.p[6], c.p[7], c.p[8]};
  if (c.kind == GK_CIRCLE) a.s = 0, a.e = 2 * std::numbers::pi;
  return a;
}

TQuadGeom QuadOf(const TGcell& c) {
  const TPointD b{c.p[0], c.p[1]};
  return {{b, b + TPointD{c.p[2], c.p[3]}, b + TPointD{c.p[4], c.p[5]}, b + TPointD{c.p[7], c.p[8]}}};
}

TGcell MakeQuad(TPointD c0, TPointD c1, TPointD c2, TPointD c3) {
  TGcell c;
  c.kind = GK_FILL4K;
  c.p[0] = c0.x;
  c.p[1] = c0.y;
  c.p[2] = c1.x - c0.x;
  c.p[3] = c1.y - c0.y;
  c.p[4] = c2.x - c0.x;
  c.p[5] = c2.y - c0.y;
  c.p[7] = c3.x - c0.x;
  c.p[8] = c3.y - c0.y;
  return c;
}

TGcell MakePoint(TPointD p) {
  TGcell c;
  c.kind = GK_POINT;
  c.p[0] = p.x;
  c.p[1] = p.y;
  return c;
}

TGcell MakeLine(TPointD a, TPointD b) {
  TGcell c;
  c.kind = GK_LINE;
  SetLine(c, a, b);
  return c;
}

TGcell MakeArc(const ArcParams& a) {
  TGcell c;
  c.kind = a.s == a.e ? GK_CIRCLE : GK_ARC;
  c.p[0] = a.cx;
  c.p[1] = a.cy;
  c.p[4] = a.r;
  c.p[5] = a.f;
  c.p[6] = a.t;
  if (c.kind == GK_ARC) {
    c.p[7] = a.s;
    c.p[8] = a.e;
  }
  return c;
}

TGcell MakeCircle(TPointD centre, double r, double flatness, double tilt) {
  return MakeArc({centre.x, centre.y, r, flatness, tilt, 0, 0});
}

TGcell MakeRect(TPointD corner, double width, double height, double angle) {
  TGcell c;
  c.kind = GK_RECT;
  c.p[0] = corner.x;
  c.p[1] = corner.y;
  c.p[2] = width;
  c.p[3] = height;
  c.p[6] = angle;
  return c;
}

TGcell MakeText(const std::string& text, TPointD at, double angle) {
  TGcell c;
  c.kind = GK_TEXT;
  c.text = text;
  c.p[0] = at.x;
  c.p[1] = at.y;
  c.p[6] = angle;
  return c;
}
