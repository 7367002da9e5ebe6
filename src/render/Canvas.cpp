#include "render/Canvas.h"

#include <algorithm>

TPixelRect UnionRect(const TPixelRect& a, const TPixelRect& b) {
  if (a.Empty()) return b;
  if (b.Empty()) return a;
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

TPixelRect IntersectRect(const TPixelRect& a, const TPixelRect& b) {
  TPixelRect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
               std::min(a.bottom, b.bottom)};
  if (r.Empty()) return {};
  return r;
}

const char* PenStyleName(TPenStyle s) {
  switch (s) {
    case TPenStyle::Solid: return "Solid";
    case TPenStyle::Dash: return "Dash";
    case TPenStyle::Dot: return "Dot";
    case TPenStyle::DashDot: return "DashDot";
    case TPenStyle::DashDotDot: return "DashDotDot";
    case TPenStyle::Clear: return "Clear";
  }
  return "?";
}
