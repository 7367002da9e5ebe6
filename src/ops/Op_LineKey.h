// One-stroke drawing ("数値で作図(一筆書き)", Shift+F3): lines from a current
// point by typed displacements or, in arrow-key mode, by arrow keys with a
// pitch, in the command window "数値で直線描画 (一筆書き)". A click moves the
// current point, Shift+click draws to it, Esc takes back the last lines
// (up to 256). While the window is shown every key goes to its command
// field, never to the main window's letter commands.
#pragma once

#include <string>
#include <vector>

#include "model/GC_DB.h"
#include "ops/OpKit.h"

// The command window's state, by the names of its controls (CP932).
struct TLineKeyForm {
  bool visible = false;
  std::string CmdEdit1;            // the command field
  std::string LbBakCmd = ">...";   // the last command run
  bool CbxCursorMode = false;      // "入力値のピッチで矢印キー作図する."
  std::string pitchPrompt;         // what the field shows in arrow-key mode
  unsigned revision = 0;           // grows with every change, so the window knows to refresh
};

struct TLineKeySegment {
  TPointD before;  // the current point before the line
  TCellRef line;   // the line (index 0 when the store refused it)
};

struct LineKeyOpState {
  TPointD current;                       // where the next line starts
  std::vector<TLineKeySegment> stack;    // newest last, 256 at most
  TLineKeyForm form;
  TFeedback marker;                      // the red mark at the current point
  TFeedback ring;                        // the shrinking ring of Blink
  int blinkTimer = 0, blinkStep = 0;
  bool strokeStarted = false;            // this run's lines already have their undo step
};
extern LineKeyOpState g_lineKeyOp;
void Op_LineKey_Reset();

void Op_LineKey(TGContext& view, int code, double x, double y);

// The command window's input: a key in its command field (true: taken),
// the field's text as edited, the arrow-key box, a click into the field or
// elsewhere in the window, and its close.
bool LineKeyKeyDown(int key);
void LineKeyText(const std::string& text);
void LineKeyCursorMode(bool on);
void LineKeyFieldClick();
void LineKeyWindowClick();
void LineKeyClose();
// True while the command window is shown (keys go to it).
bool LineKeyWindowShown();
