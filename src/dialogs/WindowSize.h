// The window size ("画面サイズ指定", menu 大きさ指定...): the drawing area
// made exactly W × H pixels and the view exactly D drawing units wide about
// the same centre.
#pragma once

#include "kernel/DialogForm.h"

struct WindowSizeState {
  TSizeForm form;
};
extern WindowSizeState g_windowSize;
void WindowSize_Reset();

// The menu command FixSize: the dialog, then the size.
void FixSizeCommand();
// W, H and D as the dialog's OK takes them (limited: 20 pixels up to four
// times the screen, a view width of 10 to 1e9).
struct TWindowSize {
  int width = 0, height = 0;
  double viewWidth = 0;
};
TWindowSize WindowSizeOf(const TSizeForm& form, int screenWidth, int screenHeight);
