// The operation kit: what every operation needs, written once.
//
// - Points: a click's point (left: the free press position; right: the
//   press snapped, with a beep when nothing is near), the pointer's point,
//   both with the pending offset of offset entry added.
// - The write layer, pen and scale, and storing a cell (drawn at once).
// - The sub-menu options as their captions carry them (SubOption).
// - The entry box for an option's value: opened for a button, closed on
//   Enter or Esc with the operation's prompt and buttons back.
// - XOR feedback (TFeedback): a set of temporary cells that knows whether
//   it is on the screen. The kit draws every shown set again after a
//   repaint took it away and takes every set off the screen when the
//   operation ends or starts again (undo, another operation, a window
//   switch), so an operation cannot leave a ghost.
//
// An operation is a unit src/ops/Op_Name with one handler (view, code, X,
// Y) and its state split in two: options that last across restarts, and
// the data of one run, made afresh at EV_START.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/ApManager.h"
#include "model/GC_DB.h"
#include "model/PVC.h"

// ---- Points ------------------------------------------------------------------

// A pixel of the view as a point in drawing units.
TPointD ToWorld(const TGContext& view, TPointD px);
bool IsClick(int code);
// The press position (pixels) of the button that made the click code.
TPointD PressPixel(int code);
// The point of a click (EV_LCLICK, EV_RCLICK): the press position, snapped
// for the right button, plus the pending offset. False after a beep when a
// right click finds nothing to snap to.
bool ClickPoint(TGContext& view, int code, TPointD& p);
// The pointer of a move, or a right press snapped quietly (EV_RDOWN).
TPointD PointerPoint(TGContext& view, int code, double x, double y);

// ---- Steps ---------------------------------------------------------------------

// The operation enters a step: its prompt, the cursor over the drawing area
// and whether the next left and right click may take an offset.
void ShowStep(const std::string& prompt, CursorShape cursor, bool offsetLeft, bool offsetRight);

// ---- The write layer -------------------------------------------------------

// Real millimetres per stored unit along x and y for the write group.
TScaleFactors WriteScale();
std::uint8_t WriteLayer();
std::uint16_t WritePen();

// Adds a cell as it is and draws it; its index, 0 when the store refused it.
int StoreCell(TGContext& view, TGcell c);
// The same on the write layer with the write pen.
int StoreOnWrite(TGContext& view, TGcell c);

// The colour text of a fill from the colour dialog: "$" and the colour
// (0x00BBGGRR, eight hexadecimal digits; the background's colour, which
// would not show, as white), or empty when the dialog was cancelled (the
// pen's colour).
std::string FillColourText();

// A text erased from the view where it is and a pixel and a bit to each
// side, so that no antialiased edge of it stays (a text being moved or
// edited).
void EraseTextAround(TGContext& view, const TGcell& t);

// The cell as feedback shows it picked: its pen and line type, selected.
TGcell Highlighted(const TGcell& c);
// A small mark at p (a temporary marker cell) for feedback.
TGcell MarkAt(TPointD p);
// Line i split at the foot of p on it, in an undo step of its own: the
// pieces longer than 0.001 replace it, drawn. False when the line is gone.
bool SplitLineAt(TGContext& view, int i, TPointD p, TPointD& foot);

// ---- Sub-menu options ------------------------------------------------------

// Sub-menu button n (1..7) as the operation set it: "④$角度基線" is switched
// on, "②長さ=25.5" carries the value 25.5.
struct TSubOption {
  std::string raw;        // the caption as set, with its '$'
  bool enabled = false;
  bool on = false;        // a '$' right after the circled digit
  bool hasValue = false;  // the caption holds "="
  std::string text;       // after the first "=", empty without one
  bool hasNumber = false; // the text begins like a number
  double value = 0;       // the text as a number (0 when it is none)
};
TSubOption SubOption(int n);
// The caption "name=value" for button n, enabled.
void SetSubValue(const std::string& name, const std::string& value);
// The sub-menu buttons shown or hidden (while a point of something else is asked).
void ShowSubButtons(bool show);
// The main window's text-size box shown or hidden.
void ShowTextSizeBox(bool show);

// ---- The entry box for an option's value ----------------------------------

// Opens the entry box for the value of button n with a prompt and the
// history list (HstList::...), keeping the operation's prompt for later.
void OpenValueEntry(int n, const std::string& prompt, int history);
// The button whose value is being typed, 0 while no entry box is open for one.
int ValueEntryButton();
// Enter or Esc while the box is open: it closes, the buttons and the prompt
// come back. Returns the typed text in half-width characters for Enter;
// empty for Esc or when nothing was typed.
std::string TakeValueEntry(int code);

// ---- XOR feedback -----------------------------------------------------------

class TFeedback {
public:
  TFeedback();
  TFeedback(const TFeedback& o);
  TFeedback& operator=(const TFeedback& o);
  ~TFeedback();

  // Shows these cells in XOR instead of what the set showed.
  void Show(TGContext& view, std::vector<TGcell> cells);
  void Show(TGContext& view, const TGcell& cell);
  // Shows the cells it holds again.
  void Show(TGContext& view);
  // Takes the set off the screen; it keeps its cells.
  void Hide(TGContext& view);
  // Off the screen and empty.
  void Clear(TGContext& view);

  bool Visible() const { return visible_; }
  const std::vector<TGcell>& Cells() const { return cells_; }
  // Draws a visible set that a repaint took off the screen.
  void Refresh(TGContext& view);
  // True while its XOR image is on the screen.
  bool OnScreen() const;

  // Every set that exists (the kit's bookkeeping).
  static const std::vector<TFeedback*>& All();

private:
  void Xor(TGContext& view);
  std::vector<TGcell> cells_;
  bool visible_ = false;
  bool drawn_ = false;
  unsigned long drawnAt_ = 0;  // the view buffer's wipe count when drawn
};

// The crosshair: a dotted horizontal and vertical line across the whole
// drawing area through a pixel, in the selection colour, in XOR. Drawn
// again where its pixel is after a repaint (Redraw), so a zoom keeps it
// under the pointer.
class TCrosshair {
public:
  void Show(TGContext& view, TPointD px);
  void Hide(TGContext& view);
  void Redraw(TGContext& view);
  bool Shown() const { return shown_; }

private:
  void Draw(TGContext& view);
  TFeedback lines_;
  bool shown_ = false;
  TPointD px_;
};

// ---- The kit's state and the dispatcher's hooks ----------------------------

struct OpKitState {
  std::string entryPrompt;  // the operation's prompt while the entry box is open
};
extern OpKitState g_opKit;
void OpKit_Reset();

// Installed around every routed event (g_wiring.beforeRoute, afterRoute):
// EV_START and EV_END take every feedback set off the screen before the
// operation sees them; after every event, sets a repaint took away are
// drawn again.
void OpKitBeforeRoute(TGContext& view, int code);
void OpKitAfterRoute(TGContext& view, int code);
