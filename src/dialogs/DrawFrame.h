// The drawing frame ("作図枠の作成"): the drawing's scale, and a paper
// outline of Ａ０..Ａ４ with the frame inside its margin drawn on layer 0 in
// the auxiliary pen, the frame's lower-left corner at the origin.
#pragma once

#include "kernel/DialogForm.h"

struct DrawFrameState {
  TDrawFrameForm form;
};
extern DrawFrameState g_drawFrame;
void DrawFrame_Reset();

// Shows the dialog (the scale as the drawing has it); true when the frame
// was made.
bool ShowDrawFrame();
// The form's frame made: false (a beep, nothing changed) when the scale is
// no positive number.
bool DrawFrameOk(const TDrawFrameForm& form);
// The scale field as shown after it was left: " " and the scale's text.
std::string NormalizeScaleField(const std::string& text);
