// Text input: new texts are typed into the text field of the text panel
// and placed by a click (typed first: stored at once; clicked first: the
// text shows as it is typed, Enter stores it); a click on a stored text
// opens it for editing (text, angle, size, direction); with the angle field
// focused a click on a line takes its direction. A text placed on another's
// reference point replaces it. The panel's fields are core state
// (g_form1.EbMojiA, EbMojiT, sbMojiV); the window forwards what is typed.
#pragma once

#include "model/GC_DB.h"
#include "model/GContext.h"
#include "ops/OpKit.h"

// The data of one run, made afresh at EV_START.
struct MojiRun {
  bool active = false;
  TGcell pending;     // kind GK_TEXT while a text is typed or edited, else 0
  TCellRef edited{};  // the stored text being edited; index 0 for a new text
  int savedSize = 0;  // the text size before a stored text was opened
  TFeedback preview;  // the pending text, its box and the caret
};

struct MojiOpState {
  MojiRun run;
};
extern MojiOpState g_mojiOp;
void Op_Moji_Reset();

void Op_Moji(TGContext& view, int code, double x, double y);

// The panel's own inputs (installed as hooks of the window's handlers).
// Enter in a field of the panel.
void MojiEnter(TEditField field);
// A field's text changed (typed, pasted, an input method's commit).
void MojiTextChanged(TEditField field);
// The direction button was pressed (its caption already toggled).
void MojiDirectionClick();
// The text size chosen in the size box.
void MojiSizeChanged();
// The caret moved in the text field.
void MojiCaretMoved();

// The angle a line gives a text: read left to right; a vertical line gives
// 90 degrees for a left click and -90 for a right click.
double TextAngleOfLine(TPointD a, TPointD b, bool leftClick);
