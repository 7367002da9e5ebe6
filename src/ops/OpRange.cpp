#include "ops/OpRange.h"

#include <algorithm>
#include <cmath>

#include "app/ApManager.h"
#include "app/GC_PointSearch.h"
#include "app/GC_View.h"
#include "kernel/Platform.h"
#include "kernel/Z_Math.h"
#include "model/PVC.h"
#include "render/GC_Draw.h"
#include "render/GC_Tenkai.h"

namespace {

// The characteristic points a rectangle test looks at, at most.
constexpr int kMaxTestPoints = 255;

bool IsSimple(const TGcell& c) { return c.kind >= GK_POINT && c.kind <= GK_CIRCLE; }

// The open ends of a line or of an arc (with its flatness and tilt).
void OpenEnds(const TGcell& c, TPointD& a, TPointD& b) {
  if (c.kind == GK_LINE) {
    const TLineGeom l = LineOf(c);
    a = l.a;
    b = l.b;
    return;
  }
  const ArcParams arc = ArcOf(c);
  ArcPoint(a.x, a.y, arc, arc.s);
  ArcPoint(b.x, b.y, arc, arc.e);
}

// Pen number and line type: what chains and filters compare.
std::uint8_t PenAndType(std::uint16_t pen) { return static_cast<std::uint8_t>(pen & 0xFF); }

// A cell drawn after its selection changed. A point too small to show is a
// dot, selected a marker round it: the other form is painted out first.
void DrawSelectionChange(TGContext& view, const TGcell& c) {
  if (c.kind == GK_POINT) EraseCell(view, c);
  DrawCell(view, c);
}

}  // namespace

TGcell MakeRangeRect(TPointD p, std::uint16_t pen) {
  TGcell r = MakeRect(p, 0, 0);
  r.window = static_cast<std::uint8_t>(StoreWindow());
  r.pen = pen;
  return r;
}

int RangeRectTest(const TGcell& rect, const TGcell& cell) {
  const TBoxGeom b = BoxOf(rect);
  const double x1 = std::min(b.corner.x, b.corner.x + b.width), x2 = std::max(b.corner.x, b.corner.x + b.width);
  const double y1 = std::min(b.corner.y, b.corner.y + b.height), y2 = std::max(b.corner.y, b.corner.y + b.height);

  thread_local TCellPieces pieces;
  const TGcell* first = &cell;
  int count = 1;
  if (!IsSimple(cell)) {
    ExpandCell(cell, pieces);
    first = pieces.begin();
    count = pieces.size();
  }
  int points = 0;
  bool all = true, strict = false;
  double xs[kMaxCellPoints], ys[kMaxCellPoints];
  for (int k = 0; k < count && points < kMaxTestPoints; ++k) {
    const int n = std::min(CellPoints(first[k], xs, ys), kMaxTestPoints - points);
    for (int j = 0; j < n; ++j) {
      const double x = xs[j], y = ys[j];
      all = all && x >= x1 && x <= x2 && y >= y1 && y <= y2;
      strict = strict || (x > x1 && x < x2 && y > y1 && y < y2);
    }
    points += n;
  }
  if (points == 0) return RT_OUTSIDE;
  if (all) return RT_INSIDE;
  if (strict) return RT_CROSSING;
  const double sides[4][4] = {{x1, y1, x2, y1}, {x2, y1, x2, y2}, {x2, y2, x1, y2}, {x1, y2, x1, y1}};
  for (int k = 0; k < count; ++k) {
    if (first[k].kind != GK_LINE) continue;
    const TLineGeom l = LineOf(first[k]);
    for (const auto& s : sides) {
      double X = 0, Y = 0;
      if (LineCross(X, Y, l.a.x, l.a.y, l.b.x, l.b.y, s[0], s[1], s[2], s[3]) == kOnBoth) return RT_CROSSING;
    }
  }
  return RT_OUTSIDE;
}

int RangeSelect(const TGcell& rect, int pen, int size, bool touching) {
  const int w = StoreWindow(), used = StoreUsed();
  const bool everything = pen == -1 && size == -1;
  int selected = 0;
  for (int i = 1; i <= used; ++i) {
    const TGcell& c = GcellRef(i);
    if (c.window != w || !IsCellShown(c)) continue;
    if (!everything) {
      const bool curve = c.kind == GK_LINE || c.kind == GK_ARC || c.kind == GK_CIRCLE;
      const bool takes = pen != -1 && curve ? PenAndType(c.pen) == PenAndType(static_cast<std::uint16_t>(pen))
                                            : size != -1 && c.kind == GK_TEXT && c.size == size;
      if (!takes) continue;
    }
    const int t = RangeRectTest(rect, c);
    if (t == RT_INSIDE || (touching && t != RT_OUTSIDE)) {
      GcellSelect(i);
      ++selected;
    }
  }
  return selected;
}

int PointSelect(const TGcell& rect) {
  const double x1 = std::min(rect.p[0], rect.p[0] + rect.p[2]), x2 = std::max(rect.p[0], rect.p[0] + rect.p[2]);
  const double y1 = std::min(rect.p[1], rect.p[1] + rect.p[3]), y2 = std::max(rect.p[1], rect.p[1] + rect.p[3]);
  const int w = StoreWindow(), used = StoreUsed();
  int selected = 0;
  double xs[kMaxCellPoints], ys[kMaxCellPoints];
  for (int i = 1; i <= used; ++i) {
    const TGcell& c = GcellRef(i);
    if (c.window != w || !IsCellShown(c)) continue;
    if (c.kind != GK_POINT && c.kind != GK_LINE && c.kind != GK_ARC && c.kind != GK_CIRCLE && c.kind != GK_FILL4K &&
        c.kind != GK_TEXT)
      continue;
    const int n = CellPoints(c, xs, ys);
    for (int k = 0; k < n; ++k)
      if (xs[k] >= x1 && xs[k] <= x2 && ys[k] >= y1 && ys[k] <= y2) {
        GcellSelect(i);
        ++selected;
        break;
      }
  }
  return selected;
}

double ChainTolerance() { return 0.1 * CurPVC().basicScale; }

void ChainPick(TGContext& view, int i) {
  if (!GcellLive(i)) return;
  const TGcell s = GcellGet(i);
  if (s.kind != GK_LINE && s.kind != GK_ARC) return;
  TPointD ends[2];
  OpenEnds(s, ends[0], ends[1]);
  const bool on = (s.pen & PEN_SELECTED) != 0;
  const std::uint8_t penType = PenAndType(s.pen);
  const double tol = ChainTolerance();
  const int w = StoreWindow();
  // Whole passes until one changes nothing: a chain stored in any order is
  // followed to its ends from both of s's.
  for (bool changed = true; changed;) {
    changed = false;
    const int used = StoreUsed();
    for (int c = 1; c <= used; ++c) {
      const TGcell& cell = GcellRef(c);
      if (cell.window != w || (cell.kind != GK_LINE && cell.kind != GK_ARC)) continue;
      if (((cell.pen & PEN_SELECTED) != 0) == on || PenAndType(cell.pen) != penType || !IsCellShown(cell)) continue;
      TPointD f, g;
      OpenEnds(cell, f, g);
      for (TPointD& e : ends) {
        const bool atF = Dist(f, e) < tol;
        if (!atF && Dist(g, e) >= tol) continue;
        GcellToggleSelect(c);
        DrawCell(view, GcellRef(c));
        e = atF ? g : f;
        changed = true;
        break;
      }
    }
  }
}

void RedrawSelected(TGContext& view) {
  Platform().SetScreenCursor(CursorShape::Hourglass);
  TGContext g = view;
  const int w = StoreWindow(), used = StoreUsed();
  for (int i = 1; i <= used; ++i) {
    const TGcell& c = GcellRef(i);
    if (c.window == w && c.kind > 0 && (c.pen & PEN_SELECTED)) DrawSelectionChange(g, c);
  }
  Platform().SetScreenCursor(CursorShape::Default);
}

void UnselectAllRedraw(TGContext& view) {
  Platform().SetScreenCursor(CursorShape::Hourglass);
  TGContext g = view;
  const int w = StoreWindow(), used = StoreUsed();
  // A selected point shows a marker that drawing it plainly leaves: it is
  // painted out first.
  for (int i = 1; i <= used; ++i) {
    const TGcell& c = GcellRef(i);
    if (c.window != w || c.kind != GK_POINT || !(c.pen & PEN_SELECTED)) continue;
    TGcell out = c;
    out.pen = static_cast<std::uint16_t>((out.pen & ~PEN_SELECTED) | PEN_HILITE);
    DrawCell(g, out);
  }
  // A selected cell is shown even on a hidden layer; once plain it is not
  // drawn, so its selected image has to go by a repaint.
  bool hidden = false;
  for (int i = 1; i <= used; ++i) {
    const TGcell& c = GcellRef(i);
    if (c.window != w || c.kind <= 0 || !(c.pen & PEN_SELECTED)) continue;
    TGcell plain = c;
    plain.pen &= static_cast<std::uint16_t>(~(PEN_SELECTED | PEN_HILITE));
    if (IsCellShown(plain))
      DrawCell(g, plain);
    else
      hidden = true;
  }
  // In the store, as an end of selection, not a change of the drawing.
  GcellMaskAll(static_cast<std::uint16_t>(~(PEN_SELECTED | PEN_HILITE)));
  if (hidden) ViewRedraw(1);
  Platform().SetScreenCursor(CursorShape::Default);
}

int CountSelected() {
  const int w = StoreWindow(), used = StoreUsed();
  int n = 0;
  for (int i = 1; i <= used; ++i) {
    const TGcell& c = GcellRef(i);
    n += c.window == w && c.kind > 0 && (c.pen & PEN_SELECTED);
  }
  return n;
}

// ---- What the range selection shows ------------------------------------------

void TRangeScreen::ShowCross(TGContext& view, TPointD px) { cross_.Show(view, px); }

void TRangeScreen::HideCross(TGContext& view) { cross_.Hide(view); }

void TRangeScreen::Begin(TGContext& view, TPointD p) {
  HideCross(view);
  rect_ = MakeRangeRect(p, kRangePenMoving);
  active_ = true;
  rectShown_.Show(view, rect_);
}

void TRangeScreen::Stretch(TGContext& view, TPointD p) {
  if (!active_) return;
  rect_.pen = kRangePenMoving;
  rect_.p[2] = p.x - rect_.p[0];
  rect_.p[3] = p.y - rect_.p[1];
  rectShown_.Show(view, rect_);
}

void TRangeScreen::Drop(TGContext& view) {
  rectShown_.Clear(view);
  active_ = false;
}

void TRangeScreen::ShowRect(TGContext& view) {
  if (active_) rectShown_.Show(view, rect_);
}

void TRangeScreen::Restore(TGContext& view, const TGcell& rect) {
  rectShown_.Clear(view);
  rect_ = rect;
  rect_.pen = kRangePenFixed;
  active_ = rect.kind == GK_RECT;
  ShowRect(view);
}

void TRangeScreen::HideRect(TGContext& view) { rectShown_.Hide(view); }

int TRangeScreen::Finish(TGContext& view, TPointD p, bool adding, const TRangeFilters& filters) {
  rectShown_.Hide(view);
  rect_.p[2] = p.x - rect_.p[0];
  rect_.p[3] = p.y - rect_.p[1];
  if (!adding) GcellMaskAll(static_cast<std::uint16_t>(~(PEN_SELECTED | PEN_SELMARK)));
  const TPVC& pvc = CurPVC();
  int n = filters.anyPoint ? PointSelect(rect_)
                                 : RangeSelect(rect_, filters.pen ? pvc.writePen : -1,
                                               filters.size ? pvc.textSize : -1, filters.touching);
  if (filters.keep) {
    const int w = StoreWindow();
    for (int i = 1, used = StoreUsed(); i <= used; ++i) {
      const TGcell& c = GcellRef(i);
      if (c.window == w && c.kind > 0 && (c.pen & PEN_SELECTED) && !filters.keep(c)) {
        GcellUnselect(i);
        --n;
      }
    }
  }
  RedrawSelected(view);
  ShowDataCount();
  rect_.pen = kRangePenFixed;
  active_ = true;
  rectShown_.Show(view, rect_);
  return n;
}

bool TRangeScreen::Toggle(TGContext& view, int code, bool fillsOnly) {
  const TPointD p = ToWorld(view, PressPixel(code));
  int i = 0;
  if (code == EV_LCLICK) {
    i = PickNearest(view, false, p.x, p.y);
  } else {
    i = PickText(false, p.x, p.y);
    if (i == 0) i = PickArea(false, p.x, p.y);
    if (i != 0 && fillsOnly && GcellRef(i).kind != GK_FILL4K && GcellRef(i).kind != GK_TEXT) i = 0;
  }
  if (i == 0) return false;
  // The cells are drawn over where the rectangle's XOR image lies: it goes
  // first and comes back after, so erasing it later restores the screen.
  rectShown_.Hide(view);
  GcellToggleSelect(i);
  TGContext copy = view;
  DrawSelectionChange(copy, GcellRef(i));
  if (g_manager.shiftAtClick & (ssShift | ssCtrl)) {
    Platform().SetScreenCursor(CursorShape::Hourglass);
    ChainPick(view, i);
    Platform().SetScreenCursor(CursorShape::Default);
  }
  ShowRect(view);
  return true;
}

int SelectPrevious() {
  const int w = StoreWindow();
  int n = 0;
  for (int i = 1, used = StoreUsed(); i <= used; ++i) {
    const TGcell& c = GcellRef(i);
    if (c.window == w && c.kind > 0 && (c.pen & PEN_SELMARK)) {
      GcellSelect(i);
      ++n;
    }
  }
  return n;
}

void TRangeScreen::Unselect(TGContext& view) {
  rectShown_.Hide(view);
  UnselectAllRedraw(view);
  ShowRect(view);
}

void TRangeScreen::Redraw(TGContext& view) {
  cross_.Redraw(view);
  ShowRect(view);
}

void TRangeScreen::End(TGContext& view) {
  HideCross(view);
  Drop(view);
  UnselectAllRedraw(view);
}
