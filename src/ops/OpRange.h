// Range selection, shared by every operation that works on a set of cells
// (delete, block copy and move, stretch, attribute change, ...).
//
// The set is the PEN_SELECTED bit of the cells themselves, so the normal
// renderer draws it in the selection colour; PEN_SELMARK is set and cleared
// with it but outlives the operation, so the last range can be recalled. A
// rubber rectangle selects what lies wholly inside it (with "touching",
// also what crosses it), clicks then exclude or add cells one by one (with
// Shift or Ctrl a whole chain of touching lines and arcs of one pen), more
// rectangles may be added, and the operation's confirmation takes the set.
//
// TRangeScreen holds what a range selection shows in XOR: the crosshair
// that follows the pointer before a rectangle starts, and the rectangle.
// Both are the kit's feedback sets, so neither can outlive the operation.
#pragma once

#include <cstdint>
#include <functional>

#include "model/GC_DB.h"
#include "model/GContext.h"
#include "ops/OpKit.h"

// RangeRectTest's answers.
enum : int { RT_OUTSIDE = 0, RT_CROSSING = 1, RT_INSIDE = 2 };

// The rectangle's pen word while its far corner follows the pointer (pen 1,
// solid, selected) and once fixed (the auxiliary pen, line type 5).
constexpr std::uint16_t kRangePenMoving = 0x8011;
constexpr std::uint16_t kRangePenFixed = 0x8057;

// A temporary rectangle (never stored) with its corner at p and no extent.
TGcell MakeRangeRect(TPointD p, std::uint16_t pen);

// Where a cell lies against the rectangle (its angle unused), judged by the
// characteristic points of the pieces the cell expands into: all inside
// (bounds included), else one strictly inside or a line piece crossing a
// side, else outside. An arc passing through the rectangle without a
// characteristic point inside counts as outside.
int RangeRectTest(const TGcell& rect, const TGcell& cell);

// Selects every shown cell of the current window that passes the filters
// and lies inside the rectangle (with touching: inside or crossing).
// Filters: pen -1 and size -1 take every cell; otherwise a line, arc or
// circle is taken when the low byte of its pen word (pen and line type)
// equals pen's, a text when size is not -1 and its size number equals it,
// nothing else. Returns how many cells it selected.
int RangeSelect(const TGcell& rect, int pen, int size, bool touching);

// Two ends closer than this chain: 0.1 paper millimetre.
double ChainTolerance();

// Cell i's selection was just toggled: every shown line and arc of the same
// pen and line type that touches the chain from i's open ends takes i's
// selection state, and is drawn again.
void ChainPick(TGContext& view, int i);

// Draws every selected cell of the current window.
void RedrawSelected(TGContext& view);
// Ends the selection: every selected cell (both windows) loses
// PEN_SELECTED (PEN_SELMARK stays) and those of the current window are
// drawn as they are now.
void UnselectAllRedraw(TGContext& view);
// Selected live cells of the current window.
int CountSelected();
// The last range again: every live cell of the current window carrying
// the last-selection mark is selected. Returns how many.
int SelectPrevious();

// The filters a range selection passes to RangeSelect.
struct TRangeFilters {
  bool pen = false;        // lines, arcs and circles of the write pen's pen and line type
  bool size = false;       // texts of the current text size
  bool touching = false;   // crossing cells too
  // Instead of the above: every shown point, line, arc, circle, filled
  // quadrilateral and text with a characteristic point inside (bounds
  // included), as a window stretch takes them.
  bool anyPoint = false;
  // The operation's own filter, after the above: a selected cell it turns
  // down is let go again (null: none).
  std::function<bool(const TGcell&)> keep;
};

// The anyPoint selection over the rectangle; how many cells it selected.
int PointSelect(const TGcell& rect);

class TRangeScreen {
public:
  // The crosshair at pixel px, or off.
  void ShowCross(TGContext& view, TPointD px);
  void HideCross(TGContext& view);
  bool CrossShown() const { return cross_.Shown(); }

  // A rectangle starts at p (drawing units); the crosshair goes.
  void Begin(TGContext& view, TPointD p);
  // Its far corner follows the pointer.
  void Stretch(TGContext& view, TPointD p);
  // The rectangle is taken off the screen and dropped.
  void Drop(TGContext& view);
  bool Active() const { return active_; }
  const TGcell& Rect() const { return rect_; }
  // The rectangle shown again (after a step that hid it).
  void ShowRect(TGContext& view);
  // A rectangle kept from before shown again, fixed.
  void Restore(TGContext& view, const TGcell& rect);
  void HideRect(TGContext& view);

  // The far corner is p: unless adding, every selection and last-selection
  // mark goes first; then the cells the rectangle takes are selected and
  // drawn, the counts shown, and the rectangle stays on the screen, fixed.
  // Returns how many cells it selected.
  int Finish(TGContext& view, TPointD p, bool adding, const TRangeFilters& filters);

  // A click in the adjusting step: the cell under it (left: a point, line,
  // arc or circle; right: a text, else a fill, polygon or picture, or with
  // fillsOnly a filled quadrilateral alone) changes its selection, and with
  // Shift or Ctrl held its chain too. False when nothing was there.
  bool Toggle(TGContext& view, int code, bool fillsOnly = false);

  // The selection ends (UnselectAllRedraw) with the rectangle taken off the
  // screen meanwhile, so that the cells drawn again do not spoil its XOR
  // image.
  void Unselect(TGContext& view);

  // After a repaint: the crosshair again at its pixel in the view as it is.
  void Redraw(TGContext& view);
  // The operation ends: crosshair and rectangle off, the selection ended.
  void End(TGContext& view);

private:
  TCrosshair cross_;
  TFeedback rectShown_;
  bool active_ = false;
  TGcell rect_;
};
