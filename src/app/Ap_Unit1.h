// The main window's state and input handlers. The window's controls are
// core state here (captions, colours, enabled, widths, visibility, the entry
// box); the Qt window only shows this state and forwards input to the
// handlers below, so everything a user can do can be driven headless.
#pragma once

#include <cstdint>
#include <string>

#include "app/ApManager.h"
#include "kernel/Platform.h"
#include "model/PVC.h"

// The application's title, which heads the window caption, is
// kApplicationTitle (kernel/Platform.h).

// Colours 0xRRGGBB.
constexpr std::uint32_t clSubGreen = 0xDDFFBB;   // an enabled sub-menu button
constexpr std::uint32_t clSubOrange = 0xFFDDBB;  // a switched-on option or one with a value
constexpr std::uint32_t clEntryPink = 0xFFBBBB;  // the open entry box
constexpr std::uint32_t clBtnFace = 0xF0F0F0;
constexpr std::uint32_t clOffsetOff = 0x808080;     // the offset mode panel: off,
constexpr std::uint32_t clOffsetOnce = 0x00FFFF;    // once,
constexpr std::uint32_t clOffsetAlways = 0xFFFF00;  // always

struct TControl {
  std::string caption;  // as shown (CP932)
  std::string raw;      // as an operation set it, with its '$' (sub-menu buttons)
  std::string hint;     // CP932
  std::uint32_t color = clBtnFace;
  std::uint32_t fontColor = 0x000000;  // the caption's colour
  bool enabled = true;
  bool visible = true;
  int width = 0;  // pixels, where the program sets it
};

// A progress panel over the drawing area during a long task.
struct TProgressPanel {
  bool visible = false;
  std::string caption;  // CP932
  int position = 0, max = 0;
};

struct TEntryBox {
  std::string text;  // CP932
  int tag = 0;       // sub-menu button 1..7 whose value is typed; -1, -2 offset entry
  bool readOnly = false;
  bool visible = false;
  bool focused = false;
  int selStart = 0;  // bytes
  int selLength = 0;
};

// The text fields that take typing: the entry box and the two fields of text
// input (angle and text, on PvMoji).
enum class TEditField { edCommon, EbMojiA, EbMojiT };

constexpr int kPaletteButtonSize = 37;  // pixels, a button with its picture

// An operation button of the palette as the window shows it.
struct TPaletteButton {
  int left = 0, top = 0, width = 0, height = 0;  // pixels in the palette
  std::string caption;  // CP932; empty while the button shows its picture
  bool glyph = true;    // shows its picture
  bool flat = true;     // flat until the pointer is over it; raised when false
};

constexpr int kMinWindowSize = 300;
constexpr int kClickRange = 44;  // pixels: a release nearer its press is a click

struct Form1State {
  std::string caption;  // window title
  TControl lbFileName;
  TControl PvBtns;      // the panel of the seven sub-menu buttons
  TControl PvBtn[7];    // ①..⑦
  TControl PvEdit;      // the entry box panel
  TControl PvEsc;       // "Esc"
  TEntryBox edCommon;
  TControl PvMoji;      // the text input panel with its two fields
  TEntryBox EbMojiA;    // text angle
  TEntryBox EbMojiT;    // the text
  TControl sbMojiV;     // the writing direction: "縦" while texts are horizontal, "横" while vertical
  TControl lbComHst;    // the history label
  int lbComHstLeft = 0; // pixels right of the entry box panel's left edge
  TControl PnlGuid;     // the prompt line's panel (its colour flashes)
  TControl lbGuid1;     // the prompt line
  TControl PvMojiNo;    // the panel of the text-size box
  // Hatching's pattern panel ("ﾊﾟﾀｰﾝ" and four buttons of one group, which may
  // all be up): +45 degrees, -45 degrees, both, a solid fill.
  TControl PvHatting;
  bool BtnHaching[4] = {true, false, false, false};  // down
  TControl OffsetMode;  // "ｵﾌｾｯﾄ" on the right: the offset mode, shown while an offset is allowed
  TControl pnMouse;     // pointer position
  TControl lbDataCount; // cell counts
  CursorShape drawCursor = CursorShape::Arrow;  // over the drawing area
  // The pointer is kept inside the drawing area (the zoom box runs): a
  // mouse grab where the display server allows one.
  bool pointerConfined = false;
  TProgressPanel progress;
  TMojiSizeList CbMojiSize;  // the text-size box
  int drawWidth = 0, drawHeight = 0;            // drawing area, pixels
  // The palette's speed buttons, by TOpButton; the captioned variant is on
  // while textButtons is (SetTextButtons).
  TPaletteButton palette[OpBtn_Count];
  bool textButtons = false;
  // Grows with every change of the state above, so a window knows to refresh.
  unsigned revision = 0;
};
extern Form1State g_form1;
void Form1_Reset();
inline void Form1Changed() { ++g_form1.revision; }

// True while the entry box is open (its panel wider than one pixel).
bool EntryIsOpen();
TEntryBox& EditField(TEditField field);

// --- input handlers (the window forwards its events here)
// Sub-menu button n (1..7) or a label in it was clicked.
void OpSubMenuClick(int n);
// A press on the operation bar outside its controls: acts as Enter.
void Pv_TopMouseDown();
// A press on the "Esc" panel.
void PvEscMouseDown();
// A press on the history label at x pixels from its left edge.
void LbComHstMouseDown(double x, double y);
// The entry box's text was edited by the user.
void EditChange(const std::string& text);
// The text of a field of text input was edited by the user.
void EditChange(TEditField field, const std::string& text);
// A key down in a text field, after the window left it: with an active
// history Up (38) and Down (40) browse it; Left and Right in the fields of
// text input go to that operation. Returns true when the key was consumed.
bool EditKeyDown(TEditField field, int key);
inline bool EditKeyDown(int key) { return EditKeyDown(TEditField::edCommon, key); }
// A character typed into a field. Enter (13) confirms: the text goes to the
// active history and EV_ENTER is sent (not from a read-only entry box); Enter
// and Esc are never typed. Other characters replace the selection.
void EditKeyPress(TEditField field, char ch);
inline void EditKeyPress(char ch) { EditKeyPress(TEditField::edCommon, ch); }
// A click into a field of text input: its history (angles or texts) becomes
// the active one, browsing from the start.
void EditClick(TEditField field);
// The caret (bytes) and the selected bytes of a field of text input, as the
// window shows them; text input shows its caret there.
void EditSelect(TEditField field, int start, int length);
// The direction button of text input: its caption toggles, then text input
// hears of it.
void SbMojiVClick();
// Hatching's pattern button n (1..4): down, the others up; a button that is
// down goes up.
void BtnHachingClick(int n);
// Item index of the text-size box was chosen: the size of new texts.
void CbMojiSizeChange(int index);

// The drawing area: press, move and release of a mouse button at pixel
// (x, y). button: ssLeft or ssRight; shift: the shift-state bits. (The
// rules and the view gestures are in app/ApMouse.)
void PaintBox1MouseDown(unsigned button, unsigned shift, double x, double y);
void PaintBox1MouseMove(unsigned shift, double x, double y);
void PaintBox1MouseUp(unsigned button, unsigned shift, double x, double y);
// A release over another panel while a press in the drawing area is
// pending: released at the last pointer position.
void FormMouseUp(unsigned button, unsigned shift);
// The drawing area was resized: the back buffer follows, and once the
// view's window is set the view is redrawn.
void PaintBox1Resize(int width, int height);
// The drawing area is about to be painted. The first time (while painting
// is enabled) the view fits the whole drawing, that is also the previous
// view, and the view is drawn; later paints show the back buffer as it is.
void PaintBox1Paint();

// A key pressed while the main window has the focus (virtual-key code).
// Returns true when the key was consumed.
bool FormKeyDown(int key, unsigned shift);
void FormKeyUp(int key);
